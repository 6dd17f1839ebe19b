// PNG pictures through libpng: the stream is fed to the library's read
// callback, its errors come back through its jump buffer, and the rows are
// decoded straight into the image's pixel block.
#include <png.h>
#include <setjmp.h>
#include <string.h>

#include "core/debug/memory.h"
#include "graphics/images/base_image.h"
#include "graphics/images/image_loaders.h"

namespace {

struct PngReadState {
  StreamSource *source;
  int end;  // stream offset of the last byte plus one
};

// Asking for more bytes than the stream holds is a read error, so a cut
// file fails instead of decoding stale buffer contents.
void PngReadCallback(png_structp png, png_bytep data, size_t length) {
  PngReadState *state = static_cast<PngReadState *>(png_get_io_ptr(png));
  const int position = state->source->functions.tell(state->source->stream);
  if (position < 0 || position > state->end ||
      length > static_cast<size_t>(state->end - position) ||
      ReadStreamExact(state->source, data, static_cast<int>(length)) != 0) {
    png_error(png, "Read Error");
  }
}

// The library prints nothing: every file is offered to it, most are not PNGs.
void PngErrorExit(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void PngIgnoreWarning(png_structp, png_const_charp) {}

void FillPngPalette(png_structp png, png_infop info, PixelFormat *format) {
  MakePalette8PixelFormat(format);
  memset(format->palette, 0, sizeof(format->palette));
  png_colorp palette = nullptr;
  int count = 0;
  if (png_get_PLTE(png, info, &palette, &count) == 0) count = 0;
  for (int i = 0; i < count && i < 256; ++i) {
    format->palette[i][0] = palette[i].blue;
    format->palette[i][1] = palette[i].green;
    format->palette[i][2] = palette[i].red;
  }
}

// The format of the decoded rows: colour type as stored in the file, the
// row length and channel count after the transformations.
void MakePngFormat(png_structp png, png_infop info, int colorType, int expanded, int width,
                   size_t rowBytes, PixelFormat *format) {
  if (colorType == PNG_COLOR_TYPE_PALETTE && !expanded) {
    FillPngPalette(png, info, format);
  } else if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) {
    if (rowBytes / 2 < static_cast<size_t>(width)) {
      MakeGray8PixelFormat(format);
    } else {
      // Grey and alpha bytes: every colour channel reads the grey byte and
      // the alpha byte is not used.
      MakePixelFormatFromMasks(format, 16, 0xFF, 0xFF, 0xFF, 0);
    }
  } else if (png_get_channels(png, info) == 4) {
    MakeArgb32PixelFormat(format);
  } else {
    MakeRgb24PixelFormat(format);
  }
}

// The largest chunk (or decompressed text) the library may allocate.
const png_alloc_size_t kChunkMallocMax = 8 * 1024 * 1024;
// Variable-length chunks the library knows but the picture does not need,
// as the library lists them: four letters and a zero each.
const png_byte kSkippedChunks[] = "tEXt\0zTXt\0iTXt\0iCCP\0sPLT\0eXIf\0hIST\0pCAL\0sCAL";

}  // namespace

int PngImageLoader(StreamSource *source, BASEIMAGE *out) {
  PngReadState state = {source, 0};
  const int start = source->functions.tell(source->stream);
  const int left = StreamBytesLeft(source);
  if (start < 0 || left < 0) return -1;
  state.end = start + left;

  png_structp png =
      png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngErrorExit, PngIgnoreWarning);
  if (!png) return -1;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return -1;
  }
  uint8_t *volatile pixels = nullptr;
  png_bytep *volatile rows = nullptr;
  if (setjmp(png_jmpbuf(png))) {
    VV_FREE(rows);
    VV_FREE(pixels);
    png_destroy_read_struct(&png, &info, nullptr);
    return -1;
  }

  png_set_user_limits(png, IMAGE_MAX_SIDE, IMAGE_MAX_SIDE);
  // A chunk's length comes from the file, and the library allocates a
  // variable-length chunk whole before reading it: a few bytes claiming a
  // 2 GB text chunk would be honoured. The loader reads none of them, so
  // they are skipped unread instead, and what remains is capped.
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kSkippedChunks,
                              static_cast<int>(sizeof kSkippedChunks / 5));
  png_set_chunk_malloc_max(png, kChunkMallocMax);
  png_set_read_fn(png, &state, PngReadCallback);
  png_set_sig_bytes(png, 0);
  png_read_info(png, info);
  png_uint_32 width = 0, height = 0;
  int depth = 0, colorType = 0;
  png_get_IHDR(png, info, &width, &height, &depth, &colorType, nullptr, nullptr, nullptr);
  if (!ImageSidesAcceptable(width, height, IMAGE_MAX_SIDE)) png_error(png, "size");

  png_set_strip_16(png);
  png_set_packing(png);
  png_set_packswap(png);
  const int expanded = (colorType == PNG_COLOR_TYPE_GRAY && depth <= 8) ||
                       png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  if (expanded) png_set_expand(png);
  png_set_bgr(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  const size_t rowBytes = png_get_rowbytes(png, info);

  int bytes = 0, rowArrayBytes = 0;
  if (ComputeImageBytes(static_cast<int64_t>(rowBytes), height, &bytes) != 0 ||
      ComputeImageBytes(sizeof(png_bytep), height, &rowArrayBytes) != 0) {
    png_error(png, "size");
  }
  pixels = static_cast<uint8_t *>(VV_ALLOC(bytes));
  rows = static_cast<png_bytep *>(VV_ALLOC(rowArrayBytes));
  if (!pixels || !rows) png_error(png, "memory");
  for (png_uint_32 y = 0; y < height; ++y) rows[y] = pixels + y * rowBytes;
  png_read_image(png, rows);
  png_read_end(png, nullptr);

  MakePngFormat(png, info, colorType, expanded, static_cast<int>(width), rowBytes, &out->format);
  out->width = static_cast<int>(width);
  out->height = static_cast<int>(height);
  out->pitch = static_cast<int>(rowBytes);
  out->pixels = pixels;
  out->mipCount = 0;
  VV_FREE(rows);
  png_destroy_read_struct(&png, &info, nullptr);
  return 0;
}

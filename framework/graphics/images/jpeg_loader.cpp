// JPEG pictures through libjpeg: a source manager reads the stream in 4 KB
// pieces, library errors jump back to the loader, and scanlines are decoded
// straight into the image's pixel block in blue-green-red order.
#include <setjmp.h>
#include <stdio.h>
#include <string.h>

#include <jpeglib.h>
#include <jerror.h>

#include "core/debug/memory.h"
#include "graphics/images/base_image.h"
#include "graphics/images/image_loaders.h"

namespace {

enum { JPEG_INPUT_BUFFER_SIZE = 4096 };

struct JpegErrorManager {
  jpeg_error_mgr pub;
  jmp_buf jump;
};

struct JpegStreamSource {
  jpeg_source_mgr pub;
  JOCTET buffer[JPEG_INPUT_BUFFER_SIZE];
  int startOfFile;
  StreamSource *source;
  int end;  // stream offset of the last byte plus one
};

void JpegErrorExit(j_common_ptr cinfo) {
  (*cinfo->err->output_message)(cinfo);
  longjmp(reinterpret_cast<JpegErrorManager *>(cinfo->err)->jump, 1);
}

// The library prints nothing: every file is offered to it, most are not JPEGs.
void JpegSilentOutput(j_common_ptr) {}

JpegStreamSource *SourceOf(j_decompress_ptr cinfo) {
  return reinterpret_cast<JpegStreamSource *>(cinfo->src);
}

void InitJpegSource(j_decompress_ptr cinfo) { SourceOf(cinfo)->startOfFile = 1; }

// An empty stream is an error; a stream that ends early gets an end-of-image
// marker, so a cut file decodes what it holds.
boolean FillJpegInput(j_decompress_ptr cinfo) {
  JpegStreamSource *src = SourceOf(cinfo);
  const int position = src->source->functions.tell(src->source->stream);
  int count = position < 0 || position > src->end ? 0 : src->end - position;
  if (count > JPEG_INPUT_BUFFER_SIZE) count = JPEG_INPUT_BUFFER_SIZE;
  if (count == 0) {
    if (src->startOfFile) ERREXIT(cinfo, JERR_INPUT_EMPTY);
    WARNMS(cinfo, JWRN_JPEG_EOF);
    src->buffer[0] = 0xFF;
    src->buffer[1] = JPEG_EOI;
    count = 2;
  } else if (ReadStreamExact(src->source, src->buffer, count) != 0) {
    ERREXIT(cinfo, JERR_FILE_READ);
  }
  src->pub.next_input_byte = src->buffer;
  src->pub.bytes_in_buffer = static_cast<size_t>(count);
  src->startOfFile = 0;
  return TRUE;
}

void SkipJpegInput(j_decompress_ptr cinfo, long count) {
  if (count <= 0) return;
  JpegStreamSource *src = SourceOf(cinfo);
  while (count > static_cast<long>(src->pub.bytes_in_buffer)) {
    count -= static_cast<long>(src->pub.bytes_in_buffer);
    FillJpegInput(cinfo);
  }
  src->pub.next_input_byte += count;
  src->pub.bytes_in_buffer -= static_cast<size_t>(count);
}

void TerminateJpegSource(j_decompress_ptr) {}

void InstallJpegSource(j_decompress_ptr cinfo, StreamSource *source, int end) {
  if (!cinfo->src) {
    cinfo->src = static_cast<jpeg_source_mgr *>((*cinfo->mem->alloc_small)(
        reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(JpegStreamSource)));
  }
  JpegStreamSource *src = SourceOf(cinfo);
  src->pub.init_source = InitJpegSource;
  src->pub.fill_input_buffer = FillJpegInput;
  src->pub.skip_input_data = SkipJpegInput;
  src->pub.resync_to_restart = jpeg_resync_to_restart;
  src->pub.term_source = TerminateJpegSource;
  src->pub.bytes_in_buffer = 0;
  src->pub.next_input_byte = nullptr;
  src->source = source;
  src->end = end;
}

// Only grey and three-channel colour decode to pixels this image can hold;
// CMYK and YCCK files are refused rather than decoded to wrong colours.
int JpegColorSpaceAccepted(const jpeg_decompress_struct &cinfo) {
  if (cinfo.num_components == 1) return cinfo.jpeg_color_space == JCS_GRAYSCALE;
  return cinfo.num_components == 3 &&
         (cinfo.jpeg_color_space == JCS_YCbCr || cinfo.jpeg_color_space == JCS_RGB);
}

}  // namespace

int JpegImageLoader(StreamSource *source, BASEIMAGE *out) {
  const int start = source->functions.tell(source->stream);
  const int left = StreamBytesLeft(source);
  if (start < 0 || left < 0) return -1;

  jpeg_decompress_struct cinfo;
  JpegErrorManager error;
  memset(&cinfo, 0, sizeof(cinfo));
  cinfo.err = jpeg_std_error(&error.pub);
  error.pub.error_exit = JpegErrorExit;
  error.pub.output_message = JpegSilentOutput;
  uint8_t *volatile pixels = nullptr;
  if (setjmp(error.jump)) {
    VV_FREE(pixels);
    jpeg_destroy_decompress(&cinfo);
    return -1;
  }

  jpeg_create_decompress(&cinfo);
  InstallJpegSource(&cinfo, source, start + left);
  jpeg_read_header(&cinfo, TRUE);
  if (!JpegColorSpaceAccepted(cinfo) ||
      !ImageSidesAcceptable(cinfo.image_width, cinfo.image_height, IMAGE_MAX_SIDE)) {
    longjmp(error.jump, 1);
  }
  cinfo.out_color_space = cinfo.num_components == 1 ? JCS_GRAYSCALE : JCS_EXT_BGR;
  jpeg_start_decompress(&cinfo);

  const int width = static_cast<int>(cinfo.output_width);
  const int height = static_cast<int>(cinfo.output_height);
  const int stride = cinfo.output_components * width;
  int bytes = 0;
  if (ComputeImageBytes(stride, height, &bytes) != 0) longjmp(error.jump, 1);
  pixels = static_cast<uint8_t *>(VV_ALLOC(bytes));
  if (!pixels) longjmp(error.jump, 1);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = pixels + static_cast<intptr_t>(cinfo.output_scanline) * stride;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);

  if (cinfo.output_components == 1) {
    MakeGray8PixelFormat(&out->format);
  } else {
    MakeRgb24PixelFormat(&out->format);
  }
  out->width = width;
  out->height = height;
  out->pitch = stride;
  out->pixels = pixels;
  out->mipCount = 0;
  jpeg_destroy_decompress(&cinfo);
  return 0;
}

// Loading pictures into base images: the reader table every file and memory
// block is offered to, the load functions graphs and model textures call,
// the alpha-image naming rule and the device-independent bitmap hand-back.
#include <limits.h>
#include <string.h>

#include "core/base/core_state.h"
#include "core/debug/memory.h"
#include "graphics/images/base_image.h"
#include "graphics/images/image_loaders.h"
#include "graphics/text/char_class.h"

namespace {

// A file that two readers could take goes to the earlier one.
const ImageLoaderFunction kImageLoaderTable[] = {
    BmpImageLoader, JpegImageLoader, PngImageLoader, BgraImageLoader,
    TgaImageLoader, DdsImageLoader,  nullptr};

int OpenImageSource(StreamSource *source, const char *path, const void *data, int size,
                    int fromMemory) {
  if (fromMemory) return OpenMemoryStreamSource(source, data, size);
  if (!path) return -1;
  return OpenFileStreamSource(source, path);
}

void CloseImageSource(StreamSource *source) { source->functions.close(source->stream); }

// Hands the image back as a bitmap: its pixels either become the bitmap's
// bits or are freed once the bitmap has its own copy.
int HandOverAsDib(BASEIMAGE *image, DibInfo **dibInfo, void **dibBits) {
  if (ConvertDxtToPlain(image) != 0) {
    FreeBaseImage(image);
    return -1;
  }
  DibInfo *info = static_cast<DibInfo *>(VV_ALLOC_ZEROED(DIB_INFO_BLOCK_SIZE));
  void *bits = nullptr;
  const int made = info ? MakeDibFromBaseImage(image, info, &bits, 0, 0) : -1;
  if (made < 0) {
    VV_FREE(info);
    FreeBaseImage(image);
    if (dibInfo) *dibInfo = nullptr;
    return -1;
  }
  if (made == 1) {
    FreeBaseImage(image);
  } else {
    memset(image, 0, sizeof(*image));  // the bits now belong to the caller
  }
  *dibInfo = info;
  *dibBits = bits;
  return 0;
}

// The insertion point of "_a": the last '.' of the last path component, else
// the end. step gives the size of the character at a position.
template <typename Char, typename Step>
int AlphaNameSplit(const Char *path, Step step) {
  int split = -1, i = 0;
  while (path[i]) {
    const Char c = path[i];
    if (c == '\\' || c == '/' || c == ':') split = -1;
    if (c == '.') split = i;
    i += step(path + i);
  }
  return split < 0 ? i : split;
}

template <typename Char>
int WriteAlphaName(Char *out, int outSize, const Char *path, int split) {
  int length = split;
  while (path[length]) ++length;
  if (!out || outSize < length + 3) return -1;
  memmove(out, path, sizeof(Char) * split);
  out[split] = '_';
  out[split + 1] = 'a';
  memmove(out + split + 2, path + split, sizeof(Char) * (length - split + 1));
  return 0;
}

int PaddedRow(int rowBytes) { return (rowBytes + 3) & ~3; }

int IsPlainRgb24(const PixelFormat &f) {
  return f.bitsPerPixel == 24 && f.redMask == 0xFF0000 && f.greenMask == 0xFF00 &&
         f.blueMask == 0xFF && f.compression == 0;
}

// Copies every row's rowBytes into rows of padded bytes.
uint8_t *CopyRows(const BASEIMAGE *image, int rowBytes, int padded) {
  int bytes = 0;
  if (ComputeImageBytes(padded, image->height, &bytes) != 0) return nullptr;
  uint8_t *copy = static_cast<uint8_t *>(VV_ALLOC_ZEROED(bytes));
  if (!copy) return nullptr;
  const uint8_t *src = static_cast<const uint8_t *>(image->pixels);
  for (int y = 0; y < image->height; ++y) {
    memcpy(copy + static_cast<intptr_t>(y) * padded, src + static_cast<intptr_t>(y) * image->pitch,
           rowBytes);
  }
  return copy;
}

uint8_t *ConvertToRgb24(const BASEIMAGE *image, int padded) {
  int bytes = 0;
  if (ComputeImageBytes(padded, image->height, &bytes) != 0) return nullptr;
  uint8_t *copy = static_cast<uint8_t *>(VV_ALLOC_ZEROED(bytes));
  if (!copy) return nullptr;
  PixelFormat rgb24;
  MakeRgb24PixelFormat(&rgb24);
  const Rect all = {0, 0, image->width, image->height};
  if (BlitWithFormatConversion(copy, padded, &rgb24, image->pixels, image->pitch,
                               &image->format, nullptr, 0, nullptr, 0, 0, &all, 0, 0, 0, 0, 0,
                               0, 0, 0) < 0) {
    VV_FREE(copy);
    return nullptr;
  }
  return copy;
}

}  // namespace

int LoadBaseImageFromStream(StreamSource *source, BASEIMAGE *out) {
  memset(out, 0, sizeof(*out));
  for (const ImageLoaderFunction *reader = kImageLoaderTable; *reader; ++reader) {
    source->functions.seek(source->stream, 0, 0);
    memset(out, 0, sizeof(*out));
    if ((*reader)(source, out) == 0) return 0;
  }
  memset(out, 0, sizeof(*out));
  return -1;
}

int LoadImageToBaseImage(const char *path, const void *data, int size, int fromMemory,
                         int wantDib, int reverse, BASEIMAGE *out, DibInfo **dibInfo,
                         void **dibBits) {
  if (wantDib ? !dibInfo || !dibBits : !out) return -1;
  StreamSource source;
  if (OpenImageSource(&source, path, data, size, fromMemory) != 0) return -1;
  BASEIMAGE image;
  const int loaded = LoadBaseImageFromStream(&source, &image);
  CloseImageSource(&source);
  if (loaded != 0) return -1;
  if (reverse) {
    if (ConvertDxtToPlain(&image) != 0 || MirrorBaseImage(&image) != 0) {
      FreeBaseImage(&image);
      return -1;
    }
  }
  if (wantDib) return HandOverAsDib(&image, dibInfo, dibBits);
  *out = image;
  return 0;
}

int LoadImageAsBaseImage(const char *path, const void *data, int size, int fromMemory,
                         BASEIMAGE *image, int reverse) {
  return LoadImageToBaseImage(path, data, size, fromMemory, 0, reverse, image, nullptr,
                              nullptr);
}

int LoadImagePairToBaseImages(const char *path, const void *data, int size, int fromMemory,
                              const void *alphaData, int alphaSize, int alphaMode,
                              BASEIMAGE *color, BASEIMAGE *alpha, int reverse) {
  if (LoadImageAsBaseImage(path, data, size, fromMemory, color, reverse) != 0) return -1;
  if (!alpha) return 1;
  memset(alpha, 0, sizeof(*alpha));
  int loaded = -1;
  if (alphaMode == 0 && path) {
    char alphaPath[PATH_BUFFER_SIZE];
    if (MakeAlphaImageName(alphaPath, sizeof(alphaPath), path) == 0) {
      loaded = LoadImageAsBaseImage(alphaPath, nullptr, 0, 0, alpha, reverse);
    }
  } else if (alphaMode == 1) {
    loaded = LoadImageAsBaseImage(nullptr, alphaData, alphaSize, 1, alpha, reverse);
  }
  return loaded == 0 ? 0 : 1;
}

int MakeAlphaImageName(char *out, int outSize, const char *path) {
  if (!path) return -1;
  const int charSet = GetFrameworkCharSet();
  const int split =
      AlphaNameSplit(path, [charSet](const char *p) { return MultiByteCharSize(p, charSet); });
  return WriteAlphaName(out, outSize, path, split);
}

int MakeAlphaImageNameW(char16_t *out, int outSize, const char16_t *path) {
  if (!path) return -1;
  const int split = AlphaNameSplit(path, [](const char16_t *) { return 1; });
  return WriteAlphaName(out, outSize, path, split);
}

int MakeDibFromBaseImage(const BASEIMAGE *image, DibInfo *info, void **bits, int forceCopy,
                         int force24) {
  if (!image || !info || !bits || !image->pixels || image->format.compression != 0 ||
      image->width <= 0 || image->height <= 0 || image->width > INT_MAX / 4) {
    return -1;
  }
  memset(&info->header, 0, sizeof(info->header));
  info->header.size = sizeof(DibInfoHeader);
  info->header.width = image->width;
  info->header.height = -image->height;
  info->header.planes = 1;
  const int paletted = image->format.bytesPerPixel == 1 && !force24;
  info->header.bitCount = paletted ? 8 : 24;
  const int rowBytes = image->width * (paletted ? 1 : 3);
  const int padded = PaddedRow(rowBytes);
  if (paletted) memcpy(info->colors, image->format.palette, sizeof(info->colors));
  uint8_t *copy = nullptr;
  if (!paletted && (!IsPlainRgb24(image->format) || forceCopy)) {
    copy = ConvertToRgb24(image, padded);
  } else if (forceCopy || padded != image->pitch) {
    copy = CopyRows(image, rowBytes, padded);
  } else {
    *bits = image->pixels;
    return 0;
  }
  if (!copy) return -1;
  *bits = copy;
  return 1;
}

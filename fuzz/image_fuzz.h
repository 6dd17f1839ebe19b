// The shared body of the image-reader fuzz targets: one reader (or the whole
// dispatcher) over the input as a memory stream. A refusal must leave no
// pixels and no block behind; an accepted image must convert to 32-bit ARGB
// within its own buffers. The debug memory manager's blocks are invisible to
// the leak sanitizer, so the live-block count is checked after every input.
#ifndef VELVANE_FUZZ_IMAGE_FUZZ_H
#define VELVANE_FUZZ_IMAGE_FUZZ_H

#include <limits.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "core/debug/memory.h"
#include "graphics/images/image_loaders.h"

// Larger accepted images are not converted, to keep each run quick.
const int64_t kFuzzConvertPixelLimit = 1 << 22;

inline void ConvertToArgb(BASEIMAGE *image) {
  if (static_cast<int64_t>(image->width) * image->height > kFuzzConvertPixelLimit) return;
  BASEIMAGE argb = {};
  if (CreateArgb32BaseImage(image->width, image->height, &argb) != 0) return;
  BlitBaseImage(0, 0, image->width, image->height, 0, 0, image, &argb);
  FreeBaseImage(&argb);
}

inline void FuzzImageInput(ImageLoaderFunction reader, const uint8_t *data, size_t size) {
  if (size > INT_MAX) return;
  const int blocks = GetAllocatedBlockCount();
  static const uint8_t kEmpty[1] = {0};
  StreamSource source;
  if (OpenMemoryStreamSource(&source, size ? data : kEmpty, static_cast<int>(size)) != 0) abort();
  BASEIMAGE image;
  memset(&image, 0, sizeof(image));
  const int result = reader ? reader(&source, &image) : LoadBaseImageFromStream(&source, &image);
  source.functions.close(source.stream);
  if (result == 0) {
    if (!image.pixels || image.width <= 0 || image.height <= 0) abort();
    if (ConvertDxtToPlain(&image) == 0) ConvertToArgb(&image);
    FreeBaseImage(&image);
  } else if (image.pixels) {
    abort();
  }
  if (GetAllocatedBlockCount() != blocks) abort();
}

#define VV_IMAGE_FUZZ_TARGET(reader)                                      \
  extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) { \
    FuzzImageInput(reader, data, size);                                   \
    return 0;                                                             \
  }

#endif  // VELVANE_FUZZ_IMAGE_FUZZ_H

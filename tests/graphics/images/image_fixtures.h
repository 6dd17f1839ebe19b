// Builders of small image files for the loader tests: PNGs through libpng's
// writer and little-endian byte tables for the other formats, plus loading
// from a byte vector.
#ifndef VELVANE_TESTS_IMAGE_FIXTURES_H
#define VELVANE_TESTS_IMAGE_FIXTURES_H

#include <gtest/gtest.h>
#include <png.h>
#include <stdint.h>
#include <string.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "core/debug/memory.h"
#include "graphics/images/image_loaders.h"
#include "velvane.h"

typedef std::vector<uint8_t> Bytes;

// What a test PNG holds: rows already packed as the file stores them.
struct PngSpec {
  int width = 1, height = 1;
  int colorType = PNG_COLOR_TYPE_RGB;
  int depth = 8;
  int interlace = PNG_INTERLACE_NONE;
  std::vector<Bytes> rows;
  std::vector<png_color> palette;
  Bytes transparency;  // tRNS alphas for palette entries
};

inline void AppendPngBytes(png_structp png, png_bytep data, size_t length) {
  Bytes *out = static_cast<Bytes *>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

inline Bytes MakePng(const PngSpec &spec) {
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return Bytes();
  }
  png_set_write_fn(png, &out, AppendPngBytes, nullptr);
  png_set_IHDR(png, info, spec.width, spec.height, spec.depth, spec.colorType, spec.interlace,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!spec.palette.empty()) {
    png_set_PLTE(png, info, spec.palette.data(), static_cast<int>(spec.palette.size()));
  }
  if (!spec.transparency.empty()) {
    png_set_tRNS(png, info, spec.transparency.data(), static_cast<int>(spec.transparency.size()),
                 nullptr);
  }
  png_write_info(png, info);
  std::vector<png_bytep> rows;
  for (const Bytes &row : spec.rows) rows.push_back(const_cast<png_bytep>(row.data()));
  png_write_image(png, rows.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

// A width x height 8-bit RGB PNG of one colour.
inline Bytes MakeSolidRgbPng(int width, int height, uint8_t r, uint8_t g, uint8_t b) {
  PngSpec spec;
  spec.width = width;
  spec.height = height;
  Bytes row;
  for (int x = 0; x < width; ++x) row.insert(row.end(), {r, g, b});
  spec.rows.assign(height, row);
  return MakePng(spec);
}

inline int LoadFromBytes(const Bytes &bytes, BASEIMAGE *image, int reverse = 0) {
  return LoadImageAsBaseImage(nullptr, bytes.data(), static_cast<int>(bytes.size()), 1, image,
                              reverse);
}

// Runs one reader directly over a memory block.
inline int ReadWith(ImageLoaderFunction reader, const Bytes &bytes, BASEIMAGE *image) {
  StreamSource source;
  if (OpenMemoryStreamSource(&source, bytes.data(), static_cast<int>(bytes.size())) != 0) {
    return -2;
  }
  memset(image, 0, sizeof(*image));
  const int result = reader(&source, image);
  source.functions.close(source.stream);
  return result;
}

inline const uint8_t *PixelAt(const BASEIMAGE &image, int x, int y) {
  return static_cast<const uint8_t *>(image.pixels) + static_cast<intptr_t>(y) * image.pitch +
         x * image.format.bytesPerPixel;
}

// The bytes of one row of the image (pitch bytes wide).
inline Bytes RowBytes(const BASEIMAGE &image, int y, int count) {
  const uint8_t *p = PixelAt(image, 0, y);
  return Bytes(p, p + count);
}

inline void PutLe16(Bytes *out, uint32_t v) {
  out->push_back(static_cast<uint8_t>(v));
  out->push_back(static_cast<uint8_t>(v >> 8));
}

inline void PutLe32(Bytes *out, uint32_t v) {
  PutLe16(out, v & 0xFFFF);
  PutLe16(out, v >> 16);
}

// Names a parameterised case after its table row.
struct CaseName {
  template <typename Case>
  std::string operator()(const testing::TestParamInfo<Case> &info) const {
    return info.param.name;
  }
};

// Every file must be refused by the reader, leaving no block allocated.
inline void ExpectAllRefused(ImageLoaderFunction reader, const std::vector<Bytes> &files) {
  const int blocks = GetAllocatedBlockCount();
  for (size_t i = 0; i < files.size(); ++i) {
    BASEIMAGE image;
    EXPECT_EQ(-1, ReadWith(reader, files[i], &image)) << "file " << i;
    EXPECT_EQ(nullptr, image.pixels) << "file " << i;
    EXPECT_EQ(blocks, GetAllocatedBlockCount()) << "file " << i;
  }
}

#endif  // VELVANE_TESTS_IMAGE_FIXTURES_H

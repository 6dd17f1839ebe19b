// Loading a photo-like 1024 x 1024 picture from memory through the image
// readers against the bare library decode of the same bytes into one block
// (the same transformations, no reader table, stream or memory manager).
// The goal is an overhead of at most 5% for PNG and for JPEG.
#include <benchmark/benchmark.h>
#include <png.h>
#include <setjmp.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <jpeglib.h>

#include <vector>

#include "velvane.h"

namespace {

const int kSide = 1024;

// Smooth gradients with fine grain, roughly what a photo compresses like.
std::vector<uint8_t> MakePhotoRgb() {
  std::vector<uint8_t> rgb(static_cast<size_t>(kSide) * kSide * 3);
  uint32_t seed = 12345;
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      seed = seed * 1664525u + 1013904223u;
      const int grain = static_cast<int>(seed >> 28) - 8;
      uint8_t *p = &rgb[(static_cast<size_t>(y) * kSide + x) * 3];
      const int values[3] = {(x / 4 + y / 8) % 256, (y / 4 + (x * y) / 4096) % 256,
                             (255 - x / 4 + y / 16) % 256};
      for (int c = 0; c < 3; ++c) {
        const int v = values[c] + grain;
        p[c] = static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
      }
    }
  }
  return rgb;
}

void AppendBytes(png_structp png, png_bytep data, size_t length) {
  std::vector<uint8_t> *out = static_cast<std::vector<uint8_t> *>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

std::vector<uint8_t> EncodePng(const std::vector<uint8_t> &rgb) {
  std::vector<uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(png, &out, AppendBytes, nullptr);
  png_set_IHDR(png, info, kSide, kSide, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < kSide; ++y) {
    png_write_row(png, const_cast<png_bytep>(&rgb[static_cast<size_t>(y) * kSide * 3]));
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

std::vector<uint8_t> EncodeJpeg(const std::vector<uint8_t> &rgb) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr error;
  cinfo.err = jpeg_std_error(&error);
  jpeg_create_compress(&cinfo);
  unsigned char *buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = kSide;
  cinfo.image_height = kSide;
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);  // YCbCr with 2 x 2 chroma sampling: 4:2:0
  jpeg_set_quality(&cinfo, 90, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(&rgb[static_cast<size_t>(cinfo.next_scanline) * kSide * 3]);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::vector<uint8_t> out(buffer, buffer + size);
  free(buffer);
  return out;
}

const std::vector<uint8_t> &Photo() {
  static const std::vector<uint8_t> rgb = MakePhotoRgb();
  return rgb;
}
const std::vector<uint8_t> &PhotoPng() {
  static const std::vector<uint8_t> png = EncodePng(Photo());
  return png;
}
const std::vector<uint8_t> &PhotoJpeg() {
  static const std::vector<uint8_t> jpeg = EncodeJpeg(Photo());
  return jpeg;
}

void LoadThroughReaders(benchmark::State &state, const std::vector<uint8_t> &file) {
  for (auto _ : state) {
    BASEIMAGE image = {};
    if (LoadImageAsBaseImage(nullptr, file.data(), static_cast<int>(file.size()), 1, &image,
                             0) != 0) {
      state.SkipWithError("load failed");
      return;
    }
    benchmark::DoNotOptimize(image.pixels);
    FreeBaseImage(&image);
  }
}

void BM_PngThroughReaders(benchmark::State &state) { LoadThroughReaders(state, PhotoPng()); }
void BM_JpegThroughReaders(benchmark::State &state) { LoadThroughReaders(state, PhotoJpeg()); }

struct MemoryReader {
  const uint8_t *data;
  size_t size, position;
};

void ReadFromMemory(png_structp png, png_bytep out, size_t length) {
  MemoryReader *in = static_cast<MemoryReader *>(png_get_io_ptr(png));
  if (length > in->size - in->position) png_error(png, "short");
  memcpy(out, in->data + in->position, length);
  in->position += length;
}

void BM_PngBareDecode(benchmark::State &state) {
  const std::vector<uint8_t> &file = PhotoPng();
  for (auto _ : state) {
    MemoryReader in = {file.data(), file.size(), 0};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_read_fn(png, &in, ReadFromMemory);
    png_read_info(png, info);
    png_set_strip_16(png);
    png_set_packing(png);
    png_set_packswap(png);
    png_set_bgr(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const size_t rowBytes = png_get_rowbytes(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    uint8_t *pixels = static_cast<uint8_t *>(malloc(rowBytes * height));
    std::vector<png_bytep> rows(height);
    for (png_uint_32 y = 0; y < height; ++y) rows[y] = pixels + y * rowBytes;
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    benchmark::DoNotOptimize(pixels);
    free(pixels);
  }
}

void BM_JpegBareDecode(benchmark::State &state) {
  const std::vector<uint8_t> &file = PhotoJpeg();
  for (auto _ : state) {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr error;
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&cinfo);
    const size_t stride = static_cast<size_t>(cinfo.output_width) * cinfo.output_components;
    uint8_t *pixels = static_cast<uint8_t *>(malloc(stride * cinfo.output_height));
    while (cinfo.output_scanline < cinfo.output_height) {
      JSAMPROW row = pixels + stride * cinfo.output_scanline;
      jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    benchmark::DoNotOptimize(pixels);
    free(pixels);
  }
}

}  // namespace

BENCHMARK(BM_PngThroughReaders)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngBareDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegThroughReaders)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegBareDecode)->Unit(benchmark::kMillisecond);

// The converter's common pairs (BlitWithFormatConversion) against SDL's
// conversion of the same pixels, 640 x 480: SDL_ConvertPixels for direct
// colour, SDL_BlitSurface from an INDEX8 surface for palette sources. Pairs
// that turn the key into alpha have no reference and are printed alone;
// the same-layout copy is set against memcpy of the same rows.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "blit_bench_common.h"
#include "velvane.h"

namespace {

using blit_bench::CountPixels;
using blit_bench::NextRandom;
using blit_bench::Register;

const int W = 640;
const int H = 480;
const uint32_t kKey = 0x00FF00FF;

enum Kind { PAL8, RGB24, XRGB32, ARGB32, RGB565, XRGB1555, ARGB1555 };

struct KindInfo {
  const char *name;
  int bits;
  uint32_t sdlFormat;  // 0: no SDL counterpart
};

const KindInfo kKinds[] = {
    {"pal8", 8, SDL_PIXELFORMAT_INDEX8},         {"rgb24", 24, SDL_PIXELFORMAT_BGR24},
    {"xrgb32", 32, SDL_PIXELFORMAT_XRGB8888},    {"argb32", 32, SDL_PIXELFORMAT_ARGB8888},
    {"rgb565", 16, SDL_PIXELFORMAT_RGB565},      {"xrgb1555", 16, SDL_PIXELFORMAT_XRGB1555},
    {"argb1555", 16, SDL_PIXELFORMAT_ARGB1555},
};

void MakeFormat(Kind kind, PixelFormat *f) {
  memset(f, 0, sizeof *f);
  switch (kind) {
    case PAL8: MakePalette8PixelFormat(f); break;
    case RGB24: MakeRgb24PixelFormat(f); break;
    case XRGB32: MakeXrgb32PixelFormat(f); break;
    case ARGB32: MakeArgb32PixelFormat(f); break;
    case RGB565: MakePixelFormatFromMasks(f, 16, 0xF800, 0x07E0, 0x001F, 0); break;
    case XRGB1555: MakePixelFormatFromMasks(f, 16, 0x7C00, 0x03E0, 0x001F, 0); break;
    case ARGB1555: MakePixelFormatFromMasks(f, 16, 0x7C00, 0x03E0, 0x001F, 0x8000); break;
  }
}

// Pixels of one kind: noise, with the palette (for 8-bit) noise too.
struct Buffer {
  Kind kind;
  PixelFormat format;
  int pitch;
  std::vector<uint8_t> bytes;

  explicit Buffer(Kind k) : kind(k) {
    MakeFormat(k, &format);
    pitch = (W * (kKinds[k].bits / 8) + 15) & ~15;
    bytes.resize((size_t)pitch * H);
    uint32_t rng = 0x1234567u + (uint32_t)k;
    for (auto &b : bytes) b = (uint8_t)NextRandom(&rng);
    if (k == PAL8) {
      for (int i = 0; i < 256; ++i)
        for (int c = 0; c < 4; ++c) format.palette[i][c] = (uint8_t)NextRandom(&rng);
    }
  }
};

struct PairCase {
  Kind src;
  Kind dst;
  int keyToAlpha;
};

void VelvaneConvert(benchmark::State &state, PairCase c) {
  Buffer src(c.src), dst(c.dst);
  const Rect rect = {0, 0, W, H};
  for (auto _ : state) {
    BlitWithFormatConversion(dst.bytes.data(), dst.pitch, &dst.format, src.bytes.data(),
                             src.pitch, &src.format, nullptr, 0, nullptr, 0, 0, &rect, 0,
                             c.keyToAlpha, kKey, 0, 0, 0, 0, 0);
    benchmark::DoNotOptimize(dst.bytes.data());
    benchmark::ClobberMemory();
  }
  CountPixels(state, (double)W * H);
}

void SdlConvert(benchmark::State &state, PairCase c) {
  Buffer src(c.src), dst(c.dst);
  for (auto _ : state) {
    SDL_ConvertPixels(W, H, kKinds[c.src].sdlFormat, src.bytes.data(), src.pitch,
                      kKinds[c.dst].sdlFormat, dst.bytes.data(), dst.pitch);
    benchmark::DoNotOptimize(dst.bytes.data());
    benchmark::ClobberMemory();
  }
  CountPixels(state, (double)W * H);
}

// Palette sources: an INDEX8 surface with the same palette blitted onto a
// surface of the destination format.
void SdlPaletteBlit(benchmark::State &state, PairCase c) {
  Buffer src(c.src), dst(c.dst);
  SDL_Surface *from = SDL_CreateRGBSurfaceWithFormatFrom(src.bytes.data(), W, H, 8, src.pitch,
                                                         SDL_PIXELFORMAT_INDEX8);
  SDL_Surface *to = SDL_CreateRGBSurfaceWithFormatFrom(dst.bytes.data(), W, H, kKinds[c.dst].bits,
                                                       dst.pitch, kKinds[c.dst].sdlFormat);
  if (!from || !to) {
    state.SkipWithError("SDL surface");
    return;
  }
  SDL_Color colours[256];
  for (int i = 0; i < 256; ++i) {
    colours[i].r = src.format.palette[i][2];
    colours[i].g = src.format.palette[i][1];
    colours[i].b = src.format.palette[i][0];
    colours[i].a = 255;
  }
  SDL_SetPaletteColors(from->format->palette, colours, 0, 256);
  SDL_SetSurfaceBlendMode(from, SDL_BLENDMODE_NONE);
  SDL_Rect r = {0, 0, W, H};
  for (auto _ : state) {
    SDL_Rect d = r;
    SDL_BlitSurface(from, &r, to, &d);
    benchmark::DoNotOptimize(dst.bytes.data());
    benchmark::ClobberMemory();
  }
  SDL_FreeSurface(from);
  SDL_FreeSurface(to);
  CountPixels(state, (double)W * H);
}

void MemcpyRows(benchmark::State &state, PairCase c) {
  Buffer src(c.src), dst(c.dst);
  const size_t rowBytes = (size_t)W * (kKinds[c.src].bits / 8);
  for (auto _ : state) {
    for (int y = 0; y < H; ++y)
      memcpy(dst.bytes.data() + (size_t)y * dst.pitch, src.bytes.data() + (size_t)y * src.pitch,
             rowBytes);
    benchmark::DoNotOptimize(dst.bytes.data());
    benchmark::ClobberMemory();
  }
  CountPixels(state, (double)W * H);
}

void RegisterAll() {
  const PairCase pairs[] = {
      {PAL8, RGB565, 0},      {PAL8, XRGB1555, 0},     {PAL8, XRGB32, 0},
      {PAL8, ARGB1555, 1},    {PAL8, ARGB32, 1},       {RGB24, RGB565, 0},
      {RGB24, XRGB1555, 0},   {RGB24, XRGB32, 0},      {RGB24, ARGB32, 0},
      {RGB24, ARGB1555, 1},   {RGB24, ARGB32, 1},      {XRGB32, RGB565, 0},
      {RGB565, RGB24, 0},     {RGB565, XRGB32, 0},     {RGB565, XRGB1555, 0},
      {RGB565, ARGB1555, 1},  {RGB565, ARGB32, 1},     {XRGB1555, RGB565, 0},
  };
  for (const PairCase &c : pairs) {
    const std::string name = std::string(kKinds[c.src].name) + "_to_" + kKinds[c.dst].name +
                             (c.keyToAlpha ? "_key_alpha" : "");
    Register(name, "velvane", VelvaneConvert, c);
    if (c.keyToAlpha) continue;
    if (c.src == PAL8)
      Register(name, "sdl_blit", SdlPaletteBlit, c);
    else
      Register(name, "sdl_convert", SdlConvert, c);
  }
  const PairCase same[] = {{XRGB32, XRGB32, 0}, {RGB565, RGB565, 0}};
  for (const PairCase &c : same) {
    const std::string name = std::string(kKinds[c.src].name) + "_same_layout";
    Register(name, "velvane", VelvaneConvert, c);
    Register(name, "memcpy", MemcpyRows, c);
    Register(name, "sdl_convert", SdlConvert, c);
  }
}

}  // namespace

int main(int argc, char **argv) {
  RegisterAll();
  return blit_bench::RunWithRatios(argc, argv);
}

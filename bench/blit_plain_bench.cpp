// The plain image draw against pixman and SDL's software blitter on the same
// scenes, one thread: full-screen fills and copies, colour-keyed sprites
// (long runs) and keyed noise (every 7th pixel keyed: short runs), fades,
// constant alpha, per-pixel alpha (a sprite and uniform random alpha),
// additive drawing and many small draws; copies, keys and alpha at 64 x 64,
// 640 x 480 and 1920 x 1080. Each case is compared with the library's best
// path for the same result (pixman's ADD on a8r8g8b8 views, SDL's blend mode
// NONE for keyed copies); references that run a generic fallback are named
// "..._generic" and marked in the table. Keyed draws through the run table
// are also set against "opaque_memcpy", a memcpy of exactly the opaque
// runs: the bound of any draw that writes those bytes, and
// "table_walk_memcpy", the same copies found by walking the run table.
#include "blit_bench_common.h"
#include "softrender/blit/blit.h"

namespace {

using blit_bench::BenchImage;
using blit_bench::CountPixels;
using blit_bench::KeyOf;
using blit_bench::kKey8888;
using blit_bench::kScreenHeight;
using blit_bench::kScreenWidth;
using blit_bench::kWhite;

const uint32_t kHalfBright = 0x00808080;

enum SourceScene { kSprite, kNoise, kAlphaSprite, kAlphaNoise, kShortRuns };

bool HasAlpha(SourceScene scene) { return scene == kAlphaSprite || scene == kAlphaNoise; }

void FillScene(BenchImage *image, int code, SourceScene scene) {
  if (scene == kSprite || scene == kAlphaSprite) {
    blit_bench::FillSprite(image, KeyOf(code), 7);
    return;
  }
  blit_bench::FillNoise(image, 7);
  if (scene == kNoise) return;
  // Uniform random alpha in the fourth byte, or every 7th pixel keyed (and
  // no other pixel equal to the key).
  uint32_t rng = 17;
  const int bytes = image->bytesPerPixel();
  for (int y = 0; y < image->height(); ++y)
    for (int x = 0; x < image->width(); ++x) {
      uint8_t *p = image->row(y) + (intptr_t)x * bytes;
      uint32_t v = 0;
      memcpy(&v, p, (size_t)bytes);
      if (scene == kAlphaNoise)
        v = (v & 0x00FFFFFFu) | (blit_bench::NextRandom(&rng) & 0xFF000000u);
      else if ((y * image->width() + x) % 7 == 0)
        v = KeyOf(code);
      else if (v == KeyOf(code))
        v ^= 1;
      memcpy(p, &v, (size_t)bytes);
    }
}

// The destination: the screen, or larger for larger sources.
int DestWidth(int width) { return width > kScreenWidth ? width : kScreenWidth; }
int DestHeight(int height) { return height > kScreenHeight ? height : kScreenHeight; }

// ---------------------------------------------------------------------------
// Framework

struct DrawCase {
  int code;
  SourceScene scene;
  int width;
  int height;
  int mode;
  int param;
  uint32_t brightness;
  int transparency;
  int runs;  // draw through the source's run table
};

// With runs, the source's pixels come in through a full import, which
// builds the run table the draw then follows.
void VelvaneDraw(benchmark::State &state, DrawCase c) {
  const int alpha = HasAlpha(c.scene);
  BenchImage scene(c.width, c.height, c.code, alpha, KeyOf(c.code));
  FillScene(&scene, c.code, c.scene);
  BenchImage source(c.width, c.height, c.code, alpha, KeyOf(c.code), c.runs);
  if (c.runs)
    blit_bench::ImportWithRunTable(&scene, &source);
  else
    memcpy(source.pixels(), scene.pixels(), (size_t)scene.pitch() * c.height);
  BenchImage dest(DestWidth(c.width), DestHeight(c.height), c.code, 0, 0);
  blit_bench::FillNoise(&dest, 3);
  blit_bench::SetDrawState(c.mode, c.param, c.brightness, dest.width(), dest.height());
  for (auto _ : state) {
    MemImgDrawImage(dest.get(), source.get(), 0, 0, c.transparency, nullptr);
    benchmark::ClobberMemory();
  }
  CountPixels(state, (double)c.width * c.height);
}

void VelvaneFill565(benchmark::State &state) {
  BenchImage dest(kScreenWidth, kScreenHeight, 0, 0, 0);
  for (auto _ : state) {
    MemImgFillRect(dest.get(), nullptr, 0x1234);
    benchmark::ClobberMemory();
  }
  CountPixels(state, (double)kScreenWidth * kScreenHeight);
}

// Positions of the many-small-draws scene, spread over the screen.
std::vector<std::pair<int, int>> SmallDrawPositions(void) {
  std::vector<std::pair<int, int>> positions;
  uint32_t rng = 11;
  for (int i = 0; i < 1000; ++i) {
    const int x = (int)(blit_bench::NextRandom(&rng) % (kScreenWidth - 16));
    const int y = (int)(blit_bench::NextRandom(&rng) % (kScreenHeight - 16));
    positions.push_back(std::make_pair(x, y));
  }
  return positions;
}

void VelvaneSmallDraws(benchmark::State &state, int code, bool runs) {
  BenchImage scene(16, 16, code, 0, KeyOf(code));
  FillScene(&scene, code, kSprite);
  BenchImage source(16, 16, code, 0, KeyOf(code), runs ? 1 : 0);
  if (runs)
    blit_bench::ImportWithRunTable(&scene, &source);
  else
    memcpy(source.pixels(), scene.pixels(), (size_t)scene.pitch() * 16);
  BenchImage dest(kScreenWidth, kScreenHeight, code, 0, 0);
  blit_bench::SetDrawState(0, 0, kWhite, kScreenWidth, kScreenHeight);
  const auto positions = SmallDrawPositions();
  for (auto _ : state) {
    for (const auto &p : positions)
      MemImgDrawImage(dest.get(), source.get(), p.first, p.second, 1, nullptr);
    benchmark::ClobberMemory();
  }
  CountPixels(state, 1000.0 * 256);
}

void MemcpyRows(benchmark::State &state) {
  BenchImage source(kScreenWidth, kScreenHeight, 1, 0, 0);
  BenchImage dest(kScreenWidth, kScreenHeight, 1, 0, 0);
  blit_bench::FillNoise(&source, 5);
  for (auto _ : state) {
    for (int y = 0; y < kScreenHeight; ++y) memcpy(dest.row(y), source.row(y), kScreenWidth * 4);
    benchmark::ClobberMemory();
  }
  CountPixels(state, (double)kScreenWidth * kScreenHeight);
}

// The least work of any keyed draw of the scene: a memcpy of each opaque
// run, from a list of the runs made beforehand (no key test, no run
// decoding). A bound to set the draws against, not a library.
void OpaqueRunCopies(benchmark::State &state, DrawCase c) {
  BenchImage source(c.width, c.height, c.code, 0, KeyOf(c.code));
  FillScene(&source, c.code, c.scene);
  BenchImage dest(DestWidth(c.width), DestHeight(c.height), c.code, 0, 0);
  blit_bench::FillNoise(&dest, 3);
  const int bytes = source.bytesPerPixel();
  struct Span {
    size_t destOffset, sourceOffset, bytes;
  };
  std::vector<Span> spans;
  for (int y = 0; y < c.height; ++y) {
    int x = 0;
    while (x < c.width) {
      uint32_t v = 0;
      memcpy(&v, source.row(y) + (intptr_t)x * bytes, (size_t)bytes);
      if (v == KeyOf(c.code)) {
        ++x;
        continue;
      }
      const int start = x;
      for (++x; x < c.width; ++x) {
        memcpy(&v, source.row(y) + (intptr_t)x * bytes, (size_t)bytes);
        if (v == KeyOf(c.code)) break;
      }
      spans.push_back(Span{(size_t)y * dest.pitch() + (size_t)start * bytes,
                           (size_t)y * source.pitch() + (size_t)start * bytes,
                           (size_t)(x - start) * bytes});
    }
  }
  for (auto _ : state) {
    for (const Span &span : spans)
      memcpy(dest.pixels() + span.destOffset, source.pixels() + span.sourceOffset, span.bytes);
    benchmark::ClobberMemory();
  }
  CountPixels(state, (double)c.width * c.height);
}

// The least work on the run table's own format: a walk of the source's
// table (runs of one kind that follow each other taken as one, as the draw
// takes them) with a memcpy of each opaque run, and nothing else. Set
// beside "opaque_memcpy" it shows what the decoding costs.
void RunTableWalk(benchmark::State &state, DrawCase c) {
  BenchImage scene(c.width, c.height, c.code, 0, KeyOf(c.code));
  FillScene(&scene, c.code, c.scene);
  BenchImage source(c.width, c.height, c.code, 0, KeyOf(c.code), 1);
  blit_bench::ImportWithRunTable(&scene, &source);
  BenchImage dest(DestWidth(c.width), DestHeight(c.height), c.code, 0, 0);
  blit_bench::FillNoise(&dest, 3);
  const int bytes = source.bytesPerPixel();
  const MemImgBase *base = source.get()->base;
  const uint8_t *table = base->runTable;
  const uint8_t *end = table + ((size_t)base->width + 5) * base->height;
  for (auto _ : state) {
    const uint8_t *code = table;
    for (int y = 0; y < c.height; ++y) {
      uint8_t *d = dest.row(y);
      const uint8_t *s = source.row(y);
      int x = 0;
      // A code: the kind in the top two bits (3: the row's end), the run
      // length less one below.
      while (code < end) {
        const uint8_t k = *code++;
        if ((k & 0xC0) == 0xC0) break;
        const int kind = k >> 6;
        int n = (k & 63) + 1;
        while (code < end && (*code >> 6) == kind) n += (*code++ & 63) + 1;
        if (kind != 0) memcpy(d + (intptr_t)x * bytes, s + (intptr_t)x * bytes, (size_t)n * bytes);
        x += n;
      }
    }
    benchmark::ClobberMemory();
  }
  CountPixels(state, (double)c.width * c.height);
}

// ---------------------------------------------------------------------------
// SDL's software blitter

struct SdlCase {
  int code;
  SourceScene scene;
  int width;
  int height;
  bool colorKey;
  bool rle;
  uint8_t colorMod;  // 255 = none
  uint8_t alphaMod;  // 255 = none
  SDL_BlendMode blend;
};

uint32_t SdlFormat(int code, bool alpha) {
  if (code == 0) return SDL_PIXELFORMAT_RGB565;
  return alpha ? SDL_PIXELFORMAT_ARGB8888 : SDL_PIXELFORMAT_XRGB8888;
}

void SdlBlit(benchmark::State &state, SdlCase c) {
  BenchImage source(c.width, c.height, c.code, HasAlpha(c.scene), KeyOf(c.code));
  BenchImage dest(DestWidth(c.width), DestHeight(c.height), c.code, 0, 0);
  FillScene(&source, c.code, c.scene);
  blit_bench::FillNoise(&dest, 3);
  SDL_Surface *src = blit_bench::SdlView(&source, SdlFormat(c.code, HasAlpha(c.scene)));
  SDL_Surface *dst = blit_bench::SdlView(&dest, SdlFormat(c.code, false));
  if (c.colorKey) SDL_SetColorKey(src, SDL_TRUE, KeyOf(c.code));
  SDL_SetSurfaceRLE(src, c.rle ? 1 : 0);
  if (c.colorMod != 255) SDL_SetSurfaceColorMod(src, c.colorMod, c.colorMod, c.colorMod);
  if (c.alphaMod != 255) SDL_SetSurfaceAlphaMod(src, c.alphaMod);
  SDL_SetSurfaceBlendMode(src, c.blend);
  for (auto _ : state) {
    SDL_Rect at = {0, 0, c.width, c.height};
    SDL_BlitSurface(src, nullptr, dst, &at);
    benchmark::ClobberMemory();
  }
  CountPixels(state, (double)c.width * c.height);
  SDL_FreeSurface(src);
  SDL_FreeSurface(dst);
}

void SdlFill565(benchmark::State &state) {
  BenchImage dest(kScreenWidth, kScreenHeight, 0, 0, 0);
  SDL_Surface *dst = blit_bench::SdlView(&dest, SDL_PIXELFORMAT_RGB565);
  for (auto _ : state) {
    SDL_FillRect(dst, nullptr, 0x1234);
    benchmark::ClobberMemory();
  }
  CountPixels(state, (double)kScreenWidth * kScreenHeight);
  SDL_FreeSurface(dst);
}

void SdlSmallDraws(benchmark::State &state, int code, bool rle) {
  BenchImage source(16, 16, code, 0, KeyOf(code));
  BenchImage dest(kScreenWidth, kScreenHeight, code, 0, 0);
  FillScene(&source, code, kSprite);
  SDL_Surface *src = blit_bench::SdlView(&source, SdlFormat(code, false));
  SDL_Surface *dst = blit_bench::SdlView(&dest, SdlFormat(code, false));
  SDL_SetColorKey(src, SDL_TRUE, KeyOf(code));
  SDL_SetSurfaceRLE(src, rle ? 1 : 0);
  SDL_SetSurfaceBlendMode(src, SDL_BLENDMODE_NONE);
  const auto positions = SmallDrawPositions();
  for (auto _ : state) {
    for (const auto &p : positions) {
      SDL_Rect at = {p.first, p.second, 16, 16};
      SDL_BlitSurface(src, nullptr, dst, &at);
    }
    benchmark::ClobberMemory();
  }
  CountPixels(state, 1000.0 * 256);
  SDL_FreeSurface(src);
  SDL_FreeSurface(dst);
}

// ---------------------------------------------------------------------------
// pixman

enum PixmanSource { kPixmanPlain, kPixmanBinaryAlpha, kPixmanPremultiplied };

struct PixmanCase {
  int code;
  SourceScene scene;
  PixmanSource prepared;
  int width;
  int height;
  pixman_op_t op;
  int maskAlpha;  // -1: no mask; else a solid mask of this alpha
};

void PixmanComposite(benchmark::State &state, PixmanCase c) {
  const bool alphaSource = c.prepared != kPixmanPlain;
  BenchImage scene(c.width, c.height, c.code, HasAlpha(c.scene), KeyOf(c.code));
  FillScene(&scene, c.code, c.scene);
  BenchImage source(c.width, c.height, c.code, alphaSource, 0);
  if (c.prepared == kPixmanBinaryAlpha) {
    blit_bench::MakeBinaryAlphaCopy(&scene, KeyOf(c.code), &source);
  } else {
    for (int y = 0; y < c.height; ++y) memcpy(source.row(y), scene.row(y), scene.pitch());
    if (c.prepared == kPixmanPremultiplied) blit_bench::Premultiply(&source);
  }
  BenchImage dest(DestWidth(c.width), DestHeight(c.height), c.code, 0, 0);
  blit_bench::FillNoise(&dest, 3);
  // ADD on 8888 runs on a8r8g8b8 views: the same colour result through
  // pixman's fast path (x8r8g8b8 takes its generic one).
  const bool addViews = c.op == PIXMAN_OP_ADD && c.code == 1;
  const pixman_format_code_t destFormat =
      c.code == 0 ? PIXMAN_r5g6b5 : (addViews ? PIXMAN_a8r8g8b8 : PIXMAN_x8r8g8b8);
  const pixman_format_code_t sourceFormat =
      alphaSource || addViews ? PIXMAN_a8r8g8b8 : (c.code == 0 ? PIXMAN_r5g6b5 : PIXMAN_x8r8g8b8);
  pixman_image_t *src = blit_bench::PixmanView(&source, sourceFormat);
  pixman_image_t *dst = blit_bench::PixmanView(&dest, destFormat);
  pixman_image_t *mask = nullptr;
  if (c.maskAlpha >= 0) {
    pixman_color_t color = {0, 0, 0, (uint16_t)(c.maskAlpha * 257)};
    mask = pixman_image_create_solid_fill(&color);
  }
  for (auto _ : state) {
    pixman_image_composite32(c.op, src, mask, dst, 0, 0, 0, 0, 0, 0, c.width, c.height);
    benchmark::ClobberMemory();
  }
  CountPixels(state, (double)c.width * c.height);
  if (mask) pixman_image_unref(mask);
  pixman_image_unref(src);
  pixman_image_unref(dst);
}

void PixmanFill565(benchmark::State &state) {
  BenchImage dest(kScreenWidth, kScreenHeight, 0, 0, 0);
  for (auto _ : state) {
    pixman_fill((uint32_t *)dest.pixels(), dest.pitch() / 4, 16, 0, 0, kScreenWidth, kScreenHeight,
                0x1234);
    benchmark::ClobberMemory();
  }
  CountPixels(state, (double)kScreenWidth * kScreenHeight);
}

void PixmanSmallDraws8888(benchmark::State &state) {
  BenchImage scene(16, 16, 1, 0, kKey8888);
  FillScene(&scene, 1, kSprite);
  BenchImage source(16, 16, 1, 1, 0);
  blit_bench::MakeBinaryAlphaCopy(&scene, kKey8888, &source);
  BenchImage dest(kScreenWidth, kScreenHeight, 1, 0, 0);
  pixman_image_t *src = blit_bench::PixmanView(&source, PIXMAN_a8r8g8b8);
  pixman_image_t *dst = blit_bench::PixmanView(&dest, PIXMAN_x8r8g8b8);
  const auto positions = SmallDrawPositions();
  for (auto _ : state) {
    for (const auto &p : positions)
      pixman_image_composite32(PIXMAN_OP_OVER, src, nullptr, dst, 0, 0, 0, 0, p.first, p.second, 16,
                               16);
    benchmark::ClobberMemory();
  }
  CountPixels(state, 1000.0 * 256);
  pixman_image_unref(src);
  pixman_image_unref(dst);
}

// ---------------------------------------------------------------------------
// Registration: "<case>/<implementation>".

std::string SizeName(const char *what, int code, int width, int height) {
  return std::string(what) + (code == 0 ? "565_" : "8888_") + std::to_string(width) + "x" +
         std::to_string(height);
}

void RegisterAll(void) {
  using blit_bench::Register;
  const int W = kScreenWidth, H = kScreenHeight;
  const SDL_BlendMode none = SDL_BLENDMODE_NONE, blend = SDL_BLENDMODE_BLEND,
                      add = SDL_BLENDMODE_ADD;

  Register("fill565_640x480", "velvane", VelvaneFill565);
  Register("fill565_640x480", "pixman", PixmanFill565);
  Register("fill565_640x480", "sdl", SdlFill565);

  static const int kSizes[][2] = {{64, 64}, {W, H}, {1920, 1080}};
  for (const auto &size : kSizes)
    for (int code = 0; code < 2; ++code) {
      const int w = size[0], h = size[1];
      const std::string name = SizeName("copy", code, w, h);
      Register(name, "velvane", VelvaneDraw, DrawCase{code, kNoise, w, h, 0, 0, kWhite, 0, 0});
      Register(name, "pixman", PixmanComposite,
               PixmanCase{code, kNoise, kPixmanPlain, w, h, PIXMAN_OP_SRC, -1});
      Register(name, "sdl", SdlBlit, SdlCase{code, kNoise, w, h, false, false, 255, 255, none});
      if (code == 1 && w == W) Register(name, "memcpy", MemcpyRows);
    }

  // Keyed: sprites (long runs) at three sizes and a narrow strip, and noise
  // with every 7th pixel keyed (short runs); each plain and through the run
  // table against SDL's plain and RLE blits, the latter also against the
  // bound of copying just the opaque runs and that copy on the table's walk.
  struct KeyedScene {
    const char *name;
    SourceScene scene;
    int width, height;
  };
  const KeyedScene keyedScenes[] = {
      {"keyed", kSprite, 64, 64},
      {"keyed", kSprite, W, H},
      {"keyed", kSprite, 160, H},
      {"keyed", kSprite, 1920, 1080},
      {"keyed_short_runs", kShortRuns, W, H},
  };
  for (const KeyedScene &k : keyedScenes)
    for (int code = 0; code < 2; ++code) {
      const int w = k.width, h = k.height;
      const std::string name = SizeName((std::string(k.name) + "_").c_str(), code, w, h);
      Register(name, "velvane", VelvaneDraw, DrawCase{code, k.scene, w, h, 0, 0, kWhite, 1, 0});
      Register(name, "sdl", SdlBlit, SdlCase{code, k.scene, w, h, true, false, 255, 255, none});
      Register(name + "_runs", "velvane", VelvaneDraw,
               DrawCase{code, k.scene, w, h, 0, 0, kWhite, 1, 1});
      Register(name + "_runs", "sdl_rle", SdlBlit,
               SdlCase{code, k.scene, w, h, true, true, 255, 255, none});
      Register(name + "_runs", "opaque_memcpy", OpaqueRunCopies,
               DrawCase{code, k.scene, w, h, 0, 0, kWhite, 1, 1});
      Register(name + "_runs", "table_walk_memcpy", RunTableWalk,
               DrawCase{code, k.scene, w, h, 0, 0, kWhite, 1, 1});
      if (code == 1)
        Register(name, "pixman_over", PixmanComposite,
                 PixmanCase{code, k.scene, kPixmanBinaryAlpha, w, h, PIXMAN_OP_OVER, -1});
    }

  // SDL's colour modulation with a key runs its generic blitter.
  for (int code = 0; code < 2; ++code) {
    const std::string name = SizeName("fade_keyed", code, W, H);
    Register(name, "velvane", VelvaneDraw, DrawCase{code, kSprite, W, H, 0, 0, kHalfBright, 1, 0});
    Register(name, "sdl_colormod_generic", SdlBlit,
             SdlCase{code, kSprite, W, H, true, false, 128, 255, none});
  }

  // pixman's solid-mask OVER onto 565 is a generic path.
  for (const auto &size : kSizes)
    for (int code = 0; code < 2; ++code)
      for (int p : {128, 100}) {
        const int w = size[0], h = size[1];
        const std::string name = SizeName(p == 128 ? "alpha128_" : "alpha100_", code, w, h);
        Register(name, "velvane", VelvaneDraw, DrawCase{code, kNoise, w, h, 1, p, kWhite, 0, 0});
        Register(name, "sdl_alphamod", SdlBlit,
                 SdlCase{code, kNoise, w, h, false, false, 255, (uint8_t)p, blend});
        Register(name, code == 0 ? "pixman_over_mask_generic" : "pixman_over_mask", PixmanComposite,
                 PixmanCase{code, kNoise, kPixmanPlain, w, h, PIXMAN_OP_OVER, p});
      }

  // Per-pixel alpha: a sprite (opaque and transparent groups, a soft rim)
  // and uniform random alpha.
  for (const auto &size : kSizes)
    for (SourceScene scene : {kAlphaSprite, kAlphaNoise}) {
      const int w = size[0], h = size[1];
      const std::string name =
          SizeName(scene == kAlphaSprite ? "peralpha_sprite_" : "peralpha_random_", 1, w, h);
      Register(name, "velvane", VelvaneDraw, DrawCase{1, scene, w, h, 0, 0, kWhite, 1, 0});
      Register(name, "sdl_blend", SdlBlit, SdlCase{1, scene, w, h, false, false, 255, 255, blend});
      Register(name, "pixman_over", PixmanComposite,
               PixmanCase{1, scene, kPixmanPremultiplied, w, h, PIXMAN_OP_OVER, -1});
    }

  // Additive: SDL's 565 add and pixman's ADD on r5g6b5 are generic paths.
  for (int code = 0; code < 2; ++code) {
    const std::string name = SizeName("add", code, W, H);
    Register(name, "velvane", VelvaneDraw, DrawCase{code, kNoise, W, H, 2, 255, kWhite, 0, 0});
    Register(name, code == 0 ? "sdl_add_generic" : "sdl_add", SdlBlit,
             SdlCase{code, kNoise, W, H, false, false, 255, 255, add});
    Register(name, code == 0 ? "pixman_add_generic" : "pixman_add", PixmanComposite,
             PixmanCase{code, kNoise, kPixmanPlain, W, H, PIXMAN_OP_ADD, -1});
  }

  for (int code = 0; code < 2; ++code) {
    const std::string name = std::string("small16x16_x1000_") + (code == 0 ? "565" : "8888");
    Register(name, "velvane", VelvaneSmallDraws, code, false);
    Register(name, "sdl", SdlSmallDraws, code, false);
    Register(name + "_runs", "velvane", VelvaneSmallDraws, code, true);
    Register(name + "_runs", "sdl_rle", SdlSmallDraws, code, true);
    if (code == 1) Register(name, "pixman_over", PixmanSmallDraws8888);
  }
}

}  // namespace

int main(int argc, char **argv) {
  RegisterAll();
  return blit_bench::RunWithRatios(argc, argv);
}

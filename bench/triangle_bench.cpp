// The software triangle and the quad draw against SDL's software renderer
// (SDL_RenderGeometry, nearest; keyed through a binary-alpha texture with
// blending; each scene's triangles in one call, flushed inside the timed
// region) and pixman (solid triangles through an a1 mask, one call per
// triangle, and a solid rectangle fill of the same pixel count); the quad
// against SDL_RenderCopyEx and pixman's affine nearest composite (a generic
// path). The blend modes' scenes take SDL's matching blend mode (BLEND with
// alpha-mod 128, ADD, MOD, MUL with alpha-mod 128); modes 3 and 10 have no
// match and print their own figures. The blended rectangle fill over the
// whole screen against pixman's solid fill, OVER and ADD (pixman's 565 OVER
// and ADD are marked generic). Same seeded scenes for everyone, one thread;
// pixels are counted per implementation, outside the timed region.
#include "blit_bench_common.h"

#include <math.h>

#include <algorithm>
#include <functional>

#include "softrender/blit/blit.h"
#include "softrender/triangle/triangle.h"

namespace {

using namespace blit_bench;

const int kTextureSize = 256;

// One scene: right-angled triangles with legs of about leg pixels, turned
// at random, spread over the screen; textured from a 256 x 256 source
// (plain or keyed) or flat.
enum Fill { FILL_FLAT, FILL_PLAIN, FILL_KEYED };

// A blend mode of the framework and SDL's blend mode of the same result
// (matched false: no such mode, own figures only).
struct BlendCase {
  const char *name;
  int mode, param;
  bool alphaTexels;  // per-pixel alpha in the texture (uniform random)
  bool matched;
  SDL_BlendMode sdlMode;
  uint8_t alphaMod;
};

const BlendCase kCopy = {"", 0, 0, false, true, SDL_BLENDMODE_NONE, 255};
const BlendCase kTexturedBlends[] = {
    {"_blend128", 1, 128, false, true, SDL_BLENDMODE_BLEND, 128},
    {"_blendalpha128", 1, 128, true, true, SDL_BLENDMODE_BLEND, 128},
    {"_add", 2, 255, false, true, SDL_BLENDMODE_ADD, 255},
    {"_mod", 4, 0, false, true, SDL_BLENDMODE_MOD, 255},
    {"_mul128", 11, 128, false, true, SDL_BLENDMODE_MUL, 128},
    {"_sub128", 3, 128, false, false, SDL_BLENDMODE_NONE, 255},
    {"_invert128", 10, 128, false, false, SDL_BLENDMODE_NONE, 255},
};
const BlendCase kFlatBlends[] = {
    {"_blend128", 1, 128, false, true, SDL_BLENDMODE_BLEND, 128},
    {"_add", 2, 255, false, true, SDL_BLENDMODE_ADD, 255},
};

struct Scene {
  int code;
  int leg;
  int fill;
  BlendCase blend;
};

struct Triangle {
  int corners[TRIANGLE_CORNER_INTS];
};

int TriangleCount(int leg) { return leg <= 6 ? 4000 : (leg <= 48 ? 400 : 12); }

std::vector<Triangle> MakeTriangles(int leg) {
  uint32_t rng = 12345u + (uint32_t)leg;
  std::vector<Triangle> out;
  const int texLeg = leg < kTextureSize - 1 ? leg : kTextureSize - 1;
  for (int i = 0; i < TriangleCount(leg); ++i) {
    const double a = (blit_bench::NextRandom(&rng) % 3600) * kPi / 1800;
    const int cx = (int)(blit_bench::NextRandom(&rng) % kScreenWidth);
    const int cy = (int)(blit_bench::NextRandom(&rng) % kScreenHeight);
    const int u0 = (int)(blit_bench::NextRandom(&rng) % (uint32_t)(kTextureSize - texLeg));
    const int v0 = (int)(blit_bench::NextRandom(&rng) % (uint32_t)(kTextureSize - texLeg));
    const double l = leg * (0.8 + (blit_bench::NextRandom(&rng) % 41) / 100.0);
    Triangle t = {{cx, cy, u0, v0,
                   cx + (int)lround(l * cos(a)), cy + (int)lround(l * sin(a)), u0 + texLeg, v0,
                   cx - (int)lround(l * sin(a)), cy + (int)lround(l * cos(a)), u0, v0 + texLeg}};
    out.push_back(t);
  }
  return out;
}

void FillTexture(BenchImage *image, int code, bool keyed) {
  if (keyed)
    blit_bench::FillSprite(image, KeyOf(code), 7);
  else
    blit_bench::FillNoise(image, 7);
}

// Noise colours with uniform random alpha: 8888 texels as 0xAARRGGBB; the
// framework's 565 texels as the 565 word with the alpha in byte 2. SDL's
// copy (argb true) is 0xAARRGGBB with the 565 colour widened.
void FillAlphaTexture(BenchImage *image, int code, bool argb) {
  uint32_t rng = 7;
  for (int y = 0; y < image->height(); ++y)
    for (int x = 0; x < image->width(); ++x) {
      const uint32_t v = blit_bench::NextRandom(&rng);
      uint32_t texel = v;
      if (code == 0) {
        const uint32_t w = v & 0xFFFF, a = v >> 24;
        const uint32_t r = (w >> 11) * 255 / 31, g = ((w >> 5) & 63) * 255 / 63,
                       b = (w & 31) * 255 / 31;
        texel = argb ? a << 24 | r << 16 | g << 8 | b : a << 16 | w;
      }
      memcpy(image->row(y) + 4 * x, &texel, 4);
    }
}

// Pixels one implementation writes for a scene: each triangle drawn alone
// in white onto a black 8888 screen, the non-black pixels counted and
// cleared again.
double CountScene(const std::vector<Triangle> &tris,
                  const std::function<void(BenchImage *, const Triangle &)> &draw) {
  BenchImage screen(kScreenWidth, kScreenHeight, 1, 0, 0);
  for (int y = 0; y < kScreenHeight; ++y) memset(screen.row(y), 0, (size_t)screen.pitch());
  double total = 0;
  for (const Triangle &t : tris) {
    draw(&screen, t);
    // Only the triangle's bounding box, with a margin for each library's
    // own edge rules, can hold its pixels.
    int left = kScreenWidth, right = -1, top = kScreenHeight, bottom = -1;
    for (int i = 0; i < 3; ++i) {
      left = std::min(left, t.corners[4 * i] - 2);
      right = std::max(right, t.corners[4 * i] + 2);
      top = std::min(top, t.corners[4 * i + 1] - 2);
      bottom = std::max(bottom, t.corners[4 * i + 1] + 2);
    }
    for (int y = std::max(top, 0); y <= std::min(bottom, kScreenHeight - 1); ++y) {
      uint32_t *row = (uint32_t *)screen.row(y);
      for (int x = std::max(left, 0); x <= std::min(right, kScreenWidth - 1); ++x)
        if (row[x] & 0x00FFFFFFu) {
          ++total;
          row[x] = 0;
        }
    }
  }
  return total;
}

// ---------------------------------------------------------------------------
// Framework

void VelvaneTriangles(benchmark::State &state, Scene s) {
  const std::vector<Triangle> tris = MakeTriangles(s.leg);
  BenchImage texture(kTextureSize, kTextureSize, s.code, s.blend.alphaTexels, KeyOf(s.code));
  BenchImage dest(kScreenWidth, kScreenHeight, s.code, 0, 0);
  if (s.blend.alphaTexels)
    FillAlphaTexture(&texture, s.code, false);
  else
    FillTexture(&texture, s.code, s.fill == FILL_KEYED);
  blit_bench::FillNoise(&dest, 3);
  blit_bench::SetDrawState(s.blend.mode, s.blend.param, kWhite, kScreenWidth, kScreenHeight);
  const MEMIMG *source = s.fill == FILL_FLAT ? nullptr : texture.get();
  const int transparent = s.fill == FILL_KEYED ? 1 : 0;
  for (auto _ : state) {
    for (const Triangle &t : tris)
      MemImgDrawTriangle(dest.get(), source, t.corners, transparent, nullptr, 0x1234);
    benchmark::ClobberMemory();
  }
  // Counted in mode 0, where every covered pixel turns white.
  blit_bench::SetDrawState(0, 0, kWhite, kScreenWidth, kScreenHeight);
  BenchImage white(kTextureSize, kTextureSize, 1, 0, 0);
  for (int y = 0; y < kTextureSize; ++y) memset(white.row(y), 0xFF, (size_t)white.pitch());
  const double pixels = CountScene(tris, [&](BenchImage *screen, const Triangle &t) {
    MemImgDrawTriangle(screen->get(), source ? white.get() : nullptr, t.corners, 0, nullptr,
                       0x00FFFFFF);
  });
  CountPixels(state, pixels);
  state.counters["tri/s"] =
      benchmark::Counter((double)tris.size() * (double)state.iterations(), benchmark::Counter::kIsRate);
}

// ---------------------------------------------------------------------------
// SDL: the software renderer's geometry path

struct SdlTarget {
  SDL_Surface *surface = nullptr;
  SDL_Renderer *renderer = nullptr;
  SDL_Texture *texture = nullptr;

  SdlTarget(BenchImage *dest, int code, BenchImage *texturePixels, bool keyed) {
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    surface = blit_bench::SdlView(dest, SdlScreenFormat(code));
    renderer = SDL_CreateSoftwareRenderer(surface);
    if (!renderer || !texturePixels) return;
    const uint32_t format = keyed ? (uint32_t)SDL_PIXELFORMAT_ARGB8888
                                  : SdlScreenFormat(texturePixels->get()->base->formatCode);
    SDL_Surface *src = blit_bench::SdlView(texturePixels, format);
    texture = SDL_CreateTextureFromSurface(renderer, src);
    SDL_FreeSurface(src);
    if (texture) SDL_SetTextureBlendMode(texture, keyed ? SDL_BLENDMODE_BLEND : SDL_BLENDMODE_NONE);
  }
  ~SdlTarget() {
    if (texture) SDL_DestroyTexture(texture);
    if (renderer) SDL_DestroyRenderer(renderer);
    if (surface) SDL_FreeSurface(surface);
  }
};

std::vector<SDL_Vertex> SdlVertices(const std::vector<Triangle> &tris, SDL_Color colour) {
  std::vector<SDL_Vertex> v;
  for (const Triangle &t : tris)
    for (int i = 0; i < 3; ++i) {
      const int *c = t.corners + 4 * i;
      SDL_Vertex vertex;
      vertex.position = {(float)c[0], (float)c[1]};
      vertex.color = colour;
      vertex.tex_coord = {(float)c[2] / kTextureSize, (float)c[3] / kTextureSize};
      v.push_back(vertex);
    }
  return v;
}

void SdlTriangles(benchmark::State &state, Scene s) {
  const std::vector<Triangle> tris = MakeTriangles(s.leg);
  const bool keyed = s.fill == FILL_KEYED;
  // A keyed texture is a binary-alpha copy of the keyed sprite.
  BenchImage scene(kTextureSize, kTextureSize, s.code, 0, KeyOf(s.code));
  FillTexture(&scene, s.code, keyed);
  BenchImage keyedCopy(kTextureSize, kTextureSize, 1, 1, 0);
  if (keyed) {
    BenchImage scene8888(kTextureSize, kTextureSize, 1, 0, 0);
    FillTexture(&scene8888, 1, true);
    blit_bench::MakeBinaryAlphaCopy(&scene8888, KeyOf(1), &keyedCopy);
  } else if (s.blend.alphaTexels) {
    FillAlphaTexture(&keyedCopy, s.code, true);
  }
  BenchImage dest(kScreenWidth, kScreenHeight, s.code, 0, 0);
  blit_bench::FillNoise(&dest, 3);
  const bool argb = keyed || s.blend.alphaTexels;
  BenchImage *texturePixels = s.fill == FILL_FLAT ? nullptr : (argb ? &keyedCopy : &scene);
  SdlTarget target(&dest, s.code, texturePixels, argb);
  if (!target.renderer || (texturePixels && !target.texture)) {
    state.SkipWithError("no SDL software renderer");
    return;
  }
  const bool blended = s.blend.mode != 0;
  SDL_Color colour = {0x12, 0x34, 0x56, 0xFF};
  if (blended && texturePixels) {
    SDL_SetTextureBlendMode(target.texture, s.blend.sdlMode);
    SDL_SetTextureAlphaMod(target.texture, s.blend.alphaMod);
    colour = SDL_Color{0xFF, 0xFF, 0xFF, 0xFF};
  } else if (blended) {
    colour.a = s.blend.alphaMod;
  }
  SDL_SetRenderDrawBlendMode(target.renderer, blended ? s.blend.sdlMode : SDL_BLENDMODE_NONE);
  const std::vector<SDL_Vertex> vertices = SdlVertices(tris, colour);
  for (auto _ : state) {
    SDL_RenderGeometry(target.renderer, target.texture, vertices.data(), (int)vertices.size(),
                       nullptr, 0);
    SDL_RenderFlush(target.renderer);
    benchmark::ClobberMemory();
  }
  // Counting: white, each triangle alone (an all-white texture when textured).
  BenchImage whiteTexture(kTextureSize, kTextureSize, 1, 0, 0);
  for (int y = 0; y < kTextureSize; ++y) memset(whiteTexture.row(y), 0xFF, (size_t)whiteTexture.pitch());
  const double pixels = CountScene(tris, [&](BenchImage *screen, const Triangle &t) {
    SdlTarget counter(screen, 1, texturePixels ? &whiteTexture : nullptr, false);
    SDL_SetRenderDrawBlendMode(counter.renderer, SDL_BLENDMODE_NONE);
    const std::vector<SDL_Vertex> one = SdlVertices({t}, SDL_Color{0xFF, 0xFF, 0xFF, 0xFF});
    SDL_RenderGeometry(counter.renderer, counter.texture, one.data(), 3, nullptr, 0);
    SDL_RenderFlush(counter.renderer);
  });
  CountPixels(state, pixels);
  state.counters["tri/s"] =
      benchmark::Counter((double)tris.size() * (double)state.iterations(), benchmark::Counter::kIsRate);
}

// ---------------------------------------------------------------------------
// pixman: solid triangles through an a1 mask, and a rectangle fill

pixman_triangle_t PixmanTriangle(const Triangle &t) {
  // Pixel centres, as the framework's corners are.
  pixman_triangle_t p;
  pixman_point_fixed_t *points[3] = {&p.p1, &p.p2, &p.p3};
  for (int i = 0; i < 3; ++i) {
    points[i]->x = pixman_double_to_fixed(t.corners[4 * i] + 0.5);
    points[i]->y = pixman_double_to_fixed(t.corners[4 * i + 1] + 0.5);
  }
  return p;
}

void PixmanSolidTriangles(benchmark::State &state, Scene s) {
  const std::vector<Triangle> tris = MakeTriangles(s.leg);
  std::vector<pixman_triangle_t> ptris;
  for (const Triangle &t : tris) ptris.push_back(PixmanTriangle(t));
  BenchImage dest(kScreenWidth, kScreenHeight, s.code, 0, 0);
  blit_bench::FillNoise(&dest, 3);
  pixman_image_t *dst = blit_bench::PixmanView(&dest, PixmanScreenFormat(s.code));
  const pixman_color_t colour = {0x1200, 0x3400, 0x5600, 0xFFFF};
  pixman_image_t *solid = pixman_image_create_solid_fill(&colour);
  for (auto _ : state) {
    for (const pixman_triangle_t &t : ptris)
      pixman_composite_triangles(PIXMAN_OP_OVER, solid, dst, PIXMAN_a1, 0, 0, 0, 0, 1, &t);
    benchmark::ClobberMemory();
  }
  const pixman_color_t white = {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
  pixman_image_t *whiteFill = pixman_image_create_solid_fill(&white);
  const double pixels = CountScene(tris, [&](BenchImage *screen, const Triangle &t) {
    pixman_image_t *view = blit_bench::PixmanView(screen, PIXMAN_x8r8g8b8);
    const pixman_triangle_t p = PixmanTriangle(t);
    pixman_composite_triangles(PIXMAN_OP_OVER, whiteFill, view, PIXMAN_a1, 0, 0, 0, 0, 1, &p);
    pixman_image_unref(view);
  });
  CountPixels(state, pixels);
  state.counters["tri/s"] =
      benchmark::Counter((double)tris.size() * (double)state.iterations(), benchmark::Counter::kIsRate);
  pixman_image_unref(whiteFill);
  pixman_image_unref(solid);
  pixman_image_unref(dst);
}

// Rectangles of the same total area as the framework's flat scene: one per
// triangle, leg pixels wide (at most the screen), its pixel count high.
void PixmanFillSameArea(benchmark::State &state, Scene s) {
  const std::vector<Triangle> tris = MakeTriangles(s.leg);
  BenchImage dest(kScreenWidth, kScreenHeight, s.code, 0, 0);
  blit_bench::FillNoise(&dest, 3);
  std::vector<pixman_box32_t> boxes;
  uint32_t rng = 99;
  double area = 0;
  for (const Triangle &t : tris) {
    const double each = CountScene({t}, [](BenchImage *screen, const Triangle &one) {
      MemImgDrawTriangle(screen->get(), nullptr, one.corners, 0, nullptr, 0x00FFFFFF);
    });
    const int w = s.leg < kScreenWidth ? (s.leg > 0 ? s.leg : 1) : kScreenWidth;
    const int h = (int)lround(each / w);
    if (h <= 0) continue;
    const int x = (int)(blit_bench::NextRandom(&rng) % (uint32_t)(kScreenWidth - w + 1));
    const int y = (int)(blit_bench::NextRandom(&rng) % (uint32_t)(kScreenHeight - (h < kScreenHeight ? h : kScreenHeight) + 1));
    boxes.push_back({x, y, x + w, y + h < kScreenHeight ? y + h : kScreenHeight});
    area += (double)w * ((y + h < kScreenHeight ? y + h : kScreenHeight) - y);
  }
  pixman_image_t *dst = blit_bench::PixmanView(&dest, PixmanScreenFormat(s.code));
  const pixman_color_t colour = {0x1200, 0x3400, 0x5600, 0xFFFF};
  for (auto _ : state) {
    pixman_image_fill_boxes(PIXMAN_OP_SRC, dst, &colour, (int)boxes.size(), boxes.data());
    benchmark::ClobberMemory();
  }
  CountPixels(state, area);
  pixman_image_unref(dst);
}

// ---------------------------------------------------------------------------
// The blended rectangle fill over the whole screen

struct FillCase {
  int code;
  int mode, param;
};

const uint32_t kFillColour = 0x00123456;

double ScreenPixels(void) { return (double)kScreenWidth * kScreenHeight; }

void VelvaneFill(benchmark::State &state, FillCase f) {
  BenchImage dest(kScreenWidth, kScreenHeight, f.code, 0, 0);
  blit_bench::FillNoise(&dest, 3);
  blit_bench::SetDrawState(f.mode, f.param, kWhite, kScreenWidth, kScreenHeight);
  const int colour = f.code == 0 ? 0x11AA : (int)kFillColour;
  for (auto _ : state) {
    MemImgFillRectBlended(dest.get(), nullptr, colour);
    benchmark::ClobberMemory();
  }
  CountPixels(state, ScreenPixels());
}

// pixman: SRC as a solid fill; OVER with a solid colour of alpha 128 on the
// screen format; ADD of a solid colour on an a8r8g8b8 view of an 8888
// screen (the same colour result) or on the r5g6b5 screen.
void PixmanFill(benchmark::State &state, FillCase f) {
  BenchImage dest(kScreenWidth, kScreenHeight, f.code, 0, 0);
  blit_bench::FillNoise(&dest, 3);
  const pixman_format_code_t format =
      f.code == 1 && f.mode == 2 ? PIXMAN_a8r8g8b8 : PixmanScreenFormat(f.code);
  pixman_image_t *dst = blit_bench::PixmanView(&dest, format);
  const pixman_box32_t box = {0, 0, kScreenWidth, kScreenHeight};
  // Premultiplied, as pixman keeps its colours.
  const pixman_color_t opaque = {0x1200, 0x3400, 0x5600, 0xFFFF};
  const pixman_color_t half = {0x0900, 0x1A00, 0x2B00, 0x8080};
  pixman_image_t *solid = pixman_image_create_solid_fill(f.mode == 1 ? &half : &opaque);
  const pixman_op_t op = f.mode == 0 ? PIXMAN_OP_SRC : (f.mode == 1 ? PIXMAN_OP_OVER : PIXMAN_OP_ADD);
  for (auto _ : state) {
    if (f.mode == 0)
      pixman_image_fill_boxes(op, dst, &opaque, 1, &box);
    else
      pixman_image_composite32(op, solid, nullptr, dst, 0, 0, 0, 0, 0, 0, kScreenWidth,
                               kScreenHeight);
    benchmark::ClobberMemory();
  }
  CountPixels(state, ScreenPixels());
  pixman_image_unref(solid);
  pixman_image_unref(dst);
}

// ---------------------------------------------------------------------------
// The quad: a 256 x 192 image turned by 30 degrees at scale 1.5, mirrored
// (the rotated draw's quad road) for the framework

const int kQuadWidth = 256, kQuadHeight = 192;
const double kQuadDegrees = 30.0, kQuadScale = 1.5;

double QuadPixels(void) { return kQuadWidth * kQuadHeight * kQuadScale * kQuadScale; }

void VelvaneQuad(benchmark::State &state, int code) {
  BenchImage source(kQuadWidth, kQuadHeight, code, 0, KeyOf(code));
  BenchImage dest(kScreenWidth, kScreenHeight, code, 0, 0);
  blit_bench::FillNoise(&source, 7);
  blit_bench::FillNoise(&dest, 3);
  blit_bench::SetDrawState(0, 0, kWhite, kScreenWidth, kScreenHeight);
  for (auto _ : state) {
    MemImgDrawRotated(dest.get(), source.get(), kScreenWidth / 2, kScreenHeight / 2,
                      (float)(kQuadDegrees * kPi / 180), (float)kQuadScale, 0, 1, nullptr);
    benchmark::ClobberMemory();
  }
  CountPixels(state, QuadPixels());
}

void SdlQuad(benchmark::State &state, int code) {
  BenchImage source(kQuadWidth, kQuadHeight, code, 0, KeyOf(code));
  BenchImage dest(kScreenWidth, kScreenHeight, code, 0, 0);
  blit_bench::FillNoise(&source, 7);
  blit_bench::FillNoise(&dest, 3);
  SdlTarget target(&dest, code, &source, false);
  if (!target.texture) {
    state.SkipWithError("no SDL software renderer");
    return;
  }
  const int w = (int)lround(kQuadWidth * kQuadScale), h = (int)lround(kQuadHeight * kQuadScale);
  const SDL_Rect to = {kScreenWidth / 2 - w / 2, kScreenHeight / 2 - h / 2, w, h};
  for (auto _ : state) {
    SDL_RenderCopyEx(target.renderer, target.texture, nullptr, &to, kQuadDegrees, nullptr,
                     SDL_FLIP_HORIZONTAL);
    SDL_RenderFlush(target.renderer);
    benchmark::ClobberMemory();
  }
  CountPixels(state, QuadPixels());
}

// Generic path: an affine transform with nearest filtering over the turned
// image's bounding box.
void PixmanAffineQuad(benchmark::State &state, int code) {
  BenchImage source(kQuadWidth, kQuadHeight, code, 0, 0);
  BenchImage dest(kScreenWidth, kScreenHeight, code, 0, 0);
  blit_bench::FillNoise(&source, 7);
  blit_bench::FillNoise(&dest, 3);
  pixman_image_t *src = blit_bench::PixmanView(&source, PixmanScreenFormat(code));
  pixman_image_t *dst = blit_bench::PixmanView(&dest, PixmanScreenFormat(code));
  const double a = kQuadDegrees * kPi / 180, c = cos(a) / kQuadScale, sn = sin(a) / kQuadScale;
  const double cx = kScreenWidth / 2.0, cy = kScreenHeight / 2.0;
  // Destination pixel -> source point, mirrored left to right.
  const double tx = kQuadWidth / 2.0 + (c * cx + sn * cy), ty = kQuadHeight / 2.0 - (-sn * cx + c * cy);
  pixman_transform_t t = {{{pixman_double_to_fixed(-c), pixman_double_to_fixed(-sn), pixman_double_to_fixed(tx)},
                           {pixman_double_to_fixed(-sn), pixman_double_to_fixed(c), pixman_double_to_fixed(ty)},
                           {0, 0, pixman_fixed_1}}};
  pixman_image_set_transform(src, &t);
  pixman_image_set_filter(src, PIXMAN_FILTER_NEAREST, nullptr, 0);
  pixman_image_set_repeat(src, PIXMAN_REPEAT_NONE);
  const double hw = kQuadWidth * kQuadScale / 2, hh = kQuadHeight * kQuadScale / 2;
  const double ex = fabs(hw * cos(a)) + fabs(hh * sin(a)), ey = fabs(hw * sin(a)) + fabs(hh * cos(a));
  const int x = (int)floor(cx - ex), y = (int)floor(cy - ey);
  const int w = (int)ceil(2 * ex) + 1, h = (int)ceil(2 * ey) + 1;
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_OVER, src, nullptr, dst, x, y, 0, 0, x, y, w, h);
    benchmark::ClobberMemory();
  }
  CountPixels(state, QuadPixels());
  pixman_image_unref(src);
  pixman_image_unref(dst);
}

// ---------------------------------------------------------------------------
// Registration: "<case>/<implementation>".

void RegisterAll(void) {
  using blit_bench::Register;
  static const char *kFills[] = {"flat", "textured", "keyed"};
  for (int code = 0; code < 2; ++code)
    for (int leg : {6, 48, 360})
      for (int fill = 0; fill < 3; ++fill) {
        const Scene s = {code, leg, fill, kCopy};
        const std::string name = std::string("tri") + std::to_string(leg) + "_" + kFills[fill] +
                                 "_" + (code == 0 ? "565" : "8888");
        Register(name, "velvane", VelvaneTriangles, s);
        Register(name, "sdl_geometry", SdlTriangles, s);
        if (fill == FILL_FLAT) {
          Register(name, "pixman_triangles", PixmanSolidTriangles, s);
          Register(name, "pixman_fill_same_area", PixmanFillSameArea, s);
        }
      }
  // The blend modes, textured and flat.
  for (int code = 0; code < 2; ++code)
    for (int leg : {6, 48, 360}) {
      const std::string size = std::string("tri") + std::to_string(leg);
      const std::string format = code == 0 ? "_565" : "_8888";
      for (const BlendCase &b : kTexturedBlends) {
        const Scene s = {code, leg, FILL_PLAIN, b};
        Register(size + "_textured" + b.name + format, "velvane", VelvaneTriangles, s);
        if (b.matched)
          Register(size + "_textured" + b.name + format, "sdl_geometry", SdlTriangles, s);
      }
      for (const BlendCase &b : kFlatBlends) {
        const Scene s = {code, leg, FILL_FLAT, b};
        Register(size + "_flat" + b.name + format, "velvane", VelvaneTriangles, s);
        Register(size + "_flat" + b.name + format, "sdl_geometry", SdlTriangles, s);
      }
    }
  static const char *kFillNames[] = {"fill_copy", "fill_blend128", "fill_add"};
  static const char *kPixmanOps[] = {"pixman_src", "pixman_over", "pixman_add"};
  for (int code = 0; code < 2; ++code)
    for (int i = 0; i < 3; ++i) {
      static const int kModes[3][2] = {{0, 0}, {1, 128}, {2, 255}};
      const FillCase f = {code, kModes[i][0], kModes[i][1]};
      const std::string name = std::string(kFillNames[i]) + (code == 0 ? "_565" : "_8888");
      // pixman's 565 OVER and ADD take its generic path.
      const std::string ref = std::string(kPixmanOps[i]) + (code == 0 && i > 0 ? "_generic" : "");
      Register(name, "velvane", VelvaneFill, f);
      Register(name, ref.c_str(), PixmanFill, f);
    }
  for (int code = 0; code < 2; ++code) {
    const std::string name = std::string("quad30_x1.5_") + (code == 0 ? "565" : "8888");
    Register(name, "velvane", VelvaneQuad, code);
    Register(name, "sdl_copyex", SdlQuad, code);
    Register(name, "pixman_affine_generic", PixmanAffineQuad, code);
  }
}

}  // namespace

int main(int argc, char **argv) {
  RegisterAll();
  return blit_bench::RunWithRatios(argc, argv);
}

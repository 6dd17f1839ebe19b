// The stretched and the rotated image draws against pixman (nearest
// filtering, the same transform) and SDL's software scaler and software
// renderer, on the same scenes, one thread. After the usual table the
// ratios to each reference are printed.
#include "blit_bench_common.h"

#include <math.h>

#include "softrender/blit/blit.h"

namespace {

using blit_bench::BenchImage;
using blit_bench::CountPixels;
using blit_bench::KeyOf;
using blit_bench::kScreenHeight;
using blit_bench::kScreenWidth;
using blit_bench::kWhite;

using blit_bench::kPi;
uint32_t SdlFormat(int code) { return blit_bench::SdlScreenFormat(code); }
pixman_format_code_t PixmanFormat(int code) { return blit_bench::PixmanScreenFormat(code); }

void FillSource(BenchImage *image, int code, bool keyed) {
  if (keyed)
    blit_bench::FillSprite(image, KeyOf(code), 7);
  else
    blit_bench::FillNoise(image, 7);
}

// One scene: a source of the given size drawn scaled to fill the screen
// (stretch) or turned by 30 degrees at scale 1.5 about the screen's centre.
struct Scene {
  int code;
  int width;
  int height;
  bool keyed;
};

// Pixels a stretch writes: the whole screen.
double StretchPixels(void) { return (double)kScreenWidth * kScreenHeight; }
// Pixels a turned draw writes: the scaled image's area.
double RotatePixels(const Scene &s, double scale) { return s.width * s.height * scale * scale; }

// ---------------------------------------------------------------------------
// Framework

void VelvaneStretch(benchmark::State &state, Scene s) {
  BenchImage source(s.width, s.height, s.code, 0, KeyOf(s.code));
  BenchImage dest(kScreenWidth, kScreenHeight, s.code, 0, 0);
  FillSource(&source, s.code, s.keyed);
  blit_bench::FillNoise(&dest, 3);
  blit_bench::SetDrawState(0, 0, kWhite, kScreenWidth, kScreenHeight);
  const Rect rect = {0, 0, kScreenWidth, kScreenHeight};
  for (auto _ : state) {
    MemImgDrawStretched(dest.get(), source.get(), &rect, s.keyed ? 1 : 0, nullptr);
    benchmark::ClobberMemory();
  }
  CountPixels(state, StretchPixels());
}

void VelvaneRotate(benchmark::State &state, Scene s, double degrees, double scale) {
  BenchImage source(s.width, s.height, s.code, 0, KeyOf(s.code));
  BenchImage dest(kScreenWidth, kScreenHeight, s.code, 0, 0);
  FillSource(&source, s.code, s.keyed);
  blit_bench::FillNoise(&dest, 3);
  blit_bench::SetDrawState(0, 0, kWhite, kScreenWidth, kScreenHeight);
  for (auto _ : state) {
    MemImgDrawRotated(dest.get(), source.get(), kScreenWidth / 2, kScreenHeight / 2,
                      (float)(degrees * kPi / 180), (float)scale, s.keyed ? 1 : 0, 0, nullptr);
    benchmark::ClobberMemory();
  }
  CountPixels(state, RotatePixels(s, scale));
}

// ---------------------------------------------------------------------------
// SDL: the software scaler, and the software renderer for turned draws

void SdlStretch(benchmark::State &state, Scene s) {
  BenchImage source(s.width, s.height, s.code, 0, KeyOf(s.code));
  BenchImage dest(kScreenWidth, kScreenHeight, s.code, 0, 0);
  FillSource(&source, s.code, s.keyed);
  blit_bench::FillNoise(&dest, 3);
  SDL_Surface *src = blit_bench::SdlView(&source, SdlFormat(s.code));
  SDL_Surface *dst = blit_bench::SdlView(&dest, SdlFormat(s.code));
  if (s.keyed) SDL_SetColorKey(src, SDL_TRUE, KeyOf(s.code));
  SDL_SetSurfaceBlendMode(src, SDL_BLENDMODE_NONE);
  for (auto _ : state) {
    SDL_Rect to = {0, 0, kScreenWidth, kScreenHeight};
    SDL_BlitScaled(src, nullptr, dst, &to);
    benchmark::ClobberMemory();
  }
  CountPixels(state, StretchPixels());
  SDL_FreeSurface(src);
  SDL_FreeSurface(dst);
}

void SdlRendererRotate(benchmark::State &state, Scene s, double degrees, double scale) {
  BenchImage source(s.width, s.height, s.code, 0, KeyOf(s.code));
  BenchImage dest(kScreenWidth, kScreenHeight, s.code, 0, 0);
  FillSource(&source, s.code, s.keyed);
  blit_bench::FillNoise(&dest, 3);
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
  SDL_Surface *src = blit_bench::SdlView(&source, SdlFormat(s.code));
  SDL_Surface *dst = blit_bench::SdlView(&dest, SdlFormat(s.code));
  if (s.keyed) SDL_SetColorKey(src, SDL_TRUE, KeyOf(s.code));
  SDL_Renderer *renderer = SDL_CreateSoftwareRenderer(dst);
  SDL_Texture *texture = renderer ? SDL_CreateTextureFromSurface(renderer, src) : nullptr;
  if (!texture) {
    state.SkipWithError("no SDL software renderer");
  } else {
    SDL_SetTextureBlendMode(texture, s.keyed ? SDL_BLENDMODE_BLEND : SDL_BLENDMODE_NONE);
    const int w = (int)lround(s.width * scale), h = (int)lround(s.height * scale);
    const SDL_Rect to = {kScreenWidth / 2 - w / 2, kScreenHeight / 2 - h / 2, w, h};
    for (auto _ : state) {
      SDL_RenderCopyEx(renderer, texture, nullptr, &to, degrees, nullptr, SDL_FLIP_NONE);
      benchmark::ClobberMemory();
    }
    CountPixels(state, RotatePixels(s, scale));
  }
  if (texture) SDL_DestroyTexture(texture);
  if (renderer) SDL_DestroyRenderer(renderer);
  SDL_FreeSurface(src);
  SDL_FreeSurface(dst);
}

// ---------------------------------------------------------------------------
// pixman: nearest filtering through an affine transform (destination to
// source), SRC for opaque stretches, OVER where pixels must be left alone
// (keyed sources carry alpha 0 there, outside a turned image nothing is
// drawn).

pixman_fixed_t Fixed(double v) { return pixman_double_to_fixed(v); }

void PixmanTransformed(benchmark::State &state, Scene s, bool rotate, double degrees,
                       double scale) {
  BenchImage scene(s.width, s.height, s.code, 0, KeyOf(s.code));
  FillSource(&scene, s.code, s.keyed);
  // A keyed 8888 sprite becomes a binary-alpha copy; otherwise the pixels
  // are used as they are.
  BenchImage source(s.width, s.height, s.code, s.keyed, 0);
  if (s.keyed)
    blit_bench::MakeBinaryAlphaCopy(&scene, KeyOf(s.code), &source);
  else
    for (int y = 0; y < s.height; ++y) memcpy(source.row(y), scene.row(y), scene.pitch());
  BenchImage dest(kScreenWidth, kScreenHeight, s.code, 0, 0);
  blit_bench::FillNoise(&dest, 3);
  pixman_image_t *src =
      blit_bench::PixmanView(&source, s.keyed ? PIXMAN_a8r8g8b8 : PixmanFormat(s.code));
  pixman_image_t *dst = blit_bench::PixmanView(&dest, PixmanFormat(s.code));

  pixman_transform_t transform;
  int x = 0, y = 0, w = kScreenWidth, h = kScreenHeight;
  if (!rotate) {
    pixman_transform_init_scale(&transform, Fixed((double)s.width / kScreenWidth),
                                Fixed((double)s.height / kScreenHeight));
  } else {
    // Destination pixel -> source point: move the centre to the origin,
    // turn back, scale down, move to the source's centre.
    const double a = degrees * kPi / 180, c = cos(a) / scale, sn = sin(a) / scale;
    const double cx = kScreenWidth / 2.0, cy = kScreenHeight / 2.0;
    const double tx = s.width / 2.0 - (c * cx + sn * cy), ty = s.height / 2.0 - (-sn * cx + c * cy);
    pixman_transform_t t = {{{Fixed(c), Fixed(sn), Fixed(tx)},
                             {Fixed(-sn), Fixed(c), Fixed(ty)},
                             {0, 0, pixman_fixed_1}}};
    transform = t;
    // The turned image's bounding box.
    const double hw = s.width * scale / 2, hh = s.height * scale / 2;
    const double ex = fabs(hw * cos(a)) + fabs(hh * sin(a)), ey = fabs(hw * sin(a)) + fabs(hh * cos(a));
    x = (int)floor(cx - ex);
    y = (int)floor(cy - ey);
    w = (int)ceil(2 * ex) + 1;
    h = (int)ceil(2 * ey) + 1;
  }
  pixman_image_set_transform(src, &transform);
  pixman_image_set_filter(src, PIXMAN_FILTER_NEAREST, nullptr, 0);
  pixman_image_set_repeat(src, PIXMAN_REPEAT_NONE);
  const pixman_op_t op = rotate || s.keyed ? PIXMAN_OP_OVER : PIXMAN_OP_SRC;
  for (auto _ : state) {
    pixman_image_composite32(op, src, nullptr, dst, x, y, 0, 0, x, y, w, h);
    benchmark::ClobberMemory();
  }
  CountPixels(state, rotate ? RotatePixels(s, scale) : StretchPixels());
  pixman_image_unref(src);
  pixman_image_unref(dst);
}

// ---------------------------------------------------------------------------
// Registration: "<case>/<implementation>".

void RegisterAll(void) {
  using blit_bench::Register;
  for (int code = 0; code < 2; ++code) {
    const std::string fmt = code == 0 ? "565" : "8888";
    const Scene up = {code, kScreenWidth / 2, kScreenHeight / 2, false};
    const Scene down = {code, kScreenWidth * 2, kScreenHeight * 2, false};
    Register("stretch_x2_" + fmt, "velvane", VelvaneStretch, up);
    Register("stretch_x2_" + fmt, "sdl", SdlStretch, up);
    Register("stretch_x2_" + fmt, "pixman", PixmanTransformed, up, false, 0.0, 1.0);
    Register("stretch_x0.5_" + fmt, "velvane", VelvaneStretch, down);
    Register("stretch_x0.5_" + fmt, "sdl", SdlStretch, down);
    Register("stretch_x0.5_" + fmt, "pixman", PixmanTransformed, down, false, 0.0, 1.0);
  }
  {
    const Scene keyed = {1, kScreenWidth / 2, kScreenHeight / 2, true};
    Register("stretch_x2_keyed_8888", "velvane", VelvaneStretch, keyed);
    // SDL's scaled blit with a key runs its generic path.
    Register("stretch_x2_keyed_8888", "sdl_generic", SdlStretch, keyed);
    Register("stretch_x2_keyed_8888", "pixman_over", PixmanTransformed, keyed, false, 0.0, 1.0);
  }
  for (int code = 0; code < 2; ++code) {
    const std::string name = std::string("rotate30_x1.5_") + (code == 0 ? "565" : "8888");
    const Scene s = {code, 256, 192, false};
    Register(name, "velvane", VelvaneRotate, s, 30.0, 1.5);
    // pixman's affine rotation is a generic path.
    Register(name, "pixman_generic", PixmanTransformed, s, true, 30.0, 1.5);
    Register(name, "sdl_renderer", SdlRendererRotate, s, 30.0, 1.5);
  }
  {
    const Scene keyed = {1, 256, 192, true};
    Register("rotate30_x1.5_keyed_8888", "velvane", VelvaneRotate, keyed, 30.0, 1.5);
    Register("rotate30_x1.5_keyed_8888", "pixman_over_generic", PixmanTransformed, keyed, true, 30.0,
             1.5);
    Register("rotate30_x1.5_keyed_8888", "sdl_renderer", SdlRendererRotate, keyed, 30.0, 1.5);
  }
}

}  // namespace

int main(int argc, char **argv) {
  RegisterAll();
  return blit_bench::RunWithRatios(argc, argv);
}

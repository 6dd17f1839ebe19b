// Shared scaffolding of the software-blit benchmarks: images for the
// framework's kernels and for the reference libraries (pixman, SDL's
// software blitter) over the same scenes, and a main that prints, after the
// usual table, each case's Mpixel/s and the framework's ratio to each
// reference.
//
// Naming: a benchmark is registered as "<case>/<implementation>", where the
// implementation "velvane" is the framework and every other one a
// reference. Each benchmark reports its pixels through CountPixels().
// Every case runs 10 repetitions interleaved with the others by default;
// the table gives medians and ranges and the load before and after.
#ifndef VELVANE_BENCH_BLIT_BENCH_COMMON_H
#define VELVANE_BENCH_BLIT_BENCH_COMMON_H

#include <SDL.h>
#include <benchmark/benchmark.h>
#include <pixman.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "graphics/draw/draw_settings.h"
#include "softrender/image/blend_tables.h"
#include "softrender/image/memimg.h"
#include "softrender/softrender.h"

namespace blit_bench {

const char kSubject[] = "velvane";

// The scenes' screen and colour keys.
const int kScreenWidth = 640;
const int kScreenHeight = 480;
const uint32_t kKey565 = 0xF81F;
// The 8888 key in the framework's own form (PackColorToPixel sets the fill
// byte): an import sets that byte in every pixel, and the run table
// compares whole values, so a key without it would mark nothing
// transparent. SDL compares colour bits only.
const uint32_t kKey8888 = 0xFFFF00FF;
const uint32_t kWhite = 0x00FFFFFF;

inline uint32_t KeyOf(int code) { return code == 0 ? kKey565 : kKey8888; }

const double kPi = 3.14159265358979323846;

// The references' names of the 565 and 8888 screen formats.
inline uint32_t SdlScreenFormat(int code) {
  return code == 0 ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_XRGB8888;
}
inline pixman_format_code_t PixmanScreenFormat(int code) {
  return code == 0 ? PIXMAN_r5g6b5 : PIXMAN_x8r8g8b8;
}

inline uint32_t NextRandom(uint32_t *state) {
  uint32_t x = *state;
  x ^= x << 13;
  x ^= x >> 17;
  x ^= x << 5;
  *state = x;
  return x;
}

inline void CountPixels(benchmark::State &state, double pixelsPerIteration) {
  state.counters["Mpix/s"] = benchmark::Counter(
      pixelsPerIteration * (double)state.iterations() / 1e6, benchmark::Counter::kIsRate);
}

// A MEMIMG with pixels of its own (computed pitch: a multiple of 16).
class BenchImage {
 public:
  BenchImage(int width, int height, int formatCode, int alphaFlag, uint32_t colorKey,
             int makePlanes = 0) {
    memset(&image_, 0, sizeof image_);
    if (MemImgCreate(&image_, width, height, -1, colorKey, formatCode, 0, alphaFlag, makePlanes,
                     0) != 0) {
      fprintf(stderr, "MemImgCreate failed\n");
      abort();
    }
  }
  ~BenchImage() { MemImgRelease(&image_); }
  BenchImage(const BenchImage &) = delete;
  BenchImage &operator=(const BenchImage &) = delete;

  MEMIMG *get() { return &image_; }
  int width() const { return image_.width; }
  int height() const { return image_.height; }
  int pitch() const { return image_.base->pitch; }
  uint8_t *pixels() { return image_.pixels; }
  int bytesPerPixel() const { return image_.base->format->bytesPerPixel; }
  uint8_t *row(int y) { return image_.pixels + (intptr_t)y * image_.base->pitch; }

 private:
  MEMIMG image_;
};

// Pixel of a sprite scene: an ellipse of noise with holes, keyed outside
// (about a third of the pixels are transparent, in runs as in real art).
inline bool SpriteOpaque(int x, int y, int width, int height) {
  const double dx = (x - width / 2.0) / (width / 2.0);
  const double dy = (y - height / 2.0) / (height / 2.0);
  if (dx * dx + dy * dy > 1.0) return false;
  return ((x / 7) + (y / 5)) % 9 != 0;
}

// Fills a 565 or 8888 image with the sprite scene; transparent pixels get
// the key, or alpha 0 for an alpha image (opaque pixels alpha 255, with a
// soft rim of partial alpha).
inline void FillSprite(BenchImage *image, uint32_t key, uint32_t seed) {
  uint32_t rng = seed;
  const MemImgBase *base = image->get()->base;
  for (int y = 0; y < image->height(); ++y) {
    for (int x = 0; x < image->width(); ++x) {
      uint32_t v = NextRandom(&rng);
      const bool opaque = SpriteOpaque(x, y, image->width(), image->height());
      uint8_t *p = image->row(y) + (intptr_t)x * image->bytesPerPixel();
      if (base->formatCode == 0 && !base->alphaFlag) {
        uint16_t w = (uint16_t)(opaque ? (v == key ? v ^ 1 : v) : key);
        memcpy(p, &w, 2);
      } else if (base->alphaFlag) {
        const bool rim = opaque && !SpriteOpaque(x + 2, y, image->width(), image->height());
        const uint32_t a = !opaque ? 0 : (rim ? 128 : 255);
        v = (v & 0x00FFFFFF) | (a << 24);
        memcpy(p, &v, 4);
      } else {
        v = opaque ? (v & 0x00FFFFFF) : key;
        if (opaque && v == key) v ^= 1;
        memcpy(p, &v, 4);
      }
    }
  }
}

inline void FillNoise(BenchImage *image, uint32_t seed) {
  uint32_t rng = seed;
  for (int y = 0; y < image->height(); ++y)
    for (int x = 0; x < image->pitch(); ++x) image->row(y)[x] = (uint8_t)NextRandom(&rng);
}

inline void SetDrawState(int mode, int param, uint32_t brightness, int width, int height) {
  g_drawSettings.blendMode = mode;
  g_drawSettings.blendParam = param;
  g_drawSettings.drawBrightness = brightness;
  g_drawSettings.clipRect = Rect{0, 0, width, height};
}

// pixman view of a MEMIMG's pixels (no copy).
inline pixman_image_t *PixmanView(BenchImage *image, pixman_format_code_t format) {
  return pixman_image_create_bits(format, image->width(), image->height(),
                                  (uint32_t *)image->pixels(), image->pitch());
}

// SDL view of a MEMIMG's pixels (no copy).
inline SDL_Surface *SdlView(BenchImage *image, uint32_t sdlFormat) {
  return SDL_CreateRGBSurfaceWithFormatFrom(image->pixels(), image->width(), image->height(),
                                            image->bytesPerPixel() * 8, image->pitch(), sdlFormat);
}

// Premultiplied a8r8g8b8 copy of a keyed 8888 sprite: what pixman needs for
// the same transparency (alpha 0 where the key is, 255 elsewhere).
inline void MakeBinaryAlphaCopy(BenchImage *from, uint32_t key, BenchImage *to) {
  for (int y = 0; y < from->height(); ++y)
    for (int x = 0; x < from->width(); ++x) {
      uint32_t v;
      memcpy(&v, from->row(y) + 4 * x, 4);
      v = v == key ? 0 : (v | 0xFF000000u);
      memcpy(to->row(y) + 4 * x, &v, 4);
    }
}

// Brings scene's pixels into image (same size and format, made with planes)
// through a full import, which also builds image's run table.
inline void ImportWithRunTable(BenchImage *scene, BenchImage *image) {
  BASEIMAGE color;
  memset(&color, 0, sizeof color);
  color.format = *scene->get()->base->format;
  color.width = scene->width();
  color.height = scene->height();
  color.pitch = scene->pitch();
  color.pixels = scene->pixels();
  if (MemImgBlitFromBaseImage(&color, nullptr, image->get(), 0, 0, color.width, color.height, 0, 0,
                              1, 0) < 0 ||
      !image->get()->base->runTableValid) {
    fprintf(stderr, "import without run table\n");
    abort();
  }
}

// Premultiplies an a8r8g8b8 image in place (pixman's alpha convention).
inline void Premultiply(BenchImage *image) {
  for (int y = 0; y < image->height(); ++y)
    for (int x = 0; x < image->width(); ++x) {
      uint8_t *p = image->row(y) + 4 * x;
      for (int c = 0; c < 3; ++c) p[c] = (uint8_t)(p[c] * p[3] / 255);
    }
}

// Collects each repetition's Mpixel/s and prints, per case, the median and
// the range of the repetitions and the framework's ratio of medians to each
// reference. A reference whose name says "generic" runs a library's generic
// fallback path: its ratio is printed but marked, never a lead.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run> &runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run &run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      auto it = run.counters.find("Mpix/s");
      if (it == run.counters.end()) continue;
      const std::string name = run.run_name.str();
      const size_t slash = name.find('/');
      if (slash == std::string::npos) continue;
      std::string impl = name.substr(slash + 1);
      const size_t more = impl.find('/');
      if (more != std::string::npos) impl = impl.substr(0, more);
      const std::string scene = name.substr(0, slash);
      rates_[scene][impl].push_back(it->second.value);
    }
  }

  void PrintRatios() const {
    printf("\n%-34s %22s   %s\n", "case", "velvane median [range]",
           "reference: median [range] Mpix/s (velvane / reference)");
    for (const auto &byScene : rates_) {
      const std::string &scene = byScene.first;
      const auto &impls = byScene.second;
      auto subject = impls.find(kSubject);
      if (subject == impls.end()) continue;
      const double mine = Median(subject->second);
      printf("%-34s %9.1f [%.0f-%.0f] ", scene.c_str(), mine, Min(subject->second),
             Max(subject->second));
      for (const auto &entry : impls) {
        if (entry.first == kSubject) continue;
        const double theirs = Median(entry.second);
        printf(" %s: %.1f [%.0f-%.0f] (%.2fx%s)", entry.first.c_str(), theirs, Min(entry.second),
               Max(entry.second), theirs > 0 ? mine / theirs : 0.0,
               entry.first.find("generic") != std::string::npos ? ", generic path, not a lead"
                                                                : "");
      }
      printf("\n");
    }
  }

 private:
  static double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n == 0 ? 0.0 : (n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2);
  }
  static double Min(const std::vector<double> &v) {
    return v.empty() ? 0.0 : *std::min_element(v.begin(), v.end());
  }
  static double Max(const std::vector<double> &v) {
    return v.empty() ? 0.0 : *std::max_element(v.begin(), v.end());
  }

  // By case name: the interleaved runs come in no useful order.
  std::map<std::string, std::map<std::string, std::vector<double>>> rates_;
};

// Registers fn(state, args...) as "<scene>/<implementation>".
template <class Fn, class... Args>
void Register(const std::string &scene, const char *impl, Fn fn, Args... args) {
  benchmark::RegisterBenchmark((scene + "/" + impl).c_str(), fn, args...)
      ->Unit(benchmark::kMicrosecond);
}

// The machine's 1-minute load, for the figures' context ("?" where the
// system has no such count).
inline void PrintLoad(const char *when) {
  double load[1];
  if (getloadavg(load, 1) == 1)
    printf("1-minute load %s: %.2f\n", when, load[0]);
  else
    printf("1-minute load %s: ?\n", when);
}

// Runs the registered benchmarks and prints the ratio table. Unless the
// command line says otherwise, every case runs 10 repetitions interleaved
// at random with the others, so that a change of load hits the framework
// and its references alike.
inline int RunWithRatios(int argc, char **argv) {
  MemImgInitTables();
  std::vector<char *> args(argv, argv + argc);
  static char repetitions[] = "--benchmark_repetitions=10";
  static char interleave[] = "--benchmark_enable_random_interleaving=true";
  bool repetitionsGiven = false, interleaveGiven = false;
  for (int i = 1; i < argc; ++i) {
    repetitionsGiven |= strncmp(argv[i], "--benchmark_repetitions", 23) == 0;
    interleaveGiven |= strncmp(argv[i], "--benchmark_enable_random_interleaving", 38) == 0;
  }
  if (!repetitionsGiven) args.push_back(repetitions);
  if (!interleaveGiven) args.push_back(interleave);
  int count = (int)args.size();
  args.push_back(nullptr);
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
  PrintLoad("before");
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  PrintLoad("after");
  reporter.PrintRatios();
  benchmark::Shutdown();
  return 0;
}

}  // namespace blit_bench

#endif  // VELVANE_BENCH_BLIT_BENCH_COMMON_H

// Texture upload of a 1024 x 1024 XRGB picture on the device fake (whose
// textures are plain memory, so the figures are the transfer's own): into
// an R5G6B5 texture against the bare converter, into an X8R8G8B8 managed
// texture (no system copy) against memcpy, and the software transfer
// against the MEMIMG import alone. Prints MB/s of source pixels and the
// framework's ratio to each reference (median of the runs).
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "graphics/device/graphics_system.h"
#include "graphics/device/screen_settings.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/fake_gfx_device.h"
#include "graphics/graphs/graph_create.h"
#include "graphics/graphs/graph_handles.h"
#include "graphics/graphs/graph_load.h"
#include "graphics/graphs/graph_records.h"
#include "softrender/softrender.h"

namespace {

const int kSide = 1024;
const int kRuns = 15;

// The recording fake without its call log.
class QuietDevice : public FakeGfxDevice {
 public:
  int LockTextureLevel(GfxTexture *t, int level, const GfxRect *r, GfxLocked *out) override {
    FakeGfxObject *object = Object(t);
    const int pitch = object->LevelPitch(level);
    out->bits = object->Level(level).data() + (r ? PixelOffset(object->format, pitch, r->left, r->top) : 0);
    out->pitch = pitch;
    return 0;
  }
  void UnlockTextureLevel(GfxTexture *, int) override {}
};

QuietDevice g_device;
FakeFrameClock g_clock;

template <typename F>
double MedianSeconds(F run) {
  std::vector<double> times;
  for (int i = 0; i < kRuns; i++) {
    const auto start = std::chrono::steady_clock::now();
    run();
    times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

void Report(const char *name, double framework, const char *reference, double other, double goal) {
  const double mb = kSide * kSide * 4 / 1e6;
  printf("%-34s %9.1f MB/s   %-26s %9.1f MB/s   ratio %.2f", name, mb / framework, reference,
         mb / other, other / framework);
  if (goal > 0) printf(" (goal %.1f)", goal);
  printf("\n");
}

void Start(int hardware, int bits, int ex) {
  EndGraphicsSystem();
  g_device.hasCreate9Ex = ex;
  g_device.adapterFormat = bits == 16 ? GFX_FMT_R5G6B5 : GFX_FMT_X8R8G8B8;  // the window's depth
  StoreScreenMode(640, 480, bits, 0);
  SetUseHardwareRendering(hardware);
  StartGraphicsSystem();
  // Plain textures: no colour key through the alpha test.
  g_drawSettings.newGraphAlphaTest = 0;
}

}  // namespace

int main() {
  SetGfxDevice(&g_device);
  SetFrameClock(&g_clock);
  static GfxCaps caps = FullGfxCaps();
  caps.maxTextureWidth = caps.maxTextureHeight = 4096;
  g_gfxTestSwitches.capsOverride = &caps;
  BASEIMAGE image;
  memset(&image, 0, sizeof image);
  CreateXrgb32BaseImage(kSide, kSide, &image);
  for (int i = 0; i < kSide * kSide; i++) static_cast<uint32_t *>(image.pixels)[i] = i * 2654435761u;
  std::vector<uint8_t> scratch(static_cast<size_t>(kSide) * kSide * 4);

  Start(1, 16, 0);
  int handle = MakeGraphFromBaseImage(&image);
  PixelFormat r5g6b5;
  MakePixelFormatFromMasks(&r5g6b5, 16, 0xF800, 0x07E0, 0x001F, 0);
  const Rect whole = {0, 0, kSide, kSide};
  Report("upload into R5G6B5", MedianSeconds([&] { RemakeGraphFromBaseImage(&image, handle); }),
         "BlitWithFormatConversion", MedianSeconds([&] {
           BlitWithFormatConversion(scratch.data(), kSide * 2, &r5g6b5, image.pixels, image.pitch,
                                    &image.format, nullptr, 0, nullptr, 0, 0, &whole, 0, 0, 0, 0,
                                    0, 0, 0, 0);
         }),
         0.9);
  DeleteGraphHandle(handle);

  Start(1, 32, 0);
  handle = MakeGraphFromBaseImage(&image);
  Report("upload into X8R8G8B8, managed", MedianSeconds([&] { RemakeGraphFromBaseImage(&image, handle); }),
         "memcpy", MedianSeconds([&] { memcpy(scratch.data(), image.pixels, scratch.size()); }), 0.8);
  DeleteGraphHandle(handle);

  Start(0, 32, 0);
  handle = MakeGraphFromBaseImage(&image);
  MEMIMG *target = &GetGraphRecord(handle)->memImage;
  Report("software transfer", MedianSeconds([&] { RemakeGraphFromBaseImage(&image, handle); }),
         "MemImgBlitFromBaseImage", MedianSeconds([&] {
           MemImgBlitFromBaseImage(&image, nullptr, target, 0, 0, kSide, kSide, 0, 0, 1, 0);
         }),
         0.0);
  DeleteGraphHandle(handle);
  EndGraphicsSystem();
  FreeBaseImage(&image);
  return 0;
}

// The per-draw state preparation on a device that does nothing: a draw
// whose states equal the previous one's against the same draw with every
// state sent (the force flag), and one setter's hit.
#include <benchmark/benchmark.h>

#include "graphics/device/graphics_system.h"
#include "graphics/device/screen_settings.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/fake_gfx_device.h"
#include "null_gfx_device.h"
#include "graphics/graphs/graph_records.h"
#include "graphics/state/blend_states.h"
#include "graphics/state/render_state_cache.h"
#include "core/base/core_state.h"

namespace {

NullGfxDevice g_device;
FakeFrameClock g_clock;
SharedGraphImage g_image = {1, 3, 1, 1, 0, 0, 0, 0, 0};
GraphRecord g_graph = {0, 1, nullptr, &g_image};
int g_textureObject;
GfxTexture *const g_texture = reinterpret_cast<GfxTexture *>(&g_textureObject);

void StartNullGraphics() {
  static bool started = false;
  if (started) return;
  started = true;
  SetGfxDevice(&g_device);
  SetFrameClock(&g_clock);
  StoreScreenMode(640, 480, 32, 0);
  SetUseHardwareRendering(1);
  StartGraphicsSystem();
  g_drawSettings.blendMode = 1;
}

void BM_PrepareDrawStatesUnchanged(benchmark::State &state) {
  StartNullGraphics();
  PrepareDrawStates(&g_graph, g_texture, DRAW_FLAG_TRANSPARENT);
  for (auto _ : state) {
    PrepareDrawStates(&g_graph, g_texture, DRAW_FLAG_TRANSPARENT);
  }
}
BENCHMARK(BM_PrepareDrawStatesUnchanged);

void BM_PrepareDrawStatesForced(benchmark::State &state) {
  StartNullGraphics();
  for (auto _ : state) {
    g_stateCache.force = 1;
    PrepareDrawStates(&g_graph, g_texture, DRAW_FLAG_TRANSPARENT);
    g_stateCache.force = 0;
  }
}
BENCHMARK(BM_PrepareDrawStatesForced);

void BM_SetterHit(benchmark::State &state) {
  StartNullGraphics();
  SetDeviceZFunc(4);
  for (auto _ : state) {
    benchmark::DoNotOptimize(SetDeviceZFunc(4));
  }
}
BENCHMARK(BM_SetterHit);

}  // namespace

// Graphics started on the recording fake in window mode (640 x 480), so the
// render-state cache, the batch and the blend states are seeded as at a real
// start; the call log starts empty.
#ifndef VELVANE_TESTS_STATE_FIXTURE_H
#define VELVANE_TESTS_STATE_FIXTURE_H

#include <string>
#include <vector>

#include "graphics/device/gfx_fixture.h"
#include "graphics/state/device_state_check.h"
#include "graphics/state/render_state_cache.h"
#include "graphics/state/vertex_batch.h"

// Lines of a list, one per line, for failure messages.
inline std::string Join(const std::vector<std::string> &lines) {
  std::string text;
  for (const std::string &line : lines) text += line + "\n";
  return text;
}

class StateFixture : public GfxFixture {
 protected:
  void SetUp() override {
    GfxFixture::SetUp();
    StartWithCaps(0);
  }
  // Restarts graphics with the two optional capabilities (reverse subtract
  // and the temporary register) on or off.
  void StartWithCaps(int optional) {
    EndGraphicsSystem();
    caps = FullGfxCaps();
    caps.primitiveMiscCaps = optional ? 0x400u | 0x800u : 0u;
    g_gfxTestSwitches.capsOverride = &caps;
    ASSERT_EQ(0, StartGraphicsSystem());
    ASSERT_EQ(1, IsHardwareRenderingActive());
    device.calls.clear();
  }
  void TearDown() override {
    g_gfxTestSwitches.capsOverride = nullptr;
    GfxFixture::TearDown();
  }
  // The cache and the device (including the bound textures) agree.
  std::vector<std::string> Mismatches() {
    std::vector<std::string> found = CacheDeviceMismatches(&device, g_d3d.argTempSupported);
    for (int stage = 0; stage < CACHE_STAGES; stage++) {
      if (g_stateCache.stages[stage].texture != device.mirror.textures[stage]) {
        found.push_back("texture of stage " + std::to_string(stage));
      }
    }
    return found;
  }
  // Queues n textured 2-D vertices the way a draw path does.
  void QueueVertices(int n) {
    ASSERT_NE(nullptr, ReserveBatchVertices(BATCH_KIND_2D, PRIM_TRIANGLELIST, n));
  }
  // Position of the first logged call that starts with text; -1 when none.
  int CallIndex(const std::string &text) const {
    for (size_t i = 0; i < device.calls.size(); i++) {
      if (device.calls[i].rfind(text, 0) == 0) return static_cast<int>(i);
    }
    return -1;
  }

  GfxCaps caps;
};

#endif  // VELVANE_TESTS_STATE_FIXTURE_H

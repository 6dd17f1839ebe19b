// A test with the fake device and clock installed, the log captured, the
// screen at 640 x 480 x 16 in window mode and the Direct3D record empty; it
// ends graphics again and checks that no framework block was left behind.
#ifndef VELVANE_TESTS_GFX_FIXTURE_H
#define VELVANE_TESTS_GFX_FIXTURE_H

#include <string.h>

#include <string>

#include "core/base/core_state.h"
#include "core/log_capture.h"
#include "graphics/device/direct3d_state.h"
#include "graphics/device/graphics_system.h"
#include "graphics/device/screen_settings.h"
#include "graphics/fake_gfx_device.h"
#include "graphics/text/glyph_source.h"
#include "leak_check.h"

// Fonts open nowhere while it lives, on every platform alike: under
// Windows the default font made at start-up would otherwise hold cache
// graphs. A test that wants fonts installs its own source after it.
struct NoFontsInstall {
  NoFontsInstall() { SetGlyphSource(NoFontsGlyphSource()); }
  ~NoFontsInstall() { SetGlyphSource(nullptr); }
};

class GfxFixture : public LeakCheckedTest {
 protected:
  void SetUp() override {
    LeakCheckedTest::SetUp();
    memset(&g_d3d, 0, sizeof g_d3d);
    StoreScreenMode(640, 480, 16, 0);
    SetEmulation320x240Flag(0);
    SetEmulation320x240(0);
    SetHardwareRenderingActive(0);
    SetFrameworkInitialised(0);
    SetUseHardwareRendering(1);
    log.Clear();
  }
  void TearDown() override {
    EndGraphicsSystem();
    SetFrameworkInitialised(0);
    SetUseHardwareRendering(1);
    memset(&g_d3d, 0, sizeof g_d3d);
    LeakCheckedTest::TearDown();
  }
  bool Logged(const std::string &text) { return log.Text().find(text) != std::string::npos; }
  // A rebuild that gets no device back (both creation tries fail): the
  // device stays lost, with the calls and log emptied for what follows.
  void LoseTheDevice() {
    device.FailCall("CreateDevice", device.CountCalls("CreateDevice") + 1);
    device.FailCall("CreateDevice", device.CountCalls("CreateDevice") + 2);
    ASSERT_EQ(-1, RestoreGraphicsDevice());
    ASSERT_EQ(1, IsGraphicsDeviceLost());
    device.calls.clear();
    log.Clear();
  }

  NoFontsInstall noFonts;
  LogCapture log;
  FakeGfxInstall fake;
  FakeGfxDevice &device = fake.device;
  FakeFrameClock &clock = fake.clock;
};

#endif  // VELVANE_TESTS_GFX_FIXTURE_H

// The display-mode change of full screen, with its 320 x 240 fallback, and
// the measurement of the display's refresh period.
#include "core/debug/log.h"
#include "core/debug/log_text.h"
#include "graphics/device/direct3d_init.h"
#include "graphics/device/direct3d_state.h"
#include "graphics/device/screen_settings.h"
#include "graphics/draw/present.h"
#include "velvane.h"

namespace {

const int kMeasureTries = 60;
const int kAgreeingIntervals = 10;
const int64_t kAgreementMicroseconds = 999;
const int kSleepBetweenTries = 5;

int FailChange(void) {
  WriteLogLine("画面モードの変更に失敗しました\n");
  DecreaseLogIndent();
  return -1;
}

}  // namespace

int ChangeDisplayMode(int width, int height, int bits) {
  GfxDevice *device = GetGfxDevice();
  WriteLogText("画面モードの変更処理を開始します %u x %u  %u bit ", static_cast<unsigned>(width),
               static_cast<unsigned>(height), static_cast<unsigned>(bits));
  IncreaseLogIndent();
  if (bits != 16 && bits != 32) {
    DecreaseLogIndent();
    return -1;
  }
  WriteLogLine("画面解像度を変更します... ");
  if (device->ChangeDisplay(width, height, bits, GetScreenRefreshRate(), 1) < 0) {
    StoreScreenMode(GetScreenWidthSetting(), GetScreenHeightSetting(), GetScreenColorBits(), 0);
    if (device->ChangeDisplay(width, height, bits, 0, 0) < 0) {
      // 320 x 240 runs on a 640 x 480 display, scaled up when presented.
      if (width != 320 || height != 240) return FailChange();
      StoreScreenMode(640, 480, GetScreenColorBits(), 0);
      SetEmulation320x240(1);
      if (device->ChangeDisplay(640, 480, bits, 0, 1) < 0) return FailChange();
      device->RestyleWindow();
    }
  }
  WriteLogLine("成功しました\n");
  DecreaseLogIndent();
  return 0;
}

int MeasureVerticalBlankPeriod(void) {
  FrameClock *clock = GetFrameClock();
  g_d3d.verticalBlankPeriod = -1;
  if (g_d3d.directDrawMade && clock) {
    clock->WaitForVerticalBlank();
    uint64_t previousTime = clock->NowMicroseconds();
    int64_t previousInterval = 0, sum = 0;
    int run = 0;
    for (int tries = 0; tries < kMeasureTries; tries++) {
      clock->WaitForVerticalBlank();
      const uint64_t now = clock->NowMicroseconds();
      const int64_t interval = static_cast<int64_t>(now - previousTime);
      previousTime = now;
      const int64_t difference = interval - previousInterval;
      if (difference > kAgreementMicroseconds || difference < -kAgreementMicroseconds) {
        run = 0;
        sum = 0;
      } else {
        run++;
        sum += interval;
      }
      previousInterval = interval;
      if (run >= kAgreeingIntervals) {
        g_d3d.verticalBlankPeriod = sum / run;
        break;
      }
      clock->Sleep(kSleepBetweenTries);
    }
  }
  WaitForNextFrame();
  return 0;
}

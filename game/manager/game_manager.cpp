#include "game/manager/game_manager.h"

#include <string.h>

#include "game/manager/saved_data.h"
#include "velvane.h"

namespace {

// 1000/60 cut after four decimals, as the float 0x41855532.
float FrameMilliseconds() {
  const uint32_t bits = 0x41855532u;
  float value;
  memcpy(&value, &bits, sizeof value);
  return value;
}

constexpr int kCountSpanMs = 1000;

}  // namespace

GameManager::GameManager()
    : secondStart(GetNowMilliseconds()), msPerFrame(FrameMilliseconds()), hiScore(ReadHiScoreFile()) {
  sound.LoadMusicList();
  sound.LoadSoundList();
}

bool GameManager::IsFrameDue() {
  const int now = GetNowMilliseconds();
  const int elapsed = now - secondStart;
  // The 31-bit clock wrapped (after 24.8 days): without a restart elapsed
  // stays negative and no frame would ever be due again.
  if (elapsed < 0) {
    secondStart = now;
    framesCounted = 0;
    return false;
  }
  return (framesCounted + 1) * static_cast<double>(msPerFrame) < elapsed;
}

void GameManager::CountFrame() {
  framesCounted += 1;
  const int now = GetNowMilliseconds();
  if (now - secondStart > kCountSpanMs) {
    secondStart = now;
    framesCounted = 0;
  }
}

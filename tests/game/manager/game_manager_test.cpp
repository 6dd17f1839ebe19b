#include "game/manager/game_manager.h"

#include <gtest/gtest.h>

#include <string.h>

#include "game/manager/saved_data.h"
#include "shell_test.h"

namespace {

using GameManagerTest = ShellTest;

// The Part's pacing rule, apart from the code: frame k of a count (from 0)
// is due once (k + 1) x 16.6666 (as a float) is below the elapsed time.
int FramesDueWithin(int elapsed) {
  const uint32_t bits = 0x41855532u;
  float ms;
  memcpy(&ms, &bits, sizeof ms);
  int frames = 0;
  while ((frames + 1) * static_cast<double>(ms) < elapsed) ++frames;
  return frames;
}

// Passes every millisecond from now on; the times of the frames run.
std::vector<int> RunMilliseconds(GameManager &game, int milliseconds, int start) {
  std::vector<int> times;
  for (int t = 1; t <= milliseconds; ++t) {
    fake::AdvanceClock(1);
    if (game.IsFrameDue()) {
      times.push_back(start + t);
      game.CountFrame();
    }
  }
  return times;
}

TEST_F(GameManagerTest, SixtyOneFramesInAbout1017Milliseconds) {
  GameManager &game = Game();
  EXPECT_EQ(game.msPerFrame, 16.66659927368164f);
  const std::vector<int> times = RunMilliseconds(game, 1017, 0);
  ASSERT_EQ(times.size(), 61u);
  EXPECT_EQ(times[0], 17);
  EXPECT_EQ(times[60], 1017);
  EXPECT_EQ(game.framesCounted, 0);  // the count restarted with the 61st
  EXPECT_EQ(game.secondStart, 1017);
}

TEST_F(GameManagerTest, CatchesUpAfterAStall) {
  GameManager &game = Game();
  fake::AdvanceClock(500);
  int frames = 0;
  while (game.IsFrameDue() && frames < 1000) {
    game.CountFrame();
    ++frames;
  }
  EXPECT_EQ(frames, FramesDueWithin(500));
  EXPECT_EQ(frames, 30);
}

TEST_F(GameManagerTest, ClockJustBelowItsWrapRunsOn) {
  fake::AdvanceClock(0x7FFFFFFFu - 40);
  GameManager &game = Game();
  int frames = 0;
  for (int pass = 0; pass < 120; ++pass) {
    fake::AdvanceClock(kPassMs);
    if (game.IsFrameDue()) {
      game.CountFrame();
      ++frames;
    }
  }
  EXPECT_GE(frames, 115);  // one pass restarts the count at the wrap
}

TEST_F(GameManagerTest, ReadsTheHighScoreAndSoundTables) {
  gametest::WriteFile("./Data/HiScore.dat", std::string("\x01\x02\x03\x04", 4));
  GameManager &game = Game();
  EXPECT_EQ(game.hiScore, 0x04030201);
  EXPECT_EQ(game.sound.Music().size(), 1u);
  EXPECT_EQ(game.sound.Effects().size(), 2u);
  EXPECT_EQ(game.scene, nullptr);
  EXPECT_EQ(game.quit, 0);
}

TEST(SavedDataTest, ShortFilesGiveTheDefaults) {
  const struct {
    std::string bytes;
    int32_t hiScore;
  } cases[] = {
      {"", 5000},
      {std::string("\x0A\0\0", 3), 5000},
      {std::string("\x0A\0\0\0", 4), 10},
      {std::string("\xFF\xFF\xFF\xFF\x01", 5), -1},
  };
  for (const auto &c : cases) {
    const uint8_t *bytes = reinterpret_cast<const uint8_t *>(c.bytes.data());
    EXPECT_EQ(DecodeHiScore(bytes, c.bytes.size()), c.hiScore) << c.bytes.size();
  }
  const uint8_t cut[3] = {0, 0, 0};
  EXPECT_EQ(DecodeSettingsValue(cut, sizeof cut), 1.1f);
  const uint8_t two[4] = {0, 0, 0, 0x40};
  EXPECT_EQ(DecodeSettingsValue(two, sizeof two), 2.0f);
}

TEST_F(GameManagerTest, SavedFilesRoundTrip) {
  EXPECT_EQ(ReadHiScoreFile(), 5000);
  EXPECT_EQ(ReadSettingsFile(), 1.1f);
  gametest::WriteFile("./Data/Init.dat", "\x01");
  EXPECT_EQ(ReadSettingsFile(), 1.1f);
  WriteHiScoreFile(-2);
  EXPECT_EQ(gametest::ReadFile("./Data/HiScore.dat"), "\xFE\xFF\xFF\xFF");
  EXPECT_EQ(ReadHiScoreFile(), -2);
  WriteSettingsFile(kSettingsValue);
  EXPECT_EQ(gametest::ReadFile("./Data/Init.dat"), "\xCD\xCC\x8C\x3F");
}

}  // namespace

#include "game/assets/sprite_strip.h"

#include <gtest/gtest.h>

#include "game_test.h"

namespace {

using SpriteStripTest = GameTest;

TEST_F(SpriteStripTest, CutsCellsAndAnimates) {
  gametest::WritePng("./Graph/Wide.png", 100, 30);
  SpriteStrip strip;
  ASSERT_TRUE(strip.Load(3, "./Graph/Wide.png", 3, 1));
  EXPECT_EQ(strip.CellWidth(), 33);  // truncated
  EXPECT_EQ(strip.CellHeight(), 30);
  EXPECT_EQ(strip.FrameCount(), 3);
  // Frame of duration 8 shows for 9 updates; the strip loops.
  for (int i = 0; i < 8; ++i) strip.Advance();
  EXPECT_EQ(strip.CurrentFrame(), 0);
  strip.Advance();
  EXPECT_EQ(strip.CurrentFrame(), 1);
  for (int i = 0; i < 18; ++i) strip.Advance();
  EXPECT_EQ(strip.CurrentFrame(), 0);
  EXPECT_TRUE(strip.IsPlaying());
  fake::ClearCalls();
  strip.DrawFrame(5, 6);
  const std::vector<fake::Call> draws = fake::CallsOf(fake::CALL_DRAW);
  ASSERT_EQ(draws.size(), 1u);
  EXPECT_EQ(draws[0].args, (std::vector<double>{5, 6, double(strip.FrameAt(0)), 1}));
}

TEST_F(SpriteStripTest, OneShotStripStopsOnItsFirstFrame) {
  SpriteStrip strip;
  ASSERT_TRUE(strip.Load(9, "./Graph/Bom.png", 6, 2));
  strip.SetShortDurations();
  strip.SetLoop(false);
  for (int i = 0; i < 17; ++i) strip.Advance();
  EXPECT_TRUE(strip.IsPlaying());
  strip.Advance();
  EXPECT_FALSE(strip.IsPlaying());
  EXPECT_EQ(strip.CurrentFrame(), 0);
  fake::ClearCalls();
  strip.DrawFrame(0, 0);  // stopped: nothing
  strip.DrawBillboard(1, 2, 3, 0);  // still drawn, frame 0, one cell wide
  const std::vector<fake::Call> draws = fake::CallsOf(fake::CALL_DRAW);
  ASSERT_EQ(draws.size(), 1u);
  EXPECT_EQ(draws[0].name, "DrawGraphBillboard");
  EXPECT_EQ(draws[0].args, (std::vector<double>{1, 2, 3, 0.5, 0.5, 48, 0, double(strip.FrameAt(0)), 1, 0}));
}

TEST_F(SpriteStripTest, ReleasesImageThenFrames) {
  SpriteStrip strip;
  ASSERT_TRUE(strip.Load(2, "./Graph/Bom.png", 2, 1));
  const int image = strip.ImageGraph();
  fake::ClearCalls();
  strip.ReleaseGraphs();
  std::vector<double> deleted;
  for (const fake::Call &call : fake::CallsOf(fake::CALL_GRAPH)) deleted.push_back(call.args[0]);
  EXPECT_EQ(deleted, (std::vector<double>{double(image), double(strip.FrameAt(0)), double(strip.FrameAt(1))}));
  EXPECT_EQ(fake::LiveGraphCount(), 0);
}

TEST_F(SpriteStripTest, MissingImageShowsItsPath) {
  {
    SpriteStrip strip;
    EXPECT_FALSE(strip.Load(1, "./Graph/None.png", 1, 1));
    EXPECT_FALSE(strip.HasFrames());
    strip.Advance();
    strip.DrawFrame(0, 0);
    strip.DrawBillboard(0, 0, 0, 0);
  }
  const std::vector<fake::Call> boxes = fake::CallsOf(fake::CALL_BOX);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, std::string("./Graph/None.png\nの画像の読み込みに失敗しました|読み込みエラー"));
  EXPECT_EQ(boxes[0].args, (std::vector<double>{0, MESSAGE_BOX_OK}));
  EXPECT_TRUE(fake::CallsOf(fake::CALL_DRAW).empty());
}

// No frames, or a grid without cells (which would divide by zero), is
// refused with the size message; the image graph lives until destruction.
TEST_F(SpriteStripTest, BadCellCountsKeepTheImageUntilDestroyed) {
  const int grids[][3] = {{0, 1, 1}, {-2, 1, 1}, {1, 0, 1}, {1, 1, 0}};
  for (const auto &grid : grids) {
    fake::ClearCalls();
    {
      SpriteStrip strip;
      EXPECT_FALSE(strip.Load(grid[0], "./Graph/Bom.png", grid[1], grid[2]));
      EXPECT_FALSE(strip.HasFrames());
      EXPECT_EQ(fake::LiveGraphCount(), 1);
      const std::vector<fake::Call> boxes = fake::CallsOf(fake::CALL_BOX);
      ASSERT_EQ(boxes.size(), 1u);
      EXPECT_EQ(boxes[0].text, std::string("画像のサイズが不正です|読み込みエラー"));
    }
    EXPECT_EQ(fake::LiveGraphCount(), 0);
  }
}

// A failed cut leaves -1 frames: the strip still plays out and ends, and
// releasing it deletes only its own image graph.
TEST_F(SpriteStripTest, FailedCutKeepsMinusOneFrames) {
  SpriteStrip other;
  ASSERT_TRUE(other.Load(2, "./Graph/Bom.png", 2, 1));
  fake::FailCall("LoadDividedGraph", 2);
  {
    SpriteStrip strip;
    EXPECT_FALSE(strip.Load(9, "./Graph/Bom.png", 6, 2));
    ASSERT_EQ(strip.FrameCount(), 9);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(strip.FrameAt(i), -1);
    strip.SetShortDurations();
    strip.SetLoop(false);
    for (int i = 0; i < 18; ++i) strip.Advance();
    EXPECT_FALSE(strip.IsPlaying());
    EXPECT_EQ(fake::LiveGraphCount(), 4);
  }
  EXPECT_EQ(fake::LiveGraphCount(), 3);
  EXPECT_TRUE(fake::IsLiveGraph(other.FrameAt(0)));
  EXPECT_TRUE(fake::IsLiveGraph(other.FrameAt(1)));
  EXPECT_TRUE(fake::IsLiveGraph(other.ImageGraph()));
}

}  // namespace

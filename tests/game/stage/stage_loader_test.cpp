#include "game/stage/stage_loader.h"

#include <gtest/gtest.h>

#include <limits.h>

#include <cmath>
#include <sstream>

#include "game/field/stage_field.h"
#include "game/stage/stage_reader.h"
#include "game_test.h"

namespace {

class StageLoaderTest : public GameTest {
 protected:
  // Every placed object as "class x y z life" (gimmicks: "class x y degrees
  // spin"; paddles: "class x y type"), blocks by list, then gimmicks, then
  // paddles.
  std::vector<std::string> Placed() {
    std::vector<std::string> out;
    StageField &field = World().field;
    auto text = [](std::initializer_list<double> values, const char *name) {
      std::ostringstream line;
      line << name;
      for (double value : values) line << ' ' << value;
      return line.str();
    };
    for (const std::vector<CEnemyBase *> *list : {&field.enemies.Breakable(), &field.enemies.Fixed()}) {
      for (CEnemyBase *block : *list) {
        const char *name = dynamic_cast<CBlock *>(block)      ? "block"
                           : dynamic_cast<CBomBlock *>(block) ? "bomb"
                           : dynamic_cast<CHardBlock *>(block) ? "hard"
                                                               : "bad";
        out.push_back(text({block->GetX(), block->GetY(), block->GetZ(), double(block->GetLife())}, name));
      }
    }
    for (CGimmickBase *gimmick : field.gimmicks.Gimmicks()) {
      const CGimmickTile *tile = static_cast<CGimmickTile *>(gimmick);
      const char *name = dynamic_cast<CSpeedUp *>(gimmick) ? "speedup" : "turnabout";
      out.push_back(text({gimmick->GetX(), gimmick->GetY(), double(DegreeIndex(gimmick->GetAngle())),
                          tile->GetSpin() == 0 ? 0.0 : 1.0},
                         name));
    }
    for (CPlayer *paddle : field.players.Paddles()) {
      out.push_back(text({paddle->GetX(), paddle->GetY(), double(paddle->GetType())}, "paddle"));
    }
    return out;
  }

  std::vector<std::string> Load(const std::string &text) {
    gametest::WriteStage(1, text);
    World().stage.stageNumber = 1;
    EXPECT_TRUE(LoadStage(World().stage, World().field));
    return Placed();
  }
};

using Cells = std::vector<std::string>;

TEST_F(StageLoaderTest, GridOfEveryCode) {
  EXPECT_EQ(Load("1,2,3\n4,100,101\n200,201\\90,-1\n-2,-3,0,7"),
            (Cells{"block 0 -0 -0 1", "block 32 -0 -0 2", "block 64 -0 -0 3", "bomb 0 -32 -0 1",
                   "hard 32 -32 -0 1", "bad 64 -32 0 5", "speedup 0 -64 0 1", "turnabout 32 -64 90 0",
                   "paddle 64 -64 0", "paddle 0 -96 2", "paddle 32 -96 1"}));
  const StageState &stage = World().stage;
  EXPECT_EQ(stage.lastRow, 3);
  EXPECT_EQ(stage.lastColumn, 3);
  EXPECT_EQ(stage.fieldRect.top, 32 - 96);
  EXPECT_EQ(stage.fieldRect.right, 96);
  EXPECT_EQ(stage.mainPaddle, World().field.players.Paddles()[0]);
  EXPECT_EQ(stage.ballStartX, 64.0f);
  EXPECT_EQ(stage.ballStartY, -64.0f);
  EXPECT_EQ(stage.ballsInHand, 1);
  EXPECT_EQ(fake::NamesOf(fake::CALL_SOUND), (std::vector<std::string>{"PlayStageMusic"}));
}

TEST_F(StageLoaderTest, FifteenByFifteenRectangleAndCamera) {
  std::string grid;
  for (int row = 0; row < 15; ++row) {
    for (int column = 0; column < 15; ++column) grid += column ? ",0" : "0";
    if (row < 14) grid += "\n";
  }
  Load(grid);
  const Rect &rect = World().stage.fieldRect;
  EXPECT_EQ(rect.left, 0);
  EXPECT_EQ(rect.top, -416);
  EXPECT_EQ(rect.right, 448);
  EXPECT_EQ(rect.bottom, 0);
  const std::vector<fake::Call> camera = fake::CallsOf(fake::CALL_CAMERA);
  ASSERT_EQ(camera.size(), 2u);
  EXPECT_EQ(camera[0].args, (std::vector<double>{224, -384, -480, 224, -224, 0}));
  EXPECT_EQ(camera[1].args, (std::vector<double>{240, 240}));
}

TEST_F(StageLoaderTest, Suffixes) {
  const struct {
    const char *text;
    Cells cells;
  } cases[] = {
      {"1_2", {"block 0 -0 -0 1", "block 0 -0 -32 1", "block 0 -0 -32 1"}},
      {"1^2^3", {"block 0 -0 -0 1", "block 0 -0 -32 2", "block 0 -0 -64 3"}},
      {"1_0", {"block 0 -0 -0 1"}},
      {"1_-3", {"block 0 -0 -0 1"}},
      {"1_2^3", {"block 0 -0 -0 1", "block 0 -0 -32 1", "block 0 -0 -32 1", "block 0 -0 -32 3"}},
      {"1_^2", {"block 0 -0 -0 1", "block 0 -0 -32 2"}},
      {"1_x,2", {"block 0 -0 -0 1", "block 32 -0 -0 2"}},
      {"1^x,2", {"block 0 -0 -0 1", "block 32 -0 -0 2"}},
      {"1_", {"block 0 -0 -0 1"}},
      {"201\\90", {"turnabout 0 -0 90 0"}},
      {"200\\x", {"speedup 0 -0 200 0"}},
      {"201\\", {"turnabout 0 -0 0 1"}},
      {"200", {"speedup 0 -0 0 1"}},
      {"201\\1", {"turnabout 0 -0 0 0"}},
      {"201\\360", {"turnabout 0 -0 0 0"}},
      {"201\\450", {"turnabout 0 -0 90 0"}},
      {"201\\-90", {"turnabout 0 -0 270 0"}},
      {"200_1", {"speedup 0 -0 0 1", "speedup 0 -0 0 1"}},
      {"100^101", {"hard 0 -0 -0 1", "bad 0 -0 0 5"}},
      {"-1", {"paddle 0 -0 0"}},
  };
  for (const auto &c : cases) {
    World().field.Clear(World().stage);
    EXPECT_EQ(Load(c.text), c.cells) << c.text;
  }
}

TEST_F(StageLoaderTest, RowsAndColumnsQuirks) {
  const struct {
    std::string text;
    int lastRow, lastColumn;
    Cells cells;
  } cases[] = {
      {"1", 0, 0, {"block 0 -0 -0 1"}},
      {"1\n", 1, 0, {"block 0 -0 -0 1"}},
      {"1,\n2", 0, 1, {"block 0 -0 -0 1", "block 32 -0 -0 2"}},
      {"1,2\r\n3\r\n", 2, 1, {"block 0 -0 -0 1", "block 32 -0 -0 2", "block 0 -32 -0 3"}},
      {"1,2\xFF" "3", 0, 1, {"block 0 -0 -0 1", "block 32 -0 -0 2"}},
      {"1\x1A,2", 0, 1, {"block 0 -0 -0 1", "block 32 -0 -0 2"}},
      {"", 0, 0, {}},
      {"1 junk,2", 0, 1, {"block 0 -0 -0 1", "block 32 -0 -0 2"}},
  };
  for (const auto &c : cases) {
    World().field.Clear(World().stage);
    EXPECT_EQ(Load(c.text), c.cells) << c.text;
    EXPECT_EQ(World().stage.lastRow, c.lastRow) << c.text;
    EXPECT_EQ(World().stage.lastColumn, c.lastColumn) << c.text;
  }
}

TEST_F(StageLoaderTest, MissingOrOversizedFileFails) {
  StageState &stage = World().stage;
  stage.stageNumber = 7;
  stage.lastRow = 5;
  stage.comboTimer = 9;
  stage.ballsInHand = 0;
  EXPECT_FALSE(LoadStage(stage, World().field));
  EXPECT_EQ(stage.lastRow, 0);
  EXPECT_EQ(stage.comboTimer, 0);
  EXPECT_EQ(stage.ballsInHand, 0);
  EXPECT_TRUE(fake::CallsOf(fake::CALL_SOUND).empty());
  gametest::WriteStage(7, std::string(kMaxStageFileBytes + 1, '0'));
  EXPECT_FALSE(LoadStage(stage, World().field));
  gametest::WriteStage(7, std::string(kMaxStageFileBytes, '0'));
  EXPECT_TRUE(LoadStage(stage, World().field));
}

// Huge counts and endless chains stop at layer 63.
TEST_F(StageLoaderTest, CountsAndChainsAreBounded) {
  EXPECT_EQ(Load("1_2000000000").size(), 64u);
  World().field.Clear(World().stage);
  std::string chain = "1";
  for (int i = 0; i < 10000; ++i) chain += "^1";
  const Cells cells = Load(chain + ",2");
  ASSERT_EQ(cells.size(), 65u);
  EXPECT_EQ(cells[63], "block 0 -0 -2016 1");
  EXPECT_EQ(cells[64], "block 32 -0 -0 2");
}

// "_" places its blocks on one layer, each linked onto the one before; two
// frames stand them up as a column.
TEST_F(StageLoaderTest, CountSuffixStandsUpAsAColumn) {
  Load("1_2");
  const std::vector<CEnemyBase *> &blocks = World().field.enemies.Breakable();
  World().field.enemies.Update();
  World().field.enemies.Update();
  EXPECT_EQ(blocks[0]->GetZ(), 0.0f);
  EXPECT_FLOAT_EQ(blocks[1]->GetZ(), -31.99f);
  EXPECT_FLOAT_EQ(blocks[2]->GetZ(), -63.98f);
}

TEST_F(StageLoaderTest, SuffixAfterNonBlockRestsOnTheLastBlockAdded) {
  Load("1,0^2");
  const std::vector<CEnemyBase *> &blocks = World().field.enemies.Breakable();
  ASSERT_EQ(blocks.size(), 2u);
  EXPECT_EQ(blocks[1]->GetBelow(), blocks[0]);
}

// A cleared stage leaves no stale support: a suffix on the next stage's
// first cell finds nothing to rest on.
TEST_F(StageLoaderTest, SecondStageDoesNotRestOnFreedBlocks) {
  Load("1_2");
  World().field.Clear(World().stage);
  EXPECT_EQ(World().stage.mainPaddle, nullptr);
  gametest::WriteStage(2, "0^1");
  World().stage.stageNumber = 2;
  ASSERT_TRUE(LoadStage(World().stage, World().field));
  ASSERT_EQ(World().field.enemies.Breakable().size(), 1u);
  EXPECT_EQ(World().field.enemies.Breakable()[0]->GetBelow(), nullptr);
  // Blocks deleted in play leave the placement list as well.
  CEnemyBase *only = World().field.enemies.Breakable()[0];
  only->SetLife(0);
  World().field.enemies.Update();
  World().field.enemies.AddBreakable(new CBlock(1, 0, 0, -32), 1);
  EXPECT_EQ(World().field.enemies.Breakable()[0]->GetBelow(), nullptr);
}

TEST(StageReaderTest, NumbersByTheDecimalRules) {
  const struct {
    const char *text;
    NumberRead read;
    int value;
    int next;
  } cases[] = {
      {"42,", NUMBER_READ, 42, ','},
      {" \r\n\t-7x", NUMBER_READ, -7, 'x'},
      {"+5", NUMBER_READ, 5, kStageEnd},
      {"-x", NUMBER_MISSING, 99, 'x'},
      {"-", NUMBER_MISSING, 99, kStageEnd},
      {"x1", NUMBER_MISSING, 99, 'x'},
      {"  \n", NUMBER_AT_END, 99, kStageEnd},
      {"", NUMBER_AT_END, 99, kStageEnd},
      {"99999999999", NUMBER_READ, INT_MAX, kStageEnd},
      {"-99999999999", NUMBER_READ, INT_MIN, kStageEnd},
      {"-2147483648", NUMBER_READ, INT_MIN, kStageEnd},
      {"\xFF" "1", NUMBER_MISSING, 99, 0xFF},
  };
  for (const auto &c : cases) {
    const std::string bytes(c.text);
    StageReader reader(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
    int value = 99;
    EXPECT_EQ(reader.ReadInt(value), c.read) << c.text;
    EXPECT_EQ(value, c.value) << c.text;
    EXPECT_EQ(reader.Next(), c.next) << c.text;
  }
}

}  // namespace

#include "game/field/blocks.h"

#include <gtest/gtest.h>

#include "game/field/block_manage.h"
#include "game_test.h"

namespace {

using BlocksTest = GameTest;

// Adds a column of normal blocks from the floor up, as the loader does.
std::vector<CEnemyBase *> AddColumn(CEnemyManage &blocks, int height) {
  std::vector<CEnemyBase *> column;
  for (int layer = 0; layer < height; ++layer) {
    column.push_back(new CBlock(1, 0, 0, -32.0f * layer));
    blocks.AddBreakable(column.back(), layer);
  }
  return column;
}

TEST_F(BlocksTest, ColumnSettlesOntoItsSupports) {
  CEnemyManage &blocks = World().field.enemies;
  const std::vector<CEnemyBase *> column = AddColumn(blocks, 3);
  blocks.Update();
  EXPECT_EQ(column[1]->GetZ(), -30.0f);  // nothing overlapped yet: falls 2
  blocks.Update();
  EXPECT_EQ(column[0]->GetZ(), 0.0f);
  EXPECT_FLOAT_EQ(column[1]->GetZ(), -31.99f);
  EXPECT_FLOAT_EQ(column[2]->GetZ(), -63.98f);
  // Settling snaps onto the support even from below.
  column[2]->MoveBy(0, 0, 5);
  blocks.Update();
  EXPECT_FLOAT_EQ(column[2]->GetZ(), -63.98f);
}

TEST_F(BlocksTest, BlockFallsWhenItsSupportGoes) {
  CEnemyManage &blocks = World().field.enemies;
  const std::vector<CEnemyBase *> column = AddColumn(blocks, 3);
  blocks.Update();
  blocks.Update();
  column[1]->SetLife(0);
  float z = column[2]->GetZ();
  int frames = 0;
  for (;; ++frames) {
    blocks.Update();
    if (column[2]->GetZ() - z != 2.0f) break;
    z = column[2]->GetZ();
  }
  EXPECT_EQ(frames, 16);
  EXPECT_FLOAT_EQ(column[2]->GetZ(), -31.99f);
  EXPECT_EQ(column[2]->GetBelow(), column[0]);
  EXPECT_EQ(column[0]->GetAbove(), column[2]);
  EXPECT_EQ(blocks.Breakable().size(), 2u);
}

TEST_F(BlocksTest, UnsupportedBlockFallsToTheFloor) {
  CEnemyManage &blocks = World().field.enemies;
  const std::vector<CEnemyBase *> column = AddColumn(blocks, 2);
  column[0]->SetLife(0);
  for (int i = 0; i < 20; ++i) blocks.Update();
  EXPECT_EQ(column[1]->GetZ(), 0.0f);
  EXPECT_EQ(column[1]->GetBelow(), nullptr);
}

TEST_F(BlocksTest, DestroyedBlocksAreCreditedByCombo) {
  StageState &stage = World().stage;
  CEnemyManage &blocks = World().field.enemies;
  const int combos[] = {4, 0};
  for (int combo : combos) {
    stage.score = 0;
    stage.combo = combo;
    CEnemyBase *first = new CBlock(2, 0, 0, 0);
    CEnemyBase *second = new CBlock(1, 32, 0, 0);
    CEnemyBase *third = new CBlock(1, 64, 0, 0);
    blocks.AddBreakable(first, 0);
    blocks.AddBreakable(second, 0);
    blocks.AddBreakable(third, 0);
    first->SetLife(0);
    second->SetLife(-3);
    blocks.Update();  // two dead neighbours go in one pass
    EXPECT_EQ(stage.score, 2 * 10 * combo);
    ASSERT_EQ(blocks.Breakable().size(), 1u);
    EXPECT_EQ(blocks.Breakable()[0], third);
    blocks.Clear();
  }
}

TEST_F(BlocksTest, KindsAndDraws) {
  CEnemyManage &blocks = World().field.enemies;
  CEnemyBase *normal = new CBlock(3, 0, 0, 0);
  CEnemyBase *hard = new CHardBlock(32, 0, 0);
  CEnemyBase *bad = new CBadBlock(64, 0);
  CEnemyBase *bomb = new CBomBlock(96, 0, 0);
  blocks.AddBreakable(normal, 0);
  blocks.AddFixed(hard, 0);
  blocks.AddFixed(bad, 0);
  blocks.AddBreakable(bomb, 0);
  EXPECT_EQ(normal->GetKind(), 3);
  EXPECT_EQ(hard->GetKind(), 100);
  EXPECT_FALSE(hard->IsBreakable());
  EXPECT_EQ(bad->GetKind(), 101);
  EXPECT_EQ(bad->GetLife(), 5);
  EXPECT_TRUE(bad->IsBreakable());
  EXPECT_FALSE(bomb->IsBreakable());
  EXPECT_EQ(normal->GetPoints(), 10);
  fake::ClearCalls();
  normal->Damage(1);
  bomb->SetLife(0);
  blocks.Draw();  // fixed list first
  std::vector<std::string> drawn;
  for (const fake::Call &call : fake::CallsOf(fake::CALL_MODEL)) {
    if (call.name == "VLMSetInstancePosition") continue;
    drawn.push_back(fake::ModelPathOf(int(call.args[0])) + " " + call.name +
                    (call.args.size() > 1 ? " " + std::to_string(int(call.args[1])) : ""));
  }
  EXPECT_EQ(drawn, (std::vector<std::string>{
                       "./Model/HardBlock.mqo VLMDrawInstance",
                       "./Model/BadBlock.mqo VLMDrawInstance",
                       "./Model/block.mqo VLMDrawInstanceFrame 1",
                       "./Model/BomBlock.mqo VLMDrawInstanceFrame 1"}));
}

TEST_F(BlocksTest, BombFuseBlastAndChain) {
  gametest::World &world = World();
  world.stage.combo = 3;
  CEnemyManage &blocks = world.field.enemies;
  CEnemyBase *lit = new CBomBlock(0, 0, 0);
  CEnemyBase *neighbour = new CBomBlock(32, 0, 0);
  CEnemyBase *far = new CBlock(1, 200, 0, 0);
  blocks.AddBreakable(lit, 0);
  blocks.AddBreakable(neighbour, 0);
  blocks.AddBreakable(far, 0);
  lit->SetLife(0);
  fake::ClearCalls();
  for (int update = 1; update <= 20; ++update) world.field.Update();
  EXPECT_TRUE(fake::CallsOf(fake::CALL_SOUND).empty());
  EXPECT_EQ(world.field.attacks.Attacks().size(), 0u);
  world.field.Update();  // the 21st: blast, sound, points
  ASSERT_EQ(fake::CallsOf(fake::CALL_SOUND).size(), 1u);
  EXPECT_EQ(fake::CallsOf(fake::CALL_SOUND)[0].text, "delete.wav");
  EXPECT_EQ(world.stage.score, 30);
  EXPECT_TRUE(lit->IsDead());
  ASSERT_EQ(world.field.attacks.Attacks().size(), 1u);
  // The blast's first update damaged the neighbour by 5 and raised the combo.
  EXPECT_EQ(neighbour->GetLife(), -4);
  EXPECT_EQ(world.stage.combo, 4);
  EXPECT_EQ(world.stage.comboTimer, 50);
  EXPECT_EQ(far->GetLife(), 1);
  world.field.Update();
  EXPECT_EQ(blocks.Breakable().size(), 2u);  // the lit bomb is gone
  EXPECT_EQ(neighbour->GetLife(), -4);       // no second damage
  CAttackBase *blast = world.field.attacks.Attacks()[0];
  for (int update = 3; update < 18; ++update) world.field.Update();
  EXPECT_FALSE(blast->IsDead());
  world.field.Update();  // the blast's 18th update
  EXPECT_TRUE(blast->IsDead());
  // The neighbour's own fuse, lit in the blast's first frame, runs on.
  EXPECT_EQ(neighbour->GetHitCooldown(), 17);
}

TEST_F(BlocksTest, BlastBreaksBadBlockButNotHardBlock) {
  gametest::World &world = World();
  world.stage.combo = 2;
  CEnemyBase *bad = new CBadBlock(0, 0);
  CEnemyBase *hard = new CHardBlock(32, 0, 0);
  world.field.enemies.AddFixed(bad, 0);
  world.field.enemies.AddFixed(hard, 0);
  world.field.attacks.Add(new CBom(16, 0, 0));
  world.field.attacks.Update();
  EXPECT_EQ(bad->GetLife(), 0);
  EXPECT_EQ(hard->GetLife(), 1);
  EXPECT_EQ(world.stage.combo, 3);
  world.field.enemies.Update();
  EXPECT_EQ(world.stage.score, 30);
  ASSERT_EQ(world.field.enemies.Fixed().size(), 1u);
  EXPECT_EQ(world.field.enemies.Fixed()[0], hard);
}

}  // namespace

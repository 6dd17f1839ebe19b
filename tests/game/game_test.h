// The fixture of the game's tests: a fresh folder of fixture files, a reset
// fake and filled sine tables; every model is given back by the end.
#ifndef PELLACOR_TESTS_GAME_GAME_TEST_H
#define PELLACOR_TESTS_GAME_GAME_TEST_H

#include <gtest/gtest.h>

#include <memory>

#include "game/assets/model_cache.h"
#include "game/sine_tables.h"
#include "game_fixture.h"

class GameTest : public testing::Test {
 protected:
  void SetUp() override {
    fake::Reset();
    FillSineTables();
    folder_ = std::make_unique<gametest::FixtureFolder>();
  }

  void TearDown() override {
    world_.reset();
    EXPECT_EQ(ModelCacheSize(), 0);
    EXPECT_EQ(fake::LiveModelCount(), 0);
    folder_.reset();
  }

  gametest::World &World() {
    if (!world_) world_ = std::make_unique<gametest::World>();
    return *world_;
  }

  std::unique_ptr<gametest::FixtureFolder> folder_;
  std::unique_ptr<gametest::World> world_;
};

#endif

#include "game/field/paddles.h"

#include <gtest/gtest.h>

#include <cmath>

#include "game/field/blocks.h"
#include "game_test.h"

namespace {

class PaddlesTest : public GameTest {
 protected:
  // A stage with the field (0, -480, 480, 0) and no ball in hand.
  gametest::World &Field() {
    gametest::World &world = World();
    world.stage.ballsInHand = 0;
    return world;
  }

  CPlayer *AddPaddle(float x, float y, int type) {
    CPlayer *paddle = new CPlayer(x, y, type);
    World().field.players.Add(paddle);
    return paddle;
  }

  // One frame: input, then the paddles.
  void Frame(const fake::InputFrame &input) {
    fake::ScriptInput({input});
    World().keys.Update();
    World().field.players.Update();
  }

  static fake::InputFrame Move(int x, int y, int buttons = 0) {
    fake::InputFrame input;
    input.moveX = x;
    input.moveY = y;
    input.buttons = buttons;
    return input;
  }
};

TEST_F(PaddlesTest, SlidesAlongItsAxisByAtMost32) {
  Field();
  CPlayer *main = AddPaddle(240, -240, PADDLE_MAIN);
  CPlayer *slidesX = AddPaddle(240, -100, PADDLE_SLIDES_X);
  CPlayer *slidesY = AddPaddle(100, -240, PADDLE_SLIDES_Y);
  EXPECT_EQ(slidesY->GetAngle(), 1.5707964f);
  Frame(Move(100, 10));
  EXPECT_EQ(main->GetX(), 272.0f);
  EXPECT_EQ(main->GetY(), -240.0f);
  EXPECT_EQ(slidesX->GetX(), 272.0f);
  EXPECT_EQ(slidesY->GetX(), 100.0f);
  EXPECT_EQ(slidesY->GetY(), -250.0f);
  Frame(Move(-5, -100));
  EXPECT_EQ(main->GetX(), 267.0f);
  EXPECT_EQ(slidesY->GetY(), -218.0f);
}

TEST_F(PaddlesTest, StopsAtTheFieldEdges) {
  Field();
  CPlayer *main = AddPaddle(470, -240, PADDLE_MAIN);
  CPlayer *slidesY = AddPaddle(100, -10, PADDLE_SLIDES_Y);
  Frame(Move(30, -30));
  EXPECT_EQ(main->GetX(), 480.0f);
  EXPECT_EQ(slidesY->GetY(), 0.0f);
  EXPECT_EQ(main->GetZ(), 0.0f);
  Frame(Move(-600, 600));
  Frame(Move(-600, 600));
  EXPECT_EQ(main->GetX(), 416.0f);
}

TEST_F(PaddlesTest, TurnsWhileLeftIsHeldAndRestsOnRelease) {
  Field();
  CPlayer *main = AddPaddle(240, -240, PADDLE_MAIN);
  Frame(Move(0, 0, 1));  // the press is seen: its counter steps next update
  Frame(Move(10, 5, 1));
  const float turned = static_cast<float>(5 * 0.01) + static_cast<float>(10 * 0.01);
  EXPECT_EQ(main->GetAngle(), turned);
  EXPECT_EQ(main->GetX(), 240.0f);
  Frame(Move(10, 5, 0));  // counter still 2: turns once more
  Frame(Move(20, 0, 0));  // counter -1: neither moves nor turns
  EXPECT_EQ(main->GetAngle(), turned + turned);
  EXPECT_EQ(main->GetX(), 240.0f);
  Frame(Move(20, 0, 0));
  EXPECT_EQ(main->GetX(), 260.0f);
}

TEST_F(PaddlesTest, BlockedPaddleReturnsToItsPose) {
  gametest::World &world = Field();
  world.field.enemies.AddFixed(new CHardBlock(300, -240, 0), 0);
  CPlayer *main = AddPaddle(240, -240, PADDLE_MAIN);
  Frame(Move(12, 0));
  EXPECT_EQ(main->GetX(), 252.0f);
  Frame(Move(20, 0));  // 272 + 32 reaches into the block
  EXPECT_EQ(main->GetX(), 252.0f);
  EXPECT_EQ(main->GetAngle(), 0.0f);
}

TEST_F(PaddlesTest, TurningWithBallInHandJumpsBackByItsLastStep) {
  gametest::World &world = Field();
  CPlayer *slidesX = AddPaddle(200, -240, PADDLE_SLIDES_X);
  Frame(Move(10, 0));
  EXPECT_EQ(slidesX->GetX(), 210.0f);
  world.stage.ballsInHand = 1;
  world.field.enemies.AddFixed(new CHardBlock(210, -270, 0), 0);
  Frame(Move(0, 157));  // turns about a quarter into the block
  EXPECT_EQ(slidesX->GetX(), 200.0f);
  EXPECT_EQ(slidesX->GetAngle(), 0.0f);
}

TEST_F(PaddlesTest, SegmentsFollowThePaddle) {
  Field();
  CPlayer *slidesY = AddPaddle(100, -240, PADDLE_SLIDES_Y);
  EXPECT_FALSE(slidesY->GetSegment().valid);
  Frame(Move(0, 0));
  const Segment2D first = slidesY->GetSegment();
  EXPECT_TRUE(first.valid);
  EXPECT_NEAR(first.startX, 100.0f, 1e-5f);
  EXPECT_EQ(first.startY, -240.0f - 32.0f);
  EXPECT_EQ(first.dirY, 64.0f);
  EXPECT_TRUE(slidesY->GetPreviousSegment().valid);
  EXPECT_EQ(slidesY->GetPreviousSegment().dirY, 0.0f);
  Frame(Move(0, -8));
  EXPECT_EQ(slidesY->GetPreviousSegment().startY, first.startY);
  EXPECT_EQ(slidesY->GetSegment().startY, first.startY + 8.0f);
}

TEST_F(PaddlesTest, RearmedOnTheSeventhUpdate) {
  Field();
  CPlayer *main = AddPaddle(240, -240, PADDLE_MAIN);
  main->SetCanHit(false);
  main->SetHitCooldown(0);
  for (int update = 1; update <= 6; ++update) {
    Frame(Move(0, 0));
    EXPECT_FALSE(main->CanHit()) << update;
  }
  Frame(Move(0, 0));
  EXPECT_TRUE(main->CanHit());
}

TEST_F(PaddlesTest, MainPaddleDrawsTheBallInHand) {
  gametest::World &world = Field();
  CPlayer *main = AddPaddle(240, -240, PADDLE_MAIN);
  world.stage.ballsInHand = 1;
  fake::ClearCalls();
  main->Draw();
  std::vector<int> frames;
  for (const fake::Call &call : fake::CallsOf(fake::CALL_MODEL)) {
    if (call.name == "VLMDrawInstanceFrame") frames.push_back(int(call.args[1]));
  }
  EXPECT_EQ(frames, (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(fake::CallsOf(fake::CALL_MODEL)[0].name, "VLMSetInstanceRotation");
}

}  // namespace

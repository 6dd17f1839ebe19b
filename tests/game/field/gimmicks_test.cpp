#include "game/field/gimmicks.h"

#include <gtest/gtest.h>

#include "game/field/attacks.h"
#include "game_test.h"

namespace {

class GimmicksTest : public GameTest {
 protected:
  CBall *AddBall(float x, float y, float speedX, float speedY) {
    CBall *ball = new CBall(x, y, 0.0f);
    World().field.attacks.Add(ball);
    ball->SetSpeed(speedX, speedY, 0.0f);
    return ball;
  }
  static float Degrees(int degrees) {
    return static_cast<float>(degrees * 6.2831854820251465 / 360.0);
  }
};

TEST_F(GimmicksTest, TurnaboutSendsTheBallAlongItsDirection) {
  gametest::World &world = World();
  world.field.gimmicks.Add(new CTurnabout(100, -100, Degrees(90), 0));
  CBall *ball = AddBall(100, -100, 3, 4);
  world.field.gimmicks.Update();
  EXPECT_NEAR(ball->GetSpeedX(), -5.0f, 1e-5f);
  EXPECT_NEAR(ball->GetSpeedY(), 0.0f, 1e-5f);
  EXPECT_EQ(ball->GetSpeedZ(), 0.0f);
}

TEST_F(GimmicksTest, SpeedUpPushesEachFrameOfContact) {
  gametest::World &world = World();
  world.field.gimmicks.Add(new CSpeedUp(100, -100, Degrees(90), 0));
  CBall *ball = AddBall(100, -100, 1, 0);
  world.field.gimmicks.Update();
  EXPECT_FLOAT_EQ(ball->GetSpeedX(), 0.95f);
  world.field.gimmicks.Update();
  EXPECT_FLOAT_EQ(ball->GetSpeedX(), 0.9f);
  EXPECT_NEAR(ball->GetSpeedY(), 0.0f, 1e-6f);
  // A ball away from the tile is untouched.
  CBall *away = AddBall(200, -100, 1, 0);
  world.field.gimmicks.Update();
  EXPECT_EQ(away->GetSpeedX(), 1.0f);
}

TEST_F(GimmicksTest, SpinningTileTurnsAndWraps) {
  gametest::World &world = World();
  CSpeedUp *tile = new CSpeedUp(0, 0, 6.25f, 0.05f);
  world.field.gimmicks.Add(tile);
  world.field.gimmicks.Update();
  EXPECT_EQ(tile->GetAngle(), (6.25f + 0.05f) - 6.2831855f);
  world.field.gimmicks.Update();
  EXPECT_EQ(tile->GetAngle(), ((6.25f + 0.05f) - 6.2831855f) + 0.05f);
}

TEST_F(GimmicksTest, WholeDegreeIndex) {
  EXPECT_EQ(DegreeIndex(Degrees(1)), 0);  // the quotient falls just below 1
  EXPECT_EQ(DegreeIndex(Degrees(90)), 90);
  EXPECT_EQ(DegreeIndex(6.2831855f), 0);
  EXPECT_EQ(DegreeIndex(0.0f), 0);
}

TEST_F(GimmicksTest, DrawsTurnedModelsInListOrder) {
  gametest::World &world = World();
  world.field.gimmicks.Add(new CTurnabout(0, 0, 0.5f, 0));
  world.field.gimmicks.Add(new CSpeedUp(32, 0, 0, 0.05f));
  fake::ClearCalls();
  world.field.gimmicks.Draw();
  const std::vector<fake::Call> calls = fake::CallsOf(fake::CALL_MODEL);
  ASSERT_EQ(calls.size(), 6u);
  EXPECT_EQ(calls[0].name, "VLMSetInstanceRotation");
  EXPECT_EQ(calls[0].args[3], 0.5);
  EXPECT_EQ(fake::ModelPathOf(int(calls[0].args[0])), "./Model/Turnabout.mqo");
  EXPECT_EQ(calls[2].name, "VLMDrawInstance");
  EXPECT_EQ(fake::ModelPathOf(int(calls[5].args[0])), "./Model/SpeedUp.mqo");
}

}  // namespace

#include <gtest/gtest.h>

#include "game/field/attacks.h"
#include "game/field/blocks.h"
#include "game/field/paddles.h"
#include "game_test.h"

namespace {

class BallTest : public GameTest {
 protected:
  void SetUp() override {
    GameTest::SetUp();
    World().stage.ballsInHand = 0;
  }

  CBall *AddBall(float x, float y, float speedX, float speedY) {
    CBall *ball = new CBall(x, y, 0.0f);
    World().field.attacks.Add(ball);
    ball->SetSpeed(speedX, speedY, 0.0f);
    return ball;
  }

  // The play frame's order: input, combo timer, the managers, the ball in hand.
  void PlayFrame(const fake::InputFrame &input = fake::InputFrame()) {
    gametest::World &world = World();
    fake::ScriptInput({input});
    world.keys.Update();
    if (world.stage.comboTimer != 0) {
      world.stage.comboTimer -= 1;
    } else {
      world.stage.combo = 0;
    }
    world.field.Update();
    if (world.stage.ballsInHand != 0 && world.stage.mainPaddle) {
      world.stage.mainPaddle->HoldBall(world.stage.ballStartX, world.stage.ballStartY);
    }
  }

  std::vector<std::string> Sounds() {
    std::vector<std::string> names;
    for (const fake::Call &call : fake::CallsOf(fake::CALL_SOUND)) names.push_back(call.text);
    return names;
  }
};

fake::InputFrame Buttons(int buttons) {
  fake::InputFrame input;
  input.buttons = buttons;
  return input;
}

TEST_F(BallTest, LaunchedOnTheRightPressAndCreditedAtTheBlock) {
  gametest::World &world = World();
  CPlayer *main = new CPlayer(240, -224, PADDLE_MAIN);
  world.stage.mainPaddle = main;
  world.stage.ballStartX = 240;
  world.stage.ballStartY = -224;
  world.field.players.Add(main);
  CEnemyBase *block = new CBlock(1, 240, -128, 0);  // three rows up
  world.field.enemies.AddBreakable(block, 0);
  world.stage.ballsInHand = 1;
  PlayFrame(Buttons(2));  // the press is seen; its counter steps next frame
  EXPECT_TRUE(world.field.attacks.Attacks().empty());
  PlayFrame(Buttons(2));
  ASSERT_EQ(world.field.attacks.Attacks().size(), 1u);
  EXPECT_EQ(world.stage.ballsInHand, 0);
  const CAttackBase *ball = world.field.attacks.Attacks()[0];
  EXPECT_EQ(ball->GetSpeedX(), -0.0f);
  EXPECT_EQ(ball->GetSpeedY(), 2.0f);
  int frames = 0;
  while (block->GetLife() > 0 && frames < 100) {
    PlayFrame();
    ++frames;
  }
  ASSERT_EQ(block->GetLife(), 0);
  EXPECT_EQ(world.stage.combo, 1);
  EXPECT_EQ(world.stage.score, 0);
  PlayFrame();
  EXPECT_EQ(world.stage.score, 10);
  EXPECT_TRUE(world.field.enemies.Breakable().empty());
}

TEST_F(BallTest, LaunchSpeedFollowsTheAngle) {
  CBall turned(0, 0, 1.5707964f);
  EXPECT_NEAR(turned.GetSpeedX(), -2.0f, 1e-6f);
  EXPECT_NEAR(turned.GetSpeedY(), 0.0f, 1e-6f);
}

TEST_F(BallTest, JumpsOnlyOnThePressAndOnlyFromTheFloor) {
  CBall *ball = AddBall(100, -100, 0, 0);
  PlayFrame(Buttons(2));
  PlayFrame(Buttons(2));  // counter 1: jump
  EXPECT_EQ(ball->GetSpeedZ(), -12.0f);
  EXPECT_EQ(ball->GetZ(), -12.0f);
  PlayFrame(Buttons(2));  // counter 2: falls
  EXPECT_EQ(ball->GetSpeedZ(), -10.0f);
  for (int i = 0; i < 20; ++i) PlayFrame();
  EXPECT_EQ(ball->GetZ(), 0.0f);
  EXPECT_EQ(ball->GetSpeedZ(), 4.0f);  // capped
}

TEST_F(BallTest, SpeedsClampedAtTheNextUpdate) {
  CBall *ball = AddBall(100, -100, 5, -7);
  PlayFrame();
  EXPECT_EQ(ball->GetSpeedX(), 4.0f);
  EXPECT_EQ(ball->GetSpeedY(), -4.0f);
}

TEST_F(BallTest, FieldEdgesTurnTheBallInward) {
  CBall *out = AddBall(478, -100, 3, 0);
  PlayFrame();
  EXPECT_EQ(out->GetX(), 480.0f);
  EXPECT_EQ(out->GetSpeedX(), -3.0f);
  CBall *in = AddBall(100, -2, 0, 1);
  in->SetXY(100, 3);  // already past the edge
  in->SetSpeed(0, -1, 0);
  PlayFrame();
  EXPECT_EQ(in->GetY(), 0.0f);
  EXPECT_EQ(in->GetSpeedY(), -1.0f);
}

TEST_F(BallTest, BlockFacesBounceAtTheNextUpdate) {
  gametest::World &world = World();
  CEnemyBase *hard = new CHardBlock(100, -100, 0);
  world.field.enemies.AddFixed(hard, 0);
  // Low x face: touched moving right, reversed and put at the return point.
  CBall *ball = AddBall(81, -100, 3, 0);
  EXPECT_EQ(ball->OnHitBlock(hard), 0);
  EXPECT_EQ(ball->GetTouchFlags(), TOUCH_LOW_X);
  EXPECT_EQ(ball->GetReturnX(), 76.0f);
  EXPECT_FLOAT_EQ(ball->GetSpeedX(), 3.03f);
  EXPECT_EQ(hard->GetLife(), 1);  // a hard block is never damaged
  EXPECT_EQ(world.stage.combo, 0);
  world.field.attacks.Update();
  EXPECT_FLOAT_EQ(ball->GetSpeedX(), -3.03f);
  EXPECT_FLOAT_EQ(ball->GetX(), 76.0f - 3.03f);
}

// Landing on a block's top bounces the ball up; it still speeds up and
// damages a normal block.
TEST_F(BallTest, LandsOnABlockTop) {
  gametest::World &world = World();
  CEnemyBase *block = new CBlock(2, 100, -100, 0);
  world.field.enemies.AddBreakable(block, 0);
  CBall *ball = AddBall(100, -100, 1, 0);
  ball->MoveBy(0, 0, -20);
  fake::ClearCalls();
  ball->OnHitBlock(block);
  EXPECT_EQ(ball->GetZ(), -24.0f);
  EXPECT_EQ(ball->GetSpeedZ(), -13.0f);
  EXPECT_EQ(ball->GetTouchFlags(), 0);
  EXPECT_FLOAT_EQ(ball->GetSpeedX(), 1.01f);
  EXPECT_EQ(block->GetLife(), 1);
  EXPECT_EQ(world.stage.combo, 1);
  EXPECT_EQ(world.stage.comboTimer, 50);
  EXPECT_EQ(Sounds(), (std::vector<std::string>{"shok.wav"}));
}

TEST_F(BallTest, OppositeFacesCancelAndFourFacesReverseBoth) {
  // Blocks beside a ball at (100, -100): each touches one face.
  CHardBlock lowX(110, -100, 0), highX(90, -100, 0), lowY(100, -90, 0), highY(100, -110, 0);
  const struct {
    std::vector<CEnemyBase *> blocks;
    uint8_t touch;
    bool reversedX, reversedY;
  } cases[] = {{{&lowX, &highX}, TOUCH_LOW_X | TOUCH_HIGH_X, false, false},
               {{&lowY}, TOUCH_LOW_Y, false, true},
               {{&lowX, &highX, &lowY, &highY}, TOUCH_ALL, true, true}};
  for (const auto &c : cases) {
    CBall *ball = AddBall(100, -100, 2, 1);
    for (CEnemyBase *block : c.blocks) ball->OnHitBlock(block);
    EXPECT_EQ(ball->GetTouchFlags(), c.touch);
    World().field.attacks.Update();
    EXPECT_EQ(ball->GetSpeedX() < 0, c.reversedX);
    EXPECT_EQ(ball->GetSpeedY() < 0, c.reversedY);
    World().field.attacks.Clear();
  }
}

TEST_F(BallTest, BadBlockAloneCostsTheBall) {
  gametest::World &world = World();
  world.stage.ballsLeft = 0;
  world.field.enemies.AddFixed(new CBadBlock(100, -100), 0);
  CBall *ball = AddBall(100, -80, 0, 0);
  world.field.attacks.Update();  // touches the bad block
  EXPECT_EQ(ball->GetLife(), 0);
  fake::ClearCalls();
  world.field.attacks.Update();
  EXPECT_TRUE(ball->IsDead());
  EXPECT_EQ(world.stage.ballsLeft, -1);
  EXPECT_EQ(world.stage.ballsInHand, 0);
  EXPECT_EQ(Sounds(), (std::vector<std::string>{"delete.wav"}));
  world.field.attacks.Update();
  EXPECT_TRUE(world.field.attacks.Attacks().empty());
  world.stage.ballsLeft = 2;
  AddBall(100, -80, 0, 0);
  world.field.attacks.Update();
  world.field.attacks.Update();
  EXPECT_EQ(world.stage.ballsLeft, 1);
  EXPECT_EQ(world.stage.ballsInHand, 1);
}

TEST_F(BallTest, BadBlockBesideAnotherIsSurvived) {
  gametest::World &world = World();
  for (bool badFirst : {true, false}) {
    CBadBlock bad(100, -100);
    bad.Init();
    CBlock other(3, 110, -100, 0);
    other.Init();
    CBall *ball = AddBall(105, -80, 0, 0);
    if (badFirst) {
      ball->OnHitBlock(&bad);
      ball->OnHitBlock(&other);
    } else {
      ball->OnHitBlock(&other);
      ball->OnHitBlock(&bad);
    }
    EXPECT_EQ(ball->GetLife(), badFirst ? 2 : 1);
    world.field.attacks.Update();
    EXPECT_FALSE(ball->IsDead());
    world.field.attacks.Clear();
  }
}

class PaddleBounceTest : public BallTest {
 protected:
  CPlayer *Paddle(float x, float y, float angle) {
    CPlayer *paddle = new CPlayer(x, y, PADDLE_MAIN);
    World().field.players.Add(paddle);
    paddle->SetAngle(angle);
    return paddle;
  }
  static Segment2D Path(const CBall &ball) {
    return Segment2D{ball.GetX(), ball.GetY(), ball.GetSpeedX(), ball.GetSpeedY(), 1};
  }
};

TEST_F(PaddleBounceTest, CrossingTheBarMirrorsTheMove) {
  CPlayer *paddle = Paddle(100, -100, 0);
  paddle->Update();
  CBall *ball = AddBall(100, -104, 0, 6);
  EXPECT_TRUE(ball->BounceOffPaddle(paddle, Path(*ball), paddle->GetSegment()));
  EXPECT_EQ(ball->GetY(), -106.0f);
  EXPECT_EQ(ball->GetSpeedX(), 0.0f);
  EXPECT_EQ(ball->GetSpeedY(), -6.0f);
}

TEST_F(PaddleBounceTest, CrossingThePreviousBar) {
  CPlayer *paddle = Paddle(100, -100, 0);
  paddle->Update();
  paddle->SetXY(100, -80);
  paddle->Update();
  CBall *ball = AddBall(100, -104, 0, 6);
  EXPECT_TRUE(ball->BounceOffPaddle(paddle, Path(*ball), paddle->GetSegment()));
  EXPECT_EQ(ball->GetSpeedY(), -6.0f);
}

TEST_F(PaddleBounceTest, PaddleMoveThroughTheBallMirrorsItsTurnedSpeed) {
  CPlayer *paddle = Paddle(100, -100, 1.5707964f);
  fake::ScriptInput({fake::InputFrame{{}, 0, 0, 20, 0}});
  World().keys.Update();
  paddle->Update();  // moves to x 120, a bar along y
  ASSERT_EQ(paddle->GetX(), 120.0f);
  CBall *ball = AddBall(110, -100, 1, 1);
  EXPECT_TRUE(ball->BounceOffPaddle(paddle, Path(*ball), paddle->GetSegment()));
  EXPECT_NEAR(ball->GetSpeedX(), 1.0f, 1e-5f);
  EXPECT_NEAR(ball->GetSpeedY(), -1.0f, 1e-5f);
  EXPECT_NEAR(ball->GetX(), 110.0f, 1e-5f);
}

TEST_F(PaddleBounceTest, BallAtRestIsPushedByAThirtySecond) {
  CPlayer *paddle = Paddle(100, -100, 1.5707964f);
  fake::ScriptInput({fake::InputFrame{{}, 0, 0, 20, 0}});
  World().keys.Update();
  paddle->Update();
  CBall *ball = AddBall(110, -100, 0, 0);
  EXPECT_TRUE(ball->BounceOffPaddle(paddle, Path(*ball), paddle->GetSegment()));
  EXPECT_EQ(ball->GetSpeedX(), 0.625f);
  EXPECT_EQ(ball->GetSpeedY(), 0.0f);
  // A paddle whose move misses the ball does not hit it.
  CBall *far = AddBall(200, -100, 0, 0);
  EXPECT_FALSE(far->BounceOffPaddle(paddle, Path(*far), paddle->GetSegment()));
}

TEST_F(PaddleBounceTest, HitDisarmsThePaddleAndAirborneBallsPassOver) {
  CPlayer *paddle = Paddle(100, -100, 0);
  paddle->Update();
  CBall *air = AddBall(100, -104, 0, 6);
  air->MoveBy(0, 0, -5);
  air->OnHitPaddle(paddle);
  EXPECT_TRUE(paddle->CanHit());
  CBall *ball = AddBall(100, -104, 0, 6);
  fake::ClearCalls();
  ball->OnHitPaddle(paddle);
  EXPECT_FALSE(paddle->CanHit());
  EXPECT_EQ(paddle->GetHitCooldown(), 0);
  EXPECT_EQ(Sounds(), (std::vector<std::string>{"shok.wav"}));
  ball->SetXY(100, -104);
  ball->OnHitPaddle(paddle);  // disarmed: ignored
  EXPECT_EQ(ball->GetSpeedY(), -6.0f);
}

}  // namespace

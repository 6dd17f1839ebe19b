#include "game/scenes/stage_scene.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/scenes/title_scenes.h"
#include "shell_test.h"

namespace {

using Pictures = std::vector<std::string>;

const char kResumeText[] =
    "\x8D\xB6or\x83z\x83" "C\x81[\x83\x8B\x83{\x83^\x83\x93\x82\xF0\x83N\x83\x8A\x83" "b\x83N\x82\xC5"
    "\x8D\xC4\x8A" "J";

class StageSceneTest : public ShellTest {
 protected:
  // A stage past its fade-in, playing.
  CStage &Stage() {
    if (!SceneAs<CStage>()) {
      Install(new CStage);
      FadeIn();
    }
    return *SceneAs<CStage>();
  }

  // The pictures drawn by one Draw of the stage, field models left out.
  Pictures Drawn() {
    fake::ClearCalls();
    Stage().Draw();
    return gametest::DrawnPictures();
  }

  // Frames until the score moves (at most limit).
  void PlayUntilScored(int limit) {
    for (int i = 0; i < limit && Stage().score == 0; ++i) Idle(1);
  }

  void Launch() { Frames({kRight, 0}); }
};

Pictures Panel(const std::string &balls, const std::string &score, const std::string &hiScore) {
  Pictures panel = {"Stage.png 480 0", "Ball_f.png 488 32"};
  for (size_t i = 0; i < balls.size(); ++i) {
    panel.push_back("Figure.png#" + balls.substr(balls.size() - 1 - i, 1) + " " +
                    std::to_string(576 - 16 * static_cast<int>(i)) + " 32");
  }
  panel.push_back("Score_f.png 488 128");
  for (size_t i = 0; i < 8; ++i) {
    panel.push_back("Figure.png#" + score.substr(7 - i, 1) + " " + std::to_string(608 - 16 * static_cast<int>(i)) + " 176");
  }
  panel.push_back("HiScore_f.png 488 240");
  for (size_t i = 0; i < 8; ++i) {
    panel.push_back("Figure.png#" + hiScore.substr(7 - i, 1) + " " + std::to_string(608 - 16 * static_cast<int>(i)) + " 288");
  }
  return panel;
}

// The SetMouseCursorVisible arguments since the calls were cleared.
std::vector<double> CursorShown() {
  std::vector<double> shown;
  for (const fake::Call &call : fake::CallsOf(fake::CALL_SYSTEM)) {
    if (call.name == "SetMouseCursorVisible") shown.push_back(call.args[0]);
  }
  return shown;
}

Pictures With(Pictures pictures, const Pictures &more) {
  pictures.insert(pictures.end(), more.begin(), more.end());
  return pictures;
}

TEST_F(StageSceneTest, LaunchCreditClearAllClearAndTitle) {
  gametest::WriteFile("./Data/HiScore.dat", std::string(4, '\0'));
  CStage &stage = Stage();
  EXPECT_EQ(stage.ballsLeft, 5);
  EXPECT_EQ(Drawn(), Panel("05", "00000000", "00000000"));
  Launch();
  EXPECT_EQ(stage.ballsInHand, 0);
  PlayUntilScored(200);
  EXPECT_EQ(stage.score, 10);
  EXPECT_EQ(Game().hiScore, 10);
  EXPECT_TRUE(stage.state == &CStage::StageClearState);
  EXPECT_EQ(Drawn(), With(Panel("05", "00000010", "00000010"), {"StageClear.png 80 160"}));

  fake::ClearCalls();
  Idle(101);  // the music stops on the first frame; no 2.csv after the 100th
  EXPECT_EQ(fake::NamesOf(fake::CALL_SOUND).front(), "StopSoundHandle");
  EXPECT_EQ(stage.allClear, 1);
  EXPECT_EQ(stage.stageNumber, 2);
  Idle(1);  // the playing state finds no block and clears again
  EXPECT_TRUE(stage.state == &CStage::StageClearState);
  EXPECT_EQ(Drawn(), With(Panel("05", "00000010", "00000010"), {"AllStageClear.png 80 160"}));
  Idle(100);
  EXPECT_EQ(stage.fadeOut, 0);
  Idle(1);
  EXPECT_EQ(stage.fadeOut, 1);
  Idle(kFadeFrames);
  EXPECT_NE(SceneAs<CTitle>(), nullptr);
  EXPECT_FALSE((fake::SetKeyDown(1, true), Pass()));
  EXPECT_EQ(gametest::ReadFile("./Data/HiScore.dat"), std::string("\x0A\0\0\0", 4));
}

TEST_F(StageSceneTest, AllClearCentredByTheStageClearSize) {
  gametest::WritePng("./Graph/AllStageClear.png", 200, 100);
  CStage &stage = Stage();
  stage.field.Clear(stage);
  stage.state = &CStage::StageClearState;
  stage.allClear = 1;
  EXPECT_EQ(Drawn().back(), "AllStageClear.png 80 160");
}

TEST_F(StageSceneTest, LastBallLostGameOverAndContinue) {
  gametest::WritePng("./Graph/Continue.png", 200, 100);
  CStage &stage = Stage();
  stage.ballsLeft = 0;
  stage.score = 30;
  Launch();
  ASSERT_EQ(stage.field.attacks.Attacks().size(), 1u);
  stage.field.attacks.Attacks()[0]->SetLife(0);  // the last ball is lost
  Idle(1);
  EXPECT_EQ(stage.ballsLeft, -1);
  EXPECT_EQ(stage.ballsInHand, 0);
  EXPECT_TRUE(stage.state == &CStage::PlayState);
  Idle(1);
  EXPECT_TRUE(stage.state == &CStage::GameOverState);
  EXPECT_EQ(Drawn(), With(Panel("00", "00000030", "00005000"), {"GameOver.png 80 160"}));
  fake::ClearCalls();
  Idle(1);  // state frame 1
  EXPECT_EQ(fake::NamesOf(fake::CALL_SOUND), std::vector<std::string>{"StopSoundHandle"});
  Frames(std::vector<int>(98, kLeft));  // held, but too early
  EXPECT_EQ(stage.stateFrameCount, 99);
  EXPECT_EQ(Drawn().back(), "GameOver.png 80 160");
  Frames({kLeft});
  EXPECT_EQ(Drawn().back(), "Continue.png 80 160");  // centred by the game-over size
  Frames({kLeft});
  EXPECT_TRUE(stage.state == &CStage::PlayState);
  EXPECT_EQ(stage.ballsLeft, 5);
  EXPECT_EQ(stage.score, 0);
  EXPECT_EQ(stage.ballsInHand, 1);
  EXPECT_EQ(stage.field.enemies.Breakable().size(), 1u);

  stage.ballsLeft = -1;
  Frames(std::vector<int>(102, kRight));
  EXPECT_EQ(stage.fadeOut, 1);
  Idle(kFadeFrames);
  EXPECT_NE(SceneAs<CTitle>(), nullptr);
}

TEST_F(StageSceneTest, ExtendsOncePerFrame) {
  CStage &stage = Stage();
  stage.score = 10000;
  Idle(1);
  EXPECT_EQ(stage.ballsLeft, 6);
  Idle(1);
  EXPECT_EQ(stage.ballsLeft, 7);
  Idle(1);
  EXPECT_EQ(stage.ballsLeft, 7);
  EXPECT_EQ(stage.extendThreshold, 15000);
}

TEST_F(StageSceneTest, PauseAndResume) {
  const struct {
    std::vector<int> pause;   // frames that pause (on the last)
    std::vector<int> resume;  // frames that resume (on the last)
  } cases[] = {
      {{kMiddle, 0}, {kMiddle, 0}},                       // middle releases
      {{kLeft | kRight}, {kLeft | kRight, 0, kLeft}},     // both; a fresh left press
      {{kMiddle, 0}, {kLeft}},
  };
  for (const auto &c : cases) {
    CStage &stage = Stage();
    fake::ClearCalls();
    Frames(c.pause);
    EXPECT_EQ(stage.paused, 0);
    Idle(1);
    ASSERT_EQ(stage.paused, 1);
    EXPECT_EQ(CursorShown(), std::vector<double>{1});
    Frames(std::vector<int>(c.resume.begin(), c.resume.end() - 1));
    EXPECT_EQ(stage.paused, 1);
    fake::ClearCalls();
    Frames({c.resume.back()});
    Idle(1);
    EXPECT_EQ(stage.paused, 0);
    EXPECT_EQ(CursorShown(), std::vector<double>{0});
  }
}

TEST_F(StageSceneTest, PausedDrawsThePictureAndTheText) {
  CStage &stage = Stage();
  stage.paused = 1;
  EXPECT_EQ(Drawn().back(), "Pouse_f.png 80 160");
  const fake::Call text = fake::CallsOf(fake::CALL_DRAW).back();
  EXPECT_EQ(text.name, "DrawFormattedText");
  EXPECT_EQ(text.text, kResumeText);
  EXPECT_EQ(text.args, (std::vector<double>{100, 400, 0xFFFFFF}));
}

TEST_F(StageSceneTest, InactiveWindowPausesOnACursorOutside) {
  CStage &stage = Stage();
  fake::SetCursor(700, 100);
  Idle(2);
  EXPECT_EQ(stage.paused, 0);  // active: the cursor is held at the centre
  fake::SetWindowActive(false);
  fake::SetCursor(100, 100);
  Idle(2);
  EXPECT_EQ(stage.paused, 0);
  fake::SetCursor(100, 481);
  Idle(1);
  EXPECT_EQ(stage.paused, 1);
}

TEST_F(StageSceneTest, PanelDigitsAndCombo) {
  CStage &stage = Stage();
  stage.score = 12345;
  Game().hiScore = 99999999;
  stage.ballsLeft = 12;
  stage.combo = 105;
  stage.comboTimer = 50;
  EXPECT_EQ(Drawn(), With(Panel("12", "00012345", "99999999"), {"Combo_f.png 488 340"}));
  std::vector<std::vector<double>> rotated;
  for (const fake::Call &call : fake::CallsOf(fake::CALL_DRAW)) {
    if (call.name == "DrawGraphRotated") {
      rotated.push_back({call.args[0], call.args[1], call.args[2], double(fake::GraphCell(int(call.args[4])))});
    }
  }
  EXPECT_EQ(rotated, (std::vector<std::vector<double>>{
                         {616, 432, 2.0, 5}, {600, 432, 2.0, 0}, {584, 432, 2.0, 1}}));
  stage.combo = 1;
  EXPECT_EQ(Drawn().back(), "Figure.png#9 496 288");  // no combo below 2
}

TEST_F(StageSceneTest, CloseWhilePlayingFreesEverything) {
  Stage();
  Launch();
  Idle(3);
  EXPECT_FALSE((fake::SetKeyDown(1, true), Pass()));
  EXPECT_EQ(fake::LiveGraphCount(), 0);
}

}  // namespace

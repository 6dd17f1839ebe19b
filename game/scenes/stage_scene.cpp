#include "game/scenes/stage_scene.h"

#include <algorithm>

#include "game/field/paddles.h"
#include "game/manager/game_manager.h"
#include "game/scenes/title_scenes.h"
#include "game/stage/stage_loader.h"
#include "velvane.h"

namespace {

constexpr int kLeft = 0;
constexpr int kRight = 1;
constexpr int kMiddle = 2;
constexpr int kStartBalls = 5;
constexpr int kExtendStep = 5000;
constexpr int kStateFrames = 100;
constexpr int kFieldSize = 480;
constexpr int kCursorHomeX = 320;
constexpr int kCursorHomeY = 240;

}  // namespace

CStage::~CStage() {
  if (sound) sound->StopAllMusic();
}

void CStage::Init() {
  panel.Load(1, "./Graph/Stage.png", 1, 1);
  ballLabel.Load(1, "./Graph/Ball_f.png", 1, 1);
  stageClearPicture.Load(1, "./Graph/StageClear.png", 1, 1);
  allClearPicture.Load(1, "./Graph/AllStageClear.png", 1, 1);
  gameOverPicture.Load(1, "./Graph/GameOver.png", 1, 1);
  continuePicture.Load(1, "./Graph/Continue.png", 1, 1);
  scoreLabel.Load(1, "./Graph/Score_f.png", 1, 1);
  hiScoreLabel.Load(1, "./Graph/HiScore_f.png", 1, 1);
  comboLabel.Load(1, "./Graph/Combo_f.png", 1, 1);
  pausePicture.Load(1, "./Graph/Pouse_f.png", 1, 1);

  fieldRect = Rect{0, -480, 480, 0};
  ballStartX = 240.0f;
  ballStartY = -240.0f;
  lastColumn = 15;
  lastRow = 15;
  stageNumber = 1;
  StartPlay();
  allClear = 0;
  keys = &game->keys;
  sound = &game->sound;

  // Wired before the first stage is read, so no object made while reading
  // can find a family pointer still empty or left from an earlier stage.
  field.Wire(*this);
  if (!LoadStage(*this, field)) {
    SwitchScene(game, new CTitle);
    return;
  }
  state = &CStage::PlayState;
}

void CStage::Release() { sound->StopAllMusic(); }

void CStage::Update() {
  if (FadeOutEnded()) {
    SwitchScene(game, new CTitle);
    return;
  }
  if (Fading()) return;
  (this->*state)();
}

void CStage::PlayState() {
  const int *counts = keys->mouseCounts;
  if (paused) {
    if (counts[kLeft] == 1 || counts[kMiddle] == -1) {
      paused = 0;
      SetMouseCursorVisible(0);
    }
  } else {
    if (IsWindowActive()) {
      // Held at the centre, so the next frame's movement is measured from it.
      keys->mouseX = kCursorHomeX;
      keys->mouseY = kCursorHomeY;
      SetMousePosition(kCursorHomeX, kCursorHomeY);
    }
    const float x = static_cast<float>(keys->mouseX);
    const float y = static_cast<float>(keys->mouseY);
    if ((counts[kLeft] > 0 && counts[kRight] > 0) || counts[kMiddle] == -1 || x < 0.0f ||
        x > 640.0f || y < 0.0f || y > 480.0f) {
      paused = 1;
      SetMouseCursorVisible(1);
      return;
    }
    if (ballsLeft < 0) state = &CStage::GameOverState;
    if (comboTimer != 0) {
      comboTimer -= 1;
    } else {
      combo = 0;
    }
    field.Update();
    if (ballsInHand != 0 && mainPaddle) mainPaddle->HoldBall(ballStartX, ballStartY);
    if (field.enemies.Breakable().empty()) state = &CStage::StageClearState;
  }
  game->hiScore = std::max(game->hiScore, score);
  if (score >= extendThreshold) {
    ballsLeft += 1;
    extendThreshold += kExtendStep;
  }
}

void CStage::StartPlay() {
  paused = 0;
  combo = 0;
  stateFrameCount = 0;
  comboTimer = 0;
  ballsLeft = kStartBalls;
  score = 0;
  extendThreshold = kExtendStep;
  ballsInHand = 1;
}

bool CStage::ReloadStage() {
  field.Clear(*this);
  return LoadStage(*this, field);
}

void CStage::StageClearState() {
  stateFrameCount += 1;
  if (allClear) {
    if (stateFrameCount > kStateFrames) fadeOut = 1;
    return;
  }
  if (stateFrameCount == 1) sound->StopAllMusic();
  if (stateFrameCount > kStateFrames) {
    stageNumber += 1;
    if (!ReloadStage()) allClear = 1;
    state = &CStage::PlayState;
  }
}

void CStage::GameOverState() {
  stateFrameCount += 1;
  if (stateFrameCount == 1) {
    sound->StopAllMusic();
    return;
  }
  if (stateFrameCount <= kStateFrames) return;
  if (keys->mouseCounts[kLeft] > 0) {
    StartPlay();
    if (!ReloadStage()) fadeOut = 1;
    state = &CStage::PlayState;
  } else if (keys->mouseCounts[kRight] > 0) {
    fadeOut = 1;
  }
}

void CStage::DrawCentred(SpriteStrip &picture, const SpriteStrip &sizedBy) {
  picture.DrawFrame((kFieldSize - sizedBy.CellWidth()) / 2, (kFieldSize - sizedBy.CellHeight()) / 2);
}

void CStage::Draw() {
  field.Draw();
  panel.DrawFrame(480, 0);
  ballLabel.DrawFrame(488, 32);
  // A player who lost the last ball (-1 left) is shown 00, not a lone 0.
  DrawNumber(2, std::max(ballsLeft, 0), ballLabel.CellWidth() + 496, digits, 32);
  scoreLabel.DrawFrame(488, 128);
  DrawNumber(8, score, 592, digits, 176);
  hiScoreLabel.DrawFrame(488, 240);
  DrawNumber(8, game->hiScore, 592, digits, 288);
  if (comboTimer != 0 && combo >= 2) {
    comboLabel.DrawFrame(488, 340);
    DrawComboNumber(combo, digits, static_cast<float>(comboTimer / 25.0));
  }
  if (state == &CStage::StageClearState) {
    if (allClear) {
      DrawCentred(allClearPicture, stageClearPicture);
    } else if (field.enemies.Breakable().empty()) {
      DrawCentred(stageClearPicture, stageClearPicture);
    }
  }
  if (state == &CStage::GameOverState) {
    DrawCentred(stateFrameCount < kStateFrames ? gameOverPicture : continuePicture, gameOverPicture);
  }
  if (paused) {
    DrawCentred(pausePicture, pausePicture);
    DrawFormattedText(100, 400, PackDrawColor(255, 255, 255), "左orホイールボタンをクリックで再開");
  }
}

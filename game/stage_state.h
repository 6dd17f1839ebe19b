// What the field objects and the stage loader read and change of the stage
// scene. The stage scene derives from it, so the field needs no scene.
#ifndef PELLACOR_GAME_STAGE_STATE_H
#define PELLACOR_GAME_STAGE_STATE_H

#include "velvane.h"

class CKeyManage;
class CPlayer;

// The stage's sounds, played by file or list name.
class StageSound {
 public:
  virtual ~StageSound() = default;
  // Plays the effect once in the background from its start.
  virtual void PlaySoundEffect(const char *fileName) = 0;
  // Stops all music, then starts the stage's music.
  virtual void PlayStageMusic() = 0;
  virtual void StopAllMusic() = 0;
};

class StageState {
 public:
  virtual ~StageState() = default;
  // Launches a ball from the main paddle when the right button was pressed
  // on this frame.
  virtual void LaunchBall(float x, float y, float angle);

  Rect fieldRect{0, -480, 480, 0};  // where paddles and balls move
  float ballStartX = 240.0f;
  float ballStartY = -240.0f;
  int lastColumn = 15;
  int lastRow = 15;
  int stageNumber = 1;
  int comboTimer = 0;
  int stateFrameCount = 0;
  int combo = 0;
  int ballsLeft = 5;
  int score = 0;
  int ballsInHand = 1;
  CPlayer *mainPaddle = nullptr;  // owned by the paddle manager
  CKeyManage *keys = nullptr;
  StageSound *sound = nullptr;
};

#endif

// The scene in which the game is played: the field, its three states
// (playing, stage cleared, game over), the score and the panel.
#ifndef PELLACOR_GAME_SCENES_STAGE_SCENE_H
#define PELLACOR_GAME_SCENES_STAGE_SCENE_H

#include "game/assets/sprite_strip.h"
#include "game/field/stage_field.h"
#include "game/scenes/scene.h"
#include "game/stage_state.h"

class CStage : public CScene, public StageState {
 public:
  CStage() = default;
  // Stops the music; the field goes first, then the pictures.
  ~CStage() override;

  // Loads the pictures and the first stage; back to the title without one.
  void Init() override;
  // Stops the music.
  void Release() override;
  // The state function, or to the title once a fade-out has ended.
  void Update() override;
  void Draw() override;

  void PlayState();
  void StageClearState();
  void GameOverState();

  using StateFunction = void (CStage::*)();

  SpriteStrip panel, ballLabel, scoreLabel, hiScoreLabel, comboLabel, pausePicture,
      stageClearPicture, allClearPicture, gameOverPicture, continuePicture;
  DigitStrip digits;
  int paused = 0;
  int extendThreshold = 5000;
  unsigned char allClear = 0;
  StateFunction state = &CStage::PlayState;
  // Last, so its objects are deleted before the pictures go.
  StageField field;

 private:
  // Five balls, no score, one ball in hand: a start or a continue.
  void StartPlay();
  // Clears the field and loads the stage of stageNumber; false without one.
  bool ReloadStage();
  // (480 - w) / 2, (480 - h) / 2 of a cell size: centred on the field.
  void DrawCentred(SpriteStrip &picture, const SpriteStrip &sizedBy);
};

#endif

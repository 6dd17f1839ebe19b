// The two picture scenes: the title (start or quit) and the tutorial.
#ifndef PELLACOR_GAME_SCENES_TITLE_SCENES_H
#define PELLACOR_GAME_SCENES_TITLE_SCENES_H

#include "game/assets/sprite_strip.h"
#include "game/scenes/scene.h"

class CTitle : public CScene {
 public:
  enum Choice { CHOICE_START = 0, CHOICE_QUIT = 1 };

  // Loads the picture.
  void Init() override;
  void Release() override {}
  // A left click starts, a right click alone quits.
  void Update() override;
  void Draw() override;

  SpriteStrip picture;
  int choice = CHOICE_START;
};

class CTutorial : public CScene {
 public:
  // Loads the picture.
  CTutorial();
  void Init() override {}
  void Release() override {}
  // A click goes on to the stage.
  void Update() override;
  void Draw() override;

  SpriteStrip picture;
};

#endif

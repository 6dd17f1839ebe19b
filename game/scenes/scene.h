// The game is a chain of scenes, one current at a time: each fades in from
// black, runs, fades out and then replaces itself with the next one.
#ifndef PELLACOR_GAME_SCENES_SCENE_H
#define PELLACOR_GAME_SCENES_SCENE_H

class GameManager;

class CScene {
 public:
  // Shows the loading screen; the scene starts black, fading in.
  CScene();
  virtual ~CScene() = default;
  CScene(const CScene &) = delete;
  CScene &operator=(const CScene &) = delete;

  virtual void Init() = 0;
  virtual void Release() = 0;
  // The fade step (the main loop calls it before the scene's own Update).
  virtual void Update();
  virtual void Draw() = 0;

  // A fade-out has run to black.
  bool FadeOutEnded() const { return !fadeOut && brightness == 0; }
  bool Fading() const { return fadeIn || fadeOut; }

  unsigned char fadeIn = 1;
  unsigned char fadeOut = 0;
  int brightness = 0;
  float light = 0.0f;
  GameManager *game = nullptr;  // not owned
};

// Clears the screen, shows "Now Loading..." at once and leaves drawing black.
void ShowLoadingScreen();

// Deletes the current scene, installs next (already constructed) in its
// place and runs its Init. The scene that calls it is gone afterwards: the
// caller returns at once, touching none of its own fields.
void SwitchScene(GameManager *game, CScene *next);

#endif

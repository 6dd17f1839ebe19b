// The one object that lives for the whole run: frame pacing, the current
// scene, the quit flag, the high score, the sounds and the input.
#ifndef PELLACOR_GAME_MANAGER_GAME_MANAGER_H
#define PELLACOR_GAME_MANAGER_GAME_MANAGER_H

#include "game/input/key_manage.h"
#include "game/manager/sound_manager.h"

class CScene;

class GameManager {
 public:
  // Reads the key configuration, the high score and both sound tables.
  GameManager();
  // Writes the key configuration, then deletes every sound; the scene was
  // deleted by the main loop already.
  ~GameManager() = default;
  GameManager(const GameManager &) = delete;
  GameManager &operator=(const GameManager &) = delete;

  // True once the next of 60 frames per second is due.
  bool IsFrameDue();
  // Counts a frame run; the count restarts a second after it began.
  void CountFrame();

  int secondStart;
  int framesCounted = 0;
  float msPerFrame;
  CScene *scene = nullptr;  // owned
  unsigned char quit = 0;
  int hiScore;
  // Destroyed in reverse: the input (writing its file) before the sounds.
  SoundManager sound;
  CKeyManage keys;
};

#endif

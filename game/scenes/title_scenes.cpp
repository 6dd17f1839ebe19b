#include "game/scenes/title_scenes.h"

#include "game/manager/game_manager.h"
#include "game/scenes/stage_scene.h"

namespace {

constexpr int kLeft = 0;
constexpr int kRight = 1;

bool ClickedThisFrame(const CKeyManage &keys) {
  return keys.mouseCounts[kLeft] == 1 || keys.mouseCounts[kRight] == 1;
}

}  // namespace

void CTitle::Init() {
  choice = CHOICE_START;
  picture.Load(1, "./Graph/Title.png", 1, 1);
}

void CTitle::Update() {
  if (FadeOutEnded()) {
    if (choice == CHOICE_START) {
      SwitchScene(game, new CTutorial);
      return;
    }
    game->quit = 1;
    return;
  }
  if (Fading()) return;
  if (!ClickedThisFrame(game->keys)) return;
  fadeOut = 1;
  // A right click while the left button is held or just released starts.
  choice = game->keys.mouseCounts[kLeft] == 0 ? CHOICE_QUIT : CHOICE_START;
}

void CTitle::Draw() { picture.DrawFrame(0, 0); }

CTutorial::CTutorial() { picture.Load(1, "./Graph/Tutorial.png", 1, 1); }

void CTutorial::Update() {
  if (FadeOutEnded()) {
    SwitchScene(game, new CStage);
    return;
  }
  if (Fading()) return;
  if (ClickedThisFrame(game->keys)) fadeOut = 1;
}

void CTutorial::Draw() { picture.DrawFrame(0, 0); }

#include "game/scenes/scene.h"

#include "game/manager/game_manager.h"
#include "velvane.h"

namespace {

constexpr int kFadeStep = 10;
constexpr int kFullBrightness = 255;

void SetFadeLevel(int brightness, float light) {
  SetDrawBrightness(brightness, brightness, brightness);
  SetDefaultLightDiffuse(ColorF{light, light, light, 1.0f});
}

}  // namespace

CScene::CScene() {
  ShowLoadingScreen();
  SetFadeLevel(0, 0.0f);
}

void CScene::Update() {
  if (fadeIn) {
    brightness += kFadeStep;
    if (brightness >= kFullBrightness) {
      brightness = kFullBrightness;
      fadeIn = 0;
    }
  }
  if (fadeOut) {
    brightness -= kFadeStep;
    fadeIn = 0;
    if (brightness < 0) {
      brightness = 0;
      fadeOut = 0;
    }
  }
  light = static_cast<float>(brightness / 255.0);
  SetFadeLevel(brightness, light);
}

void ShowLoadingScreen() {
  ClearDrawTarget(nullptr);
  SetDrawBrightness(255, 255, 255);
  DrawFormattedText(500, 455, PackDrawColor(255, 255, 255), "Now Loading...");
  PresentScreen();
  SetDrawBrightness(0, 0, 0);
}

void SwitchScene(GameManager *game, CScene *next) {
  delete game->scene;
  game->scene = next;
  next->game = game;
  next->Init();
}

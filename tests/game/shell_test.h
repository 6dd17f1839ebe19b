// The fixture of the shell's tests: a game folder, a game manager built on
// demand and passes of the main loop, one due frame each.
#ifndef PELLACOR_TESTS_GAME_SHELL_TEST_H
#define PELLACOR_TESTS_GAME_SHELL_TEST_H

#include <memory>
#include <string>
#include <vector>

#include "game/game_main.h"
#include "game/manager/game_manager.h"
#include "game/scenes/scene.h"
#include "game_test.h"

constexpr int kLeft = 1, kRight = 2, kMiddle = 4;  // fake mouse button bits
constexpr int kFadeFrames = 26;
constexpr int kPassMs = 17;  // a little over one frame: one due frame per pass

class ShellTest : public GameTest {
 protected:
  void SetUp() override {
    GameTest::SetUp();
    gametest::WriteGameFiles();
  }

  void TearDown() override {
    if (game_) delete game_->scene;
    game_.reset();
    GameTest::TearDown();
  }

  GameManager &Game() {
    if (!game_) game_ = std::make_unique<GameManager>();
    return *game_;
  }

  void Install(CScene *scene) { SwitchScene(&Game(), scene); }

  template <class Scene>
  Scene *SceneAs() {
    return dynamic_cast<Scene *>(Game().scene);
  }

  bool Pass() {
    fake::AdvanceClock(kPassMs);
    return RunFrame(Game());
  }

  // One frame per entry, each with those buttons down.
  void Frames(const std::vector<int> &buttons) {
    std::vector<fake::InputFrame> input(buttons.size());
    for (size_t i = 0; i < buttons.size(); ++i) input[i].buttons = buttons[i];
    fake::ScriptInput(input);
    for (size_t i = 0; i < buttons.size(); ++i) Pass();
  }

  void Idle(int frames) { Frames(std::vector<int>(static_cast<size_t>(frames), 0)); }

  // Runs the frames of a fade-in; the last one may carry a press, which the
  // scene sees (its counter 1) on the frame the fade ends.
  void FadeIn(int lastButtons = 0) {
    std::vector<int> buttons(kFadeFrames, 0);
    buttons[kFadeFrames - 2] = lastButtons;
    Frames(buttons);
  }

  std::unique_ptr<GameManager> game_;
};

#endif

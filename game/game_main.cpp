#include "game/game_main.h"

#include "game/manager/game_manager.h"
#include "game/manager/saved_data.h"
#include "game/message_box.h"
#include "game/scenes/scene.h"
#include "game/scenes/title_scenes.h"
#include "game/sine_tables.h"
#include "velvane.h"

namespace {

constexpr int kIconResource = 101;
constexpr int kEscapeKey = 1;
constexpr int kBackBuffer = -2;

// What start-up records for the rest of the run.
struct ShellState {
  float settingsValue = kSettingsValue;
  int screenWidth = 0, screenHeight = 0, colorBits = 0, refreshRate = 0;
  int windowed = 1;
};
ShellState shell;

void DrawLoadingText() {
  DrawFormattedText(500, 455, PackDrawColor(255, 255, 255), "Now Loading...");
}

// Deletes the scene and keeps the high score.
bool EndLoop(GameManager &game) {
  delete game.scene;
  game.scene = nullptr;
  WriteHiScoreFile(game.hiScore);
  return false;
}

}  // namespace

int InitializeGame() {
  SetLogOutputFlag(0);
  ChangeWindowMode(1);
  if (InitFramework() < 0) return -1;
  shell.screenWidth = 640;
  shell.screenHeight = 480;
  shell.colorBits = 16;
  shell.refreshRate = 60;
  const MessageBoxAnswer answer = ShowMessageBox("フルスクリーンモードで実行しますか", "ウィンドウ設定",
                                                 GetWindowHandle(), MESSAGE_BOX_YES_NO);
  shell.windowed = answer == MESSAGE_BOX_ANSWER_YES ? 0 : 1;
  SetScreenMode(shell.screenWidth, shell.screenHeight, shell.colorBits, shell.refreshRate);
  ChangeWindowMode(shell.windowed);
  SetDrawClipRect(0, 0, shell.screenWidth, shell.screenHeight);
  SetColorKey(255, 0, 255);
  FillSineTables();
  SetMouseCursorVisible(0);
  SetDefaultFontSize(16);
  SetDepthTest3D(1);
  SetDepthWrite3D(1);
  SetRunWhileInactive(1);
  return 0;
}

bool RunFrame(GameManager &game) {
  if (PumpMessages() == -1) return EndLoop(game);
  if (CheckKeyDown(kEscapeKey)) return EndLoop(game);
  if (game.quit) return EndLoop(game);
  if (game.IsFrameDue()) {
    game.keys.Update();
    if (game.scene) {
      game.scene->CScene::Update();
      game.scene->Update();
    }
    game.CountFrame();
    ClearDrawTarget(nullptr);
    // The update may have replaced the scene: the new one is drawn.
    if (game.scene) game.scene->Draw();
  }
  PresentScreen();
  return true;
}

int GameMain() {
  SetWindowTitle("Pellacor");
  SetWindowIcon(kIconResource);
  shell.settingsValue = ReadSettingsFile();
  if (InitializeGame() == -1) return -1;
  SetDrawTarget(kBackBuffer);
  DrawLoadingText();
  PresentScreen();
  {
    // The manager outlives the framework: its destructor writes the key
    // configuration and deletes the sounds after EndFramework.
    GameManager game;
    SwitchScene(&game, new CTitle);
    while (RunFrame(game)) {
    }
    DeleteAllGraphHandles();
    EndFramework();
    WriteSettingsFile(kSettingsValue);
  }
  return 0;
}

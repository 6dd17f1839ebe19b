// The game's own data files, one input for all of them: the key
// configuration (merged into the key states on an update with every joypad
// bit set and written back), the high score, the settings value and both
// sound tables, read as the game manager and the start-up read them.
#include <stddef.h>
#include <stdint.h>

#include <string>

#include "game/manager/game_manager.h"
#include "game/manager/saved_data.h"
#include "game_fixture.h"

namespace {

// Made on the first input and removed at exit.
gametest::FixtureFolder &Folder() {
  fake::SetRecording(false);
  static gametest::FixtureFolder folder;
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  Folder();
  const std::string bytes(reinterpret_cast<const char *>(data), size);
  for (const char *path : {"./Data/KeyConfig.dat", "./Data/HiScore.dat", "./Data/Init.dat",
                           "./Script/InitData/Music.dat", "./Script/InitData/Sound.dat"}) {
    gametest::WriteFile(path, bytes);
  }
  ReadSettingsFile();
  GameManager game;
  fake::InputFrame everything;
  everything.padBits = 0xFFFF;
  everything.buttons = 7;
  fake::ScriptInput({everything});
  game.keys.Update();
  game.sound.PlayStageMusic();
  game.sound.PlaySoundEffect(bytes.c_str());
  return 0;
}

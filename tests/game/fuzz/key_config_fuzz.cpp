// The game's key configuration file: read, merged into the key states on
// an update with every joypad bit set, and written back.
#include <stddef.h>
#include <stdint.h>

#include <string>

#include "game/input/key_manage.h"
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
  gametest::WriteFile("./Data/KeyConfig.dat", std::string(reinterpret_cast<const char *>(data), size));
  CKeyManage keys;
  fake::InputFrame everything;
  everything.padBits = 0xFFFF;
  everything.buttons = 7;
  fake::ScriptInput({everything});
  keys.Update();
  return 0;
}

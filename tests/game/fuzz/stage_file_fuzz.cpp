// Stage files through the loader and the fake framework: whatever the
// bytes, loading ends, stays in bounds and frees every object again.
#include <stddef.h>
#include <stdint.h>

#include <memory>
#include <string>

#include "game/field/stage_field.h"
#include "game/stage/stage_loader.h"
#include "game_fixture.h"

namespace {

struct Session {
  gametest::FixtureFolder folder;
  gametest::World world;
};

// Made on the first input and removed, folder included, at exit.
Session &TheSession() {
  fake::SetRecording(false);
  static Session session;
  return session;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  Session &session = TheSession();
  gametest::WriteStage(1, std::string(reinterpret_cast<const char *>(data), size));
  session.world.stage.stageNumber = 1;
  LoadStage(session.world.stage, session.world.field);
  session.world.field.Update();
  session.world.field.Clear(session.world.stage);
  return 0;
}

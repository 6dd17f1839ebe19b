// Fixture files and a wired stage for the game's tests and benchmark.
#ifndef PELLACOR_TESTS_GAME_GAME_FIXTURE_H
#define PELLACOR_TESTS_GAME_GAME_FIXTURE_H

#include <string>
#include <vector>

#include "fake/fake_framework.h"
#include "game/field/stage_field.h"
#include "game/input/key_manage.h"
#include "game/stage_state.h"

namespace gametest {

// Writes bytes to path (folders made as needed).
void WriteFile(const std::string &path, const std::string &bytes);
// A PNG signature and header of the given size: all the fake reads.
void WritePng(const std::string &path, int width, int height);
std::string ReadFile(const std::string &path);

// A fresh working folder holding the game's models, the blast picture and
// empty Data and Script/Stage folders; the old folder is current again and
// the new one removed on destruction.
class FixtureFolder {
 public:
  FixtureFolder();
  ~FixtureFolder();
  FixtureFolder(const FixtureFolder &) = delete;
  FixtureFolder &operator=(const FixtureFolder &) = delete;

 private:
  std::string original_;
  std::string path_;
};

// A stage with its field, input and sounds, wired as the stage scene does.
struct World {
  World();
  ~World();
  World(const World &) = delete;
  World &operator=(const World &) = delete;

  fake::Sound sound;
  CKeyManage keys;
  StageState stage;
  StageField field;
};

// Writes stage number's file.
void WriteStage(int number, const std::string &text);

// The pictures, sound tables and sound files of a game folder, and a first
// stage: a main paddle with a life-1 block three rows above it.
void WriteGameFiles();
extern const char kFirstStage[];
// What each DrawGraphAt call drew, as "file x y" ("file#cell x y" for a cell
// of a divided picture), the folder left out.
std::vector<std::string> DrawnPictures();

}  // namespace gametest

#endif

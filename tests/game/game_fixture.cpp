#include "game_fixture.h"

#include <stdio.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace gametest {

namespace {
// Tells apart the folders of test programs that run at the same time.
long long RunToken() {
  static const long long token =
      std::chrono::steady_clock::now().time_since_epoch().count() % 1000000007LL;
  return token;
}
}  // namespace

void WriteFile(const std::string &path, const std::string &bytes) {
  const fs::path target(path);
  if (target.has_parent_path()) fs::create_directories(target.parent_path());
  std::ofstream out(target, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void WritePng(const std::string &path, int width, int height) {
  std::string bytes("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR", 16);
  for (int value : {width, height}) {
    for (int shift = 24; shift >= 0; shift -= 8) {
      bytes.push_back(static_cast<char>((static_cast<unsigned>(value) >> shift) & 0xFF));
    }
  }
  bytes.append("\x08\x06\0\0\0", 5);
  WriteFile(path, bytes);
}

std::string ReadFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

FixtureFolder::FixtureFolder() : original_(fs::current_path().string()) {
  static int counter = 0;
  for (;;) {
    const fs::path candidate = fs::temp_directory_path() /
                               ("pellacor_game_" + std::to_string(RunToken()) + "_" +
                                std::to_string(counter++));
    if (fs::create_directory(candidate)) {
      path_ = candidate.string();
      break;
    }
  }
  fs::current_path(path_);
  for (const char *model : {"Player", "Ball", "SpeedUp", "Turnabout", "block", "BadBlock",
                            "HardBlock", "BomBlock"}) {
    WriteFile(std::string("./Model/") + model + ".mqo", "Metasequoia Document\n");
  }
  WritePng("./Graph/Bom.png", 288, 96);
  fs::create_directories("./Data");
  fs::create_directories("./Script/Stage");
}

FixtureFolder::~FixtureFolder() {
  fs::current_path(original_);
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

World::World() {
  stage.keys = &keys;
  stage.sound = &sound;
  field.Wire(stage);
}

World::~World() { field.Clear(stage); }

void WriteStage(int number, const std::string &text) {
  WriteFile("./Script/Stage/" + std::to_string(number) + ".csv", text);
}

const char kFirstStage[] = "0,0,0\n0,1,0\n0,0,0\n0,0,0\n0,-1,0";

std::vector<std::string> DrawnPictures() {
  std::vector<std::string> drawn;
  for (const fake::Call &call : fake::CallsOf(fake::CALL_DRAW)) {
    if (call.name != "DrawGraphAt") continue;
    const int handle = static_cast<int>(call.args[2]);
    std::string name = fake::GraphPath(handle);
    name = name.substr(name.rfind('/') + 1);
    if (fake::GraphCell(handle) > 0 || name == "Figure.png") {
      name += "#" + std::to_string(fake::GraphCell(handle));
    }
    drawn.push_back(name + " " + std::to_string(static_cast<int>(call.args[0])) + " " +
                    std::to_string(static_cast<int>(call.args[1])));
  }
  return drawn;
}

void WriteGameFiles() {
  const struct {
    const char *name;
    int width, height;
  } pictures[] = {
      {"Title", 640, 480},      {"Tutorial", 640, 480},   {"Stage", 160, 480},
      {"Figure", 160, 24},      {"Ball_f", 64, 24},       {"Score_f", 128, 32},
      {"HiScore_f", 128, 32},   {"Combo_f", 128, 32},     {"Pouse_f", 320, 160},
      {"StageClear", 320, 160}, {"AllStageClear", 320, 160}, {"GameOver", 320, 160},
      {"Continue", 320, 160},
  };
  for (const auto &picture : pictures) {
    WritePng(std::string("./Graph/") + picture.name + ".png", picture.width, picture.height);
  }
  WriteFile("./Script/InitData/Music.dat", "block.ogg");
  WriteFile("./Script/InitData/Sound.dat", "delete.wav\nshok.wav");
  WriteFile("./Music/block.ogg", "OggS");
  WriteFile("./Sound/delete.wav", "RIFF");
  WriteFile("./Sound/shok.wav", "RIFF");
  WriteStage(1, kFirstStage);
}

}  // namespace gametest

// Frame time of the game's stage scene on the Direct3D path: a full 15 x 15
// field of 200 blocks with three balls in flight, 600 frames without the
// vertical-blank wait or the frame pacing, input, logic, drawing and
// presentation timed apart; then 600 empty frames (clear and present) beside it.
//
//     pellacor_frame_bench.exe [GAME_DIR [FRAMES]]
//
// FRAMES (default 600) shortens a run on a slow machine. GAME_DIR (default:
// the program's own folder) holds the game's assets; they
// are copied into a temporary folder with the bench's own first stage, so
// the game folder stays as it is. Run by hand under Wine; figures on stdout.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "game/field/attacks.h"
#include "game/game_main.h"
#include "game/manager/game_manager.h"
#include "game/message_box.h"
#include "game/scenes/stage_scene.h"
#include "graphics/draw/draw_setters.h"
#include "velvane.h"

namespace fs = std::filesystem;

namespace {

int g_frames = 600;
constexpr int kBalls = 3;
constexpr int kBlocks = 200;
constexpr int kCells = 15;

struct Samples {
  std::vector<double> input, logic, drawing, present, total;
};

double NowMs() {
  static LARGE_INTEGER frequency = {};
  if (frequency.QuadPart == 0) QueryPerformanceFrequency(&frequency);
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// 200 blocks of three lives from the top, the main paddle in the last row.
std::string BenchStage() {
  std::string text;
  int blocks = 0;
  for (int row = 0; row < kCells; ++row) {
    for (int column = 0; column < kCells; ++column) {
      const char *cell = "0";
      if (blocks < kBlocks && row < kCells - 1) {
        cell = "3";
        ++blocks;
      } else if (row == kCells - 1 && column == kCells / 2) {
        cell = "-1";
      }
      text += cell;
      if (column + 1 < kCells) text += ',';
    }
    if (row + 1 < kCells) text += '\n';
  }
  return text;
}

bool InstallGame(const fs::path &from, const fs::path &to) {
  std::error_code error;
  fs::remove_all(to, error);
  fs::create_directories(to, error);
  for (const char *folder : {"Graph", "Model", "Music", "Script", "Sound"}) {
    fs::copy(from / folder, to / folder, fs::copy_options::recursive, error);
    if (error) {
      fprintf(stderr, "cannot copy %s from %s\n", folder, from.string().c_str());
      return false;
    }
  }
  fs::create_directories(to / "Data", error);
  const fs::path stages = to / "Script" / "Stage";
  for (const auto &entry : fs::directory_iterator(stages, error)) fs::remove(entry.path(), error);
  FILE *file = _wfopen((stages / "1.csv").c_str(), L"wb");
  if (!file) return false;
  const std::string stage = BenchStage();
  fwrite(stage.data(), 1, stage.size(), file);
  fclose(file);
  return true;
}

int CountBalls(const CAttackManage &attacks) {
  int balls = 0;
  for (const CAttackBase *attack : attacks.Attacks()) balls += dynamic_cast<const CBall *>(attack) != nullptr;
  return balls;
}

// Lost balls are replaced between frames, so three are always in flight.
void KeepBallsInFlight(CStage &stage, int frame) {
  stage.ballsInHand = 0;
  stage.ballsLeft = 5;
  for (int i = CountBalls(stage.field.attacks); i < kBalls; ++i) {
    stage.field.attacks.Add(new CBall(240.0f, -400.0f, -0.6f + 0.5f * static_cast<float>((frame + i) % 3)));
  }
}

void Report(const char *name, std::vector<double> times) {
  std::sort(times.begin(), times.end());
  double sum = 0.0;
  for (double t : times) sum += t;
  const size_t p99 = std::min(times.size() - 1, times.size() * 99 / 100);
  printf("%-22s mean %8.3f ms   p99 %8.3f ms   max %8.3f ms\n", name,
         sum / static_cast<double>(times.size()), times[p99], times.back());
}

void RunStageFrames(GameManager &game, CStage &stage, Samples &samples) {
  for (int frame = 0; frame < g_frames; ++frame) {
    KeepBallsInFlight(stage, frame);
    PumpMessages();
    const double start = NowMs();
    game.keys.Update();
    // The cursor counts as held at the centre, so an inactive window never
    // pauses the measured play.
    game.keys.mouseX = 320;
    game.keys.mouseY = 240;
    const double inputEnd = NowMs();
    stage.CScene::Update();
    stage.Update();
    const double logicEnd = NowMs();
    ClearDrawTarget(nullptr);
    stage.Draw();
    const double drawEnd = NowMs();
    PresentScreen();
    const double end = NowMs();
    samples.input.push_back(inputEnd - start);
    samples.logic.push_back(logicEnd - inputEnd);
    samples.drawing.push_back(drawEnd - logicEnd);
    samples.present.push_back(end - drawEnd);
    samples.total.push_back(end - start);
    if ((frame + 1) % 100 == 0) fprintf(stderr, "stage frame %d\n", frame + 1);
  }
}

void RunEmptyFrames(Samples &samples) {
  for (int frame = 0; frame < g_frames; ++frame) {
    PumpMessages();
    const double start = NowMs();
    ClearDrawTarget(nullptr);
    PresentScreen();
    samples.total.push_back(NowMs() - start);
  }
}

fs::path ProgramFolder() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  return length > 0 && length < MAX_PATH ? fs::path(path).parent_path() : fs::current_path();
}

}  // namespace

// The window question is answered "window mode" without a box.
MessageBoxAnswer ShowMessageBox(const char *text, const char *caption, void *,
                                MessageBoxButtons buttons) {
  if (buttons == MESSAGE_BOX_OK) fprintf(stderr, "%s: %s\n", caption, text);
  return buttons == MESSAGE_BOX_OK ? MESSAGE_BOX_ANSWER_OK : MESSAGE_BOX_ANSWER_NO;
}

int main(int argc, char **argv) {
  const fs::path game = argc > 1 ? fs::path(argv[1]) : ProgramFolder();
  if (argc > 2) g_frames = std::max(1, atoi(argv[2]));
  const fs::path work = fs::temp_directory_path() / "pellacor-frame-bench";
  if (!InstallGame(fs::absolute(game), work)) return 1;
  fs::current_path(work);

  SetVSyncWait(0);
  if (InitializeGame() < 0) {
    fprintf(stderr, "the framework did not start\n");
    return 1;
  }
  SetDrawTarget(-2);
  int result = 0;
  {
    GameManager manager;
    CStage *stage = new CStage;
    manager.scene = stage;
    stage->game = &manager;
    stage->Init();
    if (manager.scene != stage) {
      fprintf(stderr, "the bench stage did not load\n");
      result = 1;
    } else {
      fprintf(stderr, "stage loaded\n");
      // The fade-in is not measured.
      while (stage->Fading()) stage->CScene::Update();
      Samples play, empty;
      RunStageFrames(manager, *stage, play);
      const int breakable = static_cast<int>(stage->field.enemies.Breakable().size());
      RunEmptyFrames(empty);
      printf("pellacor_frame_bench: %d frames, %d blocks at the start (%d left), %d balls\n",
             g_frames, kBlocks, breakable, kBalls);
      Report("stage frame, input", play.input);
      Report("stage frame, logic", play.logic);
      Report("stage frame, drawing", play.drawing);
      Report("stage frame, present", play.present);
      Report("stage frame, total", play.total);
      Report("empty frame", empty.total);
    }
    delete manager.scene;
    manager.scene = nullptr;
    DeleteAllGraphHandles();
    EndFramework();
  }
  std::error_code error;
  fs::current_path(work.parent_path(), error);
  fs::remove_all(work, error);
  return result;
}

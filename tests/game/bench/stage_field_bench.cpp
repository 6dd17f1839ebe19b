// A play frame of the field and the stage reader, against the fake
// framework recording nothing.
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "game/field/stage_field.h"
#include "game/sine_tables.h"
#include "game/stage/stage_loader.h"
#include "game_fixture.h"

namespace {

// 15 x 15 cells: 200 blocks in columns of one to three, three paddles and
// four gimmicks.
std::string PlayStage() {
  std::vector<std::string> cells(225, "0");
  cells[13 * 15 + 7] = "-1";
  cells[12 * 15 + 3] = "-2";
  cells[12 * 15 + 11] = "-3";
  cells[10 * 15 + 2] = "200";
  cells[10 * 15 + 12] = "201";
  cells[11 * 15 + 5] = "200\\45";
  cells[11 * 15 + 9] = "201\\300";
  const char *columns[] = {"1", "2_1", "3^1^2", "4", "1_2", "100"};
  const int heights[] = {1, 2, 3, 1, 3, 1};
  int blocks = 0;
  for (int cell = 0; blocks < 200; ++cell) {
    const int kind = cell % 6;
    const int height = std::min(heights[kind], 200 - blocks);
    cells[static_cast<size_t>(cell)] = height == heights[kind] ? columns[kind] : "1";
    blocks += height == heights[kind] ? height : 1;
  }
  std::string text;
  for (int row = 0; row < 15; ++row) {
    for (int column = 0; column < 15; ++column) {
      text += cells[static_cast<size_t>(row * 15 + column)];
      text += column < 14 ? "," : "\n";
    }
  }
  return text;
}

void Rebuild(gametest::World &world) {
  world.field.Clear(world.stage);
  LoadStage(world.stage, world.field);
  world.field.Wire(world.stage);
  world.stage.ballsInHand = 0;
  const float starts[3][3] = {{240, -380, 0.3f}, {100, -300, 2.0f}, {380, -320, 4.0f}};
  for (const auto &start : starts) world.field.attacks.Add(new CBall(start[0], start[1], start[2]));
  world.field.attacks.Add(new CBom(64, -64, 0));
  world.field.attacks.Add(new CBom(256, -96, 0));
}

void BM_PlayFrame(benchmark::State &state) {
  fake::Reset();
  fake::SetRecording(false);
  FillSineTables();
  gametest::FixtureFolder folder;
  gametest::WriteStage(1, PlayStage());
  std::vector<double> frameMicroseconds;
  {
    gametest::World world;
    world.stage.stageNumber = 1;
    int frame = 0;
    for (auto _ : state) {
      if (frame % 18 == 0) {
        state.PauseTiming();
        Rebuild(world);
        state.ResumeTiming();
      }
      fake::InputFrame input;
      input.moveX = (frame % 7) - 3;
      fake::ScriptInput({input});
      const auto begin = std::chrono::steady_clock::now();
      world.keys.Update();
      world.field.Update();
      world.field.Draw();
      const auto end = std::chrono::steady_clock::now();
      frameMicroseconds.push_back(std::chrono::duration<double, std::micro>(end - begin).count());
      ++frame;
    }
  }
  std::sort(frameMicroseconds.begin(), frameMicroseconds.end());
  if (!frameMicroseconds.empty()) {
    state.counters["median_us"] = frameMicroseconds[frameMicroseconds.size() / 2];
    state.counters["p99_us"] = frameMicroseconds[frameMicroseconds.size() * 99 / 100];
  }
}
BENCHMARK(BM_PlayFrame);

// About 512 KiB of cells using every suffix.
std::string LargeStage() {
  const char *cells[] = {"1_2", "1^2^3", "201\\90", "200", "4^100", "3_1^2", "101", "200\\x",
                         "0", "2", "-2", "1_0"};
  std::string text;
  int cell = 0;
  while (text.size() < 512 * 1024) {
    text += cells[cell % 12];
    text += (++cell % 40) ? "," : "\n";
  }
  return text;
}

void BM_LoadStage(benchmark::State &state) {
  fake::Reset();
  fake::SetRecording(false);
  gametest::FixtureFolder folder;
  const std::string text = LargeStage();
  gametest::WriteStage(1, text);
  {
    gametest::World world;
    world.stage.stageNumber = 1;
    for (auto _ : state) {
      benchmark::DoNotOptimize(LoadStage(world.stage, world.field));
      state.PauseTiming();
      world.field.Clear(world.stage);
      state.ResumeTiming();
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_LoadStage)->Unit(benchmark::kMillisecond);

// The same bytes through a plain strtol pass, for comparison.
void BM_StrtolPass(benchmark::State &state) {
  const std::string text = LargeStage();
  for (auto _ : state) {
    long sum = 0;
    const char *p = text.c_str();
    while (*p) {
      char *end;
      sum += strtol(p, &end, 10);
      p = end == p ? p + 1 : end;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_StrtolPass)->Unit(benchmark::kMillisecond);

}  // namespace

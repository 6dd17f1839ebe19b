// Glyphs per second of text drawn from a warm glyph cache on the software
// path: a 64-character line on a 640 x 480 16-bit screen through the text
// code (plain, edged, anti-aliased and both), against the same glyph cells
// drawn as keyed images with MemImgDrawImage. Glyphs come from the test
// suite's fake source (6 x 10 pictures, 8 pixels apart).
#include <benchmark/benchmark.h>
#include <string.h>

#include <deque>
#include <string>

#include "core/base/core_state.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/text/fake_glyph_source.h"
#include "graphics/text/font_handles.h"
#include "graphics/text/glyph_cache.h"
#include "graphics/text/text_draw.h"
#include "softrender/softrender.h"

namespace {

const int kWidth = 640, kHeight = 480;
const uint32_t kKey = 0xF81F;
const uint32_t kText = 0xFFFF;

const std::string &Line() {
  static const std::string line = [] {
    std::string s;
    for (int i = 0; i < 64; i++) s += static_cast<char>('!' + (i * 7) % 90);
    return s;
  }();
  return line;
}

struct Scene {
  FakeGlyphSource glyphs;
  MEMIMG screen = {};
  Scene() {
    SetFrameworkCharSet(1, 932);
    SetDrawSettingsDefaults(&g_drawSettings);
    g_drawSettings.clipRect = {0, 0, kWidth, kHeight};
    MemImgInitTables();
    MemImgCreate(&screen, kWidth, kHeight, -1, 0, 0, 0, 0, 0, nullptr);
    MemImgFillRect(&screen, nullptr, 0x0841);
  }
};

Scene &TheScene() {
  static Scene scene;
  return scene;
}

void CountGlyphs(benchmark::State &state) {
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 64);
}

void BM_Text(benchmark::State &state) {
  Scene &scene = TheScene();
  const int handle = CreateFontToHandle(nullptr, 16, 6, static_cast<int>(state.range(0)), -1, -1, 0, -1, -1);
  DrawTextSoftware(0, 100, Line().c_str(), kText, handle, 0, 0, &scene.screen);
  for (auto _ : state) {
    DrawTextSoftware(0, 100, Line().c_str(), kText, handle, 0, 0, &scene.screen);
  }
  CountGlyphs(state);
  DeleteFontHandle(handle);
}
BENCHMARK(BM_Text)->Arg(0)->Arg(1)->Arg(2)->Arg(3)->ArgName("type");

// The same cells as keyed 565 images, drawn one by one where the text
// code puts them.
void BM_KeyedImages(benchmark::State &state) {
  Scene &scene = TheScene();
  const int handle = CreateFontToHandle(nullptr, 16, 6, 0, -1, -1, 0, -1, -1);
  const FontRecord *font = GetFontRecord(handle);
  std::deque<MEMIMG> cells;
  std::deque<int> xs, ys;
  int pen = 0;
  for (char c : Line()) {
    const char text[2] = {c, 0};
    DrawTextSoftware(0, 0, text, kText, handle, 0, 0, &scene.screen);
    const unsigned char key[3] = {static_cast<unsigned char>(c), 0, 0};
    const GlyphSlot *slot = FindCachedGlyph(font, key);
    cells.emplace_back();
    MEMIMG *cell = &cells.back();
    memset(cell, 0, sizeof *cell);
    MemImgCreate(cell, slot->width, slot->height, -1, kKey, 0, 0, 0, 1, nullptr);
    MemImgFillRect(cell, nullptr, kKey);
    DrawTextSoftware(-slot->originX, -slot->top, text, kText, handle, 0, 0, cell);
    xs.push_back(pen + slot->originX);
    ys.push_back(100 + slot->top);
    pen += slot->advance;
  }
  for (auto _ : state) {
    for (size_t i = 0; i < cells.size(); i++) {
      MemImgDrawImage(&scene.screen, &cells[i], xs[i], ys[i], 1, nullptr);
    }
  }
  CountGlyphs(state);
  for (MEMIMG &cell : cells) MemImgRelease(&cell);
  DeleteFontHandle(handle);
}
BENCHMARK(BM_KeyedImages);

}  // namespace

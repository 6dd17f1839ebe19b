// Glyphs per second of text drawn from a warm glyph cache on the software
// path: a 64-character line on the software screen (640 x 480, 16-bit)
// through the text code (plain, edged, anti-aliased and both), against the
// same glyph cells drawn as keyed images with MemImgDrawImage. Glyphs come
// from the test suite's fake source (6 x 10 pictures, 8 pixels apart).
//
// Cases are named "type<N>/velvane" (the text code) and "type<N>/keyed"
// (the cells as images); the counted pixels are the cells' areas, the same
// on both sides, so the ratio printed at the end is the ratio of glyph
// rates. Repetitions run interleaved (see blit_bench_common.h); pin the
// program to one core with taskset for steadier figures.
#include <string.h>

#include <deque>
#include <string>
#include <vector>

#include "blit_bench_common.h"
#include "core/base/core_state.h"
#include "graphics/device/direct3d_init.h"
#include "graphics/device/screen_settings.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/text/fake_glyph_source.h"
#include "graphics/text/font_handles.h"
#include "graphics/text/glyph_cache.h"
#include "graphics/text/text_draw.h"

namespace {

const int kWidth = 640, kHeight = 480;
const int kLineY = 100;
const uint32_t kKey = 0xF81F;
const uint32_t kText = 0xFFFF;
const uint32_t kEdge = 0x001F;
const uint32_t kBackground = 0x0841;

const std::string &Line() {
  static const std::string line = [] {
    std::string s;
    for (int i = 0; i < 64; i++) s += static_cast<char>('!' + (i * 7) % 90);
    return s;
  }();
  return line;
}

// The software screen of the framework itself, with both work images, so
// that blended and anti-aliased text takes its real road.
struct Scene {
  FakeGlyphSource glyphs;
  MEMIMG *screen = nullptr;
  Scene() {
    SetFrameworkCharSet(1, 932);
    SetDrawSettingsDefaults(&g_drawSettings);
    g_drawSettings.clipRect = {0, 0, kWidth, kHeight};
    MemImgInitTables();
    StoreScreenMode(kWidth, kHeight, 16, 0);
    CreateSoftwareScreen();
    screen = GetSoftwareScreenImage();
    if (!screen || !GetSoftwareWorkImage(0) || !GetSoftwareWorkImage(1)) {
      fprintf(stderr, "no software screen\n");
      abort();
    }
  }
};

Scene &TheScene() {
  static Scene scene;
  return scene;
}

int MakeFont(int type) { return CreateFontToHandle(nullptr, 16, 6, type, -1, -1, 0, -1, -1); }

// The summed area of the line's cells: the pixels both sides go over.
double CellArea(int handle) {
  const FontRecord *font = GetFontRecord(handle);
  double area = 0;
  for (char c : Line()) {
    const unsigned char key[3] = {static_cast<unsigned char>(c), 0, 0};
    const GlyphSlot *slot = FindCachedGlyph(font, key);
    if (slot) area += static_cast<double>(slot->width) * slot->height;
  }
  return area;
}

// Pixels of the line's band that differ from the background.
int ChangedPixels(const MEMIMG *screen) {
  int changed = 0;
  for (int y = kLineY - 4; y < kLineY + 24; y++) {
    const uint16_t *row = reinterpret_cast<const uint16_t *>(screen->pixels + y * screen->base->pitch);
    for (int x = 0; x < kWidth; x++) changed += row[x] != kBackground;
  }
  return changed;
}

// Clears the band, runs one draw and checks that it wrote pixels: a row
// that draws nothing would measure nothing.
template <class Draw>
bool DrawsSomething(benchmark::State &state, MEMIMG *screen, Draw draw) {
  MemImgFillRect(screen, nullptr, kBackground);
  draw();
  const int changed = ChangedPixels(screen);
  state.counters["changed px"] = changed;
  if (changed == 0) state.SkipWithError("the draw wrote no pixel");
  return changed != 0;
}

void Count(benchmark::State &state, double area) {
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 64);
  blit_bench::CountPixels(state, area);
}

void BM_Text(benchmark::State &state, int type) {
  Scene &scene = TheScene();
  const int handle = MakeFont(type);
  const auto draw = [&] {
    DrawTextSoftware(0, kLineY, Line().c_str(), kText, handle, kEdge, 0, scene.screen);
  };
  if (DrawsSomething(state, scene.screen, draw)) {
    for (auto _ : state) draw();
  }
  Count(state, CellArea(handle));
  DeleteFontHandle(handle);
}

// The same cells as keyed 565 images, drawn one by one where the text code
// puts them; each cell image is painted by the text code itself.
void BM_KeyedImages(benchmark::State &state, int type) {
  Scene &scene = TheScene();
  const int handle = MakeFont(type);
  const FontRecord *font = GetFontRecord(handle);
  std::deque<MEMIMG> cells;
  std::vector<int> xs, ys;
  int pen = 0;
  for (char c : Line()) {
    const char text[2] = {c, 0};
    const unsigned char key[3] = {static_cast<unsigned char>(c), 0, 0};
    DrawTextSoftware(0, 0, text, kText, handle, kEdge, 0, scene.screen);
    const GlyphSlot *slot = FindCachedGlyph(font, key);
    cells.emplace_back();
    MEMIMG *cell = &cells.back();
    memset(cell, 0, sizeof *cell);
    MemImgCreate(cell, slot->width, slot->height, -1, kKey, 0, 0, 0, 1, nullptr);
    MemImgFillRect(cell, nullptr, kKey);
    DrawTextSoftware(-slot->originX, -slot->top, text, kText, handle, kEdge, 0, cell);
    xs.push_back(pen + slot->originX);
    ys.push_back(kLineY + slot->top);
    pen += slot->advance;
  }
  const auto draw = [&] {
    for (size_t i = 0; i < cells.size(); i++) {
      MemImgDrawImage(scene.screen, &cells[i], xs[i], ys[i], 1, nullptr);
    }
  };
  if (DrawsSomething(state, scene.screen, draw)) {
    for (auto _ : state) draw();
  }
  Count(state, CellArea(handle));
  for (MEMIMG &cell : cells) MemImgRelease(&cell);
  DeleteFontHandle(handle);
}

void RegisterAll() {
  for (int type = 0; type < 4; type++) {
    const std::string scene = "type" + std::to_string(type);
    blit_bench::Register(scene, blit_bench::kSubject, BM_Text, type);
    // Anti-aliased text has no keyed counterpart: it blends.
    if (type < 2) blit_bench::Register(scene, "keyed", BM_KeyedImages, type);
  }
}

}  // namespace

int main(int argc, char **argv) {
  RegisterAll();
  return blit_bench::RunWithRatios(argc, argv);
}

// Text on the real device: glyphs drawn from the fonts' cache graphs onto
// the back buffer, read back, equal the software renderer's picture of the
// same scene; the picture and the handles outlive a device rebuild and
// the loss of the cache graphs; the on-screen log draws its lines one font
// size apart, white edged in black, and makes its font again once deleted.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "core/base/core_state.h"
#include "graphics/device/direct3d_init.h"
#include "graphics/device/graphics_system.h"
#include "graphics/device/screen_settings.h"
#include "graphics/draw/draw_setters.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/draw_calls/draw_paths.h"
#include "graphics/text/font_handles.h"
#include "graphics/text/font_record.h"
#include "graphics/text/font_system.h"
#include "graphics/text/glyph_cache.h"
#include "graphics/text/onscreen_log.h"
#include "graphics/text/text_draw.h"
#include "picture_compare.h"
#include "softrender/softrender.h"
#include "spine_support.h"
#include "velvane.h"

namespace {

const char kLoading[] = "Now Loading...";
const char kResume[] = "左orホイールボタンをクリックで再開";
const char kVertical[] = "縦書きTEXT";

// The screen depth of this run: 32 unless the environment asks for 16.
int ScreenBits() {
  const char *bits = getenv("VELVANE_DRAW_BITS");
  return bits && atoi(bits) == 16 ? 16 : 32;
}

int Color(uint32_t rgb) {
  return static_cast<int>(PackDrawColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF));
}

// Japanese fonts of each type, made after start-up.
struct SceneFonts {
  int plain, edged, wideEdge, antialiased, antialiasedEdge;
};

SceneFonts MakeFonts(void) {
  SceneFonts f;
  f.plain = CreateFontToHandle(NULL, 16, -1, 0, 1, -1, 0, -1, -1);
  f.edged = CreateFontToHandle(NULL, 16, -1, 1, 1, 1, 0, -1, -1);
  f.wideEdge = CreateFontToHandle(NULL, 20, -1, 1, 1, 3, 0, -1, -1);
  f.antialiased = CreateFontToHandle(NULL, 24, -1, 2, 1, -1, 0, -1, -1);
  f.antialiasedEdge = CreateFontToHandle(NULL, 24, -1, 3, 1, 2, 0, -1, -1);
  return f;
}

struct Scene {
  const char *name;
  std::function<void(const SceneFonts &)> draw;
  PictureTolerance between;  // device against software
};

// Keyed fonts draw whole pixels of one colour on both paths. Grey cells
// differ by up to a sixteenth of full alpha: the texture cache holds level
// x 16 - 1, the memory cache (level - 1) x 16. On a 16-bit screen each path
// also rounds its blend to 5-6-5 on its own: up to one 5-bit step more,
// which reads back as 8 or 9 once widened to eight bits.
const PictureTolerance kExact = {0, 0};

PictureTolerance Blended() {
  const PictureTolerance blended = {ScreenBits() == 16 ? 16 + 9 : 16, 0};
  return blended;
}

std::vector<Scene> Scenes() {
  return {
      {"default font", [](const SceneFonts &) { DrawTextAt(8, 8, kLoading, Color(0xFFFFFF), 0); },
       kExact},
      {"plain",
       [](const SceneFonts &f) {
         DrawTextWithFont(8, 40, kLoading, Color(0xFFFF00), f.plain, 0, 0);
         DrawTextWithFont(8, 70, kResume, Color(0x40FF80), f.plain, 0, 0);
       },
       kExact},
      {"edged",
       [](const SceneFonts &f) {
         DrawTextWithFont(8, 100, kResume, Color(0xFFFFFF), f.edged, Color(0x000000), 0);
         DrawTextWithFont(8, 140, kLoading, Color(0xFF4020), f.wideEdge, Color(0x2020FF), 0);
       },
       kExact},
      {"vertical",
       [](const SceneFonts &f) {
         DrawTextWithFont(400, 20, kVertical, Color(0xFFFFFF), f.plain, 0, 1);
         DrawTextWithFont(440, 20, kVertical, Color(0xFFE000), f.wideEdge, Color(0x0000FF), 1);
       },
       kExact},
      {"brightness and clip",
       [](const SceneFonts &f) {
         SetDrawBrightness(128, 255, 64);
         SetDrawClipRect(20, 200, 120, 212);
         DrawTextWithFont(8, 196, kResume, Color(0xFFFFFF), f.edged, Color(0x808080), 0);
         SetDrawClipRect(0, 0, 640, 480);
         SetDrawBrightness(255, 255, 255);
       },
       kExact},
      {"antialiased",
       [](const SceneFonts &f) {
         DrawTextWithFont(8, 240, kResume, Color(0xFFFFFF), f.antialiased, 0, 0);
         DrawTextWithFont(8, 280, kResume, Color(0xFFFF80), f.antialiasedEdge, Color(0x000080), 0);
       },
       Blended()},
  };
}

const uint32_t kBackdrop = 0x305070;

void ClearToBackdrop(void) {
  SetDrawClipRect(0, 0, 640, 480);
  SetBlendModeAndParam(0, 255);
  SetDrawBrightness(255, 255, 255);
  if (IsHardwareRenderingActive()) {
    DrawFilledBox(0, 0, 640, 480, Color(kBackdrop));
  } else {
    MemImgFillRect(GetSoftwareScreenImage(), NULL, Color(kBackdrop));
  }
}

std::vector<uint32_t> Shot(void) {
  Picture picture;
  EXPECT_EQ(0, ReadDrawScreenPicture(NULL, &picture));
  std::vector<uint32_t> pixels;
  for (int y = 0; y < picture.Height(); y++) {
    for (int x = 0; x < picture.Width(); x++) pixels.push_back(picture.At(x, y));
  }
  return pixels;
}

void ToPicture(const std::vector<uint32_t> &pixels, Picture *p) {
  p->Resize(640, 480);
  if (pixels.size() != 640u * 480u) return;
  for (int y = 0; y < 480; y++) {
    for (int x = 0; x < 640; x++) p->Set(x, y, pixels[static_cast<size_t>(y) * 640 + x]);
  }
}

int StartOnPath(int hardware) {
  FrameworkMode mode;
  mode.hardware = hardware;
  mode.bits = ScreenBits();
  mode.log = 0;
  const int started = StartFrameworkInMode(mode);
  SetFrameworkCharSet(1, 932);
  SetDrawTarget(-2);
  return started;
}

// Every scene on one path, each over the backdrop.
std::vector<std::vector<uint32_t>> DrawScenes(int hardware) {
  std::vector<std::vector<uint32_t>> shots;
  EXPECT_EQ(0, StartOnPath(hardware));
  EXPECT_EQ(hardware, IsHardwareRenderingActive());
  const SceneFonts fonts = MakeFonts();
  for (const Scene &scene : Scenes()) {
    ClearToBackdrop();
    scene.draw(fonts);
    shots.push_back(Shot());
  }
  PresentScreen();
  EndFrameworkInMode();
  return shots;
}

std::string Stem(const char *name) {
  std::string stem = std::string(name) + "_" + std::to_string(ScreenBits());
  for (char &c : stem) {
    if (c == ' ') c = '_';
  }
  return stem;
}

class TextGraphsTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { EnterPrivateDirectory("graphics-text-graphs"); }
};

TEST_F(TextGraphsTest, FontsOnTheDeviceKeepTheirGlyphsInGraphs) {
  ASSERT_EQ(0, StartOnPath(1));
  const SceneFonts fonts = MakeFonts();
  for (int handle : {fonts.plain, fonts.edged, fonts.antialiased, GetDefaultFontHandle()}) {
    const FontRecord *font = GetFontRecord(handle);
    ASSERT_NE(nullptr, font);
    EXPECT_EQ(1, font->textureCache);
    int w = 0, h = 0;
    EXPECT_EQ(0, GetGraphHandleSize(font->cacheGraph, &w, &h));
    EXPECT_EQ(font->cacheWidth, w);
    EXPECT_EQ(font->cacheHeight, h);
    if (font->fontType & 1) {
      EXPECT_EQ(0, GetGraphHandleSize(font->edgeCacheGraph, &w, &h));
      EXPECT_EQ(font->cacheWidth, w);
    } else {
      EXPECT_EQ(-1, font->edgeCacheGraph);
    }
  }
  EndFrameworkInMode();
}

TEST_F(TextGraphsTest, EverySceneOnTheDeviceEqualsTheSoftwarePicture) {
  const auto hardware = DrawScenes(1);
  const auto software = DrawScenes(0);
  const std::vector<Scene> scenes = Scenes();
  ASSERT_EQ(scenes.size(), hardware.size());
  ASSERT_EQ(scenes.size(), software.size());
  for (size_t i = 0; i < scenes.size(); i++) {
    SCOPED_TRACE(scenes[i].name);
    Picture hw, sw, backdrop(640, 480);
    ToPicture(hardware[i], &hw);
    ToPicture(software[i], &sw);
    EXPECT_TRUE(PicturesMatch(sw, hw, scenes[i].between, (Stem(scenes[i].name) + "_paths").c_str()));
    // Something was drawn at all.
    backdrop.Fill(Rect{0, 0, 640, 480}, hw.At(639, 479) & 0xFFFFFF);
    EXPECT_FALSE(PicturesMatch(backdrop, hw, kExact, (Stem(scenes[i].name) + "_blank").c_str()));
  }
}

TEST_F(TextGraphsTest, PicturesAndHandlesOutliveLostGraphsAndARebuild) {
  ASSERT_EQ(0, StartOnPath(1));
  const SceneFonts fonts = MakeFonts();
  const std::vector<Scene> scenes = Scenes();
  auto drawAll = [&] {
    std::vector<std::vector<uint32_t>> shots;
    for (const Scene &scene : scenes) {
      ClearToBackdrop();
      scene.draw(fonts);
      shots.push_back(Shot());
    }
    return shots;
  };
  const auto before = drawAll();
  // Every graph deleted under the fonts: the next draw makes them again.
  DeleteAllGraphHandles();
  const auto afterLoss = drawAll();
  // The device's resources released and made anew, then the fonts rebuilt
  // in place.
  ReleaseDeviceResources();
  RecreateDeviceResources();
  ReloadAllFonts();
  for (int handle : {fonts.plain, fonts.edged, fonts.wideEdge, fonts.antialiased,
                     fonts.antialiasedEdge}) {
    EXPECT_EQ(1, IsFontHandleValid(handle));
  }
  const auto afterRebuild = drawAll();
  for (size_t i = 0; i < scenes.size(); i++) {
    SCOPED_TRACE(scenes[i].name);
    Picture first, lost, rebuilt;
    ToPicture(before[i], &first);
    ToPicture(afterLoss[i], &lost);
    ToPicture(afterRebuild[i], &rebuilt);
    EXPECT_TRUE(PicturesMatch(first, lost, kExact, (Stem(scenes[i].name) + "_lost").c_str()));
    EXPECT_TRUE(PicturesMatch(first, rebuilt, kExact, (Stem(scenes[i].name) + "_rebuilt").c_str()));
  }
  EndFrameworkInMode();
}

TEST_F(TextGraphsTest, OnScreenLogLinesAreWhiteWithABlackEdgeOneFontSizeApart) {
  ASSERT_EQ(0, StartOnPath(1));
  ASSERT_EQ(0, InitOnScreenLog());
  StoreOnScreenLogLine(0, kLoading);
  StoreOnScreenLogLine(2, kResume);
  StoreOnScreenLogLine(29, "last line");
  ClearToBackdrop();
  DrawOnScreenLog();
  const auto logged = Shot();
  const int logFont = GetOnScreenLogFont();
  ASSERT_NE(-1, logFont);
  // The same lines through a font made as the log makes its own.
  const int own = CreateFontToHandle(NULL, 16, 4, 1, -1, -1, 0, -1, -1);
  ClearToBackdrop();
  const int white = Color(0xFFFFFF), black = Color(0);
  DrawTextWithFont(0, 0, kLoading, white, own, black, 0);
  DrawTextWithFont(0, 32, kResume, white, own, black, 0);
  DrawTextWithFont(0, 29 * 16, "last line", white, own, black, 0);
  const auto wanted = Shot();
  Picture expected, actual;
  ToPicture(wanted, &expected);
  ToPicture(logged, &actual);
  EXPECT_TRUE(PicturesMatch(expected, actual, kExact, "onscreen_log"));
  // A deleted font is made again on the next draw, with the same picture.
  ASSERT_EQ(0, DeleteFontHandle(logFont));
  EXPECT_EQ(-1, GetOnScreenLogFont());
  ClearToBackdrop();
  DrawOnScreenLog();
  EXPECT_NE(-1, GetOnScreenLogFont());
  Picture again;
  ToPicture(Shot(), &again);
  EXPECT_TRUE(PicturesMatch(expected, again, kExact, "onscreen_log_remade"));
  const int remade = GetOnScreenLogFont();
  EndFrameworkInMode();
  // Shut-down deleted it.
  EXPECT_EQ(0, IsFontHandleValid(remade));
  EXPECT_EQ(-1, GetOnScreenLogFont());
}

// Scaled text on the device: at twice the size on both axes, with nearest
// sampling, each glyph is its unscaled picture with every pixel doubled,
// and the pen moves twice as far.
TEST_F(TextGraphsTest, ScaledTextIsTheUnscaledPictureWithEveryPixelDoubled) {
  ASSERT_EQ(0, StartOnPath(1));
  const SceneFonts fonts = MakeFonts();
  const int white = Color(0xFFFFFF), blue = Color(0x2020FF);
  const auto draw = [&](int scale) {
    const int at = 4 * scale;
    const int pens[] = {
        DrawScaledTextGraphs(at, at, 1, scale, scale, kResume, white, fonts.plain, 0, 0),
        DrawScaledTextGraphs(at, at + 30 * scale, 1, scale, scale, kLoading, white, fonts.wideEdge,
                             blue, 0),
        DrawScaledTextGraphs(at + 250 * scale, at + 60 * scale, 1, scale, scale, kVertical, white,
                             fonts.edged, blue, 1),
    };
    return std::vector<int>(pens, pens + 3);
  };
  ClearToBackdrop();
  const std::vector<int> pens = draw(1);
  Picture once;
  ToPicture(Shot(), &once);
  ClearToBackdrop();
  const std::vector<int> doubledPens = draw(2);
  Picture doubled;
  ToPicture(Shot(), &doubled);
  for (size_t i = 0; i < pens.size(); i++) {
    EXPECT_GT(pens[i], 0);
    EXPECT_EQ(2 * pens[i], doubledPens[i]);
  }
  Picture expected;
  expected.Resize(640, 480);
  for (int y = 0; y < 480; y++) {
    for (int x = 0; x < 640; x++) expected.Set(x, y, once.At(x / 2, y / 2));
  }
  EXPECT_TRUE(PicturesMatch(expected, doubled, kExact, "scaled_text"));
  EndFrameworkInMode();
}

// Timing, run by hand (--gtest_also_run_disabled_tests): a 64-character
// line through the text code against the same rectangle draws from the
// cache graphs made directly, for each font type. Each timed run starts
// and ends in a back-buffer read so the device has finished the work
// before it and does all of its own inside; the two sides alternate over
// the repetitions and the medians are compared.
struct PlacedCell {
  int x, y, cellX, cellY, width, height;
};

double Seconds(const std::function<void()> &round, int rounds) {
  LARGE_INTEGER start, end, frequency;
  Shot();
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  for (int i = 0; i < rounds; i++) round();
  Shot();
  QueryPerformanceCounter(&end);
  return static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

TEST_F(TextGraphsTest, DISABLED_GlyphsPerSecondAgainstPlainRectangleDraws) {
  ASSERT_EQ(0, StartOnPath(1));
  std::string line;
  for (int i = 0; i < 64; i++) line += static_cast<char>('!' + (i * 7) % 90);
  const int rounds = 300, repetitions = 9;
  const int white = Color(0xFFFFFF), black = Color(0);
  for (int type = 0; type < 4; type++) {
    const int handle = CreateFontToHandle(NULL, 16, -1, type, 1, -1, 0, -1, -1);
    const FontRecord *font = GetFontRecord(handle);
    ASSERT_NE(nullptr, font);
    ClearToBackdrop();
    DrawTextWithFont(0, 100, line.c_str(), white, handle, black, 0);
    std::vector<PlacedCell> cells;
    int pen = 0;
    for (char c : line) {
      const unsigned char key[3] = {static_cast<unsigned char>(c), 0, 0};
      const GlyphSlot *slot = FindCachedGlyph(font, key);
      ASSERT_NE(nullptr, slot);
      PlacedCell cell = {pen + slot->originX, 100 + slot->top, 0, 0, slot->width, slot->height};
      CachedCellPosition(font, slot->cellIndex, &cell.cellX, &cell.cellY);
      if (cell.width) cells.push_back(cell);
      pen += slot->advance + font->spacing;
    }
    const auto text = [&] { DrawTextWithFont(0, 100, line.c_str(), white, handle, black, 0); };
    const auto plain = [&] {
      for (const PlacedCell &cell : cells) {
        if (font->edgeCacheGraph != -1) {
          SetDrawBrightness(0, 0, 0);
          DrawRectGraph(cell.x, cell.y, cell.cellX, cell.cellY, cell.width, cell.height,
                        font->edgeCacheGraph, 1, 0);
        }
        SetDrawBrightness(255, 255, 255);
        DrawRectGraph(cell.x, cell.y, cell.cellX, cell.cellY, cell.width, cell.height,
                      font->cacheGraph, 1, 0);
      }
    };
    Seconds(text, rounds / 10);  // warm both sides up
    Seconds(plain, rounds / 10);
    std::vector<double> textTimes, plainTimes;
    for (int r = 0; r < repetitions; r++) {
      textTimes.push_back(Seconds(text, rounds));
      plainTimes.push_back(Seconds(plain, rounds));
    }
    const double glyphs = 64.0 * rounds;
    const double textTime = Median(textTimes), plainTime = Median(plainTimes);
    std::vector<double> ratios;
    for (int r = 0; r < repetitions; r++) ratios.push_back(plainTimes[r] / textTimes[r]);
    std::sort(ratios.begin(), ratios.end());
    printf("type %d: text %.0f glyphs/s, plain rectangle draws %.0f glyphs/s, ratio %.2f "
           "(medians of %d; pairs %.2f-%.2f)\n",
           type, glyphs / textTime, glyphs / plainTime, plainTime / textTime, repetitions,
           ratios.front(), ratios.back());
    DeleteFontHandle(handle);
  }
  EndFrameworkInMode();
}

}  // namespace

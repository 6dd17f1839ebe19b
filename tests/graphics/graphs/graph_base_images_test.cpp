#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graphics/graphs/graph_create.h"
#include "graphics/graphs/graph_fixture.h"
#include "graphics/graphs/graph_load.h"
#include "graphics/graphs/graph_transfer.h"
#include "graphics/images/base_image.h"
#include "core/debug/memory.h"
#include "softrender/softrender.h"
#include "sound/core/sound_services.h"

namespace {

class GraphBaseImagesTest : public GraphFixture {};

uint32_t Rgb(uint32_t v) { return v & 0xFFFFFF; }

TEST_F(GraphBaseImagesTest, MakeAndRemake) {
  BASEIMAGE image = MakeImage(30, 20, false, Pattern);
  const int handle = MakeGraphFromBaseImages(&image, nullptr, 1, 0, 0);
  ASSERT_NE(-1, handle);
  EXPECT_EQ(Pattern(29, 19), Texel(handle, 29, 19));
  BASEIMAGE other = MakeImage(30, 20, false, [](int x, int y) { return Pattern(y, x); });
  EXPECT_EQ(0, RemakeGraphFromBaseImages(&other, nullptr, handle, 1, 0, 0));
  EXPECT_EQ(Pattern(19, 29), Texel(handle, 29, 19));
  BASEIMAGE wider = MakeImage(31, 20, false, Pattern);
  EXPECT_EQ(-1, RemakeGraphFromBaseImages(&wider, nullptr, handle, 1, 0, 0));
  EXPECT_EQ(-1, RemakeGraphFromBaseImage(&wider, handle));
  EXPECT_EQ(Pattern(19, 29), Texel(handle, 29, 19));
  FreeBaseImage(&image);
  FreeBaseImage(&other);
  FreeBaseImage(&wider);
}

TEST_F(GraphBaseImagesTest, SeparateAlphaImageAndPalette) {
  BASEIMAGE image = MakeImage(16, 8, false, Pattern);
  BASEIMAGE alpha = MakeImage(16, 8, false, [](int x, int) { return 0xFF000000u | (x * 16u) * 0x010101u; });
  const int handle = MakeGraphFromBaseImages(&image, &alpha, 1, 0, 0);
  ASSERT_NE(-1, handle);
  EXPECT_EQ(1, GetGraphRecord(handle)->image->alphaChannel);
  EXPECT_EQ((5u * 16u) << 24 | Rgb(Pattern(5, 3)), Texel(handle, 5, 3));
  BASEIMAGE shorter = MakeImage(16, 7, false, Pattern);
  EXPECT_EQ(-1, MakeGraphFromBaseImages(&image, &shorter, 1, 0, 0));

  BASEIMAGE palette;
  memset(&palette, 0, sizeof palette);
  PixelFormat format;
  MakeGray8PixelFormat(&format);
  CreateBaseImageWithFormat(4, 4, &format, &palette);
  for (int i = 0; i < 16; i++) static_cast<uint8_t *>(palette.pixels)[i / 4 * palette.pitch + i % 4] = 
      static_cast<uint8_t>(i * 16);
  const int gray = MakeGraphFromBaseImage(&palette);
  ASSERT_NE(-1, gray);
  EXPECT_EQ(0x909090u, Rgb(Texel(gray, 1, 2)));
  FreeBaseImage(&image);
  FreeBaseImage(&alpha);
  FreeBaseImage(&shorter);
  FreeBaseImage(&palette);
}

TEST_F(GraphBaseImagesTest, ReverseWithFlipMirrorsForTheTransferOnly) {
  BASEIMAGE image = MakeImage(20, 4, false, Pattern);
  const int handle = MakeGraphFromBaseImages(&image, nullptr, 1, 1, 1);
  EXPECT_EQ(Pattern(19, 2), Texel(handle, 0, 2));
  EXPECT_EQ(Pattern(0, 2), Texel(handle, 19, 2));
  EXPECT_EQ(Pattern(3, 1), static_cast<uint32_t *>(image.pixels)[image.pitch / 4 + 3]);
  FreeBaseImage(&image);
}

TEST_F(GraphBaseImagesTest, DividedGraphsRowByRow) {
  BASEIMAGE image = MakeImage(40, 30, false, Pattern);
  int handles[10];
  ASSERT_EQ(0, CreateDivGraphFromGraphImage(&image, nullptr, 10, 4, 3, 10, 10, handles, 1, 0, 0));
  for (int i = 0; i < 10; i++) {
    SCOPED_TRACE(i);
    const GraphRecord *cell = GetGraphRecord(handles[i]);
    ASSERT_NE(nullptr, cell);
    EXPECT_EQ(i % 4 * 10, cell->x);
    EXPECT_EQ(i / 4 * 10, cell->y);
    EXPECT_EQ(Pattern(i % 4 * 10 + 3, i / 4 * 10 + 4), Texel(handles[i], 3, 4));
  }
  // The whole graph is gone; the cells keep the image.
  EXPECT_EQ(10, GetGraphRecord(handles[0])->image->referenceCount);
  for (int i = 0; i < 9; i++) DeleteGraphHandle(handles[i]);
  EXPECT_EQ(Pattern(11, 24), Texel(handles[9], 1, 4));
  FreeBaseImage(&image);
}

TEST_F(GraphBaseImagesTest, ReversedCellsOfAWiderImageStartFromTheRightEdge) {
  // 50 wide with four 10-wide cells: a margin of 10 on the right.
  BASEIMAGE image = MakeImage(50, 10, false, Pattern);
  int handles[4];
  ASSERT_EQ(0, CreateDivGraphFromGraphImage(&image, nullptr, 4, 4, 1, 10, 10, handles, 1, 1, 1));
  for (int j = 0; j < 4; j++) {
    SCOPED_TRACE(j);
    // Cell j shows the image's cell j mirrored.
    for (int x = 0; x < 10; x++) {
      EXPECT_EQ(Pattern(j * 10 + 9 - x, 5), Texel(handles[j], x, 5));
    }
  }
  FreeBaseImage(&image);
}

TEST_F(GraphBaseImagesTest, AFailingCellDeletesEverythingMade) {
  BASEIMAGE image = MakeImage(30, 10, false, Pattern);
  int handles[4] = {};
  log.Clear();
  EXPECT_EQ(-1, CreateDivGraphFromGraphImage(&image, nullptr, 4, 4, 1, 10, 10, handles, 1, 0, 0));
  EXPECT_TRUE(Logged("グラフィックの分割に失敗しました in CreateDivGraphFromGraphImage"));
  EXPECT_EQ(0, GetGraphSlotLimit());
  EXPECT_EQ(0, device.LiveOf("texture"));
  FreeBaseImage(&image);
}

TEST_F(GraphBaseImagesTest, MovieFramesWithAnAlphaHalfOnBothPaths) {
  for (int software = 0; software < 2; software++) {
    SCOPED_TRACE(software);
    if (software) Start(0, 0, 1, 32);
    BASEIMAGE frame = MakeImage(20, 10, false, [](int x, int y) {
      return x < 10 ? Pattern(x, y) : 0xFF000000u | static_cast<uint32_t>((x - 10) * 20) * 0x010101u;
    });
    MovieRecord movie = {nullptr, 1, 0, &frame, 0};
    g_drawSettings.makeDrawTargetGraphs = 1;
    SetDrawTargetGraphAlpha(1);
    const int handle = CreateEmptyGraph(10, 10);
    SetDrawTargetGraphAlpha(0);
    g_drawSettings.makeDrawTargetGraphs = 0;
    ASSERT_NE(-1, handle);
    ASSERT_EQ(0, TransferMovieFrameToGraph(&movie, handle));
    const uint32_t expected = (4u * 20u) << 24 | Rgb(Pattern(4, 6));
    if (software) {
      const MEMIMG &image = GetGraphRecord(handle)->memImage;
      uint32_t pixel = 0;
      memcpy(&pixel, image.pixels + 6 * image.base->pitch + 4 * 4, 4);
      EXPECT_EQ(expected, pixel);
    } else {
      EXPECT_EQ(expected, Texel(handle, 4, 6));
    }
    FreeBaseImage(&frame);
  }
}

class GraphSoftwareTest : public GraphFixture {
 protected:
  void SetUp() override {
    GraphFixture::SetUp();
    Start(0, 0, 1, 32);
  }
  uint32_t Pixel(int handle, int x, int y) {
    const MEMIMG &view = GetGraphRecord(handle)->memImage;
    uint32_t v = 0;
    memcpy(&v, view.pixels + y * view.base->pitch + x * 4, 4);
    return v;
  }
};

TEST_F(GraphSoftwareTest, GraphsAreViewsOfOneMemImg) {
  BASEIMAGE image = MakeImage(40, 20, false, Pattern);
  const int handle = MakeGraphFromBaseImage(&image);
  ASSERT_NE(-1, handle);
  EXPECT_EQ(0, GetGraphRecord(handle)->image->hardware);
  EXPECT_EQ(Rgb(Pattern(33, 17)), Rgb(Pixel(handle, 33, 17)));
  int handles[2];
  ASSERT_EQ(0, CreateDivGraphFromGraphImage(&image, nullptr, 2, 2, 1, 20, 20, handles, 1, 0, 0));
  EXPECT_EQ(Rgb(Pattern(25, 3)), Rgb(Pixel(handles[1], 5, 3)));
  BASEIMAGE wider = MakeImage(41, 20, false, Pattern);
  EXPECT_EQ(-1, RemakeGraphFromBaseImage(&wider, handle));
  EXPECT_EQ(Rgb(Pattern(33, 17)), Rgb(Pixel(handle, 33, 17)));
  FreeBaseImage(&image);
  FreeBaseImage(&wider);
}

TEST_F(GraphSoftwareTest, PaletteKeyIsTheEntryTheHardwareKeys) {
  const struct {
    uint8_t keyEntry[3];  // blue, green, red of entry 5
    int expected;
  } cases[] = {{{255, 0, 255}, 5}, {{250, 0, 250}, 5}};
  for (const auto &c : cases) {
    BASEIMAGE image;
    memset(&image, 0, sizeof image);
    PixelFormat format;
    MakeGray8PixelFormat(&format);
    memcpy(format.palette[5], c.keyEntry, 3);
    CreateBaseImageWithFormat(4, 4, &format, &image);
    const int handle = MakeGraphFromBaseImage(&image);
    ASSERT_NE(-1, handle);
    EXPECT_EQ(1, GetGraphRecord(handle)->image->palette);
    EXPECT_EQ(static_cast<uint32_t>(c.expected), GetGraphRecord(handle)->memImage.base->colorKey);
    FreeBaseImage(&image);
  }
}

// The key is kept as 0x00RRGGBB for the conversion; the image's packed key
// (a screen pixel value) would miss the keyed pixels.
TEST_F(GraphSoftwareTest, AnAlphaGraphHidesTheKeyOfAnImageWithoutAlpha) {
  for (int bits : {32, 16}) {
    SCOPED_TRACE(bits);
    Start(0, 0, 1, bits);
    SetDrawTargetGraphAlpha(1);
    const int handle = DrawTargetGraph(2, 1);
    SetDrawTargetGraphAlpha(0);
    ASSERT_NE(-1, handle);
    ASSERT_TRUE(GetGraphRecord(handle)->memImage.base->alphaFlag);
    BASEIMAGE image = MakeImage(2, 1, false, [](int x, int) {
      return x == 0 ? 0xFFFF00FFu : 0xFF00FF00u;
    });
    ASSERT_EQ(0, ReloadGraphFromBaseImages(&image, nullptr, 0, 0, handle, 0, nullptr));
    int alpha[2];
    for (int x = 0; x < 2; x++) {
      const MEMIMG &view = GetGraphRecord(handle)->memImage;
      const int bytes = view.base->format->bytesPerPixel;
      UnpackPixelColor(view.base->format, ReadRawPixel(view.pixels + x * bytes, bytes), nullptr,
                       nullptr, nullptr, &alpha[x]);
    }
    EXPECT_EQ(0, alpha[0]);
    EXPECT_EQ(255, alpha[1]);
    FreeBaseImage(&image);
    DeleteGraphHandle(handle);
  }
}

// The raw pixel of a software graph at (x, y).
uint32_t RawPixel(int handle, int x, int y) {
  const MEMIMG &view = GetGraphRecord(handle)->memImage;
  const int bytes = view.base->format->bytesPerPixel;
  return ReadRawPixel(view.pixels + y * view.base->pitch + x * bytes, bytes);
}

// The graph drawn keyed (through its run table) onto a black image of the
// screen's format; the raw pixel that lands at (x, y).
uint32_t KeyedDrawPixel(int handle, int bits, int x, int y) {
  MEMIMG target;
  memset(&target, 0, sizeof target);
  const int code = bits == 32 ? 1 : 0;
  EXPECT_EQ(0, MemImgCreate(&target, 8, 8, -1, 0, code, 0, 0, 1, nullptr));
  MemImgFillRect(&target, nullptr, 0);
  MemImgDrawImage(&target, &GetGraphRecord(handle)->memImage, 0, 0, 1, nullptr);
  const int bytes = target.base->format->bytesPerPixel;
  const uint32_t value = ReadRawPixel(target.pixels + y * target.base->pitch + x * bytes, bytes);
  const uint32_t unused = target.base->format->fillMask;
  MemImgRelease(&target);
  return value & ~unused;
}

// A screen pixel of the colour, without the unused top byte of 32 bits.
uint32_t ScreenPixelOf(int bits, int r, int g, int b) {
  const PixelFormat *format = MemImgGetPixelFormat(bits == 32 ? 1 : 0, 0, 0);
  return PackColorToPixel(format, r, g, b, 255) & ~format->fillMask;
}

// Palette graphs take the index of their own nearest entry, alpha graphs the
// packed colour with its alpha; a keyed draw afterwards shows the new pixels
// rather than the run table of the old ones.
TEST_F(GraphSoftwareTest, FillWritesPaletteAndAlphaGraphsAndTheirRunTablesFollow) {
  for (int bits : {32, 16}) {
    SCOPED_TRACE(bits);
    Start(0, 0, 1, bits);
    BASEIMAGE image;
    memset(&image, 0, sizeof image);
    PixelFormat format;
    MakeGray8PixelFormat(&format);
    const uint8_t magenta[3] = {255, 0, 255};
    memcpy(format.palette[5], magenta, 3);
    CreateBaseImageWithFormat(4, 4, &format, &image);
    memset(image.pixels, 5, static_cast<size_t>(image.pitch) * 4);
    const int palette = MakeGraphFromBaseImage(&image);
    ASSERT_NE(-1, palette);
    ASSERT_EQ(1, GetGraphRecord(palette)->image->palette);
    EXPECT_EQ(0u, KeyedDrawPixel(palette, bits, 3, 3));
    ASSERT_EQ(0, FillGraph(palette, 0x90, 0x90, 0x91, 255));
    EXPECT_EQ(0x90u, RawPixel(palette, 3, 3));
    EXPECT_EQ(ScreenPixelOf(bits, 0x90, 0x90, 0x90), KeyedDrawPixel(palette, bits, 3, 3));
    ASSERT_EQ(0, FillGraph(palette, 250, 5, 255, 255));
    EXPECT_EQ(5u, RawPixel(palette, 0, 0));
    EXPECT_EQ(0u, KeyedDrawPixel(palette, bits, 0, 0));

    SetDrawTargetGraphAlpha(1);
    const int alpha = DrawTargetGraph(4, 4);
    SetDrawTargetGraphAlpha(0);
    ASSERT_NE(-1, alpha);
    // Keyed everywhere: the import leaves alpha 0 and a run table with no
    // pixel to draw.
    BASEIMAGE clear = MakeImage(4, 4, false, [](int, int) { return 0xFFFF00FFu; });
    ASSERT_EQ(0, ReloadGraphFromBaseImages(&clear, nullptr, 0, 0, alpha, 0, nullptr));
    EXPECT_EQ(0u, KeyedDrawPixel(alpha, bits, 2, 1));
    ASSERT_EQ(0, FillGraph(alpha, 0x10, 0x20, 0x30, 255));
    const PixelFormat *alphaFormat = GetGraphRecord(alpha)->memImage.base->format;
    EXPECT_EQ(PackColorToPixel(alphaFormat, 0x10, 0x20, 0x30, 255), RawPixel(alpha, 2, 1));
    EXPECT_EQ(ScreenPixelOf(bits, 0x10, 0x20, 0x30), KeyedDrawPixel(alpha, bits, 2, 1));
    ASSERT_EQ(0, FillGraph(alpha, 0x10, 0x20, 0x30, 0));
    EXPECT_EQ(0u, KeyedDrawPixel(alpha, bits, 2, 1));
    FreeBaseImage(&image);
    FreeBaseImage(&clear);
  }
}

// The colour key turns into transparency only for pictures without alpha:
// a picture with alpha keeps its own, key-coloured pixels too, on the device
// and in software at either depth.
TEST_F(GraphSoftwareTest, PicturesWithAlphaKeepItUnderTheColourKey) {
  BASEIMAGE image = MakeImage(2, 1, true, [](int x, int) {
    return x == 0 ? 0x80FF00FFu : 0x40102030u;
  });
  const int expected[2] = {0x80, 0x40};
  Start(4096, 0, 1, 32);
  const int device = MakeGraphFromBaseImage(&image);
  ASSERT_NE(-1, device);
  for (int x = 0; x < 2; x++) EXPECT_EQ(static_cast<uint32_t>(expected[x]), Texel(device, x, 0) >> 24);
  for (int bits : {32, 16}) {
    SCOPED_TRACE(bits);
    Start(0, 0, 1, bits);
    const int handle = MakeGraphFromBaseImage(&image);
    ASSERT_NE(-1, handle);
    const PixelFormat *format = GetGraphRecord(handle)->memImage.base->format;
    for (int x = 0; x < 2; x++) {
      int alpha = -1;
      UnpackPixelColor(format, RawPixel(handle, x, 0), nullptr, nullptr, nullptr, &alpha);
      EXPECT_EQ(expected[x], alpha) << x;
    }
  }
  FreeBaseImage(&image);
}

// Every allocation of a graph's creation made to fail in turn, on the
// device and in software: each gives -1 and leaves no block and no handle
// behind; the first (the record) says so in the log.
TEST_F(GraphSoftwareTest, EveryAllocationFailureGivesMinusOneAndLeavesNothing) {
  BASEIMAGE image = MakeImage(24, 12, false, Pattern);
  const struct {
    const char *name;
    int (*make)(BASEIMAGE *);
  } makers[] = {
      {"empty", [](BASEIMAGE *) { return CreateEmptyGraph(24, 12); }},
      {"from an image", [](BASEIMAGE *i) { return MakeGraphFromBaseImage(i); }},
  };
  for (int maxTexture : {4096, 0}) {
    Start(maxTexture, 0, 1, 32);
    const int source = CreateEmptyGraph(24, 12);
    ASSERT_NE(-1, source);
    const int blocks = GetAllocatedBlockCount();
    const int slots = GetGraphSlotLimit();
    for (const auto &m : makers) {
      SCOPED_TRACE(std::string(m.name) + (maxTexture ? " device" : " software"));
      int n = 1;
      for (;; n++) {
        log.Clear();
        SetAllocationFailureCountdown(n);
        const int handle = m.make(&image);
        SetAllocationFailureCountdown(0);
        if (handle >= 0) {
          DeleteGraphHandle(handle);
          break;
        }
        SCOPED_TRACE(n);
        ASSERT_EQ(blocks, GetAllocatedBlockCount());
        ASSERT_EQ(slots, GetGraphSlotLimit());
        if (n == 1) {
          EXPECT_TRUE(Logged("メモリの確保に失敗しました"));
        }
      }
      EXPECT_GT(n, 1);
    }
    SetAllocationFailureCountdown(1);
    EXPECT_EQ(-1, CreateSubGraph(0, 0, 8, 8, source));
    SetAllocationFailureCountdown(0);
    EXPECT_EQ(blocks, GetAllocatedBlockCount());
    DeleteGraphHandle(source);
  }
  FreeBaseImage(&image);
}

TEST_F(GraphSoftwareTest, FillBlendsOverTheGraph) {
  const int handle = CreateEmptyGraph(8, 8);
  ASSERT_EQ(0, FillGraph(handle, 10, 20, 30, 255));
  EXPECT_EQ(0x0A141Eu, Rgb(Pixel(handle, 7, 7)));
  EXPECT_EQ(-1, FillGraph(-1, 0, 0, 0, 0));
}

}  // namespace

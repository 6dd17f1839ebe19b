// The plain image draw against the scalar reference model, over every pixel
// class, source kind, blend mode, parameter, condition and placement, with
// whole buffers (padding and guard bytes included) compared byte for byte;
// and the rules' own numeric examples pinned by hand.
#include <gtest/gtest.h>
#include <stdint.h>
#include <string.h>

#include <string>
#include <tuple>
#include <vector>

#include "blit_reference.h"
#include "core/debug/memory.h"
#include "graphics/draw/draw_settings.h"
#include "softrender/image/blend_tables.h"
#include "softrender/blit/blit.h"
#include "softrender/softrender.h"
#include "softrender/triangle/triangle.h"
#include "leak_check.h"

namespace {

const int kGuardBytes = 16;

uint32_t NextRandom(uint32_t *state) {
  uint32_t x = *state;
  x ^= x << 13;
  x ^= x >> 17;
  x ^= x << 5;
  *state = x;
  return x;
}

int BytesPerPixel(int code, int palette, int alpha) {
  if (palette) return 1;
  if (code == 0) return alpha ? 4 : 2;
  return code == 1 ? 4 : 1;
}

// A MEMIMG over a buffer of our own with guard bytes on both sides and
// padding at the end of each row, so stray writes and reads show.
class TestImage {
 public:
  TestImage(int width, int height, int code, int palette, int alpha, uint32_t key, int padBytes,
            int makePlanes = 0)
      : width_(width),
        height_(height),
        code_(code),
        palette_(palette),
        alpha_(alpha),
        key_(key),
        padBytes_(padBytes),
        makePlanes_(makePlanes) {
    pitch_ = width * BytesPerPixel(code, palette, alpha) + padBytes;
    storage_.assign((size_t)kGuardBytes * 2 + (size_t)pitch_ * height, 0xA5);
    memset(&image_, 0, sizeof image_);
    created_ = MemImgCreate(&image_, width, height, pitch_, key, code, palette, alpha, makePlanes,
                            storage_.data() + kGuardBytes) == 0;
  }
  TestImage(const TestImage &other)
      : TestImage(other.width_, other.height_, other.code_, other.palette_, other.alpha_,
                  other.key_, other.padBytes_, other.makePlanes_) {
    storage_ = other.storage_;
    if (palette_) memcpy(image_.base->palette, other.image_.base->palette, 1024);
  }
  TestImage &operator=(const TestImage &) = delete;
  ~TestImage() { MemImgRelease(&image_); }

  bool created() const { return created_; }
  MEMIMG *get() { return &image_; }
  const MEMIMG *get() const { return &image_; }
  const std::vector<uint8_t> &storage() const { return storage_; }
  uint8_t *row(int y) { return image_.pixels + (intptr_t)y * pitch_; }

  void FillRandom(uint32_t *rng) {
    for (auto &b : storage_) b = (uint8_t)NextRandom(rng);
  }

 private:
  int width_, height_, code_, palette_, alpha_;
  uint32_t key_;
  int padBytes_, makePlanes_;
  int pitch_;
  std::vector<uint8_t> storage_;
  MEMIMG image_;
  bool created_ = false;
};

enum SourceKind { kDirect, kPalette, kAlpha };

const char *SourceKindName(int kind) {
  return kind == kDirect ? "direct" : (kind == kPalette ? "palette" : "alpha");
}

uint32_t KeyFor(int code, int kind) {
  if (kind == kPalette) return 0x5A00 | 0x37;  // only the low byte counts
  return code == 0 ? 0xF81Fu : 0x7BFF00FFu;
}

// Fills a source with pixels that exercise every rule: colour-keyed
// pixels, near misses, alpha 0, 255 and in between, palette entries.
void FillSource(TestImage *source, int code, int kind, uint32_t *rng) {
  source->FillRandom(rng);
  MEMIMG *img = source->get();
  const uint32_t key = KeyFor(code, kind);
  if (kind == kPalette) {
    uint8_t *palette = (uint8_t *)img->base->palette;
    for (int i = 0; i < 1024; ++i) palette[i] = (uint8_t)NextRandom(rng);
  }
  for (int y = 0; y < img->height; ++y) {
    for (int x = 0; x < img->width; ++x) {
      const uint32_t r = NextRandom(rng);
      const uint32_t pick = r % 10;
      uint32_t value = NextRandom(rng);
      if (kind == kPalette) {
        value = pick < 3 ? (key & 0xFF) : (value & 0xFF);
      } else if (kind == kDirect) {
        if (pick < 3) value = key;
        if (pick == 3) value = key ^ (code == 0 ? 0x0001u : 0x01000000u);
        if (code == 0) value &= 0xFFFF;
      } else {
        const uint32_t alpha = pick < 2 ? 0 : (pick < 5 ? 255 : (r >> 8) & 0xFF);
        value = code == 0 ? (value & 0xFF00FFFFu) | (alpha << 16)
                          : (value & 0x00FFFFFFu) | (alpha << 24);
      }
      RefWritePixel(img, x, y, value);
    }
  }
}

struct Placement {
  const char *name;
  int sourceWidth;
  int sourceHeight;
  int x;
  int y;
};

// Draw area {3, 2, 25, 15} inside a 28 x 18 destination.
const Rect kDrawArea = {3, 2, 25, 15};
const int kDestWidth = 28;
const int kDestHeight = 18;

const Placement kPlacements[] = {
    {"inside", 13, 7, 6, 4},          {"clipped-left", 13, 7, -4, 5},
    {"clipped-top", 13, 7, 7, -3},    {"clipped-right", 13, 7, 17, 4},
    {"clipped-bottom", 13, 7, 5, 11}, {"clipped-corner", 13, 7, -5, 12},
    {"outside-right", 13, 7, 25, 4},  {"outside-above", 13, 7, 6, -7},
    {"one-pixel", 1, 1, 9, 9},        {"even-width", 6, 3, 4, 3},
    {"five-wide", 5, 2, 20, 13},
};

const int kParams[] = {0, 1, 127, 128, 129, 254, 255};
const int kModes[] = {-1, 0, 1, 2, 3, 4, 5, 9, 10, 11, 12};
const uint32_t kBrightness[] = {0x00FFFFFFu, 0xFFFFFFFFu, 0x00C08040u, 0x00FF0000u};
const int kTransparency[] = {0, 1, 2};

class DrawSettingsScope {
 public:
  DrawSettingsScope() : saved_(g_drawSettings) {}
  ~DrawSettingsScope() { g_drawSettings = saved_; }

 private:
  DrawSettings saved_;
};

void SetDrawState(int mode, int param, uint32_t brightness, const Rect &area) {
  g_drawSettings.blendMode = mode;
  g_drawSettings.blendParam = param;
  g_drawSettings.drawBrightness = brightness;
  g_drawSettings.clipRect = area;
}

class BlitPlainTest : public LeakCheckedTest {
 protected:
  static void SetUpTestSuite() { MemImgInitTables(); }
  void SetUp() override {
    LeakCheckedTest::SetUp();
    // A ramp with hard zeros, intermediate weights and full 255s.
    MemImgSetBlendBorder(160, 100);
  }
  DrawSettingsScope settings_;
};

// ---------------------------------------------------------------------------
// The whole matrix against the reference model.

class BlitPlainMatrixTest : public BlitPlainTest,
                            public testing::WithParamInterface<std::tuple<int, int, int>> {};

TEST_P(BlitPlainMatrixTest, WholeBufferMatchesReference) {
  const int code = std::get<0>(GetParam());
  const int kind = std::get<1>(GetParam());
  const int mode = std::get<2>(GetParam());
  uint32_t rng = 0x9E3779B9u ^ (uint32_t)(code * 131 + kind * 17 + mode * 7 + 1000);
  int failures = 0;

  for (const Placement &place : kPlacements) {
    TestImage source(place.sourceWidth, place.sourceHeight, code, kind == kPalette, kind == kAlpha,
                     KeyFor(code, kind), 3);
    ASSERT_TRUE(source.created());
    FillSource(&source, code, kind, &rng);
    // Larger than the source, with a pitch of its own.
    TestImage mask(place.sourceWidth + 2, place.sourceHeight + 1, 2, 0, 0, 0, 5);
    ASSERT_TRUE(mask.created());
    mask.FillRandom(&rng);
    const std::vector<uint8_t> sourceBytes = source.storage();

    for (int param : kParams) {
      for (uint32_t brightness : kBrightness) {
        for (int withMask = 0; withMask < 2; ++withMask) {
          for (int trans : kTransparency) {
            // An odd pitch leaves most destination rows unaligned.
            TestImage dest(kDestWidth, kDestHeight, code, 0, 0, 0, 7);
            ASSERT_TRUE(dest.created());
            dest.FillRandom(&rng);
            TestImage expected(dest);
            SetDrawState(mode, param, brightness, kDrawArea);
            const MEMIMG *maskImage = withMask ? mask.get() : nullptr;

            MemImgDrawImage(dest.get(), source.get(), place.x, place.y, trans, maskImage);
            RefDrawImage(expected.get(), source.get(), place.x, place.y, trans, maskImage,
                         &g_drawSettings);

            if (dest.storage() != expected.storage() && failures++ < 5) {
              size_t at = 0;
              while (dest.storage()[at] == expected.storage()[at]) ++at;
              ADD_FAILURE() << "format " << code << " " << SourceKindName(kind) << " mode " << mode
                            << " p " << param << " brightness 0x" << std::hex << brightness
                            << std::dec << " mask " << withMask << " trans " << trans << " at "
                            << place.name << ": first difference at byte " << (long)at - kGuardBytes
                            << " got " << (int)dest.storage()[at] << " want "
                            << (int)expected.storage()[at];
            }
          }
        }
      }
    }
    EXPECT_EQ(sourceBytes, source.storage()) << "the source was written";
  }
}

std::string MatrixName(const testing::TestParamInfo<std::tuple<int, int, int>> &info) {
  const int mode = std::get<2>(info.param);
  return std::string(std::get<0>(info.param) == 0 ? "rgb565_" : "xrgb8888_") +
         SourceKindName(std::get<1>(info.param)) + "_mode" +
         (mode < 0 ? std::string("Minus1") : std::to_string(mode));
}

INSTANTIATE_TEST_SUITE_P(AllCombinations, BlitPlainMatrixTest,
                         testing::Combine(testing::Values(0, 1),
                                          testing::Values((int)kDirect, (int)kPalette, (int)kAlpha),
                                          testing::ValuesIn(kModes)),
                         MatrixName);

// ---------------------------------------------------------------------------
// The run-table path.

// Builds a run table from the pixels the way a full import does.
void BuildRunTable(MEMIMG *image, int kind, uint32_t key) {
  MemImgBase *base = image->base;
  uint8_t *out = base->runTable;
  for (int y = 0; y < image->height; ++y) {
    int x = 0;
    while (x < image->width) {
      auto kindAt = [&](int px) {
        const uint32_t v = RefReadPixel(image, px, y);
        if (kind == kAlpha) {
          const uint32_t a = base->formatCode == 0 ? (v >> 16) & 0xFF : v >> 24;
          return a == 0 ? 0 : (a == 255 ? 1 : 2);
        }
        return v == (kind == kPalette ? (key & 0xFF) : key) ? 0 : 1;
      };
      const int k = kindAt(x);
      int n = 1;
      while (x + n < image->width && n < 64 && kindAt(x + n) == k) ++n;
      *out++ = (uint8_t)((k << 6) | (n - 1));
      x += n;
    }
    *out++ = 0xC0;
  }
  base->runTableValid = 1;
}

class BlitPlainRunTableTest : public BlitPlainTest,
                              public testing::WithParamInterface<std::tuple<int, int>> {};

TEST_P(BlitPlainRunTableTest, MatchesReferenceInEveryMode) {
  const int code = std::get<0>(GetParam());
  const int kind = std::get<1>(GetParam());
  uint32_t rng = 0x1234567u + (uint32_t)(code * 3 + kind);
  // 70 pixels wide so that runs are cut at 64.
  TestImage source(70, 5, code, kind == kPalette, kind == kAlpha, KeyFor(code, kind), 2, 1);
  ASSERT_TRUE(source.created());
  FillSource(&source, code, kind, &rng);
  for (int x = 0; x < 70; ++x) {  // one long opaque stretch in the first row
    const uint32_t v = RefReadPixel(source.get(), (x * 7) % 70, 1);
    if (x < 66)
      RefWritePixel(source.get(), x, 0,
                    kind == kAlpha ? v | (code == 0 ? 0xFF0000u : 0xFF000000u) : v);
  }
  BuildRunTable(source.get(), kind, KeyFor(code, kind));
  TestImage mask(70, 5, 2, 0, 0, 0, 1);
  mask.FillRandom(&rng);
  const Rect area = {0, 0, 80, 9};

  for (int mode : kModes) {
    for (int param : kParams) {
      for (uint32_t brightness : {0x00FFFFFFu, 0x00C08040u}) {
        for (int withMask = 0; withMask < 2; ++withMask) {
          TestImage dest(80, 9, code, 0, 0, 0, 2);
          dest.FillRandom(&rng);
          TestImage expected(dest);
          SetDrawState(mode, param, brightness, area);
          const MEMIMG *maskImage = withMask ? mask.get() : nullptr;
          MemImgDrawImage(dest.get(), source.get(), 5, 2, 1, maskImage);
          RefDrawImage(expected.get(), source.get(), 5, 2, 1, maskImage, &g_drawSettings);
          ASSERT_EQ(dest.storage(), expected.storage())
              << "mode " << mode << " p " << param << " brightness 0x" << std::hex << brightness
              << std::dec << " mask " << withMask;
        }
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(AllSources, BlitPlainRunTableTest,
                         testing::Combine(testing::Values(0, 1),
                                          testing::Values((int)kDirect, (int)kPalette,
                                                          (int)kAlpha)));

// A table of short runs is drawn pixel by pixel; the bytes are the run
// walk's in every mode, parameter, brightness and source kind, with and
// without a blend-mask image.
class BlitPlainShortRunTest : public BlitPlainTest,
                              public testing::WithParamInterface<std::tuple<int, int>> {};

TEST_P(BlitPlainShortRunTest, PixelByPixelDrawMatchesTheRunWalk) {
  const int code = std::get<0>(GetParam());
  const int kind = std::get<1>(GetParam());
  uint32_t rng = 0x5EED0u + (uint32_t)(code * 3 + kind);
  // A palette key within one byte: the import's table compares the whole key.
  const uint32_t key = kind == kPalette ? (KeyFor(code, kind) & 0xFF) : KeyFor(code, kind);
  TestImage source(37, 6, code, kind == kPalette, kind == kAlpha, key, 2, 1);
  ASSERT_TRUE(source.created());
  FillSource(&source, code, kind, &rng);
  BuildRunTable(source.get(), kind, key);
  MemImgBase *base = source.get()->base;
  TestImage mask(37, 6, 2, 0, 0, 0, 1);
  mask.FillRandom(&rng);
  const Rect area = {0, 0, 44, 10};

  for (int mode : kModes) {
    for (int param : kParams) {
      for (uint32_t brightness : kBrightness) {
        for (int withMask = 0; withMask < 2; ++withMask) {
          TestImage walked(44, 10, code, 0, 0, 0, 2);
          walked.FillRandom(&rng);
          TestImage oneByOne(walked);
          TestImage expected(walked);
          SetDrawState(mode, param, brightness, area);
          const MEMIMG *maskImage = withMask ? mask.get() : nullptr;
          base->runTableShortRuns = 0;
          MemImgDrawImage(walked.get(), source.get(), 4, 3, 1, maskImage);
          base->runTableShortRuns = 1;
          MemImgDrawImage(oneByOne.get(), source.get(), 4, 3, 1, maskImage);
          RefDrawImage(expected.get(), source.get(), 4, 3, 1, maskImage, &g_drawSettings);
          ASSERT_EQ(walked.storage(), oneByOne.storage())
              << "mode " << mode << " p " << param << " brightness 0x" << std::hex << brightness
              << std::dec << " mask " << withMask;
          ASSERT_EQ(expected.storage(), oneByOne.storage())
              << "mode " << mode << " p " << param << " brightness 0x" << std::hex << brightness
              << std::dec << " mask " << withMask;
        }
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(AllSources, BlitPlainShortRunTest,
                         testing::Combine(testing::Values(0, 1),
                                          testing::Values((int)kDirect, (int)kPalette,
                                                          (int)kAlpha)));

// A run table that disagrees with the pixels shows which path drew. Mode 10
// at p = 255 writes the inverted source (0x1234 becomes 0xEDCB) on both
// paths; the keyed copy goes its own way for 565 pixels.
class BlitPlainRunTableChoiceTest : public BlitPlainTest {
 protected:
  void SetUp() override {
    BlitPlainTest::SetUp();
    source_ = new TestImage(4, 2, 0, 0, 0, 0x0000, 0, 1);
    MEMIMG *s = source_->get();
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 4; ++x) RefWritePixel(s, x, y, 0x1234);
    // The table claims the first two pixels of each row are transparent.
    uint8_t *t = s->base->runTable;
    const uint8_t codes[] = {0x01, 0x41, 0xC0, 0x01, 0x41, 0xC0};
    memcpy(t, codes, sizeof codes);
    s->base->runTableValid = 1;
    SetDrawState(10, 255, 0x00FFFFFF, Rect{0, 0, 8, 4});
  }
  void TearDown() override {
    delete source_;
    BlitPlainTest::TearDown();
  }
  uint32_t DrawnAt(int trans, int x) {
    TestImage dest(8, 4, 0, 0, 0, 0, 0);
    for (int y = 0; y < 4; ++y) memset(dest.row(y), 0, 16);
    MemImgDrawImage(dest.get(), source_->get(), 1, 1, trans, nullptr);
    return RefReadPixel(dest.get(), x, 1);
  }
  TestImage *source_ = nullptr;
};

TEST_F(BlitPlainRunTableChoiceTest, FlagOneWholeSourceUsesTheTable) {
  EXPECT_EQ(0u, DrawnAt(1, 1));
  EXPECT_EQ(0xEDCBu, DrawnAt(1, 3));
}

TEST_F(BlitPlainRunTableChoiceTest, FlagTwoTestsTheKeyInstead) {
  EXPECT_EQ(0xEDCBu, DrawnAt(2, 1));
}

TEST_F(BlitPlainRunTableChoiceTest, ClippedDrawTestsTheKeyInstead) {
  g_drawSettings.clipRect = Rect{0, 0, 4, 4};  // cuts the last source column
  EXPECT_EQ(0xEDCBu, DrawnAt(1, 1));
}

TEST_F(BlitPlainRunTableChoiceTest, SubImageOfTheBaseTestsTheKeyInstead) {
  // The table describes the base's rows, not a view's.
  MEMIMG view;
  memset(&view, 0, sizeof view);
  MemImgMakeSubImage(&view, source_->get(), 1, 0, 3, 2);
  TestImage dest(8, 4, 0, 0, 0, 0, 0);
  for (int y = 0; y < 4; ++y) memset(dest.row(y), 0, 16);
  MemImgDrawImage(dest.get(), &view, 1, 1, 1, nullptr);
  EXPECT_EQ(0xEDCBu, RefReadPixel(dest.get(), 1, 1));
  MemImgRelease(&view);
}

// Importing into a whole sub-image must leave the base's run table invalid,
// or a draw of the whole base would follow runs of the view's rows only.
TEST_F(BlitPlainTest, ImportIntoASubImageLeavesTheBaseDrawnByKey) {
  TestImage base(4, 2, 0, 0, 0, 0x0000, 0, 1);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) RefWritePixel(base.get(), x, y, 0x1234);
  MEMIMG view;
  memset(&view, 0, sizeof view);
  MemImgMakeSubImage(&view, base.get(), 0, 0, 2, 1);
  BASEIMAGE color = {};
  ASSERT_EQ(0, CreateXrgb32BaseImage(2, 1, &color));
  WriteBaseImagePixel(&color, 0, 0, 0, 0, 0, 255);  // the key once converted
  WriteBaseImagePixel(&color, 1, 0, 255, 0, 0, 255);
  ASSERT_GE(MemImgBlitFromBaseImage(&color, nullptr, &view, 0, 0, 2, 1, 0, 0, 0, 0), 0);
  FreeBaseImage(&color);
  MemImgRelease(&view);
  EXPECT_EQ(0, base.get()->base->runTableValid);

  SetDrawState(0, 255, 0x00FFFFFF, Rect{0, 0, 4, 2});
  TestImage dest(4, 2, 0, 0, 0, 0, 0);
  for (int y = 0; y < 2; ++y) memset(dest.row(y), 0, 8);
  MemImgDrawImage(dest.get(), base.get(), 0, 0, 1, nullptr);
  const uint32_t expected[2][4] = {{0, 0xF800, 0x1234, 0x1234}, {0x1234, 0x1234, 0x1234, 0x1234}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(expected[y][x], RefReadPixel(dest.get(), x, y)) << x << "," << y;
}

// Each routine that draws into an image, painting green (a flat colour or a
// 4 x 1 green image) over the first row's middle: two keyed and two opaque
// pixels of the image below, whose runs are long (32 pixels).
struct DrawIntoCase {
  const char *name;
  void (*paint)(MEMIMG *image, const MEMIMG *green);
};

const Rect kPaintedRow = {30, 0, 34, 1};

const DrawIntoCase kDrawIntoCases[] = {
    {"FillRect", [](MEMIMG *image, const MEMIMG *) { MemImgFillRect(image, &kPaintedRow, 0x07E0); }},
    {"FillRectBlended",
     [](MEMIMG *image, const MEMIMG *) { MemImgFillRectBlended(image, &kPaintedRow, 0x07E0); }},
    {"DrawImage",
     [](MEMIMG *image, const MEMIMG *green) { MemImgDrawImage(image, green, 30, 0, 0, nullptr); }},
    {"DrawStretched",
     [](MEMIMG *image, const MEMIMG *green) {
       const Rect r = {30, 0, 34, 2};
       MemImgDrawStretched(image, green, &r, 0, nullptr);
     }},
    {"DrawRotated",
     [](MEMIMG *image, const MEMIMG *green) {
       MemImgDrawRotated(image, green, 32, 0, 0.0f, 1.0f, 0, 0, nullptr);
     }},
    {"DrawTriangle",
     [](MEMIMG *image, const MEMIMG *) {
       const int corners[TRIANGLE_CORNER_INTS] = {30, 0, 0, 0, 34, 0, 0, 0, 30, 2, 0, 0};
       MemImgDrawTriangle(image, nullptr, corners, 0, nullptr, 0x07E0);
     }},
    {"Blit", [](MEMIMG *image, const MEMIMG *green) { MemImgBlit(image, green, nullptr, 30, 0); }},
};

class BlitPlainDrawIntoTest : public BlitPlainTest,
                              public testing::WithParamInterface<DrawIntoCase> {};

// An image drawn into after its import no longer matches its run table: a
// draw with transparency flag 1 must still show the pixels as they are now,
// exactly as the key test of flag 2 shows them.
TEST_P(BlitPlainDrawIntoTest, TableDrawFollowsThePixelsDrawnAfterTheImport) {
  TestImage image(64, 2, 0, 0, 0, 0x0000, 0, 1);
  BASEIMAGE color = {};
  ASSERT_EQ(0, CreateXrgb32BaseImage(64, 2, &color));
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 64; ++x) WriteBaseImagePixel(&color, x, y, x < 32 ? 0 : 255, 0, 0, 255);
  ASSERT_GE(MemImgBlitFromBaseImage(&color, nullptr, image.get(), 0, 0, 64, 2, 0, 0, 0, 0), 0);
  FreeBaseImage(&color);
  ASSERT_EQ(1, image.get()->base->runTableValid);

  TestImage green(4, 1, 0, 0, 0, 0x0001, 0);
  for (int x = 0; x < 4; ++x) RefWritePixel(green.get(), x, 0, 0x07E0);
  SetDrawState(0, 255, 0x00FFFFFF, Rect{0, 0, 64, 2});
  GetParam().paint(image.get(), green.get());
  ASSERT_EQ(0x07E0u, RefReadPixel(image.get(), 31, 0));  // a keyed pixel was drawn over

  TestImage byTable(64, 2, 0, 0, 0, 0, 0), byKey(64, 2, 0, 0, 0, 0, 0);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 64; ++x) {
      RefWritePixel(byTable.get(), x, y, 0x1234);
      RefWritePixel(byKey.get(), x, y, 0x1234);
    }
  }
  // Mode 10 at p = 255 (the inverted source) walks the table, as the keyed
  // copy of 565 pixels does not.
  SetDrawState(10, 255, 0x00FFFFFF, Rect{0, 0, 64, 2});
  MemImgDrawImage(byTable.get(), image.get(), 0, 0, 1, nullptr);
  MemImgDrawImage(byKey.get(), image.get(), 0, 0, 2, nullptr);
  EXPECT_EQ(byKey.storage(), byTable.storage());
  EXPECT_EQ(0xF81Fu, RefReadPixel(byTable.get(), 31, 0));
}

INSTANTIATE_TEST_SUITE_P(Writers, BlitPlainDrawIntoTest, testing::ValuesIn(kDrawIntoCases),
                         [](const testing::TestParamInfo<DrawIntoCase> &info) {
                           return std::string(info.param.name);
                         });

// ---------------------------------------------------------------------------
// Numeric examples, worked by hand.

struct PixelCase {
  const char *name;
  int code;
  int kind;
  int mode;
  int param;
  uint32_t brightness;
  int trans;
  uint32_t source;
  uint32_t dest;
  uint32_t expected;
};

const PixelCase kPinnedCases[] = {
    {"565 halving average at p 128", 0, kDirect, 1, 128, 0xFFFFFF, 0, 0xFFFF, 0x0000, 0x7BEF},
    {"565 cube at p 127: red 31 over 0 gives 15", 0, kDirect, 1, 127, 0xFFFFFF, 0, 0xF800, 0,
     0x7800},
    {"565 cube at p 252: red 31 over 0 stays 31", 0, kDirect, 1, 252, 0xFFFFFF, 0, 0xF800, 0,
     0xF800},
    {"565 signed table with brightness at p 252 gives 30", 0, kDirect, 1, 252, 0xFFFEFF, 0, 0xF800,
     0, 0xF000},
    {"8888 p 128 clears the fourth byte", 1, kDirect, 1, 128, 0xFFFFFF, 0, 0x00FFFFFF, 0xAA000000,
     0x007F7F7F},
    {"8888 p 129 keeps the fourth byte", 1, kDirect, 1, 129, 0xFFFFFF, 0, 0x00FFFFFF, 0xAA000000,
     0xAA808080},
    {"8888 add at p 255 drops the low bits", 1, kDirect, 2, 255, 0xFFFFFF, 0, 0x00010101,
     0x00010101, 0x00000002},
    {"565 add at p 255 drops the low bits: red 1 + 1 gives 0", 0, kDirect, 2, 255, 0xFFFFFF, 0,
     0x0800, 0x0841, 0x0041},
    {"565 add under a brightness keeps them: red 1 + 1 gives 1", 0, kDirect, 2, 255, 0xFFFEFF, 0,
     0x0800, 0x0841, 0x0841},
    {"8888 add at p 254: P[254][1] is 0", 1, kDirect, 2, 254, 0xFFFFFF, 0, 0x00010101, 0x00010101,
     0x00010101},
    {"8888 add saturates, carry into byte 3", 1, kDirect, 2, 255, 0xFFFFFF, 0, 0x00202020,
     0x00F0F0F0, 0x01FFFFFF},
    {"8888 subtract clamps at 0", 1, kDirect, 3, 255, 0xFFFFFF, 0, 0x00202020, 0xAA101010,
     0x00000000},
    {"8888 multiply: alpha 0 under the flag turns black", 1, kAlpha, 4, 0, 0xFFFFFF, 1, 0x00FFFFFF,
     0xAA123456, 0xAA000000},
    {"565 inverse blend at p 255 writes the inverted source", 0, kDirect, 10, 255, 0xFFFFFF, 0,
     0x1234, 0x5678, 0xEDCB},
    {"565 brightness red only", 0, kDirect, 0, 0, 0xFF0000, 0, 0xFFFF, 0x1234, 0xF800},
    {"8888 brightness red only keeps byte 3", 1, kDirect, 0, 0, 0xFF0000, 0, 0x00FFFFFF, 0x77123456,
     0x77FF0000},
    {"8888 alpha 255 under the flag copies the word", 1, kAlpha, 0, 0, 0xFFFFFF, 1, 0xFF804020,
     0x00000000, 0xFF804020},
    {"8888 alpha source without the flag copies opaquely", 1, kAlpha, 0, 0, 0xFFFFFF, 0, 0x80804020,
     0x00000000, 0x80804020},
    {"565 alpha source reads 4 bytes, writes 2", 0, kAlpha, 0, 0, 0xFFFFFF, 1, 0x00FF1234, 0xFFFF,
     0x1234},
    {"mode 1 at p 255 copies like mode 0", 1, kDirect, 1, 255, 0xFFFFFF, 0, 0x11223344, 0x55667788,
     0x11223344},
};

class BlitPlainPinnedTest : public BlitPlainTest, public testing::WithParamInterface<PixelCase> {};

TEST_P(BlitPlainPinnedTest, OnePixel) {
  const PixelCase &c = GetParam();
  TestImage source(1, 1, c.code, c.kind == kPalette, c.kind == kAlpha, 0x0BADu, 0);
  TestImage dest(1, 1, c.code, 0, 0, 0, 0);
  RefWritePixel(source.get(), 0, 0, c.source);
  RefWritePixel(dest.get(), 0, 0, c.dest);
  SetDrawState(c.mode, c.param, c.brightness, Rect{0, 0, 1, 1});
  MemImgDrawImage(dest.get(), source.get(), 0, 0, c.trans, nullptr);
  EXPECT_EQ(c.expected, RefReadPixel(dest.get(), 0, 0)) << std::hex << c.expected;
}

INSTANTIATE_TEST_SUITE_P(Examples, BlitPlainPinnedTest, testing::ValuesIn(kPinnedCases),
                         [](const testing::TestParamInfo<PixelCase> &info) {
                           return "case" + std::to_string(info.index);
                         });

// Mode 1 on 565 weighs each channel by p / 4 in 64ths: every weight, with
// the channels' extremes among the pixels, over rows of whole vectors and a
// tail.
TEST_F(BlitPlainTest, Blend565MatchesReferenceAtEveryParameter) {
  uint32_t rng = 0x2545F491u;
  TestImage source(37, 3, 0, 0, 0, 0xF81Fu, 2);
  ASSERT_TRUE(source.created());
  source.FillRandom(&rng);
  const uint32_t extremes[] = {0x0000, 0xFFFF, 0xF800, 0x07E0, 0x001F, 0x07FF, 0xF81F, 0xFFE0};
  for (int i = 0; i < 8; ++i) RefWritePixel(source.get(), i, 0, extremes[i]);
  for (int i = 0; i < 8; ++i) RefWritePixel(source.get(), 8 + i, 1, extremes[7 - i]);
  for (int param = 0; param < 256; ++param) {
    TestImage dest(40, 4, 0, 0, 0, 0, 1);
    ASSERT_TRUE(dest.created());
    dest.FillRandom(&rng);
    for (int i = 0; i < 8; ++i) RefWritePixel(dest.get(), 1 + i, 0, extremes[(i + 3) % 8]);
    TestImage expected(dest);
    SetDrawState(1, param, 0x00FFFFFF, Rect{0, 0, 40, 4});
    MemImgDrawImage(dest.get(), source.get(), 1, 0, 0, nullptr);
    RefDrawImage(expected.get(), source.get(), 1, 0, 0, nullptr, &g_drawSettings);
    ASSERT_EQ(expected.storage(), dest.storage()) << "p " << param;
  }
}

TEST_F(BlitPlainTest, AlphaWithMaskBlendsByMaskAndAlpha) {
  TestImage source(1, 1, 1, 0, 1, 0, 0);
  TestImage dest(1, 1, 1, 0, 0, 0, 0);
  TestImage mask(1, 1, 2, 0, 0, 0, 0);
  RefWritePixel(source.get(), 0, 0, 0xFF804020);
  RefWritePixel(dest.get(), 0, 0, 0x00000000);
  RefWritePixel(mask.get(), 0, 0, 0xFF);
  MemImgSetBlendBorder(0, 0);  // every mask byte weighs 255
  SetDrawState(0, 0, 0xFFFFFF, Rect{0, 0, 1, 1});
  MemImgDrawImage(dest.get(), source.get(), 0, 0, 0, mask.get());
  // Weight 255 x 255 over 16 bits: 128 -> 127, 64 -> 63, 32 -> 31.
  EXPECT_EQ(0x007F3F1Fu, RefReadPixel(dest.get(), 0, 0));
}

TEST_F(BlitPlainTest, ClippedEntryStartsAtTheClippedSourceAndMaskOffset) {
  TestImage source(4, 3, 1, 0, 0, 0, 0);
  TestImage mask(4, 3, 2, 0, 0, 0, 0);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) {
      RefWritePixel(source.get(), x, y, 0x00100000u * (uint32_t)(y + 1) + 0x10u * (uint32_t)x);
      RefWritePixel(mask.get(), x, y, (uint32_t)(x == 2 && y == 1 ? 255 : 0));
    }
  TestImage dest(6, 6, 1, 0, 0, 0, 0);
  for (int y = 0; y < 6; ++y) memset(dest.row(y), 0, 24);
  MemImgSetBlendBorder(128, 0);  // 255 exactly where the mask byte is 255
  SetDrawState(0, 0, 0xFFFFFF, Rect{0, 0, 6, 6});
  MemImgDrawImage(dest.get(), source.get(), -2, -1, 0, mask.get());
  // Destination (0, 0) shows source (2, 1), weighted by the mask at (2, 1):
  // ((s - 0) * 255) >> 8.
  EXPECT_EQ(0x001F001Fu, RefReadPixel(dest.get(), 0, 0));
  EXPECT_EQ(0u, RefReadPixel(dest.get(), 1, 0));
}

// ---------------------------------------------------------------------------
// Calls that draw nothing.

class BlitPlainRefusalTest : public BlitPlainTest {
 protected:
  // True when the call left the destination as it was.
  bool Untouched(TestImage *dest, const MEMIMG *source, int x, int y, const MEMIMG *mask) {
    uint32_t rng = 77;
    dest->FillRandom(&rng);
    const std::vector<uint8_t> before = dest->storage();
    MemImgDrawImage(dest->get(), source, x, y, 0, mask);
    return before == dest->storage();
  }
};

TEST_F(BlitPlainRefusalTest, MaskSmallerThanSourceDrawsNothing) {
  TestImage source(4, 4, 0, 0, 0, 0, 0);
  TestImage dest(8, 8, 0, 0, 0, 0, 0);
  TestImage narrow(3, 4, 2, 0, 0, 0, 0);
  TestImage shorter(4, 3, 2, 0, 0, 0, 0);
  TestImage enough(4, 4, 2, 0, 0, 0, 0);
  SetDrawState(0, 0, 0xFFFFFF, Rect{0, 0, 8, 8});
  EXPECT_TRUE(Untouched(&dest, source.get(), 1, 1, narrow.get()));
  EXPECT_TRUE(Untouched(&dest, source.get(), 1, 1, shorter.get()));
  EXPECT_FALSE(Untouched(&dest, source.get(), 1, 1, enough.get()));
}

TEST_F(BlitPlainRefusalTest, MismatchedOrUnsupportedFormatsDrawNothing) {
  TestImage source565(2, 2, 0, 0, 0, 0, 0);
  TestImage source8888(2, 2, 1, 0, 0, 0, 0);
  TestImage dest8888(4, 4, 1, 0, 0, 0, 0);
  TestImage destPalette(4, 4, 1, 1, 0, 0, 0);
  TestImage destAlpha(4, 4, 1, 0, 1, 0, 0);
  TestImage single(2, 2, 2, 0, 0, 0, 0);
  TestImage destSingle(4, 4, 2, 0, 0, 0, 0);
  SetDrawState(0, 0, 0xFFFFFF, Rect{0, 0, 4, 4});
  EXPECT_TRUE(Untouched(&dest8888, source565.get(), 0, 0, nullptr));
  EXPECT_TRUE(Untouched(&destPalette, source8888.get(), 0, 0, nullptr));
  EXPECT_TRUE(Untouched(&destAlpha, source8888.get(), 0, 0, nullptr));
  EXPECT_TRUE(Untouched(&destSingle, single.get(), 0, 0, nullptr));
  EXPECT_FALSE(Untouched(&dest8888, source8888.get(), 0, 0, nullptr));
}

TEST_F(BlitPlainRefusalTest, FarAwayPositionsDrawNothingWithoutOverflow) {
  TestImage source(4, 4, 1, 0, 0, 0, 0);
  TestImage dest(8, 8, 1, 0, 0, 0, 0);
  SetDrawState(0, 0, 0xFFFFFF, Rect{0, 0, 8, 8});
  EXPECT_TRUE(Untouched(&dest, source.get(), INT32_MAX - 1, INT32_MAX - 1, nullptr));
  EXPECT_TRUE(Untouched(&dest, source.get(), INT32_MIN, INT32_MIN, nullptr));
}

TEST_F(BlitPlainRefusalTest, DrawAreaReachingPastTheDestinationIsCut) {
  TestImage source(4, 4, 1, 0, 0, 0, 0);
  TestImage dest(4, 4, 1, 0, 0, 0, 0);
  uint32_t rng = 5;
  source.FillRandom(&rng);
  SetDrawState(0, 0, 0xFFFFFF, Rect{-10, -10, 100, 100});
  dest.FillRandom(&rng);
  TestImage expected(dest);
  MemImgDrawImage(dest.get(), source.get(), 2, 2, 0, nullptr);
  for (int y = 2; y < 4; ++y)
    for (int x = 2; x < 4; ++x)
      RefWritePixel(expected.get(), x, y, RefReadPixel(source.get(), x - 2, y - 2));
  EXPECT_EQ(expected.storage(), dest.storage());
}

TEST_F(BlitPlainTest, PaletteIndexBeyondTheImportedCountReadsItsEntry) {
  TestImage source(1, 1, 1, 1, 0, 0, 0);
  TestImage dest(1, 1, 1, 0, 0, 0, 0);
  source.get()->base->paletteEntryCount = 2;
  ((uint32_t *)source.get()->base->palette)[200] = 0x00123456;
  RefWritePixel(source.get(), 0, 0, 200);
  RefWritePixel(dest.get(), 0, 0, 0);
  SetDrawState(0, 0, 0xFFFFFF, Rect{0, 0, 1, 1});
  MemImgDrawImage(dest.get(), source.get(), 0, 0, 0, nullptr);
  EXPECT_EQ(0x00123456u, RefReadPixel(dest.get(), 0, 0));
}


// An image drawn onto itself overlaps its own rows: the copy must stay
// defined (the sanitizers watch), and a draw one row down repeats row 0.
TEST_F(BlitPlainTest, DrawingAnImageOntoItselfStaysDefined) {
  TestImage image(40, 4, 0, 0, 0, 0, 0);
  uint32_t rng = 21;
  image.FillRandom(&rng);
  SetDrawState(0, 0, 0xFFFFFF, Rect{0, 0, 40, 4});
  MemImgDrawImage(image.get(), image.get(), 1, 0, 0, nullptr);
  const std::vector<uint8_t> firstRow(image.row(0), image.row(0) + 80);
  MemImgDrawImage(image.get(), image.get(), 0, 1, 0, nullptr);
  for (int y = 1; y < 4; ++y)
    EXPECT_EQ(firstRow, std::vector<uint8_t>(image.row(y), image.row(y) + 80)) << "row " << y;
}


// Whole groups of opaque or of transparent alpha pixels take shortcuts in
// the alpha copy; they must agree with the rule pixel by pixel.
TEST_F(BlitPlainTest, UniformAlphaGroupsMatchReference) {
  TestImage source(16, 3, 1, 0, 1, 0, 0);
  uint32_t rng = 99;
  source.FillRandom(&rng);
  for (int x = 0; x < 16; ++x) {
    RefWritePixel(source.get(), x, 0, RefReadPixel(source.get(), x, 0) | 0xFF000000u);
    RefWritePixel(source.get(), x, 1, RefReadPixel(source.get(), x, 1) & 0x00FFFFFFu);
  }
  for (int trans = 0; trans < 2; ++trans) {
    TestImage dest(20, 5, 1, 0, 0, 0, 0);
    dest.FillRandom(&rng);
    TestImage expected(dest);
    SetDrawState(0, 0, 0xFFFFFF, Rect{0, 0, 20, 5});
    MemImgDrawImage(dest.get(), source.get(), 2, 1, trans, nullptr);
    RefDrawImage(expected.get(), source.get(), 2, 1, trans, nullptr, &g_drawSettings);
    EXPECT_EQ(expected.storage(), dest.storage()) << "trans " << trans;
  }
}

}  // namespace

// The stretched image draw: the whole destination buffer, row padding
// included, against the geometry and per-pixel models over every format,
// source kind, blend mode, parameter and condition; the drawing rules'
// own examples pinned by hand; and the limits of the 16.16 stepping.
#include <gtest/gtest.h>
#include <string.h>

#include <random>
#include <string>
#include <vector>

#include "blit_geometry_reference.h"
#include "blit_reference.h"
#include "softrender/image/blend_tables.h"
#include "softrender/blit/blit.h"
#include "softrender/softrender.h"

namespace {

const int kDestWidth = 40;
const int kDestHeight = 30;
const Rect kClip = {2, 3, 37, 26};

struct StretchCase {
  const char *name;
  int sourceWidth, sourceHeight;
  Rect rect;
};

const StretchCase kCases[] = {
    {"EnlargeTwice", 7, 5, {5, 4, 19, 14}},
    {"ShrinkHalf", 14, 10, {6, 5, 13, 10}},
    {"ShrinkHalfWide", 60, 10, {5, 5, 35, 10}},
    {"ShrinkHalfWideClipped", 60, 10, {-9, 5, 21, 10}},
    {"OddRatioUp", 5, 3, {4, 6, 17, 13}},
    {"OddRatioDown", 13, 11, {8, 7, 17, 13}},
    {"ClippedLeft", 7, 5, {-9, 6, 12, 15}},
    {"ClippedTop", 7, 5, {6, -7, 25, 9}},
    {"ClippedRight", 7, 5, {28, 6, 47, 15}},
    {"ClippedBottom", 7, 5, {6, 20, 25, 35}},
    {"CoversClip", 11, 9, {-5, -5, 50, 40}},
    {"OutsideLeft", 7, 5, {-30, 5, 2, 15}},
    {"OutsideBelow", 7, 5, {5, 26, 19, 40}},
    {"MirroredX", 7, 5, {19, 4, 5, 14}},
    {"MirroredY", 7, 5, {5, 14, 19, 4}},
    {"MirroredBothShrink", 14, 10, {13, 10, 6, 5}},
    {"SameSize", 9, 7, {10, 8, 19, 15}},
    {"SameSizeClipped", 9, 7, {-3, 21, 6, 28}},
    {"SameSizeMirrored", 9, 7, {19, 8, 10, 15}},
};

class StretchedMatrix : public BlitMatrixTest {};

// Every mode (refused ones too), parameter and condition over one
// geometry: the destination must match the models byte for byte.
TEST_P(StretchedMatrix, MatchesModel) {
  const BlitMatrixParam &param = GetParam();
  const StretchCase &sc = kCases[param.caseIndex];
  std::mt19937 rng(1234 + param.caseIndex * 7 + param.formatCode * 3 + param.sourceKind);
  TestImage source, mask, dest;
  MakeSource(&source, sc.sourceWidth, sc.sourceHeight, param.formatCode, param.sourceKind, &rng);
  MakeMask(&mask, sc.sourceWidth + 1, sc.sourceHeight, &rng);
  dest.Create(kDestWidth, kDestHeight, param.formatCode, 0, 0, 0);
  const GeometryMap map =
      StretchedGeometry(sc.rect, sc.sourceWidth, sc.sourceHeight, kDestWidth, kDestHeight, kClip);

  const Rect rect = sc.rect;
  EXPECT_EQ(CheckAllBlendStates(&dest, source, mask, kClip, map, &rng,
                                [&](int transparent, const MEMIMG *maskImage) {
                                  MemImgDrawStretched(&dest.image, &source.image, &rect,
                                                      transparent, maskImage);
                                }),
            "");
}

INSTANTIATE_TEST_SUITE_P(AllCombinations, StretchedMatrix,
                         testing::ValuesIn(AllBlitMatrixParams(kCases)), BlitMatrixNamer(kCases));

// Hand-made images for the pinned examples: 8888 or 565 pixels given as
// values, the destination cleared to a fill value.
class StretchedExamples : public testing::Test {
 protected:
  void SetUp() override {
    InitTestBlendTables();
    SetTestDrawSettings({0, 0, 64, 16}, 0, 255, 0x00FFFFFFu);
  }

  void MakeRow(TestImage *image, int formatCode, const std::vector<uint32_t> &pixels,
               int height = 1) {
    image->Create((int)pixels.size(), height, formatCode, 0, 0, 0x00FF00FFu);
    for (int y = 0; y < height; ++y)
      for (size_t x = 0; x < pixels.size(); ++x)
        RefWritePixel(&image->image, (int)x, y, pixels[x] + (uint32_t)y * 0x10000u);
  }

  void MakeDest(TestImage *dest, int formatCode, uint32_t fill, int width = 64, int height = 16) {
    dest->Create(width, height, formatCode, 0, 0, 0);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) RefWritePixel(&dest->image, x, y, fill);
  }

  std::vector<uint32_t> Row(const TestImage &dest, int y, int count) {
    std::vector<uint32_t> row;
    for (int x = 0; x < count; ++x) row.push_back(RefReadPixel(&dest.image, x, y));
    return row;
  }
};

typedef std::vector<uint32_t> Pixels;

TEST_F(StretchedExamples, EnlargingRepeatsAndShrinkingSkipsColumns) {
  TestImage src2, src3, src8, dest;
  MakeRow(&src2, 1, {0xA, 0xB});
  MakeRow(&src3, 1, {0xA, 0xB, 0xC});
  MakeRow(&src8, 1, {0, 1, 2, 3, 4, 5, 6, 7});
  MakeDest(&dest, 1, 0xEE);

  Rect r = {0, 0, 4, 1};
  MemImgDrawStretched(&dest.image, &src2.image, &r, 0, nullptr);
  EXPECT_EQ(Row(dest, 0, 5), (Pixels{0xA, 0xA, 0xB, 0xB, 0xEE}));

  r = {0, 1, 2, 2};
  MemImgDrawStretched(&dest.image, &src3.image, &r, 0, nullptr);
  EXPECT_EQ(Row(dest, 1, 3), (Pixels{0xA, 0xB, 0xEE}));  // 0 and floor(65536 / 43690)

  r = {0, 2, 4, 3};
  MemImgDrawStretched(&dest.image, &src8.image, &r, 0, nullptr);
  EXPECT_EQ(Row(dest, 2, 5), (Pixels{0, 2, 4, 6, 0xEE}));
}

TEST_F(StretchedExamples, ReversedCornersMirror) {
  TestImage src, dest;
  MakeRow(&src, 1, {1, 2, 3, 4}, 2);  // row 1 holds 0x10001 ...
  MakeDest(&dest, 1, 0xEE);

  Rect r = {4, 0, 0, 2};  // right < left, same size: mirrored by this routine
  MemImgDrawStretched(&dest.image, &src.image, &r, 0, nullptr);
  EXPECT_EQ(Row(dest, 0, 5), (Pixels{4, 3, 2, 1, 0xEE}));
  EXPECT_EQ(Row(dest, 1, 4), (Pixels{0x10004, 0x10003, 0x10002, 0x10001}));

  r = {0, 4, 4, 2};  // bottom < top
  MemImgDrawStretched(&dest.image, &src.image, &r, 0, nullptr);
  EXPECT_EQ(Row(dest, 2, 4), (Pixels{0x10001, 0x10002, 0x10003, 0x10004}));
  EXPECT_EQ(Row(dest, 3, 4), (Pixels{1, 2, 3, 4}));

  r = {8, 6, 0, 4};  // both, enlarged twice: turned by 180 degrees
  MemImgDrawStretched(&dest.image, &src.image, &r, 0, nullptr);
  EXPECT_EQ(Row(dest, 4, 8),
            (Pixels{0x10004, 0x10004, 0x10003, 0x10003, 0x10002, 0x10002, 0x10001, 0x10001}));
  EXPECT_EQ(Row(dest, 5, 8), (Pixels{4, 4, 3, 3, 2, 2, 1, 1}));
}

TEST_F(StretchedExamples, SameSizeInOrderIsThePlainDraw) {
  std::mt19937 rng(5);
  for (int fc = 0; fc < 2; ++fc) {
    TestImage source, viaStretch, viaPlain;
    // A direct source: with alpha the weight would rule the halving form out.
    MakeSource(&source, 9, 7, fc, TEST_SOURCE_DIRECT, &rng);
    viaStretch.Create(20, 12, fc, 0, 0, 0);
    FillNoise(&viaStretch, &rng);
    viaPlain.Create(20, 12, fc, 0, 0, 0);
    viaPlain.buffer = viaStretch.buffer;
    // Mode 1 at 128 has a form of its own in the plain draw only.
    SetTestDrawSettings({0, 0, 20, 12}, 1, 128, 0x00FFFFFFu);
    const Rect r = {3, 2, 12, 9};
    MemImgDrawStretched(&viaStretch.image, &source.image, &r, 0, nullptr);
    MemImgDrawImage(&viaPlain.image, &source.image, 3, 2, 0, nullptr);
    EXPECT_EQ(viaStretch.buffer, viaPlain.buffer) << "format " << fc;
  }
}

TEST_F(StretchedExamples, ClippingKeepsTheMapping) {
  TestImage src, dest;
  Pixels pixels;
  for (uint32_t i = 0; i < 20; ++i) pixels.push_back(100 + i);
  MakeRow(&src, 1, pixels);
  MakeDest(&dest, 1, 0xEE);
  SetTestDrawSettings({0, 0, 64, 16}, 0, 255, 0x00FFFFFFu);
  const Rect r = {-10, 0, 30, 1};  // twice as wide, starting 10 pixels left of the clip
  MemImgDrawStretched(&dest.image, &src.image, &r, 0, nullptr);
  for (int x = 0; x < 30; ++x) EXPECT_EQ(RefReadPixel(&dest.image, x, 0), 100u + (x + 10) / 2);
  EXPECT_EQ(RefReadPixel(&dest.image, 30, 0), 0xEEu);
}

TEST_F(StretchedExamples, SaturatingAddAndSubtract) {
  TestImage src, dest;
  MakeRow(&src, 1, {0x00646464, 0x00646464});  // 100 in each channel
  MakeDest(&dest, 1, 0x00C8C8C8);               // 200
  SetTestDrawSettings({0, 0, 64, 16}, 2, 255, 0x00FFFFFFu);
  Rect r = {0, 0, 4, 1};
  MemImgDrawStretched(&dest.image, &src.image, &r, 0, nullptr);
  EXPECT_EQ(RefReadPixel(&dest.image, 0, 0) & 0x00FFFFFFu, 0x00FFFFFFu);

  MakeDest(&dest, 1, 0x00323232);  // 50
  SetTestDrawSettings({0, 0, 64, 16}, 3, 255, 0x00FFFFFFu);
  MemImgDrawStretched(&dest.image, &src.image, &r, 0, nullptr);
  EXPECT_EQ(RefReadPixel(&dest.image, 3, 0), 0u);
}

TEST_F(StretchedExamples, MultiplyByZeroMaskWeightIsBlack) {
  MemImgSetBlendBorder(255, 255);  // every mask byte below 255 maps to 0
  for (int fc = 0; fc < 2; ++fc) {
    TestImage src, dest, mask;
    MakeRow(&src, fc, {0xFFFF, 0xFFFF});
    MakeDest(&dest, fc, fc == 0 ? 0xFFFFu : 0x80FFFFFFu);
    mask.Create(2, 1, 2, 0, 0, 0);
    SetTestDrawSettings({0, 0, 64, 16}, 4, 255, 0x00FFFFFFu);
    const Rect r = {0, 0, 4, 1};
    MemImgDrawStretched(&dest.image, &src.image, &r, 0, &mask.image);
    EXPECT_EQ(Row(dest, 0, 5), fc == 0 ? (Pixels{0, 0, 0, 0, 0xFFFF})
                                       : (Pixels{0x80000000u, 0x80000000u, 0x80000000u,
                                                 0x80000000u, 0x80FFFFFFu}))
        << "format " << fc;
  }
}

TEST_F(StretchedExamples, RedBrightnessTurnsWhiteRed) {
  SetTestDrawSettings({0, 0, 64, 16}, 0, 255, 0x00FF0000u);
  TestImage src565, src8888, dest565, dest8888;
  MakeRow(&src565, 0, {0xFFFF});
  MakeRow(&src8888, 1, {0x00FFFFFF});
  MakeDest(&dest565, 0, 0);
  MakeDest(&dest8888, 1, 0x5A000000u);
  const Rect r = {0, 0, 3, 1};
  MemImgDrawStretched(&dest565.image, &src565.image, &r, 0, nullptr);
  MemImgDrawStretched(&dest8888.image, &src8888.image, &r, 0, nullptr);
  EXPECT_EQ(Row(dest565, 0, 3), (Pixels{0xF800, 0xF800, 0xF800}));
  // With brightness the fourth byte stays the destination's.
  EXPECT_EQ(Row(dest8888, 0, 3), (Pixels{0x5AFF0000u, 0x5AFF0000u, 0x5AFF0000u}));
}

TEST_F(StretchedExamples, MaskIsMirroredWithTheSource) {
  MemImgSetBlendBorder(128, 0);  // bytes up to 127 weigh 0, from 129 on 255
  TestImage src, dest, mask;
  MakeRow(&src, 1, {0x00FFFFFF, 0x00FFFFFF, 0x00FFFFFF});
  mask.Create(3, 1, 2, 0, 0, 0);
  mask.image.pixels[0] = 0;  // only the source's first column goes black
  mask.image.pixels[1] = 255;
  mask.image.pixels[2] = 255;
  MakeDest(&dest, 1, 0x00FFFFFF);
  SetTestDrawSettings({0, 0, 64, 16}, 4, 255, 0x00FFFFFFu);
  const Rect r = {6, 0, 0, 1};  // mirrored, twice as wide
  MemImgDrawStretched(&dest.image, &src.image, &r, 0, &mask.image);
  const Pixels row = Row(dest, 0, 6);
  EXPECT_EQ(row[4], 0u);
  EXPECT_EQ(row[5], 0u);
  for (int x = 0; x < 4; ++x) EXPECT_NE(row[x], 0u) << x;
}

TEST_F(StretchedExamples, MultiplyKeepsAlphaZeroPixelsUnderTransparency) {
  TestImage src, dest;
  src.Create(2, 1, 1, 0, 1, 0);
  RefWritePixel(&src.image, 0, 0, 0x00FFFFFFu);  // alpha 0
  RefWritePixel(&src.image, 1, 0, 0xFF808080u);  // alpha 255
  MakeDest(&dest, 1, 0x00FFFFFFu);
  SetTestDrawSettings({0, 0, 64, 16}, 4, 255, 0x00FFFFFFu);
  const Rect r = {0, 0, 4, 1};
  MemImgDrawStretched(&dest.image, &src.image, &r, 1, nullptr);
  EXPECT_EQ(Row(dest, 0, 4), (Pixels{0x00FFFFFFu, 0x00FFFFFFu, 0x007F7F7Fu, 0x007F7F7Fu}));
}

TEST_F(StretchedExamples, RefusedParametersAndModesLeaveTheDestination) {
  std::mt19937 rng(9);
  TestImage src, dest;
  MakeSource(&src, 5, 4, 1, TEST_SOURCE_DIRECT, &rng);
  dest.Create(20, 10, 1, 0, 0, 0);
  const Rect r = {1, 1, 11, 9};
  const int refused[][2] = {{1, 0}, {2, 0}, {3, 0}, {5, 9}, {6, 9}, {7, 9}, {8, 9}, {9, 9},
                            {12, 9}, {-1, 9}};
  for (const auto &mp : refused) {
    SetTestDrawSettings({0, 0, 20, 10}, mp[0], mp[1], 0x00FFFFFFu);
    FillNoise(&dest, &rng);
    const std::vector<uint8_t> before = dest.buffer;
    MemImgDrawStretched(&dest.image, &src.image, &r, 0, nullptr);
    EXPECT_EQ(dest.buffer, before) << "mode " << mp[0] << " p " << mp[1];
  }
  // Mode 1 at 255 is the copy.
  TestImage copy;
  copy.Create(20, 10, 1, 0, 0, 0);
  FillNoise(&dest, &rng);
  copy.buffer = dest.buffer;
  SetTestDrawSettings({0, 0, 20, 10}, 1, 255, 0x00FFFFFFu);
  MemImgDrawStretched(&dest.image, &src.image, &r, 1, nullptr);
  SetTestDrawSettings({0, 0, 20, 10}, 0, 17, 0x00FFFFFFu);
  MemImgDrawStretched(&copy.image, &src.image, &r, 1, nullptr);
  EXPECT_EQ(dest.buffer, copy.buffer);
}

// Draws of sizes and positions beyond what 32-bit 16.16 arithmetic holds.
class StretchedLimits : public StretchedExamples {};

TEST_F(StretchedLimits, FarClippedMarginKeepsTheMapping) {
  TestImage src, dest;
  MakeRow(&src, 1, {0xA, 0xB, 0xC});
  MakeDest(&dest, 1, 0xEE, 40, 1);
  SetTestDrawSettings({0, 0, 40, 1}, 0, 255, 0x00FFFFFFu);
  // 60000 pixels wide: each source column covers 20000; 39990 are clipped
  // away on the left, so column 1 ends at x = 10.
  const Rect r = {-39990, 0, 20010, 1};
  MemImgDrawStretched(&dest.image, &src.image, &r, 0, nullptr);
  for (int x = 0; x < 40; ++x) EXPECT_EQ(RefReadPixel(&dest.image, x, 0), x < 10 ? 0xBu : 0xCu) << x;
}

// Destination column k shows source column floor(k * 65536 / step), for
// enlargements and reductions of every small size, mirrored or not, and
// far along very wide rectangles.
TEST_F(StretchedLimits, ColumnMappingOverManySizes) {
  TestImage wide, dest;
  wide.Create(65536, 1, 1, 0, 0, 0);
  for (int x = 0; x < 65536; ++x) RefWritePixel(&wide.image, x, 0, (uint32_t)x);
  const Rect clip = {0, 0, 40, 1};
  dest.Create(40, 1, 1, 0, 0, 0);
  SetTestDrawSettings(clip, 0, 255, 0x00FFFFFFu);
  struct Span {
    int sourceWidth, left, right;
  };
  std::vector<Span> spans;
  for (int sw = 1; sw <= 45; ++sw)
    for (int dw = 1; dw <= 2 * sw + 3; ++dw) {
      spans.push_back({sw, 0, dw});
      spans.push_back({sw, dw, 0});
    }
  spans.push_back({65536, -65500, 35});          // 65535 of 65536 columns
  spans.push_back({65536, 35, -65500});
  spans.push_back({40000, -65000, 535});         // reduction far from its edge
  spans.push_back({3, -65000, 535});             // enlargement far from its edge
  for (const Span &sp : spans) {
    MEMIMG view = {};
    MemImgMakeSubImage(&view, &wide.image, 0, 0, sp.sourceWidth, 1);
    memset(dest.buffer.data(), 0xEE, dest.buffer.size());
    std::vector<uint8_t> want = dest.buffer;
    const Rect r = {sp.left, 0, sp.right, 1};
    PredictDraw(dest, &want, &view, nullptr, 0,
                StretchedGeometry(r, sp.sourceWidth, 1, 40, 1, clip), g_drawSettings);
    MemImgDrawStretched(&dest.image, &view, &r, 0, nullptr);
    MemImgRelease(&view);
    ASSERT_EQ(FirstDifference(dest.buffer, want, dest.image.base->pitch), "")
        << sp.sourceWidth << " into " << sp.left << ".." << sp.right;
  }
}

TEST_F(StretchedLimits, RectanglesBeyond65535PixelsDrawNothing) {
  TestImage src, dest;
  MakeRow(&src, 1, {0xA, 0xB}, 2);
  MakeDest(&dest, 1, 0xEE, 40, 4);
  SetTestDrawSettings({0, 0, 40, 4}, 0, 255, 0x00FFFFFFu);
  const std::vector<uint8_t> before = dest.buffer;
  const Rect wide = {0, 0, 70000, 2}, tall = {0, 0, 4, 70000}, mirroredWide = {70000, 0, 0, 2};
  MemImgDrawStretched(&dest.image, &src.image, &wide, 0, nullptr);
  MemImgDrawStretched(&dest.image, &src.image, &tall, 0, nullptr);
  MemImgDrawStretched(&dest.image, &src.image, &mirroredWide, 0, nullptr);
  EXPECT_EQ(dest.buffer, before);
  // 65535 is still drawn.
  const Rect widest = {0, 0, 65535, 2};
  MemImgDrawStretched(&dest.image, &src.image, &widest, 0, nullptr);
  EXPECT_EQ(RefReadPixel(&dest.image, 39, 1), 0x1000Au);
}

TEST_F(StretchedLimits, ZeroStepDrawsNothingAndReturns) {
  TestImage src, dest;
  src.Create(70000, 1, 1, 0, 0, 0);  // 65536 * 1 / 70000 rounds to a step of 0
  MakeDest(&dest, 1, 0xEE, 8, 8);
  SetTestDrawSettings({0, 0, 8, 8}, 0, 255, 0x00FFFFFFu);
  const std::vector<uint8_t> before = dest.buffer;
  const Rect r = {0, 0, 1, 2};
  MemImgDrawStretched(&dest.image, &src.image, &r, 0, nullptr);
  EXPECT_EQ(dest.buffer, before);
}

TEST_F(StretchedLimits, MaskSmallerThanSourceDrawsNothing) {
  std::mt19937 rng(3);
  TestImage src, dest, narrow, short_;
  MakeSource(&src, 6, 5, 0, TEST_SOURCE_DIRECT, &rng);
  MakeMask(&narrow, 5, 5, &rng);
  MakeMask(&short_, 6, 4, &rng);
  dest.Create(20, 12, 0, 0, 0, 0);
  FillNoise(&dest, &rng);
  SetTestDrawSettings({0, 0, 20, 12}, 0, 255, 0x00FFFFFFu);
  const std::vector<uint8_t> before = dest.buffer;
  const Rect stretched = {0, 0, 12, 10}, sameSize = {1, 1, 7, 6};
  for (const TestImage *mask : {&narrow, &short_}) {
    MemImgDrawStretched(&dest.image, &src.image, &stretched, 0, &mask->image);
    MemImgDrawStretched(&dest.image, &src.image, &sameSize, 0, &mask->image);
  }
  EXPECT_EQ(dest.buffer, before);
}

TEST_F(StretchedLimits, PaletteEntriesBeyondTheImportedCountAreDrawn) {
  for (int fc = 0; fc < 2; ++fc) {
    TestImage src, dest;
    src.Create(1, 1, fc, 1, 0, 0);
    src.image.base->paletteEntryCount = 1;
    if (fc == 0)
      ((uint16_t *)src.image.base->palette)[200] = 0x1234;
    else
      ((uint32_t *)src.image.base->palette)[200] = 0x00123456;
    src.image.pixels[0] = 200;
    MakeDest(&dest, fc, 0, 4, 1);
    SetTestDrawSettings({0, 0, 4, 1}, 0, 255, 0x00FFFFFFu);
    const Rect r = {0, 0, 3, 1};
    MemImgDrawStretched(&dest.image, &src.image, &r, 0, nullptr);
    EXPECT_EQ(RefReadPixel(&dest.image, 2, 0), fc == 0 ? 0x1234u : 0x00123456u);
  }
}

TEST_F(StretchedLimits, UnalignedRowsAndViews) {
  std::mt19937 rng(11);
  for (int fc = 0; fc < 2; ++fc) {
    TestImage whole, dest;
    // Odd pitches put every other row off 4-byte alignment; the view one
    // pixel in starts off it too.
    whole.Create(9, 6, fc, 0, 0, 0x00FF00FFu, fc == 0 ? 2 * 9 + 2 : 4 * 9 + 2);
    FillNoise(&whole, &rng);
    MEMIMG view = {};
    MemImgMakeSubImage(&view, &whole.image, 1, 1, 7, 5);
    dest.Create(24, 14, fc, 0, 0, 0, fc == 0 ? 2 * 24 + 2 : 4 * 24 + 2);
    FillNoise(&dest, &rng);
    const Rect clip = {0, 0, 24, 14}, r = {1, 1, 22, 12};
    SetTestDrawSettings(clip, 1, 77, 0x00FFFFFFu);
    std::vector<uint8_t> want = dest.buffer;
    PredictDraw(dest, &want, &view, nullptr, 1, StretchedGeometry(r, 7, 5, 24, 14, clip),
                g_drawSettings);
    MemImgDrawStretched(&dest.image, &view, &r, 1, nullptr);
    MemImgRelease(&view);
    EXPECT_EQ(FirstDifference(dest.buffer, want, dest.image.base->pitch), "") << "format " << fc;
  }
}

// A draw area larger than the destination: the draw is cut at the
// destination's edges (the rectangle reaches past its right and bottom).
TEST_F(StretchedLimits, DrawAreaReachingPastTheDestinationIsCut) {
  std::mt19937 rng(15);
  for (int fc = 0; fc < 2; ++fc) {
    TestImage source, dest;
    MakeSource(&source, 5, 4, fc, TEST_SOURCE_DIRECT, &rng);
    dest.Create(12, 9, fc, 0, 0, 0);
    FillNoise(&dest, &rng);
    const Rect area = {-10, -10, 100, 100}, r = {-3, -2, 16, 12};
    SetTestDrawSettings(area, 0, 255, 0x00FFFFFFu);
    std::vector<uint8_t> want = dest.buffer;
    PredictDraw(dest, &want, &source.image, nullptr, 0, StretchedGeometry(r, 5, 4, 12, 9, area),
                g_drawSettings);
    MemImgDrawStretched(&dest.image, &source.image, &r, 0, nullptr);
    EXPECT_EQ(FirstDifference(dest.buffer, want, dest.image.base->pitch), "") << "format " << fc;
  }
}

}  // namespace

// The software triangle's walk: whole buffers against the triangle model
// over a table of raster shapes, corner orders, shared edges, refusals, the
// walk's pinned quirks and mode 0's pinned numbers (the blend modes' matrix
// is in triangle_modes_test.cpp). Sources and masks have exact sizes, so a
// read past them meets the sanitizer.
#include <gtest/gtest.h>
#include <math.h>
#include <string.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "softrender/blit/blit_geometry_reference.h"
#include "softrender/blit/blit_reference.h"
#include "softrender/softrender.h"
#include "softrender/triangle/triangle.h"
#include "triangle_fixture.h"
#include "triangle_reference.h"

namespace {

class TriangleTest : public testing::Test {
 protected:
  void SetUp() override {
    InitTestBlendTables();
    SetTestDrawSettings(kWholeView, 0, 0, 0x00FFFFFFu);
  }
};

// ---- Raster shapes -------------------------------------------------------

struct RasterCase {
  const char *name;
  int corners[12];
  Rect clip;
  bool drawsNothing;
  bool flatDraws = !drawsNothing;  // a texel value out of range stops only textured draws
};

const Rect kClipInner = {3, 2, 37, 29};
const Rect kClipHuge = {-100, -100, 500, 500};

const RasterCase kRasterCases[] = {
    {"Collinear", {1, 1, 0, 0, 10, 10, 9, 9, 22, 22, 19, 18}, kWholeView, true},
    {"AllYEqual", {1, 5, 0, 0, 10, 5, 9, 9, 30, 5, 19, 18}, kWholeView, true},
    {"FlatTop", {2, 3, 0, 0, 30, 3, 28, 0, 12, 25, 10, 22}, kWholeView, false},
    {"FlatTopReversed", {30, 3, 28, 0, 2, 3, 0, 0, 12, 25, 10, 22}, kWholeView, false},
    {"FlatBottom", {15, 2, 13, 0, 2, 27, 0, 25, 33, 27, 31, 25}, kWholeView, false},
    {"MiddleLeft", {20, 1, 18, 0, 3, 14, 1, 12, 30, 29, 28, 27}, kWholeView, false},
    {"MiddleRight", {6, 1, 0, 0, 35, 12, 29, 11, 12, 30, 6, 29}, kWholeView, false},
    {"EdgeOnPixelBoundary", {0, 0, 0, 0, 10, 5, 10, 5, 13, 11, 13, 11}, kWholeView, false},
    {"TextbookRightAngle", {0, 0, 0, 0, 10, 0, 10, 0, 0, 10, 0, 10}, kWholeView, false},
    {"SliverIntMinGradients", {1, 2, -8192, 0, 39, 3, 8191, 7, 20, 4, 0, -8192}, kWholeView,
     false},
    {"NearlyFlatSliver", {0, 10, 0, 0, 39, 11, 60, 3, 20, 12, 1, 60}, kWholeView, false},
    {"CornersAtTheLimits", {-8191, -8191, 0, 0, 8191, -8000, 60, 0, 0, 8191, 0, 60},
     kWholeView, false},
    {"CoordinateAt8192", {0, 0, 0, 0, 8192, 5, 10, 0, 5, 20, 0, 10}, kWholeView, true},
    {"TexelAt8192", {0, 0, 0, 0, 30, 5, 8192, 0, 5, 20, 0, 10}, kWholeView, true, true},
    {"OutsideLeft", {-30, 2, 0, 0, -5, 10, 9, 9, -20, 25, 19, 18}, kWholeView, false},
    {"OutsideRight", {41, 2, 0, 0, 60, 10, 9, 9, 45, 25, 19, 18}, kWholeView, false},
    {"OutsideAbove", {3, -30, 0, 0, 30, -10, 9, 9, 10, -1, 19, 18}, kWholeView, false},
    {"OutsideBelow", {3, 32, 0, 0, 30, 40, 9, 9, 10, 50, 19, 18}, kWholeView, false},
    {"PartlyLeftAndAboveTheClip", {-6, -4, 0, 0, 30, 6, 40, 10, 4, 28, 10, 40}, kClipInner,
     false},
    {"NegativeCorners", {-7, -9, 0, 0, 25, -3, 30, 2, -2, 20, 4, 30}, kWholeView, false},
    {"EmptyClip", {2, 3, 0, 0, 30, 3, 28, 0, 12, 25, 10, 22}, {10, 10, 10, 20}, true},
    {"ClipLargerThanTheDestination", {-10, -6, 0, 0, 60, 12, 60, 12, 5, 45, 5, 45}, kClipHuge,
     false},
    {"RowReset", {10, -5, 0, 0, 2, 6, 2, 11, 20, 20, 10, 25}, kWholeView, false},
};

class TriangleRaster : public testing::TestWithParam<int> {
 protected:
  void SetUp() override { InitTestBlendTables(); }
};

TEST_P(TriangleRaster, MatchesModelTexturedAndFlat) {
  const RasterCase &rc = kRasterCases[GetParam()];
  SetTestDrawSettings(rc.clip, 0, 0, 0x00FFFFFFu);
  TestImage source;
  MakeAddressSource(&source, 64, 64);
  for (int formatCode = 0; formatCode < 2; ++formatCode) {
    GuardedDest dest(formatCode, 100 + GetParam());
    const std::vector<uint8_t> before = dest.base.buffer;
    if (formatCode == 1) {
      EXPECT_EQ(CompareTriangle(dest, &source.image, rc.corners, 0, nullptr, 0), "");
      if (rc.drawsNothing) {
        EXPECT_EQ(dest.base.buffer, before);
      }
    }
    EXPECT_EQ(CompareTriangle(dest, nullptr, rc.corners, 0, nullptr, 0x12345678), "")
        << "flat, format " << formatCode;
    if (!rc.flatDraws) {
      EXPECT_EQ(dest.base.buffer, before);
    }
  }
  if (!rc.drawsNothing) {
    const Rect bounds = {0, 0, kViewWidth, kViewHeight};
    Rect clip = rc.clip;
    ClipRectangle(&clip, &bounds);
    const bool outside = strncmp(rc.name, "Outside", 7) == 0;
    EXPECT_EQ(RefTriangleVisits(rc.corners, false, 0, 0, clip).empty(), outside);
  }
}

INSTANTIATE_TEST_SUITE_P(Shapes, TriangleRaster,
                         testing::Range(0, (int)(sizeof kRasterCases / sizeof kRasterCases[0])),
                         [](const testing::TestParamInfo<int> &info) {
                           return std::string(kRasterCases[info.param].name);
                         });

// Columns drawn per row by a flat triangle (first and last, -1 if none).
std::map<int, std::pair<int, int>> RowSpans(const int corners[12]) {
  std::map<int, std::pair<int, int>> spans;
  for (const RefTriangleVisit &v : RefTriangleVisits(corners, false, 0, 0, kWholeView)) {
    auto it = spans.find(v.y);
    if (it == spans.end())
      spans[v.y] = {v.x, v.x};
    else
      it->second.second = std::max(it->second.second, v.x);
  }
  return spans;
}

TEST_F(TriangleTest, TextbookRightAngleCoversRowsZeroToNine) {
  // The right edge steps by -1 pixel per row from x 10.5; the bottom row
  // (10) is not drawn.
  const int corners[12] = {0, 0, 0, 0, 10, 0, 0, 0, 0, 10, 0, 0};
  GuardedDest dest(1, 3);
  const std::vector<uint8_t> before = dest.base.buffer;
  MemImgDrawTriangle(&dest.view, nullptr, corners, 0, nullptr, 0x01020304);
  for (int y = 0; y < kViewHeight; ++y)
    for (int x = 0; x < kViewWidth; ++x) {
      const bool inside = y <= 9 && x <= 10 - y;
      MEMIMG old = dest.ViewOver(const_cast<std::vector<uint8_t> *>(&before));
      EXPECT_EQ(RefReadPixel(&dest.view, x, y), inside ? 0x01020304u : RefReadPixel(&old, x, y))
          << x << ", " << y;
    }
  const auto spans = RowSpans(corners);
  EXPECT_EQ(spans.at(9), std::make_pair(0, 1));
}

TEST_F(TriangleTest, LowerRightSegmentStartsOneUnitRightOfTheMiddleCorner) {
  // Middle corner (10, 5) on the right; on row 8 the lower segment's x is
  // two units short of x 12.0, so the row ends at column 11, not 12.
  const int corners[12] = {0, 0, 0, 0, 10, 5, 0, 0, 13, 11, 0, 0};
  EXPECT_EQ(RowSpans(corners).at(8).second, 11);
  GuardedDest dest(1, 4);
  MemImgDrawTriangle(&dest.view, nullptr, corners, 0, nullptr, 0x7F7F7F7F);
  EXPECT_EQ(RefReadPixel(&dest.view, 11, 8), 0x7F7F7F7Fu);
  EXPECT_NE(RefReadPixel(&dest.view, 12, 8), 0x7F7F7F7Fu);
}

TEST_F(TriangleTest, NegativeCornerLandsOnePixelNearerToZero) {
  // x -3 converts to column -2 (toward zero), so the flat top's left edge
  // starts at clip column 0 only from -2; a corner at y -3 starts at row -2.
  const int corners[12] = {-3, -3, 0, 0, 20, -3, 0, 0, -3, 20, 0, 0};
  const auto spans = RowSpans(corners);
  EXPECT_EQ(spans.begin()->first, 0);
  // Rows -2 .. 19 are walked; row 19 is the last (23 rows from -3 .. 20).
  EXPECT_EQ(spans.rbegin()->first, 19);
}

// Adds blue 1 per visit: a flat mode-2 draw at parameter 255 onto black
// shows how often each pixel was drawn.
void DrawCounting(MEMIMG *view, const int corners[12]) {
  g_drawSettings.blendMode = 2;
  g_drawSettings.blendParam = 255;
  MemImgDrawTriangle(view, nullptr, corners, 0, nullptr, 1);
  g_drawSettings.blendMode = 0;
}

// Visit counts per pixel of the model for a list of triangles.
std::vector<int> ModelCounts(const std::vector<const int *> &triangles, const Rect &clip) {
  std::vector<int> counts((size_t)kViewWidth * kViewHeight, 0);
  for (const int *t : triangles)
    for (const RefTriangleVisit &v : RefTriangleVisits(t, false, 0, 0, clip))
      ++counts[(size_t)v.y * kViewWidth + v.x];
  return counts;
}

std::vector<int> DrawnCounts(const std::vector<const int *> &triangles) {
  TestImage dest;
  dest.Create(kViewWidth, kViewHeight, 1, 0, 0, 0);
  for (const int *t : triangles) DrawCounting(&dest.image, t);
  std::vector<int> counts;
  for (int y = 0; y < kViewHeight; ++y)
    for (int x = 0; x < kViewWidth; ++x)
      counts.push_back((int)(RefReadPixel(&dest.image, x, y) & 0xFF));
  return counts;
}

TEST_F(TriangleTest, RowResetDrawsTheMiddleRowTwice) {
  // Top above row 0, middle corner on the left at row 6: the top segment
  // starts a row late (toward zero) and ends on row 6, and the lower
  // segment starts on row 6 again.
  const int corners[12] = {10, -5, 0, 0, 2, 6, 0, 0, 20, 20, 0, 0};
  const std::vector<int> counts = DrawnCounts({corners});
  EXPECT_EQ(counts, ModelCounts({corners}, kWholeView));
  int twice = 0;
  for (int y = 0; y < kViewHeight; ++y)
    for (int x = 0; x < kViewWidth; ++x) {
      const int n = counts[(size_t)y * kViewWidth + x];
      if (n == 2) {
        EXPECT_EQ(y, 6) << x;
      }
      twice += n == 2;
    }
  EXPECT_EQ(twice, 12);
}

TEST_F(TriangleTest, TrianglesCrossingRowZeroCanLeaveAGap) {
  // Two triangles sharing the edge (10, 1) - (30, 8): the left one's top
  // lies above row 0, so it is walked a row late and its side of the edge
  // shows the edge's previous row; the right one starts on row 1 as given.
  const int left[12] = {-10, -5, 0, 0, 10, 1, 0, 0, 30, 8, 0, 0};
  const int right[12] = {10, 1, 0, 0, 30, 8, 0, 0, 35, 2, 0, 0};
  const std::vector<int> counts = DrawnCounts({left, right});
  EXPECT_EQ(counts, ModelCounts({left, right}, kWholeView));
  int gaps = 0;
  for (int y = 2; y < 8; ++y) {
    int first = -1, last = -1;
    for (int x = 0; x < kViewWidth; ++x)
      if (counts[(size_t)y * kViewWidth + x]) {
        if (first < 0) first = x;
        last = x;
      }
    for (int x = first; x <= last; ++x) gaps += counts[(size_t)y * kViewWidth + x] == 0;
  }
  EXPECT_GT(gaps, 0);
}

// ---- Shared edges --------------------------------------------------------

TEST_F(TriangleTest, SharedEdgesLeaveNoGapAndOverlapOnlyOnTheEdge) {
  std::mt19937 rng(2024);
  for (int shape = 0; shape < 200; ++shape) {
    // A convex quad around the view's centre, corners at 0 or more, split
    // along its diagonal (the quad draw's order) or a fan of three.
    int p[8];
    const double turn = shape * 0.0437, stretch = 0.4 + (shape % 7) * 0.1;
    for (int i = 0; i < 4; ++i) {
      static const int kOrder[4] = {0, 1, 3, 2};
      const double a = turn + kOrder[i] * 1.5707963 + (rng() % 100) * 0.002;
      p[2 * i] = 20 + (int)(18 * cos(a));
      p[2 * i + 1] = 16 + (int)(15 * stretch * sin(a));
    }
    const int first[12] = {p[0], p[1], 0, 0, p[2], p[3], 0, 0, p[4], p[5], 0, 0};
    const int second[12] = {p[2], p[3], 0, 0, p[4], p[5], 0, 0, p[6], p[7], 0, 0};
    const std::vector<int> counts = DrawnCounts({first, second});
    ASSERT_EQ(counts, ModelCounts({first, second}, kWholeView)) << shape;
    const std::vector<int> a = ModelCounts({first}, kWholeView);
    const std::vector<int> b = ModelCounts({second}, kWholeView);
    // Shared diagonal from point 1 to point 2.
    const double x1 = p[2] + 0.5, y1 = p[3] + 0.5, x2 = p[4] + 0.5, y2 = p[5] + 0.5;
    const double length = hypot(x2 - x1, y2 - y1);
    for (int y = 0; y < kViewHeight; ++y) {
      int firstDrawn = -1, lastDrawn = -1;
      bool rowA = false, rowB = false;
      for (int x = 0; x < kViewWidth; ++x) {
        const size_t i = (size_t)y * kViewWidth + x;
        rowA |= a[i] > 0;
        rowB |= b[i] > 0;
        if (counts[i]) {
          if (firstDrawn < 0) firstDrawn = x;
          lastDrawn = x;
        }
        if (counts[i] == 2) {
          const double distance =
              fabs((x2 - x1) * (y1 - (y + 0.5)) - (x1 - (x + 0.5)) * (y2 - y1)) / length;
          EXPECT_LT(distance, 1.5) << "shape " << shape << " at " << x << ", " << y;
        }
      }
      if (!rowA || !rowB) continue;
      for (int x = firstDrawn; x <= lastDrawn; ++x) {
        EXPECT_GT(counts[(size_t)y * kViewWidth + x], 0)
            << "gap, shape " << shape << " at " << x << ", " << y;
      }
    }
  }
}

// ---- Corner order --------------------------------------------------------

TEST_F(TriangleTest, CornerOrderAndWindingDoNotMatter) {
  const int shapes[][12] = {
      {3, 2, 0, 0, 35, 9, 50, 7, 14, 30, 20, 60},
      {20, 1, 31, 2, 2, 14, 1, 40, 37, 29, 60, 55},
      {4, 4, 0, 0, 36, 4, 60, 0, 20, 28, 30, 60},  // flat top
  };
  TestImage source;
  MakeAddressSource(&source, 64, 64);
  for (const auto &shape : shapes) {
    std::vector<uint8_t> firstFlat, firstTextured;
    int order[3] = {0, 1, 2};
    do {
      int corners[12];
      for (int i = 0; i < 3; ++i) memcpy(corners + 4 * i, shape + 4 * order[i], sizeof(int) * 4);
      GuardedDest flat(1, 9), textured(1, 9);
      MemImgDrawTriangle(&flat.view, nullptr, corners, 0, nullptr, 0x55AA55AA);
      MemImgDrawTriangle(&textured.view, &source.image, corners, 0, nullptr, 0);
      if (firstFlat.empty()) {
        firstFlat = flat.base.buffer;
        firstTextured = textured.base.buffer;
        EXPECT_EQ(CompareTriangle(flat, nullptr, corners, 0, nullptr, 0x55AA55AA), "");
      }
      EXPECT_EQ(flat.base.buffer, firstFlat);
      EXPECT_EQ(textured.base.buffer, firstTextured);
    } while (std::next_permutation(order, order + 3));
  }
}

// ---- Refusals ------------------------------------------------------------

TEST_F(TriangleTest, RefusedCallsDrawNothing) {
  std::mt19937 rng(7);
  TestImage source565, source8888, mask, smallMask, wideMask, single, paletteDest, alphaDest;
  MakeSource(&source565, 16, 16, 0, TEST_SOURCE_DIRECT, &rng, true);
  MakeSource(&source8888, 16, 16, 1, TEST_SOURCE_DIRECT, &rng, true);
  MakeMask(&mask, 16, 16, &rng, true);
  MakeMask(&smallMask, 16, 15, &rng, true);
  wideMask.Create(16, 16, 0, 0, 0, 0, 0, true);  // two bytes per pixel
  single.Create(kViewWidth, kViewHeight, 2, 0, 0, 0);
  paletteDest.Create(kViewWidth, kViewHeight, 1, 1, 0, 0);
  alphaDest.Create(kViewWidth, kViewHeight, 1, 0, 1, 0);
  const int corners[12] = {1, 1, 0, 0, 30, 4, 16, 0, 6, 28, 0, 16};

  struct Call {
    const char *name;
    MEMIMG *dest;
    const MEMIMG *source;
    const MEMIMG *mask;
    int mode, param;
  };
  GuardedDest dest(1, 11);
  const Call calls[] = {
      {"format mismatch", &dest.view, &source565.image, nullptr, 0, 0},
      {"single-channel destination flat", &single.image, nullptr, nullptr, 0, 0},
      {"palette destination", &paletteDest.image, nullptr, nullptr, 0, 0},
      {"alpha destination", &alphaDest.image, &source8888.image, nullptr, 0, 0},
      {"mode 5", &dest.view, &source8888.image, nullptr, 5, 128},
      {"mode 7 flat", &dest.view, nullptr, nullptr, 7, 128},
      {"mode 9", &dest.view, &source8888.image, nullptr, 9, 128},
      {"mode 12", &dest.view, &source8888.image, nullptr, 12, 128},
      {"mode -1", &dest.view, &source8888.image, nullptr, -1, 128},
      {"mode 1 at p 0", &dest.view, &source8888.image, nullptr, 1, 0},
      {"mode 2 at p 0 flat", &dest.view, nullptr, nullptr, 2, 0},
      {"mode 3 at p 0", &dest.view, &source8888.image, nullptr, 3, 0},
      {"small mask", &dest.view, &source8888.image, &smallMask.image, 0, 0},
      {"two-byte mask", &dest.view, &source8888.image, &wideMask.image, 0, 0},
  };
  for (const Call &call : calls) {
    SetTestDrawSettings(kWholeView, call.mode, call.param, 0x00FFFFFFu);
    const std::vector<uint8_t> before = dest.base.buffer, singleBefore = single.buffer,
                               paletteBefore = paletteDest.buffer, alphaBefore = alphaDest.buffer;
    MemImgDrawTriangle(call.dest, call.source, corners, 0, call.mask, 0x12345678);
    EXPECT_EQ(dest.base.buffer, before) << call.name;
    EXPECT_EQ(single.buffer, singleBefore) << call.name;
    EXPECT_EQ(paletteDest.buffer, paletteBefore) << call.name;
    EXPECT_EQ(alphaDest.buffer, alphaBefore) << call.name;
  }

  // Null images and corners, and views without pixels.
  SetTestDrawSettings(kWholeView, 0, 0, 0x00FFFFFFu);
  const std::vector<uint8_t> before = dest.base.buffer;
  MEMIMG empty = {};
  MemImgDrawTriangle(nullptr, &source8888.image, corners, 0, nullptr, 0);
  MemImgDrawTriangle(&dest.view, &source8888.image, nullptr, 0, nullptr, 0);
  MemImgDrawTriangle(&empty, nullptr, corners, 0, nullptr, 0);
  MemImgDrawTriangle(&dest.view, &empty, corners, 0, nullptr, 0);
  MEMIMG noPixels = source8888.image;
  noPixels.pixels = nullptr;
  MemImgDrawTriangle(&dest.view, &noPixels, corners, 0, nullptr, 0);
  EXPECT_EQ(dest.base.buffer, before);

  // A flat triangle ignores a mask it could not read.
  GuardedDest masked(1, 12), plain(1, 12);
  MemImgDrawTriangle(&masked.view, nullptr, corners, 1, &smallMask.image, 0x0F0F0F0F);
  MemImgDrawTriangle(&plain.view, nullptr, corners, 0, nullptr, 0x0F0F0F0F);
  EXPECT_EQ(masked.base.buffer, plain.base.buffer);
}

// ---- Keys and pinned mode-0 numbers --------------------------------------

TEST_F(TriangleTest, PaletteKeyComparesTheWholeWord) {
  // Key 0x117: index 0x17 is not transparent (the blits would take 0x17).
  EXPECT_EQ(DrawOnePixel(1, TEST_SOURCE_PALETTE, 0x17, 0, 0x117, 1, nullptr, 0x11223344),
            0x11223344u);
  EXPECT_EQ(DrawOnePixel(1, TEST_SOURCE_PALETTE, 0x17, 0, 0x17, 1, nullptr, 0x11223344), 0u);
  EXPECT_EQ(DrawOnePixel(0, TEST_SOURCE_PALETTE, 0x17, 0, 0x117, 1, nullptr, 0xF81F), 0xF81Fu);
}

TEST_F(TriangleTest, DirectKeyIncludesTheFourthByte) {
  EXPECT_EQ(DrawOnePixel(1, TEST_SOURCE_DIRECT, 0xFFFF00FFu, 0x01010101u, 0x00FF00FFu, 1, nullptr),
            0xFFFF00FFu);
  EXPECT_EQ(DrawOnePixel(1, TEST_SOURCE_DIRECT, 0x00FF00FFu, 0x01010101u, 0x00FF00FFu, 1, nullptr),
            0x01010101u);
}

TEST_F(TriangleTest, ModeZeroNumbersByHand) {
  // An identity blend-mask map, so that mask bytes are the weights.
  for (int i = 0; i < 256; ++i) g_memImgBlendTables.blendMaskMap[i] = (uint8_t)i;
  TestImage masks[4];
  const uint8_t weights[4] = {255, 0, 128, 255};
  for (int i = 0; i < 4; ++i) {
    masks[i].Create(2, 2, 2, 0, 0, 0, 0, true);
    memset(masks[i].buffer.data(), weights[i], masks[i].buffer.size());
  }
  const MEMIMG *m255 = &masks[0].image, *m0 = &masks[1].image, *m128 = &masks[2].image;
  const struct {
    const char *name;
    int formatCode, kind;
    uint32_t s, d;
    int transparent;
    const MEMIMG *mask;
    uint32_t brightness, want;
  } rows[] = {
      {"raw copy keeps the fourth byte", 1, 0, 0x7A112233u, 0x00000000u, 0, nullptr, 0xFFFFFF,
       0x7A112233u},
      {"tint keeps the destination's fourth byte", 1, 0, 0x7A112233u, 0x5B000000u, 0, nullptr,
       0xFFFFFE, 0x5B112232u},
      {"alpha 255 with the flag copies", 1, 2, 0xFF102030u, 0x00000000u, 1, nullptr, 0xFFFFFF,
       0xFF102030u},
      {"mask 255 over black", 1, 0, 0x00FFFFFFu, 0x00000000u, 0, m255, 0xFFFFFF, 0x00FEFEFEu},
      {"mask 255 black over white", 1, 0, 0x00000000u, 0x00FFFFFFu, 0, m255, 0xFFFFFF, 0},
      {"mask 0 keeps", 1, 0, 0x00FFFFFFu, 0x00123456u, 0, m0, 0xFFFFFF, 0x00123456u},
      {"mask 128 between", 1, 0, 0x00646464u, 0x00C8C8C8u, 0, m128, 0xFFFFFF, 0x00969696u},
      {"mask 128 between, other order", 1, 0, 0x00C8C8C8u, 0x00646464u, 0, m128, 0xFFFFFF,
       0x00969696u},
      {"alpha 255 without the flag", 1, 2, 0xFFFFFFFFu, 0x00000000u, 0, nullptr, 0xFFFFFF,
       0x00FEFEFEu},
      {"alpha 0 without the flag keeps", 1, 2, 0x00FFFFFFu, 0x00123456u, 0, nullptr, 0xFFFFFF,
       0x00123456u},
      {"alpha 0 with the flag skips", 1, 2, 0x00FFFFFFu, 0x00123456u, 1, nullptr, 0xFFFFFF,
       0x00123456u},
      {"mask and alpha 255 with the flag", 1, 2, 0xFFFFFFFFu, 0, 1, m255, 0xFFFFFF, 0x00FEFEFEu},
      {"mask and alpha 255 without the flag", 1, 2, 0xFFFFFFFFu, 0, 0, m255, 0xFFFFFF,
       0x00FDFDFDu},
      {"mask and alpha black over white", 1, 2, 0xFF000000u, 0x00FFFFFFu, 0, m255, 0xFFFFFF,
       0x00010101u},
      {"565 red brightness 128", 0, 0, 0xF800u, 0, 0, nullptr, 0x80FFFF, 15u << 11},
      {"565 full brightness", 0, 0, 0xFFFFu, 0, 0, nullptr, 0xFFFFFF, 0xFFFFu},
      {"565 mix without carries", 0, 0, 0xF800u, 0x07E0u, 0, m128, 0xFFFFFF, 15u << 11 | 31u << 5},
      {"565 alpha texel of four bytes", 0, 2, 0x00FF1234u, 0x0000u, 1, nullptr, 0xFFFFFF,
       0x1234u},
      {"palette source with alpha flag", 1, 1, 0x05, 0, 0, nullptr, 0xFFFFFF, 0x80112233u},
  };
  for (const auto &r : rows) {
    SetTestDrawSettings({0, 0, 8, 8}, 0, 0, r.brightness);
    uint32_t got;
    if (r.kind == TEST_SOURCE_PALETTE) {
      TestImage source, dest;
      source.Create(2, 2, 1, 1, 0, 0, 0, true);
      source.image.base->alphaFlag = 1;  // a palette image whose base also says alpha
      memset(source.buffer.data(), (int)r.s, source.buffer.size());
      const uint32_t entry = 0x80112233u;
      for (int i = 0; i < 256; ++i) memcpy((uint8_t *)source.image.base->palette + 4 * i, &entry, 4);
      dest.Create(8, 8, 1, 0, 0, 0);
      const int corners[12] = {0, 0, 0, 0, 8, 0, 2, 0, 0, 8, 0, 2};
      MemImgDrawTriangle(&dest.image, &source.image, corners, 1, nullptr, 0);
      got = RefReadPixel(&dest.image, 1, 1);
    } else {
      got = DrawOnePixel(r.formatCode, r.kind, r.s, r.d, 0x0BADBADu, r.transparent, r.mask);
    }
    EXPECT_EQ(got, r.want) << r.name;
  }
}

TEST_F(TriangleTest, FlatColourTakesBrightnessAndItsFormatsBits) {
  const int corners[12] = {0, 0, 0, 0, 8, 0, 0, 0, 0, 8, 0, 0};
  TestImage d16, d32;
  d16.Create(8, 8, 0, 0, 0, 0);
  d32.Create(8, 8, 1, 0, 0, 0);
  SetTestDrawSettings({0, 0, 8, 8}, 0, 0, 0x00FFFFFFu);
  // Bits 16 to 31 of a 565 colour are not part of it.
  MemImgDrawTriangle(&d16.image, nullptr, corners, 0, nullptr, (int)0xFFFF07E0u);
  EXPECT_EQ(RefReadPixel(&d16.image, 1, 1), 0x07E0u);
  // Red 255, green 255, blue 0 keeps red and clears blue; byte 3 stays.
  SetTestDrawSettings({0, 0, 8, 8}, 0, 0, 0x00FFFF00u);
  MemImgDrawTriangle(&d32.image, nullptr, corners, 0, nullptr, (int)0x9A8B7C6Du);
  EXPECT_EQ(RefReadPixel(&d32.image, 1, 1), 0x9A8B7C00u);
}

}  // namespace

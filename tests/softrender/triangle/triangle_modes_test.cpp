// The software triangle's blend modes: every mode (refused ones too) in
// every leaf of every format and source kind against the triangle model
// over whole buffers, the documented numbers pinned by hand, and the
// equivalences between modes, parameters and leaves.
#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>

#include <random>
#include <string>
#include <vector>

#include "triangle_fixture.h"

namespace {

const int kSourceWidth = 23, kSourceHeight = 19;
const Rect kClipInner = {3, 2, 37, 29};

struct ModeTriangle {
  const char *name;
  int corners[12];
  Rect clip;
};

const ModeTriangle kModeTriangles[] = {
    // u and v run one texel past the source: the far column and row fail
    // the texture-bounds test.
    {"TexturesFarEdges", {1, 1, 0, 0, 38, 3, 24, 0, 4, 30, 0, 20}, kWholeView},
    {"PartlyOutsideTheClip", {-6, -4, 0, 0, 30, 6, 22, 5, 4, 28, 5, 18}, kClipInner},
    {"NegativeCorners", {-7, -9, 0, 0, 25, -3, 22, 2, -2, 20, 4, 18}, kWholeView},
    {"ThinSliver", {0, 10, 0, 0, 39, 11, 22, 3, 20, 12, 1, 18}, kWholeView},
    {"RowReset", {10, -5, 0, 0, 2, 6, 2, 11, 20, 20, 10, 18}, kWholeView},
};

const int kMatrixModes[] = {-1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
const int kMatrixParams[] = {0, 1, 127, 128, 254, 255};
// The fourth byte of the brightness plays no part: 0xFFFFFFFF is untinted.
const uint32_t kMatrixBrightness[] = {0x00FFFFFFu, 0xFFFFFFFFu, 0x00FFFFFEu, 0x0080FF40u, 0};

enum { KIND_FLAT = 3 };

struct ModeCell {
  int formatCode;
  int kind;  // TestSourceKind, or KIND_FLAT
};

class TriangleModes : public testing::TestWithParam<ModeCell> {
 protected:
  void SetUp() override { InitTestBlendTables(); }
};

// The first differing pixel of the view with what the model's visit put
// there: position, destination before, raw texel (a palette index, or a
// texel with its alpha), alpha and mask weight. A difference outside the
// view is reported as such.
std::string DescribeMismatch(const GuardedDest &dest, const std::vector<uint8_t> &before,
                             const std::vector<uint8_t> &want, const MEMIMG *source,
                             const MEMIMG *mask, const ModeTriangle &tri) {
  MEMIMG got = dest.view;
  MEMIMG old = dest.ViewOver(const_cast<std::vector<uint8_t> *>(&before));
  MEMIMG predicted = dest.ViewOver(const_cast<std::vector<uint8_t> *>(&want));
  for (int y = 0; y < kViewHeight; ++y)
    for (int x = 0; x < kViewWidth; ++x) {
      const uint32_t g = RefReadPixel(&got, x, y), w = RefReadPixel(&predicted, x, y);
      if (g == w) continue;
      int texelX = -1, texelY = -1;
      Rect clip = tri.clip;
      ClipRectangle(&clip, &kWholeView);
      for (const RefTriangleVisit &v :
           RefTriangleVisits(tri.corners, source != nullptr, kSourceWidth, kSourceHeight, clip))
        if (v.x == x && v.y == y) texelX = v.texelX, texelY = v.texelY;
      uint32_t s = 0, a = 255, m = 0;
      if (source && texelX >= 0) {
        s = RefReadPixel(source, texelX, texelY);
        if (source->base->alphaFlag && !source->base->paletteFlag)
          a = source->base->formatCode == 1 ? s >> 24 : (s >> 16) & 0xFF;
        if (mask) m = g_memImgBlendTables.blendMaskMap[RefReadMaskByte(mask, texelX, texelY)];
      }
      char text[200];
      snprintf(text, sizeof text,
               "x %d y %d: d 0x%X s 0x%X a %u m %u (texel %d, %d): got 0x%X, want 0x%X", x, y,
               RefReadPixel(&old, x, y), s, a, m, texelX, texelY, g, w);
      return text;
    }
  return "outside the view: " +
         FirstDifference(dest.base.buffer, want, dest.base.image.base->pitch);
}

TEST_P(TriangleModes, EveryModeAndLeafMatchesTheModel) {
  const ModeCell cell = GetParam();
  const bool flat = cell.kind == KIND_FLAT;
  std::mt19937 rng(700 + cell.formatCode * 4 + cell.kind);
  TestImage source, mask;
  if (!flat)
    MakeSource(&source, kSourceWidth, kSourceHeight, cell.formatCode, cell.kind, &rng, true);
  MakeMask(&mask, kSourceWidth, kSourceHeight, &rng, true);
  const MEMIMG *src = flat ? nullptr : &source.image;
  int failures = 0;
  for (const ModeTriangle &tri : kModeTriangles)
    for (int mode : kMatrixModes)
      for (int p : kMatrixParams)
        for (uint32_t brightness : kMatrixBrightness)
          for (int leaf = 0; leaf < 4; ++leaf) {
            SetTestDrawSettings(tri.clip, mode, p, brightness);
            const MEMIMG *maskImage = leaf & 1 ? &mask.image : nullptr;
            const int transparent = leaf & 2 ? 1 : 0;
            GuardedDest dest(cell.formatCode, rng());
            const std::vector<uint8_t> before = dest.base.buffer;
            std::vector<uint8_t> want = before;
            MEMIMG predicted = dest.ViewOver(&want);
            const int flatColour = (int)rng();
            RefDrawTriangle(&predicted, src, tri.corners, transparent, maskImage, flatColour,
                            g_drawSettings);
            MEMIMG view = dest.view;
            MemImgDrawTriangle(&view, src, tri.corners, transparent, maskImage, flatColour);
            if (dest.base.buffer == want) continue;
            ADD_FAILURE() << tri.name << " mode " << mode << " p " << p << " brightness 0x"
                          << std::hex << brightness << std::dec << " mask " << (leaf & 1)
                          << " flag " << transparent << ": "
                          << DescribeMismatch(dest, before, want, src, maskImage, tri);
            ASSERT_LT(++failures, 10);
          }
}

std::string CellName(const testing::TestParamInfo<ModeCell> &info) {
  static const char *kKinds[] = {"Direct", "Palette", "Alpha", "Flat"};
  return std::string(info.param.formatCode ? "8888" : "565") + kKinds[info.param.kind];
}

INSTANTIATE_TEST_SUITE_P(FormatsAndSources, TriangleModes,
                         testing::Values(ModeCell{0, 0}, ModeCell{0, 1}, ModeCell{0, 2},
                                         ModeCell{0, 3}, ModeCell{1, 0}, ModeCell{1, 1},
                                         ModeCell{1, 2}, ModeCell{1, 3}),
                         CellName);

// ---- Equivalences over whole buffers -----------------------------------

// One draw of the cell's source (or a flat colour) with the given state
// into a fresh noise destination of a fixed seed; the whole base buffer.
struct CellDraw {
  TestImage source, mask;
  ModeCell cell;

  explicit CellDraw(ModeCell c) : cell(c) {
    std::mt19937 rng(900 + c.formatCode * 4 + c.kind);
    if (c.kind != KIND_FLAT)
      MakeSource(&source, kSourceWidth, kSourceHeight, c.formatCode, c.kind, &rng, true);
    MakeMask(&mask, kSourceWidth, kSourceHeight, &rng, true);
  }
  std::vector<uint8_t> Draw(int mode, int p, uint32_t brightness, bool withMask, int transparent,
                            const ModeTriangle &tri = kModeTriangles[0]) {
    SetTestDrawSettings(tri.clip, mode, p, brightness);
    GuardedDest dest(cell.formatCode, 77);
    MemImgDrawTriangle(&dest.view, cell.kind == KIND_FLAT ? nullptr : &source.image, tri.corners,
                       transparent, withMask ? &mask.image : nullptr, (int)0x9C3A65F1u);
    return dest.base.buffer;
  }
  std::vector<uint8_t> Untouched() const { return GuardedDest(cell.formatCode, 77).base.buffer; }
};

// Calls check(mode-independent leaf: brightness, mask, flag) for each
// leaf the cell has.
template <class Check>
void ForEachLeaf(Check check) {
  for (uint32_t brightness : {0x00FFFFFFu, 0x0080FF40u})
    for (int leaf = 0; leaf < 4; ++leaf) check(brightness, (leaf & 1) != 0, leaf >> 1);
}

TEST_P(TriangleModes, ModeOneAtFullParameterEqualsModeZero) {
  CellDraw d(GetParam());
  ForEachLeaf([&](uint32_t b, bool mask, int flag) {
    EXPECT_EQ(d.Draw(1, 255, b, mask, flag), d.Draw(0, 0, b, mask, flag))
        << std::hex << b << " mask " << mask << " flag " << flag;
  });
}

TEST_P(TriangleModes, ModeFourIgnoresTheParameter) {
  CellDraw d(GetParam());
  ForEachLeaf([&](uint32_t b, bool mask, int flag) {
    const std::vector<uint8_t> at128 = d.Draw(4, 128, b, mask, flag);
    EXPECT_NE(at128, d.Untouched());
    EXPECT_EQ(d.Draw(4, 0, b, mask, flag), at128);
    EXPECT_EQ(d.Draw(4, 255, b, mask, flag), at128);
  });
}

TEST_P(TriangleModes, ParameterZeroLeavesTheBufferUntouched) {
  CellDraw d(GetParam());
  for (int mode : {1, 2, 3, 10, 11})
    ForEachLeaf([&](uint32_t b, bool mask, int flag) {
      EXPECT_EQ(d.Draw(mode, 0, b, mask, flag), d.Untouched())
          << "mode " << mode << std::hex << " brightness " << b << " mask " << mask << " flag "
          << flag;
    });
}

class TriangleModeRules : public testing::Test {
 protected:
  void SetUp() override { InitTestBlendTables(); }
};

TEST_F(TriangleModeRules, FlatTrianglesIgnoreMaskAndFlag) {
  for (int formatCode = 0; formatCode < 2; ++formatCode) {
    CellDraw d({formatCode, KIND_FLAT});
    for (int mode : {0, 1, 2, 3, 4, 10, 11})
      for (int p : {100, 255}) {
        const std::vector<uint8_t> plain = d.Draw(mode, p, 0x0080FF40u, false, 0);
        EXPECT_NE(plain, d.Untouched()) << mode;
        EXPECT_EQ(d.Draw(mode, p, 0x0080FF40u, true, 1), plain) << "mode " << mode << " p " << p;
      }
  }
}

TEST_F(TriangleModeRules, FourthByteKeptOrWrittenAsEachModeSays) {
  for (int kind = 0; kind < 4; ++kind) {
    CellDraw d({1, kind});
    GuardedDest layout(1, 77);
    std::vector<uint8_t> before = d.Untouched();
    const MEMIMG old = layout.ViewOver(&before);
    for (int mode : {1, 2, 3, 4, 10, 11})
      ForEachLeaf([&](uint32_t b, bool mask, int flag) {
        std::vector<uint8_t> after = d.Draw(mode, 200, b, mask, flag);
        const MEMIMG now = layout.ViewOver(&after);
        int changed = 0;
        for (int y = 0; y < kViewHeight; ++y)
          for (int x = 0; x < kViewWidth; ++x) {
            const uint32_t was = RefReadPixel(&old, x, y), is = RefReadPixel(&now, x, y);
            if (was == is) continue;
            ++changed;
            // Modes 1, 4, 10 and 11 never write it; mode 3 clears it; mode 2
            // leaves red's carry in it.
            const uint32_t fourth = is >> 24;
            const bool ok = mode == 3 ? fourth == 0 : mode == 2 ? fourth <= 1 : fourth == was >> 24;
            ASSERT_TRUE(ok) << "mode " << mode << " at " << x << ", " << y << ": " << fourth;
          }
        EXPECT_GT(changed, 0) << "mode " << mode;
      });
  }
}

// ---- The documented numbers, by hand ------------------------------------

// A flat triangle over an 8 x 8 destination of pixels d; the pixel (1, 1).
uint32_t DrawOneFlatPixel(int formatCode, uint32_t colour, uint32_t d) {
  TestImage dest;
  dest.Create(8, 8, formatCode, 0, 0, 0);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) RefWritePixel(&dest.image, x, y, d);
  const int corners[12] = {0, 0, 0, 0, 8, 0, 0, 0, 0, 8, 0, 0};
  MemImgDrawTriangle(&dest.image, nullptr, corners, 0, nullptr, (int)colour);
  return RefReadPixel(&dest.image, 1, 1);
}

class TriangleModeNumbers : public testing::Test {
 protected:
  void SetUp() override {
    InitTestBlendTables();
    // An identity blend-mask map, so that mask bytes are the weights.
    for (int i = 0; i < 256; ++i) g_memImgBlendTables.blendMaskMap[i] = (uint8_t)i;
  }
};

TEST_F(TriangleModeNumbers, GiveTheDocumentedValues) {
  const int D = TEST_SOURCE_DIRECT, A = TEST_SOURCE_ALPHA, F = KIND_FLAT;
  const uint32_t W = 0x00FFFFFFu;  // full brightness
  const int none = -1;
  const struct {
    const char *name;
    int formatCode, kind, mode, p;
    uint32_t brightness;
    int flag, mask;  // mask: the weight, or none
    uint32_t s, d, want;
  } rows[] = {
      // Mode 1.
      {"1: 255 over 0 at 128", 1, D, 1, 128, W, 0, none, 0x00FFFFFF, 0x5A000000, 0x5A7F7F7F},
      {"1: 0 over 255 at 128", 1, D, 1, 128, W, 0, none, 0, 0x5AFFFFFF, 0x5A7F7F7F},
      {"1: 0 over 10 at 1", 1, D, 1, 1, W, 0, none, 0, 0x000A0A0A, 0x00090909},
      {"1: 10 over 0 at 1", 1, D, 1, 1, W, 0, none, 0x000A0A0A, 0, 0},
      {"1: 565 31 over 0 at 128", 0, D, 1, 128, W, 0, none, 0xF81F, 0, 0x780F},
      {"1: 565 0 over 31 at 128", 0, D, 1, 128, W, 0, none, 0, 0xF81F, 0x8010},
      {"1: 255 over 0 at 254", 1, D, 1, 254, W, 0, none, 0x00FFFFFF, 0, 0x00FDFDFD},
      {"1: 0 over 255 at 254", 1, D, 1, 254, W, 0, none, 0, 0x00FFFFFF, 0x00010101},
      {"1: 565 full over 0 at 254", 0, D, 1, 254, W, 0, none, 0xFFFF, 0, 0xF7DE},
      {"1: mask 0 keeps", 1, D, 1, 200, W, 0, 0, 0x00FFFFFF, 0x00123456, 0x00123456},
      {"1: alpha 0 without the flag keeps", 1, A, 1, 200, W, 0, none, 0x00FFFFFF, 0x00123456,
       0x00123456},
      {"1: mask, alpha 255 with the flag", 1, A, 1, 254, W, 1, 255, 0xFFFFFFFF, 0, 0x00FCFCFC},
      {"1: mask, alpha 255 without the flag", 1, A, 1, 254, W, 0, 255, 0xFFFFFFFF, 0, 0x00FBFBFB},
      // Mode 2.
      {"2: 0x808080 twice", 1, D, 2, 255, W, 0, none, 0x00808080, 0x00808080, 0x01FFFFFF},
      {"2: q 0 clears the fourth byte", 1, D, 2, 255, W, 0, none, 0, 0x11223344, 0x00223344},
      {"2: blue carry sets green's low bit", 1, D, 2, 255, W, 0, none, 1, 0xFF, 0x000001FF},
      {"2: two odd greens", 1, D, 2, 255, W, 0, none, 0x100, 0x100, 0x100},
      {"2: 565 green 32 twice", 0, D, 2, 255, W, 0, none, 0x0400, 0x0400, 0x0FC0},
      {"2: 565 white stays", 0, D, 2, 255, W, 0, none, 0x1234, 0xFFFF, 0xFFFF},
      {"2: mask 255", 1, D, 2, 255, W, 0, 255, 0x00FFFFFF, 0, 0x00FDFDFD},
      {"2: mask 255, alpha 255, no flag", 1, A, 2, 255, W, 0, 255, 0xFFFFFFFF, 0, 0x00FCFCFC},
      {"2: alpha 255 without the flag", 1, A, 2, 255, W, 0, none, 0xFFFFFFFF, 0, 0x00FDFDFD},
      {"2: alpha 255 with the flag", 1, A, 2, 255, W, 1, none, 0xFFFFFFFF, 0, 0x00FFFFFF},
      {"2: 565 alpha 255 without the flag", 0, A, 2, 255, W, 0, none, 0x00FFF800, 0, 0xF000},
      {"2: 565 alpha 255 with the flag", 0, A, 2, 255, W, 1, none, 0x00FFF800, 0, 0xF800},
      {"2: 565 mask 255", 0, D, 2, 255, W, 0, 255, 0xFFE0, 0, 0xF7C0},
      {"2: 565 alpha scales before the tint", 0, A, 2, 255, 0x0080FFFF, 0, none, 0x00C8F800, 0,
       0x6000},
      {"2: alpha 0 without the flag", 1, A, 2, 255, W, 0, none, 0x00FFFFFF, 0x77123456, 0x00123456},
      // Mode 3.
      {"3: 5 from each channel", 1, D, 3, 255, W, 0, none, 0x00050505, 0xFF102030, 0x000D1D2B},
      {"3: q 0 is not neutral", 1, D, 3, 255, W, 0, none, 0, 0x00808080, 0x00818180},
      {"3: 565 q 0 is not neutral", 0, D, 3, 255, W, 0, none, 0, 0xFFFF, 0xFFDF},
      {"3: 565 1 from each field", 0, D, 3, 255, W, 0, none, 0x0821, 0x8410, 0x8C0F},
      {"3: white from white", 1, D, 3, 255, W, 0, none, 0x00FFFFFF, 0xFFFFFFFF, 0x00010100},
      {"3: 565 white from white", 0, D, 3, 255, W, 0, none, 0xFFFF, 0xFFFF, 0x0800},
      {"3: mask, alpha 255 with the flag", 1, A, 3, 255, W, 1, 255, 0xFFFFFFFF, 0x00FFFFFF,
       0x00030302},
      {"3: mask, alpha 255 without the flag", 1, A, 3, 255, W, 0, 255, 0xFFFFFFFF, 0x00FFFFFF,
       0x00030303},
      {"3: 565 alpha scales before the tint", 0, A, 3, 255, 0x0080FFFF, 0, none, 0x00C8F800, 0xF800,
       0x9800},
      {"3: brightness channel 0", 1, D, 3, 255, 0x00FFFF00, 0, none, 0x00FFFFFF, 0x00FFFFFF,
       0x000101FF},
      // Mode 4.
      {"4: white source", 1, D, 4, 0, W, 0, none, 0x00FFFFFF, 0x33FF0100, 0x33FE0000},
      {"4: black source", 1, D, 4, 0, W, 0, none, 0, 0x33FFFFFF, 0x33000000},
      {"4: 565 white source", 0, D, 4, 0, W, 0, none, 0xFFFF, 0xFFFF, 0xF7DE},
      {"4: mask 255", 1, D, 4, 0, W, 0, 255, 0x00FFFFFF, 0x00FFFFFF, 0x00FDFDFD},
      {"4: 565 mask 255", 0, D, 4, 0, W, 0, 255, 0xFFFF, 0xFFFF, 0xEFBD},
      {"4: mask 0", 1, D, 4, 0, W, 0, 0, 0x00FFFFFF, 0x00FFFFFF, 0},
      {"4: alpha 0 with the flag", 1, A, 4, 0, W, 1, none, 0x00FFFFFF, 0x77FFFFFF, 0x77000000},
      {"4: alpha 0 without the flag", 1, A, 4, 0, W, 0, none, 0x00FFFFFF, 0x77FFFFFF, 0x77000000},
      {"4: alpha 255 with the flag", 1, A, 4, 0, W, 1, none, 0xFFFFFFFF, 0x00FFFFFF, 0x00FEFEFE},
      {"4: alpha 255 without the flag", 1, A, 4, 0, W, 0, none, 0xFFFFFFFF, 0x00FFFFFF, 0x00FDFDFD},
      {"4: 565 alpha 255 with the flag", 0, A, 4, 0, W, 1, none, 0x00FFFFFF, 0xFFFF, 0xF7DE},
      {"4: 565 alpha 255 without the flag", 0, A, 4, 0, W, 0, none, 0x00FFFFFF, 0xFFFF, 0xEFBD},
      {"4: mask and alpha 255, no flag", 1, A, 4, 0, W, 0, 255, 0xFFFFFFFF, 0x00FFFFFF, 0x00FCFCFC},
      {"4: red brightness 128", 1, D, 4, 0, 0x0080FFFF, 0, none, 0x00FF0000, 0x00FF0000,
       0x007F0000},
      {"4: 565 red brightness 128", 0, D, 4, 0, 0x0080FFFF, 0, none, 0xF800, 0xF800, 0x7000},
      // Mode 10.
      {"10: black over black at 255", 1, D, 10, 255, W, 0, none, 0, 0x44000000, 0x44FEFEFE},
      {"10: white over white at 255", 1, D, 10, 255, W, 0, none, 0x00FFFFFF, 0x00FFFFFF, 0},
      {"10: black over black at 128", 1, D, 10, 128, W, 0, none, 0, 0, 0x007F7F7F},
      {"10: white over white at 128", 1, D, 10, 128, W, 0, none, 0x00FFFFFF, 0x00FFFFFF,
       0x007F7F7F},
      {"10: 565 complement at 255", 0, D, 10, 255, W, 0, none, 0, 0, 0xFFFF},
      {"10: 565 up at 128", 0, D, 10, 128, W, 0, none, 0, 0, 0x780F | 31u << 5},
      {"10: 565 down at 128", 0, D, 10, 128, W, 0, none, 0xFFFF, 0xFFFF, 0x8010 | 32u << 5},
      {"10: alpha 255 with the flag", 1, A, 10, 255, W, 1, none, 0xFF000000, 0, 0x00FEFEFE},
      {"10: alpha 255 without the flag", 1, A, 10, 255, W, 0, none, 0xFF000000, 0, 0x00FDFDFD},
      {"10: mask, alpha 255 with the flag", 1, A, 10, 255, W, 1, 255, 0xFF000000, 0, 0x00FDFDFD},
      {"10: mask, alpha 255 without the flag", 1, A, 10, 255, W, 0, 255, 0xFF000000, 0, 0x00FCFCFC},
      {"10: 565 alpha 255 with the flag", 0, A, 10, 255, W, 1, none, 0x00FF0000, 0, 0xFFFF},
      {"10: 565 alpha 255 without the flag", 0, A, 10, 255, W, 0, none, 0x00FF0000, 0,
       30u << 11 | 62u << 5 | 30u},
      {"10: alpha 0 with the flag", 1, A, 10, 255, W, 1, none, 0, 0x00123456, 0x00123456},
      {"10: 565 alpha 0 without the flag", 0, A, 10, 255, W, 0, none, 0, 0x1234, 0x1234},
      {"10: brightness 0 darkens a texture", 1, D, 10, 255, 0, 0, none, 0, 0x00FFFFFF, 0},
      {"10: brightness 0 lightens a flat colour", 1, F, 10, 255, 0, 0, none, 0x00FFFFFF, 0,
       0x00FEFEFE},
      // Mode 11.
      {"11: black source at 255", 1, D, 11, 255, W, 0, none, 0, 0x66FFFFFF, 0x66000000},
      {"11: white source at 255", 1, D, 11, 255, W, 0, none, 0x00FFFFFF, 0x00FF0100, 0x00FE0000},
      {"11: 565 white source at 255", 0, D, 11, 255, W, 0, none, 0xFFFF, 0xFFFF, 0xF7DE},
      {"11: white source at 1", 1, D, 11, 1, W, 0, none, 0x00FFFFFF, 0x00FF0100, 0x00FE0000},
      {"11: 565 white source at 1", 0, D, 11, 1, W, 0, none, 0xFFFF, 0xFFFF, 0xFFFF},
      {"11: rounds toward the product", 1, D, 11, 128, W, 0, none, 0x00000080, 0x00000002,
       0x00000001},
      {"11: 565 rounds toward the destination", 0, D, 11, 128, W, 0, none, 0x8000, 0x1000, 0x1000},
      {"11: alpha 255 with the flag", 1, A, 11, 171, W, 1, none, 0xFF000000, 0x00030303, 0},
      {"11: alpha 255 without the flag", 1, A, 11, 171, W, 0, none, 0xFF000000, 0x00030303,
       0x00010101},
      {"11: four factors", 1, A, 11, 255, W, 0, 255, 0xFF000000, 0x00FFFFFF, 0x00020202},
      {"11: four factors, alpha 254", 1, A, 11, 255, W, 0, 255, 0xFE000000, 0x00FFFFFF, 0x00030303},
      {"11: mask 255 white on white", 1, D, 11, 255, W, 0, 255, 0x00FFFFFF, 0x00FFFFFF, 0x00FEFEFE},
      {"11: alpha 128 black on 200", 1, A, 11, 255, W, 0, none, 0x80000000, 0x00C8C8C8, 0x00646464},
      {"11: 565 green with fraction bits", 0, A, 11, 200, W, 0, none, 0x00C80200, 2u << 5, 1u << 5},
      {"11: 565 green of the tinted twin", 0, A, 11, 200, 0x00FFFFFE, 0, none, 0x00C80200, 2u << 5,
       0},
  };
  TestImage masks[256];
  for (const auto &r : rows) {
    SCOPED_TRACE(r.name);
    SetTestDrawSettings({0, 0, 8, 8}, r.mode, r.p, r.brightness);
    const MEMIMG *mask = nullptr;
    if (r.mask >= 0) {
      TestImage &m = masks[r.mask];
      if (m.buffer.empty()) {
        m.Create(2, 2, 2, 0, 0, 0, 0, true);
        memset(m.buffer.data(), r.mask, m.buffer.size());
      }
      mask = &m.image;
    }
    const uint32_t got = r.kind == KIND_FLAT ? DrawOneFlatPixel(r.formatCode, r.s, r.d)
                                             : DrawOnePixel(r.formatCode, r.kind, r.s, r.d,
                                                            0x0BADBADu, r.flag, mask);
    EXPECT_EQ(got, r.want) << std::hex << "got 0x" << got << ", want 0x" << r.want;
  }
}

}  // namespace

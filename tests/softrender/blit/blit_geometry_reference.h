// Geometry models of the stretched and the rotated image draws: for every
// destination pixel, which source pixel it shows (if any). They follow the
// drawing rules step by step in their plainest form (a closed formula for
// the stretch, the literal 14.18 walk for the turn), independent of the
// kernels' tables and loops. Together with the per-pixel model of
// blit_reference.h they predict a whole destination buffer.
//
// Also the test images both suites draw with: MEMIMGs over buffers the test
// owns, with padding between rows so that stray writes show.
#ifndef VELVANE_TESTS_SOFTRENDER_BLIT_GEOMETRY_REFERENCE_H
#define VELVANE_TESTS_SOFTRENDER_BLIT_GEOMETRY_REFERENCE_H

#include <gtest/gtest.h>
#include <stddef.h>
#include <stdint.h>

#include <functional>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "graphics/draw/draw_settings.h"
#include "softrender/image/memimg.h"
#include "velvane.h"

// Which source pixel each destination pixel shows; -1 where none is drawn.
struct GeometryMap {
  int width = 0;
  int height = 0;
  int kernel = 0;  // RefKernel whose per-pixel forms apply
  std::vector<int> sourceX;
  std::vector<int> sourceY;

  void Reset(int w, int h, int refKernel);
  bool Shows(int x, int y) const { return sourceX[(size_t)y * width + x] >= 0; }
  void Set(int x, int y, int sx, int sy);
  int DrawnCount() const;
};

// The stretched draw of a sourceWidth x sourceHeight image into rect.
GeometryMap StretchedGeometry(const Rect &rect, int sourceWidth, int sourceHeight,
                              int destWidth, int destHeight, const Rect &clip);

// The rotated draw's scan road (no flip).
GeometryMap RotatedGeometry(int sourceWidth, int sourceHeight, int x, int y, float angle,
                            float scale, int destWidth, int destHeight, const Rect &clip);

// The eight corner ints the mirrored rotated draw hands to the quad draw.
void FlippedQuadPoints(int sourceWidth, int sourceHeight, int x, int y, float angle, float scale,
                       int points[8]);

// Kinds of source image the suites draw from.
enum TestSourceKind { TEST_SOURCE_DIRECT = 0, TEST_SOURCE_PALETTE = 1, TEST_SOURCE_ALPHA = 2 };

// A MEMIMG over a buffer of the test's own, pitch bytes per row plus slack.
struct TestImage {
  MEMIMG image = {};
  std::vector<uint8_t> buffer;

  TestImage() = default;
  TestImage(const TestImage &) = delete;
  TestImage &operator=(const TestImage &) = delete;
  ~TestImage();

  // Creates the image; pitch 0 picks bytes per pixel x width plus 6.
  // exactSize: pitch = bytes per pixel x width and no bytes after the last
  // pixel, so that a read past the image meets the sanitizer.
  void Create(int width, int height, int formatCode, int paletteFlag, int alphaFlag,
              uint32_t colorKey, int pitch = 0, bool exactSize = false);
};

// Fills every byte (padding too) with noise.
void FillNoise(TestImage *image, std::mt19937 *rng);
// A source of the given kind with noise pixels, some of them keyed (or
// alpha 0 and 255), and for palettes 256 noise entries.
void MakeSource(TestImage *image, int width, int height, int formatCode, int kind,
                std::mt19937 *rng, bool exactSize = false);
// A one-byte blend-mask image covering at least width x height.
void MakeMask(TestImage *image, int width, int height, std::mt19937 *rng,
              bool exactSize = false);

// The destination as the model predicts it after the draw: buffer is a copy
// of the destination's buffer taken before the draw; mask may be null.
void PredictDraw(const TestImage &dest, std::vector<uint8_t> *buffer, const MEMIMG *source,
                 const MEMIMG *mask, int transparencyFlag, const GeometryMap &map,
                 const DrawSettings &settings);

// The first differing byte of two buffers as "offset N (row R, byte B):
// got X, want Y", or an empty string when they are equal.
std::string FirstDifference(const std::vector<uint8_t> &got, const std::vector<uint8_t> &want,
                            int pitch);

// Draw settings for a test: the clip rectangle and the blend state.
void SetTestDrawSettings(const Rect &clip, int mode, int param, uint32_t brightness);

// One cell of a suite's matrix: pixel format, source kind and the index of
// a geometry case of the suite's own table.
struct BlitMatrixParam {
  int formatCode;
  int sourceKind;  // TestSourceKind
  int caseIndex;
};

void PrintTo(const BlitMatrixParam &param, std::ostream *out);

// Every format and source kind with each of caseCount cases.
std::vector<BlitMatrixParam> AllBlitMatrixParams(int caseCount);
// A test name such as "565PaletteMirroredX".
std::string BlitMatrixName(const BlitMatrixParam &param, const char *caseName);

// The same for a suite's table of cases (each with a name): the matrix's
// parameters, and its test names for INSTANTIATE_TEST_SUITE_P.
template <class Case, size_t N>
std::vector<BlitMatrixParam> AllBlitMatrixParams(const Case (&)[N]) {
  return AllBlitMatrixParams((int)N);
}
template <class Case, size_t N>
auto BlitMatrixNamer(const Case (&cases)[N]) {
  return [&cases](const testing::TestParamInfo<BlitMatrixParam> &info) {
    return BlitMatrixName(info.param, cases[info.param.caseIndex].name);
  };
}

// Blend tables as the suites use them: the mask map weighs bytes up to 63
// as 0, from 193 on as 255, with a ramp between.
void InitTestBlendTables(void);

// The matrix suites' fixture: those blend tables before each test.
class BlitMatrixTest : public testing::TestWithParam<BlitMatrixParam> {
 protected:
  void SetUp() override { InitTestBlendTables(); }
};

// Draws with every blend mode (refused ones too), parameter, blend-mask
// use, brightness and transparency flag into dest (refilled with noise
// before each draw) and compares the whole buffer with the prediction from
// map. draw(transparent, mask) makes the one call under test. Returns the
// first mismatch described, or an empty string.
std::string CheckAllBlendStates(TestImage *dest, const TestImage &source, const TestImage &mask,
                                const Rect &clip, const GeometryMap &map, std::mt19937 *rng,
                                const std::function<void(int, const MEMIMG *)> &draw);

#endif  // VELVANE_TESTS_SOFTRENDER_BLIT_GEOMETRY_REFERENCE_H

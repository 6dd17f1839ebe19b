#include <gtest/gtest.h>
#include <string.h>

#include "softrender/image/blend_tables.h"

namespace {

class BlendTablesTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    // Start from garbage so that an entry the init misses shows up.
    memset(g_memImgBlendTables.interp, 0xEE, sizeof(g_memImgBlendTables.interp));
    memset(g_memImgBlendTables.mul, 0xEE, sizeof(g_memImgBlendTables.mul));
    memset(g_memImgBlendTables.mulSigned, 0xEE, sizeof(g_memImgBlendTables.mulSigned));
    EXPECT_EQ(0, MemImgInitTables());
  }
  const MemImgBlendTables &t = g_memImgBlendTables;
};

TEST_F(BlendTablesTest, ProductTableEveryEntry) {
  int wrong = 0;
  for (int i = 0; i < 256; ++i) {
    for (int j = 0; j < 256; ++j) wrong += t.mul[i][j] != static_cast<int>(static_cast<double>(i * j) / 255.0);
  }
  EXPECT_EQ(0, wrong);
  for (int j = 0; j < 256; ++j) {
    EXPECT_EQ(j, t.mul[255][j]);
    EXPECT_EQ(0, t.mul[j][0]);
  }
  EXPECT_EQ(128, t.mul[128][255]);
  EXPECT_EQ(0, t.mul[254][1]);
}

TEST_F(BlendTablesTest, SignedProductTableEveryEntryTruncatesTowardZero) {
  int wrong = 0;
  for (int p = 0; p < 256; ++p) {
    const int32_t *row = MemImgMulSignedRow(p);
    for (int d = -255; d <= 255; ++d) {
      const int magnitude = p * (d < 0 ? -d : d) / 255;
      wrong += row[d] != (d < 0 ? -magnitude : magnitude);
      wrong += t.mulSigned[p][d + 255] != row[d];
    }
  }
  EXPECT_EQ(0, wrong);
  for (int d = -255; d <= 255; ++d) EXPECT_EQ(d, MemImgMulSignedRow(255)[d]);
  EXPECT_EQ(0, MemImgMulSignedRow(1)[254]);
  EXPECT_EQ(-128, MemImgMulSignedRow(128)[-255]);
  EXPECT_EQ(0, MemImgMulSignedRow(77)[0]);
}

TEST_F(BlendTablesTest, InterpolationCubeEveryEntry) {
  int wrong = 0;
  for (int k = 0; k < 64; ++k) {
    for (int s = 0; s < 64; ++s) {
      for (int d = 0; d < 64; ++d) {
        const double exact = (k * s + (63 - k) * d) / 63.0;
        wrong += t.interp[k][s][d] != static_cast<int>(exact + 1e-9);
      }
    }
  }
  EXPECT_EQ(0, wrong);
  EXPECT_EQ(32, t.interp[32][63][0]);
  EXPECT_EQ(32, t.interp[31][0][63]);
  EXPECT_EQ(17, t.interp[63][17][40]);
  EXPECT_EQ(40, t.interp[0][17][40]);
  // The cube is laid out k x 4096 + s x 64 + d.
  EXPECT_EQ(&t.interp[0][0][0] + 5 * 4096 + 6 * 64 + 7, &t.interp[5][6][7]);
}

int ExpectedMaskEntry(int b, int r, int v) {
  const int q = 65536 / (r + 1);
  const int shift = b * (q + 256) / 256;
  const int value = v * 256 / (r + 1) + 256 - shift;
  return value < 0 ? 0 : (value > 255 ? 255 : value);
}

TEST(BlendBorderTest, EveryParameterAndRangeMatchesTheRamp) {
  int wrong = 0;
  for (int b = 0; b < 256; ++b) {
    for (int r = 0; r < 256; ++r) {
      MemImgSetBlendBorder(b, r);
      for (int v = 0; v < 256; ++v) wrong += g_memImgBlendTables.blendMaskMap[v] != ExpectedMaskEntry(b, r, v);
    }
  }
  EXPECT_EQ(0, wrong);
}

TEST(BlendBorderTest, KnownMaps) {
  const uint8_t *m = g_memImgBlendTables.blendMaskMap;
  for (int r : {0, 17, 255}) {
    MemImgSetBlendBorder(0, r);
    for (int v = 0; v < 256; ++v) ASSERT_EQ(255, m[v]) << r;
  }
  MemImgSetBlendBorder(255, 255);
  EXPECT_EQ(1, m[255]);
  for (int v = 0; v < 255; ++v) ASSERT_EQ(0, m[v]) << v;
  MemImgSetBlendBorder(128, 0);
  EXPECT_EQ(0, m[127]);
  EXPECT_EQ(128, m[128]);
  EXPECT_EQ(255, m[129]);
  EXPECT_EQ(0, m[0]);
  EXPECT_EQ(255, m[255]);
  // Out-of-range arguments behave as the nearest valid ones.
  MemImgSetBlendBorder(-5, 300);
  for (int v = 0; v < 256; ++v) ASSERT_EQ(255, m[v]);
}

}  // namespace

#include <gtest/gtest.h>
#include <limits.h>
#include <string.h>

#include <string>
#include <vector>

#include "core/debug/memory.h"
#include "graphics/images/base_image.h"
#include "leak_check.h"
#include "velvane.h"

namespace {

// ---------------------------------------------------------------------------
// Test images
// ---------------------------------------------------------------------------

struct StdFormat {
  const char *name;
  int bits;
  uint32_t red, green, blue, alpha;
};

const StdFormat kPal8 = {"pal8", 8, 0xFF0000, 0xFF00, 0xFF, 0};
const StdFormat kRgb24 = {"rgb24", 24, 0xFF0000, 0xFF00, 0xFF, 0};
const StdFormat kXrgb32 = {"xrgb32", 32, 0xFF0000, 0xFF00, 0xFF, 0};
const StdFormat kArgb32 = {"argb32", 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000};
const StdFormat kRgb565 = {"rgb565", 16, 0xF800, 0x07E0, 0x001F, 0};
const StdFormat kXrgb1555 = {"xrgb1555", 16, 0x7C00, 0x03E0, 0x001F, 0};
const StdFormat kArgb1555 = {"argb1555", 16, 0x7C00, 0x03E0, 0x001F, 0x8000};
const StdFormat kArgb4444 = {"argb4444", 16, 0x0F00, 0x00F0, 0x000F, 0xF000};

const StdFormat kAllFormats[] = {kPal8,    kRgb24,    kXrgb32,   kArgb32,
                                 kRgb565,  kXrgb1555, kArgb1555, kArgb4444};

uint32_t Lcg(uint32_t *state) {
  *state = *state * 1664525u + 1013904223u;
  return *state >> 8;
}

struct TestImage {
  PixelFormat format;
  int width = 0, height = 0, pitch = 0;
  std::vector<uint8_t> bytes;

  TestImage(const StdFormat &f, int w, int h, uint32_t seed) : width(w), height(h) {
    memset(&format, 0, sizeof(format));
    MakePixelFormatFromMasks(&format, f.bits, f.red, f.green, f.blue, f.alpha);
    pitch = w * (f.bits / 8) + 3;  // an odd pitch catches row-step mistakes
    bytes.assign(static_cast<size_t>(pitch) * h, 0);
    uint32_t state = seed;
    for (auto &b : bytes) b = static_cast<uint8_t>(Lcg(&state));
    for (int i = 0; i < 256; ++i) {
      for (int c = 0; c < 3; ++c) format.palette[i][c] = static_cast<uint8_t>(Lcg(&state));
    }
  }
  int Bytes() const { return format.bytesPerPixel; }
  uint8_t *At(int x, int y) { return bytes.data() + y * pitch + x * Bytes(); }
  uint32_t Get(int x, int y) { return ReadRawPixel(At(x, y), Bytes()); }
  void Set(int x, int y, uint32_t v) { WriteRawPixel(At(x, y), Bytes(), v); }
};

// ---------------------------------------------------------------------------
// Reference conversion, one pixel at a time, from the channel masks alone
// ---------------------------------------------------------------------------

struct RefChannel {
  int shift = 0, bits = 0;
  explicit RefChannel(uint32_t mask) {
    if (!mask) return;
    while (!(mask & 1)) {
      mask >>= 1;
      ++shift;
    }
    while (mask & 1) {
      mask >>= 1;
      ++bits;
    }
  }
  uint32_t Max() const { return (1u << bits) - 1; }
  uint32_t Get(uint32_t v) const { return bits ? (v >> shift) & Max() : 0; }
};

int NearestIndex(const PixelFormat &f, int r, int g, int b) {
  int best = 0, bestDistance = 0x7FFFFFFF;
  for (int i = 0; i < 256; ++i) {
    const int db = f.palette[i][0] - b, dg = f.palette[i][1] - g, dr = f.palette[i][2] - r;
    const int d = dr * dr + dg * dg + db * db;
    if (d < bestDistance) {
      best = i;
      bestDistance = d;
    }
  }
  return best;
}

// The fast conversions widen by shifting alone: 5-6-5 into 24 and 32 bits
// (into 32 bits with alpha when the key becomes alpha), 5-5-5 into 5-6-5.
bool WidensByShift(const StdFormat &src, const StdFormat &dst, bool keyToAlpha) {
  const std::string s = src.name, d = dst.name;
  return (s == "rgb565" && (d == "rgb24" || d == "xrgb32")) ||
         (s == "rgb565" && d == "argb32" && keyToAlpha) || (s == "xrgb1555" && d == "rgb565");
}

uint32_t RefResize(uint32_t v, int from, int to, bool shiftOnly) {
  if (to <= from) return v >> (from - to);
  if (shiftOnly) return v << (to - from);
  return static_cast<uint32_t>(static_cast<uint64_t>(v) * ((1u << to) - 1) / ((1u << from) - 1));
}

uint32_t ReferencePixel(const StdFormat &sf, const PixelFormat &src, const StdFormat &df,
                        const PixelFormat &dst, uint32_t raw, bool keyToAlpha = false) {
  if (df.bits == 8) {
    if (sf.bits == 8) return raw;
    int r, g, b;
    UnpackPixelColor(&src, raw, &r, &g, &b, nullptr);
    return static_cast<uint32_t>(NearestIndex(dst, r, g, b));
  }
  if (sf.bits == df.bits && sf.red == df.red && sf.green == df.green && sf.blue == df.blue &&
      sf.alpha == df.alpha) {
    return raw;
  }
  uint32_t value = raw;
  if (sf.bits == 8) {
    const uint8_t *e = src.palette[raw];
    value = e[0] | e[1] << 8 | e[2] << 16 | static_cast<uint32_t>(e[3]) << 24;
  }
  const RefChannel s[4] = {RefChannel(sf.red), RefChannel(sf.green), RefChannel(sf.blue),
                           RefChannel(sf.alpha)};
  const RefChannel d[4] = {RefChannel(df.red), RefChannel(df.green), RefChannel(df.blue),
                           RefChannel(df.alpha)};
  const bool resize = s[0].bits != d[0].bits || s[1].bits != d[1].bits;
  uint32_t out = 0;
  for (int i = 0; i < 4; ++i) {
    uint32_t c;
    if (i == 3 && !s[3].bits) {
      c = d[3].Max();
    } else {
      c = s[i].Get(value);
      if (resize) c = RefResize(c, s[i].bits, d[i].bits, WidensByShift(sf, df, keyToAlpha));
    }
    if (c > d[i].Max()) c = d[i].Max();
    out |= d[i].bits ? c << d[i].shift : 0;
  }
  const uint32_t all = df.bits == 32 ? 0xFFFFFFFFu : (1u << df.bits) - 1;
  const uint32_t fill = all & ~(df.red | df.green | df.blue | df.alpha);
  return df.bits == 24 ? out : out | fill;
}

int Convert(TestImage &dst, int dx, int dy, TestImage &src, Rect rect, int mirror = 0,
            int keyToAlpha = 0, uint32_t key = 0, int dither = 0, int colorOff = 0,
            int redToAlpha = 0, int keySkip = 0, int remap = 0) {
  return BlitWithFormatConversion(dst.bytes.data(), dst.pitch, &dst.format, src.bytes.data(),
                                  src.pitch, &src.format, nullptr, 0, nullptr, dx, dy, &rect,
                                  mirror, keyToAlpha, key, dither, colorOff, redToAlpha,
                                  keySkip, remap);
}

// ---------------------------------------------------------------------------
// Every pair of standard formats
// ---------------------------------------------------------------------------

TEST(FormatConversionTest, EveryPairMatchesThePerPixelReference) {
  for (const StdFormat &sf : kAllFormats) {
    for (const StdFormat &df : kAllFormats) {
      SCOPED_TRACE(std::string(sf.name) + " -> " + df.name);
      TestImage src(sf, 7, 5, 1234);
      TestImage dst(df, 9, 6, 99);
      const std::vector<uint8_t> before = dst.bytes;
      const Rect rect = {1, 1, 6, 5};  // 5 x 4 from (1, 1)
      const int result = Convert(dst, 2, 1, src, rect);
      int highest = 0;
      for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 9; ++x) {
          const bool inside = x >= 2 && x < 7 && y >= 1 && y < 5;
          if (!inside) {
            EXPECT_EQ(0, memcmp(dst.At(x, y), before.data() + (dst.At(x, y) - dst.bytes.data()),
                                static_cast<size_t>(dst.Bytes())))
                << "outside pixel " << x << "," << y << " was written";
            continue;
          }
          const uint32_t raw = src.Get(x - 1, y);
          if (raw > static_cast<uint32_t>(highest) && sf.bits == 8) highest = static_cast<int>(raw);
          ASSERT_EQ(ReferencePixel(sf, src.format, df, dst.format, raw), dst.Get(x, y))
              << std::hex << "source 0x" << raw << " at " << std::dec << x << "," << y;
        }
      }
      EXPECT_EQ(sf.bits == 8 && df.bits == 8 ? highest : 0, result);
    }
  }
}

// The common pairs over many pixels (every 16-bit value, every index, a
// spread of 24- and 32-bit values), from an odd column so that rows start
// unaligned, with and without key-to-alpha where the pair has it: each
// pixel is the reference's, alpha 0 exactly where the colour is the key's,
// and nothing outside the rectangle is written.
TEST(FormatConversionTest, CommonPairsConvertEveryPixelAsTheReference) {
  struct Pair {
    const StdFormat *src, *dst;
    int keyToAlpha;
  };
  const Pair pairs[] = {
      {&kPal8, &kRgb565, 0},      {&kPal8, &kXrgb1555, 0},     {&kPal8, &kXrgb32, 0},
      {&kPal8, &kArgb1555, 1},    {&kPal8, &kArgb32, 1},       {&kRgb24, &kRgb565, 0},
      {&kRgb24, &kXrgb1555, 0},   {&kRgb24, &kXrgb32, 0},      {&kRgb24, &kArgb32, 0},
      {&kRgb24, &kArgb1555, 1},   {&kRgb24, &kArgb32, 1},      {&kXrgb32, &kRgb565, 0},
      {&kRgb565, &kRgb24, 0},     {&kRgb565, &kXrgb32, 0},     {&kRgb565, &kXrgb1555, 0},
      {&kRgb565, &kArgb1555, 1},  {&kRgb565, &kArgb32, 1},     {&kXrgb1555, &kRgb565, 0},
  };
  const uint32_t key = 0x00FF00FF;
  for (const Pair &p : pairs) {
    SCOPED_TRACE(std::string(p.src->name) + " -> " + p.dst->name +
                 (p.keyToAlpha ? " with key to alpha" : ""));
    const int w = 259, h = p.src->bits == 8 ? 2 : 256;
    TestImage src(*p.src, w, h, 77), dst(*p.dst, w, h, 5);
    if (p.src->bits == 8) {
      src.format.palette[7][0] = src.format.palette[7][2] = 255;  // the key, magenta
      src.format.palette[7][1] = 0;
      for (int x = 0; x < w; ++x) src.Set(x, 0, static_cast<uint32_t>(x & 0xFF));
    } else if (p.src->bits == 16) {
      for (int y = 0; y < h; ++y)
        for (int x = 1; x < 257; ++x) src.Set(x, y, static_cast<uint32_t>(y << 8 | (x - 1)));
    } else {
      src.Set(5, 5, key);
    }
    const std::vector<uint8_t> before = dst.bytes;
    ASSERT_EQ(0, Convert(dst, 0, 0, src, Rect{1, 0, w, h}, 0, p.keyToAlpha, key));
    const uint32_t keyColour = p.src->bits == 8 ? 0 : PackColorToPixel(&src.format, 255, 0, 255, 0);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w - 1; ++x) {
        const uint32_t raw = src.Get(x + 1, y);
        uint32_t expected = ReferencePixel(*p.src, src.format, *p.dst, dst.format, raw, p.keyToAlpha != 0);
        const bool isKey = p.src->bits == 8 ? raw == 7
                                            : (raw & (p.src->red | p.src->green | p.src->blue)) ==
                                                  (keyColour & (p.src->red | p.src->green | p.src->blue));
        if (p.keyToAlpha && isKey) expected &= ~p.dst->alpha;
        ASSERT_EQ(expected, dst.Get(x, y)) << std::hex << "source 0x" << raw << std::dec << " at "
                                           << x << "," << y;
      }
      const size_t last = static_cast<size_t>(dst.At(w - 1, y) - dst.bytes.data());
      EXPECT_EQ(0, memcmp(dst.bytes.data() + last, before.data() + last,
                          static_cast<size_t>(dst.pitch - (w - 1) * dst.Bytes())))
          << "past the row " << y;
    }
  }
}

// Palette entries in another layout (red at the bottom, or an alpha of
// their own) are read through their masks on the common pairs too: a row
// of every index, twice over, is past the palette table's size limit.
TEST(FormatConversionTest, PaletteEntriesInOtherLayoutsFollowTheirMasks) {
  const StdFormat redLow = {"pal8 red at the bottom", 8, 0xFF, 0xFF00, 0xFF0000, 0};
  const StdFormat entryAlpha = {"pal8 entry alpha", 8, 0xFF0000, 0xFF00, 0xFF, 0xFF000000};
  struct Case {
    const StdFormat *src, *dst;
    int keyToAlpha;
  };
  const Case cases[] = {{&redLow, &kRgb565, 0},
                        {&redLow, &kXrgb32, 0},
                        {&entryAlpha, &kArgb1555, 1},
                        {&entryAlpha, &kArgb32, 1}};
  for (const Case &c : cases) {
    SCOPED_TRACE(std::string(c.src->name) + " -> " + c.dst->name);
    const int w = 512;
    TestImage src(*c.src, w, 1, 41), dst(*c.dst, w, 1, 6);
    for (int i = 0; i < 256; ++i) src.format.palette[i][3] = static_cast<uint8_t>(i * 37);
    for (int x = 0; x < w; ++x) src.Set(x, 0, static_cast<uint32_t>(x & 0xFF));
    ASSERT_EQ(0, Convert(dst, 0, 0, src, Rect{0, 0, w, 1}, 0, c.keyToAlpha, 0x00FF00FF));
    for (int x = 0; x < w; ++x) {
      ASSERT_EQ(ReferencePixel(*c.src, src.format, *c.dst, dst.format, src.Get(x, 0)),
                dst.Get(x, 0))
          << "index " << x;
    }
  }
}

TEST(FormatConversionTest, MirroringRunsTheDestinationRightToLeft) {
  const StdFormat *pairs[][2] = {{&kRgb24, &kRgb565}, {&kXrgb32, &kXrgb32}, {&kPal8, &kPal8},
                                 {&kArgb4444, &kArgb32}};
  for (const auto &pair : pairs) {
    SCOPED_TRACE(std::string(pair[0]->name) + " -> " + pair[1]->name);
    TestImage src(*pair[0], 4, 2, 5);
    TestImage plain(*pair[1], 4, 2, 6), mirrored(*pair[1], 4, 2, 6);
    const Rect rect = {0, 0, 4, 2};
    Convert(plain, 0, 0, src, rect);
    Convert(mirrored, 0, 0, src, rect, 1);
    for (int y = 0; y < 2; ++y) {
      for (int x = 0; x < 4; ++x) EXPECT_EQ(plain.Get(x, y), mirrored.Get(3 - x, y));
    }
  }
}

TEST(FormatConversionTest, FastPathLeavesLowBitsZeroWhileDitheringReplicates) {
  TestImage src(kRgb24, 1, 1, 0), mid(kRgb565, 1, 1, 0), back(kRgb24, 1, 1, 0);
  src.Set(0, 0, 0xFFFFFF);
  const Rect one = {0, 0, 1, 1};
  Convert(mid, 0, 0, src, one);
  EXPECT_EQ(0xFFFFu, mid.Get(0, 0));
  Convert(back, 0, 0, mid, one);
  EXPECT_EQ(0xF8FCF8u, back.Get(0, 0));
  Convert(back, 0, 0, mid, one, 0, 0, 0, 1);
  EXPECT_EQ(0xFFFFFFu, back.Get(0, 0));
  // 5-5-5 to 5-6-5 on the fast path: green gets a zero low bit.
  TestImage x555(kXrgb1555, 1, 1, 0), to565(kRgb565, 1, 1, 0);
  x555.Set(0, 0, 0x7FFF);
  Convert(to565, 0, 0, x555, one);
  EXPECT_EQ(0xFFDFu, to565.Get(0, 0));
}

TEST(FormatConversionTest, OrderedDitherAddsAUnitWhereTheMatrixSaysSo) {
  TestImage src(kXrgb32, 4, 2, 0), dst(kRgb565, 4, 2, 0);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 4; ++x) src.Set(x, y, 0x00000084);  // blue 0x84: 16 units + 4 dropped
  }
  Convert(dst, 0, 0, src, Rect{0, 0, 4, 2}, 0, 0, 0, 1);
  // Row 0 thresholds 0, 4, 1, 5 (from 0, 8, 2, 10); row 1: 6, 2, 7, 3.
  const int expectRow0[4] = {17, 16, 17, 16};
  const int expectRow1[4] = {16, 17, 16, 17};
  for (int x = 0; x < 4; ++x) {
    EXPECT_EQ(expectRow0[x], static_cast<int>(dst.Get(x, 0) & 0x1F)) << x;
    EXPECT_EQ(expectRow1[x], static_cast<int>(dst.Get(x, 1) & 0x1F)) << x;
  }
}

TEST(FormatConversionTest, CarriedErrorDitherAccumulatesDroppedBits) {
  TestImage src(kXrgb32, 4, 1, 0), dst(kRgb565, 4, 1, 0);
  for (int x = 0; x < 4; ++x) src.Set(x, 0, 0x00000084);
  Convert(dst, 0, 0, src, Rect{0, 0, 4, 1}, 0, 0, 0, 2);
  const int expect[4] = {16, 17, 16, 17};
  for (int x = 0; x < 4; ++x) EXPECT_EQ(expect[x], static_cast<int>(dst.Get(x, 0) & 0x1F)) << x;
}

TEST(FormatConversionTest, DitheringNeverOverflowsAChannel) {
  TestImage src(kXrgb32, 4, 4, 0), dst(kRgb565, 4, 4, 0);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) src.Set(x, y, 0x00FFFFFF);
  }
  for (int mode = 1; mode <= 2; ++mode) {
    Convert(dst, 0, 0, src, Rect{0, 0, 4, 4}, 0, 0, 0, mode);
    for (int y = 0; y < 4; ++y) {
      for (int x = 0; x < 4; ++x) EXPECT_EQ(0xFFFFu, dst.Get(x, y)) << mode;
    }
  }
}

TEST(FormatConversionTest, KeySkippingLeavesKeyPixelsUnwritten) {
  // Same layout (raw comparison) and general path (masked comparison).
  TestImage src(kXrgb32, 3, 1, 0);
  src.Set(0, 0, 0xFF00FF00);
  src.Set(1, 0, 0xFFFF00FF);
  src.Set(2, 0, 0xFF0000FF);
  TestImage same(kXrgb32, 3, 1, 0);
  memset(same.bytes.data(), 0, same.bytes.size());
  Convert(same, 0, 0, src, Rect{0, 0, 3, 1}, 0, 0, 0xFFFF00FF, 0, 0, 0, 1);
  EXPECT_EQ(0xFF00FF00u, same.Get(0, 0));
  EXPECT_EQ(0u, same.Get(1, 0));
  EXPECT_EQ(0xFF0000FFu, same.Get(2, 0));

  TestImage argb(kArgb32, 3, 1, 0);
  memset(argb.bytes.data(), 0, argb.bytes.size());
  Convert(argb, 0, 0, src, Rect{0, 0, 3, 1}, 0, 0, 0x00FF00FF, 0, 0, 0, 1);
  EXPECT_EQ(0xFF00FF00u, argb.Get(0, 0));
  EXPECT_EQ(0u, argb.Get(1, 0));
  EXPECT_EQ(0xFF0000FFu, argb.Get(2, 0));

  // Mirrored same-layout copies honour the key as well.
  memset(same.bytes.data(), 0, same.bytes.size());
  Convert(same, 0, 0, src, Rect{0, 0, 3, 1}, 1, 0, 0xFFFF00FF, 0, 0, 0, 1);
  EXPECT_EQ(0xFF0000FFu, same.Get(0, 0));
  EXPECT_EQ(0u, same.Get(1, 0));
  EXPECT_EQ(0xFF00FF00u, same.Get(2, 0));
}

TEST(FormatConversionTest, KeySkippingAnEightBitSourceComparesTheIndex) {
  TestImage src(kPal8, 3, 1, 0), dst(kXrgb32, 3, 1, 0);
  src.Set(0, 0, 5);
  src.Set(1, 0, 6);
  src.Set(2, 0, 5);
  memset(dst.bytes.data(), 0, dst.bytes.size());
  Convert(dst, 0, 0, src, Rect{0, 0, 3, 1}, 0, 0, 5, 0, 0, 0, 1);
  EXPECT_EQ(0u, dst.Get(0, 0));
  EXPECT_NE(0u, dst.Get(1, 0));
  EXPECT_EQ(0u, dst.Get(2, 0));
}

TEST(FormatConversionTest, KeyToAlphaInTheSameColourLayout) {
  TestImage src(kXrgb32, 2, 1, 0), dst(kArgb32, 2, 1, 0);
  src.Set(0, 0, 0x00FF00FF);
  src.Set(1, 0, 0x00123456);
  Convert(dst, 0, 0, src, Rect{0, 0, 2, 1}, 0, 1, 0x00FF00FF);
  EXPECT_EQ(0x00FF00FFu, dst.Get(0, 0));
  EXPECT_EQ(0xFF123456u, dst.Get(1, 0));
}

TEST(FormatConversionTest, KeyToAlphaOnTheFastAndGeneralPaths) {
  const StdFormat *sources[] = {&kRgb565, &kRgb24, &kPal8};
  const StdFormat *dests[] = {&kArgb1555, &kArgb32, &kArgb4444};
  for (const StdFormat *sf : sources) {
    for (const StdFormat *df : dests) {
      SCOPED_TRACE(std::string(sf->name) + " -> " + df->name);
      TestImage src(*sf, 2, 1, 3), dst(*df, 2, 1, 0);
      if (sf->bits == 8) {
        memset(src.format.palette, 0, sizeof(src.format.palette));
        src.format.palette[1][0] = src.format.palette[1][2] = 255;  // magenta
        src.format.palette[2][1] = 200;
        src.Set(0, 0, 1);
        src.Set(1, 0, 2);
      } else {
        src.Set(0, 0, PackColorToPixel(&src.format, 255, 0, 255, 0));
        src.Set(1, 0, PackColorToPixel(&src.format, 0, 200, 0, 0));
      }
      Convert(dst, 0, 0, src, Rect{0, 0, 2, 1}, 0, 1, 0x00FF00FF);
      EXPECT_EQ(0u, dst.Get(0, 0) & dst.format.alphaMask);
      EXPECT_EQ(dst.format.alphaMask, dst.Get(1, 0) & dst.format.alphaMask);
    }
  }
}

TEST(FormatConversionTest, AlphaComesFromTheAlphaImage) {
  TestImage src(kXrgb32, 2, 1, 0), gray(kPal8, 2, 1, 0), dst(kArgb32, 2, 1, 0);
  MakeGray8PixelFormat(&gray.format);
  src.Set(0, 0, 0x112233);
  src.Set(1, 0, 0x445566);
  gray.Set(0, 0, 0x80);
  gray.Set(1, 0, 0x00);
  const Rect rect = {0, 0, 2, 1};
  ASSERT_EQ(0, BlitWithFormatConversion(dst.bytes.data(), dst.pitch, &dst.format,
                                        src.bytes.data(), src.pitch, &src.format,
                                        gray.bytes.data(), gray.pitch, &gray.format, 0, 0, &rect,
                                        0, 1, 0x112233, 0, 0, 0, 0, 0));
  // Key-to-alpha gives way to the alpha image.
  EXPECT_EQ(0x80112233u, dst.Get(0, 0));
  EXPECT_EQ(0x00445566u, dst.Get(1, 0));

  // A 4-bit alpha image channel is widened to the destination's 8 bits.
  TestImage a4(kArgb4444, 2, 1, 0);
  a4.Set(0, 0, 0x0F00);
  a4.Set(1, 0, 0x0800);
  ASSERT_EQ(0, BlitWithFormatConversion(dst.bytes.data(), dst.pitch, &dst.format,
                                        src.bytes.data(), src.pitch, &src.format,
                                        a4.bytes.data(), a4.pitch, &a4.format, 0, 0, &rect, 0, 0,
                                        0, 0, 0, 0, 0, 0));
  EXPECT_EQ(0xFF112233u, dst.Get(0, 0));
  EXPECT_EQ(0x88445566u, dst.Get(1, 0));
}

// Equal layouts copy raw even with an alpha image: its alpha would go only
// to a destination with alpha from a source without, and equal layouts have
// alpha on both sides or on neither. The raw copy keeps the fill byte.
TEST(FormatConversionTest, SameLayoutWithAnUnusedAlphaImageCopiesRaw) {
  TestImage gray(kPal8, 2, 1, 0);
  MakeGray8PixelFormat(&gray.format);
  gray.Set(0, 0, 0x80);
  gray.Set(1, 0, 0x00);
  const Rect rect = {0, 0, 2, 1};
  for (const StdFormat *f : {&kXrgb32, &kArgb32}) {
    SCOPED_TRACE(f->name);
    TestImage src(*f, 2, 1, 0), dst(*f, 2, 1, 0);
    src.Set(0, 0, 0x12345678);
    src.Set(1, 0, 0x00ABCDEF);
    ASSERT_EQ(0, BlitWithFormatConversion(dst.bytes.data(), dst.pitch, &dst.format,
                                          src.bytes.data(), src.pitch, &src.format,
                                          gray.bytes.data(), gray.pitch, &gray.format, 0, 0,
                                          &rect, 0, 0, 0, 0, 0, 0, 0, 0));
    EXPECT_EQ(0x12345678u, dst.Get(0, 0));
    EXPECT_EQ(0x00ABCDEFu, dst.Get(1, 0));
  }
}

PixelFormat SingleChannelFormat(int bits) {
  PixelFormat f = {};
  const uint32_t mask = bits == 8 ? 0xFF : 0xFFFF;
  f.bitsPerPixel = static_cast<uint16_t>(bits);
  f.bytesPerPixel = static_cast<uint16_t>(bits / 8);
  f.redBits = f.greenBits = f.blueBits = f.alphaBits = static_cast<uint8_t>(bits);
  f.redMask = f.greenMask = f.blueMask = f.alphaMask = mask;
  return f;
}

TEST(FormatConversionTest, SingleChannelDestinationsTakeTheSourceRed) {
  TestImage src(kXrgb32, 3, 1, 0);
  src.Set(0, 0, 0x00FF0000);
  src.Set(1, 0, 0x0080FFFF);
  src.Set(2, 0, 0x0000FFFF);
  const Rect rect = {0, 0, 3, 1};
  for (int bits : {8, 16}) {
    const PixelFormat f = SingleChannelFormat(bits);
    uint8_t out[6] = {};
    ASSERT_EQ(0, BlitWithFormatConversion(out, 6, &f, src.bytes.data(), src.pitch, &src.format,
                                          nullptr, 0, nullptr, 0, 0, &rect, 0, 0, 0, 0, 1, 1, 0,
                                          0));
    if (bits == 8) {
      EXPECT_EQ(0xFF, out[0]);
      EXPECT_EQ(0x80, out[1]);
      EXPECT_EQ(0x00, out[2]);
    } else {
      EXPECT_EQ(0xFFFFu, ReadRawPixel(out, 2));
      EXPECT_EQ(0x8080u, ReadRawPixel(out + 2, 2));
      EXPECT_EQ(0u, ReadRawPixel(out + 4, 2));
    }
  }
  // A palette source gives its entries' red.
  TestImage gray(kPal8, 2, 1, 0);
  MakeGray8PixelFormat(&gray.format);
  gray.Set(0, 0, 7);
  gray.Set(1, 0, 250);
  const PixelFormat f8 = SingleChannelFormat(8);
  uint8_t out[2] = {};
  const Rect two = {0, 0, 2, 1};
  ASSERT_EQ(0, BlitWithFormatConversion(out, 2, &f8, gray.bytes.data(), gray.pitch, &gray.format,
                                        nullptr, 0, nullptr, 0, 0, &two, 0, 0, 0, 0, 1, 1, 0, 0));
  EXPECT_EQ(7, out[0]);
  EXPECT_EQ(250, out[1]);
}

TEST(FormatConversionTest, SixteenBitChannelsNarrowByShifting) {
  const PixelFormat f16 = SingleChannelFormat(16);
  uint8_t src[4];
  WriteRawPixel(src, 2, 0xABCD);
  WriteRawPixel(src + 2, 2, 0x00FF);
  TestImage dst(kXrgb32, 2, 1, 0);
  const Rect rect = {0, 0, 2, 1};
  ASSERT_EQ(0, BlitWithFormatConversion(dst.bytes.data(), dst.pitch, &dst.format, src, 4, &f16,
                                        nullptr, 0, nullptr, 0, 0, &rect, 0, 0, 0, 0, 0, 0, 0,
                                        0));
  EXPECT_EQ(0xFFABABABu, dst.Get(0, 0));
  EXPECT_EQ(0xFF000000u, dst.Get(1, 0));
}

TEST(FormatConversionTest, PaletteRemapPicksTheNearestDestinationEntry) {
  TestImage src(kPal8, 2, 1, 0), dst(kPal8, 2, 1, 0);
  MakeGray8PixelFormat(&dst.format);
  memset(src.format.palette, 0, sizeof(src.format.palette));
  src.format.palette[3][0] = src.format.palette[3][1] = src.format.palette[3][2] = 100;
  src.format.palette[4][0] = src.format.palette[4][1] = src.format.palette[4][2] = 201;
  src.Set(0, 0, 3);
  src.Set(1, 0, 4);
  EXPECT_EQ(0, Convert(dst, 0, 0, src, Rect{0, 0, 2, 1}, 0, 0, 0, 0, 0, 0, 0, 1));
  EXPECT_EQ(100u, dst.Get(0, 0));
  EXPECT_EQ(201u, dst.Get(1, 0));

  // With identical palettes the indices are copied and the highest reported.
  memcpy(src.format.palette, dst.format.palette, sizeof(dst.format.palette));
  EXPECT_EQ(4, Convert(dst, 0, 0, src, Rect{0, 0, 2, 1}, 0, 0, 0, 0, 0, 0, 0, 1));
  EXPECT_EQ(3u, dst.Get(0, 0));
}

TEST(FormatConversionTest, QuantisingScalesNarrowChannelsBeforeTheSearch) {
  TestImage src(kRgb565, 1, 1, 0), dst(kPal8, 1, 1, 0);
  MakeGray8PixelFormat(&dst.format);
  src.Set(0, 0, 0xFFFF);
  Convert(dst, 0, 0, src, Rect{0, 0, 1, 1});
  EXPECT_EQ(255u, dst.Get(0, 0));
}

TEST(FormatConversionTest, EmptyRectanglesAndUnusableFormatsAreRefused) {
  TestImage src(kXrgb32, 4, 4, 1), dst(kXrgb32, 4, 4, 2);
  const std::vector<uint8_t> before = dst.bytes;
  EXPECT_EQ(-1, Convert(dst, 0, 0, src, Rect{2, 0, 2, 4}));
  EXPECT_EQ(-1, Convert(dst, 0, 0, src, Rect{0, 3, 4, 1}));

  struct Broken {
    const char *why;
    int bits;
    uint32_t red, green, blue, alpha;
  };
  const Broken broken[] = {
      {"non-contiguous mask", 16, 0xF0F0, 0x0F00, 0x000F, 0},
      {"channel wider than 16 bits", 32, 0xFFFFFF, 0, 0, 0},
      {"mask beyond the pixel", 16, 0xFF0000, 0xFF00, 0xFF, 0},
      {"odd pixel size", 12, 0xF00, 0xF0, 0xF, 0},
  };
  for (const Broken &b : broken) {
    SCOPED_TRACE(b.why);
    PixelFormat f = {};
    MakePixelFormatFromMasks(&f, b.bits, b.red, b.green, b.blue, b.alpha);
    const Rect rect = {0, 0, 1, 1};
    EXPECT_EQ(-1, BlitWithFormatConversion(dst.bytes.data(), dst.pitch, &dst.format,
                                           src.bytes.data(), src.pitch, &f, nullptr, 0, nullptr,
                                           0, 0, &rect, 0, 0, 0, 0, 0, 0, 0, 0));
    EXPECT_EQ(-1, BlitWithFormatConversion(dst.bytes.data(), dst.pitch, &f, src.bytes.data(),
                                           src.pitch, &src.format, nullptr, 0, nullptr, 0, 0,
                                           &rect, 0, 0, 0, 0, 0, 0, 0, 0));
  }
  PixelFormat compressed = src.format;
  compressed.compression = 1;
  const Rect rect = {0, 0, 1, 1};
  EXPECT_EQ(-1, BlitWithFormatConversion(dst.bytes.data(), dst.pitch, &dst.format,
                                         src.bytes.data(), src.pitch, &compressed, nullptr, 0,
                                         nullptr, 0, 0, &rect, 0, 0, 0, 0, 0, 0, 0, 0));
  EXPECT_EQ(before, dst.bytes);
}

// ---------------------------------------------------------------------------
// Blits between base images
// ---------------------------------------------------------------------------

class BaseImageBlitTest : public LeakCheckedTest {
 protected:
  void TearDown() override {
    FreeBaseImage(&src);
    FreeBaseImage(&dst);
    LeakCheckedTest::TearDown();
  }
  // Fills every pixel with x + y * 16 + 1 in its blue byte.
  static void Number(BASEIMAGE *image) {
    for (int y = 0; y < image->height; ++y) {
      for (int x = 0; x < image->width; ++x) {
        WriteBaseImagePixel(image, x, y, 0, 0, x + y * 16 + 1, 255);
      }
    }
  }
  static int Blue(const BASEIMAGE *image, int x, int y) {
    int b = -1;
    ReadBaseImagePixel(image, x, y, nullptr, nullptr, &b, nullptr);
    return b;
  }
  BASEIMAGE src = {}, dst = {};
};

TEST_F(BaseImageBlitTest, NegativeSourceStartMovesTheDestination) {
  ASSERT_EQ(0, CreateXrgb32BaseImage(12, 2, &src));
  ASSERT_EQ(0, CreateXrgb32BaseImage(20, 2, &dst));
  Number(&src);
  memset(dst.pixels, 0, static_cast<size_t>(dst.pitch) * 2);
  EXPECT_EQ(0, BlitBaseImage(-3, 0, 10, 1, 5, 0, &src, &dst));
  for (int x = 0; x < 20; ++x) {
    const bool copied = x >= 8 && x < 15;
    EXPECT_EQ(copied ? x - 8 + 1 : 0, Blue(&dst, x, 0)) << x;
  }
}

TEST_F(BaseImageBlitTest, BlocksAreCutAtBothImagesEdges) {
  ASSERT_EQ(0, CreateXrgb32BaseImage(4, 4, &src));
  ASSERT_EQ(0, CreateXrgb32BaseImage(3, 3, &dst));
  Number(&src);
  memset(dst.pixels, 0, static_cast<size_t>(dst.pitch) * 3);
  EXPECT_EQ(0, BlitBaseImage(0, 0, 4, 4, -1, 1, &src, &dst));
  const int expect[3][3] = {{0, 0, 0}, {2, 3, 4}, {18, 19, 20}};
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 3; ++x) EXPECT_EQ(expect[y][x], Blue(&dst, x, y)) << x << "," << y;
  }
  // Wholly outside: nothing written, still 0.
  memset(dst.pixels, 0, static_cast<size_t>(dst.pitch) * 3);
  EXPECT_EQ(0, BlitBaseImage(0, 0, 4, 4, 3, 0, &src, &dst));
  EXPECT_EQ(0, BlitBaseImage(0, 0, 2, 2, -2, 0, &src, &dst));
  EXPECT_EQ(0, BlitBaseImage(4, 0, 2, 2, 0, 0, &src, &dst));
  for (int i = 0; i < dst.pitch * 3; ++i) EXPECT_EQ(0, static_cast<uint8_t *>(dst.pixels)[i]);
}

// Starts and sizes at the int range's ends clip like any other.
TEST_F(BaseImageBlitTest, ExtremeCoordinatesClipWithoutOverflow) {
  ASSERT_EQ(0, CreateXrgb32BaseImage(4, 1, &src));
  ASSERT_EQ(0, CreateXrgb32BaseImage(4, 1, &dst));
  Number(&src);
  struct Case {
    int srcX, w, destX;
    int expect[4];
  } const cases[] = {
      {INT_MIN, 10, 5, {0, 0, 0, 0}},
      {0, INT_MAX, INT_MIN, {0, 0, 0, 0}},
      {-2, INT_MAX, INT_MAX, {0, 0, 0, 0}},
      {INT_MIN, INT_MAX, INT_MIN, {0, 0, 0, 0}},
      {1, INT_MAX, 0, {2, 3, 4, 0}},
      {INT_MAX, 2, -3, {0, 0, 0, 0}},
  };
  for (const Case &c : cases) {
    memset(dst.pixels, 0, static_cast<size_t>(dst.pitch));
    EXPECT_EQ(0, BlitBaseImage(c.srcX, 0, c.w, INT_MAX, c.destX, 0, &src, &dst));
    for (int x = 0; x < 4; ++x) EXPECT_EQ(c.expect[x], Blue(&dst, x, 0)) << c.srcX << " " << x;
  }
}

TEST_F(BaseImageBlitTest, ScaledBlitTakesEveryStepthPixel) {
  ASSERT_EQ(0, CreateXrgb32BaseImage(4, 4, &src));
  ASSERT_EQ(0, CreateXrgb32BaseImage(2, 2, &dst));
  Number(&src);
  EXPECT_EQ(0, ScaleBlitBaseImage(0, 0, 4, 4, &src, 0, 0, 2, 2, &dst, 0));
  EXPECT_EQ(1, Blue(&dst, 0, 0));
  EXPECT_EQ(3, Blue(&dst, 1, 0));
  EXPECT_EQ(33, Blue(&dst, 0, 1));
  EXPECT_EQ(35, Blue(&dst, 1, 1));
  EXPECT_EQ(-1, ScaleBlitBaseImage(0, 0, 4, 4, &src, 0, 0, 3, 2, &dst, 0));
  EXPECT_EQ(-1, ScaleBlitBaseImage(0, 0, 4, 4, &src, 1, 1, 1, 2, &dst, 0));
  EXPECT_EQ(-1, ScaleBlitBaseImage(-1, 0, 4, 4, &src, 0, 0, 2, 2, &dst, 0));
  EXPECT_EQ(-1, ScaleBlitBaseImage(0, 0, 5, 4, &src, 0, 0, 2, 2, &dst, 0));
}

TEST_F(BaseImageBlitTest, BilinearScalingWeighsNeighboursAndStaysInsideTheImage) {
  ASSERT_EQ(0, CreateXrgb32BaseImage(2, 1, &src));
  ASSERT_EQ(0, CreateXrgb32BaseImage(4, 1, &dst));
  WriteBaseImagePixel(&src, 0, 0, 0, 0, 0, 0);
  WriteBaseImagePixel(&src, 1, 0, 0, 0, 200, 0);
  EXPECT_EQ(0, ScaleBlitBaseImage(0, 0, 2, 1, &src, 0, 0, 4, 1, &dst, 1));
  // Column j reads x = j / 2 with fraction 0 or one half; past the last
  // column the edge pixel is reused.
  EXPECT_EQ(0, Blue(&dst, 0, 0));
  EXPECT_EQ(99, Blue(&dst, 1, 0));
  EXPECT_EQ(199, Blue(&dst, 2, 0));
  EXPECT_EQ(199, Blue(&dst, 3, 0));
}

TEST_F(BaseImageBlitTest, EqualSizesCopyThroughTheClippedBlit) {
  ASSERT_EQ(0, CreateXrgb32BaseImage(4, 4, &src));
  ASSERT_EQ(0, CreateXrgb32BaseImage(4, 4, &dst));
  Number(&src);
  EXPECT_EQ(0, ScaleBlitBaseImage(1, 1, 3, 3, &src, 0, 0, 2, 2, &dst, 1));
  EXPECT_EQ(18, Blue(&dst, 0, 0));
  EXPECT_EQ(35, Blue(&dst, 1, 1));
}

TEST_F(BaseImageBlitTest, MirrorAndRotate) {
  ASSERT_EQ(0, CreateXrgb32BaseImage(3, 3, &src));
  Number(&src);
  EXPECT_EQ(0, MirrorBaseImage(&src));
  EXPECT_EQ(3, Blue(&src, 0, 0));
  EXPECT_EQ(1, Blue(&src, 2, 0));
  EXPECT_EQ(18, Blue(&src, 1, 1));
  EXPECT_EQ(0, MirrorBaseImage(&src));

  // Odd height: the middle row is reversed too.
  EXPECT_EQ(0, RotateBaseImage180(&src));
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 3; ++x) EXPECT_EQ((2 - x) + (2 - y) * 16 + 1, Blue(&src, x, y)) << x << "," << y;
  }
  FreeBaseImage(&src);

  ASSERT_EQ(0, CreateXrgb32BaseImage(2, 2, &src));
  Number(&src);
  EXPECT_EQ(0, RotateBaseImage180(&src));
  EXPECT_EQ(18, Blue(&src, 0, 0));
  EXPECT_EQ(17, Blue(&src, 1, 0));
  EXPECT_EQ(2, Blue(&src, 0, 1));
  EXPECT_EQ(1, Blue(&src, 1, 1));

  BASEIMAGE empty = {};
  EXPECT_EQ(-1, MirrorBaseImage(&empty));
  src.format.compression = 3;
  EXPECT_EQ(-1, RotateBaseImage180(&src));
  src.format.compression = 0;
}

TEST_F(BaseImageBlitTest, MirrorAndRotateWorkOnEveryPixelSize) {
  for (int bytes = 1; bytes <= 4; ++bytes) {
    PixelFormat f = {};
    if (bytes == 1) {
      MakeGray8PixelFormat(&f);
    } else {
      MakePixelFormatFromMasks(&f, bytes * 8, 0xF << 8, 0xF << 4, 0xF, 0);
    }
    ASSERT_EQ(0, CreateBaseImageWithFormat(3, 1, &f, &src));
    uint8_t *p = static_cast<uint8_t *>(src.pixels);
    for (int i = 0; i < 3 * bytes; ++i) p[i] = static_cast<uint8_t>(i);
    MirrorBaseImage(&src);
    for (int x = 0; x < 3; ++x) {
      for (int b = 0; b < bytes; ++b) EXPECT_EQ((2 - x) * bytes + b, p[x * bytes + b]) << bytes;
    }
    RotateBaseImage180(&src);
    for (int i = 0; i < 3 * bytes; ++i) EXPECT_EQ(i, p[i]) << bytes;
    FreeBaseImage(&src);
  }
}

TEST(HalveTest, AveragesBlocksPairsAndSinglePixels) {
  PixelFormat f = {};
  MakePixelFormatFromMasks(&f, 16, 0xF800, 0x07E0, 0x001F, 0);
  uint16_t src[4][4] = {};
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) src[y][x] = static_cast<uint16_t>((x + y * 4) << 11 | (x * 8) << 5 | y);
  }
  uint16_t out[4][4] = {};
  EXPECT_EQ(-1, HalveBaseImagePixels(&f, out, 8, src, 8, 0, 0, 0, 0, 3, 4));
  EXPECT_EQ(0, HalveBaseImagePixels(&f, out, 8, src, 8, 0, 0, 0, 0, 4, 4));
  // Block (0, 0): red 0, 1, 4, 5 -> 2; green 0, 8, 0, 8 -> 4; blue 0, 0, 1, 1 -> 0.
  EXPECT_EQ(2 << 11 | 4 << 5 | 0, out[0][0]);
  // Block (1, 1): red 10, 11, 14, 15 -> 12; green 16, 24 -> 20; blue 2, 3 -> 2.
  EXPECT_EQ(12 << 11 | 20 << 5 | 2, out[1][1]);

  // One column: vertical pairs; written at the destination position.
  memset(out, 0, sizeof(out));
  EXPECT_EQ(0, HalveBaseImagePixels(&f, out, 8, src, 8, 1, 1, 2, 0, 1, 4));
  EXPECT_EQ(4 << 11 | 16 << 5 | 0, out[1][1]);   // red 2, 6; blue 0, 1
  EXPECT_EQ(12 << 11 | 16 << 5 | 2, out[2][1]);  // red 10, 14; blue 2, 3
  // One row: horizontal pairs.
  memset(out, 0, sizeof(out));
  EXPECT_EQ(0, HalveBaseImagePixels(&f, out, 8, src, 8, 0, 0, 0, 3, 4, 1));
  EXPECT_EQ(12 << 11 | 4 << 5 | 3, out[0][0]);
  // 1 x 1 copies.
  EXPECT_EQ(0, HalveBaseImagePixels(&f, out, 8, src, 8, 3, 3, 2, 2, 1, 1));
  EXPECT_EQ(src[2][2], out[3][3]);
  // Bits outside every channel (the fill) are not averaged and come out 0.
  PixelFormat x32 = {};
  MakeXrgb32PixelFormat(&x32);
  const uint32_t pair[2] = {0xFF102030u, 0xFF305070u};
  uint32_t halved = 0xDEADBEEFu;
  EXPECT_EQ(0, HalveBaseImagePixels(&x32, &halved, 8, pair, 8, 0, 0, 0, 0, 2, 1));
  EXPECT_EQ(0x00203850u, halved);
  // Other depths write nothing.
  PixelFormat f24 = {};
  MakeRgb24PixelFormat(&f24);
  memset(out, 0, sizeof(out));
  EXPECT_EQ(0, HalveBaseImagePixels(&f24, out, 8, src, 8, 0, 0, 0, 0, 2, 2));
  EXPECT_EQ(0, out[0][0]);
}

// ---------------------------------------------------------------------------
// DXT blocks made by hand
// ---------------------------------------------------------------------------

class DxtTest : public LeakCheckedTest {
 protected:
  void TearDown() override {
    FreeBaseImage(&image);
    LeakCheckedTest::TearDown();
  }
  void Load(int compression, int width, int height, const std::vector<uint8_t> &blocks) {
    image.width = width;
    image.height = height;
    MakeArgb32PixelFormat(&image.format);
    image.format.compression = static_cast<uint32_t>(compression);
    image.format.bitsPerPixel = compression == 1 ? 4 : 8;
    image.pixels = VV_ALLOC(blocks.size());
    memcpy(image.pixels, blocks.data(), blocks.size());
    image.mipCount = 3;
    ASSERT_EQ(0, ConvertDxtToPlain(&image));
    EXPECT_EQ(0u, image.format.compression);
    EXPECT_EQ(32, image.format.bitsPerPixel);
    EXPECT_EQ(0xFF000000u, image.format.alphaMask);
    EXPECT_EQ(width * 4, image.pitch);
    EXPECT_EQ(0, image.mipCount);
  }
  uint32_t Pixel(int x, int y) {
    return ReadRawPixel(static_cast<uint8_t *>(image.pixels) + y * image.pitch + x * 4, 4);
  }
  BASEIMAGE image = {};
};

// Colour half of a block: endpoints then 2-bit indices, pixel 0 lowest.
std::vector<uint8_t> ColorBlock(uint16_t c0, uint16_t c1, const int idx[16]) {
  std::vector<uint8_t> b = {static_cast<uint8_t>(c0), static_cast<uint8_t>(c0 >> 8),
                            static_cast<uint8_t>(c1), static_cast<uint8_t>(c1 >> 8), 0, 0, 0, 0};
  for (int p = 0; p < 16; ++p) b[4 + p / 4] |= static_cast<uint8_t>(idx[p] << (2 * (p % 4)));
  return b;
}

const int kIndexRamp[16] = {0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3};

TEST_F(DxtTest, Dxt1FourColourBlock) {
  // c0 = red (0xF800) > c1 = blue (0x001F).
  Load(1, 4, 4, ColorBlock(0xF800, 0x001F, kIndexRamp));
  EXPECT_EQ(0xFFFF0000u, Pixel(0, 0));
  EXPECT_EQ(0xFF0000FFu, Pixel(1, 0));
  EXPECT_EQ(0xFFAA0055u, Pixel(2, 0));  // (2 c0 + c1) / 3
  EXPECT_EQ(0xFF5500AAu, Pixel(3, 0));  // (c0 + 2 c1) / 3
  EXPECT_EQ(0xFF5500AAu, Pixel(3, 3));
}

TEST_F(DxtTest, Dxt1ThreeColourBlockHasATransparentFourthColour) {
  // c0 = blue (0x001F) <= c1 = red (0xF800).
  Load(1, 4, 4, ColorBlock(0x001F, 0xF800, kIndexRamp));
  EXPECT_EQ(0xFF0000FFu, Pixel(0, 0));
  EXPECT_EQ(0xFFFF0000u, Pixel(1, 0));
  EXPECT_EQ(0xFF7F007Fu, Pixel(2, 0));
  EXPECT_EQ(0x007F007Fu, Pixel(3, 0));
}

TEST_F(DxtTest, Dxt1EndpointsWidenByScaling) {
  const int zeros[16] = {};
  // Red 16 of 31 -> 131; green 32 of 63 -> 129; blue 1 -> 8.
  Load(1, 4, 4, ColorBlock(static_cast<uint16_t>(16 << 11 | 32 << 5 | 1), 0, zeros));
  EXPECT_EQ(0xFF838108u, Pixel(2, 2));
}

TEST_F(DxtTest, Dxt3ExplicitAlphaAndFourColoursAlways) {
  std::vector<uint8_t> block(8);
  for (int p = 0; p < 16; ++p) block[p / 2] |= static_cast<uint8_t>((p % 16) << (4 * (p % 2)));
  // c0 <= c1 would mean three colours in DXT1, but not here.
  const std::vector<uint8_t> colors = ColorBlock(0x001F, 0xF800, kIndexRamp);
  block.insert(block.end(), colors.begin(), colors.end());
  Load(3, 4, 4, block);
  EXPECT_EQ(0x000000FFu, Pixel(0, 0));
  EXPECT_EQ(0x11FF0000u, Pixel(1, 0));
  EXPECT_EQ(0x22550000u | 0xAAu, Pixel(2, 0));  // (2 blue + red) / 3
  EXPECT_EQ(0xFFAA0055u, Pixel(3, 3));          // alpha 15 * 17
}

std::vector<uint8_t> AlphaBlock(uint8_t a0, uint8_t a1, const int idx[16]) {
  std::vector<uint8_t> b = {a0, a1, 0, 0, 0, 0, 0, 0};
  uint64_t bits = 0;
  for (int p = 0; p < 16; ++p) bits |= static_cast<uint64_t>(idx[p]) << (3 * p);
  for (int i = 0; i < 6; ++i) b[2 + i] = static_cast<uint8_t>(bits >> (8 * i));
  return b;
}

const int kAlphaIndices[16] = {0, 1, 2, 3, 4, 5, 6, 7, 0, 0, 0, 0, 0, 0, 0, 0};

TEST_F(DxtTest, Dxt5EightAndSixValueAlpha) {
  const int white[16] = {};
  std::vector<uint8_t> block = AlphaBlock(210, 70, kAlphaIndices);
  std::vector<uint8_t> colors = ColorBlock(0xFFFF, 0, white);
  block.insert(block.end(), colors.begin(), colors.end());
  // A second block to the right with a0 <= a1.
  std::vector<uint8_t> second = AlphaBlock(50, 100, kAlphaIndices);
  second.insert(second.end(), colors.begin(), colors.end());
  block.insert(block.end(), second.begin(), second.end());
  Load(5, 8, 4, block);
  const uint32_t expect8[8] = {210, 70, 190, 170, 150, 130, 110, 90};
  const uint32_t expect6[8] = {50, 100, 60, 70, 80, 90, 0, 255};
  for (int p = 0; p < 8; ++p) {
    EXPECT_EQ(expect8[p] << 24 | 0xFFFFFF, Pixel(p % 4, p / 4)) << p;
    EXPECT_EQ(expect6[p] << 24 | 0xFFFFFF, Pixel(4 + p % 4, p / 4)) << p;
  }
}

TEST_F(DxtTest, PremultipliedFormatsDivideByAlphaAndTreatZeroAsBlack) {
  const int firstTwo[16] = {0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
  // Colour c0 = (16, 32, 16) -> (131, 129, 131); c1 = white.
  const std::vector<uint8_t> colors =
      ColorBlock(static_cast<uint16_t>(16 << 11 | 32 << 5 | 16), 0xFFFF, firstTwo);
  // DXT2: pixel 0 alpha 0x8 * 17 = 136, pixel 1 alpha 0, pixel 2 alpha 255.
  std::vector<uint8_t> dxt2 = {0x08, 0x0F, 0, 0, 0, 0, 0, 0};
  dxt2.insert(dxt2.end(), colors.begin(), colors.end());
  // DXT4: a0 = 136 for pixel 0, a1 = 0 for every other pixel.
  const int alphaIdx[16] = {0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
  std::vector<uint8_t> dxt4 = AlphaBlock(136, 0, alphaIdx);
  dxt4.insert(dxt4.end(), colors.begin(), colors.end());

  Load(2, 4, 4, dxt2);
  EXPECT_EQ(0x88F5F1F5u, Pixel(0, 0));  // 131 * 255 / 136 = 245, 129 -> 241
  EXPECT_EQ(0x00000000u, Pixel(1, 0));  // alpha 0: black, not a division by 0
  EXPECT_EQ(0xFFFFFFFFu, Pixel(2, 0));
  FreeBaseImage(&image);

  Load(4, 4, 4, dxt4);
  EXPECT_EQ(0x88F5F1F5u, Pixel(0, 0));
  EXPECT_EQ(0x00000000u, Pixel(1, 0));
}

TEST_F(DxtTest, PremultipliedColoursClampAt255) {
  const int zeros[16] = {};
  std::vector<uint8_t> block = {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11};  // alpha 17
  const std::vector<uint8_t> colors = ColorBlock(0xFFFF, 0, zeros);
  block.insert(block.end(), colors.begin(), colors.end());
  Load(2, 4, 4, block);
  EXPECT_EQ(0x11FFFFFFu, Pixel(1, 1));
}

// A 6 x 5 image has two block columns and two block rows; the edge blocks
// are decoded cut to the image, so no row is sheared into the next.
TEST_F(DxtTest, EdgeBlocksAreCutToTheImage) {
  const int zeros[16] = {};
  std::vector<uint8_t> blocks;
  const uint16_t colors[4] = {0xFFFF, 0xF800, 0x07E0, 0x001F};  // white, red, green, blue
  for (uint16_t c : colors) {
    const std::vector<uint8_t> b = ColorBlock(c, c, zeros);
    blocks.insert(blocks.end(), b.begin(), b.end());
  }
  Load(1, 6, 5, blocks);
  EXPECT_EQ(0xFFFFFFFFu, Pixel(3, 3));
  EXPECT_EQ(0xFFFF0000u, Pixel(4, 0));
  EXPECT_EQ(0xFFFF0000u, Pixel(5, 3));
  EXPECT_EQ(0xFF00FF00u, Pixel(0, 4));
  EXPECT_EQ(0xFF0000FFu, Pixel(5, 4));
}

TEST_F(DxtTest, PlainImagesAreLeftAloneAndBadCodesRefused) {
  ASSERT_EQ(0, CreateXrgb32BaseImage(2, 2, &image));
  void *pixels = image.pixels;
  EXPECT_EQ(0, ConvertDxtToPlain(&image));
  EXPECT_EQ(pixels, image.pixels);
  image.format.compression = 6;
  EXPECT_EQ(-1, ConvertDxtToPlain(&image));
  image.format.compression = 0;
  BASEIMAGE huge = {};
  huge.width = 65536;
  huge.height = 65536;
  huge.format.compression = 1;
  huge.pixels = pixels;  // never read: the size is refused first
  EXPECT_EQ(-1, ConvertDxtToPlain(&huge));
}

}  // namespace

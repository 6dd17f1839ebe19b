// The blended rectangle fill: whole buffers against the fill model over
// formats, modes, parameters, brightnesses, rectangles and clips; the
// documented pixel values pinned by hand; refused images untouched. The
// image is a view inside a larger noise-filled base, so a write outside the
// view shows.
#include <gtest/gtest.h>
#include <limits.h>

#include <random>
#include <string>
#include <vector>

#include "fill_reference.h"
#include "softrender/blit/blit_geometry_reference.h"
#include "softrender/softrender.h"

namespace {

const int kViewX = 3, kViewY = 2, kViewWidth = 21, kViewHeight = 9;

struct FillDest {
  TestImage base;
  MEMIMG view = {};
  FillDest(int formatCode, uint32_t seed, int paletteFlag = 0, int alphaFlag = 0) {
    std::mt19937 rng(seed);
    base.Create(kViewWidth + 7, kViewHeight + 5, formatCode, paletteFlag, alphaFlag, 0);
    FillNoise(&base, &rng);
    MemImgMakeSubImage(&view, &base.image, kViewX, kViewY, kViewWidth, kViewHeight);
  }
  ~FillDest() { MemImgRelease(&view); }
  MEMIMG ViewOver(std::vector<uint8_t> *buffer) const {
    MEMIMG copy = view;
    copy.pixels = buffer->data() + (view.pixels - base.buffer.data());
    return copy;
  }
};

// Fills with the real fill and the model into copies of one image; the
// first difference or "".
std::string CompareFill(FillDest *dest, const Rect *rect, int colour) {
  std::vector<uint8_t> want = dest->base.buffer;
  MEMIMG predicted = dest->ViewOver(&want);
  RefFillRectBlended(&predicted, rect, colour, g_drawSettings);
  MemImgFillRectBlended(&dest->view, rect, colour);
  return FirstDifference(dest->base.buffer, want, dest->base.image.base->pitch);
}

class FillBlendedTest : public testing::Test {
 protected:
  void SetUp() override { InitTestBlendTables(); }
};

struct RectCase {
  const char *name;
  bool given;
  Rect rect;
};
const RectCase kRects[] = {
    {"null", false, {0, 0, 0, 0}},
    {"inside", true, {2, 1, 15, 7}},
    {"reversed", true, {15, 7, 2, 1}},
    {"beyond the image", true, {-4, -3, kViewWidth + 9, kViewHeight + 6}},
    {"odd left and width", true, {3, 0, 8, 9}},
    {"one pixel", true, {5, 4, 6, 5}},
    {"extreme edges", true, {INT_MIN, INT_MAX, INT_MAX, INT_MIN}},
};
const Rect kClips[] = {
    {0, 0, kViewWidth, kViewHeight},
    {1, 2, 12, 8},
    {-5, -5, kViewWidth + 20, kViewHeight + 20},  // a draw target larger than the view
    {4, 4, 4, 8},                                 // empty
};

TEST_F(FillBlendedTest, MatchesTheModelOverModesParametersBrightnessesRectanglesAndClips) {
  const int modes[] = {0, 1, 2, 3, 4, 5, 9, 10, 11, 12, -1};
  const int params[] = {0, 1, 127, 128, 254, 255};
  const uint32_t brightnesses[] = {0xFFFFFF, 0xFFFFFE, 0x80FF40, 0, 0xFFFFFFFF};
  const int colours[] = {0x7BCF, (int)0xC3A5F00Fu, 0x00FF8001, -1};
  uint32_t seed = 1;
  for (int format = 0; format < 2; ++format)
    for (int mode : modes)
      for (int p : params)
        for (uint32_t brightness : brightnesses)
          for (const Rect &clip : kClips)
            for (const RectCase &rc : kRects) {
              const int colour = colours[seed % 4];
              FillDest dest(format, ++seed);
              SetTestDrawSettings(clip, mode, p, brightness);
              const std::string diff = CompareFill(&dest, rc.given ? &rc.rect : nullptr, colour);
              ASSERT_EQ(diff, "") << "format " << format << " mode " << mode << " p " << p
                                  << " brightness " << std::hex << brightness << " colour "
                                  << colour << std::dec << " rect " << rc.name << " clip "
                                  << clip.left << "," << clip.top << "," << clip.right << ","
                                  << clip.bottom;
            }
}

// The rectangle is the caller's and stays as given.
TEST_F(FillBlendedTest, LeavesTheCallersRectangleAlone) {
  FillDest dest(1, 7);
  SetTestDrawSettings({0, 0, kViewWidth, kViewHeight}, 0, 0, 0xFFFFFF);
  const Rect reversed = {9, 8, 1, 2};
  Rect given = reversed;
  MemImgFillRectBlended(&dest.view, &given, 5);
  EXPECT_EQ(0, memcmp(&given, &reversed, sizeof given));
}

// One pixel filled over a known destination.
uint32_t FillOne(int format, int mode, int p, uint32_t brightness, uint32_t d, int colour) {
  TestImage image;
  image.Create(1, 1, format, 0, 0, 0);
  memcpy(image.image.pixels, &d, format == 1 ? 4 : 2);
  SetTestDrawSettings({0, 0, 1, 1}, mode, p, brightness);
  MemImgFillRectBlended(&image.image, nullptr, colour);
  uint32_t out = 0;
  memcpy(&out, image.image.pixels, format == 1 ? 4 : 2);
  return out;
}

// The documented values, worked out by hand.
TEST_F(FillBlendedTest, GivesTheDocumentedValues) {
  struct Pin {
    int format, mode, p;
    uint32_t brightness, d;
    int colour;
    uint32_t want;
  };
  const Pin pins[] = {
      // Mode 1 at p = 255 stores the colour, fourth byte included.
      {1, 1, 255, 0xFFFFFF, 0x11223344, (int)0xA0B0C0D0u, 0xA0B0C0D0},
      // Modes 10 and 11 at p = 0 leave the pixel.
      {1, 10, 0, 0xFFFFFF, 0x11223344, 0x00808080, 0x11223344},
      {1, 11, 0, 0xFFFFFF, 0x11223344, 0x00808080, 0x11223344},
      {0, 10, 0, 0xFFFFFF, 0x1234, 0x8080, 0x1234},
      {0, 11, 0, 0xFFFFFF, 0x1234, 0x8080, 0x1234},
      // Red overflowing in mode 2 sets the fourth byte and saturates red.
      {1, 2, 255, 0xFFFFFF, 0x00F00000, 0x00200000, 0x01FF0000},
      {1, 2, 255, 0xFFFFFF, 0x00808080, 0x00808080, 0x01FFFFFF},
      // Two odd low bits of green add one low.
      {1, 2, 255, 0xFFFFFF, 0x00000100, 0x00000100, 0x00000100},
      // Subtraction: the fourth byte becomes 0; the low bits of green and red
      // are guard bits: q's are ignored and d's come out set without a borrow.
      {1, 3, 255, 0xFFFFFF, 0xAA102030, 0x00010101, 0x0011212F},
      {0, 3, 255, 0xFFFFFF, 0x8410, 0x0001, 0x8C0F},
      // Brightness 0xFFFFFE: red and green by 255/256, blue by 254/256.
      {1, 0, 0, 0xFFFFFE, 0, 0x00FFFFFF, 0x00FEFEFD},
      {1, 0, 0, 0xFFFFFF, 0, 0x00FFFFFF, 0x00FFFFFF},
      // Mode 4: (d c) >> 8 per byte, the fourth byte kept.
      {1, 4, 0, 0xFFFFFF, 0x77FF8040, 0x00808080, 0x777F4020},
      // 8888 mode 1 at p = 128: (c - d) 128 / 256 rounded down, from 0x10 to 0x13.
      {1, 1, 128, 0xFFFFFF, 0x00000013, 0x00000010, 0x00000011},
      // 565 mode 1 goes through the signed table: 0 to 31 at p = 128 gives 15.
      {0, 1, 128, 0xFFFFFF, 0x0000, 0x001F, 0x000F},
      // 16-bit colour bits above bit 15 are ignored in the doubled store.
      {0, 0, 0, 0xFFFFFF, 0, (int)0xFFFF1234u, 0x1234},
  };
  for (const Pin &pin : pins) {
    EXPECT_EQ(FillOne(pin.format, pin.mode, pin.p, pin.brightness, pin.d, pin.colour), pin.want)
        << "format " << pin.format << " mode " << pin.mode << " p " << pin.p << std::hex
        << " d " << pin.d << " colour " << pin.colour;
  }
}

TEST_F(FillBlendedTest, Mode4IgnoresTheParameter) {
  for (int format = 0; format < 2; ++format) {
    FillDest first(format, 99), other(format, 99);
    SetTestDrawSettings({0, 0, kViewWidth, kViewHeight}, 4, 0, 0xFFFFFF);
    MemImgFillRectBlended(&first.view, nullptr, 0x12345678);
    SetTestDrawSettings({0, 0, kViewWidth, kViewHeight}, 4, 200, 0xFFFFFF);
    MemImgFillRectBlended(&other.view, nullptr, 0x12345678);
    EXPECT_EQ(first.base.buffer, other.base.buffer);
  }
}

TEST_F(FillBlendedTest, RefusesPaletteAlphaSingleChannelAndMissingImages) {
  struct Refused {
    int format, palette, alpha;
  };
  const Refused refused[] = {{0, 1, 0}, {1, 1, 0}, {0, 0, 1}, {1, 0, 1}, {2, 0, 0}, {3, 0, 0}};
  SetTestDrawSettings({0, 0, kViewWidth, kViewHeight}, 0, 0, 0xFFFFFF);
  for (const Refused &r : refused) {
    FillDest dest(r.format, 3, r.palette, r.alpha);
    const std::vector<uint8_t> before = dest.base.buffer;
    MemImgFillRectBlended(&dest.view, nullptr, 0x1234);
    EXPECT_EQ(dest.base.buffer, before) << r.format << r.palette << r.alpha;
  }
  MemImgFillRectBlended(nullptr, nullptr, 1);
  MEMIMG empty = {};
  MemImgFillRectBlended(&empty, nullptr, 1);
}

}  // namespace

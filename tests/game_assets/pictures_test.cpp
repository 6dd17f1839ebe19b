// The game's pictures as the image loaders read them: their sizes, every
// channel 0 or 255 (exact on a 16-bit screen), the colour key exactly
// 0xFF00FF where the game relies on it, and the capture markers.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "velvane.h"

namespace {

struct Rgb {
  int r, g, b;
  bool operator==(const Rgb &other) const { return r == other.r && g == other.g && b == other.b; }
};

constexpr Rgb kKey{255, 0, 255};

struct Picture {
  const char *name;
  int width, height;
  std::vector<std::pair<int, int>> keyAt;  // pixels that must be the key
  bool opaque;                             // no key pixel anywhere
  Rgb marker;                              // the 8 x 8 at the top-left; key: none
};

const Picture kPictures[] = {
    {"Title", 640, 480, {}, true, {0, 255, 255}},
    {"Tutorial", 640, 480, {}, true, {255, 255, 0}},
    {"Stage", 160, 480, {}, true, {0, 255, 0}},
    {"Figure", 160, 24, {}, true, kKey},
    {"Ball_f", 64, 24, {{63, 0}, {0, 23}}, false, kKey},
    {"Score_f", 128, 32, {{127, 0}, {0, 31}}, false, kKey},
    {"HiScore_f", 128, 32, {{127, 0}, {0, 31}}, false, kKey},
    {"Combo_f", 128, 32, {{127, 0}, {0, 31}}, false, kKey},
    {"Pouse_f", 320, 160, {}, false, kKey},
    {"StageClear", 320, 160, {}, false, kKey},
    {"AllStageClear", 320, 160, {}, false, kKey},
    {"GameOver", 320, 160, {}, false, kKey},
    {"Continue", 320, 160, {}, false, kKey},
    // Frames 0-8 in cells of 96, six to a row; the three cells after them
    // and every cell's corners are the key.
    {"Bom", 576, 192, {{0, 0}, {95, 95}, {288, 96}, {400, 150}, {575, 191}}, false, kKey},
};

Rgb PixelAt(const BASEIMAGE &image, int x, int y) {
  int r = -1, g = -1, b = -1, a = -1;
  ReadBaseImagePixel(&image, x, y, &r, &g, &b, &a);
  return Rgb{r, g, b};
}

TEST(GamePicturesTest, SizesChannelsKeyAndMarkers) {
  for (const Picture &picture : kPictures) {
    SCOPED_TRACE(picture.name);
    const std::string path = std::string(VELVANE_GAME_ASSETS) + "/Graph/" + picture.name + ".png";
    BASEIMAGE color{}, alpha{};
    ASSERT_EQ(LoadImagePairToBaseImages(path.c_str(), nullptr, 0, 0, nullptr, 0, 2, &color, &alpha, 0),
              1);
    EXPECT_EQ(color.width, picture.width);
    EXPECT_EQ(color.height, picture.height);
    int offChannels = 0, keyPixels = 0;
    for (int y = 0; y < color.height; ++y) {
      for (int x = 0; x < color.width; ++x) {
        const Rgb pixel = PixelAt(color, x, y);
        for (int channel : {pixel.r, pixel.g, pixel.b}) offChannels += channel != 0 && channel != 255;
        keyPixels += pixel == kKey;
      }
    }
    EXPECT_EQ(offChannels, 0);
    if (picture.opaque) {
      EXPECT_EQ(keyPixels, 0);
    }
    for (const auto &at : picture.keyAt) {
      EXPECT_TRUE(PixelAt(color, at.first, at.second) == kKey) << at.first << "," << at.second;
    }
    if (!(picture.marker == kKey)) {
      for (int i = 0; i < 8; ++i) {
        EXPECT_TRUE(PixelAt(color, i, i) == picture.marker);
        EXPECT_TRUE(PixelAt(color, 7 - i, i) == picture.marker);
      }
      EXPECT_FALSE(PixelAt(color, 8, 8) == picture.marker);
    }
    FreeBaseImage(&color);
    FreeBaseImage(&alpha);
  }
}

// The panel's digits are the ten cells of Figure.png: no two alike.
TEST(GamePicturesTest, DigitCellsDiffer) {
  const std::string path = std::string(VELVANE_GAME_ASSETS) + "/Graph/Figure.png";
  BASEIMAGE color{}, alpha{};
  ASSERT_EQ(LoadImagePairToBaseImages(path.c_str(), nullptr, 0, 0, nullptr, 0, 2, &color, &alpha, 0), 1);
  std::vector<std::string> cells(10);
  for (int digit = 0; digit < 10; ++digit) {
    for (int y = 0; y < 24; ++y) {
      for (int x = 0; x < 16; ++x) cells[digit].push_back(PixelAt(color, digit * 16 + x, y).r ? '#' : '.');
    }
    for (int other = 0; other < digit; ++other) EXPECT_NE(cells[digit], cells[other]) << digit << other;
  }
  FreeBaseImage(&color);
  FreeBaseImage(&alpha);
}

}  // namespace

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "data/images/jpeg_fixtures.h"
#include "graphics/images/base_image.h"
#include "graphics/images/image_fixtures.h"
#include "leak_check.h"

namespace {

class JpegLoaderTest : public LeakCheckedTest {
 protected:
  void TearDown() override {
    FreeBaseImage(&image);
    LeakCheckedTest::TearDown();
  }
  BASEIMAGE image = {};
};

Bytes Data(const unsigned char *data, unsigned int size) { return Bytes(data, data + size); }

// A binary PNM (P5 grey or P6 RGB) as written by the reference decoder.
struct Pnm {
  int width = 0, height = 0, channels = 0;
  Bytes pixels;
};

Pnm ParsePnm(const Bytes &file) {
  Pnm pnm;
  std::string text(file.begin(), file.end());
  pnm.channels = text[1] == '6' ? 3 : 1;
  size_t pos = 2;
  int fields[3];
  for (int &field : fields) {
    while (isspace(static_cast<unsigned char>(text[pos]))) ++pos;
    field = atoi(text.c_str() + pos);
    while (isdigit(static_cast<unsigned char>(text[pos]))) ++pos;
  }
  pnm.width = fields[0];
  pnm.height = fields[1];
  pnm.pixels.assign(file.begin() + pos + 1, file.end());
  return pnm;
}

struct JpegCase {
  const char *name;
  Bytes jpeg, reference;
};

class JpegCaseTest : public JpegLoaderTest, public testing::WithParamInterface<JpegCase> {};

// Within one level per channel of the reference decoder: the host library
// and the cross-built one round differently (with and without SIMD).
TEST_P(JpegCaseTest, MatchesTheReferenceDecode) {
  const Pnm ref = ParsePnm(GetParam().reference);
  ASSERT_EQ(0, ReadWith(JpegImageLoader, GetParam().jpeg, &image));
  ASSERT_EQ(ref.width, image.width);
  ASSERT_EQ(ref.height, image.height);
  EXPECT_EQ(ref.width * ref.channels, image.pitch);
  EXPECT_EQ(ref.channels * 8, image.format.bitsPerPixel);
  for (int y = 0; y < ref.height; ++y) {
    for (int x = 0; x < ref.width; ++x) {
      const uint8_t *got = PixelAt(image, x, y);
      const uint8_t *want = &ref.pixels[(y * ref.width + x) * ref.channels];
      for (int c = 0; c < ref.channels; ++c) {
        // The image holds blue, green, red; the reference red, green, blue.
        const int wantValue = want[ref.channels == 3 ? 2 - c : c];
        EXPECT_NEAR(wantValue, got[c], 1) << x << "," << y << " channel " << c;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Jpeg, JpegCaseTest,
    testing::Values(JpegCase{"ColourThreeWide", Data(colour_jpg, colour_jpg_len),
                             Data(colour_pnm, colour_pnm_len)},
                    JpegCase{"Grey", Data(grey_jpg, grey_jpg_len), Data(grey_pnm, grey_pnm_len)},
                    JpegCase{"Progressive", Data(progressive_jpg, progressive_jpg_len),
                             Data(progressive_pnm, progressive_pnm_len)}), CaseName());

TEST_F(JpegLoaderTest, GreyIsAPalettedGreyRamp) {
  ASSERT_EQ(0, ReadWith(JpegImageLoader, Data(grey_jpg, grey_jpg_len), &image));
  EXPECT_EQ(1, image.format.bytesPerPixel);
  EXPECT_EQ(0x00404040u, PaletteEntryValue(&image.format, 0x40));
}

TEST_F(JpegLoaderTest, ACutFileDecodesWhatItHolds) {
  // Cut a few bytes into the second scan's coded data (a cut inside a
  // marker segment is a corrupt header instead).
  const Bytes whole = Data(progressive_jpg, progressive_jpg_len);
  size_t scan = 0;
  for (int found = 0; found < 2; ++scan) {
    if (whole[scan] == 0xFF && whole[scan + 1] == 0xDA) ++found;
  }
  const size_t cutAt = scan - 1 + 2 + (whole[scan + 1] << 8 | whole[scan + 2]) + 3;
  ASSERT_LT(cutAt, whole.size() - 100);
  const Bytes cut(whole.begin(), whole.begin() + cutAt);
  ASSERT_EQ(0, ReadWith(JpegImageLoader, cut, &image));
  EXPECT_EQ(16, image.width);
  EXPECT_EQ(16, image.height);
  FreeBaseImage(&image);
  const Bytes colour = Data(colour_jpg, colour_jpg_len);
  ASSERT_EQ(0, ReadWith(JpegImageLoader, Bytes(colour.begin(), colour.end() - 2), &image));
}

TEST_F(JpegLoaderTest, EmptyCmykAndMalformedFilesFail) {
  const Bytes colour = Data(colour_jpg, colour_jpg_len);
  std::vector<Bytes> bad = {Bytes(), Data(cmyk_jpg, cmyk_jpg_len), Bytes(colour.begin(), colour.begin() + 2),
                            Bytes(colour.begin(), colour.begin() + 20), Bytes(64, 0xFF)};
  Bytes wide = colour;
  // The frame header's width field (after FF C0, length, precision, height).
  for (size_t i = 0; i + 9 < wide.size(); ++i) {
    if (wide[i] == 0xFF && wide[i + 1] == 0xC0) {
      wide[i + 7] = 0x40;  // width 16,387
      wide[i + 8] = 0x03;
      break;
    }
  }
  bad.push_back(wide);
  ExpectAllRefused(JpegImageLoader, bad);
  EXPECT_EQ(-1, LoadFromBytes(Data(cmyk_jpg, cmyk_jpg_len), &image));
}

}  // namespace

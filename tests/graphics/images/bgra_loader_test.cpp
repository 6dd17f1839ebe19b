#include <gtest/gtest.h>

#include "graphics/images/base_image.h"
#include "graphics/images/image_fixtures.h"
#include "leak_check.h"

namespace {

class BgraLoaderTest : public LeakCheckedTest {
 protected:
  void TearDown() override {
    FreeBaseImage(&image);
    LeakCheckedTest::TearDown();
  }
  BASEIMAGE image = {};
};

Bytes MakeBgra(uint32_t depth, int32_t width, int32_t height, const Bytes &pixels) {
  Bytes out = {'B', 'G', 'R', 'A'};
  PutLe32(&out, depth);
  PutLe32(&out, static_cast<uint32_t>(width));
  PutLe32(&out, static_cast<uint32_t>(height));
  out.insert(out.end(), pixels.begin(), pixels.end());
  return out;
}

TEST_F(BgraLoaderTest, EightBitChannelsAsStored) {
  ASSERT_EQ(0, ReadWith(BgraImageLoader, MakeBgra(0x08080808, 2, 1, {1, 2, 3, 4, 5, 6, 7, 8}),
                        &image));
  EXPECT_EQ(8, image.pitch);
  EXPECT_EQ(0xFF000000u, image.format.alphaMask);
  EXPECT_EQ(0u, image.format.fillMask);
  EXPECT_EQ((Bytes{1, 2, 3, 4, 5, 6, 7, 8}), RowBytes(image, 0, 8));
}

TEST_F(BgraLoaderTest, SixteenBitChannelsKeepTheirHighByte) {
  // blue 0x1234, green 0xABCD, red 0x00FF, alpha 0xFFFF
  const Bytes pixel = {0x34, 0x12, 0xCD, 0xAB, 0xFF, 0x00, 0xFF, 0xFF};
  Bytes two = pixel;
  two.insert(two.end(), pixel.begin(), pixel.end());
  ASSERT_EQ(0, ReadWith(BgraImageLoader, MakeBgra(0x10101010, 1, 2, two), &image));
  EXPECT_EQ((Bytes{0x12, 0xAB, 0x00, 0xFF}), RowBytes(image, 1, 4));
}

TEST_F(BgraLoaderTest, MalformedFilesFailWithoutLeaks) {
  const Bytes good = MakeBgra(0x08080808, 2, 2, Bytes(16, 7));
  std::vector<Bytes> bad;
  for (int cut : {0, 3, 4, 8, 12, 15, 16, 31}) bad.push_back(Bytes(good.begin(), good.begin() + cut));
  bad.push_back(MakeBgra(0x20202020, 2, 2, Bytes(16, 7)));
  bad.push_back(MakeBgra(0x08080808, 0, 2, Bytes(16, 7)));
  bad.push_back(MakeBgra(0x08080808, -2, -2, Bytes(16, 7)));
  bad.push_back(MakeBgra(0x08080808, 16385, 1, Bytes(16, 7)));
  // 65536 x 65536 x 4 wraps to 0 in 32 bits.
  bad.push_back(MakeBgra(0x08080808, 65536, 65536, Bytes(16, 7)));
  bad.push_back(MakeBgra(0x10101010, 2, 2, Bytes(31, 7)));
  Bytes magic = good;
  magic[3] = 'B';
  bad.push_back(magic);
  ExpectAllRefused(BgraImageLoader, bad);
}

}  // namespace

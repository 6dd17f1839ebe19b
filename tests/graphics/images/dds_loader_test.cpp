#include <gtest/gtest.h>

#include "graphics/images/base_image.h"
#include "graphics/images/image_fixtures.h"
#include "leak_check.h"

namespace {

class DdsLoaderTest : public LeakCheckedTest {
 protected:
  void TearDown() override {
    FreeBaseImage(&image);
    LeakCheckedTest::TearDown();
  }
  BASEIMAGE image = {};
};

const uint32_t kPitchFlag = 0x8, kMipFlag = 0x20000, kAlphaPixels = 0x1, kFourCcFlag = 0x4,
               kRgbFlag = 0x40, kChainCaps = 0x8 | 0x400000;

uint32_t FourCc(const char *s) {
  return static_cast<uint8_t>(s[0]) | static_cast<uint8_t>(s[1]) << 8 |
         static_cast<uint8_t>(s[2]) << 16 | static_cast<uint32_t>(static_cast<uint8_t>(s[3])) << 24;
}

struct DdsSpec {
  uint32_t width = 4, height = 4, flags = 0, pitch = 0, mips = 0, caps = 0;
  uint32_t formatFlags = kFourCcFlag, fourCC = 0, bits = 0, masks[4] = {};
  size_t dataBytes = 0;
};

Bytes MakeDds(const DdsSpec &s) {
  Bytes out = {'D', 'D', 'S', ' '};
  PutLe32(&out, 124);
  PutLe32(&out, s.flags);
  PutLe32(&out, s.height);
  PutLe32(&out, s.width);
  PutLe32(&out, s.pitch);
  PutLe32(&out, 0);
  PutLe32(&out, s.mips);
  for (int i = 0; i < 11; ++i) PutLe32(&out, 0);
  PutLe32(&out, 32);
  PutLe32(&out, s.formatFlags);
  PutLe32(&out, s.fourCC);
  PutLe32(&out, s.bits);
  for (uint32_t m : s.masks) PutLe32(&out, m);
  PutLe32(&out, s.caps);
  for (int i = 0; i < 4; ++i) PutLe32(&out, 0);
  for (size_t i = 0; i < s.dataBytes; ++i) out.push_back(static_cast<uint8_t>(i * 7));
  return out;
}

DdsSpec Dxt(const char *code, uint32_t w, uint32_t h, size_t bytes) {
  DdsSpec s;
  s.width = w;
  s.height = h;
  s.fourCC = FourCc(code);
  s.dataBytes = bytes;
  return s;
}

DdsSpec Argb(uint32_t w, uint32_t h, size_t bytes) {
  DdsSpec s;
  s.width = w;
  s.height = h;
  s.formatFlags = kRgbFlag | kAlphaPixels;
  s.bits = 32;
  s.masks[0] = 0xFF0000;
  s.masks[1] = 0xFF00;
  s.masks[2] = 0xFF;
  s.masks[3] = 0xFF000000;
  s.dataBytes = bytes;
  return s;
}

DdsSpec WithChain(DdsSpec s, uint32_t levels) {
  s.flags |= kMipFlag;
  s.caps |= kChainCaps;
  s.mips = levels;
  return s;
}

// The data each file needs exactly: one byte less must be refused.
struct DdsCase {
  const char *name;
  DdsSpec spec;
  uint32_t compression;
  int bits, pitch, mipCount;
};

DdsSpec Pitched(DdsSpec s, uint32_t pitch) {
  s.flags |= kPitchFlag;
  s.pitch = pitch;
  return s;
}

const DdsCase kDdsCases[] = {
    {"Dxt1Of256WithoutMips", Dxt("DXT1", 256, 256, 32768), 1, 4, 0, 0},
    {"Dxt5PartialBlocksCountWhole", Dxt("DXT5", 6, 5, 64), 5, 8, 0, 0},
    {"Dxt3ChainLevelsNeverBelowOneBlock", WithChain(Dxt("DXT3", 8, 8, 64 + 16 + 16 + 16), 4), 3,
     8, 0, 4},
    {"Dxt1NarrowerThanABlock", Dxt("DXT1", 2, 1, 8), 1, 4, 0, 0},
    {"ArgbPitchedChainOfSeven",
     WithChain(Pitched(Argb(64, 64, 16384 + 4096 + 1024 + 256 + 64 + 16 + 4), 256), 7), 0, 32,
     256, 7},
    // The top level uses the header's pitch; the others are packed rows.
    {"WidePitchOnTheTopLevelOnly", WithChain(Pitched(Argb(2, 2, 2 * 12 + 4), 12), 2), 0, 32, 12,
     2},
    {"ChainWithoutCapsIsOneLevel", [] {
       DdsSpec s = Argb(2, 2, 16);
       s.flags = kMipFlag;
       s.mips = 2;
       return s;
     }(), 0, 32, 8, 0},
};

class DdsCaseTest : public DdsLoaderTest, public testing::WithParamInterface<DdsCase> {};

TEST_P(DdsCaseTest, ReadsExactlyTheLevelsData) {
  const DdsCase &c = GetParam();
  const Bytes file = MakeDds(c.spec);
  ASSERT_EQ(0, ReadWith(DdsImageLoader, file, &image));
  EXPECT_EQ(c.compression, image.format.compression);
  EXPECT_EQ(c.bits, image.format.bitsPerPixel);
  EXPECT_EQ(c.pitch, image.pitch);
  EXPECT_EQ(c.mipCount, image.mipCount);
  EXPECT_EQ(static_cast<int>(c.spec.width), image.width);
  const uint8_t *pixels = static_cast<uint8_t *>(image.pixels);
  EXPECT_EQ(Bytes(file.end() - c.spec.dataBytes, file.end()),
            Bytes(pixels, pixels + c.spec.dataBytes));
  FreeBaseImage(&image);
  ExpectAllRefused(DdsImageLoader, {Bytes(file.begin(), file.end() - 1)});
}

INSTANTIATE_TEST_SUITE_P(Dds, DdsCaseTest, testing::ValuesIn(kDdsCases), CaseName());

TEST_F(DdsLoaderTest, D3dFormatCodesGiveTheirMasks) {
  DdsSpec s;
  s.width = 2;
  s.height = 1;
  s.fourCC = 23;
  s.dataBytes = 4;
  ASSERT_EQ(0, ReadWith(DdsImageLoader, MakeDds(s), &image));
  EXPECT_EQ(16, image.format.bitsPerPixel);
  EXPECT_EQ(0xF800u, image.format.redMask);
  EXPECT_EQ(0x07E0u, image.format.greenMask);
  EXPECT_EQ(11, image.format.redShift);
  EXPECT_EQ(4, image.pitch);
  FreeBaseImage(&image);
  s.fourCC = 32;  // A8B8G8R8, the header's bit count given
  s.bits = 32;
  s.dataBytes = 8;
  ASSERT_EQ(0, ReadWith(DdsImageLoader, MakeDds(s), &image));
  EXPECT_EQ(0xFFu, image.format.redMask);
  EXPECT_EQ(0xFF000000u, image.format.alphaMask);
}

TEST_F(DdsLoaderTest, ReversedDxtIsDecodedThenMirrored) {
  // One DXT1 block: left two columns white (index 0), right two black.
  DdsSpec s = Dxt("DXT1", 4, 4, 0);
  Bytes file = MakeDds(s);
  const Bytes block = {0xFF, 0xFF, 0x00, 0x00, 0x50, 0x50, 0x50, 0x50};
  file.insert(file.end(), block.begin(), block.end());
  ASSERT_EQ(0, LoadFromBytes(file, &image, 1));
  EXPECT_EQ(0u, image.format.compression);
  EXPECT_EQ(16, image.pitch);
  EXPECT_EQ(0xFF000000u, GetBaseImagePixelArgb(&image, 0, 0));
  EXPECT_EQ(0xFFFFFFFFu, GetBaseImagePixelArgb(&image, 3, 3));
}

TEST_F(DdsLoaderTest, MalformedFilesAreRefused) {
  const Bytes good = MakeDds(Argb(2, 2, 16));
  std::vector<Bytes> bad;
  for (size_t cut : {size_t(0), size_t(3), size_t(4), size_t(50), size_t(127), size_t(128), size_t(140)}) {
    bad.push_back(Bytes(good.begin(), good.begin() + cut));
  }
  Bytes magic = good;
  magic[2] = 'T';
  bad.push_back(magic);
  auto edited = [](void (*edit)(DdsSpec *)) {
    DdsSpec s = Argb(2, 2, 64);
    edit(&s);
    return MakeDds(s);
  };
  bad.push_back(edited([](DdsSpec *s) { s->formatFlags = kRgbFlag; }));  // RGB without alpha
  bad.push_back(edited([](DdsSpec *s) { s->width = 0; }));
  bad.push_back(edited([](DdsSpec *s) { s->height = 16385; }));
  bad.push_back(edited([](DdsSpec *s) { s->width = 0x80000000u; }));
  bad.push_back(edited([](DdsSpec *s) { s->bits = 12; }));
  bad.push_back(edited([](DdsSpec *s) { s->bits = 0; }));
  bad.push_back(edited([](DdsSpec *s) { *s = Pitched(*s, 7); }));  // below 2 x 4
  bad.push_back(edited([](DdsSpec *s) { s->masks[0] = 0xF0F0; }));  // not contiguous
  bad.push_back(edited([](DdsSpec *s) { *s = WithChain(*s, 3); }));  // 2 x 2 has 2 levels
  bad.push_back(edited([](DdsSpec *s) {
    s->formatFlags = kFourCcFlag;
    s->fourCC = FourCc("DXT6");
  }));
  bad.push_back(edited([](DdsSpec *s) {
    s->formatFlags = kFourCcFlag | kRgbFlag;  // a table code only counts alone
    s->fourCC = 21;
  }));
  bad.push_back(MakeDds(WithChain(Dxt("DXT1", 16384, 16384, 64), 15)));
  ExpectAllRefused(DdsImageLoader, bad);
}

}  // namespace

#include <gtest/gtest.h>

#include "graphics/images/base_image.h"
#include "graphics/images/image_fixtures.h"
#include "leak_check.h"

namespace {

class TgaLoaderTest : public LeakCheckedTest {
 protected:
  void TearDown() override {
    FreeBaseImage(&image);
    LeakCheckedTest::TearDown();
  }
  BASEIMAGE image = {};
};

struct TgaSpec {
  int type = 2, width = 2, height = 2, depth = 24, descriptor = 0x20;
  int mapFirst = 0, mapLength = 0, mapBits = 0, originY = 0, idLength = 0;
  Bytes body;  // colour map and pixel data
  bool footer = false;
};

Bytes MakeTga(const TgaSpec &s) {
  Bytes out = {static_cast<uint8_t>(s.idLength), static_cast<uint8_t>(s.mapLength ? 1 : 0),
               static_cast<uint8_t>(s.type)};
  PutLe16(&out, s.mapFirst);
  PutLe16(&out, s.mapLength);
  out.push_back(static_cast<uint8_t>(s.mapBits));
  PutLe16(&out, 0);
  PutLe16(&out, s.originY);
  PutLe16(&out, s.width);
  PutLe16(&out, s.height);
  out.push_back(static_cast<uint8_t>(s.depth));
  out.push_back(static_cast<uint8_t>(s.descriptor));
  out.insert(out.end(), s.idLength, 0xEE);
  out.insert(out.end(), s.body.begin(), s.body.end());
  if (s.footer) {
    const char tail[] = "TRUEVISION-XFILE.";
    out.insert(out.end(), 8, 0);
    out.insert(out.end(), tail, tail + 18);  // with the closing 0
  }
  return out;
}

// A 2 x 2 24-bit image: file rows {1, 2} then {3, 4}, pixel n = n, n, n.
Bytes FourGreys() { return {1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4}; }

struct TgaCase {
  const char *name;
  TgaSpec spec;
  int bits;
  Bytes pixels;  // the whole result, pitch = width x bytes
};

TgaSpec With(TgaSpec s, void (*edit)(TgaSpec *)) {
  edit(&s);
  return s;
}

const TgaCase kTgaCases[] = {
    {"TopDownAsStored", With({}, [](TgaSpec *s) { s->body = FourGreys(); }), 24, FourGreys()},
    {"BottomUpLastFileRowFirst",
     With({}, [](TgaSpec *s) { s->body = FourGreys(); s->descriptor = 0; }), 24,
     {3, 3, 3, 4, 4, 4, 1, 1, 1, 2, 2, 2}},
    {"RightToLeftMirrored",
     With({}, [](TgaSpec *s) { s->body = FourGreys(); s->descriptor = 0x30; }), 24,
     {2, 2, 2, 1, 1, 1, 4, 4, 4, 3, 3, 3}},
    {"BothOrdersTurned",
     With({}, [](TgaSpec *s) { s->body = FourGreys(); s->descriptor = 0x10; }), 24,
     {4, 4, 4, 3, 3, 3, 2, 2, 2, 1, 1, 1}},
    {"RunPacketRepeatsOnePixel",
     With({}, [](TgaSpec *s) {
       s->type = 10;
       s->depth = 32;
       s->body = {0x83, 1, 2, 3, 4};
       s->footer = true;
     }),
     32, {1, 2, 3, 4, 1, 2, 3, 4, 1, 2, 3, 4, 1, 2, 3, 4}},
    {"RawPacketAndSixteenBits",
     With({}, [](TgaSpec *s) {
       s->type = 10;
       s->depth = 16;
       s->body = {0x01, 0x11, 0x22, 0x33, 0x44, 0x81, 0x55, 0x66};
     }),
     16, {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x55, 0x66}},
    {"ColourMapFromEntry16LeavesLowerEntriesBlack",
     With({}, [](TgaSpec *s) {
       s->type = 1;
       s->depth = 8;
       s->mapFirst = 16;
       s->mapLength = 1;
       s->mapBits = 24;
       s->body = {7, 8, 9, 16, 0, 16, 3};
     }),
     24, {7, 8, 9, 0, 0, 0, 7, 8, 9, 0, 0, 0}},
    {"RunLengthColourMapWithIdField",
     With({}, [](TgaSpec *s) {
       s->type = 9;
       s->depth = 8;
       s->idLength = 3;
       s->mapLength = 2;
       s->mapBits = 32;
       s->body = {1, 2, 3, 4, 5, 6, 7, 8, 0x82, 1, 0x00, 0};
     }),
     32, {5, 6, 7, 8, 5, 6, 7, 8, 5, 6, 7, 8, 1, 2, 3, 4}},
    // Colour-map entries past 255 are skipped, not written past the palette.
    {"MapEntriesPast255Skipped",
     With({}, [](TgaSpec *s) {
       s->type = 1;
       s->depth = 8;
       s->width = 1;
       s->height = 1;
       s->mapFirst = 255;
       s->mapLength = 3;
       s->mapBits = 24;
       s->body = {1, 2, 3, 4, 5, 6, 7, 8, 9, 255};
     }),
     24, {1, 2, 3}},
    // A cut file loads with the pixels it lacks left zero.
    {"CutPlainDataLeavesZeros",
     With({}, [](TgaSpec *s) { s->body = {1, 1, 1, 2, 2}; }), 24,
     {1, 1, 1, 2, 2, 0, 0, 0, 0, 0, 0, 0}},
    {"CutRunLengthDataLeavesZeros",
     With({}, [](TgaSpec *s) {
       s->type = 10;
       s->body = {0x81, 9, 9, 9, 0x81};
     }),
     24, {9, 9, 9, 9, 9, 9, 0, 0, 0, 0, 0, 0}},
};

class TgaCaseTest : public TgaLoaderTest, public testing::WithParamInterface<TgaCase> {};

TEST_P(TgaCaseTest, DecodesToExactPixels) {
  const TgaCase &c = GetParam();
  ASSERT_EQ(0, ReadWith(TgaImageLoader, MakeTga(c.spec), &image));
  EXPECT_EQ(c.bits, image.format.bitsPerPixel);
  EXPECT_EQ(c.spec.width * c.bits / 8, image.pitch);
  EXPECT_EQ(c.pixels, Bytes(static_cast<uint8_t *>(image.pixels),
                            static_cast<uint8_t *>(image.pixels) + c.pixels.size()));
}

INSTANTIATE_TEST_SUITE_P(Tga, TgaCaseTest, testing::ValuesIn(kTgaCases), CaseName());

TEST_F(TgaLoaderTest, FormatsByDepth) {
  TgaSpec s;
  s.width = s.height = 1;
  s.depth = 16;
  s.body = {0, 0};
  ASSERT_EQ(0, ReadWith(TgaImageLoader, MakeTga(s), &image));
  EXPECT_EQ(0x7C00u, image.format.redMask);
  EXPECT_EQ(0x8000u, image.format.fillMask);
  EXPECT_EQ(0u, image.format.alphaMask);
  FreeBaseImage(&image);
  s.depth = 32;
  s.body = {0, 0, 0, 0};
  ASSERT_EQ(0, ReadWith(TgaImageLoader, MakeTga(s), &image));
  EXPECT_EQ(0xFF000000u, image.format.alphaMask);
}

// Without a footer the last 26 bytes are pixel data, even when they start
// with four zero bytes.
TEST_F(TgaLoaderTest, DataThatLooksLikeAFooterIsReadToTheEnd) {
  TgaSpec s;
  s.width = 10;
  s.height = 1;
  s.body.assign(30, 0);
  s.body[29] = 0x77;
  ASSERT_EQ(0, ReadWith(TgaImageLoader, MakeTga(s), &image));
  EXPECT_EQ(0x77, PixelAt(image, 9, 0)[2]);
}

TEST_F(TgaLoaderTest, RefusedHeaders) {
  const Bytes good = MakeTga(With({}, [](TgaSpec *s) { s->body = FourGreys(); }));
  std::vector<Bytes> bad;
  for (int cut : {0, 1, 3, 7, 8, 12, 16, 17}) bad.push_back(Bytes(good.begin(), good.begin() + cut));
  auto edited = [&](void (*edit)(TgaSpec *)) {
    TgaSpec s;
    s.body = FourGreys();
    edit(&s);
    return MakeTga(s);
  };
  bad.push_back(edited([](TgaSpec *s) { s->type = 0; }));
  bad.push_back(edited([](TgaSpec *s) { s->type = 3; }));
  bad.push_back(edited([](TgaSpec *s) { s->type = 11; }));
  bad.push_back(edited([](TgaSpec *s) { s->width = 8193; }));
  bad.push_back(edited([](TgaSpec *s) { s->width = 0; }));
  bad.push_back(edited([](TgaSpec *s) { s->height = 0; }));
  bad.push_back(edited([](TgaSpec *s) { s->originY = 1; }));
  bad.push_back(edited([](TgaSpec *s) { s->depth = 15; }));
  bad.push_back(edited([](TgaSpec *s) {
    s->type = 1;
    s->depth = 16;  // colour-mapped with 16-bit indices
    s->mapLength = 1;
    s->mapBits = 24;
  }));
  bad.push_back(edited([](TgaSpec *s) {
    s->type = 1;
    s->depth = 8;
    s->mapLength = 1;
    s->mapBits = 8;
  }));
  ExpectAllRefused(TgaImageLoader, bad);
}

// The built-in images, written again from their description.
Bytes BuiltInTable(int width, int depth, int descriptor, const Bytes &row) {
  Bytes out = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  PutLe16(&out, width);
  PutLe16(&out, 8);
  out.push_back(static_cast<uint8_t>(depth));
  out.push_back(static_cast<uint8_t>(descriptor));
  for (int y = 0; y < 8; ++y) out.insert(out.end(), row.begin(), row.end());
  out.insert(out.end(), 8, 0);
  const char signature[] = "TRUEVISION-XFILE.";
  out.insert(out.end(), signature, signature + 18);
  return out;
}

TEST_F(TgaLoaderTest, BuiltInImagesMatchTheirDescriptionAndDecode) {
  const Bytes white = BuiltInTable(8, 32, 0x28, {0x87, 0xFF, 0xFF, 0xFF, 0xFF});
  ASSERT_EQ(84u, white.size());
  EXPECT_EQ(white, Bytes(kWhiteImageTga, kWhiteImageTga + WHITE_IMAGE_TGA_SIZE));
  const Bytes toon = BuiltInTable(256, 24, 0x20,
                                  {0xBF, 0, 0, 0, 0xBF, 0x55, 0x55, 0x55, 0xBF, 0xAA, 0xAA, 0xAA,
                                   0xBF, 0xFF, 0xFF, 0xFF});
  ASSERT_EQ(172u, toon.size());
  EXPECT_EQ(toon, Bytes(kToonRampImageTga, kToonRampImageTga + TOON_RAMP_TGA_SIZE));

  ASSERT_EQ(0, LoadImageAsBaseImage(nullptr, kWhiteImageTga, WHITE_IMAGE_TGA_SIZE, 1, &image, 0));
  EXPECT_EQ(8, image.width);
  EXPECT_EQ(8, image.height);
  EXPECT_EQ(32, image.format.bitsPerPixel);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) EXPECT_EQ(0xFFFFFFFFu, GetBaseImagePixelArgb(&image, x, y));
  }
  FreeBaseImage(&image);
  ASSERT_EQ(0,
            LoadImageAsBaseImage(nullptr, kToonRampImageTga, TOON_RAMP_TGA_SIZE, 1, &image, 0));
  EXPECT_EQ(256, image.width);
  EXPECT_EQ(24, image.format.bitsPerPixel);
  const uint32_t greys[4] = {0x000000, 0x555555, 0xAAAAAA, 0xFFFFFF};
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 256; ++x) {
      ASSERT_EQ(greys[x / 64], GetBaseImagePixelArgb(&image, x, y)) << x << "," << y;
    }
  }
}

}  // namespace

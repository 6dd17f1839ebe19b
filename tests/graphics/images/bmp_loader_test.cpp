#include <gtest/gtest.h>
#include <limits.h>

#include "core/log_capture.h"
#include "graphics/images/base_image.h"
#include "graphics/images/image_fixtures.h"
#include "leak_check.h"

namespace {

class BmpLoaderTest : public LeakCheckedTest {
 protected:
  void TearDown() override {
    FreeBaseImage(&image);
    LeakCheckedTest::TearDown();
  }
  BASEIMAGE image = {};
};

struct BmpSpec {
  int32_t width = 2, height = 2;
  int bits = 24;
  uint32_t compression = 0, clrUsed = 0, headerSize = 40;
  Bytes palette;  // 4 bytes an entry
  Bytes masks;    // 12 bytes for bit fields
  Bytes pixels;
  int64_t offsetShift = 0;  // added to the true pixel offset
};

Bytes MakeBmp(const BmpSpec &s) {
  Bytes info;
  PutLe32(&info, s.headerSize);
  PutLe32(&info, static_cast<uint32_t>(s.width));
  PutLe32(&info, static_cast<uint32_t>(s.height));
  PutLe16(&info, 1);
  PutLe16(&info, s.bits);
  PutLe32(&info, s.compression);
  for (int i = 0; i < 3; ++i) PutLe32(&info, 0);
  PutLe32(&info, s.clrUsed);
  PutLe32(&info, 0);
  // Longer headers: the masks are the header's next fields.
  Bytes extra = s.masks;
  if (s.headerSize > 40) extra.resize(s.headerSize - 40, 0);
  info.insert(info.end(), extra.begin(), extra.end());
  info.insert(info.end(), s.palette.begin(), s.palette.end());
  Bytes out = {'B', 'M'};
  const uint32_t offset = static_cast<uint32_t>(14 + info.size() + s.offsetShift);
  PutLe32(&out, static_cast<uint32_t>(14 + info.size() + s.pixels.size()));
  PutLe32(&out, 0);
  PutLe32(&out, offset);
  out.insert(out.end(), info.begin(), info.end());
  out.insert(out.end(), s.pixels.begin(), s.pixels.end());
  return out;
}

Bytes Palette(int count) {
  Bytes p;
  for (int i = 0; i < count; ++i) p.insert(p.end(), {uint8_t(i), uint8_t(i + 100), uint8_t(i + 200), 0x7F});
  return p;
}

template <typename Edit>
BmpSpec Make(Edit edit) {
  BmpSpec s;
  edit(&s);
  return s;
}

struct BmpCase {
  const char *name;
  BmpSpec spec;
  int bits, pitch;
  Bytes pixels;  // the whole result
};

const BmpCase kBmpCases[] = {
    {"BottomUp24LastFileRowFirst", Make([](BmpSpec *s) {
       s->pixels = {1, 1, 1, 2, 2, 2, 0, 0, 3, 3, 3, 4, 4, 4, 0, 0};
     }), 24, 8, {3, 3, 3, 4, 4, 4, 0, 0, 1, 1, 1, 2, 2, 2, 0, 0}},
    {"TopDown32KeepsTheFourthByteAsAlpha", Make([](BmpSpec *s) {
       s->bits = 32;
       s->height = -1;
       s->pixels = {1, 2, 3, 4, 5, 6, 7, 8};
     }), 32, 8, {1, 2, 3, 4, 5, 6, 7, 8}},
    {"Rle8RunsAndEscapes", Make([](BmpSpec *s) {
       s->bits = 8;
       s->width = 4;
       s->compression = 1;
       s->palette = Palette(256);
       s->pixels = {3, 5, 0, 0, 2, 7, 0, 1};
     }), 8, 4, {7, 7, 0, 0, 5, 5, 5, 0}},
    {"Rle8AbsoluteRunPaddedToEvenOffset", Make([](BmpSpec *s) {
       s->bits = 8;
       s->width = 4;
       s->height = -2;
       s->compression = 1;
       s->palette = Palette(256);
       s->pixels = {0, 3, 1, 2, 3, 0, 0, 0, 1, 9};
     }), 8, 4, {1, 2, 3, 0, 9, 0, 0, 0}},
    // The delta sets the column in the row it moves to.
    {"Rle8DeltaSetsTheColumn", Make([](BmpSpec *s) {
       s->bits = 8;
       s->width = 4;
       s->height = -2;
       s->compression = 1;
       s->palette = Palette(256);
       s->pixels = {1, 4, 0, 2, 2, 1, 1, 6, 0, 1};
     }), 8, 4, {4, 0, 0, 0, 0, 0, 6, 0}},
    {"Rle8RunPastTheRowEndIsCut", Make([](BmpSpec *s) {
       s->bits = 8;
       s->height = -2;
       s->compression = 1;
       s->palette = Palette(256);
       s->pixels = {200, 3, 0, 0, 1, 4};
     }), 8, 4, {3, 3, 0, 0, 4, 0, 0, 0}},
    {"Rle8DeltaPastTheImageEndsDecoding", Make([](BmpSpec *s) {
       s->bits = 8;
       s->height = -2;
       s->compression = 1;
       s->palette = Palette(256);
       s->pixels = {1, 3, 0, 2, 0, 9, 1, 4};
     }), 8, 4, {3, 0, 0, 0, 0, 0, 0, 0}},
    {"Rle8InputEndingMidRunLeavesZeros", Make([](BmpSpec *s) {
       s->bits = 8;
       s->height = -2;
       s->compression = 1;
       s->palette = Palette(256);
       s->pixels = {1, 3, 0, 0, 0, 4, 1, 2};
     }), 8, 4, {3, 0, 0, 0, 0, 0, 0, 0}},
    {"Rle4Nibbles", Make([](BmpSpec *s) {
       s->bits = 4;
       s->width = 5;
       s->height = -1;
       s->compression = 2;
       s->palette = Palette(16);
       s->pixels = {3, 0x12, 0, 3, 0xAB, 0x50, 0, 1};
     }), 8, 8, {1, 2, 1, 0xA, 0xB, 0, 0, 0}},
    {"Plain4BitHighNibbleFirst", Make([](BmpSpec *s) {
       s->bits = 4;
       s->width = 3;
       s->height = -1;
       s->palette = Palette(16);
       s->pixels = {0x12, 0x30, 0, 0};
     }), 8, 4, {1, 2, 3, 0}},
    {"Plain8Bit", Make([](BmpSpec *s) {
       s->bits = 8;
       s->width = 3;
       s->height = 2;
       s->palette = Palette(4);
       s->clrUsed = 4;
       s->pixels = {1, 2, 3, 0, 3, 2, 1, 0};
     }), 8, 4, {3, 2, 1, 0, 1, 2, 3, 0}},
    {"OneBitWidensTo24", Make([](BmpSpec *s) {
       s->bits = 1;
       s->width = 3;
       s->height = -1;
       s->palette = {10, 20, 30, 0, 40, 50, 60, 0};
       s->pixels = {0xA0, 0, 0, 0};
     }), 24, 12, {40, 50, 60, 10, 20, 30, 40, 50, 60, 0, 0, 0}},
    {"Plain16BitIs555Widened", Make([](BmpSpec *s) {
       s->bits = 16;
       s->width = 1;
       s->height = -1;
       s->pixels = {0x1F, 0x7C, 0, 0};  // 0x7C1F: red 31, green 0, blue 31
     }), 24, 4, {0xFF, 0, 0xFF, 0}},
    {"BitFields565", Make([](BmpSpec *s) {
       s->bits = 16;
       s->width = 2;
       s->height = -1;
       s->compression = 3;
       s->masks = {0, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0};
       s->pixels = {0x00, 0x80, 0x1F, 0x00};  // red 16; blue 31
     }), 24, 8, {0, 0, 0x84, 0xFF, 0, 0, 0, 0}},
    {"BitFields32InAV5Header", Make([](BmpSpec *s) {
       s->bits = 32;
       s->width = 1;
       s->height = -1;
       s->compression = 3;
       s->headerSize = 124;
       s->masks = {0, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0};  // red top byte
       s->pixels = {0x11, 0x22, 0x33, 0x44};
     }), 24, 4, {0x22, 0x33, 0x44, 0}},
};

class BmpCaseTest : public BmpLoaderTest, public testing::WithParamInterface<BmpCase> {};

TEST_P(BmpCaseTest, DecodesToExactPixels) {
  const BmpCase &c = GetParam();
  ASSERT_EQ(0, ReadWith(BmpImageLoader, MakeBmp(c.spec), &image));
  EXPECT_EQ(c.bits, image.format.bitsPerPixel);
  EXPECT_EQ(c.pitch, image.pitch);
  EXPECT_EQ(c.spec.height < 0 ? -c.spec.height : c.spec.height, image.height);
  EXPECT_EQ(c.pixels, Bytes(static_cast<uint8_t *>(image.pixels),
                            static_cast<uint8_t *>(image.pixels) + c.pixels.size()));
}

INSTANTIATE_TEST_SUITE_P(Bmp, BmpCaseTest, testing::ValuesIn(kBmpCases), CaseName());

TEST_F(BmpLoaderTest, FormatsAndPalettes) {
  ASSERT_EQ(0, ReadWith(BmpImageLoader, MakeBmp(kBmpCases[1].spec), &image));
  EXPECT_EQ(0xFF000000u, image.format.alphaMask);
  FreeBaseImage(&image);
  // Two entries used: entry 1 from the file with its fourth byte 0, entry 2 black.
  ASSERT_EQ(0, ReadWith(BmpImageLoader, MakeBmp(Make([](BmpSpec *s) {
                          s->bits = 8;
                          s->height = -1;
                          s->clrUsed = 2;
                          s->palette = Palette(2);
                          s->pixels = {0, 1, 0, 0};
                        })),
                        &image));
  EXPECT_EQ(0x00C96501u, PaletteEntryValue(&image.format, 1));
  EXPECT_EQ(0u, PaletteEntryValue(&image.format, 2));
  FreeBaseImage(&image);
  // A V5 header: the palette follows the whole header.
  ASSERT_EQ(0, ReadWith(BmpImageLoader, MakeBmp(Make([](BmpSpec *s) {
                          s->bits = 4;
                          s->height = -1;
                          s->headerSize = 124;
                          s->palette = Palette(16);
                          s->pixels = {0xF0, 0, 0, 0};
                        })),
                        &image));
  EXPECT_EQ(0x00D7730Fu, PaletteEntryValue(&image.format, 15));
}

TEST_F(BmpLoaderTest, MalformedFilesAreRefused) {
  const Bytes good = MakeBmp(kBmpCases[0].spec);
  std::vector<Bytes> bad;
  for (size_t cut : {size_t(0), size_t(2), size_t(14), size_t(30), size_t(53), size_t(54),
                     size_t(60), good.size() - 1}) {
    bad.push_back(Bytes(good.begin(), good.begin() + cut));
  }
  Bytes ba = good;
  ba[1] = 'A';
  bad.push_back(ba);
  const BmpSpec base = kBmpCases[0].spec;
  auto edited = [&](void (*edit)(BmpSpec *)) {
    BmpSpec s = base;
    edit(&s);
    return MakeBmp(s);
  };
  bad.push_back(edited([](BmpSpec *s) { s->offsetShift = 100; }));  // pixel offset past the end
  bad.push_back(edited([](BmpSpec *s) { s->height = INT_MIN; }));
  bad.push_back(edited([](BmpSpec *s) { s->width = 0; }));
  bad.push_back(edited([](BmpSpec *s) { s->width = -2; }));
  bad.push_back(edited([](BmpSpec *s) { s->width = 16385; }));
  bad.push_back(edited([](BmpSpec *s) { s->width = 0x40000000; }));  // stride wraps in 32 bits
  bad.push_back(edited([](BmpSpec *s) { s->headerSize = 12; }));
  Bytes longHeader = good;
  longHeader[15] = 0x13;  // header size 0x1328, past the end of the file
  bad.push_back(longHeader);
  bad.push_back(edited([](BmpSpec *s) { s->bits = 2; }));
  bad.push_back(edited([](BmpSpec *s) { s->compression = 3; }));  // bit fields at 24 bits
  bad.push_back(edited([](BmpSpec *s) { s->compression = 4; }));
  bad.push_back(edited([](BmpSpec *s) { s->compression = 1; }));  // RLE8 at 24 bits
  bad.push_back(edited([](BmpSpec *s) {
    s->bits = 8;
    s->palette = Palette(256);
    s->pixels.resize(7);  // rows shorter than 4 x 2
  }));
  bad.push_back(edited([](BmpSpec *s) {
    s->bits = 8;
    s->clrUsed = 300;  // more entries than the file holds
  }));
  bad.push_back(edited([](BmpSpec *s) {
    s->bits = 16;
    s->compression = 3;  // masks missing
    s->pixels.clear();
  }));
  ExpectAllRefused(BmpImageLoader, bad);
}

}  // namespace

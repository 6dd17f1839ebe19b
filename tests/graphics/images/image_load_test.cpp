#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/test_files.h"
#include "graphics/images/base_image.h"
#include "graphics/images/image_fixtures.h"
#include "leak_check.h"

namespace {

class ImageLoadTest : public LeakCheckedTest {
 protected:
  void TearDown() override {
    FreeBaseImage(&image);
    FreeBaseImage(&alpha);
    LeakCheckedTest::TearDown();
  }
  BASEIMAGE image = {};
  BASEIMAGE alpha = {};
};

// Runs a test inside a fresh current directory, so relative paths such as
// "./Graph/x.png" resolve into it.
class ScopedWorkDir {
 public:
  ScopedWorkDir() {
    static int counter = 0;
    previous_ = std::filesystem::current_path();
    dir_ = std::filesystem::temp_directory_path() /
           ("velvane-images-" + std::to_string(counter++) + "-" +
            std::to_string(std::filesystem::file_time_type::clock::now().time_since_epoch().count()));
    std::filesystem::create_directories(dir_ / "Graph");
    std::filesystem::current_path(dir_);
  }
  ~ScopedWorkDir() {
    std::filesystem::current_path(previous_);
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }

 private:
  std::filesystem::path previous_, dir_;
};

TEST_F(ImageLoadTest, APngIsReadFromTheStartAfterEarlierReadersRefuseIt) {
  const Bytes file = MakeSolidRgbPng(3, 2, 9, 8, 7);
  ASSERT_EQ(-1, ReadWith(BmpImageLoader, file, &image));
  ASSERT_EQ(-1, ReadWith(JpegImageLoader, file, &image));
  StreamSource source;
  ASSERT_EQ(0, OpenMemoryStreamSource(&source, file.data(), static_cast<int>(file.size())));
  memset(&image, 0xAB, sizeof(image));
  source.functions.seek(source.stream, 5, 0);  // wherever the stream was left
  EXPECT_EQ(0, LoadBaseImageFromStream(&source, &image));
  source.functions.close(source.stream);
  EXPECT_EQ(3, image.width);
  EXPECT_EQ(24, image.format.bitsPerPixel);
  EXPECT_EQ(0, image.mipCount);
  EXPECT_EQ(0xFF000000u & image.format.fillMask, 0u);
  EXPECT_EQ(0x090807u, GetBaseImagePixelArgb(&image, 2, 1));
}

TEST_F(ImageLoadTest, EmptyDataIsRefusedByEveryReader) {
  const uint8_t none[1] = {0};
  EXPECT_EQ(-1, LoadImageAsBaseImage(nullptr, none, 0, 1, &image, 0));
  const Bytes junk(64, 0x5A);
  EXPECT_EQ(-1, LoadFromBytes(junk, &image));
  EXPECT_EQ(nullptr, image.pixels);
  ScopedWorkDir dir;
  WriteTestFile("empty.png", none, 0);
  EXPECT_EQ(-1, LoadImageAsBaseImage("empty.png", nullptr, 0, 0, &image, 0));
  EXPECT_EQ(-1, LoadImageAsBaseImage("missing.png", nullptr, 0, 0, &image, 0));
}

// Every file passes the PNG and JPEG readers, so their libraries must not
// print their diagnostics.
TEST_F(ImageLoadTest, TheLibrariesPrintNothing) {
  Bytes badCrc = MakeSolidRgbPng(4, 4, 1, 2, 3);
  badCrc[29] ^= 0xFF;  // the header chunk's CRC
  Bytes jpegLike = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0};
  testing::internal::CaptureStderr();
  EXPECT_EQ(-1, LoadFromBytes(badCrc, &image));
  EXPECT_EQ(-1, LoadFromBytes(jpegLike, &image));
  EXPECT_EQ(-1, LoadFromBytes(Bytes(100, 0x42), &image));
  EXPECT_EQ("", testing::internal::GetCapturedStderr());
}

TEST_F(ImageLoadTest, ReverseMirrorsEachRow) {
  PngSpec s;
  s.width = 3;
  s.rows = {{1, 2, 3, 4, 5, 6, 7, 8, 9}};
  ASSERT_EQ(0, LoadFromBytes(MakePng(s), &image, 1));
  EXPECT_EQ((Bytes{9, 8, 7, 6, 5, 4, 3, 2, 1}), RowBytes(image, 0, 9));
}

TEST_F(ImageLoadTest, PairLoadsTheAlphaImageBesideTheColourImage) {
  ScopedWorkDir dir;
  const Bytes colour = MakeSolidRgbPng(2, 2, 255, 0, 255);
  WriteTestFile("Graph/x.png", colour);
  EXPECT_EQ(1, LoadImagePairToBaseImages("./Graph/x.png", nullptr, 0, 0, nullptr, 0, 0, &image,
                                         &alpha, 0));
  EXPECT_EQ(nullptr, alpha.pixels);
  FreeBaseImage(&image);
  WriteTestFile("Graph/x_a.png", MakeSolidRgbPng(2, 2, 128, 128, 128));
  EXPECT_EQ(0, LoadImagePairToBaseImages("./Graph/x.png", nullptr, 0, 0, nullptr, 0, 0, &image,
                                         &alpha, 0));
  EXPECT_EQ(0x808080u, GetBaseImagePixelArgb(&alpha, 0, 0));
  EXPECT_EQ(0xFF00FFu, GetBaseImagePixelArgb(&image, 0, 0));
}

TEST_F(ImageLoadTest, PairFromMemoryAndOtherModes) {
  const Bytes colour = MakeSolidRgbPng(1, 1, 1, 2, 3);
  const Bytes grey = MakeSolidRgbPng(1, 1, 50, 50, 50);
  const int size = static_cast<int>(colour.size());
  EXPECT_EQ(0, LoadImagePairToBaseImages(nullptr, colour.data(), size, 1, grey.data(),
                                         static_cast<int>(grey.size()), 1, &image, &alpha, 0));
  FreeBaseImage(&image);
  FreeBaseImage(&alpha);
  EXPECT_EQ(1, LoadImagePairToBaseImages(nullptr, colour.data(), size, 1, grey.data(),
                                         static_cast<int>(grey.size()), 2, &image, &alpha, 0));
  EXPECT_EQ(nullptr, alpha.pixels);
  FreeBaseImage(&image);
  EXPECT_EQ(1, LoadImagePairToBaseImages(nullptr, colour.data(), size, 1, colour.data(), 3, 1,
                                         &image, &alpha, 0));
  FreeBaseImage(&image);
  EXPECT_EQ(-1, LoadImagePairToBaseImages(nullptr, colour.data(), 10, 1, grey.data(),
                                          static_cast<int>(grey.size()), 1, &image, &alpha, 0));
  EXPECT_EQ(nullptr, image.pixels);
}

struct AlphaNameCase {
  const char *path;
  const char *expected;
};

// Written from the naming rule: "_a" before the last '.' of the last path
// component, else at the end.
const AlphaNameCase kAlphaNames[] = {
    {"pic.png", "pic_a.png"},
    {"pic", "pic_a"},
    {"./Graph/x.png", "./Graph/x_a.png"},
    {"a.b\\c.d.png", "a.b\\c.d_a.png"},
    {"dir.v2/file", "dir.v2/file_a"},
    {"c:name", "c:name_a"},
    {"..\\up", "..\\up_a"},
    {"", "_a"},
};

TEST(AlphaImageNameTest, NarrowAndWideFollowOneRule) {
  for (const AlphaNameCase &c : kAlphaNames) {
    char out[64];
    ASSERT_EQ(0, MakeAlphaImageName(out, sizeof(out), c.path));
    EXPECT_STREQ(c.expected, out);
    std::u16string wide(c.path, c.path + strlen(c.path));
    char16_t outW[64];
    ASSERT_EQ(0, MakeAlphaImageNameW(outW, 64, wide.c_str()));
    EXPECT_EQ(std::u16string(c.expected, c.expected + strlen(c.expected)), std::u16string(outW));
  }
}

TEST(AlphaImageNameTest, DoubleByteCharactersAreSteppedOverWhole) {
  // 0x83 0x2E is one Shift-JIS character whose second byte is '.'.
  const char path[] = "\x83\x2E" "a";
  char out[16];
  ASSERT_EQ(0, MakeAlphaImageName(out, sizeof(out), path));
  EXPECT_STREQ("\x83\x2E" "a_a", out);
}

TEST(AlphaImageNameTest, OutputTooSmallIsRefused) {
  char out[9];
  EXPECT_EQ(-1, MakeAlphaImageName(out, 9, "pic.png"));   // needs 10 bytes
  EXPECT_EQ(0, MakeAlphaImageName(out, 9, "pi.png"));
  char16_t outW[9];
  EXPECT_EQ(-1, MakeAlphaImageNameW(outW, 9, u"pic.png"));
  EXPECT_EQ(-1, MakeAlphaImageName(nullptr, 0, "x"));
}

class DibTest : public LeakCheckedTest {
 protected:
  void TearDown() override {
    if (bits && bits != image.pixels) VV_FREE(bits);
    FreeBaseImage(&image);
    LeakCheckedTest::TearDown();
  }
  void MakeRgb24(int width, int pitch) {
    MakeRgb24PixelFormat(&image.format);
    image.width = width;
    image.height = 2;
    image.pitch = pitch;
    image.pixels = VV_ALLOC(pitch * 2);
    for (int i = 0; i < pitch * 2; ++i) static_cast<uint8_t *>(image.pixels)[i] = uint8_t(i);
  }
  BASEIMAGE image = {};
  DibInfo info = {};
  void *bits = nullptr;
};

TEST_F(DibTest, MatchingRowsAreSharedOthersCopiedToPaddedRows) {
  MakeRgb24(4, 12);
  EXPECT_EQ(0, MakeDibFromBaseImage(&image, &info, &bits, 0, 0));
  EXPECT_EQ(image.pixels, bits);
  EXPECT_EQ(40u, info.header.size);
  EXPECT_EQ(4, info.header.width);
  EXPECT_EQ(-2, info.header.height);
  EXPECT_EQ(1, info.header.planes);
  EXPECT_EQ(24, info.header.bitCount);
  EXPECT_EQ(0u, info.header.compression);
  FreeBaseImage(&image);
  bits = nullptr;

  MakeRgb24(5, 15);
  EXPECT_EQ(1, MakeDibFromBaseImage(&image, &info, &bits, 0, 0));
  ASSERT_NE(image.pixels, bits);
  const uint8_t *rows = static_cast<uint8_t *>(bits);
  EXPECT_EQ(15, rows[16]);  // second row starts at 16, from source byte 15
  EXPECT_EQ(0, rows[15]);   // padding
}

TEST_F(DibTest, OtherFormatsAreConvertedAndPalettesCopied) {
  ASSERT_EQ(0, CreateXrgb32BaseImage(1, 1, &image));
  *static_cast<uint32_t *>(image.pixels) = 0xFF102030;
  EXPECT_EQ(1, MakeDibFromBaseImage(&image, &info, &bits, 0, 0));
  EXPECT_EQ((Bytes{0x30, 0x20, 0x10}), Bytes(static_cast<uint8_t *>(bits),
                                             static_cast<uint8_t *>(bits) + 3));
  VV_FREE(bits);
  bits = nullptr;
  FreeBaseImage(&image);

  PixelFormat grey;
  MakeGray8PixelFormat(&grey);
  ASSERT_EQ(0, CreateBaseImageWithFormat(4, 1, &grey, &image));
  EXPECT_EQ(0, MakeDibFromBaseImage(&image, &info, &bits, 0, 0));
  EXPECT_EQ(8, info.header.bitCount);
  EXPECT_EQ(0x07, info.colors[7][0]);
  EXPECT_EQ(1, MakeDibFromBaseImage(&image, &info, &bits, 1, 0));
  VV_FREE(bits);
  bits = nullptr;
}

TEST_F(DibTest, LoadAsBitmapHandsOverOrFreesThePixels) {
  const Bytes file = MakeSolidRgbPng(4, 1, 1, 2, 3);  // rows of 12 bytes: shared
  DibInfo *dib = nullptr;
  ASSERT_EQ(0, LoadImageToBaseImage(nullptr, file.data(), static_cast<int>(file.size()), 1, 1,
                                    0, nullptr, &dib, &bits));
  ASSERT_NE(nullptr, dib);
  EXPECT_EQ(-1, dib->header.height);
  EXPECT_EQ(3, static_cast<uint8_t *>(bits)[0]);
  VV_FREE(dib);
  VV_FREE(bits);
  bits = nullptr;
  const Bytes odd = MakeSolidRgbPng(3, 1, 1, 2, 3);  // rows of 9 bytes: copied
  ASSERT_EQ(0, LoadImageToBaseImage(nullptr, odd.data(), static_cast<int>(odd.size()), 1, 1, 0,
                                    nullptr, &dib, &bits));
  VV_FREE(dib);
  VV_FREE(bits);
  bits = nullptr;
}

}  // namespace

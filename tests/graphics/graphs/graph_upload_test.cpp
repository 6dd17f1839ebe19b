#include <gtest/gtest.h>

#include <vector>

#include "graphics/device/direct3d_state.h"
#include "graphics/graphs/graph_create.h"
#include "graphics/graphs/graph_fixture.h"
#include "graphics/graphs/graph_load.h"
#include "graphics/graphs/graph_transfer.h"

namespace {

class GraphUploadTest : public GraphFixture {};

uint32_t Rgb(uint32_t v) { return v & 0xFFFFFF; }

TEST_F(GraphUploadTest, AWholeTextureOfTheSameFormatIsCopiedStraight) {
  BASEIMAGE image = MakeImage(128, 32, false, Pattern);
  const int handle = MakeGraphFromBaseImage(&image);
  ASSERT_NE(-1, handle);
  EXPECT_EQ(TEXFMT_32, GetGraphRecord(handle)->image->textureFormat);
  for (int y = 0; y < 32; y++) {
    for (int x = 0; x < 128; x++) ASSERT_EQ(Pattern(x, y), Texel(handle, x, y)) << x << "," << y;
  }
  FreeBaseImage(&image);
}

TEST_F(GraphUploadTest, ConversionAndTheDuplicatedEdges) {
  Start(4096, 0, 1, 16);
  BASEIMAGE image = MakeImage(100, 30, false, Pattern);
  const int handle = MakeGraphFromBaseImage(&image);
  ASSERT_NE(-1, handle);
  const GraphTextureEntry &entry = GetGraphRecord(handle)->image->entries[0];
  EXPECT_EQ(128, entry.textureWidth);
  auto to565 = [](uint32_t v) {
    return ((v >> 8) & 0xF800) | ((v >> 5) & 0x07E0) | ((v >> 3) & 0x001F);
  };
  for (int y = 0; y < 30; y++) {
    for (int x = 0; x < 100; x++) ASSERT_EQ(to565(Pattern(x, y)), Texel(handle, x, y));
  }
  // The column right of the picture, the row below it and the corner.
  for (int y = 0; y < 30; y++) EXPECT_EQ(TextureTexel(entry, 99, y), TextureTexel(entry, 100, y));
  for (int x = 0; x < 100; x++) EXPECT_EQ(TextureTexel(entry, x, 29), TextureTexel(entry, x, 30));
  EXPECT_EQ(TextureTexel(entry, 99, 29), TextureTexel(entry, 100, 30));
  EXPECT_EQ(0u, TextureTexel(entry, 101, 31));
  FreeBaseImage(&image);
}

TEST_F(GraphUploadTest, RectanglesAcrossEntryBorders) {
  Start(64, 0, 0, 32);  // managed textures, columns 64 + 32 + 8
  BASEIMAGE image = MakeImage(100, 40, false, Pattern);
  const int handle = CreateEmptyGraph(100, 40);
  ASSERT_EQ(3, GetGraphRecord(handle)->image->entryCount);
  const Rect src = {50, 5, 98, 25};
  ASSERT_EQ(0, ReloadGraphFromBaseImagesRect(&image, nullptr, &src, 50, 5, handle, 0, nullptr));
  for (int y = 0; y < 40; y++) {
    for (int x = 0; x < 100; x++) {
      const bool inside = x >= 50 && x < 98 && y >= 5 && y < 25;
      ASSERT_EQ(inside ? Pattern(x, y) : 0u, Texel(handle, x, y)) << x << "," << y;
    }
  }
  FreeBaseImage(&image);
}

TEST_F(GraphUploadTest, RectanglesOutsideTheImagesWriteNothing) {
  BASEIMAGE image = MakeImage(16, 16, false, Pattern);
  BASEIMAGE small = MakeImage(8, 8, false, Pattern);
  const int handle = CreateEmptyGraph(16, 16);
  device.calls.clear();
  const Rect cases[] = {{-1, 0, 8, 8}, {0, 0, 17, 8}, {8, 8, 16, 17}};
  for (const Rect &r : cases) {
    EXPECT_EQ(-1, TransferImageToGraph(handle, &r, 0, 0, &image, nullptr, 0, 0));
  }
  const Rect whole = {0, 0, 16, 16};
  EXPECT_EQ(-1, TransferImageToGraph(handle, &whole, 0, 0, &image, &small, 0, 0));
  EXPECT_TRUE(device.CallsOf("LockTextureLevel").empty());
  const Rect empty = {4, 4, 4, 8};
  EXPECT_EQ(0, TransferImageToGraph(handle, &empty, 0, 0, &image, nullptr, 0, 0));
  FreeBaseImage(&image);
  FreeBaseImage(&small);
}

TEST_F(GraphUploadTest, MipChainsByHalving) {
  SetNewGraphMipmapLevels(1, -1);
  // 2 x 2 blocks of one colour: every halving is exact.
  auto blocks = [](int x, int y) { return Pattern(x / 2 * 2, y / 2 * 2); };
  BASEIMAGE image = MakeImage(16, 16, false, blocks);
  const int handle = MakeGraphFromBaseImage(&image);
  ASSERT_NE(-1, handle);
  EXPECT_EQ(5, GetGraphRecord(handle)->image->mipLevelCount);
  const GraphTextureEntry &entry = GetGraphRecord(handle)->image->entries[0];
  for (int y = 0; y < 8; y++) {
    for (int x = 0; x < 8; x++) {
      ASSERT_EQ(Rgb(blocks(2 * x, 2 * y)), Rgb(TextureTexel(entry, x, y, 1))) << x << "," << y;
    }
  }
  FreeBaseImage(&image);
}

// A DXT image of w x h with every level it brings filled with its own byte.
BASEIMAGE MakeDxt(int compression, int w, int h, int levels, std::vector<int> *levelBytes) {
  BASEIMAGE image;
  memset(&image, 0, sizeof image);
  MakeArgb32PixelFormat(&image.format);
  image.format.compression = static_cast<uint32_t>(compression);
  image.width = w;
  image.height = h;
  image.mipCount = levels;
  const int block = compression == 1 ? 8 : 16;
  image.pitch = (w + 3) / 4 * block;
  int total = 0;
  for (int level = 0, lw = w, lh = h; level < (levels > 1 ? levels : 1); level++) {
    const int bytes = (lw + 3) / 4 * ((lh + 3) / 4) * block;
    levelBytes->push_back(bytes);
    total += bytes;
    lw = lw > 1 ? lw / 2 : 1;
    lh = lh > 1 ? lh / 2 : 1;
  }
  image.pixels = AllocMemory(total, "test", 0);
  uint8_t *p = static_cast<uint8_t *>(image.pixels);
  for (size_t level = 0; level < levelBytes->size(); level++) {
    memset(p, static_cast<int>(level + 1), static_cast<size_t>((*levelBytes)[level]));
    p += (*levelBytes)[level];
  }
  return image;
}

TEST_F(GraphUploadTest, DxtChainsCopyEveryLevelWhole) {
  const struct {
    int compression, w, h, levels;
  } cases[] = {{1, 256, 64, 9}, {5, 8, 8, 4}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.compression);
    std::vector<int> bytes;
    BASEIMAGE image = MakeDxt(c.compression, c.w, c.h, c.levels, &bytes);
    const int handle = MakeGraphFromBaseImage(&image);
    ASSERT_NE(-1, handle);
    const GraphTextureEntry &entry = GetGraphRecord(handle)->image->entries[0];
    FakeGfxObject *texture = Texture(entry);
    ASSERT_EQ(c.levels, static_cast<int>(texture->mips.size()) + 1);
    for (int level = 0; level < c.levels; level++) {
      const std::vector<uint8_t> &data = texture->Level(level);
      ASSERT_EQ(static_cast<size_t>(bytes[static_cast<size_t>(level)]), data.size());
      for (uint8_t b : data) ASSERT_EQ(level + 1, b) << "level " << level;
    }
    FreeBaseImage(&image);
  }
}

TEST_F(GraphUploadTest, DxtIntoPlainIsDecodedAndPlainIntoDxtIsRefused) {
  std::vector<int> bytes;
  BASEIMAGE dxt = MakeDxt(1, 8, 8, 0, &bytes);
  // Every block: colour 0 pure red, all indices 0.
  uint8_t *p = static_cast<uint8_t *>(dxt.pixels);
  for (int i = 0; i < 4; i++) {
    const uint8_t block[8] = {0x00, 0xF8, 0x1F, 0x00, 0, 0, 0, 0};
    memcpy(p + i * 8, block, 8);
  }
  dxt.mipCount = 0;
  const int plain = CreateEmptyGraph(8, 8);
  ASSERT_EQ(0, RemakeGraphFromBaseImage(&dxt, plain));
  EXPECT_EQ(0xFF0000u, Rgb(Texel(plain, 3, 5)));
  EXPECT_EQ(1u, dxt.format.compression);  // the caller's image stays compressed

  const int compressed = MakeGraphFromBaseImage(&dxt);
  ASSERT_NE(-1, compressed);
  BASEIMAGE xrgb = MakeImage(8, 8, false, Pattern);
  log.Clear();
  EXPECT_EQ(0, RemakeGraphFromBaseImage(&xrgb, compressed));
  EXPECT_TRUE(Logged("DXTフォーマットのテクスチャに標準形式のイメージを転送することはできません"));
  FreeBaseImage(&dxt);
  FreeBaseImage(&xrgb);
}

TEST_F(GraphUploadTest, TheKeyBecomesTransparentInAlphaTextures) {
  BASEIMAGE argb = MakeImage(8, 8, true, Pattern);
  const int handle = MakeGraphFromBaseImage(&argb);
  ASSERT_EQ(TEXFMT_ALPHA_32, GetGraphRecord(handle)->image->textureFormat);
  BASEIMAGE keyed = MakeImage(8, 8, false, [](int x, int) {
    return x == 2 ? 0xFFFF00FFu : 0xFF102030u;
  });
  ASSERT_EQ(0, RemakeGraphFromBaseImage(&keyed, handle));
  EXPECT_EQ(0u, Texel(handle, 2, 4) >> 24);
  EXPECT_EQ(0xFFu, Texel(handle, 3, 4) >> 24);
  SetColorKeyEnabled(0);
  ASSERT_EQ(0, RemakeGraphFromBaseImage(&keyed, handle));
  EXPECT_EQ(0xFFu, Texel(handle, 2, 4) >> 24);
  SetColorKeyEnabled(1);
  FreeBaseImage(&argb);
  FreeBaseImage(&keyed);
}

TEST_F(GraphUploadTest, AFailingLockGivesMinusOne) {
  BASEIMAGE image = MakeImage(16, 16, false, Pattern);
  const int handle = CreateEmptyGraph(16, 16);
  device.FailCall("LockTextureLevel", device.CountCalls("LockTextureLevel") + 1);
  log.Clear();
  EXPECT_EQ(-1, RemakeGraphFromBaseImage(&image, handle));
  EXPECT_TRUE(Logged("テクスチャのロックに失敗しました"));
  FreeBaseImage(&image);
}

TEST_F(GraphUploadTest, DrawTargetsReceiveThroughASystemSurface) {
  const int handle = DrawTargetGraph(100, 20);
  BASEIMAGE image = MakeImage(100, 20, false, Pattern);
  ASSERT_EQ(0, RemakeGraphFromBaseImage(&image, handle));
  EXPECT_EQ(1, device.CountCalls("UpdateSurface"));
  for (int y = 0; y < 20; y += 3) {
    for (int x = 0; x < 100; x += 7) EXPECT_EQ(Rgb(Pattern(x, y)), Rgb(Texel(handle, x, y)));
  }
  ASSERT_EQ(0, FillGraph(handle, 300, 16, 32, 64));
  EXPECT_EQ(0x40FF1020u, Texel(handle, 50, 10));
  // Other hardware graphs stay as they are.
  const int plain = MakeGraphFromBaseImage(&image);
  EXPECT_EQ(0, FillGraph(plain, 1, 2, 3, 4));
  EXPECT_EQ(Rgb(Pattern(5, 5)), Rgb(Texel(plain, 5, 5)));
  FreeBaseImage(&image);
}

TEST_F(GraphUploadTest, CopyDrawScreenChecksTheSize) {
  const int handle = CreateEmptyGraph(20, 10);
  EXPECT_EQ(-1, CopyDrawScreenToGraph(0, 0, 21, 10, handle));
  EXPECT_EQ(-1, CopyDrawScreenToGraph(630, 0, 650, 10, handle));
  EXPECT_EQ(-1, CopyDrawScreenToGraph(0, 0, 20, 10, -1));
  EXPECT_EQ(0, CopyDrawScreenToGraph(0, 0, 20, 10, handle));
}

}  // namespace

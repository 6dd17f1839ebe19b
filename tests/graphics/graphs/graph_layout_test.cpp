#include <gtest/gtest.h>

#include <vector>

#include "graphics/device/direct3d_state.h"
#include "graphics/graphs/graph_create.h"
#include "graphics/graphs/graph_fixture.h"

namespace {

std::vector<int> Split(int n, int maxSize, int screenWidth = 640) {
  int sizes[GRAPH_MAX_SPLIT];
  const int count = SplitGraphSide(n, maxSize, screenWidth, sizes);
  return std::vector<int>(sizes, sizes + count);
}

TEST(GraphSplitTest, TextureSizesOfOneSide) {
  const struct {
    int n, max;
    std::vector<int> sizes;
  } cases[] = {
      {100, 2048, {128}},
      {30, 2048, {32}},
      {1000, 2048, {1024}},
      {1300, 2048, {1024, 256, 16, 8}},
      {3000, 2048, {2048, 1024}},
      {5, 2048, {8}},
      {8, 2048, {8}},
      {9, 2048, {16}},
      {64, 2048, {64}},
      {640, 16384, {512, 128}},
      {480, 16384, {512}},
      {300, 256, {256, 32, 16}},  // the last two 8s merge
      {256, 256, {256}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::Message() << c.n << " max " << c.max);
    EXPECT_EQ(c.sizes, Split(c.n, c.max));
  }
}

TEST(GraphSplitTest, FormatIndexOfTheCreationBytes) {
  const struct {
    int compressed, target, alpha, test, bits, index;
  } cases[] = {
      {0, 0, 0, 0, 16, 0},  {0, 0, 0, 0, 32, 1},  {0, 0, 1, 0, 16, 2}, {0, 0, 1, 0, 32, 3},
      {0, 0, 0, 1, 16, 4},  {0, 0, 0, 1, 32, 5},  {1, 0, 0, 0, 16, 6}, {5, 1, 1, 0, 32, 10},
      {0, 1, 0, 0, 16, 11}, {0, 1, 0, 0, 32, 12}, {0, 1, 1, 0, 16, 13}, {0, 1, 0, 1, 32, 13},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(c.index, GetGraphFormatIndex(c.compressed, c.target, c.alpha, c.test, c.bits));
  }
  EXPECT_EQ(0xF800u, GetTextureIndexPixelFormat(0)->redMask);
  EXPECT_EQ(0xF000u, GetTextureIndexPixelFormat(2)->alphaMask);
  EXPECT_EQ(4u, GetTextureIndexPixelFormat(6)->bitsPerPixel);
  EXPECT_EQ(3u, GetTextureIndexPixelFormat(8)->compression);
  EXPECT_EQ(nullptr, GetTextureIndexPixelFormat(14));
  EXPECT_EQ(GetTextureIndexPixelFormat(13), GetTextureFormatForFlags(0, 1, 1, 1));
}

class GraphLayoutTest : public GraphFixture {
 protected:
  struct EntryBox {
    int x, y, tw, th;
    bool operator==(const EntryBox &o) const {
      return x == o.x && y == o.y && tw == o.tw && th == o.th;
    }
  };
  std::vector<EntryBox> Entries(int handle) {
    std::vector<EntryBox> boxes;
    const SharedGraphImage *image = GetGraphRecord(handle)->image;
    for (int i = 0; i < image->entryCount; i++) {
      const GraphTextureEntry &e = image->entries[i];
      boxes.push_back({e.x, e.y, e.textureWidth, e.textureHeight});
    }
    return boxes;
  }
};

TEST_F(GraphLayoutTest, ImagesSplitIntoColumnsAndRows) {
  Start(256, 0, 1, 32);
  const int handle = CreateEmptyGraph(300, 100);
  ASSERT_NE(-1, handle);
  const std::vector<EntryBox> expected = {{0, 0, 256, 128}, {256, 0, 32, 128}, {288, 0, 16, 128}};
  EXPECT_EQ(expected, Entries(handle));
  const GraphRecord *graph = GetGraphRecord(handle);
  ASSERT_EQ(3, graph->pieceCount);
  const GraphPiece &second = graph->pieces[1];
  EXPECT_EQ(256, second.destX);
  EXPECT_EQ(0, second.srcX);
  EXPECT_EQ(32, second.width);
  EXPECT_EQ(100, second.height);
  EXPECT_FLOAT_EQ(256.0f, second.corners[0].x);
  EXPECT_FLOAT_EQ(288.0f, second.corners[1].x);
  EXPECT_FLOAT_EQ(100.0f, second.corners[2].y);
  EXPECT_FLOAT_EQ(1.0f, second.corners[1].u);
  EXPECT_FLOAT_EQ(100.0f / 128.0f, second.corners[3].v);
  EXPECT_EQ(12, graph->pieces[2].width);  // 300 - 288
}

TEST_F(GraphLayoutTest, SquareOnlyDevicesCutEntriesIntoSquares) {
  Start(256, 1, 1, 32);
  const int handle = CreateEmptyGraph(100, 20);  // one 128 x 32 texture elsewhere
  ASSERT_NE(-1, handle);
  const std::vector<EntryBox> expected = {{0, 0, 32, 32}, {32, 0, 32, 32}, {64, 0, 32, 32},
                                          {96, 0, 32, 32}};
  EXPECT_EQ(expected, Entries(handle));
  EXPECT_EQ(4, GetGraphRecord(handle)->pieceCount);
}

TEST_F(GraphLayoutTest, DrawTargetsAndSingleTextureGraphsTakeOneTexture) {
  Start(16384, 0, 1, 32);
  EXPECT_EQ((std::vector<EntryBox>{{0, 0, 512, 512}, {512, 0, 128, 512}}),
            Entries(CreateEmptyGraph(640, 480)));
  g_drawSettings.makeDrawTargetGraphs = 1;
  const int target = CreateEmptyGraph(640, 480);
  EXPECT_EQ((std::vector<EntryBox>{{0, 0, 1024, 512}}), Entries(target));
  EXPECT_EQ(TEXFMT_TARGET_32, GetGraphRecord(target)->image->textureFormat);
  g_drawSettings.makeDrawTargetGraphs = 0;
  SetGraphSingleTexture(1);
  EXPECT_EQ((std::vector<EntryBox>{{0, 0, 1024, 512}}), Entries(CreateEmptyGraph(640, 480)));
  SetGraphSingleTexture(0);
  // Square-only devices: a square of the larger side; past the maximum: -1.
  Start(1024, 1, 1, 32);
  g_drawSettings.makeDrawTargetGraphs = 1;
  EXPECT_EQ((std::vector<EntryBox>{{0, 0, 1024, 1024}}), Entries(CreateEmptyGraph(640, 480)));
  const int tooWide = CreateEmptyGraph(1100, 8);
  EXPECT_EQ(-1, tooWide);
  g_drawSettings.makeDrawTargetGraphs = 0;
}

TEST_F(GraphLayoutTest, CornerFlagsMarkTheRisingDiagonal) {
  const int handle = CreateEmptyGraph(100, 50);
  const GraphPiece &piece = GetGraphRecord(handle)->pieces[0];
  // Top-left, top-right and bottom-left lie on or above it; bottom-right below.
  EXPECT_EQ(1, piece.cornerFlags[0]);
  EXPECT_EQ(1, piece.cornerFlags[1]);
  EXPECT_EQ(1, piece.cornerFlags[2]);
  EXPECT_EQ(0, piece.cornerFlags[3]);
}

TEST_F(GraphLayoutTest, MipCountsFollowTheSetting) {
  const struct {
    int enable, levels, expected;
  } cases[] = {{0, 0, 1}, {1, -1, 7}, {1, 3, 3}, {1, 20, 7}};
  for (const auto &c : cases) {
    SetNewGraphMipmapLevels(c.enable, c.levels);
    const int handle = CreateEmptyGraph(100, 30);  // 100 x 30 halves 6 times
    ASSERT_NE(-1, handle);
    EXPECT_EQ(c.expected, GetGraphRecord(handle)->image->mipLevelCount);
    DeleteGraphHandle(handle);
  }
  SetNewGraphMipmapLevels(0, 0);
}

TEST_F(GraphLayoutTest, BadSizesAndFailingTexturesDeleteTheHandle) {
  EXPECT_EQ(-1, CreateEmptyGraph(0, 10));
  EXPECT_EQ(-1, CreateEmptyGraph(10, -1));
  device.FailCall("CreateGraphTexture", device.CountCalls("CreateGraphTexture") + 2);
  EXPECT_EQ(-1, CreateEmptyGraph(10, 10));  // the system copy fails
  EXPECT_TRUE(Logged("メモリテクスチャの作成に失敗しました"));
  EXPECT_EQ(0, GetGraphSlotLimit());
  EXPECT_EQ(0, device.LiveOf("texture"));
}

TEST_F(GraphLayoutTest, PoolsAndTheSystemCopy) {
  Start(4096, 0, 0, 32);  // no Ex device: managed textures
  int handle = CreateEmptyGraph(16, 16);
  EXPECT_EQ(nullptr, GetGraphRecord(handle)->image->entries[0].systemTexture);
  EXPECT_EQ(GFX_POOL_MANAGED, Texture(GetGraphRecord(handle)->image->entries[0])->pool);
  Start(4096, 0, 1, 32);  // the Ex device keeps a system copy
  handle = CreateEmptyGraph(16, 16);
  const GraphTextureEntry &entry = GetGraphRecord(handle)->image->entries[0];
  ASSERT_NE(nullptr, entry.systemTexture);
  EXPECT_EQ(GFX_POOL_SYSTEM, device.Object(entry.systemTexture)->pool);
  EXPECT_EQ(GFX_POOL_DEFAULT, Texture(entry)->pool);
  // New textures are cleared to zero bytes.
  EXPECT_EQ(0u, TextureTexel(entry, 15, 15));
  // Draw targets keep the byte but make only the render-target texture.
  for (int ex : {0, 1}) {
    SCOPED_TRACE(ex);
    Start(4096, 0, ex, 32);
    const int before = device.CountCalls("CreateGraphTexture");
    const int target = DrawTargetGraph(16, 16);
    ASSERT_NE(-1, target);
    const SharedGraphImage *image = GetGraphRecord(target)->image;
    EXPECT_EQ(1, image->systemMemoryCopy);
    EXPECT_EQ(nullptr, image->entries[0].systemTexture);
    EXPECT_EQ(1, device.CountCalls("CreateGraphTexture") - before);
    EXPECT_EQ(GFX_POOL_DEFAULT, Texture(image->entries[0])->pool);
  }
}

TEST_F(GraphLayoutTest, SubGraphsShareTheImageUntilTheLastGoes) {
  const int whole = CreateEmptyGraph(64, 64);
  const int a = CreateSubGraph(0, 0, 32, 32, whole);
  const int b = CreateSubGraph(40, 40, 32, 32, whole);
  ASSERT_GT(a, 0);
  ASSERT_GT(b, 0);
  int w = 0, h = 0;
  GetGraphHandleSize(b, &w, &h);
  EXPECT_EQ(24, w);  // clipped to the source
  EXPECT_EQ(24, h);
  EXPECT_EQ(-1, CreateSubGraph(-1, 0, 8, 8, whole));
  EXPECT_EQ(-1, CreateSubGraph(64, 0, 8, 8, whole));
  SharedGraphImage *image = GetGraphRecord(whole)->image;
  EXPECT_EQ(3, image->referenceCount);
  const int texturesBefore = device.CountCalls("ReleaseTexture");
  DeleteGraphHandle(whole);
  DeleteGraphHandle(a);
  EXPECT_EQ(1, image->referenceCount);
  EXPECT_EQ(texturesBefore, device.CountCalls("ReleaseTexture"));
  DeleteGraphHandle(b);
  EXPECT_GT(device.CountCalls("ReleaseTexture"), texturesBefore);
  EXPECT_EQ(0, device.doubleReleases);
}

}  // namespace

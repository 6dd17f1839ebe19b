#include <gtest/gtest.h>

#include <string.h>

#include "graphics/draw/draw_settings.h"
#include "graphics/state/blend_states.h"
#include "graphics/state/state_fixture.h"

namespace {

class VertexBatchTest : public StateFixture {
 protected:
  // The textured 2-D format, as a textured draw leaves it.
  void SetUp() override {
    StateFixture::SetUp();
    SetBatchSubKind(BATCH_TEXTURED);
    device.calls.clear();
  }
};

TEST(VertexBatchFormats, PrimitiveCountsByTypeAndVertexCount) {
  const struct {
    int type, n, primitives;
  } cases[] = {{PRIM_POINTLIST, 5, 5},     {PRIM_LINELIST, 5, 2},      {PRIM_LINESTRIP, 1, 0},
               {PRIM_LINESTRIP, 4, 3},     {PRIM_TRIANGLELIST, 7, 2},  {PRIM_TRIANGLELIST, 2, 0},
               {PRIM_TRIANGLESTRIP, 2, 0}, {PRIM_TRIANGLESTRIP, 6, 4}, {PRIM_TRIANGLEFAN, 5, 3},
               {0, 6, 0},                  {7, 6, 0}};
  for (const auto &c : cases) {
    EXPECT_EQ(c.primitives, BatchPrimitiveCount(c.type, c.n)) << c.type << " x " << c.n;
  }
}

TEST(VertexBatchFormats, FormatTable) {
  const struct {
    int kind, subKind, capacity, stride;
    uint32_t fvf;
  } cases[] = {{0, 0, 3225, 20, 0x044}, {0, 1, 2340, 28, 0x144}, {0, 2, 1638, 40, 0x2C4},
               {1, 0, 4096, 16, 0x042}, {1, 1, 2730, 24, 0x142}, {1, 2, 0, 0, 0}};
  for (const auto &c : cases) {
    EXPECT_EQ(c.capacity, BatchCapacity(c.kind, c.subKind));
    EXPECT_EQ(c.stride, BatchStride(c.kind, c.subKind));
    EXPECT_EQ(c.fvf, BatchFvf(c.kind, c.subKind));
  }
  EXPECT_EQ(sizeof(Vertex2D), 20u);
  EXPECT_EQ(sizeof(Vertex2DTex), 28u);
  EXPECT_EQ(sizeof(Vertex2DBlend), 40u);
  EXPECT_EQ(sizeof(Vertex3D), 16u);
  EXPECT_EQ(sizeof(Vertex3DTex), 24u);
}

TEST_F(VertexBatchTest, EmptyFlushMakesNoDeviceCall) {
  EXPECT_EQ(0, FlushVertexBatch());
  EXPECT_TRUE(device.calls.empty());
}

TEST_F(VertexBatchTest, The390thQuadFlushesThe389Before) {
  for (int quad = 0; quad < 389; quad++) QueueVertices(6);
  EXPECT_TRUE(device.CallsOf("DrawPrimitiveUP").empty());
  EXPECT_EQ(2334, g_vertexBatch.count);
  QueueVertices(6);
  const std::vector<std::string> draws = device.CallsOf("DrawPrimitiveUP");
  ASSERT_EQ(1u, draws.size());
  EXPECT_EQ("DrawPrimitiveUP type=4 count=778 stride=28", draws[0]);
  EXPECT_EQ(6, g_vertexBatch.count);
}

TEST_F(VertexBatchTest, MoreVerticesThanABlockHoldsAreRefused) {
  QueueVertices(3);
  EXPECT_EQ(nullptr, ReserveBatchVertices(BATCH_KIND_2D, PRIM_TRIANGLELIST, 2341));
  EXPECT_EQ(nullptr, ReserveBatchVertices(BATCH_KIND_2D, PRIM_TRIANGLELIST, 0));
  EXPECT_EQ(nullptr, ReserveBatchVertices(BATCH_KIND_3D, PRIM_TRIANGLELIST, -1));
  EXPECT_EQ(3, g_vertexBatch.count);
  // A whole block fits once the queued vertices are drawn.
  EXPECT_NE(nullptr, ReserveBatchVertices(BATCH_KIND_2D, PRIM_TRIANGLELIST, 2340));
  EXPECT_EQ(2340, g_vertexBatch.count);
  SetBatchSubKind(BATCH_BLEND_TEXTURED);
  EXPECT_EQ(nullptr, ReserveBatchVertices(BATCH_KIND_3D, PRIM_TRIANGLELIST, 3));
}

TEST_F(VertexBatchTest, KindTypeAndFormatSwitchesDrawWhatIsQueued) {
  const struct {
    const char *name;
    void (*next)(void);
    const char *draw;
  } cases[] = {
      {"kind", [] { ReserveBatchVertices(BATCH_KIND_3D, PRIM_TRIANGLELIST, 3); },
       "DrawPrimitiveUP type=4 count=1 stride=28"},
      {"type", [] { ReserveBatchVertices(BATCH_KIND_2D, PRIM_TRIANGLESTRIP, 4); },
       "DrawPrimitiveUP type=4 count=1 stride=28"},
      {"format", [] { SetBatchSubKind(BATCH_UNTEXTURED); },
       "DrawPrimitiveUP type=4 count=1 stride=28"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    SetBatchSubKind(BATCH_TEXTURED);
    FlushVertexBatch();
    device.calls.clear();
    QueueVertices(3);
    c.next();
    const std::vector<std::string> draws = device.CallsOf("DrawPrimitiveUP");
    ASSERT_EQ(1u, draws.size());
    EXPECT_EQ(c.draw, draws[0]);
  }
}

TEST_F(VertexBatchTest, FvfIsSentOnlyWhenItChanges) {
  QueueVertices(3);
  FlushVertexBatch();
  QueueVertices(3);
  FlushVertexBatch();
  EXPECT_EQ(std::vector<std::string>{"SetFVF 0x144"}, device.CallsOf("SetFVF"));
  SetBatchSubKind(BATCH_UNTEXTURED);
  ReserveBatchVertices(BATCH_KIND_2D, PRIM_POINTLIST, 1);
  FlushVertexBatch();
  EXPECT_EQ(2u, device.CallsOf("SetFVF").size());
  EXPECT_EQ(0x044u, device.mirror.fvf);
}

TEST_F(VertexBatchTest, ThreeDBatchDrawsWithIdentityAndPutsTheWorldBack) {
  MakeTranslationMatrix(&g_drawSettings.worldMatrix, 1.0f, 2.0f, 3.0f);
  ReserveBatchVertices(BATCH_KIND_3D, PRIM_TRIANGLELIST, 3);
  FlushVertexBatch();
  const int identity = CallIndex("SetTransform 256");
  const int draw = CallIndex("DrawPrimitiveUP type=4 count=1 stride=24");
  ASSERT_NE(-1, identity);
  EXPECT_LT(identity, draw);
  EXPECT_EQ(2u, device.CallsOf("SetTransform 256").size());
  EXPECT_EQ(0, memcmp(&g_drawSettings.worldMatrix, &device.mirror.transforms[256],
                      sizeof(Matrix4x4)));
  // A 2-D batch leaves the world transform alone.
  device.calls.clear();
  QueueVertices(3);
  FlushVertexBatch();
  EXPECT_TRUE(device.CallsOf("SetTransform").empty());
}

TEST_F(VertexBatchTest, QuitAndSuppressedDrawingDiscardTheVertices) {
  const struct {
    const char *name;
    int ending, suppressed;
  } cases[] = {{"quit", 1, 0}, {"suppressed", 0, 1}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    device.programEnding = c.ending;
    g_stateCache.drawSuppressed = c.suppressed;
    device.calls.clear();
    QueueVertices(6);
    EXPECT_EQ(6, g_vertexBatch.count);
    EXPECT_EQ(0, FlushVertexBatch());
    EXPECT_EQ(0, g_vertexBatch.count);
    EXPECT_TRUE(device.CallsOf("DrawPrimitiveUP").empty());
  }
  device.programEnding = 0;
  g_stateCache.drawSuppressed = 0;
}

TEST_F(VertexBatchTest, StoresArePrefilledForTheDrawPaths) {
  const Vertex2DTex *textured = reinterpret_cast<const Vertex2DTex *>(g_vertexBatch.storage[1]);
  const Vertex2DBlend *blend = reinterpret_cast<const Vertex2DBlend *>(g_vertexBatch.storage[2]);
  const Vertex2D *plain = reinterpret_cast<const Vertex2D *>(g_vertexBatch.storage[0]);
  for (int i : {0, 1000, 2339}) {
    EXPECT_EQ(0.0f, textured[i].z);
    EXPECT_EQ(1.0f, textured[i].rhw);
  }
  for (int i : {1, 3224}) EXPECT_EQ(1.0f, plain[i].rhw);
  for (int i : {0, 1637}) {
    EXPECT_EQ(1.0f, blend[i].rhw);
    EXPECT_EQ(0xFFFFFFFFu, blend[i].specular);
  }
  EXPECT_EQ(0xFFFFFFFFu, g_vertexBatch.diffuse);
}

TEST_F(VertexBatchTest, SetUpDrewOnePointAtTheOrigin) {
  StartWithCaps(0);
  EndGraphicsSystem();
  memset(&g_d3d, 0, sizeof g_d3d);
  device.calls.clear();
  ASSERT_EQ(0, StartGraphicsSystem());
  const std::vector<std::string> draws = device.CallsOf("DrawPrimitiveUP");
  ASSERT_EQ(1u, draws.size());
  EXPECT_EQ("DrawPrimitiveUP type=1 count=1 stride=20", draws[0]);
  ASSERT_EQ(20u, device.lastVertices.size());
  Vertex2D point;
  memcpy(&point, device.lastVertices.data(), sizeof point);
  EXPECT_EQ(0.0f, point.x);
  EXPECT_EQ(0.0f, point.y);
  EXPECT_EQ(1.0f, point.rhw);
}

}  // namespace

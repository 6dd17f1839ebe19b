// The hardware paths against the batch: where each piece's six vertices go,
// with their texture coordinates, for the draws at a point, stretched,
// rotated, as a billboard and on quads.
#include <gtest/gtest.h>
#include <math.h>
#include <string.h>

#include "graphics/draw/camera.h"
#include "graphics/draw_calls/draw_fixture.h"
#include "graphics/state/blend_states.h"

namespace {

const float kEps = 1e-4f;
const double kPi = 3.14159265358979323846;
const int kOrder[6] = {QUAD_TL, QUAD_TR, QUAD_BL, QUAD_BR, QUAD_BL, QUAD_TR};

struct Corner {
  float x, y, u, v;
};

// The six vertices of the quad with these corners, in the batch's order.
void ExpectQuad(const std::vector<QueuedVertex> &got, size_t first, const Corner c[4]) {
  ASSERT_GE(got.size(), first + 6);
  for (int i = 0; i < 6; i++) {
    const QueuedVertex &v = got[first + i];
    const Corner &want = c[kOrder[i]];
    EXPECT_NEAR(want.x, v.x, kEps) << "vertex " << i;
    EXPECT_NEAR(want.y, v.y, kEps) << "vertex " << i;
    EXPECT_NEAR(want.u, v.u, kEps) << "vertex " << i;
    EXPECT_NEAR(want.v, v.v, kEps) << "vertex " << i;
    EXPECT_FLOAT_EQ(1.0f, v.rhw);
    EXPECT_FLOAT_EQ(g_drawSettings.depth2D, v.z);
    EXPECT_EQ(g_vertexBatch.diffuse, v.diffuse);
  }
}

class HardwarePathTest : public DrawFixture {};

// A 20 x 10 graph on a 32 x 16 texture.
TEST_F(HardwarePathTest, GraphInsideTheClipKeepsItsCorners) {
  auto g = MakeDeviceGraph(10, {20});
  ASSERT_EQ(0, HardwareDrawGraph(&g->record, 100, 50, 100.0f, 50.0f, 1, 1));
  const Corner c[4] = {{99.5f, 49.5f, 0, 0}, {119.5f, 49.5f, 0.625f, 0},
                       {99.5f, 59.5f, 0, 0.625f}, {119.5f, 59.5f, 0.625f, 0.625f}};
  const auto got = QueuedVertices();
  ASSERT_EQ(6u, got.size());
  ExpectQuad(got, 0, c);
}

TEST_F(HardwarePathTest, EachClipEdgeCutsTheQuadAndMovesItsTexture) {
  struct Case {
    const char *edge;
    int x, y;
    Corner tl, br;
  } cases[] = {
      {"left", -5, 50, {0, 49.5f, 5.5f / 32, 0}, {14.5f, 59.5f, 20.0f / 32, 10.0f / 16}},
      {"right", 630, 50, {629.5f, 49.5f, 0, 0}, {640, 59.5f, 10.5f / 32, 10.0f / 16}},
      {"top", 100, -3, {99.5f, 0, 0, 3.5f / 16}, {119.5f, 6.5f, 20.0f / 32, 10.0f / 16}},
      {"bottom", 100, 475, {99.5f, 474.5f, 0, 0}, {119.5f, 480, 20.0f / 32, 5.5f / 16}},
  };
  for (const Case &k : cases) {
    SCOPED_TRACE(k.edge);
    FlushVertexBatch();
    auto g = MakeDeviceGraph(10, {20});
    ASSERT_EQ(0, HardwareDrawGraph(&g->record, k.x, k.y, static_cast<float>(k.x),
                                   static_cast<float>(k.y), 1, 1));
    const Corner c[4] = {k.tl, {k.br.x, k.tl.y, k.br.u, k.tl.v}, {k.tl.x, k.br.y, k.tl.u, k.br.v},
                         k.br};
    ExpectQuad(QueuedVertices(), 0, c);
  }
}

TEST_F(HardwarePathTest, GraphWhollyOutsideQueuesNothing) {
  auto g = MakeDeviceGraph(10, {20});
  const int places[][2] = {{640, 0}, {-20, 0}, {0, 480}, {0, -10}};
  for (const auto &p : places) {
    EXPECT_EQ(0, HardwareDrawGraph(&g->record, p[0], p[1], static_cast<float>(p[0]),
                                   static_cast<float>(p[1]), 1, 1));
    EXPECT_EQ(0, g_vertexBatch.count) << p[0] << "," << p[1];
  }
}

TEST_F(HardwarePathTest, TwoPieceGraphQueuesAQuadPerPieceOnItsTexture) {
  auto g = MakeDeviceGraph(10, {16, 8});
  ASSERT_EQ(0, HardwareDrawGraph(&g->record, 10, 20, 10.0f, 20.0f, 0, 1));
  EXPECT_EQ(1u, device.CallsOf("DrawPrimitiveUP").size());
  const auto got = DrawnThenQueued();
  ASSERT_EQ(12u, got.size());
  const Corner a[4] = {{9.5f, 19.5f, 0, 0}, {25.5f, 19.5f, 1, 0}, {9.5f, 29.5f, 0, 0.625f},
                       {25.5f, 29.5f, 1, 0.625f}};
  const Corner b[4] = {{25.5f, 19.5f, 0, 0}, {33.5f, 19.5f, 1, 0}, {25.5f, 29.5f, 0, 0.625f},
                       {33.5f, 29.5f, 1, 0.625f}};
  ExpectQuad(got, 0, a);
  ExpectQuad(got, 6, b);
  EXPECT_EQ(g->entries[1].videoTexture, g_stateCache.pendingTexture);
}

TEST_F(HardwarePathTest, StretchedDegenerateRefusesAndReversedMirrors) {
  auto g = MakeDeviceGraph(10, {20});
  EXPECT_EQ(-1, HardwareDrawGraphStretched(5, 0, 5, 50, 5, 0, 5, 50, &g->record, 1, 1));
  EXPECT_EQ(-1, HardwareDrawGraphStretched(0, 5, 50, 5, 0, 5, 50, 5, &g->record, 1, 1));
  EXPECT_EQ(0, g_vertexBatch.count);
  EXPECT_TRUE(device.calls.empty());
  ASSERT_EQ(0, HardwareDrawGraphStretched(100, 0, 0, 50, 100, 0, 0, 50, &g->record, 1, 1));
  const Corner c[4] = {{99.5f, -0.5f, 0, 0}, {-0.5f, -0.5f, 0.625f, 0},
                       {99.5f, 49.5f, 0, 0.625f}, {-0.5f, 49.5f, 0.625f, 0.625f}};
  ExpectQuad(QueuedVertices(), 0, c);
}

TEST_F(HardwarePathTest, StretchedOverTheClipMovesTextureByTheScaledCut) {
  auto g = MakeDeviceGraph(10, {20});
  // Twice as wide: a cut of 10.5 pixels is 5.25 texels.
  ASSERT_EQ(0, HardwareDrawGraphStretched(-10, 0, 30, 20, -10, 0, 30, 20, &g->record, 1, 1));
  const auto got = QueuedVertices();
  ASSERT_EQ(6u, got.size());
  EXPECT_NEAR(0.0f, got[0].x, kEps);
  EXPECT_NEAR(5.25f / 32, got[0].u, kEps);
  EXPECT_NEAR(29.5f, got[1].x, kEps);
  EXPECT_NEAR(0.625f, got[1].u, kEps);
}

TEST_F(HardwarePathTest, RotatedScaleZeroOrNotFiniteRefuses) {
  auto g = MakeDeviceGraph(10, {20});
  EXPECT_EQ(-1, HardwareDrawGraphRotated(&g->record, 50, 50, 0.0, 1.0, 1, 0));
  EXPECT_EQ(-1, HardwareDrawGraphRotated(&g->record, 50, 50, NAN, 1.0, 1, 0));
  EXPECT_EQ(-1, HardwareDrawGraphRotated(&g->record, 50, 50, 1.0, INFINITY, 1, 0));
  EXPECT_EQ(-1, HardwareDrawGraphRotated(&g->record, NAN, 50, 1.0, 0.0, 1, 0));
  EXPECT_EQ(0, g_vertexBatch.count);
  EXPECT_TRUE(device.calls.empty());
}

TEST_F(HardwarePathTest, RotatedAtAngleZeroLandsOnWholePixels) {
  struct Case {
    int w, h;
    float cx, cy;
    double scale;
    float left, top;  // top-left corner
  } cases[] = {
      {4, 4, 10, 10, 1, 7.5f, 7.5f},       // even: centre moves up-left half a pixel
      {3, 3, 10, 10, 1, 8.5f, 8.5f},       // odd: centred on the pixel
      {4, 3, 10, 10, 1, 8.5f, 8.5f},       // mixed: the even side starts half a pixel on
      {3, 4, 10, 10, 1, 8.5f, 8.5f},
      {4, 4, 10.5f, 10.5f, 1, 8.5f, 8.5f},  // fractional centre as given
      {4, 4, 10, 10, 2, 5.5f, 5.5f},       // scaled: centre half a pixel up-left
  };
  for (const Case &k : cases) {
    SCOPED_TRACE(testing::Message() << k.w << "x" << k.h << " at " << k.cx << " x" << k.scale);
    FlushVertexBatch();
    auto g = MakeDeviceGraph(k.h, {k.w});
    ASSERT_EQ(0, HardwareDrawGraphRotated(&g->record, k.cx, k.cy, k.scale, 0.0, 1, 0));
    const auto got = QueuedVertices();
    ASSERT_EQ(6u, got.size());
    EXPECT_NEAR(k.left, got[0].x, kEps);
    EXPECT_NEAR(k.top, got[0].y, kEps);
    EXPECT_NEAR(k.left + k.w * k.scale, got[3].x, kEps);
    EXPECT_NEAR(k.top + k.h * k.scale, got[3].y, kEps);
  }
}

TEST_F(HardwarePathTest, SnapWindowsAreFourDegreesAroundQuarterTurns) {
  const double q = 1.5707963267948966;
  struct Case {
    double angle;
    int in;
  } cases[] = {{0.0, 1},       {0.06, 1},      {0.08, 0},      {q, 1},
               {q + 0.069, 1}, {q + 0.071, 0}, {2 * q, 1},     {3 * q - 0.06, 1},
               {4 * q, 1},     {4 * q + 0.05, 1}, {-0.05, 1},  {-0.1, 1},
               {7.0, 1},       {1.0, 0},       {2.5, 0}};
  for (const Case &k : cases) EXPECT_EQ(k.in, RotatedAngleInSnapWindow(k.angle)) << k.angle;
  EXPECT_EQ(1, RotatedCornerSnaps(12.0f, 12.005f));
  EXPECT_EQ(1, RotatedCornerSnaps(11.9995f, 11.9995f));
  EXPECT_EQ(0, RotatedCornerSnaps(12.0f, 12.02f));
  EXPECT_EQ(0, RotatedCornerSnaps(12.5f, 12.5f));
}

TEST_F(HardwarePathTest, HalfTurnOnPixelEdgesSnapsEveryPieceAlike) {
  // 3 x 3 about a centre between pixels, turned half round: the corners
  // fall on pixel edges and move half a pixel back.
  auto one = MakeDeviceGraph(3, {3});
  ASSERT_EQ(0, HardwareDrawGraphRotated(&one->record, 10.5f, 10.5f, 1.0, kPi, 1, 0));
  auto got = QueuedVertices();
  ASSERT_EQ(6u, got.size());
  EXPECT_NEAR(11.5f, got[0].x, kEps);
  EXPECT_NEAR(11.5f, got[0].y, kEps);
  EXPECT_NEAR(8.5f, got[3].x, kEps);
  FlushVertexBatch();
  auto two = MakeDeviceGraph(3, {2, 1});
  device.lastVertices.clear();
  ASSERT_EQ(0, HardwareDrawGraphRotated(&two->record, 10.5f, 10.5f, 1.0, kPi, 1, 0));
  got = DrawnThenQueued();
  ASSERT_EQ(12u, got.size());
  EXPECT_NEAR(11.5f, got[0].x, kEps);
  // The seam: the first piece's right edge is the second's left edge.
  EXPECT_NEAR(got[1].x, got[6].x, kEps);
  EXPECT_NEAR(9.5f, got[6].x, kEps);
  EXPECT_NEAR(8.5f, got[9].x, kEps);
}

TEST_F(HardwarePathTest, RotatedFlipMirrorsAndQuarterTurnTurnsClockwise) {
  auto g = MakeDeviceGraph(10, {20});
  ASSERT_EQ(0, HardwareDrawGraphRotated(&g->record, 100, 50, 1.0, 0.0, 1, 1));
  auto got = QueuedVertices();
  EXPECT_NEAR(109.5f, got[0].x, kEps);  // the top-left texel on the right
  EXPECT_NEAR(89.5f, got[1].x, kEps);
  EXPECT_NEAR(0.0f, got[0].u, kEps);
  FlushVertexBatch();
  ASSERT_EQ(0, HardwareDrawGraphRotated(&g->record, 100, 50, 1.0, kPi / 2, 1, 0));
  got = QueuedVertices();
  // The top edge turns to the right side, running downwards.
  EXPECT_NEAR(got[0].x, got[1].x, kEps);
  EXPECT_LT(got[0].y, got[1].y);
  EXPECT_GT(got[0].x, got[2].x);
}

TEST_F(HardwarePathTest, BlendImageLayoutCarriesGraphPositionsAsFirstCoordinates) {
  auto g = MakeDeviceGraph(10, {20});
  auto blend = MakeDeviceGraph(64, {64});
  g_drawSettings.blendGraph = 1;
  SetBlendTexture(0, blend->entries[0].videoTexture, 0);
  g_vertexBatch.blendWidthInverse = 1.0f / 64;
  g_vertexBatch.blendHeightInverse = 1.0f / 64;
  ASSERT_EQ(0, HardwareDrawGraph(&g->record, -5, 50, -5.0f, 50.0f, 1, 1));
  ASSERT_EQ(BATCH_BLEND_TEXTURED, g_vertexBatch.subKind);
  const auto got = QueuedVertices();
  ASSERT_EQ(6u, got.size());
  // Cut at the left edge: 5.5 graph pixels in, on both coordinate pairs.
  EXPECT_NEAR(5.5f / 64, got[0].blendU, kEps);
  EXPECT_NEAR(5.5f / 32, got[0].u, kEps);
  EXPECT_NEAR(20.0f / 64, got[1].blendU, kEps);
  EXPECT_NEAR(10.0f / 64, got[2].blendV, kEps);
  SetBlendTexture(0, NULL, 0);
  g_drawSettings.blendGraph = -1;
}

TEST_F(HardwarePathTest, BillboardMeasureQueuesNothingAndWidensTheRectangle) {
  auto g = MakeDeviceGraph(10, {20});
  const Vector3 at = {320, 240, 100};
  Rect r = {0, 0, 0, 0};
  const int before = device.CountCalls("SetRenderState");
  ASSERT_EQ(0, HardwareDrawGraphBillboard(0, at.x, at.y, at.z, 0.5f, 0.5f, 40, 0, &g->record, 1, 0,
                                          BILLBOARD_MEASURE, &r));
  EXPECT_EQ(0, g_vertexBatch.count);
  EXPECT_EQ(before, device.CountCalls("SetRenderState"));
  // Reference: corners along the camera's right and up vectors, projected.
  UpdateCombinedMatrices();
  const Matrix4x4 &rot = g_drawSettings.cameraRotation;
  float left = 1e9f, top = 1e9f, right = -1e9f, bottom = -1e9f;
  const float unit = 40.0f / 20, xs[2] = {-10 * unit, 10 * unit}, ys[2] = {5 * unit, -5 * unit};
  for (float x : xs) {
    for (float y : ys) {
      const Vector3 w = {at.x + rot.m[0][0] * x + rot.m[1][0] * y,
                         at.y + rot.m[0][1] * x + rot.m[1][1] * y,
                         at.z + rot.m[0][2] * x + rot.m[1][2] * y};
      const Vector3 s = WorldToScreen(w);
      left = fminf(left, s.x);
      right = fmaxf(right, s.x);
      top = fminf(top, s.y);
      bottom = fmaxf(bottom, s.y);
    }
  }
  EXPECT_EQ(static_cast<int>(left) - 1, r.left);
  EXPECT_EQ(static_cast<int>(top) - 1, r.top);
  EXPECT_EQ(static_cast<int>(right) + 1, r.right);
  EXPECT_EQ(static_cast<int>(bottom) + 1, r.bottom);
  EXPECT_LT(r.left, 320);
  EXPECT_GT(r.right, 320);
}

TEST_F(HardwarePathTest, BillboardQueuesWorldVerticesAlongTheCamera) {
  auto g = MakeDeviceGraph(10, {20});
  ASSERT_EQ(0, HardwareDrawGraphBillboard(0, 320, 240, 100, 0.5f, 0.5f, 40, 0, &g->record, 1, 0,
                                          BILLBOARD_DRAW, NULL));
  EXPECT_EQ(BATCH_KIND_3D, g_vertexBatch.kind);
  const auto got = QueuedVertices();
  ASSERT_EQ(6u, got.size());
  const Matrix4x4 &rot = g_drawSettings.cameraRotation;
  // Top-left: 20 world units left, 10 up.
  EXPECT_NEAR(320 - 20 * rot.m[0][0] + 10 * rot.m[1][0], got[0].x, kEps);
  EXPECT_NEAR(240 - 20 * rot.m[0][1] + 10 * rot.m[1][1], got[0].y, kEps);
  EXPECT_NEAR(0.0f, got[0].u, kEps);
  EXPECT_NEAR(0.625f, got[3].u, kEps);
  EXPECT_EQ(0, HardwareDrawGraphBillboard(0, 320, 240, 100, 0.5f, 0.5f, NAN, 0, &g->record, 1, 0,
                                          BILLBOARD_DRAW, NULL) + 1);
}

TEST_F(HardwarePathTest, BillboardWithABlendImageIsProjectedOnTheCpu) {
  auto g = MakeDeviceGraph(10, {20});
  auto blend = MakeDeviceGraph(64, {64});
  g_drawSettings.blendGraph = 1;
  SetBlendTexture(0, blend->entries[0].videoTexture, 0);
  Rect measured = {0, 0, 0, 0};
  ASSERT_EQ(0, HardwareDrawGraphBillboard(0, 320, 240, 100, 0.5f, 0.5f, 40, 0, &g->record, 1, 0,
                                          BILLBOARD_MEASURE, &measured));
  ASSERT_EQ(0, HardwareDrawGraphBillboard(0, 320, 240, 100, 0.5f, 0.5f, 40, 0, &g->record, 1, 0,
                                          BILLBOARD_DRAW, NULL));
  EXPECT_EQ(BATCH_KIND_2D, g_vertexBatch.kind);
  EXPECT_EQ(BATCH_BLEND_TEXTURED, g_vertexBatch.subKind);
  const auto got = QueuedVertices();
  ASSERT_EQ(6u, got.size());
  EXPECT_EQ(measured.left + 1, static_cast<int>(fminf(got[0].x, got[3].x)));
  EXPECT_GT(got[0].rhw, 0.0f);
  EXPECT_NE(1.0f, got[0].rhw);
  SetBlendTexture(0, NULL, 0);
  g_drawSettings.blendGraph = -1;
  FlushVertexBatch();
  // The pre-transformed store keeps rhw 1 for the flat draws after it.
  ASSERT_EQ(0, HardwareDrawGraph(&g->record, 10, 10, 10, 10, 1, 1));
  EXPECT_FLOAT_EQ(1.0f, QueuedVertices()[0].rhw);
}

TEST_F(HardwarePathTest, AxisParallelIntegerQuadGoesStretched) {
  auto g = MakeDeviceGraph(10, {20});
  const int corners[8] = {10, 20, 50, 20, 10, 40, 50, 40};
  ASSERT_EQ(0, HardwareDrawGraphQuad(&g->record, corners, 1));
  const Corner c[4] = {{9.5f, 19.5f, 0, 0}, {49.5f, 19.5f, 0.625f, 0},
                       {9.5f, 39.5f, 0, 0.625f}, {49.5f, 39.5f, 0.625f, 0.625f}};
  ExpectQuad(QueuedVertices(), 0, c);
}

TEST_F(HardwarePathTest, BlendGraphQuadInterpolatesPiecesWithHalfPixelOffset) {
  auto g = MakeDeviceGraph(10, {16, 4});
  auto blend = MakeDeviceGraph(64, {64});
  g_drawSettings.blendGraph = 1;
  SetBlendTexture(0, blend->entries[0].videoTexture, 0);
  const int corners[8] = {10, 10, 50, 20, 0, 40, 40, 50};
  ASSERT_EQ(0, HardwareDrawGraphQuad(&g->record, corners, 1));
  const auto got = DrawnThenQueued();
  ASSERT_EQ(12u, got.size());
  // The seam at graph x 16 of 20 lies 0.8 of the way along each edge.
  EXPECT_NEAR(10 + 0.8f * 40 - 0.5f, got[1].x, kEps);
  EXPECT_NEAR(10 + 0.8f * 10 - 0.5f, got[1].y, kEps);
  EXPECT_NEAR(got[1].x, got[6].x, kEps);
  SetBlendTexture(0, NULL, 0);
  g_drawSettings.blendGraph = -1;
}

TEST_F(HardwarePathTest, ParallelogramIsOneQuadAndAMirroredOneKeepsItsWinding) {
  auto g = MakeDeviceGraph(10, {20});
  const PointF slanted[4] = {{10, 10}, {50, 20}, {0, 40}, {40, 50}};
  ASSERT_EQ(0, HardwareDrawGraphQuadF(&g->record, slanted, 1));
  auto got = QueuedVertices();
  ASSERT_EQ(6u, got.size());
  const Corner c[4] = {{10, 10, 0, 0}, {50, 20, 0.625f, 0}, {0, 40, 0, 0.625f},
                       {40, 50, 0.625f, 0.625f}};
  ExpectQuad(got, 0, c);
  FlushVertexBatch();
  const PointF mirrored[4] = {{50, 10}, {10, 10}, {50, 40}, {10, 40}};
  ASSERT_EQ(0, HardwareDrawGraphQuadF(&g->record, mirrored, 1));
  got = QueuedVertices();
  ASSERT_EQ(6u, got.size());
  const int order[6] = {QUAD_TL, QUAD_BL, QUAD_TR, QUAD_BR, QUAD_TR, QUAD_BL};
  for (int i = 0; i < 6; i++) {
    EXPECT_NEAR(mirrored[order[i]].x, got[i].x, kEps) << i;
    EXPECT_NEAR(mirrored[order[i]].y, got[i].y, kEps) << i;
  }
}

TEST_F(HardwarePathTest, FreeQuadIsAnEightByEightGridWithPulledInCoordinates) {
  auto g = MakeDeviceGraph(10, {20});
  const PointF trapezoid[4] = {{0, 0}, {100, 0}, {20, 80}, {80, 80}};
  ASSERT_EQ(0, HardwareDrawGraphQuadF(&g->record, trapezoid, 1));
  EXPECT_EQ(0, g_vertexBatch.count);
  ASSERT_EQ(1u, device.indexLists.size());
  EXPECT_EQ(2u * 8 * 7 + 2 * 6, device.indexLists[0].size());
  ASSERT_EQ(64u * sizeof(Vertex2DTex), device.lastVertices.size());
  const Vertex2DTex *v = reinterpret_cast<const Vertex2DTex *>(device.lastVertices.data());
  EXPECT_FLOAT_EQ(0.0f, v[0].u);  // the texture's own border stays
  EXPECT_FLOAT_EQ(0.0f, v[0].v);
  EXPECT_NEAR(0.625f - 0.001f * 0.625f / 20, v[7].u, 1e-7f);
  EXPECT_NEAR(0.625f - 0.001f * 0.625f / 10, v[63].v, 1e-7f);
  // Row 7 runs from the bottom-left to the bottom-right; rows between
  // follow the sides.
  EXPECT_FLOAT_EQ(20.0f, v[56].x);
  EXPECT_FLOAT_EQ(80.0f, v[63].x);
  EXPECT_NEAR(20.0f * 2 / 7, v[16].x, 1e-4f);
}

TEST_F(HardwarePathTest, GridStripsJoinAndSplitAtAThousandIndices) {
  std::vector<Vertex2DTex> vertices(40 * 40);
  ASSERT_EQ(-1, BuildGridStripIndices(1, 40, vertices.data()));
  ASSERT_EQ(0, BuildGridStripIndices(40, 40, vertices.data()));
  ASSERT_EQ(4u, device.indexLists.size());
  const size_t lengths[4] = {982, 982, 982, 244};
  int triangles = 0;
  for (size_t l = 0; l < 4; l++) {
    const auto &list = device.indexLists[l];
    EXPECT_EQ(lengths[l], list.size());
    EXPECT_LE(list.size(), 1000u);
    for (size_t i = 2; i < list.size(); i++) {
      if (list[i] != list[i - 1] && list[i] != list[i - 2] && list[i - 1] != list[i - 2]) {
        triangles++;
      }
    }
  }
  // Every cell as two triangles, the joins adding none.
  EXPECT_EQ(2 * 39 * 39, triangles);
  const auto &first = device.indexLists[0];
  EXPECT_EQ(first[79], first[80]);
  EXPECT_EQ(40, first[81]);
  EXPECT_EQ(40, first[82]);
  EXPECT_EQ(12 * 40, device.indexLists[1][0]);
}

TEST_F(HardwarePathTest, WithoutADeviceEveryPathRefuses) {
  auto g = MakeDeviceGraph(10, {20});
  EndGraphicsSystem();
  const PointF quad[4] = {{0, 0}, {10, 0}, {0, 10}, {10, 10}};
  const int ints[8] = {0, 0, 10, 0, 0, 10, 10, 10};
  EXPECT_EQ(-1, HardwareDrawGraph(&g->record, 0, 0, 0, 0, 1, 1));
  EXPECT_EQ(-1, HardwareDrawGraphStretched(0, 0, 9, 9, 0, 0, 9, 9, &g->record, 1, 1));
  EXPECT_EQ(-1, HardwareDrawGraphRotated(&g->record, 5, 5, 1, 0, 1, 0));
  EXPECT_EQ(-1, HardwareDrawGraphBillboard(0, 0, 0, 0, 0.5f, 0.5f, 1, 0, &g->record, 1, 0, 1, NULL));
  EXPECT_EQ(-1, HardwareDrawGraphQuadF(&g->record, quad, 1));
  EXPECT_EQ(-1, HardwareDrawGraphQuad(&g->record, ints, 1));
  EXPECT_EQ(0, BuildGridStripIndices(8, 8, NULL));
  EXPECT_EQ(-1, DrawFilledBox(0, 0, 10, 10, 0));
}

}  // namespace

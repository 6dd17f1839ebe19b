// Sprites per second on the real device under Wine: 10,000 16 x 16 sprites
// a frame through DrawGraphAt (the batch) against one DrawPrimitiveUP per
// sprite with the same vertices and states, in blend modes 0 and 1; every
// frame ends in a render-target readback so the device has finished. Run by
// hand (figures only, nothing asserted) through tools/wine-run.sh under
// xvfb-run, as the Wine programs run:
//   build/win64/tests/graphics/wine/graphics_draw_batch_bench.exe
#include <gtest/gtest.h>
#include <stdio.h>
#include <windows.h>

#include "graphics/device/gfx_device.h"
#include "graphics/draw/draw_setters.h"
#include "graphics/graphs/graph_load.h"
#include "graphics/graphs/graph_records.h"
#include "graphics/state/vertex_batch.h"
#include "picture_compare.h"
#include "spine_support.h"
#include "velvane.h"

namespace {

const int kSprites = 10000, kSide = 16, kFrames = 2;

double Now() {
  LARGE_INTEGER count, frequency;
  QueryPerformanceCounter(&count);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

int SpriteX(int i) { return (i * 37) % (640 - kSide); }
int SpriteY(int i) { return (i * 53) % (480 - kSide); }

void FinishFrame() {
  Picture corner;
  const Rect r = {0, 0, 1, 1};
  ReadDrawScreenPicture(&r, &corner);
}

double BatchFrames(int graph) {
  const double start = Now();
  for (int frame = 0; frame < kFrames; frame++) {
    ClearDrawTarget(NULL);
    for (int i = 0; i < kSprites; i++) DrawGraphAt(SpriteX(i), SpriteY(i), graph, 1);
    FinishFrame();
  }
  return Now() - start;
}

// The same quads as the batch writes, drawn one call each.
double DirectFrames(int graph) {
  const GraphPiece &piece = GetGraphRecord(graph)->pieces[0];
  GfxDevice *device = GetGfxDevice();
  const double start = Now();
  for (int frame = 0; frame < kFrames; frame++) {
    ClearDrawTarget(NULL);
    // One draw brings the device's states in line, as the batch would.
    DrawGraphAt(0, 0, graph, 1);
    FlushVertexBatch();
    device->SetFVF(BatchFvf(BATCH_KIND_2D, BATCH_TEXTURED));
    const uint32_t colour = g_vertexBatch.diffuse;
    for (int i = 0; i < kSprites; i++) {
      const float x0 = SpriteX(i) - 0.5f, y0 = SpriteY(i) - 0.5f;
      const float x1 = x0 + kSide, y1 = y0 + kSide;
      const float u1 = piece.corners[3].u, v1 = piece.corners[3].v;
      const Vertex2DTex quad[6] = {{x0, y0, 0, 1, colour, 0, 0},   {x1, y0, 0, 1, colour, u1, 0},
                                   {x0, y1, 0, 1, colour, 0, v1},  {x1, y1, 0, 1, colour, u1, v1},
                                   {x0, y1, 0, 1, colour, 0, v1},  {x1, y0, 0, 1, colour, u1, 0}};
      device->DrawPrimitiveUP(4, 2, quad, sizeof(Vertex2DTex));
    }
    FinishFrame();
  }
  return Now() - start;
}

TEST(DrawBatchBench, SpritesPerSecond) {
  EnterPrivateDirectory("graphics-draw-batch-bench");
  FrameworkMode mode;
  mode.bits = 32;
  mode.log = 0;
  ASSERT_EQ(0, StartFrameworkInMode(mode));
  SetDrawTarget(-2);
  Picture sprite(kSide, kSide);
  for (int y = 0; y < kSide; y++) {
    for (int x = 0; x < kSide; x++) sprite.Set(x, y, static_cast<uint32_t>(x * 16 << 16 | y * 16 << 8 | 0x80));
  }
  const int graph = MakeGraphFromBaseImage(&sprite.image);
  ASSERT_NE(-1, graph);
  for (int blend : {0, 1}) {
    SetBlendModeAndParam(blend, 128);
    BatchFrames(graph);  // warm-up
    const double batch = BatchFrames(graph), direct = DirectFrames(graph);
    const double sprites = static_cast<double>(kSprites) * kFrames;
    printf("mode %d: batch %.0f sprites/s, one call per sprite %.0f sprites/s, ratio %.2f\n",
           blend, sprites / batch, sprites / direct, direct / batch);
    fflush(stdout);
  }
  SetBlendModeAndParam(0, 255);
  EndFrameworkInMode();
}

}  // namespace

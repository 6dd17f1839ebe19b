// Model instances per frame on the real device under Wine: 1,000 clones of
// a 12-triangle block moved and drawn each frame (VLMSetInstancePosition,
// VLMDrawInstance) against the same buffers drawn with the states set once
// and, per instance, one SetTransform and one DrawIndexedPrimitive. Every
// frame ends in a back-buffer readback so the device has finished. Run by
// hand (figures only, nothing asserted) through tools/wine-run.sh under
// xvfb-run, as the Wine programs run:
//   build/win64/tests/model/wine/model_draw_bench.exe
// The model records first: <windows.h> renames DrawState.
#include "model/data/model_data.h"
#include "model/draw/model_draw_buffers.h"
#include "model/placement/instance_placement.h"
#include "model/system/model_system.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <windows.h>

#include <string>
#include <vector>

#include "graphics/device/gfx_device.h"
#include "graphics/device/screen_readback.h"
#include "graphics/draw/camera.h"
#include "graphics/state/render_state_cache.h"
#include "graphics/state/vertex_batch.h"
#include "graphics/wine/picture_compare.h"
#include "spine_support.h"
#include "tools/mqo_write.h"
#include "velvane.h"

namespace {

const int kInstances = 1000, kFrames = 10, kColumns = 40;
const int kWorldTransform = 256;
const int kRounds = 3;

double Now() {
  LARGE_INTEGER count, frequency;
  QueryPerformanceCounter(&count);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// A block of 0.2 on each side: 8 positions, 6 quads (12 triangles).
std::string BlockModel() {
  MqoWriteModel model;
  MqoWriteMaterial material;
  material.name = "block";
  material.col[1] = 0.6f;
  model.materials.push_back(material);
  MqoWriteObject block;
  block.name = "block";
  for (int i = 0; i < 8; i++) {
    block.vertices.insert(block.vertices.end(),
                          {(i & 1) ? 0.1f : -0.1f, (i & 2) ? 0.1f : -0.1f, (i & 4) ? -0.1f : 0.1f});
  }
  const int rings[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
  for (const auto &ring : rings) {
    MqoWriteFace face;
    face.v.assign(ring, ring + 4);
    face.material = 0;
    block.faces.push_back(face);
  }
  model.objects.push_back(block);
  return WriteMqo(model);
}

float BlockX(int i, int frame) { return -4.0f + 0.2f * (i % kColumns) + 0.01f * frame; }
float BlockY(int i) { return -2.5f + 0.2f * (i / kColumns); }

void BeginFrame() {
  GfxDevice *device = GetGfxDevice();
  FlushVertexBatch();
  EndDeviceScene();
  device->Clear(GFX_CLEAR_TARGET | GFX_CLEAR_ZBUFFER, 0xFF203040u, 1.0f);
}

void FinishFrame(std::vector<uint32_t> *pixels) {
  FlushVertexBatch();
  EndDeviceScene();
  ReadBackBufferPixels(pixels->data(), 640, 480);
}

double ModelFrames(const std::vector<int> &blocks, std::vector<uint32_t> *pixels) {
  const double start = Now();
  for (int frame = 0; frame < kFrames; frame++) {
    BeginFrame();
    for (int i = 0; i < kInstances; i++) {
      VLMSetInstancePosition(blocks[static_cast<size_t>(i)], BlockX(i, frame), BlockY(i), 0.0f);
      VLMDrawInstance(blocks[static_cast<size_t>(i)]);
    }
    FinishFrame(pixels);
  }
  return Now() - start;
}

// The same list from the same chunk; one model draw brings the states in
// line first.
double RawFrames(int block, std::vector<uint32_t> *pixels) {
  const ModelInstance *instance = LookupModelInstance(block);
  const ModelTriangleList *list = &instance->data->triangleLists[0];
  const BufferChunk *chunk = static_cast<const BufferChunk *>(list->bufferChunk);
  GfxDevice *device = GetGfxDevice();
  const double start = Now();
  for (int frame = 0; frame < kFrames; frame++) {
    BeginFrame();
    VLMDrawInstance(block);
    device->SetStreamSource(chunk->vertexBuffer, chunk->stride);
    device->SetIndices(chunk->indexBuffer);
    Matrix4x4 world;
    MakeIdentityMatrix(&world);
    for (int i = 0; i < kInstances; i++) {
      world.m[3][0] = BlockX(i, frame);
      world.m[3][1] = BlockY(i);
      device->SetTransform(kWorldTransform, &world);
      device->DrawIndexedPrimitive(GFX_PRIM_TRIANGLELIST, list->firstVertexInChunk, 0, list->vertexCount,
                                   list->firstIndexInChunk, list->indexCount / 3);
    }
    FinishFrame(pixels);
  }
  return Now() - start;
}

TEST(ModelDrawBench, ClonesAgainstRawDraws) {
  EnterPrivateDirectory("model-draw-bench");
  const std::string text = BlockModel();
  FILE *file = fopen("block.mqo", "wb");
  ASSERT_NE(nullptr, file);
  fwrite(text.data(), 1, text.size(), file);
  fclose(file);
  FrameworkMode mode;
  mode.bits = 32;
  mode.log = 0;
  ASSERT_EQ(0, StartFrameworkInMode(mode));
  Matrix4x4 view, projection;
  const Vector3 eye = {0, 0, -10}, target = {0, 0, 0}, up = {0, 1, 0};
  MakeLookAtMatrix(&view, &eye, &target, &up);
  MakePerspectiveMatrix(&projection, 0.9f, 0.5f, 100.0f, 0.75f);
  SetViewMatrix(&view);
  SetProjectionMatrix(&projection);
  std::vector<int> blocks(1, LoadModel("block.mqo"));
  ASSERT_GE(blocks[0], 0);
  for (int i = 1; i < kInstances; i++) blocks.push_back(VLMCloneInstance(blocks[0]));
  ASSERT_GE(blocks.back(), 0);
  std::vector<uint32_t> pixels(640 * 480);
  // A frame of each first, so neither pays for first use.
  ModelFrames(blocks, &pixels);
  RawFrames(blocks[0], &pixels);
  double model = 0, raw = 0;
  for (int round = 0; round < kRounds; round++) {
    model += ModelFrames(blocks, &pixels);
    raw += RawFrames(blocks[0], &pixels);
  }
  const double frames = 1.0 * kRounds * kFrames;
  printf("%d clones: model draws %.3f ms a frame (%.0f ns an instance), raw draws %.3f ms a frame; ratio %.2f\n",
         kInstances, 1000.0 * model / frames, 1e9 * model / frames / kInstances, 1000.0 * raw / frames, model / raw);
  for (int block : blocks) VLMDeleteInstance(block);
  EndFrameworkInMode();
}

}  // namespace

// Drawing model instances on a device that does nothing: 1,000 clones of a
// 12-triangle block, each moved and drawn, in nanoseconds per instance;
// then the same split into the matrix update, the instance-wide state
// set-up and the draw walk of an unmoved instance.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "graphics/device/graphics_system.h"
#include "graphics/device/screen_settings.h"
#include "graphics/draw/camera.h"
#include "model/data/instance_build.h"
#include "model/data/model_data.h"
#include "model/draw/model_draw_buffers.h"
#include "model/draw/model_draw_support.h"
#include "model/loaders/model_load_param.h"
#include "model/placement/instance_placement.h"
#include "model/system/model_system.h"
#include "null_gfx_device.h"
#include "tools/mqo_write.h"

namespace {

const int kInstances = 1000;

NullGfxDevice g_device;
FakeFrameClock g_clock;
std::vector<int> g_instances;

// A unit block: 8 corners, 6 quads (12 triangles), one material.
std::string BlockDocument() {
  MqoWriteModel model;
  MqoWriteMaterial material;
  material.name = "block";
  model.materials.push_back(material);
  MqoWriteObject block;
  block.name = "block";
  block.vertices = {-1, -1, -1, 1, -1, -1, 1, 1, -1, -1, 1, -1, -1, -1, 1, 1, -1, 1, 1, 1, 1, -1, 1, 1};
  const int quads[6][4] = {{0, 1, 2, 3}, {5, 4, 7, 6}, {4, 0, 3, 7}, {1, 5, 6, 2}, {3, 2, 6, 7}, {4, 5, 1, 0}};
  for (const auto &q : quads) {
    MqoWriteFace face;
    face.v = {q[0], q[1], q[2], q[3]};
    face.material = 0;
    block.faces.push_back(face);
  }
  model.objects.push_back(block);
  return WriteMqo(model);
}

void StartBlocks() {
  if (!g_instances.empty()) return;
  SetGfxDevice(&g_device);
  SetFrameClock(&g_clock);
  StoreScreenMode(640, 480, 32, 0);
  SetUseHardwareRendering(1);
  StartGraphicsSystem();
  StartModelTables();
  Matrix4x4 view, projection;
  const Vector3 eye = {0, 0, -200}, target = {0, 0, 0}, up = {0, 1, 0};
  MakeLookAtMatrix(&view, &eye, &target, &up);
  MakePerspectiveMatrix(&projection, 1.0f, 1.0f, 1000.0f, 0.75f);
  SetViewMatrix(&view);
  SetProjectionMatrix(&projection);
  static const std::string text = BlockDocument();
  const ModelLoadParam param = {text.c_str(), static_cast<int>(text.size()), "block.mqo", "block", "C:\\bench", nullptr};
  const int data = LoadMqoModel(&param);
  SetupDrawBuffers(LookupModelData(data), 1);
  const int first = TakeModelInstanceSlot();
  BuildModelInstance(first, data);
  g_instances.push_back(first);
  for (int i = 1; i < kInstances; i++) g_instances.push_back(VLMCloneInstance(first));
}

float Offset(int i, int64_t frame) { return static_cast<float>((i % 40) - 20) + static_cast<float>(frame & 7) * 0.125f; }

void PerInstance(benchmark::State &state) {
  state.counters["ns/instance"] = benchmark::Counter(static_cast<double>(state.iterations() * kInstances),
                                                     benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_MoveAndDraw(benchmark::State &state) {
  StartBlocks();
  int64_t frame = 0;
  for (auto _ : state) {
    frame++;
    for (int i = 0; i < kInstances; i++) {
      VLMSetInstancePosition(g_instances[i], Offset(i, frame), static_cast<float>(i / 40), 0.0f);
      VLMDrawInstance(g_instances[i]);
    }
  }
  PerInstance(state);
}
BENCHMARK(BM_MoveAndDraw)->Unit(benchmark::kMicrosecond);

void BM_MatrixUpdate(benchmark::State &state) {
  StartBlocks();
  int64_t frame = 0;
  for (auto _ : state) {
    frame++;
    for (int i = 0; i < kInstances; i++) {
      VLMSetInstancePosition(g_instances[i], Offset(i, frame), static_cast<float>(i / 40), 0.0f);
      UpdateInstanceMatrices(LookupModelInstance(g_instances[i]));
    }
  }
  PerInstance(state);
}
BENCHMARK(BM_MatrixUpdate)->Unit(benchmark::kMicrosecond);

void BM_InstanceStateSetUp(benchmark::State &state) {
  StartBlocks();
  for (auto _ : state) {
    for (int i = 0; i < kInstances; i++) ApplyModelInstanceState(LookupModelInstance(g_instances[i]));
  }
  PerInstance(state);
}
BENCHMARK(BM_InstanceStateSetUp)->Unit(benchmark::kMicrosecond);

void BM_DrawUnmoved(benchmark::State &state) {
  StartBlocks();
  for (auto _ : state) {
    for (int i = 0; i < kInstances; i++) VLMDrawInstance(g_instances[i]);
  }
  PerInstance(state);
}
BENCHMARK(BM_DrawUnmoved)->Unit(benchmark::kMicrosecond);

}  // namespace

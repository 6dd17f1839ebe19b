// The MQO road: a generated 100,000-face model (quads and triangles, two
// materials, UVs) parsed and converted by LoadMqoModel, against assimp
// importing the same mesh written as OBJ with triangulation, vertex joining
// and smooth normals at the same 89.5 degrees. Then the converter alone at
// 10k, 100k and 200k triangles, whose time per triangle should stay flat.
#include <assimp/cimport.h>
#include <assimp/config.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <benchmark/benchmark.h>

#include <string>

#include "model/convert/convert_read_model.h"
#include "model/loaders/model_load_param.h"
#include "model/read/read_model.h"
#include "model/system/model_system.h"
#include "tools/mqo_write.h"

namespace {

// 300 x 250 cells, a third of them split in two: 100,000 faces.
MqoWriteModel BenchModel() {
  MqoWriteModel model;
  model.materials = MakeGridMaterials();
  model.objects.push_back(MakeGridObject("ground", 300, 250));
  return model;
}

size_t FaceCount(const MqoWriteModel &model) {
  size_t faces = 0;
  for (const MqoWriteObject &o : model.objects) faces += o.faces.size();
  return faces;
}

void Report(benchmark::State &state, size_t bytes, size_t faces) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
  state.counters["faces/s"] =
      benchmark::Counter(static_cast<double>(state.iterations() * faces), benchmark::Counter::kIsRate);
}

void BM_LoadMqoModel(benchmark::State &state) {
  StartModelTables();
  const MqoWriteModel model = BenchModel();
  const std::string text = WriteMqo(model);
  const ModelLoadParam param = {text.c_str(), static_cast<int>(text.size()), "bench.mqo", "bench", "C:\\bench", nullptr};
  for (auto _ : state) {
    const int handle = LoadMqoModel(&param);
    if (handle < 0) state.SkipWithError("load failed");
    ReleaseModelData(handle);
  }
  Report(state, text.size(), FaceCount(model));
  VLMEndModelSystem();
}
BENCHMARK(BM_LoadMqoModel)->Unit(benchmark::kMillisecond);

void BM_AssimpObjImport(benchmark::State &state) {
  const MqoWriteModel model = BenchModel();
  const std::string text = WriteObj(model);
  aiPropertyStore *store = aiCreatePropertyStore();
  aiSetImportPropertyFloat(store, AI_CONFIG_PP_GSN_MAX_SMOOTHING_ANGLE, 89.5f);
  const unsigned flags = aiProcess_Triangulate | aiProcess_JoinIdenticalVertices | aiProcess_GenSmoothNormals;
  for (auto _ : state) {
    const aiScene *scene =
        aiImportFileFromMemoryWithProperties(text.data(), static_cast<unsigned>(text.size()), flags, "obj", store);
    if (!scene) state.SkipWithError(aiGetErrorString());
    aiReleaseImport(scene);
  }
  aiReleasePropertyStore(store);
  Report(state, text.size(), FaceCount(model));
}
BENCHMARK(BM_AssimpObjImport)->Unit(benchmark::kMillisecond);

// A strip of triangles over shared positions, as one mesh.
void FillStrip(ReadModel *model, int triangles) {
  ReadFrame *frame = ReadModelAddFrame(model, "strip", nullptr);
  ReadMesh *mesh = ReadModelAddMesh(model, frame);
  const int columns = triangles / 2 + 1;
  mesh->positionCount = 2 * (columns + 1);
  mesh->positions = static_cast<Vector3 *>(AllocChainAlloc(sizeof(Vector3) * mesh->positionCount, &model->chain));
  for (int c = 0; c <= columns; c++) {
    mesh->positions[2 * c] = Vector3{static_cast<float>(c), 0.0f, static_cast<float>(c % 3) * 0.2f};
    mesh->positions[2 * c + 1] = Vector3{static_cast<float>(c), 1.0f, 0.0f};
  }
  mesh->polygonCount = triangles;
  mesh->polygons = static_cast<ReadPolygon *>(AllocChainAlloc(sizeof(ReadPolygon) * triangles, &model->chain));
  for (int t = 0; t < triangles; t++) {
    const int c = t / 2;
    ReadPolygon &p = mesh->polygons[t];
    p.cornerCount = 3;
    const int corners[2][3] = {{2 * c, 2 * c + 1, 2 * c + 2}, {2 * c + 2, 2 * c + 1, 2 * c + 3}};
    for (int k = 0; k < 3; k++) p.position[k] = corners[t % 2][k];
  }
}

void BM_ConvertTriangles(benchmark::State &state) {
  StartModelTables();
  const int triangles = static_cast<int>(state.range(0));
  ReadModel model;
  ReadModelInit(&model);
  FillStrip(&model, triangles);
  for (auto _ : state) {
    const int handle = ConvertReadModelToModelData(&model, nullptr, nullptr);
    if (handle < 0) state.SkipWithError("convert failed");
    ReleaseModelData(handle);
  }
  ReadModelTerm(&model);
  state.counters["s/triangle"] = benchmark::Counter(static_cast<double>(state.iterations() * triangles),
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  VLMEndModelSystem();
}
BENCHMARK(BM_ConvertTriangles)->Arg(10000)->Arg(100000)->Arg(200000)->Unit(benchmark::kMillisecond);

}  // namespace

// Draw buffers: the chunk contents in the fixed vertex layout, the chunk
// limits, the release and rebuild around a device loss and every failure
// of a create, lock or unlock.
#include <string.h>

#include <vector>

#include "model/draw/model_draw_fixture.h"

namespace {

using model_fixture::SetList;
using model_fixture::SetMeshVertex;
using model_fixture::SetMeshVertices;
using model_fixture::SetPosition;
using model_fixture::SetPositions;
using model_fixture::Take;

// One vertex of the fixed layout as the text gives it: position, normal,
// the two colours, then each set (u, v, 1, 1).
void PutVertex(std::vector<uint8_t> *out, const float p[3], const float n[3], uint32_t diffuse, uint32_t specular,
               const std::vector<float> &uvs) {
  auto put = [out](const void *bytes, size_t size) {
    const uint8_t *b = static_cast<const uint8_t *>(bytes);
    out->insert(out->end(), b, b + size);
  };
  put(p, 12);
  put(n, 12);
  put(&diffuse, 4);
  put(&specular, 4);
  for (size_t i = 0; i + 1 < uvs.size(); i += 2) {
    const float set[4] = {uvs[i], uvs[i + 1], 1.0f, 1.0f};
    put(set, 16);
  }
}

// The rigid list of the test model: four corners, normal -z, white, no
// specular, one set of coordinates.
std::vector<uint8_t> TestModelChunkVertices() {
  const float positions[4][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, -2}};
  const float uv[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  const float normal[3] = {0, 0, -1};
  std::vector<uint8_t> bytes;
  for (int i = 0; i < 4; i++) PutVertex(&bytes, positions[i], normal, 0xFFFFFFFFu, 0, {uv[i][0], uv[i][1]});
  return bytes;
}

std::vector<uint8_t> BufferBytes(FakeGfxDevice &device, const void *buffer) {
  FakeGfxObject *object = device.Object(buffer);
  return object ? object->pixels : std::vector<uint8_t>();
}

// One frame with one mesh per list, each a rigid list of count vertices;
// with alternateSets odd meshes have a coordinate set (another group).
int MakeWideModel(int lists, int count, ModelData **out, bool alternateSets = false) {
  ModelData *data = static_cast<ModelData *>(VV_ALLOC_ZEROED(sizeof(ModelData)));
  data->frameCount = 1;
  data->frames = Take<ModelFrame>(data, 1);
  ModelFrame *frame = &data->frames[0];
  frame->scale = Vector3{1, 1, 1};
  frame->flags = 1;
  data->rootFrameCount = 1;
  data->firstRootFrame = data->lastRootFrame = frame;
  data->materialCount = 1;
  data->materials = Take<ModelMaterial>(data, 1);
  data->materials[0].alpha = 255;
  SetPositions(data, frame, count, 0);
  for (int i = 0; i < count; i++) SetPosition(frame, i, Vector3{static_cast<float>(i % 7), 0, 0});
  frame->normalCount = 1;
  frame->normals = Take<ModelNormal>(data, 1);
  frame->normals[0].normal = Vector3{0, 1, 0};
  data->meshCount = lists;
  data->meshes = Take<ModelMesh>(data, lists);
  data->triangleListCount = lists;
  data->triangleLists = Take<ModelTriangleList>(data, lists);
  frame->meshCount = lists;
  frame->firstMesh = data->meshes;
  for (int l = 0; l < lists; l++) {
    ModelMesh *mesh = &data->meshes[l];
    mesh->frame = frame;
    mesh->material = &data->materials[0];
    mesh->visible = 1;
    SetMeshVertices(data, mesh, count, alternateSets ? l % 2 : 0);
    for (int i = 0; i < count; i++) SetMeshVertex(mesh, i, i, 0, 0.5f, 0.25f);
    mesh->triangleListCount = 1;
    mesh->firstTriangleList = &data->triangleLists[l];
    SetList(data, &data->triangleLists[l], mesh, MODEL_LIST_RIGID, count, {0, 1, 2});
    EXPECT_EQ(0, FillListVertices(&data->triangleLists[l]));
  }
  EXPECT_EQ(0, AssignModelChangeBits(data));
  BuildFrameMatrices(data);
  const int handle = TakeModelDataSlot();
  EXPECT_EQ(handle, FillModelDataSlot(handle, data));
  *out = data;
  return handle;
}

struct Placement {
  const void *chunk;
  int firstVertex;
  int firstIndex;
};

std::vector<Placement> Placements(const ModelData *data) {
  std::vector<Placement> out;
  for (int i = 0; i < data->triangleListCount; i++) {
    const ModelTriangleList &list = data->triangleLists[i];
    out.push_back(Placement{list.bufferChunk, list.firstVertexInChunk, list.firstIndexInChunk});
  }
  return out;
}

TEST_F(ModelDrawTest, ChunkHoldsTheRigidListInTheFixedLayout) {
  ModelData *data = nullptr;
  LoadTestModel(&data);
  ASSERT_EQ(1, data->drawBuffersReady);
  EXPECT_EQ(1, data->bufferChunkCount);
  const ModelTriangleList &rigid = data->triangleLists[0];
  const ModelTriangleList &skinned = data->triangleLists[1];
  ASSERT_NE(nullptr, rigid.bufferChunk);
  EXPECT_EQ(nullptr, skinned.bufferChunk);
  const BufferChunk *chunk = static_cast<const BufferChunk *>(rigid.bufferChunk);
  // Position, normal, diffuse, specular, one set of four floats.
  EXPECT_EQ(0x2u | 0x10u | 0x40u | 0x80u | 0x100u | (2u << 16), chunk->layoutCode);
  EXPECT_EQ(48, chunk->stride);
  EXPECT_EQ(4, chunk->vertexCount);
  EXPECT_EQ(TestModelChunkVertices(), BufferBytes(device, chunk->vertexBuffer));
  // Triangles, then the outline triangles (those without vertex 2).
  const std::vector<uint16_t> indices = {0, 1, 3, 3, 1, 2, 0, 1, 3};
  const std::vector<uint8_t> indexBytes = BufferBytes(device, chunk->indexBuffer);
  ASSERT_EQ(indices.size() * 2, indexBytes.size());
  EXPECT_EQ(0, memcmp(indices.data(), indexBytes.data(), indexBytes.size()));
  EXPECT_EQ(1u, Calls("CreateVertexBuffer").size());
  EXPECT_EQ("CreateVertexBuffer 192 usage=8 fvf=0x201d2 pool=0", Calls("CreateVertexBuffer")[0]);
  EXPECT_EQ("CreateIndexBuffer 18 usage=8 fmt=101 pool=0", Calls("CreateIndexBuffer")[0]);
  EXPECT_EQ(1, device.LiveOf("vbuffer"));
  EXPECT_EQ(0, SetupDrawBuffers(data, 1));  // a second set-up makes nothing
  EXPECT_EQ(1u, Calls("CreateVertexBuffer").size());
}

TEST_F(ModelDrawTest, NormalMapListsGetNoChunkWithoutShaders) {
  ModelData *data = nullptr;
  const int dataHandle = model_fixture::MakeTestModel(&data);
  data->materials[0].surface.normalMap.used = 1;
  EXPECT_EQ(0, SetupDrawBuffers(data, 1));
  EXPECT_EQ(0, data->bufferChunkCount);
  for (int i = 0; i < data->triangleListCount; i++) EXPECT_EQ(nullptr, data->triangleLists[i].bufferChunk);
  EXPECT_EQ(0, device.LiveOf("vbuffer"));
  EXPECT_EQ(0, ReleaseModelData(dataHandle));
}

TEST_F(ModelDrawTest, GroupsBeyondTheVertexLimitTakeASecondChunkWithListsWhole) {
  ModelData *data = nullptr;
  const int dataHandle = MakeWideModel(7, 60000, &data);
  ASSERT_EQ(0, SetupDrawBuffers(data, 1));
  EXPECT_EQ(2, data->bufferChunkCount);
  const BufferChunk *first = static_cast<const BufferChunk *>(data->triangleLists[0].bufferChunk);
  const BufferChunk *second = static_cast<const BufferChunk *>(data->triangleLists[6].bufferChunk);
  ASSERT_NE(nullptr, first);
  ASSERT_NE(nullptr, second);
  EXPECT_NE(first, second);
  EXPECT_EQ(360000, first->vertexCount);
  EXPECT_EQ(60000, second->vertexCount);
  for (int l = 0; l < 6; l++) {
    EXPECT_EQ(first, data->triangleLists[l].bufferChunk);
    EXPECT_EQ(l * 60000, data->triangleLists[l].firstVertexInChunk);
    EXPECT_EQ(l * 3, data->triangleLists[l].firstIndexInChunk);
  }
  EXPECT_EQ(0, data->triangleLists[6].firstVertexInChunk);
  EXPECT_EQ(0, data->triangleLists[6].firstIndexInChunk);
  EXPECT_EQ(0, ReleaseModelData(dataHandle));
}

TEST_F(ModelDrawTest, ReleaseAndCreateGiveTheSameOffsetsAndBytes) {
  ModelData *data = nullptr;
  const int dataHandle = MakeWideModel(7, 60000, &data);
  ASSERT_EQ(0, SetupDrawBuffers(data, 1));
  const std::vector<Placement> before = Placements(data);
  std::vector<std::vector<uint8_t>> bytes;
  for (int l : {0, 6}) {
    const BufferChunk *chunk = static_cast<const BufferChunk *>(data->triangleLists[l].bufferChunk);
    bytes.push_back(BufferBytes(device, chunk->vertexBuffer));
    bytes.push_back(BufferBytes(device, chunk->indexBuffer));
  }
  EXPECT_EQ(0, VLMReleaseAllDrawBuffers());
  EXPECT_EQ(startObjects, device.LiveObjects());
  for (int i = 0; i < data->triangleListCount; i++) EXPECT_EQ(nullptr, data->triangleLists[i].bufferChunk);
  EXPECT_EQ(0, VLMCreateAllDrawBuffers());
  const std::vector<Placement> after = Placements(data);
  ASSERT_EQ(before.size(), after.size());
  for (size_t i = 0; i < before.size(); i++) {
    EXPECT_NE(nullptr, after[i].chunk);
    EXPECT_EQ(before[i].firstVertex, after[i].firstVertex);
    EXPECT_EQ(before[i].firstIndex, after[i].firstIndex);
  }
  EXPECT_EQ(after[0].chunk, after[5].chunk);
  EXPECT_NE(after[0].chunk, after[6].chunk);
  size_t k = 0;
  for (int l : {0, 6}) {
    const BufferChunk *chunk = static_cast<const BufferChunk *>(data->triangleLists[l].bufferChunk);
    EXPECT_EQ(bytes[k++], BufferBytes(device, chunk->vertexBuffer));
    EXPECT_EQ(bytes[k++], BufferBytes(device, chunk->indexBuffer));
  }
  EXPECT_EQ(0, ReleaseModelData(dataHandle));
}

// A failure at any step leaves no buffer alive and no list pointing at a
// freed chunk; the model then draws from CPU arrays with the same vertices.
TEST_F(ModelDrawTest, EveryCreateOrLockFailureUndoesTheWholeSetUp) {
  const char *kinds[] = {"CreateVertexBuffer", "LockVertexBuffer", "CreateIndexBuffer",
                         "LockIndexBuffer"};
  for (const char *kind : kinds) {
    for (int n : {1, 2}) {
      SCOPED_TRACE(std::string(kind) + " #" + std::to_string(n));
      FakeGfxDevice &d = device;
      d.FailCall(kind, d.CountCalls(kind) + n);
      ModelData *data = nullptr;
      const int dataHandle = MakeWideModel(2, 3, &data, true);
      EXPECT_EQ(-1, SetupDrawBuffers(data, 1));
      EXPECT_EQ(0, data->drawBuffersReady);
      EXPECT_EQ(0, data->bufferChunkCount);
      EXPECT_EQ(startObjects, d.LiveObjects());
      for (int i = 0; i < data->triangleListCount; i++) {
        EXPECT_EQ(nullptr, data->triangleLists[i].bufferChunk);
        EXPECT_EQ(0, data->triangleLists[i].firstVertexInChunk);
        EXPECT_EQ(0, data->triangleLists[i].firstIndexInChunk);
      }
      EXPECT_EQ(0, ReleaseModelData(dataHandle));
    }
  }
}

TEST_F(ModelDrawTest, AFailedSetUpDrawsFromCpuArraysWithEqualVertices) {
  device.FailCall("LockIndexBuffer", 1);
  ModelData *data = nullptr;
  const int dataHandle = model_fixture::MakeTestModel(&data);
  EXPECT_EQ(-1, SetupDrawBuffers(data, 1));
  const int handle = NewInstance(dataHandle);
  device.calls.clear();
  EXPECT_EQ(0, VLMDrawInstance(handle));
  EXPECT_TRUE(Calls("DrawIndexedPrimitive ").empty());
  ASSERT_EQ(1u, Calls("DrawIndexedPrimitiveUP").size());
  EXPECT_EQ("DrawIndexedPrimitiveUP type=4 min=0 vertices=4 count=2 stride=80", Calls("DrawIndexedPrimitiveUP")[0]);
  const std::vector<uint8_t> expected = TestModelChunkVertices();
  ASSERT_EQ(4u * 80u, device.lastVertices.size());
  for (int i = 0; i < 4; i++) {
    EXPECT_EQ(0, memcmp(&expected[static_cast<size_t>(i) * 48], &device.lastVertices[static_cast<size_t>(i) * 80], 48)) << i;
  }
  ASSERT_FALSE(device.indexLists.empty());
  EXPECT_EQ((std::vector<uint16_t>{0, 1, 3, 3, 1, 2}), device.indexLists.back());
}

TEST_F(ModelDrawTest, VertexBuffersSwitchedOffMakeNoBuffers) {
  SetModelVertexBuffersInUse(0);
  ModelData *data = nullptr;
  LoadTestModel(&data);
  EXPECT_EQ(0, data->drawBuffersReady);
  EXPECT_TRUE(Calls("CreateVertexBuffer").empty());
}

}  // namespace

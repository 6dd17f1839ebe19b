// Drawing instances on the recording device: draw arguments and bindings,
// the world matrix against a double reference, hidden and culled frames,
// skinned vertices blended on the CPU, and the model calls off the
// Direct3D path.
#include <math.h>
#include <string.h>

#include "model/draw/model_draw_fixture.h"
#include "model/row_matrices.h"
#include "model/placement/instance_placement.h"
#include "model/textures/builtin_textures.h"

namespace {

const int kWorld = 256;

using Double4 = row_matrices::Mat4;
using row_matrices::Identity;
using row_matrices::Multiply;
using row_matrices::RotationX;
using row_matrices::RotationY;
using row_matrices::RotationZ;
using row_matrices::Translation;

// The frame's default local transform as a row-vector matrix.
Double4 FromLocal(const Matrix34 &local) {
  Double4 m = Identity();
  for (int r = 0; r < 3; r++) {
    for (int c = 0; c < 3; c++) m.m[c][r] = local.m[r][c];
    m.m[3][r] = local.m[r][3];
  }
  return m;
}

TEST_F(ModelDrawTest, RigidListDrawsFromItsChunk) {
  ModelData *data = nullptr;
  const int handle = LoadTestModel(&data);
  device.calls.clear();
  EXPECT_EQ(0, VLMDrawInstance(handle));
  // The leaf's skinned mesh hangs under a hidden frame: one list is drawn.
  ASSERT_EQ(1u, Calls("DrawIndexedPrimitive").size());
  EXPECT_EQ("DrawIndexedPrimitive type=4 base=0 min=0 vertices=4 start=0 count=2", Calls("DrawIndexedPrimitive")[0]);
  EXPECT_TRUE(Calls("DrawIndexedPrimitiveUP").empty());
  EXPECT_EQ((std::vector<std::string>{"SetStreamSource stride=48"}), Calls("SetStreamSource"));
  EXPECT_EQ(1u, Calls("SetIndices").size());
  EXPECT_EQ(0x201D2u, device.mirror.fvf);
  const BufferChunk *chunk = static_cast<const BufferChunk *>(data->triangleLists[0].bufferChunk);
  EXPECT_EQ(chunk->vertexBuffer, device.streamSource);
  EXPECT_EQ(chunk->indexBuffer, device.indices);
}

TEST_F(ModelDrawTest, ASecondInstanceOfTheModelBindsNothing) {
  const int first = LoadTestModel();
  const int second = VLMCloneInstance(first);
  ASSERT_GE(second, 0);
  EXPECT_EQ(0, VLMDrawInstance(first));
  device.calls.clear();
  EXPECT_EQ(0, VLMSetInstancePosition(second, 1, 0, 0));
  EXPECT_EQ(0, VLMDrawInstance(second));
  EXPECT_EQ(1u, Calls("DrawIndexedPrimitive").size());
  EXPECT_TRUE(Calls("SetStreamSource").empty());
  EXPECT_TRUE(Calls("SetIndices").empty());
  EXPECT_TRUE(Calls("SetFVF").empty());
}

TEST_F(ModelDrawTest, WorldMatrixMatchesADoubleReference) {
  ModelData *data = nullptr;
  const int handle = LoadTestModel(&data);
  const double rx = 0.4, ry = -1.1, rz = 2.5;
  EXPECT_EQ(0, VLMSetInstancePosition(handle, 0.5f, -1.0f, 2.0f));
  EXPECT_EQ(0, VLMSetInstanceRotation(handle, static_cast<float>(rx), static_cast<float>(ry), static_cast<float>(rz)));
  EXPECT_EQ(0, VLMDrawInstance(handle));
  const Double4 instance = Multiply(Multiply(Multiply(RotationX(rx), RotationY(ry)), RotationZ(rz)), Translation(0.5, -1.0, 2.0));
  const Double4 expected = Multiply(FromLocal(data->frames[0].localMatrix), instance);
  ASSERT_EQ(1u, device.mirror.transforms.count(kWorld));
  const Matrix4x4 &sent = device.mirror.transforms[kWorld];
  for (int r = 0; r < 4; r++) {
    for (int c = 0; c < 4; c++) EXPECT_NEAR(expected.m[r][c], sent.m[r][c], 2e-4) << r << "," << c;
  }
}

TEST_F(ModelDrawTest, HiddenInstanceMakesNoDeviceCall) {
  const int handle = LoadTestModel();
  LookupModelInstance(handle)->draw.visible = 0;
  device.calls.clear();
  EXPECT_EQ(0, VLMDrawInstance(handle));
  EXPECT_EQ(0, VLMDrawInstanceFrame(handle, 0));
  EXPECT_TRUE(device.calls.empty());
}

// Visibility set in the records, marked as changed for the whole tree.
void SetVisible(ModelInstance *instance, DrawState *state, int visible) {
  state->visible = static_cast<uint8_t>(visible);
  memset(instance->drawChangeSet, 0xFF, instance->drawChangeSetBytes);
}

TEST_F(ModelDrawTest, HiddenFramesMeshesAndParentsDrawNothing) {
  const int handle = LoadTestModel();
  ModelInstance *instance = LookupModelInstance(handle);
  struct Case {
    const char *name;
    DrawState *state;
    int visible;
    size_t chunkDraws;
    size_t memoryDraws;
  } cases[] = {
      {"root frame hidden", &instance->frames[0].draw, 0, 0, 0},
      {"rigid mesh hidden", &instance->meshes[0].draw, 0, 0, 0},
      {"hidden middle frame shown", &instance->frames[1].draw, 1, 1, 1},
      {"leaf frame hidden", &instance->frames[2].draw, 0, 1, 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    const int before = c.state->visible;
    SetVisible(instance, c.state, c.visible);
    device.calls.clear();
    EXPECT_EQ(0, VLMDrawInstance(handle));
    EXPECT_EQ(c.chunkDraws, Calls("DrawIndexedPrimitive").size());
    EXPECT_EQ(c.memoryDraws, Calls("DrawIndexedPrimitiveUP").size());
    if (c.state != &instance->frames[1].draw) SetVisible(instance, c.state, before);
  }
}

TEST_F(ModelDrawTest, FramesBehindTheCameraAreSkipped) {
  const int handle = LoadTestModel();
  EXPECT_EQ(0, VLMSetInstancePosition(handle, 0, 0, -200));
  device.calls.clear();
  EXPECT_EQ(0, VLMDrawInstance(handle));
  EXPECT_TRUE(Calls("DrawIndexedPrimitive").empty());
  EXPECT_EQ(-1, VLMDrawInstanceFrame(handle, 0));
  EXPECT_TRUE(Calls("DrawIndexedPrimitive").empty());
  LookupModelInstance(handle)->data->frames[0].noCulling = 1;
  EXPECT_EQ(0, VLMDrawInstance(handle));
  EXPECT_EQ(0, VLMDrawInstanceFrame(handle, 0));
  EXPECT_EQ(2u, Calls("DrawIndexedPrimitive").size());
}

TEST_F(ModelDrawTest, FrameIndicesOutsideTheModelOrWithoutMeshesAreRefused) {
  const int handle = LoadTestModel();
  device.calls.clear();
  for (int index : {-1, 3, 100000, 1}) EXPECT_EQ(-1, VLMDrawInstanceFrame(handle, index)) << index;
  EXPECT_TRUE(Calls("DrawIndexedPrimitive").empty());
  EXPECT_EQ(0, VLMDrawInstanceFrame(handle, 0));
  EXPECT_EQ(1u, Calls("DrawIndexedPrimitive").size());
  EXPECT_EQ(-1, VLMDrawInstance(handle + 1));
  EXPECT_EQ(-1, VLMDrawInstanceFrame(-1, 0));
}

// The leaf's 4-bone list, blended with the instance's bone matrices in
// doubles: sum of weight x (matrix x position).
TEST_F(ModelDrawTest, SkinnedListIsBlendedOnTheCpuUnderTheIdentity) {
  ModelData *data = nullptr;
  const int handle = LoadTestModel(&data);
  ModelInstance *instance = LookupModelInstance(handle);
  SetVisible(instance, &instance->frames[1].draw, 1);
  EXPECT_EQ(0, VLMSetInstancePosition(handle, 0, 0, 1));
  device.calls.clear();
  EXPECT_EQ(0, VLMDrawInstance(handle));
  ASSERT_EQ(1u, Calls("DrawIndexedPrimitiveUP").size());
  EXPECT_EQ("DrawIndexedPrimitiveUP type=4 min=0 vertices=3 count=1 stride=64", Calls("DrawIndexedPrimitiveUP")[0]);
  const Matrix4x4 &world = device.mirror.transforms[kWorld];
  for (int r = 0; r < 4; r++) {
    for (int c = 0; c < 4; c++) EXPECT_EQ(r == c ? 1.0f : 0.0f, world.m[r][c]);
  }
  // Positions and weights as the fixture wrote them; bones by the list's
  // bone table (list bone 0 is skin bone 1, list bone 1 skin bone 0).
  const double positions[3][3] = {{0, 0, 1}, {2, 0, 1}, {0, 3, 1}};
  const struct {
    int skinBone[2];
    double weight[2];
  } weights[3] = {{{1, 0}, {1.0, 0}}, {{0, 1}, {0.25, 0.75}}, {{0, 0}, {1.0, 0}}};
  const FrameInstance &leaf = instance->frames[2];
  for (int v = 0; v < 3; v++) {
    double expected[3] = {0, 0, 0};
    for (int k = 0; k < 2; k++) {
      if (weights[v].weight[k] == 0) continue;
      const Matrix34 *m = leaf.boneMatrices[weights[v].skinBone[k]];
      for (int r = 0; r < 3; r++) {
        expected[r] += weights[v].weight[k] * (m->m[r][0] * positions[v][0] + m->m[r][1] * positions[v][1] +
                                               m->m[r][2] * positions[v][2] + m->m[r][3]);
      }
    }
    float got[3];
    memcpy(got, &device.lastVertices[static_cast<size_t>(v) * 64], sizeof got);
    for (int r = 0; r < 3; r++) EXPECT_NEAR(expected[r], got[r], 1e-5) << v << "," << r;
  }
}

TEST_F(ModelDrawTest, VertexBuffersOffDrawsTheSameVerticesFromMemory) {
  SetModelVertexBuffersInUse(0);
  const int handle = LoadTestModel();
  device.calls.clear();
  EXPECT_EQ(0, VLMDrawInstance(handle));
  EXPECT_TRUE(Calls("DrawIndexedPrimitive ").empty());
  EXPECT_EQ(1u, Calls("DrawIndexedPrimitiveUP").size());
  ASSERT_FALSE(device.indexLists.empty());
  EXPECT_EQ((std::vector<uint16_t>{0, 1, 3, 3, 1, 2}), device.indexLists.back());
}

// A list whose CPU array cannot be allocated is skipped, not drawn from
// nothing; the next draw with memory draws it.
TEST_F(ModelDrawTest, ListWithoutMemoryForItsCpuArrayIsSkipped) {
  SetModelVertexBuffersInUse(0);
  const int handle = LoadTestModel();
  ASSERT_GE(GetWhiteModelTexture(), 0);
  device.calls.clear();
  SetAllocationFailureCountdown(1);
  EXPECT_EQ(0, VLMDrawInstance(handle));
  SetAllocationFailureCountdown(0);
  EXPECT_TRUE(Calls("DrawIndexedPrimitiveUP").empty());
  EXPECT_EQ(0, VLMDrawInstance(handle));
  EXPECT_EQ(1u, Calls("DrawIndexedPrimitiveUP").size());
}

TEST_F(ModelDrawTest, CloneDrawRestoreAndDeleteLeaveNothingBehind) {
  const int handle = LoadTestModel();
  std::vector<int> clones;
  for (int i = 0; i < 10; i++) clones.push_back(VLMCloneInstance(handle));
  for (int clone : clones) {
    ASSERT_GE(clone, 0);
    EXPECT_EQ(0, VLMDrawInstance(clone));
  }
  EXPECT_EQ(0, VLMReleaseAllDrawBuffers());
  EXPECT_EQ(0, VLMCreateAllDrawBuffers());
  for (int clone : clones) EXPECT_EQ(0, VLMDrawInstance(clone));
  for (int clone : clones) EXPECT_EQ(0, VLMDeleteInstance(clone));
  EXPECT_EQ(0, VLMDeleteInstance(handle));
  EXPECT_EQ(0, GetModelDataCount());
  // The shared white texture stays until the model system ends.
  EXPECT_EQ(0, VLMEndModelSystem());
  EXPECT_EQ(startObjects, device.LiveObjects());
}

TEST_F(ModelDrawTest, OffTheDirect3DPathEveryModelCallRefuses) {
  const int handle = LoadTestModel();
  EXPECT_EQ(0, VLMEndModelSystem());
  const int blocks = GetAllocatedBlockCount();
  device.calls.clear();
  EXPECT_EQ(-1, VLMDrawInstance(handle));
  EXPECT_EQ(-1, VLMDrawInstanceFrame(handle, 0));
  EXPECT_EQ(-1, VLMCloneInstance(handle));
  EXPECT_EQ(-1, VLMSetInstancePosition(handle, 1, 2, 3));
  EXPECT_EQ(-1, VLMSetInstanceRotation(handle, 1, 2, 3));
  EXPECT_EQ(-1, VLMDeleteInstance(handle));
  EXPECT_EQ(-1, LoadModel("Model/Ball.mqo"));
  EXPECT_EQ(-1, VLMOptimizeModelVertices(1 << 27));
  EXPECT_EQ(-1, VLMRecalculateModelNormals(1 << 27, 1.0f));
  EXPECT_EQ(blocks, GetAllocatedBlockCount());
  EXPECT_TRUE(device.calls.empty());
}

}  // namespace

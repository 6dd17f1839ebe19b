// Skinned lists of every kind (4 bones, 8 bones, free bones) drawn from
// their CPU arrays: the positions and normals that reach the device are
// the bone-weighted blends, computed here in doubles from the positions'
// own skin weights (frame bone numbers, not the list's bone table).
#include <string.h>

#include "model/build/list_vertices.h"
#include "model/draw/model_draw_fixture.h"
#include "model/placement/instance_placement.h"

namespace {

const int kCpuStride = 64;  // no texture-coordinate sets: 4 x 16 bytes

struct SkinCase {
  const char *name;
  int kind;
  int bytesPerVertex;             // free bones only
  ModelSkinWeight weights[3][2];  // per leaf position; bone -1 ends a list
};

const SkinCase kCases[] = {
    {"4 bones, one bone each", MODEL_LIST_BONES4, 0, {{{1, 1.0f}, {-1, 0}}, {{0, 1.0f}, {-1, 0}}, {{1, 1.0f}, {-1, 0}}}},
    {"4 bones, shared", MODEL_LIST_BONES4, 0, {{{0, 0.6f}, {1, 0.4f}}, {{1, 0.25f}, {0, 0.75f}}, {{1, 0.9f}, {0, 0.1f}}}},
    {"8 bones, one bone each", MODEL_LIST_BONES8, 0, {{{0, 1.0f}, {-1, 0}}, {{1, 1.0f}, {-1, 0}}, {{0, 1.0f}, {-1, 0}}}},
    {"8 bones, shared", MODEL_LIST_BONES8, 0, {{{1, 0.3f}, {0, 0.7f}}, {{0, 0.5f}, {1, 0.5f}}, {{0, 0.2f}, {1, 0.8f}}}},
    {"free bones, full room", MODEL_LIST_FREE_BONES, 24 + 2 * 8,
     {{{0, 0.35f}, {1, 0.65f}}, {{1, 1.0f}, {-1, 0}}, {{1, 0.45f}, {0, 0.55f}}}},
    {"free bones, spare room", MODEL_LIST_FREE_BONES, 24 + 4 * 8,
     {{{1, 0.8f}, {0, 0.2f}}, {{0, 1.0f}, {-1, 0}}, {{0, 0.4f}, {1, 0.6f}}}},
};

// The leaf's list made again as the case's kind over the case's weights.
int LoadSkinnedModel(const SkinCase &c, ModelData **dataOut) {
  ModelData *data = nullptr;
  const int dataHandle = model_fixture::MakeTestModel(&data);
  ModelFrame *leaf = &data->frames[2];
  for (int v = 0; v < 3; v++) {
    ModelSkinWeight *w = PositionWeights(PositionAt(leaf, v));
    w[0] = c.weights[v][0];
    w[1] = c.weights[v][1];
  }
  ModelTriangleList *list = &data->triangleLists[1];
  list->kind = static_cast<uint16_t>(c.kind);
  list->bytesPerVertex = c.bytesPerVertex;
  list->vertices = model_fixture::Take<uint8_t>(data, list->vertexCount * ListVertexSize(list));
  EXPECT_EQ(0, FillListVertices(list));
  EXPECT_EQ(0, SetupDrawBuffers(data, 1));
  *dataOut = data;
  return model_fixture::NewInstance(dataHandle);
}

// sum of weight x (bone matrix x position) and weight x (its 3 x 3 x normal).
void Blend(const FrameInstance &frame, const ModelSkinWeight *weights, const Vector3 &p, const Vector3 &n,
           double position[3], double normal[3]) {
  for (int r = 0; r < 3; r++) position[r] = normal[r] = 0;
  for (int k = 0; k < 2 && weights[k].bone >= 0; k++) {
    const Matrix34 &m = *frame.boneMatrices[weights[k].bone];
    const double w = weights[k].weight;
    for (int r = 0; r < 3; r++) {
      position[r] += w * (m.m[r][0] * static_cast<double>(p.x) + m.m[r][1] * static_cast<double>(p.y) +
                          m.m[r][2] * static_cast<double>(p.z) + m.m[r][3]);
      normal[r] += w * (m.m[r][0] * static_cast<double>(n.x) + m.m[r][1] * static_cast<double>(n.y) +
                        m.m[r][2] * static_cast<double>(n.z));
    }
  }
}

TEST_F(ModelDrawTest, SkinnedListsOfEveryKindReachTheDeviceBlended) {
  const Vector3 positions[3] = {{0, 0, 1}, {2, 0, 1}, {0, 3, 1}};
  const Vector3 normals[3] = {{0, 1, 0}, {1, 0, 0}, {0, 1, 0}};  // the mesh's normal indices 0, 1, 0
  for (const SkinCase &c : kCases) {
    SCOPED_TRACE(c.name);
    ModelData *data = nullptr;
    const int handle = LoadSkinnedModel(c, &data);
    ASSERT_GE(handle, 0);
    ModelInstance *instance = LookupModelInstance(handle);
    instance->frames[1].draw.visible = 1;
    memset(instance->drawChangeSet, 0xFF, instance->drawChangeSetBytes);
    EXPECT_EQ(0, VLMSetInstancePosition(handle, 0.5f, -1, 2));
    EXPECT_EQ(0, VLMSetInstanceRotation(handle, 0.4f, 0.1f, -0.3f));
    device.calls.clear();
    EXPECT_EQ(0, VLMDrawInstance(handle));
    // The rigid root list comes from its chunk; the skinned one from memory
    // under the identity world matrix.
    ASSERT_EQ(1u, Calls("DrawIndexedPrimitiveUP").size());
    EXPECT_EQ("DrawIndexedPrimitiveUP type=4 min=0 vertices=3 count=1 stride=64", Calls("DrawIndexedPrimitiveUP")[0]);
    const Matrix4x4 &world = device.mirror.transforms[256];
    for (int r = 0; r < 4; r++) {
      for (int k = 0; k < 4; k++) EXPECT_EQ(r == k ? 1.0f : 0.0f, world.m[r][k]);
    }
    const FrameInstance &leaf = instance->frames[2];
    for (int v = 0; v < 3; v++) {
      double position[3], normal[3];
      Blend(leaf, c.weights[v], positions[v], normals[v], position, normal);
      float got[6];
      memcpy(got, &device.lastVertices[static_cast<size_t>(v) * kCpuStride], sizeof got);
      for (int r = 0; r < 3; r++) {
        EXPECT_NEAR(position[r], got[r], 1e-5) << "vertex " << v << " position " << r;
        EXPECT_NEAR(normal[r], got[3 + r], 1e-5) << "vertex " << v << " normal " << r;
      }
    }
  }
}

}  // namespace

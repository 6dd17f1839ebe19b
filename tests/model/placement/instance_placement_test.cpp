#include "model/placement/instance_placement.h"

#include <gtest/gtest.h>
#include <stdint.h>

#include "model/model_fixture.h"
#include "core/util/maths.h"
#include "model/placement/model_bounds.h"

namespace {

using model_fixture::MakeTestModel;
using model_fixture::ModelSystemTest;

class InstancePlacementTest : public ModelSystemTest {
 protected:
  void SetUp() override {
    ModelSystemTest::SetUp();
    dataHandle = MakeTestModel(&data);
    handle = NewInstance(dataHandle);
    ASSERT_NE(-1, handle);
    instance = LookupModelInstance(handle);
  }
  ModelData *data = nullptr;
  int dataHandle = -1;
  int handle = -1;
  ModelInstance *instance = nullptr;
};

bool Aligned16(const void *p) { return reinterpret_cast<uintptr_t>(p) % 16 == 0; }

TEST_F(InstancePlacementTest, OneAllocationWithAlignedAreasAndDefaults) {
  const int blocks = GetAllocatedBlockCount();
  const int clone = VLMCloneInstance(handle);
  EXPECT_EQ(blocks + 1, GetAllocatedBlockCount());
  const ModelInstance *c = LookupModelInstance(clone);
  const unsigned char *start = reinterpret_cast<const unsigned char *>(c);
  for (const void *area : {static_cast<const void *>(c->frames), static_cast<const void *>(c->meshes),
                           static_cast<const void *>(c->boneMatrices), static_cast<const void *>(c->rigidVertices),
                           static_cast<const void *>(c->bone4Vertices), static_cast<const void *>(c->meshVertexStates)}) {
    EXPECT_TRUE(Aligned16(area));
    EXPECT_GT(static_cast<const unsigned char *>(area), start);
  }
  EXPECT_EQ(c->bone4Vertices, c->triangleLists[1].vertices);
  EXPECT_EQ(nullptr, c->triangleLists[0].vertices);  // rigid meshes share the data's vertices
  EXPECT_EQ(1, c->draw.visible);
  EXPECT_EQ(0, c->draw.hasOwnScale);
  EXPECT_EQ(1.0f, c->draw.scale[3].a);
  EXPECT_EQ(1.0f, c->draw.opacity);
  EXPECT_EQ(1, c->depthTest);
  EXPECT_EQ(1, c->depthWrite);
  EXPECT_EQ(4, c->depthFunction);
  EXPECT_EQ(0, c->depthBias);
  EXPECT_EQ(2, c->maxAnisotropy[2]);
  EXPECT_EQ(0xFFu, c->matrixChangeSet[0] & 0xFF);
  EXPECT_EQ(0xFFFFFFFFu, c->drawChangeSet[0]);
  EXPECT_EQ(4, c->drawChangeSetBytes);  // (2 meshes + 3 frames + 32) / 32 words
  EXPECT_EQ(0, memcmp(c->frames[1].tag, "FRM_", 4));
  EXPECT_EQ(0, c->frames[1].draw.visible);
  EXPECT_EQ(1, c->frames[2].draw.visible);
  EXPECT_EQ(1, c->rootFrameCount);
  EXPECT_EQ(&c->frames[0], c->rootFrames[0]);
  EXPECT_EQ(&c->frames[1], c->frames[0].children[0]);
  EXPECT_EQ(-1, c->meshes[0].drawMode);
  EXPECT_EQ(0.5f, c->materials[0].surface.diffuse.g);
  EXPECT_EQ(-1, c->textures[0].ownGraphHandle);
  EXPECT_EQ(2, c->textures[0].filter);
  EXPECT_EQ(&c->boneMatrices[1], c->frames[2].boneMatrices[1]);
}

Matrix4x4 Four(const Matrix34 &m) {
  Matrix4x4 out;
  Matrix34To4x4(&out, &m);
  return out;
}

// The reference: the shared 4x4 maths with row vectors, local x parent.
TEST_F(InstancePlacementTest, WorldMatricesFollowTheFourByFourProducts) {
  ASSERT_EQ(0, VLMSetInstancePosition(handle, 10, -20, 30));
  ASSERT_EQ(0, VLMSetInstanceRotation(handle, 0.1f, 0.7f, -0.4f));
  UpdateInstanceMatrices(instance);
  Matrix4x4 rotation, move, placed, rootLocal, rootRotation, rootMove, rootWorld, middleMove, middleWorld;
  MakeEulerMatrixXYZ(&rotation, 0.1f, 0.7f, -0.4f);
  MakeTranslationMatrix(&move, 10, -20, 30);
  MultiplyMatrix(&placed, &rotation, &move);
  MakeEulerMatrixXYZ(&rootRotation, 0.3f, -0.2f, 0.5f);
  MakeTranslationMatrix(&rootMove, 1, 2, 3);
  MultiplyMatrix(&rootLocal, &rootRotation, &rootMove);
  MultiplyMatrix(&rootWorld, &rootLocal, &placed);
  MakeTranslationMatrix(&middleMove, 0, 5, 0);
  MultiplyMatrix(&middleWorld, &middleMove, &rootWorld);
  const Matrix4x4 want[3] = {rootWorld, middleWorld, middleWorld};  // the leaf has no transform
  for (int f = 0; f < 3; f++) {
    const Matrix4x4 got = Four(instance->frames[f].worldMatrix);
    for (int r = 0; r < 4; r++)
      for (int c = 0; c < 4; c++) EXPECT_NEAR(want[f].m[r][c], got.m[r][c], 2e-3) << f << r << c;
  }
  EXPECT_EQ(MODEL_TRANSFORM_FULL, data->frames[0].transformKind);
  EXPECT_EQ(MODEL_TRANSFORM_TRANSLATION, data->frames[1].transformKind);
  EXPECT_EQ(MODEL_TRANSFORM_NONE, data->frames[2].transformKind);
  // Bone matrices: the offset first, then the frame's world matrix.
  Matrix34 boneWant;
  MultiplyMatrix34(&instance->frames[2].worldMatrix, &boneWant, &data->skinBones[1].offsetMatrix);
  EXPECT_EQ(0, memcmp(&boneWant, &instance->boneMatrices[1], sizeof(Matrix34)));
  Matrix34 translationWant;
  MultiplyMatrix34Translation(&instance->frames[0].worldMatrix, &data->skinBones[0].offsetMatrix, &translationWant);
  EXPECT_EQ(0, memcmp(&translationWant, &instance->boneMatrices[0], sizeof(Matrix34)));
  EXPECT_EQ(0u, instance->matrixChangeSet[0]);
  EXPECT_EQ(1, instance->matricesValid);
}

TEST_F(InstancePlacementTest, UnchangedPlacementMarksNothing) {
  UpdateInstanceMatrices(instance);
  ASSERT_EQ(1, instance->matricesValid);
  EXPECT_EQ(0, VLMSetInstanceRotation(handle, 0, 0, 0));
  EXPECT_EQ(1, instance->matricesValid);
  EXPECT_EQ(0, VLMSetInstancePosition(handle, 0, 0, 0));
  EXPECT_EQ(1, instance->matricesValid);
  EXPECT_EQ(0u, instance->matrixChangeSet[0]);
  EXPECT_EQ(0, VLMSetInstancePosition(handle, 1, 2, 3));
  EXPECT_EQ(0, instance->matricesValid);
  EXPECT_EQ(0xFFu, instance->matrixChangeSet[0] & 0xFF);
  UpdateInstanceMatrices(instance);
  EXPECT_EQ(0, VLMSetInstancePosition(handle, 1, 2, 3));
  EXPECT_EQ(1, instance->matricesValid);
  // -0.0 is another value bit for bit, so it marks.
  EXPECT_EQ(0, VLMSetInstanceRotation(handle, -0.0f, 0, 0));
  EXPECT_EQ(0, instance->matricesValid);
}

TEST_F(InstancePlacementTest, DrawStateFlowsDownTheTree) {
  instance->draw.hasOwnScale = 1;
  instance->draw.scale[0] = ColorF{0.5f, 1, 1, 1};
  instance->draw.opacity = 0.5f;
  FrameInstance *root = &instance->frames[0], *middle = &instance->frames[1], *leaf = &instance->frames[2];
  root->draw.hasOwnScale = 1;
  root->draw.scale[0] = ColorF{0.5f, 0.25f, 1, 1};
  MeshInstance *leafMesh = &instance->meshes[1];
  leafMesh->draw.hasOwnScale = 1;
  leafMesh->draw.scale[0] = ColorF{2, 2, 2, 2};
  RefreshMeshDrawState(leafMesh);
  EXPECT_EQ(0u, instance->drawChangeSet[0]);
  EXPECT_EQ(1, root->effective.visible);
  EXPECT_EQ(0, middle->effective.visible);
  EXPECT_EQ(0, leaf->effective.visible);  // a hidden parent hides a visible child
  EXPECT_EQ(0, leafMesh->effective.visible);
  EXPECT_FLOAT_EQ(0.25f, root->effective.scale[0].r);
  EXPECT_FLOAT_EQ(0.25f, leaf->effective.scale[0].g);
  EXPECT_FLOAT_EQ(0.5f, leafMesh->effective.scale[0].r);
  EXPECT_FLOAT_EQ(0.5f, leafMesh->effective.scale[0].g);
  EXPECT_FLOAT_EQ(0.5f, leaf->effective.opacity);

  // Showing the middle frame and marking only its subtree.
  middle->draw.visible = 1;
  MarkBitRange(&data->frames[1].drawChange, instance->drawChangeSet);
  EXPECT_EQ(0u, *root->drawChangeWord & root->drawChangeMask);
  RefreshFrameDrawState(leaf);
  EXPECT_EQ(1, leaf->effective.visible);
  EXPECT_EQ(1, leafMesh->effective.visible);
  EXPECT_EQ(0u, instance->drawChangeSet[0]);
}

TEST_F(InstancePlacementTest, BoundsCoverBothFramesInModelSpace) {
  Vector3 low, high;
  ASSERT_EQ(0, ComputeModelBounds(handle, &low, &high));
  EXPECT_EQ(1, data->boundsValid);
  // Reference: every position of both meshes through its frame's world
  // matrix (the placement of a new instance).
  float wantLow[3] = {1e9f, 1e9f, 1e9f}, wantHigh[3] = {-1e9f, -1e9f, -1e9f};
  const struct {
    int frame, count;
  } meshes[] = {{0, 4}, {2, 3}};
  for (const auto &m : meshes) {
    for (int i = 0; i < m.count; i++) {
      Vector3 p;
      TransformPoint34(&instance->frames[m.frame].worldMatrix, &p, &PositionAt(&data->frames[m.frame], i)->position);
      const float v[3] = {p.x, p.y, p.z};
      for (int k = 0; k < 3; k++) {
        wantLow[k] = std::min(wantLow[k], v[k]);
        wantHigh[k] = std::max(wantHigh[k], v[k]);
      }
    }
  }
  EXPECT_FLOAT_EQ(wantLow[0], low.x);
  EXPECT_FLOAT_EQ(wantLow[1], low.y);
  EXPECT_FLOAT_EQ(wantLow[2], low.z);
  EXPECT_FLOAT_EQ(wantHigh[0], high.x);
  EXPECT_FLOAT_EQ(wantHigh[1], high.y);
  EXPECT_FLOAT_EQ(wantHigh[2], high.z);
  // Frame boxes are in the frame's own space.
  EXPECT_EQ(-2.0f, data->frames[0].boundsMin[2]);
  EXPECT_EQ(1.0f, data->frames[0].boundsMax[1]);
  EXPECT_EQ(3.0f, data->frames[2].boundsMax[1]);
  EXPECT_EQ(1.0f, data->frames[2].boundsMin[2]);
  EXPECT_EQ(-1, ComputeModelBounds(dataHandle, &low, &high));
}

TEST_F(InstancePlacementTest, LocalMatrixFlags) {
  const float quaternion[4] = {0.18257419f, 0.36514837f, 0.54772256f, 0.73029674f};
  const Vector3 angles = {0.2f, 0.4f, 0.6f}, move = {1, 2, 3}, scale = {2, 3, 4};
  Matrix34 byFactors, direct, byAngles, maker;
  BuildLocalMatrix34(quaternion, &angles, &byFactors, 0, LOCAL_MATRIX_QUATERNION, &move, &scale);
  BuildLocalMatrix34(quaternion, &angles, &direct, 0, LOCAL_MATRIX_QUATERNION_DIRECT, &move, &scale);
  for (int r = 0; r < 3; r++)
    for (int c = 0; c < 4; c++) EXPECT_NEAR(byFactors.m[r][c], direct.m[r][c], 1e-6);
  BuildLocalMatrix34(quaternion, &angles, &byAngles, EULER_ORDER_ZXY,
                     LOCAL_MATRIX_ANGLES | LOCAL_MATRIX_TRANSLATE | LOCAL_MATRIX_SCALE, &move, &scale);
  MakeModelRotationZXY(&maker, angles.x, angles.y, angles.z);
  for (int r = 0; r < 3; r++) {
    EXPECT_FLOAT_EQ(maker.m[r][0] * 2, byAngles.m[r][0]);
    EXPECT_FLOAT_EQ(maker.m[r][2] * 4, byAngles.m[r][2]);
  }
  EXPECT_EQ(3.0f, byAngles.m[2][3]);
  // A quaternion turning a quarter about Z takes x to y.
  const float quarter[4] = {0, 0, 0.70710678f, 0.70710678f};
  BuildLocalMatrix34(quarter, &angles, &direct, 0, LOCAL_MATRIX_QUATERNION_DIRECT, &move, &scale);
  Vector3 turned;
  const Vector3 x = {1, 0, 0};
  TransformPoint34(&direct, &turned, &x);
  EXPECT_NEAR(0.0f, turned.x, 1e-6);
  EXPECT_NEAR(1.0f, turned.y, 1e-6);
}

TEST_F(InstancePlacementTest, DetachRefusesSlotsThatDoNotExist) {
  EXPECT_EQ(-1, DetachAnimation(handle, 0));
  EXPECT_EQ(-1, DetachAnimation(handle, -1));
  EXPECT_EQ(-1, DetachAnimation(dataHandle, 0));
}

}  // namespace

#include "model/build/list_vertices.h"

#include <gtest/gtest.h>
#include <math.h>

#include "model/build/frame_matrices.h"
#include "model/model_fixture.h"

namespace {

using model_fixture::MakeTestModel;
using model_fixture::ModelSystemTest;

class ListVerticesTest : public ModelSystemTest {
 protected:
  void SetUp() override {
    ModelSystemTest::SetUp();
    MakeTestModel(&data);
  }
  ModelData *data = nullptr;
};

TEST_F(ListVerticesTest, RigidVerticesArePositionWithOneAndNormalWithZero) {
  const ModelTriangleList *list = &data->triangleLists[0];
  EXPECT_EQ(32, list->vertexStride);
  const RigidListVertex *v = static_cast<const RigidListVertex *>(list->vertices);
  const float want[4][8] = {{0, 0, 0, 1, 0, 0, -1, 0}, {1, 0, 0, 1, 0, 0, -1, 0},
                            {1, 1, 0, 1, 0, 0, -1, 0}, {0, 1, -2, 1, 0, 0, -1, 0}};
  for (int i = 0; i < 4; i++) {
    for (int k = 0; k < 4; k++) EXPECT_EQ(want[i][k], v[i].position[k]) << i;
    for (int k = 0; k < 4; k++) EXPECT_EQ(want[i][4 + k], v[i].normal[k]) << i;
  }
}

// The skinned list's three vertices in every kind's layout. Bone numbers are
// places in the list's bone table (bones 1, 0), empty slots 0.
TEST_F(ListVerticesTest, SkinnedKindsFollowTheirLayouts) {
  ModelTriangleList *list = &data->triangleLists[1];
  const float weights[3][2] = {{1.0f, 0}, {0.25f, 0.75f}, {1.0f, 0}};
  const uint8_t bones[3][2] = {{0, 0}, {1, 0}, {1, 0}};
  const Vector3 normals[3] = {{0, 1, 0}, {1, 0, 0}, {0, 1, 0}};
  const Vector3 positions[3] = {{0, 0, 1}, {2, 0, 1}, {0, 3, 1}};

  const Bone4ListVertex *four = static_cast<const Bone4ListVertex *>(list->vertices);
  EXPECT_EQ(48, list->vertexStride);
  for (int i = 0; i < 3; i++) {
    EXPECT_EQ(weights[i][0], four[i].weights[0]);
    EXPECT_EQ(weights[i][1], four[i].weights[1]);
    EXPECT_EQ(0.0f, four[i].weights[3]);
    EXPECT_EQ(bones[i][0], four[i].bones[0]);
    EXPECT_EQ(bones[i][1], four[i].bones[1]);
    EXPECT_EQ(0, four[i].bones[3]);
    EXPECT_EQ(positions[i].x, four[i].position[0]);
    EXPECT_EQ(1.0f, four[i].position[3]);
    EXPECT_EQ(normals[i].y, four[i].normal[1]);
  }

  Bone8ListVertex eight[3];
  list->kind = MODEL_LIST_BONES8;
  list->vertices = eight;
  ASSERT_EQ(0, FillListVertices(list));
  EXPECT_EQ(64, list->vertexStride);
  for (int i = 0; i < 3; i++) {
    EXPECT_EQ(weights[i][1], eight[i].weights[1]);
    EXPECT_EQ(0.0f, eight[i].weights[7]);
    EXPECT_EQ(bones[i][0], eight[i].bones[0]);
    EXPECT_EQ(0, eight[i].bones[7]);
    EXPECT_EQ(positions[i].y, eight[i].position[1]);
    EXPECT_EQ(normals[i].x, eight[i].normal[0]);
  }

  // Free bones: frame bone numbers themselves, room for three pairs.
  unsigned char free[3][48];
  list->kind = MODEL_LIST_FREE_BONES;
  list->bytesPerVertex = 48;
  list->vertices = free;
  ASSERT_EQ(0, FillListVertices(list));
  EXPECT_EQ(48, list->vertexStride);
  const FreeBonePair *second = reinterpret_cast<const FreeBonePair *>(free[1] + sizeof(FreeBoneListVertex));
  EXPECT_EQ(0, second[0].bone);
  EXPECT_EQ(0.25f, second[0].weight);
  EXPECT_EQ(1, second[1].bone);
  EXPECT_EQ(-1, second[2].bone);
  EXPECT_EQ(0.0f, second[2].weight);
  EXPECT_EQ(2.0f, reinterpret_cast<const FreeBoneListVertex *>(free[1])->position[0]);

  // A bone the list does not hold, or more weights than the kind has room
  // for, is refused.
  list->kind = MODEL_LIST_BONES4;
  list->vertices = eight;
  list->boneCount = 1;
  EXPECT_EQ(-1, FillListVertices(list));
  list->boneCount = 2;
  list->kind = MODEL_LIST_FREE_BONES;
  list->bytesPerVertex = 32;
  EXPECT_EQ(-1, FillListVertices(list));
  list->kind = MODEL_LIST_RIGID;
  MeshVertexAt(list->mesh, 1)->positionIndex = 3;  // the frame has three
  EXPECT_EQ(-1, FillListVertices(list));
}

TEST_F(ListVerticesTest, OutlineSkipsTrianglesWithAFlaggedVertex) {
  const ModelTriangleList *list = &data->triangleLists[0];
  // Triangles (0, 1, 3) and (3, 1, 2); vertex 2 has no outline.
  ASSERT_EQ(3, list->outlineIndexCount);
  EXPECT_EQ(0, list->outlineIndices[0]);
  EXPECT_EQ(1, list->outlineIndices[1]);
  EXPECT_EQ(3, list->outlineIndices[2]);
  EXPECT_EQ(3, data->triangleLists[1].outlineIndexCount);
}

TEST_F(ListVerticesTest, FrameMatricesByKind) {
  ModelFrame *root = &data->frames[0];
  root->rotation = Vector3{-0.0f, 0.0f, -0.0f};
  root->translation = Vector3{0, 0, 0};
  BuildFrameMatrices(data);
  EXPECT_EQ(MODEL_TRANSFORM_NONE, root->transformKind);
  Matrix34 identity;
  MakeIdentity34(&identity);
  EXPECT_EQ(0, memcmp(&identity, &root->localMatrix, sizeof(identity)));
  // Scale alone makes a full transform; its world inverse undoes it.
  root->scale = Vector3{2, 2, 2};
  root->translation = Vector3{1, 0, 0};
  BuildFrameMatrices(data);
  EXPECT_EQ(MODEL_TRANSFORM_FULL, root->transformKind);
  Matrix34 product;
  MultiplyMatrix34(&data->frames[2].inverseWorldMatrix, &product, &data->frames[2].worldMatrix);
  for (int r = 0; r < 3; r++)
    for (int c = 0; c < 4; c++) EXPECT_NEAR(identity.m[r][c], product.m[r][c], 1e-6);
  EXPECT_EQ(2.0f, data->frames[2].worldMatrix.m[1][1]);
  EXPECT_EQ(10.0f, data->frames[2].worldMatrix.m[1][3]);  // (0, 5, 0) scaled by the root
}

}  // namespace

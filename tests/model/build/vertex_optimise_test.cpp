#include "model/build/vertex_optimise.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/log_capture.h"
#include "model/model_fixture.h"

namespace {

using model_fixture::MakeTestModel;
using model_fixture::ModelSystemTest;
using model_fixture::SetMeshVertex;
using model_fixture::SetPosition;

// What one triangle corner shows: position, normal and texture coordinates.
struct Corner {
  Vector3 position;
  Vector3 normal;
  float u, v;
  bool operator==(const Corner &o) const { return memcmp(this, &o, sizeof(Corner)) == 0; }
};

std::vector<Corner> Corners(const ModelData *data) {
  std::vector<Corner> out;
  for (int l = 0; l < data->triangleListCount; l++) {
    const ModelTriangleList *list = &data->triangleLists[l];
    const ModelMesh *mesh = list->mesh;
    for (int i = 0; i < list->indexCount; i++) {
      ModelMeshVertex *vertex = MeshVertexAt(mesh, list->listVertexIndices[list->indices[i]]);
      Corner c{};
      c.position = PositionAt(mesh->frame, vertex->positionIndex)->position;
      c.normal = mesh->frame->normals[vertex->normalIndex].normal;
      if (mesh->texCoordSetCount) {
        c.u = MeshVertexUv(vertex)[0];
        c.v = MeshVertexUv(vertex)[1];
      }
      out.push_back(c);
    }
  }
  return out;
}

class VertexOptimiseTest : public ModelSystemTest {
 protected:
  void SetUp() override {
    ModelSystemTest::SetUp();
    MakeTestModel(&data);
  }
  ModelData *data = nullptr;
};

TEST_F(VertexOptimiseTest, MergesOnlyEqualPositionsWithEqualWeights) {
  ModelFrame *root = &data->frames[0], *leaf = &data->frames[2];
  // Root: position 3 becomes a copy of 1; position 2 differs from 0 only in
  // the sign of a zero.
  SetPosition(root, 3, Vector3{1, 0, 0});
  SetPosition(root, 2, Vector3{-0.0f, 0, 0});
  SetPosition(root, 0, Vector3{0, 0, 0});
  // Leaf: position 2 as 0 but with other weights; then the same weights.
  SetPosition(leaf, 2, Vector3{0, 0, 1}, {{1, 0.5f}});
  const std::vector<Corner> before = Corners(data);
  const int positionBytes = data->positionBytesTotal;
  ASSERT_EQ(0, OptimiseModelVertices(data));
  EXPECT_EQ(3, root->positionCount);
  EXPECT_EQ(3, leaf->positionCount);
  EXPECT_EQ(before, Corners(data));
  EXPECT_EQ(positionBytes - root->positionStride, data->positionBytesTotal);
  // Mesh vertices 1 and 3 of the root mesh now only differ in their UVs.
  EXPECT_EQ(4, data->meshes[0].meshVertexCount);

  SetPosition(leaf, 2, Vector3{0, 0, 1}, {{1, 1.0f}});
  ASSERT_EQ(0, OptimiseModelVertices(data));
  EXPECT_EQ(2, leaf->positionCount);
  // Leaf mesh vertices 0 and 2 are now equal byte for byte and merge.
  EXPECT_EQ(2, data->meshes[1].meshVertexCount);
  EXPECT_EQ(2, data->instanceMeshVertexTotal);
  EXPECT_EQ(0, data->triangleLists[1].listVertexIndices[2]);
  EXPECT_EQ(before, Corners(data));
}

TEST_F(VertexOptimiseTest, MergedVerticesRedirectListsAndShapes) {
  ModelMesh *mesh = &data->meshes[0];
  SetMeshVertex(mesh, 3, 1, 0, 1, 0);  // the same as vertex 1
  data->shapeCount = 1;
  data->shapes = model_fixture::Take<ModelShape>(data, 1);
  data->shapes[0].mesh = mesh;
  data->shapes[0].vertexCount = 2;
  data->shapes[0].vertices = model_fixture::Take<ModelShapeVertex>(data, 2);
  data->shapes[0].vertices[0].meshVertexIndex = 3;
  data->shapes[0].vertices[1].meshVertexIndex = 2;
  const std::vector<Corner> before = Corners(data);
  const int vertexBytes = data->meshVertexBytesTotal;
  ASSERT_EQ(0, OptimiseModelVertices(data));
  EXPECT_EQ(3, mesh->meshVertexCount);
  EXPECT_EQ(vertexBytes - mesh->meshVertexSize, data->meshVertexBytesTotal);
  EXPECT_EQ(1, data->shapes[0].vertices[0].meshVertexIndex);
  EXPECT_EQ(2, data->shapes[0].vertices[1].meshVertexIndex);
  EXPECT_EQ(before, Corners(data));
}

TEST_F(VertexOptimiseTest, FailuresLeaveTheModelAsItWas) {
  LogCapture log;
  ModelFrame *root = &data->frames[0];
  SetPosition(root, 3, Vector3{1, 0, 0});
  const int blocks = GetAllocatedBlockCount();
  SetAllocationFailureCountdown(1);
  EXPECT_EQ(-1, OptimiseModelVertices(data));
  EXPECT_EQ(blocks, GetAllocatedBlockCount());
  EXPECT_EQ(4, root->positionCount);
  EXPECT_NE(std::string::npos, log.Text().find("頂点情報最適化処理用のメモリの確保に失敗しました"));
  // A vertex pointing past its frame's positions is refused untouched.
  MeshVertexAt(&data->meshes[0], 0)->positionIndex = 9;
  EXPECT_EQ(-1, OptimiseModelVertices(data));
  EXPECT_EQ(4, root->positionCount);
  MeshVertexAt(&data->meshes[0], 0)->positionIndex = 0;
  // Counts whose working memory an int cannot hold are refused.
  root->positionCount = 0x7FFFFFFF;
  data->meshes[0].frame->positionCount = 0x7FFFFFFF;
  EXPECT_EQ(-1, OptimiseModelVertices(data));
  root->positionCount = 4;
  EXPECT_EQ(0, OptimiseModelVertices(data));
}

}  // namespace

#include <gtest/gtest.h>
#include <math.h>

#include <string>
#include <vector>

#include "core/util/maths.h"
#include "model/convert/convert_read_model.h"
#include "model/convert/mesh_triangles.h"
#include "model/data/model_data.h"
#include "model/loaders/mqo_test_support.h"
#include "model/system/model_system.h"

namespace {

using mqo_test::MqoTest;

// An intermediate model with one frame and one mesh, filled by the tests.
struct OneMesh {
  ReadModel model;
  ReadFrame *frame;
  ReadMesh *mesh;
  OneMesh() {
    ReadModelInit(&model);
    frame = ReadModelAddFrame(&model, "frame", nullptr);
    mesh = ReadModelAddMesh(&model, frame);
  }
  ~OneMesh() { ReadModelTerm(&model); }
  void Positions(const std::vector<Vector3> &points) {
    mesh->positionCount = static_cast<int>(points.size());
    mesh->positions = static_cast<Vector3 *>(AllocChainAlloc(points.size() * sizeof(Vector3) + 1, &model.chain));
    for (size_t i = 0; i < points.size(); i++) mesh->positions[i] = points[i];
  }
  void Polygons(const std::vector<std::vector<int>> &polygons) {
    mesh->polygonCount = static_cast<int>(polygons.size());
    mesh->polygons = static_cast<ReadPolygon *>(AllocChainAlloc(polygons.size() * sizeof(ReadPolygon) + 1, &model.chain));
    for (size_t i = 0; i < polygons.size(); i++) {
      mesh->polygons[i].cornerCount = static_cast<int>(polygons[i].size());
      for (size_t k = 0; k < polygons[i].size(); k++) mesh->polygons[i].position[k] = polygons[i][k];
    }
  }
};

std::vector<int> Range(int n) {
  std::vector<int> out;
  for (int i = 0; i < n; i++) out.push_back(i);
  return out;
}

std::vector<Vector3> Circle(int n) {
  std::vector<Vector3> out;
  for (int i = 0; i < n; i++) out.push_back(Vector3{cosf(i * 0.7f), sinf(i * 0.7f), 0.0f});
  return out;
}

// Corner triples of a polygon of n corners as the fan rule makes them:
// (c0, c1, cn-1) first, then pairs from both ends.
const std::vector<std::vector<int>> kFans[] = {
    {{0, 1, 2}},
    {{0, 1, 3}, {3, 1, 2}},
    {{0, 1, 4}, {4, 1, 2}, {4, 2, 3}},
    {{0, 1, 5}, {5, 1, 2}, {5, 2, 4}, {4, 2, 3}},
    {{0, 1, 6}, {6, 1, 2}, {6, 2, 5}, {5, 2, 3}, {5, 3, 4}},
    {{0, 1, 7}, {7, 1, 2}, {7, 2, 6}, {6, 2, 3}, {6, 3, 5}, {5, 3, 4}},
};

TEST(TriangulateMeshTest, PolygonsOfThreeToEightCornersFanAsSpecified) {
  for (int n = 3; n <= 8; n++) {
    SCOPED_TRACE(n);
    OneMesh m;
    m.Positions(Circle(n));
    m.Polygons({Range(n)});
    MeshTriangles tris;
    ASSERT_EQ(0, TriangulateMesh(m.mesh, 0, &tris));
    std::vector<std::vector<int>> got;
    for (int t = 0; t < tris.count; t++) got.push_back({tris.position[3 * t], tris.position[3 * t + 1], tris.position[3 * t + 2]});
    EXPECT_EQ(kFans[n - 3], got);
    FreeMeshTriangles(&tris);
  }
}

TEST(TriangulateMeshTest, FurtherTrianglesFollowAllFirstOnesAndReverseSwapsCorners) {
  OneMesh m;
  m.Positions(Circle(8));
  m.Polygons({{0, 1, 2, 3}, {4, 5, 6, 7}});
  MeshTriangles tris;
  ASSERT_EQ(0, TriangulateMesh(m.mesh, 1, &tris));
  std::vector<std::vector<int>> got;
  for (int t = 0; t < tris.count; t++) got.push_back({tris.position[3 * t], tris.position[3 * t + 1], tris.position[3 * t + 2]});
  EXPECT_EQ((std::vector<std::vector<int>>{{0, 3, 1}, {4, 7, 5}, {3, 2, 1}, {7, 6, 5}}), got);
  EXPECT_EQ((std::vector<int>{0, 1, 0, 1}), std::vector<int>(tris.polygon, tris.polygon + 4));
  FreeMeshTriangles(&tris);
}

// Corner normals of a mesh built with the 89.5-degree default.
std::vector<Vector3> CornerNormals(OneMesh &m) {
  MeshTriangles tris;
  EXPECT_EQ(0, TriangulateMesh(m.mesh, 0, &tris));
  EXPECT_EQ(0, BuildMeshNormals(m.mesh, 0.0f, &tris));
  std::vector<Vector3> out;
  for (int c = 0; c < 3 * tris.count; c++) out.push_back(tris.normals[tris.normal[c]]);
  FreeMeshTriangles(&tris);
  return out;
}

void ExpectNear(const Vector3 &want, const Vector3 &got) {
  EXPECT_NEAR(want.x, got.x, 1e-5f);
  EXPECT_NEAR(want.y, got.y, 1e-5f);
  EXPECT_NEAR(want.z, got.z, 1e-5f);
}

TEST(MeshNormalsTest, FoldUnderTheAngleIsSmoothedACubeStaysFlat) {
  // Two triangles folded by 60 degrees along the x axis share averaged
  // normals on the fold.
  OneMesh fold;
  const float c = cosf(1.0471976f), s = sinf(1.0471976f);
  fold.Positions({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, -c, s}});
  fold.Polygons({{0, 2, 1}, {0, 1, 3}});
  const std::vector<Vector3> n = CornerNormals(fold);
  ExpectNear(n[0], n[3]);   // position 0 in both triangles
  ExpectNear(n[2], n[4]);   // position 1 in both
  EXPECT_FALSE(fabsf(n[1].x - n[5].x) < 1e-6f && fabsf(n[1].y - n[5].y) < 1e-6f && fabsf(n[1].z - n[5].z) < 1e-6f);
  // A cube corner meets at 90 degrees: every face keeps its own normal.
  OneMesh cube;
  cube.Positions({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}});
  cube.Polygons({{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4}, {2, 3, 7, 6}, {1, 2, 6, 5}, {0, 4, 7, 3}});
  MeshTriangles tris;
  ASSERT_EQ(0, TriangulateMesh(cube.mesh, 0, &tris));
  ASSERT_EQ(0, BuildMeshNormals(cube.mesh, 0.0f, &tris));
  // Three flat normals at every corner position.
  EXPECT_EQ(24, tris.normalCount);
  for (int i = 0; i < tris.normalCount; i++) {
    const Vector3 &v = tris.normals[i];
    EXPECT_NEAR(1.0f, fabsf(v.x) + fabsf(v.y) + fabsf(v.z), 1e-6f);
  }
  FreeMeshTriangles(&tris);
}

TEST(MeshNormalsTest, ZeroAreaTriangleGetsAZeroNormal) {
  OneMesh m;
  m.Positions({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}});
  m.Polygons({{0, 1, 2}});
  for (const Vector3 &n : CornerNormals(m)) ExpectNear(Vector3{0, 0, 0}, n);
}

class ConvertTest : public MqoTest {};

TEST_F(ConvertTest, ListsHoldAtMost21834Triangles) {
  for (int triangles : {21833, 21834, 21835}) {
    SCOPED_TRACE(triangles);
    OneMesh m;
    std::vector<Vector3> points;
    std::vector<std::vector<int>> polygons;
    for (int t = 0; t < triangles; t++) {
      const float x = static_cast<float>(t);
      points.insert(points.end(), {{x, 0, 0}, {x, 1, 0}, {x + 0.5f, 0, 1}});
      polygons.push_back({3 * t, 3 * t + 1, 3 * t + 2});
    }
    m.Positions(points);
    m.Polygons(polygons);
    const int handle = ConvertReadModelToModelData(&m.model, nullptr, nullptr);
    ASSERT_GE(handle, 0) << log.Text();
    const ModelData *data = LookupModelData(handle);
    ASSERT_EQ(1, data->meshCount);
    // Sized in advance by the same rule the lists are filled by.
    EXPECT_EQ(triangles > 21834 ? 2 : 1, data->triangleListCount);
    EXPECT_EQ(data->triangleListCount, data->meshes[0].triangleListCount);
    EXPECT_EQ(3 * (triangles > 21834 ? 21834 : triangles), data->triangleLists[0].indexCount);
    int indices = 0;
    for (int l = 0; l < data->triangleListCount; l++) indices += data->triangleLists[l].indexCount;
    EXPECT_EQ(3 * triangles, indices);
    EXPECT_EQ(0, ReleaseModelData(handle));
  }
}

TEST_F(ConvertTest, VerticesAreSharedUnlessTheirUvsDiffer) {
  for (bool seam : {false, true}) {
    OneMesh m;
    m.Positions({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
    m.Polygons({{0, 1, 2}, {0, 2, 3}});
    float uvs[] = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 0.5f, 0.5f, 0};
    m.mesh->uvCounts[0] = 5;
    m.mesh->uvs[0] = uvs;
    const int second[3] = {0, 2, 3};
    for (int k = 0; k < 3; k++) {
      m.mesh->polygons[0].uv[0][k] = k;
      m.mesh->polygons[1].uv[0][k] = second[k];
    }
    if (seam) m.mesh->polygons[1].uv[0][0] = 4;  // position 0 meets another UV
    const int handle = ConvertReadModelToModelData(&m.model, nullptr, nullptr);
    ASSERT_GE(handle, 0);
    EXPECT_EQ(seam ? 5 : 4, LookupModelData(handle)->meshes[0].meshVertexCount);
    EXPECT_EQ(0, ReleaseModelData(handle));
  }
}

TEST_F(ConvertTest, NanColoursClampToZero) {
  OneMesh m;
  m.Positions({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  m.Polygons({{0, 1, 2}});
  ColorF colours[] = {{NAN, 2.0f, -1.0f, 0.5f}};
  m.mesh->colourCount = 1;
  m.mesh->colours = colours;
  const int handle = ConvertReadModelToModelData(&m.model, nullptr, nullptr);
  ASSERT_GE(handle, 0);
  const ModelMeshVertex *vertex = MeshVertexAt(&LookupModelData(handle)->meshes[0], 0);
  EXPECT_EQ((std::vector<int>{0, 255, 0, 127}),  // b, g, r, a bytes
            (std::vector<int>{vertex->diffuse[0], vertex->diffuse[1], vertex->diffuse[2], vertex->diffuse[3]}));
  EXPECT_EQ(0, ReleaseModelData(handle));
}

// A mesh lit with its vertex colours only when the file gave colours.
TEST_F(ConvertTest, DiffuseComesFromVertexColoursOnlyWhenTheFileGaveThem) {
  for (bool coloured : {false, true}) {
    SCOPED_TRACE(coloured);
    OneMesh m;
    m.Positions({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    m.Polygons({{0, 1, 2}});
    ColorF colours[] = {{0.5f, 0.25f, 1.0f, 1.0f}};
    if (coloured) {
      m.mesh->colourCount = 1;
      m.mesh->colours = colours;
    }
    const int handle = ConvertReadModelToModelData(&m.model, nullptr, nullptr);
    ASSERT_GE(handle, 0);
    EXPECT_EQ(coloured ? 1 : 0, LookupModelData(handle)->meshes[0].diffuseFromVertexColor);
    EXPECT_EQ(0, ReleaseModelData(handle));
  }
}

TEST_F(ConvertTest, BadIndicesAreRefused) {
  const struct {
    const char *name;
    void (*edit)(ReadMesh *);
  } rows[] = {
      {"two corners", [](ReadMesh *mesh) { mesh->polygons[0].cornerCount = 2; }},
      {"33 corners", [](ReadMesh *mesh) { mesh->polygons[0].cornerCount = 33; }},
      {"position", [](ReadMesh *mesh) { mesh->polygons[0].position[2] = 3; }},
      {"negative position", [](ReadMesh *mesh) { mesh->polygons[0].position[1] = -1; }},
      {"normal", [](ReadMesh *mesh) { mesh->normalCount = 1; mesh->polygons[0].normal[0] = 1; }},
      {"colour", [](ReadMesh *mesh) { mesh->colourCount = 1; mesh->polygons[0].colour[1] = 1; }},
      {"uv", [](ReadMesh *mesh) { mesh->uvCounts[0] = 2; mesh->polygons[0].uv[0][2] = 2; }},
      {"material without a list", [](ReadMesh *mesh) { mesh->polygons[0].material = 1; }},
  };
  for (const auto &row : rows) {
    SCOPED_TRACE(row.name);
    OneMesh m;
    m.Positions({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    m.Polygons({{0, 1, 2}});
    row.edit(m.mesh);
    log.Clear();
    EXPECT_EQ(-1, ConvertReadModelToModelData(&m.model, nullptr, nullptr));
    EXPECT_EQ(std::vector<std::string>{"Read Model Convert Error : ポリゴンのインデックスが不正です"}, Lines());
  }
}

TEST_F(ConvertTest, SkinnedModelsAreRefusedNotDropped) {
  OneMesh m;
  m.Positions({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  m.Polygons({{0, 1, 2}});
  m.mesh->skinWeights[0] = ReadModelAddSkinWeight(&m.model);
  m.mesh->skinWeightCount = 1;
  EXPECT_EQ(-1, ConvertReadModelToModelData(&m.model, nullptr, nullptr));
}

// A frame matrix made in each rotation order comes back as parts that
// rebuild it.
TEST_F(ConvertTest, FrameMatricesRoundTripInEveryOrder) {
  const Vector3 angles = {0.3f, -0.7f, 1.1f};
  const Vector3 scales[] = {{1, 1, 1}, {2, 2, 2}, {1, 3, 0.5f}};
  for (int order = 0; order < 6; order++) {
    for (const Vector3 &scale : scales) {
      SCOPED_TRACE(order);
      OneMesh m;
      const Vector3 move = {1, -2, 3};
      Matrix4x4 made;
      ASSERT_EQ(0, MakeRotOrderMatrix(&angles, &scale, &move, nullptr, &made, order));
      m.frame->transform = made;
      const int handle = ConvertReadModelToModelData(&m.model, nullptr, nullptr);
      ASSERT_GE(handle, 0);
      const ModelFrame &frame = LookupModelData(handle)->frames[0];
      Matrix4x4 rebuilt;
      ASSERT_EQ(0, MakeRotOrderMatrix(&frame.rotation, &frame.scale, &frame.translation, nullptr, &rebuilt, frame.rotationOrder));
      for (int r = 0; r < 4; r++) {
        // The model's rotations come from a 65536-step sine table.
        for (int c = 0; c < 3; c++) EXPECT_NEAR(made.m[r][c], rebuilt.m[r][c], 5e-4f) << r << c;
      }
      if (scale.y == 1.0f) ExpectNear(Vector3{1, 1, 1}, frame.scale);
      EXPECT_EQ(0, ReleaseModelData(handle));
    }
  }
  // An identity rotation keeps the frame's own angles and order.
  OneMesh m;
  m.frame->rotation = Vector3{0.5f, 0, 0};
  m.frame->rotationOrder = 4;
  const int handle = ConvertReadModelToModelData(&m.model, nullptr, nullptr);
  ASSERT_GE(handle, 0);
  EXPECT_EQ(4, LookupModelData(handle)->frames[0].rotationOrder);
  EXPECT_EQ(0.5f, LookupModelData(handle)->frames[0].rotation.x);
  EXPECT_EQ(0, ReleaseModelData(handle));
}

}  // namespace

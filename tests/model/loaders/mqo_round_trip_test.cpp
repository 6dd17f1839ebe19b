#include <gtest/gtest.h>
#include <math.h>

#include <algorithm>
#include <string>
#include <vector>

#include "model/data/model_data.h"
#include "model/loaders/mqo_test_support.h"
#include "model/system/model_system.h"
#include "tools/mqo_write.h"

namespace {

using mqo_test::MqoTest;

typedef std::vector<long> Triangle;  // nine coordinates in thousandths

long Milli(float v) { return lroundf(v * 1000.0f); }

// The corners rotated so the smallest comes first: winding is kept.
Triangle Canonical(const Vector3 (&corners)[3]) {
  int first = 0;
  Triangle best;
  for (int r = 0; r < 3; r++) {
    Triangle t;
    for (int k = 0; k < 3; k++) {
      const Vector3 &p = corners[(r + k) % 3];
      t.insert(t.end(), {Milli(p.x), Milli(p.y), Milli(p.z)});
    }
    if (r == 0 || t < best) {
      best = t;
      first = r;
    }
  }
  (void)first;
  return best;
}

// World-space triangles of loaded model data.
std::vector<Triangle> LoadedTriangles(const ModelData *data) {
  std::vector<Triangle> out;
  for (int m = 0; m < data->meshCount; m++) {
    const ModelMesh &mesh = data->meshes[m];
    for (int l = 0; l < mesh.triangleListCount; l++) {
      const ModelTriangleList &list = mesh.firstTriangleList[l];
      for (int i = 0; i + 2 < list.indexCount; i += 3) {
        Vector3 corners[3];
        for (int k = 0; k < 3; k++) {
          const int v = list.listVertexIndices[list.indices[i + k]];
          const Vector3 local = PositionAt(mesh.frame, MeshVertexAt(&mesh, v)->positionIndex)->position;
          TransformPoint34(&mesh.frame->worldMatrix, &corners[k], &local);
        }
        out.push_back(Canonical(corners));
      }
    }
  }
  std::sort(out.begin(), out.end());
  return out;
}

// The triangles the written model describes: file coordinates with z
// negated, quads cut (c0, c1, c3) (c3, c1, c2), other faces dropped, and
// for a mirrored object (placed at the origin) one copy per subset of its
// axes, odd copies wound the other way.
std::vector<Triangle> WrittenTriangles(const MqoWriteModel &model) {
  std::vector<Triangle> out;
  for (const MqoWriteObject &o : model.objects) {
    const int axes = o.mirror == 1 ? o.mirrorAxis & 7 : 0;
    for (int s = 0; s <= 7; s++) {
      if ((s & axes) != s) continue;
      const bool odd = ((s & 1) + ((s >> 1) & 1) + ((s >> 2) & 1)) % 2 == 1;
      for (const MqoWriteFace &f : o.faces) {
        if (f.v.size() != 3 && f.v.size() != 4) continue;
        auto at = [&](int corner) {
          const int v = f.v[static_cast<size_t>(corner)];
          Vector3 p = {o.vertices[3 * v], o.vertices[3 * v + 1], -o.vertices[3 * v + 2]};
          if (s & 1) p.x = -p.x;
          if (s & 2) p.y = -p.y;
          if (s & 4) p.z = -p.z;
          return p;
        };
        // An odd copy's corners are reversed before the face is cut.
        std::vector<int> order = f.v.size() == 3 ? std::vector<int>{0, 1, 2} : std::vector<int>{0, 1, 2, 3};
        if (odd) order = f.v.size() == 3 ? std::vector<int>{0, 2, 1} : std::vector<int>{3, 2, 1, 0};
        std::vector<std::vector<int>> cuts = f.v.size() == 3 ? std::vector<std::vector<int>>{{0, 1, 2}}
                                                             : std::vector<std::vector<int>>{{0, 1, 3}, {3, 1, 2}};
        for (const std::vector<int> &cut : cuts) {
          Vector3 corners[3] = {at(order[cut[0]]), at(order[cut[1]]), at(order[cut[2]])};
          out.push_back(Canonical(corners));
        }
      }
    }
  }
  std::sort(out.begin(), out.end());
  return out;
}

MqoWriteObject Quad(const std::string &name, float x, float y, float z) {
  MqoWriteObject o;
  o.name = name;
  o.vertices = {x, y, z, x + 1, y, z + 0.5f, x + 1, y + 1, z, x, y + 2, z, x - 1, y + 1, z};
  MqoWriteFace quad, pentagon, triangle;
  quad.v = std::vector<int>{0, 1, 2, 3};
  quad.material = 0;
  quad.uv = {0, 0, 1, 0, 1, 1, 0, 1};
  quad.col = {0xff0000ffu, 0xff00ff00u, 0xffff0000u, 0x80ffffffu};
  pentagon.v = std::vector<int>{0, 1, 2, 3, 4};
  pentagon.material = 1;
  triangle.v = std::vector<int>{0, 3, 4};
  triangle.material = 1;
  o.faces = {quad, pentagon, triangle};
  return o;
}

// Depths, facet, every material keyword, UV and COL, pentagons, mirror
// axes 1, 3 and 7, a hidden object, Shift-JIS names whose second bytes are
// 0x5C, 0x7B and 0x7D, and a texture folder ending in such a character.
MqoWriteModel Everything() {
  MqoWriteModel model;
  model.materials = MakeGridMaterials();
  model.materials[0].name = "\x95\x5C";  // second byte "\"
  model.materials[0].tex = "\x95\x5C\\wood.png";
  model.materials[0].aplane = "wood_a.png";
  model.materials[1].name = "\x83\x7B\x83\x7D";  // second bytes "{" and "}"
  model.materials[1].bump = "bump.png";
  MqoWriteObject root = Quad("\x83\x7B\x95\x5C", 0, 0, 0);
  root.facet = 30;
  MqoWriteObject child = Quad("child", 3, 1, 2);
  child.depth = 1;
  child.translation[0] = 3;
  child.rotation[0] = 30;
  child.rotation[1] = -20;
  child.rotation[2] = 10;
  child.scale[1] = 2;
  MqoWriteObject grandchild = Quad("grandchild", -4, 2, 1);
  grandchild.depth = 2;
  grandchild.translation[2] = -5;
  grandchild.visible = 0;
  model.objects = {root, child, grandchild};
  for (int axes : {1, 3, 7}) {
    MqoWriteObject mirrored = Quad("mirror" + std::to_string(axes), 0, 0, 1);
    mirrored.vertices[0] = 0;  // on the x plane
    mirrored.mirror = 1;
    mirrored.mirrorAxis = axes;
    model.objects.push_back(mirrored);
  }
  return model;
}

TEST_F(MqoTest, WrittenModelsComeBackTriangleForTriangle) {
  const MqoWriteModel model = Everything();
  const int handle = LoadText(WriteMqo(model));
  ASSERT_GE(handle, 0) << log.Text();
  EXPECT_EQ(std::vector<std::string>{}, Lines());
  const ModelData *data = LookupModelData(handle);
  EXPECT_EQ(WrittenTriangles(model), LoadedTriangles(data));
  // Names and texture paths keep their double-byte characters.
  EXPECT_STREQ("\x83\x7B\x95\x5C", data->frames[0].name);
  EXPECT_STREQ("\x95\x5C", data->materials[0].name);
  EXPECT_STREQ("\x95\x5C\\wood.png", data->textures[0].fileName);
  EXPECT_STREQ("wood_a.png", data->textures[0].alphaFileName);
  EXPECT_EQ(0u, data->frames[2].flags & 1);  // hidden
  EXPECT_EQ(1, data->frames[2].parent->index);
  EXPECT_EQ(0, ReleaseModelData(handle));
}

TEST_F(MqoTest, MirrorCopiesShareThePlaneVertices) {
  for (int axes : {1, 3, 7}) {
    SCOPED_TRACE(axes);
    MqoWriteModel model;
    MqoWriteObject o;
    o.name = "half";
    o.vertices = {0, 0, 0, 1, 2, 3, 2, 1, 3};  // only vertex 0 lies on a plane
    MqoWriteFace f;
    f.v = std::vector<int>{0, 1, 2};
    o.faces = {f};
    o.mirror = 1;
    o.mirrorAxis = axes;
    model.objects = {o};
    const int handle = LoadText(WriteMqo(model));
    ASSERT_GE(handle, 0);
    const int copies = axes == 1 ? 2 : axes == 3 ? 4 : 8;
    const ModelData *data = LookupModelData(handle);
    EXPECT_EQ(3 * copies, data->frames[0].positionCount);
    EXPECT_EQ(3 * copies, data->triangleLists[0].indexCount);
    // One shared corner position, two of each copy's own.
    std::vector<int> used;
    for (int v = 0; v < data->meshes[0].meshVertexCount; v++) used.push_back(MeshVertexAt(&data->meshes[0], v)->positionIndex);
    std::sort(used.begin(), used.end());
    EXPECT_EQ(1 + 2 * copies, std::unique(used.begin(), used.end()) - used.begin());
    EXPECT_EQ(0, ReleaseModelData(handle));
  }
}

TEST_F(MqoTest, MaterialChunkVariants) {
  MqoWriteModel model;
  MqoWriteObject o;
  o.name = "tri";
  o.vertices = {0, 0, 0, 1, 0, 0, 0, 1, 0};
  MqoWriteFace f;
  f.v = std::vector<int>{0, 1, 2};
  o.faces = {f};
  model.objects = {o};
  // No chunk and an empty one: the face takes "NoMaterial".
  for (bool chunk : {false, true}) {
    model.materialChunk = chunk;
    const int handle = LoadText(WriteMqo(model));
    ASSERT_GE(handle, 0);
    EXPECT_STREQ("NoMaterial", LookupModelData(handle)->meshes[0].material->name);
    EXPECT_EQ(0, ReleaseModelData(handle));
  }
  // A second chunk is skipped.
  model.materials = MakeGridMaterials();
  std::string text = WriteMqo(model);
  const size_t objectAt = text.find("Object");
  text.insert(objectAt, "Material 1 {\r\n\t\"late\" dif(1)\r\n}\r\n");
  const int handle = LoadText(text);
  ASSERT_GE(handle, 0);
  EXPECT_EQ(3, LookupModelData(handle)->materialCount);
  EXPECT_EQ(0, ReleaseModelData(handle));
}

TEST_F(MqoTest, DepthOmittedMakesARootAndKeepsTheFirstKeyword) {
  MqoWriteModel model;
  model.materials = MakeGridMaterials();
  MqoWriteObject first = Quad("first", 0, 0, 0);
  MqoWriteObject second = Quad("second", 0, 0, 0);
  second.writeDepth = false;
  second.translation[0] = 7;
  model.objects = {first, second};
  std::string text = WriteMqo(model);
  // The first keyword after the name is the translation.
  const size_t at = text.find("\tfolding 0\r\n", text.find("\"second\""));
  text.erase(at, strlen("\tfolding 0\r\n"));
  const size_t scale = text.find("\tscale", at);
  const size_t translation = text.find("\ttranslation", at);
  const std::string line = text.substr(translation, text.find("\r\n", translation) + 2 - translation);
  text.erase(translation, line.size());
  text.insert(scale, line);
  const int handle = LoadText(text);
  ASSERT_GE(handle, 0) << log.Text() << text;
  const ModelData *data = LookupModelData(handle);
  EXPECT_EQ(nullptr, data->frames[1].parent);
  EXPECT_EQ(7.0f, data->frames[1].translation.x);
  EXPECT_EQ(0, ReleaseModelData(handle));
}

TEST_F(MqoTest, FacetDoesNotChangeSmoothing) {
  // A 60-degree fold is smoothed even with facet 30; a cube stays flat
  // with facet 180.
  for (float facet : {30.0f, 180.0f}) {
    MqoWriteModel model;
    MqoWriteObject fold;
    fold.name = "fold";
    fold.facet = facet;
    const float c = cosf(1.0471976f), s = sinf(1.0471976f);
    fold.vertices = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, -c, -s};
    MqoWriteFace a, b;
    a.v = std::vector<int>{0, 2, 1};
    b.v = std::vector<int>{0, 1, 3};
    fold.faces = {a, b};
    MqoWriteObject cube;
    cube.name = "cube";
    cube.facet = facet;
    cube.vertices = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 0, 0, 1, 1, 0, 1, 1, 1, 1, 0, 1, 1};
    const int quads[6][4] = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4}, {2, 3, 7, 6}, {1, 2, 6, 5}, {0, 4, 7, 3}};
    for (const auto &q : quads) {
      MqoWriteFace f;
      f.v = std::vector<int>{q[0], q[1], q[2], q[3]};
      cube.faces.push_back(f);
    }
    model.objects = {fold, cube};
    const int handle = LoadText(WriteMqo(model));
    ASSERT_GE(handle, 0);
    const ModelData *data = LookupModelData(handle);
    EXPECT_EQ(4, data->frames[0].normalCount) << facet;  // two shared on the fold
    EXPECT_EQ(24, data->frames[1].normalCount) << facet;
    EXPECT_EQ(0, ReleaseModelData(handle));
  }
}

}  // namespace

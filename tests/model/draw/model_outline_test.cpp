// The outline pass of toon materials on the recording device: when it is
// drawn, the triangles and vertices it draws, the width it sends, and the
// states it draws with and leaves behind.
#include <math.h>
#include <stdio.h>
#include <string.h>

#include "graphics/device/shaders.h"
#include "graphics/draw/camera.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/state/render_state_cache.h"
#include "model/draw/model_draw_fixture.h"
#include "model/placement/instance_placement.h"

namespace {

const int kOutlineStride = 16;
const ColorF kOutlineColor = {0.25f, 0.5f, 1.0f, 0.5f};

class ModelOutlineTest : public ModelDrawTest {
 protected:
  // The test model with the root mesh's material made toon (kind) with the
  // given outline widths; the hidden skinned mesh stays undrawn.
  int LoadOutlined(int kind, float width, float dotWidth) {
    ModelData *data = nullptr;
    const int handle = LoadTestModel(&data);
    ModelMaterial *material = &data->materials[0];
    material->kind = kind;
    material->outlineWidth = width;
    material->outlineDotWidth = dotWidth;
    material->outlineColor = kOutlineColor;
    material->alpha = 200;
    data_ = data;
    return handle;
  }

  // The render state as the device held it when call number index was made.
  uint32_t StateAt(size_t index, int state) const {
    auto found = before_.find(state);
    uint32_t value = found == before_.end() ? 0 : found->second;
    char prefix[32];
    snprintf(prefix, sizeof prefix, "SetRenderState %d=", state);
    for (size_t i = 0; i < index && i < device.calls.size(); i++) {
      if (device.calls[i].compare(0, strlen(prefix), prefix) == 0) {
        value = static_cast<uint32_t>(strtoul(device.calls[i].c_str() + strlen(prefix), nullptr, 10));
      }
    }
    return value;
  }

  // Draws and gives the number of the outline draw call, or -1.
  int DrawAndFindOutline(int handle) {
    before_ = device.mirror.renderStates;
    device.calls.clear();
    device.indexLists.clear();
    EXPECT_EQ(0, VLMDrawInstance(handle));
    for (size_t i = 0; i < device.calls.size(); i++) {
      if (device.calls[i].find("DrawIndexedPrimitiveUP") == 0 && device.calls[i].find("stride=16") != std::string::npos) {
        return static_cast<int>(i);
      }
    }
    return -1;
  }

  // Screen pixels per world unit along the camera's x axis at the root frame.
  double PixelsPerUnit(int handle) const {
    const Matrix34 &world = LookupModelInstance(handle)->frames[0].worldMatrix;
    const Matrix4x4 &view = g_drawSettings.viewMatrix;
    const Vector3 origin = {world.m[0][3], world.m[1][3], world.m[2][3]};
    const Vector3 moved = {origin.x + view.m[0][0], origin.y + view.m[1][0], origin.z + view.m[2][0]};
    return fabs(static_cast<double>(WorldToScreen(moved).x) - WorldToScreen(origin).x);
  }

  ModelData *data_ = nullptr;
  std::map<int, uint32_t> before_;
};

TEST_F(ModelOutlineTest, OnlyToonMaterialsWithAWidthDrawAnOutline) {
  const struct {
    const char *name;
    int kind;
    float width, dotWidth;
    bool outlined;
  } cases[] = {
      {"plain material", MODEL_MATERIAL_PLAIN, 0.2f, 2.0f, false},
      {"toon, both widths zero", MODEL_MATERIAL_TOON, 0.0f, 0.0f, false},
      {"toon, both widths at the threshold", MODEL_MATERIAL_TOON, 0.000001f, 0.000001f, false},
      {"toon, a width", MODEL_MATERIAL_TOON, 0.2f, 0.0f, true},
      {"toon, a dot width only", MODEL_MATERIAL_TOON, 0.0f, 2.0f, true},
      {"shaded toon, a width", MODEL_MATERIAL_TOON_SHADED, 0.2f, 0.0f, true},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    const int handle = LoadOutlined(c.kind, c.width, c.dotWidth);
    const int outline = DrawAndFindOutline(handle);
    EXPECT_EQ(c.outlined ? 2u : 1u, Calls("DrawIndexedPrimitive").size() + Calls("DrawIndexedPrimitiveUP").size());
    EXPECT_EQ(c.outlined, outline >= 0);
    EXPECT_EQ(0, VLMEndModelSystem());
    ASSERT_EQ(0, StartModelTables());
  }
}

// The outline covers the triangles without a no-outline corner, over
// vertices pushed out along their normals by the material's width, in the
// frame's world, flat in the outline colour, clockwise faces culled, no
// lighting or specular; lighting comes back after it.
TEST_F(ModelOutlineTest, OutlineDrawsTheOutlinedTrianglesPushedAlongTheirNormals) {
  const float width = 0.2f;
  const int handle = LoadOutlined(MODEL_MATERIAL_TOON, width, 0.0f);
  const int outline = DrawAndFindOutline(handle);
  ASSERT_GE(outline, 0);
  EXPECT_EQ("DrawIndexedPrimitiveUP type=4 min=0 vertices=4 count=1 stride=16", device.calls[static_cast<size_t>(outline)]);
  ASSERT_EQ(2u, device.indexLists.size());
  // Mesh vertex 2 has the no-outline flag: of (0, 1, 3) and (3, 1, 2) only
  // the first is outlined.
  EXPECT_EQ((std::vector<uint16_t>{0, 1, 3}), device.indexLists[1]);
  const double positions[4][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, -2}};
  const double normal[3] = {0, 0, -1};
  ASSERT_EQ(4u * kOutlineStride, device.lastVertices.size());
  for (int v = 0; v < 4; v++) {
    float got[3];
    memcpy(got, &device.lastVertices[static_cast<size_t>(v) * kOutlineStride], sizeof got);
    for (int k = 0; k < 3; k++) EXPECT_NEAR(positions[v][k] + normal[k] * width, got[k], 1e-6) << v << "," << k;
  }
  // The frame's world matrix, as for the triangles themselves.
  const Matrix34 &world = LookupModelInstance(handle)->frames[0].worldMatrix;
  const Matrix4x4 &sent = device.mirror.transforms[256];
  for (int r = 0; r < 3; r++) {
    for (int c = 0; c < 4; c++) EXPECT_FLOAT_EQ(world.m[r][c], sent.m[c][r]) << r << "," << c;
  }
  const size_t at = static_cast<size_t>(outline);
  EXPECT_EQ(2u, StateAt(at, RS_CULLMODE));  // clockwise faces culled
  EXPECT_EQ(0u, StateAt(at, RS_LIGHTING));
  EXPECT_EQ(0u, StateAt(at, RS_SPECULARENABLE));
  EXPECT_EQ(1u, device.mirror.renderStates[RS_LIGHTING]);
  // One colour: the outline colour at the instance's opacity x alpha,
  // selected from the texture factor.
  EXPECT_EQ(0xC83F7FFFu, StateAt(at, RS_TEXTUREFACTOR));
  EXPECT_EQ(static_cast<uint32_t>(TOP_SELECTARG1), device.mirror.stageStates[0][TSS_COLOROP]);
  EXPECT_EQ(static_cast<uint32_t>(TA_TFACTOR), device.mirror.stageStates[0][TSS_COLORARG1]);
  // The device material: the outline colour with alpha 1, nothing else.
  const GfxMaterial &m = device.mirror.material;
  EXPECT_EQ(kOutlineColor.r, m.diffuse.r);
  EXPECT_EQ(kOutlineColor.g, m.diffuse.g);
  EXPECT_EQ(kOutlineColor.b, m.diffuse.b);
  EXPECT_EQ(1.0f, m.diffuse.a);
  const float zeros[4] = {0, 0, 0, 0};
  EXPECT_EQ(0, memcmp(&m.ambient, zeros, sizeof zeros));
  EXPECT_EQ(0, memcmp(&m.specular, zeros, sizeof zeros));
  EXPECT_EQ(0, memcmp(&m.emissive, zeros, sizeof zeros));
  EXPECT_EQ(0.0f, m.power);
}

// A skinned list's outline follows the blended vertices: each outline
// vertex is the vertex the list was just drawn with, pushed along its
// blended normal, under the identity world matrix.
TEST_F(ModelOutlineTest, SkinnedListOutlineFollowsTheBlendedVertices) {
  const float width = 0.2f;
  const int handle = LoadOutlined(MODEL_MATERIAL_TOON, width, 0.0f);
  ModelInstance *instance = LookupModelInstance(handle);
  instance->frames[1].draw.visible = 1;
  memset(instance->drawChangeSet, 0xFF, instance->drawChangeSetBytes);
  EXPECT_EQ(0, VLMSetInstanceRotation(handle, 0.4f, 0.1f, -0.3f));
  before_ = device.mirror.renderStates;
  device.calls.clear();
  EXPECT_EQ(0, VLMDrawInstance(handle));
  // The leaf's list (stride 64) and then its outline come last.
  const std::vector<std::string> draws = Calls("DrawIndexedPrimitiveUP");
  ASSERT_EQ(4u, draws.size());
  EXPECT_EQ("DrawIndexedPrimitiveUP type=4 min=0 vertices=3 count=1 stride=64", draws[2]);
  EXPECT_EQ("DrawIndexedPrimitiveUP type=4 min=0 vertices=3 count=1 stride=16", draws[3]);
  ASSERT_EQ(4u, device.indexLists.size());
  EXPECT_EQ((std::vector<uint16_t>{0, 1, 2}), device.indexLists[3]);
  const ModelTriangleList *list = &data_->triangleLists[1];
  ASSERT_NE(nullptr, list->cpuVertices);
  const uint8_t *drawn = static_cast<const uint8_t *>(list->cpuVertices);
  ASSERT_EQ(3u * kOutlineStride, device.lastVertices.size());
  for (int v = 0; v < 3; v++) {
    float vertex[6], got[3];
    memcpy(vertex, drawn + static_cast<size_t>(v) * 64, sizeof vertex);
    memcpy(got, &device.lastVertices[static_cast<size_t>(v) * kOutlineStride], sizeof got);
    for (int k = 0; k < 3; k++) {
      EXPECT_NEAR(vertex[k] + vertex[3 + k] * width, got[k], 1e-6) << v << "," << k;
    }
  }
  const Matrix4x4 &world = device.mirror.transforms[256];
  for (int r = 0; r < 4; r++) {
    for (int c = 0; c < 4; c++) EXPECT_EQ(r == c ? 1.0f : 0.0f, world.m[r][c]);
  }
}

TEST_F(ModelOutlineTest, LightingAfterTheOutlineFollowsTheSettings) {
  for (int disabled = 0; disabled < 2; disabled++) {
    SCOPED_TRACE(disabled);
    g_drawSettings.lightingDisabled = disabled;
    const int handle = LoadOutlined(MODEL_MATERIAL_TOON, 0.0f, 0.0f);
    DrawAndFindOutline(handle);
    EXPECT_EQ(disabled ? 0u : 1u, device.mirror.renderStates[RS_LIGHTING]);
    EXPECT_EQ(0, VLMEndModelSystem());
    ASSERT_EQ(0, StartModelTables());
  }
  g_drawSettings.lightingDisabled = 0;
}

// The width sent to the outline shader is never thinner on screen than the
// dot width (1.125 pixels when none is given).
TEST_F(ModelOutlineTest, SentWidthIsAtLeastTheDotWidthOnScreen) {
  struct Case {
    const char *name;
    float width, dotWidth;
  } cases[] = {
      {"wide enough", 0.2f, 0.0f},
      {"thinner than the default dot", 0.001f, 0.0f},
      {"thinner than its dot", 0.001f, 3.0f},
      {"wide, a larger dot", 0.2f, 100.0f},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    const int handle = LoadOutlined(MODEL_MATERIAL_TOON, c.width, c.dotWidth);
    ASSERT_GE(DrawAndFindOutline(handle), 0);
    const double perUnit = PixelsPerUnit(handle);
    ASSERT_GT(perUnit, 1.0);
    const double distance = c.width * perUnit;
    const double dot = c.dotWidth < 0.0000001f ? 1.125 : c.dotWidth;
    const double expected = distance >= dot ? c.width : c.width * dot / distance;
    const float *sent = GetVertexConstantCopy(42);
    ASSERT_NE(nullptr, sent);
    for (int k = 0; k < 4; k++) EXPECT_NEAR(expected, sent[k], expected * 1e-2) << k;
    EXPECT_EQ(0, VLMEndModelSystem());
    ASSERT_EQ(0, StartModelTables());
  }
}

}  // namespace

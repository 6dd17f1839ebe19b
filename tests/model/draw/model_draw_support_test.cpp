// The set-up routines of model drawing as tables: blend modes, opacity
// and specular of a mesh's material with its colour scales; the view test
// of a box's corners; the colour ratio of toon shading.
#include <string.h>

#include "graphics/draw/draw_settings.h"
#include "model/draw/model_draw_fixture.h"
#include "model/draw/model_draw_support.h"
#include "model/placement/instance_placement.h"

namespace {

struct BlendCase {
  int mode;
  int alphaBlend, srcBlend, destBlend, blendOp;
};

TEST_F(ModelDrawTest, MeshBlendStatesFollowTheBlendMode) {
  const int handle = LoadTestModel();
  MeshInstance *mesh = &LookupModelInstance(handle)->meshes[0];
  const BlendCase cases[] = {
      {0, 0, -1, -1, -1}, {1, 1, 5, 6, 1}, {10, 1, 5, 6, 1}, {2, 1, 5, 2, 1},
      {4, 1, 1, 3, 1},    {11, 1, 1, 3, 1}, {7, -1, -1, -1, -1},
  };
  for (const BlendCase &c : cases) {
    SCOPED_TRACE(c.mode);
    mesh->drawMode = c.mode;
    MeshDrawState state;
    memset(&state, 0, sizeof state);
    int vs = 0, ps = 0, specular = -1;
    SetupMeshMaterial(&vs, &ps, &state, mesh, &specular);
    EXPECT_EQ(c.alphaBlend, state.alphaBlend);
    EXPECT_EQ(c.srcBlend, state.srcBlend);
    EXPECT_EQ(c.destBlend, state.destBlend);
    EXPECT_EQ(c.blendOp, state.blendOp);
  }
  // -1 takes the material's default mode (1 in the test model).
  mesh->drawMode = -1;
  MeshDrawState state;
  int vs = 0, ps = 0, specular = 0;
  SetupMeshMaterial(&vs, &ps, &state, mesh, &specular);
  EXPECT_EQ(6, state.destBlend);
}

TEST_F(ModelDrawTest, VertexColourCarriesOpacityTimesAlpha) {
  ModelData *data = nullptr;
  const int handle = LoadTestModel(&data);
  MeshInstance *mesh = &LookupModelInstance(handle)->meshes[0];
  const struct {
    float opacity;
    int alpha;
    uint32_t diffuse;
  } cases[] = {{1.0f, 255, 0xFFFFFFFFu}, {0.5f, 255, 0x7FFFFFFFu}, {1.0f, 128, 0x80FFFFFFu}, {0.5f, 100, 0x32FFFFFFu}, {0.0f, 255, 0x00FFFFFFu}};
  for (const auto &c : cases) {
    mesh->effective.opacity = c.opacity;
    data->materials[0].alpha = c.alpha;
    MeshDrawState state;
    int vs = 0, ps = 0, specular = 0;
    SetupMeshMaterial(&vs, &ps, &state, mesh, &specular);
    EXPECT_EQ(c.diffuse, state.diffuse) << c.opacity << " " << c.alpha;
  }
}

TEST_F(ModelDrawTest, SpecularIsOnOnlyForAColouredSpecularOrVertexSpecular) {
  ModelData *data = nullptr;
  const int handle = LoadTestModel(&data);
  ModelInstance *instance = LookupModelInstance(handle);
  MeshInstance *mesh = &instance->meshes[0];
  const struct {
    ColorF specular;
    int vertexSpecular;
    int kind;
    int expected;
  } cases[] = {
      {{0, 0, 0, 1}, 0, MODEL_MATERIAL_PLAIN, 0},
      {{0.5f, 0, 0, 1}, 0, MODEL_MATERIAL_PLAIN, 1},
      {{0, 0, 0.00002f, 1}, 0, MODEL_MATERIAL_PLAIN, 1},
      {{0, 0.000005f, 0, 1}, 0, MODEL_MATERIAL_PLAIN, 0},
      {{0, 0, 0, 1}, 1, MODEL_MATERIAL_PLAIN, 1},
      {{1, 1, 1, 1}, 0, MODEL_MATERIAL_TOON, 0},  // toon without shaders
  };
  for (const auto &c : cases) {
    mesh->material->surface.specular = c.specular;
    data->meshes[0].specularFromVertexColor = static_cast<uint8_t>(c.vertexSpecular);
    data->materials[0].kind = c.kind;
    MeshDrawState state;
    int vs = 0, ps = 0, specular = -1;
    SetupMeshMaterial(&vs, &ps, &state, mesh, &specular);
    EXPECT_EQ(c.expected, specular);
    EXPECT_EQ(static_cast<uint32_t>(c.expected), device.mirror.renderStates[29]);  // specular enable
  }
}

// Instance and frame colour scales set in the records: the material sent
// is the material times the product of the scales.
TEST_F(ModelDrawTest, ColourScalesMultiplyTheMaterialSent) {
  ModelData *data = nullptr;
  const int handle = LoadTestModel(&data);
  ModelInstance *instance = LookupModelInstance(handle);
  MaterialSurface &surface = instance->materials[0].surface;
  surface.diffuse = ColorF{1, 0.5f, 0.25f, 1};
  surface.ambient = ColorF{0.2f, 0.4f, 0.6f, 1};
  surface.specular = ColorF{0.8f, 0.8f, 0.8f, 1};
  surface.emissive = ColorF{0.1f, 0.2f, 0.3f, 1};
  instance->draw.hasOwnScale = 1;
  instance->draw.scale[0] = ColorF{0.5f, 0.5f, 0.5f, 1};
  instance->draw.scale[1] = ColorF{1, 0.5f, 1, 1};
  instance->draw.scale[2] = ColorF{0.25f, 1, 1, 1};
  instance->draw.scale[3] = ColorF{1, 1, 2, 1};
  FrameInstance &root = instance->frames[0];
  root.draw.hasOwnScale = 1;
  for (ColorF &s : root.draw.scale) s = ColorF{1, 1, 1, 1};
  root.draw.scale[0] = ColorF{0.5f, 1, 1, 0.5f};
  memset(instance->drawChangeSet, 0xFF, instance->drawChangeSetBytes);
  EXPECT_EQ(0, VLMDrawInstance(handle));
  const GfxMaterial &sent = device.mirror.material;
  EXPECT_FLOAT_EQ(0.25f, sent.diffuse.r);
  EXPECT_FLOAT_EQ(0.25f, sent.diffuse.g);
  EXPECT_FLOAT_EQ(0.125f, sent.diffuse.b);
  EXPECT_FLOAT_EQ(0.5f, sent.diffuse.a);
  EXPECT_FLOAT_EQ(0.2f, sent.ambient.r);
  EXPECT_FLOAT_EQ(0.2f, sent.ambient.g);
  EXPECT_FLOAT_EQ(0.2f, sent.specular.r);
  EXPECT_FLOAT_EQ(0.8f, sent.specular.g);
  EXPECT_FLOAT_EQ(0.6f, sent.emissive.b);
}

// Corners in world space, seen from (0, 0, -20) looking along +z with the
// fixture's projection (near 1, far 1000).
struct BoxCase {
  const char *name;
  Vector3 min, max;
  int outside;
};

TEST_F(ModelDrawTest, BoxViewTestCases) {
  const BoxCase cases[] = {
      {"in front", {-1, -1, -1}, {1, 1, 1}, 0},
      {"straddling the left edge", {-40, -1, 0}, {0, 1, 1}, 0},
      {"wholly left", {-400, -1, 0}, {-300, 1, 1}, 1},
      {"wholly right", {300, -1, 0}, {400, 1, 1}, 1},
      {"wholly above", {-1, 300, 0}, {1, 400, 1}, 1},
      {"behind the far plane", {-1, -1, 2000}, {1, 1, 2100}, 1},
      {"behind the camera", {-1, -1, -100}, {1, 1, -90}, 1},
      {"surrounding the camera", {-50, -50, -50}, {50, 50, 50}, 0},
  };
  for (const BoxCase &c : cases) {
    Vector3 corners[8];
    for (int i = 0; i < 8; i++) {
      corners[i] = Vector3{(i & 1) ? c.max.x : c.min.x, (i & 2) ? c.max.y : c.min.y, (i & 4) ? c.max.z : c.min.z};
    }
    EXPECT_EQ(c.outside, IsBoxOutsideView(corners)) << c.name;
  }
}

TEST(ColorRatioTest, LargestComponentBecomesOne) {
  const struct {
    float in[3];
    float out[3];
  } cases[] = {
      {{0.2f, 0.4f, 0.8f}, {0.25f, 0.5f, 1.0f}}, {{0.5f, 0.5f, 0.5f}, {1, 1, 1}}, {{0, 0, 0}, {1, 1, 1}},
      {{2.0f, 1.0f, 0.0f}, {1.0f, 0.5f, 0.0f}}, {{0.3f, 0.300005f, 0.3f}, {1, 1, 1}}, {{0, 0.000001f, 0.000002f}, {1, 1, 1}},
  };
  for (const auto &c : cases) {
    float r = -1, g = -1, b = -1;
    ComputeColorRatio(c.in[0], c.in[1], c.in[2], &r, &g, &b);
    EXPECT_FLOAT_EQ(c.out[0], r);
    EXPECT_FLOAT_EQ(c.out[1], g);
    EXPECT_FLOAT_EQ(c.out[2], b);
  }
}

}  // namespace

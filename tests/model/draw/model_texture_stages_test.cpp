// The texture stages a mesh is drawn with: without a diffuse texture the
// shared white texture times the vertex colour, the opacity through the
// texture factor in stage 1, the stage after the last one off; a negative
// texture index names a built-in texture.
#include <string.h>

#include "graphics/graphs/graph_handles.h"
#include "graphics/state/render_state_cache.h"
#include "model/draw/model_draw_fixture.h"
#include "model/draw/model_draw_support.h"
#include "model/placement/instance_placement.h"
#include "model/textures/builtin_textures.h"

namespace {

// Direct3D 9 texture-stage state numbers.
enum {
  COLOROP = 1,
  COLORARG1 = 2,
  COLORARG2 = 3,
  ALPHAOP = 4,
  ALPHAARG1 = 5,
  ALPHAARG2 = 6,
  TEXCOORDINDEX = 11
};

struct StageRow {
  uint32_t colorArg1, colorArg2, colorOp, alphaArg1, alphaArg2, alphaOp;
};

class ModelTextureStagesTest : public ModelDrawTest {
 protected:
  uint32_t Sent(int stage, int state) const {
    const auto &states = device.mirror.stageStates[stage];
    const auto found = states.find(state);
    return found == states.end() ? 0xDEADu : found->second;
  }
  StageRow SentStage(int stage) const {
    return StageRow{Sent(stage, COLORARG1), Sent(stage, COLORARG2), Sent(stage, COLOROP),
                    Sent(stage, ALPHAARG1), Sent(stage, ALPHAARG2), Sent(stage, ALPHAOP)};
  }
  void ExpectStage(int stage, const StageRow &want) const {
    SCOPED_TRACE(stage);
    const StageRow got = SentStage(stage);
    EXPECT_EQ(want.colorArg1, got.colorArg1);
    EXPECT_EQ(want.colorArg2, got.colorArg2);
    EXPECT_EQ(want.colorOp, got.colorOp);
    EXPECT_EQ(want.alphaArg1, got.alphaArg1);
    EXPECT_EQ(want.alphaArg2, got.alphaArg2);
    EXPECT_EQ(want.alphaOp, got.alphaOp);
  }
  static GfxTexture *WhiteTexture() { return GetGraphTexture(GetWhiteModelTexture()); }
};

const StageRow kTextureTimesDiffuse = {2, 0, 4, 2, 0, 4};
const StageRow kOff = {2, 0, 1, 2, 0, 1};

TEST_F(ModelTextureStagesTest, UntexturedMeshDrawsWithTheWhiteTextureTimesDiffuse) {
  ModelData *data = nullptr;
  const int handle = LoadTestModel(&data);
  data->materials[0].alpha = 255;
  device.calls.clear();
  ASSERT_EQ(0, VLMDrawInstance(handle));
  ASSERT_NE(nullptr, WhiteTexture());
  EXPECT_EQ(WhiteTexture(), device.mirror.textures[0]);
  ExpectStage(0, kTextureTimesDiffuse);
  EXPECT_EQ(0u, Sent(0, TEXCOORDINDEX));
  // Opaque: no factor stage, stage 1 is off.
  ExpectStage(1, kOff);
  EXPECT_EQ(nullptr, device.mirror.textures[1]);
}

TEST_F(ModelTextureStagesTest, FactorStageFollowsTheBlendMode) {
  const int handle = LoadTestModel();
  MeshInstance *mesh = &LookupModelInstance(handle)->meshes[0];
  const struct {
    int mode;
    int factor;
    StageRow stage1;
    int stageCount;
  } cases[] = {
      {1, -1, kOff, 2},
      {1, 0x7FFFFFFF, {1, 0, 2, 1, 3, 4}, 3},
      {2, 0x40FFFFFF, {1, 0, 2, 1, 3, 4}, 3},
      {11, 0x7FFFFFFF, {1, 3, 14, 1, 0, 2}, 3},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.mode);
    mesh->drawMode = c.mode;
    TextureStageSet set;
    memset(&set, 0, sizeof set);
    set.alphaRef = set.alphaFunc = -1;
    set.textureFactor = c.factor;
    ApplyFallbackTextureStages(mesh, &set, 0);
    EXPECT_EQ(c.stageCount, set.stageCount);
    EXPECT_EQ(GetWhiteModelTexture(), set.graphs[0]);
    EXPECT_EQ(WhiteTexture(), device.mirror.textures[0]);
    ExpectStage(0, kTextureTimesDiffuse);
    ExpectStage(1, c.stage1);
    if (c.stageCount == 3) ExpectStage(2, kOff);
    if (c.factor != -1) {
      EXPECT_EQ(static_cast<uint32_t>(c.factor), device.mirror.renderStates[60]);
    }
  }
}

TEST_F(ModelTextureStagesTest, ShaderPathUsesThreeStagesWithWhiteInStageZero) {
  const int handle = LoadTestModel();
  MeshInstance *mesh = &LookupModelInstance(handle)->meshes[0];
  TextureStageSet set;
  memset(&set, 0, sizeof set);
  set.alphaRef = set.alphaFunc = -1;
  set.textureFactor = -1;
  device.mirror.stageStates[1][TEXCOORDINDEX] = 7;
  ApplyFallbackTextureStages(mesh, &set, 1);
  EXPECT_EQ(3, set.stageCount);
  EXPECT_EQ(GetWhiteModelTexture(), set.graphs[0]);
  EXPECT_EQ(WhiteTexture(), device.mirror.textures[0]);
  EXPECT_EQ(0u, set.stages[0].texCoordIndex);
  EXPECT_EQ(1u, Sent(1, TEXCOORDINDEX));
}

TEST_F(ModelTextureStagesTest, ADeletedWhiteTextureIsMadeAgainOnTheNextDraw) {
  const int handle = LoadTestModel();
  ASSERT_EQ(0, VLMDrawInstance(handle));
  const int first = GetWhiteModelTexture();
  ASSERT_EQ(0, DeleteGraphHandle(first));
  ASSERT_EQ(0, VLMDrawInstance(handle));
  ASSERT_NE(nullptr, WhiteTexture());
  EXPECT_EQ(WhiteTexture(), device.mirror.textures[0]);
}

TEST_F(ModelTextureStagesTest, NegativeTextureIndexDrawsTheBuiltinTexture) {
  ModelData *data = nullptr;
  const int handle = LoadTestModel(&data);
  (void)data;
  MaterialSurface &surface = LookupModelInstance(handle)->meshes[0].material->surface;
  surface.diffuseTexture.used = 1;
  const int codes[] = {BUILTIN_TOON_RAMP, BUILTIN_GRADIENT};
  for (int code : codes) {
    SCOPED_TRACE(code);
    surface.diffuseTexture.texture = code;
    ASSERT_EQ(0, VLMDrawInstance(handle));
    ASSERT_NE(nullptr, GetGraphTexture(GetBuiltinModelTexture(code)));
    EXPECT_EQ(GetGraphTexture(GetBuiltinModelTexture(code)), device.mirror.textures[0]);
    ExpectStage(0, kTextureTimesDiffuse);
  }
}

}  // namespace

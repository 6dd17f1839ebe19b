#include <gtest/gtest.h>

#include <string.h>

#include "graphics/device/shaders.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/graphs/graph_records.h"
#include "graphics/state/blend_states.h"
#include "graphics/state/stage_sets.h"
#include "graphics/state/state_fixture.h"

namespace {

// Direct3D codes as the tests spell them.
enum {
  OP_DISABLE = 1, OP_ARG1 = 2, OP_ARG2 = 3, OP_MOD = 4, OP_MOD2X = 5, OP_MOD4X = 6, OP_ADD = 7,
  OP_SUB = 10, OP_BLEND_CURRENT_ALPHA = 16,
  A_DIFFUSE = 0, A_CURRENT = 1, A_TEXTURE = 2, A_FACTOR = 3, A_INVERTED = 0x10,
  F_ZERO = 1, F_ONE = 2, F_SRCCOLOR = 3, F_SRCALPHA = 5, F_INVSRCALPHA = 6, F_INVDESTCOLOR = 10,
  CMP_GREATER_ = 5, CMP_GREATER_EQUAL_ = 7
};

class BlendStatesTest : public StateFixture {
 protected:
  void SetUp() override {
    StateFixture::SetUp();
    texture = reinterpret_cast<GfxTexture *>(&textureObject);
    blendImage = reinterpret_cast<GfxTexture *>(&blendObject);
  }
  GraphRecord Graph(SharedGraphImage *image) { return GraphRecord{0, 1, nullptr, image}; }
  // The stage states the device holds for stage `stage`.
  std::vector<uint32_t> DeviceStage(int stage) {
    std::vector<uint32_t> values;
    for (int state : {TSS_COLOROP, TSS_COLORARG1, TSS_COLORARG2, TSS_ALPHAOP, TSS_ALPHAARG1,
                      TSS_ALPHAARG2}) {
      values.push_back(device.GetTextureStageState(stage, state));
    }
    return values;
  }
  int textureObject = 0, blendObject = 0;
  GfxTexture *texture = nullptr;
  GfxTexture *blendImage = nullptr;
};

std::vector<uint32_t> Stage(int colorOp, int c1, int c2, int alphaOp, int a1, int a2) {
  return {static_cast<uint32_t>(colorOp), static_cast<uint32_t>(c1), static_cast<uint32_t>(c2),
          static_cast<uint32_t>(alphaOp), static_cast<uint32_t>(a1), static_cast<uint32_t>(a2)};
}

std::vector<uint32_t> SetStage(const BuiltinStage &s) {
  return Stage(s.colorOp, s.colorArg1, s.colorArg2, s.alphaOp, s.alphaArg1, s.alphaArg2);
}

// The eight rows of the table the stage sets were derived from, by what
// each stage computes (the unused argument of a select is not pinned).
TEST(StageSets, TheGivenRowsComputeWhatTheTableSays) {
  struct Expect {
    int set, stages;
    int colorOp, colorArg, alphaOp, alphaArg;  // stage 0, the argument that counts
  };
  const Expect rows[] = {
      {0, 1, OP_ARG1, A_TEXTURE, OP_ARG2, A_DIFFUSE},
      {1, 1, OP_ARG1, A_TEXTURE, OP_ARG1, A_TEXTURE},
      {4, 1, OP_ARG1, A_TEXTURE, OP_MOD, -1},
      {6, 1, OP_MOD, -1, OP_ARG2, A_DIFFUSE},
      {10, 1, OP_MOD, -1, OP_MOD, -1},
      {12, 2, OP_ARG2, A_DIFFUSE, OP_ADD, -1},
      {24, 2, OP_ARG1, A_TEXTURE, OP_ARG2, A_DIFFUSE},
      {48, 1, OP_ARG1, A_TEXTURE | A_INVERTED, OP_ARG2, A_DIFFUSE},
  };
  for (const Expect &row : rows) {
    SCOPED_TRACE(row.set);
    const BuiltinStageSet *set = GetBuiltinStageSet(row.set);
    ASSERT_NE(nullptr, set);
    EXPECT_EQ(row.stages, set->stageCount);
    const BuiltinStage &s = set->stages[0];
    EXPECT_EQ(row.colorOp, s.colorOp);
    EXPECT_EQ(row.alphaOp, s.alphaOp);
    if (row.colorOp == OP_ARG1 && row.colorArg >= 0) {
      EXPECT_EQ(row.colorArg, s.colorArg1);
    }
    if (row.colorOp == OP_ARG2 && row.colorArg >= 0) {
      EXPECT_EQ(row.colorArg, s.colorArg2);
    }
    if (row.alphaOp == OP_ARG1) {
      EXPECT_EQ(row.alphaArg, s.alphaArg1);
    }
    if (row.alphaOp == OP_ARG2) {
      EXPECT_EQ(row.alphaArg, s.alphaArg2);
    }
    // Products are of the texture and the diffuse colour.
    if (row.colorOp == OP_MOD) {
      EXPECT_EQ(A_TEXTURE, s.colorArg1);
      EXPECT_EQ(A_DIFFUSE, s.colorArg2);
    }
    if (row.alphaOp == OP_MOD) {
      EXPECT_EQ(A_TEXTURE, s.alphaArg1);
      EXPECT_EQ(A_DIFFUSE, s.alphaArg2);
    }
  }
  // Set 12: blend-image alpha plus the factor, then the texture with the
  // current alpha times the diffuse alpha.
  const BuiltinStageSet *blend = GetBuiltinStageSet(12);
  EXPECT_EQ(STAGE_BLEND_IMAGE, blend->stages[0].texture);
  EXPECT_EQ(Stage(OP_ARG2, A_TEXTURE, A_DIFFUSE, OP_ADD, A_TEXTURE, A_FACTOR),
            SetStage(blend->stages[0]));
  EXPECT_EQ(STAGE_TEXTURE, blend->stages[1].texture);
  EXPECT_EQ(1, blend->stages[1].texCoordIndex);
  EXPECT_EQ(Stage(OP_ARG1, A_TEXTURE, A_DIFFUSE, OP_MOD, A_CURRENT, A_DIFFUSE),
            SetStage(blend->stages[1]));
  // Set 24's second stage fades to the texture factor by the current alpha.
  const BuiltinStageSet *fade = GetBuiltinStageSet(24);
  EXPECT_EQ(1, fade->stages[1].texCoordIndex);
  EXPECT_EQ(Stage(OP_BLEND_CURRENT_ALPHA, A_CURRENT, A_FACTOR, OP_ARG1, A_CURRENT, A_DIFFUSE),
            SetStage(fade->stages[1]));
  for (int i = 36; i < 48; i++) EXPECT_EQ(0, GetBuiltinStageSet(i)->stageCount);
  EXPECT_EQ(nullptr, GetBuiltinStageSet(60));
  EXPECT_EQ(nullptr, GetBuiltinStageSet(-1));
}

// Kinds 1 and 2 follow from kind 0; blend-image sets never pass four stages
// and amplify on stage 1.
TEST(StageSets, DerivedKindsFollowKindZero) {
  for (int i = 0; i < 12; i++) {
    SCOPED_TRACE(i);
    const BuiltinStageSet *plain = GetBuiltinStageSet(i);
    const BuiltinStageSet *faded = GetBuiltinStageSet(24 + i);
    const BuiltinStageSet *inverted = GetBuiltinStageSet(48 + i);
    EXPECT_EQ(SetStage(plain->stages[0]), SetStage(faded->stages[0]));
    EXPECT_EQ(SetStage(GetBuiltinStageSet(24)->stages[1]), SetStage(faded->stages[1]));
    BuiltinStage expected = plain->stages[0];
    expected.colorArg1 = A_TEXTURE | A_INVERTED;
    EXPECT_EQ(SetStage(expected), SetStage(inverted->stages[0]));
    const BuiltinStageSet *blend = GetBuiltinStageSet(12 + i);
    const int e = i % 3, a = i / 3 % 2;
    EXPECT_EQ(2 + (e == 1) + a, blend->stageCount);
    EXPECT_LE(blend->stageCount, 4);
    EXPECT_EQ(OP_MOD, blend->stages[1].alphaOp);
    // The texture sits after the amplification only for a continuous alpha.
    EXPECT_EQ(STAGE_TEXTURE, blend->stages[e == 1 ? 2 : 1].texture);
  }
}

TEST(BlendBorder, FormulasAtTheRangeEdges) {
  const struct {
    int range, parameter, alpha, op0, op1;
  } cases[] = {
      {2, 0, 64, OP_ADD, OP_MOD4X},      {2, 1, 62, OP_ADD, OP_MOD4X},
      {2, 127, 95, OP_SUB, OP_MOD4X},    {2, 128, 97, OP_SUB, OP_MOD4X},
      {2, 254, 254, OP_SUB, OP_MOD4X},   {2, 255, 255, OP_SUB, OP_MOD4X},
      {64, 1, 62, OP_ADD, OP_MOD4X},     {65, 0, 128, OP_ADD, OP_MOD2X},
      {65, 1, 126, OP_ADD, OP_MOD2X},    {65, 127, 63, OP_SUB, OP_MOD2X},
      {128, 128, 65, OP_SUB, OP_MOD2X},  {128, 254, 254, OP_SUB, OP_MOD2X},
      {129, 0, 255, OP_ADD, OP_MOD},     {129, 1, 253, OP_ADD, OP_MOD},
      {129, 127, 1, OP_ADD, OP_MOD},     {129, 128, 1, OP_SUB, OP_MOD},
      {129, 254, 253, OP_SUB, OP_MOD},   {129, 255, 255, OP_SUB, OP_MOD},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::Message() << "R " << c.range << " P " << c.parameter);
    const BlendBorderStates states = ComputeBlendBorderStates(c.parameter, c.range);
    EXPECT_EQ(c.alpha, states.factorAlpha);
    EXPECT_EQ(c.op0, states.stage0AlphaOp);
    EXPECT_EQ(c.op1, states.stage1AlphaOp);
  }
}

// What a textured draw with transparency must leave in the device, from the
// blend-mode table and the alpha-source rules, written apart from the code.
struct ExpectedBlend {
  int src, dest, op, blendOn;
  int alphaTest, alphaRef, alphaFunc;
  int set;
};

ExpectedBlend Expected(int mode, int imageAlpha, int imageKey, int zTest, int reverseSubtract) {
  static const int kRows[13][4] = {{-1, -1, 0, 1}, {6, 5, 0, 1},  {2, 5, 0, 1}, {1, 10, 0, 1},
                                   {3, 1, 0, 1},   {2, 5, 0, 1},  {-1, -1, 0, 1}, {-1, -1, 0, 1},
                                   {2, 1, 0, 1},   {1, 10, 0, 1}, {6, 5, 2, 1}, {3, 1, 1, 1},
                                   {2, 5, 0, 3}};
  int alphaFlag = 0, keyFlag = 0;
  if (imageAlpha || imageKey) {
    if (mode != 0 && mode != 8) {
      alphaFlag = 1;
    } else {
      alphaFlag = imageAlpha;
      keyFlag = imageKey;
    }
  }
  ExpectedBlend e;
  e.dest = kRows[mode][0];
  e.src = kRows[mode][1];
  e.op = kRows[mode][3];
  if (mode == 3 && reverseSubtract) {
    e.dest = F_ONE;
    e.src = F_SRCALPHA;
    e.op = 3;
  }
  const bool noBlend = mode == 0 || mode == 6;
  if (alphaFlag && noBlend) {
    e.src = F_SRCALPHA;
    e.dest = F_INVSRCALPHA;
  }
  e.blendOn = !noBlend || alphaFlag;
  const int source = alphaFlag ? 1 : (keyFlag || zTest) ? 2 : 0;
  const int vertexAlpha = mode != 0;
  e.set = source + 3 * vertexAlpha + 24 * kRows[mode][2];
  // Modes whose factors weigh nothing by the source alpha test it instead.
  const bool alphaBlind = e.src != -1 && e.dest != -1 && e.src != F_SRCALPHA &&
                          e.src != F_INVSRCALPHA && e.dest != F_SRCALPHA && e.dest != F_INVSRCALPHA;
  e.alphaTest = keyFlag || zTest || (alphaFlag && e.blendOn && alphaBlind);
  e.alphaRef = keyFlag ? 16 : 0;
  e.alphaFunc = CMP_GREATER_;
  return e;
}

TEST_F(BlendStatesTest, ModeAlphaKeyAndZTestMakeBlendStatesAndStageSet) {
  for (int optional = 0; optional <= 1; optional++) {
    StartWithCaps(optional);
    texture = reinterpret_cast<GfxTexture *>(&textureObject);
    g_drawSettings.depthTest3D = 1;
    for (int mode = 0; mode < 13; mode++) {
      for (int look = 0; look < 3; look++) {
        for (int z = 0; z <= 1; z++) {
          SCOPED_TRACE(testing::Message() << "caps " << optional << " mode " << mode << " look "
                                          << look << " z " << z);
          SharedGraphImage image = {1, 3, 1, look == 1, 0, 0, 0, 0, look == 2};
          GraphRecord graph = Graph(&image);
          g_drawSettings.blendMode = mode;
          PrepareDrawStates(&graph, texture, DRAW_FLAG_TRANSPARENT | (z ? DRAW_FLAG_3D_DEPTH : 0));
          const ExpectedBlend e = Expected(mode, look == 1, look == 2, z, optional);
          if (e.src != -1) {
            EXPECT_EQ(static_cast<uint32_t>(e.src), device.GetRenderState(RS_SRCBLEND));
            EXPECT_EQ(static_cast<uint32_t>(e.dest), device.GetRenderState(RS_DESTBLEND));
          }
          EXPECT_EQ(static_cast<uint32_t>(e.op), device.GetRenderState(RS_BLENDOP));
          EXPECT_EQ(static_cast<uint32_t>(e.blendOn), device.GetRenderState(RS_ALPHABLENDENABLE));
          EXPECT_EQ(static_cast<uint32_t>(e.alphaTest), device.GetRenderState(RS_ALPHATESTENABLE));
          if (e.alphaTest) {
            EXPECT_EQ(static_cast<uint32_t>(e.alphaRef), device.GetRenderState(RS_ALPHAREF));
            EXPECT_EQ(static_cast<uint32_t>(e.alphaFunc), device.GetRenderState(RS_ALPHAFUNC));
          }
          const BuiltinStageSet *set = GetBuiltinStageSet(e.set);
          for (int stage = 0; stage < set->stageCount; stage++) {
            EXPECT_EQ(SetStage(set->stages[stage]), DeviceStage(stage)) << "stage " << stage;
          }
          EXPECT_EQ(static_cast<uint32_t>(OP_DISABLE),
                    device.GetTextureStageState(set->stageCount, TSS_COLOROP));
          EXPECT_EQ(texture, device.mirror.textures[0]);
          EXPECT_EQ("", Join(Mismatches()));
        }
      }
    }
  }
}

TEST_F(BlendStatesTest, BlendImageBorderStates) {
  SharedGraphImage image = {1, 3, 1, 0, 0, 0, 0, 0, 0};
  GraphRecord graph = Graph(&image);
  g_drawSettings.blendMode = 1;
  const struct {
    int range, parameter;
    uint32_t factor;
    int alphaTest, alphaRef, blendOn, op0, op1;
  } cases[] = {
      {1, 100, 0x00FFFFFFu, 1, 100, 0, OP_ADD, OP_MOD},
      {1, 0, 0x00FFFFFFu, 1, 0, 0, OP_ADD, OP_MOD},
      {2, 127, 0x5FFFFFFFu, 0, -1, 1, OP_SUB, OP_MOD4X},
      {100, 0, 0x80FFFFFFu, 0, -1, 1, OP_ADD, OP_MOD2X},
      {200, 128, 0x01FFFFFFu, 0, -1, 1, OP_SUB, OP_MOD},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::Message() << "R " << c.range << " P " << c.parameter);
    SetBlendTexture(c.range, blendImage, c.parameter);
    PrepareDrawStates(&graph, texture, DRAW_FLAG_TRANSPARENT);
    EXPECT_EQ(c.factor, device.GetRenderState(RS_TEXTUREFACTOR));
    EXPECT_EQ(static_cast<uint32_t>(c.alphaTest), device.GetRenderState(RS_ALPHATESTENABLE));
    if (c.alphaTest) {
      EXPECT_EQ(static_cast<uint32_t>(c.alphaRef), device.GetRenderState(RS_ALPHAREF));
      EXPECT_EQ(static_cast<uint32_t>(CMP_GREATER_EQUAL_), device.GetRenderState(RS_ALPHAFUNC));
    }
    EXPECT_EQ(static_cast<uint32_t>(c.blendOn), device.GetRenderState(RS_ALPHABLENDENABLE));
    EXPECT_EQ(static_cast<uint32_t>(c.op0), device.GetTextureStageState(0, TSS_ALPHAOP));
    EXPECT_EQ(static_cast<uint32_t>(c.op1), device.GetTextureStageState(1, TSS_ALPHAOP));
    EXPECT_EQ(blendImage, device.mirror.textures[0]);
    EXPECT_EQ(texture, device.mirror.textures[1]);
    EXPECT_EQ(BATCH_BLEND_TEXTURED, g_vertexBatch.subKind);
  }
  // With an alpha channel and P 0 the reference becomes 1.
  image.alphaChannel = 1;
  SetBlendTexture(1, blendImage, 0);
  PrepareDrawStates(&graph, texture, DRAW_FLAG_TRANSPARENT);
  EXPECT_EQ(1u, device.GetRenderState(RS_ALPHAREF));
  EXPECT_EQ(texture, device.mirror.textures[2]);
  SetBlendTexture(-1, nullptr, -1);
}

TEST_F(BlendStatesTest, BorderParameter255DrawsNothing) {
  SharedGraphImage image = {1, 3, 1, 0, 0, 0, 0, 0, 0};
  GraphRecord graph = Graph(&image);
  SetBlendTexture(100, blendImage, 255);
  PrepareDrawStates(&graph, texture, DRAW_FLAG_TRANSPARENT);
  ReserveBatchVertices(BATCH_KIND_2D, PRIM_TRIANGLELIST, 6);
  device.calls.clear();
  FlushVertexBatch();
  EXPECT_TRUE(device.CallsOf("DrawPrimitiveUP").empty());
  SetBlendTexture(-1, blendImage, 254);
  PrepareDrawStates(&graph, texture, DRAW_FLAG_TRANSPARENT);
  ReserveBatchVertices(BATCH_KIND_2D, PRIM_TRIANGLELIST, 6);
  FlushVertexBatch();
  EXPECT_EQ(1u, device.CallsOf("DrawPrimitiveUP").size());
}

TEST_F(BlendStatesTest, SameImageTwiceInModeOneSendsTheBlendStateOnce) {
  SharedGraphImage image = {1, 3, 1, 1, 0, 0, 0, 0, 0};
  GraphRecord graph = Graph(&image);
  g_drawSettings.blendMode = 1;
  PrepareDrawStates(&graph, texture, DRAW_FLAG_TRANSPARENT);
  device.calls.clear();
  PrepareDrawStates(&graph, texture, DRAW_FLAG_TRANSPARENT);
  EXPECT_TRUE(device.calls.empty()) << Join(device.calls);
}

TEST_F(BlendStatesTest, ColourKeyInModeZeroUsesTheAlphaTestAndNoBlending) {
  SharedGraphImage image = {1, 5, 1, 0, 0, 0, 0, 0, 1};
  GraphRecord graph = Graph(&image);
  PrepareDrawStates(&graph, texture, DRAW_FLAG_TRANSPARENT);
  EXPECT_EQ(1u, device.GetRenderState(RS_ALPHATESTENABLE));
  EXPECT_EQ(16u, device.GetRenderState(RS_ALPHAREF));
  EXPECT_EQ(5u, device.GetRenderState(RS_ALPHAFUNC));
  EXPECT_EQ(0u, device.GetRenderState(RS_ALPHABLENDENABLE));
  // Bilinear filtering turns the key into a blended alpha unless asked not to.
  g_drawSettings.filterMode = 1;
  PrepareDrawStates(&graph, texture, DRAW_FLAG_TRANSPARENT);
  EXPECT_EQ(1u, device.GetRenderState(RS_ALPHABLENDENABLE));
  EXPECT_EQ(0u, device.GetRenderState(RS_ALPHATESTENABLE));
  PrepareDrawStates(&graph, texture, DRAW_FLAG_TRANSPARENT | DRAW_FLAG_KEEP_ALPHA_TEST);
  EXPECT_EQ(1u, device.GetRenderState(RS_ALPHATESTENABLE));
}

TEST_F(BlendStatesTest, ModeZeroWithAnAlphaChannelBlendsBySourceAlpha) {
  SharedGraphImage image = {1, 3, 1, 1, 0, 0, 0, 0, 0};
  GraphRecord graph = Graph(&image);
  PrepareDrawStates(&graph, texture, DRAW_FLAG_TRANSPARENT);
  EXPECT_EQ(1u, device.GetRenderState(RS_ALPHABLENDENABLE));
  EXPECT_EQ(static_cast<uint32_t>(F_SRCALPHA), device.GetRenderState(RS_SRCBLEND));
  EXPECT_EQ(static_cast<uint32_t>(F_INVSRCALPHA), device.GetRenderState(RS_DESTBLEND));
}

TEST_F(BlendStatesTest, UserStageSetStaysUntilRemoved) {
  TextureStageSet set;
  memset(&set, 0, sizeof set);
  set.alphaFunc = 8;
  set.srcBlend = F_ONE;
  set.destBlend = F_ONE;
  set.blendOp = 1;
  set.alphaBlendEnable = 1;
  set.stageCount = 1;
  set.stages[0] = TextureStageRecord{texture, 0, 0, A_TEXTURE, A_DIFFUSE, OP_MOD,
                                     A_TEXTURE, A_DIFFUSE, OP_ADD};
  EXPECT_EQ(0, SetUserTextureStageSet(&set, static_cast<int>(0xFF808080u)));
  EXPECT_EQ(static_cast<uint32_t>(OP_ADD), device.GetTextureStageState(0, TSS_COLOROP));
  EXPECT_EQ(0xFF808080u, device.GetRenderState(RS_TEXTUREFACTOR));
  for (int mode : {1, 4, 10}) {
    g_drawSettings.blendMode = mode;
    PrepareDrawStates(nullptr, texture, 0);
    EXPECT_EQ(static_cast<uint32_t>(OP_ADD), device.GetTextureStageState(0, TSS_COLOROP));
    EXPECT_EQ(static_cast<uint32_t>(F_ONE), device.GetRenderState(RS_SRCBLEND));
  }
  EXPECT_EQ(0, SetUserTextureStageSet(nullptr, 0));
  g_drawSettings.blendMode = 0;
  PrepareDrawStates(nullptr, texture, 0);
  EXPECT_EQ(static_cast<uint32_t>(OP_ARG1), device.GetTextureStageState(0, TSS_COLOROP));
  EXPECT_EQ("", Join(Mismatches()));
}

TEST_F(BlendStatesTest, ModesOutsideTheTableSendNothing) {
  for (int mode : {13, -1, 255}) {
    SetPendingBlendState(mode, 0, 0);
    device.calls.clear();
    EXPECT_EQ(-1, ApplyBlendStates(0, nullptr, 0)) << mode;
    EXPECT_TRUE(device.calls.empty());
  }
  SetPendingBlendState(0, 0, 0);
}

TEST_F(BlendStatesTest, NothingPendingAndALoneTextureChange) {
  PrepareDrawStates(nullptr, texture, 0);
  EXPECT_EQ(-1, ApplyBlendStates(0, nullptr, 0));
  int other = 0;
  GfxTexture *second = reinterpret_cast<GfxTexture *>(&other);
  device.calls.clear();
  PrepareDrawStates(nullptr, second, 0);
  EXPECT_EQ(second, device.mirror.textures[0]);
  EXPECT_TRUE(device.CallsOf("SetTextureStageState").empty()) << Join(device.calls);
}

TEST_F(BlendStatesTest, UntexturedKindsBuildTheirOneStage) {
  const struct {
    int mode;
    std::vector<uint32_t> stage;
    uint32_t factor;
  } cases[] = {
      {0, Stage(OP_ARG2, A_TEXTURE, A_DIFFUSE, OP_ARG2, A_TEXTURE, A_DIFFUSE), 0xFFFFFFFFu},
      {11, Stage(12, A_DIFFUSE, A_FACTOR, OP_ARG2, A_TEXTURE, A_DIFFUSE), 0xFFFFFFFFu},
      {10, Stage(OP_ARG1, A_DIFFUSE | A_INVERTED, A_DIFFUSE, OP_ARG2, A_TEXTURE, A_DIFFUSE),
       0xFFFFFFFFu},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.mode);
    g_drawSettings.blendMode = c.mode;
    PrepareDrawStates(nullptr, nullptr, 0);
    EXPECT_EQ(c.stage, DeviceStage(0));
    EXPECT_EQ(static_cast<uint32_t>(OP_DISABLE), device.GetTextureStageState(1, TSS_COLOROP));
    EXPECT_EQ(c.factor, device.GetRenderState(RS_TEXTUREFACTOR));
    EXPECT_EQ(BATCH_UNTEXTURED, g_vertexBatch.subKind);
    EXPECT_EQ(0u, device.GetRenderState(RS_ALPHATESTENABLE));
  }
}

TEST_F(BlendStatesTest, KeepBlendAndKeepShaderFlags) {
  PrepareDrawStates(nullptr, texture, 0);
  g_drawSettings.blendMode = 2;
  device.calls.clear();
  PrepareDrawStates(nullptr, nullptr, DRAW_FLAG_KEEP_BLEND);
  EXPECT_TRUE(device.CallsOf("SetTextureStageState").empty());
  EXPECT_TRUE(device.CallsOf("SetTexture").empty());
  EXPECT_EQ(0u, device.GetRenderState(RS_ALPHABLENDENABLE));
  g_stateCache.vertexShaderSet = 1;
  PrepareDrawStates(nullptr, texture, DRAW_FLAG_KEEP_SHADERS);
  EXPECT_TRUE(device.CallsOf("SetNoShaders").empty());
  PrepareDrawStates(nullptr, texture, 0);
  EXPECT_EQ(1u, device.CallsOf("SetNoShaders").size());
  EXPECT_EQ(0, g_stateCache.vertexShaderSet);
}

// The alpha source follows the Z test: switching Z between draws with the
// same image must bring the alpha test along.
TEST_F(BlendStatesTest, ZTestChangeReappliesTheAlphaTest) {
  SharedGraphImage image = {1, 3, 1, 0, 0, 0, 0, 0, 0};
  GraphRecord graph = Graph(&image);
  g_drawSettings.depthTest3D = 1;
  PrepareDrawStates(&graph, texture, 0);
  EXPECT_EQ(0u, device.GetRenderState(RS_ALPHATESTENABLE));
  PrepareDrawStates(&graph, texture, DRAW_FLAG_3D_DEPTH);
  EXPECT_EQ(1u, device.GetRenderState(RS_ZENABLE));
  EXPECT_EQ(1u, device.GetRenderState(RS_ALPHATESTENABLE));
  PrepareDrawStates(&graph, texture, 0);
  EXPECT_EQ(0u, device.GetRenderState(RS_ZENABLE));
  EXPECT_EQ(0u, device.GetRenderState(RS_ALPHATESTENABLE));
}

TEST_F(BlendStatesTest, PreparationFollowsTheDrawSettings) {
  g_drawSettings.fillMode = 2;
  g_drawSettings.fogEnable = 1;
  g_drawSettings.filterMode = 1;
  g_drawSettings.textureAddressU[5] = 1;
  PrepareDrawStates(nullptr, texture,
                    DRAW_FLAG_GOURAUD | DRAW_FLAG_FOG | DRAW_FLAG_SPECULAR | DRAW_FLAG_LIGHTING |
                        DRAW_FLAG_ADDRESS_MODES);
  EXPECT_EQ(2u, device.GetRenderState(RS_FILLMODE));
  EXPECT_EQ(1u, device.GetRenderState(RS_FOGENABLE));
  EXPECT_EQ(2u, device.GetRenderState(RS_SHADEMODE));
  EXPECT_EQ(1u, device.GetRenderState(RS_SPECULARENABLE));
  EXPECT_EQ(1u, device.GetRenderState(RS_LIGHTING));
  EXPECT_EQ(2u, device.GetSamplerState(0, SAMP_MAGFILTER));
  EXPECT_EQ(1u, device.GetSamplerState(5, SAMP_ADDRESSU));
  g_drawSettings.specularOff = 1;
  PrepareDrawStates(nullptr, texture, DRAW_FLAG_SPECULAR);
  EXPECT_EQ(0u, device.GetRenderState(RS_SPECULARENABLE));
  EXPECT_EQ(0u, device.GetRenderState(RS_FOGENABLE));
  EXPECT_EQ(0u, device.GetRenderState(RS_LIGHTING));
  EXPECT_EQ(1u, device.GetRenderState(RS_SHADEMODE));
  EXPECT_EQ(3u, device.GetSamplerState(0, SAMP_ADDRESSU));
  EXPECT_EQ(0u, device.GetRenderState(RS_ZENABLE));
}

TEST_F(BlendStatesTest, PendingTextureTransformIsPutBack) {
  Matrix4x4 scale;
  MakeScaleMatrix(&scale, 2.0f, 2.0f, 1.0f);
  SetTextureMatrix(&scale, 1, 0);
  EXPECT_EQ(3u, device.GetTextureStageState(0, TSS_TEXTURETRANSFORMFLAGS));
  PrepareDrawStates(nullptr, texture, 0);
  EXPECT_EQ(0u, device.GetTextureStageState(0, TSS_TEXTURETRANSFORMFLAGS));
  EXPECT_EQ(0, g_stateCache.textureTransformPending);
}

}  // namespace

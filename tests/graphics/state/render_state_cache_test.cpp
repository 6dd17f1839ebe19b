#include <gtest/gtest.h>

#include <string.h>

#include <functional>
#include <random>

#include "graphics/draw/draw_settings.h"
#include "graphics/graphs/graph_records.h"
#include "graphics/state/blend_states.h"
#include "graphics/state/state_fixture.h"

namespace {

int Bits(float value) {
  int bits;
  memcpy(&bits, &value, sizeof bits);
  return bits;
}

class RenderStateCacheTest : public StateFixture {};

// The invariant behind every skipped call: what the cache holds, the
// device holds.
TEST_F(RenderStateCacheTest, AfterSetUpTheDeviceHoldsEveryCachedState) {
  for (int optional = 0; optional <= 1; optional++) {
    SCOPED_TRACE(optional);
    StartWithCaps(optional);
    EXPECT_EQ("", Join(Mismatches()));
    // A new device writes Z; set-up switched it off in the device too, so
    // a later draw that wants no Z write is rightly skipped.
    EXPECT_EQ(0u, device.GetRenderState(RS_ZWRITEENABLE));
    EXPECT_EQ(0u, device.GetTextureStageState(1, TSS_COLORARG2));
  }
}

// Seeded random runs over every setter, with and without the force flag.
TEST_F(RenderStateCacheTest, RandomSetterSequencesKeepCacheAndDeviceEqual) {
  SharedGraphImage alphaImage = {1, 3, 1, 1, 0, 0, 0, 0, 0};
  SharedGraphImage keyImage = {1, 5, 1, 0, 0, 0, 0, 0, 1};
  GraphRecord alphaGraph = {0, 1, nullptr, &alphaImage};
  GraphRecord keyGraph = {0, 2, nullptr, &keyImage};
  GfxTexture *textures[3] = {nullptr, reinterpret_cast<GfxTexture *>(&alphaImage),
                             reinterpret_cast<GfxTexture *>(&keyImage)};
  for (int optional = 0; optional <= 1; optional++) {
    StartWithCaps(optional);
    std::mt19937 random(1234 + optional);
    auto pick = [&](int low, int high) {
      return std::uniform_int_distribution<int>(low, high)(random);
    };
    Matrix4x4 m;
    MakeScaleMatrix(&m, 2.0f, 3.0f, 1.0f);
    GfxLight light = {};
    light.type = 3;
    light.direction.y = -1.0f;
    const std::vector<std::function<void()>> setters = {
        [&] { SetDeviceLighting(pick(0, 1)); },
        [&] { SetDeviceSpecularEnable(pick(0, 1)); },
        [&] { SetDiffuseFromVertexColor(pick(0, 3)); },
        [&] { SetSpecularFromVertexColor(pick(0, 3)); },
        [&] { SetDeviceShadeMode(pick(1, 2)); },
        [&] { SetDeviceCullMode(pick(-1, 3)); },
        [&] { SetDeviceZEnable(pick(0, 2)); },
        [&] { SetDeviceZWriteEnable(pick(0, 1)); },
        [&] { SetDeviceZFunc(pick(1, 8)); },
        [&] { SetDeviceDepthBias(Bits(pick(0, 2) * 0.25f)); },
        [&] { SetDeviceFillMode(pick(1, 3)); },
        [&] { SetDeviceFogEnable(pick(0, 1)); },
        [&] { SetDeviceFogMode(pick(0, 3)); },
        [&] { SetDeviceFogColor(0xFF000000u | static_cast<uint32_t>(pick(0, 3) * 0x404040)); },
        [&] { SetDeviceFogRange(pick(0, 2) * 10.0f, 100.0f + pick(0, 2)); },
        [&] { SetDeviceFogDensity(pick(1, 3) * 0.5f); },
        [&] { SetDeviceAmbientColor(static_cast<uint32_t>(pick(0, 3)) * 0x40404040u); },
        [&] { SetDrawFilterStates(pick(0, 3)); },
        [&] { SetDrawAnisotropy(pick(-1, 4)); },
        [&] { SetSamplerFilterState(static_cast<unsigned>(pick(0, 8)), pick(15, 19), pick(0, 3)); },
        [&] { SetSamplerMaxAnisotropy(static_cast<unsigned>(pick(0, 8)), pick(1, 4)); },
        [&] { SetSamplerAddressU(pick(1, 4), pick(-2, 8)); },
        [&] { SetSamplerAddressV(pick(1, 4), pick(-2, 8)); },
        [&] { SetSamplerAddressW(pick(1, 4), pick(-2, 8)); },
        [&] { SetTextureAddressModes(pick(1, 4), pick(1, 4), pick(1, 4), pick(-1, 7)); },
        [&] { ResetTexCoordIndices(); },
        [&] { SetDeviceTextureTransform(pick(-2, 8), pick(0, 1), &m); },
        [&] { SetDeviceLight(pick(-1, 5), &light); },
        [&] { EnableDeviceLight(pick(-1, 5), pick(0, 1)); },
        [&] {
          GfxMaterial material = {};
          material.diffuse.r = pick(0, 2) * 0.5f;
          SendDeviceMaterial(&material);
        },
        [&] {
          g_drawSettings.blendMode = pick(0, 12);
          g_drawSettings.filterMode = pick(0, 2);
          g_drawSettings.drawBrightness = pick(0, 1) ? DRAW_BRIGHTNESS_WHITE : 0x808080;
          g_drawSettings.depthTest3D = pick(0, 1);
          g_drawSettings.depthWrite3D = pick(0, 1);
          const int which = pick(0, 2);
          const GraphRecord *graph = which == 1 ? &alphaGraph : which == 2 ? &keyGraph : nullptr;
          PrepareDrawStates(graph, textures[which], pick(0, 0x3FFF));
        },
        [&] {
          SetBlendTexture(pick(-1, 200), pick(0, 1) ? textures[1] : nullptr, pick(-1, 255));
          ApplyBlendStates(0, nullptr, 0);
        },
        [&] { QueueVertices(3); },
    };
    for (int step = 0; step < 3000; step++) {
      g_stateCache.force = pick(0, 9) == 0;
      setters[static_cast<size_t>(pick(0, static_cast<int>(setters.size()) - 1))]();
      g_stateCache.force = 0;
      if (step % 100 == 99) {
        ASSERT_EQ("", Join(Mismatches())) << "step " << step;
      }
    }
    // A new device starts from Direct3D's defaults; the re-send restores
    // everything the cache holds.
    device.mirror.Reset(640, 480);
    EXPECT_EQ(0, ReapplyDeviceStates());
    EXPECT_EQ("", Join(Mismatches()));
  }
}

struct SetterRow {
  const char *name;
  std::function<int(int)> set;
  int first, second;
  const char *firstCall, *secondCall;
};

// Each setter: sent once, skipped while equal, sent again when forced; a
// change with vertices queued draws them first.
TEST_F(RenderStateCacheTest, SettersSendOnceSkipEqualAndFlushFirst) {
  Matrix4x4 m;
  MakeIdentityMatrix(&m);
  GfxRect scissor = {1, 2, 30, 40};
  const SetterRow rows[] = {
      {"lighting", SetDeviceLighting, 0, 1, "SetRenderState 137=0", "SetRenderState 137=1"},
      {"specular", SetDeviceSpecularEnable, 0, 1, "SetRenderState 29=0", "SetRenderState 29=1"},
      {"diffuse source", SetDiffuseFromVertexColor, 0, 5, "SetRenderState 145=0",
       "SetRenderState 145=1"},
      {"specular source", SetSpecularFromVertexColor, 0, 7, "SetRenderState 146=0",
       "SetRenderState 146=2"},
      {"shade", SetDeviceShadeMode, 2, 1, "SetRenderState 9=2", "SetRenderState 9=1"},
      {"cull", SetDeviceCullMode, 1, 2, "SetRenderState 22=3", "SetRenderState 22=2"},
      {"z enable", SetDeviceZEnable, 2, 1, "SetRenderState 7=0", "SetRenderState 7=1"},
      {"z write", SetDeviceZWriteEnable, 1, 0, "SetRenderState 14=1", "SetRenderState 14=0"},
      {"z func", SetDeviceZFunc, 7, 4, "SetRenderState 23=7", "SetRenderState 23=4"},
      {"depth bias", SetDeviceDepthBias, Bits(0.5f), 0, "SetRenderState 195=1056964608",
       "SetRenderState 195=0"},
      {"fill", SetDeviceFillMode, 2, 3, "SetRenderState 8=2", "SetRenderState 8=3"},
      {"fog enable", SetDeviceFogEnable, 1, 0, "SetRenderState 28=1", "SetRenderState 28=0"},
      {"fog mode", SetDeviceFogMode, 3, 1, "SetRenderState 140=3", "SetRenderState 140=1"},
      {"fog colour", [](int v) { return SetDeviceFogColor(static_cast<uint32_t>(v)); },
       static_cast<int>(0xFF112233u), 0x10, "SetRenderState 34=4279312947",
       "SetRenderState 34=16"},
      {"fog density", [](int v) { return SetDeviceFogDensity(static_cast<float>(v)); }, 2, 3,
       "SetRenderState 38=1073741824", "SetRenderState 38=1077936128"},
      {"ambient", [](int v) { return SetDeviceAmbientColor(static_cast<uint32_t>(v)); }, 0x404040,
       0x10, "SetRenderState 139=4210752", "SetRenderState 139=16"},
      {"filter", SetDrawFilterStates, 1, 2, "SetSamplerState 0:5=2", "SetSamplerState 0:6=3"},
      {"anisotropy", SetDrawAnisotropy, 4, 2, "SetSamplerState 0:10=4", "SetSamplerState 0:10=2"},
      {"address u", [](int v) { return SetSamplerAddressU(v, 2); }, 1, 2, "SetSamplerState 2:1=1",
       "SetSamplerState 2:1=2"},
      {"texture transform", [&](int v) { return SetDeviceTextureTransform(0, v, &m); }, 1, 0,
       "SetTextureStageState 0:24=3", "SetTextureStageState 0:24=0"},
      {"viewport", [](int v) { return SetDeviceViewportRect(0, 0, v, 240); }, 320, 640,
       "SetViewport 0,0 320x240", "SetViewport 0,0 640x240"},
      {"scissor",
       [&](int v) {
         scissor.right = v;
         return SetDeviceScissorRect(&scissor);
       },
       30, 50, "SetScissorRect 1,2-30,40", "SetScissorRect 1,2-50,40"},
  };
  for (const SetterRow &row : rows) {
    SCOPED_TRACE(row.name);
    device.calls.clear();
    EXPECT_EQ(0, row.set(row.first));
    EXPECT_NE(-1, CallIndex(row.firstCall)) << Join(device.calls);
    const size_t afterFirst = device.calls.size();
    EXPECT_EQ(0, row.set(row.first));
    EXPECT_EQ(afterFirst, device.calls.size()) << Join(device.calls);
    g_stateCache.force = 1;
    device.calls.clear();
    row.set(row.first);
    g_stateCache.force = 0;
    EXPECT_NE(-1, CallIndex(row.firstCall)) << Join(device.calls);
    device.calls.clear();
    QueueVertices(3);
    row.set(row.second);
    const int draw = CallIndex("DrawPrimitiveUP");
    const int state = CallIndex(row.secondCall);
    ASSERT_NE(-1, state) << Join(device.calls);
    EXPECT_NE(-1, draw);
    EXPECT_LT(draw, state);
    EXPECT_EQ(0, g_vertexBatch.count);
  }
}

TEST_F(RenderStateCacheTest, ZEnableTwoSwitchesOffButIsKept) {
  SetDeviceZEnable(2);
  EXPECT_EQ(0u, device.GetRenderState(RS_ZENABLE));
  EXPECT_EQ(2, g_stateCache.zEnable);
  device.calls.clear();
  SetDeviceZEnable(1);
  EXPECT_EQ(1u, device.GetRenderState(RS_ZENABLE));
}

TEST_F(RenderStateCacheTest, StageArgumentsOutsideTheEightStagesAreRefused) {
  Matrix4x4 m;
  MakeIdentityMatrix(&m);
  GfxLight light = {};
  light.type = 1;
  const struct {
    const char *name;
    std::function<int()> call;
  } refused[] = {
      {"address u 8", [] { return SetSamplerAddressU(1, 8); }},
      {"address v -2", [] { return SetSamplerAddressV(1, -2); }},
      {"address w -2", [] { return SetSamplerAddressW(1, -2); }},
      {"texture transform -2", [&] { return SetDeviceTextureTransform(-2, 1, &m); }},
      {"texture transform 8", [&] { return SetDeviceTextureTransform(8, 1, &m); }},
      {"light -1", [&] { return SetDeviceLight(-1, &light); }},
      {"light 256", [&] { return SetDeviceLight(256, &light); }},
      {"enable light -1", [] { return EnableDeviceLight(-1, 1); }},
  };
  for (const auto &c : refused) {
    SCOPED_TRACE(c.name);
    device.calls.clear();
    EXPECT_EQ(-1, c.call());
    EXPECT_TRUE(device.calls.empty()) << Join(device.calls);
  }
  EXPECT_EQ("", Join(Mismatches()));
}

TEST_F(RenderStateCacheTest, AllStagesFormSendsSevenDownToZero) {
  EXPECT_EQ(0, SetSamplerAddressU(1, -1));
  const std::vector<std::string> sent = device.CallsOf("SetSamplerState");
  ASSERT_EQ(8u, sent.size());
  EXPECT_EQ("SetSamplerState 7:1=1", sent.front());
  EXPECT_EQ("SetSamplerState 0:1=1", sent.back());
  device.calls.clear();
  EXPECT_EQ(0, SetSamplerAddressU(1, -1));
  EXPECT_TRUE(device.calls.empty());
  // One stage differing is enough to send all eight again.
  SetSamplerAddressU(3, 4);
  device.calls.clear();
  SetSamplerAddressU(1, -1);
  EXPECT_EQ(8u, device.CallsOf("SetSamplerState").size());
}

TEST_F(RenderStateCacheTest, FilterModeThreeIsRefusedAndChangesNothing) {
  SetDrawFilterStates(1);
  device.calls.clear();
  EXPECT_EQ(-1, SetDrawFilterStates(3));
  EXPECT_TRUE(device.calls.empty());
  EXPECT_EQ(1, g_stateCache.drawFilterMode);
  EXPECT_EQ(TEXF_LINEAR, g_stateCache.magFilter[0]);
}

TEST_F(RenderStateCacheTest, ViewportIsComparedWithoutItsZRange) {
  const GfxViewport depthOnly = {0, 0, 640, 480, 0.25f, 0.5f};
  EXPECT_EQ(0, SetDeviceViewport(&depthOnly));
  EXPECT_TRUE(device.calls.empty());
  EXPECT_EQ(1.0f, g_stateCache.viewport.maxZ);
}

TEST_F(RenderStateCacheTest, FailingSetViewportIsLoggedAndKeepsTheCache) {
  device.FailCall("SetViewport");
  log.Clear();
  EXPECT_EQ(-1, SetDeviceViewportRect(10, 10, 100, 100));
  EXPECT_TRUE(Logged("ビューポートのセットに失敗しました ErrorCode 8876086c\r\n")) << log.Text();
  EXPECT_EQ(640, g_stateCache.viewport.width);
  EXPECT_EQ(0, g_stateCache.viewport.x);
}

TEST_F(RenderStateCacheTest, RenderTargetChangeSetsTheWholeSurfaceViewport) {
  GfxSurface *surface = nullptr;
  ASSERT_EQ(0, device.CreateRenderTarget(128, 64, GFX_FMT_X8R8G8B8, 0, &surface));
  device.calls.clear();
  EXPECT_EQ(0, SetDeviceRenderTarget(surface));
  EXPECT_NE(-1, CallIndex("SetViewport 0,0 128x64"));
  device.calls.clear();
  EXPECT_EQ(0, SetDeviceRenderTarget(surface));
  EXPECT_TRUE(device.calls.empty());
  SetDeviceRenderTarget(g_d3d.backBuffer);
  device.ReleaseSurface(surface);
}

TEST_F(RenderStateCacheTest, SceneOpensOnceAndForgetsThePerDrawMemory) {
  EndDeviceScene();
  g_stateCache.lastDrawFlags = 5;
  device.calls.clear();
  BeginDeviceScene();
  BeginDeviceScene();
  EXPECT_EQ(1u, device.CallsOf("BeginScene").size());
  EXPECT_EQ(0, g_stateCache.lastDrawFlags);
  EndDeviceScene();
  EndDeviceScene();
  EXPECT_EQ(1u, device.CallsOf("EndScene").size());
}

TEST_F(RenderStateCacheTest, WithoutADeviceTheSettersSendNothing) {
  EndGraphicsSystem();
  memset(&g_d3d, 0, sizeof g_d3d);
  device.calls.clear();
  EXPECT_EQ(0, SetDeviceLighting(1));
  EXPECT_EQ(-1, SetDeviceZEnable(1));
  EXPECT_EQ(-1, SetDeviceFillMode(1));
  EXPECT_EQ(-1, SetDrawFilterStates(0));
  EXPECT_EQ(-1, FlushVertexBatch());
  EXPECT_EQ(-1, ApplyBlendStates(0, nullptr, 0));
  EXPECT_TRUE(device.calls.empty());
}

}  // namespace

// The render-state cache against the real Direct3D 9 device: the device
// holds what the cache believes (read back through its Get* calls), a new
// device holds what the test fake's mirror starts from, and textured quads
// drawn in every blend mode and stage set give the colours their blend
// states mean.
#include <gtest/gtest.h>
#include <windows.h>

#include <math.h>
#include <string.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "graphics/device/direct3d_init.h"
#include "graphics/device/direct3d_state.h"
#include "graphics/device/graphics_system.h"
#include "graphics/device/screen_readback.h"
#include "graphics/device/screen_settings.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/fake_gfx_device.h"
#include "graphics/graphs/graph_records.h"
#include "graphics/state/blend_states.h"
#include "graphics/state/device_state_check.h"
#include "graphics/state/render_state_cache.h"
#include "graphics/state/vertex_batch.h"
#include "spine_support.h"
#include "velvane.h"

namespace {

std::string Join(const std::vector<std::string> &lines) {
  std::string text;
  for (const std::string &line : lines) text += line + "\n";
  return text;
}

class StateCacheDeviceTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { EnterPrivateDirectory("graphics-state"); }
  void SetUp() override {
    ASSERT_EQ(0, StartFrameworkWindowed());
    ASSERT_EQ(1, IsHardwareRenderingActive());
    device = GetGfxDevice();
  }
  void TearDown() override {
    EndFramework();
  }
  std::vector<std::string> Mismatches() {
    return CacheDeviceMismatches(device, g_d3d.argTempSupported);
  }
  GfxDevice *device = nullptr;
};

TEST_F(StateCacheDeviceTest, ANewDeviceHoldsTheMirrorsDefaults) {
  EndGraphicsSystem();
  ASSERT_EQ(0, InitDirect3D());
  FakeDeviceMirror mirror;
  mirror.Reset(640, 480);
  // Start-up switches the Z test on before anything else.
  mirror.renderStates[RS_ZENABLE] = 1;
  for (const auto &state : mirror.renderStates) {
    EXPECT_EQ(state.second, device->GetRenderState(state.first)) << "render state " << state.first;
  }
  for (int stage = 0; stage < 8; stage++) {
    for (const auto &state : mirror.samplerStates[stage]) {
      EXPECT_EQ(state.second, device->GetSamplerState(stage, state.first))
          << "sampler " << stage << ":" << state.first;
    }
    for (const auto &state : mirror.stageStates[stage]) {
      EXPECT_EQ(state.second, device->GetTextureStageState(stage, state.first))
          << "stage " << stage << ":" << state.first;
    }
  }
  TerminateDirect3D();
  ASSERT_EQ(0, StartGraphicsSystem());
}

TEST_F(StateCacheDeviceTest, TheDeviceHoldsWhatTheCacheBelieves) {
  EXPECT_EQ("", Join(Mismatches()));
  SharedGraphImage image = {1, 3, 1, 1, 0, 0, 0, 0, 0};
  GraphRecord graph = {0, 1, nullptr, &image};
  GfxTexture *texture = nullptr;
  ASSERT_EQ(0, device->CreateTexture(4, 4, GFX_FMT_A8R8G8B8, &texture));
  std::mt19937 random(99);
  auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
  Matrix4x4 m;
  MakeScaleMatrix(&m, 2.0f, 1.0f, 1.0f);
  const std::vector<std::function<void()>> setters = {
      [&] { SetDeviceLighting(pick(0, 1)); },
      [&] { SetDiffuseFromVertexColor(pick(0, 1)); },
      [&] { SetSpecularFromVertexColor(pick(0, 1)); },
      [&] { SetDeviceCullMode(pick(0, 2)); },
      [&] { SetDeviceZEnable(pick(0, 2)); },
      [&] { SetDeviceZWriteEnable(pick(0, 1)); },
      [&] { SetDeviceZFunc(pick(1, 8)); },
      [&] { SetDeviceFillMode(pick(1, 3)); },
      [&] { SetDeviceFogMode(pick(0, 3)); },
      [&] { SetDeviceFogRange(pick(0, 2) * 10.0f, 100.0f); },
      [&] { SetDrawFilterStates(pick(0, 2)); },
      [&] { SetDrawAnisotropy(pick(1, 4)); },
      [&] { SetSamplerAddressU(pick(1, 4), pick(-1, 7)); },
      [&] { SetDeviceTextureTransform(pick(-1, 7), pick(0, 1), &m); },
      [&] {
        g_drawSettings.blendMode = pick(0, 12);
        g_drawSettings.depthTest3D = pick(0, 1);
        PrepareDrawStates(&graph, pick(0, 1) ? texture : nullptr, pick(0, 0x1FFF));
      },
  };
  for (int step = 0; step < 600; step++) {
    g_stateCache.force = pick(0, 9) == 0;
    setters[static_cast<size_t>(pick(0, static_cast<int>(setters.size()) - 1))]();
    g_stateCache.force = 0;
    if (step % 100 == 99) {
      ASSERT_EQ("", Join(Mismatches())) << "step " << step;
    }
  }
  g_drawSettings.blendMode = 0;
  PrepareDrawStates(nullptr, nullptr, 0);
  device->ReleaseTexture(texture);
}

// --- Pixels -----------------------------------------------------------------

struct Rgba {
  float r, g, b, a;
};

Rgba FromArgb(uint32_t argb) {
  return Rgba{((argb >> 16) & 0xFF) / 255.0f, ((argb >> 8) & 0xFF) / 255.0f, (argb & 0xFF) / 255.0f,
              (argb >> 24) / 255.0f};
}

float Clamp(float v) { return v < 0.0f ? 0.0f : v > 1.0f ? 1.0f : v; }

// What a quad drawn in one row must leave on the background; written from
// the blend modes' and stage sets' meaning.
struct PixelRow {
  const char *name;
  int mode;
  int alphaChannel, colorKey;  // the image's transparency
  int flags;                   // extra PrepareDrawStates flags
  uint32_t texel, diffuse;
  int blendRange, blendParameter;  // 0: no blend image
  uint32_t blendTexel;
  int reverseSubtract;
  std::function<Rgba(Rgba t, Rgba d, Rgba b, Rgba blend)> expected;
};

Rgba Mix(Rgba s, float a, Rgba b) {
  return Rgba{s.r * a + b.r * (1 - a), s.g * a + b.g * (1 - a), s.b * a + b.b * (1 - a), 1};
}

Rgba Scale(Rgba c, Rgba k) { return Rgba{c.r * k.r, c.g * k.g, c.b * k.b, c.a}; }

Rgba Add(Rgba a, Rgba b, float k) {
  return Rgba{Clamp(a.r + b.r * k), Clamp(a.g + b.g * k), Clamp(a.b + b.b * k), 1};
}

// The blend-image alpha after the border states (range above 1), amplified.
float BorderAlpha(float blendAlpha, int range, int parameter) {
  const BlendBorderStates states = ComputeBlendBorderStates(parameter, range);
  const float factor = states.factorAlpha / 255.0f;
  float alpha = states.stage0AlphaOp == 7 ? Clamp(blendAlpha + factor) : Clamp(blendAlpha - factor);
  const float gain = states.stage1AlphaOp == 6 ? 4.0f : states.stage1AlphaOp == 5 ? 2.0f : 1.0f;
  return Clamp(alpha * gain);
}

class PixelTest : public StateCacheDeviceTest {
 protected:
  // Draws a 16 x 16 quad at (100, 100) over background and returns the
  // colour at its centre.
  uint32_t DrawRow(const PixelRow &row, uint32_t background) {
    GfxTexture *texture = MakeTexture(row.texel);
    GfxTexture *blend = row.blendRange ? MakeTexture(row.blendTexel) : nullptr;
    SharedGraphImage image = {1, 3, 1, static_cast<uint8_t>(row.alphaChannel), 0, 0, 0, 0,
                              static_cast<uint8_t>(row.colorKey)};
    GraphRecord graph = {0, 1, nullptr, &image};
    FlushVertexBatch();
    EndDeviceScene();
    device->Clear(GFX_CLEAR_TARGET, background, 1.0f);
    if (blend) SetBlendTexture(row.blendRange, blend, row.blendParameter);
    g_drawSettings.blendMode = row.mode;
    PrepareDrawStates(&graph, texture, DRAW_FLAG_TRANSPARENT | row.flags);
    QueueQuad(row.diffuse, blend != nullptr);
    FlushVertexBatch();
    EndDeviceScene();
    if (blend) SetBlendTexture(-1, nullptr, -1);
    std::vector<uint32_t> pixels(640 * 480);
    EXPECT_EQ(0, ReadBackBufferPixels(pixels.data(), 640, 480));
    device->ReleaseTexture(texture);
    if (blend) device->ReleaseTexture(blend);
    return pixels[108 * 640 + 108];
  }
  GfxTexture *MakeTexture(uint32_t texel) {
    GfxTexture *texture = nullptr;
    EXPECT_EQ(0, device->CreateTexture(4, 4, GFX_FMT_A8R8G8B8, &texture));
    GfxLocked locked;
    EXPECT_EQ(0, device->LockTexture(texture, &locked));
    for (int y = 0; y < 4; y++) {
      for (int x = 0; x < 4; x++) memcpy(locked.bits + y * locked.pitch + x * 4, &texel, 4);
    }
    device->UnlockTexture(texture);
    return texture;
  }
  void QueueQuad(uint32_t diffuse, bool blendImage) {
    const float x0 = 99.5f, y0 = 99.5f, x1 = 115.5f, y1 = 115.5f;
    const float corners[6][4] = {{x0, y0, 0, 0}, {x1, y0, 1, 0}, {x0, y1, 0, 1},
                                 {x1, y0, 1, 0}, {x1, y1, 1, 1}, {x0, y1, 0, 1}};
    void *at = ReserveBatchVertices(BATCH_KIND_2D, PRIM_TRIANGLELIST, 6);
    ASSERT_NE(nullptr, at);
    for (int i = 0; i < 6; i++) {
      if (blendImage) {
        Vertex2DBlend *v = static_cast<Vertex2DBlend *>(at) + i;
        *v = Vertex2DBlend{corners[i][0], corners[i][1], 0.0f, 1.0f, diffuse, 0xFFFFFFFFu,
                           corners[i][2], corners[i][3], corners[i][2], corners[i][3]};
      } else {
        Vertex2DTex *v = static_cast<Vertex2DTex *>(at) + i;
        *v = Vertex2DTex{corners[i][0], corners[i][1], 0.0f, 1.0f, diffuse, corners[i][2],
                         corners[i][3]};
      }
    }
  }
};

TEST_F(PixelTest, ClearReadsBackExactly) {
  FlushVertexBatch();
  EndDeviceScene();
  device->Clear(GFX_CLEAR_TARGET, 0xFF336699u, 1.0f);
  std::vector<uint32_t> pixels(640 * 480);
  ASSERT_EQ(0, ReadBackBufferPixels(pixels.data(), 640, 480));
  EXPECT_EQ(0xFF336699u, pixels[240 * 640 + 320]);
}

TEST_F(PixelTest, EveryModeAndStageSetGivesItsColour) {
  const uint32_t background = 0xFF4080C0u;
  // Texture and vertex colour of most rows: alpha 0.5 and 0.75.
  const uint32_t texel = 0x80C06020u, diffuse = 0xC0FFFFFFu, tinted = 0xC080FF40u;
  auto alphaBlend = [](Rgba t, Rgba d, Rgba b, Rgba) { return Mix(t, t.a * d.a, b); };
  const PixelRow rows[] = {
      {"mode 0 alpha channel blends", 0, 1, 0, 0, texel, 0xFFFFFFFFu, 0, 0, 0, 0,
       [](Rgba t, Rgba, Rgba b, Rgba) { return Mix(t, t.a, b); }},
      {"mode 0 opaque", 0, 0, 0, 0, texel, 0xFFFFFFFFu, 0, 0, 0, 0,
       [](Rgba t, Rgba, Rgba, Rgba) { return Rgba{t.r, t.g, t.b, 1}; }},
      {"mode 1", 1, 1, 0, 0, texel, diffuse, 0, 0, 0, 0, alphaBlend},
      {"mode 1 vertex colour", 1, 1, 0, DRAW_FLAG_VERTEX_COLOR, texel, tinted, 0, 0, 0, 0,
       [](Rgba t, Rgba d, Rgba b, Rgba) { return Mix(Scale(t, d), t.a * d.a, b); }},
      {"mode 1 vertex alpha only", 1, 0, 0, 0, texel, diffuse, 0, 0, 0, 0,
       [](Rgba t, Rgba d, Rgba b, Rgba) { return Mix(t, d.a, b); }},
      {"mode 1 colour key", 1, 0, 1, 0, 0x00C06020u, diffuse, 0, 0, 0, 0,
       [](Rgba, Rgba, Rgba b, Rgba) { return b; }},
      {"mode 2", 2, 1, 0, 0, texel, diffuse, 0, 0, 0, 0,
       [](Rgba t, Rgba d, Rgba b, Rgba) { return Add(b, t, t.a * d.a); }},
      {"mode 3 reverse subtract", 3, 1, 0, 0, texel, diffuse, 0, 0, 0, 1,
       [](Rgba t, Rgba d, Rgba b, Rgba) { return Add(b, t, -t.a * d.a); }},
      {"mode 3 without reverse subtract", 3, 1, 0, 0, texel, diffuse, 0, 0, 0, 0,
       [](Rgba t, Rgba, Rgba b, Rgba) {
         return Rgba{t.r * (1 - b.r), t.g * (1 - b.g), t.b * (1 - b.b), 1};
       }},
      {"mode 4", 4, 1, 0, 0, texel, diffuse, 0, 0, 0, 0,
       [](Rgba t, Rgba, Rgba b, Rgba) { return Scale(b, t); }},
      {"mode 5", 5, 1, 0, 0, texel, diffuse, 0, 0, 0, 0,
       [](Rgba t, Rgba d, Rgba b, Rgba) { return Add(b, t, t.a * d.a); }},
      {"mode 6", 6, 1, 0, 0, texel, diffuse, 0, 0, 0, 0, alphaBlend},
      {"mode 8 keeps the destination", 8, 1, 0, 0, texel, diffuse, 0, 0, 0, 0,
       [](Rgba, Rgba, Rgba b, Rgba) { return b; }},
      {"mode 9", 9, 1, 0, 0, texel, diffuse, 0, 0, 0, 0,
       [](Rgba t, Rgba, Rgba b, Rgba) {
         return Rgba{t.r * (1 - b.r), t.g * (1 - b.g), t.b * (1 - b.b), 1};
       }},
      {"mode 10 inverted texture", 10, 1, 0, 0, texel, diffuse, 0, 0, 0, 0,
       [](Rgba t, Rgba d, Rgba b, Rgba) {
         return Mix(Rgba{1 - t.r, 1 - t.g, 1 - t.b, t.a}, t.a * d.a, b);
       }},
      {"mode 11 faded to white", 11, 1, 0, 0, texel, diffuse, 0, 0, 0, 0,
       [](Rgba t, Rgba d, Rgba b, Rgba) {
         const float a = t.a * d.a;
         return Scale(b, Rgba{t.r * a + 1 - a, t.g * a + 1 - a, t.b * a + 1 - a, 1});
       }},
      {"mode 12", 12, 1, 0, 0, texel, diffuse, 0, 0, 0, 0,
       [](Rgba t, Rgba d, Rgba b, Rgba) { return Add(b, t, -t.a * d.a); }},
      {"blend image R 1 passes", 1, 0, 0, 0, 0xFFC06020u, 0xFFFFFFFFu, 1, 100, 0xC0000000u, 0,
       [](Rgba t, Rgba, Rgba, Rgba) { return Rgba{t.r, t.g, t.b, 1}; }},
      {"blend image R 1 stops", 1, 0, 0, 0, 0xFFC06020u, 0xFFFFFFFFu, 1, 200, 0xC0000000u, 0,
       [](Rgba, Rgba, Rgba b, Rgba) { return b; }},
      {"blend image R 2", 1, 0, 0, 0, 0xFFC06020u, 0xFFFFFFFFu, 2, 100, 0x60000000u, 0,
       [](Rgba t, Rgba, Rgba b, Rgba k) { return Mix(t, BorderAlpha(k.a, 2, 100), b); }},
      {"blend image R 100", 1, 0, 0, 0, 0xFFC06020u, 0xFFFFFFFFu, 100, 60, 0x60000000u, 0,
       [](Rgba t, Rgba, Rgba b, Rgba k) { return Mix(t, BorderAlpha(k.a, 100, 60), b); }},
      {"blend image R 200", 1, 0, 0, 0, 0xFFC06020u, 0xFFFFFFFFu, 200, 150, 0xA0000000u, 0,
       [](Rgba t, Rgba, Rgba b, Rgba k) { return Mix(t, BorderAlpha(k.a, 200, 150), b); }},
      {"blend image R 200 vertex alpha", 1, 0, 0, 0, 0xFFC06020u, 0x80FFFFFFu, 200, 100,
       0xA0000000u, 0,
       [](Rgba t, Rgba d, Rgba b, Rgba k) { return Mix(t, BorderAlpha(k.a, 200, 100) * d.a, b); }},
      {"blend image R 100 alpha channel", 1, 1, 0, 0, texel, 0xFFFFFFFFu, 100, 60, 0x60000000u, 0,
       [](Rgba t, Rgba, Rgba b, Rgba k) { return Mix(t, BorderAlpha(k.a, 100, 60) * t.a, b); }},
  };
  for (const PixelRow &row : rows) {
    SCOPED_TRACE(row.name);
    // The capability is read when the blend state is chosen: choose again.
    g_d3d.blendOpSupported = row.reverseSubtract;
    g_stateCache.blendPending = 1;
    const uint32_t got = DrawRow(row, background);
    const Rgba want = row.expected(FromArgb(row.texel), FromArgb(row.diffuse),
                                   FromArgb(background), FromArgb(row.blendTexel));
    const Rgba have = FromArgb(got);
    EXPECT_NEAR(want.r * 255, have.r * 255, 1.01) << std::hex << got;
    EXPECT_NEAR(want.g * 255, have.g * 255, 1.01) << std::hex << got;
    EXPECT_NEAR(want.b * 255, have.b * 255, 1.01) << std::hex << got;
  }
}

TEST_F(PixelTest, ModeSevenKeepsTheFactorsOfTheDrawBefore) {
  const uint32_t background = 0xFF4080C0u, texel = 0x80C06020u;
  PixelRow alphaRow = {"mode 1", 1, 1, 0, 0, texel, 0xFFFFFFFFu, 0, 0, 0, 0, nullptr};
  DrawRow(alphaRow, background);
  PixelRow sevenRow = alphaRow;
  sevenRow.mode = 7;
  const Rgba have = FromArgb(DrawRow(sevenRow, background));
  const Rgba want = Mix(FromArgb(texel), FromArgb(texel).a, FromArgb(background));
  EXPECT_NEAR(want.r * 255, have.r * 255, 1.01);
  EXPECT_NEAR(want.g * 255, have.g * 255, 1.01);
  EXPECT_NEAR(want.b * 255, have.b * 255, 1.01);
}

}  // namespace

namespace {

// Timing, run by hand (--gtest_also_run_disabled_tests): textured 16 x 16
// quads through the batch against one DrawPrimitiveUP per quad with the
// same vertices and states; every frame ends in a back-buffer readback.
class BatchTiming : public PixelTest {
 protected:
  double Seconds(void (*frame)(GfxDevice *, GfxTexture *), GfxTexture *texture, int frames) {
    std::vector<uint32_t> pixels(640 * 480);
    LARGE_INTEGER start, end, frequency;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    for (int i = 0; i < frames; i++) {
      frame(device, texture);
      ReadBackBufferPixels(pixels.data(), 640, 480);
    }
    QueryPerformanceCounter(&end);
    return static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart;
  }
};

const int kQuadsPerFrame = 2000;

void QuadVertices(int i, Vertex2DTex *v) {
  const float x0 = static_cast<float>(i % 40 * 16) - 0.5f, y0 = static_cast<float>(i / 40 % 30 * 16) - 0.5f;
  const float corners[6][4] = {{x0, y0, 0, 0},           {x0 + 16, y0, 1, 0},
                               {x0, y0 + 16, 0, 1},      {x0 + 16, y0, 1, 0},
                               {x0 + 16, y0 + 16, 1, 1}, {x0, y0 + 16, 0, 1}};
  for (int k = 0; k < 6; k++) {
    v[k] = Vertex2DTex{corners[k][0], corners[k][1], 0.0f, 1.0f, 0xFFFFFFFFu, corners[k][2],
                       corners[k][3]};
  }
}

void BatchedFrame(GfxDevice *, GfxTexture *texture) {
  for (int i = 0; i < kQuadsPerFrame; i++) {
    PrepareDrawStates(nullptr, texture, 0);
    QuadVertices(i, static_cast<Vertex2DTex *>(
                        ReserveBatchVertices(BATCH_KIND_2D, PRIM_TRIANGLELIST, 6)));
  }
  FlushVertexBatch();
  EndDeviceScene();
}

void OneCallPerQuadFrame(GfxDevice *device, GfxTexture *texture) {
  PrepareDrawStates(nullptr, texture, 0);
  FlushVertexBatch();
  BeginDeviceScene();
  Vertex2DTex v[6];
  for (int i = 0; i < kQuadsPerFrame; i++) {
    QuadVertices(i, v);
    device->DrawPrimitiveUP(PRIM_TRIANGLELIST, 2, v, sizeof(Vertex2DTex));
  }
  EndDeviceScene();
}

TEST_F(BatchTiming, DISABLED_BatchAgainstOneCallPerQuad) {
  GfxTexture *texture = MakeTexture(0xFF808080u);
  const int frames = 30;
  Seconds(BatchedFrame, texture, 2);
  const double batched = Seconds(BatchedFrame, texture, frames);
  const double single = Seconds(OneCallPerQuadFrame, texture, frames);
  const double vertices = 6.0 * kQuadsPerFrame * frames;
  printf("batch: %.0f vertices/s, one call per quad: %.0f vertices/s, ratio %.1f\n",
         vertices / batched, vertices / single, single / batched);
  device->ReleaseTexture(texture);
}

}  // namespace

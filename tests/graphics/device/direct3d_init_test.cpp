#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graphics/device/direct3d_init.h"
#include "graphics/device/gfx_fixture.h"

namespace {

class Direct3DInitTest : public GfxFixture {
 protected:
  // After a failed hardware path only DirectDraw and the library stay.
  void ExpectOnlyDirectDrawAndLibrary() {
    EXPECT_EQ(0, IsHardwareRenderingActive());
    EXPECT_EQ(1, device.library);
    EXPECT_EQ(1, device.directDraw);
    EXPECT_EQ(2, device.LiveObjects());
    EXPECT_EQ(0, device.doubleReleases);
  }
};

TEST_F(Direct3DInitTest, MissingLibraryOrDirectDrawFails) {
  const struct {
    const char *call;
    const char *line;
  } cases[] = {
      {"LoadD3DLibrary", "d3d9.dll の読み込みに失敗しました\r\n"},
      {"CreateDirectDraw", "オブジェクトの取得に失敗しました\r\n"},
      {"InitializeDirectDraw", "DirectDrawオブジェクトの初期化に失敗しました\r\n"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.call);
    FakeGfxInstall local;
    local.device.FailCall(c.call);
    log.Clear();
    EXPECT_EQ(-1, InitDirect3D());
    EXPECT_EQ(0, local.device.LiveObjects());
    EXPECT_EQ(0, local.device.doubleReleases);
    EXPECT_TRUE(Logged(c.line)) << log.Text();
    memset(&g_d3d, 0, sizeof g_d3d);
  }
}

TEST_F(Direct3DInitTest, NoDeviceInstalledIsALibraryFailure) {
  if (PlatformGfxDevice()) GTEST_SKIP() << "the platform has a device of its own";
  SetGfxDevice(nullptr);
  EXPECT_EQ(-1, InitDirect3D());
  EXPECT_TRUE(Logged("d3d9.dll の読み込みに失敗しました"));
}

TEST_F(Direct3DInitTest, HardwarePathInWindowModeOnA32BitDesktop) {
  ASSERT_EQ(0, InitDirect3D());
  EXPECT_EQ(1, IsHardwareRenderingActive());
  EXPECT_EQ(32, GetScreenColorBits());  // whatever was asked
  EXPECT_EQ(GFX_FMT_X8R8G8B8, g_d3d.displayFormat);
  EXPECT_EQ(GFX_FMT_D16, g_d3d.table.depthFormat);
  EXPECT_EQ(1024, g_d3d.depthWidth);
  EXPECT_EQ(512, g_d3d.depthHeight);
  EXPECT_EQ(1, g_d3d.exDevice);
  EXPECT_EQ(1, device.lastParams.windowed);
  EXPECT_EQ(GFX_SWAP_COPY, device.lastParams.swapEffect);
  EXPECT_EQ(GFX_PRESENT_LOCKABLE_BACKBUFFER, device.lastParams.flags);
  EXPECT_EQ(GFX_CREATE_MIXED_VERTEXPROCESSING | GFX_CREATE_FPU_PRESERVE, device.lastBehavior);
  EXPECT_EQ(4, device.CountCalls("Present"));
  EXPECT_EQ(1, device.CountCalls("SetMaximumFrameLatency"));
  EXPECT_TRUE(Logged("画面のフォーマットは D3DFMT_X8R8G8B8 です"));
  EXPECT_TRUE(Logged("ハードウエア頂点演算を使用します"));
  EXPECT_TRUE(Logged("Driver:fake.dll  Description:Fake adapter"));
  EXPECT_TRUE(Logged("プログラマブルシェーダーを使用しません"));
  EXPECT_EQ(0, TerminateDirect3D());
  EXPECT_EQ(0, device.LiveObjects());
  EXPECT_EQ(0, device.doubleReleases);
}

TEST_F(Direct3DInitTest, DirectDrawCooperatesWithoutTheMainWindow) {
  ASSERT_EQ(0, InitDirect3D());
  const std::vector<std::string> levels = device.CallsOf("SetCooperativeLevel");
  ASSERT_EQ(1u, levels.size());
  EXPECT_EQ(0u, levels[0].find("SetCooperativeLevel window=none ")) << levels[0];
  EXPECT_EQ(0, TerminateDirect3D());
}

TEST_F(Direct3DInitTest, FullScreenFormatByColourBits) {
  const struct {
    int bits;
    int r5g6b5Modes;
    int vista;
    int emulating;
    int format;
    int windowed;
  } cases[] = {
      {16, 1, 1, 0, GFX_FMT_R5G6B5, 0},
      {16, 0, 1, 0, GFX_FMT_X1R5G5B5, 0},
      {32, 1, 1, 0, GFX_FMT_X8R8G8B8, 0},
      {16, 1, 1, 1, GFX_FMT_R5G6B5, 1},  // the emulation keeps a windowed device
      {16, 1, 0, 1, GFX_FMT_R5G6B5, 0},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.bits * 100 + c.r5g6b5Modes * 10 + c.emulating);
    FakeGfxInstall local;
    local.device.windowed = 0;
    local.device.adapterR5G6B5Modes = c.r5g6b5Modes;
    local.device.vistaOrLater = c.vista;
    StoreScreenMode(640, 480, c.bits, 60);
    SetEmulation320x240Flag(c.emulating);
    ASSERT_EQ(0, InitDirect3D());
    EXPECT_EQ(1, IsHardwareRenderingActive());
    EXPECT_EQ(c.format, local.device.lastParams.format);
    EXPECT_EQ(c.windowed, local.device.lastParams.windowed);
    EXPECT_EQ(c.windowed ? 0 : 60, local.device.lastParams.refreshRate);
    TerminateDirect3D();
    EXPECT_EQ(0, local.device.LiveObjects());
    SetEmulation320x240Flag(0);
    memset(&g_d3d, 0, sizeof g_d3d);
  }
}

TEST_F(Direct3DInitTest, UnsupportedFullScreenDepthTakesTheSoftwarePath) {
  device.windowed = 0;
  StoreScreenMode(640, 480, 8, 0);
  EXPECT_EQ(-1, InitDirect3D());  // and the software display change refuses 8 bits
  EXPECT_TRUE(Logged("非対応のバックバッファービット深度が指定されました"));
  EXPECT_EQ(0, device.CountCalls("CreateDevice"));
  TerminateDirect3D();
}

TEST_F(Direct3DInitTest, SoftwareVertexRetryAndPlainInterface) {
  device.FailCall("CreateDevice", 1);
  device.hasCreate9Ex = 0;
  ASSERT_EQ(0, InitDirect3D());
  EXPECT_EQ(1, IsHardwareRenderingActive());
  const auto creates = device.CallsOf("CreateDevice");
  ASSERT_EQ(2u, creates.size());
  EXPECT_NE(std::string::npos, creates[0].find("flags=0x82 ex=0"));
  EXPECT_NE(std::string::npos, creates[1].find("flags=0x22 ex=0"));
  EXPECT_EQ(0, g_d3d.hardwareVertexProcessing);
  EXPECT_TRUE(Logged("IDirect3D9 オブジェクトを取得します.... 成功"));
  EXPECT_TRUE(Logged("ソフトウエア頂点演算を使用します"));
  EXPECT_EQ(0, device.CountCalls("SetMaximumFrameLatency"));
  TerminateDirect3D();
  EXPECT_EQ(0, device.LiveObjects());
}

TEST_F(Direct3DInitTest, NoExSwitchAndNoShaderModelMeanPlainSoftwareVertex) {
  GfxCaps caps = FullGfxCaps();
  caps.pixelShaderVersion = 0xFFFF0104;
  device.caps = caps;
  g_gfxTestSwitches.noEx = 1;
  ASSERT_EQ(0, InitDirect3D());
  EXPECT_EQ(0, device.CountCalls("CreateDirect3D9Ex"));
  EXPECT_EQ(GFX_CREATE_SOFTWARE_VERTEXPROCESSING | GFX_CREATE_FPU_PRESERVE, device.lastBehavior);
  TerminateDirect3D();
}

TEST_F(Direct3DInitTest, DeviceFormatOrDepthFailureLeavesTheSoftwarePath) {
  GfxCaps noDepth = FullGfxCaps();
  noDepth.depth[0] = noDepth.depth[1] = noDepth.depth[2] = 0;
  GfxCaps noAlpha = FullGfxCaps();
  noAlpha.texture[GfxCapsFormatIndex(GFX_FMT_A8R8G8B8)] = 0;
  noAlpha.texture[GfxCapsFormatIndex(GFX_FMT_A4R4G4B4)] = 0;
  const struct {
    const char *name;
    const char *failCall;
    const GfxCaps *caps;
    const char *line;
  } cases[] = {
      {"device twice", "CreateDevice", nullptr, "Direct3DDevice9Ex の作成に失敗しました"},
      {"no Direct3D object", "CreateDirect3D9", nullptr,
       "IDirect3D9 オブジェクトの取得に失敗しました"},
      {"no depth format", nullptr, &noDepth, "使用できる Zバッファフォーマットが見つかりませんでした"},
      {"empty format row", nullptr, &noAlpha,
       "使用できるアルファ付き 16bit カラーフォーマットが見つかりませんでした"},
      {"depth surface", "CreateDepthStencil", nullptr, "Ｚバッファの作成に失敗しました"},
      {"depth binding", "SetDepthStencil", nullptr, "Ｚバッファの作成に失敗しました"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    FakeGfxInstall local;
    if (c.failCall) local.device.FailCall(c.failCall);
    if (std::string(c.name) == "no Direct3D object") local.device.FailCall("CreateDirect3D9Ex");
    g_gfxTestSwitches.capsOverride = c.caps;
    log.Clear();
    EXPECT_EQ(0, InitDirect3D());
    EXPECT_EQ(0, IsHardwareRenderingActive());
    EXPECT_EQ(1, local.device.library);
    EXPECT_EQ(1, local.device.directDraw);
    EXPECT_EQ(2, local.device.LiveObjects());
    EXPECT_EQ(0, local.device.doubleReleases);
    EXPECT_TRUE(Logged(c.line)) << log.Text();
    TerminateDirect3D();
    EXPECT_EQ(0, local.device.LiveObjects());
    memset(&g_d3d, 0, sizeof g_d3d);
  }
}

TEST_F(Direct3DInitTest, NoHardwareRequestSkipsTheDevice) {
  SetUseHardwareRendering(0);
  ASSERT_EQ(0, InitDirect3D());
  EXPECT_EQ(0, device.CountCalls("CreateDirect3D9Ex"));
  ExpectOnlyDirectDrawAndLibrary();
  TerminateDirect3D();
}

TEST_F(Direct3DInitTest, MaximumTextureSizeZeroMeans256) {
  GfxCaps caps = FullGfxCaps();
  caps.maxTextureWidth = 0;
  caps.maxTextureHeight = 2048;
  g_gfxTestSwitches.capsOverride = &caps;
  ASSERT_EQ(0, InitDirect3D());
  EXPECT_EQ(256, g_d3d.maxTextureWidth);
  EXPECT_EQ(256, g_d3d.maxTextureSize);
  TerminateDirect3D();
}

TEST_F(Direct3DInitTest, TerminateReleasesEveryObjectOnceInOrder) {
  device.windowed = 0;
  ASSERT_EQ(0, InitDirect3D());
  ASSERT_EQ(0, CreateSubBackBuffer());
  ASSERT_EQ(0, CreateFullBrightnessVolumeTexture());
  device.calls.clear();
  TerminateDirect3D();
  const std::vector<std::string> expected = {
      "ReleaseSurface",       "ReleaseSurface",  "ReleaseSurface",  "ReleaseSwapChain",
      "ReleaseVolumeTexture", "ReleaseDevice",   "ReleaseDirect3D", "ReleaseDirectDraw",
      "FreeD3DLibrary"};
  EXPECT_EQ(expected, device.calls);  // exclusive full screen restores itself
  EXPECT_EQ(0, device.LiveObjects());
  EXPECT_EQ(0, device.doubleReleases);
}

TEST_F(Direct3DInitTest, TerminateRestoresTheDesktopWhereThisModuleChangedIt) {
  const struct {
    int windowed, noHardware, vista, emulating, restores;
  } cases[] = {
      {1, 1, 1, 0, 0}, {0, 1, 1, 0, 1}, {0, 0, 1, 0, 0}, {0, 0, 1, 1, 1}, {0, 0, 0, 1, 0},
  };
  for (const auto &c : cases) {
    FakeGfxInstall local;
    local.device.windowed = c.windowed;
    local.device.vistaOrLater = c.vista;
    SetUseHardwareRendering(!c.noHardware);
    SetEmulation320x240Flag(c.emulating);
    ASSERT_EQ(0, InitDirect3D());
    TerminateDirect3D();
    EXPECT_EQ(c.restores, local.device.CountCalls("RestoreDesktopDisplayMode"));
    SetEmulation320x240Flag(0);
    SetUseHardwareRendering(1);
    memset(&g_d3d, 0, sizeof g_d3d);
  }
}

}  // namespace

#include <gtest/gtest.h>

#include <stdint.h>
#include <string.h>

#include <map>
#include <string>
#include <vector>

#include "core/debug/memory.h"
#include "graphics/device/device_buffers.h"
#include "graphics/device/direct3d_init.h"
#include "graphics/device/graphics_system.h"
#include "graphics/device/shaders.h"
#include "graphics/draw/camera.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/draw/lights.h"
#include "graphics/draw/present.h"
#include "graphics/state/state_fixture.h"
#include "velvane.h"

namespace {

const char *const kKinds[] = {"surface", "swapchain", "volume", "texture",
                              "vbuffer", "ibuffer",   "shader"};

// The device calls a scene's reload saw, for ordering checks.
std::vector<std::string> *g_reloadSeen = nullptr;
FakeGfxDevice *g_reloadDevice = nullptr;

int RecordingReload(void) {
  if (g_reloadSeen) g_reloadSeen->push_back("reload at " + std::to_string(g_reloadDevice->calls.size()));
  return 0;
}

// Graphics on the fake with a scene of buffer and shader records, a light,
// fog, transforms and a clip rectangle.
class DeviceRestoreTest : public StateFixture {
 protected:
  void SetUp() override {
    StateFixture::SetUp();
    SetFrameworkInitialised(1);
    blocksBefore = GetAllocatedBlockCount();
  }
  void TearDown() override {
    DeleteAllVertexBufferHandles();
    DeleteAllIndexBufferHandles();
    DeleteAllShaderHandles();
    EXPECT_EQ(blocksBefore, GetAllocatedBlockCount());
    g_reloadSeen = nullptr;
    SetGraphReloadCallback(nullptr);
    StateFixture::TearDown();
  }
  void MakeScene() {
    vertex = MakeVertexBufferHandle(24, 3, 0);
    vertexFvf = MakeVertexBufferHandle(16, 4, 0x142);
    index = MakeIndexBufferHandle(2, 3, 0);
    index32 = MakeIndexBufferHandle(4, 2, GFX_FMT_INDEX32);
    const uint32_t code[] = {0xFFFF0200u, 0x12345678u, 0x0000FFFFu};
    shader = MakeShaderHandle(1, code, 3);
    for (int h : {vertex, vertexFvf, index, index32, shader}) ASSERT_NE(-1, h);
    std::vector<uint8_t> bytes(72);
    for (size_t i = 0; i < bytes.size(); i++) bytes[i] = static_cast<uint8_t>(3 * i + 1);
    ASSERT_EQ(0, WriteVertexBuffer(0, bytes.data(), 3, vertex));
    ASSERT_EQ(0, WriteVertexBuffer(1, bytes.data(), 2, vertexFvf));
    ASSERT_EQ(0, WriteIndexBuffer(0, bytes.data(), 3, index));
    ASSERT_EQ(0, WriteIndexBuffer(1, bytes.data(), 1, index32));
    GfxLight light = {};
    light.type = 3;
    light.direction.z = 1.0f;
    light.diffuse = ColorF{1.0f, 0.5f, 0.25f, 1.0f};
    SetDeviceLight(0, &light);
    EnableDeviceLight(0, 1);
    SetDeviceFogEnable(1);
    SetDeviceFogColor(0xFF336699u);
    SetDrawClipRect(10, 20, 300, 200);
    MakeScaleMatrix(&world, 2.0f, 2.0f, 2.0f);
    SetWorldMatrix(&world);
    QueueVertices(3);
    FlushVertexBatch();
  }
  std::map<std::string, int> LivePerKind() const {
    std::map<std::string, int> live;
    for (const char *kind : kKinds) live[kind] = device.LiveOf(kind);
    return live;
  }
  std::vector<uint8_t> BytesOn(const void *buffer) const {
    const FakeGfxObject *object = device.Object(buffer);
    return object ? object->pixels : std::vector<uint8_t>();
  }
  std::vector<uint8_t> CopyOf(int handle, bool isIndex) const {
    int bytes = 0;
    const uint8_t *copy = static_cast<const uint8_t *>(
        isIndex ? GetIndexBufferCopy(handle, &bytes) : GetVertexBufferCopy(handle, &bytes));
    return std::vector<uint8_t>(copy, copy + bytes);
  }
  // Every buffer's device bytes equal its kept copy.
  void ExpectBuffersRestored() {
    EXPECT_EQ(CopyOf(vertex, false), BytesOn(GetVertexBufferDevice(vertex)));
    EXPECT_EQ(CopyOf(vertexFvf, false), BytesOn(GetVertexBufferDevice(vertexFvf)));
    EXPECT_EQ(CopyOf(index, true), BytesOn(GetIndexBufferDevice(index)));
    EXPECT_EQ(CopyOf(index32, true), BytesOn(GetIndexBufferDevice(index32)));
    ASSERT_NE(nullptr, GetShaderDevice(shader));
    EXPECT_EQ(12u, BytesOn(GetShaderDevice(shader)).size());
  }

  int blocksBefore = 0;
  int vertex = -1, vertexFvf = -1, index = -1, index32 = -1, shader = -1;
  Matrix4x4 world;
};

TEST_F(DeviceRestoreTest, RestoreBringsEveryResourceAndStateBack) {
  MakeScene();
  const std::map<std::string, int> liveBefore = LivePerKind();
  const std::vector<uint8_t> vertexBytes = BytesOn(GetVertexBufferDevice(vertex));
  const std::vector<uint8_t> indexBytes = BytesOn(GetIndexBufferDevice(index));
  const GfxViewport viewportBefore = device.mirror.viewport;
  const Rect clipBefore = g_drawSettings.clipRect;
  const int generation = device.deviceGeneration;
  device.calls.clear();

  ASSERT_EQ(0, RestoreGraphicsDevice());

  EXPECT_EQ(generation + 1, device.deviceGeneration);
  EXPECT_EQ(0, device.staleUses);
  EXPECT_EQ(0, device.doubleReleases);
  EXPECT_EQ(liveBefore, LivePerKind());
  EXPECT_EQ(vertexBytes, BytesOn(GetVertexBufferDevice(vertex)));
  EXPECT_EQ(indexBytes, BytesOn(GetIndexBufferDevice(index)));
  ExpectBuffersRestored();
  EXPECT_EQ("", Join(Mismatches()));
  EXPECT_EQ(0, memcmp(&viewportBefore, &device.mirror.viewport, sizeof viewportBefore));
  EXPECT_EQ(clipBefore.left, g_drawSettings.clipRect.left);
  EXPECT_EQ(clipBefore.bottom, g_drawSettings.clipRect.bottom);
  EXPECT_EQ(0, memcmp(&world, &g_drawSettings.worldMatrix, sizeof world));
  EXPECT_EQ(0, memcmp(&world, &device.mirror.transforms[TS_WORLD], sizeof world));
  // The light and fog reached the new device.
  EXPECT_EQ(1, device.mirror.lightEnabled[0]);
  EXPECT_EQ(3, device.mirror.lights[0].type);
  EXPECT_EQ(0xFF336699u, device.GetRenderState(RS_FOGCOLOR));
  EXPECT_EQ(1, g_drawSettings.resendAllLights);
  // Recreation's formats: the record's own, else 0x2D2 and 16-bit indices.
  const std::vector<std::string> vertexMade = device.CallsOf("CreateVertexBuffer");
  ASSERT_EQ(2u, vertexMade.size());
  EXPECT_EQ("CreateVertexBuffer 72 usage=8 fvf=0x2d2 pool=0", vertexMade[0]);
  EXPECT_EQ("CreateVertexBuffer 64 usage=8 fvf=0x142 pool=0", vertexMade[1]);
  const std::vector<std::string> indexMade = device.CallsOf("CreateIndexBuffer");
  ASSERT_EQ(2u, indexMade.size());
  EXPECT_EQ("CreateIndexBuffer 6 usage=8 fmt=101 pool=0", indexMade[0]);
  EXPECT_EQ("CreateIndexBuffer 8 usage=8 fmt=102 pool=0", indexMade[1]);
}

TEST_F(DeviceRestoreTest, TheCacheForgetsTheOldDevicesBindings) {
  MakeScene();
  ASSERT_NE(0u, g_stateCache.fvf);
  ASSERT_EQ(0, RestoreGraphicsDevice());
  // The new device got its render target; the FVF is sent again by the
  // next draw even though it equals the old one.
  EXPECT_EQ(g_d3d.backBuffer, device.mirror.renderTarget);
  device.calls.clear();
  QueueVertices(3);
  FlushVertexBatch();
  EXPECT_EQ(1u, device.CallsOf("SetFVF").size());
  EXPECT_EQ(1u, device.CallsOf("DrawPrimitiveUP").size());
  EXPECT_EQ(0, device.staleUses);
  EXPECT_EQ("", Join(Mismatches()));
}

TEST_F(DeviceRestoreTest, ReloadComesAfterTheClearsAndBeforeTheStatesAreSentAgain) {
  std::vector<std::string> seen;
  g_reloadSeen = &seen;
  g_reloadDevice = &device;
  SetGraphReloadCallback(RecordingReload);
  MakeScene();
  device.calls.clear();
  ASSERT_EQ(0, RestoreGraphicsDevice());
  ASSERT_EQ(1u, seen.size());
  const size_t at = static_cast<size_t>(std::stoi(seen[0].substr(10)));
  int presentsBefore = 0;
  for (size_t i = 0; i < at; i++) presentsBefore += device.calls[i].rfind("PresentRects", 0) == 0;
  EXPECT_EQ(2, presentsBefore);
  int lightsAfter = 0;
  for (size_t i = at; i < device.calls.size(); i++) lightsAfter += device.calls[i].rfind("SetLight ", 0) == 0;
  EXPECT_LE(1, lightsAfter);
}

TEST_F(DeviceRestoreTest, NoDeviceBackStaysLostUntilTheNextRestore) {
  MakeScene();
  const std::map<std::string, int> liveBefore = LivePerKind();
  device.FailCall("CreateDevice", device.CountCalls("CreateDevice") + 1);
  device.FailCall("CreateDevice", device.CountCalls("CreateDevice") + 2);
  device.calls.clear();
  EXPECT_EQ(-1, RestoreGraphicsDevice());
  EXPECT_EQ(1, IsHardwareRenderingActive());
  EXPECT_EQ(1, IsGraphicsDeviceLost());
  EXPECT_EQ(0, device.device);
  // No software-path display change, nothing left of the old device.
  EXPECT_TRUE(device.CallsOf("ChangeDisplay").empty());
  EXPECT_EQ(0, device.LiveOf("vbuffer") + device.LiveOf("ibuffer") + device.LiveOf("shader"));
  // Everything refuses, nothing crashes, the records stay.
  device.calls.clear();
  EXPECT_EQ(-1, PresentScreen());
  EXPECT_EQ(-1, TestDeviceWithPresent());
  const uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_EQ(-1, WriteVertexBuffer(0, data, 1, vertex));
  EXPECT_EQ(-1, WriteIndexBuffer(0, data, 1, index));
  QueueVertices(3);
  EXPECT_EQ(-1, FlushVertexBatch());
  EXPECT_EQ(0, SetDeviceFogEnable(0));
  EXPECT_TRUE(device.CallsOf("DrawPrimitiveUP").empty());
  EXPECT_TRUE(device.CallsOf("PresentRects").empty());
  EXPECT_EQ(0, device.staleUses);
  EXPECT_EQ(72, static_cast<int>(CopyOf(vertex, false).size()));
  // The next activation's restore brings everything back.
  ASSERT_EQ(0, RestoreGraphicsDevice());
  EXPECT_EQ(0, IsGraphicsDeviceLost());
  EXPECT_EQ(0, TestDeviceWithPresent());
  EXPECT_EQ(liveBefore, LivePerKind());
  ExpectBuffersRestored();
  EXPECT_EQ(0, device.staleUses);
  EXPECT_EQ("", Join(Mismatches()));
}

TEST_F(DeviceRestoreTest, OneResourceFailingToComeBackLeavesTheRestRestored) {
  const struct {
    const char *name;
    const char *call;
    int nth;  // of the restore's calls of that kind
    const char *line;
  } cases[] = {
      {"first vertex buffer", "CreateVertexBuffer", 1, "頂点バッファの作成に失敗しました\r\n"},
      {"second index buffer", "CreateIndexBuffer", 2,
       "インデックスバッファの作成に失敗しました\r\n"},
      {"refill lock", "LockVertexBuffer", 2, "頂点バッファのロックに失敗しました\r\n"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    MakeScene();
    log.Clear();
    device.FailCall(c.call, device.CountCalls(c.call) + c.nth);
    ASSERT_EQ(0, RestoreGraphicsDevice());
    EXPECT_TRUE(Logged(c.line));
    int missing = 0;
    for (int h : {vertex, vertexFvf}) missing += GetVertexBufferDevice(h) == nullptr;
    for (int h : {index, index32}) missing += GetIndexBufferDevice(h) == nullptr;
    EXPECT_EQ(1, missing);
    EXPECT_NE(nullptr, GetShaderDevice(shader));
    // Writing to the one without a device buffer keeps its copy; the next
    // restore brings it back with that copy.
    ASSERT_EQ(0, RestoreGraphicsDevice());
    ExpectBuffersRestored();
    EXPECT_EQ(0, device.staleUses);
    DeleteAllVertexBufferHandles();
    DeleteAllIndexBufferHandles();
    DeleteAllShaderHandles();
    EXPECT_EQ(blocksBefore, GetAllocatedBlockCount());
  }
}

TEST_F(DeviceRestoreTest, ThreeCyclesKeepHandlesAndBlocks) {
  MakeScene();
  const int blocks = GetAllocatedBlockCount();
  for (int cycle = 0; cycle < 3; cycle++) {
    SCOPED_TRACE(cycle);
    ASSERT_EQ(0, RestoreGraphicsDevice());
    ExpectBuffersRestored();
    EXPECT_EQ(blocks, GetAllocatedBlockCount());
  }
  EXPECT_EQ(0, device.staleUses);
  EXPECT_EQ(0, device.doubleReleases);
}

// Full screen on the software path: the display mode comes back, no device
// is made, the screen image stays.
TEST_F(DeviceRestoreTest, SoftwarePathRestoresTheDisplayModeOnly) {
  EndGraphicsSystem();
  device.windowed = 0;
  device.FailCall("CreateDevice");
  ASSERT_EQ(0, StartGraphicsSystem());
  ASSERT_EQ(0, IsHardwareRenderingActive());
  blocksBefore = GetAllocatedBlockCount();
  MEMIMG *screen = GetSoftwareScreenImage();
  ASSERT_NE(nullptr, screen);
  device.calls.clear();
  const int creates = device.CountCalls("CreateDevice");
  ASSERT_EQ(0, RestoreGraphicsDevice());
  EXPECT_EQ(creates, device.CountCalls("CreateDevice"));
  EXPECT_EQ(1u, device.CallsOf("RestoreDesktopDisplayMode").size());
  EXPECT_EQ(1u, device.CallsOf("ChangeDisplay").size());
  EXPECT_EQ(0, IsHardwareRenderingActive());
  EXPECT_EQ(0, IsGraphicsDeviceLost());
  EXPECT_EQ(screen, GetSoftwareScreenImage());
  EXPECT_EQ(1, GetUseHardwareRendering());
  EXPECT_EQ(0, TestDeviceWithPresent());
}

}  // namespace

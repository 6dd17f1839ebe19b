#include <gtest/gtest.h>

#include <stdint.h>
#include <string.h>

#include <vector>

#include "graphics/device/device_buffers.h"
#include "graphics/device/shaders.h"
#include "graphics/state/state_fixture.h"
#include "velvane.h"

namespace {

class DeviceBuffersTest : public StateFixture {
 protected:
  void TearDown() override {
    DeleteAllVertexBufferHandles();
    DeleteAllIndexBufferHandles();
    DeleteAllShaderHandles();
    StateFixture::TearDown();
  }
  std::vector<uint8_t> DeviceBytes(const void *buffer) {
    const FakeGfxObject *object = device.Object(buffer);
    return object ? object->pixels : std::vector<uint8_t>();
  }
};

TEST_F(DeviceBuffersTest, DeletingTheHighestMovesTheMarkDownPastEmptySlots) {
  int handles[4];
  for (int &handle : handles) handle = MakeVertexBufferHandle(16, 4, 0);
  for (int handle : handles) ASSERT_NE(-1, handle);
  EXPECT_EQ(4, GetVertexBufferTableEnd());
  EXPECT_EQ(0, DeleteVertexBufferHandle(handles[1]));
  EXPECT_EQ(0, DeleteVertexBufferHandle(handles[2]));
  EXPECT_EQ(4, GetVertexBufferTableEnd());
  EXPECT_EQ(0, DeleteVertexBufferHandle(handles[3]));
  EXPECT_EQ(1, GetVertexBufferTableEnd());
  EXPECT_EQ(0, DeleteVertexBufferHandle(handles[0]));
  EXPECT_EQ(0, GetVertexBufferTableEnd());
  EXPECT_EQ(0, device.LiveOf("vbuffer"));
}

TEST_F(DeviceBuffersTest, BadStaleAndDeletedHandlesAreRefused) {
  const int vertex = MakeVertexBufferHandle(8, 2, 0);
  const int index = MakeIndexBufferHandle(2, 6, 0);
  const int shader = MakeShaderHandle(0, std::vector<uint32_t>{0xFFFE0200u, 0xFFFFu}.data(), 2);
  ASSERT_NE(-1, vertex);
  ASSERT_NE(-1, index);
  ASSERT_NE(-1, shader);
  // Kinds do not mix.
  EXPECT_EQ(-1, DeleteIndexBufferHandle(vertex));
  EXPECT_EQ(-1, DeleteVertexBufferHandle(index));
  EXPECT_EQ(-1, DeleteShaderHandle(vertex));
  const uint8_t data[16] = {};
  EXPECT_EQ(-1, WriteIndexBuffer(0, data, 1, vertex));
  for (int bad : {-1, 0, 0x7FFFFFFF}) {
    EXPECT_EQ(-1, DeleteVertexBufferHandle(bad));
    EXPECT_EQ(-1, DeleteIndexBufferHandle(bad));
    EXPECT_EQ(-1, DeleteShaderHandle(bad));
    EXPECT_EQ(-1, WriteVertexBuffer(0, data, 1, bad));
  }
  EXPECT_EQ(0, DeleteVertexBufferHandle(vertex));
  EXPECT_EQ(0, DeleteIndexBufferHandle(index));
  EXPECT_EQ(0, DeleteShaderHandle(shader));
  // Deleted, and stale once the slot is taken again.
  EXPECT_EQ(-1, DeleteVertexBufferHandle(vertex));
  EXPECT_EQ(-1, WriteIndexBuffer(0, data, 1, index));
  EXPECT_EQ(-1, DeleteShaderHandle(shader));
  const int again = MakeVertexBufferHandle(8, 2, 0);
  ASSERT_NE(-1, again);
  EXPECT_NE(vertex, again);
  EXPECT_EQ(-1, WriteVertexBuffer(0, data, 1, vertex));
  EXPECT_EQ(0, WriteVertexBuffer(0, data, 1, again));
  EXPECT_EQ(0, device.doubleReleases);
}

TEST_F(DeviceBuffersTest, WriteRanges) {
  // Ten elements of four bytes.
  const struct {
    const char *name;
    int first, count, result;
    int lockOffset, lockSize;  // -1: no lock
  } cases[] = {
      {"whole", 0, 10, 0, 0, 40},
      {"middle", 3, 4, 0, 12, 16},
      {"last", 9, 1, 0, 36, 4},
      {"count 0 locks nothing", 5, 0, 0, -1, -1},
      {"count 0 at the end", 10, 0, 0, -1, -1},
      {"past the end", 8, 3, -1, -1, -1},
      {"first past the end", 11, 0, -1, -1, -1},
      {"negative first", -1, 2, -1, -1, -1},
      {"negative count", 2, -1, -1, -1, -1},
      {"first + count overflows", 5, 0x7FFFFFFF, -1, -1, -1},
      {"huge first", 0x7FFFFFFF, 1, -1, -1, -1},
  };
  for (int kind = 0; kind < 2; kind++) {
    const int handle = kind ? MakeIndexBufferHandle(4, 10, GFX_FMT_INDEX32)
                            : MakeVertexBufferHandle(4, 10, 0);
    ASSERT_NE(-1, handle);
    const char *lock = kind ? "LockIndexBuffer" : "LockVertexBuffer";
    std::vector<uint8_t> data(40);
    for (const auto &c : cases) {
      SCOPED_TRACE(std::string(c.name) + (kind ? " index" : " vertex"));
      for (size_t i = 0; i < data.size(); i++) data[i] = static_cast<uint8_t>(i + 1 + c.first);
      device.calls.clear();
      const int result = kind ? WriteIndexBuffer(c.first, data.data(), c.count, handle)
                              : WriteVertexBuffer(c.first, data.data(), c.count, handle);
      EXPECT_EQ(c.result, result);
      const std::vector<std::string> locks = device.CallsOf(lock);
      if (c.lockOffset < 0) {
        EXPECT_TRUE(locks.empty());
        continue;
      }
      ASSERT_EQ(1u, locks.size());
      EXPECT_EQ(std::string(lock) + " " + std::to_string(c.lockOffset) + "+" +
                    std::to_string(c.lockSize),
                locks[0]);
      int bytes = 0;
      const uint8_t *copy = static_cast<const uint8_t *>(
          kind ? GetIndexBufferCopy(handle, &bytes) : GetVertexBufferCopy(handle, &bytes));
      ASSERT_EQ(40, bytes);
      const void *buffer = kind ? static_cast<const void *>(GetIndexBufferDevice(handle))
                                : static_cast<const void *>(GetVertexBufferDevice(handle));
      const std::vector<uint8_t> onDevice = DeviceBytes(buffer);
      EXPECT_EQ(0, memcmp(copy + c.lockOffset, data.data(), static_cast<size_t>(c.lockSize)));
      EXPECT_EQ(0, memcmp(onDevice.data() + c.lockOffset, data.data(),
                          static_cast<size_t>(c.lockSize)));
    }
  }
}

TEST_F(DeviceBuffersTest, FailedLockLogsItsLineAndKeepsTheCopy) {
  const int vertex = MakeVertexBufferHandle(4, 4, 0);
  const int index = MakeIndexBufferHandle(2, 4, 0);
  device.FailCall("LockVertexBuffer");
  device.FailCall("LockIndexBuffer");
  const uint8_t data[16] = {9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9};
  EXPECT_EQ(-1, WriteVertexBuffer(0, data, 4, vertex));
  EXPECT_TRUE(Logged("頂点バッファのロックに失敗しました\r\n"));
  EXPECT_EQ(-1, WriteIndexBuffer(1, data, 2, index));
  EXPECT_TRUE(Logged("インデックスバッファのロックに失敗しました\r\n"));
  int bytes = 0;
  const uint8_t *copy = static_cast<const uint8_t *>(GetVertexBufferCopy(vertex, &bytes));
  EXPECT_EQ(std::vector<uint8_t>(16, 0), std::vector<uint8_t>(copy, copy + bytes));
}

TEST_F(DeviceBuffersTest, BuiltinShaderNumbersGiveZeroWithoutADeviceCall) {
  EXPECT_EQ(0, LoadShaderPack());
  for (int number : {0, 16383, 49000, -1}) {
    SCOPED_TRACE(number);
    device.calls.clear();
    EXPECT_EQ(0, SetBuiltinVertexShader(number));
    EXPECT_EQ(0, SetBuiltinPixelShader(number));
    EXPECT_TRUE(device.calls.empty());
  }
}

TEST_F(DeviceBuffersTest, ConstantRangesOutsideTheRegistersCopyNothing) {
  std::vector<float> values(4 * 300, 7.0f);
  const struct {
    int pixel, first, count, result;
  } cases[] = {
      {0, 0, 256, 0},  {0, 255, 1, 0},  {0, 255, 2, -1}, {0, -1, 1, -1},
      {0, 1, -1, -1},  {0, 200, 0x7FFFFFFF, -1},         {1, 0, 32, 0},
      {1, 31, 2, -1},  {1, 32, 1, -1},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::Message() << c.pixel << " " << c.first << "+" << c.count);
    for (int reg = 0; reg < 256; reg++) SetVertexConstantCopy(reg, 0, 0, 0, 0);
    for (int reg = 0; reg < 32; reg++) SetPixelConstantCopy(reg, 0, 0, 0, 0);
    EXPECT_EQ(c.result, c.pixel ? SetPixelShaderConstantsF(c.count, c.first, values.data())
                                : SetVertexShaderConstantsF(c.count, c.first, values.data()));
    const int limit = c.pixel ? 32 : 256;
    int changed = 0;
    for (int reg = 0; reg < limit; reg++) {
      const float *copy = c.pixel ? GetPixelConstantCopy(reg) : GetVertexConstantCopy(reg);
      changed += copy[0] == 7.0f;
    }
    EXPECT_EQ(c.result == 0 ? c.count : 0, changed);
  }
}

TEST_F(DeviceBuffersTest, SelectorsFollowLightingLightsAndFog) {
  auto light = [](int type) {
    GfxLight l = {};
    l.type = type;
    return l;
  };
  const struct {
    const char *name;
    int lighting;
    int types[3];  // 0 = light off
    int fogEnable, fogMode;
    int vertex, pixel;
  } cases[] = {
      {"all off", 0, {0, 0, 0}, 0, 0, 0, 0},
      {"lighting alone", 1, {0, 0, 0}, 0, 0, 24576, 1728},
      {"directional 0", 1, {3, 0, 0}, 0, 0, 24576 + 4096 + 3 * 128, 1728 + 432 + 2 * 72},
      {"point 1, spot 2", 1, {0, 1, 2}, 0, 0, 24576 + 4096 + 1 * 32 + 2 * 8,
       1728 + 432 + 24 + 8},
      {"all three", 1, {1, 2, 3}, 0, 0, 24576 + 4096 + 128 + 64 + 24, 1728 + 432 + 72 + 24 + 16},
      {"lights without lighting", 0, {3, 1, 0}, 0, 0, 4096, 432 + 2 * 72 + 24},
      {"fog linear", 0, {0, 0, 0}, 1, 3, 3 * 512, 0},
      {"fog exp with lighting", 1, {0, 0, 0}, 1, 1, 24576 + 512, 1728},
      {"fog mode while fog off", 1, {0, 0, 0}, 0, 2, 24576, 1728},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    for (int i = 0; i < 3; i++) {
      if (c.types[i]) {
        const GfxLight l = light(c.types[i]);
        SetDeviceLight(i, &l);
      }
      EnableDeviceLight(i, c.types[i] != 0);
    }
    SetDeviceFogMode(c.fogMode);
    SetDeviceFogEnable(c.fogEnable);
    SetDeviceLighting(c.lighting);
    EXPECT_EQ(c.vertex, GetVertexShaderSelector());
    EXPECT_EQ(c.pixel, GetPixelShaderSelector());
  }
}

}  // namespace

// The model entry points while the device is lost (a rebuild got no device
// back): each gives its result without a call reaching the missing device
// or an object of the old one, and the next restore draws again.
#include <stdio.h>

#include <functional>
#include <string>

#include "core/debug/memory.h"
#include "graphics/device/graphics_system.h"
#include "model/draw/model_draw_fixture.h"
#include "model/placement/instance_placement.h"
#include "model/textures/builtin_textures.h"
#include "model/textures/texture_reload.h"
#include "tools/mqo_write.h"

namespace {

const char kModelFile[] = "model_lost_device.mqo";

class ModelLostDeviceTest : public ModelDrawTest {
 protected:
  void SetUp() override {
    ModelDrawTest::SetUp();
    MqoWriteModel model;
    MqoWriteObject quad;
    quad.name = "quad";
    quad.vertices = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
    MqoWriteFace face;
    face.v = {0, 1, 2, 3};
    quad.faces.push_back(face);
    model.objects.push_back(quad);
    const std::string text = WriteMqo(model);
    FILE *file = fopen(kModelFile, "wb");
    ASSERT_NE(nullptr, file);
    fwrite(text.data(), 1, text.size(), file);
    fclose(file);
    instance = LoadTestModel();
    ASSERT_GE(instance, 0);
    ASSERT_EQ(0, VLMDrawInstance(instance));
  }
  void TearDown() override {
    remove(kModelFile);
    ModelDrawTest::TearDown();
  }

 public:
  int instance = -1, loaded = -1;
};

struct LostCall {
  const char *name;
  std::function<int(ModelLostDeviceTest *)> call;
  int expected;
};

const int kAnyHandle = 1 << 30;

TEST_F(ModelLostDeviceTest, EveryModelEntryPointGivesItsResultWithoutTheDevice) {
  LoseTheDevice();
  const LostCall calls[] = {
      {"draw", [](ModelLostDeviceTest *t) { return VLMDrawInstance(t->instance); }, 0},
      {"draw a frame", [](ModelLostDeviceTest *t) { return VLMDrawInstanceFrame(t->instance, 0); }, 0},
      {"move", [](ModelLostDeviceTest *t) { return VLMSetInstancePosition(t->instance, 1, 2, 3); }, 0},
      {"turn", [](ModelLostDeviceTest *t) { return VLMSetInstanceRotation(t->instance, 0.1f, 0.2f, 0.3f); }, 0},
      {"clone and delete",
       [](ModelLostDeviceTest *t) {
         const int clone = VLMCloneInstance(t->instance);
         if (clone < 0) return -2;
         return VLMDeleteInstance(clone);
       },
       0},
      // The white texture's graph outlives the device; the toon ramp,
      // never made, cannot be made now.
      {"white texture", [](ModelLostDeviceTest *) { return GetWhiteModelTexture(); }, kAnyHandle},
      {"toon ramp", [](ModelLostDeviceTest *) { return GetBuiltinModelTexture(BUILTIN_TOON_RAMP); }, -1},
      {"reload textures", [](ModelLostDeviceTest *) { return VLMReloadTextures(); }, 0},
      {"release buffers", [](ModelLostDeviceTest *) { return VLMReleaseAllDrawBuffers(); }, 0},
      // Without a device models keep no buffers; the restore makes them.
      {"create buffers", [](ModelLostDeviceTest *) { return VLMCreateAllDrawBuffers(); }, 0},
      {"load a model",
       [](ModelLostDeviceTest *t) {
         t->loaded = LoadModel(kModelFile);
         return t->loaded;
       },
       kAnyHandle},
  };
  for (const LostCall &c : calls) {
    SCOPED_TRACE(c.name);
    const int result = c.call(this);
    if (c.expected == kAnyHandle) {
      EXPECT_GE(result, 0);
    } else {
      EXPECT_EQ(c.expected, result);
    }
    EXPECT_EQ(0, device.deviceLessCalls) << device.firstDeviceLessCall;
    EXPECT_EQ(0, device.staleUses);
    device.deviceLessCalls = 0;
    device.staleUses = 0;
  }
  // The next restore brings the buffers back and the instance draws again.
  ASSERT_EQ(0, RestoreGraphicsDevice());
  EXPECT_EQ(0, device.staleUses);
  device.calls.clear();
  EXPECT_EQ(0, VLMDrawInstance(instance));
  EXPECT_EQ(0, VLMDrawInstance(loaded));
  EXPECT_EQ(2u, Calls("DrawIndexedPrimitive").size());
  EXPECT_TRUE(Calls("DrawIndexedPrimitiveUP").empty());
  EXPECT_EQ(0, device.staleUses);
}

}  // namespace

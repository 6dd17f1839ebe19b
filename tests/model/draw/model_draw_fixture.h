// Model drawing on the recording device: graphics started in window mode
// at 640 x 480, the model system started, a camera at (0, 0, -20) looking
// at the origin, and the code-made test model loaded with its buffers.
#ifndef VELVANE_TESTS_MODEL_DRAW_FIXTURE_H
#define VELVANE_TESTS_MODEL_DRAW_FIXTURE_H

#include <string>
#include <vector>

#include "graphics/device/gfx_fixture.h"
#include "graphics/draw/camera.h"
#include "model/draw/model_draw_buffers.h"
#include "model/model_fixture.h"

class ModelDrawTest : public GfxFixture {
 protected:
  void SetUp() override {
    GfxFixture::SetUp();
    caps = FullGfxCaps();
    g_gfxTestSwitches.capsOverride = &caps;
    ASSERT_EQ(0, StartGraphicsSystem());
    ASSERT_EQ(1, IsHardwareRenderingActive());
    ASSERT_EQ(0, StartModelTables());
    Matrix4x4 view, projection;
    const Vector3 eye = {0, 0, -20}, target = {0, 0, 0}, up = {0, 1, 0};
    MakeLookAtMatrix(&view, &eye, &target, &up);
    MakePerspectiveMatrix(&projection, 1.0f, 1.0f, 1000.0f, 0.75f);
    SetViewMatrix(&view);
    SetProjectionMatrix(&projection);
    startObjects = device.LiveObjects();
    device.calls.clear();
  }
  void TearDown() override {
    SetModelVertexBuffersInUse(1);
    SetAllocationFailureCountdown(0);
    EXPECT_EQ(0, VLMEndModelSystem());
    EXPECT_EQ(startObjects, device.LiveObjects());
    g_gfxTestSwitches.capsOverride = nullptr;
    GfxFixture::TearDown();
    // The other model suites run without a Direct3D path.
    SetHardwareRenderingActive(0);
  }
  // The test model with its buffers and one instance over it.
  int LoadTestModel(ModelData **dataOut = nullptr) {
    ModelData *data = nullptr;
    const int dataHandle = model_fixture::MakeTestModel(&data);
    EXPECT_EQ(0, SetupDrawBuffers(data, 1));
    const int handle = NewInstance(dataHandle);
    if (dataOut) *dataOut = data;
    return handle;
  }
  static int NewInstance(int dataHandle) { return model_fixture::NewInstance(dataHandle); }
  std::vector<std::string> Calls(const std::string &kind) const { return device.CallsOf(kind); }

  GfxCaps caps;
  int startObjects = 0;
};

#endif  // VELVANE_TESTS_MODEL_DRAW_FIXTURE_H

#include <gtest/gtest.h>

#include <math.h>

#include "graphics/draw/camera.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/draw/draw_target.h"
#include "graphics/draw/lights.h"
#include "graphics/state/state_fixture.h"

namespace {

class CameraLightsTest : public StateFixture {};

TEST_F(CameraLightsTest, CentreOfTheBackBufferProjectsToItsCentre) {
  ASSERT_EQ(0, SetDrawTarget(-2));
  const Vector3 p = WorldToScreen(Vector3{320.0f, 240.0f, 0.0f});
  EXPECT_NEAR(320.0f, p.x, 1e-3f);
  EXPECT_NEAR(240.0f, p.y, 1e-3f);
  EXPECT_GT(p.z, 0.0f);
  EXPECT_LT(p.z, 1.0f);
  // The 2-D camera sits d = 240 / tan 30 degrees in front, near d / 10.
  const float d = 240.0f / 0.57735026f;
  EXPECT_NEAR(d, g_drawSettings.viewMatrix.m[3][2], 1e-2f);  // z = 0 lies d ahead
  EXPECT_NEAR(d * 0.1f, g_drawSettings.cameraNear, 1e-3f);
  EXPECT_NEAR(d + 20000.0f, g_drawSettings.cameraFar, 1e-1f);
}

// Where the device puts a world point: its view and projection, then its
// viewport.
Vector3 DeviceScreenPoint(const FakeDeviceMirror &m, Vector3 p) {
  const float in[4] = {p.x, p.y, p.z, 1.0f};
  float view[4] = {0, 0, 0, 0}, clip[4] = {0, 0, 0, 0};
  for (int c = 0; c < 4; c++) {
    for (int r = 0; r < 4; r++) view[c] += in[r] * m.transforms.at(TS_VIEW).m[r][c];
  }
  for (int c = 0; c < 4; c++) {
    for (int r = 0; r < 4; r++) clip[c] += view[r] * m.transforms.at(TS_PROJECTION).m[r][c];
  }
  const GfxViewport &v = m.viewport;
  return Vector3{v.x + (clip[0] / clip[3] + 1.0f) / 2.0f * v.width,
                 v.y + (1.0f - clip[1] / clip[3]) / 2.0f * v.height, clip[2] / clip[3]};
}

TEST_F(CameraLightsTest, DeviceProjectsAroundTheProjectionCentreAsTheCpuDoes) {
  ASSERT_EQ(0, SetDrawTarget(-2));
  SetCameraLookAt(Vector3{224.0f, -384.0f, -480.0f}, Vector3{224.0f, -224.0f, 0.0f});
  for (const Vector3 centre : {Vector3{240.0f, 240.0f, 0}, Vector3{320.0f, 240.0f, 0},
                               Vector3{100.0f, 400.0f, 0}}) {
    SetProjectionCenter(centre.x, centre.y);
    for (const Vector3 world : {Vector3{224.0f, -224.0f, 0.0f}, Vector3{300.0f, -100.0f, 40.0f}}) {
      const Vector3 cpu = WorldToScreen(world);
      const Vector3 gpu = DeviceScreenPoint(device.mirror, world);
      EXPECT_NEAR(cpu.x, gpu.x, 0.01f) << centre.x << "," << centre.y;
      EXPECT_NEAR(cpu.y, gpu.y, 0.01f) << centre.x << "," << centre.y;
    }
  }
  const Vector3 middle = WorldToScreen(Vector3{224.0f, -224.0f, 0.0f});
  EXPECT_NEAR(100.0f, middle.x, 0.01f);
  EXPECT_NEAR(400.0f, middle.y, 0.01f);
}

// View matrices with a known forward axis give the angles the rules say.
TEST_F(CameraLightsTest, CameraAnglesFromTheViewMatrix) {
  const struct {
    const char *name;
    Vector3 position, target;
    float vertical, horizontal;
  } cases[] = {
      {"along +Z", {0, 0, -10}, {0, 0, 0}, 0.0f, 0.0f},
      {"turned right", {0, 0, 0}, {10, 0, 10}, 0.7853982f, 0.0f},
      {"looking down a little", {0, 10, -10}, {0, 0, 0}, 0.0f, 0.7853982f},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(0, SetCameraLookAt(c.position, c.target));
    EXPECT_NEAR(c.vertical, g_drawSettings.cameraVerticalRotation, 1e-4f);
    EXPECT_NEAR(c.horizontal, g_drawSettings.cameraHorizontalRotation, 1e-4f);
    EXPECT_NEAR(0.0f, g_drawSettings.cameraTwist, 1e-4f);
  }
  // Forward straight along +Y and -Y, set directly.
  const struct {
    float forwardY, horizontal;
  } straight[] = {{1.0f, -1.5707964f}, {-1.0f, 1.5707964f}};
  for (const auto &c : straight) {
    Matrix4x4 view;
    MakeIdentityMatrix(&view);
    view.m[0][2] = 0.0f;
    view.m[1][2] = c.forwardY;
    view.m[2][2] = 0.0f;
    view.m[1][1] = 0.0f;
    view.m[2][1] = -c.forwardY;
    SetViewMatrix(&view);
    UpdateCameraAngles();
    EXPECT_EQ(0.0f, g_drawSettings.cameraVerticalRotation);
    EXPECT_NEAR(c.horizontal, g_drawSettings.cameraHorizontalRotation, 1e-6f);
  }
  // Upside down: the up axis points down.
  Matrix4x4 flipped;
  MakeRotationMatrixZ(&flipped, 3.14159265f);
  SetViewMatrix(&flipped);
  UpdateCameraAngles();
  EXPECT_NEAR(0.0f, fabsf(g_drawSettings.cameraHorizontalRotation) - 3.14159265f, 1e-4f);
  // A twist about the forward axis.
  Matrix4x4 twisted;
  MakeRotationMatrixZ(&twisted, 0.5f);
  SetViewMatrix(&twisted);
  UpdateCameraAngles();
  EXPECT_NEAR(0.5f, fabsf(g_drawSettings.cameraTwist), 1e-4f);
}

TEST_F(CameraLightsTest, DegenerateLookAt) {
  ASSERT_EQ(0, SetCameraLookAt(Vector3{0, 0, 0}, Vector3{0, 0, 10}));
  const Matrix4x4 before = g_drawSettings.viewMatrix;
  EXPECT_EQ(-1, SetCameraLookAt(Vector3{1, 2, 3}, Vector3{1, 2, 3}));
  EXPECT_EQ(0, memcmp(&before, &g_drawSettings.viewMatrix, sizeof before));
  // Straight down: up becomes +Z and the matrix stays finite.
  ASSERT_EQ(0, SetCameraLookAt(Vector3{0, 10, 0}, Vector3{0, 0, 0}));
  EXPECT_EQ(1.0f, g_drawSettings.cameraUp.z);
  for (int r = 0; r < 4; r++) {
    for (int c = 0; c < 4; c++) EXPECT_TRUE(isfinite(g_drawSettings.viewMatrix.m[r][c]));
  }
}

TEST_F(CameraLightsTest, ProjectionKinds) {
  ASSERT_EQ(0, SetDrawTarget(-2));
  SetCameraNearFar(10.0f, 1000.0f);
  ASSERT_EQ(0, SetCameraFieldOfView(1.0f));
  Matrix4x4 expected;
  MakePerspectiveMatrix(&expected, 1.0f, 10.0f, 1000.0f, 480.0f / 640.0f);
  EXPECT_NEAR(expected.m[0][0], g_drawSettings.projectionMatrix.m[0][0], 1e-5f);
  EXPECT_EQ(1.0f, g_drawSettings.projectionMatrix.m[2][3]);
  g_drawSettings.projectionKind = 1;
  g_drawSettings.orthographicSize = 480.0f;
  RefreshProjectionMatrix();
  EXPECT_NEAR(2.0f / 480.0f, g_drawSettings.projectionMatrix.m[1][1], 1e-7f);
  EXPECT_EQ(1.0f, g_drawSettings.projectionMatrix.m[3][3]);
  Matrix4x4 given;
  MakeScaleMatrix(&given, 3.0f, 4.0f, 5.0f);
  ASSERT_EQ(0, SetProjectionMatrixDirect(&given));
  EXPECT_EQ(2, g_drawSettings.projectionKind);
  SetCameraNearFar(1.0f, 2.0f);  // a given matrix is kept
  EXPECT_EQ(3.0f, g_drawSettings.projectionMatrix.m[0][0]);
  EXPECT_EQ(3.0f, device.mirror.transforms[TS_PROJECTION].m[0][0]);
}

TEST_F(CameraLightsTest, LightsAreNumberedDirectionalFirst) {
  const int defaultLight = g_drawSettings.defaultLight;
  const int directional = CreateDirectionalLight(Vector3{0, -1, 0});
  const int point = CreateLightHandle();
  ASSERT_GE(directional, 0);
  ASSERT_GE(point, 0);
  UpdateDeviceLights();
  EXPECT_EQ(0, GetLightDeviceIndex(defaultLight));
  EXPECT_EQ(1, GetLightDeviceIndex(directional));
  EXPECT_EQ(2, GetLightDeviceIndex(point));
  EXPECT_EQ(1, device.mirror.lightEnabled[2]);
  EXPECT_EQ(1, device.mirror.lights[2].type);
  EXPECT_EQ(0, DeleteLightHandle(defaultLight));
  UpdateDeviceLights();
  EXPECT_EQ(0, GetLightDeviceIndex(directional));
  EXPECT_EQ(1, GetLightDeviceIndex(point));
  EXPECT_EQ(0, device.mirror.lightEnabled[2]);
  EXPECT_EQ(-1, DeleteLightHandle(defaultLight));
  EXPECT_EQ(-2, GetLightDeviceIndex(defaultLight));
}

TEST_F(CameraLightsTest, DefaultLightSurvivesDeleteAll) {
  const int defaultLight = g_drawSettings.defaultLight;
  CreateLightHandle();
  EXPECT_EQ(0, DeleteAllLightHandles());
  UpdateDeviceLights();
  EXPECT_EQ(0, GetLightDeviceIndex(defaultLight));
  EXPECT_EQ(0, SetDefaultLightDiffuse(ColorF{0.5f, 0.25f, 1.0f, 1.0f}));
  UpdateDeviceLights();
  EXPECT_EQ(0.25f, device.mirror.lights[0].diffuse.g);
  EXPECT_EQ(0.0f, device.mirror.lights[0].diffuse.a);
  EXPECT_EQ(-1, SetLightDiffuse(12345, ColorF{}));
}

TEST_F(CameraLightsTest, AFullLightTableRefusesMore) {
  std::vector<int> made;
  for (int i = 1; i < LIGHT_TABLE_SLOTS; i++) made.push_back(CreateLightHandle());
  for (int handle : made) ASSERT_GE(handle, 0);
  EXPECT_EQ(-1, CreateLightHandle());
  EXPECT_EQ(-1, CreateDirectionalLight(Vector3{1, 0, 0}));
  DeleteAllLightHandles();
  EXPECT_GE(CreateLightHandle(), 0);
}

TEST_F(CameraLightsTest, LightingSwitch) {
  SetLightingEnabled(0);
  EXPECT_EQ(0u, device.GetRenderState(RS_LIGHTING));
  UpdateDeviceLights();
  EXPECT_EQ(0u, device.GetRenderState(RS_LIGHTING));
  SetLightingEnabled(1);
  EXPECT_EQ(1u, device.GetRenderState(RS_LIGHTING));
}

}  // namespace

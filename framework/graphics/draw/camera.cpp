#include "graphics/draw/camera.h"

#include <math.h>
#include <string.h>

#include "graphics/device/direct3d_state.h"
#include "graphics/device/graphics_system.h"
#include "graphics/device/screen_settings.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/state/render_state_cache.h"
#include "graphics/state/vertex_batch.h"

namespace {

const float kHalfPi = 1.5707964f;
const float kStraightEpsilon = 1e-8f;

bool HardwareReady(void) { return IsHardwareRenderingActive() && StateDevice() != NULL; }

Matrix4x4 Product(const Matrix4x4 &a, const Matrix4x4 &b) {
  Matrix4x4 out;
  MultiplyMatrix(&out, &a, &b);
  return out;
}

// Maps clip space of the whole draw target onto clip space of the clip
// rectangle's viewport, so drawing inside a smaller viewport keeps the
// target's pixel mapping.
Matrix4x4 ClipRectMatrix(void) {
  const DrawSettings &s = g_drawSettings;
  Matrix4x4 m;
  MakeIdentityMatrix(&m);
  int width = 0, height = 0;
  GetDrawTargetSize(&width, &height);
  const float w = static_cast<float>(s.clipRect.right - s.clipRect.left);
  const float h = static_cast<float>(s.clipRect.bottom - s.clipRect.top);
  if (w <= 0.0f || h <= 0.0f || width <= 0 || height <= 0) return m;
  m.m[0][0] = static_cast<float>(width) / w;
  m.m[3][0] = (static_cast<float>(width) - 2.0f * s.clipRect.left - w) / w;
  m.m[1][1] = static_cast<float>(height) / h;
  m.m[3][1] = (h - static_cast<float>(height) + 2.0f * s.clipRect.top) / h;
  return m;
}

// Moves the projection's centre from the middle of the draw target to the
// projection centre, as the CPU's viewport matrix places it, so device
// drawing and the screen positions computed here agree.
Matrix4x4 ProjectionCentreMatrix(void) {
  const DrawSettings &s = g_drawSettings;
  Matrix4x4 m;
  MakeIdentityMatrix(&m);
  int width = 0, height = 0;
  GetDrawTargetSize(&width, &height);
  if (width <= 0 || height <= 0) return m;
  m.m[3][0] = (2.0f * s.projectionCenterX - static_cast<float>(width)) / static_cast<float>(width);
  m.m[3][1] = (static_cast<float>(height) - 2.0f * s.projectionCenterY) / static_cast<float>(height);
  return m;
}

}  // namespace

void SendDeviceProjection(void) {
  if (!HardwareReady()) return;
  const DrawSettings &s = g_drawSettings;
  const Matrix4x4 device = Product(
      Product(Product(s.projectionMatrix, s.projectionAdjust), ProjectionCentreMatrix()),
      ClipRectMatrix());
  SetDeviceProjectionMatrix(&device);
}

int SetViewMatrix(const Matrix4x4 *m) {
  if (!m) return -1;
  FlushVertexBatch();
  g_drawSettings.viewMatrix = *m;
  g_drawSettings.combinedMatricesValid = 0;
  UpdateCombinedMatrices();
  if (HardwareReady()) SetDeviceViewMatrix(m);
  return 0;
}

int SetProjectionMatrix(const Matrix4x4 *m) {
  if (!m) return -1;
  FlushVertexBatch();
  g_drawSettings.projectionMatrix = *m;
  g_drawSettings.combinedMatricesValid = 0;
  UpdateCombinedMatrices();
  SendDeviceProjection();
  return 0;
}

int SetProjectionAdjustMatrix(const Matrix4x4 *m) {
  if (!m) return -1;
  FlushVertexBatch();
  g_drawSettings.projectionAdjust = *m;
  g_drawSettings.combinedMatricesValid = 0;
  UpdateCombinedMatrices();
  SendDeviceProjection();
  return 0;
}

int SetWorldMatrix(const Matrix4x4 *m) {
  if (!m) return -1;
  FlushVertexBatch();
  g_drawSettings.worldMatrix = *m;
  g_drawSettings.combinedMatricesValid = 0;
  UpdateCombinedMatrices();
  if (HardwareReady()) SetDeviceWorldMatrix(m);
  return 0;
}

void UpdateCombinedMatrices(void) {
  DrawSettings &s = g_drawSettings;
  if (s.combinedMatricesValid) return;
  s.viewProjectionViewport = Product(Product(s.viewMatrix, s.projectionMatrix), s.viewportMatrix);
  s.worldToScreen = Product(s.worldMatrix, s.viewProjectionViewport);
  memset(&s.cameraRotation, 0, sizeof s.cameraRotation);
  for (int row = 0; row < 3; row++) {
    for (int column = 0; column < 3; column++) {
      s.cameraRotation.m[row][column] = s.viewMatrix.m[column][row];
    }
  }
  s.cameraRotation.m[3][3] = 1.0f;
  s.combinedMatricesValid = 1;
}

void UpdateCameraAngles(void) {
  DrawSettings &s = g_drawSettings;
  const float(*v)[4] = s.viewMatrix.m;
  if (fabsf(v[0][2]) < kStraightEpsilon && fabsf(v[2][2]) < kStraightEpsilon) {
    s.cameraVerticalRotation = 0.0f;
    if (v[1][2] < 0.0f) {
      s.cameraHorizontalRotation = kHalfPi;
      s.cameraTwist = atan2f(-v[0][1], v[2][1]);
    } else {
      s.cameraHorizontalRotation = -kHalfPi;
      s.cameraTwist = atan2f(-v[0][1], -v[2][1]);
    }
    return;
  }
  float y, x;
  if (v[1][1] >= 0.0f) {
    y = atan2f(v[0][2], v[2][2]);
    const float cy = cosf(-y), sy = sinf(-y);
    x = atan2f(-v[1][2], v[2][2] * cy - v[0][2] * sy);
  } else {
    y = atan2f(-v[0][2], -v[2][2]);
    const float cy = cosf(-y), sy = sinf(-y);
    const float c = -(v[2][2] * cy - v[0][2] * sy);
    x = v[1][2] > 0.0f ? -atan2f(c, v[1][2]) - kHalfPi : atan2f(c, -v[1][2]) + kHalfPi;
  }
  const float cy = cosf(-y), sy = sinf(-y);
  const float w = v[2][0] * cy - v[0][0] * sy;
  const float k = v[2][0] * sy + v[0][0] * cy;
  s.cameraVerticalRotation = y;
  s.cameraHorizontalRotation = x;
  s.cameraTwist = atan2f(v[1][0] * cosf(-x) - w * sinf(-x), k);
}

int SetCameraLookAt(Vector3 position, Vector3 target) {
  Vector3 forward;
  SubtractVector(&forward, &target, &position);
  if (forward.x == 0.0f && forward.y == 0.0f && forward.z == 0.0f) return -1;
  const Vector3 worldUp = {0.0f, 1.0f, 0.0f};
  Vector3 side, up;
  CrossProduct(&side, &forward, &worldUp);
  CrossProduct(&up, &side, &forward);
  // Straight up or down there is no upright: the camera's up is then +Z.
  if (GetVectorLength(up) < 1e-6f * GetVectorLength(forward) * GetVectorLength(forward)) {
    up = Vector3{0.0f, 0.0f, 1.0f};
  } else {
    NormalizeVector(&up, &up);
  }
  Matrix4x4 view;
  MakeLookAtMatrix(&view, &position, &target, &up);
  DrawSettings &s = g_drawSettings;
  s.cameraPosition = position;
  s.cameraTarget = target;
  s.cameraUp = up;
  SetViewMatrix(&view);
  UpdateCameraAngles();
  return 0;
}

int SetProjectionCenter(float x, float y) {
  DrawSettings &s = g_drawSettings;
  FlushVertexBatch();
  s.projectionCenterX = x;
  s.projectionCenterY = y;
  int width = 0, height = 0;
  GetDrawTargetSize(&width, &height);
  MakeViewportMatrix(&s.viewportMatrix, x, y, width * s.viewportScale, height * s.viewportScale);
  InvertMatrix(&s.viewportInverse, &s.viewportMatrix);
  s.combinedMatricesValid = 0;
  UpdateCombinedMatrices();
  SendDeviceProjection();
  return 0;
}

int SetCameraFieldOfView(float fov) {
  g_drawSettings.projectionKind = 0;
  g_drawSettings.fieldOfView = fov;
  return RefreshProjectionMatrix();
}

int SetCameraNearFar(float zNear, float zFar) {
  g_drawSettings.cameraNear = zNear;
  g_drawSettings.cameraFar = zFar;
  return RefreshProjectionMatrix();
}

int SetProjectionMatrixDirect(const Matrix4x4 *m) {
  if (!m) return -1;
  g_drawSettings.projectionKind = 2;
  g_drawSettings.projectionMatrix = *m;
  return RefreshProjectionMatrix();
}

int RefreshProjectionMatrix(void) {
  DrawSettings &s = g_drawSettings;
  Matrix4x4 projection = s.projectionMatrix;
  if (s.projectionKind != 2) {
    int width = 0, height = 0;
    GetDrawTargetSize(&width, &height);
    const float aspect =
        width > 0 ? static_cast<float>(height) / static_cast<float>(width) * s.aspectScale : 1.0f;
    const int made = s.projectionKind == 1
                         ? MakeOrthographicMatrix(&projection, s.orthographicSize, s.cameraNear,
                                                  s.cameraFar, aspect)
                         : MakePerspectiveMatrix(&projection, s.fieldOfView, s.cameraNear,
                                                 s.cameraFar, aspect);
    if (made < 0) return -1;
  }
  return SetProjectionMatrix(&projection);
}

Vector3 WorldToScreen(Vector3 p) {
  UpdateCombinedMatrices();
  Vector3 out;
  float w = 1.0f;
  TransformVector4(&out, &w, &p, 1.0f, &g_drawSettings.worldToScreen);
  if (w != 0.0f) {
    out.x /= w;
    out.y /= w;
    out.z /= w;
  }
  return out;
}

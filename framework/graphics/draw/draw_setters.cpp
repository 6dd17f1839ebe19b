#include "graphics/draw/draw_setters.h"

#include <stddef.h>

#include "core/app/framework_lifecycle.h"
#include "graphics/device/graphics_system.h"
#include "graphics/device/screen_settings.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/graphs/graph_handles.h"
#include "graphics/graphs/graph_records.h"
#include "graphics/state/blend_states.h"
#include "graphics/state/render_state_cache.h"
#include "graphics/state/vertex_batch.h"
#include "core/base/core_state.h"

namespace {

int ClampByte(int value) { return value < 0 ? 0 : value > 255 ? 255 : value; }

bool Hardware(void) { return IsHardwareRenderingActive() != 0; }

struct ChannelLayout {
  int width, shift;
};

// Red, green, blue of the screen format: R5G6B5 at 16 bits, else X8R8G8B8.
void ScreenLayout(ChannelLayout out[3], uint32_t *fill) {
  if (GetScreenColorBits() == 16) {
    out[0] = ChannelLayout{5, 11};
    out[1] = ChannelLayout{6, 5};
    out[2] = ChannelLayout{5, 0};
    *fill = 0;
  } else {
    out[0] = ChannelLayout{8, 16};
    out[1] = ChannelLayout{8, 8};
    out[2] = ChannelLayout{8, 0};
    *fill = 0xFF000000u;
  }
}

// The blend image's texture size and its reciprocals: the scales that turn
// graph positions into the blend image's texture coordinates.
void KeepBlendImageSize(const GraphRecord *blend) {
  const GraphTextureEntry *entry =
      blend && blend->pieceCount > 0 ? blend->pieces[0].entry : NULL;
  VertexBatch &batch = g_vertexBatch;
  batch.blendWidth = entry ? static_cast<float>(entry->textureWidth) : 0.0f;
  batch.blendHeight = entry ? static_cast<float>(entry->textureHeight) : 0.0f;
  batch.blendWidthInverse = entry ? 1.0f / batch.blendWidth : 0.0f;
  batch.blendHeightInverse = entry ? 1.0f / batch.blendHeight : 0.0f;
}

}  // namespace

void UpdateBatchDiffuse(void) {
  const DrawSettings &s = g_drawSettings;
  const uint32_t alpha = s.blendMode != 0 ? static_cast<uint32_t>(s.blendParam) : 255u;
  g_vertexBatch.diffuse = alpha << 24 | (s.drawBrightness & 0x00FFFFFFu);
}

int SetBlendModeAndParam(int mode, int param) {
  DrawSettings &s = g_drawSettings;
  if (mode < 0 || mode >= DRAW_BLEND_MODE_COUNT) return -1;
  param = ClampByte(param);
  if (s.resetting || (mode == s.blendMode && param == s.blendParam)) return 0;
  WaitWhileInactive();
  s.blendMode = mode;
  s.blendParam = param;
  if (Hardware()) UpdateBatchDiffuse();
  return 0;
}

int SetDrawBrightness(int r, int g, int b) {
  DrawSettings &s = g_drawSettings;
  const uint32_t word = static_cast<uint32_t>(ClampByte(r)) << 16 |
                        static_cast<uint32_t>(ClampByte(g)) << 8 |
                        static_cast<uint32_t>(ClampByte(b));
  if ((s.drawBrightness & 0x00FFFFFFu) == word) return 0;
  s.drawBrightness = word;
  if (Hardware()) UpdateBatchDiffuse();
  return 0;
}

int SetDrawBrightnessColor(int rgb) {
  return SetDrawBrightness((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

int SetDrawBlendGraph(int handle, int borderParam, int borderRange) {
  DrawSettings &s = g_drawSettings;
  borderParam = ClampByte(borderParam);
  borderRange = ClampByte(borderRange);
  if (s.resetting) return 0;
  // The software kernels take only one-byte masks, which no graph is.
  if (!Hardware() || !StateDevice()) return handle == -1 ? 0 : -1;
  GfxTexture *texture = NULL;
  if (handle != -1) {
    texture = GetGraphTexture(handle);
    if (!texture) return -1;
  }
  WaitWhileInactive();
  s.blendGraph = handle;
  s.blendBorderParam = borderParam;
  s.blendBorderRange = borderRange;
  SetBlendTexture(borderRange, texture, borderParam);
  KeepBlendImageSize(handle == -1 ? NULL : GetGraphRecord(handle));
  return 0;
}

int SetDrawFilterMode(int mode) {
  DrawSettings &s = g_drawSettings;
  if (mode < 0 || mode > 2) return -1;
  if (s.resetting || mode == s.filterMode) return 0;
  s.filterMode = mode;
  if (Hardware()) SetDrawFilterStates(mode);
  return 0;
}

int GetDrawFilterMode(void) { return g_drawSettings.filterMode; }

int SetDepthTest3D(int on) {
  if (g_drawSettings.depthTest3D == on) return 0;
  FlushVertexBatch();
  g_drawSettings.depthTest3D = on;
  return 0;
}

int SetDepthWrite3D(int on) {
  if (g_drawSettings.depthWrite3D == on) return 0;
  FlushVertexBatch();
  g_drawSettings.depthWrite3D = on;
  return 0;
}

int SetColorKeyEnabled(int on) {
  g_drawSettings.colorKeyNotApplied = on ? 0 : 1;
  return 0;
}

int SetColorKey(int r, int g, int b) {
  if (GetScreenColorBits() == 8) return 0;
  g_drawSettings.colorKey = static_cast<uint32_t>(r & 0xFF) << 16 |
                            static_cast<uint32_t>(g & 0xFF) << 8 | static_cast<uint32_t>(b & 0xFF);
  return 0;
}

int SetVSyncWait(int on) {
  g_drawSettings.vsyncWaitOff = on ? 0 : 1;
  if (!IsFrameworkInitialised()) g_drawSettings.vsyncWaitRequest = on;
  return 0;
}

int GetVSyncWait(void) { return g_drawSettings.vsyncWaitOff ? 0 : 1; }

ColorF *MakeColorF(ColorF *out, float r, float g, float b, float a) {
  if (!out) return out;
  *out = ColorF{r, g, b, a};
  return out;
}

uint32_t PackDrawColor(int r, int g, int b) {
  ChannelLayout layout[3];
  uint32_t value = 0;
  ScreenLayout(layout, &value);
  const int channels[3] = {r & 0xFF, g & 0xFF, b & 0xFF};
  for (int i = 0; i < 3; i++) {
    value |= static_cast<uint32_t>(channels[i] >> (8 - layout[i].width)) << layout[i].shift;
  }
  return value;
}

int UnpackDrawColor(uint32_t value, int *r, int *g, int *b) {
  ChannelLayout layout[3];
  uint32_t fill = 0;
  ScreenLayout(layout, &fill);
  int *out[3] = {r, g, b};
  for (int i = 0; i < 3; i++) {
    const uint32_t top = (1u << layout[i].width) - 1;
    const uint32_t channel = (value >> layout[i].shift) & top;
    if (out[i]) *out[i] = static_cast<int>(channel * 255 / top);
  }
  return 0;
}

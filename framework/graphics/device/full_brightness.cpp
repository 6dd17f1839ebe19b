// Full-brightness colours: the same hue and saturation with the largest
// channel at 255, and the lookup volume the shaders would sample them from.
#include <stddef.h>
#include <stdint.h>

#include "graphics/device/direct3d_init.h"
#include "graphics/device/direct3d_state.h"
#include "velvane.h"

namespace {

const int kVolumeSize = 128;
const int kWhiteCorner = 8;  // texels with x, y and z all below this are white

// Negative inputs would make the largest channel 0 and divide by it.
int ClampChannel(int value) { return value < 0 ? 0 : (value > 255 ? 255 : value); }

int ReleaseVolumesAndFail(GfxDevice *device, GfxVolumeTexture *system, const char *text) {
  if (system) device->ReleaseVolumeTexture(system);
  if (g_d3d.fullBrightnessTexture) device->ReleaseVolumeTexture(g_d3d.fullBrightnessTexture);
  g_d3d.fullBrightnessTexture = NULL;
  return WriteLogLine(text);
}

uint32_t FullBrightnessTexel(int x, int y, int z) {
  if (x < kWhiteCorner && y < kWhiteCorner && z < kWhiteCorner) return 0xFFFFFFFFu;
  unsigned char r, g, b;
  ConvertToFullBrightness(2 * x, 2 * y, 2 * z, &r, &g, &b);
  return 0xFF000000u | (static_cast<uint32_t>(r) << 16) | (static_cast<uint32_t>(g) << 8) | b;
}

void FillVolume(const GfxLocked &locked) {
  for (int z = 0; z < kVolumeSize; z++) {
    for (int y = 0; y < kVolumeSize; y++) {
      uint32_t *row = reinterpret_cast<uint32_t *>(
          locked.bits + static_cast<ptrdiff_t>(z) * locked.slicePitch +
          static_cast<ptrdiff_t>(y) * locked.pitch);
      for (int x = 0; x < kVolumeSize; x++) row[x] = FullBrightnessTexel(x, y, z);
    }
  }
}

}  // namespace

void ConvertToFullBrightness(int r, int g, int b, unsigned char *rOut, unsigned char *gOut,
                             unsigned char *bOut) {
  int channel[3] = {ClampChannel(r), ClampChannel(g), ClampChannel(b)};
  int largest = 0;
  for (int i = 1; i < 3; i++) {
    if (channel[i] > channel[largest]) largest = i;
  }
  int smallest = largest == 0 ? 1 : 0;
  for (int i = 0; i < 3; i++) {
    if (i != largest && channel[i] < channel[smallest]) smallest = i;
  }
  const int remaining = 3 - largest - smallest;
  const int M = channel[largest], m = channel[smallest], k = channel[remaining];
  int out[3] = {255, 255, 255};
  if (M != m) {
    const int s = (M - m) * 255 / M;
    out[smallest] = 255 - s;
    out[remaining] = 255 - s * ((m - k) * 255 / (M - m) + 255) / 255;
  }
  *rOut = static_cast<unsigned char>(out[0]);
  *gOut = static_cast<unsigned char>(out[1]);
  *bOut = static_cast<unsigned char>(out[2]);
}

int CreateFullBrightnessVolumeTexture(void) {
  GfxDevice *device = GetGfxDevice();
  if (g_d3d.fullBrightnessTexture) device->ReleaseVolumeTexture(g_d3d.fullBrightnessTexture);
  g_d3d.fullBrightnessTexture = NULL;
  if (device->CreateVolumeTexture(kVolumeSize, GFX_FMT_X8R8G8B8, 0,
                                  &g_d3d.fullBrightnessTexture) < 0) {
    g_d3d.fullBrightnessTexture = NULL;
    return ReleaseVolumesAndFail(device, NULL,
        "RGBカラーを輝度を最大にしたRGB値に変換するためのボリュームテクスチャの作成に失敗しました\n");
  }
  GfxVolumeTexture *system = NULL;
  if (device->CreateVolumeTexture(kVolumeSize, GFX_FMT_X8R8G8B8, 1, &system) < 0) {
    return ReleaseVolumesAndFail(device, NULL,
        "RGBカラーを輝度を最大にしたRGB値に変換するための転送元用ボリュームテクスチャの作成に失敗しました\n");
  }
  GfxLocked locked;
  if (device->LockVolume(system, &locked) < 0) {
    return ReleaseVolumesAndFail(device, system,
        "RGBカラーを輝度を最大にしたRGB値に変換するための転送元用ボリュームテクスチャのロックに失敗しました\n");
  }
  FillVolume(locked);
  device->UnlockVolume(system);
  device->UpdateVolumeTexture(system, g_d3d.fullBrightnessTexture);
  device->ReleaseVolumeTexture(system);
  return 0;
}

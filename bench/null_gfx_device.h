// The recording device fake with every per-draw call made free, so that a
// benchmark's figures are the framework's own work, not the fake's log.
#ifndef VELVANE_BENCH_NULL_GFX_DEVICE_H
#define VELVANE_BENCH_NULL_GFX_DEVICE_H

#include "graphics/fake_gfx_device.h"

class NullGfxDevice : public FakeGfxDevice {
 public:
  void SetRenderState(int, uint32_t) override {}
  void SetSamplerState(int, int, uint32_t) override {}
  void SetTextureStageState(int, int, uint32_t) override {}
  void SetTexture(int, GfxTexture *) override {}
  void SetTransform(int, const Matrix4x4 *) override {}
  void SetFVF(uint32_t) override {}
  void SetNoShaders() override {}
  void SetMaterial(const GfxMaterial *) override {}
  void SetLight(int, const GfxLight *) override {}
  void LightEnable(int, int) override {}
  int DrawPrimitiveUP(int, int, const void *, int) override { return 0; }
  int SetStreamSource(GfxVertexBuffer *, int) override { return 0; }
  int SetIndices(GfxIndexBuffer *) override { return 0; }
  int DrawIndexedPrimitive(int, int, int, int, int, int) override { return 0; }
  int DrawIndexedPrimitiveUP(int, int, int, int, const uint16_t *, const void *, int) override {
    return 0;
  }
  int BeginScene() override { return 0; }
  int EndScene() override { return 0; }
};

#endif  // VELVANE_BENCH_NULL_GFX_DEVICE_H

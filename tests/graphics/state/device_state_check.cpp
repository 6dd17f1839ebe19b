#include "graphics/state/device_state_check.h"

#include <stdio.h>

#include "graphics/device/gfx_device.h"
#include "graphics/state/render_state_cache.h"

namespace {

struct Checker {
  GfxDevice *device;
  std::vector<std::string> found;

  void Compare(const char *what, int stage, uint32_t expected, uint32_t actual) {
    if (expected == actual) return;
    char line[160];
    snprintf(line, sizeof line, "%s[%d]: cache means %u (0x%x), device holds %u (0x%x)", what,
             stage, expected, expected, actual, actual);
    found.push_back(line);
  }
  void Render(const char *what, int state, uint32_t expected) {
    Compare(what, -1, expected, device->GetRenderState(state));
  }
  void Sampler(const char *what, int stage, int state, int expected) {
    Compare(what, stage, static_cast<uint32_t>(expected), device->GetSamplerState(stage, state));
  }
  void StageValue(const char *what, int stage, int state, int expected) {
    if (expected == -1) return;  // never sent: the cache makes no claim
    Compare(what, stage, static_cast<uint32_t>(expected),
            device->GetTextureStageState(stage, state));
  }
};

uint32_t U(int value) { return static_cast<uint32_t>(value); }

}  // namespace

std::vector<std::string> CacheDeviceMismatches(GfxDevice *device, int argTemp) {
  const RenderStateCache &c = g_stateCache;
  Checker check{device, {}};
  // The cache keeps the caller's value where the device takes a mapped one.
  static const uint32_t kCull[3] = {1, 3, 2};
  check.Render("ZENABLE", 7, c.zEnable == 1 ? 1 : 0);
  check.Render("ZWRITEENABLE", 14, U(c.zWriteEnable));
  check.Render("ZFUNC", 23, U(c.zFunc));
  check.Render("DEPTHBIAS", 195, U(c.depthBias));
  check.Render("FILLMODE", 8, U(c.fillMode));
  check.Render("SHADEMODE", 9, U(c.shadeMode));
  if (c.cullMode >= 0 && c.cullMode <= 2) check.Render("CULLMODE", 22, kCull[c.cullMode]);
  check.Render("LIGHTING", 137, U(c.lighting));
  check.Render("SPECULARENABLE", 29, U(c.specularEnable));
  check.Render("DIFFUSEMATERIALSOURCE", 145, c.diffuseFromVertex ? 1 : 0);
  check.Render("SPECULARMATERIALSOURCE", 146, c.specularFromVertex ? 2 : 0);
  check.Render("AMBIENTMATERIALSOURCE", 147, U(c.ambientMaterialSource));
  check.Render("NORMALIZENORMALS", 143, U(c.normalizeNormals));
  check.Render("DITHERENABLE", 26, U(c.dither));
  check.Render("FOGENABLE", 28, U(c.fogEnable));
  check.Render("FOGVERTEXMODE", 140, U(c.fogMode));
  check.Render("FOGCOLOR", 34, c.fogColor);
  check.Render("FOGSTART", 36, U(c.fogStart));
  check.Render("FOGEND", 37, U(c.fogEnd));
  check.Render("FOGDENSITY", 38, U(c.fogDensity));
  check.Render("AMBIENT", 139, c.ambientColor);
  check.Render("ALPHATESTENABLE", 15, U(c.blend.alphaTestEnable));
  check.Render("ALPHAREF", 24, U(c.blend.alphaRef));
  check.Render("ALPHAFUNC", 25, U(c.blend.alphaFunc));
  check.Render("ALPHABLENDENABLE", 27, U(c.blend.alphaBlendEnable));
  check.Render("TEXTUREFACTOR", 60, c.blend.textureFactor);
  check.Render("SRCBLEND", 19, U(c.blend.srcBlend));
  check.Render("DESTBLEND", 20, U(c.blend.destBlend));
  check.Render("BLENDOP", 171, U(c.blend.blendOp));
  for (int stage = 0; stage < 8; stage++) {
    check.Sampler("ADDRESSU", stage, 1, c.addressU[stage]);
    check.Sampler("ADDRESSV", stage, 2, c.addressV[stage]);
    check.Sampler("ADDRESSW", stage, 3, c.addressW[stage]);
    check.Sampler("MAGFILTER", stage, 5, c.magFilter[stage]);
    check.Sampler("MINFILTER", stage, 6, c.minFilter[stage]);
    check.Sampler("MIPFILTER", stage, 7, c.mipFilter[stage]);
    check.Sampler("MAXANISOTROPY", stage, 10, c.maxAnisotropy[stage]);
    const TextureStageRecord &s = c.stages[stage];
    check.StageValue("COLOROP", stage, 1, s.colorOp);
    check.StageValue("COLORARG1", stage, 2, s.colorArg1);
    check.StageValue("COLORARG2", stage, 3, s.colorArg2);
    check.StageValue("ALPHAOP", stage, 4, s.alphaOp);
    check.StageValue("ALPHAARG1", stage, 5, s.alphaArg1);
    check.StageValue("ALPHAARG2", stage, 6, s.alphaArg2);
    check.StageValue("TEXCOORDINDEX", stage, 11, s.texCoordIndex);
    check.StageValue("TEXTURETRANSFORMFLAGS", stage, 24, c.textureTransformUsed[stage] ? 3 : 0);
    if (argTemp && s.resultArg != -1) {
      check.StageValue("RESULTARG", stage, 28, s.resultArg ? 5 : 1);
    }
  }
  return check.found;
}

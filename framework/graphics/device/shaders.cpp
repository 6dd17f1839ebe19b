#include "graphics/device/shaders.h"

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "graphics/state/render_state_cache.h"
#include "velvane.h"

namespace {

struct ShaderUse {
  int vertexShader;
  int pixelShader;
};

// The device may report shader 2.0, but without the pack there is nothing
// to run on it: these stay 0.
ShaderUse g_shaderUse = {0, 0};

struct ShaderSelectors {
  int vertex;
  int pixel;
};

ShaderSelectors g_selectors = {0, 0};

struct ShaderConstantCopies {
  float vertex[SHADER_VERTEX_CONSTANTS][4];
  float pixel[SHADER_PIXEL_CONSTANTS][4];
  int vertexBool[SHADER_VERTEX_BOOLS];
};

ShaderConstantCopies g_constants;

void Store(float *out, float x, float y, float z, float w) {
  out[0] = x;
  out[1] = y;
  out[2] = z;
  out[3] = w;
}

}  // namespace

int SetupProgrammableShaders(void) {
  g_shaderUse.vertexShader = 0;
  g_shaderUse.pixelShader = 0;
  WriteLogLine("プログラマブルシェーダーを使用しません\n");
  return 0;
}

int IsVertexShaderUsable(void) { return g_shaderUse.vertexShader; }

int IsPixelShaderUsable(void) { return g_shaderUse.pixelShader; }

int ReleaseBoundShaderObjects(void) {
  g_stateCache.vertexShaderSet = 0;
  g_stateCache.pixelShaderSet = 0;
  return 0;
}

int ReleaseBuiltinShaders(void) { return ReleaseBoundShaderObjects(); }

int LoadShaderPack(void) { return 0; }

int CloseShaderPack(void) { return 0; }

int SetBuiltinVertexShader(int) { return 0; }

int SetBuiltinPixelShader(int) { return 0; }

int GetVertexShaderSelector(void) { return g_selectors.vertex; }

int GetPixelShaderSelector(void) { return g_selectors.pixel; }

int SetVertexShaderConstantsF(int count, int first, const float *data) {
  if (!data || first < 0 || count < 0 || static_cast<int64_t>(first) + count > SHADER_VERTEX_CONSTANTS) return -1;
  memcpy(g_constants.vertex[first], data, sizeof(float) * 4 * static_cast<size_t>(count));
  return 0;
}

int SetPixelShaderConstantsF(int count, int first, const float *data) {
  if (!data || first < 0 || count < 0 || static_cast<int64_t>(first) + count > SHADER_PIXEL_CONSTANTS) return -1;
  memcpy(g_constants.pixel[first], data, sizeof(float) * 4 * static_cast<size_t>(count));
  return 0;
}

int SwitchShaderConstantSet(int) { return 0; }

void SetVertexConstantCopy(int reg, float x, float y, float z, float w) {
  if (reg >= 0 && reg < SHADER_VERTEX_CONSTANTS) Store(g_constants.vertex[reg], x, y, z, w);
}

void SetPixelConstantCopy(int reg, float x, float y, float z, float w) {
  if (reg >= 0 && reg < SHADER_PIXEL_CONSTANTS) Store(g_constants.pixel[reg], x, y, z, w);
}

void SetVertexBoolCopy(int reg, int value) {
  if (reg >= 0 && reg < SHADER_VERTEX_BOOLS) g_constants.vertexBool[reg] = value;
}

const float *GetVertexConstantCopy(int reg) {
  return reg >= 0 && reg < SHADER_VERTEX_CONSTANTS ? g_constants.vertex[reg] : NULL;
}

const float *GetPixelConstantCopy(int reg) {
  return reg >= 0 && reg < SHADER_PIXEL_CONSTANTS ? g_constants.pixel[reg] : NULL;
}

int GetVertexBoolCopy(int reg) {
  return reg >= 0 && reg < SHADER_VERTEX_BOOLS ? g_constants.vertexBool[reg] : 0;
}

namespace {

// A light's weight in the pixel selector: 2 directional, 1 another enabled
// light, 0 none.
int PixelLightWeight(const RenderStateCache &cache, int light) {
  if (!cache.lightEnabled[light]) return 0;
  return cache.lights[light].type == 3 ? 2 : 1;
}

int VertexLightType(const RenderStateCache &cache, int light) {
  return cache.lightEnabled[light] ? cache.lights[light].type : 0;
}

}  // namespace

void RecomputeShaderSelector(void) {
  const RenderStateCache &cache = g_stateCache;
  const int anyLight = cache.lightEnabled[0] || cache.lightEnabled[1] || cache.lightEnabled[2];
  int vertex = (cache.lighting ? 24576 : 0) + (anyLight ? 4096 : 0) +
               (cache.fogEnable ? cache.fogMode : 0) * 512;
  if (cache.lighting) {
    vertex += VertexLightType(cache, 0) * 128 + VertexLightType(cache, 1) * 32 +
              VertexLightType(cache, 2) * 8;
  }
  g_selectors.vertex = vertex;
  g_selectors.pixel = (cache.lighting ? 1728 : 0) + (anyLight ? 432 : 0) +
                      PixelLightWeight(cache, 0) * 72 + PixelLightWeight(cache, 1) * 24 +
                      PixelLightWeight(cache, 2) * 8;
}

#include "graphics/device/shaders.h"

#include <stddef.h>

#include "velvane.h"

namespace {

struct ShaderUse {
  int vertexShader;
  int pixelShader;
};

// The device may report shader 2.0, but without the pack there is nothing
// to run on it: these stay 0.
ShaderUse g_shaderUse = {0, 0};

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

int ReleaseBoundShaderObjects(void) { return 0; }

int ReleaseBuiltinShaders(void) { return 0; }

int DeleteAllShaderHandles(void) { return 0; }

int DeleteAllVertexBufferHandles(void) { return 0; }

int DeleteAllIndexBufferHandles(void) { return 0; }

int CloseShaderPack(void) { return 0; }

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

void RecomputeShaderSelector(void) {}

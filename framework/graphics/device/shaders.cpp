#include "graphics/device/shaders.h"

#include "velvane.h"

namespace {

struct ShaderUse {
  int vertexShader;
  int pixelShader;
};

// The device may report shader 2.0, but without the pack there is nothing
// to run on it: these stay 0.
ShaderUse g_shaderUse = {0, 0};

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

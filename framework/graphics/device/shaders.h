// Shaders, vertex and index buffers: what device start-up, release and
// graphics shut-down call. This framework carries no shader pack, so it
// draws with the fixed-function pipeline only.
#ifndef VELVANE_GRAPHICS_SHADERS_H
#define VELVANE_GRAPHICS_SHADERS_H

// Decides whether programmable shaders are used (never here) and logs it; 0.
int SetupProgrammableShaders(void);
// 1 when vertex (pixel) shaders are used: always 0 here.
int IsVertexShaderUsable(void);
int IsPixelShaderUsable(void);
// Unbind and release the built-in shader objects; 0.
int ReleaseBoundShaderObjects(void);
int ReleaseBuiltinShaders(void);
// Delete every shader, vertex-buffer and index-buffer handle; 0.
int DeleteAllShaderHandles(void);
int DeleteAllVertexBufferHandles(void);
int DeleteAllIndexBufferHandles(void);
// Closes the shader pack's archive and frees its buffers; 0.
int CloseShaderPack(void);

enum {
  SHADER_VERTEX_CONSTANTS = 256,
  SHADER_PIXEL_CONSTANTS = 32,
  SHADER_VERTEX_BOOLS = 16
};

// The framework's copies of the shader constants the state cache keeps
// current; with the fixed-function pipeline nothing is sent from them.
// Registers outside the tables are ignored.
void SetVertexConstantCopy(int reg, float x, float y, float z, float w);
void SetPixelConstantCopy(int reg, float x, float y, float z, float w);
void SetVertexBoolCopy(int reg, int value);
const float *GetVertexConstantCopy(int reg);  // four floats; null outside
const float *GetPixelConstantCopy(int reg);
int GetVertexBoolCopy(int reg);
// Picks the built-in shader for the current light, fog and lighting
// states; nothing to pick without programmable shaders.
void RecomputeShaderSelector(void);

#endif  // VELVANE_GRAPHICS_SHADERS_H

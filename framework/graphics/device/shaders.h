// Shaders, vertex and index buffers: what device start-up, release and
// graphics shut-down call. This framework carries no shader pack, so it
// draws with the fixed-function pipeline only.
#ifndef VELVANE_GRAPHICS_SHADERS_H
#define VELVANE_GRAPHICS_SHADERS_H

#include <stdint.h>

#include "graphics/device/gfx_device.h"

// Decides whether programmable shaders are used (never here) and logs it; 0.
int SetupProgrammableShaders(void);
// 1 when vertex (pixel) shaders are used: always 0 here.
int IsVertexShaderUsable(void);
int IsPixelShaderUsable(void);
// No built-in shader objects exist: these only make the state cache forget
// the current shader and declaration; 0.
int ReleaseBoundShaderObjects(void);
int ReleaseBuiltinShaders(void);
// There is no shader pack: 0, nothing allocated.
int LoadShaderPack(void);
// Nothing to close; 0.
int CloseShaderPack(void);
// The built-in shader of number i: 0 for every number (no programmable
// shaders), with no device call.
int SetBuiltinVertexShader(int i);
int SetBuiltinPixelShader(int i);
// The shader numbers model drawing picks from, recomputed from lighting,
// lights 0-2 and fog by RecomputeShaderSelector.
int GetVertexShaderSelector(void);
int GetPixelShaderSelector(void);
// count float4 constants from register first into the framework's copies
// (nothing is sent); 0, or -1 copying nothing for a range outside the 256
// vertex or 32 pixel registers.
int SetVertexShaderConstantsF(int count, int first, const float *data);
int SetPixelShaderConstantsF(int count, int first, const float *data);
// Switching between the user's and the framework's constants: nothing to
// switch without programmable shaders; 0.
int SwitchShaderConstantSet(int user);

// Shader handles (kind 12): a vertex (pixel 0) or pixel (pixel 1) shader
// kept with its byte code so a device rebuild can make it again. No public
// call makes one; the maker copies words 32-bit words of code. The handle,
// or -1 (also when the device refuses the code).
int MakeShaderHandle(int pixel, const uint32_t *code, int words);
// -1 for a handle that is not live; else releases and frees it; 0.
int DeleteShaderHandle(int handle);
int DeleteAllShaderHandles(void);
// Device rebuild: every handle's device shader released, then made again
// from its code (a failure leaves that one without a device shader); 0.
int ReleaseAllShaderObjects(void);
int RecreateAllShaderObjects(void);
// The device shader of a handle (null when none), the table's highest used
// index + 1.
GfxShader *GetShaderDevice(int handle);
int GetShaderTableEnd(void);

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
// Recomputes both selectors from the cached lighting, light and fog states.
void RecomputeShaderSelector(void);

#endif  // VELVANE_GRAPHICS_SHADERS_H

// Blend modes and per-draw state preparation: before a hardware draw
// queues vertices, the device is brought in line with the draw settings
// through the render-state cache, and the blend mode, the image's
// transparency and an optional blend image become alpha-test, blend and
// texture-stage states.
#ifndef VELVANE_GRAPHICS_BLEND_STATES_H
#define VELVANE_GRAPHICS_BLEND_STATES_H

#include <stdint.h>

#include "graphics/state/render_state_cache.h"

struct GraphRecord;

// Flag bits of PrepareDrawStates.
enum {
  DRAW_FLAG_TRANSPARENT = 0x0001,
  DRAW_FLAG_KEEP_ALPHA_TEST = 0x0002,
  DRAW_FLAG_GOURAUD = 0x0008,
  DRAW_FLAG_VERTEX_COLOR = 0x0020,
  DRAW_FLAG_VERTEX_ALPHA = 0x0040,
  DRAW_FLAG_FOG = 0x0080,
  DRAW_FLAG_KEEP_BLEND = 0x0100,
  DRAW_FLAG_LIGHTING = 0x0200,
  DRAW_FLAG_SPECULAR = 0x0400,
  DRAW_FLAG_3D_DEPTH = 0x0800,
  DRAW_FLAG_ADDRESS_MODES = 0x1000,
  DRAW_FLAG_KEEP_SHADERS = 0x2000
};

// One row of the blend-mode table: -1 leaves a factor unsent.
struct BlendModeRow {
  int destBlend;
  int srcBlend;
  int stageSetKind;  // 0 plain, 1 faded to white, 2 inverted texture
  int blendOp;
};

// The row of a mode 0-12; null outside.
const BlendModeRow *GetBlendModeRow(int mode);

// What a blend image's border parameter P and range R make of the texture
// factor's alpha and the operations of stages 0 and 1 (range above 1).
struct BlendBorderStates {
  int factorAlpha;
  int stage0AlphaOp;  // add or subtract
  int stage1AlphaOp;  // modulate, 2x or 4x
};
BlendBorderStates ComputeBlendBorderStates(int parameter, int range);

// Brings the device in line with the draw settings for one draw.
void PrepareDrawStates(const GraphRecord *image, GfxTexture *texture, int flags);
// With on = 1 every draw takes its colour from the vertices, even at white
// brightness (modulating by white changes no texel); 0 goes back to
// choosing by the brightness. For runs of draws that alternate between
// white and another brightness, so the stage set does not change at each.
void HoldVertexColor(int on);
// Applies the given set, else the installed user set, else the built-in
// choice for the pending inputs. -1 without a device, for a mode outside
// 0-12 and when nothing was pending; else 0.
int ApplyBlendStates(int stageTexturesAreGraphs, const TextureStageSet *set,
                     int textureFactor);
// Record pending inputs (flushing first); -1 without a device.
int SetPendingBlendState(int mode, int useAlphaChannel, int colorKeyTest);
int SetPendingTexture(GfxTexture *texture);
// range or parameter -1 keeps the old value.
int SetBlendTexture(int range, GfxTexture *texture, int parameter);
// A non-null set replaces the built-in choice (applied at once) until
// removed with null; 0.
int SetUserTextureStageSet(const TextureStageSet *set, int textureFactor);
// The stage and shader states a new device needs; -1 without a device.
int ApplyDefaultDeviceStates(void);

#endif  // VELVANE_GRAPHICS_BLEND_STATES_H

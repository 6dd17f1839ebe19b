// Small calls other subsystems make around the draw paths: a stretched
// part of a graph, the device material, a caller's stage set applied once
// for its own draws, and a stage set installed for every draw until taken
// back.
#ifndef VELVANE_GRAPHICS_DRAW_SUPPORT_H
#define VELVANE_GRAPHICS_DRAW_SUPPORT_H

struct GfxMaterial;
struct TextureStageSet;

// The part (srcX, srcY, width, height) of a graph stretched from (x1, y1)
// to (x2, y2), through a sub-graph made for the one draw; 0, -1 for a bad
// handle or a part outside the graph. Text draws its glyph cells with it.
int DrawRectGraphStretchedF(float x1, float y1, float x2, float y2, int srcX, int srcY,
                            int width, int height, int handle, int transparent);
// Sends the material through the render-state cache; its result.
int SetDeviceMaterial(const GfxMaterial *material);
// Draws what is queued, applies the set (stage textures are graph handles
// when stageTexturesAreGraphs is 1) with textureFactor, and leaves the
// blend and texture states for the next 2-D draw to send again; 0.
int ApplyDrawStateRecord(const TextureStageSet *record, int stageTexturesAreGraphs,
                         int textureFactor);
// With a device: apply 1 installs stages (its first count stage records,
// texture factor from the set) in place of the built-in choice, apply 0
// (or no stages) goes back to the built-in choice. 0; -1 for a count
// outside 0-8.
int SetTextureStageSet(int count, int apply, const TextureStageSet *stages);

#endif  // VELVANE_GRAPHICS_DRAW_SUPPORT_H

// The model textures every model shares: the white texture, the toon ramp
// and the grey gradient. One record owns their graph handles; each getter
// makes its texture again when the handle no longer names a graph.
#ifndef VELVANE_MODEL_BUILTIN_TEXTURES_H
#define VELVANE_MODEL_BUILTIN_TEXTURES_H

enum { BUILTIN_TOON_RAMP = -1, BUILTIN_GRADIENT = -2 };

// The white texture's graph handle, made on first use; -1 when it cannot be.
int GetWhiteModelTexture(void);
// Code -1 the toon ramp, -2 the gradient (made on first use); -1 for other
// codes.
int GetBuiltinModelTexture(int code);
// The 256 x 8 grey gradient (x is the grey level) in a new graph; the
// handle, or -1.
int CreateModelGradientTexture(void);
// The gradient written again into handle; the handle.
int RefillModelGradientTexture(int handle);
// After a device reset: each built-in texture that exists gets its
// pixels again.
void ReloadBuiltinModelTextures(void);
// Deletes the built-in textures that exist (the model system ends).
void DeleteBuiltinModelTextures(void);

#endif  // VELVANE_MODEL_BUILTIN_TEXTURES_H

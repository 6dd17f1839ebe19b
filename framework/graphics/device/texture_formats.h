// The choice of every texture, render-target and depth format from the
// device's caps, in the order the module prefers them.
#ifndef VELVANE_GRAPHICS_TEXTURE_FORMATS_H
#define VELVANE_GRAPHICS_TEXTURE_FORMATS_H

#include "graphics/device/direct3d_state.h"

// Fills the fourteen entries and the screen-depth pair (for a screen of
// screenBits colour bits), logging one line per entry; -1 when a row that
// has no fallback finds no format.
int ChooseTextureFormats(const GfxCaps *caps, int displayFormat, int screenBits,
                         TextureFormatTable *table);
// The first of D16, D24X8, D32 that matches the display format, logged;
// GFX_FMT_UNKNOWN (logged) when none does.
int ChooseDepthFormat(const GfxCaps *caps);

#endif  // VELVANE_GRAPHICS_TEXTURE_FORMATS_H

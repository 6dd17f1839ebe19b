// Pixel formats of Direct3D surface and texture formats.
#ifndef VELVANE_GRAPHICS_GRAPH_FORMATS_H
#define VELVANE_GRAPHICS_GRAPH_FORMATS_H

#include "velvane.h"

// The PixelFormat of an uncompressed Direct3D colour format (R8G8B8,
// A8R8G8B8, X8R8G8B8, R5G6B5, X1R5G5B5, A1R5G5B5, A4R4G4B4, R3G3B2,
// A8R3G3B2, X4R4G4B4, A2B10G10R10, A8B8G8R8, X8B8G8R8, A2R10G10B10);
// null for any other code.
const PixelFormat *GetD3DFormatPixelFormat(int format);

#endif  // VELVANE_GRAPHICS_GRAPH_FORMATS_H

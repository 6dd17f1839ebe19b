// Shared graph images: texture layout and creation in hardware mode, the
// MEMIMG in software mode, the pieces a graph draws with, and release.
#ifndef VELVANE_GRAPHICS_GRAPH_IMAGES_H
#define VELVANE_GRAPHICS_GRAPH_IMAGES_H

struct SharedGraphImage;

// Drops one reference; at 0 releases the draw-target extras, the textures
// (hardware) or the MEMIMG (software) and frees the image.
void ReleaseSharedGraphImage(SharedGraphImage *image);
// Releases each entry's video texture, system texture and surfaces
// (hardware images only); 0.
int ReleaseGraphTextures(SharedGraphImage *image);

#endif  // VELVANE_GRAPHICS_GRAPH_IMAGES_H

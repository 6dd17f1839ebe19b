// Shared graph images: texture layout and creation in hardware mode, the
// MEMIMG in software mode, the pieces a graph draws with, and release.
#ifndef VELVANE_GRAPHICS_GRAPH_IMAGES_H
#define VELVANE_GRAPHICS_GRAPH_IMAGES_H

#include "velvane.h"

struct SharedGraphImage;

enum { GRAPH_MAX_SPLIT = 32 };

// The texture sizes one side of n pixels is split into under a maximum
// texture size of maxSize on a screen screenWidth wide; the count (at most
// GRAPH_MAX_SPLIT).
int SplitGraphSide(int n, int maxSize, int screenWidth, int sizes[GRAPH_MAX_SPLIT]);
// The smallest power of two (at least 8) not below n.
int NextPowerOfTwoSide(int n);
// The mip-map levels of a full chain of a w x h texture.
int FullMipChainLevels(int w, int h);

// The texture-format index of the creation bytes (0-13).
int GetGraphFormatIndex(int compressed, int drawTarget, int alpha, int alphaTest, int colorBits);
// The nominal PixelFormat of a texture-format index; null above 13.
const PixelFormat *GetTextureIndexPixelFormat(int index);
// GetTextureIndexPixelFormat of the index the flags give.
const PixelFormat *GetTextureFormatForFlags(int alpha, int alphaTest, int bits32,
                                            int drawTarget);
// The PixelFormat pixels of the image's textures are written in.
const PixelFormat *GraphTexturePixelFormat(const SharedGraphImage *image);

// Gives the handle a new shared image of w x h; mipLevels -1 takes the
// setting. 0, or -1 with the handle deleted.
int CreateSharedGraphImage(int mipLevels, int handle, int w, int h, int alpha, int palette,
                           int compressed);
// Binds the graph's rectangle to its image: the MEMIMG view or the pieces.
int BuildGraphPieces(int handle);
// Creates the textures every entry still lacks and clears them; 0 / -1.
int CreateGraphTextures(SharedGraphImage *image);
// Drops one reference; at 0 releases the draw-target extras, the textures
// (hardware) or the MEMIMG (software) and frees the image.
void ReleaseSharedGraphImage(SharedGraphImage *image);
// Releases each entry's video texture, system texture and surfaces
// (hardware images only); 0.
int ReleaseGraphTextures(SharedGraphImage *image);

// Graph-creation switches kept here: one texture per graph, and the alpha
// channel of draw-target graphs.
int GetGraphSingleTexture(void);
void SetGraphSingleTexture(int on);
int GetDrawTargetGraphAlpha(void);
void SetDrawTargetGraphAlpha(int on);

// The mip-map level setting of new graphs (-1 full chain, 0 one level).
int GetNewGraphMipmapLevels(void);

#endif  // VELVANE_GRAPHICS_GRAPH_IMAGES_H

// Putting pixels into graphs: base images into textures (split, converted,
// with mip-map chains and DXT levels) or into the software MEMIMG.
#ifndef VELVANE_GRAPHICS_GRAPH_TRANSFER_H
#define VELVANE_GRAPHICS_GRAPH_TRANSFER_H

#include "velvane.h"

// Transfers the rectangle src of the colour image (and the same rectangle of
// the alpha image, may be null) to (destX, destY) of the graph, or of its
// whole shared image when imageCoordinates is 1; colorKey 1 makes the
// creation key transparent. A rectangle not inside the images gives -1 and
// writes nothing; an empty one gives 0.
int TransferImageToGraph(int handle, const Rect *src, int destX, int destY,
                         const BASEIMAGE *color, const BASEIMAGE *alpha, int colorKey,
                         int imageCoordinates);
// Stores the source position, reverse flag and restore source (file, may be
// null), then transfers (sourceX, sourceY, graph size) into the whole graph
// with the colour-key setting; 0 / -1.
int ReloadGraphFromBaseImages(const BASEIMAGE *color, const BASEIMAGE *alpha, int sourceX,
                              int sourceY, int handle, int reverse, const char *file);
// The same with a source rectangle and a destination point.
int ReloadGraphFromBaseImagesRect(const BASEIMAGE *color, const BASEIMAGE *alpha,
                                  const Rect *src, int destX, int destY, int handle,
                                  int reverse, const char *file);
// 1 when two formats lay out their pixels alike.
int SamePixelLayout(const PixelFormat *a, const PixelFormat *b);

#endif  // VELVANE_GRAPHICS_GRAPH_TRANSFER_H

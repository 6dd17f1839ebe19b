// Making graphs: empty ones, ones sized for a base image, sub-graphs of a
// shared image, and filling and copying the draw target into them.
#ifndef VELVANE_GRAPHICS_GRAPH_CREATE_H
#define VELVANE_GRAPHICS_GRAPH_CREATE_H

#include "velvane.h"

// A new graph of w x h with the creation settings; the handle or -1.
int CreateEmptyGraph(int w, int h);
// A new graph sized and shaped for the image (alpha image may be null); the
// handle or -1.
int MakeGraphForBaseImage(const BASEIMAGE *image, const BASEIMAGE *alpha);
// A new graph showing (x, y, w, h) of the source, clipped to it; the handle,
// -1 when x or y lies outside, 0 while the draw settings are being reset.
int CreateSubGraph(int x, int y, int w, int h, int source);
// Fills a graph with a colour (each channel clamped to 0-255): software
// graphs through the blended fill, hardware draw-target graphs whole and
// plain, other hardware graphs unchanged. 0 / -1.
int FillGraph(int handle, int r, int g, int b, int a);
// Copies (x1, y1)-(x2, y2) of the draw target into a graph of that size; 0 / -1.
int CopyDrawScreenToGraph(int x1, int y1, int x2, int y2, int handle);

#endif  // VELVANE_GRAPHICS_GRAPH_CREATE_H

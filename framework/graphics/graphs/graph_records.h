// The records behind a graph handle: the graph itself, the reference-counted
// shared image whose rectangle it shows (textures in hardware mode, one
// MEMIMG in software mode) and the per-texture pieces a draw walks.
#ifndef VELVANE_GRAPHICS_GRAPH_RECORDS_H
#define VELVANE_GRAPHICS_GRAPH_RECORDS_H

#include <stdint.h>

#include "core/base/handle_table.h"
#include "softrender/image/memimg.h"

struct GfxTexture;
struct GfxSurface;

enum {
  GRAPH_HANDLE_KIND = 1,
  GRAPH_TABLE_SLOTS = 32768,
  GRAPH_CORNERS = 4  // top-left, top-right, bottom-left, bottom-right
};

// One texture of a hardware image and the part of the image it covers.
struct GraphTextureEntry {
  GfxTexture *videoTexture;
  GfxTexture *systemTexture;  // the system-memory copy, or null
  GfxSurface *surface;        // level 0 of the video texture
  GfxSurface *extraSurface;   // released with the draw-target textures
  int x, y;                   // position of the entry in the image
  int usedWidth, usedHeight;  // image size - position, at most the texture's
  int textureWidth, textureHeight;  // powers of two
};

// The reference-counted pixels one or more graphs show a rectangle of. The
// members after alphaTest start zeroed (the records come zero-filled).
struct SharedGraphImage {
  int referenceCount;
  int textureFormat;  // texture-format index 0-13
  // Creation bytes.
  uint8_t hardware;
  uint8_t alphaChannel;
  uint8_t drawTarget;
  uint8_t systemMemoryCopy;
  uint8_t compressedFormat;  // 0 none, 1-5 DXT1-DXT5
  uint8_t mipLevels;         // 0 = one level
  uint8_t alphaTest;  // the colour key is honoured through the alpha test
  uint8_t colorBits = 0;   // 16 or 32
  uint8_t blendImage = 0;  // always 0 here
  uint8_t palette = 0;     // 8-bit palette image (software path)
  int colorKey = 0;        // 0x00RRGGBB at creation
  int width = 0, height = 0;
  // Hardware: the level count of every texture and the entries.
  int mipLevelCount = 0;
  int entryCount = 0;
  GraphTextureEntry *entries = nullptr;
  // Software: the whole image.
  MEMIMG memImage = {};
};

// A corner of a piece: destination x, y inside the graph, texture u, v.
struct GraphPieceCorner {
  float x, y, u, v;
};

// The part of one texture entry a graph's rectangle overlaps.
struct GraphPiece {
  int destX, destY;  // where the piece starts inside the graph
  int srcX, srcY;    // where it starts inside the texture
  int width, height;
  GraphPieceCorner corners[GRAPH_CORNERS];
  // 1 when the corner lies on or above the graph's rising diagonal.
  uint8_t cornerFlags[GRAPH_CORNERS];
  GraphTextureEntry *entry;
};

// A file name graphs reload from, shared by the graphs cut from one file.
struct GraphRestoreSource {
  int referenceCount;
  char *fileName;  // full path, stored in the same block after the record
};

// A graph handle's record. The members after image start zeroed, apart
// from the movie handle, which AddGraphHandle sets to -1.
struct GraphRecord {
  int checkNumber;
  HandleObject head;  // the graph's own handle, as the table stamped it
  int *deletedNotice;  // set to 1 when the graph is deleted
  SharedGraphImage *image;
  int movieHandle = -1;
  GraphRestoreSource *restoreSource = nullptr;
  int sourceX = 0, sourceY = 0;  // where the picture starts in the file image
  int reverse = 0;               // left-right reversal it was loaded with
  int x = 0, y = 0;              // position inside the shared image
  int width = 0, height = 0;
  void *sideBuffers[2] = {};
  MEMIMG memImage = {};  // software: the view of the graph's rectangle
  int pieceCount = 0;    // hardware: the pieces, in texture-entry order
  GraphPiece *pieces = nullptr;
};

// The record of a valid graph handle; null for any other value.
GraphRecord *GetGraphRecord(int handle);
// 1 when the handle names a live graph, else 0.
int IsGraphHandleValid(int handle);

// The transparency a draw of the graph can honour.
static inline int GraphHasAlphaChannel(const GraphRecord *graph) {
  return graph && graph->image && graph->image->alphaChannel;
}
static inline int GraphHasColorKey(const GraphRecord *graph) {
  return graph && graph->image && graph->image->alphaTest;
}

#endif  // VELVANE_GRAPHICS_GRAPH_RECORDS_H

// The records behind a graph handle: the graph itself and the shared image
// whose rectangle it shows.
#ifndef VELVANE_GRAPHICS_GRAPH_RECORDS_H
#define VELVANE_GRAPHICS_GRAPH_RECORDS_H

#include <stdint.h>

struct SharedGraphImage {
  int referenceCount;
  int textureFormat;  // texture-format index 0-13
  // Creation bytes.
  uint8_t hardware;
  uint8_t alphaChannel;
  uint8_t drawTarget;
  uint8_t systemMemoryCopy;
  uint8_t compressedFormat;
  uint8_t mipLevels;
  uint8_t alphaTest;  // the colour key is honoured through the alpha test
};

struct GraphRecord {
  int checkNumber;
  int handle;
  int *deletedNotice;
  SharedGraphImage *image;
};

// The transparency a draw of the graph can honour.
static inline int GraphHasAlphaChannel(const GraphRecord *graph) {
  return graph && graph->image && graph->image->alphaChannel;
}
static inline int GraphHasColorKey(const GraphRecord *graph) {
  return graph && graph->image && graph->image->alphaTest;
}

#endif  // VELVANE_GRAPHICS_GRAPH_RECORDS_H

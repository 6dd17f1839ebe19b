#include "graphics/graphs/graph_create.h"

#include <stddef.h>

#include "core/app/framework_lifecycle.h"
#include "graphics/device/graphics_system.h"
#include "graphics/draw/camera.h"
#include "graphics/draw/draw_screen_lock.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/graphs/graph_handles.h"
#include "graphics/graphs/graph_images.h"
#include "graphics/graphs/graph_records.h"
#include "graphics/graphs/graph_transfer.h"
#include "graphics/images/base_image.h"
#include "graphics/state/render_state_cache.h"
#include "graphics/state/vertex_batch.h"
#include "softrender/softrender.h"

namespace {

int Clamp255(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }

void BindSubGraph(GraphRecord *graph, const GraphRecord *source, int x, int y, int w, int h) {
  graph->image = source->image;
  graph->image->referenceCount++;
  graph->restoreSource = source->restoreSource;
  if (graph->restoreSource) graph->restoreSource->referenceCount++;
  graph->sourceX = source->sourceX + x;
  graph->sourceY = source->sourceY + y;
  graph->reverse = source->reverse;
  graph->x = source->x + x;
  graph->y = source->y + y;
  graph->width = w < source->width - x ? w : source->width - x;
  graph->height = h < source->height - y ? h : source->height - y;
}

// A palette image stores indices: the colour becomes the index of the
// image's own palette entry nearest to it (the shared format record carries
// no palette of its own).
uint32_t PackColorForMemImg(const MEMIMG &image, int r, int g, int b, int a) {
  const MemImgBase *base = image.base;
  if (!base->paletteFlag) return PackColorToPixel(base->format, r, g, b, a);
  PixelFormat withPalette = *base->format;
  const PixelFormat *entryFormat = MemImgGetPixelFormat(base->formatCode, 0, 0);
  const int bytes = entryFormat->bytesPerPixel;
  const uint8_t *entries = static_cast<const uint8_t *>(base->palette);
  for (int i = 0; i < 256; i++) {
    int er = 0, eg = 0, eb = 0;
    UnpackPixelColor(entryFormat, ReadRawPixel(entries + i * bytes, bytes), &er, &eg, &eb, NULL);
    withPalette.palette[i][0] = static_cast<uint8_t>(eb);
    withPalette.palette[i][1] = static_cast<uint8_t>(eg);
    withPalette.palette[i][2] = static_cast<uint8_t>(er);
  }
  return PackColorToPixel(&withPalette, r, g, b, a);
}

// The blended fill draws only on plain colour images; palette and alpha
// images take the packed value as it is (the raw fill also forgets the run
// table and alpha plane built from the old pixels).
void FillSoftwareGraph(MEMIMG *view, int r, int g, int b, int a) {
  const uint32_t value = PackColorForMemImg(*view, r, g, b, a);
  if (view->base->paletteFlag || view->base->alphaFlag) {
    MemImgFillRect(view, NULL, value);
  } else {
    MemImgFillRectBlended(view, NULL, static_cast<int>(value));
  }
}

int FillDrawTargetPieces(GfxDevice *device, const GraphRecord *graph, uint32_t argb) {
  if (!device) return -1;
  FlushVertexBatch();
  EndDeviceScene();
  for (int i = 0; i < graph->pieceCount; i++) {
    const GraphPiece &piece = graph->pieces[i];
    const GfxRect area = {piece.srcX, piece.srcY, piece.srcX + piece.width,
                          piece.srcY + piece.height};
    if (device->ColorFill(piece.entry->surface, &area, argb) < 0) return -1;
  }
  return 0;
}

}  // namespace

int CreateEmptyGraph(int w, int h) {
  if (!IsGraphicsStarted()) return -1;
  WaitWhileInactive();
  const int handle = AddGraphHandle();
  if (handle < 0) return -1;
  if (CreateSharedGraphImage(-1, handle, w, h, 0, g_drawSettings.newGraphPalette, 0) < 0) {
    return -1;
  }
  return handle;
}

int MakeGraphForBaseImage(const BASEIMAGE *image, const BASEIMAGE *alpha) {
  if (!IsGraphicsStarted() || !image) return -1;
  WaitWhileInactive();
  if (alpha && (alpha->width != image->width || alpha->height != image->height)) return -1;
  const int hasAlpha = alpha || image->format.alphaMask ? 1 : 0;
  const int palette = image->format.bytesPerPixel == 1 && !hasAlpha ? 1 : 0;
  const int handle = AddGraphHandle();
  if (handle < 0) return -1;
  if (CreateSharedGraphImage(image->mipCount ? image->mipCount : -1, handle, image->width,
                             image->height, hasAlpha, palette,
                             static_cast<int>(image->format.compression)) < 0) {
    return -1;
  }
  return handle;
}

int CreateSubGraph(int x, int y, int w, int h, int source) {
  if (g_drawSettings.resetting) return 0;
  const GraphRecord *from = GetGraphRecord(source);
  if (!from || !from->image || x < 0 || y < 0 || x >= from->width || y >= from->height ||
      w < 1 || h < 1) {
    return -1;
  }
  const int handle = AddGraphHandle();
  if (handle < 0) return -1;
  BindSubGraph(GetGraphRecord(handle), from, x, y, w, h);
  if (BuildGraphPieces(handle) < 0) {
    DeleteGraphHandle(handle);
    return -1;
  }
  return handle;
}

int FillGraph(int handle, int r, int g, int b, int a) {
  GraphRecord *graph = GetGraphRecord(handle);
  if (!graph || !graph->image) return -1;
  r = Clamp255(r);
  g = Clamp255(g);
  b = Clamp255(b);
  a = Clamp255(a);
  if (!graph->image->hardware) {
    FillSoftwareGraph(&graph->memImage, r, g, b, a);
    return 0;
  }
  if (!graph->image->drawTarget) return 0;
  const uint32_t argb = (static_cast<uint32_t>(a) << 24) | (static_cast<uint32_t>(r) << 16) |
                        (static_cast<uint32_t>(g) << 8) | static_cast<uint32_t>(b);
  return FillDrawTargetPieces(StateDevice(), graph, argb);
}

int CopyDrawScreenToGraph(int x1, int y1, int x2, int y2, int handle) {
  const GraphRecord *graph = GetGraphRecord(handle);
  if (!graph || !graph->image || graph->width != x2 - x1 || graph->height != y2 - y1) return -1;
  int targetW = 0, targetH = 0;
  GetDrawTargetSize(&targetW, &targetH);
  if (x1 >= x2 || y1 >= y2 || x1 < 0 || y1 < 0 || x2 > targetW || y2 > targetH) return -1;
  // The lock ends the scene and reads the rectangle back on either path.
  const Rect area = {x1, y1, x2, y2};
  BASEIMAGE view;
  if (LockDrawScreenBuffer(&area, &view) < 0) return -1;
  const Rect whole = {0, 0, view.width, view.height};
  const int result = TransferImageToGraph(handle, &whole, 0, 0, &view, NULL, 0, 0);
  UnlockDrawScreenBuffer();
  return result;
}

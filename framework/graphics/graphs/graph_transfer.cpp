#include "graphics/graphs/graph_transfer.h"

#include <stddef.h>
#include <string.h>

#include "core/debug/log.h"
#include "core/debug/memory.h"
#include "graphics/device/direct3d_state.h"
#include "graphics/device/graphics_system.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/graphs/graph_handles.h"
#include "graphics/images/base_image.h"
#include "graphics/graphs/graph_images.h"
#include "graphics/graphs/graph_records.h"
#include "graphics/state/vertex_batch.h"
#include "softrender/softrender.h"

namespace {

int Min(int a, int b) { return a < b ? a : b; }
int Max(int a, int b) { return a > b ? a : b; }

bool RectInside(const Rect &r, const BASEIMAGE *image) {
  return r.left >= 0 && r.top >= 0 && r.right <= image->width && r.bottom <= image->height;
}

// One transfer: the source, the destination rectangle in image coordinates
// and how the key is applied.
struct Transfer {
  const BASEIMAGE *color;
  const BASEIMAGE *alpha;
  Rect src;            // inside the colour image
  int destX, destY;    // in the shared image
  int colorKey;
  SharedGraphImage *image;
};

// The part of the transfer that lands in an entry: the source rectangle and
// where it starts inside the texture.
struct EntryPart {
  Rect src;
  int x, y;
  int reachesRight, reachesBottom;  // ends at the entry's used edge
};

bool PartOf(const Transfer &t, const GraphTextureEntry &entry, EntryPart *part) {
  const int w = t.src.right - t.src.left, h = t.src.bottom - t.src.top;
  const int left = Max(t.destX, entry.x), top = Max(t.destY, entry.y);
  const int right = Min(t.destX + w, entry.x + entry.usedWidth);
  const int bottom = Min(t.destY + h, entry.y + entry.usedHeight);
  if (left >= right || top >= bottom) return false;
  part->src.left = t.src.left + left - t.destX;
  part->src.top = t.src.top + top - t.destY;
  part->src.right = part->src.left + right - left;
  part->src.bottom = part->src.top + bottom - top;
  part->x = left - entry.x;
  part->y = top - entry.y;
  part->reachesRight = right == entry.x + entry.usedWidth && entry.usedWidth < entry.textureWidth;
  part->reachesBottom =
      bottom == entry.y + entry.usedHeight && entry.usedHeight < entry.textureHeight;
  return true;
}

// The key becomes transparency only for a picture that carries no alpha of
// its own: a picture with alpha (or an alpha image) keeps its alpha whatever
// the destination's layout.
int KeyAppliesToAlpha(const Transfer &t) {
  return t.colorKey && !t.alpha && !t.color->format.alphaMask ? 1 : 0;
}

int KeyToAlpha(const Transfer &t, const PixelFormat *textureFormat) {
  return KeyAppliesToAlpha(t) && textureFormat->alphaMask ? 1 : 0;
}

int Convert(const Transfer &t, const PixelFormat *format, uint8_t *bits, int pitch,
            const Rect &src) {
  const BASEIMAGE *a = t.alpha;
  return BlitWithFormatConversion(bits, pitch, format, t.color->pixels, t.color->pitch,
                                  &t.color->format, a ? a->pixels : NULL, a ? a->pitch : 0,
                                  a ? &a->format : NULL, 0, 0, &src, 0, KeyToAlpha(t, format),
                                  static_cast<uint32_t>(t.image->colorKey), 0, 0, 0, 0, 0);
}

// Repeats the last column and row of a w x h block once more (right, below
// and the corner), so filtering at the used edge samples the picture.
void DuplicateEdges(uint8_t *bits, int pitch, int bytes, int w, int h, int right, int bottom) {
  if (right) {
    for (int y = 0; y < h; y++) {
      uint8_t *row = bits + static_cast<ptrdiff_t>(y) * pitch;
      memcpy(row + w * bytes, row + (w - 1) * bytes, static_cast<size_t>(bytes));
    }
  }
  if (bottom) {
    const size_t rowBytes = static_cast<size_t>(w + (right ? 1 : 0)) * bytes;
    memcpy(bits + static_cast<ptrdiff_t>(h) * pitch, bits + static_cast<ptrdiff_t>(h - 1) * pitch,
           rowBytes);
  }
}

int TransferOneLevel(GfxDevice *device, GfxTexture *texture, const Transfer &t,
                     const GraphTextureEntry &entry, const EntryPart &part,
                     const PixelFormat *format) {
  const int w = part.src.right - part.src.left, h = part.src.bottom - part.src.top;
  const bool dxt = format->compression != 0;
  const GfxRect lock = {part.x, part.y, part.x + w + (part.reachesRight && !dxt ? 1 : 0),
                        part.y + h + (part.reachesBottom && !dxt ? 1 : 0)};
  GfxLocked locked;
  if (device->LockTextureLevel(texture, 0, &lock, &locked) < 0) {
    return WriteLogLine("テクスチャのロックに失敗しました\n");
  }
  const bool whole = part.x == 0 && part.y == 0 && w == entry.textureWidth &&
                     h == entry.textureHeight;
  int result = 0;
  if (dxt) {
    // Same DXT format, whole blocks: the block rows are copied.
    const int blockBytes = format->compression == 1 ? 8 : 16;
    const int rowBytes = (w + 3) / 4 * blockBytes;
    const uint8_t *src = static_cast<const uint8_t *>(t.color->pixels) +
                         static_cast<ptrdiff_t>(part.src.top / 4) * t.color->pitch +
                         part.src.left / 4 * blockBytes;
    for (int y = 0; y < (h + 3) / 4; y++) {
      memcpy(locked.bits + static_cast<ptrdiff_t>(y) * locked.pitch,
             src + static_cast<ptrdiff_t>(y) * t.color->pitch, static_cast<size_t>(rowBytes));
    }
  } else if (whole && SamePixelLayout(&t.color->format, format) && !t.alpha &&
             !KeyToAlpha(t, format)) {
    const int bytes = format->bytesPerPixel;
    for (int y = 0; y < h; y++) {
      memcpy(locked.bits + static_cast<ptrdiff_t>(y) * locked.pitch,
             static_cast<const uint8_t *>(t.color->pixels) +
                 static_cast<ptrdiff_t>(part.src.top + y) * t.color->pitch +
                 part.src.left * bytes,
             static_cast<size_t>(w) * bytes);
    }
  } else {
    result = Convert(t, format, locked.bits, locked.pitch, part.src) < 0 ? -1 : 0;
    if (result == 0) {
      DuplicateEdges(locked.bits, locked.pitch, format->bytesPerPixel, w, h, part.reachesRight,
                     part.reachesBottom);
    }
  }
  device->UnlockTextureLevel(texture, 0);
  return result;
}

// A DXT image that brings the texture's whole mip chain in its own format.
bool CopiesDxtChain(const Transfer &t, const GraphTextureEntry &entry, const EntryPart &part,
                    const PixelFormat *format, int levels) {
  return format->compression && t.color->format.compression == format->compression &&
         t.color->mipCount >= levels && part.x == 0 && part.y == 0 && part.src.left == 0 &&
         part.src.top == 0 && t.color->width == entry.textureWidth &&
         t.color->height == entry.textureHeight &&
         part.src.right - part.src.left == entry.textureWidth &&
         part.src.bottom - part.src.top == entry.textureHeight;
}

int CopyDxtChain(GfxDevice *device, GfxTexture *texture, const Transfer &t,
                 const PixelFormat *format, int levels) {
  const uint8_t *src = static_cast<const uint8_t *>(t.color->pixels);
  int w = t.color->width, h = t.color->height;
  for (int level = 0; level < levels; level++) {
    GfxLocked locked;
    if (device->LockTextureLevel(texture, level, NULL, &locked) < 0) {
      return WriteLogLine("ミップマップテクスチャのロックに失敗しました\n");
    }
    const int blockBytes = format->compression == 1 ? 8 : 16;
    const int rowBytes = Max(1, (w + 3) / 4) * blockBytes, rows = Max(1, (h + 3) / 4);
    for (int y = 0; y < rows; y++) {
      memcpy(locked.bits + static_cast<ptrdiff_t>(y) * locked.pitch, src + y * rowBytes,
             static_cast<size_t>(rowBytes));
    }
    device->UnlockTextureLevel(texture, level);
    int levelBytes = 0;
    ComputeDxtLevelBytes(format->compression, w, h, &levelBytes);
    src += levelBytes;
    w = Max(1, w / 2);
    h = Max(1, h / 2);
  }
  return 0;
}

// Converts the part once, then halves it level by level into the texture.
int TransferMipChain(GfxDevice *device, GfxTexture *texture, const Transfer &t,
                     const EntryPart &part, const PixelFormat *format, int levels) {
  int w = part.src.right - part.src.left, h = part.src.bottom - part.src.top;
  const int bufferW = NextPowerOfTwoSide(w), bufferH = NextPowerOfTwoSide(h);
  const int bytes = format->bytesPerPixel;
  const int pitch = bufferW * bytes;
  uint8_t *buffer = static_cast<uint8_t *>(VV_ALLOC_ZEROED(static_cast<size_t>(pitch) * bufferH * 2));
  if (!buffer) {
    return WriteLogLine(
        "テクスチャへ転送する画像を一時的に格納するメモリ領域の確保に失敗しました\n");
  }
  uint8_t *halves[2] = {buffer, buffer + static_cast<size_t>(pitch) * bufferH};
  int result = Convert(t, format, halves[0], pitch, part.src) < 0 ? -1 : 0;
  int x = part.x, y = part.y;
  for (int level = 0; level < levels && result == 0; level++) {
    const uint8_t *current = halves[level & 1];
    const GfxRect lock = {x, y, x + w, y + h};
    GfxLocked locked;
    if (device->LockTextureLevel(texture, level, &lock, &locked) < 0) {
      result = WriteLogLine("ミップマップテクスチャのロックに失敗しました\n");
      break;
    }
    for (int row = 0; row < h; row++) {
      memcpy(locked.bits + static_cast<ptrdiff_t>(row) * locked.pitch,
             current + static_cast<ptrdiff_t>(row) * pitch, static_cast<size_t>(w) * bytes);
    }
    device->UnlockTextureLevel(texture, level);
    if (level + 1 < levels) {
      HalveBaseImagePixels(format, halves[(level + 1) & 1], pitch, current, pitch, 0, 0, 0, 0, w,
                           h);
    }
    w = Max(1, w / 2);
    h = Max(1, h / 2);
    x /= 2;
    y /= 2;
  }
  VV_FREE(buffer);
  return result;
}

int TransferToEntry(GfxDevice *device, const Transfer &t, const GraphTextureEntry &entry,
                    const EntryPart &part, const PixelFormat *format) {
  GfxTexture *texture = entry.systemTexture ? entry.systemTexture : entry.videoTexture;
  const int levels = Max(1, t.image->mipLevelCount);
  int result;
  if (levels == 1) {
    result = TransferOneLevel(device, texture, t, entry, part, format);
  } else if (CopiesDxtChain(t, entry, part, format, levels)) {
    result = CopyDxtChain(device, texture, t, format, levels);
  } else {
    result = TransferMipChain(device, texture, t, part, format, levels);
  }
  if (result == 0 && entry.systemTexture &&
      device->UpdateTexture(entry.systemTexture, entry.videoTexture) < 0) {
    result = -1;
  }
  return result;
}

int TransferToTextures(const Transfer &t) {
  GfxDevice *device = GetGfxDevice();
  if (!device) return -1;
  const PixelFormat *format = GraphTexturePixelFormat(t.image);
  for (int i = 0; i < t.image->entryCount; i++) {
    const GraphTextureEntry &entry = t.image->entries[i];
    EntryPart part;
    if (!PartOf(t, entry, &part)) continue;
    if (format->compression && t.color->format.compression != format->compression) {
      WriteLogLine(
          "DXTフォーマットのテクスチャに標準形式のイメージを転送することはできません\n");
      continue;
    }
    if (TransferToEntry(device, t, entry, part, format) < 0) return -1;
  }
  return 0;
}

// Draw targets take the rectangle through a system-memory surface.
int TransferToDrawTarget(const Transfer &t) {
  GfxDevice *device = GetGfxDevice();
  if (!device) return -1;
  const int w = t.src.right - t.src.left, h = t.src.bottom - t.src.top;
  const int d3dFormat = g_d3d.table.formats[t.image->textureFormat];
  GfxSurface *system = NULL;
  if (device->CreateSystemSurface(w, h, d3dFormat, &system) < 0) {
    return WriteLogLine("画像転送用のシステムメモリテクスチャの作成に失敗しました\n");
  }
  GfxLocked locked;
  int result = device->LockSurface(system, NULL, 0, &locked);
  if (result == 0) {
    result = Convert(t, GraphTexturePixelFormat(t.image), locked.bits, locked.pitch, t.src) < 0
                 ? -1
                 : 0;
    device->UnlockSurface(system);
  }
  for (int i = 0; i < t.image->entryCount && result == 0; i++) {
    const GraphTextureEntry &entry = t.image->entries[i];
    EntryPart part;
    if (!PartOf(t, entry, &part)) continue;
    const GfxRect from = {part.src.left - t.src.left, part.src.top - t.src.top,
                          part.src.right - t.src.left, part.src.bottom - t.src.top};
    if (device->UpdateSurface(system, &from, entry.surface, part.x, part.y) < 0) {
      result = WriteLogLine("描画可能テクスチャへの画像の転送に失敗しました\n");
    }
  }
  device->ReleaseSurface(system);
  return result;
}

int TransferToMemImg(const Transfer &t, GraphRecord *graph, int imageCoordinates) {
  SharedGraphImage *image = t.image;
  MEMIMG *target = imageCoordinates ? &image->memImage : &graph->memImage;
  int x = t.destX - (imageCoordinates ? 0 : graph->x);
  int y = t.destY - (imageCoordinates ? 0 : graph->y);
  Rect src = t.src;
  if (x < 0) {
    src.left -= x;
    x = 0;
  }
  if (y < 0) {
    src.top -= y;
    y = 0;
  }
  src.right = Min(src.right, src.left + target->width - x);
  src.bottom = Min(src.bottom, src.top + target->height - y);
  if (src.right <= src.left || src.bottom <= src.top) return 0;
  if (MemImgBlitFromBaseImage(t.color, t.alpha, target, src.left, src.top,
                              src.right - src.left, src.bottom - src.top, x, y,
                              KeyAppliesToAlpha(t), static_cast<uint32_t>(image->colorKey)) < 0) {
    return -1;
  }
  if (image->palette && t.color->format.bytesPerPixel == 1) {
    // The entry the key falls on (the first equal one when present), as
    // the hardware conversion keys it.
    const uint32_t key = static_cast<uint32_t>(image->colorKey);
    target->base->colorKey = PackColorToPixel(&t.color->format, (key >> 16) & 0xFF,
                                              (key >> 8) & 0xFF, key & 0xFF, 0);
  }
  return 0;
}

}  // namespace

int SamePixelLayout(const PixelFormat *a, const PixelFormat *b) {
  return a->bitsPerPixel == b->bitsPerPixel && a->bytesPerPixel == b->bytesPerPixel &&
         a->redMask == b->redMask && a->greenMask == b->greenMask &&
         a->blueMask == b->blueMask && a->alphaMask == b->alphaMask &&
         a->compression == b->compression;
}

int TransferImageToGraph(int handle, const Rect *src, int destX, int destY,
                         const BASEIMAGE *color, const BASEIMAGE *alpha, int colorKey,
                         int imageCoordinates) {
  if (!IsGraphicsStarted() || !src || !color) return -1;
  GraphRecord *graph = GetGraphRecord(handle);
  if (!graph || !graph->image) return -1;
  FlushVertexBatch();
  if (src->right <= src->left || src->bottom <= src->top) return 0;
  // The converter trusts its rectangle: one reaching past either image
  // would read outside its pixels.
  if (!RectInside(*src, color) || (alpha && !RectInside(*src, alpha))) return -1;
  Transfer t = {color, alpha, *src, destX, destY, colorKey, graph->image};
  if (!imageCoordinates) {
    t.destX += graph->x;
    t.destY += graph->y;
  }
  if (!graph->image->hardware) return TransferToMemImg(t, graph, imageCoordinates);
  BASEIMAGE decoded;
  memset(&decoded, 0, sizeof decoded);
  const PixelFormat *format = GraphTexturePixelFormat(graph->image);
  if (color->format.compression && !format->compression) {
    // A DXT picture for a plain texture is decoded first, into a copy.
    int bytes = 0;
    decoded = *color;
    decoded.pixels = NULL;
    if (ComputeDxtLevelBytes(color->format.compression, color->width, color->height, &bytes) ==
        0) {
      decoded.pixels = VV_ALLOC(bytes);
    }
    if (!decoded.pixels) return WriteLogLine("標準イメージ用のメモリ確保に失敗しました\n");
    memcpy(decoded.pixels, color->pixels, static_cast<size_t>(bytes));
    if (ConvertDxtToPlain(&decoded) < 0) {
      FreeBaseImage(&decoded);
      return WriteLogLine("標準イメージ用のメモリ確保に失敗しました\n");
    }
    t.color = &decoded;
  }
  const int result = graph->image->drawTarget ? TransferToDrawTarget(t) : TransferToTextures(t);
  if (decoded.pixels) FreeBaseImage(&decoded);
  return result;
}

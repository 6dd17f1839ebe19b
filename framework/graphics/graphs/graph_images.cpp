#include "graphics/graphs/graph_images.h"

#include <new>
#include <stddef.h>
#include <string.h>

#include "core/debug/log.h"
#include "core/debug/memory.h"
#include "graphics/device/direct3d_state.h"
#include "graphics/device/screen_settings.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/graphs/graph_formats.h"
#include "graphics/graphs/graph_handles.h"
#include "graphics/graphs/graph_records.h"
#include "graphics/state/render_state_cache.h"
#include "softrender/softrender.h"

namespace {

enum { kMaxEntries = GRAPH_MAX_SPLIT * GRAPH_MAX_SPLIT * 8 };

struct GraphCreationExtras {
  int singleTexture;
  int drawTargetAlpha;
  PixelFormat indexFormats[TEXFMT_COUNT];
  int indexFormatsReady;
};

GraphCreationExtras g_extras;

// Entries of a hardware image before the image is allocated.
struct EntryLayout {
  int count;
  GraphTextureEntry entries[kMaxEntries];
};

EntryLayout g_layout;

int Min(int a, int b) { return a < b ? a : b; }
int Max(int a, int b) { return a > b ? a : b; }

// Adds the entry, cut into squares of its smaller side when the device
// takes only square textures (squares past the image are left out).
void AddEntry(int x, int y, int tw, int th, int imageW, int imageH, int squareOnly) {
  const int side = Min(tw, th);
  const int stepsX = squareOnly ? tw / side : 1, stepsY = squareOnly ? th / side : 1;
  const int w = squareOnly ? side : tw, h = squareOnly ? side : th;
  for (int j = 0; j < stepsY; j++) {
    for (int i = 0; i < stepsX; i++) {
      const int ex = x + i * w, ey = y + j * h;
      if (ex >= imageW || ey >= imageH || g_layout.count >= kMaxEntries) continue;
      GraphTextureEntry &entry = g_layout.entries[g_layout.count++];
      memset(&entry, 0, sizeof entry);
      entry.x = ex;
      entry.y = ey;
      entry.usedWidth = Min(imageW - ex, w);
      entry.usedHeight = Min(imageH - ey, h);
      entry.textureWidth = w;
      entry.textureHeight = h;
    }
  }
}

// One texture for the whole image: draw targets, whose drawing, lock, copy
// and clear go to one surface, and the single-texture setting. -1 when it
// would pass the device maximum.
int LayOutOneTexture(int w, int h, int squareOnly) {
  int tw = NextPowerOfTwoSide(w), th = NextPowerOfTwoSide(h);
  if (squareOnly) tw = th = Max(tw, th);
  if (tw > g_d3d.maxTextureWidth || th > g_d3d.maxTextureHeight) return -1;
  AddEntry(0, 0, tw, th, w, h, 0);
  return 0;
}

int LayOutSplit(int w, int h, int squareOnly) {
  int columns[GRAPH_MAX_SPLIT], rows[GRAPH_MAX_SPLIT];
  const int screenWidth = GetScreenWidthSetting();
  const int nx = SplitGraphSide(w, g_d3d.maxTextureWidth, screenWidth, columns);
  const int ny = SplitGraphSide(h, g_d3d.maxTextureHeight, screenWidth, rows);
  int y = 0;
  for (int j = 0; j < ny; j++) {
    int x = 0;
    for (int i = 0; i < nx; i++) {
      AddEntry(x, y, columns[i], rows[j], w, h, squareOnly);
      x += columns[i];
    }
    y += rows[j];
  }
  return g_layout.count > 0 ? 0 : -1;
}

int CountLevels(int requested, int w, int h) {
  const int full = FullMipChainLevels(w, h);
  if (requested == -1) requested = GetNewGraphMipmapLevels();
  if (requested == -1) return full;
  if (requested <= 1) return 1;
  return Min(requested, full);
}

struct CreationBytes {
  int hardware, alpha, drawTarget, systemCopy, compressed, levels, alphaTest, colorBits;
};

CreationBytes DecideCreationBytes(int levels, int alpha, int compressed) {
  const DrawSettings &s = g_drawSettings;
  CreationBytes b = {};
  b.hardware = IsHardwareRenderingActive();
  if (s.makeDrawTargetGraphs) {
    b.drawTarget = 1;
    b.alpha = g_extras.drawTargetAlpha;
    b.systemCopy = 1;
    b.levels = 1;
  } else {
    b.alpha = alpha;
    b.systemCopy = s.keepSystemMemoryCopy || g_d3d.exDevice;
    b.alphaTest = s.newGraphAlphaTest;
    b.compressed = compressed;
    b.levels = levels;
  }
  if (!b.hardware) {
    // The software kernels draw only between images of the screen's format.
    b.drawTarget = 1;
    b.colorBits = GetScreenColorBits() == 32 ? 32 : 16;
    return b;
  }
  if (b.alpha) b.alphaTest = 0;
  if (s.newGraphColorBits) {
    b.colorBits = s.newGraphColorBits;
  } else {
    b.colorBits = b.alpha ? 32 : GetScreenColorBits();
  }
  b.colorBits = b.colorBits == 32 ? 32 : 16;
  return b;
}

SharedGraphImage *NewHardwareImage(int entryCount) {
  const size_t bytes =
      sizeof(SharedGraphImage) + static_cast<size_t>(entryCount) * sizeof(GraphTextureEntry);
  void *block = VV_ALLOC_ZEROED(bytes);
  if (!block) return NULL;
  SharedGraphImage *image = new (block) SharedGraphImage{};
  image->entries = reinterpret_cast<GraphTextureEntry *>(image + 1);
  image->entryCount = entryCount;
  memcpy(image->entries, g_layout.entries,
         static_cast<size_t>(entryCount) * sizeof(GraphTextureEntry));
  return image;
}

int CreateSoftwareImage(SharedGraphImage *image, int w, int h, int alpha, int palette) {
  const int formatCode = image->colorBits == 16 ? 0 : 1;
  uint32_t key = 0xFFFF;
  if (!palette) {
    const PixelFormat *format = MemImgGetPixelFormat(formatCode, 0, 0);
    const uint32_t rgb = static_cast<uint32_t>(image->colorKey);
    key = PackColorToPixel(format, (rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF, 0);
  }
  if (MemImgCreate(&image->memImage, w, h, -1, key, formatCode, palette, alpha, 1, NULL) < 0) {
    return WriteLogLine("メモリイメージの作成に失敗しました\n");
  }
  return 0;
}

void FreeNewImage(SharedGraphImage *image) {
  ReleaseGraphTextures(image);
  if (MemImgIsValid(&image->memImage)) MemImgRelease(&image->memImage);
  VV_FREE(image);
}

void FillPiece(GraphPiece *piece, const GraphRecord *graph, GraphTextureEntry *entry) {
  const int left = Max(graph->x, entry->x), top = Max(graph->y, entry->y);
  const int right = Min(graph->x + graph->width, entry->x + entry->usedWidth);
  const int bottom = Min(graph->y + graph->height, entry->y + entry->usedHeight);
  piece->destX = left - graph->x;
  piece->destY = top - graph->y;
  piece->srcX = left - entry->x;
  piece->srcY = top - entry->y;
  piece->width = right - left;
  piece->height = bottom - top;
  piece->entry = entry;
  const float tw = static_cast<float>(entry->textureWidth);
  const float th = static_cast<float>(entry->textureHeight);
  const float gw = static_cast<float>(graph->width), gh = static_cast<float>(graph->height);
  for (int corner = 0; corner < GRAPH_CORNERS; corner++) {
    const int right = corner & 1, lower = corner >> 1;
    GraphPieceCorner &c = piece->corners[corner];
    c.x = static_cast<float>(piece->destX + (right ? piece->width : 0));
    c.y = static_cast<float>(piece->destY + (lower ? piece->height : 0));
    c.u = static_cast<float>(piece->srcX + (right ? piece->width : 0)) / tw;
    c.v = static_cast<float>(piece->srcY + (lower ? piece->height : 0)) / th;
    piece->cornerFlags[corner] = c.y <= gh - c.x * gh / gw ? 1 : 0;
  }
}

bool Overlaps(const GraphRecord *graph, const GraphTextureEntry &entry) {
  return graph->x < entry.x + entry.usedWidth && entry.x < graph->x + graph->width &&
         graph->y < entry.y + entry.usedHeight && entry.y < graph->y + graph->height;
}

int BuildHardwarePieces(GraphRecord *graph) {
  SharedGraphImage *image = graph->image;
  int count = 0;
  for (int i = 0; i < image->entryCount; i++) count += Overlaps(graph, image->entries[i]);
  if (count == 0) return WriteLogLine("テクスチャ描画情報の作成に失敗しました\n");
  GraphPiece *pieces = static_cast<GraphPiece *>(
      VV_REALLOC(graph->pieces, static_cast<size_t>(count) * sizeof(GraphPiece)));
  if (!pieces) return WriteLogLine("画像描画情報格納用メモリの確保に失敗しました\n");
  graph->pieces = pieces;
  graph->pieceCount = count;
  int n = 0;
  for (int i = 0; i < image->entryCount; i++) {
    if (Overlaps(graph, image->entries[i])) FillPiece(&pieces[n++], graph, &image->entries[i]);
  }
  return 0;
}

void ReleaseDrawTargetExtras(SharedGraphImage *image, GfxDevice *device) {
  for (int i = 0; i < image->entryCount; i++) {
    GraphTextureEntry &entry = image->entries[i];
    if (entry.extraSurface && device) device->ReleaseSurface(entry.extraSurface);
    entry.extraSurface = NULL;
  }
}

int TextureBytesPerPixel(const SharedGraphImage *image) {
  const PixelFormat *format = GraphTexturePixelFormat(image);
  return format ? format->bytesPerPixel : 4;
}

// Zero bytes in every level of a plain texture (through its system copy).
int ClearEntryLevels(GfxDevice *device, const SharedGraphImage *image,
                     const GraphTextureEntry &entry) {
  GfxTexture *texture = entry.systemTexture ? entry.systemTexture : entry.videoTexture;
  int w = entry.textureWidth, h = entry.textureHeight;
  const int bytes = TextureBytesPerPixel(image);
  for (int level = 0; level < image->mipLevelCount; level++) {
    GfxLocked locked;
    if (device->LockTextureLevel(texture, level, NULL, &locked) < 0) {
      return WriteLogLine("テクスチャのロックに失敗しました\n");
    }
    for (int y = 0; y < h; y++) {
      memset(locked.bits + static_cast<ptrdiff_t>(y) * locked.pitch, 0,
             static_cast<size_t>(w) * bytes);
    }
    device->UnlockTextureLevel(texture, level);
    w = Max(1, w / 2);
    h = Max(1, h / 2);
  }
  if (entry.systemTexture && device->UpdateTexture(entry.systemTexture, entry.videoTexture) < 0) {
    return -1;
  }
  return 0;
}

int CreateEntryTextures(GfxDevice *device, const SharedGraphImage *image, int format,
                        GraphTextureEntry *entry) {
  GfxTextureDesc desc = {entry->textureWidth, entry->textureHeight, image->mipLevelCount,
                         format, 0, GFX_POOL_MANAGED};
  if (image->drawTarget) desc.usage = GFX_USAGE_RENDER_TARGET;
  if (image->drawTarget || image->systemMemoryCopy) desc.pool = GFX_POOL_DEFAULT;
  if (device->CreateGraphTexture(&desc, &entry->videoTexture) < 0) {
    entry->videoTexture = NULL;
    return WriteLogLine("書き込み専用テクスチャの作成に失敗しました\n");
  }
  // A draw target's pixels are made by the device and images reach it
  // through a surface of their own: a system copy would never be read or
  // kept current, so none is made although the byte says one is kept.
  if (image->systemMemoryCopy && !image->drawTarget) {
    GfxTextureDesc system = desc;
    system.usage = GFX_USAGE_DYNAMIC;
    system.pool = GFX_POOL_SYSTEM;
    if (device->CreateGraphTexture(&system, &entry->systemTexture) < 0) {
      entry->systemTexture = NULL;
      return WriteLogLine("メモリテクスチャの作成に失敗しました\n");
    }
  }
  if (device->GetTextureSurface(entry->videoTexture, 0, &entry->surface) < 0) {
    entry->surface = NULL;
    return WriteLogLine("テクスチャのサーフェスアドレスの取得に失敗しました\n");
  }
  if (image->drawTarget) return device->ColorFill(entry->surface, NULL, 0) < 0 ? -1 : 0;
  if (image->compressedFormat) return 0;
  return ClearEntryLevels(device, image, *entry);
}

void PrepareIndexFormats(void) {
  if (g_extras.indexFormatsReady) return;
  struct Masks {
    int bits;
    uint32_t a, r, g, b;
  };
  static const Masks kMasks[TEXFMT_COUNT] = {
      {16, 0, 0xF800, 0x07E0, 0x001F},                      // R5G6B5
      {32, 0, 0xFF0000, 0xFF00, 0xFF},                      // X8R8G8B8
      {16, 0xF000, 0x0F00, 0x00F0, 0x000F},                 // A4R4G4B4
      {32, 0xFF000000u, 0xFF0000, 0xFF00, 0xFF},            // A8R8G8B8
      {16, 0x8000, 0x7C00, 0x03E0, 0x001F},                 // A1R5G5B5
      {32, 0xFF000000u, 0xFF0000, 0xFF00, 0xFF},            // A8R8G8B8
      {32, 0xFF000000u, 0xFF0000, 0xFF00, 0xFF},            // DXT1-DXT5
      {32, 0xFF000000u, 0xFF0000, 0xFF00, 0xFF},
      {32, 0xFF000000u, 0xFF0000, 0xFF00, 0xFF},
      {32, 0xFF000000u, 0xFF0000, 0xFF00, 0xFF},
      {32, 0xFF000000u, 0xFF0000, 0xFF00, 0xFF},
      {16, 0, 0xF800, 0x07E0, 0x001F},                      // R5G6B5
      {32, 0, 0xFF0000, 0xFF00, 0xFF},                      // X8R8G8B8
      {32, 0xFF000000u, 0xFF0000, 0xFF00, 0xFF}};           // A8R8G8B8
  for (int i = 0; i < TEXFMT_COUNT; i++) {
    PixelFormat &format = g_extras.indexFormats[i];
    MakePixelFormatFromMasks(&format, kMasks[i].bits, kMasks[i].r, kMasks[i].g, kMasks[i].b,
                             kMasks[i].a);
    if (i >= TEXFMT_DXT1 && i <= TEXFMT_DXT5) {
      format.compression = static_cast<uint32_t>(i - TEXFMT_DXT1 + 1);
      format.bitsPerPixel = i == TEXFMT_DXT1 ? 4 : 8;
    }
  }
  g_extras.indexFormatsReady = 1;
}

}  // namespace

int NextPowerOfTwoSide(int n) {
  int size = 8;
  while (size < n) size *= 2;
  return size;
}

int SplitGraphSide(int n, int maxSize, int screenWidth, int sizes[GRAPH_MAX_SPLIT]) {
  if (n <= 8) {
    sizes[0] = 8;
    return 1;
  }
  int e = maxSize;
  while (e > 8 && e > n) e /= 2;
  if (n < screenWidth && 2 * e <= maxSize) {
    sizes[0] = e == n ? e : 2 * e;
    return 1;
  }
  int count = 0;
  int remainder = n;
  while (count < GRAPH_MAX_SPLIT) {
    sizes[count++] = e;
    remainder -= e;
    if (remainder <= 0) break;
    if (remainder * 4 > e * 3 && e < maxSize) {
      sizes[count - 1] = 2 * e;
      break;
    }
    while (e > remainder && e > 8) e /= 2;
  }
  if (count >= 2 && sizes[count - 1] == sizes[count - 2] && 2 * sizes[count - 1] <= maxSize) {
    sizes[count - 2] *= 2;
    count--;
  }
  return count;
}

int FullMipChainLevels(int w, int h) {
  int levels = 1;
  while (w > 1 || h > 1) {
    w = Max(1, w / 2);
    h = Max(1, h / 2);
    levels++;
  }
  return levels;
}

int GetGraphFormatIndex(int compressed, int drawTarget, int alpha, int alphaTest,
                        int colorBits) {
  const int bits32 = colorBits == 32 ? 1 : 0;
  if (compressed >= 1 && compressed <= 5) return TEXFMT_DXT1 + compressed - 1;
  if (drawTarget) {
    if (alpha || alphaTest) return TEXFMT_TARGET_ALPHA_32;
    return bits32 ? TEXFMT_TARGET_32 : TEXFMT_TARGET_16;
  }
  if (alpha) return TEXFMT_ALPHA_16 + bits32;
  if (alphaTest) return TEXFMT_ALPHATEST_16 + bits32;
  return TEXFMT_16 + bits32;
}

const PixelFormat *GetTextureIndexPixelFormat(int index) {
  if (index < 0 || index >= TEXFMT_COUNT) return NULL;
  PrepareIndexFormats();
  return &g_extras.indexFormats[index];
}

const PixelFormat *GetTextureFormatForFlags(int alpha, int alphaTest, int bits32,
                                            int drawTarget) {
  return GetTextureIndexPixelFormat(
      GetGraphFormatIndex(0, drawTarget, alpha, alphaTest, bits32 ? 32 : 16));
}

const PixelFormat *GraphTexturePixelFormat(const SharedGraphImage *image) {
  const int index = image->textureFormat;
  if (index >= TEXFMT_DXT1 && index <= TEXFMT_DXT5) return GetTextureIndexPixelFormat(index);
  const PixelFormat *format = GetD3DFormatPixelFormat(g_d3d.table.formats[index]);
  return format ? format : GetTextureIndexPixelFormat(index);
}

int CreateSharedGraphImage(int mipLevels, int handle, int w, int h, int alpha, int palette,
                           int compressed) {
  GraphRecord *graph = GetGraphRecord(handle);
  if (!graph) return -1;
  if (w < 1 || h < 1) {
    DeleteGraphHandle(handle);
    return -1;
  }
  const CreationBytes bytes = DecideCreationBytes(CountLevels(mipLevels, w, h), alpha,
                                                  compressed);
  SharedGraphImage *image = NULL;
  if (bytes.hardware) {
    const int squareOnly = g_d3d.caps.textureSquareOnly;
    g_layout.count = 0;
    const int laid = bytes.drawTarget || g_extras.singleTexture
                         ? LayOutOneTexture(w, h, squareOnly)
                         : LayOutSplit(w, h, squareOnly);
    image = laid < 0 ? NULL : NewHardwareImage(g_layout.count);
  } else {
    void *block = VV_ALLOC_ZEROED(sizeof(SharedGraphImage));
    image = block ? new (block) SharedGraphImage{} : NULL;
  }
  if (!image) {
    DeleteGraphHandle(handle);
    return WriteLogLine(
        "グラフィックのオリジナル画像データ保存用メモリの確保に失敗しました\n");
  }
  image->hardware = static_cast<uint8_t>(bytes.hardware);
  image->alphaChannel = static_cast<uint8_t>(bytes.alpha);
  image->drawTarget = static_cast<uint8_t>(bytes.drawTarget);
  image->systemMemoryCopy = static_cast<uint8_t>(bytes.hardware ? bytes.systemCopy : 0);
  image->compressedFormat = static_cast<uint8_t>(bytes.compressed);
  image->mipLevels = static_cast<uint8_t>(bytes.levels > 1 ? bytes.levels : 0);
  image->alphaTest = static_cast<uint8_t>(bytes.alphaTest);
  image->colorBits = static_cast<uint8_t>(bytes.colorBits);
  image->palette = static_cast<uint8_t>(bytes.hardware ? 0 : palette);
  image->colorKey = static_cast<int>(g_drawSettings.colorKey & 0xFFFFFF);
  image->width = w;
  image->height = h;
  image->referenceCount = 1;
  image->mipLevelCount = bytes.hardware ? bytes.levels : 0;
  if (!bytes.hardware && CreateSoftwareImage(image, w, h, bytes.alpha, palette) < 0) {
    FreeNewImage(image);
    DeleteGraphHandle(handle);
    return -1;
  }
  graph->image = image;
  graph->x = graph->y = 0;
  graph->width = w;
  graph->height = h;
  if (bytes.hardware) {
    image->textureFormat = GetGraphFormatIndex(bytes.compressed, bytes.drawTarget, bytes.alpha,
                                               bytes.alphaTest, bytes.colorBits);
    if (CreateGraphTextures(image) < 0) {
      DeleteGraphHandle(handle);
      return -1;
    }
  }
  if (BuildGraphPieces(handle) < 0) {
    DeleteGraphHandle(handle);
    return -1;
  }
  return 0;
}

int BuildGraphPieces(int handle) {
  GraphRecord *graph = GetGraphRecord(handle);
  if (!graph || !graph->image) return -1;
  if (!graph->image->hardware) {
    if (MemImgIsValid(&graph->memImage)) MemImgRelease(&graph->memImage);
    MemImgMakeSubImage(&graph->memImage, &graph->image->memImage, graph->x, graph->y,
                       graph->width, graph->height);
    return MemImgIsValid(&graph->memImage) ? 0 : -1;
  }
  return BuildHardwarePieces(graph);
}

int CreateGraphTextures(SharedGraphImage *image) {
  // A lost device (a rebuild that got none back) can make no texture.
  GfxDevice *device = StateDevice();
  const int format = g_d3d.table.formats[image->textureFormat];
  if (!device || format == 0) {
    return WriteLogLine(
        "指定のフォーマットで作成できるテクスチャフォーマットがありませんでした\n");
  }
  for (int i = 0; i < image->entryCount; i++) {
    GraphTextureEntry *entry = &image->entries[i];
    if (entry->videoTexture) continue;
    if (CreateEntryTextures(device, image, format, entry) < 0) return -1;
  }
  return 0;
}

int ReleaseGraphTextures(SharedGraphImage *image) {
  if (!image || !image->hardware) return 0;
  GfxDevice *device = GetGfxDevice();
  for (int i = 0; i < image->entryCount; i++) {
    GraphTextureEntry &entry = image->entries[i];
    if (device) {
      if (entry.surface) device->ReleaseSurface(entry.surface);
      if (entry.videoTexture) device->ReleaseTexture(entry.videoTexture);
      if (entry.systemTexture) device->ReleaseTexture(entry.systemTexture);
    }
    entry.surface = NULL;
    entry.videoTexture = NULL;
    entry.systemTexture = NULL;
  }
  return 0;
}

void ReleaseSharedGraphImage(SharedGraphImage *image) {
  if (!image || --image->referenceCount > 0) return;
  if (image->hardware) {
    ReleaseDrawTargetExtras(image, GetGfxDevice());
    ReleaseGraphTextures(image);
  } else if (MemImgIsValid(&image->memImage)) {
    MemImgRelease(&image->memImage);
  }
  VV_FREE(image);
}

int GetGraphSingleTexture(void) { return g_extras.singleTexture; }
void SetGraphSingleTexture(int on) { g_extras.singleTexture = on ? 1 : 0; }
int GetDrawTargetGraphAlpha(void) { return g_extras.drawTargetAlpha; }
void SetDrawTargetGraphAlpha(int on) { g_extras.drawTargetAlpha = on ? 1 : 0; }

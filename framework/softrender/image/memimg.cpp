// MEMIMG views and their shared, reference-counted base: creation, the
// screen image, sub-images, release, the format records and the
// format-converting copy between two images.
#include <string.h>

#include "core/debug/memory.h"
#include "graphics/images/base_image.h"
#include "graphics/device/screen_settings.h"
#include "softrender/softrender.h"

namespace {

enum {
  PALETTE_BLOCK_BYTES = 2048,
  PALETTE_COPY_OFFSET = 1024,
  RUN_TABLE_EXTRA_BYTES = 5,
  COMPUTED_PITCH_ALIGNMENT = 16
};

// The shared format records, built on first request and never freed.
struct MemImgFormatRecords {
  PixelFormat color[2][2][2];  // [code 0/1][alpha][palette]
  int colorBuilt[2][2][2];
  PixelFormat single[2];  // codes 2 and 3
  int singleBuilt[2];
};

MemImgFormatRecords g_formats;

// The blocks one creation attempt allocates; freed together on failure.
struct CreationBlocks {
  MemImgBase *base;
  uint8_t *palette;
  uint8_t *pixels;
  uint8_t *alphaPlane;
  uint8_t *runTable;
};

const uint32_t kColorMasks[2][4] = {
    {0xF800, 0x07E0, 0x001F, 0xFF0000},
    {0xFF0000, 0xFF00, 0xFF, 0xFF000000},
};

void BuildColorFormat(PixelFormat *f, int code, int alpha, int palette) {
  const uint32_t *m = kColorMasks[code];
  const int bits = palette ? 8 : (code == 0 && !alpha ? 16 : 32);
  memset(f, 0, sizeof(*f));
  MakePixelFormatFromMasks(f, bits, m[0], m[1], m[2], alpha ? m[3] : 0);
}

void BuildSingleChannelFormat(PixelFormat *f, int bits) {
  const uint32_t mask = bits == 8 ? 0xFFu : 0xFFFFu;
  memset(f, 0, sizeof(*f));
  f->bitsPerPixel = static_cast<uint16_t>(bits);
  f->bytesPerPixel = static_cast<uint16_t>(bits / 8);
  f->redBits = f->greenBits = f->blueBits = f->alphaBits = static_cast<uint8_t>(bits);
  f->redMask = f->greenMask = f->blueMask = f->alphaMask = mask;
}

int BytesPerPixelOf(int code, int alpha, int palette) {
  static const int kBytes[4] = {2, 4, 1, 2};
  if (palette) return 1;
  if (code == 0 && alpha) return 4;
  return kBytes[code];
}

int PitchShiftOf(int rowBytes, int pitch) {
  int64_t g = 1;
  int shift = 0;
  while (g < rowBytes) {
    g <<= 1;
    ++shift;
  }
  return g == pitch ? shift : -1;
}

void FreeCreationBlocks(CreationBlocks *blocks) {
  VV_FREE(blocks->runTable);
  VV_FREE(blocks->alphaPlane);
  VV_FREE(blocks->pixels);
  VV_FREE(blocks->palette);
  VV_FREE(blocks->base);
}

// A failed creation leaves nothing behind: a retry starts from scratch.
int FailCreation(MEMIMG *image, CreationBlocks *blocks) {
  FreeCreationBlocks(blocks);
  memset(image, 0, sizeof(*image));
  return -1;
}

struct CreationPlan {
  int bytesPerPixel;
  int pitch;
  int pitchShift;
  int pixelBytes;  // pitch x height
  int runBytes;    // (width + 5) x height
};

int PlanCreation(int width, int height, int pitch, int code, int alpha, int palette,
                 CreationPlan *plan) {
  plan->bytesPerPixel = BytesPerPixelOf(code, alpha, palette);
  const int64_t rowBytes = static_cast<int64_t>(width) * plan->bytesPerPixel;
  if (pitch >= 0) {
    if (pitch < rowBytes) return -1;
    plan->pitch = pitch;
    plan->pitchShift = PitchShiftOf(pitch, pitch);
  } else {
    if (ComputeAlignedPitch(width, plan->bytesPerPixel, COMPUTED_PITCH_ALIGNMENT, &plan->pitch) != 0)
      return -1;
    plan->pitchShift = PitchShiftOf(static_cast<int>(rowBytes), plan->pitch);
  }
  if (ComputeImageBytes(plan->pitch, height, &plan->pixelBytes) != 0) return -1;
  return ComputeImageBytes(static_cast<int64_t>(width) + RUN_TABLE_EXTRA_BYTES, height,
                           &plan->runBytes);
}

int AllocateBlocks(const CreationPlan &plan, int palette, int alpha, int code, int makePlanes,
                   void *external, CreationBlocks *blocks) {
  blocks->base = static_cast<MemImgBase *>(VV_ALLOC_ZEROED(sizeof(MemImgBase)));
  if (!blocks->base) return -1;
  if (palette) {
    blocks->palette = static_cast<uint8_t *>(VV_ALLOC_ZEROED(PALETTE_BLOCK_BYTES));
    if (!blocks->palette) return -1;
  }
  if (!external) {
    blocks->pixels = static_cast<uint8_t *>(VV_ALLOC(plan.pixelBytes));
    if (!blocks->pixels) return -1;
  }
  if (alpha && makePlanes) {
    blocks->alphaPlane = static_cast<uint8_t *>(VV_ALLOC(plan.pixelBytes));
    if (!blocks->alphaPlane) return -1;
  }
  if (code != 2 && makePlanes) {
    blocks->runTable = static_cast<uint8_t *>(VV_ALLOC(plan.runBytes));
    if (!blocks->runTable) return -1;
  }
  return 0;
}

}  // namespace

const PixelFormat *MemImgGetPixelFormat(int formatCode, int alphaFlag, int paletteFlag) {
  if (formatCode == 0 || formatCode == 1) {
    const int a = alphaFlag ? 1 : 0, p = paletteFlag ? 1 : 0;
    PixelFormat *f = &g_formats.color[formatCode][a][p];
    if (!g_formats.colorBuilt[formatCode][a][p]) {
      BuildColorFormat(f, formatCode, a, p);
      g_formats.colorBuilt[formatCode][a][p] = 1;
    }
    return f;
  }
  if (formatCode == 2 || formatCode == 3) {
    const int i = formatCode - 2;
    if (!g_formats.singleBuilt[i]) {
      BuildSingleChannelFormat(&g_formats.single[i], formatCode == 2 ? 8 : 16);
      g_formats.singleBuilt[i] = 1;
    }
    return &g_formats.single[i];
  }
  return nullptr;
}

int MemImgCreate(MEMIMG *image, int width, int height, int pitch, uint32_t colorKey,
                 int formatCode, int paletteFlag, int alphaFlag, int makePlanes,
                 void *externalPixels) {
  if (!image || image->magic == MEMIMG_MAGIC) return -1;
  if (width <= 0 || height <= 0 || formatCode < 0 || formatCode > 3) return -1;
  int palette = paletteFlag ? 1 : 0, alpha = alphaFlag ? 1 : 0;
  if (formatCode >= 2) palette = alpha = 0;
  if (palette) alpha = 0;
  CreationPlan plan;
  if (PlanCreation(width, height, pitch, formatCode, alpha, palette, &plan) != 0) return -1;
  // A view that is not valid owns nothing, whatever its base field holds.
  CreationBlocks blocks = {};
  if (AllocateBlocks(plan, palette, alpha, formatCode, makePlanes, externalPixels, &blocks) != 0)
    return FailCreation(image, &blocks);

  MemImgBase *base = blocks.base;
  base->referenceCount = 1;
  base->width = width;
  base->height = height;
  base->pitch = plan.pitch;
  base->pitchShift = plan.pitchShift;
  base->format = MemImgGetPixelFormat(formatCode, alpha, palette);
  base->colorKey = colorKey;
  base->formatCode = formatCode;
  base->paletteFlag = palette;
  base->alphaFlag = alpha;
  base->externalBuffer = externalPixels ? 1 : 0;
  base->palette = blocks.palette;
  base->paletteCopy = blocks.palette ? blocks.palette + PALETTE_COPY_OFFSET : nullptr;
  base->pixelBuffer = externalPixels ? static_cast<uint8_t *>(externalPixels) : blocks.pixels;
  base->alphaPlane = blocks.alphaPlane;
  base->runTable = blocks.runTable;

  image->magic = MEMIMG_MAGIC;
  image->width = width;
  image->height = height;
  image->pixels = base->pixelBuffer;
  image->alpha = base->alphaPlane;
  image->base = base;
  return 0;
}

int MemImgCreateScreen(MEMIMG *image, int width, int height, int formatCode) {
  // Zero-filling a valid view would lose its base: refuse like MemImgCreate.
  if (!image || image->magic == MEMIMG_MAGIC) return -1;
  memset(image, 0, sizeof(*image));
  if (formatCode == -1) formatCode = GetScreenColorBits() == 16 ? 0 : 1;
  return MemImgCreate(image, width, height, -1, 0, formatCode, 0, 0, 0, nullptr);
}

void MemImgMakeSubImage(MEMIMG *view, const MEMIMG *source, int x, int y, int width,
                        int height) {
  if (!view || !MemImgIsValid(source)) return;
  if (!BlockFitsImage(x, y, width, height, source->width, source->height)) return;
  MemImgBase *base = source->base;
  const intptr_t offset = static_cast<intptr_t>(y) * base->pitch +
                          static_cast<intptr_t>(x) * base->format->bytesPerPixel;
  MEMIMG made = {MEMIMG_MAGIC, width, height, source->pixels + offset,
                 source->alpha ? source->alpha + offset : nullptr, base};
  // The new reference is taken before the old view lets go, since the old
  // view may be the source itself (or share its base).
  ++base->referenceCount;
  MemImgRelease(view);
  *view = made;
}

void MemImgRelease(MEMIMG *image) {
  if (!image || image->magic != MEMIMG_MAGIC) return;
  MemImgBase *base = image->base;
  if (base && --base->referenceCount <= 0) {
    if (!base->externalBuffer) VV_FREE(base->pixelBuffer);
    VV_FREE(base->alphaPlane);
    VV_FREE(base->runTable);
    VV_FREE(base->palette);
    base->pixelBuffer = base->alphaPlane = base->runTable = nullptr;
    base->palette = base->paletteCopy = nullptr;
    VV_FREE(base);
  }
  memset(image, 0, sizeof(*image));
}

int MemImgIsValid(const MEMIMG *image) {
  return image && image->magic == MEMIMG_MAGIC && image->base ? 1 : 0;
}

int MemImgBlit(MEMIMG *dest, const MEMIMG *source, const Rect *srcRect, int x, int y) {
  if (!MemImgIsValid(dest) || !MemImgIsValid(source)) return -1;
  const Rect whole = {0, 0, source->width, source->height};
  const Rect r = srcRect ? *srcRect : whole;
  BlitBlock block = {r.left, r.top, static_cast<int64_t>(r.right) - r.left,
                     static_cast<int64_t>(r.bottom) - r.top, x, y};
  ClipBlitBlock(&block, source->width, source->height, dest->width, dest->height);
  if (block.w <= 0 || block.h <= 0) return -1;
  const Rect clipped = ClippedSourceRect(block);
  const int result = BlitWithFormatConversion(
      dest->pixels, dest->base->pitch, dest->base->format, source->pixels, source->base->pitch,
      source->base->format, nullptr, 0, nullptr, static_cast<int>(block.destX),
      static_cast<int>(block.destY), &clipped, 0, 0, 0, 0, 0, 0, 0, 0);
  MemImgPixelsDrawn(dest);
  return result;
}

#include "blit_reference.h"

#include <string.h>

#include "graphics/images/base_image.h"
#include "softrender/image/blend_tables.h"

namespace {

// Channel order everywhere below: 0 blue, 1 green, 2 red.
struct Channels {
  int64_t v[3];
};

int Width565(int c) { return c == 1 ? 6 : 5; }
int Max565(int c) { return c == 1 ? 63 : 31; }
int Shift565(int c) { return c == 0 ? 0 : (c == 1 ? 5 : 11); }

Channels Unpack(int formatCode, uint32_t word) {
  Channels ch;
  for (int c = 0; c < 3; ++c)
    ch.v[c] =
        formatCode == 0 ? (word >> Shift565(c)) & (uint32_t)Max565(c) : (word >> (8 * c)) & 0xFFu;
  return ch;
}

uint32_t Pack(int formatCode, const Channels &ch) {
  uint32_t word = 0;
  for (int c = 0; c < 3; ++c)
    word |= formatCode == 0 ? (uint32_t)ch.v[c] << Shift565(c) : (uint32_t)ch.v[c] << (8 * c);
  return word;
}

int64_t ChannelMax(int formatCode, int c) { return formatCode == 0 ? Max565(c) : 255; }
int64_t ChannelWidth(int formatCode, int c) { return formatCode == 0 ? Width565(c) : 8; }

// floor(i * j / 255), the product table's rule.
int64_t Mul255(int64_t i, int64_t j) { return (i * j) / 255; }
// i * j / 255 truncated toward zero, the signed table's rule.
int64_t MulSigned255(int64_t p, int64_t d) {
  const int64_t q = (p * (d < 0 ? -d : d)) / 255;
  return d < 0 ? -q : q;
}
// floor((k * s + (63 - k) * d) / 63), the interpolation cube's rule.
int64_t Interp63(int64_t k, int64_t s, int64_t d) { return (k * s + (63 - k) * d) / 63; }

int64_t FloorShift(int64_t value, int64_t bits) {
  // value is never negative in these rules; keep the floor anyway.
  const int64_t div = (int64_t)1 << bits;
  return value >= 0 ? value / div : -((-value + div - 1) / div);
}

int BrightnessByte(uint32_t brightness, int c) { return (int)((brightness >> (8 * c)) & 0xFF); }

// The saturating add as it behaves on each channel: the lowest bits of green
// and red sit out of the sum and take the carry from the channel below
// (and, unless dropped, the OR of the two inputs' lowest bits); a channel
// that overflows is filled (565 green but for its lowest bit); in 32-bit
// pixels the fourth byte receives the carry out of red.
uint32_t SaturatingAdd(int formatCode, uint32_t dWord, const Channels &x, bool keepLowBits) {
  const Channels d = Unpack(formatCode, dWord);
  Channels out;
  int64_t carryIn = 0;
  for (int c = 0; c < 3; ++c) {
    const int64_t max = ChannelMax(formatCode, c);
    const int64_t lowMask = c == 0 ? 0 : 1;
    const int64_t sum = (d.v[c] & ~lowMask) + (x.v[c] & ~lowMask);
    const int64_t carryOut = sum > max ? 1 : 0;
    // Saturation fills the channel, except the lowest bit of 565 green,
    // which keeps its carry-in and OR bits even then.
    const bool fillsLowBit = !(formatCode == 0 && c == 1);
    int64_t v = carryOut ? (fillsLowBit ? max : max & ~1) : sum;
    if (c > 0 && !(carryOut && fillsLowBit)) {
      v |= carryIn;
      if (keepLowBits) v |= (d.v[c] | x.v[c]) & 1;
    }
    out.v[c] = v;
    carryIn = carryOut;
  }
  uint32_t word = Pack(formatCode, out);
  if (formatCode == 1) word |= (uint32_t)carryIn << 24;
  return word;
}

// The saturating subtract per channel: a channel that would go below 0
// becomes 0; green and red subtract without their lowest bits, which then
// tell whether the channel below did not borrow (always 0 for 565 green);
// the fourth byte of a 32-bit pixel becomes 0.
uint32_t SaturatingSub(int formatCode, uint32_t dWord, const Channels &x) {
  const Channels d = Unpack(formatCode, dWord);
  Channels out;
  int64_t noBorrowBelow = 0;
  for (int c = 0; c < 3; ++c) {
    const int64_t lowMask = c == 0 ? 0 : 1;
    const int64_t diff = (d.v[c] & ~lowMask) - (x.v[c] & ~lowMask);
    const int64_t noBorrow = diff >= 0 ? 1 : 0;
    int64_t v = noBorrow ? diff : 0;
    const bool lowBitFromBelow = c == 2 || (c == 1 && formatCode == 1);
    if (noBorrow && lowBitFromBelow) v |= noBorrowBelow;
    out.v[c] = v;
    noBorrowBelow = noBorrow;
  }
  return Pack(formatCode, out);
}

struct SourceColor {
  uint32_t word;   // 565 word or 32-bit colour word
  int64_t alpha;   // 255 for sources without alpha
  uint32_t keyed;  // what the colour-key test compares
};

SourceColor ResolveSource(const RefBlendState &st, uint32_t raw) {
  SourceColor sc;
  sc.alpha = 255;
  sc.keyed = raw;
  if (st.sourcePalette) {
    const uint32_t index = raw & 0xFF;
    if (st.formatCode == 0) {
      uint16_t entry;
      memcpy(&entry, (const uint8_t *)st.palette + 2 * index, 2);
      sc.word = entry;
    } else {
      uint32_t entry;
      memcpy(&entry, (const uint8_t *)st.palette + 4 * index, 4);
      sc.word = entry;
    }
    sc.keyed = index;
  } else if (st.sourceAlpha) {
    sc.word = st.formatCode == 0 ? raw & 0xFFFF : raw;
    sc.alpha = st.formatCode == 0 ? (raw >> 16) & 0xFF : raw >> 24;
  } else {
    sc.word = st.formatCode == 0 ? raw & 0xFFFF : raw;
  }
  return sc;
}

// Mode 1 at p = 255 is drawn as mode 0.
int EffectiveMode(const RefBlendState &st) { return st.mode == 1 && st.param == 255 ? 0 : st.mode; }

bool IsSkipped(const RefBlendState &st, const SourceColor &sc, int mode, int runKind) {
  if (runKind != REF_PIXEL || !st.transparencyFlag) return false;
  if (st.sourcePalette) return sc.keyed == (st.colorKey & 0xFF);
  if (!st.sourceAlpha) return sc.keyed == st.colorKey;
  if (sc.alpha != 0) return false;
  if (mode == 4) return st.kernel == REF_KERNEL_STRETCHED;
  return true;  // modes 10 and 11 keep the destination through the formula
}

uint32_t BlendGeneral(const RefBlendState &st, uint32_t dWord, const SourceColor &sc, int mode,
                      bool maskWeighs, int64_t maskWeight, bool alphaWeighs) {
  const int fc = st.formatCode;
  const bool bright = !DrawBrightnessIsWhite(st.brightness);
  const int64_t p = st.param;
  int64_t W = 1;
  int k = 0;
  if (maskWeighs) {
    W *= maskWeight;
    ++k;
  }
  if (alphaWeighs) {
    W *= sc.alpha;
    ++k;
  }
  const int64_t e = 8 * k;
  const int64_t f = 8 * (k + 1);

  uint32_t sourceWord = sc.word;
  if (mode == 10) sourceWord = fc == 0 ? (~sourceWord & 0xFFFF) : (~sourceWord & 0xFFFFFF);
  const Channels raw = Unpack(fc, sourceWord);
  Channels s = raw;
  if (bright)
    for (int c = 0; c < 3; ++c) s.v[c] = Mul255(BrightnessByte(st.brightness, c), raw.v[c]);
  const Channels d = Unpack(fc, dWord);
  const uint32_t keepFourth = fc == 1 ? (dWord & 0xFF000000u) : 0;

  Channels out;
  switch (mode) {
    case 0:
      if (k == 0) {
        if (!bright) return fc == 0 ? sc.word & 0xFFFF : sc.word;
        return Pack(fc, s) | keepFourth;
      }
      for (int c = 0; c < 3; ++c) out.v[c] = FloorShift((s.v[c] - d.v[c]) * W + (d.v[c] << e), e);
      return Pack(fc, out) | keepFourth;
    case 1:
    case 10:
      for (int c = 0; c < 3; ++c) {
        if (fc == 0 && k == 0)
          out.v[c] = d.v[c] + MulSigned255(p, s.v[c] - d.v[c]);
        else
          out.v[c] = FloorShift((s.v[c] - d.v[c]) * W * p + (d.v[c] << f), f);
      }
      return Pack(fc, out) | keepFourth;
    case 2:
    case 3: {
      Channels x;
      for (int c = 0; c < 3; ++c) {
        if (k == 0)
          x.v[c] = Mul255(p, s.v[c]);
        else if (fc == 1)
          x.v[c] = (s.v[c] * W * p) >> f;
        else
          x.v[c] = Mul255(p, (s.v[c] * W) >> e);
      }
      // The rotated draw weighs a 565 source by its alpha before the
      // brightness when the alpha is the only weight.
      if (fc == 0 && st.kernel == REF_KERNEL_ROTATED && alphaWeighs && !maskWeighs && bright)
        for (int c = 0; c < 3; ++c)
          x.v[c] = Mul255(p, Mul255(BrightnessByte(st.brightness, c), (raw.v[c] * sc.alpha) >> 8));
      return mode == 2 ? SaturatingAdd(fc, dWord, x, true) : SaturatingSub(fc, dWord, x);
    }
    case 4:
      for (int c = 0; c < 3; ++c)
        out.v[c] = (s.v[c] * W * d.v[c]) >> (fc == 0 ? ChannelWidth(fc, c) + e : f);
      return Pack(fc, out) | keepFourth;
    default: {  // 11
      for (int c = 0; c < 3; ++c) {
        const int64_t x = (s.v[c] * d.v[c]) >> ChannelWidth(fc, c);
        if (fc == 0 && k == 0)
          out.v[c] = d.v[c] + MulSigned255(p, x - d.v[c]);
        else
          out.v[c] = FloorShift((x - d.v[c]) * W * p + (d.v[c] << f), f);
      }
      if (fc == 0 && alphaWeighs && !maskWeighs && !bright && st.kernel != REF_KERNEL_GENERAL) {
        // Green at field scale: the product keeps five more bits. A special
        // case of the per-pixel walks; the run-table path keeps the general
        // rule for every channel.
        const int64_t fine = (raw.v[1] * d.v[1]) >> 1;
        const int64_t g = 32 * d.v[1];
        out.v[1] = FloorShift((fine - g) * sc.alpha * p + (g << 16), 16) >> 5;
      }
      return Pack(fc, out) | keepFourth;
    }
  }
}

}  // namespace

RefBlendState RefMakeBlendState(const MEMIMG *destination, const MEMIMG *source,
                                const MEMIMG *blendMask, int transparencyFlag,
                                const DrawSettings *settings, int kernel) {
  RefBlendState st;
  memset(&st, 0, sizeof st);
  const MemImgBase *db = destination->base;
  const MemImgBase *sb = source->base;
  st.kernel = kernel;
  st.formatCode = sb->formatCode;
  st.sourcePalette = sb->paletteFlag;
  st.sourceAlpha = sb->paletteFlag ? 0 : sb->alphaFlag;
  st.mode = settings->blendMode;
  st.param = settings->blendParam;
  st.brightness = settings->drawBrightness;
  st.transparencyFlag = transparencyFlag;
  st.hasMask = blendMask != 0;
  st.colorKey = sb->colorKey;
  st.palette = sb->palette;
  st.maskMap = g_memImgBlendTables.blendMaskMap;

  bool refused = db->formatCode != sb->formatCode || db->paletteFlag || db->alphaFlag ||
                 (sb->formatCode != 0 && sb->formatCode != 1);
  const int mode = settings->blendMode;
  if (mode < 0 || mode > 11 || (mode >= 5 && mode <= 9)) refused = true;
  if (mode >= 1 && mode <= 3 && settings->blendParam == 0) refused = true;
  if (blendMask) {
    // A mask must be a one-byte image covering the source.
    if (blendMask->base->formatCode != 2 || blendMask->width < source->width ||
        blendMask->height < source->height)
      refused = true;
  }
  st.drawsNothing = refused;
  return st;
}

bool RefDraws(const RefBlendState &state) { return !state.drawsNothing; }

uint32_t RefBlendPixel(const RefBlendState &st, uint32_t dst, uint32_t src, uint8_t maskByte,
                       int runKind) {
  if (st.drawsNothing) return dst;
  const int fc = st.formatCode;
  const SourceColor sc = ResolveSource(st, src);
  const int mode = EffectiveMode(st);
  if (IsSkipped(st, sc, mode, runKind)) return dst;

  const bool bright = !DrawBrightnessIsWhite(st.brightness);
  const bool maskWeighs = st.hasMask != 0;
  const int64_t maskWeight = maskWeighs ? st.maskMap[maskByte] : 1;
  bool alphaWeighs = st.sourceAlpha != 0;
  if (alphaWeighs && runKind == REF_RUN_OPAQUE) alphaWeighs = false;
  if (alphaWeighs && st.transparencyFlag && sc.alpha == 255) alphaWeighs = false;
  const bool unweighted = !maskWeighs && !alphaWeighs;

  if (st.kernel == REF_KERNEL_PLAIN) {
    // An alpha source copied in mode 0 without any condition ignores alpha.
    if (mode == 0 && st.sourceAlpha && !maskWeighs && !bright && !st.transparencyFlag)
      return fc == 0 ? sc.word & 0xFFFF : sc.word;
    if (mode == 1 && unweighted && !bright) {
      const Channels s = Unpack(fc, sc.word);
      const Channels d = Unpack(fc, dst);
      Channels out;
      if (st.param == 128) {
        for (int c = 0; c < 3; ++c) out.v[c] = (s.v[c] >> 1) + (d.v[c] >> 1);
        return Pack(fc, out);  // the fourth byte is cleared
      }
      if (fc == 0) {
        for (int c = 0; c < 3; ++c) out.v[c] = Interp63(st.param >> 2, s.v[c], d.v[c]);
        return Pack(fc, out);
      }
    }
    if (mode == 2 && st.param == 255 && unweighted && !bright)
      return SaturatingAdd(fc, dst, Unpack(fc, sc.word), false);
  }
  return BlendGeneral(st, dst, sc, mode, maskWeighs, maskWeight, alphaWeighs);
}

uint32_t RefReadPixel(const MEMIMG *image, int x, int y) {
  const int bpp = image->base->format->bytesPerPixel;
  return ReadRawPixel(image->pixels + (int64_t)y * image->base->pitch + (int64_t)x * bpp, bpp);
}

void RefWritePixel(MEMIMG *image, int x, int y, uint32_t value) {
  const int bpp = image->base->format->bytesPerPixel;
  WriteRawPixel(image->pixels + (int64_t)y * image->base->pitch + (int64_t)x * bpp, bpp, value);
}

uint8_t RefReadMaskByte(const MEMIMG *mask, int x, int y) {
  return mask->pixels[(int64_t)y * mask->base->pitch + x];
}

namespace {

// The run kind of every pixel of one row of a run table; pixels the row's
// runs do not reach count as transparent.
void DecodeRunRow(const uint8_t *&code, int width, int *kinds) {
  int x = 0;
  for (;;) {
    const uint8_t c = *code++;
    if ((c & 0xC0) == 0xC0) break;
    const int n = (c & 0x3F) + 1;
    for (int i = 0; i < n && x < width; ++i) kinds[x++] = c >> 6;
  }
  while (x < width) kinds[x++] = 0;
}

}  // namespace

void RefDrawImage(MEMIMG *destination, const MEMIMG *source, int x, int y, int transparencyFlag,
                  const MEMIMG *blendMask, const DrawSettings *settings) {
  const Rect &area = settings->clipRect;
  const MemImgBase *sb = source->base;
  const bool wholeInside = x >= area.left && y >= area.top &&
                           (int64_t)x + source->width <= area.right &&
                           (int64_t)y + source->height <= area.bottom;
  const bool wholeBase = source->pixels == sb->pixelBuffer && source->width == sb->width &&
                         source->height == sb->height;
  const bool runTable = transparencyFlag == 1 && sb->runTableValid && sb->runTable && wholeInside &&
                        wholeBase && source->width > 0 && source->height > 0;
  const RefBlendState st =
      RefMakeBlendState(destination, source, blendMask, transparencyFlag, settings,
                        runTable ? REF_KERNEL_GENERAL : REF_KERNEL_PLAIN);
  if (!RefDraws(st)) return;

  const uint8_t *code = sb->runTable;
  int *kinds = new int[source->width > 0 ? source->width : 1];
  for (int sy = 0; sy < source->height; ++sy) {
    if (runTable) DecodeRunRow(code, source->width, kinds);
    const int64_t dy = (int64_t)y + sy;
    for (int sx = 0; sx < source->width; ++sx) {
      const int64_t dx = (int64_t)x + sx;
      if (dx < area.left || dx >= area.right || dy < area.top || dy >= area.bottom) continue;
      if (dx < 0 || dy < 0 || dx >= destination->width || dy >= destination->height) continue;
      int runKind = REF_PIXEL;
      if (runTable) {
        if (kinds[sx] == 0) continue;
        runKind = kinds[sx] == 1 ? REF_RUN_OPAQUE : REF_RUN_PARTIAL;
      }
      const uint8_t maskByte = blendMask ? RefReadMaskByte(blendMask, sx, sy) : 0;
      const uint32_t before = RefReadPixel(destination, (int)dx, (int)dy);
      RefWritePixel(destination, (int)dx, (int)dy,
                    RefBlendPixel(st, before, RefReadPixel(source, sx, sy), maskByte, runKind));
    }
  }
  delete[] kinds;
}

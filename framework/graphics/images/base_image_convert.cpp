// Moving pixels between images of possibly different formats: the one
// converting rectangle copy everything else uses, the clipped and the
// scaled blit, and in-place mirroring, turning and halving.
#include <string.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "graphics/images/base_image.h"

namespace {

// One call of the converter, with its formats validated.
struct ConversionJob {
  uint8_t *dst;
  int dstPitch;
  const PixelFormat *dstFormat;
  PixelLayout d;
  const uint8_t *src;
  int srcPitch;
  const PixelFormat *srcFormat;
  PixelLayout s;
  const uint8_t *alpha;  // alpha image, aligned with the source; may be null
  int alphaPitch;
  const PixelFormat *alphaFormat;
  PixelLayout a;
  int destX, destY;
  int left, top, width, height;
  int mirror, keyToAlpha;
  uint32_t key;
  int dither, colorOff, redToAlpha, keySkip, paletteRemap;
};

// The standard layouts the fast conversions recognise.
enum LayoutKind {
  KIND_OTHER,
  KIND_PAL8,
  KIND_RGB24,
  KIND_XRGB32,
  KIND_ARGB32,
  KIND_RGB565,
  KIND_XRGB1555,
  KIND_ARGB1555
};

struct KindRule {
  int bits;
  uint32_t red, green, blue, alpha;
  LayoutKind kind;
};

const KindRule kKindRules[] = {
    {24, 0xFF0000, 0xFF00, 0xFF, 0, KIND_RGB24},
    {32, 0xFF0000, 0xFF00, 0xFF, 0, KIND_XRGB32},
    {32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, KIND_ARGB32},
    {16, 0xF800, 0x07E0, 0x001F, 0, KIND_RGB565},
    {16, 0x7C00, 0x03E0, 0x001F, 0, KIND_XRGB1555},
    {16, 0x7C00, 0x03E0, 0x001F, 0x8000, KIND_ARGB1555},
};

// Pairs converted with plain shifts (new low bits 0) instead of exact
// replication: these common conversions stay a mask and a shift per
// channel.
struct FastPair {
  LayoutKind src;
  LayoutKind dst;
  int keyToAlpha;
};

const FastPair kFastPairs[] = {
    {KIND_PAL8, KIND_RGB565, 0},     {KIND_PAL8, KIND_XRGB1555, 0},
    {KIND_PAL8, KIND_XRGB32, 0},     {KIND_RGB24, KIND_RGB565, 0},
    {KIND_RGB24, KIND_XRGB1555, 0},  {KIND_RGB24, KIND_XRGB32, 0},
    {KIND_RGB24, KIND_ARGB32, 0},    {KIND_XRGB32, KIND_RGB565, 0},
    {KIND_RGB565, KIND_RGB24, 0},    {KIND_RGB565, KIND_XRGB32, 0},
    {KIND_RGB565, KIND_XRGB1555, 0}, {KIND_XRGB1555, KIND_RGB565, 0},
    {KIND_PAL8, KIND_ARGB1555, 1},   {KIND_PAL8, KIND_ARGB32, 1},
    {KIND_RGB24, KIND_ARGB1555, 1},  {KIND_RGB24, KIND_ARGB32, 1},
    {KIND_RGB565, KIND_ARGB1555, 1}, {KIND_RGB565, KIND_ARGB32, 1},
};

const uint8_t kOrderedDither[16] = {0, 8, 2, 10, 12, 4, 14, 6, 3, 11, 1, 9, 15, 7, 13, 5};

LayoutKind KindOf(const PixelFormat *f) {
  if (f->bitsPerPixel == 8) return KIND_PAL8;
  for (const KindRule &rule : kKindRules) {
    if (rule.bits == f->bitsPerPixel && rule.red == f->redMask && rule.green == f->greenMask &&
        rule.blue == f->blueMask && rule.alpha == f->alphaMask) {
      return rule.kind;
    }
  }
  return KIND_OTHER;
}

uint32_t Channel(uint32_t value, const PixelChannel &c) { return (value & c.mask) >> c.shift; }

uint32_t Place(uint32_t value, const PixelChannel &c) {
  return c.bits ? (value << c.shift) & c.mask : 0;
}

uint32_t ChannelMax(const PixelChannel &c) { return (1u << c.bits) - 1; }

int SameMasks(const PixelLayout &x, const PixelLayout &y) {
  return x.red.mask == y.red.mask && x.green.mask == y.green.mask &&
         x.blue.mask == y.blue.mask && x.alpha.mask == y.alpha.mask;
}

int SameColorMasks(const PixelLayout &x, const PixelLayout &y) {
  return x.red.mask == y.red.mask && x.green.mask == y.green.mask && x.blue.mask == y.blue.mask;
}

const uint8_t *SourceAt(const ConversionJob &job, int col, int row) {
  return job.src + static_cast<intptr_t>(job.top + row) * job.srcPitch +
         static_cast<intptr_t>(job.left + col) * job.s.bytes;
}

const uint8_t *AlphaAt(const ConversionJob &job, int col, int row) {
  return job.alpha + static_cast<intptr_t>(job.top + row) * job.alphaPitch +
         static_cast<intptr_t>(job.left + col) * job.a.bytes;
}

uint8_t *DestAt(const ConversionJob &job, int col, int row) {
  const int x = job.mirror ? job.destX + job.width - 1 - col : job.destX + col;
  return job.dst + static_cast<intptr_t>(job.destY + row) * job.dstPitch +
         static_cast<intptr_t>(x) * job.d.bytes;
}

// Runs fn(source, destination, column, row) over the rectangle, the
// destination column running right to left when mirrored.
template <typename Fn>
void ForEachPixel(const ConversionJob &job, Fn fn) {
  for (int row = 0; row < job.height; ++row) {
    for (int col = 0; col < job.width; ++col) fn(SourceAt(job, col, row), DestAt(job, col, row), col, row);
  }
}

// Key skipping compares a raw source pixel: the index of an 8-bit pixel,
// else the value masked by the source's channels.
struct KeyTest {
  int active;
  uint32_t mask;
  uint32_t key;
  int Skips(uint32_t raw) const { return active && (raw & mask) == key; }
};

KeyTest MakeKeyTest(const ConversionJob &job) {
  KeyTest test;
  test.active = job.keySkip;
  if (job.s.bytes == 1) {
    test.mask = 0xFF;
  } else {
    test.mask = (job.s.colorMask | job.s.alpha.mask) & PixelValueMask(8 * job.s.bytes);
  }
  test.key = job.key & test.mask;
  return test;
}

// --- 1. Palette remap -------------------------------------------------------

int PalettesDiffer(const ConversionJob &job) {
  return memcmp(job.srcFormat->palette, job.dstFormat->palette,
                sizeof(job.srcFormat->palette)) != 0;
}

int RemapPalette(const ConversionJob &job) {
  uint8_t nearest[256];
  for (int i = 0; i < 256; ++i) {
    const uint8_t *e = job.srcFormat->palette[i];
    nearest[i] = static_cast<uint8_t>(PackColorToPixel(job.dstFormat, e[2], e[1], e[0], 0));
  }
  const KeyTest key = MakeKeyTest(job);
  ForEachPixel(job, [&](const uint8_t *s, uint8_t *d, int, int) {
    if (!key.Skips(*s)) *d = nearest[*s];
  });
  return 0;
}

// --- 2. 8-bit destinations -------------------------------------------------

int QuantiseToPalette(const ConversionJob &job) {
  const KeyTest key = MakeKeyTest(job);
  uint32_t lastRaw = 0;
  uint8_t lastIndex = 0;
  int haveLast = 0;
  ForEachPixel(job, [&](const uint8_t *s, uint8_t *d, int, int) {
    const uint32_t raw = ReadRawPixel(s, job.s.bytes);
    if (key.Skips(raw)) return;
    if (!haveLast || raw != lastRaw) {
      // Channels are brought to 0-255 before the palette search, which
      // compares against 8-bit entries.
      int r, g, b, a;
      UnpackPixelColor(job.srcFormat, raw, &r, &g, &b, &a);
      lastIndex = static_cast<uint8_t>(PackColorToPixel(job.dstFormat, r, g, b, a));
      lastRaw = raw;
      haveLast = 1;
    }
    *d = lastIndex;
  });
  return 0;
}

int CopyIndices(const ConversionJob &job) {
  int highest = 0;
  ForEachPixel(job, [&](const uint8_t *s, uint8_t *d, int, int) {
    *d = *s;
    if (*s > highest) highest = *s;
  });
  return highest;
}

// --- 3. Same layout --------------------------------------------------------

int CopySameLayout(const ConversionJob &job) {
  const int bytes = job.s.bytes;
  if (job.mirror || job.keySkip) {
    const uint32_t key = job.key & PixelValueMask(8 * bytes);
    ForEachPixel(job, [&](const uint8_t *s, uint8_t *d, int, int) {
      if (job.keySkip && ReadRawPixel(s, bytes) == key) return;
      memcpy(d, s, static_cast<size_t>(bytes));
    });
    return 0;
  }
  const size_t rowBytes = static_cast<size_t>(job.width) * bytes;
  for (int row = 0; row < job.height; ++row) memmove(DestAt(job, 0, row), SourceAt(job, 0, row), rowBytes);
  return 0;
}

// --- 5. Key to alpha in the same colour layout -----------------------------

int KeyToAlphaSameLayout(const ConversionJob &job) {
  const int bytes = job.d.bytes;
  const uint32_t kp = PackColorToPixel(job.dstFormat, (job.key >> 16) & 0xFF,
                                       (job.key >> 8) & 0xFF, job.key & 0xFF, 255);
  const uint32_t outside = bytes == 4 ? ~job.d.colorMask : 0;
  const uint32_t pixelMask = PixelValueMask(8 * bytes);
  const uint32_t keyValue = (kp | outside) & pixelMask;
  ForEachPixel(job, [&](const uint8_t *s, uint8_t *d, int, int) {
    const uint32_t raw = ReadRawPixel(s, bytes);
    const int isKey = ((raw | outside) & pixelMask) == keyValue;
    WriteRawPixel(d, bytes, isKey ? raw & ~job.d.alpha.mask : raw | job.d.alpha.mask);
  });
  return 0;
}

// --- 6 and 7. Per-channel conversion ---------------------------------------

int UsesShiftWidening(const ConversionJob &job) {
  if (job.dither || job.colorOff || job.redToAlpha || job.mirror || job.alpha) return 0;
  const LayoutKind src = KindOf(job.srcFormat), dst = KindOf(job.dstFormat);
  for (const FastPair &pair : kFastPairs) {
    if (pair.src == src && pair.dst == dst && pair.keyToAlpha == (job.keyToAlpha ? 1 : 0)) return 1;
  }
  return 0;
}

struct Rgba {
  uint32_t c[4];  // red, green, blue, alpha
};

struct ChannelPlan {
  const PixelChannel *src[4];  // source widths (alpha: where it comes from)
  const PixelChannel *dst[4];
  int resize;
  int replicate;
  uint32_t keyR, keyG, keyB;  // the key as found in the source format
  int keyToAlpha;
  uint32_t dropAccumulator[4];
};

void FindKeyInSource(const ConversionJob &job, ChannelPlan *plan) {
  const uint32_t r = (job.key >> 16) & 0xFF, g = (job.key >> 8) & 0xFF, b = job.key & 0xFF;
  uint32_t value = PackColorToPixel(job.srcFormat, r, g, b, 0);
  if (job.s.paletted) value = PaletteEntryValue(job.srcFormat, static_cast<int>(value));
  plan->keyR = Channel(value, job.s.red);
  plan->keyG = Channel(value, job.s.green);
  plan->keyB = Channel(value, job.s.blue);
}

ChannelPlan MakeChannelPlan(const ConversionJob &job, int shiftWidening) {
  ChannelPlan plan = {};
  plan.src[0] = &job.s.red;
  plan.src[1] = &job.s.green;
  plan.src[2] = &job.s.blue;
  plan.dst[0] = &job.d.red;
  plan.dst[1] = &job.d.green;
  plan.dst[2] = &job.d.blue;
  plan.dst[3] = &job.d.alpha;
  plan.keyToAlpha = job.keyToAlpha && !job.s.alpha.bits && !job.alpha && !job.redToAlpha;
  if (job.redToAlpha) {
    plan.src[3] = &job.s.red;
  } else if (plan.keyToAlpha || (!job.alpha && !job.s.alpha.bits)) {
    plan.src[3] = &job.d.alpha;  // all ones or 0, already at the destination width
  } else if (job.alpha && !job.s.alpha.bits) {
    plan.src[3] = &job.a.red;
  } else {
    plan.src[3] = &job.s.alpha;
  }
  plan.resize = job.s.red.bits != job.d.red.bits || job.s.green.bits != job.d.green.bits ||
                (job.alpha && job.a.red.bits != job.d.alpha.bits);
  plan.replicate = !shiftWidening;
  if (plan.keyToAlpha) FindKeyInSource(job, &plan);
  return plan;
}

Rgba ReadChannels(const ConversionJob &job, const ChannelPlan &plan, uint32_t value,
                  int col, int row) {
  Rgba v;
  v.c[0] = Channel(value, job.s.red);
  v.c[1] = Channel(value, job.s.green);
  v.c[2] = Channel(value, job.s.blue);
  if (job.redToAlpha) {
    v.c[3] = v.c[0];
  } else if (plan.keyToAlpha) {
    const int isKey = v.c[0] == plan.keyR && v.c[1] == plan.keyG && v.c[2] == plan.keyB;
    v.c[3] = isKey ? 0 : ChannelMax(job.d.alpha);
  } else if (job.alpha && !job.s.alpha.bits) {
    const uint8_t *p = AlphaAt(job, col, row);
    const uint32_t raw = job.a.paletted ? PaletteEntryValue(job.alphaFormat, *p)
                                        : ReadRawPixel(p, job.a.bytes);
    v.c[3] = Channel(raw, job.a.red);
  } else if (!job.s.alpha.bits) {
    v.c[3] = ChannelMax(job.d.alpha);
  } else {
    v.c[3] = Channel(value, job.s.alpha);
  }
  return v;
}

// One unit more for a channel whose dropped bits pass the dither test.
int DitherCarry(ChannelPlan *plan, int mode, int channel, uint32_t dropped, int lost, int col,
                int row) {
  const uint32_t lostMask = (1u << lost) - 1;
  if (mode == 1) {
    const uint32_t m = kOrderedDither[(col & 3) + (row & 3) * 4];
    return (((1u << lost) * m) >> 4) < dropped;
  }
  uint32_t &acc = plan->dropAccumulator[channel];
  acc += dropped;
  if (acc <= lostMask) return 0;
  acc &= lostMask;
  return 1;
}

uint32_t ComposePixel(const ConversionJob &job, ChannelPlan *plan, Rgba v, int col, int row) {
  uint32_t value = 0;
  for (int i = 0; i < 4; ++i) {
    const int from = plan->src[i]->bits, to = plan->dst[i]->bits;
    uint32_t c = v.c[i];
    if (plan->resize) {
      c = ResizeChannel(c, from, to, plan->replicate);
      const int lost = from - to;
      if (i < 3 && lost > 0 && job.dither &&
          DitherCarry(plan, job.dither, i, v.c[i] & ((1u << lost) - 1), lost, col, row)) {
        ++c;
      }
    }
    if (i < 3 && job.colorOff) c = 0;
    const uint32_t max = ChannelMax(*plan->dst[i]);
    value |= Place(c > max ? max : c, *plan->dst[i]);
  }
  return value;
}

void WriteConverted(const ConversionJob &job, uint8_t *d, uint32_t value) {
  if (job.d.bytes == 2 || job.d.bytes == 4) value |= job.d.fillMask;
  WriteRawPixel(d, job.d.bytes, value);
}

int ConvertPerChannel(const ConversionJob &job, int shiftWidening) {
  ChannelPlan plan = MakeChannelPlan(job, shiftWidening);
  const KeyTest key = MakeKeyTest(job);
  ForEachPixel(job, [&](const uint8_t *s, uint8_t *d, int col, int row) {
    const uint32_t raw = ReadRawPixel(s, job.s.bytes);
    if (key.Skips(raw)) return;
    const uint32_t value = job.s.paletted ? PaletteEntryValue(job.srcFormat, *s) : raw;
    WriteConverted(job, d, ComposePixel(job, &plan, ReadChannels(job, plan, value, col, row), col, row));
  });
  return 0;
}

// --- 6. Fast common conversions, row by row --------------------------------
// Without key skipping, a shift-widening pair's output depends on the source
// pixel alone, so each pair gets a loop of its own over every row.

// A source pixel's channels at the top of the bytes of 0x00RRGGBB. Packing
// that into a destination drops the low bits of a narrower channel and
// leaves the new low bits of a wider one 0: the per-channel shifts exactly.
inline uint32_t Load16(const uint8_t *p) {
  uint16_t v;
  memcpy(&v, p, 2);
  return v;
}

template <LayoutKind K>
struct ShiftSource;

// A source pixel read while another follows it in the row.
template <class From>
inline uint32_t ReadAhead(const uint8_t *p) {
  if constexpr (From::kBytes == 3) return From::ReadAhead(p);
  return From::Read(p);
}
template <>
struct ShiftSource<KIND_RGB565> {
  static const int kBytes = 2;
  static uint32_t Read(const uint8_t *p) { return Load16(p); }
  static uint32_t Top(uint32_t v) {
    return (v & 0xF800u) << 8 | (v & 0x07E0u) << 5 | (v & 0x001Fu) << 3;
  }
};
template <>
struct ShiftSource<KIND_XRGB1555> {
  static const int kBytes = 2;
  static uint32_t Read(const uint8_t *p) { return Load16(p); }
  static uint32_t Top(uint32_t v) {
    return (v & 0x7C00u) << 9 | (v & 0x03E0u) << 6 | (v & 0x001Fu) << 3;
  }
};
template <>
struct ShiftSource<KIND_RGB24> {
  static const int kBytes = 3;
  static uint32_t Read(const uint8_t *p) {
    return p[0] | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16;
  }
  // Another pixel follows in the row: one 4-byte load, the fourth byte cut.
  static uint32_t ReadAhead(const uint8_t *p) {
    uint32_t v;
    memcpy(&v, p, 4);
    return v & 0x00FFFFFFu;
  }
  static uint32_t Top(uint32_t v) { return v; }
};
template <>
struct ShiftSource<KIND_XRGB32> {
  static const int kBytes = 4;
  static uint32_t Read(const uint8_t *p) {
    uint32_t v;
    memcpy(&v, p, 4);
    return v;
  }
  static uint32_t Top(uint32_t v) { return v & 0x00FFFFFFu; }
};
// A palette entry's value in the usual entry layout (blue, green, red from
// the bottom byte, the fourth byte no channel), which only the palette
// table reads.
template <>
struct ShiftSource<KIND_PAL8> : ShiftSource<KIND_XRGB32> {};

template <LayoutKind K>
struct ShiftDest;
template <>
struct ShiftDest<KIND_RGB565> {
  static const int kBytes = 2;
  static uint32_t Pack(uint32_t c) {
    return (c >> 8 & 0xF800u) | (c >> 5 & 0x07E0u) | (c >> 3 & 0x001Fu);
  }
};
template <>
struct ShiftDest<KIND_XRGB1555> {
  static const int kBytes = 2;
  static uint32_t Pack(uint32_t c) {
    return (c >> 9 & 0x7C00u) | (c >> 6 & 0x03E0u) | (c >> 3 & 0x001Fu);
  }
};
template <>
struct ShiftDest<KIND_ARGB1555> : ShiftDest<KIND_XRGB1555> {};
template <>
struct ShiftDest<KIND_RGB24> {
  static const int kBytes = 3;
  static uint32_t Pack(uint32_t c) { return c; }
};
template <>
struct ShiftDest<KIND_XRGB32> {
  static const int kBytes = 4;
  static uint32_t Pack(uint32_t c) { return c; }
};
template <>
struct ShiftDest<KIND_ARGB32> : ShiftDest<KIND_XRGB32> {};

// What a row loop adds to the packed colour: the fill bits the write sets
// and the alpha (all ones, or 0 for a key pixel under key-to-alpha).
struct ShiftRowTerms {
  uint32_t set;        // a pixel that is not the key
  uint32_t keySet;     // the key under key-to-alpha
  uint32_t colorMask;  // the source's colour bits
  uint32_t keyRaw;     // the key as those bits
  const uint32_t *paletteValues;  // 8-bit sources: each index's result
  const uint16_t *paletteValues16;  // the same for 16-bit destinations
};

typedef void (*ShiftRowFn)(const uint8_t *src, uint8_t *dst, int width, const ShiftRowTerms &t);

template <int Bytes>
inline void StoreValue(uint8_t *d, uint32_t v) {
  if (Bytes == 2) {
    const uint16_t h = static_cast<uint16_t>(v);
    memcpy(d, &h, 2);
  } else if (Bytes == 4) {
    memcpy(d, &v, 4);
  } else {
    d[0] = static_cast<uint8_t>(v);
    d[1] = static_cast<uint8_t>(v >> 8);
    d[2] = static_cast<uint8_t>(v >> 16);
  }
}

// Pairs with vector code convert the row's first pixels in blocks and say
// how many they did; the others leave every pixel to the loop.
template <LayoutKind S, LayoutKind D>
struct ShiftVectors {
  static int Run(const uint8_t *, uint8_t *, int, uint32_t) { return 0; }
};

#if defined(__SSE2__)
template <>
struct ShiftVectors<KIND_RGB565, KIND_XRGB32> {
  static __m128i Widen(__m128i x, __m128i set) {
    const __m128i r = _mm_slli_epi32(_mm_and_si128(x, _mm_set1_epi32(0xF800)), 8);
    const __m128i g = _mm_slli_epi32(_mm_and_si128(x, _mm_set1_epi32(0x07E0)), 5);
    const __m128i b = _mm_slli_epi32(_mm_and_si128(x, _mm_set1_epi32(0x001F)), 3);
    return _mm_or_si128(_mm_or_si128(r, g), _mm_or_si128(b, set));
  }
  static int Run(const uint8_t *src, uint8_t *dst, int width, uint32_t set) {
    const __m128i zero = _mm_setzero_si128(), setv = _mm_set1_epi32(static_cast<int>(set));
    int i = 0;
    for (; i + 8 <= width; i += 8) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(src + 2 * i));
      _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + 4 * i), Widen(_mm_unpacklo_epi16(v, zero), setv));
      _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + 4 * i + 16), Widen(_mm_unpackhi_epi16(v, zero), setv));
    }
    return i;
  }
};

template <>
struct ShiftVectors<KIND_XRGB32, KIND_RGB565> {
  // The 565 value in the low half of each lane, sign-extended so that the
  // signed pack keeps all 16 bits.
  static __m128i Narrow(__m128i x, __m128i set) {
    const __m128i r = _mm_and_si128(_mm_srli_epi32(x, 8), _mm_set1_epi32(0xF800));
    const __m128i g = _mm_and_si128(_mm_srli_epi32(x, 5), _mm_set1_epi32(0x07E0));
    const __m128i b = _mm_and_si128(_mm_srli_epi32(x, 3), _mm_set1_epi32(0x001F));
    const __m128i v = _mm_or_si128(_mm_or_si128(r, g), _mm_or_si128(b, set));
    return _mm_srai_epi32(_mm_slli_epi32(v, 16), 16);
  }
  static int Run(const uint8_t *src, uint8_t *dst, int width, uint32_t set) {
    const __m128i setv = _mm_set1_epi32(static_cast<int>(set & 0xFFFFu));
    int i = 0;
    for (; i + 8 <= width; i += 8) {
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(src + 4 * i));
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(src + 4 * i + 16));
      _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + 2 * i),
                       _mm_packs_epi32(Narrow(a, setv), Narrow(b, setv)));
    }
    return i;
  }
};

// Each 64-bit lane holds two 3-byte pixels at its bottom (and two bytes
// more): the second moved up by a byte to its own 32-bit half.
inline __m128i Split24(__m128i pairs, __m128i set) {
  const __m128i first = _mm_and_si128(pairs, _mm_set_epi32(0, 0x00FFFFFF, 0, 0x00FFFFFF));
  const __m128i second = _mm_and_si128(_mm_slli_epi64(pairs, 8),
                                       _mm_set_epi32(0x00FFFFFF, 0, 0x00FFFFFF, 0));
  return _mm_or_si128(_mm_or_si128(first, second), set);
}

// 32-bit destinations with or without alpha take the same bytes.
struct Rgb24To32Vectors {
  static int Run(const uint8_t *src, uint8_t *dst, int width, uint32_t set) {
    const __m128i setv = _mm_set1_epi32(static_cast<int>(set));
    int i = 0;
    // Eight pixels' 24 bytes read as bytes 0-15 and 8-23.
    for (; i + 8 <= width; i += 8) {
      const uint8_t *s = src + 3 * i;
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s));
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s + 8));
      const __m128i p0123 = _mm_unpacklo_epi64(a, _mm_srli_si128(a, 6));
      const __m128i p4567 = _mm_unpacklo_epi64(_mm_srli_si128(b, 4), _mm_srli_si128(b, 10));
      _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + 4 * i), Split24(p0123, setv));
      _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + 4 * i + 16), Split24(p4567, setv));
    }
    return i;
  }
};
template <>
struct ShiftVectors<KIND_RGB24, KIND_XRGB32> : Rgb24To32Vectors {};
template <>
struct ShiftVectors<KIND_RGB24, KIND_ARGB32> : Rgb24To32Vectors {};
#endif

template <LayoutKind S, LayoutKind D, bool KeyToAlpha>
inline uint32_t ShiftValue(uint32_t raw, const ShiftRowTerms &t) {
  const bool isKey = KeyToAlpha && (raw & t.colorMask) == t.keyRaw;
  return ShiftDest<D>::Pack(ShiftSource<S>::Top(raw)) | (isKey ? t.keySet : t.set);
}

template <LayoutKind S, LayoutKind D, bool KeyToAlpha>
inline void ShiftPixel(uint32_t raw, uint8_t *dst, const ShiftRowTerms &t) {
  StoreValue<ShiftDest<D>::kBytes>(dst, ShiftValue<S, D, KeyToAlpha>(raw, t));
}

template <LayoutKind S, LayoutKind D, bool KeyToAlpha>
void ShiftRow(const uint8_t *src, uint8_t *dst, int width, const ShiftRowTerms &t) {
  typedef ShiftSource<S> From;
  typedef ShiftDest<D> To;
  int i = KeyToAlpha ? 0 : ShiftVectors<S, D>::Run(src, dst, width, t.set);
  src += static_cast<intptr_t>(i) * From::kBytes;
  dst += static_cast<intptr_t>(i) * To::kBytes;
  for (; i + 1 < width; ++i, src += From::kBytes, dst += To::kBytes)
    ShiftPixel<S, D, KeyToAlpha>(ReadAhead<From>(src), dst, t);
  if (i < width) ShiftPixel<S, D, KeyToAlpha>(From::Read(src), dst, t);
}

#if defined(__SSE2__)
// Eight 16-bit results put straight from the table into a vector; the
// indices are read four at a time.
template <int First>
inline __m128i Insert16(__m128i v, const uint16_t *table, uint32_t indices) {
  v = _mm_insert_epi16(v, table[(indices >> 8) & 0xFF], First + 1);
  v = _mm_insert_epi16(v, table[(indices >> 16) & 0xFF], First + 2);
  return _mm_insert_epi16(v, table[indices >> 24], First + 3);
}

// Two vectors filled side by side, so that neither insert waits for the
// other.
inline int PaletteBlocks16(const uint8_t *src, uint8_t *dst, int width, const uint16_t *table) {
  int i = 0;
  for (; i + 16 <= width; i += 16, src += 16, dst += 32) {
    uint32_t x[4];
    memcpy(x, src, 16);
    __m128i a = _mm_cvtsi32_si128(table[x[0] & 0xFF]);
    __m128i b = _mm_cvtsi32_si128(table[x[2] & 0xFF]);
    a = Insert16<0>(a, table, x[0]);
    b = Insert16<0>(b, table, x[2]);
    a = _mm_insert_epi16(a, table[x[1] & 0xFF], 4);
    b = _mm_insert_epi16(b, table[x[3] & 0xFF], 4);
    a = Insert16<4>(a, table, x[1]);
    b = Insert16<4>(b, table, x[3]);
    _mm_storeu_si128(reinterpret_cast<__m128i *>(dst), a);
    _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + 16), b);
  }
  return i;
}

// Four 32-bit results gathered into a vector, for the four indices in x
// (lowest byte first).
inline __m128i Gather32(const uint32_t *table, uint32_t x) {
  const __m128i p0 = _mm_cvtsi32_si128(static_cast<int>(table[x & 0xFF]));
  const __m128i p1 = _mm_cvtsi32_si128(static_cast<int>(table[(x >> 8) & 0xFF]));
  const __m128i p2 = _mm_cvtsi32_si128(static_cast<int>(table[(x >> 16) & 0xFF]));
  const __m128i p3 = _mm_cvtsi32_si128(static_cast<int>(table[x >> 24]));
  return _mm_unpacklo_epi64(_mm_unpacklo_epi32(p0, p1), _mm_unpacklo_epi32(p2, p3));
}

// The indices come eight to a load and are taken out by shifts: one load
// where there were eight, leaving the load ports to the table.
inline int PaletteBlocks32(const uint8_t *src, uint8_t *dst, int width, const uint32_t *table) {
  int i = 0;
  for (; i + 16 <= width; i += 16, src += 16, dst += 64) {
    uint64_t x, y;
    memcpy(&x, src, 8);
    memcpy(&y, src + 8, 8);
    __m128i *out = reinterpret_cast<__m128i *>(dst);
    _mm_storeu_si128(out, Gather32(table, static_cast<uint32_t>(x)));
    _mm_storeu_si128(out + 1, Gather32(table, static_cast<uint32_t>(x >> 32)));
    _mm_storeu_si128(out + 2, Gather32(table, static_cast<uint32_t>(y)));
    _mm_storeu_si128(out + 3, Gather32(table, static_cast<uint32_t>(y >> 32)));
  }
  return i;
}
#endif

// Each index's result looked up in a table of the destination's width.
template <LayoutKind D>
void PaletteRow(const uint8_t *src, uint8_t *dst, int width, const ShiftRowTerms &t) {
  const int bytes = ShiftDest<D>::kBytes;
  const uint32_t *values = t.paletteValues;
  int i = 0;
#if defined(__SSE2__)
  i = bytes == 2 ? PaletteBlocks16(src, dst, width, t.paletteValues16)
                 : PaletteBlocks32(src, dst, width, values);
#endif
  for (; i < width; ++i) StoreValue<ShiftDest<D>::kBytes>(dst + bytes * i, values[src[i]]);
}

typedef uint32_t (*ShiftValueFn)(uint32_t raw, const ShiftRowTerms &t);

struct ShiftRowPair {
  LayoutKind src;
  LayoutKind dst;
  int keyToAlpha;
  ShiftRowFn row;
  ShiftValueFn entry;  // palette sources: an entry's result (usual entry layout)
};

const ShiftRowPair kShiftRows[] = {
    {KIND_PAL8, KIND_RGB565, 0, PaletteRow<KIND_RGB565>, ShiftValue<KIND_PAL8, KIND_RGB565, false>},
    {KIND_PAL8, KIND_XRGB1555, 0, PaletteRow<KIND_XRGB1555>, ShiftValue<KIND_PAL8, KIND_XRGB1555, false>},
    {KIND_PAL8, KIND_XRGB32, 0, PaletteRow<KIND_XRGB32>, ShiftValue<KIND_PAL8, KIND_XRGB32, false>},
    {KIND_PAL8, KIND_ARGB1555, 1, PaletteRow<KIND_ARGB1555>, ShiftValue<KIND_PAL8, KIND_ARGB1555, true>},
    {KIND_PAL8, KIND_ARGB32, 1, PaletteRow<KIND_ARGB32>, ShiftValue<KIND_PAL8, KIND_ARGB32, true>},
    {KIND_RGB24, KIND_RGB565, 0, ShiftRow<KIND_RGB24, KIND_RGB565, false>, nullptr},
    {KIND_RGB24, KIND_XRGB1555, 0, ShiftRow<KIND_RGB24, KIND_XRGB1555, false>, nullptr},
    {KIND_RGB24, KIND_XRGB32, 0, ShiftRow<KIND_RGB24, KIND_XRGB32, false>, nullptr},
    {KIND_RGB24, KIND_ARGB32, 0, ShiftRow<KIND_RGB24, KIND_ARGB32, false>, nullptr},
    {KIND_RGB24, KIND_ARGB1555, 1, ShiftRow<KIND_RGB24, KIND_ARGB1555, true>, nullptr},
    {KIND_RGB24, KIND_ARGB32, 1, ShiftRow<KIND_RGB24, KIND_ARGB32, true>, nullptr},
    {KIND_XRGB32, KIND_RGB565, 0, ShiftRow<KIND_XRGB32, KIND_RGB565, false>, nullptr},
    {KIND_RGB565, KIND_RGB24, 0, ShiftRow<KIND_RGB565, KIND_RGB24, false>, nullptr},
    {KIND_RGB565, KIND_XRGB32, 0, ShiftRow<KIND_RGB565, KIND_XRGB32, false>, nullptr},
    {KIND_RGB565, KIND_XRGB1555, 0, ShiftRow<KIND_RGB565, KIND_XRGB1555, false>, nullptr},
    {KIND_RGB565, KIND_ARGB1555, 1, ShiftRow<KIND_RGB565, KIND_ARGB1555, true>, nullptr},
    {KIND_RGB565, KIND_ARGB32, 1, ShiftRow<KIND_RGB565, KIND_ARGB32, true>, nullptr},
    {KIND_XRGB1555, KIND_RGB565, 0, ShiftRow<KIND_XRGB1555, KIND_RGB565, false>, nullptr},
};

// Working out all 256 entries of a palette costs up to as much as
// converting 256 pixels one by one: smaller palette images stay with the
// per-pixel rule.
const int64_t kPaletteTableMinPixels = 256;

const ShiftRowPair *FindShiftRow(const ConversionJob &job) {
  if (job.keySkip || !UsesShiftWidening(job)) return nullptr;
  if (job.s.bytes == 1 && static_cast<int64_t>(job.width) * job.height < kPaletteTableMinPixels)
    return nullptr;
  const LayoutKind src = KindOf(job.srcFormat), dst = KindOf(job.dstFormat);
  const int keyToAlpha = job.keyToAlpha ? 1 : 0;
  for (const ShiftRowPair &pair : kShiftRows) {
    if (pair.src == src && pair.dst == dst && pair.keyToAlpha == keyToAlpha) return &pair;
  }
  return nullptr;
}

// The per-pixel rule's value for one source value, fill bits included.
uint32_t ConvertedValue(const ConversionJob &job, ChannelPlan *plan, uint32_t value) {
  uint32_t out = ComposePixel(job, plan, ReadChannels(job, *plan, value, 0, 0), 0, 0);
  if (job.d.bytes == 2 || job.d.bytes == 4) out |= job.d.fillMask;
  return out;
}

// Palette entries as blue, green and red bytes from the bottom, without an
// alpha of their own: the layout the shift rule reads.
int IsUsualEntryLayout(const PixelLayout &s) {
  return s.red.mask == 0xFF0000u && s.green.mask == 0xFF00u && s.blue.mask == 0xFFu &&
         !s.alpha.bits;
}

int ConvertShiftRows(const ConversionJob &job, const ShiftRowPair &pair) {
  ChannelPlan plan = MakeChannelPlan(job, 1);
  ShiftRowTerms terms = {};
  const uint32_t fill = job.d.bytes == 2 || job.d.bytes == 4 ? job.d.fillMask : 0;
  terms.keySet = fill;
  terms.set = fill | Place(ChannelMax(job.d.alpha), job.d.alpha);
  terms.colorMask = job.s.colorMask;
  terms.keyRaw = Place(plan.keyR, job.s.red) | Place(plan.keyG, job.s.green) |
                 Place(plan.keyB, job.s.blue);
  uint32_t paletteValues[256];
  uint16_t paletteValues16[256];
  if (job.s.bytes == 1) {
    // An index's result is its entry's, worked out once per entry: by the
    // pair's shifts where the entries are in the usual layout (a few cycles
    // an entry; the per-pixel rule's general steps take microseconds a
    // table), else by the per-pixel rule.
    const int usual = IsUsualEntryLayout(job.s);
    for (int i = 0; i < 256; ++i) {
      const uint32_t value = PaletteEntryValue(job.srcFormat, i);
      paletteValues[i] = usual ? pair.entry(value, terms) : ConvertedValue(job, &plan, value);
      paletteValues16[i] = static_cast<uint16_t>(paletteValues[i]);
    }
    terms.paletteValues = paletteValues;
    terms.paletteValues16 = paletteValues16;
  }
  for (int r = 0; r < job.height; ++r)
    pair.row(SourceAt(job, 0, r), DestAt(job, 0, r), job.width, terms);
  return 0;
}

// --- Dispatch ---------------------------------------------------------------

int IsPaletteRemap(const ConversionJob &job) {
  return job.paletteRemap && job.s.bytes == 1 && job.d.bytes == 1 && PalettesDiffer(job);
}

// An alpha image gives the alpha only to a destination with alpha from a
// source without; otherwise it is not read.
int AlphaComesFromAlphaImage(const ConversionJob &job) {
  return job.alpha && job.d.alpha.bits && !job.s.alpha.bits;
}

int IsSameLayoutCopy(const ConversionJob &job) {
  return !job.keyToAlpha && !AlphaComesFromAlphaImage(job) && !job.colorOff && !job.redToAlpha &&
         job.s.bytes == job.d.bytes && SameMasks(job.s, job.d);
}

int IsKeyToAlphaSameLayout(const ConversionJob &job) {
  // With an alpha image the alpha comes from it, never from the key.
  return job.keyToAlpha && job.d.alpha.bits && !job.colorOff && !job.redToAlpha && !job.alpha &&
         job.s.bytes == job.d.bytes && SameColorMasks(job.s, job.d);
}

int RunConversion(const ConversionJob &job) {
  if (IsPaletteRemap(job)) return RemapPalette(job);
  if (job.d.bytes == 1) {
    if (!job.redToAlpha && job.s.bytes != 1) return QuantiseToPalette(job);
    if (job.s.bytes == 1 && !job.colorOff && !job.redToAlpha && !job.keySkip) return CopyIndices(job);
  }
  if (IsSameLayoutCopy(job)) return CopySameLayout(job);
  if (IsKeyToAlphaSameLayout(job)) return KeyToAlphaSameLayout(job);
  if (const ShiftRowPair *pair = FindShiftRow(job)) return ConvertShiftRows(job, *pair);
  return ConvertPerChannel(job, UsesShiftWidening(job));
}

int PrepareJob(ConversionJob *job, const Rect *srcRect) {
  if (!job->dst || !job->src || !srcRect) return -1;
  if (srcRect->right <= srcRect->left || srcRect->bottom <= srcRect->top) return -1;
  if (DescribePixelLayout(job->dstFormat, &job->d) != 0) return -1;
  if (DescribePixelLayout(job->srcFormat, &job->s) != 0) return -1;
  if (job->alpha && DescribePixelLayout(job->alphaFormat, &job->a) != 0) return -1;
  if (job->dither < 0 || job->dither > 2) job->dither = 0;
  job->left = srcRect->left;
  job->top = srcRect->top;
  job->width = srcRect->right - srcRect->left;
  job->height = srcRect->bottom - srcRect->top;
  return 0;
}

// --- Helpers of the whole-image operations ---------------------------------

uint8_t *RowOf(const BASEIMAGE *image, int y) {
  return static_cast<uint8_t *>(image->pixels) + static_cast<intptr_t>(y) * image->pitch;
}

void SwapPixels(uint8_t *a, uint8_t *b, int bytes) {
  for (int i = 0; i < bytes; ++i) {
    const uint8_t t = a[i];
    a[i] = b[i];
    b[i] = t;
  }
}

void ReverseRow(uint8_t *row, int width, int bytes) {
  for (int i = 0, j = width - 1; i < j; ++i, --j) SwapPixels(row + i * bytes, row + j * bytes, bytes);
}

// Exchanges two rows, each reversed.
void SwapRowsReversed(uint8_t *a, uint8_t *b, int width, int bytes) {
  for (int x = 0; x < width; ++x) SwapPixels(a + x * bytes, b + (width - 1 - x) * bytes, bytes);
}

int HasPlainPixels(const BASEIMAGE *image) {
  return image && image->pixels && image->format.compression == 0 &&
         image->format.bytesPerPixel >= 1 && image->format.bytesPerPixel <= 4;
}

int RectFitsImage(int x1, int y1, int x2, int y2, const BASEIMAGE *image) {
  return x1 >= 0 && y1 >= 0 && x1 < x2 && y1 < y2 && x2 <= image->width && y2 <= image->height;
}

struct Color4 {
  int c[4];
};

// Neighbours past the image's last column or row repeat the edge pixel.
Color4 ReadClamped(const BASEIMAGE *image, int x, int y) {
  Color4 v = {};
  if (x >= image->width) x = image->width - 1;
  if (y >= image->height) y = image->height - 1;
  ReadBaseImagePixel(image, x, y, &v.c[0], &v.c[1], &v.c[2], &v.c[3]);
  return v;
}

Color4 SampleBilinear(const BASEIMAGE *src, uint32_t fixedX, uint32_t fixedY) {
  const int x = static_cast<int>(fixedX >> 16), y = static_cast<int>(fixedY >> 16);
  const uint32_t fx = fixedX & 0xFFFF, fy = fixedY & 0xFFFF;
  const uint32_t w11 = (fy * fx) >> 16, w01 = (fy * (65535 - fx)) >> 16;
  const uint32_t w10 = ((65535 - fy) * fx) >> 16, w00 = ((65535 - fy) * (65535 - fx)) >> 16;
  const Color4 p00 = ReadClamped(src, x, y), p10 = ReadClamped(src, x + 1, y);
  const Color4 p01 = ReadClamped(src, x, y + 1), p11 = ReadClamped(src, x + 1, y + 1);
  Color4 out;
  for (int i = 0; i < 4; ++i) {
    out.c[i] = static_cast<int>((w00 * p00.c[i] + w10 * p10.c[i] + w01 * p01.c[i] +
                                 w11 * p11.c[i]) >> 16);
  }
  return out;
}

// The channels averaged one by one; bits outside every channel (the fill)
// come out 0.
int Average(const PixelFormat *f, const uint32_t *values, int count) {
  const uint32_t masks[4] = {f->redMask, f->greenMask, f->blueMask, f->alphaMask};
  const int shifts[4] = {f->redShift, f->greenShift, f->blueShift, f->alphaShift};
  uint32_t out = 0;
  for (int c = 0; c < 4; ++c) {
    if (!masks[c] || shifts[c] >= 32) continue;
    uint32_t sum = 0;
    for (int i = 0; i < count; ++i) sum += (values[i] & masks[c]) >> shifts[c];
    out |= ((sum / count) << shifts[c]) & masks[c];
  }
  return static_cast<int>(out);
}

}  // namespace

int BlitWithFormatConversion(void *destPixels, int destPitch, const PixelFormat *destFormat,
                             const void *srcPixels, int srcPitch,
                             const PixelFormat *srcFormat, const void *alphaPixels,
                             int alphaPitch, const PixelFormat *alphaFormat, int destX,
                             int destY, const Rect *srcRect, int mirror, int keyToAlpha,
                             uint32_t keyColor, int ditherMode, int colorOff,
                             int redToAlpha, int keySkip, int paletteRemap) {
  ConversionJob job = {};
  job.dst = static_cast<uint8_t *>(destPixels);
  job.dstPitch = destPitch;
  job.dstFormat = destFormat;
  job.src = static_cast<const uint8_t *>(srcPixels);
  job.srcPitch = srcPitch;
  job.srcFormat = srcFormat;
  job.alpha = static_cast<const uint8_t *>(alphaPixels);
  job.alphaPitch = alphaPitch;
  job.alphaFormat = alphaFormat;
  job.destX = destX;
  job.destY = destY;
  job.mirror = mirror != 0;
  job.keyToAlpha = keyToAlpha != 0;
  job.key = keyColor;
  job.dither = ditherMode;
  job.colorOff = colorOff != 0;
  job.redToAlpha = redToAlpha != 0;
  job.keySkip = keySkip != 0;
  job.paletteRemap = paletteRemap != 0;
  if (PrepareJob(&job, srcRect) != 0) return -1;
  return RunConversion(job);
}

int BlitBaseImage(int srcX, int srcY, int w, int h, int destX, int destY, BASEIMAGE *src,
                  BASEIMAGE *dest) {
  if (!src || !dest) return -1;
  if (ConvertDxtToPlain(src) != 0 || ConvertDxtToPlain(dest) != 0) return -1;
  BlitBlock block = {srcX, srcY, w, h, destX, destY};
  ClipBlitBlock(&block, src->width, src->height, dest->width, dest->height);
  if (block.w <= 0 || block.h <= 0) return 0;
  const Rect rect = ClippedSourceRect(block);
  const int result = BlitWithFormatConversion(
      dest->pixels, dest->pitch, &dest->format, src->pixels, src->pitch, &src->format, nullptr,
      0, nullptr, static_cast<int>(block.destX), static_cast<int>(block.destY), &rect, 0, 0, 0,
      0, 0, 0, 0, 1);
  return result < 0 ? -1 : 0;
}

int ScaleBlitBaseImage(int srcX1, int srcY1, int srcX2, int srcY2, BASEIMAGE *src,
                       int destX1, int destY1, int destX2, int destY2, BASEIMAGE *dest,
                       int mode) {
  if (!src || !dest) return -1;
  if (!RectFitsImage(srcX1, srcY1, srcX2, srcY2, src) ||
      !RectFitsImage(destX1, destY1, destX2, destY2, dest)) {
    return -1;
  }
  const int srcW = srcX2 - srcX1, srcH = srcY2 - srcY1;
  const int destW = destX2 - destX1, destH = destY2 - destY1;
  if (srcW == destW && srcH == destH) {
    return BlitBaseImage(srcX1, srcY1, srcW, srcH, destX1, destY1, src, dest);
  }
  if (ConvertDxtToPlain(src) != 0 || ConvertDxtToPlain(dest) != 0) return -1;
  const uint32_t stepX = static_cast<uint32_t>((static_cast<int64_t>(srcW) << 16) / destW);
  const uint32_t stepY = static_cast<uint32_t>((static_cast<int64_t>(srcH) << 16) / destH);
  for (int i = 0; i < destH; ++i) {
    const uint32_t fy = (static_cast<uint32_t>(srcY1) << 16) + static_cast<uint32_t>(i) * stepY;
    for (int j = 0; j < destW; ++j) {
      const uint32_t fx = (static_cast<uint32_t>(srcX1) << 16) + static_cast<uint32_t>(j) * stepX;
      Color4 v = {};
      if (mode == 1) {
        v = SampleBilinear(src, fx, fy);
      } else {
        ReadBaseImagePixel(src, static_cast<int>(fx >> 16), static_cast<int>(fy >> 16), &v.c[0],
                           &v.c[1], &v.c[2], &v.c[3]);
      }
      WriteBaseImagePixel(dest, destX1 + j, destY1 + i, v.c[0], v.c[1], v.c[2], v.c[3]);
    }
  }
  return 0;
}

int MirrorBaseImage(BASEIMAGE *image) {
  if (!HasPlainPixels(image) || image->width <= 0 || image->height <= 0) return -1;
  for (int y = 0; y < image->height; ++y) ReverseRow(RowOf(image, y), image->width, image->format.bytesPerPixel);
  return 0;
}

int RotateBaseImage180(BASEIMAGE *image) {
  if (!HasPlainPixels(image)) return -1;
  const int bytes = image->format.bytesPerPixel;
  for (int i = 0; i < image->height / 2; ++i) {
    SwapRowsReversed(RowOf(image, i), RowOf(image, image->height - 1 - i), image->width, bytes);
  }
  // The middle row of an odd height turns onto itself.
  if (image->height % 2 == 1) ReverseRow(RowOf(image, image->height / 2), image->width, bytes);
  return 0;
}

int HalveBaseImagePixels(const PixelFormat *format, void *destPixels, int destPitch,
                         const void *srcPixels, int srcPitch, int destX, int destY,
                         int srcX, int srcY, int srcWidth, int srcHeight) {
  if (!format || !destPixels || !srcPixels || srcWidth <= 0 || srcHeight <= 0) return -1;
  if ((srcWidth % 2 && srcWidth != 1) || (srcHeight % 2 && srcHeight != 1)) return -1;
  const int bytes = format->bytesPerPixel;
  if (bytes != 2 && bytes != 4) return 0;
  const int stepX = srcWidth == 1 ? 0 : 1, stepY = srcHeight == 1 ? 0 : 1;
  const int count = (stepX + 1) * (stepY + 1);
  const int outW = srcWidth == 1 ? 1 : srcWidth / 2, outH = srcHeight == 1 ? 1 : srcHeight / 2;
  const uint8_t *src = static_cast<const uint8_t *>(srcPixels);
  uint8_t *dst = static_cast<uint8_t *>(destPixels);
  for (int y = 0; y < outH; ++y) {
    const uint8_t *row0 = src + static_cast<intptr_t>(srcY + y * 2) * srcPitch;
    const uint8_t *row1 = row0 + static_cast<intptr_t>(stepY) * srcPitch;
    uint8_t *out = dst + static_cast<intptr_t>(destY + y) * destPitch;
    for (int x = 0; x < outW; ++x) {
      const intptr_t x0 = static_cast<intptr_t>(srcX + x * 2) * bytes, x1 = x0 + stepX * bytes;
      uint32_t values[4] = {ReadRawPixel(row0 + x0, bytes), ReadRawPixel(row0 + x1, bytes),
                            ReadRawPixel(row1 + x0, bytes), ReadRawPixel(row1 + x1, bytes)};
      if (count == 2) values[1] = stepX ? values[1] : values[2];
      const uint32_t avg = count == 1 ? values[0] : static_cast<uint32_t>(Average(format, values, count));
      WriteRawPixel(out + static_cast<intptr_t>(destX + x) * bytes, bytes, avg);
    }
  }
  return 0;
}

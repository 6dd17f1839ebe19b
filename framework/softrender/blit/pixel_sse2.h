// Row kernels of the plain draw in SSE2, for the targets that have it (every
// x86-64 and the i686 build): the same bytes as blend_ops.h's writers, four
// 8888 pixels per vector, with the few instructions the generic vectors
// cannot express (saturating byte adds, 16-bit products).
#ifndef VELVANE_SOFTRENDER_PIXEL_SSE2_H
#define VELVANE_SOFTRENDER_PIXEL_SSE2_H

#if defined(__SSE2__)
#include <emmintrin.h>
#include <stdint.h>

namespace sse2_pixels {

// d + (s - d) w / 256 on each byte, in 16-bit lanes: the even bytes (blue,
// red) weighed by wEven, the odd ones (green, the fourth byte) by wOdd, two
// lanes of each a pixel. (s - d) w + 256 d = s w + d (256 - w) lies in
// 0 .. 65280 for w in 0 .. 256, so the wrapped 16-bit products are exact.
static inline __m128i Lerp8888(__m128i s, __m128i d, __m128i wEven, __m128i wOdd) {
  const __m128i lowBytes = _mm_set1_epi16(0x00FF);
  const __m128i dEven = _mm_and_si128(d, lowBytes);
  const __m128i even = _mm_srli_epi16(
      _mm_add_epi16(_mm_mullo_epi16(_mm_sub_epi16(_mm_and_si128(s, lowBytes), dEven), wEven),
                    _mm_slli_epi16(d, 8)),
      8);
  const __m128i odd = _mm_add_epi16(
      _mm_mullo_epi16(_mm_sub_epi16(_mm_srli_epi16(s, 8), _mm_srli_epi16(d, 8)), wOdd),
      _mm_andnot_si128(lowBytes, d));
  return _mm_or_si128(even, _mm_andnot_si128(lowBytes, odd));
}

// One weight on the three colour channels, 0 on the fourth byte (which so
// stays the destination's).
static inline __m128i EvenWeights(uint32_t w) { return _mm_set1_epi16((short)w); }
static inline __m128i OddWeights(uint32_t w) { return _mm_set1_epi32((int)(w & 0xFFFFu)); }

// An alpha source under the transparency flag: alpha 255 copies the whole
// word, alpha 0 keeps the destination, anything else weighs the colour by
// alpha / 256 and keeps the destination's fourth byte. All three are the
// one blend with the weight 256 for alpha 255 (on all four bytes) and the
// alpha itself otherwise (0 on the fourth byte).
static inline __m128i AlphaCopy8888(__m128i s, __m128i d) {
  const __m128i alpha = _mm_srli_epi32(s, 24);
  const __m128i opaque = _mm_cmpeq_epi32(alpha, _mm_set1_epi32(255));
  const int opaqueBits = _mm_movemask_epi8(opaque);
  if (opaqueBits == 0xFFFF) return s;  // sprites: whole opaque groups
  if (opaqueBits == 0 && _mm_movemask_epi8(_mm_cmpeq_epi32(alpha, _mm_setzero_si128())) == 0xFFFF)
    return d;  // and whole transparent ones
  const __m128i w = _mm_sub_epi32(alpha, opaque);  // 255 becomes 256
  const __m128i wEven = _mm_or_si128(w, _mm_slli_epi32(w, 16));
  const __m128i wOdd = _mm_or_si128(w, _mm_and_si128(opaque, _mm_set1_epi32(256 << 16)));
  return Lerp8888(s, d, wEven, wOdd);
}

// The add at p = 255 without the low-bit term: each channel saturates on
// its own, and the carry out of blue, green and red lands in the lowest
// bit of the byte above (green's and red's lowest bits take no part in the
// sum, so the carry is their whole value there).
static inline __m128i AddFull8888(__m128i s, __m128i d) {
  const __m128i lanes = _mm_set1_epi32(0x00FEFEFF);
  const __m128i dm = _mm_and_si128(d, lanes), sm = _mm_and_si128(s, lanes);
  const __m128i carries = _mm_and_si128(_mm_add_epi32(dm, sm), _mm_set1_epi32(0x01010100));
  return _mm_or_si128(_mm_adds_epu8(dm, sm), carries);
}

// Mode 1 on 565 without weight or brightness: floor((k s + (63 - k) d) / 63)
// per channel, k = p / 4 in kLanes and 63 - k in restLanes. The sums stay
// below 63 * 64, where the high product with 33289 shifted right by 5 is
// the exact quotient; green's quotient so lands in its own field, red's
// and blue's are moved to theirs.
static inline __m128i BlendCube565(__m128i s, __m128i d, __m128i kLanes, __m128i restLanes) {
  const __m128i green = _mm_set1_epi16(63), blue = _mm_set1_epi16(31);
  const __m128i divide = _mm_set1_epi16((short)33289);
  const __m128i r = _mm_add_epi16(_mm_mullo_epi16(_mm_srli_epi16(s, 11), kLanes),
                                  _mm_mullo_epi16(_mm_srli_epi16(d, 11), restLanes));
  const __m128i g =
      _mm_add_epi16(_mm_mullo_epi16(_mm_and_si128(_mm_srli_epi16(s, 5), green), kLanes),
                    _mm_mullo_epi16(_mm_and_si128(_mm_srli_epi16(d, 5), green), restLanes));
  const __m128i b = _mm_add_epi16(_mm_mullo_epi16(_mm_and_si128(s, blue), kLanes),
                                  _mm_mullo_epi16(_mm_and_si128(d, blue), restLanes));
  const __m128i rq = _mm_and_si128(_mm_slli_epi16(_mm_mulhi_epu16(r, divide), 6),
                                   _mm_set1_epi16((short)0xF800));
  const __m128i gq = _mm_and_si128(_mm_mulhi_epu16(g, divide), _mm_set1_epi16(0x07E0));
  const __m128i bq = _mm_srli_epi16(_mm_mulhi_epu16(b, divide), 5);
  return _mm_or_si128(_mm_or_si128(rq, gq), bq);
}

}  // namespace sse2_pixels

#endif  // __SSE2__
#endif  // VELVANE_SOFTRENDER_PIXEL_SSE2_H

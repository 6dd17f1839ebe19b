// The plain draw's widest rows in AVX2: eight 8888 pixels a vector, then
// one SSE2 vector of four (VEX-encoded here), with the bytes of the SSE2
// rows. This file alone is built for AVX2, and only on 64-bit x86; nothing
// in it has a template or inline definition shared with other files, so the
// linker cannot hand the SSE2 callers an AVX2 copy. Rows are width pixels
// long, width a multiple of 4; the caller draws the pixels after them.
#include "softrender/blit/blit_rows.h"

#if defined(__AVX2__)
#include <immintrin.h>

#include "softrender/blit/pixel_sse2.h"

namespace blit_avx2 {
namespace {

// d + (s - d) w / 256 on each byte: pixel_sse2.h's Lerp8888, eight pixels.
__m256i Lerp8888(__m256i s, __m256i d, __m256i wEven, __m256i wOdd) {
  const __m256i lowBytes = _mm256_set1_epi16(0x00FF);
  const __m256i dEven = _mm256_and_si256(d, lowBytes);
  const __m256i even = _mm256_srli_epi16(
      _mm256_add_epi16(
          _mm256_mullo_epi16(_mm256_sub_epi16(_mm256_and_si256(s, lowBytes), dEven), wEven),
          _mm256_slli_epi16(d, 8)),
      8);
  const __m256i odd = _mm256_add_epi16(
      _mm256_mullo_epi16(_mm256_sub_epi16(_mm256_srli_epi16(s, 8), _mm256_srli_epi16(d, 8)), wOdd),
      _mm256_andnot_si256(lowBytes, d));
  return _mm256_or_si256(even, _mm256_andnot_si256(lowBytes, odd));
}

// pixel_sse2.h's AlphaCopy8888, eight pixels.
struct AlphaCopy8888 {
  static __m256i Wide(__m256i s, __m256i d) {
    const __m256i alpha = _mm256_srli_epi32(s, 24);
    const __m256i opaque = _mm256_cmpeq_epi32(alpha, _mm256_set1_epi32(255));
    const unsigned opaqueBits = (unsigned)_mm256_movemask_epi8(opaque);
    if (opaqueBits == 0xFFFFFFFFu) return s;
    if (opaqueBits == 0 &&
        (unsigned)_mm256_movemask_epi8(_mm256_cmpeq_epi32(alpha, _mm256_setzero_si256())) ==
            0xFFFFFFFFu)
      return d;
    const __m256i w = _mm256_sub_epi32(alpha, opaque);
    const __m256i wEven = _mm256_or_si256(w, _mm256_slli_epi32(w, 16));
    const __m256i wOdd =
        _mm256_or_si256(w, _mm256_and_si256(opaque, _mm256_set1_epi32(256 << 16)));
    return Lerp8888(s, d, wEven, wOdd);
  }
  static __m128i Narrow(__m128i s, __m128i d) { return sse2_pixels::AlphaCopy8888(s, d); }
};

// pixel_sse2.h's AddFull8888, eight pixels.
struct AddFull8888 {
  static __m256i Wide(__m256i s, __m256i d) {
    const __m256i lanes = _mm256_set1_epi32(0x00FEFEFF);
    const __m256i dm = _mm256_and_si256(d, lanes), sm = _mm256_and_si256(s, lanes);
    const __m256i carries =
        _mm256_and_si256(_mm256_add_epi32(dm, sm), _mm256_set1_epi32(0x01010100));
    return _mm256_or_si256(_mm256_adds_epu8(dm, sm), carries);
  }
  static __m128i Narrow(__m128i s, __m128i d) { return sse2_pixels::AddFull8888(s, d); }
};

template <class Kernel>
void Rows(const BlitRows &r) {
  uint8_t *dstRow = r.dst;
  const uint8_t *srcRow = r.src;
  const int wide = r.width & ~7;
  for (int y = 0; y < r.height; ++y) {
    int x = 0;
    for (; x < wide; x += 8) {
      __m256i *d = (__m256i *)(dstRow + 4 * x);
      const __m256i s = _mm256_loadu_si256((const __m256i *)(srcRow + 4 * x));
      _mm256_storeu_si256(d, Kernel::Wide(s, _mm256_loadu_si256(d)));
    }
    if (x < r.width) {
      __m128i *d = (__m128i *)(dstRow + 4 * x);
      const __m128i s = _mm_loadu_si128((const __m128i *)(srcRow + 4 * x));
      _mm_storeu_si128(d, Kernel::Narrow(s, _mm_loadu_si128(d)));
    }
    dstRow += r.dstPitch;
    srcRow += r.srcPitch;
  }
}

}  // namespace

void AlphaCopyRows8888(const BlitRows &rows) { Rows<AlphaCopy8888>(rows); }

void AddFullRows8888(const BlitRows &rows) { Rows<AddFull8888>(rows); }

}  // namespace blit_avx2

#endif  // __AVX2__

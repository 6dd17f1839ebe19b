#include <gtest/gtest.h>
#include <limits.h>
#include <string.h>

#include "softrender/blit/blit_reference.h"
#include "core/debug/memory.h"
#include "leak_check.h"
#include "softrender/softrender.h"

namespace {

class MemImgTest : public LeakCheckedTest {
 protected:
  void TearDown() override {
    MemImgRelease(&a);
    MemImgRelease(&b);
    MemImgRelease(&c);
    LeakCheckedTest::TearDown();
  }
  MEMIMG a = {}, b = {}, c = {};
};

struct CreateCase {
  int code, palette, alpha;
  int bytes;       // per pixel
  int bits;        // of the format record
  uint32_t red, alphaMask;
  int palettePresent, alphaKept;
};

TEST_F(MemImgTest, CreationOverEveryFormat) {
  const CreateCase cases[] = {
      {0, 0, 0, 2, 16, 0xF800, 0, 0, 0},
      {0, 0, 1, 4, 32, 0xF800, 0xFF0000, 0, 1},
      {1, 0, 0, 4, 32, 0xFF0000, 0, 0, 0},
      {1, 0, 1, 4, 32, 0xFF0000, 0xFF000000, 0, 1},
      {0, 1, 0, 1, 8, 0xF800, 0, 1, 0},
      {1, 1, 1, 1, 8, 0xFF0000, 0, 1, 0},  // a palette image never has alpha
      {2, 1, 1, 1, 8, 0xFF, 0xFF, 0, 0},   // codes 2 and 3 drop both flags
      {3, 0, 1, 2, 16, 0xFFFF, 0xFFFF, 0, 0},
  };
  for (const CreateCase &k : cases) {
    SCOPED_TRACE(testing::Message() << "code " << k.code << " palette " << k.palette << " alpha "
                                    << k.alpha);
    ASSERT_EQ(0, MemImgCreate(&a, 10, 3, -1, 0x1234, k.code, k.palette, k.alpha, 1, nullptr));
    EXPECT_EQ(1, MemImgIsValid(&a));
    EXPECT_EQ(MEMIMG_MAGIC, a.magic);
    EXPECT_EQ(10, a.width);
    EXPECT_EQ(3, a.height);
    const MemImgBase *base = a.base;
    EXPECT_EQ(1, base->referenceCount);
    EXPECT_EQ(k.code, base->formatCode);
    EXPECT_EQ(k.palettePresent, base->paletteFlag);
    EXPECT_EQ(k.alphaKept, base->alphaFlag);
    EXPECT_EQ(0x1234u, base->colorKey);
    EXPECT_EQ(k.bytes, base->format->bytesPerPixel);
    EXPECT_EQ(k.bits, base->format->bitsPerPixel);
    EXPECT_EQ(k.red, base->format->redMask);
    EXPECT_EQ(k.alphaMask, base->format->alphaMask);
    EXPECT_EQ((k.bytes * 10 + 15) / 16 * 16, base->pitch);
    EXPECT_EQ(a.pixels, base->pixelBuffer);
    EXPECT_EQ(k.palettePresent != 0, base->palette != nullptr);
    if (base->palette) {
      EXPECT_EQ(static_cast<uint8_t *>(base->palette) + 1024, base->paletteCopy);
      for (int i = 0; i < 2048; ++i) ASSERT_EQ(0, static_cast<uint8_t *>(base->palette)[i]);
    }
    EXPECT_EQ(k.alphaKept != 0, base->alphaPlane != nullptr);
    EXPECT_EQ(a.alpha, base->alphaPlane);
    EXPECT_EQ(k.code != 2, base->runTable != nullptr);
    EXPECT_EQ(0, base->alphaPlaneValid);
    EXPECT_EQ(0, base->runTableValid);
    EXPECT_EQ(0, base->externalBuffer);
    // The whole buffer is usable.
    memset(a.pixels, 0xA5, static_cast<size_t>(base->pitch) * 3);
    MemImgRelease(&a);
    EXPECT_EQ(0, MemImgIsValid(&a));
  }
}

TEST_F(MemImgTest, PitchAndPitchShift) {
  struct Case {
    int width, code, pitch, expectPitch, expectShift;
  };
  const Case cases[] = {
      {640, 0, -1, 1280, -1}, {512, 0, -1, 1024, 10}, {4, 0, -1, 16, -1},
      {8, 0, -1, 16, 4},      {1, 2, -1, 16, -1},     {100, 1, 512, 512, 9},
      {100, 1, 400, 400, -1}, {1, 2, 1, 1, 0},
  };
  for (const Case &k : cases) {
    SCOPED_TRACE(testing::Message() << k.width << " code " << k.code << " pitch " << k.pitch);
    ASSERT_EQ(0, MemImgCreate(&a, k.width, 2, k.pitch, 0, k.code, 0, 0, 0, nullptr));
    EXPECT_EQ(k.expectPitch, a.base->pitch);
    EXPECT_EQ(k.expectShift, a.base->pitchShift);
    MemImgRelease(&a);
  }
}

TEST_F(MemImgTest, BadArgumentsAreRefusedWithoutAllocating) {
  const int args[][4] = {// width, height, pitch, code
                         {0, 4, -1, 0},         {4, 0, -1, 0},        {-3, 4, -1, 1},
                         {4, 4, -1, 4},         {4, 4, -1, -1},       {10, 4, 19, 0},
                         {40000, 40000, -1, 1}, {INT_MAX, 2, -1, 1}, {INT_MAX / 2, 1, -1, 1}};
  for (const auto &k : args) {
    SCOPED_TRACE(testing::Message() << k[0] << "x" << k[1] << " pitch " << k[2] << " code " << k[3]);
    EXPECT_EQ(-1, MemImgCreate(&a, k[0], k[1], k[2], 0, k[3], 0, 0, 1, nullptr));
    EXPECT_EQ(0, MemImgIsValid(&a));
    EXPECT_EQ(baseline, GetAllocatedBlockCount());
  }
}

TEST_F(MemImgTest, AFailedCreationFreesWhatItAttachedAndCanBeRetried) {
  // The palette block and the base are allocated, then the run table of a
  // row too long for one block is refused.
  static uint8_t external[16];
  const int width = INT_MAX - 10;
  EXPECT_EQ(-1, MemImgCreate(&a, width, 1, width, 0, 0, 1, 0, 1, external));
  EXPECT_EQ(baseline, GetAllocatedBlockCount());
  EXPECT_EQ(0, MemImgIsValid(&a));
  EXPECT_EQ(nullptr, a.base);
  // The same for the alpha plane of an image over an external buffer.
  EXPECT_EQ(-1, MemImgCreate(&a, 1, 1, INT_MAX - 10, 0, 1, 0, 1, 1, external));
  EXPECT_EQ(baseline, GetAllocatedBlockCount());
  EXPECT_EQ(nullptr, a.base);

  ASSERT_EQ(0, MemImgCreate(&a, 4, 4, -1, 0, 1, 0, 1, 1, nullptr));
  EXPECT_EQ(16, a.base->pitch);
  EXPECT_NE(nullptr, a.base->alphaPlane);
}

TEST_F(MemImgTest, CreatingOverAValidViewFailsAndKeepsIt) {
  ASSERT_EQ(0, MemImgCreate(&a, 4, 4, -1, 0, 0, 0, 0, 0, nullptr));
  const MEMIMG before = a;
  const int blocks = GetAllocatedBlockCount();
  EXPECT_EQ(-1, MemImgCreate(&a, 8, 8, -1, 0, 1, 0, 0, 0, nullptr));
  EXPECT_EQ(-1, MemImgCreateScreen(&a, 8, 8, 1));
  EXPECT_EQ(0, memcmp(&before, &a, sizeof(a)));
  EXPECT_EQ(blocks, GetAllocatedBlockCount());
}

TEST_F(MemImgTest, ScreenImageFollowsTheColourDepth) {
  memset(&a, 0x5A, sizeof(a));  // the screen record need not be zeroed first
  a.magic = 0;
  ASSERT_EQ(0, MemImgCreateScreen(&a, 640, 480, -1));
  EXPECT_EQ(0, a.base->formatCode);  // 16 bits until set
  EXPECT_EQ(1280, a.base->pitch);
  EXPECT_EQ(0u, a.base->colorKey);
  EXPECT_EQ(nullptr, a.base->runTable);
  ASSERT_EQ(0, MemImgCreateScreen(&b, 320, 240, 1));
  EXPECT_EQ(1, b.base->formatCode);
  EXPECT_EQ(1280, b.base->pitch);
}

TEST_F(MemImgTest, ExternalBuffersAreNeverFreed) {
  uint8_t *buffer = static_cast<uint8_t *>(VV_ALLOC(64));
  ASSERT_EQ(0, MemImgCreate(&a, 4, 4, 16, 0, 2, 0, 0, 0, buffer));
  EXPECT_EQ(buffer, a.pixels);
  EXPECT_EQ(1, a.base->externalBuffer);
  MemImgRelease(&a);
  buffer[63] = 1;  // still ours (ASan would object otherwise)
  VV_FREE(buffer);
}

TEST_F(MemImgTest, SubImagesShareTheBase) {
  ASSERT_EQ(0, MemImgCreate(&a, 8, 6, -1, 0, 1, 0, 1, 1, nullptr));
  MemImgMakeSubImage(&b, &a, 2, 1, 6, 5);  // x + width == source width
  ASSERT_EQ(1, MemImgIsValid(&b));
  EXPECT_EQ(a.base, b.base);
  EXPECT_EQ(2, a.base->referenceCount);
  EXPECT_EQ(6, b.width);
  EXPECT_EQ(5, b.height);
  EXPECT_EQ(a.pixels + a.base->pitch + 8, b.pixels);
  EXPECT_EQ(a.alpha + a.base->pitch + 8, b.alpha);

  // One pixel too many in either direction, or a negative start: untouched.
  const MEMIMG before = b;
  MemImgMakeSubImage(&b, &a, 3, 1, 6, 5);
  MemImgMakeSubImage(&b, &a, 2, 2, 6, 5);
  MemImgMakeSubImage(&b, &a, -1, 0, 2, 2);
  MemImgMakeSubImage(&b, &a, 0, 0, -2, 2);
  MemImgMakeSubImage(&b, &a, INT_MAX, 0, 2, 2);
  EXPECT_EQ(0, memcmp(&before, &b, sizeof(b)));
  EXPECT_EQ(2, a.base->referenceCount);

  // A sub-image of a sub-image is relative to its view.
  MemImgMakeSubImage(&c, &b, 1, 1, 2, 2);
  EXPECT_EQ(b.pixels + a.base->pitch + 4, c.pixels);
  EXPECT_EQ(3, a.base->referenceCount);

  // Releasing views in any order keeps the pixels until the last one.
  MemImgBase *base = a.base;
  MemImgRelease(&a);
  EXPECT_EQ(0, MemImgIsValid(&a));
  EXPECT_EQ(2, base->referenceCount);
  c.pixels[0] = 1;
  MemImgRelease(&a);  // a second release does nothing
  EXPECT_EQ(2, base->referenceCount);
  MemImgRelease(&b);
  EXPECT_EQ(1, base->referenceCount);
  MemImgRelease(&c);
  EXPECT_EQ(baseline, GetAllocatedBlockCount());
}

TEST_F(MemImgTest, MakingASubImageOverAValidViewReleasesTheOldOne) {
  ASSERT_EQ(0, MemImgCreate(&a, 8, 8, -1, 0, 0, 0, 0, 0, nullptr));
  ASSERT_EQ(0, MemImgCreate(&b, 4, 4, -1, 0, 0, 0, 0, 0, nullptr));
  const int withBoth = GetAllocatedBlockCount();
  MemImgMakeSubImage(&b, &a, 0, 0, 2, 2);
  EXPECT_EQ(a.base, b.base);
  EXPECT_EQ(2, a.base->referenceCount);
  EXPECT_LT(GetAllocatedBlockCount(), withBoth);  // b's own base went

  // The view may be the source itself: its base must survive.
  MemImgMakeSubImage(&a, &a, 1, 1, 4, 4);
  ASSERT_EQ(1, MemImgIsValid(&a));
  EXPECT_EQ(2, a.base->referenceCount);
  EXPECT_EQ(b.base, a.base);
  a.pixels[0] = 7;
  EXPECT_EQ(7, b.pixels[a.base->pitch + 2]);
}

TEST_F(MemImgTest, InvalidViewsAreIgnored) {
  EXPECT_EQ(0, MemImgIsValid(nullptr));
  EXPECT_EQ(0, MemImgIsValid(&a));
  MEMIMG noBase = {MEMIMG_MAGIC, 1, 1, nullptr, nullptr, nullptr};
  EXPECT_EQ(0, MemImgIsValid(&noBase));
  MemImgRelease(&a);
  MemImgRelease(nullptr);
  MemImgMakeSubImage(&b, &a, 0, 0, 0, 0);
  EXPECT_EQ(0, MemImgIsValid(&b));
}

TEST(MemImgFormatTest, SharedRecordsPerFormat) {
  EXPECT_EQ(nullptr, MemImgGetPixelFormat(4, 0, 0));
  EXPECT_EQ(nullptr, MemImgGetPixelFormat(-1, 0, 0));
  const PixelFormat *f = MemImgGetPixelFormat(0, 1, 0);
  ASSERT_NE(nullptr, f);
  EXPECT_EQ(f, MemImgGetPixelFormat(0, 1, 0));
  EXPECT_EQ(32, f->bitsPerPixel);
  EXPECT_EQ(4, f->bytesPerPixel);
  EXPECT_EQ(0xF800u, f->redMask);
  EXPECT_EQ(0xFF0000u, f->alphaMask);
  EXPECT_EQ(0xFF000000u, f->fillMask);
  const PixelFormat *plain = MemImgGetPixelFormat(0, 0, 0);
  EXPECT_EQ(16, plain->bitsPerPixel);
  EXPECT_EQ(0u, plain->fillMask);
  EXPECT_EQ(11, plain->redShift);
  const PixelFormat *x = MemImgGetPixelFormat(1, 0, 0);
  EXPECT_EQ(0xFF000000u, x->fillMask);
  EXPECT_EQ(0u, x->alphaMask);
  const PixelFormat *pal = MemImgGetPixelFormat(1, 0, 1);
  EXPECT_EQ(8, pal->bitsPerPixel);
  EXPECT_EQ(0xFF0000u, pal->redMask);
  // Alpha and palette flags mean nothing for the single-channel codes.
  EXPECT_EQ(MemImgGetPixelFormat(2, 0, 0), MemImgGetPixelFormat(2, 1, 1));
  const PixelFormat *one = MemImgGetPixelFormat(3, 0, 0);
  EXPECT_EQ(16, one->bitsPerPixel);
  EXPECT_EQ(2, one->bytesPerPixel);
  EXPECT_EQ(16, one->alphaBits);
  EXPECT_EQ(0xFFFFu, one->blueMask);
  EXPECT_EQ(0u, one->fillMask);
}

TEST_F(MemImgTest, BlitCopiesAndConvertsTheWholeSourceView) {
  ASSERT_EQ(0, MemImgCreate(&a, 3, 2, -1, 0, 0, 0, 0, 0, nullptr));
  ASSERT_EQ(0, MemImgCreate(&b, 4, 4, -1, 0, 1, 0, 0, 0, nullptr));
  MemImgFillRect(&a, nullptr, 0xF800);
  MemImgFillRect(&b, nullptr, 0);
  EXPECT_EQ(0, MemImgBlit(&b, &a, nullptr, 1, 1));
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) {
      const bool inside = x >= 1 && y >= 1 && y < 3;
      EXPECT_EQ(inside ? 0xFFF80000u : 0u, RefReadPixel(&b, x, y)) << x << "," << y;
    }
  }
}

TEST_F(MemImgTest, BlitClipsToBothImages) {
  ASSERT_EQ(0, MemImgCreate(&a, 4, 4, -1, 0, 2, 0, 0, 0, nullptr));
  ASSERT_EQ(0, MemImgCreate(&b, 3, 3, -1, 0, 2, 0, 0, 0, nullptr));
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) a.pixels[y * a.base->pitch + x] = static_cast<uint8_t>(10 * y + x);
  }
  struct Case {
    Rect rect;
    int x, y;
    int result;
    uint8_t expect[3][3];
  };
  const Case cases[] = {
      {{0, 0, 4, 4}, -1, -1, 0, {{11, 12, 13}, {21, 22, 23}, {31, 32, 33}}},
      {{2, 2, 9, 9}, 1, 0, 0, {{0, 22, 23}, {0, 32, 33}, {0, 0, 0}}},
      {{-2, 1, 2, 2}, 0, 0, 0, {{0, 0, 10}, {0, 0, 0}, {0, 0, 0}}},
      {{-2, 1, 2, 2}, 0, 2, 0, {{0, 0, 0}, {0, 0, 0}, {0, 0, 10}}},
      {{0, 0, 4, 4}, 3, 0, -1, {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}},
      {{3, 3, 1, 1}, 0, 0, -1, {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}},
      // Edges and positions at the int range's ends.
      {{INT_MIN, 1, 2, 2}, INT_MIN, 0, 0, {{10, 11, 0}, {0, 0, 0}, {0, 0, 0}}},
      {{INT_MIN, 0, INT_MAX, 1}, 0, 0, -1, {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}},
      {{0, 0, 4, 4}, INT_MAX, INT_MIN, -1, {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}},
      {{2, 3, INT_MAX, INT_MAX}, -1, 0, 0, {{33, 0, 0}, {0, 0, 0}, {0, 0, 0}}},
  };
  for (const Case &k : cases) {
    MemImgFillRect(&b, nullptr, 0);
    // Index copies report the highest index; grey channel copies 0.
    const int result = MemImgBlit(&b, &a, &k.rect, k.x, k.y);
    EXPECT_EQ(k.result < 0, result < 0) << k.x << "," << k.y;
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < 3; ++x) {
        EXPECT_EQ(k.expect[y][x], b.pixels[y * b.base->pitch + x]) << x << "," << y;
      }
    }
  }
  EXPECT_EQ(-1, MemImgBlit(&b, &c, nullptr, 0, 0));
  EXPECT_EQ(-1, MemImgBlit(&c, &a, nullptr, 0, 0));
}

}  // namespace

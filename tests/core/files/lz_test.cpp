// The LZ block decoder: round trips through the test packer, every code form
// placed by hand, and the corrupt blocks it must refuse.
#include <gtest/gtest.h>
#include <limits.h>
#include <string.h>

#include <string>
#include <vector>

#include "core/files/lz_decode.h"
#include "tools/lz_encode.h"
#include "tools/sample_data.h"

namespace {

typedef std::vector<uint8_t> Bytes;

// Decodes into an output of exactly the reported size (so any write past it
// is caught by the sanitizer); -1 on failure.
int Decode(const Bytes &block, Bytes *out) {
  const int size = DecodeLzBlock(block.data(), static_cast<int>(block.size()), nullptr, 0);
  if (size < 0) return -1;
  out->assign(static_cast<size_t>(size), 0);
  uint8_t dummy;
  return DecodeLzBlock(block.data(), static_cast<int>(block.size()),
                       size ? out->data() : &dummy, size);
}

void ExpectRoundTrip(const Bytes &data) {
  const Bytes block = EncodeLzBlock(data.data(), data.size());
  Bytes out;
  ASSERT_EQ(Decode(block, &out), static_cast<int>(data.size()));
  EXPECT_TRUE(out == data);
}

Bytes TextSample(size_t size) { return MakeTextSample(size, 7); }

TEST(LzRoundTripTest, VariedData) {
  ExpectRoundTrip({});
  ExpectRoundTrip({42});
  ExpectRoundTrip(TextSample(50000));
  ExpectRoundTrip(MakeImageSample(96, 64));
  ExpectRoundTrip(MakeRandomSample(20000, 3));
  ExpectRoundTrip(Bytes(100000, 0));  // runs longer than the longest match
  Bytes everyValue;
  for (int i = 0; i < 4096; ++i) everyValue.push_back(static_cast<uint8_t>(i * 7));
  ExpectRoundTrip(everyValue);  // the escape value itself occurs as data
  Bytes farRepeat = MakeRandomSample(70000, 9);
  farRepeat.insert(farRepeat.end(), farRepeat.begin(), farRepeat.end());
  ExpectRoundTrip(farRepeat);  // matches need the 3-byte distance field
}

TEST(LzRoundTripTest, PackerShrinksCompressibleData) {
  const Bytes text = TextSample(50000);
  EXPECT_LT(EncodeLzBlock(text.data(), text.size()).size(), text.size() / 2);
}

// A block built code by code, with the output it must give.
struct HandBlock {
  LzBlockWriter writer;
  Bytes expected;

  explicit HandBlock(uint8_t escape) { LzBeginBlock(writer, escape); }
  void Literals(const char *text) {
    for (const char *p = text; *p; ++p) Literal(static_cast<uint8_t>(*p));
  }
  void Literal(uint8_t value) {
    LzAppendLiteral(writer, value);
    expected.push_back(value);
  }
  void Match(int length, int distance, int distanceBytes = 0, bool extra = false) {
    ASSERT_TRUE(LzAppendMatch(writer, length, distance, distanceBytes, extra));
    for (int i = 0; i < length; ++i) expected.push_back(expected[expected.size() - distance]);
  }
  void ExpectDecodes() {
    Bytes out;
    const Bytes block = LzFinishBlock(writer);
    ASSERT_EQ(Decode(block, &out), static_cast<int>(expected.size()));
    EXPECT_TRUE(out == expected);
  }
};

// Every form runs under escapes at the bottom, middle and top of the byte
// range, so code bytes land both above the escape (reduced by one) and
// below it (used as is).
class LzCodeFormTest : public ::testing::TestWithParam<int> {
 protected:
  uint8_t Escape() const { return static_cast<uint8_t>(GetParam()); }
};

TEST_P(LzCodeFormTest, LiteralsOnly) {
  HandBlock b(Escape());
  b.Literals("abc");
  b.Literal(static_cast<uint8_t>(Escape() ^ 1));
  b.ExpectDecodes();
}

TEST_P(LzCodeFormTest, DoubledEscapeIsOneLiteral) {
  HandBlock b(Escape());
  b.Literal(Escape());
  b.Literal(Escape());
  b.Literals("x");
  b.Literal(Escape());
  b.ExpectDecodes();
}

TEST_P(LzCodeFormTest, DistanceOneRepeatsTheLastByte) {
  HandBlock b(Escape());
  b.Literals("z");
  b.Match(10, 1);
  ASSERT_EQ(std::string(b.expected.begin(), b.expected.end()), std::string(11, 'z'));
  b.ExpectDecodes();
}

TEST_P(LzCodeFormTest, EveryLengthAndDistanceField) {
  SampleRandom r = {static_cast<uint32_t>(GetParam()) + 1};
  HandBlock b(Escape());
  for (int i = 0; i < 300; ++i) b.Literal(static_cast<uint8_t>(r.Next()));
  // Short lengths without and with a (forced) extra byte, the longest
  // length, and each distance width, natural and forced wider.
  const int lengths[] = {4, 5, 35, 36, 100, 8195};
  for (int length : lengths) {
    for (int extra = 0; extra < 2; ++extra) {
      b.Match(length, 1 + r.Below(256), 0, extra != 0);
      b.Match(length, 1 + r.Below(256), 2, extra != 0);
      b.Match(length, 1 + r.Below(256), 3, extra != 0);
    }
  }
  for (int i = 0; i < 70000; ++i) b.Literal(static_cast<uint8_t>(r.Next()));
  b.Match(40, 257, 0);
  b.Match(40, 65536, 0);
  b.Match(40, 65537, 0);
  b.Match(17, static_cast<int>(b.expected.size()), 0);
  b.ExpectDecodes();
}

TEST_P(LzCodeFormTest, OverlappingPatternsOfEveryShortPeriod) {
  HandBlock b(Escape());
  b.Literals("0123456789abcdefghijklmnopq");
  // Periods below, at and above the decoder's block-copy widths, with
  // lengths that end on and off a whole step, and a last match that ends
  // exactly at the end of the output.
  for (int distance = 1; distance <= 20; ++distance) {
    b.Match(4 + distance * 3, distance);
    b.Match(63, distance);
  }
  b.Literals("!");
  b.Match(4, 2);
  b.ExpectDecodes();
}

TEST_P(LzCodeFormTest, RandomCodeStreams) {
  for (uint32_t seed = 1; seed <= 20; ++seed) {
    SampleRandom r = {seed * 7919 + static_cast<uint32_t>(GetParam())};
    HandBlock b(Escape());
    b.Literal(static_cast<uint8_t>(r.Next()));
    while (b.expected.size() < 20000) {
      if (r.Below(3) == 0) {
        const int produced = static_cast<int>(b.expected.size());
        b.Match(4 + r.Below(r.Below(2) ? 40 : 600), 1 + r.Below(produced),
                r.Below(2) ? 0 : 3, r.Below(4) == 0);
      } else {
        b.Literal(static_cast<uint8_t>(r.Below(4) == 0 ? Escape() : r.Next()));
      }
    }
    b.ExpectDecodes();
  }
}

INSTANTIATE_TEST_SUITE_P(Escapes, LzCodeFormTest, ::testing::Values(0x00, 0x03, 0x80, 0xFE, 0xFF));

TEST(LzDecodeTest, EmptyStreamGivesTheHeadersSize) {
  HandBlock b(0x55);
  const Bytes block = LzFinishBlock(b.writer);
  ASSERT_EQ(block.size(), 9u);
  uint8_t out;
  EXPECT_EQ(DecodeLzBlock(block.data(), 9, &out, 0), 0);
  EXPECT_EQ(DecodeLzBlock(block.data(), 9, nullptr, 0), 0);
}

TEST(LzDecodeTest, NullOutputOnlyReadsTheSize) {
  const Bytes text = TextSample(1000);
  const Bytes block = EncodeLzBlock(text.data(), text.size());
  EXPECT_EQ(DecodeLzBlock(block.data(), static_cast<int>(block.size()), nullptr, 0), 1000);
}

TEST(LzDecodeTest, ReadsOnlyThePackedSizeOfALargerBuffer) {
  const Bytes text = TextSample(1000);
  Bytes block = EncodeLzBlock(text.data(), text.size());
  block.insert(block.end(), 50, 0x00);  // whatever follows the block is ignored
  Bytes out;
  ASSERT_EQ(Decode(block, &out), 1000);
  EXPECT_TRUE(out == text);
}

void SetLe32(Bytes *block, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) (*block)[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// A header for the given stream with an escape of 0xF0 (codes below it are
// used as is).
Bytes RawBlock(uint32_t unpacked, const Bytes &stream) {
  Bytes block(9 + stream.size(), 0);
  SetLe32(&block, 0, unpacked);
  SetLe32(&block, 4, static_cast<uint32_t>(block.size()));
  block[8] = 0xF0;
  for (size_t i = 0; i < stream.size(); ++i) block[9 + i] = stream[i];
  return block;
}

struct RefusalCase {
  const char *name;
  Bytes block;
  int blockSize;  // -1: the block's length
  int capacity;   // -1: the header's unpacked size
};

std::vector<RefusalCase> RefusalCases() {
  // Code 0x00: 1-byte distance, length 4; 0x04: plus an extra length byte;
  // 0x03: distance-size code 3.
  Bytes badPacked = RawBlock(3, {'a', 'b', 'c'});
  SetLe32(&badPacked, 4, 8);
  Bytes hugePacked = RawBlock(3, {'a', 'b', 'c'});
  SetLe32(&hugePacked, 4, 13);
  return {
      {"ShorterThanTheHeader", Bytes(8, 0), -1, 0},
      {"PackedSizeBelowTheHeader", badPacked, -1, -1},
      {"PackedSizeBeyondTheInput", hugePacked, -1, -1},
      {"UnpackedSizeAboveIntMax", RawBlock(0x80000000u, {}), -1, 0},
      {"OutputSmallerThanTheUnpackedSize", RawBlock(3, {'a', 'b', 'c'}), -1, 2},
      {"LiteralsOverrunTheOutput", RawBlock(2, {'a', 'b', 'c'}), -1, -1},
      {"MatchOverrunsTheOutput", RawBlock(4, {'a', 0xF0, 0x00, 0x00}), -1, -1},
      {"DistanceBeyondTheBytesProduced", RawBlock(6, {'a', 'b', 0xF0, 0x00, 0x02}), -1, -1},
      {"DistanceBeforeAnyOutput", RawBlock(4, {0xF0, 0x00, 0x00}), -1, -1},
      {"DistanceSizeCodeThree", RawBlock(5, {'a', 0xF0, 0x03, 0, 0, 0, 0}), -1, -1},
      {"EscapeEndsTheInput", RawBlock(2, {'a', 0xF0}), -1, -1},
      {"ExtraLengthByteMissing", RawBlock(40, {'a', 0xF0, 0x04}), -1, -1},
      {"DistanceFieldCutShort", RawBlock(70000, {'a', 0xF0, 0x02, 0x00, 0x00}), -1, -1},
      {"StreamEndsBeforeTheUnpackedSize", RawBlock(5, {'a', 'b', 'c'}), -1, -1},
      {"HeaderClaimsWithNoStream", RawBlock(5, {}), -1, -1},
      {"BlockSizeBelowThePackedSize", RawBlock(3, {'a', 'b', 'c'}), 11, -1},
  };
}

TEST(LzDecodeTest, RefusesCorruptBlocks) {
  for (const RefusalCase &c : RefusalCases()) {
    SCOPED_TRACE(c.name);
    const int blockSize = c.blockSize < 0 ? static_cast<int>(c.block.size()) : c.blockSize;
    int capacity = c.capacity;
    if (capacity < 0) capacity = static_cast<int>(c.block[0] | c.block[1] << 8 | c.block[2] << 16);
    // An exact-size heap block: a write past the capacity is caught.
    Bytes out(static_cast<size_t>(capacity));
    uint8_t dummy;
    EXPECT_EQ(DecodeLzBlock(c.block.data(), blockSize, capacity ? out.data() : &dummy, capacity),
              -1);
  }
  EXPECT_EQ(DecodeLzBlock(nullptr, 100, nullptr, 0), -1);
  EXPECT_EQ(DecodeLzBlock("123456789", -1, nullptr, 0), -1);
}

}  // namespace

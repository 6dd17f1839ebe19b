#include <gtest/gtest.h>

#include <string.h>

#include "core/files/file_access.h"
#include "sound/core/sound_system.h"
#include "sound/decoders/sound_converter.h"
#include "sound_fixture.h"

namespace {


struct WavCase {
  const char *name;
  Bytes image;
  int result;
  WaveFormat format;  // when accepted
  Bytes data;         // the bytes delivered
};

std::vector<WavCase> WavCases(void) {
  const Bytes d = Pattern(40);
  const Bytes odd = Pattern(7);
  const WaveFormat mono8 = {1, 1, 8000, 8000, 1, 8, 0};
  const WaveFormat stereo16 = {1, 2, 8000, 32000, 4, 16, 0};
  const Bytes fmt18 = FmtBody(1, 2, 8000, 32000, 4, 16, 18);
  const Bytes dataless = Riff({Chunk("fmt ", PcmFmt(1, 8000, 8))});
  const Bytes plain = PcmWav(1, 8000, 8, d);
  return {
      {"plain", plain, 0, mono8, d},
      {"stereo 16 with an 18-byte fmt", Riff({Chunk("fmt ", fmt18), Chunk("data", d)}), 0,
       stereo16, d},
      {"bext before fmt", Riff({Chunk("bext", Pattern(10)), Chunk("fmt ", PcmFmt(1, 8000, 8)), Chunk("data", d)}),
       0, mono8, d},
      {"LIST before fmt", Riff({Chunk("LIST", Pattern(10)), Chunk("fmt ", PcmFmt(1, 8000, 8)), Chunk("data", d)}),
       -1, {}, {}},
      {"chunks between fmt and data, one odd-sized",
       Riff({Chunk("fmt ", PcmFmt(1, 8000, 8)), Chunk("LIST", odd), Chunk("fact", Pattern(4)), Chunk("data", d)}),
       0, mono8, d},
      {"16-byte fmt with wrong bits", Riff({Chunk("fmt ", FmtBody(1, 2, 8000, 32000, 4, 8)), Chunk("data", d)}),
       0, stereo16, d},
      {"odd data size ends in whole blocks", Riff({Chunk("fmt ", PcmFmt(2, 8000, 16)), Chunk("data", odd)}), 0,
       stereo16, Bytes(odd.begin(), odd.begin() + 4)},
      {"data size beyond the file", Riff({Chunk("fmt ", PcmFmt(1, 8000, 8)), Chunk("data", d, 0x7FFFFFF0)}), 0,
       mono8, d},
      {"huge chunk size", Riff({Chunk("fmt ", PcmFmt(1, 8000, 8)), Chunk("junk", Pattern(4), 0xFFFFFFF8), Chunk("data", d)}),
       -1, {}, {}},
      {"huge bext size", Riff({Chunk("bext", Pattern(4), 0xFFFFFFF8), Chunk("fmt ", PcmFmt(1, 8000, 8))}),
       -1, {}, {}},
      {"no data chunk", dataless, -1, {}, {}},
      {"not RIFF", Bytes({'R', 'I', 'F', 'X', 0, 0, 0, 0, 'W', 'A', 'V', 'E'}), -1, {}, {}},
      {"not WAVE", Chunk("RIFF", Bytes({'A', 'V', 'I', ' '})), -1, {}, {}},
      {"cut in the RIFF header", Bytes({'R', 'I', 'F', 'F', 4}), -1, {}, {}},
      {"cut in the fmt body", Bytes(plain.begin(), plain.begin() + 30), -1, {}, {}},
      {"fmt under 16 bytes", Riff({Chunk("fmt ", FmtBody(1, 1, 8000, 8000, 1, 8, 14)), Chunk("data", d)}), -1, {}, {}},
      {"fmt size beyond the file", Riff({Chunk("fmt ", PcmFmt(1, 8000, 8), 0x10000)}), -1, {}, {}},
      {"not PCM", Riff({Chunk("fmt ", FmtBody(2, 1, 8000, 4096, 256, 4)), Chunk("data", d)}), -1, {}, {}},
      {"no channels", Riff({Chunk("fmt ", FmtBody(1, 0, 8000, 8000, 1, 8)), Chunk("data", d)}), -1, {}, {}},
      {"rate 0", Riff({Chunk("fmt ", FmtBody(1, 1, 0, 0, 1, 8)), Chunk("data", d)}), -1, {}, {}},
      {"block align 0", Riff({Chunk("fmt ", FmtBody(1, 1, 8000, 0, 0, 8, 18)), Chunk("data", d)}), -1, {}, {}},
      {"bits 0 (18-byte fmt)", Riff({Chunk("fmt ", FmtBody(1, 1, 8000, 8000, 1, 0, 18)), Chunk("data", d)}), -1, {}, {}},
      {"block align against channels and bits", Riff({Chunk("fmt ", FmtBody(1, 2, 8000, 24000, 3, 8, 18)), Chunk("data", d)}),
       -1, {}, {}},
      {"channels times bits beyond int", Riff({Chunk("fmt ", FmtBody(1, 52736, 8000, 8000, 1, 52942, 18)), Chunk("data", d)}),
       -1, {}, {}},
      {"bytes per second wrong", Riff({Chunk("fmt ", FmtBody(1, 1, 8000, 9000, 1, 8)), Chunk("data", d)}), -1, {}, {}},
      {"bytes per second beyond int",
       Riff({Chunk("fmt ", FmtBody(1, 2, 0x20000000, static_cast<int>(0x80000000u), 4, 16)), Chunk("data", d)}), -1, {}, {}},
      {"empty", Bytes(), -1, {}, {}},
  };
}

TEST_F(ConverterTest, WavImagesAreAcceptedOrRefusedAsTheyShouldBe) {
  for (const WavCase &c : WavCases()) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(c.result, Open(c.image));
    if (c.result != 0) continue;
    WaveFormat format;
    GetSoundConverterFormat(&conv, &format);
    EXPECT_EQ(0, memcmp(&c.format, &format, sizeof(format)));
    EXPECT_EQ(static_cast<int>(c.data.size()), GetSoundConverterLength(&conv));
    EXPECT_EQ(c.data, DecodeAll());
    ASSERT_EQ(0, Open(c.image));
    EXPECT_EQ(c.data, Read(1000));
  }
}

TEST_F(ConverterTest, ReadsAfterTheEndGiveZeroUntilASeek) {
  const Bytes d = Pattern(64);
  ASSERT_EQ(0, Open(PcmWav(1, 8000, 8, d)));
  EXPECT_EQ(0, ReadSoundConverter(&conv, nullptr, 0));
  EXPECT_EQ(d, Read(100));
  EXPECT_EQ(1, conv.endOfData);
  EXPECT_EQ(Bytes(), Read(10));
  // Within 15 bytes of where it stands nothing changes, the end flag
  // included.
  SeekSoundConverter(&conv, 50);
  EXPECT_EQ(1, conv.endOfData);
  EXPECT_EQ(64, conv.outputPosition);
  SeekSoundConverter(&conv, 20);
  EXPECT_EQ(0, conv.endOfData);
  EXPECT_EQ(Bytes(d.begin() + 20, d.end()), Read(100));
}

// Decoding everything reads the stream straight into the block; the
// converter's position follows, so a seek back to the start reads again.
TEST_F(ConverterTest, AfterDecodingEverythingASeekToTheStartReadsAgain) {
  const Bytes d = Pattern(64);
  ASSERT_EQ(0, Open(PcmWav(1, 8000, 8, d)));
  EXPECT_EQ(d, DecodeAll());
  EXPECT_EQ(64, conv.outputPosition);
  SeekSoundConverter(&conv, 0);
  EXPECT_EQ(d, Read(100));
}

TEST_F(ConverterTest, SeekThenReadEqualsTheSliceOfTheData) {
  const Bytes d = Pattern(2 * 8000 * 3 + 40);  // 16-bit stereo, about 0.75 s
  ASSERT_EQ(0, Open(PcmWav(2, 8000, 16, d)));
  const int samples = static_cast<int>(d.size() / 4);
  for (int sample : {0, 5, 1000, samples / 2, samples - 3, 3, samples, samples + 100, -7}) {
    SCOPED_TRACE(sample);
    // Move well away first so the seek is carried out.
    SeekSoundConverter(&conv, sample > samples / 2 ? 0 : samples / 2 + 100);
    Read(4);
    SeekSoundConverter(&conv, sample);
    const size_t at = static_cast<size_t>(sample < 0 ? 0 : (sample > samples ? samples : sample)) * 4;
    const size_t n = std::min<size_t>(300, d.size() - at);
    EXPECT_EQ(Bytes(d.begin() + at, d.begin() + at + n), Read(300));
  }
}

TEST_F(ConverterTest, EverySkipBitSetRefusesEverything) {
  SetSoundConverterSkipMask(0x1F);
  EXPECT_EQ(-1, Open(PcmWav(1, 8000, 8, Pattern(10))));
  SetSoundConverterSkipMask(0x1E);
  EXPECT_EQ(0, Open(PcmWav(1, 8000, 8, Pattern(10))));
  EXPECT_EQ(0x1E, GetSoundConverterSkipMask());
}

TEST_F(ConverterTest, ClosedConverterRefusesReads) {
  ASSERT_EQ(0, Open(PcmWav(1, 8000, 8, Pattern(10))));
  EXPECT_EQ(0, CloseSoundConverter(&conv));
  EXPECT_EQ(-1, CloseSoundConverter(&conv));
  EXPECT_EQ(-1, ReadSoundConverter(&conv, nullptr, 4));
}

TEST_F(ConverterTest, EveryFailedAllocationOfAnOpenLeavesNothingBehind) {
  const Bytes image = PcmWav(1, 8000, 8, Pattern(10));
  int n = 1;
  for (; n < 50; n++) {
    const int before = GetAllocatedBlockCount();
    SetAllocationFailureCountdown(n);
    const int result = Open(image);
    SetAllocationFailureCountdown(0);
    if (result == 0) break;
    Close();
    ASSERT_EQ(before, GetAllocatedBlockCount()) << n;
  }
  EXPECT_GT(n, 1);
}

}  // namespace

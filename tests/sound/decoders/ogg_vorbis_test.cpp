#include <gtest/gtest.h>
#include <ogg/ogg.h>
#include <vorbis/vorbisfile.h>

#include <string.h>

#include "core/files/file_access.h"
#include "sound/decoders/sound_converter.h"
#include "sound_fixture.h"

namespace {

using OggConverterTest = ConverterTest;

// The pages of an Ogg file, each as bytes.
std::vector<Bytes> Pages(const Bytes &file) {
  ogg_sync_state sync;
  ogg_sync_init(&sync);
  char *buffer = ogg_sync_buffer(&sync, static_cast<long>(file.size()));
  memcpy(buffer, file.data(), file.size());
  ogg_sync_wrote(&sync, static_cast<long>(file.size()));
  std::vector<Bytes> pages;
  ogg_page page;
  while (ogg_sync_pageout(&sync, &page) == 1) {
    Bytes p(page.header, page.header + page.header_len);
    p.insert(p.end(), page.body, page.body + page.body_len);
    pages.push_back(p);
  }
  ogg_sync_clear(&sync);
  return pages;
}

// A one-page stream of another kind, begun and ended on one page.
Bytes ForeignStreamPage(void) {
  ogg_stream_state stream;
  ogg_stream_init(&stream, 999);
  unsigned char text[] = "\x80theora-like foreign header";
  ogg_packet packet = {};
  packet.packet = text;
  packet.bytes = sizeof(text);
  packet.b_o_s = 1;
  packet.e_o_s = 1;
  ogg_stream_packetin(&stream, &packet);
  ogg_page page;
  Bytes out;
  while (ogg_stream_flush(&stream, &page)) {
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
  }
  ogg_stream_clear(&stream);
  return out;
}

int64_t PcmTotal(const std::string &path) {
  OggVorbis_File vf;
  if (ov_fopen(path.c_str(), &vf) != 0) return -1;
  const int64_t total = ov_pcm_total(&vf, -1);
  ov_clear(&vf);
  return total;
}

TEST_F(OggConverterTest, MonoFileHasTheFormatAndDecodesToTheReference) {
  const std::string path = FixturePath("mono22k.ogg");
  ASSERT_EQ(0, Open(ReadWholeFile(path)));
  EXPECT_EQ(SOUND_CONVERTER_OGG_VORBIS, conv.kind);
  const WaveFormat expected = {1, 1, 22050, 44100, 2, 16, 0};
  WaveFormat format;
  GetSoundConverterFormat(&conv, &format);
  EXPECT_EQ(0, memcmp(&expected, &format, sizeof(format)));
  const Bytes reference = ReadWholeFile(FixturePath("mono22k.raw"));
  EXPECT_EQ(PcmTotal(path) * 2, GetSoundConverterLength(&conv));
  const Bytes all = DecodeAll();
  EXPECT_EQ(static_cast<size_t>(PcmTotal(path) * 2), all.size());
  ExpectSameDecode(reference, all);
}

TEST_F(OggConverterTest, SeekThenReadEqualsTheReferenceSlice) {
  ASSERT_EQ(0, Open(ReadWholeFile(FixturePath("stereo.ogg"))));
  const Bytes reference = ReadWholeFile(FixturePath("stereo.raw"));
  const int samples = static_cast<int>(reference.size() / 4);
  for (int sample : {100, samples / 2, 7, samples - 10, 0}) {
    SCOPED_TRACE(sample);
    SeekSoundConverter(&conv, sample > samples / 2 ? 0 : samples / 2 + 500);
    Read(8);
    SeekSoundConverter(&conv, sample);
    const size_t at = static_cast<size_t>(sample) * 4;
    const size_t n = std::min<size_t>(5000, reference.size() - at);
    ExpectSameDecode(Bytes(reference.begin() + at, reference.begin() + at + n), Read(5000));
  }
}

TEST_F(OggConverterTest, AForeignFirstStreamStillOpens) {
  const std::vector<Bytes> pages = Pages(ReadWholeFile(FixturePath("mono22k.ogg")));
  ASSERT_GT(pages.size(), 2u);
  Bytes file = ForeignStreamPage();
  for (const Bytes &p : pages) file.insert(file.end(), p.begin(), p.end());
  ASSERT_EQ(0, Open(file));
  ExpectSameDecode(ReadWholeFile(FixturePath("mono22k.raw")), DecodeAll());
}

TEST_F(OggConverterTest, DamagedAndTruncatedFilesDecodeSafely) {
  const Bytes good = ReadWholeFile(FixturePath("stereo.ogg"));
  std::vector<Bytes> damaged;
  for (size_t at : {good.size() / 3, good.size() / 2, good.size() - 40}) {
    Bytes d = good;
    for (size_t i = at; i < at + 30 && i < d.size(); i++) d[i] ^= 0x5A;
    damaged.push_back(d);
  }
  for (size_t cut : {good.size() / 2, good.size() - 1, static_cast<size_t>(200)}) {
    damaged.push_back(Bytes(good.begin(), good.begin() + cut));
  }
  for (size_t i = 0; i < damaged.size(); i++) {
    SCOPED_TRACE(i);
    if (Open(damaged[i]) != 0) continue;
    const int length = GetSoundConverterLength(&conv);
    const Bytes all = DecodeAll();
    EXPECT_LE(all.size(), static_cast<size_t>(length));
    EXPECT_EQ(0u, all.size() % 4);
    SeekSoundConverter(&conv, length / 8);
    Read(4096);
  }
}

TEST_F(OggConverterTest, WavMembersComeFirstAndOggIsSkippedByItsBit) {
  SetSoundConverterSkipMask(SOUND_SKIP_OGG_VORBIS);
  EXPECT_EQ(-1, Open(ReadWholeFile(FixturePath("mono22k.ogg"))));
  SetSoundConverterSkipMask(0);
}

}  // namespace

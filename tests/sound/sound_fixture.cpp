#include "sound_fixture.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "core/base/system_info.h"
#include "core/test_files.h"
#include "sound/core/sound_services.h"
#include "sound/core/sound_system.h"

void PutLe16(Bytes *out, uint32_t v) {
  out->push_back(v & 0xFF);
  out->push_back((v >> 8) & 0xFF);
}

void PutLe32(Bytes *out, uint32_t v) {
  PutLe16(out, v & 0xFFFF);
  PutLe16(out, v >> 16);
}

Bytes Chunk(const char *id, const Bytes &body, int64_t size, bool pad) {
  Bytes out(id, id + 4);
  PutLe32(&out, static_cast<uint32_t>(size < 0 ? static_cast<int64_t>(body.size()) : size));
  out.insert(out.end(), body.begin(), body.end());
  if (pad && (body.size() & 1)) out.push_back(0);
  return out;
}

Bytes FmtBody(int tag, int channels, int rate, int bytesPerSecond, int blockAlign, int bits,
              int size) {
  Bytes out;
  PutLe16(&out, tag);
  PutLe16(&out, channels);
  PutLe32(&out, rate);
  PutLe32(&out, bytesPerSecond);
  PutLe16(&out, blockAlign);
  PutLe16(&out, bits);
  out.resize(size, 0);
  return out;
}

Bytes PcmFmt(int channels, int rate, int bits) {
  const int block = channels * bits / 8;
  return FmtBody(1, channels, rate, block * rate, block, bits);
}

Bytes Riff(const std::vector<Bytes> &chunks) {
  Bytes body = {'W', 'A', 'V', 'E'};
  for (const Bytes &c : chunks) body.insert(body.end(), c.begin(), c.end());
  return Chunk("RIFF", body, -1, false);
}

Bytes PcmWav(int channels, int rate, int bits, const Bytes &data) {
  return Riff({Chunk("fmt ", PcmFmt(channels, rate, bits)), Chunk("data", data)});
}

Bytes Pattern(size_t n, int seed) {
  Bytes out(n);
  for (size_t i = 0; i < n; i++) out[i] = static_cast<unsigned char>((i * 7 + seed) & 0xFF);
  return out;
}

void ExpectSameDecode(const Bytes &reference, const Bytes &decoded) {
  ASSERT_EQ(reference.size(), decoded.size());
#ifdef _WIN32
  int worst = 0;
  for (size_t i = 0; i + 1 < decoded.size(); i += 2) {
    const int want = static_cast<int16_t>(reference[i] | (reference[i + 1] << 8));
    const int got = static_cast<int16_t>(decoded[i] | (decoded[i + 1] << 8));
    worst = std::max(worst, want > got ? want - got : got - want);
  }
  EXPECT_LE(worst, 1);
#else
  EXPECT_TRUE(reference == decoded);
#endif
}

std::string FixturePath(const char *name) { return std::string(SOUND_FIXTURE_DIR) + name; }

Bytes ReadWholeFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void SoundTest::SetUp() {
  log.reset(new LogCapture());
  LeakCheckedTest::SetUp();
  InstallFake();
  GetSystemFacts()->processorCount = 1;
  SetSoundThreadStarter(nullptr);
  SetCreateSoundDataType(0);
  GetSoundSystem()->soundTable.checkCounter = 0;
}

void SoundTest::TearDown() {
  EndSoundSystem();
  SetAllocationFailureCountdown(0);
  SetSoundThreadStarter(nullptr);
  EXPECT_EQ(0, Fake().liveBuffers);
  EXPECT_EQ(0, Fake().liveDevices);
  RemoveFake();
  LeakCheckedTest::TearDown();
  log.reset();
}

int SoundTest::Start() { return StartSoundSystem(); }

std::string SoundTest::WriteFile(const char *name, const Bytes &image) {
  const std::string path = (log->Dir() / name).string();
  WriteTestFile(path, image);
  return path;
}

void ConverterTest::TearDown() {
  Close();
  SetSoundConverterSkipMask(0);
  LeakCheckedTest::TearDown();
}

int ConverterTest::Open(const Bytes &image) {
  Close();
  held = image;
  if (OpenMemoryStreamSource(&source, held.data(), static_cast<int>(held.size())) != 0) return -2;
  sourceOpen = true;
  return OpenSoundConverter(&source, &conv);
}

void ConverterTest::Close() {
  if (sourceOpen && conv.initialised) CloseSoundConverter(&conv);
  if (sourceOpen) source.functions.close(source.stream);
  sourceOpen = false;
}

Bytes ConverterTest::DecodeAll() {
  WaveFormat format;
  void *data = nullptr;
  int size = 0;
  EXPECT_EQ(0, ConvertSoundToMemory(&conv, &format, &data, &size));
  Bytes out(static_cast<unsigned char *>(data), static_cast<unsigned char *>(data) + size);
  FreeMemory(data);
  return out;
}

Bytes ConverterTest::Read(int n) {
  Bytes out(n);
  const int got = ReadSoundConverter(&conv, out.data(), n);
  out.resize(got < 0 ? 0 : got);
  return out;
}

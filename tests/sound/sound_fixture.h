// What the sound tests share: WAV images made in code, and a fixture that
// starts the sound system over the fake device with the log captured and
// checks that nothing (blocks, buffers, devices) outlives a test.
#ifndef VELVANE_TESTS_SOUND_SOUND_FIXTURE_H
#define VELVANE_TESTS_SOUND_SOUND_FIXTURE_H

#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

#include "core/log_capture.h"
#include "fake_audio.h"
#include "core/files/file_access.h"
#include "leak_check.h"
#include "sound/decoders/sound_converter.h"

typedef std::vector<unsigned char> Bytes;

void PutLe16(Bytes *out, uint32_t v);
void PutLe32(Bytes *out, uint32_t v);
// A chunk: id, 32-bit size (given, or the body's), body and a pad byte for
// odd sizes when pad is set.
Bytes Chunk(const char *id, const Bytes &body, int64_t size = -1, bool pad = true);
// A "fmt " body of the given size (16 or more; extra bytes are zero).
Bytes FmtBody(int tag, int channels, int rate, int bytesPerSecond, int blockAlign, int bits,
              int size = 16);
// A consistent PCM "fmt " body.
Bytes PcmFmt(int channels, int rate, int bits);
// "RIFF", the size of what follows, "WAVE" and the chunks.
Bytes Riff(const std::vector<Bytes> &chunks);
// A whole PCM WAV image over data.
Bytes PcmWav(int channels, int rate, int bits, const Bytes &data);
// n bytes of a counting pattern.
Bytes Pattern(size_t n, int seed = 0);

// Expects the 16-bit PCM of two decodes of one Ogg Vorbis file to agree:
// byte for byte natively, within one step per sample under Wine, whose
// floating point rounds a few samples the other way.
void ExpectSameDecode(const Bytes &reference, const Bytes &decoded);

// Where make_fixtures.sh put the fixture files (with a trailing slash).
std::string FixturePath(const char *name);
Bytes ReadWholeFile(const std::string &path);

class SoundTest : public LeakCheckedTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Starts the sound system over the fake (no update thread); 0 or -1.
  int Start();
  // Writes image to a file in the log's directory; returns its path.
  std::string WriteFile(const char *name, const Bytes &image);
  std::unique_ptr<LogCapture> log;
};

// A converter opened over an image in memory the fixture holds.
class ConverterTest : public LeakCheckedTest {
 protected:
  void TearDown() override;
  // OpenSoundConverter's result (-2 when the stream cannot be made).
  int Open(const Bytes &image);
  void Close();
  // ConvertSoundToMemory's bytes.
  Bytes DecodeAll();
  // Up to n bytes through ReadSoundConverter.
  Bytes Read(int n);
  Bytes held;
  StreamSource source;
  SoundConverter conv = {};
  bool sourceOpen = false;
};

#endif  // VELVANE_TESTS_SOUND_SOUND_FIXTURE_H

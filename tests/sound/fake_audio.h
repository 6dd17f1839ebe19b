// A fake audio device for the sound tests: buffers are memory blocks that
// duplicates share; the play cursor moves only when the test moves it, and
// every byte it passes is logged; any call can be made to fail on its n-th
// use; the capabilities are the test's; live buffers are counted; and a
// Lock over bytes written but not yet played while the buffer plays raises
// a flag (setting the position abandons what was queued). Like DirectSound
// it refuses secondary buffers under 4 bytes.
#ifndef VELVANE_TESTS_SOUND_FAKE_AUDIO_H
#define VELVANE_TESTS_SOUND_FAKE_AUDIO_H

#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

#include "sound/core/audio_device.h"

enum FakeCall {
  FAKE_CREATE_DEVICE,
  FAKE_INITIALIZE,
  FAKE_COOPERATIVE_LEVEL,
  FAKE_CREATE_BUFFER,
  FAKE_DUPLICATE,
  FAKE_GET_CAPS,
  FAKE_SET_FORMAT,
  FAKE_LOCK,
  FAKE_UNLOCK,
  FAKE_PLAY,
  FAKE_STOP,
  FAKE_GET_STATUS,
  FAKE_SET_POSITION,
  FAKE_GET_POSITION,
  FAKE_CALL_COUNT
};

class FakeBuffer;

struct FakeMemory {
  std::vector<unsigned char> bytes;
  std::vector<unsigned char> unplayed;  // 1 for bytes written, not yet played
};

struct FakeAudio {
  int calls[FAKE_CALL_COUNT];
  int failOn[FAKE_CALL_COUNT];  // the call number that fails (1-based); 0 none
  bool failAlways[FAKE_CALL_COUNT];
  AudioCaps caps;
  int enumerateResult;
  std::vector<std::pair<std::string, std::string>> devices;  // description, module
  int liveBuffers;
  int liveDevices;
  bool lockOverUnplayed;
  // False: no play log and no overwrite check, for timing the engine.
  bool recording;
  // Bytes each GetStatus call moves a playing buffer on (0: the test moves).
  uint32_t advancePerStatus;
  std::vector<AudioBufferDesc> created;  // descriptions of created buffers
  std::vector<WaveFormat> createdFormats;
  std::vector<WaveFormat> primaryFormats;  // SetFormat calls
  std::vector<FakeBuffer *> buffers;       // live buffers, oldest first
};

// The one fake; Reset puts it back to a device that does everything.
FakeAudio &Fake(void);
void ResetFake(void);
// Installs the fake as the audio device factory (and Reset); Remove puts
// the platform's back.
void InstallFake(void);
void RemoveFake(void);
// Whether call kind `call` fails now (counts the call).
bool FakeCallFails(FakeCall call);

class FakeBuffer : public AudioBuffer {
 public:
  FakeBuffer(const AudioBufferDesc &desc, std::shared_ptr<FakeMemory> memory);
  ~FakeBuffer() override;
  int Release() override;
  int Play(uint32_t flags) override;
  int Stop() override;
  int GetStatus(uint32_t *status) override;
  int Lock(uint32_t offset, uint32_t bytes, void **part1, uint32_t *size1, void **part2,
           uint32_t *size2) override;
  int Unlock(void *part1, uint32_t size1, void *part2, uint32_t size2) override;
  int SetFrequency(uint32_t hz) override;
  int SetPan(int pan) override;
  int SetVolume(int volume) override;
  int SetCurrentPosition(uint32_t offset) override;
  int GetCurrentPosition(uint32_t *play, uint32_t *write) override;
  int SetFormat(const WaveFormat *format) override;

  // Moves the play cursor of a playing buffer on by bytes, logging what it
  // passes; a buffer that does not loop stops at its end.
  void Advance(uint32_t bytes);

  std::shared_ptr<FakeMemory> memory;
  AudioBufferDesc desc;
  bool playing = false;
  bool looping = false;
  uint32_t cursor = 0;
  uint32_t frequency = 0;
  int pan = 0;
  int volume = 0;
  int playCount = 0;
  std::vector<unsigned char> played;  // every byte the cursor passed
};

#endif  // VELVANE_TESTS_SOUND_FAKE_AUDIO_H

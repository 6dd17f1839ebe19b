#include "fake_audio.h"

#include <string.h>

#include <algorithm>

namespace {

FakeAudio g_fake;

class FakeDevice : public AudioDevice {
 public:
  FakeDevice() { g_fake.liveDevices++; }
  ~FakeDevice() override { g_fake.liveDevices--; }
  int Initialize() override { return FakeCallFails(FAKE_INITIALIZE) ? -1 : 0; }
  int SetCooperativeLevel(int) override {
    return FakeCallFails(FAKE_COOPERATIVE_LEVEL) ? -1 : 0;
  }
  int CreateSoundBuffer(const AudioBufferDesc *desc, AudioBuffer **out) override {
    if (FakeCallFails(FAKE_CREATE_BUFFER)) return -1;
    // DirectSound's smallest secondary buffer.
    if (!(desc->flags & AUDIO_BUFFER_PRIMARY) && desc->bytes < 4) return -1;
    g_fake.created.push_back(*desc);
    WaveFormat format = {};
    if (desc->format) format = *desc->format;
    g_fake.createdFormats.push_back(format);
    auto memory = std::make_shared<FakeMemory>();
    memory->bytes.assign(desc->bytes, 0xAA);
    memory->unplayed.assign(desc->bytes, 0);
    *out = new FakeBuffer(*desc, memory);
    return 0;
  }
  int DuplicateSoundBuffer(AudioBuffer *source, AudioBuffer **out) override {
    if (FakeCallFails(FAKE_DUPLICATE)) return -1;
    FakeBuffer *original = static_cast<FakeBuffer *>(source);
    *out = new FakeBuffer(original->desc, original->memory);
    return 0;
  }
  int GetCaps(AudioCaps *caps) override {
    if (FakeCallFails(FAKE_GET_CAPS)) return -1;
    *caps = g_fake.caps;
    return 0;
  }
  int Release() override {
    delete this;
    return 0;
  }
  int EnumerateDevices(AudioDeviceCallback callback, void *context) override {
    if (g_fake.enumerateResult != AUDIO_ENUM_DONE) return g_fake.enumerateResult;
    for (const auto &device : g_fake.devices) {
      if (!callback(device.first.c_str(), device.second.c_str(), context)) break;
    }
    return AUDIO_ENUM_DONE;
  }
};

AudioDevice *MakeFakeDevice(void) {
  if (FakeCallFails(FAKE_CREATE_DEVICE)) return nullptr;
  return new FakeDevice();
}

}  // namespace

FakeAudio &Fake(void) { return g_fake; }

void ResetFake(void) {
  for (int i = 0; i < FAKE_CALL_COUNT; i++) {
    g_fake.calls[i] = 0;
    g_fake.failOn[i] = 0;
    g_fake.failAlways[i] = false;
  }
  g_fake.caps = AudioCaps{AUDIO_CAPS_PRIMARY_STEREO | AUDIO_CAPS_PRIMARY_16BIT |
                              AUDIO_CAPS_PRIMARY_MONO | AUDIO_CAPS_PRIMARY_8BIT |
                              AUDIO_CAPS_SECONDARY_16BIT | AUDIO_CAPS_SECONDARY_MONO,
                          100, 200000, 0, 0};
  g_fake.enumerateResult = AUDIO_ENUM_DONE;
  g_fake.devices = {{"Primary Sound Driver", ""}, {"Fake Output", "fake.drv"}};
  g_fake.lockOverUnplayed = false;
  g_fake.recording = true;
  g_fake.advancePerStatus = 0;
  g_fake.created.clear();
  g_fake.createdFormats.clear();
  g_fake.primaryFormats.clear();
}

void InstallFake(void) {
  ResetFake();
  SetAudioDeviceFactory(MakeFakeDevice);
}

void RemoveFake(void) { SetAudioDeviceFactory(nullptr); }

bool FakeCallFails(FakeCall call) {
  const int n = ++g_fake.calls[call];
  return g_fake.failAlways[call] || g_fake.failOn[call] == n;
}

FakeBuffer::FakeBuffer(const AudioBufferDesc &d, std::shared_ptr<FakeMemory> m)
    : memory(std::move(m)), desc(d) {
  desc.format = nullptr;  // the caller's record does not outlive the call
  g_fake.liveBuffers++;
  g_fake.buffers.push_back(this);
}

FakeBuffer::~FakeBuffer() {
  g_fake.liveBuffers--;
  g_fake.buffers.erase(std::find(g_fake.buffers.begin(), g_fake.buffers.end(), this));
}

int FakeBuffer::Release() {
  delete this;
  return 0;
}

int FakeBuffer::Play(uint32_t flags) {
  if (FakeCallFails(FAKE_PLAY)) return -1;
  playing = true;
  looping = (flags & AUDIO_PLAY_LOOPING) != 0;
  playCount++;
  return 0;
}

int FakeBuffer::Stop() {
  if (FakeCallFails(FAKE_STOP)) return -1;
  playing = false;
  return 0;
}

int FakeBuffer::GetStatus(uint32_t *status) {
  if (FakeCallFails(FAKE_GET_STATUS)) return -1;
  if (playing && g_fake.advancePerStatus) Advance(g_fake.advancePerStatus);
  *status = playing ? AUDIO_STATUS_PLAYING : 0;
  return 0;
}

int FakeBuffer::Lock(uint32_t offset, uint32_t bytes, void **part1, uint32_t *size1,
                     void **part2, uint32_t *size2) {
  const uint32_t size = static_cast<uint32_t>(memory->bytes.size());
  if (FakeCallFails(FAKE_LOCK) || offset >= size || bytes > size) return -1;
  if (playing && g_fake.recording) {
    for (uint32_t i = 0; i < bytes; i++) {
      if (memory->unplayed[(offset + i) % size]) g_fake.lockOverUnplayed = true;
    }
  }
  const uint32_t first = std::min(bytes, size - offset);
  *part1 = memory->bytes.data() + offset;
  *size1 = first;
  *part2 = bytes > first ? memory->bytes.data() : nullptr;
  *size2 = bytes - first;
  return 0;
}

int FakeBuffer::Unlock(void *part1, uint32_t size1, void *part2, uint32_t size2) {
  if (FakeCallFails(FAKE_UNLOCK)) return -1;
  if (!g_fake.recording) return 0;
  unsigned char *base = memory->bytes.data();
  if (part1) std::fill_n(memory->unplayed.begin() + (static_cast<unsigned char *>(part1) - base), size1, 1);
  if (part2) std::fill_n(memory->unplayed.begin() + (static_cast<unsigned char *>(part2) - base), size2, 1);
  return 0;
}

int FakeBuffer::SetFrequency(uint32_t hz) {
  frequency = hz;
  return 0;
}

int FakeBuffer::SetPan(int value) {
  pan = value;
  return 0;
}

int FakeBuffer::SetVolume(int value) {
  volume = value;
  return 0;
}

int FakeBuffer::SetCurrentPosition(uint32_t offset) {
  if (FakeCallFails(FAKE_SET_POSITION)) return -1;
  // A new position abandons whatever was queued ahead of the old one.
  std::fill(memory->unplayed.begin(), memory->unplayed.end(), 0);
  cursor = offset;
  return 0;
}

int FakeBuffer::GetCurrentPosition(uint32_t *play, uint32_t *write) {
  if (FakeCallFails(FAKE_GET_POSITION)) return -1;
  if (play) *play = cursor;
  if (write) *write = cursor;
  return 0;
}

int FakeBuffer::SetFormat(const WaveFormat *format) {
  if (FakeCallFails(FAKE_SET_FORMAT)) return -1;
  g_fake.primaryFormats.push_back(*format);
  return 0;
}

void FakeBuffer::Advance(uint32_t bytes) {
  const uint32_t size = static_cast<uint32_t>(memory->bytes.size());
  if (!g_fake.recording && looping && size) {
    cursor = static_cast<uint32_t>((static_cast<uint64_t>(cursor) + bytes) % size);
    return;
  }
  for (uint32_t i = 0; i < bytes && playing && size; i++) {
    played.push_back(memory->bytes[cursor]);
    memory->unplayed[cursor] = 0;
    if (++cursor == size) {
      cursor = 0;
      if (!looping) playing = false;
    }
  }
}

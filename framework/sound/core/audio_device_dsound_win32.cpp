// The audio seam over DirectSound. DirectSound is reached only through COM
// and a library loaded by name, never through an import, so the program
// still loads and runs (without sound) where DSOUND.DLL is unavailable.
#include <windows.h>
#include <mmsystem.h>
#include <mmreg.h>
#include <dsound.h>

#include <stddef.h>

#include "sound/core/audio_device.h"

static_assert(sizeof(WaveFormat) == sizeof(WAVEFORMATEX), "WaveFormat mirrors WAVEFORMATEX");
static_assert(offsetof(WaveFormat, averageBytesPerSecond) == offsetof(WAVEFORMATEX, nAvgBytesPerSec),
              "WaveFormat mirrors WAVEFORMATEX");
static_assert(offsetof(WaveFormat, extraSize) == offsetof(WAVEFORMATEX, cbSize),
              "WaveFormat mirrors WAVEFORMATEX");

namespace {

// In-process server, in-process handler and local server.
const DWORD kServerContexts = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER;

int Result(HRESULT hr) { return SUCCEEDED(hr) ? 0 : -1; }

class DirectSoundBuffer : public AudioBuffer {
 public:
  explicit DirectSoundBuffer(IDirectSoundBuffer *buffer) : buffer_(buffer) {}
  IDirectSoundBuffer *Raw() { return buffer_; }

  int Release() override {
    buffer_->Release();
    delete this;
    return 0;
  }
  int Play(uint32_t flags) override { return Result(buffer_->Play(0, 0, flags)); }
  int Stop() override { return Result(buffer_->Stop()); }
  int GetStatus(uint32_t *status) override {
    DWORD value = 0;
    HRESULT hr = buffer_->GetStatus(&value);
    *status = value;
    return Result(hr);
  }
  int Lock(uint32_t offset, uint32_t bytes, void **part1, uint32_t *size1, void **part2,
           uint32_t *size2) override {
    DWORD s1 = 0, s2 = 0;
    *part1 = *part2 = nullptr;
    HRESULT hr = buffer_->Lock(offset, bytes, part1, &s1, part2, &s2, 0);
    *size1 = s1;
    *size2 = s2;
    return Result(hr);
  }
  int Unlock(void *part1, uint32_t size1, void *part2, uint32_t size2) override {
    return Result(buffer_->Unlock(part1, size1, part2, size2));
  }
  int SetFrequency(uint32_t hz) override { return Result(buffer_->SetFrequency(hz)); }
  int SetPan(int pan) override { return Result(buffer_->SetPan(pan)); }
  int SetVolume(int volume) override { return Result(buffer_->SetVolume(volume)); }
  int SetCurrentPosition(uint32_t offset) override {
    return Result(buffer_->SetCurrentPosition(offset));
  }
  int GetCurrentPosition(uint32_t *play, uint32_t *write) override {
    DWORD p = 0, w = 0;
    HRESULT hr = buffer_->GetCurrentPosition(&p, &w);
    if (play) *play = p;
    if (write) *write = w;
    return Result(hr);
  }
  int SetFormat(const WaveFormat *format) override {
    return Result(buffer_->SetFormat(reinterpret_cast<const WAVEFORMATEX *>(format)));
  }

 private:
  IDirectSoundBuffer *buffer_;
};

struct EnumerationContext {
  AudioDeviceCallback callback;
  void *context;
};

BOOL CALLBACK ForwardDevice(LPGUID, LPCSTR description, LPCSTR module, LPVOID context) {
  EnumerationContext *c = static_cast<EnumerationContext *>(context);
  return c->callback(description ? description : "", module ? module : "", c->context) ? TRUE
                                                                                        : FALSE;
}

class DirectSoundDevice : public AudioDevice {
 public:
  explicit DirectSoundDevice(IDirectSound *sound) : sound_(sound) {}

  int Initialize() override { return Result(sound_->Initialize(NULL)); }
  int SetCooperativeLevel(int level) override {
    return Result(sound_->SetCooperativeLevel(GetDesktopWindow(), static_cast<DWORD>(level)));
  }
  int CreateSoundBuffer(const AudioBufferDesc *desc, AudioBuffer **out) override {
    DSBUFFERDESC d;
    ZeroMemory(&d, sizeof(d));
    d.dwSize = sizeof(d);
    d.dwFlags = desc->flags;
    d.dwBufferBytes = desc->bytes;
    d.lpwfxFormat = reinterpret_cast<WAVEFORMATEX *>(const_cast<WaveFormat *>(desc->format));
    IDirectSoundBuffer *buffer = nullptr;
    if (FAILED(sound_->CreateSoundBuffer(&d, &buffer, NULL)) || !buffer) return -1;
    *out = new DirectSoundBuffer(buffer);
    return 0;
  }
  int DuplicateSoundBuffer(AudioBuffer *source, AudioBuffer **out) override {
    IDirectSoundBuffer *buffer = nullptr;
    IDirectSoundBuffer *raw = static_cast<DirectSoundBuffer *>(source)->Raw();
    if (FAILED(sound_->DuplicateSoundBuffer(raw, &buffer)) || !buffer) return -1;
    *out = new DirectSoundBuffer(buffer);
    return 0;
  }
  int GetCaps(AudioCaps *caps) override {
    DSCAPS c;
    ZeroMemory(&c, sizeof(c));
    c.dwSize = sizeof(c);
    HRESULT hr = sound_->GetCaps(&c);
    caps->flags = c.dwFlags;
    caps->minSecondaryRate = c.dwMinSecondarySampleRate;
    caps->maxSecondaryRate = c.dwMaxSecondarySampleRate;
    caps->totalHardwareBytes = c.dwTotalHwMemBytes;
    caps->freeHardwareBytes = c.dwFreeHwMemBytes;
    return Result(hr);
  }
  int Release() override {
    sound_->Release();
    delete this;
    return 0;
  }
  int EnumerateDevices(AudioDeviceCallback callback, void *context) override {
    HMODULE library = LoadLibraryA("DSOUND.DLL");
    if (!library) return AUDIO_ENUM_NO_LIBRARY;
    typedef HRESULT(WINAPI * EnumerateFunction)(LPDSENUMCALLBACKA, LPVOID);
    EnumerateFunction enumerate = reinterpret_cast<EnumerateFunction>(
        reinterpret_cast<void (*)(void)>(GetProcAddress(library, "DirectSoundEnumerateA")));
    if (!enumerate) {
      FreeLibrary(library);
      return AUDIO_ENUM_NO_FUNCTION;
    }
    EnumerationContext c = {callback, context};
    enumerate(ForwardDevice, &c);
    FreeLibrary(library);
    return AUDIO_ENUM_DONE;
  }

 private:
  IDirectSound *sound_;
};

}  // namespace

AudioDevice *CreatePlatformAudioDevice(void) {
  IDirectSound *sound = nullptr;
  HRESULT hr = CoCreateInstance(CLSID_DirectSound, NULL, kServerContexts, IID_IDirectSound,
                                reinterpret_cast<void **>(&sound));
  if (FAILED(hr) || !sound) return nullptr;
  return new DirectSoundDevice(sound);
}

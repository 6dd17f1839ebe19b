#include "sound/core/sound_system.h"

#include <new>

#include "core/app/framework_lifecycle.h"
#include "core/base/platform.h"
#include "core/base/system_info.h"
#include "core/debug/log_text.h"
#include "core/util/strings.h"
#include "sound/capture/sound_capture.h"
#include "sound/core/sound_handles.h"
#include "sound/core/sound_services.h"
#include "sound/music/music_handles.h"
#include "sound/soft/soft_sounds.h"
#include "sound/stream/stream_sound.h"
#include "velvane.h"

namespace {

const uint32_t kSilentBufferBlocks = 100;
const uint32_t kPrimaryRateLimit = 44100;
const uint32_t kThreadPassMilliseconds = 30;
const uint32_t kThreadStopPollMilliseconds = 2;

SoundSystem g_system;
SoundThreadStarter g_threadStarter;

const char *OkOrNo(uint32_t flags, uint32_t bit) { return (flags & bit) ? "OK" : "NO"; }

void ReleaseDevice(void) {
  g_system.device->Release();
  g_system.device = nullptr;
}

int FailStart(const char *message) {
  ReleaseDevice();
  return WriteErrorLog(message);
}

// Mono or stereo, 8 or 16 bits as the device offers, at its highest
// secondary rate up to 44.1 kHz.
void SetPrimaryFormat(void) {
  AudioCaps caps = {};
  g_system.device->GetCaps(&caps);
  WaveFormat format = {};
  format.formatTag = WAVE_FORMAT_TAG_PCM;
  format.channels = (caps.flags & AUDIO_CAPS_PRIMARY_STEREO) ? 2 : 1;
  format.bitsPerSample = (caps.flags & AUDIO_CAPS_PRIMARY_16BIT) ? 16 : 8;
  format.samplesPerSecond =
      caps.maxSecondaryRate >= kPrimaryRateLimit ? kPrimaryRateLimit : caps.maxSecondaryRate;
  format.blockAlign = static_cast<uint16_t>(format.bitsPerSample / 8 * format.channels);
  format.averageBytesPerSecond = format.blockAlign * format.samplesPerSecond;
  if (g_system.primary->SetFormat(&format) != 0) {
    WriteErrorLog("DirectSoundのプライマリサウンドバッファのフォーマット設定に失敗しました\n");
  }
}

// A looping buffer of zeros keeps the device's output running, so the
// first effect of a quiet stretch starts without a delay.
void StartSilentBuffer(void) {
  WaveFormat format = {WAVE_FORMAT_TAG_PCM, 2, 44100, 176400, 4, 16, 0};
  AudioBufferDesc desc = {AUDIO_BUFFER_GLOBAL_FOCUS | AUDIO_BUFFER_STATIC,
                          kSilentBufferBlocks * format.blockAlign, &format};
  AudioBuffer *buffer = nullptr;
  if (g_system.device->CreateSoundBuffer(&desc, &buffer) != 0) {
    WriteErrorLog("無音バッファの作成に失敗しました");
    return;
  }
  void *part1, *part2;
  uint32_t size1, size2;
  if (buffer->Lock(0, desc.bytes, &part1, &size1, &part2, &size2) != 0) {
    WriteErrorLog("無音バッファのロックに失敗しました");
    buffer->Release();
    return;
  }
  FillBytes(part1, 0, static_cast<int>(size1));
  if (part2) FillBytes(part2, 0, static_cast<int>(size2));
  buffer->Unlock(part1, size1, part2, size2);
  buffer->Play(AUDIO_PLAY_LOOPING);
  g_system.silent = buffer;
}

void LogDeviceCaps(const AudioCaps &caps) {
  WriteLogLineFormat("最大サンプリングレート:%.2fKHz 最小サンプリングレート:%.2fKHz ",
                     caps.maxSecondaryRate / 1000.0, caps.minSecondaryRate / 1000.0);
  WriteLogLineFormat("総サウンドメモリ領域:%.2fKB 空きサウンドメモリ領域:%.2fKB \n",
                     caps.totalHardwareBytes / 1024.0, caps.freeHardwareBytes / 1024.0);
  WriteLogLineFormat("利用可能サンプリング精度\n");
  WriteLogLineFormat(" プライマリ １６bit = %s  ８bit = %s ",
                     OkOrNo(caps.flags, AUDIO_CAPS_PRIMARY_16BIT),
                     OkOrNo(caps.flags, AUDIO_CAPS_PRIMARY_8BIT));
  WriteLogLineFormat(" セカンダリ １６bit = %s  ８bit = %s \n",
                     OkOrNo(caps.flags, AUDIO_CAPS_SECONDARY_16BIT),
                     OkOrNo(caps.flags, AUDIO_CAPS_SECONDARY_8BIT));
  WriteLogLineFormat("利用可能チャンネル\n");
  WriteLogLineFormat(" プライマリ MONO = %s  STEREO = %s ",
                     OkOrNo(caps.flags, AUDIO_CAPS_PRIMARY_MONO),
                     OkOrNo(caps.flags, AUDIO_CAPS_PRIMARY_STEREO));
  WriteLogLineFormat(" セカンダリ MONO = %s  STEREO = %s \n",
                     OkOrNo(caps.flags, AUDIO_CAPS_SECONDARY_MONO),
                     OkOrNo(caps.flags, AUDIO_CAPS_SECONDARY_STEREO));
}

// Lists the output devices and the capabilities; the indent ends where it
// began on every path.
void LogDevices(void) {
  IncreaseLogIndent();
  AudioCaps caps = {};
  g_system.device->GetCaps(&caps);
  WriteLogLine("DirectSound デバイスを列挙します\n");
  IncreaseLogIndent();
  const int result = g_system.device->EnumerateDevices(LogDirectSoundDevice, nullptr);
  if (result == AUDIO_ENUM_NO_LIBRARY) {
    WriteErrorLog("DSOUND.DLL のロードに失敗しました\n");
  } else if (result == AUDIO_ENUM_NO_FUNCTION) {
    WriteErrorLog("DirectSound デバイスの列挙用関数のポインタ取得に失敗しました\n");
  }
  DecreaseLogIndent();
  if (result == AUDIO_ENUM_DONE) LogDeviceCaps(caps);
  DecreaseLogIndent();
}

void EmptyTables(void) {
  DeleteAllSoundHandles();
  DeleteAllSoftSounds();
  DeleteAllSoftSoundPlayers();
}

void SoundUpdateThread(void *) {
  while (g_system.threadState.load() != SOUND_THREAD_STOP_REQUESTED) {
    {
      std::lock_guard<std::recursive_mutex> guard(SoundLock());
      if (g_system.device) RefillActiveStreamSounds();
      if (g_system.device) RefillPlayingSoftSoundPlayers();
    }
    PlatformSleep(kThreadPassMilliseconds);
  }
  g_system.threadState.store(SOUND_THREAD_ENDED);
}

void StartUpdateThread(void) {
  g_system.thread = 0;
  if (GetSystemFacts()->processorCount <= 1) return;
  g_system.threadState.store(SOUND_THREAD_RUNNING);
  SoundThreadStarter start = g_threadStarter ? g_threadStarter : PlatformStartThread;
  g_system.thread = start(SoundUpdateThread, nullptr, 1);
}

// Asks the thread to stop and waits for its last pass, pumping messages so
// a window the thread may wait on stays served.
void StopUpdateThread(void) {
  if (!g_system.thread) return;
  g_system.threadState.store(SOUND_THREAD_STOP_REQUESTED);
  while (g_system.threadState.load() != SOUND_THREAD_ENDED) {
    PumpMessagesUnlocked();
    PlatformSleep(kThreadStopPollMilliseconds);
  }
  PlatformJoinThread(g_system.thread);
  g_system.thread = 0;
}

void ReleaseBuffer(AudioBuffer **buffer) {
  if (!*buffer) return;
  (*buffer)->Stop();
  (*buffer)->Release();
  *buffer = nullptr;
}

// The fixed part of start-up: device, level and primary buffer; -1 (with
// the device released) when any of them fails.
int BringUpDevice(void) {
  WriteLogLine("DirectSound の初期化を行います\n");
  WriteLogLine("DirectSound インターフェースの取得を行います....  ");
  g_system.device = CreateAudioDevice();
  if (!g_system.device) return WriteErrorLog("DirectSoundインターフェースの作成に失敗しました\n");
  WriteLogLine("成功\n");
  WriteLogLine("引き続きインターフェースの初期化処理...  ");
  if (g_system.device->Initialize() != 0) return FailStart("初期化に失敗しました\n");
  WriteLogLine("成功\n");
  if (g_system.device->SetCooperativeLevel(AUDIO_LEVEL_PRIORITY) != 0) {
    return FailStart("DirectSoundの協調レベルの設定に失敗しました\n");
  }
  AudioBufferDesc desc = {AUDIO_BUFFER_PRIMARY, 0, nullptr};
  if (g_system.device->CreateSoundBuffer(&desc, &g_system.primary) != 0) {
    g_system.primary = nullptr;
    return FailStart("DirectSoundのプライマリサウンドバッファの作成に失敗しました\n");
  }
  return 0;
}

}  // namespace

SoundSystem *GetSoundSystem(void) {
  static bool prepared = false;
  if (!prepared) {
    prepared = true;
    HandleTableInit(&g_system.soundTable, HANDLE_KIND_SOUND, g_system.soundSlots,
                    SOUND_HANDLE_CAPACITY);
    HandleTableSetSlotRule(&g_system.soundTable, HANDLE_SLOTS_HIGHEST);
    HandleListInit(&g_system.streamHead, &g_system.streamTail);
    HandleListInit(&g_system.softPlayerHead, &g_system.softPlayerTail);
    g_system.oggSampleWidth = 2;
  }
  return &g_system;
}

int IsSoundStarted(void) { return g_system.device != nullptr; }

std::recursive_mutex &SoundLock(void) {
  alignas(std::recursive_mutex) static unsigned char storage[sizeof(std::recursive_mutex)];
  static std::recursive_mutex *lock = new (storage) std::recursive_mutex;
  return *lock;
}

void SetSoundThreadStarter(SoundThreadStarter starter) { g_threadStarter = starter; }

int HasSoundUpdateThread(void) { return g_system.thread != 0; }

int LogDirectSoundDevice(const char *description, const char *module, void *) {
  WriteLogLineFormat("モジュール名:%15s  ドライバ記述:%s ", module, description);
  return 1;
}

int StartSoundSystem(void) {
  GetSoundSystem();
  if (g_system.device) return -1;
  std::lock_guard<std::recursive_mutex> guard(SoundLock());
  if (BringUpDevice() != 0) return -1;
  SetPrimaryFormat();
  StartSilentBuffer();
  g_system.createDataType = 0;
  g_system.oggSampleWidth = 2;
  HandleListInit(&g_system.streamHead, &g_system.streamTail);
  HandleListInit(&g_system.softPlayerHead, &g_system.softPlayerTail);
  LogDevices();
  EmptyTables();
  StartUpdateThread();
  WriteLogLine("DirectSound の初期化は正常に終了しました\n");
  return 0;
}

int EndSoundSystem(void) {
  if (!g_system.device) return -1;
  StopUpdateThread();
  {
    std::lock_guard<std::recursive_mutex> guard(SoundLock());
    EndSoundCapture();
    DeleteAllSoundHandles();
    DeleteAllSoftSounds();
    DeleteAllSoftSoundPlayers();
    DeleteAllMusicHandles();
    DeleteTemporaryMidiFile();
    ReleaseBuffer(&g_system.primary);
    ReleaseBuffer(&g_system.silent);
    ReleaseDevice();
  }
  WriteLogLine("DirectSound の終了処理は正常に終了しました\n");
  return 0;
}

// Nothing is ever played straight from a file, so there is nothing to end.
int StopPlayFileSound(void) { return 0; }

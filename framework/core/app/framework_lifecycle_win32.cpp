// Start-up and shut-down of the whole framework, the three locked public
// entry points, and the fatal exit.
#include <windows.h>
#include <objbase.h>

#include "core/app/api_lock.h"
#include "core/archive/archive_cache.h"
#include "core/base/core_state.h"
#include "core/files/file_access.h"
#include "core/input/input_devices.h"
#include "core/input/key_input.h"
#include "core/debug/log.h"
#include "core/net/network.h"
#include "graphics/text/onscreen_log.h"
#include "core/base/platform.h"
#include "core/util/strings.h"
#include "core/base/system_info.h"
#include "core/app/window_state.h"
#include "graphics/draw/draw_target.h"
#include "graphics/device/graphics_system.h"
#include "graphics/device/screen_settings.h"
#include "graphics/images/soft_images.h"
#include "model/system/model_system.h"
#include "sound/core/sound_services.h"

namespace {

// A full-screen size the display does not offer falls back to window mode.
void FallBackFromUnavailableFullScreen(void) {
  if (g_windowState.settings.windowed) return;
  if (!IsFullScreenSizeAvailable()) ChangeWindowMode(1);
  if (!g_windowState.settings.windowed) StartEmulationFor320x240();
}

void SaveStartDirectory(void) {
  char directory[START_DIRECTORY_SIZE] = "";
  if (FileAccessGetCurrentDir(directory) < 0) directory[0] = '\0';
  SetStartDirectory(directory);
}

bool IsTwentyFourBitDisplay(void) {
  return (g_windowState.settings.windowed && PlatformDesktopColorBits() == 24) ||
         GetScreenColorBits() == 24;
}

void LoadDesktopComposition(void) {
  LifecycleState &life = g_windowState.lifecycle;
  if (life.dwmModule) return;
  life.dwmModule = LoadLibraryA("dwmapi.dll");
  if (!life.dwmModule) return;
  life.dwmEnableComposition = reinterpret_cast<DwmEnableCompositionFunction>(
      reinterpret_cast<void (*)(void)>(GetProcAddress(life.dwmModule, "DwmEnableComposition")));
}

void FreeDesktopComposition(void) {
  LifecycleState &life = g_windowState.lifecycle;
  if (!life.dwmModule) return;
  FreeLibrary(life.dwmModule);
  life.dwmModule = NULL;
  life.dwmEnableComposition = NULL;
}

void StartCom(void) {
  if (g_windowState.lifecycle.comInitialised) return;
  WriteLogLine("ＣＯＭの初期化... ");
  if (FAILED(CoInitialize(NULL))) {
    WriteLogLine("ＣＯＭの初期化に失敗しました\n");
    return;
  }
  WriteLogLine("成功しました\n");
  g_windowState.lifecycle.comInitialised = 1;
}

void EndCom(void) {
  if (!g_windowState.lifecycle.comInitialised) return;
  CoUninitialize();
  WriteLogLine("ＣＯＭを終了... 完了\n");
  g_windowState.lifecycle.comInitialised = 0;
}

int FailStartUp(void) {
  SetFrameworkStarting(0);
  return -1;
}

// The steps before the window: settings, files, log and system facts.
int PrepareStartUp(void) {
  FallBackFromUnavailableFullScreen();
  BuildYuvToRgbTables();
  ResetArchiveCache();
  SelectStreamFunctions(NULL);
  SaveStartDirectory();
  StartLogFile();
  if (IsTwentyFourBitDisplay()) {
    WriteLogLine("Velvaneは２４ビットカラーモードに対応していません\n");
    return -1;
  }
  QueryPerformanceFacts();
  LogSystemInfo();
  LoadDesktopComposition();
  SetGraphReloadCallback(NULL);
  StartCom();
  return 0;
}

// The subsystems in the order they depend on each other. A failure leaves
// what was done in place: the program ends right after it.
int StartSubsystems(void) {
  if (CreateMainWindow() < 0) return -1;
  if (InitInputSystem() < 0) return -1;
  StartSoundSystem();
  if (StartGraphicsSystem() < 0) return -1;
  InitKeyInputSystem();
  return 0;
}

void FinishStartUp(void) {
  SetFrameworkInitialised(1);
  if (!g_windowState.settings.windowed) BringWindowToFront(g_windowState.window.mainWindow, 1);
  InitOnScreenLog();
  SetDrawTarget(DRAW_TARGET_BACK);
  SetDrawTarget(DRAW_TARGET_FRONT);
  VLMStartModelSystem();
}

}  // namespace

int InitFrameworkUnlocked(void) {
  if (IsFrameworkInitialised()) return 0;
  SetFrameworkStarting(1);
  if (PrepareStartUp() < 0 || StartSubsystems() < 0) return FailStartUp();
  FinishStartUp();
  SetFrameworkStarting(0);
  return 0;
}

int EndFrameworkUnlocked(void) {
  if (!IsFrameworkInitialised()) return 0;
  g_windowState.window.endingState = ENDING_SHUTDOWN;
  EndOnScreenLog();
  EndNetwork();
  StopPlayFileSound();
  VLMEndModelSystem();
  EndGraphicsSystem();
  EndInputSystem();
  EndSoundSystem();
  DestroyMainWindow();
  EndCom();
  DeleteAllSoftImages();
  SetFrameworkInitialised(0);
  const FileAccessFunctions *files = GetFileAccessFunctions();
  if (files && files->setCurrentDir) files->setCurrentDir(GetStartDirectory());
  ResetArchiveCache();
  DumpAllocations();
  FreeDesktopComposition();
  return 0;
}

int InitFramework(void) {
  if (IsFrameworkInitialised()) return 0;
  LockFrameworkApi();
  const int result = InitFrameworkUnlocked();
  UnlockFrameworkApi();
  return result;
}

int EndFramework(void) {
  if (!IsFrameworkInitialised()) return 0;
  LockFrameworkApi();
  EndFrameworkUnlocked();
  UnlockFrameworkApi();
  DestroyFrameworkApiLock();
  return 0;
}

int PumpMessages(void) {
  LockFrameworkApi();
  const int result = PumpMessagesUnlocked();
  UnlockFrameworkApi();
  return result;
}

void FatalErrorExit(const char *text) {
  WriteLogLine(text ? text : "");
  WriteLogLine("\n");
  EndFrameworkUnlocked();
  DestroyFrameworkApiLock();
  ExitProcess(static_cast<UINT>(-1));
}

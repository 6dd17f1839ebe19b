// DirectInput 7, or 8 where 7 is missing: the system mouse and keyboard in
// non-exclusive background mode and every attached game controller. Both
// versions' devices are driven through the version-7 device interface, of
// which the version-8 one is an extension.
#include <windows.h>
#include <mmsystem.h>
#include <dinput.h>
#include <string.h>

#include "core/app/framework_lifecycle.h"
#include "core/app/window_state.h"
#include "core/debug/log_text.h"
#include "core/input/directinput_devices.h"
#include "velvane.h"

namespace {

static_assert(sizeof(PadState) == sizeof(DIJOYSTATE), "pad state in the joystick layout");

const DWORD kDirectInput7Version = 0x0700;
const DWORD kDirectInput8Version = 0x0800;
const DWORD kGameControllers = 4;  // the joystick type of 7 and the class of 8
const DWORD kKeyboardBufferSize = 100;
const LONG kFullMagnitude = 10000;
const DWORD kSinePeriodUs = 1500000;
const DWORD kAttackUs = 500000;
const DWORD kFadeUs = 1000000;

struct DirectInputState {
  IDirectInput7A *input7;
  IDirectInput8A *input8;
  IDirectInputDevice7A *mouse;
  IDirectInputDevice7A *keyboard;
  HANDLE keyboardEvent;
  DWORD keyboardTick;
  int keyboardReadOnce;
  int effectsOff;
  int padCount;
  JoypadRecord pads[MAX_JOYPADS];
};

DirectInputState g_directInput;

IDirectInputDevice7A *AsDevice(void *device) { return static_cast<IDirectInputDevice7A *>(device); }

// "エラーコード" follows every failed step's own text.
void LogErrorCode(HRESULT result) {
  WriteLogText("エラーコード 0x%x\n", static_cast<unsigned>(result));
}

// One version's object: made through COM and initialised for this module.
template <class Interface>
Interface *CreateInputObject(REFCLSID classId, REFIID interfaceId, DWORD version) {
  Interface *object = NULL;
  HRESULT result = CoCreateInstance(classId, NULL, CLSCTX_INPROC_SERVER, interfaceId,
                                    reinterpret_cast<void **>(&object));
  if (FAILED(result) || !object) {
    WriteLogLine("取得に失敗。\n");
    LogErrorCode(result);
    return NULL;
  }
  WriteLogLine("成功\n");
  WriteLogLine("引き続き初期化処理... ");
  result = object->Initialize(g_windowState.window.instance, version);
  if (FAILED(result)) {
    WriteLogLine("初期化に失敗。");
    LogErrorCode(result);
    object->Release();
    return NULL;
  }
  WriteLogLine("初期化成功\n");
  return object;
}

int CreateDirectInputObject(void) {
  WriteLogLine("DirectInput7 の取得中... ");
  g_directInput.input7 = CreateInputObject<IDirectInput7A>(CLSID_DirectInput, IID_IDirectInput7A,
                                                           kDirectInput7Version);
  if (g_directInput.input7) return 0;
  WriteLogLine("DirectInput8 の取得を試みます...");
  g_directInput.input8 = CreateInputObject<IDirectInput8A>(CLSID_DirectInput8, IID_IDirectInput8A,
                                                           kDirectInput8Version);
  return g_directInput.input8 ? 0 : -1;
}

IDirectInputDevice7A *CreateDevice(REFGUID guid) {
  if (g_directInput.input7) {
    void *device = NULL;
    if (FAILED(g_directInput.input7->CreateDeviceEx(guid, IID_IDirectInputDevice7A, &device, NULL)))
      return NULL;
    return static_cast<IDirectInputDevice7A *>(device);
  }
  IDirectInputDevice8A *device = NULL;
  if (FAILED(g_directInput.input8->CreateDevice(guid, &device, NULL))) return NULL;
  return device;
}

// --- The game controllers' device calls ---

void *CreateJoypadDevice(void *instance) {
  return CreateDevice(static_cast<const DIDEVICEINSTANCEA *>(instance)->guidInstance);
}

int JoypadNames(void *device, char instanceName[JOYPAD_NAME_SIZE],
                char productName[JOYPAD_NAME_SIZE]) {
  DIDEVICEINSTANCEA info;
  memset(&info, 0, sizeof info);
  info.dwSize = sizeof info;
  if (FAILED(AsDevice(device)->GetDeviceInfo(&info))) return -1;
  static_assert(sizeof info.tszInstanceName <= JOYPAD_NAME_SIZE, "instance name fits");
  static_assert(sizeof info.tszProductName <= JOYPAD_NAME_SIZE, "product name fits");
  memcpy(instanceName, info.tszInstanceName, sizeof info.tszInstanceName);
  memcpy(productName, info.tszProductName, sizeof info.tszProductName);
  return 0;
}

int SetJoystickFormat(void *device) {
  return FAILED(AsDevice(device)->SetDataFormat(&c_dfDIJoystick)) ? -1 : 0;
}

int SetCooperativeLevel(void *device, int exclusiveForeground) {
  const DWORD level = exclusiveForeground ? (DISCL_EXCLUSIVE | DISCL_FOREGROUND)
                                          : (DISCL_NONEXCLUSIVE | DISCL_BACKGROUND);
  return FAILED(AsDevice(device)->SetCooperativeLevel(g_windowState.window.mainWindow, level)) ? -1
                                                                                             : 0;
}

DWORD AxisOffset(JoypadAxis axis) {
  switch (axis) {
    case JOYPAD_AXIS_X: return DIJOFS_X;
    case JOYPAD_AXIS_Y: return DIJOFS_Y;
    case JOYPAD_AXIS_Z: return DIJOFS_Z;
    default: return DIJOFS_RZ;
  }
}

DIPROPHEADER AxisHeader(JoypadAxis axis, DWORD size) {
  DIPROPHEADER header;
  header.dwSize = size;
  header.dwHeaderSize = sizeof(DIPROPHEADER);
  header.dwObj = AxisOffset(axis);
  header.dwHow = DIPH_BYOFFSET;
  return header;
}

int SetAxisRange(void *device, JoypadAxis axis, int minimum, int maximum) {
  DIPROPRANGE range;
  range.diph = AxisHeader(axis, sizeof range);
  range.lMin = minimum;
  range.lMax = maximum;
  return FAILED(AsDevice(device)->SetProperty(DIPROP_RANGE, &range.diph)) ? -1 : 0;
}

int SetAxisDeadZone(void *device, JoypadAxis axis, int deadZone) {
  DIPROPDWORD value;
  value.diph = AxisHeader(axis, sizeof value);
  value.dwData = static_cast<DWORD>(deadZone);
  return FAILED(AsDevice(device)->SetProperty(DIPROP_DEADZONE, &value.diph)) ? -1 : 0;
}

void *CreateEffect(void *device, JoypadEffectKind kind) {
  DWORD axes[2] = {static_cast<DWORD>(DIJOFS_X), static_cast<DWORD>(DIJOFS_Y)};
  LONG direction[2] = {0, 0};
  DIPERIODIC periodic = {static_cast<DWORD>(kFullMagnitude), 0, 0, kSinePeriodUs};
  DICONSTANTFORCE constant = {kFullMagnitude};
  DIENVELOPE envelope = {sizeof(DIENVELOPE), 0, kAttackUs, 0, kFadeUs};
  DIEFFECT effect;
  memset(&effect, 0, sizeof effect);
  effect.dwSize = sizeof effect;
  effect.dwDuration = INFINITE;
  effect.dwGain = static_cast<DWORD>(kFullMagnitude);
  effect.dwTriggerButton = DIEB_NOTRIGGER;
  effect.cAxes = 2;
  effect.rgdwAxes = axes;
  effect.rglDirection = direction;
  const bool sine = kind == JOYPAD_EFFECT_PERIODIC;
  effect.dwFlags = DIEFF_OBJECTOFFSETS | (sine ? DIEFF_POLAR : DIEFF_CARTESIAN);
  effect.lpEnvelope = sine ? &envelope : NULL;
  effect.cbTypeSpecificParams = sine ? sizeof periodic : sizeof constant;
  effect.lpvTypeSpecificParams = sine ? static_cast<void *>(&periodic) : &constant;
  IDirectInputEffect *made = NULL;
  if (FAILED(AsDevice(device)->CreateEffect(sine ? GUID_Sine : GUID_ConstantForce, &effect, &made,
                                            NULL)))
    return NULL;
  return made;
}

// A manual-reset event set as the device's notification; null on failure.
HANDLE CreateNotification(IDirectInputDevice7A *device, HRESULT *result) {
  HANDLE event = CreateEventA(NULL, TRUE, FALSE, NULL);
  *result = event ? device->SetEventNotification(event) : E_FAIL;
  if (*result == DI_OK || *result == DI_POLLEDDEVICE) return event;
  if (event) CloseHandle(event);
  return NULL;
}

void *CreateJoypadEvent(void *device) {
  HRESULT result;
  return CreateNotification(AsDevice(device), &result);
}

int AcquireDevice(void *device) { return FAILED(AsDevice(device)->Acquire()) ? -1 : 0; }
void UnacquireDevice(void *device) { AsDevice(device)->Unacquire(); }
void PollDevice(void *device) { AsDevice(device)->Poll(); }

int ReadJoypadState(void *device, PadState *state) {
  DIJOYSTATE raw;
  if (FAILED(AsDevice(device)->GetDeviceState(sizeof raw, &raw))) return -1;
  memcpy(state, &raw, sizeof raw);
  return 0;
}

int IsEventSignalled(void *event) {
  return WaitForSingleObject(static_cast<HANDLE>(event), 0) == WAIT_OBJECT_0 ? 1 : 0;
}
void ResetNotification(void *event) { ResetEvent(static_cast<HANDLE>(event)); }

int PlayEffect(void *effect, int play) {
  IDirectInputEffect *made = static_cast<IDirectInputEffect *>(effect);
  return FAILED(play ? made->Start(1, 0) : made->Stop()) ? -1 : 0;
}
void ReleaseEffect(void *effect) { static_cast<IDirectInputEffect *>(effect)->Release(); }
void CloseNotification(void *event) { CloseHandle(static_cast<HANDLE>(event)); }
void ReleaseDevice(void *device) { AsDevice(device)->Release(); }
uint32_t CurrentTick(void) { return timeGetTime(); }

const JoypadDeviceCalls kJoypadCalls = {
    CreateJoypadDevice, JoypadNames,     SetJoystickFormat, SetCooperativeLevel,
    SetAxisRange,       SetAxisDeadZone, CreateEffect,      CreateJoypadEvent,
    AcquireDevice,      UnacquireDevice, PollDevice,        ReadJoypadState,
    IsEventSignalled,   ResetNotification, PlayEffect,      ReleaseEffect,
    CloseNotification,  ReleaseDevice,   CurrentTick,
};

void ReleaseJoypads(void) {
  for (JoypadRecord &pad : g_directInput.pads) ReleaseJoypad(&kJoypadCalls, &pad);
  g_directInput.padCount = 0;
}

BOOL CALLBACK OnGameController(LPCDIDEVICEINSTANCEA instance, LPVOID) {
  JoypadRecord &pad = g_directInput.pads[g_directInput.padCount];
  void *found = const_cast<DIDEVICEINSTANCEA *>(instance);
  if (AddJoypad(&kJoypadCalls, found, g_directInput.effectsOff, &pad)) g_directInput.padCount++;
  return g_directInput.padCount < MAX_JOYPADS ? DIENUM_CONTINUE : DIENUM_STOP;
}

void SetupJoypads(void) {
  ReleaseJoypads();
  WriteLogLine("ジョイパッドの初期化... \n");
  if (g_directInput.input7)
    g_directInput.input7->EnumDevices(kGameControllers, OnGameController, NULL, DIEDFL_ATTACHEDONLY);
  else
    g_directInput.input8->EnumDevices(kGameControllers, OnGameController, NULL, DIEDFL_ATTACHEDONLY);
  WriteLogLine("ジョイパッドの初期化は正常に終了しました\n");
}

// The messages name the step; every one of them ends the program.
struct SystemDeviceTexts {
  const char *create;
  const char *format;
  const char *cooperativeLevel;
};

IDirectInputDevice7A *CreateSystemDevice(REFGUID guid, const DIDATAFORMAT *format,
                                         const SystemDeviceTexts &texts) {
  IDirectInputDevice7A *device = CreateDevice(guid);
  if (!device) FatalErrorExit(texts.create);
  if (FAILED(device->SetDataFormat(format))) FatalErrorExit(texts.format);
  if (FAILED(device->SetCooperativeLevel(g_windowState.window.mainWindow,
                                         DISCL_NONEXCLUSIVE | DISCL_BACKGROUND)))
    FatalErrorExit(texts.cooperativeLevel);
  return device;
}

void StartMouse(void) {
  WriteLogLine("マウスデバイスの初期化... ");
  const SystemDeviceTexts texts = {"マウスデバイスの取得に失敗しました",
                                   "マウスデバイスのデータ形式の設定に失敗しました",
                                   "マウスデバイスの協調レベルの設定に失敗しました"};
  g_directInput.mouse = CreateSystemDevice(GUID_SysMouse, &c_dfDIMouse2, texts);
  g_directInput.mouse->Acquire();
}

int StartKeyboard(void) {
  WriteLogLine("キーボードデバイスの初期化... ");
  const SystemDeviceTexts texts = {"キーボードデバイスの取得に失敗しました",
                                   "キーボードデバイスのデータ形式の設定に失敗しました",
                                   "キーボードデバイスの協調レベルの設定に失敗しました"};
  IDirectInputDevice7A *keyboard = CreateSystemDevice(GUID_SysKeyboard, &c_dfDIKeyboard, texts);
  g_directInput.keyboard = keyboard;
  DIPROPDWORD buffer;
  buffer.diph.dwSize = sizeof buffer;
  buffer.diph.dwHeaderSize = sizeof buffer.diph;
  buffer.diph.dwObj = 0;
  buffer.diph.dwHow = DIPH_DEVICE;
  buffer.dwData = kKeyboardBufferSize;
  if (FAILED(keyboard->SetProperty(DIPROP_BUFFERSIZE, &buffer.diph)))
    WriteLogLine("キーボードのプロパティ設定に失敗しました\n");
  HRESULT result;
  g_directInput.keyboardEvent = CreateNotification(keyboard, &result);
  if (!g_directInput.keyboardEvent) {
    WriteLogLine("キーボードイベントのセットアップが失敗しました\n");
    return -1;
  }
  if (FAILED(keyboard->Acquire()) && FAILED(keyboard->Acquire()))
    FatalErrorExit("キーボードデバイスの取得に失敗しました");
  return 0;
}

void ReleaseSystemDevice(IDirectInputDevice7A **device) {
  if (!*device) return;
  (*device)->Unacquire();
  (*device)->Release();
  *device = NULL;
}

void ReleaseInputObject(void) {
  if (g_directInput.input7) g_directInput.input7->Release();
  if (g_directInput.input8) g_directInput.input8->Release();
  g_directInput.input7 = NULL;
  g_directInput.input8 = NULL;
}

// Reads the device's state, acquiring it again once when it was lost.
void ReleaseAll(void) {
  ReleaseJoypads();
  ReleaseSystemDevice(&g_directInput.keyboard);
  if (g_directInput.keyboardEvent) CloseHandle(g_directInput.keyboardEvent);
  g_directInput.keyboardEvent = NULL;
  ReleaseSystemDevice(&g_directInput.mouse);
  ReleaseInputObject();
}

bool ReadDeviceState(IDirectInputDevice7A *device, DWORD size, void *data) {
  if (SUCCEEDED(device->GetDeviceState(size, data))) return true;
  device->Acquire();
  return SUCCEEDED(device->GetDeviceState(size, data));
}

}  // namespace

int StartDirectInput(const InputSwitches *switches) {
  memset(&g_directInput, 0, sizeof g_directInput);
  g_directInput.effectsOff = switches->effectsOff;
  WriteLogLine("DirectInput関係初期化処理\n");
  IncreaseLogIndent();
  if (CreateDirectInputObject() < 0) {
    WriteLogLine("DirectInput を使用しません。\n");
    DecreaseLogIndent();
    return 1;
  }
  if (g_windowState.window.mainWindow) BringWindowToFront(g_windowState.window.mainWindow, 0);
  PumpMessagesUnlocked();
  SetupJoypads();
  StartMouse();
  if (StartKeyboard() < 0) {
    // Input counts as not started: nothing made may be left behind.
    ReleaseAll();
    DecreaseLogIndent();
    return -1;
  }
  WriteLogLine("DirectInput 関連の初期化は正常に終了しました\n");
  DecreaseLogIndent();
  return 0;
}

void EndDirectInput(void) {
  WriteLogLine("DirectInput 関連の終了処理... 完了\n");
  ReleaseAll();
}

int ReadDirectInputKeyboard(uint8_t keyState[KEY_STATE_SIZE]) {
  IDirectInputDevice7A *keyboard = g_directInput.keyboard;
  if (!keyboard) return 0;
  const DWORD now = timeGetTime();
  const bool signalled = g_directInput.keyboardEvent && IsEventSignalled(g_directInput.keyboardEvent);
  if (g_directInput.keyboardReadOnce && now == g_directInput.keyboardTick && !signalled) return 0;
  PumpMessagesUnlocked();
  uint8_t fresh[KEY_STATE_SIZE];
  if (!ReadDeviceState(keyboard, sizeof fresh, fresh)) return 0;
  memcpy(keyState, fresh, sizeof fresh);
  g_directInput.keyboardTick = now;
  g_directInput.keyboardReadOnce = 1;
  if (signalled) ResetEvent(g_directInput.keyboardEvent);
  return 1;
}

int ReadDirectInputMouseButtons(void) {
  if (!g_directInput.mouse) return 0;
  DIMOUSESTATE2 state;
  if (!ReadDeviceState(g_directInput.mouse, sizeof state, &state)) return 0;
  int buttons = 0;
  for (int i = 0; i < 8; i++)
    if (state.rgbButtons[i] & 0x80) buttons |= 1 << i;
  return buttons;
}

int DirectInputPadCount(void) { return g_directInput.padCount; }

JoypadRecord *DirectInputJoypad(int padIndex) {
  if (padIndex < 0 || padIndex >= g_directInput.padCount) return NULL;
  return &g_directInput.pads[padIndex];
}

const JoypadDeviceCalls *DirectInputJoypadCalls(void) { return &kJoypadCalls; }

void ReacquireDirectInput(int windowActive) {
  for (int i = 0; i < g_directInput.padCount; i++)
    ReacquireJoypad(&kJoypadCalls, &g_directInput.pads[i], windowActive);
  if (g_directInput.keyboard) {
    g_directInput.keyboard->Unacquire();
    g_directInput.keyboard->Acquire();
  }
}

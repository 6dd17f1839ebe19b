// The host build has no input devices: the queries see nothing pressed.
#include "core/input/input_backend.h"

namespace {

int StartNone(InputSwitches *) { return 0; }
void EndNone(void) {}
int ReadNoKeyboard(uint8_t *) { return 0; }
int NoMouseButtons(void) { return 0; }
int NoPads(void) { return 0; }
int ReadNoPad(int, PadState *) { return -1; }
int NeverEnding(void) { return 0; }
int NoWindowActive(void) { return 0; }
void ReacquireNothing(int) {}
JoypadRecord *NoJoypad(int) { return nullptr; }
const JoypadDeviceCalls *NoJoypadCalls(void) { return nullptr; }

const InputBackend kNoDevices = {StartNone, EndNone,        ReadNoKeyboard,   NoMouseButtons,
                                 NoPads,    ReadNoPad,      NeverEnding,      NoWindowActive,
                                 ReacquireNothing, NoJoypad, NoJoypadCalls};

}  // namespace

const InputBackend *GetPlatformInputBackend(void) { return &kNoDevices; }

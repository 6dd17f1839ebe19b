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

const InputBackend kNoDevices = {StartNone,  EndNone, ReadNoKeyboard, NoMouseButtons,
                                 NoPads,     ReadNoPad, NeverEnding};

}  // namespace

const InputBackend *GetPlatformInputBackend(void) { return &kNoDevices; }

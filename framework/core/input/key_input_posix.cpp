// The host build has no clipboard and no IME: the editor works on what
// reaches the character ring.
#include "core/input/key_input.h"
#include "velvane.h"

namespace {

int NoClipboardText(char *, int) { return -1; }
int RefuseClipboardText(const char *) { return -1; }

}  // namespace

const KeyInputServices *GetPlatformKeyInputServices(void) {
  static const KeyInputServices services = {NoClipboardText, RefuseClipboardText,
                                            KeyInputShiftDown};
  return &services;
}

int EnableIme(int enable) {
  SetImeEnabledFlag(enable);
  return 0;
}

void RunImeRestoreStep(void) {}
void FitImeComposition(int) {}
void ClearImeState(void) {}

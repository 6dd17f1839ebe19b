// The key-input editor's clipboard on Windows.
#include "core/input/key_input.h"
#include "velvane.h"

const KeyInputServices *GetPlatformKeyInputServices(void) {
  static const KeyInputServices services = {ReadClipboardText, WriteClipboardText,
                                            KeyInputShiftDown};
  return &services;
}

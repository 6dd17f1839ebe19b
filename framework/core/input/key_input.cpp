#include "core/input/key_input.h"

#include "core/input/char_ring.h"
#include "velvane.h"

namespace {

struct KeyInputState {
  int imeEnabled;
  int activeHandle;
};

KeyInputState g_keyInput = {0, -1};

}  // namespace

int InitKeyInputSystem(void) {
  WriteLogLine("文字コードバッファの初期化を行います... ");
  ClearCharRing();
  g_keyInput.activeHandle = -1;
  WriteLogLine("完了しました\n");
  return 0;
}

// No key-input handle can be created yet.
int DeleteAllKeyInputHandles(void) {
  g_keyInput.activeHandle = -1;
  return 0;
}

int UpdateImeInput(void) { return 0; }

int IsImeEnabled(void) { return g_keyInput.imeEnabled; }

void SetImeEnabledFlag(int on) { g_keyInput.imeEnabled = on ? 1 : 0; }

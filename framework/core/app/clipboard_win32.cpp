// Text on the system clipboard.
#include <windows.h>
#include <string.h>

#include "core/app/clipboard_system_win32.h"
#include "core/app/window_state.h"
#include "velvane.h"

namespace {

const ClipboardSystem kSystemClipboard = {OpenClipboard,    CloseClipboard,   EmptyClipboard,
                                          GetClipboardData, SetClipboardData, GlobalFree};

ClipboardSystem g_clipboard = kSystemClipboard;

HWND ClipboardOwner(void) { return g_windowState.window.mainWindow; }

}  // namespace

void SetClipboardSystem(const ClipboardSystem *system) {
  g_clipboard = system ? *system : kSystemClipboard;
}

int ReadClipboardText(char *buffer, int bufferSize) {
  if (!g_clipboard.open(ClipboardOwner())) return -1;
  HANDLE data = g_clipboard.getData(CF_TEXT);
  const char *text = data ? static_cast<const char *>(GlobalLock(data)) : NULL;
  if (!text) {
    g_clipboard.close();
    return -1;
  }
  const SIZE_T blockSize = GlobalSize(data);
  int result = 0;
  if (!buffer) {
    result = static_cast<int>(blockSize) + 1;
  } else if (bufferSize > 0) {
    // The block's text may lack its terminator; neither it nor the caller's
    // buffer is read or written past its end.
    SIZE_T length = 0;
    const SIZE_T limit = blockSize < static_cast<SIZE_T>(bufferSize - 1)
                             ? blockSize
                             : static_cast<SIZE_T>(bufferSize - 1);
    while (length < limit && text[length] != '\0') length++;
    memcpy(buffer, text, length);
    buffer[length] = '\0';
  } else {
    result = -1;
  }
  GlobalUnlock(data);
  g_clipboard.close();
  return result;
}

int WriteClipboardText(const char *text) {
  if (!text) return -1;
  const size_t size = strlen(text) + 1;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
  if (!block) return -1;
  void *target = GlobalLock(block);
  if (!target) {
    g_clipboard.freeBlock(block);
    return -1;
  }
  memcpy(target, text, size);
  GlobalUnlock(block);
  if (!g_clipboard.open(ClipboardOwner())) {
    g_clipboard.freeBlock(block);
    return -1;
  }
  g_clipboard.empty();
  // Once set, the clipboard owns the block; until then it is ours to free.
  if (!g_clipboard.setData(CF_TEXT, block)) {
    g_clipboard.freeBlock(block);
    g_clipboard.close();
    return -1;
  }
  g_clipboard.close();
  return 0;
}

// Text on the system clipboard.
#include <windows.h>
#include <string.h>

#include "core/app/window_state.h"
#include "velvane.h"

namespace {

HWND ClipboardOwner(void) { return g_windowState.window.mainWindow; }

}  // namespace

int ReadClipboardText(char *buffer, int bufferSize) {
  if (!OpenClipboard(ClipboardOwner())) return -1;
  HANDLE data = GetClipboardData(CF_TEXT);
  const char *text = data ? static_cast<const char *>(GlobalLock(data)) : NULL;
  if (!text) {
    CloseClipboard();
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
  CloseClipboard();
  return result;
}

int WriteClipboardText(const char *text) {
  if (!text) return -1;
  const size_t size = strlen(text) + 1;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
  if (!block) return -1;
  void *target = GlobalLock(block);
  if (!target) {
    GlobalFree(block);
    return -1;
  }
  memcpy(target, text, size);
  GlobalUnlock(block);
  if (!OpenClipboard(ClipboardOwner())) {
    GlobalFree(block);
    return -1;
  }
  EmptyClipboard();
  // Once set, the clipboard owns the block; until then it is ours to free.
  if (!SetClipboardData(CF_TEXT, block)) {
    GlobalFree(block);
    CloseClipboard();
    return -1;
  }
  CloseClipboard();
  return 0;
}

// The system calls behind the clipboard text functions, replaceable so the
// failure paths (a clipboard another program holds, a refused block) can be
// reached; NULL restores the system's own.
#ifndef VELVANE_CORE_APP_CLIPBOARD_SYSTEM_WIN32_H
#define VELVANE_CORE_APP_CLIPBOARD_SYSTEM_WIN32_H

#include <windows.h>

struct ClipboardSystem {
  BOOL(WINAPI *open)(HWND owner);
  BOOL(WINAPI *close)(void);
  BOOL(WINAPI *empty)(void);
  HANDLE(WINAPI *getData)(UINT format);
  HANDLE(WINAPI *setData)(UINT format, HANDLE data);
  HGLOBAL(WINAPI *freeBlock)(HGLOBAL block);
};

void SetClipboardSystem(const ClipboardSystem *system);

#endif  // VELVANE_CORE_APP_CLIPBOARD_SYSTEM_WIN32_H

// The input method calls the IME handling makes, through a table so that a
// test can stand in for an input method (the test display has none).
#ifndef VELVANE_CORE_IME_CALLS_WIN32_H
#define VELVANE_CORE_IME_CALLS_WIN32_H

#include <windows.h>
#include <imm.h>

struct ImeCalls {
  HIMC(WINAPI *getContext)(HWND window);
  BOOL(WINAPI *releaseContext)(HWND window, HIMC context);
  LONG(WINAPI *getCompositionString)(HIMC context, DWORD index, LPVOID buffer, DWORD bufferSize);
  BOOL(WINAPI *setCompositionString)(HIMC context, DWORD index, LPVOID composition,
                                     DWORD compositionSize, LPVOID reading, DWORD readingSize);
  BOOL(WINAPI *notify)(HIMC context, DWORD action, DWORD index, DWORD value);
  DWORD(WINAPI *getCandidateList)(HIMC context, DWORD index, LPCANDIDATELIST list,
                                  DWORD bufferSize);
  BOOL(WINAPI *getOpenStatus)(HIMC context);
  BOOL(WINAPI *setOpenStatus)(HIMC context, BOOL open);
};

// Puts other calls in place (null: the system's).
void SetImeCalls(const ImeCalls *calls);

// What the IME handling holds, for tests.
struct ImeView {
  int composing;
  const char *composition;
  int compositionCursor;
  int clauseCount;
  const void *candidateList;
  int candidateListSize;
  int openStatus;
  int restoreStep;
};
ImeView GetImeViewForTest(void);

#endif  // VELVANE_CORE_IME_CALLS_WIN32_H

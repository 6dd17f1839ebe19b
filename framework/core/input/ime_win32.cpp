// The window's IME messages and switch. The framework draws composition
// and candidates itself, so it keeps the composition string, its cursor and
// clauses and the candidate list, and lets the IME show none of its own
// windows. Confirmed text goes into the character ring like typed text.
#include <windows.h>
#include <imm.h>
#include <string.h>

#include "core/app/framework_lifecycle.h"
#include "core/app/window_state.h"
#include "core/input/char_ring.h"
#include "core/input/ime_calls_win32.h"
#include "core/input/key_input.h"
#include "graphics/text/char_class.h"
#include "core/base/core_state.h"
#include "velvane.h"

namespace {

typedef BOOL(WINAPI *EnableImeFunction)(HWND window, BOOL enable);

enum { COMPOSITION_SIZE = 1024, CLAUSE_BYTES = 1024, CLAUSE_ENTRY_BYTES = 4 };

// How long the open-status change is given to settle.
const uint64_t kOpenStatusSettleUs = 2000;

struct ImeState {
  const ImeCalls *calls;
  int composing;
  char composition[COMPOSITION_SIZE];
  int compositionCursor;
  int clauseCount;
  void *candidateList;
  int candidateListSize;
  int openStatus;
  int restoreStep;
  uint64_t lastMessageUs;
  int used;
  int settingOpenStatus;
};

ImeState g_ime;

const ImeCalls kSystemImeCalls = {
    ImmGetContext,    ImmReleaseContext,     ImmGetCompositionStringA, ImmSetCompositionStringA,
    ImmNotifyIME,     ImmGetCandidateListA,  ImmGetOpenStatus,         ImmSetOpenStatus,
};

const ImeCalls *Calls(void) { return g_ime.calls ? g_ime.calls : &kSystemImeCalls; }

HWND MainWindow(void) { return g_windowState.window.mainWindow; }

// Reads the composition string, at most one byte short of the buffer so the
// terminator always fits.
void ReadComposition(HIMC context) {
  LONG length = Calls()->getCompositionString(context, GCS_COMPSTR, g_ime.composition,
                                               COMPOSITION_SIZE - 1);
  if (length < 0) length = 0;
  if (length > COMPOSITION_SIZE - 1) length = COMPOSITION_SIZE - 1;
  g_ime.composition[length] = '\0';
}

// The confirmed text goes into the ring byte by byte; its size is asked
// first so a long result is read whole.
void PushResult(HIMC context) {
  const LONG size = Calls()->getCompositionString(context, GCS_RESULTSTR, NULL, 0);
  if (size <= 0) return;
  char *result = static_cast<char *>(AllocMemory(static_cast<int>(size), __FILE__, __LINE__));
  if (!result) return;
  LONG read = Calls()->getCompositionString(context, GCS_RESULTSTR, result,
                                            static_cast<DWORD>(size));
  if (read > size) read = size;
  for (LONG i = 0; i < read; i++) PushInputChar(static_cast<unsigned char>(result[i]));
  FreeMemory(result);
}

void ReadClauses(HIMC context) {
  unsigned char clauses[CLAUSE_BYTES];
  LONG bytes = Calls()->getCompositionString(context, GCS_COMPCLAUSE, clauses, sizeof clauses);
  if (bytes < 0) bytes = 0;
  if (bytes > CLAUSE_BYTES) bytes = CLAUSE_BYTES;
  g_ime.clauseCount = static_cast<int>(bytes) / CLAUSE_ENTRY_BYTES;
}

void OnComposition(HWND window, LPARAM flags) {
  HIMC context = Calls()->getContext(window);
  if (!context) return;
  if (flags & GCS_COMPSTR) ReadComposition(context);
  if (flags & GCS_RESULTSTR) {
    PushResult(context);
    g_ime.composition[0] = '\0';
    ReadComposition(context);
  }
  if (flags & GCS_CURSORPOS) {
    LONG position = Calls()->getCompositionString(context, GCS_CURSORPOS, NULL, 0);
    if (position > COMPOSITION_SIZE - 1) position = COMPOSITION_SIZE - 1;
    g_ime.compositionCursor = CountCharsInBytes(g_ime.composition, static_cast<int>(position));
  }
  if (flags & GCS_COMPCLAUSE) ReadClauses(context);
  Calls()->releaseContext(window, context);
}

void FreeCandidateList(void) {
  FreeMemory(g_ime.candidateList);
  g_ime.candidateList = NULL;
  g_ime.candidateListSize = 0;
}

void StoreCandidateList(HWND window) {
  HIMC context = Calls()->getContext(window);
  if (!context) return;
  const DWORD size = Calls()->getCandidateList(context, 0, NULL, 0);
  if (size == 0) {
    WriteLogLineFormat("漢字変換候補のデータサイズが０でした  DefHWND:%x IMC:%x",
                       static_cast<unsigned>(reinterpret_cast<uintptr_t>(window)),
                       static_cast<unsigned>(reinterpret_cast<uintptr_t>(context)));
  } else {
    FreeCandidateList();
    g_ime.candidateList = AllocMemory(static_cast<int>(size), __FILE__, __LINE__);
    if (!g_ime.candidateList) {
      Calls()->releaseContext(window, context);
      FatalErrorExitFormat(
          "漢字変換候補を保存するメモリの確保に失敗しました( 確保しようとしたサイズ %d バイト )",
          static_cast<int>(size));
    }
    g_ime.candidateListSize = static_cast<int>(size);
    if (Calls()->getCandidateList(context, 0, static_cast<LPCANDIDATELIST>(g_ime.candidateList),
                                  size) == 0) {
      FreeCandidateList();
      WriteLogLineFormat("漢字変換候補の取得に失敗しました  BufSize:%d", static_cast<int>(size));
    }
  }
  Calls()->releaseContext(window, context);
}

void ReadOpenStatus(HWND window) {
  HIMC context = Calls()->getContext(window);
  if (!context) return;
  g_ime.openStatus = Calls()->getOpenStatus(context) ? 1 : 0;
  Calls()->releaseContext(window, context);
}

// The IME's own handling first; the open status it ends on is read after
// the messages of the change have had their turn.
void OnOpenStatus(HWND window, WPARAM wParam, LPARAM lParam) {
  if (g_ime.settingOpenStatus) return;
  g_ime.settingOpenStatus = 1;
  DefWindowProcA(window, WM_IME_NOTIFY, wParam, lParam);
  const uint64_t start = GetNowMicroseconds(0);
  while (GetNowMicroseconds(0) - start < kOpenStatusSettleUs) {
    if (PumpMessagesUnlocked() != 0) break;
  }
  ReadOpenStatus(window);
  g_ime.settingOpenStatus = 0;
}

LRESULT OnNotify(HWND window, WPARAM wParam, LPARAM lParam) {
  switch (wParam) {
    case IMN_OPENCANDIDATE:
    case IMN_CHANGECANDIDATE:
    case IMN_SETCANDIDATEPOS:
      StoreCandidateList(window);
      return 0;
    case IMN_CLOSECANDIDATE:
      FreeCandidateList();
      return 0;
    case IMN_SETOPENSTATUS:
      OnOpenStatus(window, wParam, lParam);
      return 0;
    default:
      DefWindowProcA(window, WM_IME_NOTIFY, wParam, lParam);
      return 0;
  }
}

// Replaces the composition with text (cancel, then set it anew).
void SetComposition(HIMC context, const char *text, int length) {
  Calls()->notify(context, NI_COMPOSITIONSTR, CPS_CANCEL, 0);
  Calls()->setCompositionString(context, SCS_SETSTR, const_cast<char *>(text),
                                static_cast<DWORD>(length), NULL, 0);
}

}  // namespace

void SetImeCalls(const ImeCalls *calls) { g_ime.calls = calls; }

ImeView GetImeViewForTest(void) {
  ImeView view = {g_ime.composing,     g_ime.composition,       g_ime.compositionCursor,
                  g_ime.clauseCount,   g_ime.candidateList,     g_ime.candidateListSize,
                  g_ime.openStatus,    g_ime.restoreStep};
  return view;
}

void SetWindowImeEnabled(void *window, int enable) {
  HMODULE user = GetModuleHandleA("user32.dll");
  EnableImeFunction enableIme =
      user ? reinterpret_cast<EnableImeFunction>(
                 reinterpret_cast<void (*)(void)>(GetProcAddress(user, "WINNLSEnableIME")))
           : NULL;
  if (enableIme && window) enableIme(static_cast<HWND>(window), enable ? TRUE : FALSE);
}

void ClearImeState(void) {
  FreeCandidateList();
  g_ime.composition[0] = '\0';
  g_ime.composing = 0;
  g_ime.compositionCursor = 0;
  g_ime.clauseCount = 0;
  g_ime.restoreStep = 0;
}

int EnableIme(int enable) {
  enable = enable ? 1 : 0;
  if (enable == IsImeEnabled()) return 0;
  SetImeEnabledFlag(enable);
  SetWindowImeEnabled(MainWindow(), enable);
  if (!enable) ClearImeState();
  return 0;
}

void StartImeRestoreIfOpen(void) {
  if (!IsImeEnabled() || !MainWindow()) return;
  ReadOpenStatus(MainWindow());
  if (g_ime.openStatus) g_ime.restoreStep = 1;
}

// After activation the IME may have lost the composition it showed: it is
// cancelled, the IME closed and opened again and the composition put back.
void RunImeRestoreStep(void) {
  if (!g_ime.restoreStep) return;
  g_ime.restoreStep = 0;
  HWND window = MainWindow();
  HIMC context = window ? Calls()->getContext(window) : NULL;
  if (!context) return;
  char saved[COMPOSITION_SIZE];
  memcpy(saved, g_ime.composition, sizeof saved);
  Calls()->notify(context, NI_COMPOSITIONSTR, CPS_CANCEL, 0);
  Calls()->setOpenStatus(context, FALSE);
  Calls()->setOpenStatus(context, TRUE);
  g_ime.openStatus = 1;
  Calls()->setCompositionString(context, SCS_SETSTR, saved, static_cast<DWORD>(strlen(saved)),
                                NULL, 0);
  Calls()->releaseContext(window, context);
}

void FitImeComposition(int roomBytes) {
  if (roomBytes < 0) roomBytes = 0;
  const int length = static_cast<int>(strlen(g_ime.composition));
  if (length <= roomBytes) return;
  // Cut at a character boundary at or below the room left.
  int cut = 0;
  while (cut < length) {
    const int next = cut + MultiByteCharSize(g_ime.composition + cut, GetFrameworkCharSet());
    if (next > roomBytes) break;
    cut = next;
  }
  g_ime.composition[cut] = '\0';
  HWND window = MainWindow();
  HIMC context = window ? Calls()->getContext(window) : NULL;
  if (!context) return;
  SetComposition(context, g_ime.composition, cut);
  Calls()->releaseContext(window, context);
}

intptr_t HandleImeMessage(uintptr_t wParam, unsigned message, void *window, intptr_t lParam) {
  HWND hwnd = static_cast<HWND>(window);
  g_ime.lastMessageUs = GetNowMicroseconds(0);
  g_ime.used = 1;
  RestartCursorBlink();
  switch (message) {
    case WM_IME_STARTCOMPOSITION:
      g_ime.composing = 1;
      g_ime.compositionCursor = 0;
      return 0;
    case WM_IME_ENDCOMPOSITION:
      g_ime.composition[0] = '\0';
      g_ime.composing = 0;
      return 0;
    case WM_IME_COMPOSITION:
      OnComposition(hwnd, lParam);
      return 0;
    case WM_IME_SETCONTEXT:
      return DefWindowProcA(hwnd, message, wParam, 0);
    case WM_IME_NOTIFY:
      return OnNotify(hwnd, wParam, lParam);
    default:
      return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

#include <gtest/gtest.h>
#include <windows.h>
#include <string.h>

#include <string>
#include <vector>

#include "core/app/window_state.h"
#include "core/base/core_state.h"
#include "core/input/char_ring.h"
#include "core/input/ime_calls_win32.h"
#include "core/input/key_input.h"
#include "core/log_capture.h"

namespace {

// An input method of the test's making: what it holds is what the IME
// handling reads.
struct FakeIme {
  std::string composition;
  std::string result;
  std::string clauses;
  LONG cursorBytes = 0;
  bool overreport = false;  // claims more bytes than the buffer took
  DWORD candidateSize = 0;
  bool candidateReadFails = false;
  BOOL open = FALSE;
  std::vector<std::string> calls;
  std::string setString;
};
FakeIme g_fake;
const HIMC kContext = reinterpret_cast<HIMC>(static_cast<uintptr_t>(0x1234));

LONG Copy(const std::string &text, LPVOID buffer, DWORD size) {
  if (!buffer || size == 0) return static_cast<LONG>(text.size());
  const DWORD n = text.size() < size ? static_cast<DWORD>(text.size()) : size;
  memcpy(buffer, text.data(), n);
  return g_fake.overreport ? static_cast<LONG>(text.size()) : static_cast<LONG>(n);
}

const ImeCalls kFakeCalls = {
    [](HWND) -> HIMC WINAPI { return kContext; },
    [](HWND, HIMC) -> BOOL WINAPI { return TRUE; },
    [](HIMC, DWORD index, LPVOID buffer, DWORD size) -> LONG WINAPI {
      switch (index) {
        case GCS_COMPSTR: return Copy(g_fake.composition, buffer, size);
        case GCS_RESULTSTR: return Copy(g_fake.result, buffer, size);
        case GCS_COMPCLAUSE: return Copy(g_fake.clauses, buffer, size);
        case GCS_CURSORPOS: return g_fake.cursorBytes;
        default: return 0;
      }
    },
    [](HIMC, DWORD, LPVOID text, DWORD size, LPVOID, DWORD) -> BOOL WINAPI {
      g_fake.setString.assign(static_cast<const char *>(text), size);
      g_fake.calls.push_back("set");
      return TRUE;
    },
    [](HIMC, DWORD action, DWORD index, DWORD) -> BOOL WINAPI {
      if (action == NI_COMPOSITIONSTR && index == CPS_CANCEL) g_fake.calls.push_back("cancel");
      return TRUE;
    },
    [](HIMC, DWORD, LPCANDIDATELIST list, DWORD size) -> DWORD WINAPI {
      if (!list) return g_fake.candidateSize;
      if (g_fake.candidateReadFails) return 0;
      memset(list, 0xAB, size);
      return size;
    },
    [](HIMC) -> BOOL WINAPI { return g_fake.open; },
    [](HIMC, BOOL open) -> BOOL WINAPI {
      g_fake.calls.push_back(open ? "open" : "close");
      return TRUE;
    },
};

class ImeTest : public testing::Test {
 protected:
  void SetUp() override {
    g_fake = FakeIme();
    savedCharSet_ = GetFrameworkCharSet();
    savedCodePage_ = GetFrameworkCodePage();
    SetFrameworkCharSet(1, 932);
    SetImeCalls(&kFakeCalls);
    ClearImeState();
    ClearCharRing();
  }
  void TearDown() override {
    ClearImeState();
    SetImeEnabledFlag(0);
    SetImeCalls(nullptr);
    SetFrameworkCharSet(savedCharSet_, savedCodePage_);
  }
  static LRESULT Send(unsigned message, WPARAM wParam, LPARAM lParam) {
    return HandleImeMessage(wParam, message, nullptr, lParam);
  }
  static std::string RingText() {
    std::string text;
    char ch[2];
    int n;
    while ((n = PopInputChar(ch, 1)) > 0) text.append(ch, static_cast<size_t>(n));
    return text;
  }
  int savedCharSet_ = 0;
  unsigned savedCodePage_ = 0;
};

TEST_F(ImeTest, AConfirmedResultArrivesInTheRingByteByByteInOrder) {
  Send(WM_IME_STARTCOMPOSITION, 0, 0);
  EXPECT_EQ(1, GetImeViewForTest().composing);
  g_fake.result = "\x8A\xBF\x8E\x9A" "ab";
  g_fake.composition = "";
  EXPECT_EQ(0, Send(WM_IME_COMPOSITION, 0, GCS_RESULTSTR));
  EXPECT_EQ(g_fake.result, RingText());
  EXPECT_STREQ("", GetImeViewForTest().composition);
  Send(WM_IME_ENDCOMPOSITION, 0, 0);
  EXPECT_EQ(0, GetImeViewForTest().composing);
}

TEST_F(ImeTest, AResultLongerThanTheCompositionBufferArrivesWhole) {
  g_fake.result = std::string(1000, 'r') + std::string(20, 's');
  Send(WM_IME_COMPOSITION, 0, GCS_RESULTSTR);
  EXPECT_EQ(g_fake.result, RingText());
}

TEST_F(ImeTest, TheCompositionIsReadToAtMost1023BytesAndTerminated) {
  for (bool overreport : {false, true}) {
    g_fake.overreport = overreport;
    g_fake.composition = std::string(1500, 'c');
    Send(WM_IME_COMPOSITION, 0, GCS_COMPSTR);
    EXPECT_EQ(1023u, strlen(GetImeViewForTest().composition)) << overreport;
  }
}

TEST_F(ImeTest, CursorAndClausesComeFromTheComposition) {
  g_fake.composition = "a\x82\xA0" "b";
  g_fake.cursorBytes = 3;
  g_fake.clauses = std::string(12, '\0');
  Send(WM_IME_COMPOSITION, 0, GCS_COMPSTR | GCS_CURSORPOS | GCS_COMPCLAUSE);
  EXPECT_EQ(2, GetImeViewForTest().compositionCursor);
  EXPECT_EQ(3, GetImeViewForTest().clauseCount);
}

TEST_F(ImeTest, AnEmptyCandidateListLogsAndReturns0) {
  LogCapture log;
  EXPECT_EQ(0, Send(WM_IME_NOTIFY, IMN_OPENCANDIDATE, 0));
  EXPECT_NE(std::string::npos, log.Text().find("漢字変換候補のデータサイズが０でした  DefHWND:0 IMC:1234"));
  EXPECT_EQ(nullptr, GetImeViewForTest().candidateList);
}

TEST_F(ImeTest, CandidateListsAreStoredReplacedAndFreed) {
  LogCapture log;
  g_fake.candidateSize = 64;
  Send(WM_IME_NOTIFY, IMN_OPENCANDIDATE, 0);
  ASSERT_NE(nullptr, GetImeViewForTest().candidateList);
  EXPECT_EQ(64, GetImeViewForTest().candidateListSize);
  g_fake.candidateSize = 128;
  Send(WM_IME_NOTIFY, IMN_CHANGECANDIDATE, 0);
  EXPECT_EQ(128, GetImeViewForTest().candidateListSize);
  Send(WM_IME_NOTIFY, IMN_CLOSECANDIDATE, 0);
  EXPECT_EQ(nullptr, GetImeViewForTest().candidateList);
  g_fake.candidateReadFails = true;
  Send(WM_IME_NOTIFY, IMN_SETCANDIDATEPOS, 0);
  EXPECT_EQ(nullptr, GetImeViewForTest().candidateList);
  EXPECT_NE(std::string::npos, log.Text().find("漢字変換候補の取得に失敗しました  BufSize:128"));
}

TEST_F(ImeTest, TheCompositionIsCutAtACharacterBoundaryToFitTheString) {
  SetImeEnabledFlag(1);
  HWND saved = g_windowState.window.mainWindow;
  g_windowState.window.mainWindow = GetDesktopWindow();
  g_fake.composition = "ab\x82\xA0" "c";
  Send(WM_IME_COMPOSITION, 0, GCS_COMPSTR);
  FitImeComposition(3);
  EXPECT_STREQ("ab", GetImeViewForTest().composition);
  EXPECT_EQ("ab", g_fake.setString);
  ASSERT_EQ(2u, g_fake.calls.size());
  EXPECT_EQ("cancel", g_fake.calls[0]);
  g_fake.calls.clear();
  FitImeComposition(10);
  EXPECT_TRUE(g_fake.calls.empty()) << "it fits: left alone";
  g_windowState.window.mainWindow = saved;
}

TEST_F(ImeTest, AfterActivationAnOpenImeGetsItsCompositionBack) {
  SetImeEnabledFlag(1);
  HWND saved = g_windowState.window.mainWindow;
  g_windowState.window.mainWindow = GetDesktopWindow();
  g_fake.composition = "xyz";
  Send(WM_IME_COMPOSITION, 0, GCS_COMPSTR);
  g_fake.open = TRUE;
  StartImeRestoreIfOpen();
  EXPECT_EQ(1, GetImeViewForTest().restoreStep);
  RunImeRestoreStep();
  EXPECT_EQ(0, GetImeViewForTest().restoreStep);
  const std::vector<std::string> expected = {"cancel", "close", "open", "set"};
  EXPECT_EQ(expected, g_fake.calls);
  EXPECT_EQ("xyz", g_fake.setString);
  g_windowState.window.mainWindow = saved;
}

}  // namespace

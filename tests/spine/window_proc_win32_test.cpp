#include "window_fixture.h"

#include <shellapi.h>
#include <shlobj.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "core/input/input_devices.h"
#include "core/app/window_state.h"

namespace {

std::vector<int> TakeRing() {
  std::vector<int> bytes;
  char out[2];
  for (int n; (n = PopInputChar(out, 1)) != 0;) {
    for (int i = 0; i < n; i++) bytes.push_back(static_cast<unsigned char>(out[i]));
  }
  return bytes;
}

TEST_F(WindowTest, TypedCharactersReachTheRingFiltered) {
  // Line feed arrives as Enter; the editor's control characters pass;
  // other control characters (Ctrl+B, Ctrl+D, 31) are dropped.
  const WPARAM typed[] = {'a', 10, 13, 1, 2, 3, 4, 8, 9, 16, 22, 24, 27, 31, ' ', 0x82, 0xA0};
  for (WPARAM c : typed) SendMessageA(window_, WM_CHAR, c, 0);
  const std::vector<int> expected = {'a', 13, 13, 1, 3, 8, 9, 16, 22, 24, 27, ' ', 0x82, 0xA0};
  EXPECT_EQ(expected, TakeRing());
}

TEST_F(WindowTest, EditingKeysBecomeControlCodes) {
  const WPARAM keys[] = {VK_DELETE, VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, VK_HOME,
                         VK_END,    VK_PRIOR, VK_NEXT, VK_F1, 'A'};
  for (WPARAM key : keys) SendMessageA(window_, WM_KEYDOWN, key, 0);
  const std::vector<int> expected = {0x10, 0x1D, 0x1C, 0x1E, 0x1F, 0x1A, 0x19, 0x17, 0x15};
  EXPECT_EQ(expected, TakeRing());
}

TEST_F(WindowTest, EditingKeysStopWhenTheRingIsFull) {
  for (int i = 0; i < 1024; i++) ASSERT_EQ(0, PushInputChar('k'));
  SendMessageA(window_, WM_KEYDOWN, VK_LEFT, 0);
  const std::vector<int> bytes = TakeRing();
  ASSERT_EQ(1024u, bytes.size());
  EXPECT_EQ('k', bytes.back());
}

// A drop of count files named "C:\dropNNNN.txt", as the shell hands it over.
HDROP MakeDrop(int count) {
  std::string names;
  for (int i = 0; i < count; i++) {
    char name[32];
    snprintf(name, sizeof(name), "C:\\drop%04d.txt", i);
    names.append(name).push_back('\0');
  }
  names.push_back('\0');
  HGLOBAL block = GlobalAlloc(GHND, sizeof(DROPFILES) + names.size());
  DROPFILES *drop = static_cast<DROPFILES *>(GlobalLock(block));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = FALSE;
  memcpy(reinterpret_cast<char *>(drop) + sizeof(DROPFILES), names.data(), names.size());
  GlobalUnlock(block);
  return static_cast<HDROP>(block);
}

TEST_F(WindowTest, DroppedFilesKeepTheFirstThousandNames) {
  const int blocksBefore = GetAllocatedBlockCount();
  SendMessageA(window_, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(1200)), 0);
  const WindowRuntime &run = g_windowState.window;
  ASSERT_EQ(1000, run.droppedFileCount);
  EXPECT_STREQ("C:\\drop0000.txt", run.droppedFiles[0]);
  EXPECT_STREQ("C:\\drop0999.txt", run.droppedFiles[999]);
  // A later drop finds the list full.
  SendMessageA(window_, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(3)), 0);
  EXPECT_EQ(1000, run.droppedFileCount);
  EXPECT_EQ(blocksBefore + 1000, GetAllocatedBlockCount());
}

TEST_F(WindowTest, ClickLogKeepsThirtyTwoClicks) {
  for (int i = 0; i < 40; i++) {
    SendMessageA(window_, i % 2 ? WM_RBUTTONDOWN : WM_LBUTTONDOWN, 0, 0);
    SendMessageA(window_, WM_MBUTTONUP, 0, 0);
  }
  const WindowRuntime &run = g_windowState.window;
  EXPECT_EQ(32, run.clickCount);
  EXPECT_EQ(1, run.clicks[0].button);
  EXPECT_EQ(2, run.clicks[31].button);
}

TEST_F(WindowTest, CloseRequestDestroysTheWindowAndEndsTheProgram) {
  EXPECT_EQ(0, SendMessageA(window_, WM_CLOSE, 0, 0));
  EXPECT_FALSE(IsWindow(window_));
  EXPECT_EQ(1, IsProgramEnding());
  EXPECT_EQ(ENDING_USER_CLOSE, g_windowState.window.endingState);
  EXPECT_EQ(-1, PumpMessages());
  EXPECT_EQ(-1, PumpMessages());
  const std::vector<std::string> lines = ReadLogLines();
  const int close = FindLine(lines, "ウインドウを閉じようとしています");
  ASSERT_GE(close, 0) << JoinLines(lines);
  EXPECT_EQ(close + 1, FindLine(lines, "ウインドウが破棄されようとしています", close));
  EXPECT_EQ(close + 2, FindLine(lines, "ソフトを終了する準備が整いました", close));
}

TEST_F(WindowTest, ScreenSaverAndMonitorPowerOffAreRefused) {
  EXPECT_EQ(1, SendMessageA(window_, WM_SYSCOMMAND, SC_SCREENSAVE, 0));
  EXPECT_EQ(1, SendMessageA(window_, WM_SYSCOMMAND, SC_MONITORPOWER, 2));
}

TEST_F(WindowTest, DisplayChangeTo24BitsClosesTheProgram) {
  SendMessageA(window_, WM_DISPLAYCHANGE, 24, MAKELPARAM(1024, 768));
  EXPECT_EQ(1, IsCloseRequested());
  const std::vector<std::string> lines = ReadLogLines();
  EXPECT_GE(FindLine(lines, "またはスクリーンが小さすぎるためか色ビット数の違いが大きいためか終了します"), 0)
      << JoinLines(lines);
  int result = 0;
  for (int i = 0; i < 10 && result == 0; i++) result = PumpMessages();
  EXPECT_EQ(-1, result);
  EXPECT_FALSE(IsWindow(window_));
}

TEST_F(WindowTest, UsableDisplayChangeKeepsRunning) {
  SendMessageA(window_, WM_DISPLAYCHANGE, 32, MAKELPARAM(1280, 1024));
  EXPECT_EQ(1, g_windowState.window.displayChanged);
  EXPECT_EQ(0, IsCloseRequested());
  EXPECT_EQ(0, PumpMessages());
}

TEST_F(WindowTest, InputMessagesSetAndClearTheirFlags) {
  SendMessageA(window_, 0x46F, 1, 0);
  SendMessageA(window_, 0x470, 1, 0);
  EXPECT_EQ(1, GetInputMessageFlag(0));
  EXPECT_EQ(1, GetInputMessageFlag(1));
  SendMessageA(window_, 0x470, 5, 0);
  EXPECT_EQ(1, GetInputMessageFlag(0));
  EXPECT_EQ(0, GetInputMessageFlag(1));
}

}  // namespace

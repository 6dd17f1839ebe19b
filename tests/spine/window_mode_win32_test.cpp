#include <string>
#include <vector>

#include "core/app/window_state.h"
#include "graphics/device/display_modes.h"
#include "graphics/device/screen_settings.h"
#include "window_fixture.h"

namespace {

TEST_F(WindowTest, ChangingToTheCurrentModeOnlyLogs) {
  const size_t before = ReadLogLines().size();
  EXPECT_EQ(0, ChangeWindowMode(1));
  const std::vector<std::string> lines = ReadLogLines();
  ASSERT_EQ(before + 1, lines.size());
  EXPECT_EQ("ChangeWindowMode実行 ", lines.back());
  EXPECT_EQ(1, IsWindowedMode());
}

TEST_F(WindowTest, FullScreenWithoutADisplayModeIsRefusedAtRunTime) {
  if (HasDisplayModeOfSize(640, 480)) GTEST_SKIP() << "the display offers 640 x 480";
  EXPECT_EQ(-1, ChangeWindowMode(0));
  EXPECT_EQ(1, IsWindowedMode());
  EXPECT_EQ(0, PumpMessages());
}

TEST_F(WindowTest, MousePositionIsClampedToTheScreen) {
  Rect client;
  GetClientScreenRect(&client);
  EXPECT_EQ(0, SetMousePosition(-5, 10000));
  POINT cursor;
  GetCursorPos(&cursor);
  EXPECT_EQ(client.left, cursor.x);
  EXPECT_EQ(client.top + 480, cursor.y);
  int x = -1, y = -1;
  GetMousePosition(&x, &y);
  EXPECT_EQ(0, x);
  EXPECT_EQ(480, y);
  SetMousePosition(100, 50);
  GetMousePosition(&x, &y);
  EXPECT_EQ(100, x);
  EXPECT_EQ(50, y);
}

TEST_F(WindowTest, TitleChangesReachTheWindow) {
  EXPECT_EQ(0, SetWindowTitle("タイトル"));
  char text[64];
  GetWindowTextA(window_, text, sizeof(text));
  EXPECT_STREQ("タイトル", text);
  SetWindowTitle("");
}

TEST_F(WindowTest, ClipboardTextRoundTripsAndIsBoundedByTheBuffer) {
  ASSERT_EQ(0, WriteClipboardText("clipboard text"));
  EXPECT_GE(ReadClipboardText(NULL, 0), 15);
  char buffer[32];
  memset(buffer, '#', sizeof(buffer));
  ASSERT_EQ(0, ReadClipboardText(buffer, sizeof(buffer)));
  EXPECT_STREQ("clipboard text", buffer);
  memset(buffer, '#', sizeof(buffer));
  ASSERT_EQ(0, ReadClipboardText(buffer, 6));
  EXPECT_STREQ("clipb", buffer);
  EXPECT_EQ('#', buffer[6]);
}

TEST_F(WindowTest, CursorVisibilityChangesOnlyWhenAsked) {
  EXPECT_EQ(0, SetMouseCursorVisible(0));
  CURSORINFO info = {};
  info.cbSize = sizeof(info);
  const int hiddenCount = ShowCursor(FALSE) + 1;
  ShowCursor(TRUE);
  EXPECT_LT(hiddenCount, 0);
  EXPECT_EQ(0, SetMouseCursorVisible(0));  // already hidden: nothing more
  EXPECT_EQ(hiddenCount, ShowCursor(TRUE) - 1);
  ShowCursor(FALSE);
  EXPECT_EQ(0, SetMouseCursorVisible(1));
  EXPECT_GE(ShowCursor(TRUE) - 1, 0);
  ShowCursor(FALSE);
}

TEST(WindowSettings, ScaleReadsOneInFullScreenAndResetsBadFactors) {
  g_windowState.settings.scaleX = 2.0;
  g_windowState.settings.scaleY = -1.0;
  ChangeWindowMode(0);
  double x = 0, y = 0;
  EXPECT_EQ(1.0, GetWindowScale(&x, &y));
  EXPECT_EQ(1.0, x);
  EXPECT_EQ(1.0, y);
  ChangeWindowMode(1);
  EXPECT_EQ(2.0, GetWindowScale(&x, &y));
  EXPECT_EQ(1.0, y);
  g_windowState.settings.scaleX = 1.0;
}

}  // namespace

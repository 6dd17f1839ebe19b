// The clipboard's failure paths, reached through replaced system calls: each
// gives -1, the clipboard is closed whenever it was opened, and a text block
// the clipboard did not take is freed, once.
#include <gtest/gtest.h>
#include <windows.h>

#include <string.h>

#include "core/app/clipboard_system_win32.h"
#include "velvane.h"

namespace {

struct FakeClipboard {
  BOOL opens;
  HANDLE data;
  BOOL takes;
  int openCount, closeCount;
  HGLOBAL freed;
  int freeCount;
  HANDLE taken;
};
FakeClipboard g_fake;

BOOL WINAPI FakeOpen(HWND) {
  if (g_fake.opens) g_fake.openCount++;
  return g_fake.opens;
}
BOOL WINAPI FakeClose(void) {
  g_fake.closeCount++;
  return TRUE;
}
BOOL WINAPI FakeEmpty(void) { return TRUE; }
HANDLE WINAPI FakeGetData(UINT) { return g_fake.data; }
HANDLE WINAPI FakeSetData(UINT, HANDLE block) {
  if (!g_fake.takes) return NULL;
  g_fake.taken = block;
  return block;
}
HGLOBAL WINAPI FakeFree(HGLOBAL block) {
  g_fake.freed = block;
  g_fake.freeCount++;
  return GlobalFree(block);
}

class ClipboardFailureTest : public testing::Test {
 protected:
  void SetUp() override {
    g_fake = FakeClipboard{TRUE, NULL, TRUE, 0, 0, NULL, 0, NULL};
    const ClipboardSystem fake = {FakeOpen, FakeClose, FakeEmpty, FakeGetData, FakeSetData,
                                  FakeFree};
    SetClipboardSystem(&fake);
  }
  void TearDown() override {
    SetClipboardSystem(NULL);
    EXPECT_EQ(g_fake.openCount, g_fake.closeCount) << "every open clipboard is closed";
  }
};

TEST_F(ClipboardFailureTest, ClipboardHeldElsewhere) {
  g_fake.opens = FALSE;
  char buffer[8];
  EXPECT_EQ(-1, ReadClipboardText(buffer, sizeof(buffer)));
  EXPECT_EQ(-1, WriteClipboardText("text"));
  EXPECT_EQ(1, g_fake.freeCount);
}

TEST_F(ClipboardFailureTest, NoTextOnTheClipboard) {
  char buffer[8];
  EXPECT_EQ(-1, ReadClipboardText(buffer, sizeof(buffer)));
  EXPECT_EQ(-1, ReadClipboardText(NULL, 0));
  EXPECT_EQ(0, g_fake.freeCount);
}

TEST_F(ClipboardFailureTest, NoRoomInTheCallersBuffer) {
  g_fake.data = GlobalAlloc(GMEM_MOVEABLE, 5);
  memcpy(GlobalLock(g_fake.data), "text", 5);
  GlobalUnlock(g_fake.data);
  char buffer[1] = {'#'};
  EXPECT_EQ(-1, ReadClipboardText(buffer, 0));
  EXPECT_EQ('#', buffer[0]);
  EXPECT_EQ(6, ReadClipboardText(NULL, 0));
  GlobalFree(g_fake.data);
}

TEST_F(ClipboardFailureTest, RefusedBlockIsFreedOnce) {
  g_fake.takes = FALSE;
  EXPECT_EQ(-1, WriteClipboardText("text"));
  EXPECT_EQ(1, g_fake.freeCount);
  EXPECT_NE(nullptr, g_fake.freed);
}

TEST_F(ClipboardFailureTest, TakenBlockIsNotFreed) {
  EXPECT_EQ(0, WriteClipboardText("text"));
  EXPECT_EQ(0, g_fake.freeCount);
  GlobalFree(g_fake.taken);  // the clipboard's to free, had it been real
  EXPECT_EQ(-1, WriteClipboardText(NULL));
}

}  // namespace

#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "core/base/core_state.h"
#include "core/input/char_ring.h"
#include "core/input/key_input.h"

namespace {

struct FakeSystem {
  std::string clipboard;
  bool hasClipboard = false;
  int shift = 0;
};
FakeSystem g_system;

const KeyInputServices kFakeServices = {
    [](char *buffer, int size) {
      if (!g_system.hasClipboard) return -1;
      const int needed = static_cast<int>(g_system.clipboard.size()) + 1;
      if (!buffer) return needed;
      if (size < needed) return -1;
      memcpy(buffer, g_system.clipboard.c_str(), static_cast<size_t>(needed));
      return 0;
    },
    [](const char *text) {
      g_system.clipboard = text;
      g_system.hasClipboard = true;
      return 0;
    },
    []() { return g_system.shift; },
};

enum { LEFT = 0x1D, RIGHT = 0x1C, HOME = 0x1A, END = 0x19, DEL = 0x10 };

class KeyInputTest : public testing::Test {
 protected:
  void SetUp() override {
    g_system = FakeSystem();
    savedCharSet_ = GetFrameworkCharSet();
    savedCodePage_ = GetFrameworkCodePage();
    SetFrameworkCharSet(1, 932);
    SetKeyInputServices(&kFakeServices);
    InitKeyInputSystem();
  }
  void TearDown() override {
    DeleteAllKeyInputHandles();
    SetKeyInputServices(nullptr);
    SetFrameworkCharSet(savedCharSet_, savedCodePage_);
  }
  int savedCharSet_ = 0;
  unsigned savedCodePage_ = 0;
  // A fresh active string of maxLength bytes.
  KeyInputRecord *Make(int maxLength, int cancel = 0, int singleByte = 0, int numeric = 0) {
    handle = MakeKeyInputHandleForTest(maxLength, cancel, singleByte, numeric);
    EXPECT_GE(handle, 0);
    EXPECT_EQ(0, SetActiveKeyInputHandleForTest(handle));
    return GetKeyInputRecordForTest(handle);
  }
  // Types bytes (editing codes included) and runs one pump step.
  static void Type(const std::string &bytes) {
    for (unsigned char c : bytes) PushInputChar(c);
    EXPECT_EQ(0, UpdateImeInput());
  }
  static void Key(int code) { Type(std::string(1, static_cast<char>(code))); }
  std::string Text() const { return GetKeyInputRecordForTest(handle)->buffer; }
  int handle = -1;
};

TEST_F(KeyInputTest, TypedTextIsInsertedAtTheCursorAndEnterFinishes) {
  KeyInputRecord *r = Make(20);
  Type("abd");
  Key(LEFT);
  Type("c");
  EXPECT_EQ("abcd", Text());
  EXPECT_EQ(3, r->cursor);
  EXPECT_EQ(4, r->length);
  Type("\rxyz");
  EXPECT_EQ(1, r->finished);
  EXPECT_EQ("abcd", Text()) << "nothing after Enter is taken";
}

TEST_F(KeyInputTest, DoubleByteCharactersMoveAndDeleteWhole) {
  KeyInputRecord *r = Make(20);
  Type("a\x82\xA0" "b");  // a, hiragana a, b
  Key(LEFT);
  Key(LEFT);
  EXPECT_EQ(1, r->cursor);
  Key(RIGHT);
  EXPECT_EQ(3, r->cursor);
  Key(8);  // Backspace takes both bytes
  EXPECT_EQ("ab", Text());
  Key(HOME);
  Key(DEL);
  EXPECT_EQ("b", Text());
}

TEST_F(KeyInputTest, ControlCodesWithoutAnActionNeverBecomeText) {
  Make(20);
  Type(std::string("a\x01\x15\x17\x09\x1E\x1F\x02\x7", 9) + "b");
  EXPECT_EQ("ab", Text());
}

TEST_F(KeyInputTest, ShiftExtendsTheSelectionAndTypingReplacesIt) {
  KeyInputRecord *r = Make(20);
  Type("hello");
  g_system.shift = 1;
  Key(LEFT);
  Key(LEFT);
  EXPECT_EQ(5, r->selectionStart);
  EXPECT_EQ(3, r->selectionEnd);
  g_system.shift = 0;
  Type("p!");
  EXPECT_EQ("help!", Text());
  EXPECT_EQ(-1, r->selectionStart);
  g_system.shift = 1;
  Key(HOME);
  g_system.shift = 0;
  Key(END);  // without Shift the selection goes
  EXPECT_EQ(-1, r->selectionStart);
  EXPECT_EQ(5, r->cursor);
}

TEST_F(KeyInputTest, CopyCutAndPasteGoThroughTheClipboard) {
  Make(20);
  Type("abcdef");
  g_system.shift = 1;
  Key(LEFT);
  Key(LEFT);
  g_system.shift = 0;
  Key(3);  // Ctrl+C
  EXPECT_EQ("ef", g_system.clipboard);
  EXPECT_EQ("abcdef", Text());
  Key(24);  // Ctrl+X
  EXPECT_EQ("abcd", Text());
  Key(HOME);
  Key(22);  // Ctrl+V
  EXPECT_EQ("efabcd", Text());
  // Shift+Delete on a selection cuts it.
  Key(HOME);
  g_system.shift = 1;
  Key(RIGHT);
  Key(DEL);
  g_system.shift = 0;
  EXPECT_EQ("fabcd", Text());
  EXPECT_EQ("e", g_system.clipboard);
}

TEST_F(KeyInputTest, AFullStringDropsItsLastCharacterToTakeANewOne) {
  KeyInputRecord *r = Make(4);
  Type("abcd");
  Type("e");
  EXPECT_EQ("abce", Text());
  EXPECT_EQ(4, r->cursor);
  Key(HOME);
  Type("\x82\xA0");  // two bytes: the last two single-byte characters go
  EXPECT_EQ("\x82\xA0" "ab", Text());
  EXPECT_EQ(4, r->length);
}

struct ModeCase {
  int singleByte;
  int numeric;
  const char *typed;
  const char *kept;
};

const ModeCase kModes[] = {
    {1, 0, "a\x82\xA0" "b", "ab"},
    {0, 1, "-1-2.3.4x", "-12.34"},
    {0, 1, "5-", "5"},
    {0, 0, "-1.2.", "-1.2."},
};

TEST_F(KeyInputTest, SingleByteAndNumericModesRefuseWhatTheyDoNotTake) {
  for (const ModeCase &c : kModes) {
    DeleteAllKeyInputHandles();
    Make(20, 0, c.singleByte, c.numeric);
    Type(c.typed);
    EXPECT_EQ(c.kept, Text()) << c.typed;
  }
}

TEST_F(KeyInputTest, EscapeCancelsOnlyWhenAllowed) {
  for (int allowed : {0, 1}) {
    DeleteAllKeyInputHandles();
    KeyInputRecord *r = Make(20, allowed);
    Key(27);
    EXPECT_EQ(allowed, r->cancelled);
    EXPECT_EQ(allowed, r->finished);
  }
}

TEST_F(KeyInputTest, DeleteInputSelectionWorksInEitherOrderAndKeepsTheDisplayStart) {
  KeyInputRecord *r = Make(20);
  Type("abcdef");
  r->selectionStart = 4;
  r->selectionEnd = 1;
  r->displayStart = 5;
  EXPECT_EQ(0, DeleteInputSelection(r));
  EXPECT_EQ("aef", Text());
  EXPECT_EQ(1, r->cursor);
  EXPECT_EQ(3, r->displayStart);
  EXPECT_EQ(-1, r->selectionEnd);
}

TEST_F(KeyInputTest, HandlesAreCheckedAndTheLastDeletionSwitchesTheImeOff) {
  const int first = MakeKeyInputHandleForTest(8, 0, 0, 0);
  ASSERT_EQ(0, SetActiveKeyInputHandleForTest(first));
  EXPECT_EQ(1, IsImeEnabled());
  EXPECT_EQ(7, (first >> 27) & 0xF);
  EXPECT_EQ(-1, DeleteKeyInputHandle(first + 1));
  EXPECT_EQ(-1, DeleteKeyInputHandle(-1));
  EXPECT_EQ(0, DeleteKeyInputHandle(first));
  EXPECT_EQ(0, IsImeEnabled());
  EXPECT_EQ(-1, DeleteKeyInputHandle(first)) << "stale";
  // The active handle went with it: the step has nothing to do.
  EXPECT_EQ(0, UpdateImeInput());
}

TEST_F(KeyInputTest, AStaleActiveHandleIsAnError) {
  Make(8);
  KeyInputRecord *r = GetKeyInputRecordForTest(handle);
  r->inUse = 0;  // as if deleted behind the editor's back
  EXPECT_EQ(-1, UpdateImeInput());
  r->inUse = 1;
}

TEST_F(KeyInputTest, TheTableHolds256Strings) {
  int handles[KEY_INPUT_RECORDS];
  for (int &h : handles) ASSERT_GE(h = MakeKeyInputHandleForTest(1, 0, 0, 0), 0);
  EXPECT_EQ(-1, MakeKeyInputHandleForTest(1, 0, 0, 0));
  EXPECT_EQ(0, DeleteKeyInputHandle(handles[10]));
  EXPECT_GE(MakeKeyInputHandleForTest(1, 0, 0, 0), 0);
}

TEST(KeyInputTextTest, CountCharsInBytesCountsDoubleByteCharactersOnce) {
  const int savedCharSet = GetFrameworkCharSet();
  const unsigned savedCodePage = GetFrameworkCodePage();
  SetFrameworkCharSet(1, 932);
  const char *text = "a\x82\xA0" "bc";
  EXPECT_EQ(0, CountCharsInBytes(text, 0));
  EXPECT_EQ(0, CountCharsInBytes(text, -5));
  EXPECT_EQ(1, CountCharsInBytes(text, 1));
  EXPECT_EQ(2, CountCharsInBytes(text, 2));
  EXPECT_EQ(2, CountCharsInBytes(text, 3));
  EXPECT_EQ(4, CountCharsInBytes(text, 5));
  SetFrameworkCharSet(savedCharSet, savedCodePage);
}

TEST(KeyInputTextTest, FifteenDisplayColours) {
  InitKeyInputSystem();
  const unsigned expected[] = {0xFFFFFF, 0xFFFF00, 0xFFFFFF, 0x00FFFF, 0xFFFFFF,
                               0xFF0000, 0xFFFF14, 0x000000, 0x000000, 0x000000,
                               0xFFFF00, 0x000000, 0xFFFFFF, 0x000000, 0x808080};
  for (int i = 0; i < KEY_INPUT_COLOURS; i++) EXPECT_EQ(expected[i], GetKeyInputColour(i)) << i;
  EXPECT_EQ(0u, GetKeyInputColour(15));
}

}  // namespace

#include <gtest/gtest.h>

#include "core/debug/memory.h"
#include "graphics/text/text_fixture.h"

namespace {

class FontHandlesTest : public TextFixture {};

int Plain(const char *face = nullptr) { return CreateFontToHandle(face, -1, -1, -1, -1, -1, 0, -1, -1); }

TEST_F(FontHandlesTest, DefaultArgumentsMakeA16PixelWeight600FontWithoutEdge) {
  glyphs.requests.clear();
  const int handle = Plain();
  ASSERT_GE(handle, 0);
  EXPECT_EQ(FONT_HANDLE_KIND, HandleKindOf(handle));
  const FontRecord *font = GetFontRecord(handle);
  EXPECT_EQ(16, font->size);
  EXPECT_EQ(6, font->thickness);
  EXPECT_EQ(1, font->edgeSize);
  EXPECT_EQ(0, font->fontType);
  EXPECT_EQ(0, font->textureCache);
  ASSERT_EQ(1u, glyphs.requests.size());
  EXPECT_EQ("ＭＳ ゴシック", glyphs.requests[0].face);
  EXPECT_EQ(16, glyphs.requests[0].height);
  EXPECT_EQ(600, glyphs.requests[0].weight);
  EXPECT_EQ(128, glyphs.requests[0].charSet);  // the framework's Shift-JIS code
  // Cell: widest 8 + 2 -> 16; line 16.
  EXPECT_EQ(16, font->cellSize);
  EXPECT_EQ(16, font->lineHeight);
  char face[FONT_FACE_SIZE] = "x";
  int size = 0, thickness = 0;
  EXPECT_EQ(0, GetFontHandleInfo(face, &size, &thickness, handle));
  EXPECT_STREQ("", face);
  EXPECT_EQ(16, GetFontHandleSize(handle));
  EXPECT_EQ(0, GetFontHandleInfo(nullptr, nullptr, nullptr, handle));
}

TEST_F(FontHandlesTest, EdgeSizeAboveOneMakesAnEdgeFont) {
  const FontRecord *font = GetFontRecord(CreateFontToHandle(nullptr, 16, 6, 0, -1, 2, 0, -1, -1));
  ASSERT_NE(nullptr, font);
  EXPECT_EQ(FONT_TYPE_EDGE, font->fontType);
  // Cell: 8 + 2 + 4 -> 16; line 16 + 4 = 20, larger, so the cell is 20.
  EXPECT_EQ(20, font->lineHeight);
  EXPECT_EQ(20, font->cellSize);
}

TEST_F(FontHandlesTest, TheFortyFirstFontFailsNamingForty) {
  // The default font holds one slot already.
  std::vector<int> handles;
  for (int i = 1; i < FONT_TABLE_SLOTS; i++) handles.push_back(Plain());
  for (int handle : handles) ASSERT_GE(handle, 0);
  const int blocks = GetAllocatedBlockCount();
  EXPECT_EQ(-1, Plain());
  EXPECT_TRUE(Logged("作成できるフォントハンドル数 40 の限界を超えました"));
  EXPECT_EQ(blocks, GetAllocatedBlockCount());
  // Slot -1 takes the first empty slot.
  DeleteFontHandle(handles[4]);
  const int again = Plain();
  EXPECT_EQ(HandleSlotOf(handles[4]), HandleSlotOf(again));
  EXPECT_NE(handles[4], again);
}

TEST_F(FontHandlesTest, FaceFallbacksAndFailuresLeaveNothing) {
  struct Case {
    const char *face;
    std::set<std::string> refused;
    bool failMetrics;
    std::vector<std::pair<std::string, int>> asked;  // face, charset
    const char *message;                             // null: created
  };
  const std::string gothic = "ＭＳ ゴシック";
  const Case cases[] = {
      {"Face", {"Face"}, false, {{"Face", 128}, {"Face", 1}, {"Face", 128}}, "指定のフォントの作成に失敗しました"},
      {nullptr, {gothic}, false, {{gothic, 128}, {gothic, 1}, {"", 1}}, nullptr},
      {nullptr, {gothic, ""}, false, {{gothic, 128}, {gothic, 1}, {"", 1}}, "フォントの作成に失敗しました"},
      {nullptr, {}, true, {{gothic, 128}}, "ＤＣの取得に失敗しました"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.face ? c.face : "default");
    glyphs.requests.clear();
    glyphs.refusedFaces = c.refused;
    glyphs.failMetrics = c.failMetrics;
    log.Clear();
    const int count = GetFontCount(), blocks = GetAllocatedBlockCount();
    const int handle = CreateFontToHandle(c.face, 16, 6, 0, -1, -1, 1, -1, -1);
    ASSERT_EQ(c.asked.size(), glyphs.requests.size());
    for (size_t i = 0; i < c.asked.size(); i++) {
      EXPECT_EQ(c.asked[i].first, glyphs.requests[i].face) << i;
      EXPECT_EQ(c.asked[i].second, glyphs.requests[i].charSet) << i;
    }
    if (!c.face && c.asked.size() == 3) {
      EXPECT_EQ(0, glyphs.requests[2].italic);
    }
    if (c.message) {
      EXPECT_EQ(-1, handle);
      EXPECT_TRUE(Logged(c.message));
      EXPECT_EQ(count, GetFontCount());
      EXPECT_EQ(blocks, GetAllocatedBlockCount());
    } else {
      EXPECT_GE(handle, 0);
      DeleteFontHandle(handle);
    }
  }
  glyphs.refusedFaces.clear();
  glyphs.failMetrics = false;
}

TEST_F(FontHandlesTest, OverlongFaceNameFails) {
  const std::string face(FONT_FACE_SIZE, 'a');
  glyphs.requests.clear();
  EXPECT_EQ(-1, CreateFontToHandle(face.c_str(), 16, 6, 0, -1, -1, 0, -1, -1));
  EXPECT_TRUE(Logged("指定のフォントの作成に失敗しました"));
  EXPECT_TRUE(glyphs.requests.empty());
  const std::string fits(FONT_FACE_SIZE - 1, 'b');
  const int handle = CreateFontToHandle(fits.c_str(), 16, 6, 0, -1, -1, 0, -1, -1);
  char back[FONT_FACE_SIZE];
  EXPECT_EQ(0, GetFontHandleInfo(back, nullptr, nullptr, handle));
  EXPECT_EQ(fits, back);
}

TEST_F(FontHandlesTest, GivenSlotAndCheckNumber) {
  const int handle = CreateFontToHandle(nullptr, 16, 6, 0, -1, -1, 0, 7, 99);
  EXPECT_EQ(MakeHandle(FONT_HANDLE_KIND, 99, 7), handle);
  EXPECT_EQ(-1, CreateFontToHandle(nullptr, 16, 6, 0, -1, -1, 0, 7, 5));
  EXPECT_EQ(-1, CreateFontToHandle(nullptr, 16, 6, 0, -1, -1, 0, FONT_TABLE_SLOTS, 5));
}

TEST_F(FontHandlesTest, DeleteNotices) {
  const int handle = Plain();
  int notice = 7;
  EXPECT_EQ(0, SetFontDeleteNotice(handle, &notice));
  EXPECT_EQ(0, notice);
  EXPECT_EQ(0, DeleteFontHandle(handle));
  EXPECT_EQ(1, notice);
  EXPECT_EQ(-1, DeleteFontHandle(handle));
  EXPECT_EQ(-1, SetFontDeleteNotice(handle, &notice));
  EXPECT_EQ(0, IsFontHandleValid(handle));
  EXPECT_EQ(nullptr, GetFontRecord(handle));
  EXPECT_EQ(-1, GetFontHandleSize(handle));
  EXPECT_EQ(-1, SetFontSpacing(1, handle));
}

TEST_F(FontHandlesTest, ReloadKeepsHandlesSpacingAndNoticesUnfired) {
  const int a = Plain();
  const int b = CreateFontToHandle(nullptr, 20, 4, FONT_TYPE_EDGE, -1, 3, 0, -1, -1);
  int notice = 5;
  SetFontDeleteNotice(b, &notice);
  SetFontSpacing(3, b);
  const int count = GetFontCount(), blocks = GetAllocatedBlockCount();
  const int opened = static_cast<int>(glyphs.requests.size());
  EXPECT_EQ(0, ReloadAllFonts());
  EXPECT_EQ(opened + count, static_cast<int>(glyphs.requests.size()));
  EXPECT_EQ(count, GetFontCount());
  EXPECT_EQ(blocks, GetAllocatedBlockCount());
  EXPECT_EQ(1, IsFontHandleValid(a));
  const FontRecord *font = GetFontRecord(b);
  ASSERT_NE(nullptr, font);
  EXPECT_EQ(3, font->spacing);
  EXPECT_EQ(3, font->edgeSize);
  EXPECT_EQ(20, font->size);
  EXPECT_EQ(0, notice);
  DeleteFontHandle(b);
  EXPECT_EQ(1, notice);
}

TEST_F(FontHandlesTest, DefaultFontIsMadeOnceForUnchangedSettings) {
  const int handle = GetDefaultFontHandle();
  ASSERT_GE(handle, 0);
  const size_t opened = glyphs.requests.size();
  EXPECT_EQ(0, SetDefaultFontSize(16));
  EXPECT_EQ(0, SetDefaultFontSize(16));
  EXPECT_EQ(opened, glyphs.requests.size());
  EXPECT_EQ(handle, GetDefaultFontHandle());
  EXPECT_EQ(0, SetDefaultFontSize(24));
  EXPECT_EQ(opened + 1, glyphs.requests.size());
  EXPECT_EQ(24, GetFontHandleSize(GetDefaultFontHandle()));
  EXPECT_EQ(0, SetDefaultFontSizeAndThickness(nullptr, -1, -1));
  EXPECT_EQ(16, GetFontHandleSize(GetDefaultFontHandle()));
}

TEST_F(FontHandlesTest, ShutDownDeletesEveryFont) {
  Plain();
  Plain();
  EXPECT_GE(GetFontCount(), 3);
  EndGraphicsSystem();
  EXPECT_EQ(0, GetFontCount());
  EXPECT_EQ(0, glyphs.openFonts);
  EXPECT_EQ(-1, GetDefaultFontHandle());
}

}  // namespace

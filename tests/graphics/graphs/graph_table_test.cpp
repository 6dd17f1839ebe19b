#include <gtest/gtest.h>

#include <vector>

#include "graphics/graphs/graph_handles.h"
#include "graphics/graphs/graph_records.h"
#include "graphics/state/state_fixture.h"
#include "fatal_exit_code.h"

namespace {

class GraphTableTest : public StateFixture {
 protected:
  void TearDown() override {
    DeleteAllGraphHandles();
    StateFixture::TearDown();
  }
};

int SlotOf(int handle) { return handle & 0xFFFF; }
int CheckOf(int handle) { return (handle >> 16) & 0x7FF; }

TEST_F(GraphTableTest, HandlesCarryKindOneCheckAndSlot) {
  const int a = AddGraphHandle();
  const int b = AddGraphHandle();
  EXPECT_EQ(1, a >> 27);
  EXPECT_EQ(0, SlotOf(a));
  EXPECT_EQ(1, SlotOf(b));
  EXPECT_EQ((CheckOf(a) + 1) % 2048, CheckOf(b));
  GraphRecord *record = GetGraphRecord(a);
  ASSERT_NE(nullptr, record);
  EXPECT_EQ(a, record->head.handle);
  EXPECT_EQ(CheckOf(a), record->checkNumber);
  EXPECT_EQ(-1, record->movieHandle);
  EXPECT_EQ(nullptr, record->image);
  EXPECT_EQ(1, IsGraphHandleValid(a));
}

TEST_F(GraphTableTest, TheNextSlotIsOnePastTheHighestInUse) {
  std::vector<int> handles;
  for (int i = 0; i < 5; i++) handles.push_back(AddGraphHandle());
  // A gap below the highest is not reused while the highest lives.
  ASSERT_EQ(0, DeleteGraphHandle(handles[1]));
  EXPECT_EQ(5, SlotOf(AddGraphHandle()));
  // Deleting the highest and the one below it: the next lands just after
  // the new highest.
  ASSERT_EQ(0, DeleteGraphHandle(GetGraphHandleInSlot(5)));
  ASSERT_EQ(0, DeleteGraphHandle(handles[4]));
  ASSERT_EQ(0, DeleteGraphHandle(handles[3]));
  EXPECT_EQ(3, SlotOf(AddGraphHandle()));
  // A table that empties starts again at slot 0.
  DeleteAllGraphHandles();
  EXPECT_EQ(0, GetGraphSlotLimit());
  EXPECT_EQ(0, SlotOf(AddGraphHandle()));
}

TEST_F(GraphTableTest, StaleWrongKindAndHighSlotHandlesAreInvalid) {
  const int handle = AddGraphHandle();
  const int cases[] = {
      -1,
      handle | (1 << 15),                        // slot bit 15
      (handle & ~(0xF << 27)) | (2 << 27),       // another kind
      handle ^ (1 << 16),                        // another check number
      handle | (int)0x80000000,                  // negative
  };
  for (int bad : cases) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(nullptr, GetGraphRecord(bad));
    EXPECT_EQ(-1, DeleteGraphHandle(bad));
    EXPECT_EQ(-1, GetGraphHandleSize(bad, nullptr, nullptr));
  }
  ASSERT_EQ(0, DeleteGraphHandle(handle));
  EXPECT_EQ(-1, DeleteGraphHandle(handle));
  EXPECT_EQ(nullptr, GetGraphRecord(handle));
}

TEST_F(GraphTableTest, CheckNumbersWrapAt2048) {
  int first = AddGraphHandle();
  int last = first;
  for (int i = 0; i < 2048; i++) {
    DeleteGraphHandle(last);
    last = AddGraphHandle();
  }
  EXPECT_EQ(CheckOf(first), CheckOf(last));
  EXPECT_EQ(SlotOf(first), SlotOf(last));
  EXPECT_NE(first, -1);
}

TEST_F(GraphTableTest, ScreenValuesGiveTheScreenSizeAndPointersMayBeNull) {
  for (int target = -5; target <= -2; target++) {
    int w = 0, h = 0;
    EXPECT_EQ(0, GetGraphHandleSize(target, &w, &h));
    EXPECT_EQ(640, w);
    EXPECT_EQ(480, h);
    EXPECT_EQ(0, GetGraphHandleSize(target, nullptr, &h));
    EXPECT_EQ(0, GetGraphHandleSize(target, &w, nullptr));
  }
  EXPECT_EQ(-1, GetGraphHandleSize(-6, nullptr, nullptr));
  EXPECT_EQ(-1, GetGraphHandleSize(-1, nullptr, nullptr));
}

TEST_F(GraphTableTest, DeleteNoticeIsClearedThenSetOnDelete) {
  const int handle = AddGraphHandle();
  int flag = 7;
  EXPECT_EQ(0, SetGraphDeleteNotice(handle, &flag));
  EXPECT_EQ(0, flag);
  EXPECT_EQ(0, DeleteGraphHandle(handle));
  EXPECT_EQ(1, flag);
  EXPECT_EQ(-1, SetGraphDeleteNotice(handle, &flag));
}

TEST_F(GraphTableTest, RestoreSourcesAreSharedAndCounted) {
  const int a = AddGraphHandle(), b = AddGraphHandle(), c = AddGraphHandle();
  ASSERT_EQ(0, SetGraphRestoreSource(a, "pic.png", -1));
  GraphRestoreSource *source = GetGraphRecord(a)->restoreSource;
  ASSERT_NE(nullptr, source);
  EXPECT_NE(nullptr, strstr(source->fileName, "pic.png"));
  EXPECT_EQ(0, SetGraphRestoreSource(b, nullptr, a));
  EXPECT_EQ(source, GetGraphRecord(b)->restoreSource);
  EXPECT_EQ(2, source->referenceCount);
  EXPECT_EQ(0, SetGraphRestoreSource(c, nullptr, -1));
  EXPECT_EQ(nullptr, GetGraphRecord(c)->restoreSource);
  DeleteGraphHandle(a);
  EXPECT_EQ(1, source->referenceCount);
  EXPECT_EQ(0, SetGraphRestoreSource(b, nullptr, -1));  // frees it: the leak check sees
  EXPECT_EQ(-1, SetGraphRestoreSource(a, "x.png", -1));
}

TEST_F(GraphTableTest, DeleteAllDoesNothingBeforeStartUp) {
  EndGraphicsSystem();
  const int handle = AddGraphHandle();
  EXPECT_EQ(0, DeleteAllGraphHandles());
  EXPECT_EQ(1, IsGraphHandleValid(handle));
  DeleteGraphHandle(handle);
}

TEST_F(GraphTableTest, The32769thGraphEndsTheProcess) {
  EXPECT_EXIT(
      {
        for (int i = 0; i < 32768; i++) AddGraphHandle();
        AddGraphHandle();
      },
      testing::ExitedWithCode(kFatalExitCode), "");
}

}  // namespace

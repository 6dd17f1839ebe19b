#include "core/base/handle_table.h"

#include <gtest/gtest.h>

#include "core/debug/memory.h"
#include "leak_check.h"

namespace {

struct Thing {
  HandleObject header;
  int value;
};

class HandleTableTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(0, HandleTableInit(&table, 3, slots, 4)); }
  HandleObject *slots[4];
  HandleTable table;
  Thing things[6] = {};
};

TEST_F(HandleTableTest, HandleCarriesKindCheckAndSlot) {
  int h = MakeHandle(15, 2047, 65535);
  EXPECT_GT(h, 0);
  EXPECT_EQ(15, HandleKindOf(h));
  EXPECT_EQ(2047, HandleCheckOf(h));
  EXPECT_EQ(65535, HandleSlotOf(h));
}

TEST_F(HandleTableTest, AddLookupRemove) {
  int a = HandleTableAdd(&table, &things[0].header);
  int b = HandleTableAdd(&table, &things[1].header);
  ASSERT_NE(-1, a);
  ASSERT_NE(-1, b);
  EXPECT_EQ(3, HandleKindOf(a));
  EXPECT_EQ(&things[0], HandleTableGet<Thing>(&table, a));
  EXPECT_EQ(&things[1], HandleTableGet<Thing>(&table, b));
  EXPECT_EQ(2, table.liveCount);
  EXPECT_EQ(&things[0].header, HandleTableRemove(&table, a));
  EXPECT_EQ(nullptr, HandleTableLookup(&table, a));
  EXPECT_EQ(nullptr, HandleTableRemove(&table, a));
  EXPECT_EQ(1, table.liveCount);
}

TEST_F(HandleTableTest, RefusesInvalidHandles) {
  int a = HandleTableAdd(&table, &things[0].header);
  EXPECT_EQ(nullptr, HandleTableLookup(&table, -1));
  EXPECT_EQ(nullptr, HandleTableLookup(&table, MakeHandle(4, HandleCheckOf(a), HandleSlotOf(a))));
  EXPECT_EQ(nullptr, HandleTableLookup(&table, MakeHandle(3, HandleCheckOf(a) + 1, HandleSlotOf(a))));
  EXPECT_EQ(nullptr, HandleTableLookup(&table, MakeHandle(3, HandleCheckOf(a), 100)));
}

TEST_F(HandleTableTest, StaleHandleDoesNotMatchReusedSlot) {
  int a = HandleTableAdd(&table, &things[0].header);
  HandleTableRemove(&table, a);
  for (int i = 1; i < 4; i++) HandleTableAdd(&table, &things[i].header);
  int reused = HandleTableAdd(&table, &things[4].header);
  ASSERT_EQ(HandleSlotOf(a), HandleSlotOf(reused));
  EXPECT_EQ(nullptr, HandleTableLookup(&table, a));
  EXPECT_EQ(&things[4].header, HandleTableLookup(&table, reused));
}

TEST_F(HandleTableTest, FullTableRefuses) {
  for (int i = 0; i < 4; i++) ASSERT_NE(-1, HandleTableAdd(&table, &things[i].header));
  EXPECT_EQ(-1, HandleTableAdd(&table, &things[4].header));
}

TEST_F(HandleTableTest, CheckNumberWrapsAt2048) {
  int last = -1;
  for (int i = 0; i < 2049; i++) {
    last = HandleTableAdd(&table, &things[0].header);
    HandleTableRemove(&table, last);
  }
  EXPECT_EQ(0, HandleCheckOf(last));
}

class GrowingHandleTableTest : public LeakCheckedTest {
 protected:
  void TearDown() override {
    HandleTableFreeSlots(&table);
    LeakCheckedTest::TearDown();
  }
  HandleTable table;
  Thing things[3] = {};
};

TEST_F(GrowingHandleTableTest, StartsEmptyAndGrowsByBlocksUpToTheMaximum) {
  ASSERT_EQ(0, HandleTableInitGrowing(&table, 10, 2048, 0));
  EXPECT_EQ(0, table.capacity);
  EXPECT_EQ(baseline, GetAllocatedBlockCount());
  for (int i = 0; i < 2048; i++) {
    ASSERT_NE(-1, HandleTableReserve(&table)) << i;
    EXPECT_EQ(i < 1024 ? 1024 : 2048, table.capacity);
  }
  EXPECT_EQ(-1, HandleTableReserve(&table));
  EXPECT_EQ(2048, table.liveCount);
}

TEST_F(GrowingHandleTableTest, GrowthWithoutMemoryKeepsTheTable) {
  ASSERT_EQ(0, HandleTableInitGrowing(&table, 10, 4096, 0));
  SetAllocationFailureCountdown(1);
  EXPECT_EQ(-1, HandleTableReserve(&table));
  EXPECT_EQ(0, table.capacity);
  EXPECT_EQ(0, table.liveCount);
  EXPECT_NE(-1, HandleTableReserve(&table));
}

TEST_F(GrowingHandleTableTest, ReserveThenFillStampsTheCounter) {
  ASSERT_EQ(0, HandleTableInitGrowing(&table, 10, 4096, HANDLE_TABLE_SEARCH_FROM_FOUND));
  int reserved = HandleTableReserve(&table);
  ASSERT_NE(-1, reserved);
  EXPECT_EQ(0, table.checkCounter);
  EXPECT_EQ(1, HandleTableIsReserved(&table, reserved));
  EXPECT_EQ(nullptr, HandleTableLookup(&table, reserved));
  EXPECT_EQ(nullptr, HandleTableSlot(&table, HandleSlotOf(reserved)));
  EXPECT_EQ(0, table.nextSlot);  // the search starts at the slot found
  int filled = HandleTableFill(&table, reserved, &things[0].header);
  EXPECT_EQ(reserved, filled);
  EXPECT_EQ(1, table.checkCounter);
  EXPECT_EQ(&things[0].header, HandleTableLookup(&table, filled));
  EXPECT_EQ(-1, HandleTableFill(&table, filled, &things[1].header));
  EXPECT_EQ(-1, HandleTableUnreserve(&table, filled));
  int second = HandleTableReserve(&table);
  EXPECT_EQ(1, HandleSlotOf(second));
  EXPECT_EQ(0, HandleTableUnreserve(&table, second));
  EXPECT_EQ(1, table.liveCount);
}

TEST_F(GrowingHandleTableTest, HandlesReservedTogetherStayValidWhenFilled) {
  ASSERT_EQ(0, HandleTableInitGrowing(&table, 10, 4096, 0));
  const int first = HandleTableReserve(&table), second = HandleTableReserve(&table);
  EXPECT_EQ(second, HandleTableFill(&table, second, &things[1].header));
  EXPECT_EQ(first, HandleTableFill(&table, first, &things[0].header));
  EXPECT_EQ(&things[0].header, HandleTableLookup(&table, first));
  EXPECT_EQ(&things[1].header, HandleTableLookup(&table, second));
  EXPECT_EQ(2, table.checkCounter);
}

TEST_F(GrowingHandleTableTest, UncheckedHandlesCarrySeventeenBitSlots) {
  ASSERT_EQ(0, HandleTableInitGrowing(&table, 1, 131072, HANDLE_TABLE_UNCHECKED | HANDLE_TABLE_SEARCH_FROM_FOUND));
  EXPECT_EQ(-1, HandleTableInitGrowing(&table, 1, 131073, HANDLE_TABLE_UNCHECKED));
  ASSERT_EQ(0, HandleTableInitGrowing(&table, 1, 131072, HANDLE_TABLE_UNCHECKED | HANDLE_TABLE_SEARCH_FROM_FOUND));
  int last = -1;
  for (int i = 0; i < 65537; i++) last = HandleTableReserve(&table);
  EXPECT_EQ((1 << 27) | 65536, last);
  EXPECT_EQ(65536, HandleTableSlotOf(&table, last));
  ASSERT_EQ(last, HandleTableFill(&table, last, &things[0].header));
  EXPECT_EQ(&things[0].header, HandleTableLookup(&table, last));
  EXPECT_EQ(&things[0].header, HandleTableLookup(&table, last | (4 << 16)));
  EXPECT_EQ(nullptr, HandleTableLookup(&table, MakeHandle(2, 0, 0)));
}

}  // namespace

namespace {

class HighestRuleTest : public HandleTableTest {
 protected:
  void SetUp() override {
    HandleTableTest::SetUp();
    HandleTableSetSlotRule(&table, HANDLE_SLOTS_HIGHEST);
  }
};

// New objects go one past the highest slot in use; past the end they take
// the first empty slot; deleting the highest moves the mark down past the
// empty slots below it.
TEST_F(HighestRuleTest, SlotsFollowTheHighestInUse) {
  int h[4];
  for (int i = 0; i < 4; i++) h[i] = HandleTableAdd(&table, &things[i].header);
  EXPECT_EQ(3, HandleSlotOf(h[3]));
  HandleTableRemove(&table, h[1]);
  EXPECT_EQ(4, table.nextSlot);
  EXPECT_EQ(1, HandleSlotOf(HandleTableAdd(&table, &things[4].header)));
  HandleTableRemove(&table, h[2]);
  HandleTableRemove(&table, h[3]);
  EXPECT_EQ(2, table.nextSlot);
  HandleTableRemove(&table, h[0]);
  EXPECT_EQ(2, table.nextSlot);
  EXPECT_EQ(2, HandleSlotOf(HandleTableAdd(&table, &things[5].header)));
}

TEST_F(HighestRuleTest, EmptiedTableStartsAgainAtZero) {
  int a = HandleTableAdd(&table, &things[0].header);
  int b = HandleTableAdd(&table, &things[1].header);
  HandleTableRemove(&table, a);
  HandleTableRemove(&table, b);
  EXPECT_EQ(0, table.nextSlot);
  EXPECT_EQ(0, HandleSlotOf(HandleTableAdd(&table, &things[2].header)));
}

TEST_F(HandleTableTest, AddAtPutsAnObjectBackUnderItsHandle) {
  int a = HandleTableAdd(&table, &things[0].header);
  const int counter = table.checkCounter;
  HandleTableRemove(&table, a);
  EXPECT_EQ(a, HandleTableAddAt(&table, &things[1].header, a));
  EXPECT_EQ(&things[1].header, HandleTableLookup(&table, a));
  EXPECT_EQ(counter, table.checkCounter);
  EXPECT_EQ(-1, HandleTableAddAt(&table, &things[2].header, a));
  EXPECT_EQ(-1, HandleTableAddAt(&table, &things[2].header, MakeHandle(4, 0, 1)));
  EXPECT_EQ(-1, HandleTableAddAt(&table, &things[2].header, MakeHandle(3, 0, 9)));
  EXPECT_EQ(-1, HandleTableAddAt(&table, &things[2].header, -1));
}

}  // namespace

namespace {

class FirstEmptyRuleTest : public HandleTableTest {
 protected:
  void SetUp() override {
    HandleTableTest::SetUp();
    HandleTableSetSlotRule(&table, HANDLE_SLOTS_FIRST_EMPTY);
  }
};

// Every new object takes the lowest empty slot, however the table got there.
TEST_F(FirstEmptyRuleTest, NewObjectsTakeTheLowestEmptySlot) {
  int h[4];
  for (int i = 0; i < 4; i++) h[i] = HandleTableAdd(&table, &things[i].header);
  for (int i = 0; i < 4; i++) EXPECT_EQ(i, HandleSlotOf(h[i]));
  EXPECT_EQ(-1, HandleTableAdd(&table, &things[4].header));
  HandleTableRemove(&table, h[2]);
  HandleTableRemove(&table, h[1]);
  EXPECT_EQ(1, HandleSlotOf(HandleTableAdd(&table, &things[4].header)));
  EXPECT_EQ(2, HandleSlotOf(HandleTableAdd(&table, &things[5].header)));
  HandleTableRemove(&table, h[3]);
  HandleTableRemove(&table, h[0]);
  const int reserved = HandleTableReserve(&table);
  EXPECT_EQ(0, HandleSlotOf(reserved));
  HandleTableUnreserve(&table, reserved);
  // An object put back at its own slot does not move the search.
  EXPECT_EQ(h[3], HandleTableAddAt(&table, &things[3].header, h[3]));
  EXPECT_EQ(0, HandleSlotOf(HandleTableAdd(&table, &things[0].header)));
}

TEST_F(HandleTableTest, TakenCheckNumbersAdvanceAndWrap) {
  table.checkCounter = 2046;
  EXPECT_EQ(2046, HandleTableTakeCheckNumber(&table));
  EXPECT_EQ(2047, HandleTableTakeCheckNumber(&table));
  EXPECT_EQ(0, HandleTableTakeCheckNumber(&table));
  EXPECT_EQ(1, table.checkCounter);
}

}  // namespace

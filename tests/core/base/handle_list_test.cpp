#include "core/base/handle_list.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/debug/memory.h"
#include "leak_check.h"

namespace {

class HandleListTest : public LeakCheckedTest {
 protected:
  void SetUp() override {
    LeakCheckedTest::SetUp();
    ASSERT_EQ(0, HandleListInit(&head, &tail));
  }

  std::vector<int> Forward() const {
    std::vector<int> handles;
    for (const HandleListNode *n = head.next; n && n->next; n = n->next) handles.push_back(n->handle);
    return handles;
  }
  std::vector<int> Backward() const {
    std::vector<int> handles;
    for (const HandleListNode *n = tail.previous; n && n->previous; n = n->previous) {
      handles.push_back(n->handle);
    }
    return handles;
  }

  HandleListNode head, tail;
  HandleListNode nodes[3];
  int objects[3] = {10, 20, 30};

 private:
};

TEST_F(HandleListTest, InitLinksTheSentinels) {
  EXPECT_EQ(-1, head.handle);
  EXPECT_EQ(-1, tail.handle);
  EXPECT_EQ(nullptr, head.data);
  EXPECT_EQ(nullptr, tail.data);
  EXPECT_EQ(nullptr, head.previous);
  EXPECT_EQ(&tail, head.next);
  EXPECT_EQ(&head, tail.previous);
  EXPECT_EQ(nullptr, tail.next);
  EXPECT_TRUE(Forward().empty());
}

TEST_F(HandleListTest, InsertPutsTheNewestFirst) {
  ASSERT_EQ(0, HandleListInsert(&head, &nodes[0], 100, &objects[0]));
  ASSERT_EQ(0, HandleListInsert(&head, &nodes[1], 200, &objects[1]));
  EXPECT_EQ((std::vector<int>{200, 100}), Forward());
  EXPECT_EQ((std::vector<int>{100, 200}), Backward());
  EXPECT_EQ(&objects[1], head.next->data);
}

TEST_F(HandleListTest, RemoveRelinksNeighboursAndLeavesTheNodeAlone) {
  HandleListInsert(&head, &nodes[0], 100, &objects[0]);
  HandleListInsert(&head, &nodes[1], 200, &objects[1]);
  HandleListInsert(&head, &nodes[2], 300, &objects[2]);
  ASSERT_EQ(0, HandleListRemove(&nodes[1]));
  EXPECT_EQ((std::vector<int>{300, 100}), Forward());
  EXPECT_EQ((std::vector<int>{100, 300}), Backward());
  EXPECT_EQ(&nodes[2], nodes[1].previous);
  EXPECT_EQ(&nodes[0], nodes[1].next);
  HandleListRemove(&nodes[0]);
  HandleListRemove(&nodes[2]);
  EXPECT_TRUE(Forward().empty());
  EXPECT_EQ(&tail, head.next);
  EXPECT_EQ(&head, tail.previous);
}

}  // namespace

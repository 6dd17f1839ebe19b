#include "model/system/model_system.h"

#include <gtest/gtest.h>

#include "model/model_fixture.h"
#include "model/placement/instance_placement.h"
#include "velvane.h"

namespace {

using model_fixture::MakeTestModel;
using model_fixture::ModelSystemTest;

class ModelTablesTest : public ModelSystemTest {};

TEST_F(ModelTablesTest, CheckNumbersWrapFrom2047ToZero) {
  const int data = MakeTestModel();
  const int keep = NewInstance(data);  // holds the data across the deletions
  int last = keep;
  for (int i = 0; i < 2047; i++) {
    last = NewInstance(data);
    ASSERT_NE(-1, last);
    ASSERT_EQ(0, VLMDeleteInstance(last));
  }
  EXPECT_EQ(2047, HandleCheckOf(last));
  const int wrapped = NewInstance(data);
  EXPECT_EQ(0, HandleCheckOf(wrapped));
  EXPECT_EQ(0, LookupModelInstance(wrapped)->checkNumber);
}

TEST_F(ModelTablesTest, StaleHandlesAndSecondDeletesAreRefused) {
  const int data = MakeTestModel();
  const int keep = NewInstance(data);
  const int first = NewInstance(data);
  ASSERT_EQ(0, VLMDeleteInstance(first));
  EXPECT_EQ(-1, VLMDeleteInstance(first));
  const int reused = NewInstance(data);
  ASSERT_EQ(HandleSlotOf(first), HandleSlotOf(reused));
  EXPECT_EQ(nullptr, LookupModelInstance(first));
  EXPECT_EQ(-1, VLMSetInstancePosition(first, 1, 2, 3));
  EXPECT_EQ(-1, VLMDeleteInstance(first));
  EXPECT_EQ(0, VLMSetInstancePosition(reused, 1, 2, 3));
  // A data handle is never taken for an instance, nor the other way round.
  EXPECT_EQ(-1, VLMDeleteInstance(data));
  EXPECT_EQ(-1, ReleaseModelData(keep));
  EXPECT_EQ(nullptr, LookupModelData(keep));
}

TEST_F(ModelTablesTest, SlotSearchWrapsToAFreeSlotBelow) {
  for (int i = 0; i < 1024; i++) ASSERT_EQ(i, HandleSlotOf(TakeModelInstanceSlot()));
  const int freed = (HANDLE_KIND_MODEL << 27) | 5;
  ASSERT_EQ(0, DeleteModelInstance(freed));  // a reserved slot is just freed
  EXPECT_EQ(5, HandleSlotOf(TakeModelInstanceSlot()));
  EXPECT_EQ(1024, GetModelInstanceCount());
}

TEST_F(ModelTablesTest, TablesStopAtTheirHandleRange) {
  for (int i = 0; i < 65536; i++) ASSERT_NE(-1, TakeModelInstanceSlot()) << i;
  EXPECT_EQ(-1, TakeModelInstanceSlot());
  int last = -1;
  for (int i = 0; i < 131072; i++) {
    last = TakeModelDataSlot();
    ASSERT_NE(-1, last) << i;
  }
  EXPECT_EQ((1 << 27) | 131071, last);
  EXPECT_EQ(-1, TakeModelDataSlot());
}

TEST_F(ModelTablesTest, LifetimesOfDataAndClones) {
  const struct {
    const char *name;
    void (*run)(ModelTablesTest *);
  } cases[] = {
      {"one of two clones deleted",
       [](ModelTablesTest *) {
         ModelData *data = nullptr;
         const int dataHandle = MakeTestModel(&data);
         const int a = NewInstance(dataHandle);
         const int b = VLMCloneInstance(a);
         ASSERT_NE(-1, b);
         EXPECT_EQ(2, data->referenceCount);
         EXPECT_EQ(2, data->instanceCount);
         EXPECT_EQ(LookupModelInstance(b), data->firstInstance);
         ASSERT_EQ(0, VLMDeleteInstance(a));
         EXPECT_EQ(data, LookupModelData(dataHandle));
         EXPECT_EQ(1, data->referenceCount);
         EXPECT_EQ(data->firstInstance, data->lastInstance);
         EXPECT_EQ(0, VLMSetInstancePosition(b, 1, 1, 1));
         ASSERT_EQ(0, VLMDeleteInstance(b));
         EXPECT_EQ(nullptr, LookupModelData(dataHandle));
       }},
      {"data without instance freed by one release",
       [](ModelTablesTest *) {
         const int dataHandle = MakeTestModel();
         EXPECT_EQ(0, ReleaseModelData(dataHandle));
         EXPECT_EQ(-1, ReleaseModelData(dataHandle));
         EXPECT_EQ(0, GetModelDataCount());
       }},
      {"reserved data slot released",
       [](ModelTablesTest *) {
         const int dataHandle = TakeModelDataSlot();
         EXPECT_EQ(0, ReleaseModelData(dataHandle));
         EXPECT_EQ(0, GetModelDataCount());
       }},
      {"clone starts at the origin",
       [](ModelTablesTest *) {
         const int source = NewInstance(MakeTestModel());
         ASSERT_EQ(0, VLMSetInstancePosition(source, 4, 5, 6));
         ASSERT_EQ(0, VLMSetInstanceRotation(source, 1, 0, 0));
         const int clone = VLMCloneInstance(source);
         const ModelInstance *copy = LookupModelInstance(clone);
         ASSERT_NE(nullptr, copy);
         EXPECT_EQ(0.0f, copy->position.x);
         EXPECT_EQ(0.0f, copy->position.y);
         EXPECT_EQ(0.0f, copy->rotation.x);
         EXPECT_EQ(1.0f, copy->scale.z);
         EXPECT_EQ(1, copy->draw.visible);
       }},
      {"build over a slot that is not reserved",
       [](ModelTablesTest *test) {
         ModelData *data = nullptr;
         const int dataHandle = MakeTestModel(&data);
         const int built = test->NewInstance(dataHandle);
         const int blocks = GetAllocatedBlockCount();
         EXPECT_EQ(-1, BuildModelInstance(built, dataHandle));
         EXPECT_EQ(-1, BuildModelInstance((HANDLE_KIND_MODEL << 27) | 77, dataHandle));
         EXPECT_EQ(-1, BuildModelInstance(TakeModelInstanceSlot(), dataHandle + 1));
         EXPECT_EQ(blocks, GetAllocatedBlockCount());
         EXPECT_EQ(1, data->referenceCount);
       }},
      {"end frees everything",
       [](ModelTablesTest *test) {
         const int dataHandle = MakeTestModel();
         test->NewInstance(dataHandle);
         test->NewInstance(dataHandle);
         TakeModelInstanceSlot();
         TakeModelDataSlot();
         MakeTestModel();
       }},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    const int blocks = GetAllocatedBlockCount();
    c.run(this);
    VLMEndModelSystem();
    EXPECT_EQ(blocks, GetAllocatedBlockCount());
    ASSERT_EQ(0, StartModelTables());
  }
}

TEST_F(ModelTablesTest, InstanceCarriesTheReservedCheckNumber) {
  const int dataHandle = MakeTestModel();
  for (int i = 0; i < 5; i++) TakeModelInstanceSlot();
  const int reserved = TakeModelInstanceSlot();
  ASSERT_EQ(0, BuildModelInstance(reserved, dataHandle));
  const ModelInstance *instance = LookupModelInstance(reserved);
  ASSERT_NE(nullptr, instance);
  EXPECT_EQ(HandleCheckOf(reserved), instance->checkNumber);
  EXPECT_EQ(reserved, instance->header.handle);
}

TEST_F(ModelTablesTest, SoftwareModeLeavesTheSystemStopped) {
  VLMEndModelSystem();
  EXPECT_EQ(0, VLMStartModelSystem());  // no Direct3D path here
  EXPECT_EQ(0, IsModelSystemStarted());
  EXPECT_EQ(-1, VLMCloneInstance((HANDLE_KIND_MODEL << 27)));
  EXPECT_EQ(-1, VLMDeleteInstance((HANDLE_KIND_MODEL << 27)));
  EXPECT_EQ(-1, VLMSetInstancePosition((HANDLE_KIND_MODEL << 27), 0, 0, 0));
  EXPECT_EQ(-1, TakeModelInstanceSlot());
  EXPECT_EQ(0, VLMEndModelSystem());
  ASSERT_EQ(0, StartModelTables());
}

// Every allocation of building an instance and growing a table, failed in
// turn, gives -1 and leaves no block and the model as it was.
TEST_F(ModelTablesTest, EveryFailedAllocationLeavesNothingBehind) {
  ModelData *data = nullptr;
  const int dataHandle = MakeTestModel(&data);
  for (int n = 1;; n++) {
    const int blocks = GetAllocatedBlockCount();
    SetAllocationFailureCountdown(n);
    const int handle = TakeModelInstanceSlot();
    const int built = handle < 0 ? -1 : BuildModelInstance(handle, dataHandle);
    SetAllocationFailureCountdown(0);
    if (built == 0) {
      EXPECT_EQ(3, n);  // the slot array, then the instance
      break;
    }
    if (handle >= 0) DeleteModelInstance(handle);
    EXPECT_EQ(0, GetModelInstanceCount());
    EXPECT_EQ(0, data->referenceCount);
    EXPECT_EQ(0, data->instanceCount);
    EXPECT_EQ(nullptr, data->firstInstance);
    EXPECT_EQ(0, data->boundsValid);
    // The table's slot array may have grown before the build failed.
    EXPECT_LE(GetAllocatedBlockCount() - blocks, n > 1 ? 1 : 0) << n;
  }
}

}  // namespace

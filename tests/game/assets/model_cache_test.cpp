#include "game/assets/model_cache.h"

#include <gtest/gtest.h>

#include "game_test.h"

namespace {

using ModelCacheTest = GameTest;

const char kBall[] = "./Model/Ball.mqo";

TEST_F(ModelCacheTest, SharesOneLoadAndReleasesInOrder) {
  {
    ModelHolder first, second;
    AcquireModel(kBall, &first);
    AcquireModel(kBall, &second);
    EXPECT_EQ(fake::CallCount("LoadModel"), 1);
    EXPECT_NE(first.handle, second.handle);
    EXPECT_EQ(fake::ModelPathOf(first.handle), kBall);
    const ModelCacheEntry *entry = FindModelCacheEntry(kBall);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->userCount, 2);
    const int cached = entry->model;
    const int firstClone = first.handle, secondClone = second.handle;
    fake::ClearCalls();
    DestroyModelHolder(&first);
    DestroyModelHolder(&second);
    std::vector<double> deleted;
    for (const fake::Call &call : fake::CallsOf(fake::CALL_MODEL)) {
      EXPECT_EQ(call.name, "VLMDeleteInstance");
      deleted.push_back(call.args[0]);
    }
    EXPECT_EQ(deleted, (std::vector<double>{double(firstClone), double(cached), double(secondClone)}));
    EXPECT_EQ(ModelCacheSize(), 0);
  }
  ModelHolder third;
  AcquireModel(kBall, &third);
  EXPECT_EQ(fake::CallCount("LoadModel"), 2);
}

TEST_F(ModelCacheTest, FailedLoadIsCachedAsMinusOne) {
  fake::FailPath("LoadModel", kBall);
  ModelHolder first, second;
  AcquireModel(kBall, &first);
  AcquireModel(kBall, &second);
  EXPECT_EQ(first.handle, -1);
  EXPECT_EQ(second.handle, -1);
  EXPECT_EQ(fake::CallCount("LoadModel"), 1);
  EXPECT_EQ(FindModelCacheEntry(kBall)->model, -1);
  // A -1 holder is not empty: its draws reach the framework and fail there.
  fake::ClearCalls();
  DrawModelFrameAt(&first, 1, 2, 3, 0);
  EXPECT_EQ(fake::NamesOf(fake::CALL_MODEL),
            (std::vector<std::string>{"VLMSetInstancePosition", "VLMDrawInstanceFrame"}));
}

TEST_F(ModelCacheTest, EmptyHolderDrawsNothingAndDeletesOnlyZero) {
  {
    ModelHolder empty;
    DrawModelFrameAt(&empty, 1, 2, 3, 0);
    EXPECT_TRUE(fake::Calls().empty());
  }
  const std::vector<fake::Call> calls = fake::Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].name, "VLMDeleteInstance");
  EXPECT_EQ(calls[0].args[0], 0.0);
  EXPECT_EQ(ModelCacheSize(), 0);
}

TEST_F(ModelCacheTest, NamesAreWholeByteStrings) {
  ModelHolder a, b;
  AcquireModel(kBall, &a);
  AcquireModel("Model/Ball.mqo", &b);
  EXPECT_EQ(ModelCacheSize(), 2);
}

}  // namespace

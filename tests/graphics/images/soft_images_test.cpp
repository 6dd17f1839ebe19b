#include <gtest/gtest.h>

#include "core/base/handle_table.h"
#include "graphics/images/soft_images.h"
#include "leak_check.h"

namespace {

class SoftImagesTest : public LeakCheckedTest {
 protected:
  void TearDown() override {
    DeleteAllSoftImages();
    LeakCheckedTest::TearDown();
  }
  int Add() {
    BASEIMAGE image = {};
    EXPECT_EQ(0, CreateXrgb32BaseImage(2, 2, &image));
    const int handle = AddSoftImage(&image);
    EXPECT_EQ(nullptr, image.pixels);  // taken over
    return handle;
  }
};

TEST_F(SoftImagesTest, HandlesCarryTheirKindAndDeleteOnce) {
  const int a = Add(), b = Add();
  ASSERT_GE(a, 0);
  ASSERT_GE(b, 0);
  EXPECT_EQ(HANDLE_KIND_SOFT_IMAGE, HandleKindOf(a));
  EXPECT_EQ(2, GetSoftImageCount());
  EXPECT_EQ(0, DeleteSoftImage(a));
  EXPECT_EQ(-1, DeleteSoftImage(a));
  EXPECT_EQ(1, GetSoftImageCount());
  // Another kind, an unused slot and a stale check number are all refused.
  EXPECT_EQ(-1, DeleteSoftImage(MakeHandle(HANDLE_KIND_SOFT_SOUND, HandleCheckOf(b), HandleSlotOf(b))));
  EXPECT_EQ(-1, DeleteSoftImage(MakeHandle(HANDLE_KIND_SOFT_IMAGE, HandleCheckOf(b), 8191)));
  EXPECT_EQ(-1, DeleteSoftImage(MakeHandle(HANDLE_KIND_SOFT_IMAGE, (HandleCheckOf(b) + 1) % 2048,
                                           HandleSlotOf(b))));
  EXPECT_EQ(-1, DeleteSoftImage(-1));
  EXPECT_EQ(1, GetSoftImageCount());
}

TEST_F(SoftImagesTest, DeleteAllEmptiesTheTable) {
  EXPECT_EQ(0, DeleteAllSoftImages());  // on the empty table
  for (int i = 0; i < 5; ++i) ASSERT_GE(Add(), 0);
  EXPECT_EQ(0, DeleteAllSoftImages());
  EXPECT_EQ(0, GetSoftImageCount());
  EXPECT_GE(Add(), 0);  // the table is usable afterwards
}

}  // namespace

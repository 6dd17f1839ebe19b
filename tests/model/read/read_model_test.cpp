#include "model/read/read_model.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/debug/memory.h"
#include "leak_check.h"
#include "model/loaders/memory_files.h"
#include "model/textures/whole_file.h"

namespace {

class ReadModelTest : public LeakCheckedTest {
 protected:
  void SetUp() override {
    LeakCheckedTest::SetUp();
    ReadModelInit(&model);
    memory_files::Store().contents.clear();
    memory_files::Store().shortBy = 0;
    SelectStreamFunctions(memory_files::Table());
  }
  void TearDown() override {
    ReadModelTerm(&model);
    SelectStreamFunctions(nullptr);
    LeakCheckedTest::TearDown();
  }
  std::vector<std::string> FrameOrder() const {
    std::vector<std::string> names;
    for (const ReadFrame *f = model.firstFrame; f; f = f->next) names.push_back(std::to_string(f->index) + f->name);
    return names;
  }
  ReadModel model;
};

TEST_F(ReadModelTest, FramesStayDepthFirst) {
  ReadFrame *a = ReadModelAddFrame(&model, "a", nullptr);
  ReadFrame *b = ReadModelAddFrame(&model, "b", a);
  ReadModelAddFrame(&model, "c", b);
  ReadModelAddFrame(&model, "d", nullptr);
  // Under a, after its subtree's deepest last frame; d moves up one.
  ReadModelAddFrame(&model, "e", a);
  EXPECT_EQ((std::vector<std::string>{"0a", "1b", "2c", "3e", "4d"}), FrameOrder());
  EXPECT_EQ(5, model.frameCount);
  EXPECT_EQ(a, b->parent);
  EXPECT_STREQ("e", a->lastChild->name);
  EXPECT_EQ(1.5207964f, a->smoothingAngle);
  EXPECT_EQ(1.0f, a->scale.y);
  EXPECT_EQ(1.0f, a->transform.m[3][3]);
}

TEST_F(ReadModelTest, RemovedMeshesKeepTheOthersIndices) {
  ReadFrame *frame = ReadModelAddFrame(&model, "f", nullptr);
  ReadMesh *m0 = ReadModelAddMesh(&model, frame);
  ReadMesh *m1 = ReadModelAddMesh(&model, frame);
  ReadMesh *m2 = ReadModelAddMesh(&model, frame);
  ReadModelRemoveMesh(&model, frame, m1);
  EXPECT_EQ(2, model.meshCount);
  EXPECT_EQ(2, frame->meshCount);
  EXPECT_EQ(m2, m0->next);
  EXPECT_EQ(m2, m0->nextInFrame);
  EXPECT_EQ(2, m2->index);
  EXPECT_EQ(3, ReadModelAddMesh(&model, frame)->index);
}

TEST_F(ReadModelTest, TexturesAreSharedOnlyWhenAsked) {
  ReadTexture *a = ReadModelAddTexture(&model, "a", "wood.png", "wood_a.png", 0, 0.1f, 1, 0);
  EXPECT_EQ(a, ReadModelAddTexture(&model, "b", "wood.png", "wood_a.png", 0, 0.1f, 1, 0));
  EXPECT_NE(a, ReadModelAddTexture(&model, "c", "wood.png", "wood_a.png", 0, 0.1f, 0, 0));
  EXPECT_NE(a, ReadModelAddTexture(&model, "d", "wood.png", nullptr, 0, 0.1f, 1, 0));
  EXPECT_EQ(3, model.textureCount);
  EXPECT_EQ(1, a->addressU);
  EXPECT_EQ(2, a->filter);
  // Strings are counted rounded up to 4 bytes: "a" 4, "wood.png" 12, "wood_a.png" 12, ...
  EXPECT_EQ(4 + 12 + 12 + 4 + 12 + 12 + 4 + 12, model.stringBytes);
}

TEST_F(ReadModelTest, TexturePathsThatOnlyOpenByTheirBareNameKeepIt) {
  memory_files::Store().contents["grain.png"] = "x";
  ReadTexture *t = ReadModelAddTexture(&model, "t", "Art\\grain.png", nullptr, 0, 0.1f, 0, 0);
  ASSERT_NE(nullptr, t);
  EXPECT_STREQ("grain.png", t->colourPath);
  ReadTexture *u = ReadModelAddTexture(&model, "u", "Art\\missing.png", nullptr, 0, 0.1f, 0, 0);
  EXPECT_STREQ("Art\\missing.png", u->colourPath);
}

TEST_F(ReadModelTest, TermFreesAHalfMadeModel) {
  ASSERT_EQ(0, ReadModelSetPaths(&model, "a/b.mqo", "b"));
  ReadModelAddFrame(&model, "f", nullptr);
  SetAllocationFailureCountdown(1);
  EXPECT_EQ(nullptr, ReadModelAddMaterial(&model, "m"));
  SetAllocationFailureCountdown(0);
  ReadModelTerm(&model);
  EXPECT_EQ(nullptr, model.filePath);
  EXPECT_EQ(nullptr, model.fileName);
  EXPECT_EQ(nullptr, model.chain);
}

TEST_F(ReadModelTest, WholeFileReads) {
  memory_files::Store().contents["tex/wood.png"] = "grain";
  memory_files::Store().contents["bare.png"] = "bare";
  void *data = nullptr;
  int size = 0;
  ASSERT_EQ(0, ReadWholeFileW(u"tex/wood.png", &data, &size));
  EXPECT_EQ("grain", std::string(static_cast<char *>(data), static_cast<size_t>(size)));
  FreeMemory(data);
  // A folder that does not hold it: the bare file name is tried.
  ASSERT_EQ(0, ReadWholeFileW(u"nowhere\\bare.png", &data, &size));
  EXPECT_EQ(4, size);
  FreeMemory(data);
  EXPECT_EQ(-1, ReadWholeFileW(u"missing.png", &data, &size));
  memory_files::Store().shortBy = 1;
  EXPECT_EQ(-1, ReadWholeFileW(u"tex/wood.png", &data, &size));
  EXPECT_EQ(nullptr, data);
}

}  // namespace

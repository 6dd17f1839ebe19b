#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/debug/memory.h"
#include "model/data/model_data.h"
#include "model/loaders/memory_files.h"
#include "model/loaders/mqo_test_support.h"
#include "model/system/model_system.h"
#include "tools/mqo_write.h"
#include "velvane.h"

namespace {

using mqo_test::MqoTest;

// A small model of two objects, one mirrored, with a textured material.
std::string SmallModel() {
  MqoWriteModel model;
  model.materials = MakeGridMaterials();
  model.materials[0].tex = "stone.png";
  model.objects.push_back(MakeGridObject("floor", 3, 2));
  MqoWriteObject wing = MakeGridObject("wing", 2, 2);
  wing.depth = 1;
  wing.mirror = 1;
  wing.mirrorAxis = 1;
  wing.translation[0] = 4;
  model.objects.push_back(wing);
  return WriteMqo(model);
}

class LoadModelTest : public MqoTest {
 protected:
  void SetUp() override {
    MqoTest::SetUp();
    memory_files::Store().contents.clear();
    memory_files::Store().shortBy = 0;
    SelectStreamFunctions(memory_files::Table());
  }
  static void Put(const std::string &path, const std::string &data) { memory_files::Store().contents[path] = data; }
  static const ModelData *DataOf(int handle) {
    const ModelInstance *instance = LookupModelInstance(handle);
    return instance ? instance->data : nullptr;
  }
};

TEST_F(LoadModelTest, PathsGiveFolderAndModelName) {
  const struct {
    std::string path, directory, name;
  } rows[] = {
      {"Ball.mqo", "C:\\game/", "Ball"},
      {"./Model/Ball.mqo", "C:\\game\\Model/", "Ball"},
      {"Model\\a.b.mqo", "C:\\game\\Model/", "a"},
      {"D:\\x.mqo", "D:/", "x"},
      {"D:x.mqo", "D:/", "x"},
      // 0x95 0x5C is one character: the folder ends at the real separator.
      {"Model/\x95\x5C\\\x95\x5C.mqo", "C:\\game\\Model\\\x95\x5C/", "\x95\x5C"},
  };
  for (const auto &row : rows) {
    SCOPED_TRACE(row.path);
    Put(row.path, SmallModel());
    const int handle = LoadModel(row.path.c_str());
    ASSERT_GE(handle, 0) << log.Text();
    EXPECT_EQ(row.directory, DataOf(handle)->directory);
    EXPECT_EQ(row.name, DataOf(handle)->name);
    EXPECT_EQ(row.path, DataOf(handle)->filePath);
    EXPECT_EQ(0, VLMDeleteInstance(handle));
  }
  EXPECT_EQ(std::vector<std::string>{}, Lines());
}

TEST_F(LoadModelTest, TexturePathsAreMadeFullAgainstTheModelFolder) {
  Put("Model/wall.mqo", SmallModel());
  const int handle = LoadModel("Model/wall.mqo");
  ASSERT_GE(handle, 0);
  EXPECT_EQ(std::vector<std::string>{"C:\\game\\Model\\stone.png"}, mqo_test::Textures().requests);
  EXPECT_EQ(0, VLMDeleteInstance(handle));
}

TEST_F(LoadModelTest, FilesThatCannotBeReadFailWithTheirLine) {
  Put("empty.mqo", "");
  Put("text.mqo", "just some text");
  const std::string longPath = "Model/" + std::string(300, 'x') + ".mqo";
  Put(longPath, SmallModel());
  Put("short.mqo", SmallModel());
  const struct {
    std::string path;
    int shortBy;
    std::vector<std::string> lines;
  } rows[] = {
      {"missing.mqo", 0, {"モデルファイル missing.mqo が読み込めませんでした"}},
      {longPath, 0, {"モデルファイル " + longPath + " が読み込めませんでした"}},
      {"short.mqo", 1, {"モデルファイル short.mqo が読み込めませんでした"}},
      // No loader takes these; LoadModel itself says nothing.
      {"empty.mqo", 0, {}},
      {"text.mqo", 0, {}},
  };
  const int blocks = GetAllocatedBlockCount();
  for (const auto &row : rows) {
    SCOPED_TRACE(row.path.substr(0, 40));
    log.Clear();
    memory_files::Store().shortBy = row.shortBy;
    EXPECT_EQ(-1, LoadModel(row.path.c_str()));
    EXPECT_EQ(row.lines, Lines());
    EXPECT_EQ(blocks, GetAllocatedBlockCount());
    EXPECT_TRUE(memory_files::Store().open.empty());
  }
}

TEST_F(LoadModelTest, OneFileLoadedTwiceGivesTwoModels) {
  Put("twice.mqo", SmallModel());
  const int first = LoadModel("twice.mqo");
  const int second = LoadModel("twice.mqo");
  ASSERT_GE(first, 0);
  ASSERT_GE(second, 0);
  EXPECT_NE(DataOf(first), DataOf(second));
  EXPECT_EQ(2, GetModelDataCount());
  EXPECT_EQ(0, VLMDeleteInstance(first));
  EXPECT_EQ(1, GetModelDataCount());
  EXPECT_EQ(0, VLMDeleteInstance(second));
}

TEST_F(LoadModelTest, NothingLoadsBeforeTheSystemStarts) {
  Put("Ball.mqo", SmallModel());
  EXPECT_EQ(0, VLMEndModelSystem());
  EXPECT_EQ(-1, LoadModel("Ball.mqo"));
  EXPECT_EQ(0, StartModelTables());
}

// Every allocation of a load made to fail in turn: each gives -1, leaves
// nothing behind and logs the failing step's line (a pooled block's chain
// line first).
TEST_F(LoadModelTest, EveryAllocationFailureIsCleanedUp) {
  Put("walk.mqo", SmallModel());
  VLMDeleteInstance(LoadModel("walk.mqo"));  // the tables' slots, once grown, stay
  const int blocks = GetAllocatedBlockCount();
  const std::string chainLine = "メモリアドレス保存データ＋実際のデータを保存するメモリ領域の確保に失敗しました";
  int n = 1;
  for (;; n++) {
    log.Clear();
    SetAllocationFailureCountdown(n);
    const int handle = LoadModel("walk.mqo");
    SetAllocationFailureCountdown(0);
    if (handle >= 0) {
      EXPECT_EQ(0, VLMDeleteInstance(handle));
      break;
    }
    SCOPED_TRACE(n);
    ASSERT_EQ(blocks, GetAllocatedBlockCount());
    const std::vector<std::string> lines = Lines();
    ASSERT_GE(lines.size(), 1u);
    ASSERT_LE(lines.size(), 2u);
    if (lines.size() == 2) {
      EXPECT_EQ(chainLine, lines[0]);
    }
    const std::string &last = lines.back();
    EXPECT_TRUE(last.rfind("MQO Load Error : ", 0) == 0 || last.rfind("Read Model", 0) == 0 ||
                last.rfind("モデルファイル walk.mqo ", 0) == 0)
        << last;
  }
  EXPECT_GT(n, 20);
}

}  // namespace

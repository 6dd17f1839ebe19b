#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include "graphics/graphs/graph_create.h"
#include "graphics/graphs/graph_fixture.h"
#include "graphics/graphs/graph_load.h"
#include "core/files/file_access.h"
#include "graphics/images/image_fixtures.h"

namespace {

class GraphFilesTest : public GraphFixture {
 protected:
  void WriteFile(const char *name, const Bytes &bytes) {
    FILE *file = fopen(name, "wb");
    ASSERT_NE(nullptr, file);
    fwrite(bytes.data(), 1, bytes.size(), file);
    fclose(file);
    written.push_back(name);
  }
  void TearDown() override {
    for (const std::string &name : written) remove(name.c_str());
    GraphFixture::TearDown();
  }
  std::vector<std::string> written;
};

uint32_t Rgb(uint32_t v) { return v & 0xFFFFFF; }

// Opens of each test picture, counted under the file functions in use.
struct OpenCounter {
  static FileAccessFunctions inner;
  static int first, second;
  static FileHandle Open(const char *path, int useCache, int reserved, int async) {
    if (strstr(path, "graph_restore_first.png")) first++;
    if (strstr(path, "graph_restore_second.png")) second++;
    return inner.open(path, useCache, reserved, async);
  }
};
FileAccessFunctions OpenCounter::inner;
int OpenCounter::first, OpenCounter::second;

TEST_F(GraphFilesTest, FilesAndMemoryMakeGraphs) {
  const Bytes png = MakeSolidRgbPng(20, 10, 0x12, 0x34, 0x56);
  const int fromMemory = LoadGraphFromMemory(png.data(), static_cast<int>(png.size()), nullptr,
                                             0, 1, 0);
  ASSERT_NE(-1, fromMemory);
  EXPECT_EQ(0x123456u, Rgb(Texel(fromMemory, 19, 9)));
  EXPECT_EQ(nullptr, GetGraphRecord(fromMemory)->restoreSource);

  WriteFile("graph_files_test.png", png);
  const int fromFile = LoadGraphFromFile("graph_files_test.png", 0);
  ASSERT_NE(-1, fromFile);
  int w = 0, h = 0;
  GetGraphHandleSize(fromFile, &w, &h);
  EXPECT_EQ(20, w);
  EXPECT_EQ(10, h);
  EXPECT_EQ(0x123456u, Rgb(Texel(fromFile, 5, 5)));
  ASSERT_NE(nullptr, GetGraphRecord(fromFile)->restoreSource);

  int cells[2];
  ASSERT_EQ(0, LoadDividedGraph("graph_files_test.png", 2, 2, 1, 10, 10, cells, 0));
  EXPECT_EQ(10, GetGraphRecord(cells[1])->x);
  EXPECT_NE(nullptr, GetGraphRecord(cells[1])->restoreSource);
  // Reversed loads are restored reversed.
  const int reversed = LoadGraphOrMovie("graph_files_test.png", 1, 1, 0);
  ASSERT_NE(-1, reversed);
  EXPECT_EQ(1, GetGraphRecord(reversed)->reverse);
  int reversedCells[2];
  ASSERT_EQ(0, LoadDividedGraphEx("graph_files_test.png", 2, 2, 1, 10, 10, reversedCells, 1, 1));
  EXPECT_EQ(1, GetGraphRecord(reversedCells[0])->reverse);
}

TEST_F(GraphFilesTest, AnAlphaFileBesideThePictureAndInMemory) {
  const Bytes color = MakeSolidRgbPng(8, 8, 0x10, 0x20, 0x30);
  const Bytes alpha = MakeSolidRgbPng(8, 8, 0x80, 0x80, 0x80);
  WriteFile("graph_files_pair.png", color);
  WriteFile("graph_files_pair_a.png", alpha);
  const int fromFile = LoadGraphFromFile("graph_files_pair.png", 0);
  ASSERT_NE(-1, fromFile);
  EXPECT_EQ(1, GetGraphRecord(fromFile)->image->alphaChannel);
  EXPECT_EQ(0x80102030u, Texel(fromFile, 4, 4));
  const int fromMemory =
      LoadGraphFromMemory(color.data(), static_cast<int>(color.size()), alpha.data(),
                          static_cast<int>(alpha.size()), 1, 0);
  ASSERT_NE(-1, fromMemory);
  EXPECT_EQ(0x80102030u, Texel(fromMemory, 1, 6));
}

TEST_F(GraphFilesTest, MissingFilesAndFilesOfNoKnownKind) {
  log.Clear();
  EXPECT_EQ(-1, LoadGraphFromFile("graph_files_missing.png", 0));
  EXPECT_TRUE(Logged("グラフィックファイル graph_files_missing.png がありません"));
  WriteFile("graph_files_test.bin", Bytes(64, 0x5A));
  EXPECT_EQ(-1, LoadGraphFromFile("graph_files_test.bin", 0));
  EXPECT_TRUE(Logged("右記のグラフィックファイルのロードに失敗しました：graph_files_test.bin"));
  int cells[2];
  EXPECT_EQ(-1, LoadDividedGraph("graph_files_missing.png", 2, 2, 1, 10, 10, cells, 0));
  EXPECT_EQ(0, GetGraphSlotLimit());
}

TEST_F(GraphFilesTest, RestoreRefillsGraphsFromTheirFilesAndClearsTheOthers) {
  WriteFile("graph_files_test.png", MakeSolidRgbPng(16, 16, 0xAA, 0xBB, 0xCC));
  const int a = LoadGraphFromFile("graph_files_test.png", 0);
  int cells[2];
  ASSERT_EQ(0, LoadDividedGraph("graph_files_test.png", 2, 2, 1, 8, 8, cells, 0));
  BASEIMAGE image = MakeImage(8, 8, false, Pattern);
  const int plain = MakeGraphFromBaseImage(&image);
  ASSERT_EQ(0, ReleaseAllGraphTextures());
  EXPECT_EQ(nullptr, GetGraphRecord(a)->image->entries[0].videoTexture);
  ASSERT_EQ(0, CreateAllGraphTextures());
  EXPECT_EQ(0u, Texel(a, 3, 3));
  log.Clear();
  ASSERT_EQ(0, RestoreAllGraphs());
  EXPECT_TRUE(Logged("グラフィックを復帰します"));
  EXPECT_EQ(0xAABBCCu, Rgb(Texel(a, 3, 3)));
  EXPECT_EQ(0xAABBCCu, Rgb(Texel(cells[1], 7, 7)));
  EXPECT_EQ(0u, Texel(plain, 3, 3));
  // A file gone since: the graph is skipped with its log line.
  remove("graph_files_test.png");
  ASSERT_EQ(0, RestoreAllGraphs());
  EXPECT_TRUE(Logged("がロードできませんでした"));
  FreeBaseImage(&image);
}

// Graphs of one file next to each other in the table share one load; a
// graph of another file in between makes the next one load again.
TEST_F(GraphFilesTest, RestoreLoadsEachRunOfOneFileOnce) {
  WriteFile("graph_restore_first.png", MakeSolidRgbPng(16, 8, 0x11, 0x22, 0x33));
  WriteFile("graph_restore_second.png", MakeSolidRgbPng(8, 8, 0x44, 0x55, 0x66));
  const int whole = LoadGraphFromFile("graph_restore_first.png", 0);
  int cells[2];
  ASSERT_EQ(0, LoadDividedGraph("graph_restore_first.png", 2, 2, 1, 8, 8, cells, 0));
  const int other = LoadGraphFromFile("graph_restore_second.png", 0);
  const int again = LoadGraphFromFile("graph_restore_first.png", 0);
  ASSERT_NE(-1, other);
  ASSERT_NE(-1, again);
  ASSERT_EQ(0, ReleaseAllGraphTextures());
  ASSERT_EQ(0, CreateAllGraphTextures());
  OpenCounter::inner = *GetFileAccessFunctions();
  FileAccessFunctions counting = OpenCounter::inner;
  counting.open = OpenCounter::Open;
  OpenCounter::first = OpenCounter::second = 0;
  SelectStreamFunctions(&counting);
  const int restored = RestoreAllGraphs();
  SelectStreamFunctions(&OpenCounter::inner);
  ASSERT_EQ(0, restored);
  EXPECT_EQ(2, OpenCounter::first);
  EXPECT_EQ(1, OpenCounter::second);
  EXPECT_EQ(0x112233u, Rgb(Texel(whole, 15, 7)));
  EXPECT_EQ(0x112233u, Rgb(Texel(cells[1], 7, 7)));
  EXPECT_EQ(0x445566u, Rgb(Texel(other, 7, 7)));
  EXPECT_EQ(0x112233u, Rgb(Texel(again, 0, 0)));
}

}  // namespace

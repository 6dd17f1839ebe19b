// The two stream sets a loader can be handed, files through the file-access
// table and memory blocks, run against the same read/seek/tell/end cases.
#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/archive/archive_file_access.h"
#include "core/files/file_access.h"
#include "core/files/file_plain.h"
#include "core/debug/memory.h"
#include "core/files/memory_stream.h"
#include "core/test_files.h"
#include "tools/sample_data.h"

namespace {

enum OpKind { READ, SEEK, TELL, END_TEST };

// One operation and what each set answers. For reads, a and b are the item
// size and count, and the strings are the bytes that arrive.
struct StreamOp {
  OpKind kind;
  int a, b;
  int diskResult;
  int memoryResult;
  const char *diskBytes;
  const char *memoryBytes;
};

struct StreamCase {
  const char *name;
  const char *data;  // the stream's contents
  std::vector<StreamOp> ops;
};

StreamOp Read(int itemSize, int itemCount, int disk, int memory, const char *diskBytes,
              const char *memoryBytes) {
  return {READ, itemSize, itemCount, disk, memory, diskBytes, memoryBytes};
}
StreamOp ReadBoth(int itemSize, int itemCount, int items, const char *bytes) {
  return Read(itemSize, itemCount, items, items, bytes, bytes);
}
StreamOp Seek(int offset, int origin, int disk, int memory) {
  return {SEEK, offset, origin, disk, memory, nullptr, nullptr};
}
StreamOp Tell(int disk, int memory) { return {TELL, 0, 0, disk, memory, nullptr, nullptr}; }
// The disk set reports the end as -1, the memory set as 1.
StreamOp End(bool disk, bool memory) {
  return {END_TEST, 0, 0, disk ? -1 : 0, memory ? 1 : 0, nullptr, nullptr};
}

const char kTen[] = "ABCDEFGHIJ";

std::vector<StreamCase> StreamCases() {
  return {
      {"ShortLastItemCountsOnlyInMemory",
       kTen,
       {ReadBoth(4, 3, 2, "ABCDEFGH"), Tell(8, 8), Read(4, 1, 0, 1, "", "IJ"), End(true, false),
        Tell(8, 10), ReadBoth(4, 1, 0, ""), End(true, true)}},
      {"ReadingExactlyToTheEndLeavesTheEndClear",
       kTen,
       {ReadBoth(5, 2, 2, "ABCDEFGHIJ"), End(false, false), ReadBoth(1, 1, 0, ""),
        End(true, true)}},
      {"SeekBeyondEitherEnd",
       kTen,
       {Seek(-5, 0, -1, 0), Tell(0, 0), Seek(3, 2, 0, 0), Tell(13, 10), ReadBoth(1, 1, 0, ""),
        End(true, true), Seek(0, 0, 0, 0), End(false, false), ReadBoth(2, 1, 1, "AB")}},
      {"RelativeSeeks",
       kTen,
       {Seek(4, 0, 0, 0), Seek(2, 1, 0, 0), Tell(6, 6), ReadBoth(1, 2, 2, "GH"),
        Seek(-3, 2, 0, 0), Tell(7, 7), ReadBoth(2, 5, 1, "HI"), Tell(9, 9),
        Seek(-20, 1, -1, 0), Tell(9, 0)}},
      {"EmptyStream", "", {ReadBoth(1, 1, 0, ""), End(true, true), Tell(0, 0)}},
      {"NothingToReadForZeroOrNegativeSizes",
       kTen,
       {ReadBoth(0, 5, 0, ""), ReadBoth(4, 0, 0, ""), ReadBoth(4, -1, 0, ""),
        ReadBoth(-4, 2, 0, ""), Tell(0, 0), End(false, false)}},
      {"ItemSizeTimesCountBeyondInt",
       kTen,
       {ReadBoth(2, 0x40000001, 5, "ABCDEFGHIJ"), Seek(0, 0, 0, 0),
        Read(0x40000000, 4, 0, 1, "", "ABCDEFGHIJ"), End(true, false)}},
      {"UnknownOrigin", kTen, {Seek(0, 3, -1, -1), Tell(0, 0)}},
  };
}

std::string TestFilePath(const char *name) { return std::string("vv_stream_") + name + ".bin"; }

class StreamSetTest : public ::testing::TestWithParam<bool> {
 protected:
  bool Disk() const { return GetParam(); }

  // Opens the case's data through the set under test.
  void Open(const StreamCase &c, StreamSource *source) {
    const size_t size = strlen(c.data);
    if (Disk()) {
      path_ = TestFilePath(c.name);
      WriteTestFile(path_, c.data, size);
      ASSERT_EQ(OpenFileStreamSource(source, path_.c_str()), 0);
    } else {
      ASSERT_EQ(OpenMemoryStreamSource(source, c.data, static_cast<int>(size)), 0);
    }
  }

  // Closes the stream and removes the case's file.
  void Close(const StreamSource &source) {
    EXPECT_EQ(source.functions.close(source.stream), 0);
    if (!path_.empty()) remove(path_.c_str());
    path_.clear();
  }

  std::string path_;
};

TEST_P(StreamSetTest, FollowsTheCaseTable) {
  SelectStreamFunctions(nullptr);
  const int blocksBefore = GetAllocatedBlockCount();
  for (const StreamCase &c : StreamCases()) {
    SCOPED_TRACE(c.name);
    StreamSource source;
    Open(c, &source);
    const StreamFunctions &f = source.functions;
    for (size_t i = 0; i < c.ops.size(); ++i) {
      SCOPED_TRACE(i);
      const StreamOp &op = c.ops[i];
      const int expected = Disk() ? op.diskResult : op.memoryResult;
      switch (op.kind) {
        case READ: {
          char buffer[64];
          memset(buffer, '.', sizeof(buffer));
          EXPECT_EQ(f.read(buffer, op.a, op.b, source.stream), expected);
          const std::string bytes = Disk() ? op.diskBytes : op.memoryBytes;
          EXPECT_EQ(std::string(buffer, bytes.size()), bytes);
          EXPECT_EQ(buffer[bytes.size()], '.') << "no byte beyond what arrived is touched";
          break;
        }
        case SEEK: EXPECT_EQ(f.seek(source.stream, op.a, op.b), expected); break;
        case TELL: EXPECT_EQ(f.tell(source.stream), expected); break;
        case END_TEST: EXPECT_EQ(f.eof(source.stream), expected); break;
      }
    }
    EXPECT_EQ(f.idleCheck(source.stream), 1);
    Close(source);
  }
  EXPECT_EQ(GetAllocatedBlockCount(), blocksBefore);
}

INSTANTIATE_TEST_SUITE_P(DiskAndMemory, StreamSetTest, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool> &info) {
                           return std::string(info.param ? "Disk" : "Memory");
                         });

TEST(StreamSourceTest, FileAndMemoryDeliverTheSameBytesInChunks) {
  SelectStreamFunctions(nullptr);
  const std::vector<unsigned char> data = MakeRandomSample(70000, 12345);
  const std::string path = TestFilePath("chunks");
  WriteTestFile(path, data.data(), data.size());
  StreamSource file, memory;
  ASSERT_EQ(OpenFileStreamSource(&file, path.c_str()), 0);
  ASSERT_EQ(OpenMemoryStreamSource(&memory, data.data(), static_cast<int>(data.size())), 0);
  std::vector<unsigned char> fromFile(data.size()), fromMemory(data.size());
  const int chunks[] = {1, 7, 4096, 3, 65536, 13};
  int position = 0;
  for (int i = 0; position < static_cast<int>(data.size()); ++i) {
    const int chunk = chunks[i % 6];
    const int items = (static_cast<int>(data.size()) - position) / chunk;
    if (items == 0) break;
    const int want = items < 2 ? items : 2;
    ASSERT_EQ(file.functions.read(&fromFile[position], chunk, want, file.stream), want);
    ASSERT_EQ(memory.functions.read(&fromMemory[position], chunk, want, memory.stream), want);
    position += chunk * want;
  }
  EXPECT_EQ(file.functions.tell(file.stream), position);
  EXPECT_EQ(memory.functions.tell(memory.stream), position);
  EXPECT_TRUE(memcmp(fromFile.data(), data.data(), static_cast<size_t>(position)) == 0);
  EXPECT_TRUE(memcmp(fromMemory.data(), data.data(), static_cast<size_t>(position)) == 0);
  file.functions.close(file.stream);
  memory.functions.close(memory.stream);
  remove(path.c_str());
}

TEST(StreamSourceTest, OpeningFailuresReportMinusOne) {
  SelectStreamFunctions(nullptr);
  StreamSource source;
  EXPECT_EQ(OpenFileStreamSource(&source, "vv_no_such_file.bin"), -1);
  EXPECT_EQ(FileAccessOpen("vv_no_such_file.bin", 0, 1, 0), 0) << "a failed open is 0, not -1";
  EXPECT_EQ(OpenMemoryStreamSource(&source, nullptr, 5), -1);
  EXPECT_EQ(OpenMemoryStreamSource(&source, kTen, -1), -1);
  EXPECT_EQ(OpenMemoryStream(kTen, -1), nullptr);
}

// A caller's table that records what reaches it.
struct RecordedCall {
  int slot;
  intptr_t handle;
  int a, b, c;
};
std::vector<RecordedCall> g_calls;
// Uses the upper half of a 64-bit handle, so truncation would show.
const FileHandle kFakeFile =
    static_cast<FileHandle>(static_cast<uintptr_t>(0x12345678u) << (sizeof(void *) == 8 ? 16 : 0));

FileHandle FakeOpen(const char *, int useCache, int reserved, int async) {
  g_calls.push_back({0, 0, useCache, reserved, async});
  return kFakeFile;
}
int FakeClose(FileHandle f) {
  g_calls.push_back({1, f, 0, 0, 0});
  return 11;
}
int FakeTell(FileHandle f) {
  g_calls.push_back({2, f, 0, 0, 0});
  return 12;
}
int FakeSeek(FileHandle f, int offset, int origin) {
  g_calls.push_back({3, f, offset, origin, 0});
  return 13;
}
int FakeRead(void *, int itemSize, int itemCount, FileHandle f) {
  g_calls.push_back({4, f, itemSize, itemCount, 0});
  return 14;
}
int FakeEof(FileHandle f) {
  g_calls.push_back({5, f, 0, 0, 0});
  return 15;
}
int FakeIdle(FileHandle f) {
  g_calls.push_back({6, f, 0, 0, 0});
  return 16;
}
int FakeSetDir(const char *) { return 17; }
int FakeGetDir(char *buffer) {
  strcpy(buffer, "C:\\fake");
  return 18;
}
FindHandle FakeFindFirst(const char *, FindFileInfo *) { return -1; }
int FakeFindNext(FindHandle, FindFileInfo *) { return -1; }
int FakeFindClose(FindHandle) { return -1; }

const FileAccessFunctions kFakeTable = {FakeOpen,   FakeClose,     FakeTell,     FakeSeek,
                                        FakeRead,   FakeEof,       FakeIdle,     FakeSetDir,
                                        FakeGetDir, FakeFindFirst, FakeFindNext, FakeFindClose};

TEST(FileAccessTableTest, ForwardsEverySlotOfACallersTableUnchanged) {
  g_calls.clear();
  ASSERT_EQ(SelectStreamFunctions(&kFakeTable), 0);
  StreamSource source;
  ASSERT_EQ(OpenFileStreamSource(&source, "any"), 0);
  EXPECT_EQ(source.stream, kFakeFile) << "a pointer-sized handle passes through whole";
  char buffer[8];
  EXPECT_EQ(source.functions.tell(source.stream), 12);
  EXPECT_EQ(source.functions.seek(source.stream, -7, 2), 13);
  EXPECT_EQ(source.functions.read(buffer, 3, 5, source.stream), 14);
  EXPECT_EQ(source.functions.eof(source.stream), 15);
  EXPECT_EQ(source.functions.idleCheck(source.stream), 16);
  EXPECT_EQ(source.functions.close(source.stream), 11);
  EXPECT_EQ(FileAccessGetCurrentDir(buffer), 18);
  EXPECT_STREQ(buffer, "C:\\fake");
  EXPECT_EQ(GetFileAccessFunctions()->setCurrentDir("x"), 17);

  const RecordedCall expected[] = {{0, 0, 0, 1, 0},          {2, kFakeFile, 0, 0, 0},
                                   {3, kFakeFile, -7, 2, 0}, {4, kFakeFile, 3, 5, 0},
                                   {5, kFakeFile, 0, 0, 0},  {6, kFakeFile, 0, 0, 0},
                                   {1, kFakeFile, 0, 0, 0}};
  ASSERT_EQ(g_calls.size(), sizeof(expected) / sizeof(expected[0]));
  for (size_t i = 0; i < g_calls.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(g_calls[i].slot, expected[i].slot);
    EXPECT_EQ(g_calls[i].handle, expected[i].handle);
    EXPECT_EQ(g_calls[i].a, expected[i].a);
    EXPECT_EQ(g_calls[i].b, expected[i].b);
    EXPECT_EQ(g_calls[i].c, expected[i].c);
  }

  // Null puts the built-in set back: real files open again.
  ASSERT_EQ(SelectStreamFunctions(nullptr), 0);
  EXPECT_EQ(GetFileAccessFunctions()->open, GetArchiveFileAccessFunctions()->open);
  const std::string path = TestFilePath("restored");
  WriteTestFile(path, kTen, 10);
  FileHandle file = FileAccessOpen(path.c_str(), 0, 1, 0);
  ASSERT_NE(file, 0);
  EXPECT_EQ(FileAccessRead(buffer, 1, 4, file), 4);
  EXPECT_EQ(FileAccessClose(file), 0);
  remove(path.c_str());
}

TEST(FileAccessTableTest, FindsFilesThroughTheTable) {
  SelectStreamFunctions(nullptr);
  const FileAccessFunctions *table = GetFileAccessFunctions();
  const std::string a = TestFilePath("findA"), b = TestFilePath("findB");
  WriteTestFile(a, kTen, 10);
  WriteTestFile(b, kTen, 3);
  FindFileInfo info;
  FindHandle find = table->findFirst("vv_stream_find*.bin", &info);
  ASSERT_NE(find, -1);
  std::vector<std::string> names;
  do {
    names.push_back(info.name);
    EXPECT_EQ(info.isDirectory, 0);
    EXPECT_EQ(info.size, info.name == a ? 10u : 3u);
    EXPECT_GE(info.lastWriteTime.year, 2000);
  } while (table->findNext(find, &info) == 0);
  EXPECT_EQ(table->findClose(find), 0);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{a, b}));
  EXPECT_EQ(table->findFirst("vv_stream_nothing*.none", &info), -1);
  remove(a.c_str());
  remove(b.c_str());
}

}  // namespace

namespace {

// The plain sets (the Win32 set's worker and direct reads alike) account a
// finished read here: a read that delivered less than planned, because the
// file was shorter than when the read was planned or the read failed, moves
// the position only by what arrived and marks the end.
TEST(FileReadAccountingTest, ShortReadsCorrectThePositionAndMarkTheEnd) {
  struct Case {
    int start, requested, actual;
    int position, endFlag, result;
  } const cases[] = {
      {100, 50, 50, 150, 0, 50},
      {100, 50, 20, 120, 1, 20},
      {100, 50, 0, 100, 1, 0},
      {100, 50, -1, 100, 1, 0},  // a failed read delivers nothing
  };
  for (const Case &c : cases) {
    int position = -7, endFlag = 0;
    EXPECT_EQ(c.result, SettleFileRead(c.start, c.requested, c.actual, &position, &endFlag))
        << c.actual;
    EXPECT_EQ(c.position, position) << c.actual;
    EXPECT_EQ(c.endFlag, endFlag) << c.actual;
  }
}

}  // namespace

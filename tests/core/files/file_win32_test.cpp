// Win32 files in each mode: direct, through the worker thread with and
// without the read-ahead cache, and with asynchronous reads.
#include <windows.h>

#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "core/files/file_access.h"
#include "core/files/file_plain.h"
#include "core/files/file_win32.h"
#include "core/debug/memory.h"
#include "core/files/paths.h"
#include "core/test_files.h"

namespace {

std::vector<unsigned char> Pattern(size_t size) {
  std::vector<unsigned char> data(size);
  for (size_t i = 0; i < size; ++i) data[i] = static_cast<unsigned char>(i * 31 + (i >> 9));
  return data;
}

struct Mode {
  const char *name;
  int useCache;
  int async;
};

void PrintTo(const Mode &mode, std::ostream *os) { *os << mode.name; }

const Mode kModes[] = {{"Direct", 0, 0}, {"Cached", 1, 0}, {"Async", 0, 1}, {"CachedAsync", 1, 1}};

class Win32FileModeTest : public ::testing::TestWithParam<Mode> {
 protected:
  void SetUp() override { blocksBefore_ = GetAllocatedBlockCount(); }
  void TearDown() override {
    if (file_) CloseWin32FileStream(file_);
    for (const std::string &path : paths_) DeleteFileA(path.c_str());
    EXPECT_EQ(GetAllocatedBlockCount(), blocksBefore_);
  }

  void OpenWith(const std::vector<unsigned char> &data) {
    const std::string path = std::string("vv_win32_") + GetParam().name + ".bin";
    paths_.push_back(path);
    WriteTestFile(path, data);
    file_ = OpenWin32FileStream(path.c_str(), GetParam().useCache, 1, GetParam().async);
    ASSERT_NE(file_, 0);
  }

  // An asynchronous caller learns completion from the idle test.
  int Read(void *buffer, int itemSize, int itemCount) {
    const int items = Win32FileRead(buffer, itemSize, itemCount, file_);
    while (Win32FileIdleCheck(file_) == 0) Sleep(0);
    return items;
  }

  FileHandle file_ = 0;
  std::vector<std::string> paths_;
  int blocksBefore_ = 0;
};

TEST_P(Win32FileModeTest, ReadsALargeFileInOddChunks) {
  const std::vector<unsigned char> data = Pattern(300000);
  OpenWith(data);
  std::vector<unsigned char> out(data.size());
  const int chunks[] = {1, 4097, 70000, 13, WIN32_FILE_CACHE_SIZE, 3};
  size_t position = 0;
  for (int i = 0; position < data.size(); ++i) {
    const int chunk = chunks[i % 6];
    const int items = (static_cast<int>(data.size() - position)) / chunk;
    if (items == 0) break;
    ASSERT_EQ(Read(&out[position], chunk, 1), 1);
    position += static_cast<size_t>(chunk);
    ASSERT_EQ(Win32FileTell(file_), static_cast<int>(position));
  }
  ASSERT_EQ(Read(&out[position], 1, static_cast<int>(data.size() - position)),
            static_cast<int>(data.size() - position));
  EXPECT_TRUE(out == data);
  EXPECT_EQ(Win32FileEof(file_), 0);
  unsigned char byte;
  EXPECT_EQ(Read(&byte, 1, 1), 0);
  EXPECT_EQ(Win32FileEof(file_), -1);
}

TEST_P(Win32FileModeTest, WholeItemsSeeksAndTheEndFlag) {
  const char ten[] = "ABCDEFGHIJ";
  OpenWith(std::vector<unsigned char>(ten, ten + 10));
  char buffer[16] = {0};
  EXPECT_EQ(Read(buffer, 4, 3), 2);
  EXPECT_EQ(std::string(buffer, 8), "ABCDEFGH");
  EXPECT_EQ(Read(buffer, 4, 1), 0) << "the two bytes left are no whole item";
  EXPECT_EQ(Win32FileEof(file_), -1);
  EXPECT_EQ(Win32FileTell(file_), 8);
  EXPECT_EQ(Win32FileSeek(file_, -3, 2), 0);
  EXPECT_EQ(Win32FileEof(file_), 0) << "a seek clears the end flag";
  EXPECT_EQ(Read(buffer, 1, 100), 3);
  EXPECT_EQ(std::string(buffer, 3), "HIJ");
  EXPECT_EQ(Win32FileSeek(file_, 5, 2), 0) << "beyond the end is accepted";
  EXPECT_EQ(Win32FileTell(file_), 15);
  EXPECT_EQ(Read(buffer, 1, 1), 0);
  EXPECT_EQ(Win32FileEof(file_), -1);
  EXPECT_EQ(Win32FileSeek(file_, -16, 1), -1) << "before the start is refused";
  EXPECT_EQ(Win32FileTell(file_), 15);
  EXPECT_EQ(Win32FileSeek(file_, 2, 9), -1);
  EXPECT_EQ(Win32FileSeek(file_, 2, 0), 0);
  EXPECT_EQ(Win32FileSeek(file_, 3, 1), 0);
  EXPECT_EQ(Read(buffer, 2, 0x40000001), 2) << "a count whose byte total overflows";
  EXPECT_EQ(std::string(buffer, 4), "FGHI");
  EXPECT_EQ(Read(buffer, 0, 5), 0);
  EXPECT_EQ(Read(buffer, -1, 5), 0);
  EXPECT_EQ(Win32FileEof(file_), 0);
}

TEST_P(Win32FileModeTest, SeeksAnywhereThenReads) {
  const std::vector<unsigned char> data = Pattern(200000);
  OpenWith(data);
  const int targets[] = {150000, 10, 131072, 131071, 0, 199990, 70000};
  for (int target : targets) {
    SCOPED_TRACE(target);
    unsigned char out[1000];
    ASSERT_EQ(Win32FileSeek(file_, target, 0), 0);
    if (GetParam().useCache) Sleep(150);  // the worker refills its cache here
    const int want = static_cast<int>(data.size()) - target < 1000
                         ? static_cast<int>(data.size()) - target
                         : 1000;
    ASSERT_EQ(Read(out, 1, 1000), want);
    EXPECT_EQ(memcmp(out, &data[static_cast<size_t>(target)], static_cast<size_t>(want)), 0);
    EXPECT_EQ(Win32FileTell(file_), target + want);
  }
}

TEST_P(Win32FileModeTest, EmptyFile) {
  OpenWith({});
  char byte;
  EXPECT_EQ(Read(&byte, 1, 1), 0);
  EXPECT_EQ(Win32FileEof(file_), -1);
}

INSTANTIATE_TEST_SUITE_P(Modes, Win32FileModeTest, ::testing::ValuesIn(kModes),
                         [](const ::testing::TestParamInfo<Mode> &info) {
                           return std::string(info.param.name);
                         });

TEST(Win32FileCacheTest, CachedBytesComeFirstThenTheFile) {
  const std::vector<unsigned char> data = Pattern(400000);
  WriteTestFile("vv_win32_cache.bin", data);
  FileHandle file = OpenWin32FileStream("vv_win32_cache.bin", 1, 1, 0);
  ASSERT_NE(file, 0);
  std::vector<unsigned char> out(data.size());
  Sleep(400);  // the worker reads ahead while idle
  // Longer than the cache: the front from the cache, the rest from the file.
  ASSERT_EQ(Win32FileRead(&out[0], 1, 200000, file), 200000);
  Sleep(400);
  // Small reads from the cache refilled at the new position.
  for (int i = 0; i < 50; ++i) {
    ASSERT_EQ(Win32FileRead(&out[200000 + 1000 * i], 1000, 1, file), 1);
  }
  ASSERT_EQ(Win32FileRead(&out[250000], 1, 150000, file), 150000);
  EXPECT_TRUE(out == data);
  EXPECT_EQ(CloseWin32FileStream(file), 0);
  DeleteFileA("vv_win32_cache.bin");
}

TEST(Win32FileAsyncTest, ReadReturnsAtOnceAndTheDataFollows) {
  const std::vector<unsigned char> data = Pattern(1 << 20);
  WriteTestFile("vv_win32_async.bin", data);
  FileHandle file = OpenWin32FileStream("vv_win32_async.bin", 0, 1, 1);
  ASSERT_NE(file, 0);
  std::vector<unsigned char> out(data.size() + 4);
  // The whole items there are, asked for at once; the position is the
  // request's end even before the data has arrived.
  EXPECT_EQ(Win32FileRead(out.data(), 4, 300000, file), 262144);
  int polls = 0;
  while (Win32FileIdleCheck(file) == 0) {
    ++polls;
    Sleep(0);
  }
  EXPECT_EQ(Win32FileTell(file), 1 << 20);
  EXPECT_EQ(memcmp(out.data(), data.data(), data.size()), 0);
  // Any other operation waits for a pending read first.
  ASSERT_EQ(Win32FileSeek(file, 100, 0), 0);
  EXPECT_EQ(Win32FileRead(out.data(), 1, 500000, file), 500000);
  EXPECT_EQ(Win32FileTell(file), 500100);
  EXPECT_EQ(memcmp(out.data(), &data[100], 500000), 0);
  EXPECT_EQ(CloseWin32FileStream(file), 0);
  DeleteFileA("vv_win32_async.bin");
}

TEST(Win32FileTest, OpenFailuresGiveZero) {
  const int blocksBefore = GetAllocatedBlockCount();
  for (const Mode &mode : kModes) {
    SCOPED_TRACE(mode.name);
    EXPECT_EQ(OpenWin32FileStream("vv_win32_missing.bin", mode.useCache, 1, mode.async), 0);
  }
  EXPECT_EQ(OpenWin32FileStream(nullptr, 0, 1, 0), 0);
  EXPECT_EQ(OpenWin32FileStream(std::string(300, 'a').c_str(), 0, 1, 0), 0);
  // The worker opens the file for itself alone: a file already open
  // elsewhere fails in its thread, and the open cleans up after it.
  WriteTestFile("vv_win32_busy.bin", Pattern(10));
  FileHandle direct = OpenWin32FileStream("vv_win32_busy.bin", 0, 1, 0);
  ASSERT_NE(direct, 0);
  EXPECT_EQ(OpenWin32FileStream("vv_win32_busy.bin", 1, 1, 0), 0);
  EXPECT_EQ(CloseWin32FileStream(direct), 0);
  DeleteFileA("vv_win32_busy.bin");
  EXPECT_EQ(GetAllocatedBlockCount(), blocksBefore);
}

TEST(Win32FileTest, ThePlainSetIsTheWin32Set) {
  const FileAccessFunctions *table = GetPlainFileAccessFunctions();
  EXPECT_EQ(table->open, OpenWin32FileStream);
  EXPECT_EQ(table->read, Win32FileRead);
  EXPECT_EQ(table->findClose, Win32FindClose);
}

TEST(Win32FileTest, CurrentDirectory) {
  char saved[MAX_PATH], buffer[260];
  GetCurrentDirectoryA(MAX_PATH, saved);
  EXPECT_EQ(Win32GetCurrentDir(buffer), static_cast<int>(strlen(saved)));
  EXPECT_STREQ(buffer, saved);
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  EXPECT_NE(Win32SetCurrentDir(temp), 0);
  EXPECT_EQ(Win32SetCurrentDir("Z:\\vv\\no\\such\\dir"), 0);
  EXPECT_NE(Win32SetCurrentDir(saved), 0);
}

TEST(Win32FileTest, FileTimesAreLocalCalendarTimes) {
  SYSTEMTIME local = {2023, 7, 0, 14, 9, 30, 15, 0};
  FILETIME localFile, utcFile;
  SystemTimeToFileTime(&local, &localFile);
  LocalFileTimeToFileTime(&localFile, &utcFile);
  DateTime out;
  EXPECT_EQ(FileTimeToDateTime((static_cast<uint64_t>(utcFile.dwHighDateTime) << 32) |
                                   utcFile.dwLowDateTime,
                               &out),
            0);
  EXPECT_EQ(out.year, 2023);
  EXPECT_EQ(out.month, 7);
  EXPECT_EQ(out.day, 14);
  EXPECT_EQ(out.hour, 9);
  EXPECT_EQ(out.minute, 30);
  EXPECT_EQ(out.second, 15);
}

TEST(TempFileTest, OpensANewEmptyFileInTheTempFolder) {
  char temp[MAX_PATH], first[PATH_BUFFER_SIZE], second[PATH_BUFFER_SIZE];
  GetTempPathA(MAX_PATH, temp);
  intptr_t a = OpenNewTempFile(first);
  intptr_t b = OpenNewTempFile(second);
  ASSERT_NE(a, 0);
  ASSERT_NE(b, 0);
  EXPECT_STRNE(first, second);
  EXPECT_EQ(_strnicmp(first, temp, strlen(temp) - 1), 0) << first << " in " << temp;
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(reinterpret_cast<HANDLE>(a), "data", 4, &written, NULL));
  CloseHandle(reinterpret_cast<HANDLE>(a));
  CloseHandle(reinterpret_cast<HANDLE>(b));
  WIN32_FILE_ATTRIBUTE_DATA attributes;
  ASSERT_TRUE(GetFileAttributesExA(first, GetFileExInfoStandard, &attributes));
  EXPECT_EQ(attributes.nFileSizeLow, 4u);
  ASSERT_TRUE(GetFileAttributesExA(second, GetFileExInfoStandard, &attributes));
  EXPECT_EQ(attributes.nFileSizeLow, 0u);
  DeleteFileA(first);
  DeleteFileA(second);
}

}  // namespace

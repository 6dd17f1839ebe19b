// The host's plain-file set: what only the host can stage.
#include <gtest/gtest.h>
#include <stdio.h>
#include <unistd.h>

#include "core/files/file_access.h"
#include "core/files/file_plain.h"
#include "core/test_files.h"

namespace {

// A file that shrinks after it was opened delivers less than planned: the
// read reports and advances by what really arrived.
TEST(PosixFileTest, ShortReadReturnsAndAdvancesByWhatArrived) {
  const char *path = "vv_posix_short.bin";
  WriteTestFile(path, "ABCDEFGHIJKLMNOP", 16);
  const FileAccessFunctions *files = GetPlainFileAccessFunctions();
  FileHandle file = files->open(path, 0, 1, 0);
  ASSERT_NE(file, 0);
  ASSERT_EQ(truncate(path, 10), 0);
  char buffer[16];
  EXPECT_EQ(files->read(buffer, 4, 4, file), 2);
  EXPECT_EQ(files->tell(file), 10);
  EXPECT_EQ(files->eof(file), -1);
  EXPECT_EQ(files->close(file), 0);
  remove(path);
}

}  // namespace

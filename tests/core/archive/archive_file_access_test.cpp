// The default file-access table: folders served from the archives that
// stand in for them, files from disk otherwise, through the forwarding
// operations and a StreamSource as a loader uses them.
#include <gtest/gtest.h>
#include <string.h>

#include "core/archive/archive_cache.h"
#include "core/archive/archive_file_access.h"
#include "core/archive/archive_fixtures.h"
#include "core/files/file_access.h"
#include "core/log_capture.h"

namespace {

class FileAccessArchiveTest : public ArchiveTest {
 protected:
  void SetUp() override {
    ArchiveTest::SetUp();
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
    SelectStreamFunctions(nullptr);
  }
  void TearDown() override {
    std::filesystem::current_path(previous_);
    ResetArchiveCache();
    ArchiveTest::TearDown();
  }
  void WriteArchive(const std::string &name, const std::vector<KrzWriteEntry> &entries) {
    Write(name, WriteKrzArchive(entries, KrzWriteOptions()));
  }
  // The whole file through a StreamSource, or "<fail>".
  std::string ReadThroughSource(const char *path) {
    StreamSource source;
    if (OpenFileStreamSource(&source, path) < 0) return "<fail>";
    std::string text;
    char piece[7];
    for (int n; (n = source.functions.read(piece, 1, sizeof(piece), source.stream)) > 0;) {
      text.append(piece, static_cast<size_t>(n));
    }
    EXPECT_EQ(source.functions.eof(source.stream), -1);
    source.functions.close(source.stream);
    return text;
  }
  std::filesystem::path previous_;
};

TEST_F(FileAccessArchiveTest, TheDefaultTableIsTheArchiveAwareSet) {
  EXPECT_EQ(memcmp(GetFileAccessFunctions(), GetArchiveFileAccessFunctions(),
                   sizeof(FileAccessFunctions)),
            0);
}

TEST_F(FileAccessArchiveTest, AnArchiveStandsInForAMissingFolder) {
  WriteArchive("DATA.KRZ", {ArchiveFile("A.TXT", Bytes("from the archive")),
                            ArchiveFile("Sub/b.txt", Bytes("nested"), true)});
  EXPECT_EQ(ReadThroughSource(".\\DATA\\A.TXT"), "from the archive");
  EXPECT_EQ(ReadThroughSource("data/sub/B.TXT"), "nested");
  EXPECT_EQ(ReadThroughSource("DATA\\missing.txt"), "<fail>");
}

TEST_F(FileAccessArchiveTest, AnArchiveIsPreferredOverItsFolderAndHidesIt) {
  Write("DATA/A.TXT", Bytes("from the folder"));
  Write("DATA/ONLY.TXT", Bytes("only on disk"));
  WriteArchive("DATA.KRZ", {ArchiveFile("A.TXT", Bytes("from the archive"))});
  EXPECT_EQ(ReadThroughSource("DATA\\A.TXT"), "from the archive");
  EXPECT_EQ(ReadThroughSource("DATA\\ONLY.TXT"), "<fail>");
}

TEST_F(FileAccessArchiveTest, AnOuterArchiveServesNestedFoldersAndDiskServesTheRest) {
  WriteArchive("GAME.KRZ", {ArchiveFile("GRAPH/BALL.PNG", Bytes("ball"))});
  Write("plain.txt", Bytes("on disk"));
  EXPECT_EQ(ReadThroughSource("GAME\\GRAPH\\BALL.PNG"), "ball");
  EXPECT_EQ(ReadThroughSource("GAME\\Graph\\ball.png"), "ball");
  EXPECT_EQ(ReadThroughSource("plain.txt"), "on disk");
  EXPECT_EQ(ReadThroughSource("nothing.txt"), "<fail>");
}

TEST_F(FileAccessArchiveTest, OpenFilesHoldTheirArchiveUntilClosed) {
  WriteArchive("DATA.KRZ", {ArchiveFile("A.TXT", Bytes("a")), ArchiveFile("B.TXT", Bytes("b"))});
  const FileHandle a = FileAccessOpen("DATA\\A.TXT", 0, 1, 0);
  const FileHandle b = FileAccessOpen("DATA\\B.TXT", 0, 1, 0);
  ASSERT_NE(a, 0);
  ASSERT_NE(b, 0);
  int index;
  char archivePath[ARCHIVE_FULL_PATH_SIZE], name[ARCHIVE_NAME_INSIDE_SIZE];
  ASSERT_EQ(ResolveArchivePath("DATA\\B.TXT", &index, archivePath, name), 0);
  EXPECT_STREQ(name, "B.TXT");
  EXPECT_EQ(GetCachedArchiveReferences(index), 3);
  ReleaseCachedArchive(index);
  EXPECT_EQ(FileAccessClose(a), 0);
  EXPECT_EQ(FileAccessClose(b), 0);
  EXPECT_EQ(FileAccessClose(b), -1) << "an empty slot";
  EXPECT_EQ(GetCachedArchiveReferences(index), 0);
  ResetArchiveCache();
  EXPECT_EQ(GetCachedArchive(index), nullptr);
}

TEST_F(FileAccessArchiveTest, FindListsArchiveEntriesAndAFailedFindDropsItsReference) {
  WriteArchive("GRAPH.KRZ", {ArchiveFile("A.PNG", Bytes("a")), ArchiveFile("B.PNG", Bytes("b")),
                             ArchiveFile("C.TXT", Bytes("c"))});
  const FileAccessFunctions *t = GetFileAccessFunctions();
  FindFileInfo info;
  const FindHandle find = t->findFirst("GRAPH\\*.PNG", &info);
  ASSERT_NE(find, -1);
  std::vector<std::string> names{info.name};
  while (t->findNext(find, &info) == 0) names.push_back(info.name);
  EXPECT_EQ(names, (std::vector<std::string>{"A.PNG", "B.PNG"}));
  EXPECT_EQ(t->findClose(find), 0);
  EXPECT_EQ(t->findFirst("GRAPH\\*.BMP", &info), -1);
  int index;
  ASSERT_EQ(ResolveArchivePath("GRAPH\\A.PNG", &index, nullptr, nullptr), 0);
  EXPECT_EQ(GetCachedArchiveReferences(index), 1) << "only this resolution holds it";
  ReleaseCachedArchive(index);
  Write("disk/x.txt", Bytes("x"));
  const FindHandle onDisk = t->findFirst("disk/*.txt", &info);
  ASSERT_NE(onDisk, -1);
  EXPECT_STREQ(info.name, "x.txt");
  EXPECT_EQ(t->findClose(onDisk), 0);
}

TEST_F(FileAccessArchiveTest, ReadCountsWholeItemsWithoutOverflow) {
  WriteArchive("DATA.KRZ", {ArchiveFile("TEN", Bytes("0123456789"))});
  const FileHandle f = FileAccessOpen("DATA\\TEN", 0, 1, 0);
  ASSERT_NE(f, 0);
  char buffer[16] = {};
  EXPECT_EQ(FileAccessRead(buffer, 0, 5, f), 0) << "item size 0";
  EXPECT_EQ(FileAccessRead(buffer, -1, 5, f), 0);
  EXPECT_EQ(FileAccessRead(buffer, 4, 0, f), 0);
  EXPECT_EQ(FileAccessTell(f), 0);
  EXPECT_EQ(FileAccessRead(buffer, 4, 0x7FFFFFFF, f), 2) << "a count whose product overflows";
  EXPECT_EQ(FileAccessTell(f), 10);
  EXPECT_EQ(FileAccessEof(f), 0);
  EXPECT_EQ(FileAccessRead(buffer, 1, 1, f), 0);
  EXPECT_EQ(FileAccessEof(f), -1);
  EXPECT_EQ(FileAccessSeek(f, 2, 0), 0);
  EXPECT_EQ(FileAccessRead(buffer, 3, 2, f), 2);
  EXPECT_EQ(memcmp(buffer, "234567", 6), 0);
  EXPECT_EQ(FileAccessIdleCheck(f), 1);
  EXPECT_EQ(FileAccessClose(f), 0);
}

TEST_F(FileAccessArchiveTest, HandlesNotMadeByTheSetAreRefused) {
  for (FileHandle bad : {FileHandle(0), FileHandle(12345), FileHandle(0xF00001FF), FileHandle(-1)}) {
    EXPECT_EQ(FileAccessClose(bad), -1);
    EXPECT_EQ(FileAccessTell(bad), -1);
    EXPECT_EQ(FileAccessSeek(bad, 0, 0), -1);
    EXPECT_EQ(FileAccessRead(nullptr, 1, 1, bad), -1);
    EXPECT_EQ(FileAccessEof(bad), -1);
    EXPECT_EQ(FileAccessIdleCheck(bad), -1);
  }
}

TEST_F(FileAccessArchiveTest, CurrentDirectorySlotsReportSuccessAndFailure) {
  const FileAccessFunctions *t = GetFileAccessFunctions();
  char buffer[PATH_BUFFER_SIZE];
  ASSERT_EQ(t->getCurrentDir(buffer), 0);
  EXPECT_TRUE(std::filesystem::equivalent(buffer, dir_));
  Write("sub/x", Bytes("x"));
  EXPECT_EQ(t->setCurrentDir("sub"), 0);
  EXPECT_EQ(t->setCurrentDir("no such folder"), -1);
  EXPECT_EQ(t->setCurrentDir(".."), 0);
}

TEST_F(FileAccessArchiveTest, APathTooLongForTheBuffersFails) {
  const std::string path = std::string(300, 'p') + "\\x.txt";
  EXPECT_EQ(FileAccessOpen(path.c_str(), 0, 1, 0), 0);
  FindFileInfo info;
  EXPECT_EQ(GetFileAccessFunctions()->findFirst(path.c_str(), &info), -1);
  char full[ARCHIVE_FULL_PATH_SIZE];
  EXPECT_EQ(MakeArchiveFullPath(full, path.c_str()), -1);
  EXPECT_STREQ(full, "");
}

TEST_F(FileAccessArchiveTest, FullPathsAreUpperCased) {
  char full[ARCHIVE_FULL_PATH_SIZE];
  ASSERT_EQ(MakeArchiveFullPath(full, "a\\.\\b\\..\\c.txt"), 0);
  const std::string text = full;
  EXPECT_EQ(text.substr(text.size() - 8), "\\A\\C.TXT");
}

// The folder walk starts after the root: on a drive the first candidate is
// never "X:.KRZ", which would name a file ".KRZ" in the drive's current
// folder, and on the host never ".KRZ" itself.
TEST_F(FileAccessArchiveTest, TheRootIsNeverTakenForAnArchive) {
  const std::string full = std::filesystem::absolute("A.TXT").string();
  std::string afterRoot = full.substr(full.find_first_of("\\/") + 1);
  WriteArchive(".KRZ", {ArchiveFile(afterRoot, Bytes("wrong")), ArchiveFile("A.TXT", Bytes("wrong"))});
  Write("A.TXT", Bytes("right"));
  EXPECT_EQ(ReadThroughSource("A.TXT"), "right");
}

TEST_F(FileAccessArchiveTest, The513thOpenFileFailsWithALogLine) {
  LogCapture log;
  WriteArchive("DATA.KRZ", {ArchiveFile("A.TXT", Bytes("a"))});
  std::vector<FileHandle> open;
  for (int i = 0; i < ARCHIVE_OPEN_FILE_SLOTS; ++i) {
    open.push_back(FileAccessOpen("DATA\\A.TXT", 0, 1, 0));
    ASSERT_NE(open.back(), 0) << i;
  }
  EXPECT_EQ(GetArchiveOpenFileCount(), ARCHIVE_OPEN_FILE_SLOTS);
  log.Clear();
  EXPECT_EQ(FileAccessOpen("DATA\\A.TXT", 0, 1, 0), 0);
  EXPECT_NE(log.Text().find("同時に開けるファイルの数が限界を超えました"), std::string::npos);
  for (FileHandle f : open) EXPECT_EQ(FileAccessClose(f), 0);
  EXPECT_EQ(GetArchiveOpenFileCount(), 0);
}

}  // namespace

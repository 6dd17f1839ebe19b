// The KRZ reader against archives written by the project's writer: every
// version, key and storage form, lookups, directory walks, wildcard search,
// reading, and damaged archives refused cleanly.
#include <gtest/gtest.h>
#include <string.h>

#include <thread>

#include "core/archive/archive.h"
#include "core/archive/archive_fixtures.h"

namespace {

enum OpenMode { STREAMED, TO_MEMORY, TO_MEMORY_ASYNC, CALLER_IMAGE };

// Opens one archive image in one of the four ways; the caller's image stays
// in the fixture while the archive is open.
class ReaderTest : public ArchiveTest {
 protected:
  int Open(const std::vector<uint8_t> &image, OpenMode mode, const char *key = nullptr) {
    InitArchive(&archive_);
    image_ = image;
    const std::string path = Write("a" + std::to_string(files_++) + ".krz", image);
    switch (mode) {
      case STREAMED: return OpenArchiveStreamed(&archive_, path.c_str(), key);
      case TO_MEMORY: return OpenArchiveToMemory(&archive_, path.c_str(), key, 0);
      case TO_MEMORY_ASYNC: return OpenArchiveToMemory(&archive_, path.c_str(), key, 1);
      case CALLER_IMAGE:
        return OpenArchiveMemory(&archive_, image_.data(), static_cast<int>(image_.size()), key);
    }
    return -1;
  }
  void TearDown() override {
    CloseArchive(&archive_);
    ArchiveTest::TearDown();
  }
  // The whole file, or {"<fail>"} when it does not open.
  std::vector<uint8_t> ReadAll(const char *path) {
    KrzFileStream s;
    if (OpenArchiveFile(&s, &archive_, path, 0) < 0) return Bytes("<fail>");
    std::vector<uint8_t> out(static_cast<size_t>(s.size) + 1);
    const int got = ReadArchiveFile(&s, out.data(), static_cast<int>(out.size()));
    out.resize(static_cast<size_t>(got));
    CloseArchiveFile(&s);
    return out;
  }
  KrzArchive archive_;
  std::vector<uint8_t> image_;
  int files_ = 0;
};

std::vector<KrzWriteEntry> SampleTree(bool packed) {
  return {ArchiveFile("Readme.txt", Bytes("hello archive"), packed),
          ArchiveFile("Graph/Ball.png", MakeImageSample(16, 16), packed),
          ArchiveFile("Graph/Deep/Nested/leaf.bin", MakeTextSample(5000, 3), packed),
          ArchiveFile("empty.dat", {}, packed),
          ArchiveFile("Sound/noise.raw", MakeRandomSample(3000, 9), packed)};
}

struct FormCase {
  int version;
  const char *keyString;
  bool alternateKey;
  bool packed;
};

TEST_F(ReaderTest, EveryVersionKeyAndStorageFormReadsBackWhatWasWritten) {
  const FormCase cases[] = {
      {0, nullptr, false, false}, {1, nullptr, true, false},   {2, nullptr, false, true},
      {2, "secret", false, false}, {3, "k", false, true},      {3, nullptr, true, true},
      {4, "a key longer than twelve bytes", false, true},      {4, "", false, false}};
  for (const FormCase &c : cases) {
    for (OpenMode mode : {STREAMED, TO_MEMORY, TO_MEMORY_ASYNC, CALLER_IMAGE}) {
      SCOPED_TRACE(testing::Message() << "version " << c.version << " key "
                                      << (c.keyString ? c.keyString : "(none)") << " alt "
                                      << c.alternateKey << " packed " << c.packed << " mode "
                                      << mode);
      KrzWriteOptions o;
      o.version = c.version;
      o.keyString = c.keyString;
      o.alternateKey = c.alternateKey;
      const std::vector<KrzWriteEntry> tree = SampleTree(c.packed);
      const std::vector<uint8_t> image = WriteKrzArchive(tree, o);
      const char *key = c.alternateKey ? nullptr : c.keyString;
      ASSERT_EQ(Open(image, mode, key), 0);
      for (const KrzWriteEntry &e : tree) {
        EXPECT_EQ(ReadAll(e.path.c_str()), e.data) << e.path;
      }
      CloseArchive(&archive_);
      if (mode == CALLER_IMAGE) {
        EXPECT_EQ(image_, image) << "the caller image is scrambled back";
      }
    }
  }
}

TEST_F(ReaderTest, AWrongKeyStringOrADamagedMagicIsRefused) {
  KrzWriteOptions o;
  o.keyString = "right";
  const std::vector<uint8_t> image = WriteKrzArchive(SampleTree(false), o);
  EXPECT_EQ(Open(image, STREAMED, "wrong"), -1);
  EXPECT_EQ(Open(image, CALLER_IMAGE, "wrong"), -1);
  EXPECT_EQ(image_, image) << "a refused image is left as it was";
  EXPECT_FALSE(IsArchiveOpen(&archive_));
  // An empty key string is the default key.
  o.keyString = "";
  EXPECT_EQ(Open(WriteKrzArchive(SampleTree(false), o), STREAMED, nullptr), 0);
}

TEST_F(ReaderTest, AVersionAboveFourIsRefused) {
  KrzWriteOptions o;
  o.scramble = false;
  std::vector<uint8_t> image = WriteKrzArchive(SampleTree(false), o);
  image[2] = 5;
  ScrambleKrzImage(image, o);
  EXPECT_EQ(Open(image, STREAMED), -1);
  EXPECT_EQ(Open(image, CALLER_IMAGE), -1);
  EXPECT_EQ(image_, image);
}

TEST_F(ReaderTest, LookupsIgnoreCaseAndSeparatorKindAndTellFilesFromFolders) {
  ASSERT_EQ(Open(WriteKrzArchive(SampleTree(false), KrzWriteOptions()), STREAMED), 0);
  const int64_t entry = FindArchiveFileEntry("GRAPH\\BALL.PNG", &archive_);
  ASSERT_GE(entry, 0);
  EXPECT_EQ(FindArchiveFileEntry("graph/ball.png", &archive_), entry);
  EXPECT_EQ(FindArchiveFileEntry("\\Graph\\.\\Ball.png", &archive_), entry);
  EXPECT_EQ(FindArchiveFileEntry("Graph\\Deep\\..\\Ball.png", &archive_), entry);
  EXPECT_EQ(FindArchiveFileEntry("Graph", &archive_), -1) << "a folder is not a file";
  EXPECT_EQ(FindArchiveFileEntry("Graph\\", &archive_), -1);
  EXPECT_EQ(FindArchiveFileEntry("Graph\\Missing.png", &archive_), -1);
  EXPECT_EQ(FindArchiveFileEntry("Readme.txt\\Ball.png", &archive_), -1)
      << "a file name used as a folder does not find the file";
  EXPECT_EQ(FindArchiveFileEntry("Nope\\Ball.png", &archive_), -1);
}

TEST_F(ReaderTest, ChangeDirWalksAndRestoresOnlyWhenAsked) {
  ASSERT_EQ(Open(WriteKrzArchive(SampleTree(false), KrzWriteOptions()), TO_MEMORY), 0);
  EXPECT_EQ(ArchiveChangeDir(&archive_, "..", 1, nullptr), -1) << "no parent at the root";
  ASSERT_EQ(ArchiveChangeDir(&archive_, "graph\\deep", 1, nullptr), 0);
  EXPECT_GE(FindArchiveFileEntry("nested\\LEAF.BIN", &archive_), 0);
  ASSERT_EQ(ArchiveChangeDir(&archive_, "..", 1, nullptr), 0);
  EXPECT_GE(FindArchiveFileEntry("ball.png", &archive_), 0);
  KrzNameKey key;
  EXPECT_EQ(ArchiveChangeDir(&archive_, "deep\\missing\\x", 1, &key), -1);
  EXPECT_EQ(memcmp(key.name, "MISSING\0", 8), 0) << "the key of the component that failed";
  EXPECT_GE(FindArchiveFileEntry("ball.png", &archive_), 0) << "restored";
  EXPECT_EQ(ArchiveChangeDir(&archive_, "deep\\missing", 0, nullptr), -1);
  EXPECT_GE(FindArchiveFileEntry("nested\\leaf.bin", &archive_), 0) << "left where it stopped";
  ASSERT_EQ(ArchiveChangeDir(&archive_, "/", 1, nullptr), 0);
  EXPECT_GE(FindArchiveFileEntry("readme.txt", &archive_), 0);
}

TEST_F(ReaderTest, DoubleByteNamesKeepTheirBytesAndTheirTrailBackslash) {
  // 0x83 0x5C is one Shift-JIS character whose second byte is '\\'; the
  // lower-case 'a' after it is a letter of its own.
  const std::string folder = "\x83\x5C" "dir";
  const std::string name = "\x83\x5C" "a.txt";
  const std::string caps = "\x83\x5C" "A.TXT";
  KrzWriteOptions o;
  o.version = 4;
  o.codePage = 932;
  ASSERT_EQ(Open(WriteKrzArchive({ArchiveFile(folder + "\\" + name, Bytes("sjis"))}, o), STREAMED),
            0);
  EXPECT_EQ(archive_.charSet, 1);
  EXPECT_EQ(ReadAll((folder + "\\" + caps).c_str()), Bytes("sjis"));
  FindFileInfo info;
  KrzFindRecord *find = ArchiveFindFirstEntry(&archive_, (folder + "\\*.TXT").c_str(), &info);
  ASSERT_NE(find, nullptr);
  EXPECT_STREQ(info.name, name.c_str()) << "found under the name as written";
  ArchiveFindClose(find);
}

TEST_F(ReaderTest, CodePagesSelectTheCharacterSet) {
  const struct { uint32_t codePage; int charSet; } cases[] = {
      {932, 1}, {949, 2}, {950, 3}, {936, 4}, {1252, 0}};
  for (const auto &c : cases) {
    KrzWriteOptions o;
    o.version = 4;
    o.codePage = c.codePage;
    ASSERT_EQ(Open(WriteKrzArchive(SampleTree(false), o), CALLER_IMAGE), 0);
    EXPECT_EQ(archive_.charSet, c.charSet) << c.codePage;
    CloseArchive(&archive_);
  }
  ASSERT_EQ(Open(WriteKrzArchive(SampleTree(false), KrzWriteOptions()), CALLER_IMAGE), 0);
  EXPECT_EQ(archive_.charSet, 0) << "before version 4 the default set";
}

std::vector<std::string> FindAll(KrzArchive *archive, const char *pattern) {
  std::vector<std::string> names;
  FindFileInfo info;
  KrzFindRecord *find = ArchiveFindFirstEntry(archive, pattern, &info);
  if (!find) return names;
  do {
    names.push_back(info.name);
  } while (ArchiveFindNextEntry(find, &info) == 0);
  ArchiveFindClose(find);
  return names;
}

TEST_F(ReaderTest, FindListsDotsThenEntriesAndFiltersByPattern) {
  std::vector<KrzWriteEntry> tree = SampleTree(false);
  tree.push_back(ArchiveFile("Graph/Wall.png", Bytes("w")));
  tree.push_back(ArchiveFile("Graph/notes.txt", Bytes("n")));
  ASSERT_EQ(Open(WriteKrzArchive(tree, KrzWriteOptions()), STREAMED), 0);
  using V = std::vector<std::string>;
  EXPECT_EQ(FindAll(&archive_, "*"), (V{".", "Readme.txt", "Graph", "empty.dat", "Sound"}));
  EXPECT_EQ(FindAll(&archive_, "graph\\*"), (V{".", "..", "Ball.png", "Deep", "Wall.png", "notes.txt"}));
  EXPECT_EQ(FindAll(&archive_, "Graph/*.png"), (V{"Ball.png", "Wall.png"}));
  EXPECT_EQ(FindAll(&archive_, "\\graph\\?all.*"), (V{"Ball.png", "Wall.png"}));
  EXPECT_EQ(FindAll(&archive_, "Graph\\*.bmp"), V{});
  EXPECT_EQ(FindAll(&archive_, "Missing\\*"), V{});

  FindFileInfo info;
  KrzFindRecord *find = ArchiveFindFirstEntry(&archive_, "Graph\\B*", &info);
  ASSERT_NE(find, nullptr);
  EXPECT_EQ(info.isDirectory, 0);
  EXPECT_EQ(info.size, 16u * 16u * 4u);
  ArchiveFindClose(find);
  find = ArchiveFindFirstEntry(&archive_, "Deep*", &info);
  EXPECT_EQ(find, nullptr) << "Deep is not in the root";
  find = ArchiveFindFirstEntry(&archive_, "Gr*", &info);
  ASSERT_NE(find, nullptr);
  EXPECT_EQ(info.isDirectory, 1);
  ArchiveFindClose(find);
}

TEST_F(ReaderTest, FindReportsTheStoredLastWriteTime) {
  KrzWriteEntry e = ArchiveFile("t.txt", Bytes("t"));
  // 2001-01-01 00:00:00 UTC; local time may move the hour but not the year.
  e.lastWriteTime = 126227808000000000ULL;
  ASSERT_EQ(Open(WriteKrzArchive({e}, KrzWriteOptions()), STREAMED), 0);
  FindFileInfo info;
  KrzFindRecord *find = ArchiveFindFirstEntry(&archive_, "T.TXT", &info);
  ASSERT_NE(find, nullptr);
  EXPECT_TRUE(info.lastWriteTime.year == 2001 || info.lastWriteTime.year == 2000);
  ArchiveFindClose(find);
}

TEST(ArchiveWildcard, FollowsTheMatchRules) {
  const struct { const char *name, *pattern; int match; } cases[] = {
      {"A", "A*", 1},           {"ABC", "A*", 1},         {"ABC", "*", 1},
      {"ABC", "*C", 1},         {"ABC", "A?C", 1},        {"ABC", "A??C", 0},
      {"AB", "ABC", 0},         {"ABC", "AB", 0},         {"", "*", 1},
      {"", "", 1},              {"X.PNG", "*.PNG", 1},    {"X.PNG.BAK", "*.PNG", 0},
      {"AXBXC", "A*XC", 0},     {"ABC", "A**C", 1},       {"\x83\x5C" "A", "\x83\x5C?", 1},
      {"\x83\x5D", "\x83\x5C", 0}, {"\x83\x5C" "\x5C", "*\x5C", 1}};
  for (const auto &c : cases) {
    EXPECT_EQ(MatchArchiveWildcard(c.name, c.pattern, 1), c.match) << c.name << " / " << c.pattern;
  }
}

TEST_F(ReaderTest, PackedFileReadInPiecesSeekAndEnd) {
  const std::vector<uint8_t> text = MakeTextSample(4000, 1);
  ASSERT_EQ(Open(WriteKrzArchive({ArchiveFile("t.txt", text, true)}, KrzWriteOptions()), STREAMED),
            0);
  KrzFileStream s;
  ASSERT_EQ(OpenArchiveFile(&s, &archive_, "T.TXT", 0), 0);
  std::vector<uint8_t> got;
  uint8_t piece[333];
  for (int n; (n = ReadArchiveFile(&s, piece, sizeof(piece))) > 0;) got.insert(got.end(), piece, piece + n);
  EXPECT_EQ(got, text);
  EXPECT_EQ(ArchiveFileEof(&s), -1);
  EXPECT_EQ(ReadArchiveFile(&s, piece, 1), 0);
  EXPECT_EQ(SeekArchiveFile(&s, -10, 2), 0);
  EXPECT_EQ(ArchiveFileEof(&s), 0);
  EXPECT_EQ(TellArchiveFile(&s), 3990);
  EXPECT_EQ(ReadArchiveFile(&s, piece, 100), 10) << "cut to what is left";
  EXPECT_EQ(ArchiveFileEof(&s), 0) << "reading exactly to the end does not set the flag";
  EXPECT_EQ(SeekArchiveFile(&s, -5, 0), 0);
  EXPECT_EQ(TellArchiveFile(&s), 0);
  EXPECT_EQ(SeekArchiveFile(&s, 10, 2), 0);
  EXPECT_EQ(TellArchiveFile(&s), 4000);
  EXPECT_EQ(CompleteArchiveFileRead(&s), 1);
  CloseArchiveFile(&s);
}

TEST_F(ReaderTest, LocateGivesTheAbsoluteOffsetOfAPlainFile) {
  ASSERT_EQ(Open(WriteKrzArchive(SampleTree(false), KrzWriteOptions()), CALLER_IMAGE), 0);
  int offset = 0, size = 0;
  ASSERT_EQ(LocateArchiveFile(&archive_, "readme.txt", &offset, &size), 0);
  ASSERT_EQ(size, 13);
  EXPECT_EQ(memcmp(GetArchiveImage(&archive_) + offset, "hello archive", 13), 0);
  EXPECT_EQ(LocateArchiveFile(&archive_, "graph", &offset, &size), -1);
}

TEST_F(ReaderTest, TooLongNamesAndPatternsFailTheLookup) {
  ASSERT_EQ(Open(WriteKrzArchive(SampleTree(false), KrzWriteOptions()), STREAMED), 0);
  const std::string longName(1024, 'A');
  EXPECT_EQ(FindArchiveFileEntry(longName.c_str(), &archive_), -1);
  EXPECT_EQ(FindArchiveFileEntry(std::string(1023, 'A').c_str(), &archive_), -1);
  FindFileInfo info;
  EXPECT_EQ(ArchiveFindFirstEntry(&archive_, (std::string(300, 'A') + "*").c_str(), &info), nullptr);
}

TEST_F(ReaderTest, TwoThreadsReadTwoEntriesOfOneStreamedArchive) {
  const std::vector<uint8_t> a = MakeRandomSample(200000, 1), b = MakeRandomSample(200000, 2);
  ASSERT_EQ(Open(WriteKrzArchive({ArchiveFile("a", a), ArchiveFile("b", b)}, KrzWriteOptions()),
                 STREAMED),
            0);
  KrzFileStream sa, sb;
  ASSERT_EQ(OpenArchiveFile(&sa, &archive_, "a", 0), 0);
  ASSERT_EQ(OpenArchiveFile(&sb, &archive_, "b", 0), 0);
  // Small reads, so the two threads' seeks and reads interleave many times.
  auto reader = [](KrzFileStream *s, std::vector<uint8_t> *out) {
    uint8_t piece[97];
    for (int n; (n = ReadArchiveFile(s, piece, sizeof(piece))) > 0;) out->insert(out->end(), piece, piece + n);
  };
  std::vector<uint8_t> gotA, gotB;
  std::thread ta(reader, &sa, &gotA), tb(reader, &sb, &gotB);
  ta.join();
  tb.join();
  EXPECT_TRUE(gotA == a);
  EXPECT_TRUE(gotB == b);
  CloseArchiveFile(&sa);
  CloseArchiveFile(&sb);
}

// ---- damaged archives ----

// Every proper prefix of an archive: it is refused, or every lookup and
// read stays within it.
TEST_F(ReaderTest, TruncatedArchivesAreRefusedOrReadSafely) {
  KrzWriteOptions o;
  o.version = 4;
  const std::vector<KrzWriteEntry> tree = SampleTree(true);
  const std::vector<uint8_t> whole = WriteKrzArchive(tree, o);
  for (size_t length = 0; length < whole.size(); length += (length < 64 ? 1 : 97)) {
    for (OpenMode mode : {STREAMED, CALLER_IMAGE}) {
      const std::vector<uint8_t> cut(whole.begin(), whole.begin() + static_cast<long>(length));
      if (Open(cut, mode) == 0) {
        for (const KrzWriteEntry &e : tree) ReadAll(e.path.c_str());
        FindAll(&archive_, "*");
        FindAll(&archive_, "Graph\\Deep\\*");
      }
      CloseArchive(&archive_);
      if (mode == CALLER_IMAGE) {
        ASSERT_EQ(image_, cut) << length;
      }
    }
  }
  // The head block sits at the end: any cut into it refuses the archive.
  KrzWriteLayout layout;
  WriteKrzArchive(tree, o, &layout);
  const std::vector<uint8_t> cut(whole.begin(), whole.end() - 1);
  EXPECT_EQ(Open(cut, STREAMED), -1);
}

enum Field { HEAD_SIZE, HEAD_START, FILE_TABLE, DIR_TABLE, DATA_START, ENTRY_NAME, ENTRY_DATA,
             ENTRY_SIZE, ENTRY_PACKED, ROOT_COUNT, ROOT_FIRST, SUBDIR_OFFSET, NAME_WORDS,
             LZ_UNPACKED, LZ_PACKED };

struct Damage {
  const char *what;
  Field field;
  uint32_t value;
  bool refusedAtOpen;
};

void Put32(std::vector<uint8_t> &image, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) image[at + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t Get32(const std::vector<uint8_t> &image, size_t at) {
  return image[at] | image[at + 1] << 8 | image[at + 2] << 16 | static_cast<uint32_t>(image[at + 3]) << 24;
}

// Writes value into one field of the plain image of a one-file archive
// (entry 0 "Dir", a folder holding entry 1 "f.bin", packed).
void ApplyDamage(std::vector<uint8_t> &image, const KrzWriteLayout &l, const Damage &d) {
  const size_t fileTable = l.headStart + l.fileTableOffset;
  const size_t file = fileTable + l.entryOffsets[1];
  const size_t data = l.dataStart + Get32(image, file + 32);
  switch (d.field) {
    case HEAD_SIZE: Put32(image, 4, d.value); break;
    case HEAD_START: Put32(image, 12, d.value); break;
    case FILE_TABLE: Put32(image, 16, d.value); break;
    case DIR_TABLE: Put32(image, 20, d.value); break;
    case DATA_START: Put32(image, 8, d.value); break;
    case ENTRY_NAME: Put32(image, file, d.value); break;
    case ENTRY_DATA: Put32(image, file + 32, d.value); break;
    case ENTRY_SIZE: Put32(image, file + 36, d.value); break;
    case ENTRY_PACKED: Put32(image, file + 40, d.value); break;
    case ROOT_COUNT: Put32(image, l.headStart + l.dirTableOffset + 8, d.value); break;
    case ROOT_FIRST: Put32(image, l.headStart + l.dirTableOffset + 12, d.value); break;
    case SUBDIR_OFFSET: Put32(image, fileTable + l.entryOffsets[0] + 32, d.value); break;
    case NAME_WORDS: image[l.headStart + Get32(image, file)] = static_cast<uint8_t>(d.value); break;
    case LZ_UNPACKED: Put32(image, data, d.value); break;
    case LZ_PACKED: Put32(image, data + 4, d.value); break;
  }
}

TEST_F(ReaderTest, DamagedFieldsAreRefusedNeverTrusted) {
  const Damage damages[] = {
      {"head block larger than the archive", HEAD_SIZE, 0x7FFFFFF0u, true},
      {"head block starting past the end", HEAD_START, 0xFFFFFFF0u, true},
      {"file table past the head block", FILE_TABLE, 0x10000000u, true},
      {"directory table past the head block", DIR_TABLE, 0xFFFFFFFFu, true},
      {"data start past the end", DATA_START, 0x7FFFFFFFu, true},
      {"name offset past the head block", ENTRY_NAME, 0xFFFFFFF0u, false},
      {"data offset past the end", ENTRY_DATA, 0xFFFFFFF0u, false},
      {"huge unpacked size", ENTRY_SIZE, 0x7FFFFFFFu, false},
      {"size past int", ENTRY_SIZE, 0x80000001u, false},
      {"packed size past the end", ENTRY_PACKED, 0x7FFFFFF0u, false},
      {"packed size below a block header", ENTRY_PACKED, 3, false},
      {"entry count past the file table", ROOT_COUNT, 0x40000000u, false},
      {"first entry past the file table", ROOT_FIRST, 0xFFFFFFF0u, false},
      {"folder pointing past the directory table", SUBDIR_OFFSET, 0xFFFFFFF0u, false},
      {"name longer than the head block", NAME_WORDS, 0xFF, false},
      {"block claiming another unpacked size", LZ_UNPACKED, 12345, false},
      {"block claiming another packed size", LZ_PACKED, 10, false}};
  KrzWriteOptions o;
  o.scramble = false;
  const std::vector<KrzWriteEntry> tree = {ArchiveFile("Dir/f.bin", MakeTextSample(2000, 5), true)};
  KrzWriteLayout layout;
  const std::vector<uint8_t> plain = WriteKrzArchive(tree, o, &layout);
  for (const Damage &d : damages) {
    for (OpenMode mode : {STREAMED, CALLER_IMAGE}) {
      SCOPED_TRACE(testing::Message() << d.what << " mode " << mode);
      std::vector<uint8_t> image = plain;
      ApplyDamage(image, layout, d);
      ScrambleKrzImage(image, o);
      const int opened = Open(image, mode);
      if (d.refusedAtOpen) {
        EXPECT_EQ(opened, -1);
        continue;
      }
      ASSERT_EQ(opened, 0);
      EXPECT_EQ(ReadAll("Dir\\f.bin"), Bytes("<fail>"));
      FindAll(&archive_, "Dir\\*");
      CloseArchive(&archive_);
    }
  }
}

}  // namespace

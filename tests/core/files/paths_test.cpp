// Full, split and relative paths, byte and UTF-16 forms. "\x95\x5C" is a
// Shift-JIS character whose second byte is the backslash's value.
#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <vector>

#include "core/base/platform.h"
#include "core/files/file_access.h"
#include "core/files/paths.h"

namespace {

#define DBCS "\x95\x5C"

// The ASCII cases also run through the UTF-16 forms.
bool IsAscii(const char *s) {
  for (; s && *s; ++s) {
    if (static_cast<unsigned char>(*s) >= 0x80) return false;
  }
  return true;
}

std::u16string Widen(const char *s) { return std::u16string(s, s + strlen(s)); }

struct FullPathCase {
  const char *path;
  const char *currentDir;
  const char *expected;  // null: the call fails
};

const FullPathCase kFullPathCases[] = {
    {"..\\b\\.\\c.txt", "E:\\x\\y", "E:\\x\\b\\c.txt"},
    {"\\d.txt", "E:\\x\\y", "E:\\d.txt"},
    {"/d.txt", "E:\\x\\y", "E:\\d.txt"},
    {"F:e.txt", "E:\\x\\y", "F:\\e.txt"},
    {"f:\\E.txt", "E:\\x\\y", "f:\\E.txt"},
    {"..", "E:\\", "E:"},
    {"..\\..\\..\\..", "E:\\x\\y", "E:"},
    {"a/b//c/", "E:\\x\\y\\", "E:\\x\\y\\a\\b\\c"},
    {"", "E:\\x\\y", "E:\\x\\y"},
    {nullptr, "E:\\x\\y", "E:\\x\\y"},
    {"\\\\srv\\share\\f.txt", "E:\\x", "\\\\srv\\share\\f.txt"},
    {"//srv/share/../f.txt", "E:\\x", "\\\\srv\\f.txt"},
    {"\\d.txt", "\\\\srv\\share", "\\\\srv\\d.txt"},
    {"a", "E:\\" DBCS, "E:\\" DBCS "\\a"},
    {"..\\c", "E:\\x\\" DBCS, "E:\\x\\c"},
    {DBCS "\\..\\b", "E:\\x", "E:\\x\\b"},
    {DBCS "\\" DBCS, "E:", "E:\\" DBCS "\\" DBCS},
};

TEST(PathTest, MakeFullPath) {
  for (const FullPathCase &c : kFullPathCases) {
    SCOPED_TRACE(c.path ? c.path : "(null)");
    char out[PATH_BUFFER_SIZE];
    EXPECT_EQ(MakeFullPath(c.path, out, c.currentDir), c.expected ? 0 : -1);
    EXPECT_STREQ(out, c.expected ? c.expected : "");
    if (!IsAscii(c.path) || !IsAscii(c.currentDir)) continue;
    char16_t wideOut[PATH_BUFFER_SIZE];
    const std::u16string path = c.path ? Widen(c.path) : u"";
    EXPECT_EQ(MakeFullPathW(c.path ? path.c_str() : nullptr, wideOut,
                            Widen(c.currentDir).c_str()),
              0);
    EXPECT_EQ(std::u16string(wideOut), Widen(c.expected));
  }
}

TEST(PathTest, OutputsNeverPassTheirBound) {
  const std::string longName(300, 'a');
  const std::string almostFull = "E:\\" + std::string(250, 'b');
  char out[PATH_BUFFER_SIZE + 16];
  memset(out, '#', sizeof(out));
  EXPECT_EQ(MakeFullPath(longName.c_str(), out, "E:\\"), -1);
  EXPECT_STREQ(out, "");
  EXPECT_EQ(out[PATH_BUFFER_SIZE], '#');
  EXPECT_EQ(MakeFullPath("cdefghijk", out, almostFull.c_str()), -1);
  // 3 + 250 + 1 + 5 = 259 characters still fit with the terminator.
  EXPECT_EQ(MakeFullPath("cdefg", out, almostFull.c_str()), 0);
  EXPECT_EQ(strlen(out), 259u);
  EXPECT_EQ(MakeFullPath("..\\x", out, (almostFull + "\\" + longName).c_str()), -1)
      << "too long a current directory fails even when '..' would shorten it";

  char name[PATH_BUFFER_SIZE], dir[PATH_BUFFER_SIZE];
  EXPECT_EQ(SplitDirAndFileName(("d\\" + longName).c_str(), name, dir), -1);
  EXPECT_EQ(SplitDirAndFileName(("d\\" + longName).c_str(), nullptr, dir), -1);
  EXPECT_EQ(GetPathElement(longName.c_str(), name), -1);
  EXPECT_EQ(MakeRelativePath(("E:\\" + longName).c_str(), "E:\\", name), -1);
}

struct SplitCase {
  const char *path;
  const char *fileName;
  const char *dir;
};

const SplitCase kSplitCases[] = {
    {"abc", "abc", ""},
    {"E:\\a\\b.txt", "b.txt", "E:\\a"},
    {"a/b", "b", "a"},
    {"E:b", "b", "E"},
    {"\\x", "x", ""},
    {"dir\\", "", "dir"},
    {"dir\\" DBCS, DBCS, "dir"},
    {DBCS "\\x", "x", DBCS},
    {DBCS, DBCS, ""},
};

TEST(PathTest, SplitDirAndFileName) {
  for (const SplitCase &c : kSplitCases) {
    SCOPED_TRACE(c.path);
    char name[PATH_BUFFER_SIZE], dir[PATH_BUFFER_SIZE];
    EXPECT_EQ(SplitDirAndFileName(c.path, name, dir), 0);
    EXPECT_STREQ(name, c.fileName);
    EXPECT_STREQ(dir, c.dir);
    EXPECT_EQ(SplitDirAndFileName(c.path, nullptr, dir), 0);
    EXPECT_EQ(SplitDirAndFileName(c.path, name, nullptr), 0);
    if (!IsAscii(c.path)) continue;
    char16_t wideName[PATH_BUFFER_SIZE], wideDir[PATH_BUFFER_SIZE];
    EXPECT_EQ(SplitDirAndFileNameW(Widen(c.path).c_str(), wideName, wideDir), 0);
    EXPECT_EQ(std::u16string(wideName), Widen(c.fileName));
    EXPECT_EQ(std::u16string(wideDir), Widen(c.dir));
  }
}

struct ElementCase {
  const char *path;
  const char *root;
  const char *first;
};

const ElementCase kElementCases[] = {
    {"E:\\a\\b", "E:", "E:"},
    {"\\\\srv\\share\\a", "\\\\srv", ""},
    {"/x/y", "/x", ""},
    {"abc/def", "abc", "abc"},
    {"", "", ""},
    {DBCS "\\x", DBCS, DBCS},
};

TEST(PathTest, RootAndFirstElements) {
  for (const ElementCase &c : kElementCases) {
    SCOPED_TRACE(c.path);
    char out[PATH_BUFFER_SIZE];
    EXPECT_EQ(GetPathRootElement(c.path, out), static_cast<int>(strlen(c.root)));
    EXPECT_STREQ(out, c.root);
    EXPECT_EQ(GetPathElement(c.path, out), static_cast<int>(strlen(c.first)));
    EXPECT_STREQ(out, c.first);
    if (!IsAscii(c.path)) continue;
    char16_t wide[PATH_BUFFER_SIZE];
    EXPECT_EQ(GetPathRootElementW(Widen(c.path).c_str(), wide), static_cast<int>(strlen(c.root)));
    EXPECT_EQ(std::u16string(wide), Widen(c.root));
    EXPECT_EQ(GetPathElementW(Widen(c.path).c_str(), wide), static_cast<int>(strlen(c.first)));
    EXPECT_EQ(std::u16string(wide), Widen(c.first));
  }
}

struct RelativeCase {
  const char *file;
  const char *base;
  const char *expected;
};

const RelativeCase kRelativeCases[] = {
    {"E:\\a\\t\\x.png", "E:\\a\\m\\", "..\\t\\x.png"},
    {"E:\\a\\t\\x.png", "E:\\a\\t", "x.png"},
    {"E:\\a\\t\\x.png", "F:\\a", "E:\\a\\t\\x.png"},
    {"E:\\a\\t\\x.png", "E:\\a\\t\\u", "..\\x.png"},
    {"E:\\a\\t\\x.png", "E:\\", "a\\t\\x.png"},
    {"E:\\a\\t\\x.png", "E:\\b\\c", "..\\..\\a\\t\\x.png"},
    {"E:\\a\\t\\x.png", "E:\\A\\t", "..\\..\\a\\t\\x.png"},
    {"E:/a/./t/../t/x.png", "E:/a/t/", "x.png"},
    {"E:\\x.png", "E:\\a\\b", "..\\..\\x.png"},
    {"E:\\ab\\x.png", "E:\\a", "..\\ab\\x.png"},
    {"e:\\a\\x.png", "E:\\a", "e:\\a\\x.png"},
    {"\\\\srv\\share\\a.txt", "\\\\srv\\share", "a.txt"},
    {"\\\\srv\\share\\a.txt", "\\\\other\\share", "\\\\srv\\share\\a.txt"},
    {"E:\\" DBCS "\\x.png", "E:\\" DBCS, "x.png"},
    {"E:\\" DBCS "\\x.png", "E:\\" DBCS "\\y", "..\\x.png"},
    {"E:\\" DBCS "\\x.png", "E:\\" "\x95", "..\\" DBCS "\\x.png"},
};

TEST(PathTest, MakeRelativePath) {
  for (const RelativeCase &c : kRelativeCases) {
    SCOPED_TRACE(std::string(c.file) + " from " + c.base);
    char out[PATH_BUFFER_SIZE];
    EXPECT_EQ(MakeRelativePath(c.file, c.base, out), 0);
    EXPECT_STREQ(out, c.expected);
    if (!IsAscii(c.file) || !IsAscii(c.base)) continue;
    char16_t wide[PATH_BUFFER_SIZE];
    EXPECT_EQ(MakeRelativePathW(Widen(c.file).c_str(), Widen(c.base).c_str(), wide), 0);
    EXPECT_EQ(std::u16string(wide), Widen(c.expected));
  }
}

TEST(PathTest, SurrogatePairsAreOneCharacter) {
  // U+20BB7 is D842 DFB7; a pair is never cut or treated as two.
  const char16_t name[] = u"E:\\\xD842\xDFB7\\\xD842\xDFB7.txt";
  char16_t fileName[PATH_BUFFER_SIZE], dir[PATH_BUFFER_SIZE], out[PATH_BUFFER_SIZE];
  EXPECT_EQ(SplitDirAndFileNameW(name, fileName, dir), 0);
  EXPECT_EQ(std::u16string(fileName), u"\xD842\xDFB7.txt");
  EXPECT_EQ(std::u16string(dir), u"E:\\\xD842\xDFB7");
  EXPECT_EQ(MakeFullPathW(u"..\\a", out, dir), 0);
  EXPECT_EQ(std::u16string(out), u"E:\\a");
  EXPECT_EQ(MakeRelativePathW(name, u"E:\\\xD842\xDFB7\\q", out), 0);
  EXPECT_EQ(std::u16string(out), u"..\\\xD842\xDFB7.txt");
}

// The current directory comes from the file table when none is given.
int StubCurrentDir(char *buffer) {
  strcpy(buffer, "C:\\cur\\" DBCS);
  return 1;
}

TEST(PathTest, CurrentDirectoryFromTheFileTable) {
  FileAccessFunctions table = *GetFileAccessFunctions();
  table.getCurrentDir = StubCurrentDir;
  SelectStreamFunctions(&table);
  char out[PATH_BUFFER_SIZE];
  EXPECT_EQ(MakeFullPath("a.txt", out, nullptr), 0);
  EXPECT_STREQ(out, "C:\\cur\\" DBCS "\\a.txt");
  EXPECT_EQ(MakeFullPath(nullptr, out, nullptr), 0);
  EXPECT_STREQ(out, "C:\\cur\\" DBCS);
  EXPECT_EQ(MakeRelativePath("C:\\cur\\x.txt", ".", out), 0);
  EXPECT_STREQ(out, "..\\x.txt");
  char16_t wide[PATH_BUFFER_SIZE];
  EXPECT_EQ(MakeFullPathW(u"..\\a.txt", wide, nullptr), 0);
  EXPECT_EQ(std::u16string(wide), u"C:\\cur\\a.txt");
  SelectStreamFunctions(nullptr);
}

// The directory is the system's text: it is widened with the system's code
// page (Windows' ANSI page; 932 natively), whatever the framework's is. On
// Windows with code page 1252 the two bytes are two characters, the second
// a separator; in 932 they are one character.
TEST(PathTest, CurrentDirectoryIsWidenedWithTheSystemCodePage) {
  FileAccessFunctions table = *GetFileAccessFunctions();
  table.getCurrentDir = StubCurrentDir;
  SelectStreamFunctions(&table);
  char16_t wide[PATH_BUFFER_SIZE];
  EXPECT_EQ(MakeFullPathW(u"b", wide, nullptr), 0);
  const unsigned codePage = PlatformSystemCodePage();
  if (codePage == 932) {
    EXPECT_EQ(std::u16string(wide), u"C:\\cur\\\x8868\\b");
  } else if (codePage == 1252) {
    EXPECT_EQ(std::u16string(wide), u"C:\\cur\\\x2022\\b");
  } else {
    ADD_FAILURE() << "no expectation for code page " << codePage;
  }
  SelectStreamFunctions(nullptr);
}

// A directory that cannot be read must not turn a relative path into a
// root-relative one; paths that name their drive or server need none.
int FailingCurrentDir(char *buffer) {
  strcpy(buffer, "Z:\\stale");
  return -1;
}
int EmptyCurrentDir(char *buffer) {
  buffer[0] = '\0';
  return 0;
}

TEST(PathTest, UnreadableCurrentDirectoryFailsOnlyWhereItIsNeeded) {
  struct Case {
    const char *path;
    const char *expected;  // null: the call fails
  } const cases[] = {
      {"a.txt", nullptr},
      {"\\d.txt", nullptr},
      {nullptr, nullptr},
      {"", nullptr},
      {"C:\\x\\y.txt", "C:\\x\\y.txt"},
      {"\\\\srv\\s\\f", "\\\\srv\\s\\f"},
  };
  for (int (*getCurrentDir)(char *) : {FailingCurrentDir, EmptyCurrentDir}) {
    FileAccessFunctions table = *GetFileAccessFunctions();
    table.getCurrentDir = getCurrentDir;
    SelectStreamFunctions(&table);
    for (const Case &c : cases) {
      SCOPED_TRACE(c.path ? c.path : "(null)");
      char out[PATH_BUFFER_SIZE] = "unchanged";
      EXPECT_EQ(MakeFullPath(c.path, out, nullptr), c.expected ? 0 : -1);
      EXPECT_STREQ(out, c.expected ? c.expected : "");
      char16_t wide[PATH_BUFFER_SIZE] = u"unchanged";
      const std::u16string path = c.path ? Widen(c.path) : u"";
      EXPECT_EQ(MakeFullPathW(c.path ? path.c_str() : nullptr, wide, nullptr),
                c.expected ? 0 : -1);
      EXPECT_EQ(std::u16string(wide), c.expected ? Widen(c.expected) : u"");
    }
    SelectStreamFunctions(nullptr);
  }
}

}  // namespace

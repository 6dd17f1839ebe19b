// The cache of open archives: references, reuse, purging and its 512 slots.
#include <gtest/gtest.h>

#include "core/archive/archive_cache.h"
#include "core/archive/archive_fixtures.h"

namespace {

class CacheTest : public ArchiveTest {
 protected:
  void TearDown() override {
    for (int i = 0; i < KRZ_CACHE_SLOTS; ++i) {
      while (GetCachedArchiveReferences(i) > 0) ReleaseCachedArchive(i);
    }
    ResetArchiveCache();
    ArchiveTest::TearDown();
  }
  std::string WriteArchive(const std::string &name) {
    return Write(name, WriteKrzArchive({ArchiveFile("x.txt", Bytes(name))}, KrzWriteOptions()));
  }
};

TEST_F(CacheTest, OneEntryPerPathCountsReferencesAndPurgeClosesUnreferenced) {
  const std::string a = WriteArchive("a.krz"), b = WriteArchive("b.krz");
  const int ia = OpenCachedArchive(-1, a.c_str(), 0, 0);
  ASSERT_GE(ia, 0);
  EXPECT_EQ(OpenCachedArchive(-1, a.c_str(), 0, 0), ia);
  EXPECT_EQ(OpenCachedArchive(ia, a.c_str(), 0, 0), ia) << "the hint";
  EXPECT_EQ(GetCachedArchiveReferences(ia), 3);
  const int ib = OpenCachedArchive(ia, b.c_str(), 1, 1);
  ASSERT_GE(ib, 0);
  EXPECT_NE(ib, ia) << "a hint with another path is not taken";
  EXPECT_NE(GetArchiveImage(GetCachedArchive(ib)), nullptr) << "loaded whole";
  EXPECT_EQ(GetCachedArchiveCount(), 2);
  ReleaseCachedArchive(ib);
  ReleaseCachedArchive(ib);
  EXPECT_EQ(GetCachedArchiveReferences(ib), 0) << "never below 0";
  PurgeArchiveCache();
  EXPECT_EQ(GetCachedArchive(ib), nullptr);
  EXPECT_NE(GetCachedArchive(ia), nullptr) << "still referenced";
  EXPECT_EQ(GetCachedArchiveCount(), 1);
  EXPECT_EQ(OpenCachedArchive(-1, (dir_ / "missing.krz").string().c_str(), 0, 0), -1);
  EXPECT_EQ(GetCachedArchiveCount(), 1);
}

TEST_F(CacheTest, APathLongerThanTheCachePathFails) {
  const std::string path = (dir_ / std::string(300 - dir_.string().size(), 'p')).string();
  EXPECT_EQ(OpenCachedArchive(-1, path.c_str(), 0, 0), -1);
}

TEST_F(CacheTest, FiveHundredTwelveArchivesFillTheCacheAndAPurgeMakesRoom) {
  std::vector<std::string> paths;
  for (int i = 0; i <= KRZ_CACHE_SLOTS; ++i) paths.push_back(WriteArchive(std::to_string(i) + ".krz"));
  // Loaded whole, so no archive keeps a file open.
  for (int i = 0; i < KRZ_CACHE_SLOTS; ++i) {
    ASSERT_GE(OpenCachedArchive(-1, paths[static_cast<size_t>(i)].c_str(), 1, 0), 0) << i;
  }
  EXPECT_EQ(GetCachedArchiveCount(), KRZ_CACHE_SLOTS);
  EXPECT_EQ(OpenCachedArchive(-1, paths.back().c_str(), 1, 0), -1) << "full of referenced archives";
  ReleaseCachedArchive(7);
  const int index = OpenCachedArchive(-1, paths.back().c_str(), 1, 0);
  EXPECT_EQ(index, 7) << "the purge freed the unreferenced slot";
  EXPECT_EQ(GetCachedArchiveCount(), KRZ_CACHE_SLOTS);
}

}  // namespace

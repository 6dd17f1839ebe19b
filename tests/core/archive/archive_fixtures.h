// Archives for the archive tests: written by the project's KRZ writer into a
// temporary folder of their own.
#ifndef VELVANE_TESTS_ARCHIVE_FIXTURES_H
#define VELVANE_TESTS_ARCHIVE_FIXTURES_H

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/test_files.h"
#include "leak_check.h"
#include "tools/krz_write.h"
#include "tools/sample_data.h"

inline KrzWriteEntry ArchiveFile(const std::string &path, const std::vector<uint8_t> &data,
                                 bool packed = false) {
  KrzWriteEntry e;
  e.path = path;
  e.data = data;
  e.packed = packed;
  return e;
}

inline std::vector<uint8_t> Bytes(const std::string &text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}

// A temporary folder removed at the end of the test; leak-checked.
class ArchiveTest : public LeakCheckedTest {
 protected:
  void SetUp() override {
    static int counter = 0;
    dir_ = std::filesystem::temp_directory_path() /
           ("velvane-krz-" + std::to_string(counter++) + "-" +
            std::to_string(std::filesystem::file_time_type::clock::now().time_since_epoch().count()));
    std::filesystem::create_directories(dir_);
    LeakCheckedTest::SetUp();
  }
  void TearDown() override {
    LeakCheckedTest::TearDown();
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  // Writes bytes to name inside the folder and returns its path.
  std::string Write(const std::string &name, const std::vector<uint8_t> &bytes) {
    const std::filesystem::path path = dir_ / name;
    std::filesystem::create_directories(path.parent_path());
    static const uint8_t none = 0;
    WriteTestFile(path.string(), bytes.empty() ? &none : bytes.data(), bytes.size());
    return path.string();
  }
  std::filesystem::path dir_;
};

#endif  // VELVANE_TESTS_ARCHIVE_FIXTURES_H

// Writes the small files the file and stream tests open and read back.
#ifndef VELVANE_TESTS_TEST_FILES_H
#define VELVANE_TESTS_TEST_FILES_H

#include <gtest/gtest.h>
#include <stdio.h>

#include <string>
#include <vector>

// Creates (or replaces) path with size bytes of data; a failure fails the test.
inline void WriteTestFile(const std::string &path, const void *data, size_t size) {
  FILE *f = fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(fwrite(data, 1, size, f), size);
  fclose(f);
}

inline void WriteTestFile(const std::string &path, const std::vector<unsigned char> &data) {
  WriteTestFile(path, data.data(), data.size());
}

#endif  // VELVANE_TESTS_TEST_FILES_H

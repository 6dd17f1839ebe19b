// Points the log at a fresh temporary start directory for one test and reads
// back what was written.
#ifndef VELVANE_TESTS_LOG_CAPTURE_H
#define VELVANE_TESTS_LOG_CAPTURE_H

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "core/base/core_state.h"
#include "core/debug/log.h"

class LogCapture {
 public:
  LogCapture() {
    static int counter = 0;
    dir_ = std::filesystem::temp_directory_path() /
           ("velvane-log-" + std::to_string(counter++) + "-" + std::to_string(Stamp()));
    std::filesystem::create_directories(dir_);
    previous_ = GetStartDirectory();
    SetStartDirectory(dir_.string().c_str());
    SetLogOutputFlag(1);
    StartLogFile();
  }
  ~LogCapture() {
    SetStartDirectory(previous_.c_str());
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  // Starts the file afresh: empty, indent 0, a new line.
  void Clear() { StartLogFile(); }
  std::string Text() const {
    std::ifstream in(dir_ / GetLogFileName(), std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
  }
  const std::filesystem::path &Dir() const { return dir_; }

 private:
  static long long Stamp() {
    return static_cast<long long>(std::filesystem::file_time_type::clock::now()
                                      .time_since_epoch()
                                      .count());
  }
  std::filesystem::path dir_;
  std::string previous_;
};

#endif  // VELVANE_TESTS_LOG_CAPTURE_H

// Checks that need a process of their own: a second instance beside a
// running one, and the fatal exit. The DISABLED_ tests are the children's
// bodies; the parent runs them through RunChildTest.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "spine_support.h"
#include "velvane.h"

namespace {

const char kFatalText[] = "致命的な失敗 %d %s";

TEST(ChildProcess, SecondInstanceRefusesToStart) {
  EnterPrivateDirectory("first-instance");
  ASSERT_EQ(0, StartFrameworkWindowed());
  const std::string childDirectory = EnterPrivateDirectory("second-instance");
  EXPECT_EQ(0, RunChildTest("ChildBody.DISABLED_SecondInstance", childDirectory));
  EXPECT_EQ(0, PumpMessages());
  EXPECT_EQ(0, EndFramework());
}

TEST(ChildProcess, FatalErrorEndsTheProcessWithMinusOneAfterLogging) {
  const std::string childDirectory = EnterPrivateDirectory("fatal");
  EXPECT_EQ(-1, RunChildTest("ChildBody.DISABLED_FatalError", childDirectory));
  const std::vector<std::string> lines = ReadLogLines(childDirectory + "\\Log.txt");
  const int fatal = FindLine(lines, "致命的な失敗 7 xxxxxxxxxx*");
  ASSERT_GE(fatal, 0) << JoinLines(lines);
  // The text was cut to the 1024-byte buffer, not written past it.
  EXPECT_EQ(1023u, lines[fatal].size());
  const char *shutDown[] = {"ウインドウを閉じようとしています", "ソフトを終了する準備が整いました",
                            "ＣＯＭを終了... 完了", "Alloc memory dump",
                            "\tTotal size:0(0.000kb)  Alloc num:0"};
  int from = fatal;
  for (const char *line : shutDown) {
    from = FindLine(lines, line, from);
    EXPECT_GE(from, 0) << line << "\n" << JoinLines(lines);
    if (from < 0) break;
  }
}

TEST(ChildBody, DISABLED_SecondInstance) {
  EXPECT_EQ(-1, StartFrameworkWindowed());
  EXPECT_EQ(1, IsProgramEnding());
  EXPECT_EQ(nullptr, GetWindowHandle());
  const std::vector<std::string> lines = ReadLogLines();
  EXPECT_GE(FindLine(lines, " ソフトの二重起動検査... 二重起動されています、ソフトを終了します"), 0)
      << JoinLines(lines);
}

TEST(ChildBody, DISABLED_FatalError) {
  ASSERT_EQ(0, StartFrameworkWindowed());
  const std::string longText(2000, 'x');
  FatalErrorExitFormat(kFatalText, 7, longText.c_str());
}

}  // namespace

#include "core/debug/log.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "core/base/core_state.h"
#include "core/debug/log_text.h"
#include "core/log_capture.h"

namespace {

// Replaces the millisecond stamps at line starts with "T".
std::string MaskTimes(const std::string &text) {
  return std::regex_replace(text, std::regex("(^|\n)[0-9]+:"), "$1T:");
}

class LogTest : public testing::Test {
 protected:
  LogCapture log;
};

TEST_F(LogTest, OpenLineIsCompletedByTheNextText) {
  EXPECT_EQ(-1, WriteLogLine("abc"));
  WriteLogLine("def\n");
  EXPECT_EQ("T:abcdef\r\n", MaskTimes(log.Text()));
}

TEST_F(LogTest, IndentTabsFollowTheStamp) {
  IncreaseLogIndent();
  IncreaseLogIndent();
  WriteLogLine("x\n");
  DecreaseLogIndent();
  DecreaseLogIndent();
  DecreaseLogIndent();
  EXPECT_EQ(0, GetLogIndentLevel());
  WriteLogLine("y\n");
  EXPECT_EQ("T:\t\tx\r\nT:y\r\n", MaskTimes(log.Text()));
}

TEST_F(LogTest, IndentIsCapped) {
  for (int i = 0; i < 2000; i++) IncreaseLogIndent();
  EXPECT_EQ(LOG_MAX_INDENT, GetLogIndentLevel());
  WriteLogLine("deep\n");
  const std::string text = log.Text();
  EXPECT_EQ(std::string(LOG_MAX_INDENT, '\t') + "deep\r\n", text.substr(text.find(':') + 1));
  for (int i = 0; i < 2000; i++) DecreaseLogIndent();
}

// One call writes one stamp; the next call starts a new line after a final
// line feed.
TEST_F(LogTest, LineFeedExpansionStopsAtAnExistingCrLf) {
  struct Case {
    const char *in;
    const char *out;
  } cases[] = {
      {"a\nb\n", "T:a\r\nb\r\n"},
      {"a\r\nb\n", "T:a\r\nb\n"},
      {"a\nb\r\nc\nd", "T:a\r\nb\r\nc\nd"},
  };
  for (const Case &c : cases) {
    log.Clear();
    WriteLogLine(c.in);
    WriteLogLine("\n");
    std::string expected = std::string(c.out) + (std::string(c.out).back() == '\n' ? "T:\r\n" : "\r\n");
    EXPECT_EQ(expected, MaskTimes(log.Text())) << c.in;
  }
}

TEST_F(LogTest, DoubleByteTrailIsNotALineFeedAndFinalLeadStops) {
  // 0x82 0x0A is not a Shift-JIS character: the trail byte must not be read
  // past the terminator when the lead byte comes last.
  const char lone_lead[] = {'x', '\x82', '\0'};
  WriteLogLine(lone_lead);
  WriteLogLine("\n");
  EXPECT_EQ(std::string("T:x\x82\r\n"), MaskTimes(log.Text()));
}

TEST_F(LogTest, LongTextsAreWrittenWhole) {
  std::string text(5000, 'z');
  text += "\n";
  WriteLogLine(text.c_str());
  EXPECT_EQ("T:" + std::string(5000, 'z') + "\r\n", MaskTimes(log.Text()));
}

TEST_F(LogTest, FormattedLinesAreTruncatedNotOverrun) {
  std::string big(3000, 'q');
  EXPECT_EQ(-1, WriteLogLineFormat("%s", big.c_str()));
  const std::string text = MaskTimes(log.Text());
  EXPECT_EQ("T:" + std::string(LOG_FORMAT_BUFFER_SIZE - 2, 'q') + "\r\n", text);
}

TEST_F(LogTest, LogTextLeavesTheLineAsTheTextLeavesIt) {
  EXPECT_EQ(-1, WriteLogText("step %d ... ", 3));
  WriteLogText("%s\n", "ok");
  EXPECT_EQ("T:step 3 ... ok\r\n", MaskTimes(log.Text()));
  log.Clear();
  std::string big(3000, 'q');
  WriteLogText("%s", big.c_str());
  EXPECT_EQ("T:" + std::string(LOG_FORMAT_BUFFER_SIZE - 1, 'q'), MaskTimes(log.Text()));
}

TEST_F(LogTest, WideFormatConvertsToShiftJis) {
  WriteLogLineFormatW(u"%d:%s", 7, u"成功");
  EXPECT_EQ("T:7:\x90\xac\x8c\xf7\r\n", MaskTimes(log.Text()));
}

TEST_F(LogTest, NothingIsWrittenWhileSwitchedOff) {
  SetLogOutputFlag(0);
  WriteLogLine("hidden\n");
  SetLogOutputFlag(1);
  EXPECT_EQ("", log.Text());
}

TEST_F(LogTest, SwitchedOffAtStartCreatesNoFile) {
  std::filesystem::remove(log.Dir() / "Log.txt");
  SetLogOutputFlag(0);
  StartLogFile();
  WriteLogLine("x\n");
  SetLogOutputFlag(1);
  EXPECT_FALSE(std::filesystem::exists(log.Dir() / "Log.txt"));
}

TEST_F(LogTest, NoStartDirectoryWritesNothing) {
  const std::string dir = GetStartDirectory();
  SetStartDirectory("");
  EXPECT_EQ(-1, WriteLogLine("lost\n"));
  SetStartDirectory(dir.c_str());
  EXPECT_EQ("", log.Text());
}

TEST_F(LogTest, DatedNameFollowsLocalTime) {
  SetLogDatedName(1);
  StartLogFile();
  SetLogDatedName(0);
  EXPECT_TRUE(std::regex_match(std::string(GetLogFileName()),
                               std::regex("Log[0-9]{4}_[0-9]{1,2}_[0-9]{1,2}_[0-9]{1,2}_[0-9]{1,2}_[0-9]{1,2}\\.txt")))
      << GetLogFileName();
  StartLogFile();
  EXPECT_STREQ("Log.txt", GetLogFileName());
}

}  // namespace

// Shared pieces of the programs that start the framework: a private working
// folder (the log is written there), reading the log with its times
// masked, and running this program again as a child.
#ifndef VELVANE_TESTS_SPINE_SPINE_SUPPORT_H
#define VELVANE_TESTS_SPINE_SPINE_SUPPORT_H

#include <string>
#include <vector>

// Makes a fresh folder under the temporary folder and enters it; returns it.
std::string EnterPrivateDirectory(const char *name);
// The log's lines without their millisecond stamp and line ends.
std::vector<std::string> ReadLogLines(const std::string &path = "Log.txt");
// pattern matches line: '#' stands for a number (digits and a decimal
// point), a final '*' for any rest of the line.
bool LineMatches(const std::string &pattern, const std::string &line);
// The lines, one per line, for failure messages (Shift-JIS as written).
std::string JoinLines(const std::vector<std::string> &lines);
// Index of the first line at or after from matching pattern, or -1.
int FindLine(const std::vector<std::string> &lines, const std::string &pattern, int from = 0);
// Runs this program again with the given test filter (disabled tests
// included) in directory; returns its exit code, or -2 when it could not
// start or did not end within a minute.
long RunChildTest(const char *filter, const std::string &directory);
// Runs the framework start-up in window mode, keeping the window running
// while inactive, as most tests want.
int StartFrameworkWindowed(void);

#endif  // VELVANE_TESTS_SPINE_SPINE_SUPPORT_H

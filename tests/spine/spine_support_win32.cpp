#include "spine_support.h"

#include <windows.h>
#include <stdio.h>

#include <fstream>
#include <sstream>

#include "velvane.h"

std::string EnterPrivateDirectory(const char *name) {
  char temp[MAX_PATH];
  GetTempPathA(sizeof(temp), temp);
  char directory[MAX_PATH];
  snprintf(directory, sizeof(directory), "%svelvane-%s-%lu-%lu", temp, name,
           GetCurrentProcessId(), GetTickCount());
  CreateDirectoryA(directory, NULL);
  SetCurrentDirectoryA(directory);
  return directory;
}

std::vector<std::string> ReadLogLines(const std::string &path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream content;
  content << file.rdbuf();
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(content, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t digits = 0;
    while (digits < line.size() && line[digits] >= '0' && line[digits] <= '9') digits++;
    if (digits > 0 && digits < line.size() && line[digits] == ':') line.erase(0, digits + 1);
    lines.push_back(line);
  }
  return lines;
}

namespace {

bool IsNumberChar(char c) { return (c >= '0' && c <= '9') || c == '.'; }

}  // namespace

bool LineMatches(const std::string &pattern, const std::string &line) {
  size_t p = 0, l = 0;
  while (p < pattern.size()) {
    if (pattern[p] == '*' && p + 1 == pattern.size()) return true;
    if (pattern[p] == '#') {
      if (l >= line.size() || !IsNumberChar(line[l])) return false;
      while (l < line.size() && IsNumberChar(line[l])) l++;
      p++;
      continue;
    }
    if (l >= line.size() || pattern[p] != line[l]) return false;
    p++, l++;
  }
  return l == line.size();
}

std::string JoinLines(const std::vector<std::string> &lines) {
  std::string text;
  for (const std::string &line : lines) text += "  [" + line + "]\n";
  return text;
}

int FindLine(const std::vector<std::string> &lines, const std::string &pattern, int from) {
  for (int i = from; i < static_cast<int>(lines.size()); i++) {
    if (LineMatches(pattern, lines[i])) return i;
  }
  return -1;
}

long RunChildTest(const char *filter, const std::string &directory) {
  char program[MAX_PATH];
  GetModuleFileNameA(NULL, program, sizeof(program));
  std::string command = std::string("\"") + program +
                        "\" --gtest_also_run_disabled_tests --gtest_filter=" + filter;
  STARTUPINFOA startup;
  ZeroMemory(&startup, sizeof(startup));
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process;
  std::vector<char> line(command.begin(), command.end());
  line.push_back('\0');
  if (!CreateProcessA(program, line.data(), NULL, NULL, FALSE, 0, NULL, directory.c_str(),
                      &startup, &process)) {
    return -2;
  }
  CloseHandle(process.hThread);
  DWORD code = static_cast<DWORD>(-2);
  if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0) {
    GetExitCodeProcess(process.hProcess, &code);
  } else {
    TerminateProcess(process.hProcess, static_cast<UINT>(-2));
  }
  CloseHandle(process.hProcess);
  return static_cast<long>(static_cast<LONG>(code));
}

int StartFrameworkWindowed(void) {
  ChangeWindowMode(1);
  SetRunWhileInactive(1);
  return InitFramework();
}

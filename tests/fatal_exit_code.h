// The code of the framework's fatal exit (-1) as the parent process sees
// it, for death tests.
#ifndef VELVANE_TESTS_FATAL_EXIT_CODE_H
#define VELVANE_TESTS_FATAL_EXIT_CODE_H

#ifdef _WIN32
constexpr int kFatalExitCode = -1;
#else
constexpr int kFatalExitCode = 255;
#endif

#endif  // VELVANE_TESTS_FATAL_EXIT_CODE_H

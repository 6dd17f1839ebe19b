// Framework facts that exist before the main window does and that window
// creation never resets: the character set with its code page, the start
// directory and the start-up flags. Window and start-up code set them;
// strings, paths, the log and the clocks read them.
#ifndef VELVANE_CORE_CORE_STATE_H
#define VELVANE_CORE_CORE_STATE_H

enum { START_DIRECTORY_SIZE = 260 };

// Character-set code (0 default, 1 Shift-JIS, 2 Korean, 3 traditional
// Chinese, 4 simplified Chinese) used by double-byte aware scans.
int GetFrameworkCharSet(void);
// Code page of byte strings (932 unless set otherwise).
unsigned GetFrameworkCodePage(void);
void SetFrameworkCharSet(int charSetCode, unsigned codePage);

// The directory current at start-up; empty until saved.
const char *GetStartDirectory(void);
// Saves path as the start directory; -1 when it does not fit.
int SetStartDirectory(const char *path);

// 1 between a successful start-up and the start of shut-down.
int IsFrameworkInitialised(void);
void SetFrameworkInitialised(int on);
// 1 while start-up runs (window fitting and screen-mode code ask).
int IsFrameworkStarting(void);
void SetFrameworkStarting(int on);

#endif  // VELVANE_CORE_CORE_STATE_H

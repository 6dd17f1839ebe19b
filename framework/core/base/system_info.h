// What the framework knows about the machine: gathered once at start-up,
// logged, and kept in a record of its own that window creation never clears.
// Also the clocks and the seeding of the MT19937 generator.
#ifndef VELVANE_CORE_SYSTEM_INFO_H
#define VELVANE_CORE_SYSTEM_INFO_H

#include <stdint.h>

#include "core/base/platform.h"
#include "velvane.h"

// Operating-system codes, ordered by release: compare with >=.
enum {
  OS_CODE_WIN32S = 0,
  OS_CODE_WIN95 = 1,
  OS_CODE_WIN98 = 2,
  OS_CODE_WINME = 3,
  OS_CODE_NT351 = 0x104,
  OS_CODE_NT40 = 0x105,
  OS_CODE_WIN2000 = 0x106,
  OS_CODE_XP = 0x107,
  OS_CODE_VISTA = 0x108,
  OS_CODE_WIN7 = 0x109,
  OS_CODE_WIN8 = 0x10A,
  OS_CODE_WIN81 = 0x10B,
  OS_CODE_WIN10 = 0x10C,
  // An NT release newer than every one named above.
  OS_CODE_NEWER = 0x10D
};

enum { CPU_NAME_SIZE = 49, CPU_VENDOR_SIZE = 13, OS_NAME_SIZE = 32 };

struct SystemFacts {
  int processorCount;
  int osCode;
  int hasCpuid;
  int hasTsc;
  uint64_t tscTicksPerSecond;
  int cpuMHz;
  char cpuVendor[CPU_VENDOR_SIZE];
  char cpuName[CPU_NAME_SIZE];
  int mmx;
  int sse;
  int sse2;
  uint64_t totalPhysicalMemory;
  uint64_t availablePhysicalMemory;
  int64_t performanceFrequency;
  int performanceCounterAvailable;
  // The timer period this framework asked for; 0 when none is in force.
  uint32_t timerPeriod;
};

// The one record of system facts.
SystemFacts *GetSystemFacts(void);

// Names a reported version ("95 OSR2", "XP", "7"...; empty when unknown)
// into name and returns its code; a version between two named ones gets the
// older one's code, one past the newest named NT release a higher code.
int ClassifyOsVersion(const PlatformOsVersion *version, char *name, int nameSize);

// Logs the machine's description and stores its facts; 0.
int LogSystemInfo(void);
// Logs the physical memory (the line stays open) and stores it; 0.
int LogMemoryStatus(void);
// Reads the performance counter's frequency; available when non-zero.
void QueryPerformanceFacts(void);
// Raises the timer resolution to the finest period (once); returns it.
uint32_t BeginTimerResolution(void);
// Gives the raised resolution back, when one is in force.
void EndTimerResolution(void);
// Milliseconds from start to now, both GetNowMilliseconds readings: right
// across the clock's wrap for spans under 24 days.
uint32_t ElapsedMilliseconds(int start, int now);

// MT19937 generator.
enum { RANDOM_STATE_WORDS = 624 };
struct RandomState {
  uint32_t state[RANDOM_STATE_WORDS];
  int index;
  int seeded;
  int useMmx;
  uint32_t output[RANDOM_STATE_WORDS];
};
RandomState *GetRandomState(void);
// Regenerates the state and the tempered output block, one word at a time.
void GenerateRandomBlock(void);
// The same block, computed two words at a time.
void GenerateRandomBlockMmx(void);
// 1 when the processor reports MMX through CPUID.
int CheckMmxSupport(void);

#endif  // VELVANE_CORE_SYSTEM_INFO_H

#include "core/base/system_info.h"

#include <string.h>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#include <x86intrin.h>
#define VELVANE_HAS_CPUID 1
#else
#define VELVANE_HAS_CPUID 0
#endif

#include "core/base/core_state.h"
#include "core/debug/log.h"
#include "core/debug/log_text.h"
#include "core/util/strings.h"

namespace {

const char kFrameworkVersion[] = "1.00";

SystemFacts g_facts;
RandomState g_random;

const uint32_t kMatrixA = 0x9908B0DFu;
const uint32_t kUpperMask = 0x80000000u;
const uint32_t kLowerMask = 0x7FFFFFFFu;
const int kShift = 397;

// ---- operating system ------------------------------------------------------

struct NamedVersion {
  int major;
  int minor;
  int code;
  const char *name;
};

// NT releases in order; a version between two rows takes the older row.
const NamedVersion kNtVersions[] = {
    {3, 0, OS_CODE_NT351, "NT 3.51"},  {4, 0, OS_CODE_NT40, "4.0"},
    {5, 0, OS_CODE_WIN2000, "2000"},   {5, 1, OS_CODE_XP, "XP"},
    {6, 0, OS_CODE_VISTA, "Vista"},    {6, 1, OS_CODE_WIN7, "7"},
    {6, 2, OS_CODE_WIN8, "8"},         {6, 3, OS_CODE_WIN81, "8.1"},
    {10, 0, OS_CODE_WIN10, "10"},
};

bool IsAtLeast(int major, int minor, const NamedVersion &row) {
  return major > row.major || (major == row.major && minor >= row.minor);
}

// Major 3 is NT 3.51 whatever its minor number says.
bool MatchesRow(int major, int minor, const NamedVersion &row) {
  return major == row.major && (major == 3 || minor == row.minor);
}

int ClassifyNt(int major, int minor, char *name, int nameSize) {
  const int rows = static_cast<int>(sizeof(kNtVersions) / sizeof(kNtVersions[0]));
  int code = OS_CODE_WIN32S;
  for (int i = 0; i < rows; i++) {
    if (MatchesRow(major, minor, kNtVersions[i])) {
      CopyStringN(name, kNtVersions[i].name, nameSize - 1);
      return kNtVersions[i].code;
    }
    if (IsAtLeast(major, minor, kNtVersions[i])) code = kNtVersions[i].code;
  }
  // Past the newest named release: still newer than every one of them.
  if (IsAtLeast(major, minor, kNtVersions[rows - 1])) code = OS_CODE_NEWER;
  return code;
}

// The system writes the release letter after a space (" C", " A").
char ReleaseLetter(const char *servicePack) {
  while (*servicePack == ' ') servicePack++;
  return *servicePack;
}

int Classify9x(int minor, const char *servicePack, char *name, int nameSize) {
  const char letter = ReleaseLetter(servicePack);
  const char *name9x = NULL;
  const char *suffix = "";
  int code = OS_CODE_WIN32S;
  if (minor == 0) {
    name9x = "95", code = OS_CODE_WIN95;
    if (letter == 'C') suffix = " OSR2";
  } else if (minor == 10) {
    name9x = "98", code = OS_CODE_WIN98;
    if (letter == 'A') suffix = " SE";
  } else if (minor == 90) {
    name9x = "Me", code = OS_CODE_WINME;
  }
  if (name9x) FormatString(name, nameSize, "%s%s", name9x, suffix);
  return code;
}

// ---- processor ---------------------------------------------------------------

struct CpuidFacts {
  int hasCpuid;
  unsigned maxLeaf;
  char vendor[CPU_VENDOR_SIZE];
  int hasTsc;
  int hasBrand;
  char brand[CPU_NAME_SIZE];
  int mmx, sse, sse2;
};

void ReadCpuidFacts(CpuidFacts *out) {
  memset(out, 0, sizeof(*out));
#if VELVANE_HAS_CPUID
  unsigned a = 0, b = 0, c = 0, d = 0;
  // 0 where the ID flag cannot be toggled, i.e. without CPUID.
  out->maxLeaf = static_cast<unsigned>(__get_cpuid_max(0, NULL));
  if (out->maxLeaf == 0) return;
  out->hasCpuid = 1;
  __cpuid(0, a, b, c, d);
  memcpy(out->vendor, &b, 4);
  memcpy(out->vendor + 4, &d, 4);
  memcpy(out->vendor + 8, &c, 4);
  if (out->maxLeaf >= 1) {
    __cpuid(1, a, b, c, d);
    out->hasTsc = (d >> 4) & 1;
    out->mmx = (d >> 23) & 1;
    out->sse = out->mmx && ((d >> 25) & 1);
    out->sse2 = out->sse && ((d >> 26) & 1);
  }
  if (static_cast<unsigned>(__get_cpuid_max(0x80000000u, NULL)) >= 0x80000004u) {
    unsigned words[12];
    for (unsigned leaf = 0; leaf < 3; leaf++) {
      __cpuid(0x80000002u + leaf, words[leaf * 4], words[leaf * 4 + 1], words[leaf * 4 + 2],
              words[leaf * 4 + 3]);
    }
    memcpy(out->brand, words, sizeof(words));
    out->hasBrand = 1;
  }
#endif
}

uint64_t ReadTimeStampCounter(void) {
#if VELVANE_HAS_CPUID
  return __rdtsc();
#else
  return 0;
#endif
}

// Counts time-stamp ticks over 100 ms of the millisecond clock.
void MeasureProcessorSpeed(void) {
  const uint64_t begin = ReadTimeStampCounter();
  const uint32_t start = PlatformMilliseconds();
  while (PlatformMilliseconds() - start < 100) PlatformSleep(1);
  const uint64_t ticks = ReadTimeStampCounter() - begin;
  g_facts.cpuMHz = static_cast<int>(ticks / 100000);
  g_facts.tscTicksPerSecond = ticks * 10;
  WriteLogLineFormat("ＣＰＵ動作速度：大体%.2fGHz", g_facts.cpuMHz / 1000.0);
}

void LogProcessorFeatures(const CpuidFacts &cpu) {
  if (!cpu.hasCpuid) {
    WriteLogLine("ＣＰＵＩＤ命令は使えません\n");
  } else if (!cpu.mmx) {
    WriteLogLine("ＭＭＸは使えません\n");
  } else {
    WriteLogLine("ＭＭＸ命令を使用します\n");
    if (cpu.sse) WriteLogLine("ＳＳＥ命令が使用可能です\n");
    if (cpu.sse2) WriteLogLine("ＳＳＥ２命令が使用可能です\n");
  }
  g_facts.mmx = cpu.mmx;
  g_facts.sse = cpu.sse;
  g_facts.sse2 = cpu.sse2;
}

void LogProcessor(void) {
  CpuidFacts cpu;
  ReadCpuidFacts(&cpu);
  g_facts.hasCpuid = cpu.hasCpuid;
  g_facts.hasTsc = cpu.hasTsc;
  if (cpu.hasTsc) MeasureProcessorSpeed();
  LogProcessorFeatures(cpu);
  if (!cpu.hasCpuid) return;
  memcpy(g_facts.cpuVendor, cpu.vendor, sizeof(g_facts.cpuVendor));
  WriteLogText("ＣＰＵベンダ：%s\n", cpu.vendor);
  if (cpu.hasBrand) {
    memcpy(g_facts.cpuName, cpu.brand, sizeof(g_facts.cpuName));
    WriteLogLineFormat("ＣＰＵ名：%s", cpu.brand);
  }
}

void LogOperatingSystem(void) {
  PlatformOsVersion version;
  PlatformGetOsVersion(&version);
  char name[OS_NAME_SIZE];
  g_facts.osCode = ClassifyOsVersion(&version, name, sizeof(name));
  char fullName[OS_NAME_SIZE + 16];
  FormatString(fullName, sizeof(fullName), name[0] ? "Windows %s" : "Windows", name);
  WriteLogLine("ＯＳ  ");
  WriteLogLineFormat("%s ( Build %d %s )", fullName, version.build, version.servicePack);
}

// ---- clocks ----------------------------------------------------------------------

// count x multiplier / divisor without overflowing 64 bits on the way.
uint64_t ScaleCount(uint64_t count, uint64_t multiplier, uint64_t divisor) {
  const uint32_t a[2] = {static_cast<uint32_t>(count), static_cast<uint32_t>(count >> 32)};
  const uint32_t b[2] = {static_cast<uint32_t>(multiplier),
                         static_cast<uint32_t>(multiplier >> 32)};
  const uint32_t d[2] = {static_cast<uint32_t>(divisor), static_cast<uint32_t>(divisor >> 32)};
  uint32_t product[4];
  uint32_t quotient[2];
  Multiply64To128(a, b, product);
  Divide128By64(product, d, quotient);
  return (static_cast<uint64_t>(quotient[1]) << 32) | quotient[0];
}

// ---- random generator ------------------------------------------------------------

uint32_t Twist(uint32_t current, uint32_t next, uint32_t shifted) {
  const uint32_t y = (current & kUpperMask) | (next & kLowerMask);
  return shifted ^ (y >> 1) ^ ((y & 1u) ? kMatrixA : 0u);
}

uint32_t Temper(uint32_t y) {
  y ^= y >> 11;
  y ^= (y << 7) & 0x9D2C5680u;
  y ^= (y << 15) & 0xEFC60000u;
  y ^= y >> 18;
  return y;
}

void TemperBlock(void) {
  for (int i = 0; i < RANDOM_STATE_WORDS; i++) g_random.output[i] = Temper(g_random.state[i]);
  g_random.index = 0;
}

}  // namespace

SystemFacts *GetSystemFacts(void) { return &g_facts; }

int ClassifyOsVersion(const PlatformOsVersion *version, char *name, int nameSize) {
  name[0] = '\0';
  switch (version->platformId) {
    case 0:
      CopyStringN(name, "3.1", nameSize - 1);
      return OS_CODE_WIN32S;
    case 1:
      return Classify9x(version->minor, version->servicePack, name, nameSize);
    case 2:
      return ClassifyNt(version->major, version->minor, name, nameSize);
    default:
      return OS_CODE_WIN32S;
  }
}

int LogSystemInfo(void) {
  IncreaseLogIndent();
  WriteLogLine("システムの情報を出力します\n");
  WriteLogText("Velvane Ver%s\n", kFrameworkVersion);
  g_facts.processorCount = PlatformProcessorCount();
  WriteLogLineFormat("論理プロセッサの数 : %d", g_facts.processorCount);
  LogOperatingSystem();
  BeginTimerResolution();
  LogProcessor();
  DecreaseLogIndent();
  return 0;
}

int LogMemoryStatus(void) {
  uint64_t total = 0, available = 0, virtualFree = 0;
  const int extended = g_facts.osCode >= OS_CODE_WIN2000;
  PlatformMemoryStatus(extended, &total, &available, &virtualFree);
  g_facts.totalPhysicalMemory = total;
  g_facts.availablePhysicalMemory = available;
  const double kMegabyte = 1.0 / 1048576.0;
  WriteLogText("メモリ総量:%.2fMB  空きメモリ領域:%.2fMB ", total * kMegabyte,
               available * kMegabyte);
  char extra[64];
  FormatString(extra, sizeof(extra), "%.2fMB\n", virtualFree * kMegabyte);
  PlatformDebugOutput(extra);
  return 0;
}

void QueryPerformanceFacts(void) {
  g_facts.performanceFrequency = PlatformPerformanceFrequency();
  g_facts.performanceCounterAvailable = g_facts.performanceFrequency != 0 ? 1 : 0;
}

uint32_t BeginTimerResolution(void) {
  // Raised once however often start-up asks, so the one release at
  // shut-down gives it back.
  if (g_facts.timerPeriod == 0) {
    g_facts.timerPeriod = PlatformTimerMinPeriod();
    PlatformBeginTimerPeriod(g_facts.timerPeriod);
  }
  return g_facts.timerPeriod;
}

void EndTimerResolution(void) {
  if (g_facts.timerPeriod == 0) return;
  PlatformEndTimerPeriod(g_facts.timerPeriod);
  g_facts.timerPeriod = 0;
}

uint32_t ElapsedMilliseconds(int start, int now) {
  return (static_cast<uint32_t>(now) - static_cast<uint32_t>(start)) & 0x7FFFFFFFu;
}

int GetNowMilliseconds(void) { return static_cast<int>(PlatformMilliseconds() & 0x7FFFFFFFu); }

uint64_t GetNowMicroseconds(int allowTsc) {
  if (allowTsc == 1 && g_facts.hasTsc && g_facts.tscTicksPerSecond != 0 &&
      IsFrameworkInitialised()) {
    return ScaleCount(ReadTimeStampCounter(), 1000000, g_facts.tscTicksPerSecond);
  }
  if (g_facts.performanceCounterAvailable && g_facts.performanceFrequency > 0) {
    return ScaleCount(static_cast<uint64_t>(PlatformPerformanceCounter()), 1000000,
                      static_cast<uint64_t>(g_facts.performanceFrequency));
  }
  return static_cast<uint64_t>(PlatformMilliseconds()) * 1000;
}

int GetLocalDateTime(DateTime *out) {
  if (!out) return -1;
  PlatformLocalTime(&out->year, &out->month, &out->day, &out->hour, &out->minute,
                    &out->second);
  return 0;
}

RandomState *GetRandomState(void) { return &g_random; }

int CheckMmxSupport(void) {
  CpuidFacts cpu;
  ReadCpuidFacts(&cpu);
  return (cpu.hasCpuid && cpu.maxLeaf >= 1 && cpu.mmx) ? 1 : 0;
}

void SeedRandom(unsigned seed) {
  uint32_t x = seed;
  for (int i = 0; i < RANDOM_STATE_WORDS; i++) {
    uint32_t word = x & 0xFFFF0000u;
    x = 69069u * x + 1u;
    word |= (x & 0xFFFF0000u) >> 16;
    x = 69069u * x + 1u;
    g_random.state[i] = word;
  }
  g_random.useMmx = CheckMmxSupport();
  g_random.seeded = 1;
  if (g_random.useMmx) {
    GenerateRandomBlockMmx();
  } else {
    GenerateRandomBlock();
  }
}

void GenerateRandomBlock(void) {
  uint32_t *mt = g_random.state;
  for (int i = 0; i < RANDOM_STATE_WORDS; i++) {
    mt[i] = Twist(mt[i], mt[(i + 1) % RANDOM_STATE_WORDS], mt[(i + kShift) % RANDOM_STATE_WORDS]);
  }
  TemperBlock();
}

void GenerateRandomBlockMmx(void) {
  uint32_t *mt = g_random.state;
  // Within a pair no word reads the other's new value, so both inputs can
  // be gathered before either result is stored.
  for (int i = 0; i < RANDOM_STATE_WORDS; i += 2) {
    const int j = i + 1;
    const uint32_t first = Twist(mt[i], mt[j], mt[(i + kShift) % RANDOM_STATE_WORDS]);
    const uint32_t second = Twist(mt[j], mt[(j + 1) % RANDOM_STATE_WORDS],
                                  mt[(j + kShift) % RANDOM_STATE_WORDS]);
    mt[i] = first;
    mt[j] = second;
  }
  TemperBlock();
}

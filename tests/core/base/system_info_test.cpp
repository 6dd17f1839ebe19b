#include <gtest/gtest.h>
#include <string.h>

#include <random>
#include <sstream>
#include <string>

#include "core/debug/log.h"
#include "core/base/platform.h"
#include "core/base/system_info.h"

namespace {

struct OsCase {
  int platformId;
  int major;
  int minor;
  const char *servicePack;
  int code;
  const char *name;
};

const OsCase kOsCases[] = {
    {0, 3, 10, "", OS_CODE_WIN32S, "3.1"},
    {1, 4, 0, "", OS_CODE_WIN95, "95"},
    {1, 4, 0, " C", OS_CODE_WIN95, "95 OSR2"},
    {1, 4, 0, "C", OS_CODE_WIN95, "95 OSR2"},
    {1, 4, 0, " B", OS_CODE_WIN95, "95"},
    {1, 4, 10, "", OS_CODE_WIN98, "98"},
    {1, 4, 10, " A ", OS_CODE_WIN98, "98 SE"},
    {1, 4, 90, "", OS_CODE_WINME, "Me"},
    {1, 4, 50, "", OS_CODE_WIN32S, ""},
    {2, 3, 51, "", OS_CODE_NT351, "NT 3.51"},
    {2, 4, 0, "Service Pack 6", OS_CODE_NT40, "4.0"},
    {2, 5, 0, "", OS_CODE_WIN2000, "2000"},
    {2, 5, 1, "Service Pack 3", OS_CODE_XP, "XP"},
    {2, 6, 0, "", OS_CODE_VISTA, "Vista"},
    {2, 6, 1, "Service Pack 1", OS_CODE_WIN7, "7"},
    // Releases after 7 rank above it, so ">= Vista" tests hold on them.
    {2, 6, 2, "", OS_CODE_WIN8, "8"},
    {2, 6, 3, "", OS_CODE_WIN81, "8.1"},
    {2, 10, 0, "", OS_CODE_WIN10, "10"},
    {2, 11, 0, "", OS_CODE_NEWER, ""},
    {2, 10, 5, "", OS_CODE_NEWER, ""},
    // An unnamed release between two named ones ranks with the older.
    {2, 5, 2, "", OS_CODE_XP, ""},
    {2, 6, 4, "", OS_CODE_WIN81, ""},
    {-1, 0, 0, "", OS_CODE_WIN32S, ""},
};

TEST(SystemInfo, ClassifiesEveryReportedVersion) {
  for (const OsCase &c : kOsCases) {
    PlatformOsVersion version = {};
    version.platformId = c.platformId;
    version.major = c.major;
    version.minor = c.minor;
    strcpy(version.servicePack, c.servicePack);
    char name[OS_NAME_SIZE];
    memset(name, 'x', sizeof(name));
    EXPECT_EQ(c.code, ClassifyOsVersion(&version, name, sizeof(name)))
        << c.platformId << " " << c.major << "." << c.minor;
    EXPECT_STREQ(c.name, name) << c.platformId << " " << c.major << "." << c.minor;
  }
}

TEST(SystemInfo, CodesAreOrderedByRelease) {
  const int ordered[] = {OS_CODE_NT351, OS_CODE_NT40, OS_CODE_WIN2000, OS_CODE_XP,
                         OS_CODE_VISTA, OS_CODE_WIN7, OS_CODE_WIN8,    OS_CODE_WIN81,
                         OS_CODE_WIN10, OS_CODE_NEWER};
  for (size_t i = 1; i < sizeof(ordered) / sizeof(ordered[0]); i++) {
    EXPECT_GT(ordered[i], ordered[i - 1]);
  }
  EXPECT_GT(OS_CODE_WIN8, 0x109);
}

TEST(SystemInfo, ClockReadingsAreNonNegativeAndAdvance) {
  const int before = GetNowMilliseconds();
  EXPECT_GE(before, 0);
  const uint64_t micro = GetNowMicroseconds(0);
  PlatformSleep(3);
  EXPECT_GE(GetNowMilliseconds(), before);
  EXPECT_GT(GetNowMicroseconds(0), micro);
}

TEST(SystemInfo, ElapsedMillisecondsAcrossTheClockWrap) {
  struct Case {
    int start;
    int now;
    uint32_t elapsed;
  } const cases[] = {
      {100, 2100, 2000},
      {5, 5, 0},
      {0x7FFFFF00, 0x10, 0x110},   // the 31-bit clock wrapped
      {0x7FFFFFFF, 0, 1},
      {0x7FFFF830, 0x7FFFFFFF, 0x7CF},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(c.elapsed, ElapsedMilliseconds(c.start, c.now)) << c.start << " " << c.now;
  }
}

// Start-up may ask for the finest timer period more than once; the system
// counts raises, so it must be raised once and released once.
TEST(SystemInfo, TimerPeriodRaisedOnceAndReleasedOnce) {
  const int held = PlatformTimerPeriodsHeld();
  const uint32_t period = BeginTimerResolution();
  EXPECT_EQ(period, BeginTimerResolution());
  EXPECT_EQ(held + 1, PlatformTimerPeriodsHeld());
  EndTimerResolution();
  EndTimerResolution();
  EXPECT_EQ(held, PlatformTimerPeriodsHeld());
}

// The state words of the classic seeding: each word takes the high halves
// of two successive values of x -> 69069 x + 1.
void FillClassicSeed(uint32_t seed, uint32_t *state) {
  uint32_t x = seed;
  for (int i = 0; i < RANDOM_STATE_WORDS; i++) {
    state[i] = x & 0xFFFF0000u;
    x = 69069u * x + 1u;
    state[i] |= x >> 16;
    x = 69069u * x + 1u;
  }
}

// A standard-library generator started from the given state words, so it
// draws the very numbers MT19937 makes from them.
std::mt19937 ReferenceFromState(const uint32_t *state) {
  std::ostringstream text;
  for (int i = 0; i < RANDOM_STATE_WORDS; i++) text << state[i] << ' ';
  text << RANDOM_STATE_WORDS;
  std::mt19937 reference;
  std::istringstream in(text.str());
  in >> reference;
  return reference;
}

TEST(RandomGenerator, SeedingMatchesTheStandardGeneratorOverSeveralBlocks) {
  for (uint32_t seed : {0u, 4357u, 0x7FFFFFFFu}) {
    uint32_t state[RANDOM_STATE_WORDS];
    FillClassicSeed(seed, state);
    std::mt19937 reference = ReferenceFromState(state);
    SeedRandom(seed);
    RandomState *random = GetRandomState();
    EXPECT_EQ(1, random->seeded);
    EXPECT_EQ(0, random->index);
    for (int block = 0; block < 3; block++) {
      if (block > 0) GenerateRandomBlock();
      for (int i = 0; i < RANDOM_STATE_WORDS; i++) {
        ASSERT_EQ(reference(), random->output[i]) << "seed " << seed << " block " << block << " word " << i;
      }
    }
  }
}

// The published check values of MT19937 started with init_genrand(5489):
// first output 3499211612, ten-thousandth 4123659995.
TEST(RandomGenerator, KnownOutputsOfTheStandardSeed) {
  RandomState *random = GetRandomState();
  random->state[0] = 5489u;
  for (uint32_t i = 1; i < RANDOM_STATE_WORDS; i++) {
    const uint32_t previous = random->state[i - 1];
    random->state[i] = 1812433253u * (previous ^ (previous >> 30)) + i;
  }
  GenerateRandomBlock();
  EXPECT_EQ(3499211612u, random->output[0]);
  const int kTarget = 10000 - 1;
  for (int block = 1; block <= kTarget / RANDOM_STATE_WORDS; block++) GenerateRandomBlock();
  EXPECT_EQ(4123659995u, random->output[kTarget % RANDOM_STATE_WORDS]);
}

TEST(RandomGenerator, PairwiseBlockEqualsWordByWordBlock) {
  SeedRandom(123456789u);
  RandomState *random = GetRandomState();
  uint32_t state[RANDOM_STATE_WORDS];
  memcpy(state, random->state, sizeof(state));
  uint32_t expected[RANDOM_STATE_WORDS];
  for (int round = 0; round < 4; round++) {
    GenerateRandomBlock();
    memcpy(expected, random->output, sizeof(expected));
    memcpy(random->state, state, sizeof(state));
    GenerateRandomBlockMmx();
    ASSERT_EQ(0, memcmp(expected, random->output, sizeof(expected))) << "round " << round;
    memcpy(state, random->state, sizeof(state));
  }
}

}  // namespace

namespace {

TEST(SystemInfo, LoggingStoresTheFactsAndRestoresTheIndent) {
  const int indent = GetLogIndentLevel();
  EXPECT_EQ(0, LogSystemInfo());
  EXPECT_EQ(indent, GetLogIndentLevel());
  const SystemFacts *facts = GetSystemFacts();
  EXPECT_GE(facts->processorCount, 1);
#if defined(__i386__) || defined(__x86_64__)
  // Every processor these builds run on has CPUID, MMX and SSE2.
  EXPECT_EQ(1, facts->hasCpuid);
  EXPECT_EQ(1, facts->mmx);
  EXPECT_EQ(1, facts->sse2);
  EXPECT_EQ(1, CheckMmxSupport());
  EXPECT_EQ(12u, strlen(facts->cpuVendor));
#endif
  EXPECT_NE(0u, facts->timerPeriod);
  EndTimerResolution();
  EXPECT_EQ(0u, facts->timerPeriod);
}

}  // namespace

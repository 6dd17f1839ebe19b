// ParseDouble against the runtime's strtod on texts like those in model and
// stage files.
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include "core/util/strings.h"

namespace {

const char *const kTexts[] = {"640", "0.5", "-123.456", "3.14159265358979", "1.5e2", "-2.5e-7",
                              "12345678.875"};
const int kTextCount = static_cast<int>(sizeof(kTexts) / sizeof(kTexts[0]));

void BM_ParseDouble(benchmark::State &state) {
  const char *text = kTexts[state.range(0)];
  for (auto _ : state) benchmark::DoNotOptimize(ParseDouble(text));
  state.SetLabel(text);
}

void BM_Strtod(benchmark::State &state) {
  const char *text = kTexts[state.range(0)];
  for (auto _ : state) benchmark::DoNotOptimize(strtod(text, NULL));
  state.SetLabel(text);
}

BENCHMARK(BM_ParseDouble)->DenseRange(0, kTextCount - 1);
BENCHMARK(BM_Strtod)->DenseRange(0, kTextCount - 1);

}  // namespace

// The debug memory manager against the runtime's malloc/free: the cost of
// the header, the list links and the lock per operation.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <vector>

#include "core/debug/memory.h"

namespace {

void BM_AllocFreeManager(benchmark::State &state) {
  const int size = static_cast<int>(state.range(0));
  for (auto _ : state) {
    void *p = AllocMemory(size, "bench", __LINE__);
    benchmark::DoNotOptimize(p);
    FreeMemory(p);
  }
}

void BM_AllocFreeMalloc(benchmark::State &state) {
  const size_t size = static_cast<size_t>(state.range(0));
  for (auto _ : state) {
    void *p = malloc(size);
    benchmark::DoNotOptimize(p);
    free(p);
  }
}

// Many live blocks freed in allocation order: unlinking from the middle of
// a long list must stay constant-time.
void BM_ManyLiveBlocksManager(benchmark::State &state) {
  std::vector<void *> blocks(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    for (void *&p : blocks) p = AllocMemory(48, "bench", __LINE__);
    for (void *p : blocks) FreeMemory(p);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_ManyLiveBlocksMalloc(benchmark::State &state) {
  std::vector<void *> blocks(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    for (void *&p : blocks) p = malloc(48);
    for (void *p : blocks) free(p);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_ReallocGrowManager(benchmark::State &state) {
  for (auto _ : state) {
    void *p = AllocMemory(16, "bench", __LINE__);
    for (int size = 32; size <= 4096; size *= 2) p = ReallocMemory(p, size, "bench", __LINE__);
    FreeMemory(p);
  }
}

void BM_ReallocGrowMalloc(benchmark::State &state) {
  for (auto _ : state) {
    void *p = malloc(16);
    for (size_t size = 32; size <= 4096; size *= 2) p = realloc(p, size);
    free(p);
  }
}

}  // namespace

BENCHMARK(BM_AllocFreeManager)->Arg(16)->Arg(256)->Arg(65536);
BENCHMARK(BM_AllocFreeMalloc)->Arg(16)->Arg(256)->Arg(65536);
BENCHMARK(BM_ManyLiveBlocksManager)->Arg(10000);
BENCHMARK(BM_ManyLiveBlocksMalloc)->Arg(10000);
BENCHMARK(BM_ReallocGrowManager);
BENCHMARK(BM_ReallocGrowMalloc);

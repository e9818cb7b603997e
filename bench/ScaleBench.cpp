// Workloads W1 and W1e: a grid of 20 columns x 1,000,000 rows, built empty
// or filled with 10-character texts; time and resident bytes per cell.
// Also ResizeGrid from 5 x 5 up to that size and back, each way alone.
#include <benchmark/benchmark.h>

#include "BenchWorkload.h"

#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <memory>

#include "model/TzGridCtrl.h"

using namespace TzGrid;

namespace {

// Resident bytes of the process. The heap is trimmed first, so that what an
// earlier repetition freed does not hide this one's growth.
long ResidentBytes() {
  malloc_trim(0);
  long pages = 0, resident = 0;
  if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(statm);
  }
  return resident * sysconf(_SC_PAGESIZE);
}

// Heap bytes in use, allocator overhead included, and the grid's own slabs
// (mapped outside the heap).
long HeapBytesInUse() {
  struct mallinfo2 info = mallinfo2();
  return long(info.uordblks + info.hblkhd);
}

void BuildGrid(benchmark::State& state, bool fill) {
  for (auto _ : state) {
    long residentBefore = ResidentBytes();
    long heapBefore = HeapBytesInUse();
    auto grid = std::make_unique<CTzGridCtrl>();
    BuildWorkloadGrid(*grid, fill ? Texts::kEveryCell : Texts::kNone);
    state.PauseTiming();
    const double cells = double(kWorkloadCols) * kWorkloadRows;
    state.counters["heap_bytes_per_cell"] = double(HeapBytesInUse() - heapBefore) / cells;
    state.counters["resident_bytes_per_cell"] = double(ResidentBytes() - residentBefore) / cells;
    state.ResumeTiming();
    state.PauseTiming();
    grid.reset();
    state.ResumeTiming();
  }
}

void BM_W1_CreateAndFill(benchmark::State& state) { BuildGrid(state, true); }
void BM_W1e_CreateEmpty(benchmark::State& state) { BuildGrid(state, false); }

// ResizeGrid from 5 x 5 to 20 x 1,000,000 and back, each way timed alone.
void BM_ResizeGrid_Up(benchmark::State& state) {
  CTzGridCtrl grid;
  for (auto _ : state) {
    grid.ResizeGrid(kWorkloadCols, kWorkloadRows);
    state.PauseTiming();
    grid.ResizeGrid(5, 5);
    state.ResumeTiming();
  }
}

void BM_ResizeGrid_Down(benchmark::State& state) {
  CTzGridCtrl grid;
  for (auto _ : state) {
    state.PauseTiming();
    grid.ResizeGrid(kWorkloadCols, kWorkloadRows);
    state.ResumeTiming();
    grid.ResizeGrid(5, 5);
  }
}

}  // namespace

BENCHMARK(BM_W1_CreateAndFill)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);
BENCHMARK(BM_W1e_CreateEmpty)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);
BENCHMARK(BM_ResizeGrid_Up)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);
BENCHMARK(BM_ResizeGrid_Down)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);
BENCHMARK_MAIN();

// Workloads W1 and W1e: a grid of 20 columns x 1,000,000 rows, built empty
// or filled with 10-character texts; time and resident bytes per cell.
// Also ResizeGrid from 5 x 5 up to that size and back.
#include <benchmark/benchmark.h>

#include "BenchWorkload.h"

#include <malloc.h>

#include <memory>

#include "model/TzGridCtrl.h"

using namespace TzGrid;

namespace {

constexpr int kCols = 20;
constexpr int kRows = 1000000;

// Heap bytes in use, allocator overhead included. Resident-set readings
// are useless across repetitions (freed memory stays mapped), while the
// allocator's own count gives the same figure every time.
long HeapBytesInUse() {
  struct mallinfo2 info = mallinfo2();
  return long(info.uordblks + info.hblkhd);
}

void BuildGrid(benchmark::State& state, bool fill) {
  for (auto _ : state) {
    long before = HeapBytesInUse();
    auto grid = std::make_unique<CTzGridCtrl>();
    grid->ResizeGrid(kCols, kRows);
    if (fill) {
      for (int r = 0; r < kRows; ++r) {
        for (int c = 0; c < kCols; ++c) grid->GetCell(r, c)->m_strText = CellText(r, c);
      }
    }
    long after = HeapBytesInUse();
    state.counters["bytes_per_cell"] = double(after - before) / (double(kCols) * kRows);
    state.PauseTiming();
    grid.reset();
    state.ResumeTiming();
  }
}

void BM_W1_CreateAndFill(benchmark::State& state) { BuildGrid(state, true); }
void BM_W1e_CreateEmpty(benchmark::State& state) { BuildGrid(state, false); }

void BM_ResizeGrid_UpAndDown(benchmark::State& state) {
  CTzGridCtrl grid;
  for (auto _ : state) {
    grid.ResizeGrid(kCols, kRows);
    grid.ResizeGrid(5, 5);
  }
}

}  // namespace

BENCHMARK(BM_W1_CreateAndFill)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);
BENCHMARK(BM_W1e_CreateEmpty)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);
BENCHMARK(BM_ResizeGrid_UpAndDown)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);
BENCHMARK_MAIN();

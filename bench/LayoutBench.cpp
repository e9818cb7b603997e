// The layout at scale, on the workload grid in its 1920 x 1080 window:
// W4 and W4b, point to cell (the row and the column under a point of the
// client area) for 1,000,000 seeded points uniform over the scrolled area,
// at the top and scrolled to the end; GetLastVisibleRow at both ends; and a
// keyboard move down from the last visible row, which scrolls one line and
// repaints, at both ends. None of these may cost time in proportion to the
// rows above the view.
#include <benchmark/benchmark.h>

#include "BenchWorkload.h"

#include <random>
#include <vector>

using namespace TzGrid;

namespace {

constexpr int kPoints = 1000000;
constexpr int kHeaderHeight = kWorkloadRowHeight;
constexpr int kGridWidth = kWorkloadCols * 50;
// The first scrolled row that shows the last row at the bottom of the view.
constexpr int kLastTopRow = kWorkloadRows - (kWorkloadClientHeight - kHeaderHeight) / kWorkloadRowHeight;

// The points: x over the columns, y below the header row.
const std::vector<CPoint>& Points() {
  static const std::vector<CPoint> points = [] {
    std::mt19937 rng(4);
    std::uniform_int_distribution<int> x(0, kGridWidth - 1);
    std::uniform_int_distribution<int> y(kHeaderHeight, kWorkloadClientHeight - 1);
    std::vector<CPoint> p(kPoints);
    for (CPoint& pt : p) pt = CPoint(x(rng), y(rng));
    return p;
  }();
  return points;
}

void PointToCell(benchmark::State& state, int topRow) {
  WorkloadWindow& b = WorkloadWindow::Shared();
  b.ScrollTo(topRow);
  const std::vector<CPoint>& points = Points();
  long misses = 0;
  for (auto _ : state) {
    for (const CPoint& pt : points) {
      int row = b.grid.GetRowAtPoint(pt);
      int col = b.grid.GetColumnAtPoint(pt);
      misses += (row < 0) | (col < 0);
      benchmark::DoNotOptimize(row + col);
    }
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
  state.counters["ns_per_point"] =
      benchmark::Counter(double(state.iterations()) * kPoints, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  if (misses != 0) state.SkipWithError("a point inside the grid found no cell");
}

void BM_W4_PointToCellAtTheTop(benchmark::State& state) { PointToCell(state, 1); }
void BM_W4b_PointToCellAtTheEnd(benchmark::State& state) { PointToCell(state, kLastTopRow); }

void LastVisibleRow(benchmark::State& state, int topRow) {
  WorkloadWindow& b = WorkloadWindow::Shared();
  b.ScrollTo(topRow);
  // The row just below the view: the rows from topRow on fill it exactly.
  const int expected = topRow + (kWorkloadClientHeight - kHeaderHeight) / kWorkloadRowHeight;
  int last = 0;
  for (auto _ : state) {
    last = b.grid.GetLastVisibleRow();
    benchmark::DoNotOptimize(last);
  }
  if (last != expected) state.SkipWithError("GetLastVisibleRow answered another row");
}

void BM_GetLastVisibleRow_AtTheTop(benchmark::State& state) { LastVisibleRow(state, 1); }
void BM_GetLastVisibleRow_AtTheEnd(benchmark::State& state) { LastVisibleRow(state, kLastTopRow - 1); }

// Each iteration presses the down arrow with the focus on the last fully
// visible row: the focus moves, the grid scrolls one line, the window
// repaints. The run continues from where the previous iteration left off.
void KeyDown(benchmark::State& state, int topRow) {
  WorkloadWindow& b = WorkloadWindow::Shared();
  b.ScrollTo(topRow);
  b.grid.m_focusCell = b.grid.GetCell(b.grid.GetLastVisibleRow() - 1, 3);
  b.window.PaintAll();
  for (auto _ : state) {
    b.window.SendKeyboard(WM_KEYDOWN, VK_DOWN);
    b.window.Paint();
  }
  const int steps = int(state.iterations());
  if (b.grid.m_nTopRow != topRow + steps) state.SkipWithError("the key did not scroll one row per press");
  b.grid.m_focusCell = CGridCell();
  b.ReportFailures(state);
}

void BM_KeyDownScrolls_AtTheTop(benchmark::State& state) { KeyDown(state, 1); }
void BM_KeyDownScrolls_BeforeTheEnd(benchmark::State& state) { KeyDown(state, kLastTopRow - 300); }

}  // namespace

BENCHMARK(BM_W4_PointToCellAtTheTop)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);
BENCHMARK(BM_W4b_PointToCellAtTheEnd)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);
BENCHMARK(BM_GetLastVisibleRow_AtTheTop)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_GetLastVisibleRow_AtTheEnd)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_KeyDownScrolls_AtTheTop)->Unit(benchmark::kMillisecond)->Iterations(200);
BENCHMARK(BM_KeyDownScrolls_BeforeTheEnd)->Unit(benchmark::kMillisecond)->Iterations(200);
BENCHMARK_MAIN();

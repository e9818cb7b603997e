// Workload W2 and a one-cell repaint: the grid of 20 columns of width 50 x
// 1,000,000 rows of height 20 (row 0 the header row, no fixed column), every
// cell holding its 10-character text, in a 1920 x 1080 headless window. A
// repaint goes the whole way: off-screen bitmap, painter, cell drawer, text,
// block transfer to the window's framebuffer.
#include <benchmark/benchmark.h>

#include "BenchWorkload.h"


using namespace TzGrid;

namespace {

void BM_W2_FullRepaint(benchmark::State& state) {
  WorkloadWindow& b = WorkloadWindow::Shared();
  for (auto _ : state) b.window.PaintAll();
  b.ReportFailures(state);
}

// The cell of row 10, column 5 (x = 250 .. 299, y = 200 .. 219).
void BM_OneCellRepaint(benchmark::State& state) {
  WorkloadWindow& b = WorkloadWindow::Shared();
  CPoint origin;
  b.grid.GetCellOrigin(10, 5, &origin);
  CRect cell(origin.x, origin.y, origin.x + 50, origin.y + 20);
  for (auto _ : state) {
    b.window.InvalidateRect(&cell, TRUE);
    b.window.Paint();
  }
  b.window.invalidations.clear();
  b.ReportFailures(state);
}

// The same full repaint at the far end of the grid, to show that the
// painter's cost does not grow with the rows above the view.
void BM_W2_FullRepaintAtTheEnd(benchmark::State& state) {
  WorkloadWindow& b = WorkloadWindow::Shared();
  b.grid.m_nTopRow = kWorkloadRows - 53;
  b.grid.m_nVScrollPos = (kWorkloadRows - 54) * 20;
  for (auto _ : state) b.window.PaintAll();
  b.grid.m_nTopRow = 1;
  b.grid.m_nVScrollPos = 0;
  b.ReportFailures(state);
}

// With a fixed column the painter lays out one frame per grid row, a
// million of them, and draws the few that show.
void BM_W2_FullRepaintWithFixedColumn(benchmark::State& state) {
  WorkloadWindow& b = WorkloadWindow::Shared();
  b.grid.m_nFixedCols = 1;
  b.grid.m_nFirstCol = 1;
  for (auto _ : state) b.window.PaintAll();
  b.grid.m_nFixedCols = 0;
  b.grid.m_nFirstCol = 0;
  b.ReportFailures(state);
}

// A host filling the grid calls SetCellText per cell; its invalidation
// needs the cell's origin, which must not cost a walk over the rows above.
void BM_SetCellText_LastRow(benchmark::State& state) {
  WorkloadWindow& b = WorkloadWindow::Shared();
  CString text = CellText(kWorkloadRows - 1, 7);
  for (auto _ : state) b.grid.SetCellText(kWorkloadRows - 1, 7, text);
  b.window.invalidations.clear();
}

}  // namespace

BENCHMARK(BM_W2_FullRepaint)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(50)->ReportAggregatesOnly(true);
BENCHMARK(BM_W2_FullRepaintAtTheEnd)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(50)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_W2_FullRepaintWithFixedColumn)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(50)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_OneCellRepaint)->Unit(benchmark::kMicrosecond)->Iterations(20)->Repetitions(50)->ReportAggregatesOnly(true);
BENCHMARK(BM_SetCellText_LastRow)->Unit(benchmark::kNanosecond)->Repetitions(10)->ReportAggregatesOnly(true);
BENCHMARK_MAIN();

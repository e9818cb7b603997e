// Workload W2 and a one-cell repaint: the grid of 20 columns of width 50 x
// 1,000,000 rows of height 20 (row 0 the header row, no fixed column), every
// cell holding its 10-character text, in a 1920 x 1080 headless window. A
// repaint goes the whole way: off-screen bitmap, painter, cell drawer, text,
// block transfer to the window's framebuffer.
#include <benchmark/benchmark.h>

#include "BenchWorkload.h"

#include <cstdio>
#include <memory>

#include "model/TzGridCtrl.h"
#include "platform/headless/HeadlessWindow.h"

using namespace TzGrid;

namespace {

constexpr int kCols = 20;
constexpr int kRows = 1000000;
constexpr int kClientWidth = 1920;
constexpr int kClientHeight = 1080;

// One grid for every benchmark of the run: building and filling it takes
// seconds and a few gigabytes.
struct BenchGrid {
  CTzGridCtrl grid;
  Headless::HeadlessWindow window{grid, kClientWidth, kClientHeight};

  BenchGrid() {
    grid.ResizeGrid(kCols, kRows);
    for (int r = 0; r < kRows; ++r) {
      for (int c = 0; c < kCols; ++c) grid.GetCell(r, c)->m_strText = CellText(r, c);
    }
    for (int c = 0; c < kCols; ++c) grid.GetCell(0, c)->m_bHeader = true;
    window.PaintAll();
  }
};

BenchGrid& Shared() {
  static BenchGrid* shared = new BenchGrid();  // lives until the process ends
  return *shared;
}

void ReportFailures(benchmark::State& state, const BenchGrid& b) {
  if (!b.window.failedMessages.empty()) state.SkipWithError(b.window.failedMessages.front().second.c_str());
}

void BM_W2_FullRepaint(benchmark::State& state) {
  BenchGrid& b = Shared();
  for (auto _ : state) b.window.PaintAll();
  ReportFailures(state, b);
}

// The cell of row 10, column 5 (x = 250 .. 299, y = 200 .. 219).
void BM_OneCellRepaint(benchmark::State& state) {
  BenchGrid& b = Shared();
  CPoint origin;
  b.grid.GetCellOrigin(10, 5, &origin);
  CRect cell(origin.x, origin.y, origin.x + 50, origin.y + 20);
  for (auto _ : state) {
    b.window.InvalidateRect(&cell, TRUE);
    b.window.Paint();
  }
  b.window.invalidations.clear();
  ReportFailures(state, b);
}

// The same full repaint at the far end of the grid, to show that the
// painter's cost does not grow with the rows above the view.
void BM_W2_FullRepaintAtTheEnd(benchmark::State& state) {
  BenchGrid& b = Shared();
  b.grid.m_nTopRow = kRows - 53;
  b.grid.m_nVScrollPos = (kRows - 54) * 20;
  for (auto _ : state) b.window.PaintAll();
  b.grid.m_nTopRow = 1;
  b.grid.m_nVScrollPos = 0;
  ReportFailures(state, b);
}

// With a fixed column the painter lays out one frame per grid row, a
// million of them, and draws the few that show.
void BM_W2_FullRepaintWithFixedColumn(benchmark::State& state) {
  BenchGrid& b = Shared();
  b.grid.m_nFixedCols = 1;
  b.grid.m_nFirstCol = 1;
  for (auto _ : state) b.window.PaintAll();
  b.grid.m_nFixedCols = 0;
  b.grid.m_nFirstCol = 0;
  ReportFailures(state, b);
}

// A host filling the grid calls SetCellText per cell; its invalidation
// needs the cell's origin, which must not cost a walk over the rows above.
void BM_SetCellText_LastRow(benchmark::State& state) {
  BenchGrid& b = Shared();
  CString text = CellText(kRows - 1, 7);
  for (auto _ : state) b.grid.SetCellText(kRows - 1, 7, text);
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

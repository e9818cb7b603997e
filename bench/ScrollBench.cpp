// Workloads W3 and W3b: one line scroll down of the grid of 20 columns of
// width 50 x 1,000,000 rows of height 20 (row 0 the header row), every cell
// holding its 10-character text, in a 1920 x 1080 headless window. One step
// is the whole way a user's click on the scroll bar's arrow goes: WM_VSCROLL
// through the window, the handler, the pixels moved by ScrollWindow, and the
// repaint of the strip the move uncovers.
//
// Each repetition is one step, continuing from where the previous one left
// off: at the top the 200 steps stay near the top, and the run that starts
// 200 steps before the end reaches exactly the last step.
#include <benchmark/benchmark.h>

#include "BenchWorkload.h"

#include "model/TzGridCtrl.h"
#include "platform/headless/HeadlessWindow.h"

using namespace TzGrid;

namespace {

constexpr int kCols = 20;
constexpr int kRows = 1000000;
constexpr int kRowHeight = 20;
constexpr int kSteps = 200;

struct BenchGrid {
  CTzGridCtrl grid;
  Headless::HeadlessWindow window{grid, 1920, 1080};

  BenchGrid() {
    grid.ResizeGrid(kCols, kRows);
    for (int r = 0; r < kRows; ++r) {
      for (int c = 0; c < kCols; ++c) grid.GetCell(r, c)->m_strText = CellText(r, c);
    }
    for (int c = 0; c < kCols; ++c) grid.GetCell(0, c)->m_bHeader = true;
    window.PaintAll();
  }

  // Puts the first scrolled row at topRow, as that many line steps would.
  void ScrollTo(int topRow) {
    grid.m_nTopRow = topRow;
    grid.m_nVScrollPos = (topRow - 1) * kRowHeight;
    grid.SetScrollPos(SB_VERT, grid.m_nVScrollPos, TRUE);
    window.PaintAll();
    window.ClearRecords();
  }
};

BenchGrid& Shared() {
  static BenchGrid* shared = new BenchGrid();  // lives until the process ends
  return *shared;
}

void Step(benchmark::State& state, BenchGrid& b) {
  for (auto _ : state) {
    b.window.Send(WM_VSCROLL, SB_LINEDOWN, 0);
    b.window.Paint();
  }
  if (!b.window.failedMessages.empty()) state.SkipWithError(b.window.failedMessages.front().second.c_str());
}

int g_expectedTop = 0;

void BM_W3_LineDownAtTheTop(benchmark::State& state) {
  BenchGrid& b = Shared();
  if (g_expectedTop == 0) {
    b.ScrollTo(1);
    g_expectedTop = 1;
  }
  Step(state, b);
  if (b.grid.m_nTopRow != ++g_expectedTop) state.SkipWithError("the step did not scroll one row");
}

int g_expectedTopAtEnd = 0;

void BM_W3b_LineDownBeforeTheEnd(benchmark::State& state) {
  BenchGrid& b = Shared();
  if (g_expectedTopAtEnd == 0) {
    // The last step that scrolls brings row kRows - 1 to the top.
    g_expectedTopAtEnd = kRows - 1 - kSteps;
    b.ScrollTo(g_expectedTopAtEnd);
  }
  Step(state, b);
  if (b.grid.m_nTopRow != ++g_expectedTopAtEnd) state.SkipWithError("the step did not scroll one row");
}

}  // namespace

BENCHMARK(BM_W3_LineDownAtTheTop)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(kSteps)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_W3b_LineDownBeforeTheEnd)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(kSteps)
    ->ReportAggregatesOnly(true);
BENCHMARK_MAIN();

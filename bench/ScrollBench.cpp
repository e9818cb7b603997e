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

using namespace TzGrid;

namespace {

constexpr int kSteps = 200;

void Step(benchmark::State& state, WorkloadWindow& b) {
  for (auto _ : state) {
    b.window.Send(WM_VSCROLL, SB_LINEDOWN, 0);
    b.window.Paint();
  }
  b.ReportFailures(state);
}

int g_expectedTop = 0;

void BM_W3_LineDownAtTheTop(benchmark::State& state) {
  WorkloadWindow& b = WorkloadWindow::Shared();
  if (g_expectedTop == 0) {
    b.ScrollTo(1);
    g_expectedTop = 1;
  }
  Step(state, b);
  if (b.grid.m_nTopRow != ++g_expectedTop) state.SkipWithError("the step did not scroll one row");
}

int g_expectedTopAtEnd = 0;

void BM_W3b_LineDownBeforeTheEnd(benchmark::State& state) {
  WorkloadWindow& b = WorkloadWindow::Shared();
  if (g_expectedTopAtEnd == 0) {
    // The last step that scrolls brings row kWorkloadRows - 1 to the top.
    g_expectedTopAtEnd = kWorkloadRows - 1 - kSteps;
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

// The benchmark workload's grid, shared by every benchmark: 20 columns of
// width 50 x 1,000,000 rows of height 20, row 0 the header row, no fixed
// column; the cell text is "R" + the row index in 6 digits (modulo
// 1,000,000) + "C" + the column index in 2 digits; the client area is
// 1920 x 1080.
#pragma once

#include <benchmark/benchmark.h>

#include "framework/afxstr.h"
#include "model/TzGridCtrl.h"
#include "platform/headless/HeadlessWindow.h"

constexpr int kWorkloadCols = 20;
constexpr int kWorkloadRows = 1000000;
constexpr int kWorkloadRowHeight = 20;
constexpr int kWorkloadClientWidth = 1920;
constexpr int kWorkloadClientHeight = 1080;

inline TzGrid::CString CellText(int row, int col) {
  char16_t text[10] = {u'R'};
  int r = row % 1000000;
  for (int i = 6; i >= 1; --i, r /= 10) text[i] = char16_t(u'0' + r % 10);
  text[7] = u'C';
  text[8] = char16_t(u'0' + (col / 10) % 10);
  text[9] = char16_t(u'0' + col % 10);
  return TzGrid::CString(text, 10);
}

enum class Texts { kNone, kEveryCell };

// Sizes the grid to the workload, marks the header row and, when asked,
// writes every cell's text.
// Built as a host builds it, through the control's public members: the
// Columns and Rows properties, SetCellText for every cell, SetCellHeaderFlag
// for the header row.
inline void BuildWorkloadGrid(TzGrid::CTzGridCtrl& grid, Texts texts) {
  grid.SetColumns(kWorkloadCols);
  grid.SetRows(kWorkloadRows);
  if (texts == Texts::kEveryCell) {
    for (int r = 0; r < kWorkloadRows; ++r) {
      for (int c = 0; c < kWorkloadCols; ++c) grid.SetCellText(r, c, CellText(r, c));
    }
  }
  for (int c = 0; c < kWorkloadCols; ++c) grid.SetCellHeaderFlag(0, c, 1);
}

// The filled grid in its headless window. Building it takes seconds and a
// few gigabytes, so a benchmark program builds one and keeps it.
struct WorkloadWindow {
  TzGrid::CTzGridCtrl grid;
  TzGrid::Headless::HeadlessWindow window{grid, kWorkloadClientWidth, kWorkloadClientHeight};

  WorkloadWindow() {
    BuildWorkloadGrid(grid, Texts::kEveryCell);
    window.PaintAll();
  }

  // Puts the first scrolled row at topRow, as that many line steps would.
  void ScrollTo(int topRow) {
    grid.m_nTopRow = topRow;
    grid.m_nVScrollPos = (topRow - 1) * kWorkloadRowHeight;
    grid.SetScrollPos(TzGrid::SB_VERT, grid.m_nVScrollPos, TzGrid::TRUE);
    window.PaintAll();
    window.ClearRecords();
  }

  // Marks the run failed when a message the window handled raised.
  void ReportFailures(benchmark::State& state) const {
    if (!window.failedMessages.empty()) state.SkipWithError(window.failedMessages.front().second.c_str());
  }

  static WorkloadWindow& Shared() {
    static WorkloadWindow* shared = new WorkloadWindow();  // lives until the process ends
    return *shared;
  }
};

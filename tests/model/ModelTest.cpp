// The grid model: ResizeGrid at its edges, refusals that change nothing,
// cells made on demand, and the invariants and cached column answers over
// long random sequences of sizing and layout calls.
#include <random>

#include "TestSupport.h"

namespace TzGrid::Test {
namespace {

using UInts = std::vector<UINT>;

TEST(Model, ResizeKeepsCellsAndFocusAndFillsWithDefaults) {
  CTzGridCtrl grid;  // 5 x 5, columns 50 and rows 20 pixels
  grid.SetCellText(2, 3, CString(u"keep"));
  grid.SetCellText(1, 1, CString(u"focus"));
  grid.m_layout.SetWidthOfColumn(1, 77);
  grid.m_layout.SetHeightOfRow(3, 33);
  grid.m_focusCell = grid.GetCell(1, 1);
  grid.ResizeGrid(8, 7);
  EXPECT_EQ(grid.GetCellText(2, 3), CString(u"keep"));
  EXPECT_EQ(Entries(grid.m_arColWidths), (UInts{50, 77, 50, 50, 50, 50, 50, 50}));
  EXPECT_EQ(Entries(grid.m_arRowHeights), (UInts{20, 20, 20, 33, 20, 20, 20}));
  EXPECT_EQ(Entries(grid.m_arColOrder), (UInts{0, 1, 2, 3, 4, 5, 6, 7}));
  // The widened rows moved to new blocks: the focus still names its cell.
  EXPECT_EQ(grid.m_focusCell, CGridCell(1, 1));
  EXPECT_EQ(grid.CellText(grid.m_focusCell), u"focus");
  // Rows cut and columns added in one resize: the cut rows' blocks go back.
  grid.ResizeGrid(9, 2);
  EXPECT_EQ(grid.m_cells.MadeRowCount(), 1u);
  EXPECT_EQ(grid.GetCellText(1, 1), CString(u"focus"));
  // The focus survives a shrink that keeps its cell, even as the last one,
  // and goes with a shrink that cuts either its row or its column.
  grid.ResizeGrid(2, 2);
  EXPECT_EQ(grid.m_focusCell, CGridCell(1, 1));
  grid.ResizeGrid(1, 2);
  EXPECT_EQ(grid.m_focusCell, CGridCell());
  grid.ResizeGrid(2, 2);
  grid.m_focusCell = grid.GetCell(1, 1);
  grid.ResizeGrid(2, 1);
  EXPECT_EQ(grid.m_focusCell, CGridCell());
  // Zero empties everything; a later grid is built from the current defaults.
  grid.ResizeGrid(0, 4);
  EXPECT_EQ(grid.m_nCols + grid.m_nRows, 0);
  grid.SetDefaultColumnWidth(70);
  grid.ResizeGrid(3, 2);
  EXPECT_EQ(Entries(grid.m_arColWidths), UInts(3, 70));
  EXPECT_EQ(CheckInvariants(grid), "");
}

// The counts have one owner: what the host reads, the control's fields and
// both rooms' answers stay in step through grows, shrinks, emptying and
// regrowth, and each room's storage ends where the counts do.
TEST(Model, EveryRoomAnswersTheSameCounts) {
  CTzGridCtrl grid;
  const std::pair<int, int> shapes[] = {{8, 7}, {3, 9}, {3, 2}, {0, 4}, {6, 1}, {1, 6}};
  for (const auto& [cols, rows] : shapes) {
    grid.ResizeGrid(cols, rows);
    const int expectCols = rows ? cols : 0, expectRows = cols ? rows : 0;
    EXPECT_EQ(std::tuple(grid.GetColumns(), grid.GetRows()), std::tuple(expectCols, expectRows));
    EXPECT_EQ(std::tuple(grid.m_nCols, grid.m_nRows), std::tuple(expectCols, expectRows));
    EXPECT_EQ(std::tuple(grid.m_layout.ColumnCount(), grid.m_layout.RowCount()), std::tuple(expectCols, expectRows));
    EXPECT_EQ(std::tuple(grid.m_cells.ColumnCount(), grid.m_cells.RowCount()), std::tuple(expectCols, expectRows));
    if (expectRows) grid.SetCellText(expectRows - 1, expectCols - 1, CString(u"corner"));
    EXPECT_EQ(CheckInvariants(grid), "") << cols << "x" << rows;
  }
}

// The scroll indices survive while their row and column do and are reset
// as soon as either is cut: the last one kept is the boundary.
TEST(Model, ShrinkResetsScrollIndicesOnlyPastTheirCells) {
  CTzGridCtrl grid;
  grid.ResizeGrid(10, 30);
  grid.m_nTopRow = 20;
  grid.m_nVScrollPos = 380;
  grid.m_nFirstCol = 8;
  grid.m_nHScrollPos = 400;
  auto scroll = [&] { return std::tuple(grid.m_nTopRow, grid.m_nVScrollPos, grid.m_nFirstCol, grid.m_nHScrollPos); };
  grid.ResizeGrid(9, 21);
  EXPECT_EQ(scroll(), std::tuple(20, 380, 8, 400));
  grid.ResizeGrid(8, 20);
  EXPECT_EQ(scroll(), std::tuple(0, 0, 0, 0));
}

// Negative counts, counts no machine holds, and memory refused half-way
// through whichever steps a resize takes: the grid is left exactly as it
// was and works normally once memory is there again.
TEST(Model, RefusedResizeLeavesTheGridUntouched) {
  CTzGridCtrl grid;
  grid.ResizeGrid(30, 4000);
  for (int r = 0; r < 4000; ++r) {  // every row made, every row with an attribute
    grid.SetCellText(r, r % 30, CString(u"r"));
    grid.SetCellSortState(r, (r + 1) % 30, 1);
  }
  grid.m_focusCell = grid.GetCell(3000, 10);
  grid.m_layout.SetColumnAtPosition(0, 29);
  grid.m_layout.SetColumnAtPosition(29, 0);
  const std::string before = Snapshot(grid);
  const CGridCell focus = grid.m_focusCell;
  EXPECT_THROW(grid.ResizeGrid(-1, 5), CInvalidArgException);
  EXPECT_THROW(grid.ResizeGrid(5, -7), CInvalidArgException);
  EXPECT_THROW(grid.ResizeGrid(0x7FFFFFFF, 0x7FFFFFFF), CMemoryException);
  EXPECT_THROW(grid.ResizeGrid(30, 0x7FFFFFFF), CMemoryException);
  // 64 KiB to spare: more rows, or more columns in 4000 made rows, do not fit.
  std::uint64_t limit = AfxSetAvailableMemoryLimit(64 * 1024);
  EXPECT_THROW(grid.ResizeGrid(30, 9000), CMemoryException);  // rows grow
  EXPECT_THROW(grid.ResizeGrid(60, 4000), CMemoryException);  // columns grow
  EXPECT_THROW(grid.ResizeGrid(80, 2000), CMemoryException);  // rows shrink, columns grow
  EXPECT_THROW(grid.ResizeGrid(10, 9000), CMemoryException);  // rows grow, columns shrink
  EXPECT_EQ(Snapshot(grid), before);
  grid.ResizeGrid(20, 3500);  // shrinking needs nothing new
  AfxSetAvailableMemoryLimit(limit);
  EXPECT_EQ(grid.m_focusCell, focus);
  EXPECT_EQ(CheckInvariants(grid), "");
  grid.ResizeGrid(40, 5000);
  grid.SetCellText(4999, 39, CString(u"last"));
  EXPECT_EQ(grid.GetCellText(4999, 39), CString(u"last"));
  EXPECT_EQ(CheckInvariants(grid), "");
  // A text the system has no page for is refused with nothing made.
  CTzGridCtrl fresh;
  const std::size_t pages = AfxSetAlignedPagesLimit(AfxGetAlignedPagesHeld());
  EXPECT_THROW(fresh.SetCellText(2, 2, CString(u"x")), CMemoryException);
  AfxSetAlignedPagesLimit(pages);
  EXPECT_EQ(fresh.m_cells.MadeCellCount(), 0u);
  fresh.SetCellText(2, 2, CString(u"x"));
  EXPECT_EQ(fresh.GetCellText(2, 2), CString(u"x"));
}

// Size costs what is touched: 2^28 cells are rows of nothing until written,
// reading makes nothing, and a shrink gives every slab block back (texts
// are checked by LeakSanitizer in the sanitizer run).
TEST(Model, CellsAreMadeOnlyWhenWrittenAndGiveTheirMemoryBack) {
  CTzGridCtrl grid;
  const int last = (1 << 22) - 1;
  grid.ResizeGrid(64, last + 1);
  EXPECT_EQ(grid.GetCellText(last, 63), CString());
  EXPECT_EQ(grid.GetCellSortState(last, 63), 0);
  grid.SetCellItemData(last, 63, 0);  // "no value": nothing to make
  EXPECT_EQ(grid.m_cells.MadeCellCount(), 0u);
  EXPECT_THROW(grid.GetCellText(last + 1, 0), CInvalidArgException);
  EXPECT_THROW(grid.GetCellText(0, 64), CInvalidArgException);
  grid.SetCellText(last, 63, CString(u"end"));
  EXPECT_EQ(grid.m_cells.MadeCellCount(), 64u);  // the written cell's row
  grid.ResizeGrid(70, last + 1);  // only the made row grows
  EXPECT_EQ(grid.GetCellText(last, 69), CString());
  EXPECT_EQ(CheckInvariants(grid), "");
  grid.ResizeGrid(5, 5);
  EXPECT_EQ(grid.m_cells.MadeCellCount(), 0u);
  grid.SetCellText(2, 2, CString(u"stays"));
  const std::size_t small = AfxGetAlignedPagesHeld();
  grid.ResizeGrid(20, 500000);
  EXPECT_EQ(AfxGetAlignedPagesHeld(), small);  // no cell made, no slab taken
  for (int r = 0; r < 500000; r += 7) grid.SetCellText(r, r % 20, CString(u"0123456789"));
  EXPECT_GE(AfxGetAlignedPagesHeld(), small + 3 * CFixedSlabAlloc::kBlockBytes);
  grid.ResizeGrid(5, 5);
  EXPECT_EQ(AfxGetAlignedPagesHeld(), small);
  EXPECT_EQ(grid.GetCellText(2, 2), CString(u"stays"));
  // Its only made row cut, a grid widened later makes rows for the new
  // width: two rows made side by side must not overlap.
  CTzGridCtrl cut;
  cut.SetCellText(4, 0, CString(u"cut"));
  cut.ResizeGrid(5, 4);
  cut.ResizeGrid(64, 4);
  cut.SetCellText(3, 63, CString(u"end"));
  cut.SetCellText(2, 0, CString(u"x"));
  EXPECT_EQ(cut.GetCellText(3, 63), CString(u"end"));
  EXPECT_EQ(CheckInvariants(cut), "");
}

// Thousands of seeded random sizing and layout calls through the dispatch
// map, with the invariants checked after every one.
TEST(Model, RandomSequenceKeepsInvariants) {
  CTzGridCtrl grid;
  Headless::HeadlessWindow window(grid, 300, 200);
  std::mt19937 rng(20261206);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  for (int step = 0; step < 6000; ++step) {
    int n = grid.m_nCols, r = grid.m_nRows;
    switch (pick(0, 13)) {
      case 0: PutHr(grid, 1, I4(pick(-1, 12))); break;
      case 1: PutHr(grid, 2, I4(pick(-1, 40))); break;
      case 2: CallHr(grid, 9, {I4(pick(0, 12))}); break;
      case 3: CallHr(grid, 10, {I4(pick(0, 40))}); break;
      case 4: PutHr(grid, 3, I4(pick(-2, r + 2))); break;
      case 5: PutHr(grid, 4, I4(pick(-2, n + 2))); break;
      case 6: CallHr(grid, 5, {I4(pick(-1, n)), I4(pick(0, 120))}); break;
      case 7: CallHr(grid, 6, {I4(pick(-1, r)), I4(pick(0, 60))}); break;
      case 8: CallHr(grid, 42, {I4(pick(-1, n)), I4(pick(-1, n))}); break;
      case 9: CallHr(grid, 26, {I4(pick(0, 90))}); break;
      case 10: CallHr(grid, 41, {I4(pick(0, n + 1))}); break;
      case 11: window.Resize(pick(0, 600), pick(0, 400)); break;
      case 12: if (n > 0) grid.m_focusCell = grid.GetCell(pick(0, r - 1), pick(0, n - 1)); break;
      case 13: CallHr(grid, 25, {I4(pick(-1, n + 1))}); break;
    }
    ASSERT_EQ(CheckInvariants(grid), "") << "after step " << step;
    if (grid.m_nCols > 0) {
      ASSERT_GE(grid.m_nFirstCol, 0);
      ASSERT_LE(grid.m_nFirstCol, grid.m_nCols) << "step " << step;  // = when every column is fixed
    }
  }
}

// Either both raise the invalid-argument exception or both give one answer.
template <class F>
std::string Outcome(F&& answer) {
  try {
    return std::to_string(answer());
  } catch (const CInvalidArgException&) {
    return "raised";
  }
}

// Index sum of the first `count` entries, wrapping as the unsigned sizes do.
int WalkSum(const CUIntArray& sizes, int from, int to) {
  int sum = 0;
  for (int i = from; i < to; ++i) sum = int(std::uint32_t(sum) + sizes.GetAt(i));
  return sum;
}

// The first index whose running sum passes `limit`, or `end`.
template <class Size>
int WalkPassing(int from, int end, int acc, int limit, Size size) {
  for (int i = from; i < end; ++i) {
    acc = int(std::uint32_t(acc) + size(i));
    if (acc > limit) return i;
  }
  return end;
}

// The column answers come from caches; they must be those of a walk over
// the order map, raising where the walk raises, through wrapping widths,
// hand-written order entries and entries that name no column.
TEST(Model, ColumnAnswersMatchTheWalks) {
  CTzGridCtrl grid;
  Headless::HeadlessWindow window(grid, 300, 200);
  std::mt19937 rng(11);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const UINT hostile[] = {0, 1, 50, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu, 1u << 30};
  for (int step = 0; step < 4000; ++step) {
    const int n = grid.m_nCols;
    switch (pick(0, 6)) {
      case 0: grid.ResizeGrid(pick(0, 40), 3); break;
      case 1: if (n) grid.m_layout.SetWidthOfColumn(pick(0, n - 1), hostile[pick(0, 6)]); break;
      case 2: if (n) grid.SetColumnWidth(pick(0, n - 1), pick(0, 80)); break;
      case 3: if (n) grid.m_layout.SetColumnAtPosition(pick(0, n - 1), UINT(pick(-2, 45))); break;
      case 4:
        try {  // refused when the column is not in a hand-written map
          if (n > 1) grid.MoveColumn(pick(0, n - 1), pick(0, n - 1));
        } catch (const CInvalidArgException&) {
        }
        break;
      case 5: if (n) grid.m_layout.SetColumnAtPosition(pick(0, n - 1), UINT(pick(0, 40))); break;
      default: grid.m_nHScrollPos = pick(0, 1) ? pick(0, 3000) : pick(INT32_MIN / 2, INT32_MAX / 2); break;
    }
    const CUIntArray &order = grid.m_arColOrder, &widths = grid.m_arColWidths;
    const int col = pick(-3, 50);
    ASSERT_EQ(Outcome([&] { return grid.FindDisplayPosition(col); }), Outcome([&] {
                for (int p = 0; p < grid.m_nCols; ++p) {
                  if (order.GetAt(p) == UINT(col)) return p;
                }
                return -1;
              })) << step;
    CRect client;
    grid.GetClientRect(&client);
    const int limit = int(std::uint32_t(grid.m_nHScrollPos) - std::uint32_t(client.left) + std::uint32_t(client.right));
    ASSERT_EQ(Outcome([&] { return grid.GetLastVisibleColumn(); }), Outcome([&] {
                return WalkPassing(0, grid.m_nCols, 0, limit, [&](int p) { return widths.GetAt(int(order.GetAt(p))); });
              })) << step;
    const int count = pick(0, grid.m_nCols + 1);
    ASSERT_EQ(Outcome([&] { return grid.ColumnWidthSum(0, count); }), Outcome([&] { return WalkSum(widths, 0, count); }))
        << step;
    ASSERT_EQ(Outcome([&] { return grid.FindColumnPassing(grid.m_nHScrollPos); }), Outcome([&] {
                return WalkPassing(0, grid.m_nCols, 0, grid.m_nHScrollPos, [&](int c) { return widths.GetAt(c); });
              })) << step;
  }
}

}  // namespace
}  // namespace TzGrid::Test

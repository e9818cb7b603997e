// The grid model: construction defaults, ResizeGrid, and the invariants
// over long random sequences of sizing and layout calls.
#include <algorithm>
#include <random>

#include "TestSupport.h"
#include "model/PrefixSums.h"

namespace TzGrid::Test {
namespace {

std::vector<UINT> Entries(const CUIntArray& a) {
  std::vector<UINT> v;
  for (int i = 0; i < a.GetSize(); ++i) v.push_back(a.GetAt(i));
  return v;
}

TEST(Model, ConstructionDefaults) {
  CTzGridCtrl grid;
  EXPECT_EQ(grid.m_nCols, 5);
  EXPECT_EQ(grid.m_nRows, 5);
  EXPECT_EQ(Entries(grid.m_arColWidths), (std::vector<UINT>{50, 50, 50, 50, 50}));
  EXPECT_EQ(Entries(grid.m_arRowHeights), (std::vector<UINT>{20, 20, 20, 20, 20}));
  EXPECT_EQ(Entries(grid.m_arColOrder), (std::vector<UINT>{0, 1, 2, 3, 4}));
  EXPECT_EQ(grid.m_nFixedRows, 1);
  EXPECT_EQ(grid.m_nFixedCols, 0);
  EXPECT_EQ(grid.m_nTopRow, 1);
  EXPECT_EQ(grid.m_nFirstCol, 0);
  EXPECT_EQ(grid.m_nDefColWidth, 50);
  EXPECT_EQ(grid.m_nDefRowHeight, 20);
  EXPECT_EQ(grid.m_pFocusCell, nullptr);
  EXPECT_EQ(grid.m_bEditMode, 0);
  EXPECT_EQ(grid.m_nMouseMode, MOUSE_IDLE);
  EXPECT_EQ(grid.m_clrBack, RGB(255, 255, 255));
  EXPECT_EQ(grid.m_clrEmptyArea, GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(grid.m_lfDefault.lfHeight, 80);
  EXPECT_EQ(grid.m_lfDefault.lfWeight, 0);
  EXPECT_EQ(std::u16string(grid.m_lfDefault.lfFaceName), u"Arial");
  EXPECT_NE(grid.m_fontDefault.GetSafeHandle(), nullptr);
  EXPECT_NE(grid.m_fontBold.GetSafeHandle(), nullptr);
  EXPECT_EQ(grid.GetBorderStyle(), 1);
  for (int r = 0; r < 5; ++r) {
    for (int c = 0; c < 5; ++c) {
      CGridCell* cell = grid.GetCell(r, c);
      EXPECT_TRUE(cell->m_strText.IsEmpty());
      EXPECT_EQ(cell->m_bReadOnly | cell->m_clrBack | cell->m_clrText | cell->m_nJustify | cell->m_nSortState, 0);
      EXPECT_FALSE(cell->m_bHeader || cell->m_bBold);
      EXPECT_EQ(std::uint64_t{cell->m_dwItemData}, 0u);  // packed field: compare a copy
    }
  }
  EXPECT_EQ(CheckInvariants(grid), "");
}

TEST(Model, GrowKeepsOldCellsAndUsesDefaults) {
  CTzGridCtrl grid;
  grid.GetCell(2, 3)->m_strText = u"keep";
  grid.GetCell(4, 4)->m_clrBack = 0x123456;
  grid.m_layout.SetWidthOfColumn(1, 77);
  grid.m_layout.SetHeightOfRow(3, 33);
  CGridCell* focus = grid.GetCell(1, 1);
  grid.m_pFocusCell = focus;
  grid.ResizeGrid(8, 7);
  EXPECT_EQ(grid.m_nCols, 8);
  EXPECT_EQ(grid.m_nRows, 7);
  EXPECT_EQ(grid.GetCell(2, 3)->m_strText, u"keep");
  EXPECT_EQ(grid.GetCell(4, 4)->m_clrBack, 0x123456u);
  EXPECT_EQ(Entries(grid.m_arColWidths), (std::vector<UINT>{50, 77, 50, 50, 50, 50, 50, 50}));
  EXPECT_EQ(Entries(grid.m_arRowHeights), (std::vector<UINT>{20, 20, 20, 33, 20, 20, 20}));
  EXPECT_EQ(Entries(grid.m_arColOrder), (std::vector<UINT>{0, 1, 2, 3, 4, 5, 6, 7}));
  // The row widened into a new block: the focus followed its cell.
  EXPECT_EQ(grid.m_pFocusCell, grid.FindCell(1, 1));
  EXPECT_NE(grid.m_pFocusCell, focus);
  EXPECT_EQ(grid.GetCell(6, 7)->m_nRow, 6);
  EXPECT_EQ(CheckInvariants(grid), "");
  // Rows cut and columns added in one resize: the cut rows' new blocks go back.
  grid.ResizeGrid(9, 2);
  EXPECT_EQ(grid.m_cells.MadeRowCount(), 1u);
  EXPECT_EQ(grid.m_pFocusCell, grid.FindCell(1, 1));
  EXPECT_EQ(grid.GetCellText(1, 8), CString());
  EXPECT_EQ(CheckInvariants(grid), "");
}

TEST(Model, ShrinkClearsFocusOnlyWhenItsCellGoes) {
  CTzGridCtrl grid;
  grid.m_pFocusCell = grid.GetCell(1, 1);
  grid.ResizeGrid(3, 3);
  EXPECT_EQ(grid.m_pFocusCell, grid.GetCell(1, 1));
  grid.m_pFocusCell = grid.GetCell(2, 2);
  grid.ResizeGrid(2, 3);
  EXPECT_EQ(grid.m_pFocusCell, nullptr);
  grid.m_pFocusCell = grid.GetCell(2, 1);
  grid.ResizeGrid(2, 2);
  EXPECT_EQ(grid.m_pFocusCell, nullptr);
  EXPECT_EQ(CheckInvariants(grid), "");
}

TEST(Model, ZeroCountEmptiesAndRebuildsFromCurrentDefaults) {
  CTzGridCtrl grid;
  grid.m_pFocusCell = grid.GetCell(0, 0);
  grid.m_nFirstCol = 3;
  grid.ResizeGrid(0, 4);
  EXPECT_EQ(grid.m_nCols, 0);
  EXPECT_EQ(grid.m_nRows, 0);
  EXPECT_EQ(grid.m_pFocusCell, nullptr);
  EXPECT_EQ(grid.m_nFirstCol, 3);  // left as it was
  EXPECT_EQ(CheckInvariants(grid), "");
  grid.SetDefaultColumnWidth(70);
  grid.ResizeGrid(3, 2);
  EXPECT_EQ(Entries(grid.m_arColWidths), (std::vector<UINT>{70, 70, 70}));
  EXPECT_EQ(Entries(grid.m_arRowHeights), (std::vector<UINT>{20, 20}));
  EXPECT_EQ(grid.m_nFirstCol, 0);  // past the last column: reset
  EXPECT_EQ(CheckInvariants(grid), "");
}

TEST(Model, ShrinkBelowScrollIndicesResetsThem) {
  CTzGridCtrl grid;
  grid.ResizeGrid(10, 30);
  grid.m_nTopRow = 20;
  grid.m_nVScrollPos = 380;
  grid.m_nFirstCol = 8;
  grid.m_nHScrollPos = 400;
  grid.ResizeGrid(9, 21);
  EXPECT_EQ(grid.m_nTopRow, 20);
  EXPECT_EQ(grid.m_nFirstCol, 8);
  grid.ResizeGrid(8, 20);
  EXPECT_EQ(grid.m_nTopRow, 0);
  EXPECT_EQ(grid.m_nVScrollPos, 0);
  EXPECT_EQ(grid.m_nFirstCol, 0);
  EXPECT_EQ(grid.m_nHScrollPos, 0);
}

TEST(Model, ShrinkKeepsReorderedOrderMapAPermutation) {
  CTzGridCtrl grid;
  grid.MoveColumn(4, 0);  // 4 0 1 2 3
  grid.MoveColumn(1, 4);  // 4 0 2 3 1
  grid.ResizeGrid(3, 5);
  EXPECT_EQ(Entries(grid.m_arColOrder), (std::vector<UINT>{0, 2, 1}));
  EXPECT_EQ(CheckInvariants(grid), "");
}

// SetColumnOrder writes single entries, so a host can leave columns out or
// list one twice; a shrink still ends with a permutation of the survivors.
TEST(Model, ShrinkTurnsAHandWrittenOrderIntoAPermutation) {
  CTzGridCtrl grid;
  grid.ResizeGrid(6, 5);
  const UINT written[] = {4, 1, 4, 5, 0, 3};  // 2 missing, 4 twice
  for (int p = 0; p < 6; ++p) grid.SetColumnOrder(LONG(written[p]), p);
  grid.ResizeGrid(3, 5);
  EXPECT_EQ(Entries(grid.m_arColOrder), (std::vector<UINT>{1, 0, 2}));
  EXPECT_EQ(CheckInvariants(grid), "");

  grid.ResizeGrid(5, 5);
  for (int p = 0; p < 5; ++p) grid.SetColumnOrder(p, p);
  grid.SetColumnOrder(0, 1);  // 0 0 2 3 4
  grid.ResizeGrid(2, 5);
  EXPECT_EQ(Entries(grid.m_arColOrder), (std::vector<UINT>{0, 1}));
  grid.ResizeGrid(4, 5);
  grid.SetColumnOrder(3, 0);  // 3 3 2 3: only 3 listed below position 1
  grid.SetColumnOrder(3, 1);
  grid.ResizeGrid(3, 5);
  EXPECT_EQ(Entries(grid.m_arColOrder), (std::vector<UINT>{2, 0, 1}));
  EXPECT_EQ(CheckInvariants(grid), "");
}

TEST(Model, NegativeAndHugeCountsAreRefusedBeforeAnyChange) {
  CTzGridCtrl grid;
  grid.GetCell(1, 1)->m_strText = u"x";
  std::string before = Snapshot(grid);
  EXPECT_THROW(grid.ResizeGrid(-1, 5), CInvalidArgException);
  EXPECT_THROW(grid.ResizeGrid(5, -7), CInvalidArgException);
  EXPECT_THROW(grid.ResizeGrid(0x7FFFFFFF, 0x7FFFFFFF), CMemoryException);
  EXPECT_THROW(grid.ResizeGrid(5, 0x7FFFFFFF), CMemoryException);
  EXPECT_EQ(Snapshot(grid), before);
}

// When the system refuses memory half-way through a resize's needs, the
// grid is left exactly as it was, whichever steps the resize would take,
// and works normally once memory is there again.
TEST(Model, RefusedMemoryLeavesTheGridUntouched) {
  CTzGridCtrl grid;
  grid.ResizeGrid(30, 4000);
  for (int r = 0; r < 4000; ++r) grid.GetCell(r, r % 30)->m_nSortState = 1;  // every row made
  grid.GetCell(3999, 29)->m_strText = u"last";
  grid.m_pFocusCell = grid.GetCell(3000, 10);
  grid.m_layout.SetColumnAtPosition(0, 29);
  grid.m_layout.SetColumnAtPosition(29, 0);
  const std::string before = Snapshot(grid);
  CGridCell* focus = grid.m_pFocusCell;
  // 64 KiB to spare: more rows, or more columns in 4000 made rows, do not fit.
  std::uint64_t limit = AfxSetAvailableMemoryLimit(64 * 1024);
  EXPECT_THROW(grid.ResizeGrid(30, 9000), CMemoryException);   // rows grow
  EXPECT_THROW(grid.ResizeGrid(60, 4000), CMemoryException);   // columns grow
  EXPECT_THROW(grid.ResizeGrid(80, 2000), CMemoryException);   // rows shrink, columns grow
  EXPECT_THROW(grid.ResizeGrid(10, 9000), CMemoryException);   // rows grow, columns shrink
  EXPECT_EQ(Snapshot(grid), before);
  EXPECT_EQ(grid.m_pFocusCell, focus);
  EXPECT_EQ(CheckInvariants(grid), "");
  // Shrinking needs nothing new and still works.
  grid.ResizeGrid(20, 3500);
  AfxSetAvailableMemoryLimit(limit);
  EXPECT_EQ(grid.m_pFocusCell, focus);
  EXPECT_EQ(CheckInvariants(grid), "");
  grid.ResizeGrid(40, 5000);
  EXPECT_EQ(grid.GetCell(4999, 39)->m_nRow, 4999);
  EXPECT_EQ(CheckInvariants(grid), "");

  // A cell the system has no room for is refused with nothing lost.
  CTzGridCtrl fresh;
  const std::size_t pages = AfxSetAlignedPagesLimit(AfxGetAlignedPagesHeld());
  EXPECT_THROW(fresh.GetCell(2, 2), CMemoryException);
  AfxSetAlignedPagesLimit(pages);
  EXPECT_EQ(fresh.m_cells.MadeCellCount(), 0u);
  EXPECT_EQ(CheckInvariants(fresh), "");
  EXPECT_EQ(fresh.GetCell(2, 2)->m_nCol, 2);
}

// A grid grown to hundreds of thousands of rows, written to here and there
// and shrunk back holds no more than it did before: the slab blocks of the
// cells made go back to the system and (checked by LeakSanitizer in the
// sanitizer run) every text is freed.
TEST(Model, ABigResizeGivesItsMemoryBack) {
  CTzGridCtrl grid;
  grid.GetCell(2, 2)->m_strText = u"stays";
  const std::size_t small = AfxGetAlignedPagesHeld();
  grid.ResizeGrid(20, 500000);
  EXPECT_EQ(AfxGetAlignedPagesHeld(), small);  // no cell made, no slab taken
  for (int r = 0; r < 500000; r += 7) grid.GetCell(r, r % 20)->m_strText = u"0123456789";
  EXPECT_GE(AfxGetAlignedPagesHeld(), small + 3 * CFixedSlabAlloc::kBlockBytes);
  grid.ResizeGrid(5, 5);
  EXPECT_EQ(AfxGetAlignedPagesHeld(), small);
  EXPECT_EQ(grid.GetCell(2, 2)->m_strText, u"stays");
  EXPECT_EQ(CheckInvariants(grid), "");
  grid.ResizeGrid(0, 0);
  grid.ResizeGrid(3, 3);
  EXPECT_EQ(CheckInvariants(grid), "");
}

// Size costs what is touched: 2^28 cells, a count an eager matrix could
// never hold, are rows of nothing until written; reading makes nothing.
TEST(Model, CellsAreMadeOnlyWhenWritten) {
  CTzGridCtrl grid;
  grid.ResizeGrid(64, 1 << 22);
  EXPECT_EQ(grid.m_cells.MadeCellCount(), 0u);
  EXPECT_EQ(grid.m_cells.MadeRowCount(), 0u);
  const int last = (1 << 22) - 1;
  EXPECT_EQ(grid.GetCellText(last, 63), CString());
  EXPECT_EQ(grid.GetCellSortState(last, 63), 0);
  EXPECT_EQ(grid.GetCellItemData(last, 63), 0u);
  grid.SetCellItemData(last, 63, 0);  // "no value": nothing to make
  EXPECT_EQ(grid.m_cells.MadeCellCount(), 0u);
  EXPECT_THROW(grid.GetCellText(last + 1, 0), CInvalidArgException);
  EXPECT_THROW(grid.GetCellText(0, 64), CInvalidArgException);
  grid.SetCellText(last, 63, CString(u"end"));
  EXPECT_EQ(grid.m_cells.MadeCellCount(), 64u);  // the row of the written cell
  EXPECT_EQ(grid.m_cells.MadeRowCount(), 1u);
  EXPECT_EQ(grid.GetCellText(last, 63), CString(u"end"));
  grid.ResizeGrid(70, 1 << 22);  // the one made row grows; the others have nothing to grow
  EXPECT_EQ(grid.GetCellText(last, 69), CString());
  EXPECT_EQ(CheckInvariants(grid), "");
  grid.ResizeGrid(5, 5);
  EXPECT_EQ(grid.m_cells.MadeCellCount(), 0u);
  EXPECT_EQ(CheckInvariants(grid), "");
}

TEST(Model, SameCountsChangeNothingAndSkipScrollBars) {
  CTzGridCtrl grid;
  Headless::HeadlessWindow window(grid, 100, 60);
  SCROLLINFO horz = window.ScrollBar(SB_HORZ);
  EXPECT_EQ(horz.nMax, 250 - 50 + 100);
  window.Resize(400, 400);  // everything fits: bars cleared
  EXPECT_EQ(window.ScrollBar(SB_HORZ).nMax, 0);
  window.Resize(100, 60);
  grid.m_layout.SetWidthOfColumn(0, 500);  // a change UpdateScrollBars would pick up
  grid.ResizeGrid(5, 5);
  EXPECT_EQ(window.ScrollBar(SB_HORZ).nMax, 250 - 50 + 100);
  grid.ResizeGrid(5, 6);
  EXPECT_EQ(window.ScrollBar(SB_HORZ).nMax, 700 - 50 + 100);
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
      case 12:
        if (n > 0) grid.m_pFocusCell = grid.GetCell(pick(0, r - 1), pick(0, n - 1));
        break;
      case 13: CallHr(grid, 25, {I4(pick(-1, n + 1))}); break;
    }
    std::string problem = CheckInvariants(grid);
    ASSERT_EQ(problem, "") << "after step " << step;
    if (grid.m_nCols > 0) {
      ASSERT_GE(grid.m_nFirstCol, 0);
      ASSERT_LE(grid.m_nFirstCol, grid.m_nCols) << "step " << step;  // = when every column is fixed
    }
  }
}

}  // namespace
}  // namespace TzGrid::Test

namespace TzGrid::Test {
namespace {

// The cached row sums answer exactly as the walks they replace, whatever
// the heights (zero, huge, "negative") and however they were changed.
// The column answers come from a cache; they must be those of a walk over
// the order map, raising where the walk raises, through wrapping widths,
// hand-written order entries and entries that name no column.
TEST(Model, ColumnAnswersMatchTheWalks) {
  CTzGridCtrl grid;
  Headless::HeadlessWindow window(grid, 300, 200);
  std::mt19937 rng(11);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  auto walkPosition = [&](int col) {
    for (int p = 0; p < grid.m_nCols; ++p) {
      if (grid.m_arColOrder.GetAt(p) == UINT(col)) return p;
    }
    return -1;
  };
  auto walkLastVisible = [&](int limit) {
    int sum = 0;
    for (int p = 0; p < grid.m_nCols; ++p) {
      sum = int(std::uint32_t(sum) + grid.m_arColWidths.GetAt(int(grid.m_arColOrder.GetAt(p))));
      if (sum > limit) return p;
    }
    return grid.m_nCols;
  };
  // Either both raise the invalid-argument exception or both give one answer.
  auto outcome = [](auto&& answer) -> std::string {
    try {
      return std::to_string(answer());
    } catch (const CInvalidArgException&) {
      return "raised";
    }
  };
  const UINT hostile[] = {0, 1, 50, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu, 1u << 30};
  for (int step = 0; step < 4000; ++step) {
    switch (pick(0, 6)) {
      case 0: grid.ResizeGrid(pick(0, 40), 3); break;
      case 1: if (grid.m_nCols) grid.m_layout.SetWidthOfColumn(pick(0, grid.m_nCols - 1), hostile[pick(0, 6)]); break;
      case 2: if (grid.m_nCols) grid.SetColumnWidth(pick(0, grid.m_nCols - 1), pick(0, 80)); break;
      case 3: if (grid.m_nCols) grid.m_layout.SetColumnAtPosition(pick(0, grid.m_nCols - 1), UINT(pick(-2, 45))); break;
      case 4:
        try {  // refused when the column is not in a hand-written map
          if (grid.m_nCols > 1) grid.MoveColumn(pick(0, grid.m_nCols - 1), pick(0, grid.m_nCols - 1));
        } catch (const CInvalidArgException&) {
        }
        break;
      case 5: if (grid.m_nCols) grid.m_layout.SetColumnAtPosition(pick(0, grid.m_nCols - 1), UINT(pick(0, 40))); break;
      default: grid.m_nHScrollPos = pick(0, 1) ? pick(0, 3000) : pick(INT32_MIN / 2, INT32_MAX / 2); break;
    }
    int col = pick(-3, 50);
    ASSERT_EQ(outcome([&] { return grid.FindDisplayPosition(col); }), outcome([&] { return walkPosition(col); })) << step;
    CRect client;
    grid.GetClientRect(&client);
    int limit = int(std::uint32_t(grid.m_nHScrollPos) - std::uint32_t(client.left) + std::uint32_t(client.right));
    ASSERT_EQ(outcome([&] { return grid.GetLastVisibleColumn(); }), outcome([&] { return walkLastVisible(limit); }))
        << step;
    int count = pick(0, grid.m_nCols + 1);
    ASSERT_EQ(outcome([&] { return grid.ColumnWidthSum(0, count); }), outcome([&] {
                int sum = 0;
                for (int c = 0; c < count; ++c) sum = int(std::uint32_t(sum) + grid.m_arColWidths.GetAt(c));
                return sum;
              }))
        << step;
    ASSERT_EQ(outcome([&] { return grid.FindColumnPassing(grid.m_nHScrollPos); }), outcome([&] {
                int sum = 0;
                for (int c = 0; c < grid.m_nCols; ++c) {
                  sum = int(std::uint32_t(sum) + grid.m_arColWidths.GetAt(c));
                  if (sum > grid.m_nHScrollPos) return c;
                }
                return grid.m_nCols;
              }))
        << step;
  }
}

TEST(Model, RowSumsMatchTheWalks) {
  CTzGridCtrl grid;
  std::mt19937 rng(7);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  auto walkSum = [&](int from, int to) {
    int sum = 0;
    for (int r = from; r < to; ++r) sum = int(std::uint32_t(sum) + grid.m_arRowHeights.GetAt(r));
    return sum;
  };
  auto walkFind = [&](int from, int acc, int limit) {
    for (int r = from; r < grid.m_nRows; ++r) {
      acc = int(std::uint32_t(acc) + grid.m_arRowHeights.GetAt(r));
      if (acc > limit) return r;
    }
    return grid.m_nRows;
  };
  auto walkHit = [&](int y) {
    int fixedRows = std::clamp(grid.m_nFixedRows, 0, grid.m_nRows);
    int fixedHeight = walkSum(0, fixedRows);
    int acc = y >= fixedHeight ? fixedHeight : 0;
    for (int r = y >= fixedHeight ? grid.m_nTopRow : 0; r < (y >= fixedHeight ? grid.m_nRows : fixedRows); ++r) {
      acc = int(std::uint32_t(acc) + grid.m_arRowHeights.GetAt(r));
      if (y <= acc) return r;
    }
    return -1;
  };
  const UINT hostile[] = {0, 1, 20, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu, 1u << 30};
  for (int step = 0; step < 3000; ++step) {
    switch (pick(0, 4)) {
      case 0: grid.ResizeGrid(3, pick(1, 300)); break;
      case 1: grid.SetRowHeight(pick(0, grid.m_nRows - 1), LONG(pick(0, 60))); break;
      case 2: grid.m_layout.SetHeightOfRow(pick(0, grid.m_nRows - 1), hostile[pick(0, 6)]); break;
      case 3: grid.m_layout.SetHeightOfRow(pick(0, grid.m_nRows - 1), UINT(pick(0, 40))); break;
      default: break;
    }
    int from = pick(0, grid.m_nRows), to = pick(from, grid.m_nRows);
    ASSERT_EQ(grid.RowHeightSum(from, to), walkSum(from, to)) << step;
    int acc = pick(-100, 100), limit = pick(-50, 6000);
    if (pick(0, 9) == 0) limit = pick(0, 1) ? INT32_MAX : INT32_MIN;
    ASSERT_EQ(grid.FindRowPassing(from, acc, limit), walkFind(from, acc, limit)) << step;
    // The hit test searches the same sums: it must answer as a walk down
    // from the header band or the top row does.
    grid.m_nFixedRows = pick(-1, 4);
    grid.m_nTopRow = pick(0, grid.m_nRows);
    int y = pick(0, 1) ? pick(0, 3000) : pick(0, INT32_MAX);
    ASSERT_EQ(grid.GetRowAtPoint(CPoint(10, y)), walkHit(y)) << step;
  }
  EXPECT_THROW(grid.RowHeightSum(-1, 2), CInvalidArgException);
  EXPECT_THROW(grid.RowHeightSum(0, grid.m_nRows + 1), CInvalidArgException);
  // An empty range reads nothing, so it sums to 0 wherever it lies.
  EXPECT_EQ(grid.RowHeightSum(-1, -1), 0);
  EXPECT_EQ(grid.RowHeightSum(grid.m_nRows + 1, grid.m_nRows + 1), 0);
  // Sizes shorter than the count searched: a search that finds its entry
  // within the array answers, one that runs out of entries, or starts past
  // them, raises where the walk would read past the end.
  CUIntArray heights;
  heights.SetSize(4);
  for (int r = 0; r < 4; ++r) heights.SetAt(r, 20);
  CPrefixSums sums;
  EXPECT_EQ(sums.FindPassing(heights, 10, 0, 0, 20), 1);
  EXPECT_THROW(sums.FindPassing(heights, 10, 0, 0, 80), CInvalidArgException);
  EXPECT_THROW(sums.FindPassing(heights, 10, 6, 0, 80), CInvalidArgException);
}

}  // namespace
}  // namespace TzGrid::Test

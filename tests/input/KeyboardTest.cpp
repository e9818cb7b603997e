// Keyboard navigation: arrows, the page keys, Delete and Backspace, hidden
// columns and rows, and the scroll step that follows a move. Tab, Shift+Tab
// and Enter, editing or not, are the module's key tests.
#include "TestSupport.h"

namespace TzGrid::Test {
namespace {

using Keys = UserGrid;

// Without a focus cell the moving keys reach only the base handler, the
// page keys still scroll.
TEST_F(Keys, KeysWithoutAFocusCell) {
  for (UINT vk : {VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, VK_DELETE, VK_BACK}) {
    window.ClearRecords();
    window.Send(WM_KEYDOWN, vk, 1);
    EXPECT_EQ(window.defaultCalls, std::vector<UINT>{WM_KEYDOWN}) << vk;
  }
  window.ClearRecords();
  Key(VK_TAB);  // pre-translated into Right, which has nowhere to go
  EXPECT_EQ(window.defaultCalls, (std::vector<UINT>{WM_KEYDOWN, WM_KEYUP}));
  EXPECT_EQ(grid.m_focusCell, CGridCell());
  window.Resize(300, 100);
  window.PaintAll();
  window.ClearRecords();
  Key(VK_NEXT);
  EXPECT_EQ(grid.m_nTopRow, 5);  // a page of 100 - 20 pixels
  Key(VK_PRIOR);
  EXPECT_EQ(grid.m_nTopRow, 1);
  EXPECT_EQ(window.defaultCalls, std::vector<UINT>({WM_KEYUP, WM_KEYUP}));
  Click(At(2, 1));
  Key(VK_NEXT);
  EXPECT_EQ(grid.m_focusCell, Cell(2, 1));  // paging leaves the focus alone
}

// Arrows move in display order (here [3 1 2 0 4]) onto the outermost cell
// their way (the last position, the first, the last row, the first row
// below the fixed band), handled without an event or a repaint; from there
// they leave the focus alone and pass the key on.
TEST_F(Keys, EachArrowReachesTheEdgeCellThenPassesTheKeyOn) {
  grid.m_layout.SetColumnAtPosition(0, 3);
  grid.m_layout.SetColumnAtPosition(3, 0);
  struct Edge {
    UINT vk;
    int fromRow, fromCol, edgeRow, edgeCol;
  };
  for (const Edge& e : {Edge{VK_RIGHT, 5, 0, 5, 4}, Edge{VK_LEFT, 5, 1, 5, 3}, Edge{VK_DOWN, 8, 2, 9, 2},
                        Edge{VK_UP, 2, 2, 1, 2}}) {
    grid.SetFocusedCell(e.fromRow, e.fromCol);
    window.ClearRecords();
    window.Send(WM_KEYDOWN, e.vk, 1);
    EXPECT_EQ(grid.m_focusCell, Cell(e.edgeRow, e.edgeCol)) << e.vk;
    EXPECT_TRUE(window.defaultCalls.empty() && window.events.empty() && window.invalidations.empty()) << e.vk;
    window.Send(WM_KEYDOWN, e.vk, 1);
    EXPECT_EQ(grid.m_focusCell, Cell(e.edgeRow, e.edgeCol)) << e.vk;
    EXPECT_EQ(window.defaultCalls, std::vector<UINT>{WM_KEYDOWN}) << e.vk;
  }
}

// Columns of width 0 and rows of height 0 are stepped over; with only
// hidden ones left that way, up to the first and last, the focus stays.
TEST_F(Keys, HiddenColumnsAndRowsAreSteppedOver) {
  Click(At(3, 1));
  const std::tuple<int, int, UINT, int, int> steps[] = {
      // hide a column (or -1), hide a row (or -1), a key, then the focus cell
      {2, -1, VK_RIGHT, 3, 3}, {-1, -1, VK_LEFT, 3, 1}, {3, -1, VK_RIGHT, 3, 4}, {4, -1, VK_LEFT, 3, 1},
      {-1, -1, VK_RIGHT, 3, 1}, {0, -1, VK_LEFT, 3, 1}, {-1, 2, VK_UP, 1, 1},   {-1, -1, VK_DOWN, 3, 1},
      {-1, 1, VK_UP, 3, 1},     {-1, 4, VK_DOWN, 5, 1}, {-1, 9, VK_DOWN, 6, 1}, {-1, 7, VK_DOWN, 8, 1},
      {-1, -1, VK_DOWN, 8, 1}};
  for (auto [col, row, vk, r, c] : steps) {
    if (col >= 0) grid.m_layout.SetWidthOfColumn(col, 0);
    if (row >= 0) grid.m_layout.SetHeightOfRow(row, 0);
    Key(vk);
    EXPECT_EQ(grid.m_focusCell, Cell(r, c)) << vk << " after hiding " << col << "/" << row;
  }
}

// Up and Down refuse a header cell, and a fixed row with or without the
// flag; sideways the flag does not matter.
TEST_F(Keys, UpAndDownRefuseHeaderCells) {
  grid.SetCellHeaderFlag(5, 2, 1);
  for (auto [from, vk] : {std::pair{4, VK_DOWN}, {6, VK_UP}}) {
    Click(At(from, 2));
    Key(vk);
    EXPECT_EQ(grid.m_focusCell, Cell(from, 2));
  }
  Key(VK_LEFT);
  Key(VK_UP);
  Key(VK_RIGHT);
  EXPECT_EQ(grid.m_focusCell, Cell(5, 2));
  grid.SetCellHeaderFlag(0, 2, 0);
  Click(At(1, 2));
  Key(VK_UP);
  EXPECT_EQ(grid.m_focusCell, Cell(1, 2));
}

// Delete and Backspace empty an editable focus cell, Delete going on to
// the base handler; while editing, Delete belongs to the editor and a
// Backspace character opens an empty edit.
TEST_F(Keys, DeleteAndBackspaceEmptyAnEditableCellOnly) {
  for (int c : {0, 1, 2}) grid.SetCellText(3, c, u"abc");
  grid.SetCellReadOnlyFlag(3, 2);
  for (auto [c, vk, text, base] : {std::tuple{2, VK_DELETE, "abc", 0u}, {1, VK_DELETE, "", 1u}, {0, VK_BACK, "", 1u}}) {
    Click(At(3, c));
    window.ClearRecords();
    window.Send(WM_KEYDOWN, vk, 1);
    EXPECT_EQ(Text(3, c), text) << c;
    EXPECT_EQ(window.defaultCalls.size(), base) << c;
  }
  Type(u'\b');
  EXPECT_EQ(Editor()->GetWindowText(), CString());
  window.Send(WM_KEYDOWN, VK_DELETE, 1);
  EXPECT_EQ(grid.m_bEditMode, 1);
}

// A 280 x 130 client: columns 0 .. 4 whole and 5 cut, rows 1 .. 5 whole
// and 6 cut. Moving onto a cut or hidden cell scrolls one step.
TEST_F(Keys, MovingOntoACellOutOfViewScrollsOneStep) {
  grid.ResizeGrid(10, 20);
  window.Resize(280, 130);
  window.PaintAll();
  Click(At(3, 3));
  const std::tuple<UINT, int, int, int> steps[] = {
      // key, then the first column, the top row and the focus cell's column or row
      {VK_RIGHT, 0, 1, 4}, {VK_RIGHT, 1, 1, 5}, {VK_LEFT, 1, 1, 4}, {VK_LEFT, 1, 1, 3}, {VK_LEFT, 1, 1, 2},
      {VK_LEFT, 1, 1, 1}, {VK_LEFT, 0, 1, 0}, {VK_DOWN, 0, 1, 4}, {VK_DOWN, 0, 1, 5}, {VK_DOWN, 0, 2, 6},
      {VK_DOWN, 0, 3, 7}, {VK_UP, 0, 3, 6}, {VK_UP, 0, 3, 5}, {VK_UP, 0, 3, 4}, {VK_UP, 0, 3, 3},
      {VK_UP, 0, 2, 2}};
  for (auto [vk, firstCol, topRow, focus] : steps) {
    Key(vk);
    EXPECT_EQ(grid.m_nFirstCol, firstCol) << vk << " onto " << focus;
    EXPECT_EQ(grid.m_nTopRow, topRow) << vk << " onto " << focus;
    const bool sideways = vk == VK_LEFT || vk == VK_RIGHT;
    EXPECT_EQ(sideways ? grid.m_focusCell.m_nCol : grid.m_focusCell.m_nRow, focus) << vk;
  }
  ExpectNoFailure();
}

}  // namespace
}  // namespace TzGrid::Test

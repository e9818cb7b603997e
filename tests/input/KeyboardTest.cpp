// Keyboard navigation: arrows, Tab and Shift+Tab, the editor's Enter, Page
// Up and Down, Delete and Backspace, stepping over hidden columns and rows,
// and the one scroll step that keeps the new focus cell in view.
#include "InputTestSupport.h"

namespace TzGrid::Test {
namespace {

using Keys = UserGrid;

TEST_F(Keys, WithoutAFocusCellKeysOnlyReachTheBaseHandler) {
  for (UINT vk : {VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, VK_DELETE, VK_BACK}) {
    window.ClearRecords();
    window.Send(WM_KEYDOWN, vk, 1);
    EXPECT_EQ(window.defaultCalls, std::vector<UINT>{WM_KEYDOWN}) << vk;
  }
  window.ClearRecords();
  Key(VK_TAB);  // pre-translated into Right, which has nowhere to go
  EXPECT_EQ(window.defaultCalls, (std::vector<UINT>{WM_KEYDOWN, WM_KEYUP}));
  EXPECT_EQ(grid.m_pFocusCell, nullptr);
}

TEST_F(Keys, PageKeysScrollEvenWithoutAFocusCell) {
  window.Resize(300, 100);
  window.PaintAll();
  window.ClearRecords();
  Key(VK_NEXT);
  EXPECT_EQ(grid.m_nTopRow, 5);  // a page of 100 - 20 pixels
  Key(VK_PRIOR);
  EXPECT_EQ(grid.m_nTopRow, 1);
  EXPECT_EQ(window.defaultCalls, std::vector<UINT>({WM_KEYUP, WM_KEYUP}));  // no base for the presses
  Click(At(2, 1));
  Key(VK_NEXT);
  EXPECT_EQ(grid.m_pFocusCell, Cell(2, 1));  // paging leaves the focus alone
}

TEST_F(Keys, ArrowsMoveOneCellAndFireNoSelection) {
  Click(At(3, 2));
  window.ClearRecords();
  Key(VK_RIGHT);
  EXPECT_EQ(grid.m_pFocusCell, Cell(3, 3));
  Key(VK_DOWN);
  EXPECT_EQ(grid.m_pFocusCell, Cell(4, 3));
  Key(VK_LEFT);
  Key(VK_LEFT);
  EXPECT_EQ(grid.m_pFocusCell, Cell(4, 1));
  Key(VK_UP);
  EXPECT_EQ(grid.m_pFocusCell, Cell(3, 1));
  EXPECT_TRUE(window.events.empty());
  // Moves are handled: only the key releases reach the base handler.
  EXPECT_EQ(window.defaultCalls, std::vector<UINT>(5, WM_KEYUP));
  EXPECT_TRUE(window.invalidations.empty());
}

TEST_F(Keys, ArrowsFollowTheDisplayOrder) {
  grid.m_layout.SetColumnAtPosition(0, 3);
  grid.m_layout.SetColumnAtPosition(3, 0);  // [3 1 2 0 4]
  Click(At(2, 2));                // column 2
  Key(VK_RIGHT);
  EXPECT_EQ(grid.m_pFocusCell, Cell(2, 0));
  Key(VK_LEFT);
  Key(VK_LEFT);
  Key(VK_LEFT);
  EXPECT_EQ(grid.m_pFocusCell, Cell(2, 3));
}

// Each arrow moves onto the outermost cell its way (the last column, the
// first column, the last row, the first row below the fixed band) and from
// there leaves the focus alone and passes the key on.
TEST_F(Keys, EachArrowReachesTheEdgeCellThenPassesTheKeyOn) {
  struct Edge {
    UINT vk;
    int fromRow, fromCol, edgeRow, edgeCol;
  };
  for (const Edge& e : {Edge{VK_RIGHT, 5, 3, 5, 4}, Edge{VK_LEFT, 5, 1, 5, 0}, Edge{VK_DOWN, 8, 2, 9, 2},
                        Edge{VK_UP, 2, 2, 1, 2}}) {
    Click(At(e.fromRow, e.fromCol));
    window.ClearRecords();
    window.Send(WM_KEYDOWN, e.vk, 1);
    EXPECT_EQ(grid.m_pFocusCell, Cell(e.edgeRow, e.edgeCol)) << e.vk;
    EXPECT_TRUE(window.defaultCalls.empty()) << e.vk;
    window.Send(WM_KEYDOWN, e.vk, 1);
    EXPECT_EQ(grid.m_pFocusCell, Cell(e.edgeRow, e.edgeCol)) << e.vk;
    EXPECT_EQ(window.defaultCalls, std::vector<UINT>{WM_KEYDOWN}) << e.vk;
  }
}

TEST_F(Keys, HiddenColumnsAndRowsAreSteppedOver) {
  Click(At(3, 1));
  grid.m_layout.SetWidthOfColumn(2, 0);
  Key(VK_RIGHT);
  EXPECT_EQ(grid.m_pFocusCell, Cell(3, 3));
  Key(VK_LEFT);
  EXPECT_EQ(grid.m_pFocusCell, Cell(3, 1));
  grid.m_layout.SetWidthOfColumn(3, 0);
  grid.m_layout.SetWidthOfColumn(4, 0);
  Key(VK_RIGHT);  // only hidden columns to the right
  Key(VK_RIGHT);
  EXPECT_EQ(grid.m_pFocusCell, Cell(3, 1));
  grid.m_layout.SetHeightOfRow(2, 0);
  Key(VK_UP);
  EXPECT_EQ(grid.m_pFocusCell, Cell(1, 1));
  Key(VK_DOWN);
  EXPECT_EQ(grid.m_pFocusCell, Cell(3, 1));
  grid.m_layout.SetHeightOfRow(1, 0);
  Key(VK_UP);
  Key(VK_UP);  // only a hidden row between it and the fixed band
  EXPECT_EQ(grid.m_pFocusCell, Cell(3, 1));
  grid.m_layout.SetHeightOfRow(9, 0);
  grid.m_pFocusCell = Cell(8, 1);
  Key(VK_DOWN);  // only a hidden row below
  EXPECT_EQ(grid.m_pFocusCell, Cell(8, 1));
}

TEST_F(Keys, UpAndDownRefuseHeaderCells) {
  grid.SetCellHeaderFlag(5, 2, 1);
  Click(At(4, 2));
  Key(VK_DOWN);
  EXPECT_EQ(grid.m_pFocusCell, Cell(4, 2));
  Click(At(6, 2));
  Key(VK_UP);
  EXPECT_EQ(grid.m_pFocusCell, Cell(6, 2));
  Key(VK_LEFT);  // sideways the header flag does not matter
  Key(VK_UP);
  Key(VK_RIGHT);
  EXPECT_EQ(grid.m_pFocusCell, Cell(5, 2));
  // Nor up from the first scrolled row into a fixed one, header or not.
  grid.SetCellHeaderFlag(0, 2, 0);
  Click(At(1, 2));
  Key(VK_UP);
  EXPECT_EQ(grid.m_pFocusCell, Cell(1, 2));
}

TEST_F(Keys, TabAndShiftTabMoveSideways) {
  Click(At(2, 2));
  Key(VK_TAB);
  EXPECT_EQ(grid.m_pFocusCell, Cell(2, 3));
  window.SetKeyDown(VK_SHIFT, true);
  Key(VK_TAB);
  Key(VK_TAB);
  window.SetKeyDown(VK_SHIFT, false);
  EXPECT_EQ(grid.m_pFocusCell, Cell(2, 1));
  EXPECT_EQ(window.Send(WM_GETDLGCODE), 0x83);
}

TEST_F(Keys, TabWhileEditingInTheLastColumnEndsTheEditButKeepsTheEditor) {
  Click(At(4, 4));
  Type(u"ab");
  window.ClearRecords();
  Key(VK_TAB);
  EXPECT_EQ(Events(), std::vector<EventRecord>{Exited(4, 4)});
  EXPECT_EQ(grid.m_bEditMode, 0);
  EXPECT_EQ(grid.m_pFocusCell, Cell(4, 4));
  EXPECT_TRUE(Editor()->IsWindowVisible());
  window.MoveFocusAway();
  EXPECT_FALSE(Editor()->IsWindowVisible());
}

TEST_F(Keys, TabWhileEditingMovesOnAndReportsOnce) {
  Click(At(4, 1));
  Type(u'z');
  window.ClearRecords();
  Key(VK_TAB);
  EXPECT_EQ(Events(), std::vector<EventRecord>{Exited(4, 1)});
  EXPECT_EQ(grid.m_pFocusCell, Cell(4, 2));
  EXPECT_FALSE(Editor()->IsWindowVisible());
}

TEST_F(Keys, ShiftEnterWhileEditingDoesNothing) {
  Click(At(4, 2));
  Type(u'z');
  window.SetKeyDown(VK_SHIFT, true);
  Key(VK_RETURN);
  window.SetKeyDown(VK_SHIFT, false);
  EXPECT_EQ(grid.m_pFocusCell, Cell(4, 2));
  EXPECT_EQ(grid.m_bEditMode, 1);
  EXPECT_EQ(Events(), std::vector<EventRecord>{Selected(4, 2)});
}

TEST_F(Keys, SidewaysMovesReportOnlyAnEditableCellUpAndDownAlways) {
  Click(At(4, 2));
  Type(u'z');
  grid.SetCellReadOnlyFlag(4, 2);  // the host locks the cell mid-edit
  window.ClearRecords();
  Key(VK_RETURN);
  EXPECT_EQ(grid.m_pFocusCell, Cell(4, 3));
  EXPECT_TRUE(window.events.empty());
  Type(u'y');
  grid.SetCellReadOnlyFlag(4, 3);
  Key(VK_DOWN);
  EXPECT_EQ(Events(), std::vector<EventRecord>{Exited(4, 3)});
}

TEST_F(Keys, TheHostSeesTheCellBeingLeftWithTheEditorAlreadyHidden) {
  Click(At(4, 2));
  Type(u'z');
  std::string seen;
  window.onEvent = [&](DISPID, const CDispArgs&) {
    seen = std::to_string(grid.GetCurrentRow()) + "," + std::to_string(grid.GetCurrentColumn()) + " edit " +
           std::to_string(grid.m_bEditMode) + " shown " + std::to_string(Editor()->IsWindowVisible());
  };
  Key(VK_DOWN);
  EXPECT_EQ(seen, "4,2 edit 1 shown 0");
}

TEST_F(Keys, DeleteEmptiesAnEditableCellOnly) {
  grid.SetCellText(3, 1, u"abc");
  grid.SetCellText(3, 2, u"def");
  grid.SetCellReadOnlyFlag(3, 2);
  Click(At(3, 2));
  window.ClearRecords();
  window.Send(WM_KEYDOWN, VK_DELETE, 1);
  EXPECT_EQ(Text(3, 2), "def");
  EXPECT_TRUE(window.defaultCalls.empty());
  Key(VK_LEFT);
  window.ClearRecords();
  window.Send(WM_KEYDOWN, VK_DELETE, 1);
  EXPECT_EQ(Text(3, 1), "");
  EXPECT_EQ(window.defaultCalls, std::vector<UINT>{WM_KEYDOWN});
  // While editing, Delete and Backspace belong to the editor.
  grid.SetCellText(3, 1, u"abc");
  DoubleClick(At(3, 1));
  window.Send(WM_KEYDOWN, VK_DELETE, 1);
  EXPECT_EQ(Text(3, 1), "abc");
  EXPECT_EQ(grid.m_bEditMode, 1);
}

class KeysScrolling : public UserGrid {
 protected:
  void SetUp() override {
    grid.ResizeGrid(10, 20);
    window.Resize(280, 130);  // columns 0 .. 4 whole, 5 cut; rows 1 .. 5 whole, 6 cut
    window.PaintAll();
    window.ClearRecords();
  }
};

TEST_F(KeysScrolling, MovingOntoAPartlyVisibleCellScrollsOneStep) {
  Click(At(3, 3));
  Key(VK_RIGHT);  // position 4 is whole: no scroll
  EXPECT_EQ(grid.m_nFirstCol, 0);
  Key(VK_RIGHT);  // position 5 is cut by the edge
  EXPECT_EQ(grid.m_nFirstCol, 1);
  EXPECT_EQ(grid.m_pFocusCell, Cell(3, 5));
  Key(VK_LEFT);
  Key(VK_LEFT);
  Key(VK_LEFT);
  Key(VK_LEFT);
  EXPECT_EQ(grid.m_nFirstCol, 1);
  Key(VK_LEFT);  // position 0 lies left of the view
  EXPECT_EQ(grid.m_nFirstCol, 0);
  EXPECT_EQ(grid.m_pFocusCell, Cell(3, 0));
}

TEST_F(KeysScrolling, MovingDownAndUpKeepsTheRowInView) {
  Click(CPoint(25, 90));  // row 4
  Key(VK_DOWN);
  EXPECT_EQ(grid.m_nTopRow, 1);  // row 5 ends at 120: whole
  Key(VK_DOWN);
  EXPECT_EQ(grid.m_nTopRow, 2);  // row 6 was cut
  Key(VK_DOWN);
  EXPECT_EQ(grid.m_nTopRow, 3);
  EXPECT_EQ(grid.m_pFocusCell, Cell(7, 0));
  for (int i = 0; i < 4; ++i) Key(VK_UP);
  EXPECT_EQ(grid.m_nTopRow, 3);
  Key(VK_UP);  // row 2 is above the view
  EXPECT_EQ(grid.m_nTopRow, 2);
  EXPECT_EQ(grid.m_pFocusCell, Cell(2, 0));
  ExpectNoFailure();
}

TEST_F(Keys, SysCharGoesToDefaultProcessing) {
  window.Send(WM_SYSCHAR, 'x', 1);
  EXPECT_EQ(window.defaultCalls, std::vector<UINT>{WM_SYSCHAR});
  MSG other{window.GetHwnd(), WM_KEYDOWN, VK_RIGHT, 1};
  EXPECT_EQ(grid.PreTranslateMessage(&other), FALSE);
}

}  // namespace
}  // namespace TzGrid::Test

// The accessible tree of the grid: child ids, what each cell is called and
// where it lies, navigation, and what a screen reader may do, on the
// headless platform at any grid size.
#include "access/AccessEvents.h"
#include "access/GridAccess.h"
#include "TestSupport.h"

namespace TzGrid::Test {
namespace {

using namespace Access;

// Records what the grid tells the platform's accessibility layer.
class Listener : public CAccessEvents {
 public:
  std::vector<std::string> heard;
  void FocusMoved() override { heard.push_back("focus"); }
  void TextChanged(int r, int c) override { heard.push_back("text " + std::to_string(r) + "," + std::to_string(c)); }
  void ShapeChanged() override { heard.push_back("shape"); }
};

std::string U8(const CString& s) { return s.ToUtf8(); }

// The user grid (5 columns of 50, 10 rows of 20, header row 0) with a
// listener, a named header and a fixed column of row names.
class AccessTest : public UserGrid {
 protected:
  Listener listener;
  CGridAccess access{grid};
  void SetUp() override {
    UserGrid::SetUp();
    grid.m_pAccessEvents = &listener;
  }
  CRect RectOf(CellPlace place) {
    Placement p = access.PlacementOf(place);
    return CRect(int(p.left), int(p.top), int(p.left + p.width), int(p.top + p.height));
  }
};

TEST_F(AccessTest, ChildIdsCountRowByRowAndStayWithinALong) {
  EXPECT_EQ(access.ChildCount(), 50);
  EXPECT_EQ(access.ChildOfCell({1, 0}), 6);
  EXPECT_EQ(access.ChildOfCell({9, 4}), 50);
  std::optional<CellPlace> place = access.CellOfChild(7);
  ASSERT_TRUE(place);
  EXPECT_EQ(access.ChildOfCell(*place), 7);
  for (std::int64_t bad : {std::int64_t(0), std::int64_t(-1), std::int64_t(51), std::int64_t(1) << 40}) {
    EXPECT_FALSE(access.CellOfChild(bad)) << bad;
  }
  EXPECT_EQ(access.ChildOfCell({10, 0}), 0);
  EXPECT_EQ(access.ChildOfCell({0, 5}), 0);

  // 10^10 cells: the rows whose cells all fit in a LONG are exposed, and
  // the count says exactly how many children there are.
  grid.ResizeGrid(100000, 100000);
  const std::size_t made = grid.m_cells.MadeCellCount();  // the header row painted before
  EXPECT_EQ(access.ExposedRows(), 21474);
  EXPECT_EQ(access.ChildCount(), 2147400000);
  EXPECT_EQ(access.ChildOfCell({21473, 99999}), 2147400000);
  EXPECT_EQ(access.ChildOfCell({21474, 0}), 0);
  std::optional<CellPlace> last = access.CellOfChild(2147400000);
  ASSERT_TRUE(last);
  EXPECT_EQ(last->row, 21473);
  EXPECT_EQ(last->pos, 99999);
  EXPECT_EQ(access.Navigate(2147400000, Direction::kDown), 0);
  EXPECT_EQ(U8(access.DescriptionOf(*last)), "column 100000, row 21474");
  EXPECT_EQ(grid.m_cells.MadeCellCount(), made);
}

TEST_F(AccessTest, CellsAreNamedByTheirTextAndDescribedByTheirHeaders) {
  grid.SetNumFixedColumns(1);
  grid.SetCellText(0, 3, CString(u"Population"));
  grid.SetCellSortState(0, 3, 2);
  grid.SetCellText(7, 3, CString(u"42"));
  grid.SetCellText(7, 0, CString(u"Oslo"));
  grid.SetCellText(6, 3, CString(u"17"));

  EXPECT_EQ(access.RoleOf({0, 3}), kRoleColumnHeader);
  EXPECT_EQ(access.RoleOf({7, 0}), kRoleRowHeader);
  EXPECT_EQ(access.RoleOf({7, 3}), kRoleCell);
  EXPECT_EQ(U8(access.NameOf({0, 3})), "Population (D)");
  EXPECT_EQ(U8(access.ValueOf({0, 3})), "Population");
  EXPECT_EQ(U8(access.NameOf({7, 3})), "42");
  EXPECT_EQ(U8(access.DescriptionOf({7, 3})), "Population (D), Oslo, row 8");
  EXPECT_EQ(U8(access.DescriptionOf({6, 3})), "Population (D), row 7");
  EXPECT_EQ(U8(access.DescriptionOf({6, 2})), "column 3, row 7");
  EXPECT_EQ(U8(access.DescriptionOf({0, 3})), "column 4");
  EXPECT_EQ(U8(access.DescriptionOf({7, 0})), "row 8");

  // The header follows its column: moved to the front, it describes the
  // cells at their new display position.
  grid.MoveColumn(3, 0);
  EXPECT_EQ(U8(access.NameOf({0, 0})), "Population (D)");
  // Fixed is by column index: column 0, now at position 1, heads the rows.
  EXPECT_EQ(U8(access.DescriptionOf({7, 0})), "Population (D), Oslo, row 8");
  EXPECT_EQ(access.RoleOf({7, 1}), kRoleRowHeader);
}

TEST_F(AccessTest, StatesFollowFocusReadOnlyHeadersAndTheScroll) {
  grid.SetFocusedCell(2, 1);
  grid.SetCellReadOnlyFlag(3, 1);
  const long selectable = kStateFocusable | kStateSelectable;
  EXPECT_EQ(access.StateOf({2, 1}, true), selectable | kStateFocused | kStateSelected);
  EXPECT_EQ(access.StateOf({2, 1}, false), selectable);
  EXPECT_EQ(access.StateOf({3, 1}, true), selectable | kStateReadOnly);
  // The painted header band is read-only and takes no focus.
  EXPECT_EQ(access.StateOf({0, 1}, true), kStateReadOnly);
  EXPECT_FALSE(access.CanTakeFocus({0, 1}));
  EXPECT_EQ(CGridAccess::TableState(true), kStateFocusable | kStateFocused);

  // Rows scrolled off above and columns past the client area are neither
  // visible nor on screen; where they would lie says why.
  window.Resize(120, 100);
  window.Send(WM_VSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(grid.m_nTopRow, 2);
  const long hidden = kStateInvisible | kStateOffscreen;
  EXPECT_EQ(access.StateOf({1, 0}, false) & hidden, hidden);
  EXPECT_EQ(RectOf({1, 0}), CRect(0, 0, 50, 20));  // under the header band
  EXPECT_EQ(access.StateOf({2, 0}, false) & hidden, 0);
  EXPECT_EQ(access.StateOf({2, 2}, false) & hidden, 0);  // partly shown
  EXPECT_EQ(access.StateOf({2, 3}, false) & hidden, hidden);
  EXPECT_EQ(access.StateOf({0, 3}, false) & hidden, hidden);
}

TEST_F(AccessTest, PlacementsMatchTheCellRectanglesAndHitTestsFindThemAtTheirCorners) {
  grid.SetNumFixedColumns(1);
  grid.SetColumnWidth(2, 30);
  grid.SetColumnWidth(3, 0);
  grid.MoveColumn(4, 1);  // display order 0 4 1 2 3
  window.Resize(200, 130);
  window.PaintAll();
  window.Send(WM_VSCROLL, SB_LINEDOWN, 0);
  const int fixedWidth = 50;

  for (int row : {0, 2, 5}) {
    for (int pos = 1; pos < 4; ++pos) {
      const int col = grid.m_layout.ColumnAtPosition(pos);
      CRect rc;
      grid.GetCellRect(row, col, &rc);
      EXPECT_EQ(RectOf({row, pos}), CRect(rc.left, rc.top, rc.right + 1, rc.bottom + 1)) << row << "," << pos;
      const ChildId id = access.ChildOfCell({row, pos});
      if (rc.right < rc.left || rc.left >= 200 || rc.top >= 130) continue;
      EXPECT_EQ(access.HitTest(rc.left, rc.top), id) << row << "," << pos;
      EXPECT_EQ(access.HitTest(std::min<std::int64_t>(rc.right, 199), rc.bottom), id) << row << "," << pos;
    }
  }
  // The fixed strip stands for the row headers, whatever the scroll.
  EXPECT_EQ(RectOf({5, 0}), CRect(0, 80, fixedWidth, 100));
  EXPECT_EQ(access.HitTest(0, 80), access.ChildOfCell({5, 0}));
  EXPECT_EQ(access.HitTest(49, 99), access.ChildOfCell({5, 0}));
  // The zero-width column lies nowhere a point can fall.
  EXPECT_EQ(access.PlacementOf({5, 4}).width, 0);
  EXPECT_FALSE(access.PlacementOf({5, 4}).onScreen);
  // Below the last row: the table itself; off the client area: nothing.
  window.Resize(200, 400);
  EXPECT_EQ(access.HitTest(60, 390), kTableItself);
  EXPECT_FALSE(access.HitTest(-1, 5));
  EXPECT_FALSE(access.HitTest(200, 5));
}

TEST_F(AccessTest, TheGridTellsOfFocusMovesTextChangesAndShapeChangesAsTheyHappen) {
  Click(At(2, 1));
  Key(VK_DOWN);
  Click(At(3, 1));  // already the focus cell: an edit opens, the focus stays
  Type(u"ab");
  Key(VK_RETURN);   // the editor moves right
  grid.SetCellText(6, 2, CString(u"x"));
  grid.SetFocusedCell(6, 2);
  grid.SetFocusedCell(6, 2);
  grid.MoveColumn(0, 3);
  grid.SetNumRows(12);
  window.Resize(300, 100);
  grid.SetCellText(9, 3, CString(u"below the view"));
  ExpectNoFailure();
  EXPECT_EQ(listener.heard, (std::vector<std::string>{"focus", "focus", "text 3,1", "text 3,1", "text 3,1", "focus",
                                                      "text 6,2", "focus", "shape", "shape"}));
  // The focus child follows the focus cell through a column move.
  EXPECT_EQ(access.FocusChild(), access.ChildOfCell({6, grid.FindDisplayPosition(2)}));
}

// Its description, state, place and neighbours: the module's access tests.
TEST_F(AccessTest, AMillionRowsAnswerAtTheirEndWithoutMakingACell) {
  grid.ResizeGrid(20, 1000000);
  window.PaintAll();
  const std::size_t made = grid.m_cells.MadeCellCount();  // the painted header band
  EXPECT_EQ(access.ChildCount(), 20000000);
  const ChildId last = access.ChildCount();
  std::optional<CellPlace> place = access.CellOfChild(last);
  ASSERT_TRUE(place);
  EXPECT_EQ(place->row, 999999);
  EXPECT_EQ(place->pos, 19);
  EXPECT_EQ(U8(access.NameOf(*place)), "");
  EXPECT_EQ(grid.m_cells.MadeCellCount(), made);

  // Taking the focus there scrolls straight to it.
  EXPECT_TRUE(TakeFocus(grid, *place));
  EXPECT_EQ(grid.m_nTopRow, 999999);
  EXPECT_TRUE(access.PlacementOf(*place).onScreen);
  EXPECT_EQ(access.FocusChild(), last);
}

}  // namespace
}  // namespace TzGrid::Test

// The cell drawer: text ink per alignment (measured, so that glyph shapes do
// not matter), sort marks, the cells it skips, and the in-place editor's place.
#include "TestSupport.h"

namespace TzGrid::Test {
namespace {

// Column 1 is widened to 120 pixels: it covers x = 50 .. 169, its text
// area after the 4-pixel margins x = 54 .. 164.
class CellText : public PaintTest {
 protected:
  static constexpr int kLeft = 50, kRight = 169;
  static constexpr int kTextLeft = 54, kTextRight = 164;
  static constexpr const char16_t* kWords = u"alpha beta gamma delta epsilon zeta eta theta iota kappa";

  void SetUp() override {
    PaintTest::SetUp();
    MarkHeaderRow(0);
    grid.SetColumnWidth(1, 120);
  }
  // The filled area of a cell (its last pixel column and row excluded).
  CRect FilledArea(int r, int c = 1) {
    CRect rc;
    grid.GetCellRect(r, c, &rc);
    return rc;
  }
  Ink TextInk(int r, int c = 1, COLORREF background = kBack) { return InkIn(FilledArea(r, c), background); }
  void Put(int r, const char16_t* text, std::int16_t justify, int c = 1) {
    grid.SetCellText(r, c, CString(text));
    grid.m_cells.SetAttribute(grid.GetCell(r, c), &CCellAttributes::nJustify, std::int16_t(std::int16_t(justify)));
  }
  Ink HeaderInk(int bottom = 18) { return InkIn(CRect(kLeft + 1, 1, kRight - 1, bottom), kFace); }
};

// One picture of text in every alignment. Left and right text keep 4-pixel
// margins and are centred vertically on one line; centred text is centred
// across, starts at the top and wraps; an unknown alignment shows no text;
// ink never leaves its cell and takes the cell's colour on its background.
TEST_F(CellText, TextInkPerAlignment) {
  grid.SetRowHeight(2, 60);  // rows at y = 20, 40 (60 high), 100 and 120
  Put(1, u"HHHH", 0);
  Put(2, kWords, 1);
  Put(3, u"HHHH", 2);
  Put(4, u"HHHH", 1);
  Put(1, kWords, 1, 2);  // wraps in 42 x 19 pixels
  Put(3, u"WWWWWWWWWWWWWWWWWWWWWWWW", 0, 2);
  Put(1, u"HHHH", 3, 3);
  Put(2, u"HHHH", 0, 3);
  Put(3, u"HHHH", -1, 3);
  grid.SetCellForeColour(4, 1, LONG(kRed));
  grid.SetItemBackColor(4, 1, LONG(kGreen));
  window.PaintAll();
  const Ink left = TextInk(1), wrapped = TextInk(2), right = TextInk(3), centred = TextInk(4, 1, kGreen);
  const Ink tall = TextInk(2, 3);
  ASSERT_TRUE(left.any && wrapped.any && right.any && centred.any && tall.any);
  EXPECT_GE(left.left, kTextLeft);
  EXPECT_LE(left.left, kTextLeft + 2);
  EXPECT_LT(left.right, kTextLeft + 60);
  EXPECT_LE(right.right, kTextRight);
  EXPECT_GE(right.right, kTextRight - 2);
  EXPECT_GT(right.left, kTextLeft + 40);
  EXPECT_NEAR(centred.CentreX(), (kTextLeft + kTextRight) / 2.0, 1.5);
  // Centred in the 19 filled rows; 40 more pixels of height move it down by 20.
  EXPECT_NEAR((left.top + left.bottom) / 2.0, 20 + 9, 3);
  EXPECT_EQ(tall.top - 40, left.top - 20 + 20);
  EXPECT_EQ(right.top - 100, left.top - 20);
  EXPECT_EQ(wrapped.top - 40, centred.top - 120) << "centred text is not centred vertically";
  EXPECT_GT(wrapped.Height(), 2 * left.Height()) << "the text was not broken into lines";
  EXPECT_FALSE(TextInk(1, 3).any);
  EXPECT_FALSE(TextInk(3, 3).any);
  EXPECT_FALSE(InkIn(CRect(216, 100, 219, 119), kBack).any) << "ink in the right margin";
  EXPECT_FALSE(InkIn(CRect(170, 40, 219, 99), kBack).any) << "wrapped lines past the cell's bottom";
  ExpectPixels({{219, 110, kLine}, {200, 39, kLine}});
  EXPECT_GT(CountOf(FilledArea(1), kDefaultInk), 0);
  EXPECT_EQ(CountOf(FilledArea(1), kBlack), 0);
  EXPECT_GT(CountOf(FilledArea(4), kRed), 0);
  EXPECT_EQ(CountOf(FilledArea(4), kDefaultInk), 0);
  EXPECT_EQ(CountOf(FilledArea(4), kBack), 0);
}

// Header text is centred across in the cell's colour; "(A)" follows the
// text of an ascending header, " (D)" (a space more) a descending one;
// other states, and header cells below the band, show no mark.
TEST_F(CellText, HeaderTextAndSortMarks) {
  grid.SetCellText(0, 1, CString(u"Name"));
  grid.SetCellForeColour(0, 1, LONG(kRed));
  auto inkWidth = [this](USHORT state) {
    grid.SetCellSortState(0, 1, state);
    window.PaintAll();
    return HeaderInk().Width();
  };
  const int none = inkWidth(0);
  EXPECT_NEAR(HeaderInk().CentreX(), (kLeft + kRight) / 2.0, 2);
  EXPECT_GT(CountOf(CRect(kLeft, 0, kRight, 19), kRed), 0);
  EXPECT_EQ(CountOf(CRect(kLeft, 0, kRight, 19), kDefaultInk), 0);
  const int ascending = inkWidth(1), descending = inkWidth(2);
  EXPECT_GT(ascending, none + 10);
  EXPECT_GT(descending, ascending);
  EXPECT_EQ(inkWidth(3), none);
  grid.SetCellText(1, 1, CString(u"Name"));
  grid.SetCellHeaderFlag(1, 1, 1);
  window.PaintAll();
  const int plain = TextInk(1).Width();
  grid.SetCellSortState(1, 1, 2);
  window.PaintAll();
  EXPECT_EQ(TextInk(1).Width(), plain);
}

// ---- which cells the drawer skips, and where it draws

class CellDrawer : public PaintedGrid {
 protected:
  // Draws cell (r, c) into rect on a context over the window; reports the
  // colour then found at the rectangle's (left + 10, top + 10).
  COLORREF DrawAt(int r, int c, CRect rect) {
    auto dc = Headless::CreatePixmapDC(window.framebuffer, window.GetClientRect());
    grid.DrawCell(grid.GetCell(r, c), &rect, dc.get());
    return Px(rect.left + 10, rect.top + 10);
  }
};

TEST_F(CellDrawer, CellsOutOfViewAreSkipped) {
  const CRect first(0, 20, 49, 39);
  grid.SetItemBackColor(1, 1, LONG(kRed));
  grid.SetItemBackColor(1, 2, LONG(kGreen));
  grid.m_nFirstCol = 2;  // position 1 is left of the view, position 2 is its first
  EXPECT_EQ(DrawAt(1, 1, first), kBack);
  EXPECT_EQ(DrawAt(1, 2, first), kGreen);
  grid.m_nFirstCol = 0;
  grid.m_nTopRow = 3;  // row 1 is above the view, the fixed row 0 never is
  grid.SetItemBackColor(1, 3, LONG(kRed));
  grid.SetItemBackColor(0, 3, LONG(kRed));
  EXPECT_EQ(DrawAt(1, 3, CRect(150, 60, 199, 79)), kBack);
  EXPECT_EQ(DrawAt(0, 3, CRect(150, 60, 199, 79)), kRed);
  grid.DrawCell(grid.GetCell(0, 3));  // without a rectangle it finds its place in the band
  EXPECT_EQ(Px(160, 5), kRed);
  grid.m_nTopRow = 1;
  // A column missing from the order counts as position 0, shown or not.
  grid.SetColumnOrder(0, 1);  // order 0, 0, 2, 3, 4
  EXPECT_EQ(DrawAt(1, 1, CRect(100, 20, 149, 39)), kRed);
  grid.m_nFirstCol = 1;
  grid.SetItemBackColor(1, 1, LONG(kGreen));
  EXPECT_EQ(DrawAt(1, 1, CRect(100, 20, 149, 39)), kRed);
  grid.SetColumnOrder(1, 1);
  grid.m_nFirstCol = 0;
  // A rectangle of no width is not drawn, not even the focus frame (only
  // equality is tested: an inverted one goes on to the drawing).
  grid.SetFocusedCell(1, 1);
  DrawAt(1, 1, CRect(60, 20, 60, 39));
  ExpectPixels({{60, 20, kBack}});
  EXPECT_NO_THROW(DrawAt(1, 1, CRect(60, 20, 59, 39)));
  window.Resize(120, 150);  // positions 0 and 1 fit, 2 is cut: the last visible is 2
  window.PaintAll();
  grid.SetItemBackColor(1, 3, LONG(kGreen));
  EXPECT_EQ(DrawAt(1, 3, first), kBack);
  EXPECT_EQ(DrawAt(1, 2, first), kGreen);
}

// The editor goes over the edited focus cell only, an empty one up to its
// grid lines (a cell with text, one pixel more each way: see the editing tests).
TEST_F(CellDrawer, TheEditorIsPlacedOverTheEditedFocusCellOnly) {
  grid.SetFocusedCell(2, 1);  // (50, 40, 99, 59)
  grid.RedrawCell(grid.GetCell(2, 1));
  EXPECT_EQ(window.EditChild(), nullptr) << "not in edit mode";
  grid.m_bEditMode = 1;
  grid.RedrawCell(grid.GetCell(2, 2));
  EXPECT_EQ(window.EditChild(), nullptr) << "not the focus cell";
  grid.RedrawCell(grid.GetCell(2, 1));
  ASSERT_NE(window.EditChild(), nullptr);
  EXPECT_EQ(window.EditChild()->Rect(), CRect(50, 40, 99, 59));
  EXPECT_TRUE(window.EditChild()->IsWindowVisible());
  EXPECT_NE(window.FocusWindow(), window.EditChild()->GetHwnd());  // a draw never takes the keyboard focus
}

}  // namespace
}  // namespace TzGrid::Test

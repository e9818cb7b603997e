// The cell drawer and the text of cells and headers: where text ink lies
// for each alignment (measured, so that glyph shapes do not matter), its
// colour, clipping and wrapping, the sort marks, the cells the drawer skips,
// the direct redraw on the window and the placement of the in-place editor.
#include "PaintTestSupport.h"

namespace TzGrid::Test {
namespace {

// Column 1 is widened to 120 pixels: it covers x = 50 .. 169, its text
// area after the 4-pixel margins x = 54 .. 164.
class CellText : public PaintTest {
 protected:
  static constexpr int kLeft = 50, kRight = 169;
  static constexpr int kTextLeft = 54, kTextRight = 164;

  void SetUp() override {
    PaintTest::SetUp();
    MarkHeaderRow(0);
    grid.SetColumnWidth(1, 120);
  }
  // The filled area of the cell of row r in column 1 (its last pixel column
  // and row excluded), found through the geometry.
  CRect FilledArea(int r) {
    CRect rc;
    grid.GetCellRect(r, 1, &rc);
    return CRect(rc.left, rc.top, rc.right, rc.bottom);
  }
  Ink TextInk(int r, COLORREF background = kBack) { return InkIn(FilledArea(r), background); }
  void Put(int r, const char16_t* text, std::int16_t justify) {
    grid.SetCellText(r, 1, CString(text));
    grid.GetCell(r, 1)->m_nJustify = justify;
  }
};

TEST_F(CellText, LeftTextStartsFourPixelsIn) {
  Put(1, u"HHHH", 0);
  window.PaintAll();
  Ink ink = TextInk(1);
  ASSERT_TRUE(ink.any);
  EXPECT_GE(ink.left, kTextLeft);
  EXPECT_LE(ink.left, kTextLeft + 2);
  EXPECT_LT(ink.right, kTextLeft + 60);
}

TEST_F(CellText, RightTextEndsFourPixelsIn) {
  Put(1, u"HHHH", 2);
  window.PaintAll();
  Ink ink = TextInk(1);
  ASSERT_TRUE(ink.any);
  EXPECT_LE(ink.right, kTextRight);
  EXPECT_GE(ink.right, kTextRight - 2);
  EXPECT_GT(ink.left, kTextLeft + 40);
}

TEST_F(CellText, CentredTextIsCentred) {
  Put(1, u"HHHH", 1);
  window.PaintAll();
  Ink ink = TextInk(1);
  ASSERT_TRUE(ink.any);
  EXPECT_NEAR(ink.CentreX(), (kTextLeft + kTextRight) / 2.0, 1.5);
}

TEST_F(CellText, OneLineTextIsCentredVertically) {
  grid.SetRowHeight(2, 60);  // row 2: y = 40 .. 99
  Put(1, u"HHHH", 0);
  Put(2, u"HHHH", 0);
  Put(3, u"HHHH", 2);  // row 3: y = 100 .. 119
  window.PaintAll();
  Ink low = TextInk(1), tall = TextInk(2), right = TextInk(3);
  ASSERT_TRUE(low.any && tall.any && right.any);
  // 40 more pixels of height move the line down by exactly 20.
  EXPECT_EQ(tall.top - 40, low.top - 20 + 20);
  EXPECT_EQ(tall.Height(), low.Height());
  EXPECT_EQ(right.top - 100, low.top - 20);
  // Centred in the 19 filled rows: as much room above as below, give or
  // take the font's descent.
  EXPECT_NEAR((low.top + low.bottom) / 2.0, 20 + 9, 3);
}

TEST_F(CellText, CentredTextStartsAtTheTopAndWraps) {
  grid.SetRowHeight(2, 60);
  Put(1, u"HHHH", 1);
  Put(2, u"HHHH", 1);
  window.PaintAll();
  Ink low = TextInk(1), tall = TextInk(2);
  ASSERT_TRUE(low.any && tall.any);
  EXPECT_EQ(tall.top - 40, low.top - 20);  // no vertical centring

  const char16_t* words = u"alpha beta gamma delta epsilon zeta eta theta";
  Put(2, words, 1);
  window.PaintAll();
  Ink wrapped = TextInk(2);
  ASSERT_TRUE(wrapped.any);
  EXPECT_GT(wrapped.Height(), 2 * low.Height()) << "the text was not broken into lines";
  EXPECT_GE(wrapped.left, kTextLeft);
  EXPECT_LE(wrapped.right, kTextRight);

  Put(2, words, 0);  // left text stays on one line
  window.PaintAll();
  Ink single = TextInk(2);
  ASSERT_TRUE(single.any);
  EXPECT_LT(single.Height(), wrapped.Height() / 2);
}

TEST_F(CellText, TextIsClippedToTheCell) {
  Put(1, u"WWWWWWWWWWWWWWWWWWWWWWWWWWWWWW", 0);
  Put(3, u"alpha beta gamma delta epsilon zeta eta theta iota kappa lambda mu", 1);
  window.PaintAll();
  Ink ink = TextInk(1);
  ASSERT_TRUE(ink.any);
  EXPECT_LE(ink.right, kTextRight);
  EXPECT_FALSE(InkIn(CRect(165, 20, 169, 39), kBack).any) << "ink in the right margin";
  EXPECT_PIXEL(kRight, 30, kLine);
  EXPECT_FALSE(InkIn(CRect(170, 20, 219, 39), kBack).any) << "ink in the next cell";
  // Wrapped lines that do not fit stop at the cell's bottom.
  Ink wrapped = TextInk(3);
  ASSERT_TRUE(wrapped.any);
  EXPECT_PIXEL(100, 79, kLine);
  EXPECT_FALSE(InkIn(CRect(kLeft, 80, kRight, 99), kBack).any) << "ink in the row below";
}

TEST_F(CellText, DefaultAndOwnTextColour) {
  Put(1, u"HHHHMMMM", 0);
  Put(2, u"HHHHMMMM", 0);
  grid.SetCellForeColour(2, 1, LONG(kRed));
  window.PaintAll();
  EXPECT_GT(CountOf(FilledArea(1), kDefaultInk), 0);
  EXPECT_EQ(CountOf(FilledArea(1), kBlack), 0);
  EXPECT_GT(CountOf(FilledArea(2), kRed), 0);
  EXPECT_EQ(CountOf(FilledArea(2), kDefaultInk), 0);
}

TEST_F(CellText, TextOnTheCellsOwnBackground) {
  Put(1, u"HHHH", 0);
  grid.SetItemBackColor(1, 1, LONG(kGreen));
  window.PaintAll();
  Ink ink = TextInk(1, kGreen);
  ASSERT_TRUE(ink.any);
  EXPECT_GE(ink.left, kTextLeft);
  EXPECT_EQ(CountOf(FilledArea(1), kBack), 0);
}

TEST_F(CellText, UnknownAlignmentsShowNoText) {
  Put(1, u"HHHH", 3);
  Put(2, u"HHHH", -1);
  grid.SetFocusedCell(2, 1);
  window.PaintAll();
  EXPECT_FALSE(TextInk(1).any);
  Ink framed = TextInk(2);  // only the focus frame
  EXPECT_EQ(framed.left, kLeft);
  EXPECT_EQ(CountOf(FilledArea(2), kDefaultInk), 0);
  EXPECT_PIXEL(60, 50, kBack);
  EXPECT_PIXEL(kLeft, 40, kBlack);
}

TEST_F(CellText, ANarrowColumnHasNoRoomForText) {
  grid.SetColumnWidth(2, 9);  // x = 170 .. 178: the text area is empty
  grid.SetCellText(1, 2, CString(u"HHHH"));
  grid.SetColumnWidth(3, 10);  // x = 179 .. 188: one pixel of text area
  grid.SetCellText(1, 3, CString(u"HHHH"));
  window.PaintAll();
  EXPECT_FALSE(InkIn(CRect(170, 20, 178, 39), kBack).any);
  EXPECT_FALSE(InkIn(CRect(179, 20, 183, 39), kBack).any);
  EXPECT_FALSE(InkIn(CRect(184, 20, 188, 39), kBack).any);
}

TEST_F(CellText, FocusFrameAndTextTogether) {
  Put(1, u"HHHH", 0);
  grid.SetFocusedCell(1, 1);
  window.PaintAll();
  EXPECT_PIXEL(kLeft, 20, kBlack);
  EXPECT_PIXEL(kRight - 1, 38, kBlack);
  Ink inside = InkIn(CRect(kLeft + 1, 21, kRight - 1, 38), kBack);
  ASSERT_TRUE(inside.any);
  EXPECT_GE(inside.left, kTextLeft);
}

// ---- header text

TEST_F(CellText, HeaderTextIsCentredAtTheTopInTheHeaderColour) {
  grid.SetCellText(0, 1, CString(u"Name"));
  window.PaintAll();
  Ink ink = InkIn(CRect(kLeft + 1, 1, kRight - 1, 18), kFace);
  ASSERT_TRUE(ink.any);
  EXPECT_NEAR(ink.CentreX(), (kLeft + kRight) / 2.0, 2);
  EXPECT_GT(CountOf(CRect(kLeft, 0, kRight, 19), kDefaultInk), 0);

  // Without a single-line format the text does not move down in a taller band.
  grid.SetRowHeight(0, 60);
  grid.SetCellForeColour(0, 1, LONG(kRed));
  window.PaintAll();
  Ink tall = InkIn(CRect(kLeft + 1, 1, kRight - 1, 58), kFace);
  EXPECT_EQ(tall.top, ink.top);
  EXPECT_GT(CountOf(CRect(kLeft, 0, kRight, 59), kRed), 0);
  EXPECT_EQ(CountOf(CRect(kLeft, 0, kRight, 59), kDefaultInk), 0);
}

TEST_F(CellText, SortMarksWidenTheHeaderText) {
  grid.SetCellText(0, 1, CString(u"Name"));
  auto inkWidth = [this](USHORT state) {
    grid.SetCellSortState(0, 1, state);
    window.PaintAll();
    return InkIn(CRect(kLeft + 1, 1, kRight - 1, 18), kFace).Width();
  };
  int none = inkWidth(0), ascending = inkWidth(1), descending = inkWidth(2), other = inkWidth(3);
  EXPECT_GT(none, 0);
  EXPECT_GT(ascending, none + 10) << "\"(A)\" follows the text";
  EXPECT_GT(descending, ascending) << "\" (D)\" has a space before it";
  EXPECT_EQ(other, none);
  // A header without text shows only its mark.
  grid.SetCellText(0, 2, CString());
  grid.SetCellSortState(0, 2, 1);
  window.PaintAll();
  EXPECT_TRUE(InkIn(CRect(171, 1, 218, 18), kFace).any);
}

TEST_F(CellText, HeaderTextBreaksOnlyAtLineBreaks) {
  grid.SetRowHeight(0, 40);
  grid.SetCellText(0, 1, CString(u"Name"));
  window.PaintAll();
  int oneLine = InkIn(CRect(kLeft + 1, 1, kRight - 1, 38), kFace).Height();
  ASSERT_GT(oneLine, 0);
  // Too long for the cell, without breaks: one line, cut at the sides.
  grid.SetCellText(0, 1, CString(u"Name of the product as the supplier writes it"));
  window.PaintAll();
  Ink longText = InkIn(CRect(kLeft + 1, 1, kRight - 1, 38), kFace);
  EXPECT_LT(longText.Height(), 2 * oneLine);
  EXPECT_FALSE(InkIn(CRect(kRight, 0, kRight + 1, 40), kEmpty).any) << "ink past the cell";
  // With a break in the text: two lines.
  grid.SetCellText(0, 1, CString(u"Name\r\nNAME"));
  window.PaintAll();
  EXPECT_GT(InkIn(CRect(kLeft + 1, 1, kRight - 1, 38), kFace).Height(), 2 * oneLine);
}

TEST_F(CellText, ScrolledHeaderCellsShowNoSortMark) {
  grid.SetCellText(1, 1, CString(u"Name"));
  grid.SetCellHeaderFlag(1, 1, 1);
  window.PaintAll();
  int plain = TextInk(1).Width();
  grid.SetCellSortState(1, 1, 2);
  window.PaintAll();
  EXPECT_EQ(TextInk(1).Width(), plain);
}

// ---- which cells the drawer skips, and its own context

class CellDrawer : public PaintTest {
 protected:
  void SetUp() override {
    PaintTest::SetUp();
    MarkHeaderRow(0);
    window.PaintAll();
  }
  std::unique_ptr<CDC> WindowDC() { return Headless::CreatePixmapDC(window.framebuffer, window.GetClientRect()); }
};

TEST_F(CellDrawer, WithoutAContextItDrawsOnTheWindowAtOnce) {
  grid.SetItemBackColor(2, 1, LONG(kRed));
  window.ClearRecords();
  grid.DrawCell(grid.GetCell(2, 1));
  EXPECT_PIXEL(50, 40, kRed);
  EXPECT_PIXEL(98, 58, kRed);
  EXPECT_PIXEL(99, 50, kLine);
  EXPECT_FALSE(window.HasUpdate());
  EXPECT_TRUE(window.invalidations.empty());
}

TEST_F(CellDrawer, AHeaderCellDrawnDirectlyIsFlat) {
  grid.DrawCell(grid.GetCell(0, 1));
  EXPECT_PIXEL(50, 0, kBack);
  EXPECT_PIXEL(98, 18, kBack);
  EXPECT_PIXEL(99, 10, kEmpty);
  window.PaintAll();
  EXPECT_PIXEL(50, 0, kWhite);  // the next paint brings the header look back
}

TEST_F(CellDrawer, ColumnsLeftOfTheFirstOneAreNotDrawn) {
  grid.m_nFirstCol = 2;
  grid.SetItemBackColor(1, 1, LONG(kRed));
  auto dc = WindowDC();
  CRect rc(0, 20, 49, 39);
  grid.DrawCell(grid.GetCell(1, 1), &rc, dc.get());
  EXPECT_PIXEL(10, 30, kBack);
  grid.DrawCell(grid.GetCell(1, 2), &rc, dc.get());
  EXPECT_PIXEL(10, 30, kBack);
  grid.SetItemBackColor(1, 2, LONG(kGreen));
  grid.DrawCell(grid.GetCell(1, 2), &rc, dc.get());
  EXPECT_PIXEL(10, 30, kGreen);
}

TEST_F(CellDrawer, AColumnMissingFromTheOrderCountsAsPositionZero) {
  grid.SetColumnOrder(0, 1);  // order 0, 0, 2, 3, 4: column 1 is not shown
  grid.SetItemBackColor(1, 1, LONG(kRed));
  auto dc = WindowDC();
  CRect rc(100, 20, 149, 39);
  grid.DrawCell(grid.GetCell(1, 1), &rc, dc.get());
  EXPECT_PIXEL(110, 30, kRed);
  grid.SetItemBackColor(1, 1, LONG(kGreen));
  grid.m_nFirstCol = 1;
  grid.DrawCell(grid.GetCell(1, 1), &rc, dc.get());
  EXPECT_PIXEL(110, 30, kRed);
}

TEST_F(CellDrawer, RowsScrolledOffAboveAreNotDrawnButFixedRowsAre) {
  grid.m_nTopRow = 3;
  grid.SetItemBackColor(2, 1, LONG(kRed));
  grid.SetItemBackColor(0, 1, LONG(kRed));
  auto dc = WindowDC();
  CRect rc(50, 60, 99, 79);
  grid.DrawCell(grid.GetCell(2, 1), &rc, dc.get());
  EXPECT_PIXEL(60, 70, kBack);
  grid.DrawCell(grid.GetCell(0, 1), &rc, dc.get());
  EXPECT_PIXEL(60, 70, kRed);
  // Without a rectangle a fixed row finds its own place in the band.
  grid.DrawCell(grid.GetCell(0, 1));
  EXPECT_PIXEL(60, 5, kRed);
}

TEST_F(CellDrawer, ColumnsBeyondTheRightEdgeAreNotDrawn) {
  window.Resize(120, 150);  // positions 0 and 1 fit, 2 is cut: last visible is 2
  window.PaintAll();
  auto dc = WindowDC();
  grid.SetItemBackColor(1, 3, LONG(kRed));
  grid.SetItemBackColor(1, 2, LONG(kRed));
  CRect rc(0, 20, 49, 39);
  grid.DrawCell(grid.GetCell(1, 3), &rc, dc.get());
  EXPECT_PIXEL(10, 30, kBack);
  grid.DrawCell(grid.GetCell(1, 2), &rc, dc.get());
  EXPECT_PIXEL(10, 30, kRed);
}

TEST_F(CellDrawer, AOnePixelColumnIsNotDrawn) {
  grid.SetFocusedCell(1, 1);
  auto dc = WindowDC();
  CRect rc(60, 20, 60, 39);
  grid.DrawCell(grid.GetCell(1, 1), &rc, dc.get());
  EXPECT_PIXEL(60, 20, kBack);
  // Only equality is tested: an inverted rectangle goes on to the drawing.
  CRect inverted(60, 20, 59, 39);
  EXPECT_NO_THROW(grid.DrawCell(grid.GetCell(1, 1), &inverted, dc.get()));
}

TEST_F(CellDrawer, ABadColumnIndexFailsBeforeDrawing) {
  CGridCell stray(1, 9);
  EXPECT_THROW(grid.DrawCell(&stray), CInvalidArgException);  // no place for its rectangle
  grid.SetColumnOrder(77, 3);  // no visible extent to test the column against
  EXPECT_THROW(grid.DrawCell(grid.GetCell(1, 1)), CInvalidArgException);
  grid.SetColumnOrder(3, 3);
}

TEST(CellDrawerNoWindow, OnlyPositionZeroPassesWithoutAWindow) {
  CTzGridCtrl grid;
  Headless::HeadlessWindow window(grid, 300, 150, /*create=*/false);
  grid.SetItemBackColor(1, 0, LONG(kRed));
  grid.SetItemBackColor(1, 1, LONG(kRed));
  Headless::Pixmap pixmap;
  pixmap.Resize(300, 150, kSentinel);
  auto dc = Headless::CreatePixmapDC(pixmap, CRect(0, 0, 300, 150));
  CRect second(50, 20, 99, 39), first(0, 20, 49, 39);
  grid.DrawCell(grid.GetCell(1, 1), &second, dc.get());
  EXPECT_EQ(pixmap.At(60, 30), kSentinel);
  grid.DrawCell(grid.GetCell(1, 0), &first, dc.get());
  EXPECT_EQ(pixmap.At(10, 30), kRed);
  // Without a context and without a window there is nothing to draw on.
  EXPECT_NO_THROW(grid.DrawCell(grid.GetCell(1, 0)));
}

// ---- the in-place editor over the focus cell

TEST_F(CellDrawer, TheEditorCoversAnEmptyFocusCellUpToItsGridLines) {
  grid.SetFocusedCell(2, 1);  // (50, 40, 99, 59)
  grid.m_bEditMode = 1;
  grid.RedrawCell(grid.GetCell(2, 1));
  Headless::HeadlessEdit* edit = window.EditChild();
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(edit->Style(), 0x50810080u);
  EXPECT_EQ(edit->ControlId(), 1u);
  EXPECT_EQ(edit->Rect(), CRect(50, 40, 99, 59));  // 49 x 19 at the cell's corner
  EXPECT_TRUE(edit->IsWindowVisible());
  EXPECT_NE(window.FocusWindow(), edit->GetHwnd()) << "the keyboard focus is not moved";
  EXPECT_PIXEL(50, 40, kBlack);  // the frame is drawn below it
}

TEST_F(CellDrawer, TheEditorOverACellWithTextIsOnePixelTallerEachWay) {
  grid.SetCellText(2, 1, CString(u"x"));
  grid.SetFocusedCell(2, 1);
  grid.m_bEditMode = 1;
  grid.RedrawCell(grid.GetCell(2, 1));
  Headless::HeadlessEdit* edit = window.EditChild();
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(edit->Rect(), CRect(50, 39, 99, 60));
  // A second draw moves the same window; none is created.
  edit->ShowWindow(SW_HIDE);
  grid.GetCell(2, 1)->m_strText.Empty();  // not through SetCellText, which would end the edit
  window.PaintAll();
  EXPECT_EQ(window.EditChild(), edit);
  EXPECT_EQ(edit->Rect(), CRect(50, 40, 99, 59));
  EXPECT_TRUE(edit->IsWindowVisible());
}

TEST_F(CellDrawer, NoEditorOutsideEditModeOrOffTheFocusCell) {
  grid.SetFocusedCell(2, 1);
  grid.RedrawCell(grid.GetCell(2, 1));
  EXPECT_EQ(window.EditChild(), nullptr);
  grid.m_bEditMode = 1;
  grid.RedrawCell(grid.GetCell(2, 2));
  EXPECT_EQ(window.EditChild(), nullptr);
}

}  // namespace
}  // namespace TzGrid::Test

// The cell record: texts of every code point and length stored compactly
// and read back exactly, attributes held only while any differs from the
// creation values.
#include "TestSupport.h"

namespace TzGrid::Test {
namespace {

// Each text reads back unit for unit, through every reader, whichever way
// it is stored: one byte a character while every unit is at most U+00FF
// and there are at most eleven, UTF-16 on the heap otherwise.
TEST(Cell, TextsOfEveryKindReadBackAsWritten) {
  struct Case {
    std::u16string text;
    bool narrow;
    bool printableAscii;  // what an export copies as it is
  };
  const std::vector<Case> cases = {
      {u"", true, true},
      {u"R000123C07", true, true},
      {u" ~elevenchr", true, true},                // exactly the inline capacity, both printable ends
      {u"twelve chars", false, false},             // one past it
      {u"\u00FF\u00E9t\u00E9", true, false},         // the last one-byte code point
      {u"\u007F", true, false},                    // the first past printable ASCII
      {u"a\tb", true, false},                      // a control character
      {u"\u0100", false, false},                   // the first that is not one byte
      {std::u16string(u"a\0b", 3), true, false},   // a NUL kept as counted
      {u"\U0001F600 and more than eleven", false, false},
      {std::u16string(70000, u'x'), false, false},  // a length past 16 bits
  };
  for (const Case& c : cases) {
    CCellText text;
    text.Assign(c.text);
    SCOPED_TRACE(std::string(CString(std::u16string_view(c.text)).ToUtf8()).substr(0, 20));
    EXPECT_EQ(text.IsNarrow(), c.narrow);
    EXPECT_EQ(text.IsPrintableAscii(), c.printableAscii);
    EXPECT_EQ(text.GetLength(), int(c.text.size()));
    EXPECT_EQ(text.IsEmpty(), c.text.empty());
    EXPECT_EQ(text.ToString().View(), c.text);
    EXPECT_TRUE(text == c.text);
    EXPECT_EQ(text.HeapBytes() == 0, c.narrow);
    // A move takes the text and leaves an empty one behind.
    CCellText moved(std::move(text));
    EXPECT_EQ(moved.ToString().View(), c.text);
    EXPECT_TRUE(text.IsEmpty() && text.IsNarrow());
    // Replacing a heap text by a short one gives the block back.
    moved.Assign(u"ok");
    EXPECT_EQ(moved.HeapBytes(), 0u);
    EXPECT_TRUE(moved == u"ok");
    EXPECT_FALSE(moved == u"ok!");
  }
}

// A cell makes its attributes when one is set away from its creation value
// and lets them go when all are back; a write of a creation value to a
// fresh cell makes nothing.
TEST(Cell, AttributesAreHeldOnlyWhileSet) {
  CGridCell cell(3, 4);
  cell.SetBackColour(0);
  cell.SetReadOnly(false);
  cell.SetItemData(0);
  EXPECT_FALSE(cell.HasAttributes());
  cell.SetItemData(0xFFFFFFFFu);
  cell.SetSortState(0xFFFF);
  cell.SetJustification(-32768);
  EXPECT_TRUE(cell.HasAttributes());
  EXPECT_EQ(cell.ItemData(), 0xFFFFFFFFu);
  EXPECT_EQ(cell.SortState(), 0xFFFF);
  EXPECT_EQ(cell.Justification(), -32768);
  EXPECT_EQ(cell.BackColour(), 0u);
  cell.SetItemData(0);
  cell.SetSortState(0);
  EXPECT_TRUE(cell.HasAttributes());
  cell.SetJustification(0);
  EXPECT_FALSE(cell.HasAttributes());
  // A move hands the attributes over.
  cell.SetHeader(true);
  CGridCell moved(std::move(cell));
  EXPECT_TRUE(moved.IsHeader() && !cell.HasAttributes());
  EXPECT_EQ(moved.m_nRow * 10 + moved.m_nCol, 34);
}

// A row made after others were given back takes a freed block: making its
// cells touches that block only, never the row stored after it.
TEST(Cell, NewRowsLeaveTheirNeighboursAlone) {
  CTzGridCtrl grid;  // 5 x 5
  for (int r : {2, 1, 0}) grid.SetCellText(r, 0, CString(std::u16string_view(u"kept")));
  grid.ResizeGrid(5, 2);  // row 2's block goes back
  grid.ResizeGrid(5, 3);
  grid.SetCellText(2, 4, CString(std::u16string_view(u"new")));
  for (int r : {0, 1}) EXPECT_TRUE(grid.GetCellText(r, 0) == u"kept") << r;
  EXPECT_TRUE(grid.GetCellText(2, 4) == u"new");
}

}  // namespace
}  // namespace TzGrid::Test

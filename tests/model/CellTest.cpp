// A cell's storage: texts of every code point and length stored compactly
// and read back exactly, the store's attributes kept only while any differs
// from the creation values, the row table's entries.
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

// Texts are narrowed and copied four units at a time: every length up to
// one past the inline capacity, with one unit at each place in turn set to
// each edge of what the word tests tell apart, reads back as written and
// is classed right (a unit whose low byte is printable but whose high byte
// is not zero is no narrow unit).
TEST(Cell, EveryUnitOfEveryShortLengthIsJudged) {
  const char16_t edges[] = {0x00, 0x1F, 0x20, 0x7E, 0x7F, 0xFF, 0x100, 0x7F20, 0x8041, 0xFFFF};
  for (std::size_t length = 0; length <= CCellText::kInlineChars + 1; ++length) {
    for (std::size_t at = 0; at < std::max<std::size_t>(length, 1); ++at) {
      for (char16_t edge : edges) {
        std::u16string units(length, u'k');
        if (length) units[at] = edge;
        const bool narrow = length <= CCellText::kInlineChars && (length == 0 || edge <= 0xFF);
        const bool printable = narrow && (length == 0 || (edge >= 0x20 && edge <= 0x7E));
        const CString copied(units.data(), units.size());
        CCellText text;
        text.Assign(copied.View());
        ASSERT_EQ(copied.View(), units) << length << " " << at << " " << int(edge);
        ASSERT_EQ(text.ToString().View(), units) << length << " " << at << " " << int(edge);
        ASSERT_EQ(text.IsNarrow(), narrow) << length << " " << at << " " << int(edge);
        ASSERT_EQ(text.IsPrintableAscii(), printable) << length << " " << at << " " << int(edge);
      }
    }
  }
}

// The row table: entries added read null, entries cut come back null when
// the table grows again (within its room or past it), made rows keep their
// entries through a move to a larger table, and an index at the size raises.
TEST(Cell, RowTableKeepsRowsAndForgetsCutOnes) {
  CRowTable table;
  CCellText rows[3];
  table.Reserve(4);
  table.SetSize(4);
  for (int r = 0; r < 4; ++r) EXPECT_EQ(table.GetAt(r), nullptr) << r;
  table.SetAt(0, &rows[0]);
  table.SetAt(3, &rows[1]);
  EXPECT_THROW(table.GetAt(4), CInvalidArgException);
  EXPECT_THROW(table.SetAt(-1, &rows[2]), CInvalidArgException);
  table.SetSize(3);  // row 3 is cut
  table.SetSize(4);
  EXPECT_EQ(table.GetAt(3), nullptr);
  table.SetAt(3, &rows[2]);
  table.SetSize(1);
  table.Reserve(1000);  // moves to a larger table
  table.SetSize(1000);
  EXPECT_EQ(table.GetAt(0), &rows[0]);
  EXPECT_EQ(table.GetAt(3), nullptr);
  EXPECT_EQ(table.GetAt(999), nullptr);
  table.RemoveAll();
  EXPECT_EQ(table.GetSize(), 0);
  EXPECT_THROW(table.GetAt(0), CInvalidArgException);
}

// The store keeps a cell's attributes while one is away from its creation
// value and lets them go when all are back; a write of a creation value to
// a fresh cell keeps nothing. A shrink drops the attributes of the cells it
// cuts (the last row and column kept keep theirs), emptying drops all.
TEST(Cell, AttributesAreHeldOnlyWhileSet) {
  CTzGridCtrl grid;
  grid.ResizeGrid(6, 8);
  CCellStore& store = grid.m_cells;
  const CGridCell cell = grid.GetCell(3, 4);
  store.SetAttribute(cell, &CCellAttributes::clrBack, COLORREF(0));
  store.SetAttribute(cell, &CCellAttributes::bReadOnly, false);
  store.SetAttribute(cell, &CCellAttributes::dwItemData, std::uint32_t(0));
  EXPECT_EQ(store.AttributedCellCount(), 0u);
  store.SetAttribute(cell, &CCellAttributes::dwItemData, std::uint32_t(0xFFFFFFFFu));
  store.SetAttribute(cell, &CCellAttributes::nSortState, std::uint16_t(0xFFFF));
  store.SetAttribute(cell, &CCellAttributes::nJustify, std::int16_t(-32768));
  EXPECT_EQ(store.AttributedCellCount(), 1u);
  const CCellAttributes& set = store.Attributes(cell);
  EXPECT_EQ(std::tuple(set.dwItemData, set.nSortState, set.nJustify, set.clrBack),
            std::tuple(0xFFFFFFFFu, 0xFFFF, -32768, 0u));
  EXPECT_EQ(store.Attributes(CGridCell(4, 3)), CCellAttributes{});  // the transposed place has none
  EXPECT_EQ(store.MadeRowCount(), 0u);  // attributes make no row
  store.SetAttribute(cell, &CCellAttributes::dwItemData, std::uint32_t(0));
  store.SetAttribute(cell, &CCellAttributes::nSortState, std::uint16_t(0));
  EXPECT_EQ(store.AttributedCellCount(), 1u);
  store.SetAttribute(cell, &CCellAttributes::nJustify, std::int16_t(0));
  EXPECT_EQ(store.AttributedCellCount(), 0u);
  EXPECT_THROW(store.SetAttribute(CGridCell(8, 0), &CCellAttributes::bBold, true), CInvalidArgException);
  EXPECT_THROW(store.Attributes(CGridCell(0, 6)), CInvalidArgException);

  for (const CGridCell& c : {CGridCell(0, 0), CGridCell(4, 5), CGridCell(5, 4), CGridCell(4, 4), CGridCell(7, 0)}) {
    store.SetAttribute(c, &CCellAttributes::bHeader, true);
  }
  grid.ResizeGrid(5, 5);  // cuts (4,5), (5,4) and (7,0)
  EXPECT_EQ(store.AttributedCellCount(), 2u);
  EXPECT_TRUE(store.Attributes(CGridCell(4, 4)).bHeader);
  grid.ResizeGrid(6, 8);  // the cut places come back new
  EXPECT_FALSE(store.Attributes(CGridCell(4, 5)).bHeader || store.Attributes(CGridCell(5, 4)).bHeader);
  EXPECT_FALSE(store.Attributes(CGridCell(7, 0)).bHeader);
  grid.ResizeGrid(0, 0);
  EXPECT_EQ(store.AttributedCellCount(), 0u);
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

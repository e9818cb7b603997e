// The cell attribute members, called through the dispatch map as a host
// calls them: what each stores, what each answers, and that a bad index
// comes back as DISP_E_EXCEPTION with the grid unchanged.
#include "TestSupport.h"

namespace TzGrid::Test {
namespace {

enum : DISPID {
  kSetCellText = 7,
  kSetItemBackColor = 8,
  kGetCellText = 11,
  kSetGridBackColor = 12,
  kSetCellReadOnlyFlag = 13,
  kSetFocusedCell = 15,
  kSetCellJustification = 16,
  kSetCellHeaderFlag = 19,
  kGetCurrentRow = 23,
  kGetCurrentColumn = 24,
  kGetCellSortState = 27,
  kGetCellItemData = 29,
  kSetCellItemData = 31,
  kSetCellSortState = 34,
  kSetCellForeColour = 36,
  kSetCellBold = 37,
  kSetCellFont = 38,
  kSetDefaultFont = 39,
};

CDispArg Text(std::u16string s) { return CDispArg::Bstr(std::move(s)); }
CDispArg Short(std::int16_t v) { return CDispArg::I2(v); }
CDispArg UShort(std::uint16_t v) { return CDispArg::UI2(v); }
CDispArg ULong(std::uint32_t v) { return CDispArg::UI4(v); }

// A stand-in for the editor's native window that records what it is told.
class RecordingEditWindow : public CWindowImpl {
 public:
  explicit RecordingEditWindow(std::vector<int>* shows) : m_shows(shows) {}
  HWND GetHwnd() const override { return const_cast<RecordingEditWindow*>(this); }
  bool IsWindow() const override { return true; }
  BOOL ShowWindow(int nCmdShow) override {
    m_shows->push_back(nCmdShow);
    return TRUE;
  }
  bool IsWindowVisible() const override { return !m_shows->empty() && m_shows->back() != SW_HIDE; }
  void MoveWindow(int, int, int, int, BOOL) override {}
  void SetWindowText(const CString&) override {}
  CString GetWindowText() const override { return CString(); }
  void SetFocus() override {}
  CRect GetWindowRect() const override { return CRect(); }
  LRESULT SendMessage(UINT, WPARAM, LPARAM) override { return 0; }
  LRESULT DefWindowProc(UINT, WPARAM, LPARAM) override { return 0; }
  void DestroyWindow() override {}

 private:
  std::vector<int>* m_shows;
};

class CellAttributes : public DesktopTest {
 protected:
  CTzGridCtrl grid;
  Headless::HeadlessWindow window{grid, 400, 300};
  CGridCell* Cell(int r, int c) { return grid.GetCell(r, c); }
  void SetUp() override {
    DesktopTest::SetUp();
    window.ClearRecords();
  }
};

TEST_F(CellAttributes, TextComesBackUnchanged) {
  Call(grid, kSetCellText, {I4(0), I4(0), Text(u"Größe ✓")});
  EXPECT_EQ(Call(grid, kGetCellText, {I4(0), I4(0)}).String(), u"Größe ✓");
  Call(grid, kSetCellText, {I4(4), I4(4), Text(u"")});
  EXPECT_EQ(Call(grid, kGetCellText, {I4(4), I4(4)}).String(), u"");
  Call(grid, kSetCellText, {I4(3), I4(2), CDispArg::NullBstr()});
  EXPECT_TRUE(Cell(3, 2)->m_strText.IsEmpty());
}

TEST_F(CellAttributes, TextEndsAtItsFirstNul) {
  Call(grid, kSetCellText, {I4(1), I4(1), Text(std::u16string(u"ab\0cd", 5))});
  EXPECT_EQ(Cell(1, 1)->m_strText.GetLength(), 2);
  // Also when the member is called directly, not through the dispatch map.
  grid.SetCellText(1, 2, CString(std::u16string_view(u"x\0y", 3)));
  EXPECT_EQ(Cell(1, 2)->m_strText, u"x");
}

TEST_F(CellAttributes, SettingTextInvalidatesJustThatCell) {
  Call(grid, kSetCellText, {I4(2), I4(1), Text(u"x")});
  ASSERT_EQ(window.invalidations.size(), 1u);
  const Headless::InvalidateCall& call = window.invalidations[0];
  EXPECT_FALSE(call.whole);
  EXPECT_FALSE(call.viaInvalidateRect);
  EXPECT_EQ(call.rect, CRect(50, 40, 100, 60));
  EXPECT_EQ(call.erase, TRUE);
  EXPECT_EQ(window.modifiedCalls, 0);
}

TEST_F(CellAttributes, InvalidatedRectangleFollowsOrderAndScrolling) {
  grid.m_layout.SetWidthOfColumn(3, 70);
  grid.MoveColumn(3, 0);  // positions: 3, 0, 1, 2, 4
  grid.m_nTopRow = 2;
  window.ClearRecords();
  Call(grid, kSetCellText, {I4(3), I4(1), Text(u"x")});
  ASSERT_EQ(window.invalidations.size(), 1u);
  EXPECT_EQ(window.invalidations[0].rect, CRect(120, 40, 170, 60));
  // A row scrolled off above still gets a rectangle (past the last row).
  Call(grid, kSetCellText, {I4(1), I4(3), Text(u"x")});
  EXPECT_EQ(window.invalidations[1].rect, CRect(0, 80, 70, 100));
}

TEST_F(CellAttributes, TextOfTheEditedCellClosesTheEditor) {
  std::vector<int> shows;
  grid.m_edit.AttachImpl(std::make_unique<RecordingEditWindow>(&shows), &grid);
  Call(grid, kSetFocusedCell, {I4(2), I4(2)});
  grid.m_bEditMode = 1;

  Call(grid, kSetCellText, {I4(2), I4(3), Text(u"other")});
  EXPECT_EQ(grid.m_bEditMode, 1);
  EXPECT_TRUE(shows.empty());

  Call(grid, kSetCellText, {I4(2), I4(2), Text(u"mine")});
  EXPECT_EQ(grid.m_bEditMode, 0);
  EXPECT_EQ(shows, std::vector<int>{SW_HIDE});
  EXPECT_EQ(Cell(2, 2)->m_strText, u"mine");
  EXPECT_TRUE(window.events.empty());
  // Without edit mode the editor is not touched, even on the focus cell.
  Call(grid, kSetCellText, {I4(2), I4(2), Text(u"again")});
  EXPECT_EQ(shows.size(), 1u);
}

TEST_F(CellAttributes, ColoursAreStoredAndZeroMeansDefault) {
  Call(grid, kSetItemBackColor, {I4(1), I4(2), I4(0x00336699)});
  Call(grid, kSetCellForeColour, {I4(1), I4(2), I4(0x00112233)});
  EXPECT_EQ(Cell(1, 2)->m_clrBack, 0x00336699u);
  EXPECT_EQ(Cell(1, 2)->m_clrText, 0x00112233u);
  Call(grid, kSetItemBackColor, {I4(1), I4(2), I4(0)});
  EXPECT_EQ(Cell(1, 2)->m_clrBack, 0u);
  Call(grid, kSetGridBackColor, {I4(0x00ABCDEF)});
  EXPECT_EQ(grid.m_clrBack, 0x00ABCDEFu);
  Call(grid, kSetGridBackColor, {I4(-1)});  // no check: any value
  EXPECT_EQ(grid.m_clrBack, 0xFFFFFFFFu);
  EXPECT_TRUE(window.invalidations.empty());
}

TEST_F(CellAttributes, JustificationAboveTwoIsRefusedBeforeTheCellCheck) {
  EXPECT_EQ(Call(grid, kSetCellJustification, {I4(1), I4(1), Short(2)}).Integer(), VARIANT_TRUE);
  EXPECT_EQ(Cell(1, 1)->m_nJustify, 2);
  for (std::int16_t bad : {3, -1, 32767, -32768}) {
    EXPECT_EQ(Call(grid, kSetCellJustification, {I4(1), I4(1), Short(bad)}).Integer(), VARIANT_FALSE) << bad;
  }
  EXPECT_EQ(Cell(1, 1)->m_nJustify, 2);
  // A bad value with a bad index: false, not an exception.
  EXPECT_EQ(Call(grid, kSetCellJustification, {I4(99), I4(-4), Short(3)}).Integer(), VARIANT_FALSE);
  EXPECT_EQ(CallHr(grid, kSetCellJustification, {I4(99), I4(0), Short(1)}), DISP_E_EXCEPTION);
  EXPECT_EQ(Call(grid, kSetCellJustification, {I4(0), I4(0), Short(0)}).Integer(), VARIANT_TRUE);
}

TEST_F(CellAttributes, ReadOnlyFlagToggles) {
  Call(grid, kSetCellReadOnlyFlag, {I4(3), I4(1)});
  EXPECT_EQ(Cell(3, 1)->m_bReadOnly, 1);
  Call(grid, kSetCellReadOnlyFlag, {I4(3), I4(1)});
  EXPECT_EQ(Cell(3, 1)->m_bReadOnly, 0);
  Cell(3, 1)->m_bReadOnly = 7;  // any non-zero value counts as set
  Call(grid, kSetCellReadOnlyFlag, {I4(3), I4(1)});
  EXPECT_EQ(Cell(3, 1)->m_bReadOnly, 0);
}

TEST_F(CellAttributes, HeaderFlagIsSetOnlyByOne) {
  Call(grid, kSetCellHeaderFlag, {I4(0), I4(2), UShort(1)});
  EXPECT_TRUE(Cell(0, 2)->m_bHeader);
  Call(grid, kSetCellHeaderFlag, {I4(0), I4(2), UShort(2)});
  EXPECT_FALSE(Cell(0, 2)->m_bHeader);
  Call(grid, kSetCellHeaderFlag, {I4(0), I4(2), UShort(1)});
  Call(grid, kSetCellHeaderFlag, {I4(0), I4(2), UShort(0)});
  EXPECT_FALSE(Cell(0, 2)->m_bHeader);
}

TEST_F(CellAttributes, SortStateTakesAnyValue) {
  EXPECT_EQ(Call(grid, kGetCellSortState, {I4(0), I4(1)}).Integer(), 0);
  Call(grid, kSetCellSortState, {I4(0), I4(1), UShort(2)});
  EXPECT_EQ(Call(grid, kGetCellSortState, {I4(0), I4(1)}).Integer(), 2);
  Call(grid, kSetCellSortState, {I4(0), I4(1), UShort(65535)});
  EXPECT_EQ(Call(grid, kGetCellSortState, {I4(0), I4(1)}).Integer(), 65535);
  EXPECT_EQ(Call(grid, kGetCellSortState, {I4(0), I4(1)}).Type(), VT_UI2);
}

TEST_F(CellAttributes, ItemDataZeroKeepsTheOldValue) {
  EXPECT_EQ(Call(grid, kGetCellItemData, {I4(2), I4(2)}).Integer(), 0);
  Call(grid, kSetCellItemData, {I4(2), I4(2), ULong(7)});
  Call(grid, kSetCellItemData, {I4(2), I4(2), ULong(0)});
  EXPECT_EQ(Call(grid, kGetCellItemData, {I4(2), I4(2)}).Integer(), 7);
  Call(grid, kSetCellItemData, {I4(2), I4(2), ULong(0xFFFFFFFFu)});
  EXPECT_EQ(Call(grid, kGetCellItemData, {I4(2), I4(2)}).Integer(), 0xFFFFFFFFll);
  // Only the low 32 bits of a wider value cross the interface.
  Cell(2, 2)->m_dwItemData = 0x123456789ABCDEF0ull;
  EXPECT_EQ(Call(grid, kGetCellItemData, {I4(2), I4(2)}).Integer(), 0x9ABCDEF0ll);
}

TEST_F(CellAttributes, BoldIsRecorded) {
  Call(grid, kSetCellBold, {I4(1), I4(0), Short(-5)});
  EXPECT_TRUE(Cell(1, 0)->m_bBold);
  Call(grid, kSetCellBold, {I4(1), I4(0), Short(0)});
  EXPECT_FALSE(Cell(1, 0)->m_bBold);
}

TEST_F(CellAttributes, CellFontAcceptsAnythingAndChangesNothing) {
  std::u16string face = u"Courier New";
  std::string before = Snapshot(grid);
  EXPECT_EQ(Call(grid, kSetCellFont, {I4(1), I4(1), CDispArg::ByRefBstr(&face), I4(-12), I4(700)}).Integer(),
            VARIANT_TRUE);
  EXPECT_EQ(Call(grid, kSetCellFont, {I4(999), I4(-3), CDispArg::ByRefBstr(&face), I4(0), I4(0)}).Integer(),
            VARIANT_TRUE);
  EXPECT_EQ(Snapshot(grid), before);
}

TEST_F(CellAttributes, DefaultFontIsRebuiltFromTheArguments) {
  HGDIOBJ boldBefore = grid.m_fontBold.GetSafeHandle();
  grid.m_lfDefault.lfItalic = 1;  // cleared by the rebuild
  std::u16string face = u"Courier New";
  EXPECT_EQ(Call(grid, kSetDefaultFont, {CDispArg::ByRefBstr(&face), I4(-13), I4(700)}).Integer(), VARIANT_TRUE);
  EXPECT_EQ(grid.m_lfDefault.lfHeight, -13);
  EXPECT_EQ(grid.m_lfDefault.lfWeight, 700);
  EXPECT_EQ(grid.m_lfDefault.lfItalic, 0);
  EXPECT_EQ(std::u16string(grid.m_lfDefault.lfFaceName), u"Courier New");
  EXPECT_NE(grid.m_fontDefault.GetSafeHandle(), nullptr);
  EXPECT_EQ(grid.m_fontBold.GetSafeHandle(), boldBefore);
  EXPECT_TRUE(window.invalidations.empty());
}

TEST_F(CellAttributes, ALongFaceNameIsCutToTheField) {
  std::u16string face(40, u'F');
  grid.m_lfDefault.lfFaceName[LF_FACESIZE - 1] = u'?';
  EXPECT_EQ(Call(grid, kSetDefaultFont, {CDispArg::ByRefBstr(&face), I4(0), I4(0)}).Integer(), VARIANT_TRUE);
  EXPECT_EQ(std::u16string(grid.m_lfDefault.lfFaceName), std::u16string(31, u'F'));
  EXPECT_EQ(grid.m_lfDefault.lfFaceName[LF_FACESIZE - 1], 0);
  // A by-value string is taken as well (script hosts pass literals).
  EXPECT_EQ(Call(grid, kSetDefaultFont, {Text(u"Arial"), I4(12), I4(400)}).Integer(), VARIANT_TRUE);
  EXPECT_EQ(std::u16string(grid.m_lfDefault.lfFaceName), u"Arial");
  EXPECT_EQ(grid.m_lfDefault.lfHeight, 12);
  // Heights past 2048 pixels either way are taken as 2048: still a font,
  // never glyphs that take the system minutes to draw.
  for (std::int32_t height : {65536, 2049, INT32_MAX}) {
    EXPECT_EQ(Call(grid, kSetDefaultFont, {Text(u"Arial"), I4(height), I4(400)}).Integer(), VARIANT_TRUE);
    EXPECT_EQ(grid.m_lfDefault.lfHeight, 2048) << height;
    EXPECT_EQ(Call(grid, kSetDefaultFont, {Text(u"Arial"), I4(-height), I4(400)}).Integer(), VARIANT_TRUE);
    EXPECT_EQ(grid.m_lfDefault.lfHeight, -2048) << height;
  }
  Call(grid, kSetDefaultFont, {Text(u"Arial"), I4(INT32_MIN), I4(400)});
  EXPECT_EQ(grid.m_lfDefault.lfHeight, -2048);
  Call(grid, kSetDefaultFont, {Text(u"Arial"), I4(-2048), I4(400)});
  EXPECT_EQ(grid.m_lfDefault.lfHeight, -2048);
}

TEST_F(CellAttributes, FocusedCellAndTheCurrentCell) {
  EXPECT_EQ(Call(grid, kGetCurrentRow).Integer(), -1);
  EXPECT_EQ(Call(grid, kGetCurrentColumn).Integer(), -1);
  Call(grid, kSetFocusedCell, {I4(2), I4(3)});
  EXPECT_EQ(grid.m_pFocusCell, Cell(2, 3));
  EXPECT_EQ(Call(grid, kGetCurrentRow).Integer(), 2);
  EXPECT_EQ(Call(grid, kGetCurrentColumn).Integer(), 3);
  EXPECT_TRUE(window.invalidations.empty());
  EXPECT_TRUE(window.events.empty());

  // Past the end: ignored. Negative: the check fails.
  Call(grid, kSetFocusedCell, {I4(5), I4(0)});
  Call(grid, kSetFocusedCell, {I4(0), I4(5)});
  EXPECT_EQ(grid.m_pFocusCell, Cell(2, 3));
  EXPECT_EQ(CallHr(grid, kSetFocusedCell, {I4(-1), I4(0)}), DISP_E_EXCEPTION);
  EXPECT_EQ(CallHr(grid, kSetFocusedCell, {I4(0), I4(-1)}), DISP_E_EXCEPTION);
  EXPECT_EQ(grid.m_pFocusCell, Cell(2, 3));

  // The column answer is a column index, not a display position.
  grid.MoveColumn(3, 0);
  EXPECT_EQ(Call(grid, kGetCurrentColumn).Integer(), 3);

  // A resize that removes the focus cell leaves no current cell.
  grid.ResizeGrid(2, 2);
  EXPECT_EQ(Call(grid, kGetCurrentRow).Integer(), -1);
  EXPECT_EQ(Call(grid, kGetCurrentColumn).Integer(), -1);
}

TEST_F(CellAttributes, BadIndicesFailAndChangeNothing) {
  std::u16string face = u"Arial";
  struct Bad {
    DISPID id;
    CDispArgs args;
  };
  std::vector<Bad> calls;
  for (auto [r, c] : {std::pair{5, 0}, {0, 5}, {-1, 0}, {0, -1}, {INT32_MIN, INT32_MAX}}) {
    calls.push_back({kSetCellText, {I4(r), I4(c), Text(u"x")}});
    calls.push_back({kGetCellText, {I4(r), I4(c)}});
    calls.push_back({kSetItemBackColor, {I4(r), I4(c), I4(5)}});
    calls.push_back({kSetCellForeColour, {I4(r), I4(c), I4(5)}});
    calls.push_back({kSetCellJustification, {I4(r), I4(c), Short(1)}});
    calls.push_back({kSetCellReadOnlyFlag, {I4(r), I4(c)}});
    calls.push_back({kSetCellHeaderFlag, {I4(r), I4(c), UShort(1)}});
    calls.push_back({kGetCellSortState, {I4(r), I4(c)}});
    calls.push_back({kSetCellSortState, {I4(r), I4(c), UShort(1)}});
    calls.push_back({kGetCellItemData, {I4(r), I4(c)}});
    calls.push_back({kSetCellItemData, {I4(r), I4(c), ULong(9)}});
    calls.push_back({kSetCellBold, {I4(r), I4(c), Short(1)}});
  }
  grid.m_bEditMode = 1;
  Call(grid, kSetFocusedCell, {I4(1), I4(1)});
  std::string before = Snapshot(grid);
  for (const Bad& call : calls) {
    std::string why;
    EXPECT_EQ(CallHr(grid, call.id, call.args, &why), DISP_E_EXCEPTION) << "DISPID " << call.id;
    EXPECT_FALSE(why.empty());
  }
  EXPECT_EQ(Snapshot(grid), before);
  EXPECT_TRUE(window.invalidations.empty());
}

TEST_F(CellAttributes, AnEmptyGridHasNoCellToAddress) {
  grid.ResizeGrid(0, 0);
  EXPECT_EQ(CallHr(grid, kGetCellText, {I4(0), I4(0)}), DISP_E_EXCEPTION);
  Call(grid, kSetFocusedCell, {I4(0), I4(0)});  // past the end of nothing: ignored
  EXPECT_EQ(grid.m_pFocusCell, nullptr);
  EXPECT_EQ(Call(grid, kSetCellJustification, {I4(0), I4(0), Short(5)}).Integer(), VARIANT_FALSE);
}

}  // namespace
}  // namespace TzGrid::Test

// The cell attribute members, called by name through the dispatch map as a
// host calls them: where a member does more than store its argument (text
// cut at a NUL, the cell repainted, the editor closed, values refused or
// kept, flags toggled), and that a bad index comes back as DISP_E_EXCEPTION
// with the grid unchanged. What a stored colour or flag looks like is the
// painting tests' business.
#include "TestSupport.h"

namespace TzGrid::Test {
namespace {

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

TEST_F(CellAttributes, TextComesBackUpToItsFirstNul) {
  Call(grid, u"SetCellText", {I4(0), I4(0), Text(u"Größe ✓")});
  EXPECT_EQ(Call(grid, u"GetCellText", {I4(0), I4(0)}).String(), u"Größe ✓");
  Call(grid, u"SetCellText", {I4(3), I4(2), CDispArg::NullBstr()});
  EXPECT_TRUE(Cell(3, 2)->m_strText.IsEmpty());
  Call(grid, u"SetCellText", {I4(1), I4(1), Text(std::u16string(u"ab\0cd", 5))});
  EXPECT_EQ(Cell(1, 1)->m_strText.GetLength(), 2);
  EXPECT_EQ(Call(grid, u"GetCellText", {I4(1), I4(1)}).String(), u"ab");
  // Also when the member is called directly, and with the NUL first.
  grid.SetCellText(1, 2, CString(std::u16string_view(u"x\0y", 3)));
  EXPECT_EQ(Cell(1, 2)->m_strText, u"x");
  grid.SetCellText(1, 3, CString(std::u16string_view(u"\0y", 2)));
  EXPECT_TRUE(Cell(1, 3)->m_strText.IsEmpty());
}

TEST_F(CellAttributes, SettingTextInvalidatesJustThatCellWhereverItIs) {
  Call(grid, u"SetCellText", {I4(2), I4(1), Text(u"x")});
  ASSERT_EQ(window.invalidations.size(), 1u);
  const Headless::InvalidateCall& call = window.invalidations[0];
  EXPECT_FALSE(call.whole);
  EXPECT_FALSE(call.viaInvalidateRect);
  EXPECT_EQ(call.rect, CRect(50, 40, 100, 60));
  EXPECT_EQ(call.erase, TRUE);
  EXPECT_EQ(window.modifiedCalls, 0);
  // The rectangle follows the column order and the scrolled rows.
  grid.m_layout.SetWidthOfColumn(3, 70);
  grid.MoveColumn(3, 0);  // positions: 3, 0, 1, 2, 4
  grid.m_nTopRow = 2;
  window.ClearRecords();
  Call(grid, u"SetCellText", {I4(3), I4(1), Text(u"x")});
  ASSERT_EQ(window.invalidations.size(), 1u);
  EXPECT_EQ(window.invalidations[0].rect, CRect(120, 40, 170, 60));
  // A row scrolled off above still gets a rectangle (past the last row).
  Call(grid, u"SetCellText", {I4(1), I4(3), Text(u"x")});
  EXPECT_EQ(window.invalidations[1].rect, CRect(0, 80, 70, 100));
}

TEST_F(CellAttributes, TextOfTheEditedCellClosesTheEditor) {
  std::vector<int> shows;
  grid.m_edit.AttachImpl(std::make_unique<RecordingEditWindow>(&shows), &grid);
  Call(grid, u"SetFocusedCell", {I4(2), I4(2)});
  grid.m_bEditMode = 1;

  Call(grid, u"SetCellText", {I4(2), I4(3), Text(u"other")});
  EXPECT_EQ(grid.m_bEditMode, 1);
  EXPECT_TRUE(shows.empty());

  Call(grid, u"SetCellText", {I4(2), I4(2), Text(u"mine")});
  EXPECT_EQ(grid.m_bEditMode, 0);
  EXPECT_EQ(shows, std::vector<int>{SW_HIDE});
  EXPECT_EQ(Cell(2, 2)->m_strText, u"mine");
  EXPECT_TRUE(window.events.empty());
  // Without edit mode the editor is not touched, even on the focus cell.
  Call(grid, u"SetCellText", {I4(2), I4(2), Text(u"again")});
  EXPECT_EQ(shows.size(), 1u);
}

TEST_F(CellAttributes, JustificationAboveTwoIsRefusedBeforeTheCellCheck) {
  EXPECT_EQ(Call(grid, u"SetCellJustification", {I4(1), I4(1), Short(2)}).Integer(), VARIANT_TRUE);
  EXPECT_EQ(Cell(1, 1)->m_nJustify, 2);
  for (std::int16_t bad : {3, -1, 32767, -32768}) {
    EXPECT_EQ(Call(grid, u"SetCellJustification", {I4(1), I4(1), Short(bad)}).Integer(), VARIANT_FALSE) << bad;
  }
  EXPECT_EQ(Cell(1, 1)->m_nJustify, 2);
  // A bad value with a bad index: false, not an exception.
  EXPECT_EQ(Call(grid, u"SetCellJustification", {I4(99), I4(-4), Short(3)}).Integer(), VARIANT_FALSE);
  EXPECT_EQ(CallHr(grid, u"SetCellJustification", {I4(99), I4(0), Short(1)}), DISP_E_EXCEPTION);
  EXPECT_EQ(Call(grid, u"SetCellJustification", {I4(0), I4(0), Short(0)}).Integer(), VARIANT_TRUE);
}

TEST_F(CellAttributes, FlagsAndItemDataHaveTheirOwnRules) {
  Call(grid, u"SetCellReadOnlyFlag", {I4(3), I4(1)});
  EXPECT_EQ(Cell(3, 1)->m_bReadOnly, 1);
  Call(grid, u"SetCellReadOnlyFlag", {I4(3), I4(1)});
  EXPECT_EQ(Cell(3, 1)->m_bReadOnly, 0);
  Cell(3, 1)->m_bReadOnly = 7;  // any non-zero value counts as set
  Call(grid, u"SetCellReadOnlyFlag", {I4(3), I4(1)});
  EXPECT_EQ(Cell(3, 1)->m_bReadOnly, 0);
  // The header flag is set by 1 only; any other value clears it.
  Call(grid, u"SetCellHeaderFlag", {I4(0), I4(2), UShort(1)});
  EXPECT_TRUE(Cell(0, 2)->m_bHeader);
  Call(grid, u"SetCellHeaderFlag", {I4(0), I4(2), UShort(2)});
  EXPECT_FALSE(Cell(0, 2)->m_bHeader);
  Call(grid, u"SetCellHeaderFlag", {I4(0), I4(2), UShort(1)});
  Call(grid, u"SetCellHeaderFlag", {I4(0), I4(2), UShort(0)});
  EXPECT_FALSE(Cell(0, 2)->m_bHeader);
  // Item data 0 keeps the old value.
  EXPECT_EQ(Call(grid, u"GetCellItemData", {I4(2), I4(2)}).Integer(), 0);
  Call(grid, u"SetCellItemData", {I4(2), I4(2), ULong(7)});
  Call(grid, u"SetCellItemData", {I4(2), I4(2), ULong(0)});
  EXPECT_EQ(Call(grid, u"GetCellItemData", {I4(2), I4(2)}).Integer(), 7);
  Call(grid, u"SetCellItemData", {I4(2), I4(2), ULong(0xFFFFFFFFu)});
  EXPECT_EQ(Call(grid, u"GetCellItemData", {I4(2), I4(2)}).Integer(), 0xFFFFFFFFll);
  // Only the low 32 bits of a wider value cross the interface.
  Cell(2, 2)->m_dwItemData = 0x123456789ABCDEF0ull;
  EXPECT_EQ(Call(grid, u"GetCellItemData", {I4(2), I4(2)}).Integer(), 0x9ABCDEF0ll);
}

TEST_F(CellAttributes, DefaultFontIsRebuiltFromTheArguments) {
  HGDIOBJ boldBefore = grid.m_fontBold.GetSafeHandle();
  grid.m_lfDefault.lfItalic = 1;  // cleared by the rebuild
  std::u16string face = u"Courier New";
  EXPECT_EQ(Call(grid, u"SetDefaultFont", {CDispArg::ByRefBstr(&face), I4(-13), I4(700)}).Integer(), VARIANT_TRUE);
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
  EXPECT_EQ(Call(grid, u"SetDefaultFont", {CDispArg::ByRefBstr(&face), I4(0), I4(0)}).Integer(), VARIANT_TRUE);
  EXPECT_EQ(std::u16string(grid.m_lfDefault.lfFaceName), std::u16string(31, u'F'));
  EXPECT_EQ(grid.m_lfDefault.lfFaceName[LF_FACESIZE - 1], 0);
  // A by-value string is taken as well (script hosts pass literals).
  EXPECT_EQ(Call(grid, u"SetDefaultFont", {Text(u"Arial"), I4(12), I4(400)}).Integer(), VARIANT_TRUE);
  EXPECT_EQ(std::u16string(grid.m_lfDefault.lfFaceName), u"Arial");
  EXPECT_EQ(grid.m_lfDefault.lfHeight, 12);
  // Heights past 2048 pixels either way are taken as 2048: still a font,
  // never glyphs that take the system minutes to draw.
  for (std::int32_t height : {65536, 2049, INT32_MAX}) {
    EXPECT_EQ(Call(grid, u"SetDefaultFont", {Text(u"Arial"), I4(height), I4(400)}).Integer(), VARIANT_TRUE);
    EXPECT_EQ(grid.m_lfDefault.lfHeight, 2048) << height;
    EXPECT_EQ(Call(grid, u"SetDefaultFont", {Text(u"Arial"), I4(-height), I4(400)}).Integer(), VARIANT_TRUE);
    EXPECT_EQ(grid.m_lfDefault.lfHeight, -2048) << height;
  }
  Call(grid, u"SetDefaultFont", {Text(u"Arial"), I4(INT32_MIN), I4(400)});
  EXPECT_EQ(grid.m_lfDefault.lfHeight, -2048);
  Call(grid, u"SetDefaultFont", {Text(u"Arial"), I4(-2048), I4(400)});
  EXPECT_EQ(grid.m_lfDefault.lfHeight, -2048);
}

TEST_F(CellAttributes, FocusedCellAndTheCurrentCell) {
  EXPECT_EQ(Call(grid, u"GetCurrentRow").Integer(), -1);
  EXPECT_EQ(Call(grid, u"GetCurrentColumn").Integer(), -1);
  Call(grid, u"SetFocusedCell", {I4(2), I4(3)});
  EXPECT_EQ(grid.m_pFocusCell, Cell(2, 3));
  EXPECT_EQ(Call(grid, u"GetCurrentRow").Integer(), 2);
  EXPECT_EQ(Call(grid, u"GetCurrentColumn").Integer(), 3);
  EXPECT_TRUE(window.invalidations.empty());
  EXPECT_TRUE(window.events.empty());

  // The last cell is a cell; past the end: ignored. Negative: the check fails.
  Call(grid, u"SetFocusedCell", {I4(4), I4(4)});
  EXPECT_EQ(grid.m_pFocusCell, Cell(4, 4));
  Call(grid, u"SetFocusedCell", {I4(2), I4(3)});
  Call(grid, u"SetFocusedCell", {I4(5), I4(0)});
  Call(grid, u"SetFocusedCell", {I4(0), I4(5)});
  EXPECT_EQ(grid.m_pFocusCell, Cell(2, 3));
  EXPECT_EQ(CallHr(grid, u"SetFocusedCell", {I4(-1), I4(0)}), DISP_E_EXCEPTION);
  EXPECT_EQ(CallHr(grid, u"SetFocusedCell", {I4(0), I4(-1)}), DISP_E_EXCEPTION);
  EXPECT_EQ(grid.m_pFocusCell, Cell(2, 3));

  // The column answer is a column index, not a display position.
  grid.MoveColumn(3, 0);
  EXPECT_EQ(Call(grid, u"GetCurrentColumn").Integer(), 3);

  // A resize that removes the focus cell leaves no current cell.
  grid.ResizeGrid(2, 2);
  EXPECT_EQ(Call(grid, u"GetCurrentRow").Integer(), -1);
  EXPECT_EQ(Call(grid, u"GetCurrentColumn").Integer(), -1);
}

TEST_F(CellAttributes, BadIndicesFailAndChangeNothing) {
  std::u16string face = u"Arial";
  struct Bad {
    const char16_t* member;
    CDispArgs args;
  };
  std::vector<Bad> calls;
  for (auto [r, c] : {std::pair{5, 0}, {0, 5}, {-1, 0}, {0, -1}, {INT32_MIN, INT32_MAX}}) {
    calls.push_back({u"SetCellText", {I4(r), I4(c), Text(u"x")}});
    calls.push_back({u"GetCellText", {I4(r), I4(c)}});
    calls.push_back({u"SetItemBackColor", {I4(r), I4(c), I4(5)}});
    calls.push_back({u"SetCellForeColour", {I4(r), I4(c), I4(5)}});
    calls.push_back({u"SetCellJustification", {I4(r), I4(c), Short(1)}});
    calls.push_back({u"SetCellReadOnlyFlag", {I4(r), I4(c)}});
    calls.push_back({u"SetCellHeaderFlag", {I4(r), I4(c), UShort(1)}});
    calls.push_back({u"GetCellSortState", {I4(r), I4(c)}});
    calls.push_back({u"SetCellSortState", {I4(r), I4(c), UShort(1)}});
    calls.push_back({u"GetCellItemData", {I4(r), I4(c)}});
    calls.push_back({u"SetCellItemData", {I4(r), I4(c), ULong(9)}});
    calls.push_back({u"SetCellBold", {I4(r), I4(c), Short(1)}});
  }
  grid.m_bEditMode = 1;
  Call(grid, u"SetFocusedCell", {I4(1), I4(1)});
  std::string before = Snapshot(grid);
  for (const Bad& call : calls) {
    std::string why;
    EXPECT_EQ(CallHr(grid, call.member, call.args, &why), DISP_E_EXCEPTION) << CString(call.member).ToUtf8();
    EXPECT_FALSE(why.empty());
  }
  EXPECT_EQ(Snapshot(grid), before);
  EXPECT_TRUE(window.invalidations.empty());
}

TEST_F(CellAttributes, AnEmptyGridHasNoCellToAddress) {
  grid.ResizeGrid(0, 0);
  EXPECT_EQ(CallHr(grid, u"GetCellText", {I4(0), I4(0)}), DISP_E_EXCEPTION);
  Call(grid, u"SetFocusedCell", {I4(0), I4(0)});  // past the end of nothing: ignored
  EXPECT_EQ(grid.m_pFocusCell, nullptr);
  EXPECT_EQ(Call(grid, u"SetCellJustification", {I4(0), I4(0), Short(5)}).Integer(), VARIANT_FALSE);
}

}  // namespace
}  // namespace TzGrid::Test

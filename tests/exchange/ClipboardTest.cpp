// Clipboard copy and paste of the focus cell by the automation methods and
// by Ctrl+C / Ctrl+V, with the headless clipboard's bytes checked exactly.
// The two ways differ on purpose: the methods repaint one cell and end an
// edit of it, the keys repaint the whole grid and leave the edit running.
#include "TestSupport.h"

namespace TzGrid::Test {
namespace {

using Bytes = std::vector<unsigned char>;

Bytes Utf16Bytes(std::u16string_view text) {
  Bytes out;
  for (char16_t c : text) {
    out.push_back(static_cast<unsigned char>(c & 0xFF));
    out.push_back(static_cast<unsigned char>(c >> 8));
  }
  return out;
}

class Clipboard : public GridTest {
 protected:
  void SetUp() override {
    GridTest::SetUp();
    grid.m_focusCell = grid.GetCell(2, 3);
  }
  CCellText& FocusText() { return grid.m_cells.TextToWrite(grid.m_focusCell); }
  Bytes& Held() { return Desk().clipboardData[CF_UNICODETEXT]; }
  void CopyByMethod() { Call(grid, u"CopyToClipboard"); }
  void PasteByMethod() { Call(grid, u"PasteFromClipboard"); }
  void CopyByKey() { window.Send(WM_CHAR, 0x03, 1); }
  void PasteByKey() { window.Send(WM_CHAR, 0x16, 1); }
};

// The text and exactly one NUL, read-only or not; the clipboard emptied of
// every other format, owned by the window and closed; nothing repainted.
TEST_F(Clipboard, CopyPutsTheTextAndOneNulOnTheClipboard) {
  const std::u16string text = u"x\t\u00E9\U0001F600";
  FocusText() = CString(std::u16string_view(text));
  grid.m_cells.SetAttribute(grid.m_focusCell, &CCellAttributes::bReadOnly, true);
  for (bool byKey : {false, true}) {
    Desk().clipboardData = {{1, {'o', 'l', 'd', 0}}};  // CF_TEXT
    byKey ? CopyByKey() : CopyByMethod();
    ASSERT_EQ(Desk().clipboardData.size(), 1u) << byKey;
    EXPECT_EQ(Held(), Utf16Bytes(text + u'\0')) << byKey;
    EXPECT_EQ(Desk().clipboardOwner, window.GetHwnd());
    EXPECT_FALSE(Desk().clipboardOpen);
  }
  EXPECT_TRUE(window.invalidations.empty());
}

// An empty focus cell, no focus cell, or a clipboard another program holds:
// nothing is exchanged either way, and the clipboard is left closed.
TEST_F(Clipboard, NothingToExchangeLeavesTheClipboardAlone) {
  for (int situation = 0; situation < 3; ++situation) {
    Desk().Reset();
    Held() = Utf16Bytes(u"theirs");
    grid.m_focusCell = situation == 1 ? CGridCell() : grid.GetCell(2, 3);
    if (situation == 2) {
      Desk().clipboardBusy = true;
      FocusText() = u"mine";
    }
    window.ClearRecords();
    CopyByMethod();
    CopyByKey();
    EXPECT_EQ(Held(), Utf16Bytes(u"theirs")) << situation;
    EXPECT_EQ(Desk().clipboardOwner, nullptr) << situation;
    if (situation == 0) continue;  // an empty cell takes what is pasted
    PasteByMethod();
    PasteByKey();
    if (grid.m_focusCell) {
      EXPECT_EQ(FocusText(), u"mine");
    }
    EXPECT_TRUE(window.invalidations.empty()) << situation;  // the key path stops before repainting
    EXPECT_FALSE(Desk().clipboardOpen);
  }
}

// The method pastes through SetCellText (the cell repainted, its edit
// ended), the key straight into the cell (the grid repainted, the edit
// running).
TEST_F(Clipboard, PasteByMethodAndByKey) {
  ASSERT_TRUE(grid.m_edit.Create(WS_CHILD | WS_BORDER | ES_AUTOHSCROLL, CRect(10, 10, 60, 30), &grid, 1));
  for (bool byKey : {false, true}) {
    grid.m_edit.ShowWindow(SW_SHOW);
    grid.m_bEditMode = 1;
    window.ClearRecords();
    Held() = Utf16Bytes(u"a\tb\r\nc\n");  // tabs and line ends are kept
    byKey ? PasteByKey() : PasteByMethod();
    EXPECT_EQ(FocusText(), u"a\tb\r\nc\n");
    EXPECT_EQ(grid.m_bEditMode, byKey ? 1 : 0);
    EXPECT_EQ(grid.m_edit.IsWindowVisible(), byKey);
    ASSERT_EQ(window.invalidations.size(), 1u);
    EXPECT_EQ(window.invalidations[0].whole, byKey);
    EXPECT_EQ(window.invalidations[0].rect, byKey ? CRect() : CRect(150, 40, 200, 60));
    EXPECT_TRUE(window.events.empty());
    EXPECT_EQ(window.modifiedCalls, 0);
    EXPECT_FALSE(Desk().clipboardOpen);
    FocusText() = u"";
  }
}

// Pasted text ends at the first NUL or at the end of the block, an odd last
// byte dropped, never past it; a block that cannot be locked, or a
// read-only focus cell, changes nothing.
TEST_F(Clipboard, PasteReadsOnlyWhatTheBlockHolds) {
  const struct {
    Bytes held;
    std::u16string pasted;
  } cases[] = {
      {{'h', 0, 'i', 0, 0, 0, 'x', 0}, u"hi"},
      {{'n', 0, 'o', 0, 'n', 0, 'u', 0, 'l'}, u"nonul"},
      {{}, u""},
  };
  for (bool byKey : {false, true}) {
    for (const auto& c : cases) {
      FocusText() = u"before";
      Held() = c.held;
      byKey ? PasteByKey() : PasteByMethod();
      EXPECT_EQ(FocusText().ToString().View(), c.pasted) << byKey;
    }
    FocusText() = u"before";
    Held() = Utf16Bytes(u"new");
    Desk().clipboardLockFails = true;
    byKey ? PasteByKey() : PasteByMethod();
    Desk().clipboardLockFails = false;
    EXPECT_EQ(FocusText(), u"before") << byKey;
    EXPECT_FALSE(Desk().clipboardOpen);
  }
  grid.m_cells.SetAttribute(grid.m_focusCell, &CCellAttributes::bReadOnly, true);
  window.ClearRecords();
  const std::string before = Snapshot(grid);
  PasteByMethod();
  PasteByKey();
  EXPECT_EQ(Snapshot(grid), before);
  EXPECT_TRUE(window.invalidations.empty());
}

}  // namespace
}  // namespace TzGrid::Test

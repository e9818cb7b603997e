// Clipboard copy and paste of the focus cell: by the automation methods and
// by Ctrl+C / Ctrl+V, with the headless clipboard's bytes checked exactly.
#include "ExchangeTestSupport.h"

namespace TzGrid::Test {
namespace {


std::vector<unsigned char> Bytes(std::u16string_view text, bool terminator = true) {
  std::vector<unsigned char> out;
  for (char16_t c : text) {
    out.push_back(static_cast<unsigned char>(c & 0xFF));
    out.push_back(static_cast<unsigned char>(c >> 8));
  }
  if (terminator) out.insert(out.end(), {0, 0});
  return out;
}

class Clipboard : public DesktopTest {
 protected:
  CTzGridCtrl grid;
  Headless::HeadlessWindow window{grid, 400, 300};

  void SetUp() override {
    DesktopTest::SetUp();
    Focus(2, 3);
    window.ClearRecords();
  }
  void Focus(int r, int c) { grid.m_pFocusCell = grid.GetCell(r, c); }
  CGridCell& FocusCell() { return *grid.m_pFocusCell; }
  void SetFocusText(std::u16string_view text) { FocusCell().m_strText = CString(text); }
  std::u16string FocusText() { return std::u16string(FocusCell().m_strText.View()); }

  Headless::Desktop& Desk() { return Headless::GetDesktop(); }
  void PutOnClipboard(std::vector<unsigned char> bytes) { Desk().clipboardData[CF_UNICODETEXT] = std::move(bytes); }
  const std::vector<unsigned char>* ClipboardText() {
    auto it = Desk().clipboardData.find(CF_UNICODETEXT);
    return it == Desk().clipboardData.end() ? nullptr : &it->second;
  }

  void CopyByMethod() { Call(grid, u"CopyToClipboard"); }
  void PasteByMethod() { Call(grid, u"PasteFromClipboard"); }
  // The keys as the grid's window receives them.
  void CopyByKey() { window.Send(WM_CHAR, 0x03, 1); }
  void PasteByKey() { window.Send(WM_CHAR, 0x16, 1); }

  // The in-place editor shown over the focus cell, as an edit in progress.
  void StartEditing() {
    if (!grid.m_edit.GetSafeHwnd()) {
      ASSERT_TRUE(grid.m_edit.Create(WS_CHILD | WS_BORDER | ES_AUTOHSCROLL, CRect(10, 10, 60, 30), &grid, 1));
    }
    grid.m_edit.ShowWindow(SW_SHOW);
    grid.m_bEditMode = 1;
  }

  bool NothingRepainted() { return window.invalidations.empty(); }
  bool OnlyWholeGridRepainted() {
    return window.invalidations.size() == 1 && window.invalidations[0].whole && window.invalidations[0].erase &&
           window.invalidations[0].viaInvalidateRect;
  }
  void ExpectClipboardClosed() {
    EXPECT_FALSE(Desk().clipboardOpen);
  }
};

TEST_F(Clipboard, CopyPutsTheTextAndOneNulOnTheClipboard) {
  SetFocusText(u"abc");
  CopyByMethod();
  const std::vector<unsigned char>* data = ClipboardText();
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(*data, (std::vector<unsigned char>{'a', 0, 'b', 0, 'c', 0, 0, 0}));
  EXPECT_EQ(Desk().clipboardOwner, window.GetHwnd());
  ExpectClipboardClosed();
  EXPECT_TRUE(NothingRepainted());
}

TEST_F(Clipboard, CopyByKeyGivesTheSameBytes) {
  SetFocusText(u"x\t\u00E9\U0001F600");
  PutOnClipboard(Bytes(u"old"));
  Desk().clipboardData[1] = {'o', 'l', 'd', 0};  // CF_TEXT: emptied with the rest
  CopyByKey();
  ASSERT_EQ(Desk().clipboardData.size(), 1u);
  ASSERT_NE(ClipboardText(), nullptr);
  EXPECT_EQ(*ClipboardText(), Bytes(u"x\t\u00E9\U0001F600"));
  EXPECT_EQ(Desk().clipboardOwner, window.GetHwnd());
  ExpectClipboardClosed();
  EXPECT_TRUE(NothingRepainted());
  EXPECT_EQ(FocusText(), u"x\t\u00E9\U0001F600");
}

TEST_F(Clipboard, CopyOfAnEmptyCellLeavesTheClipboard) {
  PutOnClipboard(Bytes(u"keep"));
  CopyByMethod();
  CopyByKey();
  ASSERT_NE(ClipboardText(), nullptr);
  EXPECT_EQ(*ClipboardText(), Bytes(u"keep"));
  EXPECT_EQ(Desk().clipboardOwner, nullptr);  // never opened
}

TEST_F(Clipboard, CopyWithoutFocusCellDoesNothing) {
  PutOnClipboard(Bytes(u"keep"));
  grid.m_pFocusCell = nullptr;
  CopyByMethod();
  EXPECT_EQ(*ClipboardText(), Bytes(u"keep"));
  EXPECT_EQ(Desk().clipboardOwner, nullptr);
  PasteByMethod();
  EXPECT_EQ(Desk().clipboardOwner, nullptr);
}

TEST_F(Clipboard, CopyIgnoresTheReadOnlyFlag) {
  SetFocusText(u"ro");
  FocusCell().m_bReadOnly = 1;
  CopyByMethod();
  EXPECT_EQ(*ClipboardText(), Bytes(u"ro"));
  Desk().clipboardData.clear();
  CopyByKey();
  EXPECT_EQ(*ClipboardText(), Bytes(u"ro"));
}

TEST_F(Clipboard, BusyClipboardExchangesNothing) {
  PutOnClipboard(Bytes(u"theirs"));
  Desk().clipboardBusy = true;
  SetFocusText(u"mine");
  CopyByMethod();
  CopyByKey();
  EXPECT_EQ(*ClipboardText(), Bytes(u"theirs"));
  PasteByMethod();
  PasteByKey();
  EXPECT_EQ(FocusText(), u"mine");
  EXPECT_TRUE(NothingRepainted());  // the key path stops before repainting
  ExpectClipboardClosed();
}

TEST_F(Clipboard, PasteKeepsTabsAndLineEnds) {
  PutOnClipboard(Bytes(u"a\tb\r\nc\n"));
  PasteByMethod();
  EXPECT_EQ(FocusText(), u"a\tb\r\nc\n");
  ExpectClipboardClosed();
  // The method repaints the one cell.
  ASSERT_EQ(window.invalidations.size(), 1u);
  EXPECT_FALSE(window.invalidations[0].whole);
  CRect cell;
  grid.GetCellRect(2, 3, &cell);
  EXPECT_EQ(window.invalidations[0].rect.left, cell.left);
  EXPECT_EQ(window.invalidations[0].rect.top, cell.top);

  window.ClearRecords();
  SetFocusText(u"");
  PutOnClipboard(Bytes(u"d\te\r\n"));
  PasteByKey();
  EXPECT_EQ(FocusText(), u"d\te\r\n");
  EXPECT_TRUE(OnlyWholeGridRepainted());
  ExpectClipboardClosed();
}

TEST_F(Clipboard, PasteStopsAtTheFirstNulAndNeverReadsPastTheBlock) {
  PutOnClipboard({'h', 0, 'i', 0, 0, 0, 'x', 0});
  PasteByMethod();
  EXPECT_EQ(FocusText(), u"hi");
  PutOnClipboard({'n', 0, 'o', 0, 'n', 0, 'u', 0, 'l'});  // no terminator, odd size
  PasteByMethod();
  EXPECT_EQ(FocusText(), u"nonul");
  PutOnClipboard({'k', 0, 'e', 0, 'y'});
  PasteByKey();
  EXPECT_EQ(FocusText(), u"key");
}

TEST_F(Clipboard, PasteOntoReadOnlyCellChangesNothing) {
  SetFocusText(u"fixed");
  FocusCell().m_bReadOnly = 1;
  PutOnClipboard(Bytes(u"new"));
  std::string before = Snapshot(grid);
  PasteByMethod();
  PasteByKey();
  EXPECT_EQ(Snapshot(grid), before);
  EXPECT_TRUE(NothingRepainted());
  EXPECT_EQ(Desk().clipboardOwner, nullptr);
}

TEST_F(Clipboard, PasteByKeyWithEmptyClipboardOnlyRepaints) {
  SetFocusText(u"same");
  PasteByKey();
  EXPECT_EQ(FocusText(), u"same");
  EXPECT_TRUE(OnlyWholeGridRepainted());
  ExpectClipboardClosed();
  EXPECT_EQ(Desk().clipboardOwner, window.GetHwnd());
}

TEST_F(Clipboard, PasteByMethodWithEmptyClipboardDoesNothing) {
  SetFocusText(u"same");
  PasteByMethod();
  EXPECT_EQ(FocusText(), u"same");
  EXPECT_TRUE(NothingRepainted());
  ExpectClipboardClosed();
}

TEST_F(Clipboard, CopyThenPasteIntoAnotherCell) {
  SetFocusText(u"moved");
  CopyByMethod();
  Focus(4, 0);
  PasteByMethod();
  EXPECT_EQ(FocusText(), u"moved");
  EXPECT_EQ(std::u16string(grid.GetCell(2, 3)->m_strText.View()), u"moved");
  EXPECT_TRUE(window.events.empty());
  EXPECT_EQ(window.modifiedCalls, 0);
  EXPECT_FALSE(grid.IsModified());
}

TEST_F(Clipboard, PasteByMethodEndsAnEditOfTheFocusCell) {
  StartEditing();
  PutOnClipboard(Bytes(u"pasted"));
  PasteByMethod();
  EXPECT_EQ(grid.m_bEditMode, 0);
  EXPECT_FALSE(grid.m_edit.IsWindowVisible());
  EXPECT_EQ(FocusText(), u"pasted");
  EXPECT_TRUE(window.events.empty());
}

TEST_F(Clipboard, PasteByKeyLeavesAnEditRunning) {
  StartEditing();
  PutOnClipboard(Bytes(u"pasted"));
  PasteByKey();
  EXPECT_EQ(grid.m_bEditMode, 1);
  EXPECT_TRUE(grid.m_edit.IsWindowVisible());
  EXPECT_EQ(FocusText(), u"pasted");
  EXPECT_TRUE(OnlyWholeGridRepainted());
}

}  // namespace
}  // namespace TzGrid::Test

// The grid control in a real window: its picture read back from the
// screen, clicks, keys, typing, scrolling, resizing and dragging columns,
// the clipboard by keys and system double clicks.
#include "PlatformHarness.h"

namespace TzGrid::Win32::Test {
namespace {

// The default grid: 5 x 5, one fixed row of height 20, columns 50 wide.
void GridDefaultPicture() {
  Guarded([] {
    GridFixture f;
    f.HeaderRow();
    f.ctrl.SetCellText(0, 1, CString(u"B"));
    f.ctrl.InvalidateControl();
    f.Settle();
    f.ExpectNoFailures();
    // Header cell (0, 0, 49, 19): the raised frame lies inside (0, 0) ..
    // (48, 18); its last column and row show the empty-area colour, as
    // no grid line is drawn in the header band.
    COLORREF empty = COLORREF(::GetSysColor(COLOR_BTNSHADOW));
    for (int x = 0; x <= 47; ++x) EXPECT_COLOUR(f.Pixel(x, 0), kWhite);
    for (int y = 0; y <= 17; ++y) EXPECT_COLOUR(f.Pixel(0, y), kWhite);
    for (int y = 0; y <= 18; ++y) EXPECT_COLOUR(f.Pixel(48, y), kShadow);
    for (int x = 0; x <= 48; ++x) EXPECT_COLOUR(f.Pixel(x, 18), kShadow);
    for (int y = 0; y <= 19; ++y) EXPECT_COLOUR(f.Pixel(49, y), empty);
    for (int x = 0; x <= 49; ++x) EXPECT_COLOUR(f.Pixel(x, 19), empty);
    EXPECT_COLOUR(f.Pixel(25, 10), kLightGrey);
    // The second header cell holds its text in the near-black header ink.
    int inked = 0;
    for (int y = 1; y < 19; ++y)
      for (int x = 51; x < 99; ++x) inked += f.Pixel(x, y) == RGB(1, 1, 1);
    EXPECT_TRUE(inked > 0);
    // First scrolled cell (0, 20, 49, 39) in the window colour, grid lines
    // on its last column and row.
    COLORREF window = COLORREF(::GetSysColor(COLOR_WINDOW));
    EXPECT_COLOUR(f.Pixel(0, 20), window);
    EXPECT_COLOUR(f.Pixel(48, 38), window);
    for (int y = 20; y <= 39; ++y) EXPECT_COLOUR(f.Pixel(49, y), kGridLine);
    for (int x = 0; x <= 49; ++x) EXPECT_COLOUR(f.Pixel(x, 39), kGridLine);
    EXPECT_COLOUR(f.Pixel(249, 30), kGridLine);  // the last column's line
    EXPECT_COLOUR(f.Pixel(100, 99), kGridLine);  // the last row's line
    // Right of the last column and below the last row: the empty-area colour.
    EXPECT_COLOUR(f.Pixel(300, 50), empty);
    EXPECT_COLOUR(f.Pixel(100, 200), empty);
    // Everything fits: no scroll range.
    SCROLLINFO info;
    EXPECT_TRUE(f.ctrl.GetScrollInfo(SB_HORZ, &info, SIF_RANGE | SIF_PAGE));
    EXPECT_EQ(info.nMax, 0);
  });
}

void GridCellColoursAndFocusFrame() {
  Guarded([] {
    GridFixture f;
    f.HeaderRow();
    f.ctrl.SetItemBackColor(2, 1, LONG(RGB(255, 0, 0)));
    f.ctrl.SetGridBackColor(LONG(RGB(255, 255, 200)));
    f.ctrl.SetFocusedCell(3, 2);
    f.ctrl.InvalidateControl();
    f.Settle();
    f.ExpectNoFailures();
    // Cell (2, 1) is (50, 40, 99, 59).
    EXPECT_COLOUR(f.Pixel(50, 40), RGB(255, 0, 0));
    EXPECT_COLOUR(f.Pixel(98, 58), RGB(255, 0, 0));
    EXPECT_COLOUR(f.Pixel(99, 50), kGridLine);
    EXPECT_COLOUR(f.Pixel(70, 59), kGridLine);
    // Other cells in the grid's background colour.
    EXPECT_COLOUR(f.Pixel(10, 30), RGB(255, 255, 200));
    // Focus cell (3, 2) is (100, 60, 149, 79): a black frame on the filled area.
    for (int x = 100; x <= 148; ++x) {
      EXPECT_COLOUR(f.Pixel(x, 60), kBlack);
      EXPECT_COLOUR(f.Pixel(x, 78), kBlack);
    }
    for (int y = 60; y <= 78; ++y) {
      EXPECT_COLOUR(f.Pixel(100, y), kBlack);
      EXPECT_COLOUR(f.Pixel(148, y), kBlack);
    }
    EXPECT_COLOUR(f.Pixel(120, 70), RGB(255, 255, 200));
    EXPECT_COLOUR(f.Pixel(149, 70), kGridLine);
    EXPECT_COLOUR(f.Pixel(120, 79), kGridLine);
    EXPECT_EQ(f.ctrl.GetCurrentRow(), LONG(3));
    EXPECT_EQ(f.ctrl.GetCurrentColumn(), LONG(2));
  });
}

void GridClickSelectsCell() {
  Guarded([] {
    GridFixture f;
    f.HeaderRow();
    f.Click(75, 50);  // cell (2, 1) is (50, 40, 99, 59)
    f.ExpectNoFailures();
    EXPECT_TRUE(!f.events.empty());
    EXPECT_EQ(f.events[0].first, DISPID(DISPID_GRIDCELLSELECTED));
    EXPECT_TRUE(f.events[0].second.size() == 2 && f.events[0].second[0] == CDispArg::I4(2) &&
                f.events[0].second[1] == CDispArg::I4(1));
    EXPECT_EQ(f.ctrl.GetCurrentRow(), LONG(2));
    EXPECT_EQ(f.ctrl.GetCurrentColumn(), LONG(1));
    EXPECT_COLOUR(f.Pixel(50, 40), kBlack);   // focus frame drawn at once
    EXPECT_COLOUR(f.Pixel(98, 58), kBlack);
    EXPECT_COLOUR(f.Pixel(70, 50), COLORREF(::GetSysColor(COLOR_WINDOW)));
  });
}

// Typing on the focus cell opens a real EDIT window over it.
void GridTypingOpensEditor() {
  Guarded([] {
    GridFixture f;
    f.HeaderRow();
    f.ctrl.SetCellText(2, 1, CString(u"xyz"));
    f.ctrl.SetFocusedCell(2, 1);
    ::SetFocus(f.Hwnd());
    ::PostMessageW(f.Hwnd(), WM_CHAR, 'a', 1);
    f.Settle();
    f.ExpectNoFailures();
    ::HWND edit = ::GetDlgItem(f.Hwnd(), 1);
    EXPECT_TRUE(edit != nullptr);
    EXPECT_TRUE(::IsWindowVisible(edit));
    EXPECT_TRUE(::GetFocus() == edit);
    wchar_t text[16] = {};
    ::GetWindowTextW(edit, text, 16);
    EXPECT_TRUE(std::wstring(text) == L"a");
    EXPECT_TRUE(f.ctrl.GetCellText(2, 1) == CString(u"a"));
    ::RECT placed{};
    ::GetWindowRect(edit, &placed);
    ::MapWindowPoints(nullptr, f.Hwnd(), reinterpret_cast<::POINT*>(&placed), 2);
    EXPECT_TRUE(FromWin(placed) == CRect(50, 40, 99, 59));
    // Further typing goes to the EDIT window and on into the cell.
    ::PostMessageW(edit, WM_CHAR, 'b', 1);
    f.Settle();
    EXPECT_TRUE(f.ctrl.GetCellText(2, 1) == CString(u"ab"));
    // Enter in the editor moves right and ends the edit.
    ::PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 1);
    f.Settle();
    f.ExpectNoFailures();
    EXPECT_EQ(f.ctrl.GetCurrentColumn(), LONG(2));
    EXPECT_TRUE(!::IsWindowVisible(edit));
    bool exited = std::any_of(f.events.begin(), f.events.end(),
                              [](const auto& e) { return e.first == DISPID_GRIDCELLEXITED; });
    EXPECT_TRUE(exited);
  });
}

void GridTabMovesRight() {
  Guarded([] {
    GridFixture f;
    f.HeaderRow();
    f.ctrl.SetFocusedCell(2, 1);
    ::SetFocus(f.Hwnd());
    ::PostMessageW(f.Hwnd(), WM_KEYDOWN, VK_TAB, 1);
    f.Settle();
    f.ExpectNoFailures();
    EXPECT_EQ(f.ctrl.GetCurrentColumn(), LONG(2));
    ::PostMessageW(f.Hwnd(), WM_KEYDOWN, VK_DOWN, 1);
    f.Settle();
    f.ExpectNoFailures();
    EXPECT_EQ(f.ctrl.GetCurrentRow(), LONG(3));
  });
}

void GridScrollsByColumns() {
  Guarded([] {
    GridFixture f;
    f.ctrl.SetNumColumns(20);
    f.HeaderRow();
    f.ctrl.SetCellText(1, 1, CString(u"one"));
    f.ctrl.InvalidateControl();
    f.Settle();
    f.ExpectNoFailures();
    SCROLLINFO info;
    EXPECT_TRUE(f.ctrl.GetScrollInfo(SB_HORZ, &info, SIF_RANGE | SIF_PAGE | SIF_POS));
    CRect client = f.site.GetClientRect();
    EXPECT_EQ(info.nPage, UINT(client.Width()));
    EXPECT_EQ(info.nMax, 20 * 50 - 50 + client.Width());
    ::SendMessageW(f.Hwnd(), WM_HSCROLL, SB_LINERIGHT, 0);
    f.Settle();
    f.ExpectNoFailures();
    EXPECT_EQ(f.ctrl.m_nFirstCol, 1);
    EXPECT_EQ(f.ctrl.m_nHScrollPos, 50);
    EXPECT_TRUE(f.ctrl.GetScrollInfo(SB_HORZ, &info, SIF_POS));
    EXPECT_EQ(info.nPos, 50);
    // Column 1 is now the first one shown: its grid line at x = 49.
    for (int y = 20; y <= 39; ++y) EXPECT_COLOUR(f.Pixel(49, y), kGridLine);
    EXPECT_COLOUR(f.Pixel(48, 5), kShadow);  // the header cell's frame
    EXPECT_COLOUR(f.Pixel(49, 5), COLORREF(::GetSysColor(COLOR_BTNSHADOW)));
  });
}

// A column border dragged in the header band: the tracking band is drawn
// by inverting the screen's pixels, and the release applies the width.
void GridResizeColumnWithBand() {
  Guarded([] {
    GridFixture f;
    f.HeaderRow();
    f.ctrl.InvalidateControl();
    f.Settle();
    COLORREF window = COLORREF(::GetSysColor(COLOR_WINDOW));
    ::PostMessageW(f.Hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(49, 10));
    f.Settle();
    f.ExpectNoFailures();
    EXPECT_EQ(f.ctrl.m_nMouseMode, MOUSE_OVER_BORDER);
    ::SendMessageW(f.Hwnd(), WM_SETCURSOR, reinterpret_cast<::WPARAM>(f.Hwnd()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_TRUE(::GetCursor() == ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32644)));

    ::PostMessageW(f.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(49, 10));
    f.Settle();
    f.ExpectNoFailures();
    EXPECT_EQ(f.ctrl.m_nMouseMode, MOUSE_RESIZING);
    // The border of column 0 is x = 50 (where column 1 begins); the band
    // covers the pixel columns 49 and 50, the whole client height.
    EXPECT_EQ(f.ctrl.m_nResizeStartX, 50);
    EXPECT_COLOUR(f.Pixel(49, 50), kGridLine ^ 0x00FFFFFFu);
    EXPECT_COLOUR(f.Pixel(50, 50), window ^ 0x00FFFFFFu);
    EXPECT_COLOUR(f.Pixel(50, 5), kWhite ^ 0x00FFFFFFu);  // over the header band too
    EXPECT_COLOUR(f.Pixel(48, 50), window);
    EXPECT_COLOUR(f.Pixel(51, 50), window);

    ::PostMessageW(f.Hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(80, 10));
    f.Settle();
    EXPECT_COLOUR(f.Pixel(50, 50), window);  // erased where it was
    EXPECT_COLOUR(f.Pixel(49, 50), kGridLine);
    EXPECT_COLOUR(f.Pixel(80, 50), window ^ 0x00FFFFFFu);  // drawn where the pointer is
    EXPECT_COLOUR(f.Pixel(81, 50), window ^ 0x00FFFFFFu);

    ::PostMessageW(f.Hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(80, 10));
    f.Settle();
    f.ExpectNoFailures();
    EXPECT_EQ(f.ctrl.m_nMouseMode, MOUSE_IDLE);
    EXPECT_EQ(f.ctrl.GetColumnWidth(0), LONG(80));  // 50 + (80 - 50)
    // Repainted with the new width: the column's grid line at x = 79, the
    // band gone.
    EXPECT_COLOUR(f.Pixel(79, 50), kGridLine);
    EXPECT_COLOUR(f.Pixel(80, 50), window);
    EXPECT_COLOUR(f.Pixel(81, 50), window);
    EXPECT_COLOUR(f.Pixel(49, 50), window);
    EXPECT_COLOUR(f.Pixel(129, 50), kGridLine);
  });
}

// Drags a header cell out of the control to the right: the auto-scroll
// worker sends WM_HSCROLL from its own thread and this thread handles the
// sends while it pumps; the drop then reorders the columns.
void GridDragAutoScrollsAndDrops() {
  Guarded([] {
    GridFixture f;
    f.ctrl.SetNumColumns(20);
    f.HeaderRow();
    f.ctrl.InvalidateControl();
    f.Settle();
    CRect client = f.site.GetClientRect();
    ::PostMessageW(f.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(75, 10));  // header of display position 1
    f.Settle();
    f.ExpectNoFailures();
    EXPECT_EQ(f.ctrl.m_nMouseMode, MOUSE_DRAGGING);
    EXPECT_TRUE(::GetCapture() == f.Hwnd());
    ::PostMessageW(f.Hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(100, 10));
    ::PostMessageW(f.Hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(client.right + 30, 10));
    bool scrolled = PumpUntil([&] { return f.ctrl.m_nFirstCol >= 3; }, 5000);
    f.ExpectNoFailures();
    EXPECT_TRUE(scrolled);
    EXPECT_TRUE(f.ctrl.m_hAutoScrollThread != 0);
    // Back inside: the worker stops after its pause; the drop follows.
    ::PostMessageW(f.Hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(100, 10));
    Pump();
    EXPECT_EQ(int(f.ctrl.m_autoScroll.bStop.load()), 1);
    PumpUntil([] { return false; }, 300);
    int first = f.ctrl.m_nFirstCol;
    PumpUntil([] { return false; }, 300);
    EXPECT_EQ(f.ctrl.m_nFirstCol, first);  // no more scrolling
    int target = f.ctrl.GetColumnAtPoint(CPoint(100, 10));
    EXPECT_TRUE(target > 1);
    ::PostMessageW(f.Hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(100, 10));
    f.Settle();
    f.ExpectNoFailures();
    EXPECT_EQ(f.ctrl.m_nMouseMode, MOUSE_IDLE);
    EXPECT_TRUE(::GetCapture() == nullptr);
    EXPECT_EQ(f.ctrl.GetColumnVisibleIndex(1), LONG(target));
  });
}

// The window goes away while the worker is blocked sending to it: neither
// the window's end nor the control's end may hang.
void GridTeardownDuringAutoScroll() {
  Guarded([] {
    {
      GridFixture f;
      f.ctrl.SetNumColumns(30);
      f.HeaderRow();
      f.Settle();
      CRect client = f.site.GetClientRect();
      ::PostMessageW(f.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(75, 10));
      ::PostMessageW(f.Hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(100, 10));
      ::PostMessageW(f.Hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(client.right + 30, 10));
      ::PostMessageW(f.Hwnd(), WM_KEYDOWN, VK_SHIFT, 1);  // fast steps
      EXPECT_TRUE(PumpUntil([&] { return f.ctrl.m_nFirstCol >= 2; }, 5000));
      f.ExpectNoFailures();
      EXPECT_EQ(int(f.ctrl.m_autoScroll.bFast.load()), 1);
      // Not taking messages for a while: the worker is now waiting in a send.
      ::Sleep(100);
    }  // the site (and with it the window) goes first, then the control
    // Reaching this line is the check; the watchdog fails a hang.
  });
}

void GridClipboardByKeys() {
  Guarded([] {
    GridFixture f;
    f.HeaderRow();
    f.ctrl.SetCellText(2, 1, CString(u"copy me"));
    f.ctrl.SetFocusedCell(2, 1);
    ::SetFocus(f.Hwnd());
    ::PostMessageW(f.Hwnd(), WM_CHAR, 0x03, 1);  // Ctrl+C
    f.Settle();
    f.ExpectNoFailures();
    EXPECT_TRUE(::OpenClipboard(nullptr));
    ::HANDLE data = ::GetClipboardData(CF_UNICODETEXT);
    std::wstring copied = data ? static_cast<const wchar_t*>(::GlobalLock(data)) : L"";
    if (data) ::GlobalUnlock(data);
    ::CloseClipboard();
    EXPECT_TRUE(copied == L"copy me");

    const wchar_t pasted[] = L"pasted";
    ::HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, sizeof(pasted));
    std::memcpy(::GlobalLock(block), pasted, sizeof(pasted));
    ::GlobalUnlock(block);
    EXPECT_TRUE(::OpenClipboard(nullptr));
    ::EmptyClipboard();
    ::SetClipboardData(CF_UNICODETEXT, block);
    ::CloseClipboard();
    f.ctrl.SetFocusedCell(3, 2);
    ::PostMessageW(f.Hwnd(), WM_CHAR, 0x16, 1);  // Ctrl+V
    f.Settle();
    f.ExpectNoFailures();
    EXPECT_TRUE(f.ctrl.GetCellText(3, 2) == CString(u"pasted"));
  });
}

void GridWheelScrollsRows() {
  Guarded([] {
    GridFixture f;
    f.ctrl.SetNumRows(60);
    f.HeaderRow();
    f.ctrl.SetCellText(2, 0, CString(u"two"));
    f.ctrl.InvalidateControl();
    f.Settle();
    EXPECT_EQ(f.ctrl.m_nTopRow, 1);
    ::SendMessageW(f.Hwnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, -120), MAKELPARAM(100, 100));
    f.Settle();
    f.ExpectNoFailures();
    EXPECT_EQ(f.ctrl.m_nTopRow, 2);
    EXPECT_EQ(f.ctrl.m_nVScrollPos, 20);
    SCROLLINFO info;
    EXPECT_TRUE(f.ctrl.GetScrollInfo(SB_VERT, &info, SIF_POS));
    EXPECT_EQ(info.nPos, 20);
    // Row 2 is now the first scrolled row, right under the header band.
    int inked = 0;
    for (int y = 20; y < 39; ++y)
      for (int x = 1; x < 48; ++x) inked += f.Pixel(x, y) == RGB(1, 1, 1);
    EXPECT_TRUE(inked > 0);
    ::SendMessageW(f.Hwnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, 120), MAKELPARAM(100, 100));
    f.Settle();
    EXPECT_EQ(f.ctrl.m_nTopRow, 1);
  });
}

// A real double click (system input, turned into WM_LBUTTONDBLCLK by the
// window class's CS_DBLCLKS) on a header cell steps its sort state.
void GridSystemDoubleClickSorts() {
  Guarded([] {
    GridFixture f;
    f.HeaderRow();
    f.ctrl.SetCellText(0, 1, CString(u"Name"));
    f.Settle();
    ::POINT at{75, 10};
    ::ClientToScreen(f.Hwnd(), &at);
    ::SetCursorPos(at.x, at.y);
    f.Settle();
    ::INPUT clicks[4] = {};
    for (int i = 0; i < 4; ++i) {
      clicks[i].type = INPUT_MOUSE;
      clicks[i].mi.dwFlags = (i % 2 == 0) ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    }
    EXPECT_EQ(::SendInput(4, clicks, sizeof(::INPUT)), ::UINT(4));
    PumpUntil([&] { return f.ctrl.GetCellSortState(0, 1) != 0; }, 2000);
    f.Settle();
    f.ExpectNoFailures();
    EXPECT_EQ(f.ctrl.GetCellSortState(0, 1), USHORT(1));
    EXPECT_TRUE(!f.events.empty() && f.events[0].first == DISPID_GRIDCELLSELECTED);
  });
}

// Real mouse input at a client point of the control (system input, so that
// the window manager side - hit testing, double clicks, scroll bar loops -
// is the system's own).
void SystemClick(::HWND hwnd, int x, int y, int clicks) {
  ::POINT at{x, y};
  ::ClientToScreen(hwnd, &at);
  ::SetCursorPos(at.x, at.y);
  Pump();
  std::vector<::INPUT> input(std::size_t(clicks) * 2);
  for (std::size_t i = 0; i < input.size(); ++i) {
    input[i].type = INPUT_MOUSE;
    input[i].mi.dwFlags = (i % 2 == 0) ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
  }
  ::SendInput(::UINT(input.size()), input.data(), sizeof(::INPUT));
}

void GridSystemDoubleClickEdits() {
  Guarded([] {
    GridFixture f;
    f.HeaderRow();
    f.ctrl.SetCellText(2, 1, CString(u"xyz"));
    f.Settle();
    SystemClick(f.Hwnd(), 75, 50, 2);
    ::HWND edit = nullptr;
    PumpUntil([&] { return (edit = ::GetDlgItem(f.Hwnd(), 1)) != nullptr && ::IsWindowVisible(edit); }, 2000);
    f.Settle();
    f.ExpectNoFailures();
    EXPECT_TRUE(edit != nullptr && ::IsWindowVisible(edit));
    wchar_t text[16] = {};
    ::GetWindowTextW(edit, text, 16);
    EXPECT_TRUE(std::wstring(text) == L"xyz");
    EXPECT_TRUE(f.ctrl.GetCellText(2, 1) == CString(u"xyz"));
    EXPECT_TRUE(::GetFocus() == edit);
  });
}

// The editor loses the keyboard focus to another window: it hides itself,
// the edit stays flagged, and the next paint of the focus cell shows it
// again (without taking the focus back).
void GridEditorHidesOnFocusLoss() {
  Guarded([] {
    GridFixture f;
    f.HeaderRow();
    f.ctrl.SetFocusedCell(2, 1);
    ::SetFocus(f.Hwnd());
    ::PostMessageW(f.Hwnd(), WM_CHAR, 'k', 1);
    f.Settle();
    ::HWND edit = ::GetDlgItem(f.Hwnd(), 1);
    EXPECT_TRUE(edit != nullptr && ::IsWindowVisible(edit));
    ::SetFocus(f.host.Hwnd());  // WM_KILLFOCUS reaches the editor at once
    f.ExpectNoFailures();
    EXPECT_TRUE(!::IsWindowVisible(edit));
    EXPECT_EQ(int(f.ctrl.m_bEditMode), 1);
    // Hiding it uncovered part of the grid: the system asks for a repaint,
    // and the paint of the focus cell shows the editor again.
    ::RECT update{};
    EXPECT_TRUE(::GetUpdateRect(f.Hwnd(), &update, FALSE));
    f.Settle();
    f.ExpectNoFailures();
    EXPECT_TRUE(::IsWindowVisible(edit));
    EXPECT_TRUE(::GetFocus() == f.host.Hwnd());
    EXPECT_TRUE(f.ctrl.GetCellText(2, 1) == CString(u"k"));
  });
}

// A click on the horizontal scroll bar's right arrow: the system's scroll
// bar loop sends WM_HSCROLL SB_LINERIGHT, and the grid scrolls one column.
void GridScrollBarArrowClick() {
  Guarded([] {
    GridFixture f;
    f.ctrl.SetNumColumns(20);
    f.HeaderRow();
    f.ctrl.InvalidateControl();
    f.Settle();
    ::SCROLLBARINFO bar{};
    bar.cbSize = sizeof(bar);
    EXPECT_TRUE(::GetScrollBarInfo(f.Hwnd(), OBJID_HSCROLL, &bar));
    // The right arrow: the last SM_CXHSCROLL pixels of the bar (screen).
    int arrow = ::GetSystemMetrics(SM_CXHSCROLL);
    ::POINT at{bar.rcScrollBar.right - arrow / 2, (bar.rcScrollBar.top + bar.rcScrollBar.bottom) / 2};
    ::ScreenToClient(f.Hwnd(), &at);
    SystemClick(f.Hwnd(), at.x, at.y, 1);
    PumpUntil([&] { return f.ctrl.m_nFirstCol != 0; }, 2000);
    f.Settle();
    f.ExpectNoFailures();
    EXPECT_EQ(f.ctrl.m_nFirstCol, 1);
    EXPECT_EQ(f.ctrl.m_nHScrollPos, 50);
    SCROLLINFO info;
    EXPECT_TRUE(f.ctrl.GetScrollInfo(SB_HORZ, &info, SIF_POS));
    EXPECT_EQ(info.nPos, 50);
  });
}

}  // namespace

std::vector<Check> GridChecks() {
  return {
      {"grid.default_picture", GridDefaultPicture},
      {"grid.cell_colours_and_focus_frame", GridCellColoursAndFocusFrame},
      {"grid.click_selects_cell", GridClickSelectsCell},
      {"grid.typing_opens_editor", GridTypingOpensEditor},
      {"grid.tab_moves_right", GridTabMovesRight},
      {"grid.scrolls_by_columns", GridScrollsByColumns},
      {"grid.resize_column_with_band", GridResizeColumnWithBand},
      {"grid.drag_autoscrolls_and_drops", GridDragAutoScrollsAndDrops},
      {"grid.teardown_during_autoscroll", GridTeardownDuringAutoScroll},
      {"grid.clipboard_by_keys", GridClipboardByKeys},
      {"grid.wheel_scrolls_rows", GridWheelScrollsRows},
      {"grid.system_double_click_sorts", GridSystemDoubleClickSorts},
      {"grid.system_double_click_edits", GridSystemDoubleClickEdits},
      {"grid.editor_hides_on_focus_loss", GridEditorHidesOnFocusLoss},
      {"grid.scroll_bar_arrow_click", GridScrollBarArrowClick},
  };
}

}  // namespace TzGrid::Win32::Test

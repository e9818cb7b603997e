// The grid control in a real window: its picture read back from the
// screen, clicks, keys, typing, scrolling, resizing and dragging columns,
// the clipboard by keys and real double clicks. The default grid's cells
// are 50 x 20: cell (row, column) covers x = 50 column .. + 49 and
// y = 20 row .. + 19, its grid lines on the last of those.
#include "PlatformHarness.h"

namespace TzGrid::Win32::Test {
namespace {

PLATFORM_CHECK(GridDefaultPicture, "grid.default_picture") {
  GridFixture f;
  f.ctrl.SetCellText(0, 1, CString(u"B"));
  f.Repaint();
  // Header cell (0, 0): the raised frame lies inside (0, 0) .. (48, 18);
  // its last column and row show the empty-area colour, as no grid line
  // is drawn in the header band.
  COLORREF empty = SystemColour(COLOR_BTNSHADOW), window = SystemColour(COLOR_WINDOW);
  EXPECT_RUNS(f.Hwnd(), {0, 0, 47, 0, kWhite}, {0, 0, 0, 17, kWhite}, {48, 0, 48, 18, kShadow},
              {0, 18, 48, 18, kShadow}, {49, 0, 49, 19, empty}, {0, 19, 49, 19, empty});
  EXPECT_TRUE(f.Inked(51, 1, 99, 19) > 0);  // the second header cell's text
  // The first scrolled cell (1, 0) in the window colour, grid lines on its
  // last column and row, and on those of the last column (x = 249) and row
  // (y = 99); right of and below them the empty-area colour.
  EXPECT_RUNS(f.Hwnd(), {49, 20, 49, 39, kGridLine}, {0, 39, 49, 39, kGridLine});
  EXPECT_PIXELS(f.Hwnd(), {25, 10, kLightGrey}, {0, 20, window}, {48, 38, window}, {249, 30, kGridLine},
                {100, 99, kGridLine}, {300, 50, empty}, {100, 200, empty});
  SCROLLINFO info;  // everything fits: no scroll range
  EXPECT_TRUE(f.ctrl.GetScrollInfo(SB_HORZ, &info, SIF_RANGE | SIF_PAGE));
  EXPECT_EQ(info.nMax, 0);
}

PLATFORM_CHECK(GridCellColoursAndFocusFrame, "grid.cell_colours_and_focus_frame") {
  GridFixture f;
  constexpr COLORREF red = RGB(255, 0, 0), back = RGB(255, 255, 200);
  f.ctrl.SetItemBackColor(2, 1, LONG(red));
  f.ctrl.SetGridBackColor(LONG(back));
  f.ctrl.SetFocusedCell(3, 2);
  f.Repaint();
  // Cell (2, 1) in its own colour, the others in the grid's; the focus
  // cell (3, 2) framed in black on the filled area.
  EXPECT_PIXELS(f.Hwnd(), {50, 40, red}, {98, 58, red}, {99, 50, kGridLine}, {70, 59, kGridLine}, {10, 30, back},
                {120, 70, back}, {149, 70, kGridLine}, {120, 79, kGridLine});
  EXPECT_RUNS(f.Hwnd(), {100, 60, 148, 60, kBlack}, {100, 78, 148, 78, kBlack}, {100, 60, 100, 78, kBlack},
              {148, 60, 148, 78, kBlack});
  EXPECT_TRUE(f.ctrl.GetCurrentRow() == 3 && f.ctrl.GetCurrentColumn() == 2);
  // A repaint of that cell alone is drawn off screen with the cell's corner
  // as the bitmap's origin: the new colour lands exactly on the cell.
  CRect cell(50, 40, 100, 60);
  f.ctrl.SetItemBackColor(2, 1, LONG(RGB(0, 0, 255)));
  f.ctrl.InvalidateControl(&cell);
  f.Settle();
  EXPECT_PIXELS(f.Hwnd(), {50, 40, RGB(0, 0, 255)}, {98, 58, RGB(0, 0, 255)}, {99, 50, kGridLine},
                {50, 39, kGridLine}, {50, 60, back});
}

PLATFORM_CHECK(GridClickSelectsCell, "grid.click_selects_cell") {
  GridFixture f;
  f.Post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(75, 50));  // cell (2, 1)
  f.Post(WM_LBUTTONUP, 0, MAKELPARAM(75, 50));
  EXPECT_TRUE(!f.events.empty() && f.events[0].first == DISPID_GRIDCELLSELECTED);
  EXPECT_TRUE(f.events[0].second == CDispArgs({CDispArg::I4(2), CDispArg::I4(1)}));
  EXPECT_TRUE(f.ctrl.GetCurrentRow() == 2 && f.ctrl.GetCurrentColumn() == 1);
  EXPECT_PIXELS(f.Hwnd(), {50, 40, kBlack}, {98, 58, kBlack}, {70, 50, SystemColour(COLOR_WINDOW)});  // framed at once
}

std::wstring WindowText(::HWND hwnd) {
  wchar_t text[64] = {};
  ::GetWindowTextW(hwnd, text, 64);
  return text;
}

// Typing on the focus cell opens a real EDIT window over it, which takes
// further typing into the cell; Enter moves right and ends the edit.
PLATFORM_CHECK(GridTypingOpensEditor, "grid.typing_opens_editor") {
  GridFixture f;
  f.ctrl.SetCellText(2, 1, CString(u"xyz"));
  f.Focus(2, 1);
  f.Post(WM_CHAR, 'a', 1);
  ::HWND edit = ::GetDlgItem(f.Hwnd(), 1);
  EXPECT_TRUE(edit != nullptr && ::IsWindowVisible(edit) && ::GetFocus() == edit);
  EXPECT_TRUE(WindowText(edit) == L"a" && f.ctrl.GetCellText(2, 1) == CString(u"a"));
  ::RECT placed{};
  ::GetWindowRect(edit, &placed);
  ::MapWindowPoints(nullptr, f.Hwnd(), reinterpret_cast<::POINT*>(&placed), 2);
  EXPECT_TRUE(FromWin(placed) == CRect(50, 40, 99, 59));
  ::PostMessageW(edit, WM_CHAR, 'b', 1);
  f.Settle();
  EXPECT_TRUE(f.ctrl.GetCellText(2, 1) == CString(u"ab"));
  ::PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 1);
  f.Settle();
  EXPECT_EQ(f.ctrl.GetCurrentColumn(), LONG(2));
  EXPECT_TRUE(!::IsWindowVisible(edit) && f.Fired(DISPID_GRIDCELLEXITED));
}

// The scroll range covers the columns; a click on the horizontal bar's
// right arrow (the system's scroll bar loop sends SB_LINERIGHT) scrolls one
// column, and the picture follows.
PLATFORM_CHECK(GridScrollsByColumns, "grid.scrolls_by_columns") {
  GridFixture f(20);
  SCROLLINFO info;
  EXPECT_TRUE(f.ctrl.GetScrollInfo(SB_HORZ, &info, SIF_RANGE | SIF_PAGE | SIF_POS));
  int width = f.site.GetClientRect().Width();
  EXPECT_TRUE(info.nPage == UINT(width) && info.nMax == 20 * 50 - 50 + width);
  ::SCROLLBARINFO bar{};
  bar.cbSize = sizeof(bar);
  EXPECT_TRUE(::GetScrollBarInfo(f.Hwnd(), OBJID_HSCROLL, &bar));
  ::POINT arrow{bar.rcScrollBar.right - ::GetSystemMetrics(SM_CXHSCROLL) / 2,
                (bar.rcScrollBar.top + bar.rcScrollBar.bottom) / 2};
  ::ScreenToClient(f.Hwnd(), &arrow);
  SystemClick(f.Hwnd(), arrow.x, arrow.y, 1);
  PumpUntil([&] { return f.ctrl.m_nFirstCol != 0; }, 2000);
  f.Settle();
  EXPECT_TRUE(f.ctrl.m_nFirstCol == 1 && f.ctrl.m_nHScrollPos == 50);
  EXPECT_TRUE(f.ctrl.GetScrollInfo(SB_HORZ, &info, SIF_POS));
  EXPECT_EQ(info.nPos, 50);
  // Column 1 is now the first one shown.
  EXPECT_RUNS(f.Hwnd(), {49, 20, 49, 39, kGridLine});
  EXPECT_PIXELS(f.Hwnd(), {48, 5, kShadow}, {49, 5, SystemColour(COLOR_BTNSHADOW)});
}

// A column border dragged in the header band: the tracking band is drawn
// by inverting the screen's pixels, and the release applies the width.
PLATFORM_CHECK(GridResizeColumnWithBand, "grid.resize_column_with_band") {
  GridFixture f;
  COLORREF window = SystemColour(COLOR_WINDOW), inverted = window ^ 0x00FFFFFFu;
  f.Post(WM_MOUSEMOVE, 0, MAKELPARAM(49, 10));
  EXPECT_EQ(f.ctrl.m_nMouseMode, MOUSE_OVER_BORDER);
  ::SendMessageW(f.Hwnd(), WM_SETCURSOR, reinterpret_cast<::WPARAM>(f.Hwnd()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_TRUE(::GetCursor() == ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32644)));

  // The border of column 0 is x = 50; the band covers the pixel columns 49
  // and 50, the whole client height.
  f.Post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(49, 10));
  EXPECT_EQ(f.ctrl.m_nMouseMode, MOUSE_RESIZING);
  EXPECT_EQ(f.ctrl.m_nResizeStartX, 50);
  EXPECT_PIXELS(f.Hwnd(), {49, 50, kGridLine ^ 0x00FFFFFFu}, {50, 50, inverted}, {50, 5, kWhite ^ 0x00FFFFFFu},
                {48, 50, window}, {51, 50, window});

  f.Post(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(80, 10));
  // Erased where it was, drawn where the pointer is.
  EXPECT_PIXELS(f.Hwnd(), {50, 50, window}, {49, 50, kGridLine}, {80, 50, inverted}, {81, 50, inverted});

  f.Post(WM_LBUTTONUP, 0, MAKELPARAM(80, 10));
  EXPECT_EQ(f.ctrl.m_nMouseMode, MOUSE_IDLE);
  EXPECT_EQ(f.ctrl.GetColumnWidth(0), LONG(80));  // 50 + (80 - 50)
  // Repainted with the new width, the band gone.
  EXPECT_PIXELS(f.Hwnd(), {79, 50, kGridLine}, {80, 50, window}, {81, 50, window}, {49, 50, window},
                {129, 50, kGridLine});
}

// Starts dragging the header of display position 1 out of the control to
// the right, until the auto-scroll worker has scrolled to firstColumn.
void DragOutToTheRight(GridFixture& f, int firstColumn) {
  int outside = f.site.GetClientRect().right + 30;
  f.Post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(75, 10));
  EXPECT_EQ(f.ctrl.m_nMouseMode, MOUSE_DRAGGING);
  EXPECT_TRUE(::GetCapture() == f.Hwnd());
  ::PostMessageW(f.Hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(100, 10));
  ::PostMessageW(f.Hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(outside, 10));
  EXPECT_TRUE(PumpUntil([&] { return f.ctrl.m_nFirstCol >= firstColumn; }, 5000));
  f.Settle();
  EXPECT_TRUE(f.ctrl.m_hAutoScrollThread != 0);
}

// The auto-scroll worker sends WM_HSCROLL from its own thread, handled
// while this thread pumps; back inside, it stops after its pause, and the
// drop reorders the columns.
PLATFORM_CHECK(GridDragAutoScrollsAndDrops, "grid.drag_autoscrolls_and_drops") {
  GridFixture f(20);
  DragOutToTheRight(f, 3);
  ::PostMessageW(f.Hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(100, 10));
  Pump();
  EXPECT_EQ(int(f.ctrl.m_autoScroll.bStop.load()), 1);
  PumpUntil([] { return false; }, 300);
  int first = f.ctrl.m_nFirstCol;
  PumpUntil([] { return false; }, 300);
  EXPECT_EQ(f.ctrl.m_nFirstCol, first);
  int target = f.ctrl.GetColumnAtPoint(CPoint(100, 10));
  EXPECT_TRUE(target > 1);
  f.Post(WM_LBUTTONUP, 0, MAKELPARAM(100, 10));
  EXPECT_EQ(f.ctrl.m_nMouseMode, MOUSE_IDLE);
  EXPECT_TRUE(::GetCapture() == nullptr);
  EXPECT_EQ(f.ctrl.GetColumnVisibleIndex(1), LONG(target));
}

// The window goes away while the worker, scrolling fast (Shift held), is
// blocked sending to it: neither the window's end nor the control's may
// hang (the watchdog fails a hang).
PLATFORM_CHECK(GridTeardownDuringAutoScroll, "grid.teardown_during_autoscroll") {
  GridFixture f(30);
  DragOutToTheRight(f, 2);
  f.Post(WM_KEYDOWN, VK_SHIFT, 1);
  EXPECT_EQ(int(f.ctrl.m_autoScroll.bFast.load()), 1);
  ::Sleep(100);  // not taking messages: the worker now waits in a send
}

std::wstring ClipboardText() {
  EXPECT_TRUE(::OpenClipboard(nullptr));
  ::HANDLE data = ::GetClipboardData(CF_UNICODETEXT);
  std::wstring text = data ? static_cast<const wchar_t*>(::GlobalLock(data)) : L"";
  if (data) ::GlobalUnlock(data);
  ::CloseClipboard();
  return text;
}

void SetClipboardText(const std::wstring& text) {
  ::HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
  std::memcpy(::GlobalLock(block), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
  ::GlobalUnlock(block);
  EXPECT_TRUE(::OpenClipboard(nullptr));
  ::EmptyClipboard();
  ::SetClipboardData(CF_UNICODETEXT, block);
  ::CloseClipboard();
}

PLATFORM_CHECK(GridClipboardByKeys, "grid.clipboard_by_keys") {
  GridFixture f;
  f.ctrl.SetCellText(2, 1, CString(u"copy me"));
  f.Focus(2, 1);
  f.Post(WM_CHAR, 0x03, 1);  // Ctrl+C
  EXPECT_TRUE(ClipboardText() == L"copy me");
  SetClipboardText(L"pasted");
  f.ctrl.SetFocusedCell(3, 2);
  f.Post(WM_CHAR, 0x16, 1);  // Ctrl+V
  EXPECT_TRUE(f.ctrl.GetCellText(3, 2) == CString(u"pasted"));
}

PLATFORM_CHECK(GridWheelScrollsRows, "grid.wheel_scrolls_rows") {
  GridFixture f(5, 60);
  f.ctrl.SetCellText(2, 0, CString(u"two"));
  f.Repaint();
  EXPECT_EQ(f.ctrl.m_nTopRow, 1);
  ::SendMessageW(f.Hwnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, -120), MAKELPARAM(100, 100));
  f.Settle();
  EXPECT_TRUE(f.ctrl.m_nTopRow == 2 && f.ctrl.m_nVScrollPos == 20);
  SCROLLINFO info;
  EXPECT_TRUE(f.ctrl.GetScrollInfo(SB_VERT, &info, SIF_POS));
  EXPECT_EQ(info.nPos, 20);
  EXPECT_TRUE(f.Inked(1, 20, 48, 39) > 0);  // row 2 right under the header band
  ::SendMessageW(f.Hwnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, 120), MAKELPARAM(100, 100));
  f.Settle();
  EXPECT_EQ(f.ctrl.m_nTopRow, 1);
}

// A real double click (turned into WM_LBUTTONDBLCLK by the class's
// CS_DBLCLKS) on a header cell steps its sort state; on a cell it opens
// the editor with the cell's text.
PLATFORM_CHECK(GridSystemDoubleClickSorts, "grid.system_double_click_sorts") {
  GridFixture f;
  f.ctrl.SetCellText(0, 1, CString(u"Name"));
  f.Settle();
  SystemClick(f.Hwnd(), 75, 10, 2);
  PumpUntil([&] { return f.ctrl.GetCellSortState(0, 1) != 0; }, 2000);
  f.Settle();
  EXPECT_EQ(f.ctrl.GetCellSortState(0, 1), USHORT(1));
  EXPECT_TRUE(!f.events.empty() && f.events[0].first == DISPID_GRIDCELLSELECTED);
}

PLATFORM_CHECK(GridSystemDoubleClickEdits, "grid.system_double_click_edits") {
  GridFixture f;
  f.ctrl.SetCellText(2, 1, CString(u"xyz"));
  f.Settle();
  SystemClick(f.Hwnd(), 75, 50, 2);
  ::HWND edit = nullptr;
  PumpUntil([&] { return (edit = ::GetDlgItem(f.Hwnd(), 1)) != nullptr && ::IsWindowVisible(edit); }, 2000);
  f.Settle();
  EXPECT_TRUE(edit != nullptr && ::IsWindowVisible(edit) && ::GetFocus() == edit);
  EXPECT_TRUE(WindowText(edit) == L"xyz" && f.ctrl.GetCellText(2, 1) == CString(u"xyz"));
}

// The editor loses the keyboard focus to another window: it hides itself,
// the edit stays flagged, and the repaint the system asks for where it was
// shows it again (without taking the focus back).
PLATFORM_CHECK(GridEditorHidesOnFocusLoss, "grid.editor_hides_on_focus_loss") {
  GridFixture f;
  f.Focus(2, 1);
  f.Post(WM_CHAR, 'k', 1);
  ::HWND edit = ::GetDlgItem(f.Hwnd(), 1);
  EXPECT_TRUE(edit != nullptr && ::IsWindowVisible(edit));
  ::SetFocus(f.host.Hwnd());  // WM_KILLFOCUS reaches the editor at once
  EXPECT_TRUE(!::IsWindowVisible(edit));
  EXPECT_EQ(int(f.ctrl.m_bEditMode), 1);
  ::RECT update{};
  EXPECT_TRUE(::GetUpdateRect(f.Hwnd(), &update, FALSE));
  f.Settle();
  EXPECT_TRUE(::IsWindowVisible(edit) && ::GetFocus() == f.host.Hwnd());
  EXPECT_TRUE(f.ctrl.GetCellText(2, 1) == CString(u"k"));
}

}  // namespace
}  // namespace TzGrid::Win32::Test

// The control site over a real window: child window, painting and its
// invalidation bookkeeping, messages, scroll bars and the client area,
// pre-translation of keys, the edit child; and the platform's dialogs.
#include "PlatformHarness.h"

namespace TzGrid::Win32::Test {
namespace {

// The control's child window: its style and class, sizes told to the
// control once the window exists. A message is answered by the control's
// handler, the rest by the system's default processing; a failing handler
// is reported and the window lives on.
PLATFORM_CHECK(SiteWindowAndMessages, "site.window_and_messages") {
  ProbeFixture f;
  ::HWND hwnd = f.Hwnd();
  EXPECT_TRUE(::GetParent(hwnd) == f.host && f.ctrl.IsWindow());
  ::LONG_PTR style = ::GetWindowLongPtrW(hwnd, GWL_STYLE), wanted = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_BORDER;
  EXPECT_EQ(style & wanted, wanted);
  ::WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  EXPECT_TRUE(::GetClassInfoExW(GetModuleInstance(), ControlWindowClassName(), &wc));
  EXPECT_TRUE((wc.style & CS_DBLCLKS) != 0 && wc.hbrBackground == nullptr);
  EXPECT_TRUE(f.ctrl.Received(WM_SIZE) && f.ctrl.windowExistedAtSize);
  ::RECT client{};
  ::GetClientRect(hwnd, &client);
  CRect rc;
  f.ctrl.GetClientRect(&rc);
  EXPECT_TRUE(f.site.GetClientRect() == FromWin(client) && rc == FromWin(client));
  EXPECT_TRUE(Win32ControlSite::FromHwnd(hwnd) == &f.site && !Win32ControlSite::FromHwnd(f.host));
  EXPECT_EQ(f.ctrl.SendMessage(kProbeThrow, 0, 0), LRESULT(0));
  EXPECT_TRUE(f.failures.size() == 1 && f.failures[0].find("probe failure") != std::string::npos);
  EXPECT_EQ(f.ctrl.SendMessage(kProbeMessage, 1, 0), LRESULT(1001));
  EXPECT_EQ(f.ctrl.SendMessage(WM_NCHITTEST, 0, MAKELPARAM(50, 50)), LRESULT(HTCLIENT));
  f.site.DestroyControlWindow();
  EXPECT_TRUE(!::IsWindow(hwnd) && !f.ctrl.IsWindow() && f.site.Hwnd() == nullptr);
}

// A partial invalidation repaints only that area: the control is told so,
// its clip box is the area, and nothing else is erased or drawn. Refresh
// repaints everything before it returns.
PLATFORM_CHECK(SitePaintsThroughOnDraw, "site.paints_through_ondraw") {
  ProbeFixture f;
  constexpr COLORREF green = RGB(0, 128, 0), magenta = RGB(200, 0, 200), blue = RGB(0, 0, 255);
  CRect client = f.site.GetClientRect(), area(10, 10, 30, 20);
  EXPECT_TRUE(f.ctrl.draws >= 1 && f.ctrl.lastBounds == client);
  f.ctrl.paintColour = magenta;
  int before = f.ctrl.draws;
  f.ctrl.InvalidateControl(&area);
  ::UpdateWindow(f.Hwnd());
  EXPECT_EQ(f.ctrl.draws, before + 1);
  EXPECT_TRUE(f.ctrl.lastInvalid == area && f.ctrl.lastClip == area && f.ctrl.lastBounds == client);
  EXPECT_RUNS(f.Hwnd(), {10, 10, 29, 19, magenta}, {30, 10, 30, 19, green}, {9, 10, 9, 19, green},
              {client.right - 1, client.bottom - 1, client.right - 1, client.bottom - 1, green});
  EXPECT_TRUE(!f.ctrl.Received(WM_ERASEBKGND));  // answered by the site: nothing to erase
  EXPECT_EQ(::SendMessageW(f.Hwnd(), WM_ERASEBKGND, 0, 0), ::LRESULT(1));
  f.ctrl.paintColour = blue;
  f.ctrl.Refresh();
  EXPECT_EQ(f.ctrl.draws, before + 2);
  EXPECT_RUNS(f.Hwnd(), {200, 100, 200, 100, blue});
}

// The position is bounded to nMax - nPage + 1; an empty range hides the
// bar, the client area grows by its height and the control hears of it.
// ScrollWindow moves pixels and leaves the uncovered strip to repaint.
PLATFORM_CHECK(SiteScrollBarsAndScrollWindow, "site.scroll_bars_and_scroll_window") {
  ProbeFixture f;
  SCROLLINFO info{sizeof(SCROLLINFO), SIF_RANGE | SIF_PAGE | SIF_POS, 0, 500, 100, 50, 0}, read;
  EXPECT_TRUE(f.ctrl.SetScrollInfo(SB_HORZ, &info, TRUE) && f.ctrl.GetScrollInfo(SB_HORZ, &read, SIF_ALL));
  EXPECT_TRUE(read.nMax == 500 && read.nPage == 100 && read.nPos == 50 && read.nTrackPos == 50);
  f.ctrl.SetScrollPos(SB_HORZ, 1000);
  EXPECT_TRUE(f.ctrl.GetScrollInfo(SB_HORZ, &read, SIF_POS) && read.nPos == 401);
  CRect withBar = f.site.GetClientRect();
  info.nMax = info.nPage = info.nPos = 0;
  f.ctrl.messages.clear();
  f.ctrl.SetScrollInfo(SB_HORZ, &info, TRUE);
  EXPECT_EQ(f.site.GetClientRect().Height(), withBar.Height() + ::GetSystemMetrics(SM_CYHSCROLL));
  EXPECT_TRUE(f.ctrl.Received(WM_SIZE));
  f.Settle();
  CDC* dc = f.ctrl.GetDC();
  dc->FillSolidRect(0, 0, 100, 50, RGB(255, 0, 0));
  dc->FillSolidRect(100, 0, 100, 50, RGB(0, 0, 255));
  f.ctrl.ReleaseDC(dc);
  CRect rect(0, 0, 200, 50);
  f.ctrl.ScrollWindow(-10, 0, &rect, &rect);
  EXPECT_RUNS(f.Hwnd(), {89, 10, 89, 10, RGB(255, 0, 0)}, {90, 10, 90, 10, RGB(0, 0, 255)});
  ::RECT update{};
  EXPECT_TRUE(::GetUpdateRect(f.Hwnd(), &update, FALSE) && FromWin(update) == CRect(190, 0, 200, 50));
}

// A Tab the user typed (taken from the queue) is offered to the control's
// pre-translation by the window that gets it; when the control takes it,
// the window's handler never sees it. A Tab sent with SendMessage - as the
// editor forwards Enter - is a plain key; other keys are not offered.
PLATFORM_CHECK(SiteTabIsPreTranslated, "site.tab_is_pretranslated") {
  ProbeFixture f;
  f.Post(WM_KEYDOWN, VK_TAB, 1);
  EXPECT_TRUE(f.ctrl.preTranslated == std::vector<HWND>{f.Hwnd()} && !f.ctrl.Received(WM_KEYDOWN));
  f.ctrl.preTranslateAnswer = FALSE;
  f.Post(WM_KEYDOWN, VK_TAB, 1);
  EXPECT_TRUE(f.ctrl.preTranslated.size() == 2 && f.ctrl.Received(WM_KEYDOWN));
  f.ctrl.preTranslateAnswer = TRUE;
  f.ctrl.messages.clear();
  ::SendMessageW(f.Hwnd(), WM_KEYDOWN, VK_TAB, 1);
  f.Post(WM_KEYDOWN, VK_RIGHT, 1);
  EXPECT_TRUE(f.ctrl.preTranslated.size() == 2 && f.ctrl.Received(WM_KEYDOWN, VK_TAB));
  EXPECT_TRUE(f.ctrl.Received(WM_KEYDOWN, VK_RIGHT));
}

// The EDIT class keeps the style without WS_BORDER (it draws its border
// itself), tells the control's window of changes with EN_UPDATE, hides and
// moves; the control's window going away takes it along and leaves its
// owner without a window.
PLATFORM_CHECK(SiteEditChild, "site.edit_child") {
  ProbeFixture f;
  CWnd edit;
  edit.AttachImpl(f.site.CreateEditChild(&edit, 0x50810080, RECT{20, 30, 120, 50}, 1), &f.ctrl);
  ::HWND hedit = static_cast<::HWND>(edit.GetSafeHwnd());
  EXPECT_TRUE(hedit && ::GetParent(hedit) == f.Hwnd() && ::GetDlgCtrlID(hedit) == 1);
  DWORD wanted = 0x50810080 & ~WS_BORDER;
  EXPECT_EQ(DWORD(::GetWindowLongPtrW(hedit, GWL_STYLE)) & wanted, wanted);
  f.ctrl.messages.clear();
  edit.SetWindowText(CString(u"xyz"));
  EXPECT_TRUE(edit.GetWindowText() == CString(u"xyz"));
  EXPECT_TRUE(f.ctrl.Received(WM_COMMAND, MAKEWPARAM(1, EN_UPDATE)));
  EXPECT_TRUE(edit.ShowWindow(SW_HIDE) && !edit.IsWindowVisible());
  edit.MoveWindow(5, 5, 50, 20);
  CRect placed = edit.GetImpl()->GetWindowRect();
  f.ctrl.ScreenToClient(&placed);
  EXPECT_TRUE(placed == CRect(5, 5, 55, 25));
  f.site.DestroyControlWindow();
  EXPECT_TRUE(!::IsWindow(hedit) && edit.GetSafeHwnd() == nullptr && f.failures.empty());
}

// Runs modal, which shows a dialog box on this thread, while another
// thread waits for the box and hands it to answer; modal's result.
int AnsweredModal(const std::function<int()>& modal, const std::function<void(::HWND)>& answer) {
  DWORD me = ::GetCurrentThreadId();
  bool answered = false;
  std::thread watcher([&] {
    for (int i = 0; i < 500 && !answered; ++i, ::Sleep(10)) {
      ::HWND box = ::FindWindowW(L"#32770", nullptr);
      if (box && ::IsWindowVisible(box) && ::GetWindowThreadProcessId(box, nullptr) == me) {
        answer(box);
        ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        answered = true;
      }
    }
  });
  int result = modal();
  watcher.join();
  EXPECT_TRUE(answered);
  return result;
}

// A message box shows its text. The file name typed into the system's save
// dialog (edt1, or the combo box cmb13 newer dialogs have in its place)
// comes back with the default extension. A dialog resource the program
// lacks is refused.
PLATFORM_CHECK(ServicesDialogs, "services.dialogs") {
  HostWindow();
  std::wstring shown(256, L'\0');
  auto read = [&](::HWND box) { ::GetDlgItemTextW(box, 0xFFFF, shown.data(), 256); };
  EXPECT_EQ(AnsweredModal([] { return AfxMessageBox(CString(u"NULL cell")); }, read), IDOK);
  EXPECT_TRUE(shown.find(L"NULL cell") != std::wstring::npos);
  wchar_t tempDir[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, tempDir);
  std::wstring typed = std::wstring(tempDir) + L"tzgrid_platform_export", expected = typed + L".csv";
  CFileDialog dialog(FALSE, u".csv", u"export.csv", OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                     u"CSV Files (*.csv)|*.csv|All Files (*.*)|*.*||");
  auto type = [&](::HWND box) {
    ::HWND name = ::GetDlgItem(box, 0x480) ? ::GetDlgItem(box, 0x480) : ::GetDlgItem(box, 0x47C);
    ::SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<::LPARAM>(typed.c_str()));
  };
  EXPECT_EQ(AnsweredModal([&] { return int(dialog.DoModal()); }, type), IDOK);
  EXPECT_TRUE(dialog.GetPathName().View() == std::u16string(expected.begin(), expected.end()));
  EXPECT_EQ(CDialogEx(100).DoModal(), -1);
}

}  // namespace
}  // namespace TzGrid::Win32::Test

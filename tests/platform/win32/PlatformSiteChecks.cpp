// The control site over a real window: child window, painting, messages
// from the window thread and from a worker, scroll bars, capture, keys,
// events and the edit child.
#include "PlatformHarness.h"

namespace TzGrid::Win32::Test {
namespace {

PLATFORM_CHECK(SiteCreatesChildWindow, "site.creates_child_window") {
  ProbeFixture f;
  ::HWND hwnd = f.Hwnd();
  EXPECT_TRUE(::IsWindow(hwnd) && f.ctrl.IsWindow());
  EXPECT_TRUE(::GetParent(hwnd) == f.host.Hwnd());
  ::LONG_PTR style = ::GetWindowLongPtrW(hwnd, GWL_STYLE);
  for (::LONG_PTR bit : {WS_CHILD, WS_VISIBLE, WS_CLIPCHILDREN, WS_BORDER}) EXPECT_TRUE((style & bit) == bit);
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
  {  // a second window reuses the class
    ProbeControl other;
    Win32ControlSite otherSite(other);
    EXPECT_TRUE(otherSite.CreateControlWindow(f.host.Hwnd(), ::RECT{420, 10, 500, 60}));
    EXPECT_TRUE(Win32ControlSite::FromHwnd(otherSite.Hwnd()) == &otherSite);
  }
  EXPECT_TRUE(Win32ControlSite::FromHwnd(hwnd) == &f.site);
  EXPECT_TRUE(Win32ControlSite::FromHwnd(f.host.Hwnd()) == nullptr);
  f.site.DestroyControlWindow();
  EXPECT_TRUE(!::IsWindow(hwnd) && !f.ctrl.IsWindow() && f.site.Hwnd() == nullptr);
}

PLATFORM_CHECK(SitePaintsThroughOnDraw, "site.paints_through_ondraw") {
  ProbeFixture f;
  constexpr COLORREF green = RGB(0, 128, 0), magenta = RGB(200, 0, 200);
  CRect client = f.site.GetClientRect();
  EXPECT_TRUE(f.ctrl.draws >= 1 && f.ctrl.lastBounds == client);
  EXPECT_COLOUR(f.Pixel(5, 5), green);
  EXPECT_COLOUR(f.Pixel(client.right - 1, client.bottom - 1), green);

  // A partial invalidation repaints only that area: the control is told
  // so, its clip box is the area, and nothing else is erased or drawn.
  f.ctrl.paintColour = magenta;
  int before = f.ctrl.draws;
  CRect area(10, 10, 30, 20);
  f.ctrl.InvalidateControl(&area);
  ::UpdateWindow(f.Hwnd());
  EXPECT_EQ(f.ctrl.draws, before + 1);
  EXPECT_TRUE(f.ctrl.lastInvalid == area && f.ctrl.lastClip == area && f.ctrl.lastBounds == client);
  EXPECT_COLOUR(f.Pixel(10, 10), magenta);
  EXPECT_COLOUR(f.Pixel(29, 19), magenta);
  EXPECT_COLOUR(f.Pixel(30, 19), green);
  EXPECT_COLOUR(f.Pixel(9, 10), green);
  EXPECT_TRUE(!f.ctrl.Received(WM_ERASEBKGND));  // answered by the site: nothing to erase
  EXPECT_EQ(::SendMessageW(f.Hwnd(), WM_ERASEBKGND, 0, 0), ::LRESULT(1));

  // Refresh repaints everything before it returns.
  f.ctrl.paintColour = RGB(0, 0, 255);
  f.ctrl.Refresh();
  EXPECT_EQ(f.ctrl.draws, before + 2);
  EXPECT_COLOUR(f.Pixel(200, 100), RGB(0, 0, 255));
  EXPECT_TRUE(f.failures.empty());
}

// A message is handled on the window's thread, whoever sends it; a failing
// handler is reported to the site and the window lives on; the rest reach
// the system's default processing.
PLATFORM_CHECK(SiteSendMessage, "site.send_message") {
  ProbeFixture f;
  EXPECT_EQ(f.ctrl.SendMessage(kProbeMessage, 7, 0), LRESULT(1007));
  EXPECT_EQ(f.ctrl.handlerThread, ::GetCurrentThreadId());
  EXPECT_EQ(f.ctrl.SendMessage(WM_NCHITTEST, 0, MAKELPARAM(50, 50)), LRESULT(HTCLIENT));
  EXPECT_EQ(f.ctrl.SendMessage(kProbeThrow, 0, 0), LRESULT(0));
  EXPECT_TRUE(f.failures.size() == 1 && f.failures[0].find("probe failure") != std::string::npos);
  EXPECT_EQ(f.ctrl.SendMessage(kProbeMessage, 1, 0), LRESULT(1001));
}

struct WorkerBlock {
  Win32ControlSite* site;
  std::atomic<LRESULT> answer{0};
};

unsigned SendFromWorker(void* param) {
  auto* block = static_cast<WorkerBlock*>(param);
  block->answer = block->site->SendMessage(kProbeMessage, 42, 0);
  return 0;
}

// Joining a worker blocked in a send to the window does not deadlock: the
// join is the only place this thread takes the sent message.
PLATFORM_CHECK(SiteSendFromWorkerAndJoin, "site.send_from_worker_and_join") {
  ProbeFixture f;
  WorkerBlock block{&f.site};
  ThreadHandle worker = BeginThreadEx(&SendFromWorker, &block);
  EXPECT_TRUE(worker != 0);
  JoinThread(worker);
  EXPECT_EQ(block.answer.load(), LRESULT(1042));
  EXPECT_EQ(f.ctrl.handlerThread, ::GetCurrentThreadId());
}

PLATFORM_CHECK(SiteScrollBars, "site.scroll_bars") {
  ProbeFixture f;
  SCROLLINFO info{sizeof(SCROLLINFO), SIF_RANGE | SIF_PAGE | SIF_POS, 0, 500, 100, 50, 0};
  EXPECT_TRUE(f.ctrl.SetScrollInfo(SB_HORZ, &info, TRUE));
  SCROLLINFO read;
  EXPECT_TRUE(f.ctrl.GetScrollInfo(SB_HORZ, &read, SIF_ALL));
  EXPECT_TRUE(read.nMax == 500 && read.nPage == 100 && read.nPos == 50 && read.nTrackPos == 50);
  f.ctrl.SetScrollPos(SB_HORZ, 1000);  // bounded to nMax - nPage + 1
  EXPECT_TRUE(f.ctrl.GetScrollInfo(SB_HORZ, &read, SIF_POS));
  EXPECT_EQ(read.nPos, 401);
  EXPECT_TRUE((::GetWindowLongPtrW(f.Hwnd(), GWL_STYLE) & WS_HSCROLL) != 0);
  // An empty range hides the bar: the client area grows by its height and
  // the control hears of it.
  CRect withBar = f.site.GetClientRect();
  info.nMax = info.nPage = info.nPos = 0;
  f.ctrl.messages.clear();
  f.ctrl.SetScrollInfo(SB_HORZ, &info, TRUE);
  EXPECT_EQ(f.site.GetClientRect().Height(), withBar.Height() + ::GetSystemMetrics(SM_CYHSCROLL));
  EXPECT_TRUE(f.ctrl.Received(WM_SIZE));
}

PLATFORM_CHECK(SiteScrollWindowMovesPixels, "site.scroll_window_moves_pixels") {
  ProbeFixture f;
  ::ValidateRect(f.Hwnd(), nullptr);
  CDC* dc = f.ctrl.GetDC();
  EXPECT_TRUE(dc != nullptr);
  dc->FillSolidRect(0, 0, 100, 50, RGB(255, 0, 0));
  dc->FillSolidRect(100, 0, 100, 50, RGB(0, 0, 255));
  f.ctrl.ReleaseDC(dc);
  EXPECT_COLOUR(f.Pixel(99, 10), RGB(255, 0, 0));
  CRect rect(0, 0, 200, 50);
  f.ctrl.ScrollWindow(-10, 0, &rect, &rect);
  EXPECT_COLOUR(f.Pixel(89, 10), RGB(255, 0, 0));
  EXPECT_COLOUR(f.Pixel(90, 10), RGB(0, 0, 255));
  ::RECT update{};
  EXPECT_TRUE(::GetUpdateRect(f.Hwnd(), &update, FALSE));
  EXPECT_TRUE(FromWin(update) == CRect(190, 0, 200, 50));
}

// The Tab the user typed (taken from the queue) is offered to the
// control's pre-translation by the window that gets it; when the control
// takes it, the window's handler never sees it. A Tab sent with
// SendMessage - as the editor forwards Enter - is a plain key.
PLATFORM_CHECK(SiteTabIsPreTranslated, "site.tab_is_pretranslated") {
  ProbeFixture f;
  f.ctrl.messages.clear();
  f.Post(WM_KEYDOWN, VK_TAB, 1);
  EXPECT_TRUE(f.ctrl.preTranslated == std::vector<HWND>{f.Hwnd()});
  EXPECT_TRUE(!f.ctrl.Received(WM_KEYDOWN));
  f.ctrl.preTranslateAnswer = FALSE;
  f.Post(WM_KEYDOWN, VK_TAB, 1);
  EXPECT_EQ(f.ctrl.preTranslated.size(), std::size_t(2));
  EXPECT_TRUE(f.ctrl.Received(WM_KEYDOWN));
  f.ctrl.preTranslateAnswer = TRUE;
  f.ctrl.messages.clear();
  ::SendMessageW(f.Hwnd(), WM_KEYDOWN, VK_TAB, 1);
  EXPECT_EQ(f.ctrl.preTranslated.size(), std::size_t(2));
  EXPECT_TRUE(f.ctrl.Received(WM_KEYDOWN));
  // A Tab taken from the queue, then dispatched twice by hand, is offered once.
  ::MSG msg{};
  ::PostMessageW(f.Hwnd(), WM_KEYDOWN, VK_TAB, 3);
  EXPECT_TRUE(::PeekMessageW(&msg, f.Hwnd(), WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE));
  ::DispatchMessageW(&msg);
  ::DispatchMessageW(&msg);
  EXPECT_EQ(f.ctrl.preTranslated.size(), std::size_t(3));
  f.Post(WM_KEYDOWN, VK_RIGHT, 1);  // other keys are not offered
  EXPECT_EQ(f.ctrl.preTranslated.size(), std::size_t(3));
}

// An edit child made by the site, owned by edit.
::HWND MakeEditChild(ProbeFixture& f, CWnd& edit, RECT rect) {
  edit.AttachImpl(f.site.CreateEditChild(&edit, 0x50810080, rect, 1), &f.ctrl);
  ::HWND hedit = static_cast<::HWND>(edit.GetSafeHwnd());
  EXPECT_TRUE(hedit != nullptr && ::GetParent(hedit) == f.Hwnd());
  return hedit;
}

// An edit child's owner that records what reaches it.
class ProbeEdit : public CWnd {
 public:
  std::vector<UINT> messages;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    messages.push_back(message);
    return CWnd::WindowProc(message, wParam, lParam);
  }
  bool Received(UINT message) const { return std::count(messages.begin(), messages.end(), message) > 0; }
};

// What the grid's editor checks do not reach: the EDIT class keeps the
// style without WS_BORDER (it draws its border itself), tells the grid
// window of changes with EN_UPDATE, offers a typed Tab to the control's
// pre-translation while a sent one goes to the editor's owner, and hides
// and moves.
PLATFORM_CHECK(SiteEditChild, "site.edit_child") {
  ProbeFixture f;
  ProbeEdit edit;
  ::HWND hedit = MakeEditChild(f, edit, RECT{20, 30, 120, 50});
  EXPECT_EQ(::GetDlgCtrlID(hedit), 1);
  DWORD wanted = 0x50810080 & ~WS_BORDER;
  EXPECT_EQ(DWORD(::GetWindowLongPtrW(hedit, GWL_STYLE)) & wanted, wanted);
  f.ctrl.messages.clear();
  edit.SetWindowText(CString(u"xyz"));
  EXPECT_TRUE(edit.Received(WM_SETTEXT) && edit.GetWindowText() == CString(u"xyz"));
  EXPECT_TRUE(f.ctrl.Received(WM_COMMAND, MAKEWPARAM(1, EN_UPDATE), false));
  edit.SetFocus();
  ::PostMessageW(hedit, WM_KEYDOWN, VK_TAB, 1);
  Pump();
  EXPECT_TRUE(f.ctrl.preTranslated == std::vector<HWND>{hedit});
  edit.messages.clear();
  ::SendMessageW(hedit, WM_KEYDOWN, VK_TAB, 1);
  EXPECT_TRUE(f.ctrl.preTranslated.size() == 1 && edit.Received(WM_KEYDOWN));
  EXPECT_TRUE(edit.ShowWindow(SW_HIDE) && !edit.IsWindowVisible());
  edit.MoveWindow(5, 5, 50, 20);
  CRect placed = edit.GetImpl()->GetWindowRect();
  f.ctrl.ScreenToClient(&placed);
  EXPECT_TRUE(placed == CRect(5, 5, 55, 25));
  edit.DestroyWindow();
  EXPECT_TRUE(!::IsWindow(hedit) && f.failures.empty());
}

// The grid's window going away takes the editor with it; the editor's
// owner then holds no window and can be destroyed safely.
PLATFORM_CHECK(SiteEditDiesWithGridWindow, "site.edit_dies_with_grid_window") {
  ProbeFixture f;
  ProbeEdit edit;
  ::HWND hedit = MakeEditChild(f, edit, RECT{0, 0, 50, 20});
  f.site.DestroyControlWindow();
  EXPECT_TRUE(!::IsWindow(hedit) && edit.GetSafeHwnd() == nullptr);
}

}  // namespace
}  // namespace TzGrid::Win32::Test

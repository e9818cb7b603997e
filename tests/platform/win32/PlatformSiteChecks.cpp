// The control site over a real window: child window, painting, messages
// from the window thread and from a worker, scroll bars, capture, keys,
// events and the edit child.
#include "PlatformHarness.h"

namespace TzGrid::Win32::Test {
namespace {

// ---------------------------------------------------------------- site checks

void SiteCreatesChildWindow() {
  ProbeFixture f;
  ::HWND hwnd = f.site.Hwnd();
  EXPECT_TRUE(hwnd != nullptr && ::IsWindow(hwnd));
  EXPECT_TRUE(f.ctrl.IsWindow());
  EXPECT_TRUE(::GetParent(hwnd) == f.host.Hwnd());
  ::LONG_PTR style = ::GetWindowLongPtrW(hwnd, GWL_STYLE);
  for (::LONG_PTR bit : {WS_CHILD, WS_VISIBLE, WS_CLIPCHILDREN, WS_BORDER}) EXPECT_TRUE((style & bit) == bit);
  ::WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  EXPECT_TRUE(::GetClassInfoExW(GetModuleInstance(), ControlWindowClassName(), &wc));
  EXPECT_TRUE((wc.style & CS_DBLCLKS) != 0);
  EXPECT_TRUE(wc.hbrBackground == nullptr);
  EXPECT_TRUE(f.ctrl.Received(WM_SIZE));
  EXPECT_TRUE(f.ctrl.windowExistedAtSize);
  ::RECT client{};
  ::GetClientRect(hwnd, &client);
  EXPECT_TRUE(f.site.GetClientRect() == FromWin(client));
  CRect rc;
  f.ctrl.GetClientRect(&rc);
  EXPECT_TRUE(rc == FromWin(client));
  // A second window reuses the class.
  {
    ProbeControl other;
    Win32ControlSite otherSite(other);
    ::RECT rect{420, 10, 500, 60};
    EXPECT_TRUE(otherSite.CreateControlWindow(f.host.Hwnd(), rect));
    EXPECT_TRUE(Win32ControlSite::FromHwnd(otherSite.Hwnd()) == &otherSite);
  }
  EXPECT_TRUE(Win32ControlSite::FromHwnd(hwnd) == &f.site);
  EXPECT_TRUE(Win32ControlSite::FromHwnd(f.host.Hwnd()) == nullptr);
  f.site.DestroyControlWindow();
  EXPECT_TRUE(!::IsWindow(hwnd));
  EXPECT_TRUE(!f.ctrl.IsWindow());
  EXPECT_TRUE(f.site.Hwnd() == nullptr);
}

void SitePaintsThroughOnDraw() {
  ProbeFixture f;
  ::HWND hwnd = f.site.Hwnd();
  EXPECT_TRUE(f.ctrl.draws >= 1);
  CRect client = f.site.GetClientRect();
  EXPECT_TRUE(f.ctrl.lastBounds == client);
  EXPECT_COLOUR(ScreenPixel(hwnd, 5, 5), RGB(0, 128, 0));
  EXPECT_COLOUR(ScreenPixel(hwnd, client.right - 1, client.bottom - 1), RGB(0, 128, 0));

  // A partial invalidation repaints only that area: the control is told so,
  // its clip box is the area, and nothing else is erased or drawn.
  f.ctrl.paintColour = RGB(200, 0, 200);
  int before = f.ctrl.draws;
  CRect area(10, 10, 30, 20);
  f.ctrl.InvalidateControl(&area);
  ::UpdateWindow(hwnd);
  EXPECT_EQ(f.ctrl.draws, before + 1);
  EXPECT_TRUE(f.ctrl.lastInvalid == area);
  EXPECT_TRUE(f.ctrl.lastClip == area);
  EXPECT_TRUE(f.ctrl.lastBounds == client);
  EXPECT_COLOUR(ScreenPixel(hwnd, 10, 10), RGB(200, 0, 200));
  EXPECT_COLOUR(ScreenPixel(hwnd, 29, 19), RGB(200, 0, 200));
  EXPECT_COLOUR(ScreenPixel(hwnd, 30, 19), RGB(0, 128, 0));
  EXPECT_COLOUR(ScreenPixel(hwnd, 9, 10), RGB(0, 128, 0));
  EXPECT_TRUE(!f.ctrl.Received(WM_ERASEBKGND));  // answered by the site: nothing to erase
  EXPECT_EQ(::SendMessageW(hwnd, WM_ERASEBKGND, 0, 0), ::LRESULT(1));

  // Refresh repaints everything before it returns.
  f.ctrl.paintColour = RGB(0, 0, 255);
  before = f.ctrl.draws;
  f.ctrl.Refresh();
  EXPECT_EQ(f.ctrl.draws, before + 1);
  EXPECT_COLOUR(ScreenPixel(hwnd, 200, 100), RGB(0, 0, 255));
  EXPECT_TRUE(f.failures.empty());
}

void SiteSendMessageSameThread() {
  ProbeFixture f;
  EXPECT_EQ(f.ctrl.SendMessage(kProbeMessage, 7, 0), LRESULT(1007));
  EXPECT_EQ(f.ctrl.handlerThread, ::GetCurrentThreadId());
  // Unhandled messages reach the system's default processing.
  EXPECT_EQ(f.ctrl.SendMessage(WM_NCHITTEST, 0, MAKELPARAM(50, 50)), LRESULT(HTCLIENT));
}

struct WorkerBlock {
  Win32ControlSite* site;
  std::atomic<LRESULT> answer{0};
  std::atomic<int> done{0};
};

unsigned SendFromWorker(void* param) {
  auto* block = static_cast<WorkerBlock*>(param);
  block->answer = block->site->SendMessage(kProbeMessage, 42, 0);
  block->done = 1;
  return 0;
}

// A worker's SendMessage is handled on the window's thread, and joining a
// worker that is blocked in such a send does not deadlock.
void SiteSendFromWorkerAndJoin() {
  ProbeFixture f;
  WorkerBlock block;
  block.site = &f.site;
  ThreadHandle worker = BeginThreadEx(&SendFromWorker, &block);
  EXPECT_TRUE(worker != 0);
  JoinThread(worker);  // the only place this thread takes the sent message
  EXPECT_EQ(block.done.load(), 1);
  EXPECT_EQ(block.answer.load(), LRESULT(1042));
  EXPECT_EQ(f.ctrl.handlerThread, ::GetCurrentThreadId());
}

void SiteScrollBars() {
  ProbeFixture f;
  SCROLLINFO info;
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  info.nMin = 0;
  info.nMax = 500;
  info.nPage = 100;
  info.nPos = 50;
  EXPECT_TRUE(f.ctrl.SetScrollInfo(SB_HORZ, &info, TRUE));
  SCROLLINFO read;
  EXPECT_TRUE(f.ctrl.GetScrollInfo(SB_HORZ, &read, SIF_ALL));
  EXPECT_EQ(read.nMax, 500);
  EXPECT_EQ(read.nPage, UINT(100));
  EXPECT_EQ(read.nPos, 50);
  EXPECT_EQ(read.nTrackPos, 50);
  // The position is bounded to nMax - nPage + 1.
  f.ctrl.SetScrollPos(SB_HORZ, 1000);
  EXPECT_TRUE(f.ctrl.GetScrollInfo(SB_HORZ, &read, SIF_POS));
  EXPECT_EQ(read.nPos, 401);
  EXPECT_TRUE((::GetWindowLongPtrW(f.site.Hwnd(), GWL_STYLE) & WS_HSCROLL) != 0);
  // An empty range hides the bar; the client area grows by its height and
  // the control hears of it.
  CRect withBar = f.site.GetClientRect();
  info.nMax = 0;
  info.nPage = 0;
  info.nPos = 0;
  f.ctrl.messages.clear();
  f.ctrl.SetScrollInfo(SB_HORZ, &info, TRUE);
  CRect without = f.site.GetClientRect();
  EXPECT_EQ(without.Height(), withBar.Height() + ::GetSystemMetrics(SM_CYHSCROLL));
  EXPECT_TRUE(f.ctrl.Received(WM_SIZE));
}

void SiteScrollWindowMovesPixels() {
  ProbeFixture f;
  ::HWND hwnd = f.site.Hwnd();
  ::ValidateRect(hwnd, nullptr);
  CDC* dc = f.ctrl.GetDC();
  EXPECT_TRUE(dc != nullptr);
  dc->FillSolidRect(0, 0, 100, 50, RGB(255, 0, 0));
  dc->FillSolidRect(100, 0, 100, 50, RGB(0, 0, 255));
  f.ctrl.ReleaseDC(dc);
  EXPECT_COLOUR(ScreenPixel(hwnd, 99, 10), RGB(255, 0, 0));
  CRect rect(0, 0, 200, 50);
  f.ctrl.ScrollWindow(-10, 0, &rect, &rect);
  EXPECT_COLOUR(ScreenPixel(hwnd, 89, 10), RGB(255, 0, 0));
  EXPECT_COLOUR(ScreenPixel(hwnd, 90, 10), RGB(0, 0, 255));
  ::RECT update{};
  EXPECT_TRUE(::GetUpdateRect(hwnd, &update, FALSE));
  EXPECT_TRUE(FromWin(update) == CRect(190, 0, 200, 50));
}

void SiteScreenToClientCursorCaptureKeys() {
  ProbeFixture f;
  ::HWND hwnd = f.site.Hwnd();
  ::POINT origin{0, 0};
  ::ClientToScreen(hwnd, &origin);
  CRect r(int(origin.x) + 5, int(origin.y) + 6, int(origin.x) + 25, int(origin.y) + 16);
  f.ctrl.ScreenToClient(&r);
  EXPECT_TRUE(r == CRect(5, 6, 25, 16));

  f.ctrl.SetCursor(32644);  // the size cursor
  EXPECT_TRUE(::GetCursor() == ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32644)));
  f.ctrl.SetCursor(IDC_DRAGCOLUMN);  // no such resource in this program: the arrow
  ::HCURSOR expected = ::LoadCursorW(GetModuleInstance(), MAKEINTRESOURCEW(IDC_DRAGCOLUMN));
  if (!expected) expected = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
  EXPECT_TRUE(::GetCursor() == expected);

  f.ctrl.SetCapture();
  EXPECT_TRUE(::GetCapture() == hwnd);
  f.ctrl.ReleaseCapture();
  EXPECT_TRUE(::GetCapture() == nullptr);

  ::BYTE keys[256];
  ::GetKeyboardState(keys);
  ::BYTE saved = keys[VK_SHIFT];
  keys[VK_SHIFT] = 0x80;
  ::SetKeyboardState(keys);
  EXPECT_TRUE(f.ctrl.GetKeyState(VK_SHIFT) < 0);
  keys[VK_SHIFT] = 0;
  ::SetKeyboardState(keys);
  EXPECT_TRUE(f.ctrl.GetKeyState(VK_SHIFT) >= 0);
  keys[VK_SHIFT] = saved;
  ::SetKeyboardState(keys);
}

void SiteContainsHandlerFailures() {
  ProbeFixture f;
  EXPECT_EQ(f.ctrl.SendMessage(kProbeThrow, 0, 0), LRESULT(0));
  EXPECT_EQ(f.failures.size(), std::size_t(1));
  EXPECT_TRUE(f.failures[0].find("probe failure") != std::string::npos);
  EXPECT_TRUE(f.ctrl.IsWindow());
  EXPECT_EQ(f.ctrl.SendMessage(kProbeMessage, 1, 0), LRESULT(1001));
}

void SiteEventsAndModified() {
  ProbeFixture f;
  std::vector<std::pair<DISPID, CDispArgs>> fired;
  int modified = 0;
  f.site.onFireEvent = [&](DISPID id, const CDispArgs& args) { fired.emplace_back(id, args); };
  f.site.onModified = [&] { ++modified; };
  f.ctrl.FireEvent(1, EVENT_PARAM(VTS_I4 VTS_I4), 3, 4);
  f.ctrl.SetModifiedFlag();
  EXPECT_EQ(fired.size(), std::size_t(1));
  EXPECT_EQ(fired[0].first, DISPID(1));
  EXPECT_TRUE(fired[0].second.size() == 2 && fired[0].second[0] == CDispArg::I4(3) &&
              fired[0].second[1] == CDispArg::I4(4));
  EXPECT_EQ(modified, 1);
}

// The Tab the user typed (taken from the queue) is offered to the control's
// pre-translation by the window that gets it; when the control takes it,
// the window's handler never sees it. A Tab sent with SendMessage - as the
// editor forwards Enter - is a plain key for the handler.
void SiteTabIsPreTranslated() {
  ProbeFixture f;
  ::HWND hwnd = f.site.Hwnd();
  f.ctrl.messages.clear();
  ::PostMessageW(hwnd, WM_KEYDOWN, VK_TAB, 1);
  Pump();
  EXPECT_EQ(f.ctrl.preTranslated.size(), std::size_t(1));
  EXPECT_TRUE(f.ctrl.preTranslated[0] == hwnd);
  EXPECT_TRUE(!f.ctrl.Received(WM_KEYDOWN));
  f.ctrl.preTranslateAnswer = FALSE;
  ::PostMessageW(hwnd, WM_KEYDOWN, VK_TAB, 1);
  Pump();
  EXPECT_EQ(f.ctrl.preTranslated.size(), std::size_t(2));
  EXPECT_TRUE(f.ctrl.Received(WM_KEYDOWN));
  f.ctrl.preTranslateAnswer = TRUE;
  f.ctrl.messages.clear();
  ::SendMessageW(hwnd, WM_KEYDOWN, VK_TAB, 1);
  EXPECT_EQ(f.ctrl.preTranslated.size(), std::size_t(2));
  EXPECT_TRUE(f.ctrl.Received(WM_KEYDOWN));
  // A Tab taken from the queue, then dispatched again by hand, is offered once.
  ::MSG msg{};
  ::PostMessageW(hwnd, WM_KEYDOWN, VK_TAB, 3);
  EXPECT_TRUE(::PeekMessageW(&msg, hwnd, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE));
  ::DispatchMessageW(&msg);
  ::DispatchMessageW(&msg);
  EXPECT_EQ(f.ctrl.preTranslated.size(), std::size_t(3));
  // Other keys are not offered.
  ::PostMessageW(hwnd, WM_KEYDOWN, VK_RIGHT, 1);
  Pump();
  EXPECT_EQ(f.ctrl.preTranslated.size(), std::size_t(3));
}

void SiteEditChild() {
  ProbeFixture f;
  ProbeEdit edit;
  constexpr DWORD style = 0x50810080;
  RECT rect{20, 30, 120, 50};
  edit.AttachImpl(f.site.CreateEditChild(&edit, style, rect, 1), &f.ctrl);
  ::HWND hedit = static_cast<::HWND>(edit.GetSafeHwnd());
  EXPECT_TRUE(hedit != nullptr);
  wchar_t className[16] = {};
  ::GetClassNameW(hedit, className, 16);
  EXPECT_TRUE(std::wstring(className) == L"Edit" || std::wstring(className) == L"EDIT");
  EXPECT_TRUE(::GetParent(hedit) == f.site.Hwnd());
  EXPECT_EQ(::GetDlgCtrlID(hedit), 1);
  // The EDIT class draws its border itself: it takes WS_BORDER out of the
  // style it keeps.
  DWORD kept = DWORD(::GetWindowLongPtrW(hedit, GWL_STYLE));
  if ((kept & (style & ~WS_BORDER)) != (style & ~WS_BORDER)) Fail(__LINE__, "edit style " + Hex(kept));
  CRect placed = edit.GetImpl()->GetWindowRect();
  f.ctrl.ScreenToClient(&placed);
  EXPECT_TRUE(placed == CRect(20, 30, 120, 50));

  // Text set through the owner's message path reaches the EDIT class, and
  // the EDIT class tells the grid window with EN_UPDATE.
  f.ctrl.messages.clear();
  edit.SetWindowText(CString(u"xyz"));
  EXPECT_TRUE(std::find(edit.messages.begin(), edit.messages.end(), WM_SETTEXT) != edit.messages.end());
  EXPECT_TRUE(edit.GetWindowText() == CString(u"xyz"));
  bool update = std::any_of(f.ctrl.messages.begin(), f.ctrl.messages.end(), [](const ProbeControl::Record& r) {
    return r.message == WM_COMMAND && LOWORD(r.wParam) == 1 && HIWORD(r.wParam) == EN_UPDATE;
  });
  EXPECT_TRUE(update);

  // Typed characters are edited by the EDIT class itself.
  edit.SetFocus();
  EXPECT_TRUE(::GetFocus() == hedit);
  ::SendMessageW(hedit, EM_SETSEL, 3, 3);
  ::PostMessageW(hedit, WM_CHAR, 'q', 1);
  Pump();
  EXPECT_TRUE(edit.GetWindowText() == CString(u"xyzq"));
  EXPECT_TRUE(std::find(edit.messages.begin(), edit.messages.end(), WM_CHAR) != edit.messages.end());

  // A typed Tab in the editor goes to the control's pre-translation first;
  // a sent one goes to the editor's owner.
  ::PostMessageW(hedit, WM_KEYDOWN, VK_TAB, 1);
  Pump();
  EXPECT_TRUE(f.ctrl.preTranslated.size() == 1 && f.ctrl.preTranslated.back() == hedit);
  edit.messages.clear();
  ::SendMessageW(hedit, WM_KEYDOWN, VK_TAB, 1);
  EXPECT_EQ(f.ctrl.preTranslated.size(), std::size_t(1));
  EXPECT_TRUE(std::find(edit.messages.begin(), edit.messages.end(), WM_KEYDOWN) != edit.messages.end());

  EXPECT_TRUE(edit.ShowWindow(SW_HIDE));
  EXPECT_TRUE(!edit.IsWindowVisible());
  edit.MoveWindow(5, 5, 50, 20);
  placed = edit.GetImpl()->GetWindowRect();
  f.ctrl.ScreenToClient(&placed);
  EXPECT_TRUE(placed == CRect(5, 5, 55, 25));

  edit.DestroyWindow();
  EXPECT_TRUE(!::IsWindow(hedit));
  EXPECT_TRUE(f.failures.empty());
}

// The grid's window going away takes the editor with it; the editor's
// owner then holds no window and can be destroyed safely.
void SiteEditDiesWithGridWindow() {
  ProbeFixture f;
  ProbeEdit edit;
  RECT rect{0, 0, 50, 20};
  edit.AttachImpl(f.site.CreateEditChild(&edit, 0x50810080, rect, 1), &f.ctrl);
  ::HWND hedit = static_cast<::HWND>(edit.GetSafeHwnd());
  EXPECT_TRUE(hedit != nullptr);
  f.site.DestroyControlWindow();
  EXPECT_TRUE(!::IsWindow(hedit));
  EXPECT_TRUE(edit.GetSafeHwnd() == nullptr);
}

}  // namespace

std::vector<Check> SiteChecks() {
  return {
      {"site.creates_child_window", SiteCreatesChildWindow},
      {"site.paints_through_ondraw", SitePaintsThroughOnDraw},
      {"site.send_message_same_thread", SiteSendMessageSameThread},
      {"site.send_from_worker_and_join", SiteSendFromWorkerAndJoin},
      {"site.scroll_bars", SiteScrollBars},
      {"site.scroll_window_moves_pixels", SiteScrollWindowMovesPixels},
      {"site.screen_cursor_capture_keys", SiteScreenToClientCursorCaptureKeys},
      {"site.contains_handler_failures", SiteContainsHandlerFailures},
      {"site.events_and_modified", SiteEventsAndModified},
      {"site.tab_is_pretranslated", SiteTabIsPreTranslated},
      {"site.edit_child", SiteEditChild},
      {"site.edit_dies_with_grid_window", SiteEditDiesWithGridWindow},
  };
}

}  // namespace TzGrid::Win32::Test

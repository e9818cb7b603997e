// The control's window: a child window of the container whose messages all
// go through the control's message map.
#include "win32.h"

#include <algorithm>
#include <exception>
#include <mutex>

#include "Win32Edit.h"
#include "Win32Gdi.h"
#include "Win32Site.h"

namespace TzGrid::Win32 {

namespace {

constexpr wchar_t kClassName[] = L"TzGridControlWindow";
constexpr ::DWORD kControlStyle = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_BORDER | WS_HSCROLL | WS_VSCROLL;

// The cursor ids the control asks for (the system ones are resource ids of
// the system's cursors; <windows.h> spells them as pointers).
constexpr int kCursorArrow = 32512;
constexpr int kCursorSizeWE = 32644;
constexpr int kCursorDragColumn = 101;

std::mutex g_classLock;
::ATOM g_classAtom = 0;
::HINSTANCE g_classInstance = nullptr;
::HINSTANCE g_moduleInstance = nullptr;

// The module this code is linked into: the .ocx when it is in the control
// module, the program itself in a test host.
::HINSTANCE ThisModule() {
  ::HMODULE module = nullptr;
  ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<::LPCWSTR>(&ThisModule), &module);
  return module ? module : ::GetModuleHandleW(nullptr);
}

::ATOM RegisterControlClass(::WNDPROC procedure) {
  std::lock_guard<std::mutex> guard(g_classLock);
  if (g_classAtom) return g_classAtom;
  ::WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  // Double clicks are part of the grid's mouse handling (editing, sorting).
  // No background brush: the control paints every pixel of its client area
  // through its off-screen bitmap, and erasing first would only flicker.
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = procedure;
  wc.hInstance = GetModuleInstance();
  wc.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(kCursorArrow));
  wc.hbrBackground = nullptr;
  wc.lpszClassName = kClassName;
  g_classAtom = ::RegisterClassExW(&wc);
  if (!g_classAtom && ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS) {
    // Registered by an earlier load of this module that did not unregister.
    ::WNDCLASSEXW existing{};
    existing.cbSize = sizeof(existing);
    g_classAtom = ATOM(::GetClassInfoExW(wc.hInstance, kClassName, &existing));
  }
  if (g_classAtom) g_classInstance = wc.hInstance;
  return g_classAtom;
}

bool IsControlWindow(::HWND hwnd) {
  if (!hwnd || !g_classAtom) return false;
  return ::ATOM(::GetClassLongPtrW(hwnd, GCW_ATOM)) == g_classAtom;
}

// When the module is unloaded, its window class must go with it: a class
// left registered would keep a window procedure pointing into unloaded code
// for the next load of the module. (Statics are destroyed at unload.)
struct ClassUnregistrar {
  ~ClassUnregistrar() { UnregisterControlWindowClass(); }
} g_classUnregistrar;

std::string DescribeUnknown(const std::exception& e) { return std::string("unexpected failure: ") + e.what(); }

// The Tab key press the user typed, as this thread last took it from its
// message queue. A container that never pre-translates (it does not call
// IOleInPlaceActiveObject::TranslateAccelerator) still dispatches the key
// from its message loop; a key the control sends itself or a host sends
// with SendMessage never passes through the queue. So a hook on the
// thread's message retrieval tells the two apart.
struct QueuedTab {
  ::HWND hwnd = nullptr;
  ::LPARAM lParam = 0;
  bool armed = false;
};

struct ThreadKeyWatch {
  ::HHOOK hook = nullptr;
  int windows = 0;  // control windows alive on this thread
  QueuedTab tab;
};

thread_local ThreadKeyWatch t_keyWatch;

::LRESULT CALLBACK WatchRetrievedMessages(int code, ::WPARAM removal, ::LPARAM lParam) {
  if (code == HC_ACTION && removal == PM_REMOVE) {
    const auto* msg = reinterpret_cast<const ::MSG*>(lParam);
    // Every message taken replaces the last one: only the message being
    // dispatched now can be the user's Tab.
    t_keyWatch.tab = QueuedTab{};
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_TAB) t_keyWatch.tab = QueuedTab{msg->hwnd, msg->lParam, true};
  }
  return ::CallNextHookEx(nullptr, code, removal, lParam);
}

void StartWatchingKeys() {
  if (t_keyWatch.windows++ > 0) return;
  t_keyWatch.hook = ::SetWindowsHookExW(WH_GETMESSAGE, &WatchRetrievedMessages, nullptr, ::GetCurrentThreadId());
}

void StopWatchingKeys() {
  if (t_keyWatch.windows == 0 || --t_keyWatch.windows > 0) return;
  if (t_keyWatch.hook) ::UnhookWindowsHookEx(t_keyWatch.hook);
  t_keyWatch = ThreadKeyWatch{};
}

// True once for the Tab the thread just took from its queue for hwnd.
bool TakeQueuedTab(::HWND hwnd, ::LPARAM lParam) {
  QueuedTab& tab = t_keyWatch.tab;
  if (!tab.armed || tab.hwnd != hwnd || tab.lParam != lParam) return false;
  tab = QueuedTab{};
  return true;
}

// Removes the Tab character that translating a Tab key press queued for
// hwnd; true when there was one.
bool DropQueuedTabCharacter(::HWND hwnd) {
  ::MSG next{};
  if (!::PeekMessageW(&next, hwnd, WM_CHAR, WM_CHAR, PM_NOREMOVE | PM_NOYIELD) || next.wParam != L'\t') return false;
  ::PeekMessageW(&next, hwnd, WM_CHAR, WM_CHAR, PM_REMOVE | PM_NOYIELD);
  return true;
}

}  // namespace

void ForgetQueuedTab() noexcept { t_keyWatch.tab = QueuedTab{}; }

void SetModuleInstance(::HINSTANCE instance) noexcept { g_moduleInstance = instance; }

::HINSTANCE GetModuleInstance() noexcept {
  if (g_moduleInstance) return g_moduleInstance;
  return ThisModule();
}

const wchar_t* ControlWindowClassName() noexcept { return kClassName; }

void UnregisterControlWindowClass() noexcept {
  std::lock_guard<std::mutex> guard(g_classLock);
  if (!g_classAtom) return;
  ::UnregisterClassW(kClassName, g_classInstance);
  g_classAtom = 0;
  g_classInstance = nullptr;
}

Win32ControlSite::Win32ControlSite(COleControl& ctrl) : m_ctrl(ctrl) { m_ctrl.SetSite(this); }

Win32ControlSite::~Win32ControlSite() {
  DestroyControlWindow();
  if (m_ctrl.GetSite() == this) m_ctrl.SetSite(nullptr);
}

bool Win32ControlSite::CreateControlWindow(::HWND parent, const ::RECT& rect) {
  if (!parent) return false;
  DestroyControlWindow();
  if (!RegisterControlClass(&Win32ControlSite::WindowProcedure)) return false;
  // The window procedure learns its site from the creation parameter, on
  // the very first message, so that WM_CREATE and the first WM_SIZE already
  // reach the control with IsWindow() true.
  ::HWND hwnd = ::CreateWindowExW(0, kClassName, L"", kControlStyle, rect.left, rect.top, rect.right - rect.left,
                                  rect.bottom - rect.top, parent, nullptr, GetModuleInstance(), this);
  if (!hwnd) {
    m_hwnd = nullptr;
    return false;
  }
  m_hwnd = hwnd;
  m_clientKnown = false;
  return true;
}

void Win32ControlSite::DestroyControlWindow() {
  if (m_hwnd && ::IsWindow(m_hwnd)) ::DestroyWindow(m_hwnd);
  m_hwnd = nullptr;
}

::HWND Win32ControlSite::Hwnd() const noexcept { return m_hwnd; }

void Win32ControlSite::SetWindowRect(const ::RECT& rect) {
  if (!IsWindow()) return;
  ::SetWindowPos(m_hwnd, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

Win32ControlSite* Win32ControlSite::FromHwnd(::HWND hwnd) noexcept {
  if (!IsControlWindow(hwnd)) return nullptr;
  return reinterpret_cast<Win32ControlSite*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

::LRESULT CALLBACK Win32ControlSite::WindowProcedure(::HWND hwnd, ::UINT message, ::WPARAM wParam, ::LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<::CREATESTRUCTW*>(lParam);
    auto* site = static_cast<Win32ControlSite*>(create->lpCreateParams);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<::LONG_PTR>(site));
    if (site) {
      site->m_hwnd = hwnd;
      site->m_clientKnown = false;
    }
  }
  auto* site = reinterpret_cast<Win32ControlSite*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!site) return ::DefWindowProcW(hwnd, message, wParam, lParam);
  // The site and its control stay alive until the hold ends, whatever the
  // host does from an event fired while the message is handled.
  CMessageHold hold(site->m_anchor);
  if (message == WM_NCCREATE && !site->m_watchingKeys) {
    StartWatchingKeys();
    site->m_watchingKeys = true;
  }
  if (MayChangeClientArea(message)) site->m_clientKnown = false;
  ::LRESULT result = site->HandleMessage(message, wParam, lParam);
  if (MayChangeClientArea(message)) site->m_clientKnown = false;
  if (message == WM_NCDESTROY) {
    if (site->m_watchingKeys) StopWatchingKeys();
    site->m_watchingKeys = false;
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    if (site->m_hwnd == hwnd) site->m_hwnd = nullptr;
  }
  return result;
}

bool Win32ControlSite::OfferTabToControl(::HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  // A container that pre-translates hands the user's Tab to the control
  // before dispatching it, and the control always takes it. One that never
  // does (Wine's ATL host, most test hosts) dispatches it to the grid or
  // its editor; only then, and only for the key the user typed, does the
  // window hand it to the pre-translation itself. The Tab the editor sends
  // for Enter, and any Tab sent with SendMessage, goes on to OnKeyDown.
  if (message != WM_KEYDOWN || wParam != VK_TAB || !TakeQueuedTab(hwnd, lParam)) return false;
  // The container's loop translated the key before dispatching it: the Tab
  // character now waiting would start a typing edit on the cell the Tab
  // moves to. A key taken by pre-translation makes no character.
  bool droppedCharacter = DropQueuedTabCharacter(hwnd);
  MSG msg;
  msg.hwnd = hwnd;
  msg.message = message;
  msg.wParam = wParam;
  msg.lParam = lParam;
  try {
    if (m_ctrl.PreTranslateMessage(&msg)) return true;
    if (droppedCharacter) ::PostMessageW(hwnd, WM_CHAR, L'\t', lParam);
    return false;
  } catch (const CException& e) {
    OnMessageFailed(message, e.GetDescription());
    return true;  // it was acted on, partly: do not deliver it as well
  }
}

::LRESULT Win32ControlSite::HandleMessage(::UINT message, ::WPARAM wParam, ::LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      Paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the paint covers everything
    case WM_KEYDOWN:
      if (OfferTabToControl(m_hwnd, message, wParam, lParam)) return 0;
      break;
    case WM_GETOBJECT: {
      ::LRESULT answer = 0;
      if (onAccessMessage && onAccessMessage(m_hwnd, message, wParam, lParam, &answer)) return answer;
      break;
    }
    case WM_MOUSEACTIVATE: {
      // A click activates the control for the keyboard, as in-place
      // activation does; a click while the editor has the focus leaves it
      // there (the grid's own mouse handling ends the edit).
      ::HWND focus = ::GetFocus();
      if (focus != m_hwnd && !::IsChild(m_hwnd, focus)) ::SetFocus(m_hwnd);
      break;
    }
    default: break;
  }
  // Exceptions must not cross the system's window procedure frames: each
  // message ends where its handler failed, and the window goes on.
  ::LRESULT result = 0;
  try {
    result = m_ctrl.WindowProc(message, wParam, lParam);
  } catch (const CException& e) {
    OnMessageFailed(message, e.GetDescription());
  } catch (const std::exception& e) {
    OnMessageFailed(message, DescribeUnknown(e));
  } catch (...) {
    OnMessageFailed(message, "unexpected failure");
  }
  if (message == WM_SETFOCUS && onFocus) onFocus();
  if (message == WM_SETFOCUS && onAccessMessage) {
    ::LRESULT ignored = 0;
    onAccessMessage(m_hwnd, message, wParam, lParam, &ignored);
  }
  return result;
}

void Win32ControlSite::Paint() {
  ::PAINTSTRUCT ps{};
  ::HDC hdc = ::BeginPaint(m_hwnd, &ps);
  if (hdc) {
    try {
      std::unique_ptr<CDC> dc = WrapHdc(hdc);
      m_ctrl.OnDraw(dc.get(), GetClientRect(), FromWin(ps.rcPaint));
    } catch (const CException& e) {
      OnMessageFailed(WM_PAINT, e.GetDescription());
    } catch (const std::exception& e) {
      OnMessageFailed(WM_PAINT, DescribeUnknown(e));
    }
  }
  ::EndPaint(m_hwnd, &ps);
}

void Win32ControlSite::OnMessageFailed(UINT message, const std::string& description) {
  if (onMessageFailed) onMessageFailed(message, description);
}

// ---- CWindowImpl

// The window procedure forgets the handle at WM_NCDESTROY, so a handle
// held is a live window. Asking the system instead would be a call into the
// window system under Wine on every cell a host writes.
bool Win32ControlSite::IsWindow() const { return m_hwnd != nullptr; }

BOOL Win32ControlSite::ShowWindow(int nCmdShow) { return m_hwnd ? ::ShowWindow(m_hwnd, nCmdShow) : FALSE; }

bool Win32ControlSite::IsWindowVisible() const { return m_hwnd && ::IsWindowVisible(m_hwnd); }

void Win32ControlSite::MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint) {
  if (m_hwnd) ::MoveWindow(m_hwnd, x, y, nWidth, nHeight, bRepaint);
}

void Win32ControlSite::SetWindowText(const CString& text) {
  if (m_hwnd) ::SetWindowTextW(m_hwnd, Wide(text.GetString()));
}

CString Win32ControlSite::GetWindowText() const { return WindowTextOf(m_hwnd); }

void Win32ControlSite::SetFocus() {
  if (m_hwnd) ::SetFocus(m_hwnd);
}

CRect Win32ControlSite::GetWindowRect() const {
  ::RECT r{};
  if (m_hwnd) ::GetWindowRect(m_hwnd, &r);
  return FromWin(r);
}

LRESULT Win32ControlSite::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  // From the window's thread the handler runs at once; from another thread
  // (the auto-scroll worker) the sender waits until this thread handles it.
  return m_hwnd ? ::SendMessageW(m_hwnd, message, wParam, lParam) : 0;
}

LRESULT Win32ControlSite::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return m_hwnd ? ::DefWindowProcW(m_hwnd, message, wParam, lParam) : 0;
}

// ---- CControlSite

::RECT Win32ControlSite::ClientArea() const {
  if (!m_hwnd) return ::RECT{};
  if (!m_clientKnown) {
    m_client = ::RECT{};
    m_clientKnown = ::GetClientRect(m_hwnd, &m_client) != FALSE;
  }
  return m_client;
}

CRect Win32ControlSite::GetClientRect() const { return FromWin(ClientArea()); }

void Win32ControlSite::InvalidateControl(const RECT* lpRect, BOOL bErase) { InvalidateRect(lpRect, bErase); }

void Win32ControlSite::InvalidateRect(const RECT* lpRect, BOOL bErase) {
  if (!m_hwnd) return;
  if (lpRect) {
    ::RECT r = ToWin(*lpRect);
    // The system crops an invalidation to the client area, so one wholly
    // outside it changes nothing; but it still costs a round trip to the
    // window server (tens of microseconds under Wine), and a host writing
    // texts below the view invalidates every cell it writes. An unordered
    // rectangle goes to the system as before.
    ::RECT client = ClientArea();
    if (r.left <= r.right && r.top <= r.bottom &&
        (r.right <= client.left || r.left >= client.right || r.bottom <= client.top || r.top >= client.bottom)) {
      return;
    }
    ::InvalidateRect(m_hwnd, &r, bErase);
  } else {
    ::InvalidateRect(m_hwnd, nullptr, bErase);
  }
}

void Win32ControlSite::Refresh() {
  if (!m_hwnd) return;
  ::InvalidateRect(m_hwnd, nullptr, TRUE);
  ::UpdateWindow(m_hwnd);
}

void Win32ControlSite::OnModified() {
  if (onModified) onModified();
}

void Win32ControlSite::FireEvent(DISPID dispid, const CDispArgs& args) {
  if (onFireEvent) onFireEvent(dispid, args);
}

CDC* Win32ControlSite::GetDC() {
  if (!m_hwnd) return nullptr;
  ::HDC hdc = ::GetDCEx(m_hwnd, nullptr, DCX_CACHE);
  return AttachWindowDC(m_hwnd, hdc).release();
}

int Win32ControlSite::ReleaseDC(CDC* pDC) {
  // The CDC releases its DC to the window when it is deleted.
  delete pDC;
  return 1;
}

void Win32ControlSite::SetCapture() {
  if (m_hwnd) ::SetCapture(m_hwnd);
}

void Win32ControlSite::ReleaseCapture() { ::ReleaseCapture(); }

int Win32ControlSite::SetScrollInfo(int nBar, const SCROLLINFO& info, BOOL bRedraw) {
  if (!m_hwnd) return 0;
  ::SCROLLINFO si{};
  si.cbSize = sizeof(si);
  si.fMask = info.fMask;
  si.nMin = info.nMin;
  si.nMax = info.nMax;
  si.nPage = info.nPage;
  si.nPos = info.nPos;
  si.nTrackPos = info.nTrackPos;
  return ::SetScrollInfo(m_hwnd, nBar, &si, bRedraw);
}

BOOL Win32ControlSite::GetScrollInfo(int nBar, SCROLLINFO* lpInfo, UINT nMask) {
  if (!m_hwnd || !lpInfo) return FALSE;
  ::SCROLLINFO si{};
  si.cbSize = sizeof(si);
  si.fMask = nMask;
  if (!::GetScrollInfo(m_hwnd, nBar, &si)) return FALSE;
  if (nMask & SIF_RANGE) {
    lpInfo->nMin = si.nMin;
    lpInfo->nMax = si.nMax;
  }
  if (nMask & SIF_PAGE) lpInfo->nPage = si.nPage;
  if (nMask & SIF_POS) lpInfo->nPos = si.nPos;
  if (nMask & SIF_TRACKPOS) lpInfo->nTrackPos = si.nTrackPos;
  lpInfo->fMask = nMask;
  return TRUE;
}

namespace {

// What a window's scroll bar looks like: where it is, its arrows and thumb,
// and the state of each part. Two equal pictures draw the same pixels.
bool BarPicture(::HWND hwnd, int nBar, ::SCROLLBARINFO* info) {
  ::LONG object = nBar == SB_HORZ ? OBJID_HSCROLL : nBar == SB_VERT ? OBJID_VSCROLL : 0;
  if (!object) return false;
  *info = ::SCROLLBARINFO{};
  info->cbSize = sizeof(*info);
  return ::GetScrollBarInfo(hwnd, object, info) != FALSE;
}

bool SamePicture(const ::SCROLLBARINFO& a, const ::SCROLLBARINFO& b) {
  return ::EqualRect(&a.rcScrollBar, &b.rcScrollBar) && a.dxyLineButton == b.dxyLineButton &&
         a.xyThumbTop == b.xyThumbTop && a.xyThumbBottom == b.xyThumbBottom &&
         std::equal(std::begin(a.rgstate), std::end(a.rgstate), std::begin(b.rgstate));
}

}  // namespace

int Win32ControlSite::SetScrollPos(int nBar, int nPos, BOOL bRedraw) {
  if (!m_hwnd) return 0;
  // A line step in a tall grid moves the thumb by less than a pixel, yet
  // a redrawing SetScrollPos repaints the whole bar (under Wine, a themed
  // bar costs milliseconds, more than the rest of the step). The position
  // is set quietly first; only when the bar's picture changed is it set
  // again the way it was asked for, redrawing it.
  ::SCROLLBARINFO before{}, after{};
  if (!bRedraw || !BarPicture(m_hwnd, nBar, &before)) return ::SetScrollPos(m_hwnd, nBar, nPos, bRedraw);
  int previous = ::SetScrollPos(m_hwnd, nBar, nPos, FALSE);
  if (BarPicture(m_hwnd, nBar, &after) && SamePicture(before, after)) return previous;
  ::SetScrollPos(m_hwnd, nBar, previous, FALSE);
  ::SetScrollPos(m_hwnd, nBar, nPos, TRUE);
  return previous;
}

void Win32ControlSite::ScrollWindow(int xAmount, int yAmount, const RECT* lpRect, const RECT* lpClipRect) {
  if (!m_hwnd) return;
  ::RECT rect{}, clip{};
  if (lpRect) rect = ToWin(*lpRect);
  if (lpClipRect) clip = ToWin(*lpClipRect);
  ::ScrollWindow(m_hwnd, xAmount, yAmount, lpRect ? &rect : nullptr, lpClipRect ? &clip : nullptr);
}

void Win32ControlSite::ScreenToClient(RECT* lpRect) const {
  if (!m_hwnd || !lpRect) return;
  ::POINT corners[2] = {{lpRect->left, lpRect->top}, {lpRect->right, lpRect->bottom}};
  ::MapWindowPoints(nullptr, m_hwnd, corners, 2);
  lpRect->left = corners[0].x;
  lpRect->top = corners[0].y;
  lpRect->right = corners[1].x;
  lpRect->bottom = corners[1].y;
}

void Win32ControlSite::SetCursor(int nCursorId) {
  ::HCURSOR cursor = nullptr;
  if (nCursorId == kCursorDragColumn) {
    // The module's own cursor; a build without the module's resources (a
    // test host) shows the arrow instead.
    cursor = ::LoadCursorW(GetModuleInstance(), MAKEINTRESOURCEW(kCursorDragColumn));
  } else if (nCursorId == kCursorSizeWE) {
    cursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(kCursorSizeWE));
  }
  if (!cursor) cursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(kCursorArrow));
  ::SetCursor(cursor);
}

SHORT Win32ControlSite::GetKeyState(int nVirtKey) { return SHORT(::GetKeyState(nVirtKey)); }

SHORT Win32ControlSite::GetAsyncKeyState(int nVirtKey) { return SHORT(::GetAsyncKeyState(nVirtKey)); }

std::unique_ptr<CWindowImpl> Win32ControlSite::CreateEditChild(CWnd* pOwner, DWORD dwStyle, const RECT& rect,
                                                               UINT nID) {
  if (!m_hwnd) return nullptr;
  return CreateEditWindow(m_hwnd, pOwner, dwStyle, ToWin(rect), nID);
}

}  // namespace TzGrid::Win32

#include "HeadlessWindow.h"

#include <chrono>
#include <cstring>

namespace TzGrid::Headless {

HeadlessWindow::HeadlessWindow(COleControl& ctrl, int width, int height, bool create)
    : m_ctrl(ctrl), m_width(width), m_height(height) {
  m_windowThread = std::this_thread::get_id();
  m_ctrl.SetSite(this);
  if (create) Create();
}

HeadlessWindow::~HeadlessWindow() {
  Destroy();
  if (!m_controlGone && m_ctrl.GetSite() == this) m_ctrl.SetSite(nullptr);
}

void HeadlessWindow::DestroyWindow() {
  m_controlGone = true;
  Destroy();
}

void HeadlessWindow::Create() {
  if (m_exists) return;
  m_windowThread = std::this_thread::get_id();
  m_exists = true;
  framebuffer.Resize(m_width, m_height, 0);
  Dispatch(WM_SIZE, 0, MAKELPARAM(m_width, m_height));
  AddUpdate(GetClientRect());
}

void HeadlessWindow::Destroy() {
  if (!m_exists) return;
  // Senders waiting on other threads are released with 0, as a send to a
  // destroyed window returns; later sends are refused (checked under the
  // same lock, so none can slip into the queue after it was emptied).
  std::deque<std::shared_ptr<PendingMessage>> pending;
  {
    std::lock_guard<std::mutex> guard(m_queueLock);
    m_exists = false;
    pending.swap(m_queue);
  }
  for (auto& message : pending) message->result.set_value(0);
  m_queueSignal.notify_all();
  // The control learns of it as a window does, with WM_DESTROY; it comes
  // after the queue is closed, so a control that waits for a thread sending
  // to this window cannot wait forever.
  sentMessages.push_back(MSG{GetHwnd(), WM_DESTROY, 0, 0});
  m_ctrl.WindowProc(WM_DESTROY, 0, 0);
  // Child windows go with their parent.
  std::vector<HeadlessEdit*> children;
  children.swap(m_children);
  for (HeadlessEdit* child : children) child->OnParentDestroyed();
  m_focus = nullptr;
}

void HeadlessWindow::AddChild(HeadlessEdit* child) { m_children.push_back(child); }

void HeadlessWindow::RemoveChild(HeadlessEdit* child) {
  for (auto it = m_children.begin(); it != m_children.end(); ++it) {
    if (*it == child) {
      m_children.erase(it);
      break;
    }
  }
  if (m_focus == child->GetHwnd()) m_focus = nullptr;
}

HeadlessEdit* HeadlessWindow::FocusedChild() const noexcept {
  for (HeadlessEdit* child : m_children) {
    if (child->GetHwnd() == m_focus) return child;
  }
  return nullptr;
}

void HeadlessWindow::GiveFocusToChild(HeadlessEdit* child) {
  HeadlessEdit* previous = FocusedChild();
  m_focus = child->GetHwnd();
  if (previous && previous != child) previous->SendMessage(WM_KILLFOCUS, WPARAM(child->GetHwnd()), 0);
  if (previous != child) child->SendMessage(WM_SETFOCUS, WPARAM(previous ? previous->GetHwnd() : nullptr), 0);
}

void HeadlessWindow::SetFocus() {
  HeadlessEdit* previous = FocusedChild();
  m_focus = GetHwnd();
  if (previous) previous->SendMessage(WM_KILLFOCUS, WPARAM(GetHwnd()), 0);
}

void HeadlessWindow::MoveFocusAway() {
  HeadlessEdit* previous = FocusedChild();
  m_focus = nullptr;
  if (previous) previous->SendMessage(WM_KILLFOCUS, 0, 0);
}

void HeadlessWindow::Resize(int width, int height) {
  m_width = width;
  m_height = height;
  if (!m_exists) return;
  framebuffer.Resize(width, height, 0);
  AddUpdate(GetClientRect());
  Dispatch(WM_SIZE, 0, MAKELPARAM(width, height));
}

LRESULT HeadlessWindow::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  if (!m_exists) return 0;
  sentMessages.push_back(MSG{GetHwnd(), message, wParam, lParam});
  return m_ctrl.WindowProc(message, wParam, lParam);
}

LRESULT HeadlessWindow::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (std::this_thread::get_id() == m_windowThread) return Dispatch(message, wParam, lParam);
  auto pending = std::make_shared<PendingMessage>();
  pending->message = message;
  pending->wParam = wParam;
  pending->lParam = lParam;
  std::future<LRESULT> result = pending->result.get_future();
  {
    std::lock_guard<std::mutex> guard(m_queueLock);
    if (!m_exists) return 0;
    m_queue.push_back(pending);
    // Signalled under the lock: once the window thread has taken the
    // message, this sender no longer touches the window, which may then be
    // destroyed at any time.
    m_queueSignal.notify_all();
  }
  return result.get();
}

int HeadlessWindow::PumpMessages() {
  int handled = 0;
  for (;;) {
    std::shared_ptr<PendingMessage> next;
    {
      std::lock_guard<std::mutex> guard(m_queueLock);
      if (m_queue.empty()) return handled;
      next = m_queue.front();
      m_queue.pop_front();
    }
    next->result.set_value(Dispatch(next->message, next->wParam, next->lParam));
    ++handled;
  }
}

bool HeadlessWindow::PumpUntil(const std::function<bool()>& pred, int timeoutMs) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    PumpMessages();
    if (pred()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::unique_lock<std::mutex> guard(m_queueLock);
    m_queueSignal.wait_for(guard, std::chrono::milliseconds(2), [this] { return !m_queue.empty(); });
  }
}

void HeadlessWindow::PumpFor(int milliseconds) {
  PumpUntil([] { return false; }, milliseconds);
}

LRESULT HeadlessWindow::SendKeyboard(UINT message, WPARAM wParam, LPARAM lParam) {
  MSG msg;
  msg.hwnd = GetHwnd();
  msg.message = message;
  msg.wParam = wParam;
  msg.lParam = lParam;
  try {
    if (m_ctrl.PreTranslateMessage(&msg)) return 0;
  } catch (const CException& e) {
    OnMessageFailed(message, e.GetDescription());
    return 0;
  }
  return Send(message, wParam, lParam);
}

LRESULT HeadlessWindow::DefWindowProc(UINT message, WPARAM, LPARAM) {
  defaultCalls.push_back(message);
  return message == WM_NCHITTEST ? HTCLIENT : 0;
}

CRect HeadlessWindow::GetWindowRect() const {
  return CRect(kScreenX, kScreenY, kScreenX + m_width, kScreenY + m_height);
}

void HeadlessWindow::ScreenToClient(RECT* lpRect) const {
  lpRect->left -= kScreenX;
  lpRect->right -= kScreenX;
  lpRect->top -= kScreenY;
  lpRect->bottom -= kScreenY;
}

void HeadlessWindow::AddUpdate(const CRect& rect) {
  CRect clipped;
  if (!clipped.IntersectRect(rect, GetClientRect())) return;
  m_update.UnionRect(m_update, clipped);
}

void HeadlessWindow::InvalidateControl(const RECT* lpRect, BOOL bErase) {
  invalidations.push_back({lpRect == nullptr, lpRect ? CRect(*lpRect) : CRect(), bErase, false});
  if (m_exists) AddUpdate(lpRect ? CRect(*lpRect) : GetClientRect());
}

void HeadlessWindow::InvalidateRect(const RECT* lpRect, BOOL bErase) {
  invalidations.push_back({lpRect == nullptr, lpRect ? CRect(*lpRect) : CRect(), bErase, true});
  if (m_exists) AddUpdate(lpRect ? CRect(*lpRect) : GetClientRect());
}

void HeadlessWindow::Refresh() {
  ++refreshCalls;
  if (!m_exists) return;
  AddUpdate(GetClientRect());
  Paint();
}

bool HeadlessWindow::Paint() {
  if (!m_exists || m_update.IsRectEmpty()) return false;
  CRect area = m_update;
  m_update.SetRectEmpty();
  std::unique_ptr<CDC> dc = CreatePixmapDC(framebuffer, area);
  try {
    m_ctrl.OnDraw(dc.get(), GetClientRect(), area);
  } catch (const CException& e) {
    OnMessageFailed(WM_PAINT, e.GetDescription());
  }
  return true;
}

void HeadlessWindow::PaintAll() {
  AddUpdate(GetClientRect());
  Paint();
}

void HeadlessWindow::FireEvent(DISPID dispid, const CDispArgs& args) {
  if (onEvent) onEvent(dispid, args);
  events.push_back({dispid, args});
}

CDC* HeadlessWindow::GetDC() {
  if (!m_exists) return nullptr;
  return CreatePixmapDC(framebuffer, GetClientRect()).release();
}

int HeadlessWindow::ReleaseDC(CDC* pDC) {
  delete pDC;
  return 1;
}

int HeadlessWindow::MaxScrollPos(const SCROLLINFO& info) {
  int page = int(info.nPage);
  int max = page > 0 ? info.nMax - page + 1 : info.nMax;
  return max < info.nMin ? info.nMin : max;
}

int HeadlessWindow::SetScrollInfo(int nBar, const SCROLLINFO& info, BOOL) {
  ++scrollBarSets;
  SCROLLINFO& bar = Bar(nBar);
  if (info.fMask & SIF_RANGE) {
    bar.nMin = info.nMin;
    bar.nMax = info.nMax;
  }
  if (info.fMask & SIF_PAGE) {
    // Windows bounds the page to the range's size.
    long long span = (long long)bar.nMax - bar.nMin + 1;
    bar.nPage = span <= 0 ? 0 : (long long)info.nPage > span ? UINT(span) : info.nPage;
  }
  if (info.fMask & SIF_POS) bar.nPos = info.nPos;
  int max = MaxScrollPos(bar);
  if (bar.nPos > max) bar.nPos = max;
  if (bar.nPos < bar.nMin) bar.nPos = bar.nMin;
  return bar.nPos;
}

BOOL HeadlessWindow::GetScrollInfo(int nBar, SCROLLINFO* lpInfo, UINT nMask) {
  const SCROLLINFO& bar = Bar(nBar);
  if (nMask & SIF_RANGE) {
    lpInfo->nMin = bar.nMin;
    lpInfo->nMax = bar.nMax;
  }
  if (nMask & SIF_PAGE) lpInfo->nPage = bar.nPage;
  if (nMask & SIF_POS) lpInfo->nPos = bar.nPos;
  if (nMask & SIF_TRACKPOS) lpInfo->nTrackPos = bar.nTrackPos;
  lpInfo->fMask = nMask;
  return TRUE;
}

int HeadlessWindow::SetScrollPos(int nBar, int nPos, BOOL) {
  SCROLLINFO& bar = Bar(nBar);
  int previous = bar.nPos;
  int max = MaxScrollPos(bar);
  bar.nPos = nPos > max ? max : nPos < bar.nMin ? bar.nMin : nPos;
  return previous;
}

void HeadlessWindow::ScrollWindow(int xAmount, int yAmount, const RECT* lpRect, const RECT* lpClipRect) {
  CRect client = GetClientRect();
  CRect scroll = lpRect ? CRect(*lpRect) : client;
  CRect clip;
  clip.IntersectRect(lpClipRect ? CRect(*lpClipRect) : client, client);
  scrollCalls.push_back({xAmount, yAmount, scroll, clip});
  if (!m_exists) return;

  // Move the pixels of the scroll rectangle by the amounts, writing only
  // inside the clip rectangle. The pixels written are those whose source
  // lies in the scroll rectangle and on the framebuffer; rows are copied in
  // the order that reads every source row before it is overwritten, and
  // memmove takes care of the overlap within a row.
  CRect target = scroll;
  target.OffsetRect(xAmount, yAmount);
  CRect onFramebuffer(0, 0, framebuffer.width, framebuffer.height);
  CRect sourceArea = onFramebuffer;
  sourceArea.OffsetRect(xAmount, yAmount);
  CRect written;
  written.IntersectRect(target, clip);
  written.IntersectRect(written, sourceArea);
  written.IntersectRect(written, onFramebuffer);
  if (!written.IsRectEmpty()) {
    const std::size_t count = std::size_t(written.Width());
    auto copyRow = [&](int y) {
      std::memmove(&framebuffer.At(written.left, y), &framebuffer.At(written.left - xAmount, y - yAmount),
                   count * sizeof(COLORREF));
    };
    if (yAmount > 0) {
      for (int y = written.bottom - 1; y >= written.top; --y) copyRow(y);
    } else {
      for (int y = written.top; y < written.bottom; ++y) copyRow(y);
    }
  }
  // What was inside the clip rectangle and is not covered by moved pixels
  // must be repainted: the strip the move uncovered.
  CRect visible;
  visible.IntersectRect(scroll, clip);
  if (xAmount > 0) AddUpdate(CRect(visible.left, visible.top, visible.left + xAmount, visible.bottom));
  if (xAmount < 0) AddUpdate(CRect(visible.right + xAmount, visible.top, visible.right, visible.bottom));
  if (yAmount > 0) AddUpdate(CRect(visible.left, visible.top, visible.right, visible.top + yAmount));
  if (yAmount < 0) AddUpdate(CRect(visible.left, visible.bottom + yAmount, visible.right, visible.bottom));
}

SHORT HeadlessWindow::GetKeyState(int nVirtKey) {
  return m_keysDown[nVirtKey & 0xFF] ? SHORT(0x8000) : SHORT(0);
}

std::unique_ptr<CWindowImpl> HeadlessWindow::CreateEditChild(CWnd* pOwner, DWORD dwStyle, const RECT& rect, UINT nID) {
  return CreateHeadlessEdit(*this, pOwner, dwStyle, rect, nID);
}

void HeadlessWindow::ClearRecords() {
  invalidations.clear();
  events.clear();
  defaultCalls.clear();
  sentMessages.clear();
  scrollCalls.clear();
  failedMessages.clear();
  modifiedCalls = 0;
  refreshCalls = 0;
  scrollBarSets = 0;
}

}  // namespace TzGrid::Headless

// A simulated control window: the headless platform's site for one control.
//
// It keeps what Windows keeps for a window: existence, client size, the
// scroll bars (position clamped to 0 .. nMax - nPage + 1), the update area,
// capture, cursor, key state, keyboard focus, a framebuffer; and it records
// what the control asked of it (invalidations, events, default processing)
// so that tests can check the control's behaviour exactly.
//
// Threads: the thread that creates the window is its window thread. A
// SendMessage from that thread runs the control's handler at once; from any
// other thread it waits until the window thread handles it in PumpMessages
// (or until the window is destroyed, when it returns 0).
//
// Children: the edit child (HeadlessEdit) registers with its parent. The
// keyboard focus moves between the two as on Windows: SetFocus on the child
// takes it, hiding the focused child or SetFocus on this window gives it
// back (the child gets WM_KILLFOCUS), and destroying this window destroys
// the child. A control that destroys its window through the site
// (DestroyWindow) is going away; the window never calls it again.
//
// Destroy closes the cross-thread queue first (waiting senders get 0, later
// ones are refused) and then delivers WM_DESTROY to the control, so that a
// control may wait there for a thread that sends to this window.
//
// Lifetime with an auto-scroll worker: the worker reads the control's site
// pointer, so the window object must not go while the worker still runs:
// end the drag first, destroy the control first (which stops its worker),
// or let the control end the worker on WM_DESTROY.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "HeadlessGdi.h"

namespace TzGrid::Headless {

struct InvalidateCall {
  bool whole;  // null rectangle: the whole control
  CRect rect;
  BOOL erase;
  bool viaInvalidateRect;  // InvalidateRect rather than InvalidateControl
};

struct FiredEvent {
  DISPID dispid;
  CDispArgs args;
};

class HeadlessEdit;

struct ScrollWindowCall {
  int dx;
  int dy;
  CRect rect;
  CRect clip;
};

class HeadlessWindow : public CControlSite {
 public:
  // Gives ctrl this window as its site; with create, the window exists at
  // once with the given client size (WM_SIZE is delivered).
  HeadlessWindow(COleControl& ctrl, int width, int height, bool create = true);
  ~HeadlessWindow() override;

  // ---- driving the window, as the system would
  void Create();
  void Destroy();
  void Resize(int width, int height);  // client size, then WM_SIZE
  LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) { return SendMessage(message, wParam, lParam); }
  // A keyboard message as a message loop delivers it: pre-translation first.
  LRESULT SendKeyboard(UINT message, WPARAM wParam, LPARAM lParam = 1);
  // Runs the accumulated update area through OnDraw into the framebuffer.
  // Returns false when there was nothing to paint.
  bool Paint();
  // Invalidates everything and paints.
  void PaintAll();
  // Handles messages sent from other threads; returns how many ran.
  int PumpMessages();
  // Pumps until pred() holds or the time runs out; returns pred().
  bool PumpUntil(const std::function<bool()>& pred, int timeoutMs);
  void PumpFor(int milliseconds);

  // ---- state a test sets
  void SetKeyDown(int vk, bool down) { m_keysDown[vk & 0xFF] = down; }
  void SetTrackPos(int nBar, int pos) { Bar(nBar).nTrackPos = pos; }
  // Called for each fired event before it is recorded (a host's handler).
  std::function<void(DISPID, const CDispArgs&)> onEvent;

  // ---- what the control did
  std::vector<InvalidateCall> invalidations;
  std::vector<FiredEvent> events;
  std::vector<UINT> defaultCalls;  // messages handed to default processing
  std::vector<MSG> sentMessages;   // every message delivered to the control
  std::vector<ScrollWindowCall> scrollCalls;
  std::vector<std::pair<UINT, std::string>> failedMessages;
  int modifiedCalls = 0;
  int refreshCalls = 0;
  int scrollBarSets = 0;  // SetScrollInfo calls
  int cursor = 0;
  bool captured = false;
  Pixmap framebuffer;

  bool HasUpdate() const noexcept { return !m_update.IsRectEmpty(); }
  CRect UpdateRect() const noexcept { return m_update; }
  const SCROLLINFO& ScrollBar(int nBar) const { return nBar == SB_HORZ ? m_horz : m_vert; }
  COleControl& Control() const noexcept { return m_ctrl; }
  // The window that has the keyboard focus: this one, a child, or null.
  HWND FocusWindow() const noexcept { return m_focus; }
  void SetFocusWindow(HWND hwnd) noexcept { m_focus = hwnd; }
  // The user activates another window: a child that had the keyboard focus
  // is told so with WM_KILLFOCUS, and no window of this control keeps it.
  void MoveFocusAway();
  // The edit child created last (the in-place editor), or null.
  HeadlessEdit* EditChild() const noexcept { return m_children.empty() ? nullptr : m_children.back(); }
  void ClearRecords();

  // ---- CWindowImpl
  HWND GetHwnd() const override { return const_cast<HeadlessWindow*>(this); }
  bool IsWindow() const override { return m_exists.load(); }
  BOOL ShowWindow(int) override { return TRUE; }
  bool IsWindowVisible() const override { return m_exists.load(); }
  void MoveWindow(int, int, int, int, BOOL) override {}
  void SetWindowText(const CString&) override {}
  CString GetWindowText() const override { return CString(); }
  // Taking the focus from a child tells the child (WM_KILLFOCUS).
  void SetFocus() override;
  CRect GetWindowRect() const override;
  LRESULT SendMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  // Reached through the site only from the control itself, when it goes
  // away with its window still there: the window is destroyed and never
  // touches the control again.
  void DestroyWindow() override;

  // ---- CControlSite
  CRect GetClientRect() const override { return CRect(0, 0, m_width, m_height); }
  void InvalidateControl(const RECT* lpRect, BOOL bErase) override;
  void InvalidateRect(const RECT* lpRect, BOOL bErase) override;
  void Refresh() override;
  void OnModified() override { ++modifiedCalls; }
  void FireEvent(DISPID dispid, const CDispArgs& args) override;
  CDC* GetDC() override;
  int ReleaseDC(CDC* pDC) override;
  void SetCapture() override { captured = true; }
  void ReleaseCapture() override { captured = false; }
  int SetScrollInfo(int nBar, const SCROLLINFO& info, BOOL bRedraw) override;
  BOOL GetScrollInfo(int nBar, SCROLLINFO* lpInfo, UINT nMask) override;
  int SetScrollPos(int nBar, int nPos, BOOL bRedraw) override;
  void ScrollWindow(int xAmount, int yAmount, const RECT* lpRect, const RECT* lpClipRect) override;
  void ScreenToClient(RECT* lpRect) const override;
  void SetCursor(int nCursorId) override { cursor = nCursorId; }
  SHORT GetKeyState(int nVirtKey) override;
  SHORT GetAsyncKeyState(int nVirtKey) override { return GetKeyState(nVirtKey); }
  std::unique_ptr<CWindowImpl> CreateEditChild(CWnd* pOwner, DWORD dwStyle, const RECT& rect, UINT nID) override;
  void OnMessageFailed(UINT message, const std::string& description) override {
    failedMessages.emplace_back(message, description);
  }

  // The window's position on the simulated screen (for screen coordinates).
  static constexpr int kScreenX = 100;
  static constexpr int kScreenY = 50;

  // ---- children (the edit child registers itself)
  void AddChild(HeadlessEdit* child);
  void RemoveChild(HeadlessEdit* child);
  // A child takes the keyboard focus (the one that had it is not told:
  // the grid's own window takes no notice of losing it).
  void GiveFocusToChild(HeadlessEdit* child);

 private:
  struct PendingMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    std::promise<LRESULT> result;
  };

  SCROLLINFO& Bar(int nBar) { return nBar == SB_HORZ ? m_horz : m_vert; }
  static int MaxScrollPos(const SCROLLINFO& info);
  void AddUpdate(const CRect& rect);
  LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
  HeadlessEdit* FocusedChild() const noexcept;

  COleControl& m_ctrl;
  int m_width;
  int m_height;
  // Read by senders on other threads (through IsWindow and SendMessage).
  std::atomic<bool> m_exists{false};
  bool m_controlGone = false;
  std::thread::id m_windowThread;
  CRect m_update;
  SCROLLINFO m_horz;
  SCROLLINFO m_vert;
  bool m_keysDown[256] = {};
  HWND m_focus = nullptr;
  std::vector<HeadlessEdit*> m_children;

  std::mutex m_queueLock;
  std::condition_variable m_queueSignal;
  std::deque<std::shared_ptr<PendingMessage>> m_queue;
};

// The headless edit child (platform/headless/HeadlessEdit.cpp): a
// single-line editor with a selection, as the system's EDIT control keeps
// one: a new text puts the caret before it, EM_SETSEL selects, a typed
// character replaces the selection, Backspace removes the selection or the
// character before the caret; every change of the text (SetWindowText included) is reported to
// the parent as EN_UPDATE through WM_COMMAND. Its messages reach the owner's
// WindowProc first; DefWindowProc is the edit control's own processing. It is
// not drawn into the parent's framebuffer.
class HeadlessEdit : public CWindowImpl {
 public:
  HeadlessEdit(HeadlessWindow& parent, CWnd* pOwner, DWORD dwStyle, const RECT& rect, UINT nID);
  ~HeadlessEdit() override;

  // ---- what a test reads
  DWORD Style() const noexcept { return m_style; }
  UINT ControlId() const noexcept { return m_id; }
  // Client coordinates of the parent.
  CRect Rect() const noexcept { return m_rect; }
  HGDIOBJ Font() const noexcept { return m_font; }
  bool HasFocus() const noexcept;
  std::vector<MSG> sentMessages;     // every message sent to the edit window
  std::vector<UINT> defaultCalls;    // messages given to its own processing
  int updateNotifications = 0;       // EN_UPDATE sent to the parent
  int moves = 0;                     // MoveWindow calls

  // The parent goes away: so does this window.
  void OnParentDestroyed() noexcept;

  // ---- CWindowImpl
  HWND GetHwnd() const override { return const_cast<HeadlessEdit*>(this); }
  bool IsWindow() const override { return m_exists; }
  BOOL ShowWindow(int nCmdShow) override;
  bool IsWindowVisible() const override { return m_exists && m_visible; }
  void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint) override;
  void SetWindowText(const CString& text) override;
  CString GetWindowText() const override { return m_text; }
  void SetFocus() override;
  CRect GetWindowRect() const override;
  LRESULT SendMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void DestroyWindow() override;

 private:
  void NotifyUpdate();

  HeadlessWindow* m_parent;
  CWnd* m_pOwner;
  DWORD m_style;
  UINT m_id;
  CRect m_rect;
  bool m_exists = true;
  bool m_visible;
  void Select(LRESULT start, LRESULT end);
  void ReplaceSelection(std::u16string_view with);

  CString m_text;
  // The selection, in units of the text; an empty one is the caret.
  std::size_t m_selStart = 0, m_selEnd = 0;
  HGDIOBJ m_font = nullptr;
};

std::unique_ptr<CWindowImpl> CreateHeadlessEdit(HeadlessWindow& parent, CWnd* pOwner, DWORD dwStyle, const RECT& rect,
                                                UINT nID);

}  // namespace TzGrid::Headless

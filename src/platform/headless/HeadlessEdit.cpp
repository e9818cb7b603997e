// The headless edit child: the in-place editor's window on the headless
// platform. It keeps what the grid relies on of an EDIT control: text,
// visibility, rectangle, font, keyboard focus, single-line typing and
// Backspace, and the EN_UPDATE notification on every change of its text.
#include <string>
#include <utility>

#include "HeadlessWindow.h"

namespace TzGrid::Headless {

HeadlessEdit::HeadlessEdit(HeadlessWindow& parent, CWnd* pOwner, DWORD dwStyle, const RECT& rect, UINT nID)
    : m_parent(&parent), m_pOwner(pOwner), m_style(dwStyle), m_id(nID), m_rect(rect),
      m_visible((dwStyle & WS_VISIBLE) != 0) {
  parent.AddChild(this);
}

HeadlessEdit::~HeadlessEdit() { DestroyWindow(); }

void HeadlessEdit::OnParentDestroyed() noexcept {
  m_parent = nullptr;
  m_exists = false;
  m_visible = false;
}

void HeadlessEdit::DestroyWindow() {
  if (!m_exists) return;
  m_exists = false;
  m_visible = false;
  if (m_parent) m_parent->RemoveChild(this);
  m_parent = nullptr;
}

bool HeadlessEdit::HasFocus() const noexcept { return m_exists && m_parent && m_parent->FocusWindow() == GetHwnd(); }

BOOL HeadlessEdit::ShowWindow(int nCmdShow) {
  if (!m_exists) return FALSE;
  BOOL wasVisible = m_visible ? TRUE : FALSE;
  m_visible = nCmdShow != SW_HIDE;
  // Hiding the window with the keyboard focus gives the focus back to the
  // parent, as the system does; keys then reach the grid, not a hidden edit.
  if (!m_visible && m_parent && HasFocus()) m_parent->SetFocus();
  return wasVisible;
}

void HeadlessEdit::MoveWindow(int x, int y, int nWidth, int nHeight, BOOL) {
  if (!m_exists) return;
  ++moves;
  // Right and bottom wrap to 32 bits, as the platform's window rectangle
  // does for a window placed at the end of the coordinate range.
  auto wrapped = [](int a, int b) { return int(std::uint32_t(a) + std::uint32_t(b)); };
  m_rect = CRect(x, y, wrapped(x, nWidth), wrapped(y, nHeight));
}

void HeadlessEdit::SetWindowText(const CString& text) {
  if (!m_exists) return;
  m_text = text;
  m_selStart = m_selEnd = 0;
  NotifyUpdate();
}

void HeadlessEdit::SetFocus() {
  if (m_exists && m_parent) m_parent->GiveFocusToChild(this);
}

CRect HeadlessEdit::GetWindowRect() const {
  CRect screen = m_rect;
  screen.OffsetRect(HeadlessWindow::kScreenX, HeadlessWindow::kScreenY);
  return screen;
}

LRESULT HeadlessEdit::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (!m_exists) return 0;
  sentMessages.push_back(MSG{GetHwnd(), message, wParam, lParam});
  // A subclassed window: the owner's procedure sees every message first and
  // reaches the edit control's own processing through Default().
  if (m_pOwner) return m_pOwner->WindowProc(message, wParam, lParam);
  return DefWindowProc(message, wParam, lParam);
}

LRESULT HeadlessEdit::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  defaultCalls.push_back(message);
  if (!m_exists) return 0;
  switch (message) {
    case WM_SETFONT:
      m_font = reinterpret_cast<HGDIOBJ>(wParam);
      return 0;
    case EM_SETSEL:
      Select(LRESULT(int(wParam)), lParam);
      return 0;
    case WM_CHAR: {
      const WCHAR ch = WCHAR(wParam);
      if (ch == WCHAR(VK_BACK)) {
        if (m_selStart == m_selEnd && m_selStart == 0) return 0;
        if (m_selStart == m_selEnd) --m_selStart;
        ReplaceSelection({});
      } else if (ch >= 0x20) {
        // Control characters (Enter, Tab, Escape, Ctrl+letter) are not text.
        ReplaceSelection(std::u16string_view(&ch, 1));
      }
      return 0;
    }
    default:
      return 0;
  }
}

// EM_SETSEL's rules: a start of -1 drops the selection and keeps the
// caret; an end of -1 or past the text is the text's end; the two may come
// in either order.
void HeadlessEdit::Select(LRESULT start, LRESULT end) {
  const std::size_t length = std::size_t(m_text.GetLength());
  if (start == -1) {
    m_selStart = m_selEnd;
    return;
  }
  auto clamp = [length](LRESULT at) { return at < 0 || std::size_t(at) > length ? length : std::size_t(at); };
  m_selStart = clamp(start);
  m_selEnd = clamp(end);
  if (m_selStart > m_selEnd) std::swap(m_selStart, m_selEnd);
}

void HeadlessEdit::ReplaceSelection(std::u16string_view with) {
  std::u16string_view text = m_text.View();
  std::u16string edited(text.substr(0, m_selStart));
  edited += with;
  edited += text.substr(m_selEnd);
  m_text = CString(std::u16string_view(edited));
  m_selStart = m_selEnd = m_selStart + with.size();
  NotifyUpdate();
}

void HeadlessEdit::NotifyUpdate() {
  ++updateNotifications;
  if (m_parent) m_parent->Send(WM_COMMAND, MAKEWPARAM(int(m_id), int(EN_UPDATE)), LPARAM(GetHwnd()));
}

std::unique_ptr<CWindowImpl> CreateHeadlessEdit(HeadlessWindow& parent, CWnd* pOwner, DWORD dwStyle, const RECT& rect,
                                                UINT nID) {
  if (!parent.IsWindow()) return nullptr;
  return std::make_unique<HeadlessEdit>(parent, pOwner, dwStyle, rect, nID);
}

}  // namespace TzGrid::Headless

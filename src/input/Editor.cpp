// The in-place editor: a single-line edit window laid over the focus cell.
// There is no commit or cancel step: the cell's text follows the editor's
// text on every change, so whatever the editor shows when the edit ends is
// the cell's text.
#include "../model/LayoutMath.h"
#include "InputSteps.h"
#include "../access/AccessEvents.h"

namespace TzGrid {

namespace {

using namespace Input;

// WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL: a
// left-aligned single-line edit.
constexpr DWORD kEditorStyle = 0x50810080;
constexpr UINT kEditorId = 1;

// The steps every edit start shares, once the rectangle is known. The
// editor's window is created on first use and afterwards only moved, shown
// and hidden.
void OpenEditor(CTzGridCtrl& grid, const CRect& rect, const CString& initialText) {
  grid.m_bEditMode = 1;
  if (!grid.m_edit.HasWindow()) grid.m_edit.Create(kEditorStyle, rect, &grid, kEditorId);
  grid.m_edit.SendMessage(WM_SETFONT, WPARAM(grid.m_fontDefault.GetSafeHandle()), 1);
  // The last pixel column and row of the cell carry the grid lines.
  grid.m_edit.MoveWindow(rect.left, rect.top, rect.Width(), rect.Height(), TRUE);
  grid.m_edit.ShowWindow(SW_SHOW);
  grid.m_edit.SetWindowText(initialText);
  // An edit control puts its caret before a text it is given; an edit
  // opened on a cell's text goes on from its end, as a spreadsheet's
  // in-cell edit does.
  const WPARAM end = WPARAM(initialText.GetLength());
  grid.m_edit.SendMessage(EM_SETSEL, end, LPARAM(end));
  grid.m_edit.SetFocus();
}

// The typing edit's rectangle: the cell's origin and its column's and row's
// sizes, inclusive right and bottom edges.
CRect TypingEditRect(CTzGridCtrl& grid, const CGridCell& cell) {
  CPoint origin;
  grid.GetCellOrigin(cell.m_nRow, cell.m_nCol, &origin);
  UINT width = grid.m_layout.WidthOfColumn(cell.m_nCol);
  UINT height = grid.m_layout.HeightOfRow(cell.m_nRow);
  return CRect(origin.x, origin.y, SubPixels(AddPixels(origin.x, width), 1), SubPixels(AddPixels(origin.y, height), 1));
}

// Typing replaces the cell's text: the editor opens empty and then gets the
// typed character, and each change is copied into the cell.
void StartTypingEdit(CTzGridCtrl& grid, UINT nChar) {
  CRect rect = TypingEditRect(grid, grid.m_focusCell);
  OpenEditor(grid, rect, CString());
  grid.m_edit.SendMessage(WM_CHAR, nChar, 0);
}

}  // namespace

namespace Input {

void StartDoubleClickEdit(CTzGridCtrl& grid, CGridCell cell) {
  if (grid.m_bEditMode) {
    KillEditorFocus(grid);
    // The flag stays set: the edit starting below sets it again.
    if (grid.m_focusCell) FireCellExited(grid, grid.m_focusCell.m_nRow, grid.m_focusCell.m_nCol);
    // The host's handler may have rebuilt the matrix; check the cell again.
    cell = grid.GetCell(cell.m_nRow, cell.m_nCol);
  }
  if (MoveFocusFrame(grid, cell) != cell) Access::NotifyFocusMoved(grid);
  CRect rect;
  grid.GetCellRect(cell.m_nRow, cell.m_nCol, &rect);
  OpenEditor(grid, rect, grid.CellText(cell).ToString());
}

}  // namespace Input

void CTzGridCtrl::OnChar(UINT nChar, UINT nRepCnt, UINT nFlags) {
  // A header column is being dragged: keys only steer the auto-scroll.
  if (m_nMouseMode == MOUSE_DRAGGING) return;
  if (!m_focusCell) {
    COleControl::OnChar(nChar, nRepCnt, nFlags);
    return;
  }
  if (nChar == 0x09 && m_bEditMode) return;
  if (nChar == 0x03) {
    CopyFocusTextByKey();
    return;
  }
  if (nChar == 0x16) {
    PasteFocusTextByKey();
    return;
  }
  if (CellAttributes(m_focusCell).bReadOnly) {
    COleControl::OnChar(nChar, nRepCnt, nFlags);
    return;
  }
  // Ctrl with a letter is a shortcut, never text.
  if (GetAsyncKeyState(VK_CONTROL) < 0) return;
  // Deliberately no test of m_bEditMode: a character that reaches the grid's
  // own window while an edit is flagged starts a fresh edit on the focus cell.
  StartTypingEdit(*this, nChar);
  COleControl::OnChar(nChar, nRepCnt, nFlags);
}

void CTzGridCtrl::OnEnUpdateEdit() {
  // The editor writes into whatever cell is the focus cell now; with none
  // (the matrix was rebuilt during the edit) its text goes nowhere.
  if (!m_focusCell) return;
  m_cells.TextToWrite(m_focusCell) = m_edit.GetWindowText();
  Access::NotifyTextChanged(*this, m_focusCell.m_nRow, m_focusCell.m_nCol);
}

// ---- CTzEdit: the editor window's own message handling

LRESULT CTzEdit::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  MessageScope scope(*this, message, wParam, lParam);
  const UINT repeat = LOWORD(std::uintptr_t(lParam));
  const UINT flags = HIWORD(std::uintptr_t(lParam));
  switch (message) {
    case WM_KEYDOWN:
      OnKeyDown(UINT(wParam), repeat, flags);
      return 0;
    case WM_KILLFOCUS:
      OnKillFocus(nullptr);
      return 0;
    case WM_CHAR:
      OnChar(UINT(wParam), repeat, flags);
      return 0;
    default:
      return Default();
  }
}

void CTzEdit::OnKeyDown(UINT nChar, UINT, UINT) {
  // Enter moves right like Tab; Up and Down leave the edit. These keys are
  // not given to the edit control: they end the edit instead.
  UINT forward = 0;
  switch (nChar) {
    case VK_RETURN:
      forward = VK_TAB;
      break;
    case VK_UP:
      forward = VK_UP;
      break;
    case VK_DOWN:
      forward = VK_DOWN;
      break;
    default:
      Default();
      return;
  }
  if (CWnd* grid = GetParent()) grid->SendMessage(WM_KEYDOWN, forward, 0);
}

void CTzEdit::OnKillFocus(CWnd*) {
  ShowWindow(SW_HIDE);
  Default();
}

void CTzEdit::OnChar(UINT, UINT, UINT) { Default(); }

}  // namespace TzGrid

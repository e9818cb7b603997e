// Keyboard navigation: arrow keys, Tab and the editor's Enter move the focus
// cell one cell and keep it in view with one scroll step; Page Up and Page
// Down page; Delete and Backspace clear the focus cell. Navigation fires no
// selection event; only an edit being left is reported.
#include "InputSteps.h"
#include "../access/AccessEvents.h"

namespace TzGrid {

namespace {

using namespace Input;

enum class Direction { kRight, kLeft, kUp, kDown };

UINT SearchKey(Direction d) {
  switch (d) {
    case Direction::kRight:
      return VK_RIGHT;
    case Direction::kLeft:
      return VK_LEFT;
    case Direction::kUp:
      return VK_UP;
    default:
      return VK_DOWN;
  }
}

// One scroll step when the new focus cell is not (fully) in view. Runs
// between the redraws of the old and the new focus cell.
void KeepInView(CTzGridCtrl& grid, Direction d, const CGridCell& target) {
  switch (d) {
    case Direction::kRight:
      if (DisplayPositionOrZero(grid, target) >= grid.GetLastVisibleColumn()) {
        grid.SendMessage(WM_HSCROLL, SB_LINERIGHT, 0);
      }
      break;
    case Direction::kLeft:
      if (DisplayPositionOrZero(grid, target) < FirstIndexPastScrollPos(grid)) {
        grid.SendMessage(WM_HSCROLL, SB_LINELEFT, 0);
      }
      break;
    case Direction::kDown:
      if (target.m_nRow > grid.GetLastVisibleRow() - 1) grid.SendMessage(WM_VSCROLL, SB_LINEDOWN, 0);
      break;
    case Direction::kUp:
      if (target.m_nRow < grid.m_nTopRow) grid.SendMessage(WM_VSCROLL, SB_LINEUP, 0);
      break;
  }
}

// Moves the focus one cell; false when there is no cell to move to (nothing
// has changed then).
bool MoveFocus(CTzGridCtrl& grid, Direction d) {
  CGridCell target = grid.FindNextCell(SearchKey(d));
  if (!target) return false;
  KillEditorFocus(grid);
  if (grid.m_bEditMode && grid.m_focusCell) {
    // Sideways moves report leaving only an editable cell; up and down
    // report it always.
    const bool vertical = d == Direction::kUp || d == Direction::kDown;
    if (vertical || !grid.CellAttributes(grid.m_focusCell).bReadOnly) {
      FireCellExited(grid, grid.m_focusCell.m_nRow, grid.m_focusCell.m_nCol);
      // The host's handler may have rebuilt the matrix meanwhile.
      target = grid.GetCell(target.m_nRow, target.m_nCol);
    }
  }
  grid.m_bEditMode = 0;
  MoveFocusFrame(grid, target, [&] { KeepInView(grid, d, target); });
  Access::NotifyFocusMoved(grid);
  return true;
}

}  // namespace

void CTzGridCtrl::OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) {
  // During a header drag any key held down speeds the auto-scroll up.
  if (m_nMouseMode == MOUSE_DRAGGING) {
    m_autoScroll.bFast = 1;
    return;
  }
  auto moveOrBase = [&](Direction d) {
    if (!MoveFocus(*this, d)) COleControl::OnKeyDown(nChar, nRepCnt, nFlags);
  };
  bool shiftTab = nChar == VK_TAB && GetKeyState(VK_SHIFT) < 0;
  switch (nChar) {
    case VK_TAB:
    case VK_RIGHT:
    case VK_LEFT: {
      // Tab arrives here from the editor's Enter: it moves right even while
      // editing; Left, Right and Shift+Tab leave the caret to the editor.
      const bool left = nChar == VK_LEFT || shiftTab;
      if (!m_focusCell) {
        COleControl::OnKeyDown(nChar, nRepCnt, nFlags);
      } else if (m_bEditMode && nChar != VK_TAB) {
        return;
      } else if (m_bEditMode && shiftTab) {
        return;
      } else {
        moveOrBase(left ? Direction::kLeft : Direction::kRight);
      }
      return;
    }
    case VK_UP:
    case VK_DOWN:
      if (!m_focusCell) {
        COleControl::OnKeyDown(nChar, nRepCnt, nFlags);
      } else {
        moveOrBase(nChar == VK_UP ? Direction::kUp : Direction::kDown);
      }
      return;
    case VK_PRIOR:
      SendMessage(WM_VSCROLL, SB_PAGEUP, 0);
      return;
    case VK_NEXT:
      SendMessage(WM_VSCROLL, SB_PAGEDOWN, 0);
      return;
    case VK_DELETE:
    case VK_BACK:
      if (m_bEditMode) return;
      if (!m_focusCell) {
        COleControl::OnKeyDown(nChar, nRepCnt, nFlags);
        return;
      }
      if (CellAttributes(m_focusCell).bReadOnly) return;
      SetCellText(m_focusCell.m_nRow, m_focusCell.m_nCol, CString());
      COleControl::OnKeyDown(nChar, nRepCnt, nFlags);
      return;
    default:
      COleControl::OnKeyDown(nChar, nRepCnt, nFlags);
      return;
  }
}

void CTzGridCtrl::OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags) {
  if (m_nMouseMode == MOUSE_DRAGGING) {
    m_autoScroll.bFast = 0;
    return;
  }
  COleControl::OnKeyUp(nChar, nRepCnt, nFlags);
}

BOOL CTzGridCtrl::PreTranslateMessage(MSG* pMsg) {
  if (!pMsg || pMsg->message != WM_KEYDOWN || pMsg->wParam != VK_TAB) return FALSE;
  // Tab ends the edit here; the editor itself is hidden by the move that
  // follows (and stays shown when there is no cell to move to).
  if (m_bEditMode && m_focusCell) FireCellExited(*this, m_focusCell.m_nRow, m_focusCell.m_nCol);
  m_bEditMode = 0;
  SendMessage(WM_KEYDOWN, GetKeyState(VK_SHIFT) < 0 ? VK_LEFT : VK_RIGHT, pMsg->lParam);
  return TRUE;
}

UINT CTzGridCtrl::OnGetDlgCode() { return DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTCHARS; }

void CTzGridCtrl::OnKeyDownEvent(USHORT nChar, USHORT nShiftState) { COleControl::OnKeyDownEvent(nChar, nShiftState); }

CGridCell CTzGridCtrl::FindNextCell(UINT nDirection) {
  const CGridCell focus = m_focusCell;
  switch (nDirection) {
    case VK_LEFT: {
      int p = FindDisplayPosition(focus.m_nCol);
      if (p < 0) return CGridCell();
      int q = p - 1;
      while (q >= 0 && m_layout.WidthAtPosition(q) == 0) --q;  // zero-width columns are skipped
      if (q < 0) return CGridCell();
      return GetCell(focus.m_nRow, m_layout.ColumnAtPosition(q));
    }
    case VK_RIGHT: {
      int q = Input::DisplayPositionOrZero(*this, focus) + 1;
      while (q <= m_nCols - 1 && m_layout.WidthAtPosition(q) == 0) ++q;
      if (q > m_nCols - 1) return CGridCell();
      return GetCell(focus.m_nRow, m_layout.ColumnAtPosition(q));
    }
    case VK_UP: {
      // Never into the fixed rows.
      const int fixedRows = FixedRowsInUse();
      int r = focus.m_nRow - 1;
      while (r > fixedRows - 1 && m_layout.HeightOfRow(r) == 0) --r;
      if (r <= fixedRows - 1) return CGridCell();
      const CGridCell cell = GetCell(r, focus.m_nCol);
      return CellAttributes(cell).bHeader ? CGridCell() : cell;
    }
    case VK_DOWN: {
      int r = focus.m_nRow + 1;
      while (r <= m_nRows - 1 && m_layout.HeightOfRow(r) == 0) ++r;
      if (r > m_nRows - 1) return CGridCell();
      const CGridCell cell = GetCell(r, focus.m_nCol);
      return CellAttributes(cell).bHeader ? CGridCell() : cell;
    }
    default:
      return CGridCell();
  }
}

}  // namespace TzGrid

// Mouse selection: a click selects when the button is released, a second
// click on the focus cell or a double click edits, header cells drag, sort
// and move to the front. Resize and drag steps live in ResizeDrag.cpp.
#include "InputSteps.h"
#include "../access/AccessEvents.h"

namespace TzGrid {

namespace Input {

bool FindHit(CTzGridCtrl& grid, CPoint point, Hit* hit) {
  *hit = Hit{};
  hit->row = grid.GetRowAtPoint(point);
  hit->pos = grid.GetColumnAtPoint(point);
  if (hit->row == -1 || hit->pos == -1) return false;
  hit->col = grid.m_layout.ColumnAtPosition(hit->pos);
  hit->cell = grid.GetCell(hit->row, hit->col);
  return true;
}

void FireCellSelected(CTzGridCtrl& grid, int row, int col) {
  grid.FireEvent(DISPID_GRIDCELLSELECTED, EVENT_PARAM(VTS_I4 VTS_I4), row, col);
}

void FireCellExited(CTzGridCtrl& grid, int row, int col) {
  grid.FireEvent(DISPID_GRIDCELLEXITED, EVENT_PARAM(VTS_I4 VTS_I4), row, col);
}

void KillEditorFocus(CTzGridCtrl& grid) {
  if (grid.m_edit.HasWindow()) grid.m_edit.SendMessage(WM_KILLFOCUS, 0, 0);
}

}  // namespace Input

namespace {

using namespace Input;

// A click on a cell other than the focus cell (or on a read-only focus
// cell): the edit in progress ends, the focus moves, and only the two cells
// concerned are redrawn.
void MoveFocusByClick(CTzGridCtrl& grid, const Hit& hit) {
  if (grid.m_edit.HasWindow()) {
    grid.m_edit.SendMessage(WM_KILLFOCUS, 0, 0);
    if (grid.m_bEditMode && grid.m_focusCell) {
      FireCellExited(grid, grid.m_focusCell.m_nRow, grid.m_focusCell.m_nCol);
    }
  }
  // The host's handlers may have rebuilt the matrix meanwhile.
  const CGridCell cell = grid.GetCell(hit.row, hit.col);
  grid.m_bEditMode = 0;
  if (MoveFocusFrame(grid, cell) != cell) Access::NotifyFocusMoved(grid);
}

}  // namespace

void CTzGridCtrl::OnLButtonDown(UINT nFlags, CPoint point) {
  if (m_nMouseMode == MOUSE_OVER_BORDER) {
    BeginResize(*this, point);
  } else {
    Hit hit;
    // Pressing on an ordinary cell does nothing yet: selection happens on
    // the release.
    if (FindHit(*this, point, &hit) && CellAttributes(hit.cell).bHeader) BeginDrag(*this, hit.pos);
  }
  COleControl::OnLButtonDown(nFlags, point);
}

void CTzGridCtrl::OnLButtonUp(UINT nFlags, CPoint point) {
  if (m_nMouseMode == MOUSE_RESIZING) {
    ApplyResize(*this, nFlags, point);
    return;
  }
  if (m_nMouseMode == MOUSE_DRAGGING) {
    DropColumn(*this, nFlags, point);
    return;
  }
  Hit hit;
  if (!FindHit(*this, point, &hit)) {
    COleControl::OnLButtonUp(nFlags, point);
    return;
  }
  // Fired before anything changes: the host's handler sees the old focus
  // cell and edit state, and header cells report their clicks too.
  FireCellSelected(*this, hit.row, hit.col);
  hit.cell = GetCell(hit.row, hit.col);
  const CCellAttributes& attributes = CellAttributes(hit.cell);
  if (attributes.bHeader) {
    COleControl::OnLButtonUp(nFlags, point);
    return;
  }
  if (hit.cell == m_focusCell && !attributes.bReadOnly) {
    // A second click on the focus cell edits it, as a double click does.
    SendMessage(WM_LBUTTONDBLCLK, nFlags, MAKELPARAM(point.x, point.y));
    COleControl::OnLButtonUp(nFlags, point);
    return;
  }
  MoveFocusByClick(*this, hit);
  COleControl::OnLButtonUp(nFlags, point);
}

void CTzGridCtrl::OnLButtonDblClk(UINT nFlags, CPoint point) {
  Hit hit;
  if (!FindHit(*this, point, &hit)) return;
  const CCellAttributes& attributes = CellAttributes(hit.cell);
  if (attributes.bHeader) {
    // The sort state cycles 0, 1, 2; a larger value set by the host counts on.
    std::uint16_t next = std::uint16_t(attributes.nSortState + 1);
    m_cells.SetAttribute(hit.cell, &CCellAttributes::nSortState, std::uint16_t(next == 3 ? 0 : next));
    InvalidateControl(nullptr, TRUE);
    return;
  }
  if (attributes.bReadOnly) return;
  StartDoubleClickEdit(*this, hit.cell);
  COleControl::OnLButtonDblClk(nFlags, point);
}

void CTzGridCtrl::OnRButtonUp(UINT nFlags, CPoint point) {
  Hit hit;
  if (FindHit(*this, point, &hit) && CellAttributes(hit.cell).bHeader && (nFlags & MK_CONTROL)) {
    // Ctrl+right click on a header brings its column to the very first
    // display position, ahead of any fixed columns.
    m_layout.MoveDisplayPosition(hit.pos, 0);
    InvalidateControl(nullptr, TRUE);
    Access::NotifyShapeChanged(*this);
  }
  COleControl::OnRButtonUp(nFlags, point);
}

LRESULT CTzGridCtrl::OnNcHitTest(CPoint point) { return COleControl::OnNcHitTest(point); }

}  // namespace TzGrid

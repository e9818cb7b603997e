// Steps shared by the input handlers of the grid (scrolling, mouse, resize
// and drag, keyboard, editor). They work on the control's public state; the
// control class declares no member for them, so they live here as free
// functions of the input subsystem.
#pragma once

#include "../model/TzGridCtrl.h"

namespace TzGrid::Input {

// The smallest column index whose running width sum (by column index, from
// 0) passes the horizontal scroll position; 0 when none does. With identity
// order and no fixed columns this is m_nFirstCol.
int FirstIndexPastScrollPos(const CTzGridCtrl& grid);
// Display position of a cell's column, 0 when the order map lacks it.
int DisplayPositionOrZero(const CTzGridCtrl& grid, const CGridCell& cell);

// ---- the cell under a point
struct Hit {
  int row = -1;
  int pos = -1;  // display position
  int col = -1;  // column index
  CGridCell cell;
};
// Row first, then display position; false when either is -1.
bool FindHit(CTzGridCtrl& grid, CPoint point, Hit* hit);

// The focus frame moves to target: the focus cell becomes target, the old
// one is redrawn without the frame, reveal() may scroll the view to target,
// and target is drawn with the frame. Returns the old focus cell (none when
// there was none); the edit flag and the screen reader's event are the
// caller's.
template <typename Reveal>
CGridCell MoveFocusFrame(CTzGridCtrl& grid, const CGridCell& target, Reveal&& reveal) {
  const CGridCell old = grid.m_focusCell;
  grid.m_focusCell = target;
  if (old) grid.RedrawCell(old);
  reveal();
  grid.RedrawCell(target);
  return old;
}
inline CGridCell MoveFocusFrame(CTzGridCtrl& grid, const CGridCell& target) {
  return MoveFocusFrame(grid, target, [] {});
}

void FireCellSelected(CTzGridCtrl& grid, int row, int col);
void FireCellExited(CTzGridCtrl& grid, int row, int col);
// Sends the editor WM_KILLFOCUS when its window exists (it hides itself).
void KillEditorFocus(CTzGridCtrl& grid);

// ---- in-place editor (Editor.cpp)
// The double-click edit on cell: ends a running edit, moves the focus, opens
// the editor over the cell's rectangle with its text.
void StartDoubleClickEdit(CTzGridCtrl& grid, CGridCell cell);

// ---- column resize and drag (ResizeDrag.cpp)
void BeginResize(CTzGridCtrl& grid, CPoint point);
void ApplyResize(CTzGridCtrl& grid, UINT nFlags, CPoint point);
void BeginDrag(CTzGridCtrl& grid, int pos);
void DropColumn(CTzGridCtrl& grid, UINT nFlags, CPoint point);
// The control's window is being destroyed (WM_DESTROY, once the platform
// refuses further sends to it): the auto-scroll worker is stopped and waited
// for, so that it never outlives the window it sends to.
void EndAutoScrollForDestroyedWindow(CTzGridCtrl& grid);

}  // namespace TzGrid::Input

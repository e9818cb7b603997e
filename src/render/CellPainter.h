// What the painter, the step before painting and the direct redraw share
// about one cell: where DrawCell draws it, how it draws it, and where the
// editor goes over it. Deciding the place once keeps the drawing (which only
// reads the grid) and the editor placement (a write) from disagreeing.
#pragma once

#include <optional>

#include "../model/TzGridCtrl.h"

namespace TzGrid::Render {

// Where DrawCell draws a cell: pRect, or the cell's own rectangle when pRect
// is null; nothing when its column is scrolled off to the left or lies
// beyond the last visible one, when its row is scrolled off above, or when
// the column is one pixel wide. lastVisibleCol is what the painter asked
// once for the whole paint; null asks the control, and only when needed.
// Raises where the position scan or the rectangle cannot be worked out.
std::optional<CRect> PlaceOfCell(const CTzGridCtrl& grid, const CGridCell& cell, const CRect* pRect,
                                 const int* lastVisibleCol);

// The background, the focus frame and the text of a cell placed at rc.
// Without a context the window's own is taken for the call; without a
// window nothing is drawn.
void PaintCellAt(const CTzGridCtrl& grid, const CGridCell& cell, const CRect& rc, CDC* pDC);

// The editor's rectangle over a cell drawn at rc: with text it reaches one
// pixel further up and down than the cell; without, it covers the filled area.
CRect EditorRectOver(const CTzGridCtrl& grid, const CGridCell& cell, const CRect& rc);

// Creates the editor window on first use, then lays it over rc and shows it;
// the keyboard focus is not moved.
void PlaceEditor(CTzGridCtrl& grid, const CRect& rc);

}  // namespace TzGrid::Render

// What the painter tells the cell drawer once per paint. The last visible
// column depends only on the client area, the scroll position and the
// widths, none of which a paint changes; asking the window for it once per
// cell cost a thousand window queries per full repaint.
#pragma once

#include "../model/TzGridCtrl.h"

namespace TzGrid::Render {

// DrawCell's work with the last visible column already known; with
// lastVisibleCol null it is asked of the control where DrawCell asks it.
void DrawCellKnowing(CTzGridCtrl& grid, const CGridCell* pCell, const CRect* pRect, CDC* pDC, const int* lastVisibleCol);

}  // namespace TzGrid::Render

// What the painter tells the cell drawer once per paint. The last visible
// column depends only on the client area, the scroll position and the
// widths, none of which a paint changes; asking the window for it once per
// cell cost a thousand window queries per full repaint.
#pragma once

#include "../model/TzGridCtrl.h"

namespace TzGrid::Render {

// What one paint knows across its cells.
struct PaintPass {
  int lastVisibleCol = 0;
  // A row can be drawn twice in one paint (in the header band and among
  // the scrolled rows, when the fixed rows reach past the top row). The
  // editor goes over the first place its cell is drawn: moved back and
  // forth, it would make the window due for another paint, for ever.
  bool editorPlaced = false;
};

// DrawCell's work within a paint; with pass null (a redraw outside
// painting) the last visible column is asked of the control where DrawCell
// asks it.
void DrawCellKnowing(CTzGridCtrl& grid, const CGridCell* pCell, const CRect* pRect, CDC* pDC, PaintPass* pass);

}  // namespace TzGrid::Render

// How a paint lays out the cells it gives out, walking rows and columns
// once and adding widths and heights as it goes, by the same rules as the
// geometry: the header band (the fixed rows) from the top of the control,
// the scrolled cells from the first scrolled position and the top row, both
// right of the fixed strip. The painter draws at these places and the step
// before painting makes its writes at them, so the two always agree.
//
// Rectangles are inclusive (right and bottom are the cell's last pixels) and
// handed to drawing operations that exclude right and bottom, so each
// cell's last pixel column and row stay free for the grid lines.
#pragma once

#include "../model/GridLayout.h"
#include "../model/LayoutMath.h"

namespace TzGrid::Render {

// The sums a paint needs before it walks, in the order the painter has
// always taken them (each raises where the layout cannot give it).
struct PaintFrame {
  int totalW = 0;  // every width, by column index
  int totalH = 0;  // every height
  int fixedCols = 0;
  int fixedRows = 0;
  int fixedW = 0;
  int fixedH = 0;
};

inline PaintFrame MeasureFrame(const CGridLayout& layout) {
  PaintFrame frame;
  frame.totalW = layout.ColumnWidthSum(0, layout.ColumnCount());
  frame.totalH = layout.RowHeightSum(0, layout.RowCount());
  frame.fixedCols = layout.FixedColsInUse();
  frame.fixedRows = layout.FixedRowsInUse();
  frame.fixedW = layout.FixedWidth();
  frame.fixedH = layout.FixedHeight();
  return frame;
}

// A cell one pixel wide or narrower leaves no room inside its grid line.
inline bool TooNarrowToDraw(const CRect& rc) { return SubPixels(rc.right, rc.left) <= 0; }

// Every cell of the header band from the first scrolled position up to the
// control's right edge, whatever the repaint area: visit(row, column index,
// rectangle), row by row, left to right.
template <typename Visit>
void WalkHeaderBand(const CGridLayout& layout, const PaintFrame& frame, const CRect& rcBounds, Visit&& visit) {
  const int count = layout.ColumnCount();
  int top = 0;
  for (int r = 0; r < frame.fixedRows; ++r) {
    const int bottom = SubPixels(AddPixels(top, layout.HeightOfRow(r)), 1);
    int right = SubPixels(frame.fixedW, 1);
    for (int p = layout.FirstScrolledPosition(); p < count; ++p) {
      const int left = AddPixels(right, 1);
      if (left > rcBounds.right) break;
      right = SubPixels(AddPixels(left, layout.WidthAtPosition(p)), 1);
      visit(r, layout.ColumnAtPosition(p), CRect(left, top, right, bottom));
    }
    top = AddPixels(bottom, 1);
  }
}

// Every scrolled cell that reaches into the repaint area, in the same way.
// Rows are walked from the top row until one starts below the area; within
// a row, positions until one starts right of it.
template <typename Visit>
void WalkScrolledCells(const CGridLayout& layout, const PaintFrame& frame, const CRect& rcInvalid, Visit&& visit) {
  const int rows = layout.RowCount();
  const int count = layout.ColumnCount();
  int bottom = SubPixels(frame.fixedH, 1);
  for (int r = layout.TopScrolledRow(); r < rows; ++r) {
    const int top = AddPixels(bottom, 1);
    bottom = SubPixels(AddPixels(top, layout.HeightOfRow(r)), 1);
    if (bottom < rcInvalid.top) continue;
    if (top > rcInvalid.bottom) break;
    int right = SubPixels(frame.fixedW, 1);
    for (int p = layout.FirstScrolledPosition(); p < count; ++p) {
      const int left = AddPixels(right, 1);
      right = SubPixels(AddPixels(left, layout.WidthAtPosition(p)), 1);
      if (left > rcInvalid.right) break;
      if (right < rcInvalid.left) continue;
      visit(r, layout.ColumnAtPosition(p), CRect(left, top, right, bottom));
    }
  }
}

}  // namespace TzGrid::Render

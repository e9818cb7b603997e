// What the grid tells the platform's accessibility layer as it happens: the
// focus cell moved, a cell's text changed, the shape of the table changed.
// The platform turns these into the events a screen reader listens to; the
// grid only says what happened, at the moment it happened.
#pragma once

namespace TzGrid {
class CTzGridCtrl;
}

namespace TzGrid::Access {

class CAccessEvents {
 public:
  // The focus cell is another one (or none).
  virtual void FocusMoved() = 0;
  // The text of the cell at (row index, column index) was written, and the
  // cell is the focus cell or in view.
  virtual void TextChanged(int nRow, int nCol) = 0;
  // Columns moved or the counts changed: child ids now name other cells.
  virtual void ShapeChanged() = 0;

 protected:
  ~CAccessEvents() = default;
};

// The grid's side: each tells the listener the grid holds, if any.
void NotifyFocusMoved(const CTzGridCtrl& grid);
void NotifyTextChanged(const CTzGridCtrl& grid, int nRow, int nCol);
void NotifyShapeChanged(const CTzGridCtrl& grid);

}  // namespace TzGrid::Access

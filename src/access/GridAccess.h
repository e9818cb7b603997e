// What a screen reader is told about the grid, worked out from the grid's
// own state: the table and its children (every cell, header cells
// included), their roles, names, descriptions, states and places, what lies
// under a point, where navigation leads and which cell has the focus.
//
// A child id names a cell by its row index and its display position, row
// by row: id = 1 + row x columns + position (0 is the table itself). Ids
// are worked out in 64 bits and are at most 2^31 - 1, what a LONG holds; a
// grid of more cells than that exposes its first rows as far as whole rows
// fit, and says so in its child count. Nothing here makes a cell: untouched
// cells are read as new ones.
#pragma once

#include <cstdint>
#include <optional>

#include "../model/TzGridCtrl.h"

namespace TzGrid::Access {

using ChildId = std::int32_t;
constexpr ChildId kTableItself = 0;  // CHILDID_SELF
constexpr std::int64_t kLargestChildId = 0x7FFFFFFF;

// Active Accessibility's own values, so that the platform passes them on.
enum Role : long {
  kRoleTable = 0x18,
  kRoleColumnHeader = 0x19,
  kRoleRowHeader = 0x1A,
  kRoleCell = 0x1D,
};
enum State : long {
  kStateSelected = 0x2,
  kStateFocused = 0x4,
  kStateReadOnly = 0x40,
  kStateInvisible = 0x8000,
  kStateOffscreen = 0x10000,
  kStateFocusable = 0x100000,
  kStateSelectable = 0x200000,
};
enum class Direction { kUp, kDown, kLeft, kRight, kNext, kPrevious, kFirstChild, kLastChild };

// A cell as the accessible tree names it.
struct CellPlace {
  int row;  // row index
  int pos;  // display position
};

// A rectangle in client pixels: left, top, width, height. Cells scrolled
// off lie where the scroll put them (left of or above the client area, or
// past its end) and are not on screen.
struct Placement {
  std::int64_t left = 0, top = 0, width = 0, height = 0;
  bool onScreen = false;
};

class CGridAccess {
 public:
  explicit CGridAccess(const CTzGridCtrl& grid) noexcept : m_grid(grid) {}

  // ---- children
  // Rows whose cells all have ids (every row, but in a grid of more than
  // 2^31 - 1 cells).
  int ExposedRows() const noexcept;
  ChildId ChildCount() const noexcept;
  std::optional<CellPlace> CellOfChild(std::int64_t id) const noexcept;
  // 0 when the cell is outside the grid or beyond the exposed rows.
  ChildId ChildOfCell(CellPlace place) const noexcept;
  ChildId ChildOfColumnIndex(int row, int col) const;

  // ---- what one cell is
  Role RoleOf(CellPlace place) const;
  // The text as the grid shows it (a header with its sort mark); the value
  // is the stored text.
  CString NameOf(CellPlace place) const;
  CString ValueOf(CellPlace place) const;
  // Where the cell is, under which headers: "Population (D), row 12".
  CString DescriptionOf(CellPlace place) const;
  long StateOf(CellPlace place, bool keyboardFocus) const;
  static long TableState(bool keyboardFocus) noexcept;
  Placement PlacementOf(CellPlace place) const;
  // The focus cell can be put on it (every cell but a header cell).
  bool CanTakeFocus(CellPlace place) const;
  // The user can edit it in place: the default action "Edit".
  bool IsEditable(CellPlace place) const;

  // ---- the tree as a whole
  // The child whose placement holds the client point; the table itself
  // for a point on the client area off every cell; nullopt off the client
  // area.
  std::optional<ChildId> HitTest(std::int64_t x, std::int64_t y) const;
  // Where a step from a child (or from the table, for the first and last
  // child) leads; 0 when nowhere. Left and right go in display order and
  // step over zero-width columns, up and down over zero-height rows, as
  // the keyboard does; unlike the keyboard they reach the header cells.
  ChildId Navigate(ChildId from, Direction direction) const;
  // The focus cell's child, 0 when there is none.
  ChildId FocusChild() const;
  // The cell (row index, column index) is the focus cell or is shown, at
  // least in part: what a screen reader could notice changing. Cheap, as a
  // host filling a million rows below the view asks for every cell.
  bool IsInView(int row, int col) const;

 private:
  CGridCell Find(CellPlace place) const;
  int ColumnOf(CellPlace place) const;
  bool InFixedColumn(CellPlace place) const;
  CString ColumnHeaderText(int pos) const;
  CString RowHeaderText(int row) const;
  std::int64_t RowTop(int row) const;
  std::int64_t ColumnLeft(int pos) const;

  const CTzGridCtrl& m_grid;
};

// ---- what a screen reader may do, as the user would do it

// Moves the focus cell to the place as a keyboard move does (the edit in
// progress ends with GridCellExited, the cell is scrolled into view, the
// listener hears of the move); false for a cell that cannot take the focus.
bool TakeFocus(CTzGridCtrl& grid, CellPlace place);
// Opens the in-place editor on the cell, as a double click does, after
// scrolling it into view; false for a cell that is not editable.
bool OpenEditor(CTzGridCtrl& grid, CellPlace place);

}  // namespace TzGrid::Access

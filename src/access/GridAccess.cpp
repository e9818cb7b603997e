#include "GridAccess.h"

#include <algorithm>
#include <string>

#include "../input/InputSteps.h"
#include "AccessEvents.h"

namespace TzGrid::Access {

namespace {

// A description names at most this many header rows or columns: a host
// may make thousands of rows fixed, and a screen reader reads every word.
constexpr int kHeaderLinesRead = 8;

CString Ascii(const std::string& text) {
  return CString(std::u16string(text.begin(), text.end()));
}

CString RowLabel(int row) { return Ascii("row " + std::to_string(std::int64_t(row) + 1)); }
CString ColumnLabel(int pos) { return Ascii("column " + std::to_string(std::int64_t(pos) + 1)); }

void AppendPart(CString& text, const CString& part, std::u16string_view separator) {
  if (part.IsEmpty()) return;
  if (!text.IsEmpty()) text += separator;
  text += part;
}

// The header's text as the painter shows it, with its sort mark.
CString HeaderTextWithSortMark(const CCellText& cellText, const CCellAttributes& attributes) {
  CString text = cellText.ToString();
  if (attributes.nSortState == 1) {
    text += std::u16string_view(u"(A)");
  } else if (attributes.nSortState == 2) {
    text += std::u16string_view(u" (D)");
  }
  return text;
}

}  // namespace

// ---- children

int CGridAccess::ExposedRows() const noexcept {
  const std::int64_t rows = m_grid.m_nRows;
  const std::int64_t cols = m_grid.m_nCols;
  if (rows <= 0 || cols <= 0) return 0;
  return int(std::min(rows, kLargestChildId / cols));
}

ChildId CGridAccess::ChildCount() const noexcept {
  return ChildId(std::int64_t(ExposedRows()) * std::int64_t(std::max(m_grid.m_nCols, 0)));
}

std::optional<CellPlace> CGridAccess::CellOfChild(std::int64_t id) const noexcept {
  if (id < 1 || id > ChildCount()) return std::nullopt;
  const std::int64_t index = id - 1;
  const std::int64_t cols = m_grid.m_nCols;
  return CellPlace{int(index / cols), int(index % cols)};
}

ChildId CGridAccess::ChildOfCell(CellPlace place) const noexcept {
  if (place.row < 0 || place.row >= ExposedRows() || place.pos < 0 || place.pos >= m_grid.m_nCols) return 0;
  return ChildId(1 + std::int64_t(place.row) * m_grid.m_nCols + place.pos);
}

ChildId CGridAccess::ChildOfColumnIndex(int row, int col) const {
  const int pos = m_grid.FindDisplayPosition(col);
  return pos < 0 ? 0 : ChildOfCell(CellPlace{row, pos});
}

// ---- one cell

int CGridAccess::ColumnOf(CellPlace place) const {
  // A host writing the order entry by entry may leave a position naming
  // no column: that place has no cell.
  if (place.pos < 0 || place.pos >= m_grid.m_layout.ColumnCount()) return -1;
  const int col = m_grid.m_layout.ColumnAtPosition(place.pos);
  return col >= 0 && col < m_grid.m_nCols ? col : -1;
}

CGridCell CGridAccess::Find(CellPlace place) const {
  const int col = ColumnOf(place);
  if (col < 0 || place.row < 0 || place.row >= m_grid.m_nRows) return CGridCell();
  return CGridCell(place.row, col);
}

bool CGridAccess::InFixedColumn(CellPlace place) const {
  const int col = ColumnOf(place);
  return col >= 0 && col < m_grid.FixedColsInUse();
}

Role CGridAccess::RoleOf(CellPlace place) const {
  if (place.row < m_grid.FixedRowsInUse()) return kRoleColumnHeader;
  if (InFixedColumn(place)) return kRoleRowHeader;
  return kRoleCell;
}

CString CGridAccess::NameOf(CellPlace place) const {
  const CGridCell cell = Find(place);
  if (!cell) return CString();
  // Only the header band draws header cells as headers.
  const CCellAttributes& attributes = m_grid.CellAttributes(cell);
  if (attributes.bHeader && RoleOf(place) == kRoleColumnHeader) {
    return HeaderTextWithSortMark(m_grid.CellText(cell), attributes);
  }
  return m_grid.CellText(cell).ToString();
}

CString CGridAccess::ValueOf(CellPlace place) const {
  const CGridCell cell = Find(place);
  return cell ? m_grid.CellText(cell).ToString() : CString();
}

CString CGridAccess::ColumnHeaderText(int pos) const {
  CString text;
  const int lines = std::min(m_grid.FixedRowsInUse(), kHeaderLinesRead);
  for (int row = 0; row < lines; ++row) AppendPart(text, NameOf(CellPlace{row, pos}), u" ");
  return text;
}

CString CGridAccess::RowHeaderText(int row) const {
  CString text;
  const int lines = std::min(m_grid.FixedColsInUse(), kHeaderLinesRead);
  for (int col = 0; col < lines; ++col) {
    AppendPart(text, m_grid.CellText(CGridCell(row, col)), u" ");
  }
  return text;
}

CString CGridAccess::DescriptionOf(CellPlace place) const {
  switch (RoleOf(place)) {
    case kRoleColumnHeader:
      return ColumnLabel(place.pos);
    case kRoleRowHeader:
      return RowLabel(place.row);
    default:
      break;
  }
  // Moving down a column, a screen reader says the header once and then
  // only what changes.
  CString text = ColumnHeaderText(place.pos);
  if (text.IsEmpty()) text = ColumnLabel(place.pos);
  AppendPart(text, RowHeaderText(place.row), u", ");
  AppendPart(text, RowLabel(place.row), u", ");
  return text;
}

bool CGridAccess::CanTakeFocus(CellPlace place) const {
  if (ColumnOf(place) < 0) return false;
  const CGridCell cell = Find(place);
  return !(cell && m_grid.CellAttributes(cell).bHeader);
}

bool CGridAccess::IsEditable(CellPlace place) const {
  if (!CanTakeFocus(place) || InFixedColumn(place)) return false;
  const CGridCell cell = Find(place);
  return !(cell && m_grid.CellAttributes(cell).bReadOnly);
}

long CGridAccess::StateOf(CellPlace place, bool keyboardFocus) const {
  long state = 0;
  const CGridCell cell = Find(place);
  if (CanTakeFocus(place)) state |= kStateFocusable | kStateSelectable;
  if (cell && m_grid.CellAttributes(cell).bReadOnly) state |= kStateReadOnly;
  if (keyboardFocus && cell && cell == m_grid.m_focusCell) state |= kStateFocused | kStateSelected;
  if (!PlacementOf(place).onScreen) state |= kStateInvisible | kStateOffscreen;
  return state;
}

long CGridAccess::TableState(bool keyboardFocus) noexcept {
  return kStateFocusable | (keyboardFocus ? long(kStateFocused) : 0L);
}

// ---- places

std::int64_t CGridAccess::RowTop(int row) const {
  if (row < m_grid.FixedRowsInUse()) return m_grid.RowHeightSum(0, row);
  const std::int64_t fixedHeight = m_grid.m_layout.FixedHeight();
  const int top = m_grid.m_layout.TopScrolledRow();
  // Rows scrolled off above lie above the band's bottom edge.
  if (row >= top) return fixedHeight + m_grid.RowHeightSum(top, row);
  return fixedHeight - m_grid.RowHeightSum(row, top);
}

std::int64_t CGridAccess::ColumnLeft(int pos) const {
  std::int64_t left = m_grid.m_layout.FixedWidth();
  const int first = m_grid.m_layout.FirstScrolledPosition();
  if (pos >= first) {
    for (int p = std::max(first, 0); p < pos; ++p) left += m_grid.m_layout.WidthAtPosition(p);
  } else {
    for (int p = pos; p < first; ++p) left -= m_grid.m_layout.WidthAtPosition(p);
  }
  return left;
}

Placement CGridAccess::PlacementOf(CellPlace place) const {
  Placement where;
  const int col = ColumnOf(place);
  if (col < 0 || place.row < 0 || place.row >= m_grid.m_nRows) return where;
  CRect client;
  m_grid.GetClientRect(&client);

  where.top = RowTop(place.row);
  where.height = m_grid.m_layout.HeightOfRow(place.row);
  const bool rowShown = place.row < m_grid.FixedRowsInUse() || place.row >= m_grid.m_layout.TopScrolledRow();
  bool columnShown = true;
  if (InFixedColumn(place)) {
    // The fixed strip: its frames stand in the same place whatever the scroll.
    where.left = m_grid.ColumnWidthSum(0, col);
    where.width = m_grid.m_layout.WidthOfColumn(col);
  } else {
    where.left = ColumnLeft(place.pos);
    where.width = m_grid.m_layout.WidthAtPosition(place.pos);
    columnShown = place.pos >= m_grid.m_layout.FirstScrolledPosition();
  }
  where.onScreen = rowShown && columnShown && where.width > 0 && where.height > 0 && where.left < client.Width() &&
                   where.top < client.Height() && where.left + where.width > 0 && where.top + where.height > 0;
  return where;
}

std::optional<ChildId> CGridAccess::HitTest(std::int64_t x, std::int64_t y) const {
  CRect client;
  m_grid.GetClientRect(&client);
  if (x < 0 || y < 0 || x >= client.Width() || y >= client.Height()) return std::nullopt;
  const CGridLayout& layout = m_grid.m_layout;

  // The row whose span [top, top + height) holds y: the first whose
  // running bottom edge passes y.
  int row = -1;
  const int fixedRows = m_grid.FixedRowsInUse();
  const int fixedHeight = layout.FixedHeight();
  if (y < fixedHeight) {
    const int r = layout.FindRowPassingWithin(fixedRows, 0, 0, int(y));
    if (r < fixedRows) row = r;
  } else {
    const int r = layout.FindRowPassing(layout.TopScrolledRow(), fixedHeight, int(y));
    if (r < m_grid.m_nRows) row = r;
  }

  // The fixed strip answers its row's header cell there; right of it,
  // the scrolled positions lie side by side.
  int pos = -1;
  const int fixedWidth = layout.FixedWidth();
  if (x < fixedWidth) {
    const int col = layout.FindColumnPassing(int(x));
    if (col < m_grid.FixedColsInUse()) pos = layout.PositionOfColumn(col);
  } else {
    std::int64_t right = fixedWidth;
    for (int p = std::max(layout.FirstScrolledPosition(), 0); p < m_grid.m_nCols && right <= x; ++p) {
      right += layout.WidthAtPosition(p);
      if (x < right) pos = p;
    }
  }
  if (row < 0 || pos < 0) return kTableItself;
  return ChildOfCell(CellPlace{row, pos});
}

ChildId CGridAccess::Navigate(ChildId from, Direction direction) const {
  const ChildId count = ChildCount();
  if (from == kTableItself) {
    if (direction == Direction::kFirstChild) return count > 0 ? 1 : 0;
    if (direction == Direction::kLastChild) return count;
    return 0;
  }
  std::optional<CellPlace> place = CellOfChild(from);
  if (!place) return 0;
  const CGridLayout& layout = m_grid.m_layout;
  auto widthAt = [&](int p) { return ColumnOf(CellPlace{0, p}) < 0 ? 0u : layout.WidthAtPosition(p); };
  switch (direction) {
    case Direction::kLeft: {
      int q = place->pos - 1;
      while (q >= 0 && widthAt(q) == 0) --q;
      return q < 0 ? 0 : ChildOfCell(CellPlace{place->row, q});
    }
    case Direction::kRight: {
      int q = place->pos + 1;
      while (q < m_grid.m_nCols && widthAt(q) == 0) ++q;
      return q >= m_grid.m_nCols ? 0 : ChildOfCell(CellPlace{place->row, q});
    }
    case Direction::kUp: {
      int r = place->row - 1;
      while (r >= 0 && layout.HeightOfRow(r) == 0) --r;
      return r < 0 ? 0 : ChildOfCell(CellPlace{r, place->pos});
    }
    case Direction::kDown: {
      const int rows = ExposedRows();
      int r = place->row + 1;
      while (r < rows && layout.HeightOfRow(r) == 0) ++r;
      return r >= rows ? 0 : ChildOfCell(CellPlace{r, place->pos});
    }
    case Direction::kNext:
      return from < count ? from + 1 : 0;
    case Direction::kPrevious:
      return from > 1 ? from - 1 : 0;
    default:  // a cell has no children
      return 0;
  }
}

ChildId CGridAccess::FocusChild() const {
  const CGridCell focus = m_grid.m_focusCell;
  return focus ? ChildOfColumnIndex(focus.m_nRow, focus.m_nCol) : 0;
}

bool CGridAccess::IsInView(int row, int col) const {
  if (m_grid.m_focusCell == CGridCell(row, col)) return true;
  // The cheap test first: rows scrolled off above need no window.
  const bool fixedRow = row < m_grid.FixedRowsInUse();
  if (!fixedRow && row < m_grid.m_nTopRow) return false;
  if (!m_grid.IsWindow() || (!fixedRow && row > m_grid.GetLastVisibleRow())) return false;
  if (col < m_grid.FixedColsInUse()) return true;
  const int pos = m_grid.FindDisplayPosition(col);
  return pos >= m_grid.m_nFirstCol && pos <= m_grid.GetLastVisibleColumn();
}

// ---- actions

namespace {

// The scroll that puts row at the top of the scrolled rows, as the thumb
// would: the scroll position is the height of the rows scrolled past.
void ScrollRowToTop(CTzGridCtrl& grid, int row) {
  grid.m_nTopRow = row;
  grid.m_nVScrollPos = grid.RowHeightSum(grid.FixedRowsInUse(), row);
  grid.SetScrollPos(SB_VERT, grid.m_nVScrollPos, TRUE);
  grid.InvalidateControl(nullptr, TRUE);
}

// A jump of any length: a keyboard move steps one row or column, a screen
// reader may go from the first row to the millionth.
void BringIntoView(CTzGridCtrl& grid, CellPlace place, int col) {
  if (place.row >= grid.FixedRowsInUse() &&
      (place.row < grid.m_nTopRow || place.row > grid.GetLastVisibleRow() - 1)) {
    ScrollRowToTop(grid, place.row);
  }
  const bool fixedColumn = col < grid.FixedColsInUse();
  if (!fixedColumn && (place.pos < grid.m_nFirstCol || place.pos >= grid.GetLastVisibleColumn())) {
    grid.SetFirstVisibleColumn(col + 1);
  }
}

}  // namespace

bool TakeFocus(CTzGridCtrl& grid, CellPlace place) {
  CGridAccess access(grid);
  if (!access.CanTakeFocus(place) || !access.ChildOfCell(place)) return false;
  const int col = grid.m_layout.ColumnAtPosition(place.pos);
  if (grid.GetCell(place.row, col) == grid.m_focusCell && !grid.m_bEditMode) {
    BringIntoView(grid, place, col);
    return true;
  }
  // The steps of a keyboard move: the edit ends and is reported, the old
  // cell loses its frame, the view follows, the new cell gets the frame.
  Input::KillEditorFocus(grid);
  if (grid.m_bEditMode && grid.m_focusCell) {
    Input::FireCellExited(grid, grid.m_focusCell.m_nRow, grid.m_focusCell.m_nCol);
  }
  // The host's handler may have rebuilt the matrix meanwhile.
  if (!access.ChildOfCell(place) || grid.m_layout.ColumnAtPosition(place.pos) != col) return false;
  const CGridCell target = grid.GetCell(place.row, col);
  grid.m_bEditMode = 0;
  if (Input::MoveFocusFrame(grid, target, [&] { BringIntoView(grid, place, col); }) != target) {
    NotifyFocusMoved(grid);
  }
  return true;
}

bool OpenEditor(CTzGridCtrl& grid, CellPlace place) {
  CGridAccess access(grid);
  if (!access.IsEditable(place)) return false;
  const int col = grid.m_layout.ColumnAtPosition(place.pos);
  BringIntoView(grid, place, col);
  Input::StartDoubleClickEdit(grid, grid.GetCell(place.row, col));
  return true;
}

// ---- the grid's side of the events

void NotifyFocusMoved(const CTzGridCtrl& grid) {
  if (grid.m_pAccessEvents) grid.m_pAccessEvents->FocusMoved();
}

void NotifyTextChanged(const CTzGridCtrl& grid, int nRow, int nCol) {
  // Text written where nobody can see it (a host filling rows below the
  // view) is not announced: a screen reader would not speak it, and the
  // system's event costs more than the write itself.
  if (grid.m_pAccessEvents && CGridAccess(grid).IsInView(nRow, nCol)) grid.m_pAccessEvents->TextChanged(nRow, nCol);
}

void NotifyShapeChanged(const CTzGridCtrl& grid) {
  if (grid.m_pAccessEvents) grid.m_pAccessEvents->ShapeChanged();
}

}  // namespace TzGrid::Access

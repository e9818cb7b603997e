// Construction, destruction and the cell matrix.
#include "TzGridCtrl.h"

#include <algorithm>
#include <new>
#include <vector>

namespace TzGrid {

namespace {
// Interface ids handed to the framework; the module defines the real GUIDs,
// the portable core only needs stable addresses.
const int kPrimaryDispatchTag = 0;
const int kEventDispatchTag = 0;

// A request for more cells than this is refused before anything changes:
// the matrix would not fit in memory anyway, and a half-built one must
// never be left behind.
constexpr std::int64_t kMaxCells = std::int64_t(1) << 28;
// After a column shrink the order map holds nCols entries and is a
// permutation again: the surviving columns keep the relative order of their
// first entries; entries of removed columns and repeated entries go. A map
// the host wrote entry by entry may miss surviving columns: they follow at
// the end, in index order. For a map that was a permutation this only drops
// the removed columns. Works in place (the map is longer than nCols) with
// the flags the reservation set aside, so it cannot fail.
void KeepOrderAfterShrink(CUIntArray& order, int nCols, std::vector<bool>& listed) {
  int kept = 0;
  for (int p = 0; p < order.GetSize(); ++p) {
    UINT col = order.GetAt(p);
    if (col < UINT(nCols) && !listed[col]) {
      listed[col] = true;
      order.SetAt(kept++, col);
    }
  }
  for (int col = 0; col < nCols; ++col) {
    if (!listed[std::size_t(col)]) order.SetAt(kept++, UINT(col));
  }
  order.SetSize(nCols);
}

}  // namespace

CTzGridCtrl::CTzGridCtrl() {
  // Step 1 (fields at zero, empty arrays, no focus) is done by the member
  // initialisers.
  InitializeIIDs(&kPrimaryDispatchTag, &kEventDispatchTag);
  EnableSimpleFrame();
  SetBorderStyle(1);

  m_nDefRowHeight = 20;
  m_nDefColWidth = 50;
  m_nFixedCols = 0;
  m_nFixedRows = 1;
  m_nCols = 0;
  m_nRows = 0;
  m_nFirstCol = 0;
  m_nTopRow = 1;

  ResizeGrid(5, 5);

  m_clrBack = GetSysColor(COLOR_WINDOW);
  m_clrEmptyArea = GetSysColor(COLOR_BTNSHADOW);

  m_lfDefault = LOGFONTW{};
  m_lfDefault.lfHeight = 80;
  std::char_traits<char16_t>::copy(m_lfDefault.lfFaceName, u"Arial", 6);
  m_fontDefault.CreatePointFontIndirect(&m_lfDefault, nullptr);

  LOGFONTW lfBold{};
  lfBold.lfHeight = 80;
  lfBold.lfWeight = FW_BOLD;
  std::char_traits<char16_t>::copy(lfBold.lfFaceName, u"Arial", 6);
  m_fontBold.CreatePointFontIndirect(&lfBold, nullptr);
}

CTzGridCtrl::~CTzGridCtrl() {
  StopAutoScrollWorker();
  FreeAllCells();
  m_fontDefault.DeleteObject();
  m_fontBold.DeleteObject();
  // The remaining members (rows array, fonts, editor, layout arrays) are
  // destroyed by the language in the reverse order of their declaration.
}

CGridCell* CTzGridCtrl::NewCell(int nRow, int nCol) {
  return new (m_cellSlots.Allocate()) CGridCell(nRow, nCol);
}

void CTzGridCtrl::DeleteCell(CGridCell* cell) noexcept {
  if (!cell) return;
  cell->~CGridCell();
  m_cellSlots.Free(cell);
}

CGridRow* CTzGridCtrl::NewRow() { return new (m_rowSlots.Allocate()) CGridRow; }

void CTzGridCtrl::DeleteRow(CGridRow* row) noexcept {
  if (!row) return;
  row->~CGridRow();
  m_rowSlots.Free(row);
}

// What ResizeGrid needs beyond the memory it already holds: cell and row
// slots, the new rows with room for every cell pointer, room in the layout
// arrays. Taking it all first means a refusal leaves the grid untouched,
// and the resize itself cannot fail half-way.
struct CTzGridCtrl::ResizeReservation {
  explicit ResizeReservation(CTzGridCtrl& grid) : owner(grid) {}
  ResizeReservation(const ResizeReservation&) = delete;
  ResizeReservation& operator=(const ResizeReservation&) = delete;
  // Whatever was not used goes back (all of it after a refusal).
  ~ResizeReservation() {
    for (std::size_t i = nextRow; i < newRows.size(); ++i) owner.DeleteRow(newRows[i]);
    owner.m_cellSlots.ReleaseReservation();
    owner.m_rowSlots.ReleaseReservation();
  }
  CGridRow* TakeRow() { return newRows[nextRow++]; }

  CTzGridCtrl& owner;
  std::vector<CGridRow*> newRows;
  std::size_t nextRow = 0;
  std::vector<bool> columnListed;  // for a column shrink: one flag per surviving column
};

void CTzGridCtrl::ReserveForResize(int nCols, int nRows, ResizeReservation& reservation) {
  const std::int64_t addedRows = nRows > m_nRows ? std::int64_t(nRows) - m_nRows : 0;
  const std::int64_t addedCols = nCols > m_nCols ? std::int64_t(nCols) - m_nCols : 0;
  const std::int64_t addedCells = addedRows * m_nCols + addedCols * nRows;
  // A matrix the system cannot hold is refused before anything is taken:
  // on a system that promises more than it has, running into the limit half
  // way would end the host process, not raise an exception.
  constexpr std::uint64_t kBytesPerCell = sizeof(CGridCell) + sizeof(CGridCell*);
  constexpr std::uint64_t kBytesPerRow = sizeof(CGridRow) + sizeof(CGridRow*) + sizeof(UINT) + 32;
  const std::uint64_t wanted = std::uint64_t(addedCells) * kBytesPerCell + std::uint64_t(addedRows) * kBytesPerRow;
  if (wanted > AfxGetAvailableMemory()) AfxThrowMemoryException();

  try {
    m_cellSlots.Reserve(std::size_t(addedCells));
    m_rowSlots.Reserve(std::size_t(addedRows));
    if (addedRows) {
      m_arRows.Reserve(nRows);
      m_arRowHeights.Reserve(nRows);
      reservation.newRows.reserve(std::size_t(addedRows));
      for (std::int64_t i = 0; i < addedRows; ++i) {
        reservation.newRows.push_back(NewRow());
        reservation.newRows.back()->Reserve(std::max(nCols, m_nCols));
      }
    }
    if (nCols < m_nCols) reservation.columnListed.assign(std::size_t(nCols), false);
    if (addedCols) {
      m_arColWidths.Reserve(nCols);
      m_arColOrder.Reserve(nCols);
      for (int r = 0; r < m_nRows && r < nRows; ++r) m_arRows.GetAt(r)->Reserve(nCols);
    }
  } catch (const std::bad_alloc&) {
    AfxThrowMemoryException();
  }
}

CGridCell* CTzGridCtrl::GetCell(int nRow, int nCol) const {
  CGridRow* row = m_arRows.GetAt(nRow);
  if (!row) AfxThrowInvalidArgException("row " + std::to_string(nRow) + " has no cells");
  CGridCell* cell = row->GetAt(nCol);
  if (!cell) AfxThrowInvalidArgException("cell (" + std::to_string(nRow) + ", " + std::to_string(nCol) + ") is missing");
  return cell;
}

int CTzGridCtrl::FixedRowsInUse() const noexcept {
  return m_nFixedRows < 0 ? 0 : m_nFixedRows > m_nRows ? m_nRows : m_nFixedRows;
}

int CTzGridCtrl::FixedColsInUse() const noexcept {
  return m_nFixedCols < 0 ? 0 : m_nFixedCols > m_nCols ? m_nCols : m_nFixedCols;
}

void CTzGridCtrl::ResizeGrid(int nCols, int nRows) {
  if (nCols == m_nCols && nRows == m_nRows) return;
  // Counts below zero are outside the model: refused before any change.
  if (nCols < 0 || nRows < 0) {
    AfxThrowInvalidArgException("a grid of " + std::to_string(nCols) + " columns and " + std::to_string(nRows) +
                                " rows cannot be made: counts must be 0 or more");
  }
  if (nCols == 0 || nRows == 0) {
    FreeAllCells();
    m_nRows = 0;
    m_nCols = 0;
    m_pFocusCell = nullptr;
    return;
  }
  if (std::int64_t(nCols) * nRows > kMaxCells) {
    AfxThrowMemoryException();
  }
  ResizeReservation reservation(*this);
  ReserveForResize(nCols, nRows, reservation);
  // From here on every allocation comes out of the reservation.

  // Rows first, so that the column step works on the final set of rows.
  if (m_nRows > nRows) {
    for (int r = m_nRows - 1; r >= nRows; --r) {
      CGridRow* row = m_arRows.GetAt(r);
      for (int c = m_nCols - 1; c >= 0; --c) {
        CGridCell* cell = row->GetAt(c);
        if (cell == m_pFocusCell) m_pFocusCell = nullptr;
        DeleteCell(cell);
        row->RemoveAt(c);
      }
      m_arRows.RemoveAt(r);
      DeleteRow(row);
    }
    m_arRows.SetSize(nRows);
    m_nRows = nRows;
    m_arRowHeights.SetSize(nRows);
  } else {
    int oldRows = m_nRows;
    m_arRows.SetSize(nRows);
    m_arRowHeights.SetSize(nRows);
    for (int r = oldRows; r < nRows; ++r) {
      CGridRow* row = reservation.TakeRow();
      m_arRowHeights.SetAt(r, UINT(m_nDefRowHeight));
      row->SetSize(m_nCols);
      for (int c = 0; c < m_nCols; ++c) row->SetAt(c, NewCell(r, c));
      m_arRows.SetAt(r, row);
    }
    m_nRows = nRows;
  }

  if (m_nCols > nCols) {
    for (int r = 0; r < m_nRows; ++r) {
      CGridRow* row = m_arRows.GetAt(r);
      for (int c = m_nCols - 1; c >= nCols; --c) {
        CGridCell* cell = row->GetAt(c);
        if (cell == m_pFocusCell) m_pFocusCell = nullptr;
        DeleteCell(cell);
        row->RemoveAt(c);
      }
    }
    m_nCols = nCols;
    m_arColWidths.SetSize(nCols);
    KeepOrderAfterShrink(m_arColOrder, nCols, reservation.columnListed);
  } else {
    int oldCols = m_nCols;
    m_arColWidths.SetSize(nCols);
    m_arColOrder.SetSize(nCols);
    for (int r = 0; r < m_nRows; ++r) {
      CGridRow* row = m_arRows.GetAt(r);
      row->SetSize(nCols);
      for (int c = oldCols; c < nCols; ++c) row->SetAt(c, NewCell(r, c));
    }
    for (int c = oldCols; c < nCols; ++c) {
      m_arColWidths.SetAt(c, UINT(m_nDefColWidth));
      m_arColOrder.SetAt(c, UINT(c));
    }
    m_nCols = nCols;
  }

  if (m_nFirstCol > m_nCols - 1) {
    m_nFirstCol = 0;
    m_nHScrollPos = 0;
  }
  if (m_nTopRow > m_nRows - 1) {
    m_nTopRow = 0;
    m_nVScrollPos = 0;
  }
  UpdateScrollBars();
}

void CTzGridCtrl::FreeAllCells() {
  for (int r = m_nRows - 1; r >= 0; --r) {
    if (r >= m_arRows.GetSize()) continue;
    CGridRow* row = m_arRows.GetAt(r);
    if (!row) continue;
    for (int c = row->GetSize() - 1; c >= 0; --c) DeleteCell(row->GetAt(c));
    row->RemoveAll();
    DeleteRow(row);
  }
  m_arRows.RemoveAll();
  m_arColWidths.RemoveAll();
  m_arColOrder.RemoveAll();
  m_arRowHeights.RemoveAll();
}

}  // namespace TzGrid

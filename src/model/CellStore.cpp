#include "CellStore.h"

#include <new>

namespace TzGrid {

CCellStore::CCellStore() = default;

CCellStore::~CCellStore() { Clear(); }

CGridCell* CCellStore::Find(int nRow, int nCol) const {
  const CGridRow* row = m_rows.GetAt(nRow);
  if (!row) {
    AfxCheckIndex(nCol, m_nCols, "array");
    return nullptr;
  }
  return row->GetAt(nCol);
}

CGridCell* CCellStore::Make(int nRow, int nCol) {
  CGridRow* row = m_rows.GetAt(nRow);
  AfxCheckIndex(nCol, m_nCols, "array");
  if (!row) {
    row = NewRow();
    m_rows.SetAt(nRow, row);
  }
  CGridCell*& slot = row->ElementAt(nCol);
  if (!slot) slot = new (m_cellSlots.Allocate()) CGridCell(nRow, nCol);
  return slot;
}

CGridRow* CCellStore::NewRow() {
  CGridRow* row = new (m_rowSlots.Allocate()) CGridRow;
  try {
    row->SetSize(m_nCols);
  } catch (...) {
    DeleteRow(row);
    throw;
  }
  return row;
}

void CCellStore::DeleteRow(CGridRow* row) noexcept {
  if (!row) return;
  row->~CGridRow();
  m_rowSlots.Free(row);
}

void CCellStore::DeleteCells(CGridRow& row, int fromCol, CGridCell*& focus) noexcept {
  CGridCell** cells = row.GetData();
  for (int c = row.GetSize() - 1; c >= fromCol; --c) {
    CGridCell* cell = cells[c];
    if (!cell) continue;
    if (cell == focus) focus = nullptr;
    cell->~CGridCell();
    m_cellSlots.Free(cell);
    cells[c] = nullptr;
  }
}

void CCellStore::Reserve(int nCols, int nRows) {
  if (nRows > m_rows.GetSize()) m_rows.Reserve(nRows);
  if (nCols <= m_nCols) return;
  // Made rows that stay grow to the new width.
  const int keptRows = nRows < m_rows.GetSize() ? nRows : m_rows.GetSize();
  for (int r = 0; r < keptRows; ++r) {
    if (CGridRow* row = m_rows.GetAt(r)) row->Reserve(nCols);
  }
}

void CCellStore::Resize(int nCols, int nRows, CGridCell*& focus) noexcept {
  // Every step below shrinks, or grows into memory Reserve took.
  for (int r = m_rows.GetSize() - 1; r >= nRows; --r) {
    CGridRow* row = m_rows.GetAt(r);
    if (!row) continue;
    DeleteCells(*row, 0, focus);
    DeleteRow(row);
  }
  m_rows.SetSize(nRows);
  CGridRow** rows = m_rows.GetData();
  for (int r = 0; r < nRows; ++r) {
    CGridRow* row = rows[r];
    if (!row) continue;
    if (nCols < m_nCols) DeleteCells(*row, nCols, focus);
    row->SetSize(nCols);
  }
  m_nCols = nCols;
}

void CCellStore::Clear() noexcept {
  CGridCell* noFocus = nullptr;
  for (int r = m_rows.GetSize() - 1; r >= 0; --r) {
    CGridRow* row = m_rows.GetAt(r);
    if (!row) continue;
    DeleteCells(*row, 0, noFocus);
    DeleteRow(row);
  }
  m_rows.RemoveAll();
  m_nCols = 0;
}

}  // namespace TzGrid

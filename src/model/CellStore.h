// The cells of a grid: their texts, made a row at a time when first
// written, and their attributes, kept aside for the cells that have any.
//
// A cell nobody wrote to is seen by a host only through its creation values
// (empty text, colours 0, flags 0, item data 0), so the store makes no row
// until a member writes one of its texts. A made row holds its texts side by
// side, in column order, twelve bytes each (CellText.h), so a filled grid
// costs the texts and one row pointer per row; an empty million-row grid
// costs the row pointers only, and resizing costs what the made rows hold,
// not rows x columns. Cells are named by place (GridCell.h): a text stays
// where it is until the column count grows past what its row was made for,
// and then every made row moves to a wider block.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <unordered_map>
#include <vector>

#include "../framework/afx.h"
#include "CellAttributes.h"
#include "CellText.h"
#include "GridCell.h"
#include "GridExtent.h"

namespace TzGrid {

// The store's row entries: one pointer per row, null for a row not made.
// Its memory comes zeroed from the system's allocator and is written only
// where a row is made, so an empty million-row grid leaves the pages of its
// table untouched: they take address space, not memory. Entries past the
// size are kept null, so growing within the capacity writes nothing.
class CRowTable {
 public:
  CRowTable() noexcept = default;
  ~CRowTable() { std::free(m_entries); }
  CRowTable(const CRowTable&) = delete;
  CRowTable& operator=(const CRowTable&) = delete;

  int GetSize() const noexcept { return m_size; }
  CCellText* GetAt(int index) const {
    AfxCheckIndex(index, m_size, "array");
    return m_entries[index];
  }
  void SetAt(int index, CCellText* row) {
    AfxCheckIndex(index, m_size, "array");
    m_entries[index] = row;
  }
  CCellText** GetData() noexcept { return m_entries; }
  // Room for count entries. Raises the memory exception, with nothing
  // changed, when it cannot be had.
  void Reserve(int count);
  // To count entries within the room Reserve took: cannot fail. Entries
  // cut are forgotten (their rows are the caller's); entries added are null.
  void SetSize(int count) noexcept;
  void RemoveAll() noexcept;

 private:
  CCellText** m_entries = nullptr;
  int m_size = 0;
  int m_capacity = 0;
};

class CCellStore {
 public:
  // The counts are the grid's extent; the store keeps one row entry per row
  // and, in each made row, one cell per column.
  explicit CCellStore(const CGridExtent& extent);
  ~CCellStore();
  CCellStore(const CCellStore&) = delete;
  CCellStore& operator=(const CCellStore&) = delete;

  int RowCount() const noexcept { return m_extent.Rows(); }
  int ColumnCount() const noexcept { return m_extent.Columns(); }

  // The text of a cell: the empty text while its row has not been made.
  // Raises the invalid-argument exception for a place outside the store.
  const CCellText& Text(const CGridCell& cell) const;
  // The text of a cell to write, its row made with empty texts when it has
  // not been made yet. Raises the invalid-argument exception for a place
  // outside the store and the memory exception when the row cannot be made
  // (nothing is lost then).
  CCellText& TextToWrite(const CGridCell& cell) {
    // Inline: a host filling a grid comes through here for every cell.
    CCellText* row = m_rows.GetAt(cell.m_nRow);
    AfxCheckIndex(cell.m_nCol, ColumnCount(), "array");
    if (!row) row = MakeRow(cell.m_nRow);
    return row[cell.m_nCol];
  }
  // The row's texts in column order (ColumnCount() of them), or null for a
  // row not made. Raises the invalid-argument exception for a bad index.
  const CCellText* RowTexts(int nRow) const { return m_rows.GetAt(nRow); }
  CCellText* RowTexts(int nRow) { return m_rows.GetAt(nRow); }
  std::size_t MadeRowCount() const noexcept { return m_madeRows; }
  std::size_t MadeCellCount() const noexcept { return m_madeRows * std::size_t(ColumnCount()); }

  // The attributes of a cell: the creation values while none is set.
  // Raises the invalid-argument exception for a place outside the store.
  const CCellAttributes& Attributes(const CGridCell& cell) const;
  // Sets one attribute. A cell keeps an entry while any of its attributes
  // differs from its creation value, and none once all are back. Raises
  // the invalid-argument exception for a place outside the store and the
  // memory exception, with the cell unchanged, when the entry cannot be made.
  template <typename T>
  void SetAttribute(const CGridCell& cell, T CCellAttributes::*field, T value);
  std::size_t AttributedCellCount() const noexcept { return m_attributes.size(); }

  // A resize in two steps: Reserve takes every piece of memory the resize
  // needs (raising the memory exception, with nothing changed, when it
  // cannot), then Resize cannot fail. Both run while the extent still has
  // the old counts, which say how far the made rows are filled; the extent
  // takes the new counts after Resize. Texts and attributes outside the new
  // size are destroyed.
  void Reserve(int nCols, int nRows);
  void Resize(int nCols, int nRows) noexcept;
  // Destroys every cell and row, as the extent is about to become 0 x 0.
  void Clear() noexcept;

  // Bytes one made row of nCols columns takes, for the memory check before a resize.
  static std::size_t RowBytes(int nCols) noexcept { return std::size_t(nCols) * sizeof(CCellText); }

 private:
  class RowBlocks;

  CCellText* NewRow();
  CCellText* MakeRow(int nRow);
  void DeleteRow(CCellText* row) noexcept;
  void WidenRows(int nCols) noexcept;
  void DropWiderRows() noexcept;
  void DropAttributesOutside(int nCols, int nRows) noexcept;
  void CheckPlace(const CGridCell& cell) const;
  static std::uint64_t KeyOf(const CGridCell& cell) noexcept {
    return std::uint64_t(std::uint32_t(cell.m_nRow)) << 32 | std::uint32_t(cell.m_nCol);
  }

  const CGridExtent& m_extent;
  // One entry per row: the row's first text, or null for a row not made.
  CRowTable m_rows;
  std::size_t m_madeRows = 0;
  // Blocks of m_rowCapacity cells each; after a shrink rows keep their wider blocks.
  int m_rowCapacity = 0;
  std::unique_ptr<RowBlocks> m_blocks;
  // Taken by Reserve for a resize that widens the rows: the wider blocks, one per made row.
  std::unique_ptr<RowBlocks> m_widerBlocks;
  std::vector<void*> m_widerRows;
  // The cells with any attribute away from its creation value, by place.
  std::unordered_map<std::uint64_t, CCellAttributes> m_attributes;
};

template <typename T>
void CCellStore::SetAttribute(const CGridCell& cell, T CCellAttributes::*field, T value) {
  CheckPlace(cell);
  auto found = m_attributes.find(KeyOf(cell));
  if (found == m_attributes.end()) {
    if (value == CCellAttributes{}.*field) return;
    try {
      found = m_attributes.try_emplace(KeyOf(cell)).first;
    } catch (const std::bad_alloc&) {
      AfxThrowMemoryException();
    }
  }
  found->second.*field = value;
  if (found->second == CCellAttributes{}) m_attributes.erase(found);
}

}  // namespace TzGrid

#include "CellStore.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <iterator>
#include <memory>
#include <new>

namespace TzGrid {

// Storage for made rows of one size. Rows of the widths grids have come
// from slabs of 1 MB blocks (populated in one go, no heap header per row);
// a row too wide for a block to hold several goes to the heap on its own.
class CCellStore::RowBlocks {
 public:
  explicit RowBlocks(std::size_t rowBytes) : m_rowBytes(rowBytes) {
    if (rowBytes <= CFixedSlabAlloc::kBlockBytes / 8) m_slab = std::make_unique<CFixedSlabAlloc>(rowBytes);
  }
  void* Allocate() {
    if (m_slab) return m_slab->Allocate();
    try {
      return ::operator new(m_rowBytes);
    } catch (const std::bad_alloc&) {
      AfxThrowMemoryException();
    }
  }
  void Free(void* block) noexcept {
    if (m_slab) {
      m_slab->Free(block);
    } else {
      ::operator delete(block);
    }
  }

 private:
  std::size_t m_rowBytes;
  std::unique_ptr<CFixedSlabAlloc> m_slab;
};

void CRowTable::Reserve(int count) {
  if (count <= m_capacity) return;
  // Half as much again as asked, so that a host adding rows a few at a
  // time does not copy the table on every step.
  const int capacity = int(std::clamp<std::int64_t>(std::int64_t(m_capacity) * 3 / 2, count, INT_MAX));
  auto* entries = static_cast<CCellText**>(std::calloc(std::size_t(capacity), sizeof(CCellText*)));
  if (!entries) AfxThrowMemoryException();
  if (m_size > 0) std::memcpy(entries, m_entries, std::size_t(m_size) * sizeof(CCellText*));
  std::free(m_entries);
  m_entries = entries;
  m_capacity = capacity;
}

void CRowTable::SetSize(int count) noexcept {
  if (count < m_size) std::fill(m_entries + count, m_entries + m_size, nullptr);
  m_size = count;
}

void CRowTable::RemoveAll() noexcept {
  std::free(m_entries);
  m_entries = nullptr;
  m_size = m_capacity = 0;
}

CCellStore::CCellStore(const CGridExtent& extent) : m_extent(extent) {}

CCellStore::~CCellStore() { Clear(); }

namespace {
// What every cell of a row not made holds.
const CCellText kEmptyText;
const CCellAttributes kCreationAttributes;
}  // namespace

void CCellStore::CheckPlace(const CGridCell& cell) const {
  AfxCheckIndex(cell.m_nRow, RowCount(), "array");
  AfxCheckIndex(cell.m_nCol, ColumnCount(), "array");
}

const CCellText& CCellStore::Text(const CGridCell& cell) const {
  const CCellText* row = m_rows.GetAt(cell.m_nRow);
  AfxCheckIndex(cell.m_nCol, ColumnCount(), "array");
  return row ? row[cell.m_nCol] : kEmptyText;
}

CCellText* CCellStore::MakeRow(int nRow) {
  CCellText* row = NewRow();
  m_rows.SetAt(nRow, row);
  return row;
}

const CCellAttributes& CCellStore::Attributes(const CGridCell& cell) const {
  CheckPlace(cell);
  if (m_attributes.empty()) return kCreationAttributes;
  auto found = m_attributes.find(KeyOf(cell));
  return found == m_attributes.end() ? kCreationAttributes : found->second;
}

CCellText* CCellStore::NewRow() {
  const int cols = ColumnCount();
  if (!m_blocks) {
    m_rowCapacity = cols;
    m_blocks = std::make_unique<RowBlocks>(RowBytes(m_rowCapacity));
  }
  auto* row = static_cast<CCellText*>(m_blocks->Allocate());
  for (int c = 0; c < cols; ++c) new (row + c) CCellText();
  ++m_madeRows;
  return row;
}

void CCellStore::DeleteRow(CCellText* row) noexcept {
  std::destroy_n(row, ColumnCount());
  m_blocks->Free(row);
  --m_madeRows;
}

void CCellStore::DropWiderRows() noexcept {
  for (void* block : m_widerRows) m_widerBlocks->Free(block);
  m_widerRows.clear();
  m_widerBlocks.reset();
}

void CCellStore::Reserve(int nCols, int nRows) {
  DropWiderRows();  // what an earlier, abandoned resize took
  if (nRows > m_rows.GetSize()) m_rows.Reserve(nRows);
  // Rows made from now on are made nCols wide; made rows that must widen
  // past their blocks get new ones here, all or none.
  if (nCols <= m_rowCapacity || m_madeRows == 0) return;
  auto wider = std::make_unique<RowBlocks>(RowBytes(nCols));
  std::vector<void*> blocks;
  try {
    blocks.reserve(m_madeRows);
    while (blocks.size() < m_madeRows) blocks.push_back(wider->Allocate());
  } catch (...) {
    for (void* block : blocks) wider->Free(block);
    throw;
  }
  m_widerBlocks = std::move(wider);
  m_widerRows = std::move(blocks);
}

void CCellStore::WidenRows(int nCols) noexcept {
  CCellText** rows = m_rows.GetData();
  std::size_t taken = 0;
  for (int r = 0; r < m_rows.GetSize(); ++r) {
    CCellText* old = rows[r];
    if (!old) continue;
    auto* row = static_cast<CCellText*>(m_widerRows[taken++]);
    for (int c = 0, cols = ColumnCount(); c < cols; ++c) {
      new (row + c) CCellText(std::move(old[c]));
      old[c].~CCellText();
    }
    m_blocks->Free(old);
    rows[r] = row;
  }
  // Rows deleted by this resize left blocks over.
  for (std::size_t i = taken; i < m_widerRows.size(); ++i) m_widerBlocks->Free(m_widerRows[i]);
  m_widerRows.clear();
  m_blocks = std::move(m_widerBlocks);
  m_rowCapacity = nCols;
}

void CCellStore::DropAttributesOutside(int nCols, int nRows) noexcept {
  for (auto it = m_attributes.begin(); it != m_attributes.end();) {
    const int row = int(it->first >> 32);
    const int col = int(std::uint32_t(it->first));
    it = (row >= nRows || col >= nCols) ? m_attributes.erase(it) : std::next(it);
  }
}

void CCellStore::Resize(int nCols, int nRows) noexcept {
  // Every step below shrinks, or grows into memory Reserve took. The made
  // rows hold the extent's old column count of texts until the end.
  const int oldCols = ColumnCount();
  DropAttributesOutside(nCols, nRows);
  for (int r = m_rows.GetSize() - 1; r >= nRows; --r) {
    if (CCellText* row = m_rows.GetAt(r)) DeleteRow(row);
  }
  m_rows.SetSize(nRows);
  if (nCols > m_rowCapacity) {
    if (m_widerBlocks) {
      WidenRows(nCols);
    } else if (m_madeRows == 0) {
      // No row is made: the next one is made as wide as the grid.
      m_blocks.reset();
      m_rowCapacity = 0;
    }
  }
  CCellText** rows = m_rows.GetData();
  for (int r = 0; r < nRows; ++r) {
    CCellText* row = rows[r];
    if (!row) continue;
    if (nCols < oldCols) std::destroy(row + nCols, row + oldCols);
    for (int c = oldCols; c < nCols; ++c) new (row + c) CCellText();
  }
}

void CCellStore::Clear() noexcept {
  for (int r = m_rows.GetSize() - 1; r >= 0; --r) {
    if (CCellText* row = m_rows.GetAt(r)) DeleteRow(row);
  }
  m_rows.RemoveAll();
  m_attributes.clear();
  m_rowCapacity = 0;
  m_blocks.reset();
  DropWiderRows();
}

}  // namespace TzGrid

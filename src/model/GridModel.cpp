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

// What the layout and its caches hold per row and per column, for the
// memory check before a resize.
constexpr std::uint64_t kBytesPerRow = sizeof(CCellText*) + sizeof(UINT) + 2 * sizeof(std::int64_t);
constexpr std::uint64_t kBytesPerColumn = 2 * sizeof(UINT) + 4 * sizeof(std::int64_t);

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
  // The counts start at 0 x 0 in the extent.
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

// Everything a resize allocates is taken first, so that a refusal leaves
// the grid untouched and the resize itself cannot fail half-way.
void CTzGridCtrl::ReserveForResize(int nCols, int nRows, std::vector<bool>& columnListed) {
  const std::uint64_t addedRows = nRows > m_nRows ? std::uint64_t(nRows) - std::uint64_t(m_nRows) : 0;
  const std::uint64_t addedCols = nCols > m_nCols ? std::uint64_t(nCols) - std::uint64_t(m_nCols) : 0;
  // A grid the system cannot hold is refused before anything is taken: on
  // a system that promises more than it has, running into the limit half
  // way would end the host process, not raise an exception.
  // Made rows that widen move to new blocks: both are held for a moment.
  const std::uint64_t widenedRows = addedCols ? std::uint64_t(m_cells.MadeRowCount()) : 0;
  const std::uint64_t wanted = addedRows * kBytesPerRow + addedCols * kBytesPerColumn +
                               widenedRows * CCellStore::RowBytes(nCols);
  if (wanted > AfxGetAvailableMemory()) AfxThrowMemoryException();
  try {
    m_cells.Reserve(nCols, nRows);
    m_layout.Reserve(nCols, nRows);
    if (nCols < m_nCols) columnListed.assign(std::size_t(nCols), false);
  } catch (const std::bad_alloc&) {
    AfxThrowMemoryException();
  }
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
    m_focusCell = CGridCell();
    return;
  }
  std::vector<bool> columnListed;
  ReserveForResize(nCols, nRows, columnListed);
  // From here on nothing allocates: every array grows into its reservation.
  // The store and the layout fit themselves to the new counts, reading the
  // old ones from the extent, which then takes the new ones.
  m_cells.Resize(nCols, nRows);
  if (m_focusCell.m_nRow >= nRows || m_focusCell.m_nCol >= nCols) m_focusCell = CGridCell();
  m_layout.ResizeRows(nRows, UINT(m_nDefRowHeight));
  m_layout.ResizeColumns(nCols, UINT(m_nDefColWidth), columnListed);
  m_extent.m_nCols = nCols;
  m_extent.m_nRows = nRows;

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

CGridCell CTzGridCtrl::GetCell(int nRow, int nCol) const {
  AfxCheckIndex(nRow, m_nRows, "array");
  AfxCheckIndex(nCol, m_nCols, "array");
  return CGridCell(nRow, nCol);
}

void CTzGridCtrl::FreeAllCells() {
  m_cells.Clear();
  m_layout.Clear();
  m_extent.m_nCols = 0;
  m_extent.m_nRows = 0;
}

}  // namespace TzGrid

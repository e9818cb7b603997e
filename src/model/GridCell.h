// One cell of the grid.
#pragma once

#include <new>

#include "../framework/afx.h"
#include "CellText.h"

namespace TzGrid {

// What a cell holds besides its text. Almost every cell keeps all of it at
// the creation values, so a cell holds none of it until one is set.
struct CCellAttributes {
  std::uint32_t dwItemData = 0;  // the host's value (the interface carries 32 bits)
  COLORREF clrBack = 0;          // 0: the grid's background
  COLORREF clrText = 0;          // 0: the colour 0x010101
  std::int16_t nJustify = 0;     // 0 left, 1 centre, 2 right
  std::uint16_t nSortState = 0;  // 0 none, 1 "(A)", 2 " (D)"
  bool bReadOnly = false;        // not editable by the user
  bool bHeader = false;          // drawn in header style in the header band
  bool bBold = false;            // recorded only; drawing does not consult it

  bool operator==(const CCellAttributes&) const = default;
};

// The record is the compact text, its row and column index and a pointer
// to the attributes, packed to 4-byte alignment: 28 bytes on 64-bit
// systems, 24 on 32-bit ones. No cell carries a font of its own: cells are
// drawn in the grid's fonts. Cells live in their row's block in the cell
// store (CCellStore::Make), made a row at a time when first needed, and are
// destroyed by the store.
#pragma pack(push, 4)
class CGridCell : public CObject {
 public:
  CGridCell(int nRow, int nCol) noexcept : m_nRow(nRow), m_nCol(nCol) {}
  CGridCell(CGridCell&& other) noexcept
      : m_strText(std::move(other.m_strText)), m_nRow(other.m_nRow), m_nCol(other.m_nCol),
        m_pAttributes(other.m_pAttributes) {
    other.m_pAttributes = nullptr;
  }
  CGridCell(const CGridCell&) = delete;
  CGridCell& operator=(const CGridCell&) = delete;
  ~CGridCell() { delete m_pAttributes; }

  CCellText m_strText;  // the cell text
  int m_nRow;           // row index
  int m_nCol;           // column index (never a display position)

  // ---- attributes: the creation values until set
  std::uint32_t ItemData() const noexcept { return Attributes().dwItemData; }
  COLORREF BackColour() const noexcept { return Attributes().clrBack; }
  COLORREF TextColour() const noexcept { return Attributes().clrText; }
  std::int16_t Justification() const noexcept { return Attributes().nJustify; }
  std::uint16_t SortState() const noexcept { return Attributes().nSortState; }
  bool IsReadOnly() const noexcept { return Attributes().bReadOnly; }
  bool IsHeader() const noexcept { return Attributes().bHeader; }
  bool IsBold() const noexcept { return Attributes().bBold; }
  bool HasAttributes() const noexcept { return m_pAttributes != nullptr; }

  // Each raises the memory exception, with the cell unchanged, when the
  // attributes cannot be made.
  void SetItemData(std::uint32_t value) { Set(&CCellAttributes::dwItemData, value); }
  void SetBackColour(COLORREF value) { Set(&CCellAttributes::clrBack, value); }
  void SetTextColour(COLORREF value) { Set(&CCellAttributes::clrText, value); }
  void SetJustification(std::int16_t value) { Set(&CCellAttributes::nJustify, value); }
  void SetSortState(std::uint16_t value) { Set(&CCellAttributes::nSortState, value); }
  void SetReadOnly(bool value) { Set(&CCellAttributes::bReadOnly, value); }
  void SetHeader(bool value) { Set(&CCellAttributes::bHeader, value); }
  void SetBold(bool value) { Set(&CCellAttributes::bBold, value); }

 private:
  static constexpr CCellAttributes kDefaults{};

  const CCellAttributes& Attributes() const noexcept { return m_pAttributes ? *m_pAttributes : kDefaults; }

  // A cell whose attributes all return to the creation values lets them go.
  template <typename T>
  void Set(T CCellAttributes::*field, T value) {
    if (!m_pAttributes) {
      if (value == kDefaults.*field) return;
      m_pAttributes = new (std::nothrow) CCellAttributes();
      if (!m_pAttributes) AfxThrowMemoryException();
    }
    m_pAttributes->*field = value;
    if (*m_pAttributes == kDefaults) {
      delete m_pAttributes;
      m_pAttributes = nullptr;
    }
  }

  CCellAttributes* m_pAttributes = nullptr;
};
#pragma pack(pop)
static_assert(sizeof(CGridCell) == sizeof(CCellText) + 2 * sizeof(int) + sizeof(void*),
              "the cell record holds its text, its address and one pointer");

}  // namespace TzGrid

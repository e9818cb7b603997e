// The automation members through which the host fills cells and reads them
// back. Row and column arguments are row and column indices, never display
// positions. The cell check is the model's checked GetCell: a bad index
// raises the invalid-argument exception before anything changes. Readers
// never make anything: a cell never written reads as new. Apart from
// SetCellText, none of these repaints: new values show at the next paint.
#include <algorithm>

#include "../model/LayoutMath.h"
#include "../model/TzGridCtrl.h"
#include "../access/AccessEvents.h"

namespace TzGrid {

namespace {
// Alignments a cell knows: 0 left, 1 centre, 2 right.
constexpr unsigned kLastJustification = 2;
// The tallest default font, in pixels either way.
constexpr LONG kLargestFontHeight = 2048;
}  // namespace

void CTzGridCtrl::SetCellText(LONG Row, LONG Column, const CString& TextData) {
  WriteCellText(Row, Column, TextData.View());
}

void CTzGridCtrl::WriteCellText(LONG Row, LONG Column, std::u16string_view TextData) {
  AFX_MANAGE_STATE(AfxGetStaticModuleState());
  // The store checks the place: a bad index raises before anything changes.
  const CGridCell cell(Row, Column);
  // A host may hand over a string with embedded NULs; the cell keeps what a
  // C string would see.
  m_cells.TextToWrite(cell).Assign(UpToFirstNul(TextData));
  Access::NotifyTextChanged(*this, Row, Column);

  // An edit open on this very cell would otherwise write its stale text back
  // over the host's value when it closes: drop it, without an event.
  if (m_bEditMode && cell == m_focusCell) {
    m_bEditMode = 0;
    m_edit.ShowWindow(SW_HIDE);
  }

  // A row that begins below the client area shows nothing of the cell: a
  // host filling a long grid writes mostly there, and no walk over the
  // columns is needed to know there is nothing to repaint.
  CRect client;
  GetClientRect(&client);
  if (client.bottom <= 0 || m_layout.TopOfRow(Row) >= client.bottom) return;

  // A column order the host wrote entry by entry may name no column at a
  // position the walk to the cell passes: the text is stored all the same,
  // and the whole control is repainted instead of the cell.
  CRect rc;
  try {
    CPoint origin;
    GetCellOrigin(Row, Column, &origin);
    rc = CRect(origin.x, origin.y, AddPixels(origin.x, m_layout.WidthOfColumn(Column)),
               AddPixels(origin.y, m_layout.HeightOfRow(Row)));
  } catch (const CInvalidArgException&) {
    InvalidateControl(nullptr, TRUE);
    return;
  }
  InvalidateControl(&rc, TRUE);
}

CString CTzGridCtrl::GetCellText(LONG Row, LONG Column) {
  AFX_MANAGE_STATE(AfxGetStaticModuleState());
  return CellText(GetCell(Row, Column)).ToString();
}

void CTzGridCtrl::SetItemBackColor(LONG Row, LONG Column, LONG Colour) {
  AFX_MANAGE_STATE(AfxGetStaticModuleState());
  m_cells.SetAttribute(GetCell(Row, Column), &CCellAttributes::clrBack, COLORREF(Colour));
}

void CTzGridCtrl::SetCellForeColour(LONG Row, LONG Col, LONG Colour) {
  AFX_MANAGE_STATE(AfxGetStaticModuleState());
  m_cells.SetAttribute(GetCell(Row, Col), &CCellAttributes::clrText, COLORREF(Colour));
}

void CTzGridCtrl::SetGridBackColor(LONG Colour) {
  AFX_MANAGE_STATE(AfxGetStaticModuleState());
  m_clrBack = COLORREF(Colour);
}

VARIANT_BOOL CTzGridCtrl::SetCellJustification(LONG Row, LONG Column, short nJustification) {
  AFX_MANAGE_STATE(AfxGetStaticModuleState());
  // Judged as an unsigned 16-bit value, so every negative value is refused
  // too; the refusal comes before the cell is looked at.
  if (USHORT(nJustification) > kLastJustification) return VARIANT_FALSE;
  m_cells.SetAttribute(GetCell(Row, Column), &CCellAttributes::nJustify, std::int16_t(nJustification));
  return VARIANT_TRUE;
}

void CTzGridCtrl::SetCellReadOnlyFlag(LONG Row, LONG Column) {
  AFX_MANAGE_STATE(AfxGetStaticModuleState());
  const CGridCell cell = GetCell(Row, Column);
  m_cells.SetAttribute(cell, &CCellAttributes::bReadOnly, !CellAttributes(cell).bReadOnly);
}

void CTzGridCtrl::SetCellHeaderFlag(LONG Row, LONG Column, USHORT Flag) {
  AFX_MANAGE_STATE(AfxGetStaticModuleState());
  m_cells.SetAttribute(GetCell(Row, Column), &CCellAttributes::bHeader, Flag == 1);
}

USHORT CTzGridCtrl::GetCellSortState(LONG Row, LONG Column) {
  AFX_MANAGE_STATE(AfxGetStaticModuleState());
  return CellAttributes(GetCell(Row, Column)).nSortState;
}

void CTzGridCtrl::SetCellSortState(LONG Row, LONG Column, USHORT State) {
  AFX_MANAGE_STATE(AfxGetStaticModuleState());
  m_cells.SetAttribute(GetCell(Row, Column), &CCellAttributes::nSortState, std::uint16_t(State));
}

ULONG32 CTzGridCtrl::GetCellItemData(LONG Row, LONG Col) {
  AFX_MANAGE_STATE(AfxGetStaticModuleState());
  return CellAttributes(GetCell(Row, Col)).dwItemData;
}

void CTzGridCtrl::SetCellItemData(LONG Row, LONG Col, ULONG32 DataPtr) {
  AFX_MANAGE_STATE(AfxGetStaticModuleState());
  // 0 means "no value given": the cell keeps what it had.
  if (DataPtr == 0) {
    GetCell(Row, Col);  // the cell check still applies
    return;
  }
  m_cells.SetAttribute(GetCell(Row, Col), &CCellAttributes::dwItemData, std::uint32_t(DataPtr));
}

void CTzGridCtrl::SetCellBold(LONG Row, LONG Col, short nBold) {
  AFX_MANAGE_STATE(AfxGetStaticModuleState());
  m_cells.SetAttribute(GetCell(Row, Col), &CCellAttributes::bBold, nBold != 0);
}

VARIANT_BOOL CTzGridCtrl::SetCellFont(LONG, LONG, const CString&, LONG, LONG) {
  AFX_MANAGE_STATE(AfxGetStaticModuleState());
  // Cells are drawn in the grid's default font; hosts still call this, and
  // expect success, so it is accepted and has no effect.
  return VARIANT_TRUE;
}

VARIANT_BOOL CTzGridCtrl::SetDefaultFont(const CString& bstrFace, LONG lHeight, LONG lWeight) {
  AFX_MANAGE_STATE(AfxGetStaticModuleState());
  // The editor draws with the handle it was given, open or hidden: it is
  // moved to the system font before that handle is deleted, and gets the
  // new one after. The system's edit control measures its text with the
  // font it holds when the user clicks into it.
  const bool editorExists = m_edit.HasWindow();
  if (editorExists) m_edit.SendMessage(WM_SETFONT, 0, FALSE);
  m_fontDefault.DeleteObject();
  m_lfDefault = LOGFONTW{};
  // Glyphs thousands of pixels high in every cell keep the system's text
  // output busy for minutes per paint; no cell shows more of them than a
  // height of this limit does.
  m_lfDefault.lfHeight = std::clamp<LONG>(lHeight, -kLargestFontHeight, kLargestFontHeight);
  m_lfDefault.lfWeight = lWeight;
  // lfFaceName holds 31 characters and the terminating NUL. A longer name
  // is cut to its first 31 characters rather than refused, so that the
  // call keeps its "always succeeds" promise; the font mapper then picks
  // the closest face it has. The copy also stops at an embedded NUL, as a
  // C string copy would.
  std::u16string_view face = UpToFirstNul(bstrFace.View());
  std::size_t count = std::min<std::size_t>(face.size(), LF_FACESIZE - 1);
  std::copy_n(face.data(), count, m_lfDefault.lfFaceName);
  m_lfDefault.lfFaceName[count] = 0;
  // A failed creation leaves the default font without an object; the host
  // is still told the call succeeded.
  m_fontDefault.CreateFontIndirect(&m_lfDefault);
  if (editorExists) m_edit.SendMessage(WM_SETFONT, WPARAM(m_fontDefault.GetSafeHandle()), m_bEditMode);
  return VARIANT_TRUE;
}

void CTzGridCtrl::SetFocusedCell(LONG Row, LONG Column) {
  AFX_MANAGE_STATE(AfxGetStaticModuleState());
  // An index past the end is ignored; a negative one still fails the check.
  if (Row > m_nRows - 1 || Column > m_nCols - 1) return;
  const CGridCell old = m_focusCell;
  m_focusCell = GetCell(Row, Column);
  if (old != m_focusCell) Access::NotifyFocusMoved(*this);
}

LONG CTzGridCtrl::GetCurrentRow() {
  AFX_MANAGE_STATE(AfxGetStaticModuleState());
  return m_focusCell ? m_focusCell.m_nRow : -1;
}

LONG CTzGridCtrl::GetCurrentColumn() {
  AFX_MANAGE_STATE(AfxGetStaticModuleState());
  return m_focusCell ? m_focusCell.m_nCol : -1;
}

}  // namespace TzGrid

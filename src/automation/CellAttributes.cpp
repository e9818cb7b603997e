// Cell attribute members. Not implemented yet: each one fails loudly.
#include "../model/TzGridCtrl.h"

namespace TzGrid {

void CTzGridCtrl::SetCellText(LONG, LONG, const CString&) { AfxThrowNotImplementedException("SetCellText"); }
CString CTzGridCtrl::GetCellText(LONG, LONG) { AfxThrowNotImplementedException("GetCellText"); }
void CTzGridCtrl::SetItemBackColor(LONG, LONG, LONG) { AfxThrowNotImplementedException("SetItemBackColor"); }
void CTzGridCtrl::SetCellForeColour(LONG, LONG, LONG) { AfxThrowNotImplementedException("SetCellForeColour"); }
void CTzGridCtrl::SetGridBackColor(LONG) { AfxThrowNotImplementedException("SetGridBackColor"); }
VARIANT_BOOL CTzGridCtrl::SetCellJustification(LONG, LONG, short) { AfxThrowNotImplementedException("SetCellJustification"); }
void CTzGridCtrl::SetCellReadOnlyFlag(LONG, LONG) { AfxThrowNotImplementedException("SetCellReadOnlyFlag"); }
void CTzGridCtrl::SetCellHeaderFlag(LONG, LONG, USHORT) { AfxThrowNotImplementedException("SetCellHeaderFlag"); }
USHORT CTzGridCtrl::GetCellSortState(LONG, LONG) { AfxThrowNotImplementedException("GetCellSortState"); }
void CTzGridCtrl::SetCellSortState(LONG, LONG, USHORT) { AfxThrowNotImplementedException("SetCellSortState"); }
ULONG32 CTzGridCtrl::GetCellItemData(LONG, LONG) { AfxThrowNotImplementedException("GetCellItemData"); }
void CTzGridCtrl::SetCellItemData(LONG, LONG, ULONG32) { AfxThrowNotImplementedException("SetCellItemData"); }
void CTzGridCtrl::SetCellBold(LONG, LONG, short) { AfxThrowNotImplementedException("SetCellBold"); }
VARIANT_BOOL CTzGridCtrl::SetCellFont(LONG, LONG, const CString&, LONG, LONG) { AfxThrowNotImplementedException("SetCellFont"); }
VARIANT_BOOL CTzGridCtrl::SetDefaultFont(const CString&, LONG, LONG) { AfxThrowNotImplementedException("SetDefaultFont"); }
void CTzGridCtrl::SetFocusedCell(LONG, LONG) { AfxThrowNotImplementedException("SetFocusedCell"); }
LONG CTzGridCtrl::GetCurrentRow() { AfxThrowNotImplementedException("GetCurrentRow"); }
LONG CTzGridCtrl::GetCurrentColumn() { AfxThrowNotImplementedException("GetCurrentColumn"); }

}  // namespace TzGrid

// Keyboard navigation and the in-place editor. Not implemented yet: each
// handler fails loudly.
#include "../model/TzGridCtrl.h"

namespace TzGrid {

void CTzGridCtrl::OnKeyDown(UINT, UINT, UINT) { AfxThrowNotImplementedException("OnKeyDown"); }
void CTzGridCtrl::OnKeyUp(UINT, UINT, UINT) { AfxThrowNotImplementedException("OnKeyUp"); }
BOOL CTzGridCtrl::PreTranslateMessage(MSG*) { AfxThrowNotImplementedException("PreTranslateMessage"); }
UINT CTzGridCtrl::OnGetDlgCode() { return DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTCHARS; }
void CTzGridCtrl::OnKeyDownEvent(USHORT nChar, USHORT nShiftState) { COleControl::OnKeyDownEvent(nChar, nShiftState); }
CGridCell* CTzGridCtrl::FindNextCell(UINT) { AfxThrowNotImplementedException("FindNextCell"); }
void CTzGridCtrl::OnChar(UINT, UINT, UINT) { AfxThrowNotImplementedException("OnChar"); }
void CTzGridCtrl::OnEnUpdateEdit() { AfxThrowNotImplementedException("OnEnUpdateEdit"); }

LRESULT CTzEdit::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) { return CEdit::WindowProc(message, wParam, lParam); }
void CTzEdit::OnKeyDown(UINT, UINT, UINT) { AfxThrowNotImplementedException("CTzEdit::OnKeyDown"); }
void CTzEdit::OnKillFocus(CWnd*) { AfxThrowNotImplementedException("CTzEdit::OnKillFocus"); }
void CTzEdit::OnChar(UINT, UINT, UINT) { Default(); }

}  // namespace TzGrid

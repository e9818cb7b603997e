// The members that size the grid, Refresh's neighbours, and the small
// members of the control class itself (About box, persistence reset).
#include "../access/AccessEvents.h"
#include "../model/TzGridCtrl.h"

namespace TzGrid {

void CTzGridCtrl::SetColumns(LONG nNewValue) {
  ResizeGrid(nNewValue, m_nRows);
  InvalidateControl(nullptr, TRUE);
  Access::NotifyShapeChanged(*this);
  SetModifiedFlag(TRUE);
}

void CTzGridCtrl::SetRows(LONG nNewValue) {
  ResizeGrid(m_nCols, nNewValue);
  // Repaint only when every row fits: a host that fills a long grid row by
  // row after sizing it does not pay for a repaint per call.
  if (m_nRows <= GetLastVisibleRow()) InvalidateControl(nullptr, TRUE);
  Access::NotifyShapeChanged(*this);
  SetModifiedFlag(TRUE);
}

void CTzGridCtrl::SetFixedRows(LONG nNewValue) {
  if (nNewValue >= 0 && nNewValue <= m_nRows) {
    m_nFixedRows = nNewValue;
    InvalidateControl(nullptr, TRUE);
    Access::NotifyShapeChanged(*this);
  }
  SetModifiedFlag(TRUE);
}

void CTzGridCtrl::SetFixedColumns(LONG nNewValue) {
  if (nNewValue >= 0 && nNewValue <= m_nCols) {
    m_nFixedCols = nNewValue;
    InvalidateControl(nullptr, TRUE);
    Access::NotifyShapeChanged(*this);
  }
  SetModifiedFlag(TRUE);
}

short CTzGridCtrl::SetNumColumns(LONG Columns) {
  AFX_MANAGE_STATE(AfxGetStaticModuleState());
  SetColumns(Columns);
  return 0;
}

short CTzGridCtrl::SetNumRows(LONG Rows) {
  AFX_MANAGE_STATE(AfxGetStaticModuleState());
  SetRows(Rows);
  return 0;
}

void CTzGridCtrl::DoNothing() {}

void CTzGridCtrl::AboutBox() {
  CDialogEx dlgAbout(1);
  dlgAbout.DoModal();
}

void CTzGridCtrl::OnResetState() { COleControl::OnResetState(); }

}  // namespace TzGrid

// CTzGridCtrl: the grid control. One class holds the whole state of one grid;
// its members are implemented by subsystem:
//   model/       construction, ResizeGrid, FreeAllCells, the layout members
//   automation/  the dispatch and event maps, sizing and cell attribute members
//   render/      geometry and hit testing, OnDraw, DrawGrid, DrawCell
//   input/       scroll bars and handlers, mouse, resize and drag, keyboard, editor
//   exchange/    clipboard and CSV export
#pragma once

#include <atomic>
#include <vector>

#include "../framework/afx.h"
#include "CellStore.h"
#include "GridCell.h"
#include "GridExtent.h"
#include "GridLayout.h"

namespace TzGrid {

namespace Access {
class CAccessEvents;
}

// Mouse modes.
constexpr int MOUSE_IDLE = 0;
constexpr int MOUSE_OVER_BORDER = 1;
constexpr int MOUSE_RESIZING = 2;
constexpr int MOUSE_DRAGGING = 6;

// Event DISPIDs of _DTzGridEvents.
constexpr DISPID DISPID_GRIDCELLSELECTED = 1;
constexpr DISPID DISPID_GRIDCELLEXITED = 2;

// The in-place editor: a single-line edit window over the focus cell.
class CTzEdit : public CEdit {
 public:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
  void OnKillFocus(CWnd* pNewWnd);
  void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags);
};

// The block shared with the auto-scroll worker. The two byte flags are the
// only fields written while a worker runs; they are atomic bytes.
struct AutoScrollParams {
  HWND hWnd = nullptr;
  std::int32_t bForward = 0;
  std::atomic<std::uint8_t> bStop{0};
  std::atomic<std::uint8_t> bFast{0};
  class CTzGridCtrl* pCtrl = nullptr;  // whose window the worker sends to
};

class CTzGridCtrl : public COleControl {
 public:
  CTzGridCtrl();
  ~CTzGridCtrl() override;

  // ---- window messages: one entry point, one message map (input/MessageMap.cpp)
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

  // ---- automation: one entry point, one dispatch map (automation/DispatchMap.cpp)
  // Returns S_OK with *pResult set, or the failure; pDescription receives the
  // exception text for DISP_E_EXCEPTION.
  HRESULT Invoke(DISPID dispid, WORD wFlags, CDispArgSpan args, CDispArg* pResult,
                 std::string* pDescription = nullptr);
  HRESULT Invoke(DISPID dispid, WORD wFlags, std::initializer_list<CDispArg> args, CDispArg* pResult,
                 std::string* pDescription = nullptr) {
    return Invoke(dispid, wFlags, CDispArgSpan(args.begin(), args.size()), pResult, pDescription);
  }

  // ---- model (model/)
  void ResizeGrid(int nCols, int nRows);
  void FreeAllCells();
  // The cell at (nRow, nCol); raises the invalid-argument exception on a
  // bad index. Its text and attributes are the store's (m_cells): naming
  // a cell makes nothing.
  CGridCell GetCell(int nRow, int nCol) const;
  const CCellText& CellText(const CGridCell& cell) const { return m_cells.Text(cell); }
  const CCellAttributes& CellAttributes(const CGridCell& cell) const { return m_cells.Attributes(cell); }
  // The layout, as the rest of the control asks it (see GridLayout.h).
  int FixedRowsInUse() const noexcept { return m_layout.FixedRowsInUse(); }
  int FixedColsInUse() const noexcept { return m_layout.FixedColsInUse(); }
  int RowHeightSum(int from, int to) const { return m_layout.RowHeightSum(from, to); }
  int FindRowPassing(int from, int acc, int limit) const { return m_layout.FindRowPassing(from, acc, limit); }
  int ColumnWidthSum(int from, int to) const { return m_layout.ColumnWidthSum(from, to); }
  int FindColumnPassing(int limit) const { return m_layout.FindColumnPassing(limit); }
  int FindDisplayPosition(int nCol) const { return m_layout.PositionOfColumn(nCol); }

  // ---- sizing members (automation/)
  LONG GetColumns() const { return m_nCols; }
  void SetColumns(LONG nNewValue);
  LONG GetRows() const { return m_nRows; }
  void SetRows(LONG nNewValue);
  LONG GetFixedRows() const { return m_nFixedRows; }
  void SetFixedRows(LONG nNewValue);
  LONG GetFixedColumns() const { return m_nFixedCols; }
  void SetFixedColumns(LONG nNewValue);
  short SetNumColumns(LONG Columns);
  short SetNumRows(LONG Rows);

  // ---- layout members (model/Layout.cpp)
  short SetColumnWidth(LONG Column, LONG Width);
  short SetRowHeight(LONG Row, LONG Height);
  LONG SetDefaultColumnWidth(LONG lColumn);
  LONG GetColumnWidth(LONG Column);
  short SetNumFixedRows(LONG Rows);
  LONG SetNumFixedColumns(LONG lColumns);
  LONG GetColumnVisibleIndex(LONG Column);
  short SetColumnOrder(LONG Column, LONG Order);
  void MoveColumn(LONG lCol, LONG lToCol);
  void SetFirstVisibleColumn(LONG lCol);

  // ---- cell attribute members (automation/CellAttributes.cpp)
  void SetCellText(LONG Row, LONG Column, const CString& TextData);
  // SetCellText of a text read where the caller keeps it (a host's BSTR):
  // the cell takes its characters up to the first NUL, in one copy.
  void WriteCellText(LONG Row, LONG Column, std::u16string_view TextData);
  CString GetCellText(LONG Row, LONG Column);
  void SetItemBackColor(LONG Row, LONG Column, LONG Colour);
  void SetCellForeColour(LONG Row, LONG Col, LONG Colour);
  void SetGridBackColor(LONG Colour);
  VARIANT_BOOL SetCellJustification(LONG Row, LONG Column, short nJustification);
  void SetCellReadOnlyFlag(LONG Row, LONG Column);
  void SetCellHeaderFlag(LONG Row, LONG Column, USHORT Flag);
  USHORT GetCellSortState(LONG Row, LONG Column);
  void SetCellSortState(LONG Row, LONG Column, USHORT State);
  ULONG32 GetCellItemData(LONG Row, LONG Col);
  void SetCellItemData(LONG Row, LONG Col, ULONG32 DataPtr);
  void SetCellBold(LONG Row, LONG Col, short nBold);
  VARIANT_BOOL SetCellFont(LONG Row, LONG Col, const CString& bstrFace, LONG lHeight, LONG lWeight);
  VARIANT_BOOL SetDefaultFont(const CString& bstrFace, LONG lHeight, LONG lWeight);
  void SetFocusedCell(LONG Row, LONG Column);
  LONG GetCurrentRow();
  LONG GetCurrentColumn();
  void DoNothing();  // SetShowFilterRow and TestMethod
  void AboutBox();

  // ---- exchange (exchange/)
  void CopyToClipboard();
  void PasteFromClipboard();
  short ExportData(ULONG32 StartColumn, ULONG32 EndColumn, ULONG32 StartRow, ULONG32 EndRow, USHORT ExportType);
  // ColumnArray holds nAvailable entries; reading past them raises the
  // invalid-argument exception instead of reading foreign memory. A caller
  // that vouches for nColumnCount entries passes CDispArg::kCallerSized.
  void ExportEx(USHORT nType, short nColumnCount, const std::int32_t* ColumnArray, std::size_t nAvailable,
                LONG lStartRow, LONG lEndRow);
  void CopyFocusTextByKey();   // Ctrl+C
  void PasteFocusTextByKey();  // Ctrl+V

  // ---- geometry (render/Geometry.cpp)
  int GetColumnAtPoint(CPoint pt) const;
  int GetRowAtPoint(CPoint pt) const;
  int GetColumnBorderAtPoint(CPoint pt, int& borderX) const;
  void GetCellOrigin(int nRow, int nCol, CPoint* pPoint) const;
  void GetCellRect(int nRow, int nCol, CRect* pRect) const;

  // ---- painting (render/)
  // A paint makes its writes first (PrepareToPaint), then draws, reading
  // only (DrawGrid, DrawCell), then brings the scroll bars up to date.
  void OnDraw(CDC* pDC, const CRect& rcBounds, const CRect& rcInvalid) override;
  // Header cells of the band are marked read-only, and the editor
  // is laid over the focus cell where the paint will draw it.
  void PrepareToPaint(const CRect& rcBounds, const CRect& rcInvalid);
  void DrawGrid(CDC* pDC, const CRect& rcBounds, const CRect& rcInvalid) const;
  void DrawCell(const CGridCell& cell, const CRect* pRect = nullptr, CDC* pDC = nullptr) const;
  // Draws a cell straight on the window, as a change of focus shows at
  // once, and lays the editor over it while an edit is in progress there.
  void RedrawCell(const CGridCell& cell);

  // ---- scroll bars and visible extent (input/ScrollBars.cpp)
  void UpdateScrollBars();
  int GetLastVisibleColumn() const;
  int GetLastVisibleRow() const;
  void OnSize(UINT nType, int cx, int cy);

  // ---- scrolling (input/Scroll.cpp)
  void OnHScroll(UINT nSBCode, UINT nPos, CWnd* pScrollBar);
  void OnVScroll(UINT nSBCode, UINT nPos, CWnd* pScrollBar);
  BOOL OnMouseWheel(UINT nFlags, short zDelta, CPoint pt);

  // ---- mouse (input/Mouse.cpp, input/ResizeDrag.cpp)
  void OnLButtonDown(UINT nFlags, CPoint point);
  void OnLButtonUp(UINT nFlags, CPoint point);
  void OnLButtonDblClk(UINT nFlags, CPoint point);
  void OnRButtonUp(UINT nFlags, CPoint point);
  LRESULT OnNcHitTest(CPoint point);
  void OnMouseMove(UINT nFlags, CPoint point);
  BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
  static unsigned AutoScrollThreadProc(void* pParams);

  // ---- keyboard and editor (input/Keyboard.cpp, input/Editor.cpp)
  void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
  void OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags);
  BOOL PreTranslateMessage(MSG* pMsg) override;
  UINT OnGetDlgCode();
  void OnKeyDownEvent(USHORT nChar, USHORT nShiftState);
  CGridCell FindNextCell(UINT nDirection);
  void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags);
  void OnEnUpdateEdit();
  LRESULT OnSysChar(WPARAM wParam, LPARAM lParam);

  // ---- persistence (module, portable part)
  void OnResetState() override;

  // ---- state (fields named as the grid's developers name them)
  // The row and column counts have one owner, the extent, which only
  // ResizeGrid and FreeAllCells change; they are read here under their
  // usual names, and the layout room and the cell store answer theirs from it.
  CGridExtent m_extent;
  const int& m_nCols = m_extent.m_nCols;
  const int& m_nRows = m_extent.m_nRows;
  // The layout room owns the widths, heights, order map, fixed counts and
  // scroll origin. Its arrays are read here under their usual names and
  // written only through it; the fixed counts and the scroll origin, which
  // no cache depends on, are its fields under their usual names.
  CGridLayout m_layout{m_extent};
  const CUIntArray& m_arColWidths = m_layout.m_arColWidths;
  const CUIntArray& m_arRowHeights = m_layout.m_arRowHeights;
  const CUIntArray& m_arColOrder = m_layout.m_arColOrder;
  int& m_nFixedCols = m_layout.m_nFixedCols;
  int& m_nFixedRows = m_layout.m_nFixedRows;
  int& m_nHScrollPos = m_layout.m_nHScrollPos;
  int& m_nVScrollPos = m_layout.m_nVScrollPos;
  int& m_nFirstCol = m_layout.m_nFirstCol;
  int& m_nTopRow = m_layout.m_nTopRow;
  int m_nDefColWidth = 0;
  int m_nDefRowHeight = 0;

  int m_nMouseMode = MOUSE_IDLE;
  int m_nResizeCol = 0;
  int m_nResizeStartX = 0;
  int m_nTrackLineX = 0;
  int m_nDragCol = 0;
  AutoScrollParams m_autoScroll;
  ThreadHandle m_hAutoScrollThread = 0;

  BYTE m_bEditMode = 0;
  CTzEdit m_edit;

  COLORREF m_clrBack = 0;
  COLORREF m_clrEmptyArea = 0;
  LOGFONTW m_lfDefault{};
  CFont m_fontDefault;
  CFont m_fontBold;
  CGridCell m_focusCell;  // none until the user or the host picks one
  CCellStore m_cells{m_extent};  // the matrix: m_nRows x m_nCols cells, made on demand
  // Told of focus moves, text changes and shape changes (access/AccessEvents.h).
  Access::CAccessEvents* m_pAccessEvents = nullptr;

 private:
  // Set while SetFirstVisibleColumn sends its one-column steps: it repaints
  // the whole control afterwards, so the steps need not move pixels.
  bool m_bWholeRepaintFollows = false;
  // Everything a resize will allocate, taken before the matrix changes.
  void ReserveForResize(int nCols, int nRows, std::vector<bool>& columnListed);
  // The ends of a worker's life: stop it and wait for it (destruction only).
  void StopAutoScrollWorker();
};

}  // namespace TzGrid

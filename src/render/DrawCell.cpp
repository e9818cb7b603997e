// The cell drawer: one ordinary cell's background, the focus frame, its text
// in the cell's colour and alignment, and the in-place editor laid over the
// focus cell while an edit is in progress. The painter calls it with the
// off-screen context; the mouse and keyboard code call it without one to
// redraw a focus change at once, straight on the window.
#include <optional>

#include "../model/TzGridCtrl.h"
#include "CellInk.h"
#include "CellPainter.h"

namespace TzGrid {

namespace {

// Room left between the text and the cell's left and right edges.
constexpr int kTextMargin = 4;

constexpr DWORD kEditorStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
constexpr UINT kEditorId = 1;
static_assert(kEditorStyle == 0x50810080);

// Left and right text stays on one line, centred vertically; centred text
// wraps at word breaks from the top of the cell.
constexpr UINT kLeftFormat = DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_EDITCONTROL;
constexpr UINT kCentreFormat = DT_CENTER | DT_WORDBREAK | DT_NOPREFIX;
constexpr UINT kRightFormat = DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_EDITCONTROL;
static_assert(kLeftFormat == 0x2824 && kCentreFormat == 0x811 && kRightFormat == 0x2826);

// The text format of an alignment; false for a value the grid does not know
// (such a cell shows no text).
bool TextFormatOf(std::int16_t justify, UINT* format) {
  switch (justify) {
    case 0: *format = kLeftFormat; return true;
    case 1: *format = kCentreFormat; return true;
    case 2: *format = kRightFormat; return true;
    default: return false;
  }
}

// The window's own context for one call, released on every way out.
class WindowContext {
 public:
  explicit WindowContext(COleControl& ctrl) : m_ctrl(ctrl), m_pDC(ctrl.GetDC()) {}
  ~WindowContext() {
    if (m_pDC) m_ctrl.ReleaseDC(m_pDC);
  }
  WindowContext(const WindowContext&) = delete;
  WindowContext& operator=(const WindowContext&) = delete;
  CDC* get() const noexcept { return m_pDC; }

 private:
  COleControl& m_ctrl;
  CDC* m_pDC;
};

void DrawCellText(CDC* pDC, const CGridCell& cell, CFont* font, const CRect& rc) {
  pDC->SetBkMode(TRANSPARENT);
  pDC->SelectObject(font);
  CRect textRect = rc;
  textRect.InflateRect(-kTextMargin, 0);
  pDC->SetTextColor(TextColourOf(cell));
  UINT format = 0;
  if (TextFormatOf(cell.m_nJustify, &format)) {
    pDC->DrawText(cell.m_strText.GetString(), cell.m_strText.GetLength(), &textRect, format);
  }
  pDC->SetBkMode(OPAQUE);
}

}  // namespace

void CTzGridCtrl::DrawCell(CGridCell* pCell, const CRect* pRect, CDC* pDC) {
  Render::DrawCellKnowing(*this, pCell, pRect, pDC, nullptr);
}

namespace Render {

void DrawCellKnowing(CTzGridCtrl& grid, const CGridCell* pCell, const CRect* pRect, CDC* pDC, PaintPass* pass) {
  // Cells whose column or row is scrolled off are not drawn, even when a
  // rectangle is given; a column missing from the order counts as position 0.
  int pos = grid.FindDisplayPosition(pCell->m_nCol);
  if (pos < 0) pos = 0;
  if (pos < grid.m_nFirstCol) return;
  if (pos > (pass ? pass->lastVisibleCol : grid.GetLastVisibleColumn())) return;
  // Rows below the visible area are not tested: they fall outside the context.
  if (pCell->m_nRow > grid.FixedRowsInUse() - 1 && pCell->m_nRow < grid.m_nTopRow) return;

  CRect rc;
  if (pRect) {
    rc = *pRect;
  } else {
    grid.GetCellRect(pCell->m_nRow, pCell->m_nCol, &rc);
  }
  if (rc.right == rc.left) return;  // a column one pixel wide has no inside

  std::optional<WindowContext> windowContext;
  CDC* dc = pDC;
  if (!dc) dc = windowContext.emplace(grid).get();
  // Without a window there is nothing to draw on; the editor step below
  // then finds no parent window either.
  if (dc) {
    dc->FillSolidRect(&rc, pCell->m_clrBack != 0 ? pCell->m_clrBack : grid.m_clrBack);
    if (pCell == grid.m_pFocusCell) {
      // A frame on the outermost pixels of the filled area; the hollow
      // brush keeps the background just drawn.
      dc->SelectStockObject(BLACK_PEN);
      dc->SelectStockObject(NULL_BRUSH);
      dc->Rectangle(rc.left, rc.top, rc.right, rc.bottom);
    }
    if (!pCell->m_strText.IsEmpty()) DrawCellText(dc, *pCell, &grid.m_fontDefault, rc);
  }
  // With text, the editor laid over the cell reaches one pixel further up
  // and down than the cell; without, it covers the cell's filled area.
  if (!pCell->m_strText.IsEmpty()) rc.InflateRect(0, 1);

  if (grid.m_bEditMode && pCell == grid.m_pFocusCell && !(pass && pass->editorPlaced)) {
    if (pass) pass->editorPlaced = true;
    if (!grid.m_edit.HasWindow()) grid.m_edit.Create(kEditorStyle, rc, &grid, kEditorId);
    grid.m_edit.MoveWindow(rc.left, rc.top, rc.Width(), rc.Height(), TRUE);
    grid.m_edit.ShowWindow(SW_SHOW);
  }
}

}  // namespace Render

}  // namespace TzGrid

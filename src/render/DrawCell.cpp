// The cell drawer: one ordinary cell's background, the focus frame and its
// text in the cell's colour and alignment, reading the grid only. The
// painter calls it with the off-screen context. A focus change is shown at
// once by RedrawCell, straight on the window, which then lays the in-place
// editor over the focus cell while an edit is in progress; within a paint
// the step before drawing places the editor.
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
  explicit WindowContext(const COleControl& ctrl) : m_ctrl(ctrl), m_pDC(ctrl.GetDC()) {}
  ~WindowContext() {
    if (m_pDC) m_ctrl.ReleaseDC(m_pDC);
  }
  WindowContext(const WindowContext&) = delete;
  WindowContext& operator=(const WindowContext&) = delete;
  CDC* get() const noexcept { return m_pDC; }

 private:
  const COleControl& m_ctrl;
  CDC* m_pDC;
};

void DrawCellText(CDC* pDC, const CCellText& cellText, const CCellAttributes& attributes, const CFont* font,
                  const CRect& rc) {
  pDC->SetBkMode(TRANSPARENT);
  pDC->SelectObject(font);
  CRect textRect = rc;
  textRect.InflateRect(-kTextMargin, 0);
  pDC->SetTextColor(TextColourOf(attributes));
  UINT format = 0;
  if (TextFormatOf(attributes.nJustify, &format)) {
    const CString text = cellText.ToString();
    pDC->DrawText(text.GetString(), text.GetLength(), &textRect, format);
  }
  pDC->SetBkMode(OPAQUE);
}

void DrawOnContext(CDC* dc, const CTzGridCtrl& grid, const CGridCell& cell, const CRect& rc) {
  const CCellAttributes& attributes = grid.CellAttributes(cell);
  dc->FillSolidRect(&rc, attributes.clrBack != 0 ? attributes.clrBack : grid.m_clrBack);
  if (cell == grid.m_focusCell) {
    // A frame on the outermost pixels of the filled area; the hollow
    // brush keeps the background just drawn.
    dc->SelectStockObject(BLACK_PEN);
    dc->SelectStockObject(NULL_BRUSH);
    dc->Rectangle(rc.left, rc.top, rc.right, rc.bottom);
  }
  const CCellText& text = grid.CellText(cell);
  if (!text.IsEmpty()) DrawCellText(dc, text, attributes, &grid.m_fontDefault, rc);
}

}  // namespace

void CTzGridCtrl::DrawCell(const CGridCell& cell, const CRect* pRect, CDC* pDC) const {
  if (std::optional<CRect> rc = Render::PlaceOfCell(*this, cell, pRect, nullptr)) {
    Render::PaintCellAt(*this, cell, *rc, pDC);
  }
}

void CTzGridCtrl::RedrawCell(const CGridCell& cell) {
  std::optional<CRect> rc = Render::PlaceOfCell(*this, cell, nullptr, nullptr);
  if (!rc) return;
  Render::PaintCellAt(*this, cell, *rc, nullptr);
  if (m_bEditMode && cell == m_focusCell) Render::PlaceEditor(*this, Render::EditorRectOver(*this, cell, *rc));
}

namespace Render {

std::optional<CRect> PlaceOfCell(const CTzGridCtrl& grid, const CGridCell& cell, const CRect* pRect,
                                 const int* lastVisibleCol) {
  // A column missing from the order counts as position 0.
  int pos = grid.FindDisplayPosition(cell.m_nCol);
  if (pos < 0) pos = 0;
  if (pos < grid.m_nFirstCol) return std::nullopt;
  if (pos > (lastVisibleCol ? *lastVisibleCol : grid.GetLastVisibleColumn())) return std::nullopt;
  // Rows below the visible area are not tested: they fall outside the context.
  if (cell.m_nRow > grid.FixedRowsInUse() - 1 && cell.m_nRow < grid.m_nTopRow) return std::nullopt;

  CRect rc;
  if (pRect) {
    rc = *pRect;
  } else {
    grid.GetCellRect(cell.m_nRow, cell.m_nCol, &rc);
  }
  if (rc.right == rc.left) return std::nullopt;  // a column one pixel wide has no inside
  return rc;
}

void PaintCellAt(const CTzGridCtrl& grid, const CGridCell& cell, const CRect& rc, CDC* pDC) {
  if (pDC) {
    DrawOnContext(pDC, grid, cell, rc);
    return;
  }
  WindowContext window(grid);
  if (window.get()) DrawOnContext(window.get(), grid, cell, rc);
}

CRect EditorRectOver(const CTzGridCtrl& grid, const CGridCell& cell, const CRect& rc) {
  CRect editor = rc;
  if (!grid.CellText(cell).IsEmpty()) editor.InflateRect(0, 1);
  return editor;
}

void PlaceEditor(CTzGridCtrl& grid, const CRect& rc) {
  // Without a window the editor finds no parent and stays without one.
  if (!grid.m_edit.HasWindow()) grid.m_edit.Create(kEditorStyle, rc, &grid, kEditorId);
  grid.m_edit.MoveWindow(rc.left, rc.top, rc.Width(), rc.Height(), TRUE);
  grid.m_edit.ShowWindow(SW_SHOW);
}

}  // namespace Render

}  // namespace TzGrid

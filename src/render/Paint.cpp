// The paint entry and the grid painter. The painter walks rows and columns
// once, adding widths and heights as it goes, by the same rules as the
// geometry: the fixed strip at the left, the header band at the top, the
// scrolled cells from m_nFirstCol and m_nTopRow. Cell rectangles are
// inclusive (right and bottom are the cell's last pixels) and handed to
// drawing operations that exclude right and bottom, so each cell's last
// pixel column and row stay free for the grid lines.
#include "../model/LayoutMath.h"
#include "../model/TzGridCtrl.h"
#include "CellInk.h"
#include "CellPainter.h"
#include "MemDC.h"

namespace TzGrid {

namespace {

constexpr COLORREF kFrameLight = 0x00FFFFFF;
constexpr COLORREF kFrameShadow = 0x00808080;
constexpr COLORREF kGridLineColour = RGB(142, 192, 192);
constexpr UINT kHeaderTextFormat = DT_CENTER | DT_VCENTER | DT_NOPREFIX;
static_assert(kGridLineColour == 0x00C0C08E);
static_assert(kHeaderTextFormat == 0x805);

UINT WidthAt(const CTzGridCtrl& g, int p) { return g.m_arColWidths.GetAt(int(g.m_arColOrder.GetAt(p))); }

// Puts the pen that was selected before back when the painter is done (or
// fails), so that the grid-line pen is never released while selected: not
// every drawing layer forgives that.
class PenSelection {
 public:
  PenSelection(CDC* pDC, CPen* pPen) : m_pDC(pDC), m_pOld(pDC->SelectObject(pPen)) {}
  ~PenSelection() {
    try {
      if (m_pOld) m_pDC->SelectObject(m_pOld);
    } catch (const CException&) {
    }
  }
  PenSelection(const PenSelection&) = delete;
  PenSelection& operator=(const PenSelection&) = delete;

 private:
  CDC* m_pDC;
  CPen* m_pOld;
};

// True when a frame spanning the pixel rows top .. bottom - 1 cannot touch
// the clip box. An unordered span (hostile heights) is never skipped.
bool RowsOutside(int top, int bottom, const CRect& clip) {
  return top <= bottom && (top >= clip.bottom || bottom <= clip.top);
}

}  // namespace

void CTzGridCtrl::OnDraw(CDC* pDC, const CRect& rcBounds, const CRect& rcInvalid) {
  if (!pDC) return;
  CMemDC memDC(pDC);
  DrawGrid(&memDC, rcBounds, rcInvalid);
  // memDC's destruction puts the picture on the target in one transfer.
}

namespace {

// True when nothing drawn inside rc (right and bottom excluded) can land
// inside the clip box. Without a clip box everything may land.
bool OutsideClip(const CRect& rc, const CRect* clip) {
  return clip && (rc.right <= clip->left || rc.left >= clip->right || rc.bottom <= clip->top || rc.top >= clip->bottom);
}

// The raised look of the header band, with the sort mark after the text.
// The band is laid out whatever the repaint area, but a cell the context
// would clip entirely is not handed to it: a repaint of a strip far below
// the band would otherwise lay out and clip every header text.
void DrawHeaderCell(CDC* pDC, CGridCell* cell, const CRect& rc, CFont* boldFont, const CRect* clip) {
  if (OutsideClip(rc, clip)) {
    cell->m_bReadOnly = 1;
    return;
  }
  pDC->FillRect(&rc, &CBrush::Stock(LTGRAY_BRUSH));
  pDC->Draw3dRect(&rc, kFrameLight, kFrameShadow);
  // A header, once shown, is not something the user edits or pastes into.
  cell->m_bReadOnly = 1;
  pDC->SetBkMode(TRANSPARENT);
  pDC->SelectObject(boldFont);
  CString text = cell->m_strText;
  if (cell->m_nSortState == 1) {
    text += std::u16string_view(u"(A)");
  } else if (cell->m_nSortState == 2) {
    text += std::u16string_view(u" (D)");
  }
  pDC->SetTextColor(TextColourOf(*cell));
  CRect textRect = rc;
  pDC->DrawText(text.GetString(), text.GetLength(), &textRect, kHeaderTextFormat);
  pDC->SetBkMode(OPAQUE);
}

// The fixed strip: one blank raised frame per grid row and fixed column,
// laid out from the top of the control whatever the scroll position. Frames
// the context would clip anyway are not handed to it. The caller has summed
// every width and height already, so the arrays are known to be long enough
// and the walk over a million rows reads them directly.
void DrawFixedStrip(CDC* pDC, const CTzGridCtrl& g, int fixedCols) {
  CRect clip;
  const bool haveClip = pDC->GetClipBox(&clip) != 0;
  const UINT* heights = g.m_arRowHeights.GetData();
  const UINT* widths = g.m_arColWidths.GetData();
  int y = 0;
  for (int r = 0; r < g.m_nRows; ++r) {
    int yEnd = AddPixels(y, heights[r]);
    if (!haveClip || !RowsOutside(y, yEnd, clip)) {
      int x = 0;
      for (int c = 0; c < fixedCols; ++c) {
        int xEnd = AddPixels(x, widths[c]);
        CRect frame(x, y, xEnd, yEnd);
        pDC->Draw3dRect(&frame, kFrameLight, kFrameShadow);
        x = xEnd;
      }
    }
    y = yEnd;
  }
}

}  // namespace

void CTzGridCtrl::DrawGrid(CDC* pDC, const CRect& rcBounds, const CRect& rcInvalid) {
  pDC->FillSolidRect(&rcBounds, m_clrEmptyArea);
  if (m_nRows == 0 || m_nCols == 0) return;

  // Row and column sums come from the model's cached prefix sums: the same
  // values as a walk from 0, without walking a million rows on every paint.
  const int totalW = ColumnWidthSum(0, m_nCols);
  const int totalH = RowHeightSum(0, m_nRows);
  const int fixedCols = FixedColsInUse();
  const int fixedRows = FixedRowsInUse();
  const int fixedW = ColumnWidthSum(0, fixedCols);
  const int fixedH = RowHeightSum(0, fixedRows);

  if (fixedCols > 0) DrawFixedStrip(pDC, *this, fixedCols);

  // Asked once for the whole paint rather than by every cell drawn.
  Render::PaintPass pass;
  pass.lastVisibleCol = GetLastVisibleColumn();
  CRect clipBox;
  const CRect* clip = pDC->GetClipBox(&clipBox) != 0 ? &clipBox : nullptr;

  // The header band is redrawn up to the control's right edge on every
  // paint, whatever the repaint area.
  int top = 0;
  for (int r = 0; r < fixedRows; ++r) {
    int bottom = SubPixels(AddPixels(top, m_arRowHeights.GetAt(r)), 1);
    int right = SubPixels(fixedW, 1);
    for (int p = m_nFirstCol; p < m_nCols; ++p) {
      int left = AddPixels(right, 1);
      if (left > rcBounds.right) break;
      right = SubPixels(AddPixels(left, WidthAt(*this, p)), 1);
      // A cell of the band takes its read-only mark when painted: it is made.
      CGridCell* cell = GetCell(r, int(m_arColOrder.GetAt(p)));
      if (SubPixels(right, left) <= 0) continue;  // one pixel or narrower: nothing fits
      CRect rc(left, top, right, bottom);
      if (cell->m_bHeader) {
        DrawHeaderCell(pDC, cell, rc, &m_fontBold, clip);
      } else {
        Render::DrawCellKnowing(*this, cell, &rc, pDC, &pass);
      }
    }
    top = AddPixels(bottom, 1);
  }

  // The scrolled cells inside the repaint area. The header flag plays no
  // part here: every cell is an ordinary one.
  int bottom = SubPixels(fixedH, 1);
  for (int r = m_nTopRow; r < m_nRows; ++r) {
    int rowTop = AddPixels(bottom, 1);
    bottom = SubPixels(AddPixels(rowTop, m_arRowHeights.GetAt(r)), 1);
    if (bottom < rcInvalid.top) continue;
    if (rowTop > rcInvalid.bottom) break;
    int right = SubPixels(fixedW, 1);
    for (int p = m_nFirstCol; p < m_nCols; ++p) {
      int left = AddPixels(right, 1);
      right = SubPixels(AddPixels(left, WidthAt(*this, p)), 1);
      if (left > rcInvalid.right) break;
      if (right < rcInvalid.left) continue;
      // A cell never made is drawn as a new one, without making it.
      const int col = int(m_arColOrder.GetAt(p));
      const CGridCell* cell = FindCell(r, col);
      const CGridCell blank(r, col);
      CRect rc(left, rowTop, right, bottom);
      Render::DrawCellKnowing(*this, cell ? cell : &blank, &rc, pDC, &pass);
    }
  }

  // Grid lines over the scrolled region, on the pixels the cells left free.
  CPen gridPen(PS_SOLID, 0, kGridLineColour);
  PenSelection selection(pDC, &gridPen);
  const int lineRight = AddPixels(SubPixels(totalW, m_nHScrollPos), 1);
  int y = SubPixels(fixedH, 1);
  for (int r = m_nTopRow; r < m_nRows; ++r) {
    y = AddPixels(y, m_arRowHeights.GetAt(r));
    if (y > rcInvalid.bottom) break;
    if (y >= rcInvalid.top) {
      pDC->MoveTo(fixedW, y);
      pDC->LineTo(lineRight, y);
    }
  }
  int lineBottom = AddPixels(SubPixels(totalH, m_nVScrollPos), 1);
  if (lineBottom > rcBounds.bottom) lineBottom = rcBounds.bottom;
  int x = SubPixels(fixedW, 1);
  for (int p = m_nFirstCol; p < m_nCols; ++p) {
    x = AddPixels(x, WidthAt(*this, p));
    if (x > rcInvalid.right) break;
    if (x >= rcInvalid.left) {
      pDC->MoveTo(x, fixedH);
      pDC->LineTo(x, lineBottom);
    }
  }

  UpdateScrollBars();
}

}  // namespace TzGrid

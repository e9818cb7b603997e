// The paint entry, the step before painting and the grid painter. A paint
// first makes the writes it owes the model (PrepareToPaint), then draws
// reading only (DrawGrid), then brings the scroll bars up to date. Both the
// step before and the painter lay cells out with the same walks
// (PaintWalk.h), so they agree on every place.
#include <exception>

#include "../model/LayoutMath.h"
#include "../model/TzGridCtrl.h"
#include "CellInk.h"
#include "CellPainter.h"
#include "MemDC.h"
#include "PaintWalk.h"

namespace TzGrid {

namespace {

constexpr COLORREF kFrameLight = 0x00FFFFFF;
constexpr COLORREF kFrameShadow = 0x00808080;
constexpr COLORREF kGridLineColour = RGB(142, 192, 192);
constexpr UINT kHeaderTextFormat = DT_CENTER | DT_VCENTER | DT_NOPREFIX;
static_assert(kGridLineColour == 0x00C0C08E);
static_assert(kHeaderTextFormat == 0x805);

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
  // When the writes fail, the picture is still drawn as far as the model
  // allows, as a paint that failed half way always showed what it had.
  std::exception_ptr failure;
  try {
    PrepareToPaint(rcBounds, rcInvalid);
  } catch (...) {
    failure = std::current_exception();
  }
  DrawGrid(&memDC, rcBounds, rcInvalid);
  if (failure) std::rethrow_exception(failure);
  // An empty grid leaves the bars as they are.
  if (m_nRows != 0 && m_nCols != 0) UpdateScrollBars();
  // memDC's destruction puts the picture on the target in one transfer.
}

void CTzGridCtrl::PrepareToPaint(const CRect& rcBounds, const CRect& rcInvalid) {
  if (m_nRows == 0 || m_nCols == 0) return;
  const Render::PaintFrame frame = Render::MeasureFrame(m_layout);
  const int lastVisibleCol = GetLastVisibleColumn();
  // The editor goes over the first place its cell is drawn: a row can be
  // drawn twice in one paint (in the header band and among the scrolled
  // rows, when the fixed rows reach past the top row), and an editor moved
  // back and forth would make the window due for another paint, for ever.
  bool editorPending = m_bEditMode && m_focusCell;
  auto placeEditorAt = [&](const CGridCell& cell, const CRect& rc) {
    if (!editorPending || cell != m_focusCell) return;
    if (std::optional<CRect> place = Render::PlaceOfCell(*this, cell, &rc, &lastVisibleCol)) {
      Render::PlaceEditor(*this, Render::EditorRectOver(*this, cell, *place));
      editorPending = false;
    }
  };
  Render::WalkHeaderBand(m_layout, frame, rcBounds, [&](int row, int col, const CRect& rc) {
    const CGridCell cell(row, col);
    if (Render::TooNarrowToDraw(rc)) return;
    if (CellAttributes(cell).bHeader) {
      // A header, once shown, is not something the user edits or pastes into.
      m_cells.SetAttribute(cell, &CCellAttributes::bReadOnly, true);
    } else {
      placeEditorAt(cell, rc);
    }
  });
  if (!editorPending) return;
  Render::WalkScrolledCells(m_layout, frame, rcInvalid, [&](int row, int col, const CRect& rc) {
    placeEditorAt(CGridCell(row, col), rc);
  });
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
void DrawHeaderCell(CDC* pDC, const CCellText& cellText, const CCellAttributes& attributes, const CRect& rc,
                    const CFont* boldFont, const CRect* clip) {
  if (OutsideClip(rc, clip)) return;
  pDC->FillRect(&rc, &CBrush::Stock(LTGRAY_BRUSH));
  pDC->Draw3dRect(&rc, kFrameLight, kFrameShadow);
  pDC->SetBkMode(TRANSPARENT);
  pDC->SelectObject(boldFont);
  CString text = cellText.ToString();
  if (attributes.nSortState == 1) {
    text += std::u16string_view(u"(A)");
  } else if (attributes.nSortState == 2) {
    text += std::u16string_view(u" (D)");
  }
  pDC->SetTextColor(TextColourOf(attributes));
  CRect textRect = rc;
  pDC->DrawText(text.GetString(), text.GetLength(), &textRect, kHeaderTextFormat);
  pDC->SetBkMode(OPAQUE);
}

// The fixed strip: one blank raised frame per grid row and fixed column,
// laid out from the top of the control whatever the scroll position. Frames
// the context would clip anyway are not handed to it. The caller has summed
// every width and height already, so the arrays are known to be long enough
// and the walk over a million rows reads them directly.
void DrawFixedStrip(CDC* pDC, const CGridLayout& layout, int fixedCols) {
  CRect clip;
  const bool haveClip = pDC->GetClipBox(&clip) != 0;
  const UINT* heights = layout.RowHeights().GetData();
  const UINT* widths = layout.ColumnWidths().GetData();
  int y = 0;
  for (int r = 0, rows = layout.RowCount(); r < rows; ++r) {
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

// Grid lines over the scrolled region, on the pixels the cells left free:
// one on the bottom pixel row of each scrolled row, one on the right pixel
// column of each scrolled column.
void DrawGridLines(CDC* pDC, const CGridLayout& layout, const Render::PaintFrame& frame, const CRect& rcBounds,
                   const CRect& rcInvalid) {
  CPen gridPen(PS_SOLID, 0, kGridLineColour);
  PenSelection selection(pDC, &gridPen);
  const int lineRight = AddPixels(SubPixels(frame.totalW, layout.HorizontalScrollPixels()), 1);
  int y = SubPixels(frame.fixedH, 1);
  for (int r = layout.TopScrolledRow(), rows = layout.RowCount(); r < rows; ++r) {
    y = AddPixels(y, layout.HeightOfRow(r));
    if (y > rcInvalid.bottom) break;
    if (y >= rcInvalid.top) {
      pDC->MoveTo(frame.fixedW, y);
      pDC->LineTo(lineRight, y);
    }
  }
  int lineBottom = AddPixels(SubPixels(frame.totalH, layout.VerticalScrollPixels()), 1);
  if (lineBottom > rcBounds.bottom) lineBottom = rcBounds.bottom;
  int x = SubPixels(frame.fixedW, 1);
  for (int p = layout.FirstScrolledPosition(), count = layout.ColumnCount(); p < count; ++p) {
    x = AddPixels(x, layout.WidthAtPosition(p));
    if (x > rcInvalid.right) break;
    if (x >= rcInvalid.left) {
      pDC->MoveTo(x, frame.fixedH);
      pDC->LineTo(x, lineBottom);
    }
  }
}

}  // namespace

void CTzGridCtrl::DrawGrid(CDC* pDC, const CRect& rcBounds, const CRect& rcInvalid) const {
  pDC->FillSolidRect(&rcBounds, m_clrEmptyArea);
  if (m_nRows == 0 || m_nCols == 0) return;

  const Render::PaintFrame frame = Render::MeasureFrame(m_layout);
  if (frame.fixedCols > 0) DrawFixedStrip(pDC, m_layout, frame.fixedCols);

  // Asked once for the whole paint rather than by every cell drawn.
  const int lastVisibleCol = GetLastVisibleColumn();
  CRect clipBox;
  const CRect* clip = pDC->GetClipBox(&clipBox) != 0 ? &clipBox : nullptr;
  auto drawOrdinary = [&](const CGridCell& cell, const CRect& rc) {
    if (std::optional<CRect> place = Render::PlaceOfCell(*this, cell, &rc, &lastVisibleCol)) {
      Render::PaintCellAt(*this, cell, *place, pDC);
    }
  };

  // The header band is redrawn up to the control's right edge on every
  // paint, whatever the repaint area.
  Render::WalkHeaderBand(m_layout, frame, rcBounds, [&](int row, int col, const CRect& rc) {
    if (Render::TooNarrowToDraw(rc)) return;
    const CGridCell cell(row, col);
    const CCellAttributes& attributes = CellAttributes(cell);
    if (attributes.bHeader) {
      DrawHeaderCell(pDC, CellText(cell), attributes, rc, &m_fontBold, clip);
    } else {
      drawOrdinary(cell, rc);
    }
  });

  // The scrolled cells inside the repaint area. The header flag plays no
  // part here: every cell is an ordinary one.
  Render::WalkScrolledCells(m_layout, frame, rcInvalid, [&](int row, int col, const CRect& rc) {
    drawOrdinary(CGridCell(row, col), rc);
  });

  DrawGridLines(pDC, m_layout, frame, rcBounds, rcInvalid);
}

}  // namespace TzGrid

// Scroll handlers: the grid scrolls by whole columns and rows while its scroll
// bars count pixels. Every scroll request, from the bars, the wheel, the
// keyboard, the auto-scroll worker or automation, arrives here as WM_HSCROLL
// or WM_VSCROLL, so the four scroll members always move together.
#include <climits>
#include <cstdint>

#include "../model/LayoutMath.h"
#include "InputSteps.h"

namespace TzGrid {

namespace Input {

int FirstIndexPastScrollPos(const CTzGridCtrl& grid) {
  // From the cached sums: SetFirstVisibleColumn steps one column at a time,
  // and a walk over every column on each step would cost their square.
  int c = grid.FindColumnPassing(grid.m_nHScrollPos);
  return c < grid.m_nCols ? c : 0;
}

int DisplayPositionOrZero(const CTzGridCtrl& grid, const CGridCell& cell) {
  int p = grid.FindDisplayPosition(cell.m_nCol);
  return p < 0 ? 0 : p;
}

}  // namespace Input

namespace {

using namespace Input;

// A scroll worked out before anything changes: pixels and whole columns or rows.
struct ScrollStep {
  int pixels = 0;
  int count = 0;
};

std::int64_t Magnitude(int v) { return v < 0 ? -std::int64_t(v) : std::int64_t(v); }

// Sizes as the scroll arithmetic adds them: signed.
int WidthAtPosition(const CTzGridCtrl& grid, int p) { return int(grid.m_layout.WidthAtPosition(p)); }
int HeightOfRow(const CTzGridCtrl& grid, int r) { return int(grid.m_layout.HeightOfRow(r)); }
// The cached sums give exactly what the walk from row 0 gives, and raise
// where it would, without walking a million rows on every scroll step.
int SumHeights(const CTzGridCtrl& grid, int count) { return grid.RowHeightSum(0, count); }

// The items first .. last passed over one by one while their sizes add up
// to no more than limit; the item that would pass it is not taken. A walk
// that runs out of items keeps the full sums.
template <typename SizeOf>
ScrollStep WalkForward(int first, int last, int limit, SizeOf sizeOf) {
  ScrollStep s;
  for (int i = first; i <= last; ++i) {
    int size = sizeOf(i);
    ++s.count;
    s.pixels = AddPixels(s.pixels, UINT(size));
    if (s.pixels > limit) {
      s.pixels = SubPixels(s.pixels, size);
      --s.count;
      break;
    }
  }
  return s;
}

// Page left walks back through every position down to 0, fixed ones
// included; reaching position 0 scrolls back to the very start even when
// that is more than a page, so the user always gets the first column back.
ScrollStep PageLeft(const CTzGridCtrl& grid, int clientWidth) {
  ScrollStep s;
  for (int i = grid.m_nFirstCol - 1; i >= 0; --i) {
    int w = WidthAtPosition(grid, i);
    --s.count;
    s.pixels = SubPixels(s.pixels, w);
    if (i == 0) {
      s.pixels = -grid.m_nHScrollPos;
      s.count = -grid.m_nFirstCol;
      break;
    }
    if (Magnitude(s.pixels) > clientWidth) {
      s.pixels = AddPixels(s.pixels, UINT(w));
      ++s.count;
      break;
    }
  }
  return s;
}

// Page right walks forward from the first scrolled position while the
// columns passed fit in the client width.
ScrollStep PageRight(const CTzGridCtrl& grid, int clientRight) {
  return WalkForward(grid.m_nFirstCol, grid.m_nCols - 1, clientRight,
                     [&grid](int p) { return WidthAtPosition(grid, p); });
}

// Page up walks back to the first scrollable row, measuring the page by the
// whole client height.
ScrollStep PageUp(const CTzGridCtrl& grid, int fixedRows, int clientHeight) {
  ScrollStep s;
  for (int r = grid.m_nTopRow - 1; r >= fixedRows; --r) {
    int h = HeightOfRow(grid, r);
    --s.count;
    s.pixels = SubPixels(s.pixels, h);
    if (Magnitude(s.pixels) > clientHeight) {
      s.pixels = AddPixels(s.pixels, UINT(h));
      ++s.count;
      break;
    }
  }
  return s;
}

// Page down measures the page by the scrolled band's height and never
// passes the last row, so a page near the end brings the last row to the top.
ScrollStep PageDown(const CTzGridCtrl& grid, int bandHeight) {
  return WalkForward(grid.m_nTopRow, grid.m_nRows - 2, bandHeight, [&grid](int r) { return HeightOfRow(grid, r); });
}

// The thumb selects the first scrollable item whose running size (from the
// first scrollable one) reaches the track position; the view snaps to its
// leading edge. sizeOf(i) is the width or height of item i.
template <typename SizeOf>
ScrollStep FromThumb(int track, int firstScrollable, int count, int current, SizeOf sizeOf) {
  ScrollStep s;
  int target = -1;
  int sum = 0;
  for (int q = firstScrollable; q < count; ++q) {
    sum = AddPixels(sum, UINT(sizeOf(q)));
    if (sum >= track) {
      target = q;
      break;
    }
  }
  if (target < 0) return s;
  s.count = target - current;
  if (s.count > 0) {
    for (int i = current; i < target; ++i) s.pixels = AddPixels(s.pixels, UINT(sizeOf(i)));
  } else if (s.count < 0) {
    int back = 0;
    for (int i = target; i < current; ++i) back = AddPixels(back, UINT(sizeOf(i)));
    s.pixels = SubPixels(0, back);
  }
  return s;
}

// The vertical thumb over the cached row sums: the same target and amount
// as FromThumb's walk (the first row whose running height from the first
// scrollable row reaches the track position), without the walk, so that
// dragging the thumb of a million-row grid stays fast.
ScrollStep RowsFromThumb(const CTzGridCtrl& grid, int track, int fixedRows) {
  if (track == INT_MIN) {
    return FromThumb(track, fixedRows, grid.m_nRows, grid.m_nTopRow,
                     [&grid](int r) { return HeightOfRow(grid, r); });
  }
  ScrollStep s;
  // "reaches t" is "passes t - 1" for integers.
  int target = grid.FindRowPassing(fixedRows, 0, track - 1);
  if (target >= grid.m_nRows) return s;
  s.count = target - grid.m_nTopRow;
  if (s.count > 0) {
    s.pixels = grid.RowHeightSum(grid.m_nTopRow, target);
  } else if (s.count < 0) {
    s.pixels = SubPixels(0, grid.RowHeightSum(target, grid.m_nTopRow));
  }
  return s;
}

int TrackPos(CTzGridCtrl& grid, int nBar) {
  SCROLLINFO info;
  info.fMask = SIF_TRACKPOS;
  grid.GetScrollInfo(nBar, &info, SIF_TRACKPOS);
  return info.nTrackPos;
}

// The clamp both handlers share: a step that would take the position below
// 0 is cut to reach 0 exactly; false for one that would pass the last pixel.
bool ClampStep(ScrollStep& step, int position, int total) {
  const int newPos = AddPixels(position, UINT(step.pixels));
  if (newPos < 0) {
    step.pixels = -position;
  } else if (newPos > SubPixels(total, 1)) {
    return false;
  }
  return true;
}

// After a scroll the editor stays where its window is; it is only hidden
// while its cell is out of view and shown (with the keyboard focus) again
// when the cell comes back.
void ShowEditorIf(CTzGridCtrl& grid, bool visible) {
  if (visible) {
    grid.m_edit.ShowWindow(SW_SHOW);
    grid.m_edit.SetFocus();
  } else {
    grid.m_edit.ShowWindow(SW_HIDE);
  }
}

// The edited cell's column is in view from the first column past the scroll
// position (by index, as the widths add up from column 0) to the last one shown.
void FollowEditedColumn(CTzGridCtrl& grid) {
  if (!grid.m_bEditMode || !grid.m_focusCell) return;
  const int focusPos = DisplayPositionOrZero(grid, grid.m_focusCell);
  const int firstShown = FirstIndexPastScrollPos(grid);
  ShowEditorIf(grid, !(focusPos < firstShown || focusPos > grid.GetLastVisibleColumn()));
}

void FollowEditedRow(CTzGridCtrl& grid) {
  if (!grid.m_bEditMode || !grid.m_focusCell) return;
  const int row = grid.m_focusCell.m_nRow;
  ShowEditorIf(grid, !(row < grid.m_nTopRow || row > grid.GetLastVisibleRow()));
}

}  // namespace

void CTzGridCtrl::OnHScroll(UINT nSBCode, UINT /*nPos*/, CWnd* /*pScrollBar*/) {
  CRect client;
  GetClientRect(&client);
  const int totalWidth = ColumnWidthSum(0, m_nCols);
  if (totalWidth <= client.Width()) return;
  if (nSBCode > SB_THUMBTRACK) return;

  ScrollStep step;
  switch (nSBCode) {
    case SB_LINELEFT:
      if (m_nFirstCol > 0) step = {-WidthAtPosition(*this, m_nFirstCol - 1), -1};
      break;
    case SB_LINERIGHT:
      step = {WidthAtPosition(*this, m_nFirstCol), 1};
      break;
    case SB_PAGELEFT:
      step = PageLeft(*this, client.right - client.left);
      break;
    case SB_PAGERIGHT:
      step = PageRight(*this, client.right);
      break;
    default:  // SB_THUMBPOSITION, SB_THUMBTRACK
      step = FromThumb(TrackPos(*this, SB_HORZ), FixedColsInUse(), m_nCols, m_nFirstCol,
                       [this](int p) { return WidthAtPosition(*this, p); });
      break;
  }
  if (!ClampStep(step, m_nHScrollPos, totalWidth)) return;
  if (std::int64_t(m_nFirstCol) + step.count >= m_nCols) return;
  if (step.pixels == 0) return;

  m_nFirstCol += step.count;
  m_nHScrollPos = AddPixels(m_nHScrollPos, UINT(step.pixels));
  SetScrollPos(SB_HORZ, m_nHScrollPos, TRUE);

  // Only the scrolled region moves; the fixed strip stays and the strip the
  // move uncovers is left to the paint pipeline.
  CRect area;
  GetClientRect(&area);
  area.left = AddPixels(area.left, UINT(ColumnWidthSum(0, FixedColsInUse())));
  if (!m_bWholeRepaintFollows) ScrollWindow(-step.pixels, 0, &area, &area);
  FollowEditedColumn(*this);
}

void CTzGridCtrl::OnVScroll(UINT nSBCode, UINT /*nPos*/, CWnd* /*pScrollBar*/) {
  CRect client;
  GetClientRect(&client);
  const int totalHeight = SumHeights(*this, m_nRows);
  if (totalHeight <= client.Height()) return;
  if (nSBCode > SB_THUMBTRACK) return;

  const int fixedRows = FixedRowsInUse();
  const int fixedHeight = SumHeights(*this, fixedRows);
  ScrollStep step;
  switch (nSBCode) {
    case SB_LINEUP:
      if (m_nTopRow > 0) step = {-HeightOfRow(*this, m_nTopRow - 1), -1};
      break;
    case SB_LINEDOWN:
      if (m_nTopRow == m_nRows - 1) return;
      step = {HeightOfRow(*this, m_nTopRow), 1};
      break;
    case SB_PAGEUP:
      step = PageUp(*this, fixedRows, client.bottom - client.top);
      break;
    case SB_PAGEDOWN:
      step = PageDown(*this, SubPixels(client.bottom, fixedHeight));
      break;
    default:  // SB_THUMBPOSITION, SB_THUMBTRACK
      step = RowsFromThumb(*this, TrackPos(*this, SB_VERT), fixedRows);
      break;
  }
  if (!ClampStep(step, m_nVScrollPos, totalHeight)) return;
  if (step.pixels == 0) return;

  m_nTopRow += step.count;
  m_nVScrollPos = AddPixels(m_nVScrollPos, UINT(step.pixels));
  SetScrollPos(SB_VERT, m_nVScrollPos, TRUE);

  // The header band stays; the rows below it move.
  CRect area;
  GetClientRect(&area);
  area.top = AddPixels(area.top, UINT(fixedHeight));
  ScrollWindow(0, -step.pixels, &area, &area);
  FollowEditedRow(*this);
}

BOOL CTzGridCtrl::OnMouseWheel(UINT /*nFlags*/, short zDelta, CPoint /*pt*/) {
  // One line per wheel message, whatever the distance: the grid scrolls
  // by whole rows only.
  SendMessage(WM_VSCROLL, zDelta > 0 ? SB_LINEUP : SB_LINEDOWN, 0);
  return TRUE;
}

}  // namespace TzGrid

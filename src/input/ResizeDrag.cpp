// Column resizing by the header borders, column dragging by the header
// cells, the cursor that shows the mouse mode, and the auto-scroll worker
// that scrolls one column at a time while a dragged header is outside the
// control.
#include <memory>
#include <mutex>
#include <unordered_map>

#include "../model/LayoutMath.h"
#include "InputSteps.h"
#include "../access/AccessEvents.h"

namespace TzGrid {

namespace {

using namespace Input;

// ---- the tracking band: two pixel columns, inverted straight on the window

void InvertBand(CTzGridCtrl& grid, CDC* dc, int x) {
  CRect client;
  grid.GetClientRect(&client);
  CRect band(x, client.top, AddPixels(x, 2), client.bottom);
  dc->InvertRect(&band);
}

// Draws or erases (the same inversion) the band at x; nothing without a
// device context.
void ToggleBand(CTzGridCtrl& grid, int x) {
  CDC* dc = grid.GetDC();
  if (!dc) return;
  InvertBand(grid, dc, x);
  grid.ReleaseDC(dc);
}

// Every way out of a resize except the applying release erases the band
// first, so no inverted pixels are left behind.
void SetMouseMode(CTzGridCtrl& grid, int mode) {
  if (grid.m_nMouseMode == MOUSE_RESIZING && mode != MOUSE_RESIZING) ToggleBand(grid, grid.m_nTrackLineX);
  if (grid.m_nMouseMode == MOUSE_DRAGGING && mode != MOUSE_DRAGGING) {
    // A drag that lost its capture ends on the next move without buttons.
    // A worker left running would scroll the grid with no drag to show for
    // it, so it is told to stop as well.
    grid.m_autoScroll.bStop = 1;
  }
  grid.m_nMouseMode = mode;
}

// ---- worker bookkeeping
//
// The shared block admits one worker at a time, but the window thread only
// sees bStop, and a stopped worker may still be in its pause. Each worker is
// therefore started through a launcher that marks its ticket finished when
// the worker returns; a new worker starts only once the previous ticket is
// finished, and the finished thread is joined (which then cannot block).

struct WorkerTicket {
  AutoScrollParams* params = nullptr;
  std::atomic<bool> finished{false};
};

std::mutex g_ticketLock;
std::unordered_map<const CTzGridCtrl*, std::shared_ptr<WorkerTicket>> g_tickets;

std::shared_ptr<WorkerTicket> TicketOf(const CTzGridCtrl& grid) {
  std::lock_guard<std::mutex> guard(g_ticketLock);
  auto it = g_tickets.find(&grid);
  return it == g_tickets.end() ? nullptr : it->second;
}

std::shared_ptr<WorkerTicket> TakeTicket(const CTzGridCtrl& grid) {
  std::lock_guard<std::mutex> guard(g_ticketLock);
  auto it = g_tickets.find(&grid);
  if (it == g_tickets.end()) return nullptr;
  std::shared_ptr<WorkerTicket> ticket = std::move(it->second);
  g_tickets.erase(it);
  return ticket;
}

unsigned RunWorker(void* arg) {
  std::unique_ptr<std::shared_ptr<WorkerTicket>> holder(static_cast<std::shared_ptr<WorkerTicket>*>(arg));
  std::shared_ptr<WorkerTicket> ticket = *holder;
  unsigned result = CTzGridCtrl::AutoScrollThreadProc(ticket->params);
  ticket->finished = true;
  return result;
}

bool WorkerStillRunning(const CTzGridCtrl& grid) {
  std::shared_ptr<WorkerTicket> ticket = TicketOf(grid);
  return ticket && !ticket->finished.load();
}

void StartWorker(CTzGridCtrl& grid, bool forward) {
  // A worker told to stop may still be in its pause; starting another now
  // would put two on one block. The next move outside tries again.
  if (WorkerStillRunning(grid)) return;
  if (grid.m_hAutoScrollThread) {
    JoinThread(grid.m_hAutoScrollThread);  // finished: returns at once
    grid.m_hAutoScrollThread = 0;
  }
  AutoScrollParams& params = grid.m_autoScroll;
  params.hWnd = grid.GetSafeHwnd();
  params.pCtrl = &grid;
  params.bStop = 0;
  params.bFast = 0;
  params.bForward = forward ? 1 : 0;

  auto ticket = std::make_shared<WorkerTicket>();
  ticket->params = &params;
  auto* arg = new std::shared_ptr<WorkerTicket>(ticket);
  ThreadHandle handle = BeginThreadEx(&RunWorker, arg);
  if (!handle) {
    // Not reported; with bStop at 0 the next start waits until the pointer
    // has been inside once more.
    delete arg;
    ticket->finished = true;
  }
  grid.m_hAutoScrollThread = handle;
  std::lock_guard<std::mutex> guard(g_ticketLock);
  g_tickets[&grid] = ticket;
}

// ---- the three parts of a mouse move

void HoverTest(CTzGridCtrl& grid, CPoint point) {
  int borderX = 0;
  if (grid.GetColumnBorderAtPoint(point, borderX) == -1) {
    SetMouseMode(grid, MOUSE_IDLE);
  } else if (!grid.m_bEditMode) {
    // During an edit a border offers no resize.
    SetMouseMode(grid, MOUSE_OVER_BORDER);
  }
}

void TrackResize(CTzGridCtrl& grid, CPoint point) {
  CRect client;
  grid.GetClientRect(&client);
  if (point.y < 0 || point.y > client.bottom - client.top) {
    // Leaving the client area above or below cancels the resize.
    SetMouseMode(grid, MOUSE_IDLE);
    return;
  }
  CDC* dc = grid.GetDC();
  if (!dc) return;
  InvertBand(grid, dc, grid.m_nTrackLineX);
  grid.m_nTrackLineX = point.x;
  InvertBand(grid, dc, grid.m_nTrackLineX);
  grid.ReleaseDC(dc);
}

void SteerAutoScroll(CTzGridCtrl& grid, CPoint point) {
  CRect client;
  grid.GetClientRect(&client);
  const int right = client.right;
  if (grid.m_autoScroll.bStop == 1) {
    if (point.x < 0) {
      StartWorker(grid, false);
    } else if (point.x > right) {
      StartWorker(grid, true);
    }
  } else if (point.x >= 1 && point.x < right) {
    grid.m_autoScroll.bStop = 1;
  }
}

}  // namespace

namespace Input {

void BeginResize(CTzGridCtrl& grid, CPoint point) {
  grid.m_nMouseMode = MOUSE_RESIZING;
  int borderX = 0;
  grid.m_nResizeCol = grid.GetColumnBorderAtPoint(point, borderX);
  grid.m_nResizeStartX = grid.m_nResizeCol == -1 ? 0 : borderX;
  // The band covers the border's pixel column and the one left of it.
  grid.m_nTrackLineX = SubPixels(grid.m_nResizeStartX, 1);
  ToggleBand(grid, grid.m_nTrackLineX);
}

void ApplyResize(CTzGridCtrl& grid, UINT nFlags, CPoint point) {
  ToggleBand(grid, grid.m_nTrackLineX);
  const int pos = grid.m_nResizeCol;
  const bool isPosition = pos >= 0 && pos < grid.m_nCols;
  int dx = 0;
  int newWidth = 0;
  if (isPosition) {
    dx = SubPixels(point.x, grid.m_nResizeStartX);
    const int col = grid.m_layout.ColumnAtPosition(pos);
    newWidth = AddPixels(dx, grid.m_layout.WidthOfColumn(col));
    if (newWidth < 0) newWidth = 0;  // no other limit: a column may vanish
    grid.m_layout.SetWidthOfColumn(col, UINT(newWidth));
  }
  grid.m_nMouseMode = MOUSE_IDLE;
  if (isPosition && grid.m_bEditMode) {
    // The editor keeps to its column: resized with it, or shifted when the
    // resized column lies left of it.
    int focusPos = grid.m_focusCell ? DisplayPositionOrZero(grid, grid.m_focusCell) : 0;
    if (focusPos >= pos) {
      CRect rect;
      grid.m_edit.GetWindowRect(&rect);
      grid.ScreenToClient(&rect);
      if (focusPos == pos) {
        grid.m_edit.MoveWindow(rect.left, rect.top, SubPixels(newWidth, 1), rect.Height(), TRUE);
      } else {
        grid.m_edit.MoveWindow(AddPixels(rect.left, UINT(dx)), rect.top, rect.Width(),
                               rect.Height(), TRUE);
      }
    }
  }
  // The scroll bars follow with the repaint.
  grid.InvalidateControl(nullptr, TRUE);
  grid.COleControl::OnLButtonUp(nFlags, point);
}

void BeginDrag(CTzGridCtrl& grid, int pos) {
  grid.m_nDragCol = pos;
  grid.SetCursor(IDC_DRAGCOLUMN);
  SetMouseMode(grid, MOUSE_DRAGGING);
  // Dragging a header ends an edit without reporting it.
  KillEditorFocus(grid);
  grid.m_bEditMode = 0;
  grid.SetCapture();
}

void DropColumn(CTzGridCtrl& grid, UINT nFlags, CPoint point) {
  grid.m_autoScroll.bStop = 1;
  grid.ReleaseCapture();
  grid.m_nMouseMode = MOUSE_IDLE;
  grid.SetCursor(IDC_ARROW);
  const int target = grid.GetColumnAtPoint(point);
  const int from = grid.m_nDragCol;
  if (target == -1 || target == from) return;
  // Checked before the order changes, so a bad index leaves it intact.
  grid.m_layout.ColumnAtPosition(from);
  AfxCheckIndex(target, grid.m_layout.ColumnCount(), "drop position");
  grid.m_layout.MoveDisplayPosition(from, target);
  grid.InvalidateControl(nullptr, TRUE);
  Access::NotifyShapeChanged(grid);
  grid.COleControl::OnLButtonUp(nFlags, point);
}

void EndAutoScrollForDestroyedWindow(CTzGridCtrl& grid) {
  grid.m_autoScroll.bStop = 1;
  TakeTicket(grid);
  if (!grid.m_hAutoScrollThread) return;
  // The window refuses sends by now, so the worker cannot be waiting on
  // this thread: it ends after its current pause at the latest.
  JoinThread(grid.m_hAutoScrollThread);
  grid.m_hAutoScrollThread = 0;
}

}  // namespace Input

void CTzGridCtrl::OnMouseMove(UINT nFlags, CPoint point) {
  // The hover test runs on every move without buttons, whatever the mode;
  // the resize and drag steps then see the mode as it stands.
  if (nFlags == 0) HoverTest(*this, point);
  if (m_nMouseMode == MOUSE_RESIZING) {
    TrackResize(*this, point);
  } else if (m_nMouseMode == MOUSE_DRAGGING) {
    SteerAutoScroll(*this, point);
  }
}

BOOL CTzGridCtrl::OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message) {
  // The cursor follows the mode wherever the pointer is, also over the
  // editor and the scroll bars.
  switch (m_nMouseMode) {
    case MOUSE_OVER_BORDER:
    case MOUSE_RESIZING:
      SetCursor(IDC_SIZEWE);
      return TRUE;
    case MOUSE_IDLE:
      SetCursor(IDC_ARROW);
      return TRUE;
    case MOUSE_DRAGGING:
      SetCursor(IDC_DRAGCOLUMN);
      return TRUE;
    default:
      return COleControl::OnSetCursor(pWnd, nHitTest, message);
  }
}

unsigned CTzGridCtrl::AutoScrollThreadProc(void* pParams) {
  auto* params = static_cast<AutoScrollParams*>(pParams);
  if (!params || params->bStop) return 0;
  // The worker never touches the grid: each step is a WM_HSCROLL carried
  // out on the window thread while the worker waits.
  do {
    const UINT code = params->bForward ? SB_LINERIGHT : SB_LINELEFT;
    if (params->pCtrl) params->pCtrl->SendMessage(WM_HSCROLL, code, 0);
    Sleep(params->bFast ? 10 : 100);
  } while (!params->bStop);
  return 0;
}

void CTzGridCtrl::StopAutoScrollWorker() {
  m_autoScroll.bStop = 1;
  std::shared_ptr<WorkerTicket> ticket = TakeTicket(*this);
  // A control going away takes its window with it, as a window object
  // destroyed with its window still there does; the site then never calls
  // back into the control. This also keeps the wait below from
  // deadlocking: a worker may be waiting in a send to this very thread,
  // and the destroyed window releases such a send with 0 and refuses
  // further ones, after which the worker sees bStop and ends. (Pumping the
  // window's messages here instead would run grid handlers on a control
  // that is half destroyed.)
  if (m_pSite && m_pSite->IsWindow()) m_pSite->DestroyWindow();
  if (!m_hAutoScrollThread) return;
  JoinThread(m_hAutoScrollThread);
  m_hAutoScrollThread = 0;
}

}  // namespace TzGrid

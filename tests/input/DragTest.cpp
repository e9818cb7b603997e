// Column resizing by the header borders, column dragging by the header
// cells, and the auto-scroll worker that runs while a dragged header is outside.
#include <chrono>
#include <memory>
#include <thread>

#include "TestSupport.h"

namespace TzGrid::Test {
namespace {

using Resize = UserGrid;

// A hover within 3 pixels of a border offers a resize (not with a button
// held); the band is two inverted pixel columns over the client height,
// erased before the new width applies; a column shrinks to 0, no less;
// leaving the client area (its height itself still tracks) cancels.
TEST_F(Resize, DragTheBorderWithAnInvertedBandThatIsErased) {
  const Headless::Pixmap before = window.framebuffer;
  for (auto [p, cursor] : {std::pair{CPoint(54, 10), IDC_ARROW}, {CPoint(50, 21), IDC_ARROW}, {CPoint(47, 20), IDC_SIZEWE}}) {
    Move(p);
    window.Send(WM_SETCURSOR, 0, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(window.cursor, cursor) << p.x << "," << p.y;
  }
  Move(CPoint(120, 10), MK_LBUTTON);
  EXPECT_EQ(grid.m_nMouseMode, MOUSE_OVER_BORDER);
  auto inverted = [&](int x, int y) { return window.framebuffer.At(x, y) == (before.At(x, y) ^ 0x00FFFFFFu); };
  auto same = [&](int x, int y) { return window.framebuffer.At(x, y) == before.At(x, y); };
  Press(CPoint(52, 10));
  EXPECT_EQ(grid.m_nMouseMode, MOUSE_RESIZING);
  for (int y : {0, 100, 249}) EXPECT_TRUE(inverted(49, y) && inverted(50, y) && same(48, y) && same(51, y)) << y;
  Move(CPoint(80, 250), MK_LBUTTON);
  EXPECT_TRUE(same(49, 100) && inverted(80, 100) && inverted(81, 100) && same(79, 100) && same(82, 100));
  Release(CPoint(80, 120));
  EXPECT_TRUE(window.framebuffer.pixels == before.pixels);
  EXPECT_EQ(grid.m_arColWidths.GetAt(0), 80u);
  EXPECT_EQ(window.invalidations.size(), 1u);
  Move(CPoint(82, 10));
  Press(CPoint(82, 10));
  Move(CPoint(-20, 10), MK_LBUTTON);
  Release(CPoint(-20, 10));
  EXPECT_EQ(grid.m_arColWidths.GetAt(0), 0u);
  grid.m_layout.SetWidthOfColumn(0, 50);
  window.PaintAll();
  const Headless::Pixmap painted = window.framebuffer;
  Move(CPoint(100, 10));
  Press(CPoint(100, 10));
  Move(CPoint(130, -1), MK_LBUTTON);
  EXPECT_EQ(grid.m_nMouseMode, MOUSE_IDLE);
  EXPECT_TRUE(window.framebuffer.pixels == painted.pixels);
  Release(At(3, 2));  // a plain click now
  EXPECT_EQ(Events(), std::vector<EventRecord>{Selected(3, 2)});
  EXPECT_EQ(grid.m_arColWidths.GetAt(1), 50u);
  ExpectNoFailure();
}

// The editor moves with its column: shifted by a resize left of it, widened
// by its own. (The hover refuses a resize during an edit; a host can still
// have left the mode set.)
TEST_F(Resize, TheEditorKeepsToItsColumn) {
  Click(At(3, 2));
  Type(u'x');
  for (auto [from, to, rect] : {std::tuple{100, 90, CRect(90, 60, 139, 79)}, {140, 160, CRect(90, 60, 159, 79)}}) {
    grid.m_nMouseMode = MOUSE_OVER_BORDER;
    Press(CPoint(from, 10));
    Release(CPoint(to, 10));
    EXPECT_EQ(Editor()->Rect(), rect);
  }
}

using Drag = UserGrid;

// A header dragged onto another cell moves its column to that position;
// dropped in place or outside the columns it changes nothing. Starting a
// drag ends an edit without an event; keys then only steer the auto-scroll.
TEST_F(Drag, HeaderDragMovesTheColumn) {
  Click(At(3, 3));
  Type(u'x');
  for (CPoint drop : {At(4, 1), CPoint(280, 50), CPoint(-3, 50)}) {
    window.ClearRecords();
    Press(At(0, 1));
    EXPECT_EQ(grid.m_bEditMode, 0);
    EXPECT_TRUE(window.events.empty());
    Key(VK_RIGHT);
    Release(drop);
    EXPECT_EQ(Order(), (std::vector<UINT>{0, 1, 2, 3, 4}));
    EXPECT_TRUE(window.invalidations.empty());
  }
  EXPECT_EQ(grid.m_focusCell, Cell(3, 3));
  Press(At(0, 1));
  EXPECT_TRUE(window.captured);
  EXPECT_EQ(window.cursor, IDC_DRAGCOLUMN);
  Move(At(5, 3), MK_LBUTTON);
  Release(At(5, 3));
  EXPECT_EQ(Order(), (std::vector<UINT>{0, 2, 3, 1, 4}));
  EXPECT_FALSE(window.captured);
  EXPECT_EQ(window.invalidations.size(), 1u);
  Press(At(0, 3));  // column 1 again, now at position 3
  Release(At(2, 0));
  EXPECT_EQ(Order(), (std::vector<UINT>{1, 0, 2, 3, 4}));
}

// Ten columns in a 300-pixel client area, so that the grid can scroll; a
// header dragged out of it starts the auto-scroll worker.
class AutoScroll : public GridTest {
 protected:
  void SetUp() override {
    GridTest::SetUp();
    window.Resize(300, 250);
    grid.ResizeGrid(10, 10);
    MarkHeaderRow(0);
    window.PaintAll();
    window.ClearRecords();
  }
  void TearDown() override {
    if (grid.m_nMouseMode == MOUSE_DRAGGING) Release(CPoint(-5, 10));
    window.PumpFor(250);  // more than one pause: the worker has ended before the window goes
  }
  int PumpAndCount(int ms, UINT code = SB_LINELEFT) {
    window.PumpFor(ms);
    return Count(WM_HSCROLL, code);
  }
  void StartDragOutside(int x = -5) {
    Press(At(0, 2));
    Move(CPoint(10, 10), MK_LBUTTON);  // inside once: no worker is running
    EXPECT_EQ(grid.m_autoScroll.bStop, 1);
    Move(CPoint(x, 10), MK_LBUTTON);
    EXPECT_EQ(grid.m_autoScroll.bStop, 0);
  }
  // No step is delivered any more once the worker has seen its stop.
  void ExpectWorkerStopped() {
    const int atStop = PumpAndCount(150);
    EXPECT_EQ(PumpAndCount(300), atStop);
  }
};

// Left of the client area it scrolls left, about a step a pause, until the
// header comes back inside (x = 0 changes nothing either way).
TEST_F(AutoScroll, DraggingPastTheLeftEdgeScrollsLeftUntilTheHeaderComesBack) {
  for (int i = 0; i < 4; ++i) window.Send(WM_HSCROLL, SB_LINERIGHT, 0);
  window.ClearRecords();
  StartDragOutside();
  const int slow = PumpAndCount(350);
  EXPECT_GE(slow, 2);
  EXPECT_LE(slow, 5);
  EXPECT_EQ(grid.m_nFirstCol, 4 - slow);
  Move(CPoint(0, 10), MK_LBUTTON);
  EXPECT_EQ(grid.m_autoScroll.bStop, 0);
  Move(CPoint(10, 10), MK_LBUTTON);
  ExpectWorkerStopped();
  const int atStop = Count(WM_HSCROLL, SB_LINELEFT);
  Move(CPoint(0, 10), MK_LBUTTON);
  EXPECT_EQ(PumpAndCount(250), atStop);
}

// The drop, and a hover after a lost capture, end the drag and its worker;
// leaving again while a stopped worker still pauses starts no second one.
TEST_F(AutoScroll, TheDropOrAHoverWithoutButtonStopsTheWorker) {
  StartDragOutside();
  window.PumpFor(120);
  Release(CPoint(-5, 10));
  EXPECT_FALSE(window.captured);
  ExpectWorkerStopped();
  EXPECT_GE(Count(WM_HSCROLL, SB_LINELEFT), 1);
  StartDragOutside();
  window.PumpFor(50);
  Move(CPoint(150, 100));  // no button: the release happened elsewhere
  EXPECT_EQ(grid.m_nMouseMode, MOUSE_IDLE);
  ExpectWorkerStopped();
}

TEST_F(AutoScroll, LeavingAgainDuringTheStoppedWorkersPauseStartsNoSecondWorker) {
  StartDragOutside();
  window.PumpFor(30);
  Move(CPoint(10, 10), MK_LBUTTON);  // told to stop; still in its pause
  Move(CPoint(-5, 10), MK_LBUTTON);  // refused while the old one lives
  EXPECT_EQ(grid.m_autoScroll.bStop, 1);
  window.PumpFor(150);
  Move(CPoint(-5, 10), MK_LBUTTON);  // the old one has ended: a new one starts
  EXPECT_EQ(grid.m_autoScroll.bStop, 0);
  const int before = Count(WM_HSCROLL, SB_LINELEFT);
  EXPECT_LE(PumpAndCount(250) - before, 4);  // one worker's pace, not two
}

// The control going away mid-drag takes its window, which stops the worker
// and waits for it without a deadlock.
TEST(AutoScrollLifetime, DestroyingTheControlMidDragEndsTheWorkerWithoutDeadlock) {
  auto grid = std::make_unique<CTzGridCtrl>();
  Headless::HeadlessWindow window(*grid, 300, 250);
  // Column 2's header dragged out of the left edge of a 10 x 10 grid, then
  // no pumping: the worker's next send waits on this thread.
  grid->ResizeGrid(10, 10);
  grid->SetCellHeaderFlag(0, 2, 1);
  window.Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(125, 10));
  window.Send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(10, 10));
  window.Send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(-5, 10));
  ASSERT_NE(grid->m_hAutoScrollThread, ThreadHandle(0));
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  auto start = std::chrono::steady_clock::now();
  grid.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000)) << "deadlock";
  EXPECT_FALSE(window.IsWindow());  // the control took its window with it
  EXPECT_EQ(window.Send(WM_HSCROLL, SB_LINERIGHT, 0), 0);
}

}  // namespace
}  // namespace TzGrid::Test

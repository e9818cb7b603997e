// Column resizing by the header borders (with the tracking band drawn by
// inverting pixels), column dragging by the header cells, the cursor, and
// the auto-scroll worker that runs while a dragged header is outside.
#include <chrono>
#include <memory>
#include <thread>

#include "InputTestSupport.h"
#include "input/InputSteps.h"

namespace TzGrid::Test {
namespace {

using Resize = UserGrid;

TEST_F(Resize, HoverOverABorderChangesModeAndCursor) {
  auto cursorAt = [&](CPoint p) {
    Move(p);
    window.Send(WM_SETCURSOR, 0, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return window.cursor;
  };
  for (int x = 47; x <= 53; ++x) {
    EXPECT_EQ(cursorAt(CPoint(x, 20)), IDC_SIZEWE) << x;
    EXPECT_EQ(grid.m_nMouseMode, MOUSE_OVER_BORDER);
  }
  EXPECT_EQ(cursorAt(CPoint(46, 10)), IDC_ARROW);
  EXPECT_EQ(grid.m_nMouseMode, MOUSE_IDLE);
  cursorAt(CPoint(50, 10));
  EXPECT_EQ(cursorAt(CPoint(50, 21)), IDC_ARROW);
  // A move with a button held is no hover.
  cursorAt(CPoint(50, 10));
  Move(CPoint(120, 10), MK_LBUTTON);
  EXPECT_EQ(grid.m_nMouseMode, MOUSE_OVER_BORDER);
  // During an edit a border offers no resize.
  Move(CPoint(120, 100));
  Click(At(2, 2));
  Type(u'x');
  Move(CPoint(50, 10));
  EXPECT_EQ(grid.m_nMouseMode, MOUSE_IDLE);
  EXPECT_TRUE(window.defaultCalls.end() == std::find(window.defaultCalls.begin(), window.defaultCalls.end(),
                                                      UINT(WM_MOUSEMOVE)));  // no base handler
}

TEST_F(Resize, DragTheBorderWithAnInvertedBandThatIsErased) {
  const Headless::Pixmap before = window.framebuffer;
  auto inverted = [&](int x, int y) { return window.framebuffer.At(x, y) == (before.At(x, y) ^ 0x00FFFFFFu); };
  auto same = [&](int x, int y) { return window.framebuffer.At(x, y) == before.At(x, y); };

  Move(CPoint(52, 10));
  Press(CPoint(52, 10));
  EXPECT_EQ(grid.m_nMouseMode, MOUSE_RESIZING);
  EXPECT_EQ(grid.m_nResizeCol, 0);
  EXPECT_EQ(grid.m_nResizeStartX, 50);
  EXPECT_FALSE(window.captured);
  for (int y : {0, 10, 100, 249}) {
    EXPECT_TRUE(inverted(49, y) && inverted(50, y)) << y;
    EXPECT_TRUE(same(48, y) && same(51, y)) << y;
  }
  Move(CPoint(80, 120), MK_LBUTTON);
  EXPECT_TRUE(same(49, 100) && same(50, 100));
  EXPECT_TRUE(inverted(80, 100) && inverted(81, 100) && same(79, 100) && same(82, 100));
  Release(CPoint(80, 120));
  EXPECT_TRUE(window.framebuffer.pixels == before.pixels);  // band erased before the repaint
  EXPECT_EQ(grid.m_arColWidths.GetAt(0), 80u);
  EXPECT_EQ(grid.m_nMouseMode, MOUSE_IDLE);
  ASSERT_EQ(window.invalidations.size(), 1u);
  EXPECT_TRUE(window.invalidations[0].whole);
  EXPECT_TRUE(window.events.empty());
  ExpectNoFailure();
}

TEST_F(Resize, AColumnCanShrinkToNothingButNotBelow) {
  for (int x : {0, -20}) {
    grid.m_layout.SetWidthOfColumn(0, 50);
    Move(CPoint(52, 10));
    Press(CPoint(52, 10));
    Move(CPoint(x, 10), MK_LBUTTON);
    Release(CPoint(x, 10));
    EXPECT_EQ(grid.m_arColWidths.GetAt(0), 0u) << x;
  }
}

TEST_F(Resize, LeavingTheClientAreaCancels) {
  const Headless::Pixmap before = window.framebuffer;
  Move(CPoint(100, 10));
  Press(CPoint(100, 10));
  Move(CPoint(130, 10), MK_LBUTTON);
  Move(CPoint(130, 250), MK_LBUTTON);  // the client height itself still tracks
  EXPECT_EQ(grid.m_nMouseMode, MOUSE_RESIZING);
  Move(CPoint(130, -1), MK_LBUTTON);
  EXPECT_EQ(grid.m_nMouseMode, MOUSE_IDLE);
  EXPECT_TRUE(window.framebuffer.pixels == before.pixels);
  EXPECT_EQ(grid.m_arColWidths.GetAt(1), 50u);
  // The release that follows is an ordinary click.
  Release(At(3, 2));
  EXPECT_EQ(Events(), std::vector<EventRecord>{Selected(3, 2)});
  EXPECT_EQ(grid.m_arColWidths.GetAt(1), 50u);
}

TEST_F(Resize, TheEditorKeepsToItsColumn) {
  Click(At(3, 2));
  Type(u'x');
  EXPECT_EQ(Editor()->Rect(), CRect(100, 60, 149, 79));
  // Set up a resize of position 1 directly: the hover test refuses during
  // an edit, a host can still have left the mode set.
  grid.m_nMouseMode = MOUSE_OVER_BORDER;
  Press(CPoint(100, 10));
  Release(CPoint(90, 10));
  EXPECT_EQ(Editor()->Rect(), CRect(90, 60, 139, 79));  // shifted by -10
  grid.m_nMouseMode = MOUSE_OVER_BORDER;
  Press(CPoint(140, 10));
  Release(CPoint(160, 10));
  EXPECT_EQ(Editor()->Rect(), CRect(90, 60, 159, 79));  // its own column: 70 wide
}

TEST_F(Resize, TheCursorFollowsTheModeWhereverThePointerIs) {
  const std::pair<int, int> modes[] = {
      {MOUSE_IDLE, IDC_ARROW}, {MOUSE_OVER_BORDER, IDC_SIZEWE}, {MOUSE_RESIZING, IDC_SIZEWE},
      {MOUSE_DRAGGING, IDC_DRAGCOLUMN}};
  for (auto [mode, cursor] : modes) {
    grid.m_nMouseMode = mode;
    window.cursor = 0;
    // Over a scroll bar (HTVSCROLL 7) as over the client area.
    EXPECT_EQ(window.Send(WM_SETCURSOR, 0, MAKELPARAM(7, WM_MOUSEMOVE)), TRUE);
    EXPECT_EQ(window.cursor, cursor) << mode;
  }
  EXPECT_TRUE(window.defaultCalls.empty());
  grid.m_nMouseMode = 4;  // never set by the grid: the framework decides
  window.cursor = 0;
  window.Send(WM_SETCURSOR, 0, MAKELPARAM(1, WM_MOUSEMOVE));
  EXPECT_EQ(window.cursor, 0);
  EXPECT_EQ(window.defaultCalls, std::vector<UINT>{WM_SETCURSOR});
  grid.m_nMouseMode = MOUSE_IDLE;
}

using Drag = UserGrid;

TEST_F(Drag, HeaderDragMovesTheColumn) {
  Press(At(0, 1));
  EXPECT_EQ(grid.m_nMouseMode, MOUSE_DRAGGING);
  EXPECT_TRUE(window.captured);
  EXPECT_EQ(window.cursor, IDC_DRAGCOLUMN);
  window.Send(WM_SETCURSOR, 0, 0);
  EXPECT_EQ(window.cursor, IDC_DRAGCOLUMN);
  Move(At(5, 3), MK_LBUTTON);
  Release(At(5, 3));
  EXPECT_EQ(Order(), (std::vector<UINT>{0, 2, 3, 1, 4}));
  EXPECT_FALSE(window.captured);
  EXPECT_EQ(window.cursor, IDC_ARROW);
  EXPECT_EQ(grid.m_nMouseMode, MOUSE_IDLE);
  EXPECT_TRUE(window.events.empty());
  EXPECT_EQ(window.invalidations.size(), 1u);

  Press(At(0, 3));  // column 1 again, now at position 3
  Release(At(2, 0));
  EXPECT_EQ(Order(), (std::vector<UINT>{1, 0, 2, 3, 4}));
}

TEST_F(Drag, DroppingInPlaceOrOutsideChangesNothing) {
  for (CPoint drop : {At(4, 1), CPoint(280, 50), CPoint(-3, 50)}) {
    window.ClearRecords();
    Press(At(0, 1));
    Release(drop);
    EXPECT_EQ(Order(), (std::vector<UINT>{0, 1, 2, 3, 4}));
    EXPECT_TRUE(window.invalidations.empty());
    // The press went to the base handler, the release did not.
    EXPECT_EQ(window.defaultCalls, std::vector<UINT>{WM_LBUTTONDOWN});
    EXPECT_FALSE(window.captured);
  }
}

TEST_F(Drag, StartingADragEndsAnEditWithoutAnEvent) {
  Click(At(3, 3));
  Type(u'x');
  window.ClearRecords();
  Press(At(0, 0));
  EXPECT_FALSE(Editor()->IsWindowVisible());
  EXPECT_EQ(grid.m_bEditMode, 0);
  EXPECT_TRUE(window.events.empty());
  // Keys and characters only steer the auto-scroll now.
  Type(u'q');
  Key(VK_RIGHT);
  EXPECT_EQ(grid.m_pFocusCell, Cell(3, 3));
  EXPECT_EQ(Text(3, 3), "x");
  Release(At(0, 0));
}

// Ten columns in a 300-pixel client area, so that the grid can scroll.
class AutoScroll : public UserGrid {
 protected:
  void SetUp() override {
    grid.ResizeGrid(10, 10);
    for (int c = 0; c < 10; ++c) grid.SetCellHeaderFlag(0, c, 1);
    window.PaintAll();
    window.ClearRecords();
  }
  void TearDown() override {
    // Every drag ends with a drop, and the worker is given the time to see it.
    if (grid.m_nMouseMode == MOUSE_DRAGGING) Release(CPoint(-5, 10));
    // More than one pause: the worker has ended before the window goes.
    window.PumpFor(250);
  }
  // Messages the worker had delivered, after pumping for a while.
  int PumpAndCount(int ms, UINT code) {
    window.PumpFor(ms);
    return Count(WM_HSCROLL, code);
  }
  void StartDragOutsideLeft() {
    Press(At(0, 2));
    Move(CPoint(10, 10), MK_LBUTTON);  // inside once: no worker is running
    EXPECT_EQ(grid.m_autoScroll.bStop, 1);
    Move(CPoint(-5, 10), MK_LBUTTON);
    EXPECT_EQ(grid.m_autoScroll.bStop, 0);
  }
};

TEST_F(AutoScroll, DraggingPastTheLeftEdgeScrollsLeftUntilTheHeaderComesBack) {
  for (int i = 0; i < 4; ++i) window.Send(WM_HSCROLL, SB_LINERIGHT, 0);
  window.ClearRecords();
  StartDragOutsideLeft();
  EXPECT_EQ(grid.m_autoScroll.bForward, 0);
  int slow = PumpAndCount(350, SB_LINELEFT);
  EXPECT_GE(slow, 2);
  EXPECT_LE(slow, 5);  // about one step every 100 ms
  EXPECT_EQ(grid.m_nFirstCol, 4 - slow);
  EXPECT_EQ(Count(WM_HSCROLL, SB_LINERIGHT), 0);

  Move(CPoint(0, 10), MK_LBUTTON);  // x = 0: nothing changes
  EXPECT_EQ(grid.m_autoScroll.bStop, 0);
  Move(CPoint(10, 10), MK_LBUTTON);
  EXPECT_EQ(grid.m_autoScroll.bStop, 1);
  int atStop = PumpAndCount(150, SB_LINELEFT);  // within one pause
  EXPECT_EQ(PumpAndCount(300, SB_LINELEFT), atStop);
  Move(CPoint(0, 10), MK_LBUTTON);  // x = 0 starts none either
  EXPECT_EQ(PumpAndCount(250, SB_LINELEFT), atStop);
}

TEST_F(AutoScroll, AKeyHeldDownSpeedsItUp) {
  StartDragOutsideLeft();
  window.PumpFor(50);
  window.Send(WM_KEYDOWN, 'A', 1);
  EXPECT_EQ(grid.m_autoScroll.bFast, 1);
  int before = Count(WM_HSCROLL, SB_LINELEFT);
  int fast = PumpAndCount(300, SB_LINELEFT) - before;
  EXPECT_GE(fast, 8);  // every 10 ms instead of every 100 ms
  window.Send(WM_KEYUP, 'A', LPARAM(0xC0000001u));
  EXPECT_EQ(grid.m_autoScroll.bFast, 0);
  window.PumpFor(120);
  before = Count(WM_HSCROLL, SB_LINELEFT);
  EXPECT_LE(PumpAndCount(300, SB_LINELEFT) - before, 5);
  // The keys did nothing else, and went to no base handler.
  EXPECT_EQ(grid.m_pFocusCell, nullptr);
  for (UINT m : window.defaultCalls) EXPECT_TRUE(m != WM_KEYDOWN && m != WM_KEYUP);
}

TEST_F(AutoScroll, TheDropStopsTheWorker) {
  StartDragOutsideLeft();
  window.PumpFor(120);
  Release(CPoint(-5, 10));
  EXPECT_EQ(grid.m_autoScroll.bStop, 1);
  EXPECT_FALSE(window.captured);
  int atDrop = PumpAndCount(150, SB_LINELEFT);
  EXPECT_GE(atDrop, 1);
  EXPECT_EQ(PumpAndCount(300, SB_LINELEFT), atDrop);
}

TEST_F(AutoScroll, RightOfTheClientAreaItScrollsRightAndTheGridStopsAtItsEnd) {
  Press(At(0, 2));
  Move(CPoint(10, 10), MK_LBUTTON);
  Move(CPoint(310, 10), MK_LBUTTON);
  EXPECT_EQ(grid.m_autoScroll.bForward, 1);
  window.Send(WM_KEYDOWN, VK_SHIFT, 1);
  ASSERT_TRUE(window.PumpUntil([&] { return grid.m_nFirstCol == 9; }, 5000));
  int atEnd = Count(WM_HSCROLL, SB_LINERIGHT);
  EXPECT_GT(PumpAndCount(200, SB_LINERIGHT), atEnd);  // the worker goes on sending
  EXPECT_EQ(grid.m_nFirstCol, 9);                     // the scroll refuses to pass the end
  EXPECT_EQ(grid.m_nHScrollPos, 450);
}

TEST_F(AutoScroll, LeavingAgainDuringTheStoppedWorkersPauseStartsNoSecondWorker) {
  StartDragOutsideLeft();
  window.PumpFor(30);
  Move(CPoint(10, 10), MK_LBUTTON);  // told to stop; still in its pause
  Move(CPoint(-5, 10), MK_LBUTTON);  // refused while the old one lives
  EXPECT_EQ(grid.m_autoScroll.bStop, 1);
  window.PumpFor(150);
  Move(CPoint(-5, 10), MK_LBUTTON);  // the old one has ended: a new one starts
  EXPECT_EQ(grid.m_autoScroll.bStop, 0);
  int before = Count(WM_HSCROLL, SB_LINELEFT);
  EXPECT_LE(PumpAndCount(250, SB_LINELEFT) - before, 4);  // one worker's pace, not two
}

TEST_F(AutoScroll, AHoverAfterALostCaptureEndsTheDragAndItsWorker) {
  StartDragOutsideLeft();
  window.PumpFor(50);
  Move(CPoint(150, 100));  // no button: the release happened elsewhere
  EXPECT_EQ(grid.m_nMouseMode, MOUSE_IDLE);
  EXPECT_EQ(grid.m_autoScroll.bStop, 1);
  int atStop = PumpAndCount(150, SB_LINELEFT);
  EXPECT_EQ(PumpAndCount(250, SB_LINELEFT), atStop);
}

TEST(AutoScrollLifetime, DestroyingTheControlMidDragEndsTheWorkerWithoutDeadlock) {
  auto grid = std::make_unique<CTzGridCtrl>();
  Headless::HeadlessWindow window(*grid, 300, 250);
  grid->ResizeGrid(10, 10);
  grid->SetCellHeaderFlag(0, 2, 1);
  window.Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(125, 10));
  window.Send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(10, 10));
  window.Send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(-5, 10));
  window.PumpFor(50);
  // Not pumping now: the worker's next send waits on this thread.
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  auto start = std::chrono::steady_clock::now();
  grid.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
  EXPECT_FALSE(window.IsWindow());  // the control took its window with it
}

TEST(AutoScrollLifetime, AControlDestroyedFirstTakesItsWindowAndIsNotCalledAgain) {
  auto grid = std::make_unique<CTzGridCtrl>();
  Headless::HeadlessWindow window(*grid, 300, 250);
  grid->SetCellText(2, 1, u"x");
  grid->GetCell(2, 1)->m_nSortState = 0;
  window.Send(WM_LBUTTONUP, 0, MAKELPARAM(75, 50));
  window.Send(WM_CHAR, 'q', 1);  // an editor child exists too
  grid.reset();
  EXPECT_FALSE(window.IsWindow());
  EXPECT_EQ(window.EditChild(), nullptr);
  EXPECT_EQ(window.Send(WM_HSCROLL, SB_LINERIGHT, 0), 0);  // refused, reaches nothing
}

TEST(AutoScrollLifetime, AWindowDestroyedMidDragEndsTheWorkerItsSendsWaitOn) {
  CTzGridCtrl grid;
  Headless::HeadlessWindow window(grid, 300, 250);
  grid.ResizeGrid(10, 10);
  grid.SetCellHeaderFlag(0, 2, 1);
  window.Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(125, 10));
  window.Send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(10, 10));
  window.Send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(-5, 10));
  ASSERT_NE(grid.m_hAutoScrollThread, ThreadHandle(0));
  std::this_thread::sleep_for(std::chrono::milliseconds(150));  // a send now waits
  window.Destroy();
  EXPECT_EQ(window.sentMessages.back().message, WM_DESTROY);
  // What the control does on WM_DESTROY: the worker is stopped and waited
  // for before the window object can go.
  auto start = std::chrono::steady_clock::now();
  Input::EndAutoScrollForDestroyedWindow(grid);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
  EXPECT_EQ(grid.m_hAutoScrollThread, ThreadHandle(0));
  EXPECT_EQ(grid.m_autoScroll.bStop, 1);
}

TEST(AutoScrollLifetime, TheWorkerProcedureEndsAtOnceWhenToldBeforeItStarts) {
  AutoScrollParams params;
  params.bStop = 1;
  EXPECT_EQ(CTzGridCtrl::AutoScrollThreadProc(&params), 0u);
}

}  // namespace
}  // namespace TzGrid::Test

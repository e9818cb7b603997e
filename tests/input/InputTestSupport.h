// A grid in a headless window driven as a user drives it, input delivered
// where the system delivers it (keys to the window with the keyboard focus,
// after the control's pre-translation).
#pragma once

#include <tuple>
#include <vector>

#include "TestSupport.h"

namespace TzGrid::Test {

using EventRecord = std::tuple<DISPID, int, int>;

inline EventRecord Selected(int row, int col) { return {DISPID_GRIDCELLSELECTED, row, col}; }
inline EventRecord Exited(int row, int col) { return {DISPID_GRIDCELLEXITED, row, col}; }

// 5 columns of 50 pixels, 10 rows of 20 with the fixed row 0 made of header
// cells, in a 300 x 250 client area: everything fits, nothing scrolls.
class UserGrid : public ::testing::Test {
 protected:
  CTzGridCtrl grid;
  Headless::HeadlessWindow window{grid, 300, 250};

  void SetUp() override {
    grid.ResizeGrid(5, 10);
    for (int c = 0; c < 5; ++c) grid.SetCellHeaderFlag(0, c, 1);
    window.PaintAll();
    window.ClearRecords();
  }

  // The middle of the cell at row r and display position p, unscrolled.
  static CPoint At(int r, int p) { return CPoint(50 * p + 25, 20 * r + 10); }
  static LPARAM Pt(CPoint p) { return MAKELPARAM(p.x, p.y); }

  void Press(CPoint p, UINT flags = 0) { window.Send(WM_LBUTTONDOWN, MK_LBUTTON | flags, Pt(p)); }
  void Release(CPoint p, UINT flags = 0) { window.Send(WM_LBUTTONUP, flags, Pt(p)); }
  void Move(CPoint p, UINT flags = 0) { window.Send(WM_MOUSEMOVE, flags, Pt(p)); }
  void Click(CPoint p, UINT flags = 0) {
    Press(p, flags);
    Release(p, flags);
  }
  // The system's sequence for a double click.
  void DoubleClick(CPoint p) {
    Click(p);
    window.Send(WM_LBUTTONDBLCLK, MK_LBUTTON, Pt(p));
    Release(p);
  }

  Headless::HeadlessEdit* Editor() { return window.EditChild(); }
  bool EditorHasFocus() { return Editor() && Editor()->HasFocus(); }

  // A key goes down and up: pre-translated by the control, then delivered to
  // the window with the keyboard focus (the editor or the grid).
  void Key(UINT vk) {
    MSG msg{window.GetHwnd(), WM_KEYDOWN, vk, 1};
    if (!grid.PreTranslateMessage(&msg)) ToFocus(WM_KEYDOWN, vk, 1);
    ToFocus(WM_KEYUP, vk, LPARAM(0xC0000001u));
  }
  void Type(char16_t ch) { ToFocus(WM_CHAR, ch, 1); }
  void Type(const char16_t* text) {
    for (; *text; ++text) Type(*text);
  }
  void ToFocus(UINT message, WPARAM w, LPARAM l) {
    if (EditorHasFocus()) {
      Editor()->SendMessage(message, w, l);
    } else {
      window.Send(message, w, l);
    }
  }

  std::vector<EventRecord> Events() const {
    std::vector<EventRecord> out;
    for (const auto& e : window.events) {
      out.emplace_back(e.dispid, int(e.args.at(0).Integer()), int(e.args.at(1).Integer()));
    }
    return out;
  }
  CGridCell* Cell(int r, int c) { return grid.GetCell(r, c); }
  std::string Text(int r, int c) { return Cell(r, c)->m_strText.ToUtf8(); }
  std::vector<UINT> Order() {
    std::vector<UINT> out;
    for (int p = 0; p < grid.m_arColOrder.GetSize(); ++p) out.push_back(grid.m_arColOrder.GetAt(p));
    return out;
  }
  // Messages sent to the window, of any code or of one.
  int Count(UINT message, int code = -1) {
    int n = 0;
    for (const MSG& m : window.sentMessages) n += m.message == message && (code < 0 || LOWORD(m.wParam) == code);
    return n;
  }
  void ExpectNoFailure() {
    for (const auto& f : window.failedMessages) ADD_FAILURE() << "message " << f.first << " failed: " << f.second;
  }
};

}  // namespace TzGrid::Test

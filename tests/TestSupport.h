// Shared helpers of the native tests.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <initializer_list>
#include <string>
#include <tuple>
#include <vector>

#include "automation/DispatchMap.h"
#include "model/TzGridCtrl.h"
#include "platform/headless/HeadlessServices.h"
#include "platform/headless/HeadlessWindow.h"
#include "render/MemDC.h"

namespace TzGrid {
// How a failed comparison shows a cell: its place.
inline void PrintTo(const CGridCell& cell, std::ostream* out) { *out << "(" << cell.m_nRow << ", " << cell.m_nCol << ")"; }
}  // namespace TzGrid

namespace TzGrid::Test {

// Checks the invariants of the cell matrix; returns "" or what is wrong.
// SetColumnOrder lets a host write the order map entry by entry, so a map
// that is not (yet) a permutation is a legal state; requirePermutation
// asks for one where no such call was made.
std::string CheckInvariants(const CTzGridCtrl& grid, bool requirePermutation = true);

// Calls a member through the dispatch map; fails the test on an error.
CDispArg Call(CTzGridCtrl& grid, DISPID dispid, CDispArgs args = {});
// Calls a member and returns its HRESULT (result ignored).
HRESULT CallHr(CTzGridCtrl& grid, DISPID dispid, CDispArgs args = {}, std::string* description = nullptr);
HRESULT PutHr(CTzGridCtrl& grid, DISPID dispid, CDispArg value);

CDispArg I4(std::int32_t v);

// A member's DISPID looked up by name in the dispatch map, as a script host
// finds it; fails the test when there is no such member.
DISPID Id(std::u16string_view name);
inline CDispArg Call(CTzGridCtrl& grid, const char16_t* name, CDispArgs args = {}) {
  return Call(grid, Id(name), std::move(args));
}
inline HRESULT CallHr(CTzGridCtrl& grid, const char16_t* name, CDispArgs args = {}, std::string* why = nullptr) {
  return CallHr(grid, Id(name), std::move(args), why);
}

// A snapshot of everything the model holds, for "state unchanged" checks.
std::string Snapshot(const CTzGridCtrl& grid);

constexpr COLORREF kEmpty = 0x00305070;  // the grid's empty-area colour in the painting tests
constexpr COLORREF kBack = 0x00F0E0D0;   // the grid's background in the painting tests
constexpr COLORREF kWhite = 0x00FFFFFF;
constexpr COLORREF kShadow = 0x00808080;
constexpr COLORREF kFace = 0x00C0C0C0;
constexpr COLORREF kLine = 0x00C0C08E;
constexpr COLORREF kBlack = 0x00000000;
constexpr COLORREF kDefaultInk = 0x00010101;
constexpr COLORREF kRed = 0x000000FF;
constexpr COLORREF kGreen = 0x0000FF00;
constexpr COLORREF kSentinel = 0x00123456;

struct Probe {
  int x, y;
  COLORREF colour;  // expected there
};

// A bounding box of ink; measurements that do not depend on glyph shapes.
struct Ink {
  bool any = false;
  int left = 0, top = 0, right = 0, bottom = 0;  // inclusive
  int Width() const { return any ? right - left + 1 : 0; }
  int Height() const { return any ? bottom - top + 1 : 0; }
  double CentreX() const { return (left + right) / 2.0; }
};

using EventRecord = std::tuple<DISPID, int, int>;

inline EventRecord Selected(int row, int col) { return {DISPID_GRIDCELLSELECTED, row, col}; }

std::vector<UINT> Entries(const CUIntArray& a);

// The default 5 x 5 grid in a 400 x 300 window, with the headless desktop
// reset and the window's records cleared before each test, and the helpers
// that drive and read it: input delivered where the system delivers it (keys
// to the window with the keyboard focus, after the control's
// pre-translation), events, messages and pixels as the window recorded them.
class GridTest : public ::testing::Test {
 protected:
  CTzGridCtrl grid;
  Headless::HeadlessWindow window{grid, 400, 300};
  void SetUp() override {
    Headless::GetDesktop().Reset();
    window.ClearRecords();
  }
  Headless::Desktop& Desk() { return Headless::GetDesktop(); }

  // The middle of the cell at row r and display position p, unscrolled, in
  // a grid of the default sizes.
  static CPoint At(int r, int p) { return CPoint(50 * p + 25, 20 * r + 10); }
  static LPARAM Pt(CPoint p) { return MAKELPARAM(p.x, p.y); }
  void Press(CPoint p, UINT flags = 0) { window.Send(WM_LBUTTONDOWN, MK_LBUTTON | flags, Pt(p)); }
  void Release(CPoint p, UINT flags = 0) { window.Send(WM_LBUTTONUP, flags, Pt(p)); }
  void Move(CPoint p, UINT flags = 0) { window.Send(WM_MOUSEMOVE, flags, Pt(p)); }
  void Click(CPoint p, UINT flags = 0) {
    Press(p, flags);
    Release(p, flags);
  }
  Headless::HeadlessEdit* Editor() { return window.EditChild(); }
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
    Editor() && Editor()->HasFocus() ? void(Editor()->SendMessage(message, w, l)) : void(window.Send(message, w, l));
  }

  std::vector<EventRecord> Events() const {
    std::vector<EventRecord> out;
    for (const auto& e : window.events) {
      out.emplace_back(e.dispid, int(e.args.at(0).Integer()), int(e.args.at(1).Integer()));
    }
    return out;
  }
  CGridCell Cell(int r, int c) { return grid.GetCell(r, c); }
  std::string Text(int r, int c) { return grid.CellText(Cell(r, c)).ToUtf8(); }
  void SetText(int r, int c, std::string_view text) { grid.m_cells.TextToWrite(Cell(r, c)) = CString::FromUtf8(text); }
  const CCellAttributes& Attributes(int r, int c) { return grid.CellAttributes(Cell(r, c)); }
  std::vector<UINT> Order() const { return Entries(grid.m_arColOrder); }
  // Messages sent to the window, of any code or of one.
  int Count(UINT message, int code = -1) const {
    int n = 0;
    for (const MSG& m : window.sentMessages) n += m.message == message && (code < 0 || LOWORD(m.wParam) == code);
    return n;
  }
  void ExpectNoFailure() const {
    for (const auto& f : window.failedMessages) ADD_FAILURE() << "message " << f.first << " failed: " << f.second;
  }

  // A pixel of the window; no colour (0xFFFFFFFF) outside it.
  COLORREF Px(int x, int y) const { return window.framebuffer.Contains(x, y) ? window.framebuffer.At(x, y) : 0xFFFFFFFF; }
  void ExpectPixels(std::initializer_list<Probe> probes) const {
    for (const Probe& p : probes) {
      EXPECT_EQ(Px(p.x, p.y), p.colour) << "pixel (" << p.x << ", " << p.y << ") is 0x" << std::hex << Px(p.x, p.y);
    }
  }
  void FillFramebuffer(COLORREF c) { std::fill(window.framebuffer.pixels.begin(), window.framebuffer.pixels.end(), c); }
  void MarkHeaderRow(int r) {
    for (int c = 0; c < grid.m_nCols; ++c) grid.SetCellHeaderFlag(r, c, 1);
  }
  // The bounding box of the pixels of [left, right) x [top, bottom) unlike
  // the background, and the number of pixels of one colour there.
  Ink InkIn(const CRect& region, COLORREF background) const {
    Ink ink;
    for (int y = region.top; y < region.bottom; ++y) {
      for (int x = region.left; x < region.right; ++x) {
        if (Px(x, y) == background) continue;
        if (!ink.any) ink = {true, x, y, x, y};
        ink.left = std::min(ink.left, x), ink.right = std::max(ink.right, x);
        ink.top = std::min(ink.top, y), ink.bottom = std::max(ink.bottom, y);
      }
    }
    return ink;
  }
  int CountOf(const CRect& region, COLORREF colour) const {
    int n = 0;
    for (int y = region.top; y < region.bottom; ++y) {
      for (int x = region.left; x < region.right; ++x) n += Px(x, y) == colour;
    }
    return n;
  }
};

// 5 columns of 50 pixels, 10 rows of 20 with the fixed row 0 made of header
// cells, in a 300 x 250 client area: everything fits, nothing scrolls.
class UserGrid : public GridTest {
 protected:
  void SetUp() override {
    GridTest::SetUp();
    window.Resize(300, 250);
    grid.ResizeGrid(5, 10);
    MarkHeaderRow(0);
    window.PaintAll();
    window.ClearRecords();
  }
};

// The painting tests' 5 x 5 grid in a 300 x 150 window, in colours unlike
// the painter's own.
class PaintTest : public GridTest {
 protected:
  void SetUp() override {
    GridTest::SetUp();
    window.Resize(300, 150);
    grid.m_clrEmptyArea = kEmpty;
    grid.m_clrBack = kBack;
    window.ClearRecords();
  }
  // OnDraw on a context over the whole window, with only `area` to repaint.
  void DrawWithRepaintArea(const CRect& area) {
    grid.OnDraw(Headless::CreatePixmapDC(window.framebuffer, CRect(0, 0, 300, 150)).get(), CRect(0, 0, 300, 150), area);
  }
};

// The same grid with its header row, painted once.
class PaintedGrid : public PaintTest {
 protected:
  void SetUp() override {
    PaintTest::SetUp();
    MarkHeaderRow(0);
    window.PaintAll();
  }
};

// A fresh temporary directory, removed with everything in it at the end.
class TempDir {
 public:
  TempDir() : m_path((std::filesystem::temp_directory_path() / "tzgrid-test-XXXXXX").string()) {
    if (!mkdtemp(m_path.data())) throw std::runtime_error("mkdtemp failed");
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
  }
  std::filesystem::path File(const std::string& name) const { return std::filesystem::path(m_path) / name; }

 private:
  std::string m_path;
};

inline std::u16string U16(const std::filesystem::path& asciiPath) {
  const std::string narrow = asciiPath.string();
  return std::u16string(narrow.begin(), narrow.end());
}

inline std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace TzGrid::Test

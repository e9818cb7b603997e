// What every check of the Win32 platform's test host shares: the checking
// macros (a failed check throws), the message pump, screen pixels, the one
// host window, the probe control and the grid in a window of its own.
#pragma once

#include "platform/win32/win32.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "model/TzGridCtrl.h"
#include "platform/win32/Win32Gdi.h"
#include "platform/win32/Win32Site.h"

namespace TzGrid::Win32::Test {

// ---------------------------------------------------------------- checking

struct CheckFailed : std::runtime_error {
  using std::runtime_error::runtime_error;
};

[[noreturn]] inline void Fail(int line, const std::string& what) {
  throw CheckFailed("line " + std::to_string(line) + ": " + what);
}

#define EXPECT_TRUE(cond) \
  do {                    \
    if (!(cond)) ::TzGrid::Win32::Test::Fail(__LINE__, #cond); \
  } while (0)

#define EXPECT_EQ(actual, expected)                                        \
  do {                                                                     \
    auto actual_ = (actual);                                               \
    auto expected_ = (expected);                                           \
    if (!(actual_ == expected_)) {                                         \
      std::ostringstream out_;                                             \
      out_ << #actual << " is " << actual_ << ", expected " << expected_;   \
      ::TzGrid::Win32::Test::Fail(__LINE__, out_.str());                   \
    }                                                                      \
  } while (0)

inline std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(value));
  return text;
}

// Colours print as 0x00BBGGRR.
inline void ExpectColour(int line, const char* what, COLORREF actual, COLORREF expected) {
  if (actual != expected) Fail(line, std::string(what) + " is " + Hex(actual) + ", expected " + Hex(expected));
}
#define EXPECT_COLOUR(actual, expected) ::TzGrid::Win32::Test::ExpectColour(__LINE__, #actual, actual, expected)

// Pixels of a window's client area as the screen shows them: single
// points, or every point of a run from (x0, y0) to (x1, y1) inclusive.
struct PixelAt {
  int x, y;
  COLORREF colour;
};
struct RunOf {
  int x0, y0, x1, y1;
  COLORREF colour;
};
inline COLORREF ScreenPixel(::HWND hwnd, int x, int y) {
  ::HDC hdc = ::GetDC(hwnd);
  COLORREF colour = COLORREF(::GetPixel(hdc, x, y));
  ::ReleaseDC(hwnd, hdc);
  return colour;
}
inline void ExpectPixels(int line, ::HWND hwnd, std::initializer_list<PixelAt> pixels) {
  for (const PixelAt& p : pixels) {
    std::string where = "pixel (" + std::to_string(p.x) + ", " + std::to_string(p.y) + ")";
    ExpectColour(line, where.c_str(), ScreenPixel(hwnd, p.x, p.y), p.colour);
  }
}
inline void ExpectRuns(int line, ::HWND hwnd, std::initializer_list<RunOf> runs) {
  for (const RunOf& r : runs)
    for (int y = r.y0; y <= r.y1; ++y)
      for (int x = r.x0; x <= r.x1; ++x) ExpectPixels(line, hwnd, {{x, y, r.colour}});
}
#define EXPECT_PIXELS(hwnd, ...) ::TzGrid::Win32::Test::ExpectPixels(__LINE__, hwnd, {__VA_ARGS__})
#define EXPECT_RUNS(hwnd, ...) ::TzGrid::Win32::Test::ExpectRuns(__LINE__, hwnd, {__VA_ARGS__})

// A named check, registered where it is defined; they run in that order.
struct Check {
  const char* name;
  void (*run)();
};
inline std::vector<Check>& Checks() {
  static std::vector<Check> checks;
  return checks;
}
struct Registered {
  Registered(const char* name, void (*run)()) { Checks().push_back({name, run}); }
};
#define PLATFORM_CHECK(function, name)                                    \
  void function();                                                        \
  const ::TzGrid::Win32::Test::Registered function##_registered{name, function}; \
  void function()

// ---------------------------------------------------------------- the screen

// Handles every message waiting for this thread.
inline void Pump() {
  ::MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

// Pumps until pred holds or the time is up.
inline bool PumpUntil(const std::function<bool()>& pred, int milliseconds) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  for (;;) {
    Pump();
    if (pred()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

// Real mouse clicks at a client point (system input: hit testing, double
// clicks and scroll bar loops are the system's own).
inline void SystemClick(::HWND hwnd, int x, int y, int clicks) {
  ::POINT at{x, y};
  ::ClientToScreen(hwnd, &at);
  ::SetCursorPos(at.x, at.y);
  Pump();
  std::vector<::INPUT> input(std::size_t(clicks) * 2);
  for (std::size_t i = 0; i < input.size(); ++i) {
    input[i].type = INPUT_MOUSE;
    input[i].mi.dwFlags = i % 2 == 0 ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
  }
  EXPECT_EQ(::SendInput(::UINT(input.size()), input.data(), sizeof(::INPUT)), ::UINT(input.size()));
}

inline bool IsArrowCursor() { return ::GetCursor() == ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); }

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kShadow = RGB(128, 128, 128);
constexpr COLORREF kGridLine = RGB(142, 192, 192);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kLightGrey = RGB(192, 192, 192);
constexpr COLORREF kHeaderInk = RGB(1, 1, 1);
inline COLORREF SystemColour(int index) { return COLORREF(::GetSysColor(index)); }

// ---------------------------------------------------------------- fixtures

// A frameless top-level window at the screen's corner, so that client and
// screen coordinates agree. One window serves every check (Wine takes about
// two seconds to unmap one without a window manager); each check starts
// and leaves it without children.
class HostWindow {
 public:
  HostWindow() : m_hwnd(Shared()) {
    if (!m_hwnd) throw CheckFailed("cannot create the host window");
    DestroyChildren();
  }
  ~HostWindow() { DestroyChildren(); }
  ::HWND Hwnd() const { return m_hwnd; }

 private:
  static ::HWND Shared() {
    static ::HWND shared = [] {
      ::WNDCLASSEXW wc{};
      wc.cbSize = sizeof(wc);
      wc.lpfnWndProc = ::DefWindowProcW;
      wc.hInstance = ::GetModuleHandleW(nullptr);
      wc.hbrBackground = static_cast<::HBRUSH>(::GetStockObject(WHITE_BRUSH));
      wc.lpszClassName = L"TzGridPlatformTestHost";
      if (!::RegisterClassExW(&wc)) return ::HWND(nullptr);
      ::HWND hwnd = ::CreateWindowExW(0, wc.lpszClassName, L"TzGrid platform test", WS_POPUP | WS_VISIBLE |
                                      WS_CLIPCHILDREN, 0, 0, 640, 480, nullptr, nullptr, wc.hInstance, nullptr);
      ::UpdateWindow(hwnd);
      Pump();
      return hwnd;
    }();
    return shared;
  }
  void DestroyChildren() {
    std::vector<::HWND> children;
    for (::HWND c = ::GetWindow(m_hwnd, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) children.push_back(c);
    for (::HWND child : children) ::DestroyWindow(child);
    ::SetActiveWindow(m_hwnd);
    Pump();
  }
  ::HWND m_hwnd;
};

constexpr UINT kProbeMessage = WM_USER + 5;  // answered with wParam + 1000
constexpr UINT kProbeThrow = WM_USER + 7;    // its handler fails

// A control that records what its window delivers and paints one colour.
class ProbeControl : public COleControl {
 public:
  struct Record {
    UINT message;
    WPARAM wParam;
  };
  std::vector<Record> messages;
  bool windowExistedAtSize = false;
  int draws = 0;
  CRect lastBounds, lastInvalid, lastClip;
  COLORREF paintColour = RGB(0, 128, 0);
  std::vector<HWND> preTranslated;
  BOOL preTranslateAnswer = TRUE;
  DWORD handlerThread = 0;

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    MessageScope scope(*this, message, wParam, lParam);
    messages.push_back({message, wParam});
    if (message == WM_SIZE) windowExistedAtSize = IsWindow();
    if (message == kProbeThrow) AfxThrowInvalidArgException("probe failure");
    if (message != kProbeMessage) return Default();
    handlerThread = ::GetCurrentThreadId();
    return LRESULT(wParam + 1000);
  }
  void OnDraw(CDC* pDC, const CRect& rcBounds, const CRect& rcInvalid) override {
    ++draws;
    lastBounds = rcBounds;
    lastInvalid = rcInvalid;
    pDC->GetClipBox(&lastClip);
    pDC->FillSolidRect(&rcBounds, paintColour);
  }
  BOOL PreTranslateMessage(MSG* pMsg) override {
    preTranslated.push_back(pMsg->hwnd);
    return preTranslateAnswer;
  }
  bool Received(UINT message, WPARAM wParam = 0, bool anyWParam = true) const {
    return std::any_of(messages.begin(), messages.end(),
                       [&](const Record& m) { return m.message == message && (anyWParam || m.wParam == wParam); });
  }
};

// A control of type Control in a window of its own, 400 x 300 at (10, 10)
// of the host; handler failures are collected.
template <class Control>
struct Fixture {
  HostWindow host;
  Control ctrl;
  Win32ControlSite site{ctrl};
  std::vector<std::string> failures;

  Fixture() {
    site.onMessageFailed = [this](UINT message, const std::string& text) {
      failures.push_back(std::to_string(message) + " " + text);
    };
    if (!site.CreateControlWindow(host.Hwnd(), ::RECT{10, 10, 410, 310})) throw CheckFailed("no control window");
  }
  ::HWND Hwnd() const { return site.Hwnd(); }
  COLORREF Pixel(int x, int y) const { return ScreenPixel(site.Hwnd(), x, y); }
  // Paints what is due and handles the messages waiting; a handler failure
  // is a defect.
  void Settle() {
    ::UpdateWindow(site.Hwnd());
    Pump();
    ::UpdateWindow(site.Hwnd());
    if (!failures.empty()) throw CheckFailed("handler failed: " + failures.front());
  }
  void Post(UINT message, WPARAM wParam, LPARAM lParam) {
    ::PostMessageW(site.Hwnd(), message, wParam, lParam);
    Settle();
  }
};

struct ProbeFixture : Fixture<ProbeControl> {
  ProbeFixture() {
    ::UpdateWindow(site.Hwnd());
    Pump();
  }
};

// A grid of columns x rows (5 x 5 by default: one fixed row 20 high,
// columns 50 wide) whose row 0 is a header row, painted.
struct GridFixture : Fixture<CTzGridCtrl> {
  std::vector<std::pair<DISPID, CDispArgs>> events;

  explicit GridFixture(int columns = 5, int rows = 5) {
    site.onFireEvent = [this](DISPID id, const CDispArgs& args) { events.emplace_back(id, args); };
    if (columns != 5) ctrl.SetNumColumns(columns);
    if (rows != 5) ctrl.SetNumRows(rows);
    for (int c = 0; c < ctrl.GetColumns(); ++c) ctrl.SetCellHeaderFlag(0, c, 1);
    Repaint();
  }
  void Repaint() {
    ctrl.InvalidateControl();
    Settle();
  }
  void Focus(LONG row, LONG column) {
    ctrl.SetFocusedCell(row, column);
    ::SetFocus(site.Hwnd());
  }
  bool Fired(DISPID id) const {
    return std::any_of(events.begin(), events.end(), [&](const auto& e) { return e.first == id; });
  }
  // Pixels of the header ink in the rectangle (left, top) .. (right, bottom), exclusive.
  int Inked(int left, int top, int right, int bottom) const {
    int inked = 0;
    for (int y = top; y < bottom; ++y)
      for (int x = left; x < right; ++x) inked += Pixel(x, y) == kHeaderInk;
    return inked;
  }
};

}  // namespace TzGrid::Win32::Test

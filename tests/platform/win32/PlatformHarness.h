// What the checks of the Win32 platform's test host share: checking macros
// (a failed check throws), the message pump, screen pixels, the one host
// window, a probe control and the grid, each in a window of its own.
#pragma once

#include "platform/win32/win32.h"

#include <algorithm>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "model/TzGridCtrl.h"
#include "platform/win32/Win32Gdi.h"
#include "platform/win32/Win32Site.h"

namespace TzGrid::Win32::Test {

using CheckFailed = std::runtime_error;
[[noreturn]] inline void Fail(int line, const std::string& what) {
  throw CheckFailed("line " + std::to_string(line) + ": " + what);
}
#define EXPECT_TRUE(cond) ((cond) ? void() : ::TzGrid::Win32::Test::Fail(__LINE__, #cond))

// Values print in decimal and in hex, where a colour reads as 0x00BBGGRR.
template <class Actual, class Expected>
void ExpectEqual(int line, const std::string& what, const Actual& actual, const Expected& expected) {
  if (actual == expected) return;
  std::ostringstream out;
  out << what << " is " << actual << std::hex << " (0x" << actual << "), expected 0x" << expected;
  Fail(line, out.str());
}
#define EXPECT_EQ(actual, expected) ::TzGrid::Win32::Test::ExpectEqual(__LINE__, #actual, actual, expected)

// Every pixel of a run from (x0, y0) to (x1, y1) inclusive, as the screen
// shows a window's client area, has colour; a single point is a run of one.
struct RunOf {
  int x0, y0, x1, y1;
  COLORREF colour;
};
struct ScreenDc {
  ::HWND hwnd;
  ::HDC hdc = ::GetDC(hwnd);
  ~ScreenDc() { ::ReleaseDC(hwnd, hdc); }
};
inline void ExpectRuns(int line, ::HWND hwnd, std::initializer_list<RunOf> runs) {
  ScreenDc screen{hwnd};
  for (const RunOf& r : runs)
    for (int y = r.y0; y <= r.y1; ++y)
      for (int x = r.x0; x <= r.x1; ++x)
        ExpectEqual(line, "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ")",
                    COLORREF(::GetPixel(screen.hdc, x, y)), r.colour);
}
#define EXPECT_RUNS(hwnd, ...) ::TzGrid::Win32::Test::ExpectRuns(__LINE__, hwnd, {__VA_ARGS__})

// The named checks, registered where they are defined; they run in that order.
using Check = std::pair<const char*, void (*)()>;
inline std::vector<Check> g_checks;
struct Registered {
  Registered(const char* name, void (*run)()) { g_checks.emplace_back(name, run); }
};
#define PLATFORM_CHECK(function, name)                                           \
  void function();                                                               \
  const ::TzGrid::Win32::Test::Registered function##_registered{name, function}; \
  void function()

// Handles the messages waiting for this thread until pred holds or the time
// is up; by default, only those waiting now.
inline bool Pump(const std::function<bool()>& pred = nullptr, int milliseconds = 0) {
  for (ULONGLONG deadline = ::GetTickCount64() + ULONGLONG(milliseconds);;) {
    for (::MSG msg; ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    if (pred && pred()) return true;
    if (::GetTickCount64() >= deadline) return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

constexpr COLORREF kWhite = RGB(255, 255, 255), kShadow = RGB(128, 128, 128), kGridLine = RGB(142, 192, 192),
                   kBlack = RGB(0, 0, 0), kLightGrey = RGB(192, 192, 192), kHeaderInk = RGB(1, 1, 1);
inline COLORREF SystemColour(int index) { return COLORREF(::GetSysColor(index)); }

// A frameless top-level window at the screen's corner, so that client and
// screen coordinates agree, made active. One window serves every check
// (Wine takes about two seconds to unmap one without a window manager).
inline ::HWND HostWindow() {
  static ::HWND shared = [] {
    ::WNDCLASSW wc{0, ::DefWindowProcW, 0, 0, ::GetModuleHandleW(nullptr), nullptr, nullptr,
                   static_cast<::HBRUSH>(::GetStockObject(WHITE_BRUSH)), nullptr, L"TzGridPlatformTestHost"};
    ::RegisterClassW(&wc);
    return ::CreateWindowExW(0, wc.lpszClassName, L"TzGrid platform test", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN,
                             0, 0, 640, 480, nullptr, nullptr, wc.hInstance, nullptr);
  }();
  ::SetActiveWindow(shared);
  Pump();
  return shared;
}

constexpr UINT kProbeThrow = WM_USER + 7;  // a message the probe's handler fails on

// A control that records what its window delivers and paints one colour.
class ProbeControl : public COleControl {
 public:
  std::vector<std::pair<UINT, WPARAM>> messages;
  std::vector<HWND> preTranslated;
  BOOL preTranslateAnswer = TRUE;

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    MessageScope scope(*this, message, wParam, lParam);
    messages.emplace_back(message, wParam);
    if (message == kProbeThrow) AfxThrowInvalidArgException("probe failure");
    return Default();
  }
  void OnDraw(CDC* pDC, const CRect& rcBounds, const CRect&) override { pDC->FillSolidRect(&rcBounds, RGB(0, 128, 0)); }
  BOOL PreTranslateMessage(MSG* pMsg) override {
    preTranslated.push_back(pMsg->hwnd);
    return preTranslateAnswer;
  }
  bool Received(UINT message, WPARAM wParam = ~WPARAM(0)) const {
    return std::any_of(messages.begin(), messages.end(),
                       [&](const auto& m) { return m.first == message && (wParam == ~WPARAM(0) || m.second == wParam); });
  }
};

// A control of type Control in a window of its own, 400 x 300 at (10, 10)
// of the host, painted; handler failures are collected.
template <class Control>
struct Fixture {
  ::HWND host = HostWindow();
  Control ctrl;
  Win32ControlSite site{ctrl};
  std::vector<std::string> failures;

  Fixture() {
    site.onMessageFailed = [this](UINT message, const std::string& text) {
      failures.push_back(std::to_string(message) + " " + text);
    };
    if (!site.CreateControlWindow(host, ::RECT{10, 10, 410, 310})) throw CheckFailed("no control window");
    Settle();
  }
  ::HWND Hwnd() const { return site.Hwnd(); }
  // Paints what is due and handles the messages waiting; a handler failure
  // is a defect.
  void Settle() {
    ::UpdateWindow(Hwnd());
    Pump();
    ::UpdateWindow(Hwnd());
    if (!failures.empty()) throw CheckFailed("handler failed: " + failures.front());
  }
  void Post(UINT message, WPARAM wParam, LPARAM lParam) {
    ::PostMessageW(Hwnd(), message, wParam, lParam);
    Settle();
  }
};

// A grid of columns x 5 rows (columns 50 wide, rows 20 high) whose row 0
// is a header row, painted.
struct GridFixture : Fixture<CTzGridCtrl> {
  explicit GridFixture(int columns = 5) {
    ctrl.SetNumColumns(columns);
    for (int c = 0; c < columns; ++c) ctrl.SetCellHeaderFlag(0, c, 1);
    ctrl.InvalidateControl();
    Settle();
  }
};

}  // namespace TzGrid::Win32::Test

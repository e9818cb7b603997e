// What the checks of the Win32 platform's test host share: checking macros
// (a failed check throws), the message pump, screen pixels, the one host
// window, a probe control and the grid, each in a window of its own.
#pragma once

#include "platform/win32/win32.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
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

#define EXPECT_EQ(actual, expected)                                      \
  do {                                                                   \
    auto actual_ = (actual);                                             \
    auto expected_ = (expected);                                         \
    if (!(actual_ == expected_)) {                                       \
      std::ostringstream out_;                                           \
      out_ << #actual << " is " << actual_ << ", expected " << expected_; \
      ::TzGrid::Win32::Test::Fail(__LINE__, out_.str());                 \
    }                                                                    \
  } while (0)

// Colours print as 0x00BBGGRR.
inline void ExpectColour(int line, const std::string& what, COLORREF actual, COLORREF expected) {
  char text[64];
  std::snprintf(text, sizeof text, " is 0x%08lX, expected 0x%08lX", static_cast<unsigned long>(actual),
                static_cast<unsigned long>(expected));
  if (actual != expected) Fail(line, what + text);
}
#define EXPECT_COLOUR(actual, expected) ::TzGrid::Win32::Test::ExpectColour(__LINE__, #actual, actual, expected)

// Every pixel of a run from (x0, y0) to (x1, y1) inclusive has colour; a
// single point is a run of one.
struct RunOf {
  int x0, y0, x1, y1;
  COLORREF colour;
};
inline void ExpectRuns(int line, ::HDC hdc, std::initializer_list<RunOf> runs) {
  for (const RunOf& r : runs)
    for (int y = r.y0; y <= r.y1; ++y)
      for (int x = r.x0; x <= r.x1; ++x) {
        std::string where = "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ")";
        ExpectColour(line, where, COLORREF(::GetPixel(hdc, x, y)), r.colour);
      }
}
// The same on a window's client area as the screen shows it.
inline void ExpectScreenRuns(int line, ::HWND hwnd, std::initializer_list<RunOf> runs) {
  ::HDC hdc = ::GetDC(hwnd);
  try {
    ExpectRuns(line, hdc, runs);
  } catch (...) {
    ::ReleaseDC(hwnd, hdc);
    throw;
  }
  ::ReleaseDC(hwnd, hdc);
}
#define EXPECT_RUNS(hwnd, ...) ::TzGrid::Win32::Test::ExpectScreenRuns(__LINE__, hwnd, {__VA_ARGS__})

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
#define PLATFORM_CHECK(function, name)                                           \
  void function();                                                               \
  const ::TzGrid::Win32::Test::Registered function##_registered{name, function}; \
  void function()

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

constexpr COLORREF kWhite = RGB(255, 255, 255), kShadow = RGB(128, 128, 128), kGridLine = RGB(142, 192, 192),
                   kBlack = RGB(0, 0, 0), kLightGrey = RGB(192, 192, 192), kHeaderInk = RGB(1, 1, 1);
inline COLORREF SystemColour(int index) { return COLORREF(::GetSysColor(index)); }

// A frameless top-level window at the screen's corner, so that client and
// screen coordinates agree. One window serves every check (Wine takes
// about two seconds to unmap one without a window manager); each check
// starts and leaves it without children.
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
  std::vector<std::pair<UINT, WPARAM>> messages;
  bool windowExistedAtSize = false;
  int draws = 0;
  CRect lastBounds, lastInvalid, lastClip;
  COLORREF paintColour = RGB(0, 128, 0);
  std::vector<HWND> preTranslated;
  BOOL preTranslateAnswer = TRUE;
  DWORD handlerThread = 0;

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    MessageScope scope(*this, message, wParam, lParam);
    messages.emplace_back(message, wParam);
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
  bool Received(UINT message) const {
    return std::any_of(messages.begin(), messages.end(), [&](const auto& m) { return m.first == message; });
  }
};

// A control of type Control in a window of its own, 400 x 300 at (10, 10)
// of the host, painted; handler failures are collected.
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
    ::UpdateWindow(site.Hwnd());
    Pump();
  }
  ::HWND Hwnd() const { return site.Hwnd(); }
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

using ProbeFixture = Fixture<ProbeControl>;

// A grid of columns x rows (5 x 5 by default: columns 50 wide, rows 20
// high) whose row 0 is a header row, painted.
struct GridFixture : Fixture<CTzGridCtrl> {
  explicit GridFixture(int columns = 5) {
    ctrl.SetNumColumns(columns);
    for (int c = 0; c < columns; ++c) ctrl.SetCellHeaderFlag(0, c, 1);
    Repaint();
  }
  void Repaint() {
    ctrl.InvalidateControl();
    Settle();
  }
};

}  // namespace TzGrid::Win32::Test

// What every check of the Win32 platform's test host shares: the checking
// macros (a failed check throws), the message pump, screen pixels, the one
// host window, the probe control and the grid in a window of its own.
#pragma once

#include "platform/win32/win32.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
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

// ---------------------------------------------------------------- checking

struct CheckFailed : std::runtime_error {
  using std::runtime_error::runtime_error;
};
struct CheckPending : std::runtime_error {
  using std::runtime_error::runtime_error;
};

inline std::string Hex(std::uint64_t value) {
  char text[32];
  std::snprintf(text, sizeof(text), "0x%08llX", static_cast<unsigned long long>(value));
  return text;
}

inline std::string Utf8(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) out += c < 0x80 ? char(c) : '?';
  return out;
}

[[noreturn]] inline void Fail(int line, const std::string& what) {
  throw CheckFailed("line " + std::to_string(line) + ": " + what);
}

#define EXPECT_TRUE(cond) \
  do {                    \
    if (!(cond)) ::TzGrid::Win32::Test::Fail(__LINE__, #cond); \
  } while (0)

#define EXPECT_EQ(actual, expected)                                                                                 \
  do {                                                                                                              \
    auto actual_ = (actual);                                                                                        \
    auto expected_ = (expected);                                                                                    \
    if (!(actual_ == expected_)) {                                                                                  \
      std::ostringstream out_;                                                                                      \
      out_ << #actual << " is " << actual_ << ", expected " << expected_;                                            \
      ::TzGrid::Win32::Test::Fail(__LINE__, out_.str());                                                            \
    }                                                                                                               \
  } while (0)

// Colours are compared as colours and printed as 0x00BBGGRR.
#define EXPECT_COLOUR(actual, expected)                                                                             \
  do {                                                                                                              \
    std::uint32_t actual_ = std::uint32_t(actual);                                                                  \
    std::uint32_t expected_ = std::uint32_t(expected);                                                              \
    if (actual_ != expected_) {                                                                                     \
      ::TzGrid::Win32::Test::Fail(__LINE__, std::string(#actual) + " is " + ::TzGrid::Win32::Test::Hex(actual_) +    \
                                                ", expected " + ::TzGrid::Win32::Test::Hex(expected_));             \
    }                                                                                                               \
  } while (0)

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

// A pixel of a window's client area, as the screen shows it.
inline COLORREF ScreenPixel(::HWND hwnd, int x, int y) {
  ::HDC hdc = ::GetDC(hwnd);
  COLORREF colour = COLORREF(::GetPixel(hdc, x, y));
  ::ReleaseDC(hwnd, hdc);
  return colour;
}

// ---------------------------------------------------------------- fixtures

constexpr wchar_t kHostClass[] = L"TzGridPlatformTestHost";
constexpr int kHostWidth = 640;
constexpr int kHostHeight = 480;

// A top-level window at the screen's corner, without a frame, so that its
// client coordinates are screen coordinates. One window serves every check
// (Wine takes about two seconds to unmap a top-level window when there is
// no window manager); each check starts with it empty and leaves it empty.
class HostWindow {
 public:
  HostWindow() {
    m_hwnd = Shared();
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
      wc.lpszClassName = kHostClass;
      if (!::RegisterClassExW(&wc)) return ::HWND(nullptr);
      ::HWND hwnd = ::CreateWindowExW(0, kHostClass, L"TzGrid platform test", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN,
                                      0, 0, kHostWidth, kHostHeight, nullptr, nullptr, ::GetModuleHandleW(nullptr),
                                      nullptr);
      ::UpdateWindow(hwnd);
      Pump();
      return hwnd;
    }();
    return shared;
  }
  void DestroyChildren() {
    std::vector<::HWND> children;
    ::EnumChildWindows(
        m_hwnd,
        [](::HWND child, ::LPARAM param) -> ::BOOL {
          reinterpret_cast<std::vector<::HWND>*>(param)->push_back(child);
          return TRUE;
        },
        reinterpret_cast<::LPARAM>(&children));
    for (::HWND child : children)
      if (::IsWindow(child) && ::GetParent(child) == m_hwnd) ::DestroyWindow(child);
    ::SetActiveWindow(m_hwnd);
    Pump();
  }
  ::HWND m_hwnd = nullptr;
};

constexpr UINT kProbeMessage = WM_USER + 5;
constexpr UINT kProbeThrow = WM_USER + 7;

// A control that records what its window delivers and paints one colour.
class ProbeControl : public COleControl {
 public:
  struct Record {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
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
    messages.push_back({message, wParam, lParam});
    if (message == WM_SIZE) windowExistedAtSize = IsWindow();
    if (message == kProbeThrow) AfxThrowInvalidArgException("probe failure");
    if (message == kProbeMessage) {
      handlerThread = ::GetCurrentThreadId();
      return LRESULT(wParam + 1000);
    }
    return Default();
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
    return std::any_of(messages.begin(), messages.end(), [&](const Record& r) { return r.message == message; });
  }
};

// An edit child's owner that records what reaches it.
class ProbeEdit : public CWnd {
 public:
  std::vector<UINT> messages;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    messages.push_back(message);
    return CWnd::WindowProc(message, wParam, lParam);
  }
};

// A probe control in a window of its own: 400 x 300 at (10, 10) of the host.
struct ProbeFixture {
  HostWindow host;
  ProbeControl ctrl;
  Win32ControlSite site{ctrl};
  std::vector<std::string> failures;

  ProbeFixture() {
    site.onMessageFailed = [this](UINT message, const std::string& text) {
      failures.push_back(Hex(message) + " " + text);
    };
    ::RECT rect{10, 10, 410, 310};
    if (!site.CreateControlWindow(host.Hwnd(), rect)) throw CheckFailed("cannot create the control window");
    ::UpdateWindow(site.Hwnd());
    Pump();
  }
};

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kShadow = RGB(128, 128, 128);
constexpr COLORREF kGridLine = RGB(142, 192, 192);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kLightGrey = RGB(192, 192, 192);


// A grid control in a window of its own: 400 x 300 at (10, 10) of the host.
struct GridFixture {
  HostWindow host;
  CTzGridCtrl ctrl;
  Win32ControlSite site{ctrl};
  std::vector<std::string> failures;
  std::vector<std::pair<DISPID, CDispArgs>> events;

  explicit GridFixture(int width = 400, int height = 300) {
    site.onMessageFailed = [this](UINT message, const std::string& text) {
      failures.push_back(Hex(message) + " " + text);
    };
    site.onFireEvent = [this](DISPID id, const CDispArgs& args) { events.emplace_back(id, args); };
    ::RECT rect{10, 10, 10 + width, 10 + height};
    if (!site.CreateControlWindow(host.Hwnd(), rect)) throw CheckFailed("cannot create the control window");
    Settle();
  }
  ::HWND Hwnd() const { return site.Hwnd(); }
  void Settle() {
    ::UpdateWindow(site.Hwnd());
    Pump();
    ::UpdateWindow(site.Hwnd());
  }
  COLORREF Pixel(int x, int y) { return ScreenPixel(site.Hwnd(), x, y); }
  // Handler failures are defects, except work that has not landed yet.
  void ExpectNoFailures() {
    for (const std::string& failure : failures) {
      if (failure.find("is not implemented") != std::string::npos) throw CheckPending(failure);
    }
    if (!failures.empty()) throw CheckFailed("handler failed: " + failures.front());
  }
  void HeaderRow() {
    for (int c = 0; c < ctrl.GetColumns(); ++c) ctrl.SetCellHeaderFlag(0, c, 1);
  }
  void Click(int x, int y) {
    ::PostMessageW(site.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    ::PostMessageW(site.Hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    Settle();
  }
};

// Translates a not-implemented failure of the core into a pending check.
template <class F>
void Guarded(F&& body) {
  try {
    body();
  } catch (const CNotImplementedException& e) {
    throw CheckPending(e.GetDescription());
  }
}

struct CheckSkipped : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// A named check; each file of checks lists its own, in the order they run.
struct Check {
  const char* name;
  void (*run)();
};
std::vector<Check> GdiChecks();
std::vector<Check> SiteChecks();
std::vector<Check> ServiceChecks();
std::vector<Check> GridChecks();

}  // namespace TzGrid::Win32::Test

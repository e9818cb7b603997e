// The Win32 platform's test host: a native program, run under Wine, that
// puts controls in real windows (no COM), drives them with real window
// messages and reads pixels back from the screen.
//
// Each check runs on its own in a fresh top-level window and prints one line:
//   PASS <name>
//   FAIL <name>: <what differed>
//   PENDING <name>: <what is not implemented yet>
//   SKIP <name>: <what is missing> (the module's resources when TzGrid.ocx
//                is not built; run.sh names it in TZGRID_OCX)
// Exit code: 0 when every check passed, 1 when one failed, 2 when none
// failed but some depend on work not landed yet. Arguments select checks by
// name prefix; --list prints the names.
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

std::string Hex(std::uint64_t value) {
  char text[32];
  std::snprintf(text, sizeof(text), "0x%08llX", static_cast<unsigned long long>(value));
  return text;
}

std::string Utf8(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) out += c < 0x80 ? char(c) : '?';
  return out;
}

[[noreturn]] void Fail(int line, const std::string& what) {
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
void Pump() {
  ::MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

// Pumps until pred holds or the time is up.
bool PumpUntil(const std::function<bool()>& pred, int milliseconds) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  for (;;) {
    Pump();
    if (pred()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

// A pixel of a window's client area, as the screen shows it.
COLORREF ScreenPixel(::HWND hwnd, int x, int y) {
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

// ---------------------------------------------------------------- GDI checks

// A memory context with a 24-bit bitmap of w x h filled with colour.
struct MemorySurface {
  std::unique_ptr<CDC> screen = WrapHdc(::GetDC(nullptr));
  CDC dc;
  CBitmap bitmap;
  CBitmap* previous = nullptr;

  MemorySurface(int w, int h, COLORREF fill) {
    EXPECT_TRUE(dc.CreateCompatibleDC(screen.get()));
    EXPECT_TRUE(bitmap.CreateCompatibleBitmap(screen.get(), w, h));
    previous = dc.SelectObject(&bitmap);
    EXPECT_TRUE(previous != nullptr);
    dc.FillSolidRect(0, 0, w, h, fill);
  }
  ~MemorySurface() {
    dc.SelectObject(previous);
    ::HDC hdc = static_cast<::HDC>(screen->m_hDC);
    screen.reset();
    ::ReleaseDC(nullptr, hdc);
  }
  COLORREF At(int x, int y) const { return dc.GetPixel(x, y); }
};

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kShadow = RGB(128, 128, 128);
constexpr COLORREF kGridLine = RGB(142, 192, 192);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kLightGrey = RGB(192, 192, 192);

void GdiFillAnd3dFrame() {
  constexpr COLORREF back = RGB(10, 20, 30);
  MemorySurface s(40, 30, back);
  EXPECT_COLOUR(s.At(0, 0), back);
  EXPECT_COLOUR(s.At(39, 29), back);
  CRect frame(5, 5, 25, 15);
  s.dc.Draw3dRect(&frame, kWhite, kShadow);
  for (int x = 5; x <= 23; ++x) EXPECT_COLOUR(s.At(x, 5), kWhite);   // top row stops short of the corner
  EXPECT_COLOUR(s.At(24, 5), kShadow);                               // the corner is the right column's
  for (int y = 5; y <= 13; ++y) EXPECT_COLOUR(s.At(5, y), kWhite);   // left column stops short too
  for (int y = 5; y <= 14; ++y) EXPECT_COLOUR(s.At(24, y), kShadow);  // right column, full length
  for (int x = 5; x <= 24; ++x) EXPECT_COLOUR(s.At(x, 14), kShadow);  // bottom row, full length
  EXPECT_COLOUR(s.At(6, 6), back);                                   // nothing inside
  EXPECT_COLOUR(s.At(25, 5), back);                                  // nothing right of it
  EXPECT_COLOUR(s.At(5, 15), back);                                  // nothing below it
  // A fill covers left..right-1 and top..bottom-1.
  CRect fill(30, 20, 33, 22);
  s.dc.FillSolidRect(&fill, kBlack);
  EXPECT_COLOUR(s.At(30, 20), kBlack);
  EXPECT_COLOUR(s.At(32, 21), kBlack);
  EXPECT_COLOUR(s.At(33, 21), back);
  EXPECT_COLOUR(s.At(32, 22), back);
}

void GdiPenLines() {
  constexpr COLORREF back = RGB(250, 250, 250);
  MemorySurface s(40, 30, back);
  CPen pen(PS_SOLID, 0, kGridLine);
  CPen* old = s.dc.SelectObject(&pen);
  EXPECT_TRUE(old != nullptr);
  s.dc.MoveTo(2, 20);
  EXPECT_TRUE(s.dc.LineTo(30, 20));
  for (int x = 2; x <= 29; ++x) EXPECT_COLOUR(s.At(x, 20), kGridLine);
  EXPECT_COLOUR(s.At(30, 20), back);  // the end point is not drawn
  EXPECT_COLOUR(s.At(1, 20), back);
  EXPECT_COLOUR(s.At(10, 19), back);  // one pixel wide
  s.dc.MoveTo(35, 2);
  s.dc.LineTo(35, 10);
  EXPECT_COLOUR(s.At(35, 2), kGridLine);
  EXPECT_COLOUR(s.At(35, 9), kGridLine);
  EXPECT_COLOUR(s.At(35, 10), back);
  s.dc.SelectObject(old);
}

void GdiRectangleWithHollowBrush() {
  constexpr COLORREF back = RGB(0, 0, 255);
  MemorySurface s(30, 20, back);
  EXPECT_TRUE(s.dc.SelectStockObject(BLACK_PEN) != nullptr);
  EXPECT_TRUE(s.dc.SelectStockObject(NULL_BRUSH) != nullptr);
  EXPECT_TRUE(s.dc.Rectangle(5, 5, 15, 12));
  for (int x = 5; x <= 14; ++x) {
    EXPECT_COLOUR(s.At(x, 5), kBlack);
    EXPECT_COLOUR(s.At(x, 11), kBlack);
  }
  for (int y = 5; y <= 11; ++y) {
    EXPECT_COLOUR(s.At(5, y), kBlack);
    EXPECT_COLOUR(s.At(14, y), kBlack);
  }
  EXPECT_COLOUR(s.At(8, 8), back);    // hollow inside
  EXPECT_COLOUR(s.At(15, 5), back);   // right excluded
  EXPECT_COLOUR(s.At(5, 12), back);   // bottom excluded
}

void GdiInvertTwiceRestores() {
  constexpr COLORREF back = RGB(12, 200, 99);
  MemorySurface s(20, 20, back);
  CRect band(3, 0, 5, 20);
  s.dc.InvertRect(&band);
  EXPECT_COLOUR(s.At(3, 7), back ^ 0x00FFFFFFu);
  EXPECT_COLOUR(s.At(4, 19), back ^ 0x00FFFFFFu);
  EXPECT_COLOUR(s.At(5, 7), back);
  EXPECT_COLOUR(s.At(2, 7), back);
  s.dc.InvertRect(&band);
  EXPECT_COLOUR(s.At(3, 7), back);
  EXPECT_COLOUR(s.At(4, 19), back);
}

void GdiStockBrushFill() {
  MemorySurface s(20, 20, kBlack);
  CBrush& grey = CBrush::Stock(LTGRAY_BRUSH);
  EXPECT_TRUE(grey.m_hObject == ::GetStockObject(LTGRAY_BRUSH));
  CRect r(2, 2, 6, 6);
  s.dc.FillRect(&r, &grey);
  EXPECT_COLOUR(s.At(2, 2), kLightGrey);
  EXPECT_COLOUR(s.At(5, 5), kLightGrey);
  EXPECT_COLOUR(s.At(6, 5), kBlack);
  // Releasing a stock wrapper never deletes the system's object, and the
  // next use finds it again.
  grey.DeleteObject();
  EXPECT_EQ(::GetObjectType(::GetStockObject(LTGRAY_BRUSH)), ::DWORD(OBJ_BRUSH));
  EXPECT_TRUE(CBrush::Stock(LTGRAY_BRUSH).m_hObject == ::GetStockObject(LTGRAY_BRUSH));
  bool refused = false;
  try {
    CBrush::Stock(BLACK_PEN);
  } catch (const CInvalidArgException&) {
    refused = true;
  }
  EXPECT_TRUE(refused);
}

LOGFONTW ArialLogFont(int height, int weight) {
  LOGFONTW lf{};
  lf.lfHeight = height;
  lf.lfWeight = weight;
  std::char_traits<char16_t>::copy(lf.lfFaceName, u"Arial", 6);
  return lf;
}

void GdiPointFontAndSelection() {
  ::HDC screen = ::GetDC(nullptr);
  int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);

  LOGFONTW lf = ArialLogFont(80, FW_BOLD);
  CFont font;
  EXPECT_TRUE(font.CreatePointFontIndirect(&lf, nullptr));
  ::LOGFONTW created{};
  EXPECT_TRUE(::GetObjectW(static_cast<::HGDIOBJ>(font.m_hObject), sizeof(created), &created) != 0);
  EXPECT_EQ(int(created.lfHeight), -::MulDiv(80, dpi, 720));
  EXPECT_EQ(int(created.lfWeight), FW_BOLD);
  EXPECT_TRUE(std::wstring(created.lfFaceName) == L"Arial");

  LOGFONTW pixels = ArialLogFont(-13, FW_NORMAL);
  CFont exact;
  EXPECT_TRUE(exact.CreateFontIndirect(&pixels));
  EXPECT_TRUE(::GetObjectW(static_cast<::HGDIOBJ>(exact.m_hObject), sizeof(created), &created) != 0);
  EXPECT_EQ(int(created.lfHeight), -13);

  // SelectObject answers the object it replaced; deleting an object still
  // selected first puts the context's original back, so it really goes.
  MemorySurface s(10, 10, kWhite);
  ::HGDIOBJ original = ::GetCurrentObject(static_cast<::HDC>(s.dc.m_hDC), OBJ_FONT);
  CFont* first = s.dc.SelectObject(&font);
  EXPECT_TRUE(first != nullptr && first->m_hObject == original);
  CFont* second = s.dc.SelectObject(&exact);
  EXPECT_TRUE(second != nullptr && second->m_hObject == font.m_hObject);
  ::HGDIOBJ exactHandle = static_cast<::HGDIOBJ>(exact.m_hObject);
  EXPECT_TRUE(exact.DeleteObject());
  EXPECT_TRUE(exact.m_hObject == nullptr);
  EXPECT_TRUE(::GetCurrentObject(static_cast<::HDC>(s.dc.m_hDC), OBJ_FONT) == original);
  EXPECT_EQ(::GetObjectType(exactHandle), ::DWORD(0));
}

void GdiTextInColour() {
  MemorySurface s(120, 30, kWhite);
  LOGFONTW lf = ArialLogFont(-16, FW_BOLD);
  CFont font;
  EXPECT_TRUE(font.CreateFontIndirect(&lf));
  s.dc.SelectObject(&font);
  s.dc.SetBkMode(TRANSPARENT);
  constexpr COLORREF ink = RGB(1, 1, 1);
  s.dc.SetTextColor(ink);
  CRect r(10, 5, 60, 25);
  int height = s.dc.DrawText(u"HMW", 3, &r, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  EXPECT_TRUE(height > 0);
  int inked = 0, outside = 0;
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 120; ++x) {
      COLORREF c = s.At(x, y);
      bool inRect = x >= 10 && x < 60 && y >= 5 && y < 25;
      if (c == ink && inRect) ++inked;
      if (c != kWhite && !inRect) ++outside;
    }
  }
  EXPECT_TRUE(inked > 10);   // solid strokes in the exact colour
  EXPECT_EQ(outside, 0);     // clipped to its rectangle
  s.dc.SelectStockObject(SYSTEM_FONT);
}

// A cell rectangle far beyond GDI's 27-bit coordinates (a row a billion
// pixels tall) draws its text exactly where a small rectangle with the same
// anchor does, at once; text anchored out of GDI's range is not drawn.
void GdiTextInHugeRect() {
  constexpr UINT format = DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;
  LOGFONTW lf = ArialLogFont(-16, FW_BOLD);
  CFont font;
  EXPECT_TRUE(font.CreateFontIndirect(&lf));
  auto draw = [&](MemorySurface& s, CRect r) {
    s.dc.SelectObject(&font);
    s.dc.SetBkMode(TRANSPARENT);
    s.dc.SetTextColor(RGB(1, 1, 1));
    s.dc.DrawText(u"HMW", 3, &r, format);
    s.dc.SelectStockObject(SYSTEM_FONT);
  };
  MemorySurface plain(120, 30, kWhite), giant(120, 30, kWhite), outOfRange(120, 30, kWhite);
  draw(plain, CRect(10, 5, 60, 25));  // centred on y = 15
  draw(giant, CRect(10, 15 - 0x7FFFFFF0, 60, 15 + 0x7FFFFFF0));
  draw(outOfRange, CRect(10, 0x7FFFFF00, 60, 0x7FFFFFF0));
  int inked = 0;
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 120; ++x) {
      EXPECT_COLOUR(giant.At(x, y), plain.At(x, y));
      EXPECT_COLOUR(outOfRange.At(x, y), kWhite);
      inked += plain.At(x, y) != kWhite;
    }
  }
  EXPECT_TRUE(inked > 10);
}

// The off-screen path as the paint uses it: a memory context whose window
// origin is the clip box's corner, copied to the target in one block.
void GdiOffscreenWindowOrigin() {
  MemorySurface target(60, 40, kWhite);
  CDC memory;
  EXPECT_TRUE(memory.CreateCompatibleDC(&target.dc));
  CBitmap bitmap;
  EXPECT_TRUE(bitmap.CreateCompatibleBitmap(&target.dc, 20, 10));
  CBitmap* old = memory.SelectObject(&bitmap);
  EXPECT_TRUE(old != nullptr);
  EXPECT_TRUE(memory.SetWindowOrg(30, 15) == CPoint(0, 0));
  EXPECT_TRUE(memory.GetWindowOrg() == CPoint(30, 15));
  CRect clip;
  memory.GetClipBox(&clip);
  EXPECT_TRUE(clip == CRect(30, 15, 50, 25));
  memory.FillSolidRect(0, 0, 200, 200, RGB(9, 9, 9));  // beyond the bitmap: clipped
  CRect inner(32, 16, 34, 18);
  memory.FillSolidRect(&inner, RGB(200, 0, 0));
  EXPECT_TRUE(target.dc.BitBlt(30, 15, 20, 10, &memory, 30, 15, SRCCOPY));
  EXPECT_COLOUR(target.At(30, 15), RGB(9, 9, 9));
  EXPECT_COLOUR(target.At(32, 16), RGB(200, 0, 0));
  EXPECT_COLOUR(target.At(33, 17), RGB(200, 0, 0));
  EXPECT_COLOUR(target.At(49, 24), RGB(9, 9, 9));
  EXPECT_COLOUR(target.At(50, 24), kWhite);
  EXPECT_COLOUR(target.At(29, 15), kWhite);
  memory.SelectObject(old);
}

void GdiSystemColours() {
  EXPECT_COLOUR(GetSysColor(COLOR_WINDOW), ::GetSysColor(COLOR_WINDOW));
  EXPECT_COLOUR(GetSysColor(COLOR_BTNSHADOW), ::GetSysColor(COLOR_BTNSHADOW));
}

// ---------------------------------------------------------------- site checks

void SiteCreatesChildWindow() {
  ProbeFixture f;
  ::HWND hwnd = f.site.Hwnd();
  EXPECT_TRUE(hwnd != nullptr && ::IsWindow(hwnd));
  EXPECT_TRUE(f.ctrl.IsWindow());
  EXPECT_TRUE(::GetParent(hwnd) == f.host.Hwnd());
  ::LONG_PTR style = ::GetWindowLongPtrW(hwnd, GWL_STYLE);
  for (::LONG_PTR bit : {WS_CHILD, WS_VISIBLE, WS_CLIPCHILDREN, WS_BORDER}) EXPECT_TRUE((style & bit) == bit);
  ::WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  EXPECT_TRUE(::GetClassInfoExW(GetModuleInstance(), ControlWindowClassName(), &wc));
  EXPECT_TRUE((wc.style & CS_DBLCLKS) != 0);
  EXPECT_TRUE(wc.hbrBackground == nullptr);
  EXPECT_TRUE(f.ctrl.Received(WM_SIZE));
  EXPECT_TRUE(f.ctrl.windowExistedAtSize);
  ::RECT client{};
  ::GetClientRect(hwnd, &client);
  EXPECT_TRUE(f.site.GetClientRect() == FromWin(client));
  CRect rc;
  f.ctrl.GetClientRect(&rc);
  EXPECT_TRUE(rc == FromWin(client));
  // A second window reuses the class.
  {
    ProbeControl other;
    Win32ControlSite otherSite(other);
    ::RECT rect{420, 10, 500, 60};
    EXPECT_TRUE(otherSite.CreateControlWindow(f.host.Hwnd(), rect));
    EXPECT_TRUE(Win32ControlSite::FromHwnd(otherSite.Hwnd()) == &otherSite);
  }
  EXPECT_TRUE(Win32ControlSite::FromHwnd(hwnd) == &f.site);
  EXPECT_TRUE(Win32ControlSite::FromHwnd(f.host.Hwnd()) == nullptr);
  f.site.DestroyControlWindow();
  EXPECT_TRUE(!::IsWindow(hwnd));
  EXPECT_TRUE(!f.ctrl.IsWindow());
  EXPECT_TRUE(f.site.Hwnd() == nullptr);
}

void SitePaintsThroughOnDraw() {
  ProbeFixture f;
  ::HWND hwnd = f.site.Hwnd();
  EXPECT_TRUE(f.ctrl.draws >= 1);
  CRect client = f.site.GetClientRect();
  EXPECT_TRUE(f.ctrl.lastBounds == client);
  EXPECT_COLOUR(ScreenPixel(hwnd, 5, 5), RGB(0, 128, 0));
  EXPECT_COLOUR(ScreenPixel(hwnd, client.right - 1, client.bottom - 1), RGB(0, 128, 0));

  // A partial invalidation repaints only that area: the control is told so,
  // its clip box is the area, and nothing else is erased or drawn.
  f.ctrl.paintColour = RGB(200, 0, 200);
  int before = f.ctrl.draws;
  CRect area(10, 10, 30, 20);
  f.ctrl.InvalidateControl(&area);
  ::UpdateWindow(hwnd);
  EXPECT_EQ(f.ctrl.draws, before + 1);
  EXPECT_TRUE(f.ctrl.lastInvalid == area);
  EXPECT_TRUE(f.ctrl.lastClip == area);
  EXPECT_TRUE(f.ctrl.lastBounds == client);
  EXPECT_COLOUR(ScreenPixel(hwnd, 10, 10), RGB(200, 0, 200));
  EXPECT_COLOUR(ScreenPixel(hwnd, 29, 19), RGB(200, 0, 200));
  EXPECT_COLOUR(ScreenPixel(hwnd, 30, 19), RGB(0, 128, 0));
  EXPECT_COLOUR(ScreenPixel(hwnd, 9, 10), RGB(0, 128, 0));
  EXPECT_TRUE(!f.ctrl.Received(WM_ERASEBKGND));  // answered by the site: nothing to erase
  EXPECT_EQ(::SendMessageW(hwnd, WM_ERASEBKGND, 0, 0), ::LRESULT(1));

  // Refresh repaints everything before it returns.
  f.ctrl.paintColour = RGB(0, 0, 255);
  before = f.ctrl.draws;
  f.ctrl.Refresh();
  EXPECT_EQ(f.ctrl.draws, before + 1);
  EXPECT_COLOUR(ScreenPixel(hwnd, 200, 100), RGB(0, 0, 255));
  EXPECT_TRUE(f.failures.empty());
}

void SiteSendMessageSameThread() {
  ProbeFixture f;
  EXPECT_EQ(f.ctrl.SendMessage(kProbeMessage, 7, 0), LRESULT(1007));
  EXPECT_EQ(f.ctrl.handlerThread, ::GetCurrentThreadId());
  // Unhandled messages reach the system's default processing.
  EXPECT_EQ(f.ctrl.SendMessage(WM_NCHITTEST, 0, MAKELPARAM(50, 50)), LRESULT(HTCLIENT));
}

struct WorkerBlock {
  Win32ControlSite* site;
  std::atomic<LRESULT> answer{0};
  std::atomic<int> done{0};
};

unsigned SendFromWorker(void* param) {
  auto* block = static_cast<WorkerBlock*>(param);
  block->answer = block->site->SendMessage(kProbeMessage, 42, 0);
  block->done = 1;
  return 0;
}

// A worker's SendMessage is handled on the window's thread, and joining a
// worker that is blocked in such a send does not deadlock.
void SiteSendFromWorkerAndJoin() {
  ProbeFixture f;
  WorkerBlock block;
  block.site = &f.site;
  ThreadHandle worker = BeginThreadEx(&SendFromWorker, &block);
  EXPECT_TRUE(worker != 0);
  JoinThread(worker);  // the only place this thread takes the sent message
  EXPECT_EQ(block.done.load(), 1);
  EXPECT_EQ(block.answer.load(), LRESULT(1042));
  EXPECT_EQ(f.ctrl.handlerThread, ::GetCurrentThreadId());
}

void SiteScrollBars() {
  ProbeFixture f;
  SCROLLINFO info;
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  info.nMin = 0;
  info.nMax = 500;
  info.nPage = 100;
  info.nPos = 50;
  EXPECT_TRUE(f.ctrl.SetScrollInfo(SB_HORZ, &info, TRUE));
  SCROLLINFO read;
  EXPECT_TRUE(f.ctrl.GetScrollInfo(SB_HORZ, &read, SIF_ALL));
  EXPECT_EQ(read.nMax, 500);
  EXPECT_EQ(read.nPage, UINT(100));
  EXPECT_EQ(read.nPos, 50);
  EXPECT_EQ(read.nTrackPos, 50);
  // The position is bounded to nMax - nPage + 1.
  f.ctrl.SetScrollPos(SB_HORZ, 1000);
  EXPECT_TRUE(f.ctrl.GetScrollInfo(SB_HORZ, &read, SIF_POS));
  EXPECT_EQ(read.nPos, 401);
  EXPECT_TRUE((::GetWindowLongPtrW(f.site.Hwnd(), GWL_STYLE) & WS_HSCROLL) != 0);
  // An empty range hides the bar; the client area grows by its height and
  // the control hears of it.
  CRect withBar = f.site.GetClientRect();
  info.nMax = 0;
  info.nPage = 0;
  info.nPos = 0;
  f.ctrl.messages.clear();
  f.ctrl.SetScrollInfo(SB_HORZ, &info, TRUE);
  CRect without = f.site.GetClientRect();
  EXPECT_EQ(without.Height(), withBar.Height() + ::GetSystemMetrics(SM_CYHSCROLL));
  EXPECT_TRUE(f.ctrl.Received(WM_SIZE));
}

void SiteScrollWindowMovesPixels() {
  ProbeFixture f;
  ::HWND hwnd = f.site.Hwnd();
  ::ValidateRect(hwnd, nullptr);
  CDC* dc = f.ctrl.GetDC();
  EXPECT_TRUE(dc != nullptr);
  dc->FillSolidRect(0, 0, 100, 50, RGB(255, 0, 0));
  dc->FillSolidRect(100, 0, 100, 50, RGB(0, 0, 255));
  f.ctrl.ReleaseDC(dc);
  EXPECT_COLOUR(ScreenPixel(hwnd, 99, 10), RGB(255, 0, 0));
  CRect rect(0, 0, 200, 50);
  f.ctrl.ScrollWindow(-10, 0, &rect, &rect);
  EXPECT_COLOUR(ScreenPixel(hwnd, 89, 10), RGB(255, 0, 0));
  EXPECT_COLOUR(ScreenPixel(hwnd, 90, 10), RGB(0, 0, 255));
  ::RECT update{};
  EXPECT_TRUE(::GetUpdateRect(hwnd, &update, FALSE));
  EXPECT_TRUE(FromWin(update) == CRect(190, 0, 200, 50));
}

void SiteScreenToClientCursorCaptureKeys() {
  ProbeFixture f;
  ::HWND hwnd = f.site.Hwnd();
  ::POINT origin{0, 0};
  ::ClientToScreen(hwnd, &origin);
  CRect r(int(origin.x) + 5, int(origin.y) + 6, int(origin.x) + 25, int(origin.y) + 16);
  f.ctrl.ScreenToClient(&r);
  EXPECT_TRUE(r == CRect(5, 6, 25, 16));

  f.ctrl.SetCursor(32644);  // the size cursor
  EXPECT_TRUE(::GetCursor() == ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32644)));
  f.ctrl.SetCursor(IDC_DRAGCOLUMN);  // no such resource in this program: the arrow
  ::HCURSOR expected = ::LoadCursorW(GetModuleInstance(), MAKEINTRESOURCEW(IDC_DRAGCOLUMN));
  if (!expected) expected = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
  EXPECT_TRUE(::GetCursor() == expected);

  f.ctrl.SetCapture();
  EXPECT_TRUE(::GetCapture() == hwnd);
  f.ctrl.ReleaseCapture();
  EXPECT_TRUE(::GetCapture() == nullptr);

  ::BYTE keys[256];
  ::GetKeyboardState(keys);
  ::BYTE saved = keys[VK_SHIFT];
  keys[VK_SHIFT] = 0x80;
  ::SetKeyboardState(keys);
  EXPECT_TRUE(f.ctrl.GetKeyState(VK_SHIFT) < 0);
  keys[VK_SHIFT] = 0;
  ::SetKeyboardState(keys);
  EXPECT_TRUE(f.ctrl.GetKeyState(VK_SHIFT) >= 0);
  keys[VK_SHIFT] = saved;
  ::SetKeyboardState(keys);
}

void SiteContainsHandlerFailures() {
  ProbeFixture f;
  EXPECT_EQ(f.ctrl.SendMessage(kProbeThrow, 0, 0), LRESULT(0));
  EXPECT_EQ(f.failures.size(), std::size_t(1));
  EXPECT_TRUE(f.failures[0].find("probe failure") != std::string::npos);
  EXPECT_TRUE(f.ctrl.IsWindow());
  EXPECT_EQ(f.ctrl.SendMessage(kProbeMessage, 1, 0), LRESULT(1001));
}

void SiteEventsAndModified() {
  ProbeFixture f;
  std::vector<std::pair<DISPID, CDispArgs>> fired;
  int modified = 0;
  f.site.onFireEvent = [&](DISPID id, const CDispArgs& args) { fired.emplace_back(id, args); };
  f.site.onModified = [&] { ++modified; };
  f.ctrl.FireEvent(1, EVENT_PARAM(VTS_I4 VTS_I4), 3, 4);
  f.ctrl.SetModifiedFlag();
  EXPECT_EQ(fired.size(), std::size_t(1));
  EXPECT_EQ(fired[0].first, DISPID(1));
  EXPECT_TRUE(fired[0].second.size() == 2 && fired[0].second[0] == CDispArg::I4(3) &&
              fired[0].second[1] == CDispArg::I4(4));
  EXPECT_EQ(modified, 1);
}

// The Tab the user typed (taken from the queue) is offered to the control's
// pre-translation by the window that gets it; when the control takes it,
// the window's handler never sees it. A Tab sent with SendMessage - as the
// editor forwards Enter - is a plain key for the handler.
void SiteTabIsPreTranslated() {
  ProbeFixture f;
  ::HWND hwnd = f.site.Hwnd();
  f.ctrl.messages.clear();
  ::PostMessageW(hwnd, WM_KEYDOWN, VK_TAB, 1);
  Pump();
  EXPECT_EQ(f.ctrl.preTranslated.size(), std::size_t(1));
  EXPECT_TRUE(f.ctrl.preTranslated[0] == hwnd);
  EXPECT_TRUE(!f.ctrl.Received(WM_KEYDOWN));
  f.ctrl.preTranslateAnswer = FALSE;
  ::PostMessageW(hwnd, WM_KEYDOWN, VK_TAB, 1);
  Pump();
  EXPECT_EQ(f.ctrl.preTranslated.size(), std::size_t(2));
  EXPECT_TRUE(f.ctrl.Received(WM_KEYDOWN));
  f.ctrl.preTranslateAnswer = TRUE;
  f.ctrl.messages.clear();
  ::SendMessageW(hwnd, WM_KEYDOWN, VK_TAB, 1);
  EXPECT_EQ(f.ctrl.preTranslated.size(), std::size_t(2));
  EXPECT_TRUE(f.ctrl.Received(WM_KEYDOWN));
  // A Tab taken from the queue, then dispatched again by hand, is offered once.
  ::MSG msg{};
  ::PostMessageW(hwnd, WM_KEYDOWN, VK_TAB, 3);
  EXPECT_TRUE(::PeekMessageW(&msg, hwnd, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE));
  ::DispatchMessageW(&msg);
  ::DispatchMessageW(&msg);
  EXPECT_EQ(f.ctrl.preTranslated.size(), std::size_t(3));
  // Other keys are not offered.
  ::PostMessageW(hwnd, WM_KEYDOWN, VK_RIGHT, 1);
  Pump();
  EXPECT_EQ(f.ctrl.preTranslated.size(), std::size_t(3));
}

void SiteEditChild() {
  ProbeFixture f;
  ProbeEdit edit;
  constexpr DWORD style = 0x50810080;
  RECT rect{20, 30, 120, 50};
  edit.AttachImpl(f.site.CreateEditChild(&edit, style, rect, 1), &f.ctrl);
  ::HWND hedit = static_cast<::HWND>(edit.GetSafeHwnd());
  EXPECT_TRUE(hedit != nullptr);
  wchar_t className[16] = {};
  ::GetClassNameW(hedit, className, 16);
  EXPECT_TRUE(std::wstring(className) == L"Edit" || std::wstring(className) == L"EDIT");
  EXPECT_TRUE(::GetParent(hedit) == f.site.Hwnd());
  EXPECT_EQ(::GetDlgCtrlID(hedit), 1);
  // The EDIT class draws its border itself: it takes WS_BORDER out of the
  // style it keeps.
  DWORD kept = DWORD(::GetWindowLongPtrW(hedit, GWL_STYLE));
  if ((kept & (style & ~WS_BORDER)) != (style & ~WS_BORDER)) Fail(__LINE__, "edit style " + Hex(kept));
  CRect placed = edit.GetImpl()->GetWindowRect();
  f.ctrl.ScreenToClient(&placed);
  EXPECT_TRUE(placed == CRect(20, 30, 120, 50));

  // Text set through the owner's message path reaches the EDIT class, and
  // the EDIT class tells the grid window with EN_UPDATE.
  f.ctrl.messages.clear();
  edit.SetWindowText(CString(u"xyz"));
  EXPECT_TRUE(std::find(edit.messages.begin(), edit.messages.end(), WM_SETTEXT) != edit.messages.end());
  EXPECT_TRUE(edit.GetWindowText() == CString(u"xyz"));
  bool update = std::any_of(f.ctrl.messages.begin(), f.ctrl.messages.end(), [](const ProbeControl::Record& r) {
    return r.message == WM_COMMAND && LOWORD(r.wParam) == 1 && HIWORD(r.wParam) == EN_UPDATE;
  });
  EXPECT_TRUE(update);

  // Typed characters are edited by the EDIT class itself.
  edit.SetFocus();
  EXPECT_TRUE(::GetFocus() == hedit);
  ::SendMessageW(hedit, EM_SETSEL, 3, 3);
  ::PostMessageW(hedit, WM_CHAR, 'q', 1);
  Pump();
  EXPECT_TRUE(edit.GetWindowText() == CString(u"xyzq"));
  EXPECT_TRUE(std::find(edit.messages.begin(), edit.messages.end(), WM_CHAR) != edit.messages.end());

  // A typed Tab in the editor goes to the control's pre-translation first;
  // a sent one goes to the editor's owner.
  ::PostMessageW(hedit, WM_KEYDOWN, VK_TAB, 1);
  Pump();
  EXPECT_TRUE(f.ctrl.preTranslated.size() == 1 && f.ctrl.preTranslated.back() == hedit);
  edit.messages.clear();
  ::SendMessageW(hedit, WM_KEYDOWN, VK_TAB, 1);
  EXPECT_EQ(f.ctrl.preTranslated.size(), std::size_t(1));
  EXPECT_TRUE(std::find(edit.messages.begin(), edit.messages.end(), WM_KEYDOWN) != edit.messages.end());

  EXPECT_TRUE(edit.ShowWindow(SW_HIDE));
  EXPECT_TRUE(!edit.IsWindowVisible());
  edit.MoveWindow(5, 5, 50, 20);
  placed = edit.GetImpl()->GetWindowRect();
  f.ctrl.ScreenToClient(&placed);
  EXPECT_TRUE(placed == CRect(5, 5, 55, 25));

  edit.DestroyWindow();
  EXPECT_TRUE(!::IsWindow(hedit));
  EXPECT_TRUE(f.failures.empty());
}

// The grid's window going away takes the editor with it; the editor's
// owner then holds no window and can be destroyed safely.
void SiteEditDiesWithGridWindow() {
  ProbeFixture f;
  ProbeEdit edit;
  RECT rect{0, 0, 50, 20};
  edit.AttachImpl(f.site.CreateEditChild(&edit, 0x50810080, rect, 1), &f.ctrl);
  ::HWND hedit = static_cast<::HWND>(edit.GetSafeHwnd());
  EXPECT_TRUE(hedit != nullptr);
  f.site.DestroyControlWindow();
  EXPECT_TRUE(!::IsWindow(hedit));
  EXPECT_TRUE(edit.GetSafeHwnd() == nullptr);
}

// ---------------------------------------------------------------- services

void ServicesClipboard() {
  const char16_t text[] = u"abc";
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, sizeof(text));
  EXPECT_TRUE(block != nullptr);
  void* p = GlobalLock(block);
  EXPECT_TRUE(p != nullptr);
  std::memcpy(p, text, sizeof(text));
  GlobalUnlock(block);
  EXPECT_TRUE(OpenClipboard(nullptr));
  EXPECT_TRUE(EmptyClipboard());
  EXPECT_TRUE(SetClipboardData(CF_UNICODETEXT, block) != nullptr);
  EXPECT_TRUE(CloseClipboard());

  EXPECT_TRUE(OpenClipboard(nullptr));
  HGLOBAL got = GetClipboardData(CF_UNICODETEXT);
  EXPECT_TRUE(got != nullptr);
  EXPECT_TRUE(GlobalSize(got) >= sizeof(text));
  auto* chars = static_cast<const char16_t*>(GlobalLock(got));
  EXPECT_TRUE(chars != nullptr && std::u16string(chars) == u"abc");
  GlobalUnlock(got);
  EXPECT_TRUE(CloseClipboard());
}

// Finds a dialog of this thread whose caption is caption, waiting up to 5 s.
struct DialogSearch {
  const wchar_t* caption;
  ::HWND found = nullptr;
};

::HWND WaitForDialog(DWORD thread, const wchar_t* caption) {
  for (int i = 0; i < 500; ++i) {
    DialogSearch search{caption};
    ::EnumThreadWindows(
        thread,
        [](::HWND hwnd, ::LPARAM param) -> ::BOOL {
          auto* s = reinterpret_cast<DialogSearch*>(param);
          wchar_t cls[32] = {}, title[128] = {};
          ::GetClassNameW(hwnd, cls, 32);
          ::GetWindowTextW(hwnd, title, 128);
          if (std::wstring(cls) == L"#32770" && (!s->caption || std::wstring(title) == s->caption) &&
              ::IsWindowVisible(hwnd)) {
            s->found = hwnd;
            return FALSE;
          }
          return TRUE;
        },
        reinterpret_cast<::LPARAM>(&search));
    if (search.found) return search.found;
    ::Sleep(10);
  }
  return nullptr;
}

std::wstring StaticTexts(::HWND dialog) {
  std::wstring texts;
  ::EnumChildWindows(
      dialog,
      [](::HWND child, ::LPARAM param) -> ::BOOL {
        wchar_t cls[32] = {}, text[256] = {};
        ::GetClassNameW(child, cls, 32);
        ::GetWindowTextW(child, text, 256);
        if (_wcsicmp(cls, L"Static") == 0) *reinterpret_cast<std::wstring*>(param) += text;
        return TRUE;
      },
      reinterpret_cast<::LPARAM>(&texts));
  return texts;
}

void ServicesMessageBox() {
  HostWindow host;
  ::SetActiveWindow(host.Hwnd());
  DWORD me = ::GetCurrentThreadId();
  std::wstring seen;
  bool closed = false;
  std::thread watcher([&] {
    ::HWND box = WaitForDialog(me, L"TzGrid");
    if (!box) return;
    seen = StaticTexts(box);
    closed = ::PostMessageW(box, WM_COMMAND, IDOK, 0) != 0;
  });
  int answer = AfxMessageBox(CString(u"NULL cell"));
  watcher.join();
  EXPECT_TRUE(closed);
  EXPECT_EQ(answer, IDOK);
  EXPECT_TRUE(seen.find(L"NULL cell") != std::wstring::npos);
}

void ServicesSaveDialog() {
  HostWindow host;
  wchar_t tempDir[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, tempDir);
  std::wstring typed = std::wstring(tempDir) + L"tzgrid_platform_export";
  DWORD me = ::GetCurrentThreadId();
  bool typedIn = false;
  std::thread watcher([&] {
    ::HWND dialog = WaitForDialog(me, nullptr);
    if (!dialog) return;
    // The file name box of the system's dialog (edt1, or the combo box
    // cmb13 that newer dialogs put in its place).
    ::HWND name = ::GetDlgItem(dialog, 0x480);
    if (!name) name = ::GetDlgItem(dialog, 0x47C);
    if (!name) return;
    ::SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<::LPARAM>(typed.c_str()));
    typedIn = ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0) != 0;
  });
  CFileDialog dialog(FALSE, u".csv", u"export.csv", OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                     u"CSV Files (*.csv)|*.csv|All Files (*.*)|*.*||");
  int result = dialog.DoModal();
  watcher.join();
  EXPECT_TRUE(typedIn);
  EXPECT_EQ(result, IDOK);
  std::u16string path(dialog.GetPathName().View());
  std::u16string expected;
  for (wchar_t c : typed + L".csv") expected += char16_t(c);
  if (path != expected) Fail(__LINE__, "path is " + Utf8(path) + ", expected " + Utf8(expected));
}

unsigned SetFlagLater(void* param) {
  ::Sleep(50);
  static_cast<std::atomic<int>*>(param)->store(7);
  return 3;
}

void ServicesThreadsAndDialogs() {
  std::atomic<int> flag{0};
  ThreadHandle worker = BeginThreadEx(&SetFlagLater, &flag);
  EXPECT_TRUE(worker != 0);
  JoinThread(worker);
  EXPECT_EQ(flag.load(), 7);
  EXPECT_TRUE(BeginThreadEx(nullptr, nullptr) == 0);
  // This program has no dialog resources: the dialog cannot be shown.
  CDialogEx about(100);
  EXPECT_EQ(about.DoModal(), -1);
}

// ---------------------------------------------------------------- the grid

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

// The default grid: 5 x 5, one fixed row of height 20, columns 50 wide.
void GridDefaultPicture() {
  Guarded([] {
    GridFixture f;
    f.HeaderRow();
    f.ctrl.SetCellText(0, 1, CString(u"B"));
    f.ctrl.InvalidateControl();
    f.Settle();
    f.ExpectNoFailures();
    // Header cell (0, 0, 49, 19): the raised frame lies inside (0, 0) ..
    // (48, 18); its last column and row show the empty-area colour, as
    // no grid line is drawn in the header band.
    COLORREF empty = COLORREF(::GetSysColor(COLOR_BTNSHADOW));
    for (int x = 0; x <= 47; ++x) EXPECT_COLOUR(f.Pixel(x, 0), kWhite);
    for (int y = 0; y <= 17; ++y) EXPECT_COLOUR(f.Pixel(0, y), kWhite);
    for (int y = 0; y <= 18; ++y) EXPECT_COLOUR(f.Pixel(48, y), kShadow);
    for (int x = 0; x <= 48; ++x) EXPECT_COLOUR(f.Pixel(x, 18), kShadow);
    for (int y = 0; y <= 19; ++y) EXPECT_COLOUR(f.Pixel(49, y), empty);
    for (int x = 0; x <= 49; ++x) EXPECT_COLOUR(f.Pixel(x, 19), empty);
    EXPECT_COLOUR(f.Pixel(25, 10), kLightGrey);
    // The second header cell holds its text in the near-black header ink.
    int inked = 0;
    for (int y = 1; y < 19; ++y)
      for (int x = 51; x < 99; ++x) inked += f.Pixel(x, y) == RGB(1, 1, 1);
    EXPECT_TRUE(inked > 0);
    // First scrolled cell (0, 20, 49, 39) in the window colour, grid lines
    // on its last column and row.
    COLORREF window = COLORREF(::GetSysColor(COLOR_WINDOW));
    EXPECT_COLOUR(f.Pixel(0, 20), window);
    EXPECT_COLOUR(f.Pixel(48, 38), window);
    for (int y = 20; y <= 39; ++y) EXPECT_COLOUR(f.Pixel(49, y), kGridLine);
    for (int x = 0; x <= 49; ++x) EXPECT_COLOUR(f.Pixel(x, 39), kGridLine);
    EXPECT_COLOUR(f.Pixel(249, 30), kGridLine);  // the last column's line
    EXPECT_COLOUR(f.Pixel(100, 99), kGridLine);  // the last row's line
    // Right of the last column and below the last row: the empty-area colour.
    EXPECT_COLOUR(f.Pixel(300, 50), empty);
    EXPECT_COLOUR(f.Pixel(100, 200), empty);
    // Everything fits: no scroll range.
    SCROLLINFO info;
    EXPECT_TRUE(f.ctrl.GetScrollInfo(SB_HORZ, &info, SIF_RANGE | SIF_PAGE));
    EXPECT_EQ(info.nMax, 0);
  });
}

void GridCellColoursAndFocusFrame() {
  Guarded([] {
    GridFixture f;
    f.HeaderRow();
    f.ctrl.SetItemBackColor(2, 1, LONG(RGB(255, 0, 0)));
    f.ctrl.SetGridBackColor(LONG(RGB(255, 255, 200)));
    f.ctrl.SetFocusedCell(3, 2);
    f.ctrl.InvalidateControl();
    f.Settle();
    f.ExpectNoFailures();
    // Cell (2, 1) is (50, 40, 99, 59).
    EXPECT_COLOUR(f.Pixel(50, 40), RGB(255, 0, 0));
    EXPECT_COLOUR(f.Pixel(98, 58), RGB(255, 0, 0));
    EXPECT_COLOUR(f.Pixel(99, 50), kGridLine);
    EXPECT_COLOUR(f.Pixel(70, 59), kGridLine);
    // Other cells in the grid's background colour.
    EXPECT_COLOUR(f.Pixel(10, 30), RGB(255, 255, 200));
    // Focus cell (3, 2) is (100, 60, 149, 79): a black frame on the filled area.
    for (int x = 100; x <= 148; ++x) {
      EXPECT_COLOUR(f.Pixel(x, 60), kBlack);
      EXPECT_COLOUR(f.Pixel(x, 78), kBlack);
    }
    for (int y = 60; y <= 78; ++y) {
      EXPECT_COLOUR(f.Pixel(100, y), kBlack);
      EXPECT_COLOUR(f.Pixel(148, y), kBlack);
    }
    EXPECT_COLOUR(f.Pixel(120, 70), RGB(255, 255, 200));
    EXPECT_COLOUR(f.Pixel(149, 70), kGridLine);
    EXPECT_COLOUR(f.Pixel(120, 79), kGridLine);
    EXPECT_EQ(f.ctrl.GetCurrentRow(), LONG(3));
    EXPECT_EQ(f.ctrl.GetCurrentColumn(), LONG(2));
  });
}

void GridClickSelectsCell() {
  Guarded([] {
    GridFixture f;
    f.HeaderRow();
    f.Click(75, 50);  // cell (2, 1) is (50, 40, 99, 59)
    f.ExpectNoFailures();
    EXPECT_TRUE(!f.events.empty());
    EXPECT_EQ(f.events[0].first, DISPID(DISPID_GRIDCELLSELECTED));
    EXPECT_TRUE(f.events[0].second.size() == 2 && f.events[0].second[0] == CDispArg::I4(2) &&
                f.events[0].second[1] == CDispArg::I4(1));
    EXPECT_EQ(f.ctrl.GetCurrentRow(), LONG(2));
    EXPECT_EQ(f.ctrl.GetCurrentColumn(), LONG(1));
    EXPECT_COLOUR(f.Pixel(50, 40), kBlack);   // focus frame drawn at once
    EXPECT_COLOUR(f.Pixel(98, 58), kBlack);
    EXPECT_COLOUR(f.Pixel(70, 50), COLORREF(::GetSysColor(COLOR_WINDOW)));
  });
}

// Typing on the focus cell opens a real EDIT window over it.
void GridTypingOpensEditor() {
  Guarded([] {
    GridFixture f;
    f.HeaderRow();
    f.ctrl.SetCellText(2, 1, CString(u"xyz"));
    f.ctrl.SetFocusedCell(2, 1);
    ::SetFocus(f.Hwnd());
    ::PostMessageW(f.Hwnd(), WM_CHAR, 'a', 1);
    f.Settle();
    f.ExpectNoFailures();
    ::HWND edit = ::GetDlgItem(f.Hwnd(), 1);
    EXPECT_TRUE(edit != nullptr);
    EXPECT_TRUE(::IsWindowVisible(edit));
    EXPECT_TRUE(::GetFocus() == edit);
    wchar_t text[16] = {};
    ::GetWindowTextW(edit, text, 16);
    EXPECT_TRUE(std::wstring(text) == L"a");
    EXPECT_TRUE(f.ctrl.GetCellText(2, 1) == CString(u"a"));
    ::RECT placed{};
    ::GetWindowRect(edit, &placed);
    ::MapWindowPoints(nullptr, f.Hwnd(), reinterpret_cast<::POINT*>(&placed), 2);
    EXPECT_TRUE(FromWin(placed) == CRect(50, 40, 99, 59));
    // Further typing goes to the EDIT window and on into the cell.
    ::PostMessageW(edit, WM_CHAR, 'b', 1);
    f.Settle();
    EXPECT_TRUE(f.ctrl.GetCellText(2, 1) == CString(u"ab"));
    // Enter in the editor moves right and ends the edit.
    ::PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 1);
    f.Settle();
    f.ExpectNoFailures();
    EXPECT_EQ(f.ctrl.GetCurrentColumn(), LONG(2));
    EXPECT_TRUE(!::IsWindowVisible(edit));
    bool exited = std::any_of(f.events.begin(), f.events.end(),
                              [](const auto& e) { return e.first == DISPID_GRIDCELLEXITED; });
    EXPECT_TRUE(exited);
  });
}

void GridTabMovesRight() {
  Guarded([] {
    GridFixture f;
    f.HeaderRow();
    f.ctrl.SetFocusedCell(2, 1);
    ::SetFocus(f.Hwnd());
    ::PostMessageW(f.Hwnd(), WM_KEYDOWN, VK_TAB, 1);
    f.Settle();
    f.ExpectNoFailures();
    EXPECT_EQ(f.ctrl.GetCurrentColumn(), LONG(2));
    ::PostMessageW(f.Hwnd(), WM_KEYDOWN, VK_DOWN, 1);
    f.Settle();
    f.ExpectNoFailures();
    EXPECT_EQ(f.ctrl.GetCurrentRow(), LONG(3));
  });
}

void GridScrollsByColumns() {
  Guarded([] {
    GridFixture f;
    f.ctrl.SetNumColumns(20);
    f.HeaderRow();
    f.ctrl.SetCellText(1, 1, CString(u"one"));
    f.ctrl.InvalidateControl();
    f.Settle();
    f.ExpectNoFailures();
    SCROLLINFO info;
    EXPECT_TRUE(f.ctrl.GetScrollInfo(SB_HORZ, &info, SIF_RANGE | SIF_PAGE | SIF_POS));
    CRect client = f.site.GetClientRect();
    EXPECT_EQ(info.nPage, UINT(client.Width()));
    EXPECT_EQ(info.nMax, 20 * 50 - 50 + client.Width());
    ::SendMessageW(f.Hwnd(), WM_HSCROLL, SB_LINERIGHT, 0);
    f.Settle();
    f.ExpectNoFailures();
    EXPECT_EQ(f.ctrl.m_nFirstCol, 1);
    EXPECT_EQ(f.ctrl.m_nHScrollPos, 50);
    EXPECT_TRUE(f.ctrl.GetScrollInfo(SB_HORZ, &info, SIF_POS));
    EXPECT_EQ(info.nPos, 50);
    // Column 1 is now the first one shown: its grid line at x = 49.
    for (int y = 20; y <= 39; ++y) EXPECT_COLOUR(f.Pixel(49, y), kGridLine);
    EXPECT_COLOUR(f.Pixel(48, 5), kShadow);  // the header cell's frame
    EXPECT_COLOUR(f.Pixel(49, 5), COLORREF(::GetSysColor(COLOR_BTNSHADOW)));
  });
}

// A column border dragged in the header band: the tracking band is drawn
// by inverting the screen's pixels, and the release applies the width.
void GridResizeColumnWithBand() {
  Guarded([] {
    GridFixture f;
    f.HeaderRow();
    f.ctrl.InvalidateControl();
    f.Settle();
    COLORREF window = COLORREF(::GetSysColor(COLOR_WINDOW));
    ::PostMessageW(f.Hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(49, 10));
    f.Settle();
    f.ExpectNoFailures();
    EXPECT_EQ(f.ctrl.m_nMouseMode, MOUSE_OVER_BORDER);
    ::SendMessageW(f.Hwnd(), WM_SETCURSOR, reinterpret_cast<::WPARAM>(f.Hwnd()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_TRUE(::GetCursor() == ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32644)));

    ::PostMessageW(f.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(49, 10));
    f.Settle();
    f.ExpectNoFailures();
    EXPECT_EQ(f.ctrl.m_nMouseMode, MOUSE_RESIZING);
    // The border of column 0 is x = 50 (where column 1 begins); the band
    // covers the pixel columns 49 and 50, the whole client height.
    EXPECT_EQ(f.ctrl.m_nResizeStartX, 50);
    EXPECT_COLOUR(f.Pixel(49, 50), kGridLine ^ 0x00FFFFFFu);
    EXPECT_COLOUR(f.Pixel(50, 50), window ^ 0x00FFFFFFu);
    EXPECT_COLOUR(f.Pixel(50, 5), kWhite ^ 0x00FFFFFFu);  // over the header band too
    EXPECT_COLOUR(f.Pixel(48, 50), window);
    EXPECT_COLOUR(f.Pixel(51, 50), window);

    ::PostMessageW(f.Hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(80, 10));
    f.Settle();
    EXPECT_COLOUR(f.Pixel(50, 50), window);  // erased where it was
    EXPECT_COLOUR(f.Pixel(49, 50), kGridLine);
    EXPECT_COLOUR(f.Pixel(80, 50), window ^ 0x00FFFFFFu);  // drawn where the pointer is
    EXPECT_COLOUR(f.Pixel(81, 50), window ^ 0x00FFFFFFu);

    ::PostMessageW(f.Hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(80, 10));
    f.Settle();
    f.ExpectNoFailures();
    EXPECT_EQ(f.ctrl.m_nMouseMode, MOUSE_IDLE);
    EXPECT_EQ(f.ctrl.GetColumnWidth(0), LONG(80));  // 50 + (80 - 50)
    // Repainted with the new width: the column's grid line at x = 79, the
    // band gone.
    EXPECT_COLOUR(f.Pixel(79, 50), kGridLine);
    EXPECT_COLOUR(f.Pixel(80, 50), window);
    EXPECT_COLOUR(f.Pixel(81, 50), window);
    EXPECT_COLOUR(f.Pixel(49, 50), window);
    EXPECT_COLOUR(f.Pixel(129, 50), kGridLine);
  });
}

// Drags a header cell out of the control to the right: the auto-scroll
// worker sends WM_HSCROLL from its own thread and this thread handles the
// sends while it pumps; the drop then reorders the columns.
void GridDragAutoScrollsAndDrops() {
  Guarded([] {
    GridFixture f;
    f.ctrl.SetNumColumns(20);
    f.HeaderRow();
    f.ctrl.InvalidateControl();
    f.Settle();
    CRect client = f.site.GetClientRect();
    ::PostMessageW(f.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(75, 10));  // header of display position 1
    f.Settle();
    f.ExpectNoFailures();
    EXPECT_EQ(f.ctrl.m_nMouseMode, MOUSE_DRAGGING);
    EXPECT_TRUE(::GetCapture() == f.Hwnd());
    ::PostMessageW(f.Hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(100, 10));
    ::PostMessageW(f.Hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(client.right + 30, 10));
    bool scrolled = PumpUntil([&] { return f.ctrl.m_nFirstCol >= 3; }, 5000);
    f.ExpectNoFailures();
    EXPECT_TRUE(scrolled);
    EXPECT_TRUE(f.ctrl.m_hAutoScrollThread != 0);
    // Back inside: the worker stops after its pause; the drop follows.
    ::PostMessageW(f.Hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(100, 10));
    Pump();
    EXPECT_EQ(int(f.ctrl.m_autoScroll.bStop.load()), 1);
    PumpUntil([] { return false; }, 300);
    int first = f.ctrl.m_nFirstCol;
    PumpUntil([] { return false; }, 300);
    EXPECT_EQ(f.ctrl.m_nFirstCol, first);  // no more scrolling
    int target = f.ctrl.GetColumnAtPoint(CPoint(100, 10));
    EXPECT_TRUE(target > 1);
    ::PostMessageW(f.Hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(100, 10));
    f.Settle();
    f.ExpectNoFailures();
    EXPECT_EQ(f.ctrl.m_nMouseMode, MOUSE_IDLE);
    EXPECT_TRUE(::GetCapture() == nullptr);
    EXPECT_EQ(f.ctrl.GetColumnVisibleIndex(1), LONG(target));
  });
}

// The window goes away while the worker is blocked sending to it: neither
// the window's end nor the control's end may hang.
void GridTeardownDuringAutoScroll() {
  Guarded([] {
    {
      GridFixture f;
      f.ctrl.SetNumColumns(30);
      f.HeaderRow();
      f.Settle();
      CRect client = f.site.GetClientRect();
      ::PostMessageW(f.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(75, 10));
      ::PostMessageW(f.Hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(100, 10));
      ::PostMessageW(f.Hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(client.right + 30, 10));
      ::PostMessageW(f.Hwnd(), WM_KEYDOWN, VK_SHIFT, 1);  // fast steps
      EXPECT_TRUE(PumpUntil([&] { return f.ctrl.m_nFirstCol >= 2; }, 5000));
      f.ExpectNoFailures();
      EXPECT_EQ(int(f.ctrl.m_autoScroll.bFast.load()), 1);
      // Not taking messages for a while: the worker is now waiting in a send.
      ::Sleep(100);
    }  // the site (and with it the window) goes first, then the control
    // Reaching this line is the check; the watchdog fails a hang.
  });
}

void GridClipboardByKeys() {
  Guarded([] {
    GridFixture f;
    f.HeaderRow();
    f.ctrl.SetCellText(2, 1, CString(u"copy me"));
    f.ctrl.SetFocusedCell(2, 1);
    ::SetFocus(f.Hwnd());
    ::PostMessageW(f.Hwnd(), WM_CHAR, 0x03, 1);  // Ctrl+C
    f.Settle();
    f.ExpectNoFailures();
    EXPECT_TRUE(::OpenClipboard(nullptr));
    ::HANDLE data = ::GetClipboardData(CF_UNICODETEXT);
    std::wstring copied = data ? static_cast<const wchar_t*>(::GlobalLock(data)) : L"";
    if (data) ::GlobalUnlock(data);
    ::CloseClipboard();
    EXPECT_TRUE(copied == L"copy me");

    const wchar_t pasted[] = L"pasted";
    ::HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, sizeof(pasted));
    std::memcpy(::GlobalLock(block), pasted, sizeof(pasted));
    ::GlobalUnlock(block);
    EXPECT_TRUE(::OpenClipboard(nullptr));
    ::EmptyClipboard();
    ::SetClipboardData(CF_UNICODETEXT, block);
    ::CloseClipboard();
    f.ctrl.SetFocusedCell(3, 2);
    ::PostMessageW(f.Hwnd(), WM_CHAR, 0x16, 1);  // Ctrl+V
    f.Settle();
    f.ExpectNoFailures();
    EXPECT_TRUE(f.ctrl.GetCellText(3, 2) == CString(u"pasted"));
  });
}

void GridWheelScrollsRows() {
  Guarded([] {
    GridFixture f;
    f.ctrl.SetNumRows(60);
    f.HeaderRow();
    f.ctrl.SetCellText(2, 0, CString(u"two"));
    f.ctrl.InvalidateControl();
    f.Settle();
    EXPECT_EQ(f.ctrl.m_nTopRow, 1);
    ::SendMessageW(f.Hwnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, -120), MAKELPARAM(100, 100));
    f.Settle();
    f.ExpectNoFailures();
    EXPECT_EQ(f.ctrl.m_nTopRow, 2);
    EXPECT_EQ(f.ctrl.m_nVScrollPos, 20);
    SCROLLINFO info;
    EXPECT_TRUE(f.ctrl.GetScrollInfo(SB_VERT, &info, SIF_POS));
    EXPECT_EQ(info.nPos, 20);
    // Row 2 is now the first scrolled row, right under the header band.
    int inked = 0;
    for (int y = 20; y < 39; ++y)
      for (int x = 1; x < 48; ++x) inked += f.Pixel(x, y) == RGB(1, 1, 1);
    EXPECT_TRUE(inked > 0);
    ::SendMessageW(f.Hwnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, 120), MAKELPARAM(100, 100));
    f.Settle();
    EXPECT_EQ(f.ctrl.m_nTopRow, 1);
  });
}

// A real double click (system input, turned into WM_LBUTTONDBLCLK by the
// window class's CS_DBLCLKS) on a header cell steps its sort state.
void GridSystemDoubleClickSorts() {
  Guarded([] {
    GridFixture f;
    f.HeaderRow();
    f.ctrl.SetCellText(0, 1, CString(u"Name"));
    f.Settle();
    ::POINT at{75, 10};
    ::ClientToScreen(f.Hwnd(), &at);
    ::SetCursorPos(at.x, at.y);
    f.Settle();
    ::INPUT clicks[4] = {};
    for (int i = 0; i < 4; ++i) {
      clicks[i].type = INPUT_MOUSE;
      clicks[i].mi.dwFlags = (i % 2 == 0) ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    }
    EXPECT_EQ(::SendInput(4, clicks, sizeof(::INPUT)), ::UINT(4));
    PumpUntil([&] { return f.ctrl.GetCellSortState(0, 1) != 0; }, 2000);
    f.Settle();
    f.ExpectNoFailures();
    EXPECT_EQ(f.ctrl.GetCellSortState(0, 1), USHORT(1));
    EXPECT_TRUE(!f.events.empty() && f.events[0].first == DISPID_GRIDCELLSELECTED);
  });
}

// A target DC that the caller owns, as a container hands one to
// IViewObject::Draw: the control draws into it (through its off-screen
// bitmap, or straight when printing) and hands it back with the objects it
// had selected.
struct CallerDc {
  ::HDC screen = ::GetDC(nullptr);
  ::HDC hdc = ::CreateCompatibleDC(screen);
  ::HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 300, 200);
  ::HGDIOBJ oldBitmap = ::SelectObject(hdc, bitmap);
  ::HGDIOBJ pen = ::GetCurrentObject(hdc, OBJ_PEN);
  ::HGDIOBJ brush = ::GetCurrentObject(hdc, OBJ_BRUSH);
  ::HGDIOBJ font = ::GetCurrentObject(hdc, OBJ_FONT);
  CallerDc() {
    ::RECT all{0, 0, 300, 200};
    ::FillRect(hdc, &all, static_cast<::HBRUSH>(::GetStockObject(BLACK_BRUSH)));
  }
  ~CallerDc() {
    ::SelectObject(hdc, oldBitmap);
    ::DeleteObject(bitmap);
    ::DeleteDC(hdc);
    ::ReleaseDC(nullptr, screen);
  }
  bool ObjectsAsBefore() const {
    return ::GetCurrentObject(hdc, OBJ_PEN) == pen && ::GetCurrentObject(hdc, OBJ_BRUSH) == brush &&
           ::GetCurrentObject(hdc, OBJ_FONT) == font && ::GetCurrentObject(hdc, OBJ_BITMAP) == bitmap;
  }
  COLORREF At(int x, int y) const { return COLORREF(::GetPixel(hdc, x, y)); }
};

void DrawIntoCallerDc(bool printing) {
  Guarded([printing] {
    CallerDc target;
    CTzGridCtrl ctrl;  // no window: drawn as a container's view of it
    for (int c = 0; c < ctrl.GetColumns(); ++c) ctrl.SetCellHeaderFlag(0, c, 1);
    ctrl.SetFocusedCell(2, 0);
    {
      std::unique_ptr<CDC> dc = WrapHdc(target.hdc, printing);
      CRect bounds(0, 0, 300, 200);
      ctrl.OnDraw(dc.get(), bounds, bounds);
      // The painter leaves its font and stock objects selected; the
      // caller's DC has its own back as soon as the paint is over.
      EXPECT_TRUE(target.ObjectsAsBefore());
    }
    EXPECT_TRUE(target.ObjectsAsBefore());
    EXPECT_TRUE(::GetObjectType(target.hdc) == OBJ_MEMDC);
    EXPECT_COLOUR(target.At(0, 0), kWhite);
    EXPECT_COLOUR(target.At(48, 5), kShadow);
    EXPECT_COLOUR(target.At(25, 10), kLightGrey);
    EXPECT_COLOUR(target.At(49, 30), kGridLine);
    // Without a window only the first column's cells are drawn (no visible
    // extent is known); that is enough to see the cell drawer's output.
    EXPECT_COLOUR(target.At(0, 40), kBlack);  // focus frame of (2, 0)
    EXPECT_COLOUR(target.At(48, 58), kBlack);
    EXPECT_COLOUR(target.At(20, 50), COLORREF(::GetSysColor(COLOR_WINDOW)));
    EXPECT_COLOUR(target.At(280, 150), COLORREF(::GetSysColor(COLOR_BTNSHADOW)));
  });
}

void GdiViewDrawOffscreen() { DrawIntoCallerDc(false); }
void GdiViewDrawPrinting() { DrawIntoCallerDc(true); }

// Real mouse input at a client point of the control (system input, so that
// the window manager side - hit testing, double clicks, scroll bar loops -
// is the system's own).
void SystemClick(::HWND hwnd, int x, int y, int clicks) {
  ::POINT at{x, y};
  ::ClientToScreen(hwnd, &at);
  ::SetCursorPos(at.x, at.y);
  Pump();
  std::vector<::INPUT> input(std::size_t(clicks) * 2);
  for (std::size_t i = 0; i < input.size(); ++i) {
    input[i].type = INPUT_MOUSE;
    input[i].mi.dwFlags = (i % 2 == 0) ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
  }
  ::SendInput(::UINT(input.size()), input.data(), sizeof(::INPUT));
}

void GridSystemDoubleClickEdits() {
  Guarded([] {
    GridFixture f;
    f.HeaderRow();
    f.ctrl.SetCellText(2, 1, CString(u"xyz"));
    f.Settle();
    SystemClick(f.Hwnd(), 75, 50, 2);
    ::HWND edit = nullptr;
    PumpUntil([&] { return (edit = ::GetDlgItem(f.Hwnd(), 1)) != nullptr && ::IsWindowVisible(edit); }, 2000);
    f.Settle();
    f.ExpectNoFailures();
    EXPECT_TRUE(edit != nullptr && ::IsWindowVisible(edit));
    wchar_t text[16] = {};
    ::GetWindowTextW(edit, text, 16);
    EXPECT_TRUE(std::wstring(text) == L"xyz");
    EXPECT_TRUE(f.ctrl.GetCellText(2, 1) == CString(u"xyz"));
    EXPECT_TRUE(::GetFocus() == edit);
  });
}

// The editor loses the keyboard focus to another window: it hides itself,
// the edit stays flagged, and the next paint of the focus cell shows it
// again (without taking the focus back).
void GridEditorHidesOnFocusLoss() {
  Guarded([] {
    GridFixture f;
    f.HeaderRow();
    f.ctrl.SetFocusedCell(2, 1);
    ::SetFocus(f.Hwnd());
    ::PostMessageW(f.Hwnd(), WM_CHAR, 'k', 1);
    f.Settle();
    ::HWND edit = ::GetDlgItem(f.Hwnd(), 1);
    EXPECT_TRUE(edit != nullptr && ::IsWindowVisible(edit));
    ::SetFocus(f.host.Hwnd());  // WM_KILLFOCUS reaches the editor at once
    f.ExpectNoFailures();
    EXPECT_TRUE(!::IsWindowVisible(edit));
    EXPECT_EQ(int(f.ctrl.m_bEditMode), 1);
    // Hiding it uncovered part of the grid: the system asks for a repaint,
    // and the paint of the focus cell shows the editor again.
    ::RECT update{};
    EXPECT_TRUE(::GetUpdateRect(f.Hwnd(), &update, FALSE));
    f.Settle();
    f.ExpectNoFailures();
    EXPECT_TRUE(::IsWindowVisible(edit));
    EXPECT_TRUE(::GetFocus() == f.host.Hwnd());
    EXPECT_TRUE(f.ctrl.GetCellText(2, 1) == CString(u"k"));
  });
}

// A click on the horizontal scroll bar's right arrow: the system's scroll
// bar loop sends WM_HSCROLL SB_LINERIGHT, and the grid scrolls one column.
void GridScrollBarArrowClick() {
  Guarded([] {
    GridFixture f;
    f.ctrl.SetNumColumns(20);
    f.HeaderRow();
    f.ctrl.InvalidateControl();
    f.Settle();
    ::SCROLLBARINFO bar{};
    bar.cbSize = sizeof(bar);
    EXPECT_TRUE(::GetScrollBarInfo(f.Hwnd(), OBJID_HSCROLL, &bar));
    // The right arrow: the last SM_CXHSCROLL pixels of the bar (screen).
    int arrow = ::GetSystemMetrics(SM_CXHSCROLL);
    ::POINT at{bar.rcScrollBar.right - arrow / 2, (bar.rcScrollBar.top + bar.rcScrollBar.bottom) / 2};
    ::ScreenToClient(f.Hwnd(), &at);
    SystemClick(f.Hwnd(), at.x, at.y, 1);
    PumpUntil([&] { return f.ctrl.m_nFirstCol != 0; }, 2000);
    f.Settle();
    f.ExpectNoFailures();
    EXPECT_EQ(f.ctrl.m_nFirstCol, 1);
    EXPECT_EQ(f.ctrl.m_nHScrollPos, 50);
    SCROLLINFO info;
    EXPECT_TRUE(f.ctrl.GetScrollInfo(SB_HORZ, &info, SIF_POS));
    EXPECT_EQ(info.nPos, 50);
  });
}

// ---------------------------------------------------------------- module resources

// With the control module's resources (TzGrid.ocx, named by TZGRID_OCX):
// the drag cursor 101 and the About box template come from the module
// instance the site was given.
struct CheckSkipped : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class ModuleResources {
 public:
  ModuleResources() {
    const char* path = std::getenv("TZGRID_OCX");
    if (!path || !*path) throw CheckSkipped("TZGRID_OCX is not set (TzGrid.ocx not built)");
    m_module = ::LoadLibraryA(path);
    if (!m_module) throw CheckFailed(std::string("cannot load ") + path);
    SetModuleInstance(m_module);
  }
  ~ModuleResources() {
    SetModuleInstance(nullptr);
    ::FreeLibrary(m_module);
  }
  ::HMODULE Module() const { return m_module; }

 private:
  ::HMODULE m_module = nullptr;
};

void ModuleDragCursor() {
  ProbeFixture f;
  ModuleResources resources;
  ::HCURSOR drag = ::LoadCursorW(resources.Module(), MAKEINTRESOURCEW(IDC_DRAGCOLUMN));
  EXPECT_TRUE(drag != nullptr);
  EXPECT_TRUE(drag != ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)));
  f.ctrl.SetCursor(IDC_DRAGCOLUMN);
  EXPECT_TRUE(::GetCursor() == drag);
  f.ctrl.SetCursor(32512);
  EXPECT_TRUE(::GetCursor() == ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)));
}

// The grid's own column drag shows the module's cursor, and the drop puts
// the arrow back.
void ModuleDragCursorDuringColumnDrag() {
  Guarded([] {
    GridFixture f;
    ModuleResources resources;
    f.HeaderRow();
    f.Settle();
    ::PostMessageW(f.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(75, 10));
    f.Settle();
    f.ExpectNoFailures();
    EXPECT_EQ(f.ctrl.m_nMouseMode, MOUSE_DRAGGING);
    EXPECT_TRUE(::GetCursor() == ::LoadCursorW(resources.Module(), MAKEINTRESOURCEW(IDC_DRAGCOLUMN)));
    ::PostMessageW(f.Hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(75, 10));
    f.Settle();
    EXPECT_TRUE(::GetCursor() == ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)));
  });
}

void ModuleAboutBox() {
  HostWindow host;
  ModuleResources resources;
  DWORD me = ::GetCurrentThreadId();
  bool closed = false;
  std::thread watcher([&] {
    ::HWND box = WaitForDialog(me, L"About TzGrid Control");
    if (box) closed = ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0) != 0;
  });
  CDialogEx about(1);
  int result = about.DoModal();
  watcher.join();
  EXPECT_TRUE(closed);
  EXPECT_EQ(result, IDOK);
}

// ---------------------------------------------------------------- runner

struct Check {
  const char* name;
  void (*run)();
};

const Check kChecks[] = {
    {"gdi.fill_and_3d_frame", GdiFillAnd3dFrame},
    {"gdi.pen_lines", GdiPenLines},
    {"gdi.rectangle_hollow_brush", GdiRectangleWithHollowBrush},
    {"gdi.invert_twice_restores", GdiInvertTwiceRestores},
    {"gdi.stock_brush_fill", GdiStockBrushFill},
    {"gdi.point_font_and_selection", GdiPointFontAndSelection},
    {"gdi.text_in_colour", GdiTextInColour},
    {"gdi.text_in_huge_rect", GdiTextInHugeRect},
    {"gdi.offscreen_window_origin", GdiOffscreenWindowOrigin},
    {"gdi.system_colours", GdiSystemColours},
    {"gdi.view_draw_offscreen", GdiViewDrawOffscreen},
    {"gdi.view_draw_printing", GdiViewDrawPrinting},
    {"site.creates_child_window", SiteCreatesChildWindow},
    {"site.paints_through_ondraw", SitePaintsThroughOnDraw},
    {"site.send_message_same_thread", SiteSendMessageSameThread},
    {"site.send_from_worker_and_join", SiteSendFromWorkerAndJoin},
    {"site.scroll_bars", SiteScrollBars},
    {"site.scroll_window_moves_pixels", SiteScrollWindowMovesPixels},
    {"site.screen_cursor_capture_keys", SiteScreenToClientCursorCaptureKeys},
    {"site.contains_handler_failures", SiteContainsHandlerFailures},
    {"site.events_and_modified", SiteEventsAndModified},
    {"site.tab_is_pretranslated", SiteTabIsPreTranslated},
    {"site.edit_child", SiteEditChild},
    {"site.edit_dies_with_grid_window", SiteEditDiesWithGridWindow},
    {"services.clipboard", ServicesClipboard},
    {"services.message_box", ServicesMessageBox},
    {"services.save_dialog", ServicesSaveDialog},
    {"services.threads_and_dialogs", ServicesThreadsAndDialogs},
    {"module_resources.drag_cursor", ModuleDragCursor},
    {"module_resources.about_box", ModuleAboutBox},
    {"module_resources.cursor_during_column_drag", ModuleDragCursorDuringColumnDrag},
    {"grid.default_picture", GridDefaultPicture},
    {"grid.cell_colours_and_focus_frame", GridCellColoursAndFocusFrame},
    {"grid.click_selects_cell", GridClickSelectsCell},
    {"grid.typing_opens_editor", GridTypingOpensEditor},
    {"grid.tab_moves_right", GridTabMovesRight},
    {"grid.scrolls_by_columns", GridScrollsByColumns},
    {"grid.resize_column_with_band", GridResizeColumnWithBand},
    {"grid.drag_autoscrolls_and_drops", GridDragAutoScrollsAndDrops},
    {"grid.teardown_during_autoscroll", GridTeardownDuringAutoScroll},
    {"grid.clipboard_by_keys", GridClipboardByKeys},
    {"grid.wheel_scrolls_rows", GridWheelScrollsRows},
    {"grid.system_double_click_sorts", GridSystemDoubleClickSorts},
    {"grid.system_double_click_edits", GridSystemDoubleClickEdits},
    {"grid.editor_hides_on_focus_loss", GridEditorHidesOnFocusLoss},
    {"grid.scroll_bar_arrow_click", GridScrollBarArrowClick},
};

// A check that hangs (a deadlock is the typical failure of the window and
// worker threads) is reported as failed and ends the program.
class Watchdog {
 public:
  explicit Watchdog(const char* name) : m_name(name), m_thread([this] { Watch(); }) {}
  ~Watchdog() {
    {
      std::lock_guard<std::mutex> guard(m_lock);
      m_done = true;
    }
    m_signal.notify_all();
    m_thread.join();
  }

 private:
  void Watch() {
    std::unique_lock<std::mutex> guard(m_lock);
    if (m_signal.wait_for(guard, std::chrono::seconds(30), [this] { return m_done; })) return;
    std::printf("FAIL %s: timed out (hung)\n", m_name);
    std::fflush(stdout);
    ::ExitProcess(1);
  }
  const char* m_name;
  std::mutex m_lock;
  std::condition_variable m_signal;
  bool m_done = false;
  std::thread m_thread;
};

bool Selected(const char* name, const std::vector<std::string>& filters) {
  if (filters.empty()) return true;
  for (const std::string& f : filters)
    if (std::string(name).rfind(f, 0) == 0) return true;
  return false;
}

int Run(const std::vector<std::string>& args) {
  std::vector<std::string> filters;
  for (const std::string& a : args) {
    if (a == "--list") {
      for (const Check& c : kChecks) std::printf("%s\n", c.name);
      return 0;
    }
    filters.push_back(a);
  }
  int passed = 0, failed = 0, pending = 0, skipped = 0;
  for (const Check& check : kChecks) {
    if (!Selected(check.name, filters)) continue;
    Watchdog watchdog(check.name);
    auto started = std::chrono::steady_clock::now();
    try {
      check.run();
      ++passed;
      auto elapsed = std::chrono::steady_clock::now() - started;
      long long ms = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
      std::printf("PASS %s (%lld ms)\n", check.name, ms);
    } catch (const CheckSkipped& e) {
      ++skipped;
      std::printf("SKIP %s: %s\n", check.name, e.what());
    } catch (const CheckPending& e) {
      ++pending;
      std::printf("PENDING %s: %s\n", check.name, e.what());
    } catch (const CheckFailed& e) {
      ++failed;
      std::printf("FAIL %s: %s\n", check.name, e.what());
    } catch (const CNotImplementedException& e) {
      ++pending;
      std::printf("PENDING %s: %s\n", check.name, e.GetDescription().c_str());
    } catch (const CException& e) {
      ++failed;
      std::printf("FAIL %s: exception: %s\n", check.name, e.GetDescription().c_str());
    } catch (const std::exception& e) {
      ++failed;
      std::printf("FAIL %s: exception: %s\n", check.name, e.what());
    }
    std::fflush(stdout);
  }
  std::printf("SUMMARY passed=%d failed=%d pending=%d skipped=%d\n", passed, failed, pending, skipped);
  std::fflush(stdout);
  if (failed) return 1;
  return pending ? 2 : 0;
}

}  // namespace TzGrid::Win32::Test

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return TzGrid::Win32::Test::Run(args);
}

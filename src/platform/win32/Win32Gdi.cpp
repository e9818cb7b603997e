// The framework's drawing classes over GDI.
//
// A CDC keeps, in m_pPlatformState, what GDI does not remember for us: which
// objects were selected in the DC before we first replaced them (put back
// when the CDC lets go of the DC, so that a DC owned by someone else - the
// paint DC, a container's DC in IViewObject::Draw - is handed back as it
// came), who owns the DC (a memory DC we delete, a window DC we release, or
// a borrowed one), and the temporary wrappers SelectObject returns for the
// objects it replaced.
//
// GDI refuses to delete an object that is still selected in a DC, and the
// painter leaves its pen and fonts selected when it returns. CGdiObject::
// DeleteObject therefore first puts the original object back in every live
// context that still holds the one being deleted.
#include "win32.h"

#include <algorithm>
#include <array>
#include <memory>
#include <mutex>
#include <typeindex>
#include <vector>

#include "Win32Gdi.h"

namespace TzGrid {

namespace Win32 {
namespace {

enum class DcOwner { Borrowed, MemoryDc, WindowDc };

// The kinds of object a DC holds one of at a time.
enum ObjectKind { kPen = 0, kBrush, kFont, kBitmap, kKindCount };

constexpr std::array<::UINT, kKindCount> kCurrentObjectType = {OBJ_PEN, OBJ_BRUSH, OBJ_FONT, OBJ_BITMAP};

int KindOf(::HGDIOBJ object) {
  switch (::GetObjectType(object)) {
    case OBJ_PEN:
    case OBJ_EXTPEN: return kPen;
    case OBJ_BRUSH: return kBrush;
    case OBJ_FONT: return kFont;
    case OBJ_BITMAP: return kBitmap;
    default: return -1;
  }
}

// A wrapper SelectObject hands back for an object it replaced. It borrows
// the handle: it lets go of it, never deletes it, when the DC is done.
struct BorrowedWrapper {
  template <class T>
  static BorrowedWrapper Make(::HGDIOBJ handle) {
    BorrowedWrapper b{std::make_shared<T>(), std::type_index(typeid(T))};
    b.wrapper->Attach(handle);
    return b;
  }
  BorrowedWrapper(std::shared_ptr<CGdiObject> w, std::type_index t) : wrapper(std::move(w)), type(t) {}
  BorrowedWrapper(BorrowedWrapper&&) = default;
  BorrowedWrapper& operator=(BorrowedWrapper&&) = delete;
  ~BorrowedWrapper() {
    if (wrapper) wrapper->Detach();
  }
  std::shared_ptr<CGdiObject> wrapper;  // destroys the derived wrapper it was made as
  std::type_index type;
};

struct DcState {
  ::HDC hdc = nullptr;  // the DC this bookkeeping describes
  DcOwner owner = DcOwner::Borrowed;
  ::HWND window = nullptr;  // for a window DC: whom to release it to
  std::array<::HGDIOBJ, kKindCount> original{};
  // For a memory DC of ours, which no one else can reach, the object of each
  // kind this bookkeeping selected last (null: not known). Whatever else
  // selects into the DC forgets it.
  std::array<::HGDIOBJ, kKindCount> selected{};
  std::vector<BorrowedWrapper> temporaries;
};

// Every DcState alive, so that deleting an object can deselect it first.
std::mutex g_liveLock;
std::vector<DcState*> g_live;

void Register(DcState* state) {
  std::lock_guard<std::mutex> guard(g_liveLock);
  g_live.push_back(state);
}

void Unregister(DcState* state) {
  std::lock_guard<std::mutex> guard(g_liveLock);
  g_live.erase(std::remove(g_live.begin(), g_live.end(), state), g_live.end());
}

void RestoreOriginals(DcState& state) {
  state.selected.fill(nullptr);
  if (!state.hdc) return;
  for (::HGDIOBJ& original : state.original) {
    if (original) ::SelectObject(state.hdc, original);
    original = nullptr;
  }
}

// The state of dc, created on first use. A CDC whose handle was set by hand
// to another DC (a printing CMemDC borrows its target's) starts afresh.
DcState& StateOf(CDC& dc) {
  auto* state = static_cast<DcState*>(dc.m_pPlatformState);
  if (!state) {
    state = new DcState;
    state->hdc = static_cast<::HDC>(dc.m_hDC);
    dc.m_pPlatformState = state;
    Register(state);
  } else if (state->hdc != static_cast<::HDC>(dc.m_hDC)) {
    state->hdc = static_cast<::HDC>(dc.m_hDC);
    state->original.fill(nullptr);
    state->selected.fill(nullptr);
    state->owner = DcOwner::Borrowed;
    state->window = nullptr;
  }
  return *state;
}

// Lets go of the DC: original objects back, then delete or release it as
// its owner requires. The CDC no longer refers to a DC afterwards.
void LetGo(CDC& dc) {
  auto* state = static_cast<DcState*>(dc.m_pPlatformState);
  if (state) {
    RestoreOriginals(*state);
    if (state->hdc && state->hdc == static_cast<::HDC>(dc.m_hDC)) {
      if (state->owner == DcOwner::MemoryDc) ::DeleteDC(state->hdc);
      if (state->owner == DcOwner::WindowDc) ::ReleaseDC(state->window, state->hdc);
    }
    state->owner = DcOwner::Borrowed;
    state->hdc = nullptr;
  }
  dc.m_hDC = nullptr;
  dc.m_hAttribDC = nullptr;
}

// The wrapper SelectObject hands back for an object it replaced: owned by
// the DC, never owning the handle, alive as long as the CDC.
template <class T>
T* Temporary(DcState& state, ::HGDIOBJ handle) {
  if (!handle) return nullptr;
  for (const BorrowedWrapper& borrowed : state.temporaries) {
    if (borrowed.wrapper->m_hObject == handle && borrowed.type == std::type_index(typeid(T))) {
      return static_cast<T*>(borrowed.wrapper.get());
    }
  }
  state.temporaries.push_back(BorrowedWrapper::Make<T>(handle));
  return static_cast<T*>(state.temporaries.back().wrapper.get());
}

template <class T>
T* Select(CDC& dc, const CGdiObject* object) {
  if (!dc.m_hDC || !object || !object->m_hObject) return nullptr;
  DcState& state = StateOf(dc);
  auto handle = static_cast<::HGDIOBJ>(object->m_hObject);
  int kind = KindOf(handle);
  // The painter selects its font once per cell. Selecting the object a DC
  // already holds changes nothing and hands back that same object, but GDI
  // may realise a font again each time; so the selection is skipped.
  // In a memory DC of ours the object last selected is known without
  // asking the system.
  const bool ownDc = state.owner == DcOwner::MemoryDc;
  ::HGDIOBJ previous = nullptr;
  if (kind >= 0 && kind != kBitmap &&
      ((ownDc && state.selected[kind] == handle) ||
       ::GetCurrentObject(state.hdc, kCurrentObjectType[kind]) == handle)) {
    previous = handle;
  } else {
    previous = ::SelectObject(state.hdc, handle);
  }
  if (!previous || previous == HGDI_ERROR) return nullptr;
  if (kind >= 0 && ownDc) state.selected[kind] = handle;
  if (kind >= 0 && !state.original[kind]) state.original[kind] = previous;
  return Temporary<T>(state, previous);
}

// The stock objects (indexes 0 .. DC_PEN): a wrapper attached to one only
// lets go of it.
bool IsStockObject(::HGDIOBJ handle) {
  constexpr int kLastStockObject = 19;  // DC_PEN
  static const std::array<::HGDIOBJ, kLastStockObject + 1> stock = [] {
    std::array<::HGDIOBJ, kLastStockObject + 1> handles{};
    for (int i = 0; i <= kLastStockObject; ++i) handles[std::size_t(i)] = ::GetStockObject(i);
    return handles;
  }();
  return std::find(stock.begin(), stock.end(), handle) != stock.end();
}

// Before an object is deleted: wherever it is still selected, put the
// original object of that DC back.
void DeselectEverywhere(::HGDIOBJ object) {
  int kind = KindOf(object);
  if (kind < 0) return;
  std::lock_guard<std::mutex> guard(g_liveLock);
  for (DcState* state : g_live) {
    if (!state->hdc || !state->original[kind]) continue;
    if (::GetCurrentObject(state->hdc, kCurrentObjectType[kind]) == object) {
      ::SelectObject(state->hdc, state->original[kind]);
      state->selected[kind] = nullptr;
    }
  }
}

::LOGFONTW ToSystemFont(const LOGFONTW& lf) {
  ::LOGFONTW out{};
  out.lfHeight = lf.lfHeight;
  out.lfWidth = lf.lfWidth;
  out.lfEscapement = lf.lfEscapement;
  out.lfOrientation = lf.lfOrientation;
  out.lfWeight = lf.lfWeight;
  out.lfItalic = lf.lfItalic;
  out.lfUnderline = lf.lfUnderline;
  out.lfStrikeOut = lf.lfStrikeOut;
  out.lfCharSet = lf.lfCharSet;
  out.lfOutPrecision = lf.lfOutPrecision;
  out.lfClipPrecision = lf.lfClipPrecision;
  out.lfQuality = lf.lfQuality;
  out.lfPitchAndFamily = lf.lfPitchAndFamily;
  static_assert(sizeof(out.lfFaceName) == sizeof(lf.lfFaceName), "face name buffers differ");
  std::copy(std::begin(lf.lfFaceName), std::end(lf.lfFaceName), reinterpret_cast<WCHAR*>(out.lfFaceName));
  out.lfFaceName[LF_FACESIZE - 1] = L'\0';
  return out;
}

// A rectangle given by a corner and signed extents, as GDI orders it.
::RECT Normalized(int x, int y, int cx, int cy) {
  ::RECT r{x, y, x + cx, y + cy};
  if (r.left > r.right) std::swap(r.left, r.right);
  if (r.top > r.bottom) std::swap(r.top, r.bottom);
  return r;
}

}  // namespace

std::unique_ptr<CDC> AttachWindowDC(::HWND hwnd, ::HDC hdc) {
  if (!hdc) return nullptr;
  auto dc = std::make_unique<CDC>();
  dc->m_hDC = hdc;
  dc->m_hAttribDC = hdc;
  DcState& state = StateOf(*dc);
  state.owner = DcOwner::WindowDc;
  state.window = hwnd;
  return dc;
}

std::unique_ptr<CDC> WrapHdc(::HDC hdc, bool printing) {
  auto dc = std::make_unique<CDC>();
  dc->m_hDC = hdc;
  dc->m_hAttribDC = hdc;
  dc->m_bPrinting = printing ? TRUE : FALSE;
  return dc;
}

}  // namespace Win32

using namespace Win32;

COLORREF GetSysColor(int index) { return COLORREF(::GetSysColor(index)); }

// ---- objects

BOOL CGdiObject::DeleteObject() {
  if (!m_hObject) return FALSE;
  auto handle = static_cast<::HGDIOBJ>(m_hObject);
  m_hObject = nullptr;
  if (IsStockObject(handle)) return TRUE;
  DeselectEverywhere(handle);
  return ::DeleteObject(handle) ? TRUE : FALSE;
}

BOOL CFont::CreatePointFontIndirect(const LOGFONTW* lpLogFont, CDC* pDC) {
  if (!lpLogFont) return FALSE;
  // Tenths of a point to pixels of the device the font is for (the screen
  // unless a context is given): a negative height asks for that character
  // height, as a point size means.
  ::HDC hdc = pDC && pDC->m_hAttribDC ? static_cast<::HDC>(pDC->m_hAttribDC) : ::GetDC(nullptr);
  int dpi = hdc ? ::GetDeviceCaps(hdc, LOGPIXELSY) : 96;
  if (!pDC || !pDC->m_hAttribDC) ::ReleaseDC(nullptr, hdc);
  LOGFONTW lf = *lpLogFont;
  int pixels = ::MulDiv(lf.lfHeight, dpi, 720);
  lf.lfHeight = pixels < 0 ? pixels : -pixels;
  return CreateFontIndirect(&lf);
}

BOOL CFont::CreateFontIndirect(const LOGFONTW* lpLogFont) {
  DeleteObject();
  if (!lpLogFont) return FALSE;
  ::LOGFONTW lf = ToSystemFont(*lpLogFont);
  m_hObject = ::CreateFontIndirectW(&lf);
  return m_hObject ? TRUE : FALSE;
}

BOOL CPen::CreatePen(int nPenStyle, int nWidth, COLORREF crColor) {
  DeleteObject();
  m_hObject = ::CreatePen(nPenStyle, nWidth, crColor);
  return m_hObject ? TRUE : FALSE;
}

BOOL CBrush::CreateSolidBrush(COLORREF crColor) {
  DeleteObject();
  m_hObject = ::CreateSolidBrush(crColor);
  return m_hObject ? TRUE : FALSE;
}

CBrush& CBrush::Stock(int nIndex) {
  // The stock brushes are WHITE_BRUSH (0) .. NULL_BRUSH (5) and DC_BRUSH (18).
  constexpr int kDcBrush = 18;
  if ((nIndex < WHITE_BRUSH || nIndex > NULL_BRUSH) && nIndex != kDcBrush) {
    AfxThrowInvalidArgException("stock object " + std::to_string(nIndex) + " is not a brush");
  }
  struct StockBrushes {
    std::array<CBrush, kDcBrush + 1> brushes;
    StockBrushes() {
      for (int i = 0; i <= kDcBrush; ++i) {
        if (i <= NULL_BRUSH || i == kDcBrush) brushes[std::size_t(i)].Attach(::GetStockObject(i));
      }
    }
  };
  static StockBrushes stock;
  // DeleteObject on a stock wrapper only detaches it; attach it again.
  CBrush& brush = stock.brushes[std::size_t(nIndex)];
  if (!brush.m_hObject) brush.Attach(::GetStockObject(nIndex));
  return brush;
}

BOOL CBitmap::CreateCompatibleBitmap(CDC* pDC, int nWidth, int nHeight) {
  DeleteObject();
  if (!pDC || !pDC->m_hDC) return FALSE;
  m_hObject = ::CreateCompatibleBitmap(Hdc(pDC), nWidth, nHeight);
  return m_hObject ? TRUE : FALSE;
}

// ---- the context

CDC::~CDC() {
  auto* state = static_cast<DcState*>(m_pPlatformState);
  LetGo(*this);
  if (state) {
    Unregister(state);
    delete state;
  }
  m_pPlatformState = nullptr;
}

BOOL CDC::CreateCompatibleDC(CDC* pDC) {
  if (m_hDC) LetGo(*this);
  ::HDC hdc = ::CreateCompatibleDC(Hdc(pDC));
  if (!hdc) return FALSE;
  m_hDC = hdc;
  m_hAttribDC = hdc;
  StateOf(*this).owner = DcOwner::MemoryDc;
  return TRUE;
}

BOOL CDC::DeleteDC() {
  if (!m_hDC) return FALSE;
  DcState& state = StateOf(*this);
  RestoreOriginals(state);
  BOOL deleted = ::DeleteDC(state.hdc) ? TRUE : FALSE;
  state.owner = DcOwner::Borrowed;
  state.hdc = nullptr;
  m_hDC = nullptr;
  m_hAttribDC = nullptr;
  return deleted;
}

int CDC::GetClipBox(CRect* lpRect) const {
  ::RECT box{};
  int kind = ::GetClipBox(static_cast<::HDC>(m_hDC), &box);
  if (lpRect) *lpRect = FromWin(box);
  return kind;
}

CPoint CDC::SetWindowOrg(int x, int y) {
  ::POINT previous{};
  ::SetWindowOrgEx(static_cast<::HDC>(m_hDC), x, y, &previous);
  return CPoint(int(previous.x), int(previous.y));
}

CPoint CDC::GetWindowOrg() const {
  ::POINT origin{};
  ::GetWindowOrgEx(static_cast<::HDC>(m_hDC), &origin);
  return CPoint(int(origin.x), int(origin.y));
}

CBitmap* CDC::SelectObject(CBitmap* pBitmap) { return Select<CBitmap>(*this, pBitmap); }
CFont* CDC::SelectObject(CFont* pFont) { return Select<CFont>(*this, pFont); }
CPen* CDC::SelectObject(CPen* pPen) { return Select<CPen>(*this, pPen); }
CBrush* CDC::SelectObject(CBrush* pBrush) { return Select<CBrush>(*this, pBrush); }

CGdiObject* CDC::SelectStockObject(int nIndex) {
  ::HGDIOBJ stock = ::GetStockObject(nIndex);
  if (!stock) return nullptr;
  CGdiObject wrapper;
  wrapper.Attach(stock);
  CGdiObject* previous = Select<CGdiObject>(*this, &wrapper);
  wrapper.Detach();
  return previous;
}

void CDC::FillSolidRect(const RECT* lpRect, COLORREF clr) {
  if (!lpRect) return;
  // An opaque empty text output fills the rectangle with the background
  // colour: the cheapest solid fill GDI offers, and no brush to manage.
  ::RECT r = ToWin(*lpRect);
  auto hdc = static_cast<::HDC>(m_hDC);
  // Reading a DC's colour costs nothing, setting it is a call into the
  // system (under Wine, into its Unix side); a painter filling a thousand
  // cells in one colour sets it once.
  if (::GetBkColor(hdc) != clr) ::SetBkColor(hdc, clr);
  ::ExtTextOutW(hdc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF clr) {
  ::RECT r = Normalized(x, y, cx, cy);
  RECT framework{r.left, r.top, r.right, r.bottom};
  FillSolidRect(&framework, clr);
}

int CDC::FillRect(const RECT* lpRect, CBrush* pBrush) {
  if (!lpRect || !pBrush) return 0;
  ::RECT r = ToWin(*lpRect);
  return ::FillRect(static_cast<::HDC>(m_hDC), &r, static_cast<::HBRUSH>(pBrush->m_hObject));
}

void CDC::Draw3dRect(const RECT* lpRect, COLORREF clrTopLeft, COLORREF clrBottomRight) {
  if (!lpRect) return;
  // The top row and the left column stop one pixel short of the far corner,
  // which belongs to the right column and bottom row in the second colour.
  int x = lpRect->left, y = lpRect->top;
  int cx = lpRect->right - lpRect->left, cy = lpRect->bottom - lpRect->top;
  FillSolidRect(x, y, cx - 1, 1, clrTopLeft);
  FillSolidRect(x, y, 1, cy - 1, clrTopLeft);
  FillSolidRect(x + cx - 1, y, 1, cy, clrBottomRight);
  FillSolidRect(x, y + cy - 1, cx, 1, clrBottomRight);
}

void CDC::InvertRect(const RECT* lpRect) {
  if (!lpRect) return;
  ::RECT r = ToWin(*lpRect);
  ::InvertRect(static_cast<::HDC>(m_hDC), &r);
}

int CDC::SetBkMode(int nBkMode) { return ::SetBkMode(static_cast<::HDC>(m_hDC), nBkMode); }

COLORREF CDC::SetTextColor(COLORREF crColor) {
  // As in FillSolidRect: a colour the DC already has is not set again; the
  // previous colour handed back is the same either way.
  auto hdc = static_cast<::HDC>(m_hDC);
  ::COLORREF current = ::GetTextColor(hdc);
  if (current != CLR_INVALID && current == crColor) return COLORREF(current);
  return COLORREF(::SetTextColor(hdc, crColor));
}

CPoint CDC::MoveTo(int x, int y) {
  ::POINT previous{};
  ::MoveToEx(static_cast<::HDC>(m_hDC), x, y, &previous);
  return CPoint(int(previous.x), int(previous.y));
}

BOOL CDC::LineTo(int x, int y) { return ::LineTo(static_cast<::HDC>(m_hDC), x, y); }

BOOL CDC::Rectangle(int x1, int y1, int x2, int y2) { return ::Rectangle(static_cast<::HDC>(m_hDC), x1, y1, x2, y2); }

namespace {

// GDI keeps coordinates to 27 bits: given a formatting rectangle beyond
// that (a row or column of a billion pixels), Wine's text output works for
// minutes. The format pins the text to an edge or the centre of each axis;
// the rectangle is cut down around that point, which leaves the text where
// it was, and text pinned outside GDI's range is not drawn at all.
constexpr std::int64_t kGdiCoordinateLimit = std::int64_t(1) << 27;
constexpr std::int64_t kKeptHalfSpan = std::int64_t(1) << 16;

enum class Pin { Low, Centre, High };

bool FitSpan(::LONG& low, ::LONG& high, Pin pin) {
  const std::int64_t at = pin == Pin::Low ? low : pin == Pin::High ? high : (std::int64_t(low) + high) / 2;
  if (at < -kGdiCoordinateLimit || at >= kGdiCoordinateLimit) return false;
  low = ::LONG(std::max<std::int64_t>(low, at - kKeptHalfSpan));
  high = ::LONG(std::min<std::int64_t>(high, at + kKeptHalfSpan));
  return true;
}

bool OutsideGdiRange(const ::RECT& r) {
  auto outside = [](::LONG v) { return v < -kGdiCoordinateLimit || v >= kGdiCoordinateLimit; };
  return outside(r.left) || outside(r.top) || outside(r.right) || outside(r.bottom);
}

// False when the text cannot land inside GDI's coordinate range.
bool FitTextRect(::RECT& r, UINT format) {
  if (!OutsideGdiRange(r)) return true;
  const Pin across = (format & DT_CENTER) ? Pin::Centre : (format & DT_RIGHT) ? Pin::High : Pin::Low;
  Pin down = Pin::Low;
  if (format & DT_SINGLELINE) down = (format & DT_VCENTER) ? Pin::Centre : (format & DT_BOTTOM) ? Pin::High : Pin::Low;
  return FitSpan(r.left, r.right, across) && FitSpan(r.top, r.bottom, down);
}

}  // namespace

int CDC::DrawText(const WCHAR* lpszString, int nCount, RECT* lpRect, UINT nFormat) {
  if (!lpszString || !lpRect) return 0;
  // The text is const: the format may not ask DrawTextW to write into it.
  constexpr UINT kModifyString = 0x10000;
  ::RECT r = ToWin(*lpRect);
  if (!(nFormat & DT_CALCRECT) && !FitTextRect(r, nFormat)) return 0;
  int height = ::DrawTextW(static_cast<::HDC>(m_hDC), Wide(lpszString), nCount, &r, nFormat & ~kModifyString);
  *lpRect = FromWin(r);
  return height;
}

BOOL CDC::BitBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, DWORD dwRop) {
  return ::BitBlt(static_cast<::HDC>(m_hDC), x, y, nWidth, nHeight, Hdc(pSrcDC), xSrc, ySrc, dwRop);
}

COLORREF CDC::GetPixel(int x, int y) const { return COLORREF(::GetPixel(static_cast<::HDC>(m_hDC), x, y)); }

}  // namespace TzGrid

// The headless platform's drawing contexts: CDC, CPen, CBrush, CBitmap and
// CFont over software pixels, with GDI's rules for which pixels an
// operation touches (right and bottom edges excluded, lines exclude their end
// point, the window origin shifts logical coordinates, everything is clipped
// to the clip box). Text lives in HeadlessText.cpp, PNG files in HeadlessPng.cpp.
#include <algorithm>
#include <climits>
#include <cstring>
#include <mutex>

#include "HeadlessGdiObjects.h"

namespace TzGrid {

namespace Headless {

void Pixmap::Resize(int w, int h, COLORREF fill) {
  width = w < 0 ? 0 : w;
  height = h < 0 ? 0 : h;
  pixels.assign(std::size_t(width) * std::size_t(height), fill);
}

namespace Gdi {

namespace {

constexpr COLORREF kInvalidColor = 0xFFFFFFFF;
constexpr int kErrorRegion = 0;
constexpr int kNullRegion = 1;
constexpr int kSimpleRegion = 2;
constexpr int kSystemFont = 13;      // SYSTEM_FONT
constexpr int kDefaultGuiFont = 17;  // DEFAULT_GUI_FONT
constexpr int kPenStyleNull = 5;     // PS_NULL
// A bitmap larger than this is refused as GDI refuses what it cannot allocate.
constexpr long long kMaxBitmapPixels = 1LL << 27;

// ---- stock objects: created once, never freed

struct StockObjects {
  BrushData brushes[6];  // WHITE, LTGRAY, GRAY, DKGRAY, BLACK, NULL
  PenData pens[3];       // WHITE, BLACK, NULL
  FontData font;
  BitmapData bitmap;  // the 1x1 bitmap a new memory context holds
  CBrush brushWrappers[6];
  CPen penWrappers[3];
  CFont fontWrapper;
  CBitmap bitmapWrapper;

  StockObjects() {
    const COLORREF brushColors[6] = {RGB(255, 255, 255), RGB(192, 192, 192), RGB(128, 128, 128),
                                     RGB(64, 64, 64),    RGB(0, 0, 0),       0};
    for (int i = 0; i < 6; ++i) {
      brushes[i].color = brushColors[i];
      brushes[i].null = i == NULL_BRUSH;
      Adopt(brushes[i], brushWrappers[i]);
    }
    const COLORREF penColors[3] = {RGB(255, 255, 255), RGB(0, 0, 0), 0};
    for (int i = 0; i < 3; ++i) {
      pens[i].color = penColors[i];
      pens[i].null = i == 2;
      Adopt(pens[i], penWrappers[i]);
    }
    font.lf.lfHeight = -12;
    font.lf.lfWeight = FW_NORMAL;
    std::char_traits<WCHAR>::copy(font.lf.lfFaceName, u"Arial", 6);
    Adopt(font, fontWrapper);
    bitmap.pixels.Resize(1, 1, 0);
    Adopt(bitmap, bitmapWrapper);
  }

  static void Adopt(GdiObjectData& data, CGdiObject& wrapper) {
    data.stock = true;
    data.wrapper = &wrapper;
    wrapper.Attach(&data);  // stock: DeleteObject only lets go of it
  }
};

StockObjects& Stock() {
  // Leaked on purpose: contexts and wrappers destroyed at exit may still
  // refer to stock objects.
  static StockObjects* stock = new StockObjects();
  return *stock;
}

GdiObjectData* StockObject(int index) {
  StockObjects& stock = Stock();
  if (index >= WHITE_BRUSH && index <= NULL_BRUSH) return &stock.brushes[index];
  if (index >= WHITE_PEN && index <= NULL_PEN) return &stock.pens[index - WHITE_PEN];
  if (index == kSystemFont || index == kDefaultGuiFont) return &stock.font;
  return nullptr;
}

// ---- per-CDC bookkeeping: temporary wrappers handed out by SelectObject

// A borrowed handle: the wrapper lets go of it before it is destroyed, the
// reference keeps the record alive as long as the wrapper may be used.
struct TemporaryWrapper {
  TemporaryWrapper(std::shared_ptr<CGdiObject> w, GdiObjectData* data) : wrapper(std::move(w)), keepAlive(data) {
    wrapper->Attach(data);
  }
  TemporaryWrapper(TemporaryWrapper&&) = default;
  TemporaryWrapper& operator=(TemporaryWrapper&&) = delete;
  ~TemporaryWrapper() {
    if (wrapper) wrapper->Detach();
  }
  std::shared_ptr<CGdiObject> wrapper;  // destroys the derived wrapper it was made as
  Ref<GdiObjectData> keepAlive;
};

struct CdcBookkeeping {
  std::vector<TemporaryWrapper> temporaries;
};

std::shared_ptr<CGdiObject> NewWrapper(Kind kind) {
  switch (kind) {
    case Kind::Font: return std::make_shared<CFont>();
    case Kind::Pen: return std::make_shared<CPen>();
    case Kind::Brush: return std::make_shared<CBrush>();
    case Kind::Bitmap: return std::make_shared<CBitmap>();
  }
  return nullptr;
}

// The wrapper object that stands for a handle being handed back by
// SelectObject: its creating wrapper while that lives (so a caller can
// reselect what it had selected), otherwise a temporary one the CDC keeps
// until it is destroyed, as the platform's FromHandle does.
CGdiObject* WrapperFor(const CDC& cdc, GdiObjectData* data) {
  if (!data) return nullptr;
  if (data->wrapper) return data->wrapper;
  CDC& mutableDc = const_cast<CDC&>(cdc);
  if (!mutableDc.m_pPlatformState) mutableDc.m_pPlatformState = new CdcBookkeeping();
  auto& temporaries = static_cast<CdcBookkeeping*>(mutableDc.m_pPlatformState)->temporaries;
  for (const TemporaryWrapper& t : temporaries) {
    if (t.keepAlive.get() == data) return t.wrapper.get();
  }
  temporaries.emplace_back(NewWrapper(data->kind), data);
  return temporaries.back().wrapper.get();
}

GdiObjectData* DataOf(const CGdiObject* object, Kind kind) {
  if (!object || !object->m_hObject) return nullptr;
  auto* data = static_cast<GdiObjectData*>(object->m_hObject);
  return data->kind == kind ? data : nullptr;
}

DCState* StateOf(const CDC* dc) { return dc ? static_cast<DCState*>(dc->m_hDC) : nullptr; }

void InitialiseSelection(DCState& state) {
  StockObjects& stock = Stock();
  state.font = Ref<FontData>(&stock.font);
  state.pen = Ref<PenData>(&stock.pens[BLACK_PEN - WHITE_PEN]);
  state.brush = Ref<BrushData>(&stock.brushes[WHITE_BRUSH]);
}

std::unique_ptr<CDC> NewWindowDC(Pixmap& target, const CRect& clip, BOOL printing) {
  auto dc = std::make_unique<CDC>();
  auto* state = new DCState();
  state->owner = dc.get();
  state->window = &target;
  state->windowClip = clip;
  InitialiseSelection(*state);
  dc->m_hDC = state;
  dc->m_hAttribDC = state;
  dc->m_bPrinting = printing;
  return dc;
}

// ---- pixel operations

void XorDevice(Pixmap& device, const CRect& rect, COLORREF mask) noexcept {
  for (int y = rect.top; y < rect.bottom; ++y) {
    COLORREF* row = device.Row(y);
    for (int x = rect.left; x < rect.right; ++x) row[x] ^= mask;
  }
}

void FillLogical(DCState& dc, long long l, long long t, long long r, long long b, COLORREF color) {
  CRect device = LogicalToClippedDevice(dc, l, t, r, b);
  if (!device.IsRectEmpty()) FillDevice(dc.Device(), device, color & 0x00FFFFFF);
}

// A one-pixel line from (x0, y0) up to, not including, (x1, y1), clipped.
// Steps along the major axis; the minor coordinate is rounded to the
// nearest pixel, so the line is symmetric to the one drawn the other way.
void DrawLine(DCState& dc, long long x0, long long y0, long long x1, long long y1, COLORREF color) {
  if (x0 == x1 && y0 == y1) return;
  if (y0 == y1) {
    if (x1 > x0) FillLogical(dc, x0, y0, x1, y0 + 1, color);
    else FillLogical(dc, x1 + 1, y0, x0 + 1, y0 + 1, color);
    return;
  }
  if (x0 == x1) {
    if (y1 > y0) FillLogical(dc, x0, y0, x0 + 1, y1, color);
    else FillLogical(dc, x0, y1 + 1, x0 + 1, y0 + 1, color);
    return;
  }
  // Device coordinates of both ends.
  x0 -= dc.origin.x, x1 -= dc.origin.x, y0 -= dc.origin.y, y1 -= dc.origin.y;
  CRect clip = dc.DeviceClip();
  if (clip.IsRectEmpty()) return;
  Pixmap& device = dc.Device();
  const long long dx = x1 - x0, dy = y1 - y0;
  const long long adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
  const bool xMajor = adx >= ady;
  const long long steps = xMajor ? adx : ady;
  const long long minorSpan = xMajor ? ady : adx;
  const int majorSign = (xMajor ? dx : dy) < 0 ? -1 : 1;
  const int minorSign = (xMajor ? dy : dx) < 0 ? -1 : 1;
  const long long major0 = xMajor ? x0 : y0, minor0 = xMajor ? y0 : x0;
  const long long clipLo = xMajor ? clip.left : clip.top, clipHi = xMajor ? clip.right - 1 : clip.bottom - 1;
  // Only the steps whose major coordinate lies in the clip are walked, so a
  // line with far-away ends costs no more than the clip box is wide.
  long long kFirst = 0, kLast = steps - 1;
  if (majorSign > 0) {
    kFirst = std::max(kFirst, clipLo - major0);
    kLast = std::min(kLast, clipHi - major0);
  } else {
    kFirst = std::max(kFirst, major0 - clipHi);
    kLast = std::min(kLast, major0 - clipLo);
  }
  for (long long k = kFirst; k <= kLast; ++k) {
    // Rounded minor offset, computed exactly in 128-bit to stay clear of overflow.
    __int128 num = (__int128)2 * k * minorSpan + steps;
    long long offset = (long long)(num / (2 * (__int128)steps));
    long long major = major0 + majorSign * k;
    long long minor = minor0 + minorSign * offset;
    long long x = xMajor ? major : minor, y = xMajor ? minor : major;
    if (x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom) device.At(int(x), int(y)) = color;
  }
}

}  // namespace

// ---- shared helpers

void Retain(GdiObjectData* data) noexcept { data->refs.fetch_add(1, std::memory_order_relaxed); }

void Release(GdiObjectData* data) noexcept {
  if (data->stock) return;
  if (data->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) delete data;
}

namespace {

// Released pixel buffers of large bitmaps, kept for the next one: the
// off-screen bitmap of every paint would otherwise cost fresh pages from
// the system (page faults and kernel zeroing) each time.
class PixelBufferPool {
 public:
  static PixelBufferPool& Instance() {
    static PixelBufferPool* pool = new PixelBufferPool();  // outlives every bitmap
    return *pool;
  }

  void Put(std::vector<COLORREF>&& buffer) {
    if (buffer.capacity() < kWorthKeeping) return;
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_free.size() >= kKept) m_free.erase(m_free.begin());
    m_free.push_back(std::move(buffer));
  }

  // A buffer of count pixels, all 0.
  std::vector<COLORREF> Take(std::size_t count) {
    std::vector<COLORREF> buffer;
    if (count >= kWorthKeeping) {
      std::lock_guard<std::mutex> guard(m_lock);
      for (auto it = m_free.begin(); it != m_free.end(); ++it) {
        if (it->capacity() >= count) {
          buffer = std::move(*it);
          m_free.erase(it);
          break;
        }
      }
    }
    buffer.assign(count, 0);
    return buffer;
  }

 private:
  static constexpr std::size_t kWorthKeeping = 1u << 16;
  static constexpr std::size_t kKept = 2;
  std::mutex m_lock;
  std::vector<std::vector<COLORREF>> m_free;
};

}  // namespace

BitmapData::~BitmapData() { PixelBufferPool::Instance().Put(std::move(pixels.pixels)); }

FontData* DefaultFont() { return &Stock().font; }

CRect DCState::DeviceClip() const noexcept {
  const Pixmap& device = Device();
  CRect extent(0, 0, device.width, device.height);
  if (!memory) {
    CRect clipped;
    clipped.IntersectRect(extent, windowClip);
    return clipped;
  }
  return extent;
}

void FillDevice(Pixmap& device, const CRect& rect, COLORREF color) noexcept {
  for (int y = rect.top; y < rect.bottom; ++y) {
    COLORREF* row = device.Row(y);
    std::fill(row + rect.left, row + rect.right, color);
  }
}

CRect LogicalToClippedDevice(const DCState& dc, long long left, long long top, long long right,
                             long long bottom) noexcept {
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  CRect clip = dc.DeviceClip();
  long long l = std::max<long long>(left - dc.origin.x, clip.left);
  long long t = std::max<long long>(top - dc.origin.y, clip.top);
  long long r = std::min<long long>(right - dc.origin.x, clip.right);
  long long b = std::min<long long>(bottom - dc.origin.y, clip.bottom);
  if (l >= r || t >= b) return CRect();
  return CRect(int(l), int(t), int(r), int(b));
}

}  // namespace Gdi

std::unique_ptr<CDC> CreatePixmapDC(Pixmap& target, const CRect& clip) { return Gdi::NewWindowDC(target, clip, FALSE); }

std::unique_ptr<CDC> CreatePrintingPixmapDC(Pixmap& target, const CRect& clip) {
  return Gdi::NewWindowDC(target, clip, TRUE);
}

}  // namespace Headless

using namespace Headless;
using namespace Headless::Gdi;

COLORREF GetSysColor(int index) {
  // Wine's default colours.
  switch (index) {
    case COLOR_WINDOW: return RGB(255, 255, 255);
    case COLOR_WINDOWTEXT: return RGB(0, 0, 0);
    case COLOR_BTNFACE: return RGB(240, 240, 240);
    case COLOR_BTNSHADOW: return RGB(160, 160, 160);
    default: return RGB(0, 0, 0);
  }
}

// ---- drawing objects

BOOL CGdiObject::DeleteObject() {
  if (!m_hObject) return FALSE;
  auto* data = static_cast<GdiObjectData*>(m_hObject);
  m_hObject = nullptr;
  // Only the wrapper that created a record holds its reference; stock
  // records and wrappers that borrow a handle just let go of it.
  if (data->stock || data->wrapper != this) return TRUE;
  data->wrapper = nullptr;
  Release(data);
  return TRUE;
}

namespace {

// Replaces what the wrapper holds by a newly created record it owns.
template <class T>
T* AdoptNew(CGdiObject& wrapper, std::unique_ptr<T> data) {
  wrapper.DeleteObject();
  data->wrapper = &wrapper;
  T* raw = data.release();
  wrapper.m_hObject = raw;
  return raw;
}

// MulDiv as the platform rounds it: half away from zero, -1 on division by zero.
long long MulDivRounded(long long a, long long b, long long c) {
  if (c == 0) return -1;
  long long product = a * b;
  bool negative = (product < 0) != (c < 0);
  long long n = product < 0 ? -product : product, d = c < 0 ? -c : c;
  long long q = (n + d / 2) / d;
  return negative ? -q : q;
}

LONG ClampLong(long long v) { return v < INT_MIN ? INT_MIN : v > INT_MAX ? INT_MAX : LONG(v); }

}  // namespace

BOOL CFont::CreatePointFontIndirect(const LOGFONTW* lpLogFont, CDC*) {
  if (!lpLogFont) return FALSE;
  LOGFONTW lf = *lpLogFont;
  // Tenths of a point on a 96-DPI screen; the result is a character height.
  long long pixels = MulDivRounded(96, lf.lfHeight, 720);
  lf.lfHeight = ClampLong(pixels < 0 ? pixels : -pixels);
  return CreateFontIndirect(&lf);
}

BOOL CFont::CreateFontIndirect(const LOGFONTW* lpLogFont) {
  if (!lpLogFont) return FALSE;
  auto data = std::make_unique<FontData>();
  data->lf = *lpLogFont;
  data->lf.lfFaceName[LF_FACESIZE - 1] = 0;
  AdoptNew(*this, std::move(data));
  return TRUE;
}

BOOL CPen::CreatePen(int nPenStyle, int nWidth, COLORREF crColor) {
  if (nPenStyle != PS_SOLID && nPenStyle != kPenStyleNull) {
    AfxThrowNotImplementedException("CPen::CreatePen with a style other than PS_SOLID or PS_NULL");
  }
  if (nWidth > 1) AfxThrowNotImplementedException("CPen::CreatePen wider than one pixel");
  auto data = std::make_unique<PenData>();
  data->null = nPenStyle == kPenStyleNull;
  data->color = crColor & 0x00FFFFFF;
  AdoptNew(*this, std::move(data));
  return TRUE;
}

BOOL CBrush::CreateSolidBrush(COLORREF crColor) {
  auto data = std::make_unique<BrushData>();
  data->color = crColor & 0x00FFFFFF;
  AdoptNew(*this, std::move(data));
  return TRUE;
}

CBrush& CBrush::Stock(int nIndex) {
  if (nIndex < WHITE_BRUSH || nIndex > NULL_BRUSH) {
    AfxThrowInvalidArgException("stock brush index " + std::to_string(nIndex) + " is not a brush");
  }
  return Headless::Gdi::Stock().brushWrappers[nIndex];
}

BOOL CBitmap::CreateCompatibleBitmap(CDC*, int nWidth, int nHeight) {
  if (nWidth < 0 || nHeight < 0) return FALSE;
  if ((long long)nWidth * nHeight > kMaxBitmapPixels) return FALSE;
  // An empty size gives a 1x1 bitmap, as the platform does.
  if (nWidth == 0 || nHeight == 0) nWidth = nHeight = 1;
  auto data = std::make_unique<BitmapData>();
  data->pixels.width = nWidth;
  data->pixels.height = nHeight;
  data->pixels.pixels = PixelBufferPool::Instance().Take(std::size_t(nWidth) * std::size_t(nHeight));
  AdoptNew(*this, std::move(data));
  return TRUE;
}

// ---- contexts

CDC::~CDC() {
  DCState* state = StateOf(this);
  if (state && state->owner == this) DeleteDC();
  delete static_cast<CdcBookkeeping*>(m_pPlatformState);
  m_pPlatformState = nullptr;
}

BOOL CDC::CreateCompatibleDC(CDC*) {
  DCState* old = StateOf(this);
  if (old && old->owner == this) DeleteDC();
  auto* state = new DCState();
  state->owner = this;
  state->memory = true;
  state->bitmap = Ref<BitmapData>(&Headless::Gdi::Stock().bitmap);
  InitialiseSelection(*state);
  m_hDC = state;
  m_hAttribDC = state;
  return TRUE;
}

BOOL CDC::DeleteDC() {
  DCState* state = StateOf(this);
  if (!state) return FALSE;
  bool owned = state->owner == this;
  m_hDC = nullptr;
  m_hAttribDC = nullptr;
  // A borrowed context (copied handle) is only let go of.
  if (!owned) return FALSE;
  if (state->memory && state->bitmap->selectedIn == state) state->bitmap->selectedIn = nullptr;
  delete state;
  return TRUE;
}

int CDC::GetClipBox(CRect* lpRect) const {
  DCState* state = StateOf(this);
  if (!lpRect) return kErrorRegion;
  if (!state) {
    lpRect->SetRectEmpty();
    return kErrorRegion;
  }
  CRect box = state->DeviceClip();
  if (box.IsRectEmpty()) {
    lpRect->SetRectEmpty();
    return kNullRegion;
  }
  box.OffsetRect(state->origin.x, state->origin.y);
  *lpRect = box;
  return kSimpleRegion;
}

CPoint CDC::SetWindowOrg(int x, int y) {
  DCState* state = StateOf(this);
  if (!state) return CPoint();
  CPoint previous = state->origin;
  state->origin = CPoint(x, y);
  return previous;
}

CPoint CDC::GetWindowOrg() const {
  DCState* state = StateOf(this);
  return state ? state->origin : CPoint();
}

CBitmap* CDC::SelectObject(CBitmap* pBitmap) {
  DCState* state = StateOf(this);
  auto* data = static_cast<BitmapData*>(DataOf(pBitmap, Kind::Bitmap));
  if (!state || !data || !state->memory) return nullptr;
  if (data->selectedIn && data->selectedIn != state) return nullptr;
  Ref<BitmapData> previous = state->bitmap;
  if (previous->selectedIn == state) previous->selectedIn = nullptr;
  state->bitmap = Ref<BitmapData>(data);
  if (!data->stock) data->selectedIn = state;
  return static_cast<CBitmap*>(WrapperFor(*this, previous.get()));
}

CFont* CDC::SelectObject(CFont* pFont) {
  DCState* state = StateOf(this);
  auto* data = static_cast<FontData*>(DataOf(pFont, Kind::Font));
  if (!state || !data) return nullptr;
  Ref<FontData> previous = std::exchange(state->font, Ref<FontData>(data));
  return static_cast<CFont*>(WrapperFor(*this, previous.get()));
}

CPen* CDC::SelectObject(CPen* pPen) {
  DCState* state = StateOf(this);
  auto* data = static_cast<PenData*>(DataOf(pPen, Kind::Pen));
  if (!state || !data) return nullptr;
  Ref<PenData> previous = std::exchange(state->pen, Ref<PenData>(data));
  return static_cast<CPen*>(WrapperFor(*this, previous.get()));
}

CBrush* CDC::SelectObject(CBrush* pBrush) {
  DCState* state = StateOf(this);
  auto* data = static_cast<BrushData*>(DataOf(pBrush, Kind::Brush));
  if (!state || !data) return nullptr;
  Ref<BrushData> previous = std::exchange(state->brush, Ref<BrushData>(data));
  return static_cast<CBrush*>(WrapperFor(*this, previous.get()));
}

CGdiObject* CDC::SelectStockObject(int nIndex) {
  GdiObjectData* data = StockObject(nIndex);
  if (!data) return nullptr;
  switch (data->kind) {
    case Kind::Font: return SelectObject(static_cast<CFont*>(data->wrapper));
    case Kind::Pen: return SelectObject(static_cast<CPen*>(data->wrapper));
    case Kind::Brush: return SelectObject(static_cast<CBrush*>(data->wrapper));
    case Kind::Bitmap: return nullptr;
  }
  return nullptr;
}

void CDC::FillSolidRect(const RECT* lpRect, COLORREF clr) {
  DCState* state = StateOf(this);
  if (!state || !lpRect) return;
  state->bkColor = clr & 0x00FFFFFF;
  FillLogical(*state, lpRect->left, lpRect->top, lpRect->right, lpRect->bottom, clr);
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF clr) {
  DCState* state = StateOf(this);
  if (!state) return;
  state->bkColor = clr & 0x00FFFFFF;
  FillLogical(*state, x, y, (long long)x + cx, (long long)y + cy, clr);
}

int CDC::FillRect(const RECT* lpRect, CBrush* pBrush) {
  DCState* state = StateOf(this);
  auto* brush = static_cast<BrushData*>(DataOf(pBrush, Kind::Brush));
  if (!state || !lpRect || !brush) return 0;
  if (!brush->null) FillLogical(*state, lpRect->left, lpRect->top, lpRect->right, lpRect->bottom, brush->color);
  return 1;
}

void CDC::Draw3dRect(const RECT* lpRect, COLORREF clrTopLeft, COLORREF clrBottomRight) {
  if (!lpRect || !m_hDC) return;
  const long long x = lpRect->left, y = lpRect->top;
  const long long cx = (long long)lpRect->right - lpRect->left, cy = (long long)lpRect->bottom - lpRect->top;
  DCState& state = *StateOf(this);
  // The platform's four strokes: the top and left edges stop one pixel
  // short, so the top-right and bottom-left corners take the second colour.
  FillLogical(state, x, y, x + cx - 1, y + 1, clrTopLeft);
  FillLogical(state, x, y, x + 1, y + cy - 1, clrTopLeft);
  FillLogical(state, x + cx, y, x + cx - 1, y + cy, clrBottomRight);
  FillLogical(state, x, y + cy, x + cx, y + cy - 1, clrBottomRight);
  state.bkColor = clrBottomRight & 0x00FFFFFF;
}

void CDC::InvertRect(const RECT* lpRect) {
  DCState* state = StateOf(this);
  if (!state || !lpRect) return;
  CRect device = LogicalToClippedDevice(*state, lpRect->left, lpRect->top, lpRect->right, lpRect->bottom);
  if (!device.IsRectEmpty()) XorDevice(state->Device(), device, 0x00FFFFFF);
}

int CDC::SetBkMode(int nBkMode) {
  DCState* state = StateOf(this);
  if (!state || (nBkMode != TRANSPARENT && nBkMode != OPAQUE)) return 0;
  return std::exchange(state->bkMode, nBkMode);
}

COLORREF CDC::SetTextColor(COLORREF crColor) {
  DCState* state = StateOf(this);
  if (!state) return kInvalidColor;
  return std::exchange(state->textColor, crColor & 0x00FFFFFF);
}

CPoint CDC::MoveTo(int x, int y) {
  DCState* state = StateOf(this);
  if (!state) return CPoint();
  return std::exchange(state->current, CPoint(x, y));
}

BOOL CDC::LineTo(int x, int y) {
  DCState* state = StateOf(this);
  if (!state) return FALSE;
  if (!state->pen->null) DrawLine(*state, state->current.x, state->current.y, x, y, state->pen->color);
  state->current = CPoint(x, y);
  return TRUE;
}

BOOL CDC::Rectangle(int x1, int y1, int x2, int y2) {
  DCState* state = StateOf(this);
  if (!state) return FALSE;
  long long l = std::min(x1, x2), r = std::max(x1, x2), t = std::min(y1, y2), b = std::max(y1, y2);
  if (r - l < 1 || b - t < 1) return TRUE;
  const PenData& pen = *state->pen;
  const BrushData& brush = *state->brush;
  if (pen.null) {
    // Without an outline the figure is one pixel smaller each way.
    if (!brush.null) FillLogical(*state, l, t, r - 1, b - 1, brush.color);
    return TRUE;
  }
  if (!brush.null) FillLogical(*state, l + 1, t + 1, r - 1, b - 1, brush.color);
  FillLogical(*state, l, t, r, t + 1, pen.color);
  FillLogical(*state, l, b - 1, r, b, pen.color);
  FillLogical(*state, l, t, l + 1, b, pen.color);
  FillLogical(*state, r - 1, t, r, b, pen.color);
  return TRUE;
}

int CDC::DrawText(const WCHAR* lpszString, int nCount, RECT* lpRect, UINT nFormat) {
  DCState* state = StateOf(this);
  if (!state || !lpszString || !lpRect) return 0;
  return DrawTextOn(*state, lpszString, nCount, *lpRect, nFormat);
}

BOOL CDC::BitBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, DWORD dwRop) {
  DCState* dest = StateOf(this);
  if (dwRop != SRCCOPY) AfxThrowNotImplementedException("BitBlt with a raster operation other than SRCCOPY");
  DCState* src = StateOf(pSrcDC);
  if (!dest || !src) return FALSE;
  if (nWidth <= 0 || nHeight <= 0) return TRUE;
  // Destination rectangle in device pixels, clipped by the destination's
  // clip box and by where the source has pixels.
  const long long dx0 = (long long)x - dest->origin.x, dy0 = (long long)y - dest->origin.y;
  const long long sx0 = (long long)xSrc - src->origin.x, sy0 = (long long)ySrc - src->origin.y;
  const Pixmap& srcDevice = src->Device();
  CRect clip = dest->DeviceClip();
  long long l = std::max<long long>({dx0, clip.left, dx0 - sx0});
  long long t = std::max<long long>({dy0, clip.top, dy0 - sy0});
  long long r = std::min<long long>({dx0 + nWidth, clip.right, dx0 - sx0 + srcDevice.width});
  long long b = std::min<long long>({dy0 + nHeight, clip.bottom, dy0 - sy0 + srcDevice.height});
  if (l >= r || t >= b) return TRUE;
  Pixmap& destDevice = dest->Device();
  const int width = int(r - l);
  const long long shiftX = sx0 - dx0, shiftY = sy0 - dy0;
  const bool sameDevice = &destDevice == &srcDevice;
  // Rows are walked against the direction of the move when source and
  // destination share pixels, so no row is overwritten before it is read.
  const bool bottomUp = sameDevice && shiftY < 0;
  for (long long i = 0; i < b - t; ++i) {
    int row = int(bottomUp ? b - 1 - i : t + i);
    const COLORREF* from = srcDevice.Row(int(row + shiftY)) + (l + shiftX);
    COLORREF* to = destDevice.Row(row) + l;
    std::memmove(to, from, std::size_t(width) * sizeof(COLORREF));
  }
  return TRUE;
}

COLORREF CDC::GetPixel(int x, int y) const {
  DCState* state = StateOf(this);
  if (!state) return kInvalidColor;
  long long dx = (long long)x - state->origin.x, dy = (long long)y - state->origin.y;
  CRect clip = state->DeviceClip();
  if (dx < clip.left || dx >= clip.right || dy < clip.top || dy >= clip.bottom) return kInvalidColor;
  return state->Device().At(int(dx), int(dy));
}

}  // namespace TzGrid

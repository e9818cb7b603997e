// The headless platform's drawing objects and contexts, shared by the
// rasterizer (HeadlessGdi.cpp) and the text renderer (HeadlessText.cpp).
//
// A CGdiObject's handle points at one of the *Data records below. A record
// is reference counted: its creator holds one reference and every context
// it is selected into holds another, so that deleting a pen or font that is
// still selected (which the grid painter does with its grid-line pen) leaves
// the context with a valid object, as GDI defers such a deletion.
//
// A CDC's m_hDC points at a DCState: the device, the window origin, the clip
// and the selected objects. It belongs to the CDC that created it; a CDC that
// merely copied the handle (an off-screen context borrowing a printer's) does
// not free it.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "HeadlessGdi.h"

namespace TzGrid::Headless::Gdi {

enum class Kind { Font, Pen, Brush, Bitmap };

struct GdiObjectData {
  explicit GdiObjectData(Kind k) noexcept : kind(k) {}
  GdiObjectData(const GdiObjectData&) = delete;
  GdiObjectData& operator=(const GdiObjectData&) = delete;
  virtual ~GdiObjectData() = default;

  const Kind kind;
  std::atomic<int> refs{1};
  bool stock = false;               // a stock object: never freed
  CGdiObject* wrapper = nullptr;    // the wrapper that created it, while it lives
};

void Retain(GdiObjectData* data) noexcept;
void Release(GdiObjectData* data) noexcept;

// An owning reference to a drawing object record.
template <class T>
class Ref {
 public:
  Ref() noexcept = default;
  explicit Ref(T* p) noexcept : m_p(p) {
    if (m_p) Retain(m_p);
  }
  Ref(const Ref& other) noexcept : Ref(other.m_p) {}
  Ref(Ref&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
  Ref& operator=(Ref other) noexcept {
    std::swap(m_p, other.m_p);
    return *this;
  }
  ~Ref() {
    if (m_p) Release(m_p);
  }
  T* get() const noexcept { return m_p; }
  T* operator->() const noexcept { return m_p; }
  T& operator*() const noexcept { return *m_p; }
  explicit operator bool() const noexcept { return m_p != nullptr; }

 private:
  T* m_p = nullptr;
};

struct FontInstance;  // a face at one size with its glyph cache (HeadlessText.cpp)

struct FontData : GdiObjectData {
  FontData() noexcept : GdiObjectData(Kind::Font) {}
  LOGFONTW lf{};                     // lfHeight in logical (device) pixels
  FontInstance* instance = nullptr;  // resolved on first use; instances live for the process
};

struct PenData : GdiObjectData {
  PenData() noexcept : GdiObjectData(Kind::Pen) {}
  bool null = false;
  COLORREF color = 0;
};

struct BrushData : GdiObjectData {
  BrushData() noexcept : GdiObjectData(Kind::Brush) {}
  bool null = false;
  COLORREF color = 0;
};

struct DCState;

struct BitmapData : GdiObjectData {
  BitmapData() noexcept : GdiObjectData(Kind::Bitmap) {}
  ~BitmapData() override;
  Pixmap pixels;
  DCState* selectedIn = nullptr;  // a bitmap is selected into one memory context at a time
};

struct DCState {
  const CDC* owner = nullptr;
  bool memory = false;
  Pixmap* window = nullptr;  // the device of a window or printer context (not owned)
  CRect windowClip;          // its clip box in device pixels
  Ref<BitmapData> bitmap;    // the device of a memory context
  CPoint origin;             // window origin: logical (x, y) lands on device (x - origin.x, y - origin.y)
  Ref<FontData> font;
  Ref<PenData> pen;
  Ref<BrushData> brush;
  COLORREF textColor = 0;
  COLORREF bkColor = 0x00FFFFFF;
  int bkMode = 2;  // OPAQUE
  CPoint current;

  Pixmap& Device() noexcept { return memory ? bitmap->pixels : *window; }
  const Pixmap& Device() const noexcept { return memory ? bitmap->pixels : *window; }
  // Where drawing may land, in device pixels: the clip box within the device.
  CRect DeviceClip() const noexcept;
};

// The stock default font every new context starts with.
FontData* DefaultFont();

// ---- pixel operations on device rectangles (already clipped)
void FillDevice(Pixmap& device, const CRect& rect, COLORREF color) noexcept;

// A logical rectangle (64-bit, possibly unordered) moved to device pixels,
// ordered, and intersected with the context's clip; empty when nothing shows.
CRect LogicalToClippedDevice(const DCState& dc, long long left, long long top, long long right,
                             long long bottom) noexcept;

// DrawText on a context (HeadlessText.cpp); with DT_CALCRECT it sets rect's
// right and bottom to the text's extent instead of drawing.
int DrawTextOn(DCState& dc, const WCHAR* text, int count, RECT& rect, UINT format);

}  // namespace TzGrid::Headless::Gdi

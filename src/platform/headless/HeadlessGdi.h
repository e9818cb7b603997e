// The headless platform's pixels: a 32-bit pixmap (one COLORREF per pixel,
// 0x00BBGGRR, as GetPixel answers) and drawing contexts onto it.
//
// The contexts behave as GDI's: fills, 3-D frames, one-pixel pens, inversion,
// block transfers between window and memory contexts, window origin and clip
// box, and DrawText with FreeType-rendered Liberation fonts (metric-compatible
// stand-ins for Arial, Times New Roman and Courier New).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "../../framework/afx.h"

namespace TzGrid::Headless {

struct Pixmap {
  int width = 0;
  int height = 0;
  std::vector<COLORREF> pixels;

  void Resize(int w, int h, COLORREF fill = 0);
  bool Contains(int x, int y) const noexcept { return x >= 0 && y >= 0 && x < width && y < height; }
  COLORREF At(int x, int y) const noexcept { return pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)]; }
  COLORREF& At(int x, int y) noexcept { return pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)]; }
  COLORREF* Row(int y) noexcept { return pixels.data() + std::size_t(y) * std::size_t(width); }
  const COLORREF* Row(int y) const noexcept { return pixels.data() + std::size_t(y) * std::size_t(width); }
};

// A drawing context whose device is the pixmap (a window's framebuffer):
// logical coordinates are pixmap pixels, drawing is clipped to clip.
// GetPixel answers 0xFFFFFFFF (CLR_INVALID) outside the clip box; GetClipBox
// answers 2 (SIMPLEREGION), 1 (NULLREGION) for an empty box, 0 without a device.
std::unique_ptr<CDC> CreatePixmapDC(Pixmap& target, const CRect& clip);

// The same onto a printer's page: IsPrinting() is TRUE, so an off-screen
// painter draws straight onto the pixmap.
std::unique_ptr<CDC> CreatePrintingPixmapDC(Pixmap& target, const CRect& clip);

// Writes the pixmap as an 8-bit RGB PNG; false with a reason on failure.
bool WritePng(const Pixmap& pixmap, const std::string& path, std::string* error = nullptr);

// Reads a PNG of any format into the pixmap (alpha dropped); false with a
// reason on failure, the pixmap then unchanged.
bool ReadPng(const std::string& path, Pixmap* pixmap, std::string* error = nullptr);

// What a DC's selected font measures: character height (ascent + descent,
// GDI's tmHeight), ascent and the advance of a string in pixels.
struct TextMetrics {
  int height = 0;
  int ascent = 0;
  int descent = 0;
};
TextMetrics GetTextMetrics(CDC& dc);
int GetTextWidth(CDC& dc, const std::u16string& text);

}  // namespace TzGrid::Headless

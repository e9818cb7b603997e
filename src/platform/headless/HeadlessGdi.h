// The headless platform's pixels: a 32-bit pixmap (one COLORREF per pixel,
// 0x00BBGGRR, as GetPixel answers) and drawing contexts onto it.
//
// The contexts behave as GDI's where the control relies on it:
// - window contexts onto a pixmap with a clip box, memory contexts that start
//   with a 1x1 bitmap, compatible bitmaps (content 0), one bitmap selected
//   into one memory context at a time, BitBlt with SRCCOPY (other raster
//   operations fail loudly), the window origin and GetClipBox;
// - fills exclude the right and bottom edges; FillSolidRect, FillRect and
//   InvertRect order a reversed rectangle; Draw3dRect draws the platform's
//   four strokes; FillSolidRect and Draw3dRect leave the background colour set;
// - one-pixel PS_SOLID and PS_NULL pens (wider or styled pens fail loudly);
//   lines exclude their end point; Rectangle outlines with the pen and fills
//   with the brush, one pixel smaller each way without an outline;
// - stock objects 0..8 and the default font (SYSTEM_FONT, DEFAULT_GUI_FONT);
//   an object deleted while selected stays valid until it is deselected;
// - DrawText with DT_LEFT, DT_CENTER, DT_RIGHT, DT_VCENTER, DT_BOTTOM,
//   DT_SINGLELINE, DT_WORDBREAK, DT_NOPREFIX, DT_EDITCONTROL, DT_NOCLIP and
//   DT_CALCRECT; other formats and rotated fonts fail loudly. Fonts are the
//   Liberation faces (metric-compatible with Arial, Times New Roman and
//   Courier New; any other name is drawn as Arial), hinted by FreeType's
//   classic TrueType interpreter and antialiased; no kerning, as GDI's
//   DrawText does not kern. A font's height is that of the platform: the
//   em for a negative lfHeight, the cell for a positive one, 12 pixels for 0;
//   CreatePointFontIndirect converts for 96 DPI.
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

// The headless platform's pixels: a 32-bit pixmap (one COLORREF per pixel,
// 0x00BBGGRR, as GetPixel answers) and drawing contexts onto it.
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
};

// A drawing context whose device is the pixmap (a window's framebuffer):
// logical coordinates are pixmap pixels, drawing is clipped to clip.
std::unique_ptr<CDC> CreatePixmapDC(Pixmap& target, const CRect& clip);

// Writes the pixmap as an 8-bit RGB PNG; false with a reason on failure.
bool WritePng(const Pixmap& pixmap, const std::string& path, std::string* error = nullptr);

}  // namespace TzGrid::Headless

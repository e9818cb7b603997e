// Pixel arithmetic shared by the layout, geometry, painting and scrolling
// code. Widths and heights are stored unsigned and added as signed 32-bit
// values; the addition wraps as the 32-bit registers do instead of being
// undefined, so hostile widths give wrong pixels, never undefined behaviour.
#pragma once

#include <cstdint>

namespace TzGrid {

constexpr int AddPixels(int sum, std::uint32_t size) noexcept {
  return static_cast<int>(static_cast<std::uint32_t>(sum) + size);
}
constexpr int SubPixels(int a, int b) noexcept {
  return static_cast<int>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}

}  // namespace TzGrid

// Builds a grid through its automation interface, resizes it and prints
// what the control holds.
#include <cstdio>

#include "model/TzGridCtrl.h"
#include "platform/headless/HeadlessWindow.h"

using namespace TzGrid;

namespace {
void Print(CTzGridCtrl& grid, const char* title) {
  std::printf("%s: %d columns x %d rows, %d fixed row(s), %d fixed column(s)\n", title, grid.m_nCols, grid.m_nRows,
              grid.m_nFixedRows, grid.m_nFixedCols);
  std::printf("  widths:");
  for (int c = 0; c < grid.m_nCols; ++c) std::printf(" %u", grid.m_arColWidths.GetAt(c));
  std::printf("\n  order: ");
  for (int p = 0; p < grid.m_nCols; ++p) std::printf(" %u", grid.m_arColOrder.GetAt(p));
  std::printf("\n");
}

void Invoke(CTzGridCtrl& grid, DISPID id, WORD flags, CDispArgs args) {
  std::string why;
  HRESULT hr = grid.Invoke(id, flags, args, nullptr, &why);
  if (hr != S_OK) std::printf("  call %d failed: 0x%08X %s\n", id, unsigned(hr), why.c_str());
}
}  // namespace

int main() {
  CTzGridCtrl grid;
  Headless::HeadlessWindow window(grid, 400, 200);
  Print(grid, "new grid");
  Invoke(grid, 1, DISPATCH_PROPERTYPUT, {CDispArg::I4(8)});
  Invoke(grid, 2, DISPATCH_PROPERTYPUT, {CDispArg::I4(40)});
  Invoke(grid, 5, DISPATCH_METHOD, {CDispArg::I4(2), CDispArg::I4(90)});
  Invoke(grid, 42, DISPATCH_METHOD, {CDispArg::I4(5), CDispArg::I4(0)});
  Invoke(grid, 4, DISPATCH_PROPERTYPUT, {CDispArg::I4(1)});
  Print(grid, "after sizing");
  const SCROLLINFO& h = window.ScrollBar(SB_HORZ);
  const SCROLLINFO& v = window.ScrollBar(SB_VERT);
  std::printf("  scroll bars in a 400 x 200 window: horizontal 0..%d page %u, vertical 0..%d page %u\n", h.nMax,
              h.nPage, v.nMax, v.nPage);
  return 0;
}

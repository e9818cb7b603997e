// CSV export. Not implemented yet: each entry fails loudly.
#include "../model/TzGridCtrl.h"

namespace TzGrid {

short CTzGridCtrl::ExportData(ULONG32, ULONG32, ULONG32, ULONG32, USHORT) { AfxThrowNotImplementedException("ExportData"); }
void CTzGridCtrl::ExportEx(USHORT, short, const std::int32_t*, std::size_t, LONG, LONG) {
  AfxThrowNotImplementedException("ExportEx");
}

}  // namespace TzGrid

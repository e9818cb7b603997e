// Clipboard copy and paste. Not implemented yet: each entry fails loudly.
#include "../model/TzGridCtrl.h"

namespace TzGrid {

void CTzGridCtrl::CopyToClipboard() { AfxThrowNotImplementedException("CopyToClipboard"); }
void CTzGridCtrl::PasteFromClipboard() { AfxThrowNotImplementedException("PasteFromClipboard"); }
void CTzGridCtrl::CopyFocusTextByKey() { AfxThrowNotImplementedException("Ctrl+C"); }
void CTzGridCtrl::PasteFocusTextByKey() { AfxThrowNotImplementedException("Ctrl+V"); }

}  // namespace TzGrid

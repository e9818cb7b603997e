// Text on the headless contexts (FreeType): provisional.
#include "HeadlessGdiObjects.h"

namespace TzGrid::Headless {

namespace Gdi {
int DrawTextOn(DCState&, const WCHAR*, int, const RECT&, UINT) { AfxThrowNotImplementedException("DrawText"); }
}  // namespace Gdi

TextMetrics GetTextMetrics(CDC&) { AfxThrowNotImplementedException("GetTextMetrics"); }
int GetTextWidth(CDC&, const std::u16string&) { AfxThrowNotImplementedException("GetTextWidth"); }

}  // namespace TzGrid::Headless

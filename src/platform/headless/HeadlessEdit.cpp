// The headless edit child. Not implemented yet: the editor cannot be created.
#include "HeadlessWindow.h"

namespace TzGrid::Headless {

std::unique_ptr<CWindowImpl> CreateHeadlessEdit(HeadlessWindow&, CWnd*, DWORD, const RECT&, UINT) {
  AfxThrowNotImplementedException("the headless edit window");
}

}  // namespace TzGrid::Headless

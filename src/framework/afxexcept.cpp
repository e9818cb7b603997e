#include "afxexcept.h"

namespace TzGrid {

void AfxThrowInvalidArgException(const std::string& description) {
  throw CInvalidArgException(description);
}

void AfxThrowMemoryException() { throw CMemoryException(); }

void AfxThrowNotImplementedException(const char* what) { throw CNotImplementedException(what); }

}  // namespace TzGrid

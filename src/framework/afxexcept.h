// The framework's exceptions. Out-of-range element access in the checked
// arrays raises CInvalidArgException; the dispatch layer turns it into
// DISP_E_EXCEPTION and the message dispatcher ends the message with it.
#pragma once

#include <string>

#include "afxdefs.h"

namespace TzGrid {

class CException {
 public:
  explicit CException(std::string description) : m_description(std::move(description)) {}
  virtual ~CException() = default;
  // Says what went wrong, for the host (EXCEPINFO) and for logs in tests.
  const std::string& GetDescription() const { return m_description; }
  virtual HRESULT GetHResult() const { return E_FAIL; }

 private:
  std::string m_description;
};

class CInvalidArgException : public CException {
 public:
  using CException::CException;
  HRESULT GetHResult() const override { return E_INVALIDARG; }
};

class CMemoryException : public CException {
 public:
  CMemoryException() : CException("not enough memory") {}
  HRESULT GetHResult() const override { return E_OUTOFMEMORY; }
};

// Raised by members and handlers whose implementation has not landed yet:
// the dispatch layer answers E_NOTIMPL, never a silent success.
class CNotImplementedException : public CException {
 public:
  explicit CNotImplementedException(const char* what)
      : CException(std::string(what) + " is not implemented") {}
  HRESULT GetHResult() const override { return E_NOTIMPL; }
};

[[noreturn]] void AfxThrowInvalidArgException(const std::string& description = "invalid argument");
[[noreturn]] void AfxThrowMemoryException();
[[noreturn]] void AfxThrowNotImplementedException(const char* what);

// Index check shared by every checked container and by the control's own checks.
inline void AfxCheckIndex(std::ptrdiff_t index, std::ptrdiff_t size, const char* what) {
  if (index < 0 || index >= size) {
    AfxThrowInvalidArgException(std::string(what) + " index " + std::to_string(index) +
                                " is outside 0.." + std::to_string(size - 1));
  }
}

}  // namespace TzGrid

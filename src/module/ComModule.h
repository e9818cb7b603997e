// Module-wide state of the COM server: the module's instance, the count of
// live objects and server locks that DllCanUnloadNow answers from, and the
// module's own resources (strings, type library).
#pragma once

#include "../platform/win32/win32.h"

#include <ole2.h>
#include <olectl.h>
#include <ocidl.h>

#include <string>

namespace TzGridCom {

void SetInstance(HINSTANCE instance) noexcept;
HINSTANCE Instance() noexcept;

// Every COM object of the module counts itself alive from construction to
// destruction; LockServer adds locks. The module may unload at zero of both.
void ObjectCreated() noexcept;
void ObjectDestroyed() noexcept;
void LockServer(bool lock) noexcept;
bool CanUnload() noexcept;

// The full path of TzGrid.ocx as loaded.
std::wstring ModulePath();
// A string of the module's string table (empty when missing).
std::wstring LoadModuleString(UINT id);
// A copy for an out parameter that the caller frees with CoTaskMemFree.
LPOLESTR CoTaskMemString(const std::wstring& text);

// The type library embedded in the module (resource TYPELIB 1); loaded
// from the module file itself so that it answers before registration too.
HRESULT LoadModuleTypeLib(ITypeLib** out);
HRESULT LoadModuleTypeInfo(REFGUID guid, ITypeInfo** out);

// Reports an interface the module does not serve (once per interface) with
// OutputDebugString: under Wine, WINEDEBUG=+seh shows what a host asked for.
void TraceUnknownInterface(const wchar_t* object, REFIID riid);

// A COM reference held by a smart pointer, released on destruction.
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ~ComPtr() { Reset(); }
  void Reset(T* p = nullptr) noexcept {
    if (p) p->AddRef();
    T* old = m_p;
    m_p = p;
    if (old) old->Release();
  }
  // Takes over a reference the caller already owns (from an out parameter).
  void Attach(T* p) noexcept {
    Reset();
    m_p = p;
  }
  T* Get() const noexcept { return m_p; }
  T* operator->() const noexcept { return m_p; }
  explicit operator bool() const noexcept { return m_p != nullptr; }
  // For out parameters: releases what is held and hands out the slot.
  T** Put() noexcept {
    Reset();
    return &m_p;
  }

 private:
  T* m_p = nullptr;
};

}  // namespace TzGridCom

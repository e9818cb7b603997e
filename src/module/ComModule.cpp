#include "ComModule.h"

#include <atomic>
#include <mutex>
#include <vector>

#include "TzGridIds.h"

namespace TzGridCom {

namespace {
HINSTANCE g_instance = nullptr;
std::atomic<LONG> g_objects{0};
std::atomic<LONG> g_locks{0};
}  // namespace

void SetInstance(HINSTANCE instance) noexcept { g_instance = instance; }
HINSTANCE Instance() noexcept { return g_instance; }

void ObjectCreated() noexcept { ++g_objects; }
void ObjectDestroyed() noexcept { --g_objects; }
void LockServer(bool lock) noexcept {
  if (lock) {
    ++g_locks;
  } else {
    --g_locks;
  }
}
bool CanUnload() noexcept { return g_objects.load() == 0 && g_locks.load() == 0; }

std::wstring ModulePath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    DWORD n = GetModuleFileNameW(g_instance, buffer.data(), DWORD(buffer.size()));
    if (n == 0) return std::wstring();
    if (n < buffer.size()) return std::wstring(buffer.data(), n);
    buffer.resize(buffer.size() * 2);
  }
}

std::wstring LoadModuleString(UINT id) {
  const wchar_t* text = nullptr;
  // With a zero buffer size LoadStringW hands out a pointer into the resource.
  int length = LoadStringW(g_instance, id, reinterpret_cast<LPWSTR>(&text), 0);
  return length > 0 && text ? std::wstring(text, std::size_t(length)) : std::wstring();
}

LPOLESTR CoTaskMemString(const std::wstring& text) {
  auto* copy = static_cast<LPOLESTR>(CoTaskMemAlloc((text.size() + 1) * sizeof(wchar_t)));
  if (copy) {
    text.copy(copy, text.size());
    copy[text.size()] = L'\0';
  }
  return copy;
}

HRESULT LoadModuleTypeLib(ITypeLib** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  std::wstring path = ModulePath();
  if (path.empty()) return HRESULT_FROM_WIN32(GetLastError());
  return LoadTypeLibEx(path.c_str(), REGKIND_NONE, out);
}

HRESULT LoadModuleTypeInfo(REFGUID guid, ITypeInfo** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  ComPtr<ITypeLib> lib;
  HRESULT hr = LoadModuleTypeLib(lib.Put());
  if (FAILED(hr)) return hr;
  return lib->GetTypeInfoOfGuid(guid, out);
}

void TraceUnknownInterface(const wchar_t* object, REFIID riid) {
  // Script engines ask for IDispatchEx before every call: say it once.
  static std::mutex lock;
  static std::vector<GUID> reported;
  {
    std::lock_guard<std::mutex> guard(lock);
    for (const GUID& seen : reported) {
      if (IsEqualGUID(seen, riid)) return;
    }
    reported.push_back(riid);
  }
  wchar_t iid[64] = L"";
  StringFromGUID2(riid, iid, 64);
  std::wstring line = std::wstring(L"TzGrid: ") + object + L" does not serve " + iid + L"\n";
  OutputDebugStringW(line.c_str());
}

}  // namespace TzGridCom

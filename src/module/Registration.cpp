#include "Registration.h"

#include "RegistrationTable.h"
#include "TzGridIds.h"

namespace TzGridCom {

namespace {

using RegistrationData::Part;

// Where a scope's keys live: a predefined root and the path below it.
struct ClassesRoot {
  HKEY root;
  const wchar_t* prefix;
};

ClassesRoot RootOf(RegistryScope scope) {
  if (scope == RegistryScope::User) return {HKEY_CURRENT_USER, L"Software\\Classes\\"};
  return {HKEY_CLASSES_ROOT, L""};
}

// The description's placeholders filled in for the module at modulePath.
std::wstring Expand(const wchar_t* text, const std::wstring& modulePath) {
  std::wstring folder = modulePath.substr(0, modulePath.find_last_of(L'\\'));
  const std::pair<std::wstring, std::wstring> fills[] = {
      {L"$(ModuleFolder)", folder},
      {L"$(Module)", modulePath},
      {L"$(TypeLibKind)", sizeof(void*) == 8 ? L"win64" : L"win32"},
  };
  std::wstring out = text;
  for (const auto& [mark, value] : fills) {
    for (std::size_t at = out.find(mark); at != std::wstring::npos; at = out.find(mark, at + value.size())) {
      out.replace(at, mark.size(), value);
    }
  }
  return out;
}

// Writes one string value (name null: the key's default value; data null:
// the key alone), creating the key.
bool WriteEntry(const ClassesRoot& where, const std::wstring& key, const wchar_t* name, const wchar_t* data,
                const std::wstring& modulePath) {
  HKEY handle = nullptr;
  std::wstring path = where.prefix + key;
  if (RegCreateKeyExW(where.root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &handle,
                      nullptr) != ERROR_SUCCESS) {
    return false;
  }
  LONG status = ERROR_SUCCESS;
  if (data) {
    std::wstring value = Expand(data, modulePath);
    status = RegSetValueExW(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            DWORD((value.size() + 1) * sizeof(wchar_t)));
  }
  RegCloseKey(handle);
  return status == ERROR_SUCCESS;
}

bool WritePart(RegistryScope scope, Part part, const std::wstring& modulePath) {
  ClassesRoot where = RootOf(scope);
  bool ok = true;
  for (const auto& entry : RegistrationData::kEntries) {
    if (entry.part != part) continue;
    ok = WriteEntry(where, Expand(entry.key, modulePath), entry.name, entry.data, modulePath) && ok;
  }
  return ok;
}

// Removes a key with everything below it; a key already gone is fine.
bool DeleteTree(const ClassesRoot& where, const std::wstring& key) {
  std::wstring path = where.prefix + key;
  LONG status = RegDeleteTreeW(where.root, path.c_str());
  if (status == ERROR_FILE_NOT_FOUND) return true;
  if (status != ERROR_SUCCESS) return false;
  status = RegDeleteKeyW(where.root, path.c_str());
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

// On 64-bit Windows the registry keeps two views of the classes, one per
// bitness. Class and interface keys are per view; ProgIDs and type
// libraries (each bitness under its own win32 or win64 subkey) are shared.
// A module of each bitness may be registered at once, so removing one must
// leave the shared keys the other still uses.

// The flag that opens the view of the other bitness, or 0 when there is none
// (a 32-bit process on 32-bit Windows, where the flag would be ignored and
// open this module's own view).
REGSAM OtherViewFlag() {
  if (sizeof(void*) == 8) return KEY_WOW64_32KEY;
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64 ? KEY_WOW64_64KEY : 0;
}

// The module of the other bitness serves the control in the same scope: its
// view has the control's in-process server key, naming another module than
// this one. (Where the scope keeps one view for both bitnesses, as Wine's
// HKEY_CURRENT_USER\Software\Classes does, the key seen through the other
// view is this module's own.)
bool OtherBitnessServesControl(const ClassesRoot& where, const std::wstring& modulePath) {
  REGSAM other = OtherViewFlag();
  if (other == 0) return false;
  std::wstring path = where.prefix + std::wstring(RegistrationData::kControlServerKey);
  HKEY handle = nullptr;
  if (RegOpenKeyExW(where.root, path.c_str(), 0, KEY_READ | other, &handle) != ERROR_SUCCESS) return false;
  wchar_t server[MAX_PATH + 1] = L"";
  DWORD size = sizeof(server) - sizeof(wchar_t);
  DWORD type = 0;
  LONG status = RegQueryValueExW(handle, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(server), &size);
  RegCloseKey(handle);
  if (status != ERROR_SUCCESS || type != REG_SZ) return true;  // a server of some other kind
  return lstrcmpiW(server, modulePath.c_str()) != 0;
}

bool RemovePart(RegistryScope scope, Part part) {
  ClassesRoot where = RootOf(scope);
  bool keepShared = OtherBitnessServesControl(where, ModulePath());
  bool ok = true;
  for (const auto& removal : RegistrationData::kRemovals) {
    if (removal.part != part || (removal.shared && keepShared)) continue;
    ok = DeleteTree(where, Expand(removal.key, L"")) && ok;
  }
  return ok;
}

// The module's embedded library, when it is the one the description and the
// identifiers name.
HRESULT LoadOwnTypeLib(const std::wstring& modulePath, ComPtr<ITypeLib>& lib) {
  HRESULT hr = LoadTypeLibEx(modulePath.c_str(), REGKIND_NONE, lib.Put());
  if (FAILED(hr)) return hr;
  TLIBATTR* attr = nullptr;
  hr = lib->GetLibAttr(&attr);
  if (FAILED(hr)) return hr;
  bool ours = IsEqualGUID(attr->guid, LIBID_TzGridLib) && attr->wMajorVerNum == kTypeLibMajor &&
              attr->wMinorVerNum == kTypeLibMinor;
  lib->ReleaseTLibAttr(attr);
  return ours ? S_OK : TYPE_E_LIBNOTREGISTERED;
}

}  // namespace

bool RegisterClasses(RegistryScope scope, const std::wstring& modulePath) {
  return WritePart(scope, Part::Class, modulePath);
}

bool UnregisterClasses(RegistryScope scope) { return RemovePart(scope, Part::Class); }

HRESULT RegisterModuleTypeLib(RegistryScope scope, const std::wstring& modulePath) {
  ComPtr<ITypeLib> lib;
  HRESULT hr = LoadOwnTypeLib(modulePath, lib);
  if (FAILED(hr)) return hr;
  if (scope == RegistryScope::User) return WritePart(scope, Part::TypeLib, modulePath) ? S_OK : E_ACCESSDENIED;
  return RegisterTypeLib(lib.Get(), const_cast<OLECHAR*>(modulePath.c_str()), nullptr);
}

HRESULT UnregisterModuleTypeLib(RegistryScope scope) {
  if (scope == RegistryScope::User) return RemovePart(scope, Part::TypeLib) ? S_OK : E_ACCESSDENIED;
  // A library is registered under its own locale (1033 here) and system
  // kind, and Wine finds no registration under locale 0 for it: remove it
  // under the values the embedded library carries.
  ComPtr<ITypeLib> lib;
  HRESULT hr = LoadModuleTypeLib(lib.Put());
  if (FAILED(hr)) return hr;
  TLIBATTR* attr = nullptr;
  hr = lib->GetLibAttr(&attr);
  if (FAILED(hr)) return hr;
  LCID lcid = attr->lcid;
  SYSKIND kind = attr->syskind;
  lib->ReleaseTLibAttr(attr);
  return UnRegisterTypeLib(LIBID_TzGridLib, kTypeLibMajor, kTypeLibMinor, lcid, kind);
}

}  // namespace TzGridCom

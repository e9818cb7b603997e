#include "Registration.h"

#include "TzGridIds.h"
#include "resource.h"

namespace TzGridCom {

namespace {

std::wstring GuidText(REFGUID guid) {
  wchar_t text[64] = L"";
  StringFromGUID2(guid, text, 64);
  return text;
}

std::wstring ClassKey(REFCLSID clsid) { return L"CLSID\\" + GuidText(clsid); }

// Writes one string value (name null: the key's default value) under
// HKEY_CLASSES_ROOT, creating the key.
bool SetString(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
  HKEY handle = nullptr;
  if (RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                      &handle, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  LONG status = RegSetValueExW(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                               DWORD((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(handle);
  return status == ERROR_SUCCESS;
}

// A key with no value of its own (the "Control" marker).
bool CreateEmptyKey(const std::wstring& key) {
  HKEY handle = nullptr;
  if (RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                      &handle, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(handle);
  return true;
}

// Removes a key with everything below it; a key already gone is fine.
bool DeleteTree(const std::wstring& key) {
  LONG status = RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str());
  if (status == ERROR_FILE_NOT_FOUND) return true;
  if (status != ERROR_SUCCESS) return false;
  status = RegDeleteKeyW(HKEY_CLASSES_ROOT, key.c_str());
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

// The class key with its user type name and in-process server.
bool RegisterServerClass(REFCLSID clsid, const std::wstring& userType, const std::wstring& modulePath) {
  std::wstring key = ClassKey(clsid);
  std::wstring server = key + L"\\InprocServer32";
  return SetString(key, nullptr, userType) && SetString(server, nullptr, modulePath) &&
         SetString(server, L"ThreadingModel", L"Apartment");
}

// A ProgID both ways: the class names it, and it names the class.
bool RegisterProgId(REFCLSID clsid, const std::wstring& userType, const std::wstring& progId) {
  return SetString(ClassKey(clsid) + L"\\ProgID", nullptr, progId) && SetString(progId, nullptr, userType) &&
         SetString(progId + L"\\CLSID", nullptr, GuidText(clsid));
}

// On 64-bit Windows the registry keeps two views of HKEY_CLASSES_ROOT, one
// per bitness. Class and interface keys are per view; ProgIDs and type
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

bool KeyExists(const std::wstring& key, REGSAM view) {
  HKEY handle = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ | view, &handle) != ERROR_SUCCESS) return false;
  RegCloseKey(handle);
  return true;
}

// The module of the other bitness serves the control: its view has the
// control's in-process server key.
bool OtherBitnessServesControl() {
  REGSAM other = OtherViewFlag();
  return other != 0 && KeyExists(ClassKey(CLSID_TzGrid) + L"\\InprocServer32", other);
}

}  // namespace

bool RegisterControlClass(const std::wstring& modulePath) {
  std::wstring key = ClassKey(CLSID_TzGrid);
  std::wstring userType = LoadModuleString(IDS_TZGRID);
  if (userType.empty()) return false;
  return RegisterServerClass(CLSID_TzGrid, userType, modulePath) && RegisterProgId(CLSID_TzGrid, userType, kControlProgId) &&
         CreateEmptyKey(key + L"\\Control") &&
         SetString(key + L"\\ToolboxBitmap32", nullptr, modulePath + L", " + std::to_wstring(IDB_TZGRID)) &&
         SetString(key + L"\\MiscStatus", nullptr, L"0") &&
         SetString(key + L"\\MiscStatus\\1", nullptr, std::to_wstring(kMiscStatus)) &&
         SetString(key + L"\\TypeLib", nullptr, GuidText(LIBID_TzGridLib)) &&
         SetString(key + L"\\Version",
                   nullptr, std::to_wstring(kTypeLibMajor) + L"." + std::to_wstring(kTypeLibMinor));
}

bool RegisterPropertyPageClass(const std::wstring& modulePath) {
  std::wstring userType = LoadModuleString(IDS_TZGRID_PPG);
  if (userType.empty()) return false;
  // A property page is found by its CLSID alone (ISpecifyPropertyPages):
  // it gets no ProgID.
  return RegisterServerClass(CLSID_TzGridPropPage, userType, modulePath);
}

bool UnregisterControlClass() {
  bool classGone = DeleteTree(ClassKey(CLSID_TzGrid));
  // The ProgID is shared by both views: while the other bitness's module
  // serves the control, its hosts still create it by that name.
  if (OtherBitnessServesControl()) return classGone;
  bool progIdGone = DeleteTree(kControlProgId);
  return classGone && progIdGone;
}

// Only the class key: a ProgID of that name, if any, is not ours.
bool UnregisterPropertyPageClass() { return DeleteTree(ClassKey(CLSID_TzGridPropPage)); }

HRESULT RegisterModuleTypeLib(const std::wstring& modulePath) {
  ComPtr<ITypeLib> lib;
  HRESULT hr = LoadTypeLibEx(modulePath.c_str(), REGKIND_NONE, lib.Put());
  if (FAILED(hr)) return hr;
  // The library must be the one this module serves.
  TLIBATTR* attr = nullptr;
  hr = lib->GetLibAttr(&attr);
  if (FAILED(hr)) return hr;
  bool ours = IsEqualGUID(attr->guid, LIBID_TzGridLib) && attr->wMajorVerNum == kTypeLibMajor &&
              attr->wMinorVerNum == kTypeLibMinor;
  lib->ReleaseTLibAttr(attr);
  if (!ours) return TYPE_E_LIBNOTREGISTERED;
  return RegisterTypeLib(lib.Get(), const_cast<OLECHAR*>(modulePath.c_str()), nullptr);
}

HRESULT UnregisterModuleTypeLib() {
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

// The module's entry points: DllMain, the class factories of the control
// and of its property page, and the four exports COM and regsvr32 call.
#include "ComModule.h"
#include "GridControl.h"
#include "PropertyPage.h"
#include "Registration.h"
#include "TzGridIds.h"

namespace TzGridCom {

namespace {

// One factory per class, living as long as the module: its reference
// count does not decide anything; server locks are counted by LockServer.
template <class Object>
class ClassFactory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
      *ppv = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    Object* object = Object::Create();
    if (!object) return E_OUTOFMEMORY;
    HRESULT hr = object->QueryInterface(riid, ppv);
    object->Release();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    TzGridCom::LockServer(lock != FALSE);
    return S_OK;
  }
};

ClassFactory<GridControl> g_controlFactory;
ClassFactory<GridPropertyPage> g_pageFactory;

}  // namespace

}  // namespace TzGridCom

// The control's window class is unregistered by the platform when the
// module unloads (a static of the Win32 site).
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    TzGridCom::SetInstance(instance);
    TzGrid::Win32::SetModuleInstance(instance);
    DisableThreadLibraryCalls(instance);
  } else if (reason == DLL_PROCESS_DETACH) {
    TzGrid::AfxTermThreadState();
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (IsEqualCLSID(rclsid, TzGridCom::CLSID_TzGrid)) return TzGridCom::g_controlFactory.QueryInterface(riid, ppv);
  if (IsEqualCLSID(rclsid, TzGridCom::CLSID_TzGridPropPage)) {
    return TzGridCom::g_pageFactory.QueryInterface(riid, ppv);
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow() { return TzGridCom::CanUnload() ? S_OK : S_FALSE; }

namespace {

using TzGridCom::RegistryScope;

// Registration in a scope, in the order machine registration has always
// taken: the type library first (without it no class is written), then the
// classes.
HRESULT RegisterIn(RegistryScope scope) {
  std::wstring path = TzGridCom::ModulePath();
  if (path.empty() || FAILED(TzGridCom::RegisterModuleTypeLib(scope, path))) return SELFREG_E_TYPELIB;
  return TzGridCom::RegisterClasses(scope, path) ? S_OK : SELFREG_E_CLASS;
}

HRESULT UnregisterIn(RegistryScope scope) {
  if (FAILED(TzGridCom::UnregisterModuleTypeLib(scope))) return SELFREG_E_TYPELIB;
  return TzGridCom::UnregisterClasses(scope) ? S_OK : SELFREG_E_CLASS;
}

}  // namespace

STDAPI DllRegisterServer() { return RegisterIn(RegistryScope::Machine); }

STDAPI DllUnregisterServer() { return UnregisterIn(RegistryScope::Machine); }

// regsvr32 /n /i:user registers for the current user alone, under
// HKEY_CURRENT_USER\Software\Classes, which needs no administrator; with /u
// it removes that registration. "user" is the only command line known.
STDAPI DllInstall(BOOL install, LPCWSTR commandLine) {
  if (!commandLine || lstrcmpiW(commandLine, L"user") != 0) return E_INVALIDARG;
  return install ? RegisterIn(RegistryScope::User) : UnregisterIn(RegistryScope::User);
}

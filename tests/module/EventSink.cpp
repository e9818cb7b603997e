#include "EventSink.h"

#include "../../src/module/TzGridIds.h"

namespace ModuleTest {

HRESULT EventSink::QueryInterface(REFIID riid, void** ppv) {
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
      IsEqualIID(riid, TzGridCom::DIID_DTzGridEvents)) {
    *ppv = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

HRESULT EventSink::Invoke(DISPID dispid, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) {
  bool wellFormed = flags == DISPATCH_METHOD && params && params->cArgs == 2 && params->cNamedArgs == 0 &&
                    V_VT(&params->rgvarg[0]) == VT_I4 && V_VT(&params->rgvarg[1]) == VT_I4;
  if (!wellFormed) {
    events.push_back({dispid, -12345, -12345});
    return S_OK;
  }
  // The last argument comes first: rgvarg[1] is the row.
  events.push_back({dispid, V_I4(&params->rgvarg[1]), V_I4(&params->rgvarg[0])});
  if (onEvent) onEvent(events.back());
  return S_OK;
}

HRESULT AdviseEvents(IUnknown* control, IDispatch* sink, IConnectionPoint** point, DWORD* cookie) {
  IProvideClassInfo2* info = nullptr;
  HRESULT hr = control->QueryInterface(IID_IProvideClassInfo2, reinterpret_cast<void**>(&info));
  if (FAILED(hr)) return hr;
  GUID source{};
  hr = info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source);
  info->Release();
  if (FAILED(hr)) return hr;
  IConnectionPointContainer* container = nullptr;
  hr = control->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container));
  if (FAILED(hr)) return hr;
  hr = container->FindConnectionPoint(source, point);
  container->Release();
  if (FAILED(hr)) return hr;
  return (*point)->Advise(sink, cookie);
}

}  // namespace ModuleTest

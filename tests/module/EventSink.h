// An IDispatch sink for _DTzGridEvents that records what it receives.
#pragma once

#include <functional>

#include "HostKit.h"

namespace ModuleTest {

struct ReceivedEvent {
  DISPID dispid;
  LONG row;
  LONG column;
  bool operator==(const ReceivedEvent& other) const {
    return dispid == other.dispid && row == other.row && column == other.column;
  }
};

class EventSink final : public IDispatch {
 public:
  std::vector<ReceivedEvent> events;
  // The host's handler, run after the event is recorded.
  std::function<void(const ReceivedEvent&)> onEvent;
  LONG Refs() const { return m_ref; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(InterlockedIncrement(&m_ref)); }
  ULONG STDMETHODCALLTYPE Release() override { return ULONG(InterlockedDecrement(&m_ref)); }  // stack-owned
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                   UINT*) override;

 private:
  LONG m_ref = 1;
};

// Connects a sink to the control's default source interface, found as a
// host finds it (IProvideClassInfo2, IConnectionPointContainer).
HRESULT AdviseEvents(IUnknown* control, IDispatch* sink, IConnectionPoint** point, DWORD* cookie);

}  // namespace ModuleTest

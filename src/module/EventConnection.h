// The control's connection point for _DTzGridEvents: hosts advise an
// IDispatch sink here and receive GridCellSelected and GridCellExited.
#pragma once

#include <vector>

#include "ComModule.h"

#include "../framework/afxdisp.h"

namespace TzGridCom {

class EventConnectionPoint final : public IConnectionPoint {
 public:
  // Lives inside its container and shares the container's reference count.
  explicit EventConnectionPoint(IConnectionPointContainer& container) : m_container(container) {}
  ~EventConnectionPoint();
  EventConnectionPoint(const EventConnectionPoint&) = delete;
  EventConnectionPoint& operator=(const EventConnectionPoint&) = delete;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return m_container.AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return m_container.Release(); }

  // IConnectionPoint
  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override;
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** out) override;
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** out) override;

  // Calls every advised sink's Invoke with the event's arguments, in the
  // order the sinks were advised, and returns after the last one.
  void Fire(DISPID dispid, const TzGrid::CDispArgs& args);
  // Drops every connection (the control is going away).
  void DisconnectAll();
  std::size_t ConnectionCount() const noexcept { return m_sinks.size(); }

 private:
  struct Sink {
    DWORD cookie;
    IDispatch* dispatch;
  };
  IConnectionPointContainer& m_container;
  std::vector<Sink> m_sinks;
  DWORD m_nextCookie = 1;
};

// An enumerator over one connection point, for EnumConnectionPoints.
HRESULT CreateConnectionPointEnum(IConnectionPoint* point, IEnumConnectionPoints** out);

}  // namespace TzGridCom

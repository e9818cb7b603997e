#include "EventConnection.h"

#include "ComEnum.h"
#include "DispatchBridge.h"
#include "TzGridIds.h"

namespace TzGridCom {

namespace {

struct ConnectionTraits {
  static const IID& Iid() { return IID_IEnumConnections; }
  static void Hold(CONNECTDATA& item) { item.pUnk->AddRef(); }
  static void Drop(CONNECTDATA& item) { item.pUnk->Release(); }
  static HRESULT CopyOut(const CONNECTDATA& item, CONNECTDATA* out) {
    *out = item;
    out->pUnk->AddRef();
    return S_OK;
  }
};
using ConnectionEnum = SnapshotEnum<IEnumConnections, CONNECTDATA, ConnectionTraits>;

struct ConnectionPointTraits {
  static const IID& Iid() { return IID_IEnumConnectionPoints; }
  static void Hold(IConnectionPoint*& item) { item->AddRef(); }
  static void Drop(IConnectionPoint*& item) { item->Release(); }
  static HRESULT CopyOut(IConnectionPoint* const& item, IConnectionPoint** out) {
    *out = item;
    item->AddRef();
    return S_OK;
  }
};
using ConnectionPointEnum = SnapshotEnum<IEnumConnectionPoints, IConnectionPoint*, ConnectionPointTraits>;

}  // namespace

EventConnectionPoint::~EventConnectionPoint() { DisconnectAll(); }

HRESULT EventConnectionPoint::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IConnectionPoint)) {
    *ppv = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

HRESULT EventConnectionPoint::GetConnectionInterface(IID* iid) {
  if (!iid) return E_POINTER;
  *iid = DIID_DTzGridEvents;
  return S_OK;
}

HRESULT EventConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** out) {
  if (!out) return E_POINTER;
  *out = &m_container;
  m_container.AddRef();
  return S_OK;
}

HRESULT EventConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
  if (!cookie) return E_POINTER;
  *cookie = 0;
  if (!sink) return E_POINTER;
  // The sink implements the event interface as a dispinterface; hosts that
  // only answer IDispatch are taken as well.
  IDispatch* dispatch = nullptr;
  if (FAILED(sink->QueryInterface(DIID_DTzGridEvents, reinterpret_cast<void**>(&dispatch))) &&
      FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)))) {
    return CONNECT_E_CANNOTCONNECT;
  }
  m_sinks.push_back({m_nextCookie, dispatch});
  *cookie = m_nextCookie++;
  return S_OK;
}

HRESULT EventConnectionPoint::Unadvise(DWORD cookie) {
  for (auto it = m_sinks.begin(); it != m_sinks.end(); ++it) {
    if (it->cookie == cookie) {
      IDispatch* dispatch = it->dispatch;
      m_sinks.erase(it);
      dispatch->Release();
      return S_OK;
    }
  }
  return CONNECT_E_NOCONNECTION;
}

HRESULT EventConnectionPoint::EnumConnections(IEnumConnections** out) {
  if (!out) return E_POINTER;
  std::vector<CONNECTDATA> items;
  for (const Sink& sink : m_sinks) items.push_back({sink.dispatch, sink.cookie});
  return ConnectionEnum::Create(items, 0, out);
}

void EventConnectionPoint::Fire(DISPID dispid, const TzGrid::CDispArgs& args) {
  if (m_sinks.empty()) return;
  // DISPPARAMS carry the last argument first.
  std::vector<VARIANT> values(args.size());
  for (std::size_t i = 0; i < args.size(); ++i) ToVariant(args[i], &values[args.size() - 1 - i]);
  DISPPARAMS params = {values.empty() ? nullptr : values.data(), nullptr, UINT(values.size()), 0};

  // A handler may unadvise (or advise) while the event runs: call the sinks
  // that were connected when it was fired, each kept alive for its call.
  std::vector<IDispatch*> targets;
  for (const Sink& sink : m_sinks) {
    sink.dispatch->AddRef();
    targets.push_back(sink.dispatch);
  }
  for (IDispatch* target : targets) {
    target->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    target->Release();
  }
  for (VARIANT& value : values) VariantClear(&value);
}

void EventConnectionPoint::DisconnectAll() {
  std::vector<Sink> sinks;
  sinks.swap(m_sinks);
  for (Sink& sink : sinks) sink.dispatch->Release();
}

HRESULT CreateConnectionPointEnum(IConnectionPoint* point, IEnumConnectionPoints** out) {
  std::vector<IConnectionPoint*> items{point};
  return ConnectionPointEnum::Create(items, 0, out);
}

}  // namespace TzGridCom

// A snapshot enumerator for the IEnumXxx interfaces the module hands out
// (connection points, connections, verbs). It copies the items when made,
// so later changes of the source do not disturb an enumeration in progress.
#pragma once

#include <new>
#include <vector>

#include "ComModule.h"

namespace TzGridCom {

// Traits give the item's IID and how an item is held and handed out:
//   static const IID& Iid();
//   static void Hold(Item&);            // take a reference for the snapshot
//   static void Drop(Item&);            // release it
//   static HRESULT CopyOut(const Item&, Item* out);  // a caller-owned copy
template <class Iface, class Item, class Traits>
class SnapshotEnum final : public Iface {
 public:
  static HRESULT Create(const std::vector<Item>& items, std::size_t position, Iface** out) {
    if (!out) return E_POINTER;
    *out = new (std::nothrow) SnapshotEnum(items, position);
    return *out ? S_OK : E_OUTOFMEMORY;
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, Traits::Iid())) {
      *ppv = static_cast<Iface*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(InterlockedIncrement(&m_ref)); }
  ULONG STDMETHODCALLTYPE Release() override {
    LONG ref = InterlockedDecrement(&m_ref);
    if (ref == 0) delete this;
    return ULONG(ref);
  }

  HRESULT STDMETHODCALLTYPE Next(ULONG count, Item* out, ULONG* fetched) override {
    if (!out || (count > 1 && !fetched)) return E_POINTER;
    ULONG done = 0;
    while (done < count && m_position < m_items.size()) {
      HRESULT hr = Traits::CopyOut(m_items[m_position], &out[done]);
      if (FAILED(hr)) break;
      ++m_position;
      ++done;
    }
    if (fetched) *fetched = done;
    return done == count ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
    std::size_t left = m_items.size() - m_position;
    if (count > left) {
      m_position = m_items.size();
      return S_FALSE;
    }
    m_position += count;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    m_position = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(Iface** out) override { return Create(m_items, m_position, out); }

 private:
  SnapshotEnum(const std::vector<Item>& items, std::size_t position) : m_items(items), m_position(position) {
    for (Item& item : m_items) Traits::Hold(item);
    ObjectCreated();
  }
  ~SnapshotEnum() {
    for (Item& item : m_items) Traits::Drop(item);
    ObjectDestroyed();
  }

  LONG m_ref = 1;
  std::vector<Item> m_items;
  std::size_t m_position;
};

}  // namespace TzGridCom

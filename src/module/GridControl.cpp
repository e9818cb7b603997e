// The control object: identity, reference counting, automation, class
// information, events, persistence and property pages. The OLE embedding
// interfaces are in GridControlOle.cpp.
#include "GridControl.h"

#include <memory>
#include <new>

#include "AccessibleGrid.h"
#include "DispatchBridge.h"
#include "TzGridIds.h"
#include "resource.h"

namespace TzGridCom {

namespace {

// The size a new control asks for until its container says otherwise:
// 320 x 200 pixels at 96 dots per inch, in HIMETRIC units.
constexpr LONG kDefaultWidthHimetric = 320 * 2540 / 96;
constexpr LONG kDefaultHeightHimetric = 200 * 2540 / 96;

// The size of the persisted state in a stream: the version stamp alone.
constexpr ULONG kStreamBytes = sizeof(DWORD);

// The name the container gives the control (its ambient display name),
// or empty when it gives none.
std::wstring AmbientDisplayName(IOleClientSite* clientSite) {
  ComPtr<IDispatch> ambient;
  if (!clientSite ||
      FAILED(clientSite->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(ambient.Put())))) {
    return std::wstring();
  }
  DISPPARAMS none{};
  VARIANT name;
  ::VariantInit(&name);
  HRESULT hr = ambient->Invoke(DISPID_AMBIENT_DISPLAYNAME, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET,
                               &none, &name, nullptr, nullptr);
  std::wstring text;
  if (SUCCEEDED(hr) && name.vt == VT_BSTR && name.bstrVal) text = name.bstrVal;
  ::VariantClear(&name);
  return text;
}

}  // namespace

GridControl* GridControl::Create() {
  auto* control = new (std::nothrow) GridControl();
  if (!control) return nullptr;
  if (FAILED(control->CreateGrid())) {
    control->Release();
    return nullptr;
  }
  return control;
}

GridControl::GridControl() {
  m_extent.cx = kDefaultWidthHimetric;
  m_extent.cy = kDefaultHeightHimetric;
  ObjectCreated();
}

GridControl::~GridControl() {
  // The last messages of the window (its destruction) must not take a
  // reference to an object being deleted.
  if (m_site) m_site->SetLifetimeAnchor(nullptr);
  m_events.DisconnectAll();
  if (m_inPlaceActive) InPlaceDeactivate();
  DestroyGrid();
  ObjectDestroyed();
}

HWND GridControl::ControlHwnd() const noexcept { return m_site ? m_site->Hwnd() : nullptr; }

HRESULT GridControl::CreateGrid() {
  HWND oldWindow = ControlHwnd();
  HWND parent = oldWindow ? ::GetParent(oldWindow) : nullptr;
  bool wasVisible = oldWindow && ::IsWindowVisible(oldWindow);
  try {
    auto grid = std::make_unique<TzGrid::CTzGridCtrl>();
    auto site = std::make_unique<TzGrid::Win32::Win32ControlSite>(*grid);
    m_retired.reserve(m_retired.size() + 1);
    // A handler of the old grid may still be running (the host reloads the
    // control from an event): it is kept until that handler returns.
    if (m_busy > 0) {
      RetireGrid();
    } else {
      DestroyGrid();
    }
    m_grid = std::move(grid);
    m_site = std::move(site);
    m_site->SetLifetimeAnchor(this);
    ConnectSiteHooks();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (const TzGrid::CException&) {
    return E_FAIL;
  }
  // A grid replaced while in place keeps its place in the container.
  if (parent) {
    if (!m_site->CreateControlWindow(parent, m_posRect)) return E_FAIL;
    if (wasVisible) ::ShowWindow(ControlHwnd(), SW_SHOWNA);
  }
  return S_OK;
}

namespace {

// The window goes first (its messages still reach the grid), then the grid
// loses its site, so that the grid's destructor runs without one.
void Dispose(std::unique_ptr<TzGrid::CTzGridCtrl>& grid, std::unique_ptr<TzGrid::Win32::Win32ControlSite>& site) {
  if (site) site->DestroyControlWindow();
  if (grid) grid->SetSite(nullptr);
  site.reset();
  grid.reset();
}

}  // namespace

void GridControl::DestroyGrid() { Dispose(m_grid, m_site); }

void GridControl::RetireGrid() {
  if (!m_grid && !m_site) return;
  // Its window goes now, so that the new grid's window takes its place;
  // the objects stay until the running handlers have returned.
  if (m_site) m_site->DestroyControlWindow();
  m_retired.push_back(GridAndSite{std::move(m_grid), std::move(m_site)});
}

void GridControl::HoldForMessage() {
  AddRef();
  ++m_busy;
}

void GridControl::ReleaseAfterMessage() {
  if (--m_busy == 0 && !m_retired.empty()) {
    std::vector<GridAndSite> retired;
    retired.swap(m_retired);
    for (GridAndSite& old : retired) Dispose(old.grid, old.site);
  }
  Release();  // may delete this: nothing follows
}

void GridControl::ConnectSiteHooks() {
  // A grid that has been replaced may still finish a handler: what it
  // fires or reports no longer speaks for this control.
  TzGrid::Win32::Win32ControlSite* site = m_site.get();
  m_site->onFireEvent = [this, site](TzGrid::DISPID dispid, const TzGrid::CDispArgs& args) {
    if (site == m_site.get()) FireEvent(DISPID(dispid), args);
  };
  m_site->onFocus = [this, site]() {
    if (site == m_site.get()) OnGridFocus();
  };
  m_site->onModified = [this, site]() {
    if (site == m_site.get()) OnGridModified();
  };
  // The bridge lives as long as the site's hook: it goes with the site,
  // before the grid, and cuts the screen readers' link as it goes.
  auto access = std::make_shared<AccessBridge>(*m_grid, *m_site, [this, site]() {
    return site == m_site.get() ? AmbientDisplayName(m_clientSite.Get()) : std::wstring();
  });
  m_site->onAccessMessage = [access](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    return access->OnMessage(hwnd, message, wParam, lParam, result);
  };
}

void GridControl::FireEvent(DISPID dispid, const TzGrid::CDispArgs& args) {
  // A container freezes events while it cannot take them; they are dropped.
  if (m_freezeEvents > 0) return;
  TzGrid::Win32::CMessageHold hold(this);
  m_events.Fire(dispid, args);
}

void GridControl::OnGridModified() {
  // The persisted state is the version stamp alone, so the picture a
  // container caches does not depend on it; IsDirty answers from the grid.
}

// ---- IUnknown

HRESULT GridControl::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, DIID_DTzGrid)) {
    *ppv = static_cast<IDispatch*>(this);
  } else if (IsEqualIID(riid, IID_IProvideClassInfo) || IsEqualIID(riid, IID_IProvideClassInfo2)) {
    *ppv = static_cast<IProvideClassInfo2*>(this);
  } else if (IsEqualIID(riid, IID_IConnectionPointContainer)) {
    *ppv = static_cast<IConnectionPointContainer*>(this);
  } else if (IsEqualIID(riid, IID_IOleObject)) {
    *ppv = static_cast<IOleObject*>(this);
  } else if (IsEqualIID(riid, IID_IOleWindow) || IsEqualIID(riid, IID_IOleInPlaceObject)) {
    *ppv = static_cast<IOleInPlaceObject*>(this);
  } else if (IsEqualIID(riid, IID_IOleInPlaceActiveObject)) {
    *ppv = static_cast<IOleInPlaceActiveObject*>(this);
  } else if (IsEqualIID(riid, IID_IOleControl)) {
    *ppv = static_cast<IOleControl*>(this);
  } else if (IsEqualIID(riid, IID_IViewObject) || IsEqualIID(riid, IID_IViewObject2)) {
    *ppv = static_cast<IViewObject2*>(this);
  } else if (IsEqualIID(riid, IID_IPersist) || IsEqualIID(riid, IID_IPersistStreamInit) ||
             IsEqualIID(riid, IID_IPersistStream)) {
    // IPersistStream's methods are the first slots of IPersistStreamInit.
    *ppv = static_cast<IPersistStreamInit*>(this);
  } else if (IsEqualIID(riid, IID_IPersistPropertyBag)) {
    *ppv = static_cast<IPersistPropertyBag*>(this);
  } else if (IsEqualIID(riid, IID_IPersistStorage)) {
    *ppv = static_cast<IPersistStorage*>(this);
  } else if (IsEqualIID(riid, IID_ISpecifyPropertyPages)) {
    *ppv = static_cast<ISpecifyPropertyPages*>(this);
  } else {
    TraceUnknownInterface(L"control", riid);
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG GridControl::AddRef() { return ULONG(InterlockedIncrement(&m_ref)); }

ULONG GridControl::Release() {
  LONG ref = InterlockedDecrement(&m_ref);
  if (ref == 0) delete this;
  return ULONG(ref);
}

// ---- IDispatch

HRESULT GridControl::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 1;
  return S_OK;
}

HRESULT GridControl::GetTypeInfo(UINT index, LCID, ITypeInfo** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  if (!m_dispatchInfo) {
    HRESULT hr = LoadModuleTypeInfo(DIID_DTzGrid, m_dispatchInfo.Put());
    if (FAILED(hr)) return hr;
  }
  *out = m_dispatchInfo.Get();
  (*out)->AddRef();
  return S_OK;
}

HRESULT GridControl::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  return GetGridDispIds(names, count, ids);
}

HRESULT GridControl::Invoke(DISPID dispid, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                            EXCEPINFO* excepInfo, UINT* argErr) {
  if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  if (!m_grid) return E_UNEXPECTED;
  // A member may run a modal loop (AboutBox) or fire events whose handlers
  // release the host's references or reload the control: this object and
  // the grid the member runs on stay alive until the call returns.
  TzGrid::Win32::CMessageHold hold(this);
  return InvokeGridMember(*m_grid, dispid, flags, params, result, excepInfo, argErr);
}

// ---- IProvideClassInfo2

HRESULT GridControl::GetClassInfo(ITypeInfo** out) { return LoadModuleTypeInfo(CLSID_TzGrid, out); }

HRESULT GridControl::GetGUID(DWORD kind, GUID* out) {
  if (!out) return E_POINTER;
  if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) {
    *out = GUID_NULL;
    return E_INVALIDARG;
  }
  *out = DIID_DTzGridEvents;
  return S_OK;
}

// ---- IConnectionPointContainer

HRESULT GridControl::EnumConnectionPoints(IEnumConnectionPoints** out) {
  return CreateConnectionPointEnum(&m_events, out);
}

HRESULT GridControl::FindConnectionPoint(REFIID riid, IConnectionPoint** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!IsEqualIID(riid, DIID_DTzGridEvents)) return CONNECT_E_NOCONNECTION;
  *out = &m_events;
  m_events.AddRef();
  return S_OK;
}

// ---- persistence: the version stamp alone

HRESULT GridControl::GetClassID(CLSID* out) {
  if (!out) return E_POINTER;
  *out = CLSID_TzGrid;
  return S_OK;
}

HRESULT GridControl::IsDirty() { return m_grid && m_grid->IsModified() ? S_OK : S_FALSE; }

HRESULT GridControl::LoadVersion(DWORD version) {
  // Nothing of the grid is persisted: a loaded control is a new grid that
  // remembers the version it was saved with.
  HRESULT hr = CreateGrid();
  if (FAILED(hr)) return hr;
  m_grid->SetVersionLoaded(version);
  m_grid->SetModifiedFlag(FALSE);
  return S_OK;
}

HRESULT GridControl::Load(LPSTREAM stream) {
  if (!stream) return E_POINTER;
  DWORD version = 0;
  ULONG read = 0;
  HRESULT hr = stream->Read(&version, kStreamBytes, &read);
  if (FAILED(hr)) return hr;
  if (read != kStreamBytes) return STG_E_READFAULT;
  return LoadVersion(version);
}

HRESULT GridControl::Save(LPSTREAM stream, BOOL clearDirty) {
  if (!stream) return E_POINTER;
  DWORD version = kPersistVersion;
  ULONG written = 0;
  HRESULT hr = stream->Write(&version, kStreamBytes, &written);
  if (FAILED(hr)) return hr;
  if (written != kStreamBytes) return STG_E_WRITEFAULT;
  if (clearDirty && m_grid) m_grid->SetModifiedFlag(FALSE);
  return S_OK;
}

HRESULT GridControl::GetSizeMax(ULARGE_INTEGER* size) {
  if (!size) return E_POINTER;
  size->QuadPart = kStreamBytes;
  return S_OK;
}

HRESULT GridControl::InitNew() {
  if (!m_grid) return E_UNEXPECTED;
  // A new document: the framework's stock state is reset; the grid keeps
  // the state it was constructed with.
  m_grid->OnResetState();
  m_grid->SetVersionLoaded(kPersistVersion);
  m_grid->SetModifiedFlag(FALSE);
  return S_OK;
}

HRESULT GridControl::Load(IPropertyBag* bag, IErrorLog* log) {
  if (!bag) return E_POINTER;
  DWORD version = kPersistVersion;
  VARIANT value;
  VariantInit(&value);
  V_VT(&value) = VT_I4;
  if (SUCCEEDED(bag->Read(L"_Version", &value, log))) {
    VARIANT number;
    VariantInit(&number);
    if (SUCCEEDED(VariantChangeType(&number, &value, 0, VT_UI4))) version = V_UI4(&number);
  }
  VariantClear(&value);
  return LoadVersion(version);
}

HRESULT GridControl::Save(IPropertyBag* bag, BOOL clearDirty, BOOL) {
  if (!bag) return E_POINTER;
  VARIANT value;
  VariantInit(&value);
  V_VT(&value) = VT_I4;
  V_I4(&value) = LONG(kPersistVersion);
  HRESULT hr = bag->Write(L"_Version", &value);
  if (FAILED(hr)) return hr;
  if (clearDirty && m_grid) m_grid->SetModifiedFlag(FALSE);
  return S_OK;
}

// An OLE document container keeps the control in a storage of its own:
// the same four bytes, in a stream named "Contents".
constexpr const wchar_t* kContentsStream = L"Contents";

HRESULT GridControl::InitNew(IStorage* storage) {
  if (!storage) return E_POINTER;
  return InitNew();
}

HRESULT GridControl::Load(IStorage* storage) {
  if (!storage) return E_POINTER;
  ComPtr<IStream> stream;
  HRESULT hr = storage->OpenStream(kContentsStream, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, stream.Put());
  if (FAILED(hr)) return hr;
  return Load(stream.Get());
}

HRESULT GridControl::Save(IStorage* storage, BOOL) {
  if (!storage) return E_POINTER;
  ComPtr<IStream> stream;
  HRESULT hr = storage->CreateStream(kContentsStream, STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0,
                                     stream.Put());
  if (FAILED(hr)) return hr;
  return Save(stream.Get(), FALSE);
}

HRESULT GridControl::SaveCompleted(IStorage*) {
  if (m_grid) m_grid->SetModifiedFlag(FALSE);
  return S_OK;
}

HRESULT GridControl::HandsOffStorage() { return S_OK; }  // no storage is held

// ---- ISpecifyPropertyPages

HRESULT GridControl::GetPages(CAUUID* pages) {
  if (!pages) return E_POINTER;
  pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID)));
  if (!pages->pElems) {
    pages->cElems = 0;
    return E_OUTOFMEMORY;
  }
  pages->cElems = 1;
  pages->pElems[0] = CLSID_TzGridPropPage;
  return S_OK;
}

HRESULT GridControl::ShowPropertyFrame(HWND parent) {
  // A container that shows property frames itself is asked first.
  ComPtr<IOleControlSite> controlSite;
  if (m_clientSite &&
      SUCCEEDED(m_clientSite->QueryInterface(IID_IOleControlSite, reinterpret_cast<void**>(controlSite.Put()))) &&
      controlSite->ShowPropertyFrame() == S_OK) {
    return S_OK;
  }
  if (!parent && ControlHwnd()) parent = ::GetParent(ControlHwnd());
  IUnknown* self = static_cast<IDispatch*>(this);
  CLSID page = CLSID_TzGridPropPage;
  std::wstring caption = LoadModuleString(IDS_TZGRID);
  return OleCreatePropertyFrame(parent, 0, 0, caption.c_str(), 1, &self, 1, &page, LOCALE_USER_DEFAULT, 0, nullptr);
}

}  // namespace TzGridCom

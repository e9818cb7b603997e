#include "OleContainer.h"

namespace TzGridHost {

SIZEL PixelsToHimetric(LONG cx, LONG cy) {
  HDC screen = GetDC(nullptr);
  int dpiX = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
  int dpiY = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen) ReleaseDC(nullptr, screen);
  return SIZEL{MulDiv(cx, 2540, dpiX), MulDiv(cy, 2540, dpiY)};
}

HRESULT OleContainer::Create(HWND hostWindow, const RECT& rect, const wchar_t* progId, OleContainer** out) {
  if (!out || !progId || !hostWindow) return E_POINTER;
  *out = nullptr;
  CLSID clsid;
  HRESULT hr = CLSIDFromString(progId, &clsid);
  if (FAILED(hr)) hr = CLSIDFromProgID(progId, &clsid);
  if (FAILED(hr)) return hr;
  auto* site = new OleContainer(hostWindow, rect);
  hr = site->Embed(clsid);
  if (FAILED(hr)) {
    site->Close();
    site->Release();
    return hr;
  }
  *out = site;
  return S_OK;
}

OleContainer::~OleContainer() { Close(); }

HRESULT OleContainer::Embed(REFCLSID clsid) {
  HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                reinterpret_cast<void**>(&m_control));
  if (FAILED(hr)) return hr;
  DWORD misc = 0;
  m_control->GetMiscStatus(DVASPECT_CONTENT, &misc);
  if (misc & OLEMISC_SETCLIENTSITEFIRST) m_control->SetClientSite(this);

  IPersistStreamInit* persist = nullptr;
  if (SUCCEEDED(m_control->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&persist)))) {
    hr = persist->InitNew();
    persist->Release();
    if (FAILED(hr)) return hr;
  }
  if (!(misc & OLEMISC_SETCLIENTSITEFIRST)) m_control->SetClientSite(this);
  m_control->SetHostNames(L"TzGridHost", nullptr);
  SIZEL extent = PixelsToHimetric(m_rect.right - m_rect.left, m_rect.bottom - m_rect.top);
  m_control->SetExtent(DVASPECT_CONTENT, &extent);
  return m_control->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, this, 0, m_host, &m_rect);
}

HWND OleContainer::ControlWindow() const {
  if (!m_control) return nullptr;
  IOleInPlaceObject* inPlace = nullptr;
  HWND hwnd = nullptr;
  if (SUCCEEDED(m_control->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace)))) {
    if (FAILED(inPlace->GetWindow(&hwnd))) hwnd = nullptr;
    inPlace->Release();
  }
  return hwnd;
}

void OleContainer::SetRect(const RECT& rect) {
  m_rect = rect;
  if (!m_control) return;
  SIZEL extent = PixelsToHimetric(rect.right - rect.left, rect.bottom - rect.top);
  m_control->SetExtent(DVASPECT_CONTENT, &extent);
  IOleInPlaceObject* inPlace = nullptr;
  if (m_inPlace &&
      SUCCEEDED(m_control->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace)))) {
    inPlace->SetObjectRects(&m_rect, &m_rect);
    inPlace->Release();
  }
}

HRESULT OleContainer::UiActivate() {
  if (!m_control) return E_UNEXPECTED;
  return m_control->DoVerb(OLEIVERB_UIACTIVATE, nullptr, this, 0, m_host, &m_rect);
}

bool OleContainer::OfferAccelerator(MSG* msg) {
  return m_activeObject && m_activeObject->TranslateAccelerator(msg) == S_OK;
}

void OleContainer::Close() {
  if (m_activeObject) {
    m_activeObject->Release();
    m_activeObject = nullptr;
  }
  if (!m_control) return;
  IOleObject* control = m_control;
  m_control = nullptr;
  IOleInPlaceObject* inPlace = nullptr;
  if (SUCCEEDED(control->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace)))) {
    inPlace->InPlaceDeactivate();
    inPlace->Release();
  }
  control->Close(OLECLOSE_NOSAVE);
  control->SetClientSite(nullptr);
  control->Release();
}

// ---- IUnknown

HRESULT OleContainer::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleClientSite)) {
    *ppv = static_cast<IOleClientSite*>(this);
  } else if (IsEqualIID(riid, IID_IOleWindow) || IsEqualIID(riid, IID_IOleInPlaceSite)) {
    *ppv = static_cast<IOleInPlaceSite*>(this);
  } else if (IsEqualIID(riid, IID_IOleInPlaceUIWindow) || IsEqualIID(riid, IID_IOleInPlaceFrame)) {
    *ppv = static_cast<IOleInPlaceFrame*>(this);
  } else if (IsEqualIID(riid, IID_IOleControlSite)) {
    *ppv = static_cast<IOleControlSite*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG OleContainer::AddRef() { return ULONG(InterlockedIncrement(&m_ref)); }

ULONG OleContainer::Release() {
  LONG ref = InterlockedDecrement(&m_ref);
  if (ref == 0) delete this;
  return ULONG(ref);
}

// ---- IOleClientSite

HRESULT OleContainer::SaveObject() { return S_OK; }
HRESULT OleContainer::GetMoniker(DWORD, DWORD, IMoniker** out) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}
HRESULT OleContainer::GetContainer(IOleContainer** out) {
  if (out) *out = nullptr;
  return E_NOINTERFACE;
}
HRESULT OleContainer::ShowObject() { return S_OK; }
HRESULT OleContainer::OnShowWindow(BOOL) { return S_OK; }
HRESULT OleContainer::RequestNewObjectLayout() { return E_NOTIMPL; }

// ---- IOleWindow

HRESULT OleContainer::GetWindow(HWND* out) {
  if (!out) return E_POINTER;
  *out = m_host;
  return S_OK;
}
HRESULT OleContainer::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

// ---- IOleInPlaceSite

HRESULT OleContainer::CanInPlaceActivate() { return S_OK; }
HRESULT OleContainer::OnInPlaceActivate() {
  m_inPlace = true;
  ++m_inPlaceActivations;
  return S_OK;
}
HRESULT OleContainer::OnUIActivate() {
  ++m_uiActivations;
  return S_OK;
}

HRESULT OleContainer::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT pos,
                                       LPRECT clip, LPOLEINPLACEFRAMEINFO info) {
  if (!frame || !document || !pos || !clip || !info) return E_POINTER;
  *frame = static_cast<IOleInPlaceFrame*>(this);
  AddRef();
  *document = nullptr;
  *pos = m_rect;
  *clip = m_rect;
  info->fMDIApp = FALSE;
  info->hwndFrame = m_host;
  info->haccel = nullptr;
  info->cAccelEntries = 0;
  return S_OK;
}

HRESULT OleContainer::Scroll(SIZE) { return E_NOTIMPL; }
HRESULT OleContainer::OnUIDeactivate(BOOL) { return S_OK; }
HRESULT OleContainer::OnInPlaceDeactivate() {
  m_inPlace = false;
  return S_OK;
}
HRESULT OleContainer::DiscardUndoState() { return E_NOTIMPL; }
HRESULT OleContainer::DeactivateAndUndo() { return E_NOTIMPL; }
HRESULT OleContainer::OnPosRectChange(LPCRECT pos) {
  if (pos) SetRect(*pos);
  return S_OK;
}

// ---- IOleInPlaceFrame

HRESULT OleContainer::GetBorder(LPRECT) { return INPLACE_E_NOTOOLSPACE; }
HRESULT OleContainer::RequestBorderSpace(LPCBORDERWIDTHS) { return INPLACE_E_NOTOOLSPACE; }
HRESULT OleContainer::SetBorderSpace(LPCBORDERWIDTHS widths) { return widths ? INPLACE_E_NOTOOLSPACE : S_OK; }

HRESULT OleContainer::SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) {
  if (object) object->AddRef();
  if (m_activeObject) m_activeObject->Release();
  m_activeObject = object;
  return S_OK;
}

HRESULT OleContainer::InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) { return E_NOTIMPL; }
HRESULT OleContainer::SetMenu(HMENU, HOLEMENU, HWND) { return S_OK; }
HRESULT OleContainer::RemoveMenus(HMENU) { return E_NOTIMPL; }
HRESULT OleContainer::SetStatusText(LPCOLESTR) { return S_OK; }
HRESULT OleContainer::EnableModeless(BOOL) { return S_OK; }
HRESULT OleContainer::TranslateAccelerator(LPMSG, WORD) { return S_FALSE; }

// ---- IOleControlSite

HRESULT OleContainer::OnControlInfoChanged() { return S_OK; }
HRESULT OleContainer::LockInPlaceActive(BOOL) { return S_OK; }
HRESULT OleContainer::GetExtendedControl(IDispatch** out) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}
HRESULT OleContainer::TransformCoords(POINTL*, POINTF*, DWORD) { return E_NOTIMPL; }
HRESULT OleContainer::TranslateAccelerator(MSG*, DWORD) { return S_FALSE; }
HRESULT OleContainer::OnFocus(BOOL) { return S_OK; }
HRESULT OleContainer::ShowPropertyFrame() { return E_NOTIMPL; }

}  // namespace TzGridHost

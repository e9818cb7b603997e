// The control's OLE embedding: the client site, verbs and in-place
// activation (the window is made through the container's in-place site),
// keyboard routing of the active object, view drawing and extents.
#include <new>

#include "ComEnum.h"
#include "GridControl.h"
#include "TzGridIds.h"
#include "resource.h"

namespace TzGridCom {

namespace {

// The verbs the control offers on a container's menu: its property page.
const OLEVERB kVerbs[] = {
    {OLEIVERB_PROPERTIES, const_cast<LPOLESTR>(L"&Properties..."), 0, OLEVERBATTRIB_ONCONTAINERMENU},
};

struct VerbTraits {
  static const IID& Iid() { return IID_IEnumOLEVERB; }
  static void Hold(OLEVERB&) {}
  static void Drop(OLEVERB&) {}
  static HRESULT CopyOut(const OLEVERB& item, OLEVERB* out) {
    *out = item;
    out->lpszVerbName = CoTaskMemString(item.lpszVerbName);
    return out->lpszVerbName ? S_OK : E_OUTOFMEMORY;
  }
};
using VerbEnum = SnapshotEnum<IEnumOLEVERB, OLEVERB, VerbTraits>;

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace

// ---- IOleObject

HRESULT GridControl::SetClientSite(IOleClientSite* site) {
  if (!site && m_inPlaceActive) InPlaceDeactivate();
  m_clientSite.Reset(site);
  return S_OK;
}

HRESULT GridControl::GetClientSite(IOleClientSite** out) {
  if (!out) return E_POINTER;
  *out = m_clientSite.Get();
  if (*out) (*out)->AddRef();
  return S_OK;
}

HRESULT GridControl::SetHostNames(LPCOLESTR, LPCOLESTR) { return S_OK; }

HRESULT GridControl::Close(DWORD saveOption) {
  AddRef();  // the container may drop its references while we notify it
  InPlaceDeactivate();
  bool mayAsk = saveOption == OLECLOSE_SAVEIFDIRTY || saveOption == OLECLOSE_PROMPTSAVE;
  if (mayAsk && m_clientSite && IsDirty() == S_OK) m_clientSite->SaveObject();
  if (m_adviseHolder) m_adviseHolder->SendOnClose();
  Release();
  return S_OK;
}

HRESULT GridControl::SetMoniker(DWORD, IMoniker*) { return E_NOTIMPL; }

HRESULT GridControl::GetMoniker(DWORD, DWORD, IMoniker** out) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}

HRESULT GridControl::InitFromData(IDataObject*, BOOL, DWORD) { return E_NOTIMPL; }

HRESULT GridControl::GetClipboardData(DWORD, IDataObject** out) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}

HRESULT GridControl::DoVerb(LONG verb, LPMSG, IOleClientSite* activeSite, LONG, HWND parent, LPCRECT) {
  if (!m_clientSite && activeSite) m_clientSite.Reset(activeSite);
  switch (verb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_UIACTIVATE:
      return ActivateInPlace(true);
    case OLEIVERB_SHOW:
    case OLEIVERB_INPLACEACTIVATE:
      return ActivateInPlace(false);
    case OLEIVERB_HIDE:
      UIDeactivate();
      if (ControlHwnd()) ::ShowWindow(ControlHwnd(), SW_HIDE);
      return S_OK;
    case OLEIVERB_PROPERTIES:
      return ShowPropertyFrame(parent);
    default:
      break;
  }
  if (verb > 0) {
    // An unknown verb of the object's own range: do the primary verb.
    HRESULT hr = ActivateInPlace(true);
    return FAILED(hr) ? hr : OLEOBJ_S_INVALIDVERB;
  }
  // OLEIVERB_OPEN and the rest: the control only works in place.
  return E_NOTIMPL;
}

HRESULT GridControl::EnumVerbs(IEnumOLEVERB** out) {
  std::vector<OLEVERB> verbs(std::begin(kVerbs), std::end(kVerbs));
  return VerbEnum::Create(verbs, 0, out);
}

HRESULT GridControl::Update() { return S_OK; }
HRESULT GridControl::IsUpToDate() { return S_OK; }

HRESULT GridControl::GetUserClassID(CLSID* out) {
  if (!out) return E_POINTER;
  *out = CLSID_TzGrid;
  return S_OK;
}

HRESULT GridControl::GetUserType(DWORD, LPOLESTR* out) {
  if (!out) return E_POINTER;
  *out = CoTaskMemString(LoadModuleString(IDS_TZGRID));
  return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT GridControl::SetExtent(DWORD aspect, SIZEL* size) {
  if (!size) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (size->cx < 0 || size->cy < 0) return E_INVALIDARG;
  m_extent = *size;
  return S_OK;
}

HRESULT GridControl::GetExtent(DWORD aspect, SIZEL* size) {
  if (!size) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  *size = m_extent;
  return S_OK;
}

HRESULT GridControl::Advise(IAdviseSink* sink, DWORD* cookie) {
  if (!cookie) return E_POINTER;
  *cookie = 0;
  if (!m_adviseHolder) {
    HRESULT hr = CreateOleAdviseHolder(m_adviseHolder.Put());
    if (FAILED(hr)) return hr;
  }
  return m_adviseHolder->Advise(sink, cookie);
}

HRESULT GridControl::Unadvise(DWORD cookie) {
  if (!m_adviseHolder) return OLE_E_NOCONNECTION;
  return m_adviseHolder->Unadvise(cookie);
}

HRESULT GridControl::EnumAdvise(IEnumSTATDATA** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!m_adviseHolder) return S_OK;  // no connections: no enumerator
  return m_adviseHolder->EnumAdvise(out);
}

HRESULT GridControl::GetMiscStatus(DWORD, DWORD* status) {
  if (!status) return E_POINTER;
  *status = kMiscStatus;
  return S_OK;
}

HRESULT GridControl::SetColorScheme(LOGPALETTE*) { return E_NOTIMPL; }

// ---- in-place activation

HRESULT GridControl::ActivateInPlace(bool uiActivate) {
  if (!m_clientSite) return E_UNEXPECTED;
  if (!m_inPlaceActive) {
    ComPtr<IOleInPlaceSite> site;
    HRESULT hr = m_clientSite->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(site.Put()));
    if (FAILED(hr)) return hr;
    if (site->CanInPlaceActivate() != S_OK) return E_FAIL;
    hr = site->OnInPlaceActivate();
    if (FAILED(hr)) return hr;
    m_inPlaceSite.Reset(site.Get());
    m_inPlaceActive = true;

    HWND parent = nullptr;
    RECT pos{}, clip{};
    OLEINPLACEFRAMEINFO frameInfo{};
    frameInfo.cb = sizeof(frameInfo);
    IOleInPlaceFrame* frame = nullptr;
    IOleInPlaceUIWindow* document = nullptr;
    HRESULT hrWindow = site->GetWindow(&parent);
    HRESULT hrContext = site->GetWindowContext(&frame, &document, &pos, &clip, &frameInfo);
    m_frame.Attach(frame);
    m_uiWindow.Attach(document);
    if (FAILED(hrWindow) || FAILED(hrContext) || !parent) {
      InPlaceDeactivate();
      return E_FAIL;
    }
    m_posRect = pos;
    if (!m_site->CreateControlWindow(parent, pos)) {
      InPlaceDeactivate();
      return E_FAIL;
    }
    ApplyClip(pos, clip);
    ::ShowWindow(ControlHwnd(), SW_SHOWNA);
  }
  if (uiActivate) {
    HRESULT hr = ActivateUi();
    if (FAILED(hr)) return hr;
  }
  m_clientSite->ShowObject();
  return S_OK;
}

HRESULT GridControl::ActivateUi() {
  if (m_uiActive) return S_OK;
  if (!m_inPlaceActive || !m_inPlaceSite) return E_UNEXPECTED;
  // Marked first: taking the focus below reports back through OnGridFocus.
  m_uiActive = true;
  m_inPlaceSite->OnUIActivate();
  HWND hwnd = ControlHwnd();
  HWND focus = ::GetFocus();
  if (hwnd && focus != hwnd && !::IsChild(hwnd, focus)) ::SetFocus(hwnd);
  std::wstring name = LoadModuleString(IDS_TZGRID);
  auto* active = static_cast<IOleInPlaceActiveObject*>(this);
  if (m_frame) {
    m_frame->SetActiveObject(active, name.c_str());
    m_frame->SetBorderSpace(nullptr);
  }
  if (m_uiWindow) {
    m_uiWindow->SetActiveObject(active, name.c_str());
    m_uiWindow->SetBorderSpace(nullptr);
  }
  return S_OK;
}

void GridControl::OnGridFocus() {
  if (m_inPlaceActive && !m_uiActive) ActivateUi();
  ComPtr<IOleControlSite> controlSite;
  if (m_clientSite &&
      SUCCEEDED(m_clientSite->QueryInterface(IID_IOleControlSite, reinterpret_cast<void**>(controlSite.Put())))) {
    controlSite->OnFocus(TRUE);
  }
}

void GridControl::ApplyClip(const RECT& pos, const RECT& clip) {
  HWND hwnd = ControlHwnd();
  if (!hwnd) return;
  RECT visible{};
  if (!::IntersectRect(&visible, &pos, &clip)) visible = RECT{pos.left, pos.top, pos.left, pos.top};
  if (SameRect(visible, pos)) {
    ::SetWindowRgn(hwnd, nullptr, TRUE);
    return;
  }
  // Only the part inside the container's clip rectangle may show.
  HRGN region = ::CreateRectRgn(visible.left - pos.left, visible.top - pos.top, visible.right - pos.left,
                                visible.bottom - pos.top);
  if (region && !::SetWindowRgn(hwnd, region, TRUE)) ::DeleteObject(region);
}

// ---- IOleWindow

HRESULT GridControl::GetWindow(HWND* out) {
  if (!out) return E_POINTER;
  *out = ControlHwnd();
  return *out ? S_OK : E_FAIL;
}

HRESULT GridControl::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

// ---- IOleInPlaceObject

HRESULT GridControl::InPlaceDeactivate() {
  if (!m_inPlaceActive) return S_OK;
  UIDeactivate();
  m_inPlaceActive = false;
  if (m_site) m_site->DestroyControlWindow();
  ComPtr<IOleInPlaceSite> site;
  site.Reset(m_inPlaceSite.Get());
  m_inPlaceSite.Reset();
  m_frame.Reset();
  m_uiWindow.Reset();
  if (site) site->OnInPlaceDeactivate();
  return S_OK;
}

HRESULT GridControl::UIDeactivate() {
  if (!m_uiActive) return S_OK;
  m_uiActive = false;
  if (m_uiWindow) m_uiWindow->SetActiveObject(nullptr, nullptr);
  if (m_frame) m_frame->SetActiveObject(nullptr, nullptr);
  if (m_inPlaceSite) m_inPlaceSite->OnUIDeactivate(FALSE);
  return S_OK;
}

HRESULT GridControl::SetObjectRects(LPCRECT posRect, LPCRECT clipRect) {
  if (!posRect) return E_POINTER;
  m_posRect = *posRect;
  if (ControlHwnd()) {
    m_site->SetWindowRect(*posRect);
    ApplyClip(*posRect, clipRect ? *clipRect : *posRect);
  }
  return S_OK;
}

HRESULT GridControl::ReactivateAndUndo() { return INPLACE_E_NOTUNDOABLE; }

// ---- IOleInPlaceActiveObject

HRESULT GridControl::TranslateAccelerator(LPMSG msg) {
  if (!msg) return E_POINTER;
  HWND hwnd = ControlHwnd();
  if (!hwnd || !m_grid) return S_FALSE;
  // Only keys meant for the grid or its editor are the grid's to take.
  if (msg->hwnd != hwnd && !::IsChild(hwnd, msg->hwnd)) return S_FALSE;
  // Seen here, the key is the container's to route: the window it would
  // be dispatched to must not pre-translate it a second time.
  TzGrid::Win32::ForgetQueuedTab();
  TzGrid::Win32::CMessageHold hold(this);
  TzGrid::MSG message;
  message.hwnd = msg->hwnd;
  message.message = msg->message;
  message.wParam = msg->wParam;
  message.lParam = msg->lParam;
  try {
    return m_grid->PreTranslateMessage(&message) ? S_OK : S_FALSE;
  } catch (const TzGrid::CException&) {
    return S_FALSE;
  }
}

HRESULT GridControl::OnFrameWindowActivate(BOOL) { return S_OK; }
HRESULT GridControl::OnDocWindowActivate(BOOL) { return S_OK; }
HRESULT GridControl::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) { return S_OK; }
HRESULT GridControl::EnableModeless(BOOL) { return S_OK; }

// ---- IOleControl

HRESULT GridControl::GetControlInfo(CONTROLINFO* info) {
  if (!info) return E_POINTER;
  // No mnemonics and no accelerators of its own.
  info->hAccel = nullptr;
  info->cAccel = 0;
  info->dwFlags = 0;
  return S_OK;
}

HRESULT GridControl::OnMnemonic(MSG*) { return S_OK; }
HRESULT GridControl::OnAmbientPropertyChange(DISPID) { return S_OK; }

HRESULT GridControl::FreezeEvents(BOOL freeze) {
  if (freeze) {
    ++m_freezeEvents;
  } else if (m_freezeEvents > 0) {
    --m_freezeEvents;
  }
  return S_OK;
}

// ---- IViewObject2

HRESULT GridControl::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC drawDc, LPCRECTL bounds, LPCRECTL,
                          BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!drawDc || !bounds) return E_INVALIDARG;
  if (!m_grid) return E_UNEXPECTED;
  // The grid paints from its own origin: the caller's bounds (a control's
  // place on a printed form, say) become that origin for the call.
  TzGrid::CRect rect(0, 0, int(bounds->right - bounds->left), int(bounds->bottom - bounds->top));
  POINT callersOrigin{};
  ::OffsetWindowOrgEx(drawDc, -int(bounds->left), -int(bounds->top), &callersOrigin);
  HRESULT hr = DrawContent(drawDc, rect);
  ::SetWindowOrgEx(drawDc, callersOrigin.x, callersOrigin.y, nullptr);
  return hr;
}

HRESULT GridControl::DrawContent(HDC drawDc, const TzGrid::CRect& rect) {
  // A printer or a metafile gets the picture drawn straight, without the
  // off-screen bitmap the screen uses.
  bool printing = ::GetDeviceCaps(drawDc, TECHNOLOGY) != DT_RASDISPLAY;
  try {
    std::unique_ptr<TzGrid::CDC> dc = TzGrid::Win32::WrapHdc(drawDc, printing);
    m_grid->OnDraw(dc.get(), rect, rect);
  } catch (const TzGrid::CNotImplementedException&) {
    return E_NOTIMPL;
  } catch (const TzGrid::CException&) {
    return E_FAIL;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

HRESULT GridControl::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** colours) {
  if (!colours) return E_POINTER;
  *colours = nullptr;
  return S_FALSE;  // no particular palette
}

HRESULT GridControl::Freeze(DWORD, LONG, void*, DWORD* freezeCookie) {
  if (freezeCookie) *freezeCookie = 0;
  return E_NOTIMPL;
}

HRESULT GridControl::Unfreeze(DWORD) { return E_NOTIMPL; }

HRESULT GridControl::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) {
  m_viewSink.Reset(sink);
  m_viewAspects = aspects;
  m_viewAdviseFlags = flags;
  if (sink && (flags & ADVF_PRIMEFIRST)) sink->OnViewChange(DVASPECT_CONTENT, -1);
  return S_OK;
}

HRESULT GridControl::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
  if (aspects) *aspects = m_viewAspects;
  if (flags) *flags = m_viewAdviseFlags;
  if (sink) {
    *sink = m_viewSink.Get();
    if (*sink) (*sink)->AddRef();
  }
  return S_OK;
}

HRESULT GridControl::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) {
  return GetExtent(aspect, size);
}

}  // namespace TzGridCom

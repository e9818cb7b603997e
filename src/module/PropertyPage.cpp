#include "PropertyPage.h"

#include <new>

#include "TzGridIds.h"
#include "resource.h"

namespace TzGridCom {

GridPropertyPage* GridPropertyPage::Create() { return new (std::nothrow) GridPropertyPage(); }

GridPropertyPage::GridPropertyPage() { ObjectCreated(); }

GridPropertyPage::~GridPropertyPage() {
  if (m_dialog) ::DestroyWindow(m_dialog);
  ReleaseObjects();
  ObjectDestroyed();
}

void GridPropertyPage::ReleaseObjects() {
  for (IUnknown* object : m_objects) object->Release();
  m_objects.clear();
}

HRESULT GridPropertyPage::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IPropertyPage)) {
    *ppv = static_cast<IPropertyPage*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  TraceUnknownInterface(L"property page", riid);
  return E_NOINTERFACE;
}

ULONG GridPropertyPage::AddRef() { return ULONG(InterlockedIncrement(&m_ref)); }

ULONG GridPropertyPage::Release() {
  LONG ref = InterlockedDecrement(&m_ref);
  if (ref == 0) delete this;
  return ULONG(ref);
}

INT_PTR CALLBACK GridPropertyPage::DialogProc(HWND, UINT message, WPARAM, LPARAM) {
  // The page has no controls to initialise or to answer.
  return message == WM_INITDIALOG ? TRUE : FALSE;
}

HRESULT GridPropertyPage::SetPageSite(IPropertyPageSite* site) {
  m_site.Reset(site);
  return S_OK;
}

HRESULT GridPropertyPage::Activate(HWND parent, LPCRECT rect, BOOL) {
  if (m_dialog) return E_UNEXPECTED;
  m_dialog = ::CreateDialogParamW(Instance(), MAKEINTRESOURCEW(IDD_PROPPAGE_TZGRID), parent, DialogProc, 0);
  if (!m_dialog) return HRESULT_FROM_WIN32(::GetLastError());
  if (rect) Move(rect);
  return S_OK;
}

HRESULT GridPropertyPage::Deactivate() {
  if (!m_dialog) return E_UNEXPECTED;
  ::DestroyWindow(m_dialog);
  m_dialog = nullptr;
  return S_OK;
}

HRESULT GridPropertyPage::GetPageInfo(PROPPAGEINFO* info) {
  if (!info) return E_POINTER;
  // The page's size in pixels comes from its dialog template, laid out
  // once with the dialog's own font, hidden.
  HWND probe = ::CreateDialogParamW(Instance(), MAKEINTRESOURCEW(IDD_PROPPAGE_TZGRID), ::GetDesktopWindow(),
                                    DialogProc, 0);
  if (!probe) return E_FAIL;
  RECT client{};
  ::GetClientRect(probe, &client);
  ::DestroyWindow(probe);

  info->cb = sizeof(PROPPAGEINFO);
  info->pszTitle = CoTaskMemString(LoadModuleString(IDS_TZGRID_PPG_CAPTION));
  info->size.cx = client.right - client.left;
  info->size.cy = client.bottom - client.top;
  info->pszDocString = nullptr;
  info->pszHelpFile = nullptr;
  info->dwHelpContext = 0;
  return info->pszTitle ? S_OK : E_OUTOFMEMORY;
}

HRESULT GridPropertyPage::SetObjects(ULONG count, IUnknown** objects) {
  if (count && !objects) return E_POINTER;
  ReleaseObjects();
  for (ULONG i = 0; i < count; ++i) {
    if (!objects[i]) continue;
    objects[i]->AddRef();
    m_objects.push_back(objects[i]);
  }
  return S_OK;
}

HRESULT GridPropertyPage::Show(UINT cmdShow) {
  if (!m_dialog) return E_UNEXPECTED;
  ::ShowWindow(m_dialog, int(cmdShow));
  return S_OK;
}

HRESULT GridPropertyPage::Move(LPCRECT rect) {
  if (!rect) return E_POINTER;
  if (!m_dialog) return E_UNEXPECTED;
  ::MoveWindow(m_dialog, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, TRUE);
  return S_OK;
}

// Nothing on the page can change, so there is never anything to apply.
HRESULT GridPropertyPage::IsPageDirty() { return S_FALSE; }
HRESULT GridPropertyPage::Apply() { return S_OK; }
HRESULT GridPropertyPage::Help(LPCOLESTR) { return E_NOTIMPL; }

HRESULT GridPropertyPage::TranslateAccelerator(MSG* msg) {
  if (!msg) return E_POINTER;
  return m_dialog && ::IsDialogMessageW(m_dialog, msg) ? S_OK : S_FALSE;
}

}  // namespace TzGridCom

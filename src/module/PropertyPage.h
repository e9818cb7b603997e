// The control's property page "General" (dialog 200): a placeholder page
// with no property bound to it, shown in a property frame.
#pragma once

#include <vector>

#include "ComModule.h"

namespace TzGridCom {

class GridPropertyPage final : public IPropertyPage {
 public:
  static GridPropertyPage* Create();

  GridPropertyPage(const GridPropertyPage&) = delete;
  GridPropertyPage& operator=(const GridPropertyPage&) = delete;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IPropertyPage
  HRESULT STDMETHODCALLTYPE SetPageSite(IPropertyPageSite* site) override;
  HRESULT STDMETHODCALLTYPE Activate(HWND parent, LPCRECT rect, BOOL modal) override;
  HRESULT STDMETHODCALLTYPE Deactivate() override;
  HRESULT STDMETHODCALLTYPE GetPageInfo(PROPPAGEINFO* info) override;
  HRESULT STDMETHODCALLTYPE SetObjects(ULONG count, IUnknown** objects) override;
  HRESULT STDMETHODCALLTYPE Show(UINT cmdShow) override;
  HRESULT STDMETHODCALLTYPE Move(LPCRECT rect) override;
  HRESULT STDMETHODCALLTYPE IsPageDirty() override;
  HRESULT STDMETHODCALLTYPE Apply() override;
  HRESULT STDMETHODCALLTYPE Help(LPCOLESTR helpDir) override;
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG* msg) override;

 private:
  GridPropertyPage();
  ~GridPropertyPage();
  void ReleaseObjects();
  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

  LONG m_ref = 1;
  ComPtr<IPropertyPageSite> m_site;
  std::vector<IUnknown*> m_objects;
  HWND m_dialog = nullptr;
};

}  // namespace TzGridCom

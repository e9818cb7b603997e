// A minimal OLE control container: one client site that embeds one ActiveX
// control in a window of the host and activates it in place (client site,
// in-place site, in-place frame, control site). The demo host and the Wine
// test hosts embed TzGrid through it.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <ole2.h>
#include <olectl.h>
#include <ocidl.h>

namespace TzGridHost {

class OleContainer final : public IOleClientSite,
                           public IOleInPlaceSite,
                           public IOleInPlaceFrame,
                           public IOleControlSite {
 public:
  // Creates the control named by progId (or a CLSID string), gives it this
  // site and activates it in place at rect of hostWindow's client area.
  static HRESULT Create(HWND hostWindow, const RECT& rect, const wchar_t* progId, OleContainer** out);

  OleContainer(const OleContainer&) = delete;
  OleContainer& operator=(const OleContainer&) = delete;

  // The control (one reference of the container's own; AddRef to keep it).
  IOleObject* Control() const noexcept { return m_control; }
  // The control's window after in-place activation, or null.
  HWND ControlWindow() const;
  // Moves and sizes the control (client coordinates of the host window).
  void SetRect(const RECT& rect);
  // UI-activates the control (it takes the keyboard focus).
  HRESULT UiActivate();
  // Offers a message to the active control's accelerator translation;
  // true when the control took it.
  bool OfferAccelerator(MSG* msg);
  // Deactivates, closes and releases the control. The site stays alive
  // until its last reference goes.
  void Close();
  // How often the control told the site about activation steps.
  int InPlaceActivations() const noexcept { return m_inPlaceActivations; }
  int UiActivations() const noexcept { return m_uiActivations; }
  bool HasActiveObject() const noexcept { return m_activeObject != nullptr; }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IOleClientSite
  HRESULT STDMETHODCALLTYPE SaveObject() override;
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD assign, DWORD which, IMoniker** out) override;
  HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** out) override;
  HRESULT STDMETHODCALLTYPE ShowObject() override;
  HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL show) override;
  HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override;

  // IOleWindow (site and frame)
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* out) override;
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL enterMode) override;

  // IOleInPlaceSite
  HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override;
  HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override;
  HRESULT STDMETHODCALLTYPE OnUIActivate() override;
  HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT pos,
                                             LPRECT clip, LPOLEINPLACEFRAMEINFO info) override;
  HRESULT STDMETHODCALLTYPE Scroll(SIZE extent) override;
  HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL undoable) override;
  HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override;
  HRESULT STDMETHODCALLTYPE DiscardUndoState() override;
  HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override;
  HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT pos) override;

  // IOleInPlaceUIWindow / IOleInPlaceFrame
  HRESULT STDMETHODCALLTYPE GetBorder(LPRECT border) override;
  HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS widths) override;
  HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS widths) override;
  HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR name) override;
  HRESULT STDMETHODCALLTYPE InsertMenus(HMENU shared, LPOLEMENUGROUPWIDTHS widths) override;
  HRESULT STDMETHODCALLTYPE SetMenu(HMENU shared, HOLEMENU oleMenu, HWND activeObject) override;
  HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU shared) override;
  HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR text) override;
  HRESULT STDMETHODCALLTYPE EnableModeless(BOOL enable) override;
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG msg, WORD id) override;

  // IOleControlSite
  HRESULT STDMETHODCALLTYPE OnControlInfoChanged() override;
  HRESULT STDMETHODCALLTYPE LockInPlaceActive(BOOL lock) override;
  HRESULT STDMETHODCALLTYPE GetExtendedControl(IDispatch** out) override;
  HRESULT STDMETHODCALLTYPE TransformCoords(POINTL* himetric, POINTF* container, DWORD flags) override;
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG* msg, DWORD modifiers) override;
  HRESULT STDMETHODCALLTYPE OnFocus(BOOL gotFocus) override;
  HRESULT STDMETHODCALLTYPE ShowPropertyFrame() override;

 private:
  OleContainer(HWND hostWindow, const RECT& rect) : m_host(hostWindow), m_rect(rect) {}
  ~OleContainer();
  HRESULT Embed(REFCLSID clsid);

  LONG m_ref = 1;
  HWND m_host;
  RECT m_rect;
  IOleObject* m_control = nullptr;
  IOleInPlaceActiveObject* m_activeObject = nullptr;
  bool m_inPlace = false;
  int m_inPlaceActivations = 0;
  int m_uiActivations = 0;
};

// Pixels to HIMETRIC for the screen (SetExtent).
SIZEL PixelsToHimetric(LONG cx, LONG cy);

}  // namespace TzGridHost

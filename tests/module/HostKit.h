// Shared pieces of the module's Wine test host: checks that count failures,
// Automation calls by member name, message pumping, host windows, an event
// sink and the control embedded in either container.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <ole2.h>
#include <olectl.h>
#include <ocidl.h>
#include <wrl/client.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace TzGridHost {
class OleContainer;
}

namespace ModuleTest {

using Microsoft::WRL::ComPtr;

// Records one check; prints failures with where they happened.
bool Check(bool ok, const std::string& what, const char* file, int line);
int Failures();

std::string Narrow(const std::wstring& text);
std::string Hex(long value);

#define CHECK(cond) ::ModuleTest::Check(static_cast<bool>(cond), #cond, __FILE__, __LINE__)
#define CHECK_HR(expr, expected) ::ModuleTest::CheckHr((expr), HRESULT(expected), #expr, #expected, __FILE__, __LINE__)
bool CheckHr(HRESULT got, HRESULT expected, const char* call, const char* expectedName, const char* file, int line);

// The interface T of an object, or empty.
template <class T>
ComPtr<T> Query(IUnknown* object) {
  ComPtr<T> p;
  if (object) object->QueryInterface(__uuidof(T), &p);
  return p;
}

// IUnknown for the host's own objects of interface I (and of also, when
// given). One reference is the maker's: an object on the stack is never
// released by its maker, one on the heap goes at its last release.
template <class I>
class Object : public I {
 public:
  explicit Object(const IID& also = __uuidof(I)) : m_also(also) {}
  virtual ~Object() = default;
  LONG Refs() const { return m_ref; }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    bool known = IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, __uuidof(I)) || IsEqualIID(riid, m_also);
    *out = known ? static_cast<I*>(this) : nullptr;
    if (known) AddRef();
    return known ? S_OK : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(InterlockedIncrement(&m_ref)); }
  ULONG STDMETHODCALLTYPE Release() override {
    LONG left = InterlockedDecrement(&m_ref);
    if (left == 0) delete this;
    return ULONG(left);
  }

 private:
  LONG m_ref = 1;
  IID m_also;
};

// An IDispatch of the host's own that answers by DISPID alone.
class Dispatch : public Object<IDispatch> {
 public:
  using Object::Object;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
};

// Every byte zero (a DECIMAL's reserved word included), so that the same
// steps always make the same values.
VARIANT Blank(VARTYPE vt);
// Arguments for Call: VT_I4, VT_BSTR (owned by the vector's user: cleared by Call).
VARIANT Long(LONG value);
VARIANT Text(const wchar_t* value);

// Everything Invoke answered.
struct Answer {
  HRESULT hr;
  UINT argErr;
  SCODE scode;
  WORD wCode;
  std::wstring source, description;
};
// Invokes id with arguments in DISPPARAMS order (the last one first),
// cleared after. Without named arguments given, a put carries
// DISPID_PROPERTYPUT. The result, when asked for, is cleared by the caller.
Answer Ask(IDispatch* object, DISPID id, WORD flags, std::vector<VARIANT> reversedArgs,
           std::optional<std::vector<DISPID>> given = std::nullopt, VARIANT* result = nullptr);
// Calls a member by name, arguments first first. The result is cleared by
// the caller (VariantClear).
HRESULT Call(IDispatch* object, const wchar_t* name, std::vector<VARIANT> args, VARIANT* result = nullptr,
             WORD flags = DISPATCH_METHOD | DISPATCH_PROPERTYGET);
HRESULT Put(IDispatch* object, const wchar_t* name, VARIANT value);
// A member's result as a long (after coercion); check failures as -99999.
LONG CallLong(IDispatch* object, const wchar_t* name, std::vector<VARIANT> args = {});
std::wstring CallText(IDispatch* object, const wchar_t* name, std::vector<VARIANT> args = {});

// A new windowless control by its class.
ComPtr<IDispatch> NewGrid();

// Dispatches the thread's messages for about ms milliseconds.
void Pump(DWORD ms);
// A visible top-level window of a plain class for hosting controls.
HWND CreateHostWindow(const wchar_t* title, int width, int height);

// The grid's in-place editor window, or null before the first edit.
HWND FindEditor(HWND grid);
bool EditorShown(HWND grid);
// A press and release of the left button at a client point, posted.
void PostClick(HWND window, int x, int y, UINT down = WM_LBUTTONDOWN);
// A key's press and release posted to the window with the focus, the
// lParam as the keyboard makes it: repeat 1, scan code.
void PostKey(WORD key);
// Puts exactly these bytes on the clipboard as CF_UNICODETEXT, as another
// program may: nothing is added, a terminator included.
bool OfferBlock(const void* bytes, std::size_t size);

// A control's state saved through IPersistStreamInit (empty when it cannot
// be), and a load of it from its start.
ComPtr<IStream> SavedState(IUnknown* control);
HRESULT LoadState(IUnknown* control, IStream* state);

// DllCanUnloadNow of the loaded TzGrid.ocx (E_FAIL when it is not loaded).
HRESULT ModuleCanUnloadNow();

inline constexpr const wchar_t* kProgId = L"TZGRID.TzGridCtrl.1";

struct ReceivedEvent {
  DISPID dispid;  // 1 GridCellSelected, 2 GridCellExited
  LONG row, column;
  bool operator==(const ReceivedEvent& o) const { return dispid == o.dispid && row == o.row && column == o.column; }
};
std::string Describe(const std::vector<ReceivedEvent>& events);

// A sink for _DTzGridEvents that records what it receives.
class EventSink final : public Dispatch {
 public:
  EventSink();
  std::vector<ReceivedEvent> events;
  // The host's handler, run after the event is recorded.
  std::function<void(const ReceivedEvent&)> onEvent;
  // The events since the last call were want; prints them when not.
  bool Received(const std::vector<ReceivedEvent>& want);
  HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                   UINT*) override;
};

// Connects a sink to the control's default source interface, found as a
// host finds it (IProvideClassInfo2, IConnectionPointContainer).
HRESULT AdviseEvents(IUnknown* control, IDispatch* sink, IConnectionPoint** point, DWORD* cookie);

enum class Container {
  Own,  // ours: UI-active, it offers every message to TranslateAccelerator
  Atl,  // Wine's ATL host, which never pre-translates
};

// The control embedded in a container with a sink advised; torn down when
// it goes.
struct Hosted {
  Hosted(Container kind, HWND parent, const RECT& rect);
  Hosted(const Hosted&) = delete;
  ~Hosted();
  bool ok() const { return grid && point; }
  // Runs the container's message loop: each message is offered to the
  // active object's accelerator translation first; counts those it takes.
  void Pump(DWORD ms);
  // Puts the focus on a cell with the grid's window holding the keyboard
  // focus and no edit showing; or types a letter there, which opens the
  // editor over it with the focus.
  void FocusCell(LONG row, LONG column);
  void StartEdit(LONG row, LONG column);
  // Lets go of everything the host holds, the ATL host window included,
  // without unadvising: what a host tearing itself down in a handler does.
  void Abandon();

  const Container kind;
  EventSink sink;  // declared first, gone last: outlives the control's hold
  TzGridHost::OleContainer* site = nullptr;
  HWND ax = nullptr;
  IUnknown* control = nullptr;
  IDispatch* grid = nullptr;
  HWND window = nullptr;
  IConnectionPoint* point = nullptr;
  DWORD cookie = 0;
  int translated = 0;
};

}  // namespace ModuleTest

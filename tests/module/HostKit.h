// Shared pieces of the module's Wine test host: checks that count failures,
// Automation calls by member name, message pumping and host windows.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <ole2.h>
#include <olectl.h>
#include <ocidl.h>

#include <string>
#include <vector>

namespace TzGridHost {
class OleContainer;
}

namespace ModuleTest {

// Records one check; prints failures with where they happened.
bool Check(bool ok, const char* what, const char* file, int line);
int Failures();

std::string Narrow(const std::wstring& text);
std::string Hex(long value);

#define CHECK(cond) ::ModuleTest::Check((cond), #cond, __FILE__, __LINE__)
#define CHECK_HR(expr, expected)                                                                            \
  do {                                                                                                      \
    HRESULT hr_ = (expr);                                                                                   \
    ::ModuleTest::Check(hr_ == HRESULT(expected),                                                           \
                        (std::string(#expr) + " gave " + ::ModuleTest::Hex(hr_) + ", expected " #expected) \
                            .c_str(),                                                                       \
                        __FILE__, __LINE__);                                                                \
  } while (0)

// Arguments for Call: VT_I4, VT_BSTR (owned by the vector's user: cleared by Call).
VARIANT Long(LONG value);
VARIANT Text(const wchar_t* value);

// Calls a member by name, arguments first first. The result is cleared by
// the caller (VariantClear). excep, when given, receives the exception info.
HRESULT Call(IDispatch* object, const wchar_t* name, std::vector<VARIANT> args, VARIANT* result = nullptr,
             WORD flags = DISPATCH_METHOD | DISPATCH_PROPERTYGET, EXCEPINFO* excep = nullptr);
HRESULT Put(IDispatch* object, const wchar_t* name, VARIANT value);
// A member's result as a long (after coercion); check failures as -99999.
LONG CallLong(IDispatch* object, const wchar_t* name, std::vector<VARIANT> args = {});
std::wstring CallText(IDispatch* object, const wchar_t* name, std::vector<VARIANT> args = {});

// Dispatches the thread's messages for about ms milliseconds.
void Pump(DWORD ms);
// A visible top-level window of a plain class for hosting controls.
HWND CreateHostWindow(const wchar_t* title, int width, int height);

// A container's message loop for about ms milliseconds: each message is
// offered to the active object's accelerator translation before it is
// dispatched. Returns how many messages the control took.
int PumpThroughContainer(TzGridHost::OleContainer* site, DWORD ms);

// The grid's in-place editor window, or null before the first edit.
HWND FindEditor(HWND grid);

// The control embedded in Wine's ATL host window, a container that never
// pre-translates keys: the host window, the control and its window.
struct AtlEmbedding {
  HWND ax = nullptr;
  IUnknown* control = nullptr;  // one reference, the caller's
  HWND grid = nullptr;
};
// Embeds a new control at rect of parent; false (with checks failed) when
// it cannot.
bool EmbedInAtl(HWND parent, const RECT& rect, AtlEmbedding& out);

// DllCanUnloadNow of the loaded TzGrid.ocx (E_FAIL when it is not loaded).
HRESULT ModuleCanUnloadNow();

inline constexpr const wchar_t* kProgId = L"TZGRID.TzGridCtrl.1";

}  // namespace ModuleTest

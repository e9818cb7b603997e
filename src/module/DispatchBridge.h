// The bridge between COM Automation (VARIANT, DISPPARAMS, EXCEPINFO) and the
// control's portable automation entry (CDispArg, CTzGridCtrl::Invoke).
#pragma once

#include "ComModule.h"

#include "../automation/DispatchMap.h"

namespace TzGridCom {

// The value of a portable argument or result as a VARIANT (VT_EMPTY for none).
HRESULT ToVariant(const TzGrid::CDispArg& value, VARIANT* out);

// IDispatch::Invoke of the grid: converts the arguments (last first in
// DISPPARAMS) to the member's parameter types as an Automation server
// coerces them, calls the member and converts its result back.
// Arguments that cannot be read are refused before the member is called:
// DISPPARAMS whose counts exceed its arrays (DISP_E_BADPARAMCOUNT, or
// DISP_E_PARAMNOTFOUND for missing named DISPIDs); a by-reference argument
// with a null pointer, a VT_BYREF|VT_VARIANT to another one (chains and
// self-references), records, interfaces and nested arrays where numbers are
// wanted (DISP_E_TYPEMISMATCH with *argErr the argument's index). Any
// failure inside the member comes back as DISP_E_EXCEPTION with the
// EXCEPINFO's scode and description filled; running out of memory has the
// scode CTL_E_OUTOFMEMORY, the control error scripts show as error 7.
HRESULT InvokeGridMember(TzGrid::CTzGridCtrl& ctrl, DISPID dispid, WORD flags, DISPPARAMS* params, VARIANT* result,
                         EXCEPINFO* excepInfo, UINT* argErr);

// IDispatch::GetIDsOfNames of the grid: the member first, then its
// parameters by name (their DISPIDs are their positions).
HRESULT GetGridDispIds(LPOLESTR* names, UINT count, DISPID* ids);

// Fills an EXCEPINFO the way the grid reports a failed call.
void FillExcepInfo(EXCEPINFO* info, HRESULT scode, const std::wstring& description);

}  // namespace TzGridCom

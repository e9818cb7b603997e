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
// coerces them, calls the member and converts its result back. A failure
// inside the member comes back as DISP_E_EXCEPTION with the EXCEPINFO filled.
HRESULT InvokeGridMember(TzGrid::CTzGridCtrl& ctrl, DISPID dispid, WORD flags, DISPPARAMS* params, VARIANT* result,
                         EXCEPINFO* excepInfo, UINT* argErr);

// IDispatch::GetIDsOfNames of the grid: the member first, then its
// parameters by name (their DISPIDs are their positions).
HRESULT GetGridDispIds(LPOLESTR* names, UINT count, DISPID* ids);

// Fills an EXCEPINFO the way the grid reports a failed call.
void FillExcepInfo(EXCEPINFO* info, HRESULT scode, const std::wstring& description);

}  // namespace TzGridCom

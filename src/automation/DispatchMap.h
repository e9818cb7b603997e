// The control's automation interface as data: the dispatch map of _DTzGrid
// and the event map of _DTzGridEvents. The type library, the IDispatch
// bridge of the module and the tests all read these tables.
#pragma once

#include <array>
#include <vector>

#include "../model/TzGridCtrl.h"

namespace TzGrid {

enum class DispKind { Method, Property };

struct DispParamInfo {
  VARTYPE vt;        // VT_I4, VT_BSTR, VT_BYREF | VT_I4, ...
  const char* name;  // the type library's parameter name
};

struct DispEntry {
  DISPID dispid;
  const char* name;
  DispKind kind;
  VARTYPE vtResult;  // VT_VOID for none; for a property, its type
  int cParams;
  std::array<DispParamInfo, 5> params;
  bool hasHelpString;  // "method X" / "property X" in the type library
  // Method call or property get; arguments are checked against params first.
  CDispArg (*invoke)(CTzGridCtrl& ctrl, CDispArgSpan args);
  // Property put; null for methods.
  void (*put)(CTzGridCtrl& ctrl, const CDispArg& value);
};

struct EventEntry {
  DISPID dispid;
  const char* name;
  int cParams;
  std::array<DispParamInfo, 2> params;
};

// In the order of the interface table, which is also the dispatch map order.
const std::vector<DispEntry>& GetDispatchMap();
const std::vector<EventEntry>& GetEventMap();
const DispEntry* FindDispEntry(DISPID dispid);
const DispEntry* FindDispEntry(std::u16string_view name);  // case-insensitive, as IDispatch names are

}  // namespace TzGrid

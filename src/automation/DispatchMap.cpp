// The dispatch map of _DTzGrid, the event map of _DTzGridEvents, and the
// call frame every automation call goes through.
#include "DispatchMap.h"

#include <cctype>

namespace TzGrid {

namespace {

constexpr VARTYPE I2 = VT_I2, I4 = VT_I4, UI2 = VT_UI2, UI4 = VT_UI4, BSTR_ = VT_BSTR, BOOL_ = VT_BOOL,
                  VOID_ = VT_VOID, PI4 = VT_BYREF | VT_I4, PBSTR = VT_BYREF | VT_BSTR;

LONG L(CDispArgSpan a, int i) { return LONG(a[std::size_t(i)].Integer()); }
short S(CDispArgSpan a, int i) { return short(a[std::size_t(i)].Integer()); }
USHORT US(CDispArgSpan a, int i) { return USHORT(a[std::size_t(i)].Integer()); }
ULONG32 UL(CDispArgSpan a, int i) { return ULONG32(a[std::size_t(i)].Integer()); }
CString Str(CDispArgSpan a, int i) { return CString(a[std::size_t(i)].String()); }

CDispArg None() { return CDispArg(); }
CDispArg Short(short v) { return CDispArg::I2(v); }
CDispArg Long(LONG v) { return CDispArg::I4(v); }
CDispArg Bool(VARIANT_BOOL v) { return CDispArg::Bool(v != 0); }

using P = DispParamInfo;
constexpr DispKind M = DispKind::Method;
constexpr DispKind PR = DispKind::Property;

const std::vector<DispEntry> kDispatchMap = {
    {DISPID_ABOUTBOX, "AboutBox", M, VOID_, 0, {}, false,
     [](CTzGridCtrl& c, CDispArgSpan) { c.AboutBox(); return None(); }, nullptr},
    {1, "Columns", PR, I4, 0, {}, true, [](CTzGridCtrl& c, CDispArgSpan) { return Long(c.GetColumns()); },
     [](CTzGridCtrl& c, const CDispArg& v) { c.SetColumns(LONG(v.Integer())); }},
    {2, "Rows", PR, I4, 0, {}, true, [](CTzGridCtrl& c, CDispArgSpan) { return Long(c.GetRows()); },
     [](CTzGridCtrl& c, const CDispArg& v) { c.SetRows(LONG(v.Integer())); }},
    {3, "FixedRows", PR, I4, 0, {}, true, [](CTzGridCtrl& c, CDispArgSpan) { return Long(c.GetFixedRows()); },
     [](CTzGridCtrl& c, const CDispArg& v) { c.SetFixedRows(LONG(v.Integer())); }},
    {4, "FixedColumns", PR, I4, 0, {}, true,
     [](CTzGridCtrl& c, CDispArgSpan) { return Long(c.GetFixedColumns()); },
     [](CTzGridCtrl& c, const CDispArg& v) { c.SetFixedColumns(LONG(v.Integer())); }},
    {5, "SetColumnWidth", M, I2, 2, {P{I4, "Column"}, P{I4, "Width"}}, true,
     [](CTzGridCtrl& c, CDispArgSpan a) { return Short(c.SetColumnWidth(L(a, 0), L(a, 1))); }, nullptr},
    {6, "SetRowHeight", M, I2, 2, {P{I4, "Row"}, P{I4, "Height"}}, true,
     [](CTzGridCtrl& c, CDispArgSpan a) { return Short(c.SetRowHeight(L(a, 0), L(a, 1))); }, nullptr},
    {7, "SetCellText", M, VOID_, 3, {P{I4, "Row"}, P{I4, "Column"}, P{BSTR_, "TextData"}}, true,
     [](CTzGridCtrl& c, CDispArgSpan a) {
       c.WriteCellText(L(a, 0), L(a, 1), a[2].String());
       return None();
     },
     nullptr},
    {8, "SetItemBackColor", M, VOID_, 3, {P{I4, "Row"}, P{I4, "Column"}, P{I4, "Colour"}}, true,
     [](CTzGridCtrl& c, CDispArgSpan a) { c.SetItemBackColor(L(a, 0), L(a, 1), L(a, 2)); return None(); },
     nullptr},
    {9, "SetNumColumns", M, I2, 1, {P{I4, "Columns"}}, true,
     [](CTzGridCtrl& c, CDispArgSpan a) { return Short(c.SetNumColumns(L(a, 0))); }, nullptr},
    {10, "SetNumRows", M, I2, 1, {P{I4, "Rows"}}, true,
     [](CTzGridCtrl& c, CDispArgSpan a) { return Short(c.SetNumRows(L(a, 0))); }, nullptr},
    {11, "GetCellText", M, BSTR_, 2, {P{I4, "Row"}, P{I4, "Column"}}, true,
     [](CTzGridCtrl& c, CDispArgSpan a) {
       return CDispArg::TakeBstr(c.GetCellText(L(a, 0), L(a, 1)));
     },
     nullptr},
    {12, "SetGridBackColor", M, VOID_, 1, {P{I4, "Colour"}}, true,
     [](CTzGridCtrl& c, CDispArgSpan a) { c.SetGridBackColor(L(a, 0)); return None(); }, nullptr},
    {13, "SetCellReadOnlyFlag", M, VOID_, 2, {P{I4, "Row"}, P{I4, "Column"}}, true,
     [](CTzGridCtrl& c, CDispArgSpan a) { c.SetCellReadOnlyFlag(L(a, 0), L(a, 1)); return None(); }, nullptr},
    {14, "GetNumRows", M, I4, 0, {}, true, [](CTzGridCtrl& c, CDispArgSpan) { return Long(c.GetRows()); },
     nullptr},
    {15, "SetFocusedCell", M, VOID_, 2, {P{I4, "Row"}, P{I4, "Column"}}, true,
     [](CTzGridCtrl& c, CDispArgSpan a) { c.SetFocusedCell(L(a, 0), L(a, 1)); return None(); }, nullptr},
    {16, "SetCellJustification", M, BOOL_, 3, {P{I4, "Row"}, P{I4, "Column"}, P{I2, "nJustification"}}, true,
     [](CTzGridCtrl& c, CDispArgSpan a) { return Bool(c.SetCellJustification(L(a, 0), L(a, 1), S(a, 2))); },
     nullptr},
    {17, "SetNumFixedRows", M, I2, 1, {P{I4, "Rows"}}, true,
     [](CTzGridCtrl& c, CDispArgSpan a) { return Short(c.SetNumFixedRows(L(a, 0))); }, nullptr},
    {18, "SetShowFilterRow", M, VOID_, 1, {P{UI2, "Toggle"}}, true,
     [](CTzGridCtrl& c, CDispArgSpan) { c.DoNothing(); return None(); }, nullptr},
    {19, "SetCellHeaderFlag", M, VOID_, 3, {P{I4, "Row"}, P{I4, "Column"}, P{UI2, "Flag"}}, true,
     [](CTzGridCtrl& c, CDispArgSpan a) { c.SetCellHeaderFlag(L(a, 0), L(a, 1), US(a, 2)); return None(); },
     nullptr},
    {DISPID_REFRESH, "Refresh", M, VOID_, 0, {}, true,
     [](CTzGridCtrl& c, CDispArgSpan) { c.Refresh(); return None(); }, nullptr},
    {20, "PasteFromClipboard", M, VOID_, 0, {}, true,
     [](CTzGridCtrl& c, CDispArgSpan) { c.PasteFromClipboard(); return None(); }, nullptr},
    {21, "CopyToClipboard", M, VOID_, 0, {}, true,
     [](CTzGridCtrl& c, CDispArgSpan) { c.CopyToClipboard(); return None(); }, nullptr},
    {22, "ExportData", M, I2, 5,
     {P{UI4, "StartColumn"}, P{UI4, "EndColumn"}, P{UI4, "StartRow"}, P{UI4, "EndRow"}, P{UI2, "ExportType"}}, true,
     [](CTzGridCtrl& c, CDispArgSpan a) {
       return Short(c.ExportData(UL(a, 0), UL(a, 1), UL(a, 2), UL(a, 3), US(a, 4)));
     },
     nullptr},
    {23, "GetCurrentRow", M, I4, 0, {}, true, [](CTzGridCtrl& c, CDispArgSpan) { return Long(c.GetCurrentRow()); },
     nullptr},
    {24, "GetCurrentColumn", M, I4, 0, {}, true,
     [](CTzGridCtrl& c, CDispArgSpan) { return Long(c.GetCurrentColumn()); }, nullptr},
    {25, "SetNumFixedColumns", M, I4, 1, {P{I4, "lColumns"}}, true,
     [](CTzGridCtrl& c, CDispArgSpan a) { return Long(c.SetNumFixedColumns(L(a, 0))); }, nullptr},
    {26, "SetDefaultColumnWidth", M, I4, 1, {P{I4, "lColumn"}}, true,
     [](CTzGridCtrl& c, CDispArgSpan a) { return Long(c.SetDefaultColumnWidth(L(a, 0))); }, nullptr},
    {27, "GetCellSortState", M, UI2, 2, {P{I4, "Row"}, P{I4, "Column"}}, true,
     [](CTzGridCtrl& c, CDispArgSpan a) { return CDispArg::UI2(c.GetCellSortState(L(a, 0), L(a, 1))); },
     nullptr},
    {29, "GetCellItemData", M, UI4, 2, {P{I4, "Row"}, P{I4, "Col"}}, true,
     [](CTzGridCtrl& c, CDispArgSpan a) { return CDispArg::UI4(c.GetCellItemData(L(a, 0), L(a, 1))); },
     nullptr},
    {30, "GetColumnVisibleIndex", M, I4, 1, {P{I4, "Column"}}, true,
     [](CTzGridCtrl& c, CDispArgSpan a) { return Long(c.GetColumnVisibleIndex(L(a, 0))); }, nullptr},
    {31, "SetCellItemData", M, VOID_, 3, {P{I4, "Row"}, P{I4, "Col"}, P{UI4, "DataPtr"}}, true,
     [](CTzGridCtrl& c, CDispArgSpan a) { c.SetCellItemData(L(a, 0), L(a, 1), UL(a, 2)); return None(); },
     nullptr},
    {32, "GetColumnWidth", M, I4, 1, {P{I4, "Column"}}, true,
     [](CTzGridCtrl& c, CDispArgSpan a) { return Long(c.GetColumnWidth(L(a, 0))); }, nullptr},
    {33, "SetColumnOrder", M, I2, 2, {P{I4, "Column"}, P{I4, "Order"}}, true,
     [](CTzGridCtrl& c, CDispArgSpan a) { return Short(c.SetColumnOrder(L(a, 0), L(a, 1))); }, nullptr},
    {34, "SetCellSortState", M, VOID_, 3, {P{I4, "Row"}, P{I4, "Column"}, P{UI2, "State"}}, true,
     [](CTzGridCtrl& c, CDispArgSpan a) { c.SetCellSortState(L(a, 0), L(a, 1), US(a, 2)); return None(); },
     nullptr},
    {35, "ExportEx", M, VOID_, 5,
     {P{UI2, "nType"}, P{I2, "nColumnCount"}, P{PI4, "ColumnArray"}, P{I4, "lStartRow"}, P{I4, "lEndRow"}}, true,
     [](CTzGridCtrl& c, CDispArgSpan a) {
       c.ExportEx(US(a, 0), S(a, 1), a[2].LongRef(), a[2].LongRefCount(), L(a, 3), L(a, 4));
       return None();
     },
     nullptr},
    {36, "SetCellForeColour", M, VOID_, 3, {P{I4, "Row"}, P{I4, "Col"}, P{I4, "Colour"}}, true,
     [](CTzGridCtrl& c, CDispArgSpan a) { c.SetCellForeColour(L(a, 0), L(a, 1), L(a, 2)); return None(); },
     nullptr},
    {37, "SetCellBold", M, VOID_, 3, {P{I4, "Row"}, P{I4, "Col"}, P{I2, "nBold"}}, true,
     [](CTzGridCtrl& c, CDispArgSpan a) { c.SetCellBold(L(a, 0), L(a, 1), S(a, 2)); return None(); }, nullptr},
    {38, "SetCellFont", M, BOOL_, 5,
     {P{I4, "Row"}, P{I4, "Col"}, P{PBSTR, "bstrFace"}, P{I4, "lHeight"}, P{I4, "lWeight"}}, true,
     [](CTzGridCtrl& c, CDispArgSpan a) { return Bool(c.SetCellFont(L(a, 0), L(a, 1), Str(a, 2), L(a, 3), L(a, 4))); },
     nullptr},
    {39, "SetDefaultFont", M, BOOL_, 3, {P{PBSTR, "bstrFace"}, P{I4, "lHeight"}, P{I4, "lWeight"}}, true,
     [](CTzGridCtrl& c, CDispArgSpan a) { return Bool(c.SetDefaultFont(Str(a, 0), L(a, 1), L(a, 2))); }, nullptr},
    {40, "TestMethod", M, VOID_, 0, {}, false,
     [](CTzGridCtrl& c, CDispArgSpan) { c.DoNothing(); return None(); }, nullptr},
    {41, "SetFirstVisibleColumn", M, VOID_, 1, {P{I4, "lCol"}}, false,
     [](CTzGridCtrl& c, CDispArgSpan a) { c.SetFirstVisibleColumn(L(a, 0)); return None(); }, nullptr},
    {42, "MoveColumn", M, VOID_, 2, {P{I4, "lCol"}, P{I4, "lToCol"}}, false,
     [](CTzGridCtrl& c, CDispArgSpan a) { c.MoveColumn(L(a, 0), L(a, 1)); return None(); }, nullptr},
};

const std::vector<EventEntry> kEventMap = {
    {DISPID_GRIDCELLSELECTED, "GridCellSelected", 2, {P{I4, "lRow"}, P{I4, "lColumn"}}},
    {DISPID_GRIDCELLEXITED, "GridCellExited", 2, {P{I4, "lRow"}, P{I4, "lColumn"}}},
};

bool SameNameIgnoringCase(std::u16string_view a, const char* b) {
  std::size_t i = 0;
  for (; i < a.size() && b[i]; ++i) {
    if (a[i] > 0x7F || std::tolower(int(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return i == a.size() && b[i] == 0;
}

// Value range of each integer type, for the portable coercions below.
bool FitsInteger(VARTYPE vt, std::int64_t v) {
  switch (vt) {
    case VT_I2: return v >= -32768 && v <= 32767;
    case VT_UI2: return v >= 0 && v <= 65535;
    case VT_I4: return v >= INT32_MIN && v <= INT32_MAX;
    case VT_UI4: return v >= 0 && v <= std::int64_t(UINT32_MAX);
    default: return false;
  }
}

bool IsIntegerType(VARTYPE vt) { return vt == VT_I2 || vt == VT_UI2 || vt == VT_I4 || vt == VT_UI4 || vt == VT_BOOL; }

// Brings an argument to the parameter's type the way an Automation server
// coerces: integers of another width when the value fits, a by-value long
// or string where a reference is declared (script hosts pass literals).
// Returns false when the argument cannot be taken.
bool CoerceArgument(const CDispArg& in, VARTYPE want, CDispArg& out, std::int32_t& longSlot,
                    std::u16string& stringSlot) {
  VARTYPE have = in.Type();
  if (have == want) {
    out = in;
    return !(want == PI4 && in.LongRef() == nullptr);
  }
  if (want == PI4 && IsIntegerType(have) && FitsInteger(VT_I4, in.Integer())) {
    longSlot = std::int32_t(in.Integer());
    out = CDispArg::ByRefI4(&longSlot, 1);
    return true;
  }
  if (want == PBSTR && have == VT_BSTR) {
    stringSlot = in.String();
    out = CDispArg::ByRefBstr(&stringSlot);
    return true;
  }
  if (IsIntegerType(want) && want != VT_BOOL && IsIntegerType(have)) {
    std::int64_t v = in.Integer();
    if (have == VT_BOOL) v = v ? -1 : 0;
    if (!FitsInteger(want, v)) return false;
    switch (want) {
      case VT_I2: out = CDispArg::I2(std::int16_t(v)); break;
      case VT_UI2: out = CDispArg::UI2(std::uint16_t(v)); break;
      case VT_I4: out = CDispArg::I4(std::int32_t(v)); break;
      default: out = CDispArg::UI4(std::uint32_t(v)); break;
    }
    return true;
  }
  return false;
}

}  // namespace

const std::vector<DispEntry>& GetDispatchMap() { return kDispatchMap; }
const std::vector<EventEntry>& GetEventMap() { return kEventMap; }

const DispEntry* FindDispEntry(DISPID dispid) {
  for (const DispEntry& e : kDispatchMap) {
    if (e.dispid == dispid) return &e;
  }
  return nullptr;
}

const DispEntry* FindDispEntry(std::u16string_view name) {
  for (const DispEntry& e : kDispatchMap) {
    if (SameNameIgnoringCase(name, e.name)) return &e;
  }
  return nullptr;
}

namespace {

VARTYPE ParameterType(const DispEntry& entry, bool isPut, std::size_t i) {
  return isPut ? entry.vtResult : entry.params[i].vt;
}

// Arguments already of their parameters' types (what the module's bridge
// hands over) are used as they are; only a call with others pays for copies.
bool AllOfTheirTypes(const DispEntry& entry, bool isPut, CDispArgSpan args) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    VARTYPE want = ParameterType(entry, isPut, i);
    if (args[i].Type() != want || (want == PI4 && args[i].LongRef() == nullptr)) return false;
  }
  return true;
}

HRESULT CallMember(CTzGridCtrl& ctrl, const DispEntry& entry, bool isPut, CDispArgSpan args, CDispArg* pResult,
                   std::string* pDescription) {
  AFX_MANAGE_STATE(AfxGetStaticModuleState());
  try {
    if (isPut) {
      entry.put(ctrl, args[0]);
      if (pResult) *pResult = CDispArg();
    } else {
      CDispArg result = entry.invoke(ctrl, args);
      if (pResult) *pResult = std::move(result);
    }
    return S_OK;
  } catch (const CNotImplementedException& e) {
    if (pDescription) *pDescription = e.GetDescription();
    return E_NOTIMPL;
  } catch (const CMemoryException& e) {
    if (pDescription) *pDescription = e.GetDescription();
    return E_OUTOFMEMORY;
  } catch (const CException& e) {
    if (pDescription) *pDescription = std::string(entry.name) + ": " + e.GetDescription();
    return DISP_E_EXCEPTION;
  } catch (const std::bad_alloc&) {
    if (pDescription) *pDescription = "not enough memory";
    return E_OUTOFMEMORY;
  }
}

// A call whose arguments must first be brought to their parameters' types.
HRESULT CallCoerced(CTzGridCtrl& ctrl, const DispEntry& entry, bool isPut, CDispArgSpan args, CDispArg* pResult,
                    std::string* pDescription) {
  std::array<CDispArg, 5> coerced;
  std::array<std::int32_t, 5> longSlots{};
  std::array<std::u16string, 5> stringSlots;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (!CoerceArgument(args[i], ParameterType(entry, isPut, i), coerced[i], longSlots[i], stringSlots[i])) {
      return DISP_E_TYPEMISMATCH;
    }
  }
  return CallMember(ctrl, entry, isPut, CDispArgSpan(coerced.data(), args.size()), pResult, pDescription);
}

}  // namespace

HRESULT CTzGridCtrl::Invoke(DISPID dispid, WORD wFlags, CDispArgSpan args, CDispArg* pResult,
                            std::string* pDescription) {
  const DispEntry* entry = FindDispEntry(dispid);
  if (!entry) return DISP_E_MEMBERNOTFOUND;

  bool isPut = (wFlags & DISPATCH_PROPERTYPUT) != 0;
  bool isGetOrCall = (wFlags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) != 0;
  if (isPut && entry->kind != DispKind::Property) return DISP_E_MEMBERNOTFOUND;
  if (!isPut && !isGetOrCall) return DISP_E_MEMBERNOTFOUND;

  std::size_t expected = isPut ? 1 : std::size_t(entry->cParams);
  if (args.size() != expected) return DISP_E_BADPARAMCOUNT;

  if (AllOfTheirTypes(*entry, isPut, args)) return CallMember(*this, *entry, isPut, args, pResult, pDescription);
  return CallCoerced(*this, *entry, isPut, args, pResult, pDescription);
}

}  // namespace TzGrid

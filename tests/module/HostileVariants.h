// Arguments a careless or hostile Automation client can hand to Invoke,
// for the dispatch tests and the bridge fuzzer: references with nothing
// behind them or pointing at themselves, arrays of every element type
// (records included), BSTRs of odd byte length.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <oleauto.h>

#include <vector>

namespace ModuleTest {

// A record type whose instances are size plain bytes: enough for
// SafeArrayCreateEx(VT_RECORD, ...) and VT_RECORD VARIANTs. One reference
// for the caller.
IRecordInfo* NewByteRecordInfo(ULONG size);

// The element types a SAFEARRAY of numbers, strings or VARIANTs can have.
const std::vector<VARTYPE>& NumericElementTypes();

// A vector (lower bound 0) of vt holding the values, each converted from a
// long (VT_VARIANT elements hold VT_I4). Null when vt cannot hold them.
SAFEARRAY* ArrayOfLongs(VARTYPE vt, const std::vector<LONG>& values);

// A VARIANT owning array, typed VT_ARRAY | the array's element type.
VARIANT ArrayArgument(SAFEARRAY* array);

VARIANT Reference(VARTYPE vt, void* target = nullptr);  // VT_BYREF | vt
inline VARIANT VariantReference(VARIANT* target) { return Reference(VT_VARIANT, target); }
inline void MakeSelfReference(VARIANT* v) { *v = VariantReference(v); }

// A BSTR of byteLength bytes (an odd length leaves half a character).
BSTR OddBstr(const char* bytes, UINT byteLength);

}  // namespace ModuleTest

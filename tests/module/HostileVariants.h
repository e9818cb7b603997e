// Arguments a careless or hostile Automation client can hand to Invoke:
// references with nothing behind them, references that point to
// themselves, arrays of every element type (records included), arrays
// whose descriptor lies about its element size, BSTRs of odd byte length.
// The dispatch tests and the bridge fuzzer build their calls from these.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <oleauto.h>

#include <vector>

namespace ModuleTest {

// A record type of a given size whose instances are plain bytes: enough for
// SafeArrayCreateEx(VT_RECORD, ...) and VARIANTs of VT_RECORD. One
// reference for the caller.
IRecordInfo* NewByteRecordInfo(ULONG size);

// The element types a SAFEARRAY of numbers, strings or VARIANTs can have.
const std::vector<VARTYPE>& NumericElementTypes();

// A one-dimensional array (lower bound 0) of vt holding the given values,
// each converted from a long to vt (VT_VARIANT elements hold VT_I4,
// VT_BSTR elements the decimal text). Null when vt cannot be built so.
SAFEARRAY* ArrayOfLongs(VARTYPE vt, const std::vector<LONG>& values);

// A VARIANT owning array, typed VT_ARRAY | the array's element type.
VARIANT ArrayArgument(SAFEARRAY* array);

// VT_BYREF | vt with a null pointer.
VARIANT NullReference(VARTYPE vt);

// VT_BYREF | VT_VARIANT pointing at target (which may be the VARIANT itself
// once copied: see SelfReference).
VARIANT VariantReference(VARIANT* target);

// Makes v a VT_BYREF | VT_VARIANT that points to v itself.
void MakeSelfReference(VARIANT* v);

// A BSTR of byteLength bytes copied from bytes (an odd length leaves half a
// character after the last whole one).
BSTR OddBstr(const char* bytes, UINT byteLength);

}  // namespace ModuleTest

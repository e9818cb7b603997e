#include "HostileVariants.h"

#include <cstring>
#include <string>

namespace ModuleTest {

namespace {

// Records that are nothing but bytes: copy is memcpy, clear is a no-op.
class ByteRecordInfo final : public IRecordInfo {
 public:
  explicit ByteRecordInfo(ULONG size) : m_size(size) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IRecordInfo)) {
      *out = static_cast<IRecordInfo*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(InterlockedIncrement(&m_ref)); }
  ULONG STDMETHODCALLTYPE Release() override {
    LONG left = InterlockedDecrement(&m_ref);
    if (left == 0) delete this;
    return ULONG(left);
  }

  HRESULT STDMETHODCALLTYPE RecordInit(PVOID record) override {
    std::memset(record, 0, m_size);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE RecordClear(PVOID) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE RecordCopy(PVOID from, PVOID to) override {
    std::memcpy(to, from, m_size);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetGuid(GUID* guid) override {
    *guid = GUID_NULL;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetName(BSTR* name) override {
    *name = SysAllocString(L"Bytes");
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetSize(ULONG* size) override {
    *size = m_size;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetField(PVOID, LPCOLESTR, VARIANT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetFieldNoCopy(PVOID, LPCOLESTR, VARIANT*, PVOID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE PutField(ULONG, PVOID, LPCOLESTR, VARIANT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE PutFieldNoCopy(ULONG, PVOID, LPCOLESTR, VARIANT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetFieldNames(ULONG*, BSTR*) override { return E_NOTIMPL; }
  BOOL STDMETHODCALLTYPE IsMatchingType(IRecordInfo* other) override { return other == this; }
  PVOID STDMETHODCALLTYPE RecordCreate() override {
    void* record = CoTaskMemAlloc(m_size);
    if (record) std::memset(record, 0, m_size);
    return record;
  }
  HRESULT STDMETHODCALLTYPE RecordCreateCopy(PVOID from, PVOID* to) override {
    *to = RecordCreate();
    if (!*to) return E_OUTOFMEMORY;
    std::memcpy(*to, from, m_size);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE RecordDestroy(PVOID record) override {
    CoTaskMemFree(record);
    return S_OK;
  }

 private:
  LONG m_ref = 1;
  ULONG m_size;
};

// A long as a VARIANT of type vt (the value an element of that type holds).
bool LongAs(VARTYPE vt, LONG value, VARIANT* out) {
  VariantInit(out);
  if (vt == VT_INT || vt == VT_UINT) {
    V_VT(out) = vt;
    V_INT(out) = value;
    return true;
  }
  if (vt == VT_VARIANT) {
    V_VT(out) = VT_I4;
    V_I4(out) = value;
    return true;
  }
  VARIANT source;
  VariantInit(&source);
  V_VT(&source) = VT_I4;
  V_I4(&source) = value;
  return SUCCEEDED(VariantChangeType(out, &source, 0, vt));
}

// What SafeArrayPutElement wants for an element held in v.
void* ElementSource(VARTYPE vt, VARIANT* v) {
  switch (vt) {
    case VT_BSTR: return V_BSTR(v);
    case VT_VARIANT: return v;
    case VT_DECIMAL: return &V_DECIMAL(v);
    default: return &V_I1(v);
  }
}

}  // namespace

IRecordInfo* NewByteRecordInfo(ULONG size) { return new ByteRecordInfo(size); }

const std::vector<VARTYPE>& NumericElementTypes() {
  static const std::vector<VARTYPE> types = {VT_I1,  VT_UI1, VT_I2,   VT_UI2, VT_I4,   VT_UI4, VT_I8,
                                             VT_UI8, VT_INT, VT_UINT, VT_R4,  VT_R8,   VT_CY,  VT_DATE,
                                             VT_BOOL, VT_DECIMAL, VT_BSTR, VT_VARIANT};
  return types;
}

SAFEARRAY* ArrayOfLongs(VARTYPE vt, const std::vector<LONG>& values) {
  SAFEARRAY* array = SafeArrayCreateVector(vt, 0, ULONG(values.size()));
  if (!array) return nullptr;
  for (LONG i = 0; i < LONG(values.size()); ++i) {
    VARIANT element;
    bool ok = LongAs(vt, values[std::size_t(i)], &element) &&
              SUCCEEDED(SafeArrayPutElement(array, &i, ElementSource(vt, &element)));
    VariantClear(&element);
    if (!ok) {
      SafeArrayDestroy(array);
      return nullptr;
    }
  }
  return array;
}

VARIANT ArrayArgument(SAFEARRAY* array) {
  VARIANT v;
  VariantInit(&v);
  VARTYPE vt = VT_EMPTY;
  if (array && SUCCEEDED(SafeArrayGetVartype(array, &vt))) {
    V_VT(&v) = VARTYPE(VT_ARRAY | vt);
    V_ARRAY(&v) = array;
  }
  return v;
}

VARIANT NullReference(VARTYPE vt) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VARTYPE(VT_BYREF | vt);
  V_BYREF(&v) = nullptr;
  return v;
}

VARIANT VariantReference(VARIANT* target) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_BYREF | VT_VARIANT;
  V_VARIANTREF(&v) = target;
  return v;
}

void MakeSelfReference(VARIANT* v) {
  VariantInit(v);
  V_VT(v) = VT_BYREF | VT_VARIANT;
  V_VARIANTREF(v) = v;
}

BSTR OddBstr(const char* bytes, UINT byteLength) { return SysAllocStringByteLen(bytes, byteLength); }

}  // namespace ModuleTest

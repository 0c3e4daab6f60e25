#include "com/byref.h"

#include <cstring>
#include <vector>

namespace kz {

HRESULT ConvertArray(SAFEARRAY* src, VARTYPE to, SAFEARRAY** out) {
  *out = nullptr;
  if (!src) return S_OK;
  VARTYPE from = VT_EMPTY;
  HRESULT hr = SafeArrayGetVartype(src, &from);
  if (FAILED(hr)) return hr;
  if (from == to) return SafeArrayCopy(src, out);
  UINT dims = SafeArrayGetDim(src);
  if (dims == 0) return DISP_E_TYPEMISMATCH;
  std::vector<SAFEARRAYBOUND> b(dims);
  ULONGLONG total = 1;
  for (UINT d = 0; d < dims; ++d) {
    // SAFEARRAY stores its bounds last dimension first.
    b[d] = src->rgsabound[dims - 1 - d];
    total *= b[d].cElements;
  }
  SAFEARRAY* dst = SafeArrayCreate(to, dims, b.data());
  if (!dst) return E_OUTOFMEMORY;
  void* sp = nullptr;
  void* dp = nullptr;
  hr = SafeArrayAccessData(src, &sp);
  if (SUCCEEDED(hr)) hr = SafeArrayAccessData(dst, &dp);
  if (SUCCEEDED(hr)) {
    UINT ss = SafeArrayGetElemsize(src), ds = SafeArrayGetElemsize(dst);
    for (ULONGLONG i = 0; i < total && SUCCEEDED(hr); ++i) {
      VARIANT s, d;
      VariantInit(&d);
      const char* se = static_cast<const char*>(sp) + i * ss;
      if (from == VT_VARIANT) {
        s = *reinterpret_cast<const VARIANT*>(se);
      } else {
        VariantInit(&s);
        s.vt = from;
        memcpy(&s.lVal, se, ss);
      }
      hr = to == VT_VARIANT ? VariantCopy(&d, &s) : VariantChangeTypeEx(&d, &s, LOCALE_USER_DEFAULT, 0, to);
      if (SUCCEEDED(hr)) {
        char* de = static_cast<char*>(dp) + i * ds;
        if (to == VT_VARIANT) memcpy(de, &d, sizeof(VARIANT)); else memcpy(de, &d.lVal, ds);
      }
    }
  }
  if (dp) SafeArrayUnaccessData(dst);
  if (sp) SafeArrayUnaccessData(src);
  if (FAILED(hr)) { SafeArrayDestroy(dst); return hr; }
  *out = dst;
  return S_OK;
}

SAFEARRAY* ToVariantArray(SAFEARRAY* typed) {
  SAFEARRAY* out = nullptr;
  ConvertArray(typed, VT_VARIANT, &out);
  return out;
}

HRESULT StoreByRef(VARIANT* arg, VARIANT* value) {
  if (!arg || !(arg->vt & VT_BYREF)) { VariantClear(value); return S_FALSE; }
  if (!arg->byref) { VariantClear(value); return E_POINTER; }
  if (arg->vt == (VT_BYREF | VT_VARIANT)) {
    VARIANT* target = arg->pvarVal;
    for (int depth = 0; target->vt == (VT_BYREF | VT_VARIANT); ++depth) {
      if (!target->pvarVal || depth > 16) { VariantClear(value); return E_POINTER; }
      target = target->pvarVal;
    }
    if (target->vt & VT_BYREF) {  // a variable that itself refers to a typed one
      VARIANT typed = *target;
      return StoreByRef(&typed, value);
    }
    if ((value->vt & VT_ARRAY) && (value->vt & VT_TYPEMASK) != VT_VARIANT) {
      SAFEARRAY* va = nullptr;
      HRESULT hr = ConvertArray(value->parray, VT_VARIANT, &va);
      VariantClear(value);
      if (FAILED(hr)) return hr;
      value->vt = VT_ARRAY | VT_VARIANT;
      value->parray = va;
    }
    VariantClear(target);
    *target = *value;
    value->vt = VT_EMPTY;
    return S_OK;
  }
  VARTYPE t = arg->vt & ~VT_BYREF;
  HRESULT hr = S_OK;
  if (t & VT_ARRAY) {
    SAFEARRAY* a = nullptr;
    hr = (value->vt & VT_ARRAY) ? ConvertArray(value->parray, t & VT_TYPEMASK, &a) : DISP_E_TYPEMISMATCH;
    VariantClear(value);
    if (FAILED(hr)) return hr;
    if (*arg->pparray) SafeArrayDestroy(*arg->pparray);
    *arg->pparray = a;
    return S_OK;
  }
  VARIANT conv;
  VariantInit(&conv);
  hr = t == VT_VARIANT ? DISP_E_BADVARTYPE : VariantChangeTypeEx(&conv, value, LOCALE_USER_DEFAULT, 0, t);
  VariantClear(value);
  if (FAILED(hr)) return hr;
  switch (t) {
    case VT_BSTR: SysFreeString(*arg->pbstrVal); *arg->pbstrVal = conv.bstrVal; break;
    case VT_DISPATCH:
    case VT_UNKNOWN:
      if (*arg->ppunkVal) (*arg->ppunkVal)->Release();
      *arg->ppunkVal = conv.punkVal;
      break;
    case VT_I1: case VT_UI1: *arg->pbVal = conv.bVal; break;
    case VT_I2: case VT_UI2: case VT_BOOL: *arg->piVal = conv.iVal; break;
    case VT_I4: case VT_UI4: case VT_INT: case VT_UINT: case VT_R4: case VT_ERROR:
      *arg->plVal = conv.lVal; break;
    case VT_R8: case VT_DATE: case VT_CY: case VT_I8: case VT_UI8:
      memcpy(arg->byref, &conv.llVal, 8); break;
    case VT_DECIMAL: *arg->pdecVal = conv.decVal; break;
    default: VariantClear(&conv); return DISP_E_BADVARTYPE;
  }
  return S_OK;
}

}  // namespace kz

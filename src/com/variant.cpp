#include "com/variant.h"
#include "base/error.h"

namespace kz {

Var Deref(const VARIANT* v) {
  Var r;
  if (!v) return r;
  if (v->vt == (VT_BYREF | VT_VARIANT)) return Deref(v->pvarVal);
  if (v->vt & VT_BYREF) {
    HRESULT hr = VariantCopyInd(r.get(), const_cast<VARIANT*>(v));
    ThrowIfFailed(hr);
    return r;
  }
  ThrowIfFailed(VariantCopy(r.get(), const_cast<VARIANT*>(v)));
  return r;
}

bool IsMissing(const VARIANT* v) {
  if (!v) return true;
  if (v->vt == (VT_BYREF | VT_VARIANT)) return IsMissing(v->pvarVal);
  return v->vt == VT_ERROR && v->scode == DISP_E_PARAMNOTFOUND;
}

static void Coerce(const VARIANT* v, VARTYPE to, Var& out) {
  Var src = Deref(v);
  HRESULT hr = VariantChangeTypeEx(out.get(), src.get(), LOCALE_USER_DEFAULT, 0, to);
  if (FAILED(hr)) throw Error(ErrorNumberOf(hr));
}

std::wstring VarToStr(const VARIANT* v) {
  Var out;
  Coerce(v, VT_BSTR, out);
  return FromBstr(out.get()->bstrVal);
}

long VarToLong(const VARIANT* v) {
  Var out;
  Coerce(v, VT_I4, out);
  return out.get()->lVal;
}

bool VarToBool(const VARIANT* v) {
  Var out;
  Coerce(v, VT_BOOL, out);
  return out.get()->boolVal != VARIANT_FALSE;
}

SAFEARRAY* MakeBstrArray(const std::vector<std::wstring>& items, LONG lbound) {
  SAFEARRAYBOUND b{static_cast<ULONG>(items.size()), lbound};
  SAFEARRAY* sa = SafeArrayCreate(VT_BSTR, 1, &b);
  if (!sa) Raise(kErrOutOfMemory);
  for (size_t i = 0; i < items.size(); ++i) {
    LONG idx = lbound + static_cast<LONG>(i);
    BSTR s = SysAllocStringLen(items[i].data(), static_cast<UINT>(items[i].size()));
    SafeArrayPutElement(sa, &idx, s);  // copies the string
    SysFreeString(s);
  }
  return sa;
}

}  // namespace kz

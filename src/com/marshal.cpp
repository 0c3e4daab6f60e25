#include "com/marshal.h"

#include <cstring>

#include "com/byref.h"

namespace kz {
namespace {

constexpr int kMaxRefDepth = 16;

bool IsMissingArg(const VARIANT* a) {
  const VARIANT* v = Inner(a);
  return v->vt == VT_ERROR && v->scode == DISP_E_PARAMNOTFOUND;
}

// Coerces a (dereferenced) argument to a parameter's type into `out`.
HRESULT CoerceIn(const VARIANT* src, const ParamInfo& p, VARIANT* out) {
  VariantInit(out);
  src = Inner(src);
  VARIANT plain;
  VariantInit(&plain);
  if (src->vt & VT_BYREF) {
    HRESULT hr = VariantCopyInd(&plain, const_cast<VARIANT*>(src));
    if (FAILED(hr)) return hr;
    src = &plain;
  }
  HRESULT hr = S_OK;
  if (p.vt == VT_VARIANT) {
    hr = VariantCopy(out, const_cast<VARIANT*>(src));
  } else if (p.vt == VT_DISPATCH || p.vt == VT_UNKNOWN) {
    out->vt = p.vt;
    out->punkVal = nullptr;
    if (src->vt == VT_DISPATCH || src->vt == VT_UNKNOWN) {
      if (src->punkVal) hr = src->punkVal->QueryInterface(p.iid, reinterpret_cast<void**>(&out->punkVal));
      if (FAILED(hr)) hr = DISP_E_TYPEMISMATCH;
    } else if (src->vt != VT_EMPTY) {
      hr = DISP_E_TYPEMISMATCH;
    }
  } else if (p.vt & VT_ARRAY) {
    out->vt = p.vt;
    out->parray = nullptr;
    if (src->vt & VT_ARRAY) hr = ConvertArray(src->parray, p.vt & VT_TYPEMASK, &out->parray);
    else if (src->vt != VT_EMPTY) hr = DISP_E_TYPEMISMATCH;
  } else if (p.vt == VT_RECORD) {
    hr = src->vt == VT_RECORD ? VariantCopy(out, const_cast<VARIANT*>(src)) : DISP_E_TYPEMISMATCH;
  } else {
    hr = VariantChangeTypeEx(out, const_cast<VARIANT*>(src), LOCALE_USER_DEFAULT, 0, p.vt);
  }
  VariantClear(&plain);
  if (FAILED(hr)) {
    VariantClear(out);
    memset(out, 0, sizeof(*out));
  }
  return hr;
}

size_t ScalarSize(VARTYPE t) {
  switch (t) {
    case VT_I1: case VT_UI1: return 1;
    case VT_I2: case VT_UI2: case VT_BOOL: return 2;
    case VT_I4: case VT_UI4: case VT_INT: case VT_UINT: case VT_R4: case VT_ERROR: return 4;
    default: return 8;
  }
}

bool SameValue(const VARIANT& a, const VARIANT& b);

bool SameBstr(BSTR a, BSTR b) {
  UINT la = SysStringByteLen(a), lb = SysStringByteLen(b);
  return la == lb && (la == 0 || memcmp(a, b, la) == 0);
}

bool SameArray(SAFEARRAY* a, SAFEARRAY* b) {
  if (!a || !b) return a == b;
  UINT dims = SafeArrayGetDim(a);
  if (dims != SafeArrayGetDim(b) || a->cbElements != b->cbElements) return false;
  VARTYPE ta = VT_EMPTY, tb = VT_EMPTY;
  if (FAILED(SafeArrayGetVartype(a, &ta)) || FAILED(SafeArrayGetVartype(b, &tb)) || ta != tb) return false;
  if (ta == VT_RECORD) return false;  // no way to compare; taken as changed
  ULONGLONG total = 1;
  for (UINT d = 0; d < dims; ++d) {
    if (a->rgsabound[d].cElements != b->rgsabound[d].cElements || a->rgsabound[d].lLbound != b->rgsabound[d].lLbound)
      return false;
    total *= a->rgsabound[d].cElements;
  }
  if (total == 0) return true;
  if (!a->pvData || !b->pvData) return a->pvData == b->pvData;
  const char* pa = static_cast<const char*>(a->pvData);
  const char* pb = static_cast<const char*>(b->pvData);
  for (ULONGLONG i = 0; i < total; ++i) {
    const char* ea = pa + i * a->cbElements;
    const char* eb = pb + i * b->cbElements;
    switch (ta) {
      case VT_BSTR:
        if (!SameBstr(*reinterpret_cast<const BSTR*>(ea), *reinterpret_cast<const BSTR*>(eb))) return false;
        break;
      case VT_VARIANT:
        if (!SameValue(*reinterpret_cast<const VARIANT*>(ea), *reinterpret_cast<const VARIANT*>(eb))) return false;
        break;
      default:
        if (memcmp(ea, eb, a->cbElements) != 0) return false;
    }
  }
  return true;
}

// Whether a member left a value as it was given (compared by content).
bool SameValue(const VARIANT& a, const VARIANT& b) {
  if (a.vt != b.vt) return false;
  if (a.vt & VT_ARRAY) return SameArray(a.parray, b.parray);
  switch (a.vt) {
    case VT_EMPTY: case VT_NULL: return true;
    case VT_BSTR: return SameBstr(a.bstrVal, b.bstrVal);
    case VT_DISPATCH: case VT_UNKNOWN: return a.punkVal == b.punkVal;
    case VT_DECIMAL: return memcmp(&a.decVal, &b.decVal, sizeof(DECIMAL)) == 0;
    case VT_RECORD: return false;  // no way to compare; taken as changed
    default: return memcmp(&a.llVal, &b.llVal, ScalarSize(a.vt)) == 0;
  }
}

}  // namespace

const VARIANT* Inner(const VARIANT* v) {
  while (v->vt == (VT_BYREF | VT_VARIANT)) v = v->pvarVal;
  return v;
}

HRESULT CheckArguments(const DISPPARAMS& dp, UINT* arg_err) {
  if (dp.cArgs && !dp.rgvarg) return E_INVALIDARG;
  if (dp.cNamedArgs > dp.cArgs || (dp.cNamedArgs && !dp.rgdispidNamedArgs)) return E_INVALIDARG;
  for (UINT i = 0; i < dp.cArgs; ++i) {
    const VARIANT* v = &dp.rgvarg[i];
    HRESULT hr = S_OK;
    for (int depth = 0; SUCCEEDED(hr); ++depth) {
      if (!(v->vt & VT_BYREF)) break;
      if (!v->byref) hr = E_POINTER;
      else if (v->vt != (VT_BYREF | VT_VARIANT)) break;
      else if (depth >= kMaxRefDepth) hr = DISP_E_BADVARTYPE;
      else v = v->pvarVal;
    }
    if (FAILED(hr)) {
      if (arg_err) *arg_err = i;
      return hr;
    }
  }
  return S_OK;
}

ArgumentFrame::ArgumentFrame(const FuncInfo& f, bool put)
    : f_(f), put_(put), locals_(f.params.size(), VARIANT{}), before_(f.params.size(), VARIANT{}),
      args_(f.params.size(), VARIANT{}), argp_(f.params.size(), nullptr), types_(f.params.size(), VT_EMPTY),
      caller_(f.params.size(), nullptr) {
  for (size_t k = 0; k < argp_.size(); ++k) argp_[k] = &args_[k];
}

ArgumentFrame::~ArgumentFrame() {
  if (record_) {
    IRecordInfo* rec = f_.params[retval_].rec;
    rec->RecordClear(record_);
    CoTaskMemFree(record_);
  }
  // args_ only refers to what locals_ or the caller own.
  for (auto& v : locals_) VariantClear(&v);
  for (auto& v : before_) VariantClear(&v);
}

HRESULT ArgumentFrame::Build(const DISPPARAMS& dp, UINT positional, UINT* arg_err) {
  for (size_t k = 0; k < f_.params.size(); ++k) {
    const ParamInfo& p = f_.params[k];
    VARIANT& local = locals_[k];
    VARIANTARG& arg = args_[k];
    if (p.retval) {
      retval_ = static_cast<int>(k);
      if (p.vt == VT_RECORD) {
        ULONG size = 0;
        if (!p.rec || FAILED(p.rec->GetSize(&size))) return E_FAIL;
        record_ = CoTaskMemAlloc(size ? size : 1);
        if (!record_) return E_OUTOFMEMORY;
        memset(record_, 0, size ? size : 1);
        p.rec->RecordInit(record_);
        arg.vt = VT_BYREF | VT_RECORD;
        arg.byref = record_;
      } else {
        local.vt = p.vt == VT_VARIANT ? VT_EMPTY : p.vt;  // a zero of the type until the member sets it
        arg.vt = VT_BYREF | p.vt;
        arg.byref = p.vt == VT_VARIANT ? static_cast<void*>(&local) : static_cast<void*>(&local.lVal);
      }
      types_[k] = arg.vt;
      continue;
    }
    // Which caller argument feeds this parameter.
    VARIANT* a = nullptr;
    UINT arg_index = 0;
    bool is_value = put_ && static_cast<int>(k) == f_.n_in - 1;
    if (is_value) {
      a = &dp.rgvarg[0];
    } else if (k < positional) {
      arg_index = dp.cArgs - 1 - static_cast<UINT>(k);
      a = &dp.rgvarg[arg_index];
    }
    HRESULT hr = S_OK;
    if (!a || IsMissingArg(a)) {
      if (!p.optional && !p.has_default) {
        if (arg_err) *arg_err = arg_index;
        return DISP_E_PARAMNOTOPTIONAL;
      }
      if (p.has_default) {
        hr = CoerceIn(&p.def, p, &local);
      } else if (p.vt == VT_VARIANT) {
        local.vt = VT_ERROR;
        local.scode = DISP_E_PARAMNOTFOUND;
      } else {
        local.vt = p.vt;  // zero of the type
      }
      if (FAILED(hr)) return hr;
    } else if (p.byref && p.vt != VT_VARIANT && a->vt == (VT_BYREF | p.vt)) {
      // The caller's variable already has the parameter's type: pass it straight through.
      arg = *a;
      types_[k] = a->vt;
      continue;
    } else if (p.out_only && (a->vt & VT_BYREF)) {
      // An output: the member sets it whatever the variable held, so the variable always
      // takes the result.
      local.vt = p.vt == VT_VARIANT ? VT_EMPTY : p.vt;
      caller_[k] = a;
    } else {
      hr = CoerceIn(a, p, &local);
      if (FAILED(hr)) {
        if (arg_err) *arg_err = arg_index;
        return hr;
      }
      if (p.byref && (a->vt & VT_BYREF)) {
        caller_[k] = a;
        hr = VariantCopy(&before_[k], &local);
        if (FAILED(hr)) return hr;
      }
    }
    if (p.byref) {
      arg.vt = VT_BYREF | p.vt;
      if (p.vt == VT_VARIANT) arg.pvarVal = &local;
      else if (p.vt == VT_RECORD) arg.byref = local.pvRecord;
      else arg.byref = &local.lVal;
      types_[k] = arg.vt;
    } else if (p.vt == VT_VARIANT) {
      argp_[k] = &local;  // a Variant by value: the slot takes the whole VARIANT
      types_[k] = VT_VARIANT;
    } else {
      arg = local;  // shallow: locals_ keeps ownership
      types_[k] = arg.vt;
    }
  }
  return S_OK;
}

void ArgumentFrame::WriteBackChanged() {
  for (size_t k = 0; k < caller_.size(); ++k) {
    if (!caller_[k]) continue;
    if (!f_.params[k].out_only && SameValue(locals_[k], before_[k])) continue;
    StoreByRef(caller_[k], &locals_[k]);
  }
}

void ArgumentFrame::TakeResult(VARIANT* result) {
  if (!result || retval_ < 0) return;
  const ParamInfo& p = f_.params[retval_];
  VariantClear(result);
  if (p.vt == VT_RECORD) {
    result->vt = VT_RECORD;
    result->pvRecord = record_;
    result->pRecInfo = p.rec;
    p.rec->AddRef();
    record_ = nullptr;
    return;
  }
  VARIANT& r = locals_[retval_];
  if ((r.vt & VT_ARRAY) && (r.vt & VT_TYPEMASK) != VT_VARIANT) {
    SAFEARRAY* va = ToVariantArray(r.parray);
    VariantClear(&r);
    r.vt = VT_ARRAY | VT_VARIANT;
    r.parray = va;
  }
  *result = r;
  memset(&r, 0, sizeof(r));
}

}  // namespace kz

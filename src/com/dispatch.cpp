#include "com/dispatch.h"

#include <cwctype>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/error.h"

namespace kz {
namespace {

struct ParamInfo {
  VARTYPE vt = VT_EMPTY;  // base type; VT_ARRAY|elem for arrays
  bool byref = false;
  bool optional = false;
  bool has_default = false;
  bool retval = false;
  VARIANT def{};
  IID iid = IID_IDispatch;
  IRecordInfo* rec = nullptr;
};

struct FuncInfo {
  MEMBERID id = 0;
  INVOKEKIND kind = INVOKE_FUNC;
  short vft = 0;
  int n_in = 0;
  bool has_retval = false;
  std::vector<ParamInfo> params;
};

struct IfaceInfo {
  std::vector<FuncInfo> funcs;
  std::unordered_map<std::wstring, DISPID> names;  // lower-case name -> id
};

struct GuidLess {
  bool operator()(const GUID& a, const GUID& b) const { return memcmp(&a, &b, sizeof(GUID)) < 0; }
};

struct Library {
  ITypeLib* lib = nullptr;
  std::map<GUID, ITypeInfo*, GuidLess> infos;
  std::map<GUID, IfaceInfo, GuidLess> ifaces;
};

std::wstring Lower(const wchar_t* s, UINT n) {
  std::wstring r(s, n);
  for (auto& c : r) c = static_cast<wchar_t>(std::towlower(c));
  return r;
}

void Resolve(ITypeInfo* owner, const TYPEDESC& td, ParamInfo& p, int& depth) {
  switch (td.vt) {
    case VT_PTR:
      ++depth;
      Resolve(owner, *td.lptdesc, p, depth);
      return;
    case VT_SAFEARRAY: {
      ParamInfo elem;
      int d = 0;
      Resolve(owner, *td.lptdesc, elem, d);
      p.vt = VT_ARRAY | elem.vt;
      return;
    }
    case VT_USERDEFINED: {
      ITypeInfo* ref = nullptr;
      if (FAILED(owner->GetRefTypeInfo(td.hreftype, &ref))) { p.vt = VT_VARIANT; return; }
      TYPEATTR* ta = nullptr;
      ref->GetTypeAttr(&ta);
      switch (ta->typekind) {
        case TKIND_ENUM: p.vt = VT_I4; break;
        case TKIND_ALIAS: Resolve(ref, ta->tdescAlias, p, depth); break;
        case TKIND_RECORD:
          p.vt = VT_RECORD;
          GetRecordInfoFromTypeInfo(ref, &p.rec);
          break;
        case TKIND_COCLASS:
        case TKIND_DISPATCH:
        case TKIND_INTERFACE: {
          bool disp = ta->typekind != TKIND_INTERFACE || (ta->wTypeFlags & TYPEFLAG_FDUAL) ||
                      IsEqualGUID(ta->guid, IID_IDispatch);
          p.vt = disp ? VT_DISPATCH : VT_UNKNOWN;
          p.iid = ta->guid;
          if (ta->typekind == TKIND_COCLASS) p.iid = IID_IDispatch;
          --depth;  // the interface pointer itself is the value
          break;
        }
        default: p.vt = VT_VARIANT; break;
      }
      ref->ReleaseTypeAttr(ta);
      ref->Release();
      return;
    }
    case VT_DISPATCH: p.vt = VT_DISPATCH; p.iid = IID_IDispatch; return;
    case VT_UNKNOWN: p.vt = VT_UNKNOWN; p.iid = IID_IUnknown; return;
    default: p.vt = td.vt; return;
  }
}

void Describe(ITypeInfo* ti, IfaceInfo& info) {
  TYPEATTR* ta = nullptr;
  if (FAILED(ti->GetTypeAttr(&ta))) return;
  for (UINT i = 0; i < ta->cFuncs; ++i) {
    FUNCDESC* fd = nullptr;
    if (FAILED(ti->GetFuncDesc(i, &fd))) continue;
    FuncInfo f;
    f.id = fd->memid;
    f.kind = fd->invkind;
    f.vft = fd->oVft;
    for (SHORT k = 0; k < fd->cParams; ++k) {
      const ELEMDESC& ed = fd->lprgelemdescParam[k];
      ParamInfo p;
      int depth = 0;
      Resolve(ti, ed.tdesc, p, depth);
      p.byref = depth >= 1;
      USHORT fl = ed.paramdesc.wParamFlags;
      p.retval = (fl & PARAMFLAG_FRETVAL) != 0;
      p.optional = (fl & PARAMFLAG_FOPT) != 0;
      if ((fl & PARAMFLAG_FHASDEFAULT) && ed.paramdesc.pparamdescex) {
        p.has_default = true;
        VariantInit(&p.def);
        VariantCopy(&p.def, &ed.paramdesc.pparamdescex->varDefaultValue);
      }
      if (p.retval) f.has_retval = true; else ++f.n_in;
      f.params.push_back(p);
    }
    BSTR name = nullptr;
    UINT got = 0;
    if (SUCCEEDED(ti->GetNames(fd->memid, &name, 1, &got)) && got == 1) {
      info.names[Lower(name, SysStringLen(name))] = fd->memid;
      SysFreeString(name);
    }
    info.funcs.push_back(std::move(f));
    ti->ReleaseFuncDesc(fd);
  }
  ti->ReleaseTypeAttr(ta);
}

Library& Lib() {
  static Library lib = [] {
    Library l;
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(ThisModule(), path, MAX_PATH);
    if (FAILED(LoadTypeLibEx(path, REGKIND_NONE, &l.lib))) return l;
    UINT n = l.lib->GetTypeInfoCount();
    for (UINT i = 0; i < n; ++i) {
      ITypeInfo* ti = nullptr;
      if (FAILED(l.lib->GetTypeInfo(i, &ti))) continue;
      TYPEATTR* ta = nullptr;
      ti->GetTypeAttr(&ta);
      GUID g = ta->guid;
      TYPEKIND kind = ta->typekind;
      WORD flags = ta->wTypeFlags;
      ti->ReleaseTypeAttr(ta);
      l.infos[g] = ti;  // kept for the life of the module
      if (kind == TKIND_DISPATCH && (flags & TYPEFLAG_FDUAL)) {
        // The vtable layout (slot offsets) is on the interface half of a dual interface.
        HREFTYPE h;
        ITypeInfo* vt = nullptr;
        if (SUCCEEDED(ti->GetRefTypeOfImplType(-1, &h)) && SUCCEEDED(ti->GetRefTypeInfo(h, &vt))) {
          Describe(vt, l.ifaces[g]);
          vt->Release();
        }
      } else if (kind == TKIND_INTERFACE) {
        Describe(ti, l.ifaces[g]);
      }
    }
    return l;
  }();
  return lib;
}

const FuncInfo* FindFunc(const IfaceInfo& info, DISPID id, WORD flags) {
  const FuncInfo* get = nullptr;
  const FuncInfo* put = nullptr;
  const FuncInfo* putref = nullptr;
  const FuncInfo* method = nullptr;
  for (const auto& f : info.funcs) {
    if (f.id != id) continue;
    switch (f.kind) {
      case INVOKE_FUNC: method = &f; break;
      case INVOKE_PROPERTYGET: get = &f; break;
      case INVOKE_PROPERTYPUT: put = &f; break;
      case INVOKE_PROPERTYPUTREF: putref = &f; break;
    }
  }
  if (flags & DISPATCH_PROPERTYPUTREF) return putref ? putref : put;
  if (flags & DISPATCH_PROPERTYPUT) return put ? put : putref;
  if (flags & DISPATCH_METHOD) return method ? method : (flags & DISPATCH_PROPERTYGET) ? get : nullptr;
  if (flags & DISPATCH_PROPERTYGET) return get ? get : method;
  return nullptr;
}

const VARIANT* Inner(const VARIANT* v) {
  while (v->vt == (VT_BYREF | VT_VARIANT)) v = v->pvarVal;
  return v;
}

// Converts an array to another element type, element by element, keeping its bounds.
HRESULT ConvertArray(SAFEARRAY* src, VARTYPE to, SAFEARRAY** out) {
  *out = nullptr;
  if (!src) return S_OK;
  VARTYPE from = VT_EMPTY;
  SafeArrayGetVartype(src, &from);
  if (from == to) return SafeArrayCopy(src, out);
  UINT dims = SafeArrayGetDim(src);
  std::vector<SAFEARRAYBOUND> b(dims);
  ULONG total = 1;
  for (UINT d = 0; d < dims; ++d) {
    // SAFEARRAY stores its bounds last dimension first.
    b[d] = src->rgsabound[dims - 1 - d];
    total *= b[d].cElements;
  }
  SAFEARRAY* dst = SafeArrayCreate(to, dims, b.data());
  if (!dst) return E_OUTOFMEMORY;
  void* sp = nullptr;
  void* dp = nullptr;
  HRESULT hr = SafeArrayAccessData(src, &sp);
  if (SUCCEEDED(hr)) hr = SafeArrayAccessData(dst, &dp);
  if (SUCCEEDED(hr)) {
    UINT ss = SafeArrayGetElemsize(src), ds = SafeArrayGetElemsize(dst);
    for (ULONG i = 0; i < total && SUCCEEDED(hr); ++i) {
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
  return hr;
}

// Moves a typed value into the variable a by-reference argument points at.
void WriteBack(VARIANT* arg, VARIANT* local) {
  if (arg->vt == (VT_BYREF | VT_VARIANT)) {
    VARIANT* target = arg->pvarVal;
    while (target->vt == (VT_BYREF | VT_VARIANT)) target = target->pvarVal;
    if ((local->vt & VT_ARRAY) && (local->vt & VT_TYPEMASK) != VT_VARIANT) {
      SAFEARRAY* va = ToVariantArray(local->parray);
      VariantClear(local);
      local->vt = VT_ARRAY | VT_VARIANT;
      local->parray = va;
    }
    if (target->vt & VT_BYREF) {  // a variable that itself refers elsewhere
      VARIANT fake;
      fake.vt = target->vt;
      fake.byref = target->byref;
      WriteBack(&fake, local);
      return;
    }
    VariantClear(target);
    *target = *local;
    local->vt = VT_EMPTY;
    return;
  }
  VARTYPE t = arg->vt & ~VT_BYREF;
  VARIANT conv;
  VariantInit(&conv);
  HRESULT hr;
  if (t == VT_VARIANT) return;
  if (t & VT_ARRAY) {
    if (!(local->vt & VT_ARRAY)) return;
    SAFEARRAY* a = nullptr;
    if (FAILED(ConvertArray(local->parray, t & VT_TYPEMASK, &a))) return;
    if (*arg->pparray) SafeArrayDestroy(*arg->pparray);
    *arg->pparray = a;
    return;
  }
  hr = VariantChangeTypeEx(&conv, local, LOCALE_USER_DEFAULT, 0, t);
  if (FAILED(hr)) return;
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
    default: VariantClear(&conv); break;
  }
}

void FillExcep(HRESULT hr, EXCEPINFO* ei) {
  memset(ei, 0, sizeof(*ei));
  ei->scode = hr;
  IErrorInfo* info = nullptr;
  if (GetErrorInfo(0, &info) == S_OK && info) {
    info->GetSource(&ei->bstrSource);
    info->GetDescription(&ei->bstrDescription);
    info->Release();
  }
  if (!ei->bstrDescription || !SysStringLen(ei->bstrDescription)) {
    SysFreeString(ei->bstrDescription);
    ei->bstrDescription = SysAllocString(StdDescription(ErrorNumberOf(hr)));
  }
}

constexpr int kMaxParams = 32;

}  // namespace

HMODULE ThisModule() {
  HMODULE h = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&ThisModule), &h);
  return h;
}

ITypeLib* LibraryTypeLib() { return Lib().lib; }

ITypeInfo* TypeInfoOf(REFGUID guid) {
  auto& l = Lib();
  auto it = l.infos.find(guid);
  return it == l.infos.end() ? nullptr : it->second;
}

SAFEARRAY* ToVariantArray(SAFEARRAY* typed) {
  SAFEARRAY* out = nullptr;
  ConvertArray(typed, VT_VARIANT, &out);
  return out;
}

HRESULT DispatchIdsOfNames(REFIID iid, LPOLESTR* names, UINT count, DISPID* ids) {
  auto& l = Lib();
  auto it = l.ifaces.find(iid);
  if (it == l.ifaces.end() || count == 0) return DISP_E_UNKNOWNNAME;
  HRESULT hr = S_OK;
  auto n = it->second.names.find(Lower(names[0], static_cast<UINT>(wcslen(names[0]))));
  if (n == it->second.names.end()) { ids[0] = DISPID_UNKNOWN; hr = DISP_E_UNKNOWNNAME; }
  else ids[0] = n->second;
  for (UINT i = 1; i < count; ++i) { ids[i] = DISPID_UNKNOWN; hr = DISP_E_UNKNOWNNAME; }
  return hr;
}

HRESULT DispatchInvoke(REFIID iid, void* itf, DISPID id, WORD flags, DISPPARAMS* dp,
                       VARIANT* result, EXCEPINFO* excep, UINT* arg_err) {
  auto& l = Lib();
  auto it = l.ifaces.find(iid);
  if (it == l.ifaces.end()) return DISP_E_MEMBERNOTFOUND;
  const FuncInfo* f = FindFunc(it->second, id, flags);
  if (!f) return DISP_E_MEMBERNOTFOUND;
  if (f->params.size() > kMaxParams) return E_FAIL;

  static DISPPARAMS none = {nullptr, nullptr, 0, 0};
  if (!dp) dp = &none;
  UINT named = dp->cNamedArgs;
  bool put = (f->kind == INVOKE_PROPERTYPUT || f->kind == INVOKE_PROPERTYPUTREF);
  if (named && !(put && named == 1 && dp->rgdispidNamedArgs[0] == DISPID_PROPERTYPUT))
    return DISP_E_NONAMEDARGS;
  UINT positional = dp->cArgs - named;
  UINT max_positional = static_cast<UINT>(f->n_in) - (put ? 1u : 0u);
  if (put && dp->cArgs == 0) return DISP_E_PARAMNOTOPTIONAL;
  if (put && named == 0) { positional = dp->cArgs - 1; }  // value passed without its name
  if (positional > max_positional) {
    // obj.Prop(i) on a property without parameters that returns an object: the arguments
    // belong to the default member of that object, as in obj.Prop.Item(i).
    bool chain = !put && f->n_in == 0 && (flags & DISPATCH_PROPERTYGET) && f->has_retval &&
                 (f->params.back().vt == VT_DISPATCH || f->params.back().vt == VT_VARIANT);
    if (!chain) return DISP_E_BADPARAMCOUNT;
    VARIANT obj;
    VariantInit(&obj);
    DISPPARAMS no_args{nullptr, nullptr, 0, 0};
    HRESULT hr = DispatchInvoke(iid, itf, id, DISPATCH_PROPERTYGET, &no_args, &obj, excep, arg_err);
    if (FAILED(hr)) return hr;
    if (obj.vt != VT_DISPATCH || !obj.pdispVal) {
      VariantClear(&obj);
      return DISP_E_BADPARAMCOUNT;
    }
    hr = obj.pdispVal->Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT, flags, dp, result, excep, arg_err);
    VariantClear(&obj);
    return hr;
  }

  VARIANT locals[kMaxParams];
  VARIANTARG args[kMaxParams];
  VARIANTARG* argp[kMaxParams];
  VARTYPE types[kMaxParams];
  VARIANT* caller[kMaxParams];  // the caller's argument a local must be written back to
  size_t n = f->params.size();
  HRESULT hr = S_OK;
  size_t built = 0;
  void* record = nullptr;
  int retval_index = -1;

  for (size_t k = 0; k < n; ++k, ++built) {
    const ParamInfo& p = f->params[k];
    VariantInit(&locals[k]);
    VariantInit(&args[k]);
    caller[k] = nullptr;
    argp[k] = &args[k];
    if (p.retval) {
      retval_index = static_cast<int>(k);
      if (p.vt == VT_RECORD) {
        ULONG size = 0;
        p.rec->GetSize(&size);
        record = CoTaskMemAlloc(size);
        if (!record) { hr = E_OUTOFMEMORY; ++built; break; }
        p.rec->RecordInit(record);
        args[k].vt = VT_BYREF | VT_RECORD;
        args[k].byref = record;
      } else {
        locals[k].vt = p.vt;
        args[k].vt = VT_BYREF | p.vt;
        args[k].byref = (p.vt == VT_VARIANT) ? static_cast<void*>(&locals[k]) : static_cast<void*>(&locals[k].lVal);
        if (p.vt == VT_VARIANT) locals[k].vt = VT_EMPTY;
      }
      types[k] = args[k].vt;
      continue;
    }
    // Which caller argument feeds this parameter.
    VARIANT* a = nullptr;
    UINT arg_index = 0;
    bool is_value = put && static_cast<int>(k) == f->n_in - 1;
    if (is_value) { a = &dp->rgvarg[0]; arg_index = 0; }
    else if (k < positional) { arg_index = dp->cArgs - 1 - static_cast<UINT>(k); a = &dp->rgvarg[arg_index]; }
    bool missing = !a || (Inner(a)->vt == VT_ERROR && Inner(a)->scode == DISP_E_PARAMNOTFOUND);
    if (missing) {
      if (!p.optional && !p.has_default) {
        hr = DISP_E_PARAMNOTOPTIONAL;
        if (arg_err) *arg_err = arg_index;
        ++built;
        break;
      }
      if (p.has_default) {
        hr = CoerceIn(&p.def, p, &locals[k]);
      } else if (p.vt == VT_VARIANT) {
        locals[k].vt = VT_ERROR;
        locals[k].scode = DISP_E_PARAMNOTFOUND;
      } else {
        locals[k].vt = p.vt;  // zero of the type
      }
      if (FAILED(hr)) { ++built; break; }
      a = nullptr;
    } else if (p.byref && p.vt != VT_VARIANT && a->vt == (VT_BYREF | p.vt)) {
      // The caller's variable already has the parameter's type: pass it straight through.
      args[k] = *a;
      types[k] = a->vt;
      continue;
    } else {
      hr = CoerceIn(a, p, &locals[k]);
      if (FAILED(hr)) {
        if (arg_err) *arg_err = arg_index;
        ++built;
        break;
      }
      if (p.byref && (a->vt & VT_BYREF)) caller[k] = a;
    }
    if (p.byref) {
      args[k].vt = VT_BYREF | p.vt;
      if (p.vt == VT_VARIANT) args[k].pvarVal = &locals[k];
      else if (p.vt == VT_RECORD) args[k].byref = locals[k].pvRecord;
      else args[k].byref = &locals[k].lVal;
    } else if (p.vt == VT_VARIANT) {
      args[k] = locals[k];
      types[k] = VT_VARIANT;
      argp[k] = &locals[k];
      continue;
    } else {
      args[k] = locals[k];
    }
    types[k] = args[k].vt;
  }

  HRESULT call_hr = S_OK;
  if (SUCCEEDED(hr)) {
    VARIANT ret;
    VariantInit(&ret);
    hr = DispCallFunc(itf, f->vft, CC_STDCALL, VT_ERROR, static_cast<UINT>(n), types, argp, &ret);
    if (SUCCEEDED(hr)) call_hr = ret.scode;
  }
  // By-reference arguments are written back whatever the outcome, as a compiled caller sees
  // changes made before an error.
  for (size_t k = 0; k < built && k < n; ++k) {
    if (caller[k]) WriteBack(caller[k], &locals[k]);
  }
  if (SUCCEEDED(hr) && SUCCEEDED(call_hr) && result && retval_index >= 0) {
    const ParamInfo& p = f->params[retval_index];
    VariantClear(result);
    if (p.vt == VT_RECORD) {
      result->vt = VT_RECORD;
      result->pvRecord = record;
      result->pRecInfo = p.rec;
      p.rec->AddRef();
      record = nullptr;
    } else {
      VARIANT* r = &locals[retval_index];
      if ((r->vt & VT_ARRAY) && (r->vt & VT_TYPEMASK) != VT_VARIANT) {
        SAFEARRAY* va = ToVariantArray(r->parray);
        VariantClear(r);
        r->vt = VT_ARRAY | VT_VARIANT;
        r->parray = va;
      }
      *result = *r;
      r->vt = VT_EMPTY;
    }
  }
  if (record) {
    f->params[retval_index].rec->RecordClear(record);
    CoTaskMemFree(record);
  }
  for (size_t k = 0; k < built && k < n; ++k) {
    if (f->params[k].vt == VT_VARIANT && !f->params[k].byref) continue;  // cleared below via locals
    VariantClear(&locals[k]);
  }
  for (size_t k = 0; k < built && k < n; ++k) {
    if (f->params[k].vt == VT_VARIANT && !f->params[k].byref) VariantClear(&locals[k]);
  }
  if (FAILED(hr)) return hr;
  if (FAILED(call_hr)) {
    if (excep) {
      FillExcep(call_hr, excep);
      return DISP_E_EXCEPTION;
    }
    return call_hr;
  }
  return S_OK;
}

}  // namespace kz

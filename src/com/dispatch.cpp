#include "com/dispatch.h"

#include <cwctype>
#include <string>

#include "base/error.h"
#include "com/excepinfo.h"
#include "com/marshal.h"

namespace kz {
namespace {

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

// A member the dispatcher cannot call (more parameters than it passes, or a description it
// could not read): an error that says so, instead of a bare failure code.
HRESULT Unsupported(const FuncInfo& f, REFIID iid, EXCEPINFO* excep) {
  std::wstring what = f.params.size() > kMaxParams
                          ? L"The member " + f.name + L" has " + std::to_wstring(f.params.size()) +
                                L" parameters; at most " + std::to_wstring(kMaxParams) + L" can be passed"
                          : L"The member " + f.name + L" cannot be called: its type information is incomplete";
  HRESULT hr = Error(kErrInvalidCall, L"Kelzud10", what).Report(iid);
  if (!excep) return hr;
  FillExcepInfo(hr, excep);
  return DISP_E_EXCEPTION;
}

}  // namespace

HRESULT DispatchIdsOfNames(REFIID iid, LPOLESTR* names, UINT count, DISPID* ids) {
  if (!ids || (count && !names)) return E_INVALIDARG;
  const IfaceInfo* info = InterfaceOf(iid);
  if (!info || count == 0) return DISP_E_UNKNOWNNAME;
  HRESULT hr = S_OK;
  std::wstring name = names[0] ? names[0] : L"";
  for (auto& c : name) c = static_cast<wchar_t>(std::towlower(c));
  auto n = info->names.find(name);
  if (n == info->names.end()) { ids[0] = DISPID_UNKNOWN; hr = DISP_E_UNKNOWNNAME; }
  else ids[0] = n->second;
  for (UINT i = 1; i < count; ++i) { ids[i] = DISPID_UNKNOWN; hr = DISP_E_UNKNOWNNAME; }
  return hr;
}

HRESULT DispatchInvoke(REFIID iid, void* itf, DISPID id, WORD flags, DISPPARAMS* dp,
                       VARIANT* result, EXCEPINFO* excep, UINT* arg_err) {
  const IfaceInfo* info = InterfaceOf(iid);
  if (!info) return DISP_E_MEMBERNOTFOUND;
  const FuncInfo* f = FindFunc(*info, id, flags);
  if (!f) return DISP_E_MEMBERNOTFOUND;

  static DISPPARAMS none = {nullptr, nullptr, 0, 0};
  if (!dp) dp = &none;
  // Nothing below reads an argument before it is known to be readable.
  HRESULT hr = CheckArguments(*dp, arg_err);
  if (FAILED(hr)) return hr;
  if (f->params.size() > kMaxParams || !f->usable) return Unsupported(*f, iid, excep);

  UINT named = dp->cNamedArgs;
  bool put = (f->kind == INVOKE_PROPERTYPUT || f->kind == INVOKE_PROPERTYPUTREF);
  if (named && !(put && named == 1 && dp->rgdispidNamedArgs[0] == DISPID_PROPERTYPUT))
    return DISP_E_NONAMEDARGS;
  UINT positional = dp->cArgs - named;
  UINT max_positional = static_cast<UINT>(f->n_in) - (put ? 1u : 0u);
  if (put && dp->cArgs == 0) return DISP_E_PARAMNOTOPTIONAL;
  if (put && named == 0) positional = dp->cArgs - 1;  // value passed without its name
  if (positional > max_positional) {
    // obj.Prop(i) on a property without parameters that returns an object: the arguments
    // belong to the default member of that object, as in obj.Prop.Item(i).
    bool chain = !put && f->n_in == 0 && (flags & DISPATCH_PROPERTYGET) && f->has_retval &&
                 (f->params.back().vt == VT_DISPATCH || f->params.back().vt == VT_VARIANT);
    if (!chain) return DISP_E_BADPARAMCOUNT;
    VARIANT obj;
    VariantInit(&obj);
    DISPPARAMS no_args{nullptr, nullptr, 0, 0};
    hr = DispatchInvoke(iid, itf, id, DISPATCH_PROPERTYGET, &no_args, &obj, excep, arg_err);
    if (FAILED(hr)) return hr;
    if (obj.vt != VT_DISPATCH || !obj.pdispVal) {
      VariantClear(&obj);
      return DISP_E_BADPARAMCOUNT;
    }
    hr = obj.pdispVal->Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT, flags, dp, result, excep, arg_err);
    VariantClear(&obj);
    return hr;
  }

  ArgumentFrame frame(*f, put);
  hr = frame.Build(*dp, positional, arg_err);
  if (FAILED(hr)) return hr;
  VARIANT ret;
  VariantInit(&ret);
  hr = DispCallFunc(itf, f->vft, CC_STDCALL, VT_ERROR, frame.count(), frame.types(), frame.args(), &ret);
  if (FAILED(hr)) return hr;
  HRESULT call_hr = ret.scode;
  // By-reference arguments go back whatever the outcome, as a compiled caller sees changes
  // made before an error.
  frame.WriteBackChanged();
  if (FAILED(call_hr)) {
    if (!excep) return call_hr;
    FillExcepInfo(call_hr, excep);
    return DISP_E_EXCEPTION;
  }
  frame.TakeResult(result);
  return S_OK;
}

}  // namespace kz

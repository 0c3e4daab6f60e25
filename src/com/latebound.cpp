#include "com/latebound.h"

#include <dispex.h>

#include "base/error.h"
#include "com/excepinfo.h"

namespace kz {
namespace {

// IID_IDispatchEx, which the MinGW import libraries do not carry.
const IID kIidDispatchEx = {0xa6ef9860, 0xc720, 0x11d0, {0x93, 0x37, 0x00, 0xa0, 0xc9, 0x0d, 0xca, 0xa9}};

Var Call(IDispatch* obj, const wchar_t* name, WORD flags, std::vector<VARIANT>& rev, bool put) {
  if (!obj) Raise(kErrObjectNotSet);
  DISPID id;
  LPOLESTR n = const_cast<LPOLESTR>(name);
  if (FAILED(obj->GetIDsOfNames(IID_NULL, &n, 1, LOCALE_USER_DEFAULT, &id))) {
    // Script objects (a VBScript class instance under Wine) may answer names only through
    // IDispatchEx.
    IDispatchEx* ex = nullptr;
    bool found = false;
    if (SUCCEEDED(obj->QueryInterface(kIidDispatchEx, reinterpret_cast<void**>(&ex))) && ex) {
      BSTR b = SysAllocString(name);
      found = b && SUCCEEDED(ex->GetDispID(b, fdexNameCaseInsensitive, &id));
      SysFreeString(b);
      ex->Release();
    }
    if (!found) Raise(kErrNoMember);
  }
  DISPID put_id = DISPID_PROPERTYPUT;
  DISPPARAMS dp{rev.empty() ? nullptr : rev.data(), put ? &put_id : nullptr, static_cast<UINT>(rev.size()),
                put ? 1u : 0u};
  Var result;
  EXCEPINFO ei{};
  UINT arg_err = 0;
  HRESULT hr = obj->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &dp, put ? nullptr : result.get(), &ei, &arg_err);
  if (hr == DISP_E_EXCEPTION) throw TakeExcepInfo(ei);
  if (hr == DISP_E_MEMBERNOTFOUND) Raise(kErrNoMember);
  if (FAILED(hr)) throw Error(ErrorNumberOf(hr));
  return result;
}

}  // namespace

Var CallByName(IDispatch* obj, const wchar_t* name, WORD flags, const std::vector<VARIANT*>& byref_args) {
  std::vector<VARIANT> rev(byref_args.size());
  for (size_t i = 0; i < byref_args.size(); ++i) {
    VARIANT& a = rev[byref_args.size() - 1 - i];
    VariantInit(&a);
    a.vt = VT_BYREF | VT_VARIANT;
    a.pvarVal = byref_args[i];
  }
  return Call(obj, name, flags, rev, false);
}

Var CallByName(IDispatch* obj, const wchar_t* name, WORD flags, const std::vector<Var>& args) {
  std::vector<VARIANT> rev(args.size());
  for (size_t i = 0; i < args.size(); ++i) rev[args.size() - 1 - i] = *args[i].get();  // borrowed
  return Call(obj, name, flags, rev, false);
}

void PutProp(IDispatch* obj, const wchar_t* name, const Var& value) {
  std::vector<VARIANT> rev{*value.get()};
  Call(obj, name, DISPATCH_PROPERTYPUT, rev, true);
}

void PutRef(IDispatch* obj, const wchar_t* name, IDispatch* value) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_DISPATCH;
  v.pdispVal = value;
  std::vector<VARIANT> rev{v};
  Call(obj, name, DISPATCH_PROPERTYPUTREF, rev, true);
}

IDispatch* CreateByProgId(const std::wstring& progid) {
  CLSID clsid;
  if (FAILED(CLSIDFromProgID(progid.c_str(), &clsid))) Raise(kErrCantCreate);
  IDispatch* d = nullptr;
  HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                reinterpret_cast<void**>(&d));
  if (FAILED(hr) || !d) Raise(kErrCantCreate);
  return d;
}

}  // namespace kz

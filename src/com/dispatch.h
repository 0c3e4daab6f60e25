// IDispatch served from the library's own type information.
//
// The stock ITypeInfo::Invoke refuses a VBScript variable (VT_BYREF|VT_VARIANT) for a typed
// by-reference parameter. This invoker accepts it: it coerces the value in (com/marshal.h),
// calls the member through its vtable slot, and takes back into the caller's variables what
// the member changed.
#pragma once
#include "base/win.h"
#include "com/typelib.h"

namespace kz {

HRESULT DispatchIdsOfNames(REFIID iid, LPOLESTR* names, UINT count, DISPID* ids);
HRESULT DispatchInvoke(REFIID iid, void* itf, DISPID id, WORD flags, DISPPARAMS* params,
                       VARIANT* result, EXCEPINFO* excep, UINT* arg_err);

}  // namespace kz

// IDispatch served from the library's own type information.
//
// The stock ITypeInfo::Invoke refuses a VBScript variable (VT_BYREF|VT_VARIANT) for a typed
// by-reference parameter. This engine accepts it: it coerces the value in, calls the member
// through its vtable slot, and writes the result back into the caller's variable.
#pragma once
#include "base/win.h"

namespace kz {

// The module (DLL or test program) that carries the type library resource.
HMODULE ThisModule();
// The library's type library, loaded once from this module's resource.
ITypeLib* LibraryTypeLib();
// Type information of an interface, dispinterface or class of the library (null if unknown).
ITypeInfo* TypeInfoOf(REFGUID guid);

HRESULT DispatchIdsOfNames(REFIID iid, LPOLESTR* names, UINT count, DISPID* ids);
HRESULT DispatchInvoke(REFIID iid, void* itf, DISPID id, WORD flags, DISPPARAMS* params,
                       VARIANT* result, EXCEPINFO* excep, UINT* arg_err);

// Arrays handed back to script variables become arrays of Variant, which scripts can index.
SAFEARRAY* ToVariantArray(SAFEARRAY* typed);

}  // namespace kz

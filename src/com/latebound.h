// Late-bound calls by member name, as the library makes them on sibling components, on
// objects it created by programmatic identifier and on client objects.
#pragma once
#include <string>
#include <vector>

#include "com/variant.h"

namespace kz {

// Calls a member; `args` are in source order. Arguments given as pointers to caller-owned
// VARIANTs are passed by reference (the callee may change them). Failures raise Error with
// the callee's number, source and description (438 for an unknown member, 91 for no object).
Var CallByName(IDispatch* obj, const wchar_t* name, WORD flags, const std::vector<VARIANT*>& byref_args);
Var CallByName(IDispatch* obj, const wchar_t* name, WORD flags, const std::vector<Var>& args);

inline Var GetProp(IDispatch* obj, const wchar_t* name) {
  return CallByName(obj, name, DISPATCH_PROPERTYGET | DISPATCH_METHOD, std::vector<Var>{});
}
void PutProp(IDispatch* obj, const wchar_t* name, const Var& value);
void PutRef(IDispatch* obj, const wchar_t* name, IDispatch* value);

// Creates an object by programmatic identifier, exactly as a client would; raises 429 when
// it cannot be created. The caller owns the reference.
IDispatch* CreateByProgId(const std::wstring& progid);

}  // namespace kz

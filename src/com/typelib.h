// The library's type library, loaded once from this module's resource, and what the
// dispatcher needs of each interface: its members with their vtable slots and parameters.
// Held until ReleaseTypeLibrary (the DLL calls it when it detaches).
#pragma once
#include <string>
#include <unordered_map>
#include <vector>

#include "base/win.h"

namespace kz {

struct ParamInfo {
  VARTYPE vt = VT_EMPTY;  // base type; VT_ARRAY|elem for arrays
  bool byref = false;
  bool optional = false;
  bool has_default = false;
  bool retval = false;
  bool out_only = false;  // [out] without [in]: the member sets it and never reads it
  VARIANT def{};          // the default, when has_default
  IID iid = IID_IDispatch;  // for VT_DISPATCH / VT_UNKNOWN
  IRecordInfo* rec = nullptr;  // for VT_RECORD (owned by the cache)
};

struct FuncInfo {
  std::wstring name;
  MEMBERID id = 0;
  INVOKEKIND kind = INVOKE_FUNC;
  short vft = 0;
  int n_in = 0;            // parameters a caller supplies (all but the result)
  bool has_retval = false;
  bool usable = true;      // false: the member's description could not be read in full
  std::vector<ParamInfo> params;
};

struct IfaceInfo {
  std::vector<FuncInfo> funcs;
  std::unordered_map<std::wstring, DISPID> names;  // lower-case name -> id
};

// The module (DLL or test program) that carries the type library resource.
HMODULE ThisModule();
// The library's type library (null when it cannot be loaded).
ITypeLib* LibraryTypeLib();
// Type information of an interface, dispinterface or class of the library (null if unknown);
// borrowed from the cache.
ITypeInfo* TypeInfoOf(REFGUID guid);
// The members of an interface of the library, described for the dispatcher (null if unknown).
const IfaceInfo* InterfaceOf(REFIID iid);
// Releases the cache; the next use loads it again.
void ReleaseTypeLibrary();

}  // namespace kz

// In-process server support shared by kelzud10.dll and the sibling servers: class objects and
// the registry keys that publish a class.
#pragma once
#include <string>

#include "frame/catalogue.h"
#include "frame/kz.h"

namespace kz {

// A class object (IClassFactory) that makes instances with `create`; it counts as a live
// object of the module while it exists.
HRESULT NewClassFactory(Creator create, REFIID iid, void** out);

// "{XXXXXXXX-...}" of a GUID.
std::wstring GuidText(REFGUID g);

// The full path of the module that carries this code.
std::wstring ModulePath();

// Publishes a class: CLSID key with its in-process server (apartment threaded), programmatic
// identifier, version and type library, and the programmatic identifier's key.
bool RegisterClassKeys(const std::wstring& progid, REFCLSID clsid, const std::wstring& module_path,
                       const std::wstring& libid, const std::wstring& version);
void RemoveClassKeys(const std::wstring& progid, REFCLSID clsid);

}  // namespace kz

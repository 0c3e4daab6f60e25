// In-process server support shared by kelzud10.dll and the sibling servers: class objects and
// the registry keys that publish a class.
#pragma once
#include <string>

#include "base/win.h"

namespace kz {

// Creates a new instance of a class and returns the interface asked for (AddRef'ed).
using Creator = HRESULT (*)(REFIID iid, void** out);

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
// Removes the class's CLSID key from this architecture's registry view. The programmatic
// identifier is shared by both views on 64-bit Windows: it goes only when the other
// architecture's server of the class is not registered either (for the machine; the user's own
// registration goes in full).
void RemoveClassKeys(const std::wstring& progid, REFCLSID clsid);

// Registers the type library embedded in the module (for this architecture's system kind);
// its identifier and "major.minor" version on success.
bool RegisterEmbeddedTypeLib(const std::wstring& module_path, std::wstring* libid, std::wstring* version);
// Unregisters this architecture's registration of the module's embedded type library.
void UnregisterEmbeddedTypeLib(const std::wstring& module_path);

// DllInstall of a server: "user" (any case) runs `reg` (install) or `unreg` with the classes root
// redirected to the current user's "Software\Classes", so that a user without administrator
// rights can register and unregister the server for themselves (the type library through the
// per-user call where the platform has it); no command line does the machine-wide registration.
// Anything else is refused with E_INVALIDARG.
HRESULT InstallServer(BOOL install, const wchar_t* command_line, HRESULT(STDAPICALLTYPE* reg)(),
                      HRESULT(STDAPICALLTYPE* unreg)());

}  // namespace kz

// In-process server support: class objects and registration of the published classes.
#pragma once
#include "frame/kz.h"

namespace kz {
HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out);
HRESULT RegisterServer(const wchar_t* module_path);
HRESULT UnregisterServer();
}  // namespace kz

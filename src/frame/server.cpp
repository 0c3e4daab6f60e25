#include "frame/server.h"

#include <string>

#include "frame/catalogue.h"
#include "frame/kz.h"
#include "com/inproc.h"

namespace kz {
HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  const ClassEntry* e = FindClass(clsid);
  if (!e || !IsPublished(*e)) return CLASS_E_CLASSNOTAVAILABLE;
  return NewClassFactory(CreatorOf(*e), iid, out);
}

HRESULT RegisterServer(const wchar_t* module_path) {
  std::wstring libid, version;
  if (!RegisterEmbeddedTypeLib(module_path, &libid, &version)) return SELFREG_E_TYPELIB;
  for (const auto& e : Catalogue()) {
    if (!IsPublished(e)) {
      RemoveClassKeys(ProgIdOf(e), *e.clsid);  // a class that is not built stays unregistered
      continue;
    }
    if (!RegisterClassKeys(ProgIdOf(e), *e.clsid, module_path, libid, version)) {
      UnregisterServer();  // nothing half-registered
      return SELFREG_E_CLASS;
    }
  }
  return S_OK;
}

HRESULT UnregisterServer() {
  for (const auto& e : Catalogue()) RemoveClassKeys(ProgIdOf(e), *e.clsid);
  UnregisterEmbeddedTypeLib(ModulePath());
  return S_OK;
}

}  // namespace kz

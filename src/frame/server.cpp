#include "frame/server.h"

#include <string>

#include "frame/catalogue.h"
#include "frame/inproc.h"

namespace kz {
namespace {

std::wstring ProgIdOf(const ClassEntry& e) { return std::wstring(L"Kelzud10.") + e.name; }

}  // namespace

HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  const ClassEntry* e = FindClass(clsid);
  if (!e || !IsPublished(*e)) return CLASS_E_CLASSNOTAVAILABLE;
  return NewClassFactory(CreatorOf(*e), iid, out);
}

HRESULT RegisterServer(const wchar_t* module_path) {
  ITypeLib* tl = nullptr;
  HRESULT hr = LoadTypeLibEx(module_path, REGKIND_REGISTER, &tl);
  if (FAILED(hr)) return SELFREG_E_TYPELIB;
  tl->Release();
  const std::wstring libid = GuidText(LIBID_Kelzud10);
  for (const auto& e : Catalogue()) {
    if (!IsPublished(e)) {
      RemoveClassKeys(ProgIdOf(e), *e.clsid);  // a class that is not built stays unregistered
      continue;
    }
    if (!RegisterClassKeys(ProgIdOf(e), *e.clsid, module_path, libid, L"1.0")) return SELFREG_E_CLASS;
  }
  return S_OK;
}

HRESULT UnregisterServer() {
  for (const auto& e : Catalogue()) RemoveClassKeys(ProgIdOf(e), *e.clsid);
  UnRegisterTypeLib(LIBID_Kelzud10, 1, 0, 1033, SYS_WIN32);
  return S_OK;
}

}  // namespace kz

// The entry points of a sibling server: class objects for the classes in its table, and
// self-registration of those classes and of the type library embedded in the server's file.
#include <string>
#include <vector>

#include "common/sibling.h"
#include "frame/kz.h"
#include "com/dispatch.h"
#include "com/inproc.h"
#include "com/module.h"

namespace kzs {
namespace {

std::vector<SiblingClass>& Table() {
  static std::vector<SiblingClass> t;
  return t;
}

}  // namespace

bool AddClass(const wchar_t* progid, const CLSID* clsid, kz::Creator create) {
  Table().push_back(SiblingClass{progid, clsid, create});
  return true;
}

}  // namespace kzs

extern "C" BOOL WINAPI DllMain(HINSTANCE inst, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(inst);
  return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  for (const auto& c : kzs::Table()) {
    if (!IsEqualCLSID(*c.clsid, clsid)) continue;
    return kz::NewClassFactory(c.create, iid, out);
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return kz::ModuleCount() == 0 ? S_OK : S_FALSE; }

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
  for (const auto& c : kzs::Table()) kz::RemoveClassKeys(c.progid, *c.clsid);
  kz::UnregisterEmbeddedTypeLib(kz::ModulePath());
  return S_OK;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
  const std::wstring path = kz::ModulePath();
  std::wstring libid, version;
  if (!kz::RegisterEmbeddedTypeLib(path, &libid, &version)) return SELFREG_E_TYPELIB;
  for (const auto& c : kzs::Table()) {
    if (!kz::RegisterClassKeys(c.progid, *c.clsid, path, libid, version)) {
      DllUnregisterServer();  // nothing half-registered
      return SELFREG_E_CLASS;
    }
  }
  return S_OK;
}

extern "C" HRESULT STDAPICALLTYPE DllInstall(BOOL install, LPCWSTR command_line) {
  return kz::InstallServer(install, command_line, DllRegisterServer, DllUnregisterServer);
}

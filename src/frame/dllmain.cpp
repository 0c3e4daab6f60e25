// The exports of the in-process server.
#include "frame/kz.h"
#include "com/module.h"
#include "frame/server.h"
#include "com/inproc.h"
#include "com/typelib.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE inst, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(inst);
  // Unloaded by FreeLibrary: give back the type library. At process exit (reserved set) the
  // libraries it came from may be gone already, and the memory goes with the process.
  if (reason == DLL_PROCESS_DETACH && !reserved) kz::ReleaseTypeLibrary();
  return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  return kz::GetClassObject(clsid, iid, out);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return kz::ModuleCount() == 0 ? S_OK : S_FALSE; }

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
  return kz::RegisterServer(kz::ModulePath().c_str());
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() { return kz::UnregisterServer(); }

extern "C" HRESULT STDAPICALLTYPE DllInstall(BOOL install, LPCWSTR command_line) {
  return kz::InstallServer(install, command_line, DllRegisterServer, DllUnregisterServer);
}

// The four exports of the in-process server.
#include "frame/kz.h"
#include "com/module.h"
#include "frame/server.h"
#include "com/inproc.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE inst, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(inst);
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

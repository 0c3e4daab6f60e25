#include "com/inproc.h"

#include <new>

#include "base/owner.h"

#include "com/dispatch.h"
#include "com/module.h"
#include "com/refcounted.h"

namespace kz {
namespace {

class ClassFactory : public RefCounted<IClassFactory> {
 public:
  explicit ClassFactory(Creator c) : creator_(c) {}

  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return creator_(riid, ppv);
  }
  STDMETHODIMP LockServer(BOOL lock) override {
    if (lock) ModuleAddRef(); else ModuleRelease();
    return S_OK;
  }

 private:
  Creator creator_;
};

bool SetString(const std::wstring& path, const wchar_t* name, const std::wstring& value) {
  HKEY k;
  if (RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr) != ERROR_SUCCESS)
    return false;
  LONG r = RegSetValueExW(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(k);
  return r == ERROR_SUCCESS;
}

// Set while DllInstall registers or unregisters for the current user alone.
bool g_per_user = false;

// The per-user type library calls are missing from older systems' oleaut32; there the classes
// root redirection catches the machine-wide calls instead.
using RegisterForUserFn = HRESULT(WINAPI*)(ITypeLib*, OLECHAR*, OLECHAR*);
using UnregisterForUserFn = HRESULT(WINAPI*)(REFGUID, WORD, WORD, LCID, SYSKIND);
FARPROC OleAutProc(const char* name) {
  HMODULE oleaut = GetModuleHandleW(L"oleaut32.dll");
  return oleaut ? GetProcAddress(oleaut, name) : nullptr;
}

void RemoveTree(const std::wstring& path) {
  RegDeleteTreeW(HKEY_CLASSES_ROOT, path.c_str());
  RegDeleteKeyW(HKEY_CLASSES_ROOT, path.c_str());  // the key itself, where the tree call leaves it
}

}  // namespace

HRESULT NewClassFactory(Creator create, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  ClassFactory* f = new (std::nothrow) ClassFactory(create);
  if (!f) return E_OUTOFMEMORY;
  HRESULT hr = f->QueryInterface(iid, out);
  f->Release();
  return hr;
}

std::wstring GuidText(REFGUID g) {
  wchar_t buf[40];
  StringFromGUID2(g, buf, 40);
  return buf;
}

std::wstring ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(ThisModule(), &path[0], static_cast<DWORD>(path.size()));
    if (n == 0) return std::wstring();
    if (n < path.size()) return path.substr(0, n);
    path.resize(path.size() * 2);
  }
}

bool RegisterClassKeys(const std::wstring& progid, REFCLSID clsid, const std::wstring& module_path,
                       const std::wstring& libid, const std::wstring& version) {
  const std::wstring key = L"CLSID\\" + GuidText(clsid);
  return SetString(key, nullptr, progid) && SetString(key + L"\\InprocServer32", nullptr, module_path) &&
         SetString(key + L"\\InprocServer32", L"ThreadingModel", L"Apartment") &&
         SetString(key + L"\\ProgID", nullptr, progid) && SetString(key + L"\\VERSION", nullptr, version) &&
         SetString(key + L"\\TypeLib", nullptr, libid) && SetString(key + L"\\Programmable", nullptr, L"") &&
         SetString(progid, nullptr, progid) && SetString(progid + L"\\CLSID", nullptr, GuidText(clsid));
}

void RemoveClassKeys(const std::wstring& progid, REFCLSID clsid) {
  const std::wstring key = L"CLSID\\" + GuidText(clsid);
  RemoveTree(key);
  // The user's own classes keep one registration of a class for both architectures: nothing
  // there, nor the machine's other view, keeps the identifier.
  if (g_per_user) return RemoveTree(progid);
  // A 32-bit process on a 32-bit system has no other view: the flag is ignored there and the
  // probe sees the key just removed.
  const REGSAM other_view = sizeof(void*) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
  HKEY k = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, (key + L"\\InprocServer32").c_str(), 0, KEY_READ | other_view, &k) ==
      ERROR_SUCCESS) {
    RegCloseKey(k);
    return;
  }
  RemoveTree(progid);
}

bool RegisterEmbeddedTypeLib(const std::wstring& module_path, std::wstring* libid, std::wstring* version) {
  ITypeLib* tl = nullptr;
  if (module_path.empty()) return false;
  if (g_per_user) {
    if (FAILED(LoadTypeLibEx(module_path.c_str(), REGKIND_NONE, &tl))) return false;
    auto for_user = reinterpret_cast<RegisterForUserFn>(OleAutProc("RegisterTypeLibForUser"));
    std::wstring path = module_path;
    HRESULT hr = for_user ? for_user(tl, &path[0], nullptr) : RegisterTypeLib(tl, &path[0], nullptr);
    if (FAILED(hr)) {
      tl->Release();
      return false;
    }
  } else if (FAILED(LoadTypeLibEx(module_path.c_str(), REGKIND_REGISTER, &tl))) {
    return false;
  }
  TLIBATTR* attr = nullptr;
  bool ok = SUCCEEDED(tl->GetLibAttr(&attr));
  if (ok) {
    *libid = GuidText(attr->guid);
    *version = std::to_wstring(attr->wMajorVerNum) + L"." + std::to_wstring(attr->wMinorVerNum);
    tl->ReleaseTLibAttr(attr);
  }
  tl->Release();
  return ok;
}

void UnregisterEmbeddedTypeLib(const std::wstring& module_path) {
  ITypeLib* tl = nullptr;
  if (module_path.empty() || FAILED(LoadTypeLibEx(module_path.c_str(), REGKIND_NONE, &tl))) return;
  TLIBATTR* attr = nullptr;
  if (SUCCEEDED(tl->GetLibAttr(&attr))) {
    auto for_user = g_per_user ? reinterpret_cast<UnregisterForUserFn>(OleAutProc("UnRegisterTypeLibForUser"))
                               : nullptr;
    if (for_user)
      for_user(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid, attr->syskind);
    else
      UnRegisterTypeLib(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid, attr->syskind);
    tl->ReleaseTLibAttr(attr);
  }
  tl->Release();
}

HRESULT InstallServer(BOOL install, const wchar_t* command_line, HRESULT(STDAPICALLTYPE* reg)(),
                      HRESULT(STDAPICALLTYPE* unreg)()) {
  const std::wstring how = command_line ? command_line : L"";
  if (how.empty()) return install ? reg() : unreg();
  if (CompareStringOrdinal(how.c_str(), -1, L"user", -1, TRUE) != CSTR_EQUAL) return E_INVALIDARG;
  RegKey user_classes;
  LONG rc = RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Classes", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            user_classes.out(), nullptr);
  if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
  // Every write to the classes root in this process, the type library's included, goes to the
  // user's classes until the override is taken back.
  rc = RegOverridePredefKey(HKEY_CLASSES_ROOT, user_classes.get());
  if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
  g_per_user = true;
  HRESULT hr = install ? reg() : unreg();
  g_per_user = false;
  RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
  // A user who had no classes of their own before gets these containers from the registration:
  // left empty, they go with it.
  if (!install) {
    for (const wchar_t* name : {L"CLSID", L"Interface", L"TypeLib"}) {
      RegKey k;
      if (RegOpenKeyExW(user_classes.get(), name, 0, KEY_READ, k.out()) != ERROR_SUCCESS) continue;
      DWORD subkeys = 1, values = 1;
      RegQueryInfoKeyW(k.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                       nullptr, nullptr);
      k.reset();
      if (subkeys == 0 && values == 0) RegDeleteKeyW(user_classes.get(), name);
    }
  }
  return hr;
}

}  // namespace kz

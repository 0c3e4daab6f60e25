// The four entry points of a sibling server: class objects for the classes in its table, and
// self-registration of those classes and of the type library embedded in the server's file.
#include <string>
#include <vector>

#include "common/sibling.h"
#include "frame/dispatch.h"
#include "frame/module.h"

namespace kzs {
namespace {

std::vector<SiblingClass>& Table() {
  static std::vector<SiblingClass> t;
  return t;
}

class ClassFactory : public IClassFactory {
 public:
  explicit ClassFactory(kz::Creator c) : creator_(c) { kz::ModuleAddRef(); }
  virtual ~ClassFactory() { kz::ModuleRelease(); }

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
      *ppv = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
  STDMETHODIMP_(ULONG) Release() override {
    LONG r = InterlockedDecrement(&refs_);
    if (r == 0) delete this;
    return static_cast<ULONG>(r);
  }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return creator_(riid, ppv);
  }
  STDMETHODIMP LockServer(BOOL lock) override {
    if (lock) kz::ModuleAddRef(); else kz::ModuleRelease();
    return S_OK;
  }

 private:
  kz::Creator creator_;
  volatile LONG refs_ = 1;
};

std::wstring GuidText(REFGUID g) {
  wchar_t buf[40];
  StringFromGUID2(g, buf, 40);
  return buf;
}

bool SetString(const std::wstring& path, const wchar_t* name, const std::wstring& value) {
  HKEY k;
  if (RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr) !=
      ERROR_SUCCESS)
    return false;
  LONG r = RegSetValueExW(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(k);
  return r == ERROR_SUCCESS;
}

void RemoveClass(const SiblingClass& c) {
  RegDeleteTreeW(HKEY_CLASSES_ROOT, c.progid);
  RegDeleteKeyW(HKEY_CLASSES_ROOT, c.progid);
  std::wstring key = L"CLSID\\" + GuidText(*c.clsid);
  RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str());
  RegDeleteKeyW(HKEY_CLASSES_ROOT, key.c_str());
}

std::wstring ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(kz::ThisModule(), &path[0], static_cast<DWORD>(path.size()));
    if (n == 0) return std::wstring();
    if (n < path.size()) return path.substr(0, n);
    path.resize(path.size() * 2);
  }
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
    auto* f = new (std::nothrow) kzs::ClassFactory(c.create);
    if (!f) return E_OUTOFMEMORY;
    HRESULT hr = f->QueryInterface(iid, out);
    f->Release();
    return hr;
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return kz::ModuleCount() == 0 ? S_OK : S_FALSE; }

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
  const std::wstring path = kzs::ModulePath();
  ITypeLib* tl = nullptr;
  if (path.empty() || FAILED(LoadTypeLibEx(path.c_str(), REGKIND_REGISTER, &tl))) return SELFREG_E_TYPELIB;
  TLIBATTR* attr = nullptr;
  std::wstring libid, version = L"1.0";
  if (SUCCEEDED(tl->GetLibAttr(&attr))) {
    libid = kzs::GuidText(attr->guid);
    version = std::to_wstring(attr->wMajorVerNum) + L"." + std::to_wstring(attr->wMinorVerNum);
    tl->ReleaseTLibAttr(attr);
  }
  tl->Release();
  for (const auto& c : kzs::Table()) {
    const std::wstring key = L"CLSID\\" + kzs::GuidText(*c.clsid);
    const std::wstring progid = c.progid;
    bool ok = kzs::SetString(key, nullptr, progid) &&
              kzs::SetString(key + L"\\InprocServer32", nullptr, path) &&
              kzs::SetString(key + L"\\InprocServer32", L"ThreadingModel", L"Apartment") &&
              kzs::SetString(key + L"\\ProgID", nullptr, progid) &&
              kzs::SetString(key + L"\\VERSION", nullptr, version) &&
              kzs::SetString(key + L"\\TypeLib", nullptr, libid) &&
              kzs::SetString(key + L"\\Programmable", nullptr, L"") &&
              kzs::SetString(progid, nullptr, progid) &&
              kzs::SetString(progid + L"\\CLSID", nullptr, kzs::GuidText(*c.clsid));
    if (!ok) return SELFREG_E_CLASS;
  }
  return S_OK;
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
  for (const auto& c : kzs::Table()) kzs::RemoveClass(c);
  ITypeLib* tl = nullptr;
  const std::wstring path = kzs::ModulePath();
  if (SUCCEEDED(LoadTypeLibEx(path.c_str(), REGKIND_NONE, &tl))) {
    TLIBATTR* attr = nullptr;
    if (SUCCEEDED(tl->GetLibAttr(&attr))) {
      UnRegisterTypeLib(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid, attr->syskind);
      tl->ReleaseTLibAttr(attr);
    }
    tl->Release();
  }
  return S_OK;
}

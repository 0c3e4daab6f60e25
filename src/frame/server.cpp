#include "frame/server.h"

#include <string>

#include "frame/catalogue.h"
#include "frame/module.h"

namespace kz {
namespace {

class ClassFactory : public IClassFactory {
 public:
  explicit ClassFactory(Creator c) : creator_(c) { ModuleAddRef(); }
  virtual ~ClassFactory() { ModuleRelease(); }

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
  STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); }
  STDMETHODIMP_(ULONG) Release() override {
    LONG r = InterlockedDecrement(&refs_);
    if (r == 0) delete this;
    return r;
  }
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
  volatile LONG refs_ = 0;
};

std::wstring GuidText(REFGUID g) {
  wchar_t buf[40];
  StringFromGUID2(g, buf, 40);
  return buf;
}

bool SetString(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& value) {
  HKEY k;
  if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr) != ERROR_SUCCESS)
    return false;
  LONG r = RegSetValueExW(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(k);
  return r == ERROR_SUCCESS;
}

void RemoveClass(const ClassEntry& e) {
  std::wstring progid = std::wstring(L"Kelzud10.") + e.name;
  RegDeleteTreeW(HKEY_CLASSES_ROOT, progid.c_str());
  RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"CLSID\\" + GuidText(*e.clsid)).c_str());
}

}  // namespace

HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  const ClassEntry* e = FindClass(clsid);
  if (!e || !IsPublished(*e)) return CLASS_E_CLASSNOTAVAILABLE;
  ClassFactory* f = new ClassFactory(CreatorOf(*e));
  f->AddRef();
  HRESULT hr = f->QueryInterface(iid, out);
  f->Release();
  return hr;
}

HRESULT RegisterServer(const wchar_t* module_path) {
  ITypeLib* tl = nullptr;
  HRESULT hr = LoadTypeLibEx(module_path, REGKIND_REGISTER, &tl);
  if (FAILED(hr)) return SELFREG_E_TYPELIB;
  tl->Release();
  const std::wstring libid = GuidText(LIBID_Kelzud10);
  for (const auto& e : Catalogue()) {
    if (!IsPublished(e)) {
      RemoveClass(e);  // a class that is not built stays unregistered
      continue;
    }
    const std::wstring progid = std::wstring(L"Kelzud10.") + e.name;
    const std::wstring key = L"CLSID\\" + GuidText(*e.clsid);
    bool ok = SetString(HKEY_CLASSES_ROOT, key, nullptr, progid) &&
              SetString(HKEY_CLASSES_ROOT, key + L"\\InprocServer32", nullptr, module_path) &&
              SetString(HKEY_CLASSES_ROOT, key + L"\\InprocServer32", L"ThreadingModel", L"Apartment") &&
              SetString(HKEY_CLASSES_ROOT, key + L"\\ProgID", nullptr, progid) &&
              SetString(HKEY_CLASSES_ROOT, key + L"\\VERSION", nullptr, L"1.0") &&
              SetString(HKEY_CLASSES_ROOT, key + L"\\TypeLib", nullptr, libid) &&
              SetString(HKEY_CLASSES_ROOT, key + L"\\Programmable", nullptr, L"") &&
              SetString(HKEY_CLASSES_ROOT, progid, nullptr, progid) &&
              SetString(HKEY_CLASSES_ROOT, progid + L"\\CLSID", nullptr, GuidText(*e.clsid));
    if (!ok) return SELFREG_E_CLASS;
  }
  return S_OK;
}

HRESULT UnregisterServer() {
  for (const auto& e : Catalogue()) RemoveClass(e);
  UnRegisterTypeLib(LIBID_Kelzud10, 1, 0, 1033, SYS_WIN32);
  return S_OK;
}

}  // namespace kz

// IUnknown for the library's small objects that have no class of the catalogue (class objects,
// enumerators, the application object): one interface, reference counted, counted as live
// objects of the module. An object is born holding the one reference its creator owns.
#pragma once
#include <type_traits>

#include "base/win.h"
#include "com/module.h"

namespace kz {

template <class Itf>
class RefCounted : public Itf {
 public:
  RefCounted() { ModuleAddRef(); }
  virtual ~RefCounted() { ModuleRelease(); }
  RefCounted(const RefCounted&) = delete;
  RefCounted& operator=(const RefCounted&) = delete;

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    bool dispatch = std::is_base_of<IDispatch, Itf>::value && IsEqualIID(riid, IID_IDispatch);
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, __uuidof(Itf)) && !dispatch) return E_NOINTERFACE;
    *ppv = static_cast<Itf*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
  STDMETHODIMP_(ULONG) Release() override {
    LONG r = InterlockedDecrement(&refs_);
    if (r == 0) delete this;
    return static_cast<ULONG>(r);
  }

 private:
  volatile LONG refs_ = 1;
};

}  // namespace kz

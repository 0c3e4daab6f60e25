// The COM plumbing every class of the library shares: reference counting with the module's
// live-object count, IDispatch from the type library, ISupportErrorInfo, IProvideClassInfo,
// and the error boundary through which every member runs.
#pragma once
#include <new>
#include <string>
#include <utility>

#include "com/dispatch.h"
#include "base/error.h"
#include "base/win.h"
#include "com/module.h"

namespace kz {

// Inside a class derived from ComObject: names the class of the catalogue it implements.
#define KZ_CLASS(NAME)                                              \
 public:                                                            \
  static const wchar_t* ClassName() { return L## #NAME; }           \
  static const CLSID& Clsid() { return CLSID_##NAME; }

template <class Impl, class Itf>
class ComObject : public Itf, public ISupportErrorInfo, public IProvideClassInfo {
 public:
  ComObject() { ModuleAddRef(); }
  virtual ~ComObject() { ModuleRelease(); }
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, __uuidof(Itf)))
      *ppv = static_cast<Itf*>(this);
    else if (IsEqualIID(riid, IID_ISupportErrorInfo))
      *ppv = static_cast<ISupportErrorInfo*>(this);
    else if (IsEqualIID(riid, IID_IProvideClassInfo))
      *ppv = static_cast<IProvideClassInfo*>(this);
    else
      *ppv = QueryExtra(riid);
    if (!*ppv) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
  STDMETHODIMP_(ULONG) Release() override {
    LONG r = InterlockedDecrement(&refs_);
    if (r == 0) delete this;
    return static_cast<ULONG>(r);
  }

  // IDispatch
  STDMETHODIMP GetTypeInfoCount(UINT* n) override {
    if (!n) return E_POINTER;
    *n = 1;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT i, LCID, ITypeInfo** ti) override {
    if (!ti) return E_POINTER;
    *ti = nullptr;
    if (i != 0) return DISP_E_BADINDEX;
    ITypeInfo* t = TypeInfoOf(__uuidof(Itf));
    if (!t) return E_FAIL;
    t->AddRef();
    *ti = t;
    return S_OK;
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT n, LCID, DISPID* ids) override {
    return DispatchIdsOfNames(__uuidof(Itf), names, n, ids);
  }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* dp, VARIANT* result,
                      EXCEPINFO* excep, UINT* arg_err) override {
    Itf* self = static_cast<Itf*>(this);
    self->AddRef();  // the member may drop the caller's last outside reference
    HRESULT hr = DispatchInvoke(__uuidof(Itf), self, id, flags, dp, result, excep, arg_err);
    self->Release();
    return hr;
  }

  // ISupportErrorInfo
  STDMETHODIMP InterfaceSupportsErrorInfo(REFIID riid) override {
    return IsEqualIID(riid, __uuidof(Itf)) ? S_OK : S_FALSE;
  }

  // IProvideClassInfo
  STDMETHODIMP GetClassInfo(ITypeInfo** ti) override {
    if (!ti) return E_POINTER;
    *ti = TypeInfoOf(Impl::Clsid());
    if (!*ti) return E_FAIL;
    (*ti)->AddRef();
    return S_OK;
  }

  // The default source of errors raised by this class's members.
  static std::wstring ErrorSource() { return std::wstring(L"Kelzud10.") + Impl::ClassName(); }

  // Runs a member's body: a raised Error (or any other exception) becomes the member's
  // HRESULT with IErrorInfo set, so scripts see number, source and description.
  template <class F>
  HRESULT Guard(F&& body) noexcept {
    try {
      body();
      return S_OK;
    } catch (Error& e) {
      e.set_source_if_empty(ErrorSource());
      return e.Report(__uuidof(Itf));
    } catch (const std::bad_alloc&) {
      return Error(kErrOutOfMemory, ErrorSource(), StdDescription(kErrOutOfMemory)).Report(__uuidof(Itf));
    } catch (...) {
      return Error(kErrInvalidCall, ErrorSource(), StdDescription(kErrInvalidCall)).Report(__uuidof(Itf));
    }
  }

  Itf* itf() { return static_cast<Itf*>(this); }

 protected:
  // Further interfaces of a class (connection points, enumerators); null when not supported.
  virtual void* QueryExtra(REFIID) { return nullptr; }

 private:
  volatile LONG refs_ = 0;
};

// Creates a new object of a class and hands out the requested interface.
template <class Impl>
HRESULT NewObject(REFIID iid, void** out) {
  *out = nullptr;
  Impl* p = new (std::nothrow) Impl();
  if (!p) return E_OUTOFMEMORY;
  p->AddRef();
  HRESULT hr = p->QueryInterface(iid, out);
  p->Release();
  return hr;
}

// Creates a new object for the library's own use, holding one reference.
template <class Impl>
Impl* MakeObject() {
  Impl* p = new Impl();
  p->AddRef();
  return p;
}

}  // namespace kz

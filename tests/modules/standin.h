// A stand-in for a sibling component, for the paths a registered component does not take:
// it answers every member name and lets the test decide what a call does.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "frame/kz.h"
#include "com/variant.h"

namespace kzt {

class StandIn : public IDispatch {
 public:
  // Called with the member name and the arguments in source order; fills the result.
  using Handler = std::function<HRESULT(const std::wstring& member, std::vector<VARIANT*>& args, VARIANT* result)>;
  explicit StandIn(Handler h) : handler_(std::move(h)) {}
  virtual ~StandIn() = default;

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDispatch)) return E_NOINTERFACE;
    *ppv = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
  STDMETHODIMP_(ULONG) Release() override {
    LONG r = InterlockedDecrement(&refs_);
    if (r == 0) delete this;
    return static_cast<ULONG>(r);
  }
  STDMETHODIMP GetTypeInfoCount(UINT* n) override { *n = 0; return S_OK; }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return DISP_E_BADINDEX; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT n, LCID, DISPID* ids) override {
    for (UINT i = 0; i < n; ++i) {
      names_.push_back(names[i]);
      ids[i] = static_cast<DISPID>(names_.size());
    }
    return S_OK;
  }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* dp, VARIANT* result, EXCEPINFO*, UINT*) override {
    if (id < 1 || static_cast<size_t>(id) > names_.size()) return DISP_E_MEMBERNOTFOUND;
    std::vector<VARIANT*> args;
    for (UINT i = dp ? dp->cArgs : 0; i > 0; --i) args.push_back(&dp->rgvarg[i - 1]);
    return handler_(names_[id - 1], args, result);
  }

 private:
  Handler handler_;
  std::vector<std::wstring> names_;
  volatile LONG refs_ = 1;
};

}  // namespace kzt

// Stand-ins for the platform services the system helpers call, answering as those services do
// and recording every call: automation objects with named members (and For Each), a
// management service, a job scheduler, network enumeration, NetBIOS and the keyboard.
#pragma once
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "frame/kz.h"
#include "base/error.h"
#include "base/owner.h"
#include "base/text.h"
#include "com/variant.h"
#include "platform/keyboard.h"
#include "platform/management.h"

namespace kzt {

// An automation object whose members are handlers by name (looked up without regard to case,
// as automation does); it records each call's member name as the caller spelled it. With
// `items` it also serves For Each.
class Scripted : public IDispatch {
 public:
  // Fills `result` from the arguments (in source order); returns S_OK, or an error to raise.
  using Member = std::function<HRESULT(std::vector<VARIANT*>& args, VARIANT* result)>;
  struct Call {
    std::wstring name;
    std::vector<kz::Var> args;
  };

  static Scripted* New() { return new Scripted(); }
  Scripted* On(const std::wstring& name, Member m) {
    members_[kz::UpperCase(name)] = std::move(m);
    return this;
  }
  // A property that answers with a fixed value.
  Scripted* Value(const std::wstring& name, const kz::Var& v) {
    return On(name, [v](std::vector<VARIANT*>&, VARIANT* r) { return VariantCopy(r, const_cast<VARIANT*>(v.get())); });
  }
  Scripted* Items(std::vector<kz::Var> items) {
    items_ = std::move(items);
    enumerable_ = true;
    return this;
  }
  const std::vector<Call>& calls() const { return calls_; }

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
    HRESULT hr = S_OK;
    for (UINT i = 0; i < n; ++i) {
      if (!members_.count(kz::UpperCase(names[i]))) {
        ids[i] = DISPID_UNKNOWN;
        hr = DISP_E_UNKNOWNNAME;
        continue;
      }
      spelled_.push_back(names[i]);
      ids[i] = static_cast<DISPID>(spelled_.size());
    }
    return hr;
  }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* dp, VARIANT* result, EXCEPINFO* ei, UINT*) override {
    if (id == DISPID_NEWENUM && enumerable_) {
      if (!result) return E_POINTER;
      result->vt = VT_UNKNOWN;
      result->punkVal = new Walk(items_);
      return S_OK;
    }
    if (id < 1 || static_cast<size_t>(id) > spelled_.size()) return DISP_E_MEMBERNOTFOUND;
    std::vector<VARIANT*> args;
    Call c{spelled_[id - 1], {}};
    for (UINT i = dp ? dp->cArgs : 0; i > 0; --i) {
      args.push_back(&dp->rgvarg[i - 1]);
      c.args.push_back(kz::Deref(&dp->rgvarg[i - 1]));
    }
    calls_.push_back(c);
    VARIANT scratch;
    VariantInit(&scratch);
    HRESULT hr = members_[kz::UpperCase(spelled_[id - 1])](args, result ? result : &scratch);
    VariantClear(&scratch);
    if (FAILED(hr) && ei) {
      // Raised as a script object raises: the code and a description in the exception record.
      *ei = EXCEPINFO{};
      ei->scode = hr;
      ei->bstrDescription = SysAllocString((L"Refused: " + spelled_[id - 1]).c_str());
      return DISP_E_EXCEPTION;
    }
    return hr;
  }

 private:
  Scripted() = default;
  virtual ~Scripted() = default;

  class Walk : public IEnumVARIANT {
   public:
    explicit Walk(std::vector<kz::Var> items) : items_(std::move(items)) {}
    virtual ~Walk() = default;
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
      *ppv = nullptr;
      if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IEnumVARIANT)) return E_NOINTERFACE;
      *ppv = static_cast<IEnumVARIANT*>(this);
      AddRef();
      return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    STDMETHODIMP_(ULONG) Release() override {
      LONG r = InterlockedDecrement(&refs_);
      if (r == 0) delete this;
      return static_cast<ULONG>(r);
    }
    STDMETHODIMP Next(ULONG n, VARIANT* out, ULONG* got) override {
      ULONG k = 0;
      for (; k < n && next_ < items_.size(); ++k, ++next_) {
        VariantInit(&out[k]);
        VariantCopy(&out[k], items_[next_].get());
      }
      if (got) *got = k;
      return k == n ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG n) override {
      next_ += n;
      return next_ <= items_.size() ? S_OK : S_FALSE;
    }
    STDMETHODIMP Reset() override {
      next_ = 0;
      return S_OK;
    }
    STDMETHODIMP Clone(IEnumVARIANT**) override { return E_NOTIMPL; }

   private:
    std::vector<kz::Var> items_;
    size_t next_ = 0;
    volatile LONG refs_ = 1;
  };

  std::map<std::wstring, Member> members_;
  std::vector<std::wstring> spelled_;
  std::vector<Call> calls_;
  std::vector<kz::Var> items_;
  bool enumerable_ = false;
  volatile LONG refs_ = 1;
};

// Holds a Scripted object for a test (one reference) and hands out more.
class Held {
 public:
  explicit Held(Scripted* s) : s_(s) {}
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;
  ~Held() { s_->Release(); }
  Scripted* operator->() const { return s_; }
  Scripted* get() const { return s_; }
  kz::Var AsVar() const { return kz::Var::Object(s_); }

 private:
  Scripted* s_;
};

// A management service that knows a fixed set of monikers (exact text, as the platform would
// see it) and records each one asked for. Unknown monikers fail as the platform's binding
// fails for a name it cannot resolve.
class FakeManagement : public kz::ManagementObjects {
 public:
  static const long kNotFound = static_cast<long>(0x80041002);  // the service's "not found"
  void Serve(const std::wstring& moniker, Scripted* object) { objects_[moniker] = object; }
  IDispatch* ObjectOf(const std::wstring& moniker) override {
    asked.push_back(moniker);
    auto it = objects_.find(moniker);
    if (it == objects_.end()) throw kz::Error(kNotFound, L"", L"Not found");
    it->second->AddRef();
    return it->second;
  }
  std::vector<std::wstring> asked;

 private:
  std::map<std::wstring, Scripted*> objects_;  // borrowed from the test
};

// A keyboard that records the key events it is sent and presses nothing.
class KeyRecorder : public kz::KeyboardInput {
 public:
  struct Event {
    unsigned vk, scan;
    unsigned long flags;
  };
  short KeyOfChar(char) override { return -1; }
  unsigned MapKey(unsigned, unsigned) override { return 0; }
  void KeyEvent(unsigned char vk, unsigned char scan, unsigned long flags) override {
    events.push_back({vk, scan, flags});
  }
  short KeyState(int) override { return 0; }
  void Pause(unsigned long) override {}
  std::vector<Event> events;
};

}  // namespace kzt

#include "com/events.h"

#include <string>

#include "base/error.h"
#include "com/excepinfo.h"
#include "com/ptr.h"

namespace kz {

EventSource::~EventSource() {
  for (auto& s : sinks_) s.second->Release();
}

void* EventSource::Query(REFIID riid) {
  if (IsEqualIID(riid, IID_IConnectionPointContainer)) return static_cast<IConnectionPointContainer*>(this);
  return nullptr;
}

void EventSource::Fire(DISPID id, std::vector<VARIANT> args) { Deliver(id, args, false); }

void EventSource::FireChecked(DISPID id, std::vector<VARIANT> args) { Deliver(id, args, true); }

void EventSource::Deliver(DISPID id, std::vector<VARIANT>& args, bool raise_errors) {
  if (sinks_.empty()) return;
  std::vector<VARIANT> rev(args.rbegin(), args.rend());
  // A sink may disconnect (or connect others) from inside its handler: call a stable copy.
  std::vector<Ptr<IDispatch>> targets;
  for (auto& s : sinks_) targets.push_back(Ptr<IDispatch>::Share(s.second));
  for (auto& sink : targets) {
    DISPPARAMS dp{rev.empty() ? nullptr : rev.data(), nullptr, static_cast<UINT>(rev.size()), 0};
    EXCEPINFO ei{};
    UINT arg_err = 0;
    if (sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &dp, nullptr, &ei, &arg_err) ==
        DISP_E_EXCEPTION) {
      Error e = TakeExcepInfo(ei);
      if (raise_errors) throw e;
    }
  }
}

STDMETHODIMP EventSource::EnumConnectionPoints(IEnumConnectionPoints** out) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP EventSource::FindConnectionPoint(REFIID riid, IConnectionPoint** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!IsEqualIID(riid, iid_)) return CONNECT_E_NOCONNECTION;
  *out = static_cast<IConnectionPoint*>(this);
  AddRef();
  return S_OK;
}

STDMETHODIMP EventSource::GetConnectionInterface(IID* iid) {
  if (!iid) return E_POINTER;
  *iid = iid_;
  return S_OK;
}

STDMETHODIMP EventSource::GetConnectionPointContainer(IConnectionPointContainer** out) {
  if (!out) return E_POINTER;
  *out = static_cast<IConnectionPointContainer*>(this);
  AddRef();
  return S_OK;
}

STDMETHODIMP EventSource::Advise(IUnknown* sink, DWORD* cookie) {
  if (!sink || !cookie) return E_POINTER;
  IDispatch* d = nullptr;
  if (FAILED(sink->QueryInterface(iid_, reinterpret_cast<void**>(&d))) &&
      FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&d))))
    return CONNECT_E_CANNOTCONNECT;
  *cookie = next_cookie_++;
  sinks_.emplace_back(*cookie, d);
  return S_OK;
}

STDMETHODIMP EventSource::Unadvise(DWORD cookie) {
  for (auto it = sinks_.begin(); it != sinks_.end(); ++it) {
    if (it->first == cookie) {
      IDispatch* d = it->second;
      sinks_.erase(it);
      d->Release();
      return S_OK;
    }
  }
  return CONNECT_E_NOCONNECTION;
}

STDMETHODIMP EventSource::EnumConnections(IEnumConnections** out) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}

}  // namespace kz

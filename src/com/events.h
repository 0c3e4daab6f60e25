// Connection points for the classes that raise events. A class embeds one EventSource, offers
// it from QueryExtra, and calls Fire while a method runs; every connected sink is called
// synchronously, in the order of connection.
#pragma once
#include <utility>
#include <vector>

#include "base/win.h"
#include "com/variant.h"

namespace kz {

class EventSource : public IConnectionPointContainer, public IConnectionPoint {
 public:
  // `owner` is the object's IUnknown: the embedded interfaces live and die with it.
  EventSource(IUnknown* owner, REFIID events) : owner_(owner), iid_(events) {}
  ~EventSource();

  // Answers QueryInterface for the two connection interfaces (null otherwise).
  void* Query(REFIID riid);

  bool HasSinks() const { return !sinks_.empty(); }
  // Raises an event: `args` in source order; arguments given as VT_BYREF reach the sink by
  // reference, so a sink may change them.
  void Fire(DISPID id, std::vector<VARIANT> args);
  // The same, for events whose sinks' errors end the raising method: the first sink that
  // raises an error stops the event, and its error (number, source, description) is thrown.
  void FireChecked(DISPID id, std::vector<VARIANT> args);

  // IUnknown (delegated to the owner)
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override { return owner_->QueryInterface(riid, ppv); }
  STDMETHODIMP_(ULONG) AddRef() override { return owner_->AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return owner_->Release(); }

  // IConnectionPointContainer
  STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** out) override;
  STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** out) override;

  // IConnectionPoint
  STDMETHODIMP GetConnectionInterface(IID* iid) override;
  STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** out) override;
  STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
  STDMETHODIMP Unadvise(DWORD cookie) override;
  STDMETHODIMP EnumConnections(IEnumConnections** out) override;

 private:
  IUnknown* owner_;
  IID iid_;
  void Deliver(DISPID id, std::vector<VARIANT>& args, bool raise_errors);

  std::vector<std::pair<DWORD, IDispatch*>> sinks_;
  DWORD next_cookie_ = 1;
};

}  // namespace kz

// A network adapter's hardware address through NetBIOS, with a few facts of the adapter's
// status kept in properties.
#pragma once
#include <string>

#include "frame/kz.h"
#include "com/comobject.h"
#include "com/variant.h"

namespace kz {

class KelzudEthernetAddressA : public ComObject<KelzudEthernetAddressA, _clsKelzudEthernetAddressA> {
  KZ_CLASS(clsKelzudEthernetAddressA)
 public:
  STDMETHODIMP EthernetAddress(LONG* LanaNumber, BSTR* ret) override;
  STDMETHODIMP get_AdapterType(VARIANT* ret) override;
  STDMETHODIMP put_AdapterType(VARIANT rhs) override;
  STDMETHODIMP get_NameCount(VARIANT* ret) override;
  STDMETHODIMP put_NameCount(VARIANT rhs) override;
  STDMETHODIMP get_RevMajor(VARIANT* ret) override;
  STDMETHODIMP put_RevMajor(VARIANT rhs) override;
  STDMETHODIMP get_RevMinor(VARIANT* ret) override;
  STDMETHODIMP put_RevMinor(VARIANT rhs) override;
  STDMETHODIMP get_EnetAddressDec(VARIANT* ret) override;
  STDMETHODIMP put_EnetAddressDec(VARIANT rhs) override;

  // The member's work: twelve upper-case hexadecimal digits, and the properties filled.
  std::wstring AddressOf(long lana);

  // The adapter status buffer and where its facts lie in it.
  static const size_t kStatusBytes = 680;

 private:
  HRESULT GetValue(const Var& field, VARIANT* ret);
  HRESULT SetValue(Var& field, const VARIANT& value);

  Var adapter_type_, name_count_, rev_major_, rev_minor_, address_dec_;
};

}  // namespace kz

#include "sysadmin/clsKelzudEthernetAddressA.h"

#include <cstring>

#include "base/owner.h"
#include "frame/catalogue.h"
#include "platform/netbios.h"

namespace kz {
namespace {

const size_t kRevMajorAt = 6;
const size_t kAdapterTypeAt = 8;
const size_t kRevMinorAt = 9;
const size_t kNameCountAt = 58;
const char kAnyName[] = "*               ";  // "*" and fifteen spaces
static_assert(sizeof(kAnyName) == NCBNAMSZ + 1, "a NetBIOS name is sixteen characters");

Var ByteValue(unsigned char b) {
  Var v;
  v.get()->vt = VT_UI1;
  v.get()->bVal = b;
  return v;
}

// The text "&" makes of a Variant: Null and Empty give "".
std::wstring JoinText(const Var& v) {
  Var value = Deref(v.get());
  if (value.vt() == VT_NULL || value.vt() == VT_EMPTY) return std::wstring();
  return VarToStr(value.get());
}

}  // namespace

std::wstring KelzudEthernetAddressA::AddressOf(long lana) {
  NetBiosService& netbios = Seam<NetBiosService>();
  NCB reset{};
  reset.ncb_command = NCBRESET;
  netbios.Submit(&reset);

  // The status arrives in zero-filled memory: an adapter number without an adapter reads
  // as the address 000000000000.
  GlobalMemory memory(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, kStatusBytes));
  if (!memory) return std::wstring();
  auto* status = static_cast<unsigned char*>(static_cast<void*>(memory.get()));
  NCB ask{};
  ask.ncb_command = NCBASTAT;
  ask.ncb_lana_num = static_cast<UCHAR>(lana & 0xFF);
  std::memcpy(ask.ncb_callname, kAnyName, NCBNAMSZ);
  ask.ncb_buffer = status;
  ask.ncb_length = static_cast<WORD>(kStatusBytes);
  netbios.Submit(&ask);

  std::wstring hex, dec = JoinText(address_dec_);
  for (size_t i = 0; i < 6; ++i) {
    wchar_t two[3];
    swprintf(two, 3, L"%02X", status[i]);
    hex += two;
    dec += std::to_wstring(status[i]);
  }
  unsigned short names = static_cast<unsigned short>(status[kNameCountAt] | (status[kNameCountAt + 1] << 8));
  adapter_type_ = ByteValue(status[kAdapterTypeAt]);
  name_count_ = Var::Short(static_cast<short>(names));
  rev_major_ = ByteValue(status[kRevMajorAt]);
  rev_minor_ = ByteValue(status[kRevMinorAt]);
  address_dec_ = Var::Str(dec);
  return hex;
}

STDMETHODIMP KelzudEthernetAddressA::EthernetAddress(LONG* LanaNumber, BSTR* ret) {
  if (!ret) return E_POINTER;
  *ret = nullptr;
  return Guard([&] { *ret = ToBstr(AddressOf(LanaNumber ? *LanaNumber : 0)); });
}

HRESULT KelzudEthernetAddressA::GetValue(const Var& field, VARIANT* ret) {
  if (!ret) return E_POINTER;
  VariantInit(ret);
  return Guard([&] { ThrowIfFailed(VariantCopy(ret, const_cast<VARIANT*>(field.get()))); });
}

HRESULT KelzudEthernetAddressA::SetValue(Var& field, const VARIANT& value) {
  return Guard([&] { field = Deref(&value); });
}

STDMETHODIMP KelzudEthernetAddressA::get_AdapterType(VARIANT* ret) { return GetValue(adapter_type_, ret); }
STDMETHODIMP KelzudEthernetAddressA::put_AdapterType(VARIANT rhs) { return SetValue(adapter_type_, rhs); }
STDMETHODIMP KelzudEthernetAddressA::get_NameCount(VARIANT* ret) { return GetValue(name_count_, ret); }
STDMETHODIMP KelzudEthernetAddressA::put_NameCount(VARIANT rhs) { return SetValue(name_count_, rhs); }
STDMETHODIMP KelzudEthernetAddressA::get_RevMajor(VARIANT* ret) { return GetValue(rev_major_, ret); }
STDMETHODIMP KelzudEthernetAddressA::put_RevMajor(VARIANT rhs) { return SetValue(rev_major_, rhs); }
STDMETHODIMP KelzudEthernetAddressA::get_RevMinor(VARIANT* ret) { return GetValue(rev_minor_, ret); }
STDMETHODIMP KelzudEthernetAddressA::put_RevMinor(VARIANT rhs) { return SetValue(rev_minor_, rhs); }
STDMETHODIMP KelzudEthernetAddressA::get_EnetAddressDec(VARIANT* ret) { return GetValue(address_dec_, ret); }
STDMETHODIMP KelzudEthernetAddressA::put_EnetAddressDec(VARIANT rhs) { return SetValue(address_dec_, rhs); }

KZ_REGISTER_CLASS(KelzudEthernetAddressA);

}  // namespace kz

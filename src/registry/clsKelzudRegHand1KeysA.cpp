#include "registry/clsKelzudRegHand1KeysA.h"

#include "frame/catalogue.h"
#include "base/text.h"

namespace kz {

Ptr<RegistryKey> RegistryKeys::AddKey(const std::wstring& name, long handle, const std::wstring& string_key) {
  return AddItem(string_key, [&](RegistryKey& k) {
    k.set_handle(handle);
    k.set_key_name(name);
  });
}

STDMETHODIMP RegistryKeys::get_Handle(long* ret) {
  *ret = handle_;
  return S_OK;
}

STDMETHODIMP RegistryKeys::Add(BSTR sName, long dwHandle, BSTR sKey, _clsKelzudRegHand1KeyA** ret) {
  return Guard([&] { *ret = AddKey(FromBstr(sName), dwHandle, FromBstr(sKey)).detach()->itf(); });
}

KZ_REGISTER_CLASS(RegistryKeys);

}  // namespace kz

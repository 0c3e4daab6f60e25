#include "registry/clsKelzudRegHand1KeyA.h"

#include "frame/catalogue.h"
#include "frame/kz.h"
#include "base/text.h"
#include "registry/clsKelzudRegHand1A.h"
#include "registry/clsKelzudRegHand1KeysA.h"
#include "registry/clsKelzudRegHand1ValuesA.h"

namespace kz {

void RegistryKey::set_key_name(const std::wstring& name) {
  if (!EqualNoCase(name, key_name_)) key_name_ = name;
}

STDMETHODIMP RegistryKey::get_HadChildrenOnEnum(VARIANT_BOOL* ret) {
  *ret = had_children_ ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

STDMETHODIMP RegistryKey::get_Handle(long* ret) {
  *ret = handle_;
  return S_OK;
}

STDMETHODIMP RegistryKey::get_Parent(_clsKelzudRegHand1KeysA** ret) {
  RegistryKeys* p = parent();
  *ret = p ? p->itf() : nullptr;
  if (*ret) (*ret)->AddRef();
  return S_OK;
}

STDMETHODIMP RegistryKey::get_KeyName(BSTR* ret) {
  return Guard([&] { *ret = ToBstr(key_name_); });
}

STDMETHODIMP RegistryKey::get_Values(_clsKelzudRegHand1ValuesA** ret) {
  *ret = values_ ? values_->itf() : nullptr;
  if (*ret) (*ret)->AddRef();
  return S_OK;
}

KZ_REGISTER_CLASS(RegistryKey);

}  // namespace kz

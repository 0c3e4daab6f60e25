#include "registry/clsKelzudRegHand1ValuesA.h"

#include "frame/catalogue.h"

namespace kz {

Ptr<RegistryValue> RegistryValues::AddValue(const std::wstring& name, long type, const std::wstring& string_key) {
  return AddItem(string_key, [&](RegistryValue& v) {
    v.set_parent_key(parent_key_);
    v.set_data_type(type);
    v.set_value_name(name);
  });
}

STDMETHODIMP RegistryValues::get_ParentKey(long* ret) {
  *ret = parent_key_;
  return S_OK;
}

KZ_REGISTER_CLASS(RegistryValues);

}  // namespace kz

// The values of one key, in the order the registry listed them, the key's default value first.
#pragma once
#include <string>

#include "frame/kz.h"
#include "com/collection.h"
#include "com/comobject.h"
#include "com/ptr.h"
#include "registry/RegistryData.h"
#include "registry/clsKelzudRegHand1A.h"

namespace kz {

class RegistryObject;
class RegistryValue;

class RegistryValues : public ComObject<RegistryValues, _clsKelzudRegHand1ValuesA> {
  KZ_CLASS(clsKelzudRegHand1ValuesA)
 public:
  RegistryValues();
  ~RegistryValues() override;

  // Automation interface.
  STDMETHODIMP get_ParentKey(long* ret) override;
  STDMETHODIMP get_Count(long* ret) override;
  STDMETHODIMP Remove(VARIANT vntIndexKey) override;
  STDMETHODIMP Clear() override;
  STDMETHODIMP NewEnum(IUnknown** ret) override;
  STDMETHODIMP get_Item(VARIANT vntIndexKey, _clsKelzudRegHand1ValueA** ret) override;

  void set_parent_key(long key) { parent_key_ = key; }
  void set_registry(const Ptr<RegistryObject>& r) { registry_ = r; }
  long parent_key() const { return parent_key_; }
  RegistryObject* registry() const { return registry_.get(); }
  // The internal add: a new value under `string_key` (none when empty); raises 457 for a
  // string key in use.
  Ptr<RegistryValue> AddValue(const std::wstring& name, long type, const std::wstring& string_key);
  long size() const { return items_->size(); }
  RegistryValue* At(long position) const;  // 1-based; raises 9

 private:
  Ptr<Collection> items_;
  long parent_key_ = 0;
  Ptr<RegistryObject> registry_;
  reg::BackRefPtr<RegistryValues> self_;
};

}  // namespace kz

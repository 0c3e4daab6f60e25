// The values of one key, in the order the registry listed them, the key's default value first.
#pragma once
#include <string>

#include "frame/kz.h"
#include "com/ptr.h"
#include "registry/ItemCollection.h"
#include "registry/clsKelzudRegHand1ValueA.h"

namespace kz {

class RegistryValues : public reg::ItemCollection<RegistryValues, _clsKelzudRegHand1ValuesA, RegistryValue,
                                                  _clsKelzudRegHand1ValueA> {
  KZ_CLASS(clsKelzudRegHand1ValuesA)
 public:
  // Automation interface (Count, Remove, Clear, NewEnum and Item act on the items).
  STDMETHODIMP get_ParentKey(long* ret) override;

  void set_parent_key(long key) { parent_key_ = key; }
  long parent_key() const { return parent_key_; }
  // The internal add: a new value under `string_key` (none when empty); raises 457 for a
  // string key in use.
  Ptr<RegistryValue> AddValue(const std::wstring& name, long type, const std::wstring& string_key);

 private:
  long parent_key_ = 0;
};

}  // namespace kz

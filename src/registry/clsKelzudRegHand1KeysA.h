// The subkeys of one key, in the order the registry listed them, with optional string keys.
#pragma once
#include <string>

#include "frame/kz.h"
#include "com/ptr.h"
#include "registry/ItemCollection.h"
#include "registry/clsKelzudRegHand1KeyA.h"

namespace kz {

class RegistryKeys
    : public reg::ItemCollection<RegistryKeys, _clsKelzudRegHand1KeysA, RegistryKey, _clsKelzudRegHand1KeyA> {
  KZ_CLASS(clsKelzudRegHand1KeysA)
 public:
  // Automation interface (Count, Remove, Clear, NewEnum and Item act on the items).
  STDMETHODIMP get_Handle(long* ret) override;
  STDMETHODIMP Add(BSTR sName, long dwHandle, BSTR sKey, _clsKelzudRegHand1KeyA** ret) override;

  // Setters and operations of the registry object.
  void set_handle(long h) { handle_ = h; }
  long handle() const { return handle_; }
  // A new key under `string_key` (none when empty); raises 457 for a string key in use.
  Ptr<RegistryKey> AddKey(const std::wstring& name, long handle, const std::wstring& string_key);

 private:
  long handle_ = 0;
};

}  // namespace kz

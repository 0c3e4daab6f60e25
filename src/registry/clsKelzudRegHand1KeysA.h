// The subkeys of one key, in the order the registry listed them, with optional string keys.
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
class RegistryKey;

class RegistryKeys : public ComObject<RegistryKeys, _clsKelzudRegHand1KeysA> {
  KZ_CLASS(clsKelzudRegHand1KeysA)
 public:
  RegistryKeys();
  ~RegistryKeys() override;

  // Automation interface.
  STDMETHODIMP get_Handle(long* ret) override;
  STDMETHODIMP Add(BSTR sName, long dwHandle, BSTR sKey, _clsKelzudRegHand1KeyA** ret) override;
  STDMETHODIMP get_Count(long* ret) override;
  STDMETHODIMP Remove(VARIANT vntIndexKey) override;
  STDMETHODIMP Clear() override;
  STDMETHODIMP NewEnum(IUnknown** ret) override;
  STDMETHODIMP get_Item(VARIANT vntIndexKey, _clsKelzudRegHand1KeyA** ret) override;

  // Setters and operations of the registry object.
  void set_handle(long h) { handle_ = h; }
  void set_registry(const Ptr<RegistryObject>& r) { registry_ = r; }
  RegistryObject* registry() const { return registry_.get(); }
  long handle() const { return handle_; }
  // A new key under `string_key` (none when empty); raises 457 for a string key in use.
  Ptr<RegistryKey> AddKey(const std::wstring& name, long handle, const std::wstring& string_key);
  long size() const { return items_->size(); }
  RegistryKey* At(long position) const;  // 1-based; raises 9

 private:
  Ptr<Collection> items_;
  long handle_ = 0;
  Ptr<RegistryObject> registry_;
  reg::BackRefPtr<RegistryKeys> self_;  // handed to the items; cleared when this goes
};

}  // namespace kz

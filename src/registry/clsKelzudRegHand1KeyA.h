// One subkey found by the registry object: its name, the handle its creator gave, whether it
// had subkeys of its own, and its values when the creator listed them.
#pragma once
#include <string>

#include "frame/kz.h"
#include "com/comobject.h"
#include "com/ptr.h"
#include "registry/RegistryData.h"
#include "registry/clsKelzudRegHand1A.h"
#include "registry/clsKelzudRegHand1ValuesA.h"

namespace kz {

class RegistryObject;
class RegistryKeys;
class RegistryValues;

class RegistryKey : public ComObject<RegistryKey, _clsKelzudRegHand1KeyA> {
  KZ_CLASS(clsKelzudRegHand1KeyA)
 public:
  // Automation interface.
  STDMETHODIMP get_HadChildrenOnEnum(VARIANT_BOOL* ret) override;
  STDMETHODIMP get_Handle(long* ret) override;
  STDMETHODIMP get_Parent(_clsKelzudRegHand1KeysA** ret) override;
  STDMETHODIMP get_KeyName(BSTR* ret) override;
  STDMETHODIMP get_Values(_clsKelzudRegHand1ValuesA** ret) override;

  // Setters of the registry object and the key collection.
  void set_parent(reg::BackRefPtr<RegistryKeys> parent) { parent_ = std::move(parent); }
  void set_registry(const Ptr<RegistryObject>& r) { registry_ = r; }
  void set_handle(long h) { handle_ = h; }
  void set_key_name(const std::wstring& name);
  void set_had_children(bool b) { had_children_ = b; }
  void set_values(const Ptr<RegistryValues>& v) { values_ = v; }

  const std::wstring& key_name() const { return key_name_; }
  long handle() const { return handle_; }
  bool had_children() const { return had_children_; }
  RegistryKeys* parent() const { return parent_ ? parent_->target : nullptr; }
  RegistryValues* values() const { return values_.get(); }
  RegistryObject* registry() const { return registry_.get(); }

 private:
  std::wstring key_name_;
  long handle_ = 0;
  bool had_children_ = false;
  reg::BackRefPtr<RegistryKeys> parent_;
  Ptr<RegistryValues> values_;
  Ptr<RegistryObject> registry_;
};

}  // namespace kz

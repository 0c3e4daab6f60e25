// One registry value: its name, type and data. With AutoSet the object reads its data as soon
// as it knows where it lives and writes every assignment back, through its registry object.
#pragma once
#include <string>

#include "frame/kz.h"
#include "com/comobject.h"
#include "com/ptr.h"
#include "com/variant.h"
#include "registry/RegistryData.h"
#include "registry/clsKelzudRegHand1A.h"

namespace kz {

class RegistryObject;
class RegistryValues;

class RegistryValue : public ComObject<RegistryValue, _clsKelzudRegHand1ValueA> {
  KZ_CLASS(clsKelzudRegHand1ValueA)
 public:
  // Automation interface.
  STDMETHODIMP get_Value(VARIANT* ret) override;
  STDMETHODIMP put_Value(VARIANT rhs) override;
  STDMETHODIMP get_AutoSet(VARIANT_BOOL* ret) override;
  STDMETHODIMP put_AutoSet(VARIANT_BOOL rhs) override;
  STDMETHODIMP get_Default(VARIANT_BOOL* ret) override;
  STDMETHODIMP put_Default(VARIANT_BOOL rhs) override;
  STDMETHODIMP get_ParentKey(long* ret) override;
  STDMETHODIMP get_Parent(_clsKelzudRegHand1ValuesA** ret) override;
  STDMETHODIMP get_Size(long* ret) override;
  STDMETHODIMP get_ValueName(BSTR* ret) override;
  STDMETHODIMP get_DataType(RegistryDataTypes* ret) override;
  STDMETHODIMP GetValue() override;
  STDMETHODIMP SetValue() override;
  STDMETHODIMP Clear() override;
  STDMETHODIMP get_TypeWord(VARIANT_BOOL Friendly, BSTR* ret) override;

  // The members with the value object's rules, for the library's own code.
  Var value();                      // reads first when not loaded and AutoSet is on
  void set_value(const VARIANT& v); // writes when AutoSet is on
  void set_auto_set(bool b);
  void set_default(bool b);
  void Load();                      // reads unconditionally
  void Store();                     // writes unconditionally
  void ClearData();

  // Setters of the registry object and the value collection; those that place the object
  // read its data when it then knows where it is.
  void set_parent(reg::BackRefPtr<RegistryValues> parent) { parent_ = std::move(parent); }
  void set_registry(const Ptr<RegistryObject>& r);
  void set_parent_key(long key);
  void set_value_name(const std::wstring& name);
  void set_data_type(long type) { data_type_ = type; }
  // Places an object made by an enumeration: the registry object, Default for the unnamed
  // value, the key and the reported type. Set one by one these read the data twice over with
  // the same result; here it is read once.
  void Place(const Ptr<RegistryObject>& r, long key, long type, bool is_default);
  // Places the key's default-value entry from data already read with its type.
  void PlaceDefault(const Ptr<RegistryObject>& r, long key, long type, Var data);

  const std::wstring& value_name() const { return name_; }
  long data_type() const { return data_type_; }
  long parent_key() const { return parent_key_; }
  bool is_default() const { return default_; }
  bool auto_set() const { return auto_set_; }
  bool loaded() const { return loaded_; }
  long size() const { return size_; }
  RegistryValues* parent() const { return parent_ ? parent_->target : nullptr; }
  RegistryObject* registry() const { return registry_.get(); }

 private:
  void Take(Var data);  // stores read data, its size and the loaded flag

  std::wstring name_;
  long data_type_ = 0;
  Var value_;
  long size_ = 0;
  long parent_key_ = 0;
  bool default_ = false;
  bool auto_set_ = true;
  bool loaded_ = false;
  reg::BackRefPtr<RegistryValues> parent_;
  Ptr<RegistryObject> registry_;
};

}  // namespace kz

#include "registry/clsKelzudRegHand1ValueA.h"

#include "frame/catalogue.h"
#include "frame/kz.h"
#include "base/text.h"
#include "registry/clsKelzudRegHand1A.h"
#include "registry/clsKelzudRegHand1ValuesA.h"

namespace kz {

// ---- the value object's rules ----------------------------------------------------------------

void RegistryValue::Take(Var data) {
  value_ = std::move(data);
  if (value_.vt() != VT_EMPTY) size_ = reg::SizeOfData(*value_.get());
  loaded_ = true;
}

void RegistryValue::Load() {
  if (!registry_) return;
  Take(registry_->Read(parent_key_, name_, nullptr, nullptr));
}

void RegistryValue::Store() {
  if (registry_) registry_->Write(parent_key_, name_, value_.get());
  loaded_ = true;
}

Var RegistryValue::value() {
  if (!loaded_ && auto_set_) Load();
  return value_;
}

void RegistryValue::set_value(const VARIANT& v) {
  value_ = Deref(&v);
  if (auto_set_) Store();
}

void RegistryValue::set_auto_set(bool b) {
  auto_set_ = b;
  if (b && !loaded_) Load();
}

void RegistryValue::set_default(bool b) {
  default_ = b;
  if (name_.empty() && default_ && auto_set_ && !loaded_) Load();
}

void RegistryValue::ClearData() { value_.Clear(); }

// An unnamed object reads only when it stands for the key's default value, a named one only
// when it does not.
void RegistryValue::set_registry(const Ptr<RegistryObject>& r) {
  registry_ = r;
  if (registry_ && name_.empty() == default_ && parent_key_ != 0 && auto_set_) Load();
}

void RegistryValue::set_parent_key(long key) {
  parent_key_ = key;
  if (name_.empty() == default_ && registry_ && auto_set_) Load();
}

void RegistryValue::set_value_name(const std::wstring& name) {
  if (EqualNoCase(name, name_)) return;
  name_ = name;
  if (registry_ && parent_key_ != 0 && auto_set_) Load();
}

void RegistryValue::Place(const Ptr<RegistryObject>& r, long key, long type, bool is_default) {
  registry_ = r;
  if (is_default) default_ = true;
  parent_key_ = key;
  data_type_ = type;
  if (auto_set_) Load();
}

void RegistryValue::PlaceDefault(const Ptr<RegistryObject>& r, long key, long type, Var data) {
  registry_ = r;
  parent_key_ = key;
  data_type_ = type;
  default_ = true;
  if (auto_set_ && !loaded_) Take(std::move(data));
}

// ---- automation interface --------------------------------------------------------------------

STDMETHODIMP RegistryValue::get_Value(VARIANT* ret) {
  return Guard([&] { value().Detach(ret); });
}

STDMETHODIMP RegistryValue::put_Value(VARIANT rhs) {
  return Guard([&] { set_value(rhs); });
}

STDMETHODIMP RegistryValue::get_AutoSet(VARIANT_BOOL* ret) {
  *ret = auto_set_ ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

STDMETHODIMP RegistryValue::put_AutoSet(VARIANT_BOOL rhs) {
  return Guard([&] { set_auto_set(rhs != VARIANT_FALSE); });
}

STDMETHODIMP RegistryValue::get_Default(VARIANT_BOOL* ret) {
  *ret = default_ ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

STDMETHODIMP RegistryValue::put_Default(VARIANT_BOOL rhs) {
  return Guard([&] { set_default(rhs != VARIANT_FALSE); });
}

STDMETHODIMP RegistryValue::get_ParentKey(long* ret) {
  *ret = parent_key_;
  return S_OK;
}

STDMETHODIMP RegistryValue::get_Parent(_clsKelzudRegHand1ValuesA** ret) {
  RegistryValues* p = parent();
  *ret = p ? p->itf() : nullptr;
  if (*ret) (*ret)->AddRef();
  return S_OK;
}

STDMETHODIMP RegistryValue::get_Size(long* ret) {
  *ret = size_;
  return S_OK;
}

STDMETHODIMP RegistryValue::get_ValueName(BSTR* ret) {
  return Guard([&] { *ret = ToBstr(name_); });
}

STDMETHODIMP RegistryValue::get_DataType(RegistryDataTypes* ret) {
  *ret = static_cast<RegistryDataTypes>(data_type_);
  return S_OK;
}

STDMETHODIMP RegistryValue::GetValue() {
  return Guard([&] { Load(); });
}

STDMETHODIMP RegistryValue::SetValue() {
  return Guard([&] { Store(); });
}

STDMETHODIMP RegistryValue::Clear() {
  return Guard([&] { ClearData(); });
}

STDMETHODIMP RegistryValue::get_TypeWord(VARIANT_BOOL Friendly, BSTR* ret) {
  return Guard([&] { *ret = ToBstr(reg::TypeWord(data_type_, Friendly != VARIANT_FALSE)); });
}

KZ_REGISTER_CLASS(RegistryValue);

}  // namespace kz

#include "registry/clsKelzudRegHand1ValuesA.h"

#include "frame/catalogue.h"
#include "frame/kz.h"
#include "base/text.h"
#include "registry/clsKelzudRegHand1A.h"
#include "registry/clsKelzudRegHand1ValueA.h"

namespace kz {

RegistryValues::RegistryValues()
    : items_(Ptr<Collection>::Adopt(MakeObject<Collection>())),
      self_(std::make_shared<reg::BackRef<RegistryValues>>()) {
  self_->target = this;
}

RegistryValues::~RegistryValues() { self_->target = nullptr; }

Ptr<RegistryValue> RegistryValues::AddValue(const std::wstring& name, long type, const std::wstring& string_key) {
  Ptr<RegistryValue> v = Ptr<RegistryValue>::Adopt(MakeObject<RegistryValue>());
  v->set_parent(self_);
  v->set_registry(registry_);
  v->set_parent_key(parent_key_);
  v->set_data_type(type);
  v->set_value_name(name);
  Var item = Var::Object(v->itf());
  items_->Append(*item.get(), string_key.empty() ? nullptr : &string_key);
  return v;
}

RegistryValue* RegistryValues::At(long position) const {
  const VARIANT& v = items_->At(position);
  return static_cast<RegistryValue*>(static_cast<_clsKelzudRegHand1ValueA*>(v.pdispVal));
}

STDMETHODIMP RegistryValues::get_ParentKey(long* ret) {
  *ret = parent_key_;
  return S_OK;
}

STDMETHODIMP RegistryValues::get_Count(long* ret) {
  *ret = items_->size();
  return S_OK;
}

STDMETHODIMP RegistryValues::Remove(VARIANT vntIndexKey) {
  return Guard([&] { items_->RemoveAt(items_->PositionOf(vntIndexKey)); });
}

STDMETHODIMP RegistryValues::Clear() {
  return Guard([&] { items_ = Ptr<Collection>::Adopt(MakeObject<Collection>()); });
}

STDMETHODIMP RegistryValues::NewEnum(IUnknown** ret) {
  return Guard([&] { *ret = MakeEnumVariant(items_->Snapshot()); });
}

STDMETHODIMP RegistryValues::get_Item(VARIANT vntIndexKey, _clsKelzudRegHand1ValueA** ret) {
  return Guard([&] {
    *ret = At(items_->PositionOf(vntIndexKey))->itf();
    (*ret)->AddRef();
  });
}

KZ_REGISTER_CLASS(clsKelzudRegHand1ValuesA, RegistryValues);

}  // namespace kz

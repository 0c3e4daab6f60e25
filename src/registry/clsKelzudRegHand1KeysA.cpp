#include "registry/clsKelzudRegHand1KeysA.h"

#include "frame/catalogue.h"
#include "frame/kz.h"
#include "base/text.h"
#include "registry/clsKelzudRegHand1A.h"
#include "registry/clsKelzudRegHand1KeyA.h"

namespace kz {

RegistryKeys::RegistryKeys()
    : items_(Ptr<Collection>::Adopt(MakeObject<Collection>())),
      self_(std::make_shared<reg::BackRef<RegistryKeys>>()) {
  self_->target = this;
}

RegistryKeys::~RegistryKeys() { self_->target = nullptr; }

Ptr<RegistryKey> RegistryKeys::AddKey(const std::wstring& name, long handle, const std::wstring& string_key) {
  Ptr<RegistryKey> k = Ptr<RegistryKey>::Adopt(MakeObject<RegistryKey>());
  k->set_parent(self_);
  k->set_registry(registry_);
  k->set_handle(handle);
  k->set_key_name(name);
  Var item = Var::Object(k->itf());
  items_->Append(*item.get(), string_key.empty() ? nullptr : &string_key);
  return k;
}

RegistryKey* RegistryKeys::At(long position) const {
  const VARIANT& v = items_->At(position);
  return static_cast<RegistryKey*>(static_cast<_clsKelzudRegHand1KeyA*>(v.pdispVal));
}

STDMETHODIMP RegistryKeys::get_Handle(long* ret) {
  *ret = handle_;
  return S_OK;
}

STDMETHODIMP RegistryKeys::Add(BSTR sName, long dwHandle, BSTR sKey, _clsKelzudRegHand1KeyA** ret) {
  return Guard([&] { *ret = AddKey(FromBstr(sName), dwHandle, FromBstr(sKey)).detach(); });
}

STDMETHODIMP RegistryKeys::get_Count(long* ret) {
  *ret = items_->size();
  return S_OK;
}

STDMETHODIMP RegistryKeys::Remove(VARIANT vntIndexKey) {
  return Guard([&] { items_->RemoveAt(items_->PositionOf(vntIndexKey)); });
}

STDMETHODIMP RegistryKeys::Clear() {
  return Guard([&] { items_ = Ptr<Collection>::Adopt(MakeObject<Collection>()); });
}

STDMETHODIMP RegistryKeys::NewEnum(IUnknown** ret) {
  return Guard([&] { *ret = MakeEnumVariant(items_->Snapshot()); });
}

STDMETHODIMP RegistryKeys::get_Item(VARIANT vntIndexKey, _clsKelzudRegHand1KeyA** ret) {
  return Guard([&] {
    *ret = At(items_->PositionOf(vntIndexKey))->itf();
    (*ret)->AddRef();
  });
}

KZ_REGISTER_CLASS(clsKelzudRegHand1KeysA, RegistryKeys);

}  // namespace kz

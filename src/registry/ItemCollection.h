// What the key and value collections share: their items in a Collection (positions 1-based or
// string keys, its errors reaching the caller), the members that act on the items directly,
// the registry object they hold, and the back reference their items keep to them.
#pragma once
#include <memory>
#include <string>

#include "com/collection.h"
#include "com/comobject.h"
#include "com/ptr.h"
#include "com/variant.h"
#include "frame/kz.h"
#include "registry/RegistryData.h"
#include "registry/clsKelzudRegHand1A.h"

namespace kz {
namespace reg {

// Impl: the collection class; Itf: its interface; Item and ItemItf: the item class and its
// interface (the items' get_Item type).
template <class Impl, class Itf, class Item, class ItemItf>
class ItemCollection : public ComObject<Impl, Itf> {
 public:
  ItemCollection()
      : items_(Ptr<Collection>::Adopt(MakeObject<Collection>())), self_(std::make_shared<BackRef<Impl>>()) {
    self_->target = static_cast<Impl*>(this);
  }
  ~ItemCollection() override { self_->target = nullptr; }

  // Automation members acting on the items.
  STDMETHODIMP get_Count(long* ret) override {
    *ret = items_->size();
    return S_OK;
  }
  STDMETHODIMP Remove(VARIANT vntIndexKey) override {
    return this->Guard([&] { items_->RemoveAt(items_->PositionOf(vntIndexKey)); });
  }
  STDMETHODIMP Clear() override {
    return this->Guard([&] { items_ = Ptr<Collection>::Adopt(MakeObject<Collection>()); });
  }
  STDMETHODIMP NewEnum(IUnknown** ret) override {
    return this->Guard([&] { *ret = MakeEnumVariant(items_->Snapshot()); });
  }
  STDMETHODIMP get_Item(VARIANT vntIndexKey, ItemItf** ret) override {
    return this->Guard([&] {
      *ret = At(items_->PositionOf(vntIndexKey))->itf();
      (*ret)->AddRef();
    });
  }

  void set_registry(const Ptr<RegistryObject>& r) { registry_ = r; }
  RegistryObject* registry() const { return registry_.get(); }
  long size() const { return items_->size(); }
  // The item at a 1-based position; raises 9.
  Item* At(long position) const {
    const VARIANT& v = items_->At(position);
    return static_cast<Item*>(static_cast<ItemItf*>(v.pdispVal));
  }

 protected:
  // A new item of the collection: its parent is this collection and its registry object the
  // collection's; `prepare` sets the rest before it is added under `string_key` (none when
  // empty; 457 for a string key in use).
  template <class Prepare>
  Ptr<Item> AddItem(const std::wstring& string_key, Prepare&& prepare) {
    Ptr<Item> item = Ptr<Item>::Adopt(MakeObject<Item>());
    item->set_parent(self_);
    item->set_registry(registry_);
    prepare(*item.get());
    Var v = Var::Object(item->itf());
    items_->Append(*v.get(), string_key.empty() ? nullptr : &string_key);
    return item;
  }

 private:
  Ptr<Collection> items_;
  Ptr<RegistryObject> registry_;
  BackRefPtr<Impl> self_;  // handed to the items; cleared when this goes
};

}  // namespace reg
}  // namespace kz

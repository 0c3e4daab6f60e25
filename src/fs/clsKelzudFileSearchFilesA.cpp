#include "fs/clsKelzudFileSearchFilesA.h"

#include "base/text.h"
#include "com/variant.h"
#include "frame/catalogue.h"

namespace kz {

FileSearchFiles::FileSearchFiles() : items_(Ptr<Collection>::Adopt(MakeObject<Collection>())) {}

FileSearchFile* FileSearchFiles::AddFile(const std::wstring& full_name, const std::wstring& key) {
  Ptr<FileSearchFile> item = Ptr<FileSearchFile>::Adopt(MakeObject<FileSearchFile>());
  item->file_name_full = full_name;
  Var v = Var::Object(item->itf());
  items_->Append(*v.get(), key.empty() ? nullptr : &key);
  return item.get();  // the collection keeps it alive
}

FileSearchFile* FileSearchFiles::At(long position) const {
  const VARIANT& v = items_->At(position);
  return static_cast<FileSearchFile*>(static_cast<_clsKelzudFileSearchFileA*>(v.pdispVal));
}

STDMETHODIMP FileSearchFiles::Add(BSTR FileNameFull, BSTR* sKey, _clsKelzudFileSearchFileA** ret) {
  return Guard([&] {
    *ret = AddFile(FromBstr(FileNameFull), sKey ? FromBstr(*sKey) : std::wstring())->itf();
    (*ret)->AddRef();
  });
}

STDMETHODIMP FileSearchFiles::get_Item(VARIANT vntIndexKey, _clsKelzudFileSearchFileA** ret) {
  return Guard([&] {
    *ret = At(items_->PositionOf(vntIndexKey))->itf();
    (*ret)->AddRef();
  });
}

STDMETHODIMP FileSearchFiles::get_Count(long* ret) {
  if (!ret) return E_POINTER;
  *ret = items_->size();
  return S_OK;
}

STDMETHODIMP FileSearchFiles::Remove(VARIANT vntIndexKey) {
  return Guard([&] { items_->RemoveAt(items_->PositionOf(vntIndexKey)); });
}

STDMETHODIMP FileSearchFiles::NewEnum(IUnknown** ret) {
  return Guard([&] { *ret = MakeEnumVariant(items_->Snapshot()); });
}

KZ_REGISTER_CLASS(FileSearchFiles);

}  // namespace kz

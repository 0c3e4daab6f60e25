// The results of a file search: an ordered collection of result objects with optional keys
// compared without case (the Collection's rules and errors 5, 9 and 457).
#pragma once
#include <string>

#include "com/collection.h"
#include "com/comobject.h"
#include "com/ptr.h"
#include "frame/kz.h"
#include "fs/clsKelzudFileSearchFileA.h"

namespace kz {

class FileSearchFiles : public ComObject<FileSearchFiles, _clsKelzudFileSearchFilesA> {
  KZ_CLASS(clsKelzudFileSearchFilesA)
 public:
  FileSearchFiles();

  STDMETHODIMP Add(BSTR FileNameFull, BSTR* sKey, _clsKelzudFileSearchFileA** ret) override;
  STDMETHODIMP get_Item(VARIANT vntIndexKey, _clsKelzudFileSearchFileA** ret) override;
  STDMETHODIMP get_Count(long* ret) override;
  STDMETHODIMP Remove(VARIANT vntIndexKey) override;
  STDMETHODIMP NewEnum(IUnknown** ret) override;

  // The same for the library's own code; errors are raised as Error. The returned item is
  // held by the collection.
  FileSearchFile* AddFile(const std::wstring& full_name, const std::wstring& key);
  FileSearchFile* At(long position) const;  // 1-based; raises 9
  long size() const { return items_->size(); }

 private:
  Ptr<Collection> items_;
};

}  // namespace kz

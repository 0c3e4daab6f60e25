// One file found by the file search: eight plain properties, set by the search.
#pragma once
#include <string>

#include "com/comobject.h"
#include "frame/kz.h"

namespace kz {

class FileSearchFile : public ComObject<FileSearchFile, _clsKelzudFileSearchFileA> {
  KZ_CLASS(clsKelzudFileSearchFileA)
 public:
  STDMETHODIMP get_FileName(BSTR* ret) override;
  STDMETHODIMP put_FileName(BSTR rhs) override;
  STDMETHODIMP get_FileSize(double* ret) override;
  STDMETHODIMP put_FileSize(double rhs) override;
  STDMETHODIMP get_Created(DATE* ret) override;
  STDMETHODIMP put_Created(DATE rhs) override;
  STDMETHODIMP get_Modified(DATE* ret) override;
  STDMETHODIMP put_Modified(DATE rhs) override;
  STDMETHODIMP get_Accessed(DATE* ret) override;
  STDMETHODIMP put_Accessed(DATE rhs) override;
  STDMETHODIMP get_FilePath(BSTR* ret) override;
  STDMETHODIMP put_FilePath(BSTR rhs) override;
  STDMETHODIMP get_FileAttributes(long* ret) override;
  STDMETHODIMP put_FileAttributes(long rhs) override;
  STDMETHODIMP get_FileNameFull(BSTR* ret) override;
  STDMETHODIMP put_FileNameFull(BSTR rhs) override;

  // The same for the library's own code.
  std::wstring file_name, file_path, file_name_full;
  double file_size = 0;
  DATE created = 0, modified = 0, accessed = 0;
  long file_attributes = 0;
};

}  // namespace kz

#include "fs/clsKelzudFileSearchFileA.h"

#include "base/text.h"
#include "frame/catalogue.h"

namespace kz {
namespace {

HRESULT GetText(const std::wstring& s, BSTR* ret) {
  if (!ret) return E_POINTER;
  *ret = ToBstr(s);
  return *ret ? S_OK : E_OUTOFMEMORY;
}
template <class T>
HRESULT GetValue(T v, T* ret) {
  if (!ret) return E_POINTER;
  *ret = v;
  return S_OK;
}

}  // namespace

STDMETHODIMP FileSearchFile::get_FileName(BSTR* ret) { return GetText(file_name, ret); }
STDMETHODIMP FileSearchFile::put_FileName(BSTR rhs) {
  return Guard([&] { file_name = FromBstr(rhs); });
}
STDMETHODIMP FileSearchFile::get_FileSize(double* ret) { return GetValue(file_size, ret); }
STDMETHODIMP FileSearchFile::put_FileSize(double rhs) {
  file_size = rhs;
  return S_OK;
}
STDMETHODIMP FileSearchFile::get_Created(DATE* ret) { return GetValue(created, ret); }
STDMETHODIMP FileSearchFile::put_Created(DATE rhs) {
  created = rhs;
  return S_OK;
}
STDMETHODIMP FileSearchFile::get_Modified(DATE* ret) { return GetValue(modified, ret); }
STDMETHODIMP FileSearchFile::put_Modified(DATE rhs) {
  modified = rhs;
  return S_OK;
}
STDMETHODIMP FileSearchFile::get_Accessed(DATE* ret) { return GetValue(accessed, ret); }
STDMETHODIMP FileSearchFile::put_Accessed(DATE rhs) {
  accessed = rhs;
  return S_OK;
}
STDMETHODIMP FileSearchFile::get_FilePath(BSTR* ret) { return GetText(file_path, ret); }
STDMETHODIMP FileSearchFile::put_FilePath(BSTR rhs) {
  return Guard([&] { file_path = FromBstr(rhs); });
}
STDMETHODIMP FileSearchFile::get_FileAttributes(long* ret) { return GetValue(file_attributes, ret); }
STDMETHODIMP FileSearchFile::put_FileAttributes(long rhs) {
  file_attributes = rhs;
  return S_OK;
}
STDMETHODIMP FileSearchFile::get_FileNameFull(BSTR* ret) { return GetText(file_name_full, ret); }
STDMETHODIMP FileSearchFile::put_FileNameFull(BSTR rhs) {
  return Guard([&] { file_name_full = FromBstr(rhs); });
}

KZ_REGISTER_CLASS(FileSearchFile);

}  // namespace kz

// A most-recently-used list of texts in the per-user application settings store. The object
// holds only where the list lives and how long it may grow; the list itself is read from and
// written to the store on every call, so several objects (and runs) share it.
#pragma once
#include <string>
#include <vector>

#include "frame/kz.h"
#include "com/comobject.h"

namespace kz {

class MruList : public ComObject<MruList, _clsKelzudMRUA> {
  KZ_CLASS(clsKelzudMRUA)
 public:
  STDMETHODIMP get_MaxNum(short* ret) override;
  STDMETHODIMP put_MaxNum(short rhs) override;
  STDMETHODIMP get_Child(BSTR* ret) override;
  STDMETHODIMP put_Child(BSTR rhs) override;
  STDMETHODIMP get_Prefix(BSTR* ret) override;
  STDMETHODIMP put_Prefix(BSTR rhs) override;
  STDMETHODIMP get_AppParent(VARIANT* ret) override;
  STDMETHODIMP put_AppParent(VARIANT rhs) override;
  STDMETHODIMP get_Num(short* ret) override;
  STDMETHODIMP get_Last(BSTR* ret) override;
  STDMETHODIMP put_Last(BSTR* rhs) override;
  STDMETHODIMP GetArray(SAFEARRAY** varArray) override;
  STDMETHODIMP Save(BSTR varMRU) override;
  STDMETHODIMP Clear() override;
  STDMETHODIMP ClearAppParent() override;

  void set_max_num(short n) { max_num_ = n; }
  void set_child(const std::wstring& s) { child_ = s; }
  void set_prefix(const std::wstring& s) { prefix_ = s; }
  void set_app(const std::wstring& s) { app_ = s; }

  // The stored count: the leading number of the count key's text, rounded (0 when missing).
  short Count() const;
  std::wstring LastEntry() const;
  void SetLastEntry(const std::wstring& text);
  // Entries 1 to the stored count (empty when the count is below 1).
  std::vector<std::wstring> Entries() const;
  // Puts a text at the top of the list.
  void Put(const std::wstring& text);
  void ClearSection() noexcept;
  void ClearApplication() noexcept;

 private:
  std::wstring KeyOf(long n) const { return prefix_ + std::to_wstring(n); }
  std::wstring Entry(long n) const;

  short max_num_ = 10;
  std::wstring child_ = L"MRU";
  std::wstring prefix_ = L"MRU";
  std::wstring app_;
};

}  // namespace kz

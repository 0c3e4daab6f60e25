#include "services/clsKelzudMRUA.h"

#include "base/convert.h"
#include "base/error.h"
#include "base/text.h"
#include "com/variant.h"
#include "frame/catalogue.h"
#include "services/SettingsStore.h"

namespace kz {

// ---- behaviour -------------------------------------------------------------------------------

short MruList::Count() const {
  long n = RoundToLong(LeadingNumber(GetSetting(app_, child_, prefix_ + L"Num", L"")));
  if (n < -32768 || n > 32767) Raise(kErrOverflow);  // the count is an Integer
  return static_cast<short>(n);
}

std::wstring MruList::Entry(long n) const { return GetSetting(app_, child_, KeyOf(n), L""); }

std::wstring MruList::LastEntry() const { return Entry(1); }

void MruList::SetLastEntry(const std::wstring& text) { SaveSetting(app_, child_, KeyOf(1), text); }

std::vector<std::wstring> MruList::Entries() const {
  std::vector<std::wstring> out;
  short n = Count();
  for (long i = 1; i <= n; ++i) out.push_back(Entry(i));
  return out;
}

void MruList::Put(const std::wstring& text) {
  // The work list holds MaxNum entries (index 0 unused): a MaxNum below 1 leaves no room, and
  // a stored list longer than MaxNum does not fit; both fail before anything is written.
  if (max_num_ < 1) Raise(kErrSubscript);
  std::vector<std::wstring> work(static_cast<size_t>(max_num_) + 1);
  long n = Count();
  if (n < 1) {
    SaveSetting(app_, child_, prefix_ + L"Num", L"1");
    SaveSetting(app_, child_, KeyOf(1), text);
    return;
  }
  long found = 0;
  for (long i = 1; i <= n; ++i) {
    if (i > max_num_) Raise(kErrSubscript);
    work[i] = Entry(i);
    if (work[i] == text) found = i;
  }
  // Entries move one place towards the end to make room at the top: all of them for a new
  // text (the oldest drops off a full list), those above it for a text already listed.
  long move_from = found == 0 ? (n < max_num_ ? n : n - 1) : found - 1;
  if (found == 0 && n < max_num_) ++n;
  for (long k = move_from; k >= 1; --k) work[k + 1] = work[k];
  work[1] = text;
  SaveSetting(app_, child_, prefix_ + L"Num", std::to_wstring(n));
  for (long i = 1; i <= n; ++i) SaveSetting(app_, child_, KeyOf(i), work[i]);
}

void MruList::ClearSection() noexcept {
  try {
    DeleteSettingsSection(app_, child_);
  } catch (...) {
    // A section that is not there is already clear.
  }
}

void MruList::ClearApplication() noexcept {
  try {
    DeleteSettingsApp(app_);
  } catch (...) {
  }
}

// ---- interface -------------------------------------------------------------------------------

STDMETHODIMP MruList::get_MaxNum(short* ret) {
  return Guard([&] { *ret = max_num_; });
}
STDMETHODIMP MruList::put_MaxNum(short rhs) {
  return Guard([&] { max_num_ = rhs; });
}
STDMETHODIMP MruList::get_Child(BSTR* ret) {
  return Guard([&] { *ret = ToBstr(child_); });
}
STDMETHODIMP MruList::put_Child(BSTR rhs) {
  return Guard([&] { child_ = FromBstr(rhs); });
}
STDMETHODIMP MruList::get_Prefix(BSTR* ret) {
  return Guard([&] { *ret = ToBstr(prefix_); });
}
STDMETHODIMP MruList::put_Prefix(BSTR rhs) {
  return Guard([&] { prefix_ = FromBstr(rhs); });
}
STDMETHODIMP MruList::get_AppParent(VARIANT* ret) {
  return Guard([&] { Var::Str(app_).Detach(ret); });
}
STDMETHODIMP MruList::put_AppParent(VARIANT rhs) {
  return Guard([&] { app_ = VarToStr(&rhs); });
}
STDMETHODIMP MruList::get_Num(short* ret) {
  return Guard([&] { *ret = Count(); });
}
STDMETHODIMP MruList::get_Last(BSTR* ret) {
  return Guard([&] { *ret = ToBstr(LastEntry()); });
}
STDMETHODIMP MruList::put_Last(BSTR* rhs) {
  return Guard([&] { SetLastEntry(rhs ? FromBstr(*rhs) : std::wstring()); });
}
STDMETHODIMP MruList::GetArray(SAFEARRAY** varArray) {
  return Guard([&] {
    if (!varArray) Raise(kErrInvalidCall);
    std::vector<std::wstring> items = Entries();
    if (items.empty()) return;  // an empty list leaves the caller's array as it was
    SAFEARRAY* sa = MakeBstrArray(items, 1);
    if (*varArray) SafeArrayDestroy(*varArray);
    *varArray = sa;
  });
}
STDMETHODIMP MruList::Save(BSTR varMRU) {
  return Guard([&] { Put(FromBstr(varMRU)); });
}
STDMETHODIMP MruList::Clear() {
  return Guard([&] { ClearSection(); });
}
STDMETHODIMP MruList::ClearAppParent() {
  return Guard([&] { ClearApplication(); });
}

KZ_REGISTER_CLASS(MruList);

}  // namespace kz

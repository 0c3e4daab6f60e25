#include "services/clsKelzudMRUA.h"

#include "base/convert.h"
#include "base/error.h"
#include "base/text.h"
#include "com/variant.h"
#include "frame/catalogue.h"
#include "services/SettingsStore.h"

namespace kz {

// ---- behaviour -------------------------------------------------------------------------------

namespace {

// Whether a stored count begins with a number as Val reads one (digits, a sign or point before
// digits, or &H / &O), after the blanks Val skips.
bool StartsWithNumber(const std::wstring& t) {
  size_t i = t.find_first_not_of(L" \t\n");
  if (i == std::wstring::npos) return false;
  auto digit = [&](size_t p) { return p < t.size() && t[p] >= L'0' && t[p] <= L'9'; };
  if (digit(i) || t[i] == L'&') return true;
  if (t[i] == L'+' || t[i] == L'-') ++i;
  if (i < t.size() && t[i] == L'.') ++i;
  return digit(i);
}

}  // namespace

short MruList::Count() const {
  std::wstring text;
  SettingKind kind = ReadSetting(app_, child_, prefix_ + L"Num", &text);
  if (kind == SettingKind::Missing) return 0;
  if (kind == SettingKind::Text && StartsWithNumber(text)) {
    double d = LeadingNumber(text);
    if (d > -0.5 && d < 32767.5) {
      long n = RoundToLong(d);
      if (max_num_ < 1 || n <= max_num_) return static_cast<short>(n);
    }
  }
  // A count that is not text, not a number, negative or beyond MaxNum cannot describe the
  // list: the entries stored one after another from the first stand for it, so that the next
  // Save keeps them instead of starting the list again or failing for ever.
  short present = 0;
  while (present < 32767 && ReadSetting(app_, child_, KeyOf(present + 1), &text) != SettingKind::Missing) ++present;
  return present;
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
  // The work list holds MaxNum entries (index 0 unused): a MaxNum below 1 leaves no room and
  // fails before anything is written. A stored list longer than MaxNum is cut to it.
  if (max_num_ < 1) Raise(kErrSubscript);
  std::vector<std::wstring> work(static_cast<size_t>(max_num_) + 1);
  long n = Count();
  if (n > max_num_) n = max_num_;
  if (n < 1) {
    SaveSetting(app_, child_, prefix_ + L"Num", L"1");
    SaveSetting(app_, child_, KeyOf(1), text);
    return;
  }
  long found = 0;
  for (long i = 1; i <= n; ++i) {
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

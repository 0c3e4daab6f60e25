#include "ini/actions/ActionEngine.h"

#include "base/error.h"
#include "base/owner.h"
#include "base/text.h"
#include "com/variant.h"
#include "frame/kz.h"
#include "frame/modules.h"
#include "platform/programs.h"
#include "platform/textlog.h"

namespace kz {
namespace {

constexpr size_t kLongestRead = 254;  // a read of Value returns at most this many characters

bool IsAscii(const std::wstring& s) {
  for (wchar_t c : s)
    if (c > 0x7F) return false;
  return true;
}

std::wstring AsciiLower(std::wstring s) {
  for (wchar_t& c : s)
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c + (L'a' - L'A'));
  return s;
}

// Whether a read of the key gives this listed value unchanged: the platform trims spaces and
// takes off surrounding quotes when it reads a single value, and cuts it.
bool ReadsAsListed(const std::wstring& key, const std::wstring& value) {
  auto blank = [](wchar_t c) { return c == L' ' || c == L'\t'; };
  auto quote = [](wchar_t c) { return c == L'"' || c == L'\''; };
  if (!key.empty() && (blank(key.front()) || blank(key.back()))) return false;
  if (!value.empty() && (blank(value.front()) || blank(value.back()) || quote(value.front()) || quote(value.back())))
    return false;
  // At most two ANSI bytes a character: only a longer text can pass the cut.
  return value.size() * 2 <= kLongestRead || ToAnsi(value).size() <= kLongestRead;
}

}  // namespace

void SectionValues::Load(const ProfileStamp& stamp) {
  loaded_ = true;
  stamp_ = stamp;  // taken before the read: a change during it shows at the next line
  path_ = h_.path();
  section_ = h_.section();
  values_.clear();
  usable_ = true;
  for (const std::wstring& line : SplitNameList(ProfileSection(path_, section_), false)) {
    size_t eq = line.find(L'=');
    if (eq == std::wstring::npos) continue;  // a line without "=" is no key
    std::wstring key = line.substr(0, eq), value = line.substr(eq + 1);
    if (!IsAscii(key)) {
      usable_ = false;  // names the platform may match in ways of its own: read each line
      return;
    }
    bool exact = ReadsAsListed(key, value);
    values_.emplace(AsciiLower(key), Entry{exact, std::move(value)});
  }
}

std::wstring SectionValues::Value() {
  const std::wstring& key = h_.key();
  if (!IsAscii(key)) return h_.ReadValue();
  ProfileStamp now = ProfileStampOf(h_.path());
  if (!loaded_ || now != stamp_ || path_ != h_.path() || section_ != h_.section()) Load(now);
  if (!usable_) return h_.ReadValue();
  auto it = values_.find(AsciiLower(key));
  if (it == values_.end() || !it->second.exact) return h_.ReadValue();
  return it->second.value;
}

std::wstring ActionVariables::FromRuntime(const std::wstring& name, bool flagged) {
  EnvironmentStamp now = watch_.Now();
  if (now != stamp_) {
    answers_.clear();
    stamp_ = now;
  }
  std::wstring key = LowerCase(name) + (flagged ? L"\x1" : L"\x2");
  auto it = answers_.find(key);
  if (it != answers_.end()) return it->second;
  long scope = 2;
  std::wstring n = name;
  Var flag = flagged ? Var::Bool(true) : Var::Short(0);
  bool answered = false;
  std::wstring value = KelEnvironGet(runtime_, scope, n, *flag.get(), &answered);
  // A failure is reported at every reference, as without the answers kept.
  if (answered && n == name) answers_.emplace(std::move(key), value);
  return value;
}

std::wstring ActionVariables::Expand(const std::wstring& field, Lookup lookup) {
  if (field.empty() || field[0] != L'%') return field;
  std::vector<std::wstring> pieces = SplitFields(field, L'%');
  const std::wstring& name = Field(pieces, 1);
  const std::wstring& tail = Field(pieces, 2);
  switch (lookup) {
    case Lookup::FoldersThenEnvironment:
    case Lookup::FoldersThenFlagged:
      if (EqualNoCase(name, L"windir")) return GetWindowsFolder() + tail;
      if (EqualNoCase(name, L"winsysdir")) return GetSystemFolder() + tail;
      return FromRuntime(name, lookup == Lookup::FoldersThenFlagged) + tail;
    case Lookup::ProcessWindir:
      if (EqualNoCase(name, L"windir")) return ProcessVariable(name.c_str()) + tail;
      return FromRuntime(name, false) + tail;
    case Lookup::EnvironmentFlagged:
      return FromRuntime(name, true) + tail;
    case Lookup::Environment:
    default:
      return FromRuntime(name, false) + tail;
  }
}

void ActionNotAvailable(const wchar_t* method) {
  throw Error(kErrNoMember, L"", std::wstring(method) + L" is not available in this build of Kelzud10");
}

void StartHidden(const std::wstring& command) {
  if (StartProcess(command, SW_HIDE, nullptr, nullptr)) Raise(kErrFileNotFound);
}

}  // namespace kz

#include "ini/fields.h"

#include "base/error.h"

namespace kz {

std::vector<std::wstring> SplitFields(const std::wstring& text, wchar_t separator) {
  std::vector<std::wstring> fields;
  size_t start = 0;
  for (;;) {
    size_t p = text.find(separator, start);
    if (p == std::wstring::npos) {
      fields.push_back(text.substr(start));
      return fields;
    }
    fields.push_back(text.substr(start, p - start));
    start = p + 1;
  }
}

const std::wstring& Field(const std::vector<std::wstring>& fields, size_t index) {
  if (index >= fields.size()) Raise(kErrSubscript);
  return fields[index];
}

std::vector<std::wstring> SplitNameList(const std::wstring& list, bool skip_empty) {
  std::vector<std::wstring> names = SplitFields(list, L'\0');
  names.pop_back();  // what follows the last NUL
  if (skip_empty) {
    std::vector<std::wstring> kept;
    for (std::wstring& n : names)
      if (!n.empty()) kept.push_back(std::move(n));
    names.swap(kept);
  }
  if (names.size() > 32767) Raise(kErrOverflow);
  return names;
}

}  // namespace kz

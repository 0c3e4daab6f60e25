// Cutting text at a separator, written once for the INI handler's name lists (NUL after each
// name) and the action engine's fields ("," or "^" between fields, "%" in a reference).
#pragma once
#include <string>
#include <vector>

namespace kz {

// The text cut at every separator: no quoting, no trimming, empty pieces count; n separators
// give n + 1 pieces.
std::vector<std::wstring> SplitFields(const std::wstring& text, wchar_t separator);
// Piece `index` (from 0); error 9 when there are fewer pieces.
const std::wstring& Field(const std::vector<std::wstring>& fields, size_t index);

// The names of a platform list, each followed by NUL: the text after the last NUL is not a
// name; empty names are left out when `skip_empty`. Error 6 past 32,767 names (the count is an
// Integer).
std::vector<std::wstring> SplitNameList(const std::wstring& list, bool skip_empty);

}  // namespace kz

#include "kelzud11/regvalue.h"

#include <vector>

namespace kzs {

bool IsRegistryName(const std::wstring& name) {
  return name.size() <= 16383 && name.find(L'\0') == std::wstring::npos;
}

bool ReadText(HKEY key, const std::wstring& name, std::wstring& text, DWORD* type_out) {
  DWORD type = 0, size = 0;
  std::vector<BYTE> data(512);
  for (int attempt = 0; attempt < 8; ++attempt) {
    size = static_cast<DWORD>(data.size());
    LONG r = RegQueryValueExW(key, name.c_str(), nullptr, &type, data.data(), &size);
    if (r == ERROR_MORE_DATA) {
      data.resize(size + 2);  // the value may still be growing: ask again
      continue;
    }
    if (r != ERROR_SUCCESS) return false;
    break;
  }
  if (size > data.size()) return false;
  if (type_out) *type_out = type;
  switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
      std::wstring s(reinterpret_cast<const wchar_t*>(data.data()), size / sizeof(wchar_t));
      size_t end = s.find(L'\0');  // the stored terminator, and anything after a stray NUL
      if (end != std::wstring::npos) s.resize(end);
      text = s;
      return true;
    }
    case REG_DWORD:
      if (size < 4) return false;
      text = std::to_wstring(*reinterpret_cast<const DWORD*>(data.data()));
      return true;
    case REG_QWORD:
      if (size < 8) return false;
      text = std::to_wstring(*reinterpret_cast<const unsigned long long*>(data.data()));
      return true;
    default:
      return false;
  }
}

LONG WriteText(HKEY key, const std::wstring& name, const std::wstring& text, DWORD type) {
  return RegSetValueExW(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

}  // namespace kzs

#include "base/text.h"
#include "base/error.h"

namespace kz {

std::string ToAnsi(const std::wstring& s) {
  if (s.empty()) return std::string();
  int n = WideCharToMultiByte(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, s.data(), static_cast<int>(s.size()), &out[0], n, nullptr, nullptr);
  return out;
}

std::wstring FromAnsi(const char* s, size_t len) {
  if (len == 0) return std::wstring();
  int n = MultiByteToWideChar(CP_ACP, 0, s, static_cast<int>(len), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, s, static_cast<int>(len), &out[0], n);
  return out;
}

BSTR ToBstr(const std::wstring& s) {
  BSTR b = SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
  if (!b) Raise(kErrOutOfMemory);
  return b;
}

bool EqualNoCase(const std::wstring& a, const std::wstring& b) {
  return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                        b.data(), static_cast<int>(b.size())) == CSTR_EQUAL;
}

std::wstring UpperCase(std::wstring s) {
  if (!s.empty()) CharUpperBuffW(&s[0], static_cast<DWORD>(s.size()));
  return s;
}

std::wstring LowerCase(std::wstring s) {
  if (!s.empty()) CharLowerBuffW(&s[0], static_cast<DWORD>(s.size()));
  return s;
}

}  // namespace kz

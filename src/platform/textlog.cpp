#include "platform/textlog.h"

#include <windows.h>

namespace kz {

std::wstring ProcessVariable(const wchar_t* name) {
  std::wstring value(256, L'\0');
  for (;;) {
    SetLastError(ERROR_SUCCESS);
    DWORD n = GetEnvironmentVariableW(name, &value[0], static_cast<DWORD>(value.size()));
    if (n == 0) return std::wstring();
    if (n < value.size()) return value.substr(0, n);
    value.resize(n);  // n is the size needed, terminator included
  }
}

std::wstring EscapeField(const std::wstring& s) {
  std::wstring r;
  r.reserve(s.size());
  for (wchar_t c : s) {
    switch (c) {
      case L'\\': r += L"\\\\"; break;
      case L'\t': r += L"\\t"; break;
      case L'\r': r += L"\\r"; break;
      case L'\n': r += L"\\n"; break;
      case L'\0': r += L"\\0"; break;
      default: r += c;
    }
  }
  return r;
}

void AppendLine(const std::wstring& file, const std::wstring& line) {
  if (file.empty()) return;
  std::wstring text = line + L"\r\n";
  int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  if (n <= 0) return;
  std::string bytes(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &bytes[0], n, nullptr, nullptr);
  HANDLE h = CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(h);
}

}  // namespace kz

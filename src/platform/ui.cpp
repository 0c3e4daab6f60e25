#include "platform/ui.h"

#include <windows.h>

#include "platform/text.h"

namespace kz {
namespace {

std::wstring Escape(const std::wstring& s) {
  std::wstring r;
  r.reserve(s.size());
  for (wchar_t c : s) {
    switch (c) {
      case L'\\': r += L"\\\\"; break;
      case L'\t': r += L"\\t"; break;
      case L'\r': r += L"\\r"; break;
      case L'\n': r += L"\\n"; break;
      default: r += c;
    }
  }
  return r;
}

std::wstring UnattendedLog() {
  wchar_t buf[MAX_PATH * 2];
  DWORD n = GetEnvironmentVariableW(L"KELZUD10_UNATTENDED", buf, MAX_PATH * 2);
  if (n == 0 || n >= MAX_PATH * 2) return std::wstring();
  return std::wstring(buf, n);
}

void AppendUtf8(const std::wstring& file, const std::wstring& line) {
  HANDLE h = CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  int n = WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), &bytes[0], n, nullptr, nullptr);
  DWORD written = 0;
  WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(h);
}

}  // namespace

std::wstring UnattendedRecord(long style, const std::wstring& title, const std::wstring& text) {
  return std::to_wstring(style) + L"\t" + Escape(title) + L"\t" + Escape(text);
}

int DefaultAnswer(long style) {
  static const int kButtons[][3] = {
      {IDOK, IDOK, IDOK},          // MB_OK
      {IDOK, IDCANCEL, IDCANCEL},  // MB_OKCANCEL
      {IDABORT, IDRETRY, IDIGNORE},
      {IDYES, IDNO, IDCANCEL},
      {IDYES, IDNO, IDNO},
      {IDRETRY, IDCANCEL, IDCANCEL},
      {IDCANCEL, IDTRYAGAIN, IDCONTINUE},
  };
  unsigned kind = static_cast<unsigned>(style) & 0xF;
  unsigned def = (static_cast<unsigned>(style) & 0xF00) >> 8;
  if (kind > 6) kind = 0;
  if (def > 2) def = 0;
  return kButtons[kind][def];
}

int ShowMessage(const std::wstring& text, long style, const std::wstring& title) {
  std::wstring log = UnattendedLog();
  if (!log.empty()) {
    AppendUtf8(log, UnattendedRecord(style, title, text) + L"\r\n");
    return DefaultAnswer(style);
  }
  int r = MessageBoxW(GetActiveWindow(), text.c_str(), title.c_str(), static_cast<UINT>(style));
  return r > 0 ? r : DefaultAnswer(style);
}

}  // namespace kz

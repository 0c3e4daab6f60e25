#include "services/SettingsStore.h"

#include <vector>

#include "base/error.h"
#include "base/owner.h"
#include "base/win.h"

namespace kz {
namespace {

const wchar_t kRoot[] = L"Software\\VB and VBA Program Settings";

// An application or section name the store can address: not empty, no NUL (the platform
// would cut the name there and reach another key), and every part between backslashes (such
// names nest) not empty either, so that no name reaches above its own key.
bool ValidName(const std::wstring& name) {
  return !name.empty() && name.find(L'\0') == std::wstring::npos && name.front() != L'\\' &&
         name.back() != L'\\' && name.find(L"\\\\") == std::wstring::npos;
}
void RequireName(const std::wstring& name) {
  if (!ValidName(name)) Raise(kErrInvalidCall);
}

}  // namespace

std::wstring SettingsKeyPath(const std::wstring& app, const std::wstring& section) {
  std::wstring p = kRoot;
  p += L'\\';
  p += app;
  if (!section.empty()) {
    p += L'\\';
    p += section;
  }
  return p;
}

SettingKind ReadSetting(const std::wstring& app, const std::wstring& section, const std::wstring& key,
                        std::wstring* text) {
  text->clear();
  if (!ValidName(app) || !ValidName(section) || key.find(L'\0') != std::wstring::npos) return SettingKind::Missing;
  RegKey k;
  LSTATUS rc = RegOpenKeyExW(HKEY_CURRENT_USER, SettingsKeyPath(app, section).c_str(), 0, KEY_QUERY_VALUE, k.out());
  if (rc == ERROR_FILE_NOT_FOUND) return SettingKind::Missing;
  if (rc != ERROR_SUCCESS) throw ErrorOfWin32(static_cast<DWORD>(rc));
  std::vector<BYTE> data(256);
  for (;;) {
    DWORD type = 0, size = static_cast<DWORD>(data.size());
    rc = RegQueryValueExW(k.get(), key.c_str(), nullptr, &type, data.data(), &size);
    if (rc == ERROR_MORE_DATA) {
      data.resize(size + sizeof(wchar_t));
      continue;
    }
    if (rc == ERROR_FILE_NOT_FOUND) return SettingKind::Missing;
    if (rc != ERROR_SUCCESS) throw ErrorOfWin32(static_cast<DWORD>(rc));
    if (type != REG_SZ && type != REG_EXPAND_SZ) return SettingKind::Other;  // not a setting this store wrote
    // The whole stored text, NULs inside it included; only the terminator goes.
    text->assign(reinterpret_cast<const wchar_t*>(data.data()), size / sizeof(wchar_t));
    if (!text->empty() && text->back() == L'\0') text->pop_back();
    return SettingKind::Text;
  }
}

std::wstring GetSetting(const std::wstring& app, const std::wstring& section, const std::wstring& key,
                        const std::wstring& def) {
  std::wstring text;
  return ReadSetting(app, section, key, &text) == SettingKind::Text ? text : def;
}

void SaveSetting(const std::wstring& app, const std::wstring& section, const std::wstring& key,
                 const std::wstring& value) {
  RequireName(app);
  RequireName(section);
  if (key.empty() || key.find(L'\0') != std::wstring::npos) Raise(kErrInvalidCall);
  RegKey k;
  LSTATUS rc = RegCreateKeyExW(HKEY_CURRENT_USER, SettingsKeyPath(app, section).c_str(), 0, nullptr, 0,
                               KEY_SET_VALUE, nullptr, k.out(), nullptr);
  if (rc != ERROR_SUCCESS) throw ErrorOfWin32(static_cast<DWORD>(rc));
  size_t bytes = (value.size() + 1) * sizeof(wchar_t);
  if (bytes > 0x7FFFFFFF) Raise(kErrOverflow);
  rc = RegSetValueExW(k.get(), key.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                      static_cast<DWORD>(bytes));
  if (rc != ERROR_SUCCESS) throw ErrorOfWin32(static_cast<DWORD>(rc));
}

void DeleteSettingsSection(const std::wstring& app, const std::wstring& section) {
  RequireName(app);
  RequireName(section);
  LSTATUS rc = RegDeleteTreeW(HKEY_CURRENT_USER, SettingsKeyPath(app, section).c_str());
  if (rc != ERROR_SUCCESS) Raise(kErrInvalidCall);
}

void DeleteSettingsApp(const std::wstring& app) {
  RequireName(app);
  LSTATUS rc = RegDeleteTreeW(HKEY_CURRENT_USER, SettingsKeyPath(app).c_str());
  if (rc != ERROR_SUCCESS) Raise(kErrInvalidCall);
}

}  // namespace kz

// The per-user application settings store that classic GetSetting and SaveSetting use:
// text values under HKEY_CURRENT_USER\Software\VB and VBA Program Settings\<application>\<section>.
#pragma once
#include <string>

namespace kz {

// The store's key of an application (and section), below HKEY_CURRENT_USER.
std::wstring SettingsKeyPath(const std::wstring& app, const std::wstring& section = std::wstring());

// The text of a setting, or `def` when the application, section or key is missing (or the
// application or section name is one SaveSetting refuses). Other registry failures raise
// their errors.
std::wstring GetSetting(const std::wstring& app, const std::wstring& section, const std::wstring& key,
                        const std::wstring& def);
// What a setting holds: absent, text (in `text`), or a value of another type than text.
enum class SettingKind { Missing, Text, Other };
SettingKind ReadSetting(const std::wstring& app, const std::wstring& section, const std::wstring& key,
                        std::wstring* text);
// Writes a setting, creating the application and section as needed. An empty application,
// section or key name (or one holding a NUL, or an empty part between backslashes) raises
// error 5: such a setting could not be addressed again.
void SaveSetting(const std::wstring& app, const std::wstring& section, const std::wstring& key,
                 const std::wstring& value);
// Deletes a section with its settings, or all sections of an application. Empty names raise
// error 5, so that the whole store is never taken for one application; a missing section or
// application raises error 5 as well.
void DeleteSettingsSection(const std::wstring& app, const std::wstring& section);
void DeleteSettingsApp(const std::wstring& app);

}  // namespace kz

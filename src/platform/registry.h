// The platform's registry, in wide strings. The library's registry classes work through the
// ANSI registry functions (names and text data in the ANSI code page); the conversion stays in
// here. Names longer than the registry holds are refused before any platform call: the ANSI
// functions count a converted name in 16 bits, so a name of 65,536 characters would reach the
// registry as the empty name (the key itself, or its default value).
#pragma once
#include <string>
#include <vector>

#include "base/owner.h"
#include "base/win.h"

namespace kz {
namespace registry {

constexpr size_t kMaxKeyName = 255;      // one key name, a step of a key path
constexpr size_t kMaxKeyPath = 32767;    // a whole subkey path
constexpr size_t kMaxValueName = 16383;  // a value name

// Whether the registry can hold the name (see the limits above). The empty path names the key
// itself and the empty value name its default value: both are names the registry holds.
bool IsKeyPath(const std::wstring& path);
bool IsValueName(const std::wstring& name);

// Every function answers ERROR_INVALID_HANDLE for a null key and ERROR_INVALID_PARAMETER for a
// name the registry cannot hold, without calling the platform; otherwise the platform's result.

// RegOpenKeyExA / RegCreateKeyExA (non-volatile, default security); the new handle in `out`.
LONG OpenKey(HKEY parent, const std::wstring& sub_key, REGSAM access, RegKey* out);
LONG CreateKey(HKEY parent, const std::wstring& sub_key, REGSAM access, RegKey* out);

// A value's type and data as stored (text types in the ANSI code page), read with
// RegQueryValueExA; read again with a larger buffer when it does not fit the first.
struct ValueData {
  DWORD type = REG_NONE;
  std::vector<BYTE> bytes;
  // The data taken as ANSI characters, NULs included.
  std::wstring Text() const;
};
LONG QueryValue(HKEY key, const std::wstring& name, ValueData* out);

// RegSetValueExA with bytes as given, or with text converted to the ANSI code page (every
// character of `text`, NULs included, so callers add the terminators the type needs).
LONG SetBytes(HKEY key, const std::wstring& name, DWORD type, const BYTE* data, DWORD size);
LONG SetText(HKEY key, const std::wstring& name, DWORD type, const std::wstring& text);

// RegDeleteValueA / RegDeleteKeyA. An empty subkey deletes `key` itself: callers guard that.
LONG DeleteValue(HKEY key, const std::wstring& name);
LONG DeleteKey(HKEY key, const std::wstring& sub_key);

// The name at `index` of a key's subkeys (RegEnumKeyExA) or values (RegEnumValueA, with its
// type). Names longer than the usual 1,024-byte buffer are read again, not cut.
LONG EnumKeyName(HKEY key, DWORD index, std::wstring* name);
LONG EnumValueName(HKEY key, DWORD index, std::wstring* name, DWORD* type);

// ExpandEnvironmentStringsA of text up to its first NUL, into a buffer of `buffer_chars`
// characters; a longer expansion is made again in a buffer that fits.
std::wstring ExpandEnvironment(const std::wstring& text, DWORD buffer_chars);

}  // namespace registry
}  // namespace kz

#include "platform/registry.h"

#include <cstring>

#include "base/text.h"

namespace kz {
namespace registry {
namespace {

constexpr DWORD kNameBuffer = 1024;     // the usual size argument for names
constexpr DWORD kLongestName = 65536;   // a value name of 16,383 characters in any code page
constexpr DWORD kFirstRead = 512;       // most values fit; larger ones are read again

std::wstring NameOf(const std::vector<char>& buf) {
  return FromAnsi(buf.data(), strnlen(buf.data(), buf.size()));
}

// The checks every call makes before reaching the platform.
LONG Check(HKEY key, bool name_ok) {
  if (!key) return ERROR_INVALID_HANDLE;
  return name_ok ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER;
}

}  // namespace

bool IsKeyPath(const std::wstring& path) {
  // A NUL would end the name early in the ANSI call: the rest of it would be lost.
  if (path.size() > kMaxKeyPath || HasNul(path)) return false;
  size_t start = 0;
  for (;;) {
    size_t end = path.find(L'\\', start);
    size_t len = (end == std::wstring::npos ? path.size() : end) - start;
    if (len > kMaxKeyName) return false;
    if (end == std::wstring::npos) return true;
    start = end + 1;
  }
}

bool IsValueName(const std::wstring& name) { return name.size() <= kMaxValueName && !HasNul(name); }

LONG OpenKey(HKEY parent, const std::wstring& sub_key, REGSAM access, RegKey* out) {
  out->reset();
  if (LONG rc = Check(parent, IsKeyPath(sub_key))) return rc;
  return RegOpenKeyExA(parent, ToAnsi(sub_key).c_str(), 0, access, out->out());
}

LONG CreateKey(HKEY parent, const std::wstring& sub_key, REGSAM access, RegKey* out) {
  out->reset();
  if (LONG rc = Check(parent, IsKeyPath(sub_key))) return rc;
  return RegCreateKeyExA(parent, ToAnsi(sub_key).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                         out->out(), nullptr);
}

std::wstring ValueData::Text() const {
  return FromAnsi(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

LONG QueryValue(HKEY key, const std::wstring& name, ValueData* out) {
  out->type = REG_NONE;
  out->bytes.clear();
  if (LONG rc = Check(key, IsValueName(name))) return rc;
  const std::string n = ToAnsi(name);
  std::vector<BYTE> buf(kFirstRead + 2);
  LONG rc = ERROR_MORE_DATA;
  for (int attempt = 0; attempt < 16 && rc == ERROR_MORE_DATA; ++attempt) {
    DWORD size = static_cast<DWORD>(buf.size() - 2);
    DWORD type = REG_NONE;
    rc = RegQueryValueExA(key, n.c_str(), nullptr, &type, buf.data(), &size);
    if (rc == ERROR_MORE_DATA) {  // larger than the first buffer, or grown meanwhile
      buf.assign(static_cast<size_t>(size) + 2, 0);
    } else if (rc == ERROR_SUCCESS) {
      buf.resize(size);
      out->type = type;
      out->bytes = std::move(buf);
    }
  }
  return rc;
}

LONG SetBytes(HKEY key, const std::wstring& name, DWORD type, const BYTE* data, DWORD size) {
  if (LONG rc = Check(key, IsValueName(name))) return rc;
  return RegSetValueExA(key, ToAnsi(name).c_str(), 0, type, data, size);
}

LONG SetText(HKEY key, const std::wstring& name, DWORD type, const std::wstring& text) {
  if (LONG rc = Check(key, IsValueName(name))) return rc;
  std::string bytes = ToAnsi(text);
  return RegSetValueExA(key, ToAnsi(name).c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                        static_cast<DWORD>(bytes.size()));
}

LONG DeleteValue(HKEY key, const std::wstring& name) {
  if (LONG rc = Check(key, IsValueName(name))) return rc;
  return RegDeleteValueA(key, ToAnsi(name).c_str());
}

LONG DeleteKey(HKEY key, const std::wstring& sub_key) {
  if (LONG rc = Check(key, IsKeyPath(sub_key))) return rc;
  return RegDeleteKeyA(key, ToAnsi(sub_key).c_str());
}

namespace {
// Names a key's index-th subkey or value: the buffer grows once, to the longest name the
// registry allows, when the platform says the name does not fit.
template <class Enumerate>
LONG EnumName(HKEY key, std::wstring* name, Enumerate enumerate) {
  name->clear();
  if (LONG rc = Check(key, true)) return rc;
  std::vector<char> buf(kNameBuffer + 1);
  for (;;) {
    DWORD size = static_cast<DWORD>(buf.size() - 1);
    buf[0] = '\0';
    LONG rc = enumerate(buf.data(), &size);
    if (rc == ERROR_MORE_DATA && buf.size() < kLongestName + 1) {
      buf.assign(kLongestName + 1, '\0');
      continue;
    }
    if (rc == ERROR_SUCCESS) *name = NameOf(buf);
    return rc;
  }
}
}  // namespace

LONG EnumKeyName(HKEY key, DWORD index, std::wstring* name) {
  return EnumName(key, name, [&](char* buf, DWORD* size) {
    return RegEnumKeyExA(key, index, buf, size, nullptr, nullptr, nullptr, nullptr);
  });
}

LONG EnumValueName(HKEY key, DWORD index, std::wstring* name, DWORD* type) {
  return EnumName(key, name, [&](char* buf, DWORD* size) {
    return RegEnumValueA(key, index, buf, size, nullptr, type, nullptr, nullptr);
  });
}

std::wstring ExpandEnvironment(const std::wstring& text, DWORD buffer_chars) {
  // ExpandEnvironmentStringsA stops at the first NUL of the text, as the result does.
  std::string source = ToAnsi(text);
  std::vector<char> buf(buffer_chars, '\0');
  DWORD need = ExpandEnvironmentStringsA(source.c_str(), buf.data(), buffer_chars - 1);
  if (need > buffer_chars - 1) {
    buf.assign(need + 1, '\0');
    ExpandEnvironmentStringsA(source.c_str(), buf.data(), need);
  }
  return FromAnsi(buf.data(), strnlen(buf.data(), buf.size()));
}

}  // namespace registry
}  // namespace kz

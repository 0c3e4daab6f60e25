#include "platform/envstamp.h"

namespace kz {

EnvironmentStamp EnvironmentWatch::Now() {
  EnvironmentStamp s;
  s.taken = true;
  if (!key_) RegOpenKeyExW(HKEY_CURRENT_USER, L"Environment", 0, KEY_QUERY_VALUE, key_.out());
  FILETIME t{};
  if (key_ && RegQueryInfoKeyW(key_.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr, &t) == ERROR_SUCCESS) {
    s.stored = true;
    s.written = (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  } else {
    key_.reset();  // gone, or never there: opened again next time
  }
  // FNV-1a over the whole block (name=value strings up to the double NUL).
  unsigned long long h = 14695981039346656037ull;
  if (wchar_t* block = GetEnvironmentStringsW()) {
    const wchar_t* p = block;
    while (*p) {
      for (; *p; ++p) h = (h ^ static_cast<unsigned long long>(*p)) * 1099511628211ull;
      h = (h ^ 0xFFFF) * 1099511628211ull;
      ++p;
    }
    FreeEnvironmentStringsW(block);
  }
  s.process = h;
  return s;
}

}  // namespace kz

#include "platform/profile.h"

#include <cstring>

#include "base/win.h"
#include "base/text.h"

namespace kz {

unsigned long ProfileRead(const char* section, const char* key, const char* def, char* buffer,
                          unsigned long size, const char* file) {
  return GetPrivateProfileStringA(section, key, def, buffer, size, file);
}

long ProfileWrite(const char* section, const char* key, const char* value, const char* file) {
  // Wine's ANSI entry point converts each argument through a counted string of at most 32,766
  // characters; a longer one is passed on uninitialised and crashes the process. Such text
  // takes the wide entry point, converted from the same ANSI bytes, so the file receives
  // exactly what the ANSI call would write.
  auto too_long = [](const char* s) { return s && std::strlen(s) >= 32766; };
  if (!too_long(section) && !too_long(key) && !too_long(value) && !too_long(file))
    return WritePrivateProfileStringA(section, key, value, file);
  auto wide = [](const char* s) { return s ? FromAnsi(s, std::strlen(s)) : std::wstring(); };
  std::wstring ws = wide(section), wk = wide(key), wv = wide(value), wf = wide(file);
  return WritePrivateProfileStringW(section ? ws.c_str() : nullptr, key ? wk.c_str() : nullptr,
                                    value ? wv.c_str() : nullptr, file ? wf.c_str() : nullptr);
}

}  // namespace kz

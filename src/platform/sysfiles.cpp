#include "platform/sysfiles.h"

#include <vector>

#include "base/error.h"
#include "base/win.h"

namespace kz {

std::wstring EnvironmentValue(const std::wstring& name) {
  DWORD n = GetEnvironmentVariableW(name.c_str(), nullptr, 0);
  if (n == 0) return std::wstring();
  std::vector<wchar_t> buf(n + 1);
  n = GetEnvironmentVariableW(name.c_str(), buf.data(), static_cast<DWORD>(buf.size()));
  if (n == 0 || n >= buf.size()) return std::wstring();
  return std::wstring(buf.data(), n);
}

void DeleteFileForced(const std::wstring& path) {
  DWORD attrs = GetFileAttributesW(path.c_str());
  if (attrs == INVALID_FILE_ATTRIBUTES) throw ErrorOfWin32(GetLastError());
  if (attrs & FILE_ATTRIBUTE_DIRECTORY) throw ErrorOfWin32(ERROR_FILE_NOT_FOUND);  // a file was asked for
  if (attrs & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(path.c_str(), attrs & ~FILE_ATTRIBUTE_READONLY);
  if (!DeleteFileW(path.c_str())) {
    DWORD e = GetLastError();
    if (attrs & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(path.c_str(), attrs);  // left as it was
    throw ErrorOfWin32(e);
  }
}

void CopyFileOverwriting(const std::wstring& from, const std::wstring& to) {
  // A read-only file is not overwritten (Windows refuses; Wine would replace it).
  DWORD existing = GetFileAttributesW(to.c_str());
  if (existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_READONLY) &&
      GetFileAttributesW(from.c_str()) != INVALID_FILE_ATTRIBUTES)
    throw ErrorOfWin32(ERROR_ACCESS_DENIED);
  if (!CopyFileW(from.c_str(), to.c_str(), FALSE)) throw ErrorOfWin32(GetLastError());
}

}  // namespace kz

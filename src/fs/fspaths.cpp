#include "fs/fspaths.h"

#include <shellapi.h>

#include <vector>

#include "base/text.h"

namespace kz {
namespace fsx {

std::wstring TrimSpaces(const std::wstring& s) {
  size_t b = s.find_first_not_of(L' ');
  if (b == std::wstring::npos) return std::wstring();
  size_t e = s.find_last_not_of(L' ');
  return s.substr(b, e - b + 1);
}

std::wstring BeforeNul(const std::wstring& s) {
  size_t p = s.find(L'\0');
  return p == std::wstring::npos ? s : s.substr(0, p);
}

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool HasWildcard(const std::wstring& s) { return s.find_first_of(L"*?") != std::wstring::npos; }

namespace {

// Length of the root part: "C:\" 3, "C:" 2, "\\server\share\" up to and with the separator
// after the share, "\" 1, otherwise 0.
size_t RootLength(const std::wstring& p) {
  if (p.size() >= 2 && p[1] == L':') return (p.size() >= 3 && IsSeparator(p[2])) ? 3 : 2;
  if (p.size() >= 2 && IsSeparator(p[0]) && IsSeparator(p[1])) {
    size_t server_end = p.find_first_of(L"\\/", 2);
    if (server_end == std::wstring::npos) return p.size();
    size_t share_end = p.find_first_of(L"\\/", server_end + 1);
    if (share_end == std::wstring::npos) return p.size();
    return share_end + 1;
  }
  if (!p.empty() && IsSeparator(p[0])) return 1;
  return 0;
}

// The path without trailing separators, unless that would cut into its root.
std::wstring StripTrailing(const std::wstring& p) {
  size_t root = RootLength(p);
  size_t end = p.size();
  while (end > root && IsSeparator(p[end - 1])) --end;
  return p.substr(0, end);
}

}  // namespace

std::wstring FileName(const std::wstring& path) {
  std::wstring p = StripTrailing(path);
  size_t root = RootLength(p);
  if (root >= p.size()) return std::wstring();
  size_t sep = p.find_last_of(L"\\/");
  size_t start = (sep == std::wstring::npos || sep < root) ? root : sep + 1;
  return p.substr(start);
}

std::wstring ParentFolderName(const std::wstring& path) {
  std::wstring p = StripTrailing(path);
  size_t root = RootLength(p);
  if (root >= p.size()) return std::wstring();
  size_t sep = p.find_last_of(L"\\/");
  if (sep == std::wstring::npos || sep < root) return p.substr(0, root);  // "C:x" gives "C:"
  size_t end = sep;
  while (end > root && IsSeparator(p[end - 1])) --end;
  if (end < root) end = root;
  return p.substr(0, end);
}

std::wstring ExtensionName(const std::wstring& path) {
  std::wstring name = FileName(path);
  size_t dot = name.rfind(L'.');
  return dot == std::wstring::npos ? std::wstring() : name.substr(dot + 1);
}

std::wstring FullPath(const std::wstring& path) {
  if (path.empty()) return path;
  DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (n == 0) return path;
  std::vector<wchar_t> buf(n + 1);
  n = GetFullPathNameW(path.c_str(), n + 1, buf.data(), nullptr);
  std::wstring full(buf.data(), n);
  return StripTrailing(full);
}

std::wstring KernelPath(const std::wstring& path) {
  if (path.size() < MAX_PATH - 12 || path.compare(0, 4, L"\\\\?\\") == 0) return path;
  std::wstring full = FullPath(path);
  for (auto& c : full)
    if (c == L'/') c = L'\\';
  if (full.size() >= 3 && full[1] == L':') return L"\\\\?\\" + full;
  if (full.size() >= 2 && full[0] == L'\\' && full[1] == L'\\') return L"\\\\?\\UNC\\" + full.substr(2);
  return path;
}

std::wstring Join(const std::wstring& folder, const std::wstring& name) {
  if (!folder.empty() && IsSeparator(folder.back())) return folder + name;
  return folder + L"\\" + name;
}

DWORD Attributes(const std::wstring& path) {
  // The "?" of the long-path prefix "\\?\" is no wildcard.
  const size_t named = path.compare(0, 4, L"\\\\?\\") == 0 ? 4 : 0;
  if (path.empty() || HasWildcard(path.substr(named)) || !IsUsablePath(path)) return INVALID_FILE_ATTRIBUTES;
  return GetFileAttributesW(KernelPath(path).c_str());
}

bool FolderExists(const std::wstring& path) {
  DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool FileExists(const std::wstring& path) {
  DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool OnDisk(const std::wstring& path) {
  HANDLE h = CreateFileW(KernelPath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool disk = GetFileType(h) == FILE_TYPE_DISK;
  CloseHandle(h);
  return disk;
}

bool QueryFile(const std::wstring& path, FileFacts* facts, DWORD* error) {
  if (path.empty() || HasWildcard(path) || !IsUsablePath(path)) {
    *error = path.empty() ? ERROR_PATH_NOT_FOUND : ERROR_INVALID_NAME;
    return false;
  }
  WIN32_FILE_ATTRIBUTE_DATA d{};
  std::wstring full = FullPath(path);
  if (!GetFileAttributesExW(KernelPath(full).c_str(), GetFileExInfoStandard, &d)) {
    *error = GetLastError();
    return false;
  }
  if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {  // a folder is not a file
    *error = ERROR_FILE_NOT_FOUND;
    return false;
  }
  facts->path = full;
  facts->attributes = d.dwFileAttributes;
  facts->created = d.ftCreationTime;
  facts->accessed = d.ftLastAccessTime;
  facts->written = d.ftLastWriteTime;
  facts->size = (static_cast<unsigned long long>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
  return true;
}

DATE LocalDate(const FILETIME& ft) {
  if (ft.dwLowDateTime == 0 && ft.dwHighDateTime == 0) return 0;
  FILETIME local;
  SYSTEMTIME st;
  if (!FileTimeToLocalFileTime(&ft, &local) || !FileTimeToSystemTime(&local, &st)) return 0;
  st.wMilliseconds = 0;  // the text form has whole seconds
  DATE d = 0;
  SystemTimeToVariantTime(&st, &d);
  return d;
}

std::wstring DateText(DATE d) {
  BSTR b = nullptr;
  if (FAILED(VarBstrFromDate(d, LOCALE_USER_DEFAULT, 0, &b))) return std::wstring();
  std::wstring s = FromBstr(b);
  SysFreeString(b);
  return s;
}

std::wstring NumberText(double d) {
  BSTR b = nullptr;
  if (FAILED(VarBstrFromR8(d, LOCALE_USER_DEFAULT, 0, &b))) return std::wstring();
  std::wstring s = FromBstr(b);
  SysFreeString(b);
  return s;
}

std::wstring TypeName(const std::wstring& path) {
  SHFILEINFOW info{};
  if (SHGetFileInfoW(path.c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof info, SHGFI_TYPENAME | SHGFI_USEFILEATTRIBUTES) &&
      info.szTypeName[0])
    return info.szTypeName;
  std::wstring ext = ExtensionName(path);
  return ext.empty() ? std::wstring(L"File") : UpperCase(ext) + L" File";
}

DWORD ScriptingAttributes(DWORD a) {
  return a & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | 8 /* volume */ |
              FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_REPARSE_POINT |
              FILE_ATTRIBUTE_COMPRESSED);
}

}  // namespace fsx
}  // namespace kz

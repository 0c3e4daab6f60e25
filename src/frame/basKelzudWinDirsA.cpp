// basKelzudWinDirsA: the Windows and system folders, and whether a folder exists.
#include <cstring>

#include "frame/modules.h"
#include "frame/kz.h"
#include "base/text.h"

namespace kz {
namespace {

constexpr UINT kFolderBuffer = 255;

std::wstring FolderOf(UINT(WINAPI* query)(LPSTR, UINT)) {
  char buf[kFolderBuffer + 1] = {};
  UINT n = query(buf, kFolderBuffer);
  // 0 is a failure; a result of the buffer's size or more is the size the folder would need.
  if (n == 0 || n >= kFolderBuffer) return std::wstring();
  return FromAnsi(buf, strnlen(buf, n));
}

struct FindHandle {
  HANDLE h;
  ~FindHandle() {
    if (h != INVALID_HANDLE_VALUE) FindClose(h);
  }
};

}  // namespace

std::wstring GetWindowsFolder() { return FolderOf(&GetWindowsDirectoryA); }
std::wstring GetSystemFolder() { return FolderOf(&GetSystemDirectoryA); }

bool FolderIsPresent(const std::wstring& path) {
  // A path with a NUL in it would be cut there by the platform and name another folder.
  if (path.empty() || path.find(L'\0') != std::wstring::npos) return false;
  // Without its trailing backslash the pattern would match every name that merely begins with
  // the folder's name; the folder itself is what is asked about.
  std::wstring pattern = path;
  if (pattern.back() != L'\\' && pattern.back() != L'/') pattern += L'\\';
  pattern += L"*.*";
  // The wide call: an ANSI path would turn characters outside the code page into "?",
  // which the listing takes as a wildcard.
  WIN32_FIND_DATAW fd;
  FindHandle find{FindFirstFileW(pattern.c_str(), &fd)};
  return find.h != INVALID_HANDLE_VALUE;
}

}  // namespace kz

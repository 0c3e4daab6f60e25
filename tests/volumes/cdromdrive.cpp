#include "cdromdrive.h"

#include <winioctl.h>

#include <cstdio>
#include <cstring>
#include <cwctype>
#include <vector>

namespace kzt {
namespace {

// Wine's mount manager: the request that defines (or, with type DRIVE_NO_ROOT_DIR, removes) a
// drive letter backed by a host folder.
constexpr wchar_t kMountManager[] = L"\\\\.\\MountPointManager";
constexpr DWORD kDefineUnixDrive = CTL_CODE(static_cast<ULONG>('m'), 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
struct mountmgr_unix_drive {
  ULONG size;
  ULONG type;
  ULONG fs_type;
  DWORD serial;
  ULONGLONG unix_dev;
  WCHAR letter;
  USHORT mount_point_offset;
  USHORT device_offset;
  USHORT label_offset;
};

// The folder's name on the host, through Wine's own kernel export.
std::string UnixPath(const std::wstring& path) {
  using ToUnix = char*(CDECL*)(LPCWSTR);
  auto to_unix = reinterpret_cast<ToUnix>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!to_unix) return std::string();
  char* p = to_unix(path.c_str());
  if (!p) return std::string();
  std::string s = p;
  HeapFree(GetProcessHeap(), 0, p);
  return s;
}

}  // namespace

bool CdromDrive::Define(wchar_t letter, unsigned type, const std::string& unix_path) {
  HANDLE mgr = CreateFileW(kMountManager, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
  if (mgr == INVALID_HANDLE_VALUE) return false;
  std::vector<char> buf(sizeof(mountmgr_unix_drive) + unix_path.size() + 1, 0);
  auto* d = reinterpret_cast<mountmgr_unix_drive*>(buf.data());
  d->size = static_cast<ULONG>(buf.size());
  d->type = type;
  d->letter = static_cast<WCHAR>(towlower(letter));
  if (!unix_path.empty()) {
    d->mount_point_offset = sizeof(mountmgr_unix_drive);
    memcpy(buf.data() + sizeof(mountmgr_unix_drive), unix_path.c_str(), unix_path.size() + 1);
  }
  BOOL ok = DeviceIoControl(mgr, kDefineUnixDrive, buf.data(), static_cast<DWORD>(buf.size()),
                            nullptr, 0, nullptr, nullptr);
  CloseHandle(mgr);
  return ok != FALSE;
}

CdromDrive::CdromDrive(const std::string& label, unsigned long serial, bool medium) {
  DWORD used = GetLogicalDrives();
  wchar_t letter = 0;
  for (wchar_t c = L'R'; c <= L'Y'; ++c) {
    if (!(used & (1u << (c - L'A')))) {
      letter = c;
      break;
    }
  }
  if (!letter) return;
  WriteFileText(dir_.File(L".windows-label"), label + "\n");
  char hex[16];
  snprintf(hex, sizeof hex, "%lx\n", serial);
  WriteFileText(dir_.File(L".windows-serial"), hex);
  std::string target = UnixPath(dir_.path());
  if (target.empty()) return;
  if (!medium) target += "/no-disc";
  if (Define(letter, DRIVE_CDROM, target)) letter_ = letter;
}

CdromDrive::~CdromDrive() {
  if (letter_) Define(letter_, DRIVE_NO_ROOT_DIR, std::string());
}

std::wstring CdromLetters() {
  wchar_t buf[512];
  DWORD n = GetLogicalDriveStringsW(511, buf);
  std::wstring letters;
  for (DWORD i = 0; i < n && i < 511; i += 4)
    if (GetDriveTypeW(buf + i) == DRIVE_CDROM) letters += buf[i];
  return letters;
}

}  // namespace kzt

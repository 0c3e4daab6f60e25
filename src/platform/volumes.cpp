#include "platform/volumes.h"

#include "base/owner.h"
#include "base/win.h"

#include <cwctype>

namespace kz {

bool Volumes::Present(const std::wstring& root, unsigned* type) {
  if (type) *type = DriveType(root);
  if (root.size() < 2 || root[1] != L':') return false;
  std::wstring list = LogicalDriveStrings();
  wchar_t letter = static_cast<wchar_t>(towupper(root[0]));
  size_t i = 0;
  while (i < list.size()) {
    size_t e = list.find(L'\0', i);
    if (e == std::wstring::npos) e = list.size();
    if (e - i >= 2 && static_cast<wchar_t>(towupper(list[i])) == letter && list[i + 1] == L':') return true;
    i = e + 1;
  }
  return false;
}

int Volumes::Readiness(const std::wstring& root) {
  if (!Present(root, nullptr)) return -1;
  return VolumeInformation(root, nullptr, nullptr, nullptr) ? 1 : 0;
}

namespace {

class KernelVolumes : public Volumes {
 public:
  std::wstring LogicalDriveStrings() override {
    wchar_t buf[1024];
    DWORD n = GetLogicalDriveStringsW(1023, buf);
    if (n == 0 || n > 1023) return std::wstring();
    return std::wstring(buf, n);
  }
  unsigned DriveType(const std::wstring& root) override { return GetDriveTypeW(root.c_str()); }
  // A root that has a type is a drive; only a root without one is looked for in the drive list.
  bool Present(const std::wstring& root, unsigned* type) override {
    unsigned t = DriveType(root);
    if (type) *type = t;
    return t != DRIVE_NO_ROOT_DIR || Volumes::Present(root, nullptr);
  }
  int Readiness(const std::wstring& root) override {
    if (VolumeInformation(root, nullptr, nullptr, nullptr)) return 1;
    return Volumes::Present(root, nullptr) ? 0 : -1;
  }
  bool VolumeInformation(const std::wstring& root, std::wstring* label, unsigned long* serial,
                         std::wstring* file_system) override {
    wchar_t name[MAX_PATH + 1] = {}, fs[MAX_PATH + 1] = {};
    DWORD sn = 0, maxlen = 0, flags = 0;
    // A drive without a medium must answer "not ready", not ask the user to insert one.
    UINT old = SetErrorMode(SEM_FAILCRITICALERRORS);
    // Only what the caller asks for is asked of the platform.
    BOOL ok = GetVolumeInformationW(root.c_str(), label ? name : nullptr, label ? MAX_PATH + 1 : 0,
                                    serial ? &sn : nullptr, file_system ? &maxlen : nullptr,
                                    file_system ? &flags : nullptr, file_system ? fs : nullptr,
                                    file_system ? MAX_PATH + 1 : 0);
    SetErrorMode(old);
    if (!ok) return false;
    if (label) *label = name;
    if (serial) *serial = sn;
    if (file_system) *file_system = fs;
    return true;
  }
  bool HasDiskFreeSpaceEx() override {
    HMODULE k = GetModuleHandleW(L"kernel32.dll");
    return k && GetProcAddress(k, "GetDiskFreeSpaceExA") != nullptr;
  }
  bool DiskFreeSpaceEx(const std::wstring& root, unsigned long long* available, unsigned long long* total,
                       unsigned long long* free) override {
    ULARGE_INTEGER a{}, t{}, f{};
    UINT old = SetErrorMode(SEM_FAILCRITICALERRORS);
    BOOL ok = GetDiskFreeSpaceExW(root.c_str(), &a, &t, &f);
    SetErrorMode(old);
    if (!ok) return false;
    *available = a.QuadPart;
    *total = t.QuadPart;
    *free = f.QuadPart;
    return true;
  }
  bool DiskFreeSpace(const std::wstring& root, unsigned long* spc, unsigned long* bps, unsigned long* free_clusters,
                     unsigned long* total_clusters) override {
    DWORD a = 0, b = 0, c = 0, d = 0;
    UINT old = SetErrorMode(SEM_FAILCRITICALERRORS);
    BOOL ok = GetDiskFreeSpaceW(root.c_str(), &a, &b, &c, &d);
    SetErrorMode(old);
    if (!ok) return false;
    *spc = a;
    *bps = b;
    *free_clusters = c;
    *total_clusters = d;
    return true;
  }
  std::wstring ShareName(const std::wstring& drive) override {
    // The network provider library is loaded only for this question.
    using GetConnection = DWORD(WINAPI*)(LPCWSTR, LPWSTR, LPDWORD);
    Module mpr(LoadLibraryW(L"mpr.dll"));
    if (!mpr) return std::wstring();
    auto get = reinterpret_cast<GetConnection>(reinterpret_cast<void*>(GetProcAddress(mpr.get(), "WNetGetConnectionW")));
    if (!get) return std::wstring();
    wchar_t remote[1024];
    DWORD size = 1024;
    if (get(drive.c_str(), remote, &size) != NO_ERROR) return std::wstring();
    return remote;
  }
};

}  // namespace

template <>
Volumes& SeamDefault<Volumes>() {
  static KernelVolumes v;
  return v;
}

}  // namespace kz

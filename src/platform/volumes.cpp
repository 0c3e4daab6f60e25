#include "platform/volumes.h"

#include "base/owner.h"
#include "base/win.h"

namespace kz {
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
  bool VolumeInformation(const std::wstring& root, std::wstring* label, unsigned long* serial,
                         std::wstring* file_system) override {
    wchar_t name[MAX_PATH + 1] = {}, fs[MAX_PATH + 1] = {};
    DWORD sn = 0, maxlen = 0, flags = 0;
    // A drive without a medium must answer "not ready", not ask the user to insert one.
    UINT old = SetErrorMode(SEM_FAILCRITICALERRORS);
    BOOL ok = GetVolumeInformationW(root.c_str(), name, MAX_PATH + 1, &sn, &maxlen, &flags, fs, MAX_PATH + 1);
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

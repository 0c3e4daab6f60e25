// Drive and file queries of the file-system object against the least platform work that answers
// the same questions, in the same run, round by round:
//   Drive_Exist   against one drive-type, one volume-information and one free-space query of
//                 the drive (and its share name when it is a network drive);
//   File_Exist    against that plus one attribute query of the file;
//   IsDriveReady  against one volume-information query.
// Goals: each ratio at most 1.2. Prints per-call figures, the ratios and their goals; exits
// non-zero when the record's values differ from the platform's answers.
#include <cstdio>
#include <string>

#include "benchkit.h"

#include "fs/DriveObject.h"
#include "fs/clsKelzudFileSystemA.h"
#include "fs/fspaths.h"

namespace {

constexpr int kRounds = 15;
constexpr int kCalls = 200;  // calls per measurement
constexpr double kGoal = 1.2;

using bench::Now;

struct Raw {
  std::wstring label, file_system;
  DWORD serial = 0;
  unsigned long long available = 0, total = 0, free = 0;
  UINT type = 0;
};

// The platform's answers for one drive record, each question asked once.
Raw RawDrive(const std::wstring& root) {
  Raw r;
  wchar_t name[MAX_PATH + 1], fs[MAX_PATH + 1];
  DWORD maxlen = 0, flags = 0;
  r.type = GetDriveTypeW(root.c_str());
  if (GetVolumeInformationW(root.c_str(), name, MAX_PATH + 1, &r.serial, &maxlen, &flags, fs, MAX_PATH + 1)) {
    r.label = name;
    r.file_system = fs;
  }
  ULARGE_INTEGER a{}, t{}, f{};
  if (GetDiskFreeSpaceExW(root.c_str(), &a, &t, &f)) r.available = a.QuadPart, r.total = t.QuadPart, r.free = f.QuadPart;
  if (r.type == DRIVE_REMOTE) {
    using GetConnection = DWORD(WINAPI*)(LPCWSTR, LPWSTR, LPDWORD);
    HMODULE mpr = LoadLibraryW(L"mpr.dll");
    auto get = mpr ? reinterpret_cast<GetConnection>(reinterpret_cast<void*>(GetProcAddress(mpr, "WNetGetConnectionW")))
                   : nullptr;
    wchar_t remote[1024];
    DWORD size = 1024;
    std::wstring drive = root.substr(0, 2);
    if (get) get(drive.c_str(), remote, &size);
    if (mpr) FreeLibrary(mpr);
  }
  return r;
}

bool RawVolume(const std::wstring& root) {
  return GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0) != FALSE;
}

template <class F>
double PerCall(F f) {
  double t0 = Now();
  for (int i = 0; i < kCalls; ++i) f();
  return (Now() - t0) / kCalls;
}

void Line(const char* label, const bench::Rounds& r, bool& missed) {
  r.Print(label, "library", "platform");
  double m = r.MedianRatio();
  std::printf("%s: per call %.3f ms against %.3f ms; median ratio %.2f, goal at most %.1f%s\n", label, r.work() * 1e3,
              r.baseline() * 1e3, m, kGoal, m <= kGoal ? "" : "  (goal missed)");
  if (m > kGoal) missed = true;
}

}  // namespace

int main() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  bench::Header("drive and file queries of clsKelzudFileSystemA against the platform queries they need");
  bench::Checks checks;
  wchar_t sys[MAX_PATH];
  GetSystemDirectoryW(sys, MAX_PATH);
  std::wstring drive = std::wstring(sys).substr(0, 2), root = drive + L"\\";
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  std::wstring file = std::wstring(temp) + L"kz_bench_query_" + std::to_wstring(GetCurrentProcessId()) + L".txt";
  HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  CloseHandle(h);
  if (file.substr(0, 2) != drive) std::printf("note: the file is on %ls, the drive measured is %ls\n", file.substr(0, 2).c_str(), drive.c_str());

  kz::FileSystem* fs = kz::MakeObject<kz::FileSystem>();
  {
    long type = 0;
    Raw raw = RawDrive(root);
    checks.Expect(fs->DriveExist(drive, type), "Drive_Exist of the system drive");
    const kz::FileSystem::DriveRecord& d = fs->Drive();
    checks.Expect(d.volume_name == raw.label, "VolumeName");
    checks.Expect(d.file_system == raw.file_system, "FileSystem");
    checks.Expect(d.serial_number == kz::SerialText(raw.serial), "SerialNumber");
    checks.Expect(d.total_size == kz::fsx::NumberText(static_cast<double>(raw.total)), "TotalSize");
    checks.Expect(type == 2 || type == 3 || type == 1 || type == 4 || type == 5, "DriveType");
    checks.Expect(fs->FileExist(file), "File_Exist of an existing file");
    checks.Expect(fs->DriveReady(drive), "IsDriveReady of the system drive");
  }

  bench::Rounds drive_rounds, file_rounds, ready_rounds;
  bool missed = false;
  for (int round = 0; round < kRounds; ++round) {
    long type = 0;
    drive_rounds.Add(PerCall([&] { fs->DriveExist(drive, type); }), PerCall([&] { RawDrive(root); }));
    file_rounds.Add(PerCall([&] { fs->FileExist(file); }), PerCall([&] {
                      RawDrive(root);
                      GetFileAttributesW(file.c_str());
                    }));
    ready_rounds.Add(PerCall([&] { fs->DriveReady(drive); }), PerCall([&] { RawVolume(root); }));
  }
  Line("Drive_Exist", drive_rounds, missed);
  Line("File_Exist", file_rounds, missed);
  Line("IsDriveReady", ready_rounds, missed);
  if (missed) std::printf("goals: at least one ratio is above %.1f\n", kGoal);

  fs->Release();
  DeleteFileW(file.c_str());
  CoUninitialize();
  return checks.ExitCode();
}

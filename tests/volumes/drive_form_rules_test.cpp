// What the drive form decides without a window: the names of drive types, the description of a
// drive, which drives OK accepts, and the form in a silent run.
#include <string>
#include <vector>

#include "base/error.h"
#include "base/seam.h"
#include "fs/frmCusDrvA.h"
#include "platform/volumes.h"
#include "testkit.h"

namespace {

using namespace kz::cusdrv;

TEST(DriveForm, TypeNames) {
  const std::pair<long, const wchar_t*> names[] = {{0, L" UnknownType"}, {1, L"Removable"}, {2, L"Fixed"},
                                                   {3, L"Remote "},      {4, L"CDRom"},     {5, L"RamDisk"},
                                                   {6, L""},             {-1, L""}};
  for (const auto& n : names) EXPECT_EQ(DriveTypeString(n.first), n.second) << n.first;
}

// One drive, K:, of a type and free space the test sets; L: is a removable drive without a medium.
class OneDrive : public kz::Volumes {
 public:
  unsigned type = DRIVE_FIXED;
  unsigned long long free = 0;
  std::wstring share;
  std::wstring LogicalDriveStrings() override { return std::wstring(L"K:\\\0L:\\\0", 8); }
  unsigned DriveType(const std::wstring& root) override {
    if (root.size() >= 2 && towupper(root[0]) == L'K') return type;
    if (root.size() >= 2 && towupper(root[0]) == L'L') return DRIVE_REMOVABLE;
    return DRIVE_NO_ROOT_DIR;
  }
  bool VolumeInformation(const std::wstring& root, std::wstring* label, unsigned long*, std::wstring*) override {
    if (root.empty() || towupper(root[0]) != L'K') return false;
    if (label) *label = L"WORK";
    return true;
  }
  bool HasDiskFreeSpaceEx() override { return true; }
  bool DiskFreeSpaceEx(const std::wstring& root, unsigned long long* a, unsigned long long* t,
                       unsigned long long* f) override {
    if (root.empty() || towupper(root[0]) != L'K') return false;
    *a = *f = free;
    *t = 4 * 1073741824ull;
    return true;
  }
  bool DiskFreeSpace(const std::wstring&, unsigned long*, unsigned long*, unsigned long*, unsigned long*) override {
    return false;
  }
  std::wstring ShareName(const std::wstring&) override { return share; }
};

TEST(DriveForm, OkAcceptsADriveWithAtLeastOneWholeGigabyteFree) {
  OneDrive drive;
  kz::ScopedSeam<kz::Volumes> use(drive);
  const std::wstring invalid = L"64\tInvalid Drive\tSelected drive is not valid drive, please selected another drive";
  const std::wstring full =
      L"64\tNo Free Space\tSelected drive should contains at least 1 GB free space, please selected another drive";
  struct Case {
    const wchar_t* drive;
    unsigned type;
    unsigned long long free;
    bool accepted;
    std::wstring box;
  };
  const unsigned long long gb = 1073741824ull;
  const Case cases[] = {
      {L"K:", DRIVE_FIXED, 2 * gb, true, L""},
      {L"k:\\", DRIVE_FIXED, gb * 6 / 10, true, L""},  // 0.6 GB counts as 1 whole gigabyte
      {L"K:", DRIVE_FIXED, gb / 2, false, full},       // 0.5 GB rounds to 0
      {L"K:", DRIVE_FIXED, 0, false, full},
      {L"K:", DRIVE_REMOTE, 5 * gb, true, L""},
      {L"K:", DRIVE_REMOVABLE, 5 * gb, true, L""},
      {L"K:", DRIVE_RAMDISK, 5 * gb, true, L""},
      {L"K:", DRIVE_CDROM, 5 * gb, false, invalid},
      {L"K:", DRIVE_UNKNOWN, 5 * gb, false, invalid},
      {L"L:", DRIVE_FIXED, 5 * gb, false, full},  // no medium: no free space
      {L"M:", DRIVE_FIXED, 5 * gb, false, invalid},  // no such drive
      {L"", DRIVE_FIXED, 5 * gb, false, invalid},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(kz::ToAnsi(c.drive) + " type " + std::to_string(c.type) + " free " + std::to_string(c.free));
    drive.type = c.type;
    drive.free = c.free;
    kzt::UnattendedLog boxes;
    EXPECT_EQ(ValidateDrive(c.drive), c.accepted);
    std::vector<std::wstring> expected;
    if (!c.box.empty()) expected.push_back(c.box);
    EXPECT_EQ(boxes.Records(), expected);
  }
}

TEST(DriveForm, DescriptionOfADrive) {
  OneDrive drive;
  kz::ScopedSeam<kz::Volumes> use(drive);
  drive.type = DRIVE_REMOTE;
  drive.share = L"\\\\server\\data";
  drive.free = 1536ull * 1048576;  // 1.5 GB
  EXPECT_EQ(DriveQuery(L"k:\\anything"),
            L"DriveType  : Remote \r\nVolumeName : WORK\r\nShareName  : \\\\server\\data\r\n"
            L"FreeSpace  : 1.5 GB , 1536 MB , 1572864 KB\r\n"
            L"TotalSize  : 4 GB , 4096 MB , 4194304 KB\r\n");
  for (const auto& bad : {std::make_pair(L"L:", 71L), std::make_pair(L"M:", 68L), std::make_pair(L"", 68L)}) {
    try {
      DriveQuery(bad.first);
      ADD_FAILURE() << "no error for " << kz::ToAnsi(bad.first);
    } catch (const kz::Error& e) {
      EXPECT_EQ(e.number(), bad.second);
    }
  }
}

TEST(DriveForm, ASilentRunLogsTheFormAndChoosesNothing) {
  kzt::UnattendedLog log;
  EXPECT_EQ(ChosenDrive(), L"");
  ShowForm();
  EXPECT_EQ(ChosenDrive(), L"");
  EXPECT_EQ(log.Records(), (std::vector<std::wstring>{
                               L"Form\tSelect Drive\tin which drive you want to keep all data and settings of "
                               L"Plinvek programs?"}));
  // No form of this process (other test programs may show theirs meanwhile).
  for (HWND h = nullptr; (h = FindWindowExW(nullptr, h, kFormClass, nullptr)) != nullptr;) {
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    EXPECT_NE(pid, GetCurrentProcessId()) << "a form was made";
  }
}

}  // namespace

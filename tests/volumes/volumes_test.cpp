// The drive-volume and CD-ROM classes against the prefix's real drives: with a CD-ROM drive of
// the test's own (label and serial known), with none, and with one that holds no disc; and
// against stand-in drives for what Wine cannot make (two CD-ROM drives in order).
#include <memory>
#include <string>

#include "base/seam.h"
#include "com/ptr.h"
#include "frame/catalogue.h"
#include "platform/volumes.h"
#include "cdromdrive.h"
#include "testkit.h"

namespace {

using kz::Ptr;
using kz::Var;
using kzt::Call;
using kzt::CallResult;

constexpr unsigned long kSerial = 0x8BADF00Dul;  // above 0x7FFFFFFF: read back as a negative Long
constexpr long kSignedSerial = static_cast<long>(kSerial - 0x100000000ull);

Ptr<IDispatch> New(const wchar_t* name) {
  Ptr<IDispatch> p;
  EXPECT_HRESULT_SUCCEEDED(kz::CreateInstance(name, IID_IDispatch, reinterpret_cast<void**>(p.out())));
  return p;
}

std::wstring Str(const CallResult& r) {
  EXPECT_EQ(r.error, 0) << kz::ToAnsi(r.description).c_str();
  return r.value.vt() == VT_BSTR ? kz::FromBstr(r.value.get()->bstrVal) : L"<not a string>";
}

struct Desc {
  short count;
  std::wstring letters;
  long error;
};
// GetDriveDesc with the caller's variables as they stand; returns them afterwards.
Desc DriveDesc(IDispatch* obj, short count, const std::wstring& letters) {
  Var c = Var::Short(count), l = Var::Str(letters);
  CallResult r = Call(obj, L"GetDriveDesc", {c.get(), l.get()});
  EXPECT_EQ(r.value.vt(), VT_EMPTY);
  return {c.get()->iVal, kz::FromBstr(l.get()->bstrVal), r.error};
}

class WithCdrom : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(kzt::CdromLetters().empty()) << "the prefix already has a CD-ROM drive";
    drive_.reset(new kzt::CdromDrive("KZTESTCD", kSerial));
    ASSERT_TRUE(drive_->ok()) << "no CD-ROM drive could be mounted";
    // The platform itself must see the drive as a CD-ROM drive with the known volume.
    ASSERT_EQ(GetDriveTypeW(drive_->root().c_str()), static_cast<UINT>(DRIVE_CDROM));
    DWORD serial = 0;
    wchar_t label[MAX_PATH + 1] = {};
    ASSERT_TRUE(GetVolumeInformationW(drive_->root().c_str(), label, MAX_PATH + 1, &serial, nullptr, nullptr,
                                      nullptr, 0));
    ASSERT_EQ(serial, kSerial);
    ASSERT_STREQ(label, L"KZTESTCD");
    letter_ = std::wstring(1, drive_->letter());
  }
  void TearDown() override {
    drive_.reset();
    EXPECT_TRUE(kzt::CdromLetters().empty()) << "the test drive was left behind";
  }
  std::unique_ptr<kzt::CdromDrive> drive_;
  std::wstring letter_;
};

TEST_F(WithCdrom, BothClassesListAndReadTheDrive) {
  for (const wchar_t* cls : {L"clsKelzudDriveVolumeA", L"clsKelzudCDromA"}) {
    SCOPED_TRACE(kz::ToAnsi(cls));
    Ptr<IDispatch> o = New(cls);
    // The caller's variables are not reset first: a second call doubles the count.
    Desc d = DriveDesc(o.get(), 0, L"");
    EXPECT_EQ(d.error, 0);
    EXPECT_EQ(d.count, 1);
    EXPECT_EQ(d.letters, letter_ + L" ");
    d = DriveDesc(o.get(), d.count, d.letters);
    EXPECT_EQ(d.count, 2);
    EXPECT_EQ(d.letters, letter_ + L" " + letter_ + L" ");
    // The serial number as a signed Long, and the drive argument left as it was.
    Var root = Var::Str(kz::LowerCase(drive_->root()));
    CallResult r = Call(o.get(), L"GetSerialNumber", {root.get()});
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(r.value.vt(), VT_I4);
    EXPECT_EQ(r.value.get()->lVal, kSignedSerial);
    EXPECT_EQ(kz::FromBstr(root.get()->bstrVal), kz::LowerCase(drive_->root()));
  }
  Ptr<IDispatch> volume = New(L"clsKelzudDriveVolumeA");
  EXPECT_EQ(Str(Call(volume.get(), L"GetFirstDriveCDNo", {})), std::to_wstring(kSignedSerial));
  Var root = Var::Str(drive_->root());
  std::wstring label = Str(Call(volume.get(), L"GetSerialLabel", {root.get()}));
  EXPECT_EQ(label, std::wstring(L"KZTESTCD") + std::wstring(255 - 8, L'\0'));

  Ptr<IDispatch> cd = New(L"clsKelzudCDromA");
  EXPECT_EQ(Str(Call(cd.get(), L"GetFirstDriveCDVolume", {})), std::to_wstring(kSignedSerial));
  EXPECT_EQ(Str(Call(cd.get(), L"GetFirstCDDriveLetter", {})), drive_->root());
  EXPECT_EQ(Str(Call(cd.get(), L"GetCDRomLetter", {})), drive_->root());
}

TEST_F(WithCdrom, ACountThatWouldOverflowIsIgnoredByOneClassAndRaisedByTheOther) {
  Desc d = DriveDesc(New(L"clsKelzudDriveVolumeA").get(), 32767, L"x");
  EXPECT_EQ(d.error, 0);
  EXPECT_EQ(d.count, 32767);
  EXPECT_EQ(d.letters, L"x" + letter_ + L" ");  // the failing increase is skipped, the letter added
  d = DriveDesc(New(L"clsKelzudCDromA").get(), 32767, L"x");
  EXPECT_EQ(d.error, 6);
  EXPECT_EQ(d.count, 32767);
  EXPECT_EQ(d.letters, L"x");
}

TEST(NoCdrom, EmptyAnswersAndAZeroSerialNumber) {
  ASSERT_TRUE(kzt::CdromLetters().empty()) << "the prefix has a CD-ROM drive";
  Ptr<IDispatch> volume = New(L"clsKelzudDriveVolumeA");
  Ptr<IDispatch> cd = New(L"clsKelzudCDromA");
  for (IDispatch* o : {volume.get(), cd.get()}) {
    Desc d = DriveDesc(o, 3, L"ab");
    EXPECT_EQ(d.error, 0);
    EXPECT_EQ(d.count, 3);
    EXPECT_EQ(d.letters, L"ab");
  }
  // Without a drive the root stays empty, and an empty root has serial number 0.
  EXPECT_EQ(Str(Call(volume.get(), L"GetFirstDriveCDNo", {})), L"0");
  EXPECT_EQ(Str(Call(cd.get(), L"GetFirstDriveCDVolume", {})), L"");
  EXPECT_EQ(Str(Call(cd.get(), L"GetFirstCDDriveLetter", {})), L"");
  EXPECT_EQ(Str(Call(cd.get(), L"GetCDRomLetter", {})), L"");
}

TEST(NoCdrom, DrivesThatCannotBeReadGiveZeroAndAnEmptyLabel) {
  Ptr<IDispatch> volume = New(L"clsKelzudDriveVolumeA");
  Ptr<IDispatch> cd = New(L"clsKelzudCDromA");
  for (const wchar_t* drive : {L"", L"1:\\", L"Q:\\", L"%:", L"\\\\nohost\\noshare\\", L"C:\\no\\such\\folder\\"}) {
    SCOPED_TRACE(kz::ToAnsi(drive));
    for (IDispatch* o : {volume.get(), cd.get()}) {
      Var d = Var::Str(drive);
      CallResult r = Call(o, L"GetSerialNumber", {d.get()});
      EXPECT_EQ(r.error, 0);
      EXPECT_EQ(r.value.get()->lVal, 0);
    }
    Var d = Var::Str(drive);
    EXPECT_EQ(Str(Call(volume.get(), L"GetSerialLabel", {d.get()})), std::wstring(255, L'\0'));
  }
  // The Windows drive is readable and has a label buffer of the same size.
  Var c = Var::Str(L"C:\\");
  EXPECT_EQ(Str(Call(volume.get(), L"GetSerialLabel", {c.get()})).size(), 255u);
}

TEST(CdromWithoutDisc, ListedButUnreadable) {
  ASSERT_TRUE(kzt::CdromLetters().empty()) << "the prefix already has a CD-ROM drive";
  kzt::CdromDrive drive("NODISC", 0x1234, false);
  ASSERT_TRUE(drive.ok());
  if (GetDriveTypeW(drive.root().c_str()) != DRIVE_CDROM) {
    GTEST_SKIP() << "Wine does not list a CD-ROM drive whose folder is missing";
  }
  if (GetVolumeInformationW(drive.root().c_str(), nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0)) {
    // Wine answers for a missing folder with a volume of its own making; the stand-in drives
    // below cover the drive without a disc.
    GTEST_SKIP() << "Wine reads a volume on a CD-ROM drive whose folder is missing";
  }
  Ptr<IDispatch> volume = New(L"clsKelzudDriveVolumeA");
  Ptr<IDispatch> cd = New(L"clsKelzudCDromA");
  EXPECT_EQ(Str(Call(volume.get(), L"GetFirstDriveCDNo", {})), L"0");
  EXPECT_EQ(Str(Call(cd.get(), L"GetFirstDriveCDVolume", {})), L"0");
  EXPECT_EQ(Str(Call(cd.get(), L"GetFirstCDDriveLetter", {})), drive.root());
  Var root = Var::Str(drive.root());
  EXPECT_EQ(Str(Call(volume.get(), L"GetSerialLabel", {root.get()})), std::wstring(255, L'\0'));
}

// Stand-in drives: C: fixed, D: and F: CD-ROM (F: without a disc), E: removable.
class TwoCdroms : public kz::Volumes {
 public:
  std::wstring LogicalDriveStrings() override { return std::wstring(L"C:\\\0D:\\\0E:\\\0F:\\\0", 16); }
  unsigned DriveType(const std::wstring& root) override {
    switch (root.empty() ? 0 : root[0]) {
      case L'C': return DRIVE_FIXED;
      case L'D': case L'F': return DRIVE_CDROM;
      case L'E': return DRIVE_REMOVABLE;
      default: return DRIVE_NO_ROOT_DIR;
    }
  }
  bool VolumeInformation(const std::wstring& root, std::wstring* label, unsigned long* serial,
                         std::wstring* fs) override {
    if (root != L"D:\\" && root != L"d:\\") return false;
    if (label) *label = L"DISC\u00e9\u4e2d";  // one character the code page has, one it lacks
    if (serial) *serial = 42;
    if (fs) *fs = L"CDFS";
    return true;
  }
  bool HasDiskFreeSpaceEx() override { return true; }
  bool DiskFreeSpaceEx(const std::wstring&, unsigned long long*, unsigned long long*, unsigned long long*) override {
    return false;
  }
  bool DiskFreeSpace(const std::wstring&, unsigned long*, unsigned long*, unsigned long*, unsigned long*) override {
    return false;
  }
  std::wstring ShareName(const std::wstring&) override { return std::wstring(); }
};

TEST(StandInDrives, CdromDrivesInTheDriveOrder) {
  TwoCdroms drives;
  kz::ScopedSeam<kz::Volumes> use(drives);
  Ptr<IDispatch> volume = New(L"clsKelzudDriveVolumeA");
  Ptr<IDispatch> cd = New(L"clsKelzudCDromA");
  Desc d = DriveDesc(cd.get(), 0, L"");
  EXPECT_EQ(d.count, 2);
  EXPECT_EQ(d.letters, L"D F ");
  EXPECT_EQ(Str(Call(volume.get(), L"GetFirstDriveCDNo", {})), L"42");
  EXPECT_EQ(Str(Call(cd.get(), L"GetFirstDriveCDVolume", {})), L"42");
  EXPECT_EQ(Str(Call(cd.get(), L"GetCDRomLetter", {})), L"D:\\");
  // The label comes back through the ANSI code page, NULs after it.
  Var root = Var::Str(L"D:\\");
  EXPECT_EQ(Str(Call(volume.get(), L"GetSerialLabel", {root.get()})),
            std::wstring(L"DISC\u00e9?") + std::wstring(255 - 6, L'\0'));
  // A CD-ROM drive without a disc reads as serial number 0.
  Var f = Var::Str(L"F:\\");
  EXPECT_EQ(Call(cd.get(), L"GetSerialNumber", {f.get()}).value.get()->lVal, 0);
}

}  // namespace

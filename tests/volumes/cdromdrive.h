// A CD-ROM drive of the test's own in the Wine prefix: a folder with a known volume label and
// serial number, mounted through Wine's mount manager (as Wine's configuration tool adds a
// drive), so that the drive list, the drive type and the volume facts all see it at once.
// The drive goes away with the object.
#pragma once
#include <string>

#include "testkit.h"

namespace kzt {

class CdromDrive {
 public:
  // `medium`: false mounts the drive on a folder that does not exist, a drive with no disc.
  CdromDrive(const std::string& label, unsigned long serial, bool medium = true);
  ~CdromDrive();
  CdromDrive(const CdromDrive&) = delete;
  CdromDrive& operator=(const CdromDrive&) = delete;

  bool ok() const { return letter_ != 0; }
  wchar_t letter() const { return letter_; }       // upper case
  std::wstring root() const { return std::wstring(1, letter_) + L":\\"; }

 private:
  static bool Define(wchar_t letter, unsigned type, const std::string& unix_path);
  TempDir dir_;
  wchar_t letter_ = 0;
};

// The drives of the platform whose type is CD-ROM, as letters.
std::wstring CdromLetters();

}  // namespace kzt

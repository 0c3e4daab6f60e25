#include "fs/clsKelzudCDromA.h"

#include <string>

#include "base/text.h"
#include "frame/catalogue.h"
#include "fs/cdromdrives.h"

namespace kz {
namespace {

// The root of the first CD-ROM drive ("D:\"), or empty when there is none.
std::wstring FirstCdromRoot() {
  short count = 0;
  std::wstring letters;
  cdrom::AppendCdromDrives(count, letters, L' ', true);
  if (count < 1) return std::wstring();
  return cdrom::FirstRoot(letters, L' ');
}

}  // namespace

STDMETHODIMP CdromDrives::GetCDRomLetter(BSTR* ret) {
  if (!ret) return E_POINTER;
  *ret = nullptr;
  return Guard([&] {
    short count = 0;
    std::wstring letters;
    cdrom::AppendCdromDrives(count, letters, L'^', true);
    *ret = ToBstr(cdrom::FirstRoot(letters, L'^'));
  });
}

STDMETHODIMP CdromDrives::GetSerialNumber(BSTR* strDrive, long* ret) {
  if (!ret) return E_POINTER;
  *ret = 0;
  return Guard([&] { *ret = cdrom::VolumeSerial(FromBstr(strDrive)); });
}

STDMETHODIMP CdromDrives::GetDriveDesc(short* CDsCount, BSTR* CDsLetters, VARIANT* ret) {
  if (ret) VariantInit(ret);
  return Guard([&] {
    short count = CDsCount ? *CDsCount : 0;
    std::wstring letters = FromBstr(CDsLetters);
    // The caller's variables change only when the whole list was read.
    cdrom::AppendCdromDrives(count, letters, L' ', true);
    StoreBstr(CDsLetters, letters);
    if (CDsCount) *CDsCount = count;
  });
}

STDMETHODIMP CdromDrives::GetFirstDriveCDVolume(BSTR* ret) {
  if (!ret) return E_POINTER;
  *ret = nullptr;
  return Guard([&] {
    const std::wstring root = FirstCdromRoot();
    *ret = ToBstr(root.empty() ? std::wstring() : std::to_wstring(cdrom::VolumeSerial(root)));
  });
}

STDMETHODIMP CdromDrives::GetFirstCDDriveLetter(BSTR* ret) {
  if (!ret) return E_POINTER;
  *ret = nullptr;
  return Guard([&] { *ret = ToBstr(FirstCdromRoot()); });
}

KZ_REGISTER_CLASS(CdromDrives);

}  // namespace kz

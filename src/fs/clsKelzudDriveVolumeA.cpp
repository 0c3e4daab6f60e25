#include "fs/clsKelzudDriveVolumeA.h"

#include <string>

#include "base/text.h"
#include "frame/catalogue.h"
#include "fs/cdromdrives.h"

namespace kz {

STDMETHODIMP DriveVolume::GetSerialNumber(BSTR* strDrive, long* ret) {
  if (!ret) return E_POINTER;
  *ret = 0;
  return Guard([&] {
    try {
      *ret = cdrom::VolumeSerial(FromBstr(strDrive));
    } catch (...) {
      // Ignored: the answer stays 0.
    }
  });
}

STDMETHODIMP DriveVolume::GetSerialLabel(BSTR* strDrive, BSTR* ret) {
  if (!ret) return E_POINTER;
  *ret = nullptr;
  return Guard([&] {
    std::wstring label;
    try {
      label = cdrom::VolumeLabelBuffer(FromBstr(strDrive));
    } catch (...) {
      label.clear();
    }
    *ret = ToBstr(label);
  });
}

STDMETHODIMP DriveVolume::GetDriveDesc(short* CDsCount, BSTR* CDsLetters, VARIANT* ret) {
  if (ret) VariantInit(ret);
  return Guard([&] {
    short count = CDsCount ? *CDsCount : 0;
    std::wstring letters = FromBstr(CDsLetters);
    try {
      cdrom::AppendCdromDrives(count, letters, L' ', false);
    } catch (...) {
      // What was gathered before the failure is handed back.
    }
    StoreBstr(CDsLetters, letters);
    if (CDsCount) *CDsCount = count;
  });
}

STDMETHODIMP DriveVolume::GetFirstDriveCDNo(BSTR* ret) {
  if (!ret) return E_POINTER;
  *ret = nullptr;
  return Guard([&] {
    short count = 0;
    std::wstring letters, root;
    long serial = 0;
    // Each step goes on after a failure of the one before: no CD-ROM drive leaves the root
    // empty, and an empty root reads as serial number 0.
    try {
      cdrom::AppendCdromDrives(count, letters, L' ', false);
    } catch (...) {
    }
    try {
      root = cdrom::FirstRoot(letters, L' ');
    } catch (...) {
    }
    try {
      serial = cdrom::VolumeSerial(root);
    } catch (...) {
    }
    *ret = ToBstr(std::to_wstring(serial));
  });
}

KZ_REGISTER_CLASS(DriveVolume);

}  // namespace kz

// The CD-ROM drives of the computer: the first one's letter, root and volume serial number.
// Unlike clsKelzudDriveVolumeA it raises the errors it meets, and answers empty text when the
// computer has no CD-ROM drive.
#pragma once
#include "frame/kz.h"
#include "com/comobject.h"

namespace kz {

class CdromDrives : public ComObject<CdromDrives, _clsKelzudCDromA> {
  KZ_CLASS(clsKelzudCDromA)
 public:
  STDMETHODIMP GetCDRomLetter(BSTR* ret) override;
  STDMETHODIMP GetSerialNumber(BSTR* strDrive, long* ret) override;
  STDMETHODIMP GetDriveDesc(short* CDsCount, BSTR* CDsLetters, VARIANT* ret) override;
  STDMETHODIMP GetFirstDriveCDVolume(BSTR* ret) override;
  STDMETHODIMP GetFirstCDDriveLetter(BSTR* ret) override;
};

}  // namespace kz

// Volume serial numbers and labels, and the CD-ROM drives of the computer. Every failure is
// ignored: the members answer 0, empty text or what they gathered.
#pragma once
#include "frame/kz.h"
#include "com/comobject.h"

namespace kz {

class DriveVolume : public ComObject<DriveVolume, _clsKelzudDriveVolumeA> {
  KZ_CLASS(clsKelzudDriveVolumeA)
 public:
  STDMETHODIMP GetSerialNumber(BSTR* strDrive, long* ret) override;
  STDMETHODIMP GetSerialLabel(BSTR* strDrive, BSTR* ret) override;
  STDMETHODIMP GetDriveDesc(short* CDsCount, BSTR* CDsLetters, VARIANT* ret) override;
  STDMETHODIMP GetFirstDriveCDNo(BSTR* ret) override;
};

}  // namespace kz

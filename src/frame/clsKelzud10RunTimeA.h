// The library's global run-time class. Built so far: GetCurrentOSVer.
#pragma once
#include "frame/kz.h"
#include "com/comobject.h"

namespace kz {

class Kelzud10RunTimeA : public ComObject<Kelzud10RunTimeA, _clsKelzud10RunTimeA> {
  KZ_CLASS(clsKelzud10RunTimeA)
 public:
  STDMETHODIMP GetCurrentOSVer(short* iMajor, short* iMinor, BSTR* ret) override;
};

}  // namespace kz

// MD5 digests of text, one byte per character (the low 8 bits of each UTF-16 unit).
#pragma once
#include "frame/kz.h"
#include "com/comobject.h"

namespace kz {

class Md5Digest : public ComObject<Md5Digest, _clsKelzudGRegKeyMD5A> {
  KZ_CLASS(clsKelzudGRegKeyMD5A)
 public:
  STDMETHODIMP MD5(BSTR* sMessage, BSTR* ret) override;
};

}  // namespace kz

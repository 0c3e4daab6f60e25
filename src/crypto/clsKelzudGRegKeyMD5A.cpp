#include "crypto/clsKelzudGRegKeyMD5A.h"

#include "crypto/md5.h"
#include "frame/catalogue.h"
#include "frame/kz.h"
#include "base/text.h"

namespace kz {

STDMETHODIMP Md5Digest::MD5(BSTR* sMessage, BSTR* ret) {
  return Guard([&] {
    BSTR m = sMessage ? *sMessage : nullptr;
    *ret = ToBstr(Md5::HexOfText(m ? m : L"", m ? SysStringLen(m) : 0));
  });
}

KZ_REGISTER_CLASS(Md5Digest);

}  // namespace kz

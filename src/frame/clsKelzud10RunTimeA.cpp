#include "frame/clsKelzud10RunTimeA.h"

#include "frame/catalogue.h"
#include "frame/modules.h"
#include "frame/kz.h"
#include "base/text.h"

namespace kz {

STDMETHODIMP Kelzud10RunTimeA::GetCurrentOSVer(short* iMajor, short* iMinor, BSTR* ret) {
  if (!ret) return E_POINTER;
  *ret = nullptr;
  return Guard([&] {
    // Any failure yields the empty text; the arguments keep what they were given then.
    std::wstring text;
    try {
      short major = 0, minor = 0;
      text = GetOSVersionText(major, minor);
      if (iMajor) *iMajor = major;
      if (iMinor) *iMinor = minor;
    } catch (...) {
      text.clear();
    }
    *ret = ToBstr(text);
  });
}

KZ_REGISTER_CLASS(clsKelzud10RunTimeA, Kelzud10RunTimeA);

}  // namespace kz

#include "frame/clsKelzud10RunTimeA.h"

#include "frame/catalogue.h"
#include "frame/modules.h"
#include "frame/kz.h"
#include "base/text.h"
#include "com/latebound.h"
#include "com/variant.h"
#include "platform/keyboard.h"
#include "platform/sysfiles.h"

namespace kz {

void Kelzud10RunTimeA::SendMinimiseAllKeys() {
  const unsigned char kLeftWindows = VK_LWIN;  // 0x5B
  const unsigned char kM = 0x4D;
  KeyboardInput& keys = Seam<KeyboardInput>();
  keys.KeyEvent(kLeftWindows, 0, 0);
  keys.KeyEvent(kM, 0, 0);
  keys.KeyEvent(kLeftWindows, 0, KEYEVENTF_KEYUP);
}

void Kelzud10RunTimeA::SwapCabinet(IDispatch* app, const std::wstring& source_folder) {
  Var exe = GetProp(app, L"EXEName");
  std::wstring name = VarToStr(exe.get()) + L".cab";
  DeleteFileForced(EnvironmentValue(L"windir") + L"\\" + name);
  Var path = GetProp(app, L"Path");
  CopyFileOverwriting(source_folder + name, VarToStr(path.get()) + L"\\" + name);
}

STDMETHODIMP Kelzud10RunTimeA::MinAllDekstopWindows() {
  return Guard([&] { SendMinimiseAllKeys(); });
}

STDMETHODIMP Kelzud10RunTimeA::AppCabSwapingWinDir(IDispatch** oAppObj, BSTR* sParamA, LONG*, VARIANT*,
                                                   VARIANT* ret) {
  if (!ret) return E_POINTER;
  VariantInit(ret);
  return Guard([&] { SwapCabinet(oAppObj ? *oAppObj : nullptr, sParamA ? FromBstr(*sParamA) : std::wstring()); });
}

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

KZ_REGISTER_CLASS(Kelzud10RunTimeA);

}  // namespace kz

// The library's global run-time class: minimising all windows, swapping an application's
// cabinet file, and the OS version text.
#pragma once
#include <string>

#include "frame/kz.h"
#include "com/comobject.h"

namespace kz {

class Kelzud10RunTimeA : public ComObject<Kelzud10RunTimeA, _clsKelzud10RunTimeA> {
  KZ_CLASS(clsKelzud10RunTimeA)
 public:
  STDMETHODIMP MinAllDekstopWindows() override;
  STDMETHODIMP AppCabSwapingWinDir(IDispatch** oAppObj, BSTR* sParamA, LONG* lParamB, VARIANT* vParamC,
                                   VARIANT* ret) override;
  STDMETHODIMP GetCurrentOSVer(short* iMajor, short* iMinor, BSTR* ret) override;

  // The shell's key sequence that minimises every window: left Windows key down, M down,
  // left Windows key up (basKelzudShellA).
  static void SendMinimiseAllKeys();
  // Deletes "%windir%\<EXEName>.cab" and copies `source_folder` & "<EXEName>.cab" over
  // "<Path>\<EXEName>.cab"; raises the file errors of either step.
  static void SwapCabinet(IDispatch* app, const std::wstring& source_folder);
};

}  // namespace kz

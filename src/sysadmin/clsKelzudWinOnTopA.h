// Keeps a client's form above all other windows.
#pragma once
#include "frame/kz.h"
#include "com/comobject.h"

namespace kz {

class KelzudWinOnTopA : public ComObject<KelzudWinOnTopA, _clsKelzudWinOnTopA> {
  KZ_CLASS(clsKelzudWinOnTopA)
 public:
  STDMETHODIMP PutWindowOnTop(IDispatch** pFrm, VARIANT* ret) override;

  // Makes the window whose handle `form.hWnd` holds topmost, keeping its place and size.
  // Every failure (no object, no hWnd, no such window) is ignored.
  static void PutOnTop(IDispatch* form);
  // The same for a window of the library's own.
  static void PutOnTop(HWND window);
};

}  // namespace kz

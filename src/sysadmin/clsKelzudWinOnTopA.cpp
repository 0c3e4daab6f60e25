#include "sysadmin/clsKelzudWinOnTopA.h"

#include "base/longhandle.h"
#include "com/latebound.h"
#include "com/variant.h"
#include "frame/catalogue.h"

namespace kz {

void KelzudWinOnTopA::PutOnTop(IDispatch* form) {
  try {
    Var handle = GetProp(form, L"hWnd");
    HWND window = HandleFromLong<HWND>(VarToLong(handle.get()));
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  } catch (...) {
    // The form keeps its place in the window order.
  }
}

STDMETHODIMP KelzudWinOnTopA::PutWindowOnTop(IDispatch** pFrm, VARIANT* ret) {
  if (!ret) return E_POINTER;
  VariantInit(ret);
  return Guard([&] { PutOnTop(pFrm ? *pFrm : nullptr); });
}

KZ_REGISTER_CLASS(KelzudWinOnTopA);

}  // namespace kz

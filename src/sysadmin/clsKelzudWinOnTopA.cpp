#include "sysadmin/clsKelzudWinOnTopA.h"

#include "base/longhandle.h"
#include "com/latebound.h"
#include "com/variant.h"
#include "frame/catalogue.h"

namespace kz {

void KelzudWinOnTopA::PutOnTop(IDispatch* form) {
  try {
    Var handle = GetProp(form, L"hWnd");
    PutOnTop(HandleFromLong<HWND>(VarToLong(handle.get())));
  } catch (...) {
    // The form keeps its place in the window order.
  }
}

void KelzudWinOnTopA::PutOnTop(HWND window) {
  SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

STDMETHODIMP KelzudWinOnTopA::PutWindowOnTop(IDispatch** pFrm, VARIANT* ret) {
  if (!ret) return E_POINTER;
  VariantInit(ret);
  return Guard([&] { PutOnTop(pFrm ? *pFrm : nullptr); });
}

KZ_REGISTER_CLASS(KelzudWinOnTopA);

}  // namespace kz

#include "com/excepinfo.h"

#include <cstring>

#include "base/text.h"

namespace kz {

Error TakeExcepInfo(EXCEPINFO& ei) {
  if (ei.pfnDeferredFillIn) {
    ei.pfnDeferredFillIn(&ei);
    ei.pfnDeferredFillIn = nullptr;
  }
  long number = ei.scode ? ErrorNumberOf(ei.scode) : ei.wCode;
  std::wstring source = FromBstr(ei.bstrSource), description = FromBstr(ei.bstrDescription);
  SysFreeString(ei.bstrSource);
  SysFreeString(ei.bstrDescription);
  SysFreeString(ei.bstrHelpFile);
  ei.bstrSource = ei.bstrDescription = ei.bstrHelpFile = nullptr;
  if (description.empty()) description = Error(number).description();
  return Error(number, source, description);
}

void FillExcepInfo(HRESULT hr, EXCEPINFO* ei) {
  memset(ei, 0, sizeof(*ei));
  ei->scode = hr;
  IErrorInfo* info = nullptr;
  if (GetErrorInfo(0, &info) == S_OK && info) {
    info->GetSource(&ei->bstrSource);
    info->GetDescription(&ei->bstrDescription);
    info->Release();
  }
  if (!ei->bstrDescription || !SysStringLen(ei->bstrDescription)) {
    SysFreeString(ei->bstrDescription);
    const wchar_t* std_text = StdDescription(ErrorNumberOf(hr));
    ei->bstrDescription = SysAllocString(*std_text ? std_text : Error(ErrorNumberOf(hr)).description().c_str());
  }
}

}  // namespace kz

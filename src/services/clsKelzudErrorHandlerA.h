// A one-line error message for a caller's error object, titled with the caller's application
// title.
#pragma once
#include <string>

#include "com/comobject.h"
#include "frame/kz.h"

namespace kz {

class ErrorHandler : public ComObject<ErrorHandler, _clsKelzudErrorHandlerA> {
  KZ_CLASS(clsKelzudErrorHandlerA)
 public:
  STDMETHODIMP ZUDErrorHandler(IDispatch** oAppObject, IDispatch** oErrObject, BSTR* sModuleDetails,
                               VARIANT* vExtraInfo, long* lMsgBoxStyle, VARIANT* ret) override;

  // "Error " number " , " description " in " details.
  static std::wstring MessageText(const std::wstring& number, const std::wstring& description,
                                  const std::wstring& details);
};

}  // namespace kz

#include "services/clsKelzudErrorHandlerA.h"

#include "com/latebound.h"
#include "com/variant.h"
#include "frame/catalogue.h"
#include "platform/ui.h"

namespace kz {

std::wstring ErrorHandler::MessageText(const std::wstring& number, const std::wstring& description,
                                       const std::wstring& details) {
  return L"Error " + number + L" , " + description + L" in " + details;
}

STDMETHODIMP ErrorHandler::ZUDErrorHandler(IDispatch** oAppObject, IDispatch** oErrObject, BSTR* sModuleDetails,
                                           VARIANT* /*vExtraInfo*/, long* lMsgBoxStyle, VARIANT* ret) {
  if (ret) VariantInit(ret);
  return Guard([&] {
    // Everything is read before the box: an object that cannot answer means no box at all.
    IDispatch* err = oErrObject ? *oErrObject : nullptr;
    IDispatch* app = oAppObject ? *oAppObject : nullptr;
    if (!err) Raise(kErrObjectNotSet);
    Var number = GetProp(err, L"Number");
    Var description = GetProp(err, L"Description");
    if (!app) Raise(kErrObjectNotSet);
    Var title = GetProp(app, L"Title");
    const std::wstring text = MessageText(VarToStr(number.get()), VarToStr(description.get()),
                                          sModuleDetails ? FromBstr(*sModuleDetails) : std::wstring());
    ShowMessage(text, lMsgBoxStyle ? *lMsgBoxStyle : 0, VarToStr(title.get()));
  });
}

KZ_REGISTER_CLASS(ErrorHandler);

}  // namespace kz

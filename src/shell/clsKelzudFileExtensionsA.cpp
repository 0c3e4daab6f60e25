#include "shell/clsKelzudFileExtensionsA.h"

#include "frame/catalogue.h"
#include "shell/filetypes.h"

namespace kz {

STDMETHODIMP FileExtensions::Associate_File(BSTR* Extension, BSTR* Application, BSTR* Identifier,
                                            BSTR* Description, BSTR* Icon, VARIANT* ret) {
  if (ret) VariantInit(ret);
  return Guard([&] {
    filetypes::AssociateForCaller(Extension, Application, Identifier, Description, Icon,
                                  filetypes::EmptyIcon::Kept);
  });
}

STDMETHODIMP FileExtensions::File_Command(BSTR* Extension, BSTR* Action, BSTR* Command, VARIANT* ret) {
  if (ret) VariantInit(ret);
  return Guard([&] { filetypes::AddCommandForCaller(Extension, Action, Command); });
}

KZ_REGISTER_CLASS(FileExtensions);

}  // namespace kz

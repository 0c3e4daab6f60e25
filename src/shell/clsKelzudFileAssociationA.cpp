#include "shell/clsKelzudFileAssociationA.h"

#include "frame/catalogue.h"
#include "shell/filetypes.h"

namespace kz {

STDMETHODIMP FileAssociation::Associate_File(BSTR* Extension, BSTR* Application, BSTR* Identifier,
                                             BSTR* Description, BSTR* Icon, VARIANT* ret) {
  if (ret) VariantInit(ret);
  return Guard([&] {
    filetypes::AssociateForCaller(Extension, Application, Identifier, Description, Icon,
                                  filetypes::EmptyIcon::FromApplication);
  });
}

void FileAssociation::Associate(const std::wstring& extension, const std::wstring& application,
                                std::wstring& identifier, const std::wstring& description, std::wstring& icon) {
  filetypes::Associate(extension, application, identifier, description, icon, filetypes::EmptyIcon::FromApplication);
}

STDMETHODIMP FileAssociation::File_Command(BSTR* Extension, BSTR* Action, BSTR* Command, VARIANT* ret) {
  if (ret) VariantInit(ret);
  return Guard([&] { filetypes::AddCommandForCaller(Extension, Action, Command); });
}

KZ_REGISTER_CLASS(FileAssociation);

}  // namespace kz

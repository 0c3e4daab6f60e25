#include "shell/clsKelzudFileAssociationA.h"

#include "base/text.h"
#include "frame/catalogue.h"
#include "shell/filetypes.h"

namespace kz {
namespace {

std::wstring Text(const BSTR* b) { return b ? FromBstr(*b) : std::wstring(); }

// The caller's variable, when it changed.
void Update(BSTR* target, const std::wstring& before, const std::wstring& after) {
  if (!target || before == after) return;
  BSTR b = ToBstr(after);
  SysFreeString(*target);
  *target = b;
}

}  // namespace

STDMETHODIMP FileAssociation::Associate_File(BSTR* Extension, BSTR* Application, BSTR* Identifier,
                                             BSTR* Description, BSTR* Icon, VARIANT* ret) {
  if (ret) VariantInit(ret);
  return Guard([&] {
    const std::wstring identifier_in = Text(Identifier), icon_in = Text(Icon);
    std::wstring identifier = identifier_in, icon = icon_in;
    Associate(Text(Extension), Text(Application), identifier, Text(Description), icon);
    Update(Identifier, identifier_in, identifier);
    Update(Icon, icon_in, icon);
  });
}

void FileAssociation::Associate(const std::wstring& extension, const std::wstring& application,
                                std::wstring& identifier, const std::wstring& description, std::wstring& icon) {
  filetypes::Associate(extension, application, identifier, description, icon, filetypes::EmptyIcon::FromApplication);
}

STDMETHODIMP FileAssociation::File_Command(BSTR* Extension, BSTR* Action, BSTR* Command, VARIANT* ret) {
  if (ret) VariantInit(ret);
  return Guard([&] { filetypes::AddCommand(Text(Extension), Text(Action), Text(Command)); });
}

KZ_REGISTER_CLASS(FileAssociation);

}  // namespace kz

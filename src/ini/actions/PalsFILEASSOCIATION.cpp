// File-type associations: each line registers one extension with its type, description, icon
// and the application that opens it. PalsCOMMANDASSOCIATION is the same action under the name
// callers reach directly.
#include "com/ptr.h"
#include "ini/actions/ActionEngine.h"
#include "shell/clsKelzudFileAssociationA.h"

namespace kz {
namespace {

void AssociateLines(IniFileHandler& h) {
  Ptr<FileAssociation> associations = Ptr<FileAssociation>::Adopt(MakeObject<FileAssociation>());
  ActionVariables variables;
  ForEachActionLine(h, [&](const std::wstring&, const std::wstring& value) {
    const std::vector<std::wstring> f = SplitFields(value, L'^');
    // Every field is taken before anything is written: a short line ends the action untouched.
    const std::wstring& extension = Field(f, 0);
    std::wstring identifier = Field(f, 2);
    const std::wstring& description = Field(f, 3);
    std::wstring icon = Field(f, 4);
    const std::wstring application = variables.Expand(Field(f, 1), Lookup::FoldersThenFlagged);
    associations->Associate(extension, application, identifier, description, icon);
  });
}

}  // namespace

STDMETHODIMP IniFileHandler::PalsFILEASSOCIATION(KZ_ACTION_PARAMS) {
  if (ret) VariantInit(ret);
  return Guard([&] { AssociateLines(*this); });
}

STDMETHODIMP IniFileHandler::PalsCOMMANDASSOCIATION(KZ_ACTION_PARAMS) {
  if (ret) VariantInit(ret);
  return Guard([&] { AssociateLines(*this); });
}

}  // namespace kz

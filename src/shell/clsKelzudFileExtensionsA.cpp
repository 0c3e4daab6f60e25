#include "shell/clsKelzudFileExtensionsA.h"

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

STDMETHODIMP FileExtensions::Associate_File(BSTR* Extension, BSTR* Application, BSTR* Identifier,
                                            BSTR* Description, BSTR* Icon, VARIANT* ret) {
  if (ret) VariantInit(ret);
  return Guard([&] {
    const std::wstring identifier_in = Text(Identifier), icon_in = Text(Icon);
    std::wstring identifier = identifier_in, icon = icon_in;
    filetypes::Associate(Text(Extension), Text(Application), identifier, Text(Description), icon,
                         filetypes::EmptyIcon::Kept);
    Update(Identifier, identifier_in, identifier);
    Update(Icon, icon_in, icon);
  });
}

STDMETHODIMP FileExtensions::File_Command(BSTR* Extension, BSTR* Action, BSTR* Command, VARIANT* ret) {
  if (ret) VariantInit(ret);
  return Guard([&] { filetypes::AddCommand(Text(Extension), Text(Action), Text(Command)); });
}

KZ_REGISTER_CLASS(FileExtensions);

}  // namespace kz

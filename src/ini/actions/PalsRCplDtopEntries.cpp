// Desktop and control-panel entries: each line names a shell folder item, its texts, icon and
// the program it opens, and where it is listed.
#include "com/variant.h"
#include "ini/actions/ActionEngine.h"
#include "shell/clsKelzudCplDtopEntriesA.h"

namespace kz {
namespace {

// A field taken as a Boolean: the words true and false in any case, or a number.
bool FieldAsBool(const std::wstring& field) {
  Var v = Var::Str(field);
  return VarToBool(v.get());
}

}  // namespace

STDMETHODIMP IniFileHandler::PalsRCplDtopEntries(KZ_ACTION_PARAMS) {
  if (ret) VariantInit(ret);
  return Guard([&] {
    ActionVariables variables;
    Ptr<CplDtopEntries> entries;
    ForEachActionLine(*this, [&](const std::wstring&, const std::wstring& value) {
      const std::vector<std::wstring> f = SplitFields(value, L'^');
      const std::wstring& arguments = Field(f, 7);
      const std::wstring program = variables.Expand(Field(f, 4), Lookup::EnvironmentFlagged);
      std::wstring icon = f[3].empty() ? program + L",0" : f[3];
      std::wstring file_to_open = arguments.empty() ? program : program + L" " + arguments;
      std::wstring title = f[1], tip = f[2];
      const bool desktop = FieldAsBool(f[5]), control_panel = FieldAsBool(f[6]);
      if (!entries) entries = Ptr<CplDtopEntries>::Adopt(MakeObject<CplDtopEntries>());
      entries->Create(f[0], title, tip, icon, file_to_open, desktop, control_panel);
    });
  });
}

}  // namespace kz

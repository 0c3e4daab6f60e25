// INI lines: each line writes one value (file, section, key, value) into an INI file.
#include "base/text.h"
#include "frame/kz.h"
#include "ini/actions/ActionEngine.h"
#include "platform/ui.h"

namespace kz {

STDMETHODIMP IniFileHandler::PalsSIni(KZ_ACTION_PARAMS) {
  if (ret) VariantInit(ret);
  return Guard([&] {
    ActionVariables variables;
    ForEachActionLine(*this, [&](const std::wstring&, const std::wstring& value) {
      const std::vector<std::wstring> f = SplitFields(value, L',');
      std::wstring path = Field(f, 0);
      if (!path.empty() && path[0] == L'%') {
        const std::wstring expanded = variables.Expand(path, Lookup::EnvironmentFlagged);
        // The variable's own value is what the reference gave before its tail.
        const std::wstring tail = Field(SplitFields(path, L'%'), 2);
        const std::wstring variable =
            expanded.size() >= tail.size() ? expanded.substr(0, expanded.size() - tail.size()) : expanded;
        ShowMessage(variable + L"\r\n" + expanded, MB_OK, L"2007 ini");
        path = expanded;
      }
      std::wstring text = Field(f, 3);
      Ptr<IniFileHandler> ini = Ptr<IniFileHandler>::Adopt(MakeObject<IniFileHandler>());
      ini->set_path(path);
      ini->set_section(Field(f, 1));
      ini->set_key(Field(f, 2));
      ini->WriteValue(text);
    });
  });
}

}  // namespace kz

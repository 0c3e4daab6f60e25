// INI lines: each line writes one value (file, section, key, value) into an INI file.
#include "base/text.h"
#include "frame/kz.h"
#include "fs/fspaths.h"
#include "ini/actions/ActionEngine.h"
#include "platform/ui.h"

namespace kz {

STDMETHODIMP IniFileHandler::PalsSIni(KZ_ACTION_PARAMS) {
  if (ret) VariantInit(ret);
  return Guard([&] {
    ActionVariables variables;
    // Lines in a row that write to one file go in one write of it, with the file the writes one
    // by one would leave; what is pending is written before a message box and when a line fails.
    std::wstring pending_path;
    std::vector<ProfileEntry> pending;
    auto flush = [&] {
      if (!pending.empty()) ProfileWriteMany(pending_path, pending);
      pending.clear();
    };
    struct FlushOnExit {
      decltype(flush)& f;
      ~FlushOnExit() { f(); }
    } flush_on_exit{flush};
    ForEachActionLine(*this, [&](const std::wstring&, const std::wstring& value) {
      const std::vector<std::wstring> f = SplitFields(value, L',');
      std::wstring path = Field(f, 0);
      if (!path.empty() && path[0] == L'%') {
        const std::wstring expanded = variables.Expand(path, Lookup::EnvironmentFlagged);
        // The variable's own value is what the reference gave before its tail.
        const std::wstring tail = Field(SplitFields(path, L'%'), 2);
        const std::wstring variable =
            expanded.size() >= tail.size() ? expanded.substr(0, expanded.size() - tail.size()) : expanded;
        flush();
        ShowMessage(variable + L"\r\n" + expanded, MB_OK, L"2007 ini");
        path = expanded;
      }
      std::wstring text = Field(f, 3);
      IniFileHandler::TakeOutNuls(text);
      if (path != pending_path) flush();
      pending_path = path;
      pending.push_back(ProfileEntry{Field(f, 1), Field(f, 2), std::move(text)});
      // A line that writes the file being run is written at once: the lines after it read it.
      if (EqualNoCase(fsx::FullPath(path), fsx::FullPath(this->path()))) flush();
    });
  });
}

}  // namespace kz

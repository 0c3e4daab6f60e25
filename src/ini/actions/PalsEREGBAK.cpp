// Registry backups: each line exports one branch with the registry editor into the backup
// folder, shown in the static message window and recorded in the backup log.
#include "frame/catalogue.h"
#include "frame/kz.h"
#include "com/latebound.h"
#include "ini/actions/ActionEngine.h"
#include "ini/actions/basKelzudBARA.h"
#include "com/siblings.h"

namespace kz {

STDMETHODIMP IniFileHandler::PalsEREGBAK(KZ_ACTION_PARAMS) {
  if (ret) VariantInit(ret);
  return Guard([&] {
    BackupLogState& log = BackupLog();
    // The log references live only while the action runs, whatever its outcome: kept any
    // longer they would outlive the apartment that owns them.
    struct ClearLog {
      BackupLogState& log;
      ~ClearLog() { log.runtime.reset(); log.writer.reset(); }
    } clear{log};
    log.runtime = Ptr<IDispatch>::Adopt(CreateSibling(kSiblingRuntime));
    log.writer = Ptr<IDispatch>::Adopt(CreateByProgId(L"KELZUD10.clsKelzudINIFileHandler1A"));
    Ptr<IDispatch> window = Ptr<IDispatch>::Adopt(CreateSibling(kSiblingStaticWindow));

    const std::vector<std::wstring> keys = EnumerateSection();
    std::wstring folder = b ? FromBstr(*b) : std::wstring();
    if (folder.empty()) folder = VarToStr(GetProp(app_obj(), L"Path").get());  // 91 without AppObj
    if (folder.empty() || folder.back() != L'\\') folder += L'\\';
    if (b) {
      BSTR nb = ToBstr(folder);
      SysFreeString(*b);
      *b = nb;
    }

    for (const std::wstring& k : keys) {
      set_key(k);
      std::wstring value = ReadValue();
      if (k.empty() || value.empty()) continue;
      std::wstring key = k;
      CallByName(window.get(), L"UIShowStaticMessageDialog", DISPATCH_METHOD,
                 std::vector<Var>{Var::Str(L"Taking Backup for " + key + L" - " + value), Var::Bool(true),
                                  Var::Missing(), Var::Bool(true)});
      std::wstring section = L"Registry";
      WriteBackupLogEntry(section, key, value);
      StartHidden(L"regedit.exe /s /e \"" + folder + key + L"\" \"" + value + L"\"");
    }
    CallByName(window.get(), L"UIHideStaticMessageDialog", DISPATCH_METHOD, std::vector<Var>{});
  });
}

}  // namespace kz

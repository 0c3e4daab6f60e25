// Registry backups: each line exports one branch with the registry editor into the backup
// folder, shown in the static message window and recorded in the backup log.
#include "com/latebound.h"
#include "com/siblings.h"
#include "frame/kz.h"
#include "ini/actions/ActionEngine.h"
#include "ini/actions/basKelzudBARA.h"

namespace kz {
namespace {

// An export file name stays inside the backup folder: no folder part, no drive, no name that
// the registry editor's command line or the file system would read otherwise.
bool IsPlainFileName(const std::wstring& name) {
  if (name == L"." || name == L"..") return false;
  for (wchar_t c : name)
    if (c < 0x20 || std::wstring(L"\\/:*?\"<>|").find(c) != std::wstring::npos) return false;
  return true;
}

}  // namespace

STDMETHODIMP IniFileHandler::PalsEREGBAK(KZ_ACTION_PARAMS) {
  if (ret) VariantInit(ret);
  return Guard([&] {
    BackupLogSession log_session;
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

    ForEachActionLine(*this, keys, [&](const std::wstring& k, const std::wstring& v) {
      // A name that would leave the backup folder, or a quote that would split the editor's
      // arguments, ends the action before anything is shown, logged or started for the line.
      if (!IsPlainFileName(k) || v.find(L'"') != std::wstring::npos || folder.find(L'"') != std::wstring::npos)
        Raise(kErrInvalidCall);
      std::wstring key = k, value = v;
      CallByName(window.get(), L"UIShowStaticMessageDialog", DISPATCH_METHOD,
                 std::vector<Var>{Var::Str(L"Taking Backup for " + key + L" - " + value), Var::Bool(true),
                                  Var::Missing(), Var::Bool(true)});
      std::wstring section = L"Registry";
      WriteBackupLogEntry(section, key, value);
      StartHidden(L"regedit.exe /s /e \"" + folder + key + L"\" \"" + value + L"\"");
    });
    CallByName(window.get(), L"UIHideStaticMessageDialog", DISPATCH_METHOD, std::vector<Var>{});
  });
}

}  // namespace kz

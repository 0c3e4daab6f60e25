#include "ini/actions/basKelzudBARA.h"

#include "com/latebound.h"
#include "com/siblings.h"
#include "com/variant.h"
#include "frame/kz.h"

namespace kz {

void WriteBackupLogEntry(std::wstring& section, std::wstring& key, std::wstring& value) {
  BackupLogState& log = BackupLog::Get();
  Var folder = CallByName(log.runtime.get(), L"EnvironGet", DISPATCH_METHOD,
                          std::vector<Var>{Var::Long(2), Var::Str(L"VQENVSLOGS")});
  std::wstring dir = VarToStr(folder.get());
  if (dir.empty()) {
    // Without its folder the log would land at the root of the current drive; the user's
    // temporary folder is one the user may write to and finds the log in.
    wchar_t temp[MAX_PATH + 1];
    DWORD n = GetTempPathW(MAX_PATH + 1, temp);
    dir.assign(temp, n <= MAX_PATH ? n : 0);
    while (!dir.empty() && dir.back() == L'\\') dir.pop_back();
  }
  std::wstring path = dir + L"\\bar.ini";
  IDispatch* w = log.writer.get();
  PutProp(w, L"Path", Var::Str(path));
  PutProp(w, L"Section", Var::Str(section));
  PutProp(w, L"Key", Var::Str(key));
  PutProp(w, L"Value", Var::Str(value));
}

BackupLogSession::BackupLogSession() {
  BackupLogState& log = BackupLog::Get();
  log.runtime = Ptr<IDispatch>::Adopt(CreateSibling(kSiblingRuntime));
  log.writer = Ptr<IDispatch>::Adopt(CreateByProgId(L"KELZUD10.clsKelzudINIFileHandler1A"));
}

}  // namespace kz

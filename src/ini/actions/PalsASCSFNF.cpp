// Folder and file backups: each line copies a folder (or a file) into a dated folder tree under
// its destination root and leaves a details.ini record beside the copy; folder backups are
// also shown in the static message window and recorded in the backup log.
#include <cmath>

#include "base/error.h"
#include "base/owner.h"
#include "base/text.h"
#include "com/latebound.h"
#include "com/siblings.h"
#include "com/variant.h"
#include "frame/kz.h"
#include "frame/modules.h"
#include "fs/fspaths.h"
#include "ini/actions/ActionEngine.h"
#include "ini/actions/basKelzudBARA.h"

namespace kz {
namespace {

using fsx::FolderExists;
using fsx::FullPath;
using fsx::KernelPath;

// One name inside a folder: not a name the platform reads as the folder itself or its parent
// (only dots and spaces, which it drops at a name's end), no separator, drive or stream mark.
bool IsPlainName(const std::wstring& name) {
  if (name.find_first_not_of(L". ") == std::wstring::npos) return false;
  for (wchar_t c : name)
    if (c < 0x20 || std::wstring(L"\\/:*?\"<>|").find(c) != std::wstring::npos) return false;
  return true;
}

// The last part of a destination stays inside the backup folder: relative names only, none
// of them climbing or naming a drive. Empty, or ending in a separator, it names the folder
// itself or one inside it.
bool StaysInside(const std::wstring& last) {
  size_t start = 0;
  while (start < last.size()) {
    size_t end = last.find_first_of(L"\\/", start);
    if (end == std::wstring::npos) end = last.size();
    if (end == 0 || !IsPlainName(last.substr(start, end - start))) return false;
    start = end + 1;
  }
  return true;
}

bool TextToBoolean(const std::wstring& text) {
  BSTR b = ToBstr(text);
  VARIANT_BOOL v = VARIANT_FALSE;
  HRESULT hr = VarBoolFromStr(b, LOCALE_USER_DEFAULT, 0, &v);
  SysFreeString(b);
  if (FAILED(hr)) Raise(kErrTypeMismatch);
  return v != VARIANT_FALSE;
}

std::wstring DateTimeText(DATE d) {
  BSTR b = nullptr;
  if (FAILED(VarBstrFromDate(d, LOCALE_USER_DEFAULT, 0, &b))) return std::wstring();
  std::wstring s = FromBstr(b);
  SysFreeString(b);
  return s;
}

std::wstring NowText() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  st.wMilliseconds = 0;
  DATE d = 0;
  SystemTimeToVariantTime(&st, &d);
  return DateTimeText(d);
}

// `folder` and `part` joined by exactly one backslash.
std::wstring JoinPart(const std::wstring& folder, const std::wstring& part) {
  if (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/')) return folder + part;
  return folder + L"\\" + part;
}

// Creates `folder` unless the file system already has a folder there.
void EnsureFolder(const std::wstring& folder) {
  if (FolderExists(folder)) return;
  if (!CreateDirectoryW(KernelPath(folder).c_str(), nullptr)) throw ErrorOfWin32(GetLastError());
}

// The backup folder of a line and the chain of folders leading to it, the destination root
// first.
std::vector<std::wstring> BackupFolderChain(const std::wstring& root, const std::wstring& name) {
  SYSTEMTIME t;
  GetLocalTime(&t);
  wchar_t hour[3];
  swprintf(hour, 3, L"%02u", static_cast<unsigned>(t.wHour));
  const std::wstring parts[] = {GetComputerNameText(), std::to_wstring(t.wYear), std::to_wstring(t.wMonth),
                                std::to_wstring(t.wDay), hour, name};
  std::vector<std::wstring> chain{root};
  for (const std::wstring& p : parts) chain.push_back(JoinPart(chain.back(), p));
  return chain;
}

// The five keys of a backup record, in the order they are written.
std::vector<std::pair<std::wstring, std::wstring>> RecordOf(const std::wstring& source,
                                                            const std::wstring& destination) {
  return {{L"SourceDir", source},
          {L"DestinationDir", destination},
          {L"Computer", GetComputerNameText()},
          {L"WindowsUser", GetUserNameText()},
          {L"NowStamp", NowText()}};
}

// Writes the record to B\details.ini. A record that cannot be written ends the backup: a copy
// without its record would be a backup nobody can trace.
void WriteDetails(const std::wstring& folder, const std::wstring& source, const std::wstring& destination) {
  Ptr<IniFileHandler> ini = Ptr<IniFileHandler>::Adopt(MakeObject<IniFileHandler>());
  ini->set_path(folder + L"\\details.ini");
  ini->set_section(L"DETAILS");
  for (auto& kv : RecordOf(source, destination)) {
    ini->set_key(kv.first);
    ini->WriteValue(kv.second);
    if (ini->last_return_code() == 0) throw ErrorOfWin32(ERROR_ACCESS_DENIED);
  }
}

// What tells one folder from another however its path is written (short or long names, any
// case, "." and "..", "\\?\" or a relative form): the volume and the file index.
struct FolderId {
  DWORD volume = 0, high = 0, low = 0;
  bool known = false;
  bool operator==(const FolderId& o) const {
    return known && o.known && volume == o.volume && high == o.high && low == o.low;
  }
};

FolderId IdOf(const std::wstring& folder) {
  FolderId id;
  File h(CreateFileW(KernelPath(folder).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                     OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION info;
  if (h && GetFileInformationByHandle(h.get(), &info)) {
    id.volume = info.dwVolumeSerialNumber;
    id.high = info.nFileIndexHigh;
    id.low = info.nFileIndexLow;
    id.known = true;
  }
  return id;
}

// Copies the files and sub-folders of `source` into the existing folder `target`; existing
// files are replaced only with `overwrite`. `skip` is a folder never walked into: the backup's
// own destination when it lies inside its source.
void CopyFolderContents(const std::wstring& source, const std::wstring& target, bool overwrite,
                        const FolderId& skip) {
  WIN32_FIND_DATAW fd;
  FindHandle h(FindFirstFileW(KernelPath(JoinPart(source, L"*")).c_str(), &fd));
  if (!h) {
    DWORD e = GetLastError();
    if (e == ERROR_FILE_NOT_FOUND || e == ERROR_NO_MORE_FILES) return;  // an empty folder
    throw ErrorOfWin32(e == ERROR_DIRECTORY ? ERROR_PATH_NOT_FOUND : e);
  }
  // The listing is taken whole before anything is copied, so that what the copy adds is never
  // copied again.
  std::vector<std::pair<std::wstring, bool>> entries;
  do {
    std::wstring name = fd.cFileName;
    if (name == L"." || name == L"..") continue;
    entries.emplace_back(name, (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
  } while (FindNextFileW(h.get(), &fd));
  h.reset();
  for (const auto& e : entries) {
    const std::wstring from = JoinPart(source, e.first), to = JoinPart(target, e.first);
    if (e.second) {
      if (IdOf(from) == skip) continue;
      EnsureFolder(to);
      CopyFolderContents(from, to, overwrite, skip);
    } else if (!CopyFileW(KernelPath(from).c_str(), KernelPath(to).c_str(), overwrite ? FALSE : TRUE)) {
      throw ErrorOfWin32(GetLastError());
    }
  }
}

void CopyFolder(const std::wstring& source, const std::wstring& target, bool overwrite) {
  if (!FolderExists(source)) throw ErrorOfWin32(ERROR_PATH_NOT_FOUND);
  const FolderId skip = IdOf(target);
  // Without an identity the copy could walk into itself without end.
  if (!skip.known) throw ErrorOfWin32(ERROR_PATH_NOT_FOUND);
  CopyFolderContents(source, target, overwrite, skip);
}

// Copies one file; a target ending in "\" is a folder that receives it under its own name.
void CopyOneFile(const std::wstring& source, std::wstring target, bool overwrite) {
  if (!target.empty() && (target.back() == L'\\' || target.back() == L'/')) {
    const size_t slash = source.find_last_of(L"\\/");
    target += slash == std::wstring::npos ? source : source.substr(slash + 1);
  }
  if (!CopyFileW(KernelPath(source).c_str(), KernelPath(target).c_str(), overwrite ? FALSE : TRUE))
    throw ErrorOfWin32(GetLastError());
}

struct BackupLine {
  std::wstring source, root, last;
  bool overwrite = false;
};

BackupLine ReadLine(const std::wstring& value, ActionVariables& variables) {
  const std::vector<std::wstring> f = SplitFields(value, L',');
  BackupLine l;
  l.source = variables.Expand(Field(f, 0), Lookup::EnvironmentFlagged);
  l.root = variables.Expand(Field(f, 1), Lookup::EnvironmentFlagged);
  l.last = Field(f, 2);
  l.overwrite = TextToBoolean(Field(f, 3));
  return l;
}

// Refuses a line whose key or target would leave the backup tree, or whose paths the kernel
// would cut or misread, before anything of it is created. Returns the chain of folders to the
// backup folder.
std::vector<std::wstring> CheckedChain(const std::wstring& key, const BackupLine& l) {
  // A backup name becomes one folder of the tree: it may not climb out of it or name another.
  if (!IsPlainName(key) || !StaysInside(l.last)) Raise(kErrInvalidCall);
  std::vector<std::wstring> chain = BackupFolderChain(l.root, key);
  if (!IsUsablePath(l.source) || !IsUsablePath(chain.back() + L"\\" + l.last + L"\\details.ini"))
    Raise(kErrInvalidCall);
  return chain;
}

}  // namespace

STDMETHODIMP IniFileHandler::PalsASCSFNF(KZ_ACTION_PARAMS) {
  if (ret) VariantInit(ret);
  return Guard([&] {
    BackupLogSession log_session;
    Ptr<IDispatch> window = Ptr<IDispatch>::Adopt(CreateSibling(kSiblingStaticWindow));
    auto show = [&](const std::wstring& text) {
      CallByName(window.get(), L"UIShowStaticMessageDialog", DISPATCH_METHOD,
                 std::vector<Var>{Var::Str(text), Var::Bool(true), Var::Missing(), Var::Bool(true)});
    };
    auto hide = [&] { CallByName(window.get(), L"UIHideStaticMessageDialog", DISPATCH_METHOD, std::vector<Var>{}); };

    ActionVariables variables;
    ForEachActionLine(*this, [&](const std::wstring& key, const std::wstring& value) {
      show(L"Taking Backup for " + key + L" - " + value);
      const BackupLine l = ReadLine(value, variables);
      hide();
      const std::vector<std::wstring> chain = CheckedChain(key, l);
      for (const std::wstring& folder : chain) {
        show(L"Creating folder " + folder);
        EnsureFolder(folder);
      }
      const std::wstring& b = chain.back();
      const std::wstring c = b + L"\\" + l.last;
      show(L"Writing  " + b + L"\\details.ini");
      WriteDetails(b, l.source, c);

      std::wstring section = L"Backup-" + key;
      for (auto& kv : RecordOf(l.source, c)) WriteBackupLogEntry(section, kv.first, kv.second);

      show(L"Creating folder " + c);
      EnsureFolder(c);
      show(L"Archiving " + l.source + L" to " + c);
      CopyFolder(l.source, c, l.overwrite);
      show(L"Finishing... ");
    });
    hide();
  });
}

STDMETHODIMP IniFileHandler::PalsCSFILES(KZ_ACTION_PARAMS) {
  if (ret) VariantInit(ret);
  return Guard([&] {
    ActionVariables variables;
    ForEachActionLine(*this, [&](const std::wstring& key, const std::wstring& value) {
      const BackupLine l = ReadLine(value, variables);
      const std::vector<std::wstring> chain = CheckedChain(key, l);
      for (const std::wstring& folder : chain) EnsureFolder(folder);
      const std::wstring& b = chain.back();
      const std::wstring c = b + L"\\" + l.last;
      WriteDetails(b, l.source, c);
      CopyOneFile(l.source, c, l.overwrite);
    });
  });
}

}  // namespace kz

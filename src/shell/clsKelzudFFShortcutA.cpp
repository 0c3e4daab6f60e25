#include "shell/clsKelzudFFShortcutA.h"

#include <shlobj.h>

#include <initializer_list>
#include <vector>

#include "base/error.h"
#include "base/text.h"
#include "com/variant.h"
#include "frame/catalogue.h"
#include "frame/modules.h"
#include "platform/shelllink.h"
#include "platform/ui.h"

namespace kz {
namespace {

constexpr wchar_t kPrograms[] = L"$(Programs)";

std::wstring Trim(const std::wstring& s) {
  size_t b = s.find_first_not_of(L' ');
  if (b == std::wstring::npos) return std::wstring();
  return s.substr(b, s.find_last_not_of(L' ') - b + 1);
}

bool FolderPresent(const std::wstring& path) {
  DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// One level, as the file-system object's CreateFolder: a missing parent or a name taken by a
// file is an error.
void CreateFolderOneLevel(const std::wstring& path) {
  if (path.empty()) throw Error(kErrInvalidCall);
  if (!CreateDirectoryW(path.c_str(), nullptr)) throw ErrorOfWin32(GetLastError());
}

std::vector<std::wstring> SplitPercent(const std::wstring& s) {
  std::vector<std::wstring> out(1);
  for (wchar_t c : s) {
    if (c == L'%')
      out.emplace_back();
    else
      out.back() += c;
  }
  return out;
}

// Texts the shortcut function could only cut or misread (a NUL, longer than any path).
bool AllUsable(std::initializer_list<const std::wstring*> texts) {
  for (const std::wstring* t : texts)
    if (!IsUsablePath(*t)) return false;
  return true;
}

}  // namespace

std::wstring SpecialFolderPath(long owner, long folder) {
  LPITEMIDLIST list = nullptr;
  if (SHGetSpecialFolderLocation(reinterpret_cast<HWND>(static_cast<LONG_PTR>(owner)), folder, &list) != S_OK ||
      !list)
    return std::wstring();
  char buf[256 + MAX_PATH] = {};
  BOOL ok = SHGetPathFromIDListA(list, buf);
  CoTaskMemFree(list);
  if (!ok) return std::wstring();
  return FromAnsi(std::string(buf));
}

std::wstring FFShortcut::WindowsDir() {
  char buf[256] = {};
  UINT n = GetWindowsDirectoryA(buf, 256);
  if (n == 0 || n >= 256) {
    ShowMessage(L"Failed to get windows dir", MB_OK, LibraryTitle());
    return std::wstring();
  }
  return FromAnsi(buf, n);
}

void FFShortcut::StartJobs() {
  win_ = WindowsDir();
  desktop_ = L"..\\..\\Desktop";
  startmenu_ = L"..";
  programs_ = L"..\\Programs";
  desktop_abs_ = win_ + L"\\Desktop";
  startmenu_abs_ = win_ + L"\\Start Menu";
  programs_abs_ = startmenu_abs_ + L"\\Programs";
}

bool FFShortcut::AddShortCut(std::wstring exe, std::wstring title, std::wstring args, long where,
                             const std::wstring& name) {
  try {
    if (!AllUsable({&exe, &title, &args, &name})) return false;
    StartJobs();
    exe = Trim(exe);
    args = Trim(args);
    title = Trim(title);
    std::wstring folder, parent;
    switch (where) {
      case 0: folder = parent = win_; break;
      case 1: folder = desktop_, parent = kPrograms; break;
      case 2: folder = startmenu_, parent = kPrograms; break;
      case 3: folder = programs_, parent = kPrograms; break;
      case 7:
        if (!name.empty() && name[0] == L'%') {
          std::vector<std::wstring> pieces = SplitPercent(name);
          if (pieces.size() < 3) throw Error(kErrSubscript);
          long scope = 2;
          std::wstring var = pieces[1];
          Var flag = Var::Short(0);
          folder = KelEnvironGet(scope, var, *flag.get()) + pieces[2];
        } else {
          folder = name;
        }
        if (!IsUsablePath(folder)) return false;
        if (!FolderPresent(folder)) CreateFolderOneLevel(folder);
        parent = folder;
        break;
      case 8: folder = parent = programs_ + L"\\" + name; break;
      // The absolute folders below the Windows folder are those of systems long gone, and
      // other values name no place: nothing is written, which is a failure.
      default: return false;
    }
    // True only when the link was written.
    return Seam<ShellLinks>().Create(folder, title, exe, args, true, parent) != 0;
  } catch (...) {
    return false;
  }
}

long FFShortcut::AddShortCutPals(const std::wstring& exe, const std::wstring& title, const std::wstring& args,
                                 const std::wstring& name) {
  try {
    if (!AllUsable({&exe, &title, &args, &name})) return 0;
    if (!FolderPresent(name)) CreateFolderOneLevel(name);
    return Seam<ShellLinks>().Create(name, title, exe, args, true, name);
  } catch (...) {
    return 0;
  }
}

STDMETHODIMP FFShortcut::GetSpecialFolderLocationW32a(long* lhwndOwner, SpecialFolderIDWoslConstants* lFldID,
                                                      BSTR* ret) {
  return Guard([&] {
    if (!ret) return;
    *ret = ToBstr(SpecialFolderPath(lhwndOwner ? *lhwndOwner : 0, lFldID ? static_cast<long>(*lFldID) : 0));
  });
}

STDMETHODIMP FFShortcut::dojobsstart() {
  return Guard([&] { StartJobs(); });
}

STDMETHODIMP FFShortcut::doAddShortCutPals(BSTR* ExeFileSpec, BSTR* Title, BSTR* Arglist, WhereToCreate*,
                                           BSTR* sDestinationName, long* ret) {
  return Guard([&] {
    if (!ret) return;
    *ret = AddShortCutPals(FromBstr(ExeFileSpec), FromBstr(Title), FromBstr(Arglist), FromBstr(sDestinationName));
  });
}

STDMETHODIMP FFShortcut::doAddShortCut(BSTR* ExeFileSpec, BSTR* Title, BSTR* Arglist, WhereToCreate* sDestinationPath,
                                       BSTR* sDestinationName, VARIANT_BOOL* ret) {
  return Guard([&] {
    if (!ret) return;
    bool ok = AddShortCut(FromBstr(ExeFileSpec), FromBstr(Title), FromBstr(Arglist),
                          sDestinationPath ? static_cast<long>(*sDestinationPath) : 0, FromBstr(sDestinationName));
    *ret = ok ? VARIANT_TRUE : VARIANT_FALSE;
  });
}

STDMETHODIMP FFShortcut::GetWinDir(BSTR* ret) {
  return Guard([&] {
    if (ret) *ret = ToBstr(WindowsDir());
  });
}

STDMETHODIMP FFShortcut::GetWinSysDir(BSTR* ret) {
  return Guard([&] {
    if (!ret) return;
    std::wstring win = WindowsDir();
    *ret = ToBstr(win + L"\\System\\");
  });
}

KZ_REGISTER_CLASS(FFShortcut);

}  // namespace kz

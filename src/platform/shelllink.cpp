#include "platform/shelllink.h"

#include "base/win.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <cwctype>

namespace kz {
namespace {

bool IsAbsolute(const std::wstring& p) {
  return (p.size() >= 3 && p[1] == L':' && (p[2] == L'\\' || p[2] == L'/')) ||
         (p.size() >= 2 && (p[0] == L'\\' || p[0] == L'/') && (p[1] == L'\\' || p[1] == L'/'));
}

std::wstring Canonical(const std::wstring& p) {
  DWORD n = GetFullPathNameW(p.c_str(), 0, nullptr, nullptr);
  if (!n) return std::wstring();
  std::wstring out(n, L'\0');
  n = GetFullPathNameW(p.c_str(), n, &out[0], nullptr);
  out.resize(n);
  while (out.size() > 3 && (out.back() == L'\\' || out.back() == L'/')) out.pop_back();
  return out;
}

std::wstring SpecialFolder(int csidl) {
  wchar_t buf[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, 0, buf))) return std::wstring();
  return buf;
}

std::wstring ProgramsFolder(bool priv) { return SpecialFolder(priv ? CSIDL_PROGRAMS : CSIDL_COMMON_PROGRAMS); }

// A folder relative to the programs folder. Callers wrote these texts for a profile where the
// desktop lay two levels above the programs folder and the Start menu one level above; today
// the desktop lies elsewhere, so the leading "..\..\Desktop", "..\Programs" and ".." are taken
// as the desktop, programs and Start menu folders themselves, wherever the profile keeps them.
std::wstring FromPrograms(const std::wstring& rel, bool priv) {
  struct Lead {
    const wchar_t* text;
    int user, common;
  } const leads[] = {
      {L"..\\..\\Desktop", CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY},
      {L"..\\Programs", CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS},
      {L"..", CSIDL_STARTMENU, CSIDL_COMMON_STARTMENU},
  };
  for (const Lead& l : leads) {
    const size_t n = wcslen(l.text);
    if (rel.size() < n || _wcsnicmp(rel.c_str(), l.text, n) != 0) continue;
    if (rel.size() > n && rel[n] != L'\\' && rel[n] != L'/') continue;
    std::wstring base = SpecialFolder(priv ? l.user : l.common);
    return base.empty() ? base : base + rel.substr(n);
  }
  std::wstring base = ProgramsFolder(priv);
  return base.empty() ? base : base + L"\\" + rel;
}

bool CreateFolders(const std::wstring& dir) {
  if (GetFileAttributesW(dir.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
  size_t cut = dir.find_last_of(L"\\/");
  if (cut == std::wstring::npos || cut < 2) return false;
  std::wstring up = dir.substr(0, cut);
  if (up.size() == 2 && up[1] == L':') up += L'\\';
  if (up != dir && !CreateFolders(up)) return false;
  return CreateDirectoryW(dir.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

class Win32ShellLinks : public ShellLinks {
 public:
  long Create(const std::wstring& folder, const std::wstring& title, const std::wstring& target,
              const std::wstring& args, bool priv, const std::wstring& parent) override {
    std::wstring file = ShellLinkFile(folder, title, priv, parent);
    if (file.empty() || target.empty()) return 0;
    std::wstring dir = file.substr(0, file.find_last_of(L'\\'));
    if (!CreateFolders(dir)) return 0;

    // Callers may be on a thread without COM; the link objects need it for this call only.
    HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    bool uninit = SUCCEEDED(init);
    long result = 0;
    IShellLinkW* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link)))) {
      std::wstring work = target;
      size_t cut = work.find_last_of(L"\\/");
      work = cut == std::wstring::npos ? std::wstring() : work.substr(0, cut);
      if (work.size() == 2 && work[1] == L':') work += L'\\';
      IPersistFile* persist = nullptr;
      if (SUCCEEDED(link->SetPath(target.c_str())) && SUCCEEDED(link->SetArguments(args.c_str())) &&
          SUCCEEDED(link->SetWorkingDirectory(work.c_str())) &&
          SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)))) {
        if (SUCCEEDED(persist->Save(file.c_str(), TRUE))) result = 1;
        persist->Release();
      }
      link->Release();
    }
    if (uninit) CoUninitialize();
    return result;
  }
};

}  // namespace

bool IsDeviceName(const std::wstring& path) {
  size_t cut = path.find_last_of(L"\\/");
  std::wstring name = cut == std::wstring::npos ? path : path.substr(cut + 1);
  if (cut == std::wstring::npos && name.size() >= 2 && name[1] == L':') name = name.substr(2);  // "C:nul"
  name = name.substr(0, name.find_first_of(L".:"));
  while (!name.empty() && name.back() == L' ') name.pop_back();
  for (wchar_t& c : name) c = static_cast<wchar_t>(towupper(c));
  if (name == L"NUL" || name == L"CON" || name == L"AUX" || name == L"PRN") return true;
  return name.size() == 4 && (name.compare(0, 3, L"COM") == 0 || name.compare(0, 3, L"LPT") == 0) &&
         name[3] >= L'1' && name[3] <= L'9';
}

std::wstring ShellLinkFile(const std::wstring& folder, const std::wstring& title, bool priv,
                           const std::wstring& parent) {
  if (parent.empty() || title.empty() || IsDeviceName(title)) return std::wstring();
  if (title.find_first_of(L"\\/:*?\"<>|") != std::wstring::npos || title == L"." || title == L"..")
    return std::wstring();
  std::wstring base = parent;
  const bool programs = _wcsicmp(parent.c_str(), L"$(Programs)") == 0;
  if (programs)
    base = ProgramsFolder(priv);
  else if (!IsAbsolute(parent) && parent[0] != L'\\' && parent[0] != L'/')
    base = FromPrograms(parent, priv);
  if (base.empty() || !IsAbsolute(base)) return std::wstring();
  std::wstring dir;
  if (folder.empty() || folder == parent)
    dir = base;
  else if (IsAbsolute(folder))
    dir = folder;
  else if (programs)
    dir = FromPrograms(folder, priv);
  else
    dir = base + L"\\" + folder;
  dir = Canonical(dir);
  if (dir.empty()) return std::wstring();
  if (dir.back() != L'\\') dir += L'\\';
  std::wstring file = dir + title + L".lnk";
  if (file.size() >= MAX_PATH) return std::wstring();
  return file;
}

template <>
ShellLinks& SeamDefault<ShellLinks>() {
  static Win32ShellLinks links;
  return links;
}

}  // namespace kz

#include "fs/clsKelzudFolderDesktopINIA.h"

#include <cwchar>
#include <vector>

#include "base/error.h"
#include "base/longhandle.h"
#include "base/text.h"
#include "com/variant.h"
#include "frame/catalogue.h"
#include "fs/fspaths.h"
#include "platform/pickers.h"
#include "platform/profile.h"

namespace kz {
namespace {

const wchar_t kShellClassInfo[] = L".ShellClassInfo";
const wchar_t kViews[] = L"ExtShellFolderViews";
const wchar_t kViewGuid[] = L"{BE098140-A513-11D0-A3A4-00C04FD706EC}";

VARIANT_BOOL Bool(bool b) { return b ? VARIANT_TRUE : VARIANT_FALSE; }

// The platform reads a value into 255 characters.
constexpr unsigned long kValueBuffer = 255;

// Text that reaches the profile functions whole: the platform would cut it at a NUL.
bool Whole(const std::wstring& s) { return !HasNul(s); }

struct Entry {
  const wchar_t* section;
  const wchar_t* key;
  std::wstring value;
};

// The error a failed write stands for: what the file system last reported, when it names a
// cause, else a general access error.
Error WriteFailure(DWORD code) {
  long n = AutomationErrorOfWin32(code);
  return Error(n == kErrInvalidCall ? 75 : n);
}

}  // namespace

double FolderDesktopIni::LeadingNumber(const std::wstring& text) {
  const wchar_t* s = text.c_str();
  while (*s == L' ' || *s == L'\t') ++s;
  wchar_t* end = nullptr;
  double d = wcstod(s, &end);
  return end == s ? 0 : d;
}

std::wstring FolderDesktopIni::Read(const std::wstring& section, const std::wstring& key, const std::wstring& file) {
  if (!IsUsablePath(file) || !Whole(section) || !Whole(key)) return std::wstring();
  return ProfileValue(file, section, key, std::wstring(), kValueBuffer);
}

bool FolderDesktopIni::Write(const std::wstring& section, const std::wstring& key, const std::wstring* value,
                             const std::wstring& file) {
  if (!IsUsablePath(file) || !Whole(section) || !Whole(key) || (value && !Whole(*value))) return false;
  return ProfileWrite(file, section, &key, value) != 0;
}

bool FolderDesktopIni::FolderIsSystem(const std::wstring& folder) {
  if (!IsUsablePath(folder)) return false;
  DWORD a = fsx::Attributes(folder);
  if (a == INVALID_FILE_ATTRIBUTES || !(a & FILE_ATTRIBUTE_DIRECTORY)) return false;
  long rest = static_cast<long>(fsx::ScriptingAttributes(a)) - 16;
  return (rest >= 4 && rest <= 7) || (rest >= 36 && rest <= 39);
}

void FolderDesktopIni::MakeFolderReadOnly(const std::wstring& folder) {
  if (!IsUsablePath(folder)) throw Error(kErrPathNotFound);
  if (!fsx::FolderExists(folder)) throw Error(kErrPathNotFound);
  if (!SetFileAttributesW(fsx::KernelPath(folder).c_str(), FILE_ATTRIBUTE_READONLY)) throw ErrorOfWin32(GetLastError());
}

void FolderDesktopIni::HideFile(const std::wstring& file) {
  if (!IsUsablePath(file)) return;
  SetFileAttributesW(fsx::KernelPath(file).c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
}

bool FolderDesktopIni::PlainFileExists(const std::wstring& name) {
  if (fsx::TrimSpaces(name).empty() || !IsUsablePath(name)) return false;
  // A directory search without attribute options: folders, hidden and system files are skipped.
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW(fsx::KernelPath(name).c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return false;
  bool found = false;
  do {
    if (!(fd.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))) found = true;
  } while (!found && FindNextFileW(h, &fd));
  FindClose(h);
  return found;
}

void FolderDesktopIni::ChangeIcon(const std::wstring& folder, const std::wstring& icon_file,
                                  const std::wstring& icon_index, const std::wstring& info_tip,
                                  const std::wstring& back_picture, short reset) {
  if (reset != 0 && reset != -1) return;
  std::wstring ini = folder + L"\\Desktop.ini";
  // An empty folder would name Desktop.ini at the root of the current drive.
  if (fsx::TrimSpaces(folder).empty() || !IsUsablePath(ini)) Raise(kErrInvalidCall);
  std::vector<Entry> entries;
  if (reset == 0) {
    if (!icon_file.empty()) entries.push_back({kShellClassInfo, L"IconFile", icon_file});
    if (!icon_index.empty()) entries.push_back({kShellClassInfo, L"IconIndex", fsx::NumberText(LeadingNumber(icon_index))});
    if (!info_tip.empty()) entries.push_back({kShellClassInfo, L"InfoTip", info_tip});
    entries.push_back({kViews, kViewGuid, kViewGuid});
    entries.push_back({kViewGuid, L"Attributes", L"1"});
    if (!back_picture.empty()) entries.push_back({kViewGuid, L"IconArea_Image", back_picture});
    // Every entry is checked before the first is written, so a refused one leaves the file
    // as it was instead of half changed.
    for (const Entry& e : entries)
      if (!Whole(e.value) || !ProfileWritable(e.section, e.key, e.value)) Raise(kErrInvalidCall);
    if (!fsx::FolderExists(folder)) throw Error(kErrPathNotFound);
    for (const Entry& e : entries)
      if (!Write(e.section, e.key, &e.value, ini)) throw WriteFailure(GetLastError());
    HideFile(ini);
    MakeFolderReadOnly(folder);
  } else {
    entries = {{kShellClassInfo, L"IconFile", L""}, {kShellClassInfo, L"IconIndex", L""},
               {kShellClassInfo, L"InfoTip", L""},  {kViews, kViewGuid, L""},
               {kViewGuid, L"Attributes", L""},     {kViewGuid, L"IconArea_Image", L""}};
    for (const Entry& e : entries)
      if (!Write(e.section, e.key, nullptr, ini)) throw WriteFailure(GetLastError());
  }
}

STDMETHODIMP FolderDesktopIni::ChangeFolderIcon(BSTR* sFolder, BSTR* sIconFile, BSTR* sIconIndex, BSTR* sInfoTip,
                                                BSTR* sBackPicFile, VARIANT_BOOL* bReset, VARIANT* ret) {
  return Guard([&] {
    VariantInit(ret);
    ChangeIcon(FromBstr(sFolder), FromBstr(sIconFile), FromBstr(sIconIndex), FromBstr(sInfoTip), FromBstr(sBackPicFile),
               bReset ? *bReset : 0);
  });
}

STDMETHODIMP FolderDesktopIni::ReadINI(BSTR* sSection, BSTR* sKeyName, BSTR* sINIFileName, BSTR* ret) {
  return Guard([&] { *ret = ToBstr(Read(FromBstr(sSection), FromBstr(sKeyName), FromBstr(sINIFileName))); });
}

STDMETHODIMP FolderDesktopIni::WriteINI(BSTR* sSection, BSTR* sKeyName, BSTR* sValueData, BSTR* sINIFileName,
                                        VARIANT_BOOL* ret) {
  return Guard([&] {
    std::wstring value = FromBstr(sValueData);
    bool null_value = !sValueData || !*sValueData;
    *ret = Bool(Write(FromBstr(sSection), FromBstr(sKeyName), null_value ? nullptr : &value, FromBstr(sINIFileName)));
  });
}

STDMETHODIMP FolderDesktopIni::BrowseFolder(long* hWnd, BSTR* szDialogTitle, BSTR* ret) {
  return Guard([&] {
    std::wstring chosen;
    try {
      chosen = PickFolder(HandleFromLong<HWND>(hWnd ? *hWnd : 0), FromBstr(szDialogTitle), 3);
    } catch (const Error&) {
      chosen.clear();
    }
    *ret = ToBstr(fsx::TrimSpaces(fsx::BeforeNul(chosen)));
  });
}

STDMETHODIMP FolderDesktopIni::CheckIfFolderIsSystem(BSTR* FolderName, VARIANT_BOOL* ret) {
  return Guard([&] { *ret = Bool(FolderIsSystem(FromBstr(FolderName))); });
}

STDMETHODIMP FolderDesktopIni::setFolderRead(VARIANT* folderspec) {
  return Guard([&] { MakeFolderReadOnly(folderspec ? VarToStr(folderspec) : std::wstring()); });
}

STDMETHODIMP FolderDesktopIni::IsFolderExists(BSTR* FolderName, VARIANT_BOOL* ret) {
  return Guard([&] {
    std::wstring folder = FromBstr(FolderName);
    *ret = Bool(IsUsablePath(folder) && fsx::FolderExists(folder));
  });
}

STDMETHODIMP FolderDesktopIni::FileAttribHide(BSTR* FileName) {
  return Guard([&] { HideFile(FromBstr(FileName)); });
}

STDMETHODIMP FolderDesktopIni::bFileExists(BSTR* sFileName, VARIANT_BOOL* ret) {
  return Guard([&] { *ret = Bool(PlainFileExists(FromBstr(sFileName))); });
}

KZ_REGISTER_CLASS(FolderDesktopIni);

}  // namespace kz

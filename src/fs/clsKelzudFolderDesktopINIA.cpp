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

namespace kz {
namespace {

const wchar_t kShellClassInfo[] = L".ShellClassInfo";
const wchar_t kViews[] = L"ExtShellFolderViews";
const wchar_t kViewGuid[] = L"{BE098140-A513-11D0-A3A4-00C04FD706EC}";

VARIANT_BOOL Bool(bool b) { return b ? VARIANT_TRUE : VARIANT_FALSE; }

}  // namespace

double FolderDesktopIni::LeadingNumber(const std::wstring& text) {
  const wchar_t* s = text.c_str();
  while (*s == L' ' || *s == L'\t') ++s;
  wchar_t* end = nullptr;
  double d = wcstod(s, &end);
  return end == s ? 0 : d;
}

std::wstring FolderDesktopIni::Read(const std::wstring& section, const std::wstring& key, const std::wstring& file) {
  wchar_t buf[256] = {};
  DWORD n = GetPrivateProfileStringW(section.c_str(), key.c_str(), L"", buf, 255, file.c_str());
  return std::wstring(buf, n);
}

void FolderDesktopIni::Write(const std::wstring& section, const std::wstring& key, const std::wstring* value,
                             const std::wstring& file) {
  // The platform's answer is not examined: the file may be read-only or absent.
  WritePrivateProfileStringW(section.c_str(), key.c_str(), value ? value->c_str() : nullptr, file.c_str());
}

bool FolderDesktopIni::FolderIsSystem(const std::wstring& folder) {
  DWORD a = fsx::Attributes(folder);
  if (a == INVALID_FILE_ATTRIBUTES || !(a & FILE_ATTRIBUTE_DIRECTORY)) return false;
  long rest = static_cast<long>(fsx::ScriptingAttributes(a)) - 16;
  return (rest >= 4 && rest <= 7) || (rest >= 36 && rest <= 39);
}

void FolderDesktopIni::MakeFolderReadOnly(const std::wstring& folder) {
  if (!fsx::FolderExists(folder)) throw Error(kErrPathNotFound);
  if (!SetFileAttributesW(fsx::KernelPath(folder).c_str(), FILE_ATTRIBUTE_READONLY)) throw ErrorOfWin32(GetLastError());
}

void FolderDesktopIni::HideFile(const std::wstring& file) {
  SetFileAttributesW(fsx::KernelPath(file).c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
}

bool FolderDesktopIni::PlainFileExists(const std::wstring& name) {
  if (fsx::TrimSpaces(name).empty()) return false;
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
  std::wstring ini = folder + L"\\Desktop.ini";
  if (reset == 0) {
    if (!icon_file.empty()) Write(kShellClassInfo, L"IconFile", &icon_file, ini);
    if (!icon_index.empty()) {
      std::wstring index = fsx::NumberText(LeadingNumber(icon_index));
      Write(kShellClassInfo, L"IconIndex", &index, ini);
    }
    if (!info_tip.empty()) Write(kShellClassInfo, L"InfoTip", &info_tip, ini);
    std::wstring guid = kViewGuid, one = L"1";
    Write(kViews, kViewGuid, &guid, ini);
    Write(kViewGuid, L"Attributes", &one, ini);
    if (!back_picture.empty()) Write(kViewGuid, L"IconArea_Image", &back_picture, ini);
    HideFile(ini);
    MakeFolderReadOnly(folder);
  } else if (reset == -1) {
    Write(kShellClassInfo, L"IconFile", nullptr, ini);
    Write(kShellClassInfo, L"IconIndex", nullptr, ini);
    Write(kShellClassInfo, L"InfoTip", nullptr, ini);
    Write(kViews, kViewGuid, nullptr, ini);
    Write(kViewGuid, L"Attributes", nullptr, ini);
    Write(kViewGuid, L"IconArea_Image", nullptr, ini);
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
    Write(FromBstr(sSection), FromBstr(sKeyName), null_value ? nullptr : &value, FromBstr(sINIFileName));
    *ret = VARIANT_TRUE;
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
  return Guard([&] { *ret = Bool(fsx::FolderExists(FromBstr(FolderName))); });
}

STDMETHODIMP FolderDesktopIni::FileAttribHide(BSTR* FileName) {
  return Guard([&] { HideFile(FromBstr(FileName)); });
}

STDMETHODIMP FolderDesktopIni::bFileExists(BSTR* sFileName, VARIANT_BOOL* ret) {
  return Guard([&] { *ret = Bool(PlainFileExists(FromBstr(sFileName))); });
}

KZ_REGISTER_CLASS(FolderDesktopIni);

}  // namespace kz

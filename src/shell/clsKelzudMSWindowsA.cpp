#include "shell/clsKelzudMSWindowsA.h"

#include <shlobj.h>

#include <map>

#include "base/owner.h"
#include "base/text.h"
#include "frame/catalogue.h"
#include "platform/shelllink.h"
#include "shell/clsKelzudFFShortcutA.h"

namespace kz {
namespace {

// The links in the recent documents for a document of this file name ("name.lnk", and
// "name (2).lnk" and so on where the shell numbers them), with their last write times.
std::map<std::wstring, ULONGLONG> RecentLinks(const std::wstring& recent, const std::wstring& doc) {
  std::map<std::wstring, ULONGLONG> links;
  if (recent.empty() || doc.empty()) return links;
  WIN32_FIND_DATAW fd;
  FindHandle h(FindFirstFileW((recent + L"\\" + doc + L"*.lnk").c_str(), &fd));
  if (!h) return links;
  do {
    links[fd.cFileName] = (static_cast<ULONGLONG>(fd.ftLastWriteTime.dwHighDateTime) << 32) | fd.ftLastWriteTime.dwLowDateTime;
  } while (FindNextFileW(h.get(), &fd));
  return links;
}

}  // namespace

bool MSWindows::AddToRecent(const std::wstring& file) {
  if (file.empty()) return false;
  // The ANSI form takes a path of fewer than MAX_PATH characters and the text before a NUL:
  // a longer name or one with a NUL would add another file than the one named.
  if (!IsUsablePath(file)) return false;
  const std::string name = ToAnsi(file);
  if (name.size() >= MAX_PATH) return false;
  // The shell takes a device for a file that exists whatever link name it tries for it, and
  // never stops looking for a free one.
  if (IsDeviceName(file)) return false;
  size_t cut = file.find_last_of(L"\\/");
  const std::wstring doc = cut == std::wstring::npos ? file : file.substr(cut + 1);
  const std::wstring recent = SpecialFolderPath(0, CSIDL_RECENT);
  const std::map<std::wstring, ULONGLONG> before = RecentLinks(recent, doc);
  SetLastError(0);
  SHAddToRecentDocs(SHARD_PATHA, name.c_str());
  if (GetLastError() == 0) return true;
  // Some shells leave the code of a lookup they made on the way (Wine's: the free link name
  // it searched for) after adding the document: a link written by this call counts as success.
  for (const auto& link : RecentLinks(recent, doc)) {
    auto was = before.find(link.first);
    if (was == before.end() || was->second != link.second) return true;
  }
  return false;
}

STDMETHODIMP MSWindows::GetSpecialFolderPath(long* lWinHnd, long* lFolderIDConst, BSTR* ret) {
  return Guard([&] {
    if (!ret) return;
    *ret = ToBstr(SpecialFolderPath(lWinHnd ? *lWinHnd : 0, lFolderIDConst ? *lFolderIDConst : 0));
  });
}

STDMETHODIMP MSWindows::AddToDocumentsList(BSTR* FileName, VARIANT_BOOL* ret) {
  return Guard([&] {
    if (!ret) return;
    *ret = AddToRecent(FileName ? FromBstr(*FileName) : std::wstring()) ? VARIANT_TRUE : VARIANT_FALSE;
  });
}

KZ_REGISTER_CLASS(MSWindows);

}  // namespace kz

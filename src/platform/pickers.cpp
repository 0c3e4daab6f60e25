#include "platform/pickers.h"

#include <shlobj.h>

#include "platform/ui.h"

namespace kz {
namespace {

class ShellFolderPicker : public FolderPickers {
 public:
  bool Pick(HWND owner, const std::wstring& title, unsigned flags, std::wstring* path) override {
    BROWSEINFOW bi{};
    bi.hwndOwner = owner;
    bi.lpszTitle = title.c_str();
    bi.ulFlags = flags;
    PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&bi);
    if (!item) return false;
    wchar_t buf[MAX_PATH + 1] = {};
    BOOL ok = SHGetPathFromIDListW(item, buf);
    CoTaskMemFree(item);  // the item list is the caller's to free
    if (!ok) return false;
    *path = buf;
    return true;
  }
};

}  // namespace

template <>
FolderPickers& SeamDefault<FolderPickers>() {
  static ShellFolderPicker p;
  return p;
}

std::wstring PickFolder(HWND owner, const std::wstring& title, unsigned flags) {
  if (IsUnattended()) {
    LogUnattendedWindow(L"FolderPicker", title, std::to_wstring(flags));
    return std::wstring();
  }
  std::wstring path;
  if (!Seam<FolderPickers>().Pick(owner, title, flags, &path)) return std::wstring();
  return path;
}

}  // namespace kz

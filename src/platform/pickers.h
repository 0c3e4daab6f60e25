// The folder picker: the one window of the file-system classes that waits for a person.
//
// Unattended (KELZUD10_UNATTENDED names a log), the picker is not shown: one record goes to the
// log and the answer is that of a person who cancels. Otherwise the area below does the work;
// tests put their own in its place.
#pragma once
#include <string>

#include "base/seam.h"
#include "base/win.h"

namespace kz {

struct FolderPickers {
  virtual ~FolderPickers() = default;
  // Shows the platform's folder picker (SHBrowseForFolder) owned by `owner` with `title` as its
  // text and the BIF_* `flags`; true with the chosen folder's path, false on cancel.
  virtual bool Pick(HWND owner, const std::wstring& title, unsigned flags, std::wstring* path) = 0;
};
template <>
FolderPickers& SeamDefault<FolderPickers>();

// The picker as the library's classes use it: the chosen path, or "" when cancelled (and,
// unattended, without showing anything). The log record is "FolderPicker", the title and the
// flags as text.
std::wstring PickFolder(HWND owner, const std::wstring& title, unsigned flags);

}  // namespace kz

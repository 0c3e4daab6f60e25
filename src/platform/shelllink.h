// Program shortcuts (.lnk files), made the way the setup toolkit's fCreateShellLink makes them:
// a link named after its title in a folder that is taken relative to a parent folder. Our own
// implementation over the shell's link interfaces, since the toolkit is not part of the platform.
//
// Arguments, as the callers hand them on:
//   folder   the link's folder: absolute (drive or UNC), or relative to `parent` ("..", "..\x");
//            empty or the same text as `parent` means the parent itself
//   title    the link's file name without ".lnk"; must be a valid file name
//   target   the program the link starts; its folder becomes the link's working directory
//   args     the program's arguments (may be empty)
//   priv     true: the current user's folders; false: the all-users folders (for "$(Programs)")
//   parent   an absolute folder, "$(Programs)" for the Start menu's programs folder, or a folder
//            relative to that programs folder
// A folder relative to the programs folder that begins with "..\..\Desktop", "..\Programs" or
// ".." begins at the desktop, the programs folder or the Start menu itself (the special folders
// of the user, or of all users when `priv` is false), as in the profiles those texts were
// written for.
// The link's folder is created (with missing levels) when absent. Returns 1 when the link was
// written, 0 otherwise (an empty parent or title, a title that is no file name, an empty target,
// a folder that cannot be created, the shell refusing to save). Nothing is written on failure.
#pragma once
#include <string>

#include "base/seam.h"

namespace kz {

struct ShellLinks {
  virtual ~ShellLinks() = default;
  virtual long Create(const std::wstring& folder, const std::wstring& title, const std::wstring& target,
                      const std::wstring& args, bool priv, const std::wstring& parent) = 0;
};
template <>
ShellLinks& SeamDefault<ShellLinks>();

// Whether the last component of a path names a DOS device (NUL, CON, AUX, PRN, COM1-COM9,
// LPT1-LPT9), with or without a colon, an extension or trailing spaces: the kernel opens the
// device for such a name in any folder, so no file of that name can be written or found.
bool IsDeviceName(const std::wstring& path);

// The full path of the .lnk file the arguments name, or empty when they name none (the rules
// above, without touching the disk). Shared by the Windows implementation and by tests.
std::wstring ShellLinkFile(const std::wstring& folder, const std::wstring& title, bool priv,
                           const std::wstring& parent);

}  // namespace kz

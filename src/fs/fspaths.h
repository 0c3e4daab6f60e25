// Path and file facts shared by the file-system classes, reached through the kernel: the name
// functions of the scripting file-system object, full paths, long-path forms, file times as
// Dates, and the shell's type name of a file.
#pragma once
#include <string>

#include "base/win.h"

namespace kz {
namespace fsx {

// Leading and trailing spaces (code 32) removed; tabs and other white space stay.
std::wstring TrimSpaces(const std::wstring& s);
// Everything before the first NUL.
std::wstring BeforeNul(const std::wstring& s);

bool IsSeparator(wchar_t c);
// The name functions of the file-system object: last component (trailing separators ignored),
// the path without it, and the text after the last "." of the last component.
std::wstring FileName(const std::wstring& path);
std::wstring ParentFolderName(const std::wstring& path);
std::wstring ExtensionName(const std::wstring& path);
bool HasWildcard(const std::wstring& s);

// The absolute form of a path (relative to the current folder), as the file-system object
// reports an item's Path: no trailing separator except for a root.
std::wstring FullPath(const std::wstring& path);
// The form handed to the kernel: long absolute paths get the "\\?\" prefix so that trees
// deeper than MAX_PATH can be walked.
std::wstring KernelPath(const std::wstring& path);
// `folder` and `name` joined by one backslash.
std::wstring Join(const std::wstring& folder, const std::wstring& name);

// Attributes of a path; INVALID_FILE_ATTRIBUTES when it does not exist.
DWORD Attributes(const std::wstring& path);
bool FolderExists(const std::wstring& path);
bool FileExists(const std::wstring& path);
// Whether a path names something on a disk, not a device ("COM1.txt", "CON", "\\.\PIPE\x"): a
// device opened as a file can block a read for ever. Opened without read access, which never
// waits.
bool OnDisk(const std::wstring& path);

// Facts of one file, as a directory listing or an attribute query gives them.
struct FileFacts {
  std::wstring path;  // full path
  DWORD attributes = 0;
  FILETIME created{}, accessed{}, written{};
  unsigned long long size = 0;
};
// Facts of an existing file (not a folder); false with the Win32 error in *error otherwise.
bool QueryFile(const std::wstring& path, FileFacts* facts, DWORD* error);

// A file time (UTC) as a local Date; 0 for a zero time.
DATE LocalDate(const FILETIME& ft);
// A Date in its text form (the user's short date and long time, as CStr gives it).
std::wstring DateText(DATE d);
// A Double in its text form (as CStr gives it).
std::wstring NumberText(double d);
// The type the shell shows for a file ("Text Document"); "<EXT> File" when it knows none.
std::wstring TypeName(const std::wstring& path);
// The attribute bits the file-system object reports (read-only to compressed, no others).
DWORD ScriptingAttributes(DWORD attributes);

}  // namespace fsx
}  // namespace kz

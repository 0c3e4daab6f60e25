// The drive object that clsKelzudFileSystemA hands out as DIObject: the members of the scripting
// file-system object's Drive (Path as the default member, DriveLetter, ShareName, RootFolder,
// SerialNumber, VolumeName, TotalSize, AvailableSpace, FreeSpace, DriveType, FileSystem,
// IsReady), read live from the kernel so that they answer alike on every platform.
#pragma once
#include <string>

#include "base/win.h"

namespace kz {

// Facts of one drive ("C:") as the drive object reports them.
struct DriveFacts {
  std::wstring letter, share, path, root, volume, file_system;
  unsigned long serial = 0;
  double total = 0, available = 0, free = 0;
  long type = 0;  // 0 unknown, 1 removable, 2 fixed, 3 network, 4 CD-ROM, 5 RAM disk
  bool ready = false;
};

// Whether a drive ("C:") is among the platform's logical drives.
bool DriveExists(const std::wstring& drive);
// Facts of a drive; the volume facts only when it is ready. Each question is asked of the
// platform once; *present (when given) tells whether the drive exists at all, and a drive that
// does not is asked nothing more.
DriveFacts QueryDrive(const std::wstring& drive, bool* present = nullptr);
// The serial number as text: eight upper-case hexadecimal digits, "-" after the fourth.
std::wstring SerialText(unsigned long serial);

// A new drive object for an existing drive ("C:"), holding one reference.
IDispatch* NewDriveObject(const std::wstring& drive);

}  // namespace kz

// What the two removable-media classes share: volume serial numbers and labels read the way the
// ANSI volume call gives them, and the list of CD-ROM drives in the platform's drive order.
#pragma once
#include <string>

namespace kz {
namespace cdrom {

// The serial number of the volume at `root` ("D:\") as a signed 32-bit value; 0 when the volume
// cannot be read (no such drive, no medium, an empty root).
long VolumeSerial(const std::wstring& root);

// The volume-name buffer of 255 characters as the platform fills it: the label, then NULs. A
// volume that cannot be read leaves the buffer as it was made, all NULs.
std::wstring VolumeLabelBuffer(const std::wstring& root);

// Adds 1 to `count` and appends the letter and `separator` to `letters` for every CD-ROM drive,
// in the platform's drive order; neither is reset first. A count that would pass 32767 raises
// error 6 when `raise` is set; otherwise that one increase is skipped and the letter is still
// appended, as a caller that goes on after each failing statement would see it.
void AppendCdromDrives(short& count, std::wstring& letters, wchar_t separator, bool raise);

// The root ("D:\") of the first drive named in `letters` (a list of letters and separators);
// empty when the list names none.
std::wstring FirstRoot(const std::wstring& letters, wchar_t separator);

}  // namespace cdrom
}  // namespace kz

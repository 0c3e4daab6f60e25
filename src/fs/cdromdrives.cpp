#include "fs/cdromdrives.h"

#include "base/error.h"
#include "base/text.h"
#include "base/win.h"
#include "platform/volumes.h"

namespace kz {
namespace cdrom {
namespace {

constexpr size_t kLabelBuffer = 255;

// The text as the ANSI volume functions receive it: characters outside the code page become
// the code page's replacement, and the text ends at its first NUL.
std::wstring AsAnsiArgument(const std::wstring& s) {
  std::wstring t = FromAnsi(ToAnsi(s));
  size_t nul = t.find(L'\0');
  if (nul != std::wstring::npos) t.resize(nul);
  return t;
}

}  // namespace

long VolumeSerial(const std::wstring& root) {
  const std::wstring r = AsAnsiArgument(root);
  // An empty root would name the current folder's volume; the caller named none.
  if (r.empty()) return 0;
  unsigned long serial = 0;
  if (!Seam<Volumes>().VolumeInformation(r, nullptr, &serial, nullptr)) return 0;
  return static_cast<long>(static_cast<unsigned long>(serial & 0xFFFFFFFFul));
}

std::wstring VolumeLabelBuffer(const std::wstring& root) {
  std::wstring buffer(kLabelBuffer, L'\0');
  const std::wstring r = AsAnsiArgument(root);
  if (r.empty()) return buffer;
  std::wstring label;
  unsigned long serial = 0;
  if (!Seam<Volumes>().VolumeInformation(r, &label, &serial, nullptr)) return buffer;
  // The label as it comes back through the ANSI buffer: the last place keeps its NUL.
  label = FromAnsi(ToAnsi(label));
  if (label.size() > kLabelBuffer - 1) label.resize(kLabelBuffer - 1);
  buffer.replace(0, label.size(), label);
  return buffer;
}

void AppendCdromDrives(short& count, std::wstring& letters, wchar_t separator, bool raise) {
  Volumes& v = Seam<Volumes>();
  const std::wstring list = v.LogicalDriveStrings();
  // Roots of four characters each: "X:\" and a NUL.
  for (size_t i = 0; i < list.size(); i += 4) {
    if (v.DriveType(list.substr(i, 3)) != DRIVE_CDROM) continue;
    if (count == 32767) {
      if (raise) Raise(kErrOverflow);
    } else {
      ++count;
    }
    letters += list[i];
    letters += separator;
  }
}

std::wstring FirstRoot(const std::wstring& letters, wchar_t separator) {
  const std::wstring first = letters.substr(0, letters.find(separator));
  if (first.empty()) return std::wstring();
  return UpperCase(first.substr(0, 1)) + L":\\";
}

}  // namespace cdrom
}  // namespace kz

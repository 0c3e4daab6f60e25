// The drive-selection form: asks the user in which drive the product family keeps its data and
// settings, and leaves the answer behind as this thread's chosen drive.
//
// The form is a real modal window of its own ("Select Drive"). When nothing may wait for a
// person (KELZUD10_UNATTENDED), it is logged instead and takes the cancel path.
#pragma once
#include <string>

#include "base/win.h"

namespace kz {
namespace cusdrv {

// Window class of the form, and the control identifiers of its child windows (the two buttons
// are the dialog manager's OK and Cancel, so Enter and Esc reach them).
constexpr wchar_t kFormClass[] = L"KelzudCusDrvForm";
enum ControlId : int {
  kOk = IDOK,                 // cmdButtons(0)
  kCancel = IDCANCEL,         // cmdButtons(1)
  kHeading = 1001,            // lblHeading
  kCurrentDriveLabel = 1002,  // lblCurrentDrive
  kCurrentDrive = 1003,       // txtCurrentDrive
  kSelectDriveLabel = 1004,   // lblSelectDrive
  kDriveList = 1005,          // Drive1
  kStatus = 1006,             // lblStatus
};

// The drive chosen on the form on this thread ("D:", upper case); empty until the form first
// sets it.
std::wstring ChosenDrive();
// Forgets this thread's chosen drive (a thread that ends releases it this way).
void ReleaseChosenDrive();

// Shows the form modally on this thread and returns when it is closed.
void ShowForm();

// The name the form gives a drive type (0 unknown ... 5 RAM disk); empty for any other number.
std::wstring DriveTypeString(long type);
// The description the form shows for a drive ("D:"): type, volume name, share name, free and
// total size. Raises error 71 for a drive that is not ready and 68 for one that does not exist.
std::wstring DriveQuery(const std::wstring& drive);

// How OK judges a drive ("D:"): true when it may hold the data; otherwise it shows the
// refusal (information box "Invalid Drive" for an unknown or CD-ROM drive, "No Free Space" for
// a drive with less than 1 GB free in whole gigabytes) and answers false.
bool ValidateDrive(const std::wstring& drive);

}  // namespace cusdrv
}  // namespace kz

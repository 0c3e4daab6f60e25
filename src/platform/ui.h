// The one way the library shows a message box.
//
// When the environment variable KELZUD10_UNATTENDED names a file, the box is not shown: one
// record (style, title, text) is appended to that file and the box's default button is the
// answer. Setup programs use this for silent runs; the tests assert on the records.
#pragma once
#include <string>

#include "base/seam.h"

namespace kz {

// The platform area behind message boxes: the Windows implementation shows a real box; a test
// puts one in its place that answers as a person would.
struct MessageBoxes {
  virtual ~MessageBoxes() = default;
  // Shows a box and returns the button pressed (IDOK, IDYES, IDNO, ...).
  virtual int Show(const std::wstring& text, long style, const std::wstring& title) = 0;
};
template <>
MessageBoxes& SeamDefault<MessageBoxes>();

// Shows a message box (style as the platform's MessageBox flags) and returns the button
// pressed (IDOK, IDYES, IDNO, ...).
int ShowMessage(const std::wstring& text, long style, const std::wstring& title);

// The answer a box of this style gives when nobody is there to press a button.
int DefaultAnswer(long style);

// True when nothing may wait for a person: KELZUD10_UNATTENDED names a log file. Forms,
// pickers and dialogs then log themselves (LogUnattendedWindow) and take the path of a person
// who cancels.
bool IsUnattended();
// Appends one record for a window that was not shown: kind TAB title TAB text, escaped as the
// message-box records are.
void LogUnattendedWindow(const std::wstring& kind, const std::wstring& title, const std::wstring& text);

// A record of the unattended log, escaped so that it stays on one line:
// style TAB title TAB text, each field escaped as EscapeField (platform/textlog.h) does.
std::wstring UnattendedRecord(long style, const std::wstring& title, const std::wstring& text);

}  // namespace kz

// The one way the library shows a message box.
//
// When the environment variable KELZUD10_UNATTENDED names a file, the box is not shown: one
// record (style, title, text) is appended to that file and the box's default button is the
// answer. Setup programs use this for silent runs; the tests assert on the records.
#pragma once
#include <string>

namespace kz {

// Shows a message box (style as the platform's MessageBox flags) and returns the button
// pressed (IDOK, IDYES, IDNO, ...).
int ShowMessage(const std::wstring& text, long style, const std::wstring& title);

// The answer a box of this style gives when nobody is there to press a button.
int DefaultAnswer(long style);

// A record of the unattended log, escaped so that it stays on one line:
// style TAB title TAB text, each field escaped as EscapeField (platform/textlog.h) does.
std::wstring UnattendedRecord(long style, const std::wstring& title, const std::wstring& text);

}  // namespace kz

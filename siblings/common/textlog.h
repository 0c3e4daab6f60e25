// One-line text records appended to a file named by an environment variable: the static
// message window writes to the unattended log, the debugger to its debug log.
#pragma once
#include <string>

namespace kzs {

// The value of a process environment variable ("" when it is not set).
std::wstring ProcessVariable(const wchar_t* name);

// A field escaped so that a record stays on one line: backslash, tab, CR, LF and NUL become
// \\ \t \r \n \0.
std::wstring EscapeField(const std::wstring& s);

// Appends `line` and CR LF to `file` as UTF-8; failures are ignored (a record is never worth
// failing the caller for).
void AppendLine(const std::wstring& file, const std::wstring& line);

}  // namespace kzs

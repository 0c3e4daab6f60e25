// One-line text records appended to a file named by an environment variable: the UI seam and
// the static message window write to the unattended log, the debugger to its debug log.
#pragma once
#include <string>

namespace kz {

// The value of a process environment variable ("" when it is not set).
std::wstring ProcessVariable(const wchar_t* name);

// A field escaped so that a record stays on one line: backslash, tab, CR, LF and NUL become
// \\ \t \r \n \0.
std::wstring EscapeField(const std::wstring& s);

// Appends `line` and CR LF to `file` as UTF-8; failures are ignored (a record is never worth
// failing the caller for).
void AppendLine(const std::wstring& file, const std::wstring& line);

}  // namespace kz

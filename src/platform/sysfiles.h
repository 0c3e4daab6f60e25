// File steps of the system helpers: environment look-ups, forced deletes and overwriting
// copies, each failing the way a script's file statements fail.
#pragma once
#include <string>

namespace kz {

// The value of an environment variable of this process; "" when it is not set.
std::wstring EnvironmentValue(const std::wstring& name);
// Deletes a file, read-only or not. Raises the automation error of the failure (53 for a
// file that is not there, 76 for a missing folder, 75 or 70 when it is refused).
void DeleteFileForced(const std::wstring& path);
// Copies a file over any existing one that is not read-only. Raises the automation error of
// the failure (53 for a missing source, 75 for a read-only target).
void CopyFileOverwriting(const std::wstring& from, const std::wstring& to);

}  // namespace kz

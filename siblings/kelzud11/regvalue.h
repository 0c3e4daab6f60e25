// Registry string values, read and written with the wide functions, for the two components of
// this server.
#pragma once
#include <windows.h>

#include <string>

#include "base/owner.h"

namespace kzs {

// Open registry keys are owned by the library's owner type.
using RegKey = kz::RegKey;

// Reads a value as text: REG_SZ and REG_EXPAND_SZ as stored (references not expanded),
// REG_DWORD and REG_QWORD as decimal numbers. False when the value is absent or of another
// type.
bool ReadText(HKEY key, const std::wstring& name, std::wstring& text, DWORD* type = nullptr);

// Writes a string value of the given type; returns the platform's error code.
LONG WriteText(HKEY key, const std::wstring& name, const std::wstring& text, DWORD type);

// True for a name the registry can hold (no NUL; at most 16383 characters).
bool IsRegistryName(const std::wstring& name);

}  // namespace kzs

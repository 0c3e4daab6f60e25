// The platform's profile (INI file) functions, called with ANSI text.
#pragma once
#include <string>

namespace kz {

// GetPrivateProfileStringA; a null section or key asks for the list of names. Returns the
// count of characters copied, `buffer` receiving them.
unsigned long ProfileRead(const char* section, const char* key, const char* def, char* buffer,
                          unsigned long size, const char* file);

// WritePrivateProfileStringA; a null key deletes the section, a null value deletes the key.
// Returns the platform's result (non-zero on success).
long ProfileWrite(const char* section, const char* key, const char* value, const char* file);

}  // namespace kz

// Text and bytes for the ciphers: one ANSI byte per character, as the single-byte code page
// of the platform maps them, and hexadecimal text of bytes.
#pragma once
#include <string>

#include "base/win.h"

namespace kz {

// One byte per UTF-16 unit through the ANSI code page (characters it lacks become its
// default character).
std::string AnsiBytes(const std::wstring& text);
// Characters of ANSI bytes (the reverse mapping).
std::wstring AnsiChars(const char* bytes, size_t n);
inline std::wstring AnsiChars(const std::string& b) { return AnsiChars(b.data(), b.size()); }

// Two upper-case hexadecimal digits per byte.
std::wstring HexUpper(const char* bytes, size_t n);

// The same conversions in one pass, straight into the buffer that is used next: the n bytes
// of n UTF-16 units into `out` (room for n bytes), and new BSTRs of characters or hex digits
// (error 7 when memory runs out).
void AnsiBytesInto(const wchar_t* text, size_t n, char* out);
BSTR AnsiCharsBstr(const char* bytes, size_t n);
BSTR HexUpperBstr(const char* bytes, size_t n);

}  // namespace kz

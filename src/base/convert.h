// Conversions that several classes share.
#pragma once
#include <string>

namespace kz {

// The number a text begins with, read the way the classic Val function reads it: blanks
// (space, tab, line feed) are skipped anywhere, then an optional sign, digits, a decimal
// point and an exponent (E or D), or &H / &O for hexadecimal and octal; reading stops at the
// first character that does not fit. No digits give 0.
double LeadingNumber(const std::wstring& text);

// Rounds to the nearest 32-bit integer with halves to the even one; error 6 when outside.
long RoundToLong(double v);

}  // namespace kz

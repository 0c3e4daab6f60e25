// Text to and from the ANSI code page: the one place where the library crosses between
// automation strings (UTF-16) and the platform's ANSI functions.
#pragma once
#include <string>
#include "base/win.h"

namespace kz {

std::string ToAnsi(const std::wstring& s);
std::wstring FromAnsi(const char* s, size_t n);
inline std::wstring FromAnsi(const std::string& s) { return FromAnsi(s.data(), s.size()); }

// Text of a BSTR, NULs included; a null BSTR is the empty string.
inline std::wstring FromBstr(BSTR b) { return b ? std::wstring(b, SysStringLen(b)) : std::wstring(); }
// Text of a by-reference string argument; a missing (null) reference is the empty string.
inline std::wstring FromBstr(const BSTR* b) { return b ? FromBstr(*b) : std::wstring(); }
// A new BSTR holding s (NULs included); throws error 7 when memory runs out.
BSTR ToBstr(const std::wstring& s);
// Gives a caller's by-reference string the text s. The new string is made before the old one
// is freed, so running out of memory leaves the caller's variable as it was. A null reference
// is left alone.
inline void StoreBstr(BSTR* target, const std::wstring& s) {
  if (!target) return;
  BSTR b = ToBstr(s);
  SysFreeString(*target);
  *target = b;
}

// Comparison without regard to case, as the platform compares names.
bool EqualNoCase(const std::wstring& a, const std::wstring& b);
std::wstring UpperCase(std::wstring s);
std::wstring LowerCase(std::wstring s);

inline bool HasNul(const std::wstring& s) { return s.find(L'\0') != std::wstring::npos; }
// The longest path the kernel takes, even with the "\\?\" prefix.
constexpr size_t kMaxKernelPath = 32767;
// A path, name or pattern that may be handed to the file system, the shell or a profile file:
// the kernel would act on the text before a NUL, and cuts or refuses longer paths, so either
// could make a call act on another file than the one the caller named.
inline bool IsUsablePath(const std::wstring& s) { return !HasNul(s) && s.size() <= kMaxKernelPath; }

}  // namespace kz

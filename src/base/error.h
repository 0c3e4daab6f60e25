// The library's error type: number, source and description, as a script sees them in Err.
#pragma once
#include <string>
#include "base/win.h"

namespace kz {

// Standard run-time error numbers used across the library.
enum StdErr : long {
  kErrInvalidCall = 5,
  kErrOverflow = 6,
  kErrOutOfMemory = 7,
  kErrSubscript = 9,
  kErrTypeMismatch = 13,
  kErrFileNotFound = 53,
  kErrPathNotFound = 76,
  kErrObjectNotSet = 91,
  kErrObjectRequired = 424,
  kErrCantCreate = 429,
  kErrNoMember = 438,
  kErrKeyExists = 457,
};

// The platform's standard description for an error number ("" when there is none).
const wchar_t* StdDescription(long number);

class Error {
 public:
  // An error with the standard description of its number; the source is filled in by the
  // boundary of the class whose member raised it.
  explicit Error(long number);
  Error(long number, std::wstring source, std::wstring description);

  long number() const { return number_; }
  const std::wstring& source() const { return source_; }
  const std::wstring& description() const { return description_; }
  void set_source_if_empty(const std::wstring& s) {
    if (source_.empty()) source_ = s;
  }

  // HRESULT form: 0x800A0000 | number for the library's own numbers.
  HRESULT hresult() const;
  // Publishes the error through IErrorInfo and returns its HRESULT.
  HRESULT Report(REFIID iid) const;

  // Turns a failing HRESULT of a call into an Error, using the IErrorInfo the callee left.
  static Error FromHresult(HRESULT hr);

 private:
  long number_;
  std::wstring source_;
  std::wstring description_;
};

[[noreturn]] inline void Raise(long number) { throw Error(number); }
inline void ThrowIfFailed(HRESULT hr) {
  if (FAILED(hr)) throw Error::FromHresult(hr);
}

// The automation error a Win32 error code stands for, the one a script would get from the
// same failure of a built-in file statement: 53 file not found, 76 path not found, 75 access,
// 70 permission (sharing, locks, write protection), 58 already exists, 61 disk full,
// 52 bad name, 71 not ready, 68 no such device, 57 device I/O, 7 memory; 5 for the rest.
long AutomationErrorOfWin32(DWORD code);
// The Error for a Win32 failure (standard description of its number).
Error ErrorOfWin32(DWORD code);

// Error number of an HRESULT: the low word for the automation facility, the HRESULT otherwise.
long ErrorNumberOf(HRESULT hr);

}  // namespace kz

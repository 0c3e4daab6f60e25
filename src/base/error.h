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

// Error number of an HRESULT: the low word for the automation facility, the HRESULT otherwise.
long ErrorNumberOf(HRESULT hr);

}  // namespace kz

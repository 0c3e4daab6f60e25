// Kernel handles (registry keys, files, windows, device contexts) travel through the public
// interface as 32-bit Longs. On 64-bit Windows they still carry only 32 significant bits and
// are sign-extended (HKEY_CLASSES_ROOT is 0xFFFFFFFF80000000 there), so the round trip through
// a Long is exact. Pointer-sized values that are not kernel handles (CryptoAPI handles, heap
// addresses, window procedures) must never come through here: they get numbers of their own.
#pragma once
#include <windows.h>

#include <type_traits>

namespace kz {

template <class H>
inline H HandleFromLong(long value) {
  static_assert(sizeof(H) == sizeof(void*), "a handle type");
  return reinterpret_cast<H>(static_cast<LONG_PTR>(value));
}

// False (and *out untouched) for a value that does not survive the trip through 32 bits: that
// is not a kernel handle.
template <class H>
inline bool LongFromHandle(H handle, long* out) {
  static_assert(sizeof(H) == sizeof(void*), "a handle type");
  LONG_PTR full = reinterpret_cast<LONG_PTR>(handle);
  long narrow = static_cast<long>(full);
  if (static_cast<LONG_PTR>(narrow) != full) return false;
  *out = narrow;
  return true;
}

}  // namespace kz

// Owners for operating-system handles: one template, one line per handle kind, so that no path
// (error, exception, early return) leaks a handle. Also owners for BSTR and a scope-exit helper.
#pragma once
#include "base/win.h"

#include <wincrypt.h>

#include <utility>

namespace kz {

// Traits: Handle, Empty(), Close(h). A handle equal to Empty() is not closed.
template <class Traits>
class Owner {
 public:
  using Handle = typename Traits::Handle;
  Owner() = default;
  explicit Owner(Handle h) : h_(h) {}
  Owner(const Owner&) = delete;
  Owner& operator=(const Owner&) = delete;
  Owner(Owner&& o) noexcept : h_(o.release()) {}
  Owner& operator=(Owner&& o) noexcept {
    if (this != &o) reset(o.release());
    return *this;
  }
  ~Owner() { reset(); }

  Handle get() const { return h_; }
  explicit operator bool() const { return !Traits::IsEmpty(h_); }
  // For functions that hand out a new handle through a pointer: the old one is closed first.
  Handle* out() {
    reset();
    return &h_;
  }
  Handle release() {
    Handle h = h_;
    h_ = Traits::Empty();
    return h;
  }
  void reset(Handle h = Traits::Empty()) {
    if (!Traits::IsEmpty(h_)) Traits::Close(h_);
    h_ = h;
  }

 private:
  Handle h_ = Traits::Empty();
};

#define KZ_HANDLE_TRAITS(NAME, TYPE, EMPTY, CLOSE)                    \
  struct NAME##Traits {                                               \
    using Handle = TYPE;                                              \
    static Handle Empty() { return EMPTY; }                           \
    static bool IsEmpty(Handle h) { return h == EMPTY; }              \
    static void Close(Handle h) { CLOSE; }                            \
  };                                                                  \
  using NAME = Owner<NAME##Traits>

KZ_HANDLE_TRAITS(RegKey, HKEY, nullptr, RegCloseKey(h));
KZ_HANDLE_TRAITS(FindHandle, HANDLE, INVALID_HANDLE_VALUE, FindClose(h));
KZ_HANDLE_TRAITS(KernelHandle, HANDLE, nullptr, CloseHandle(h));  // processes, threads, events, mutexes
KZ_HANDLE_TRAITS(CryptProv, HCRYPTPROV, 0, CryptReleaseContext(h, 0));
KZ_HANDLE_TRAITS(CryptKey, HCRYPTKEY, 0, CryptDestroyKey(h));
KZ_HANDLE_TRAITS(CryptHash, HCRYPTHASH, 0, CryptDestroyHash(h));
KZ_HANDLE_TRAITS(MemoryDC, HDC, nullptr, DeleteDC(h));  // a DC the library created
KZ_HANDLE_TRAITS(GdiObject, HGDIOBJ, nullptr, DeleteObject(h));
KZ_HANDLE_TRAITS(GlobalMemory, HGLOBAL, nullptr, GlobalFree(h));
KZ_HANDLE_TRAITS(Module, HMODULE, nullptr, FreeLibrary(h));
KZ_HANDLE_TRAITS(EventLogSource, HANDLE, nullptr, DeregisterEventSource(h));  // not EventSource: com/events.h
KZ_HANDLE_TRAITS(Bstr, BSTR, nullptr, SysFreeString(h));
#undef KZ_HANDLE_TRAITS

// Files: CreateFile answers INVALID_HANDLE_VALUE, other calls null; neither is closed.
struct FileTraits {
  using Handle = HANDLE;
  static Handle Empty() { return INVALID_HANDLE_VALUE; }
  static bool IsEmpty(Handle h) { return h == INVALID_HANDLE_VALUE || h == nullptr; }
  static void Close(Handle h) { CloseHandle(h); }
};
using File = Owner<FileTraits>;

// A window's DC: released to its window.
class WindowDC {
 public:
  explicit WindowDC(HWND w) : w_(w), dc_(GetDC(w)) {}
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  ~WindowDC() {
    if (dc_) ReleaseDC(w_, dc_);
  }
  HDC get() const { return dc_; }

 private:
  HWND w_;
  HDC dc_;
};

// Runs a function when the scope ends, whatever the path; Dismiss() cancels it.
template <class F>
class ScopeExit {
 public:
  explicit ScopeExit(F f) : f_(std::move(f)) {}
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;
  ~ScopeExit() {
    if (armed_) f_();
  }
  void Dismiss() { armed_ = false; }

 private:
  F f_;
  bool armed_ = true;
};
template <class F>
ScopeExit<F> OnScopeExit(F f) {
  return ScopeExit<F>(std::move(f));
}

}  // namespace kz

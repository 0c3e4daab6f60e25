// What every sibling server shares: the class table its entry points serve, and a base for its
// classes that names the component's programmatic identifier as the source of its errors.
//
// The classes reuse the library's COM kit (reference counting, IDispatch from the type library
// embedded in the server's own file, the error boundary).
#pragma once
#include <new>

#include "frame/catalogue.h"
#include "frame/kz.h"
#include "com/comobject.h"
#include "base/error.h"

namespace kzs {

struct SiblingClass {
  const wchar_t* progid;  // as registered, e.g. "KELZUD11.clsKelzud11RunTimeA"
  const CLSID* clsid;
  kz::Creator create;
};

// Adds a class to this server's table (once, from the class's source file).
bool AddClass(const wchar_t* progid, const CLSID* clsid, kz::Creator create);

template <class Impl, class Itf>
class SiblingObject : public kz::ComObject<Impl, Itf> {
 protected:
  // Runs a member's body through the error boundary; errors without a source get the
  // component's programmatic identifier.
  template <class F>
  HRESULT Run(F&& body) noexcept {
    return this->Guard([&] {
      try {
        body();
      } catch (kz::Error& e) {
        e.set_source_if_empty(Impl::ProgId());
        throw;
      } catch (const std::bad_alloc&) {
        throw kz::Error(kz::kErrOutOfMemory, Impl::ProgId(), kz::StdDescription(kz::kErrOutOfMemory));
      }
    });
  }
};

// Raises error 5 with a description of the component's own.
[[noreturn]] inline void InvalidArgument(const wchar_t* description) {
  throw kz::Error(kz::kErrInvalidCall, L"", description);
}

}  // namespace kzs

#define KZS_REGISTER_CLASS(IMPL)                                                                 \
  static const bool kzs_registered_##IMPL = ::kzs::AddClass(IMPL::ProgId(), &IMPL::Clsid(),      \
                                                            [](REFIID iid, void** out) {         \
                                                              return ::kz::NewObject<IMPL>(iid, out); \
                                                            })

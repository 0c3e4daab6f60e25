// A minimal owning pointer for COM interfaces.
#pragma once
#include <utility>
#include "base/win.h"

namespace kz {

template <class T>
class Ptr {
 public:
  Ptr() = default;
  Ptr(T* p, bool add_ref) : p_(p) { if (p_ && add_ref) p_->AddRef(); }
  Ptr(const Ptr& o) : p_(o.p_) { if (p_) p_->AddRef(); }
  Ptr(Ptr&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
  Ptr& operator=(Ptr o) { std::swap(p_, o.p_); return *this; }
  ~Ptr() { if (p_) p_->Release(); }

  static Ptr Adopt(T* p) { return Ptr(p, false); }
  static Ptr Share(T* p) { return Ptr(p, true); }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  T** out() { reset(); return &p_; }
  void reset() { if (p_) { T* p = p_; p_ = nullptr; p->Release(); } }
  T* detach() { T* p = p_; p_ = nullptr; return p; }
  template <class U>
  Ptr<U> As(REFIID iid) const {
    Ptr<U> r;
    if (p_) p_->QueryInterface(iid, reinterpret_cast<void**>(r.out()));
    return r;
  }

 private:
  T* p_ = nullptr;
};

}  // namespace kz

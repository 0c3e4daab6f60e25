// The one pattern for reaching the operating system where tests need another answer: each
// platform area is an interface; the Windows implementation serves by default; a test puts a
// replacement in place for a scope. Areas declare their interface and default in platform/.
//
//   struct Clock { virtual ~Clock() = default; virtual DWORD Now() = 0; };
//   template <> Clock& SeamDefault<Clock>();          // platform/clock.cpp: the Windows clock
//   Seam<Clock>().Now();                              // library code
//   FakeClock fake; ScopedSeam<Clock> use(fake);      // a test
#pragma once
#include <atomic>

namespace kz {

// The Windows implementation of an area; defined once per area, beside its interface.
template <class Area>
Area& SeamDefault();

template <class Area>
std::atomic<Area*>& SeamSlot() {
  static std::atomic<Area*> slot{nullptr};
  return slot;
}

// The implementation in force: a test's replacement, else the Windows one.
template <class Area>
Area& Seam() {
  Area* r = SeamSlot<Area>().load(std::memory_order_acquire);
  return r ? *r : SeamDefault<Area>();
}

// Puts a replacement in force for the life of this object (process-wide), then restores the
// one before it.
template <class Area>
class ScopedSeam {
 public:
  explicit ScopedSeam(Area& replacement) : previous_(SeamSlot<Area>().exchange(&replacement)) {}
  ScopedSeam(const ScopedSeam&) = delete;
  ScopedSeam& operator=(const ScopedSeam&) = delete;
  ~ScopedSeam() { SeamSlot<Area>().store(previous_); }

 private:
  Area* previous_;
};

}  // namespace kz

#include "services/clsKelzudStopwatchA.h"

#include "frame/catalogue.h"

namespace kz {

Stopwatch::Stopwatch() : timer_(Seam<MultimediaTimer>()) {
  unsigned long lo = 0, hi = 0;
  if (timer_.DevCaps(lo, hi)) {
    min_ = static_cast<long>(lo);
    max_ = static_cast<long>(hi);
  }
  // Only a request the platform took is given back at the end.
  period_held_ = timer_.BeginPeriod(1);
  Restart();
}

Stopwatch::~Stopwatch() {
  if (period_held_) timer_.EndPeriod(1);
}

void Stopwatch::Restart() {
  // Wait for the tick to change, so that the interval starts on a tick edge.
  unsigned long first = timer_.Now();
  unsigned long now = first;
  while (now == first) now = timer_.Now();
  start_ = now;
}

long Stopwatch::TickDifference(unsigned long now, unsigned long start) {
  // Modulo 2^32 the difference is right across both the counter's wrap and its passage from
  // 2147483647 to -2147483648 as a signed number, for intervals up to 2^31 - 1 ms (24.8 days).
  unsigned long d = (now - start) & 0xFFFFFFFFul;
  return d > 0x7FFFFFFFul ? -static_cast<long>(0xFFFFFFFFul - d) - 1 : static_cast<long>(d);
}

long Stopwatch::ElapsedMs() const { return TickDifference(timer_.Now(), start_); }

STDMETHODIMP Stopwatch::get_Elapsed(long* ret) {
  return Guard([&] { *ret = ElapsedMs(); });
}
STDMETHODIMP Stopwatch::get_MinimumResolution(long* ret) {
  return Guard([&] { *ret = min_; });
}
STDMETHODIMP Stopwatch::get_MaximumResolution(long* ret) {
  return Guard([&] { *ret = max_; });
}
STDMETHODIMP Stopwatch::Reset() {
  return Guard([&] { Restart(); });
}

KZ_REGISTER_CLASS(Stopwatch);

}  // namespace kz

// Elapsed wall-clock milliseconds from the multimedia timer. Each object asks for a 1 ms timer
// period for its whole life (so that the tick count moves in single milliseconds) and gives
// that request back when it ends.
#pragma once
#include "frame/kz.h"
#include "com/comobject.h"
#include "platform/timer.h"

namespace kz {

class Stopwatch : public ComObject<Stopwatch, _clsKelzudStopwatchA> {
  KZ_CLASS(clsKelzudStopwatchA)
 public:
  Stopwatch();
  ~Stopwatch() override;

  STDMETHODIMP get_Elapsed(long* ret) override;
  STDMETHODIMP get_MinimumResolution(long* ret) override;
  STDMETHODIMP get_MaximumResolution(long* ret) override;
  STDMETHODIMP Reset() override;

  // Starts again on the next tick edge.
  void Restart();
  // Milliseconds since the last reset; the tick counter's wrap-around is taken into account.
  long ElapsedMs() const;
  // The difference of two tick counts, modulo 2^32, as a signed 32-bit number.
  static long TickDifference(unsigned long now, unsigned long start);
  long min_resolution() const { return min_; }
  long max_resolution() const { return max_; }

 private:
  // The timer the period was asked of: the same one gets it back.
  MultimediaTimer& timer_;
  unsigned long start_ = 0;
  long min_ = 0, max_ = 0;
  bool period_held_ = false;
};

}  // namespace kz

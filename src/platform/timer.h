// The platform's multimedia timer: the millisecond tick count and the timer-period requests
// that sharpen it. Tests put a counting or a scripted timer in its place.
#pragma once
#include "base/seam.h"

namespace kz {

struct MultimediaTimer {
  virtual ~MultimediaTimer() = default;
  // timeGetDevCaps: the smallest and largest timer periods, in milliseconds; false on failure.
  virtual bool DevCaps(unsigned long& min_period, unsigned long& max_period) = 0;
  // timeBeginPeriod / timeEndPeriod: true when the platform accepted the request.
  virtual bool BeginPeriod(unsigned period) = 0;
  virtual bool EndPeriod(unsigned period) = 0;
  // timeGetTime: milliseconds since the system started, wrapping at 2^32.
  virtual unsigned long Now() = 0;
};
template <>
MultimediaTimer& SeamDefault<MultimediaTimer>();

}  // namespace kz

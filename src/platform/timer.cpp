#include "platform/timer.h"

#include "base/win.h"

namespace kz {
namespace {

// winmm is loaded on first use rather than linked: only the stopwatch needs it, and a library
// that never times anything does not pull it into every client.
class WinmmTimer : public MultimediaTimer {
 public:
  struct Caps {
    UINT min_period;
    UINT max_period;
  };
  using DevCapsFn = UINT(WINAPI*)(Caps*, UINT);
  using PeriodFn = UINT(WINAPI*)(UINT);
  using TimeFn = DWORD(WINAPI*)();

  WinmmTimer() {
    // Kept for the life of the process: period requests outlive any one caller.
    HMODULE m = LoadLibraryW(L"winmm.dll");
    if (!m) return;
    caps_ = reinterpret_cast<DevCapsFn>(reinterpret_cast<void*>(GetProcAddress(m, "timeGetDevCaps")));
    begin_ = reinterpret_cast<PeriodFn>(reinterpret_cast<void*>(GetProcAddress(m, "timeBeginPeriod")));
    end_ = reinterpret_cast<PeriodFn>(reinterpret_cast<void*>(GetProcAddress(m, "timeEndPeriod")));
    time_ = reinterpret_cast<TimeFn>(reinterpret_cast<void*>(GetProcAddress(m, "timeGetTime")));
  }

  bool DevCaps(unsigned long& min_period, unsigned long& max_period) override {
    Caps c{};
    if (!caps_ || caps_(&c, sizeof c) != 0) return false;  // TIMERR_NOERROR is 0
    min_period = c.min_period;
    max_period = c.max_period;
    return true;
  }
  bool BeginPeriod(unsigned period) override { return begin_ && begin_(period) == 0; }
  bool EndPeriod(unsigned period) override { return end_ && end_(period) == 0; }
  // Without winmm the system tick count is the same counter, only coarser.
  unsigned long Now() override { return time_ ? time_() : GetTickCount(); }

 private:
  DevCapsFn caps_ = nullptr;
  PeriodFn begin_ = nullptr, end_ = nullptr;
  TimeFn time_ = nullptr;
};

}  // namespace

template <>
MultimediaTimer& SeamDefault<MultimediaTimer>() {
  static WinmmTimer t;
  return t;
}

}  // namespace kz

// clsKelzudStopwatchA: the timer period requested and given back, tick arithmetic across the
// counter's wrap, and readings against the performance counter.
#include "services/clsKelzudStopwatchA.h"

#include "testkit.h"

using namespace kzt;
using kz::MultimediaTimer;
using kz::ScopedSeam;
using kz::Stopwatch;

namespace {

// The real timer, with every period request counted.
class CountingTimer : public MultimediaTimer {
 public:
  bool DevCaps(unsigned long& lo, unsigned long& hi) override { return real_.DevCaps(lo, hi); }
  bool BeginPeriod(unsigned p) override {
    ++begins;
    last_begin = p;
    return real_.BeginPeriod(p);
  }
  bool EndPeriod(unsigned p) override {
    ++ends;
    last_end = p;
    return real_.EndPeriod(p);
  }
  unsigned long Now() override { return real_.Now(); }
  int begins = 0, ends = 0;
  unsigned last_begin = 0, last_end = 0;

 private:
  MultimediaTimer& real_ = kz::SeamDefault<MultimediaTimer>();
};

// A tick count that moves by `step` on every reading.
class ScriptedTimer : public MultimediaTimer {
 public:
  bool DevCaps(unsigned long& lo, unsigned long& hi) override {
    if (!caps_ok) return false;
    lo = 1;
    hi = 1000000;
    return true;
  }
  bool BeginPeriod(unsigned) override {
    ++begins;
    return begin_ok;
  }
  bool EndPeriod(unsigned) override {
    ++ends;
    return true;
  }
  unsigned long Now() override {
    unsigned long t = tick;
    tick = (tick + step) & 0xFFFFFFFFul;
    ++reads;
    return t;
  }
  unsigned long tick = 0, step = 1;
  bool caps_ok = true, begin_ok = true;
  int begins = 0, ends = 0, reads = 0;
};

double QpcMs() {
  LARGE_INTEGER f, t;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

}  // namespace

TEST(Stopwatch, EachObjectHoldsOnePeriodForItsLife) {
  CountingTimer counting;
  ScopedSeam<MultimediaTimer> use(counting);
  Stopwatch* a = kz::MakeObject<Stopwatch>();
  Stopwatch* b = kz::MakeObject<Stopwatch>();
  EXPECT_EQ(counting.begins, 2);
  EXPECT_EQ(counting.last_begin, 1u);
  EXPECT_EQ(counting.ends, 0);
  a->Release();
  EXPECT_EQ(counting.ends, 1);
  EXPECT_EQ(counting.last_end, 1u);
  // Reading and resetting asks for nothing more.
  long ms = -1;
  b->Reset();
  b->get_Elapsed(&ms);
  EXPECT_EQ(counting.begins, 2);
  b->Release();
  EXPECT_EQ(counting.ends, 2);
}

TEST(Stopwatch, PeriodRefusedIsNotGivenBack) {
  ScriptedTimer t;
  t.begin_ok = false;
  t.caps_ok = false;
  {
    ScopedSeam<MultimediaTimer> use(t);
    Stopwatch* s = kz::MakeObject<Stopwatch>();
    EXPECT_EQ(s->min_resolution(), 0);
    EXPECT_EQ(s->max_resolution(), 0);
    s->Release();
  }
  EXPECT_EQ(t.begins, 1);
  EXPECT_EQ(t.ends, 0);
}

TEST(Stopwatch, ResetStartsOnTheNextTickEdge) {
  // A clock that moves from 500 to 501 after a few readings.
  struct Edge : ScriptedTimer {
    unsigned long Now() override {
      if (++reads > 5 && tick == 500) tick = 501;
      return tick;
    }
  } clock;
  clock.tick = 500;
  ScopedSeam<MultimediaTimer> use(clock);
  Stopwatch* s = kz::MakeObject<Stopwatch>();
  EXPECT_GT(clock.reads, 5);  // waited for the edge
  clock.tick = 530;
  EXPECT_EQ(s->ElapsedMs(), 29);  // counted from 501, the first tick after the edge
  s->Release();
}

TEST(Stopwatch, TickDifferenceAcrossTheWraps) {
  struct Case {
    unsigned long now, start;
    long elapsed;
  } cases[] = {
      {1000, 10, 990},
      {5, 0xFFFFFFFBul, 10},           // the full counter wraps (-5 to 5 as signed numbers)
      {0, 0xFFFFFFFFul, 1},
      {0x80000005ul, 0x7FFFFFFBul, 10},  // 2147483647 to -2147483648 as signed numbers
      {0x7FFFFFFFul, 0, 2147483647},
      {10, 20, -10},                     // a start in the future reads negative
  };
  for (const auto& c : cases) EXPECT_EQ(Stopwatch::TickDifference(c.now, c.start), c.elapsed) << c.now << " " << c.start;
}

TEST(Stopwatch, ElapsedThroughTheSignBoundary) {
  ScriptedTimer t;
  t.tick = 0x7FFFFFF0ul;
  ScopedSeam<MultimediaTimer> use(t);
  Stopwatch* s = kz::MakeObject<Stopwatch>();  // starts at 0x7FFFFFF1
  t.tick = 0x80000010ul;
  long ms = 0;
  ASSERT_HRESULT_SUCCEEDED(s->get_Elapsed(&ms));
  EXPECT_EQ(ms, 0x1F);
  s->Release();
}

TEST(Stopwatch, RealReadingsAgreeWithThePerformanceCounter) {
  Stopwatch* s = kz::MakeObject<Stopwatch>();
  EXPECT_GE(s->min_resolution(), 1);
  EXPECT_LE(s->min_resolution(), s->max_resolution());
  // The stopwatch's start lies between qs and q0 on the performance counter; each reading
  // between the counter's readings around it, give or take the tick's granularity.
  auto check = [&](double qs, double q0) {
    double qa = QpcMs();
    long ms = s->ElapsedMs();
    double qb = QpcMs();
    EXPECT_GE(ms, qa - q0 - 2.0);
    EXPECT_LE(ms, qb - qs + 2.0);
    return ms;
  };
  double qs = QpcMs();
  s->Restart();
  double q0 = QpcMs();
  long previous = check(qs, q0);
  for (int i = 0; i < 50; ++i) {
    long now = s->ElapsedMs();
    EXPECT_GE(now, previous);  // never decreases
    previous = now;
  }
  Sleep(250);
  EXPECT_GE(check(qs, q0), 249);
  s->Release();
}

TEST(Stopwatch, MembersThroughDispatch) {
  Stopwatch* s = kz::MakeObject<Stopwatch>();
  IDispatch* d = s->itf();
  long lo = kz::VarToLong(kz::GetProp(d, L"MinimumResolution").get());
  long hi = kz::VarToLong(kz::GetProp(d, L"MaximumResolution").get());
  EXPECT_LE(lo, hi);
  EXPECT_EQ(Call(d, L"Reset", {}, DISPATCH_METHOD).error, 0);
  Var e = kz::GetProp(d, L"Elapsed");
  EXPECT_EQ(e.vt(), VT_I4);
  EXPECT_GE(e.get()->lVal, 0);
  EXPECT_LT(e.get()->lVal, 1000);
  s->Release();
}

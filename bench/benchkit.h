// Timing helpers shared by the benchmark programs.
#pragma once
#include <windows.h>

#include <algorithm>
#include <vector>

namespace bench {

// Seconds on the performance counter.
inline double Now() {
  static LARGE_INTEGER freq = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / static_cast<double>(freq.QuadPart);
}

// The median of repeated timings: one slow round on a shared machine does not move it.
inline double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace bench

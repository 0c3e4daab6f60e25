// Timing helpers shared by the benchmark programs. Every benchmark measures its work and its
// baseline in the same run, round by round (each round pairs one measurement of each, so a
// slow moment of a shared machine falls on both), prints the architecture it measured and the
// ratio as min / median / max over its rounds, and exits non-zero when its results differ from
// the baseline's.
#pragma once
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
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

// A whole file's bytes; empty when it cannot be read.
inline std::string ReadFileText(const std::string& path) {
  std::string s;
  HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return s;
  char buf[65536];
  DWORD n = 0;
  while (ReadFile(f, buf, sizeof buf, &n, nullptr) && n) s.append(buf, n);
  CloseHandle(f);
  return s;
}

// A file written anew with `text`.
inline void WriteFileText(const std::string& path, const std::string& text) {
  HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD n = 0;
  WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &n, nullptr);
  CloseHandle(f);
}

// The median of repeated timings: one slow round on a shared machine does not move it.
inline double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

inline const char* Arch() { return sizeof(void*) == 8 ? "x64" : "x86"; }

// Prints the architecture once, first.
inline void Header(const char* what) { std::printf("architecture: %s\n%s\n", Arch(), what); }

// Paired rounds of one measurement and its baseline.
class Rounds {
 public:
  void Add(double work, double baseline) {
    work_.push_back(work);
    base_.push_back(baseline);
  }
  size_t size() const { return work_.size(); }
  double work() const { return Median(work_); }
  double baseline() const { return Median(base_); }
  std::vector<double> Ratios() const {
    std::vector<double> r;
    for (size_t i = 0; i < work_.size(); ++i) r.push_back(base_[i] > 0 ? work_[i] / base_[i] : 0);
    std::sort(r.begin(), r.end());
    return r;
  }
  // "<label>: work X ms, baseline Y ms (medians of N paired rounds); ratio min / median / max: a / b / c"
  void Print(const char* label, const char* work_name, const char* base_name) const {
    std::vector<double> r = Ratios();
    std::printf("%s: %s %.2f ms, %s %.2f ms (medians of %zu paired rounds)\n", label, work_name, work() * 1e3,
                base_name, baseline() * 1e3, size());
    std::printf("%s: ratio min / median / max: %.3g / %.3g / %.3g\n", label, r.front(), r[r.size() / 2], r.back());
  }
  double MedianRatio() const {
    std::vector<double> r = Ratios();
    return r[r.size() / 2];
  }

 private:
  std::vector<double> work_, base_;
};

// Results that must agree with the baseline's: a difference is printed and makes the exit
// status non-zero.
class Checks {
 public:
  void Expect(bool same, const std::string& what) {
    if (!same) {
      std::printf("results DIFFER: %s\n", what.c_str());
      failed_ = true;
    }
  }
  int ExitCode() const { return failed_ ? 1 : 0; }

 private:
  bool failed_ = false;
};

}  // namespace bench

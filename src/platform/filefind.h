// Folder enumeration by wildcard (FindFirstFile / FindNextFile / FindClose). Tests put a
// finder in its place that changes what the platform reports (times out of range, entries
// that vanish or appear while a search runs).
#pragma once
#include <string>

#include "base/seam.h"
#include "base/win.h"

namespace kz {

struct FileFinder {
  virtual ~FileFinder() = default;
  // The first entry for `pattern`, or INVALID_HANDLE_VALUE when there is none.
  virtual HANDLE First(const std::wstring& pattern, WIN32_FIND_DATAW& data) = 0;
  // The next entry; false when there is none.
  virtual bool Next(HANDLE h, WIN32_FIND_DATAW& data) = 0;
  virtual void Close(HANDLE h) = 0;
};
template <>
FileFinder& SeamDefault<FileFinder>();

// Owns one enumeration of the finder in force.
class FindScope {
 public:
  FindScope(const std::wstring& pattern, WIN32_FIND_DATAW& data)
      : finder_(Seam<FileFinder>()), h_(finder_.First(pattern, data)) {}
  ~FindScope() {
    if (h_ != INVALID_HANDLE_VALUE) finder_.Close(h_);
  }
  FindScope(const FindScope&) = delete;
  FindScope& operator=(const FindScope&) = delete;
  bool found() const { return h_ != INVALID_HANDLE_VALUE; }
  bool Next(WIN32_FIND_DATAW& data) { return finder_.Next(h_, data); }

 private:
  FileFinder& finder_;
  HANDLE h_;
};

}  // namespace kz

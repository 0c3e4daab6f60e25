#include "platform/filefind.h"

namespace kz {
namespace {

class WindowsFileFinder : public FileFinder {
 public:
  HANDLE First(const std::wstring& pattern, WIN32_FIND_DATAW& data) override {
    return FindFirstFileW(pattern.c_str(), &data);
  }
  bool Next(HANDLE h, WIN32_FIND_DATAW& data) override { return FindNextFileW(h, &data) != FALSE; }
  void Close(HANDLE h) override { FindClose(h); }
};

}  // namespace

template <>
FileFinder& SeamDefault<FileFinder>() {
  static WindowsFileFinder finder;
  return finder;
}

}  // namespace kz

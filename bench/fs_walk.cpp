// Tree walks and content search of the file-system object against raw kernel loops in the same
// run: Get_Totals and Get_FileList over 10,000 files in 500 folders against a FindFirstFileW
// recursion summing the same sizes; TextSearch over 100 MB of text against a read-and-compare
// loop over the same files. Prints min / median / max of each and the ratio of the medians.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "benchkit.h"

#include "fs/clsKelzudFileSystemA.h"

namespace {

constexpr int kFolders = 500;
constexpr int kFilesPerFolder = 20;
constexpr int kTextFiles = 25;
constexpr size_t kTextFileSize = 4u << 20;  // 25 x 4 MiB = 100 MiB
constexpr int kRounds = 7;

using bench::Median;
using bench::Now;

void WriteBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD w = 0;
  WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &w, nullptr);
  CloseHandle(h);
}

// 500 folders, 25 at the top with 19 below each, 20 files in every one.
void MakeTree(const std::wstring& root) {
  CreateDirectoryW(root.c_str(), nullptr);
  int made = 0;
  for (int top = 0; made < kFolders; ++top) {
    std::wstring t = root + L"\\top" + std::to_wstring(top);
    CreateDirectoryW(t.c_str(), nullptr);
    ++made;
    std::vector<std::wstring> dirs{t};
    for (int s = 0; s < 19 && made < kFolders; ++s, ++made) {
      dirs.push_back(t + L"\\sub" + std::to_wstring(s));
      CreateDirectoryW(dirs.back().c_str(), nullptr);
    }
    for (auto& d : dirs)
      for (int f = 0; f < kFilesPerFolder; ++f)
        WriteBytes(d + L"\\file" + std::to_wstring(f) + (f % 4 ? L".txt" : L".log"), std::string(f * 13 + 1, 'x'));
  }
}

void RemoveTree(const std::wstring& dir) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::wstring n = fd.cFileName;
      if (n == L"." || n == L"..") continue;
      std::wstring p = dir + L"\\" + n;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(p); else DeleteFileW(p.c_str());
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  RemoveDirectoryW(dir.c_str());
}

// The baseline: sizes of every file below a folder, and their paths, by plain recursion.
double RawTotals(const std::wstring& dir, std::wstring& list) {
  double total = 0;
  std::vector<std::wstring> subs;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return 0;
  do {
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (wcscmp(fd.cFileName, L".") && wcscmp(fd.cFileName, L"..")) subs.push_back(dir + L"\\" + fd.cFileName);
    } else {
      list += dir + L"\\" + fd.cFileName + L";";
      total += static_cast<double>((static_cast<unsigned long long>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow);
    }
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  for (auto& s : subs) total += RawTotals(s, list);
  return total;
}

// The baseline of the search: read each file whole, fold ASCII case, look for the text.
int RawSearch(const std::wstring& dir, const std::string& needle) {
  int found = 0;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
  do {
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    HANDLE f = CreateFileW((dir + L"\\" + fd.cFileName).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           0, nullptr);
    std::string bytes(fd.nFileSizeLow, '\0');
    DWORD got = 0;
    ReadFile(f, &bytes[0], fd.nFileSizeLow, &got, nullptr);
    CloseHandle(f);
    for (auto& c : bytes) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    if (bytes.find(needle) != std::string::npos) ++found;
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  return found;
}

struct Stats {
  double min, median, max;
};
template <class F>
Stats Time(F f) {
  std::vector<double> t;
  for (int i = 0; i < kRounds; ++i) {
    double t0 = Now();
    f();
    t.push_back(Now() - t0);
  }
  return {*std::min_element(t.begin(), t.end()), Median(t), *std::max_element(t.begin(), t.end())};
}

void Report(const char* what, const Stats& s, const Stats& base) {
  printf("%-34s min %7.1f ms  median %7.1f ms  max %7.1f ms   ratio %.2f\n", what, s.min * 1e3, s.median * 1e3,
         s.max * 1e3, s.median / base.median);
}
void ReportBase(const char* what, const Stats& s) {
  printf("%-34s min %7.1f ms  median %7.1f ms  max %7.1f ms\n", what, s.min * 1e3, s.median * 1e3, s.max * 1e3);
}

}  // namespace

int Run();

int main() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  int rc = 1;
  try {
    rc = Run();
  } catch (const kz::Error& e) {
    printf("error %ld: %ls\n", e.number(), e.description().c_str());
  }
  CoUninitialize();
  return rc;
}

int Run() {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  std::wstring root = std::wstring(temp) + L"kz_bench_fs_" + std::to_wstring(GetCurrentProcessId());
  CreateDirectoryW(root.c_str(), nullptr);
  MakeTree(root + L"\\tree");
  std::wstring text = root + L"\\text";
  CreateDirectoryW(text.c_str(), nullptr);
  std::string chunk;
  while (chunk.size() < kTextFileSize) chunk += "The quick brown fox jumps over the lazy dog. 0123456789\r\n";
  chunk.resize(kTextFileSize);
  for (int i = 0; i < kTextFiles; ++i) WriteBytes(text + L"\\doc" + std::to_wstring(i) + L".txt", chunk);

  kz::FileSystem* fs = kz::MakeObject<kz::FileSystem>();
  std::wstring tree = root + L"\\tree";
  std::wstring raw_list;
  double raw_total = RawTotals(tree, raw_list);
  std::wstring totals = fs->Totals(tree, 1, L"*.*", true);
  if (totals != std::to_wstring(static_cast<long long>(raw_total))) printf("MISMATCH: totals differ\n");
  if (kz::VarToStr(fs->FileList(tree, true, L"*.*").get()).size() != raw_list.size()) printf("MISMATCH: lists differ\n");

  Stats base = Time([&] {
    std::wstring l;
    RawTotals(tree, l);
  });
  Stats tot = Time([&] { fs->Totals(tree, 1, L"*.*", true); });
  Stats list = Time([&] { fs->FileList(tree, true, L"*.*"); });
  printf("tree: %d files in %d folders\n", kFolders * kFilesPerFolder, kFolders);
  ReportBase("raw FindFirstFileW totals", base);
  Report("Get_Totals", tot, base);
  Report("Get_FileList", list, base);

  std::string needle = "not in any of these files";
  Stats sbase = Time([&] { RawSearch(text, needle); });
  Stats search = Time([&] { fs->Search(text, L"NOT in any of these files"); });
  printf("text: %d files, %u MiB\n", kTextFiles, static_cast<unsigned>(kTextFiles * (kTextFileSize >> 20)));
  ReportBase("raw read-and-compare", sbase);
  Report("TextSearch", search, sbase);

  fs->Release();
  RemoveTree(root);
  return 0;
}

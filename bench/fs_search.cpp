// The file search into its result collection against a raw FindFirstFileW recursion collecting
// the same fields (name, folder, full name, attributes, three times, size) over 10,000 files in
// 500 folders, in the same run. Prints min / median / max of the ratio.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "benchkit.h"

#include "fs/clsKelzudFileSearchA.h"

namespace {

constexpr int kFolders = 500;
constexpr int kFilesPerFolder = 20;
constexpr int kRounds = 7;

struct Row {
  std::wstring name, path, full;
  DWORD attributes;
  FILETIME created, accessed, written;
  double size;
};

void MakeTree(const std::wstring& root) {
  CreateDirectoryW(root.c_str(), nullptr);
  for (int d = 0; d < kFolders; ++d) {
    std::wstring dir = root + L"\\d" + std::to_wstring(d / 20);
    CreateDirectoryW(dir.c_str(), nullptr);
    if (d % 20) dir += L"\\s" + std::to_wstring(d % 20);
    CreateDirectoryW(dir.c_str(), nullptr);
    for (int f = 0; f < kFilesPerFolder; ++f) {
      HANDLE h = CreateFileW((dir + L"\\f" + std::to_wstring(f) + L".txt").c_str(), GENERIC_WRITE, 0, nullptr,
                             CREATE_ALWAYS, 0, nullptr);
      CloseHandle(h);
    }
  }
}

void RawSearch(const std::wstring& path, std::vector<Row>& rows) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((path + L"*.*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::wstring n = fd.cFileName;
      if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && n != L"." && n != L"..") RawSearch(path + n + L"\\", rows);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  h = FindFirstFileW((path + L"*.txt").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    rows.push_back(Row{fd.cFileName, path, path + fd.cFileName, fd.dwFileAttributes, fd.ftCreationTime,
                       fd.ftLastAccessTime, fd.ftLastWriteTime,
                       fd.nFileSizeHigh * 4294967296.0 + fd.nFileSizeLow});
  } while (FindNextFileW(h, &fd));
  FindClose(h);
}

}  // namespace

int main() {
  bench::Header("file search of 10,000 files in 500 folders: SearchFiles against a raw FindFirstFileW loop");
  wchar_t tmp[MAX_PATH];
  GetTempPathW(MAX_PATH, tmp);
  const std::wstring root = std::wstring(tmp) + L"kz_bench_search";
  MakeTree(root);
  bench::Rounds rounds;
  bench::Checks checks;
  for (int i = 0; i < kRounds; ++i) {
    double t0 = bench::Now();
    kz::FileSearch* s = kz::MakeObject<kz::FileSearch>();
    s->Search(root, L"*.txt", true);
    double t1 = bench::Now();
    std::vector<Row> rows;
    RawSearch(root + L"\\", rows);
    double t2 = bench::Now();
    rounds.Add(t1 - t0, t2 - t1);
    checks.Expect(s->files().size() == static_cast<long>(rows.size()) && rows.size() == kFolders * kFilesPerFolder,
                  "result counts");
    if (!rows.empty() && s->files().size() > 0)
      checks.Expect(s->files().At(1)->file_name_full == rows[0].full, "first result");
    s->Release();
  }
  rounds.Print("search", "SearchFiles", "raw loop");
  std::string cmd = "rmdir /s /q \"" + std::string(root.begin(), root.end()) + "\"";
  std::system(cmd.c_str());
  return checks.ExitCode();
}

// The path, name and attribute functions of the file-system object, its temporary names and the
// file information record.
#include <set>

#include "fstest.h"

#include <winioctl.h>
#include "base/text.h"

using namespace fst;
using kzt::TempDir;

TEST(FsNames, TrailingSlashes) {
  struct Case { const wchar_t *in, *added, *removed; } cases[] = {
      {L"  C:\\Temp  ", L"C:\\Temp\\", L"C:\\Temp"},
      {L"", L"\\", L""},
      {L"C:\\Temp\\\\", L"C:\\Temp\\\\", L"C:\\Temp\\"},  // only one backslash goes
      {L"\tC:\\x\t", L"\tC:\\x\t\\", L"\tC:\\x\t"},        // tabs are not trimmed
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FileSystem::AddTrailingSlash(c.in), c.added) << c.in;
    EXPECT_EQ(FileSystem::RemoveTrailingSlash(c.in), c.removed) << c.in;
  }
}

TEST(FsNames, NameParts) {
  struct Case { const wchar_t *path, *ext, *name, *parent; } cases[] = {
      {L"C:\\Data\\report.txt", L"txt", L"report.txt", L"C:\\Data"},
      {L"C:\\Data\\archive.tar.gz", L"gz", L"archive.tar.gz", L"C:\\Data"},
      {L"C:\\Data\\README", L"", L"README", L"C:\\Data"},
      {L"C:\\Data\\", L"", L"Data", L"C:\\"},
      {L"C:\\", L"", L"", L""},
      {L"report.txt", L"txt", L"report.txt", L""},
      {L"\\\\server\\share\\docs\\a.doc", L"doc", L"a.doc", L"\\\\server\\share\\docs"},
      {L"", L"", L"", L""},
  };
  Ptr<FileSystem> fs = NewFs();
  for (const Case& c : cases) {
    B p(c.path);
    BSTR r = nullptr;
    ASSERT_HRESULT_SUCCEEDED(fs->Get_Extension(p.get(), &r));
    EXPECT_EQ(kz::FromBstr(r), c.ext) << c.path;
    SysFreeString(r);
    ASSERT_HRESULT_SUCCEEDED(fs->Get_Filename(p.get(), &r));
    EXPECT_EQ(kz::FromBstr(r), c.name) << c.path;
    SysFreeString(r);
    ASSERT_HRESULT_SUCCEEDED(fs->Get_Path(p.get(), &r));
    EXPECT_EQ(kz::FromBstr(r), c.parent) << c.path;
    SysFreeString(r);
  }
}

TEST(FsNames, RemoveNulls) {
  Ptr<FileSystem> fs = NewFs();
  BSTR in = SysAllocStringLen(L"abc\0def", 7), r = nullptr;
  ASSERT_HRESULT_SUCCEEDED(fs->Remove_Nulls(&in, &r));
  EXPECT_EQ(kz::FromBstr(r), L"abc");
  EXPECT_EQ(SysStringLen(in), 7u) << "the argument is not changed";
  SysFreeString(in);
  SysFreeString(r);
}

TEST(FsNames, Shrink2Fit) {
  struct Case { const wchar_t* in; short max; const wchar_t* out; } cases[] = {
      {L"C:\\Apps\\Common\\System32\\Drivers\\foo.sys", 25, L"C:\\...\\Drivers\\foo.sys"},
      {L"\\\\server\\share\\docs\\reports\\file.txt", 20, L"\\\\server\\...\\file.txt"},
      {L"C:\\a\\b\\c\\d\\e\\f.txt", 12, L"C:\\...\\f.txt"},
      {L"D:\\a\\b", 10, L"D:\\a\\b"},
      {L"relative\\path\\that\\is\\long", 5, L"relative\\path\\that\\is\\long"},
      {L"  C:\\x  ", 10, L"C:\\x"},
  };
  for (const Case& c : cases) EXPECT_EQ(FileSystem::Shrink(c.in, c.max), c.out) << c.in;
  std::wstring huge = L"C:\\" + std::wstring(32765, L'a');
  try {
    FileSystem::Shrink(huge, 10);
    ADD_FAILURE() << "no overflow";
  } catch (const kz::Error& e) {
    EXPECT_EQ(e.number(), 6);
  }
}

// Texts that begin with "\\" end, however little of them is a folder to drop.
TEST(FsNames, Shrink2FitOfNetworkForms) {
  struct Case { const wchar_t* in; short max; const wchar_t* out; } cases[] = {
      {L"\\\\servername_long", 5, L"...\\\\servername_long"},
      {L"  \\\\servername_long  ", 5, L"...\\\\servername_long"},
      {L"\\\\", 1, L"...\\\\"},
      {L"\\\\srv", 0, L"...\\\\srv"},
      {L"\\\\\\\\", 3, L"\\\\\\...\\"},
      {L"\\\\server\\share\\docs\\reports\\file.txt", 20, L"\\\\server\\...\\file.txt"},
  };
  for (const Case& c : cases) EXPECT_EQ(FileSystem::Shrink(c.in, c.max), c.out) << c.in;
}

TEST(FsNames, AttributeText) {
  struct Case { long v; const wchar_t* text; } cases[] = {
      {1, L"R"}, {7, L"RHS"}, {8, L"V"}, {16, L"D"}, {23, L"DRHS"}, {33, L"RA"}, {36, L"SA"},
      {55, L"DRHSA"}, {64, L"Alias"}, {0, L""}, {9, L""}, {21, L""}, {39, L""}, {128, L""}, {-1, L""},
  };
  for (const Case& c : cases) EXPECT_EQ(FileSystem::AttributeText(c.v), c.text) << c.v;
}

TEST(FsNames, RandomAndTemporaryNames) {
  Ptr<FileSystem> fs = NewFs();
  for (int i = 0; i < 200; ++i) {
    float r = fs->Random(48, 122);
    EXPECT_GE(r, 48.0f);
    EXPECT_LE(r, 122.0f);
  }
  try {
    fs->Random(-3e38f, 3e38f);
    ADD_FAILURE() << "no overflow";
  } catch (const kz::Error& e) {
    EXPECT_EQ(e.number(), 6);
  }
  EXPECT_EQ(fs->TmpName(0), L"");
  EXPECT_EQ(fs->TmpName(-5), L"");
  EXPECT_EQ(fs->TmpName(1), L"_");
  std::set<std::wstring> seen;
  for (int i = 0; i < 50; ++i) {
    std::wstring n = fs->TmpName(8);
    ASSERT_EQ(n.size(), 8u);
    EXPECT_EQ(n[0], L'_');
    for (size_t k = 1; k < n.size(); ++k) EXPECT_TRUE(iswdigit(n[k]) || (n[k] >= L'a' && n[k] <= L'z')) << n;
    seen.insert(n);
  }
  EXPECT_GT(seen.size(), 45u) << "names made one after the other differ";
}

TEST(FsNames, TemporaryFileAndFolder) {
  Ptr<FileSystem> fs = NewFs();
  // An empty variable receives the temporary folder.
  BSTR folder = SysAllocString(L"  "), r = nullptr;
  ASSERT_HRESULT_SUCCEEDED(fs->Create_Tmp_Filename(&folder, &r));
  std::wstring dir = kz::FromBstr(folder), file = kz::FromBstr(r);
  SysFreeString(folder);
  SysFreeString(r);
  wchar_t temp[MAX_PATH + 1];
  GetTempPathW(MAX_PATH + 1, temp);
  EXPECT_EQ(dir, temp);
  EXPECT_EQ(file.compare(0, dir.size(), dir), 0) << file;
  EXPECT_EQ(ReadBytes(file), "") << "an existing empty file";
  DeleteFileW(file.c_str());
  // A given folder is used as it is; a folder that does not exist raises.
  TempDir t;
  std::wstring mine = t.path() + L"\\";
  EXPECT_EQ(fs->TmpFilename(mine).compare(0, mine.size(), mine), 0);
  EXPECT_EQ(mine, t.path() + L"\\");
  std::wstring missing = t.File(L"missing\\");
  try {
    fs->TmpFilename(missing);
    ADD_FAILURE() << "no error for a missing folder";
  } catch (const kz::Error& e) {
    EXPECT_EQ(e.number(), 76);
  }
  std::wstring f = fs->TmpFolder();
  EXPECT_EQ(f.back(), L'\\');
  EXPECT_TRUE(kz::fsx::FolderExists(f));
  RemoveDirectoryW(f.c_str());
}

TEST(FsNames, FileInfoRecord) {
  TempDir t;
  std::wstring file = t.File(L"Grüße report.v2.txt");
  MakeFile(file, std::string(1234, 'x'));
  SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
  SYSTEMTIME st{2021, 3, 0, 14, 15, 9, 26, 0};
  FILETIME local, utc;
  SystemTimeToFileTime(&st, &local);
  LocalFileTimeToFileTime(&local, &utc);
  {
    HANDLE h = CreateFileW(file.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    SetFileTime(h, nullptr, nullptr, &utc);
    CloseHandle(h);
  }
  Ptr<FileSystem> fs = NewFs();
  EXPECT_FALSE(fs->FileInfo(L"   "));
  ASSERT_TRUE(fs->FileInfo(file));
  const FileSystem::FileRecord& r = fs->Record();
  EXPECT_EQ(r.drive, file.substr(0, 2));
  EXPECT_EQ(r.path, file);
  EXPECT_EQ(r.parent_folder, t.path());
  EXPECT_EQ(r.size, L"1234");
  EXPECT_FALSE(r.type.empty());
  EXPECT_EQ(r.extension, L"txt");
  DATE d = 0;
  SystemTimeToVariantTime(&st, &d);
  EXPECT_EQ(r.date_last_modified, kz::fsx::DateText(d));
  EXPECT_EQ(r.attributes, L"RA");
  // A missing file, a folder and a pattern leave the record as it was.
  EXPECT_FALSE(fs->FileInfo(t.File(L"missing.txt")));
  EXPECT_FALSE(fs->FileInfo(t.path()));
  EXPECT_FALSE(fs->FileInfo(t.File(L"*.txt")));
  EXPECT_EQ(fs->Record().path, file);
  SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(FsNames, FileInfoOfALargeSparseFile) {
  TempDir t;
  std::wstring file = t.File(L"big.bin");
  HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD ignored = 0;
  DeviceIoControl(h, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
  LARGE_INTEGER size;
  size.QuadPart = 5LL << 30;  // 5 GiB
  SetFilePointerEx(h, size, nullptr, FILE_BEGIN);
  SetEndOfFile(h);
  CloseHandle(h);
  Ptr<FileSystem> fs = NewFs();
  ASSERT_TRUE(fs->FileInfo(file));
  EXPECT_EQ(fs->Record().size, L"5368709120");
}

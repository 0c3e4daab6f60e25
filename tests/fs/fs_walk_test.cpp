// Lists, totals, content search and their events: CountFiles and CountTotals by reference,
// CancelProcessing from a handler, an error raised by a handler, folders that vanish, links.
#include <cmath>
#include <cstdio>

#include "fstest.h"
#include "base/text.h"
#include "fs/fspaths.h"

using namespace fst;
using kzt::TempDir;
using kzt::UnattendedLog;

namespace {

std::wstring Text(const kz::Var& v) { return v.vt() == VT_EMPTY ? L"<empty>" : kz::VarToStr(v.get()); }

class WalkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeFile(t_.File(L"a.txt"), "alpha");
    MakeFile(t_.File(L"b.log"), std::string(100, 'b'));
    MakeFile(t_.File(L"s\\c.LOG"), std::string(200, 'c'));
    MakeFile(t_.File(L"s\\deep\\d.log"), std::string(300, 'd'));
    MakeFile(t_.File(L"s\\deep\\e.txt"), "Needle in here");
    MakeDir(t_.File(L"empty"));
  }
  // The platform's order of the names in a folder, files first then folders, as listed.
  std::vector<std::wstring> Order(const std::wstring& dir, bool folders) {
    std::vector<std::wstring> out;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
    do {
      std::wstring n = fd.cFileName;
      if (n == L"." || n == L"..") continue;
      if (((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) == folders) out.push_back(dir + L"\\" + n);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return out;
  }
  std::vector<std::wstring> Expected(const std::wstring& dir, const wchar_t* ext) {
    std::vector<std::wstring> out;
    for (auto& f : Order(dir, false))
      if (!ext || kz::EqualNoCase(kz::fsx::ExtensionName(f), ext)) out.push_back(f);
    for (auto& d : Order(dir, true)) {
      auto sub = Expected(d, ext);
      out.insert(out.end(), sub.begin(), sub.end());
    }
    return out;
  }
  TempDir t_;
};

}  // namespace

TEST_F(WalkTest, FileListAllFilesDepthFirstWithoutEvents) {
  Ptr<FileSystem> fs = NewFs();
  Ptr<Sink> sink = Ptr<Sink>::Adopt(new Sink);
  Connection c(fs->itf(), sink.get());
  fs->set_count(7);
  kz::Var r = fs->FileList(t_.path() + L"\\", true, L"*.*");
  ASSERT_EQ(r.vt(), VT_BSTR);
  EXPECT_EQ(SplitList(Text(r)), Expected(t_.path(), nullptr));
  EXPECT_TRUE(sink->events.empty());
  EXPECT_EQ(fs->count(), 7) << "Count is untouched without a filter";
  // Only the folder's own files without subfolders; a pattern without "*" lists everything.
  EXPECT_EQ(SplitList(Text(fs->FileList(t_.path(), false, L"*.*"))), Order(t_.path(), false));
  EXPECT_EQ(SplitList(Text(fs->FileList(t_.path(), false, L"a.txt"))), Order(t_.path(), false));
  // Nothing listed and no subfolder walked: the empty Variant; an empty subfolder walked: "".
  EXPECT_EQ(fs->FileList(t_.File(L"empty"), true, L"*.*").vt(), VT_EMPTY);
  kz::Var none = fs->FileList(t_.File(L"s"), true, L"*.zip");
  EXPECT_EQ(none.vt(), VT_BSTR);
  EXPECT_EQ(Text(none), L"");
}

TEST_F(WalkTest, FilterRaisesCountFilesWithCountByReference) {
  Ptr<FileSystem> fs = NewFs();
  Ptr<Sink> sink = Ptr<Sink>::Adopt(new Sink);
  Connection c(fs->itf(), sink.get());
  fs->set_count(10);
  // The handler doubles the count it is given: the object goes on from the new value.
  sink->on_event = [](const Raised&, double* count, EXCEPINFO*) {
    *count *= 2;
    return S_OK;
  };
  kz::Var r = fs->FileList(t_.path(), true, L"report*.LOG");
  std::vector<std::wstring> logs = Expected(t_.path(), L"log");
  ASSERT_EQ(logs.size(), 3u);
  EXPECT_EQ(SplitList(Text(r)), logs);
  ASSERT_EQ(sink->events.size(), 3u);
  double expected[] = {11, 23, 47};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(sink->events[i].id, 1);
    EXPECT_EQ(sink->events[i].count, expected[i]);
    EXPECT_EQ(sink->events[i].path, logs[i]) << "the path is a copy: the handler's change does not last";
  }
  EXPECT_EQ(fs->count(), 94);
}

TEST_F(WalkTest, CancelFromAHandlerStopsTheWalkAndLaterWalks) {
  Ptr<FileSystem> fs = NewFs();
  Ptr<Sink> sink = Ptr<Sink>::Adopt(new Sink);
  Connection c(fs->itf(), sink.get());
  sink->on_event = [&](const Raised&, double*, EXCEPINFO*) {
    fs->put_CancelProcessing(VARIANT_TRUE);
    return S_OK;
  };
  fs->FileList(t_.path(), true, L"*.log");
  EXPECT_EQ(sink->events.size(), 1u) << "no event after the cancel";
  EXPECT_TRUE(fs->cancel()) << "the class never resets the flag";
  EXPECT_EQ(fs->FileList(t_.path(), true, L"*.*").vt(), VT_EMPTY);
  EXPECT_EQ(fs->DirList(t_.path()), L"");
  fs->set_cancel(false);
  EXPECT_FALSE(Text(fs->FileList(t_.path(), true, L"*.*")).empty());
}

TEST_F(WalkTest, AnErrorRaisedByAHandlerReachesTheCaller) {
  Ptr<FileSystem> fs = NewFs();
  Ptr<Sink> sink = Ptr<Sink>::Adopt(new Sink);
  Connection c(fs->itf(), sink.get());
  sink->on_event = [](const Raised&, double*, EXCEPINFO* ei) {
    ei->scode = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, 1234);
    ei->bstrSource = SysAllocString(L"ClientForm");
    ei->bstrDescription = SysAllocString(L"handler failed");
    return E_FAIL;
  };
  B folder(t_.path()), pattern(L"*.log");
  VARIANT r;
  VariantInit(&r);
  HRESULT hr = fs->Get_FileList(folder.get(), VARIANT_TRUE, pattern.get(), &r);
  EXPECT_EQ(kz::ErrorNumberOf(hr), 1234);
  EXPECT_EQ(kz::Error::FromHresult(hr).description(), L"handler failed");
  EXPECT_EQ(sink->events.size(), 1u);
  // In Get_Totals the handler's error is one of its processing errors: a message and "0".
  UnattendedLog log;
  EXPECT_EQ(fs->Totals(t_.path(), 1, L"*.*", true), L"0");
  ASSERT_EQ(log.Records().size(), 1u);
  EXPECT_EQ(log.Records()[0].find(L"64\tErrors detected\tError: 1234  handler failed\\r\\n\\r\\nFile: "), 0u)
      << log.Records()[0];
}

TEST_F(WalkTest, MissingFoldersRaisePathNotFound) {
  Ptr<FileSystem> fs = NewFs();
  struct Call { const char* what; std::function<void()> f; } calls[] = {
      {"Get_FileList", [&] { fs->FileList(t_.File(L"nope"), true, L"*.*"); }},
      {"Get_DirList", [&] { fs->DirList(t_.File(L"nope")); }},
      {"TextSearch", [&] { fs->Search(t_.File(L"nope"), L"x"); }},
      {"a file is no folder", [&] { fs->FileList(t_.File(L"a.txt"), true, L"*.*"); }},
  };
  for (auto& c : calls) {
    try {
      c.f();
      ADD_FAILURE() << c.what << ": no error";
    } catch (const kz::Error& e) {
      EXPECT_EQ(e.number(), 76) << c.what;
    }
  }
}

TEST_F(WalkTest, AFolderThatVanishesDuringTheWalkRaises) {
  Ptr<FileSystem> fs = NewFs();
  Ptr<Sink> sink = Ptr<Sink>::Adopt(new Sink);
  Connection c(fs->itf(), sink.get());
  // The first .log lives at the top; its handler removes the subfolder before it is walked.
  sink->on_event = [&](const Raised& r, double*, EXCEPINFO*) {
    if (r.path == t_.File(L"b.log")) {
      DeleteFileW(t_.File(L"s\\deep\\d.log").c_str());
      DeleteFileW(t_.File(L"s\\deep\\e.txt").c_str());
      RemoveDirectoryW(t_.File(L"s\\deep").c_str());
      DeleteFileW(t_.File(L"s\\c.LOG").c_str());
      RemoveDirectoryW(t_.File(L"s").c_str());
    }
    return S_OK;
  };
  try {
    fs->FileList(t_.path(), true, L"*.log");
    ADD_FAILURE() << "no error";
  } catch (const kz::Error& e) {
    EXPECT_EQ(e.number(), 76);
  }
}

TEST_F(WalkTest, DirList) {
  Ptr<FileSystem> fs = NewFs();
  std::vector<std::wstring> dirs = Order(t_.path(), true);
  ASSERT_EQ(dirs.size(), 2u);
  EXPECT_EQ(fs->DirList(t_.path() + L"\\"), dirs[0] + L";" + dirs[1]);
  EXPECT_EQ(fs->DirList(t_.File(L"empty")), L"");
}

TEST_F(WalkTest, TotalsOfSizesWithCountTotalsByReference) {
  Ptr<FileSystem> fs = NewFs();
  Ptr<Sink> sink = Ptr<Sink>::Adopt(new Sink);
  Connection c(fs->itf(), sink.get());
  EXPECT_EQ(fs->Totals(t_.path(), 1, L"*.log", true), L"600");
  std::vector<Raised> totals;
  for (auto& e : sink->events)
    if (e.id == 2) totals.push_back(e);
  EXPECT_EQ(sink->events.size(), 6u) << "the list raises CountFiles first";
  ASSERT_EQ(totals.size(), 3u);
  std::vector<std::wstring> logs = Expected(t_.path(), L"log");
  double running = 0;
  for (size_t i = 0; i < 3; ++i) {
    running += static_cast<double>(ReadBytes(logs[i]).size());
    EXPECT_EQ(totals[i].count, running);
    EXPECT_EQ(totals[i].path, logs[i]);
  }
  EXPECT_EQ(fs->count(), 3) << "the list counted its matches";
  // A handler that sets the total: the method goes on from its value.
  sink->on_event = [](const Raised& r, double* count, EXCEPINFO*) {
    if (r.id == 2) *count = 0.5;
    return S_OK;
  };
  EXPECT_EQ(fs->Totals(t_.path(), 1, L"*.log", false), L"0.5");
  EXPECT_EQ(fs->count(), 4);
}

// Gives the file all three of its times at a local date and time.
static bool SetLocalTimes(const std::wstring& path, DATE when) {
  SYSTEMTIME st;
  FILETIME local, ft;
  if (!VariantTimeToSystemTime(when, &st) || !SystemTimeToFileTime(&st, &local) || !LocalFileTimeToFileTime(&local, &ft))
    return false;
  HANDLE h = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  BOOL ok = SetFileTime(h, &ft, &ft, &ft);
  CloseHandle(h);
  return ok != FALSE;
}

// The local date of one of a file's times as listed (2 accessed, 3 written, 4 created).
static DATE ListedDay(const std::wstring& path, short type) {
  WIN32_FILE_ATTRIBUTE_DATA d;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &d)) return -1;
  return std::floor(kz::fsx::LocalDate(type == 2 ? d.ftLastAccessTime : type == 3 ? d.ftLastWriteTime : d.ftCreationTime));
}

TEST(TotalsOfDates, AFileDatedOnTheGivenDayCounts) {
  TempDir t;
  const DATE day = 40252;  // 15 March 2010
  const struct { const wchar_t* name; DATE when; } files[] = {
      {L"before.txt", day - 2.0 / 86400},   // the evening before, to the second
      {L"first.txt", day},                  // the day's first second
      {L"last.txt", day + 86399.0 / 86400},  // its last second
      {L"next.txt", day + 1},
  };
  for (const auto& f : files) {
    MakeFile(t.File(f.name), "x");
    ASSERT_TRUE(SetLocalTimes(t.File(f.name), f.when)) << kz::ToAnsi(f.name);
  }
  const struct { DATE since; const wchar_t* count; } cases[] = {
      {day - 1, L"4"}, {day, L"3"}, {day + 1, L"1"}, {day + 2, L"0"}};
  std::string unkept;
  for (short type : {2, 3, 4}) {
    // A file system that keeps no such time (Wine's keeps no creation time) cannot show it.
    bool kept = true;
    for (const auto& f : files) kept = kept && ListedDay(t.File(f.name), type) == std::floor(f.when);
    if (!kept) {
      unkept += " " + std::to_string(type);
      continue;
    }
    for (const auto& c : cases) {
      BSTR text = nullptr;
      ASSERT_HRESULT_SUCCEEDED(VarBstrFromDate(c.since, LOCALE_USER_DEFAULT, VAR_DATEVALUEONLY, &text));
      std::wstring since = kz::FromBstr(text);
      SysFreeString(text);
      EXPECT_EQ(NewFs()->Totals(t.path(), type, since, false), c.count) << "type " << type << " since " << kz::ToAnsi(since);
    }
  }
  ASSERT_NE(unkept, " 2 3 4") << "no time could be set";
  if (!unkept.empty()) std::printf("note: this file system keeps none of the times of types%s; not compared\n", unkept.c_str());
}

TEST_F(WalkTest, TotalsOfDatesAndBadArguments) {
  Ptr<FileSystem> fs = NewFs();
  UnattendedLog log;
  EXPECT_EQ(fs->Totals(t_.path(), 3, L"1/1/2000", true), L"5");
  EXPECT_EQ(fs->Totals(t_.path(), 3, L"1/1/2999", true), L"0");
  EXPECT_EQ(fs->Totals(t_.path(), 5, L"*.*", true), L"0");
  EXPECT_EQ(fs->Totals(t_.path(), 0, L"*.*", true), L"0");
  EXPECT_EQ(fs->Totals(t_.path(), -1, L"*.*", true), L"0");
  EXPECT_EQ(fs->Totals(L"  ", 1, L"*.*", true), L"0");
  EXPECT_TRUE(log.Records().empty());
  EXPECT_EQ(fs->Totals(t_.path(), 2, L"*.*", true), L"0");
  ASSERT_EQ(log.Records().size(), 1u);
  EXPECT_EQ(log.Records()[0], L"64\tInvalid date format\tAn invalid date was passed.");
  // A missing folder is a processing error: the message, and "0" (a fresh object's record is
  // empty).
  EXPECT_EQ(NewFs()->Totals(t_.File(L"nope"), 1, L"*.*", true), L"0");
  ASSERT_EQ(log.Records().size(), 2u);
  EXPECT_EQ(log.Records()[1],
            L"64\tErrors detected\tError: 76  Path not found\\r\\n\\r\\nFile: \\r\\nSize: \\r\\nCreated:  \\r\\n"
            L"Modified: \\r\\nAccessed: ");
}

TEST_F(WalkTest, TextSearch) {
  Ptr<FileSystem> fs = NewFs();
  MakeFile(t_.File(L"s\\x.txt"), "some NEEDLE");
  MakeFile(t_.File(L"s\\empty.txt"), "");
  MakeFile(t_.File(L"s\\y.bin"), std::string("\0\1needle", 8));
  std::vector<std::wstring> found = fs->Search(t_.File(L"s"), L"needle");
  std::vector<std::wstring> expected;
  for (auto& f : Order(t_.File(L"s"), false))
    if (f != t_.File(L"s\\c.LOG") && f != t_.File(L"s\\empty.txt")) expected.push_back(f);
  EXPECT_EQ(found, expected) << "case is ignored; subfolders are not searched";
  EXPECT_TRUE(fs->Search(t_.File(L"s"), L"nowhere").empty());
  // Through the interface: the array, or N/A.
  B folder(t_.File(L"s")), text(L"nowhere");
  BSTR f = folder.get(), x = text.get();
  VARIANT r;
  VariantInit(&r);
  ASSERT_HRESULT_SUCCEEDED(fs->TextSearch(&f, &x, &r));
  ASSERT_EQ(r.vt, VT_ARRAY | VT_BSTR);
  LONG lb = 9, ub = 9;
  SafeArrayGetLBound(r.parray, 1, &lb);
  SafeArrayGetUBound(r.parray, 1, &ub);
  EXPECT_EQ(lb, 0);
  EXPECT_EQ(ub, 1);
  BSTR first = nullptr;
  LONG i0 = 0;
  SafeArrayGetElement(r.parray, &i0, &first);
  EXPECT_EQ(kz::FromBstr(first), L"N/A");
  SysFreeString(first);
  VariantClear(&r);
}

TEST_F(WalkTest, TextSearchAcrossBlocksAndLockedFiles) {
  Ptr<FileSystem> fs = NewFs();
  TempDir d;
  std::string big((1 << 20) - 3, 'z');
  MakeFile(d.File(L"big.txt"), big + "NeEdLe" + "tail");  // the match spans two read blocks
  EXPECT_EQ(fs->Search(d.path(), L"needle").size(), 1u);
  HANDLE h = CreateFileW(d.File(L"big.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  try {
    fs->Search(d.path(), L"needle");
    ADD_FAILURE() << "a locked file read without error";
  } catch (const kz::Error& e) {
    EXPECT_EQ(e.number(), 70);
  }
  CloseHandle(h);
}

TEST_F(WalkTest, WalksDoNotEnterLinks) {
  TempDir outside;
  MakeFile(outside.File(L"keep.log"), "keep");
  std::wstring link = t_.File(L"link");
  if (!CreateSymbolicLinkW(link.c_str(), outside.path().c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) ||
      !(GetFileAttributesW(link.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT))
    GTEST_SKIP() << "no directory links here";
  Ptr<FileSystem> fs = NewFs();
  EXPECT_EQ(Text(fs->FileList(t_.path(), true, L"*.*")).find(L"keep.log"), std::wstring::npos);
  UnattendedLog log;
  EXPECT_TRUE(fs->DelTree(t_.path()));
  EXPECT_EQ(ReadBytes(outside.File(L"keep.log")), "keep") << "what a link points at is never deleted";
  CreateDirectoryW(t_.path().c_str(), nullptr);  // for the TempDir's own cleanup
}

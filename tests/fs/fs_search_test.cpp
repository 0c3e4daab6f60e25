// File search into result collections: order, fields, collection rules, and failures that go
// to the event log instead of the caller.
#include "fs/clsKelzudFileSearchA.h"
#include "fstest.h"
#include "platform/eventlog.h"
#include "platform/filefind.h"
#include "services/basKelzudCallStackA.h"

using namespace kzt;
using kz::FileSearch;

namespace {

Ptr<FileSearch> NewSearch() { return Ptr<FileSearch>::Adopt(kz::MakeObject<FileSearch>()); }

std::vector<std::wstring> Names(FileSearch& s) {
  std::vector<std::wstring> r;
  for (long i = 1; i <= s.files().size(); ++i) r.push_back(s.files().At(i)->file_name_full);
  return r;
}

class RecordingLog : public kz::EventLog {
 public:
  bool Report(const std::string&, const std::string&, unsigned short type, unsigned long id,
              const std::string& text) override {
    texts.push_back(text);
    types.push_back(type);
    ids.push_back(id);
    return true;
  }
  std::vector<std::string> texts;
  std::vector<unsigned short> types;
  std::vector<unsigned long> ids;
};

// The platform's finder, with every entry it reports passed through `Touch` first.
template <void (*Touch)(WIN32_FIND_DATAW&)>
class EditingFinder : public kz::FileFinder {
 public:
  HANDLE First(const std::wstring& pattern, WIN32_FIND_DATAW& d) override {
    HANDLE h = kz::SeamDefault<kz::FileFinder>().First(pattern, d);
    if (h != INVALID_HANDLE_VALUE) Touch(d);
    return h;
  }
  bool Next(HANDLE h, WIN32_FIND_DATAW& d) override {
    bool more = kz::SeamDefault<kz::FileFinder>().Next(h, d);
    if (more) Touch(d);
    return more;
  }
  void Close(HANDLE h) override { kz::SeamDefault<kz::FileFinder>().Close(h); }
};

// The times of one name spoiled, and its size beyond 4 GiB.
void SpoilOdd(WIN32_FIND_DATAW& d) {
  if (std::wstring(d.cFileName) == L"odd.txt") {
    d.ftCreationTime.dwHighDateTime = 0xFFFFFFFF;  // no calendar form
    d.nFileSizeHigh = 2;                           // reported as 8 GiB + its size
  }
}
using OddFinder = EditingFinder<SpoilOdd>;

// The folder "link" reported as a directory link (a reparse point).
void MarkLink(WIN32_FIND_DATAW& d) {
  if (std::wstring(d.cFileName) == L"link") d.dwFileAttributes |= FILE_ATTRIBUTE_REPARSE_POINT;
}
using LinkFinder = EditingFinder<MarkLink>;

}  // namespace

TEST(FileSearch, SubfoldersFirstThenOwnFilesAndOnlyMatches) {
  TempDir d;
  fst::MakeFile(d.File(L"a.txt"), "12345");
  fst::MakeFile(d.File(L"b.doc"), "x");
  fst::MakeFile(d.File(L"sub\\c.txt"), "x");
  fst::MakeDir(d.File(L"folder.txt"));  // a folder that matches is not a result
  auto s = NewSearch();
  s->Search(d.path(), L"*.txt", false);
  EXPECT_EQ(Names(*s.get()), (std::vector<std::wstring>{d.File(L"a.txt")}));
  auto r = NewSearch();
  r->Search(d.path() + L"\\", L"*.txt", true);
  EXPECT_EQ(Names(*r.get()), (std::vector<std::wstring>{d.File(L"sub\\c.txt"), d.File(L"a.txt")}));
  kz::FileSearchFile* a = r->files().At(2);
  EXPECT_EQ(a->file_name, L"a.txt");
  EXPECT_EQ(a->file_path, d.path() + L"\\");
  EXPECT_EQ(a->file_size, 5.0);
  EXPECT_EQ(a->file_attributes & FILE_ATTRIBUTE_DIRECTORY, 0);
  // Modified: the file's last write time in UTC, whole seconds.
  WIN32_FILE_ATTRIBUTE_DATA fa;
  ASSERT_TRUE(GetFileAttributesExW(d.File(L"a.txt").c_str(), GetFileExInfoStandard, &fa));
  SYSTEMTIME st;
  FileTimeToSystemTime(&fa.ftLastWriteTime, &st);
  st.wMilliseconds = 0;
  DATE want = 0;
  SystemTimeToVariantTime(&st, &want);
  EXPECT_DOUBLE_EQ(a->modified, want);
  // A second search appends.
  r->Search(d.path(), L"*.txt", false);
  EXPECT_EQ(r->files().size(), 3);
}

TEST(FileSearch, MissingRootOrFileRootAddsNothingAndKeepsTheStack) {
  TempDir d;
  fst::MakeFile(d.File(L"f.txt"), "x");
  kz::ReleaseCallStack();
  auto s = NewSearch();
  for (const std::wstring& root : {d.File(L"nowhere"), d.File(L"f.txt")}) {
    for (const wchar_t* pattern : {L"*", L"??*.[]", L"", L"*\\..\\*"}) {
      s->Search(root, pattern, true);
      EXPECT_EQ(kz::CallStackDepth(), 0);
    }
  }
  EXPECT_EQ(s->files().size(), 0);
}

TEST(FileSearch, SizesAbove4GiBAreExact) {
  EXPECT_EQ(FileSearch::FileSizeToDouble(0, 0xFFFFFFFFul), 4294967295.0);
  EXPECT_EQ(FileSearch::FileSizeToDouble(1, 0), 4294967296.0);
  EXPECT_EQ(FileSearch::FileSizeToDouble(0xFFFFFFFFul, 0xFFFFFFFFul), 18446744073709551615.0);
  EXPECT_EQ(FileSearch::FileSizeToDouble(2, 7), 8589934599.0);
}

TEST(FileSearch, AFailingFieldIsReportedAndTheSearchGoesOn) {
  TempDir d;
  fst::MakeFile(d.File(L"odd.txt"), "1234567");
  fst::MakeFile(d.File(L"sub\\ok.txt"), "x");
  RecordingLog log;
  OddFinder finder;
  kz::ScopedSeam<kz::EventLog> use_log(log);
  kz::ScopedSeam<kz::FileFinder> use_finder(finder);
  kz::ReleaseCallStack();
  auto s = NewSearch();
  s->Search(d.path(), L"*.txt", true);
  ASSERT_EQ(s->files().size(), 2);
  kz::FileSearchFile* odd = s->files().At(2);
  EXPECT_EQ(odd->file_name, L"odd.txt");
  EXPECT_EQ(odd->created, 0.0) << "a time without calendar form gives the zero date";
  EXPECT_NE(odd->modified, 0.0);
  EXPECT_EQ(odd->file_size, 2.0 * 4294967296.0 + 7);
  ASSERT_EQ(log.texts.size(), 1u);
  EXPECT_EQ(log.types[0], EVENTLOG_ERROR_TYPE);
  EXPECT_EQ(log.ids[0], 5000u);
  const std::string& t = log.texts[0];
  EXPECT_NE(t.find("RunTime Error: 13 - Type mismatch\r\n\tModule: Search\r\n\tMethod: FileTimeToDate\r\n"
                   "\tLine Number: 102\r\n"),
            std::string::npos)
      << t;
  // The stack at the failure: the conversion on top, the search below it.
  const std::string stack = "Call Stack:\r\n\tModule:   Search\r\n\tMethod:   FileTimeToDate()\r\n\tGlobal:   \r\n\r\n"
                            "\tModule:   Search\r\n\tMethod:   SearchFiles(FilePath: " +
                            kz::ToAnsi(d.path()) + ", FileName: *.txt, Recursive: True)\r\n";
  EXPECT_NE(t.find(stack), std::string::npos) << t;
  EXPECT_EQ(kz::CallStackDepth(), 0);
}

TEST(FileSearchFiles, CollectionRulesAndKeysWithoutCase) {
  auto s = NewSearch();
  _clsKelzudFileSearchFilesA* f = nullptr;
  ASSERT_EQ(s->get_Files(&f), S_OK);
  Ptr<IDispatch> files = Ptr<IDispatch>::Adopt(f);
  Var name = Var::Str(L"C:\\x\\one.txt"), key = Var::Str(L"First");
  EXPECT_EQ(Call(files.get(), L"Add", {name.get(), key.get()}).error, 0);
  Var key2 = Var::Str(L"FIRST");
  EXPECT_EQ(Call(files.get(), L"Add", {name.get(), key2.get()}).error, 457);
  EXPECT_EQ(Call(files.get(), L"Add", {name.get()}).error, 0) << "no key: duplicates allowed";
  Var lower = Var::Str(L"first");
  CallResult item = Call(files.get(), L"Item", {lower.get()});
  ASSERT_EQ(item.error, 0);
  ASSERT_EQ(item.value.vt(), VT_DISPATCH);
  EXPECT_EQ(kz::VarToStr(kz::GetProp(item.value.get()->pdispVal, L"FileNameFull").get()), L"C:\\x\\one.txt");
  Var absent = Var::Str(L"none"), zero = Var::Long(0), three = Var::Long(3);
  EXPECT_EQ(Call(files.get(), L"Item", {absent.get()}).error, 5);
  EXPECT_EQ(Call(files.get(), L"Item", {zero.get()}).error, 9);
  EXPECT_EQ(Call(files.get(), L"Remove", {three.get()}).error, 9);
  EXPECT_EQ(Call(files.get(), L"Remove", {lower.get()}).error, 0);
  EXPECT_EQ(s->files().size(), 1);
}

TEST(FileSearch, DirectoryLinksAreNotEntered) {
  TempDir d;
  fst::MakeFile(d.File(L"a.txt"), "x");
  fst::MakeFile(d.File(L"sub\\c.txt"), "x");
  fst::MakeFile(d.File(L"link\\b.txt"), "x");  // what a link would lead to
  {
    LinkFinder finder;
    kz::ScopedSeam<kz::FileFinder> use(finder);
    auto s = NewSearch();
    s->Search(d.path(), L"*.txt", true);
    EXPECT_EQ(Names(*s.get()), (std::vector<std::wstring>{d.File(L"sub\\c.txt"), d.File(L"a.txt")}));
  }
  // A real link to the folder itself, where the platform makes one (Wine answers that it made
  // it, and there is none).
  TempDir r;
  fst::MakeFile(r.File(L"one.txt"), "x");
  std::wstring self = r.File(L"self");
  const DWORD made = CreateSymbolicLinkW(self.c_str(), r.path().c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY)
                         ? GetFileAttributesW(self.c_str())
                         : INVALID_FILE_ATTRIBUTES;
  if (made == INVALID_FILE_ATTRIBUTES || !(made & FILE_ATTRIBUTE_REPARSE_POINT)) return;
  auto s = NewSearch();
  s->Search(r.path(), L"*.txt", true);
  RemoveDirectoryW(self.c_str());
  EXPECT_EQ(Names(*s.get()), (std::vector<std::wstring>{r.File(L"one.txt")}));
}

TEST(FileSearch, PathsWithANulOrTooLongAreRefusedAndReported) {
  TempDir d;
  fst::MakeFile(d.File(L"a.txt"), "x");
  const std::wstring nul(1, L'\0');
  struct Case {
    std::wstring path, pattern;
  } cases[] = {
      {d.path() + nul + L"x", L"*.txt"},                       // the kernel would search d
      {d.path(), L"*.txt" + nul + L"x"},                       // and find a.txt
      {d.path() + L"\\" + std::wstring(32768, L'a'), L"*"},   // longer than any path
      {d.path(), std::wstring(32768, L'*')},
  };
  for (const Case& c : cases) {
    RecordingLog log;
    kz::ScopedSeam<kz::EventLog> use_log(log);
    kz::ReleaseCallStack();
    auto s = NewSearch();
    s->Search(c.path, c.pattern, true);
    EXPECT_EQ(s->files().size(), 0) << c.path.size();
    ASSERT_EQ(log.texts.size(), 1u) << c.path.size();
    EXPECT_NE(log.texts[0].find("RunTime Error: 5 - Invalid procedure call or argument\r\n\tModule: Search\r\n"
                                "\tMethod: SearchFiles\r\n"),
              std::string::npos)
        << log.texts[0].substr(0, 200);
    EXPECT_EQ(kz::CallStackDepth(), 0);
  }
}

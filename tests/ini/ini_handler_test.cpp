// The INI file handler core against real profile files.
#include "ini/clsKelzudINIFileHandler1A.h"
#include "platform/profile.h"

#include <cstdio>
#include <cwchar>
#include <set>

#include "base/text.h"
#include "testkit.h"

using namespace kzt;
using kz::IniFileHandler;

namespace {

class IniTest : public ::testing::Test {
 protected:
  void SetUp() override {
    h_ = kz::MakeObject<IniFileHandler>();
    h_->set_path(dir_.File(L"test.ini"));
  }
  void TearDown() override { h_->Release(); }
  void Write(const std::wstring& section, const std::wstring& key, std::wstring value) {
    h_->set_section(section);
    h_->set_key(key);
    h_->WriteValue(value);
  }
  std::wstring GetValue() {
    BSTR b = nullptr;
    EXPECT_HRESULT_SUCCEEDED(h_->get_Value(&b));
    std::wstring r = kz::FromBstr(b);
    SysFreeString(b);
    return r;
  }
  std::vector<std::wstring> ArrayItems(SAFEARRAY* sa) {
    std::vector<std::wstring> out;
    LONG lb, ub;
    SafeArrayGetLBound(sa, 1, &lb);
    SafeArrayGetUBound(sa, 1, &ub);
    EXPECT_EQ(lb, 1);
    for (LONG i = lb; i <= ub; ++i) {
      BSTR b = nullptr;
      SafeArrayGetElement(sa, &i, &b);
      out.push_back(kz::FromBstr(b));
      SysFreeString(b);
    }
    return out;
  }
  TempDir dir_;
  IniFileHandler* h_ = nullptr;
};

}  // namespace

TEST_F(IniTest, ValueLetTakesNulsOutOfTheCallersString) {
  h_->set_section(L"S");
  h_->set_key(L"K");
  BSTR v = SysAllocStringLen(L"a\0b\0\0c", 6);
  ASSERT_HRESULT_SUCCEEDED(h_->put_Value(&v));
  EXPECT_EQ(kz::FromBstr(v), L"abc");
  SysFreeString(v);
  EXPECT_EQ(GetValue(), L"abc");
  VARIANT_BOOL ok;
  h_->get_Success(&ok);
  EXPECT_EQ(ok, VARIANT_TRUE);
}

TEST_F(IniTest, ReadsAreCutAt254AndAbsentKeysGiveDefault) {
  Write(L"S", L"Long", std::wstring(300, L'x'));
  EXPECT_EQ(GetValue(), std::wstring(254, L'x'));
  h_->set_key(L"Absent");
  h_->set_default(L"fallback");
  EXPECT_EQ(GetValue(), L"fallback");
  // The write's result survives any number of reads.
  EXPECT_NE(h_->last_return_code(), 0);
}

TEST_F(IniTest, VeryLongValuesAreWrittenWithoutHarm) {
  for (size_t n : {32765u, 32766u, 32767u, 70000u}) {
    Write(L"S", L"Huge", std::wstring(n, L'y'));
    EXPECT_NE(h_->last_return_code(), 0) << n;
    EXPECT_EQ(GetValue(), std::wstring(254, L'y')) << n;
  }
  // The file stays readable: another key written after it reads back.
  Write(L"S", L"After", L"ok");
  EXPECT_EQ(GetValue(), L"ok");
}

TEST_F(IniTest, SectionListsAndEnumerations) {
  Write(L"S", L"One", L"1");
  Write(L"S", L"Two", L"2");
  Write(L"T", L"x", L"3");
  h_->set_section(L"s");  // names match without regard to case
  EXPECT_EQ(h_->SectionKeyList(), std::wstring(L"One\0Two\0", 8));
  EXPECT_EQ(h_->SectionList(), std::wstring(L"S\0T\0", 4));
  SAFEARRAY* keys = nullptr;
  short count = -1;
  ASSERT_HRESULT_SUCCEEDED(h_->EnumerateCurrentSection(&keys, &count));
  EXPECT_EQ(count, 2);
  EXPECT_EQ(ArrayItems(keys), (std::vector<std::wstring>{L"One", L"Two"}));
  // A second call replaces the caller's array.
  ASSERT_HRESULT_SUCCEEDED(h_->EnumerateAllSections(&keys, &count));
  EXPECT_EQ(count, 2);
  EXPECT_EQ(ArrayItems(keys), (std::vector<std::wstring>{L"S", L"T"}));
  SafeArrayDestroy(keys);
}

TEST_F(IniTest, EmptyAndMissingFilesGiveEmptyArrays) {
  WriteFileText(h_->path(), "");
  for (int all = 0; all < 2; ++all) {
    SAFEARRAY* sa = nullptr;
    short count = 5;
    h_->set_section(L"Nothing");
    ASSERT_HRESULT_SUCCEEDED(all ? h_->EnumerateAllSections(&sa, &count) : h_->EnumerateCurrentSection(&sa, &count));
    EXPECT_EQ(count, 0);
    ASSERT_NE(sa, nullptr);
    EXPECT_TRUE(ArrayItems(sa).empty());
    SafeArrayDestroy(sa);
  }
}

TEST_F(IniTest, SectionListSkipsEmptyNames) {
  // Hand-written file with an empty section header between two named ones.
  WriteFileText(h_->path(), "[S]\r\nk=v\r\n[]\r\nz=1\r\n[T]\r\ny=2\r\n");
  EXPECT_EQ(h_->EnumerateSections(), (std::vector<std::wstring>{L"S", L"T"}));
  h_->set_section(L"T");
  EXPECT_EQ(h_->EnumerateSection(), (std::vector<std::wstring>{L"y"}));
}

TEST_F(IniTest, DeletingKeysAndSections) {
  Write(L"S", L"A", L"1");
  Write(L"S", L"B", L"2");
  Write(L"T", L"C", L"3");
  h_->set_section(L"S");
  h_->set_key(L"A");
  ASSERT_HRESULT_SUCCEEDED(h_->DeleteKeyINI());
  EXPECT_EQ(h_->EnumerateSection(), (std::vector<std::wstring>{L"B"}));
  BSTR text = SysAllocString(L"ignored");
  ASSERT_HRESULT_SUCCEEDED(h_->put_INISection(text));
  SysFreeString(text);
  EXPECT_NE(h_->last_return_code(), 0);
  EXPECT_TRUE(h_->EnumerateSection().empty());
  EXPECT_EQ(ReadFileText(h_->path()).find(L"ignored"), std::wstring::npos);
  h_->set_section(L"T");
  ASSERT_HRESULT_SUCCEEDED(h_->DeleteSectionINI());
  EXPECT_TRUE(h_->EnumerateSections().empty());
}

TEST_F(IniTest, FailedWritesReportThroughLastReturnCodeOnly) {
  h_->set_path(dir_.File(L"missing\\folder\\x.ini"));
  h_->set_section(L"S");
  h_->set_key(L"K");
  BSTR v = SysAllocString(L"x");
  EXPECT_HRESULT_SUCCEEDED(h_->put_Value(&v));
  SysFreeString(v);
  EXPECT_EQ(h_->last_return_code(), 0);
  VARIANT_BOOL ok = VARIANT_TRUE;
  h_->get_Success(&ok);
  EXPECT_EQ(ok, VARIANT_FALSE);
}

TEST(IniCLngDefault, ConvertsWithBankersRoundingOrFallsBack) {
  struct { const wchar_t* text; long fallback; long want; } cases[] = {
      {L"12", 0, 12},         {L"2.5", 0, 2},      {L"3.5", 0, 4},          {L"-2.5", 0, -2},
      {L" 42 ", 0, 42},       {L"FAIL", 7, 7},     {L"", 0, 0},             {L"", 9, 9},
      {L"2147483647", 0, 2147483647}, {L"2147483648", 5, 5}, {L"1e3", 0, 1000}, {L"12abc", 3, 3},
  };
  for (auto& c : cases) EXPECT_EQ(IniFileHandler::ToLongOr(c.text, c.fallback), c.want) << kz::ToAnsi(c.text);
}

TEST_F(IniTest, HeaderInfoReadsTheHeaderSection) {
  // Every key with its own value, written in another order than the record's, so that two
  // fields read from each other's keys cannot pass.
  WriteFileText(h_->path(),
                "[HeaderInfo]\r\nFlags=fl\r\nContents=co\r\nClassID=ci\r\nGenerator=ge\r\n"
                "Signature=si\r\nVersion=1.2\r\nDescription=de\r\nFriend=fr\r\nFileName=fi\r\nLCID=1033\r\n");
  IFHHeaderInfo info{};
  ASSERT_HRESULT_SUCCEEDED(h_->GetHeaderInfo(&info));
  const std::pair<BSTR*, const wchar_t*> fields[] = {
      {&info.sFileName, L"fi"}, {&info.sFriend, L"fr"},    {&info.sDescription, L"de"},
      {&info.sVersion, L"1.2"}, {&info.sSignature, L"si"}, {&info.sGenerator, L"ge"},
      {&info.sClassID, L"ci"},  {&info.sContents, L"co"},  {&info.sFlags, L"fl"}};
  for (const auto& f : fields) EXPECT_EQ(kz::FromBstr(*f.first), f.second);
  EXPECT_EQ(info.lLCID, 1033);
  EXPECT_EQ(h_->section(), L"HeaderInfo");
  EXPECT_EQ(h_->key(), L"Flags");
  for (const auto& f : fields) SysFreeString(*f.first);
}

TEST_F(IniTest, HeaderInfoLcidIsReadAsLeadingNumber) {
  struct { const char* lcid; long want; HRESULT hr; } cases[] = {
      {nullptr, 0, S_OK}, {"1031abc", 1031, S_OK}, {"12.5", 12, S_OK}, {"x", 0, S_OK},
      {"99999999999", 0, static_cast<HRESULT>(0x800A0006)}};
  for (auto& c : cases) {
    std::string file = "[HeaderInfo]\r\n";
    if (c.lcid) file += std::string("LCID=") + c.lcid + "\r\n";
    WriteFileText(h_->path(), file);
    IFHHeaderInfo info{};
    EXPECT_EQ(h_->GetHeaderInfo(&info), c.hr) << (c.lcid ? c.lcid : "absent");
    if (c.hr == S_OK) {
      EXPECT_EQ(info.lLCID, c.want) << (c.lcid ? c.lcid : "absent");
    }
    IRecordInfo* ri = nullptr;
    // Free what was filled through the record's own description.
    const GUID kHeaderInfo = {0x3077091D, 0x1F12, 0x4DDA, {0x97, 0xBA, 0xEA, 0x3F, 0x75, 0x5B, 0x98, 0xA6}};
    ASSERT_HRESULT_SUCCEEDED(GetRecordInfoFromGuids(LIBID_Kelzud10, 1, 0, 1033, kHeaderInfo, &ri));
    ri->RecordClear(&info);
    ri->Release();
  }
}

TEST_F(IniTest, OneOffReadsAndWritesUseASecondHandler) {
  Write(L"Mine", L"K", L"mine");
  BSTR path = SysAllocString(dir_.File(L"other.ini").c_str());
  BSTR section = SysAllocString(L"Sec"), key = SysAllocString(L"Name"), value = SysAllocString(L"v");
  BSTR r = nullptr;
  ASSERT_HRESULT_SUCCEEDED(h_->WriteINIFileValue(&path, &section, &key, &value, &r));
  EXPECT_EQ(kz::FromBstr(r), L"");
  SysFreeString(r);
  ASSERT_HRESULT_SUCCEEDED(h_->ReadDetailsINIFileValue(&path, &section, &key, &r));
  EXPECT_EQ(kz::FromBstr(r), L"v");
  SysFreeString(r);
  EXPECT_EQ(h_->section(), L"Mine");
  EXPECT_EQ(h_->key(), L"K");
  for (BSTR b : {path, section, key, value}) SysFreeString(b);
}

// ---- long lists, hostile names and paths, and writes that never lose data --------------------

namespace {

// A file of `count` sections or keys written in one go (the profile writer would take long).
std::string ManyKeys(const char* section, int count) {
  std::string text = std::string("[") + section + "]\r\n";
  char line[64];
  for (int i = 0; i < count; ++i) {
    std::snprintf(line, sizeof line, "Key%05d=v%d\r\n", i, i);
    text += line;
  }
  return text;
}

std::wstring KeyName(int i) {
  wchar_t name[16];
  std::swprintf(name, 16, L"Key%05d", i);
  return name;
}

}  // namespace

TEST_F(IniTest, ListsLongerThan8KBAreComplete) {
  // 3,000 keys take 27,000 characters of names: far more than the first list buffer.
  std::string text = ManyKeys("Big", 3000);
  for (int i = 0; i < 1500; ++i) text += "[Section" + std::to_string(i) + "]\r\nk=v\r\n";
  WriteFileText(h_->path(), text);
  h_->set_section(L"Big");
  std::vector<std::wstring> keys = h_->EnumerateSection();
  ASSERT_EQ(keys.size(), 3000u);
  for (int i : {0, 1, 909, 2999}) EXPECT_EQ(keys[i], KeyName(i));
  SAFEARRAY* sa = nullptr;
  short count = 0;
  ASSERT_HRESULT_SUCCEEDED(h_->EnumerateCurrentSection(&sa, &count));
  EXPECT_EQ(count, 3000);
  SafeArrayDestroy(sa);
  EXPECT_EQ(h_->SectionKeyList().size(), 3000u * 9);
  std::vector<std::wstring> sections = h_->EnumerateSections();
  ASSERT_EQ(sections.size(), 1501u);
  EXPECT_EQ(sections.front(), L"Big");
  EXPECT_EQ(sections.back(), L"Section1499");
}

TEST_F(IniTest, ReadsWithTextsOf32767CharactersAndMore) {
  Write(L"S", L"K", L"stored");
  const std::wstring huge(40000, L's'), dflt(40000, L'd');
  // Each read once crashed the process inside the platform's ANSI read.
  h_->set_section(huge);
  h_->set_default(L"fallback");
  EXPECT_EQ(GetValue(), L"fallback");
  EXPECT_EQ(h_->SectionKeyList(), L"fallback");
  h_->set_section(L"S");
  h_->set_default(dflt);
  h_->set_key(L"Absent");
  EXPECT_EQ(GetValue(), std::wstring(254, L'd'));
  EXPECT_EQ(h_->SectionList(), std::wstring(L"S\0", 2));
  for (size_t n : {32766u, 32767u, 40000u}) {
    h_->set_default(L"");
    h_->set_section(std::wstring(n, L'x'));
    h_->set_key(L"K");
    EXPECT_EQ(GetValue(), L"") << n;
  }
  // Through the one-off read, as a script calls it.
  BSTR path = SysAllocString(h_->path().c_str()), section = SysAllocStringLen(huge.data(), 40000),
       key = SysAllocString(L"K"), r = nullptr;
  EXPECT_HRESULT_SUCCEEDED(h_->ReadDetailsINIFileValue(&path, &section, &key, &r));
  EXPECT_EQ(kz::FromBstr(r), L"");
  for (BSTR b : {path, section, key, r}) SysFreeString(b);
}

TEST_F(IniTest, KeysOf32767CharactersReadBackWhatWasWritten) {
  const std::wstring key(40000, L'k');
  Write(L"S", key, L"long key");
  ASSERT_NE(h_->last_return_code(), 0);
  EXPECT_EQ(GetValue(), L"long key");
  const std::wstring section(33000, L'q');
  Write(section, L"K", L"long section");
  ASSERT_NE(h_->last_return_code(), 0);
  EXPECT_EQ(GetValue(), L"long section");
}

TEST_F(IniTest, PathsThePlatformCannotNameAreRefused) {
  auto listing = [](const std::wstring& folder) {
    std::set<std::wstring> names;
    WIN32_FIND_DATAW fd;
    HANDLE f = FindFirstFileW((folder + L"\\*").c_str(), &fd);
    if (f == INVALID_HANDLE_VALUE) return names;
    do names.insert(fd.cFileName); while (FindNextFileW(f, &fd));
    FindClose(f);
    return names;
  };
  wchar_t cwd[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, cwd);
  const std::set<std::wstring> cwd_before = listing(cwd), dir_before = listing(dir_.path());
  // Bare names (looked up in the Windows folder) and folders past MAX_PATH: reads give
  // Default, writes fail; nothing is written anywhere else, and nothing crashes.
  std::wstring long_folder = dir_.path() + L"\\" + std::wstring(240, L'f') + L"\\x.ini";
  const std::wstring paths[] = {std::wstring(1000, L'b') + L".ini", std::wstring(5000000, L'b'),
                                long_folder, dir_.path() + L"\\" + std::wstring(40000, L'p') + L".ini"};
  for (const std::wstring& p : paths) {
    h_->set_path(p);
    h_->set_section(L"S");
    h_->set_key(L"K");
    h_->set_default(L"dflt");
    std::wstring v = L"text";
    h_->WriteValue(v);
    EXPECT_EQ(h_->last_return_code(), 0) << p.size();
    EXPECT_EQ(GetValue(), L"dflt") << p.size();
    EXPECT_EQ(h_->SectionKeyList(), L"dflt") << p.size();
    EXPECT_EQ(h_->SectionList(), L"") << p.size();
    h_->DeleteSection();
    EXPECT_EQ(h_->last_return_code(), 0);
  }
  // No junk-named file appeared in the current folder or the test folder.
  EXPECT_EQ(listing(cwd), cwd_before);
  EXPECT_EQ(listing(dir_.path()), dir_before);
  // A short bare name still lives in the Windows folder.
  const std::wstring bare = L"kzt_ini_bare_" + std::to_wstring(GetCurrentProcessId()) + L".ini";
  h_->set_path(bare);
  std::wstring v = L"here";
  h_->WriteValue(v);
  EXPECT_NE(h_->last_return_code(), 0);
  EXPECT_EQ(GetValue(), L"here");
  wchar_t windir[MAX_PATH];
  GetWindowsDirectoryW(windir, MAX_PATH);
  const std::wstring in_windows = std::wstring(windir) + L"\\" + bare;
  EXPECT_TRUE(FileExists(in_windows));
  DeleteFileW(in_windows.c_str());
}

TEST_F(IniTest, TextsTheFileCannotHoldAreRefused) {
  WriteFileText(h_->path(), "[S]\r\nK=before\r\n");
  const std::string before = kz::ToAnsi(ReadFileText(h_->path()));
  struct Case {
    const wchar_t* section;
    const wchar_t* key;
    const wchar_t* value;
  } cases[] = {
      {L"S", L"K", L"x\r\n[Injected]\r\nevil=1"}, {L"S", L"K", L"line\nbreak"}, {L"S", L"K", L"cr\ronly"},
      {L"S]x", L"K", L"v"},                        {L"S\r\n", L"K", L"v"},      {L"S", L"K=x", L"v"},
      {L"S", L"K\nx", L"v"},                       {L"S", L"[Evil]", L"v"},     {L"S", L" ;comment", L"v"},
  };
  for (const Case& c : cases) {
    h_->set_section(c.section);
    h_->set_key(c.key);
    BSTR v = SysAllocString(c.value);
    ASSERT_HRESULT_SUCCEEDED(h_->put_Value(&v));
    SysFreeString(v);
    VARIANT_BOOL ok = VARIANT_TRUE;
    h_->get_Success(&ok);
    EXPECT_EQ(ok, VARIANT_FALSE) << kz::ToAnsi(c.section) << "/" << kz::ToAnsi(c.key) << "/" << kz::ToAnsi(c.value);
  }
  EXPECT_EQ(kz::ToAnsi(ReadFileText(h_->path())), before);
  // Brackets and equals signs where the format allows them are written as before.
  Write(L"S[1", L"a]b", L"x=y [z]");
  EXPECT_NE(h_->last_return_code(), 0);
  EXPECT_EQ(GetValue(), L"x=y [z]");
}

TEST_F(IniTest, WritesReplaceTheFileWholeAndLeaveNothingBehind) {
  WriteFileText(h_->path(), "; a comment\r\n[A]\r\nx=1\r\n[B]\r\ny=2\r\n");
  Write(L"A", L"z", L"3");
  EXPECT_NE(h_->last_return_code(), 0);
  Write(L"A", L"z", L"3");  // the same value again: nothing to change, still a success
  EXPECT_NE(h_->last_return_code(), 0);
  h_->set_key(L"x");
  h_->DeleteKey();
  EXPECT_NE(h_->last_return_code(), 0);
  EXPECT_EQ(ReadFileText(h_->path()), L"; a comment\r\n[A]\r\nz=3\r\n[B]\r\ny=2\r\n");
  // Only the file itself is in the folder: the working copy went with the rename.
  WIN32_FIND_DATAW fd;
  HANDLE f = FindFirstFileW(dir_.File(L"*").c_str(), &fd);
  int files = 0;
  do {
    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      ++files;
      EXPECT_EQ(std::wstring(fd.cFileName), L"test.ini");
    }
  } while (FindNextFileW(f, &fd));
  FindClose(f);
  EXPECT_EQ(files, 1);
  // Deleting from a file that does not exist creates none.
  h_->set_path(dir_.File(L"absent.ini"));
  h_->DeleteSection();
  EXPECT_FALSE(FileExists(dir_.File(L"absent.ini")));
  // A read-only file is not written, as the platform would not write it.
  h_->set_path(dir_.File(L"test.ini"));
  SetFileAttributesW(h_->path().c_str(), FILE_ATTRIBUTE_READONLY);
  Write(L"A", L"z", L"4");
  EXPECT_EQ(h_->last_return_code(), 0);
  SetFileAttributesW(h_->path().c_str(), FILE_ATTRIBUTE_NORMAL);
  h_->set_key(L"z");
  EXPECT_EQ(GetValue(), L"3");
}

// ---- two processes writing one file -----------------------------------------------------------

namespace {

constexpr int kChildKeys = 150;
const wchar_t kChildVariable[] = L"KZT_INI_WRITER";

}  // namespace

// Runs only as a child of the test below: writes kChildKeys keys into one section.
TEST(IniChildProcess, Writer) {
  wchar_t request[2048];
  DWORD n = GetEnvironmentVariableW(kChildVariable, request, 2048);
  if (n == 0 || n >= 2048) GTEST_SKIP() << "a helper of TwoProcessesWritingOneFileKeepEveryKey";
  std::wstring s = request;
  size_t bar = s.find(L'|');
  IniFileHandler* h = kz::MakeObject<IniFileHandler>();
  h->set_path(s.substr(0, bar));
  h->set_section(s.substr(bar + 1));
  int failed = 0;
  for (int i = 0; i < kChildKeys; ++i) {
    h->set_key(KeyName(i));
    std::wstring v = L"value" + std::to_wstring(i);
    h->WriteValue(v);
    if (!h->last_return_code()) ++failed;
  }
  h->Release();
  EXPECT_EQ(failed, 0);
}

TEST_F(IniTest, TwoProcessesWritingOneFileKeepEveryKey) {
  WriteFileText(h_->path(), "[Untouched]\r\nkeep=yes\r\n[Read]\r\nstable=value\r\n");
  wchar_t exe[MAX_PATH];
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::vector<PROCESS_INFORMATION> children;
  for (const wchar_t* section : {L"One", L"Two"}) {
    SetEnvironmentVariableW(kChildVariable, (h_->path() + L"|" + section).c_str());
    std::wstring cmd = L"\"" + std::wstring(exe) + L"\" --gtest_filter=IniChildProcess.Writer";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    children.push_back(pi);
  }
  SetEnvironmentVariableW(kChildVariable, nullptr);
  // A third party reads an unchanged key all the while.
  IniFileHandler* reader = kz::MakeObject<IniFileHandler>();
  reader->set_path(h_->path());
  reader->set_section(L"Read");
  reader->set_key(L"stable");
  reader->set_default(L"<default>");
  int reads = 0, wrong = 0;
  std::vector<HANDLE> handles;
  for (auto& c : children) handles.push_back(c.hProcess);
  while (WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), TRUE, 0) == WAIT_TIMEOUT &&
         reads < 200000) {
    ++reads;
    if (reader->ReadValue() != L"value") ++wrong;
  }
  reader->Release();
  ASSERT_EQ(WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), TRUE, 100000), WAIT_OBJECT_0);
  for (auto& c : children) {
    DWORD code = 1;
    GetExitCodeProcess(c.hProcess, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(c.hProcess);
    CloseHandle(c.hThread);
  }
  EXPECT_EQ(wrong, 0) << "of " << reads << " reads";
  for (const wchar_t* section : {L"One", L"Two"}) {
    h_->set_section(section);
    std::vector<std::wstring> keys = h_->EnumerateSection();
    EXPECT_EQ(keys.size(), static_cast<size_t>(kChildKeys)) << kz::ToAnsi(section);
    h_->set_key(KeyName(kChildKeys - 1));
    EXPECT_EQ(GetValue(), L"value" + std::to_wstring(kChildKeys - 1));
  }
  h_->set_section(L"Untouched");
  h_->set_key(L"keep");
  EXPECT_EQ(GetValue(), L"yes");
}

// INI lines into two files in turn leave each file as value writes one by one do, and a line
// with too few fields stops the action with the lines before it written.
TEST_F(IniTest, IniLinesLeaveWhatValueWritesLeaveAndStopAtABadLine) {
  const std::wstring a = dir_.File(L"a.ini"), b = dir_.File(L"b.ini"), ra = dir_.File(L"ra.ini"),
                     rb = dir_.File(L"rb.ini");
  for (const std::wstring& f : {a, ra}) WriteFileText(f, "; head\r\n[S]\r\nx = 1 \r\n\r\n[T]\r\n");
  struct Line { const std::wstring* file; const wchar_t* section; const wchar_t* key; const wchar_t* value; };
  const Line lines[] = {{&a, L"S", L"x", L"2"}, {&a, L"S", L"y", L"two  words"}, {&b, L"T", L"k", L"v"},
                        {&a, L"T", L"z", L"3"}, {&a, L"S", L"X", L"2"}, {&a, L"New", L"n", L"1"}};
  std::string text = "[Lines]\r\n";
  int n = 0;
  for (const Line& l : lines) {
    text += "l" + std::to_string(n++) + "=" + kz::ToAnsi(*l.file) + "," + kz::ToAnsi(l.section) + "," +
            kz::ToAnsi(l.key) + "," + kz::ToAnsi(l.value) + "\r\n";
    const std::wstring& ref = l.file == &a ? ra : rb;
    std::wstring key = l.key, value = l.value;
    kz::ProfileWrite(ref, l.section, &key, &value);
  }
  text += "bad=" + kz::ToAnsi(a) + ",S,after\r\n";
  WriteFileText(h_->path(), text);
  h_->set_section(L"Lines");
  VARIANT r;
  EXPECT_EQ(h_->PalsSIni(nullptr, nullptr, nullptr, nullptr, nullptr, &r), static_cast<HRESULT>(0x800A0009));
  EXPECT_EQ(ReadFileText(a), ReadFileText(ra));
  EXPECT_EQ(ReadFileText(b), ReadFileText(rb));
  EXPECT_NE(ReadFileText(a).find(L"New"), std::wstring::npos);
}

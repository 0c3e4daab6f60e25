// Folder and file backups into the dated tree, their records and log, and INI lines.
#include <string>

#include "base/text.h"
#include "frame/kz.h"
#include "frame/modules.h"
#include "ini/clsKelzudINIFileHandler1A.h"
#include "testkit.h"

using namespace kzt;
using kz::IniFileHandler;

namespace {

class FamilyVariable {
 public:
  FamilyVariable(std::wstring name, std::wstring value) : name_(std::move(name)) { Set(value); }
  ~FamilyVariable() { Set(L""); }

 private:
  void Set(std::wstring value) {
    long scope = 2;
    kz::KelEnvironSet(scope, name_, value);
  }
  std::wstring name_;
};

// The folder a line named `key` backs up into under `root`, for the current hour. A test that
// straddles an hour boundary would look one hour off, so callers take it before and after.
std::wstring BackupFolder(const std::wstring& root, const std::wstring& key) {
  SYSTEMTIME t;
  GetLocalTime(&t);
  wchar_t hour[3];
  swprintf(hour, 3, L"%02u", static_cast<unsigned>(t.wHour));
  return root + L"\\" + kz::GetComputerNameText() + L"\\" + std::to_wstring(t.wYear) + L"\\" +
         std::to_wstring(t.wMonth) + L"\\" + std::to_wstring(t.wDay) + L"\\" + hour + L"\\" + key;
}

std::wstring IniValue(const std::wstring& file, const wchar_t* section, const wchar_t* key) {
  wchar_t buf[2048];
  GetPrivateProfileStringW(section, key, L"<absent>", buf, 2048, file.c_str());
  return buf;
}

// The short (8.3) form of an existing path, or the path itself where the file system gives
// none.
std::wstring ShortName(const std::wstring& path) {
  wchar_t buf[MAX_PATH];
  DWORD n = GetShortPathNameW(path.c_str(), buf, MAX_PATH);
  return n && n < MAX_PATH ? std::wstring(buf, n) : path;
}

std::wstring Slashes(std::wstring s) {
  for (wchar_t& c : s)
    if (c == L'\\') c = L'/';
  return s;
}

class BackupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    h_ = kz::MakeObject<IniFileHandler>();
    h_->set_path(dir_.File(L"actions.ini"));
  }
  void TearDown() override { h_->Release(); }
  void Section(const std::wstring& name, const std::vector<std::pair<std::wstring, std::wstring>>& lines) {
    std::string text = "[" + kz::ToAnsi(name) + "]\r\n";
    for (auto& l : lines) text += kz::ToAnsi(l.first) + "=" + kz::ToAnsi(l.second) + "\r\n";
    WriteFileText(h_->path(), text);
    h_->set_section(name);
  }
  CallResult Pals(long code) {
    Var c = Var::Long(code);
    return Call(h_->itf(), L"Pals", {c.get()});
  }
  // A source tree: a.txt, sub\b.txt.
  void MakeTree(const std::wstring& root) {
    CreateDirectoryW(root.c_str(), nullptr);
    CreateDirectoryW((root + L"\\sub").c_str(), nullptr);
    WriteFileText(root + L"\\a.txt", "alpha");
    WriteFileText(root + L"\\sub\\b.txt", "beta");
  }
  TempDir dir_;
  IniFileHandler* h_ = nullptr;
};

}  // namespace

TEST_F(BackupTest, FolderBackupMakesTheDatedTreeRecordLogAndCopy) {
  TempDir logs, dest;
  FamilyVariable logs_var(L"VQENVSLOGS", logs.path());
  FamilyVariable src_var(L"KZTBACKUPSRC", dir_.File(L"data"));
  UnattendedLog boxes;
  MakeTree(dir_.File(L"data"));
  Section(L"Backups", {{L"Docs", L"%KZTBACKUPSRC%," + dest.path() + L",Copy,True"}, {L"Empty", L""}});
  const std::wstring before = BackupFolder(dest.path(), L"Docs");
  CallResult r = Pals(kelzudIFHPalsCSFNF);
  ASSERT_EQ(r.error, 0) << kz::ToAnsi(r.description);
  EXPECT_EQ(r.value.vt(), VT_EMPTY);
  std::wstring b = BackupFolder(dest.path(), L"Docs");
  if (b != before && !FileExists(b + L"\\details.ini")) b = before;
  const std::wstring c = b + L"\\Copy";
  EXPECT_EQ(ReadFileText(c + L"\\a.txt"), L"alpha");
  EXPECT_EQ(ReadFileText(c + L"\\sub\\b.txt"), L"beta");
  EXPECT_EQ(ReadFileText(dir_.File(L"data\\a.txt")), L"alpha") << "the source stays";

  const std::wstring details = b + L"\\details.ini";
  EXPECT_EQ(IniValue(details, L"DETAILS", L"SourceDir"), dir_.File(L"data"));
  EXPECT_EQ(IniValue(details, L"DETAILS", L"DestinationDir"), c);
  EXPECT_EQ(IniValue(details, L"DETAILS", L"Computer"), kz::GetComputerNameText());
  EXPECT_EQ(IniValue(details, L"DETAILS", L"WindowsUser"), kz::GetUserNameText());
  EXPECT_NE(IniValue(details, L"DETAILS", L"NowStamp"), L"<absent>");
  const std::wstring log = logs.File(L"bar.ini");
  EXPECT_EQ(IniValue(log, L"Backup-Docs", L"SourceDir"), dir_.File(L"data"));
  EXPECT_EQ(IniValue(log, L"Backup-Docs", L"DestinationDir"), c);
  EXPECT_EQ(IniValue(log, L"Backup-Docs", L"Computer"), kz::GetComputerNameText());

  // Progress: every step in the static window, the last record hides it.
  std::vector<std::wstring> rec = boxes.Records();
  ASSERT_GE(rec.size(), 12u);
  EXPECT_NE(rec[0].find(L"Taking Backup for Docs - %KZTBACKUPSRC%,"), std::wstring::npos) << kz::ToAnsi(rec[0]);
  EXPECT_EQ(rec[1].rfind(L"hide", 0), 0u);
  auto has = [&](const std::wstring& text) {
    for (auto& x : rec)
      if (x.find(text) != std::wstring::npos) return true;
    return false;
  };
  EXPECT_TRUE(has(L"Writing  "));
  EXPECT_TRUE(has(L"Archiving "));
  EXPECT_TRUE(has(L"Finishing... "));
  EXPECT_EQ(rec.back().rfind(L"hide", 0), 0u);

  // Again in the same hour: the folders are reused and the copy overwrites.
  WriteFileText(dir_.File(L"data\\a.txt"), "alpha2");
  r = Pals(kelzudIFHPalsCSFNF);
  ASSERT_EQ(r.error, 0) << kz::ToAnsi(r.description);
  if (BackupFolder(dest.path(), L"Docs") == b) {
    EXPECT_EQ(ReadFileText(c + L"\\a.txt"), L"alpha2");
  }
}

TEST_F(BackupTest, FolderBackupFailuresReachTheCaller) {
  TempDir logs, dest;
  FamilyVariable logs_var(L"VQENVSLOGS", logs.path());
  UnattendedLog boxes;
  struct Case {
    std::wstring line;
    long error;
  } cases[] = {
      {dir_.File(L"missing") + L"," + dest.path() + L",Copy,True", 76},  // no source
      {dir_.File(L"data") + L"," + dest.path() + L",Copy,maybe", 13},    // not a Boolean
      {dir_.File(L"data") + L"," + dest.path() + L",Copy", 9},           // three fields
  };
  MakeTree(dir_.File(L"data"));
  for (const Case& c : cases) {
    Section(L"Backups", {{L"Docs", c.line}});
    CallResult r = Pals(kelzudIFHPalsCSFNF);
    EXPECT_EQ(r.error, c.error) << kz::ToAnsi(c.line);
  }
  // A backup name that would leave the tree.
  Section(L"Backups", {{L"..", dir_.File(L"data") + L"," + dest.path() + L",Copy,True"}});
  EXPECT_EQ(Pals(kelzudIFHPalsCSFNF).error, 5);
  // Overwrite false onto an earlier copy: the existing file is kept and the action fails.
  Section(L"Backups", {{L"Docs", dir_.File(L"data") + L"," + dest.path() + L",Copy,False"}});
  const std::wstring c = BackupFolder(dest.path(), L"Docs") + L"\\Copy";
  ASSERT_EQ(Pals(kelzudIFHPalsCSFNF).error, 0);
  WriteFileText(dir_.File(L"data\\a.txt"), "changed");
  CallResult r = Pals(kelzudIFHPalsCSFNF);
  if (BackupFolder(dest.path(), L"Docs") + L"\\Copy" == c) {
    EXPECT_EQ(r.error, 58);
    EXPECT_EQ(ReadFileText(c + L"\\a.txt"), L"alpha");
  }
}

TEST_F(BackupTest, ARecordThatCannotBeWrittenStopsTheBackupBeforeAnyCopy) {
  // A folder named details.ini where the record goes: the action fails with the file error
  // and nothing is copied or logged.
  TempDir logs;
  FamilyVariable logs_var(L"VQENVSLOGS", logs.path());
  UnattendedLog boxes;
  MakeTree(dir_.File(L"data"));
  WriteFileText(dir_.File(L"one.txt"), "one");
  const struct {
    long action;
    const wchar_t* section;
    std::wstring source, last;
  } cases[] = {
      {kelzudIFHPalsCSFNF, L"Backups", dir_.File(L"data"), L"Copy"},
      {kelzudIFHPalsCSFILES, L"Files", dir_.File(L"one.txt"), L"copy.txt"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(kz::ToAnsi(c.section));
    TempDir dest;
    const std::wstring b = BackupFolder(dest.path(), L"Docs");
    const std::wstring blocker = b + L"\\details.ini";
    for (size_t p = blocker.find(L'\\', dest.path().size() + 1); p != std::wstring::npos; p = blocker.find(L'\\', p + 1))
      CreateDirectoryW(blocker.substr(0, p).c_str(), nullptr);
    CreateDirectoryW(blocker.c_str(), nullptr);
    ASSERT_NE(GetFileAttributesW(blocker.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
    Section(c.section, {{L"Docs", c.source + L"," + dest.path() + L"," + c.last + L",True"}});
    CallResult r = Pals(c.action);
    if (BackupFolder(dest.path(), L"Docs") != b) continue;  // the hour turned: another folder
    EXPECT_EQ(r.error, 75) << kz::ToAnsi(r.description);
    EXPECT_EQ(GetFileAttributesW((b + L"\\" + c.last).c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesW(logs.File(L"bar.ini").c_str()), INVALID_FILE_ATTRIBUTES);
  }
}

TEST_F(BackupTest, BackupIntoItsOwnSourceDoesNotCopyItself) {
  TempDir logs;
  FamilyVariable logs_var(L"VQENVSLOGS", logs.path());
  UnattendedLog boxes;
  const std::wstring src = dir_.File(L"data");
  MakeTree(src);
  Section(L"Backups", {{L"Self", src + L"," + src + L"\\bk,Copy,True"}});
  CallResult r = Pals(kelzudIFHPalsCSFNF);
  ASSERT_EQ(r.error, 0) << kz::ToAnsi(r.description);
  const std::wstring c = BackupFolder(src + L"\\bk", L"Self") + L"\\Copy";
  EXPECT_EQ(ReadFileText(c + L"\\a.txt"), L"alpha");
  // The tree under bk is copied once, and the copy is never walked into.
  const std::wstring nested = BackupFolder(c + L"\\bk", L"Self");
  EXPECT_NE(GetFileAttributesW(nested.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesW((nested + L"\\Copy").c_str()), INVALID_FILE_ATTRIBUTES);
}

// However the source and the destination are written, a backup into its own source copies
// the source once and never walks into its own copy.
TEST_F(BackupTest, BackupIntoItsOwnSourceUnderAnySpelling) {
  TempDir logs;
  FamilyVariable logs_var(L"VQENVSLOGS", logs.path());
  UnattendedLog boxes;
  wchar_t previous[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, previous);
  struct Spelling {
    const char* what;
    std::wstring (*source)(const std::wstring& src);  // src: the full, long form
    std::wstring (*root)(const std::wstring& src);
  };
  auto long_root = [](const std::wstring& s) { return s + L"\\bk"; };
  const Spelling spellings[] = {
      {"short name", [](const std::wstring& s) { return ShortName(s); }, long_root},
      {"short destination", [](const std::wstring& s) { return s; },
       [](const std::wstring& s) { return ShortName(s) + L"\\bk"; }},
      {"other case", [](const std::wstring& s) { return kz::UpperCase(s); }, long_root},
      {"dot segments", [](const std::wstring& s) { return s + L"\\.\\sub\\..\\"; }, long_root},
      {"trailing separator", [](const std::wstring& s) { return s + L"\\"; }, long_root},
      {"forward slashes", [](const std::wstring& s) { return Slashes(s); }, long_root},
      {"\\\\?\\ source", [](const std::wstring& s) { return L"\\\\?\\" + s; }, long_root},
      {"\\\\?\\ destination", [](const std::wstring& s) { return s; },
       [](const std::wstring& s) { return L"\\\\?\\" + s + L"\\bk"; }},
      {"relative", [](const std::wstring&) { return std::wstring(L"Source Folder"); }, long_root},
  };
  for (const Spelling& sp : spellings) {
    SCOPED_TRACE(sp.what);
    TempDir case_dir;
    const std::wstring src = case_dir.File(L"Source Folder");
    MakeTree(src);
    SetCurrentDirectoryW(case_dir.path().c_str());
    Section(L"Backups", {{L"Self", sp.source(src) + L"," + sp.root(src) + L",Copy,True"}});
    CallResult r = Pals(kelzudIFHPalsCSFNF);
    CallResult again = Pals(kelzudIFHPalsCSFNF);  // the folders now exist
    SetCurrentDirectoryW(previous);
    ASSERT_EQ(r.error, 0) << kz::ToAnsi(r.description);
    EXPECT_EQ(again.error, 0) << kz::ToAnsi(again.description);
    const std::wstring c = BackupFolder(src + L"\\bk", L"Self") + L"\\Copy";
    EXPECT_EQ(ReadFileText(c + L"\\a.txt"), L"alpha");
    EXPECT_EQ(ReadFileText(c + L"\\sub\\b.txt"), L"beta");
    const std::wstring nested = BackupFolder(c + L"\\bk", L"Self");
    EXPECT_EQ(GetFileAttributesW((nested + L"\\Copy").c_str()), INVALID_FILE_ATTRIBUTES) << "copied into itself";
  }
}

// The last part of the destination names a place inside the backup folder: one that climbs
// out of it, or names another drive or folder, is refused before anything is created.
TEST_F(BackupTest, TargetsThatLeaveTheBackupFolderAreRefused) {
  TempDir logs;
  FamilyVariable logs_var(L"VQENVSLOGS", logs.path());
  UnattendedLog boxes;
  WriteFileText(dir_.File(L"one.txt"), "one");
  MakeTree(dir_.File(L"data"));
  const wchar_t* targets[] = {L"..\\..\\..\\escaped", L"..", L".", L"sub\\..\\..\\escaped", L"../escaped",
                              L"C:\\escaped", L"\\escaped", L"C:escaped", L"a:stream", L"... \\escaped"};
  for (long code : {kelzudIFHPalsCSFNF, kelzudIFHPalsCSFILES}) {
    const std::wstring source = code == kelzudIFHPalsCSFNF ? dir_.File(L"data") : dir_.File(L"one.txt");
    for (const wchar_t* target : targets) {
      SCOPED_TRACE(kz::ToAnsi(target) + " code " + std::to_string(code));
      TempDir dest;
      Section(L"Backups", {{L"Docs", source + L"," + dest.path() + L"\\root," + target + L",True"}});
      CallResult r = Pals(code);
      EXPECT_EQ(r.error, 5) << kz::ToAnsi(r.description);
      EXPECT_EQ(GetFileAttributesW(dest.File(L"root").c_str()), INVALID_FILE_ATTRIBUTES) << "nothing is created";
    }
  }
  // Names that stay inside are still taken.
  TempDir dest;
  Section(L"Backups", {{L"Docs", dir_.File(L"one.txt") + L"," + dest.path() + L",copy..txt,True"}});
  ASSERT_EQ(Pals(kelzudIFHPalsCSFILES).error, 0);
  EXPECT_EQ(ReadFileText(BackupFolder(dest.path(), L"Docs") + L"\\copy..txt"), L"one");
}

// Without the log folder's variable the log goes to the user's temporary folder.
TEST_F(BackupTest, BackupLogWithoutItsVariableGoesToTheTemporaryFolder) {
  FamilyVariable logs_var(L"VQENVSLOGS", L"");
  UnattendedLog boxes;
  TempDir dest;
  MakeTree(dir_.File(L"data"));
  const std::wstring section = L"Backup-" + std::to_wstring(GetCurrentProcessId()) + L"Docs";
  const std::wstring key = section.substr(7);
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring log = std::wstring(temp) + L"bar.ini";
  Section(L"Backups", {{key, dir_.File(L"data") + L"," + dest.path() + L",Copy,True"}});
  CallResult r = Pals(kelzudIFHPalsCSFNF);
  EXPECT_EQ(r.error, 0) << kz::ToAnsi(r.description);
  EXPECT_EQ(IniValue(log, section.c_str(), L"SourceDir"), dir_.File(L"data"));
  WritePrivateProfileStringW(section.c_str(), nullptr, nullptr, log.c_str());
}

// Paths the kernel would cut or refuse, reached through a variable of the longest length the
// environment holds: refused before anything is created.
TEST_F(BackupTest, OverlongPathsAreRefused) {
  TempDir logs, dest;
  FamilyVariable logs_var(L"VQENVSLOGS", logs.path());
  FamilyVariable long_var(L"KZTBACKUPLONG", dest.path() + L"\\" + std::wstring(32766 - dest.path().size() - 1, L'p'));
  UnattendedLog boxes;
  WriteFileText(dir_.File(L"one.txt"), "one");
  MakeTree(dir_.File(L"data"));
  const std::wstring data = dir_.File(L"data"), one = dir_.File(L"one.txt");
  struct Case {
    long code;
    std::wstring line;
  } cases[] = {
      {kelzudIFHPalsCSFNF, L"%KZTBACKUPLONG%\\more\\data," + dest.path() + L",Copy,True"},
      {kelzudIFHPalsCSFNF, data + L",%KZTBACKUPLONG%\\more,Copy,True"},
      {kelzudIFHPalsCSFILES, L"%KZTBACKUPLONG%\\more\\one.txt," + dest.path() + L",x.txt,True"},
      {kelzudIFHPalsCSFILES, one + L",%KZTBACKUPLONG%\\more,x.txt,True"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(kz::ToAnsi(c.line.substr(0, 40)) + " code " + std::to_string(c.code));
    Section(L"Backups", {{L"Docs", c.line}});
    EXPECT_EQ(Pals(c.code).error, 5);
    EXPECT_EQ(GetFileAttributesW(dest.File(kz::GetComputerNameText()).c_str()), INVALID_FILE_ATTRIBUTES);
  }
}

TEST_F(BackupTest, FileBackupCopiesByNameOrIntoAFolder) {
  TempDir dest;
  UnattendedLog boxes;
  WriteFileText(dir_.File(L"one.txt"), "one");
  Section(L"Files", {{L"ByName", dir_.File(L"one.txt") + L"," + dest.path() + L",renamed.txt,True"}});
  CallResult r = Pals(kelzudIFHPalsCSFILES);
  ASSERT_EQ(r.error, 0) << kz::ToAnsi(r.description);
  const std::wstring b = BackupFolder(dest.path(), L"ByName");
  EXPECT_EQ(ReadFileText(b + L"\\renamed.txt"), L"one");
  EXPECT_EQ(IniValue(b + L"\\details.ini", L"DETAILS", L"DestinationDir"), b + L"\\renamed.txt");
  EXPECT_TRUE(boxes.Records().empty()) << "file backups are silent";

  // A target folder ending in "\" must exist: it is not created.
  Section(L"Files", {{L"IntoFolder", dir_.File(L"one.txt") + L"," + dest.path() + L",inbox\\,True"}});
  EXPECT_EQ(Pals(kelzudIFHPalsCSFILES).error, 76);
  CreateDirectoryW((BackupFolder(dest.path(), L"IntoFolder") + L"\\inbox").c_str(), nullptr);
  ASSERT_EQ(Pals(kelzudIFHPalsCSFILES).error, 0);
  EXPECT_EQ(ReadFileText(BackupFolder(dest.path(), L"IntoFolder") + L"\\inbox\\one.txt"), L"one");
  // Overwrite false onto an existing file, and a missing source.
  Section(L"Files", {{L"IntoFolder", dir_.File(L"one.txt") + L"," + dest.path() + L",inbox\\,False"}});
  EXPECT_EQ(Pals(kelzudIFHPalsCSFILES).error, 58);
  Section(L"Files", {{L"Missing", dir_.File(L"none.txt") + L"," + dest.path() + L",x.txt,True"}});
  EXPECT_EQ(Pals(kelzudIFHPalsCSFILES).error, 53);
}

TEST_F(BackupTest, IniLinesWriteOneValueEach) {
  UnattendedLog boxes;
  FamilyVariable var(L"KZTINIDIR", dir_.path());
  Section(L"Ini", {{L"a", dir_.File(L"x.ini") + L",Sec,Name,Val"},
                   {L"b", L"%KZTINIDIR%\\y.ini,S2,K2,V2"},
                   {L"c", L""}});
  CallResult r = Pals(kelzudIFHPalsSINI);
  ASSERT_EQ(r.error, 0) << kz::ToAnsi(r.description);
  EXPECT_EQ(IniValue(dir_.File(L"x.ini"), L"Sec", L"Name"), L"Val");
  EXPECT_EQ(IniValue(dir_.File(L"y.ini"), L"S2", L"K2"), L"V2");
  std::vector<std::wstring> rec = boxes.Records();
  ASSERT_EQ(rec.size(), 1u) << "only the line with a reference shows its path";
  EXPECT_NE(rec[0].find(L"2007 ini"), std::wstring::npos);
  EXPECT_NE(rec[0].find(L"y.ini"), std::wstring::npos) << kz::ToAnsi(rec[0]);
  Section(L"Ini", {{L"a", dir_.File(L"x.ini") + L",Sec,Name"}});
  EXPECT_EQ(Pals(kelzudIFHPalsSINI).error, 9);
}

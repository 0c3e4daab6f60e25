// Moving and copying with the replace question, tree deletion, folder chains, and the drive,
// file, folder, disk-space and process queries.
#include <algorithm>

#include "fstest.h"
#include "base/text.h"
#include "com/collection.h"
#include "platform/ui.h"
#include "platform/volumes.h"

using namespace fst;
using kzt::TempDir;
using kzt::UnattendedLog;

namespace {

// Answers every box as a person would, and remembers them (for tests that answer No).
struct Answers : kz::MessageBoxes {
  int answer = IDNO;
  std::vector<std::wstring> seen;
  int Show(const std::wstring& text, long style, const std::wstring& title) override {
    seen.push_back(std::to_wstring(style) + L"|" + title + L"|" + text);
    return answer;
  }
};

// A text as the unattended log writes it: backslashes doubled.
std::wstring Esc(const std::wstring& s) {
  std::wstring e;
  for (wchar_t c : s) e += c == L'\\' ? std::wstring(L"\\\\") : std::wstring(1, c);
  return e;
}

// Without the unattended log, so that the seam answers.
struct Attended {
  Attended() {
    wchar_t buf[1024];
    DWORD n = GetEnvironmentVariableW(L"KELZUD10_UNATTENDED", buf, 1024);
    if (n && n < 1024) saved.assign(buf, n);
    SetEnvironmentVariableW(L"KELZUD10_UNATTENDED", nullptr);
  }
  ~Attended() { SetEnvironmentVariableW(L"KELZUD10_UNATTENDED", saved.empty() ? nullptr : saved.c_str()); }
  std::wstring saved;
};

}  // namespace

TEST(FsOps, MoveAndCopyKeepTheSourceAttributes) {
  TempDir t;
  Ptr<FileSystem> fs = NewFs();
  UnattendedLog log;
  MakeFile(t.File(L"src.txt"), "one");
  SetFileAttributesW(t.File(L"src.txt").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  EXPECT_TRUE(fs->CopyOne(t.File(L"src.txt"), t.File(L"copy.txt")));
  EXPECT_EQ(ReadBytes(t.File(L"copy.txt")), "one");
  EXPECT_EQ(GetFileAttributesW(t.File(L"copy.txt").c_str()) & 7, 3u);
  EXPECT_TRUE(fs->MoveOne(t.File(L"copy.txt"), t.File(L"Ünïcode name.txt")));
  EXPECT_FALSE(kzt::FileExists(t.File(L"copy.txt")));
  EXPECT_EQ(GetFileAttributesW(t.File(L"Ünïcode name.txt").c_str()) & 7, 3u);
  // Into a folder given with its trailing backslash.
  MakeDir(t.File(L"into"));
  EXPECT_TRUE(fs->CopyOne(t.File(L"src.txt"), t.File(L"into\\")));
  EXPECT_EQ(ReadBytes(t.File(L"into\\src.txt")), "one");
  EXPECT_TRUE(log.Records().empty());
  for (auto* n : {L"src.txt", L"Ünïcode name.txt", L"into\\src.txt"}) SetFileAttributesW(t.File(n).c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(FsOps, ReplaceQuestionUsesTheRecordOfTheLastFileInfo) {
  TempDir t;
  Ptr<FileSystem> fs = NewFs();
  MakeFile(t.File(L"new.txt"), "new");
  MakeFile(t.File(L"old.txt"), "old!");
  SetFileAttributesW(t.File(L"old.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  ASSERT_TRUE(fs->FileInfo(t.File(L"old.txt")));
  std::wstring question = L"File already exist at\r\n" + t.File(L"old.txt") + L"\r\n" + fs->Record().date_last_modified +
                          L"\r\n4\r\n\r\nDo you want to replace it?";
  {
    Attended a;
    Answers no;
    kz::ScopedSeam<kz::MessageBoxes> use(no);
    EXPECT_FALSE(fs->MoveOne(t.File(L"new.txt"), t.File(L"old.txt")));
    EXPECT_FALSE(fs->CopyOne(t.File(L"new.txt"), t.File(L"old.txt")));
    ASSERT_EQ(no.seen.size(), 2u);
    EXPECT_EQ(no.seen[0], L"36|Replace File?|" + question);
    EXPECT_EQ(ReadBytes(t.File(L"new.txt")), "new") << "No changes nothing";
    EXPECT_EQ(ReadBytes(t.File(L"old.txt")), "old!");
    EXPECT_EQ(GetFileAttributesW(t.File(L"old.txt").c_str()) & 1, 1u);
  }
  // Unattended, the question's default answer is Yes: the read-only target is replaced.
  UnattendedLog log;
  EXPECT_TRUE(fs->MoveOne(t.File(L"new.txt"), t.File(L"old.txt")));
  EXPECT_EQ(ReadBytes(t.File(L"old.txt")), "new");
  EXPECT_FALSE(kzt::FileExists(t.File(L"new.txt")));
  ASSERT_EQ(log.Records().size(), 1u);
  // A fresh object has an empty record: the two lines are empty.
  Ptr<FileSystem> fresh = NewFs();
  MakeFile(t.File(L"n2.txt"), "n2");
  EXPECT_TRUE(fresh->CopyOne(t.File(L"n2.txt"), t.File(L"old.txt")));
  ASSERT_EQ(log.Records().size(), 2u);
  EXPECT_EQ(log.Records()[1], L"36\tReplace File?\tFile already exist at\\r\\n" + Esc(t.File(L"old.txt")) +
                                  L"\\r\\n\\r\\n\\r\\n\\r\\nDo you want to replace it?");
  EXPECT_EQ(ReadBytes(t.File(L"old.txt")), "n2");
}

TEST(FsOps, FailuresShowTheirMessageAndDeleteNothing) {
  TempDir t;
  Ptr<FileSystem> fs = NewFs();
  UnattendedLog log;
  MakeFile(t.File(L"keep.txt"), "keep");
  // A missing source: the target stays, even after Yes to the question.
  EXPECT_FALSE(fs->MoveOne(t.File(L"missing.txt"), t.File(L"keep.txt")));
  EXPECT_EQ(ReadBytes(t.File(L"keep.txt")), "keep");
  // A file onto itself.
  EXPECT_FALSE(fs->CopyOne(t.File(L"keep.txt"), t.File(L"keep.txt")));
  EXPECT_EQ(ReadBytes(t.File(L"keep.txt")), "keep");
  // A pattern is no file name.
  EXPECT_FALSE(fs->CopyOne(t.File(L"*.txt"), t.File(L"x.txt")));
  auto r = log.Records();
  ASSERT_EQ(r.size(), 5u);  // two questions, three failures
  EXPECT_EQ(r[1], L"64\tErrors detected\tError: 53  File not found\\r\\n\\r\\nError while moving a file\\r\\n\\r\\nFROM: " +
                      Esc(t.File(L"missing.txt")) + L"\\r\\nTO: " + Esc(t.File(L"keep.txt")));
  EXPECT_EQ(r[3].find(L"48\tError Detected\tError: 70  Permission"), 0u) << r[3];
  EXPECT_NE(r[3].find(L"Error while copying a file"), std::wstring::npos);
  EXPECT_EQ(r[4].find(L"48\tError Detected\tError: 53  File not found"), 0u) << r[4];
  // A locked target is not lost.
  MakeFile(t.File(L"src.txt"), "src");
  HANDLE h = CreateFileW(t.File(L"keep.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_FALSE(fs->CopyOne(t.File(L"src.txt"), t.File(L"keep.txt")));
  CloseHandle(h);
  EXPECT_EQ(ReadBytes(t.File(L"keep.txt")), "keep");
}

TEST(FsOps, DelTree) {
  TempDir t;
  Ptr<FileSystem> fs = NewFs();
  UnattendedLog log;
  MakeFile(t.File(L"tree\\a\\b\\ro.txt"), "x");
  MakeFile(t.File(L"tree\\hidden.txt"), "y");
  MakeFile(t.File(L"tree\\with space.and.dots"), "z");
  SetFileAttributesW(t.File(L"tree\\a\\b\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  SetFileAttributesW(t.File(L"tree\\hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  SetFileAttributesW(t.File(L"tree\\a").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_TRUE(fs->DelTree(t.File(L"tree\\")));
  EXPECT_FALSE(kzt::FileExists(t.File(L"tree")));
  EXPECT_TRUE(log.Records().empty());
  // Missing folders, patterns, files and roots are refused with the message.
  MakeFile(t.File(L"p1\\f.txt"), "f");
  struct Case { std::wstring path; long number; } cases[] = {
      {t.File(L"missing"), 76}, {t.File(L"z*"), 76}, {t.File(L"p1\\f.txt"), 76}, {L"", 76}, {L"C:\\", 75},
      {t.File(L"p*\\f.txt"), 76},
  };
  for (const Case& c : cases) EXPECT_FALSE(fs->DelTree(c.path)) << c.path;
  auto r = log.Records();
  ASSERT_EQ(r.size(), 6u);
  EXPECT_EQ(r[0], L"48\tError Detected\tError: 76  Path not found\\r\\n\\r\\nError while deleting path \\r\\n" +
                      Esc(t.File(L"missing")));
  EXPECT_EQ(r[4].find(L"48\tError Detected\tError: 75  "), 0u) << r[4];
  EXPECT_EQ(ReadBytes(t.File(L"p1\\f.txt")), "f");
}

// A pattern in the last part deletes the folders it matches, and nothing else.
TEST(FsOps, DelTreeOfAPattern) {
  TempDir t;
  Ptr<FileSystem> fs = NewFs();
  UnattendedLog log;
  MakeFile(t.File(L"cache1\\a\\x.txt"), "x");
  MakeFile(t.File(L"cache2\\y.txt"), "y");
  MakeDir(t.File(L"cacheless"));
  MakeFile(t.File(L"cache3.txt"), "file");
  MakeFile(t.File(L"keep\\cache4\\z.txt"), "z");
  SetFileAttributesW(t.File(L"cache2\\y.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(fs->DelTree(t.File(L"cache?")));
  for (auto* gone : {L"cache1", L"cache2"}) EXPECT_FALSE(kzt::FileExists(t.File(gone))) << gone;
  for (auto* kept : {L"cacheless", L"cache3.txt", L"keep\\cache4\\z.txt"}) EXPECT_TRUE(kzt::FileExists(t.File(kept))) << kept;
  EXPECT_TRUE(fs->DelTree(t.File(L"cache*\\")));
  EXPECT_FALSE(kzt::FileExists(t.File(L"cacheless")));
  EXPECT_TRUE(kzt::FileExists(t.File(L"cache3.txt"))) << "a file is no folder";
  EXPECT_TRUE(log.Records().empty()) << log.Records()[0];
  EXPECT_FALSE(fs->DelTree(t.File(L"cache*")));
  ASSERT_EQ(log.Records().size(), 1u);
  EXPECT_EQ(log.Records()[0].find(L"48\tError Detected\tError: 76  Path not found"), 0u) << log.Records()[0];
}

// Moving into a folder never replaces a file of the same name there: the move fails.
TEST(FsOps, MoveIntoAFolderKeepsAFileOfTheSameName) {
  TempDir t;
  Ptr<FileSystem> fs = NewFs();
  UnattendedLog log;
  MakeFile(t.File(L"a.txt"), "new");
  MakeFile(t.File(L"into\\a.txt"), "old");
  EXPECT_FALSE(fs->MoveOne(t.File(L"a.txt"), t.File(L"into\\")));
  EXPECT_EQ(ReadBytes(t.File(L"a.txt")), "new");
  EXPECT_EQ(ReadBytes(t.File(L"into\\a.txt")), "old");
  ASSERT_EQ(log.Records().size(), 1u);
  EXPECT_EQ(log.Records()[0], L"64\tErrors detected\tError: 58  File already exists\\r\\n\\r\\nError while moving a file"
                              L"\\r\\n\\r\\nFROM: " + Esc(t.File(L"a.txt")) + L"\\r\\nTO: " + Esc(t.File(L"into\\")));
  // Into a folder without that name it moves.
  MakeDir(t.File(L"empty"));
  EXPECT_TRUE(fs->MoveOne(t.File(L"a.txt"), t.File(L"empty\\")));
  EXPECT_EQ(ReadBytes(t.File(L"empty\\a.txt")), "new");
}

namespace {

// The names in a folder, without "." and "..".
std::vector<std::wstring> Names(const std::wstring& dir) {
  std::vector<std::wstring> out;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return out;
  do {
    std::wstring n = fd.cFileName;
    if (n != L"." && n != L"..") out.push_back(n);
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  std::sort(out.begin(), out.end());
  return out;
}

unsigned long long SizeOf(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA d{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &d)) return ~0ull;
  return (static_cast<unsigned long long>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
}

}  // namespace

// A failed replace leaves the old target and no other file beside it.
TEST(FsOps, AFailedReplaceLeavesTheTargetAndNoOtherFile) {
  TempDir t;
  Ptr<FileSystem> fs = NewFs();
  UnattendedLog log;
  MakeFile(t.File(L"src.txt"), "src");
  MakeFile(t.File(L"old.txt"), "old");
  for (bool move : {false, true}) {
    HANDLE h = CreateFileW(t.File(L"old.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_FALSE(move ? fs->MoveOne(t.File(L"src.txt"), t.File(L"old.txt")) : fs->CopyOne(t.File(L"src.txt"), t.File(L"old.txt")));
    CloseHandle(h);
    EXPECT_EQ(ReadBytes(t.File(L"old.txt")), "old") << move;
    EXPECT_EQ(Names(t.path()), (std::vector<std::wstring>{L"old.txt", L"src.txt"})) << move;
  }
}

// A process killed while it copies over a 48 MB file leaves that file whole: the old one or
// the new one, never a part.
TEST(FsOps, AKilledCopyLeavesTheTargetWhole) {
  TempDir t;
  const size_t size = 48u << 20;
  std::string old_bytes(size, 'o'), new_bytes(size, 'n');
  MakeFile(t.File(L"old.bin"), old_bytes);
  MakeFile(t.File(L"new.bin"), new_bytes);
  MakeFile(t.File(L"copy.js"),
           "var fs = new ActiveXObject(\"Kelzud10.clsKelzudFileSystemA\");\n"
           "fs.Copy_File(WScript.Arguments(0), WScript.Arguments(1));\n");
  UnattendedLog log;  // the child answers the question unattended
  std::wstring cmd = L"cscript.exe //nologo \"" + t.File(L"copy.js") + L"\" \"" + t.File(L"new.bin") + L"\" \"" +
                     t.File(L"old.bin") + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  ASSERT_TRUE(CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi));
  CloseHandle(pi.hThread);
  // Killed as soon as the copy shows: a new name in the folder, or the target changing.
  const std::vector<std::wstring> before = Names(t.path());
  bool busy = false, ended = false;
  for (int i = 0; i < 200000 && !busy && !ended; ++i) {
    busy = Names(t.path()) != before || SizeOf(t.File(L"old.bin")) != size;
    if (!busy) ended = WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0;
  }
  TerminateProcess(pi.hProcess, 1);
  WaitForSingleObject(pi.hProcess, 10000);
  CloseHandle(pi.hProcess);
  if (!busy) GTEST_SKIP() << "the copy was over before it could be seen";
  std::string now = ReadBytes(t.File(L"old.bin"));
  EXPECT_TRUE(now == old_bytes || now == new_bytes) << "a target of " << now.size() << " bytes";
  EXPECT_EQ(Names(t.path()), before) << "nothing is left beside the target";
}

TEST(FsOps, DelTreeStopsAtALockedFile) {
  TempDir t;
  Ptr<FileSystem> fs = NewFs();
  UnattendedLog log;
  MakeFile(t.File(L"tree\\locked.txt"), "x");
  HANDLE h = CreateFileW(t.File(L"tree\\locked.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  bool ok = fs->DelTree(t.File(L"tree"));
  CloseHandle(h);
  if (ok) GTEST_SKIP() << "this file system deletes open files";
  ASSERT_EQ(log.Records().size(), 1u);
  EXPECT_EQ(log.Records()[0].find(L"48\tError Detected\tError: 70  "), 0u) << log.Records()[0];
}

TEST(FsOps, CreateDirStruct) {
  TempDir t;
  Ptr<FileSystem> fs = NewFs();
  UnattendedLog log;
  EXPECT_FALSE(fs->CreateDirStruct(L""));
  EXPECT_FALSE(fs->CreateDirStruct(L"   "));
  EXPECT_TRUE(log.Records().empty());
  EXPECT_TRUE(fs->CreateDirStruct(t.File(L"A\\B\\C")));
  EXPECT_TRUE(kz::fsx::FolderExists(t.File(L"A\\B\\C")));
  EXPECT_TRUE(fs->CreateDirStruct(t.File(L"A\\\\B\\D\\")));
  EXPECT_TRUE(kz::fsx::FolderExists(t.File(L"A\\B\\D")));
  EXPECT_TRUE(log.Records().empty());
  EXPECT_FALSE(fs->CreateDirStruct(L"\\\\server\\share\\x"));
  MakeFile(t.File(L"file"), "f");
  EXPECT_FALSE(fs->CreateDirStruct(t.File(L"file\\sub")));
  auto r = log.Records();
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[0], L"64\tError creating folder\tError: 76  Path not found\\r\\n\\r\\nAn error occured while trying to create ");
  EXPECT_EQ(r[1].find(L"64\tError creating folder\tError: 58  "), 0u) << r[1];
}

TEST(FsOps, FileAndFolderQueries) {
  TempDir t;
  Ptr<FileSystem> fs = NewFs();
  MakeFile(t.File(L"a.txt"), "a");
  MakeFile(t.File(L"README"), "r");
  MakeFile(t.File(L"dir.x\\inner.txt"), "i");
  EXPECT_TRUE(fs->FolderExist(t.path()));
  EXPECT_TRUE(fs->FolderExist(t.path() + L"\\"));
  EXPECT_TRUE(fs->FolderExist(t.File(L"missing.txt"))) << "answers for the parent";
  EXPECT_FALSE(fs->FolderExist(t.File(L"missing")));
  EXPECT_TRUE(fs->FileExist(t.File(L"a.txt")));
  EXPECT_FALSE(fs->FileExist(t.File(L"README"))) << "no dot among the last five characters";
  EXPECT_FALSE(fs->FileExist(L"  "));
  EXPECT_FALSE(fs->FileExist(t.File(L"dir.x")));
  EXPECT_TRUE(fs->FindAny(t.File(L"*.*")));
  EXPECT_TRUE(fs->FindAny(t.File(L"dir.x")));
  EXPECT_FALSE(fs->FindAny(t.File(L"*.zip")));
  EXPECT_FALSE(fs->FindAny(L""));
  EXPECT_FALSE(fs->Restricted(t.path()));
  EXPECT_FALSE(kzt::FileExists(t.File(L"_Test.$$$")));
  EXPECT_TRUE(fs->Restricted(t.File(L"missing")));
  EXPECT_TRUE(fs->Restricted(L" "));
  EXPECT_EQ(fs->Version(t.File(L"a.txt")), L"");
  wchar_t sys[MAX_PATH];
  GetSystemDirectoryW(sys, MAX_PATH);
  std::wstring v = fs->Version(std::wstring(sys) + L"\\kernel32.dll");
  EXPECT_EQ(std::count(v.begin(), v.end(), L'.'), 3) << v;
}

// A device opened as a file can block a read for ever: the version query runs on a thread of
// its own and must come back empty.
struct VersionOfDevice {
  Ptr<FileSystem> fs;
  std::wstring name, version = L"x";
};
DWORD WINAPI AskVersion(void* p) {
  VersionOfDevice* j = static_cast<VersionOfDevice*>(p);
  j->version = j->fs->Version(j->name);
  return 0;
}

TEST(FsOps, VersionOfADeviceIsEmptyAndDoesNotWait) {
  for (const wchar_t* name : {L"COM1.txt", L"CON", L"\\\\.\\COM1", L"LPT9"}) {
    VersionOfDevice* job = new VersionOfDevice{NewFs(), name};
    HANDLE th = CreateThread(nullptr, 0, AskVersion, job, 0, nullptr);
    const bool returned = WaitForSingleObject(th, 15000) == WAIT_OBJECT_0;
    CloseHandle(th);
    EXPECT_TRUE(returned) << kz::ToAnsi(name);
    if (!returned) continue;  // a query still waiting keeps its job
    EXPECT_EQ(job->version, L"") << kz::ToAnsi(name);
    delete job;
  }
}

// File_Exist answers as its folder test and the file test together, whatever the path's form.
TEST(FsOps, FileExistIsTheFolderTestAndTheFileTest) {
  TempDir t;
  Ptr<FileSystem> fs = NewFs();
  MakeFile(t.File(L"a.txt"), "a");
  MakeFile(t.File(L"README"), "r");
  MakeFile(t.File(L"dir.x\\inner.txt"), "i");
  const wchar_t* names[] = {L"a.txt", L"README", L"dir.x", L"dir.x\\inner.txt", L"missing\\..\\a.txt",
                            L"dir.x\\..\\a.txt", L"dir.x\\.\\inner.txt", L"a.txt\\", L"dir.x\\\\inner.txt",
                            L"missing.txt", L"dir.x\\nope.txt", L"a.txt."};
  for (const wchar_t* n : names) {
    std::wstring p = t.File(n);
    EXPECT_EQ(fs->FileExist(p), fs->FolderExist(p) && kz::fsx::FileExists(p)) << p;
  }
  EXPECT_TRUE(fs->FileExist(t.File(L"dir.x\\..\\a.txt")));
  EXPECT_FALSE(fs->FileExist(t.File(L"README")));
}

namespace {

// Drives as a test wants them: C: fixed and large, R: removable without a medium, S: small.
struct FakeVolumes : kz::Volumes {
  bool has_ex = true;
  std::wstring LogicalDriveStrings() override { return std::wstring(L"C:\\\0R:\\\0S:\\\0", 12); }
  unsigned DriveType(const std::wstring& root) override {
    return root[0] == L'C' ? DRIVE_FIXED : root[0] == L'R' ? DRIVE_REMOVABLE : DRIVE_FIXED;
  }
  bool VolumeInformation(const std::wstring& root, std::wstring* label, unsigned long* serial,
                         std::wstring* fs) override {
    if (root[0] == L'R') return false;
    if (label) *label = L"SYSTEM";
    if (serial) *serial = 0x00AB12CDul;
    if (fs) *fs = L"NTFS";
    return true;
  }
  bool HasDiskFreeSpaceEx() override { return has_ex; }
  bool DiskFreeSpaceEx(const std::wstring& root, unsigned long long* a, unsigned long long* t,
                       unsigned long long* f) override {
    if (towupper(root[0]) == L'S') {
      *t = 1500000000ull, *f = 500000000ull, *a = 400000000ull;
    } else {
      *t = 500000000000ull, *f = 200000000000ull, *a = 100000000000ull;
    }
    return true;
  }
  bool DiskFreeSpace(const std::wstring& root, unsigned long* spc, unsigned long* bps, unsigned long* fc,
                     unsigned long* tc) override {
    *spc = 8, *bps = 512;
    if (towupper(root[0]) == L'S') {
      *fc = 122070, *tc = 366210;  // about 0.5 and 1.5 GB
    } else {
      *fc = 48828125, *tc = 122070312;  // 200 and 500 GB: beyond 32 bits
    }
    return true;
  }
  std::wstring ShareName(const std::wstring&) override { return L""; }
};

}  // namespace

TEST(FsOps, DrivesThroughTheVolumeSeam) {
  FakeVolumes fake;
  kz::ScopedSeam<kz::Volumes> use(fake);
  Ptr<FileSystem> fs = NewFs();
  std::vector<std::wstring> drives{L"C:\\", L"R:\\", L"S:\\"};
  EXPECT_EQ(fs->AvailableDrives(), drives);
  long type = 99;
  EXPECT_FALSE(fs->DriveExist(L"C", type));
  EXPECT_EQ(type, 0);
  EXPECT_FALSE(fs->DriveExist(L"R:\\", type)) << "not ready";
  EXPECT_FALSE(fs->DriveExist(L"Q:", type)) << "no such drive";
  ASSERT_TRUE(fs->DriveExist(L"c:\\Windows", type));
  EXPECT_EQ(type, 2);
  const FileSystem::DriveRecord& d = fs->Drive();
  EXPECT_EQ(d.drive_letter, L"C");
  EXPECT_EQ(d.path, L"C:");
  EXPECT_EQ(d.root_folder, L"C:\\");
  EXPECT_EQ(d.serial_number, L"00AB-12CD");
  EXPECT_EQ(d.volume_name, L"SYSTEM");
  EXPECT_EQ(d.total_size, L"500000000000");
  EXPECT_EQ(d.available_space, L"100000000000");
  EXPECT_EQ(d.free_space, L"200000000000");
  EXPECT_EQ(d.drive_type, L"2");
  EXPECT_EQ(d.file_system, L"NTFS");
  EXPECT_EQ(d.is_ready, L"1");
  // DIObject answers by member name, Path being its default.
  IDispatch* di = nullptr;
  ASSERT_HRESULT_SUCCEEDED(fs->get_DIObject(&di));
  Ptr<IDispatch> drive = Ptr<IDispatch>::Adopt(di);
  ASSERT_TRUE(drive);
  EXPECT_EQ(kz::VarToStr(kz::GetProp(drive.get(), L"RootFolder").get()), L"C:\\");
  EXPECT_EQ(kz::VarToStr(kz::GetProp(drive.get(), L"ShareName").get()), L"");
  EXPECT_EQ(kz::VarToLong(kz::GetProp(drive.get(), L"DriveType").get()), 2);
  EXPECT_EQ(kz::VarToStr(kz::GetProp(drive.get(), L"Path").get()), L"C:");
  EXPECT_TRUE(fs->DriveReady(L"c"));
  EXPECT_FALSE(fs->DriveReady(L"r:"));
  EXPECT_FALSE(fs->DriveReady(L"1:"));
  try {
    fs->DriveReady(L"Q");
    ADD_FAILURE() << "no error for a missing drive";
  } catch (const kz::Error& e) {
    EXPECT_EQ(e.number(), 68);
  }
  // Disk space: 64-bit counts on a large disk, cluster counts on a small one, and the 32-bit
  // products that overflow when the 64-bit call is missing on a large disk.
  double total = 1, free = 1, used = 1;
  EXPECT_TRUE(fs->DiskSpace(L"C:\\x", total, free, used));
  EXPECT_EQ(total, 500000000000.0);
  EXPECT_EQ(free, 200000000000.0);
  EXPECT_EQ(used, 300000000000.0);
  EXPECT_TRUE(fs->DiskSpace(L"s", total, free, used));
  EXPECT_EQ(free, 122070.0 * 4096);
  EXPECT_EQ(total, 366210.0 * 4096);
  EXPECT_EQ(used, total - free);
  fake.has_ex = false;
  EXPECT_FALSE(fs->DiskSpace(L"C", total, free, used));
  EXPECT_EQ(total, 0);
  EXPECT_FALSE(fs->DiskSpace(L"  ", total, free, used));
}

TEST(FsOps, RealDrivesAndProcesses) {
  Ptr<FileSystem> fs = NewFs();
  std::vector<std::wstring> drives = fs->AvailableDrives();
  ASSERT_FALSE(drives.empty());
  EXPECT_EQ(drives[0].size(), 3u);
  long type = 0;
  wchar_t sys[MAX_PATH];
  GetSystemDirectoryW(sys, MAX_PATH);
  EXPECT_TRUE(fs->DriveExist(sys, type));
  EXPECT_GT(type, 0);
  double total = 0, free = 0, used = 0;
  EXPECT_TRUE(fs->DiskSpace(sys, total, free, used));
  EXPECT_GT(total, 0);
  // The test program itself is running; the name is compared exactly.
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring name = kz::fsx::FileName(self);
  Ptr<kz::Collection> names;
  long count = 0;
  EXPECT_TRUE(fs->ExeRunning(name, &names, &count));
  ASSERT_TRUE(names);
  EXPECT_EQ(count, names->size());
  EXPECT_GT(count, 1);
  EXPECT_FALSE(fs->ExeRunning(kz::UpperCase(name) == name ? kz::LowerCase(name) : kz::UpperCase(name), nullptr, &count));
  // Still every process, counted afresh: other tests start and end programs meanwhile.
  EXPECT_GT(count, 1);
}

// The shortcut and special-folder classes: the arguments they hand to the shortcut function
// for each destination, their folder creation, and the special and Windows folders.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <vector>

#include "base/win.h"
#include "com/variant.h"
#include "frame/modules.h"
#include "platform/shelllink.h"
#include "shell/clsKelzudFFShortcutA.h"
#include "shell/clsKelzudMSWindowsA.h"
#include "testkit.h"

using kzt::TempDir;

namespace {

// One object of the class for the test's scope.
template <class T>
struct Obj {
  T* p = kz::MakeObject<T>();
  ~Obj() { p->Release(); }
  T* operator->() { return p; }
};

struct Call {
  std::wstring folder, title, target, args, parent;
  bool priv;
};

struct RecordingLinks : kz::ShellLinks {
  std::vector<Call> calls;
  long answer = 7;
  long Create(const std::wstring& folder, const std::wstring& title, const std::wstring& target,
              const std::wstring& args, bool priv, const std::wstring& parent) override {
    calls.push_back({folder, title, target, args, parent, priv});
    return answer;
  }
};

std::wstring WinDir() {
  wchar_t buf[MAX_PATH] = {};
  GetWindowsDirectoryW(buf, MAX_PATH);
  return buf;
}

TEST(FFShortcut, DestinationsChooseFolderAndParent) {
  std::wstring win = WinDir();
  struct Case {
    long where;
    std::wstring folder, parent;
  } cases[] = {
      {0, win, win},
      {1, L"..\\..\\Desktop", L"$(Programs)"},
      {2, L"..", L"$(Programs)"},
      {3, L"..\\Programs", L"$(Programs)"},
      {8, L"..\\Programs\\Kz App", L"..\\Programs\\Kz App"},
  };
  for (const Case& c : cases) {
    RecordingLinks rec;
    kz::ScopedSeam<kz::ShellLinks> use(rec);
    Obj<kz::FFShortcut> s;
    EXPECT_TRUE(s->AddShortCut(L"  C:\\a b\\t.exe ", L" Title ", L" -x ", c.where, L"Kz App")) << c.where;
    ASSERT_EQ(1u, rec.calls.size()) << c.where;
    EXPECT_EQ(c.folder, rec.calls[0].folder) << c.where;
    EXPECT_EQ(c.parent, rec.calls[0].parent) << c.where;
    EXPECT_EQ(L"C:\\a b\\t.exe", rec.calls[0].target);
    EXPECT_EQ(L"Title", rec.calls[0].title);
    EXPECT_EQ(L"-x", rec.calls[0].args);
    EXPECT_TRUE(rec.calls[0].priv);
    // What the shortcut function answers is what the call reports.
    rec.answer = 0;
    EXPECT_FALSE(s->AddShortCut(L"C:\\t.exe", L"Title", L"", c.where, L"Kz App")) << c.where;
  }
  // The absolute folders of old systems and unknown values name no place: nothing is called.
  for (long where : {4L, 5L, 6L, 9L, -1L, 99L}) {
    RecordingLinks rec;
    kz::ScopedSeam<kz::ShellLinks> use(rec);
    Obj<kz::FFShortcut> s;
    EXPECT_FALSE(s->AddShortCut(L"C:\\t.exe", L"Title", L"", where, L"Kz App")) << where;
    EXPECT_EQ(0u, rec.calls.size()) << where;
  }
}

std::wstring Special(int csidl) {
  wchar_t buf[MAX_PATH] = {};
  return SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, 0, buf)) ? buf : L"";
}

TEST(FFShortcut, EachDestinationIsTheFolderItsNameSays) {
  TempDir t;
  std::wstring target = t.File(L"tool.exe");
  CloseHandle(CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  const std::wstring title = L"Kz Destination Test";
  struct Case {
    long where;
    std::wstring folder;
  } cases[] = {
      {0, WinDir()},
      {1, Special(CSIDL_DESKTOPDIRECTORY)},
      {2, Special(CSIDL_STARTMENU)},
      {3, Special(CSIDL_PROGRAMS)},
      {7, t.File(L"Custom")},
      {8, Special(CSIDL_PROGRAMS) + L"\\Kz Test Group"},
  };
  Obj<kz::FFShortcut> s;
  for (const Case& c : cases) {
    ASSERT_NE(L"", c.folder) << c.where;
    const std::wstring link = c.folder + L"\\" + title + L".lnk";
    DeleteFileW(link.c_str());
    const std::wstring name = c.where == 7 ? c.folder : L"Kz Test Group";
    EXPECT_TRUE(s->AddShortCut(target, title, L"", c.where, name)) << c.where;
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(link.c_str())) << kz::ToAnsi(link);
    DeleteFileW(link.c_str());
  }
  RemoveDirectoryW((Special(CSIDL_PROGRAMS) + L"\\Kz Test Group").c_str());
}

TEST(FFShortcut, NamesWithANulOrTooLongAreRefused) {
  TempDir t;
  RecordingLinks rec;
  kz::ScopedSeam<kz::ShellLinks> use(rec);
  Obj<kz::FFShortcut> s;
  const std::wstring nul = L"a" + std::wstring(1, L'\0') + L"b", huge(32768, L'a');
  const std::wstring ok_exe = L"C:\\t.exe", ok_dir = t.File(L"Links");
  struct Case {
    std::wstring exe, title, args, name;
  } cases[] = {
      {nul, L"T", L"", ok_dir},  {ok_exe, nul, L"", ok_dir},  {ok_exe, L"T", nul, ok_dir},
      {ok_exe, L"T", L"", ok_dir + nul}, {huge, L"T", L"", ok_dir}, {ok_exe, huge, L"", ok_dir},
      {ok_exe, L"T", huge, ok_dir}, {ok_exe, L"T", L"", ok_dir + L"\\" + huge},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(s->AddShortCut(c.exe, c.title, c.args, 7, c.name));
    EXPECT_EQ(0, s->AddShortCutPals(c.exe, c.title, c.args, c.name));
  }
  EXPECT_EQ(0u, rec.calls.size());
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(ok_dir.c_str())) << "no folder made for a refused call";
}

TEST(FFShortcut, CustomFolderIsCreatedOneLevel) {
  TempDir t;
  RecordingLinks rec;
  kz::ScopedSeam<kz::ShellLinks> use(rec);
  Obj<kz::FFShortcut> s;
  std::wstring folder = t.File(L"Tools");
  EXPECT_TRUE(s->AddShortCut(L"x.exe", L"T", L"", 7, folder));
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(folder.c_str()));
  ASSERT_EQ(1u, rec.calls.size());
  EXPECT_EQ(folder, rec.calls[0].folder);
  EXPECT_EQ(folder, rec.calls[0].parent);
  // A missing parent is an error, reported as false, and nothing is called.
  EXPECT_FALSE(s->AddShortCut(L"x.exe", L"T", L"", 7, t.File(L"no\\such")));
  EXPECT_EQ(1u, rec.calls.size());
  // The Pals form ignores the destination and hands the result on.
  EXPECT_EQ(7, s->AddShortCutPals(L" x.exe", L"T ", L"", t.File(L"Pals")));
  ASSERT_EQ(2u, rec.calls.size());
  EXPECT_EQ(L" x.exe", rec.calls[1].target);
  EXPECT_EQ(L"T ", rec.calls[1].title);
  EXPECT_EQ(0, s->AddShortCutPals(L"x.exe", L"T", L"", t.File(L"no\\such")));
  EXPECT_EQ(2u, rec.calls.size());
}

TEST(FFShortcut, CustomFolderFromAVariable) {
  TempDir t;
  SetEnvironmentVariableW(L"KZ_SHORTCUT_TEST_DIR", t.path().c_str());
  RecordingLinks rec;
  kz::ScopedSeam<kz::ShellLinks> use(rec);
  // Without the runtime component the name reads as "" and the folder would be "\Tools" at
  // the drive's root: make sure the lookup answers before anything is created.
  long scope = 2;
  std::wstring name = L"KZ_SHORTCUT_TEST_DIR";
  kz::Var flag = kz::Var::Short(0);
  ASSERT_EQ(t.path(), kz::KelEnvironGet(scope, name, *flag.get()));
  Obj<kz::FFShortcut> s;
  EXPECT_TRUE(s->AddShortCut(L"x.exe", L"T", L"", 7, L"%KZ_SHORTCUT_TEST_DIR%\\Tools%ignored"));
  ASSERT_EQ(1u, rec.calls.size());
  EXPECT_EQ(t.File(L"Tools"), rec.calls[0].folder);
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(t.File(L"Tools").c_str()));
  // One percent sign only: no third piece, false.
  EXPECT_FALSE(s->AddShortCut(L"x.exe", L"T", L"", 7, L"%KZ_SHORTCUT_TEST_DIR"));
  EXPECT_EQ(1u, rec.calls.size());
  SetEnvironmentVariableW(L"KZ_SHORTCUT_TEST_DIR", nullptr);
}

TEST(FFShortcut, EndToEndWritesAResolvableLink) {
  TempDir t;
  Obj<kz::FFShortcut> s;
  std::wstring target = t.File(L"tool.exe");
  CloseHandle(CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  EXPECT_EQ(1, s->AddShortCutPals(target, L"Tool", L"/q", t.File(L"Links")));
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(t.File(L"Links\\Tool.lnk").c_str()));
}

TEST(SpecialFolders, MatchThePlatformsAnswer) {
  for (long id : {0L, 2L, 5L, 8L, 11L, 20L}) {
    wchar_t buf[MAX_PATH] = {};
    std::wstring expect = SUCCEEDED(SHGetFolderPathW(nullptr, id, nullptr, 0, buf)) ? buf : L"";
    // The item-list path may carry a trailing backslash where the folder path has none.
    std::wstring got = kz::SpecialFolderPath(0, id);
    if (got.size() > 3 && got.back() == L'\\') got.pop_back();
    EXPECT_EQ(expect, got) << id;
  }
  EXPECT_EQ(L"", kz::SpecialFolderPath(0, 12345));
}

TEST(FFShortcut, WindowsAndSystemFolders) {
  Obj<kz::FFShortcut> s;
  BSTR win = nullptr, sys = nullptr;
  ASSERT_EQ(S_OK, s->GetWinDir(&win));
  ASSERT_EQ(S_OK, s->GetWinSysDir(&sys));
  EXPECT_EQ(WinDir(), std::wstring(win));
  EXPECT_EQ(WinDir() + L"\\System\\", std::wstring(sys));
  SysFreeString(win);
  SysFreeString(sys);
}

// AddToDocumentsList on a worker thread, so that a call that never returns fails the test.
struct Added {
  bool returned;
  VARIANT_BOOL result;
};
Added AddToRecent(const std::wstring& name) {
  struct Job {
    kz::MSWindows* w = kz::MakeObject<kz::MSWindows>();
    BSTR name;
    VARIANT_BOOL ok = 1;
  };
  Job* job = new Job{};
  job->name = SysAllocStringLen(name.data(), static_cast<UINT>(name.size()));
  // The thread procedure's calling convention is WINAPI: a lambda converts only to a plain one.
  struct Run {
    static DWORD WINAPI Main(void* p) {
      Job* j = static_cast<Job*>(p);
      CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
      j->w->AddToDocumentsList(&j->name, &j->ok);
      CoUninitialize();
      return 0;
    }
  };
  HANDLE th = CreateThread(nullptr, 0, Run::Main, job, 0, nullptr);
  bool returned = WaitForSingleObject(th, 15000) == WAIT_OBJECT_0;
  CloseHandle(th);
  Added a{returned, job->ok};
  if (returned) {  // a call still running keeps its job
    job->w->Release();
    SysFreeString(job->name);
    delete job;
  }
  return a;
}

TEST(MSWindows, RecentDocuments) {
  TempDir t;
  std::wstring file = t.File(L"kz recent doc.txt");
  CloseHandle(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  const std::wstring link = Special(CSIDL_RECENT) + L"\\kz recent doc.txt.lnk";
  DeleteFileW(link.c_str());
  // A file added is true, and its link is in the recent documents.
  Added a = AddToRecent(file);
  ASSERT_TRUE(a.returned);
  EXPECT_EQ(VARIANT_TRUE, a.result);
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(link.c_str())) << kz::ToAnsi(link);
  DeleteFileW(link.c_str());
  // Names the platform cannot take are false, and the call returns: empty, devices, a NUL,
  // longer than any path.
  const std::wstring refused[] = {
      L"", L"NUL", L"NUL:", L"nul.txt", L"con", L"CON:", L"Aux", L"PRN.log", L"COM1", L"com9:", L"LPT1",
      L"lpt9.tar.gz", L"C:\\some\\folder\\NUL", t.File(L"prn "), t.File(L"con:"),
      file + std::wstring(1, L'\0') + L"x", t.File(std::wstring(32768, L'a')),
  };
  for (const std::wstring& r : refused) {
    Added b = AddToRecent(r);
    EXPECT_TRUE(b.returned) << kz::ToAnsi(r.substr(0, 40));
    EXPECT_EQ(VARIANT_FALSE, b.result) << kz::ToAnsi(r.substr(0, 40));
  }
  // Names that only begin like a device are files like any other.
  for (const wchar_t* n : {L"console.txt", L"nul1.txt", L"com10.txt", L"auxiliary"}) {
    std::wstring f = t.File(n);
    CloseHandle(CreateFileW(f.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    Added c = AddToRecent(f);
    EXPECT_TRUE(c.returned && c.result == VARIANT_TRUE) << kz::ToAnsi(f);
    DeleteFileW((Special(CSIDL_RECENT) + L"\\" + n + L".lnk").c_str());
  }
}

}  // namespace

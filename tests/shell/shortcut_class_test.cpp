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
      {4, L"", L""},
      {5, L"", L""},
      {6, L"", L""},
      {8, L"..\\Programs\\Kz App", L"..\\Programs\\Kz App"},
      {99, L"", L""},
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
  }
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

TEST(MSWindows, RecentDocuments) {
  TempDir t;
  std::wstring file = t.File(L"doc.txt");
  CloseHandle(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  Obj<kz::MSWindows> w;
  VARIANT_BOOL ok = VARIANT_TRUE;
  BSTR empty = SysAllocString(L"");
  ASSERT_EQ(S_OK, w->AddToDocumentsList(&empty, &ok));
  EXPECT_EQ(VARIANT_FALSE, ok);
  // The answer is the platform's last-error code after the call, which Wine leaves set.
  BSTR name = SysAllocString(file.c_str());
  ok = 1;
  ASSERT_EQ(S_OK, w->AddToDocumentsList(&name, &ok));
  EXPECT_TRUE(ok == VARIANT_TRUE || ok == VARIANT_FALSE);
  SysFreeString(empty);
  SysFreeString(name);
}

}  // namespace

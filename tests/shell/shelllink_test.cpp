// Our shortcut function: real .lnk files that the shell resolves, the folder rules of its
// callers ("$(Programs)", relative and absolute folders), and refusals that write nothing.
#include <gtest/gtest.h>

#include <shlobj.h>

#include "base/text.h"
#include "base/win.h"
#include "platform/shelllink.h"
#include "testkit.h"

using kzt::TempDir;

namespace {

struct Resolved {
  std::wstring path, args, work;
};

// Loads a link file back through the shell's own interfaces.
bool Resolve(const std::wstring& file, Resolved& out) {
  IShellLinkW* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&link))))
    return false;
  IPersistFile* persist = nullptr;
  bool ok = SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist))) &&
            SUCCEEDED(persist->Load(file.c_str(), STGM_READ));
  wchar_t buf[MAX_PATH] = {};
  if (ok) ok = SUCCEEDED(link->GetPath(buf, MAX_PATH, nullptr, SLGP_RAWPATH)), out.path = buf;
  if (ok) ok = SUCCEEDED(link->GetArguments(buf, MAX_PATH)), out.args = buf;
  if (ok) ok = SUCCEEDED(link->GetWorkingDirectory(buf, MAX_PATH)), out.work = buf;
  if (persist) persist->Release();
  link->Release();
  return ok;
}

bool Exists(const std::wstring& p) { return GetFileAttributesW(p.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring MakeTarget(const TempDir& t) {
  CreateDirectoryW(t.File(L"bin").c_str(), nullptr);
  std::wstring exe = t.File(L"bin\\tool.exe");
  HANDLE h = CreateFileW(exe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  CloseHandle(h);
  return exe;
}

TEST(ShellLink, WritesALinkTheShellResolves) {
  TempDir t;
  std::wstring exe = MakeTarget(t);
  auto& links = kz::Seam<kz::ShellLinks>();
  ASSERT_EQ(1, links.Create(t.path(), L"My Tool", exe, L"/a \"b c\"", true, t.path()));
  Resolved r;
  ASSERT_TRUE(Resolve(t.File(L"My Tool.lnk"), r));
  EXPECT_EQ(exe, r.path);
  EXPECT_EQ(L"/a \"b c\"", r.args);
  EXPECT_EQ(t.File(L"bin"), r.work);
}

TEST(ShellLink, FolderIsTakenRelativeToTheParentAndCreated) {
  TempDir t;
  std::wstring exe = MakeTarget(t);
  auto& links = kz::Seam<kz::ShellLinks>();
  EXPECT_EQ(1, links.Create(L"x\\..\\Group\\Sub", L"T", exe, L"", true, t.path()));
  EXPECT_TRUE(Exists(t.File(L"Group\\Sub\\T.lnk")));
  EXPECT_FALSE(Exists(t.File(L"x")));
  // An absolute folder wins over the parent; an empty folder is the parent itself.
  TempDir other;
  EXPECT_EQ(1, links.Create(other.path(), L"U", exe, L"", true, t.path()));
  EXPECT_TRUE(Exists(other.File(L"U.lnk")));
  EXPECT_EQ(1, links.Create(L"", L"V", exe, L"", true, t.path()));
  EXPECT_TRUE(Exists(t.File(L"V.lnk")));
}

TEST(ShellLink, ProgramsMacroNamesTheStartMenusProgramsFolder) {
  wchar_t programs[MAX_PATH] = {}, common[MAX_PATH] = {};
  ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_PROGRAMS, nullptr, 0, programs)));
  ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, 0, common)));
  std::wstring p(programs);
  EXPECT_EQ(p + L"\\Kz Group\\T.lnk", kz::ShellLinkFile(L"Kz Group", L"T", true, L"$(Programs)"));
  EXPECT_EQ(std::wstring(common) + L"\\T.lnk", kz::ShellLinkFile(L"", L"T", false, L"$(Programs)"));
  // The relative texts the shortcut class hands on lead to the special folders they were
  // written for, wherever the profile keeps them.
  struct Lead {
    const wchar_t* folder;
    int csidl;
    bool priv;
  } leads[] = {
      {L"..\\..\\Desktop", CSIDL_DESKTOPDIRECTORY, true}, {L"..", CSIDL_STARTMENU, true},
      {L"..\\Programs", CSIDL_PROGRAMS, true},             {L"..\\..\\Desktop", CSIDL_COMMON_DESKTOPDIRECTORY, false},
      {L"..", CSIDL_COMMON_STARTMENU, false},               {L"..\\PROGRAMS\\Sub", CSIDL_PROGRAMS, true},
  };
  for (const Lead& l : leads) {
    wchar_t want[MAX_PATH] = {};
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, l.csidl, nullptr, 0, want)));
    std::wstring sub = std::wstring(l.folder).find(L"Sub") != std::wstring::npos ? L"\\Sub" : L"";
    EXPECT_EQ(std::wstring(want) + sub + L"\\T.lnk", kz::ShellLinkFile(l.folder, L"T", l.priv, L"$(Programs)"))
        << kz::ToAnsi(l.folder);
  }
  // A relative parent lies under the programs folder; the same text as folder means that folder.
  EXPECT_EQ(p + L"\\Kz\\T.lnk", kz::ShellLinkFile(L"..\\Programs\\Kz", L"T", true, L"..\\Programs\\Kz"));
}

TEST(ShellLink, RefusalsWriteNothing) {
  TempDir t;
  std::wstring exe = MakeTarget(t);
  struct Case {
    const wchar_t* what;
    std::wstring folder, title, target, parent;
  } cases[] = {
      {L"empty parent", L"", L"T", exe, L""},
      {L"empty title", t.path(), L"", exe, t.path()},
      {L"title with a backslash", t.path(), L"a\\b", exe, t.path()},
      {L"title with a colon", t.path(), L"a:b", exe, t.path()},
      {L"title dot-dot", t.path(), L"..", exe, t.path()},
      {L"empty target", t.path(), L"T", L"", t.path()},
      {L"folder under a file", t.File(L"bin\\tool.exe\\sub"), L"T", exe, t.path()},
      // A device's name with ".lnk" still names the device: nothing would be written.
      {L"title NUL", t.path(), L"NUL", exe, t.path()},
      {L"title con.txt", t.path(), L"con.txt", exe, t.path()},
      {L"title COM1", t.path(), L"COM1", exe, t.path()},
      {L"title lpt9 with a space", t.path(), L"lpt9 ", exe, t.path()},
  };
  auto& links = kz::Seam<kz::ShellLinks>();
  for (const Case& c : cases) {
    EXPECT_EQ(0, links.Create(c.folder, c.title, c.target, L"", true, c.parent)) << c.what;
  }
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW(t.File(L"*.lnk").c_str(), &fd);
  EXPECT_EQ(INVALID_HANDLE_VALUE, h);
  if (h != INVALID_HANDLE_VALUE) FindClose(h);
}

}  // namespace

// The desktop helpers of the run-time class and the topmost helper, away from any display:
// the minimise-all keys through a recording keyboard, the cabinet swap in folders of the
// test's own, and the topmost helper's ignored failures.
#include <string>
#include <vector>

#include "base/seam.h"
#include "com/ptr.h"
#include "frame/clsKelzud10RunTimeA.h"
#include "sysadmin/clsKelzudWinOnTopA.h"
#include "standins.h"
#include "testkit.h"

namespace {

using kz::Ptr;
using kz::Var;

Ptr<_clsKelzud10RunTimeA> NewRunTime() {
  return Ptr<_clsKelzud10RunTimeA>::Adopt(kz::MakeObject<kz::Kelzud10RunTimeA>());
}

TEST(RunTime, MinimisingAllWindowsSendsWindowsDownMDownWindowsUp) {
  kzt::KeyRecorder keys;
  kz::ScopedSeam<kz::KeyboardInput> use(keys);
  ASSERT_HRESULT_SUCCEEDED(NewRunTime()->MinAllDekstopWindows());
  ASSERT_EQ(keys.events.size(), 3u);
  const kzt::KeyRecorder::Event expected[] = {{0x5B, 0, 0}, {0x4D, 0, 0}, {0x5B, 0, 2}};
  for (size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(keys.events[i].vk, expected[i].vk);
    EXPECT_EQ(keys.events[i].scan, expected[i].scan);
    EXPECT_EQ(keys.events[i].flags, expected[i].flags);
  }
}

// windir pointed at a folder of the test's own; an application folder and a source folder.
class CabinetFolders {
 public:
  CabinetFolders() {
    wchar_t buf[MAX_PATH];
    DWORD n = GetEnvironmentVariableW(L"windir", buf, MAX_PATH);
    previous_.assign(buf, n);
    CreateDirectoryW(dir_.File(L"win").c_str(), nullptr);
    CreateDirectoryW(dir_.File(L"app").c_str(), nullptr);
    CreateDirectoryW(dir_.File(L"src").c_str(), nullptr);
    SetEnvironmentVariableW(L"windir", dir_.File(L"win").c_str());
  }
  ~CabinetFolders() { SetEnvironmentVariableW(L"windir", previous_.c_str()); }
  std::wstring Win(const std::wstring& n) const { return dir_.File(L"win\\" + n); }
  std::wstring App(const std::wstring& n = L"") const { return n.empty() ? dir_.File(L"app") : dir_.File(L"app\\" + n); }
  std::wstring Src(const std::wstring& n = L"") const { return dir_.File(L"src\\" + n); }

 private:
  kzt::TempDir dir_;
  std::wstring previous_;
};

kzt::Scripted* AppObject(const std::wstring& exe, const std::wstring& path) {
  return kzt::Scripted::New()->Value(L"EXEName", Var::Str(exe))->Value(L"Path", Var::Str(path));
}

long Swap(IDispatch* app, const std::wstring& source, bool give_source = true) {
  Ptr<_clsKelzud10RunTimeA> rt = NewRunTime();
  Var a = Var::Object(app), s = Var::Str(source);
  std::vector<VARIANT*> args{a.get()};
  if (give_source) args.push_back(s.get());
  kzt::CallResult r = kzt::Call(rt.get(), L"AppCabSwapingWinDir", args);
  if (r.error == 0) {
    EXPECT_EQ(r.value.vt(), VT_EMPTY);
  }
  return r.error;
}

TEST(RunTime, CabinetSwapDeletesTheWindowsCopyAndCopiesTheNewOneIntoTheApplication) {
  CabinetFolders f;
  kzt::WriteFileText(f.Win(L"KzApp.cab"), "old in windows");
  SetFileAttributesW(f.Win(L"KzApp.cab").c_str(), FILE_ATTRIBUTE_READONLY);
  kzt::WriteFileText(f.App(L"KzApp.cab"), "old in the application");
  kzt::WriteFileText(f.Src(L"KzApp.cab"), "new");
  kzt::Held app(AppObject(L"KzApp", f.App()));
  EXPECT_EQ(Swap(app.get(), f.Src()), 0);
  EXPECT_FALSE(kzt::FileExists(f.Win(L"KzApp.cab")));
  EXPECT_EQ(kzt::ReadFileText(f.App(L"KzApp.cab")), L"new");
  EXPECT_EQ(kzt::ReadFileText(f.Src(L"KzApp.cab")), L"new");
}

TEST(RunTime, CabinetSwapRaisesTheFileErrorsOfEitherStep) {
  struct Case {
    const char* what;
    bool in_windows, in_source, app_read_only;
    long error;
    const char* app_content;  // afterwards; null: no file
    bool windows_left;
  } cases[] = {
      {"no cabinet in the Windows folder: nothing copied", false, true, false, 53, nullptr, false},
      {"no new cabinet: deleted, then the copy fails", true, false, false, 53, nullptr, false},
      {"read-only cabinet in the application folder", true, true, true, 75, "kept", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CabinetFolders f;
    if (c.in_windows) kzt::WriteFileText(f.Win(L"KzApp.cab"), "old");
    if (c.in_source) kzt::WriteFileText(f.Src(L"KzApp.cab"), "new");
    if (c.app_read_only) {
      kzt::WriteFileText(f.App(L"KzApp.cab"), "kept");
      SetFileAttributesW(f.App(L"KzApp.cab").c_str(), FILE_ATTRIBUTE_READONLY);
    }
    kzt::Held app(AppObject(L"KzApp", f.App()));
    EXPECT_EQ(Swap(app.get(), f.Src()), c.error);
    if (c.app_content)
      EXPECT_EQ(kzt::ReadFileText(f.App(L"KzApp.cab")), kz::FromAnsi(c.app_content));
    else
      EXPECT_FALSE(kzt::FileExists(f.App(L"KzApp.cab")));
    EXPECT_EQ(kzt::FileExists(f.Win(L"KzApp.cab")), c.windows_left);
  }
}

TEST(RunTime, CabinetSwapWithoutASourceFolderTakesTheCurrentFolder) {
  CabinetFolders f;
  kzt::WriteFileText(f.Win(L"KzApp.cab"), "old");
  kzt::WriteFileText(f.Src(L"KzApp.cab"), "from the current folder");
  wchar_t cwd[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, cwd);
  SetCurrentDirectoryW(f.Src().c_str());
  kzt::Held app(AppObject(L"KzApp", f.App()));
  long error = Swap(app.get(), L"", false);
  SetCurrentDirectoryW(cwd);
  EXPECT_EQ(error, 0);
  EXPECT_EQ(kzt::ReadFileText(f.App(L"KzApp.cab")), L"from the current folder");
}

TEST(RunTime, CabinetSwapNeedsAnApplicationObject) {
  CabinetFolders f;
  kzt::Held no_name(kzt::Scripted::New()->Value(L"Path", Var::Str(f.App())));
  EXPECT_EQ(Swap(no_name.get(), f.Src()), 438);
  EXPECT_EQ(Swap(nullptr, f.Src()), 91);
}

TEST(WinOnTop, FailuresAreIgnoredAndTheResultIsEmpty) {
  kzt::Held no_handle(kzt::Scripted::New()->Value(L"Caption", Var::Str(L"form")));
  kzt::Held bad_handle(kzt::Scripted::New()->Value(L"hWnd", Var::Long(0x7FFF0001)));
  kzt::Held not_a_number(kzt::Scripted::New()->Value(L"hWnd", Var::Str(L"window")));
  IDispatch* forms[] = {no_handle.get(), bad_handle.get(), not_a_number.get(), nullptr};
  for (IDispatch* form : forms) {
    Ptr<_clsKelzudWinOnTopA> w = Ptr<_clsKelzudWinOnTopA>::Adopt(kz::MakeObject<kz::KelzudWinOnTopA>());
    Var ret = Var::Str(L"stale");
    IDispatch* d = form;
    EXPECT_EQ(w->PutWindowOnTop(&d, ret.get()), S_OK);
    EXPECT_EQ(ret.vt(), VT_EMPTY);
  }
  EXPECT_EQ(bad_handle->calls().size(), 1u);  // the handle was read
}

}  // namespace

// Environment variables: permanent setting in the process, the user's and the machine's
// registry, the settings-change broadcast, reads with one leading reference, the machine Path
// extension, and the two environment actions.
#include <string>
#include <vector>

#include "base/text.h"
#include "com/siblings.h"
#include "frame/modules.h"
#include "ini/clsKelzudINIFileHandler1A.h"
#include "registry/clsKelzudEnvironmentVarA.h"
#include "testkit.h"

using namespace kzt;
using kz::KelzudEnvironmentVarA;

namespace {

const wchar_t* const kAllSets[] = {kz::env::kControlSet001, kz::env::kCurrentControlSet, kz::env::kControlSet002,
                                   kz::env::kControlSet003};

// Makes sure the environment key of every control set exists, removing at the end the control
// sets it had to create, and removes the named values it is told about from all of them.
class MachineEnvironment {
 public:
  MachineEnvironment() {
    for (const wchar_t* set : {L"SYSTEM\\ControlSet002", L"SYSTEM\\ControlSet003"}) {
      HKEY k = nullptr;
      if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, set, 0, KEY_READ, &k) == ERROR_SUCCESS) {
        RegCloseKey(k);
      } else {
        created_.push_back(set);
      }
    }
    for (const wchar_t* path : kAllSets) {
      HKEY k = nullptr;
      EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
                ERROR_SUCCESS);
      if (k) RegCloseKey(k);
    }
  }
  ~MachineEnvironment() {
    for (const std::wstring& name : values_) {
      for (const wchar_t* path : kAllSets) RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, path, name.c_str());
      RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Environment", name.c_str());
      SetEnvironmentVariableW(name.c_str(), nullptr);
    }
    for (const std::wstring& set : created_) RegDeleteTreeW(HKEY_LOCAL_MACHINE, set.c_str());
  }
  std::wstring Value(const wchar_t* name) {
    values_.push_back(name);
    return name;
  }

 private:
  std::vector<std::wstring> created_, values_;
};

// The raw type and bytes of a value; false when it is missing.
bool Raw(HKEY root, const std::wstring& path, const std::wstring& name, DWORD* type, std::string* bytes) {
  DWORD size = 0;
  if (RegGetValueW(root, path.c_str(), name.c_str(), RRF_RT_ANY | RRF_NOEXPAND, type, nullptr, &size) != ERROR_SUCCESS)
    return false;
  bytes->assign(size, '\0');
  return RegGetValueW(root, path.c_str(), name.c_str(), RRF_RT_ANY | RRF_NOEXPAND, type, &(*bytes)[0], &size) ==
         ERROR_SUCCESS;
}

std::string Utf16Bytes(const std::wstring& s) {
  return std::string(reinterpret_cast<const char*>(s.c_str()), (s.size() + 1) * sizeof(wchar_t));
}

std::wstring Process(const std::wstring& name) {
  wchar_t buf[1024];
  DWORD n = GetEnvironmentVariableW(name.c_str(), buf, 1024);
  return n && n < 1024 ? std::wstring(buf, n) : L"<unset>";
}

CallResult CallEnv(const wchar_t* member, std::vector<Var> args) {
  Ptr<IDispatch> env = Create(L"Kelzud10.clsKelzudEnvironmentVarA");
  std::vector<VARIANT*> refs;
  for (Var& a : args) refs.push_back(a.get());
  return Call(env.get(), member, refs);
}

}  // namespace

TEST(EnvironmentSet, WritesTheScopesAndControlSetsItIsAskedFor) {
  MachineEnvironment machine;
  struct Case {
    const wchar_t* name;
    VARIANT_BOOL system, all;
    bool user, first, others;
  } cases[] = {
      {L"KZT_ENV_ALL", VARIANT_TRUE, VARIANT_TRUE, false, true, true},
      {L"KZT_ENV_FIRST", VARIANT_TRUE, VARIANT_FALSE, false, true, false},
      // Only exactly true means all control sets.
      {L"KZT_ENV_ONE", VARIANT_TRUE, 1, false, true, false},
      {L"KZT_ENV_USER", VARIANT_FALSE, VARIANT_TRUE, true, false, false},
  };
  for (const Case& c : cases) {
    std::wstring name = machine.Value(c.name);
    Var n = Var::Str(name), v = Var::Str(L"x"), s, a;
    s.get()->vt = VT_BOOL;
    s.get()->boolVal = c.system;
    a.get()->vt = VT_BOOL;
    a.get()->boolVal = c.all;
    CallResult r = CallEnv(L"EnvironmentSet", {n, v, s, a});
    ASSERT_EQ(r.error, 0) << kz::ToAnsi(r.description);
    EXPECT_EQ(Process(name), L"x");
    DWORD type = 0;
    std::string bytes;
    bool present = Raw(HKEY_CURRENT_USER, L"Environment", name, &type, &bytes);
    EXPECT_EQ(present, c.user) << kz::ToAnsi(name);
    if (present) {
      EXPECT_EQ(type, static_cast<DWORD>(REG_EXPAND_SZ));
    }
    for (const wchar_t* path : kAllSets) {
      bool expected = path == kz::env::kControlSet001 ? c.first : c.others;
      present = Raw(HKEY_LOCAL_MACHINE, path, name, &type, &bytes);
      EXPECT_EQ(present, expected) << kz::ToAnsi(name) << " in " << kz::ToAnsi(path);
      if (!present) continue;
      EXPECT_EQ(type, static_cast<DWORD>(REG_EXPAND_SZ));
      EXPECT_EQ(bytes, Utf16Bytes(L"x")) << "the character and its NUL";
    }
  }
}

TEST(EnvironmentSet, DefaultsAreTheMachineInEveryControlSet) {
  MachineEnvironment machine;
  Var n = Var::Str(machine.Value(L"KZT_ENV_DEFAULTS")), v = Var::Str(L"%windir%\\x");
  ASSERT_EQ(CallEnv(L"EnvironmentSet", {n, v}).error, 0);
  for (const wchar_t* path : kAllSets) {
    DWORD type = 0;
    std::string bytes;
    ASSERT_TRUE(Raw(HKEY_LOCAL_MACHINE, path, L"KZT_ENV_DEFAULTS", &type, &bytes)) << kz::ToAnsi(path);
    EXPECT_EQ(bytes, Utf16Bytes(L"%windir%\\x")) << "stored unexpanded";
  }
}

// Names the environment cannot hold are skipped without an error; a value it cannot hold is
// refused with error 5. Either way nothing is written.
TEST(EnvironmentSet, NamesAndValuesTheEnvironmentCannotHoldAreRefused) {
  MachineEnvironment machine;
  const std::wstring huge(32768, L'v');
  struct Case {
    std::wstring name, value;
    long error;
  } cases[] = {{L"", L"x", 0}, {L"KZT_ENV=BAD", L"x", 0}, {machine.Value(L"KZT_ENV_HUGE"), huge, 5}};
  for (const Case& c : cases) {
    Var n = Var::Str(c.name), v = Var::Str(c.value);
    CallResult r = CallEnv(L"EnvironmentSet", {n, v});
    EXPECT_EQ(r.error, c.error) << kz::ToAnsi(c.name);
    DWORD type;
    std::string bytes;
    for (const wchar_t* path : kAllSets)
      EXPECT_FALSE(Raw(HKEY_LOCAL_MACHINE, path, c.name, &type, &bytes)) << kz::ToAnsi(c.name);
  }
  EXPECT_EQ(Process(L"KZT_ENV_HUGE"), L"<unset>");
  EXPECT_EQ(Process(L"KZT_ENV"), L"<unset>");
}

namespace {
bool g_heard = false;
LRESULT CALLBACK Listener(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_SETTINGCHANGE && lp && std::wstring(reinterpret_cast<const wchar_t*>(lp)) == L"Environment")
    g_heard = true;
  return DefWindowProcW(w, m, wp, lp);
}
}  // namespace

TEST(EnvironmentSet, TellsTopLevelWindowsTheEnvironmentChanged) {
  MachineEnvironment machine;
  WNDCLASSW wc{};
  wc.lpfnWndProc = Listener;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"KzTestEnvironmentListener";
  RegisterClassW(&wc);
  HWND w = CreateWindowW(wc.lpszClassName, L"listener", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                         wc.hInstance, nullptr);
  ASSERT_NE(w, nullptr);
  g_heard = false;
  KelzudEnvironmentVarA::Set(machine.Value(L"KZT_ENV_BROADCAST"), L"b", false, true);
  EXPECT_TRUE(g_heard);
  DestroyWindow(w);
  UnregisterClassW(wc.lpszClassName, wc.hInstance);
}

TEST(EnvironmentGet, ResolvesOneLeadingReference) {
  ProcessVariable a(L"KZT_ENV_A", L"C:\\A");
  ProcessVariable plain(L"KZT_ENV_PLAIN", L"plain text");
  ProcessVariable ref(L"KZT_ENV_REF", L"%KZT_ENV_A%\\x");
  ProcessVariable more(L"KZT_ENV_MORE", L"%KZT_ENV_A%\\x%dropped");
  ProcessVariable open(L"KZT_ENV_OPEN", L"%KZT_ENV_A");
  ProcessVariable self(L"KZT_ENV_SELF", L"%KZT_ENV_SELF%!");
  ProcessVariable unset(L"KZT_ENV_UNSET", nullptr);
  const std::wstring long_value = L"%KZT_ENV_A%" + std::wstring(600, L'l');
  ProcessVariable longer(L"KZT_ENV_LONG", long_value.c_str());
  struct Case {
    const wchar_t* name;
    bool full;
    const wchar_t* expected;  // null: error 9
  } cases[] = {
      {L"KZT_ENV_UNSET", true, L"fallback"},
      {L"KZT_ENV_PLAIN", true, L"plain text"},
      {L"KZT_ENV_PLAIN", false, L"plain text"},
      {L"KZT_ENV_REF", true, L"C:\\A\\x"},
      {L"KZT_ENV_REF", false, L"%KZT_ENV_A%\\x"},
      {L"KZT_ENV_MORE", true, L"C:\\A\\x"},
      {L"KZT_ENV_SELF", true, L"%KZT_ENV_SELF%!!"},
      {L"KZT_ENV_OPEN", false, L"%KZT_ENV_A"},
      {L"KZT_ENV_OPEN", true, nullptr},
  };
  for (const Case& c : cases) {
    Var n = Var::Str(c.name), d = Var::Str(L"fallback"), f = Var::Bool(c.full);
    CallResult r = CallEnv(L"EnvironmentGet", {n, d, f});
    if (!c.expected) {
      EXPECT_EQ(r.error, 9) << kz::ToAnsi(c.name);
      continue;
    }
    ASSERT_EQ(r.error, 0) << kz::ToAnsi(c.name);
    EXPECT_EQ(kz::VarToStr(r.value.get()), c.expected) << kz::ToAnsi(c.name) << " " << c.full;
  }
  // Values that do not fit the first read buffer come back whole.
  EXPECT_EQ(KelzudEnvironmentVarA::GetAPI(L"KZT_ENV_LONG", L""), long_value);
  EXPECT_EQ(KelzudEnvironmentVarA::Get(L"KZT_ENV_LONG", L"", true), L"C:\\A" + std::wstring(600, L'l'));
  // Omitted arguments: no default text, the full value.
  Var n = Var::Str(L"KZT_ENV_UNSET");
  CallResult r = CallEnv(L"EnvironmentGetAPI", {n});
  EXPECT_EQ(r.error, 0);
  EXPECT_EQ(kz::VarToStr(r.value.get()), L"");
  n = Var::Str(L"KZT_ENV_REF");
  r = CallEnv(L"EnvironmentGet", {n});
  EXPECT_EQ(kz::VarToStr(r.value.get()), L"C:\\A\\x");
}

namespace {

// Saves the machine Path of the control sets and puts it back.
class SavedPath {
 public:
  SavedPath() {
    for (const wchar_t* path : kAllSets) {
      Entry e{path};
      e.present = Raw(HKEY_LOCAL_MACHINE, path, L"Path", &e.type, &e.bytes);
      saved_.push_back(e);
    }
  }
  ~SavedPath() {
    for (const Entry& e : saved_) {
      HKEY k = nullptr;
      if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, e.path.c_str(), 0, KEY_SET_VALUE, &k) != ERROR_SUCCESS) continue;
      if (e.present)
        RegSetValueExW(k, L"Path", 0, e.type, reinterpret_cast<const BYTE*>(e.bytes.data()),
                       static_cast<DWORD>(e.bytes.size()));
      else
        RegDeleteValueW(k, L"Path");
      RegCloseKey(k);
    }
  }
  static void Put(const wchar_t* path, const std::wstring& text) {
    HKEY k = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_SET_VALUE, &k), ERROR_SUCCESS);
    std::string b = Utf16Bytes(text);
    RegSetValueExW(k, L"Path", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(b.data()), static_cast<DWORD>(b.size()));
    RegCloseKey(k);
  }
  static std::wstring Get(const wchar_t* path) {
    DWORD type = 0;
    std::string bytes;
    if (!Raw(HKEY_LOCAL_MACHINE, path, L"Path", &type, &bytes)) return L"<absent>";
    std::wstring s(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
    while (!s.empty() && s.back() == L'\0') s.pop_back();
    return s;
  }

 private:
  struct Entry {
    std::wstring path;
    bool present = false;
    DWORD type = 0;
    std::string bytes;
  };
  std::vector<Entry> saved_;
};

}  // namespace

TEST(MachinePath, AppendsAFolderOnlyWhenItIsNotThere) {
  MachineEnvironment machine;
  SavedPath saved;
  const std::wstring base = L"C:\\windows\\system32;C:\\Tools\\Longer;C:\\Apps\\bin;D:\\Trail\\;E:\\";
  struct Case {
    const wchar_t* folder;
    bool appended;
  } cases[] = {
      {L"C:\\Tools\\Long", true},         // only part of a longer folder's name
      {L"C:\\App", true},                 // only part of a longer folder's name
      {L"C:\\Apps", true},                // only the parent of a folder there
      {L"bin", true},                     // only the end of a folder there
      {L"c:\\WINDOWS\\System32", false},  // another case
      {L"C:\\Tools\\Longer\\", false},    // a trailing backslash
      {L"D:\\Trail", false},              // an entry with a trailing backslash
      {L"E:\\", false},                   // a root, as the entry
      {L"D:\\New Folder", true},
  };
  for (const Case& c : cases) {
    for (const wchar_t* set : {kz::env::kControlSet001, kz::env::kControlSet002, kz::env::kControlSet003,
                               kz::env::kCurrentControlSet})
      SavedPath::Put(set, base);
    kz::env::ExtendMachinePath(c.folder);
    const std::wstring expected = c.appended ? base + L";" + c.folder : base;
    EXPECT_EQ(SavedPath::Get(kz::env::kControlSet001), expected) << kz::ToAnsi(c.folder);
    EXPECT_EQ(SavedPath::Get(kz::env::kCurrentControlSet), expected) << kz::ToAnsi(c.folder);
    EXPECT_EQ(SavedPath::Get(kz::env::kControlSet002), expected) << kz::ToAnsi(c.folder);
    EXPECT_EQ(SavedPath::Get(kz::env::kControlSet003), base) << "the third control set is not extended";
    // Once there, never twice.
    kz::env::ExtendMachinePath(c.folder);
    EXPECT_EQ(SavedPath::Get(kz::env::kControlSet001), expected) << kz::ToAnsi(c.folder);
  }
}

TEST(MachinePath, NeverWritesAPathLongerThanTheEnvironmentHolds) {
  MachineEnvironment machine;
  SavedPath saved;
  const std::wstring full = L"C:\\A;" + std::wstring(32760, L'p');
  SavedPath::Put(kz::env::kControlSet001, full);
  SavedPath::Put(kz::env::kControlSet002, full);
  try {
    kz::env::ExtendMachinePath(L"D:\\Folder");
    ADD_FAILURE() << "no error";
  } catch (const kz::Error& e) {
    EXPECT_EQ(e.number(), 5);
  }
  EXPECT_EQ(SavedPath::Get(kz::env::kControlSet001), full);
  EXPECT_EQ(SavedPath::Get(kz::env::kControlSet002), full);
  // At the limit itself: a Path of exactly 32,767 characters is written, one more is not.
  const std::wstring folder = L"D:\\Folder";
  for (size_t total : {size_t{32767}, size_t{32768}}) {
    const std::wstring before = L"C:\\A;" + std::wstring(total - folder.size() - 6, L'q');
    SavedPath::Put(kz::env::kControlSet001, before);
    SavedPath::Put(kz::env::kControlSet002, before);
    bool written = total <= 32767;
    long error = 0;
    try {
      kz::env::ExtendMachinePath(folder);
    } catch (const kz::Error& e) {
      error = e.number();
    }
    EXPECT_EQ(error, written ? 0 : 5) << total;
    const std::wstring expected = written ? before + L";" + folder : before;
    ASSERT_EQ(expected.size(), written ? total : total - folder.size() - 1);
    // Compared whole, without printing 32,767 characters on a failure.
    EXPECT_TRUE(SavedPath::Get(kz::env::kControlSet001) == expected) << total;
    EXPECT_TRUE(SavedPath::Get(kz::env::kControlSet002) == expected) << total;
  }
}

TEST(MachinePath, WithoutTheComponentNothingIsWritten) {
  MachineEnvironment machine;
  SavedPath saved;
  SavedPath::Put(kz::env::kControlSet001, L"C:\\A");
  kz::SiblingRedirect absent(kz::kSiblingEnvRegistry, L"Kelzud10Tests.NoSuchComponent");
  try {
    kz::env::ExtendMachinePath(L"D:\\Folder");
    ADD_FAILURE() << "no error";
  } catch (const kz::Error& e) {
    EXPECT_EQ(e.number(), 429);
  }
  EXPECT_EQ(SavedPath::Get(kz::env::kControlSet001), L"C:\\A");
}

namespace {

class EnvActionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    h_ = kz::MakeObject<kz::IniFileHandler>();
    h_->set_path(dir_.File(L"env.ini"));
  }
  void TearDown() override {
    const std::vector<std::wstring> names = std::move(family_);
    for (const std::wstring& name : names) Put(name, L"");
    h_->Release();
  }
  void Section(const std::vector<std::pair<std::wstring, std::wstring>>& lines) {
    std::string text = "[Env]\r\n";
    for (auto& l : lines) text += kz::ToAnsi(l.first) + "=" + kz::ToAnsi(l.second) + "\r\n";
    WriteFileText(h_->path(), text);
    h_->set_section(L"Env");
  }
  CallResult Pals(long code) {
    Var c = Var::Long(code);
    return Call(h_->itf(), L"Pals", {c.get()});
  }
  // The product family's variable, as the actions read and set it.
  std::wstring Family(const std::wstring& name) {
    long scope = 2;
    std::wstring n = name;
    Var flag = Var::Long(0);
    return kz::KelEnvironGet(scope, n, *flag.get());
  }
  void Family(const std::wstring& name, const std::wstring& value) {
    Put(name, value);
    family_.push_back(name);
  }
  static void Put(const std::wstring& name, const std::wstring& value) {
    long scope = 2;
    std::wstring n = name, v = value;
    kz::KelEnvironSet(scope, n, v);
  }
  TempDir dir_;
  kz::IniFileHandler* h_ = nullptr;
  std::vector<std::wstring> family_ = {L"VQENVFWINOS", L"VQENVFCOMPUTER", L"VQENVFUSER", L"VQENVFVARDELLECREATED"};
};

}  // namespace

TEST_F(EnvActionTest, LinesSetVariablesByTheirModes) {
  UnattendedLog boxes;
  Family(L"KZT_OTHER", dir_.path());
  Family(L"KZT_DRV", L"");
  Family(L"KZT_KEEP", L"kept");
  for (const wchar_t* n : {L"KZT_PLAIN", L"KZT_EX", L"KZT_SYS", L"KZT_WIN", L"KZT_DATA", L"KZT_GUID", L"KZT_ODD"})
    family_.push_back(n);
  Section({{L"KZT_PLAIN", L"abc,,,"},
           {L"KZT_EX", L"%KZT_OTHER%\\x,ex,,"},
           {L"KZT_SYS", L"%WINSYSDIR%\\drivers,excmd,,"},
           {L"KZT_DRV", L"windrv,cmd,pv,"},
           {L"KZT_KEEP", L"windrv,cmd,pv,"},
           {L"KZT_GUID", L"GUID,CMD,,"},
           {L"KZT_ODD", L"abc,other,,"},
           {L"KZT_DATA", L"%KZT_OTHER%\\data,ex,md,"}});
  CallResult r = Pals(0);
  ASSERT_EQ(r.error, 0) << kz::ToAnsi(r.description);
  EXPECT_EQ(r.value.vt(), VT_EMPTY);
  EXPECT_TRUE(boxes.Records().empty()) << kz::ToAnsi(boxes.Records()[0]);
  EXPECT_EQ(Family(L"KZT_PLAIN"), L"abc");
  EXPECT_EQ(Family(L"KZT_EX"), dir_.path() + L"\\x");
  EXPECT_EQ(Family(L"KZT_SYS"), kz::GetSystemFolder() + L"\\drivers");
  wchar_t windir[MAX_PATH];
  GetEnvironmentVariableW(L"windir", windir, MAX_PATH);
  EXPECT_EQ(Family(L"KZT_DRV"), std::wstring(windir, 2) + L"\\");
  EXPECT_EQ(Family(L"KZT_KEEP"), L"kept");
  EXPECT_EQ(Family(L"KZT_GUID").size(), 38u);
  EXPECT_EQ(Family(L"KZT_GUID")[0], L'{');
  EXPECT_EQ(Family(L"KZT_ODD"), L"") << "an unknown mode sets nothing";
  EXPECT_EQ(Family(L"KZT_DATA"), dir_.path() + L"\\data");
  EXPECT_NE(GetFileAttributesW(dir_.File(L"data").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(Family(L"VQENVFUSER"), kz::GetUserNameText());
  EXPECT_EQ(Family(L"VQENVFCOMPUTER"), kz::GetComputerNameText());
  EXPECT_FALSE(Family(L"VQENVFVARDELLECREATED").empty());
  // A second run finds the folder and changes nothing.
  ASSERT_EQ(Pals(0).error, 0);
  EXPECT_TRUE(boxes.Records().empty());
}

TEST_F(EnvActionTest, ALineWithTooFewFieldsEndsTheActionWithABox) {
  UnattendedLog boxes;
  family_.push_back(L"KZT_FIRST");
  family_.push_back(L"KZT_AFTER");
  Section({{L"KZT_FIRST", L"one,,,"}, {L"KZT_BAD", L"abc"}, {L"KZT_AFTER", L"two,,,"}});
  CallResult r = Pals(0);
  EXPECT_EQ(r.error, 0);
  EXPECT_EQ(Family(L"KZT_FIRST"), L"one");
  EXPECT_EQ(Family(L"KZT_AFTER"), L"");
  std::vector<std::wstring> rec = boxes.Records();
  ASSERT_EQ(rec.size(), 1u);
  EXPECT_NE(rec[0].find(L"9 clsKelzudINIFileHandler1A"), std::wstring::npos) << kz::ToAnsi(rec[0]);
}

// A folder to create whose path the kernel would cut (a variable as long as the environment
// holds, and more) ends the action with the box of a path that cannot be found.
TEST_F(EnvActionTest, AFolderPathTooLongForTheKernelIsRefused) {
  UnattendedLog boxes;
  Family(L"KZT_LONGDIR", dir_.path() + L"\\" + std::wstring(32766 - dir_.path().size() - 1, L'q'));
  family_.push_back(L"KZT_MD");
  family_.push_back(L"KZT_AFTER");
  Section({{L"KZT_MD", L"%KZT_LONGDIR%\\more,,md,"}, {L"KZT_AFTER", L"two,,,"}});
  EXPECT_EQ(Pals(0).error, 0);
  EXPECT_EQ(Family(L"KZT_AFTER"), L"");
  std::vector<std::wstring> rec = boxes.Records();
  ASSERT_EQ(rec.size(), 1u);
  EXPECT_NE(rec[0].find(L"\t76 clsKelzudINIFileHandler1A"), std::wstring::npos) << kz::ToAnsi(rec[0]);
}

TEST_F(EnvActionTest, AnEmptyFirstLineSetsOnlyTheBuiltInVariables) {
  UnattendedLog boxes;
  family_.push_back(L"KZT_LATER");
  Family(L"VQENVFUSER", L"");
  Section({{L"KZT_EMPTY", L""}, {L"KZT_LATER", L"x,,,"}});
  EXPECT_EQ(Pals(0).error, 0);
  EXPECT_EQ(Family(L"KZT_LATER"), L"");
  EXPECT_EQ(Family(L"VQENVFUSER"), kz::GetUserNameText());
  EXPECT_TRUE(boxes.Records().empty());
}

TEST_F(EnvActionTest, PathLinesAppendFoldersOnce) {
  MachineEnvironment machine;
  SavedPath saved;
  SavedPath::Put(kz::env::kControlSet001, L"C:\\windows");
  SavedPath::Put(kz::env::kControlSet002, L"C:\\windows");
  SavedPath::Put(kz::env::kCurrentControlSet, L"C:\\windows");
  Family(L"KZT_TOOLS", L"E:\\Tools");
  Section({{L"a", L"C:\\WINDOWS"}, {L"b", L"%KZT_TOOLS%\\bin"}, {L"c", L""}, {L"d", L"E:\\tools\\BIN"}});
  CallResult r = Pals(49);
  ASSERT_EQ(r.error, 0) << kz::ToAnsi(r.description);
  EXPECT_EQ(SavedPath::Get(kz::env::kControlSet001), L"C:\\windows;E:\\Tools\\bin");
  EXPECT_EQ(SavedPath::Get(kz::env::kControlSet002), L"C:\\windows;E:\\Tools\\bin");
  EXPECT_EQ(SavedPath::Get(kz::env::kCurrentControlSet), L"C:\\windows;E:\\Tools\\bin");
}

TEST_F(EnvActionTest, TheUsersDriveIsAskedForOnTheDriveForm) {
  // Unattended, the form is logged and closes as on Cancel: nothing was chosen on this thread,
  // so the variable becomes the bare backslash; "pv" keeps a value that is already there, though
  // the form is still asked.
  UnattendedLog boxes;
  Family(L"KZT_CUSKEEP", L"D:\\");
  family_.push_back(L"KZT_CUS");
  Section({{L"KZT_CUS", L"CusDrv,cmd,,"}, {L"KZT_CUSKEEP", L"cusdrv,cmd,pv,"}});
  CallResult r = Pals(0);
  ASSERT_EQ(r.error, 0) << kz::ToAnsi(r.description);
  EXPECT_EQ(Family(L"KZT_CUS"), L"\\");
  EXPECT_EQ(Family(L"KZT_CUSKEEP"), L"D:\\");
  const std::wstring form =
      L"Form\tSelect Drive\tin which drive you want to keep all data and settings of Plinvek programs?";
  EXPECT_EQ(boxes.Records(), (std::vector<std::wstring>{form, form}));
}

// The module services: environment variables through the runtime component (present, absent,
// failing, odd results), the module error box, size texts, names, folders, the OS version with
// its per-thread cache, folder presence and the debug bridge.
#include <cmath>
#include <limits>
#include <thread>

#include "frame/clsKelzud10RunTimeA.h"
#include "frame/kz.h"
#include "com/comobject.h"
#include "base/error.h"
#include "frame/modules.h"
#include "com/siblings.h"
#include "base/text.h"
#include "platform/ui.h"
#include "standin.h"
#include "testkit.h"

using namespace kzt;

namespace {

constexpr wchar_t kAbsent[] = L"Kelzud10Tests.NoSuchComponent";

std::wstring UniqueName(const wchar_t* what) { return kzt::UniqueName(L"KZT_MOD_", what); }


// The unattended log's record of a box, written out here rather than by the product's own
// writer: style TAB title TAB text, line breaks as the two characters \r and \n.
std::wstring Box(long style, const std::wstring& title, const std::wstring& plain_text) {
  return std::to_wstring(style) + L"\t" + title + L"\t" + plain_text;
}
std::wstring ModuleBox(const wchar_t* title, long number, const std::wstring& description) {
  return Box(48, title, std::to_wstring(number) + L"\\r\\n" + description + L"\\r\\nKelzud10\\r\\n");
}

Var Flag(bool expand) {
  return expand ? Var::Bool(true) : Var::Long(0);
}

std::wstring Get(const std::wstring& name, bool expand = false) {
  long scope = 2;
  std::wstring n = name;
  Var flag = Flag(expand);
  return kz::KelEnvironGet(scope, n, *flag.get());
}

std::wstring Set(const std::wstring& name, const std::wstring& value) {
  long scope = 2;
  std::wstring n = name, v = value;
  return kz::KelEnvironSet(scope, n, v);
}

// Runs a program and waits for it (at most a minute); returns its exit code or -1.
long RunProgram(std::wstring command) {
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
    return -1;
  DWORD code = static_cast<DWORD>(-1);
  if (WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return static_cast<long>(code);
}

std::wstring SystemProgram(const wchar_t* name) {
  wchar_t dir[MAX_PATH];
  GetSystemDirectoryW(dir, MAX_PATH);
  return std::wstring(L"\"") + dir + L"\\" + name + L"\"";
}

// The stand-in that the next creation of a substituted sibling hands out.
StandIn* g_next = nullptr;
IDispatch* MakeStandIn() {
  IDispatch* d = g_next;
  g_next = nullptr;
  return d;
}

struct Substitution {
  std::wstring progid;
  Substitution(const wchar_t* id, StandIn::Handler h) : progid(id) {
    g_next = new StandIn(std::move(h));
    kz::SubstituteSibling(progid, &MakeStandIn);
  }
  ~Substitution() {
    kz::SubstituteSibling(progid, nullptr);
    if (g_next) g_next->Release();
    g_next = nullptr;
  }
};

}  // namespace

// ---- environment variables through the runtime ------------------------------------------------

TEST(KelEnviron, ValueSetIsReadBackWithoutAnyBox) {
  UnattendedLog log;
  std::wstring name = UniqueName(L"RoundTrip");
  VariableCleanup cleanup{name};
  EXPECT_EQ(Get(name), L"");  // not set yet
  Set(name, L"C:\\App");
  EXPECT_EQ(Get(name, false), L"C:\\App");
  EXPECT_EQ(Get(name, true), L"C:\\App");
  // Lower case finds the same variable.
  std::wstring lower = kz::LowerCase(name);
  EXPECT_EQ(Get(lower), L"C:\\App");
  // An empty value removes the variable.
  Set(name, L"");
  EXPECT_EQ(Get(name), L"");
  EXPECT_TRUE(log.Records().empty());
}

TEST(KelEnviron, TrueFlagExpandsReferencesInsideTheValue) {
  UnattendedLog log;
  std::wstring base = UniqueName(L"Base"), ref = UniqueName(L"Ref");
  VariableCleanup c1{base}, c2{ref};
  Set(base, L"C:\\Base");
  Set(ref, L"%" + base + L"%\\bin");
  EXPECT_EQ(Get(ref, false), L"%" + base + L"%\\bin");
  EXPECT_EQ(Get(ref, true), L"C:\\Base\\bin");
  EXPECT_TRUE(log.Records().empty());
}

TEST(KelEnviron, VariablePersistsForNewProcessesAndProgramsStartedAfterwards) {
  std::wstring name = UniqueName(L"Persist");
  VariableCleanup cleanup{name};
  TempDir dir;
  Set(name, L"kept value");

  // A program started afterwards inherits it.
  std::wstring out = dir.File(L"cmd.txt");
  ASSERT_EQ(RunProgram(SystemProgram(L"cmd.exe") + L" /c echo %" + name + L"%>\"" + out + L"\""), 0);
  EXPECT_EQ(ReadFileText(out), L"kept value\r\n");

  // A new process that did not inherit it still reads it through its own runtime.
  SetEnvironmentVariableW(name.c_str(), nullptr);
  std::wstring script = dir.File(L"child.js"), result = dir.File(L"child.txt");
  WriteFileText(script,
                "var r = new ActiveXObject('KELZUD11.clsKelzud11RunTimeA');\r\n"
                "var f = new ActiveXObject('Scripting.FileSystemObject').CreateTextFile(WScript.Arguments(1), true);\r\n"
                "f.Write('[' + r.EnvironGet(2, WScript.Arguments(0), 0) + ']');\r\n"
                "f.Close();\r\n");
  ASSERT_EQ(RunProgram(SystemProgram(L"cscript.exe") + L" //nologo \"" + script + L"\" " + name + L" \"" + result + L"\""), 0);
  EXPECT_EQ(ReadFileText(result), L"[kept value]");
}

TEST(KelEnviron, AFailingRuntimeGivesEmptyTextAndItsBoxes) {
  const std::wstring kCreate = L"ActiveX component can't create object";
  const std::wstring kNotSet = L"Object variable or With block variable not set";
  const std::wstring kNoMember = L"Object doesn't support this property or method";
  const wchar_t* kGet = L"basKelzudCommonA.KelEnvironGet";
  const wchar_t* kSet = L"basKelzudCommonA.KelEnvironSet";
  const wchar_t* kWithoutMembers = L"Kelzud10.clsKelzudShellA";
  struct Case {
    const wchar_t* runtime;  // where the runtime's identifier leads
    bool set;
    std::vector<std::wstring> boxes;
  } cases[] = {
      {kAbsent, false, {ModuleBox(kGet, 429, kCreate), ModuleBox(kGet, 91, kNotSet)}},
      {kAbsent, true, {ModuleBox(kSet, 429, kCreate), ModuleBox(kSet, 91, kNotSet)}},
      {kWithoutMembers, false, {ModuleBox(kGet, 438, kNoMember)}},
      {kWithoutMembers, true, {ModuleBox(kSet, 438, kNoMember)}},
  };
  std::wstring name = UniqueName(L"Failing");
  VariableCleanup cleanup{name};
  for (const Case& c : cases) {
    SCOPED_TRACE(kz::ToAnsi(c.runtime) + (c.set ? " set" : " get"));
    kz::SiblingRedirect redirect(kz::kSiblingRuntime, c.runtime);
    UnattendedLog log;
    EXPECT_EQ(c.set ? Set(name, L"x") : Get(L"PATH", true), L"");
    EXPECT_EQ(log.Records(), c.boxes);
  }
  UnattendedLog log;
  EXPECT_EQ(Get(name), L"") << "nothing was set";
  EXPECT_TRUE(log.Records().empty());
}

TEST(KelEnviron, RuntimeErrorIsReportedWithItsNumberAndDescription) {
  UnattendedLog log;
  std::wstring with_nul = std::wstring(L"KZT_A") + L'\0' + L"B";
  EXPECT_EQ(Set(with_nul, L"x"), L"");
  auto records = log.Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].rfind(L"48\tbasKelzudCommonA.KelEnvironSet\t5\\r\\n", 0), 0u) << kz::ToAnsi(records[0]);
  // Reading a name that no variable can have is simply empty.
  EXPECT_EQ(Get(with_nul), L"");
  EXPECT_EQ(Get(std::wstring(20000, L'N')), L"");
  EXPECT_EQ(log.Records().size(), 1u);
}

TEST(KelEnviron, LongValuesUpToThePlatformLimit) {
  UnattendedLog log;
  std::wstring name = UniqueName(L"Long");
  VariableCleanup cleanup{name};
  std::wstring big(32766, L'v');
  Set(name, big);
  EXPECT_EQ(Get(name), big);
  EXPECT_TRUE(log.Records().empty());
  Set(name, std::wstring(40000, L'w'));  // too long for the platform: reported, value unchanged
  ASSERT_EQ(log.Records().size(), 1u);
  EXPECT_EQ(log.Records()[0].rfind(L"48\tbasKelzudCommonA.KelEnvironSet\t5\\r\\n", 0), 0u);
  EXPECT_EQ(Get(name), big);
}

TEST(KelEnviron, PassesItsArgumentsByReferenceAndTakesTheResultAsText) {
  std::vector<VARTYPE> seen;
  Substitution s(kz::kSiblingRuntime, [&](const std::wstring& member, std::vector<VARIANT*>& args, VARIANT* result) {
    EXPECT_EQ(member, L"EnvironGet");
    for (VARIANT* a : args) {
      EXPECT_EQ(a->vt, VT_BYREF | VT_VARIANT);
      seen.push_back(a->pvarVal->vt);
    }
    // The callee changes the caller's name and scope.
    VariantClear(args[1]->pvarVal);
    args[1]->pvarVal->vt = VT_BSTR;
    args[1]->pvarVal->bstrVal = SysAllocString(L"CHANGED");
    args[0]->pvarVal->lVal = 7;
    result->vt = VT_I4;
    result->lVal = 42;
    return S_OK;
  });
  UnattendedLog log;
  long scope = 2;
  std::wstring name = L"ANY";
  Var flag = Var::Bool(true);
  EXPECT_EQ(kz::KelEnvironGet(scope, name, *flag.get()), L"42");
  EXPECT_EQ(seen, (std::vector<VARTYPE>{VT_I4, VT_BSTR, VT_BOOL}));
  EXPECT_EQ(name, L"CHANGED");
  EXPECT_EQ(scope, 7);
  EXPECT_TRUE(log.Records().empty());
}

TEST(KelEnviron, NonTextResultsAreReportedAndGiveEmptyText) {
  struct Case {
    VARTYPE vt;
    long number;
    const wchar_t* description;
  } cases[] = {
      {VT_NULL, 94, L"Invalid use of Null"},
      {VT_ARRAY | VT_VARIANT, 13, L"Type mismatch"},
  };
  for (const auto& c : cases) {
    Substitution s(kz::kSiblingRuntime, [&](const std::wstring&, std::vector<VARIANT*>&, VARIANT* result) {
      result->vt = c.vt;
      if (c.vt & VT_ARRAY) {
        SAFEARRAYBOUND b{2, 0};
        result->parray = SafeArrayCreate(VT_VARIANT, 1, &b);
      }
      return S_OK;
    });
    UnattendedLog log;
    EXPECT_EQ(Get(L"ANY"), L"");
    EXPECT_EQ(log.Records(),
              (std::vector<std::wstring>{ModuleBox(L"basKelzudCommonA.KelEnvironGet", c.number, c.description)}))
        << c.vt;
  }
}

TEST(ModuleError, BoxHoldsNumberDescriptionAndTitle) {
  UnattendedLog log;
  kz::ShowModuleError(kz::Error(13), L"Some.Source");
  kz::ShowModuleError(kz::Error(10029, L"x", L"Own text"), L"Other");
  EXPECT_EQ(log.Records(), (std::vector<std::wstring>{ModuleBox(L"Some.Source", 13, L"Type mismatch"),
                                                      ModuleBox(L"Other", 10029, L"Own text")}));
}

TEST(AppObject, OffersTitleExeNameAndPathByName) {
  Ptr<IDispatch> app = Ptr<IDispatch>::Adopt(kz::LibraryAppObject());
  EXPECT_EQ(kz::VarToStr(kz::GetProp(app.get(), L"Title").get()), L"Kelzud10");
  EXPECT_EQ(kz::VarToStr(kz::GetProp(app.get(), L"exename").get()), L"kelzud10");
  std::wstring path = kz::VarToStr(kz::GetProp(app.get(), L"Path").get());
  EXPECT_NE(GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_THROW(kz::GetProp(app.get(), L"Nothing"), kz::Error);
}

// ---- size texts --------------------------------------------------------------------------------

TEST(SizeText, DividesAndConvertsLikeThePlatform) {
  struct Case {
    std::wstring (*fn)(double&);
    double bytes;
    const wchar_t* text;
  } cases[] = {
      {&kz::SizeInKBText, 1536, L"1.5"},
      {&kz::SizeInMBText, 1048576, L"1"},
      {&kz::SizeInGBText, 0, L"0"},
      {&kz::SizeInGBText, -0.0, L"0"},
      {&kz::SizeInKBText, -2048, L"-2"},
      {&kz::SizeInGBText, 1, L"9.31322574615479E-10"},
      {&kz::SizeInGBText, 1073741824.0 * 1000000.0 / 3.0, L"333333.333333333"},
      {&kz::SizeInKBText, 1e300, L"9.765625E+296"},
  };
  for (auto& c : cases) {
    double bytes = c.bytes;
    EXPECT_EQ(c.fn(bytes), c.text) << c.bytes;
    EXPECT_EQ(bytes, c.bytes);
  }
}

TEST(SizeText, NonFiniteCountsOverflow) {
  for (double v : {std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()}) {
    try {
      kz::SizeInMBText(v);
      ADD_FAILURE() << "no error for " << v;
    } catch (const kz::Error& e) {
      EXPECT_EQ(e.number(), 6);
    }
  }
}

// ---- names and folders ------------------------------------------------------------------------

TEST(Names, ComputerAndUserNameAsThePlatformGivesThem) {
  wchar_t buf[256];
  DWORD n = 256;
  ASSERT_TRUE(GetComputerNameW(buf, &n));
  EXPECT_EQ(kz::GetComputerNameText(), std::wstring(buf, n));
  n = 256;
  ASSERT_TRUE(GetUserNameW(buf, &n));
  std::wstring user = kz::GetUserNameText();
  EXPECT_EQ(user, std::wstring(buf));
  EXPECT_FALSE(user.empty());
  EXPECT_EQ(user.find(L'\0'), std::wstring::npos);
}

TEST(Folders, WindowsAndSystemFolderWithoutTrailingBackslash) {
  wchar_t buf[MAX_PATH];
  GetWindowsDirectoryW(buf, MAX_PATH);
  EXPECT_EQ(kz::GetWindowsFolder(), buf);
  GetSystemDirectoryW(buf, MAX_PATH);
  EXPECT_EQ(kz::GetSystemFolder(), buf);
  for (const std::wstring& f : {kz::GetWindowsFolder(), kz::GetSystemFolder()}) {
    ASSERT_FALSE(f.empty());
    EXPECT_NE(f.back(), L'\\');
    EXPECT_EQ(f.find(L'\0'), std::wstring::npos);
  }
}

TEST(Folders, FolderIsPresentAnswersForTheFolderItself) {
  TempDir dir;
  ASSERT_TRUE(CreateDirectoryW(dir.File(L"empty").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW(dir.File(L"abcdef").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW(dir.File(L"ab").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW(dir.File(L"\u4E00\u4E01").c_str(), nullptr));
  WriteFileText(dir.File(L"file.txt"), "x");
  struct Case {
    std::wstring path;
    bool present;
  } cases[] = {
      {dir.File(L"empty") + L"\\", true},
      {dir.File(L"empty"), true},             // without its backslash: the same folder
      {dir.File(L"abc") + L"\\", false},
      {dir.File(L"abc"), false},              // not a prefix match on "abcdef"
      {dir.File(L"\u4E00\u4E01\\"), true},    // outside the ANSI code page
      {dir.File(L"\u4E02b\\"), false},        // would be "?b" in ANSI, matching "ab"
      {dir.File(L"file.txt\\"), false},
      {dir.File(L"missing\\"), false},
      {L"", false},
      {dir.path() + L"\\" + std::wstring(1, L'\0') + L"\\", false},
      {dir.File(std::wstring(40000, L'x')) + L"\\", false},
      {L"Q:\\no\\such\\drive\\", false},
  };
  for (const auto& c : cases) EXPECT_EQ(kz::FolderIsPresent(c.path), c.present) << kz::ToAnsi(c.path);
}

// ---- OS version ---------------------------------------------------------------------------------

TEST(OSVersion, TextArgumentsAndCacheAgreeWithThePlatform) {
  OSVERSIONINFOW v{};
  v.dwOSVersionInfoSize = sizeof v;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  ASSERT_TRUE(GetVersionExW(&v));
#pragma GCC diagnostic pop
  short major = -1, minor = -1;
  EXPECT_EQ(kz::GetOSVersionText(major, minor), std::to_wstring(v.dwMajorVersion) + L"." + std::to_wstring(v.dwMinorVersion));
  EXPECT_EQ(major, static_cast<short>(v.dwMajorVersion));
  EXPECT_EQ(minor, static_cast<short>(v.dwMinorVersion));
  short cmajor = -1, cminor = -1;
  kz::CachedOSVersion(cmajor, cminor);
  EXPECT_EQ(cmajor, major);
  EXPECT_EQ(cminor, minor);
}

TEST(OSVersion, CacheIsPerThread) {
  short major = 0, minor = 0;
  kz::GetOSVersionText(major, minor);
  ASSERT_GT(major, 0);
  short before_major = -1, before_minor = -1, after_major = -1;
  std::thread t([&] {
    kz::CachedOSVersion(before_major, before_minor);
    short a = 0, b = 0;
    kz::GetOSVersionText(a, b);
    short ignored = 0;
    kz::CachedOSVersion(after_major, ignored);
  });
  t.join();
  EXPECT_EQ(before_major, 0);
  EXPECT_EQ(before_minor, 0);
  EXPECT_EQ(after_major, major);
}

TEST(OSVersion, CurrentOSVersionTextGoesThroughTheRegisteredClass) {
  short major = 0, minor = 0;
  EXPECT_EQ(kz::CurrentOSVersionText(), kz::GetOSVersionText(major, minor));
  kz::SiblingRedirect absent(L"KELZUD10.clsKelzud10RunTimeA", kAbsent);
  try {
    kz::CurrentOSVersionText();
    ADD_FAILURE() << "no error";
  } catch (const kz::Error& e) {
    EXPECT_EQ(e.number(), 429);
  }
}

TEST(OSVersion, GetCurrentOSVerFillsTheArgumentsThatAreGiven) {
  Ptr<_clsKelzud10RunTimeA> rt = Ptr<_clsKelzud10RunTimeA>::Adopt(kz::MakeObject<kz::Kelzud10RunTimeA>());
  short major = 0, minor = 0;
  std::wstring expected = kz::GetOSVersionText(major, minor);
  BSTR text = nullptr;
  short a = -1, b = -1;
  ASSERT_HRESULT_SUCCEEDED(rt->GetCurrentOSVer(&a, &b, &text));
  EXPECT_EQ(kz::FromBstr(text), expected);
  EXPECT_EQ(a, major);
  EXPECT_EQ(b, minor);
  SysFreeString(text);
  text = nullptr;
  ASSERT_HRESULT_SUCCEEDED(rt->GetCurrentOSVer(nullptr, nullptr, &text));
  EXPECT_EQ(kz::FromBstr(text), expected);
  SysFreeString(text);
}

// ---- debug bridge -------------------------------------------------------------------------------

TEST(DebugBridge, MessageReachesTheDebuggerLog) {
  TempDir dir;
  std::wstring file = dir.File(L"debug.log");
  ProcessVariable log_var(L"RUVO10_DEBUGLOG", file.c_str());
  UnattendedLog boxes;
  std::wstring tag = L"in.PalsCENVVAR", kind = L"dll", obj = L"cyInifINIFilesObj", text = L"KEY - a\tb";
  short level = 2;
  kz::AddDebugMessageA(tag, kind, obj, level, text);
  Ptr<IDispatch> first = Ptr<IDispatch>::Share(kz::DebuggerConnection());
  ASSERT_TRUE(first);
  std::wstring tag2 = L"out.PalsCENVVAR", empty;
  kz::AddDebugMessageA(tag2, kind, obj, level, empty);
  EXPECT_TRUE(kz::DebuggerConnection() != nullptr && kz::DebuggerConnection() != first.get())
      << "a new debugger instance for every message";
  // The debugger received the library's application object.
  Var app = kz::GetProp(kz::DebuggerConnection(), L"AppObj");
  ASSERT_EQ(app.vt(), VT_DISPATCH);
  EXPECT_EQ(kz::VarToStr(kz::GetProp(app.get()->pdispVal, L"Title").get()), L"Kelzud10");
  kz::ReleaseDebuggerConnection();
  EXPECT_EQ(kz::DebuggerConnection(), nullptr);

  std::wstring content = ReadFileText(file);
  std::vector<std::wstring> lines;
  for (size_t start = 0, p; (p = content.find(L"\r\n", start)) != std::wstring::npos; start = p + 2)
    lines.push_back(content.substr(start, p - start));
  ASSERT_EQ(lines.size(), 2u);
  auto fields_of = [](const std::wstring& line) {
    std::vector<std::wstring> f;
    size_t start = 0;
    for (size_t p; (p = line.find(L'\t', start)) != std::wstring::npos; start = p + 1) f.push_back(line.substr(start, p - start));
    f.push_back(line.substr(start));
    return f;
  };
  auto f = fields_of(lines[0]);
  ASSERT_EQ(f.size(), 9u);
  EXPECT_EQ(f[1], std::to_wstring(GetCurrentProcessId()));
  EXPECT_EQ(f[3], L"2");
  EXPECT_EQ(f[4], L"in.PalsCENVVAR");
  EXPECT_EQ(f[5], L"dll");
  EXPECT_EQ(f[6], L"cyInifINIFilesObj");
  EXPECT_EQ(f[7], L"Kelzud10");
  EXPECT_EQ(f[8], L"KEY - a\\tb");
  f = fields_of(lines[1]);
  ASSERT_EQ(f.size(), 9u);
  EXPECT_EQ(f[4], L"out.PalsCENVVAR");
  EXPECT_EQ(f[8], L"");
  EXPECT_TRUE(boxes.Records().empty());
}

TEST(DebugBridge, MissingOrFailingDebuggerCostsOneCriticalBox) {
  std::wstring tag = L"in.X", kind = L"dll", obj = L"o", text = L"t";
  short level = 2;
  {
    kz::SiblingRedirect absent(kz::kSiblingDebugger, kAbsent);
    UnattendedLog log;
    kz::AddDebugMessageA(tag, kind, obj, level, text);
    kz::AddDebugMessageA(tag, kind, obj, level, text);
    EXPECT_EQ(log.Records(), (std::vector<std::wstring>{
                                 Box(16, L"429 - AddDebugMessageA", L"ActiveX component can't create object"),
                                 Box(16, L"429 - AddDebugMessageA", L"ActiveX component can't create object")}));
  }
  {
    kz::SiblingRedirect other(kz::kSiblingDebugger, L"Kelzud10.clsKelzudShellA");
    UnattendedLog log;
    kz::AddDebugMessageA(tag, kind, obj, level, text);
    EXPECT_EQ(log.Records(), (std::vector<std::wstring>{Box(16, L"438 - AddDebugMessageA",
                                                            L"Object doesn't support this property or method")}));
  }
  kz::ReleaseDebuggerConnection();
  EXPECT_EQ(tag, L"in.X");
  EXPECT_EQ(level, 2);
}

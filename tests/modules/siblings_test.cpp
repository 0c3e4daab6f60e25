// The sibling servers as the library (and any client) reaches them: by programmatic
// identifier, late-bound, with the calls the library makes.
#include "frame/kz.h"
#include "base/error.h"
#include "com/siblings.h"
#include "base/text.h"
#include "testkit.h"

using namespace kzt;

namespace {

std::wstring UniqueName(const wchar_t* what) { return kzt::UniqueName(L"KZT_SIB_", what); }

struct KeyCleanup {
  std::wstring path;
  ~KeyCleanup() { RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str()); RegDeleteKeyW(HKEY_CURRENT_USER, path.c_str()); }
};


// The user's stored value and its type (0 when absent).
std::pair<std::wstring, DWORD> Stored(const std::wstring& name) {
  wchar_t buf[1024] = {};
  DWORD size = sizeof buf - sizeof(wchar_t), type = 0;
  if (RegGetValueW(HKEY_CURRENT_USER, L"Environment", name.c_str(), RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                   &type, buf, &size) != ERROR_SUCCESS)
    return {L"", 0};
  return {buf, type};
}

std::wstring Process(const std::wstring& name) {
  wchar_t buf[1024];
  DWORD n = GetEnvironmentVariableW(name.c_str(), buf, 1024);
  return n && n < 1024 ? std::wstring(buf, n) : std::wstring();
}

CallResult EnvironGet(IDispatch* rt, long scope, const std::wstring& name, Var flag) {
  Var s = Var::Long(scope), n = Var::Str(name);
  std::vector<VARIANT*> args{s.get(), n.get()};
  if (flag.vt() != VT_EMPTY) args.push_back(flag.get());
  return Call(rt, L"EnvironGet", args);
}

CallResult EnvironSet(IDispatch* rt, long scope, const std::wstring& name, const std::wstring& value) {
  Var s = Var::Long(scope), n = Var::Str(name), v = Var::Str(value);
  return Call(rt, L"EnvironSet", {s.get(), n.get(), v.get()});
}

std::wstring Text(const CallResult& r) { return r.value.vt() == VT_BSTR ? kz::FromBstr(r.value.get()->bstrVal) : L"<not text>"; }

}  // namespace

TEST(SiblingServers, CreatedByIdentifierInAnyCaseWithTheirOwnTypeInformation) {
  struct Case {
    const wchar_t* progid;
    const wchar_t* other_case;
    const wchar_t* itf;
  } cases[] = {
      {kz::kSiblingRuntime, L"kelzud11.CLSKELZUD11RUNTIMEA", L"_clsKelzud11RunTimeA"},
      {kz::kSiblingEnvRegistry, L"KELZUD11.clskelzudenvregistrya", L"_clsKelzudENVRegistryA"},
      {kz::kSiblingStaticWindow, L"kelzud16.clsKelzudWUIStatic", L"_clsKelzudWUIStatic"},
      {kz::kSiblingDebugger, L"ruvo10.clsruvodebuggera", L"_clsRUVODebuggerA"},
  };
  for (const auto& c : cases) {
    Ptr<IDispatch> d = Ptr<IDispatch>::Adopt(kz::CreateSibling(c.other_case));
    ASSERT_TRUE(d) << kz::ToAnsi(c.progid);
    ITypeInfo* ti = nullptr;
    ASSERT_HRESULT_SUCCEEDED(d->GetTypeInfo(0, 0, &ti));
    BSTR name = nullptr;
    ti->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr);
    EXPECT_EQ(kz::FromBstr(name), c.itf);
    SysFreeString(name);
    ti->Release();
  }
}

TEST(SiblingSeam, RedirectionMakesASiblingAbsentAndIsUndone) {
  {
    kz::SiblingRedirect absent(kz::kSiblingRuntime, L"Kelzud10Tests.NoSuchComponent");
    try {
      // Any letter case of the identifier is redirected.
      kz::CreateSibling(L"kelzud11.clskelzud11runtimea");
      ADD_FAILURE() << "created";
    } catch (const kz::Error& e) {
      EXPECT_EQ(e.number(), 429);
    }
  }
  Ptr<IDispatch> d = Ptr<IDispatch>::Adopt(kz::CreateSibling(kz::kSiblingRuntime));
  EXPECT_TRUE(d);
}

// ---- runtime -----------------------------------------------------------------------------------

TEST(Runtime, UserScopeStoresInTheUserEnvironmentAndThisProcess) {
  Ptr<IDispatch> rt = Create(kz::kSiblingRuntime);
  std::wstring plain = UniqueName(L"Plain"), expandable = UniqueName(L"Expand");
  VariableCleanup c1{plain}, c2{expandable};
  CallResult r = EnvironSet(rt.get(), 2, plain, L"C:\\Data");
  ASSERT_EQ(r.error, 0) << kz::ToAnsi(r.description);
  EXPECT_EQ(Text(r), L"C:\\Data");
  EXPECT_EQ(Stored(plain), std::make_pair(std::wstring(L"C:\\Data"), static_cast<DWORD>(REG_SZ)));
  EXPECT_EQ(Process(plain), L"C:\\Data");
  ASSERT_EQ(EnvironSet(rt.get(), 2, expandable, L"%" + plain + L"%\\x").error, 0);
  EXPECT_EQ(Stored(expandable).second, static_cast<DWORD>(REG_EXPAND_SZ));
  // The flag is optional; true expands the references.
  EXPECT_EQ(Text(EnvironGet(rt.get(), 2, expandable, Var())), L"%" + plain + L"%\\x");
  EXPECT_EQ(Text(EnvironGet(rt.get(), 2, expandable, Var::Long(0))), L"%" + plain + L"%\\x");
  EXPECT_EQ(Text(EnvironGet(rt.get(), 2, expandable, Var::Bool(true))), L"C:\\Data\\x");
  // The stored value wins over this process's copy, so a change by another process is seen.
  SetEnvironmentVariableW(plain.c_str(), L"stale");
  EXPECT_EQ(Text(EnvironGet(rt.get(), 2, plain, Var())), L"C:\\Data");
  // An empty value removes the variable from both.
  ASSERT_EQ(EnvironSet(rt.get(), 2, plain, L"").error, 0);
  EXPECT_EQ(Stored(plain).second, 0u);
  EXPECT_EQ(Process(plain), L"");
  EXPECT_EQ(Text(EnvironGet(rt.get(), 2, plain, Var())), L"");
}

TEST(Runtime, ProcessScopeAndVariablesOnlyInThisProcess) {
  Ptr<IDispatch> rt = Create(kz::kSiblingRuntime);
  std::wstring name = UniqueName(L"Proc");
  VariableCleanup cleanup{name};
  ASSERT_EQ(EnvironSet(rt.get(), 1, name, L"here").error, 0);
  EXPECT_EQ(Stored(name).second, 0u) << "scope 1 stores nothing";
  EXPECT_EQ(Text(EnvironGet(rt.get(), 1, name, Var())), L"here");
  EXPECT_EQ(Text(EnvironGet(rt.get(), 2, name, Var())), L"here") << "scope 2 falls back on this process";
}

TEST(Runtime, BadArgumentsGetErrorFiveFromTheRuntime) {
  Ptr<IDispatch> rt = Create(kz::kSiblingRuntime);
  std::wstring nul_name = std::wstring(L"KZT_A") + L'\0' + L"B";
  struct Case {
    long scope;
    std::wstring name, value;
  } cases[] = {
      {3, UniqueName(L"Scope"), L"x"},
      {2, L"", L"x"},
      {2, L"KZT_A=B", L"x"},
      {2, nul_name, L"x"},
      {2, std::wstring(16384, L'N'), L"x"},
      {2, UniqueName(L"Nul"), std::wstring(L"a") + L'\0' + L"b"},
      {2, UniqueName(L"Huge"), std::wstring(32767, L'v')},
  };
  for (const auto& c : cases) {
    VariableCleanup cleanup{c.name};
    CallResult r = EnvironSet(rt.get(), c.scope, c.name, c.value);
    EXPECT_EQ(r.error, 5) << c.name.size();
    EXPECT_EQ(r.source, L"KELZUD11.clsKelzud11RunTimeA");
    EXPECT_FALSE(r.description.empty());
    if (c.scope == 2 && !c.name.empty() && c.name.find(L'\0') == std::wstring::npos) {
      EXPECT_EQ(Stored(c.name).second, 0u);
    }
  }
  // Reading such names finds nothing; an unknown scope is still an error.
  EXPECT_EQ(Text(EnvironGet(rt.get(), 2, nul_name, Var())), L"");
  EXPECT_EQ(Text(EnvironGet(rt.get(), 2, L"", Var())), L"");
  EXPECT_EQ(EnvironGet(rt.get(), 0, L"PATH", Var()).error, 5);
  EXPECT_EQ(EnvironGet(rt.get(), 2, L"PATH", Var::Str(L"not a Boolean")).error, 13);
}

// ---- environment registry -------------------------------------------------------------------------

TEST(EnvRegistry, ReadsAndWritesOneValue) {
  const std::wstring key = L"Software\\Kelzud10Tests\\siblings_envregistry_" + std::to_wstring(GetCurrentProcessId());
  KeyCleanup cleanup{key};
  Ptr<IDispatch> reg = Create(kz::kSiblingEnvRegistry);
  EXPECT_EQ(kz::VarToLong(kz::GetProp(reg.get(), L"ClassKey").get()), -2147483646) << "local machine by default";
  kz::PutProp(reg.get(), L"ClassKey", Var::Long(-2147483647));
  kz::PutProp(reg.get(), L"SectionKey", Var::Str(key + L"\\Deeper"));
  kz::PutProp(reg.get(), L"ValueKey", Var::Str(L"Path"));
  EXPECT_EQ(kz::VarToStr(kz::GetProp(reg.get(), L"Value").get()), L"") << "absent key";
  kz::PutProp(reg.get(), L"Value", Var::Str(L"C:\\One"));
  EXPECT_EQ(kz::VarToStr(kz::GetProp(reg.get(), L"Value").get()), L"C:\\One");

  // An existing expandable value stays expandable, and is read as stored.
  HKEY k;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, (key + L"\\Deeper").c_str(), 0, KEY_ALL_ACCESS, &k), ERROR_SUCCESS);
  const wchar_t exp[] = L"%SystemRoot%\\a";
  RegSetValueExW(k, L"Path", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(exp), sizeof exp);
  EXPECT_EQ(kz::VarToStr(kz::GetProp(reg.get(), L"Value").get()), exp);
  kz::PutProp(reg.get(), L"Value", Var::Str(L"C:\\plain;C:\\b"));
  DWORD type = 0;
  RegQueryValueExW(k, L"Path", nullptr, &type, nullptr, nullptr);
  EXPECT_EQ(type, static_cast<DWORD>(REG_EXPAND_SZ));
  DWORD number = 1234;
  RegSetValueExW(k, L"Count", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
  RegCloseKey(k);
  kz::PutProp(reg.get(), L"ValueKey", Var::Str(L"Count"));
  EXPECT_EQ(kz::VarToStr(kz::GetProp(reg.get(), L"Value").get()), L"1234");

  // Names with a NUL reach no value; writing through them is refused.
  kz::PutProp(reg.get(), L"ValueKey", Var::Str(std::wstring(L"Pa") + L'\0' + L"th"));
  EXPECT_EQ(kz::VarToStr(kz::GetProp(reg.get(), L"Value").get()), L"");
  Var v = Var::Str(L"x");
  CallResult r = Call(reg.get(), L"Value", {v.get()}, DISPATCH_PROPERTYPUT);
  EXPECT_EQ(r.error, 5);
  EXPECT_EQ(r.source, L"Kelzud11.clsKelzudENVRegistryA");
  kz::PutProp(reg.get(), L"ValueKey", Var::Str(L"Path"));
  Var nul_value = Var::Str(std::wstring(L"a") + L'\0' + L"b");
  EXPECT_EQ(Call(reg.get(), L"Value", {nul_value.get()}, DISPATCH_PROPERTYPUT).error, 5);
  // A root that is no open key reads nothing and cannot be written.
  kz::PutProp(reg.get(), L"ClassKey", Var::Long(12345));
  EXPECT_EQ(kz::VarToStr(kz::GetProp(reg.get(), L"Value").get()), L"");
  EXPECT_NE(Call(reg.get(), L"Value", {v.get()}, DISPATCH_PROPERTYPUT).error, 0);
}

// ---- static message window ----------------------------------------------------------------------

TEST(StaticWindow, UnattendedRunsRecordInsteadOfShowing) {
  UnattendedLog log;
  {
    Ptr<IDispatch> w = Create(kz::kSiblingStaticWindow);
    // The library's call: text, true, the third argument omitted, true.
    Var text = Var::Str(L"Taking Backup for user.reg - HKEY_CURRENT_USER\\Software\\Example"), yes = Var::Bool(true),
        missing = Var::Missing();
    ASSERT_EQ(Call(w.get(), L"UIShowStaticMessageDialog", {text.get(), yes.get(), missing.get(), yes.get()}).error, 0);
    Var second = Var::Str(L"line1\r\nline2");
    ASSERT_EQ(Call(w.get(), L"UIShowStaticMessageDialog", {second.get(), yes.get(), missing.get(), yes.get()}).error, 0);
    ASSERT_EQ(Call(w.get(), L"UIHideStaticMessageDialog", {}).error, 0);
    ASSERT_EQ(Call(w.get(), L"UIHideStaticMessageDialog", {}).error, 0);  // nothing left to remove
    ASSERT_EQ(Call(w.get(), L"UIShowStaticMessageDialog", {text.get()}).error, 0);
  }  // released while shown: the window goes with it
  EXPECT_EQ(log.Records(),
            (std::vector<std::wstring>{
                L"show\tKELZUD16.clsKelzudWUIStatic\tTaking Backup for user.reg - HKEY_CURRENT_USER\\\\Software\\\\Example",
                L"show\tKELZUD16.clsKelzudWUIStatic\tline1\\r\\nline2",
                L"hide\tKELZUD16.clsKelzudWUIStatic\t",
                L"show\tKELZUD16.clsKelzudWUIStatic\tTaking Backup for user.reg - HKEY_CURRENT_USER\\\\Software\\\\Example",
                L"hide\tKELZUD16.clsKelzudWUIStatic\t"}));
}

TEST(StaticWindow, AttendedShowReturnsAtOnce) {
  ProcessVariable attended(L"KELZUD10_UNATTENDED", nullptr);
  Ptr<IDispatch> w = Create(kz::kSiblingStaticWindow);
  Var text = Var::Str(std::wstring(L"a") + L'\0' + std::wstring(5000, L'b')), yes = Var::Bool(true),
      owner = Var::Long(12345);
  DWORD start = GetTickCount();
  EXPECT_EQ(Call(w.get(), L"UIShowStaticMessageDialog", {text.get(), yes.get(), owner.get(), yes.get()}).error, 0);
  EXPECT_EQ(Call(w.get(), L"UIShowStaticMessageDialog", {text.get()}).error, 0);
  EXPECT_EQ(Call(w.get(), L"UIHideStaticMessageDialog", {}).error, 0);
  EXPECT_LT(GetTickCount() - start, 5000u);
}

// ---- debugger -------------------------------------------------------------------------------------

TEST(Debugger, HoldsTheApplicationObjectAndLogsEscapedFields) {
  TempDir dir;
  std::wstring file = dir.File(L"ruvo.log");
  ProcessVariable log(L"RUVO10_DEBUGLOG", file.c_str());
  Ptr<IDispatch> d = Create(kz::kSiblingDebugger);
  EXPECT_EQ(kz::GetProp(d.get(), L"AppObj").vt(), VT_DISPATCH);
  EXPECT_EQ(kz::GetProp(d.get(), L"AppObj").get()->pdispVal, nullptr);
  Ptr<IDispatch> app = Create(L"Kelzud10.clsKelzudShellA");  // an object without a title
  kz::PutRef(d.get(), L"AppObj", app.get());
  EXPECT_EQ(kz::GetProp(d.get(), L"AppObj").get()->pdispVal, app.get());
  Var tag = Var::Str(L"t\\ag"), kind = Var::Str(L"dll"), obj = Var::Str(std::wstring(L"o") + L'\0' + L"b"),
      level = Var::Short(-3), text = Var::Str(L"one\r\ntwo\tthree");
  CallResult r = Call(d.get(), L"AddDebugMessage", {tag.get(), kind.get(), obj.get(), level.get(), text.get()});
  ASSERT_EQ(r.error, 0) << kz::ToAnsi(r.description);
  std::wstring content = ReadFileText(file);
  size_t first_tab = content.find(L'\t');
  ASSERT_NE(first_tab, std::wstring::npos);
  std::wstring rest = content.substr(content.find(L'\t', content.find(L'\t', first_tab + 1) + 1) + 1);
  EXPECT_EQ(rest, L"-3\tt\\\\ag\tdll\to\\0b\t\tone\\r\\ntwo\\tthree\r\n");
}

TEST(Debugger, WithoutALogFileMessagesGoOnlyToTheDebuggerOutput) {
  ProcessVariable none(L"RUVO10_DEBUGLOG", nullptr);
  Ptr<IDispatch> d = Create(kz::kSiblingDebugger);
  Var s = Var::Str(L"x"), level = Var::Short(1);
  EXPECT_EQ(Call(d.get(), L"AddDebugMessage", {s.get(), s.get(), s.get(), level.get(), s.get()}).error, 0);
}

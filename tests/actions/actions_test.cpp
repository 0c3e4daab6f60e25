// The action engine: dispatch of every code, the line loop, field cutting, variable
// references, the stop-at-first-error rule, and the registry actions.
#include <cwchar>
#include <string>

#include "frame/modules.h"
#include "frame/kz.h"
#include "com/siblings.h"
#include "base/text.h"
#include "ini/actions/ActionEngine.h"
#include "ini/actions/basKelzudBARA.h"
#include "ini/clsKelzudINIFileHandler1A.h"
#include "testkit.h"

using namespace kzt;
using kz::IniFileHandler;

namespace {

const wchar_t kTestKey[] = L"Software\\Kelzud10Tests\\Actions";

// Sets a variable of the product family through the runtime component, removing it again.
class FamilyVariable {
 public:
  FamilyVariable(std::wstring name, std::wstring value) : name_(std::move(name)) { Set(value); }
  ~FamilyVariable() { Set(L""); }
  void Set(std::wstring value) {
    long scope = 2;
    kz::KelEnvironSet(scope, name_, value);
  }

 private:
  std::wstring name_;
};

class ActionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    h_ = kz::MakeObject<IniFileHandler>();
    h_->set_path(dir_.File(L"actions.ini"));
    RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey);
  }
  void TearDown() override {
    h_->Release();
    RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey);
  }
  // Writes a section of action lines (in order) and points the handler at it.
  void Section(const std::wstring& name, const std::vector<std::pair<std::wstring, std::wstring>>& lines) {
    std::string text = "[" + kz::ToAnsi(name) + "]\r\n";
    for (auto& l : lines) text += kz::ToAnsi(l.first) + "=" + kz::ToAnsi(l.second) + "\r\n";
    WriteFileText(h_->path(), text);
    h_->set_section(name);
  }
  // Pals called late-bound, as a client calls it.
  CallResult Pals(long code) {
    Var c = Var::Long(code);
    return Call(h_->itf(), L"Pals", {c.get()});
  }
  std::wstring RegString(const std::wstring& sub, const wchar_t* name, HKEY root = HKEY_CURRENT_USER) {
    wchar_t buf[512];
    DWORD size = sizeof buf, type = 0;
    if (RegGetValueW(root, sub.c_str(), name, RRF_RT_ANY, &type, buf, &size) != ERROR_SUCCESS) return L"<absent>";
    return type == REG_SZ ? std::wstring(buf) : L"<type " + std::to_wstring(type) + L">";
  }
  std::wstring base() const { return kTestKey; }
  TempDir dir_;
  IniFileHandler* h_ = nullptr;
};

}  // namespace

TEST_F(ActionTest, PalsDispatchesEveryCodeAsTheTableSays) {
  // The line below is not valid for any action, so an action that runs reports an error of
  // its own: proof of which method the code reached.
  Section(L"Lines", {{L"only", L"v"}});
  struct Case {
    long code;
    const wchar_t* reaches;  // null: no action, the empty value at once
  } cases[] = {
      {0, L"PalsCENVVAR"}, {1, nullptr}, {2, nullptr}, {3, nullptr}, {4, L"PalsCREGK"}, {5, nullptr},
      {6, nullptr}, {7, nullptr}, {8, L"PalsASCSFNF"}, {9, nullptr}, {10, nullptr}, {11, nullptr},
      {12, L"PalsASFFONT"}, {13, nullptr}, {14, L"PalsFILEASSOCIATION"}, {15, L"PalsFILEASSOCIATION"},
      {16, nullptr}, {17, nullptr}, {18, nullptr}, {19, nullptr}, {20, nullptr}, {21, nullptr},
      {22, nullptr}, {30, nullptr}, {31, L"PalsSSEXEA"}, {32, L"PalsFormMap1"}, {33, L"PalsFormMap2"},
      {34, L"PalsSIni"}, {41, L"PalsRCplDtopEntries"}, {42, nullptr}, {43, L"PalsEREGBAK"},
      {44, nullptr}, {45, L"PalsCreateShorCuts"}, {46, nullptr}, {47, L"PalsCSFILES"}, {48, nullptr},
      {49, L"PalsCMODIFYREGENVPATH"}, {50, L"PalsSSEXENOWAIT"}, {51, L"PalsCDBTableFld"}, {52, nullptr},
      {99, nullptr}, {-1, nullptr},
  };
  for (const Case& c : cases) {
    h_->set_key(L"before");
    // The path action would append the line's text to the machine's Path: without the
    // environment registry component it stops before writing.
    kz::SiblingRedirect no_env_registry(kz::kSiblingEnvRegistry,
                                        c.code == 49 ? L"Kelzud10Tests.NoSuchComponent" : L"");
    CallResult r = Pals(c.code);
    if (!c.reaches) {
      EXPECT_EQ(r.error, 0) << c.code;
      EXPECT_EQ(r.value.vt(), VT_EMPTY) << c.code;
      EXPECT_EQ(h_->key(), L"before") << "code " << c.code << " touched the handler";
      continue;
    }
    std::wstring method = c.reaches;
    if (method == L"PalsCREGK") {
      EXPECT_EQ(r.error, 13) << "the root text v is not a number";
      EXPECT_EQ(h_->key(), L"only");
    } else if (method == L"PalsFormMap1") {
      // No layout keys in the section: nothing to apply, so no form is needed.
      EXPECT_EQ(r.error, 0);
      EXPECT_EQ(h_->key(), L"FormMap1Height");
      continue;
    } else if (method == L"PalsFormMap2") {
      EXPECT_EQ(r.error, 0);
      EXPECT_EQ(h_->key(), L"");
      continue;
    } else if (method == L"PalsASCSFNF" || method == L"PalsCSFILES" || method == L"PalsSIni" ||
               method == L"PalsCDBTableFld" || method == L"PalsCreateShorCuts" ||
               method == L"PalsASFFONT" || method == L"PalsRCplDtopEntries" || method == L"PalsSSEXENOWAIT" ||
               method == L"PalsFILEASSOCIATION") {
      EXPECT_EQ(r.error, 9) << c.code << ": the line has too few fields";
    } else if (method == L"PalsSSEXEA") {
      EXPECT_EQ(r.error, 53) << "the line's command v names no program";
    } else if (method == L"PalsCENVVAR") {
      // Its errors end in a message box of its own; the call itself succeeds.
      EXPECT_EQ(r.error, 0);
      EXPECT_EQ(h_->key(), L"only");
      continue;
    } else if (method == L"PalsCMODIFYREGENVPATH") {
      EXPECT_EQ(r.error, 429);
    } else if (method == L"PalsEREGBAK") {
      // Runs with the sibling components; without AppObj and folder it stops with error 91.
      EXPECT_EQ(r.error, 91);
    } else {
      EXPECT_EQ(r.error, 438) << c.code;
      EXPECT_EQ(r.description.rfind(method + L" ", 0), 0u) << kz::ToAnsi(r.description);
    }
    EXPECT_EQ(r.source, L"Kelzud10.clsKelzudINIFileHandler1A") << c.code;
  }
}

TEST_F(ActionTest, InertActionsAndEmptySectionsDoNothing) {
  Section(L"Empty", {});
  for (long code : {4L, 13L, 43L, 44L}) {
    h_->set_key(L"before");
    CallResult r = Pals(code);
    if (code == 43) {
      EXPECT_EQ(r.error, 91) << "the backup folder comes from AppObj before any line is read";
      continue;
    }
    EXPECT_EQ(r.error, 0) << code;
    EXPECT_EQ(r.value.vt(), VT_EMPTY);
    EXPECT_EQ(h_->key(), L"before") << code;
  }
}

TEST(ActionFields, CutAtEverySeparatorKeepingEmptyFields) {
  using V = std::vector<std::wstring>;
  EXPECT_EQ(kz::SplitFields(L"a,b,,c", L','), (V{L"a", L"b", L"", L"c"}));
  EXPECT_EQ(kz::SplitFields(L"", L','), (V{L""}));
  EXPECT_EQ(kz::SplitFields(L"x^y,z^", L'^'), (V{L"x", L"y,z", L""}));
  EXPECT_EQ(kz::SplitFields(L" a , b ", L','), (V{L" a ", L" b "}));
  V f = kz::SplitFields(L"a,b", L',');
  EXPECT_EQ(kz::Field(f, 1), L"b");
  try {
    kz::Field(f, 2);
    FAIL();
  } catch (const kz::Error& e) {
    EXPECT_EQ(e.number(), 9);
  }
}

TEST(ActionReferences, ExpandOnlyAtTheStartOfAField) {
  FamilyVariable app(L"KZT_APPDIR", L"C:\\App");
  std::wstring windows = kz::GetWindowsFolder(), system = kz::GetSystemFolder();
  wchar_t process_windir[MAX_PATH] = {};
  GetEnvironmentVariableW(L"windir", process_windir, MAX_PATH);
  using kz::Lookup;
  struct Case {
    const wchar_t* field;
    Lookup lookup;
    std::wstring want;
  } cases[] = {
      {L"%KZT_APPDIR%\\bin", Lookup::Environment, L"C:\\App\\bin"},
      {L"%kzt_appdir%", Lookup::EnvironmentFlagged, L"C:\\App"},
      {L"x%KZT_APPDIR%\\bin", Lookup::Environment, L"x%KZT_APPDIR%\\bin"},
      {L"C:\\a%b", Lookup::Environment, L"C:\\a%b"},
      {L"%KZT_APPDIR%\\a%b%c", Lookup::Environment, L"C:\\App\\a"},  // pieces after the tail are dropped
      {L"%KZT_NO_SUCH_VARIABLE%\\x", Lookup::Environment, L"\\x"},
      {L"%WinDir%\\Fonts", Lookup::FoldersThenEnvironment, windows + L"\\Fonts"},
      {L"%winsysdir%", Lookup::FoldersThenFlagged, system},
      {L"%windir%\\x", Lookup::ProcessWindir, std::wstring(process_windir) + L"\\x"},
      {L"%KZT_APPDIR%", Lookup::ProcessWindir, L"C:\\App"},
      {L"", Lookup::Environment, L""},
  };
  kz::ActionVariables variables;
  for (const Case& c : cases) EXPECT_EQ(variables.Expand(c.field, c.lookup), c.want) << kz::ToAnsi(c.field);
  // A reference without its closing percent sign has no tail: error 9.
  try {
    variables.Expand(L"%KZT_APPDIR", Lookup::Environment);
    FAIL();
  } catch (const kz::Error& e) {
    EXPECT_EQ(e.number(), 9);
  }
}

TEST_F(ActionTest, RegistryLinesWriteStringValuesForEveryRootForm) {
  FamilyVariable sub(L"KZT_SUBKEY", L"Software\\Kelzud10Tests\\Actions\\Expanded");
  FamilyVariable name(L"KZT_VALUENAME", L"FromVariable");
  FamilyVariable data(L"KZT_DATA", L"C:\\Data");
  wchar_t windir[MAX_PATH] = {};
  GetEnvironmentVariableW(L"windir", windir, MAX_PATH);
  Section(L"Registry", {
      {L"entry1", L"hcu,Software\\Kelzud10Tests\\Actions,Name,Text,"},
      {L"entry2", L"HCU,Software\\Kelzud10Tests\\Actions,Extra,Text,x"},
      {L"entry3", L"-2147483647,Software\\Kelzud10Tests\\Actions\\Numeric,N,1,"},
      {L"entry4", L"hcu,%KZT_SUBKEY%,%KZT_VALUENAME%,%KZT_DATA%\\sub,"},
      {L"entry5", L"hcu,Software\\Kelzud10Tests\\Actions,Win,%windir%\\Fonts,"},
      {L"empty", L""},
      {L"entry6", L"hcu,Software\\Kelzud10Tests\\Actions,Untouched,x%KZT_DATA%,"},
  });
  CallResult r = Pals(kelzudIFHPalsCREGK);
  ASSERT_EQ(r.error, 0) << kz::ToAnsi(r.description);
  EXPECT_EQ(r.value.vt(), VT_EMPTY);
  std::wstring base = kTestKey;
  EXPECT_EQ(RegString(base, L"Name"), L"Text");
  EXPECT_EQ(RegString(base, L"Extra"), L"Text x");
  EXPECT_EQ(RegString(base + L"\\Numeric", L"N"), L"1");
  EXPECT_EQ(RegString(base + L"\\Expanded", L"FromVariable"), L"C:\\Data\\sub");
  EXPECT_EQ(RegString(base, L"Win"), std::wstring(windir) + L"\\Fonts");
  EXPECT_EQ(RegString(base, L"Untouched"), L"x%KZT_DATA%");
  EXPECT_EQ(h_->key(), L"entry6");  // the last key of the section
}

TEST_F(ActionTest, RegistryRootsByAbbreviationCaseAndEmptyField) {
  struct Case {
    const wchar_t* root;
    long error;
  } cases[] = {{L"hcu", 0}, {L"HcU", 0}, {L"nonsense", 13}, {L"99999999999", 6}};
  for (const Case& c : cases) {
    Section(L"R", {{L"e", std::wstring(c.root) + L",Software\\Kelzud10Tests\\Actions,V,t,"}});
    CallResult r = Pals(kelzudIFHPalsCREGK);
    EXPECT_EQ(r.error, c.error) << kz::ToAnsi(c.root);
  }
  // An empty root is HKEY_LOCAL_MACHINE, like "hlm".
  for (const wchar_t* root : {L"", L"HLM"}) {
    Section(L"R", {{L"e", std::wstring(root) + L",Software\\Kelzud10Tests\\ActionsLM,V,lm,"}});
    ASSERT_EQ(Pals(kelzudIFHPalsCREGK).error, 0);
    EXPECT_EQ(RegString(L"Software\\Kelzud10Tests\\ActionsLM", L"V", HKEY_LOCAL_MACHINE), L"lm");
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Kelzud10Tests\\ActionsLM");
  }
}

TEST_F(ActionTest, AnErrorEndsTheActionKeepingEarlierLines) {
  Section(L"R", {
      {L"first", L"hcu,Software\\Kelzud10Tests\\Actions,First,1,"},
      {L"short", L"hcu,Software\\Kelzud10Tests\\Actions,Short,2"},  // four fields
      {L"third", L"hcu,Software\\Kelzud10Tests\\Actions,Third,3,"},
  });
  CallResult r = Pals(kelzudIFHPalsCREGK);
  EXPECT_EQ(r.error, 9);
  EXPECT_EQ(r.source, L"Kelzud10.clsKelzudINIFileHandler1A");
  EXPECT_EQ(r.description, L"Subscript out of range");
  EXPECT_EQ(RegString(kTestKey, L"First"), L"1");
  EXPECT_EQ(RegString(kTestKey, L"Short"), L"<absent>");
  EXPECT_EQ(RegString(kTestKey, L"Third"), L"<absent>");
  EXPECT_EQ(h_->key(), L"short");
}

TEST_F(ActionTest, ActionArgumentsAreOptionalAndByReference) {
  Section(L"Empty", {});
  // Every argument may be left out, the process flag may be false: nothing changes.
  CallResult r = Call(h_->itf(), L"PalsIREGBAK", {});
  EXPECT_EQ(r.error, 0);
  Var code = Var::Long(kelzudIFHPalsCREGK), text = Var::Str(L"keep"), number = Var::Long(7);
  Var missing = Var::Missing(), no = Var::Bool(false);
  r = Call(h_->itf(), L"Pals", {code.get(), text.get(), number.get(), missing.get(), no.get()});
  EXPECT_EQ(r.error, 0);
  EXPECT_EQ(kz::VarToStr(text.get()), L"keep");
  EXPECT_EQ(number.get()->lVal, 7);
}

namespace {

// Waits for a file another process writes (the registry editor runs on its own).
bool WaitForFile(const std::wstring& path) {
  for (int i = 0; i < 600; ++i) {  // up to 30 s: the editor starts slowly on a busy machine
    if (FileExists(path)) {
      Sleep(100);  // let the writer finish
      return true;
    }
    Sleep(50);
  }
  return false;
}

}  // namespace

TEST_F(ActionTest, RegistryBackupExportsLogsAndShowsProgress) {
  HKEY k;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Kelzud10Tests\\Actions\\Branch", 0, nullptr, 0, KEY_WRITE,
                            nullptr, &k, nullptr), ERROR_SUCCESS);
  RegSetValueExW(k, L"Marker", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"exported"), 18);
  RegCloseKey(k);
  TempDir logs, backup;
  FamilyVariable logs_var(L"VQENVSLOGS", logs.path());
  UnattendedLog boxes;
  Section(L"Backup", {{L"user.reg", L"HKEY_CURRENT_USER\\Software\\Kelzud10Tests\\Actions\\Branch"},
                      {L"skipped.reg", L""}});
  Var code = Var::Long(kelzudIFHPalsEREGBAK), folder = Var::Str(backup.path());  // no trailing backslash
  CallResult r = Call(h_->itf(), L"Pals", {code.get(), folder.get()});
  ASSERT_EQ(r.error, 0) << kz::ToAnsi(r.description);
  EXPECT_EQ(kz::VarToStr(folder.get()), backup.path() + L"\\");  // completed in the caller's variable
  // The log entry, in the folder named by VQENVSLOGS.
  EXPECT_EQ(ReadFileText(logs.File(L"bar.ini")),
            L"[Registry]\r\nuser.reg=HKEY_CURRENT_USER\\Software\\Kelzud10Tests\\Actions\\Branch\r\n");
  // The export, written by the registry editor on its own.
  ASSERT_TRUE(WaitForFile(backup.File(L"user.reg")));
  // The registry editor writes its export as UTF-16.
  HANDLE f = CreateFileW(backup.File(L"user.reg").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  std::wstring exported(4096, L'\0');
  DWORD got = 0;
  ReadFile(f, &exported[0], 8192, &got, nullptr);
  CloseHandle(f);
  exported.resize(got / 2);
  EXPECT_NE(exported.find(L"[HKEY_CURRENT_USER\\Software\\Kelzud10Tests\\Actions\\Branch]"), std::wstring::npos);
  EXPECT_NE(exported.find(L"\"Marker\"=\"exported\""), std::wstring::npos);
  // Progress went to the static message window, which the unattended run only logs.
  std::vector<std::wstring> records = boxes.Records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_NE(records[0].find(L"Taking Backup for user.reg - HKEY_CURRENT_USER\\\\Software"), std::wstring::npos)
      << kz::ToAnsi(records[0]);
  EXPECT_EQ(records[1].rfind(L"hide", 0), 0u);
  EXPECT_EQ(h_->key(), L"skipped.reg");
}

TEST_F(ActionTest, RegistryBackupFolderComesFromTheApplicationObject) {
  TempDir app, logs;
  FamilyVariable logs_var(L"VQENVSLOGS", logs.path());
  Section(L"Empty", {});
  // The client's application object: anything with a Path property.
  Ptr<IDispatch> fso = Create(L"Scripting.FileSystemObject");
  Var name = Var::Str(app.path());
  Var folder_obj = kz::CallByName(fso.get(), L"GetFolder", DISPATCH_METHOD, std::vector<VARIANT*>{name.get()});
  Var code = Var::Long(kelzudIFHPalsEREGBAK), folder = Var::Str(L"");
  CallResult r = Call(h_->itf(), L"Pals", {code.get(), folder.get()});
  EXPECT_EQ(r.error, 91);  // no AppObj yet
  ASSERT_HRESULT_SUCCEEDED(h_->putref_AppObj(folder_obj.get()->pdispVal));
  UnattendedLog boxes;
  r = Call(h_->itf(), L"Pals", {code.get(), folder.get()});
  ASSERT_EQ(r.error, 0) << kz::ToAnsi(r.description);
  std::wstring got = kz::VarToStr(folder.get());
  EXPECT_TRUE(kz::EqualNoCase(got, app.path() + L"\\")) << kz::ToAnsi(got);
  // A section without lines shows nothing, logs nothing and starts no export.
  EXPECT_TRUE(boxes.Records().empty());
  EXPECT_FALSE(FileExists(logs.File(L"bar.ini")));
}

TEST_F(ActionTest, RegistryBackupWithoutTheRuntimeComponent) {
  kz::SiblingRedirect absent(kz::kSiblingRuntime, L"Kelzud10Tests.NoSuchRuntime");
  Section(L"Backup", {{L"user.reg", L"HKEY_CURRENT_USER\\Software\\Kelzud10Tests"}});
  Var code = Var::Long(kelzudIFHPalsEREGBAK), folder = Var::Str(dir_.path());
  CallResult r = Call(h_->itf(), L"Pals", {code.get(), folder.get()});
  EXPECT_EQ(r.error, 429);
  EXPECT_FALSE(FileExists(dir_.File(L"user.reg")));
}

// ---- long sections, per-action helpers, and lines that change the file being run -------------

TEST_F(ActionTest, RegistrySectionsPast8KBRunEveryLine) {
  // 2,000 lines: their key names alone take 20,000 characters.
  std::vector<std::pair<std::wstring, std::wstring>> lines;
  for (int i = 0; i < 2000; ++i) {
    wchar_t key[32];
    std::swprintf(key, 32, L"line%05d", i);
    lines.push_back({key, std::wstring(L"hcu,Software\\Kelzud10Tests\\Actions\\Many,") + key + L",d,"});
  }
  Section(L"Registry", lines);
  CallResult r = Pals(kelzudIFHPalsCREGK);
  ASSERT_EQ(r.error, 0) << kz::ToAnsi(r.description);
  HKEY k;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Kelzud10Tests\\Actions\\Many", 0, KEY_READ, &k), ERROR_SUCCESS);
  DWORD values = 0;
  RegQueryInfoKeyW(k, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr, nullptr);
  RegCloseKey(k);
  EXPECT_EQ(values, 2000u);
  EXPECT_EQ(RegString(base() + L"\\Many", L"line01999"), L"d");
  EXPECT_EQ(h_->key(), L"line01999");
}

namespace {

int g_runtimes = 0;
IDispatch* CountedRuntime() {
  ++g_runtimes;
  return kz::CreateByProgId(L"KELZUD11.clsKelzud11RunTimeA");
}

}  // namespace

TEST(ActionReferences, AnswersKeptForAnActionFollowEveryChangeOfTheEnvironment) {
  using kz::Lookup;
  FamilyVariable app(L"KZT_KEPT", L"first");
  kz::ActionVariables variables;
  EXPECT_EQ(variables.Expand(L"%KZT_KEPT%", Lookup::Environment), L"first");
  // Through the runtime component (the user's stored environment and this process).
  app.Set(L"second");
  EXPECT_EQ(variables.Expand(L"%KZT_KEPT%", Lookup::Environment), L"second");
  // Stored by another program: the registry only.
  HKEY env = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Environment", 0, KEY_SET_VALUE, &env), ERROR_SUCCESS);
  const wchar_t third[] = L"third";
  RegSetValueExW(env, L"KZT_KEPT", 0, REG_SZ, reinterpret_cast<const BYTE*>(third), sizeof third);
  RegCloseKey(env);
  EXPECT_EQ(variables.Expand(L"%KZT_KEPT%", Lookup::Environment), L"third");
  // A variable of this process only (not stored), changed between two references.
  ProcessVariable local(L"KZT_LOCAL_ONLY", L"one");
  EXPECT_EQ(variables.Expand(L"%KZT_LOCAL_ONLY%", Lookup::Environment), L"one");
  SetEnvironmentVariableW(L"KZT_LOCAL_ONLY", L"two");
  EXPECT_EQ(variables.Expand(L"%KZT_LOCAL_ONLY%", Lookup::Environment), L"two");
  // The flagged look-up is kept apart from the plain one.
  app.Set(L"%KZT_LOCAL_ONLY%");
  EXPECT_EQ(variables.Expand(L"%KZT_KEPT%", Lookup::Environment), L"%KZT_LOCAL_ONLY%");
  EXPECT_EQ(variables.Expand(L"%KZT_KEPT%", Lookup::EnvironmentFlagged), L"two");
}

TEST(ActionReferences, AMissingRuntimeIsReportedAtEveryReference) {
  kz::SiblingRedirect absent(kz::kSiblingRuntime, L"Kelzud10Tests.NoSuchComponent");
  UnattendedLog log;
  kz::ActionVariables variables;
  for (int i = 0; i < 3; ++i) EXPECT_EQ(variables.Expand(L"%KZT_ANY%\\x", kz::Lookup::Environment), L"\\x");
  EXPECT_EQ(log.Records().size(), 6u) << "two boxes for each of the three references";
}

TEST_F(ActionTest, OneRuntimeComponentServesAWholeAction) {
  FamilyVariable sub(L"KZT_SUBKEY", L"Software\\Kelzud10Tests\\Actions\\Counted");
  std::vector<std::pair<std::wstring, std::wstring>> lines;
  for (int i = 0; i < 5; ++i) lines.push_back({L"e" + std::to_wstring(i), L"hcu,%KZT_SUBKEY%,%KZT_SUBKEY%,x,"});
  Section(L"Registry", lines);
  g_runtimes = 0;
  kz::SubstituteSibling(kz::kSiblingRuntime, &CountedRuntime);
  CallResult first = Pals(kelzudIFHPalsCREGK);
  CallResult second = Pals(kelzudIFHPalsCREGK);
  kz::SubstituteSibling(kz::kSiblingRuntime, nullptr);
  ASSERT_EQ(first.error, 0) << kz::ToAnsi(first.description);
  ASSERT_EQ(second.error, 0);
  EXPECT_EQ(g_runtimes, 2) << "one runtime component for each action, not one for each reference";
  EXPECT_EQ(RegString(base() + L"\\Counted", L"Software\\Kelzud10Tests\\Actions\\Counted"), L"x");
}

TEST_F(ActionTest, SectionValuesAreWhatReadingValueGives) {
  // Lines the one-pass read must not change: quotes, spaces, repeated keys in other case,
  // a line without "=", an empty value, a value past the read's cut, a name outside ASCII.
  WriteFileText(h_->path(),
                "[Run]\r\nplain=a,b,c\r\nquoted=\"q\"\r\nsingle='s'\r\nhalf=\"open\r\n spaced = x y \r\n"
                "Dup=first\r\ndup=second\r\nnoequals\r\nempty=\r\nlong=" + std::string(300, 'L') +
                "\r\neq=a=b\r\n;comment=c\r\n[Other]\r\nplain=other\r\n");
  h_->set_section(L"Run");
  std::vector<std::wstring> keys = h_->EnumerateSection();
  ASSERT_GE(keys.size(), 9u);
  kz::SectionValues values(*h_);
  for (const std::wstring& k : keys) {
    h_->set_key(k);
    EXPECT_EQ(values.Value(), h_->ReadValue()) << kz::ToAnsi(k);
  }
  WriteFileText(h_->path(), "[Run]\r\n\xE9t\xE9=accent\r\nETE=upper\r\n");
  keys = h_->EnumerateSection();
  for (const std::wstring& k : keys) {
    h_->set_key(k);
    EXPECT_EQ(values.Value(), h_->ReadValue()) << kz::ToAnsi(k);
  }
}

TEST_F(ActionTest, ALineThatWritesToTheFileBeingRunIsSeenByTheLinesAfterIt) {
  Section(L"Run", {{L"a", L"1"}, {L"b", L"2"}, {L"c", L"3"}, {L"d", L"4"}, {L"e", L"5"}});
  IniFileHandler* other = kz::MakeObject<IniFileHandler>();  // another writer of the same file
  other->set_path(h_->path());
  other->set_section(L"Run");
  std::vector<std::wstring> seen;
  kz::ForEachActionLine(*h_, [&](const std::wstring& key, const std::wstring& value) {
    seen.push_back(key + L"=" + value);
    if (key == L"b") {
      std::wstring v;
      other->set_key(L"c");
      other->WriteValue(v = L"");  // an emptied line is skipped
      other->set_key(L"d");
      other->WriteValue(v = L"changed");
    }
    if (key == L"d") {  // this handler writes its own file
      h_->set_key(L"e");
      std::wstring v = L"mine";
      h_->WriteValue(v);
      h_->set_key(L"d");
    }
  });
  other->Release();
  EXPECT_EQ(seen, (std::vector<std::wstring>{L"a=1", L"b=2", L"d=changed", L"e=mine"}));
}

TEST_F(ActionTest, RegistryBackupKeepsEveryExportInsideTheBackupFolder) {
  TempDir logs, backup;
  FamilyVariable logs_var(L"VQENVSLOGS", logs.path());
  const std::wstring branch = L"HKEY_CURRENT_USER\\Software\\Kelzud10Tests\\Actions";
  struct Case {
    std::wstring key, value;
  } cases[] = {
      {L"..\\escaped.reg", branch}, {L"sub\\x.reg", branch},   {L"a/b.reg", branch}, {L"C:x.reg", branch},
      {L"..", branch},              {L"q\"uote.reg", branch},  {L"ok.reg", branch + L"\" \"HKEY_LOCAL_MACHINE"},
  };
  for (const Case& c : cases) {
    Section(L"Backup", {{c.key, c.value}});
    Var code = Var::Long(kelzudIFHPalsEREGBAK), folder = Var::Str(backup.path());
    CallResult r = Call(h_->itf(), L"Pals", {code.get(), folder.get()});
    EXPECT_EQ(r.error, 5) << kz::ToAnsi(c.key);
    EXPECT_FALSE(FileExists(logs.File(L"bar.ini"))) << "nothing logged for " << kz::ToAnsi(c.key);
    EXPECT_EQ(kz::BackupLog::Peek(), nullptr) << "the log references are released";
  }
  Sleep(500);  // an editor started by mistake would have written by now
  EXPECT_FALSE(FileExists(dir_.File(L"escaped.reg")));
  WIN32_FIND_DATAW fd;
  HANDLE f = FindFirstFileW(backup.File(L"*").c_str(), &fd);
  int entries = 0;
  if (f != INVALID_HANDLE_VALUE) {
    do ++entries; while (FindNextFileW(f, &fd));
    FindClose(f);
  }
  EXPECT_EQ(entries, 2) << "only . and .. in the backup folder";
}

TEST_F(ActionTest, CreateShorCutsWritesLinksAndCreatesTheirFolders) {
  const std::wstring target = dir_.File(L"tool.exe");
  WriteFileText(target, "");
  Section(L"Links", {{L"a", target + L",My Tool,/x,unused," + dir_.File(L"Links")},
                     {L"b", L",No Target,,," + dir_.File(L"Empty")},
                     {L"c", target + L",T,,," + dir_.File(L"no\\such")},
                     {L"d", target + L",Late,,," + dir_.File(L"Links")}});
  CallResult r = Pals(45);
  EXPECT_EQ(r.error, 76) << "a folder whose parent is missing ends the action";
  EXPECT_NE(GetFileAttributesW(dir_.File(L"Links\\My Tool.lnk").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(GetFileAttributesW(dir_.File(L"Empty").c_str()), INVALID_FILE_ATTRIBUTES) << "created without a link";
  EXPECT_EQ(GetFileAttributesW(dir_.File(L"Empty\\No Target.lnk").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesW(dir_.File(L"Links\\Late.lnk").c_str()), INVALID_FILE_ATTRIBUTES)
      << "lines after the failing one are not done";
}

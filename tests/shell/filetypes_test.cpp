// File-type associations: the registry layout both classes write, their one difference, verbs
// added to a registered type, the messages of each failure, names that must not reach the
// registry, failures that leave the previous registration as it was, and the shell starting
// the registered command.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/win.h"
#include "testkit.h"

#include <shellapi.h>

using namespace kzt;

namespace {

const wchar_t kAssociation[] = L"Kelzud10.clsKelzudFileAssociationA";
const wchar_t kExtensions[] = L"Kelzud10.clsKelzudFileExtensionsA";
const wchar_t kCreating[] = L"Error: Creating Key!";
const wchar_t kSetting[] = L"Error Setting String Value!";

// Names under HKEY_CLASSES_ROOT of this test and process, removed with everything below them.
class Classes {
 public:
  explicit Classes(const wchar_t* test) {
    const std::wstring id = std::to_wstring(GetCurrentProcessId()) + L"_" + test;
    ext_ = L".kz" + id;
    type_ = L"Kelzud10Tests." + id;
    Clean();
  }
  ~Classes() { Clean(); }
  const std::wstring& ext() const { return ext_; }
  const std::wstring& type() const { return type_; }

 private:
  void Clean() {
    RegDeleteTreeW(HKEY_CLASSES_ROOT, ext_.c_str());
    RegDeleteTreeW(HKEY_CLASSES_ROOT, type_.c_str());
  }
  std::wstring ext_, type_;
};

// The default value of HKCR\path as text, "<absent>" without one, "<no key>" without the key.
std::wstring Default(const std::wstring& path) {
  HKEY k;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return L"<no key>";
  wchar_t buf[1024] = {};
  DWORD size = sizeof buf - sizeof(wchar_t), type = 0;
  LONG rc = RegQueryValueExW(k, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
  RegCloseKey(k);
  if (rc != ERROR_SUCCESS) return L"<absent>";
  if (type != REG_SZ) return L"<type " + std::to_wstring(type) + L">";
  return buf;
}

// Everything in HKCR\path (keys, value names, types and bytes), to compare states.
std::wstring Dump(const std::wstring& path) {
  HKEY k;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return L"-";
  std::wstring out = L"[" + path + L"]";
  for (DWORD i = 0;; ++i) {
    wchar_t name[300];
    BYTE data[2048];
    DWORD n = 300, size = sizeof data, type = 0;
    if (RegEnumValueW(k, i, name, &n, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
    out += std::wstring(name) + L"=" + std::to_wstring(type) + L":";
    for (DWORD b = 0; b < size; ++b) out += std::to_wstring(data[b]) + L" ";
  }
  std::vector<std::wstring> subs;
  for (DWORD i = 0;; ++i) {
    wchar_t name[300];
    DWORD n = 300;
    if (RegEnumKeyExW(k, i, name, &n, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    subs.push_back(name);
  }
  RegCloseKey(k);
  for (const auto& s : subs) out += Dump(path + L"\\" + s);
  return out;
}

void SetDefault(const std::wstring& path, const std::wstring& text, DWORD options = 0) {
  HKEY k;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, options, KEY_ALL_ACCESS, nullptr, &k, nullptr),
            ERROR_SUCCESS)
      << kz::ToAnsi(path);
  RegSetValueExW(k, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(k);
}

// A key the platform will not create children under unless they are volatile too.
void MakeVolatile(const std::wstring& path) {
  HKEY k;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                            &k, nullptr),
            ERROR_SUCCESS);
  HKEY child;
  LONG rc = RegCreateKeyExW(k, L"probe", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr);
  if (rc == ERROR_SUCCESS) {
    RegCloseKey(child);
    RegDeleteKeyW(k, L"probe");
  }
  RegCloseKey(k);
  ASSERT_NE(rc, ERROR_SUCCESS) << "the platform lets a volatile key have a lasting child";
}

// The texts of the message boxes logged so far.
std::vector<std::wstring> Texts(const UnattendedLog& log) {
  std::vector<std::wstring> out;
  for (const auto& r : log.Records()) out.push_back(r.substr(r.rfind(L'\t') + 1));
  return out;
}

struct Args {
  Var ext, app, id, desc, icon;
};

CallResult Associate(const wchar_t* progid, Args& a) {
  Ptr<IDispatch> obj = Create(progid);
  return Call(obj.get(), L"Associate_File", {a.ext.get(), a.app.get(), a.id.get(), a.desc.get(), a.icon.get()});
}

CallResult FileCommand(const wchar_t* progid, const std::wstring& ext, const std::wstring& action,
                       const std::wstring& command) {
  Ptr<IDispatch> obj = Create(progid);
  Var e = Var::Str(ext), a = Var::Str(action), c = Var::Str(command);
  return Call(obj.get(), L"File_Command", {e.get(), a.get(), c.get()});
}

std::wstring Str(const Var& v) { return v.vt() == VT_BSTR ? std::wstring(v.get()->bstrVal) : L"<not text>"; }

TEST(FileTypes, AssociateWritesTheWholeRegistration) {
  const std::wstring app = L"C:\\Apps\\Viewer.exe";
  struct Case {
    const wchar_t* progid;
    const wchar_t* icon_in;
    std::wstring icon_out;  // the value written and the caller's variable afterwards
  } cases[] = {
      {kAssociation, L"", app + L",0"},
      {kExtensions, L"", L""},
      {kAssociation, L"C:\\Icons\\a.ico,2", L"C:\\Icons\\a.ico,2"},
      {kExtensions, L"C:\\Icons\\a.ico,2", L"C:\\Icons\\a.ico,2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(kz::ToAnsi(std::wstring(c.progid) + L" icon " + c.icon_in));
    Classes cls(L"layout");
    UnattendedLog log;
    Args a{Var::Str(cls.ext()), Var::Str(app), Var::Str(cls.type()), Var::Str(L"Abc document"), Var::Str(c.icon_in)};
    CallResult r = Associate(c.progid, a);
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(r.value.vt(), VT_EMPTY);
    EXPECT_TRUE(log.Records().empty());
    EXPECT_EQ(Default(cls.ext()), cls.type());
    EXPECT_EQ(Default(cls.type()), L"Abc document");
    EXPECT_EQ(Default(cls.type() + L"\\DefaultIcon"), c.icon_out);
    EXPECT_EQ(Default(cls.type() + L"\\shell"), L"<absent>");
    EXPECT_EQ(Default(cls.type() + L"\\shell\\open"), L"<absent>");
    EXPECT_EQ(Default(cls.type() + L"\\shell\\open\\command"), L"\"C:\\Apps\\Viewer.exe\" \"%1\"");
    EXPECT_EQ(Str(a.id), cls.type() + L"\\shell\\open\\command");
    EXPECT_EQ(Str(a.icon), c.icon_out);
    EXPECT_EQ(Str(a.ext), cls.ext());
    EXPECT_EQ(Str(a.app), app);
    // Stored with the terminating NUL, so that readers get the whole name back.
    DWORD size = 0;
    ASSERT_EQ(RegGetValueW(HKEY_CLASSES_ROOT, cls.ext().c_str(), nullptr, RRF_RT_REG_SZ | RRF_NOEXPAND, nullptr,
                           nullptr, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(size, (cls.type().size() + 1) * sizeof(wchar_t));
  }
}

TEST(FileTypes, ExtensionsWithOrWithoutTheDotAndQuotedApplications) {
  Classes cls(L"dot");
  UnattendedLog log;
  // Quoted already: quoted once in the command, not twice.
  Args a{Var::Str(cls.ext().substr(1)), Var::Str(L"\"C:\\My Apps\\v.exe\""), Var::Str(cls.type()), Var::Str(L"D"),
         Var::Str(L"")};
  EXPECT_EQ(Associate(kAssociation, a).error, 0);
  EXPECT_EQ(Default(cls.ext()), cls.type()) << "the dot is added";
  EXPECT_EQ(Default(cls.ext().substr(1)), L"<no key>");
  EXPECT_EQ(Default(cls.type() + L"\\shell\\open\\command"), L"\"C:\\My Apps\\v.exe\" \"%1\"");
  EXPECT_EQ(Default(cls.type() + L"\\DefaultIcon"), L"C:\\My Apps\\v.exe,0");
  // A verb for the type the extension points to, the extension given either way.
  EXPECT_EQ(FileCommand(kExtensions, cls.ext().substr(1), L"print", L"\"C:\\p.exe\" /p \"%1\"").error, 0);
  EXPECT_EQ(FileCommand(kAssociation, cls.ext(), L"Edit it", L"e.exe \"%1\"").error, 0);
  EXPECT_EQ(Default(cls.type() + L"\\shell\\print"), L"print");
  EXPECT_EQ(Default(cls.type() + L"\\shell\\print\\command"), L"\"C:\\p.exe\" /p \"%1\"");
  EXPECT_EQ(Default(cls.type() + L"\\shell\\Edit it"), L"Edit it");
  EXPECT_EQ(Default(cls.type() + L"\\shell\\Edit it\\command"), L"e.exe \"%1\"");
  EXPECT_EQ(Default(cls.type() + L"\\shell"), L"<absent>") << "the default verb is left alone";
  EXPECT_TRUE(log.Records().empty());
}

TEST(FileTypes, FileCommandFailuresAreShownAndWriteNothing) {
  struct Case {
    const char* what;
    int setup;  // 0 nothing, 1 key without a default value, 2 a number, 3 empty text, 4 the type
    std::wstring ext_suffix, action;
    std::vector<std::wstring> boxes;
  } cases[] = {
      {"unregistered extension", 0, L"", L"print", {L"Error: Opening Registry Key!"}},
      {"empty extension", 0, L"<empty>", L"print", {L"Error: Opening Registry Key!"}},
      {"extension without a default value", 1, L"", L"print", {L"Error: Querying Value!"}},
      {"a default value that is no text", 2, L"", L"print", {L"Error: Querying Value!"}},
      {"a default value naming no type", 3, L"", L"print", {kCreating, kSetting}},
      {"an empty action", 4, L"", L"", {kCreating, kSetting}},
      {"an action reaching into another key", 4, L"", L"open\\command", {kCreating, kSetting}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Classes cls(L"cmdfail");
    if (c.setup == 1) SetDefault(cls.ext(), L""), RegDeleteKeyValueW(HKEY_CLASSES_ROOT, cls.ext().c_str(), nullptr);
    if (c.setup == 2) {
      SetDefault(cls.ext(), L"");
      DWORD n = 7;
      RegSetKeyValueW(HKEY_CLASSES_ROOT, cls.ext().c_str(), nullptr, REG_DWORD, &n, sizeof n);
    }
    if (c.setup == 3) SetDefault(cls.ext(), L"");
    if (c.setup == 4) SetDefault(cls.ext(), cls.type()), SetDefault(cls.type() + L"\\shell", L"edit"),
                      SetDefault(cls.type() + L"\\shell\\open\\command", L"x.exe");
    const std::wstring before = Dump(cls.ext()) + Dump(cls.type()) + Dump(L"shell");
    UnattendedLog log;
    const std::wstring ext = c.ext_suffix == L"<empty>" ? L"" : cls.ext();
    CallResult r = FileCommand(kAssociation, ext, c.action, L"cmd.exe /c \"%1\"");
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(r.value.vt(), VT_EMPTY);
    EXPECT_EQ(Texts(log), c.boxes);
    for (const auto& rec : log.Records()) EXPECT_EQ(rec.substr(0, 2), L"0\t") << "OK button only";
    EXPECT_EQ(Dump(cls.ext()) + Dump(cls.type()) + Dump(L"shell"), before);
  }
}

TEST(FileTypes, NamesThatAreNoKeyOfTheirOwnWriteNothing) {
  struct Case {
    const char* what;
    std::wstring ext, type;  // "*" is the test's own name
  } cases[] = {
      {"empty extension", L"", L"*"},
      {"a dot alone", L".", L"*"},
      {"extension reaching into another key", L"*\\ShellNew", L"*"},
      {"empty identifier", L"*", L""},
      {"identifier reaching into another key", L"*", L"*\\shell"},
      {"identifier longer than a key name", L"*", std::wstring(300, L'i')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Classes cls(L"names");
    auto name = [&](const std::wstring& s, const std::wstring& own) { return s.find(L'*') == 0 ? own + s.substr(1) : s; };
    const std::wstring ext = name(c.ext, cls.ext()), type = name(c.type, cls.type());
    SetDefault(cls.ext(), L"Old.Type");  // an earlier registration that must survive
    const std::wstring before = Dump(cls.ext()) + Dump(cls.type()) + Dump(L".") + Default(L"");
    UnattendedLog log;
    Args a{Var::Str(ext), Var::Str(L"C:\\a.exe"), Var::Str(type), Var::Str(L"D"), Var::Str(L"")};
    CallResult r = Associate(kAssociation, a);
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(Texts(log), (std::vector<std::wstring>{kCreating, kSetting}));
    EXPECT_EQ(Dump(cls.ext()) + Dump(cls.type()) + Dump(L".") + Default(L""), before);
    EXPECT_EQ(Str(a.id), type) << "the verb keys were not reached";
    EXPECT_EQ(Str(a.icon), L"") << "the icon step was not reached";
  }
}

TEST(FileTypes, AFailureLeavesThePreviousRegistration) {
  // Each failure comes from the platform: a volatile key takes no lasting child.
  struct Case {
    const char* what;
    const wchar_t* volatile_key;  // below the type
    std::wstring icon_after;      // the caller's Icon variable afterwards
    bool command;                 // File_Command instead of Associate_File
  } cases[] = {
      {"the icon key", L"", L"C:\\new.exe,0", false},
      {"the command key", L"\\shell\\open", L"C:\\new.exe,0", false},
      {"a verb's command key", L"\\shell\\print", L"", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Classes cls(L"undo");
    // An earlier registration, with a value of its own besides the default.
    SetDefault(cls.ext(), L"Old.Type");
    RegSetKeyValueW(HKEY_CLASSES_ROOT, cls.ext().c_str(), L"Content Type", REG_SZ, L"text/x-old", 22);
    if (c.command) SetDefault(cls.ext(), cls.type());
    if (std::wstring(c.volatile_key).empty()) {
      MakeVolatile(cls.type());
      SetDefault(cls.type(), L"Old description", REG_OPTION_VOLATILE);
    } else {
      SetDefault(cls.type(), L"Old description");
      MakeVolatile(cls.type() + c.volatile_key);
      SetDefault(cls.type() + c.volatile_key, L"old verb", REG_OPTION_VOLATILE);
    }
    const std::wstring before = Dump(cls.ext()) + Dump(cls.type());
    UnattendedLog log;
    if (c.command) {
      EXPECT_EQ(FileCommand(kExtensions, cls.ext(), L"print", L"p.exe \"%1\"").error, 0);
    } else {
      Args a{Var::Str(cls.ext()), Var::Str(L"C:\\new.exe"), Var::Str(cls.type()), Var::Str(L"New"), Var::Str(L"")};
      EXPECT_EQ(Associate(kAssociation, a).error, 0);
      EXPECT_EQ(Str(a.icon), c.icon_after);
    }
    EXPECT_EQ(Texts(log), (std::vector<std::wstring>{kCreating, kSetting}));
    EXPECT_EQ(Dump(cls.ext()) + Dump(cls.type()), before);
  }
}

// Opens `file` through the shell with `verb` (null: the default) and waits for the program.
bool ShellOpen(const std::wstring& file, const wchar_t* verb) {
  SHELLEXECUTEINFOW sei{};
  sei.cbSize = sizeof sei;
  sei.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  sei.lpVerb = verb;
  sei.lpFile = file.c_str();
  sei.nShow = SW_HIDE;
  if (!ShellExecuteExW(&sei)) return false;
  if (!sei.hProcess) return false;
  DWORD waited = WaitForSingleObject(sei.hProcess, 30000);
  CloseHandle(sei.hProcess);
  return waited == WAIT_OBJECT_0;
}

TEST(FileTypes, TheShellStartsTheRegisteredCommands) {
  const std::wstring marker = ProgramFolder() + L"\\kzmarker.exe";
  ASSERT_TRUE(FileExists(marker)) << "built with the tests";
  Classes cls(L"shell");
  TempDir dir;
  ASSERT_TRUE(CreateDirectoryW(dir.File(L"with space").c_str(), nullptr));
  const std::wstring doc = dir.File(L"with space\\doc" + cls.ext());
  WriteFileText(doc, "x");
  UnattendedLog log;
  Args a{Var::Str(cls.ext()), Var::Str(marker), Var::Str(cls.type()), Var::Str(L"Marker document"), Var::Str(L"")};
  ASSERT_EQ(Associate(kAssociation, a).error, 0);
  ASSERT_TRUE(ShellOpen(doc, nullptr));
  EXPECT_EQ(ReadFileText(doc + L".seen"), doc + L"\r\n") << "the open command with the file, spaces and all";
  DeleteFileW((doc + L".seen").c_str());
  ASSERT_EQ(FileCommand(kAssociation, cls.ext(), L"mark", L"\"" + marker + L"\" \"%1\" second").error, 0);
  ASSERT_TRUE(ShellOpen(doc, L"mark"));
  EXPECT_EQ(ReadFileText(doc + L".seen"), doc + L"\r\nsecond\r\n") << "the added verb";
  EXPECT_TRUE(log.Records().empty());
}

}  // namespace

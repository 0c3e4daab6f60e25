// Desktop and control-panel entries: the keys and values an entry is made of, its removal,
// the switches, GUID texts that are refused, a failed write that leaves the old state, and the
// tables of root names and registry error texts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text.h"
#include "frame/modules.h"
#include "platform/ui.h"
#include "shell/clsKelzudCplDtopEntriesA.h"
#include "testkit.h"

using kz::CplDtopEntries;
using kzt::KeyExists;

namespace {

std::wstring NewGuidText() {
  GUID g{};
  CoCreateGuid(&g);
  wchar_t buf[64] = {};
  StringFromGUID2(g, buf, 64);
  return buf;
}

const std::wstring kDesktop = CplDtopEntries::kDesktopNameSpace;
const std::wstring kPanel = CplDtopEntries::kControlPanelNameSpace;

struct Value {
  DWORD type = REG_NONE;
  std::vector<BYTE> bytes;
  bool present = false;
  std::wstring Text() const {
    std::wstring s(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
    while (!s.empty() && s.back() == L'\0') s.pop_back();
    return s;
  }
};
Value Read(HKEY root, const std::wstring& path, const wchar_t* name) {
  Value v;
  DWORD size = 0;
  if (RegGetValueW(root, path.c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, &v.type, nullptr, &size) != ERROR_SUCCESS)
    return v;
  v.bytes.resize(size);
  v.present = RegGetValueW(root, path.c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, &v.type, v.bytes.data(), &size) ==
              ERROR_SUCCESS;
  v.bytes.resize(size);
  return v;
}
std::wstring Text(HKEY root, const std::wstring& path, const wchar_t* name = L"") {
  Value v = Read(root, path, name);
  if (!v.present) return L"<absent>";
  if (v.type != REG_SZ) return L"<type " + std::to_wstring(v.type) + L">";
  return v.Text();
}

std::wstring KeyClass(HKEY root, const std::wstring& path) {
  HKEY k = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return L"<absent>";
  wchar_t cls[64] = {};
  DWORD n = 64;
  RegQueryInfoKeyW(k, cls, &n, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  RegCloseKey(k);
  return cls;
}

std::wstring Box(const std::wstring& text) { return kz::UnattendedRecord(0, kz::LibraryTitle(), text); }

// One entry's GUID, and everything it may leave in the registry removed at the end.
class EntryTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (const std::wstring& g : guids_) {
      RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"CLSID\\" + g).c_str());
      RegDeleteKeyW(HKEY_CLASSES_ROOT, (L"CLSID\\" + g).c_str());
      RegDeleteTreeW(HKEY_LOCAL_MACHINE, (kDesktop + g).c_str());
      RegDeleteKeyW(HKEY_LOCAL_MACHINE, (kDesktop + g).c_str());
      RegDeleteTreeW(HKEY_LOCAL_MACHINE, (kPanel + g).c_str());
      RegDeleteKeyW(HKEY_LOCAL_MACHINE, (kPanel + g).c_str());
    }
    entries_->Release();
  }
  std::wstring Guid() {
    guids_.push_back(NewGuidText());
    return guids_.back();
  }
  void Create(const std::wstring& g, std::wstring title, bool desktop = true, bool panel = true) {
    std::wstring tip = L"Tip", icon = L"C:\\App\\app.exe,2", file = L"C:\\App\\app.exe /open";
    entries_->Create(g, title, tip, icon, file, desktop, panel);
  }
  std::vector<std::wstring> guids_;
  CplDtopEntries* entries_ = kz::MakeObject<CplDtopEntries>();
  kzt::UnattendedLog log_;
};

TEST_F(EntryTest, CreateWritesTheRegistrationAndBothEntries) {
  const std::wstring g = Guid(), cls = L"CLSID\\" + g;
  std::wstring title = L"Kz Item", tip, icon = L"C:\\App\\app.exe,2", file = L"\"C:\\My App\\app.exe\" /o";
  entries_->Create(g, title, tip, icon, file, true, true);
  EXPECT_EQ(tip, L" ") << "the empty tool tip comes back as the space written for it";
  struct Row {
    HKEY root;
    std::wstring path;
    const wchar_t* name;
    std::wstring want;
  } rows[] = {
      {HKEY_CLASSES_ROOT, cls, L"", L"Kz Item"},
      {HKEY_CLASSES_ROOT, cls, L"InfoTip", L" "},
      {HKEY_CLASSES_ROOT, cls + L"\\DefaultIcon", L"", L"C:\\App\\app.exe,2"},
      {HKEY_CLASSES_ROOT, cls + L"\\InProcServer32", L"", L"shell32.dll"},
      {HKEY_CLASSES_ROOT, cls + L"\\InProcServer32", L"ThreadingModel", L"Apartment"},
      {HKEY_CLASSES_ROOT, cls + L"\\Shell\\Open\\Command", L"", L"\"C:\\My App\\app.exe\" /o"},
      {HKEY_LOCAL_MACHINE, kDesktop + g, L"", L" "},
      {HKEY_LOCAL_MACHINE, kPanel + g, L"", L" "},
  };
  for (const Row& r : rows) EXPECT_EQ(Text(r.root, r.path, r.name), r.want) << kz::ToAnsi(r.path) << " " << kz::ToAnsi(r.name);
  // Stored with the terminator: the raw size is the text's and its NUL.
  EXPECT_EQ(Read(HKEY_CLASSES_ROOT, cls, L"").bytes.size(), (7u + 1) * sizeof(wchar_t));
  Value attributes = Read(HKEY_CLASSES_ROOT, cls + L"\\ShellFolder", L"Attributes");
  ASSERT_TRUE(attributes.present);
  EXPECT_EQ(attributes.type, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(attributes.bytes, std::vector<BYTE>(4, 0));
  EXPECT_EQ(KeyClass(HKEY_CLASSES_ROOT, cls + L"\\DefaultIcon"), L"1");
  EXPECT_TRUE(log_.Records().empty());

  entries_->Remove(g, true, true);
  for (const std::wstring& sub : {std::wstring(), std::wstring(L"\\Shell"), std::wstring(L"\\ShellFolder")})
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, cls + sub)) << kz::ToAnsi(sub);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kDesktop + g));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kPanel + g));
  EXPECT_TRUE(log_.Records().empty());
}

TEST_F(EntryTest, SwitchesChooseTheNamespaceEntries) {
  for (bool desktop : {false, true}) {
    for (bool panel : {false, true}) {
      const std::wstring g = Guid();
      Create(g, L"T", desktop, panel);
      EXPECT_EQ(KeyExists(HKEY_LOCAL_MACHINE, kDesktop + g), desktop);
      EXPECT_EQ(KeyExists(HKEY_LOCAL_MACHINE, kPanel + g), panel);
      EXPECT_EQ(Text(HKEY_CLASSES_ROOT, L"CLSID\\" + g), L"T");
      // Removing with the switches turned the other way leaves the entries they name off alone.
      Create(g, L"T", true, true);
      entries_->Remove(g, !desktop, !panel);
      EXPECT_EQ(KeyExists(HKEY_LOCAL_MACHINE, kDesktop + g), desktop) << desktop << panel;
      EXPECT_EQ(KeyExists(HKEY_LOCAL_MACHINE, kPanel + g), panel) << desktop << panel;
    }
  }
}

TEST_F(EntryTest, SubkeysOfOthersSurviveRemoval) {
  const std::wstring g = Guid(), cls = L"CLSID\\" + g;
  Create(g, L"T");
  ASSERT_EQ(RegSetKeyValueW(HKEY_CLASSES_ROOT, (cls + L"\\ProgID").c_str(), nullptr, REG_SZ, L"x", 4), ERROR_SUCCESS);
  entries_->Remove(g, true, true);
  EXPECT_EQ(Text(HKEY_CLASSES_ROOT, cls + L"\\ProgID"), L"x");
  for (const wchar_t* sub : {L"\\Shell", L"\\DefaultIcon", L"\\InProcServer32", L"\\ShellFolder"})
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, cls + sub)) << kz::ToAnsi(sub);
  // A namespace entry that holds a subkey of someone else's cannot go: the class it lists stays
  // registered, and the failure is shown.
  Create(g, L"T");
  ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, (kPanel + g + L"\\Other").c_str(), nullptr, REG_SZ, L"x", 4),
            ERROR_SUCCESS);
  entries_->Remove(g, true, true);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kDesktop + g));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kPanel + g + L"\\Other"));
  EXPECT_EQ(Text(HKEY_CLASSES_ROOT, cls + L"\\InProcServer32"), L"shell32.dll");
  EXPECT_EQ(log_.Records(), std::vector<std::wstring>{Box(L"Access to this key is denied")});
}

TEST_F(EntryTest, GuidTextsThatAreNoGuidTouchNothing) {
  const std::wstring g = Guid(), cls = L"CLSID\\" + g;
  Create(g, L"Kept");
  // Another class's key beside it: removing CLSID's own tree would take it away. (Counting
  // CLSID's subkeys would do too, but other tests register classes at the same time.)
  const std::wstring neighbour = L"CLSID\\" + Guid() + L"\\Neighbour";
  HKEY made = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, neighbour.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &made, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(made);
  const Value clsid_default = Read(HKEY_CLASSES_ROOT, L"CLSID", L"");
  const std::wstring bare = g.substr(1, 36);
  const std::wstring bad[] = {L"", L"{}", L"x", g + L"\\Shell", g + L"\\Shell\\Open", L"..\\" + g, L" " + g,
                              L"{" + bare + L"-0}", bare.substr(0, 35) + L"g", L"{" + bare, g + L"\\"};
  std::vector<std::wstring> want;
  for (const std::wstring& b : bad) {
    entries_->Remove(b, true, true);
    Create(b, L"Changed");
    want.push_back(Box(L"Incorrect Format:\n\nHKEY_CLASSES_ROOT\\CLSID\\" + b));
    want.push_back(want.back());
  }
  EXPECT_EQ(log_.Records(), want);
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, neighbour));
  for (const std::wstring& b : bad) {
    if (!b.empty() && b.compare(0, g.size(), g) != 0) {
      EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID\\" + b)) << kz::ToAnsi(b);
    }
  }
  EXPECT_EQ(Read(HKEY_CLASSES_ROOT, L"CLSID", L"").bytes, clsid_default.bytes);
  EXPECT_EQ(Text(HKEY_CLASSES_ROOT, cls), L"Kept");
  EXPECT_EQ(Text(HKEY_CLASSES_ROOT, cls + L"\\Shell\\Open\\Command"), L"C:\\App\\app.exe /open");
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kDesktop + g));
  // Without braces a GUID is still one.
  guids_.push_back(bare);
  Create(bare, L"Bare", false, false);
  EXPECT_EQ(Text(HKEY_CLASSES_ROOT, L"CLSID\\" + bare), L"Bare");
  entries_->Remove(bare, false, false);
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID\\" + bare));
}

TEST_F(EntryTest, AClassOfAnotherServerIsNeitherTakenOverNorDeleted) {
  struct Case {
    const wchar_t* key;     // below the class key
    const wchar_t* server;  // its default value
    bool ours;              // the entry may be written over and removed
  } cases[] = {
      {L"InProcServer32", L"C:\\Program Files\\Other\\other.dll", false},
      {L"InProcServer32", L"other.dll", false},
      {L"InProcServer32", L"\"C:\\Other\\shell32.dll.old\"", false},
      {L"LocalServer32", L"C:\\Other\\other.exe /automation", false},
      {L"InProcServer32", L"shell32.dll", true},
      {L"InProcServer32", L"%SystemRoot%\\System32\\SHELL32.dll", true},
  };
  for (const Case& c : cases) {
    const std::wstring g = Guid(), cls = L"CLSID\\" + g, server_key = cls + L"\\" + c.key;
    ASSERT_EQ(RegSetKeyValueW(HKEY_CLASSES_ROOT, cls.c_str(), nullptr, REG_SZ, L"Other", 12), ERROR_SUCCESS);
    ASSERT_EQ(RegSetKeyValueW(HKEY_CLASSES_ROOT, server_key.c_str(), nullptr, REG_SZ, c.server,
                              static_cast<DWORD>((wcslen(c.server) + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    const size_t boxes = log_.Records().size();
    Create(g, L"Mine");
    if (!c.ours) {
      const std::wstring box = Box(L"Registered for another server:\n\nHKEY_CLASSES_ROOT\\" + server_key);
      EXPECT_EQ(Text(HKEY_CLASSES_ROOT, cls), L"Other") << kz::ToAnsi(c.server);
      EXPECT_EQ(Text(HKEY_CLASSES_ROOT, server_key), c.server);
      EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, cls + L"\\Shell"));
      EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kDesktop + g));
      EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kPanel + g));
      // Namespace entries someone else made for it stay too.
      ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, (kDesktop + g).c_str(), nullptr, REG_SZ, L" ", 4), ERROR_SUCCESS);
      entries_->Remove(g, true, true);
      EXPECT_EQ(Text(HKEY_CLASSES_ROOT, server_key), c.server) << kz::ToAnsi(c.server);
      EXPECT_EQ(Text(HKEY_CLASSES_ROOT, cls), L"Other");
      EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kDesktop + g));
      const std::vector<std::wstring> shown = log_.Records();
      ASSERT_EQ(shown.size(), boxes + 2) << kz::ToAnsi(c.server);
      EXPECT_EQ(shown[boxes], box);
      EXPECT_EQ(shown[boxes + 1], box);
    } else {
      EXPECT_EQ(Text(HKEY_CLASSES_ROOT, cls), L"Mine") << kz::ToAnsi(c.server);
      EXPECT_EQ(Text(HKEY_CLASSES_ROOT, cls + L"\\InProcServer32"), L"shell32.dll");
      EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kDesktop + g));
      entries_->Remove(g, true, true);
      EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, cls)) << kz::ToAnsi(c.server);
      EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kDesktop + g));
      EXPECT_EQ(log_.Records().size(), boxes);
    }
  }
  // A shell class this program did not write (other folder attributes) is not removed.
  const std::wstring g = Guid(), cls = L"CLSID\\" + g;
  ASSERT_EQ(RegSetKeyValueW(HKEY_CLASSES_ROOT, (cls + L"\\InProcServer32").c_str(), nullptr, REG_SZ, L"shell32.dll",
                            24),
            ERROR_SUCCESS);
  const BYTE attributes[4] = {0, 0, 0, 0xA0};
  ASSERT_EQ(RegSetKeyValueW(HKEY_CLASSES_ROOT, (cls + L"\\ShellFolder").c_str(), L"Attributes", REG_BINARY,
                            attributes, 4),
            ERROR_SUCCESS);
  const size_t boxes = log_.Records().size();
  entries_->Remove(g, true, true);
  EXPECT_EQ(Text(HKEY_CLASSES_ROOT, cls + L"\\InProcServer32"), L"shell32.dll");
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, cls + L"\\ShellFolder"));
  ASSERT_EQ(log_.Records().size(), boxes + 1);
  EXPECT_EQ(log_.Records().back(), Box(L"Not an entry of this library:\n\nHKEY_CLASSES_ROOT\\" + cls));
}

TEST_F(EntryTest, TextsWithANulOrTooLongAreRefused) {
  // The shell would read a text only up to a NUL: another icon, command or title than the one
  // given.
  const std::wstring nul = L"C:\\App\\a" + std::wstring(1, L'\0') + L"b.exe", huge(32768, L'a');
  for (int field = 0; field < 4; ++field) {
    for (const std::wstring* bad : {&nul, &huge}) {
      const std::wstring g = Guid();
      std::wstring t[4] = {L"T", L"Tip", L"C:\\App\\app.exe,1", L"C:\\App\\app.exe"};
      t[field] = *bad;
      entries_->Create(g, t[0], t[1], t[2], t[3], true, true);
      EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID\\" + g)) << field;
      EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kDesktop + g)) << field;
    }
  }
  EXPECT_EQ(log_.Records(), std::vector<std::wstring>(8, Box(L"Invalid Parameter")));
}

// A key below which nothing lasting can be made: each create under it fails.
HKEY VolatileKey(const std::wstring& path) {
  HKEY k = nullptr;
  RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &k,
                  nullptr);
  return k;
}

TEST_F(EntryTest, AFailedCreateLeavesTheEntryAsItWas) {
  const std::wstring g = Guid(), cls = L"CLSID\\" + g;
  ASSERT_EQ(RegSetKeyValueW(HKEY_CLASSES_ROOT, cls.c_str(), nullptr, REG_SZ, L"Old", 8), ERROR_SUCCESS);
  ASSERT_EQ(RegSetKeyValueW(HKEY_CLASSES_ROOT, cls.c_str(), L"InfoTip", REG_SZ, L"Old tip", 16), ERROR_SUCCESS);
  HKEY shell = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, (cls + L"\\Shell").c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, &shell, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(shell);
  Create(g, L"New");
  EXPECT_EQ(Text(HKEY_CLASSES_ROOT, cls), L"Old");
  EXPECT_EQ(Text(HKEY_CLASSES_ROOT, cls, L"InfoTip"), L"Old tip");
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, cls + L"\\DefaultIcon"));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, cls + L"\\InProcServer32"));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, cls + L"\\Shell\\Open"));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kDesktop + g));
  EXPECT_EQ(log_.Records(), std::vector<std::wstring>{Box(CplDtopEntries::ErrorText(ERROR_CHILD_MUST_BE_VOLATILE))});
}

TEST_F(EntryTest, AFailedNamespaceEntryTakesTheRegistrationBack) {
  const std::wstring g = Guid(), cls = L"CLSID\\" + g;
  const std::wstring scratch = L"Software\\Kelzud10Tests\\CplDtopMachine";
  HKEY machine = VolatileKey(scratch);
  ASSERT_NE(machine, nullptr);
  {
    ASSERT_EQ(RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine), ERROR_SUCCESS);
    Create(g, L"New");
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
  }
  RegCloseKey(machine);
  RegDeleteTreeW(HKEY_CURRENT_USER, scratch.c_str());
  RegDeleteKeyW(HKEY_CURRENT_USER, scratch.c_str());
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, cls));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kDesktop + g));
  ASSERT_EQ(log_.Records().size(), 1u);
  // The same entry without the namespace entries is written whole.
  Create(g, L"New", false, false);
  EXPECT_EQ(Text(HKEY_CLASSES_ROOT, cls + L"\\InProcServer32", L"ThreadingModel"), L"Apartment");
  EXPECT_TRUE(Read(HKEY_CLASSES_ROOT, cls + L"\\ShellFolder", L"Attributes").present);
}

TEST(EntryTables, RootNamesAndErrorTexts) {
  struct Root {
    const wchar_t* name;
    long root;
  } roots[] = {
      {L"HKEY_CLASSES_ROOT", static_cast<long>(0x80000000)},  {L"HKEY_CURRENT_USER", static_cast<long>(0x80000001)},
      {L"HKEY_LOCAL_MACHINE", static_cast<long>(0x80000002)}, {L"HKEY_USERS", static_cast<long>(0x80000003)},
      {L"HKEY_PERFORMANCE_DATA", static_cast<long>(0x80000004)},
      {L"HKEY_CURRENT_CONFIG", static_cast<long>(0x80000005)}, {L"HKEY_DYN_DATA", static_cast<long>(0x80000006)},
      {L"hkey_users", 0}, {L"HKEY_USERS ", 0}, {L"HKCU", 0}, {L"", 0},
  };
  for (const Root& r : roots) EXPECT_EQ(CplDtopEntries::RootOfName(r.name), r.root) << kz::ToAnsi(r.name);
  struct Code {
    long code;
    const wchar_t* text;
  } codes[] = {
      {2, L"Bad Key Name"}, {1010, L"Bad Key Name"}, {4, L"Can't Read Key"}, {1012, L"Can't Read Key"},
      {5, L"Access to this key is denied"}, {8, L"Out of memory"}, {14, L"Out of memory"},
      {87, L"Invalid Parameter"}, {234, L"There is more data than the buffer has been allocated to hold."},
      {1009, L"The Registry Database is corrupt!"}, {1015, L"The Registry Database is corrupt!"},
      {1011, L"Can't Open Key"}, {1013, L"Can't Write Key"}, {1016, L"Undefined Error Code:  1016"},
      {6, L"Undefined Error Code:  6"}, {0, L"Undefined Error Code:  0"}, {-3, L"Undefined Error Code: -3"},
  };
  for (const Code& c : codes) EXPECT_EQ(CplDtopEntries::ErrorText(c.code), c.text) << c.code;
}

}  // namespace

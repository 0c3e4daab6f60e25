// The property-style accessor, program class registration, the flat registry functions and the
// INI-registry transfer, against the registry of the test prefix.
#include "base/win.h"

#include <tlhelp32.h>

#include <tuple>

#include "base/longhandle.h"
#include "ini/clsKelzudINIFileHandler1A.h"

#include "registry/clsKelzud10RunTimeB.h"
#include "registry/clsKelzudRegHand2A.h"
#include "ini/clsKelzudINIFileHandler1A.h"
#include "registry/clsKelzudaINIREGSwapA.h"
#include "regtest.h"

using namespace kzt;
using kz::RegAccessor;

namespace {

Ptr<RegAccessor> NewAccessor(const std::wstring& path) {
  auto r = Ptr<RegAccessor>::Adopt(kz::MakeObject<RegAccessor>());
  r->set_class_key(kHkcu);
  r->set_section_key(path);
  return r;
}

IDispatch* Disp(RegAccessor* r) { return static_cast<IDispatch*>(static_cast<_clsKelzudRegHand2A*>(r)); }

}  // namespace

TEST(RegAccessor, ReadsEveryStoredTypeAndLeavesTypeForMissing) {
  ScratchKey k(L"AccessorRead");
  k.Set(L"sz", REG_SZ, std::string("abc\0", 4));
  k.Set(L"big", REG_DWORD_BIG_ENDIAN, Bytes({0, 0, 1, 0x2C}));
  k.Set(L"dw", REG_DWORD, Bytes({0x2C, 1, 0, 0}));
  k.Set(L"bin", REG_BINARY, Bytes({1, 2, 3}));
  k.Set(L"multi", REG_MULTI_SZ, std::string("a\0\0b\0\0", 6));
  k.Set(L"empty", REG_SZ, "");
  auto r = NewAccessor(k.path());
  struct Case { const wchar_t* name; VARTYPE vt; long type; } cases[] = {
      {L"sz", VT_BSTR, 1}, {L"big", VT_I4, 5}, {L"dw", VT_I4, 4}, {L"bin", VT_ARRAY | VT_UI1, 3}, {L"multi", VT_BSTR, 7}};
  for (const Case& c : cases) {
    r->set_value_key(c.name);
    Var v = r->Read();
    EXPECT_EQ(v.vt(), c.vt) << c.name;
    EXPECT_EQ(r->value_type(), c.type) << c.name;
  }
  r->set_value_key(L"sz");
  EXPECT_EQ(std::wstring(r->Read().get()->bstrVal), L"abc");
  r->set_value_key(L"big");
  EXPECT_EQ(r->Read().get()->lVal, 300);
  r->set_value_key(L"multi");
  EXPECT_EQ(kz::FromBstr(r->Read().get()->bstrVal), std::wstring(L"a\0\0b\0", 5));
  r->set_value_key(L"bin");
  Var bin = r->Read();
  LONG lb = -1, ub = -1;
  SafeArrayGetLBound(bin.get()->parray, 1, &lb);
  SafeArrayGetUBound(bin.get()->parray, 1, &ub);
  EXPECT_EQ(lb, 0);
  EXPECT_EQ(ub, 2);
  // Missing: Default, type unchanged; a zero-byte string raises 5.
  r->set_value_type(3);
  r->set_value_key(L"nothing");
  Var d = Var::Str(L"dflt");
  r->set_default(*d.get());
  EXPECT_EQ(std::wstring(r->Read().get()->bstrVal), L"dflt");
  EXPECT_EQ(r->value_type(), 3);
  Var out;
  r->set_value_key(L"empty");
  VariantInit(out.get());
  EXPECT_EQ(r->get_Value(out.get()), kz::Error(5).hresult());
  EXPECT_EQ(r->value_type(), 3);
}

TEST(RegAccessor, WritesByTypeWithThePercentRule) {
  ScratchKey k(L"AccessorWrite");
  auto r = NewAccessor(k.path() + L"\\made");
  DWORD t = 0;
  std::string b;
  struct Case { const wchar_t* text; DWORD type; } texts[] = {
      {L"100%", REG_SZ}, {L"%%", REG_SZ}, {L"%A%", REG_EXPAND_SZ}, {L"a%b%c", REG_EXPAND_SZ}, {L"%", REG_SZ}};
  r->set_value_type(1);
  ScratchKey made(L"AccessorWrite\\made");
  for (const Case& c : texts) {
    r->set_value_key(L"t");
    Var v = Var::Str(c.text);
    r->Write(*v.get());
    ASSERT_TRUE(made.Get(L"t", &t, &b));
    EXPECT_EQ(t, c.type) << c.text;
    EXPECT_EQ(b.size(), wcslen(c.text) + 1) << c.text;
  }
  r->set_value_type(4);
  r->set_value_key(L"n");
  Var n = Var::Short(300);
  r->Write(*n.get());
  ASSERT_TRUE(made.Get(L"n", &t, &b));
  EXPECT_EQ(t, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(b, Bytes({0x2C, 1, 0, 0}));
  r->set_value_key(L"s4");
  Var s = Var::Str(L"300");
  r->Write(*s.get());  // not a whole number type: nothing written, no error
  EXPECT_FALSE(made.Has(L"s4"));
  r->set_value_type(3);
  r->set_value_key(L"b");
  try {
    r->Write(*s.get());
    ADD_FAILURE() << "binary from text";
  } catch (const kz::Error& e) {
    EXPECT_EQ(e.number(), 26001);
  }
  r->set_value_type(9);
  try {
    r->Write(*s.get());
    ADD_FAILURE() << "unsupported type";
  } catch (const kz::Error& e) {
    EXPECT_EQ(e.number(), static_cast<long>(0x800469A9));
    EXPECT_EQ(e.source(), L"kelzud10.cRegistry");
    EXPECT_EQ(e.description(), L"Failed to set registry value Key: '-2147483647',Section: '" + k.path() +
                                   L"\\made',Key: 'b' to value: '300'");
  }
}

TEST(RegAccessor, KeysAndNamesAndComposedErrors) {
  ScratchKey k(L"AccessorKeys");
  auto r = NewAccessor(k.path() + L"\\sub");
  EXPECT_FALSE(r->KeyExistsNow());
  r->CreateKeyNow();
  EXPECT_TRUE(r->KeyExistsNow());
  r->DeleteKeyNow();
  EXPECT_FALSE(r->KeyExistsNow());
  try {
    r->DeleteKeyNow();
    ADD_FAILURE();
  } catch (const kz::Error& e) {
    EXPECT_EQ(e.number(), 26001);
    EXPECT_EQ(e.description(), L"Failed to delete registry Key: '-2147483647',Section: '" + k.path() + L"\\sub");
  }
  // Paths that name no subkey, and roots that are not roots, address nothing.
  for (const wchar_t* bad : {L"", L"\\", L"\\\\"}) {
    r->set_section_key(bad);
    EXPECT_THROW(r->DeleteKeyNow(), kz::Error) << bad;
  }
  r->set_class_key(12345);
  r->set_section_key(k.path());
  EXPECT_FALSE(r->KeyExistsNow());
  EXPECT_THROW(r->CreateKeyNow(), kz::Error);

  k.Set(L"x", REG_SZ, std::string("1\0", 2));
  k.Set(L"y", REG_SZ, std::string("2\0", 2));
  k.MakeSubKey(L"A");
  k.MakeSubKey(L"B");
  r->set_class_key(kHkcu);
  EXPECT_EQ(r->ValueNames(), (std::vector<std::wstring>{L"x", L"y"}));
  EXPECT_EQ(r->SubkeyNames(), (std::vector<std::wstring>{L"A", L"B"}));
  // Through the interface: 1-based arrays and counts; a missing key gives none.
  SAFEARRAY* names = nullptr;
  long count = -1;
  VARIANT_BOOL ok = 0;
  ASSERT_HRESULT_SUCCEEDED(r->EnumerateValues(&names, &count, &ok));
  EXPECT_EQ(count, 2);
  EXPECT_EQ(ok, VARIANT_TRUE);
  LONG lb = 0, ub = 0;
  SafeArrayGetLBound(names, 1, &lb);
  SafeArrayGetUBound(names, 1, &ub);
  EXPECT_EQ(lb, 1);
  EXPECT_EQ(ub, 2);
  r->set_section_key(k.path() + L"\\none");
  ASSERT_HRESULT_SUCCEEDED(r->EnumerateSections(&names, &count, &ok));
  EXPECT_EQ(count, 0);
  SafeArrayDestroy(names);
  // Value names of the registry's limit and beyond: the longer is refused, not cut.
  r->set_section_key(k.path());
  r->set_value_type(1);
  r->set_value_key(std::wstring(16383, L'n'));
  Var v = Var::Str(L"long");
  r->Write(*v.get());
  EXPECT_TRUE(k.Has(std::wstring(16383, L'n')));
  r->set_value_key(std::wstring(16384, L'n'));
  EXPECT_THROW(r->Write(*v.get()), kz::Error);
}

TEST(RegAccessor, ProgramClassRegistrationUnderBothRoots) {
  const std::wstring cls = L"Kelzud10Tests.AccessorClass";
  auto r = NewAccessor(L"");
  kz::RegAccessor::Association a;
  a.exe_path = L"  C:\\app.exe ";
  a.class_name = cls;
  a.description = L"D";
  a.extension = L"kzabc";
  a.install = true;
  a.icon_index = 0;
  r->Associate(a);
  EXPECT_EQ(r->class_key(), static_cast<long>(0x80000002));
  EXPECT_EQ(r->section_key(), cls + L"\\DefaultIcon");
  for (const std::wstring prefix : {L"", L"SOFTWARE\\Classes\\"}) {
    long root = prefix.empty() ? static_cast<long>(0x80000000) : static_cast<long>(0x80000002);
    auto check = [&](const std::wstring& key, const std::wstring& want) {
      auto q = Ptr<RegAccessor>::Adopt(kz::MakeObject<RegAccessor>());
      q->set_class_key(root);
      q->set_section_key(prefix + key);
      Var v = q->Read();
      EXPECT_EQ(v.vt(), VT_BSTR) << key;
      if (v.vt() == VT_BSTR) { EXPECT_EQ(std::wstring(v.get()->bstrVal), want) << prefix << key; }
    };
    check(L".kzabc", cls);
    check(cls, L"D");
    check(cls + L"\\shell\\open", L"&Open");
    check(cls + L"\\shell\\open\\command", L"\"C:\\app.exe\" \"%1\"");
    check(cls + L"\\shell\\add", L"&Install kzabc");
    check(cls + L"\\shell\\add\\command", L"\"C:\\app.exe\" /a \"%1\"");
    check(cls + L"\\DefaultIcon", L"\"C:\\app.exe\",0");
    auto q = Ptr<RegAccessor>::Adopt(kz::MakeObject<RegAccessor>());
    q->set_class_key(root);
    q->set_section_key(prefix + cls + L"\\shell\\print");
    EXPECT_FALSE(q->KeyExistsNow());
  }
  // Additional commands: a bad list, then a class not under the current root, then written.
  EXPECT_THROW(r->AddCommands(cls, {L"a", L"b", L"c", L"d", L"e"}, true), kz::Error);
  try {
    r->AddCommands(cls, {L"edit", L"&Edit", L"x.exe"}, true);
    ADD_FAILURE();
  } catch (const kz::Error& e) {
    EXPECT_EQ(e.number(), static_cast<long>(0x800469AD));
  }
  r->set_class_key(static_cast<long>(0x80000000));
  r->AddCommands(cls, {L"edit", L"&Edit", L"x.exe /e"}, true);
  r->set_section_key(cls + L"\\shell\\edit\\command");
  r->set_value_key(L"");
  r->set_class_key(static_cast<long>(0x80000000));
  EXPECT_EQ(std::wstring(r->Read().get()->bstrVal), L"x.exe /e");
  for (long root : {static_cast<long>(0x80000000), static_cast<long>(0x80000002)}) {
    std::wstring base = root == static_cast<long>(0x80000002) ? L"SOFTWARE\\Classes\\" : L"";
    RegDeleteTreeW(kz::HandleFromLong<HKEY>(root), (base + cls).c_str());
    RegDeleteTreeW(kz::HandleFromLong<HKEY>(root), (base + L".kzabc").c_str());
  }
}

namespace {
bool RegeditRunning(bool end_it) {
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32W pe{};
  pe.dwSize = sizeof pe;
  bool found = false;
  for (BOOL ok = Process32FirstW(snap, &pe); ok; ok = Process32NextW(snap, &pe)) {
    if (_wcsicmp(pe.szExeFile, L"regedit.exe") != 0) continue;
    found = true;
    if (end_it) {
      HANDLE p = OpenProcess(PROCESS_TERMINATE, FALSE, pe.th32ProcessID);
      if (p) {
        TerminateProcess(p, 0);
        CloseHandle(p);
      }
    }
  }
  CloseHandle(snap);
  return found;
}
}  // namespace

TEST(RegAccessor, EditorLastKeyAndStartOnlyWhenAsked) {
  auto r = NewAccessor(L"");
  const wchar_t* key = L"Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit";
  r->SetEditorLastKey(L"My Computer\\HKEY_CURRENT_USER\\Software\\Kelzud10Tests", false);
  EXPECT_FALSE(RegeditRunning(false));
  auto q = NewAccessor(key);
  q->set_value_key(L"LastKey");
  EXPECT_EQ(std::wstring(q->Read().get()->bstrVal), L"My Computer\\HKEY_CURRENT_USER\\Software\\Kelzud10Tests");
  EXPECT_EQ(r->value_key(), L"LastKey");
  r->SetEditorLastKey(L"My Computer\\HKEY_CURRENT_USER", true);
  bool started = false;
  for (int i = 0; i < 50 && !started; ++i) {
    started = RegeditRunning(false);
    if (!started) Sleep(100);
  }
  EXPECT_TRUE(started);
  RegeditRunning(true);
}

TEST(RunTimeB, TypedWritesReadsAndStartupList) {
  ScratchKey k(L"RunTimeB");
  using kz::Kelzud10RunTimeB;
  Var text = Var::Str(L"C:\\x.exe");
  DWORD t = 0;
  std::string b;
  Kelzud10RunTimeB::SetKeyValueNow(kHkcu, k.path(), L"one", *text.get(), 1);
  ASSERT_TRUE(k.Get(L"one", &t, &b));
  EXPECT_EQ(b, "C:\\x.exe");  // no terminating NUL
  Kelzud10RunTimeB::SetKeyValueNow(kHkcu, k.path(), L"two", *text.get(), 2);
  ASSERT_TRUE(k.Get(L"two", &t, &b));
  EXPECT_EQ(b.size(), 9u);
  Var n = Var::Long(7);
  Kelzud10RunTimeB::SetKeyValueNow(kHkcu, k.path(), L"four", *n.get(), 4);
  ASSERT_TRUE(k.Get(L"four", &t, &b));
  EXPECT_EQ(b.size(), 4u);
  Kelzud10RunTimeB::SetKeyValueNow(kHkcu, k.path(), L"three", *n.get(), 3);
  EXPECT_FALSE(k.Has(L"three"));
  Kelzud10RunTimeB::SetKeyValueNow(kHkcu, k.path() + L"\\missing", L"one", *text.get(), 1);
  EXPECT_FALSE(k.HasSubKey(L"missing"));
  LONG code = 99;
  EXPECT_EQ(std::wstring(Kelzud10RunTimeB::ReadTyped(kHkcu, k.path(), L"one", &code).get()->bstrVal), L"C:\\x.exe");
  EXPECT_EQ(code, 0);
  k.Set(L"withnul", REG_SZ, std::string("C:\\x.exe\0", 9));
  EXPECT_EQ(kz::FromBstr(Kelzud10RunTimeB::ReadTyped(kHkcu, k.path(), L"withnul", &code).get()->bstrVal),
            std::wstring(L"C:\\x.exe\0", 9));
  EXPECT_EQ(Kelzud10RunTimeB::ReadTyped(kHkcu, k.path(), L"two", &code).vt(), VT_EMPTY);  // not REG_SZ
  EXPECT_EQ(code, -1);
  k.Set(L"bin", REG_BINARY, Bytes({1}));
  EXPECT_EQ(Kelzud10RunTimeB::ReadTyped(kHkcu, k.path(), L"bin", &code).vt(), VT_EMPTY);
  EXPECT_EQ(code, -1);

  Kelzud10RunTimeB::SetKeyValueNow(static_cast<long>(0x80000002), Kelzud10RunTimeB::kStartupKey,
                                   L"Kelzud10TestsX", *text.get(), 1);
  EXPECT_EQ(std::wstring(Kelzud10RunTimeB::ReadTyped(static_cast<long>(0x80000002), Kelzud10RunTimeB::kStartupKey,
                                                     L"Kelzud10TestsX", &code).get()->bstrVal),
            L"C:\\x.exe");
  Kelzud10RunTimeB::DeleteValueNow(static_cast<long>(0x80000002), Kelzud10RunTimeB::kStartupKey, L"Kelzud10TestsX");
  Kelzud10RunTimeB::ReadTyped(static_cast<long>(0x80000002), Kelzud10RunTimeB::kStartupKey, L"Kelzud10TestsX", &code);
  EXPECT_NE(code, 0);
}

TEST(IniRegSwap, IniToRegistryAndBack) {
  ScratchKey k(L"Swap");
  TempDir dir;
  std::wstring ini = dir.File(L"in.ini");
  WriteFileText(ini, "[A]\r\nx=1\r\ny=%B%\r\nx=dup\r\n[C]\r\nz=3\r\n");
  auto swap = Ptr<kz::IniRegSwap>::Adopt(kz::MakeObject<kz::IniRegSwap>());
  swap->IniToRegistry(ini, k.path() + L"\\K", kHkcu);
  auto raw = [&](const wchar_t* name, DWORD* type, std::string* bytes) {
    HKEY h = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, (k.path() + L"\\K\\A").c_str(), 0, KEY_READ, &h)) return false;
    char data[256];
    DWORD size = sizeof data;
    LONG rc = RegQueryValueExW(h, name, nullptr, type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(h);
    bytes->assign(data, size);
    return rc == ERROR_SUCCESS;
  };
  DWORD t = 0;
  std::string b;
  ASSERT_TRUE(raw(L"x", &t, &b));
  EXPECT_EQ(t, static_cast<DWORD>(REG_SZ));
  ASSERT_TRUE(raw(L"y", &t, &b));
  EXPECT_EQ(t, static_cast<DWORD>(REG_EXPAND_SZ));
  std::wstring out = dir.File(L"out.ini");
  swap->RegistryToIni(out, k.path() + L"\\K", kHkcu, L"");
  wchar_t buf[64];
  GetPrivateProfileStringW(L"C", L"z", L"", buf, 64, out.c_str());
  EXPECT_STREQ(buf, L"3");
  GetPrivateProfileStringW(L"A", L"x", L"", buf, 64, out.c_str());
  EXPECT_STREQ(buf, L"1");
  // A key without subkeys goes to the section named by the path, or by sRegKeyAs.
  std::wstring flat = dir.File(L"flat.ini");
  swap->RegistryToIni(flat, k.path() + L"\\K\\C", kHkcu, L"");
  GetPrivateProfileStringW((k.path() + L"\\K\\C").c_str(), L"z", L"", buf, 64, flat.c_str());
  EXPECT_STREQ(buf, L"3");
  swap->RegistryToIni(flat, k.path() + L"\\K\\C", kHkcu, L"Named");
  GetPrivateProfileStringW(L"Named", L"z", L"", buf, 64, flat.c_str());
  EXPECT_STREQ(buf, L"3");
  // A write that fails stops the transfer with an error.
  try {
    swap->IniToRegistry(ini, L"\\bad", static_cast<long>(12345));
    ADD_FAILURE();
  } catch (const kz::Error& e) {
    EXPECT_EQ(e.number(), 26001);
  }
}

// The transfer with its own handler leaves the file that the value-by-value writes of another
// handler (called by member name) leave, and fails where they fail, after the same writes.
TEST(IniRegSwap, RegistryToIniWritesWhatValueByValueWritesWrite) {
  ScratchKey k(L"SwapMany");
  auto set = [&](const std::wstring& sub, const std::wstring& name, DWORD type, const std::string& bytes) {
    HKEY h = nullptr;
    ASSERT_EQ(RegCreateKeyExW(k.key(), sub.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr), 0);
    RegSetValueExW(h, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                   static_cast<DWORD>(bytes.size()));
    RegCloseKey(h);
  };
  auto sz = [](const std::string& s) { return s + '\0'; };
  struct Case {
    const char* name;
    std::vector<std::tuple<std::wstring, std::wstring, DWORD, std::string>> values;
    bool fails;
  } cases[] = {
      {"plain",
       {{L"Alpha", L"x", REG_SZ, sz("1")},
        {L"Alpha", L"y", REG_SZ, sz("two words ")},
        {L"Alpha", L"", REG_SZ, sz("default")},
        {L"Beta", L" padded ", REG_SZ, sz(" v ")},
        {L"Beta", L"n", REG_DWORD, std::string("\x2a\0\0\0", 4)},
        {L"Beta", L"broken", REG_SZ, sz("a\r\nb")},
        {L"Beta", L"existing", REG_SZ, sz("new")},
        {L"Gamma", L"x", REG_SZ, sz("1")}},
       false},
      {"a value that cannot be read as text",
       {{L"Alpha", L"x", REG_SZ, sz("1")},
        {L"Beta", L"a", REG_SZ, sz("kept")},
        {L"Beta", L"b", REG_MULTI_SZ, std::string("p\0q\0\0", 5)},
        {L"Beta", L"c", REG_SZ, std::string()},
        {L"Gamma", L"x", REG_SZ, sz("never")}},
       true},
  };
  for (const Case& c : cases) {
    RegDeleteTreeW(k.key(), nullptr);
    for (const auto& v : c.values) set(std::get<0>(v), std::get<1>(v), std::get<2>(v), std::get<3>(v));
    TempDir dir;
    const std::string start = "; kept\r\n[beta]\r\nexisting=old\r\n\r\n[Other]\r\nz=1\r\n";
    std::wstring own_file = dir.File(L"own.ini"), by_name_file = dir.File(L"by_name.ini");
    WriteFileText(own_file, start);
    WriteFileText(by_name_file, start);
    auto own = Ptr<kz::IniRegSwap>::Adopt(kz::MakeObject<kz::IniRegSwap>());
    auto by_name = Ptr<kz::IniRegSwap>::Adopt(kz::MakeObject<kz::IniRegSwap>());
    auto other = Ptr<kz::IniFileHandler>::Adopt(kz::MakeObject<kz::IniFileHandler>());
    by_name->putref_goclsKelzudINIFileHandler1A(static_cast<IDispatch*>(static_cast<_clsKelzudINIFileHandler1A*>(other.get())));
    long own_error = 0, by_name_error = 0;
    try {
      own->RegistryToIni(own_file, k.path(), kHkcu, L"");
    } catch (const kz::Error& e) {
      own_error = e.number();
    }
    try {
      by_name->RegistryToIni(by_name_file, k.path(), kHkcu, L"");
    } catch (const kz::Error& e) {
      by_name_error = e.number();
    }
    EXPECT_EQ(own_error != 0, c.fails) << c.name;
    EXPECT_EQ(own_error, by_name_error) << c.name;
    EXPECT_EQ(ReadFileText(own_file), ReadFileText(by_name_file)) << c.name;
    // The held handler is left at the last value written, with its result.
    IDispatch* held = nullptr;
    own->get_goclsKelzudINIFileHandler1A(&held);
    auto* handler = static_cast<kz::IniFileHandler*>(static_cast<_clsKelzudINIFileHandler1A*>(held));
    EXPECT_EQ(handler->path(), own_file) << c.name;
    EXPECT_EQ(other->path(), by_name_file) << c.name;
    EXPECT_EQ(handler->section(), other->section()) << c.name;
    EXPECT_EQ(handler->key(), other->key()) << c.name;
    EXPECT_EQ(handler->last_return_code() != 0, other->last_return_code() != 0) << c.name;
    held->Release();
  }
}

TEST(IniRegSwap, TransfersThroughAHandlerTheClientSupplied) {
  // A handler object of the client's own, not the one the swap made: it is called by member
  // name, and every section and key, the last included, goes across both ways.
  ScratchKey k(L"SwapClient");
  TempDir dir;
  std::wstring ini = dir.File(L"in.ini");
  WriteFileText(ini, "[A]\r\nx=1\r\ny=2\r\n[B]\r\nz=3\r\nw=4\r\n");
  auto swap = Ptr<kz::IniRegSwap>::Adopt(kz::MakeObject<kz::IniRegSwap>());
  auto client = Ptr<kz::IniFileHandler>::Adopt(kz::MakeObject<kz::IniFileHandler>());
  ASSERT_HRESULT_SUCCEEDED(swap->putref_goclsKelzudINIFileHandler1A(
      static_cast<IDispatch*>(static_cast<_clsKelzudINIFileHandler1A*>(client.get()))));
  const struct { const wchar_t* section; const wchar_t* key; const wchar_t* value; } values[] = {
      {L"A", L"x", L"1"}, {L"A", L"y", L"2"}, {L"B", L"z", L"3"}, {L"B", L"w", L"4"}};

  swap->IniToRegistry(ini, k.path() + L"\\K", kHkcu);
  EXPECT_EQ(client->path(), ini) << "the client's handler read the file";
  for (const auto& v : values) {
    wchar_t buf[64] = L"<missing>";
    DWORD size = sizeof buf;
    RegGetValueW(HKEY_CURRENT_USER, (k.path() + L"\\K\\" + v.section).c_str(), v.key, RRF_RT_REG_SZ, nullptr, buf,
                 &size);
    EXPECT_STREQ(buf, v.value) << kz::ToAnsi(v.section) << "\\" << kz::ToAnsi(v.key);
  }

  // The key's own values and keys below its subkeys stay behind.
  HKEY own = nullptr, deep = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (k.path() + L"\\K").c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &own,
                            nullptr), ERROR_SUCCESS);
  RegSetValueExW(own, L"own", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"o"), 4);
  RegCloseKey(own);
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (k.path() + L"\\K\\A\\deep").c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                            nullptr, &deep, nullptr), ERROR_SUCCESS);
  RegSetValueExW(deep, L"d", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"d"), 4);
  RegCloseKey(deep);
  std::wstring out = dir.File(L"out.ini");
  swap->RegistryToIni(out, k.path() + L"\\K", kHkcu, L"");
  EXPECT_EQ(client->path(), out) << "the client's handler wrote the file";
  wchar_t names[256] = {};
  DWORD n = GetPrivateProfileSectionNamesW(names, 256, out.c_str());
  EXPECT_EQ(std::wstring(names, n), std::wstring(L"A\0B\0", 4));
  wchar_t keys_of_a[256] = {};
  n = GetPrivateProfileStringW(L"A", nullptr, L"", keys_of_a, 256, out.c_str());
  EXPECT_EQ(std::wstring(keys_of_a, n), std::wstring(L"x\0y\0", 4));
  for (const auto& v : values) {
    wchar_t buf[64];
    GetPrivateProfileStringW(v.section, v.key, L"<missing>", buf, 64, out.c_str());
    EXPECT_STREQ(buf, v.value) << kz::ToAnsi(v.section) << "\\" << kz::ToAnsi(v.key);
  }
}

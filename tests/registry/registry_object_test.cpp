// The registry object: the open-key table, reading with conversion by type, writing with the
// type chosen by the Variant, multi-string text, and late-bound use as the action engine makes it.
#include <cstring>

#include "frame/catalogue.h"
#include "frame/kz.h"
#include "com/module.h"
#include "regtest.h"
#include "registry/RegistryData.h"
#include "registry/clsKelzudRegHand1KeysA.h"
#include "registry/clsKelzudRegHand1ValuesA.h"

using namespace kzt;
using kz::RegistryObject;

namespace {

// Calls through the automation interface, as a compiled client does.
struct Reg {
  Ptr<RegistryObject> obj = NewRegistryObject();
  _clsKelzudRegHand1A* itf() { return obj->itf(); }

  long Open(const std::wstring& sub, bool must_exist = false, const std::wstring& index = L"", long root = kHkcu) {
    BSTR s = SysAllocStringLen(sub.data(), static_cast<UINT>(sub.size()));
    BSTR k = SysAllocStringLen(index.data(), static_cast<UINT>(index.size()));
    long h = 0;
    EXPECT_HRESULT_SUCCEEDED(itf()->OpenKey(static_cast<StandardRegistryKeys>(root), s,
                                            must_exist ? VARIANT_TRUE : VARIANT_FALSE, k, &h));
    SysFreeString(s);
    SysFreeString(k);
    return h;
  }
  void Close(const Var& v) { EXPECT_HRESULT_SUCCEEDED(itf()->CloseKey(*v.get())); }
  long Count() {
    long n = -99;
    itf()->get_Count(&n);
    return n;
  }
  long Item(const Var& v) {
    long h = -99;
    EXPECT_HRESULT_SUCCEEDED(itf()->get_Item(*v.get(), &h));
    return h;
  }
  // GetValue; `type` in and out when given.
  Var Get(long key, const std::wstring& name, const Var& def = Var::Missing(), long* type = nullptr,
          HRESULT* hr_out = nullptr) {
    BSTR n = SysAllocStringLen(name.data(), static_cast<UINT>(name.size()));
    Var d = def;
    RegistryDataTypes t = static_cast<RegistryDataTypes>(type ? *type : 0);
    Var r;
    HRESULT hr = itf()->GetValue(key, n, d.get(), &t, r.get());
    if (hr_out) *hr_out = hr; else EXPECT_HRESULT_SUCCEEDED(hr);
    if (type) *type = t;
    SysFreeString(n);
    return r;
  }
  // Left out (Var::Missing()), the value is deleted.
  long Set(long key, const std::wstring& name, const Var& data) {
    BSTR n = SysAllocStringLen(name.data(), static_cast<UINT>(name.size()));
    Var d = data;
    long rc = -99;
    EXPECT_HRESULT_SUCCEEDED(itf()->SetValue(key, n, d.get(), &rc));
    SysFreeString(n);
    return rc;
  }
};

class RegistryObjectTest : public ::testing::Test {
 protected:
  RegistryObjectTest()
      : scratch_(std::wstring(L"obj_") +
                 kz::FromAnsi(::testing::UnitTest::GetInstance()->current_test_info()->name())) {}
  ScratchKey scratch_;
  Reg reg_;
  long OpenScratch() { return reg_.Open(scratch_.path()); }
};

Var Text(const std::wstring& s) { return Var::Str(s); }

Var Array(VARTYPE vt, const std::vector<Var>& items) {
  SAFEARRAYBOUND b{static_cast<ULONG>(items.size()), 0};
  SAFEARRAY* sa = SafeArrayCreate(vt, 1, &b);
  for (LONG i = 0; i < static_cast<LONG>(items.size()); ++i) {
    if (vt == VT_VARIANT) {
      SafeArrayPutElement(sa, &i, const_cast<VARIANT*>(items[i].get()));
    } else if (vt == VT_BSTR) {
      SafeArrayPutElement(sa, &i, items[i].get()->bstrVal);
    } else {
      SafeArrayPutElement(sa, &i, const_cast<LONG*>(&items[i].get()->lVal));
    }
  }
  Var r;
  r.get()->vt = VT_ARRAY | vt;
  r.get()->parray = sa;
  return r;
}

}  // namespace

// ---- open-key table --------------------------------------------------------------------------

TEST_F(RegistryObjectTest, MustExistOnAMissingKeyCreatesNothing) {
  std::wstring missing = scratch_.path() + L"\\Missing";
  EXPECT_EQ(reg_.Open(missing, true), -1);
  EXPECT_FALSE(scratch_.HasSubKey(L"Missing"));
  EXPECT_EQ(reg_.Count(), 0);

  long h = reg_.Open(missing, false);
  EXPECT_NE(h, -1);
  EXPECT_TRUE(scratch_.HasSubKey(L"Missing"));
  EXPECT_EQ(reg_.Count(), 1);
  EXPECT_EQ(reg_.Item(Var::Long(1)), h);
  wchar_t table_key[16];
  swprintf(table_key, 16, L"_H%lX", static_cast<unsigned long>(h));  // upper-case hex of the number
  EXPECT_EQ(reg_.Item(Text(table_key)), h);
  // Now it exists: opened again, it gets a handle of its own.
  long h2 = reg_.Open(missing, true);
  EXPECT_NE(h2, -1);
  EXPECT_NE(h2, h);
  EXPECT_EQ(reg_.Count(), 2);
}

TEST(RegistryTableKey, IsUpperCaseHexOfTheHandle) {
  EXPECT_EQ(kz::reg::AutoTableKey(0x1A4), L"_H1A4");
  EXPECT_EQ(kz::reg::AutoTableKey(-2), L"_HFFFFFFFE");
  EXPECT_EQ(kz::reg::AutoTableKey(0), L"_H0");
}

TEST_F(RegistryObjectTest, ADuplicateIndexKeyLeavesTheSecondHandleUnrecorded) {
  long a = reg_.Open(scratch_.path(), false, L"Main");
  long b = reg_.Open(scratch_.path(), false, L"MAIN");  // table keys ignore case
  ASSERT_NE(a, -1);
  ASSERT_NE(b, -1);
  EXPECT_NE(a, b);
  EXPECT_EQ(reg_.Count(), 1);
  EXPECT_EQ(reg_.Item(Text(L"main")), a);
  // The unrecorded handle is closed by its number.
  reg_.Close(Var::Long(b));
  EXPECT_FALSE(HandleIsOpen(b));
  EXPECT_TRUE(HandleIsOpen(a));
  EXPECT_EQ(reg_.Count(), 1);
}

TEST_F(RegistryObjectTest, ItemOfAnAbsentEntryIsMinusOne) {
  long h = OpenScratch();
  for (const Var& index : {Var::Long(0), Var::Long(2), Var::Long(-1), Text(L"nokey"), Var(), Text(L"")})
    EXPECT_EQ(reg_.Item(index), -1);
  EXPECT_EQ(reg_.Item(Var::Short(1)), h);
  // Assigning an entry raises nothing and leaves the table as it is.
  EXPECT_HRESULT_SUCCEEDED(reg_.itf()->put_Item(*Var::Long(1).get(), 1234));
  EXPECT_EQ(reg_.Item(Var::Long(1)), h);
}

TEST_F(RegistryObjectTest, CloseKeyTakesALongOrATableKeyAndNothingElse) {
  long h = OpenScratch();
  // Other subtypes holding the same number close nothing.
  Var as_double;
  as_double.get()->vt = VT_R8;
  as_double.get()->dblVal = h;
  for (const Var& v : {Var::Short(static_cast<short>(h)), as_double, Var(), Text(L"nokey"), Var::Bool(true)}) {
    reg_.Close(v);
    EXPECT_TRUE(HandleIsOpen(h));
    EXPECT_EQ(reg_.Count(), 1);
  }
  reg_.Close(Var::Long(h));
  EXPECT_FALSE(HandleIsOpen(h));
  EXPECT_EQ(reg_.Count(), 0);

  long k = reg_.Open(scratch_.path(), false, L"Named");
  reg_.Close(Text(L"NAMED"));
  EXPECT_FALSE(HandleIsOpen(k));
  EXPECT_EQ(reg_.Count(), 0);
  // Closing again, or closing a number that was never a handle, does no harm.
  reg_.Close(Var::Long(k));
  reg_.Close(Var::Long(0x7FFF0000));
  reg_.Close(Var::Long(-1));
}

TEST_F(RegistryObjectTest, CloseKeyLeavesHandlesItDidNotOpenAlone) {
  HKEY mine = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, scratch_.path().c_str(), 0, KEY_READ, &mine), ERROR_SUCCESS);
  long h = static_cast<long>(reinterpret_cast<LONG_PTR>(mine));
  reg_.Close(Var::Long(h));
  EXPECT_TRUE(HandleIsOpen(h));
  RegCloseKey(mine);
}

TEST_F(RegistryObjectTest, TerminationClosesEveryHandleStillOpen) {
  Reg other;
  long a = other.Open(scratch_.path());
  long b = other.Open(scratch_.path(), false, L"x");
  long c = other.Open(scratch_.path(), false, L"X");  // unrecorded
  for (long h : {a, b, c}) EXPECT_TRUE(HandleIsOpen(h));
  other.obj.reset();
  for (long h : {a, b, c}) EXPECT_FALSE(HandleIsOpen(h));
}

TEST_F(RegistryObjectTest, OpenKeyUnderAnInvalidHandleFails) {
  EXPECT_EQ(reg_.Open(L"Sub", false, L"", 0x7FFF0000), -1);
  EXPECT_EQ(reg_.Open(L"Sub", true, L"", 0), -1);
  EXPECT_EQ(reg_.Count(), 0);
}

// ---- reading ---------------------------------------------------------------------------------

TEST_F(RegistryObjectTest, GetValueConvertsEachRegistryType) {
  long h = OpenScratch();
  SetEnvironmentVariableW(L"KZTESTVAR", L"expanded");
  struct Case {
    const wchar_t* name;
    DWORD type;
    std::string data;
    VARTYPE vt;
    std::wstring text;  // the result as text (VarToStr), for scalars
  };
  const Case cases[] = {
      {L"sz", REG_SZ, std::string("abc", 4), VT_BSTR, L"abc"},
      {L"sz_nuls", REG_SZ, std::string("a\0b\0", 4), VT_BSTR, std::wstring(L"a\0b", 3)},
      {L"sz_unterminated", REG_SZ, "abc", VT_BSTR, L"abc"},
      {L"sz_ansi", REG_SZ, std::string("caf\xE9", 5), VT_BSTR, L"caf\u00E9"},
      {L"expand", REG_EXPAND_SZ, std::string("[%KZTESTVAR%]", 14), VT_BSTR, L"[expanded]"},
      {L"bin4", REG_BINARY, Bytes({1, 2, 3, 4}), VT_I4, L"67305985"},
      {L"bin2", REG_BINARY, Bytes({0xFE, 0xFF}), VT_I2, L"-2"},
      {L"bin1", REG_BINARY, Bytes({0xC8}), VT_UI1, L"200"},
      {L"dword", REG_DWORD, Bytes({0x2C, 0x01, 0, 0}), VT_I4, L"300"},
      {L"dword_neg", REG_DWORD, Bytes({0xFF, 0xFF, 0xFF, 0xFF}), VT_I4, L"-1"},
      {L"dword_short", REG_DWORD, Bytes({5, 1}), VT_I4, L"261"},
      {L"big_endian", REG_DWORD_BIG_ENDIAN, Bytes({0, 0, 1, 2}), VT_BSTR, std::wstring(L"\0\0\x01\x02", 4)},
      {L"link", REG_LINK, Bytes({'a', 0, 'b', 0}), VT_BSTR, std::wstring(L"a\0b\0", 4)},
      {L"none", REG_NONE, "xyz", VT_BSTR, L"xyz"},
      {L"type8", 8, Bytes({0x41, 0x42}), VT_BSTR, L"AB"},
      {L"type10", 10, Bytes({0x41}), VT_BSTR, L"A"},
  };
  for (const Case& c : cases) {
    scratch_.Set(c.name, c.type, c.data);
    long type = 0;
    Var v = reg_.Get(h, c.name, Var::Missing(), &type);
    EXPECT_EQ(type, static_cast<long>(c.type)) << kz::ToAnsi(c.name);
    ASSERT_EQ(v.vt(), c.vt) << kz::ToAnsi(c.name);
    EXPECT_EQ(kz::VarToStr(v.get()), c.text) << kz::ToAnsi(c.name);
  }
}

TEST_F(RegistryObjectTest, BinaryOfOtherLengthsIsAByteArrayFromZero) {
  long h = OpenScratch();
  for (size_t n : {3u, 5u, 1000000u}) {
    std::string data(n, '\0');
    for (size_t i = 0; i < n; ++i) data[i] = static_cast<char>(i * 7);
    scratch_.Set(L"b", REG_BINARY, data);
    Var v = reg_.Get(h, L"b");
    ASSERT_EQ(v.vt(), VT_ARRAY | VT_UI1) << n;
    LONG lb = -1, ub = -1;
    SafeArrayGetLBound(v.get()->parray, 1, &lb);
    SafeArrayGetUBound(v.get()->parray, 1, &ub);
    EXPECT_EQ(lb, 0);
    EXPECT_EQ(ub, static_cast<LONG>(n) - 1);
    void* p = nullptr;
    SafeArrayAccessData(v.get()->parray, &p);
    EXPECT_EQ(memcmp(p, data.data(), n), 0) << n;
    SafeArrayUnaccessData(v.get()->parray);
  }
}

TEST_F(RegistryObjectTest, MultiStringValuesReadAsTheStoredStrings) {
  long h = OpenScratch();
  struct Case {
    std::string data;
    std::vector<std::wstring> items;
  };
  const Case cases[] = {
      {std::string("a\0b\0\0", 5), {L"a", L"b"}},
      {std::string("a\0b\0", 4), {L"a", L"b"}},           // list end missing
      {std::string("a\0b", 3), {L"a", L"b"}},             // no terminator at all
      {std::string("a\0\0b\0\0", 6), {L"a", L"", L"b"}},  // an empty string inside is kept
      {std::string("\0\0", 2), {L""}},
      {std::string("\0", 1), {}},
      {std::string(3000, 'x') + std::string("\0\0", 2), {std::wstring(3000, L'x')}},
  };
  for (const Case& c : cases) {
    scratch_.Set(L"m", REG_MULTI_SZ, c.data);
    Var v = reg_.Get(h, L"m");
    ASSERT_EQ(v.vt(), VT_ARRAY | VT_BSTR);
    LONG lb = -1, ub = -2;
    EXPECT_EQ(TextItems(*v.get(), &lb, &ub), c.items);
    EXPECT_EQ(lb, 0);
  }
}

TEST_F(RegistryObjectTest, AMultiStringOfMoreThan32767StringsOverflows) {
  long h = OpenScratch();
  std::string ok, over;
  for (int i = 0; i < 32768; ++i) ok += std::string("x\0", 2);
  ok.push_back('\0');
  for (int i = 0; i < 32769; ++i) over += std::string("x\0", 2);
  over.push_back('\0');
  scratch_.Set(L"ok", REG_MULTI_SZ, ok);
  scratch_.Set(L"over", REG_MULTI_SZ, over);
  Var v = reg_.Get(h, L"ok");
  EXPECT_EQ(TextItems(*v.get()).size(), 32768u);
  HRESULT hr = S_OK;
  reg_.Get(h, L"over", Var::Missing(), nullptr, &hr);
  EXPECT_EQ(kz::ErrorNumberOf(hr), 6);
}

TEST_F(RegistryObjectTest, MissingAndEmptyValuesGiveEmptyOrTheDefault) {
  long h = OpenScratch();
  scratch_.Set(L"empty_sz", REG_SZ, "");
  scratch_.Set(L"empty_bin", REG_BINARY, "");
  for (const wchar_t* name : {L"missing", L"empty_sz", L"empty_bin"}) {
    long type = 77;
    Var v = reg_.Get(h, name, Var::Missing(), &type);
    EXPECT_EQ(v.vt(), VT_EMPTY) << kz::ToAnsi(name);
    EXPECT_EQ(type, 77) << kz::ToAnsi(name);
  }
  // With a default, the default is written under the writing rules and returned.
  long type = 77;
  Var five = Var::Long(5);
  Var v = reg_.Get(h, L"missing", five, &type);
  EXPECT_EQ(v.vt(), VT_I4);
  EXPECT_EQ(v.get()->lVal, 5);
  EXPECT_EQ(type, 77);
  DWORD t;
  std::string raw;
  ASSERT_TRUE(scratch_.Get(L"missing", &t, &raw));
  EXPECT_EQ(t, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(raw, Bytes({5}));
  v = reg_.Get(h, L"missing", Var::Missing(), &type);
  EXPECT_EQ(v.vt(), VT_UI1);
  EXPECT_EQ(v.get()->bVal, 5);
  EXPECT_EQ(type, static_cast<long>(REG_BINARY));
  // A value with no data takes the default too.
  Var text = Text(L"filled");
  EXPECT_EQ(kz::VarToStr(reg_.Get(h, L"empty_sz", text).get()), L"filled");
  ASSERT_TRUE(scratch_.Get(L"empty_sz", &t, &raw));
  EXPECT_EQ(raw, std::string("filled", 7));
}

TEST_F(RegistryObjectTest, ReadingThroughAnInvalidHandleGivesEmpty) {
  Var v = reg_.Get(0x7FFF0000, L"x");
  EXPECT_EQ(v.vt(), VT_EMPTY);
  long h = OpenScratch();
  reg_.Close(Var::Long(h));
  EXPECT_EQ(reg_.Get(h, L"x").vt(), VT_EMPTY);
}

TEST_F(RegistryObjectTest, LongExpansionsAreNotCut) {
  long h = OpenScratch();
  std::wstring long_text(5000, L'q');
  SetEnvironmentVariableW(L"KZTESTLONG", long_text.c_str());
  scratch_.Set(L"e", REG_EXPAND_SZ, std::string("<%KZTESTLONG%>", 15));
  EXPECT_EQ(kz::VarToStr(reg_.Get(h, L"e").get()), L"<" + long_text + L">");
  SetEnvironmentVariableW(L"KZTESTLONG", nullptr);
}

// ---- writing ---------------------------------------------------------------------------------

TEST_F(RegistryObjectTest, SetValueChoosesTheTypeFromTheSubtype) {
  long h = OpenScratch();
  Var dbl, sng, cur, date, dec;
  dbl.get()->vt = VT_R8;
  dbl.get()->dblVal = 1.5;
  sng.get()->vt = VT_R4;
  sng.get()->fltVal = 0.25f;
  cur.get()->vt = VT_CY;
  cur.get()->cyVal.int64 = 123456;  // 12.3456
  date.get()->vt = VT_DATE;
  date.get()->date = 2.0;  // 1 January 1900
  VarDecFromI4(7, &dec.get()->decVal);
  dec.get()->vt = VT_DECIMAL;
  Var byte;
  byte.get()->vt = VT_UI1;
  byte.get()->bVal = 9;
  struct Case {
    const wchar_t* name;
    Var data;
    DWORD type;
    std::string bytes;
  };
  const Case cases[] = {
      {L"i200", Var::Long(200), REG_BINARY, Bytes({0xC8})},
      {L"i0", Var::Short(0), REG_BINARY, Bytes({0})},
      {L"i255", Var::Short(255), REG_BINARY, Bytes({0xFF})},
      {L"i256", Var::Short(256), REG_DWORD, Bytes({0, 1, 0, 0})},
      {L"i300", Var::Long(300), REG_DWORD, Bytes({0x2C, 1, 0, 0})},
      {L"m1", Var::Long(-1), REG_DWORD, Bytes({0xFF, 0xFF, 0xFF, 0xFF})},
      {L"m1short", Var::Short(-1), REG_DWORD, Bytes({0xFF, 0xFF, 0xFF, 0xFF})},
      {L"byte", byte, REG_BINARY, Bytes({9})},
      {L"true", Var::Bool(true), REG_BINARY, Bytes({1})},
      {L"false", Var::Bool(false), REG_BINARY, Bytes({0})},
      {L"s1", Text(L"x"), REG_SZ, std::string("x", 2)},
      {L"s0", Text(L""), REG_SZ, std::string("", 1)},
      {L"sansi", Text(L"\u00E9t\u00E9"), REG_SZ, std::string("\xE9t\xE9", 4)},
      // The text forms of the English (United States) locale the test prefix runs in.
      {L"dbl", dbl, REG_SZ, std::string("1.5", 4)},
      {L"sng", sng, REG_SZ, std::string("0.25", 5)},
      {L"cur", cur, REG_SZ, std::string("12.3456", 8)},
      {L"date", date, REG_SZ, std::string("1/1/1900", 9)},
      {L"dec", dec, REG_SZ, std::string("7", 2)},
      {L"strs", Array(VT_BSTR, {Text(L"a"), Text(L"b")}), REG_MULTI_SZ, std::string("a\0b\0\0", 5)},
      {L"vstrs", Array(VT_VARIANT, {Text(L"a"), Text(L"")}), REG_MULTI_SZ, std::string("a\0\0\0", 4)},
      {L"nostrs", Array(VT_BSTR, {}), REG_MULTI_SZ, std::string("\0", 1)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(reg_.Set(h, c.name, c.data), 0) << kz::ToAnsi(c.name);
    DWORD t = 0;
    std::string raw;
    ASSERT_TRUE(scratch_.Get(c.name, &t, &raw)) << kz::ToAnsi(c.name);
    EXPECT_EQ(t, c.type) << kz::ToAnsi(c.name);
    EXPECT_EQ(raw, c.bytes) << kz::ToAnsi(c.name);
  }
}

TEST_F(RegistryObjectTest, SetValueWritesNothingForObjectsEmptyNullAndOtherArrays) {
  long h = OpenScratch();
  Var null_value;
  null_value.get()->vt = VT_NULL;
  Var err;
  err.get()->vt = VT_ERROR;
  err.get()->scode = 5;
  Ptr<RegistryObject> some = NewRegistryObject();
  const Var cases[] = {
      Var(), null_value, err, Var::Object(some->itf()), Var::Object(nullptr),
      Array(VT_UI1, {Var::Long(1), Var::Long(2)}), Array(VT_I4, {Var::Long(1)}),
      Array(VT_VARIANT, {Text(L"a"), Var::Long(1)}),
  };
  scratch_.Set(L"kept", REG_SZ, std::string("old", 4));
  for (const Var& c : cases) {
    EXPECT_EQ(reg_.Set(h, L"kept", c), 0);
    DWORD t;
    std::string raw;
    ASSERT_TRUE(scratch_.Get(L"kept", &t, &raw));
    EXPECT_EQ(raw, std::string("old", 4));
  }
  // Left out, the value is deleted.
  EXPECT_EQ(reg_.Set(h, L"kept", Var::Missing()), 0);
  EXPECT_FALSE(scratch_.Has(L"kept"));
  EXPECT_EQ(reg_.Set(h, L"kept", Var::Missing()), 0);  // deleting it again raises nothing
}

TEST_F(RegistryObjectTest, SetValueReturnsThePlatformsResult) {
  Var v = Text(L"x");
  EXPECT_EQ(reg_.Set(0x7FFF0000, L"x", v), ERROR_INVALID_HANDLE);
  long h = OpenScratch();
  reg_.Close(Var::Long(h));
  EXPECT_NE(reg_.Set(h, L"x", v), 0);
}

TEST_F(RegistryObjectTest, WrittenValuesReadBackAsWritten) {
  long h = OpenScratch();
  const Var cases[] = {Text(L"text"), Var::Long(70000), Var::Long(-5), Var::Long(7), Var::Short(1000)};
  for (const Var& c : cases) {
    reg_.Set(h, L"v", c);
    Var back = reg_.Get(h, L"v");
    EXPECT_EQ(kz::VarToStr(back.get()), kz::VarToStr(c.get()));
  }
  Var strs = Array(VT_BSTR, {Text(L"one"), Text(L""), Text(L"three")});
  reg_.Set(h, L"m", strs);
  EXPECT_EQ(TextItems(*reg_.Get(h, L"m").get()), (std::vector<std::wstring>{L"one", L"", L"three"}));
}

TEST_F(RegistryObjectTest, NamesAtTheLengthLimits) {
  long h = OpenScratch();
  // The longest value name the registry takes, and a key name of 255 characters.
  std::wstring value_name(16383, L'v'), key_name(255, L'k');
  Var data = Text(L"long name");
  EXPECT_EQ(reg_.Set(h, value_name, data), 0);
  EXPECT_EQ(kz::VarToStr(reg_.Get(h, value_name).get()), L"long name");
  long sub = reg_.Open(key_name, false, L"", h);
  EXPECT_NE(sub, -1);
  EXPECT_TRUE(scratch_.HasSubKey(key_name));
  // Longer names, and paths longer than the platform's ANSI functions take, fail as a result
  // of -1 and create nothing.
  for (const std::wstring& name : {key_name + L"k", std::wstring(300, L'p'), std::wstring(70000, L'p')}) {
    long r = reg_.Open(name, false, L"", h);
    EXPECT_EQ(r != -1, scratch_.HasSubKey(name)) << name.size();
  }
  EXPECT_EQ(reg_.Open(std::wstring(70000, L'p'), false, L"", h), -1);
}

// ---- deleting --------------------------------------------------------------------------------

TEST_F(RegistryObjectTest, DeleteValueAndDeleteKeyReturnEmptyAndNeverFail) {
  long h = OpenScratch();
  scratch_.Set(L"v", REG_SZ, std::string("x", 2));
  scratch_.MakeSubKey(L"Sub");
  Var r;
  BSTR v = SysAllocString(L"v"), sub = SysAllocString(L"Sub");
  EXPECT_HRESULT_SUCCEEDED(reg_.itf()->DeleteValue(h, v, r.get()));
  EXPECT_EQ(r.vt(), VT_EMPTY);
  EXPECT_FALSE(scratch_.Has(L"v"));
  EXPECT_HRESULT_SUCCEEDED(reg_.itf()->DeleteKey(h, sub, r.get()));
  EXPECT_EQ(r.vt(), VT_EMPTY);
  EXPECT_FALSE(scratch_.HasSubKey(L"Sub"));
  // Again, now that they are gone, and through a handle that is not open.
  EXPECT_HRESULT_SUCCEEDED(reg_.itf()->DeleteValue(h, v, r.get()));
  EXPECT_HRESULT_SUCCEEDED(reg_.itf()->DeleteKey(h, sub, r.get()));
  EXPECT_HRESULT_SUCCEEDED(reg_.itf()->DeleteKey(0x7FFF0000, sub, r.get()));
  SysFreeString(v);
  SysFreeString(sub);
}

// ---- multi-string text -----------------------------------------------------------------------

TEST(RegistryMultiString, GetMultiSZSplitsAtEveryNul) {
  Ptr<RegistryObject> r = NewRegistryObject();
  struct Case {
    std::wstring text;
    std::vector<std::wstring> items;
  };
  const Case cases[] = {
      {std::wstring(L"a\0b\0\0", 5), {L"a", L"b", L"", L""}},
      {L"", {L""}},
      {L"abc", {L"abc"}},
      {std::wstring(L"\0", 1), {L"", L""}},
  };
  for (const Case& c : cases) {
    BSTR b = SysAllocStringLen(c.text.data(), static_cast<UINT>(c.text.size()));
    SAFEARRAY* sa = nullptr;
    ASSERT_HRESULT_SUCCEEDED(r->GetMultiSZ(b, &sa));
    SysFreeString(b);
    Var v;
    v.get()->vt = VT_ARRAY | VT_BSTR;
    v.get()->parray = sa;
    LONG lb = -1;
    EXPECT_EQ(TextItems(*v.get(), &lb), c.items);
    EXPECT_EQ(lb, 0);
  }
}

TEST(RegistryMultiString, GetMultiSZOverflowsAbove32767Nuls) {
  Ptr<RegistryObject> r = NewRegistryObject();
  for (size_t nuls : {32767u, 32768u}) {
    std::wstring text(nuls, L'\0');
    BSTR b = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    SAFEARRAY* sa = nullptr;
    HRESULT hr = r->GetMultiSZ(b, &sa);
    SysFreeString(b);
    if (nuls == 32767) {
      ASSERT_HRESULT_SUCCEEDED(hr);
      LONG ub = 0;
      SafeArrayGetUBound(sa, 1, &ub);
      EXPECT_EQ(ub, 32767);
      SafeArrayDestroy(sa);
    } else {
      EXPECT_EQ(kz::ErrorNumberOf(hr), 6);
      kz::Error e = kz::Error::FromHresult(hr);
      EXPECT_EQ(e.source(), L"Kelzud10.clsKelzudRegHand1A");
      EXPECT_EQ(e.description(), L"Overflow");
    }
  }
}

TEST(RegistryMultiString, ToMultiSZEndsEveryElementAndTheList) {
  Ptr<RegistryObject> r = NewRegistryObject();
  struct Case {
    std::vector<std::wstring> items;
    std::wstring text;
  };
  const Case cases[] = {
      {{L"a", L"b"}, std::wstring(L"a\0b\0\0", 5)},
      {{}, std::wstring(L"\0", 1)},
      {{L""}, std::wstring(L"\0\0", 2)},
  };
  for (const Case& c : cases) {
    SAFEARRAY* sa = kz::MakeBstrArray(c.items, 3);  // any lower bound: index order counts
    BSTR out = nullptr;
    ASSERT_HRESULT_SUCCEEDED(r->ToMultiSZ(&sa, &out));
    EXPECT_EQ(kz::FromBstr(out), c.text);
    SysFreeString(out);
    SafeArrayDestroy(sa);
  }
  SAFEARRAY* none = nullptr;
  BSTR out = nullptr;
  ASSERT_HRESULT_SUCCEEDED(r->ToMultiSZ(&none, &out));
  EXPECT_EQ(kz::FromBstr(out), std::wstring(L"\0", 1));
  SysFreeString(out);
  // Two dimensions are not a list.
  SAFEARRAYBOUND b[2] = {{2, 0}, {2, 0}};
  SAFEARRAY* two = SafeArrayCreate(VT_BSTR, 2, b);
  EXPECT_EQ(kz::ErrorNumberOf(r->ToMultiSZ(&two, &out)), 9);
  SafeArrayDestroy(two);
}

// ---- as the action engine uses it ------------------------------------------------------------

TEST_F(RegistryObjectTest, LateBoundOpenSetCloseWithValuesPassedByValue) {
  IDispatch* d = nullptr;
  ASSERT_HRESULT_SUCCEEDED(kz::CreateInstance(L"clsKelzudRegHand1A", IID_IDispatch, reinterpret_cast<void**>(&d)));
  Ptr<IDispatch> obj = Ptr<IDispatch>::Adopt(d);
  Var handle = kz::CallByName(obj.get(), L"OpenKey", DISPATCH_METHOD,
                              std::vector<Var>{Var::Long(kHkcu), Text(scratch_.path() + L"\\Engine"), Var::Bool(false)});
  ASSERT_EQ(handle.vt(), VT_I4);
  ASSERT_NE(handle.get()->lVal, -1);
  Var rc = kz::CallByName(obj.get(), L"SetValue", DISPATCH_METHOD,
                          std::vector<Var>{handle, Text(L"Name"), Text(L"Value")});
  EXPECT_EQ(kz::VarToLong(rc.get()), 0);
  EXPECT_EQ(kz::VarToLong(kz::GetProp(obj.get(), L"Count").get()), 1);
  kz::CallByName(obj.get(), L"CloseKey", DISPATCH_METHOD, std::vector<Var>{handle});
  EXPECT_EQ(kz::VarToLong(kz::GetProp(obj.get(), L"Count").get()), 0);
  EXPECT_FALSE(HandleIsOpen(handle.get()->lVal));
  HKEY k;
  ASSERT_EQ(RegOpenKeyExW(scratch_.key(), L"Engine", 0, KEY_READ, &k), ERROR_SUCCESS);
  char buf[16] = {};
  DWORD n = sizeof buf, t = 0;
  EXPECT_EQ(RegQueryValueExA(k, "Name", nullptr, &t, reinterpret_cast<BYTE*>(buf), &n), ERROR_SUCCESS);
  RegCloseKey(k);
  EXPECT_EQ(t, static_cast<DWORD>(REG_SZ));
  EXPECT_STREQ(buf, "Value");
  // GetValue late-bound, the optional by-reference arguments left out.
  EXPECT_EQ(kz::VarToStr(kz::CallByName(obj.get(), L"GetValue", DISPATCH_METHOD,
                                       std::vector<Var>{Var::Long(static_cast<long>(
                                                            reinterpret_cast<LONG_PTR>(scratch_.key()))),
                                                        Text(L"nothing")}).get()),
            L"");
}

TEST(RegistryTypeLibrary, EnumerationsHoldTheirValues) {
  ITypeLib* tl = kz::LibraryTypeLib();
  ASSERT_NE(tl, nullptr);
  auto value_of = [&](const wchar_t* name) -> long {
    ITypeInfo* ti = nullptr;
    MEMBERID id = 0;
    USHORT found = 1;
    std::wstring n = name;
    HRESULT hr = tl->FindName(&n[0], 0, &ti, &id, &found);
    if (FAILED(hr) || !found) return 0x7FFFFFFF;
    VARDESC* vd = nullptr;
    long v = 0x7FFFFFFF;
    TYPEATTR* ta = nullptr;
    ti->GetTypeAttr(&ta);
    for (UINT i = 0; i < ta->cVars; ++i) {
      ti->GetVarDesc(i, &vd);
      if (vd->memid == id) v = kz::VarToLong(vd->lpvarValue);
      ti->ReleaseVarDesc(vd);
    }
    ti->ReleaseTypeAttr(ta);
    ti->Release();
    return v;
  };
  EXPECT_EQ(value_of(L"HKeyClassesRoot"), static_cast<long>(0x80000000));
  EXPECT_EQ(value_of(L"HKeyCurrentUser"), static_cast<long>(0x80000001));
  EXPECT_EQ(value_of(L"HKeyCurrentConfig"), static_cast<long>(0x80000005));
  EXPECT_EQ(value_of(L"HKeyDynData"), static_cast<long>(0x80000006));
  EXPECT_EQ(value_of(L"rdDWordLittleEndian"), 4);
  EXPECT_EQ(value_of(L"rdDWordBigEndian"), 5);
  EXPECT_EQ(value_of(L"rdMultiSZ"), 7);
}

// ---- names the registry cannot hold, closed handles, deleting without a name -------------------

// The ANSI functions count a converted name in 16 bits: a name of 65,536 characters would reach
// the registry as the empty name, the key itself or its default value. Such names never get there.
TEST_F(RegistryObjectTest, NamesLongerThanTheRegistryHoldsAreRefused) {
  long h = OpenScratch();
  scratch_.Set(L"", REG_SZ, std::string("keep", 5));
  scratch_.Set(L"other", REG_SZ, std::string("x", 2));
  scratch_.MakeSubKey(L"Child");
  const std::wstring value_names[] = {std::wstring(16384, L'v'), std::wstring(65536, L'v'),
                                      std::wstring(131072, L'v')};
  for (const std::wstring& name : value_names) {
    SCOPED_TRACE(name.size());
    EXPECT_NE(reg_.Set(h, name, Text(L"overwritten")), 0);
    HRESULT hr = S_OK;
    EXPECT_EQ(reg_.Get(h, name, Var::Missing(), nullptr, &hr).vt(), VT_EMPTY);
    EXPECT_HRESULT_SUCCEEDED(hr);
    BSTR n = SysAllocStringLen(name.data(), static_cast<UINT>(name.size()));
    Var r;
    EXPECT_HRESULT_SUCCEEDED(reg_.itf()->DeleteValue(h, n, r.get()));
    SysFreeString(n);
  }
  DWORD type = 0;
  std::string bytes;
  ASSERT_TRUE(scratch_.Get(L"", &type, &bytes));
  EXPECT_EQ(bytes, std::string("keep", 5));
  EXPECT_TRUE(scratch_.Has(L"other"));

  const std::wstring key_paths[] = {std::wstring(256, L'k'), L"Child\\" + std::wstring(256, L'k'),
                                    std::wstring(65536, L'k'), L"Child\\" + std::wstring(65536 - 6, L'k'),
                                    std::wstring(65536, L'\\')};
  for (const std::wstring& path : key_paths) {
    SCOPED_TRACE(path.size());
    long count = reg_.Count();
    EXPECT_EQ(reg_.Open(path, false, L"", h), -1);
    EXPECT_EQ(reg_.Open(path, true, L"", h), -1);
    EXPECT_EQ(reg_.Count(), count);
    BSTR p = SysAllocStringLen(path.data(), static_cast<UINT>(path.size()));
    Var r;
    EXPECT_HRESULT_SUCCEEDED(reg_.itf()->DeleteKey(h, p, r.get()));
    SysFreeString(p);
  }
  // The key, its default value and its child are still there.
  EXPECT_TRUE(HandleIsOpen(h));
  EXPECT_TRUE(scratch_.HasSubKey(L"Child"));
  ASSERT_TRUE(scratch_.Get(L"", &type, &bytes));
  EXPECT_EQ(bytes, std::string("keep", 5));
  // A name holding a NUL would be cut there by the ANSI call: it is refused too.
  EXPECT_NE(reg_.Set(h, std::wstring(L"\0tail", 5), Text(L"overwritten")), 0);
  ASSERT_TRUE(scratch_.Get(L"", &type, &bytes));
  EXPECT_EQ(bytes, std::string("keep", 5));
}

TEST_F(RegistryObjectTest, DeleteKeyWithoutASubkeyNameDeletesNothing) {
  // A key without subkeys, which the platform would delete itself for an empty name.
  long h = reg_.Open(scratch_.path() + L"\\Held");
  ASSERT_NE(h, -1);
  EXPECT_EQ(reg_.Set(h, L"v", Text(L"kept")), 0);
  auto held_value = [&] {
    HKEY k;
    if (RegOpenKeyExW(scratch_.key(), L"Held", 0, KEY_READ, &k) != ERROR_SUCCESS) return std::wstring(L"<no key>");
    wchar_t buf[16] = {};
    DWORD n = sizeof buf;
    LONG rc = RegQueryValueExW(k, L"v", nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &n);
    RegCloseKey(k);
    return rc == ERROR_SUCCESS ? std::wstring(buf) : std::wstring(L"<no value>");
  };
  for (const wchar_t* name : {L"", L" ", L"   ", L"\\", L" \\ "}) {
    SCOPED_TRACE(kz::ToAnsi(name));
    BSTR n = SysAllocString(name);
    Var r;
    EXPECT_HRESULT_SUCCEEDED(reg_.itf()->DeleteKey(h, n, r.get()));
    SysFreeString(n);
    EXPECT_EQ(held_value(), L"kept");
  }
  // An unset script variable: Empty, late-bound.
  Var key = Var::Long(h), empty;
  CallResult c = Call(reg_.itf(), L"DeleteKey", {key.get(), empty.get()});
  EXPECT_EQ(c.error, 0);
  EXPECT_EQ(held_value(), L"kept");
  // A subkey that is named is still deleted.
  Var held = Text(L"Held"), scratch = Var::Long(reg_.Open(scratch_.path()));
  reg_.Close(key);
  Call(reg_.itf(), L"DeleteKey", {scratch.get(), held.get()});
  EXPECT_FALSE(scratch_.HasSubKey(L"Held"));
}

// A number kept after CloseKey may be given to another object's next key by the platform: the
// object that closed it refuses it, so nothing reaches that other key.
TEST_F(RegistryObjectTest, AHandleNumberThisObjectClosedIsRefused) {
  ScratchKey other_key(L"obj_stale_other");
  long stale = reg_.Open(scratch_.path() + L"\\Mine");
  ASSERT_NE(stale, -1);
  reg_.Close(Var::Long(stale));
  ASSERT_FALSE(HandleIsOpen(stale));
  // Another object opens keys until the platform hands out the same number again.
  Reg other;
  long reused = -1;
  for (int i = 0; i < 64 && reused != stale; ++i) reused = other.Open(other_key.path());
  if (reused != stale) GTEST_SKIP() << "the platform did not give the closed number out again";
  other_key.Set(L"v", REG_SZ, std::string("theirs", 7));
  other_key.MakeSubKey(L"Sub");

  EXPECT_NE(reg_.Set(stale, L"v", Text(L"written through a stale number")), 0);
  EXPECT_NE(reg_.Set(stale, L"new", Text(L"x")), 0);
  EXPECT_EQ(reg_.Get(stale, L"v").vt(), VT_EMPTY);
  BSTR v = SysAllocString(L"v"), sub = SysAllocString(L"Sub");
  Var r;
  EXPECT_HRESULT_SUCCEEDED(reg_.itf()->DeleteValue(stale, v, r.get()));
  EXPECT_HRESULT_SUCCEEDED(reg_.itf()->DeleteKey(stale, sub, r.get()));
  SysFreeString(v);
  SysFreeString(sub);
  EXPECT_EQ(reg_.Open(L"Opened", false, L"", stale), -1);
  Ptr<kz::RegistryKeys> keys = reg_.obj->ListKeys(stale, false, false, false);
  EXPECT_EQ(keys->size(), 0);
  Ptr<kz::RegistryValues> values = reg_.obj->ListValues(stale, false, false, false);
  EXPECT_EQ(values->size(), 1);  // the default entry only
  reg_.Close(Var::Long(stale));   // closes nothing of the other object's
  EXPECT_TRUE(HandleIsOpen(stale));

  DWORD type = 0;
  std::string bytes;
  ASSERT_TRUE(other_key.Get(L"v", &type, &bytes));
  EXPECT_EQ(bytes, std::string("theirs", 7));
  EXPECT_FALSE(other_key.Has(L"new"));
  EXPECT_TRUE(other_key.HasSubKey(L"Sub"));
  EXPECT_FALSE(other_key.HasSubKey(L"Opened"));
  // The other object uses the number as its own.
  EXPECT_EQ(other.Set(stale, L"new", Text(L"mine")), 0);
  EXPECT_TRUE(other_key.Has(L"new"));
}

TEST_F(RegistryObjectTest, ANumberOpenedAgainByTheSameObjectIsItsOwnAgain) {
  long first = reg_.Open(scratch_.path() + L"\\A");
  reg_.Close(Var::Long(first));
  long again = -1;
  std::vector<long> opened;
  for (int i = 0; i < 64 && again != first; ++i) opened.push_back(again = reg_.Open(scratch_.path() + L"\\B"));
  if (again != first) GTEST_SKIP() << "the platform did not give the closed number out again";
  EXPECT_EQ(reg_.Set(again, L"v", Text(L"x")), 0);
  EXPECT_EQ(kz::VarToStr(reg_.Get(again, L"v").get()), L"x");
}

// Closing many keys costs the same per key however many are open (the table's removal does
// not re-index the rest); the quadratic cost took close to a minute for 16,000 keys.
TEST_F(RegistryObjectTest, ClosingSixteenThousandKeysTakesSeconds) {
  const int kKeys = 16000;
  std::vector<long> handles;
  handles.reserve(kKeys);
  std::wstring path = scratch_.path() + L"\\Many";
  for (int i = 0; i < kKeys; ++i) handles.push_back(reg_.Open(path));
  ASSERT_EQ(reg_.Count(), kKeys);
  DWORD t0 = GetTickCount();
  for (long h : handles) reg_.obj->CloseHandle(h);
  DWORD ms = GetTickCount() - t0;
  EXPECT_EQ(reg_.Count(), 0);
  EXPECT_LT(ms, 10000u) << "closing " << kKeys << " keys took " << ms << " ms";
}

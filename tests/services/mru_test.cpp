// The most-recently-used list of clsKelzudMRUA against the real per-user settings store.
#include "services/clsKelzudMRUA.h"

#include "services/SettingsStore.h"
#include "testkit.h"

using namespace kzt;
using kz::MruList;
using Strings = std::vector<std::wstring>;

namespace {

// The test's own application in the store, removed at the end.
class MruTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app_ = std::wstring(L"Kelzud10Tests ") +
           kz::FromAnsi(::testing::UnitTest::GetInstance()->current_test_info()->name());
    RegDeleteTreeW(HKEY_CURRENT_USER, kz::SettingsKeyPath(app_).c_str());
    m_ = kz::MakeObject<MruList>();
    m_->set_app(app_);
  }
  void TearDown() override {
    m_->Release();
    RegDeleteTreeW(HKEY_CURRENT_USER, kz::SettingsKeyPath(app_).c_str());
  }
  // A value as stored, or "<missing>".
  std::wstring Raw(const std::wstring& key, const std::wstring& section = L"MRU") {
    return kz::GetSetting(app_, section, key, L"<missing>");
  }
  void Store(const Strings& entries, const std::wstring& count = L"") {
    kz::SaveSetting(app_, L"MRU", L"MRUNum", count.empty() ? std::to_wstring(entries.size()) : count);
    for (size_t i = 0; i < entries.size(); ++i) kz::SaveSetting(app_, L"MRU", L"MRU" + std::to_wstring(i + 1), entries[i]);
  }
  std::wstring app_;
  MruList* m_ = nullptr;
};

}  // namespace

TEST_F(MruTest, FreshStore) {
  EXPECT_EQ(m_->Count(), 0);
  EXPECT_EQ(m_->LastEntry(), L"");
  SAFEARRAY* keep = kz::MakeBstrArray({L"mine"}, 5);
  SAFEARRAY* arr = keep;
  ASSERT_HRESULT_SUCCEEDED(m_->GetArray(&arr));
  EXPECT_EQ(arr, keep);  // left as it was
  SafeArrayDestroy(arr);
  m_->Put(L"x");
  EXPECT_EQ(Raw(L"MRUNum"), L"1");
  EXPECT_EQ(Raw(L"MRU1"), L"x");
  EXPECT_EQ(Raw(L"MRU2"), L"<missing>");
}

TEST_F(MruTest, SaveOrdersTheList) {
  m_->set_max_num(3);
  Store({L"A", L"B", L"C"});
  struct Step {
    const wchar_t* save;
    Strings after;
  } steps[] = {
      {L"D", {L"D", L"A", L"B"}},
      {L"B", {L"B", L"D", L"A"}},
      {L"B", {L"B", L"D", L"A"}},
      {L"A", {L"A", L"B", L"D"}},
      {L"b", {L"b", L"A", L"B"}},  // case counts
  };
  for (const auto& s : steps) {
    m_->Put(s.save);
    EXPECT_EQ(m_->Entries(), s.after) << kz::ToAnsi(s.save);
    EXPECT_EQ(Raw(L"MRUNum"), L"3");
  }
  EXPECT_EQ(Raw(L"MRU4"), L"<missing>");
}

TEST_F(MruTest, SaveIntoAListShorterThanMaxNum) {
  // A listed text moves up without growing the list; only a new text adds an entry.
  m_->set_max_num(5);
  Store({L"A", L"B", L"C"});
  struct Step {
    const wchar_t* save;
    Strings after;
  } steps[] = {
      {L"C", {L"C", L"A", L"B"}},            // the last entry
      {L"C", {L"C", L"A", L"B"}},            // already on top
      {L"A", {L"A", L"C", L"B"}},            // one in the middle
      {L"D", {L"D", L"A", L"C", L"B"}},      // new: grows by one
      {L"B", {L"B", L"D", L"A", L"C"}},
      {L"E", {L"E", L"B", L"D", L"A", L"C"}},  // new: now full
      {L"F", {L"F", L"E", L"B", L"D", L"A"}},  // new into the full list: the oldest goes
  };
  for (const auto& s : steps) {
    m_->Put(s.save);
    EXPECT_EQ(m_->Entries(), s.after) << kz::ToAnsi(s.save);
    EXPECT_EQ(Raw(L"MRUNum"), std::to_wstring(s.after.size())) << kz::ToAnsi(s.save);
    EXPECT_EQ(Raw(L"MRU" + std::to_wstring(s.after.size() + 1)), L"<missing>") << kz::ToAnsi(s.save);
  }
}

TEST_F(MruTest, GrowsUpToMaxNumAndDropsTheOldest) {
  m_->set_max_num(2);
  m_->Put(L"one");
  m_->Put(L"two");
  EXPECT_EQ(m_->Entries(), (Strings{L"two", L"one"}));
  m_->Put(L"three");
  EXPECT_EQ(m_->Entries(), (Strings{L"three", L"two"}));
  EXPECT_EQ(m_->Count(), 2);
  EXPECT_EQ(Raw(L"MRU3"), L"<missing>");
  // A list of one holds only the newest text.
  m_->set_max_num(1);
  RegDeleteTreeW(HKEY_CURRENT_USER, kz::SettingsKeyPath(app_).c_str());
  Store({L"only"});
  for (const wchar_t* text : {L"only", L"next", L"next", L"last"}) {
    m_->Put(text);
    EXPECT_EQ(m_->Entries(), Strings{text}) << kz::ToAnsi(text);
    EXPECT_EQ(Raw(L"MRU2"), L"<missing>") << kz::ToAnsi(text);
  }
}

// A stored count the list cannot use (not text, not a number, negative, beyond MaxNum or an
// Integer) stands for the entries actually stored: Save keeps them, cut to MaxNum.
TEST_F(MruTest, UnusableStoredCountIsTheNumberOfEntriesPresent) {
  struct Case {
    const char* what;
    DWORD type;
    std::wstring text;  // REG_SZ and REG_MULTI_SZ data (NULs included); REG_DWORD: the number
    short max;
    short count;
    Strings after_save;
  } cases[] = {
      {"negative", REG_SZ, L"-2", 10, 3, {L"new", L"A", L"B", L"C"}},
      {"not a number", REG_SZ, L"many", 10, 3, {L"new", L"A", L"B", L"C"}},
      {"a DWORD", REG_DWORD, L"3", 10, 3, {L"new", L"A", L"B", L"C"}},
      {"a multi-string", REG_MULTI_SZ, std::wstring(L"3\0\0", 4), 10, 3, {L"new", L"A", L"B", L"C"}},
      {"beyond MaxNum", REG_SZ, L"3", 2, 3, {L"new", L"A"}},
      {"beyond an Integer", REG_SZ, L"40000", 10, 3, {L"new", L"A", L"B", L"C"}},
      {"beyond the entries and MaxNum", REG_SZ, L"7", 5, 3, {L"new", L"A", L"B", L"C"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    m_->ClearSection();
    Store({L"A", L"B", L"C"});
    const std::wstring key = kz::SettingsKeyPath(app_, L"MRU");
    if (c.type == REG_DWORD) {
      DWORD n = 3;
      ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), L"MRUNum", REG_DWORD, &n, 4), ERROR_SUCCESS);
    } else {
      ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), L"MRUNum", c.type, c.text.c_str(),
                                static_cast<DWORD>((c.text.size() + 1) * sizeof(wchar_t))),
                ERROR_SUCCESS);
    }
    m_->set_max_num(c.max);
    EXPECT_EQ(m_->Count(), c.count);
    Var text = Var::Str(L"new");
    CallResult r = Call(m_->itf(), L"Save", {text.get()});
    ASSERT_EQ(r.error, 0) << kz::ToAnsi(r.description);
    EXPECT_EQ(m_->Entries(), c.after_save);
    EXPECT_EQ(Raw(L"MRUNum"), std::to_wstring(c.after_save.size()));
  }
}

TEST_F(MruTest, MaxNumBelowOneRaises9WithoutWriting) {
  for (short max : {0, -1, -32768}) {
    m_->set_max_num(max);
    Var text = Var::Str(L"x");
    EXPECT_EQ(Call(m_->itf(), L"Save", {text.get()}).error, 9) << max;
    EXPECT_EQ(Raw(L"MRUNum"), L"<missing>");
  }
}

TEST_F(MruTest, StoredCountIsReadByItsLeadingNumber) {
  struct Case {
    const wchar_t* stored;
    short count;
  } cases[] = {{L"3abc", 3}, {L"abc", 0}, {L" 2", 2}, {L"2.5", 2}, {L"3.5", 4}, {L"-4", 0}, {L"&H3", 3}, {L"", 0}};
  for (const auto& c : cases) {
    kz::SaveSetting(app_, L"MRU", L"MRUNum", c.stored);
    EXPECT_EQ(m_->Count(), c.count) << kz::ToAnsi(c.stored);
  }
  // A negative count with no entries stored is an empty list: saving starts it again.
  kz::SaveSetting(app_, L"MRU", L"MRUNum", L"-4");
  m_->Put(L"first");
  EXPECT_EQ(m_->Entries(), (Strings{L"first"}));
}

TEST_F(MruTest, EntriesKeepEveryCharacter) {
  const Strings texts = {L"C:\\dir\\file.txt", L"a|b;c,d=e", L"tab\there", L"line\r\nbreak", L"\"quoted\"",
                         std::wstring(L"nul\0inside", 10), L"\x65e5\x672c\x8a9e", std::wstring(5000, L'w'), L""};
  m_->set_max_num(static_cast<short>(texts.size()));
  for (const auto& t : texts) m_->Put(t);
  Strings expected(texts.rbegin(), texts.rend());
  EXPECT_EQ(m_->Entries(), expected);
  m_->Put(texts[5]);  // found again despite the NUL
  EXPECT_EQ(m_->Count(), static_cast<short>(texts.size()));
  EXPECT_EQ(m_->LastEntry(), texts[5]);
}

TEST_F(MruTest, PrefixAndChildAddressTheKeys) {
  m_->set_prefix(L"File");
  m_->set_child(L"Recent");
  m_->Put(L"a");
  m_->Put(L"b");
  EXPECT_EQ(Raw(L"FileNum", L"Recent"), L"2");
  EXPECT_EQ(Raw(L"File1", L"Recent"), L"b");
  EXPECT_EQ(Raw(L"File2", L"Recent"), L"a");
  EXPECT_EQ(Raw(L"MRUNum"), L"<missing>");
}

TEST_F(MruTest, LastLetWritesOnlyTheFirstEntry) {
  Store({L"A", L"B"});
  BSTR t = SysAllocString(L"Z");
  ASSERT_HRESULT_SUCCEEDED(m_->put_Last(&t));
  EXPECT_EQ(kz::FromBstr(t), L"Z");
  SysFreeString(t);
  EXPECT_EQ(m_->Entries(), (Strings{L"Z", L"B"}));
  EXPECT_EQ(Raw(L"MRUNum"), L"2");
}

TEST_F(MruTest, GetArrayIsOneBased) {
  Store({L"A", L"B", L"C"});
  SAFEARRAY* arr = kz::MakeBstrArray({L"old"}, 0);
  ASSERT_HRESULT_SUCCEEDED(m_->GetArray(&arr));
  LONG lb = 0, ub = 0;
  SafeArrayGetLBound(arr, 1, &lb);
  SafeArrayGetUBound(arr, 1, &ub);
  EXPECT_EQ(lb, 1);
  EXPECT_EQ(ub, 3);
  LONG i = 2;
  BSTR b = nullptr;
  SafeArrayGetElement(arr, &i, &b);
  EXPECT_EQ(kz::FromBstr(b), L"B");
  SysFreeString(b);
  SafeArrayDestroy(arr);
  // Entries missing below the count read as empty.
  m_->ClearSection();
  Store({L"A"}, L"2");
  EXPECT_EQ(m_->Entries(), (Strings{L"A", L""}));
}

TEST_F(MruTest, ClearAndClearAppParent) {
  m_->Put(L"x");
  kz::SaveSetting(app_, L"Other", L"k", L"v");
  m_->ClearSection();
  EXPECT_EQ(m_->Count(), 0);
  EXPECT_EQ(Raw(L"k", L"Other"), L"v");
  ASSERT_HRESULT_SUCCEEDED(m_->Clear());  // nothing left to clear: no error
  m_->ClearApplication();
  EXPECT_EQ(Raw(L"k", L"Other"), L"<missing>");
  HKEY k = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kz::SettingsKeyPath(app_).c_str(), 0, KEY_READ, &k), ERROR_FILE_NOT_FOUND);
  ASSERT_HRESULT_SUCCEEDED(m_->ClearAppParent());
}

TEST_F(MruTest, NamesTheStoreCannotAddress) {
  // Another application's settings must survive whatever these names do.
  kz::SaveSetting(app_, L"MRU", L"keep", L"me");
  for (const wchar_t* bad : {L"", L"\\", L"a\\", L"\\a", L"a\\\\b"}) {
    MruList* other = kz::MakeObject<MruList>();
    other->set_app(bad);
    Var text = Var::Str(L"x");
    EXPECT_EQ(Call(other->itf(), L"Save", {text.get()}).error, 5) << kz::ToAnsi(bad);
    EXPECT_EQ(other->Count(), 0);
    EXPECT_EQ(other->LastEntry(), L"");
    EXPECT_HRESULT_SUCCEEDED(other->Clear());
    EXPECT_HRESULT_SUCCEEDED(other->ClearAppParent());
    other->Release();
  }
  // An empty section and a name with a NUL are refused too.
  m_->set_child(L"");
  Var text = Var::Str(L"x");
  EXPECT_EQ(Call(m_->itf(), L"Save", {text.get()}).error, 5);
  EXPECT_HRESULT_SUCCEEDED(m_->Clear());
  m_->set_child(std::wstring(L"MR\0U", 4));
  EXPECT_EQ(Call(m_->itf(), L"Save", {text.get()}).error, 5);
  EXPECT_EQ(Raw(L"keep"), L"me");
}

TEST_F(MruTest, PropertiesThroughDispatch) {
  IDispatch* d = m_->itf();
  EXPECT_EQ(kz::VarToLong(Call(d, L"MaxNum", {}, DISPATCH_PROPERTYGET).value.get()), 10);
  EXPECT_EQ(kz::VarToStr(Call(d, L"Child", {}, DISPATCH_PROPERTYGET).value.get()), L"MRU");
  EXPECT_EQ(kz::VarToStr(Call(d, L"Prefix", {}, DISPATCH_PROPERTYGET).value.get()), L"MRU");
  kz::PutProp(d, L"AppParent", Var::Long(12));
  Var app = kz::GetProp(d, L"AppParent");
  EXPECT_EQ(app.vt(), VT_BSTR);  // held as text
  EXPECT_EQ(kz::VarToStr(app.get()), L"12");
  kz::PutProp(d, L"AppParent", Var::Str(app_));
  kz::PutProp(d, L"MaxNum", Var::Long(4));
  Var x = Var::Str(L"x");
  EXPECT_EQ(Call(d, L"Save", {x.get()}).error, 0);
  EXPECT_EQ(kz::VarToStr(kz::GetProp(d, L"Last").get()), L"x");
  EXPECT_EQ(kz::VarToLong(kz::GetProp(d, L"Num").get()), 1);
}

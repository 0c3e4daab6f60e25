// The INI file handler core against real profile files.
#include "ini/clsKelzudINIFileHandler1A.h"

#include "testkit.h"

using namespace kzt;
using kz::IniFileHandler;

namespace {

class IniTest : public ::testing::Test {
 protected:
  void SetUp() override {
    h_ = kz::MakeObject<IniFileHandler>();
    h_->set_path(dir_.File(L"test.ini"));
  }
  void TearDown() override { h_->Release(); }
  void Write(const std::wstring& section, const std::wstring& key, std::wstring value) {
    h_->set_section(section);
    h_->set_key(key);
    h_->WriteValue(value);
  }
  std::wstring GetValue() {
    BSTR b = nullptr;
    EXPECT_HRESULT_SUCCEEDED(h_->get_Value(&b));
    std::wstring r = kz::FromBstr(b);
    SysFreeString(b);
    return r;
  }
  std::vector<std::wstring> ArrayItems(SAFEARRAY* sa) {
    std::vector<std::wstring> out;
    LONG lb, ub;
    SafeArrayGetLBound(sa, 1, &lb);
    SafeArrayGetUBound(sa, 1, &ub);
    EXPECT_EQ(lb, 1);
    for (LONG i = lb; i <= ub; ++i) {
      BSTR b = nullptr;
      SafeArrayGetElement(sa, &i, &b);
      out.push_back(kz::FromBstr(b));
      SysFreeString(b);
    }
    return out;
  }
  TempDir dir_;
  IniFileHandler* h_ = nullptr;
};

}  // namespace

TEST_F(IniTest, ValueLetTakesNulsOutOfTheCallersString) {
  h_->set_section(L"S");
  h_->set_key(L"K");
  BSTR v = SysAllocStringLen(L"a\0b\0\0c", 6);
  ASSERT_HRESULT_SUCCEEDED(h_->put_Value(&v));
  EXPECT_EQ(kz::FromBstr(v), L"abc");
  SysFreeString(v);
  EXPECT_EQ(GetValue(), L"abc");
  VARIANT_BOOL ok;
  h_->get_Success(&ok);
  EXPECT_EQ(ok, VARIANT_TRUE);
}

TEST_F(IniTest, ReadsAreCutAt254AndAbsentKeysGiveDefault) {
  Write(L"S", L"Long", std::wstring(300, L'x'));
  EXPECT_EQ(GetValue(), std::wstring(254, L'x'));
  h_->set_key(L"Absent");
  h_->set_default(L"fallback");
  EXPECT_EQ(GetValue(), L"fallback");
  // The write's result survives any number of reads.
  EXPECT_NE(h_->last_return_code(), 0);
}

TEST_F(IniTest, VeryLongValuesAreWrittenWithoutHarm) {
  for (size_t n : {32765u, 32766u, 32767u, 70000u}) {
    Write(L"S", L"Huge", std::wstring(n, L'y'));
    EXPECT_NE(h_->last_return_code(), 0) << n;
    EXPECT_EQ(GetValue(), std::wstring(254, L'y')) << n;
  }
  // The file stays readable: another key written after it reads back.
  Write(L"S", L"After", L"ok");
  EXPECT_EQ(GetValue(), L"ok");
}

TEST_F(IniTest, SectionListsAndEnumerations) {
  Write(L"S", L"One", L"1");
  Write(L"S", L"Two", L"2");
  Write(L"T", L"x", L"3");
  h_->set_section(L"s");  // names match without regard to case
  EXPECT_EQ(h_->SectionKeyList(), std::wstring(L"One\0Two\0", 8));
  EXPECT_EQ(h_->SectionList(), std::wstring(L"S\0T\0", 4));
  SAFEARRAY* keys = nullptr;
  short count = -1;
  ASSERT_HRESULT_SUCCEEDED(h_->EnumerateCurrentSection(&keys, &count));
  EXPECT_EQ(count, 2);
  EXPECT_EQ(ArrayItems(keys), (std::vector<std::wstring>{L"One", L"Two"}));
  // A second call replaces the caller's array.
  ASSERT_HRESULT_SUCCEEDED(h_->EnumerateAllSections(&keys, &count));
  EXPECT_EQ(count, 2);
  EXPECT_EQ(ArrayItems(keys), (std::vector<std::wstring>{L"S", L"T"}));
  SafeArrayDestroy(keys);
}

TEST_F(IniTest, EmptyAndMissingFilesGiveEmptyArrays) {
  WriteFileText(h_->path(), "");
  for (int all = 0; all < 2; ++all) {
    SAFEARRAY* sa = nullptr;
    short count = 5;
    h_->set_section(L"Nothing");
    ASSERT_HRESULT_SUCCEEDED(all ? h_->EnumerateAllSections(&sa, &count) : h_->EnumerateCurrentSection(&sa, &count));
    EXPECT_EQ(count, 0);
    ASSERT_NE(sa, nullptr);
    EXPECT_TRUE(ArrayItems(sa).empty());
    SafeArrayDestroy(sa);
  }
}

TEST_F(IniTest, SectionListSkipsEmptyNames) {
  // Hand-written file with an empty section header between two named ones.
  WriteFileText(h_->path(), "[S]\r\nk=v\r\n[]\r\nz=1\r\n[T]\r\ny=2\r\n");
  EXPECT_EQ(h_->EnumerateSections(), (std::vector<std::wstring>{L"S", L"T"}));
  h_->set_section(L"T");
  EXPECT_EQ(h_->EnumerateSection(), (std::vector<std::wstring>{L"y"}));
}

TEST_F(IniTest, DeletingKeysAndSections) {
  Write(L"S", L"A", L"1");
  Write(L"S", L"B", L"2");
  Write(L"T", L"C", L"3");
  h_->set_section(L"S");
  h_->set_key(L"A");
  ASSERT_HRESULT_SUCCEEDED(h_->DeleteKeyINI());
  EXPECT_EQ(h_->EnumerateSection(), (std::vector<std::wstring>{L"B"}));
  BSTR text = SysAllocString(L"ignored");
  ASSERT_HRESULT_SUCCEEDED(h_->put_INISection(text));
  SysFreeString(text);
  EXPECT_NE(h_->last_return_code(), 0);
  EXPECT_TRUE(h_->EnumerateSection().empty());
  EXPECT_EQ(ReadFileText(h_->path()).find(L"ignored"), std::wstring::npos);
  h_->set_section(L"T");
  ASSERT_HRESULT_SUCCEEDED(h_->DeleteSectionINI());
  EXPECT_TRUE(h_->EnumerateSections().empty());
}

TEST_F(IniTest, FailedWritesReportThroughLastReturnCodeOnly) {
  h_->set_path(dir_.File(L"missing\\folder\\x.ini"));
  h_->set_section(L"S");
  h_->set_key(L"K");
  BSTR v = SysAllocString(L"x");
  EXPECT_HRESULT_SUCCEEDED(h_->put_Value(&v));
  SysFreeString(v);
  EXPECT_EQ(h_->last_return_code(), 0);
  VARIANT_BOOL ok = VARIANT_TRUE;
  h_->get_Success(&ok);
  EXPECT_EQ(ok, VARIANT_FALSE);
}

TEST(IniCLngDefault, ConvertsWithBankersRoundingOrFallsBack) {
  struct { const wchar_t* text; long fallback; long want; } cases[] = {
      {L"12", 0, 12},         {L"2.5", 0, 2},      {L"3.5", 0, 4},          {L"-2.5", 0, -2},
      {L" 42 ", 0, 42},       {L"FAIL", 7, 7},     {L"", 0, 0},             {L"", 9, 9},
      {L"2147483647", 0, 2147483647}, {L"2147483648", 5, 5}, {L"1e3", 0, 1000}, {L"12abc", 3, 3},
  };
  for (auto& c : cases) EXPECT_EQ(IniFileHandler::ToLongOr(c.text, c.fallback), c.want) << kz::ToAnsi(c.text);
}

TEST_F(IniTest, HeaderInfoReadsTheHeaderSection) {
  WriteFileText(h_->path(),
                "[HeaderInfo]\r\nFileName=setup.ini\r\nFriend=Setup\r\nVersion=1.2\r\nLCID=1033\r\nFlags=F\r\n");
  IFHHeaderInfo info{};
  ASSERT_HRESULT_SUCCEEDED(h_->GetHeaderInfo(&info));
  EXPECT_EQ(kz::FromBstr(info.sFileName), L"setup.ini");
  EXPECT_EQ(kz::FromBstr(info.sFriend), L"Setup");
  EXPECT_EQ(kz::FromBstr(info.sVersion), L"1.2");
  EXPECT_EQ(kz::FromBstr(info.sDescription), L"");
  EXPECT_EQ(info.lLCID, 1033);
  EXPECT_EQ(kz::FromBstr(info.sFlags), L"F");
  EXPECT_EQ(h_->section(), L"HeaderInfo");
  EXPECT_EQ(h_->key(), L"Flags");
  for (BSTR* b : {&info.sFileName, &info.sFriend, &info.sDescription, &info.sVersion, &info.sSignature,
                  &info.sGenerator, &info.sClassID, &info.sContents, &info.sFlags})
    SysFreeString(*b);
}

TEST_F(IniTest, HeaderInfoLcidIsReadAsLeadingNumber) {
  struct { const char* lcid; long want; HRESULT hr; } cases[] = {
      {nullptr, 0, S_OK}, {"1031abc", 1031, S_OK}, {"12.5", 12, S_OK}, {"x", 0, S_OK},
      {"99999999999", 0, static_cast<HRESULT>(0x800A0006)}};
  for (auto& c : cases) {
    std::string file = "[HeaderInfo]\r\n";
    if (c.lcid) file += std::string("LCID=") + c.lcid + "\r\n";
    WriteFileText(h_->path(), file);
    IFHHeaderInfo info{};
    EXPECT_EQ(h_->GetHeaderInfo(&info), c.hr) << (c.lcid ? c.lcid : "absent");
    if (c.hr == S_OK) EXPECT_EQ(info.lLCID, c.want) << (c.lcid ? c.lcid : "absent");
    IRecordInfo* ri = nullptr;
    // Free what was filled through the record's own description.
    const GUID kHeaderInfo = {0x3077091D, 0x1F12, 0x4DDA, {0x97, 0xBA, 0xEA, 0x3F, 0x75, 0x5B, 0x98, 0xA6}};
    ASSERT_HRESULT_SUCCEEDED(GetRecordInfoFromGuids(LIBID_Kelzud10, 1, 0, 1033, kHeaderInfo, &ri));
    ri->RecordClear(&info);
    ri->Release();
  }
}

TEST_F(IniTest, OneOffReadsAndWritesUseASecondHandler) {
  Write(L"Mine", L"K", L"mine");
  BSTR path = SysAllocString(dir_.File(L"other.ini").c_str());
  BSTR section = SysAllocString(L"Sec"), key = SysAllocString(L"Name"), value = SysAllocString(L"v");
  BSTR r = nullptr;
  ASSERT_HRESULT_SUCCEEDED(h_->WriteINIFileValue(&path, &section, &key, &value, &r));
  EXPECT_EQ(kz::FromBstr(r), L"");
  SysFreeString(r);
  ASSERT_HRESULT_SUCCEEDED(h_->ReadDetailsINIFileValue(&path, &section, &key, &r));
  EXPECT_EQ(kz::FromBstr(r), L"v");
  SysFreeString(r);
  EXPECT_EQ(h_->section(), L"Mine");
  EXPECT_EQ(h_->key(), L"K");
  for (BSTR b : {path, section, key, value}) SysFreeString(b);
}

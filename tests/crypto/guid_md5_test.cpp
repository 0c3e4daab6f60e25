// GUID text and the MD5 digest.
#include <set>
#include <string>

#include "crypto/clsKelzudGRegKeyMD5A.h"
#include "crypto/clsKelzudGUIDA.h"
#include "crypto/md5.h"
#include "frame/catalogue.h"
#include "testkit.h"

#include <wincrypt.h>

using namespace kzt;

namespace {

bool IsGuidBody(const std::wstring& s) {
  if (s.size() != 36) return false;
  for (size_t i = 0; i < s.size(); ++i) {
    bool dash = i == 8 || i == 13 || i == 18 || i == 23;
    if (dash ? s[i] != L'-' : !((s[i] >= L'0' && s[i] <= L'9') || (s[i] >= L'A' && s[i] <= L'F'))) return false;
  }
  return true;
}

std::wstring Md5Of(const std::wstring& text) {
  Ptr<IDispatch> o = Create(L"Kelzud10.clsKelzudGRegKeyMD5A");
  Var arg = Var::Str(text);
  CallResult r = Call(o.get(), L"MD5", {arg.get()});
  EXPECT_EQ(r.error, 0);
  EXPECT_EQ(kz::FromBstr(arg.get()->bstrVal), text) << "the argument is not changed";
  return kz::VarToStr(r.value.get());
}

// CryptoAPI's MD5 of the same bytes: the platform as an independent reference.
std::wstring PlatformMd5(const std::string& bytes) {
  HCRYPTPROV prov = 0;
  HCRYPTHASH hash = 0;
  EXPECT_TRUE(CryptAcquireContextW(&prov, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT));
  EXPECT_TRUE(CryptCreateHash(prov, CALG_MD5, 0, 0, &hash));
  EXPECT_TRUE(CryptHashData(hash, reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()), 0));
  BYTE d[16];
  DWORD n = 16;
  EXPECT_TRUE(CryptGetHashParam(hash, HP_HASHVAL, d, &n, 0));
  CryptDestroyHash(hash);
  CryptReleaseContext(prov, 0);
  wchar_t buf[3];
  std::wstring out;
  for (BYTE b : d) {
    swprintf(buf, 3, L"%02x", b);
    out += buf;
  }
  return out;
}

}  // namespace

TEST(Guid, TextIsThirtyTwoUpperCaseDigitsInGroupsWithBracesOnlyWhenAsked) {
  Ptr<IDispatch> g = Create(L"Kelzud10.clsKelzudGUIDA");
  CallResult plain = Call(g.get(), L"CreateGUID", {});
  ASSERT_EQ(plain.error, 0);
  std::wstring a = kz::VarToStr(plain.value.get());
  EXPECT_TRUE(IsGuidBody(a)) << kz::ToAnsi(a);

  Var yes = Var::Bool(true), no = Var::Bool(false);
  std::wstring b = kz::VarToStr(Call(g.get(), L"CreateGUID", {yes.get()}).value.get());
  ASSERT_EQ(b.size(), 38u);
  EXPECT_EQ(b.front(), L'{');
  EXPECT_EQ(b.back(), L'}');
  EXPECT_TRUE(IsGuidBody(b.substr(1, 36)));
  std::wstring c = kz::VarToStr(Call(g.get(), L"CreateGUID", {no.get()}).value.get());
  EXPECT_TRUE(IsGuidBody(c));

  // Each call makes a new GUID, and the text is the platform's own form of it.
  EXPECT_NE(a, c);
  GUID parsed;
  EXPECT_HRESULT_SUCCEEDED(CLSIDFromString(const_cast<LPOLESTR>(b.c_str()), &parsed));
}

TEST(Guid, FieldsArePaddedAndOnlyExactlyTrueGivesBraces) {
  GUID g = {0x1A, 0x2, 0xB03, {0, 1, 2, 3, 4, 5, 6, 0x0F}};
  EXPECT_EQ(kz::GuidMaker::GuidText(S_OK, g, VARIANT_FALSE), L"0000001A-0002-0B03-0001-02030405060F");
  EXPECT_EQ(kz::GuidMaker::GuidText(S_OK, g, VARIANT_TRUE), L"{0000001A-0002-0B03-0001-02030405060F}");
  EXPECT_EQ(kz::GuidMaker::GuidText(S_OK, g, 1), L"0000001A-0002-0B03-0001-02030405060F");
  GUID h = {0xFEDCBA98, 0xFFFF, 0xABCD, {0xF0, 0xE1, 0xD2, 0xC3, 0xB4, 0xA5, 0x96, 0x87}};
  EXPECT_EQ(kz::GuidMaker::GuidText(S_OK, h, VARIANT_FALSE), L"FEDCBA98-FFFF-ABCD-F0E1-D2C3B4A59687");
}

TEST(Guid, AFailedCallLeavesOnlyTheLastEightPlacesFilled) {
  GUID g = {};
  EXPECT_EQ(kz::GuidMaker::GuidText(E_FAIL, g, VARIANT_FALSE), L"        -    -    -    -    00000000");
  EXPECT_EQ(kz::GuidMaker::GuidText(E_FAIL, g, VARIANT_TRUE), L"{        -    -    -    -    00000000}");
  EXPECT_EQ(kz::GuidMaker::FillTemplate(L"@@-@@", L"ABCDEF"), L"CD-EF");
}

TEST(Guid, TheLibraryCreatesItDirectlyAndAsksForBraces) {
  _clsKelzudGUIDA* g = nullptr;
  ASSERT_HRESULT_SUCCEEDED(kz::CreateInstance(L"clsKelzudGUIDA", IID__clsKelzudGUIDA, reinterpret_cast<void**>(&g)));
  VARIANT_BOOL t = VARIANT_TRUE;
  BSTR s = nullptr;
  ASSERT_HRESULT_SUCCEEDED(g->CreateGUID(&t, &s));
  std::wstring text = kz::FromBstr(s);
  SysFreeString(s);
  g->Release();
  ASSERT_EQ(text.size(), 38u);
  EXPECT_TRUE(IsGuidBody(text.substr(1, 36)));
  // Creation by programmatic identifier does not depend on letter case.
  EXPECT_HRESULT_SUCCEEDED(TryCreate(L"KELZUD10.CLSKELZUDGUIDA"));
}

TEST(Md5, MatchesTheRfc1321TestSuite) {
  const struct { const wchar_t* text; const wchar_t* digest; } cases[] = {
      {L"", L"d41d8cd98f00b204e9800998ecf8427e"},
      {L"a", L"0cc175b9c0f1b6a831c399e269772661"},
      {L"abc", L"900150983cd24fb0d6963f7d28e17f72"},
      {L"message digest", L"f96b697d7cb7938d525a2f31aaf161d0"},
      {L"abcdefghijklmnopqrstuvwxyz", L"c3fcd3d76192e4007dfb496cca67e13b"},
      {L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", L"d174ab98d277d9f5a5611c2c9f419d9f"},
      {L"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       L"57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const auto& c : cases) EXPECT_EQ(Md5Of(c.text), c.digest) << kz::ToAnsi(c.text);
}

TEST(Md5, AgreesWithThePlatformAcrossBlockBoundariesAndLongTexts) {
  // Lengths around the padding boundaries and the block size, and one long text.
  for (size_t n : {1u, 55u, 56u, 57u, 63u, 64u, 65u, 119u, 120u, 128u, 1000u, 1u << 20}) {
    std::wstring text(n, L'\0');
    std::string bytes(n, '\0');
    uint32_t x = static_cast<uint32_t>(n) * 2654435761u;
    for (size_t i = 0; i < n; ++i) {
      x = x * 1103515245u + 12345u;
      text[i] = static_cast<wchar_t>(x >> 16);  // any UTF-16 unit, NULs included
      bytes[i] = static_cast<char>(text[i] & 0xFF);
    }
    std::wstring d = kz::Md5::HexOfText(text.data(), text.size());
    EXPECT_EQ(d, PlatformMd5(bytes)) << n;
    EXPECT_EQ(d.size(), 32u);
  }
}

TEST(Md5, CharactersAboveLatin1ContributeTheirLowByte) {
  EXPECT_EQ(Md5Of(L"\u0141"), Md5Of(L"A"));
  EXPECT_EQ(Md5Of(std::wstring(L"a\0b", 3)), PlatformMd5(std::string("a\0b", 3)));
  EXPECT_EQ(Md5Of(L"\u00e9t\u00e9"), PlatformMd5("\xe9t\xe9"));
}

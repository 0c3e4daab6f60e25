// The password text cipher.
#include <string>

#include "crypto/clsKelzudCryptographyB.h"
#include "testkit.h"

using namespace kzt;

namespace {

struct Outcome {
  std::wstring text;
  Var password;  // the caller's password variable afterwards
};

Outcome Cipher(const wchar_t* method, const Var& text, const Var& password) {
  Ptr<IDispatch> o = Create(L"Kelzud10.clsKelzudCryptographyB");
  Outcome out{L"", password};
  Var t = text;
  CallResult r = Call(o.get(), method, {t.get(), out.password.get()});
  EXPECT_EQ(r.error, 0);
  out.text = kz::VarToStr(r.value.get());
  return out;
}

// A password whose character codes (in the ANSI code page) add up to `sum`.
std::wstring PasswordWithSum(int sum) {
  std::string bytes(static_cast<size_t>(sum / 255), '\xff');
  if (sum % 255) bytes += static_cast<char>(sum % 255);
  return kz::FromAnsi(bytes);
}

}  // namespace

TEST(PasswordCipher, WorkedExampleWithKeyFourAndItsInverse) {
  Outcome enc = Cipher(L"CryptSalsana", Var::Str(L"AAAAAA"), Var::Str(L"xx"));  // 120 + 120 = 240
  EXPECT_EQ(enc.text, L"ACFDE?");
  ASSERT_EQ(enc.password.vt(), VT_R8);
  EXPECT_EQ(enc.password.get()->dblVal, 4.0);

  Outcome dec = Cipher(L"DeCryptSalsana", Var::Str(L"ACFDE?"), Var::Str(L"xx{"));  // code sum 363: K = 6
  EXPECT_NE(dec.text, L"AAAAAA");
  dec = Cipher(L"DeCryptSalsana", Var::Str(L"ACFDE?"), Var::Str(PasswordWithSum(299)));
  EXPECT_EQ(dec.text, L"AAAAAA");
  EXPECT_EQ(dec.password.get()->dblVal, 4.0);
}

TEST(PasswordCipher, KeyNumberIsTheCodeSumDividedBySixtyRoundedDown) {
  const struct { int sum; double key; } cases[] = {{0, 0}, {59, 0}, {60, 1}, {3600, 60}, {9600, 160}};
  for (const auto& c : cases) EXPECT_EQ(kz::PasswordCipher::KeyNumber(PasswordWithSum(c.sum)), c.key) << c.sum;
  // At every multiple of 60 up to 300,000 the double-precision formula rounds exactly.
  for (int s = 60; s <= 300000; s += 60) {
    ASSERT_EQ(kz::PasswordCipher::KeyNumber(PasswordWithSum(s)), s / 60) << s;
    ASSERT_EQ(kz::PasswordCipher::KeyNumber(PasswordWithSum(s - 1)), (s - 1) / 60) << s - 1;
  }
}

TEST(PasswordCipher, CodesOutsideAByteDropTheirCharacter) {
  // K = 160: phases 2, 4 and 0 shift capital A below 0.
  Outcome enc = Cipher(L"CryptSalsana", Var::Str(L"AAAAAA"), Var::Str(PasswordWithSum(9600)));
  EXPECT_EQ(enc.text, std::wstring(L"\u00dd\u00e2\u00e1"));  // codes 221, 226, 225
  EXPECT_EQ(enc.password.get()->dblVal, 160.0);
  // The dropped characters cannot come back.
  Outcome dec = Cipher(L"DeCryptSalsana", Var::Str(enc.text), Var::Str(PasswordWithSum(9600)));
  EXPECT_EQ(dec.text.size(), 2u);
}

TEST(PasswordCipher, RoundTripsTextWhoseCodesStayInRange) {
  const std::wstring text = L"The quick brown fox, 0123456789 (\u00e9t\u00e9) \u20ac";
  for (const wchar_t* pw : {L"", L"secret", L"xx"}) {
    Outcome enc = Cipher(L"CryptSalsana", Var::Str(text), Var::Str(pw));
    ASSERT_EQ(enc.text.size(), text.size()) << kz::ToAnsi(pw);
    Outcome dec = Cipher(L"DeCryptSalsana", Var::Str(enc.text), Var::Str(pw));
    EXPECT_EQ(dec.text, text) << kz::ToAnsi(pw);
  }
}

TEST(PasswordCipher, LongTextsAndLongPasswords) {
  std::wstring text(1 << 20, L'm');
  Outcome enc = Cipher(L"CryptSalsana", Var::Str(text), Var::Str(L"xx"));
  ASSERT_EQ(enc.text.size(), text.size());
  EXPECT_EQ(Cipher(L"DeCryptSalsana", Var::Str(enc.text), Var::Str(L"xx")).text, text);
  // A password of a million characters: K = 4,250,000; phases 2, 4 and 0 fall below 0 and
  // phases 1, 3 and 5 above 255, so nothing is left.
  Outcome big = Cipher(L"CryptSalsana", Var::Str(L"AAAAAA"), Var::Str(std::wstring(1000000, L'\u00ff')));
  EXPECT_EQ(big.password.get()->dblVal, 4250000.0);
  EXPECT_EQ(big.text, L"");
}

TEST(PasswordCipher, EmptyTextAndEmptyPassword) {
  Outcome e = Cipher(L"CryptSalsana", Var::Str(L""), Var::Str(L"anything"));
  EXPECT_EQ(e.text, L"");
  Outcome k = Cipher(L"CryptSalsana", Var::Str(L"A"), Var::Str(L""));
  EXPECT_EQ(k.password.get()->dblVal, 0.0);
  EXPECT_EQ(k.text, L"=");  // K = 0, phase 1: 65 + (0 - 5) + 1 = 61
  // A NUL is a character like any other (K = 4 keeps phase 1 codes).
  Outcome n = Cipher(L"CryptSalsana", Var::Str(std::wstring(L"\0B", 2)), Var::Str(L"xx"));
  EXPECT_EQ(n.text, std::wstring(L"\0D", 2));
}

TEST(PasswordCipher, NumbersAndOtherVariantsAreTakenByTheirTextForm) {
  // A number as password: its text "4" has the code sum 52, so K = 0.
  Outcome n = Cipher(L"CryptSalsana", Var::Str(L"A"), Var::Long(4));
  EXPECT_EQ(n.text, L"=");
  EXPECT_EQ(n.password.get()->dblVal, 0.0);
  // A number as text.
  Outcome t = Cipher(L"CryptSalsana", Var::Long(7), Var::Str(L"xx"));
  EXPECT_EQ(t.text, L"7");  // phase 1 with K = 4 keeps the code
  // Null has no text: an empty result, no error; the password still becomes K.
  Var null;
  null.get()->vt = VT_NULL;
  Outcome z = Cipher(L"CryptSalsana", null, Var::Str(L"xx"));
  EXPECT_EQ(z.text, L"");
  EXPECT_EQ(z.password.get()->dblVal, 4.0);
}

TEST(PasswordCipher, ReusingThePasswordVariableDecryptsWithTheTextOfK) {
  Ptr<IDispatch> o = Create(L"Kelzud10.clsKelzudCryptographyB");
  Var text = Var::Str(L"AAAAAA"), pw = Var::Str(L"xx");
  Var enc = Call(o.get(), L"CryptSalsana", {text.get(), pw.get()}).value;
  EXPECT_EQ(pw.get()->dblVal, 4.0);
  Var dec = Call(o.get(), L"DeCryptSalsana", {enc.get(), pw.get()}).value;
  // The second call took "4" (code sum 52, K = 0) as its password.
  EXPECT_EQ(pw.get()->dblVal, 0.0);
  // Worked by hand with K = 0: 65+5-1, 67-4-2, 70+2-3, 68-3-4, 69+5-5, 63-2.
  EXPECT_EQ(kz::VarToStr(dec.get()), L"E=E=E=");
  EXPECT_NE(kz::VarToStr(dec.get()), L"AAAAAA");
}

TEST(PasswordCipher, TypedPasswordVariablesOfVtableCallersGetTheKeyNumber) {
  // The caller's variable takes K in its own type, whatever that type is. Each starts with a
  // value whose text gives K = 4: "xx" (240), "99999" (285), "32767" (265).
  kz::PasswordCipher* c = kz::MakeObject<kz::PasswordCipher>();
  BSTR text_b = SysAllocString(L"xx");
  LONG text_l = 99999;
  SHORT text_s = 32767;
  double text_d = 99999;
  struct Row { VARTYPE vt; void* p; } rows[] = {{VT_BSTR, &text_b}, {VT_I4, &text_l}, {VT_I2, &text_s}, {VT_R8, &text_d}};
  for (const Row& r : rows) {
    Var text = Var::Str(L"AAAAAA");
    VARIANT ref;
    ref.vt = VT_BYREF | r.vt;
    ref.byref = r.p;
    BSTR out = nullptr;
    ASSERT_HRESULT_SUCCEEDED(c->CryptSalsana(text.get(), &ref, &out)) << r.vt;
    SysFreeString(out);
    switch (r.vt) {
      case VT_BSTR: EXPECT_EQ(kz::FromBstr(text_b), L"4"); break;
      case VT_I4: EXPECT_EQ(text_l, 4); break;
      case VT_I2: EXPECT_EQ(text_s, 4); break;
      case VT_R8: EXPECT_EQ(text_d, 4.0); break;
    }
  }
  SysFreeString(text_b);
  c->Release();
}

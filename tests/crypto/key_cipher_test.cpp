// The key-derived block and stream cipher.
#include <string>

#include "crypto/clsKelzudCryptographyC.h"
#include "crypto/cryptoapi.h"
#include "testkit.h"
#include "cipher_refs.h"

using namespace kzt;

namespace {

const long kBlock = 1, kStream = 2;

CallResult Encrypt(const std::wstring& text, const std::wstring& key, bool hex, long type) {
  Ptr<IDispatch> o = Create(L"Kelzud10.clsKelzudCryptographyC");
  Var t = Var::Str(text), k = Var::Str(key), h = Var::Bool(hex), ty = Var::Long(type);
  return Call(o.get(), L"Encrypt", {t.get(), k.get(), h.get(), ty.get()});
}

CallResult Decrypt(const std::wstring& text, const std::wstring& key, bool hex, long type) {
  Ptr<IDispatch> o = Create(L"Kelzud10.clsKelzudCryptographyC");
  Var t = Var::Str(text), k = Var::Str(key), h = Var::Bool(hex), ty = Var::Long(type);
  return Call(o.get(), L"Decrypt", {t.get(), k.get(), h.get(), ty.get()});
}

std::wstring Str(const CallResult& r) {
  EXPECT_EQ(r.error, 0) << kz::ToAnsi(r.description);
  return r.error ? L"" : kz::VarToStr(r.value.get());
}

}  // namespace

TEST(KeyCipher, BlockOutputIsTheNextMultipleOfEightAboveTheLengthStreamOutputTheLength) {
  for (size_t n : {1u, 7u, 8u, 9u, 15u, 16u, 100u}) {
    std::wstring text(n, L'x');
    EXPECT_EQ(Str(Encrypt(text, L"key", false, kBlock)).size(), (n / 8 + 1) * 8) << n;
    EXPECT_EQ(Str(Encrypt(text, L"key", true, kBlock)).size(), 2 * (n / 8 + 1) * 8) << n;
    EXPECT_EQ(Str(Encrypt(text, L"key", false, kStream)).size(), n) << n;
    EXPECT_EQ(Str(Encrypt(text, L"key", true, kStream)).size(), 2 * n) << n;
  }
}

TEST(KeyCipher, StreamCipherIsRc4WithTheFirstFiveBytesOfTheKeysMd5) {
  // The base provider's default RC4 key is 40 bits; without salt those are the whole key.
  const struct { const wchar_t* text; const wchar_t* key; } cases[] = {
      {L"Hello, world", L"secret"}, {L"x", L"k"}, {L"A longer text of some forty characters..", L"p\u00e4ss"}};
  for (const auto& c : cases) {
    std::string key = Md5Bytes(kz::ToAnsi(c.key)).substr(0, 5);
    EXPECT_EQ(Str(Encrypt(c.text, c.key, true, kStream)), Hex(Rc4(key, kz::ToAnsi(c.text)))) << kz::ToAnsi(c.text);
  }
}

TEST(KeyCipher, RoundTripsEveryByteInBothTypesAndForms) {
  const std::wstring text = kz::FromAnsi(AllBytes());
  ASSERT_EQ(text.size(), 256u);
  for (long type : {kBlock, kStream}) {
    for (bool hex : {false, true}) {
      std::wstring c = Str(Encrypt(text, L"pass word", hex, type));
      EXPECT_EQ(Str(Decrypt(c, L"pass word", hex, type)), text) << type << hex;
    }
  }
  // A long text (a megabyte) goes through whole.
  std::wstring big(1 << 20, L'q');
  big[777] = L'\0';
  EXPECT_EQ(Str(Decrypt(Str(Encrypt(big, L"k", true, kBlock)), L"k", true, kBlock)), big);
  // Hex output uses upper-case digits only.
  std::wstring h = Str(Encrypt(text, L"k", true, kBlock));
  EXPECT_EQ(h.find_first_not_of(L"0123456789ABCDEF"), std::wstring::npos);
}

TEST(KeyCipher, ChecksRaiseTheirOwnNumbersAndSources) {
  const struct {
    bool encrypt;
    std::wstring text, key;
    bool hex;
    long type;
    long number;
    const wchar_t* source;
  } cases[] = {
      {true, L"", L"", false, 0, quilErrorBadEncryptionType, L"cyKELZUDCryptography.Encrypt"},
      {true, L"", L"k", false, 3, quilErrorBadEncryptionType, L"cyKELZUDCryptography.Encrypt"},
      {false, L"", L"", false, 0, quilErrorBadEncryptionType, L"cyKELZUDCryptography.Decrypt"},
      {true, L"", L"k", false, 1, quilErrorMissingParameter, L"cyKELZUDCryptography.Encrypt"},
      {true, L"t", L"", false, 2, quilErrorMissingParameter, L"cyKELZUDCryptography.Encrypt"},
      {false, L"t", L"", false, 1, quilErrorMissingParameter, L"cyKELZUDCryptography.Decrypt"},
      {false, L"0a", L"k", true, 2, quilErrorInvalidHexString, L"cyKELZUDCryptography.ConvertStringFromHex"},
      {false, L"0A0", L"k", true, 2, quilErrorInvalidHexString, L"cyKELZUDCryptography.ConvertStringFromHex"},
      {false, L"0G", L"k", true, 2, quilErrorInvalidHexString, L"cyKELZUDCryptography.ConvertStringFromHex"},
      {false, L"0 ", L"k", true, 2, quilErrorInvalidHexString, L"cyKELZUDCryptography.ConvertStringFromHex"},
      // Five bytes are no whole block.
      {false, L"0A0B0C0D0E", L"k", true, 1, quilErrorDecryptingData, L"cyKELZUDCryptography.EncryptDecrypt"},
  };
  // Each error number has its own text.
  auto description = [](long number) -> std::wstring {
    switch (number) {
      case quilErrorBadEncryptionType: return L"Invalid encryption type specified";
      case quilErrorMissingParameter: return L"Both a string and a key are required";
      case quilErrorInvalidHexString: return L"Not a valid hex string";
      case quilErrorDecryptingData: return L"Could not decrypt data";
    }
    return L"?";
  };
  for (const auto& c : cases) {
    CallResult r = c.encrypt ? Encrypt(c.text, c.key, c.hex, c.type) : Decrypt(c.text, c.key, c.hex, c.type);
    EXPECT_EQ(r.error, c.number) << kz::ToAnsi(c.text);
    EXPECT_EQ(r.source, c.source) << kz::ToAnsi(c.text);
    EXPECT_EQ(r.description, description(c.number)) << kz::ToAnsi(c.text);
  }
  // The valid form of the same text passes the hex check.
  EXPECT_EQ(Str(Decrypt(L"0A", L"k", true, kStream)).size(), 1u);
}

TEST(KeyCipher, WrongKeysFailTheBlockPaddingAndGarbleTheStream) {
  std::wstring c = Str(Encrypt(L"attack at dawn", L"right", true, kBlock));
  CallResult r = Decrypt(c, L"wrong", true, kBlock);
  EXPECT_EQ(r.error, quilErrorDecryptingData);
  EXPECT_EQ(r.source, L"cyKELZUDCryptography.EncryptDecrypt");
  EXPECT_EQ(r.description, L"Could not decrypt data");

  std::wstring s = Str(Encrypt(L"attack at dawn", L"right", true, kStream));
  CallResult w = Decrypt(s, L"wrong", true, kStream);
  EXPECT_EQ(w.error, 0);
  EXPECT_NE(kz::VarToStr(w.value.get()), L"attack at dawn");
  EXPECT_EQ(kz::VarToStr(w.value.get()).size(), 14u);
}

TEST(KeyCipher, DefaultsAreRawTextAndTheBlockCipher) {
  Ptr<IDispatch> o = Create(L"Kelzud10.clsKelzudCryptographyC");
  Var t = Var::Str(L"hello"), k = Var::Str(L"k");
  CallResult e = Call(o.get(), L"Encrypt", {t.get(), k.get()});
  ASSERT_EQ(e.error, 0);
  EXPECT_EQ(kz::VarToStr(e.value.get()).size(), 8u);
  Var c = e.value;
  CallResult d = Call(o.get(), L"Decrypt", {c.get(), k.get()});
  EXPECT_EQ(kz::VarToStr(d.value.get()), L"hello");
}

TEST(KeyCipher, CreationFailsWithTheContextErrorWhenNoProviderAnswers) {
  IDispatch* d = reinterpret_cast<IDispatch*>(1);
  HRESULT hr = kz::KeyCipher::Create("No Such Provider v0.0", IID_IDispatch, reinterpret_cast<void**>(&d));
  EXPECT_EQ(hr, static_cast<HRESULT>(quilErrorAquiringContext));
  EXPECT_EQ(d, nullptr);
  IErrorInfo* ei = nullptr;
  ASSERT_EQ(GetErrorInfo(0, &ei), S_OK);
  BSTR src = nullptr, desc = nullptr;
  ei->GetSource(&src);
  ei->GetDescription(&desc);
  EXPECT_EQ(kz::FromBstr(src), L"cyKELZUDCryptography.Class_Initialize");
  EXPECT_EQ(kz::FromBstr(desc), L"Could not acquire context");
  SysFreeString(src);
  SysFreeString(desc);
  ei->Release();
}

TEST(KeyCipher, EveryCallReleasesItsKey) {
  // An object of this module (the table of live keys is per module).
  _clsKelzudCryptographyC* c = nullptr;
  ASSERT_HRESULT_SUCCEEDED(kz::KeyCipher::Create("Microsoft Base Cryptographic Provider v1.0",
                                                 IID__clsKelzudCryptographyC, reinterpret_cast<void**>(&c)));
  size_t before = kz::crypt::LiveKeyCount();
  BSTR text = SysAllocString(L"text"), key = SysAllocString(L"key"), bad = SysAllocString(L"00"), out = nullptr;
  VARIANT_BOOL hex = VARIANT_TRUE;
  quilCryptoEncryptionType block = quilBlockEncryption, stream = quilStreamEncryption;
  EXPECT_HRESULT_SUCCEEDED(c->Encrypt(&text, &key, &hex, &block, &out));
  SysFreeString(out);
  out = nullptr;
  EXPECT_EQ(c->Decrypt(&bad, &key, &hex, &block, &out), static_cast<HRESULT>(quilErrorDecryptingData));
  EXPECT_HRESULT_SUCCEEDED(c->Encrypt(&text, &key, &hex, &stream, &out));
  SysFreeString(out);
  EXPECT_EQ(kz::crypt::LiveKeyCount(), before);
  SysFreeString(text);
  SysFreeString(key);
  SysFreeString(bad);
  c->Release();
}

// The provider cipher suite: the method table, string encryption in both conversions, the
// hex rules, the key handles it leaves, and the inert members.
#include <string>
#include <vector>

#include "crypto/clsKelzudCryptographyA.h"
#include "crypto/cryptoapi.h"
#include "com/latebound.h"
#include "testkit.h"
#include "cipher_refs.h"

using namespace kzt;

namespace {

const wchar_t kBase[] = L"Microsoft Base Cryptographic Provider v1.0";
const wchar_t kEnh[] = L"Microsoft Enhanced Cryptographic Provider v1.0";

// The method table as the type library documents it: provider, hash id, cipher id.
const struct Row {
  const wchar_t* provider;
  long hash, cipher;
} kRows[25] = {
    {kBase, 32769, 26114}, {kBase, 32769, 26625}, {kBase, 32769, 26113}, {kBase, 32770, 26114},
    {kBase, 32771, 26114}, {kBase, 32771, 26625}, {kBase, 32771, 26113}, {kBase, 32772, 26114},
    {kBase, 32772, 26625}, {kBase, 32772, 26113}, {kEnh, 32769, 26114},  {kEnh, 32769, 26625},
    {kEnh, 32769, 26113},  {kEnh, 32769, 26115},  {kEnh, 32770, 26114},  {kEnh, 32770, 26625},
    {kEnh, 32770, 26115},  {kEnh, 32770, 26121},  {kEnh, 32771, 26114},  {kEnh, 32771, 26625},
    {kEnh, 32771, 26115},  {kEnh, 32771, 26121},  {kEnh, 32772, 26114},  {kEnh, 32772, 26625},
    {kEnh, 32772, 26121},
};

bool IsStream(long cipher) { return cipher == 26625; }

class Suite {
 public:
  Suite() : o_(Create(L"Kelzud10.clsKelzudCryptographyA")) {}
  IDispatch* get() { return o_.get(); }
  // StringCryptography with every argument given (a missing Var leaves one out).
  CallResult String(Var type, Var text, Var password, Var method, Var conversion) {
    return Call(o_.get(), L"StringCryptography", {type.get(), text.get(), password.get(), method.get(), conversion.get()});
  }
  std::wstring Str(long type, const std::wstring& text, const std::wstring& pw, long method, long conversion) {
    CallResult r = String(Var::Long(type), Var::Str(text), Var::Str(pw), Var::Long(method), Var::Long(conversion));
    EXPECT_EQ(r.error, 0) << kz::ToAnsi(r.description);
    return r.error ? L"<error>" : kz::VarToStr(r.value.get());
  }
  Var Get(const wchar_t* name) { return kz::GetProp(o_.get(), name); }
  long Long(const wchar_t* name) { return kz::VarToLong(Get(name).get()); }
  std::wstring Text(const wchar_t* name) { return kz::VarToStr(Get(name).get()); }

 private:
  Ptr<IDispatch> o_;
};

std::string Sha1Bytes(const std::string& data) {
  HCRYPTPROV prov = 0;
  HCRYPTHASH hash = 0;
  CryptAcquireContextW(&prov, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT);
  CryptCreateHash(prov, CALG_SHA, 0, 0, &hash);
  CryptHashData(hash, reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()), 0);
  BYTE d[20];
  DWORD n = 20;
  CryptGetHashParam(hash, HP_HASHVAL, d, &n, 0);
  CryptDestroyHash(hash);
  CryptReleaseContext(prov, 0);
  return std::string(reinterpret_cast<const char*>(d), 20);
}

}  // namespace

TEST(ProviderCipher, EveryMethodRoundTripsInBothConversionsAndSetsItsRow) {
  const std::wstring text = kz::FromAnsi(AllBytes());  // every byte value, NUL included
  Suite s;
  for (long m = 0; m < 25; ++m) {
    SCOPED_TRACE(m);
    for (long conv : {0L, 1L}) {
      std::wstring enc = s.Str(0, text, L"pass", m, conv);
      size_t bytes = IsStream(kRows[m].cipher) ? text.size() : (text.size() / 8 + 1) * 8;
      EXPECT_EQ(enc.size(), conv ? 2 * bytes : bytes);
      EXPECT_EQ(s.Str(1, enc, L"pass", m, conv), text);
      EXPECT_EQ(s.Text(L"OutBuffer"), text);
    }
    EXPECT_EQ(s.Text(L"sProvider"), std::wstring(kRows[m].provider) + L'\0');
    EXPECT_EQ(s.Long(L"m_Hash_Algorithm"), kRows[m].hash);
    EXPECT_EQ(s.Long(L"m_EncDec_Algorithm"), kRows[m].cipher);
    EXPECT_NE(s.Long(L"m_CSP_Provider"), 0);
    EXPECT_NE(s.Long(L"lHSessionKey"), 0);
  }
}

TEST(ProviderCipher, StreamMethodsAreRc4UnderTheDocumentedKeyDerivation) {
  // Base provider: 40-bit key padded with 11 zero bytes of salt; enhanced: 128 bits of the hash.
  const std::string pw = "password", plain = "Hello world, this is RC4!";
  const std::string salt(11, '\0');
  const struct { long method; std::string key; } cases[] = {
      {5, Md5Bytes(pw).substr(0, 5) + salt},
      {8, Sha1Bytes(pw).substr(0, 5) + salt},
      {19, Md5Bytes(pw)},
      {23, Sha1Bytes(pw).substr(0, 16)},
  };
  Suite s;
  for (const auto& c : cases) {
    EXPECT_EQ(s.Str(0, kz::FromAnsi(plain), kz::FromAnsi(pw), c.method, 1), Hex(Rc4(c.key, plain))) << c.method;
  }
}

TEST(ProviderCipher, EmptyTextGivesOnePaddingBlockOrNothing) {
  Suite s;
  EXPECT_EQ(s.Str(0, L"", L"pw", 0, 1).size(), 16u);
  EXPECT_EQ(s.Str(0, L"", L"pw", 21, 1).size(), 16u);
  EXPECT_EQ(s.Str(0, L"", L"pw", 19, 1), L"");
  // Decrypting nothing: a block cipher has no block to check, a stream cipher gives nothing.
  EXPECT_EQ(s.Str(1, L"", L"pw", 0, 1), L"");
  EXPECT_EQ(s.Str(1, L"", L"pw", 19, 1), L"");
}

TEST(ProviderCipher, DefaultsAreMethodZeroAndHexOutput) {
  Suite s;
  CallResult r = s.String(Var::Missing(), Var::Str(L"abc"), Var::Missing(), Var::Missing(), Var::Missing());
  ASSERT_EQ(r.error, 0);
  std::wstring enc = kz::VarToStr(r.value.get());
  EXPECT_EQ(enc, s.Str(0, L"abc", L"", 0, 1));
  EXPECT_EQ(enc.size(), 16u);
  EXPECT_EQ(s.Long(L"m_EncDec_Algorithm"), 26114);
  EXPECT_EQ(s.Text(L"s_DataValue"), L"abc");
  EXPECT_EQ(s.Text(L"m_EncDec_Password"), L"");
}

TEST(ProviderCipher, AMethodOutsideTheTableKeepsThePreviousRow) {
  Suite fresh;
  EXPECT_EQ(fresh.Str(0, L"abc", L"pw", 25, 1), L"");
  EXPECT_EQ(fresh.Str(0, L"abc", L"pw", -1, 1), L"");
  EXPECT_EQ(fresh.Text(L"sProvider"), L"");
  EXPECT_EQ(fresh.Long(L"m_Hash_Algorithm"), 0);
  EXPECT_EQ(fresh.Long(L"lHSessionKey"), 0);

  Suite used;
  std::wstring rc4 = used.Str(0, L"abc", L"pw", 5, 1);
  EXPECT_EQ(used.Str(0, L"abc", L"pw", 99, 1), rc4);
  EXPECT_EQ(used.Long(L"m_EncDec_Algorithm"), 26625);
}

TEST(ProviderCipher, HexRulesUpperCaseOutLowerCaseAndOddLengthIn) {
  Suite s;
  std::wstring enc = s.Str(0, L"some text", L"pw", 19, 1);
  EXPECT_EQ(enc.find_first_not_of(L"0123456789ABCDEF"), std::wstring::npos);
  EXPECT_EQ(s.Str(1, kz::LowerCase(enc), L"pw", 19, 1), L"some text");
  // An odd last digit is a byte of its own: "ABC" reads as AB 0C.
  EXPECT_EQ(s.Str(1, L"ABC", L"pw", 19, 1), s.Str(1, L"AB0C", L"pw", 19, 1));
  EXPECT_EQ(s.Str(1, L"ABC", L"pw", 19, 1).size(), 2u);
  // Not hexadecimal: type mismatch.
  for (const wchar_t* bad : {L"ZZ", L"0G", L"1 ", L"-1"}) {
    CallResult r = s.String(Var::Long(1), Var::Str(bad), Var::Str(L"pw"), Var::Long(19), Var::Long(1));
    EXPECT_EQ(r.error, 13) << kz::ToAnsi(bad);
  }
}

TEST(ProviderCipher, WrongPasswordsFailBlockCiphersAndGarbleStreamCiphers) {
  Suite s;
  std::wstring block = s.Str(0, L"attack at dawn", L"right", 21, 1);
  EXPECT_EQ(s.Str(1, block, L"wrong", 21, 1), L"");
  std::wstring stream = s.Str(0, L"attack at dawn", L"right", 19, 1);
  std::wstring garbled = s.Str(1, stream, L"wrong", 19, 1);
  EXPECT_EQ(garbled.size(), 14u);
  EXPECT_NE(garbled, L"attack at dawn");
  // Any other type gives nothing.
  EXPECT_EQ(s.Str(2, L"x", L"pw", 19, 1), L"");
}

TEST(ProviderCipher, TheKeyOfTheLastCallServesDoEncryptAndDoDecrypt) {
  Suite s;
  std::wstring hex = s.Str(0, L"first", L"pw", 18, 1);
  Var key = s.Get(L"lHSessionKey");
  Var data = Var::Str(L"first");
  CallResult e = Call(s.get(), L"DoEncryptString", {key.get(), data.get()});
  ASSERT_EQ(e.error, 0);
  std::wstring raw = kz::VarToStr(e.value.get());
  EXPECT_EQ(Hex(kz::ToAnsi(raw)), hex);
  EXPECT_EQ(s.Text(L"InBuffer"), L"first");
  EXPECT_EQ(s.Text(L"m_sInBuffer"), L"first");
  EXPECT_EQ(s.Text(L"OutBuffer"), L"");  // encryption leaves it alone
  Var c = e.value;
  CallResult d = Call(s.get(), L"DoDecryptString", {key.get(), c.get()});
  EXPECT_EQ(kz::VarToStr(d.value.get()), L"first");
  EXPECT_EQ(s.Text(L"OutBuffer"), L"first");
  EXPECT_EQ(s.Text(L"m_sOutBuffer"), L"first");
  // A failed decryption leaves OutBuffer as it was.
  Var junk = Var::Str(L"12345678");
  EXPECT_EQ(kz::VarToStr(Call(s.get(), L"DoDecryptString", {key.get(), junk.get()}).value.get()), L"");
  EXPECT_EQ(s.Text(L"OutBuffer"), L"first");
  // The Variant's text form is encrypted: a number is its digits.
  Var num = Var::Long(42), digits = Var::Str(L"42");
  EXPECT_EQ(kz::VarToStr(Call(s.get(), L"DoEncryptString", {key.get(), num.get()}).value.get()),
            kz::VarToStr(Call(s.get(), L"DoEncryptString", {key.get(), digits.get()}).value.get()));
  Var null;
  null.get()->vt = VT_NULL;
  EXPECT_EQ(Call(s.get(), L"DoEncryptString", {key.get(), null.get()}).error, 94);
}

TEST(ProviderCipher, KeyHandlesThatAreNotLiveKeysGiveEmptyResults) {
  Suite s;
  s.Str(0, L"x", L"pw", 5, 1);
  Var old_key = s.Get(L"lHSessionKey");
  // The next call releases that key; with a provider that does not exist it gets no other.
  kz::PutProp(s.get(), L"sProvider", Var::Str(L"No Such Provider"));
  EXPECT_EQ(s.Str(0, L"x", L"pw", -1, 1), L"");
  EXPECT_EQ(s.Long(L"m_CSP_Provider"), 0);
  EXPECT_EQ(s.Long(L"lHSessionKey"), 0);
  for (Var key : {old_key, Var::Long(0), Var::Long(12345), Var::Long(-1)}) {
    Var data = Var::Str(L"text");
    CallResult e = Call(s.get(), L"DoEncryptString", {key.get(), data.get()});
    EXPECT_EQ(e.error, 0);
    EXPECT_EQ(kz::VarToStr(e.value.get()), L"");
    CallResult d = Call(s.get(), L"DoDecryptString", {key.get(), data.get()});
    EXPECT_EQ(kz::VarToStr(d.value.get()), L"");
  }
}

TEST(ProviderCipher, TheObjectReleasesTheKeysItAcquired) {
  size_t before = kz::crypt::LiveKeyCount();
  kz::ProviderCipherSuite* s = kz::MakeObject<kz::ProviderCipherSuite>();
  s->StringCipher(0, L"a", L"pw", 0, 1);
  EXPECT_EQ(kz::crypt::LiveKeyCount(), before + 1);
  for (long m = 0; m < 25; ++m) s->StringCipher(0, L"a", L"pw", m, 1);
  EXPECT_EQ(kz::crypt::LiveKeyCount(), before + 1);  // each call replaced the previous key
  s->StringCipher(0, L"a", L"pw", 0, 1);
  s->Release();
  EXPECT_EQ(kz::crypt::LiveKeyCount(), before);
}

TEST(ProviderCipher, TextOutsideTheCodePageAndLongTexts) {
  Suite s;
  // A character the ANSI code page lacks goes through as its default character.
  std::wstring enc = s.Str(0, L"\u4e00", L"pw", 21, 1);
  EXPECT_EQ(s.Str(1, enc, L"pw", 21, 1), L"?");
  std::wstring big(1 << 20, L'z');
  big[12345] = L'\0';
  EXPECT_EQ(s.Str(1, s.Str(0, big, L"pw", 21, 0), L"pw", 21, 0), big);
  EXPECT_EQ(s.Str(1, s.Str(0, big, std::wstring(5000, L'p'), 10, 1), std::wstring(5000, L'p'), 10, 1), big);
}

TEST(ProviderCipher, InertMembersAndMemberCount) {
  Suite s;
  Var csps = kz::GetProp(s.get(), L"EnumCSPs");
  EXPECT_EQ(csps.vt(), VT_DISPATCH);
  EXPECT_EQ(csps.get()->pdispVal, nullptr);
  EXPECT_EQ(kz::GetProp(s.get(), L"EnumCSPTypes").get()->pdispVal, nullptr);
  Var a = Var::Str(L"x"), b = Var::Str(L"1");
  EXPECT_EQ(kz::VarToLong(Call(s.get(), L"SetCSP", {a.get(), b.get()}).value.get()), 0);
  EXPECT_EQ(s.Text(L"sProvider"), L"");

  ITypeInfo* ti = nullptr;
  ASSERT_HRESULT_SUCCEEDED(s.get()->GetTypeInfo(0, 0, &ti));
  ITypeInfo* vt = nullptr;
  HREFTYPE h;
  ASSERT_HRESULT_SUCCEEDED(ti->GetRefTypeOfImplType(-1, &h));
  ASSERT_HRESULT_SUCCEEDED(ti->GetRefTypeInfo(h, &vt));
  TYPEATTR* ta = nullptr;
  vt->GetTypeAttr(&ta);
  EXPECT_EQ(ta->cFuncs, 30);
  vt->ReleaseTypeAttr(ta);
  vt->Release();
  ti->Release();
}

namespace {
bool UnderWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }
}  // namespace

TEST(ProviderCipher, CreatesTheDefaultKeyContainerWhenItIsMissing) {
  // Deleting the user's default key container is only done in the test prefix of Wine.
  if (!UnderWine()) GTEST_SKIP() << "would delete the user's default key container";
  for (const char* p : {"Microsoft Base Cryptographic Provider v1.0", "Microsoft Enhanced Cryptographic Provider v1.0"}) {
    HCRYPTPROV h = 0;
    CryptAcquireContextA(&h, nullptr, p, PROV_RSA_FULL, CRYPT_DELETEKEYSET);
    ASSERT_FALSE(CryptAcquireContextA(&h, nullptr, p, PROV_RSA_FULL, 0)) << p;
  }
  Suite s;
  for (long m : {0L, 21L}) {
    std::wstring enc = s.Str(0, L"text", L"pw", m, 1);
    EXPECT_EQ(enc.size(), 16u) << m;
    EXPECT_NE(s.Long(L"m_CSP_Provider"), 0) << m;
    EXPECT_EQ(s.Str(1, enc, L"pw", m, 1), L"text") << m;
  }
  for (const char* p : {"Microsoft Base Cryptographic Provider v1.0", "Microsoft Enhanced Cryptographic Provider v1.0"}) {
    HCRYPTPROV h = 0;
    EXPECT_TRUE(CryptAcquireContextA(&h, nullptr, p, PROV_RSA_FULL, 0)) << p;
    if (h) CryptReleaseContext(h, 0);
  }
}

// A key number kept after its key was replaced names nothing, even where the platform gives
// the next key the same handle: the number of the old key is refused, not sent to the new one.
TEST(ProviderCipher, AnOldKeyNumberNeverReachesANewerKey) {
  Suite s;
  s.Str(0, L"x", L"pw", 5, 1);
  Var first = s.Get(L"lHSessionKey");
  s.Str(0, L"", L"pw2", 19, 1);
  Var second = s.Get(L"lHSessionKey");
  EXPECT_NE(kz::VarToLong(first.get()), kz::VarToLong(second.get()));
  Var data = Var::Str(L"secret");
  EXPECT_EQ(kz::VarToStr(Call(s.get(), L"DoEncryptString", {first.get(), data.get()}).value.get()), L"");
  EXPECT_NE(kz::VarToStr(Call(s.get(), L"DoEncryptString", {second.get(), data.get()}).value.get()), L"");
}

namespace {

// Keeps the low 4 GiB of the address space and of the process heap busy, so that what the
// platform allocates next (CryptoAPI handles among it) lies above 4 GiB.
class LowMemoryTaken {
 public:
  LowMemoryTaken() {
    // (All of a 32-bit address space, where the test does not run.)
    constexpr ULONG_PTR kLimit = sizeof(void*) == 8 ? static_cast<ULONG_PTR>(1ull << 32) : static_cast<ULONG_PTR>(-1);
    MEMORY_BASIC_INFORMATION mi;
    for (ULONG_PTR a = 0x10000; a < kLimit && VirtualQuery(reinterpret_cast<void*>(a), &mi, sizeof mi);
         a = reinterpret_cast<ULONG_PTR>(mi.BaseAddress) + mi.RegionSize) {
      if (mi.State != MEM_FREE) continue;
      SIZE_T size = mi.RegionSize;
      if (reinterpret_cast<ULONG_PTR>(mi.BaseAddress) + size > kLimit) size = kLimit - reinterpret_cast<ULONG_PTR>(mi.BaseAddress);
      if (void* p = VirtualAlloc(mi.BaseAddress, size, MEM_RESERVE, PAGE_NOACCESS)) reserved_.push_back(p);
    }
    // The heap's own free space in low memory, largest pieces first.
    HANDLE heap = GetProcessHeap();
    for (SIZE_T size : {SIZE_T(1) << 16, SIZE_T(4096), SIZE_T(256), SIZE_T(16)}) {
      for (int i = 0; i < 2000000; ++i) {
        void* p = HeapAlloc(heap, 0, size);
        if (!p) break;
        if (reinterpret_cast<ULONG_PTR>(p) >= kLimit) {
          HeapFree(heap, 0, p);
          break;
        }
        blocks_.push_back(p);
      }
    }
  }
  ~LowMemoryTaken() {
    for (void* p : blocks_) HeapFree(GetProcessHeap(), 0, p);
    for (void* p : reserved_) VirtualFree(p, 0, MEM_RELEASE);
  }

 private:
  std::vector<void*> reserved_, blocks_;
};

}  // namespace

// On 64-bit Windows a CryptoAPI key handle is a heap address, which may lie above 4 GiB: the
// object keeps the handle whole and gives the caller a number for it.
TEST(ProviderCipher, KeyHandlesAbove4GiBStillWork) {
  if (sizeof(void*) < 8) GTEST_SKIP() << "no addresses above 4 GiB in a 32-bit process";
  LowMemoryTaken taken;
  HCRYPTPROV prov = 0;
  HCRYPTHASH hash = 0;
  HCRYPTKEY probe = 0;
  ASSERT_TRUE(CryptAcquireContextW(&prov, nullptr, kEnh, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT));
  ASSERT_TRUE(CryptCreateHash(prov, CALG_MD5, 0, 0, &hash));
  ASSERT_TRUE(CryptHashData(hash, reinterpret_cast<const BYTE*>("pw"), 2, 0));
  ASSERT_TRUE(CryptDeriveKey(prov, CALG_RC4, hash, 0, &probe));
  ULONG_PTR where = probe;
  CryptDestroyKey(probe);
  CryptDestroyHash(hash);
  CryptReleaseContext(prov, 0);
  if (where <= 0xFFFFFFFFull) GTEST_SKIP() << "the platform's key handles stayed below 4 GiB";

  Suite s;
  std::wstring hex = s.Str(0, L"a secret", L"pw", 21, 1);
  EXPECT_EQ(hex.size(), 32u);  // two blocks of 3DES, in hex
  EXPECT_EQ(s.Str(1, hex, L"pw", 21, 1), L"a secret");
  long number = s.Long(L"lHSessionKey");
  EXPECT_GT(number, 0);
  EXPECT_NE(s.Long(L"m_CSP_Provider"), 0);
  Var key = Var::Long(number), data = Var::Str(L"more");
  EXPECT_NE(kz::VarToStr(Call(s.get(), L"DoEncryptString", {key.get(), data.get()}).value.get()), L"");
}

// DoEncryptString takes the text form of its data: Nothing is no object (91), an object
// without a default value has no text (13), Null is 94; each with its description.
TEST(ProviderCipher, DoEncryptStringOfAnObjectOrNothingRaisesAStandardError) {
  Suite s;
  s.Str(0, L"x", L"pw", 5, 1);
  Var key = s.Get(L"lHSessionKey");
  Var nothing = Var::Object(nullptr), object = Var::Object(s.get()), null;
  null.get()->vt = VT_NULL;
  const struct { Var data; long error; } cases[] = {{nothing, 91}, {object, 13}, {null, 94}};
  for (const auto& c : cases) {
    // By reference (a script's variable) and by value (a literal such as Nothing).
    Var data = c.data;
    CallResult r = Call(s.get(), L"DoEncryptString", {key.get(), data.get()});
    EXPECT_EQ(r.error, c.error);
    EXPECT_FALSE(r.description.empty()) << c.error;
    try {
      kz::CallByName(s.get(), L"DoEncryptString", DISPATCH_METHOD, std::vector<Var>{key, c.data});
      ADD_FAILURE() << "no error by value, expected " << c.error;
    } catch (const kz::Error& e) {
      EXPECT_EQ(e.number(), c.error);
      EXPECT_FALSE(e.description().empty()) << c.error;
    }
  }
  Var text = Var::Str(L"still works");
  EXPECT_NE(kz::VarToStr(Call(s.get(), L"DoEncryptString", {key.get(), text.get()}).value.get()), L"");
}

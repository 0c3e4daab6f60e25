#include "crypto/clsKelzudCryptographyA.h"

#include "crypto/ansi.h"
#include "crypto/filecipher.h"
#include "frame/catalogue.h"
#include "frame/kz.h"
#include "com/variant.h"
#include "base/text.h"

namespace kz {
namespace {

const wchar_t kBase[] = L"Microsoft Base Cryptographic Provider v1.0";
const wchar_t kEnhanced[] = L"Microsoft Enhanced Cryptographic Provider v1.0";

struct Method {
  const wchar_t* provider;
  long hash;
  long cipher;
};

const Method kMethods[25] = {
    {kBase, CALG_MD2, CALG_RC2},     {kBase, CALG_MD2, CALG_RC4},         {kBase, CALG_MD2, CALG_DES},
    {kBase, CALG_MD4, CALG_RC2},     {kBase, CALG_MD5, CALG_RC2},         {kBase, CALG_MD5, CALG_RC4},
    {kBase, CALG_MD5, CALG_DES},     {kBase, CALG_SHA, CALG_RC2},         {kBase, CALG_SHA, CALG_RC4},
    {kBase, CALG_SHA, CALG_DES},     {kEnhanced, CALG_MD2, CALG_RC2},     {kEnhanced, CALG_MD2, CALG_RC4},
    {kEnhanced, CALG_MD2, CALG_DES}, {kEnhanced, CALG_MD2, CALG_3DES},    {kEnhanced, CALG_MD4, CALG_RC2},
    {kEnhanced, CALG_MD4, CALG_RC4}, {kEnhanced, CALG_MD4, CALG_3DES},    {kEnhanced, CALG_MD4, CALG_3DES_112},
    {kEnhanced, CALG_MD5, CALG_RC2}, {kEnhanced, CALG_MD5, CALG_RC4},     {kEnhanced, CALG_MD5, CALG_3DES},
    {kEnhanced, CALG_MD5, CALG_3DES_112}, {kEnhanced, CALG_SHA, CALG_RC2}, {kEnhanced, CALG_SHA, CALG_RC4},
    {kEnhanced, CALG_SHA, CALG_3DES_112},
};

std::wstring Text(BSTR* b) { return b ? FromBstr(*b) : std::wstring(); }

int HexValue(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  return -1;
}

}  // namespace

// ---- behaviour -------------------------------------------------------------------------------

void ProviderCipherSuite::ApplyMethod(long method) {
  if (method < 0 || method > 24) return;  // no row: the fields keep their values
  provider_ = std::wstring(kMethods[method].provider) + L'\0';
  hash_algorithm_ = kMethods[method].hash;
  cipher_algorithm_ = kMethods[method].cipher;
}

void ProviderCipherSuite::AcquireAndDerive() {
  key_.Reset();  // before its context
  context_.Reset();
  csp_ = session_key_ = 0;
  std::string provider = ToAnsi(provider_);  // ends at the NUL the method row puts after the name
  if (!context_.Acquire(nullptr, provider.c_str(), PROV_RSA_FULL, 0))
    context_.Acquire(nullptr, provider.c_str(), PROV_RSA_FULL, CRYPT_NEWKEYSET);  // creates the default container
  csp_ = context_.number();
  if (!context_.get()) return;
  crypt::Hash hash;
  if (!CryptCreateHash(context_.get(), static_cast<ALG_ID>(hash_algorithm_), 0, 0, hash.out())) return;
  std::string pw = AnsiBytes(password_);
  if (!CryptHashData(hash.get(), reinterpret_cast<const BYTE*>(pw.data()), static_cast<DWORD>(pw.size()), 0)) return;
  session_key_ = key_.Derive(context_.get(), static_cast<ALG_ID>(cipher_algorithm_), hash.get(), 0);
}

std::string ProviderCipherSuite::FromHex(const std::wstring& hex) {
  std::string out;
  out.reserve(hex.size() / 2 + 1);
  for (size_t i = 0; i < hex.size(); i += 2) {
    int hi = HexValue(hex[i]);
    int lo = i + 1 < hex.size() ? HexValue(hex[i + 1]) : 0;
    if (hi < 0 || lo < 0) throw Error(kErrTypeMismatch);
    out.push_back(static_cast<char>(i + 1 < hex.size() ? hi * 16 + lo : hi));
  }
  return out;
}

std::wstring ProviderCipherSuite::EncryptString(long key, const std::wstring& text) {
  in_buffer_ = text;
  std::string buf = AnsiBytes(text);
  DWORD len = static_cast<DWORD>(buf.size()), needed = len;
  if (!crypt::Encrypt(key, true, nullptr, &needed, len)) return std::wstring();
  buf.resize(needed, ' ');
  if (!crypt::Encrypt(key, true, reinterpret_cast<BYTE*>(&buf[0]), &len, needed)) return std::wstring();
  return AnsiChars(buf.data(), len);
}

std::wstring ProviderCipherSuite::DecryptString(long key, const std::wstring& text) {
  in_buffer_ = text;
  std::string buf = AnsiBytes(text);
  DWORD len = static_cast<DWORD>(buf.size());
  if (!crypt::Decrypt(key, true, reinterpret_cast<BYTE*>(&buf[0]), &len)) return std::wstring();
  out_buffer_ = AnsiChars(buf.data(), len);
  return out_buffer_;
}

std::wstring ProviderCipherSuite::StringCipher(long type, const std::wstring& source, const std::wstring& password,
                                               long method, long conversion) {
  data_value_ = source;
  password_ = password;
  ApplyMethod(method);
  AcquireAndDerive();
  if (type == CRYPTO_ENCRYPTION) {
    std::wstring r = EncryptString(session_key_, data_value_);
    if (!r.empty() && conversion == CRYPTO_CONVERSION_HEXA) {
      std::string bytes = AnsiBytes(r);
      r = HexUpper(bytes.data(), bytes.size());
    }
    return r;
  }
  if (type == CRYPTO_DECRYPTION) {
    std::wstring input = conversion == CRYPTO_CONVERSION_HEXA ? AnsiChars(FromHex(data_value_)) : data_value_;
    return DecryptString(session_key_, input);
  }
  return std::wstring();
}

bool ProviderCipherSuite::FileOperation(const std::wstring& file, long* key, bool encrypt) {
  if (!FileFoundByPlainSearch(file)) return false;
  if (!CipherFileInPlace(file, *key, encrypt)) return false;
  crypt::DestroyKey(*key);
  *key = 0;
  return true;
}

bool ProviderCipherSuite::FileCipher(long type, const std::wstring& file, const std::wstring& password, long method) {
  if (!FileFoundByPlainSearch(file)) return false;
  password_ = password;
  ApplyMethod(method);
  AcquireAndDerive();
  if (!csp_ || !session_key_) return false;
  return FileOperation(file, &session_key_, type == CRYPTO_ENCRYPTION);
}

// ---- automation interface --------------------------------------------------------------------

#define KZ_TEXT_FIELD(NAME, FIELD)                                                        \
  STDMETHODIMP ProviderCipherSuite::get_##NAME(BSTR* ret) {                               \
    return Guard([&] { *ret = ToBstr(FIELD); });                                           \
  }                                                                                       \
  STDMETHODIMP ProviderCipherSuite::put_##NAME(BSTR rhs) {                                \
    return Guard([&] { FIELD = FromBstr(rhs); });                                          \
  }
#define KZ_LONG_FIELD(NAME, FIELD)                                                        \
  STDMETHODIMP ProviderCipherSuite::get_##NAME(LONG* ret) {                               \
    *ret = FIELD;                                                                         \
    return S_OK;                                                                          \
  }                                                                                       \
  STDMETHODIMP ProviderCipherSuite::put_##NAME(LONG rhs) {                                \
    FIELD = rhs;                                                                          \
    return S_OK;                                                                          \
  }
KZ_TEXT_FIELD(m_EncDec_Password, password_)
KZ_TEXT_FIELD(sProvider, provider_)
KZ_LONG_FIELD(m_Hash_Algorithm, hash_algorithm_)
KZ_LONG_FIELD(m_EncDec_Algorithm, cipher_algorithm_)
KZ_TEXT_FIELD(s_DataValue, data_value_)
KZ_LONG_FIELD(m_CSP_Provider, csp_)
KZ_LONG_FIELD(lHSessionKey, session_key_)
KZ_TEXT_FIELD(m_sInBuffer, in_buffer_)
KZ_TEXT_FIELD(m_sOutBuffer, out_buffer_)
KZ_TEXT_FIELD(InBuffer, in_buffer_)
#undef KZ_TEXT_FIELD
#undef KZ_LONG_FIELD

STDMETHODIMP ProviderCipherSuite::get_OutBuffer(BSTR* ret) {
  return Guard([&] { *ret = ToBstr(out_buffer_); });
}

STDMETHODIMP ProviderCipherSuite::StringCryptography(acCryptographicTypeConst* CryptographicType,
                                                     BSTR* sSourceString, BSTR* sPassword,
                                                     acCryptographicMethodConst* CryptographicMethod,
                                                     acCryptographicConversionConst* CryptographicConversion,
                                                     BSTR* ret) {
  return Guard([&] {
    *ret = ToBstr(StringCipher(CryptographicType ? *CryptographicType : CRYPTO_ENCRYPTION, Text(sSourceString),
                               Text(sPassword), CryptographicMethod ? *CryptographicMethod : 0,
                               CryptographicConversion ? *CryptographicConversion : CRYPTO_CONVERSION_HEXA));
  });
}

STDMETHODIMP ProviderCipherSuite::FileCryptography(acCryptographicTypeConst* CrytographicType, BSTR* sSourceFile,
                                                   BSTR* sPassword, BSTR* /*sDestinationFile: not used*/,
                                                   acCryptographicMethodConst* CryptographicMethod,
                                                   VARIANT_BOOL* ret) {
  return Guard([&] {
    *ret = VARIANT_FALSE;
    bool ok = FileCipher(CrytographicType ? *CrytographicType : CRYPTO_ENCRYPTION, Text(sSourceFile),
                         Text(sPassword),
                         CryptographicMethod ? *CryptographicMethod : MS_ENHANCED_PROV__CALG_MD5__CALG_3DES_112);
    *ret = ok ? VARIANT_TRUE : VARIANT_FALSE;
  });
}

STDMETHODIMP ProviderCipherSuite::DoEncryptString(LONG* HSessionKey, VARIANT* sDataValue, BSTR* ret) {
  return Guard([&] {
    Var v = Deref(sDataValue);
    if (v.vt() == VT_NULL) throw Error(94, L"", L"Invalid use of Null");
    *ret = ToBstr(EncryptString(HSessionKey ? *HSessionKey : 0, VarToStr(v.get())));
  });
}

STDMETHODIMP ProviderCipherSuite::DoDecryptString(LONG* HSessionKey, BSTR* sDataValue, BSTR* ret) {
  return Guard([&] { *ret = ToBstr(DecryptString(HSessionKey ? *HSessionKey : 0, Text(sDataValue))); });
}

STDMETHODIMP ProviderCipherSuite::DoFileEncrypt(BSTR* sFileName, LONG* lKey, VARIANT_BOOL* ret) {
  return Guard([&] {
    long k = lKey ? *lKey : 0;
    *ret = FileOperation(Text(sFileName), &k, true) ? VARIANT_TRUE : VARIANT_FALSE;
    if (lKey) *lKey = k;
  });
}

STDMETHODIMP ProviderCipherSuite::DoFileDecrypt(BSTR* sFileName, LONG* lKey, VARIANT_BOOL* ret) {
  return Guard([&] {
    long k = lKey ? *lKey : 0;
    *ret = FileOperation(Text(sFileName), &k, false) ? VARIANT_TRUE : VARIANT_FALSE;
    if (lKey) *lKey = k;
  });
}

STDMETHODIMP ProviderCipherSuite::EnumCSPs(_KzCollection** ret) {
  *ret = nullptr;
  return S_OK;
}

STDMETHODIMP ProviderCipherSuite::EnumCSPTypes(_KzCollection** ret) {
  *ret = nullptr;
  return S_OK;
}

STDMETHODIMP ProviderCipherSuite::SetCSP(BSTR*, BSTR*, LONG* ret) {
  *ret = 0;
  return S_OK;
}

KZ_REGISTER_CLASS(clsKelzudCryptographyA, ProviderCipherSuite);

}  // namespace kz

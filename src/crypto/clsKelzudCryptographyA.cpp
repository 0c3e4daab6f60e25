#include "crypto/clsKelzudCryptographyA.h"

#include <algorithm>

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
  // The new context is acquired before the old one goes: with no context left the platform
  // unloads the provider and loads it again for the next call, which costs more than the
  // whole of a short encryption.
  std::string provider = ToAnsi(provider_);  // ends at the NUL the method row puts after the name
  crypt::KeepProviderLoaded(provider.c_str(), PROV_RSA_FULL);
  crypt::Context context;
  if (!context.Acquire(nullptr, provider.c_str(), PROV_RSA_FULL, 0))
    context.Acquire(nullptr, provider.c_str(), PROV_RSA_FULL, CRYPT_NEWKEYSET);  // creates the default container
  crypt::Key key;
  if (context.get()) {
    CryptHash hash;
    std::string pw = AnsiBytes(password_);
    if (CryptCreateHash(context.get(), static_cast<ALG_ID>(hash_algorithm_), 0, 0, hash.out()) &&
        CryptHashData(hash.get(), reinterpret_cast<const BYTE*>(pw.data()), static_cast<DWORD>(pw.size()), 0))
      key.Derive(context.get(), static_cast<ALG_ID>(cipher_algorithm_), hash.get(), 0);
  }
  key_ = std::move(key);  // the old key goes before its context
  context_ = std::move(context);
  csp_ = context_.number();
  session_key_ = key_.get();
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

bool ProviderCipherSuite::EncryptBytes(long key, const SharedText& text) {
  in_buffer_ = text;
  const std::wstring& t = text.get();
  DWORD len = static_cast<DWORD>(t.size()), needed = len;
  if (!crypt::Encrypt(key, true, nullptr, &needed, len)) return false;
  if (work_.capacity() > 2 * static_cast<size_t>(needed) + 4096) std::string().swap(work_);
  work_.resize(needed);
  AnsiBytesInto(t.data(), t.size(), &work_[0]);
  std::fill(work_.begin() + len, work_.end(), ' ');
  if (!crypt::Encrypt(key, true, reinterpret_cast<BYTE*>(&work_[0]), &len, needed)) return false;
  work_.resize(len);
  return true;
}

bool ProviderCipherSuite::DecryptBytes(long key, std::string bytes, const SharedText* as_text) {
  if (as_text) in_buffer_ = *as_text;
  else in_buffer_ = AnsiChars(bytes);
  DWORD len = static_cast<DWORD>(bytes.size());
  if (!crypt::Decrypt(key, true, reinterpret_cast<BYTE*>(&bytes[0]), &len)) return false;
  out_buffer_ = AnsiChars(bytes.data(), len);
  return true;
}

std::wstring ProviderCipherSuite::EncryptString(long key, const std::wstring& text) {
  SharedText t;
  t = text;
  return EncryptBytes(key, t) ? AnsiChars(work_) : std::wstring();
}

std::wstring ProviderCipherSuite::DecryptString(long key, const std::wstring& text) {
  SharedText t;
  t = text;
  return DecryptBytes(key, AnsiBytes(text), &t) ? out_buffer_ : std::wstring();
}

BSTR ProviderCipherSuite::StringResult(long type, const wchar_t* source, size_t length, const std::wstring& password,
                                       long method, long conversion) {
  bool hex = conversion == CRYPTO_CONVERSION_HEXA;
  // InBuffer takes the same text when it is encrypted, or decrypted as it stands.
  bool same_input = type == CRYPTO_ENCRYPTION || (type == CRYPTO_DECRYPTION && !hex);
  data_value_.Assign(source, length, same_input ? &in_buffer_ : nullptr);
  password_ = password;
  ApplyMethod(method);
  AcquireAndDerive();
  if (type == CRYPTO_ENCRYPTION) {
    if (!EncryptBytes(session_key_, data_value_) || work_.empty()) return ToBstr(std::wstring());
    return hex ? HexUpperBstr(work_.data(), work_.size()) : AnsiCharsBstr(work_.data(), work_.size());
  }
  if (type == CRYPTO_DECRYPTION) {
    std::string bytes = hex ? FromHex(data_value_.get()) : AnsiBytes(data_value_.get());
    if (!DecryptBytes(session_key_, std::move(bytes), hex ? nullptr : &data_value_)) return ToBstr(std::wstring());
    return ToBstr(out_buffer_);
  }
  return ToBstr(std::wstring());
}

std::wstring ProviderCipherSuite::StringCipher(long type, const std::wstring& source, const std::wstring& password,
                                               long method, long conversion) {
  BSTR b = StringResult(type, source.data(), source.size(), password, method, conversion);
  std::wstring r = FromBstr(b);
  SysFreeString(b);
  return r;
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

// The text of DoEncryptString's data: Null raises 94, an object that is not set 91, and any
// other value without a text form 13, as the runtime's conversion to String does.
static std::wstring DataText(const VARIANT* data) {
  Var v = Deref(data);
  if (v.vt() == VT_NULL) throw Error(94, L"", L"Invalid use of Null");
  if ((v.vt() == VT_DISPATCH && !v.get()->pdispVal) || (v.vt() == VT_UNKNOWN && !v.get()->punkVal))
    throw Error(kErrObjectNotSet);
  try {
    return VarToStr(v.get());
  } catch (const Error& e) {
    if (e.number() > 0 && e.number() < 65536) throw;
    throw Error(kErrTypeMismatch);
  }
}

// ---- automation interface --------------------------------------------------------------------

#define KZ_TEXT_FIELD(NAME, FIELD)                                                        \
  STDMETHODIMP ProviderCipherSuite::get_##NAME(BSTR* ret) {                               \
    return Guard([&] { *ret = ToBstr(FIELD); });                                           \
  }                                                                                       \
  STDMETHODIMP ProviderCipherSuite::put_##NAME(BSTR rhs) {                                \
    return Guard([&] { FIELD = FromBstr(rhs); });                                          \
  }
#define KZ_SHARED_FIELD(NAME, FIELD)                                                      \
  STDMETHODIMP ProviderCipherSuite::get_##NAME(BSTR* ret) {                               \
    return Guard([&] { *ret = ToBstr(FIELD.get()); });                                     \
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
KZ_SHARED_FIELD(s_DataValue, data_value_)
KZ_LONG_FIELD(m_CSP_Provider, csp_)
KZ_LONG_FIELD(lHSessionKey, session_key_)
KZ_SHARED_FIELD(m_sInBuffer, in_buffer_)
KZ_TEXT_FIELD(m_sOutBuffer, out_buffer_)
KZ_SHARED_FIELD(InBuffer, in_buffer_)
#undef KZ_TEXT_FIELD
#undef KZ_SHARED_FIELD
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
    BSTR source = sSourceString ? *sSourceString : nullptr;
    *ret = StringResult(CryptographicType ? *CryptographicType : CRYPTO_ENCRYPTION, source ? source : L"",
                        source ? SysStringLen(source) : 0, FromBstr(sPassword),
                        CryptographicMethod ? *CryptographicMethod : 0,
                        CryptographicConversion ? *CryptographicConversion : CRYPTO_CONVERSION_HEXA);
  });
}

STDMETHODIMP ProviderCipherSuite::FileCryptography(acCryptographicTypeConst* CrytographicType, BSTR* sSourceFile,
                                                   BSTR* sPassword, BSTR* /*sDestinationFile: not used*/,
                                                   acCryptographicMethodConst* CryptographicMethod,
                                                   VARIANT_BOOL* ret) {
  return Guard([&] {
    *ret = VARIANT_FALSE;
    bool ok = FileCipher(CrytographicType ? *CrytographicType : CRYPTO_ENCRYPTION, FromBstr(sSourceFile),
                         FromBstr(sPassword),
                         CryptographicMethod ? *CryptographicMethod : MS_ENHANCED_PROV__CALG_MD5__CALG_3DES_112);
    *ret = ok ? VARIANT_TRUE : VARIANT_FALSE;
  });
}

STDMETHODIMP ProviderCipherSuite::DoEncryptString(LONG* HSessionKey, VARIANT* sDataValue, BSTR* ret) {
  return Guard([&] {
    SharedText text;
    text = DataText(sDataValue);
    *ret = EncryptBytes(HSessionKey ? *HSessionKey : 0, text) ? AnsiCharsBstr(work_.data(), work_.size())
                                                              : ToBstr(std::wstring());
  });
}

STDMETHODIMP ProviderCipherSuite::DoDecryptString(LONG* HSessionKey, BSTR* sDataValue, BSTR* ret) {
  return Guard([&] { *ret = ToBstr(DecryptString(HSessionKey ? *HSessionKey : 0, FromBstr(sDataValue))); });
}

STDMETHODIMP ProviderCipherSuite::DoFileEncrypt(BSTR* sFileName, LONG* lKey, VARIANT_BOOL* ret) {
  return Guard([&] {
    long k = lKey ? *lKey : 0;
    *ret = FileOperation(FromBstr(sFileName), &k, true) ? VARIANT_TRUE : VARIANT_FALSE;
    if (lKey) *lKey = k;
  });
}

STDMETHODIMP ProviderCipherSuite::DoFileDecrypt(BSTR* sFileName, LONG* lKey, VARIANT_BOOL* ret) {
  return Guard([&] {
    long k = lKey ? *lKey : 0;
    *ret = FileOperation(FromBstr(sFileName), &k, false) ? VARIANT_TRUE : VARIANT_FALSE;
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

KZ_REGISTER_CLASS(ProviderCipherSuite);

}  // namespace kz

#include "crypto/clsKelzudCryptographyC.h"

#include <new>

#include "crypto/ansi.h"
#include "frame/catalogue.h"
#include "frame/kz.h"
#include "base/text.h"

namespace kz {
namespace {

const char kBaseProvider[] = "Microsoft Base Cryptographic Provider v1.0";

const wchar_t kSrcInitialize[] = L"cyKELZUDCryptography.Class_Initialize";
const wchar_t kSrcEncryptDecrypt[] = L"cyKELZUDCryptography.EncryptDecrypt";
const wchar_t kSrcFromHex[] = L"cyKELZUDCryptography.ConvertStringFromHex";
const wchar_t kSrcEncrypt[] = L"cyKELZUDCryptography.Encrypt";
const wchar_t kSrcDecrypt[] = L"cyKELZUDCryptography.Decrypt";

const wchar_t* Description(quilCryptoErrors e) {
  switch (e) {
    case quilErrorAquiringContext: return L"Could not acquire context";
    case quilErrorCreatingHash: return L"Could not create hash";
    case quilErrorCreatingHashData: return L"Could not create hash data";
    case quilErrorDerivingKey: return L"Could not derive key";
    case quilErrorEncryptingData: return L"Could not encrypt data";
    case quilErrorDecryptingData: return L"Could not decrypt data";
    case quilErrorInvalidHexString: return L"Not a valid hex string";
    case quilErrorMissingParameter: return L"Both a string and a key are required";
    case quilErrorBadEncryptionType: return L"Invalid encryption type specified";
  }
  return L"";
}

[[noreturn]] void Fail(quilCryptoErrors e, const wchar_t* source) { throw Error(e, source, Description(e)); }

// The checks Encrypt and Decrypt make, in their order: the type first, then the arguments.
long CheckedType(const std::wstring& text, const std::wstring& key, quilCryptoEncryptionType* type,
                 const wchar_t* source) {
  long t = type ? static_cast<long>(*type) : quilBlockEncryption;
  if (t != quilBlockEncryption && t != quilStreamEncryption) Fail(quilErrorBadEncryptionType, source);
  if (text.empty() || key.empty()) Fail(quilErrorMissingParameter, source);
  return t;
}

}  // namespace

KeyCipher::KeyCipher(const char* provider) {
  crypt::KeepProviderLoaded(provider, PROV_RSA_FULL);  // objects made one per call load it once
  context_.Acquire(nullptr, provider, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT);
}

HRESULT KeyCipher::Create(const char* provider, REFIID iid, void** out) {
  *out = nullptr;
  KeyCipher* p = new (std::nothrow) KeyCipher(provider);
  if (!p) return E_OUTOFMEMORY;
  p->AddRef();
  HRESULT hr = p->context_.get()
                   ? p->QueryInterface(iid, out)
                   : Error(quilErrorAquiringContext, kSrcInitialize, Description(quilErrorAquiringContext))
                         .Report(IID__clsKelzudCryptographyC);
  p->Release();
  return hr;
}

std::string KeyCipher::EncryptDecrypt(const std::string& data, const std::wstring& key, bool encrypt, long type) {
  try {
    CryptHash hash;
    if (!CryptCreateHash(context_.get(), CALG_MD5, 0, 0, hash.out())) Fail(quilErrorCreatingHash, L"");
    std::string key_bytes = AnsiBytes(key);
    if (!CryptHashData(hash.get(), reinterpret_cast<const BYTE*>(key_bytes.data()),
                       static_cast<DWORD>(key_bytes.size()), 0))
      Fail(quilErrorCreatingHashData, L"");
    crypt::Key k;
    if (!k.Derive(context_.get(), type == quilBlockEncryption ? CALG_RC2 : CALG_RC4, hash.get(), CRYPT_NO_SALT))
      Fail(quilErrorDerivingKey, L"");

    std::string buf = data;
    DWORD len = static_cast<DWORD>(buf.size());
    if (encrypt) {
      DWORD needed = len;
      if (!crypt::Encrypt(k.get(), true, nullptr, &needed, len)) Fail(quilErrorEncryptingData, L"");
      buf.resize(needed, ' ');
      if (!crypt::Encrypt(k.get(), true, reinterpret_cast<BYTE*>(&buf[0]), &len, needed))
        Fail(quilErrorEncryptingData, L"");
      return buf;  // the whole buffer
    }
    if (!crypt::Decrypt(k.get(), true, reinterpret_cast<BYTE*>(&buf[0]), &len)) Fail(quilErrorDecryptingData, L"");
    buf.resize(len);
    return buf;
  } catch (const Error& e) {
    throw Error(e.number(), kSrcEncryptDecrypt, e.description());
  } catch (const std::bad_alloc&) {
    throw Error(kErrOutOfMemory, kSrcEncryptDecrypt, StdDescription(kErrOutOfMemory));
  }
}

std::string KeyCipher::ConvertStringFromHex(const std::wstring& hex) {
  if (hex.size() % 2) Fail(quilErrorInvalidHexString, kSrcFromHex);
  std::string out(hex.size() / 2, '\0');
  for (size_t i = 0; i < hex.size(); ++i) {
    wchar_t c = hex[i];
    int v;
    if (c >= L'0' && c <= L'9') v = c - L'0';
    else if (c >= L'A' && c <= L'F') v = c - L'A' + 10;
    else Fail(quilErrorInvalidHexString, kSrcFromHex);
    out[i / 2] = static_cast<char>((i % 2) ? (out[i / 2] | v) : (v << 4));
  }
  return out;
}

STDMETHODIMP KeyCipher::Encrypt(BSTR* sTextToEncrypt, BSTR* sPrivateKey, VARIANT_BOOL* bReturnTextInHex,
                                quilCryptoEncryptionType* enEncryptionType, BSTR* ret) {
  return Guard([&] {
    std::wstring text = FromBstr(sTextToEncrypt), key = FromBstr(sPrivateKey);
    long type = CheckedType(text, key, enEncryptionType, kSrcEncrypt);
    std::string cipher = EncryptDecrypt(AnsiBytes(text), key, true, type);
    bool hex = bReturnTextInHex && *bReturnTextInHex;
    *ret = ToBstr(hex ? HexUpper(cipher.data(), cipher.size()) : AnsiChars(cipher));
  });
}

STDMETHODIMP KeyCipher::Decrypt(BSTR* sTextToDecrypt, BSTR* sPrivateKey, VARIANT_BOOL* bTextSuppliedInHex,
                                quilCryptoEncryptionType* enEncryptionType, BSTR* ret) {
  return Guard([&] {
    std::wstring text = FromBstr(sTextToDecrypt), key = FromBstr(sPrivateKey);
    long type = CheckedType(text, key, enEncryptionType, kSrcDecrypt);
    bool hex = bTextSuppliedInHex && *bTextSuppliedInHex;
    std::string cipher = hex ? ConvertStringFromHex(text) : AnsiBytes(text);
    *ret = ToBstr(AnsiChars(EncryptDecrypt(cipher, key, false, type)));
  });
}

namespace {
HRESULT CreateKeyCipher(REFIID iid, void** out) { return KeyCipher::Create(kBaseProvider, iid, out); }
const bool kRegistered = RegisterCreator(L"clsKelzudCryptographyC", &CreateKeyCipher);
}  // namespace

}  // namespace kz

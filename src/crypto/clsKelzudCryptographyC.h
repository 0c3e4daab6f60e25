// The key-derived block (RC2) and stream (RC4) cipher: the key string is hashed with MD5 and
// the session key derived from it without salt, through the base provider. Every failure is
// raised with the class's own error numbers.
#pragma once
#include <string>

#include "crypto/cryptoapi.h"
#include "frame/kz.h"
#include "com/comobject.h"

namespace kz {

class KeyCipher : public ComObject<KeyCipher, _clsKelzudCryptographyC> {
  KZ_CLASS(clsKelzudCryptographyC)
 public:
  explicit KeyCipher(const char* provider);

  STDMETHODIMP Encrypt(BSTR* sTextToEncrypt, BSTR* sPrivateKey, VARIANT_BOOL* bReturnTextInHex,
                       quilCryptoEncryptionType* enEncryptionType, BSTR* ret) override;
  STDMETHODIMP Decrypt(BSTR* sTextToDecrypt, BSTR* sPrivateKey, VARIANT_BOOL* bTextSuppliedInHex,
                       quilCryptoEncryptionType* enEncryptionType, BSTR* ret) override;

  // Creates an object on the given provider; when its context cannot be acquired, creation
  // fails with the class's error (number, source and description through IErrorInfo).
  static HRESULT Create(const char* provider, REFIID iid, void** out);

  // The cipher work on bytes: ciphertext of `data`, or its plaintext.
  std::string EncryptDecrypt(const std::string& data, const std::wstring& key, bool encrypt, long type);
  // Hexadecimal text (upper-case digits only, even length) to bytes.
  static std::string ConvertStringFromHex(const std::wstring& hex);

 private:
  crypt::Context context_;
};

}  // namespace kz

// The provider cipher suite: strings and whole files encrypted with one of 25 combinations of
// provider, hash and cipher, the session key derived from the hash of a password.
//
// Each StringCryptography / FileCryptography call acquires a provider context and derives a
// key, and leaves their handles in m_CSP_Provider and lHSessionKey for the Do... members. The
// object owns them: they are released when the next such call replaces them and when the
// object ends.
#pragma once
#include <string>

#include "crypto/cryptoapi.h"
#include "frame/kz.h"
#include "com/comobject.h"

namespace kz {

class ProviderCipherSuite : public ComObject<ProviderCipherSuite, _clsKelzudCryptographyA> {
  KZ_CLASS(clsKelzudCryptographyA)
 public:
  STDMETHODIMP get_m_EncDec_Password(BSTR* ret) override;
  STDMETHODIMP put_m_EncDec_Password(BSTR rhs) override;
  STDMETHODIMP get_sProvider(BSTR* ret) override;
  STDMETHODIMP put_sProvider(BSTR rhs) override;
  STDMETHODIMP get_m_Hash_Algorithm(LONG* ret) override;
  STDMETHODIMP put_m_Hash_Algorithm(LONG rhs) override;
  STDMETHODIMP get_m_EncDec_Algorithm(LONG* ret) override;
  STDMETHODIMP put_m_EncDec_Algorithm(LONG rhs) override;
  STDMETHODIMP get_s_DataValue(BSTR* ret) override;
  STDMETHODIMP put_s_DataValue(BSTR rhs) override;
  STDMETHODIMP get_m_CSP_Provider(LONG* ret) override;
  STDMETHODIMP put_m_CSP_Provider(LONG rhs) override;
  STDMETHODIMP get_lHSessionKey(LONG* ret) override;
  STDMETHODIMP put_lHSessionKey(LONG rhs) override;
  STDMETHODIMP get_m_sInBuffer(BSTR* ret) override;
  STDMETHODIMP put_m_sInBuffer(BSTR rhs) override;
  STDMETHODIMP get_m_sOutBuffer(BSTR* ret) override;
  STDMETHODIMP put_m_sOutBuffer(BSTR rhs) override;
  STDMETHODIMP get_InBuffer(BSTR* ret) override;
  STDMETHODIMP put_InBuffer(BSTR rhs) override;
  STDMETHODIMP get_OutBuffer(BSTR* ret) override;
  STDMETHODIMP StringCryptography(acCryptographicTypeConst* CryptographicType, BSTR* sSourceString,
                                  BSTR* sPassword, acCryptographicMethodConst* CryptographicMethod,
                                  acCryptographicConversionConst* CryptographicConversion, BSTR* ret) override;
  STDMETHODIMP FileCryptography(acCryptographicTypeConst* CrytographicType, BSTR* sSourceFile, BSTR* sPassword,
                                BSTR* sDestinationFile, acCryptographicMethodConst* CryptographicMethod,
                                VARIANT_BOOL* ret) override;
  STDMETHODIMP DoEncryptString(LONG* HSessionKey, VARIANT* sDataValue, BSTR* ret) override;
  STDMETHODIMP DoDecryptString(LONG* HSessionKey, BSTR* sDataValue, BSTR* ret) override;
  STDMETHODIMP DoFileEncrypt(BSTR* sFileName, LONG* lKey, VARIANT_BOOL* ret) override;
  STDMETHODIMP DoFileDecrypt(BSTR* sFileName, LONG* lKey, VARIANT_BOOL* ret) override;
  STDMETHODIMP EnumCSPs(_KzCollection** ret) override;
  STDMETHODIMP EnumCSPTypes(_KzCollection** ret) override;
  STDMETHODIMP SetCSP(BSTR* Prov, BSTR* ProvType, LONG* ret) override;

  // The behaviour for the library's own code.
  std::wstring StringCipher(long type, const std::wstring& source, const std::wstring& password, long method,
                            long conversion);
  bool FileCipher(long type, const std::wstring& file, const std::wstring& password, long method);
  std::wstring EncryptString(long key, const std::wstring& text);
  std::wstring DecryptString(long key, const std::wstring& text);
  bool FileOperation(const std::wstring& file, long* key, bool encrypt);

  // Hex decoding of the cipher suite: pairs of digits (either case), an odd last digit a
  // value of its own; anything else raises error 13.
  static std::string FromHex(const std::wstring& hex);

 private:
  void ApplyMethod(long method);
  // Replaces the held context and key by new ones for the current provider, algorithms and
  // password; the fields get their handles (0 for what failed).
  void AcquireAndDerive();

  std::wstring password_, provider_, data_value_, in_buffer_, out_buffer_;
  long hash_algorithm_ = 0, cipher_algorithm_ = 0, csp_ = 0, session_key_ = 0;
  crypt::Context context_;
  crypt::Key key_;
};

}  // namespace kz

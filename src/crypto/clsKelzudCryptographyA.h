// The provider cipher suite: strings and whole files encrypted with one of 25 combinations of
// provider, hash and cipher, the session key derived from the hash of a password.
//
// Each StringCryptography / FileCryptography call acquires a provider context and derives a
// key, and leaves their numbers in m_CSP_Provider and lHSessionKey for the Do... members. The
// object owns them: they are released when the next such call has acquired its own (so the
// provider stays loaded between calls) and when the object ends.
#pragma once
#include <memory>
#include <string>

#include "crypto/cryptoapi.h"
#include "frame/kz.h"
#include "com/comobject.h"

namespace kz {

// A text field that often holds the same, possibly large, text as another: shared, not copied.
class SharedText {
 public:
  SharedText() : p_(std::make_shared<std::wstring>()) {}
  SharedText& operator=(std::wstring s) {
    p_ = std::make_shared<std::wstring>(std::move(s));
    return *this;
  }
  // Takes new text. When no one but this field and `partner` (which is about to take the same
  // text) holds the old one, its buffer is written in place: call after call, a large text then
  // costs no fresh memory, which the platform hands out slowly.
  void Assign(const wchar_t* text, size_t n, const SharedText* partner) {
    long holders = p_.use_count();
    bool alone = holders == 1 || (holders == 2 && partner && partner->p_ == p_);
    if (alone && p_->capacity() <= 2 * n + 4096) p_->assign(text, n);
    else p_ = std::make_shared<std::wstring>(text, n);
  }
  const std::wstring& get() const { return *p_; }

 private:
  std::shared_ptr<std::wstring> p_;
};

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
  // password; the fields get their numbers (0 for what failed).
  void AcquireAndDerive();
  // StringCryptography's result as a new BSTR: the text converted once, encrypted in place,
  // and written once into the result.
  BSTR StringResult(long type, const wchar_t* source, size_t length, const std::wstring& password, long method,
                    long conversion);
  // The ciphertext bytes of `text` (which becomes InBuffer) in `work_`; false when the
  // platform fails.
  bool EncryptBytes(long key, const SharedText& text);
  // The plaintext of cipher bytes (InBuffer becomes their characters); false on failure,
  // else OutBuffer holds it.
  bool DecryptBytes(long key, std::string bytes, const SharedText* as_text);

  std::wstring password_, provider_, out_buffer_;
  SharedText data_value_, in_buffer_;
  std::string work_;  // the bytes of the last encryption, kept for the next one's buffer
  long hash_algorithm_ = 0, cipher_algorithm_ = 0, csp_ = 0, session_key_ = 0;
  crypt::Context context_;
  crypt::Key key_;
};

}  // namespace kz

// The password text cipher: each character code is shifted by an amount that depends on a
// key number taken from the password and on the character's place in a cycle of six.
#pragma once
#include <string>

#include "frame/kz.h"
#include "com/comobject.h"

namespace kz {

class PasswordCipher : public ComObject<PasswordCipher, _clsKelzudCryptographyB> {
  KZ_CLASS(clsKelzudCryptographyB)
 public:
  STDMETHODIMP CryptSalsana(VARIANT* texti, VARIANT* salasana, BSTR* ret) override;
  STDMETHODIMP DeCryptSalsana(VARIANT* texti, VARIANT* salasana, BSTR* ret) override;

  // The key number of a password: the sum of its character codes, times 0.1, divided by 6,
  // rounded down.
  static double KeyNumber(const std::wstring& password);
  static std::wstring Scramble(const std::wstring& text, double key, bool decrypt);

 private:
  // Replaces the caller's password by its key number and runs the cipher.
  static std::wstring Run(VARIANT* texti, VARIANT* salasana, bool decrypt);
};

}  // namespace kz

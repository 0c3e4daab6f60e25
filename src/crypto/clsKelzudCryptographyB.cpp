#include "crypto/clsKelzudCryptographyB.h"

#include <cmath>

#include "crypto/ansi.h"
#include "frame/catalogue.h"
#include "frame/kz.h"
#include "com/variant.h"
#include "base/text.h"

namespace kz {
namespace {

// Text form of a Variant; a value without one (Null, an array, an object) counts as empty,
// since the cipher skips whatever statement fails.
std::wstring TextOrEmpty(const VARIANT* v) {
  try {
    return v ? VarToStr(v) : std::wstring();
  } catch (const Error&) {
    return std::wstring();
  }
}

void StoreNumber(VARIANT* target, double value) {
  if (!target) return;
  while (target->vt == (VT_BYREF | VT_VARIANT) && target->pvarVal) target = target->pvarVal;
  if (target->vt & VT_BYREF) {
    // A typed variable of the caller: the number in that variable's own type, where it fits.
    VARIANT num, conv;
    VariantInit(&num);
    VariantInit(&conv);
    num.vt = VT_R8;
    num.dblVal = value;
    VARTYPE t = target->vt & ~VT_BYREF;
    if (FAILED(VariantChangeType(&conv, &num, 0, t))) return;
    switch (t) {
      case VT_BSTR: SysFreeString(*target->pbstrVal); *target->pbstrVal = conv.bstrVal; return;
      case VT_R8: *target->pdblVal = conv.dblVal; return;
      case VT_R4: *target->pfltVal = conv.fltVal; return;
      case VT_I4: *target->plVal = conv.lVal; return;
      case VT_I2: *target->piVal = conv.iVal; return;
      case VT_UI1: *target->pbVal = conv.bVal; return;
      default: VariantClear(&conv); return;
    }
  }
  VariantClear(target);
  target->vt = VT_R8;
  target->dblVal = value;
}

}  // namespace

double PasswordCipher::KeyNumber(const std::wstring& password) {
  double sum = 0;
  for (unsigned char c : AnsiBytes(password)) sum += c;
  return std::floor(sum * 0.1 / 6);
}

std::wstring PasswordCipher::Scramble(const std::wstring& text, double key, bool decrypt) {
  // Shift per phase: the value is c + sign * (K - base) + offset, or its inverse.
  static const int kSign[6] = {-1, +1, -1, +1, -1, +1};
  static const int kBase[6] = {2, 5, 4, 2, 3, 5};
  std::string in = AnsiBytes(text), out;
  out.reserve(in.size());
  int phase = 0;
  for (unsigned char c : in) {
    if (++phase == 6) phase = 0;
    double shift = kSign[phase] * (key - kBase[phase]) + phase;
    double v = decrypt ? c - shift : c + shift;
    // Codes outside a byte have no character: that place is dropped.
    if (v >= 0 && v <= 255) out.push_back(static_cast<char>(static_cast<int>(v)));
  }
  return AnsiChars(out);
}

std::wstring PasswordCipher::Run(VARIANT* texti, VARIANT* salasana, bool decrypt) {
  std::wstring text = TextOrEmpty(texti);
  double key = KeyNumber(TextOrEmpty(salasana));
  StoreNumber(salasana, key);
  return Scramble(text, key, decrypt);
}

STDMETHODIMP PasswordCipher::CryptSalsana(VARIANT* texti, VARIANT* salasana, BSTR* ret) {
  return Guard([&] { *ret = ToBstr(Run(texti, salasana, false)); });
}

STDMETHODIMP PasswordCipher::DeCryptSalsana(VARIANT* texti, VARIANT* salasana, BSTR* ret) {
  return Guard([&] { *ret = ToBstr(Run(texti, salasana, true)); });
}

KZ_REGISTER_CLASS(PasswordCipher);

}  // namespace kz

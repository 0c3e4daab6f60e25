#include "base/convert.h"

#include <cmath>
#include <cstdlib>
#include <string>

#include "base/error.h"

namespace kz {

double LeadingNumber(const std::wstring& text) {
  std::string s;  // the text without blanks
  for (wchar_t c : text)
    if (c != L' ' && c != L'\t' && c != L'\n') s += static_cast<char>(c < 128 ? c : '?');
  size_t i = 0;
  if (s.size() >= 2 && s[0] == '&' && (s[1] == 'H' || s[1] == 'h' || s[1] == 'O' || s[1] == 'o')) {
    bool hex = s[1] == 'H' || s[1] == 'h';
    unsigned long long v = 0;
    int digits = 0;
    for (i = 2; i < s.size(); ++i) {
      int d;
      char c = s[i];
      if (c >= '0' && c <= '9') d = c - '0';
      else if (hex && c >= 'a' && c <= 'f') d = c - 'a' + 10;
      else if (hex && c >= 'A' && c <= 'F') d = c - 'A' + 10;
      else break;
      if (!hex && d > 7) break;
      v = v * (hex ? 16 : 8) + static_cast<unsigned>(d);
      if (++digits > 16) break;
    }
    // Up to 32 bits the value is taken as a signed Long, as the classic function does.
    if (v <= 0xFFFFFFFFull) return static_cast<double>(static_cast<int32_t>(static_cast<uint32_t>(v)));
    return static_cast<double>(v);
  }
  std::string num;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) num += s[i++];
  bool digits = false;
  while (i < s.size() && isdigit(static_cast<unsigned char>(s[i]))) { num += s[i++]; digits = true; }
  if (i < s.size() && s[i] == '.') {
    num += s[i++];
    while (i < s.size() && isdigit(static_cast<unsigned char>(s[i]))) { num += s[i++]; digits = true; }
  }
  if (!digits) return 0.0;
  if (i < s.size() && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
    std::string exp = "e";
    size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) exp += s[j++];
    bool ed = false;
    while (j < s.size() && isdigit(static_cast<unsigned char>(s[j]))) { exp += s[j++]; ed = true; }
    if (ed) num += exp;
  }
  return std::strtod(num.c_str(), nullptr);
}

long RoundToLong(double v) {
  if (std::isnan(v)) Raise(kErrOverflow);
  double r = std::nearbyint(v);  // the default rounding mode is to nearest, halves to even
  if (r < -2147483648.0 || r > 2147483647.0) Raise(kErrOverflow);
  return static_cast<long>(r);
}

}  // namespace kz

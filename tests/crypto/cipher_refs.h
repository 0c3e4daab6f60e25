// Independent references for the cipher tests: RC4 and MD5 of bytes, and hex text.
#pragma once
#include <string>

#include "crypto/md5.h"

namespace kzt {

inline std::string Rc4(const std::string& key, const std::string& data) {
  unsigned char s[256];
  for (int i = 0; i < 256; ++i) s[i] = static_cast<unsigned char>(i);
  for (int i = 0, j = 0; i < 256; ++i) {
    j = (j + s[i] + static_cast<unsigned char>(key[i % key.size()])) & 255;
    std::swap(s[i], s[j]);
  }
  std::string out = data;
  for (size_t n = 0, i = 0, j = 0; n < out.size(); ++n) {
    i = (i + 1) & 255;
    j = (j + s[i]) & 255;
    std::swap(s[i], s[j]);
    out[n] = static_cast<char>(out[n] ^ s[(s[i] + s[j]) & 255]);
  }
  return out;
}

inline std::string Md5Bytes(const std::string& data) {
  kz::Md5 m;
  m.Update(reinterpret_cast<const uint8_t*>(data.data()), data.size());
  uint8_t d[16];
  m.Final(d);
  return std::string(reinterpret_cast<const char*>(d), 16);
}

inline std::wstring Hex(const std::string& bytes) {
  static const wchar_t k[] = L"0123456789ABCDEF";
  std::wstring out;
  for (unsigned char b : bytes) {
    out += k[b >> 4];
    out += k[b & 15];
  }
  return out;
}

// Every byte value from 1 to 255 as text of the ANSI code page, then a NUL.
inline std::string AllBytes() {
  std::string s;
  for (int i = 1; i < 256; ++i) s += static_cast<char>(i);
  s += '\0';
  return s;
}

}  // namespace kzt

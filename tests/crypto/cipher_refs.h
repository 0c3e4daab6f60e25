// Independent references for the cipher tests: RC4 and MD5 of bytes, and hex text.
#pragma once
#include <string>

#include <gtest/gtest.h>

#include "base/win.h"

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

// MD5 from the platform's CryptoAPI, not from the library's own digest.
inline std::string Md5Bytes(const std::string& data) {
  HCRYPTPROV prov = 0;
  HCRYPTHASH hash = 0;
  BYTE d[16] = {};
  DWORD n = sizeof d;
  bool ok = CryptAcquireContextW(&prov, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT) &&
            CryptCreateHash(prov, CALG_MD5, 0, 0, &hash) &&
            CryptHashData(hash, reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()), 0) &&
            CryptGetHashParam(hash, HP_HASHVAL, d, &n, 0);
  EXPECT_TRUE(ok) << "CryptoAPI MD5";
  if (hash) CryptDestroyHash(hash);
  if (prov) CryptReleaseContext(prov, 0);
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

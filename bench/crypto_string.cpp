// StringCryptography (method 0, hex output, the defaults; and for 1 MB also the character
// output) of 1 KB and 1 MB of text through
// the interface, as a compiled client calls it, against the raw sequence a program would write
// for the same result: acquire a context, hash the password, derive the key, one CryptEncrypt
// over the text's bytes, release. Both sides run while another context of the provider is
// open, as in any program that uses it more than once. Each round pairs one call of each; the
// class's hex text must be the raw ciphertext's.
#include <cstdio>
#include <string>
#include <vector>

#include "benchkit.h"

#include "crypto/clsKelzudCryptographyA.h"

#include <wincrypt.h>

namespace {

using bench::Now;

const char kProvider[] = "Microsoft Base Cryptographic Provider v1.0";
const char kPassword[] = "benchmark password";

// The raw sequence; returns the ciphertext.
std::string RawSequence(const std::string& bytes) {
  HCRYPTPROV prov = 0;
  HCRYPTHASH hash = 0;
  HCRYPTKEY key = 0;
  if (!CryptAcquireContextA(&prov, nullptr, kProvider, PROV_RSA_FULL, 0)) return std::string();
  CryptCreateHash(prov, CALG_MD2, 0, 0, &hash);
  CryptHashData(hash, reinterpret_cast<const BYTE*>(kPassword), sizeof kPassword - 1, 0);
  CryptDeriveKey(prov, CALG_RC2, hash, 0, &key);
  std::string buf(bytes.size() + 8, '\0');
  buf.replace(0, bytes.size(), bytes);
  DWORD len = static_cast<DWORD>(bytes.size());
  CryptEncrypt(key, 0, TRUE, 0, reinterpret_cast<BYTE*>(&buf[0]), &len, static_cast<DWORD>(buf.size()));
  buf.resize(len);
  CryptDestroyKey(key);
  CryptDestroyHash(hash);
  CryptReleaseContext(prov, 0);
  return buf;
}

std::wstring Hex(const std::string& b) {
  static const wchar_t kDigits[] = L"0123456789ABCDEF";
  std::wstring out;
  out.reserve(2 * b.size());
  for (unsigned char c : b) {
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
  return out;
}

// The ciphertext as characters of the ANSI code page.
std::wstring Chars(const std::string& b) {
  std::wstring out(b.size(), L'\0');
  int n = MultiByteToWideChar(CP_ACP, 0, b.data(), static_cast<int>(b.size()), &out[0], static_cast<int>(out.size()));
  out.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return out;
}

}  // namespace

int main() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  bench::Header("StringCryptography (method 0, hex) against acquire-hash-derive-CryptEncrypt-release");
  bench::Checks checks;
  // What keeps the provider loaded for the raw side, as the class keeps it for itself.
  HCRYPTPROV held = 0;
  CryptAcquireContextA(&held, nullptr, kProvider, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT);
  kz::ProviderCipherSuite* suite = kz::MakeObject<kz::ProviderCipherSuite>();

  const struct { size_t chars; int rounds, calls; long conversion; const char* label; } sizes[] = {
      {1024, 9, 50, CRYPTO_CONVERSION_HEXA, "1 KB, hex"},
      {1u << 20, 9, 1, CRYPTO_CONVERSION_HEXA, "1 MB, hex"},
      {1u << 20, 9, 1, CRYPTO_CONVERSION_ASCII, "1 MB, characters"}};
  for (const auto& size : sizes) {
    std::string bytes(size.chars, '\0');
    std::wstring text(size.chars, L'\0');
    uint32_t x = 99;
    for (size_t i = 0; i < size.chars; ++i) {
      x = x * 1103515245u + 12345u;
      bytes[i] = static_cast<char>(32 + (x >> 16) % 95);
      text[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]));
    }
    BSTR source = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    BSTR password = SysAllocString(L"benchmark password");
    bench::Rounds rounds;
    std::string raw;
    for (int r = 0; r < size.rounds; ++r) {
      double t0 = Now();
      for (int c = 0; c < size.calls; ++c) raw = RawSequence(bytes);
      double t1 = Now();
      BSTR result = nullptr;
      for (int c = 0; c < size.calls; ++c) {
        SysFreeString(result);
        result = nullptr;
        acCryptographicTypeConst type = CRYPTO_ENCRYPTION;
        acCryptographicMethodConst method = MS_DEF_PROV__CALG_MD2__CALG_RC2;
        acCryptographicConversionConst conversion = static_cast<acCryptographicConversionConst>(size.conversion);
        suite->StringCryptography(&type, &source, &password, &method, &conversion, &result);
      }
      double t2 = Now();
      std::wstring expected = size.conversion == CRYPTO_CONVERSION_HEXA ? Hex(raw) : Chars(raw);
      checks.Expect(result && !raw.empty() && std::wstring(result, SysStringLen(result)) == expected,
                    std::string(size.label) + ": the class's ciphertext and the raw sequence's");
      SysFreeString(result);
      rounds.Add((t2 - t1) / size.calls, (t1 - t0) / size.calls);
    }
    rounds.Print(size.label, "StringCryptography", "raw sequence");
    SysFreeString(source);
    SysFreeString(password);
  }
  suite->Release();
  CryptReleaseContext(held, 0);
  CoUninitialize();
  return checks.ExitCode();
}

// MD5 of a 1 MB string through clsKelzudGRegKeyMD5A.MD5 (the interface call, text to digest
// text) against CryptoAPI's CALG_MD5 over the same bytes, in the same run. Ratio below 1.0
// means the class is faster than the platform hash.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "benchkit.h"

#include "crypto/clsKelzudGRegKeyMD5A.h"

#include <wincrypt.h>

namespace {

constexpr size_t kChars = 1u << 20;
constexpr int kRounds = 15;

using bench::Now;

}  // namespace

int main() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  std::wstring text(kChars, L'\0');
  std::string bytes(kChars, '\0');
  uint32_t x = 12345;
  for (size_t i = 0; i < kChars; ++i) {
    x = x * 1103515245u + 12345u;
    text[i] = static_cast<wchar_t>(32 + (x >> 16) % 200);
    bytes[i] = static_cast<char>(text[i]);
  }
  BSTR message = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  kz::Md5Digest* md5 = kz::MakeObject<kz::Md5Digest>();
  HCRYPTPROV prov = 0;
  CryptAcquireContextW(&prov, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT);

  bench::Header("MD5 of 1 MB of text: the class against CryptoAPI's CALG_MD5 over the same bytes");
  bench::Checks checks;
  bench::Rounds rounds;
  std::wstring our_digest, platform_digest;
  for (int r = 0; r < kRounds; ++r) {
    double t0 = Now();
    BSTR d = nullptr;
    md5->MD5(&message, &d);
    double t1 = Now();
    our_digest.assign(d, SysStringLen(d));
    SysFreeString(d);

    double t2 = Now();
    HCRYPTHASH h = 0;
    CryptCreateHash(prov, CALG_MD5, 0, 0, &h);
    CryptHashData(h, reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()), 0);
    BYTE v[16];
    DWORD n = 16;
    CryptGetHashParam(h, HP_HASHVAL, v, &n, 0);
    CryptDestroyHash(h);
    double t3 = Now();
    platform_digest.clear();
    for (BYTE b : v) {
      wchar_t hex[3];
      swprintf(hex, 3, L"%02x", b);
      platform_digest += hex;
    }
    rounds.Add(t1 - t0, t3 - t2);
    checks.Expect(our_digest == platform_digest, "the digests of round " + std::to_string(r));
  }
  CryptReleaseContext(prov, 0);
  md5->Release();
  SysFreeString(message);

  rounds.Print("MD5 of 1 MB text", "class", "CryptoAPI CALG_MD5");
  CoUninitialize();
  return checks.ExitCode();
}

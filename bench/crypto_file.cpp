// In-place encryption of a 64 MB file through clsKelzudCryptographyA.FileCryptography (read,
// chunked cipher, result written beside the file, rename) against one raw CryptEncrypt call
// over the same bytes in memory with the same key, in the same run; the ratio is the cost of
// the file handling. Methods 21 (3DES, the default) and 19 (RC4). Each round pairs one file
// encryption with one raw call, and the file's result must equal the raw call's bytes.
//
// With an argument N (megabytes) it instead encrypts and decrypts an N MB file once and
// reports the round trip and the process's peak memory: the chunked path keeps a 500 MB file
// well inside a 32-bit address space.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "benchkit.h"

#include "crypto/clsKelzudCryptographyA.h"

#include <psapi.h>
#include <wincrypt.h>

namespace {

constexpr int kRounds = 5;

using bench::Now;

std::wstring TempFile(const wchar_t* name) {
  wchar_t dir[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  return std::wstring(dir) + name;
}

// Writes `mb` megabytes of varied bytes; returns a checksum of them.
unsigned long long WriteData(const std::wstring& path, size_t mb) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  std::vector<unsigned char> chunk(1 << 20);
  unsigned long long sum = 0;
  uint32_t x = 1;
  for (size_t m = 0; m < mb; ++m) {
    for (auto& b : chunk) {
      x = x * 1664525u + 1013904223u;
      b = static_cast<unsigned char>(x >> 24);
      sum = sum * 131 + b;
    }
    DWORD w;
    WriteFile(h, chunk.data(), static_cast<DWORD>(chunk.size()), &w, nullptr);
  }
  CloseHandle(h);
  return sum;
}

unsigned long long Checksum(const std::wstring& path, unsigned long long* size) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  std::vector<unsigned char> chunk(1 << 20);
  unsigned long long sum = 0;
  *size = 0;
  DWORD got;
  while (ReadFile(h, chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr) && got) {
    for (DWORD i = 0; i < got; ++i) sum = sum * 131 + chunk[i];
    *size += got;
  }
  CloseHandle(h);
  return sum;
}

bool FileCipher(kz::ProviderCipherSuite* s, long type, const std::wstring& path, long method) {
  return s->FileCipher(type, path, L"benchmark password", method);
}

// One CryptEncrypt over the whole buffer with the key the suite derives for the method; the
// time of that call alone.
double RawEncrypt(const char* provider, ALG_ID cipher, std::vector<unsigned char>& data, size_t* len) {
  HCRYPTPROV prov = 0;
  HCRYPTHASH hash = 0;
  HCRYPTKEY key = 0;
  CryptAcquireContextA(&prov, nullptr, provider, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT);
  CryptCreateHash(prov, CALG_MD5, 0, 0, &hash);
  const char pw[] = "benchmark password";
  CryptHashData(hash, reinterpret_cast<const BYTE*>(pw), sizeof pw - 1, 0);
  CryptDeriveKey(prov, cipher, hash, 0, &key);
  DWORD n = static_cast<DWORD>(*len);
  double t0 = Now();
  CryptEncrypt(key, 0, TRUE, 0, data.data(), &n, static_cast<DWORD>(data.size()));
  double t1 = Now();
  *len = n;
  CryptDestroyKey(key);
  CryptDestroyHash(hash);
  CryptReleaseContext(prov, 0);
  return t1 - t0;
}

unsigned long long ChecksumOf(const unsigned char* p, size_t n) {
  unsigned long long sum = 0;
  for (size_t i = 0; i < n; ++i) sum = sum * 131 + p[i];
  return sum;
}

int RoundTrip(size_t mb) {
  std::wstring path = TempFile(L"kz_bench_roundtrip.bin");
  unsigned long long sum = WriteData(path, mb), size = 0;
  kz::ProviderCipherSuite* s = kz::MakeObject<kz::ProviderCipherSuite>();
  double t0 = Now();
  bool enc = FileCipher(s, 0, path, 21);
  double t1 = Now();
  bool dec = FileCipher(s, 1, path, 21);
  double t2 = Now();
  s->Release();
  bool same = Checksum(path, &size) == sum && size == mb * (1ull << 20);
  PROCESS_MEMORY_COUNTERS pm{};
  GetProcessMemoryInfo(GetCurrentProcess(), &pm, sizeof pm);
  std::printf("architecture: %s\n", bench::Arch());
  std::printf("%zu MB file, method 21: encrypt %s in %.1f s, decrypt %s in %.1f s, content %s\n", mb,
              enc ? "ok" : "FAILED", t1 - t0, dec ? "ok" : "FAILED", t2 - t1, same ? "restored" : "DIFFERS");
  std::printf("peak memory of the process: working set %.1f MB, committed %.1f MB\n",
              pm.PeakWorkingSetSize / 1048576.0, pm.PeakPagefileUsage / 1048576.0);
  DeleteFileW(path.c_str());
  return enc && dec && same ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (argc > 1) return RoundTrip(static_cast<size_t>(std::atoi(argv[1])));

  const size_t mb = 64, len = mb << 20;
  bench::Header("FileCryptography of a 64 MB file in place against one CryptEncrypt in memory");
  bench::Checks checks;
  std::wstring path = TempFile(L"kz_bench_file.bin");
  std::vector<unsigned char> data(len + 16);
  const struct { long method; ALG_ID cipher; const char* name; } methods[] = {
      {21, CALG_3DES_112, "3DES-112 (method 21)"}, {19, CALG_RC4, "RC4 (method 19)"}};
  for (const auto& m : methods) {
    bench::Rounds rounds;
    for (int r = 0; r < kRounds; ++r) {
      // The same bytes in memory, encrypted with the same key in one call.
      WriteData(path, mb);
      HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
      DWORD got = 0;
      ReadFile(h, data.data(), static_cast<DWORD>(len), &got, nullptr);
      CloseHandle(h);
      size_t out = len;
      double raw = RawEncrypt("Microsoft Enhanced Cryptographic Provider v1.0", m.cipher, data, &out);
      // The file, in place.
      kz::ProviderCipherSuite* s = kz::MakeObject<kz::ProviderCipherSuite>();
      double t0 = Now();
      bool ok = FileCipher(s, 0, path, m.method);
      double t1 = Now();
      s->Release();
      unsigned long long size = 0;
      checks.Expect(ok && Checksum(path, &size) == ChecksumOf(data.data(), out) && size == out,
                    std::string(m.name) + ": the file's ciphertext and the raw call's");
      rounds.Add(t1 - t0, raw);
    }
    rounds.Print(m.name, "in-place file", "raw CryptEncrypt");
  }
  DeleteFileW(path.c_str());
  CoUninitialize();
  return checks.ExitCode();
}

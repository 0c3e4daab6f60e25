// Enumerating a key of 10,000 values into a value collection (no events), against a plain
// RegEnumValueA loop over the same key in the same run. Every value object reads its data, so
// the collection costs more than the names alone; the ratio says how much more.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "benchkit.h"

#include "registry/clsKelzudRegHand1A.h"
#include "registry/clsKelzudRegHand1ValuesA.h"

namespace {

constexpr int kValues = 10000;
constexpr int kRounds = 7;
const char kPath[] = "Software\\Kelzud10Tests\\bench_registry_enum";

using bench::Median;
using bench::Now;

// Strings, numbers and binary data, as a typical application key holds them.
void Fill(HKEY key) {
  for (int i = 0; i < kValues; ++i) {
    char name[32];
    snprintf(name, sizeof name, "Value%05d", i);
    if (i % 10 < 7) {
      std::string text = "C:\\Program Files\\App\\file" + std::to_string(i) + ".dat";
      RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                     static_cast<DWORD>(text.size() + 1));
    } else if (i % 10 < 9) {
      DWORD d = static_cast<DWORD>(i) * 7919u;
      RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&d), 4);
    } else {
      BYTE b[16];
      for (int k = 0; k < 16; ++k) b[k] = static_cast<BYTE>(i + k);
      RegSetValueExA(key, name, 0, REG_BINARY, b, 16);
    }
  }
}

// The baseline: names and types of every value, nothing else.
int RawLoop(HKEY key) {
  char name[1025];
  int n = 0;
  for (DWORD i = 0;; ++i) {
    DWORD size = 1024, type = 0;
    if (RegEnumValueA(key, i, name, &size, nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS) break;
    ++n;
  }
  return n;
}

}  // namespace

int main() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  RegDeleteTreeA(HKEY_CURRENT_USER, kPath);
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    std::printf("cannot create the benchmark key\n");
    return 1;
  }
  Fill(key);
  long handle = static_cast<long>(reinterpret_cast<LONG_PTR>(key));

  kz::RegistryObject* reg = kz::MakeObject<kz::RegistryObject>();
  std::vector<double> raw_times, enum_times, release_times;
  int raw_count = 0;
  long listed = 0;
  for (int round = 0; round < kRounds; ++round) {
    double t0 = Now();
    raw_count = RawLoop(key);
    double t1 = Now();
    _clsKelzudRegHand1ValuesA* values = nullptr;
    HRESULT hr = reg->EnumValues(static_cast<StandardRegistryKeys>(handle), VARIANT_FALSE, VARIANT_FALSE,
                                 VARIANT_FALSE, &values);
    double t2 = Now();
    if (FAILED(hr) || !values) {
      std::printf("EnumValues failed: 0x%08lx\n", static_cast<unsigned long>(hr));
      return 1;
    }
    values->get_Count(&listed);
    double t3 = Now();
    values->Release();
    double t4 = Now();
    raw_times.push_back(t1 - t0);
    enum_times.push_back(t2 - t1);
    release_times.push_back(t4 - t3);
  }
  reg->Release();
  RegCloseKey(key);
  RegDeleteTreeA(HKEY_CURRENT_USER, kPath);

  double raw = Median(raw_times), listing = Median(enum_times), release = Median(release_times);
  std::printf("values: %d (collection: %ld entries, the default entry included)\n", raw_count, listed);
  std::printf("RegEnumValueA loop:        %8.2f ms\n", raw * 1000);
  std::printf("EnumValues into collection: %8.2f ms (releasing it: %.2f ms)\n", listing * 1000, release * 1000);
  std::printf("ratio: %.2f\n", listing / raw);
  CoUninitialize();
  return listed == raw_count + 1 ? 0 : 1;
}

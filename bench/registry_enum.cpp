// Enumerating a key of 10,000 values into a value collection (no events), against the same
// platform work done directly in the same run: RegEnumValueA for every name and
// RegQueryValueExA for every value's data, which is what each value object reads. A second
// line compares with a loop over the names alone, to show what reading the data costs.
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

// The names and types of every value, nothing else.
int NamesOnly(HKEY key) {
  char name[1025];
  int n = 0;
  for (DWORD i = 0;; ++i) {
    DWORD size = 1024, type = 0;
    if (RegEnumValueA(key, i, name, &size, nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS) break;
    ++n;
  }
  return n;
}

// Every name, and every value's data read as the value objects read it (the default value
// too): the same platform work as the collection. Returns the bytes read.
size_t NamesAndData(HKEY key, int* count) {
  char name[1025];
  BYTE data[514];
  size_t total = 0;
  *count = 0;
  DWORD size = sizeof data - 2, type = 0;
  if (RegQueryValueExA(key, "", nullptr, &type, data, &size) == ERROR_SUCCESS) total += size;
  for (DWORD i = 0;; ++i) {
    DWORD n = 1024;
    if (RegEnumValueA(key, i, name, &n, nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS) break;
    size = sizeof data - 2;
    if (RegQueryValueExA(key, name, nullptr, &type, data, &size) == ERROR_SUCCESS) total += size;
    ++*count;
  }
  return total;
}

}  // namespace

int main() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  bench::Header("EnumValues of a key of 10,000 values into a collection");
  bench::Checks checks;
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
  bench::Rounds same_work, names_only;
  for (int round = 0; round < kRounds; ++round) {
    int with_data = 0;
    double t0 = Now();
    NamesAndData(key, &with_data);
    double t1 = Now();
    int names = NamesOnly(key);
    double t2 = Now();
    _clsKelzudRegHand1ValuesA* values = nullptr;
    HRESULT hr = reg->EnumValues(static_cast<StandardRegistryKeys>(handle), VARIANT_FALSE, VARIANT_FALSE,
                                 VARIANT_FALSE, &values);
    double t3 = Now();
    long listed = 0;
    if (SUCCEEDED(hr) && values) {
      values->get_Count(&listed);
      values->Release();
    }
    checks.Expect(SUCCEEDED(hr) && listed == with_data + 1 && names == with_data,
                  "the collection lists " + std::to_string(listed) + " entries for " + std::to_string(with_data) +
                      " values (and the default entry)");
    same_work.Add(t3 - t2, t1 - t0);
    names_only.Add(t3 - t2, t2 - t1);
  }
  reg->Release();
  RegCloseKey(key);
  RegDeleteTreeA(HKEY_CURRENT_USER, kPath);

  same_work.Print("same platform work", "EnumValues", "RegEnumValueA + RegQueryValueExA");
  names_only.Print("names only", "EnumValues", "RegEnumValueA");
  CoUninitialize();
  return checks.ExitCode();
}

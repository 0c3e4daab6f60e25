// Opening and closing 1,000, 4,000 and 16,000 keys through the registry object's OpenKey and
// CloseKey (the open-key table records and forgets each), against RegCreateKeyExA and
// RegCloseKey of as many keys in the same run. The scaling lines compare the closing time of
// 4x the keys with that of the smaller count: linear costs give 4.
#include <cstdio>
#include <string>
#include <vector>

#include "benchkit.h"

#include "registry/clsKelzudRegHand1A.h"

namespace {

using bench::Now;

const wchar_t kPath[] = L"Software\\Kelzud10Tests\\bench_registry_keys";
constexpr int kRounds = 3;
constexpr int kCounts[] = {1000, 4000, 16000};

struct Times {
  double open, close;
};

Times Raw(int n) {
  std::vector<HKEY> keys(static_cast<size_t>(n));
  double t0 = Now();
  for (auto& k : keys) RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Kelzud10Tests\\bench_registry_keys", 0, nullptr,
                                       0, KEY_ALL_ACCESS, nullptr, &k, nullptr);
  double t1 = Now();
  for (HKEY k : keys) RegCloseKey(k);
  double t2 = Now();
  return {t1 - t0, t2 - t1};
}

Times ThroughTheObject(int n, bench::Checks& checks) {
  kz::RegistryObject* reg = kz::MakeObject<kz::RegistryObject>();
  _clsKelzudRegHand1A* itf = reg->itf();
  BSTR path = SysAllocString(kPath), none = SysAllocString(L"");
  std::vector<long> handles(static_cast<size_t>(n));
  double t0 = Now();
  for (auto& h : handles) itf->OpenKey(HKeyCurrentUser, path, VARIANT_FALSE, none, &h);
  double t1 = Now();
  for (long h : handles) {
    VARIANT v;
    v.vt = VT_I4;
    v.lVal = h;
    itf->CloseKey(v);
  }
  double t2 = Now();
  long count = -1;
  itf->get_Count(&count);
  bool opened = true;
  for (long h : handles) opened = opened && h != -1;
  checks.Expect(opened && count == 0, std::to_string(n) + " keys opened and closed, " + std::to_string(count) + " left");
  SysFreeString(path);
  SysFreeString(none);
  reg->Release();
  return {t1 - t0, t2 - t1};
}

}  // namespace

int main() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  bench::Header("OpenKey and CloseKey of many keys against RegCreateKeyExA and RegCloseKey");
  bench::Checks checks;
  RegDeleteTreeW(HKEY_CURRENT_USER, kPath);
  const size_t sizes = sizeof kCounts / sizeof kCounts[0];
  std::vector<bench::Rounds> opening(sizes), closing(sizes), scaling(sizes);
  std::vector<double> last_close(sizes);
  for (int r = 0; r < kRounds; ++r) {
    for (size_t i = 0; i < sizes; ++i) {
      Times raw = Raw(kCounts[i]);
      Times ours = ThroughTheObject(kCounts[i], checks);
      opening[i].Add(ours.open, raw.open);
      closing[i].Add(ours.close, raw.close);
      if (i > 0) scaling[i].Add(ours.close, last_close[i - 1]);
      last_close[i] = ours.close;
    }
  }
  RegDeleteTreeW(HKEY_CURRENT_USER, kPath);
  for (size_t i = 0; i < sizes; ++i) {
    std::string label = std::to_string(kCounts[i]) + " keys";
    opening[i].Print((label + ", opening").c_str(), "OpenKey", "RegCreateKeyExA");
    closing[i].Print((label + ", closing").c_str(), "CloseKey", "RegCloseKey");
  }
  for (size_t i = 1; i < sizes; ++i) {
    std::string label = "closing " + std::to_string(kCounts[i]) + " against " + std::to_string(kCounts[i - 1]);
    scaling[i].Print(label.c_str(), std::to_string(kCounts[i]).c_str(), std::to_string(kCounts[i - 1]).c_str());
  }
  std::printf("closing 16000 keys: %.0f ms (median)\n", closing[sizes - 1].work() * 1e3);
  CoUninitialize();
  return checks.ExitCode();
}

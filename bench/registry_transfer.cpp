// INI file to registry and back through clsKelzudaINIREGSwapA, against a raw loop of profile
// reads and registry writes (and registry reads and profile writes) doing the same in the same
// run: 100 sections of 100 keys. The raw loop opens or creates the key for every value, as
// the transfer does (one accessor write per value). Each round pairs the two; the ratio is
// printed as min / median / max. Exits non-zero when the results differ.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "benchkit.h"

#include "registry/clsKelzudaINIREGSwapA.h"

namespace {

constexpr int kSections = 100;
constexpr int kKeys = 100;
constexpr int kRounds = 3;
const char kBase[] = "Software\\Kelzud10Tests\\BenchTransfer";

using bench::Now;

// The NUL-separated list a profile read gives for a null section or key.
std::vector<std::string> Names(const std::vector<char>& buf, DWORD n) {
  std::vector<std::string> out;
  for (DWORD i = 0; i < n;) {
    std::string s(&buf[i]);
    if (s.empty()) break;
    out.push_back(s);
    i += static_cast<DWORD>(s.size()) + 1;
  }
  return out;
}

void RawIniToRegistry(const std::string& ini, const std::string& key) {
  std::vector<char> buf(1 << 20);
  DWORD n = GetPrivateProfileSectionNamesA(buf.data(), static_cast<DWORD>(buf.size()), ini.c_str());
  for (const std::string& section : Names(buf, n)) {
    std::vector<char> kb(1 << 20);
    DWORD kn = GetPrivateProfileStringA(section.c_str(), nullptr, "", kb.data(), static_cast<DWORD>(kb.size()), ini.c_str());
    for (const std::string& name : Names(kb, kn)) {
      char value[1024];
      DWORD vn = GetPrivateProfileStringA(section.c_str(), name.c_str(), "", value, sizeof value, ini.c_str());
      HKEY k = nullptr;
      if (RegCreateKeyExA(HKEY_CURRENT_USER, (key + "\\" + section).c_str(), 0, nullptr, 0, 0x3F, nullptr, &k,
                          nullptr) == ERROR_SUCCESS) {
        RegSetValueExA(k, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value), vn + 1);
        RegCloseKey(k);
      }
    }
  }
}

void RawRegistryToIni(const std::string& ini, const std::string& key) {
  HKEY top = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &top) != ERROR_SUCCESS) return;
  char sub[256];
  for (DWORD i = 0; RegEnumKeyA(top, i, sub, sizeof sub) == ERROR_SUCCESS; ++i) {
    HKEY k = nullptr;
    if (RegOpenKeyExA(top, sub, 0, KEY_QUERY_VALUE, &k) != ERROR_SUCCESS) continue;
    char name[256];
    BYTE data[1024];
    for (DWORD j = 0;; ++j) {
      DWORD nn = sizeof name, dn = sizeof data, type = 0;
      if (RegEnumValueA(k, j, name, &nn, nullptr, &type, data, &dn) != ERROR_SUCCESS) break;
      WritePrivateProfileStringA(sub, name, reinterpret_cast<const char*>(data), ini.c_str());
    }
    RegCloseKey(k);
  }
  RegCloseKey(top);
}

// Every subkey's values as text, for comparing two transfers.
std::string Dump(const std::string& key) {
  std::string out;
  HKEY top = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &top) != ERROR_SUCCESS) return out;
  char sub[256];
  for (DWORD i = 0; RegEnumKeyA(top, i, sub, sizeof sub) == ERROR_SUCCESS; ++i) {
    HKEY k = nullptr;
    RegOpenKeyExA(top, sub, 0, KEY_READ, &k);
    char name[256];
    BYTE data[1024];
    for (DWORD j = 0;; ++j) {
      DWORD nn = sizeof name, dn = sizeof data, type = 0;
      if (RegEnumValueA(k, j, name, &nn, nullptr, &type, data, &dn) != ERROR_SUCCESS) break;
      out += std::string(sub) + "|" + name + "|" + std::to_string(type) + "|" +
             std::string(reinterpret_cast<char*>(data), dn) + "\n";
    }
    RegCloseKey(k);
  }
  RegCloseKey(top);
  return out;
}

std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

}  // namespace

int main() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  bench::Header("INI file of 100 sections x 100 keys to the registry and back");
  char tmp[MAX_PATH];
  GetTempPathA(MAX_PATH, tmp);
  const std::string source = std::string(tmp) + "kzb_transfer_in.ini";
  const std::string raw_out = std::string(tmp) + "kzb_transfer_raw.ini", swap_out = std::string(tmp) + "kzb_transfer_swap.ini";
  const std::string raw_key = std::string(kBase) + "\\Raw", swap_key = std::string(kBase) + "\\Swap";
  std::string text;
  for (int s = 0; s < kSections; ++s) {
    text += "[Section" + std::to_string(s) + "]\r\n";
    for (int k = 0; k < kKeys; ++k) text += "key" + std::to_string(k) + "=a setting of some length " + std::to_string(s * k) + "\r\n";
  }
  bench::WriteFileText(source, text);
  GetPrivateProfileStringA("Section0", "key0", "", tmp, 2, source.c_str());  // let the file settle in the cache
  Sleep(2500);

  kz::IniRegSwap* swap = kz::MakeObject<kz::IniRegSwap>();
  bench::Rounds to_registry, to_ini, scale;
  bench::Checks checks;
  for (int round = 0; round < kRounds; ++round) {
    RegDeleteTreeA(HKEY_CURRENT_USER, kBase);
    double t0 = Now();
    RawIniToRegistry(source, raw_key);
    double t1 = Now();
    swap->IniToRegistry(Wide(source), Wide(swap_key), static_cast<long>(0x80000001));
    double t2 = Now();
    to_registry.Add(t2 - t1, t1 - t0);
    checks.Expect(Dump(raw_key) == Dump(swap_key) && !Dump(raw_key).empty(), "registry after the transfer");

    DeleteFileA(raw_out.c_str());
    DeleteFileA(swap_out.c_str());
    double t3 = Now();
    RawRegistryToIni(raw_out, raw_key);
    double t4 = Now();
    swap->RegistryToIni(Wide(swap_out), Wide(swap_key), static_cast<long>(0x80000001), L"");
    double t5 = Now();
    to_ini.Add(t5 - t4, t4 - t3);
    checks.Expect(bench::ReadFileText(raw_out) == bench::ReadFileText(swap_out) && !bench::ReadFileText(raw_out).empty(), "INI file after the transfer");
  }
  swap->Release();
  // The cost by the number of keys: the transfer to an INI file of 10x the values per subkey,
  // paired round by round with the transfer above.
  {
    const std::string big_key = std::string(kBase) + "\\Big", big_out = std::string(tmp) + "kzb_transfer_big.ini";
    HKEY top = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, big_key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &top, nullptr);
    for (int s = 0; s < kSections; ++s) {
      HKEY k = nullptr;
      RegCreateKeyExA(top, ("Section" + std::to_string(s)).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr);
      for (int v = 0; v < kKeys * 10; ++v) {
        std::string data = "a setting of some length " + std::to_string(s * v);
        RegSetValueExA(k, ("key" + std::to_string(v)).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                       static_cast<DWORD>(data.size() + 1));
      }
      RegCloseKey(k);
    }
    RegCloseKey(top);
    kz::IniRegSwap* s2 = kz::MakeObject<kz::IniRegSwap>();
    for (int round = 0; round < kRounds; ++round) {
      DeleteFileA(swap_out.c_str());
      DeleteFileA(big_out.c_str());
      double t0 = Now();
      s2->RegistryToIni(Wide(swap_out), Wide(swap_key), static_cast<long>(0x80000001), L"");
      double t1 = Now();
      s2->RegistryToIni(Wide(big_out), Wide(big_key), static_cast<long>(0x80000001), L"");
      double t2 = Now();
      scale.Add(t2 - t1, t1 - t0);
    }
    s2->Release();
    DeleteFileA(big_out.c_str());
  }
  to_registry.Print("INI to registry", "transfer", "raw loop");
  to_ini.Print("registry to INI", "transfer", "raw loop");
  scale.Print("registry to INI, 10x the keys", "10x keys", "1x keys");
  std::printf("goal: INI to registry ratio <= 1.00; registry to INI ratio <= %.3f (30x faster) and transfer <= 1000 ms; "
              "10x the keys ratio <= 12\n", 1.0 / 30);
  std::printf("met: INI to registry %s, registry to INI %s, 10x the keys %s\n",
              to_registry.MedianRatio() <= 1.0 ? "yes" : "NO",
              to_ini.MedianRatio() <= 1.0 / 30 && to_ini.work() <= 1.0 ? "yes" : "NO",
              scale.MedianRatio() <= 12 ? "yes" : "NO");
  RegDeleteTreeA(HKEY_CURRENT_USER, kBase);
  DeleteFileA(source.c_str());
  DeleteFileA(raw_out.c_str());
  DeleteFileA(swap_out.c_str());
  CoUninitialize();
  return checks.ExitCode();
}

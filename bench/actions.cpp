// The action engine: 1,000 registry lines run by Pals (late-bound, as kzpals and a setup
// script call it) against a raw loop of the same profile reads and registry writes; the same
// lines with a variable reference on each; and a freshly written file against a settled one.
// Each round pairs a figure with its baseline; the ratios are printed as min / median / max.
// Exits non-zero when the engine's registry results differ from the raw loop's.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "benchkit.h"

#include "com/latebound.h"
#include "com/variant.h"
#include "frame/modules.h"
#include "ini/clsKelzudINIFileHandler1A.h"

namespace {

constexpr int kLines = 1000;
constexpr int kRounds = 5;
const char kKey[] = "Software\\Kelzud10Tests\\bench_actions";
const wchar_t kVariable[] = L"KZB_ACTIONS_KEY";

using bench::Now;

std::string Architecture() { return sizeof(void*) == 8 ? "x64" : "x86"; }

void Summary(const char* what, std::vector<double> ratios, double goal) {
  std::sort(ratios.begin(), ratios.end());
  std::printf("%-46s ratio min / median / max: %.2f / %.2f / %.2f (goal <= %.2f)\n", what, ratios.front(),
              ratios[ratios.size() / 2], ratios.back(), goal);
}

// [Plain]: root, key, name, data; [Vars]: the same with the key path as a variable reference.
std::string ActionFile() {
  std::string plain = "[Plain]\r\n", vars = "[Vars]\r\n";
  char line[200];
  for (int i = 0; i < kLines; ++i) {
    std::snprintf(line, sizeof line, "line%04d=hcu,%s,Name%04d,data %d,\r\n", i, kKey, i, i);
    plain += line;
    std::snprintf(line, sizeof line, "line%04d=hcu,%%KZB_ACTIONS_KEY%%,Name%04d,data %d,\r\n", i, i, i);
    vars += line;
  }
  return plain + vars;
}

// The baseline: the same profile reads (the key list, then one value per line) and the same
// registry writes (create or open, set, close), with no engine in between.
void RawLoop(const std::string& file) {
  std::vector<char> list(1 << 20);
  DWORD n = GetPrivateProfileStringA("Plain", nullptr, "", list.data(), static_cast<DWORD>(list.size()), file.c_str());
  for (DWORD start = 0; start < n;) {
    std::string key = list.data() + start;
    start += static_cast<DWORD>(key.size()) + 1;
    char value[255];
    DWORD len = GetPrivateProfileStringA("Plain", key.c_str(), "", value, 255, file.c_str());
    std::string v(value, len);
    std::vector<std::string> f;
    for (size_t s = 0, p;; s = p + 1) {
      p = v.find(',', s);
      f.push_back(v.substr(s, p == std::string::npos ? std::string::npos : p - s));
      if (p == std::string::npos) break;
    }
    HKEY k;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, f[1].c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr) ==
        ERROR_SUCCESS) {
      RegSetValueExA(k, f[2].c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(f[3].c_str()),
                     static_cast<DWORD>(f[3].size() + 1));
      RegCloseKey(k);
    }
  }
}

double Pals(kz::IniFileHandler* h, const std::wstring& file, const wchar_t* section, bool* failed) {
  h->set_path(file);
  h->set_section(section);
  kz::Var code = kz::Var::Long(kelzudIFHPalsCREGK);
  double t0 = Now();
  try {
    kz::CallByName(h->itf(), L"Pals", DISPATCH_METHOD, std::vector<VARIANT*>{code.get()});
  } catch (const kz::Error& e) {
    std::printf("Pals failed: %ld %ls\n", e.number(), e.description().c_str());
    *failed = true;
  }
  return Now() - t0;
}

// Every value the lines write, in order; empty text for a missing one.
std::vector<std::string> Written() {
  std::vector<std::string> out;
  HKEY k;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &k) != ERROR_SUCCESS) return out;
  for (int i = 0; i < kLines; ++i) {
    char name[32], data[64];
    std::snprintf(name, sizeof name, "Name%04d", i);
    DWORD size = sizeof data, type = 0;
    out.push_back(RegQueryValueExA(k, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) == ERROR_SUCCESS
                      ? std::string(data)
                      : std::string());
  }
  RegCloseKey(k);
  return out;
}

}  // namespace

int main() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  std::printf("architecture: %s\n", Architecture().c_str());
  char tmp[MAX_PATH];
  GetTempPathA(MAX_PATH, tmp);
  const std::string settled = std::string(tmp) + "kzb_actions_settled.ini", fresh = std::string(tmp) + "kzb_actions_fresh.ini";
  const std::string text = ActionFile();
  bench::WriteFileText(settled, text);
  {
    long scope = 2;
    std::wstring name = kVariable, value(kKey, kKey + sizeof kKey - 1);
    kz::KelEnvironSet(scope, name, value);
  }
  Sleep(4000);  // the platform re-reads a file on every call while its time stamp is recent

  kz::IniFileHandler* h = kz::MakeObject<kz::IniFileHandler>();
  const std::wstring wsettled(settled.begin(), settled.end()), wfresh(fresh.begin(), fresh.end());
  bool failed = false, differ = false;
  std::vector<double> engine, vars, fresh_ratio;
  std::vector<double> raw_ms, pals_ms;
  for (int round = 0; round < kRounds; ++round) {
    RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
    double t0 = Now();
    RawLoop(settled);
    double raw = Now() - t0;
    std::vector<std::string> expected = Written();
    RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
    double plain = Pals(h, wsettled, L"Plain", &failed);
    if (Written() != expected || expected.size() != static_cast<size_t>(kLines) || expected.back() != "data 999")
      differ = true;
    RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
    double with_vars = Pals(h, wsettled, L"Vars", &failed);
    if (Written() != expected) differ = true;
    bench::WriteFileText(fresh, text);  // written just now: its time stamp is recent
    RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
    double on_fresh = Pals(h, wfresh, L"Plain", &failed);
    if (Written() != expected) differ = true;
    engine.push_back(plain / raw);
    vars.push_back(with_vars / plain);
    fresh_ratio.push_back(on_fresh / plain);
    raw_ms.push_back(raw * 1000);
    pals_ms.push_back(plain * 1000);
  }
  h->Release();
  RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
  {
    long scope = 2;
    std::wstring name = kVariable, empty;
    kz::KelEnvironSet(scope, name, empty);
  }
  DeleteFileA(settled.c_str());
  DeleteFileA(fresh.c_str());

  std::printf("%d registry lines, %d paired rounds; raw loop median %.1f ms, Pals median %.1f ms\n", kLines, kRounds,
              bench::Median(raw_ms), bench::Median(pals_ms));
  Summary("Pals / raw profile reads and registry writes:", engine, 1.5);
  Summary("lines with a variable reference / without:", vars, 1.2);
  Summary("freshly written file / settled file:", fresh_ratio, 1.5);
  if (failed || differ) std::printf("results DIFFER from the raw loop\n");
  CoUninitialize();
  return failed || differ ? 1 : 0;
}

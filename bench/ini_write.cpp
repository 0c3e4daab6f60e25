// INI writes through the handler (one writer at a time across processes, the platform's writer
// on a copy, the copy replacing the file in one rename) against the platform's profile writer
// called directly on an equal file, as the handler called it before. Each round pairs the two;
// the ratio is printed as min / median / max. Exits non-zero when the two files differ.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "benchkit.h"

#include "ini/clsKelzudINIFileHandler1A.h"

namespace {

constexpr int kWrites = 200;
constexpr int kRounds = 7;

using bench::Now;

}  // namespace

int main() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  std::printf("architecture: %s\n", sizeof(void*) == 8 ? "x64" : "x86");
  char tmp[MAX_PATH];
  GetTempPathA(MAX_PATH, tmp);
  const std::string raw_file = std::string(tmp) + "kzb_ini_raw.ini", handler_file = std::string(tmp) + "kzb_ini_handler.ini";
  std::string start;
  for (int s = 0; s < 10; ++s) {
    start += "[Section" + std::to_string(s) + "]\r\n";
    for (int k = 0; k < 20; ++k) start += "key" + std::to_string(k) + "=a setting of some length " + std::to_string(k) + "\r\n";
  }
  kz::IniFileHandler* h = kz::MakeObject<kz::IniFileHandler>();
  h->set_path(std::wstring(handler_file.begin(), handler_file.end()));
  std::vector<double> ratios, raw_ms, handler_ms;
  bool differ = false;
  for (int round = 0; round < kRounds; ++round) {
    bench::WriteFileText(raw_file, start);
    bench::WriteFileText(handler_file, start);
    double t0 = Now();
    for (int i = 0; i < kWrites; ++i) {
      std::string section = "Section" + std::to_string(i % 12), key = "new" + std::to_string(i),
                  value = "value " + std::to_string(i * round);
      WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), raw_file.c_str());
    }
    double t1 = Now();
    int failed = 0;
    for (int i = 0; i < kWrites; ++i) {
      std::string section = "Section" + std::to_string(i % 12), key = "new" + std::to_string(i);
      std::wstring value = L"value " + std::to_wstring(i * round);
      h->set_section(std::wstring(section.begin(), section.end()));
      h->set_key(std::wstring(key.begin(), key.end()));
      h->WriteValue(value);
      if (!h->last_return_code()) ++failed;
    }
    double t2 = Now();
    if (failed || bench::ReadFileText(raw_file) != bench::ReadFileText(handler_file)) differ = true;
    ratios.push_back((t2 - t1) / (t1 - t0));
    raw_ms.push_back((t1 - t0) * 1000 / kWrites);
    handler_ms.push_back((t2 - t1) * 1000 / kWrites);
  }
  h->Release();
  DeleteFileA(raw_file.c_str());
  DeleteFileA(handler_file.c_str());
  std::sort(ratios.begin(), ratios.end());
  std::printf("%d writes, %d paired rounds; per write: platform writer %.2f ms, handler %.2f ms (medians)\n", kWrites,
              kRounds, bench::Median(raw_ms), bench::Median(handler_ms));
  std::printf("handler write / platform writer: ratio min / median / max: %.2f / %.2f / %.2f (goal <= 1.50)\n",
              ratios.front(), ratios[ratios.size() / 2], ratios.back());
  if (differ) std::printf("files DIFFER\n");
  CoUninitialize();
  return differ ? 1 : 0;
}

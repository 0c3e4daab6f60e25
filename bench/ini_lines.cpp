// INI lines (the action of code 34): 1,000 lines writing into one file, against 1,000 writes of
// the platform's profile writer doing the same on an equal file in the same run. Each round
// pairs the two; the ratio is printed as min / median / max. Exits non-zero when the files differ.
#include <windows.h>

#include <cstdio>
#include <string>

#include "benchkit.h"

#include "ini/clsKelzudINIFileHandler1A.h"

namespace {

constexpr int kLines = 1000;
constexpr int kRounds = 5;

using bench::Now;

std::string Section(int i) { return "Section" + std::to_string(i % 10); }
std::string Key(int i) { return "key" + std::to_string(i); }
std::string Value(int i, int round) { return "value " + std::to_string(i * (round + 1)); }

}  // namespace

int main() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  bench::Header("INI lines: 1,000 lines into one file");
  char tmp[MAX_PATH];
  GetTempPathA(MAX_PATH, tmp);
  const std::string actions = std::string(tmp) + "kzb_lines_actions.ini", raw_file = std::string(tmp) + "kzb_lines_raw.ini",
                    lines_file = std::string(tmp) + "kzb_lines_target.ini";
  bench::Rounds rounds;
  bench::Checks checks;
  kz::IniFileHandler* h = kz::MakeObject<kz::IniFileHandler>();
  for (int round = 0; round < kRounds; ++round) {
    std::string text = "[Lines]\r\n";
    for (int i = 0; i < kLines; ++i)
      text += "line" + std::to_string(i) + "=" + lines_file + "," + Section(i) + "," + Key(i) + "," + Value(i, round) + "\r\n";
    bench::WriteFileText(actions, text);
    bench::WriteFileText(raw_file, "[Section0]\r\nfirst=1\r\n");
    bench::WriteFileText(lines_file, "[Section0]\r\nfirst=1\r\n");
    double t0 = Now();
    for (int i = 0; i < kLines; ++i)
      WritePrivateProfileStringA(Section(i).c_str(), Key(i).c_str(), Value(i, round).c_str(), raw_file.c_str());
    double t1 = Now();
    h->set_path(std::wstring(actions.begin(), actions.end()));
    h->set_section(L"Lines");
    VARIANT r;
    HRESULT hr = h->PalsSIni(nullptr, nullptr, nullptr, nullptr, nullptr, &r);
    double t2 = Now();
    rounds.Add(t2 - t1, t1 - t0);
    checks.Expect(SUCCEEDED(hr) && bench::ReadFileText(raw_file) == bench::ReadFileText(lines_file), "the file written by the lines");
  }
  h->Release();
  DeleteFileA(actions.c_str());
  DeleteFileA(raw_file.c_str());
  DeleteFileA(lines_file.c_str());
  rounds.Print("1,000 INI lines", "lines", "platform writes");
  std::printf("goal: ratio <= 1.50; met: %s\n", rounds.MedianRatio() <= 1.5 ? "yes" : "NO");
  CoUninitialize();
  return checks.ExitCode();
}

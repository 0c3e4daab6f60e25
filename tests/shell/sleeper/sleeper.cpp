// A program for the program-running tests: appends "start NAME PID" to a log, sleeps, appends
// "end NAME", and exits with the code it was given.
//   kzt_sleeper.exe MILLISECONDS LOGFILE NAME [EXITCODE]     (MILLISECONDS -1: never ends)
#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

void Append(const wchar_t* log, const std::string& line) {
  // Other runs may append at the same time: retry while the file is held.
  for (int i = 0; i < 200; ++i) {
    HANDLE f = CreateFileW(log, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f != INVALID_HANDLE_VALUE) {
      DWORD n = 0;
      std::string text = line + "\r\n";
      WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &n, nullptr);
      CloseHandle(f);
      return;
    }
    Sleep(10);
  }
}

std::string Narrow(const wchar_t* s) {
  std::string out;
  for (; *s; ++s) out += static_cast<char>(*s < 128 ? *s : '?');
  return out;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) return 2;
  long ms = wcstol(argv[1], nullptr, 10);
  const std::string name = Narrow(argv[3]);
  Append(argv[2], "start " + name + " " + std::to_string(GetCurrentProcessId()));
  Sleep(ms < 0 ? INFINITE : static_cast<DWORD>(ms));
  Append(argv[2], "end " + name);
  return argc > 4 ? static_cast<int>(wcstol(argv[4], nullptr, 10)) : 0;
}

#include "platform/programs.h"

#include <shellapi.h>

#include "base/text.h"
#include "platform/ui.h"

namespace kz {
namespace {

struct WindowsPrograms : Programs {
  DWORD Start(const std::wstring& command, DWORD* process_id, KernelHandle* process) override {
    return StartProcess(command, SW_SHOWNORMAL, process_id, process);
  }

  long Open(HWND owner, const std::wstring& file, const std::wstring& parameters, int show) override {
    const std::string f = ToAnsi(file), p = ToAnsi(parameters);
    const char* params = parameters.empty() ? nullptr : p.c_str();
    if (!IsUnattended())
      return static_cast<long>(reinterpret_cast<INT_PTR>(ShellExecuteA(owner, nullptr, f.c_str(), params, "", show)));
    // The shell's own error box would wait for a person: ask it for none and log the failure.
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.hwnd = owner;
    info.lpFile = f.c_str();
    info.lpParameters = params;
    info.lpDirectory = "";
    info.nShow = show;
    long result = 0;
    if (ShellExecuteExA(&info)) {
      result = static_cast<long>(reinterpret_cast<INT_PTR>(info.hInstApp));
      if (result <= 32) result = 33;  // done, though the shell gave no number
    } else {
      DWORD code = GetLastError();
      result = static_cast<long>(reinterpret_cast<INT_PTR>(info.hInstApp));
      if (result > 32 || result == 0) result = code == ERROR_FILE_NOT_FOUND ? SE_ERR_FNF : SE_ERR_ACCESSDENIED;
      LogUnattendedWindow(L"shell error", file, L"the shell could not open the file (" + std::to_wstring(code) + L")");
    }
    return result;
  }
};

}  // namespace

DWORD StartProcess(const std::wstring& command, WORD show, DWORD* process_id, KernelHandle* process) {
  std::string cmd = ToAnsi(command);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = show;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return GetLastError();
  KernelHandle thread(pi.hThread), started(pi.hProcess);
  if (process_id) *process_id = pi.dwProcessId;
  if (process) process->reset(started.release());
  return 0;
}

template <>
Programs& SeamDefault<Programs>() {
  static WindowsPrograms programs;
  return programs;
}

}  // namespace kz

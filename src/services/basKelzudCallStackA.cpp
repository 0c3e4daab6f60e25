#include "services/basKelzudCallStackA.h"

#include "base/owner.h"
#include "base/perthread.h"
#include "base/text.h"
#include "base/win.h"
#include "services/clsKelzudFileSearchEventLogA.h"

namespace kz {
namespace {

using CallStack = PerThread<CallStackState>;

std::wstring DateTimeText(double d) {
  BSTR b = nullptr;
  if (FAILED(VarBstrFromDate(d, LOCALE_USER_DEFAULT, 0, &b))) return std::wstring();
  std::wstring s = FromBstr(b);
  SysFreeString(b);
  return s;
}

double NowDate() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  st.wMilliseconds = 0;
  double d = 0;
  SystemTimeToVariantTime(&st, &d);
  return d;
}

}  // namespace

void InitCallStack() {
  CallStackState& s = CallStack::Get();
  if (s.entries.empty()) s.entries.emplace_back();
}

void PushCallStack(const std::wstring& module, const std::wstring& method, const std::wstring& parameters,
                   const std::wstring& globals) {
  try {
    InitCallStack();
    CallStack::Get().entries.push_back(CallStackEntry{module, method, parameters, globals});
  } catch (...) {
  }
}

void PopCallStack() {
  InitCallStack();
  std::vector<CallStackEntry>& e = CallStack::Get().entries;
  if (e.size() > 1) e.pop_back();
}

long CallStackDepth() {
  InitCallStack();
  return static_cast<long>(CallStack::Get().entries.size()) - 1;
}

std::wstring CallStackText() {
  try {
    InitCallStack();
    const std::vector<CallStackEntry>& e = CallStack::Get().entries;
    std::wstring s;
    for (size_t i = e.size() - 1; i >= 1; --i) {
      s += L"\tModule:   " + e[i].module + L"\r\n";
      s += L"\tMethod:   " + e[i].method + L"(" + e[i].parameters + L")\r\n";
      s += L"\tGlobal:   " + e[i].globals + L"\r\n\r\n";
    }
    return s;
  } catch (...) {
    return std::wstring();
  }
}

void ReleaseCallStack() { CallStack::Release(); }

std::wstring RunningModuleBaseName() {
  HMODULE self = nullptr;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          reinterpret_cast<LPCWSTR>(&RunningModuleBaseName), &self))
    return std::wstring();
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(self, &path[0], static_cast<DWORD>(path.size()));
    if (n == 0) return std::wstring();
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  size_t slash = path.find_last_of(L"\\/");
  std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
  size_t dot = name.rfind(L'.');
  if (dot != std::wstring::npos) name.resize(dot);
  return name;
}

std::wstring RunTimeErrorReport(const std::wstring& module, const std::wstring& method, long number,
                                const std::wstring& description, long line, const std::wstring& extra, double now) {
  std::wstring r;
  r += L"\r\n\r\n" + DateTimeText(now) + L"  RunTime Error in " + RunningModuleBaseName() + L"\r\n\r\n";
  r += L"RunTime Error: " + std::to_wstring(number) + L" - " + description + L"\r\n";
  r += L"\tModule: " + module + L"\r\n";
  r += L"\tMethod: " + method + L"\r\n";
  r += L"\tLine Number: " + std::to_wstring(line) + L"\r\n";
  r += L"\tDescription: :" + extra + L"\r\n";
  r += L"\r\nCall Stack:\r\n" + CallStackText();
  return r;
}

void LogRunTimeError(const std::wstring& module, const std::wstring& method, long number,
                     const std::wstring& description, long line, const std::wstring& extra) {
  try {
    InitCallStack();
    CallStackState& s = CallStack::Get();
    s.last_error_number = number;
    s.last_error_description = description;
    const std::wstring report = RunTimeErrorReport(module, method, number, description, line, extra, NowDate());
    EventLogWriter writer;
    writer.WriteEvent(report, RunningModuleBaseName(), L"5000", EVENTLOG_ERROR_TYPE);
  } catch (...) {
    // A report that cannot be made leaves no trace, and never a second error.
  }
}

}  // namespace kz

// Program lines: each line's command run and waited for in turn, or files and programs opened
// by the shell without waiting.
#include "base/error.h"
#include "base/longhandle.h"
#include "base/owner.h"
#include "base/text.h"
#include "base/win.h"
#include "com/variant.h"
#include "ini/actions/ActionEngine.h"
#include "platform/programs.h"

namespace kz {
namespace {

// The command that replaces every line's command: none when vParamD is left out, Empty, Null
// or text that is empty.
std::wstring ReplacementCommand(const VARIANT* d) {
  if (!d || IsMissing(d)) return std::wstring();
  Var v = Deref(d);
  if (v.vt() == VT_EMPTY || v.vt() == VT_NULL) return std::wstring();
  return VarToStr(v.get());
}

// Runs a command line and returns when its process has ended; the wait handle goes to `slot`.
void RunAndWait(const std::wstring& command, long* slot) {
  if (command.empty()) Raise(kErrInvalidCall);
  DWORD pid = 0;
  KernelHandle started;
  if (DWORD code = Seam<Programs>().Start(command, &pid, &started)) {
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) Raise(kErrFileNotFound);
    throw ErrorOfWin32(code);
  }
  // The handle from the start keeps the process number from being reused while the wait
  // handle is opened by that number.
  KernelHandle waiter(OpenProcess(SYNCHRONIZE, FALSE, pid));
  HANDLE wait_on = waiter ? waiter.get() : started.get();
  long as_long = 0;
  if (slot && LongFromHandle(wait_on, &as_long)) *slot = as_long;
  WaitForSingleObject(wait_on, INFINITE);
}

}  // namespace

STDMETHODIMP IniFileHandler::PalsSSEXEA(KZ_ACTION_PARAMS) {
  if (ret) VariantInit(ret);
  return Guard([&] {
    const std::wstring prefix = FromBstr(b);
    const std::wstring replacement = ReplacementCommand(d);
    ForEachActionLine(*this, [&](const std::wstring&, const std::wstring& value) {
      RunAndWait(replacement.empty() ? prefix + value : replacement, c);
    });
  });
}

STDMETHODIMP IniFileHandler::PalsSSEXENOWAIT(KZ_ACTION_PARAMS) {
  if (ret) VariantInit(ret);
  return Guard([&] {
    ActionVariables variables;
    ForEachActionLine(*this, [&](const std::wstring&, const std::wstring& value) {
      const std::vector<std::wstring> f = SplitFields(value, L',');
      const std::wstring& parameters = Field(f, 1);
      const std::wstring file = variables.Expand(Field(f, 0), Lookup::EnvironmentFlagged);
      // What the shell answers is not looked at: opening never waits and never fails the action.
      Seam<Programs>().Open(GetActiveWindow(), file, parameters, SW_SHOWNORMAL);
    });
  });
}

}  // namespace kz

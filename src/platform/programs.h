// Starting programs and opening documents: a command line started as its own process, and
// the shell's open of a file or program with its default action.
#pragma once
#include <string>

#include "base/owner.h"
#include "base/seam.h"
#include "base/win.h"

namespace kz {

struct Programs {
  virtual ~Programs() = default;
  // Starts a command line (ANSI, as the command interpreter would) with a normal, focused
  // window. On success fills the process number and a handle that keeps the process object
  // (and so its number) alive, and returns 0; otherwise the platform's error code.
  virtual DWORD Start(const std::wstring& command, DWORD* process_id, KernelHandle* process) = 0;
  // The shell's default action on `file` with `parameters` (none when empty), an empty working
  // folder and show mode `show`, owned by `owner`. Returns the shell's result (above 32: done).
  // When nobody may be asked (unattended runs), the shell shows no error box of its own: the
  // failure is logged instead.
  virtual long Open(HWND owner, const std::wstring& file, const std::wstring& parameters, int show) = 0;
};
template <>
Programs& SeamDefault<Programs>();

// The platform's start of a command line (ANSI) with show mode `show`, as Programs::Start does
// it; for callers that start a program of their own rather than through the seam. Returns 0 or
// the platform's error code; `process_id` and `process` may be null.
DWORD StartProcess(const std::wstring& command, WORD show, DWORD* process_id, KernelHandle* process);

}  // namespace kz

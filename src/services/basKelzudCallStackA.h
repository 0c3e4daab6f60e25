// The per-thread call stack of instrumented methods and the run-time error report that shows
// it, written to the event log. Internal to the library.
#pragma once
#include <string>
#include <vector>

namespace kz {

struct CallStackEntry {
  std::wstring module, method, parameters, globals;
};

// This thread's stack: element 0 is a permanent empty sentinel, pushed entries follow, the
// most recent last.
struct CallStackState {
  std::vector<CallStackEntry> entries;
  long last_error_number = 0;  // the error of the latest report
  std::wstring last_error_description;
};

// Makes the thread's stack (the sentinel only) if it has none yet.
void InitCallStack();
void PushCallStack(const std::wstring& module, const std::wstring& method, const std::wstring& parameters,
                   const std::wstring& globals);
// Removes the most recent entry; with only the sentinel left it does nothing.
void PopCallStack();
// The entries, most recent first, four lines each (TAB-indented module, method with its
// parameters, globals, then an empty line); "" when nothing is pushed.
std::wstring CallStackText();
// Number of entries pushed on this thread (the sentinel not counted).
long CallStackDepth();
// Ends this thread's stack (a thread that used the library releases it before it ends).
void ReleaseCallStack();

// The report of a run-time error as LogRunTimeError writes it; `now` is the time in its header.
std::wstring RunTimeErrorReport(const std::wstring& module, const std::wstring& method, long number,
                                const std::wstring& description, long line, const std::wstring& extra, double now);
// Writes the report (with the current stack) to the event log as an error entry with
// identifier 5000 and the running module's base name as its source. Never raises.
void LogRunTimeError(const std::wstring& module, const std::wstring& method, long number,
                     const std::wstring& description, long line, const std::wstring& extra);
// The base name of the module this code runs in (no folder, no extension).
std::wstring RunningModuleBaseName();

// Keeps one entry pushed for the life of a scope, so that every way out pops it exactly once.
class CallStackScope {
 public:
  CallStackScope(const std::wstring& module, const std::wstring& method, const std::wstring& parameters = L"",
                 const std::wstring& globals = L"") {
    PushCallStack(module, method, parameters, globals);
  }
  ~CallStackScope() { PopCallStack(); }
  CallStackScope(const CallStackScope&) = delete;
  CallStackScope& operator=(const CallStackScope&) = delete;
};

}  // namespace kz

// Module-level services shared by several classes: environment variables through the runtime
// component, error boxes, size texts, machine and user names, system folders, the OS version,
// folder presence and the debug bridge. None of them is visible to clients.
//
// All module state (the OS version cache and the debugger connection) is per client thread.
#pragma once
#include <string>
#include "frame/kz.h"
#include "base/error.h"
#include "com/ptr.h"

namespace kz {

// basKelzudCommonA ---------------------------------------------------------------------------

// Reads a variable through the runtime component. Failures are reported with ShowModuleError
// and execution goes on, so a missing component costs two boxes and yields "".
std::wstring KelEnvironGet(long& scope, std::wstring& name, VARIANT& flag);   // flag may be a VT_BOOL -1 or VT_I4 0
// The same through a runtime component that the caller keeps for several reads (one action
// of the action engine): it is created here when `runtime` is empty (a failure is reported as
// above and tried again at the next read) and released by the caller.
// `answered` (when given) tells whether the component answered without a reported failure.
std::wstring KelEnvironGet(Ptr<IDispatch>& runtime, long& scope, std::wstring& name, VARIANT& flag,
                           bool* answered = nullptr);
// Sets a variable through the runtime component; same error handling as KelEnvironGet.
std::wstring KelEnvironSet(long& scope, std::wstring& name, std::wstring& value);
// Shows the warning box "number CRLF description CRLF application title CRLF" titled `source`;
// the application object is the library's own.
void ShowModuleError(const Error& err, const std::wstring& source);

// The library's application object: a small automation object whose `Title` is the
// application title shown in module messages ("Kelzud10"), with `EXEName` and `Path` (the
// folder of the library's file). Returns a new reference.
IDispatch* LibraryAppObject();
std::wstring LibraryTitle();

// Byte counts as gigabytes, megabytes or kilobytes, in the platform's Double-to-text form.
// A count that is not a finite number raises error 6 (overflow).
std::wstring SizeInGBText(double& bytes);
std::wstring SizeInMBText(double& bytes);
std::wstring SizeInKBText(double& bytes);

// basKelzudComputerNameA -----------------------------------------------------------------------
std::wstring GetComputerNameText();
std::wstring GetUserNameText();

// basKelzudWinDirsA ---------------------------------------------------------------------------
std::wstring GetWindowsFolder();
std::wstring GetSystemFolder();
// True when the folder (given with its trailing backslash) lists any name; never raises.
bool FolderIsPresent(const std::wstring& path);

// basKelOSVersionA ----------------------------------------------------------------------------

// "major.minor" of the running system; fills the thread's cache and both arguments.
std::wstring GetOSVersionText(short& major, short& minor);
// GetCurrentOSVer of a new "KELZUD10.clsKelzud10RunTimeA"; raises kz::Error to its caller.
std::wstring CurrentOSVersionText();
// The thread's OS version cache (0 and 0 before the first GetOSVersionText on this thread).
void CachedOSVersion(short& major, short& minor);

// basRUVODebuggerA ----------------------------------------------------------------------------

// The debugger instance made by the last successful AddDebugMessageA on this thread
// (borrowed; null before).
IDispatch* DebuggerConnection();
// Releases this thread's debugger connection (for a client thread that is about to end).
void ReleaseDebuggerConnection();

// Passes one message to a new debugger component; a failure shows one critical box.
void AddDebugMessageA(std::wstring& tag, std::wstring& kind, std::wstring& object_name, short& level,
                      std::wstring& text);

}  // namespace kz

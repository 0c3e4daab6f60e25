// Shared helpers of the C++ tests: COM set-up, temporary folders, late-bound calls and the
// unattended message-box log.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/kz.h"
#include "com/latebound.h"
#include "com/ptr.h"
#include "com/variant.h"

namespace kzt {

using kz::Ptr;
using kz::Var;

// A new empty folder under the temporary folder, removed with its files at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::wstring& path() const { return path_; }  // without trailing backslash
  std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }

 private:
  std::wstring path_;
};

// Points KELZUD10_UNATTENDED at a fresh log for the life of the object and reads it back.
class UnattendedLog {
 public:
  UnattendedLog();
  ~UnattendedLog();
  // One entry per message box: "style\ttitle\ttext" with the escapes of the UI seam.
  std::vector<std::wstring> Records() const;

 private:
  TempDir dir_;
  std::wstring file_, previous_;
  bool had_previous_ = false;
};

// A variable name of this test process's own: prefix, what, process id.
std::wstring UniqueName(const wchar_t* prefix, const wchar_t* what);

// Points a process environment variable elsewhere (nullptr: removes it) for the life of the object.
class ProcessVariable {
 public:
  ProcessVariable(const wchar_t* name, const wchar_t* value);
  ~ProcessVariable();
  ProcessVariable(const ProcessVariable&) = delete;
  ProcessVariable& operator=(const ProcessVariable&) = delete;

 private:
  std::wstring name_, old_;
  bool had_ = false;
};

// Removes a variable a test set, from the user's environment and from this process.
struct VariableCleanup {
  std::wstring name;
  ~VariableCleanup();
};

// Creates an object by programmatic identifier, as a client does (asserting success).
Ptr<IDispatch> Create(const wchar_t* progid);
// HRESULT of creating by programmatic identifier.
HRESULT TryCreate(const wchar_t* progid);

// Late-bound helpers that return the raised error as a number instead of throwing.
struct CallResult {
  Var value;
  long error = 0;
  std::wstring source, description;
};
CallResult Call(IDispatch* obj, const wchar_t* name, std::vector<VARIANT*> byref_args,
                WORD flags = DISPATCH_METHOD | DISPATCH_PROPERTYGET);

std::wstring ReadFileText(const std::wstring& path);
void WriteFileText(const std::wstring& path, const std::string& bytes);
bool FileExists(const std::wstring& path);
// The folder of the running test program, where the build puts the helper programs too.
std::wstring ProgramFolder();
// Whether the registry key root\path can be opened for reading.
bool KeyExists(HKEY root, const std::wstring& path);

}  // namespace kzt

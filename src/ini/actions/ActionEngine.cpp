#include "ini/actions/ActionEngine.h"

#include "frame/kz.h"
#include "base/error.h"
#include "frame/modules.h"
#include "com/variant.h"
#include "base/text.h"
#include "platform/textlog.h"

namespace kz {

std::vector<std::wstring> SplitFields(const std::wstring& value, wchar_t separator) {
  std::vector<std::wstring> fields;
  size_t start = 0;
  for (;;) {
    size_t p = value.find(separator, start);
    if (p == std::wstring::npos) {
      fields.push_back(value.substr(start));
      return fields;
    }
    fields.push_back(value.substr(start, p - start));
    start = p + 1;
  }
}

const std::wstring& Field(const std::vector<std::wstring>& fields, size_t index) {
  if (index >= fields.size()) Raise(kErrSubscript);
  return fields[index];
}

namespace {

std::wstring FromEnvironment(std::wstring name, bool flagged) {
  long scope = 2;
  Var flag = flagged ? Var::Bool(true) : Var::Short(0);
  return KelEnvironGet(scope, name, *flag.get());
}

std::wstring ValueOf(const std::wstring& name, Lookup lookup) {
  switch (lookup) {
    case Lookup::FoldersThenEnvironment:
    case Lookup::FoldersThenFlagged:
      if (EqualNoCase(name, L"windir")) return GetWindowsFolder();
      if (EqualNoCase(name, L"winsysdir")) return GetSystemFolder();
      return FromEnvironment(name, lookup == Lookup::FoldersThenFlagged);
    case Lookup::ProcessWindir:
      if (EqualNoCase(name, L"windir")) return ProcessVariable(name.c_str());
      return FromEnvironment(name, false);
    case Lookup::EnvironmentFlagged:
      return FromEnvironment(name, true);
    case Lookup::Environment:
    default:
      return FromEnvironment(name, false);
  }
}

}  // namespace

std::wstring ExpandReference(const std::wstring& field, Lookup lookup) {
  if (field.empty() || field[0] != L'%') return field;
  std::vector<std::wstring> pieces = SplitFields(field, L'%');
  const std::wstring& name = Field(pieces, 1);
  const std::wstring& tail = Field(pieces, 2);
  return ValueOf(name, lookup) + tail;
}

void ActionNotAvailable(const wchar_t* method) {
  throw Error(kErrNoMember, L"", std::wstring(method) + L" is not available in this build of Kelzud10");
}

void StartHidden(const std::wstring& command) {
  std::string cmd = ToAnsi(command);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    Raise(kErrFileNotFound);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
}

}  // namespace kz

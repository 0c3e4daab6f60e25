// What all actions of the INI action engine share: the line loop over the current section,
// cutting a line's value into fields, and expanding variable references.
#pragma once
#include <string>
#include <vector>

#include "ini/clsKelzudINIFileHandler1A.h"

namespace kz {

// Calls `line(key, value)` for every key of the handler's current section, in file order,
// skipping lines whose key or value is empty. `Key` is set to each key as it goes, so it holds
// the last key of the section afterwards.
template <class F>
void ForEachActionLine(IniFileHandler& h, F&& line) {
  const std::vector<std::wstring> keys = h.EnumerateSection();
  for (const std::wstring& key : keys) {
    h.set_key(key);
    const std::wstring value = h.ReadValue();
    if (key.empty() || value.empty()) continue;
    line(key, value);
  }
}

// The value cut at every separator: no quoting, no trimming, empty fields count.
std::vector<std::wstring> SplitFields(const std::wstring& value, wchar_t separator);
// Field `index` (from 0); error 9 when the line has fewer fields.
const std::wstring& Field(const std::vector<std::wstring>& fields, size_t index);

// How the name of a variable reference is looked up.
enum class Lookup {
  Environment,             // the runtime component, flag 0
  EnvironmentFlagged,      // the runtime component, flag true
  FoldersThenEnvironment,  // "windir"/"winsysdir" as system folders, else flag 0
  FoldersThenFlagged,      // "windir"/"winsysdir" as system folders, else flag true
  ProcessWindir,           // "windir" from this process's environment, else flag 0
};

// A field that begins with "%" is a reference: cut at every "%", piece 1 is the name and
// piece 2 the tail (error 9 when there is no second "%"); the result is the name's value
// followed by the tail. Any other field is returned unchanged.
std::wstring ExpandReference(const std::wstring& field, Lookup lookup);

// Raised by action methods that this build does not carry.
[[noreturn]] void ActionNotAvailable(const wchar_t* method);

// Starts a command line with a hidden window and does not wait for it; raises 53 when the
// program cannot be started.
void StartHidden(const std::wstring& command);

}  // namespace kz

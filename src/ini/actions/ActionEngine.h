// What all actions of the INI action engine share: the line loop over the current section,
// cutting a line's value into fields, and expanding variable references.
#pragma once
#include <string>
#include <unordered_map>
#include <vector>

#include "com/ptr.h"
#include "ini/clsKelzudINIFileHandler1A.h"
#include "ini/fields.h"
#include "platform/envstamp.h"
#include "platform/profile.h"

namespace kz {

// The values of the handler's current section for one action, read from the file in one pass
// and read again whenever the file changes (an action line may write to the very file being
// run). Value() gives exactly what reading `Value` would: a line that the one pass cannot give
// exactly (quotes or spaces at its ends, a value longer than a read returns, a section with
// names outside ASCII) is read on its own.
class SectionValues {
 public:
  explicit SectionValues(IniFileHandler& h) : h_(h) {}
  // The value of the handler's current Key.
  std::wstring Value();

 private:
  struct Entry {
    bool exact;
    std::wstring value;
  };
  void Load(const ProfileStamp& stamp);

  IniFileHandler& h_;
  bool loaded_ = false, usable_ = false;
  std::wstring path_, section_;
  ProfileStamp stamp_;
  std::unordered_map<std::wstring, Entry> values_;  // by lower-case key; the first line wins
};

// Calls `line(key, value)` for every key in `keys` (the handler's current section, in file
// order), skipping lines whose key or value is empty. `Key` is set to each key as it goes, so
// it holds the last key of the section afterwards.
template <class F>
void ForEachActionLine(IniFileHandler& h, const std::vector<std::wstring>& keys, F&& line) {
  SectionValues values(h);
  for (const std::wstring& key : keys) {
    h.set_key(key);
    const std::wstring value = values.Value();
    if (key.empty() || value.empty()) continue;
    line(key, value);
  }
}
template <class F>
void ForEachActionLine(IniFileHandler& h, F&& line) {
  ForEachActionLine(h, h.EnumerateSection(), line);
}

// How the name of a variable reference is looked up.
enum class Lookup {
  Environment,             // the runtime component, flag 0
  EnvironmentFlagged,      // the runtime component, flag true
  FoldersThenEnvironment,  // "windir"/"winsysdir" as system folders, else flag 0
  FoldersThenFlagged,      // "windir"/"winsysdir" as system folders, else flag true
  ProcessWindir,           // "windir" from this process's environment, else flag 0
};

// The variable references of one action. The runtime component that answers them is created
// at the first reference and released when the action ends (when this object goes).
class ActionVariables {
 public:
  // A field that begins with "%" is a reference: cut at every "%", piece 1 is the name and
  // piece 2 the tail (error 9 when there is no second "%"); the result is the name's value
  // followed by the tail. Any other field is returned unchanged.
  std::wstring Expand(const std::wstring& field, Lookup lookup);

 private:
  std::wstring FromRuntime(const std::wstring& name, bool flagged);
  Ptr<IDispatch> runtime_;
  // The answers of this action, by lower-case name and flag. They hold while the user's stored
  // environment and this process's environment stay as they were when they were taken: any
  // change, by this action's own lines or by anyone else, starts afresh.
  std::unordered_map<std::wstring, std::wstring> answers_;
  EnvironmentWatch watch_;
  EnvironmentStamp stamp_;
};

// Raised by action methods that this build does not carry.
[[noreturn]] void ActionNotAvailable(const wchar_t* method);

// Starts a command line with a hidden window and does not wait for it; raises 53 when the
// program cannot be started.
void StartHidden(const std::wstring& command);

}  // namespace kz

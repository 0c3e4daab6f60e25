#include "shell/filetypes.h"

#include <vector>

#include "base/owner.h"
#include "base/text.h"
#include "base/win.h"
#include "frame/modules.h"
#include "platform/registry.h"
#include "platform/ui.h"

namespace kz {
namespace filetypes {
namespace {

const HKEY kRoot = HKEY_CLASSES_ROOT;

void Say(const wchar_t* text) { ShowMessage(text, MB_OK, LibraryTitle()); }

// One name of the class registry: a type identifier or a verb. A backslash would reach into
// another key (".txt\\ShellNew", "txtfile\\shell" with its default verb), and the empty name is
// the root itself or the "shell" key's default-verb value.
bool IsSingleName(const std::wstring& name) {
  return !name.empty() && name.find(L'\\') == std::wstring::npos && registry::IsKeyPath(name);
}

std::wstring WithDot(const std::wstring& extension) {
  return !extension.empty() && extension[0] == L'.' ? extension : L"." + extension;
}

// An extension is a dot and at least one more character, one key name.
bool IsExtension(const std::wstring& dotted) { return dotted.size() > 1 && IsSingleName(dotted); }

// Application paths given already quoted are quoted once, not twice: a doubled quote would
// start the command with an empty program name.
std::wstring Unquoted(const std::wstring& path) {
  if (path.size() >= 2 && path.front() == L'"' && path.back() == L'"') return path.substr(1, path.size() - 2);
  return path;
}

// What one call changed, so that a failure can take it back: keys it created and the earlier
// state of each default value it wrote. Undone in reverse order unless committed.
class Journal {
 public:
  Journal() = default;
  Journal(const Journal&) = delete;
  Journal& operator=(const Journal&) = delete;
  ~Journal() {
    if (!committed_) Rollback();
  }

  // Before a key at `path` is created: each level of it that is not there yet.
  void BeforeCreate(const std::wstring& path) {
    for (size_t end = path.find(L'\\');; end = path.find(L'\\', end + 1)) {
      std::wstring level = path.substr(0, end);
      RegKey probe;
      // Only a key the registry reports as absent is ours to remove later; one we merely
      // cannot read is somebody else's.
      if (registry::OpenKey(kRoot, level, KEY_READ, &probe) == ERROR_FILE_NOT_FOUND)
        steps_.push_back(Step{Step::Created, level, false, 0, {}});
      if (end == std::wstring::npos) break;
    }
  }

  // Before the default value of the open key at `path` is written: its present state, bytes
  // as stored (the wide reading keeps text outside the code page exact).
  void BeforeWrite(HKEY key, const std::wstring& path) {
    Step s{Step::Written, path, false, 0, {}};
    DWORD size = 0;
    if (RegQueryValueExW(key, nullptr, nullptr, &s.type, nullptr, &size) == ERROR_SUCCESS) {
      s.bytes.resize(size);
      s.had_value = RegQueryValueExW(key, nullptr, nullptr, &s.type, s.bytes.data(), &size) == ERROR_SUCCESS;
      s.bytes.resize(size);
    }
    steps_.push_back(std::move(s));
  }

  void Commit() { committed_ = true; }

 private:
  struct Step {
    enum Kind { Created, Written } kind;
    std::wstring path;
    bool had_value;
    DWORD type;
    std::vector<BYTE> bytes;
  };

  void Rollback() {
    for (auto it = steps_.rbegin(); it != steps_.rend(); ++it) {
      RegKey key;
      if (registry::OpenKey(kRoot, it->path, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) continue;
      if (it->kind == Step::Written) {
        if (it->had_value)
          RegSetValueExW(key.get(), nullptr, 0, it->type,
                         it->bytes.empty() ? reinterpret_cast<const BYTE*>(L"") : it->bytes.data(),
                         static_cast<DWORD>(it->bytes.size()));
        else
          RegDeleteValueW(key.get(), nullptr);
        continue;
      }
      // A key this call created goes only while it is still empty: anything else in it now is
      // not ours to delete.
      DWORD subkeys = 1, values = 1;
      bool empty = RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                                    nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
                   subkeys == 0 && values == 0;
      key.reset();
      if (empty && !it->path.empty()) registry::DeleteKey(kRoot, it->path);
    }
  }

  std::vector<Step> steps_;
  bool committed_ = false;
};

// Creates or opens the key for writing; a failure (or a name that is no key of its own) is
// shown and gives an empty key, on which the following write fails.
RegKey Create(Journal& journal, const std::wstring& path, bool usable) {
  RegKey key;
  LONG rc = ERROR_INVALID_PARAMETER;
  if (usable) {
    journal.BeforeCreate(path);
    rc = registry::CreateKey(kRoot, path, KEY_ALL_ACCESS, &key);
  }
  if (rc != ERROR_SUCCESS) {
    key.reset();
    Say(L"Error: Creating Key!");
  }
  return key;
}

// Writes `text` as the key's default string value, with its terminating NUL so that every
// reader (ours included) gets the whole text back.
bool Write(Journal& journal, const RegKey& key, const std::wstring& path, const std::wstring& text) {
  LONG rc = ERROR_INVALID_HANDLE;
  if (key) {
    journal.BeforeWrite(key.get(), path);
    rc = registry::SetText(key.get(), L"", REG_SZ, text + L'\0');
  }
  if (rc != ERROR_SUCCESS) {
    Say(L"Error Setting String Value!");
    return false;
  }
  return true;
}

}  // namespace

void Associate(const std::wstring& extension, const std::wstring& application, std::wstring& identifier,
               const std::wstring& description, std::wstring& icon, EmptyIcon rule) {
  Journal journal;
  const std::wstring ext = WithDot(extension);
  const std::wstring app = Unquoted(application);
  const bool type_ok = IsSingleName(identifier);

  RegKey key = Create(journal, ext, IsExtension(ext));
  if (!Write(journal, key, ext, identifier)) return;
  key.reset();

  key = Create(journal, identifier, type_ok);
  if (!Write(journal, key, identifier, description)) return;
  key.reset();

  const std::wstring icon_path = identifier + L"\\DefaultIcon";
  key = Create(journal, icon_path, type_ok);
  if (rule == EmptyIcon::FromApplication && icon.empty()) icon = app + L",0";
  if (!Write(journal, key, icon_path, icon)) return;
  key.reset();

  identifier += L"\\shell";
  key = Create(journal, identifier, type_ok);
  key.reset();
  identifier += L"\\open";
  key = Create(journal, identifier, type_ok);
  key.reset();
  identifier += L"\\command";
  key = Create(journal, identifier, type_ok);
  if (!Write(journal, key, identifier, L"\"" + app + L"\" \"%1\"")) return;
  journal.Commit();
}

void AddCommand(const std::wstring& extension, const std::wstring& action, const std::wstring& command) {
  const std::wstring ext = WithDot(extension);
  std::wstring type;
  {
    RegKey key;
    LONG rc = IsExtension(ext) ? registry::OpenKey(kRoot, ext, KEY_ALL_ACCESS, &key) : ERROR_FILE_NOT_FOUND;
    if (rc != ERROR_SUCCESS) {
      Say(L"Error: Opening Registry Key!");
      return;
    }
    registry::ValueData data;
    rc = registry::QueryValue(key.get(), L"", &data);
    // A default value that is no text names no type.
    if (rc != ERROR_SUCCESS || (data.type != REG_SZ && data.type != REG_EXPAND_SZ)) {
      Say(L"Error: Querying Value!");
      return;
    }
    type = data.Text();
    type = type.substr(0, type.find(L'\0'));  // stored with or without its terminator
  }

  // An empty type would put the verb under the registry's root.
  const bool usable = IsSingleName(type) && IsSingleName(action);
  Journal journal;
  const std::wstring verb = type + L"\\shell\\" + action;
  RegKey key = Create(journal, verb, usable);
  if (!Write(journal, key, verb, action)) return;
  key.reset();
  const std::wstring verb_command = verb + L"\\command";
  key = Create(journal, verb_command, usable);
  if (!Write(journal, key, verb_command, command)) return;
  journal.Commit();
}

void AssociateForCaller(BSTR* extension, BSTR* application, BSTR* identifier, BSTR* description, BSTR* icon,
                        EmptyIcon rule) {
  const std::wstring identifier_in = FromBstr(identifier), icon_in = FromBstr(icon);
  std::wstring identifier_out = identifier_in, icon_out = icon_in;
  Associate(FromBstr(extension), FromBstr(application), identifier_out, FromBstr(description), icon_out, rule);
  // The caller's variables change only where the registration changed them.
  if (identifier_out != identifier_in) StoreBstr(identifier, identifier_out);
  if (icon_out != icon_in) StoreBstr(icon, icon_out);
}

void AddCommandForCaller(BSTR* extension, BSTR* action, BSTR* command) {
  AddCommand(FromBstr(extension), FromBstr(action), FromBstr(command));
}

}  // namespace filetypes
}  // namespace kz

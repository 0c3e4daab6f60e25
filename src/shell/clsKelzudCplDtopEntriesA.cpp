#include "shell/clsKelzudCplDtopEntriesA.h"

#include <algorithm>
#include <vector>

#include "base/longhandle.h"
#include "base/owner.h"
#include "base/text.h"
#include "frame/catalogue.h"
#include "frame/modules.h"
#include "platform/registry.h"
#include "platform/ui.h"

namespace kz {

const wchar_t CplDtopEntries::kDesktopNameSpace[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Desktop\\NameSpace\\";
const wchar_t CplDtopEntries::kControlPanelNameSpace[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ControlPanel\\NameSpace\\";

namespace {

constexpr REGSAM kTextKeyAccess = 0x2003F;  // read control, query, set, create subkey, enumerate, notify, link
constexpr REGSAM kKeyWrite = 0x20006;       // KEY_WRITE
const wchar_t kClassesRootName[] = L"HKEY_CLASSES_ROOT";

struct RootName {
  const wchar_t* name;
  long root;
};
const RootName kRoots[] = {
    {L"HKEY_CLASSES_ROOT", static_cast<long>(0x80000000)},     {L"HKEY_CURRENT_USER", static_cast<long>(0x80000001)},
    {L"HKEY_LOCAL_MACHINE", static_cast<long>(0x80000002)},    {L"HKEY_USERS", static_cast<long>(0x80000003)},
    {L"HKEY_PERFORMANCE_DATA", static_cast<long>(0x80000004)}, {L"HKEY_CURRENT_CONFIG", static_cast<long>(0x80000005)},
    {L"HKEY_DYN_DATA", static_cast<long>(0x80000006)},
};

HKEY KeyOfRoot(long root) { return root ? HandleFromLong<HKEY>(root) : nullptr; }

void IncorrectFormat(const std::wstring& path) {
  ShowMessage(L"Incorrect Format:\n\n" + path, MB_OK, LibraryTitle());
}

void ShowRegistryError(LONG code) { ShowMessage(CplDtopEntries::ErrorText(code), MB_OK, LibraryTitle()); }

// A full path ("HKEY_CLASSES_ROOT\CLSID\...") as its root and the rest. A path that does not
// start with a root name's "HKEY_" or that ends with "\" is shown as malformed and gives no root.
bool SplitFullPath(const std::wstring& path, HKEY* root, std::wstring* rest) {
  if (path.compare(0, 5, L"HKEY_") != 0 || path.back() == L'\\') {
    IncorrectFormat(path);
    return false;
  }
  size_t cut = path.find(L'\\');
  *root = KeyOfRoot(CplDtopEntries::RootOfName(path.substr(0, cut)));
  *rest = cut == std::wstring::npos ? std::wstring() : path.substr(cut + 1);
  return *root != nullptr;
}

// The keys and values one Create changed, and what they held before, so that a failure can
// put back the state the entry was in.
class Journal {
 public:
  // Opens or creates a key (class text "1", the access given); keys made on the way are noted.
  LONG CreateKey(HKEY root, const std::wstring& path, REGSAM access, RegKey* out) {
    if (!registry::IsKeyPath(path)) return ERROR_INVALID_PARAMETER;
    NoteKeysToMake(root, path);
    char key_class[] = "1";
    return RegCreateKeyExA(root, ToAnsi(path).c_str(), 0, key_class, 0, access, nullptr, out->out(), nullptr);
  }
  // RegCreateKeyA, as the full-path form creates keys.
  LONG CreateKeyPlain(HKEY root, const std::wstring& path) {
    if (!registry::IsKeyPath(path)) return ERROR_INVALID_PARAMETER;
    NoteKeysToMake(root, path);
    RegKey key;
    return RegCreateKeyA(root, ToAnsi(path).c_str(), key.out());
  }
  // Sets a value of an open key, noting what it held.
  LONG SetValue(HKEY root, const std::wstring& path, HKEY key, const std::wstring& name, DWORD type,
                const std::string& bytes, DWORD size) {
    Step s{false, root, path, name};
    RegKey reader;
    registry::ValueData old;
    if (registry::OpenKey(root, path, KEY_QUERY_VALUE, &reader) == ERROR_SUCCESS &&
        registry::QueryValue(reader.get(), name, &old) == ERROR_SUCCESS) {
      s.existed = true;
      s.type = old.type;
      s.data = std::move(old.bytes);
    }
    steps_.push_back(std::move(s));
    return RegSetValueExA(key, ToAnsi(name).c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()), size);
  }
  // Puts everything back, the latest change first.
  void Undo() {
    for (auto it = steps_.rbegin(); it != steps_.rend(); ++it) {
      if (it->key_made) {
        RegDeleteKeyA(it->root, ToAnsi(it->path).c_str());
        continue;
      }
      RegKey key;
      if (registry::OpenKey(it->root, it->path, KEY_SET_VALUE, &key) != ERROR_SUCCESS) continue;
      if (it->existed)
        registry::SetBytes(key.get(), it->name, it->type, it->data.data(), static_cast<DWORD>(it->data.size()));
      else
        registry::DeleteValue(key.get(), it->name);
    }
    steps_.clear();
  }

 private:
  struct Step {
    bool key_made;
    HKEY root;
    std::wstring path, name;
    bool existed = false;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
  };
  // Notes each key of `path` that does not exist yet, the outermost first: a create that fails
  // half way may leave some of them behind.
  void NoteKeysToMake(HKEY root, const std::wstring& path) {
    size_t end = 0;
    bool missing = false;
    while (end != std::wstring::npos) {
      end = path.find(L'\\', end + 1);
      std::wstring step = path.substr(0, end);
      if (!missing) {
        RegKey probe;
        missing = registry::OpenKey(root, step, KEY_QUERY_VALUE, &probe) == ERROR_FILE_NOT_FOUND;
      }
      if (missing) steps_.push_back(Step{true, root, step, L""});
    }
  }
  std::vector<Step> steps_;
};

// One Create: each write in order, stopping at the first failure.
class EntryWriter {
 public:
  // Writes a text value; an empty text is written (and handed back) as a single space.
  bool Text(HKEY root, const std::wstring& path, const std::wstring& name, std::wstring& text) {
    if (text.empty()) text = L" ";
    RegKey key;
    LONG rc = journal_.CreateKey(root, path, kTextKeyAccess, &key);
    if (rc != ERROR_SUCCESS) return Failed(rc);
    const std::string bytes = ToAnsi(text);
    // Stored with its terminator, so that no reader meets a text without one.
    rc = journal_.SetValue(root, path, key.get(), name, REG_SZ, bytes, static_cast<DWORD>(bytes.size() + 1));
    return rc == ERROR_SUCCESS || Failed(rc);
  }
  // Creates a key by full path.
  bool Key(const std::wstring& full_path) {
    HKEY root = nullptr;
    std::wstring rest;
    if (!SplitFullPath(full_path, &root, &rest)) return Failed(ERROR_INVALID_PARAMETER, false);
    LONG rc = journal_.CreateKeyPlain(root, rest);
    return rc == ERROR_SUCCESS || Failed(rc);
  }
  // Writes a binary value by full path into an existing key, one byte per character.
  bool Binary(const std::wstring& full_path, const std::wstring& name, const std::wstring& data) {
    HKEY root = nullptr;
    std::wstring rest;
    if (!SplitFullPath(full_path, &root, &rest)) return Failed(ERROR_INVALID_PARAMETER, false);
    RegKey key;
    LONG rc = registry::OpenKey(root, rest, kKeyWrite, &key);
    if (rc != ERROR_SUCCESS) return Failed(rc);
    const std::string bytes = ToAnsi(data);
    rc = journal_.SetValue(root, rest, key.get(), name, REG_BINARY, bytes, static_cast<DWORD>(data.size()));
    return rc == ERROR_SUCCESS || Failed(rc);
  }

 private:
  bool Failed(LONG rc, bool show = true) {
    journal_.Undo();
    if (show) ShowRegistryError(rc);
    return false;
  }
  Journal journal_;
};

void HandBack(BSTR* b, const std::wstring& text) {
  if (b && FromBstr(*b) != text) StoreBstr(b, text);
}
// The switches act only when exactly true; an omitted one is true.
bool IsExactlyTrue(const VARIANT_BOOL* b) { return !b || *b == VARIANT_TRUE; }

// The text of a key's default value up to its first NUL; empty when there is none.
std::wstring DefaultText(const std::wstring& path) {
  RegKey key;
  registry::ValueData v;
  if (registry::OpenKey(HKEY_CLASSES_ROOT, path, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS ||
      registry::QueryValue(key.get(), L"", &v) != ERROR_SUCCESS || (v.type != REG_SZ && v.type != REG_EXPAND_SZ))
    return std::wstring();
  std::wstring t = v.Text();
  return t.substr(0, t.find(L'\0'));
}

bool KeyPresent(const std::wstring& path) {
  RegKey key;
  return registry::OpenKey(HKEY_CLASSES_ROOT, path, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS;
}

// Whether a server text names the shell's own library, with or without a folder or quotes.
bool IsShellServer(std::wstring server) {
  server.erase(std::remove(server.begin(), server.end(), L'"'), server.end());
  while (!server.empty() && server.back() == L' ') server.pop_back();
  size_t cut = server.find_last_of(L"\\/");
  return EqualNoCase(cut == std::wstring::npos ? server : server.substr(cut + 1), L"shell32.dll");
}

// The key of a server other than the shell's that the class key `cls` ("CLSID\" G) is
// registered for, or empty. An entry points the class at the shell: written over such a
// class, that program's objects could no longer be created.
std::wstring OtherServerKey(const std::wstring& cls) {
  const std::wstring in_proc = cls + L"\\InProcServer32", local = cls + L"\\LocalServer32";
  const std::wstring server = DefaultText(in_proc);
  if (!server.empty() && !IsShellServer(server)) return in_proc;
  if (!DefaultText(local).empty()) return local;
  return std::wstring();
}

// Whether the class key holds an entry as Create writes it: the shell's library by the name
// Create gives it, and the folder attributes it writes.
bool WrittenHere(const std::wstring& cls) {
  if (!KeyPresent(cls + L"\\InProcServer32")) return true;  // nothing of a server to keep
  if (!EqualNoCase(DefaultText(cls + L"\\InProcServer32"), L"shell32.dll")) return false;
  RegKey key;
  registry::ValueData v;
  return registry::OpenKey(HKEY_CLASSES_ROOT, cls + L"\\ShellFolder", KEY_QUERY_VALUE, &key) == ERROR_SUCCESS &&
         registry::QueryValue(key.get(), L"Attributes", &v) == ERROR_SUCCESS && v.type == REG_BINARY &&
         v.bytes == std::vector<BYTE>(4, 0);
}

void ShowPath(const wchar_t* what, const std::wstring& path) {
  ShowMessage(std::wstring(what) + L"\n\n" + kClassesRootName + L"\\" + path, MB_OK, LibraryTitle());
}

bool IsHex(wchar_t c) { return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F'); }

}  // namespace

long CplDtopEntries::RootOfName(const std::wstring& name) {
  for (const RootName& r : kRoots)
    if (name == r.name) return r.root;
  return 0;
}

std::wstring CplDtopEntries::ErrorText(long code) {
  switch (code) {
    case 2:
    case 1010: return L"Bad Key Name";
    case 4:
    case 1012: return L"Can't Read Key";
    case 5: return L"Access to this key is denied";
    case 8:
    case 14: return L"Out of memory";
    case 87: return L"Invalid Parameter";
    case 234: return L"There is more data than the buffer has been allocated to hold.";
    case 1009:
    case 1015: return L"The Registry Database is corrupt!";
    case 1011: return L"Can't Open Key";
    case 1013: return L"Can't Write Key";
    default: return L"Undefined Error Code: " + std::wstring(code < 0 ? L"" : L" ") + std::to_wstring(code);
  }
}

bool CplDtopEntries::IsGuidText(const std::wstring& guid) {
  std::wstring g = guid;
  if (g.size() == 38 && g.front() == L'{' && g.back() == L'}') g = g.substr(1, 36);
  if (g.size() != 36) return false;
  for (size_t i = 0; i < g.size(); ++i) {
    bool dash = i == 8 || i == 13 || i == 18 || i == 23;
    if (dash ? g[i] != L'-' : !IsHex(g[i])) return false;
  }
  return true;
}

void CplDtopEntries::Create(const std::wstring& guid, std::wstring& title, std::wstring& tip, std::wstring& icon,
                            std::wstring& file_to_open, bool desktop, bool control_panel) {
  const std::wstring cls = L"CLSID\\" + guid;
  if (!IsGuidText(guid)) {
    // "CLSID\" with nothing (or a path) after it would write into keys of other classes.
    IncorrectFormat(std::wstring(kClassesRootName) + L"\\" + cls);
    return;
  }
  // The shell reads each text up to a NUL: such a text, or one longer than any path, would give
  // the item another title, icon or command than the one given.
  for (const std::wstring* t : {&title, &tip, &icon, &file_to_open}) {
    if (!IsUsablePath(*t)) {
      ShowRegistryError(ERROR_INVALID_PARAMETER);
      return;
    }
  }
  const std::wstring other = OtherServerKey(cls);
  if (!other.empty()) {
    ShowPath(L"Registered for another server:", other);
    return;
  }
  std::wstring server = L"shell32.dll", model = L"Apartment", space = L" ";
  EntryWriter w;
  HKEY classes = HKEY_CLASSES_ROOT, machine = HKEY_LOCAL_MACHINE;
  if (!w.Text(classes, cls, L"", title) || !w.Text(classes, cls, L"InfoTip", tip) ||
      !w.Text(classes, cls + L"\\DefaultIcon", L"", icon) ||
      !w.Text(classes, cls + L"\\InProcServer32", L"", server) ||
      !w.Text(classes, cls + L"\\InProcServer32", L"ThreadingModel", model) ||
      !w.Text(classes, cls + L"\\Shell\\Open\\Command", L"", file_to_open))
    return;
  if (desktop && !w.Text(machine, kDesktopNameSpace + guid, L"", space)) return;
  if (control_panel && !w.Text(machine, kControlPanelNameSpace + guid, L"", space)) return;
  const std::wstring folder = std::wstring(kClassesRootName) + L"\\" + cls + L"\\ShellFolder";
  if (!w.Key(folder)) return;
  w.Binary(folder, L"Attributes", std::wstring(4, L'\0'));
}

void CplDtopEntries::Remove(const std::wstring& guid, bool desktop, bool control_panel) {
  const std::wstring cls = L"CLSID\\" + guid;
  if (!IsGuidText(guid)) {
    IncorrectFormat(std::wstring(kClassesRootName) + L"\\" + cls);
    return;
  }
  // Only an entry as Create writes it is removed: another program's class, and the namespace
  // entries that list it, stay as they are.
  const std::wstring other = OtherServerKey(cls);
  if (!other.empty()) {
    ShowPath(L"Registered for another server:", other);
    return;
  }
  if (!WrittenHere(cls)) {
    ShowPath(L"Not an entry of this library:", cls);
    return;
  }
  // The namespace entries go first: while one cannot be removed, the class it lists stays.
  for (const wchar_t* ns : {desktop ? kDesktopNameSpace : nullptr, control_panel ? kControlPanelNameSpace : nullptr}) {
    if (!ns) continue;
    LONG rc = registry::DeleteKey(HKEY_LOCAL_MACHINE, ns + guid);
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) {
      ShowRegistryError(rc);
      return;
    }
  }
  // Single-key deletes, deepest first: a key that still holds subkeys of someone else's stays.
  for (const wchar_t* sub : {L"\\Shell\\Open\\Command", L"\\Shell\\Open", L"\\Shell", L"\\DefaultIcon",
                             L"\\InProcServer32", L"\\ShellFolder"})
    registry::DeleteKey(HKEY_CLASSES_ROOT, cls + sub);
  registry::DeleteKey(HKEY_CLASSES_ROOT, cls + L"\\ShellEx\\PropertySheetHandlers\\" + guid);
  registry::DeleteKey(HKEY_CLASSES_ROOT, cls);
}

STDMETHODIMP CplDtopEntries::CreateEntryToSystem(BSTR* GUID, BSTR* Title, BSTR* ToolTipText, BSTR* IconData,
                                                 BSTR* FileToOpen, VARIANT_BOOL* bUpdateDeskTop,
                                                 VARIANT_BOOL* bUpdateControlPanel, VARIANT* ret) {
  if (ret) VariantInit(ret);
  return Guard([&] {
    std::wstring title = FromBstr(Title), tip = FromBstr(ToolTipText), icon = FromBstr(IconData);
    std::wstring file = FromBstr(FileToOpen);
    Create(FromBstr(GUID), title, tip, icon, file, IsExactlyTrue(bUpdateDeskTop), IsExactlyTrue(bUpdateControlPanel));
    HandBack(Title, title);
    HandBack(ToolTipText, tip);
    HandBack(IconData, icon);
    HandBack(FileToOpen, file);
  });
}

STDMETHODIMP CplDtopEntries::DeleteEntryFromSystem(BSTR* GUID, VARIANT_BOOL* bUpdateDeskTop,
                                                   VARIANT_BOOL* bUpdateControlPanel, VARIANT* ret) {
  if (ret) VariantInit(ret);
  return Guard([&] { Remove(FromBstr(GUID), IsExactlyTrue(bUpdateDeskTop), IsExactlyTrue(bUpdateControlPanel)); });
}

KZ_REGISTER_CLASS(CplDtopEntries);

}  // namespace kz

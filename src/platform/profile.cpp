#include "platform/profile.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <unordered_map>
#include <utility>
#include <vector>

#include "base/owner.h"
#include "base/text.h"
#include "base/win.h"

namespace kz {
namespace {

// Wine's ANSI entry points convert each argument through a counted string of at most 32,766
// characters; a longer one is passed on uninitialised and crashes the process.
constexpr size_t kAnsiLimit = 32766;
// List reads start with the buffer the library always used and grow until the list fits.
constexpr DWORD kFirstListBuffer = 8192;
constexpr DWORD kLongestList = 1u << 28;
// How long a writer waits for another process's write of the same file, and for readers to let
// go of the file before it is replaced.
constexpr DWORD kLockWait = 60000;
// Free space beyond which a write is not expected to run out of room.
constexpr unsigned long long kPlentyOfRoom = 256ull << 20;
// A copy up to this size, with its room, is written in one piece from the stack.
constexpr size_t kSmallRoom = 32768;
constexpr DWORD kReplaceWait = 5000;

std::atomic<unsigned long> g_writes{0};

bool TooLong(const std::string& s) { return s.size() >= kAnsiLimit; }

// The full path the platform opens for `file` (already in its ANSI form); false when the
// platform cannot name it. A name without a folder is looked up in the Windows folder.
bool FullPath(const std::wstring& file, std::wstring* full) {
  if (file.size() >= 32767) return false;
  bool bare = file.find_first_of(L"\\/") == std::wstring::npos && !(file.size() >= 2 && file[1] == L':');
  if (bare) {
    wchar_t windir[MAX_PATH];
    UINT n = GetWindowsDirectoryW(windir, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;
    *full = std::wstring(windir, n);
    if (full->back() != L'\\') *full += L'\\';
    *full += file;
  } else {
    DWORD n = GetFullPathNameW(file.c_str(), 0, nullptr, nullptr);
    if (n == 0) return false;
    std::wstring buf(n, L'\0');
    DWORD m = GetFullPathNameW(file.c_str(), n, &buf[0], nullptr);
    if (m == 0 || m >= n) return false;
    buf.resize(m);
    *full = buf;
  }
  return full->size() < MAX_PATH;
}

// The file as the ANSI entry point receives it, and whether the platform can name it.
struct FileName {
  std::string ansi;
  std::wstring wide, full;
  bool nameable;
  explicit FileName(const std::wstring& file)
      : ansi(ToAnsi(file)), wide(FromAnsi(ansi)), nameable(FullPath(wide, &full)) {}
};

const char* Opt(const std::string* s) { return s ? s->c_str() : nullptr; }
const wchar_t* Opt(const std::wstring* s) { return s ? s->c_str() : nullptr; }

// GetPrivateProfileStringA, or the wide entry point when a text is too long for it; the
// result comes back as the ANSI call would give it.
std::wstring ReadString(const std::string* section, const std::string* key, const std::string& def, DWORD size,
                        const FileName& file, DWORD* count) {
  if ((section && TooLong(*section)) || (key && TooLong(*key)) || TooLong(def)) {
    std::wstring ws = section ? FromAnsi(*section) : L"", wk = key ? FromAnsi(*key) : L"", wd = FromAnsi(def);
    std::wstring buf(size, L'\0');
    DWORD n = GetPrivateProfileStringW(section ? ws.c_str() : nullptr, key ? wk.c_str() : nullptr, wd.c_str(),
                                       &buf[0], size, file.wide.c_str());
    *count = std::min(n, size);
    buf.resize(*count);
    return FromAnsi(ToAnsi(buf));
  }
  std::string buf(size, '\0');
  DWORD n = GetPrivateProfileStringA(Opt(section), Opt(key), def.c_str(), &buf[0], size, file.ansi.c_str());
  *count = std::min(n, size);
  return FromAnsi(buf.data(), *count);
}

// A list read again with a larger buffer while the platform says it was cut (it then copies
// size - 2 characters).
template <class Read>
std::wstring GrowingRead(Read&& read) {
  for (DWORD size = kFirstListBuffer;; size *= 2) {
    DWORD n = 0;
    std::wstring list = read(size, &n);
    if (n + 2 < size || size >= kLongestList) return list;
  }
}

// ---- writes ---------------------------------------------------------------------------------

bool HasLineBreak(const std::wstring& s) { return s.find_first_of(L"\r\n") != std::wstring::npos; }

// Whether key=value in [section] is written as one line that reads back as written.
bool Representable(const std::wstring& section, const std::wstring& key, const std::wstring& value) {
  if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value)) return false;
  if (section.find(L']') != std::wstring::npos || key.find(L'=') != std::wstring::npos) return false;
  size_t first = key.find_first_not_of(L" \t");
  return first == std::wstring::npos || (key[first] != L'[' && key[first] != L';');
}

// One writer of a file at a time, across processes: a mutex named after the full path. The
// mutexes of the files a process writes are kept open (up to a bound), so a loop of writes to
// one file does not create and close its mutex every time.
class WriterLock {
 public:
  explicit WriterLock(const std::wstring& full) {
    unsigned long long h = 1469598103934665603ull;  // FNV-1a of the path, without regard to case
    for (wchar_t c : UpperCase(full)) {
      h ^= static_cast<unsigned long long>(c);
      h *= 1099511628211ull;
    }
    mutex_ = Kept(h);
    if (!mutex_) {
      wchar_t name[64];
      std::swprintf(name, 64, L"Local\\Kelzud10.ProfileWriter.%016llx", h);
      own_.reset(CreateMutexW(nullptr, FALSE, name));
      if (!own_) return;
      mutex_ = Keep(h, own_) ? own_.release() : own_.get();
    }
    DWORD w = WaitForSingleObject(mutex_, kLockWait);
    owned_ = w == WAIT_OBJECT_0 || w == WAIT_ABANDONED;  // a writer that died left the file whole
  }
  ~WriterLock() {
    if (owned_) ReleaseMutex(mutex_);
  }
  WriterLock(const WriterLock&) = delete;
  WriterLock& operator=(const WriterLock&) = delete;
  explicit operator bool() const { return owned_; }

 private:
  static constexpr size_t kKeptMutexes = 64;
  struct Kept_ {
    unsigned long long hash;
    HANDLE mutex;
  };
  static SRWLOCK lock_;
  static Kept_ kept_[kKeptMutexes];
  static size_t count_;

  static HANDLE Kept(unsigned long long h) {
    AcquireSRWLockShared(&lock_);
    HANDLE found = nullptr;
    for (size_t i = 0; i < count_ && !found; ++i)
      if (kept_[i].hash == h) found = kept_[i].mutex;
    ReleaseSRWLockShared(&lock_);
    return found;
  }
  // Whether the table took the handle (it is then closed only with the process).
  static bool Keep(unsigned long long h, const KernelHandle& m) {
    AcquireSRWLockExclusive(&lock_);
    bool kept = count_ < kKeptMutexes;
    if (kept) kept_[count_++] = {h, m.get()};
    ReleaseSRWLockExclusive(&lock_);
    return kept;
  }

  HANDLE mutex_ = nullptr;
  KernelHandle own_;
  bool owned_ = false;
};
SRWLOCK WriterLock::lock_ = SRWLOCK_INIT;
WriterLock::Kept_ WriterLock::kept_[WriterLock::kKeptMutexes];
size_t WriterLock::count_ = 0;

// A file read with its attributes through one handle: INVALID_FILE_ATTRIBUTES
// when there is no such file (its folder exists); false when it cannot be read.
bool ReadOriginal(const std::wstring& path, DWORD* attributes, std::string* bytes) {
  File f(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                     OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!f) {
    DWORD e = GetLastError();
    *attributes = GetFileAttributesW(path.c_str());  // a folder, or what kept the file from opening
    if (*attributes != INVALID_FILE_ATTRIBUTES) return (*attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return e == ERROR_FILE_NOT_FOUND && GetLastError() == ERROR_FILE_NOT_FOUND;  // else: no such folder
  }
  // Not GetFileInformationByHandle: it also asks for the volume's serial number, which costs
  // more than the rest of the read together.
  FILE_STANDARD_INFO size;
  FILE_BASIC_INFO basic;
  if (!GetFileInformationByHandleEx(f.get(), FileStandardInfo, &size, sizeof size) ||
      !GetFileInformationByHandleEx(f.get(), FileBasicInfo, &basic, sizeof basic) ||
      size.EndOfFile.QuadPart > 0x40000000)
    return false;
  *attributes = basic.FileAttributes;
  bytes->assign(static_cast<size_t>(size.EndOfFile.QuadPart), '\0');
  DWORD got = 0;
  return bytes->empty() ||
         (ReadFile(f.get(), &(*bytes)[0], static_cast<DWORD>(bytes->size()), &got, nullptr) && got == bytes->size());
}

bool WriteAll(HANDLE f, const char* data, size_t n) {
  while (n) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(n, 1u << 20)), done = 0;
    if (!WriteFile(f, data, chunk, &done, nullptr) || done != chunk) return false;
    data += chunk;
    n -= chunk;
  }
  return true;
}

// Writes the copy the platform's writer will work on: the file's bytes, followed by room for
// everything the write could add. The room is really taken on the disk and given back just
// before the platform writes, so a full disk shows here instead of cutting the file.
bool WriteCopy(const std::wstring& path, const std::string& bytes, size_t room, DWORD attributes) {
  File f(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr));
  if (!f) return false;
  if (room == 0) return WriteAll(f.get(), bytes.data(), bytes.size());
  if (bytes.size() + room <= kSmallRoom) {
    // One write of the bytes and their room together.
    char joined[kSmallRoom];
    std::copy(bytes.begin(), bytes.end(), joined);
    std::fill(joined + bytes.size(), joined + bytes.size() + room, '\0');
    if (!WriteAll(f.get(), joined, bytes.size() + room)) return false;
  } else {
    static const char kZeros[65536] = {};
    if (!WriteAll(f.get(), bytes.data(), bytes.size())) return false;
    for (size_t left = room; left;) {
      size_t n = std::min(left, sizeof kZeros);
      if (!WriteAll(f.get(), kZeros, n)) return false;
      left -= n;
    }
  }
  LARGE_INTEGER end;
  end.QuadPart = static_cast<LONGLONG>(bytes.size());
  return SetFilePointerEx(f.get(), end, nullptr, FILE_BEGIN) && SetEndOfFile(f.get());
}

// Whether the file holds exactly `bytes` (the platform's writer left it as it was).
bool Holds(const std::wstring& path, const std::string& bytes) {
  WIN32_FILE_ATTRIBUTE_DATA d;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &d)) return false;
  if (d.nFileSizeHigh != 0 || d.nFileSizeLow != bytes.size()) return false;
  std::string now;
  DWORD attributes = 0;
  return ReadOriginal(path, &attributes, &now) && attributes != INVALID_FILE_ATTRIBUTES && now == bytes;
}

// Replaces `target` by `source` in one rename; a reader that has the file open delays it.
bool ReplaceFile(const std::wstring& source, const std::wstring& target) {
  DWORD start = GetTickCount();
  for (;;) {
    if (MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    DWORD e = GetLastError();
    if ((e != ERROR_SHARING_VIOLATION && e != ERROR_ACCESS_DENIED && e != ERROR_LOCK_VIOLATION) ||
        GetTickCount() - start > kReplaceWait)
      return false;
    Sleep(1);
  }
}

// The platform's writer on `target`.
long PlatformWrite(const std::string& section, const std::string* key, const std::string* value,
                   const std::wstring& target) {
  std::string t = ToAnsi(target);
  if (!TooLong(section) && !(key && TooLong(*key)) && !(value && TooLong(*value)))
    return WritePrivateProfileStringA(section.c_str(), Opt(key), Opt(value), t.c_str());
  std::wstring ws = FromAnsi(section), wk = key ? FromAnsi(*key) : L"", wv = value ? FromAnsi(*value) : L"";
  return WritePrivateProfileStringW(ws.c_str(), key ? wk.c_str() : nullptr, value ? wv.c_str() : nullptr,
                                    FromAnsi(t).c_str());
}

// ---- the profile format, written here ------------------------------------------------------
//
// The platform's writer loads the whole file into sections of keys and saves it back whole.
// Loading ends lines at CR or LF, drops blank lines, trims white space around names and values, keeps a section name as
// it stands between "[" and the last "]", keeps lines without "=" (comments among them) as keys
// without a value, and keeps one empty-named key of a run. Saving writes "[name]" CR LF, then
// each key as name, "=" value (when it has one), CR LF. A write that changes nothing leaves the
// file untouched. The same rules applied here let one replace carry many writes, with the bytes
// the platform's writer would leave after the same writes one by one. Files and texts outside
// what these rules cover are left to the platform's writer.
namespace format {

bool Space(unsigned char c) { return c == ' ' || (c >= 0x09 && c <= 0x0d) || c == 0x1a; }

// Control characters the platform may or may not count as white space, and the no-break space.
bool Unusual(unsigned char c) { return (c < 0x20 && !Space(c)) || c == 0xa0; }

bool Plain(const std::string& s) {
  for (unsigned char c : s)
    if (Unusual(c)) return false;
  return true;
}

bool Ascii(const std::string& s) {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

std::string TrimLeft(const std::string& s) {
  size_t b = 0;
  while (b < s.size() && Space(static_cast<unsigned char>(s[b]))) ++b;
  return s.substr(b);
}

std::string TrimRight(const std::string& s) {
  size_t e = s.size();
  while (e > 0 && Space(static_cast<unsigned char>(s[e - 1]))) --e;
  return s.substr(0, e);
}

struct Key {
  std::string name, value;
  bool has_value = false;
};

struct Section {
  std::string name;  // empty: the keys before the first section
  std::vector<Key> keys;
  std::unordered_map<std::string, size_t> index;  // lower-case name as loaded -> first key

  void Add(Key k) {
    index.emplace(Lower(TrimRight(k.name)), keys.size());
    keys.push_back(std::move(k));
  }
};

struct Tree {
  std::vector<Section> sections;
  std::unordered_map<std::string, size_t> index;  // lower-case name -> first section

  Section& Add(const std::string& name) {
    if (!name.empty()) index.emplace(Lower(name), sections.size());
    sections.push_back(Section{name, {}, {}});
    return sections.back();
  }
};

// The file's sections and keys as the platform's writer loads them; false for a file these
// rules do not cover (a byte-order mark, unusual characters, names beyond ASCII, "[]").
bool Load(const std::string& bytes, Tree* tree) {
  if (bytes.size() >= 2 && ((bytes[0] == '\xff' && bytes[1] == '\xfe') || (bytes[0] == '\xfe' && bytes[1] == '\xff')))
    return false;
  if (bytes.size() >= 3 && bytes.compare(0, 3, "\xef\xbb\xbf") == 0) return false;
  if (!Plain(bytes)) return false;
  tree->Add(std::string());
  const Key* prev = nullptr;
  for (size_t pos = 0; pos < bytes.size();) {
    size_t nl = bytes.find_first_of("\r\n", pos);  // a lone CR ends a line too
    size_t b = pos, e = nl == std::string::npos ? bytes.size() : nl;
    pos = nl == std::string::npos ? bytes.size() : nl + 1;
    while (b < e && Space(static_cast<unsigned char>(bytes[b]))) ++b;
    while (e > b && Space(static_cast<unsigned char>(bytes[e - 1]))) --e;
    if (b >= e) continue;
    if (bytes[b] == '[') {
      size_t close = bytes.rfind(']', e - 1);
      if (close != std::string::npos && close > b) {
        std::string name = bytes.substr(b + 1, close - b - 1);
        if (name.empty() || !Ascii(name)) return false;
        tree->Add(name);
        prev = nullptr;
        continue;
      }
    }
    Key k;
    size_t eq = bytes.find('=', b);
    size_t name_end = e;
    if (eq != std::string::npos && eq < e) {
      name_end = eq;
      while (name_end > b && Space(static_cast<unsigned char>(bytes[name_end - 1]))) --name_end;
      size_t v = eq + 1;
      while (v < e && Space(static_cast<unsigned char>(bytes[v]))) ++v;
      k.value = bytes.substr(v, e - v);
      k.has_value = true;
    }
    k.name = bytes.substr(b, name_end - b);
    if (!Ascii(k.name)) return false;
    if (!k.name.empty() || !prev || !prev->name.empty()) {
      Section& s = tree->sections.back();
      s.Add(std::move(k));
      prev = &s.keys.back();
    }
  }
  return true;
}

std::string Save(const Tree& tree) {
  size_t n = 0;
  for (const Section& s : tree.sections) {
    n += s.name.size() + 4;
    for (const Key& k : s.keys) n += k.name.size() + k.value.size() + 3;
  }
  std::string out;
  out.reserve(n);
  for (const Section& s : tree.sections) {
    if (!s.name.empty()) out.append("[").append(s.name).append("]\r\n");
    for (const Key& k : s.keys) {
      out += k.name;
      if (k.has_value) out.append("=").append(k.value);
      out += "\r\n";
    }
  }
  return out;
}

// Whether a write of these texts is one this writer carries out as the platform would.
bool Covers(const std::string& section, const std::string& key, const std::string& value) {
  return !TrimLeft(section).empty() && Ascii(section) && Ascii(key) && Plain(section) && Plain(key) &&
         Plain(value) && !TooLong(section) && !TooLong(key) && !TooLong(value);
}

// Writes in order, each as a load of the file the one before left, the change, and a save
// when something changed.
class Writes {
 public:
  explicit Writes(Tree* tree) : tree_(tree) {}

  // Sets key=value in section (texts the writer covers); true when the file changes.
  bool Set(const std::string& section, const std::string& key, const std::string& value) {
    // The key the last save wrote is read back by the next write's load: trimmed.
    Key saved;
    Key* pending = Pending();
    if (pending) {
      saved = *pending;
      pending->name = TrimRight(pending->name);
      pending->value = TrimRight(pending->value);
    }
    const std::string wanted = TrimRight(TrimLeft(section)), name = TrimLeft(key), v = TrimLeft(value);
    Key* target = nullptr;
    auto s = tree_->index.find(Lower(wanted));
    size_t si = 0, ki = 0;
    if (s == tree_->index.end()) {
      // A new section keeps the name as given, but for its leading white space.
      si = tree_->sections.size();
      tree_->Add(TrimLeft(section)).Add(Key{name, v, true});
      ki = 0;
      target = &tree_->sections[si].keys[0];
    } else {
      si = s->second;
      Section& sec = tree_->sections[si];
      auto k = sec.index.find(Lower(TrimRight(name)));
      if (k != sec.index.end()) {
        ki = k->second;
        Key& found = sec.keys[ki];
        if (found.has_value && found.value == v) {
          if (pending) *pending = saved;  // nothing saved: the file keeps that key as it was
          return false;
        }
        found.value = v;
        found.has_value = true;
      } else {
        ki = sec.keys.size();
        sec.Add(Key{name, v, true});
      }
      target = &sec.keys[ki];
    }
    pending_ = {si, ki};
    has_pending_ = target->name != TrimRight(target->name) || target->value != TrimRight(target->value);
    return true;
  }

 private:
  Key* Pending() { return has_pending_ ? &tree_->sections[pending_.first].keys[pending_.second] : nullptr; }
  Tree* tree_;
  std::pair<size_t, size_t> pending_{0, 0};
  bool has_pending_ = false;
};

}  // namespace format
}  // namespace

std::wstring ProfileValue(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                          const std::wstring& def, unsigned long size) {
  FileName f(file);
  if (size == 0) return std::wstring();
  if (!f.nameable) return def.substr(0, size - 1);
  std::string s = ToAnsi(section), k = ToAnsi(key), d = ToAnsi(def);
  DWORD n = 0;
  return ReadString(&s, &k, d, size, f, &n);
}

std::wstring ProfileNames(const std::wstring& file, const std::wstring* section, const std::wstring& def) {
  FileName f(file);
  if (!f.nameable) return section ? def : std::wstring();
  std::string s = section ? ToAnsi(*section) : std::string(), d = ToAnsi(def);
  return GrowingRead([&](DWORD size, DWORD* n) { return ReadString(section ? &s : nullptr, nullptr, d, size, f, n); });
}

std::wstring ProfileSection(const std::wstring& file, const std::wstring& section) {
  FileName f(file);
  if (!f.nameable) return std::wstring();
  std::string s = ToAnsi(section);
  return GrowingRead([&](DWORD size, DWORD* n) {
    if (TooLong(s)) {
      std::wstring buf(size, L'\0');
      *n = std::min<DWORD>(GetPrivateProfileSectionW(FromAnsi(s).c_str(), &buf[0], size, f.wide.c_str()), size);
      buf.resize(*n);
      return FromAnsi(ToAnsi(buf));
    }
    std::string buf(size, '\0');
    *n = std::min<DWORD>(GetPrivateProfileSectionA(s.c_str(), &buf[0], size, f.ansi.c_str()), size);
    return FromAnsi(buf.data(), *n);
  });
}

namespace {

// Removes a working copy that did not take the file's place, keeping the last-error code: the
// caller reads why the write failed, not why the clean-up did.
struct RemoveCopy {
  const std::wstring& path;
  bool renamed;
  ~RemoveCopy() {
    if (renamed) return;
    DWORD error = GetLastError();
    DeleteFileW(path.c_str());
    SetLastError(error);
  }
};

// The working copy of a file: beside it (one rename replaces the file), under a name of this
// thread's own.
std::wstring CopyName(const std::wstring& full) {
  wchar_t name[48];
  std::swprintf(name, 48, L"~kz%lx-%lx.tmp", GetCurrentProcessId(), GetCurrentThreadId());
  return full.substr(0, full.find_last_of(L'\\') + 1) + name;
}

// One write by the platform's writer on a copy of the file.
long PlatformWriteOnCopy(const std::wstring& file, const std::wstring& section, const std::wstring* key,
                         const std::wstring* value) {
  if (key && value && !Representable(section, *key, *value)) return 0;
  FileName f(file);
  if (!f.nameable) return 0;
  std::string s = ToAnsi(section), k = key ? ToAnsi(*key) : std::string(), v = value ? ToAnsi(*value) : std::string();
  const std::string* kp = key ? &k : nullptr;
  const std::string* vp = value ? &v : nullptr;

  WriterLock lock(f.full);
  if (!lock) return 0;
  DWORD attributes = 0;
  std::string original;
  if (!ReadOriginal(f.full, &attributes, &original)) return 0;
  bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (exists && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))) return 0;

  const size_t slash = f.full.find_last_of(L'\\');
  const std::wstring copy = CopyName(f.full);
  if (copy.size() >= MAX_PATH) {
    // No room for a copy's name: the platform writes in place, still one writer at a time.
    long rc = PlatformWrite(s, kp, vp, f.full);
    if (rc) ++g_writes;
    return rc;
  }
  // Room for the new line and for a rewrite that doubles the file (the platform's writer ends
  // every line, even an empty one, with CR LF).
  size_t room = original.size() + (s.size() + k.size() + v.size()) * 4 + 64;
  // Taking the room costs a write of it. A small file's room is always taken: that is cheaper
  // than asking the disk for its free space. A larger one is not taken on a disk with far more
  // free space than that, where it cannot run out.
  ULARGE_INTEGER free_bytes;
  std::wstring folder = f.full.substr(0, slash + 1);
  if (original.size() + room > kSmallRoom && GetDiskFreeSpaceExW(folder.c_str(), &free_bytes, nullptr, nullptr) &&
      free_bytes.QuadPart > room + kPlentyOfRoom)
    room = 0;
  DWORD copy_attributes = exists ? (attributes & ~FILE_ATTRIBUTE_READONLY) : FILE_ATTRIBUTE_NORMAL;
  if (copy_attributes == 0) copy_attributes = FILE_ATTRIBUTE_NORMAL;
  RemoveCopy remove_copy{copy, false};
  if (!WriteCopy(copy, original, room, copy_attributes)) return 0;
  long rc = PlatformWrite(s, kp, vp, copy);
  if (!rc) return 0;
  if (Holds(copy, original)) return rc;  // nothing changed: the file stays as it is
  if (!ReplaceFile(copy, f.full)) return 0;
  remove_copy.renamed = true;
  ++g_writes;
  return rc;
}

}  // namespace

long ProfileWrite(const std::wstring& file, const std::wstring& section, const std::wstring* key,
                  const std::wstring* value) {
  if (key && value) return ProfileWriteMany(file, {ProfileEntry{section, *key, *value}})[0];
  return PlatformWriteOnCopy(file, section, key, value);
}

std::vector<long> ProfileWriteMany(const std::wstring& file, const std::vector<ProfileEntry>& entries) {
  std::vector<long> rc(entries.size(), 0);
  auto one_by_one = [&] {
    for (size_t i = 0; i < entries.size(); ++i)
      rc[i] = PlatformWriteOnCopy(file, entries[i].section, &entries[i].key, &entries[i].value);
    return rc;
  };
  if (entries.empty()) return rc;
  FileName f(file);
  if (!f.nameable) return rc;
  // The rules here are those of a single-byte code page whose every byte the platform's writer
  // keeps as it is.
  if (GetACP() != 1252) return one_by_one();
  std::vector<std::string> texts;
  texts.reserve(entries.size() * 3);
  for (const ProfileEntry& e : entries) {
    texts.push_back(ToAnsi(e.section));
    texts.push_back(ToAnsi(e.key));
    texts.push_back(ToAnsi(e.value));
    if (Representable(e.section, e.key, e.value) &&
        !format::Covers(texts[texts.size() - 3], texts[texts.size() - 2], texts.back()))
      return one_by_one();
  }
  const std::wstring copy = CopyName(f.full);
  if (copy.size() >= MAX_PATH) return one_by_one();

  WriterLock lock(f.full);
  if (!lock) return rc;
  DWORD attributes = 0;
  std::string original;
  if (!ReadOriginal(f.full, &attributes, &original)) return rc;
  bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (exists && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))) return rc;
  format::Tree tree;
  if (!format::Load(original, &tree)) return one_by_one();
  format::Writes writes(&tree);
  bool changed = false;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (!Representable(entries[i].section, entries[i].key, entries[i].value)) continue;
    if (writes.Set(texts[3 * i], texts[3 * i + 1], texts[3 * i + 2])) changed = true;
    rc[i] = 1;
  }
  if (!changed) return rc;  // the file stays as it is

  DWORD copy_attributes = exists ? (attributes & ~FILE_ATTRIBUTE_READONLY) : FILE_ATTRIBUTE_NORMAL;
  if (copy_attributes == 0) copy_attributes = FILE_ATTRIBUTE_NORMAL;
  RemoveCopy remove_copy{copy, false};
  // The whole new file is written before it replaces the old one: a full disk fails here.
  const std::string text = format::Save(tree);
  bool written;
  {
    File out(CreateFileW(copy.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, copy_attributes, nullptr));
    written = out && WriteAll(out.get(), text.data(), text.size());
  }
  if (!written) {
    // Key by key, as the platform's writer would have failed or not for each.
    std::fill(rc.begin(), rc.end(), 0);
    DeleteFileW(copy.c_str());
    return one_by_one();
  }
  if (!ReplaceFile(copy, f.full)) {
    std::fill(rc.begin(), rc.end(), 0);
    return rc;
  }
  remove_copy.renamed = true;
  ++g_writes;
  return rc;
}

bool ProfileWritable(const std::wstring& section, const std::wstring& key, const std::wstring& value) {
  return Representable(section, key, value);
}

ProfileStamp ProfileStampOf(const std::wstring& file) {
  ProfileStamp st;
  st.writes = g_writes.load();
  FileName f(file);
  WIN32_FILE_ATTRIBUTE_DATA d;
  if (f.nameable && GetFileAttributesExW(f.full.c_str(), GetFileExInfoStandard, &d)) {
    st.exists = true;
    st.size = (static_cast<unsigned long long>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
    st.written = (static_cast<unsigned long long>(d.ftLastWriteTime.dwHighDateTime) << 32) |
                 d.ftLastWriteTime.dwLowDateTime;
  }
  return st;
}

}  // namespace kz

#include "crypto/filecipher.h"

#include <cstdio>
#include <vector>

#include "frame/kz.h"
#include "base/error.h"
#include "base/owner.h"
#include "base/pump.h"

namespace kz {
namespace {

constexpr unsigned long long kEncryptLimit = 1ull << 30;  // the cipher buffer of 2 x size must fit a Long
constexpr unsigned long long kDecryptLimit = 1ull << 31;  // the size itself must fit a Long

struct PlatformWrites : ResultWrites {
  BOOL Write(HANDLE file, const void* data, DWORD size, DWORD* written) override {
    return WriteFile(file, data, size, written, nullptr);
  }
};

struct PlatformAttributes : CipherAttributes {
  DWORD Get(const std::wstring& path) override { return GetFileAttributesW(path.c_str()); }
  BOOL Set(const std::wstring& path, DWORD attributes) override { return SetFileAttributesW(path.c_str(), attributes); }
};

constexpr wchar_t kResultMark[] = L".~kz";
constexpr wchar_t kResultEnd[] = L".tmp";

// A process's start time, which tells it from a later process given the same id.
unsigned long long StartTimeOf(HANDLE process) {
  FILETIME created, ended, kernel, user;
  if (!GetProcessTimes(process, &created, &ended, &kernel, &user)) return 0;
  return (static_cast<unsigned long long>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

// Whether the process that wrote a result file is gone: no process has its id, it has ended,
// or the one with its id started at another time. `started` is 0 for names without it.
bool WriterGone(DWORD pid, unsigned long long started) {
  HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, pid);
  if (!h) return GetLastError() == ERROR_INVALID_PARAMETER;  // access denied: someone else's, running
  KernelHandle process(h);
  if (WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0) return true;
  return started && StartTimeOf(process.get()) != started;
}

// The hexadecimal fields of `text`, separated by underscores; false for anything else.
bool HexFields(const std::wstring& text, std::vector<unsigned long long>* fields) {
  fields->assign(1, 0);
  size_t digits = 0;
  for (wchar_t c : text) {
    if (c == L'_') {
      if (!digits) return false;
      fields->push_back(0);
      digits = 0;
      continue;
    }
    int d = c >= L'0' && c <= L'9' ? c - L'0'
            : c >= L'a' && c <= L'f' ? c - L'a' + 10
            : c >= L'A' && c <= L'F' ? c - L'A' + 10
                                     : -1;
    if (d < 0 || ++digits > 16) return false;
    fields->back() = fields->back() * 16 + static_cast<unsigned>(d);
  }
  return digits > 0;
}

// The writer of a result file of `base`: its process id and, in current names, its start time
// (names of earlier versions carry the id and a count only).
bool ParseResultName(const std::wstring& name, const std::wstring& base, DWORD* pid, unsigned long long* started) {
  std::wstring prefix = base + kResultMark;
  size_t end = sizeof kResultEnd / sizeof kResultEnd[0] - 1;
  if (name.size() <= prefix.size() + end) return false;
  if (CompareStringOrdinal(name.c_str(), static_cast<int>(prefix.size()), prefix.c_str(),
                           static_cast<int>(prefix.size()), TRUE) != CSTR_EQUAL ||
      CompareStringOrdinal(name.c_str() + name.size() - end, static_cast<int>(end), kResultEnd, static_cast<int>(end),
                           TRUE) != CSTR_EQUAL)
    return false;
  std::vector<unsigned long long> fields;
  if (!HexFields(name.substr(prefix.size(), name.size() - prefix.size() - end), &fields)) return false;
  if ((fields.size() != 2 && fields.size() != 3) || fields[0] > 0xFFFFFFFFull) return false;
  *pid = static_cast<DWORD>(fields[0]);
  *started = fields.size() == 3 ? fields[1] : 0;
  return true;
}

// The result file beside the original; removed again unless it replaced the original.
class ResultFile {
 public:
  explicit ResultFile(const std::wstring& original) {
    for (unsigned attempt = 0; attempt < 100 && !file_; ++attempt) {
      path_ = ResultFileName(original, attempt);
      file_.reset(CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
      if (!file_ && GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
  }
  ~ResultFile() {
    file_.reset();
    if (!kept_ && !path_.empty()) {
      SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileW(path_.c_str());
    }
  }
  bool ok() const { return static_cast<bool>(file_); }
  HANDLE handle() const { return file_.get(); }
  const std::wstring& path() const { return path_; }
  void Close() { file_.reset(); }
  void Keep() { kept_ = true; }

 private:
  File file_;
  std::wstring path_;
  bool kept_ = false;
};

bool ReadAll(HANDLE h, BYTE* data, DWORD size) {
  while (size) {
    DWORD got = 0;
    if (!ReadFile(h, data, size, &got, nullptr) || got == 0) return false;
    data += got;
    size -= got;
  }
  return true;
}

bool WriteAll(HANDLE h, const BYTE* data, DWORD size) {
  while (size) {
    DWORD put = 0;
    if (!Seam<ResultWrites>().Write(h, data, size, &put) || put == 0) return false;
    data += put;
    size -= put;
  }
  return true;
}

// A key that saw a call without the final flag is in the middle of a message: a final
// encryption of scratch data brings it back to its start (whichever way it was used) for the
// caller's next use.
void RestartKey(crypt::KeyNumber key) {
  BYTE scratch[64] = {};
  DWORD len = 0;
  crypt::Encrypt(key, true, scratch, &len, sizeof scratch);
}

// The length of the block-cipher padding that ends `data`: every one of the last p bytes
// holds p, with p from 1 to a block. 0 when the data does not end in such padding.
DWORD PaddingLength(const BYTE* data, DWORD len, DWORD block) {
  if (!len) return 0;
  DWORD p = data[len - 1];
  if (p == 0 || p > block || p > len) return 0;
  for (DWORD i = 1; i <= p; ++i)
    if (data[len - i] != p) return 0;
  return p;
}

DWORD AttributesAfter(DWORD before) {
  if (before & FILE_ATTRIBUTE_NORMAL) return FILE_ATTRIBUTE_NORMAL;
  if (before & FILE_ATTRIBUTE_READONLY) return FILE_ATTRIBUTE_READONLY;
  if (before & FILE_ATTRIBUTE_TEMPORARY) return FILE_ATTRIBUTE_TEMPORARY;
  return FILE_ATTRIBUTE_NORMAL;
}

}  // namespace

template <>
ResultWrites& SeamDefault<ResultWrites>() {
  static PlatformWrites writes;
  return writes;
}

template <>
CipherAttributes& SeamDefault<CipherAttributes>() {
  static PlatformAttributes attributes;
  return attributes;
}

std::wstring ResultFileName(const std::wstring& original, unsigned attempt) {
  static const unsigned long long started = StartTimeOf(GetCurrentProcess());
  wchar_t suffix[64];
  swprintf(suffix, 64, L"%ls%lx_%llx_%x%ls", kResultMark, static_cast<unsigned long>(GetCurrentProcessId()), started,
           (GetTickCount() + attempt * 7919u) & 0xFFFFFFu, kResultEnd);
  return original + suffix;
}

void RemoveOrphanedResults(const std::wstring& original) {
  size_t slash = original.find_last_of(L"\\/");
  std::wstring dir = slash == std::wstring::npos ? std::wstring() : original.substr(0, slash + 1);
  std::wstring base = original.substr(dir.size());
  WIN32_FIND_DATAW fd;
  FindHandle find(FindFirstFileW((original + kResultMark + L"*" + kResultEnd).c_str(), &fd));
  if (!find) return;
  do {
    DWORD pid = 0;
    unsigned long long started = 0;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    // The search also matches short names: only names of our exact form count.
    if (!ParseResultName(fd.cFileName, base, &pid, &started) || !WriterGone(pid, started)) continue;
    std::wstring path = dir + fd.cFileName;
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path.c_str());  // fails, and the file stays, while anyone still has it open
  } while (FindNextFileW(find.get(), &fd));
}

bool FileFoundByPlainSearch(const std::wstring& path) {
  size_t first = path.find_first_not_of(L' ');
  if (first == std::wstring::npos || path.find_first_of(L"*?") != std::wstring::npos) return false;
  DWORD a = GetFileAttributesW(path.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return false;
  return !(a & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
}

bool CipherFileInPlace(const std::wstring& path, crypt::KeyNumber key, bool encrypt) {
  CipherAttributes& attributes = Seam<CipherAttributes>();
  DWORD before = attributes.Get(path);
  if (before == INVALID_FILE_ATTRIBUTES) return false;
  // What a process killed in the middle of an operation on this file left beside it.
  RemoveOrphanedResults(path);
  // Reading with writers shut out: a file another program is writing is not taken.
  File source(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!source) return false;
  LARGE_INTEGER size;
  FILETIME created;
  if (!GetFileSizeEx(source.get(), &size) || !GetFileTime(source.get(), &created, nullptr, nullptr)) return false;
  unsigned long long total = static_cast<unsigned long long>(size.QuadPart);
  if (total >= (encrypt ? kEncryptLimit : kDecryptLimit)) throw Error(kErrOverflow);

  DWORD block = 0;
  if (!crypt::BlockBytes(key, &block)) return false;
  if (!encrypt && block && (total == 0 || total % block)) return false;  // no whole ciphertext

  ResultFile result(path);
  if (!result.ok()) return false;
  std::vector<BYTE> buf(kFileCipherChunk + 64);
  bool mid_message = false;  // a piece went through the key without the final flag
  // The cipher works in 4 MiB pieces to keep the memory small, but callers see the scheme's
  // chunks of 1,000,000,000 bytes: pending messages run only between those (no piece crosses
  // one; the size is a multiple of every block length).
  constexpr unsigned long long kMessageChunk = 1000000000ull;
  for (unsigned long long done = 0;;) {
    unsigned long long left = total - done;
    unsigned long long piece = kMessageChunk - done % kMessageChunk;
    if (piece > kFileCipherChunk) piece = kFileCipherChunk;
    bool final = left <= piece;
    DWORD n = static_cast<DWORD>(final ? left : piece);
    DWORD len = n;
    bool ok = ReadAll(source.get(), buf.data(), n);
    if (ok && encrypt) {
      ok = crypt::Encrypt(key, final, buf.data(), &len, static_cast<DWORD>(buf.size()));
      mid_message = !final && (ok || mid_message);
    } else if (ok) {
      // A block cipher's last piece is decrypted as it stands and its padding checked here,
      // all of it: the provider's own check may look at less than the whole padding.
      bool own_padding = final && block;
      ok = crypt::Decrypt(key, final && !own_padding, buf.data(), &len);
      mid_message = (!final || own_padding) && (ok || mid_message);
      if (ok && own_padding) {
        DWORD pad = PaddingLength(buf.data(), len, block);
        ok = pad != 0;
        len -= pad;
      }
    }
    ok = ok && WriteAll(result.handle(), buf.data(), len);
    if (!ok) {
      if (mid_message && crypt::IsLiveKey(key)) RestartKey(key);
      return false;
    }
    if (final) break;
    done += n;
    if (done % kMessageChunk == 0) PumpMessages();
  }
  if (mid_message) RestartKey(key);

  // The result is complete: make it durable, give it the original's creation time and the
  // attributes it is to have, then put it in the original's place in one rename.
  if (!FlushFileBuffers(result.handle()) || !SetFileTime(result.handle(), &created, nullptr, nullptr)) return false;
  result.Close();
  source.reset();
  DWORD after = AttributesAfter(before);
  attributes.Set(result.path(), after);
  bool unlocked = false;
  if (before & FILE_ATTRIBUTE_READONLY) {
    DWORD writable = before & ~FILE_ATTRIBUTE_READONLY;
    unlocked = attributes.Set(path, writable ? writable : FILE_ATTRIBUTE_NORMAL) != FALSE;
  }
  if (!MoveFileExW(result.path().c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    if (unlocked) attributes.Set(path, before);
    return false;
  }
  result.Keep();
  attributes.Set(path, after);
  return true;
}

}  // namespace kz

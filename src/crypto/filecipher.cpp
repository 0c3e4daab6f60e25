#include "crypto/filecipher.h"

#include <vector>

#include "frame/kz.h"
#include "base/error.h"
#include "base/pump.h"

namespace kz {
namespace {

constexpr unsigned long long kEncryptLimit = 1ull << 30;  // the cipher buffer of 2 x size must fit a Long
constexpr unsigned long long kDecryptLimit = 1ull << 31;  // the size itself must fit a Long

BOOL PlatformWrite(HANDLE file, const void* data, DWORD size, DWORD* written) {
  return WriteFile(file, data, size, written, nullptr);
}

FileWriter g_writer = &PlatformWrite;

class File {
 public:
  explicit File(HANDLE h = INVALID_HANDLE_VALUE) : h_(h) {}
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  ~File() { Close(); }
  HANDLE get() const { return h_; }
  bool ok() const { return h_ != INVALID_HANDLE_VALUE; }
  void Close() {
    if (ok()) CloseHandle(h_);
    h_ = INVALID_HANDLE_VALUE;
  }
  void Reset(HANDLE h) {
    Close();
    h_ = h;
  }

 private:
  HANDLE h_;
};

// The result file beside the original; removed again unless it replaced the original.
class ResultFile {
 public:
  explicit ResultFile(const std::wstring& original) {
    for (unsigned attempt = 0; attempt < 100 && !file_.ok(); ++attempt) {
      wchar_t suffix[40];
      swprintf(suffix, 40, L".~kz%lx_%x.tmp", GetCurrentProcessId(), GetTickCount() + attempt * 7919u);
      path_ = original + suffix;
      file_.Reset(CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
      if (!file_.ok() && GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
  }
  ~ResultFile() {
    file_.Close();
    if (!kept_ && !path_.empty()) {
      SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileW(path_.c_str());
    }
  }
  bool ok() const { return file_.ok(); }
  HANDLE handle() const { return file_.get(); }
  const std::wstring& path() const { return path_; }
  void Close() { file_.Close(); }
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
    if (!g_writer(h, data, size, &put) || put == 0) return false;
    data += put;
    size -= put;
  }
  return true;
}

// A run stopped between chunks leaves the key in the middle of a message: a final call on
// scratch data brings it back to its start for the caller's next use.
void RestartKey(crypt::KeyNumber key, bool encrypt, DWORD block) {
  BYTE scratch[64] = {};
  DWORD len = encrypt ? 0 : block;
  if (encrypt) crypt::Encrypt(key, true, scratch, &len, sizeof scratch);
  else crypt::Decrypt(key, true, scratch, &len);
}

DWORD AttributesAfter(DWORD before) {
  if (before & FILE_ATTRIBUTE_NORMAL) return FILE_ATTRIBUTE_NORMAL;
  if (before & FILE_ATTRIBUTE_READONLY) return FILE_ATTRIBUTE_READONLY;
  if (before & FILE_ATTRIBUTE_TEMPORARY) return FILE_ATTRIBUTE_TEMPORARY;
  return FILE_ATTRIBUTE_NORMAL;
}

}  // namespace

FileWriter SetFileWriter(FileWriter writer) {
  FileWriter old = g_writer;
  g_writer = writer ? writer : &PlatformWrite;
  return old;
}

bool FileFoundByPlainSearch(const std::wstring& path) {
  size_t first = path.find_first_not_of(L' ');
  if (first == std::wstring::npos || path.find_first_of(L"*?") != std::wstring::npos) return false;
  DWORD a = GetFileAttributesW(path.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return false;
  return !(a & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
}

bool CipherFileInPlace(const std::wstring& path, crypt::KeyNumber key, bool encrypt) {
  DWORD before = GetFileAttributesW(path.c_str());
  if (before == INVALID_FILE_ATTRIBUTES) return false;
  // Reading with writers shut out: a file another program is writing is not taken.
  File source(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!source.ok()) return false;
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
  bool mid_message = false;  // a chunk went through the key, the final call has not
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
    if (ok) {
      ok = encrypt ? crypt::Encrypt(key, final, buf.data(), &len, static_cast<DWORD>(buf.size()))
                   : crypt::Decrypt(key, final, buf.data(), &len);
      mid_message = !final && (ok || mid_message);
    }
    ok = ok && WriteAll(result.handle(), buf.data(), len);
    if (!ok) {
      if (mid_message && crypt::IsLiveKey(key)) RestartKey(key, encrypt, block);
      return false;
    }
    if (final) break;
    done += n;
    if (done % kMessageChunk == 0) PumpMessages();
  }

  // The result is complete: make it durable, give it the original's creation time and the
  // attributes it is to have, then put it in the original's place in one rename.
  if (!FlushFileBuffers(result.handle()) || !SetFileTime(result.handle(), &created, nullptr, nullptr)) return false;
  result.Close();
  source.Close();
  DWORD after = AttributesAfter(before);
  SetFileAttributesW(result.path().c_str(), after);
  bool unlocked = false;
  if (before & FILE_ATTRIBUTE_READONLY) {
    DWORD writable = before & ~FILE_ATTRIBUTE_READONLY;
    unlocked = SetFileAttributesW(path.c_str(), writable ? writable : FILE_ATTRIBUTE_NORMAL) != FALSE;
  }
  if (!MoveFileExW(result.path().c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    if (unlocked) SetFileAttributesW(path.c_str(), before);
    return false;
  }
  result.Keep();
  SetFileAttributesW(path.c_str(), after);
  return true;
}

}  // namespace kz

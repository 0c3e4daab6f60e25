// Encrypting and decrypting a file "in place" without ever leaving it half rewritten: the
// result is written beside the file, in chunks, and replaces it only once complete, with the
// file's creation time and the attribute rule of the in-place scheme.
#pragma once
#include <string>

#include "base/seam.h"
#include "crypto/cryptoapi.h"

namespace kz {

// Bytes processed per cipher call (a multiple of every block length).
constexpr DWORD kFileCipherChunk = 4u << 20;

// The plain directory search's view of a name: an existing file that is neither hidden,
// system nor a directory (names with wildcards find nothing here).
bool FileFoundByPlainSearch(const std::wstring& path);

// Encrypts or decrypts the file with a live key. True when the file now holds the result;
// false when anything failed, and the file is then as it was. Raises error 6 (overflow) for
// files of 1 GiB or more to encrypt, 2 GiB or more to decrypt.
//
// Attributes afterwards: a file reported as normal stays so; otherwise it keeps only its
// read-only attribute if it had it, else only temporary if it had it, else none.
//
// Decryption with a block cipher checks the whole padding of the last block itself (every
// padding byte holds the padding length), whatever the provider checks, so a wrong key is
// refused unless its last block happens to end in valid padding (about once in 256 keys).
bool CipherFileInPlace(const std::wstring& path, crypt::KeyNumber key, bool encrypt);

// The writes of the result file, a platform area of its own so that tests can make them fail
// (a full disk half-way through, a process that stops while writing).
struct ResultWrites {
  virtual ~ResultWrites() = default;
  // WriteFile: true when it wrote; `written` says how much.
  virtual BOOL Write(HANDLE file, const void* data, DWORD size, DWORD* written) = 0;
};
template <>
ResultWrites& SeamDefault<ResultWrites>();

// The attributes of the file rewritten in place, read before and set after, a platform area of
// its own so that tests can see what is asked even of a file system that drops some of them.
struct CipherAttributes {
  virtual ~CipherAttributes() = default;
  virtual DWORD Get(const std::wstring& path) = 0;                   // GetFileAttributes
  virtual BOOL Set(const std::wstring& path, DWORD attributes) = 0;  // SetFileAttributes
};
template <>
CipherAttributes& SeamDefault<CipherAttributes>();

// The result file of an in-place operation on `original` by this process: the original's name
// followed by ".~kz", the process id, its start time and a count, in hexadecimal, and ".tmp".
std::wstring ResultFileName(const std::wstring& original, unsigned attempt);
// Removes the result files left beside `original` by processes that are gone (killed in the
// middle of an operation); files of running processes, and files still open, stay.
void RemoveOrphanedResults(const std::wstring& original);

}  // namespace kz

// Encrypting and decrypting a file "in place" without ever leaving it half rewritten: the
// result is written beside the file, in chunks, and replaces it only once complete, with the
// file's creation time and the attribute rule of the in-place scheme.
#pragma once
#include <string>

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
bool CipherFileInPlace(const std::wstring& path, crypt::KeyNumber key, bool encrypt);

// The write used for the result file; tests put a failing one in its place.
using FileWriter = BOOL (*)(HANDLE file, const void* data, DWORD size, DWORD* written);
FileWriter SetFileWriter(FileWriter writer);  // returns the previous one

}  // namespace kz

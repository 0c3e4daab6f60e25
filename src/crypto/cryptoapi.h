// Owners for CryptoAPI handles, so that no path leaks a provider context, hash or key.
//
// Keys are also recorded while they live: key handles reach the library as plain numbers
// from callers, and the platform dereferences whatever number it is given. A handle the
// library did not make, or has already destroyed, is refused instead of being passed on.
#pragma once
#include "frame/kz.h"

#include <wincrypt.h>

namespace kz {
namespace crypt {

class Context {
 public:
  Context() = default;
  Context(const Context&) = delete;
  Context& operator=(const Context&) = delete;
  ~Context() { Reset(); }
  // CryptAcquireContextA; false (and no handle) on failure.
  bool Acquire(const char* container, const char* provider, DWORD type, DWORD flags);
  HCRYPTPROV get() const { return h_; }
  void Reset();

 private:
  HCRYPTPROV h_ = 0;
};

class Hash {
 public:
  Hash() = default;
  Hash(const Hash&) = delete;
  Hash& operator=(const Hash&) = delete;
  ~Hash() { if (h_) CryptDestroyHash(h_); }
  HCRYPTHASH* out() { return &h_; }
  HCRYPTHASH get() const { return h_; }

 private:
  HCRYPTHASH h_ = 0;
};

// True while `key` is a key this library derived and has not destroyed.
bool IsLiveKey(HCRYPTKEY key);
// How many keys the library holds at the moment.
size_t LiveKeyCount();
// CryptDeriveKey, recording the new key; 0 on failure. `serial` tells this key apart from
// a later one that the platform happens to give the same handle.
HCRYPTKEY DeriveKey(HCRYPTPROV prov, ALG_ID alg, HCRYPTHASH hash, DWORD flags, unsigned long long* serial = nullptr);
// Destroys a key the library made (nothing for any other handle).
void DestroyKey(HCRYPTKEY key);
// Destroys the key only if it is still the one with that serial number.
void DestroyKey(HCRYPTKEY key, unsigned long long serial);
// Block length in bytes of a live key's cipher (0 for a stream cipher); false when the key is
// not live or the platform cannot tell.
bool BlockBytes(HCRYPTKEY key, DWORD* bytes);

// CryptEncrypt on a live key. With no buffer: the length the result needs (never less than
// the data, which some providers report for stream ciphers as the buffer length).
bool Encrypt(HCRYPTKEY key, bool final, BYTE* data, DWORD* len, DWORD buffer_len);
// CryptDecrypt on a live key, given whole blocks only: a block cipher gets a multiple of its
// block, and at least one block for the final call (providers read outside the data
// otherwise); anything else fails as bad data would.
bool Decrypt(HCRYPTKEY key, bool final, BYTE* data, DWORD* len);

// Owns one derived key (which other code may destroy first: then it lets go of it).
class Key {
 public:
  Key() = default;
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  ~Key() { Reset(); }
  HCRYPTKEY get() const { return h_; }
  // Derives a new key in place of the one held.
  HCRYPTKEY Derive(HCRYPTPROV prov, ALG_ID alg, HCRYPTHASH hash, DWORD flags) {
    Reset();
    h_ = DeriveKey(prov, alg, hash, flags, &serial_);
    return h_;
  }
  void Reset() {
    if (h_) DestroyKey(h_, serial_);
    h_ = 0;
  }

 private:
  HCRYPTKEY h_ = 0;
  unsigned long long serial_ = 0;
};

}  // namespace crypt
}  // namespace kz

// Provider contexts and derived keys as the cipher classes hold them (hashes are owned by
// CryptHash of base/owner.h).
//
// Keys are also recorded while they live: callers hand keys back as plain numbers, and the
// platform dereferences whatever handle it is given. A number the library did not give out,
// or whose key it has already destroyed, is refused instead of being passed on.
#pragma once
#include "base/owner.h"
#include "frame/kz.h"

#include <wincrypt.h>

#include <utility>

namespace kz {
namespace crypt {

class Context {
 public:
  Context() = default;
  Context(const Context&) = delete;
  Context& operator=(const Context&) = delete;
  Context(Context&& o) noexcept { swap(o); }
  Context& operator=(Context&& o) noexcept {
    Context gone(std::move(*this));  // this one's context is released after the move
    swap(o);
    return *this;
  }
  ~Context() = default;
  // CryptAcquireContextA; false (and no handle) on failure.
  bool Acquire(const char* container, const char* provider, DWORD type, DWORD flags);
  HCRYPTPROV get() const { return h_.get(); }
  // What callers are shown of the context (the handle is pointer-sized): a 32-bit number,
  // never 0 and never the same for two acquisitions in a process; 0 when none is held.
  long number() const { return number_; }
  void Reset() {
    h_.reset();
    number_ = 0;
  }
  void swap(Context& o) noexcept {
    HCRYPTPROV mine = h_.release(), theirs = o.h_.release();
    h_.reset(theirs);
    o.h_.reset(mine);
    std::swap(number_, o.number_);
  }

 private:
  CryptProv h_;
  long number_ = 0;
};

// Keeps the named provider loaded for the life of the process (one context without a key
// container, acquired on first use): the platform unloads a provider whose last context goes,
// and loads it again, at several milliseconds, for the next one.
void KeepProviderLoaded(const char* provider, DWORD type);

// Keys are known to callers by number, never by handle: a CryptoAPI key handle is pointer-sized
// (a heap address on 64-bit Windows, often above 4 GiB) and would not survive a 32-bit Long.
// Numbers are 32-bit, never 0, and never given out twice in a process, so a number kept after
// its key was destroyed names nothing rather than a newer key.
using KeyNumber = long;

// True while `key` names a key this library derived and has not destroyed.
bool IsLiveKey(KeyNumber key);
// How many keys the library holds at the moment.
size_t LiveKeyCount();
// CryptDeriveKey, recording the new key; its number, or 0 on failure.
KeyNumber DeriveKey(HCRYPTPROV prov, ALG_ID alg, HCRYPTHASH hash, DWORD flags);
// Destroys a key the library made (nothing for any other number).
void DestroyKey(KeyNumber key);
// Block length in bytes of a live key's cipher (0 for a stream cipher); false when the key is
// not live or the platform cannot tell.
bool BlockBytes(KeyNumber key, DWORD* bytes);

// CryptEncrypt on a live key. With no buffer: the length the result needs (never less than
// the data, which some providers report for stream ciphers as the buffer length).
bool Encrypt(KeyNumber key, bool final, BYTE* data, DWORD* len, DWORD buffer_len);
// CryptDecrypt on a live key, given whole blocks only: a block cipher gets a multiple of its
// block, and at least one block for the final call (providers read outside the data
// otherwise); anything else fails as bad data would.
bool Decrypt(KeyNumber key, bool final, BYTE* data, DWORD* len);

// Owns one derived key (which other code may destroy first: then it lets go of it).
class Key {
 public:
  Key() = default;
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  Key(Key&& o) noexcept : n_(o.n_) { o.n_ = 0; }
  Key& operator=(Key&& o) noexcept {
    if (this != &o) {
      Reset();
      n_ = o.n_;
      o.n_ = 0;
    }
    return *this;
  }
  ~Key() { Reset(); }
  KeyNumber get() const { return n_; }
  // Derives a new key in place of the one held.
  KeyNumber Derive(HCRYPTPROV prov, ALG_ID alg, HCRYPTHASH hash, DWORD flags) {
    Reset();
    n_ = DeriveKey(prov, alg, hash, flags);
    return n_;
  }
  void Reset() {
    if (n_) DestroyKey(n_);
    n_ = 0;
  }

 private:
  KeyNumber n_ = 0;
};

}  // namespace crypt
}  // namespace kz

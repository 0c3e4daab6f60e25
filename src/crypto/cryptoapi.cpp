#include "crypto/cryptoapi.h"

#include <map>
#include <string>
#include <utility>

namespace kz {
namespace crypt {
namespace {

// Objects of one apartment call in on one thread, but a process may hold several
// apartments: the table is shared and locked.
struct KeyTable {
  SRWLOCK lock = SRWLOCK_INIT;
  std::map<KeyNumber, HCRYPTKEY> live;
  unsigned long next = 0;  // the last number given out
};

KeyTable& Keys() {
  static KeyTable t;
  return t;
}

// The handle behind a live number, or 0.
HCRYPTKEY HandleOf(KeyNumber key) {
  if (!key) return 0;
  KeyTable& t = Keys();
  AcquireSRWLockShared(&t.lock);
  auto it = t.live.find(key);
  HCRYPTKEY h = it == t.live.end() ? 0 : it->second;
  ReleaseSRWLockShared(&t.lock);
  return h;
}

}  // namespace

bool Context::Acquire(const char* container, const char* provider, DWORD type, DWORD flags) {
  Reset();
  if (!CryptAcquireContextA(h_.out(), container, provider, type, flags)) {
    h_.release();  // nothing was acquired, whatever the out-parameter holds
    return false;
  }
  static volatile LONG last = 0;
  LONG n;
  do n = InterlockedIncrement(&last) & 0x7FFFFFFF; while (n == 0);
  number_ = n;
  return true;
}

void KeepProviderLoaded(const char* provider, DWORD type) {
  // Never destroyed: releasing contexts while the library is being unloaded would call into a
  // provider that may be going too.
  struct Loaded {
    SRWLOCK lock = SRWLOCK_INIT;
    std::map<std::pair<std::string, DWORD>, HCRYPTPROV> providers;
  };
  static Loaded* loaded = new Loaded;
  auto name = std::make_pair(std::string(provider ? provider : ""), type);
  AcquireSRWLockExclusive(&loaded->lock);
  if (!loaded->providers.count(name)) {
    HCRYPTPROV h = 0;
    if (CryptAcquireContextA(&h, nullptr, provider, type, CRYPT_VERIFYCONTEXT)) loaded->providers[name] = h;
  }
  ReleaseSRWLockExclusive(&loaded->lock);
}

bool IsLiveKey(KeyNumber key) { return HandleOf(key) != 0; }

size_t LiveKeyCount() {
  KeyTable& t = Keys();
  AcquireSRWLockShared(&t.lock);
  size_t n = t.live.size();
  ReleaseSRWLockShared(&t.lock);
  return n;
}

KeyNumber DeriveKey(HCRYPTPROV prov, ALG_ID alg, HCRYPTHASH hash, DWORD flags) {
  HCRYPTKEY raw = 0;
  if (!prov || !hash || !CryptDeriveKey(prov, alg, hash, flags, &raw)) return 0;
  CryptKey k(raw);
  KeyTable& t = Keys();
  AcquireSRWLockExclusive(&t.lock);
  KeyNumber n = 0;
  try {
    // Positive numbers in order; after 2^31 - 1 of them the count starts again, passing over
    // any number still in use.
    do {
      t.next = t.next >= 0x7FFFFFFFul ? 1 : t.next + 1;
      n = static_cast<KeyNumber>(t.next);
    } while (t.live.count(n));
    t.live[n] = k.get();
  } catch (...) {
    ReleaseSRWLockExclusive(&t.lock);
    throw;  // the owner destroys the key
  }
  k.release();  // the table holds it now
  ReleaseSRWLockExclusive(&t.lock);
  return n;
}

void DestroyKey(KeyNumber key) {
  KeyTable& t = Keys();
  AcquireSRWLockExclusive(&t.lock);
  auto it = t.live.find(key);
  HCRYPTKEY h = 0;
  if (it != t.live.end()) {
    h = it->second;
    t.live.erase(it);
  }
  ReleaseSRWLockExclusive(&t.lock);
  CryptKey destroyed(h);
}

bool BlockBytes(KeyNumber key, DWORD* bytes) {
  DWORD bits = 0, n = sizeof bits;
  *bytes = 0;
  HCRYPTKEY h = HandleOf(key);
  if (!h || !CryptGetKeyParam(h, KP_BLOCKLEN, reinterpret_cast<BYTE*>(&bits), &n, 0)) return false;
  *bytes = bits / 8;
  return true;
}

bool Encrypt(KeyNumber key, bool final, BYTE* data, DWORD* len, DWORD buffer_len) {
  HCRYPTKEY h = HandleOf(key);
  if (!h) return false;
  DWORD in = *len;
  if (!CryptEncrypt(h, 0, final ? TRUE : FALSE, 0, data, len, buffer_len)) return false;
  if (!data && *len < in) *len = in;
  return true;
}

bool Decrypt(KeyNumber key, bool final, BYTE* data, DWORD* len) {
  DWORD block = 0;
  if (!BlockBytes(key, &block)) return false;
  HCRYPTKEY h = HandleOf(key);
  if (block && (*len % block != 0 || (final && *len == 0))) {
    SetLastError(static_cast<DWORD>(NTE_BAD_DATA));
    return false;
  }
  return h && CryptDecrypt(h, 0, final ? TRUE : FALSE, 0, data, len) != FALSE;
}

}  // namespace crypt
}  // namespace kz

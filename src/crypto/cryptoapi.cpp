#include "crypto/cryptoapi.h"

#include <map>

namespace kz {
namespace crypt {
namespace {

// Objects of one apartment call in on one thread, but a process may hold several
// apartments: the table is shared and locked.
struct KeyTable {
  SRWLOCK lock = SRWLOCK_INIT;
  std::map<HCRYPTKEY, unsigned long long> live;  // key -> serial number
  unsigned long long next_serial = 0;
};

KeyTable& Keys() {
  static KeyTable t;
  return t;
}

}  // namespace

bool Context::Acquire(const char* container, const char* provider, DWORD type, DWORD flags) {
  Reset();
  HCRYPTPROV h = 0;
  if (!CryptAcquireContextA(&h, container, provider, type, flags)) return false;
  h_ = h;
  return true;
}

void Context::Reset() {
  if (h_) CryptReleaseContext(h_, 0);
  h_ = 0;
}

bool IsLiveKey(HCRYPTKEY key) {
  if (!key) return false;
  KeyTable& t = Keys();
  AcquireSRWLockShared(&t.lock);
  bool live = t.live.count(key) != 0;
  ReleaseSRWLockShared(&t.lock);
  return live;
}

size_t LiveKeyCount() {
  KeyTable& t = Keys();
  AcquireSRWLockShared(&t.lock);
  size_t n = t.live.size();
  ReleaseSRWLockShared(&t.lock);
  return n;
}

HCRYPTKEY DeriveKey(HCRYPTPROV prov, ALG_ID alg, HCRYPTHASH hash, DWORD flags, unsigned long long* serial) {
  HCRYPTKEY k = 0;
  if (!prov || !hash || !CryptDeriveKey(prov, alg, hash, flags, &k)) return 0;
  KeyTable& t = Keys();
  AcquireSRWLockExclusive(&t.lock);
  try {
    unsigned long long n = ++t.next_serial;
    t.live[k] = n;
    if (serial) *serial = n;
  } catch (...) {
    ReleaseSRWLockExclusive(&t.lock);
    CryptDestroyKey(k);
    throw;
  }
  ReleaseSRWLockExclusive(&t.lock);
  return k;
}

static void Destroy(HCRYPTKEY key, const unsigned long long* serial) {
  KeyTable& t = Keys();
  AcquireSRWLockExclusive(&t.lock);
  auto it = t.live.find(key);
  bool mine = it != t.live.end() && (!serial || it->second == *serial);
  if (mine) t.live.erase(it);
  ReleaseSRWLockExclusive(&t.lock);
  if (mine) CryptDestroyKey(key);
}

void DestroyKey(HCRYPTKEY key) { Destroy(key, nullptr); }
void DestroyKey(HCRYPTKEY key, unsigned long long serial) { Destroy(key, &serial); }

bool BlockBytes(HCRYPTKEY key, DWORD* bytes) {
  DWORD bits = 0, n = sizeof bits;
  *bytes = 0;
  if (!IsLiveKey(key) || !CryptGetKeyParam(key, KP_BLOCKLEN, reinterpret_cast<BYTE*>(&bits), &n, 0)) return false;
  *bytes = bits / 8;
  return true;
}

bool Encrypt(HCRYPTKEY key, bool final, BYTE* data, DWORD* len, DWORD buffer_len) {
  if (!IsLiveKey(key)) return false;
  DWORD in = *len;
  if (!CryptEncrypt(key, 0, final ? TRUE : FALSE, 0, data, len, buffer_len)) return false;
  if (!data && *len < in) *len = in;
  return true;
}

bool Decrypt(HCRYPTKEY key, bool final, BYTE* data, DWORD* len) {
  DWORD block = 0;
  if (!BlockBytes(key, &block)) return false;
  if (block && (*len % block != 0 || (final && *len == 0))) {
    SetLastError(static_cast<DWORD>(NTE_BAD_DATA));
    return false;
  }
  return CryptDecrypt(key, 0, final ? TRUE : FALSE, 0, data, len) != FALSE;
}

}  // namespace crypt
}  // namespace kz

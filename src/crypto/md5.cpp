#include "crypto/md5.h"

#include <cstring>

namespace kz {
namespace {

inline uint32_t Rotl(uint32_t x, int s) { return (x << s) | (x >> (32 - s)); }

// The message word and constant are added first: they do not wait for the previous step, so
// the chain from one step to the next is only f, the rotation and one addition. G is split
// into two disjoint parts, one of which does not need b either.
#define KZ_MD5_STEP(f, a, b, c, d, x, t, s) \
  a += (x) + (t);                           \
  a += f(b, c, d);                          \
  a = Rotl(a, s) + b;
#define KZ_MD5_STEP_G(a, b, c, d, x, t, s) \
  a += (x) + (t);                          \
  a += c & ~d;                             \
  a += b & d;                              \
  a = Rotl(a, s) + b;

inline uint32_t F(uint32_t x, uint32_t y, uint32_t z) { return z ^ (x & (y ^ z)); }
inline uint32_t H(uint32_t x, uint32_t y, uint32_t z) { return x ^ y ^ z; }
inline uint32_t I(uint32_t x, uint32_t y, uint32_t z) { return y ^ (x | ~z); }

inline uint32_t LoadLe(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace

Md5::Md5() : a_(0x67452301u), b_(0xefcdab89u), c_(0x98badcfeu), d_(0x10325476u) {}

void Md5::Block(const uint32_t x[16]) {
  uint32_t a = a_, b = b_, c = c_, d = d_;
  KZ_MD5_STEP(F, a, b, c, d, x[0], 0xd76aa478, 7)
  KZ_MD5_STEP(F, d, a, b, c, x[1], 0xe8c7b756, 12)
  KZ_MD5_STEP(F, c, d, a, b, x[2], 0x242070db, 17)
  KZ_MD5_STEP(F, b, c, d, a, x[3], 0xc1bdceee, 22)
  KZ_MD5_STEP(F, a, b, c, d, x[4], 0xf57c0faf, 7)
  KZ_MD5_STEP(F, d, a, b, c, x[5], 0x4787c62a, 12)
  KZ_MD5_STEP(F, c, d, a, b, x[6], 0xa8304613, 17)
  KZ_MD5_STEP(F, b, c, d, a, x[7], 0xfd469501, 22)
  KZ_MD5_STEP(F, a, b, c, d, x[8], 0x698098d8, 7)
  KZ_MD5_STEP(F, d, a, b, c, x[9], 0x8b44f7af, 12)
  KZ_MD5_STEP(F, c, d, a, b, x[10], 0xffff5bb1, 17)
  KZ_MD5_STEP(F, b, c, d, a, x[11], 0x895cd7be, 22)
  KZ_MD5_STEP(F, a, b, c, d, x[12], 0x6b901122, 7)
  KZ_MD5_STEP(F, d, a, b, c, x[13], 0xfd987193, 12)
  KZ_MD5_STEP(F, c, d, a, b, x[14], 0xa679438e, 17)
  KZ_MD5_STEP(F, b, c, d, a, x[15], 0x49b40821, 22)

  KZ_MD5_STEP_G(a, b, c, d, x[1], 0xf61e2562, 5)
  KZ_MD5_STEP_G(d, a, b, c, x[6], 0xc040b340, 9)
  KZ_MD5_STEP_G(c, d, a, b, x[11], 0x265e5a51, 14)
  KZ_MD5_STEP_G(b, c, d, a, x[0], 0xe9b6c7aa, 20)
  KZ_MD5_STEP_G(a, b, c, d, x[5], 0xd62f105d, 5)
  KZ_MD5_STEP_G(d, a, b, c, x[10], 0x02441453, 9)
  KZ_MD5_STEP_G(c, d, a, b, x[15], 0xd8a1e681, 14)
  KZ_MD5_STEP_G(b, c, d, a, x[4], 0xe7d3fbc8, 20)
  KZ_MD5_STEP_G(a, b, c, d, x[9], 0x21e1cde6, 5)
  KZ_MD5_STEP_G(d, a, b, c, x[14], 0xc33707d6, 9)
  KZ_MD5_STEP_G(c, d, a, b, x[3], 0xf4d50d87, 14)
  KZ_MD5_STEP_G(b, c, d, a, x[8], 0x455a14ed, 20)
  KZ_MD5_STEP_G(a, b, c, d, x[13], 0xa9e3e905, 5)
  KZ_MD5_STEP_G(d, a, b, c, x[2], 0xfcefa3f8, 9)
  KZ_MD5_STEP_G(c, d, a, b, x[7], 0x676f02d9, 14)
  KZ_MD5_STEP_G(b, c, d, a, x[12], 0x8d2a4c8a, 20)

  KZ_MD5_STEP(H, a, b, c, d, x[5], 0xfffa3942, 4)
  KZ_MD5_STEP(H, d, a, b, c, x[8], 0x8771f681, 11)
  KZ_MD5_STEP(H, c, d, a, b, x[11], 0x6d9d6122, 16)
  KZ_MD5_STEP(H, b, c, d, a, x[14], 0xfde5380c, 23)
  KZ_MD5_STEP(H, a, b, c, d, x[1], 0xa4beea44, 4)
  KZ_MD5_STEP(H, d, a, b, c, x[4], 0x4bdecfa9, 11)
  KZ_MD5_STEP(H, c, d, a, b, x[7], 0xf6bb4b60, 16)
  KZ_MD5_STEP(H, b, c, d, a, x[10], 0xbebfbc70, 23)
  KZ_MD5_STEP(H, a, b, c, d, x[13], 0x289b7ec6, 4)
  KZ_MD5_STEP(H, d, a, b, c, x[0], 0xeaa127fa, 11)
  KZ_MD5_STEP(H, c, d, a, b, x[3], 0xd4ef3085, 16)
  KZ_MD5_STEP(H, b, c, d, a, x[6], 0x04881d05, 23)
  KZ_MD5_STEP(H, a, b, c, d, x[9], 0xd9d4d039, 4)
  KZ_MD5_STEP(H, d, a, b, c, x[12], 0xe6db99e5, 11)
  KZ_MD5_STEP(H, c, d, a, b, x[15], 0x1fa27cf8, 16)
  KZ_MD5_STEP(H, b, c, d, a, x[2], 0xc4ac5665, 23)

  KZ_MD5_STEP(I, a, b, c, d, x[0], 0xf4292244, 6)
  KZ_MD5_STEP(I, d, a, b, c, x[7], 0x432aff97, 10)
  KZ_MD5_STEP(I, c, d, a, b, x[14], 0xab9423a7, 15)
  KZ_MD5_STEP(I, b, c, d, a, x[5], 0xfc93a039, 21)
  KZ_MD5_STEP(I, a, b, c, d, x[12], 0x655b59c3, 6)
  KZ_MD5_STEP(I, d, a, b, c, x[3], 0x8f0ccc92, 10)
  KZ_MD5_STEP(I, c, d, a, b, x[10], 0xffeff47d, 15)
  KZ_MD5_STEP(I, b, c, d, a, x[1], 0x85845dd1, 21)
  KZ_MD5_STEP(I, a, b, c, d, x[8], 0x6fa87e4f, 6)
  KZ_MD5_STEP(I, d, a, b, c, x[15], 0xfe2ce6e0, 10)
  KZ_MD5_STEP(I, c, d, a, b, x[6], 0xa3014314, 15)
  KZ_MD5_STEP(I, b, c, d, a, x[13], 0x4e0811a1, 21)
  KZ_MD5_STEP(I, a, b, c, d, x[4], 0xf7537e82, 6)
  KZ_MD5_STEP(I, d, a, b, c, x[11], 0xbd3af235, 10)
  KZ_MD5_STEP(I, c, d, a, b, x[2], 0x2ad7d2bb, 15)
  KZ_MD5_STEP(I, b, c, d, a, x[9], 0xeb86d391, 21)

  a_ += a;
  b_ += b;
  c_ += c;
  d_ += d;
}

void Md5::Update(const uint8_t* data, size_t n) {
  length_ += n;
  uint32_t w[16];
  if (used_) {
    size_t take = 64 - used_ < n ? 64 - used_ : n;
    memcpy(pending_ + used_, data, take);
    used_ += take;
    data += take;
    n -= take;
    if (used_ < 64) return;
    for (int i = 0; i < 16; ++i) w[i] = LoadLe(pending_ + 4 * i);
    Block(w);
    used_ = 0;
  }
  for (; n >= 64; data += 64, n -= 64) {
    for (int i = 0; i < 16; ++i) w[i] = LoadLe(data + 4 * i);
    Block(w);
  }
  memcpy(pending_, data, n);
  used_ = n;
}

void Md5::UpdateLowBytes(const wchar_t* text, size_t n) {
  // Whole blocks straight from the text; the rest through the byte path.
  if (used_ == 0) {
    uint32_t w[16];
    for (; n >= 64; text += 64, n -= 64) {
      for (int i = 0; i < 16; ++i) {
        // Four UTF-16 units as two 32-bit loads (little-endian): their low bytes make a word.
        uint32_t lo, hi;
        memcpy(&lo, text + 4 * i, 4);
        memcpy(&hi, text + 4 * i + 2, 4);
        w[i] = (lo & 0xFFu) | ((lo >> 8) & 0xFF00u) | ((hi & 0xFFu) << 16) | ((hi << 8) & 0xFF000000u);
      }
      Block(w);
      length_ += 64;
    }
  }
  uint8_t buf[256];
  while (n) {
    size_t k = n < sizeof buf ? n : sizeof buf;
    for (size_t i = 0; i < k; ++i) buf[i] = static_cast<uint8_t>(text[i]);
    Update(buf, k);
    text += k;
    n -= k;
  }
}

void Md5::Final(uint8_t digest[16]) {
  uint64_t bits = length_ * 8;
  static const uint8_t kPad[64] = {0x80};
  size_t pad = used_ < 56 ? 56 - used_ : 120 - used_;
  Update(kPad, pad);
  uint8_t len[8];
  for (int i = 0; i < 8; ++i) len[i] = static_cast<uint8_t>(bits >> (8 * i));
  Update(len, 8);
  const uint32_t s[4] = {a_, b_, c_, d_};
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) digest[4 * i + j] = static_cast<uint8_t>(s[i] >> (8 * j));
}

std::wstring Md5::HexOfText(const wchar_t* text, size_t n) {
  Md5 m;
  m.UpdateLowBytes(text, n);
  uint8_t d[16];
  m.Final(d);
  static const wchar_t kHex[] = L"0123456789abcdef";
  std::wstring out(32, L'0');
  for (int i = 0; i < 16; ++i) {
    out[2 * i] = kHex[d[i] >> 4];
    out[2 * i + 1] = kHex[d[i] & 15];
  }
  return out;
}

}  // namespace kz

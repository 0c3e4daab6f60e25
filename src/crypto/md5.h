// MD5 (RFC 1321) with native unsigned 32-bit arithmetic.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace kz {

class Md5 {
 public:
  Md5();
  void Update(const uint8_t* data, size_t n);
  // Feeds one byte per UTF-16 code unit: its low 8 bits.
  void UpdateLowBytes(const wchar_t* text, size_t n);
  // Finishes the digest (the object must not be fed afterwards).
  void Final(uint8_t digest[16]);

  // Digest of a text taken one byte per character, as 32 lower-case hexadecimal digits.
  static std::wstring HexOfText(const wchar_t* text, size_t n);

 private:
  void Block(const uint32_t w[16]);
  uint32_t a_, b_, c_, d_;
  uint64_t length_ = 0;  // bytes fed so far
  uint8_t pending_[64];
  size_t used_ = 0;
};

}  // namespace kz

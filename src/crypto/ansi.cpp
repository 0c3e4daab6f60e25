#include "crypto/ansi.h"

#include "frame/kz.h"
#include "base/error.h"
#include "base/text.h"

namespace kz {

std::string AnsiBytes(const std::wstring& text) {
  std::string whole = ToAnsi(text);
  if (whole.size() == text.size()) return whole;
  // A surrogate pair (or a double-byte code page) made the lengths differ: unit by unit,
  // so that every character keeps its own place.
  std::string out;
  out.reserve(text.size());
  for (wchar_t c : text) {
    char b[8];
    int n = WideCharToMultiByte(CP_ACP, 0, &c, 1, b, sizeof b, nullptr, nullptr);
    out.push_back(n > 0 ? b[0] : '?');
  }
  return out;
}

std::wstring AnsiChars(const char* bytes, size_t n) { return FromAnsi(bytes, n); }

std::wstring HexUpper(const char* bytes, size_t n) {
  static const wchar_t kHex[] = L"0123456789ABCDEF";
  std::wstring out(2 * n, L'0');
  for (size_t i = 0; i < n; ++i) {
    unsigned char b = static_cast<unsigned char>(bytes[i]);
    out[2 * i] = kHex[b >> 4];
    out[2 * i + 1] = kHex[b & 15];
  }
  return out;
}

}  // namespace kz

#include "crypto/ansi.h"

#include "frame/kz.h"
#include "base/error.h"
#include "base/text.h"

namespace kz {

void AnsiBytesInto(const wchar_t* text, size_t n, char* out) {
  if (n == 0) return;
  int whole = WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(n), out, static_cast<int>(n), nullptr, nullptr);
  if (whole == static_cast<int>(n)) return;
  // A surrogate pair (or a double-byte code page) made the lengths differ: unit by unit, so
  // that every character keeps its own place.
  for (size_t i = 0; i < n; ++i) {
    char b[8];
    int k = WideCharToMultiByte(CP_ACP, 0, &text[i], 1, b, sizeof b, nullptr, nullptr);
    out[i] = k > 0 ? b[0] : '?';
  }
}

std::string AnsiBytes(const std::wstring& text) {
  std::string out(text.size(), '\0');
  if (!text.empty()) AnsiBytesInto(text.data(), text.size(), &out[0]);
  return out;
}

BSTR AnsiCharsBstr(const char* bytes, size_t n) {
  // Never more characters than bytes.
  BSTR b = SysAllocStringLen(nullptr, static_cast<UINT>(n));
  if (!b) Raise(kErrOutOfMemory);
  int got = n ? MultiByteToWideChar(CP_ACP, 0, bytes, static_cast<int>(n), b, static_cast<int>(n)) : 0;
  if (got == static_cast<int>(n)) return b;
  BSTR shorter = SysAllocStringLen(b, static_cast<UINT>(got > 0 ? got : 0));
  SysFreeString(b);
  if (!shorter) Raise(kErrOutOfMemory);
  return shorter;
}

BSTR HexUpperBstr(const char* bytes, size_t n) {
  static const wchar_t kHex[] = L"0123456789ABCDEF";
  BSTR b = SysAllocStringLen(nullptr, static_cast<UINT>(2 * n));
  if (!b) Raise(kErrOutOfMemory);
  for (size_t i = 0; i < n; ++i) {
    unsigned char c = static_cast<unsigned char>(bytes[i]);
    b[2 * i] = kHex[c >> 4];
    b[2 * i + 1] = kHex[c & 15];
  }
  return b;
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

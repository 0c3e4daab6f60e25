// basKelzudComputerNameA: the computer's and the user's name, as the platform's ANSI calls
// give them.
#include <cstring>

#include "frame/modules.h"
#include "frame/kz.h"
#include "base/text.h"

namespace kz {

namespace {
constexpr DWORD kNameBuffer = 255;
}

std::wstring GetComputerNameText() {
  char buf[kNameBuffer + 1] = {};
  DWORD size = kNameBuffer;
  if (!GetComputerNameA(buf, &size)) return std::wstring();
  // The size returned is the length without the terminator.
  return FromAnsi(buf, strnlen(buf, size < kNameBuffer ? size : kNameBuffer));
}

std::wstring GetUserNameText() {
  char buf[kNameBuffer + 1] = {};
  DWORD size = kNameBuffer;
  if (!GetUserNameA(buf, &size)) return std::wstring();
  // Here the size counts the terminator; the name ends at the first NUL whatever it says.
  return FromAnsi(buf, strnlen(buf, kNameBuffer));
}

}  // namespace kz

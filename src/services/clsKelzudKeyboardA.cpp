#include "services/clsKelzudKeyboardA.h"

#include "base/error.h"
#include "base/pump.h"
#include "base/text.h"
#include "frame/catalogue.h"
#include "platform/keyboard.h"

namespace kz {
namespace {

constexpr unsigned long kExtended = 1;  // KEYEVENTF_EXTENDEDKEY
constexpr unsigned long kKeyUp = 2;     // KEYEVENTF_KEYUP
constexpr unsigned kVkToScan = 0;       // MAPVK_VK_TO_VSC
constexpr unsigned kVkToChar = 2;       // MAPVK_VK_TO_CHAR
constexpr unsigned long kCharPause = 20;

// The modifier keys a key code's high byte asks for, in the order they go down and come up.
struct Modifier {
  unsigned bit;
  unsigned char vk;
};
constexpr Modifier kModifiers[] = {{0x100, 16}, {0x200, 17}, {0x400, 18}};

bool Flag(const VARIANT_BOOL* b) { return b && *b != VARIANT_FALSE; }

}  // namespace

void Keyboard::TypeKey(const std::wstring& key, bool hold, bool release) {
  if (key.empty()) return;
  std::string ansi = ToAnsi(key.substr(0, 1));
  if (ansi.empty()) return;
  KeyboardInput& kb = Seam<KeyboardInput>();
  short code = kb.KeyOfChar(ansi[0]);
  if (code == 0) return;
  unsigned ucode = static_cast<unsigned short>(code);
  unsigned character = kb.MapKey(ucode, kVkToChar);
  unsigned char scan = static_cast<unsigned char>(kb.MapKey(ucode, kVkToScan));
  unsigned long flags = character == 0 ? kExtended : 0;
  unsigned char vk = static_cast<unsigned char>(ucode & 0xFF);
  if (!release) {
    for (const Modifier& m : kModifiers)
      if (ucode & m.bit) kb.KeyEvent(m.vk, 0, 0);
    kb.KeyEvent(vk, scan, flags);
  }
  if (!hold) {
    kb.KeyEvent(vk, scan, flags | kKeyUp);
    for (const Modifier& m : kModifiers)
      if (ucode & m.bit) kb.KeyEvent(m.vk, 0, kKeyUp);
  }
}

void Keyboard::TypeString(const std::wstring& text, bool pump) {
  KeyboardInput& kb = Seam<KeyboardInput>();
  for (size_t i = 0; i < text.size(); ++i) {
    TypeKey(text.substr(i, 1), false, false);
    kb.Pause(kCharPause);
    if (pump) PumpMessages();
  }
}

void Keyboard::TypeVirtualKey(long vk, bool hold, bool release, bool compatible) {
  // Virtual keys are bytes: a larger code would press some other key.
  if (vk < 0 || vk > 255) Raise(kErrOverflow);
  KeyboardInput& kb = Seam<KeyboardInput>();
  unsigned character = kb.MapKey(static_cast<unsigned>(vk), kVkToChar);
  unsigned char scan = static_cast<unsigned char>(kb.MapKey(static_cast<unsigned>(vk), kVkToScan));
  unsigned long flags = (character == 0 && !compatible) ? kExtended : 0;
  if (!release) kb.KeyEvent(static_cast<unsigned char>(vk), scan, flags);
  if (!hold) kb.KeyEvent(static_cast<unsigned char>(vk), scan, flags | kKeyUp);
}

Keyboard::Locks Keyboard::LockStatus() {
  KeyboardInput& kb = Seam<KeyboardInput>();
  return Locks{kb.KeyState(20) != 0, kb.KeyState(144) != 0, kb.KeyState(145) != 0};
}

STDMETHODIMP Keyboard::PressKey(BSTR* sKey, VARIANT_BOOL* bHold, VARIANT_BOOL* bRelease) {
  return Guard([&] { TypeKey(sKey ? FromBstr(*sKey) : std::wstring(), Flag(bHold), Flag(bRelease)); });
}

STDMETHODIMP Keyboard::PressString(BSTR* sString, VARIANT_BOOL* bDoEvents) {
  return Guard([&] {
    // A copy: a message handler run between characters may change the caller's variable.
    std::wstring text = sString ? FromBstr(*sString) : std::wstring();
    TypeString(text, bDoEvents ? *bDoEvents != VARIANT_FALSE : true);
  });
}

STDMETHODIMP Keyboard::PressKeyVK(enumKeys* keyPress, VARIANT_BOOL* bHold, VARIANT_BOOL* bRelease,
                                  VARIANT_BOOL* bCompatible) {
  return Guard([&] {
    TypeVirtualKey(keyPress ? static_cast<long>(*keyPress) : 0, Flag(bHold), Flag(bRelease), Flag(bCompatible));
  });
}

STDMETHODIMP Keyboard::GetLockStatus(VARIANT_BOOL* bCapsLock, VARIANT_BOOL* bNumLock, VARIANT_BOOL* bScrollLock) {
  return Guard([&] {
    Locks l = LockStatus();
    auto put = [](VARIANT_BOOL* out, bool v) {
      if (out) *out = v ? VARIANT_TRUE : VARIANT_FALSE;
    };
    put(bCapsLock, l.caps);
    put(bNumLock, l.num);
    put(bScrollLock, l.scroll);
  });
}

KZ_REGISTER_CLASS(Keyboard);

}  // namespace kz

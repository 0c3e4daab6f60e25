// Types into whatever window has the keyboard focus by putting key presses into the
// platform's input queue: characters with the shift, control and alt keys they need, strings
// character by character, keys by virtual-key code; and reads the three lock keys.
#pragma once
#include <string>

#include "frame/kz.h"
#include "com/comobject.h"

namespace kz {

class Keyboard : public ComObject<Keyboard, _clsKelzudKeyboardA> {
  KZ_CLASS(clsKelzudKeyboardA)
 public:
  STDMETHODIMP PressKey(BSTR* sKey, VARIANT_BOOL* bHold, VARIANT_BOOL* bRelease) override;
  STDMETHODIMP PressString(BSTR* sString, VARIANT_BOOL* bDoEvents) override;
  STDMETHODIMP PressKeyVK(enumKeys* keyPress, VARIANT_BOOL* bHold, VARIANT_BOOL* bRelease,
                          VARIANT_BOOL* bCompatible) override;
  STDMETHODIMP GetLockStatus(VARIANT_BOOL* bCapsLock, VARIANT_BOOL* bNumLock, VARIANT_BOOL* bScrollLock) override;

  // The key of the first character of `key` with its modifiers: down unless `release`, up
  // unless `hold`. An empty text presses nothing.
  static void TypeKey(const std::wstring& key, bool hold, bool release);
  // Each character in turn, 20 ms apart, letting pending messages run between them when asked.
  static void TypeString(const std::wstring& text, bool pump);
  // One key by virtual-key code (0 to 255), without modifiers; error 6 outside that range.
  static void TypeVirtualKey(long vk, bool hold, bool release, bool compatible);
  struct Locks {
    bool caps, num, scroll;
  };
  static Locks LockStatus();
};

}  // namespace kz

// The platform's keyboard: layout look-ups, the input queue that synthesised key presses go
// into, the key-state table, and the pause between typed characters. Tests put a recorder in
// its place; the real one is exercised on a virtual display.
#pragma once
#include "base/seam.h"

namespace kz {

struct KeyboardInput {
  virtual ~KeyboardInput() = default;
  // VkKeyScanA: virtual key in the low byte, shift state (0x100 shift, 0x200 control,
  // 0x400 alt) in the high byte; -1 when the layout has no key for the character.
  virtual short KeyOfChar(char ansi) = 0;
  // MapVirtualKeyA: mode 0 virtual key to scan code, mode 2 virtual key to character.
  virtual unsigned MapKey(unsigned code, unsigned mode) = 0;
  // keybd_event: one key event into the input queue (flags: 1 extended key, 2 key up).
  virtual void KeyEvent(unsigned char vk, unsigned char scan, unsigned long flags) = 0;
  // GetKeyState: bit 0 toggled, bit 15 down.
  virtual short KeyState(int vk) = 0;
  virtual void Pause(unsigned long ms) = 0;
};
template <>
KeyboardInput& SeamDefault<KeyboardInput>();

}  // namespace kz

#include "platform/keyboard.h"

#include "base/win.h"

namespace kz {
namespace {

class PlatformKeyboard : public KeyboardInput {
 public:
  short KeyOfChar(char ansi) override { return VkKeyScanA(ansi); }
  unsigned MapKey(unsigned code, unsigned mode) override { return MapVirtualKeyA(code, mode); }
  void KeyEvent(unsigned char vk, unsigned char scan, unsigned long flags) override {
    keybd_event(vk, scan, flags, 0);
  }
  short KeyState(int vk) override { return GetKeyState(vk); }
  void Pause(unsigned long ms) override { ::Sleep(ms); }
};

}  // namespace

template <>
KeyboardInput& SeamDefault<KeyboardInput>() {
  static PlatformKeyboard k;
  return k;
}

}  // namespace kz

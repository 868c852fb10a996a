#include <windows.h>

#include "platform/KeyState.h"

namespace velmora::platform {

namespace {
class WindowsKeys final : public KeyState {
 public:
  // The high-order bit of GetKeyState is set while the key is down.
  bool held(ModifierKey key) override {
    const int code = key == ModifierKey::kAlt ? VK_MENU : key == ModifierKey::kShift ? VK_SHIFT : VK_CONTROL;
    return GetKeyState(code) < 0;
  }
};
}  // namespace

KeyState& systemKeyState() {
  static WindowsKeys keys;
  return keys;
}

}  // namespace velmora::platform

#include "platform/KeyState.h"

namespace velmora::platform {

namespace {
// A terminal or a test program has no key state to read.
class NoKeys final : public KeyState {
 public:
  bool held(ModifierKey) override { return false; }
};
}  // namespace

KeyState& systemKeyState() {
  static NoKeys keys;
  return keys;
}

}  // namespace velmora::platform

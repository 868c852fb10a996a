// Whether modifier keys are held down now (GetKeyState). The composer's test mode reads them;
// tests hand the engine a scripted state instead of the keyboard.
#pragma once

namespace velmora::platform {

enum class ModifierKey { kAlt, kShift, kControl };

class KeyState {
 public:
  virtual ~KeyState() = default;
  // [main-thread]
  virtual bool held(ModifierKey key) = 0;
};

// The keyboard of this system: on Windows the key state of the calling thread's input; elsewhere
// no key is ever held. [main-thread]
KeyState& systemKeyState();

// Keys held as set beforehand; counts how often each key was asked about.
// [any-thread, one at a time]
class ScriptedKeyState : public KeyState {
 public:
  bool held(ModifierKey key) override {
    ++asked[static_cast<int>(key)];
    return down[static_cast<int>(key)];
  }
  void press(ModifierKey key, bool isDown = true) { down[static_cast<int>(key)] = isDown; }

  bool down[3] = {false, false, false};
  int asked[3] = {0, 0, 0};
};

}  // namespace velmora::platform

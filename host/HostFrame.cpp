#include "host/HostFrame.h"

#include <mutex>

namespace velmora::host {

namespace {

// The lock keeps a frame from being replaced (and then destroyed) while a command is posted to
// it from another thread.
struct Known {
  std::mutex lock;
  HostFrame* frame = nullptr;
};

Known& known() {
  static Known state;
  return state;
}

}  // namespace

void setHostFrame(HostFrame* frame) {
  std::lock_guard guard(known().lock);
  known().frame = frame;
}

bool postHostCommand(std::uint32_t id) {
  std::lock_guard guard(known().lock);
  if (!known().frame) return false;
  known().frame->postCommand(id);
  return true;
}

void lookUpHostWindows() {
  std::lock_guard guard(known().lock);
  if (known().frame) known().frame->lookUp();
}

}  // namespace velmora::host

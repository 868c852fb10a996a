// The list of live temporary files (fixed slots that a signal handler can walk without locks or
// allocation), and what temporary files do alike on every system.
#include "platform/SafeSave.h"

#include <atomic>
#include <cstdio>
#include <cstring>

namespace velmora::platform {

namespace {

constexpr int kSlots = 32;
constexpr std::size_t kMaxPath = 4096;

enum : int { kFree, kFilling, kLive };

struct Slot {
  std::atomic<int> state{kFree};
  char path[kMaxPath];
};

Slot slots[kSlots];

static_assert(std::atomic<int>::is_always_lock_free, "the signal handler reads the slots");

}  // namespace

int holdTemporary(const std::string& path) {
  if (path.size() >= kMaxPath) return -1;
  for (int i = 0; i < kSlots; ++i) {
    int expected = kFree;
    if (!slots[i].state.compare_exchange_strong(expected, kFilling)) continue;
    std::memcpy(slots[i].path, path.c_str(), path.size() + 1);
    slots[i].state.store(kLive);
    return i;
  }
  return -1;
}

void releaseTemporary(int slot) {
  if (slot >= 0 && slot < kSlots) slots[slot].state.store(kFree);
}

void forEachLiveTemporary(void (*remove)(const char* path)) {
  for (Slot& s : slots)
    if (s.state.load() == kLive) remove(s.path);
}

void TemporaryFile::discard() {
  if (!path_.empty()) std::remove(path_.c_str());
  releaseTemporary(slot_);
  path_.clear();
  slot_ = -1;
}

}  // namespace velmora::platform

#include "engine/EngineNotify.h"

#include <atomic>
#include <memory>
#include <mutex>

#include "engine/EngineProcess.h"
#include "library/PatternTree.h"
#include "platform/UiThread.h"

namespace velmora {

namespace {

// The count and the two listeners change together under the lock, so a construction racing the
// last destruction never finds a listener that is about to go.
struct Listeners {
  std::mutex lock;
  std::atomic<std::int32_t> count{0};
  std::atomic<platform::UiTarget> treeUpdater{platform::kNoTarget};
};

Listeners& listeners() {
  static Listeners state;
  return state;
}

constexpr std::int64_t kNoMissedChange = -1;
// The scan count of the library when a change came with no engine connected; kNoMissedChange
// when none was missed or a later scan has seen it.
std::atomic<std::int64_t> missedAtScan{kNoMissedChange};

// The one watcher thread reports a change once and is re-armed only by a rescan: a change
// dropped here would leave the library unwatched, so it is remembered for the next join.
void onTreeUpdaterMessage(platform::UiMessage message, std::uintptr_t, std::intptr_t) {
  if (message != PatternTree::changedMessage()) return;
  std::lock_guard guard(EngineProcess::enginesLock());
  if (EngineProcess::connectedEngines().empty()) {
    missedAtScan = patternTree().scanCount();
    return;
  }
  patternTree().refresh();
}

}  // namespace

void EngineNotify::engineCreated() {
  Listeners& state = listeners();
  std::lock_guard guard(state.lock);
  ++state.count;
  if (state.treeUpdater != platform::kNoTarget) return;
  platform::UiQueue& queue = platform::UiQueue::main();
  const platform::UiTarget target = queue.createTarget(onTreeUpdaterMessage);
  state.treeUpdater = target;
  patternTree().setNotifyWindow(target);
  platform::attachUiThread();
}

void EngineNotify::engineDestroyed() {
  Listeners& state = listeners();
  std::lock_guard guard(state.lock);
  if (--state.count != 0) return;
  patternTree().setNotifyWindow(platform::kNoTarget);
  platform::UiQueue::main().destroyTarget(state.treeUpdater.exchange(platform::kNoTarget));
  platform::detachUiThread();
}

void EngineNotify::engineJoined() {
  const std::int64_t missed = missedAtScan.exchange(kNoMissedChange);
  if (missed == kNoMissedChange || missed != patternTree().scanCount()) return;
  if (const platform::UiTarget target = treeUpdater()) platform::UiQueue::main().post(target, PatternTree::changedMessage());
}

platform::UiTarget EngineNotify::treeUpdater() { return listeners().treeUpdater; }

std::int32_t EngineNotify::treeUpdaterCount() { return listeners().count; }

}  // namespace velmora

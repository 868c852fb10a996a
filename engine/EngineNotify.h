// The process-wide listener that keeps the engines up to date: the tree updater, the target of
// the pattern library's change messages, which rescans the library while some engine is
// connected. It exists from the construction of the first engine to the destruction of the last
// one, and again from the next first engine on. Engines are constructed and destroyed on the
// user-interface thread, the thread that pumps platform::UiQueue::main().
#pragma once

#include <cstdint>

#include "platform/UiQueue.h"

namespace velmora {

class EngineNotify {
 public:
  // Counts a new engine as a user of the tree updater. The construction that finds none creates
  // the tree updater and hands it to the pattern library as its notification target.
  // [main-thread, not real-time safe]
  static void engineCreated();
  // Counts an engine out; the destruction that brings the count to 0 takes the library's
  // notification target away and destroys it. [main-thread, not real-time safe]
  static void engineDestroyed();
  // An engine joined the connected list. A library change that came while no engine was
  // connected (and so was not rescanned) is rescanned now, on the user-interface thread.
  // [any-thread, not real-time safe]
  static void engineJoined();

  // The tree updater's target; kNoTarget while no engine exists. [any-thread]
  static platform::UiTarget treeUpdater();
  // Engines holding the tree updater. [any-thread]
  static std::int32_t treeUpdaterCount();
};

}  // namespace velmora

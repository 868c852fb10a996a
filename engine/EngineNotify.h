// The process-wide listeners that keep the engines up to date: the tree updater, the target of
// the pattern library's change messages, which rescans the library while some engine is
// connected; and the updater, a two-second timer that lets every connected engine follow its
// host track. Both exist from the construction of the first engine to the destruction of the last
// one, and again from the next first engine on. Engines are constructed and destroyed on the
// user-interface thread, the thread that pumps platform::UiQueue::main().
#pragma once

#include <cstdint>

#include "engine/Tamborak.h"
#include "host/CWUpdater.h"
#include "platform/UiQueue.h"

namespace velmora {

class Tamborak::Updater final : public host::CWUpdater {
 public:
  // Runs only while the host integration is on: each connected filter engine (not the
  // drum-sampler link's) takes its host track's output port and channel as its output.
  // [main-thread, engines lock taken]
  void work() override;
  // Whether some engine is connected. [main-thread, engines lock taken]
  bool hasWork() override;
};

class EngineNotify {
 public:
  // Counts a new engine as a user of the tree updater. The construction that finds none creates
  // the tree updater, hands it to the pattern library as its notification target, and creates
  // the updater. [main-thread, not real-time safe]
  static void engineCreated();
  // Counts an engine out; the destruction that brings the count to 0 takes the library's
  // notification target away and destroys both. [main-thread, not real-time safe]
  static void engineDestroyed();
  // An engine joined the connected list. A library change that came while no engine was
  // connected (and so was not rescanned) is rescanned now, on the user-interface thread.
  // [any thread, not real-time safe]
  static void engineJoined();

  // The tree updater's target; kNoTarget while no engine exists. [any thread]
  static platform::UiTarget treeUpdater();
  // Engines holding the tree updater. [any thread]
  static std::int32_t treeUpdaterCount();
  // The updater; nullptr while no engine exists. [main-thread]
  static Tamborak::Updater* updater();
};

}  // namespace velmora

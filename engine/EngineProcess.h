// What all engines of the process share: their count, the list of connected engines and its
// lock, the library folders and the one pattern library (started by the first engine), the
// random generator, and the registered message that tells views of a quick-pad change. Tests
// start every case from a clean process with reset().
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/UiQueue.h"

namespace velmora {

class Tamborak;

class EngineProcess {
 public:
  // Counts an engine in, with the listeners that keep engines up to date (EngineNotify); the
  // first one (also the first after all were destroyed) computes the library folders beside the
  // program folder and roots the shared pattern library there.
  // [main-thread, not real-time safe: scans the library]
  static void addEngine();
  // Counts an engine out; the last one stops the pattern library's watcher, empties the library
  // (the next first engine scans it again) and takes the listeners with it. [main-thread]
  static void removeEngine();
  // Engines alive now. [any-thread]
  static std::int32_t engineCount();

  // "Velmora_ViewsSetLoopIdx", registered by the first engine that finds it unregistered.
  // [any-thread]
  static platform::UiMessage viewsSetLoopIdxMessage();
  static void registerViewsSetLoopIdx();

  // The lock of the connected engines list. Taken before the pattern library's lock where both
  // are needed. [any-thread]
  static std::recursive_mutex& enginesLock();
  // Under the lock: every connected engine listed stores its state as "Last"; `engine` is
  // appended unless listed already, then reads "Globals" and, when two or more are listed,
  // "Last"; a library change missed while no engine was connected is then
  // rescanned. [main-thread, not real-time safe: registry I/O, reads patterns]
  static void join(Tamborak& engine);
  // Removes `engine`; the others keep their order. [any-thread]
  static void leave(Tamborak& engine);
  // The connected engines in the order they joined. [any-thread]
  static std::vector<Tamborak*> connectedEngines();

  // The application key of the engines' registry values, relative to HKEY_CURRENT_USER\Software
  // (settings::kApplicationKey unless a test names its own). [any-thread]
  static void setSettingsKey(std::string key);
  static std::string settingsKey();

  // The folder the library folders are computed beside; empty (the default) means the folder of
  // the program's own module. Takes effect when the next first engine starts the library.
  // [main-thread]
  static void setProgramFolder(std::string folder);
  // The folder set above, else the folder of the program's own module. [any-thread]
  static std::string programFolder();
  // The pattern library folder to use instead of the one beside the program folder; empty (the
  // default) means beside it. Takes effect when the next first engine starts the library.
  // [main-thread]
  static void setPatternsFolder(std::string folder);

  // For tests: the next engine constructed fails to create slice `index` (-1: none), as an
  // allocation failure would. [main-thread]
  static void failSliceCreation(int index);
  // Whether slice `index` of the engine being constructed is to fail; the failure is used up.
  static bool sliceCreationFails(int index);

  // For tests: the process as freshly loaded: no connected engines, no library folders, an
  // unrooted pattern library, the message unregistered, the random generator seeded with 1, the
  // module folder as program folder, the application key as settings key, no slice failure.
  // Refused (false, nothing changed) while an engine is alive. [main-thread]
  static bool reset();
};

}  // namespace velmora

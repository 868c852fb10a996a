#include "engine/EngineProcess.h"

#include <algorithm>
#include <atomic>

#include "engine/EngineNotify.h"
#include "engine/Tamborak.h"
#include "io/UniRegistry.h"
#include "library/LibraryFolders.h"
#include "library/PatternTree.h"
#include "platform/CrtRand.h"
#include "platform/System.h"

namespace velmora {

namespace {

std::atomic<std::int32_t> engines{0};
std::atomic<platform::UiMessage> viewsSetLoopIdx{0};
std::atomic<int> failingSlice{-1};

// The connected list, the program folder, under the engines lock.
struct Shared {
  std::recursive_mutex lock;
  std::vector<Tamborak*> connected;
  std::string programFolder, patternsFolder;
  std::string settingsKey = settings::kApplicationKey;
};

Shared& shared() {
  static Shared state;
  return state;
}

}  // namespace

void EngineProcess::addEngine() {
  EngineNotify::engineCreated();  // first, so the library's first watch already has its target
  if (++engines != 1) return;
  std::string folder, patterns;
  {
    std::lock_guard guard(shared().lock);
    folder = shared().programFolder;
    patterns = shared().patternsFolder;
  }
  initLibrary(folder, patterns);
}

// The last engine stops the library's folder watcher and drops the tree here, on the
// user-interface thread: left to the unloading of the module, joining the watcher thread would
// wait on the loader lock that the thread's exit needs.
void EngineProcess::removeEngine() {
  if (--engines == 0) patternTree().clearRoot();
  EngineNotify::engineDestroyed();
}

std::int32_t EngineProcess::engineCount() { return engines; }

platform::UiMessage EngineProcess::viewsSetLoopIdxMessage() { return viewsSetLoopIdx; }

void EngineProcess::registerViewsSetLoopIdx() {
  if (viewsSetLoopIdx == 0) viewsSetLoopIdx = platform::registerUiMessage("Velmora_ViewsSetLoopIdx");
}

std::recursive_mutex& EngineProcess::enginesLock() { return shared().lock; }

void EngineProcess::join(Tamborak& engine) {
  std::lock_guard guard(shared().lock);
  std::vector<Tamborak*>& list = shared().connected;
  for (Tamborak* other : list)
    if (other->connected()) other->storeLast();
  if (std::find(list.begin(), list.end(), &engine) == list.end()) list.push_back(&engine);
  engine.loadStored(list.size() >= 2);
  EngineNotify::engineJoined();
}

void EngineProcess::leave(Tamborak& engine) {
  std::lock_guard guard(shared().lock);
  std::vector<Tamborak*>& list = shared().connected;
  list.erase(std::remove(list.begin(), list.end(), &engine), list.end());
}

std::vector<Tamborak*> EngineProcess::connectedEngines() {
  std::lock_guard guard(shared().lock);
  return shared().connected;
}

void EngineProcess::setSettingsKey(std::string key) {
  std::lock_guard guard(shared().lock);
  shared().settingsKey = std::move(key);
}

std::string EngineProcess::settingsKey() {
  std::lock_guard guard(shared().lock);
  return shared().settingsKey;
}

void EngineProcess::setProgramFolder(std::string folder) {
  std::lock_guard guard(shared().lock);
  shared().programFolder = std::move(folder);
}

std::string EngineProcess::programFolder() {
  {
    std::lock_guard guard(shared().lock);
    if (!shared().programFolder.empty()) return shared().programFolder;
  }
  return platform::moduleFolder();
}

void EngineProcess::setPatternsFolder(std::string folder) {
  std::lock_guard guard(shared().lock);
  shared().patternsFolder = std::move(folder);
}

void EngineProcess::failSliceCreation(int index) { failingSlice = index; }

bool EngineProcess::sliceCreationFails(int index) {
  int expected = index;
  return index >= 0 && failingSlice.compare_exchange_strong(expected, -1);
}

bool EngineProcess::reset() {
  if (engines != 0) return false;
  {
    std::lock_guard guard(shared().lock);
    shared().connected.clear();
    shared().programFolder.clear();
    shared().patternsFolder.clear();
    shared().settingsKey = settings::kApplicationKey;
  }
  resetLibrary();
  viewsSetLoopIdx = 0;
  failingSlice = -1;
  crtSrand(1);
  return true;
}

}  // namespace velmora

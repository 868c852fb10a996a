// The slice's pattern: loading from the library, stepping, random choice, eligibility, stroke
// limits and variation range.
//
// Library leaves are rebuilt by rescans (volume leaves on every one), and a question to the user
// may pump the message that starts one. So no leaf or cursor outlives the tree's lock here: a
// folder is read into a list of names under the lock, and a pattern is found again by its name
// whenever it is loaded.
#include <algorithm>
#include <bit>
#include <mutex>

#include "library/PatternTree.h"
#include "loops/Looper.h"
#include "platform/CrtRand.h"
#include "platform/Numeric.h"

namespace velmora {

namespace {

constexpr int kFolderLevels = 3;

// The folder node at exactly `folder`, or nullptr. [thread holding the tree]
TransitNode* exactFolder(PatternTree& tree, const std::string& folder) {
  FolderNode* root = tree.root();
  if (!root) return nullptr;
  TransitNode* node = findDeepestFolder(root, folder);
  return node->getPath() == folder ? node : nullptr;
}

// Bit n of a 32-bit mask for a count read from a file name; none outside 0..31.
std::uint32_t bitFor(std::int32_t n) { return n >= 0 && n < 32 ? 1u << n : 0; }

std::string componentReplaced(const std::string& path, std::size_t index, const std::string& name, bool& changed) {
  std::vector<std::string> parts;
  for (std::size_t begin = 0; begin < path.size();) {
    const std::size_t end = std::min(path.find('\\', begin), path.size());
    parts.push_back(path.substr(begin, end - begin));
    begin = end + 1;
  }
  if (parts.size() <= index) parts.resize(index + 1);
  changed = parts[index] != name;
  parts[index] = name;
  std::string result;
  for (const std::string& part : parts) result += part + "\\";
  return result;
}

}  // namespace

bool Looper::eligible(const std::string& fileName) const {
  const std::int32_t strokes = nameFieldValue(fileName, kFieldStrokes);
  return nameFieldValue(fileName, kFieldGroup) <= patternGroup_ && strokes <= strokesMax_ && strokes >= strokesMin_;
}

Looper::FolderWalk Looper::walkFolder() const {
  FolderWalk walk;
  PatternTree& tree = engine_.getPatternLibrary();
  std::lock_guard guard(tree.lock());
  TransitNode* bound = exactFolder(tree, folder_);
  if (!bound) return walk;
  for (TerminalNode* leaf = bound->first(bound); leaf; leaf = leaf->next(bound)) {
    std::string path = leaf->getPath(bound);
    if (path == file_) walk.current = static_cast<int>(walk.files.size());
    walk.eligible.push_back(eligible(leaf->getName()));
    walk.files.push_back(std::move(path));
  }
  return walk;
}

bool Looper::readPattern(const std::string& folder, const std::string& file, CMidiTrack& into, bool& found) {
  found = false;
  if (file.empty()) return false;
  PatternTree& tree = engine_.getPatternLibrary();
  std::lock_guard guard(tree.lock());
  TransitNode* node = exactFolder(tree, folder);
  const TerminalNode* leaf = node ? findLeafByPath(node, file) : nullptr;
  found = leaf != nullptr;
  return leaf && leaf->readMidi(&into);
}

void Looper::swapTrack(CMidiTrack& fresh) {
  std::lock_guard guard(lock_);
  std::swap(track_, fresh);
  resetRenderState();
}

bool Looper::setPattern(const std::string& folder, const std::string& file, bool notify) {
  if (!confirmDiscard()) return false;
  loadPattern(folder, file, false);
  if (notify) engine_.changed("Looper::setPattern");
  return true;
}

bool Looper::loadPattern(const std::string& folder, const std::string& file, bool force) {
  if (!force && file == file_ && folder == folder_) return false;
  const bool folderChanged = folder != folder_;
  if (folderChanged) folder_ = folder;
  // A kind folder named in lower case (the "universal" kind) plays every stroke on the fixed note.
  const std::string kind = folderComponent(folder_, 2);
  const bool universal = !kind.empty() && kind[0] >= 'a' && kind[0] <= 'z';
  setFixedNote(universal ? fixedNote() : -1);

  CMidiTrack fresh;
  bool found = false;
  const bool loaded = readPattern(folder_, file, fresh, found);
  if (!loaded) fresh = CMidiTrack();
  file_ = loaded ? file : std::string();
  swapTrack(fresh);  // the old events are freed outside the lock

  updateVelocityStats();
  rebuildCurve();
  signature_ = parseSignature(file_);
  if (view_) view_->refreshPattern(folderChanged);
  // A slice playing its own events does not need its pattern.
  if (!loaded && !file.empty() && !ownEvents_) engine_.patternNotLoaded(*this, folder_, file, found);
  return true;
}

void Looper::clearPattern() {
  file_.clear();
  ownEvents_ = edited_ = false;
  CMidiTrack empty;
  swapTrack(empty);
  signature_.hitMask = signature_.accentMask = 0;
  signature_.nameStrokes = signature_.accentCount = 0;
  refreshView();
}

bool Looper::nextPattern(bool notify, int steps, bool checkRules) { return stepPattern(notify, steps, checkRules, 1); }

bool Looper::previousPattern(bool notify, int steps, bool checkRules) {
  return stepPattern(notify, steps, checkRules, -1);
}

// One step goes round the folder at most once: from the current pattern (from the end when it
// is not in the folder) to the next eligible one, or, with checkRules, to the next one the rules
// accept after loading it; it stops when it comes back to where it began.
bool Looper::stepPattern(bool notify, int steps, bool checkRules, int direction) {
  const FolderWalk walk = walkFolder();
  const int n = static_cast<int>(walk.files.size());
  if (n == 0) return true;
  const std::string folder = folder_;
  const int first = direction > 0 ? 0 : n - 1;
  int position = walk.current;
  for (int s = 0; s < steps; ++s) {
    const int origin = position;  // -1: not in the folder, then the walk ends back at `first`
    for (bool moved = false;; moved = true) {
      position = position < 0 ? first : (position + direction + n) % n;
      const bool backAtStart = origin >= 0 ? position == origin : moved && position == first;
      if (walk.eligible[static_cast<std::size_t>(position)]) {
        if (!checkRules) break;
        if (!setPattern(folder, walk.files[static_cast<std::size_t>(position)], false)) return false;
        if (engine_.rulesAccept(*this)) break;
      }
      if (backAtStart) break;
    }
  }
  if (position < 0) return true;
  return setPattern(folder, walk.files[static_cast<std::size_t>(position)], notify);
}

// Avoiding a name, a draw counts only when it lands on another pattern that could be read: it
// lands on the avoided one again by chance (k = n), and an unreadable pattern leaves the slice
// without one (file ""). After kRandomDraws draws the eligible patterns are tried in walk order,
// so the slice leaves the avoided name whenever another pattern of the folder can be read; when
// none can, it goes back to the avoided one.
bool Looper::randomPattern(const std::string* avoid) {
  constexpr int kRandomDraws = 16;
  const FolderWalk walk = walkFolder();
  const auto n = static_cast<std::int32_t>(std::count(walk.eligible.begin(), walk.eligible.end(), true));
  if (n <= 1) return true;
  const auto done = [&] { return !avoid || (!file_.empty() && file_ != *avoid); };
  for (int draw = 0; draw < kRandomDraws; ++draw) {
    const std::int32_t k = 1 + platform::mulDiv(crtRand(), n - 1, 32767);
    if (!nextPattern(false, k, false)) return true;  // edits kept: the pattern cannot change
    if (done()) return true;
  }
  const std::string folder = folder_;
  for (std::size_t i = 0; i < walk.files.size(); ++i) {
    if (!walk.eligible[i] || walk.files[i] == *avoid) continue;
    if (!setPattern(folder, walk.files[i], false)) return true;
    if (done()) return true;
  }
  if (!avoid->empty()) setPattern(folder, *avoid, false);  // keeps the pattern it had
  return false;
}

void Looper::composePart() {
  if (confirmDiscard()) engine_.composePart(*this);
}

void Looper::ensureEligible() {
  const FolderWalk walk = walkFolder();
  if (walk.current < 0 || walk.eligible[static_cast<std::size_t>(walk.current)]) return;
  nextPattern(true, 1, false);
  composePart();
}

bool Looper::selectPatternByName(const std::string& name) {
  const FolderWalk walk = walkFolder();
  for (const std::string& file : walk.files) {
    const std::size_t slash = file.rfind('\\');
    if (displayName(slash == std::string::npos ? file : file.substr(slash + 1)) == name)
      return setPattern(folder_, file, true);
  }
  return false;
}

bool Looper::setFolder(const std::string& path) {
  std::string normalised = path;
  engine_.getPatternLibrary().normalizePath(normalised, kFolderLevels);
  const bool result = setPattern(normalised, std::string(), false);
  if (result) refreshPatternLimits();
  return result;
}

bool Looper::replaceComponent(std::size_t index, const std::string& name) {
  bool changed = false;
  const std::string path = componentReplaced(folder_, index, name, changed);
  if (changed) setFolder(path);
  return changed;
}

bool Looper::setVolumeFolder(const std::string& name) { return replaceComponent(0, name); }

bool Looper::setKindFolder(const std::string& name) { return replaceComponent(2, name); }

// ---- Stroke limits and variation range

void Looper::setStrokesMax(std::int32_t n, bool recheck) {
  if (n == strokesMax_) return;
  strokesMax_ = n;
  if (n < strokesMin_) setStrokesMin(n, recheck);
  refreshView();
  if (recheck) ensureEligible();
}

void Looper::setStrokesMin(std::int32_t n, bool recheck) {
  if (n == strokesMin_) return;
  strokesMin_ = n;
  if (n > strokesMax_) setStrokesMax(n, recheck);
  refreshView();
  if (recheck) ensureEligible();
}

void Looper::scanStrokes() {
  strokesMask_ = 0;
  PatternTree& tree = engine_.getPatternLibrary();
  std::lock_guard guard(tree.lock());
  TransitNode* bound = exactFolder(tree, folder_);
  if (!bound) return;
  for (TerminalNode* leaf = bound->first(bound); leaf; leaf = leaf->next(bound))
    if (eligible(leaf->getName())) strokesMask_ |= bitFor(nameFieldValue(leaf->getName(), kFieldStrokes));
}

void Looper::setPatternGroup(std::int32_t group, bool recheck) {
  if (group == patternGroup_) return;
  patternGroup_ = group;
  strokesMin_ = 0;
  strokesMax_ = 33;
  scanStrokes();
  const std::uint32_t mask = strokesMask_;
  strokesMax_ = -1;
  setStrokesMax(mask ? 31 - std::countl_zero(mask) : -1, recheck);
  strokesMin_ = -1;
  setStrokesMin(mask ? std::countr_zero(mask) : -1, recheck);
  if (recheck) ensureEligible();
}

void Looper::refreshPatternLimits() {
  groupMask_ = 0;
  {
    PatternTree& tree = engine_.getPatternLibrary();
    std::lock_guard guard(tree.lock());
    if (TransitNode* bound = exactFolder(tree, folder_))
      for (TerminalNode* leaf = bound->first(bound); leaf; leaf = leaf->next(bound))
        groupMask_ |= bitFor(nameFieldValue(leaf->getName(), kFieldGroup));
  }
  patternGroup_ = -1;
  setPatternGroup(engine_.getPatternGroup(), true);
}

}  // namespace velmora

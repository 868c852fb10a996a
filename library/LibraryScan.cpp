#include "library/LibraryScan.h"

#include <algorithm>

namespace velmora {

bool LibraryScan::enterFolder(const std::string& fsPath) {
  platform::FileIdentity id;
  return !platform::fileIdentity(fsPath, id) || folders_.insert(id).second;
}

void LibraryScan::leaveOut(const std::string& fsPath) {
  platform::FileIdentity id;
  if (platform::fileIdentity(fsPath, id)) leftOut_.insert(id);
}

bool LibraryScan::isLeftOut(const std::string& fsPath) const {
  platform::FileIdentity id;
  return !leftOut_.empty() && platform::fileIdentity(fsPath, id) && leftOut_.count(id) != 0;
}

bool LibraryScan::takeNode() {
  if (nodes_ < maxNodes_) {
    ++nodes_;
    return true;
  }
  if (!full_) {
    full_ = true;
    lost("the library holds more than " + std::to_string(maxNodes_) +
         " files and folders; the scan stopped there and left the rest out");
  }
  return false;
}

bool LibraryScan::lostAny() const {
  return std::any_of(notes_.begin(), notes_.end(), [](const Note& n) { return n.lost; });
}

}  // namespace velmora
